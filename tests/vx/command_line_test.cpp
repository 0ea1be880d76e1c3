// vx's top level: help, unknown commands, and the real binary's exit statuses.
#include "tool_harness.h"

#include <gtest/gtest.h>

TEST(VxCommandLine, HelpListsTheCommandsTheRunFormAndTheClasses)
{
    for (const QStringList& Args : {QStringList{}, QStringList{"--help"}, QStringList{"-h"}, QStringList{"help"}}) {
        const VxResult R = RunVx(Args);
        EXPECT_EQ(R.Status, 0);
        EXPECT_TRUE(R.Out.startsWith("usage: vx COMMAND")) << R.Out.toStdString();
        EXPECT_TRUE(R.Out.contains("\n  daytime [HOST[:PORT]] [--timeout SECONDS]\n"))
            << R.Out.toStdString();
        EXPECT_TRUE(R.Out.contains("vx run CLASS [NAME=VALUE ...] [--read PROPERTY | --call OPERATION] [--json]"));
        for (const char* Class : {"TVxInetDateTime", "TVxTestComponent", "TVxTestPlain", "TVxTestWebComponent"})
            EXPECT_TRUE(R.Out.contains(QLatin1String(Class))) << Class;
    }
}

TEST(VxCommandLine, EachCommandHasHelpFromItsRegistration)
{
    VxResult R = RunVx({"daytime", "--help"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.startsWith("usage: vx daytime [HOST[:PORT]] [--timeout SECONDS]\n\nthe date and time"));
    EXPECT_TRUE(R.Out.contains("--timeout SECONDS"));
    EXPECT_EQ(RunVx({"help", "daytime"}).Out, R.Out);
    R = RunVx({"run", "-h"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.contains("\\xHH"));
}

TEST(VxCommandLine, UnknownCommandsAndOptionsAreUsageErrors)
{
    for (const QStringList& Args : {QStringList{"frobnicate"}, QStringList{"--frobnicate"},
                                    QStringList{"help", "frobnicate"}, QStringList{"daytime", "--frobnicate"},
                                    QStringList{"daytime", "a", "b"}, QStringList{"daytime", "host:99999"},
                                    QStringList{"daytime", "host:"}, QStringList{"daytime", "--timeout", "-5"}}) {
        const VxResult R = RunVx(Args);
        EXPECT_EQ(R.Status, 64) << Args.join(' ').toStdString();
        EXPECT_TRUE(R.Err.startsWith("vx: ")) << R.Err.toStdString();
        EXPECT_EQ(R.Out, QByteArray());
    }
    EXPECT_TRUE(RunVx({"frobnicate"}).Err.contains("'frobnicate'"));
}

TEST(VxBinary, ExitStatusesOfTheRealTool)
{
    VxResult R = RunVxBinary({"--help"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.contains("TVxInetDateTime"));
    EXPECT_EQ(RunVxBinary({"frobnicate"}).Status, 64);
    R = RunVxBinary({"run", "TVxInetDateTime", "Nope=1"});
    EXPECT_EQ(R.Status, 64);
    EXPECT_TRUE(R.Err.contains("Nope"));
    EXPECT_EQ(RunVxBinary({"run", "TVxInetDateTime", "Port=thirteen"}).Status, 64);
    EXPECT_EQ(RunVxBinary({"run", "TVxNoSuchClass"}).Status, 64);
    // The test components live only in the test program.
    EXPECT_EQ(RunVxBinary({"run", "TVxTestComponent"}).Status, 64);
    R = RunVxBinary({"run", "TVxInetDateTime", "Port=13", "Proxy.Port=8080", "--read", "Proxy.Port"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out, QByteArray("8080\n"));
}
