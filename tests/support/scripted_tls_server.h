// A scripted TLS server on 127.0.0.1 for byte-for-byte tests of HTTPS clients: the
// scripted TCP server with a TLS handshake on each accepted connection. Its certificate
// comes from a CA made at start (MakeTestCertificates); CaFile() is the CA to trust.
#pragma once

#include "support/scripted_server.h"

#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTemporaryDir>

namespace vxtest {

class TScriptedTlsServer : public TScriptedServer {
public:
    // Serves the first MaxConnections connections one after the other; stops accepting
    // 60 s after it started. Connections() counts those that completed the handshake.
    explicit TScriptedTlsServer(Script S, int MaxConnections = 1);
    ~TScriptedTlsServer() override;

    // False when the certificates or the listening socket could not be made (see Error).
    bool Started() const { return FError.isEmpty(); }
    QString Error() const { return FError; }
    QString CaFile() const { return FDir.path() + QStringLiteral("/ca.crt"); }

private:
    std::unique_ptr<TConnection> Handshake(int Fd) const;
    QTemporaryDir FDir;
    QString FError;
    QSslCertificate FCertificate;
    QSslKey FKey;
};

}  // namespace vxtest
