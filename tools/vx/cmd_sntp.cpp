// vx sntp [HOST[:PORT]] [--timeout MS]
#include "VxRegistry.h"
#include "cmd_socket_common.h"

#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/platform/VxDateTime.h>

#include <cmath>

namespace {

const char* const SntpUsage = "sntp [HOST[:PORT]] [--timeout MS]  the time of an NTP server and the local clock's offset";
const char* const SntpHelp =
    "Prints the server's time as local time and how far the local clock is from it.\n"
    "The host defaults to a public NTP pool, the port to 123 and the wait for the reply\n"
    "to 5000 ms.\n";

int RunSntp(const QStringList& Args)
{
    using namespace vxsock;
    const QString Usage = QString::fromLatin1(SntpUsage);
    TVxInetSNTP S;
    QString Value;
    bool HostGiven = false;
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& A = Args[i];
        if (A == QLatin1String("--timeout")) {
            bool Ok = false;
            const int N = TakeValue(Args, i, Value) ? Value.toInt(&Ok) : 0;
            if (!Ok || N < 0)
                return UsageError(Usage, QStringLiteral("--timeout needs a number of milliseconds"));
            S.SetTimeout(N);
        } else if (A.startsWith(QLatin1String("--"))) {
            return UsageError(Usage, QStringLiteral("unknown option %1").arg(A));
        } else if (!HostGiven) {
            QString Host;
            int Port = 123;
            if (!SplitHostPort(A, Host, Port))
                return UsageError(Usage, QStringLiteral("bad host %1").arg(A));
            S.SetHost(Host);
            S.SetPort(Port);
            HostGiven = true;
        } else {
            return UsageError(Usage, QStringLiteral("unexpected argument %1").arg(A));
        }
    }
    const QString Target = !S.Host().isEmpty() ? S.Host() : S.Address();
    try {
        // An answer passes through OnAfterExecute; a failed exchange gives its message instead.
        bool Answered = false;
        S.SetOnAfterExecute([&](QObject*, QString&) { Answered = true; });
        const TDateTime Before = Now();
        const QString Answer = S.Execute();
        const TDateTime After = Now();
        const TDateTime Server = TVxInetSNTP::DecodeReply(Answer);
        if (double(Server) == 0.0) {
            if (!Answered)
                PrintLine(stderr, QStringLiteral("vx sntp: %1").arg(Answer.isEmpty() ? QStringLiteral("no reply") : Answer));
            else
                PrintLine(stderr, QStringLiteral("vx sntp: %1 sent a reply that fails the checks (not synchronised, "
                                                 "stratum out of range or no time)")
                                      .arg(Target));
            return ExitError;
        }
        const double Local = (double(Before) + double(After)) / 2.0;
        const double Offset = (double(Server) - Local) * 86400.0;  // how far the local clock is behind
        PrintLine(stdout, DateTimeToText(Server));
        QString Line = QStringLiteral("offset %1%2 s").arg(Offset >= 0 ? QStringLiteral("+") : QString()).arg(Offset, 0, 'f', 3);
        if (std::fabs(Offset) >= 0.0005)
            Line += Offset > 0 ? QStringLiteral(" (the local clock is behind)") : QStringLiteral(" (the local clock is ahead)");
        PrintLine(stdout, Line);
    } catch (const EVxError& E) {
        PrintLine(stderr, QStringLiteral("vx sntp: %1").arg(E.Message()));
        return ExitError;
    }
    return ExitDone;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("sntp", SntpUsage, SntpHelp, RunSntp)
