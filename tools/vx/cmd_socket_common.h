// Small helpers shared by the socket client subcommands.
#pragma once

#include "VxRegistry.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace vxsock {

// Writes byte text as bytes (characters above 255 as UTF-8).
inline void WriteBytes(FILE* To, const QString& Text)
{
    QByteArray Out;
    Out.reserve(Text.size());
    for (QChar C : Text) {
        if (C.unicode() <= 0xFF)
            Out.append(char(C.unicode()));
        else
            Out.append(QString(C).toUtf8());
    }
    std::fwrite(Out.constData(), 1, size_t(Out.size()), To);
    std::fflush(To);
}

inline void PrintLine(FILE* To, const QString& Text)
{
    std::fputs(Text.toLocal8Bit().constData(), To);
    std::fputc('\n', To);
    std::fflush(To);
}

inline constexpr int ExitDone = vx::ExitOk;
using vx::ExitError;
using vx::ExitUsage;

// Names the problem and the command's synopsis on standard error.
inline int UsageError(const QString& Usage, const QString& Problem)
{
    PrintLine(stderr, QStringLiteral("vx: %1").arg(Problem));
    PrintLine(stderr, QStringLiteral("usage: vx %1").arg(Usage.left(Usage.indexOf(QLatin1String("  ")))));
    return ExitUsage;
}

// Splits "host", "host:port" (a port 1..65535); false for a bad port.
inline bool SplitHostPort(const QString& Text, QString& Host, int& Port)
{
    const qsizetype Colon = Text.lastIndexOf(QLatin1Char(':'));
    if (Colon < 0 || Text.count(QLatin1Char(':')) > 1) {  // no port, or an IPv6 address
        Host = Text;
        return !Host.isEmpty();
    }
    bool Ok = false;
    Port = Text.mid(Colon + 1).toInt(&Ok);
    Host = Text.left(Colon);
    return Ok && Port > 0 && Port <= 65535 && !Host.isEmpty();
}

// Reads the value after an option such as --port; false when it is missing.
inline bool TakeValue(const QStringList& Args, qsizetype& i, QString& Value)
{
    if (i + 1 >= Args.size())
        return false;
    Value = Args[++i];
    return true;
}

}  // namespace vxsock
