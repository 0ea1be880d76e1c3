// The library's one UTF-8 decoding, over byte text (QString units, one byte each) as over
// raw bytes. Internal: Utf8Decode (vxiutil.h) and the XML engine are built on it.
#pragma once

#include <QChar>
#include <QString>
#include <QtGlobal>
#include <cstring>

namespace VxUtf8 {

// One sequence at K: the number of units it takes (0 when malformed) and the one or two
// UTF-16 units it gives. A lead with bit 0x80 clear is itself; a four-byte form (11110xxx)
// gives a surrogate pair, or one unit when over-long, and is malformed above U+10FFFF;
// every other lead takes its low six bits and, with bit 0x20 set, one continuation byte
// more; the result is cut to 16 bits. Over-long forms pass. Continuation bytes are read
// as the low byte of their unit, leads as the whole unit.
template <class Unit>
inline qsizetype DecodeStep(const Unit* D, qsizetype Size, qsizetype K, char16_t (&U)[2],
                            int& Units)
{
    const uint Lead = uint(D[K]);
    Units = 1;
    if (!(Lead & 0x80)) {
        U[0] = char16_t(Lead);
        return 1;
    }
    qsizetype J = K + 1;
    if (J >= Size)
        return 0;
    uint Bits = 0;
    auto Continuation = [&]() {
        if (J >= Size)
            return false;
        const uint C = uint(D[J++]) & 0xFF;
        if ((C & 0xC0) != 0x80)
            return false;
        Bits = C & 0x3F;
        return true;
    };
    if ((Lead & 0xF8) == 0xF0) {
        uint V = Lead & 0x07;
        for (int I = 0; I < 3; ++I) {
            if (!Continuation())
                return 0;
            V = (V << 6) | Bits;
        }
        if (V > 0x10FFFF)
            return 0;
        if (V < 0x10000) {
            U[0] = char16_t(V);
        } else {
            U[0] = QChar::highSurrogate(V);
            U[1] = QChar::lowSurrogate(V);
            Units = 2;
        }
        return J - K;
    }
    uint V = Lead & 0x3F;
    if (V & 0x20) {
        if (!Continuation() || J >= Size)
            return 0;
        V = (V << 6) | Bits;
    }
    if (!Continuation())
        return 0;
    U[0] = char16_t(((V << 6) | Bits) & 0xFFFF);
    return J - K;
}

// Decodes Size units of Data into Out, which must hold Size units (no form gives more
// units than it takes); OutSize receives the number written. False for malformed input.
template <class Unit>
inline bool Decode(const Unit* Data, qsizetype Size, char16_t* Out, qsizetype& OutSize)
{
    qsizetype K = 0;
    qsizetype O = 0;
    OutSize = 0;
    while (K < Size) {
        if constexpr (sizeof(Unit) == 1) {
            // ASCII runs of raw bytes, eight at a time.
            while (K + 8 <= Size) {
                quint64 W;
                std::memcpy(&W, Data + K, 8);
                if (W & 0x8080808080808080ULL)
                    break;
                for (int I = 0; I < 8; ++I)
                    Out[O + I] = char16_t(uchar(Data[K + I]));
                K += 8;
                O += 8;
            }
            if (K >= Size)
                break;
        }
        char16_t U[2] = {};
        int Units;
        const qsizetype Used = DecodeStep(Data, Size, K, U, Units);
        if (Used == 0)
            return false;
        Out[O++] = U[0];
        if (Units == 2)
            Out[O++] = U[1];
        K += Used;
    }
    OutSize = O;
    return true;
}

// Whether the bytes are UTF-8 as the standard defines it: no over-long forms, no encoded
// surrogates, nothing above U+10FFFF. (The decoding above is more lenient.)
inline bool IsStrictlyValid(const uchar* D, qsizetype Size)
{
    qsizetype K = 0;
    while (K < Size) {
        // ASCII runs, 32 and then 8 bytes at a time.
        while (K + 32 <= Size) {
            quint64 W[4];
            std::memcpy(W, D + K, 32);
            if ((W[0] | W[1] | W[2] | W[3]) & 0x8080808080808080ULL)
                break;
            K += 32;
        }
        while (K + 8 <= Size) {
            quint64 W;
            std::memcpy(&W, D + K, 8);
            if (W & 0x8080808080808080ULL)
                break;
            K += 8;
        }
        if (K >= Size)
            break;
        const uint Lead = D[K];
        if (Lead < 0x80) {
            ++K;
            continue;
        }
        int More;
        uint Min;
        if (Lead >= 0xC2 && Lead <= 0xDF) {
            More = 1;
            Min = 0x80;
        } else if (Lead >= 0xE0 && Lead <= 0xEF) {
            More = 2;
            Min = 0x800;
        } else if (Lead >= 0xF0 && Lead <= 0xF4) {
            More = 3;
            Min = 0x10000;
        } else {
            return false;
        }
        if (K + More >= Size)
            return false;
        uint V = Lead & (0x3F >> More);
        for (int I = 1; I <= More; ++I) {
            const uint C = D[K + I];
            if ((C & 0xC0) != 0x80)
                return false;
            V = (V << 6) | (C & 0x3F);
        }
        if (V < Min || V > 0x10FFFF || (V >= 0xD800 && V <= 0xDFFF))
            return false;
        K += 1 + More;
    }
    return true;
}

// Data decoded as a string; a null string for malformed input.
template <class Unit>
inline QString DecodeToString(const Unit* Data, qsizetype Size)
{
    QString Out(Size, Qt::Uninitialized);
    qsizetype N = 0;
    if (!Decode(Data, Size, reinterpret_cast<char16_t*>(Out.data()), N))
        return QString();
    Out.truncate(N);
    return Out;
}

}  // namespace VxUtf8
