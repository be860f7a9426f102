#include "UJPEG.h"

#include "PictureTestClasses.h"
#include "TestSupport.h"
#include "USafetyBitmap.h"

#include <gtest/gtest.h>

namespace {

QImage Decoded(const QByteArray& Data, const TJPEGDecodeOptions& Options = {}) {
    return DecodeJPEG(Data, Options).ToQImage();
}

// Huffman-coded data can only be so small for its size: a header claiming a huge image over
// a few bytes of data is refused before anything is allocated.
QByteArray WithSize(QByteArray Data, int Width, int Height) {
    // The SOF marker (0xFFC0 baseline or 0xFFC2 progressive) holds height, then width.
    for (qsizetype i = 0; i + 9 < Data.size(); ++i)
        if (uint8_t(Data[i]) == 0xFF &&
            (uint8_t(Data[i + 1]) == 0xC0 || uint8_t(Data[i + 1]) == 0xC2)) {
            Data[i + 5] = char(Height >> 8);
            Data[i + 6] = char(Height & 0xFF);
            Data[i + 7] = char(Width >> 8);
            Data[i + 8] = char(Width & 0xFF);
            return Data;
        }
    ADD_FAILURE() << "no frame header";
    return Data;
}

} // namespace

TEST(JPEG, DecodesLikeAnIndependentDecoder) {
    // Reference PNGs were decoded by ImageMagick; the transforms may round differently.
    for (const char* name : {"photo", "progressive", "gray", "large", "cmyk"}) {
        const QByteArray data = ReadTestData(QStringLiteral("pictures/%1.jpg").arg(name));
        const int tolerance = QByteArray(name) == "cmyk" ? 3 : 2;
        EXPECT_LE(MaxChannelDifference(Decoded(data),
                                       FixtureImage(QStringLiteral("%1.ref.png").arg(name))),
                  tolerance)
            << name;
        const TJPEGInfo info = ReadJPEGInfo(data);
        const QImage ref = FixtureImage(QStringLiteral("%1.ref.png").arg(name));
        EXPECT_EQ(info.Width, ref.width()) << name;
        EXPECT_EQ(info.Height, ref.height()) << name;
    }
}

TEST(JPEG, DecodeScalesAndSpeed) {
    const QByteArray data = ReadTestData("pictures/large.jpg"); // 160 x 120
    const QImage full = FixtureImage("large.ref.png");
    const struct {
        TJPEGScale Scale;
        int Width, Height;
    } rows[] = {{jsFullSize, 160, 120}, {jsHalf, 80, 60}, {jsQuarter, 40, 30}, {jsEighth, 20, 15}};
    for (const auto& r : rows)
        for (const TJPEGPerformance p : {jpBestQuality, jpBestSpeed}) {
            const QImage image = Decoded(data, {r.Scale, p, p == jpBestQuality});
            ASSERT_EQ(image.size(), QSize(r.Width, r.Height)) << r.Scale;
            // Close to the full picture reduced the same way.
            const QImage reduced =
                full.scaled(r.Width, r.Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_LT(MeanChannelDifference(image, reduced), 8) << r.Scale << " " << p;
        }
}

TEST(JPEG, EncodesWhatDecodesBack) {
    const TBitmap source = TBitmap::FromQImage(FixtureImage("photo.png"), pf24bit);
    const QByteArray high = EncodeJPEG(source, 95);
    const QByteArray low = EncodeJPEG(source, 10);
    EXPECT_LT(low.size(), high.size());
    // Chroma is subsampled, so sharp colour edges cost a little even at high quality.
    EXPECT_LT(MeanChannelDifference(Decoded(high), source.ToQImage()), 5);
    EXPECT_GT(MeanChannelDifference(Decoded(low), source.ToQImage()),
              MeanChannelDifference(Decoded(high), source.ToQImage()));
    // An independent decoder reads it.
    EXPECT_LE(MaxChannelDifference(QImage::fromData(high, "JPG"), Decoded(high)), 2);
    EXPECT_THROW(EncodeJPEG(TBitmap()), EInvalidGraphic);
}

TEST(JPEG, GraphicKeepsItsFileAndDecodesOnDemand) {
    const QByteArray data = ReadTestData("pictures/large.jpg");
    TSafetyJPEGImage jpeg;
    int changes = 0;
    jpeg.OnChange = [&](TGraphic*) { ++changes; };
    TMemoryStream in(data);
    jpeg.LoadFromStream(in);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(jpeg.Width(), 160);
    EXPECT_EQ(jpeg.Height(), 120);
    // Decode settings are not changes of the picture; the size stays the image's own.
    jpeg.SetScale(jsQuarter);
    jpeg.SetPerformance(jpBestSpeed);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(jpeg.Bitmap().Width(), 40);
    EXPECT_EQ(jpeg.Width(), 160);
    TMemoryStream out;
    jpeg.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), data);

    // Drawing stretches the decoded pixels.
    TBitmap target(16, 12, pf24bit), expected(16, 12, pf24bit);
    jpeg.Draw(target.Canvas(), Rect(0, 0, 16, 12));
    expected.Canvas().StretchDraw(Rect(0, 0, 16, 12), jpeg.Bitmap());
    EXPECT_EQ(MaxChannelDifference(target.ToQImage(), expected.ToQImage()), 0);
}

TEST(JPEG, AssignsBitmapsAndGivesThemBack) {
    const TBitmap pixels = TBitmap::FromQImage(FixtureImage("photo.png"), pf32bit);
    TSafetyBitmap bitmap(pixels);
    TSafetyJPEGImage jpeg;
    jpeg.SetCompressionQuality(95);
    jpeg.Assign(&bitmap);
    EXPECT_EQ(jpeg.Width(), 48);
    EXPECT_TRUE(jpeg.Bitmap().PixelFormat() == pf24bit);
    jpeg.Compress();
    EXPECT_TRUE(jpeg.Data().startsWith("\xFF\xD8"));
    EXPECT_LT(MeanChannelDifference(Decoded(jpeg.Data()), pixels.ToQImage()), 5);

    // Decode settings never drop the pixels of an assigned bitmap that has no file yet.
    TSafetyJPEGImage fresh;
    fresh.Assign(&bitmap);
    fresh.SetScale(jsHalf);
    EXPECT_EQ(fresh.Bitmap().Width(), 48);

    TSafetyBitmap back;
    back.Assign(&jpeg);
    EXPECT_EQ(back.Width(), 48);
    EXPECT_LT(MeanChannelDifference(back.Bitmap().ToQImage(), pixels.ToQImage()), 5);

    TJPEGImage alias;
    alias.Assign(&jpeg);
    EXPECT_EQ(alias.Data(), jpeg.Data());
    EXPECT_EQ(alias.GraphicClassName(), "TJPEGImage");
}

TEST(JPEG, HostileInputRaises) {
    const QByteArray good = ReadTestData("pictures/photo.jpg");
    const QByteArray progressive = ReadTestData("pictures/progressive.jpg");
    const struct {
        const char* What;
        QByteArray Data;
    } rows[] = {
        {"empty", QByteArray()},
        {"start marker only", QByteArray("\xFF\xD8", 2)},
        {"not a JPEG", QByteArray("GIF89a and more bytes")},
        {"header cut", good.left(100)},
        {"data cut", good.left(good.size() - 40)},
        {"progressive cut", progressive.left(progressive.size() / 2)},
        {"huge size", WithSize(good, 30000, 30000)},
        {"progressive huge size", WithSize(progressive, 32000, 32000)},
        {"too wide", WithSize(good, 40000, 10)},
        {"zero width", WithSize(good, 0, 10)},
    };
    for (const auto& r : rows) {
        EXPECT_THROW(ReadJPEGInfo(r.Data), EInvalidGraphic) << r.What;
        EXPECT_THROW(DecodeJPEG(r.Data), EInvalidGraphic) << r.What;
        TSafetyJPEGImage jpeg;
        TMemoryStream s(r.Data);
        EXPECT_THROW(jpeg.LoadFromStream(s), EInvalidGraphic) << r.What;
        EXPECT_TRUE(jpeg.Empty()) << r.What;
    }
}

TEST(JPEG, FuzzedInputNeverCrashes) {
    // Each case either decodes or raises the invalid-graphic error; the sanitizers watch the
    // rest.
    for (const char* name : {"photo.jpg", "progressive.jpg", "gray.jpg"}) {
        const QByteArray good = ReadTestData(QStringLiteral("pictures/") + name);
        for (unsigned seed = 1; seed <= 150; ++seed) {
            const QByteArray bad = Fuzzed(good, seed, 1 + int(seed % 8));
            try {
                DecodeJPEG(bad);
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}

// A file whose header is sound but whose later scan is damaged (an impossible spectral range
// in the second scan of a progressive file) is refused when it is loaded, not when it is
// first drawn; the graphic keeps what it held.
TEST(JPEG, DamagedScanIsRefusedAtLoad) {
    const QByteArray progressive = ReadTestData("pictures/progressive.jpg");
    const qsizetype first = progressive.indexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype second = progressive.indexOf(QByteArray("\xFF\xDA", 2), first + 2);
    ASSERT_GT(second, first);
    QByteArray damaged = progressive;
    const int components = static_cast<uint8_t>(damaged[second + 4]);
    damaged[second + 5 + 2 * components + 1] = static_cast<char>(0x7F); // Se beyond 63
    EXPECT_NO_THROW(ReadJPEGInfo(damaged)) << "the header alone looks right";
    EXPECT_THROW(DecodeJPEG(damaged), EInvalidGraphic);

    TSafetyJPEGImage jpeg;
    TMemoryStream good(progressive);
    jpeg.LoadFromStream(good);
    const int width = jpeg.Width();
    TMemoryStream bad(damaged);
    EXPECT_THROW(jpeg.LoadFromStream(bad), EInvalidGraphic);
    EXPECT_EQ(jpeg.Width(), width);
    EXPECT_EQ(jpeg.Data(), progressive);
    TBitmap canvas(8, 8);
    EXPECT_NO_THROW(jpeg.Draw(canvas.Canvas(), TRect(0, 0, 8, 8)));
}
