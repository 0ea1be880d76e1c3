// `vx daytime [HOST[:PORT]] [--timeout MS]`: the date and time of a daytime server.
#include "VxConsole.h"
#include "VxRegistry.h"

#include <vedidoredo/VxITime.h>
#include <vedidoredo/platform/VxException.h>

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

namespace {

// A friendly command should not wait forever on a silent server.
constexpr int DefaultTimeoutMs = 10000;

int Usage(const QString& Message)
{
    vx::PrintError(QStringLiteral("daytime: ") + Message + QStringLiteral(" (see vx daytime --help)"));
    return vx::ExitUsage;
}

// Splits HOST, HOST:PORT, [IPv6] and [IPv6]:PORT; a bare IPv6 address has no port.
bool SplitTarget(const QString& Target, QString& Host, int& Port)
{
    QString PortText;
    bool HasPort = false;
    if (Target.startsWith(QLatin1Char('['))) {
        const qsizetype Close = Target.indexOf(QLatin1Char(']'));
        if (Close < 0)
            return false;
        Host = Target.mid(1, Close - 1);
        const QString Rest = Target.mid(Close + 1);
        if (!Rest.isEmpty()) {
            if (!Rest.startsWith(QLatin1Char(':')))
                return false;
            HasPort = true;
            PortText = Rest.mid(1);
        }
    } else if (Target.count(QLatin1Char(':')) == 1) {
        Host = Target.section(QLatin1Char(':'), 0, 0);
        PortText = Target.section(QLatin1Char(':'), 1);
        HasPort = true;
    } else {
        Host = Target;  // a name, a dotted address or a bare IPv6 address
    }
    if (Host.isEmpty())
        return false;
    if (HasPort) {
        static const QRegularExpression Digits(QStringLiteral("^[0-9]{1,5}$"));
        Port = PortText.toInt();
        if (!Digits.match(PortText).hasMatch() || Port < 1 || Port > 65535)
            return false;
    }
    return true;
}

int RunDaytime(const QStringList& Args)
{
    QString Target;
    int Timeout = DefaultTimeoutMs;
    for (qsizetype I = 0; I < Args.size(); ++I) {
        const QString& A = Args.at(I);
        if (A == QLatin1String("--timeout") || A.startsWith(QLatin1String("--timeout="))) {
            const QString Value = A.contains(QLatin1Char('=')) ? A.section(QLatin1Char('='), 1)
                                  : I + 1 < Args.size()         ? Args.at(++I)
                                                                : QString();
            bool Ok = false;
            Timeout = Value.toInt(&Ok);
            if (!Ok || Timeout < 0 || Value.startsWith(QLatin1Char('+')))
                return Usage(QStringLiteral("--timeout needs milliseconds (0 waits without limit)"));
        } else if (A.startsWith(QLatin1Char('-'))) {
            return Usage(QStringLiteral("unknown option '%1'").arg(A));
        } else if (Target.isEmpty()) {
            Target = A;
        } else {
            return Usage(QStringLiteral("one HOST only, got '%1' as well").arg(A));
        }
    }

    TVxInetDateTime Client;
    if (!Target.isEmpty()) {
        QString Host;
        int Port = Client.Port();
        if (!SplitTarget(Target, Host, Port))
            return Usage(QStringLiteral("expected HOST or HOST:PORT, got '%1'").arg(Target));
        Client.SetHost(Host);
        Client.SetPort(Port);
    }
    Client.SetTimeout(Timeout);
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
            vx::PrintError(QStringLiteral("daytime: no date and time from %1; it sent: %2").arg(Server, Shown));
            return vx::ExitError;
        }
        const QDateTime When = DateTimeToQDateTime(TVxInetDateTime::DecodeDaytime(Answer), Qt::UTC);
        vx::WriteOutText(QStringLiteral("%1 (%2), server time of %3; NIST-style servers send UTC\n")
                             .arg(When.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                  QLocale::c().dayName(When.date().dayOfWeek()), Server));
        return vx::ExitOk;
    } catch (const EVxError& E) {
        vx::PrintError(QStringLiteral("daytime: %1: %2").arg(Server, E.Message()));
        return vx::ExitError;
    }
}

}  // namespace

VX_REGISTER_COMMAND_HELP("daytime", "daytime [HOST[:PORT]] [--timeout MS]  the date and time of a daytime server",
                         "Asks a daytime server (TCP port 13 unless PORT is given) for its date and\n"
                         "time and prints them as the server sent them: NIST-style servers send UTC.\n"
                         "Without HOST it asks the component's default server.\n"
                         "\n"
                         "Options:\n"
                         "  --timeout MS  give up after MS milliseconds without progress (default 10000;\n"
                         "                0 waits without limit)\n",
                         RunDaytime)
