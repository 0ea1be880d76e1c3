// The feed scanner behind TVxIRSSParser: one pass over the bytes of a feed, fed in
// pieces of any size, filling a TVxIRSSChannels.
#pragma once

#include <vedidoredo/VxIRSS.h>

#include <string>

namespace VxRSSDetail {

class TFeedScanner {
public:
    explicit TFeedScanner(TVxIRSSChannels& Channels);

    // Scans the complete units (text runs, tags, sections) at the start of
    // [Data, Data + Size) and returns how many bytes they took; the caller passes the
    // rest again with more bytes after it. With AtEnd the bytes are the last ones: an
    // unfinished tail is dropped and Size is returned.
    qsizetype Scan(const char* Data, qsizetype Size, bool AtEnd);

    // The encoding the feed's XML declaration names, as written; empty when none.
    const QByteArray& Encoding() const { return FEncoding; }

private:
    enum TContext : quint8 { cxNone, cxChannel, cxItem, cxFeed, cxEntry, cxAuthor };

    qsizetype ScanPieces(const char* Data, qsizetype Size, bool AtEnd);

    // A tag from "<" to ">"; EndTag and SelfClosing tell whether it holds "</" and "/>".
    void HandleTag(const char* Begin, const char* End, bool EndTag, bool SelfClosing);
    // A text run, or the content of a CDATA section (Verbatim). The runs and sections up to
    // the next tag make one text, given to the field by Flush.
    void HandleText(const char* Begin, const char* End, bool Verbatim);
    void Flush();
    // Moves a pending text that still points into the caller's bytes into FText.
    void KeepPendingText();
    void HandleAtomTag(const char* AttributesBegin, const char* End, bool SelfClosing);
    TContext RSSContext() const;
    TContext AtomContext() const;
    // The fields of the last channel or of its last item that a text for the current tag
    // name goes to (up to two); returns how many.
    int TargetFields(QString* (&Fields)[2]);
    void ClearTag()
    {
        FField = 0;
        FContext = cxNone;
    }

    TVxIRSSChannels& FChannels;
    std::string FPath;              // the element path, "rss/channel/item/"
    int FField = 0;                 // what the current tag name names (0: nothing known)
    TContext FContext = cxNone;     // where the tag path puts a field of that name
    bool FRootSeen = false;
    bool FAtom = false;             // the first element is "feed"
    // Atom: the rank of the link kept so far (0 none, 1 without rel, 2 rel="alternate"),
    // and whether the current entry has a summary, which wins over its content.
    int FFeedLinkRank = 0;
    int FEntryLinkRank = 0;
    bool FEntryHasSummary = false;
    // Atom text of type "xhtml": the markup up to this end tag is the field's text.
    std::string FMarkupEnd;
    QByteArray FEncoding;
    bool FDeclarationSeen = false;
    // The text gathered since the last tag: while it is one run it stays in the caller's
    // bytes (FRunBegin..FRunEnd), else it is in FText. Trimming never cuts into CDATA
    // content, which lies within FVerbatimFrom..FVerbatimTo of FText.
    bool FPending = false;
    const char* FRunBegin = nullptr;
    const char* FRunEnd = nullptr;
    std::string FText;
    qsizetype FVerbatimFrom = -1;
    qsizetype FVerbatimTo = -1;
};

}  // namespace VxRSSDetail
