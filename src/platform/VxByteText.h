/// \file
/// Byte text, the wire form of the socket components: a QString with one character per byte.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QString>

/// Byte text as the bytes it stands for: a character up to 255 is one byte; one above 255
/// has no byte of its own and becomes its UTF-8 form (a surrogate pair as one code point).
VX_CORE_EXPORT QByteArray VxByteTextToBytes(const QString& ByteText);
