// The text a node stores for its name, value and attribute text. Internal to the XML
// engine: the public node class holds it as an opaque TTextSlot.
#pragma once

#include <vedidoredo/VxInetXML.h>

#include <QString>
#include <QStringView>
#include <QVariant>
#include <new>

namespace VxXMLDetail {

// The text of one node field, in 16 bytes: nothing (an unassigned value), a slice of a
// document the engine parsed (1-byte Latin-1 units or UTF-16 units; the engine keeps the
// document alive as long as nodes of it exist), text of its own, or any other variant
// a program stored as a value.
class TText {
public:
    enum TForm : quint8 { fNone, fLatin1Ref, fUtf16Ref, fLatin1Own, fUtf16Own, fVariant };

    TText() = default;
    ~TText() { Clear(); }
    TText(const TText&) = delete;
    TText& operator=(const TText&) = delete;

    TForm Form() const { return FForm; }
    bool IsNone() const { return FForm == fNone; }
    bool IsText() const { return FForm != fNone && FForm != fVariant; }
    // Number of characters of a text (0 for none and for variants).
    qsizetype Size() const { return IsText() ? qsizetype(FSize) : 0; }
    bool IsEmptyText() const { return Size() == 0; }
    bool IsLatin1() const { return FForm == fLatin1Ref || FForm == fLatin1Own; }
    const char* Latin1Data() const { return static_cast<const char*>(FData); }
    const char16_t* Utf16Data() const { return static_cast<const char16_t*>(FData); }
    char16_t At(qsizetype I) const
    {
        return IsLatin1() ? char16_t(uchar(Latin1Data()[I])) : Utf16Data()[I];
    }

    QString ToString() const;  // a variant converts with QVariant::toString
    QVariant ToVariant() const;  // invalid for none

    void Clear();
    void SetRef(const char* Data, qsizetype Size);
    void SetRef(const char16_t* Data, qsizetype Size);
    void SetString(QStringView S);  // a copy of its own, also for the empty text
    void SetLatin1(const char* Data, qsizetype Size);  // a copy of its own
    void SetVariant(const QVariant& V);  // strings are stored as text, invalid as none
    void CopyFrom(const TText& Source);  // always a copy of its own
    // Appends to the text (a variant is taken as text first). The result is text of its
    // own with room to grow, so many appends cost linear time in all.
    void Append(QStringView S);
    void AppendLatin1(const char* Data, qsizetype Size);

    // Comparisons with the text (a variant never matches).
    bool Equals(QStringView S) const;
    // Equal when only the case of the letters A to Z differs.
    bool EqualsIgnoringAsciiCase(QStringView S) const;

private:
    const void* FData = nullptr;
    quint32 FSize = 0;
    TForm FForm = fNone;
};


static_assert(sizeof(TText) <= sizeof(TTextSlot) && alignof(TText) <= alignof(TTextSlot));

// The letters A to Z as a to z, every other unit as it is.
inline char16_t FoldAscii(char16_t C)
{
    return (C >= u'A' && C <= u'Z') ? char16_t(C + 32) : C;
}

// The text living in a node's slot (made by the node's constructor).
inline TText& AsText(TTextSlot& Slot)
{
    return *std::launder(reinterpret_cast<TText*>(Slot.Bytes));
}
inline const TText& AsText(const TTextSlot& Slot)
{
    return *std::launder(reinterpret_cast<const TText*>(Slot.Bytes));
}

}  // namespace VxXMLDetail
