/// \file
/// The news feed parser: TVxIRSSParser downloads a feed (RSS 2.0, RDF-style RSS 1.0 or
/// Atom 1.0) with the web updater and turns it into channels (TVxIRSSChannel), each with
/// its header fields and its items (TVxIRSSItem).
///
/// The feed is read by a small scanner of its own, not the XML engine: one pass over the
/// bytes that follows the path of open elements and gives the text after a known element
/// (up to the next tag: its text and CDATA sections, joined in order) to the matching field
/// of the current channel or item. Texts are byte text (one character per byte), trimmed
/// and otherwise as the feed wrote them: entities stay as written, the content of a CDATA
/// section is taken verbatim, dates are not converted. TVxIRSSParser::ReadableText turns
/// such a text into the text a person reads. Malformed feeds never raise: they give
/// whatever channels and fields the scan finds.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/vxiupdate.h>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

/// One item (an RSS item or an Atom entry). The fields are public; they are also gadget
/// properties so that tools can read them by name.
class VX_CORE_EXPORT TVxIRSSItem {
    Q_GADGET
    Q_PROPERTY(QString Title MEMBER Title)
    Q_PROPERTY(QString Link MEMBER Link)
    Q_PROPERTY(QString Description MEMBER Description)
    Q_PROPERTY(QString Creator MEMBER Creator)
    Q_PROPERTY(QString Date MEMBER Date)
    Q_PROPERTY(QString PubDate MEMBER PubDate)
    Q_PROPERTY(QString Category MEMBER Category)
    Q_PROPERTY(QString Guid MEMBER Guid)
    Q_PROPERTY(QString Author MEMBER Author)
    Q_PROPERTY(QString Content MEMBER Content)
public:
    /// The item's title.
    QString Title;
    /// The item's link; Atom: the alternate link.
    QString Link;
    /// description; Atom: summary or content.
    QString Description;
    QString Creator;   ///< dc:creator; Atom: author/name
    QString Date;      ///< dc:date; Atom: updated
    QString PubDate;   ///< pubDate; Atom: published
    QString Category;  ///< the last category; Atom: its term
    QString Guid;      ///< guid; Atom: id
    QString Author;    ///< author or dc:creator, whichever comes last; Atom: author/name
    QString Content;   ///< content:encoded; Atom: content

    /// Copies every field of Source; nothing when Source is null.
    void Assign(const TVxIRSSItem* Source);
};

/// An ordered list that owns its entries (the items of a channel, the channels of a feed).
template <class T>
class TVxIRSSList {
public:
    TVxIRSSList() = default;
    /// Frees the object and everything it owns.
    ~TVxIRSSList() { ClearItems(); }
    TVxIRSSList(const TVxIRSSList&) = delete;  ///< not copyable
    TVxIRSSList& operator=(const TVxIRSSList&) = delete;  ///< not copyable

    /// The number of entries.
    int Count() const { return int(FList.size()); }
    /// nullptr when Index is below 0 or not below Count.
    T* GetItem(int Index) const { return Index >= 0 && Index < FList.size() ? FList[Index] : nullptr; }
    /// The last entry; nullptr when there is none.
    T* Last() const { return FList.isEmpty() ? nullptr : FList.last(); }
    /// Appends a new entry and returns it.
    T* Add()
    {
        FList.append(new T);
        return FList.last();
    }
    /// Destroys the entry at Index and removes it; nothing outside 0..Count-1.
    void DeleteItem(int Index)
    {
        if (Index < 0 || Index >= FList.size())
            return;
        delete FList[Index];
        FList.removeAt(Index);
    }
    /// Destroys every entry, from the last to the first.
    void ClearItems()
    {
        for (qsizetype I = FList.size() - 1; I >= 0; --I)
            delete FList[I];
        FList.clear();
    }

    /// The first entry, for range-for loops.
    T* const* begin() const { return FList.constData(); }
    /// Past the last entry.
    T* const* end() const { return FList.constData() + FList.size(); }

private:
    QList<T*> FList;
};

/// The items of a channel.
class VX_CORE_EXPORT TVxIRSSItems : public TVxIRSSList<TVxIRSSItem> {
    Q_GADGET
    Q_PROPERTY(int Count READ Count)
public:
    /// The item at Index.
    Q_INVOKABLE TVxIRSSItem* GetItem(int Index) const { return TVxIRSSList::GetItem(Index); }
    /// Replaces the items with copies of Source's, in order; nothing when Source is null.
    void AssignItems(const TVxIRSSItems* Source);
};

/// One channel (an RSS channel or an Atom feed) and its items.
class VX_CORE_EXPORT TVxIRSSChannel {
    Q_GADGET
    Q_PROPERTY(QString Title MEMBER Title)
    Q_PROPERTY(QString Link MEMBER Link)
    Q_PROPERTY(QString Description MEMBER Description)
    Q_PROPERTY(QString Language MEMBER Language)
    Q_PROPERTY(QString Copyright MEMBER Copyright)
    Q_PROPERTY(QString Rating MEMBER Rating)
    Q_PROPERTY(QString ManagingEditor MEMBER ManagingEditor)
    Q_PROPERTY(QString WebMaster MEMBER WebMaster)
    Q_PROPERTY(QString PubDate MEMBER PubDate)
    Q_PROPERTY(QString LastBuildDate MEMBER LastBuildDate)
    Q_PROPERTY(QString Category MEMBER Category)
    Q_PROPERTY(QString Generator MEMBER Generator)
    Q_PROPERTY(QString Docs MEMBER Docs)
    Q_PROPERTY(QString Ttl MEMBER Ttl)
    Q_PROPERTY(TVxIRSSItems* Items READ GetItems)
public:
    /// The channel's title.
    QString Title;
    /// The channel's link; Atom: the alternate link.
    QString Link;
    QString Description;  ///< Atom: subtitle
    /// language.
    QString Language;
    /// copyright; Atom: rights.
    QString Copyright;
    /// rating.
    QString Rating;
    /// managingEditor.
    QString ManagingEditor;
    /// webMaster.
    QString WebMaster;
    /// pubDate.
    QString PubDate;
    QString LastBuildDate;  ///< Atom: updated
    /// category; Atom: the term of a category.
    QString Category;
    /// generator.
    QString Generator;
    /// docs.
    QString Docs;
    /// ttl: minutes the feed may be cached.
    QString Ttl;
    /// The channel's items, in feed order.
    TVxIRSSItems Items;

    /// The channel's items.
    TVxIRSSItems* GetItems() { return &Items; }
    /// Copies the fourteen fields and the items of Source; nothing when Source is null.
    void Assign(const TVxIRSSChannel* Source);
};

/// The channels of a feed.
class VX_CORE_EXPORT TVxIRSSChannels : public TVxIRSSList<TVxIRSSChannel> {
    Q_GADGET
    Q_PROPERTY(int Count READ Count)
public:
    /// The channel at Index.
    Q_INVOKABLE TVxIRSSChannel* GetItem(int Index) const { return TVxIRSSList::GetItem(Index); }
};

/// Downloads a feed from Host/RemoteFileName (any service of the web updater) and parses
/// it into Channels. Execute returns false when the download failed; Channels is then
/// left as it was, as it is when the feed was not found.
///
/// Example: \ref rss.cpp
class VX_CORE_EXPORT TVxIRSSParser : public TVxCustomWebUpdater {
    Q_OBJECT
    Q_PROPERTY(TVxIRSSChannels* Channels READ Channels)
    Q_PROPERTY(QString Encoding READ Encoding)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxIRSSParser(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxIRSSParser() override;

    /// The result: valid until the next Execute or ParseRSS.
    TVxIRSSChannels* Channels() const { return FChannels; }
    /// The encoding the feed's XML declaration names, as written ("UTF-8", "windows-1252");
    /// empty when it names none. Set with Channels.
    QString Encoding() const { return FEncoding; }

    /// A field of a channel or item (byte text, as the feed wrote it) as a person reads it:
    /// decoded in the feed's Encoding (UTF-8 when it names none; bytes that are not UTF-8,
    /// and an encoding Qt has no converter for, as Latin-1), numeric character references
    /// and the named entities of XML and HTML replaced ("&amp;" "&", "&#233;" and "&eacute;"
    /// "é", "&hellip;" "…", "&nbsp;" a no-break space; unknown ones stay as written;
    /// also inside what was a CDATA section), and the C0 and C1 control characters except
    /// tab, line feed and carriage return removed. Nothing else changes: markup in a
    /// description stays, white space is not folded.
    QString ReadableText(const QString& Field) const { return ReadableText(Field, FEncoding); }
    /// The same with the encoding given.
    static QString ReadableText(const QString& Field, const QString& Encoding);

    /// The download target. Without one, Execute downloads into a file of its own in a
    /// private temporary directory. Either way the file is deleted at the end of Execute.
    using TVxCustomWebUpdater::LocalFileName;
    using TVxCustomWebUpdater::SetLocalFileName;

    /// Downloads the feed into LocalFileName, parses it when it was downloaded (not when
    /// skipped, failed or not found) and deletes the file.
    bool Execute() override;
    /// Parses the file LocalFileName into Channels. A file that cannot be read raises
    /// EVxFileError.
    Q_INVOKABLE virtual void ParseRSS();
    /// Parses a feed held in memory into Channels, exactly as ParseRSS parses a file.
    void ParseRSSData(const QByteArray& Data);

protected:
    /// Bytes read from the file at a time.
    qsizetype FReadBlockSize = 1 << 20;

private:
    TVxIRSSChannels* FChannels;
    QString FEncoding;
};
