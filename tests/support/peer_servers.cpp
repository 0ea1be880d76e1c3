#include "peer_servers.h"

#include "support/peer_process.h"
#include "support/test_certificates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>

namespace vxtest {

namespace {
const auto OpenToOthers = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

// The logs a server wrote into Dir besides its output, for the reason of a failure.
QString LogsOf(const QString& Dir, const QStringList& Names)
{
    QString Text;
    for (const QString& N : Names) {
        QFile F(Dir + QLatin1Char('/') + N);
        if (F.open(QIODevice::ReadOnly))
            Text += QString::fromUtf8(F.readAll());
    }
    return Text;
}

bool StartSquid(const QString& D, TPeerProcess& FProcess, const QString& User, const QString& Password, int& Port,
                QString& Error)
{
    const QString Squid = FindProgram(QStringLiteral("squid"));
    const QString Helper = QStringLiteral("/usr/lib/squid/basic_ncsa_auth");
    if (Squid.isEmpty() || !QFileInfo(Helper).isExecutable()) {
        Error = QStringLiteral("squid is not installed");
        return false;
    }
    // Started as root, squid works as its own user: its logs are written into D.
    QFile::setPermissions(D, OpenToOthers | QFile::WriteGroup | QFile::WriteOther);
    QString Hash;
    if (!RunTool(QStringLiteral("openssl"), {QStringLiteral("passwd"), QStringLiteral("-apr1"), Password}, D, &Hash)) {
        Error = QStringLiteral("openssl passwd failed: ") + Hash;
        return false;
    }
    FProcess.WriteFile(QStringLiteral("passwd"), User + QLatin1Char(':') + Hash.trimmed() + QLatin1Char('\n'));
    const auto Configure = [&](const QList<quint16>& Ports) {
        Port = Ports[0];
        FProcess.WriteFile(QStringLiteral("squid.conf"),
                           QStringLiteral("http_port 127.0.0.1:%1\nvisible_hostname localhost\n"
                                          "auth_param basic program %3 %2/passwd\nauth_param basic realm vx\n"
                                          "acl login proxy_auth REQUIRED\nhttp_access allow login\nhttp_access deny all\n"
                                          "cache deny all\naccess_log none\ncache_log %2/cache.log\npid_filename none\n"
                                          "coredump_dir %2\nshutdown_lifetime 0 seconds\n")
                               .arg(Port)
                               .arg(D, Helper));
        return QStringList{QStringLiteral("-N"), QStringLiteral("-f"), D + QStringLiteral("/squid.conf")};
    };
    if (FProcess.StartListening(Squid, 1, Configure, Error, 20000))
        return true;
    Error += LogsOf(D, {QStringLiteral("cache.log")});
    return false;
}

}  // namespace

bool TNginxPeer::Start(const QString& Root, const QString& User, const QString& Password)
{
    const QString Nginx = FindProgram(QStringLiteral("nginx"));
    const QString OpenSsl = FindProgram(QStringLiteral("openssl"));
    if (Nginx.isEmpty() || OpenSsl.isEmpty()) {
        Error = QStringLiteral("nginx or openssl is not installed");
        return false;
    }
    const QString D = FProcess.Dir();
    if (D.isEmpty()) {
        Error = QStringLiteral("no temporary directory");
        return false;
    }
    if (!MakeTestCertificates(D, Error))
        return false;
    CaFile = D + QStringLiteral("/ca.crt");
    FProcess.WriteFile(QStringLiteral("htpasswd"), User + QStringLiteral(":{PLAIN}") + Password + QLatin1Char('\n'));
    QDir().mkpath(D + QStringLiteral("/temp"));

    const auto Configure = [&](const QList<quint16>& Ports) {
        HttpPort = Ports[0];
        HttpsPort = Ports[1];
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
        FProcess.WriteFile(QStringLiteral("nginx.conf"), Conf);
        return QStringList{QStringLiteral("-p"), D, QStringLiteral("-c"), D + QStringLiteral("/nginx.conf")};
    };
    if (FProcess.StartListening(Nginx, 2, Configure, Error))
        return true;
    Error += LogsOf(D, {QStringLiteral("error.log")});
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
    const QString D = FProcess.Dir();
    QString Script = QStringLiteral(
        "import sys\n"
        "from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer\n"
        "from pyftpdlib.handlers import FTPHandler\n"
        "from pyftpdlib.servers import FTPServer\n"
        "root, user, password, port = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])\n"
        "class Authorizer(DummyAuthorizer):\n"
        "    def validate_authentication(self, username, password, handler):\n"
        "        if username == 'anonymous' and password != 'anonymous@':\n"
        "            raise AuthenticationFailed('Anonymous logins give anonymous@')\n"
        "        DummyAuthorizer.validate_authentication(self, username, password, handler)\n"
        "a = Authorizer()\n"
        "a.add_user(user, password, root, perm='elr')\n"
        "a.add_anonymous(root)\n"
        "for d in sys.argv[5:]:\n"
        "    for u in (user, 'anonymous'):\n"
        "        a.override_perm(u, root + '/' + d, '', recursive=True)\n"
        "class Handler(FTPHandler):\n"
        "    authorizer = a\n"
        "    permit_foreign_addresses = False\n"
        "server = FTPServer(('127.0.0.1', port), Handler)\n"
        "server.serve_forever(timeout=0.5)\n");
    FProcess.WriteFile(QStringLiteral("ftpserver.py"), Script);
    return FProcess.StartListening(Python, 1, [&](const QList<quint16>& Ports) {
        Port = Ports[0];
        return QStringList{D + QStringLiteral("/ftpserver.py"), Root, User, Password, QString::number(Port)} + Locked;
    }, Error);
}

bool TProxyPeer::Start(const QString& User, const QString& Password, TServer Server)
{
    if (Server == Squid)
        return StartSquid(FProcess.Dir(), FProcess, User, Password, Port, Error);
    const QString Tinyproxy = FindProgram(QStringLiteral("tinyproxy"));
    if (Tinyproxy.isEmpty()) {
        Error = QStringLiteral("tinyproxy is not installed");
        return false;
    }
    const QString D = FProcess.Dir();
    return FProcess.StartListening(Tinyproxy, 1, [&](const QList<quint16>& Ports) {
        Port = Ports[0];
        const QString Conf = QStringLiteral(
                                 "Port %1\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\n"
                                 "LogFile \"%2/tinyproxy.log\"\nLogLevel Info\nPidFile \"%2/tinyproxy.pid\"\n"
                                 "Allow 127.0.0.1\nBasicAuth %3 %4\nDisableViaHeader Yes\n")
                                 .arg(Port)
                                 .arg(D, User, Password);
        FProcess.WriteFile(QStringLiteral("tinyproxy.conf"), Conf);
        return QStringList{QStringLiteral("-d"), QStringLiteral("-c"), D + QStringLiteral("/tinyproxy.conf")};
    }, Error);
}

bool THttpsPeer::Start(TServer Server, const QString& Root)
{
    const bool IsApache = Server == Apache;
    const QString Program = FindProgram(IsApache ? QStringLiteral("apache2") : QStringLiteral("lighttpd"));
    if (Program.isEmpty()) {
        Error = QStringLiteral("%1 is not installed").arg(IsApache ? "apache2" : "lighttpd");
        return false;
    }
    const QString D = FProcess.Dir();
    if (!MakeTestCertificates(D, Error))
        return false;
    CaFile = D + QStringLiteral("/ca.crt");
    // apache2 started as root serves as www-data: the tree must be readable to others.
    QFile::setPermissions(Root, OpenToOthers);
    QFile::setPermissions(D, OpenToOthers);
    const auto Configure = [&](const QList<quint16>& Ports) {
        HttpsPort = Ports[0];
        QString Conf;
        QStringList Args;
        if (IsApache) {
            const QString Mods = QStringLiteral("/usr/lib/apache2/modules/");
            Conf = QStringLiteral(
                       "ServerRoot %1\nServerName 127.0.0.1\nListen 127.0.0.1:%2\n"
                       "LoadModule mpm_prefork_module %3mod_mpm_prefork.so\n"
                       "LoadModule authz_core_module %3mod_authz_core.so\n"
                       "LoadModule socache_shmcb_module %3mod_socache_shmcb.so\n"
                       "LoadModule ssl_module %3mod_ssl.so\n"
                       "PidFile %1/apache2.pid\nDefaultRuntimeDir %1\nMutex file:%1 default\n"
                       "ErrorLog %1/error.log\nLogLevel warn\n"
                       "SSLSessionCache shmcb:%1/ssl_scache(51200)\n"
                       "DocumentRoot %4\n<Directory %4>\n  Require all granted\n</Directory>\n"
                       "SSLEngine on\nSSLCertificateFile %1/server.crt\nSSLCertificateKeyFile %1/server.key\n")
                       .arg(D)
                       .arg(HttpsPort)
                       .arg(Mods, Root);
            if (QFileInfo(D).ownerId() == 0)
                Conf += QStringLiteral("User www-data\nGroup www-data\n");
            FProcess.WriteFile(QStringLiteral("apache2.conf"), Conf);
            Args = {QStringLiteral("-X"), QStringLiteral("-f"), D + QStringLiteral("/apache2.conf")};
        } else {
            QFile Pem(D + QStringLiteral("/server.pem"));
            QFile Crt(D + QStringLiteral("/server.crt")), Key(D + QStringLiteral("/server.key"));
            if (Pem.open(QIODevice::WriteOnly) && Crt.open(QIODevice::ReadOnly) && Key.open(QIODevice::ReadOnly))
                Pem.write(Crt.readAll() + Key.readAll());
            Pem.close();
            Conf = QStringLiteral(
                       "server.document-root = \"%3\"\nserver.bind = \"127.0.0.1\"\nserver.port = %2\n"
                       "server.errorlog = \"%1/error.log\"\nserver.modules += (\"mod_openssl\")\n"
                       "ssl.engine = \"enable\"\nssl.pemfile = \"%1/server.pem\"\n")
                       .arg(D)
                       .arg(HttpsPort)
                       .arg(Root);
            FProcess.WriteFile(QStringLiteral("lighttpd.conf"), Conf);
            Args = {QStringLiteral("-D"), QStringLiteral("-f"), D + QStringLiteral("/lighttpd.conf")};
        }
        return Args;
    };
    if (FProcess.StartListening(Program, 1, Configure, Error))
        return true;
    Error += LogsOf(D, {QStringLiteral("error.log")});
    return false;
}

TVsftpdPeer::~TVsftpdPeer()
{
    FProcess.Stop();
    if (!User.isEmpty())
        RunTool(QStringLiteral("userdel"), {QStringLiteral("-f"), User}, FProcess.Dir());
}

bool TVsftpdPeer::Start(const QString& Password)
{
    const QString Vsftpd = FindProgram(QStringLiteral("vsftpd"));
    const QString UserAdd = FindProgram(QStringLiteral("useradd"));
    const QString D = FProcess.Dir();
    if (Vsftpd.isEmpty() || UserAdd.isEmpty()) {
        Error = QStringLiteral("vsftpd or useradd is not installed");
        return false;
    }
    if (QFileInfo(D).ownerId() != 0) {
        NotRoot = true;
        Error = QStringLiteral("a local FTP user can only be made by root");
        return false;
    }
    QFile::setPermissions(D, OpenToOthers);
    QString Hash;
    if (!RunTool(QStringLiteral("openssl"), {QStringLiteral("passwd"), QStringLiteral("-6"), Password}, D, &Hash)) {
        Error = QStringLiteral("openssl passwd failed: ") + Hash;
        return false;
    }
    const QString Name = QStringLiteral("vxftp%1").arg(QRandomGenerator::global()->bounded(100000, 999999));
    Home = D + QStringLiteral("/home");
    QString Out;
    if (!RunTool(UserAdd,
                 {QStringLiteral("-m"), QStringLiteral("-d"), Home, QStringLiteral("-s"), QStringLiteral("/bin/bash"),
                  QStringLiteral("-p"), Hash.trimmed(), Name},
                 D, &Out)) {
        Error = QStringLiteral("useradd failed: ") + Out;
        return false;
    }
    User = Name;
    QFile::setPermissions(Home, OpenToOthers);
    QDir().mkpath(D + QStringLiteral("/empty"));
    return FProcess.StartListening(Vsftpd, 1, [&](const QList<quint16>& Ports) {
        Port = Ports[0];
        FProcess.WriteFile(QStringLiteral("vsftpd.conf"),
                           QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\n"
                                          "background=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=NO\n"
                                          "chroot_local_user=NO\npam_service_name=vsftpd\nseccomp_sandbox=NO\n"
                                          "secure_chroot_dir=%2/empty\nxferlog_enable=NO\nvsftpd_log_file=%2/vsftpd.log\n")
                               .arg(Port)
                               .arg(D));
        return QStringList{D + QStringLiteral("/vsftpd.conf")};
    }, Error);
}

}  // namespace vxtest
