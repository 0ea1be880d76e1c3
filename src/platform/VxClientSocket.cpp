#include <vedidoredo/platform/VxClientSocket.h>
#include "platform/VxByteText.h"
#include "platform/VxHostLookup.h"
#include "platform/VxHostText.h"
#include <vedidoredo/platform/VxInternet.h>

#include "platform/VxRunState.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>

namespace {

// Operation names the step and the peer, e.g. "receive from example.org:43".
QString TimedOutMessage(int Timeout, const QString& Operation)
{
    return QStringLiteral("Socket error: the operation timed out after %1 ms (%2), on %3")
        .arg(Timeout)
        .arg(ETIMEDOUT)
        .arg(Operation);
}

QString ErrorMessage(const QString& Text, int Code, const QString& Operation)
{
    return QStringLiteral("Socket error: %1 (%2), on %3").arg(Text).arg(Code).arg(Operation);
}

// The error the system holds for a socket (and clears by reading it), 0 for none.
int PendingSocketError(qintptr Descriptor)
{
    int Error = 0;
    socklen_t Length = sizeof Error;
    if (Descriptor < 0 || ::getsockopt(int(Descriptor), SOL_SOCKET, SO_ERROR, &Error, &Length) != 0)
        return 0;
    return Error;
}

}  // namespace

TVxClientSocket::TVxClientSocket(QObject* Owner) : QObject(Owner) {}

QString TVxClientSocket::PeerText() const
{
    // An IPv6 address is bracketed, as in a URL, so that the port stands apart.
    return VxHostForUrl(FHost.isEmpty() ? FAddress : FHost) + QLatin1Char(':') + QString::number(FPort);
}

TVxClientSocket::~TVxClientSocket()
{
    if (FSocket)
        FSocket->abort();
}

bool TVxClientSocket::Active() const
{
    return FSocket && FSocket->state() == QAbstractSocket::ConnectedState;
}

void TVxClientSocket::ReportError(TVxErrorEvent Kind, int Code, const QString& Message,
                                  bool CloseConnection)
{
    int ErrorCode = Code;
    if (OnError)
        OnError(this, this, Kind, ErrorCode);
    if (CloseConnection)
        Close();
    if (ErrorCode != 0)
        throw EVxSocketError(Message, ErrorCode);
}

void TVxClientSocket::Open()
{
    if (Active())
        return;
    const QDeadlineTimer Deadline =
        FTimeout > 0 ? QDeadlineTimer(FTimeout) : QDeadlineTimer(QDeadlineTimer::Forever);

    if (OnLookup)
        OnLookup(this, this);
    QHostAddress Target;
    if (!FHost.isEmpty()) {
        bool Expired = false;
        Target = VxPreferredHostAddress(FHost, FTimeout, Expired);
        if (Expired) {
            ReportError(eeLookup, ETIMEDOUT, TimedOutMessage(FTimeout, QStringLiteral("lookup of ") + PeerText()));
            return;
        }
        if (Target.isNull()) {
            ReportError(eeLookup, EHOSTUNREACH,
                        ErrorMessage(VxHostNotFoundText(FHost), EHOSTUNREACH, QStringLiteral("lookup of ") + PeerText()));
            return;
        }
    } else if (!Target.setAddress(FAddress)) {
        ReportError(eeLookup, EHOSTUNREACH,
                    ErrorMessage(QStringLiteral("Invalid address \"%1\"").arg(FAddress), EHOSTUNREACH,
                                 QStringLiteral("lookup of ") + PeerText()));
        return;
    }

    if (OnConnecting)
        OnConnecting(this, this);
    if (FTls == TVxSocketTls::Off) {
        FSocket = std::make_unique<QTcpSocket>();
        // Unbuffered: reads go straight to the kernel instead of through a copy in Qt's
        // buffer.
        FSocket->connectToHost(Target, quint16(FPort), QIODevice::ReadWrite | QIODevice::Unbuffered);
    } else {
        // TLS needs Qt's buffers for the records it decrypts.
        FSocket = std::make_unique<QSslSocket>();
        FSocket->connectToHost(Target, quint16(FPort), QIODevice::ReadWrite);
    }
    const int Wait = FTimeout > 0 ? int(qMax<qint64>(1, Deadline.remainingTime())) : -1;
    bool Connected = false;
    {
        TVxCancelWaker Waker(FSocket->socketDescriptor());
        Connected = !VxRunCancelled() && FSocket->waitForConnected(Wait);
    }
    if (!Connected) {
        const bool TimedOut = FTimeout > 0 && FSocket->error() == QAbstractSocket::SocketTimeoutError;
        const int Code = TimedOut ? ETIMEDOUT : VxSocketErrorCode(FSocket->error());
        const QString Message = TimedOut ? TimedOutMessage(FTimeout, QStringLiteral("connect to ") + PeerText())
                                         : ErrorMessage(FSocket->errorString(), Code, QStringLiteral("connect to ") + PeerText());
        FSocket->abort();
        FSocket.reset();
        VxCheckCancelled();
        ReportError(eeConnect, Code, Message);
        return;
    }
    // Answers are read as fast as they come; Nagle's delay only slows short dialogues.
    FSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (FTls == TVxSocketTls::OnConnect) {
        QString Reason;
        int Code = 0;
        if (!Handshake(Deadline, Reason, Code)) {
            FSocket->abort();
            FSocket.reset();
            VxCheckCancelled();
            ReportError(eeConnect, Code, Reason);
            return;
        }
    }
    if (OnConnect)
        OnConnect(this, this);
}

bool TVxClientSocket::Encrypted() const
{
    const auto* Ssl = qobject_cast<const QSslSocket*>(FSocket.get());
    return Active() && Ssl && Ssl->isEncrypted();
}

bool TVxClientSocket::Handshake(const QDeadlineTimer& Deadline, QString& Reason, int& Code)
{
    auto* Ssl = qobject_cast<QSslSocket*>(FSocket.get());
    const QString Peer = FHost.isEmpty() ? FAddress : FHost;
    auto Failed = [&](const QString& Why, int WhyCode) {
        Reason = QStringLiteral("TLS error: %1 (%2), on the handshake with %3").arg(Why).arg(WhyCode).arg(PeerText());
        Code = WhyCode;
        return false;
    };
    if (!Ssl)
        return Failed(QStringLiteral("the connection was opened without TLS"), EPROTO);
    if (!QSslSocket::supportsSsl())
        return Failed(QStringLiteral("no TLS library is available"), EPROTO);

    QSslConfiguration Config = QSslConfiguration::defaultConfiguration();
    QList<QSslCertificate> Cas = QSslConfiguration::systemCaCertificates();
    for (const QString& File : VxInetTrustedCertificateFiles())
        Cas += QSslCertificate::fromPath(File, QSsl::Pem);
    Config.setCaCertificates(Cas);
    Config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    Ssl->setSslConfiguration(Config);
    Ssl->setPeerVerifyName(Peer);
    Ssl->startClientEncryption();
    const int Wait = Deadline.isForever() ? -1 : int(qMax<qint64>(1, Deadline.remainingTime()));
    {
        TVxCancelWaker Waker(Ssl->socketDescriptor());
        if (Ssl->waitForEncrypted(Wait))
            return true;
    }
    if (VxRunCancelled())
        return Failed(QStringLiteral("aborted"), ECANCELED);

    QStringList Errors;
    for (const QSslError& E : Ssl->sslHandshakeErrors())
        Errors << E.errorString();
    if (!Errors.isEmpty())
        return Failed(QStringLiteral("the server's certificate does not verify: ") + Errors.join(QStringLiteral("; ")),
                      EPROTO);
    if (Ssl->error() == QAbstractSocket::SocketTimeoutError) {
        Reason = TimedOutMessage(FTimeout, QStringLiteral("TLS handshake with ") + PeerText());
        Code = ETIMEDOUT;
        return false;
    }
    return Failed(Ssl->errorString(), VxSocketErrorCode(Ssl->error()));
}

void TVxClientSocket::StartTls()
{
    if (!Active())
        throw EVxSocketError(QStringLiteral("TLS error: not connected"), ENOTCONN);
    const QDeadlineTimer Deadline =
        FTimeout > 0 ? QDeadlineTimer(FTimeout) : QDeadlineTimer(QDeadlineTimer::Forever);
    QString Reason;
    int Code = 0;
    if (!Handshake(Deadline, Reason, Code)) {
        CheckCancelled();
        ReportError(eeConnect, Code, Reason, true);
    }
}

void TVxClientSocket::Close()
{
    if (!FSocket)
        return;
    // The connection counts as open until closed here, even when the peer has already
    // closed its side (which only a read notices).
    FSocket->abort();
    FSocket.reset();
    if (OnDisconnect)
        OnDisconnect(this, this);
}

int TVxClientSocket::SendBuf(const char* Data, int Count)
{
    if (!Active())
        return 0;
    if (Count <= 0)
        return 0;
    CheckCancelled();
    FSocket->write(Data, Count);
    while (FSocket->bytesToWrite() > 0) {
        const QDeadlineTimer Deadline =
            FTimeout > 0 ? QDeadlineTimer(FTimeout) : QDeadlineTimer(QDeadlineTimer::Forever);
        if (!Await(Deadline, [this](int Ms) { return FSocket->waitForBytesWritten(Ms); })) {
            const bool TimedOut = FSocket->error() == QAbstractSocket::SocketTimeoutError;
            const int Code = TimedOut ? ETIMEDOUT : VxSocketErrorCode(FSocket->error());
            const QString Message = TimedOut ? TimedOutMessage(FTimeout, QStringLiteral("send to ") + PeerText())
                                             : ErrorMessage(FSocket->errorString(), Code, QStringLiteral("send to ") + PeerText());
            ReportError(eeSend, Code, Message, true);
            return -1;
        }
    }
    return Count;
}

int TVxClientSocket::SendText(const QString& ByteText)
{
    const QByteArray Bytes = VxByteTextToBytes(ByteText);
    return SendBuf(Bytes.constData(), int(Bytes.size()));
}

int TVxClientSocket::ReceiveBuf(char* Data, int Count)
{
    if (!FSocket || Count <= 0)
        return 0;
    // A TLS socket can wake for a record that holds no data (a session ticket): it
    // waits on, within the one time limit.
    const QDeadlineTimer Deadline =
        FTimeout > 0 ? QDeadlineTimer(FTimeout) : QDeadlineTimer(QDeadlineTimer::Forever);
    CheckCancelled();
    while (FSocket->bytesAvailable() == 0) {
        if (FSocket->state() != QAbstractSocket::ConnectedState)
            return 0;
        const bool Ready = Await(Deadline, [this](int Ms) { return FSocket->waitForReadyRead(Ms); });
        if (!Ready && FSocket->bytesAvailable() == 0) {
            const QAbstractSocket::SocketError Error = FSocket->error();
            if (Error == QAbstractSocket::RemoteHostClosedError ||
                FSocket->state() != QAbstractSocket::ConnectedState)
                return 0;  // orderly close by the peer
            const bool TimedOut = Error == QAbstractSocket::SocketTimeoutError;
            const int Code = TimedOut ? ETIMEDOUT : VxSocketErrorCode(Error);
            const QString Message = TimedOut ? TimedOutMessage(FTimeout, QStringLiteral("receive from ") + PeerText())
                                             : ErrorMessage(FSocket->errorString(), Code, QStringLiteral("receive from ") + PeerText());
            ReportError(eeReceive, Code, Message, true);
            return -1;
        }
        // A plain socket that wakes with nothing to read has reached the peer's close, or
        // a reset, which Qt would read as a close: the system's pending error tells them
        // apart. (A reset after the peer's close, EPIPE, comes after the whole answer.)
        if (!qobject_cast<QSslSocket*>(FSocket.get())) {
            const int Pending = PendingSocketError(FSocket->socketDescriptor());
            if (Pending == ECONNRESET) {
                ReportError(eeReceive, Pending,
                            ErrorMessage(QString::fromLocal8Bit(std::strerror(Pending)), Pending,
                                         QStringLiteral("receive from ") + PeerText()),
                            true);
                return -1;
            }
            break;
        }
    }
    const qint64 Read = FSocket->read(Data, Count);
    if (Read >= 0)
        return int(Read);
    // Qt reports the peer's close as a failed read.
    if (FSocket->error() == QAbstractSocket::RemoteHostClosedError)
        return 0;
    const int Code = VxSocketErrorCode(FSocket->error());
    ReportError(eeReceive, Code, ErrorMessage(FSocket->errorString(), Code, QStringLiteral("receive from ") + PeerText()),
                true);
    return -1;
}

bool TVxClientSocket::Await(const QDeadlineTimer& Deadline, const std::function<bool(int)>& Wait)
{
    // Inside a run the wait goes in slices, so that a cancelled future is noticed; Cancel
    // ends it at once by shutting the connection down.
    const bool Sliced = TVxRunState::Current() != nullptr;
    for (;;) {
        qint64 Ms = Deadline.isForever() ? -1 : qMax<qint64>(0, Deadline.remainingTime());
        if (Sliced && (Ms < 0 || Ms > TVxRunState::CancelPollMs))
            Ms = TVxRunState::CancelPollMs;
        bool Done = false;
        {
            TVxCancelWaker Waker(FSocket->socketDescriptor());
            Done = Wait(int(Ms));
        }
        CheckCancelled();
        if (Done || !Sliced || Deadline.hasExpired() || FSocket->error() != QAbstractSocket::SocketTimeoutError)
            return Done;
    }
}

void TVxClientSocket::CheckCancelled()
{
    if (!VxRunCancelled())
        return;
    Close();
    VxCheckCancelled();
}

void TVxClientSocket::MoveToThread(QThread* Thread)
{
    if (FSocket && FSocket->thread() != Thread)
        FSocket->moveToThread(Thread);
}

QString TVxClientSocket::LocalHost() const
{
    return QHostInfo::localHostName();
}
