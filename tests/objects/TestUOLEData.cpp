#include "UOLEData.h"

#include "TestSupport.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UCodePage.h"
#include "UCompoundFile.h"
#include "UGraphic.h"
#include "ULOOLE.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <optional>

namespace {

QByteArray U32(quint32 Value) {
    QByteArray b(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(Value, b.data());
    return b;
}

// A length-prefixed string with its ending zero.
QByteArray Ansi(const QByteArray& Text) {
    return U32(static_cast<quint32>(Text.size() + 1)) + Text + '\0';
}

QByteArray CompObj(const QByteArray& UserType, const QByteArray& ProgID) {
    return QByteArray(28, '\x01') + Ansi(UserType) + U32(0) + Ansi(ProgID);
}

// A packed DIB of 2 x 2 pixels, 24 bits, bottom-up: the lower row blue, the upper row red.
QByteArray PackedDib() {
    QByteArray dib = U32(40) + U32(2) + U32(2) + QByteArray("\x01\x00\x18\x00", 4) + U32(0) +
                     U32(16) + U32(2835) + U32(2835) + U32(0) + U32(0);
    const QByteArray blue("\xff\x00\x00", 3), red("\x00\x00\xff", 3);
    dib += blue + blue + QByteArray(2, '\0');
    dib += red + red + QByteArray(2, '\0');
    return dib;
}

// A presentation stream in Format holding Data, with a target device of DeviceBytes.
QByteArray Presentation(quint32 Format, const QByteArray& Data, quint32 DeviceBytes = 0,
                        std::optional<quint32> DataSize = std::nullopt) {
    return U32(0xFFFFFFFFu) + U32(Format) + U32(4 + DeviceBytes) + QByteArray(DeviceBytes, 'd') +
           U32(1) + U32(0xFFFFFFFFu) + U32(2) + U32(0) + U32(2000) + U32(1000) +
           U32(DataSize.value_or(static_cast<quint32>(Data.size()))) + Data;
}

using TStreams = std::vector<std::pair<QString, QByteArray>>;

// The bytes of a compound file with the root streams Streams.
QByteArray CompoundFile(const TStreams& Streams) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("object.cfb"));
    {
        auto file = TCompoundFile::Create(path);
        auto root = file->Root();
        for (const auto& [name, bytes] : Streams)
            root->CreateStream(name)->WriteBytes(bytes);
        file->Commit();
    }
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

const QString SCompObj = QStringLiteral("\u0001CompObj");
const QString SOlePres = QStringLiteral("\u0002OlePres000");

// A header of the container's own, then the storage.
QByteArray Stored(const TStreams& Streams) {
    return QByteArray("container header\0\x07", 18) + CompoundFile(Streams);
}

} // namespace

TEST(OLEData, ClassNameAndCachedPictureFromTheStorage) {
    const struct {
        const char* What;
        QByteArray Data;
        QString ClassName;
        bool Picture;
    } cases[] = {
        {"user type and picture",
         Stored({{SCompObj, CompObj(ToCP932(u"ビットマップ イメージ"_qs), "Paint.Picture")},
                 {SOlePres, Presentation(8, PackedDib(), 12)}}),
         u"ビットマップ イメージ"_qs, true},
        {"no user type: the ProgID", Stored({{SCompObj, CompObj("", "Sheet.8")}}), "Sheet.8",
         false},
        {"storage right at the start", CompoundFile({{SCompObj, CompObj("Drawing", "")}}),
         "Drawing", false},
        {"a metafile picture is not drawn",
         Stored({{SCompObj, CompObj("Chart", "")}, {SOlePres, Presentation(3, "wmf bytes")}}),
         "Chart", false},
        {"user type longer than its stream",
         Stored({{SCompObj, QByteArray(28, '\0') + U32(5000) + "abc"}}), "", false},
        {"CompObj shorter than its header", Stored({{SCompObj, QByteArray(10, 'x')}}), "", false},
        {"picture size beyond its stream",
         Stored({{SOlePres, Presentation(8, PackedDib(), 0, 0x7FFFFFFF)}}), "", false},
        {"target device beyond its stream",
         Stored({{SOlePres, U32(0xFFFFFFFFu) + U32(8) + U32(0xFFFFFFF0u) + PackedDib()}}), "",
         false},
        {"a target device size below 4",
         Stored({{SOlePres, U32(0xFFFFFFFFu) + U32(8) + U32(2) + PackedDib()}}), "", false},
        {"damaged DIB, class name kept",
         Stored({{SCompObj, CompObj("Paint", "")},
                 {SOlePres, Presentation(8, QByteArray(40, '\xff'))}}),
         "Paint", false},
        {"nothing stored", QByteArray(), "", false},
        {"no compound file", QByteArray("just some bytes of another kind"), "", false},
        {"signature too far in",
         QByteArray(600, 'h') + CompoundFile({{SCompObj, CompObj("X", "")}}), "", false},
        {"storage cut short",
         Stored({{SCompObj, CompObj("Cut", "")}, {SOlePres, QByteArray(9000, 'p')}}).left(600), "",
         false},
    };
    for (const auto& c : cases) {
        const TOLEDataInfo info = ReadOLEDataInfo(c.Data);
        EXPECT_EQ(info.ClassName, c.ClassName) << c.What;
        EXPECT_EQ(info.Picture != nullptr, c.Picture) << c.What;
    }
}

// The object shows the picture its program left, scaled to its rectangle, instead of the
// placeholder; its class names the placeholder when there is no picture.
TEST(OLEData, TheObjectDrawsItsCachedPicture) {
    TLOOLE ole;
    ole.SetBoundsRect(TRect(0, 0, 40, 40));
    ole.SetData(
        Stored({{SCompObj, CompObj("Paint", "")}, {SOlePres, Presentation(8, PackedDib())}}));
    EXPECT_TRUE(ole.HasCachedPicture());
    EXPECT_EQ(ole.OLEClassName(), "Paint");
    TBitmap bitmap(40, 40, pf24bit);
    bitmap.Fill(clWhite);
    ole.DrawTo(bitmap.Canvas());
    EXPECT_EQ(bitmap.GetPixel(10, 10), clRed) << "upper row";
    EXPECT_EQ(bitmap.GetPixel(30, 30), clBlue) << "lower row";

    ole.SetData(Stored({{SCompObj, CompObj("Chart", "")}}));
    EXPECT_FALSE(ole.HasCachedPicture()) << "what the old bytes told is forgotten";
    EXPECT_EQ(ole.OLEClassName(), "Chart");
}

// Data written by hand, byte by byte (tests/data/ole/make_ole_fixture.py), not by this
// program's compound-file writer; an independent reader lists the same two streams.
TEST(OLEData, AHandCraftedStorageReads) {
    QFile file(TestDataPath(QStringLiteral("ole/paint.bin")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const TOLEDataInfo info = ReadOLEDataInfo(file.readAll());
    EXPECT_EQ(info.ClassName, u"ビットマップ イメージ"_qs);
    ASSERT_NE(info.Picture, nullptr);
    EXPECT_EQ(info.Picture->Width(), 2);
    EXPECT_EQ(info.Picture->Height(), 2);
}
