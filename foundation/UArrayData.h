#pragma once
// Persistent containers: a fixed-length integer list with a change event, a growable array
// of fixed-size elements with its stream form, and an integer array on top of it (the QR-code
// module data and dialogs keep their numbers in these).

#include "UException.h"
#include "UPersistent.h"

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <vector>

class TStream;

VANTOMI_DECLARE_EXCEPTION(EIntegerList, Exception)

// A list of Count 32-bit integers, all 0 at first; the count is fixed at construction.
class TIntegerList : public TPersistent {
    Q_OBJECT
public:
    // Count below 0 counts as 0.
    explicit TIntegerList(int Count = 0);

    int Count() const { return static_cast<int>(FItems.size()); }
    // Index 0 .. Count - 1; outside raises EIntegerList
    // "リストのインデックスが範囲を超えています (<Index>)".
    int GetItem(int Index) const;
    // Stores Value; OnChange fires only when the value changes.
    void SetItem(int Index, int Value);

    // Accepts a TIntegerList of the same count (another count raises EIntegerList "Count of
    // Values is mismatch."); when any value differs, all are copied and OnChange fires.
    void Assign(const TPersistent* Source) override;

    std::function<void(TIntegerList* Sender)> OnChange;

private:
    void CheckIndex(int Index) const;
    void Change();

    std::vector<int32_t> FItems;
};

// An array of Count elements of ElementSize bytes each, kept as one block of bytes. Stream
// form: Int32 ElementSize, Int32 Count, then Count x ElementSize bytes (little-endian).
// The block never grows beyond MaxDataSize bytes: a larger count raises EListError.
class TArrayData : public TPersistent {
    Q_OBJECT
public:
    static constexpr int64_t MaxDataSize = int64_t(256) << 20;

    TArrayData() = default;

    int ElementSize() const { return FElementSize; }
    // For N > 0 different from the present size: the block is resized to Count elements of
    // the new size and every byte becomes 0 (the values are lost). Other N: nothing.
    void SetElementSize(int N);
    int Count() const { return FCount; }
    // N below 1: Count 0, one element's worth of zero bytes kept. Otherwise N elements;
    // bytes added are 0.
    void SetCount(int N);
    // Count 0, no bytes.
    void Clear();

    // The first byte of element Index: null for a negative Index (and when ElementSize is 0);
    // an Index at or beyond Count first grows Count to Index + 1 with zero bytes.
    uint8_t* GetItemPtr(int Index);
    // The whole block (Count x ElementSize bytes, or one element after SetCount below 1).
    const QByteArray& Data() const { return FData; }

    // Copies element size, count and bytes of another TArrayData.
    void Assign(const TPersistent* Source) override;

    void SaveToStream(TStream& Stream) const;
    // Reads the stream form. A negative size or count, or a block larger than the bytes left
    // in the stream (or than MaxDataSize), raises EReadError; the array is unchanged then.
    void LoadFromStream(TStream& Stream);

private:
    // Resizes the block to Bytes bytes, the added ones 0; raises EListError beyond
    // MaxDataSize.
    void Resize(int64_t Bytes);

    QByteArray FData;
    int32_t FElementSize = 0;
    int32_t FCount = 0;
};

// A growable array of 32-bit integers.
class TIntArray : public TPersistent {
    Q_OBJECT
public:
    TIntArray();

    // Element Index; an Index at or beyond the count first grows the array with zeros.
    // A negative Index raises EListError.
    virtual int GetItem(int Index);
    // Stores Value at Index, growing the array with zeros as needed (negative: EListError).
    virtual void SetItem(int Index, int Value);
    virtual void SetCount(int N);
    virtual int GetCount() const;
    virtual void SaveToStream(TStream& Stream) const;
    // Reads the stream form of TArrayData; elements of another size than 4 bytes raise
    // EReadError and leave the array unchanged.
    virtual void LoadFromStream(TStream& Stream);

    // Copies another TIntArray.
    void Assign(const TPersistent* Source) override;

    const TArrayData& Data() const { return FData; }

private:
    uint8_t* ItemPtr(int Index);

    TArrayData FData;
};
