/// \file
/// Text and encoding utilities shared by the components, and the system proxy reader.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxFileMask.h>  // VxMatchesMask, for existing callers

#include <QString>

/// Decodes byte text holding UTF-8 into UTF-16; the empty string for malformed input.
/// Four-byte forms give a surrogate pair; over-long forms are accepted.
VX_CORE_EXPORT QString Utf8Decode(const QString& S);
/// Base64 of byte text (the low byte of each character), without line breaks.
VX_CORE_EXPORT QString Encode64(const QString& S);
/// Writes and starts a shell script that deletes the running program once it has exited,
/// then deletes itself. The caller is expected to exit right after.
VX_CORE_EXPORT void DeleteExe();
/// The MIME type of the file name's extension; "application/octet-stream" when unknown.
VX_CORE_EXPORT QString ContentTypeByFile(const QString& FileName);
/// The characters in reverse order (UTF-16 units).
VX_CORE_EXPORT QString Reverse(const QString& S);
/// Column Index (from 0) of S split at Separator; empty beyond the last column.
VX_CORE_EXPORT QString GetColumn(const QString& S, int Index, QChar Separator);
/// Replaces a few HTML entities in place, from the start, until one is not known.
VX_CORE_EXPORT void ReplaceHTMLChars(QString& S);
/// Splits a proxy server text as ReadProxyInfo does: from the first "http=" on, up to the
/// next ";", when there is one; then a ":" parts host and Port (0 when the text after it
/// is not a whole number). Without a ":" Port keeps its value.
VX_CORE_EXPORT void VxSplitProxyServer(QString& Server, int& Port);
/// Reads the user's system proxy settings (on Linux the proxy environment, by libcurl's
/// rule: http_proxy, https_proxy, ftp_proxy, then all_proxy) into Server, UseProxy and
/// Port: UseProxy tells whether a proxy is set, Server receives its text when there is
/// one, and when both are there the text is split with VxSplitProxyServer. Never raises.
VX_CORE_EXPORT void ReadProxyInfo(QString& Server, bool& UseProxy, int& Port);
