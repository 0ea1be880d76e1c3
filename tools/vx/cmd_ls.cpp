// `vx ls URL-OR-DIR`: lists a remote FTP directory or a local one.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/platform/VxUiHooks.h>
#include <vedidoredo/vxidir.h>

namespace {

int RunLs(const QStringList& Args)
{
    const vxweb::Options O = vxweb::Parse(Args, {QStringLiteral("--mask"), QStringLiteral("-r")});
    if (!O.Rest.isEmpty())
        throw vx::UsageError{QStringLiteral("one URL or directory only, got '%1' as well").arg(O.Rest.first())};
    TVxRemoteFiles L;
    QString Error;
    if (!vxweb::Configure(&L, O, Error))
        throw vx::UsageError{Error};
    if (!O.Mask.isEmpty())
        L.SetWildCard(O.Mask);
    L.SetSubFolders(O.Recursive);
    // A directory that cannot be entered comes as a message box; its text goes to
    // standard error once, not again beside the same reason in the final report.
    QStringList Messages;
    const TVxUiHooks Saved = VxUiHooks();
    TVxUiHooks Collecting = Saved;
    Collecting.ShowMessage = [&Messages](const QString&, const QString& Text) { Messages << Text; };
    VxSetUiHooks(Collecting);
    try {
        L.Execute();
    } catch (const EVxError& E) {
        VxSetUiHooks(Saved);
        vx::PrintError(E.Message());
        return vx::ExitError;
    }
    VxSetUiHooks(Saved);
    Messages.removeDuplicates();
    for (const QString& Text : Messages)
        if (L.Status() == isFinished || Text != L.LastError())
            vx::PrintError(Text);
    QString Lines;
    for (const QString& Line : L.FileList())
        Lines += Line + QLatin1Char('\n');
    vx::WriteOutText(vx::Printable(Lines));
    switch (L.Status()) {
    case isFinished:
        return vx::ExitOk;
    case isNotFound:
        vx::PrintError(QStringLiteral("%1: nothing listed (an empty or missing directory)%2")
                           .arg(vxweb::Shown(O.Target), vxweb::Reason(&L)));
        return vx::ExitFalse;
    default:
        vx::PrintError(QStringLiteral("%1: failed%2").arg(vxweb::Shown(O.Target), vxweb::Reason(&L)));
        return vx::ExitFalse;
    }
}

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "ls", "ls URL-OR-DIR [--mask M] [-r]  list an FTP directory or a local one",
    "Lists the entries of ftp://[USER[:PASSWORD]@]HOST[:PORT]/DIR, or of a directory\n"
    "path, one per line. FTP: DIR is relative to the login directory (//DIR or %2FDIR\n"
    "is absolute; no USER logs in as anonymous); names are bare for the login directory\n"
    "itself, else with their directory as the server names it. Local entries with their\n"
    "directory, \".\" and \"..\" included.\n"
    "\n"
    "Options:\n"
    "  --mask M              only names matching M (* and ?; the default *.* lists all)\n"
    "  -r, --recursive       every subdirectory as well\n"
    "  --user U, --password P  the FTP login\n"
    + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + "\n"
    "Exit status: 0 listed, 1 nothing listed or failed, 64 a usage error.\n",
    RunLs)
