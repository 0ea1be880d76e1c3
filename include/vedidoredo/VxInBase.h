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
// disconnects unless KeepConnection. Failures inside a step become the returned text.
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
    void SetAbout(const QString&) { CheckChange("About"); FAbout.clear(); }
    int Port() const;
    void SetPort(int Value);
    QString Host() const;
    void SetHost(const QString& Value);
    QString Address() const;
    void SetAddress(const QString& Value);
    bool KeepConnection() const { return FKeepConnection; }
    void SetKeepConnection(bool Value) { CheckChange("KeepConnection"); FKeepConnection = Value; }
    TVxInetProxy* Proxy() const { return FProxy; }
    void SetProxy(TVxInetProxy* Value);  // copies with Assign
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool Value) { CheckChange("LoginPrompt"); FLoginPrompt = Value; }
    // Milliseconds, 0 = no limit: bounds lookup plus connect, and each wait for data.
    int Timeout() const;
    void SetTimeout(int Value);
    TVxClientType ClientType() const;
    void SetClientType(TVxClientType Value);
    bool Connected() const { return FConnected; }

    // Events. The socket notifications see the client socket as Sender.
    TVxSocketNotifyEvent OnConnect() const { return FOnConnect; }
    void SetOnConnect(TVxSocketNotifyEvent Value) { CheckChange("OnConnect"); FOnConnect = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnDisconnect() const { return FOnDisconnect; }
    void SetOnDisconnect(TVxSocketNotifyEvent Value) { CheckChange("OnDisconnect"); FOnDisconnect = Guarded(std::move(Value)); }
    TVxSocketErrorEvent OnError() const { return FOnError; }
    void SetOnError(TVxSocketErrorEvent Value) { CheckChange("OnError"); FOnError = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnLookup() const { return FOnLookup; }
    void SetOnLookup(TVxSocketNotifyEvent Value) { CheckChange("OnLookup"); FOnLookup = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnConnecting() const { return FOnConnecting; }
    void SetOnConnecting(TVxSocketNotifyEvent Value) { CheckChange("OnConnecting"); FOnConnecting = Guarded(std::move(Value)); }
    TVxSocketNotifyEvent OnSendTextToSocket() const { return FOnSendTextToSocket; }
    void SetOnSendTextToSocket(TVxSocketNotifyEvent Value);
    TVxSocketNotifyEvent OnReceiveTextFromSocket() const { return FOnReceiveTextFromSocket; }
    void SetOnReceiveTextFromSocket(TVxSocketNotifyEvent Value);
    TVxNotifyEvent OnBeforeExecute() const { return FOnBeforeExecute; }
    void SetOnBeforeExecute(TVxNotifyEvent Value) { CheckChange("OnBeforeExecute"); FOnBeforeExecute = Guarded(std::move(Value)); }
    TVxIReceivedEvent OnAfterExecute() const { return FOnAfterExecute; }
    void SetOnAfterExecute(TVxIReceivedEvent Value) { CheckChange("OnAfterExecute"); FOnAfterExecute = Guarded(std::move(Value)); }

    // Runs the whole request cycle; returns the answers of all steps, or the message of
    // the library exception that ended them. Raises "already running" while a run of
    // this component is going.
    Q_INVOKABLE QString Execute();
    /// Runs Execute on a worker thread and returns at once; the future holds what Execute
    /// returns, or the exception it raises (EVxAborted when the run was cancelled). The
    /// callbacks run on the component's thread meanwhile (see TVxComponent); finished() is
    /// emitted at the end. Raises "already running" while a run is going.
    QFuture<QString> ExecuteAsync();
    virtual QString GetQuery();
    virtual QString GetRawHeaders();
    virtual void Connect();
    virtual void Disconnect();

    // The dotted-quad test: exactly four dot-separated whole numbers 0..255.
    static bool AddrIsIP(const QString& S);

protected:
    virtual QString InternalExecute();
    virtual void BeforeExecute();
    virtual void AfterExecute(QString& Text);

    // Sends byte text; the count the socket accepted, 0 when not connected.
    int SendToSocket(const QString& Text);
    // One read of at most Count bytes; 0 when the peer closed or not connected.
    int ReceiveFromSocket(char* Buffer, int Count);
    QString GetLocalHost() const;
    TVxClientSocket* ClientSocket() const { return FClientSocket; }
    // A connection kept open between runs goes with the run to its thread and back.
    void MoveRunObjects(QThread* Thread) override;

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
