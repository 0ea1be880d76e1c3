// vx sntp [HOST] [--port N] [--timeout MS]
#include "VxRegistry.h"
#include "cmd_socket_common.h"

#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/platform/VxDateTime.h>

#include <cmath>

namespace {

const char* const SntpUsage = "sntp [HOST] [--port N] [--timeout MS]  read the time from an NTP server and the local clock's offset";

int RunSntp(const QStringList& Args)
{
    using namespace vxsock;
    const QString Usage = QString::fromLatin1(SntpUsage);
    if (WantsHelp(Args)) {
        PrintLine(stdout, QStringLiteral("usage: vx ") + Usage);
        return ExitDone;
    }
    TVxInetSNTP S;
    QString Value;
    bool HostGiven = false;
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& A = Args[i];
        if (A == QLatin1String("--port") || A == QLatin1String("--timeout")) {
            bool Ok = false;
            const int N = TakeValue(Args, i, Value) ? Value.toInt(&Ok) : 0;
            if (!Ok || N < 0 || (A == QLatin1String("--port") && (N == 0 || N > 65535)))
                return UsageError(Usage, QStringLiteral("%1 needs a number").arg(A));
            A == QLatin1String("--port") ? S.SetPort(N) : S.SetTimeout(N);
        } else if (A.startsWith(QLatin1String("--"))) {
            return UsageError(Usage, QStringLiteral("unknown option %1").arg(A));
        } else if (!HostGiven) {
            S.SetHost(A);
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

VX_REGISTER_COMMAND("sntp", SntpUsage, RunSntp)
