// Which command lines get a QApplication: only those of commands and classes that open windows.
#include "VxCommandLine.h"
#include "VxRegistry.h"

#include <gtest/gtest.h>

namespace {

int RunShow(const QStringList&)
{
    return vx::ExitOk;
}

const vx::ClassRegistrar WindowClass("TVxTestWindow", [] { return new QObject; }, true);

}  // namespace

VX_REGISTER_WINDOW_COMMAND("testshow", "testshow URL [--show]  a test command", "", RunShow, vx::WindowsWith("--show"))

TEST(VxWindowCommands, OnlyWindowCommandsAndClassesNeedAnApplicationWithWindows)
{
    const struct {
        QStringList Args;
        bool Windows;
    } Cases[] = {
        {{"testshow", "u"}, false},          {{"testshow", "u", "--show"}, true},
        {{"testshow", "--show=yes"}, true},  {{"testshow", "--", "--show"}, false},
        {{"testshow", "--show", "--help"}, false}, {{"help", "testshow", "--show"}, false},
        {{"run", "TVxTestWindow"}, true},    {{"run", "--json", "TVxTestWindow", "A=1"}, true},
        {{"run", "TVxTestComponent"}, false}, {{"run", "TVxTestWindow", "--help"}, false},
        {{"daytime", "--show"}, false},       {{}, false},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(vx::CommandNeedsWindows(C.Args), C.Windows) << C.Args.join(' ').toStdString();
}
