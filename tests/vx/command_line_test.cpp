// vx's top level: help, unknown commands, and the real binary's exit statuses.
#include "tool_harness.h"
#include "support/scripted_server.h"
#include "support/test_files.h"

#include <QDirIterator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

TEST(VxCommandLine, HelpListsTheCommandsTheRunFormAndTheClasses)
{
    // Without any argument the same text is a usage error, on standard error.
    for (const QStringList& Args : {QStringList{}, QStringList{"--help"}, QStringList{"-h"}, QStringList{"help"}}) {
        VxResult R = RunVx(Args);
        EXPECT_EQ(R.Status, Args.isEmpty() ? 64 : 0);
        if (Args.isEmpty())
            std::swap(R.Out, R.Err);
        EXPECT_TRUE(R.Err.isEmpty());
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

TEST(VxBinary, SignalsEndACommandWithItsTemporaryFilesRemoved)
{
    // A server that sends the head and a part of a long body, then nothing more.
    vxtest::TScriptedServer Server(
        [](vxtest::TConnection& C) {
            C.ReadUntil("\r\n\r\n");
            C.Send("HTTP/1.0 200 OK\r\nContent-Length: 10000000\r\n\r\n" + QByteArray(300000, 'x'));
            C.ReadAll(25000);  // until vx is gone
        },
        vxtest::TScriptedServer::Unlimited, vxtest::TScriptedServer::Concurrently);
    const QString Url = QStringLiteral("http://127.0.0.1:%1/file").arg(Server.Port());
    QTemporaryDir Dir, TempDir;
    const QString Local = Dir.filePath(QStringLiteral("file.bin"));
    ASSERT_TRUE(WriteFile(Local, "old"));
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert(QStringLiteral("TMPDIR"), TempDir.path());
    // Done once a file of the command's own under Where holds data.
    const auto Writing = [](const QString& Where, const QString& Pattern) {
        return [=] {
            QDirIterator It(Where, {Pattern}, QDir::Files | QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden,
                            QDirIterator::Subdirectories);
            while (It.hasNext()) {
                const QFileInfo Info(It.next());
                if (Info.isFile() && Info.size() > 0)
                    return true;
            }
            return false;
        };
    };
    struct Row {
        QStringList Args;
        QString Where, Pattern;
        int Signal, Status;
    } Rows[] = {
        {{"update", Url, Local}, Dir.path(), "file.bin.~vx*", SIGINT, 130},   // the file beside the target
        {{"rss", Url}, TempDir.path(), "*.~vx*", SIGTERM, 143},              // a private folder in TMPDIR
    };
    for (const Row& R : Rows) {
        const VxResult V = vxtest::RunVxBinaryUntil(R.Args, Writing(R.Where, R.Pattern), R.Signal, Env);
        EXPECT_EQ(V.Status, R.Status) << R.Args.join(' ').toStdString() << V.Err.toStdString();
    }
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"file.bin"}));
    EXPECT_EQ(ReadFile(Local), QByteArray("old"));
    EXPECT_TRUE(QDir(TempDir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}
