#include "UCollection.h"

#include "UClasses.h"
#include "UException.h"

#include <algorithm>

namespace {
[[noreturn]] void IndexError(int Index) {
    throw EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
}
} // namespace

TCollectionItem::~TCollectionItem() {
    if (FCollection)
        FCollection->DetachItem(this);
}

int TCollectionItem::Index() const {
    if (!FCollection)
        return -1;
    for (int i = 0; i < FCollection->Count(); ++i)
        if (FCollection->FItems[static_cast<size_t>(i)].get() == this)
            return i;
    return -1;
}

void TCollectionItem::SetIndex(int Value) {
    const int from = Index();
    if (from < 0)
        return;
    const int to = std::clamp(Value, 0, FCollection->Count() - 1);
    if (to != from)
        FCollection->MoveItem(from, to);
}

void TCollectionItem::Changed(bool AllItems) {
    if (FCollection)
        FCollection->ItemChanged(AllItems ? nullptr : this);
}

TCollection::TCollection(const QMetaObject& ItemClass, TPersistent* Owner)
    : FItemClass(&ItemClass), FOwner(Owner) {}

TCollection::~TCollection() {
    ++FUpdateCount; // no change calls into a half-destroyed collection
    while (!FItems.empty()) {
        std::unique_ptr<TCollectionItem> item = std::move(FItems.back());
        FItems.pop_back();
        item->FCollection = nullptr;
    }
}

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        IndexError(Index);
    return FItems[static_cast<size_t>(Index)].get();
}

TCollectionItem* TCollection::Add() {
    return Insert(Count());
}

TCollectionItem* TCollection::Insert(int Index) {
    if (Index < 0 || Index > Count())
        IndexError(Index);
    std::unique_ptr<TPersistent> created = CreatePersistent(*FItemClass);
    std::unique_ptr<TCollectionItem> item(qobject_cast<TCollectionItem*>(created.get()));
    if (!item)
        throw EConvertError(QStringLiteral("%1 はコレクションの項目ではありません")
                                .arg(QString::fromLatin1(FItemClass->className())));
    created.release();
    TCollectionItem* result = item.get();
    InsertItem(Index, std::move(item));
    return result;
}

void TCollection::AddItem(std::unique_ptr<TCollectionItem> Item) {
    if (!Item)
        return;
    if (!Item->metaObject()->inherits(FItemClass))
        throw EConvertError(
            QStringLiteral("%1 を %2 のコレクションに追加できません")
                .arg(Item->ClassName(), QString::fromLatin1(FItemClass->className())));
    if (Item->FCollection)
        Item->FCollection->DetachItem(Item.get());
    InsertItem(Count(), std::move(Item));
}

void TCollection::InsertItem(int Index, std::unique_ptr<TCollectionItem> Item) {
    Item->FCollection = this;
    FItems.insert(FItems.begin() + Index, std::move(Item));
    Changed();
}

void TCollection::Delete(int Index) {
    if (Index < 0 || Index >= Count())
        IndexError(Index);
    std::unique_ptr<TCollectionItem> item = std::move(FItems[static_cast<size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
    item->FCollection = nullptr;
    item.reset();
    Changed();
}

void TCollection::Clear() {
    if (FItems.empty())
        return;
    BeginUpdate();
    while (!FItems.empty())
        Delete(Count() - 1);
    EndUpdate();
}

void TCollection::DetachItem(TCollectionItem* Item) {
    auto it = std::find_if(FItems.begin(), FItems.end(),
                           [Item](const auto& p) { return p.get() == Item; });
    if (it == FItems.end())
        return;
    it->release(); // the item is being destroyed or moved by its caller
    FItems.erase(it);
    Item->FCollection = nullptr;
    Changed();
}

void TCollection::MoveItem(int From, int To) {
    std::unique_ptr<TCollectionItem> item = std::move(FItems[static_cast<size_t>(From)]);
    FItems.erase(FItems.begin() + From);
    FItems.insert(FItems.begin() + To, std::move(item));
    Changed();
}

void TCollection::Assign(const TPersistent* Source) {
    const auto* source = qobject_cast<const TCollection*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this)
        return;
    BeginUpdate();
    try {
        Clear();
        for (const auto& item : source->FItems)
            Add()->Assign(item.get());
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TCollection::ItemChanged(TCollectionItem* Item) {
    if (FUpdateCount == 0)
        Update(Item);
}
