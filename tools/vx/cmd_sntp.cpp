// vx sntp [HOST[:PORT]] [--timeout SECONDS]
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/platform/VxDateTime.h>

#include <cmath>

namespace {

constexpr double DefaultTimeoutSeconds = 5;

const char* const SntpUsage =
    "sntp [HOST[:PORT]] [--timeout SECONDS]  the time of an NTP server and the local clock's offset";
const char* const SntpHelp =
    "Prints the server's time as local time and how far the local clock is from it.\n"
    "The host defaults to a public NTP pool, the port to 123.\n"
    "\n"
    "Options:\n";

int RunSntp(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"--timeout", "SECONDS"}});
    O.ExpectPositional(0, 1, "at most one HOST[:PORT]");
    TVxInetSNTP S;
    if (!O.Positional().isEmpty()) {
        const vx::HostPort Target = vx::ParseHostPort(O.Positional(0), S.Port());
        S.SetHost(Target.Host);
        S.SetPort(Target.Port);
    }
    S.SetTimeout(O.TimeoutMs(DefaultTimeoutSeconds));
    // A failed exchange or a refused reply raises: its message, status 2.
    const TDateTime Before = Now();
    const TDateTime Server = S.DateTime();
    const TDateTime After = Now();
    const double Local = (double(Before) + double(After)) / 2.0;
    const double Offset = (double(Server) - Local) * 86400.0;  // how far the local clock is behind
    vx::WriteOutLine(DateTimeToText(Server));
    QString Line = QStringLiteral("offset %1%2 s").arg(Offset >= 0 ? QStringLiteral("+") : QString()).arg(Offset, 0, 'f', 3);
    if (std::fabs(Offset) >= 0.0005)
        Line += Offset > 0 ? QStringLiteral(" (the local clock is behind)") : QStringLiteral(" (the local clock is ahead)");
    vx::WriteOutLine(Line);
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("sntp", SntpUsage, SntpHelp + vx::TimeoutHelp(DefaultTimeoutSeconds), RunSntp)
