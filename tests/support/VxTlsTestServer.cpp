#include "VxTlsTestServer.h"

#include "web_peers.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxtest {

bool TTlsTestConnection::Fill(int TimeoutMs)
{
    if (FSocket->bytesAvailable() == 0 && !FSocket->waitForReadyRead(TimeoutMs))
        return false;
    FBuffer += FSocket->readAll();
    return true;
}

QByteArray TTlsTestConnection::ReadUntil(const QByteArray& Delimiter, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    qsizetype At;
    while ((At = FBuffer.indexOf(Delimiter)) < 0) {
        if (Deadline.hasExpired() || !Fill(int(Deadline.remainingTime())))
            break;
    }
    const qsizetype End = At < 0 ? FBuffer.size() : At + Delimiter.size();
    const QByteArray Out = FBuffer.left(End);
    FBuffer.remove(0, End);
    return Out;
}

QByteArray TTlsTestConnection::ReadCount(int Count, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    while (FBuffer.size() < Count) {
        if (Deadline.hasExpired() || !Fill(int(Deadline.remainingTime())))
            break;
    }
    const QByteArray Out = FBuffer.left(Count);
    FBuffer.remove(0, Out.size());
    return Out;
}

bool TTlsTestConnection::Send(const QByteArray& Data)
{
    if (FSocket->write(Data) != Data.size())
        return false;
    while (FSocket->encryptedBytesToWrite() > 0 || FSocket->bytesToWrite() > 0)
        if (!FSocket->waitForBytesWritten(5000))
            return false;
    return true;
}

TTlsTestServer::TTlsTestServer(Script S, int MaxConnections) : FScript(std::move(S))
{
    if (!FDir.isValid() || !MakeTestCertificates(FDir.path(), FError))
        return;
    FListenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Len = sizeof A;
    if (FListenFd < 0 || ::bind(FListenFd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0 ||
        ::listen(FListenFd, 8) != 0 || ::getsockname(FListenFd, reinterpret_cast<sockaddr*>(&A), &Len) != 0) {
        FError = QStringLiteral("cannot listen on 127.0.0.1");
        return;
    }
    FPort = ntohs(A.sin_port);
    // A QThread, so that the sockets made on it have an event dispatcher to wait with.
    FThread = QThread::create([this, MaxConnections] { Run(MaxConnections); });
    FThread->start();
}

TTlsTestServer::~TTlsTestServer()
{
    FStop = true;
    if (FThread) {
        FThread->wait(30000);
        delete FThread;
    }
    if (FListenFd >= 0)
        ::close(FListenFd);
}

void TTlsTestServer::Run(int MaxConnections)
{
    QFile CertFile(FDir.path() + QStringLiteral("/server.crt"));
    QFile KeyFile(FDir.path() + QStringLiteral("/server.key"));
    CertFile.open(QIODevice::ReadOnly);
    KeyFile.open(QIODevice::ReadOnly);
    const QSslCertificate Cert(&CertFile, QSsl::Pem);
    const QSslKey Key(&KeyFile, QSsl::Ec, QSsl::Pem);
    QDeadlineTimer Deadline(60000);
    for (int Served = 0; Served < MaxConnections && !FStop && !Deadline.hasExpired();) {
        pollfd P{FListenFd, POLLIN, 0};
        if (::poll(&P, 1, 100) <= 0)
            continue;
        const int Fd = ::accept(FListenFd, nullptr, nullptr);
        if (Fd < 0)
            continue;
        ++Served;
        QSslSocket Socket;
        if (!Socket.setSocketDescriptor(Fd)) {
            ::close(Fd);
            continue;
        }
        Socket.setLocalCertificate(Cert);
        Socket.setPrivateKey(Key);
        Socket.setPeerVerifyMode(QSslSocket::VerifyNone);
        Socket.startServerEncryption();
        if (!Socket.waitForEncrypted(5000))
            continue;
        ++FConnections;
        TTlsTestConnection C(&Socket);
        FScript(C);
        Socket.disconnectFromHost();
        if (Socket.state() != QAbstractSocket::UnconnectedState)
            Socket.waitForDisconnected(1000);
    }
}

}  // namespace vxtest
