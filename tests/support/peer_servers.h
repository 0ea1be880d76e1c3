// Real servers for the web integration tests, started from their Debian packages on
// 127.0.0.1 with configuration written into the directory of their TPeerProcess, and
// stopped when the object is destroyed: nginx, apache2 and lighttpd (HTTP and HTTPS with
// a CA and a certificate made by openssl), pyftpdlib and vsftpd (FTP), tinyproxy and
// squid (HTTP proxies with basic authentication). Every wait is bounded. Start() returns false with a reason in Error when the
// package is missing or the server did not come up.
#pragma once

#include "support/peer_process.h"

#include <QString>
#include <QStringList>

namespace vxtest {

// nginx serving Root over HTTP and HTTPS. /private/ asks for basic authentication
// (User / Password); /error500 answers 500. The CA that signed the server's
// certificate (for 127.0.0.1 and localhost) is in CaFile.
class TNginxPeer {
public:
    bool Start(const QString& Root, const QString& User = QStringLiteral("user"),
               const QString& Password = QStringLiteral("secret"));
    int HttpPort = 0;
    int HttpsPort = 0;
    QString CaFile;
    QString Error;

private:
    TPeerProcess FProcess;
};

// pyftpdlib run with /usr/bin/python3: one user, and "anonymous" with the password
// "anonymous@", with read access to Root, except the directories in Locked (relative to
// Root), which cannot be entered or listed.
class TFtpPeer {
public:
    bool Start(const QString& Root, const QString& User = QStringLiteral("user"),
               const QString& Password = QStringLiteral("secret"), const QStringList& Locked = {});
    int Port = 0;
    QString Error;

private:
    TPeerProcess FProcess;
};

// tinyproxy or squid (with basic_ncsa_auth) asking for basic authentication.
class TProxyPeer {
public:
    enum TServer { Tinyproxy, Squid };
    bool Start(const QString& User = QStringLiteral("proxyuser"),
               const QString& Password = QStringLiteral("proxypass"), TServer Server = Tinyproxy);
    int Port = 0;
    QString Error;

private:
    TPeerProcess FProcess;
};

// apache2 or lighttpd serving Root over HTTPS only, with a certificate for 127.0.0.1
// and localhost signed by a CA made here (in CaFile). Root is made readable to the
// server's own user, which apache2 switches to when started as root.
class THttpsPeer {
public:
    enum TServer { Apache, Lighttpd };
    bool Start(TServer Server, const QString& Root);
    int HttpsPort = 0;
    QString CaFile;
    QString Error;

private:
    TPeerProcess FProcess;
};

// vsftpd with one local system user made here (useradd; removed again when the object
// goes), not chrooted: the user logs in to a home directory of its own and sees the
// whole tree. Creating a user needs root: Start returns false with NotRoot set otherwise.
class TVsftpdPeer {
public:
    ~TVsftpdPeer();
    bool Start(const QString& Password);
    int Port = 0;
    QString User;  // a fresh name
    QString Home;  // the login directory
    QString Error;
    bool NotRoot = false;

private:
    TPeerProcess FProcess;
};

}  // namespace vxtest
