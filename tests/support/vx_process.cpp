#include "vx_process.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <unistd.h>

namespace vxtest {

VxResult RunVxBinary(const QStringList& Args, const QByteArray& Input, const QProcessEnvironment& Env)
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
    if (!P.waitForFinished(60000)) {
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

}  // namespace vxtest
