#include "UArrayData.h"

#include "UStreams.h"

#include <cstring>

namespace {

[[noreturn]] void RaiseIndexError(int Index) {
    throw EIntegerList(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
}

[[noreturn]] void RaiseCorrupt() {
    throw EReadError(QStringLiteral("配列データが壊れています"));
}

} // namespace

TIntegerList::TIntegerList(int Count) : FItems(static_cast<size_t>(std::max(Count, 0)), 0) {}

void TIntegerList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        RaiseIndexError(Index);
}

int TIntegerList::GetItem(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TIntegerList::SetItem(int Index, int Value) {
    CheckIndex(Index);
    int32_t& item = FItems[static_cast<size_t>(Index)];
    if (item == Value)
        return;
    item = Value;
    Change();
}

void TIntegerList::Change() {
    if (OnChange)
        OnChange(this);
}

void TIntegerList::Assign(const TPersistent* Source) {
    const auto* source = qobject_cast<const TIntegerList*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source->Count() != Count())
        throw EIntegerList(QStringLiteral("Count of Values is mismatch."));
    if (source->FItems == FItems)
        return;
    FItems = source->FItems;
    Change();
}

void TArrayData::Resize(int64_t Bytes) {
    if (Bytes > MaxDataSize)
        throw EListError(QStringLiteral("配列データが大きすぎます (%1 バイト)").arg(Bytes));
    const qsizetype old = FData.size();
    FData.resize(static_cast<qsizetype>(Bytes));
    if (FData.size() > old)
        std::memset(FData.data() + old, 0, static_cast<size_t>(FData.size() - old));
}

void TArrayData::SetElementSize(int N) {
    if (N <= 0 || N == FElementSize)
        return;
    const int64_t bytes = int64_t(N) * FCount;
    Resize(0);
    Resize(bytes);
    FElementSize = N;
}

void TArrayData::SetCount(int N) {
    if (N < 1) {
        Resize(0);
        Resize(FElementSize);
        FCount = 0;
        return;
    }
    Resize(int64_t(N) * FElementSize);
    FCount = N;
}

void TArrayData::Clear() {
    FData.clear();
    FCount = 0;
}

uint8_t* TArrayData::GetItemPtr(int Index) {
    if (Index < 0)
        return nullptr;
    if (Index >= FCount) {
        if (Index == INT32_MAX)
            throw EListError(QStringLiteral("配列データが大きすぎます (%1 要素)").arg(Index));
        SetCount(Index + 1);
    }
    if (FElementSize == 0)
        return nullptr;
    return reinterpret_cast<uint8_t*>(FData.data()) + int64_t(Index) * FElementSize;
}

void TArrayData::Assign(const TPersistent* Source) {
    const auto* source = qobject_cast<const TArrayData*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FData = source->FData;
    FElementSize = source->FElementSize;
    FCount = source->FCount;
}

void TArrayData::SaveToStream(TStream& Stream) const {
    Stream.WriteValue<int32_t>(FElementSize);
    Stream.WriteValue<int32_t>(FCount);
    Stream.WriteBuffer(FData.constData(), int64_t(FElementSize) * FCount);
}

void TArrayData::LoadFromStream(TStream& Stream) {
    const auto elementSize = Stream.ReadValue<int32_t>();
    const auto count = Stream.ReadValue<int32_t>();
    if (elementSize < 0 || count < 0)
        RaiseCorrupt();
    const int64_t bytes = int64_t(elementSize) * count;
    if (bytes > MaxDataSize || bytes > Stream.Remaining())
        RaiseCorrupt();
    QByteArray data = Stream.ReadBytes(bytes);
    FData = std::move(data);
    FElementSize = elementSize;
    FCount = count;
}

TIntArray::TIntArray() {
    FData.SetElementSize(4);
}

uint8_t* TIntArray::ItemPtr(int Index) {
    if (Index < 0)
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return FData.GetItemPtr(Index);
}

int TIntArray::GetItem(int Index) {
    int32_t value;
    std::memcpy(&value, ItemPtr(Index), sizeof value);
    return value;
}

void TIntArray::SetItem(int Index, int Value) {
    const int32_t value = Value;
    std::memcpy(ItemPtr(Index), &value, sizeof value);
}

void TIntArray::SetCount(int N) {
    FData.SetCount(N);
}

int TIntArray::GetCount() const {
    return FData.Count();
}

void TIntArray::SaveToStream(TStream& Stream) const {
    FData.SaveToStream(Stream);
}

void TIntArray::LoadFromStream(TStream& Stream) {
    TArrayData loaded;
    loaded.LoadFromStream(Stream);
    if (loaded.ElementSize() != 4 && !(loaded.ElementSize() == 0 && loaded.Count() == 0))
        RaiseCorrupt();
    if (loaded.ElementSize() == 0)
        FData.Clear();
    else
        FData.Assign(&loaded);
}

void TIntArray::Assign(const TPersistent* Source) {
    const auto* source = qobject_cast<const TIntArray*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    FData.Assign(&source->FData);
}
