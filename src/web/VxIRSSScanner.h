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

private:
    enum TContext : quint8 { cxNone, cxChannel, cxItem, cxFeed, cxEntry, cxAuthor };

    // A tag from "<" to ">"; EndTag and SelfClosing tell whether it holds "</" and "/>".
    void HandleTag(const char* Begin, const char* End, bool EndTag, bool SelfClosing);
    void HandleText(const char* Begin, const char* End, bool Verbatim);
    void HandleAtomTag(const char* AttributesBegin, const char* End, bool SelfClosing);
    TContext RSSContext() const;
    TContext AtomContext() const;
    // The field of the last channel or of its last item that a text for the current
    // tag name goes to; nullptr when none.
    QString* TargetField();
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
};

}  // namespace VxRSSDetail
