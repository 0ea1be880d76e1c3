#include "vx_process.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace vxtest {

namespace {

VxResult Run(const QStringList& Args, const QByteArray& Input, const QProcessEnvironment& Env,
             const std::function<bool()>& Ready, int Signal)
{
    VxResult R;
    QProcess P;
    P.setProgram(QStringLiteral(VX_TOOL_PATH));
    P.setArguments(Args);
    P.setProcessEnvironment(Env);
    P.setChildProcessModifier([] { ::setsid(); });
    P.start();
    if (!P.waitForStarted(10000)) {
        ADD_FAILURE() << "vx did not start: " << P.errorString().toStdString();
        return R;
    }
    P.write(Input);
    P.closeWriteChannel();
    if (Ready) {
        QDeadlineTimer Deadline(20000);
        while (!Ready() && !Deadline.hasExpired() && P.state() == QProcess::Running)
            P.waitForFinished(20);
        if (!Ready())
            ADD_FAILURE() << "vx never got to the point to be signalled: " << Args.join(QLatin1Char(' ')).toStdString();
        else
            ::kill(static_cast<pid_t>(P.processId()), Signal);
    }
    if (P.state() != QProcess::NotRunning && !P.waitForFinished(60000)) {
        P.kill();
        P.waitForFinished(5000);
        ADD_FAILURE() << "vx did not finish: " << Args.join(QLatin1Char(' ')).toStdString();
        return R;
    }
    R.Status = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    R.Out = P.readAllStandardOutput();
    R.Err = P.readAllStandardError();
    return R;
}

}  // namespace

VxResult RunVxBinary(const QStringList& Args, const QByteArray& Input, const QProcessEnvironment& Env)
{
    return Run(Args, Input, Env, {}, 0);
}

VxResult RunVxBinaryUntil(const QStringList& Args, const std::function<bool()>& Ready, int Signal,
                          const QProcessEnvironment& Env)
{
    return Run(Args, {}, Env, Ready, Signal);
}

}  // namespace vxtest
