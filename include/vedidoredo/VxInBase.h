// The socket request engine, the base of every socket client.
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
// The answer of one step, which the handler may replace.
using TVxIReceivedEvent = std::function<void(QObject* Sender, QString& Text)>;

// The socket request engine. Execute connects, sends GetQuery() with the raw header
// block, reads the whole answer until the server closes, hands it to AfterExecute and
// disconnects unless KeepConnection.
//
// Failures. Every failed exchange raises an exception derived from EVxError whose
// message says what failed and names the target as "host:port": a failed lookup or
// connect, a time-out, a reset, or any other socket failure (EVxSocketError, after
// OnError has run); "No answer from server" when nothing could be sent; a connection
// closed by the server before any answer; an answer whose first piece carries the
// status 401, 404 or 407 (the catalogue texts strVxInEAuthRequired, strVxInEFileNotFound,
// strVxInEProxyAuth); and the checks of a subclass. An OnError handler that sets the code
// to 0 suppresses the socket's exception: the step then goes on with what it has, which
// is "No answer from server" when nothing was sent or nothing arrived. After a failure
// inside the steps the connection is closed (the rest of a refused answer would otherwise
// be read as the next one), and AfterExecute does not run, so the results of the last
// successful exchange stay as they were.
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
    explicit TVxInetBase(QObject* Owner = nullptr);
    ~TVxInetBase() override;

    QString About() const { return FAbout; }
    void SetAbout(const QString&) { FAbout.clear(); }
    int Port() const;
    void SetPort(int Value);
    QString Host() const;
    void SetHost(const QString& Value);
    QString Address() const;
    void SetAddress(const QString& Value);
    bool KeepConnection() const { return FKeepConnection; }
    void SetKeepConnection(bool Value) { FKeepConnection = Value; }
    TVxInetProxy* Proxy() const { return FProxy; }
    void SetProxy(TVxInetProxy* Value);  // copies with Assign
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }
    // Milliseconds, 0 = no limit: bounds lookup plus connect, and each wait for data.
    int Timeout() const;
    void SetTimeout(int Value);
    TVxClientType ClientType() const;
    void SetClientType(TVxClientType Value);
    bool Connected() const { return FConnected; }

    // Events. The socket notifications see the client socket as Sender.
    TVxSocketNotifyEvent OnConnect() const { return FOnConnect; }
    void SetOnConnect(TVxSocketNotifyEvent Value) { FOnConnect = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnDisconnect() const { return FOnDisconnect; }
    void SetOnDisconnect(TVxSocketNotifyEvent Value) { FOnDisconnect = Guarded(std::move(Value)); }
    TVxSocketErrorEvent OnError() const { return FOnError; }
    void SetOnError(TVxSocketErrorEvent Value) { FOnError = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnLookup() const { return FOnLookup; }
    void SetOnLookup(TVxSocketNotifyEvent Value) { FOnLookup = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnConnecting() const { return FOnConnecting; }
    void SetOnConnecting(TVxSocketNotifyEvent Value) { FOnConnecting = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnSendTextToSocket() const { return FOnSendTextToSocket; }
    void SetOnSendTextToSocket(TVxSocketNotifyEvent Value);
    TVxSocketNotifyEvent OnReceiveTextFromSocket() const { return FOnReceiveTextFromSocket; }
    void SetOnReceiveTextFromSocket(TVxSocketNotifyEvent Value);
    TVxNotifyEvent OnBeforeExecute() const { return FOnBeforeExecute; }
    void SetOnBeforeExecute(TVxNotifyEvent Value) { FOnBeforeExecute = Guarded(std::move(Value)); }
    TVxIReceivedEvent OnAfterExecute() const { return FOnAfterExecute; }
    void SetOnAfterExecute(TVxIReceivedEvent Value) { FOnAfterExecute = Guarded(std::move(Value)); }

    // Runs the whole request cycle; returns the answers of all steps. Raises on any
    // failure (see above), and "already running" while a run of this component is going.
    Q_INVOKABLE QString Execute();
    virtual QString GetQuery();
    virtual QString GetRawHeaders();
    virtual void Connect();
    virtual void Disconnect();

    // The dotted-quad test: exactly four dot-separated whole numbers 0..255.
    static bool AddrIsIP(const QString& S);

    // The target as failure messages name it: "host:port" (the address when no host
    // name is set).
    QString TargetText() const;

protected:
    virtual QString InternalExecute();
    virtual void BeforeExecute();
    virtual void AfterExecute(QString& Text);
    /// Called with the first piece of an answer whose status the engine refuses (401,
    /// 404, 407), just before the refusal is raised; by default it does nothing.
    virtual void AnswerRefused(const QString& Piece);

    // Sends byte text; the count the socket accepted, 0 when not connected.
    int SendToSocket(const QString& Text);
    // One read of at most Count bytes; 0 when the peer closed or not connected, -1 after
    // a failure that OnError suppressed.
    int ReceiveFromSocket(char* Buffer, int Count);
    QString GetLocalHost() const;
    TVxClientSocket* ClientSocket() const { return FClientSocket; }
    // A failure of the exchange with the target: What followed by " (host:port)".
    EVxError ExchangeError(const QString& What) const;

    int CurrentStep = 0;
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
