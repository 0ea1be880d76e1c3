// Small text helpers shared by the page-reading socket clients.
#pragma once

#include <QString>
#include <QStringList>

#include <vedidoredo/vxiutil.h>  // ReplaceHTMLChars

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

// Whether the text ends with one of the characters of Chars.
inline bool VxEndsWithAny(const QString& S, const char* Chars)
{
    if (S.isEmpty())
        return false;
    const QChar Last = S.back();
    for (const char* C = Chars; *C; ++C)
        if (Last == QLatin1Char(*C))
            return true;
    return false;
}

// The table text of an HTML section as lines: cells closed by "=", rows ended by CR LF,
// tags, line breaks and white space before tags dropped, entities replaced.
inline QString VxFlattenHTMLTable(const QString& Section)
{
    QString Result;
    bool InTag = false;
    const qsizetype N = Section.size();
    for (qsizetype i = 0; i < N; ++i) {
        const QChar C = Section.at(i);
        if (C == QLatin1Char('\r') || C == QLatin1Char('\n'))
            continue;
        if (C == QLatin1Char('<')) {
            InTag = true;
            if (!Result.isEmpty() && Section.mid(i + 1, 3) == QLatin1String("/td")
                && !VxEndsWithAny(Result, "\r\n="))
                Result += QLatin1Char('=');
            continue;
        }
        if (C == QLatin1Char('>')) {
            InTag = false;
            if (!Result.isEmpty() && i >= 2 && Section.mid(i - 2, 2) == QLatin1String("tr")
                && !VxEndsWithAny(Result, "\r\n")) {
                if (Result.endsWith(QLatin1Char('=')))
                    Result.chop(1);
                Result += QStringLiteral("\r\n");
            }
            continue;
        }
        if (InTag)
            continue;
        if ((C == QLatin1Char('\t') || C == QLatin1Char(' ')) && i + 1 < N) {
            const QChar Next = Section.at(i + 1);
            if (Next == QLatin1Char('\t') || Next == QLatin1Char('\r') || Next == QLatin1Char('\n')
                || Next == QLatin1Char(' ') || Next == QLatin1Char('<'))
                continue;
        }
        Result += C;
    }
    ReplaceHTMLChars(Result);
    for (qsizetype At = Result.indexOf(QLatin1String("==")); At >= 0;
         At = Result.indexOf(QLatin1String("=="), At))
        Result.remove(At, 1);
    return Result;
}
