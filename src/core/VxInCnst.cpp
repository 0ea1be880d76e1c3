#include <vedidoredo/VxInCnst.h>

QString strVxInSoftwareUpdate = QStringLiteral("Software update");
QString strVxInConnecting = QStringLiteral("Connecting...");
QString strVxInConnected = QStringLiteral("Connected.");
QString strVxInFileSearch = QStringLiteral("File search...");
QString strVxInFileFound = QStringLiteral("File found.");
QString strVxInFileComparing = QStringLiteral("Comparing...");
QString strVxInFileCompared = QStringLiteral("Compared.");
QString strVxInDownloading = QStringLiteral("Downloading...");
QString strVxInDownloaded = QStringLiteral("Downloaded.");
QString strVxInDisconnecting = QStringLiteral("Disconnecting...");
QString strVxInDisconnected = QStringLiteral("Disconnected.");
QString strVxInProgress = QStringLiteral("Downloaded %d of %d bytes (%d%%)");
QString strVxInProxyLogon = QStringLiteral("Proxy Server authorization");
QString strVxInLogon = QStringLiteral("HTTP Server authorization");
QString strVxInEHost = QStringLiteral("Host/Address is not defined.");
QString strVxInEAuthRequired = QStringLiteral("HTTP Server authorization required");
QString strVxInEProxyAuth = QStringLiteral("Proxy Server authorization required");
QString strVxInEFileNotFound = QStringLiteral("File not found");
