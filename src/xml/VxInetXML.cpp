// The XML node model: nodes, child lists and the shared free routines.
#include <vedidoredo/VxInetXML.h>

#include "xml/VxXMLInternal.h"

#include "core/VxUtf8.h"

#include <vedidoredo/platform/VxException.h>

#include <QHash>
#include <QMutex>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace VxXMLDetail {

thread_local TParseWatch* ActiveWatch = nullptr;

TUtf8Shape ScanUtf8(const uchar* Data, qsizetype Size)
{
    TUtf8Shape R;
    qsizetype K = 0;
    while (K < Size) {
        char16_t U[2];
        int Units;
        const qsizetype Used = VxUtf8::DecodeStep(Data, Size, K, U, Units);
        if (Used == 0)
            return R;
        if (Used > 1 && Units == 1 && U[0] < 0x80)
            R.AsciiFromMultiByte = true;
        // A surrogate pair is two characters of the text: any position at its start is
        // before the last character.
        R.LastStart = Units == 2 ? K + Used : K;
        K += Used;
    }
    R.Valid = true;
    return R;
}

}  // namespace VxXMLDetail

using namespace VxXMLDetail;

// ---------------------------------------------------------------------------------------
// Nodes

// Fields few nodes need live in a side table, keeping every node small.
struct TVxXMLItem::TExtra {
    QObject* OwnerObject = nullptr;
    QMetaObject::Connection OwnerConnection;
    TVxXMLItems* HolderList = nullptr;  // the list of a node added without a parent
    QList<TVxXMLItem*> Owned;           // nodes owned by this one outside its Items
    QString Name;
    qint64 Tag = 0;
};

namespace {

struct TExtraTable {
    QBasicMutex Mutex;
    QHash<const void*, void*> Map;
};

TExtraTable& ExtraTable()
{
    // Never destroyed: nodes may outlive static destruction.
    static TExtraTable* Table = new TExtraTable;
    return *Table;
}

}  // namespace

TVxXMLItem::TExtra* TVxXMLItem::Extra(bool Create) const
{
    if (!Create && !(FFlags & fHasExtra))
        return nullptr;
    TExtraTable& T = ExtraTable();
    QMutexLocker Lock(&T.Mutex);
    void*& Slot = T.Map[this];
    if (!Slot) {
        Slot = new TExtra;
        const_cast<TVxXMLItem*>(this)->FFlags |= fHasExtra;
    }
    return static_cast<TExtra*>(Slot);
}

TVxXMLItem::TVxXMLItem()
{
    new (FTagName.Bytes) TText;
    new (FValue.Bytes) TText;
    new (FAttributes.Bytes) TText;
}

TVxXMLItem::TVxXMLItem(QObject* AOwner) : TVxXMLItem()
{
    if (!AOwner)
        return;
    TExtra* X = Extra(true);
    X->OwnerObject = AOwner;
    X->OwnerConnection = QObject::connect(AOwner, &QObject::destroyed, [this]() {
        // The owner is going: the destructor must not touch it any more.
        Extra(false)->OwnerObject = nullptr;
        delete this;
    });
}

TVxXMLItem::TVxXMLItem(TVxXMLItem* AOwner) : TVxXMLItem()
{
    FParentItem = AOwner;
    if (!AOwner)
        return;
    FFlags |= fOwnedByParent;
    AOwner->Extra(true)->Owned.append(this);
}

TVxXMLItem::~TVxXMLItem()
{
    DestroyChildren();
    TExtra* X = Extra(false);
    if (X) {
        while (!X->Owned.isEmpty()) {
            TVxXMLItem* O = X->Owned.takeLast();
            O->FFlags &= ~fOwnedByParent;
            delete O;
        }
    }
    if (!(FFlags & fDetached)) {
        if (FFlags & fInParentList)
            FParentItem->FItems.Remove(this);
        else if (X && X->HolderList)
            X->HolderList->Remove(this);
        if ((FFlags & fOwnedByParent) && FParentItem) {
            if (TExtra* PX = FParentItem->Extra(false))
                PX->Owned.removeOne(this);
        }
    }
    WatchDestroyed(this);
    if (X) {
        if (QObject* Owner = X->OwnerObject) {
            QObject::disconnect(X->OwnerConnection);
            if (TVxXMLEngine* Engine = qobject_cast<TVxXMLEngine*>(Owner))
                Engine->RootItemDestroyed(this);
        }
        TExtraTable& T = ExtraTable();
        {
            QMutexLocker Lock(&T.Mutex);
            T.Map.remove(this);
        }
        delete X;
    }
    AsText(FTagName).~TText();
    AsText(FValue).~TText();
    AsText(FAttributes).~TText();
}

void TVxXMLItem::WatchDestroyed(TVxXMLItem* Item)
{
    for (TParseWatch* W = ActiveWatch; W; W = W->Outer)
        if (W->Current == Item)
            W->Current = Item->FParentItem;
}

// Post-order, last child first, without recursion: a document may nest deeper than the
// stack allows. On the way down a child's FParentItem is the way back up (it already is,
// except for nodes added without a parent, which are about to go anyway).
void TVxXMLItem::DestroyChildren()
{
    TVxXMLItem* Node = this;
    for (;;) {
        TVxXMLItems& L = Node->FItems;
        if (L.FCount > 0) {
            TVxXMLItem* Child = L.FList[L.FCount - 1];
            Child->FParentItem = Node;
            Node = Child;
            continue;
        }
        if (Node == this)
            break;
        TVxXMLItem* Up = Node->FParentItem;
        --Up->FItems.FCount;
        Node->FFlags |= fDetached;
        delete Node;
        Node = Up;
    }
}

QObject* TVxXMLItem::Owner() const
{
    TExtra* X = Extra(false);
    return X ? X->OwnerObject : nullptr;
}

QString TVxXMLItem::Name() const
{
    TExtra* X = Extra(false);
    return X ? X->Name : QString();
}

void TVxXMLItem::SetName(const QString& Value)
{
    if (Value.isEmpty() && !(FFlags & fHasExtra))
        return;
    Extra(true)->Name = Value;
}

qint64 TVxXMLItem::Tag() const
{
    TExtra* X = Extra(false);
    return X ? X->Tag : 0;
}

void TVxXMLItem::SetTag(qint64 Value)
{
    if (Value == 0 && !(FFlags & fHasExtra))
        return;
    Extra(true)->Tag = Value;
}

QString TVxXMLItem::TagName() const
{
    return AsText(FTagName).ToString();
}

QVariant TVxXMLItem::Value() const
{
    return AsText(FValue).ToVariant();
}

void TVxXMLItem::SetValue(const QVariant& Value)
{
    AsText(FValue).SetVariant(Value);
}

bool TVxXMLItem::HasValue() const
{
    return !AsText(FValue).IsNone();
}

QString TVxXMLItem::Attributes() const
{
    return AsText(FAttributes).ToString();
}

void TVxXMLItem::SetTagName(const QString& Value)
{
    AsText(FTagName).SetString(Value);
}

namespace {

// Depth-first, pre-order, children in list order, without recursion. Descend tells
// whether the children of a node are searched.
template <typename TMatch, typename TDescend>
TVxXMLItem* FindPreOrder(TVxXMLItem* Start, TMatch Match, TDescend Descend)
{
    if (Match(Start))
        return Start;
    if (Start->Items()->Count() == 0 || !Descend(Start))
        return nullptr;
    std::vector<std::pair<TVxXMLItem*, int>> Stack;
    Stack.emplace_back(Start, 0);
    while (!Stack.empty()) {
        auto& Top = Stack.back();
        if (Top.second >= Top.first->Items()->Count()) {
            Stack.pop_back();
            continue;
        }
        TVxXMLItem* Child = Top.first->Items()->Items(Top.second++);
        if (Match(Child))
            return Child;
        if (Child->Items()->Count() > 0 && Descend(Child))
            Stack.emplace_back(Child, 0);
    }
    return nullptr;
}

bool IsWithin(const TVxXMLItem* Node, const TVxXMLItem* Root)
{
    for (; Node; Node = Node->ParentItem())
        if (Node == Root)
            return true;
    return false;
}

}  // namespace

TVxXMLItem* TVxXMLItem::GetChild(const QString& XMLTag, bool ExpandAllLevels)
{
    const int StartLevel = FLevel;
    return FindPreOrder(
        this, [&](const TVxXMLItem* N) { return AsText(N->FTagName).Equals(XMLTag); },
        [&](const TVxXMLItem* N) {
            return ExpandAllLevels || qint64(N->Level()) - StartLevel < 2;
        });
}

QString TVxXMLItem::GetTagXMLValue() const
{
    QString R = AsText(FValue).ToString();
    if (!R.isEmpty() && R.front() == u'"') {
        qsizetype End = R.size();
        while (End > 0) {
            const char16_t C = R[End - 1].unicode();
            if (C != u' ' && C != u'"' && C != u'\r' && C != u'\n' && C != u'\t')
                break;
            --End;
        }
        R.truncate(End);
        R.remove(0, 1);
    }
    return R;
}

QString TVxXMLItem::GetTagValue() const
{
    QString R = GetTagXMLValue();
    DecodeXMLEntities(R);
    return R;
}

void TVxXMLItem::ProcessAttributes()
{
    const qsizetype N = AsText(FAttributes).Size();
    if (N == 0)
        return;
    bool InQuote = false;
    bool InName = true;
    QString NameText;
    QString ValueText;
    for (qsizetype I = 0; I < N; ++I) {
        const char16_t C = AsText(FAttributes).At(I);
        if (C == u'"')
            InQuote = !InQuote;
        if (!InQuote && C == u'=')
            InName = false;
        else if (InName)
            NameText.append(QChar(C));
        else
            ValueText.append(QChar(C));
        if (!InQuote && (C == u'\t' || C == u'\n' || C == u'\r' || C == u' ' || I == N - 1)) {
            if (!NameText.isEmpty() && !ValueText.isEmpty()) {
                TVxXMLItem* A = FItems.AddItem(this);
                A->FKind = ikAttribute;
                AsText(A->FTagName).SetString(NameText);
                AsText(A->FValue).SetString(ValueText);
            }
            NameText.resize(0);
            ValueText.resize(0);
            InName = true;
        }
    }
    AsText(FAttributes).Clear();
}

void TVxXMLItem::Assign(const TVxXMLItem* Source)
{
    if (!Source)
        throw EVxConvertError(QStringLiteral("Cannot assign a nil to a TVxXMLItem"));
    if (Source == this)
        return;
    if (IsWithin(Source, this) || IsWithin(this, Source)) {
        // Copy first: clearing or growing this subtree would change the source.
        TVxXMLItem Copy;
        Copy.Assign(Source);
        Assign(&Copy);
        return;
    }
    FItems.Clear();
    auto CopyFields = [](const TVxXMLItem* S, TVxXMLItem* D) {
        D->FKind = S->FKind;
        AsText(D->FTagName).CopyFrom(AsText(S->FTagName));
        AsText(D->FValue).CopyFrom(AsText(S->FValue));
        AsText(D->FAttributes).CopyFrom(AsText(S->FAttributes));
    };
    CopyFields(Source, this);
    std::vector<std::pair<const TVxXMLItem*, TVxXMLItem*>> Work;
    Work.emplace_back(Source, this);
    while (!Work.empty()) {
        const auto [S, D] = Work.back();
        Work.pop_back();
        for (const TVxXMLItem* C : S->FItems) {
            TVxXMLItem* N = D->FItems.AddItem(D);
            CopyFields(C, N);
            if (C->FItems.FCount > 0)
                Work.emplace_back(C, N);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Child lists

TVxXMLItems::~TVxXMLItems()
{
    Clear();
}

TVxXMLItem* TVxXMLItems::AddItem(TVxXMLItem* ParentItem)
{
    if (ParentItem && &ParentItem->FItems != this)
        throw EVxError(QStringLiteral("A node can only be added to its parent's list"));
    TVxXMLItem* Item = new TVxXMLItem;
    if (ParentItem) {
        Item->FParentItem = ParentItem;
        Item->FLevel = ParentItem->FLevel + 1;
        Item->FFlags |= TVxXMLItem::fInParentList;
    } else {
        Item->Extra(true)->HolderList = this;
    }
    try {
        Append(Item);
    } catch (...) {
        Item->FFlags |= TVxXMLItem::fDetached;
        delete Item;
        throw;
    }
    return Item;
}

void TVxXMLItems::Append(TVxXMLItem* Item)
{
    if (FCount == FCapacity) {
        if (FCapacity == std::numeric_limits<qint32>::max())
            throw std::bad_alloc();
        const qint64 Capacity =
            std::min<qint64>(std::numeric_limits<qint32>::max(),
                             FCapacity < 4 ? 4 : qint64(FCapacity) + FCapacity / 2 + 1);
        void* Grown = std::realloc(FList, size_t(Capacity) * sizeof(TVxXMLItem*));
        if (!Grown)
            throw std::bad_alloc();
        FList = static_cast<TVxXMLItem**>(Grown);
        FCapacity = qint32(Capacity);
    }
    FList[FCount++] = Item;
}

void TVxXMLItems::Remove(const TVxXMLItem* Item)
{
    for (qint32 I = FCount - 1; I >= 0; --I) {
        if (FList[I] == Item) {
            std::memmove(FList + I, FList + I + 1, size_t(FCount - I - 1) * sizeof(TVxXMLItem*));
            --FCount;
            return;
        }
    }
}

void TVxXMLItems::Clear()
{
    while (FCount > 0) {
        TVxXMLItem* Item = FList[--FCount];
        if (!Item)
            continue;
        Item->FFlags |= TVxXMLItem::fDetached;
        delete Item;
    }
    std::free(FList);
    FList = nullptr;
    FCapacity = 0;
}

TVxXMLItem* TVxXMLItems::Items(int Index) const
{
    return Index >= 0 && Index < FCount ? FList[Index] : nullptr;
}

int TVxXMLItems::IndexOf(const TVxXMLItem* Item) const
{
    for (qint32 I = 0; I < FCount; ++I)
        if (FList[I] == Item)
            return I;
    return -1;
}

// ---------------------------------------------------------------------------------------
// Free routines

bool SameStrings(bool CaseSensitive, const QString& S1, const QString& S2)
{
    if (CaseSensitive)
        return S1 == S2;
    if (S1.size() != S2.size())
        return false;
    for (qsizetype I = 0; I < S1.size(); ++I)
        if (FoldAscii(S1[I].unicode()) != FoldAscii(S2[I].unicode()))
            return false;
    return true;
}

TDateTime XMLStringToDateTime(const QString& S)
{
    if (S.isEmpty())
        return 0.0;
    // Start (1-based) and width of year, month, day, hour, minute and second.
    static constexpr int Pieces[6][2] = {{1, 4}, {6, 2}, {9, 2}, {12, 2}, {15, 2}, {18, 2}};
    int Values[6];
    for (int P = 0; P < 6; ++P) {
        const qsizetype Start = Pieces[P][0] - 1;
        const int Width = Pieces[P][1];
        if (Start + Width > S.size())
            return 0.0;
        int V = 0;
        for (int I = 0; I < Width; ++I) {
            const char16_t C = S[Start + I].unicode();
            if (C < u'0' || C > u'9')
                return 0.0;
            V = V * 10 + (C - u'0');
        }
        Values[P] = V;
    }
    TDateTime D, T;
    if (!TryEncodeDate(Values[0], Values[1], Values[2], D)
        || !TryEncodeTime(Values[3], Values[4], Values[5], 0, T))
        return 0.0;
    return double(D) + double(T);
}

namespace {

struct TEntityRow {
    const char16_t* Entity;
    char16_t Replacement;  // 0: the entity is removed
};

constexpr TEntityRow EntityRows[] = {
    {u"&brvbar", u'|'}, {u"&deg", u'\u00B0'}, {u"&#176", u'\u00B0'}, {u"&plusmn", u'+'},
    {u"&para", u'\u00B6'}, {u"&amp", u'&'}, {u"&lt", u'<'}, {u"&gt", u'>'},
    {u"&copy", u'c'}, {u"&quot", u'"'}, {u"&apos", u'\''}, {u"&trade", u'T'},
    {u"&nbsp", 0}, {u"&car", u'\n'}, {u"&ret", u'\r'}, {u"&#009", u'\t'},
    {u"&#x9", u'\t'}, {u"&#010", u'\n'}, {u"&#xa", u'\n'}, {u"&#013", u'\r'},
    {u"&#xd", u'\r'}, {u"&#034", u'"'}, {u"&#34", u'"'}, {u"&#039", u'\''},
    {u"&#39", u'\''},
};

}  // namespace

// Each row is applied as "replace the first occurrence, searching from the start, until
// there is none". Text before a replacement holds no occurrence, so an occurrence in the
// new text starts at most (entity length - 1) characters before the replacement: the scan
// steps back that far instead of restarting, which gives the same result in linear time.
// The buffer is rewritten in place: output grows at W, input is read at R (W <= R), and
// stepping back moves the last output characters in front of the unread input.
void DecodeXMLEntities(QString& S)
{
    if (!S.contains(u'&'))
        return;
    char16_t* B = reinterpret_cast<char16_t*>(S.data());
    qsizetype N = S.size();
    for (const TEntityRow& Row : EntityRows) {
        const qsizetype L = qsizetype(std::char_traits<char16_t>::length(Row.Entity));
        qsizetype W = 0;
        qsizetype R = 0;
        while (R < N) {
            if (B[R] == u'&' && R + L <= N
                && std::char_traits<char16_t>::compare(B + R, Row.Entity, size_t(L)) == 0) {
                qsizetype J = R + L;
                if (J < N && B[J] == u';')
                    ++J;
                const qsizetype Back = std::min(L - 1, W);
                const qsizetype Put = Row.Replacement ? 1 : 0;
                const qsizetype Start = J - Back - Put;
                if (Put)
                    B[J - 1] = Row.Replacement;
                std::memmove(B + Start, B + W - Back, size_t(Back) * sizeof(char16_t));
                W -= Back;
                R = Start;
            } else {
                B[W++] = B[R++];
            }
        }
        N = W;
    }
    S.truncate(N);
}
