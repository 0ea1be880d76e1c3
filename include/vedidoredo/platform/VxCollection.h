/// \file
/// Owned collections of persistent items (mail addresses, attachments, activities).
/// The collection owns its items; an item knows its collection and index.
#pragma once

#include <vedidoredo/platform/VxPersistent.h>

#include <QList>
#include <functional>

class TVxCollection;

/// One item of a TVxCollection, owned by it.
class VX_CORE_EXPORT TVxCollectionItem : public TVxPersistent {
    Q_OBJECT
public:
    /// Adds itself to Collection when one is given. Without one the item lives alone
    /// (the mail sender's From address).
    explicit TVxCollectionItem(TVxCollection* Collection = nullptr);
    /// Frees the object and everything it owns.
    ~TVxCollectionItem() override;

    /// The collection holding the item.
    TVxCollection* Collection() const { return FCollection; }
    /// Sets Collection().
    void SetCollection(TVxCollection* Value);
    /// The item's position in its collection, from 0.
    int Index() const;
    QObject* GetOwner() const override;

private:
    friend class TVxCollection;
    TVxCollection* FCollection = nullptr;
};

/// An ordered list of items of one class, which it owns.
class VX_CORE_EXPORT TVxCollection : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(int Count READ Count)
public:
    /// Makes a new item for the collection.
    using ItemFactory = std::function<TVxCollectionItem*(TVxCollection*)>;

    /// Factory makes one item of the collection's item class and adds it (it is called
    /// with the collection and must pass it to the item's constructor).
    TVxCollection(ItemFactory Factory, QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxCollection() override;

    /// The number of items.
    int Count() const { return FItems.size(); }
    /// The item at Index (0..Count()-1).
    TVxCollectionItem* Item(int Index) const;
    TVxCollectionItem* AddItem();  ///< typed collections offer Add() returning their class
    /// Deletes every item.
    void Clear();
    /// Deletes the item at Index.
    void Delete(int Index);
    /// Starts a batch of changes; pairs with EndUpdate.
    void BeginUpdate() { ++FUpdateCount; }
    /// Ends a batch of changes begun with BeginUpdate.
    void EndUpdate() { if (FUpdateCount > 0) --FUpdateCount; }
    /// How many BeginUpdate calls are not yet ended.
    int UpdateCount() const { return FUpdateCount; }

    /// Replaces the items with copies of Source's items (same collection class only).
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
