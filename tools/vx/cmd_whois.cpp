// vx whois DOMAIN [--server HOST[:PORT]]
#include "VxRegistry.h"
#include "cmd_socket_common.h"

#include <vedidoredo/VxWhoIs.h>

namespace {

const char* const WhoisUsage = "whois DOMAIN [--server HOST[:PORT]]  the registration record of a domain or IPv4 address";
const char* const WhoisHelp =
    "The WHOIS server is chosen by the domain's last label (the registry's default server\n"
    "for an IPv4 address) unless --server names one; the port is 43 unless given.\n";

int RunWhois(const QStringList& Args)
{
    using namespace vxsock;
    const QString Usage = QString::fromLatin1(WhoisUsage);
    QString Domain, Server;
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& A = Args[i];
        if (A == QLatin1String("--server")) {
            if (!TakeValue(Args, i, Server))
                return UsageError(Usage, QStringLiteral("--server needs a host"));
        } else if (A.startsWith(QLatin1String("--"))) {
            return UsageError(Usage, QStringLiteral("unknown option %1").arg(A));
        } else if (Domain.isEmpty()) {
            Domain = A;
        } else {
            return UsageError(Usage, QStringLiteral("unexpected argument %1").arg(A));
        }
    }
    if (Domain.isEmpty())
        return UsageError(Usage, QStringLiteral("no domain given"));
    TVxWhoIs W;
    W.SetDomain(Domain);
    if (!Server.isEmpty()) {
        QString Host;
        int Port = 43;
        if (!SplitHostPort(Server, Host, Port))
            return UsageError(Usage, QStringLiteral("bad server %1").arg(Server));
        W.SetHost(Host);
        W.SetPort(Port);
    }
    try {
        // An answer passes through OnAfterExecute; a failed exchange gives its message instead.
        bool Answered = false;
        W.SetOnAfterExecute([&](QObject*, QString&) { Answered = true; });
        const QString Answer = W.Execute();
        if (!Answered) {
            PrintLine(stderr, QStringLiteral("vx whois: %1").arg(Answer));
            return ExitError;
        }
        WriteBytes(stdout, Answer);
    } catch (const EVxError& E) {
        PrintLine(stderr, QStringLiteral("vx whois: %1").arg(E.Message()));
        return ExitError;
    }
    return ExitDone;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("whois", WhoisUsage, WhoisHelp, RunWhois)
