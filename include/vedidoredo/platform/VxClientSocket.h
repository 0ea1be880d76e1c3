/// \file
/// A blocking TCP client socket with the notifications the socket request engine
/// forwards: lookup, connecting, connect, disconnect and error. The error notification
/// receives an error code by reference; a handler that sets it to 0 suppresses the
/// exception the failing call would otherwise raise. Connections can be secured with
/// TLS (QSslSocket), from the first byte or on request.
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

/// The enumerations of the client socket, also in the global namespace (`eeConnect`).
namespace VxSocketEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// The operation a socket error happened in.
enum TVxErrorEvent {
    eeGeneral,     ///< none of those below
    eeSend,        ///< sending
    eeReceive,     ///< receiving
    eeConnect,     ///< connecting
    eeDisconnect,  ///< closing
    eeAccept,      ///< accepting (not used by a client)
    eeLookup       ///< looking up the host name
};
Q_ENUM_NS(TVxErrorEvent)
/// How the socket calls wait.
enum TVxClientType {
    ctNonBlocking,  ///< accepted for compatibility; the socket blocks all the same
    ctBlocking      ///< each call waits until done or Timeout (the default)
};
Q_ENUM_NS(TVxClientType)
}  // namespace VxSocketEnums
using VxSocketEnums::TVxClientType;
using VxSocketEnums::TVxErrorEvent;
using enum VxSocketEnums::TVxClientType;
using enum VxSocketEnums::TVxErrorEvent;

/// Whether and when the connection is secured with TLS: never (a plain TCP socket), on
/// request (plain until StartTls, as for a STARTTLS command), or from the first byte.
enum class TVxSocketTls {
    Off,        ///< a plain TCP connection
    OnRequest,  ///< plain until StartTls
    OnConnect   ///< TLS from the first byte
};

/// A socket notification: the component and its socket.
using TVxSocketNotifyEvent = std::function<void(QObject* Sender, TVxClientSocket* Socket)>;
/// A socket error: the component, its socket, the operation and the error code, which the handler may set to 0 to stop the exception.
using TVxSocketErrorEvent = std::function<void(QObject* Sender, TVxClientSocket* Socket,
                                               TVxErrorEvent ErrorEvent, int& ErrorCode)>;

/// A blocking TCP client socket with name lookup, time limits and optional TLS, the transport of the socket clients.
class VX_CORE_EXPORT TVxClientSocket : public QObject {
    Q_OBJECT
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxClientSocket(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxClientSocket() override;

    /// The target. When Host is set, Open resolves it; otherwise it uses Address.
    QString Host() const { return FHost; }
    /// Sets Host().
    void SetHost(const QString& Value) { FHost = Value; }
    /// The IP address to connect to when Host is empty.
    QString Address() const { return FAddress; }
    /// Sets Address().
    void SetAddress(const QString& Value) { FAddress = Value; }
    /// The TCP port.
    int Port() const { return FPort; }
    /// Sets Port().
    void SetPort(int Value) { FPort = Value; }
    /// How the calls wait.
    TVxClientType ClientType() const { return FClientType; }
    /// Sets ClientType().
    void SetClientType(TVxClientType Value) { FClientType = Value; }

    /// Milliseconds; 0 waits without limit. Bounds name lookup plus connect, and each
    /// wait for data or for sent data to leave. An expired wait fails like any socket
    /// error, with a message that says the operation timed out. Every failure message
    /// names the operation and the peer ("on receive from example.org:43").
    int Timeout() const { return FTimeout; }
    /// Sets Timeout().
    void SetTimeout(int Value) { FTimeout = Value; }

    /// Whether the connection is open.
    bool Active() const;
    /// The peer as failure messages name it: "host:port" (the address when no host name
    /// is set; an IPv6 address in brackets).
    QString PeerText() const;

    /// Takes effect at the next Open.
    TVxSocketTls Tls() const { return FTls; }
    /// Sets Tls().
    void SetTls(TVxSocketTls Value) { FTls = Value; }
    /// Whether the open connection is encrypted.
    bool Encrypted() const;
    /// Runs the TLS handshake on the open connection, within Timeout. The server's
    /// certificate must verify against the system's CAs and the CA files trusted for
    /// HTTPS (VxInetAddTrustedCertificates, VEDIDOREDO_CA_FILE), and name Host (or Address
    /// when no host name is set). On failure: error notification, the connection closed,
    /// then EVxSocketError with the reason unless the handler set the code to 0.
    void StartTls();

    /// Resolves and connects, raising lookup, connecting and connect on the way. On failure
    /// raises the error notification, then EVxSocketError unless the handler set the code
    /// to 0.
    void Open();
    /// Closes an open connection and raises the disconnect notification.
    void Close();

    /// Sends the bytes; returns the count sent. On failure: error notification, the
    /// connection closed, then EVxSocketError or (code set to 0) -1. 0 when not connected.
    int SendBuf(const char* Data, int Count);
    /// Sends byte text: a character up to 255 is one byte, one above 255 its UTF-8 form.
    int SendText(const QString& ByteText);
    /// One read of at most Count bytes: the count read, 0 when the peer closed or the
    /// socket is not connected; failures (a reset by the peer included) as for SendBuf.
    int ReceiveBuf(char* Data, int Count);

    /// The local machine's host name.
    QString LocalHost() const;

    /// An open connection's socket object moves to Thread, so that a run on another thread
    /// can use it (nullptr: no thread until one takes it).
    void MoveToThread(QThread* Thread);

    TVxSocketNotifyEvent OnLookup;      ///< called before the host name is looked up
    TVxSocketNotifyEvent OnConnecting;  ///< called when the connection is being made
    TVxSocketNotifyEvent OnConnect;     ///< called when the connection is open
    TVxSocketNotifyEvent OnDisconnect;  ///< called when the connection has closed
    TVxSocketNotifyEvent OnWrite;       ///< only raised in non-blocking mode (unused)
    TVxSocketNotifyEvent OnRead;        ///< only raised in non-blocking mode (unused)
    TVxSocketErrorEvent OnError;        ///< called on a failure; setting the code to 0 stops the exception

private:
    /// Raises the error notification, closes the connection when asked (with its disconnect
    /// notification), then throws EVxSocketError unless the handler set the code to 0.
    void ReportError(TVxErrorEvent Kind, int Code, const QString& Message,
                     bool CloseConnection = false);
    // When the run going on on this thread was cancelled: closes the connection and raises
    // EVxAborted.
    void CheckCancelled();
    // Calls Wait (a wait of the socket for a number of milliseconds, -1 without limit) until
    // it succeeds, fails or Deadline passes; a cancelled run ends it (CheckCancelled).
    bool Await(const QDeadlineTimer& Deadline, const std::function<bool(int)>& Wait);
    /// The handshake on FSocket within Deadline; false with the reason and code on failure.
    bool Handshake(const QDeadlineTimer& Deadline, QString& Reason, int& Code);

    QString FHost, FAddress;
    int FPort = 0;
    int FTimeout = 0;
    TVxClientType FClientType = ctBlocking;
    TVxSocketTls FTls = TVxSocketTls::Off;
    std::unique_ptr<QTcpSocket> FSocket;
};
