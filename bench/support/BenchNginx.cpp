#include "support/BenchNginx.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>

namespace {

int FreePort()
{
    QTcpServer S;
    S.listen(QHostAddress::LocalHost, 0);
    return S.serverPort();
}

bool WaitForPort(int Port)
{
    for (int I = 0; I < 200; ++I) {
        QTcpSocket S;
        S.connectToHost(QHostAddress::LocalHost, quint16(Port));
        if (S.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool Run(const QString& Program, const QStringList& Args, const QString& Dir)
{
    QProcess P;
    P.setWorkingDirectory(Dir);
    P.setProcessChannelMode(QProcess::MergedChannels);
    P.start(Program, Args);
    if (!P.waitForFinished(60000) || P.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(Program), P.readAll().constData());
        return false;
    }
    return true;
}

}  // namespace

TBenchNginx::~TBenchNginx()
{
    if (FServer.state() != QProcess::NotRunning) {
        FServer.terminate();
        if (!FServer.waitForFinished(5000))
            FServer.kill();
        FServer.waitForFinished(5000);
    }
}

bool TBenchNginx::Start(const QString& Dir, bool Https, bool Log)
{
    FDir = Dir;
    QDir().mkpath(Dir + QStringLiteral("/temp"));
    const QString Nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin")});
    if (Nginx.isEmpty()) {
        std::fprintf(stderr, "nginx is not installed\n");
        return false;
    }
    QString Tls;
    HttpPort = FreePort();
    if (Https) {
        // One self-signed certificate for 127.0.0.1, trusted as its own CA.
        CertFile = Dir + QStringLiteral("/server.crt");
        if (!Run(QStringLiteral("openssl"),
                 {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                  QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                  QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                  QStringLiteral("server.crt"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                  QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                  QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost")},
                 Dir))
            return false;
        HttpsPort = FreePort();
        Tls = QStringLiteral("    listen 127.0.0.1:%1 ssl;\n    ssl_certificate %2/server.crt;\n"
                             "    ssl_certificate_key %2/server.key;\n")
                  .arg(HttpsPort)
                  .arg(Dir);
    }
    const QString Logging = Log ? QStringLiteral("  log_format conn '$connection $request $status';\n"
                                                 "  access_log %1/access.log conn;\n")
                                      .arg(Dir)
                                : QStringLiteral("  access_log off;\n");
    QFile Conf(Dir + QStringLiteral("/nginx.conf"));
    if (!Conf.open(QIODevice::WriteOnly))
        return false;
    Conf.write(QStringLiteral("daemon off;\nmaster_process off;\nworker_processes 1;\n"
                              "error_log %1/error.log;\npid %1/nginx.pid;\nevents { worker_connections 64; }\n"
                              "http {\n%3  sendfile on;\n  if_modified_since before;\n  client_body_temp_path %1/temp/b;\n"
                              "  proxy_temp_path %1/temp/p;\n  fastcgi_temp_path %1/temp/f;\n"
                              "  uwsgi_temp_path %1/temp/u;\n  scgi_temp_path %1/temp/s;\n"
                              "  server {\n    listen 127.0.0.1:%2;\n%4    root %1/www;\n  }\n}\n")
                   .arg(Dir)
                   .arg(HttpPort)
                   .arg(Logging, Tls)
                   .toUtf8());
    Conf.close();
    FServer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FServer.start(Nginx, {QStringLiteral("-p"), Dir, QStringLiteral("-c"), Conf.fileName()});
    if (!FServer.waitForStarted(10000) || !WaitForPort(HttpPort) || (Https && !WaitForPort(HttpsPort))) {
        std::fprintf(stderr, "nginx did not start\n");
        return false;
    }
    return true;
}

long TBenchNginx::MarkConnection()
{
    QTcpSocket S;
    S.connectToHost(QHostAddress::LocalHost, quint16(HttpPort));
    if (!S.waitForConnected(5000))
        return -1;
    S.write("GET /mark HTTP/1.0\r\n\r\n");
    while (S.waitForReadyRead(5000))
        S.readAll();
    // nginx writes the line when the request ends, before it closes the connection.
    QFile L(FDir + QStringLiteral("/access.log"));
    if (!L.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> Lines = L.readAll().trimmed().split('\n');
    const QList<QByteArray> Fields = Lines.isEmpty() ? QList<QByteArray>() : Lines.last().split(' ');
    return Fields.size() > 2 && Fields.at(2) == "/mark" ? Fields.at(0).toLong() : -1;
}
