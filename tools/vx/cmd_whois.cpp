// vx whois DOMAIN [--server HOST] [--port N]
#include "VxRegistry.h"
#include "cmd_socket_common.h"

#include <vedidoredo/VxWhoIs.h>

namespace {

const char* const WhoisUsage = "whois DOMAIN [--server HOST] [--port N]  look up the registration record of a domain or IPv4 address";

int RunWhois(const QStringList& Args)
{
    using namespace vxsock;
    const QString Usage = QString::fromLatin1(WhoisUsage);
    if (WantsHelp(Args)) {
        PrintLine(stdout, QStringLiteral("usage: vx ") + Usage);
        PrintLine(stdout, QStringLiteral("The server is chosen by the domain's last label unless --server is given."));
        return ExitDone;
    }
    QString Domain, Server, PortText;
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& A = Args[i];
        if (A == QLatin1String("--server")) {
            if (!TakeValue(Args, i, Server))
                return UsageError(Usage, QStringLiteral("--server needs a host"));
        } else if (A == QLatin1String("--port")) {
            if (!TakeValue(Args, i, PortText))
                return UsageError(Usage, QStringLiteral("--port needs a number"));
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
    if (!Server.isEmpty())
        W.SetHost(Server);
    if (!PortText.isEmpty()) {
        bool Ok = false;
        const int Port = PortText.toInt(&Ok);
        if (!Ok || Port <= 0 || Port > 65535)
            return UsageError(Usage, QStringLiteral("bad port %1").arg(PortText));
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

VX_REGISTER_COMMAND("whois", WhoisUsage, RunWhois)
