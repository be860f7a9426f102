#include "ULOOLE.h"

#include "DesignTestSupport.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UDOList.h"
#include "UObjectFactory.h"
#include "UPropStream.h"
#include "UStreams.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// A short string of a property stream: length byte and the characters.
QByteArray S(const QByteArray& Text) {
    return char(Text.size()) + Text;
}

QByteArray Int32LE(qint32 Value) {
    QByteArray b(4, Qt::Uninitialized);
    qToLittleEndian<qint32>(Value, b.data());
    return b;
}

// Bytes of every value, zeros, CR LF and a compound-file signature without a storage after
// it, as damaged stored objects of other programs hold them.
QByteArray OpaquePayload() {
    QByteArray payload = QByteArray::fromHex("0102030400000000d0cf11e0a1b11ae1");
    for (int i = 0; i < 700; ++i)
        payload += char((i * 37) & 0xFF);
    return payload + QByteArray("\r\n\0\xff", 4);
}

// An object stream written by hand: an object at (10, 20) of 300 x 100 holding Data, whose
// length field says DataLength.
QByteArray HandStream(const QByteArray& Data, qint32 DataLength) {
    return "TPF0" + S("TLOOLE") + S("Ole1") +                //
           S("Left") + "\x02\x0a" + S("Top") + "\x02\x14" +  // Int8 10, 20
           S("Width") + QByteArray("\x03\x2c\x01", 3) +      // Int16 300
           S("Height") + "\x02\x64" +                        // Int8 100
           S("Border") + "\x08" +                            // False
           S("LayerGroup") + QByteArray("\x02\x00", 2) +     // Int8 0
           S("DontPrint") + "\x08" +                         // False
           S("Data") + "\x0a" + Int32LE(DataLength) + Data + // Binary
           QByteArray(2, '\0');                              // end of lists
}

std::unique_ptr<TLOOLE> Read(const QByteArray& Bytes) {
    TMemoryStream stream;
    stream.WriteBytes(Bytes);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(stream);
    auto* ole = qobject_cast<TLOOLE*>(read.get());
    if (!ole)
        return nullptr;
    read.release();
    return std::unique_ptr<TLOOLE>(ole);
}

int CountNotWhite(const TBitmap& Bitmap, const TRect& R) {
    int n = 0;
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x)
            n += Bitmap.GetPixel(x, y) != clWhite;
    return n;
}

} // namespace

class LOOLE : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterDesignTestObjects();
        RegisterObjectClasses();
    }
    void SetUp() override {
        ActionList().Clear();
        FSite.SetLogWidth(1000);
        FSite.SetLogHeight(1000);
    }
    void TearDown() override { ActionList().Clear(); }

    TDrawSite FSite;
};

TEST_F(LOOLE, AStoredObjectSurvivesReadAndWriteByteForByte) {
    const QByteArray payload = OpaquePayload();
    const QByteArray stream = HandStream(payload, payload.size());
    std::unique_ptr<TLOOLE> ole = Read(stream);
    ASSERT_NE(ole, nullptr);
    EXPECT_EQ(ole->Data(), payload);
    EXPECT_EQ(ole->GetRect(), TRect(10, 20, 310, 120));
    EXPECT_EQ(StreamOf(*ole), stream);

    TDOList list;
    list.Add(ole.get());
    TMemoryStream objects;
    list.SaveToStream(objects);
    objects.SetPosition(0);
    TDOList back;
    back.LoadFromStream(objects);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(qobject_cast<TLOOLE*>(back[0])->Data(), payload) << "through the object stream";
    back.FreeObjects();
}

// Copies, moves, deletes and their undo never touch the stored bytes.
TEST_F(LOOLE, EditsAndUndoKeepTheData) {
    const QByteArray payload = OpaquePayload();
    std::unique_ptr<TLOOLE> read = Read(HandStream(payload, payload.size()));
    ASSERT_NE(read, nullptr);
    TLOOLE* ole = read.get();
    FSite.InsertObject(read.release());
    FSite.AddObject(ole);

    std::unique_ptr<TDrawObject> copy = CloneDrawObject(*ole);
    EXPECT_EQ(qobject_cast<TLOOLE*>(copy.get())->Data(), payload);

    auto move = std::make_unique<TDOChangeAction>(*ole);
    ole->OffsetBy(5, 5);
    ole->ResizeTo(200, 80);
    TDOChangeAction::Commit(std::move(move), ActionList());
    EXPECT_EQ(ole->GetRect(), TRect(15, 25, 215, 105)) << "width and height set directly";
    ActionList().Add(std::make_unique<TDODelAction>(*ole));
    ActionList().Actions(ActionList().Count() - 1)->Redo();
    EXPECT_EQ(ole->Parent(), nullptr);
    ActionList().Undo();
    ActionList().Undo();
    EXPECT_EQ(ole->Parent(), &FSite);
    EXPECT_EQ(ole->GetRect(), TRect(10, 20, 310, 120));
    EXPECT_EQ(ole->Data(), payload);
}

TEST_F(LOOLE, AnEmptyObjectStoresNoDataAndDrawsNothing) {
    TLOOLE ole;
    ole.SizeToExtent();
    EXPECT_EQ(ole.GetRect(), TRect(0, 0, 100, 50)) << "no program to ask for the extent";
    EXPECT_TRUE(ole.IsEmpty());
    EXPECT_FALSE(StreamOf(ole).contains(S("Data")));
    TBitmap bitmap(120, 60, pf24bit);
    bitmap.Fill(clWhite);
    ole.DrawTo(bitmap.Canvas());
    EXPECT_EQ(CountNotWhite(bitmap, TRect(0, 0, 120, 60)), 0);
    EXPECT_TRUE(QueryObjectInterface<IDOPosition>(&ole)->ScalesToFit());
}

TEST_F(LOOLE, AnObjectWithDataDrawsAFramedPlaceholderWithItsClass) {
    TLOOLE ole;
    ole.SetBoundsRect(TRect(10, 10, 210, 110));
    ole.SetData(OpaquePayload());
    EXPECT_EQ(ole.OLEClassName(), "OLE");
    TBitmap bitmap(240, 130, pf24bit);
    bitmap.Fill(clWhite);
    ole.DrawTo(bitmap.Canvas());
    EXPECT_EQ(bitmap.GetPixel(10, 60), clGray) << "left edge of the frame";
    EXPECT_EQ(bitmap.GetPixel(209, 60), clGray) << "right edge of the frame";
    EXPECT_EQ(bitmap.GetPixel(100, 10), clGray) << "top edge of the frame";
    EXPECT_GT(CountNotWhite(bitmap, TRect(11, 11, 209, 109)), 500) << "hatch and class name";
    int dark = 0; // the text's pixels, smoothed at their edges
    for (int y = 11; y < 40; ++y)
        for (int x = 11; x < 80; ++x)
            dark += (bitmap.GetPixel(x, y) & 0xFF) < 0x60;
    EXPECT_GT(dark, 10) << "the class name in the top-left corner";
    EXPECT_EQ(CountNotWhite(bitmap, TRect(211, 0, 240, 130)), 0) << "nothing outside";
    EXPECT_EQ(CountNotWhite(bitmap, TRect(0, 111, 240, 130)), 0) << "nothing outside";
}

// A length field that runs past the bytes there are, or is negative, is refused with the
// read error; nothing is created.
TEST_F(LOOLE, ADamagedDataLengthIsRefused) {
    const QByteArray payload = OpaquePayload();
    const struct {
        const char* What;
        QByteArray Bytes;
    } cases[] = {
        {"one byte too long", HandStream(payload, payload.size() + 1)},
        {"huge", HandStream(payload, 0x7FFFFFF0)},
        {"negative", HandStream(payload, -5)},
        {"cut inside the data", HandStream(payload, payload.size()).left(200)},
        {"cut inside the length",
         HandStream(payload, payload.size())
             .left(HandStream(payload, payload.size()).indexOf(payload) - 2)},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(Read(c.Bytes), EReadError) << c.What;
    }
    TLOOLE existing;
    existing.SetData("kept");
    TMemoryStream stream;
    stream.WriteBytes(HandStream(payload, 0x7FFFFFF0));
    stream.SetPosition(0);
    EXPECT_THROW(ReadComponent(stream, existing), EReadError);
    EXPECT_EQ(existing.Data(), "kept");
}

TEST_F(LOOLE, KindsAreRegisteredByClassName) {
    for (const char* kind : {"TLOOLE", "TDOGroup"}) {
        std::unique_ptr<TDrawObject> made = CreateObjectOfKind(QString::fromLatin1(kind));
        ASSERT_NE(made, nullptr) << kind;
        EXPECT_EQ(made->ClassName(), QString::fromLatin1(kind));
    }
}
