#include "VxCommandLine.h"
#include "VxConsole.h"
#include "VxRegistry.h"
#include "VxTerminal.h"
#include "VxTerminalHooks.h"

#include <vedidoredo/VxWidgets.h>
#include <vedidoredo/platform/VxTemporaryFiles.h>

#include <QApplication>
#include <QCoreApplication>

#include <memory>

namespace {

// A QApplication without a display to talk to aborts the program; say so instead.
bool HasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv)
{
    // Ctrl-C or a kill takes the command's temporary files with it; a progress bar left
    // on the terminal gets its line end.
    vx::EndOnSignals([](int) {
        VxRemoveTemporaryFiles();
        if (vx::StandardErrorColumns() > 0)
            vx::WriteAllTo(2, "\n");
    });
    QStringList Args;
    for (int I = 1; I < argc; ++I)
        Args << QString::fromLocal8Bit(argv[I]);
    // Only a command that opens windows gets a QApplication, so every other one works
    // without a display.
    std::unique_ptr<QCoreApplication> App;
    if (vx::CommandNeedsWindows(Args)) {
        if (!HasDisplay()) {
            vx::PrintError(QStringLiteral("%1 opens a window, and there is no display (set DISPLAY, or "
                                          "QT_QPA_PLATFORM=offscreen)").arg(Args.value(0)));
            return vx::ExitError;
        }
        App = std::make_unique<QApplication>(argc, argv);
    } else {
        App = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The windows' hooks first (they act only under a QApplication), then the terminal's
    // in place of the logon, status window and message ones.
    VxInstallWidgetsHooks();
    vx::InstallTerminalHooks();
    return vx::RunCommandLine(Args);
}
