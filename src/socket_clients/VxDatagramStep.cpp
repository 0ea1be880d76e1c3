#include "VxDatagramStep.h"

#include <vedidoredo/VxInCnst.h>
#include "platform/VxDatagram.h"

namespace VxDatagramStep {

bool Run(TVxInetBase* Component, TVxClientSocket* Socket, TVxErrorEvent Kind,
         const std::function<void()>& Exchange)
{
    try {
        Exchange();
        return true;
    } catch (const EVxSocketError& E) {
        int Code = E.ErrorCode() != 0 ? E.ErrorCode() : -1;
        if (auto Handler = Component->OnError())
            Handler(Socket, Socket, Kind, Code);
        if (Code == 0)
            return false;
        throw EVxSocketError(E.Message() + QStringLiteral(" (") + Component->TargetText() + QLatin1Char(')'),
                             E.ErrorCode());
    }
}

QHostAddress Resolve(TVxInetBase* Component, TVxClientSocket* Socket)
{
    const QString Name = !Component->Host().isEmpty() ? Component->Host() : Component->Address();
    if (Name.isEmpty())
        throw EVxError(strVxInEHost);
    if (auto Handler = Component->OnLookup())
        Handler(Socket, Socket);
    QHostAddress Peer;
    Run(Component, Socket, eeLookup,
        [&] { Peer = VxResolveHost(Name, Component->Timeout()); });
    return Peer;
}

}  // namespace VxDatagramStep
