#include "UArrayData.h"
#include "UPropStream.h"
#include "UStreams.h"
#include "UStringHolder.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>

namespace {

QByteArray Saved(const TArrayData& Data) {
    TMemoryStream stream;
    Data.SaveToStream(stream);
    return stream.Bytes();
}

QByteArray Int32s(std::initializer_list<int32_t> Values) {
    QByteArray bytes;
    for (int32_t v : Values)
        bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    return bytes;
}

} // namespace

TEST(IntegerList, IndicesOutsideTheListAreRefused) {
    TIntegerList list(3);
    EXPECT_EQ(list.Count(), 3);
    for (const int index : {-1, 3, INT_MIN}) {
        try {
            list.GetItem(index);
            ADD_FAILURE() << index;
        } catch (const EIntegerList& e) {
            EXPECT_EQ(e.Message,
                      QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
        }
        EXPECT_THROW(list.SetItem(index, 1), EIntegerList) << index;
    }
    EXPECT_EQ(TIntegerList(-4).Count(), 0);
}

TEST(IntegerList, ChangesAreReportedOnlyWhenAValueChanges) {
    TIntegerList list(2);
    int changes = 0;
    list.OnChange = [&](TIntegerList* Sender) {
        EXPECT_EQ(Sender, &list);
        ++changes;
    };
    list.SetItem(1, 0);
    EXPECT_EQ(changes, 0);
    list.SetItem(1, -7);
    EXPECT_EQ(list.GetItem(1), -7);
    EXPECT_EQ(changes, 1);

    TIntegerList same(2);
    same.SetItem(1, -7);
    list.Assign(&same);
    EXPECT_EQ(changes, 1) << "equal values: nothing to report";
    same.SetItem(0, 5);
    list.Assign(&same);
    EXPECT_EQ(list.GetItem(0), 5);
    EXPECT_EQ(changes, 2);

    TIntegerList longer(3);
    try {
        list.Assign(&longer);
        ADD_FAILURE();
    } catch (const EIntegerList& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Count of Values is mismatch."));
    }
    TArrayData other;
    EXPECT_THROW(list.Assign(&other), EConvertError);
    EXPECT_EQ(changes, 2);
}

TEST(ArrayData, GrowsOnAccessAndKeepsNewBytesZero) {
    TArrayData data;
    EXPECT_EQ(data.ElementSize(), 0);
    EXPECT_EQ(data.GetItemPtr(-1), nullptr);
    data.SetElementSize(2);
    uint8_t* p = data.GetItemPtr(4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(data.Count(), 5);
    EXPECT_EQ(data.Data(), QByteArray(10, '\0'));
    p[0] = 0xAB;
    EXPECT_EQ(data.GetItemPtr(-3), nullptr);
    EXPECT_EQ(data.Count(), 5);
    data.SetElementSize(2); // unchanged size: values kept
    data.SetElementSize(0); // not positive: ignored
    EXPECT_EQ(uint8_t(data.Data()[8]), 0xAB);

    const struct {
        const char* Step;
        std::function<void()> Do;
        int Count;
        QByteArray Bytes;
    } steps[] = {
        {"changing the element size clears the values", [&] { data.SetElementSize(3); }, 5,
         QByteArray(15, '\0')},
        {"growing adds zeros",
         [&] {
             data.GetItemPtr(0)[0] = 1;
             data.SetCount(6);
         },
         6, QByteArray(1, '\1') + QByteArray(17, '\0')},
        {"shrinking keeps the front", [&] { data.SetCount(1); }, 1,
         QByteArray(1, '\1') + QByteArray(2, '\0')},
        {"a count below 1 keeps one zeroed element", [&] { data.SetCount(0); }, 0,
         QByteArray(3, '\0')},
        {"clear drops everything", [&] { data.Clear(); }, 0, QByteArray()},
    };
    for (const auto& s : steps) {
        s.Do();
        EXPECT_EQ(data.Count(), s.Count) << s.Step;
        EXPECT_EQ(data.Data(), s.Bytes) << s.Step;
        EXPECT_EQ(data.ElementSize(), 3) << s.Step;
    }
}

TEST(ArrayData, GrowthStopsAtTheSizeLimit) {
    TArrayData data;
    data.SetElementSize(4);
    EXPECT_THROW(data.GetItemPtr(INT_MAX), EListError);
    EXPECT_THROW(data.GetItemPtr(int(TArrayData::MaxDataSize / 4)), EListError);
    EXPECT_THROW(data.SetCount(INT_MAX), EListError);
    EXPECT_EQ(data.Count(), 0);
}

TEST(ArrayData, RoundTripsThroughItsStreamForm) {
    TArrayData data;
    data.SetElementSize(2);
    std::memcpy(data.GetItemPtr(2), "\x34\x12", 2);
    const QByteArray bytes = Saved(data);
    EXPECT_EQ(bytes, Int32s({2, 3}) + QByteArray("\0\0\0\0\x34\x12", 6));

    TMemoryStream stream;
    stream.WriteBytes(bytes);
    stream.SetPosition(0);
    TArrayData read;
    read.LoadFromStream(stream);
    EXPECT_EQ(read.ElementSize(), 2);
    EXPECT_EQ(read.Count(), 3);
    EXPECT_EQ(read.Data(), data.Data());

    TArrayData copy;
    copy.Assign(&data);
    EXPECT_EQ(Saved(copy), bytes);
}

TEST(ArrayData, DamagedStreamsAreRefusedAndChangeNothing) {
    TArrayData kept;
    kept.SetElementSize(1);
    kept.GetItemPtr(0)[0] = 'k';
    const QByteArray keptBytes = Saved(kept);

    TArrayData source;
    source.SetElementSize(4);
    source.SetCount(5);
    const QByteArray good = Saved(source);
    std::vector<std::pair<QString, QByteArray>> damaged;
    for (int n = 0; n < good.size(); ++n)
        damaged.emplace_back(QStringLiteral("truncated to %1").arg(n), good.left(n));
    damaged.emplace_back(QStringLiteral("negative size"), Int32s({-4, 1, 0}));
    damaged.emplace_back(QStringLiteral("negative count"), Int32s({4, -1}));
    damaged.emplace_back(QStringLiteral("huge count"), Int32s({4, INT_MAX, 0, 0}));
    damaged.emplace_back(QStringLiteral("huge product"), Int32s({INT_MAX, INT_MAX}));
    damaged.emplace_back(QStringLiteral("beyond the size limit"),
                         Int32s({1024, 1024 * 1024}) + QByteArray(64, '\0'));
    for (const auto& [what, bytes] : damaged) {
        TMemoryStream stream;
        stream.WriteBytes(bytes);
        stream.SetPosition(0);
        EXPECT_THROW(kept.LoadFromStream(stream), EReadError) << qPrintable(what);
        EXPECT_EQ(Saved(kept), keptBytes) << qPrintable(what);
    }
}

TEST(IntArray, GrowsWithZerosBeforeTheIndexUsed) {
    TIntArray array;
    array.SetItem(9, 7);
    EXPECT_EQ(array.GetCount(), 10);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(array.GetItem(i), 0) << i;
    EXPECT_EQ(array.GetItem(9), 7);
    EXPECT_EQ(array.GetItem(11), 0);
    EXPECT_EQ(array.GetCount(), 12) << "reading beyond the end grows too";
    array.SetItem(0, -2);
    EXPECT_THROW(array.GetItem(-1), EListError);
    EXPECT_THROW(array.SetItem(-1, 3), EListError);

    TMemoryStream stream;
    array.SaveToStream(stream);
    stream.SetPosition(0);
    TIntArray read;
    read.LoadFromStream(stream);
    EXPECT_EQ(read.GetCount(), 12);
    EXPECT_EQ(read.GetItem(0), -2);
    EXPECT_EQ(read.GetItem(9), 7);

    TIntArray copy;
    copy.Assign(&array);
    EXPECT_EQ(copy.GetItem(9), 7);
}

TEST(IntArray, ElementsOfAnotherSizeAreRefused) {
    TIntArray array;
    array.SetItem(0, 5);
    TMemoryStream stream;
    stream.WriteBytes(Int32s({2, 1}) + QByteArray(2, '\1'));
    stream.SetPosition(0);
    EXPECT_THROW(array.LoadFromStream(stream), EReadError);
    EXPECT_EQ(array.GetCount(), 1);
    EXPECT_EQ(array.GetItem(0), 5);
}

TEST(StringHolder, ItsLinesAreStoredWithTheForm) {
    TStringHolder holder;
    holder.SetName(QStringLiteral("DefaultPaper"));
    holder.SetText(TStringList({QStringLiteral("A4"), QStringLiteral("210x297")}));
    TMemoryStream stream;
    WriteComponent(stream, holder);
    stream.SetPosition(0);
    TStringHolder read;
    ReadComponent(stream, read);
    EXPECT_EQ(read.Text().Lines(), holder.Text().Lines());
}
