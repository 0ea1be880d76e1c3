// Owned collections of persistent items (mail addresses, attachments, activities).
// The collection owns its items; an item knows its collection and index.
#pragma once

#include <vedidoredo/platform/VxPersistent.h>

#include <QList>
#include <functional>

class TVxCollection;

class VX_CORE_EXPORT TVxCollectionItem : public TVxPersistent {
    Q_OBJECT
public:
    // Adds itself to Collection when one is given. Without one the item lives alone
    // (the mail sender's From address).
    explicit TVxCollectionItem(TVxCollection* Collection = nullptr);
    ~TVxCollectionItem() override;

    TVxCollection* Collection() const { return FCollection; }
    void SetCollection(TVxCollection* Value);
    int Index() const;
    QObject* GetOwner() const override;

private:
    friend class TVxCollection;
    TVxCollection* FCollection = nullptr;
};

class VX_CORE_EXPORT TVxCollection : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(int Count READ Count)
public:
    using ItemFactory = std::function<TVxCollectionItem*(TVxCollection*)>;

    // Factory makes one item of the collection's item class and adds it (it is called
    // with the collection and must pass it to the item's constructor).
    TVxCollection(ItemFactory Factory, QObject* Owner = nullptr);
    ~TVxCollection() override;

    int Count() const { return FItems.size(); }
    TVxCollectionItem* Item(int Index) const;
    TVxCollectionItem* AddItem();  // typed collections offer Add() returning their class
    void Clear();
    void Delete(int Index);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() { if (FUpdateCount > 0) --FUpdateCount; }
    int UpdateCount() const { return FUpdateCount; }

    // Replaces the items with copies of Source's items (same collection class only).
    void Assign(TVxPersistent* Source) override;
    QObject* GetOwner() const override { return FOwner; }

private:
    friend class TVxCollectionItem;
    void InsertItem(TVxCollectionItem* Item);
    void RemoveItem(TVxCollectionItem* Item);

    ItemFactory FFactory;
    QObject* FOwner;
    QList<TVxCollectionItem*> FItems;
    int FUpdateCount = 0;
};
