#include <vedidoredo/platform/VxClientSocket.h>
#include <vedidoredo/platform/VxByteText.h>
#include <vedidoredo/platform/VxHostLookup.h>

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

#include <cerrno>

namespace {

QString TimedOutMessage(int Timeout, const char* Operation)
{
    return QStringLiteral("Socket error: the operation timed out after %1 ms (%2), on %3")
        .arg(Timeout)
        .arg(ETIMEDOUT)
        .arg(QLatin1String(Operation));
}

QString ErrorMessage(const QString& Text, int Code, const char* Operation)
{
    return QStringLiteral("Socket error: %1 (%2), on %3").arg(Text).arg(Code).arg(QLatin1String(Operation));
}

// Milliseconds for Qt's wait calls: -1 waits without limit.
int WaitTime(int Timeout)
{
    return Timeout > 0 ? Timeout : -1;
}

}  // namespace

TVxClientSocket::TVxClientSocket(QObject* Owner) : QObject(Owner) {}

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
            ReportError(eeLookup, ETIMEDOUT, TimedOutMessage(FTimeout, "lookup"));
            return;
        }
        if (Target.isNull()) {
            ReportError(eeLookup, EHOSTUNREACH,
                        ErrorMessage(VxHostNotFoundText(FHost), EHOSTUNREACH, "lookup"));
            return;
        }
    } else if (!Target.setAddress(FAddress)) {
        ReportError(eeLookup, EHOSTUNREACH,
                    ErrorMessage(QStringLiteral("Invalid address \"%1\"").arg(FAddress), EHOSTUNREACH,
                                 "lookup"));
        return;
    }

    if (OnConnecting)
        OnConnecting(this, this);
    FSocket = std::make_unique<QTcpSocket>();
    // Unbuffered: reads go straight to the kernel instead of through a copy in Qt's buffer.
    FSocket->connectToHost(Target, quint16(FPort), QIODevice::ReadWrite | QIODevice::Unbuffered);
    const int Wait = FTimeout > 0 ? int(qMax<qint64>(1, Deadline.remainingTime())) : -1;
    if (!FSocket->waitForConnected(Wait)) {
        const bool TimedOut = FTimeout > 0 && FSocket->error() == QAbstractSocket::SocketTimeoutError;
        const int Code = TimedOut ? ETIMEDOUT : VxSocketErrorCode(FSocket->error());
        const QString Message = TimedOut ? TimedOutMessage(FTimeout, "connect")
                                         : ErrorMessage(FSocket->errorString(), Code, "connect");
        FSocket->abort();
        FSocket.reset();
        ReportError(eeConnect, Code, Message);
        return;
    }
    // Answers are read as fast as they come; Nagle's delay only slows short dialogues.
    FSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (OnConnect)
        OnConnect(this, this);
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
    FSocket->write(Data, Count);
    while (FSocket->bytesToWrite() > 0) {
        if (!FSocket->waitForBytesWritten(WaitTime(FTimeout))) {
            const bool TimedOut = FSocket->error() == QAbstractSocket::SocketTimeoutError;
            const int Code = TimedOut ? ETIMEDOUT : VxSocketErrorCode(FSocket->error());
            const QString Message = TimedOut ? TimedOutMessage(FTimeout, "send")
                                             : ErrorMessage(FSocket->errorString(), Code, "send");
            ReportError(eeSend, Code, Message, true);
            return -1;
        }
    }
    return Count;
}

QByteArray VxByteTextToBytes(const QString& ByteText)
{
    QByteArray Bytes;
    Bytes.reserve(ByteText.size());
    for (qsizetype I = 0; I < ByteText.size(); ++I) {
        const char16_t C = ByteText.at(I).unicode();
        if (C <= 0xFF) {
            Bytes.append(char(C));
            continue;
        }
        qsizetype Len = 1;
        if (QChar::isHighSurrogate(C) && I + 1 < ByteText.size() &&
            QChar::isLowSurrogate(ByteText.at(I + 1).unicode()))
            Len = 2;
        Bytes.append(QStringView(ByteText).mid(I, Len).toUtf8());
        I += Len - 1;
    }
    return Bytes;
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
    if (FSocket->bytesAvailable() == 0) {
        if (FSocket->state() != QAbstractSocket::ConnectedState)
            return 0;
        if (!FSocket->waitForReadyRead(WaitTime(FTimeout)) && FSocket->bytesAvailable() == 0) {
            const QAbstractSocket::SocketError Error = FSocket->error();
            if (Error == QAbstractSocket::RemoteHostClosedError ||
                FSocket->state() != QAbstractSocket::ConnectedState)
                return 0;  // orderly close by the peer
            const bool TimedOut = Error == QAbstractSocket::SocketTimeoutError;
            const int Code = TimedOut ? ETIMEDOUT : VxSocketErrorCode(Error);
            const QString Message = TimedOut ? TimedOutMessage(FTimeout, "receive")
                                             : ErrorMessage(FSocket->errorString(), Code, "receive");
            ReportError(eeReceive, Code, Message, true);
            return -1;
        }
    }
    return int(FSocket->read(Data, Count));
}

QString TVxClientSocket::LocalHost() const
{
    return QHostInfo::localHostName();
}
