// The texts of nodes: slices of a parsed document or text of their own in one compact form.
#include "xml/VxXMLText.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace VxXMLDetail {

namespace {

// Text of its own lives in a malloc block whose first word holds the capacity in units.
constexpr qsizetype BlockHeader = sizeof(qsizetype);
constexpr qsizetype MaxTextSize = std::numeric_limits<quint32>::max();

void* AllocateText(qsizetype Capacity, qsizetype Unit)
{
    void* Block = std::malloc(size_t(BlockHeader + Capacity * Unit));
    if (!Block)
        throw std::bad_alloc();
    *static_cast<qsizetype*>(Block) = Capacity;
    return static_cast<char*>(Block) + BlockHeader;
}

void FreeText(const void* Data)
{
    if (Data)
        std::free(const_cast<char*>(static_cast<const char*>(Data)) - BlockHeader);
}

qsizetype TextCapacity(const void* Data)
{
    return Data ? *reinterpret_cast<const qsizetype*>(static_cast<const char*>(Data) - BlockHeader)
                : 0;
}

bool FitsLatin1(QStringView S)
{
    for (QChar C : S)
        if (C.unicode() > 0xFF)
            return false;
    return true;
}

}  // namespace

QString TText::ToString() const
{
    switch (FForm) {
    case fLatin1Ref:
    case fLatin1Own:
        return QString::fromLatin1(Latin1Data(), qsizetype(FSize));
    case fUtf16Ref:
    case fUtf16Own:
        return QString(reinterpret_cast<const QChar*>(FData), qsizetype(FSize));
    case fVariant:
        return static_cast<const QVariant*>(FData)->toString();
    case fNone:
        break;
    }
    return QString();
}

QVariant TText::ToVariant() const
{
    if (FForm == fNone)
        return QVariant();
    if (FForm == fVariant)
        return *static_cast<const QVariant*>(FData);
    return QVariant(ToString());
}

void TText::Clear()
{
    if (FForm == fLatin1Own || FForm == fUtf16Own)
        FreeText(FData);
    else if (FForm == fVariant)
        delete static_cast<const QVariant*>(FData);
    FData = nullptr;
    FSize = 0;
    FForm = fNone;
}

void TText::SetRef(const char* Data, qsizetype Size)
{
    if (Size > MaxTextSize)
        return SetVariant(QString::fromLatin1(Data, Size));
    Clear();
    FData = Data;
    FSize = quint32(Size);
    FForm = fLatin1Ref;
}

void TText::SetRef(const char16_t* Data, qsizetype Size)
{
    if (Size > MaxTextSize)
        return SetVariant(QString(reinterpret_cast<const QChar*>(Data), Size));
    Clear();
    FData = Data;
    FSize = quint32(Size);
    FForm = fUtf16Ref;
}

void TText::SetLatin1(const char* Data, qsizetype Size)
{
    if (Size > MaxTextSize)
        return SetVariant(QString::fromLatin1(Data, Size));
    void* Own = Size > 0 ? AllocateText(Size, 1) : nullptr;
    if (Size > 0)
        std::memcpy(Own, Data, size_t(Size));
    Clear();
    FData = Own;
    FSize = quint32(Size);
    FForm = fLatin1Own;
}

void TText::SetString(QStringView S)
{
    const qsizetype Size = S.size();
    if (Size > MaxTextSize)
        return SetVariant(S.toString());
    void* Own = nullptr;
    TForm Form = fLatin1Own;
    if (Size > 0) {
        if (FitsLatin1(S)) {
            char* L = static_cast<char*>(AllocateText(Size, 1));
            for (qsizetype I = 0; I < Size; ++I)
                L[I] = char(S[I].unicode());
            Own = L;
        } else {
            Own = AllocateText(Size, 2);
            std::memcpy(Own, S.data(), size_t(Size) * 2);
            Form = fUtf16Own;
        }
    }
    Clear();
    FData = Own;
    FSize = quint32(Size);
    FForm = Form;
}

void TText::SetVariant(const QVariant& V)
{
    if (!V.isValid())
        return Clear();
    if (V.typeId() == QMetaType::QString) {
        const QString S = V.toString();
        if (S.size() <= MaxTextSize)
            return SetString(S);
    }
    QVariant* Own = new QVariant(V);
    Clear();
    FData = Own;
    FForm = fVariant;
}

void TText::CopyFrom(const TText& Source)
{
    if (&Source == this)
        return;
    switch (Source.FForm) {
    case fNone:
        return Clear();
    case fVariant:
        return SetVariant(*static_cast<const QVariant*>(Source.FData));
    case fLatin1Ref:
    case fLatin1Own:
        return SetLatin1(Source.Latin1Data(), Source.Size());
    case fUtf16Ref:
    case fUtf16Own:
        return SetString(QStringView(Source.Utf16Data(), Source.Size()));
    }
}

void TText::Append(QStringView S)
{
    if (S.isEmpty()) {
        if (FForm == fNone)
            SetLatin1(nullptr, 0);
        return;
    }
    if (FForm == fVariant || FForm == fNone) {
        const QString Old = ToString();
        SetString(Old);
    }
    const qsizetype Old = qsizetype(FSize);
    const qsizetype Size = Old + S.size();
    if (Size > MaxTextSize)
        return SetVariant(ToString() + S.toString());
    const bool Latin1 = IsLatin1() && FitsLatin1(S);
    const qsizetype Unit = Latin1 ? 1 : 2;
    const bool Owned = FForm == (Latin1 ? fLatin1Own : fUtf16Own);
    if (!Owned || TextCapacity(FData) < Size) {
        const qsizetype Capacity =
            std::min<qsizetype>(MaxTextSize, std::max<qsizetype>(Size, Old + Old / 2 + 16));
        void* Grown = AllocateText(Capacity, Unit);
        if (Latin1) {
            std::memcpy(Grown, FData, size_t(Old));
        } else if (IsLatin1()) {
            char16_t* W = static_cast<char16_t*>(Grown);
            for (qsizetype I = 0; I < Old; ++I)
                W[I] = char16_t(uchar(Latin1Data()[I]));
        } else {
            std::memcpy(Grown, FData, size_t(Old) * 2);
        }
        const TForm Form = Latin1 ? fLatin1Own : fUtf16Own;
        Clear();
        FData = Grown;
        FForm = Form;
    }
    if (Latin1) {
        char* L = const_cast<char*>(Latin1Data()) + Old;
        for (qsizetype I = 0; I < S.size(); ++I)
            L[I] = char(S[I].unicode());
    } else {
        std::memcpy(const_cast<char16_t*>(Utf16Data()) + Old, S.data(), size_t(S.size()) * 2);
    }
    FSize = quint32(Size);
}

void TText::AppendLatin1(const char* Data, qsizetype Size)
{
    Append(QString::fromLatin1(Data, Size));
}

bool TText::Equals(QStringView S) const
{
    if (!IsText() || qsizetype(FSize) != S.size())
        return false;
    if (!IsLatin1())
        return std::memcmp(FData, S.data(), size_t(FSize) * 2) == 0;
    const char* L = Latin1Data();
    for (qsizetype I = 0; I < S.size(); ++I)
        if (char16_t(uchar(L[I])) != S[I].unicode())
            return false;
    return true;
}

bool TText::EqualsIgnoringAsciiCase(QStringView S) const
{
    if (!IsText() || qsizetype(FSize) != S.size())
        return false;
    for (qsizetype I = 0; I < S.size(); ++I)
        if (FoldAscii(At(I)) != FoldAscii(S[I].unicode()))
            return false;
    return true;
}

}  // namespace VxXMLDetail
