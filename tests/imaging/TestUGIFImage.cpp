#include "UGIFImage.h"

#include "PictureTestClasses.h"
#include "TestSupport.h"
#include "USafetyBitmap.h"

#include <gtest/gtest.h>

namespace {

// Sets the logical screen size (bytes 6..9, little-endian).
QByteArray WithScreen(QByteArray Gif, int Width, int Height) {
    Gif[6] = char(Width & 0xFF);
    Gif[7] = char(Width >> 8);
    Gif[8] = char(Height & 0xFF);
    Gif[9] = char(Height >> 8);
    return Gif;
}

// Sets the size of the first image descriptor.
QByteArray WithFrame(QByteArray Gif, int Width, int Height) {
    const qsizetype at = Gif.indexOf(',', 13);
    if (at < 0) {
        ADD_FAILURE() << "no image descriptor";
        return Gif;
    }
    Gif[at + 5] = char(Width & 0xFF);
    Gif[at + 6] = char(Width >> 8);
    Gif[at + 7] = char(Height & 0xFF);
    Gif[at + 8] = char(Height >> 8);
    return Gif;
}

} // namespace

TEST(GIF, DecodesLikeAnIndependentDecoder) {
    for (const char* name : {"gif-opaque", "gif-transparent", "gif-interlaced"}) {
        const QImage image = DecodeGIF(ReadTestData(QStringLiteral("pictures/%1.gif").arg(name)));
        EXPECT_EQ(MaxChannelDifference(image, FixtureImage(QStringLiteral("%1.ref.png").arg(name))),
                  0)
            << name;
    }
}

TEST(GIF, GraphicIsTransparentReadOnlyAndKeepsItsFile) {
    const QByteArray data = ReadTestData("pictures/gif-transparent.gif");
    TGIFImage gif;
    TMemoryStream in(data);
    gif.LoadFromStream(in);
    EXPECT_TRUE(gif.Transparent());
    EXPECT_EQ(gif.Width(), 21);
    TMemoryStream out;
    gif.WriteData(out);
    out.SetPosition(0);
    TGIFImage copy;
    copy.ReadData(out);
    EXPECT_EQ(copy.Data(), data);

    // Drawn over a coloured bitmap, the transparent cells show it.
    TBitmap target(21, 11, pf24bit);
    target.Fill(clBlue);
    gif.Draw(target.Canvas(), Rect(0, 0, 21, 11));
    const QImage ref = FixtureImage("gif-transparent.ref.png");
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 21; ++x) {
            const QRgb r = ref.pixel(x, y);
            const TColor expected = qAlpha(r) == 0 ? clBlue : RGB(qRed(r), qGreen(r), qBlue(r));
            ASSERT_EQ(target.GetPixel(x, y), expected) << x << "," << y;
        }

    TSafetyBitmap bitmap;
    EXPECT_THROW(gif.Assign(&bitmap), EConvertError);
    TGIFImage opaque;
    TMemoryStream o(ReadTestData("pictures/gif-opaque.gif"));
    opaque.LoadFromStream(o);
    EXPECT_FALSE(opaque.Transparent());
}

TEST(GIF, HostileInputRaises) {
    const QByteArray good = ReadTestData("pictures/gif-opaque.gif");
    const struct {
        const char* What;
        QByteArray Data;
    } rows[] = {
        {"empty", QByteArray()},
        {"signature only", good.left(6)},
        {"not a GIF", QByteArray("\x89PNG\r\n\x1a\n and more")},
        {"no image", good.left(13 + 3 * 8) + ";"},
        {"data cut", good.left(good.size() - 20)},
        {"huge screen", WithScreen(good, 30000, 30000)},
        {"huge frame", WithFrame(good, 30000, 30000)},
        {"wide frame", WithFrame(good, 40000, 1)},
        {"empty frame", WithFrame(good, 0, 5)},
    };
    for (const auto& r : rows) {
        EXPECT_THROW(DecodeGIF(r.Data), EInvalidGraphic) << r.What;
        TGIFImage gif;
        TMemoryStream s(r.Data);
        EXPECT_THROW(gif.LoadFromStream(s), EInvalidGraphic) << r.What;
        EXPECT_TRUE(gif.Empty()) << r.What;
    }
}

TEST(GIF, FuzzedInputNeverCrashes) {
    for (const char* name : {"gif-opaque.gif", "gif-transparent.gif", "gif-interlaced.gif"}) {
        const QByteArray good = ReadTestData(QStringLiteral("pictures/") + name);
        for (unsigned seed = 1; seed <= 200; ++seed) {
            try {
                DecodeGIF(Fuzzed(good, seed, 1 + int(seed % 5)));
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}
