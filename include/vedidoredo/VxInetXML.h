/// \file
/// The library's own small XML engine: a tree of nodes (TVxXMLItem) with a kind, a tag
/// name, a value, the raw attribute text of the start tag, a depth level and an ordered
/// list of children (TVxXMLItems), and TVxXMLEngine, a forgiving single-pass scanner that
/// builds that tree from text, streams and files and answers simple lookups on it.
///
/// The engine is written for short machine-generated answers of web services and reads
/// the XML people write as well. It never rejects input: end tags are not compared with
/// start tags, values keep their whitespace, entities stay in the stored values
/// (GetTagValue decodes a fixed set), and whatever the text, the result is the tree the
/// scanner's rules give:
/// - The XML declaration fills RootItem (named "?xml", its attributes as ikAttribute
///   children, the document element after them) and is never closed. Without one the
///   document element fills RootItem; a later top-level element fills it again.
/// - An element's value is its text: the text after its start tag, CDATA sections (their
///   content as written, no markup read inside) and the text after its child elements
///   when that holds more than white space, joined in document order. Attribute text is
///   kept unsplit in Attributes; a quoted value (single or double quotes) may hold "/",
///   ">" and the other quote. Names are XML names: letters and digits of any script, ".",
///   "-", "_", ":" and combining marks. A "<" that cannot start markup is text.
/// - Comments inside an element are ikComment children named "Comment"; comments outside
///   every element make no node. Document type declarations (with their internal subset)
///   and processing instructions other than the XML declaration make no node either:
///   they end where they end, and nothing nests under them.
/// - Encodings. Bytes (LoadFromStream, or byte text given to ParseXMLFromString) are read
///   in the encoding the XML declaration names, in single or double quotes and any case:
///   UTF-8, or any encoding Qt's converters know (ISO-8859-x, windows-NNNN, KOI8-R,
///   Shift_JIS, EUC-JP, Big5, GB18030 ...). Without a declared encoding a document is
///   UTF-8, and Latin-1 when its bytes are not valid UTF-8, as is one whose declared
///   encoding no converter knows: nothing is lost. In a document that declares UTF-8, a
///   name, attribute text or value whose bytes are not UTF-8 is read as Latin-1, the rest
///   of the document as UTF-8. Names, attribute texts, values and comments are all
///   decoded. A byte-order mark (UTF-8, UTF-16 either way) wins over a declaration.
///
/// Nodes are deliberately light (not QObjects): a parsed document of a few hundred
/// thousand elements costs about a hundred bytes per element besides the document text.
/// They still keep the ownership rules of components: a node owns its children, a root
/// node may be owned by a QObject (and is destroyed with it), and any node may be
/// destroyed at any time, which removes it from its parent's list.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxComponent.h>
#include <vedidoredo/platform/VxDateTime.h>

#include <QObject>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstddef>
#include <functional>

class QIODevice;
class TVxXMLItem;
class TVxXMLItems;
class TVxXMLEngine;

/// The enumerations of the XML engine, also in the global namespace (`ikProperty`).
namespace VxInetXMLEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// What a node is.
enum TVxXMLItemKind {
    ikProperty,   ///< an element, or the XML declaration
    ikAttribute,  ///< a node made from attribute text
    ikComment,    ///< a comment
    ikCDATA       ///< a CDATA section (never produced by the engine)
};
Q_ENUM_NS(TVxXMLItemKind)
}  // namespace VxInetXMLEnums
using VxInetXMLEnums::TVxXMLItemKind;
using enum VxInetXMLEnums::TVxXMLItemKind;

namespace VxXMLDetail {
/// Room for one text of a node (its name, value or attribute text). Only the engine
/// knows what it holds.
struct TTextSlot {
    alignas(void*) unsigned char Bytes[16];
};
}  // namespace VxXMLDetail

/// The child list of a node: the nodes in document order, owned by the list.
class VX_CORE_EXPORT TVxXMLItems {
    Q_GADGET
    Q_PROPERTY(int Count READ Count)
public:
    TVxXMLItems() = default;
    /// Frees the object and everything it owns.
    ~TVxXMLItems();
    TVxXMLItems(const TVxXMLItems&) = delete;  ///< not copyable
    TVxXMLItems& operator=(const TVxXMLItems&) = delete;  ///< not copyable

    /// Creates a node with ParentItem as its owner and parent node, appends it to this list
    /// and returns it. With a parent its Level is the parent's Level + 1, without one 0.
    /// ParentItem, when given, must be the node this list belongs to (EVxError otherwise).
    TVxXMLItem* AddItem(TVxXMLItem* ParentItem);
    /// Destroys every node of the list, from the last to the first, and empties it.
    void Clear();

    /// The number of nodes.
    int Count() const { return FCount; }
    TVxXMLItem* Items(int Index) const;  ///< nullptr outside 0..Count-1
    /// The node at Index.
    TVxXMLItem* operator[](int Index) const { return Items(Index); }
    /// The first node; nullptr when there is none.
    TVxXMLItem* First() const { return FCount > 0 ? FList[0] : nullptr; }
    /// The last node; nullptr when there is none.
    TVxXMLItem* Last() const { return FCount > 0 ? FList[FCount - 1] : nullptr; }
    int IndexOf(const TVxXMLItem* Item) const;  ///< -1 when not in the list

    /// The first node, for range-for loops.
    TVxXMLItem* const* begin() const { return FList; }
    /// Past the last node.
    TVxXMLItem* const* end() const { return FList + FCount; }

private:
    friend class TVxXMLItem;
    friend class TVxXMLEngine;
    void Append(TVxXMLItem* Item);
    void Remove(const TVxXMLItem* Item);  ///< searches from the end

    TVxXMLItem** FList = nullptr;
    qint32 FCount = 0;
    qint32 FCapacity = 0;
};

/// One node of the tree.
class VX_CORE_EXPORT TVxXMLItem {
    Q_GADGET
    Q_PROPERTY(TVxXMLItemKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(QString TagName READ TagName WRITE SetTagName)
    Q_PROPERTY(QVariant Value READ Value WRITE SetValue)
    Q_PROPERTY(QString Attributes READ Attributes)
    Q_PROPERTY(int Level READ Level)
    Q_PROPERTY(TVxXMLItems* Items READ Items)
    Q_PROPERTY(TVxXMLItem* ParentItem READ ParentItem)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(qint64 Tag READ Tag WRITE SetTag)
public:
    /// A node without owner and parent: the caller destroys it.
    TVxXMLItem();
    /// A node without owner and parent, as TVxXMLItem().
    explicit TVxXMLItem(std::nullptr_t) : TVxXMLItem() {}
    /// A node owned by a QObject: destroyed together with it (or earlier by the caller).
    /// It has no parent node.
    explicit TVxXMLItem(QObject* AOwner);
    /// A node owned by another node, which becomes its ParentItem and destroys it with
    /// itself. It is not put in the owner's Items (TVxXMLItems::AddItem does that) and its
    /// Level stays 0.
    explicit TVxXMLItem(TVxXMLItem* AOwner);
    /// Destroys the children (last to first), then leaves the parent's list.
    virtual ~TVxXMLItem();
    TVxXMLItem(const TVxXMLItem&) = delete;  ///< not copyable
    TVxXMLItem& operator=(const TVxXMLItem&) = delete;  ///< not copyable

    /// What the node is (element, text, comment ...).
    TVxXMLItemKind Kind() const { return TVxXMLItemKind(FKind); }
    /// Sets Kind().
    void SetKind(TVxXMLItemKind Value) { FKind = quint8(Value); }
    /// The element's name; empty for other kinds.
    QString TagName() const;
    /// Sets TagName().
    void SetTagName(const QString& Value);
    /// Invalid (unassigned) until text is stored; the engine stores strings.
    QVariant Value() const;
    /// Sets Value().
    void SetValue(const QVariant& Value);
    /// Whether a value was stored.
    bool HasValue() const;
    /// The raw attribute text of the start tag; emptied by ProcessAttributes.
    QString Attributes() const;
    /// The node's depth: 0 at the top of the document.
    int Level() const { return FLevel; }
    /// The child nodes.
    TVxXMLItems* Items() { return &FItems; }
    /// The child nodes.
    const TVxXMLItems* Items() const { return &FItems; }
    /// The parent node; nullptr at the top.
    TVxXMLItem* ParentItem() const { return FParentItem; }
    /// The QObject that owns a root node (nullptr for nodes owned by nodes and for
    /// unowned nodes; a node-owned node's owner is its ParentItem).
    QObject* Owner() const;
    /// Component name and tag, free for the program's use; the engine never uses them.
    QString Name() const;
    /// Sets Name().
    void SetName(const QString& Value);
    /// A number free for the program's use; the engine never uses it.
    qint64 Tag() const;
    /// Sets Tag().
    void SetTag(qint64 Value);

    /// Depth-first, pre-order search starting with this node for a node whose TagName
    /// equals XMLTag exactly (with case). Without ExpandAllLevels it compares this node, its
    /// children and its grandchildren (by Level difference) and goes no deeper.
    TVxXMLItem* GetChild(const QString& XMLTag, bool ExpandAllLevels);
    /// Value as text; when it begins with a double quote, trailing spaces, double quotes,
    /// CR, LF and TAB and then the leading quote are removed.
    QString GetTagXMLValue() const;
    /// GetTagXMLValue with the known entities decoded (DecodeXMLEntities).
    QString GetTagValue() const;
    /// Splits Attributes into ikAttribute children (name=value pairs; only double quotes
    /// group, quotes are kept in the values) and empties Attributes.
    void ProcessAttributes();

    /// Replaces kind, name, value and attribute text with Source's and the children with
    /// copies of Source's children (the whole subtree). Level, owner and parent stay.
    void Assign(const TVxXMLItem* Source);

private:
    friend class TVxXMLItems;
    friend class TVxXMLEngine;
    friend struct VxXMLParser;
    struct TExtra;
    enum : quint8 {
        fHasExtra = 1,        // an entry in the side table of rarely used fields
        fInParentList = 2,    // held by ParentItem's Items
        fDetached = 4,        // already taken out of its list by the list itself
        fOwnedByParent = 8,   // created with a node as owner, outside its Items
    };
    TExtra* Extra(bool Create) const;
    void DestroyChildren();
    static void WatchDestroyed(TVxXMLItem* Item);

    TVxXMLItem* FParentItem = nullptr;
    TVxXMLItems FItems;
    VxXMLDetail::TTextSlot FTagName;
    VxXMLDetail::TTextSlot FValue;
    VxXMLDetail::TTextSlot FAttributes;
    qint32 FLevel = 0;
    quint8 FKind = ikProperty;
    quint8 FFlags = 0;
};

/// String equality: with CaseSensitive ordinal, otherwise ignoring the case of A to Z.
VX_CORE_EXPORT bool SameStrings(bool CaseSensitive, const QString& S1, const QString& S2);
/// "yyyy-mm-ddThh:nn:ss..." (characters 1-4, 6-7, 9-10, 12-13, 15-16, 18-19; the others
/// are not looked at, anything after the seconds is ignored) to a date-time; 0 for
/// anything that does not give a valid date and time.
VX_CORE_EXPORT TDateTime XMLStringToDateTime(const QString& S);
/// Replaces a fixed table of entity texts (matched as prefixes, with an optional
/// semicolon), row by row, each row again from the start until it no longer occurs.
VX_CORE_EXPORT void DecodeXMLEntities(QString& S);

/// Offered every new element except the one that fills RootItem. Setting Accept to
/// false skips the element and everything inside it.
using TVxIXMLOnTagEvent =
    std::function<void(QObject* Sender, TVxXMLItem* ParentNode, const QString& ATagName,
                       const QString& ATagValue, const QString& ATagAttributes, bool& Accept)>;
/// Told each time an element is closed. Node may be destroyed by the handler; setting
/// Cancel ends the parse, keeping what was built.
using TVxIXMLOnAfterTagEvent =
    std::function<void(QObject* Sender, TVxXMLItem*& Node, bool& Cancel)>;

/// The XML parser: reads a document into a tree of TVxXMLItem nodes, with handlers per tag. See \ref xmltree.cpp.
class VX_CORE_EXPORT TVxXMLEngine : public TVxComponent {
    Q_OBJECT
    Q_PROPERTY(TVxXMLItem* RootItem READ RootItem WRITE SetRootItem)
public:
    /// Creates the object, owned by AOwner (none when nullptr), which frees it.
    explicit TVxXMLEngine(QObject* AOwner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxXMLEngine() override;

    /// The root node. Parsing fills this same node; the engine never replaces it.
    TVxXMLItem* RootItem() const { return FRootItem; }
    /// Makes RootItem a copy of Value (see TVxXMLItem::Assign); RootItem stays the same node.
    void SetRootItem(TVxXMLItem* Value);

    /// Clears RootItem's children, reads the stream and parses it. AStreamSize 0 reads to
    /// the end; another value is the stream position at which the document ends. Byte-order
    /// marks are honoured; without one the bytes are read in their declared encoding (see
    /// above). A final ESC character is dropped. A stream that is not readable or fails
    /// raises EVxFileError.
    void LoadFromStream(qint64 AStreamSize, QIODevice* AStream);
    /// LoadFromStream(0, file). A file that cannot be opened raises EVxFileError.
    void LoadFromFile(const QString& AFileName);
    /// LoadFromFile on a worker thread: returns at once; the future finishes when the tree
    /// is built, or holds the exception LoadFromFile raises (EVxAborted when the load was
    /// cancelled before its parse). OnTag and OnAfterTag run on the engine's thread
    /// meanwhile (see TVxComponent); leave RootItem alone until the future has finished.
    /// Raises "already running" while a load is going.
    QFuture<void> LoadFromFileAsync(const QString& AFileName);
    /// Parses the first N characters of S into the tree, adding to what is there. Byte text
    /// (no character above 255) is decoded as a stream without a byte-order mark is, unless
    /// the last LoadFromStream found a mark; other text is taken as it is.
    void ParseXMLFromString(const QString& S, qsizetype N);

    /// Depth-first, pre-order search of ARoot's subtree (RootItem's when ARoot is nullptr),
    /// ARoot included, for a node whose TagName equals XMLTag ignoring the case of A to Z.
    TVxXMLItem* GetItemByTag(TVxXMLItem* ARoot, const QString& XMLTag) const;
    /// "a/b/c": returns "a" and leaves "b/c"; without "/" returns all and leaves "".
    static QString GetFirstTagName(QString& AXMLPath);
    /// "a/b/c": returns "c" and leaves "a/b"; without "/" returns all and leaves "".
    static QString GetLastTagName(QString& AXMLPath);

    /// Called for each start tag read, before its node goes in the tree.
    TVxIXMLOnTagEvent OnTag() const { return FOnTag; }
    /// Sets the handler OnTag() calls; an empty function removes it.
    void SetOnTag(TVxIXMLOnTagEvent Value) { CheckChange("OnTag"); FOnTag = Guarded(std::move(Value)); }
    /// Called after each element's end tag.
    TVxIXMLOnAfterTagEvent OnAfterTag() const { return FOnAfterTag; }
    /// Sets the handler OnAfterTag() calls; an empty function removes it.
    void SetOnAfterTag(TVxIXMLOnAfterTagEvent Value) { CheckChange("OnAfterTag"); FOnAfterTag = Guarded(std::move(Value)); }

private:
    friend class TVxXMLItem;
    friend struct VxXMLParser;
    void RootItemDestroyed(TVxXMLItem* Item);
    void ReleaseDocumentsIfUnused();
    void KeepDocument(const QByteArray& Bytes);
    void KeepDocument(const QString& Text);

    TVxXMLItem* FRootItem = nullptr;
    TVxIXMLOnTagEvent FOnTag;
    TVxIXMLOnAfterTagEvent FOnAfterTag;
    bool FUTF8Processed = false;
    bool FDestroying = false;
    /// The parsed documents that nodes of the tree hold slices of.
    QList<QByteArray> FByteDocuments;
    QList<QString> FTextDocuments;
};
