// Placeholder: the engine is being written.
#include <vedidoredo/VxInBase.h>
#include <vedidoredo/vxiutil.h>

TVxInetProxy::TVxInetProxy(QObject* Owner) : TVxPersistent(Owner) {}

void TVxInetProxy::Assign(TVxPersistent* Source)
{
    if (auto* P = qobject_cast<TVxInetProxy*>(Source)) {
        FUseProxyServer = P->FUseProxyServer;
        FProxyServer = P->FProxyServer;
        FProxyUser = P->FProxyUser;
        FProxyPassword = P->FProxyPassword;
        FProxyPort = P->FProxyPort;
        return;
    }
    TVxPersistent::Assign(Source);
}

void TVxInetProxy::FillProxyInfo()
{
    ReadProxyInfo(FProxyServer, FUseProxyServer, FProxyPort);
}

TVxInetBase::TVxInetBase(QObject* Owner) : QObject(Owner), FClientSocket(new TVxClientSocket(this)), FProxy(new TVxInetProxy(this)) {}
TVxInetBase::~TVxInetBase() = default;
int TVxInetBase::Port() const { return 0; }
void TVxInetBase::SetPort(int) {}
QString TVxInetBase::Host() const { return {}; }
void TVxInetBase::SetHost(const QString&) {}
QString TVxInetBase::Address() const { return {}; }
void TVxInetBase::SetAddress(const QString&) {}
void TVxInetBase::SetProxy(TVxInetProxy* Value) { FProxy->Assign(Value); }
int TVxInetBase::Timeout() const { return 0; }
void TVxInetBase::SetTimeout(int) {}
TVxClientType TVxInetBase::ClientType() const { return ctBlocking; }
void TVxInetBase::SetClientType(TVxClientType) {}
void TVxInetBase::SetOnSendTextToSocket(TVxSocketNotifyEvent) {}
void TVxInetBase::SetOnReceiveTextFromSocket(TVxSocketNotifyEvent) {}
QString TVxInetBase::Execute() { return {}; }
QString TVxInetBase::GetQuery() { return {}; }
QString TVxInetBase::GetRawHeaders() { return {}; }
void TVxInetBase::Connect() {}
void TVxInetBase::Disconnect() {}
bool TVxInetBase::AddrIsIP(const QString&) { return false; }
QString TVxInetBase::InternalExecute() { return {}; }
void TVxInetBase::BeforeExecute() {}
void TVxInetBase::AfterExecute(QString&) {}
int TVxInetBase::SendToSocket(const QString&) { return 0; }
int TVxInetBase::ReceiveFromSocket(char*, int) { return 0; }
QString TVxInetBase::GetLocalHost() const { return {}; }
