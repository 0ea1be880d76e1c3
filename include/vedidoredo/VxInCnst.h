/// \file
/// The message catalogue: every user-visible status and error text of the library.
/// They are variables so that an application can translate them; the library reads
/// them each time it builds a message and never writes them.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QString>

/// The status window's default title: "Software update".
extern VX_CORE_EXPORT QString strVxInSoftwareUpdate;
/// Status line while connecting: "Connecting...".
extern VX_CORE_EXPORT QString strVxInConnecting;
/// Status line once connected: "Connected.".
extern VX_CORE_EXPORT QString strVxInConnected;
/// Status line while the remote file is looked for: "File search...".
extern VX_CORE_EXPORT QString strVxInFileSearch;
/// Status line once the remote file is found: "File found.".
extern VX_CORE_EXPORT QString strVxInFileFound;
/// Status line while the files are compared: "Comparing...".
extern VX_CORE_EXPORT QString strVxInFileComparing;
/// Status line once compared: "Compared.".
extern VX_CORE_EXPORT QString strVxInFileCompared;
/// Status line while downloading: "Downloading...".
extern VX_CORE_EXPORT QString strVxInDownloading;
/// Status line once downloaded: "Downloaded.".
extern VX_CORE_EXPORT QString strVxInDownloaded;
/// Status line while disconnecting: "Disconnecting...".
extern VX_CORE_EXPORT QString strVxInDisconnecting;
/// Status line once disconnected: "Disconnected.".
extern VX_CORE_EXPORT QString strVxInDisconnected;
/// Three integers in this order: bytes done, bytes in total, percent; "%%" is one "%".
extern VX_CORE_EXPORT QString strVxInProgress;
/// Title of the logon prompt for a proxy: "Proxy Server authorization".
extern VX_CORE_EXPORT QString strVxInProxyLogon;
/// Title of the logon prompt for a server: "HTTP Server authorization".
extern VX_CORE_EXPORT QString strVxInLogon;
/// Error when neither Host nor Address is set: "Host/Address is not defined.".
extern VX_CORE_EXPORT QString strVxInEHost;
/// Error when a server's login was refused: "HTTP Server authorization required".
extern VX_CORE_EXPORT QString strVxInEAuthRequired;
/// Error when a proxy's login was refused: "Proxy Server authorization required".
extern VX_CORE_EXPORT QString strVxInEProxyAuth;
/// Error for a missing remote file: "File not found".
extern VX_CORE_EXPORT QString strVxInEFileNotFound;
