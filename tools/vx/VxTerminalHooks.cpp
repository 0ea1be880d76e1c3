#include "VxTerminalHooks.h"

#include "VxConsole.h"
#include "VxTerminalLogon.h"
#include "VxTerminalStatusWindow.h"

#include <vedidoredo/platform/VxUiHooks.h>

namespace vx {

void InstallTerminalHooks()
{
    TVxUiHooks Hooks;
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
