#include "VxCommandLine.h"
#include "VxTerminalHooks.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    vx::InstallTerminalHooks();
    QStringList Args = App.arguments();
    Args.removeFirst();
    return vx::RunCommandLine(Args);
}
