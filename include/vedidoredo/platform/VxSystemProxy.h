// The user's system proxy settings, as the operating system keeps them. On Linux and
// other POSIX systems that is the proxy environment of the session (http_proxy,
// https_proxy, ftp_proxy, all_proxy and their upper-case forms).
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QProcessEnvironment>
#include <QString>

// The proxy server text of Env in the per-protocol form "http=host:port;https=host:port;
// ftp=host:port;socks=host:port", or a single "host:port" when HTTP, HTTPS and FTP all
// use the same proxy and no SOCKS proxy is set. Schemes, user names, passwords and
// paths are left out; a proxy without a port gives "host" alone. For each protocol the
// lower-case variable wins over the upper-case one, and all_proxy fills the protocols
// that have none of their own; a variable whose scheme is socks* names the SOCKS proxy
// instead. Empty variables and values without a host count as unset. Empty when no
// proxy is set.
VX_CORE_EXPORT QString VxProxyServerText(const QProcessEnvironment& Env);

// Reads the running process's proxy environment. Enabled is always set: true when a
// proxy is configured. ServerText is set, and true returned, only when there is a
// server text; otherwise ServerText is left as it was.
VX_CORE_EXPORT bool VxReadSystemProxy(QString& ServerText, bool& Enabled);
