// vx whois DOMAIN [--server HOST[:PORT]] [--timeout SECONDS]
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxWhoIs.h>

namespace {

// A registry's server answers in a moment; a silent one should not hold the command.
constexpr double DefaultTimeoutSeconds = 30;

const char* const WhoisUsage =
    "whois DOMAIN [--server HOST[:PORT]] [--timeout SECONDS]  the registration record of a domain or IPv4 address";
const char* const WhoisHelp =
    "The WHOIS server is chosen by the domain's last label (the registry's default server\n"
    "for an IPv4 address) unless --server names one; the port is 43 unless given.\n"
    "\n"
    "Options:\n"
    "  --server HOST[:PORT]  ask this server\n";

int RunWhois(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"--server", "HOST[:PORT]"}, {"--timeout", "SECONDS"}});
    O.ExpectPositional(1, 1, "one DOMAIN");
    TVxWhoIs W;
    W.SetDomain(O.Positional(0));
    if (O.Has("--server")) {
        const vx::HostPort Server = vx::ParseHostPort(O.Value("--server"), 43, QStringLiteral("--server"));
        W.SetHost(Server.Host);
        W.SetPort(Server.Port);
    }
    W.SetTimeout(O.TimeoutMs(DefaultTimeoutSeconds));
    vx::WriteOutBytes(W.Execute());  // a failed exchange raises: its message, status 2
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("whois", WhoisUsage, WhoisHelp + vx::TimeoutHelp(DefaultTimeoutSeconds), RunWhois)
