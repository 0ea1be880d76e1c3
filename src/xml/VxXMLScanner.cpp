// The XML engine's forgiving single-pass scanner, which builds the node tree.
//
// The scanner works on the document as loaded, without widening it: Latin-1 bytes (a
// stream without a byte-order mark), UTF-8 bytes (a stream with the UTF-8 mark, checked
// as a whole first) or UTF-16 text. Node names, values and attribute texts are slices of
// that document wherever the stored text equals the slice; only text that needs decoding
// is copied. The engine keeps the documents alive while nodes made from them exist.
#include "xml/VxXMLInternal.h"

#include "core/VxUtf8.h"

#include <vedidoredo/vxiutil.h>

#include <QPointer>
#include <QStringDecoder>
#include <array>
#include <cstring>
#include <limits>
#include <memory>

using namespace VxXMLDetail;

namespace {

// Character classes of the scanner.
enum : uchar {
    cName = 1,       // ! - 0-9 : ? A-Z a-z _
    cAttrStop = 2,   // #0 > / "
    cValueStop = 4,  // #0 < /
};

constexpr std::array<uchar, 256> MakeClasses()
{
    std::array<uchar, 256> T{};
    for (int C = '0'; C <= '9'; ++C)
        T[C] |= cName;
    for (int C = 'A'; C <= 'Z'; ++C)
        T[C] |= cName;
    for (int C = 'a'; C <= 'z'; ++C)
        T[C] |= cName;
    for (char C : {'!', '-', ':', '?', '_'})
        T[uchar(C)] |= cName;
    for (char C : {'\0', '>', '/', '"'})
        T[uchar(C)] |= cAttrStop;
    for (char C : {'\0', '<', '/'})
        T[uchar(C)] |= cValueStop;
    return T;
}

constexpr std::array<uchar, 256> Classes = MakeClasses();

template <typename Ch>
inline uchar ClassOf(Ch C)
{
    if constexpr (sizeof(Ch) == 1)
        return Classes[C];
    else
        return C < 256 ? Classes[C] : 0;
}

bool IsAscii(const uchar* D, qsizetype N)
{
    qsizetype I = 0;
    for (; I + 8 <= N; I += 8) {
        quint64 W;
        std::memcpy(&W, D + I, 8);
        if (W & 0x8080808080808080ULL)
            return false;
    }
    uchar Or = 0;
    for (; I < N; ++I)
        Or |= D[I];
    return !(Or & 0x80);
}

constexpr char CommentName[] = "Comment";

// A piece of text cut from the document: a slice of it, or text of its own when decoding
// changed it.
struct TPiece {
    const void* Data = nullptr;
    qsizetype Size = 0;
    bool Wide = false;
    bool Owned = false;
    QString Own;

    bool IsEmpty() const { return Owned ? Own.isEmpty() : Size == 0; }
    QString ToString() const
    {
        if (Owned)
            return Own;
        if (Wide)
            return QString(static_cast<const QChar*>(Data), Size);
        return QString::fromLatin1(static_cast<const char*>(Data), Size);
    }
    void SetOwn(QString S)
    {
        Own = std::move(S);
        Owned = true;
        Data = nullptr;
        Size = 0;
    }
    // Copy: store a copy instead of a slice (RootItem outlives the document).
    void StoreIn(TText& T, bool Copy) const
    {
        if (Owned)
            T.SetString(Own);
        else if (Wide)
            Copy ? T.SetString(QStringView(static_cast<const char16_t*>(Data), Size))
                 : T.SetRef(static_cast<const char16_t*>(Data), Size);
        else
            Copy ? T.SetLatin1(static_cast<const char*>(Data), Size)
                 : T.SetRef(static_cast<const char*>(Data), Size);
    }
    void AppendTo(TText& T) const
    {
        if (Owned)
            T.Append(Own);
        else if (Wide)
            T.Append(QStringView(static_cast<const char16_t*>(Data), Size));
        else
            T.AppendLatin1(static_cast<const char*>(Data), Size);
    }
};

// The encoding named by the declaration, applied to values and attribute texts.
class TDeclaredEncoding {
public:
    enum TMode { None, Utf8, CodePage };

    TMode Mode() const { return FMode; }

    void Set(const QString& Encoding)
    {
        FMode = None;
        FDecoder.reset();
        if (SameStrings(false, Encoding, QStringLiteral("utf-8"))) {
            FMode = Utf8;
            return;
        }
        if (Encoding.size() < 8 || !SameStrings(false, Encoding.left(8), QStringLiteral("windows-")))
            return;
        bool Ok = false;
        const int Page = Encoding.mid(8).toInt(&Ok, 10);
        // Not a number: the system's 8-bit code page, which here is Latin-1, so the text
        // stays as it is. A code page Qt has no converter for leaves it as it is too.
        if (!Ok)
            return;
        auto D = std::make_unique<QStringDecoder>(
            (QByteArray("windows-") + QByteArray::number(Page)).constData(),
            QStringDecoder::Flag::Stateless);
        if (!D->isValid())
            return;
        char Ascii[128];
        for (int I = 0; I < 128; ++I)
            Ascii[I] = char(I);
        const QString Back = D->decode(QByteArrayView(Ascii, 128));
        FAsciiSafe = Back == QLatin1StringView(Ascii, 128);
        FDecoder = std::move(D);
        FMode = CodePage;
    }

    // Decodes a piece in place.
    void Apply(TPiece& P)
    {
        if (FMode == None || P.IsEmpty())
            return;
        QByteArray Bytes;
        const uchar* D;
        qsizetype N;
        if (!P.Owned && !P.Wide) {
            D = static_cast<const uchar*>(P.Data);
            N = P.Size;
        } else {
            QStringView W = P.Owned ? QStringView(P.Own)
                                    : QStringView(static_cast<const char16_t*>(P.Data), P.Size);
            bool Ascii = true;
            for (QChar C : W) {
                if (C.unicode() > 0xFF) {
                    // Not byte text: UTF-8 goes through the library's decoding as it is;
                    // a code page cannot take it, so it stays as it is.
                    if (FMode == Utf8)
                        P.SetOwn(Utf8Decode(W.toString()));
                    return;
                }
                if (C.unicode() >= 0x80)
                    Ascii = false;
            }
            if (Ascii && (FMode == Utf8 || FAsciiSafe))
                return;
            Bytes.resize(W.size());
            for (qsizetype I = 0; I < W.size(); ++I)
                Bytes[I] = char(W[I].unicode());
            D = reinterpret_cast<const uchar*>(Bytes.constData());
            N = Bytes.size();
        }
        if (Bytes.isNull() && IsAscii(D, N) && (FMode == Utf8 || FAsciiSafe))
            return;
        if (FMode == Utf8) {
            P.SetOwn(VxUtf8::DecodeToString(D, N));
        } else {
            FDecoder->resetState();
            P.SetOwn(FDecoder->decode(QByteArrayView(D, N)));
        }
    }

private:
    TMode FMode = None;
    std::unique_ptr<QStringDecoder> FDecoder;
    bool FAsciiSafe = false;
};

// The scanner proper over one document. S[0..Len) is the text; reads at or past Len see
// #0. N is the number of characters to consider (it may exceed Len), End = min(N, Len).
// LastStart is where the last character within N starts: "P is before the last
// character" is P < LastStart (for UTF-8 bytes a character may span several bytes).
template <typename Ch>
struct TScanner {
    const Ch* S;
    qsizetype Len;
    qsizetype N;
    qsizetype End;
    qsizetype LastStart;
    qsizetype P = 0;

    Ch At(qsizetype I) const { return I >= 0 && I < Len ? S[I] : Ch(0); }

    void ReadName()
    {
        while (P < End && (ClassOf(S[P]) & cName))
            ++P;
    }

    void ReadAttributeText()
    {
        bool InQuote = false;
        while (P < End) {
            const Ch C = S[P];
            if (ClassOf(C) & cAttrStop) {
                if (C == 0 || C == '>')
                    break;
                if (C == '/') {
                    if (!InQuote)
                        break;
                } else {
                    InQuote = !InQuote;
                }
            }
            ++P;
        }
    }

    void ReadValue(qsizetype& From, qsizetype& To)
    {
        while (P < End && S[P] == '>')
            ++P;
        From = P;
        while (P < End) {
            const Ch C = S[P];
            if ((ClassOf(C) & cValueStop) && (C != '/' || At(P + 1) == '>'))
                break;
            ++P;
        }
        To = P;
        if (P < End && S[P] == '<')
            ++P;
    }

    void SkipToNextTag(bool Consume)
    {
        while (P < End && S[P] != 0 && S[P] != '<')
            ++P;
        if (Consume && P < End && S[P] == '<')
            ++P;
    }

    // The comment text runs from From to the character before the ">" of the first
    // "-->"; without one it is empty and the scan ends.
    void ReadComment(qsizetype From, qsizetype& TextFrom, qsizetype& TextTo)
    {
        for (qsizetype Q = From; Q + 2 < End && S[Q] != 0; ++Q) {
            if (S[Q] == '-' && S[Q + 1] == '-' && S[Q + 2] == '>') {
                TextFrom = From;
                TextTo = Q + 2;
                P = Q + 3;
                SkipToNextTag(true);
                return;
            }
        }
        TextFrom = TextTo = From;
        P = End;
    }

    // Skips a refused element with its content. The way back to the end of the refused
    // start tag never goes before the tag's own name: a start tag without ">" would
    // otherwise send the scan back over text already parsed, and a handler refusing the
    // same element again would never let the parse end.
    void SkipElement(qsizetype NameStart)
    {
        if (!(At(P) == '/' && At(P + 1) == '>')) {
            qsizetype Q = P - 1;
            while (Q >= NameStart && S[Q] != '>' && S[Q] != 0)
                --Q;
            P = Q < NameStart ? NameStart : Q;
        }
        qsizetype Depth = 1;
        while (P < End && Depth > 0) {
            const Ch C = S[P];
            if (C == '/' && At(P + 1) == '>') {
                --Depth;
                P += 2;
            } else if (C == '<' && At(P + 1) == '/') {
                --Depth;
                P += 2;
                SkipToNextTag(false);
            } else {
                if (C == '<')
                    ++Depth;
                ++P;
            }
        }
        if (P < End && S[P] == '<')
            ++P;
    }
};

// A piece of the document from From to To, decoded when a UTF-8 slice is not ASCII.
template <typename Ch>
TPiece Slice(const Ch* S, qsizetype From, qsizetype To, TSourceKind Kind)
{
    TPiece R;
    if (To <= From)
        return R;
    if constexpr (sizeof(Ch) == 2) {
        R.Data = S + From;
        R.Size = To - From;
        R.Wide = true;
    } else {
        const uchar* D = S + From;
        const qsizetype Size = To - From;
        if (Kind == TSourceKind::Utf8 && !IsAscii(D, Size)) {
            R.SetOwn(VxUtf8::DecodeToString(D, Size));
        } else {
            R.Data = D;
            R.Size = Size;
        }
    }
    return R;
}

}  // namespace

// The first node named "encoding" in RootItem's subtree. While no handler changed the
// tree, the parse only appends nodes at the end of the tree's pre-order, so the first
// match stays the first and new nodes only need a look when there is none yet. This
// keeps a document of many top-level declarations from searching the whole tree each
// time.
struct VxXMLParser::TEncodingCache {
    bool Disabled = false;
    bool Known = false;
    TVxXMLItem* First = nullptr;

    void Noted(TVxXMLItem* Node, TVxXMLItem* Root)
    {
        if (Disabled || !Known)
            return;
        const bool Match = AsText(Node->FTagName).EqualsIgnoringAsciiCase(u"encoding");
        if (Node == Root) {
            if (Match)
                First = Root;
            else if (First == Root)
                Known = false;
        } else if (!First && Match) {
            First = Node;
        }
    }
};

template <typename Ch>
bool VxXMLParser::Run(TVxXMLEngine* Engine, const Ch* S, qsizetype Len, qsizetype N,
                      qsizetype LastStart, TSourceKind Kind)
{
    TScanner<Ch> Sc{S, Len, N, std::max<qsizetype>(0, std::min(N, Len)), LastStart};
    TParseWatch Watch;
    Watch.Outer = ActiveWatch;
    ActiveWatch = &Watch;
    struct TRestore {
        TParseWatch* W;
        ~TRestore() { ActiveWatch = W->Outer; }
    } Restore{&Watch};
    QPointer<TVxXMLEngine> Alive(Engine);
    TDeclaredEncoding Declared;
    TEncodingCache Cache;

    // A handler ran: it may have destroyed the engine or changed the tree.
    auto AfterHandler = [&](quint64 Before) {
        if (!Alive)
            return false;
        if (MutationCount != Before)
            Cache.Disabled = true;
        return true;
    };

    qsizetype From, To;
    Sc.ReadValue(From, To);
    while (Sc.P < LastStart && Sc.At(Sc.P) != 0) {
        const qsizetype NameStart = Sc.P;
        Sc.ReadName();
        const qsizetype NameSize = Sc.P - NameStart;
        const bool IsComment =
            NameSize >= 3 && S[NameStart] == '!' && S[NameStart + 1] == '-' && S[NameStart + 2] == '-';
        bool IsDeclaration = false;
        TPiece Attributes, Value;
        if (IsComment) {
            Sc.ReadComment(NameStart + 3, From, To);
            Value.SetOwn(QLatin1StringView(CommentName) + Slice(S, From, To, Kind).ToString());
        } else {
            IsDeclaration = NameSize == 4 && (S[NameStart] == '?')
                            && (S[NameStart + 1] | 0x20) == 'x' && (S[NameStart + 2] | 0x20) == 'm'
                            && (S[NameStart + 3] | 0x20) == 'l';
            const qsizetype AttrFrom = Sc.P;
            Sc.ReadAttributeText();
            qsizetype AttrTo = Sc.P;
            if (IsDeclaration && AttrTo > AttrFrom && S[AttrTo - 1] == '?')
                --AttrTo;
            Sc.ReadValue(From, To);
            Attributes = Slice(S, AttrFrom, AttrTo, Kind);
            Value = Slice(S, From, To, Kind);
            // Text decoded from a byte-order mark is never decoded again.
            if (!Engine->FUTF8Processed) {
                Declared.Apply(Attributes);
                Declared.Apply(Value);
            }
        }

        bool Accept = true;
        TVxXMLItem* Node = nullptr;
        if (NameSize > 0) {
            if (!Watch.Current) {
                Node = Engine->FRootItem;
                Watch.Current = Node;
            } else {
                if (Engine->FOnTag) {
                    const QString Name = IsComment
                                             ? QStringLiteral("Comment")
                                             : Slice(S, NameStart, NameStart + NameSize, Kind).ToString();
                    const quint64 Before = MutationCount;
                    Engine->FOnTag(Engine, Watch.Current, Name, Value.ToString(), Attributes.ToString(),
                                   Accept);
                    if (!AfterHandler(Before))
                        return false;
                }
                if (Accept) {
                    TVxXMLItem* Parent = Watch.Current;
                    Node = Parent ? Parent->FItems.AddItem(Parent) : Engine->FRootItem;
                    Watch.Current = Node;
                }
            }
        } else {
            Node = Watch.Current;
        }

        if (!Accept) {
            Sc.SkipElement(NameStart);
        } else if (Node) {
            TVxXMLItem* Root = Engine->FRootItem;
            const bool Copy = Node == Root;
            if (NameSize > 0) {
                if (IsComment)
                    AsText(Node->FTagName).SetRef(CommentName, 7);
                else
                    Slice(S, NameStart, NameStart + NameSize, Kind).StoreIn(AsText(Node->FTagName), Copy);
                Cache.Noted(Node, Root);
            }
            if (!Value.IsEmpty()) {
                if (AsText(Node->FValue).IsNone())
                    Value.StoreIn(AsText(Node->FValue), Copy);
                else
                    Value.AppendTo(AsText(Node->FValue));
            }
            if (IsComment) {
                Node->FKind = ikComment;
                Watch.Current = Node->FParentItem;
            } else {
                Node->FKind = ikProperty;
                if (!Attributes.IsEmpty()) {
                    Attributes.StoreIn(AsText(Node->FAttributes), Copy);
                    if (IsDeclaration) {
                        const int Before = Node->FItems.Count();
                        Node->ProcessAttributes();
                        for (int I = Before; I < Node->FItems.Count(); ++I)
                            Cache.Noted(Node->FItems.Items(I), Root);
                        TVxXMLItem* Encoding;
                        if (Node == Root && !Cache.Disabled) {
                            if (!Cache.Known) {
                                Cache.First = Engine->GetItemByTag(Root, QStringLiteral("encoding"));
                                Cache.Known = true;
                            }
                            Encoding = Cache.First;
                        } else {
                            Encoding = Engine->GetItemByTag(Node, QStringLiteral("encoding"));
                        }
                        if (Encoding)
                            Declared.Set(Encoding->GetTagValue());
                    }
                }
            }
        } else if (NameSize == 0 && Sc.At(Sc.P) == '/' && Sc.At(Sc.P + 1) == '>') {
            // A nameless "/>" with no element open: nothing takes its text, and left in
            // place it would stop the scan from advancing.
            Sc.P += 2;
            Sc.SkipToNextTag(true);
        }

        // Close elements: every end tag and every "/>" closes exactly one.
        while (Sc.P < LastStart && Sc.At(Sc.P) == '/') {
            if (!Watch.Current)
                break;
            if (Sc.At(Sc.P + 1) == '>' && Sc.P + 1 == LastStart) {
                ++Sc.P;
                break;
            }
            TVxXMLItem* Closed = Watch.Current;
            Watch.Current = Closed->FParentItem;
            if (Engine->FOnAfterTag) {
                bool Cancel = false;
                TVxXMLItem* Ref = Closed;
                const quint64 Before = MutationCount;
                Engine->FOnAfterTag(Engine, Ref, Cancel);
                if (!AfterHandler(Before))
                    return false;
                if (Cancel)
                    return true;
            }
            Sc.SkipToNextTag(true);
        }
    }
    return true;
}

template bool VxXMLParser::Run<uchar>(TVxXMLEngine*, const uchar*, qsizetype, qsizetype,
                                      qsizetype, TSourceKind);
template bool VxXMLParser::Run<char16_t>(TVxXMLEngine*, const char16_t*, qsizetype, qsizetype,
                                         qsizetype, TSourceKind);
