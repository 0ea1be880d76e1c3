// The HTTP client's text work: request words, the Host line, and answers split into
// header lines and body.
#pragma once

#include <vedidoredo/VxIHTTP.h>

#include "platform/VxHostText.h"

#include <QString>
#include <QStringList>

namespace VxHttpText {

inline QString MethodWord(TVxIHTTPAction Action)
{
    switch (Action) {
    case haHead: return QStringLiteral("HEAD");
    case haGet: return QStringLiteral("GET");
    case haPost: return QStringLiteral("POST");
    }
    return QStringLiteral("GET");
}

// The value of a Host line for Target (a name or an address) and Port: the port is added
// unless it is 80, an IPv6 address is bracketed.
inline QString HostHeaderValue(const QString& Target, int Port)
{
    const QString Name = VxHostForUrl(Target);
    return Port == 80 || Name.isEmpty() ? Name : Name + QLatin1Char(':') + QString::number(Port);
}

// Lines split at CR LF, CR or LF; a line end at the very end adds no empty line.
inline QStringList SplitLines(const QString& Text)
{
    QStringList Lines;
    qsizetype Start = 0;
    const qsizetype N = Text.size();
    qsizetype i = 0;
    while (i < N) {
        const QChar C = Text.at(i);
        if (C == QLatin1Char('\r') || C == QLatin1Char('\n')) {
            Lines << Text.mid(Start, i - Start);
            if (C == QLatin1Char('\r') && i + 1 < N && Text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            Start = ++i;
        } else {
            ++i;
        }
    }
    if (Start < N)
        Lines << Text.mid(Start);
    return Lines;
}

// The answer split on its own: Headers gets the status and header lines (up to the first
// empty line, or all but the last line when there is none); with RemoveHeaders, Text
// becomes the body lines, each ended by CR LF.
inline void SplitAnswer(QString& Text, QStringList& Headers, bool RemoveHeaders)
{
    Headers = SplitLines(Text);
    if (Headers.isEmpty()) {
        Text.clear();
        return;
    }
    qsizetype Separator = Headers.indexOf(QString());
    if (Separator < 0)
        Separator = Headers.size() - 1;
    if (RemoveHeaders) {
        QString Body;
        for (qsizetype i = Separator + 1; i < Headers.size(); ++i)
            Body += Headers.at(i) + QStringLiteral("\r\n");
        Text = Body;
    }
    Headers.erase(Headers.begin() + Separator, Headers.end());
}

}  // namespace VxHttpText
