#include "UPNGImage.h"

#include "PictureTestClasses.h"
#include "TestSupport.h"
#include "USafetyBitmap.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>
#include <gtest/gtest.h>

#include <utility>

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

// A picture beyond the size limit is refused with the program's own message naming the size
// and the limit.
TEST(PNG, OversizeGetsAClearMessage) {
    const QByteArray good = ReadTestData("pictures/photo.png");
    for (const auto& [w, h] : {std::pair{40000u, 1u}, std::pair{1u, MaxBitmapSide + 1u}}) {
        try {
            DecodePNG(WithSize(good, w, h));
            ADD_FAILURE() << "no error for " << w << " x " << h;
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(e.Message.contains(QStringLiteral("%1 x %2").arg(w).arg(h)))
                << e.Message.toStdString();
            EXPECT_TRUE(e.Message.contains(QString::number(MaxBitmapSide)));
            EXPECT_FALSE(e.Message.contains("IHDR"));
        }
    }
}

// A 16-bit RGBA ramp whose alpha runs down to almost nothing: every pixel keeps its colour
// (as 8-bit samples) after loading, and after writing the picture again and reading it back.
TEST(PNG, SemiTransparentColoursStayExact) {
    constexpr int width = 256;
    QImage ramp(width, 3, QImage::Format_RGBA64);
    const QRgba64 colours[] = {QRgba64::fromRgba64(51400, 25700, 12850, 0),
                               QRgba64::fromRgba64(65535, 257, 32896, 0),
                               QRgba64::fromRgba64(1285, 60395, 47288, 0)};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) {
            QRgba64 c = colours[y];
            c.setAlpha(static_cast<quint16>(257 * (x == 0 ? 1 : x))); // 1/255 .. 255/255
            reinterpret_cast<QRgba64*>(ramp.scanLine(y))[x] = c;
        }
    QByteArray file;
    {
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(ramp.save(&buffer, "PNG"));
    }
    ASSERT_EQ(static_cast<uint8_t>(file[24]), 16) << "a 16-bit file";
    auto expectExact = [&](const QImage& Image, const char* When) {
        ASSERT_EQ(Image.width(), width) << When;
        const QImage argb = Image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
                const QRgb p = argb.pixel(x, y);
                const QRgb want = colours[y].toArgb32();
                ASSERT_EQ(qRed(p), qRed(want)) << When << " x " << x << " row " << y;
                ASSERT_EQ(qGreen(p), qGreen(want)) << When << " x " << x << " row " << y;
                ASSERT_EQ(qBlue(p), qBlue(want)) << When << " x " << x << " row " << y;
                ASSERT_EQ(qAlpha(p), x == 0 ? 1 : x) << When << " x " << x;
            }
    };
    TPNGImage png;
    TMemoryStream in(file);
    png.LoadFromStream(in);
    expectExact(png.Image(), "loaded");
    TPNGImage again;
    again.SetImage(png.Image()); // encoded anew
    const QByteArray written = again.Data();
    EXPECT_NE(written, file);
    expectExact(DecodePNG(written), "written and read");
    expectExact(QImage::fromData(written, "PNG"), "read by another reader");
}

// An opaque picture keeps its pixels once, as the 24-bit bitmap it is drawn from (a photo
// would otherwise take seven bytes a pixel); one with transparent pixels keeps them with
// alpha. Either way the pixels, the drawing and the file written anew are the same.
TEST(PNG, OpaquePicturesKeepOneBitmapOfTheirPixels) {
    for (const char* name : {"photo.png", "rgba.png"}) {
        SCOPED_TRACE(name);
        const bool opaque = QByteArray(name) == "photo.png";
        const QImage want = Decoded(name).convertToFormat(QImage::Format_ARGB32);
        TPNGImage png;
        TMemoryStream in(ReadTestData(QStringLiteral("pictures/") + name));
        png.LoadFromStream(in);
        EXPECT_EQ(png.Width(), want.width());
        EXPECT_EQ(png.Height(), want.height());
        EXPECT_EQ(MaxChannelDifference(png.Image(), want), 0);
        EXPECT_EQ(png.Image().format(), QImage::Format_ARGB32);
        // The opaque picture hands out its own bitmap; the other one composes a new one.
        EXPECT_EQ(png.ToBitmap().SharesImageWith(png.ToBitmap()), opaque);

        TPNGImage copy;
        copy.SetImage(png.Image());
        EXPECT_EQ(MaxChannelDifference(DecodePNG(copy.Data()), want), 0);

        // Drawn 1:1 on white: the opaque pixels as they are, also when the picture is marked
        // transparent by hand.
        for (bool markTransparent : {false, true}) {
            if (!opaque && !markTransparent)
                continue;
            png.SetTransparent(markTransparent || !opaque);
            TBitmap page(want.width(), want.height(), pf24bit);
            page.Fill(clWhite);
            png.Draw(page.Canvas(), TRect(0, 0, want.width(), want.height()));
            QImage onWhite(want.size(), QImage::Format_RGB32);
            onWhite.fill(Qt::white);
            QPainter(&onWhite).drawImage(0, 0, want);
            EXPECT_LE(MaxChannelDifference(page.ToQImage(), onWhite), opaque ? 0 : 1)
                << "marked transparent " << markTransparent;
        }
    }
}
