// `vx daytime [HOST[:PORT]] [--timeout SECONDS]`: the date and time of a daytime server.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxITime.h>

#include <QDate>
#include <QLocale>

namespace {

// A friendly command should not wait forever on a silent server.
constexpr double DefaultTimeoutSeconds = 10;

int RunDaytime(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"--timeout", "SECONDS"}});
    O.ExpectPositional(0, 1, "at most one HOST[:PORT]");

    TVxInetDateTime Client;
    if (!O.Positional().isEmpty()) {
        const vx::HostPort Target = vx::ParseHostPort(O.Positional(0), Client.Port());
        Client.SetHost(Target.Host);
        Client.SetPort(Target.Port);
    }
    Client.SetTimeout(O.TimeoutMs(DefaultTimeoutSeconds));
    const QString Server = Client.TargetText();

    // What `vx run TVxInetDateTime --read DateTime` reads; a failed exchange or an answer
    // that is no date raises (its message, status 2).
    const QDateTime When = DateTimeToQDateTime(Client.DateTime(), Qt::UTC);
    vx::WriteOutLine(QStringLiteral("%1 (%2), server time of %3; NIST-style servers send UTC")
                         .arg(When.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                              QLocale::c().dayName(When.date().dayOfWeek()), Server));
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("daytime", "daytime [HOST[:PORT]] [--timeout SECONDS]  the date and time of a daytime server",
                         QStringLiteral("Asks a daytime server (TCP port 13 unless PORT is given) for its date and\n"
                                        "time and prints them: in UTC when the answer says its zone (NIST's line,\n"
                                        "RFC 822 or ISO 8601 with a zone), otherwise as the server's clock shows them\n"
                                        "(ctime). An answer in no known format is an error.\n"
                                        "Without HOST it asks the component's default server.\n"
                                        "\n"
                                        "Options:\n") +
                             vx::TimeoutHelp(DefaultTimeoutSeconds),
                         RunDaytime)
