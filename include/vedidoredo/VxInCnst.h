// The message catalogue: every user-visible status and error text of the library.
// They are variables so that an application can translate them; the library reads
// them each time it builds a message and never writes them.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QString>

extern VX_CORE_EXPORT QString strVxInSoftwareUpdate;
extern VX_CORE_EXPORT QString strVxInConnecting;
extern VX_CORE_EXPORT QString strVxInConnected;
extern VX_CORE_EXPORT QString strVxInFileSearch;
extern VX_CORE_EXPORT QString strVxInFileFound;
extern VX_CORE_EXPORT QString strVxInFileComparing;
extern VX_CORE_EXPORT QString strVxInFileCompared;
extern VX_CORE_EXPORT QString strVxInDownloading;
extern VX_CORE_EXPORT QString strVxInDownloaded;
extern VX_CORE_EXPORT QString strVxInDisconnecting;
extern VX_CORE_EXPORT QString strVxInDisconnected;
// Three integers in this order: bytes done, bytes in total, percent; "%%" is one "%".
extern VX_CORE_EXPORT QString strVxInProgress;
extern VX_CORE_EXPORT QString strVxInProxyLogon;
extern VX_CORE_EXPORT QString strVxInLogon;
extern VX_CORE_EXPORT QString strVxInEHost;
extern VX_CORE_EXPORT QString strVxInEAuthRequired;
extern VX_CORE_EXPORT QString strVxInEProxyAuth;
extern VX_CORE_EXPORT QString strVxInEFileNotFound;
