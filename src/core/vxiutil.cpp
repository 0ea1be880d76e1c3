// Placeholder: the utilities are being written.
#include <vedidoredo/vxiutil.h>
QString Utf8Decode(const QString& S) { return S; }
QString Encode64(const QString&) { return {}; }
void DeleteExe() {}
QString ContentTypeByFile(const QString&) { return QStringLiteral("application/octet-stream"); }
QString Reverse(const QString& S) { return S; }
QString GetColumn(const QString&, int, QChar) { return {}; }
void ReplaceHTMLChars(QString&) {}
void ReadProxyInfo(QString&, bool&, int&) {}
