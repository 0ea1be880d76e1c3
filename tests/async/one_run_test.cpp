// One run at a time: a second run of a running component, started from a callback of the
// first or from another thread, raises "already running" and leaves the first intact.
#include "async/component_cases.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vxtest;

namespace {

// The message of what Call raises, "" when it raises nothing.
QString Raised(const std::function<void()>& Call)
{
    try {
        Call();
    } catch (const EVxError& E) {
        return E.Message();
    }
    return {};
}

}  // namespace

TEST(OneRunAtATime, ASecondRunRaisesAndTheFirstCompletes)
{
    TRunPeers Peers;
    for (const TRunCase& Case : RunCases(Peers)) {
        SCOPED_TRACE(Case.Name);
        auto C = Case.Make();
        QString FromCallback, FromThread;
        bool RunningInside = false;
        Case.Record(C.get(), OnceAt(Case.Mid, [&] {
            RunningInside = C->Running();
            FromCallback = Raised([&] { Case.Run(C.get()); });
            std::thread Other([&] { FromThread = Raised([&] { Case.Run(C.get()); }); });
            Other.join();
        }));
        EXPECT_EQ(RunAndState(Case, C.get()), Case.Expected);
        EXPECT_TRUE(RunningInside);
        EXPECT_EQ(FromCallback, QStringLiteral("already running"));
        EXPECT_EQ(FromThread, QStringLiteral("already running"));
        // The run is over: the component runs again.
        EXPECT_FALSE(C->Running());
        Case.Record(C.get(), [](const QString&) {});
        EXPECT_EQ(RunAndState(Case, C.get()), Case.Expected);
    }
}
