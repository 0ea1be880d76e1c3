#include "VxTerminalHooks.h"

#include "VxConsole.h"
#include "VxTerminalLogon.h"
#include "VxTerminalStatusWindow.h"

#include <vedidoredo/platform/VxUiHooks.h>

namespace vx {

void InstallTerminalHooks()
{
    // The others (opening a link) stay as they are: the windows' ones act only where a
    // QApplication runs, that is for a command that opens windows.
    TVxUiHooks Hooks = VxUiHooks();
    Hooks.AskLogon = AskLogonOnTerminal;
    Hooks.CreateStatusWindow = [](QObject*) { return TerminalStatusWindow::CreateForStandardError(); };
    // Messages and errors alike go to standard error, so standard output keeps only results.
    Hooks.ShowMessage = [](const QString& Title, const QString& Text) {
        WriteErr(Title.isEmpty() ? Text + QLatin1Char('\n') : Title + QStringLiteral(": ") + Text + QLatin1Char('\n'));
    };
    Hooks.ShowError = Hooks.ShowMessage;
    VxSetUiHooks(Hooks);
}

}  // namespace vx
