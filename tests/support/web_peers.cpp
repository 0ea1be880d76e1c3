#include "web_peers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace vxtest {

namespace {

bool WriteText(const QString& Path, const QString& Text)
{
    QFile F(Path);
    if (!F.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return F.write(Text.toUtf8()) >= 0;
}

QString FindProgram(const QString& Name, const QStringList& Extra = {})
{
    const QString P = QStandardPaths::findExecutable(Name, Extra);
    return P.isEmpty() ? QStandardPaths::findExecutable(Name) : P;
}

}  // namespace

int FreeLocalPort()
{
    QTcpServer S;
    if (!S.listen(QHostAddress::LocalHost, 0))
        return 0;
    const int Port = S.serverPort();
    S.close();
    return Port;
}

bool WaitForLocalPort(int Port, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    while (!Deadline.hasExpired()) {
        QTcpSocket S;
        S.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(Port));
        if (S.waitForConnected(200)) {
            S.abort();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

TPeerProcess::~TPeerProcess()
{
    Stop();
}

bool TPeerProcess::Start(const QString& Program, const QStringList& Args, const QString& WorkDir)
{
    Stop();
    FProcess = std::make_unique<QProcess>();
    FProcess->setWorkingDirectory(WorkDir);
    FProcess->setProcessChannelMode(QProcess::MergedChannels);
    FProcess->setStandardOutputFile(WorkDir + QStringLiteral("/peer-output.log"));
    FProcess->start(Program, Args);
    return FProcess->waitForStarted(10000);
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

bool MakeTestCertificates(const QString& D, QString& Error)
{
    const QString OpenSsl = FindProgram(QStringLiteral("openssl"));
    if (OpenSsl.isEmpty()) {
        Error = QStringLiteral("openssl is not installed");
        return false;
    }
    // A CA, and a server certificate it signed for 127.0.0.1 and localhost.
    WriteText(D + QStringLiteral("/server.ext"),
              QStringLiteral("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n"
                             "extendedKeyUsage=serverAuth\nsubjectAltName=IP:127.0.0.1,DNS:localhost\n"));
    QString Out;
    const QStringList Ec = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    if (!RunTool(OpenSsl,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + Ec +
                     QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                                 QStringLiteral("ca.crt"), QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=VeDidoredo Test CA"),
                                 QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                                 QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                 D, &Out) ||
        !RunTool(OpenSsl,
                 QStringList{QStringLiteral("req")} + Ec +
                     QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                                 QStringLiteral("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")},
                 D, &Out) ||
        !RunTool(OpenSsl,
                 {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                  QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                  QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.crt"),
                  QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("server.ext")},
                 D, &Out)) {
        Error = QStringLiteral("openssl failed: ") + Out;
        return false;
    }
    return true;
}

bool TNginxPeer::Start(const QString& Root, const QString& User, const QString& Password)
{
    const QString Nginx = FindProgram(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin")});
    const QString OpenSsl = FindProgram(QStringLiteral("openssl"));
    if (Nginx.isEmpty() || OpenSsl.isEmpty()) {
        Error = QStringLiteral("nginx or openssl is not installed");
        return false;
    }
    if (!FDir.isValid()) {
        Error = QStringLiteral("no temporary directory");
        return false;
    }
    const QString D = FDir.path();
    if (!MakeTestCertificates(D, Error))
        return false;
    CaFile = D + QStringLiteral("/ca.crt");
    WriteText(D + QStringLiteral("/htpasswd"), User + QStringLiteral(":{PLAIN}") + Password + QLatin1Char('\n'));
    QDir().mkpath(D + QStringLiteral("/temp"));

    for (int Attempt = 0; Attempt < 5; ++Attempt) {
        HttpPort = FreeLocalPort();
        HttpsPort = FreeLocalPort();
        const QString Conf = QStringLiteral(
                                 "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                                 "error_log %1/error.log;\npid %1/nginx.pid;\n"
                                 "events { worker_connections 64; }\n"
                                 "http {\n"
                                 "  access_log %1/access.log;\n"
                                 "  client_body_temp_path %1/temp/body;\n  proxy_temp_path %1/temp/proxy;\n"
                                 "  fastcgi_temp_path %1/temp/fastcgi;\n  uwsgi_temp_path %1/temp/uwsgi;\n"
                                 "  scgi_temp_path %1/temp/scgi;\n"
                                 "  default_type application/octet-stream;\n"
                                 "  sendfile on;\n"
                                 "  server {\n"
                                 "    listen 127.0.0.1:%2;\n    listen 127.0.0.1:%3 ssl;\n"
                                 "    ssl_certificate %1/server.crt;\n    ssl_certificate_key %1/server.key;\n"
                                 "    root %4;\n"
                                 "    location /private/ { auth_basic \"private\"; auth_basic_user_file %1/htpasswd; }\n"
                                 "    location = /error500 { return 500 \"internal error page\"; }\n"
                                 "  }\n"
                                 "}\n")
                                 .arg(D)
                                 .arg(HttpPort)
                                 .arg(HttpsPort)
                                 .arg(Root);
        WriteText(D + QStringLiteral("/nginx.conf"), Conf);
        if (!FProcess.Start(Nginx, {QStringLiteral("-p"), D, QStringLiteral("-c"), D + QStringLiteral("/nginx.conf")},
                            D)) {
            Error = QStringLiteral("nginx did not start");
            return false;
        }
        if (WaitForLocalPort(HttpPort, 10000) && WaitForLocalPort(HttpsPort, 10000))
            return true;
        FProcess.Stop();  // most likely a port taken in the meantime: try others
    }
    QFile Log(D + QStringLiteral("/error.log"));
    Log.open(QIODevice::ReadOnly);
    Error = QStringLiteral("nginx did not listen: ") + QString::fromUtf8(Log.readAll());
    return false;
}

bool TFtpPeer::Start(const QString& Root, const QString& User, const QString& Password,
                     const QStringList& Locked)
{
    const QString Python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo(Python).isExecutable()) {
        Error = QStringLiteral("/usr/bin/python3 is missing");
        return false;
    }
    const QString D = FDir.path();
    QString Script = QStringLiteral(
        "import sys\n"
        "from pyftpdlib.authorizers import DummyAuthorizer\n"
        "from pyftpdlib.handlers import FTPHandler\n"
        "from pyftpdlib.servers import FTPServer\n"
        "root, user, password, port = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])\n"
        "a = DummyAuthorizer()\n"
        "a.add_user(user, password, root, perm='elr')\n"
        "for d in sys.argv[5:]:\n"
        "    a.override_perm(user, root + '/' + d, '', recursive=True)\n"
        "class Handler(FTPHandler):\n"
        "    authorizer = a\n"
        "    permit_foreign_addresses = False\n"
        "server = FTPServer(('127.0.0.1', port), Handler)\n"
        "server.serve_forever(timeout=0.5)\n");
    WriteText(D + QStringLiteral("/ftpserver.py"), Script);
    for (int Attempt = 0; Attempt < 5; ++Attempt) {
        Port = FreeLocalPort();
        if (!FProcess.Start(Python,
                            QStringList{D + QStringLiteral("/ftpserver.py"), Root, User, Password,
                                        QString::number(Port)} +
                                Locked,
                            D)) {
            Error = QStringLiteral("python3 did not start");
            return false;
        }
        if (WaitForLocalPort(Port, 10000))
            return true;
        FProcess.Stop();
    }
    QFile Log(D + QStringLiteral("/peer-output.log"));
    Log.open(QIODevice::ReadOnly);
    Error = QStringLiteral("pyftpdlib did not listen: ") + QString::fromUtf8(Log.readAll());
    return false;
}

bool TProxyPeer::Start(const QString& User, const QString& Password)
{
    const QString Tinyproxy = FindProgram(QStringLiteral("tinyproxy"), {QStringLiteral("/usr/sbin")});
    if (Tinyproxy.isEmpty()) {
        Error = QStringLiteral("tinyproxy is not installed");
        return false;
    }
    const QString D = FDir.path();
    for (int Attempt = 0; Attempt < 5; ++Attempt) {
        Port = FreeLocalPort();
        const QString Conf = QStringLiteral(
                                 "Port %1\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\n"
                                 "LogFile \"%2/tinyproxy.log\"\nLogLevel Info\nPidFile \"%2/tinyproxy.pid\"\n"
                                 "Allow 127.0.0.1\nBasicAuth %3 %4\nDisableViaHeader Yes\n")
                                 .arg(Port)
                                 .arg(D, User, Password);
        WriteText(D + QStringLiteral("/tinyproxy.conf"), Conf);
        if (!FProcess.Start(Tinyproxy, {QStringLiteral("-d"), QStringLiteral("-c"), D + QStringLiteral("/tinyproxy.conf")},
                            D)) {
            Error = QStringLiteral("tinyproxy did not start");
            return false;
        }
        if (WaitForLocalPort(Port, 10000))
            return true;
        FProcess.Stop();
    }
    QFile Log(D + QStringLiteral("/peer-output.log"));
    Log.open(QIODevice::ReadOnly);
    Error = QStringLiteral("tinyproxy did not listen: ") + QString::fromUtf8(Log.readAll());
    return false;
}

}  // namespace vxtest
