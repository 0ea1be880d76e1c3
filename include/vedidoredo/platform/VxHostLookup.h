// Name lookup with a time limit, and the error codes the socket layer reports.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QAbstractSocket>
#include <QHostInfo>
#include <QString>

// Looks HostName up. QHostInfo::fromName has no time limit of its own, so with
// TimeoutMs > 0 the lookup runs on a thread of its own and the wait stops when the time
// is up (Expired is then set; the thread ends on its own and its answer is dropped).
// TimeoutMs <= 0 waits without limit.
VX_CORE_EXPORT QHostInfo VxLookupHost(const QString& HostName, int TimeoutMs, bool& Expired);

// The errno-style code for a Qt socket error; never 0, so that an error handler that
// sets a code to 0 is known to have suppressed it.
VX_CORE_EXPORT int VxSocketErrorCode(QAbstractSocket::SocketError Error);
