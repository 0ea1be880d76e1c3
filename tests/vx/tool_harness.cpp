#include "tool_harness.h"

#include "test_components.h"

#include "VxCommandLine.h"
#include "VxConsole.h"
#include "VxRegistry.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

VX_REGISTER_CLASS(TVxTestComponent)
VX_REGISTER_CLASS(TVxTestWebComponent)
VX_REGISTER_CLASS(TVxTestPlain)

namespace {

// Sockets and processes want an application object.
class QtApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int Argc = 1;
        static char Name[] = "test_vx";
        static char* Argv[] = {Name, nullptr};
        if (!QCoreApplication::instance())
            FApp = new QCoreApplication(Argc, Argv);
    }
    void TearDown() override { delete FApp; }

private:
    QCoreApplication* FApp = nullptr;
};

[[maybe_unused]] ::testing::Environment* const Application =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

}  // namespace

VxResult RunVx(const QStringList& Args)
{
    vx::ConsoleCapture Capture;
    VxResult R;
    R.Status = vx::RunCommandLine(Args);
    R.Out = Capture.Out;
    R.Err = Capture.Err;
    return R;
}
