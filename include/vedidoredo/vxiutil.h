// Text and encoding utilities shared by the components, and the system proxy reader.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QString>

// Decodes byte text holding UTF-8 into UTF-16; the empty string for malformed input.
VX_CORE_EXPORT QString Utf8Decode(const QString& S);
// Base64 of byte text (the low byte of each character), without line breaks.
VX_CORE_EXPORT QString Encode64(const QString& S);
// Writes and starts a shell script that deletes the running program once it has exited,
// then deletes itself. The caller is expected to exit right after.
VX_CORE_EXPORT void DeleteExe();
// The MIME type of the file name's extension; "application/octet-stream" when unknown.
VX_CORE_EXPORT QString ContentTypeByFile(const QString& FileName);
// The characters in reverse order (UTF-16 units).
VX_CORE_EXPORT QString Reverse(const QString& S);
// Column Index (from 0) of S split at Separator; empty beyond the last column.
VX_CORE_EXPORT QString GetColumn(const QString& S, int Index, QChar Separator);
// Replaces a few HTML entities in place, from the start, until one is not known.
VX_CORE_EXPORT void ReplaceHTMLChars(QString& S);
// Reads the user's system proxy settings into Server, UseProxy and Port, then splits a
// "host:port" or per-protocol server text. Never raises.
VX_CORE_EXPORT void ReadProxyInfo(QString& Server, bool& UseProxy, int& Port);
