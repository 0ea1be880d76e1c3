/// \file
/// The socket request engine, the base of every socket client.
#pragma once

#include <vedidoredo/VxEvents.h>
#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/VxInetProxy.h>
#include <vedidoredo/platform/VxClientSocket.h>
#include <vedidoredo/platform/VxComponent.h>

#include <QObject>
#include <QString>
#include <functional>

class TVxInetBase;
/// The answer of one step, which the handler may replace.
using TVxIReceivedEvent = std::function<void(QObject* Sender, QString& Text)>;

/// The socket request engine. Execute connects, sends GetQuery() with the raw header
/// block, reads the whole answer until the server closes, hands it to AfterExecute and
/// disconnects unless KeepConnection.
///
/// Failures. Every failed exchange raises an exception derived from EVxError whose
/// message says what failed and names the target as "host:port": a failed lookup or
/// connect, a time-out, a reset, or any other socket failure (EVxSocketError, after
/// OnError has run); "No answer from server" when nothing could be sent; a connection
/// closed by the server before any answer; an answer whose first piece carries the
/// status 401, 404 or 407 (the catalogue texts strVxInEAuthRequired, strVxInEFileNotFound,
/// strVxInEProxyAuth); and the checks of a subclass. An OnError handler that sets the code
/// to 0 suppresses the socket's exception: the step then goes on with what it has, which
/// is "No answer from server" when nothing was sent or nothing arrived. After a failure
/// inside the steps the connection is closed (the rest of a refused answer would otherwise
/// be read as the next one), and AfterExecute does not run, so the results of the last
/// successful exchange stay as they were.
class VX_CORE_EXPORT TVxInetBase : public TVxComponent {
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout)
    Q_PROPERTY(int Port READ Port WRITE SetPort)
    Q_PROPERTY(QString Host READ Host WRITE SetHost)
    Q_PROPERTY(QString Address READ Address WRITE SetAddress)
    Q_PROPERTY(bool KeepConnection READ KeepConnection WRITE SetKeepConnection)
    Q_PROPERTY(TVxInetProxy* Proxy READ Proxy WRITE SetProxy)
    Q_PROPERTY(bool LoginPrompt READ LoginPrompt WRITE SetLoginPrompt)
    Q_PROPERTY(int Timeout READ Timeout WRITE SetTimeout)
    Q_PROPERTY(TVxClientType ClientType READ ClientType WRITE SetClientType)
    Q_PROPERTY(bool Connected READ Connected)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxInetBase(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInetBase() override;

    /// The designer's About entry: always empty, its property editor shows the about box.
    QString About() const { return FAbout; }
    /// Ignores the value: About stays empty.
    void SetAbout(const QString&) { CheckChange("About"); FAbout.clear(); }
    /// The server's TCP port (each client sets its protocol's own).
    int Port() const;
    /// Sets Port().
    void SetPort(int Value);
    /// The server's name; setting it clears Address.
    QString Host() const;
    /// Sets Host().
    void SetHost(const QString& Value);
    /// The server's IP address, used instead of a name lookup; setting it clears Host.
    QString Address() const;
    /// Sets Address().
    void SetAddress(const QString& Value);
    /// Whether the connection stays open after Execute, for the next one (false by default).
    bool KeepConnection() const { return FKeepConnection; }
    /// Sets KeepConnection().
    void SetKeepConnection(bool Value) { CheckChange("KeepConnection"); FKeepConnection = Value; }
    /// The proxy settings, owned by the component.
    TVxInetProxy* Proxy() const { return FProxy; }
    /// Copies the settings of Value into Proxy().
    void SetProxy(TVxInetProxy* Value);  ///< copies with Assign
    /// Whether a proxy that asks for a login makes the logon prompt appear (true by default).
    bool LoginPrompt() const { return FLoginPrompt; }
    /// Sets LoginPrompt().
    void SetLoginPrompt(bool Value) { CheckChange("LoginPrompt"); FLoginPrompt = Value; }
    /// Milliseconds, 0 = no limit: bounds lookup plus connect, and each wait for data.
    int Timeout() const;
    /// Sets Timeout().
    void SetTimeout(int Value);
    /// Blocking (the default) or non-blocking socket calls.
    TVxClientType ClientType() const;
    /// Sets ClientType().
    void SetClientType(TVxClientType Value);
    /// Whether the connection is open.
    bool Connected() const { return FConnected; }

    // Events. The socket notifications see the client socket as Sender.

    /// Called when the connection is open.
    TVxSocketNotifyEvent OnConnect() const { return FOnConnect; }
    /// Sets the handler OnConnect() calls; an empty function removes it.
    void SetOnConnect(TVxSocketNotifyEvent Value) { CheckChange("OnConnect"); FOnConnect = Guarded(std::move(Value)); }
    /// Called when the connection has closed.
    TVxSocketNotifyEvent OnDisconnect() const { return FOnDisconnect; }
    /// Sets the handler OnDisconnect() calls; an empty function removes it.
    void SetOnDisconnect(TVxSocketNotifyEvent Value) { CheckChange("OnDisconnect"); FOnDisconnect = Guarded(std::move(Value)); }
    /// Called when the socket reports an error, with its code, which the handler may clear.
    TVxSocketErrorEvent OnError() const { return FOnError; }
    /// Sets the handler OnError() calls; an empty function removes it.
    void SetOnError(TVxSocketErrorEvent Value) { CheckChange("OnError"); FOnError = Guarded(std::move(Value)); }
    /// Called before the host name is looked up.
    TVxSocketNotifyEvent OnLookup() const { return FOnLookup; }
    /// Sets the handler OnLookup() calls; an empty function removes it.
    void SetOnLookup(TVxSocketNotifyEvent Value) { CheckChange("OnLookup"); FOnLookup = Guarded(std::move(Value)); }
    /// Called when the connection is being made.
    TVxSocketNotifyEvent OnConnecting() const { return FOnConnecting; }
    /// Sets the handler OnConnecting() calls; an empty function removes it.
    void SetOnConnecting(TVxSocketNotifyEvent Value) { CheckChange("OnConnecting"); FOnConnecting = Guarded(std::move(Value)); }
    /// Handed to the socket's write-ready notification, which only a non-blocking socket
    /// raises: the engine's blocking socket never calls it.
    TVxSocketNotifyEvent OnSendTextToSocket() const { return FOnSendTextToSocket; }
    /// Sets the handler OnSendTextToSocket() calls; an empty function removes it.
    void SetOnSendTextToSocket(TVxSocketNotifyEvent Value);
    /// Handed to the socket's data-arrived notification, which only a non-blocking socket
    /// raises: the engine's blocking socket never calls it.
    TVxSocketNotifyEvent OnReceiveTextFromSocket() const { return FOnReceiveTextFromSocket; }
    /// Sets the handler OnReceiveTextFromSocket() calls; an empty function removes it.
    void SetOnReceiveTextFromSocket(TVxSocketNotifyEvent Value);
    /// Called first by Execute.
    TVxNotifyEvent OnBeforeExecute() const { return FOnBeforeExecute; }
    /// Sets the handler OnBeforeExecute() calls; an empty function removes it.
    void SetOnBeforeExecute(TVxNotifyEvent Value) { CheckChange("OnBeforeExecute"); FOnBeforeExecute = Guarded(std::move(Value)); }
    /// Called with the answer of each step, which the handler may replace.
    TVxIReceivedEvent OnAfterExecute() const { return FOnAfterExecute; }
    /// Sets the handler OnAfterExecute() calls; an empty function removes it.
    void SetOnAfterExecute(TVxIReceivedEvent Value) { CheckChange("OnAfterExecute"); FOnAfterExecute = Guarded(std::move(Value)); }

    /// Runs the whole request cycle; returns the answers of all steps. Raises on any
    /// failure (see above), and "already running" while a run of this component is going.
    Q_INVOKABLE QString Execute();
    /// Runs Execute on a worker thread and returns at once; the future holds what Execute
    /// returns, or the exception it raises (EVxAborted when the run was cancelled). The
    /// callbacks run on the component's thread meanwhile (see TVxComponent); finished() is
    /// emitted at the end. Raises "already running" while a run is going.
    QFuture<QString> ExecuteAsync();
    /// The query text of the current step; each client overrides it.
    virtual QString GetQuery();
    /// The raw header block sent after every query.
    virtual QString GetRawHeaders();
    /// Looks up the host (unless Address is set) and connects, through the proxy if one is set.
    virtual void Connect();
    /// Closes the connection.
    virtual void Disconnect();

    /// The dotted-quad test: exactly four dot-separated whole numbers 0..255.
    static bool AddrIsIP(const QString& S);

    /// The target as failure messages name it: "host:port" (the address when no host
    /// name is set).
    QString TargetText() const;

protected:
    /// Sends the current step's query and reads the whole answer.
    virtual QString InternalExecute();
    /// Calls OnBeforeExecute and connects.
    virtual void BeforeExecute();
    /// Calls OnAfterExecute with the answer of a step, which it may replace.
    virtual void AfterExecute(QString& Text);
    /// Called with the first piece of an answer whose status the engine refuses (401,
    /// 404, 407), just before the refusal is raised; by default it does nothing.
    virtual void AnswerRefused(const QString& Piece);

    /// Sends byte text; the count the socket accepted, 0 when not connected.
    int SendToSocket(const QString& Text);
    /// One read of at most Count bytes; 0 when the peer closed or not connected, -1 after
    /// a failure that OnError suppressed.
    int ReceiveFromSocket(char* Buffer, int Count);
    /// This machine's host name, as the socket layer reports it.
    QString GetLocalHost() const;
    /// The socket the engine talks through.
    TVxClientSocket* ClientSocket() const { return FClientSocket; }
    /// A failure of the exchange with the target: What followed by " (host:port)".
    EVxError ExchangeError(const QString& What) const;
    /// A connection kept open between runs goes with the run to its thread and back.
    void MoveRunObjects(QThread* Thread) override;

    /// The step Execute is at, from 0.
    int CurrentStep = 0;
    /// How many query and answer steps one Execute makes.
    int StepCount = 1;

private:
    TVxClientSocket* FClientSocket;
    QString FAbout;
    bool FConnected = false;
    bool FKeepConnection = false;
    TVxInetProxy* FProxy;
    bool FLoginPrompt = true;
    TVxSocketNotifyEvent FOnConnect, FOnDisconnect, FOnLookup, FOnConnecting;
    TVxSocketNotifyEvent FOnSendTextToSocket, FOnReceiveTextFromSocket;
    TVxSocketErrorEvent FOnError;
    TVxNotifyEvent FOnBeforeExecute;
    TVxIReceivedEvent FOnAfterExecute;
};
