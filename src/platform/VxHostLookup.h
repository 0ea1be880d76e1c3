/// \file
/// Name lookup with a time limit, and the error codes the socket layer reports.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QAbstractSocket>
#include <QHostAddress>
#include <QHostInfo>
#include <QString>

/// Looks HostName up. QHostInfo::fromName has no time limit of its own, so with
/// TimeoutMs > 0 the lookup runs on a thread of its own and the wait stops when the time
/// is up (Expired is then set; the thread ends on its own and its answer is dropped).
/// TimeoutMs <= 0 waits without limit.
VX_CORE_EXPORT QHostInfo VxLookupHost(const QString& HostName, int TimeoutMs, bool& Expired);

/// The address to connect to for HostName: the host itself when it is an address literal,
/// otherwise the first IPv4 address its lookup gives, or the first address when it gives
/// no IPv4 one. A null address when the lookup fails or gives nothing; Expired tells a
/// lookup that ran out of time (VxLookupHost).
VX_CORE_EXPORT QHostAddress VxPreferredHostAddress(const QString& HostName, int TimeoutMs,
                                                   bool& Expired);
/// The one message for a host name that gives no address.
VX_CORE_EXPORT QString VxHostNotFoundText(const QString& HostName);

/// The errno-style code for a Qt socket error; never 0, so that an error handler that
/// sets a code to 0 is known to have suppressed it.
VX_CORE_EXPORT int VxSocketErrorCode(QAbstractSocket::SocketError Error);
