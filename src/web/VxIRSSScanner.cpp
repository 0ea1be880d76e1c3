// The feed scanner. It walks the bytes once: a text run up to the next "<", then a tag
// up to the next ">" outside quotes. Tags keep a path of the open elements; the text after
// a tag of a known name (its runs and CDATA sections up to the next tag, comments passed
// over) goes to the field of that name in the current channel or item, chosen by the path
// that was open before the tag.
#include "VxIRSSScanner.h"

#include "core/VxTextCodec.h"

#include <array>
#include <cstring>
#include <string_view>

namespace VxRSSDetail {
namespace {

// The names the scanner knows, RSS and Atom.
enum TName {
    nNone,
    nChannel, nItem, nTitle, nLink, nDescription, nLanguage, nCopyright, nManagingEditor,
    nWebMaster, nRating, nPubDate, nLastBuildDate, nCategory, nGenerator, nDocs, nTtl,
    nDcCreator, nDcDate, nGuid, nAuthor, nContentEncoded,
    nFeed, nEntry, nSubtitle, nUpdated, nSummary, nContent, nName, nPublished, nId
};

template <size_t L>
bool Is(std::string_view S, const char (&Word)[L])
{
    return S.size() == L - 1 && std::memcmp(S.data(), Word, L - 1) == 0;
}

// Names compare exactly, with case.
TName NameOf(std::string_view S)
{
    switch (S.size()) {
    case 2:
        if (Is(S, "id")) return nId;
        break;
    case 3:
        if (Is(S, "ttl")) return nTtl;
        break;
    case 4:
        if (Is(S, "item")) return nItem;
        if (Is(S, "link")) return nLink;
        if (Is(S, "docs")) return nDocs;
        if (Is(S, "guid")) return nGuid;
        if (Is(S, "feed")) return nFeed;
        if (Is(S, "name")) return nName;
        break;
    case 5:
        if (Is(S, "title")) return nTitle;
        if (Is(S, "entry")) return nEntry;
        break;
    case 6:
        if (Is(S, "rating")) return nRating;
        if (Is(S, "author")) return nAuthor;
        break;
    case 7:
        if (Is(S, "channel")) return nChannel;
        if (Is(S, "pubDate")) return nPubDate;
        if (Is(S, "dc:date")) return nDcDate;
        if (Is(S, "updated")) return nUpdated;
        if (Is(S, "summary")) return nSummary;
        if (Is(S, "content")) return nContent;
        break;
    case 8:
        if (Is(S, "language")) return nLanguage;
        if (Is(S, "category")) return nCategory;
        if (Is(S, "subtitle")) return nSubtitle;
        break;
    case 9:
        if (Is(S, "copyright")) return nCopyright;
        if (Is(S, "webMaster")) return nWebMaster;
        if (Is(S, "generator")) return nGenerator;
        if (Is(S, "published")) return nPublished;
        break;
    case 10:
        if (Is(S, "dc:creator")) return nDcCreator;
        break;
    case 11:
        if (Is(S, "description")) return nDescription;
        break;
    case 13:
        if (Is(S, "lastBuildDate")) return nLastBuildDate;
        break;
    case 14:
        if (Is(S, "managingEditor")) return nManagingEditor;
        break;
    case 15:
        if (Is(S, "content:encoded")) return nContentEncoded;
        break;
    }
    return nNone;
}

using TChannelField = QString TVxIRSSChannel::*;
using TItemField = QString TVxIRSSItem::*;

TChannelField RSSChannelField(int Name)
{
    switch (Name) {
    case nTitle: return &TVxIRSSChannel::Title;
    case nLink: return &TVxIRSSChannel::Link;
    case nDescription: return &TVxIRSSChannel::Description;
    case nLanguage: return &TVxIRSSChannel::Language;
    case nCopyright: return &TVxIRSSChannel::Copyright;
    case nManagingEditor: return &TVxIRSSChannel::ManagingEditor;
    case nWebMaster: return &TVxIRSSChannel::WebMaster;
    case nRating: return &TVxIRSSChannel::Rating;
    case nPubDate: return &TVxIRSSChannel::PubDate;
    case nLastBuildDate: return &TVxIRSSChannel::LastBuildDate;
    case nCategory: return &TVxIRSSChannel::Category;
    case nGenerator: return &TVxIRSSChannel::Generator;
    case nDocs: return &TVxIRSSChannel::Docs;
    case nTtl: return &TVxIRSSChannel::Ttl;
    }
    return nullptr;
}

TItemField RSSItemField(int Name)
{
    switch (Name) {
    case nTitle: return &TVxIRSSItem::Title;
    case nLink: return &TVxIRSSItem::Link;
    case nDescription: return &TVxIRSSItem::Description;
    case nDcCreator: return &TVxIRSSItem::Creator;
    case nDcDate: return &TVxIRSSItem::Date;
    case nPubDate: return &TVxIRSSItem::PubDate;
    case nCategory: return &TVxIRSSItem::Category;
    case nGuid: return &TVxIRSSItem::Guid;
    case nAuthor: return &TVxIRSSItem::Author;
    case nContentEncoded: return &TVxIRSSItem::Content;
    }
    return nullptr;
}

TChannelField AtomFeedField(int Name)
{
    switch (Name) {
    case nTitle: return &TVxIRSSChannel::Title;
    case nSubtitle: return &TVxIRSSChannel::Description;
    case nUpdated: return &TVxIRSSChannel::LastBuildDate;
    case nGenerator: return &TVxIRSSChannel::Generator;
    }
    return nullptr;
}

TItemField AtomEntryField(int Name)
{
    switch (Name) {
    case nTitle: return &TVxIRSSItem::Title;
    case nSummary:
    case nContent: return &TVxIRSSItem::Description;
    case nUpdated: return &TVxIRSSItem::Date;
    case nPublished: return &TVxIRSSItem::PubDate;
    case nId: return &TVxIRSSItem::Guid;
    }
    return nullptr;
}

// The bytes at which the tag loop looks closer: the end, quotes, "/" and NUL.
constexpr auto TagStops = [] {
    std::array<bool, 256> Stops{};
    Stops['>'] = Stops['"'] = Stops['\''] = Stops['/'] = Stops[0] = true;
    return Stops;
}();

inline bool IsBlank(char C)
{
    return static_cast<unsigned char>(C) <= ' ';
}

inline bool IsSpace(char C)
{
    return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

void Trim(const char*& Begin, const char*& End)
{
    while (Begin < End && IsBlank(*Begin))
        ++Begin;
    while (End > Begin && IsBlank(End[-1]))
        --End;
}

bool Contains(const char* Begin, const char* End, char A, char B)
{
    for (const char* P = Begin; P + 1 < End; ++P)
        if (P[0] == A && P[1] == B)
            return true;
    return false;
}

const char* Find(const char* Begin, const char* End, std::string_view What)
{
    if (End - Begin < qsizetype(What.size()))
        return nullptr;
    return static_cast<const char*>(memmem(Begin, size_t(End - Begin), What.data(), What.size()));
}

// The value of the attribute Name (as written, without its quotes) of a tag whose
// element name ends at From; false when the tag has no such attribute.
bool Attribute(const char* From, const char* End, std::string_view Name, std::string_view& Value)
{
    const char* P = From;
    while (P < End) {
        while (P < End && (IsSpace(*P) || *P == '/'))
            ++P;
        if (P >= End || *P == '>')
            return false;
        const char* NameBegin = P;
        while (P < End && !IsSpace(*P) && *P != '=' && *P != '>' && *P != '/')
            ++P;
        const std::string_view Found(NameBegin, size_t(P - NameBegin));
        while (P < End && IsSpace(*P))
            ++P;
        std::string_view V;
        if (P < End && *P == '=') {
            ++P;
            while (P < End && IsSpace(*P))
                ++P;
            if (P < End && (*P == '"' || *P == '\'')) {
                const char Quote = *P++;
                const char* ValueBegin = P;
                while (P < End && *P != Quote)
                    ++P;
                V = std::string_view(ValueBegin, size_t(P - ValueBegin));
                if (P < End)
                    ++P;
            } else {
                const char* ValueBegin = P;
                while (P < End && !IsSpace(*P) && *P != '>')
                    ++P;
                V = std::string_view(ValueBegin, size_t(P - ValueBegin));
            }
        }
        if (Found == Name) {
            Value = V;
            return true;
        }
    }
    return false;
}

QString Text(std::string_view S)
{
    return QString::fromLatin1(S.data(), qsizetype(S.size()));
}

}  // namespace

TFeedScanner::TFeedScanner(TVxIRSSChannels& Channels) : FChannels(Channels)
{
    FPath.reserve(256);
}

qsizetype TFeedScanner::Scan(const char* Data, qsizetype Size, bool AtEnd)
{
    const qsizetype Used = ScanPieces(Data, Size, AtEnd);
    // The bytes are the caller's: a text still open goes with the scanner, or, at the end,
    // to its field.
    if (AtEnd)
        Flush();
    else
        KeepPendingText();
    return Used;
}

qsizetype TFeedScanner::ScanPieces(const char* Data, qsizetype Size, bool AtEnd)
{
    const char* P = Data;
    const char* const End = Data + Size;
    // A NUL byte ends a text run or a tag; most feeds have none, so the check is made once.
    const bool HasNul = Size > 0 && std::memchr(Data, 0, size_t(Size)) != nullptr;
    while (P < End) {
        if (!FMarkupEnd.empty()) {
            // Atom xhtml text: everything up to the element's end tag, as written.
            const char* Q = P;
            for (;;) {
                Q = Find(Q, End, FMarkupEnd);
                if (!Q || Q + FMarkupEnd.size() >= End || Q[FMarkupEnd.size()] == '>' ||
                    IsBlank(Q[FMarkupEnd.size()]))
                    break;
                ++Q;
            }
            if (!Q || Q + FMarkupEnd.size() >= End) {
                if (AtEnd)
                    return Size;
                break;
            }
            HandleText(P, Q, false);
            Flush();
            ClearTag();
            FMarkupEnd.clear();
            P = Q;
            continue;
        }
        if (*P != '<') {
            // Most runs are the few blanks between two tags: look at those before memchr.
            const char* Lt = nullptr;
            const char* const Near = End - P > 16 ? P + 16 : End;
            for (const char* Q = P + 1; Q < Near; ++Q)
                if (*Q == '<') {
                    Lt = Q;
                    break;
                }
            if (!Lt && Near < End)
                Lt = static_cast<const char*>(std::memchr(Near, '<', size_t(End - Near)));
            if (HasNul) {
                if (const char* Nul = static_cast<const char*>(std::memchr(P, 0, size_t((Lt ? Lt : End) - P)))) {
                    HandleText(P, Nul, false);
                    Flush();
                    P = Nul + 1;
                    continue;
                }
            }
            if (!Lt) {
                // Text after the last tag is dropped; unless these are the last bytes,
                // the run may go on in the next piece.
                if (AtEnd)
                    return Size;
                break;
            }
            HandleText(P, Lt, false);
            P = Lt;
        }
        // P is at "<". Comments and CDATA sections run to their own end markers.
        static constexpr std::string_view Comment("<!--"), CData("<![CDATA[");
        const qsizetype Left = End - P;
        if (!AtEnd && Left < qsizetype(CData.size())) {
            // Too few bytes yet to tell a comment or a section from a tag.
            const std::string_view Head(P, size_t(Left));
            if (CData.starts_with(Head) || (Left < qsizetype(Comment.size()) && Comment.starts_with(Head)))
                break;
        }
        if (Left >= qsizetype(Comment.size()) && std::memcmp(P, Comment.data(), Comment.size()) == 0) {
            const char* Close = Find(P + Comment.size(), End, "-->");
            if (!Close) {
                if (AtEnd)
                    return Size;
                break;
            }
            P = Close + 3;
            continue;
        }
        if (Left >= qsizetype(CData.size()) && std::memcmp(P, CData.data(), CData.size()) == 0) {
            const char* Close = Find(P + CData.size(), End, "]]>");
            if (!Close) {
                if (AtEnd)
                    return Size;
                break;
            }
            HandleText(P + CData.size(), Close, true);
            P = Close + 3;
            continue;
        }
        // A tag: up to the next ">" outside a quoted run (or a NUL byte). On the way the
        // loop notes "</" and "/>" outside quotes; a tag with quotes is searched again.
        const char* Q = P + 1;
        bool Quoted = false, EndMark = false, SelfMark = false;
        while (Q < End) {
            const unsigned char C = static_cast<unsigned char>(*Q);
            if (!TagStops[C]) {
                ++Q;
                continue;
            }
            if (C == '>' || C == 0)
                break;
            if (C == '/') {
                EndMark |= Q[-1] == '<';
                SelfMark |= Q + 1 < End && Q[1] == '>';
                ++Q;
                continue;
            }
            Quoted = true;
            const char* Match = static_cast<const char*>(std::memchr(Q + 1, C, size_t(End - Q - 1)));
            if (HasNul) {
                if (const char* Nul = static_cast<const char*>(std::memchr(Q + 1, 0, size_t((Match ? Match : End) - Q - 1)))) {
                    Q = Nul;
                    break;
                }
            }
            if (!Match) {
                Q = End;
                break;
            }
            Q = Match + 1;
        }
        if (Q >= End) {
            if (AtEnd)
                return Size;
            break;
        }
        const char* TagEnd = *Q == '>' ? Q + 1 : Q;
        if (Quoted) {
            EndMark = Contains(P, TagEnd, '<', '/');
            SelfMark = Contains(P, TagEnd, '/', '>');
        }
        HandleTag(P, TagEnd, EndMark, SelfMark);
        P = Q + 1;
    }
    return P - Data;
}

void TFeedScanner::HandleTag(const char* Begin, const char* End, bool EndTag, bool SelfClosing)
{
    Flush();
    Trim(Begin, End);
    const char* NameBegin = Begin;
    while (NameBegin < End && (*NameBegin == '\t' || *NameBegin == ' ' || *NameBegin == '<'))
        ++NameBegin;
    const char* NameEnd = NameBegin;
    while (NameEnd < End && *NameEnd != '\r' && *NameEnd != '\n' && *NameEnd != ' ' && *NameEnd != '>')
        ++NameEnd;
    const std::string_view Name(NameBegin, size_t(NameEnd - NameBegin));
    // Declarations, processing instructions and comments open no element and change
    // nothing (comments are passed over before they get here).
    if ((!Name.empty() && (Name.front() == '?' || Name.front() == '!')) ||
        Name.find("![CDATA[") != std::string_view::npos) {
        if (!FDeclarationSeen && !FRootSeen && Is(Name, "?xml")) {
            FDeclarationSeen = true;
            FEncoding = VxTextCodec::DeclaredEncoding(QByteArrayView(Begin, End - Begin));
        }
        return;
    }

    FField = NameOf(Name);
    FContext = FField == nNone ? cxNone : FAtom ? AtomContext() : RSSContext();

    if (!EndTag && !SelfClosing) {
        const bool Root = FPath.empty();
        if (!FRootSeen) {
            FRootSeen = true;
            FAtom = Is(Name, "feed");
        }
        FPath.append(Name).push_back('/');
        // Channels and items start at their start tags.
        if (FAtom) {
            if (FField == nFeed && Root) {
                FChannels.Add();
                FFeedLinkRank = 0;
            } else if (FField == nEntry && FContext == cxFeed) {
                if (TVxIRSSChannel* C = FChannels.Last()) {
                    C->Items.Add();
                    FEntryLinkRank = 0;
                    FEntryHasSummary = false;
                }
            }
        } else if (FField == nChannel) {
            FChannels.Add();
        } else if (FField == nItem) {
            if (TVxIRSSChannel* C = FChannels.Last())
                C->Items.Add();
        }
    } else if (!SelfClosing) {
        // An end tag closes the innermost element, whatever name it carries.
        if (FPath.size() > 2) {
            const size_t Slash = FPath.rfind('/', FPath.size() - 2);
            if (Slash == std::string::npos)
                FPath.assign(1, '/');
            else
                FPath.resize(Slash + 1);
        }
        return;
    }
    if (FAtom && FContext != cxNone)
        HandleAtomTag(NameEnd, End, SelfClosing);
}

void TFeedScanner::HandleAtomTag(const char* AttributesBegin, const char* End, bool SelfClosing)
{
    TVxIRSSChannel* C = FChannels.Last();
    if (!C)
        return;
    TVxIRSSItem* Item = FContext == cxEntry ? C->Items.Last() : nullptr;
    std::string_view Value;
    if (FField == nLink && (FContext == cxFeed || Item)) {
        // The alternate link wins over one without rel; self, edit, enclosure ... are not
        // the page of the feed or entry.
        int Rank = 1;
        if (Attribute(AttributesBegin, End, "rel", Value))
            Rank = Value == "alternate" ? 2 : 0;
        int& Kept = Item ? FEntryLinkRank : FFeedLinkRank;
        if (Rank > 0 && Rank >= Kept && Attribute(AttributesBegin, End, "href", Value)) {
            (Item ? Item->Link : C->Link) = Text(Value);
            Kept = Rank;
        }
    } else if (FField == nCategory && Item) {
        if (Attribute(AttributesBegin, End, "term", Value))
            Item->Category = Text(Value);
    } else if (!SelfClosing && (FField == nTitle || FField == nSubtitle || FField == nSummary || FField == nContent)) {
        if (Attribute(AttributesBegin, End, "type", Value) && Value == "xhtml") {
            FMarkupEnd = "</";
            FMarkupEnd.append(FField == nTitle ? "title" : FField == nSubtitle ? "subtitle"
                              : FField == nSummary ? "summary" : "content");
        }
    }
}

TFeedScanner::TContext TFeedScanner::RSSContext() const
{
    const std::string_view P(FPath);
    if (P.find("/channel/item/") != std::string_view::npos || P.find("rdf:RDF/item/") != std::string_view::npos)
        return cxItem;
    // Only the channel's own children: an image or textInput block inside the channel
    // has a title, link and description of its own.
    if (P.size() >= 9 && P.substr(P.size() - 9) == "/channel/")
        return cxChannel;
    return cxNone;
}

TFeedScanner::TContext TFeedScanner::AtomContext() const
{
    const std::string_view P(FPath);
    if (P == "feed/")
        return cxFeed;
    if (P == "feed/entry/")
        return cxEntry;
    if (P == "feed/entry/author/")
        return cxAuthor;
    return cxNone;
}

int TFeedScanner::TargetFields(QString* (&Fields)[2])
{
    TVxIRSSChannel* C = FChannels.Last();
    if (!C)
        return 0;
    TVxIRSSItem* I = C->Items.Last();
    switch (FContext) {
    case cxChannel:
        if (const TChannelField F = RSSChannelField(FField)) {
            Fields[0] = &(C->*F);
            return 1;
        }
        break;
    case cxFeed:
        if (const TChannelField F = AtomFeedField(FField)) {
            Fields[0] = &(C->*F);
            return 1;
        }
        break;
    case cxItem:
        if (!I)
            break;
        if (FField == nDcCreator) {
            Fields[0] = &I->Creator;
            Fields[1] = &I->Author;
            return 2;
        }
        if (const TItemField F = RSSItemField(FField)) {
            Fields[0] = &(I->*F);
            return 1;
        }
        break;
    case cxEntry:
        if (!I)
            break;
        if (FField == nContent) {
            // The content, and the description unless the entry has a summary.
            Fields[0] = &I->Content;
            Fields[1] = &I->Description;
            return FEntryHasSummary ? 1 : 2;
        }
        if (FField == nSummary)
            FEntryHasSummary = true;
        if (const TItemField F = AtomEntryField(FField)) {
            Fields[0] = &(I->*F);
            return 1;
        }
        break;
    case cxAuthor:
        if (I && FField == nName) {
            Fields[0] = &I->Creator;
            Fields[1] = &I->Author;
            return 2;
        }
        break;
    case cxNone:
        break;
    }
    return 0;
}

void TFeedScanner::HandleText(const char* Begin, const char* End, bool Verbatim)
{
    if (FField == nNone || FContext == cxNone)
        return;
    if (!FPending && !Verbatim) {
        FPending = true;
        FRunBegin = Begin;
        FRunEnd = End;
        return;
    }
    KeepPendingText();
    if (Verbatim && FVerbatimFrom < 0)
        FVerbatimFrom = qsizetype(FText.size());
    FText.append(Begin, size_t(End - Begin));
    if (Verbatim)
        FVerbatimTo = qsizetype(FText.size());
    FPending = true;
}

void TFeedScanner::KeepPendingText()
{
    if (!FRunBegin)
        return;
    FText.assign(FRunBegin, size_t(FRunEnd - FRunBegin));
    FRunBegin = FRunEnd = nullptr;
}

void TFeedScanner::Flush()
{
    if (!FPending)
        return;
    const char* Begin = FRunBegin ? FRunBegin : FText.data();
    const char* End = FRunBegin ? FRunEnd : FText.data() + FText.size();
    const bool Verbatim = !FRunBegin && FVerbatimFrom >= 0;
    // Blanks around the text go, but not into a CDATA section's content.
    const char* TrimUpTo = Verbatim ? FText.data() + FVerbatimFrom : End;
    const char* TrimDownTo = Verbatim ? FText.data() + FVerbatimTo : Begin;
    while (Begin < TrimUpTo && IsBlank(*Begin))
        ++Begin;
    while (End > Begin && End > TrimDownTo && IsBlank(End[-1]))
        --End;
    QString* Fields[2];
    // A run of blanks alone (the line breaks between tags) is no element's text.
    const int Count = (Begin < End || Verbatim) ? TargetFields(Fields) : -1;
    if (Count > 0) {
        const QString Value = Text(std::string_view(Begin, size_t(End - Begin)));
        for (int I = 0; I < Count; ++I)
            *Fields[I] = Value;
    }
    FPending = false;
    FRunBegin = FRunEnd = nullptr;
    FText.clear();
    FVerbatimFrom = FVerbatimTo = -1;
    // Only the first text after a tag counts.
    if (Count >= 0)
        ClearTag();
}

}  // namespace VxRSSDetail
