#include <vedidoredo/VxInetProxy.h>
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
