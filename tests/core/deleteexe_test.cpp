#include "platform/VxProcess.h"
#include <vedidoredo/vxiutil.h>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>

namespace {

// A copy of this test program started with this variable set asks to be deleted and
// exits at once, before any test runs.
const char* const ChildVariable = "VX_TEST_DELETE_EXE_CHILD";

[[maybe_unused]] const bool ChildRun = [] {
    if (qEnvironmentVariableIsEmpty(ChildVariable))
        return false;
    DeleteExe();
    std::_Exit(0);
}();

}  // namespace

TEST(DeleteExe, RemovesTheProgramAndTheScriptAfterTheProgramExits)
{
    QTemporaryDir Temp;
    ASSERT_TRUE(Temp.isValid());
    // Quotes, spaces, "$", backquotes and a line feed all have to reach the script intact.
    const QString Dir = Temp.path() + QStringLiteral("/it's a \"dir\" $HOME `id`\nx");
    ASSERT_TRUE(QDir().mkpath(Dir));
    const QString Exe = Dir + QStringLiteral("/self copy");
    ASSERT_TRUE(QFile::copy(VxExecutablePath(), Exe));
    // A decoy that a badly quoted "rm" of the copy would take with it.
    QFile Decoy(Dir + QStringLiteral("/self"));
    ASSERT_TRUE(Decoy.open(QIODevice::WriteOnly));
    Decoy.close();

    QProcess Child;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert(QString::fromLatin1(ChildVariable), QStringLiteral("1"));
    Child.setProcessEnvironment(Env);
    Child.start(Exe, {});
    ASSERT_TRUE(Child.waitForFinished(60000));
    EXPECT_EQ(Child.exitCode(), 0) << Child.readAllStandardError().toStdString();

    // The script runs on its own; give it a bounded while to finish.
    const QString Script = Dir + QStringLiteral("/self copy.sh");
    const QDeadlineTimer Deadline(30000);
    while ((QFile::exists(Exe) || QFile::exists(Script)) && !Deadline.hasExpired())
        QThread::msleep(50);
    EXPECT_FALSE(QFile::exists(Exe));
    EXPECT_FALSE(QFile::exists(Script));
    EXPECT_EQ(QDir(Dir).entryList(QDir::Files), QStringList{QStringLiteral("self")});
}
