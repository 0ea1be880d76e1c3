#include "platform/VxDatagram.h"
#include "platform/VxHostLookup.h"
#include "platform/VxRunState.h"

#include <QDeadlineTimer>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>


namespace {

// Waits with Wait on Socket; cancelling the run going on on this thread ends the wait at
// once and raises EVxAborted.
template <class F>
bool CancellableWait(QAbstractSocket& Socket, F Wait)
{
    bool Ok = false;
    {
        TVxCancelWaker Waker(Socket.socketDescriptor());
        Ok = !VxRunCancelled() && Wait();
    }
    VxCheckCancelled();
    return Ok;
}

int Remaining(const QDeadlineTimer& Deadline)
{
    if (Deadline.isForever())
        return -1;
    return int(qMax<qint64>(0, Deadline.remainingTime()));
}

QDeadlineTimer MakeDeadline(int TimeoutMs)
{
    return TimeoutMs > 0 ? QDeadlineTimer(TimeoutMs) : QDeadlineTimer(QDeadlineTimer::Forever);
}

QString TimedOut(const QString& What)
{
    return QStringLiteral("%1: the operation timed out").arg(What);
}

}  // namespace

QHostAddress VxResolveHost(const QString& HostName, int TimeoutMs)
{
    if (HostName.isEmpty())
        throw EVxSocketError(QStringLiteral("Host not found: no host name given"),
                             VxSocketErrorCode(QAbstractSocket::HostNotFoundError));
    bool Expired = false;
    const QHostAddress Address = VxPreferredHostAddress(HostName, TimeoutMs, Expired);
    if (Expired)
        throw EVxSocketError(TimedOut(QStringLiteral("Looking up %1").arg(HostName)),
                             VxSocketErrorCode(QAbstractSocket::SocketTimeoutError));
    if (Address.isNull())
        throw EVxSocketError(VxHostNotFoundText(HostName),
                             VxSocketErrorCode(QAbstractSocket::HostNotFoundError));
    return Address;
}

QByteArray VxUdpExchange(const QHostAddress& Peer, quint16 Port, const QByteArray& Request,
                         int TimeoutMs, const std::function<bool(const QByteArray&)>& Accept)
{
    const QDeadlineTimer Deadline = MakeDeadline(TimeoutMs);
    QUdpSocket Socket;
    // A connected datagram socket only receives from the peer, and reports a refused
    // port (an ICMP answer) as an error instead of leaving the read to time out.
    Socket.connectToHost(Peer, Port);
    if (!CancellableWait(Socket, [&] { return Socket.waitForConnected(Remaining(Deadline)); }))
        throw EVxSocketError(Socket.errorString(), VxSocketErrorCode(Socket.error()));
    if (Socket.write(Request) != Request.size())
        throw EVxSocketError(Socket.errorString(), VxSocketErrorCode(Socket.error()));
    for (;;) {
        if (!CancellableWait(Socket, [&] { return Socket.waitForReadyRead(Remaining(Deadline)); })) {
            if (Socket.error() == QAbstractSocket::SocketTimeoutError || Deadline.hasExpired())
                throw EVxSocketError(TimedOut(QStringLiteral("Waiting for a reply")),
                                     VxSocketErrorCode(QAbstractSocket::SocketTimeoutError));
            throw EVxSocketError(Socket.errorString(), VxSocketErrorCode(Socket.error()));
        }
        while (Socket.hasPendingDatagrams()) {
            const QNetworkDatagram D = Socket.receiveDatagram(65536);
            if (!D.isValid())
                continue;
            // The socket is connected to the peer, so the system drops datagrams from
            // elsewhere; the check stays for systems that do not.
            const bool FromPeer = D.senderAddress().isEqual(Peer, QHostAddress::ConvertV4MappedToIPv4)
                                  && D.senderPort() == Port;
            if (FromPeer && (!Accept || Accept(D.data())))
                return D.data();
        }
    }
}

QByteArray VxTcpFramedExchange(const QHostAddress& Peer, quint16 Port, const QByteArray& Message,
                               int TimeoutMs)
{
    if (Message.size() > 0xFFFF)
        throw EVxSocketError(QStringLiteral("Message too long for a two-byte length"));
    const QDeadlineTimer Deadline = MakeDeadline(TimeoutMs);
    QTcpSocket Socket;
    auto Fail = [&Socket, &Deadline](const QString& What) -> EVxSocketError {
        if (Socket.error() == QAbstractSocket::SocketTimeoutError || Deadline.hasExpired())
            return EVxSocketError(TimedOut(What), VxSocketErrorCode(QAbstractSocket::SocketTimeoutError));
        return EVxSocketError(What + QStringLiteral(": ") + Socket.errorString(), VxSocketErrorCode(Socket.error()));
    };
    Socket.connectToHost(Peer, Port);
    if (!CancellableWait(Socket, [&] { return Socket.waitForConnected(Remaining(Deadline)); }))
        throw Fail(QStringLiteral("Connecting"));
    QByteArray Framed;
    Framed.append(char((Message.size() >> 8) & 0xFF));
    Framed.append(char(Message.size() & 0xFF));
    Framed.append(Message);
    if (Socket.write(Framed) != Framed.size())
        throw Fail(QStringLiteral("Sending"));
    while (Socket.bytesToWrite() > 0)
        if (!CancellableWait(Socket, [&] { return Socket.waitForBytesWritten(Remaining(Deadline)); }))
            throw Fail(QStringLiteral("Sending"));
    QByteArray In;
    auto ReadAtLeast = [&](qsizetype Count) {
        while (In.size() < Count) {
            if (Socket.bytesAvailable() > 0) {
                In.append(Socket.readAll());
                continue;
            }
            if (Socket.state() != QAbstractSocket::ConnectedState
                || !CancellableWait(Socket, [&] { return Socket.waitForReadyRead(Remaining(Deadline)); })) {
                if (Socket.bytesAvailable() > 0)
                    continue;
                if (Socket.error() == QAbstractSocket::RemoteHostClosedError
                    || Socket.state() != QAbstractSocket::ConnectedState)
                    throw EVxSocketError(QStringLiteral("Connection closed before the whole reply arrived"),
                                         VxSocketErrorCode(QAbstractSocket::RemoteHostClosedError));
                throw Fail(QStringLiteral("Receiving"));
            }
        }
    };
    ReadAtLeast(2);
    const int Length = (quint8(In[0]) << 8) | quint8(In[1]);
    ReadAtLeast(2 + Length);
    Socket.abort();
    return In.mid(2, Length);
}
