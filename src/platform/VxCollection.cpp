#include <vedidoredo/platform/VxCollection.h>

#include <typeinfo>

TVxCollectionItem::TVxCollectionItem(TVxCollection* Collection)
{
    SetCollection(Collection);
}

TVxCollectionItem::~TVxCollectionItem()
{
    if (FCollection)
        FCollection->RemoveItem(this);
}

void TVxCollectionItem::SetCollection(TVxCollection* Value)
{
    if (Value == FCollection)
        return;
    if (FCollection)
        FCollection->RemoveItem(this);
    if (Value)
        Value->InsertItem(this);
}

int TVxCollectionItem::Index() const
{
    return FCollection ? FCollection->FItems.indexOf(const_cast<TVxCollectionItem*>(this)) : -1;
}

QObject* TVxCollectionItem::GetOwner() const
{
    return FCollection;
}

TVxCollection::TVxCollection(ItemFactory Factory, QObject* Owner)
    : TVxPersistent(nullptr), FFactory(std::move(Factory)), FOwner(Owner)
{
}

TVxCollection::~TVxCollection()
{
    Clear();
}

TVxCollectionItem* TVxCollection::Item(int Index) const
{
    if (Index < 0 || Index >= FItems.size())
        throw EVxError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems.at(Index);
}

TVxCollectionItem* TVxCollection::AddItem()
{
    TVxCollectionItem* Item = FFactory(this);
    if (Item && Item->FCollection != this)
        Item->SetCollection(this);
    // An item made by a run on a worker thread (a result list) belongs, with what it owns,
    // to its collection's thread, as the collection does.
    if (Item && Item->thread() != thread())
        Item->moveToThread(thread());
    return Item;
}

void TVxCollection::Clear()
{
    // Items remove themselves from FItems as they are destroyed.
    while (!FItems.isEmpty())
        delete FItems.last();
}

void TVxCollection::Delete(int Index)
{
    delete Item(Index);
}

void TVxCollection::Assign(TVxPersistent* Source)
{
    auto* Other = qobject_cast<TVxCollection*>(Source);
    if (!Other || typeid(*Other) != typeid(*this)) {
        TVxPersistent::Assign(Source);
        return;
    }
    if (Other == this)
        return;
    BeginUpdate();
    Clear();
    for (TVxCollectionItem* Item : Other->FItems)
        AddItem()->Assign(Item);
    EndUpdate();
}

void TVxCollection::InsertItem(TVxCollectionItem* Item)
{
    FItems.append(Item);
    Item->FCollection = this;
}

void TVxCollection::RemoveItem(TVxCollectionItem* Item)
{
    FItems.removeOne(Item);
    Item->FCollection = nullptr;
}
