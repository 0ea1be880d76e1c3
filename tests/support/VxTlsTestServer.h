// A scripted TLS server on 127.0.0.1 for byte-for-byte tests of HTTPS clients. Its
// certificate comes from a CA made at start (MakeTestCertificates); CaFile() is the CA to
// trust. Each of the first MaxConnections connections is served, one after the other,
// by the script on a thread of its own. Every wait is bounded.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QSslSocket;
class QThread;

namespace vxtest {

// One accepted connection after the handshake, as seen by a server script.
class TTlsTestConnection {
public:
    explicit TTlsTestConnection(QSslSocket* Socket) : FSocket(Socket) {}
    // Reads until Delimiter has arrived (returned with it), the peer closes or the time is up.
    QByteArray ReadUntil(const QByteArray& Delimiter, int TimeoutMs = 5000);
    // Reads exactly Count bytes unless the peer closes or the time is up.
    QByteArray ReadCount(int Count, int TimeoutMs = 5000);
    bool Send(const QByteArray& Data);

private:
    bool Fill(int TimeoutMs);
    QSslSocket* FSocket;
    QByteArray FBuffer;
};

class TTlsTestServer {
public:
    using Script = std::function<void(TTlsTestConnection&)>;
    explicit TTlsTestServer(Script S, int MaxConnections = 1);
    ~TTlsTestServer();  // stops accepting and waits for the script to end

    // False when the certificates or the listening socket could not be made (see Error).
    bool Started() const { return FPort != 0; }
    QString Error() const { return FError; }
    quint16 Port() const { return FPort; }
    QString CaFile() const { return FDir.path() + QStringLiteral("/ca.crt"); }
    // Connections that completed the handshake so far.
    int Connections() const { return FConnections; }

private:
    void Run(int MaxConnections);
    Script FScript;
    QTemporaryDir FDir;
    QString FError;
    int FListenFd = -1;
    quint16 FPort = 0;
    std::atomic<int> FConnections{0};
    std::atomic<bool> FStop{false};
    QThread* FThread = nullptr;
};

}  // namespace vxtest
