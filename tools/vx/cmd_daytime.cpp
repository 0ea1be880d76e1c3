// `vx daytime [HOST[:PORT]] [--timeout SECONDS]`: the date and time of a daytime server.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxITime.h>
#include <vedidoredo/platform/VxException.h>

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

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
    const QString Server = QStringLiteral("%1:%2")
                               .arg(Client.Host().isEmpty() ? Client.Address() : Client.Host())
                               .arg(Client.Port());

    try {
        // What DateTime reads, in two steps: the component turns a failed exchange into
        // its message text, which must not be shown as a date.
        const QString Answer = Client.Execute();
        static const QRegularExpression DateAndTime(QStringLiteral("\\d+-\\d+-\\d+ \\d+:\\d+:\\d+"));
        if (!DateAndTime.match(Answer).hasMatch()) {
            const QString Shown = Answer.trimmed().isEmpty() ? QStringLiteral("nothing") : Answer.trimmed();
            vx::PrintError(QStringLiteral("no date and time from %1; it sent: %2").arg(Server, Shown));
            return vx::ExitError;
        }
        const QDateTime When = DateTimeToQDateTime(TVxInetDateTime::DecodeDaytime(Answer), Qt::UTC);
        vx::WriteOutLine(QStringLiteral("%1 (%2), server time of %3; NIST-style servers send UTC")
                             .arg(When.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                  QLocale::c().dayName(When.date().dayOfWeek()), Server));
        return vx::ExitOk;
    } catch (const EVxError& E) {
        vx::PrintError(QStringLiteral("%1: %2").arg(Server, E.Message()));
        return vx::ExitError;
    }
}

}  // namespace

VX_REGISTER_COMMAND_HELP("daytime", "daytime [HOST[:PORT]] [--timeout SECONDS]  the date and time of a daytime server",
                         QStringLiteral("Asks a daytime server (TCP port 13 unless PORT is given) for its date and\n"
                                        "time and prints them as the server sent them: NIST-style servers send UTC.\n"
                                        "Without HOST it asks the component's default server.\n"
                                        "\n"
                                        "Options:\n") +
                             vx::TimeoutHelp(DefaultTimeoutSeconds),
                         RunDaytime)
