#include "UGraphic.h"

#include "PictureTestClasses.h"
#include "UGIFImage.h"
#include "UJPEG.h"
#include "UMetafile.h"
#include "UPNGImage.h"
#include "UPictureFormats.h"
#include "USafetyBitmap.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

// A graphic class of the tests, registered for an extension the program already knows.
class TTestGraphic : public TSafetyBitmap {
    Q_OBJECT
public:
    std::unique_ptr<TGraphic> CreateNew() const override {
        return std::make_unique<TTestGraphic>();
    }
};

class GraphicRegistry : public ::testing::Test {
protected:
    void SetUp() override { RegisterPictureTestClasses(); }
    void TearDown() override {
        UnregisterGraphicClass("TTestGraphic");
        RegisterPictureFormats();
    }
};

QString ClassOf(const std::unique_ptr<TGraphic>& G) {
    return G ? G->GraphicClassName() : QStringLiteral("<none>");
}

} // namespace

TEST_F(GraphicRegistry, FindsClassesByNameAndExtension) {
    const struct {
        const char* Extension;
        const char* Class;
    } rows[] = {
        {"BMP", "TSafetyBitmap"},     {".cbm", "TSafetyBitmap"}, {"jpg", "TSafetyJPEGImage"},
        {"JPEG", "TSafetyJPEGImage"}, {"png", "TPNGImage"},      {"GIF", "TGIFImage"},
        {"emf", "TMetafile"},         {"WMF", "TMetafile"},      {"TIF", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(GraphicClassOfExtension(r.Extension), QString::fromLatin1(r.Class))
            << r.Extension;

    // Stored class names: the class library's names map onto ours.
    EXPECT_EQ(ClassOf(CreateGraphic("TBitmap")), "TSafetyBitmap");
    EXPECT_EQ(ClassOf(CreateGraphic("tbitmap")), "TSafetyBitmap");
    EXPECT_EQ(ClassOf(CreateGraphic("TJPEGImage")), "TJPEGImage");
    EXPECT_NE(dynamic_cast<TSafetyJPEGImage*>(CreateGraphic("TJPEGImage").get()), nullptr);
    EXPECT_EQ(ClassOf(CreateGraphic("TSafetyJPEGImage")), "TSafetyJPEGImage");
    EXPECT_EQ(ClassOf(CreateGraphic("TPNGImage")), "TPNGImage");
    EXPECT_THROW(CreateGraphic("TIcon"), EClassNotFound);
    EXPECT_EQ(GraphicClassOfClipboardFormat(CF_DIB), "TSafetyBitmap");
    EXPECT_EQ(GraphicClassOfClipboardFormat(CF_ENHMETAFILE), "TMetafile");
    EXPECT_EQ(GraphicClassOfClipboardFormat(CF_BITMAP), "");
}

TEST_F(GraphicRegistry, LatestRegistrationOfAnExtensionWins) {
    RegisterFileFormat<TTestGraphic>("jpg", "Test pictures");
    EXPECT_EQ(GraphicClassOfExtension("JPG"), "TTestGraphic");
    EXPECT_EQ(GraphicClassOfExtension("jpeg"), "TSafetyJPEGImage");
    // Registering an earlier pair again makes it the latest.
    RegisterFileFormat<TSafetyJPEGImage>("JPG", "JPEG Image");
    EXPECT_EQ(GraphicClassOfExtension("JPG"), "TSafetyJPEGImage");
    RegisterFileFormat<TTestGraphic>("JPG", "Test pictures");
    // Unregistering a class removes its extensions; the earlier registration shows again.
    UnregisterGraphicClass("TTestGraphic");
    EXPECT_EQ(GraphicClassOfExtension("JPG"), "TSafetyJPEGImage");
    EXPECT_FALSE(IsGraphicClassRegistered("TTestGraphic"));
    // Registering everything again adds no duplicates.
    const size_t count = GraphicFileFormats().size();
    RegisterPictureFormats();
    EXPECT_EQ(GraphicFileFormats().size(), count);
}

TEST_F(GraphicRegistry, UnregisteringRemovesAliasesToo) {
    UnregisterGraphicClass("TSafetyBitmap");
    EXPECT_FALSE(IsGraphicClassRegistered("TBitmap"));
    EXPECT_EQ(GraphicClassOfExtension("BMP"), "");
    EXPECT_EQ(GraphicClassOfClipboardFormat(CF_DIB), "");
    EXPECT_TRUE(IsGraphicClassRegistered("TJPEGImage"));
}

TEST_F(GraphicRegistry, PictureDataLayout) {
    TSafetyBitmap bitmap(TBitmap(3, 2, pf24bit));
    TMemoryStream stream;
    WritePictureData(stream, &bitmap);
    const QByteArray bytes = stream.Bytes();
    ASSERT_GT(bytes.size(), 1 + 13 + 4);
    EXPECT_EQ(bytes[0], 13);
    EXPECT_EQ(bytes.mid(1, 13), "TSafetyBitmap");
    int32_t count = 0;
    std::memcpy(&count, bytes.constData() + 14, 4);
    EXPECT_EQ(count, bytes.size() - 18);
    EXPECT_EQ(bytes.mid(18, 2), "BM");

    // An empty class name is no graphic.
    TMemoryStream empty(QByteArray(1, '\0'));
    EXPECT_EQ(ReadPictureData(empty), nullptr);
    TMemoryStream none;
    WritePictureData(none, nullptr);
    EXPECT_EQ(none.Bytes(), QByteArray(1, '\0'));
}

TEST_F(GraphicRegistry, DamagedPictureDataRaises) {
    TSafetyBitmap bitmap(TBitmap(3, 2, pf24bit));
    TMemoryStream good;
    WritePictureData(good, &bitmap);
    const QByteArray bytes = good.Bytes();
    const auto withCount = [&](int32_t Count) {
        QByteArray b = bytes;
        std::memcpy(b.data() + 14, &Count, 4);
        return b;
    };
    const struct {
        const char* What;
        QByteArray Data;
    } rows[] = {
        {"nothing", QByteArray()},
        {"name longer than the data", QByteArray("\x20TSafety", 8)},
        {"no count", bytes.left(16)},
        {"negative count", withCount(-1)},
        {"count past the end", withCount(int32_t(bytes.size()))},
        {"huge count", withCount(INT32_MAX)},
        {"bitmap cut short", bytes.left(bytes.size() - 3)},
    };
    for (const auto& r : rows) {
        TMemoryStream s(r.Data);
        EXPECT_THROW(ReadPictureData(s), EInvalidGraphic) << r.What;
    }
    TMemoryStream unknown(QByteArray("\x05TNone\0\0\0\0", 10));
    EXPECT_THROW(ReadPictureData(unknown), EClassNotFound);
}

TEST_F(GraphicRegistry, CountedDataLeavesTheStreamAfterTheCount) {
    // A bitmap whose counted data carries trailing bytes: they are skipped, so that what
    // follows the picture is read from the right place.
    TSafetyBitmap bitmap(TBitmap(2, 2, pf24bit));
    TMemoryStream file;
    bitmap.SaveToStream(file);
    const QByteArray padded = file.Bytes() + QByteArray(6, 'x');
    TMemoryStream s;
    s.WriteValue<uint8_t>(13);
    s.WriteBytes("TSafetyBitmap");
    WriteCountedData(s, padded);
    s.WriteBytes("NEXT");
    s.SetPosition(0);
    const std::unique_ptr<TGraphic> g = ReadPictureData(s);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Width(), 2);
    EXPECT_EQ(s.ReadBytes(4), "NEXT");
}

#include "TestUGraphic.moc"
