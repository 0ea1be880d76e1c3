// Small helpers shared by the socket client subcommands.
#pragma once

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

// Exit statuses, as `vx run` has them.
inline constexpr int ExitDone = 0;
inline constexpr int ExitError = 2;
inline constexpr int ExitUsage = 64;

inline int UsageError(const QString& Usage, const QString& Problem)
{
    PrintLine(stderr, QStringLiteral("vx: %1").arg(Problem));
    PrintLine(stderr, QStringLiteral("usage: vx %1").arg(Usage));
    return ExitUsage;
}

inline bool WantsHelp(const QStringList& Args)
{
    return Args.contains(QStringLiteral("--help")) || Args.contains(QStringLiteral("-h"));
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
