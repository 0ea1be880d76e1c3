// The XML engine's forgiving single-pass scanner, which builds the node tree.
//
// The scanner works on the document as loaded, without widening it: Latin-1 bytes, UTF-8
// bytes (each piece cut from them decoded, or kept as Latin-1 when it is not UTF-8) or
// UTF-16 text. Node names, values and attribute texts
// are slices of that document wherever the stored text equals the slice; only text that
// needs decoding or joining is copied. The engine keeps the documents alive while nodes
// made from them exist.
//
// What it reads: elements with their attribute text, text, CDATA sections (their content
// is text, taken as written), comments and the XML declaration. Document type declarations
// and processing instructions are passed over. A "<" that cannot start markup is text.
// End tags are not compared with anything: every end tag and every "/>" closes one element.
#include "xml/VxXMLInternal.h"

#include "core/VxTextCodec.h"
#include "core/VxUtf8.h"

#include <QPointer>
#include <algorithm>
#include <array>
#include <limits>

using namespace VxXMLDetail;

namespace {

// Character classes of the scanner: ASCII characters only (the other entries are 0).
enum : uchar {
    cName = 1,      // ! - . 0-9 : ? A-Z _ a-z
    cAttrStop = 2,  // #0 > / " '
    cTextStop = 4,  // #0 <
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
    for (char C : {'!', '-', '.', ':', '?', '_'})
        T[uchar(C)] |= cName;
    for (char C : {'\0', '>', '/', '"', '\''})
        T[uchar(C)] |= cAttrStop;
    for (char C : {'\0', '<'})
        T[uchar(C)] |= cTextStop;
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

// XML's name characters beyond ASCII: letters and digits of every script, combining marks
// and a few joiners. A surrogate stands for a character above U+FFFF, and all of those up
// to U+EFFFF are name characters.
constexpr bool IsNonAsciiNameUnit(char16_t C)
{
    return C == 0xB7 || (C >= 0xC0 && C <= 0xD6) || (C >= 0xD8 && C <= 0xF6) || (C >= 0xF8 && C <= 0x37D)
           || (C >= 0x37F && C <= 0x1FFF) || C == 0x200C || C == 0x200D || C == 0x203F || C == 0x2040
           || (C >= 0x2070 && C <= 0x218F) || (C >= 0x2C00 && C <= 0x2FEF) || (C >= 0x3001 && C <= 0xDFFF)
           || (C >= 0xF900 && C <= 0xFDCF) || (C >= 0xFDF0 && C <= 0xFFFD);
}

constexpr char CommentName[] = "Comment";

// A piece of text cut from the document: a slice of it, or text of its own when decoding
// or joining changed it.
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

// Text read in one go: runs of characters and contents of CDATA sections, in document
// order. One range stays a range of the document; more are joined.
struct TTextRead {
    qsizetype From = 0;
    qsizetype To = 0;
    int Ranges = 0;
    QString Joined;
};

bool IsBlankUnit(char16_t C)
{
    return C == u' ' || C == u'\t' || C == u'\r' || C == u'\n';
}

// The literals the scanner searches forward for; a search that found nothing from one
// position on finds nothing from any later one either.
enum TLiteral { lCommentEnd, lCDataEnd, lInstructionEnd, lLiteralCount };
constexpr const char* Literals[lLiteralCount] = {"-->", "]]>", "?>"};

// The scanner over one document. S[0..Len) is the text; End = min(N, Len) is where the scan
// stops, and reads at or past End see #0.
template <typename Ch>
struct TScanner {
    const Ch* S;
    qsizetype End;
    TSourceKind Kind;
    qsizetype P = 0;
    qsizetype NotFoundFrom[lLiteralCount] = {std::numeric_limits<qsizetype>::max(),
                                             std::numeric_limits<qsizetype>::max(),
                                             std::numeric_limits<qsizetype>::max()};
    qsizetype NoQuoteFrom[2] = {std::numeric_limits<qsizetype>::max(), std::numeric_limits<qsizetype>::max()};
    // A document type declaration whose internal subset never ended: later ones are read
    // up to their first ">", so that each costs no more than its own length.
    bool SubsetFailed = false;

    Ch At(qsizetype I) const { return I >= 0 && I < End ? S[I] : Ch(0); }

    bool LiteralAt(qsizetype I, const char* Lit) const
    {
        for (; *Lit; ++Lit, ++I)
            if (I >= End || S[I] != Ch(uchar(*Lit)))
                return false;
        return true;
    }

    // The first position of a literal at or after From; -1 when there is none.
    qsizetype Find(qsizetype From, TLiteral L)
    {
        if (From >= NotFoundFrom[L])
            return -1;
        const char* Lit = Literals[L];
        const Ch First = Ch(uchar(Lit[0]));
        for (qsizetype Q = From; Q < End; ++Q)
            if (S[Q] == First && LiteralAt(Q, Lit))
                return Q;
        NotFoundFrom[L] = From;
        return -1;
    }

    // The length of the name character at I, 0 when there is none.
    qsizetype NameCharAt(qsizetype I) const
    {
        if (I >= End)
            return 0;
        const Ch C = S[I];
        if (C < 0x80)
            return (Classes[C] & cName) ? 1 : 0;
        if constexpr (sizeof(Ch) == 1) {
            if (Kind == TSourceKind::Utf8) {
                char16_t U[2];
                int Units;
                const qsizetype Used = VxUtf8::DecodeStep(S, End, I, U, Units);
                if (Used > 0)
                    return Units == 2 || IsNonAsciiNameUnit(U[0]) ? Used : 0;
                // A byte that starts no sequence (in a document declared UTF-8 that is not
                // all UTF-8) is a Latin-1 character, as the piece holding it becomes.
            }
        }
        return IsNonAsciiNameUnit(char16_t(C)) ? 1 : 0;
    }

    void ReadName()
    {
        // The loops over characters run on a local position: P itself is a member the
        // compiler would store at every step.
        qsizetype Q = P;
        for (;;) {
            if (Q < End && S[Q] < 0x80) {
                if (!(Classes[S[Q]] & cName))
                    break;
                ++Q;
            } else if (const qsizetype L = NameCharAt(Q)) {
                Q += L;
            } else {
                break;
            }
        }
        P = Q;
    }

    // The quote that closes the one at I: the next same quote before any "<" (which an
    // attribute value cannot hold) or #0; -1 when there is none.
    qsizetype AttributeQuoteEnd(qsizetype I) const
    {
        const Ch Quote = S[I];
        for (qsizetype J = I + 1; J < End; ++J) {
            const Ch C = S[J];
            if (C == Quote)
                return J;
            if (C == 0 || C == '<')
                return -1;
        }
        return -1;
    }

    // The next same quote after the one at I, anywhere; -1 when there is none.
    qsizetype QuoteEnd(qsizetype I)
    {
        const int Which = S[I] == '"' ? 0 : 1;
        if (I >= NoQuoteFrom[Which])
            return -1;
        for (qsizetype J = I + 1; J < End; ++J)
            if (S[J] == S[I])
                return J;
        NoQuoteFrom[Which] = I;
        return -1;
    }

    // The attribute text of a start tag, up to the ">" that ends it or the "/>" (P stops on
    // the ">" or on the "/"). A single or double quote opens a value in which ">", "/" and
    // the other quote are text; a quote that no partner closes before the next "<" is an
    // ordinary character.
    void ReadAttributeText()
    {
        qsizetype Q = P;
        while (Q < End) {
            const Ch C = S[Q];
            if (!(ClassOf(C) & cAttrStop)) {
                ++Q;
                continue;
            }
            if (C == 0 || C == '>' || (C == '/' && At(Q + 1) == '>'))
                break;
            if (C == '"' || C == '\'') {
                const qsizetype Close = AttributeQuoteEnd(Q);
                if (Close >= 0) {
                    Q = Close + 1;
                    continue;
                }
            }
            ++Q;
        }
        P = Q;
    }

    // Piece of the document from From to To, decoded when a UTF-8 slice is not ASCII.
    TPiece Slice(qsizetype From, qsizetype To) const
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
            if (Kind == TSourceKind::Utf8 && !VxTextCodec::IsAscii(D, Size)) {
                // A piece that is not UTF-8 (in a document declared so) stays Latin-1.
                QString Text = VxUtf8::DecodeToString(D, Size);
                if (!Text.isNull()) {
                    R.SetOwn(std::move(Text));
                    return R;
                }
            }
            R.Data = D;
            R.Size = Size;
        }
        return R;
    }

    void AddRange(TTextRead& T, qsizetype From, qsizetype To) const
    {
        if (To <= From)
            return;
        if (T.Ranges == 0) {
            T.From = From;
            T.To = To;
            T.Ranges = 1;
            return;
        }
        JoinRange(T, From, To);
    }

    void JoinRange(TTextRead& T, qsizetype From, qsizetype To) const
    {
        if (T.Ranges == 1)
            T.Joined = Slice(T.From, T.To).ToString();
        T.Joined += Slice(From, To).ToString();
        T.Ranges = 2;
    }

    TPiece Piece(const TTextRead& T) const
    {
        if (T.Ranges <= 1)
            return Slice(T.From, T.To);
        TPiece R;
        R.SetOwn(T.Joined);
        return R;
    }

    bool IsBlank(const TTextRead& T) const
    {
        if (T.Ranges > 1)
            return std::all_of(T.Joined.begin(), T.Joined.end(), [](QChar C) { return IsBlankUnit(C.unicode()); });
        for (qsizetype I = T.From; I < T.To; ++I)
            if (S[I] >= 0x80 || !IsBlankUnit(char16_t(S[I])))
                return false;
        return true;
    }

    // Whether the "<" before I starts markup other than a CDATA section (or ends the text).
    bool TagAt(qsizetype I) const
    {
        const Ch Next = At(I);
        if (Next == '!')
            return !LiteralAt(I, "![CDATA[");
        return Next == 0 || Next == '/' || NameCharAt(I) > 0;
    }

    // Text from P on: characters and the contents of CDATA sections, up to a "<" that
    // starts markup, #0 or the end. P stops on that "<".
    void ReadText(TTextRead& Out)
    {
        const qsizetype From = P;
        qsizetype Q = P;
        while (Q < End && !(ClassOf(S[Q]) & cTextStop))
            ++Q;
        P = Q;
        // Most text runs up to a tag.
        if (P >= End || S[P] == 0 || TagAt(P + 1)) {
            AddRange(Out, From, P);
            return;
        }
        ReadMixedText(Out, From);
    }

    // ReadText for text that holds CDATA sections or a "<" that is text.
    Q_NEVER_INLINE void ReadMixedText(TTextRead& Out, qsizetype RunFrom)
    {
        for (;;) {
            while (P < End && !(ClassOf(S[P]) & cTextStop))
                ++P;
            if (P >= End || S[P] == 0)
                break;
            if (LiteralAt(P + 1, "![CDATA[")) {
                AddRange(Out, RunFrom, P);
                const qsizetype From = P + 9;
                const qsizetype Close = Find(From, lCDataEnd);
                if (Close < 0) {
                    // An open section runs to the end of the text.
                    AddRange(Out, From, End);
                    P = End;
                    return;
                }
                AddRange(Out, From, Close);
                P = Close + 3;
                RunFrom = P;
                continue;
            }
            if (TagAt(P + 1))
                break;
            ++P;  // "<" followed by a space, "=" or the like is text
        }
        AddRange(Out, RunFrom, P);
    }

    void StepOverLt()
    {
        if (P < End && S[P] == '<')
            ++P;
    }

    // From P to the first "<", stepping over it: the document's text before its first tag.
    void SkipToFirstTag()
    {
        while (P < End && S[P] != 0 && S[P] != '<')
            ++P;
        StepOverLt();
    }

    // From the "/" of an end tag or of "/>" past its ">" (not past a "<" or #0).
    void SkipPastTagEnd()
    {
        qsizetype Q = P;
        while (Q < End && S[Q] != '>' && S[Q] != '<' && S[Q] != 0)
            ++Q;
        P = Q < End && S[Q] == '>' ? Q + 1 : Q;
    }

    // The comment text runs from From to the character before the ">" of the first "-->";
    // without one it is empty and the scan ends. P ends after the "-->".
    void ReadComment(qsizetype From, qsizetype& TextFrom, qsizetype& TextTo)
    {
        const qsizetype Close = Find(From, lCommentEnd);
        if (Close < 0) {
            TextFrom = TextTo = From;
            P = End;
            return;
        }
        TextFrom = From;
        TextTo = Close + 2;
        P = Close + 3;
    }

    // A processing instruction whose name starts at NameStart: up to its "?>", or its first
    // ">" when it has none.
    void SkipInstruction(qsizetype NameStart)
    {
        const qsizetype Close = Find(NameStart, lInstructionEnd);
        if (Close >= 0) {
            P = Close + 2;
            return;
        }
        SkipPastFirstGt(NameStart);
    }

    // From From to just past the first ">", or to the end.
    void SkipPastFirstGt(qsizetype From)
    {
        P = From;
        while (P < End && S[P] != '>')
            ++P;
        if (P < End)
            ++P;
    }

    // A declaration from P, just after "<!": up to its ">", with quoted texts and, for a
    // document type, the internal subset in [ ] with its declarations and comments.
    void SkipDeclaration()
    {
        const qsizetype Start = P;
        bool Subset = false;
        while (P < End) {
            const Ch C = S[P];
            if (C == '"' || C == '\'') {
                const qsizetype Close = QuoteEnd(P);
                P = Close >= 0 ? Close + 1 : P + 1;
                continue;
            }
            if (!Subset) {
                if (C == '>') {
                    ++P;
                    return;
                }
                if (C == '[' && !SubsetFailed)
                    Subset = true;
                ++P;
                continue;
            }
            if (C == ']') {
                qsizetype Q = P + 1;
                while (Q < End && IsBlankUnit(char16_t(S[Q])))
                    ++Q;
                if (At(Q) == '>') {
                    P = Q + 1;
                    return;
                }
            } else if (C == '<' && LiteralAt(P + 1, "!--")) {
                const qsizetype Close = Find(P + 4, lCommentEnd);
                if (Close < 0)
                    break;
                P = Close + 3;
                continue;
            }
            ++P;
        }
        if (!Subset) {
            P = End;
            return;
        }
        // The subset never ended: the declaration ends at its first ">".
        SubsetFailed = true;
        SkipPastFirstGt(Start);
    }

    // Skips an element that a handler refused, from the end of its start tag (TagEnd: on
    // its ">" or on the "/" of "/>") past the end tag that closes it; nested start and end
    // tags count, comments, CDATA sections, declarations and instructions do not.
    void SkipElement(qsizetype TagEnd)
    {
        P = TagEnd;
        if (At(P) == '/') {
            P += 2;
            return;
        }
        if (At(P) == '>')
            ++P;
        qsizetype Depth = 1;
        while (P < End && S[P] != 0) {
            if (S[P] != '<') {
                ++P;
                continue;
            }
            const Ch Next = At(P + 1);
            if (Next == '/') {
                P += 2;
                SkipPastTagEnd();
                if (--Depth == 0)
                    return;
            } else if (LiteralAt(P + 1, "!--")) {
                const qsizetype Close = Find(P + 4, lCommentEnd);
                P = Close < 0 ? End : Close + 3;
            } else if (LiteralAt(P + 1, "![CDATA[")) {
                const qsizetype Close = Find(P + 9, lCDataEnd);
                P = Close < 0 ? End : Close + 3;
            } else if (Next == '!') {
                P += 2;
                SkipDeclaration();
            } else if (Next == '?') {
                SkipInstruction(P + 1);
            } else if (NameCharAt(P + 1) > 0) {
                ++P;
                ReadName();
                ReadAttributeText();
                if (At(P) == '/') {
                    P += 2;
                } else {
                    StepOverGt();
                    ++Depth;
                }
            } else {
                ++P;
            }
        }
    }

    void StepOverGt()
    {
        if (P < End && S[P] == '>')
            ++P;
    }
};

}  // namespace

template <typename Ch>
bool VxXMLParser::Run(TVxXMLEngine* Engine, const Ch* S, qsizetype Len, qsizetype N,
                      qsizetype LastStart, TSourceKind Kind)
{
    TScanner<Ch> Sc{S, std::max<qsizetype>(0, std::min(N, Len)), Kind};
    TParseWatch Watch;
    Watch.Outer = ActiveWatch;
    ActiveWatch = &Watch;
    struct TRestore {
        TParseWatch* W;
        ~TRestore() { ActiveWatch = W->Outer; }
    } Restore{&Watch};
    QPointer<TVxXMLEngine> Alive(Engine);

    // Stores text as the node's value or appends it to the value it has.
    auto AddToValue = [Engine](TVxXMLItem* Node, const TPiece& Text) {
        if (Text.IsEmpty())
            return;
        if (AsText(Node->FValue).IsNone())
            Text.StoreIn(AsText(Node->FValue), Node == Engine->FRootItem);
        else
            Text.AppendTo(AsText(Node->FValue));
    };
    // The text after a piece of markup (the tail of mixed content): it belongs to the open
    // element when it holds more than white space. P ends after the next "<".
    auto ReadTail = [&]() {
        TTextRead T;
        Sc.ReadText(T);
        if (Watch.Current && !Sc.IsBlank(T))
            AddToValue(Watch.Current, Sc.Piece(T));
        Sc.StepOverLt();
    };

    enum TOutcome { oGoOn, oCancelled, oEngineGone };
    // At the "/" of an end tag or of "/>": closes the open element.
    auto CloseElement = [&]() -> TOutcome {
        if (!Watch.Current) {
            // Nothing is open: the surplus end tag and the text after it are dropped.
            Sc.SkipPastTagEnd();
            ReadTail();
            return oGoOn;
        }
        if (Sc.At(Sc.P + 1) == '>' && Sc.P + 1 == LastStart) {
            // A "/>" that forms the last two characters leaves its element open.
            ++Sc.P;
            return oGoOn;
        }
        TVxXMLItem* Closed = Watch.Current;
        Watch.Current = Closed->FParentItem;
        if (Engine->FOnAfterTag) {
            bool Cancel = false;
            TVxXMLItem* Ref = Closed;
            Engine->FOnAfterTag(Engine, Ref, Cancel);
            if (!Alive)
                return oEngineGone;
            if (Cancel)
                return oCancelled;
        }
        Sc.SkipPastTagEnd();
        ReadTail();
        return oGoOn;
    };

    Sc.SkipToFirstTag();
    while (Sc.P < LastStart && Sc.At(Sc.P) != 0) {
        const qsizetype Lt = Sc.P - 1;
        if (Sc.S[Sc.P] == '/') {
            if (const TOutcome O = CloseElement(); O != oGoOn)
                return O == oCancelled;
            continue;
        }
        if (Sc.LiteralAt(Sc.P, "!--")) {
            qsizetype From, To;
            Sc.ReadComment(Sc.P + 3, From, To);
            // A comment outside every element makes no node: RootItem stays what the
            // document element or the declaration made it.
            if (Watch.Current) {
                TPiece Value;
                Value.SetOwn(QLatin1StringView(CommentName) + Sc.Slice(From, To).ToString());
                bool Accept = true;
                if (Engine->FOnTag) {
                    Engine->FOnTag(Engine, Watch.Current, QStringLiteral("Comment"), Value.ToString(), QString(),
                                   Accept);
                    if (!Alive)
                        return false;
                }
                if (Accept && Watch.Current) {
                    TVxXMLItem* Node = Watch.Current->FItems.AddItem(Watch.Current);
                    AsText(Node->FTagName).SetRef(CommentName, 7);
                    Value.StoreIn(AsText(Node->FValue), true);
                    Node->FKind = ikComment;
                }
            }
            ReadTail();
            continue;
        }
        if (Sc.NameCharAt(Sc.P) == 0 || Sc.LiteralAt(Sc.P, "![CDATA[")) {
            // Text where a tag was expected (at the start of the document).
            Sc.P = Lt;
            ReadTail();
            continue;
        }

        const qsizetype NameStart = Sc.P;
        Sc.ReadName();
        const qsizetype NameSize = Sc.P - NameStart;
        const bool IsDeclaration = NameSize == 4 && S[NameStart] == '?' && (S[NameStart + 1] | 0x20) == 'x'
                                   && (S[NameStart + 2] | 0x20) == 'm' && (S[NameStart + 3] | 0x20) == 'l';
        if (S[NameStart] == '?' && !IsDeclaration) {
            Sc.SkipInstruction(NameStart);
            ReadTail();
            continue;
        }
        if (S[NameStart] == '!') {
            Sc.P = NameStart + 1;
            Sc.SkipDeclaration();
            ReadTail();
            continue;
        }

        const qsizetype AttrFrom = Sc.P;
        Sc.ReadAttributeText();
        qsizetype AttrTo = Sc.P;
        if (IsDeclaration && AttrTo > AttrFrom && S[AttrTo - 1] == '?')
            --AttrTo;
        const qsizetype TagEnd = Sc.P;
        const bool SelfClosing = Sc.At(Sc.P) == '/';
        TTextRead ValueText;
        if (!SelfClosing) {
            Sc.StepOverGt();
            Sc.ReadText(ValueText);
        }
        const TPiece Attributes = Sc.Slice(AttrFrom, AttrTo);
        const TPiece Value = Sc.Piece(ValueText);
        const TPiece Name = Sc.Slice(NameStart, NameStart + NameSize);

        bool Accept = true;
        TVxXMLItem* Node = nullptr;
        if (!Watch.Current) {
            Node = Engine->FRootItem;
            Watch.Current = Node;
        } else {
            if (Engine->FOnTag) {
                Engine->FOnTag(Engine, Watch.Current, Name.ToString(), Value.ToString(), Attributes.ToString(),
                               Accept);
                if (!Alive)
                    return false;
            }
            if (Accept) {
                TVxXMLItem* Parent = Watch.Current;
                Node = Parent ? Parent->FItems.AddItem(Parent) : Engine->FRootItem;
                Watch.Current = Node;
            }
        }
        if (!Accept) {
            Sc.SkipElement(TagEnd);
            ReadTail();
            continue;
        }

        const bool Copy = Node == Engine->FRootItem;
        Name.StoreIn(AsText(Node->FTagName), Copy);
        AddToValue(Node, Value);
        Node->FKind = ikProperty;
        if (!Attributes.IsEmpty()) {
            Attributes.StoreIn(AsText(Node->FAttributes), Copy);
            if (IsDeclaration)
                Node->ProcessAttributes();
        }
        if (SelfClosing) {
            if (const TOutcome O = CloseElement(); O != oGoOn)
                return O == oCancelled;
            continue;
        }
        Sc.StepOverLt();
    }
    return true;
}

template bool VxXMLParser::Run<uchar>(TVxXMLEngine*, const uchar*, qsizetype, qsizetype,
                                      qsizetype, TSourceKind);
template bool VxXMLParser::Run<char16_t>(TVxXMLEngine*, const char16_t*, qsizetype, qsizetype,
                                         qsizetype, TSourceKind);
