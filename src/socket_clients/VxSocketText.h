// Small text helpers shared by the page-reading socket clients.
#pragma once

#include <QString>
#include <QStringList>

// Each blank as "%20", everything else unchanged.
inline QString VxEscapeBlanks(const QString& S)
{
    QString Out = S;
    Out.replace(QLatin1Char(' '), QStringLiteral("%20"));
    return Out;
}

// Count characters from position Index (counted from 1); empty for a count of 0 or
// less, cut at the end of the text.
inline QString VxCopy(const QString& S, qsizetype Index, qsizetype Count)
{
    if (Count <= 0)
        return {};
    if (Index < 1)
        Index = 1;
    if (Index > S.size())
        return {};
    return S.mid(Index - 1, Count);
}

// Lines split at CR LF; a final CR LF adds no empty line.
inline QStringList VxSplitCRLF(const QString& S)
{
    QStringList Lines = S.split(QStringLiteral("\r\n"));
    if (!Lines.isEmpty() && Lines.last().isEmpty())
        Lines.removeLast();
    return Lines;
}
