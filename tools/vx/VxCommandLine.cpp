#include "VxCommandLine.h"

#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxVersion.h>
#include <vedidoredo/platform/VxException.h>

#include <algorithm>

namespace vx {
namespace {

// Synopses up to this long share a column; longer ones put the description below.
constexpr qsizetype MaxSynopsisColumn = 40;

QString CommandLines()
{
    qsizetype SynopsisColumn = 16;
    for (const CommandInfo& C : Commands()) {
        const qsizetype Gap = C.Usage.indexOf(QLatin1String("  "));
        const qsizetype Length = Gap < 0 ? C.Usage.size() : Gap;
        if (Length <= MaxSynopsisColumn)
            SynopsisColumn = std::max(SynopsisColumn, Length + 2);
    }
    QString Text;
    for (const CommandInfo& C : Commands()) {
        const qsizetype Gap = C.Usage.indexOf(QLatin1String("  "));
        const QString Synopsis = Gap < 0 ? C.Usage : C.Usage.left(Gap);
        const QString Description = Gap < 0 ? QString() : C.Usage.mid(Gap).trimmed();
        Text += QStringLiteral("  ") + Synopsis;
        if (!Description.isEmpty()) {
            if (Synopsis.size() + 2 > SynopsisColumn)
                Text += QLatin1Char('\n') + QString(SynopsisColumn + 2, QLatin1Char(' '));
            else
                Text += QString(SynopsisColumn - Synopsis.size(), QLatin1Char(' '));
            Text += Description;
        }
        Text += QLatin1Char('\n');
    }
    return Text;
}

int TopUsageError(const QString& Message)
{
    PrintError(Message + QStringLiteral(" (see vx --help)"));
    return ExitUsage;
}

}  // namespace

QString GeneralHelp()
{
    return QStringLiteral(
               "usage: vx COMMAND [ARGUMENTS ...]\n"
               "       vx run CLASS [NAME=VALUE ...] [--read PROPERTY | --call OPERATION] [--json]\n"
               "\n"
               "Runs the Internet client components of VeDidoredo.\n"
               "\n"
               "Commands:\n") +
           CommandLines() +
           QStringLiteral(
               "\n"
               "The generic form `vx run` creates a component of CLASS, assigns its properties by\n"
               "name and runs Execute (or reads a property, or calls an operation without\n"
               "arguments). Classes: ") +
           ClassListText() +
           QStringLiteral(
               ".\n"
               "\n"
               "`vx COMMAND --help` or `vx help COMMAND` shows a command's help; `vx run CLASS\n"
               "--help` lists the properties and operations of a class.\n"
               "\n"
               "Exit status: 0 done; 1 the operation reported failure; 2 an error (its message on\n"
               "standard error); 64 a usage error; 130, 143 or 129 ended by SIGINT (Ctrl-C),\n"
               "SIGTERM or SIGHUP, the command's temporary files removed.\n");
}

bool CommandNeedsWindows(const QStringList& Args)
{
    const CommandInfo* Command = FindCommand(Args.value(0));
    const QStringList Rest = Args.mid(1);
    if (!Command || !Command->NeedsWindows || WantsHelp(Rest) || Rest.contains(QLatin1String("--help")) ||
        Rest.contains(QLatin1String("-h")))
        return false;
    return Command->NeedsWindows(Rest);
}

int RunCommandLine(const QStringList& Args)
{
    const QString First = Args.value(0);
    if (Args.isEmpty()) {
        // No command at all is a usage error: the usage goes where errors go.
        WriteErr(GeneralHelp());
        return ExitUsage;
    }
    if (First == QLatin1String("--help") || First == QLatin1String("-h") ||
        (First == QLatin1String("help") && Args.size() == 1)) {
        WriteOutText(GeneralHelp());
        return ExitOk;
    }
    if (First == QLatin1String("--version")) {
        WriteOutText(QStringLiteral("vx (VeDidoredo) " VEDIDOREDO_VERSION_STR "\n"));
        return ExitOk;
    }
    if (First == QLatin1String("help")) {
        const CommandInfo* Command = FindCommand(Args.at(1));
        if (!Command || Args.size() > 2)
            return TopUsageError(QStringLiteral("no help for '%1': unknown command").arg(Args.mid(1).join(QLatin1Char(' '))));
        WriteOutText(CommandHelp(*Command));
        return ExitOk;
    }
    const CommandInfo* Command = FindCommand(First);
    if (!Command) {
        if (First.startsWith(QLatin1Char('-')))
            return TopUsageError(QStringLiteral("unknown option '%1'").arg(First));
        return TopUsageError(QStringLiteral("unknown command '%1'").arg(First));
    }
    const QStringList Rest = Args.mid(1);
    if (WantsHelp(Rest)) {
        WriteOutText(CommandHelp(*Command));
        return ExitOk;
    }
    // An error that escapes a command ends in its message, named after the command, and
    // the error status rather than an abort.
    const CurrentCommand Current(Command->Name);
    try {
        return Command->Run(Rest);
    } catch (const HelpRequest&) {
        WriteOutText(CommandHelp(*Command));
        return ExitOk;
    } catch (const UsageError& E) {
        PrintError(E.Message + QStringLiteral(" (see vx %1 --help)").arg(Command->Name));
        return ExitUsage;
    } catch (const EVxError& E) {
        PrintError(E.Message());
    } catch (const std::exception& E) {
        PrintError(QString::fromLocal8Bit(E.what()));
    }
    return ExitError;
}

}  // namespace vx
