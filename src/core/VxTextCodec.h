// Documents in 8-bit encodings: the encoding an XML declaration names, and what such a
// name means for bytes read as text. Internal: the XML engine and the feed parser share it.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <cstring>

#include <memory>

namespace VxTextCodec {

// The encoding attribute of the XML declaration that opens the document ("<?xml ...
// encoding='NAME' ...?>" at its first "<"): the name as written, found in single or double
// quotes, the attribute name in any case, wherever it stands; empty when there is none.
QByteArray DeclaredEncoding(QByteArrayView Document);

enum class TKind {
    Utf8,    // no name, a name of UTF-8, or one that 8-bit text cannot be in (UTF-16: the
             // declaration itself was read as ASCII, so it does not tell the truth)
    Latin1,  // ISO-8859-1, and a name no converter knows
    Other,   // any other encoding Qt's converters know
};
// What a declared encoding name means; for TKind::Other, Decoder receives its decoder.
TKind Resolve(QByteArrayView Name, std::unique_ptr<QStringDecoder>& Decoder);

// Bytes as text by that rule. UTF-8 that is not valid UTF-8 is read as Latin-1, so that
// nothing is lost.
QString Decode(QByteArrayView Bytes, QByteArrayView Name);

// Whether the bytes hold only ASCII.
inline bool IsAscii(const uchar* Data, qsizetype Size)
{
    qsizetype I = 0;
    for (; I + 8 <= Size; I += 8) {
        quint64 W;
        std::memcpy(&W, Data + I, 8);
        if (W & 0x8080808080808080ULL)
            return false;
    }
    uchar Or = 0;
    for (; I < Size; ++I)
        Or |= Data[I];
    return !(Or & 0x80);
}

}  // namespace VxTextCodec
