#include "scripted_tls_server.h"

#include "support/test_certificates.h"

#include <QFile>
#include <QSslSocket>

#include <unistd.h>

namespace vxtest {

namespace {

// An encrypted connection; the socket is made and its handshake done on the script's thread.
class TTlsConnection : public TConnection {
public:
    explicit TTlsConnection(std::unique_ptr<QSslSocket> Socket) : FSocket(std::move(Socket)) {}
    ~TTlsConnection() override { Close(); }

    bool Send(const QByteArray& Data) override
    {
        if (FSocket->write(Data) != Data.size())
            return false;
        while (FSocket->encryptedBytesToWrite() > 0 || FSocket->bytesToWrite() > 0)
            if (!FSocket->waitForBytesWritten(5000))
                return false;
        return true;
    }

    void Close() override
    {
        if (FSocket->state() == QAbstractSocket::UnconnectedState)
            return;
        FSocket->disconnectFromHost();
        if (FSocket->state() != QAbstractSocket::UnconnectedState)
            FSocket->waitForDisconnected(1000);
    }

protected:
    qsizetype Receive(QByteArray& Into, int TimeoutMs) override
    {
        if (FSocket->bytesAvailable() == 0 && !FSocket->waitForReadyRead(TimeoutMs))
            return FSocket->state() == QAbstractSocket::ConnectedState ? 0 : -1;
        const QByteArray Got = FSocket->readAll();
        Into += Got;
        return Got.size();
    }

private:
    std::unique_ptr<QSslSocket> FSocket;
};

}  // namespace

TScriptedTlsServer::TScriptedTlsServer(Script S, int MaxConnections)
    : TScriptedServer(std::move(S), MaxConnections, OneAtATime, 60000)
{
    if (!FDir.isValid() || !MakeTestCertificates(FDir.path(), FError)) {
        if (FError.isEmpty())
            FError = QStringLiteral("no temporary directory");
        return;
    }
    if (Port() == 0) {
        FError = QStringLiteral("cannot listen on 127.0.0.1");
        return;
    }
    QFile CertFile(FDir.path() + QStringLiteral("/server.crt"));
    QFile KeyFile(FDir.path() + QStringLiteral("/server.key"));
    CertFile.open(QIODevice::ReadOnly);
    KeyFile.open(QIODevice::ReadOnly);
    FCertificate = QSslCertificate(&CertFile, QSsl::Pem);
    FKey = QSslKey(&KeyFile, QSsl::Ec, QSsl::Pem);
    Start([this](int Fd) { return Handshake(Fd); });
}

TScriptedTlsServer::~TScriptedTlsServer()
{
    Stop();
}

std::unique_ptr<TConnection> TScriptedTlsServer::Handshake(int Fd) const
{
    auto Socket = std::make_unique<QSslSocket>();
    if (!Socket->setSocketDescriptor(Fd)) {
        ::close(Fd);
        return nullptr;
    }
    Socket->setLocalCertificate(FCertificate);
    Socket->setPrivateKey(FKey);
    Socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    Socket->startServerEncryption();
    if (!Socket->waitForEncrypted(5000))
        return nullptr;
    return std::make_unique<TTlsConnection>(std::move(Socket));
}

}  // namespace vxtest
