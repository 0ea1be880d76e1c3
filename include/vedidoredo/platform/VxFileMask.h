/// \file
/// File-name masks, as directory listings take them.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QString>

/// Windows-style file mask: '*' any run of characters, '?' one character; "*.*" and "*"
/// match every name, and a mask ending in ".*" also matches names without a dot
/// ("readme.*" matches "readme"). Case-sensitive.
VX_CORE_EXPORT bool VxMatchesMask(const QString& Name, const QString& Mask);
