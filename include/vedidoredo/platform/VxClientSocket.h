// A blocking TCP client socket with the notifications the socket request engine
// forwards: lookup, connecting, connect, disconnect and error. The error notification
// receives an error code by reference; a handler that sets it to 0 suppresses the
// exception the failing call would otherwise raise. Connections can be secured with
// TLS (QSslSocket), from the first byte or on request. Every wait ends at once when the
// run going on on the calling thread is cancelled: the connection is then closed and
// EVxAborted raised (without the error notification).
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxException.h>

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QDeadlineTimer;
class QTcpSocket;
class QThread;
class TVxClientSocket;

namespace VxSocketEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
enum TVxErrorEvent { eeGeneral, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept, eeLookup };
Q_ENUM_NS(TVxErrorEvent)
enum TVxClientType { ctNonBlocking, ctBlocking };
Q_ENUM_NS(TVxClientType)
}  // namespace VxSocketEnums
using VxSocketEnums::TVxClientType;
using VxSocketEnums::TVxErrorEvent;
using enum VxSocketEnums::TVxClientType;
using enum VxSocketEnums::TVxErrorEvent;

// Whether and when the connection is secured with TLS: never (a plain TCP socket), on
// request (plain until StartTls, as for a STARTTLS command), or from the first byte.
enum class TVxSocketTls { Off, OnRequest, OnConnect };

using TVxSocketNotifyEvent = std::function<void(QObject* Sender, TVxClientSocket* Socket)>;
using TVxSocketErrorEvent = std::function<void(QObject* Sender, TVxClientSocket* Socket,
                                               TVxErrorEvent ErrorEvent, int& ErrorCode)>;

class VX_CORE_EXPORT TVxClientSocket : public QObject {
    Q_OBJECT
public:
    explicit TVxClientSocket(QObject* Owner = nullptr);
    ~TVxClientSocket() override;

    // The target. When Host is set, Open resolves it; otherwise it uses Address.
    QString Host() const { return FHost; }
    void SetHost(const QString& Value) { FHost = Value; }
    QString Address() const { return FAddress; }
    void SetAddress(const QString& Value) { FAddress = Value; }
    int Port() const { return FPort; }
    void SetPort(int Value) { FPort = Value; }
    TVxClientType ClientType() const { return FClientType; }
    void SetClientType(TVxClientType Value) { FClientType = Value; }

    // Milliseconds; 0 waits without limit. Bounds name lookup plus connect, and each
    // wait for data or for sent data to leave. An expired wait fails like any socket
    // error, with a message that says the operation timed out.
    int Timeout() const { return FTimeout; }
    void SetTimeout(int Value) { FTimeout = Value; }

    bool Active() const;

    // Takes effect at the next Open.
    TVxSocketTls Tls() const { return FTls; }
    void SetTls(TVxSocketTls Value) { FTls = Value; }
    // Whether the open connection is encrypted.
    bool Encrypted() const;
    // Runs the TLS handshake on the open connection, within Timeout. The server's
    // certificate must verify against the system's CAs and the CA files trusted for
    // HTTPS (VxInetAddTrustedCertificates, VEDIDOREDO_CA_FILE), and name Host (or Address
    // when no host name is set). On failure: error notification, the connection closed,
    // then EVxSocketError with the reason unless the handler set the code to 0.
    void StartTls();

    // Resolves and connects, raising lookup, connecting and connect on the way. On failure
    // raises the error notification, then EVxSocketError unless the handler set the code
    // to 0.
    void Open();
    // Closes an open connection and raises the disconnect notification.
    void Close();

    // Sends the bytes; returns the count sent. On failure: error notification, the
    // connection closed, then EVxSocketError or (code set to 0) -1. 0 when not connected.
    int SendBuf(const char* Data, int Count);
    // Sends byte text: a character up to 255 is one byte, one above 255 its UTF-8 form.
    int SendText(const QString& ByteText);
    // One read of at most Count bytes: the count read, 0 when the peer closed or the
    // socket is not connected; failures as for SendBuf.
    int ReceiveBuf(char* Data, int Count);

    // The local machine's host name.
    QString LocalHost() const;

    // An open connection's socket object moves to Thread, so that a run on another thread
    // can use it (nullptr: no thread until one takes it).
    void MoveToThread(QThread* Thread);

    TVxSocketNotifyEvent OnLookup, OnConnecting, OnConnect, OnDisconnect;
    TVxSocketNotifyEvent OnWrite, OnRead;  // only raised in non-blocking mode (unused)
    TVxSocketErrorEvent OnError;

private:
    // Raises the error notification, closes the connection when asked (with its disconnect
    // notification), then throws EVxSocketError unless the handler set the code to 0.
    void ReportError(TVxErrorEvent Kind, int Code, const QString& Message,
                     bool CloseConnection = false);
    // When the run going on on this thread was cancelled: closes the connection and raises
    // EVxAborted.
    void CheckCancelled();
    // Calls Wait (a wait of the socket for a number of milliseconds, -1 without limit) until
    // it succeeds, fails or Deadline passes; a cancelled run ends it (CheckCancelled).
    bool Await(const QDeadlineTimer& Deadline, const std::function<bool(int)>& Wait);
    // The handshake on FSocket within Deadline; false with the reason and code on failure.
    bool Handshake(const QDeadlineTimer& Deadline, QString& Reason, int& Code);

    QString FHost, FAddress;
    int FPort = 0;
    int FTimeout = 0;
    TVxClientType FClientType = ctBlocking;
    TVxSocketTls FTls = TVxSocketTls::Off;
    std::unique_ptr<QTcpSocket> FSocket;
};
