#pragma once
// Collections: ordered lists of persistent items of one class, written in property streams
// as one property holding every item's properties.
//
// The collection owns its items. Add creates an item of the item class (which must be
// registered, see UClasses.h); deleting an item anywhere removes it from its collection.
//
//   class TPurposeInfo : public TCollectionItem {
//       Q_OBJECT
//       Q_PROPERTY(int ID READ ID WRITE SetID)
//       ...
//   public:
//       ...
//   };
//   ...
//   RegisterClass<TPurposeInfo>();
//   TCollection Purposes(TPurposeInfo::staticMetaObject);
//   auto* p = Purposes.Add<TPurposeInfo>();
//
// An item's Assign must accept its own class for the collection's Assign to work.

#include "UPersistent.h"

#include <memory>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
    Q_OBJECT
public:
    TCollectionItem() = default;
    // Leaves its collection.
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    // Position in the collection, -1 outside one.
    int Index() const;
    // Moves the item to Value (clamped to the list) within its collection.
    void SetIndex(int Value);

protected:
    // Tells the collection that this item (AllItems: every item) changed.
    void Changed(bool AllItems = false);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
};

class TCollection : public TPersistent {
    Q_OBJECT
public:
    // ItemClass: a registered TCollectionItem class. Owner: the object that holds the
    // collection, if any (not owned).
    explicit TCollection(const QMetaObject& ItemClass, TPersistent* Owner = nullptr);
    ~TCollection() override;

    const QMetaObject& ItemClass() const { return *FItemClass; }
    TPersistent* Owner() const { return FOwner; }

    int Count() const { return static_cast<int>(FItems.size()); }
    // The item at Index; raises EListError outside 0 .. Count() - 1.
    TCollectionItem* Items(int Index) const;
    template <class T>
    T* ItemsAs(int Index) const {
        return qobject_cast<T*>(Items(Index));
    }

    // Appends a new item of the item class and answers it.
    TCollectionItem* Add();
    template <class T>
    T* Add() {
        return qobject_cast<T*>(Add());
    }
    // Inserts a new item at Index (0 .. Count()).
    TCollectionItem* Insert(int Index);
    // Appends an item made elsewhere; it must be of the item class. The collection owns it.
    void AddItem(std::unique_ptr<TCollectionItem> Item);
    // Destroys the item at Index.
    void Delete(int Index);
    // Destroys every item.
    void Clear();

    // Replaces the items by copies of Source's items (each through the item's Assign).
    void Assign(const TPersistent* Source) override;

    // Change batching: Update runs once when the outermost EndUpdate is reached.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

protected:
    // Called after the list or an item changed (Item null: the list or every item).
    virtual void Update(TCollectionItem* Item);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(int Index, std::unique_ptr<TCollectionItem> Item);
    void DetachItem(TCollectionItem* Item);
    void MoveItem(int From, int To);
    void ItemChanged(TCollectionItem* Item);

    const QMetaObject* FItemClass;
    TPersistent* FOwner;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
};
