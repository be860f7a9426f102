#include "UPNGImage.h"

#include "PictureTestClasses.h"
#include "TestSupport.h"
#include "USafetyBitmap.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QImage Decoded(const QString& Name) {
    return DecodePNG(ReadTestData("pictures/" + Name));
}

// Changes the IHDR size and fixes its checksum, so that only the size is wrong.
QByteArray WithSize(QByteArray Png, quint32 Width, quint32 Height) {
    qToBigEndian<quint32>(Width, Png.data() + 16);
    qToBigEndian<quint32>(Height, Png.data() + 20);
    // CRC-32 over type and data of IHDR (bytes 12 .. 28).
    quint32 c = 0xFFFFFFFFu;
    for (int i = 12; i < 29; ++i) {
        c ^= static_cast<uint8_t>(Png[i]);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    qToBigEndian<quint32>(~c, Png.data() + 29);
    return Png;
}

} // namespace

TEST(PNG, DecodesEveryKindLikeQImage) {
    for (const char* name :
         {"photo.png", "rgba.png", "palette.png", "palette-trns.png", "gray8.png", "gray2.png",
          "interlaced.png", "rgb16.png", "rgba16.png"}) {
        // 16-bit samples scale to 8 bits with rounding that may differ by one.
        const int tolerance = QByteArray(name).contains("16") ? 1 : 0;
        EXPECT_LE(MaxChannelDifference(Decoded(name), FixtureImage(name)), tolerance) << name;
    }
}

TEST(PNG, GraphicKeepsTheFileAndKnowsTransparency) {
    for (const char* name : {"photo.png", "rgba.png", "palette-trns.png"}) {
        const QByteArray data = ReadTestData(QStringLiteral("pictures/") + name);
        TPNGImage png;
        TMemoryStream in(data);
        png.LoadFromStream(in);
        EXPECT_EQ(png.Transparent(), QByteArray(name) != "photo.png") << name;
        TMemoryStream out;
        png.SaveToStream(out);
        EXPECT_EQ(out.Bytes(), data) << name;
    }
}

TEST(PNG, WritesWhatReadsBack) {
    for (const char* name : {"photo.png", "rgba.png"}) {
        const QImage source = FixtureImage(name);
        TPNGImage png;
        png.SetImage(source);
        const QByteArray file = png.Data();
        EXPECT_TRUE(file.startsWith("\x89PNG")) << name;
        EXPECT_EQ(MaxChannelDifference(DecodePNG(file), source), 0) << name;
        // An independent reader agrees.
        EXPECT_EQ(MaxChannelDifference(QImage::fromData(file, "PNG"), source), 0) << name;
    }
    // A transparent bitmap keeps its transparent colour as transparent pixels.
    TBitmap pixels(4, 2, pf24bit);
    pixels.Fill(clRed);
    pixels.SetPixel(1, 0, clLime);
    TSafetyBitmap bitmap(pixels);
    bitmap.SetTransparentColor(clLime);
    bitmap.SetTransparent(true);
    TPNGImage png;
    png.Assign(&bitmap);
    const QImage image = DecodePNG(png.Data());
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_TRUE(png.Transparent());
}

TEST(PNG, ReadsDataWithOrWithoutCount) {
    const QByteArray file = ReadTestData("pictures/rgba.png");
    for (const bool counted : {true, false}) {
        TMemoryStream s;
        if (counted)
            WriteCountedData(s, file);
        else
            s.WriteBytes(file);
        s.WriteBytes("TAIL");
        s.SetPosition(0);
        TPNGImage png;
        png.ReadData(s);
        EXPECT_EQ(png.Width(), 19) << counted;
        EXPECT_EQ(s.ReadBytes(4), "TAIL") << counted;
    }
    // Without a count, a file cut before IEND raises.
    TMemoryStream cut(file.left(file.size() - 6));
    TPNGImage png;
    EXPECT_THROW(png.ReadData(cut), EInvalidGraphic);
}

TEST(PNG, HostileInputRaises) {
    const QByteArray good = ReadTestData("pictures/photo.png");
    const QByteArray interlaced = ReadTestData("pictures/interlaced.png");
    QByteArray badCrc = good;
    badCrc[40] = static_cast<char>(badCrc[40] ^ 0x55); // inside IDAT
    const struct {
        const char* What;
        QByteArray Data;
    } rows[] = {
        {"empty", QByteArray()},
        {"signature only", good.left(8)},
        {"not a PNG", QByteArray("GIF89a...................")},
        {"header cut", good.left(20)},
        {"data cut", good.left(good.size() / 2)},
        {"no IEND", good.left(good.size() - 12)},
        {"interlaced cut", interlaced.left(interlaced.size() - 100)},
        {"checksum", badCrc},
        {"huge size", WithSize(good, 30000, 30000)},
        {"too wide", WithSize(good, 40000, 1)},
        {"zero height", WithSize(good, 10, 0)},
    };
    for (const auto& r : rows) {
        EXPECT_THROW(DecodePNG(r.Data), EInvalidGraphic) << r.What;
        TPNGImage png;
        TMemoryStream s(r.Data);
        EXPECT_THROW(png.LoadFromStream(s), EInvalidGraphic) << r.What;
        EXPECT_TRUE(png.Empty()) << r.What;
    }
}

TEST(PNG, FuzzedInputNeverCrashes) {
    for (const char* name : {"photo.png", "palette-trns.png", "interlaced.png", "rgba16.png"}) {
        const QByteArray good = ReadTestData(QStringLiteral("pictures/") + name);
        for (unsigned seed = 1; seed <= 150; ++seed) {
            try {
                DecodePNG(Fuzzed(good, seed, 1 + int(seed % 6)));
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}
