// The datagram form of the engine's connect and step, shared by the SNTP and DNS
// clients: the target is resolved instead of connected, and one query goes out as one
// datagram. Failures pass through the component's OnError first, as the client socket's
// do: a handler that sets the code to 0 suppresses the exception; otherwise it goes on
// with the target ("host:port") added to its message.
#pragma once

#include <vedidoredo/VxInBase.h>

#include <QByteArray>
#include <QHostAddress>

namespace VxDatagramStep {

// Resolves the component's target (host name, else address) within its Timeout,
// raising OnLookup first. On failure: OnError (eeLookup), then EVxSocketError unless
// suppressed, in which case the null address comes back.
QHostAddress Resolve(TVxInetBase* Component, TVxClientSocket* Socket);

// Runs Exchange, reporting an EVxSocketError it raises through OnError with Kind.
// Returns false when the handler suppressed the failure.
bool Run(TVxInetBase* Component, TVxClientSocket* Socket, TVxErrorEvent Kind,
         const std::function<void()>& Exchange);

}  // namespace VxDatagramStep
