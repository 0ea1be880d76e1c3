#include "peer_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>

namespace vxtest {

namespace {
// The log in a peer's directory.
const QString LogName = QStringLiteral("peer-output.log");
}  // namespace

quint16 FreeLocalPort()
{
    for (int Try = 0; Try < 50; ++Try) {
        QTcpSocket Tcp;
        if (!Tcp.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress))
            continue;
        QUdpSocket Udp;
        if (Udp.bind(QHostAddress::LocalHost, Tcp.localPort(), QAbstractSocket::DontShareAddress))
            return Tcp.localPort();
    }
    return 0;
}

bool WaitForLocalPort(int Port, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    while (!Deadline.hasExpired()) {
        QTcpSocket S;
        S.connectToHost(QHostAddress::LocalHost, quint16(Port));
        if (S.waitForConnected(200)) {
            S.abort();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

QString FindProgram(const QString& Name)
{
    const QString OnPath = QStandardPaths::findExecutable(Name);
    if (!OnPath.isEmpty())
        return OnPath;
    return QStandardPaths::findExecutable(Name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                                 QStringLiteral("/sbin"), QStringLiteral("/bin")});
}

bool RunTool(const QString& Program, const QStringList& Args, const QString& WorkDir, QString* Output,
             int TimeoutMs)
{
    QProcess P;
    P.setWorkingDirectory(WorkDir);
    P.setProcessChannelMode(QProcess::MergedChannels);
    P.start(Program, Args);
    if (!P.waitForStarted(10000))
        return false;
    if (!P.waitForFinished(TimeoutMs)) {
        P.kill();
        P.waitForFinished(5000);
        return false;
    }
    if (Output)
        *Output = QString::fromUtf8(P.readAll());
    return P.exitStatus() == QProcess::NormalExit && P.exitCode() == 0;
}

TPeerProcess::~TPeerProcess()
{
    Stop();
}

QString TPeerProcess::WriteFile(const QString& Name, const QByteArray& Content) const
{
    const QString Path = FDir.filePath(Name);
    QFile F(Path);
    if (F.open(QIODevice::WriteOnly | QIODevice::Truncate))
        F.write(Content);
    return Path;
}

bool TPeerProcess::Start(const QString& Program, const QStringList& Args)
{
    Stop();
    if (!FDir.isValid())
        return false;
    FProcess = std::make_unique<QProcess>();
    FProcess->setWorkingDirectory(FDir.path());
    FProcess->setProcessChannelMode(QProcess::MergedChannels);
    FProcess->setStandardInputFile(QProcess::nullDevice());
    FProcess->setStandardOutputFile(FDir.filePath(LogName));
    FProcess->start(Program, Args);
    return FProcess->waitForStarted(10000);
}

bool TPeerProcess::StartListening(const QString& Program, int PortCount,
                                  const std::function<QStringList(const QList<quint16>& Ports)>& Configure,
                                  QString& Error, int WaitMs)
{
    const QString Name = QFileInfo(Program).fileName();
    for (int Attempt = 0; Attempt < 5; ++Attempt) {
        QList<quint16> Ports;
        for (int I = 0; I < PortCount; ++I)
            Ports << FreeLocalPort();
        if (!Start(Program, Configure(Ports))) {
            Error = Name + QStringLiteral(" did not start");
            return false;
        }
        bool Listening = true;
        for (quint16 Port : Ports)
            Listening = Listening && WaitForLocalPort(Port, WaitMs);
        if (Listening)
            return true;
        Stop();
    }
    Error = Name + QStringLiteral(" did not listen: ") + Log();
    return false;
}

bool TPeerProcess::Running()
{
    // Without an event loop the process's end is only seen by waiting for it.
    return FProcess && FProcess->state() != QProcess::NotRunning && !FProcess->waitForFinished(0);
}

void TPeerProcess::Stop()
{
    if (!FProcess)
        return;
    if (FProcess->state() != QProcess::NotRunning) {
        FProcess->terminate();
        if (!FProcess->waitForFinished(5000)) {
            FProcess->kill();
            FProcess->waitForFinished(5000);
        }
    }
    FProcess.reset();
}

QString TPeerProcess::Log() const
{
    QFile F(FDir.filePath(LogName));
    return F.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(F.readAll()) : QString();
}

}  // namespace vxtest
