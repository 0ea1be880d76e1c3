// Shared between the XML node model and the engine; not part of the public interface.
#pragma once

#include "VxXMLText.h"
#include "core/VxUtf8.h"

#include <vedidoredo/VxInetXML.h>

#include <QByteArrayView>
#include <QString>

namespace VxXMLDetail {

// A running parse registers the node it is filling, so that a node destroyed by a
// callback (or any of its ancestors) moves the parse up to the surviving ancestor
// instead of leaving it with a dangling pointer. Parses may nest (a callback may parse
// another document), hence the chain.
struct TParseWatch {
    TVxXMLItem* Current = nullptr;
    TParseWatch* Outer = nullptr;
};
extern thread_local TParseWatch* ActiveWatch;

// What a document of UTF-8 bytes decodes to, as far as the scanner cares.
struct TUtf8Shape {
    bool Valid = false;            // DecodeUtf8 would succeed
    bool AsciiFromMultiByte = false;  // a sequence of two or three bytes gives a unit below 0x80
    // Where the last decoded character starts, so that "before the last character" is
    // "below LastStart" (for a final surrogate pair: the end of its bytes).
    qsizetype LastStart = -1;
};
TUtf8Shape ScanUtf8(const uchar* Data, qsizetype Size);

// The library's UTF-8 decoding (core/VxUtf8.h) over raw bytes, the form the engine uses;
// empty for malformed input.
inline QString Utf8DecodeBytes(QByteArrayView Bytes)
{
    return VxUtf8::DecodeToString(reinterpret_cast<const uchar*>(Bytes.data()), Bytes.size());
}

// What the bytes of a document are taken as.
enum class TSourceKind { Latin1, Utf8, Utf16 };

}  // namespace VxXMLDetail

// Runs one parse over a document (VxXMLScanner.cpp); friend of the engine and the nodes.
struct VxXMLParser {
    // Parses the first N units of S (Len in all) into Engine's tree, adding to what is
    // there; LastStart is where the document's last character starts. Returns false when
    // a handler destroyed the engine. Ch is uchar (Latin-1 or UTF-8) or char16_t.
    template <typename Ch>
    static bool Run(TVxXMLEngine* Engine, const Ch* S, qsizetype Len, qsizetype N,
                    qsizetype LastStart, VxXMLDetail::TSourceKind Kind);

    // Parses Size bytes of Bytes from From on as a document, in the encoding its
    // declaration names; without one as UTF-8, or as Latin-1 when the bytes are not UTF-8.
    // Declared UTF-8 is read piece by piece: a piece that is not UTF-8 stays Latin-1.
    // Marked: the bytes followed a UTF-8 byte-order mark, so they are UTF-8 whatever is
    // declared. Unlimited: reads past the end count as characters before the last one
    // (a character limit beyond the text).
    static void ParseBytes(TVxXMLEngine* Engine, const QByteArray& Bytes, qsizetype From, qsizetype Size,
                           bool Marked, bool Unlimited);
};
