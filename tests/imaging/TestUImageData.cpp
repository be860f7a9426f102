#include "UImageData.h"

#include "TestSupport.h"
#include "UImageGraphic.h"
#include "UColorFill.h"
#include "UMetafile.h"
#include "UPNGImage.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <random>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;

TBitmap RandomBitmap(int W, int H, uint32_t Seed) {
    std::mt19937 rng(Seed);
    TBitmap b(W, H, pf24bit);
    for (int y = 0; y < H; ++y)
        for (int i = 0; i < W * 3; ++i)
            b.ScanLine(y)[i] = static_cast<uint8_t>(rng());
    return b;
}

void SetBitmapPicture(TImageData& Data, const TBitmap& B) {
    Data.Picture()->SetGraphic(std::make_unique<TSafetyBitmap>(B));
}

// The filtered picture's pixels as a 24-bit bitmap.
TBitmap FilteredPixels(TImageData& Data) {
    TSafetyBitmap s;
    s.Assign(Data.GetFilteredPicture().Graphic());
    s.SetPixelFormat(pf24bit);
    return s.Bitmap();
}

int At(const TBitmap& B, int X, int Y, int C) {
    return B.ScanLine(Y)[X * 3 + C];
}

// Plain 3 x 3 box with replicated edges, s / 9 rounded half up.
TBitmap BoxBlur(const TBitmap& In) {
    TBitmap out(In.Width(), In.Height(), pf24bit);
    const int w = In.Width(), h = In.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int s = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        s += At(In, std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1), c);
                out.ScanLine(y)[x * 3 + c] = static_cast<uint8_t>(std::min((2 * s + 9) / 18, 255));
            }
    return out;
}

void ExpectSamePixels(const TBitmap& A, const TBitmap& B, const char* What) {
    ASSERT_EQ(A.Width(), B.Width()) << What;
    ASSERT_EQ(A.Height(), B.Height()) << What;
    for (int y = 0; y < A.Height(); ++y)
        ASSERT_EQ(0, std::memcmp(A.ScanLine(y), B.ScanLine(y), A.Width() * 3))
            << What << " row " << y;
}

} // namespace

TEST(ImageData, BlurAndSharpenAgainstPlainBoxFilter) {
    const TBitmap src = RandomBitmap(9, 7, 1);
    TImageData data;
    SetBitmapPicture(data, src);
    data.BlurFilter()->SetBlurCount(2);
    ExpectSamePixels(FilteredPixels(data), BoxBlur(BoxBlur(src)), "blur 2");

    data.BlurFilter()->SetBlurCount(-1);
    const TBitmap blurred = BoxBlur(src);
    TBitmap sharp(src.Width(), src.Height(), pf24bit);
    for (int y = 0; y < src.Height(); ++y)
        for (int i = 0; i < src.Width() * 3; ++i)
            sharp.ScanLine(y)[i] = static_cast<uint8_t>(
                std::clamp(2 * src.ScanLine(y)[i] - blurred.ScanLine(y)[i], 0, 255));
    ExpectSamePixels(FilteredPixels(data), sharp, "sharpen 1");

    data.BlurFilter()->SetBlurCount(0);
    ExpectSamePixels(FilteredPixels(data), src, "no blur");
}

TEST(ImageData, MonotoneWithGreyFollowsLuminance) {
    const TBitmap src = RandomBitmap(6, 5, 2);
    TImageData data;
    SetBitmapPicture(data, src);
    data.MonotoneFilter()->SetRefColor(0x808080);
    const TBitmap out = FilteredPixels(data);
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            const int lum =
                (29 * At(src, x, y, 0) + 150 * At(src, x, y, 1) + 77 * At(src, x, y, 2)) >> 8;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(At(out, x, y, c), lum, 1) << x << "," << y;
        }
}

TEST(ImageData, LightShiftsAndThresholds) {
    const TBitmap src = RandomBitmap(6, 5, 3);
    TImageData data;
    SetBitmapPicture(data, src);
    data.LightFilter()->SetBrightness(20); // + 0.2 x 255 = 51
    TBitmap out = FilteredPixels(data);
    for (int y = 0; y < src.Height(); ++y)
        for (int i = 0; i < src.Width() * 3; ++i)
            ASSERT_EQ(out.ScanLine(y)[i], std::min(src.ScanLine(y)[i] + 51, 255));
    data.LightFilter()->SetBrightness(0);
    data.LightFilter()->SetContrast(100);
    out = FilteredPixels(data);
    for (int y = 0; y < src.Height(); ++y)
        for (int i = 0; i < src.Width() * 3; ++i)
            ASSERT_EQ(out.ScanLine(y)[i], src.ScanLine(y)[i] * 2 >= 255 ? 255 : 0);
}

// The colour filters apply to PNG pictures as to bitmaps.
TEST(ImageData, FiltersWorkOnPngPictures) {
    const TBitmap src = RandomBitmap(8, 8, 4);
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(src.ToQImage().convertToFormat(QImage::Format_ARGB32_Premultiplied));
    TImageData data;
    data.Picture()->SetGraphic(std::move(png));
    data.BlurFilter()->SetBlurCount(1);
    ExpectSamePixels(FilteredPixels(data), BoxBlur(src), "png blur");
    data.BlurFilter()->SetBlurCount(0);
    data.MonotoneFilter()->SetRefColor(0x808080);
    const TBitmap mono = FilteredPixels(data);
    EXPECT_NEAR(At(mono, 3, 3, 0), At(mono, 3, 3, 2), 1);
}

TEST(ImageData, CacheDroppedOnEveryChange) {
    TImageData data;
    SetBitmapPicture(data, RandomBitmap(5, 5, 5));
    int changes = 0;
    data.Notifier().OnChange = [&](TChangeNotify*) { ++changes; };
    const std::vector<std::pair<const char*, std::function<void()>>> edits{
        {"clip", [&] { data.ClipFilter()->SetClipRect(TRect(1, 1, 4, 4)); }},
        {"blur", [&] { data.BlurFilter()->SetBlurCount(1); }},
        {"brightness", [&] { data.LightFilter()->SetBrightness(5); }},
        {"contrast", [&] { data.LightFilter()->SetContrast(5); }},
        {"monotone", [&] { data.MonotoneFilter()->SetRefColor(Red); }},
        {"transparent", [&] { data.SetTransparentColor(Blue); }},
        {"picture", [&] { SetBitmapPicture(data, RandomBitmap(5, 5, 6)); }},
    };
    for (const auto& [name, edit] : edits) {
        const TGraphic* first = data.GetFilteredPicture().Graphic();
        ASSERT_NE(first, nullptr) << name;
        EXPECT_EQ(data.GetFilteredPicture().Graphic(), first) << name; // computed once
        const int before = changes;
        edit();
        EXPECT_FALSE(data.HasFilteredPicture()) << name;
        EXPECT_EQ(changes, before + 1) << name;
    }
}

TEST(ImageData, CropOutsideShowsWhiteOrTransparentColour) {
    TBitmap src(4, 4, pf24bit);
    src.Fill(Red);
    TImageData data;
    SetBitmapPicture(data, src);
    data.ClipFilter()->SetClipRect(TRect(2, 2, 6, 5));
    TBitmap out = FilteredPixels(data);
    ASSERT_EQ(out.Width(), 4);
    ASSERT_EQ(out.Height(), 3);
    EXPECT_EQ(out.GetPixel(0, 0), Red);
    EXPECT_EQ(out.GetPixel(3, 0), clWhite);
    EXPECT_EQ(out.GetPixel(0, 2), clWhite);
    data.SetTransparentColor(Blue);
    out = FilteredPixels(data);
    EXPECT_EQ(out.GetPixel(3, 0), Blue);
    EXPECT_TRUE(data.GetFilteredPicture().Graphic()->Transparent());
}

// A crop reaches at most half the picture's size past each edge; a rectangle beyond that, or
// one with coordinates an int width cannot hold, is brought into it.
TEST(ImageData, CropIsBoundedByThePicture) {
    const struct {
        TRect Clip;
        TRect Used;
    } cases[] = {
        {TRect(2, 2, 6, 5), TRect(2, 2, 6, 5)},        // partly outside: kept
        {TRect(1, 1, 8, 6), TRect(1, 1, 8, 6)},        // inside
        {TRect(-4, -3, 12, 9), TRect(-4, -3, 12, 9)},  // as far as it may reach
        {TRect(-100, 1, 100, 2), TRect(-4, 1, 12, 2)}, // wider than that
        {TRect(50, 50, 60, 60), TRect(0, 0, 8, 6)},    // wholly beyond: the whole picture
        {TRect(INT_MIN, 0, INT_MAX, 3), TRect(-4, 0, 12, 3)},
    };
    TBitmap src(8, 6, pf24bit);
    src.Fill(Red);
    for (const auto& c : cases) {
        TImageData data;
        SetBitmapPicture(data, src);
        data.ClipFilter()->SetClipRect(c.Clip);
        const TBitmap out = FilteredPixels(data);
        ASSERT_EQ(out.Width(), c.Used.Width()) << c.Clip.Left << "," << c.Clip.Right;
        ASSERT_EQ(out.Height(), c.Used.Height()) << c.Clip.Top << "," << c.Clip.Bottom;
        // The picture's own pixels stay where the crop puts them.
        const int x = std::max(c.Used.Left, 0), y = std::max(c.Used.Top, 0);
        EXPECT_EQ(out.GetPixel(x - c.Used.Left, y - c.Used.Top), Red) << c.Clip.Left;
        if (c.Used.Left < 0)
            EXPECT_EQ(out.GetPixel(0, y - c.Used.Top), clWhite);
    }
}

// A stored crop rectangle whose width does not fit an int (damaged or hostile data) reads
// bounded, and the filtered picture stays within four times the picture.
TEST(ImageData, StoredCropOfHugeExtentIsBounded) {
    TColorSpec spec;
    TBitmap src(8, 6, pf24bit);
    src.Fill(Red);
    SetBitmapPicture(*spec.ImageData(), src);
    spec.SetKind(cskBitmap);
    spec.ImageData()->ClipFilter()->SetClipRect(TRect(1, 1, 5, 5));
    TColorSpecWrapper wrapper;
    wrapper.SetReference(&spec);
    TMemoryStream out;
    WriteComponent(out, wrapper);
    QByteArray bytes = out.Bytes();
    const QByteArray stored = QByteArray("ClipRect") + QByteArray::fromHex("01"
                                                                           "0201"
                                                                           "0201"
                                                                           "0205"
                                                                           "0205"
                                                                           "00");
    ASSERT_TRUE(bytes.contains(stored));
    // Left -2^31 + 1, Top 0, Right 2^31 - 1, Bottom 2^30.
    bytes.replace(stored, QByteArray("ClipRect") + QByteArray::fromHex("01"
                                                                       "0401000080"
                                                                       "0200"
                                                                       "04ffffff7f"
                                                                       "0400000040"
                                                                       "00"));
    TColorSpec read;
    TColorSpecWrapper readWrapper;
    readWrapper.SetReference(&read);
    TMemoryStream in(bytes);
    ReadComponent(in, readWrapper);
    EXPECT_EQ(read.ImageData()->ClipFilter()->ClipRect(),
              TRect(-MaxBitmapSide, 0, MaxBitmapSide, MaxBitmapSide));
    const TBitmap filtered = FilteredPixels(*read.ImageData());
    EXPECT_EQ(filtered.Width(), 16);
    EXPECT_EQ(filtered.Height(), 9);
    EXPECT_EQ(filtered.GetPixel(4, 1), Red);
    EXPECT_EQ(filtered.GetPixel(0, 1), clWhite);
}

// The mask taken after cropping decides transparency whatever the colour filters do.
TEST(ImageData, TransparencySurvivesColourFilters) {
    TBitmap src = RandomBitmap(6, 6, 7);
    for (int y = 0; y < 6; ++y)
        src.SetPixel(y, y, Blue);
    TImageData data;
    SetBitmapPicture(data, src);
    data.SetTransparentColor(Blue);
    data.BlurFilter()->SetBlurCount(1);
    data.MonotoneFilter()->SetRefColor(0x808080);
    auto* filtered = dynamic_cast<TSafetyBitmap*>(data.GetFilteredPicture().Graphic());
    ASSERT_NE(filtered, nullptr);
    EXPECT_TRUE(filtered->Transparent());
    TBitmap mask;
    filtered->GetMask(mask);
    ASSERT_EQ(mask.Width(), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(mask.GetPixel(x, y) != 0 && mask.GetPixel(x, y) != clBlack,
                      src.GetPixel(x, y) == Blue)
                << x << "," << y;
}

TEST(ImageData, NewPictureSizeResetsCrop) {
    TImageData data;
    SetBitmapPicture(data, RandomBitmap(10, 8, 8));
    EXPECT_EQ(data.ClipFilter()->ClipRect(), TRect(0, 0, 10, 8));
    data.ClipFilter()->SetClipRect(TRect(1, 1, 5, 5));
    SetBitmapPicture(data, RandomBitmap(10, 6, 9)); // same width: crop kept
    EXPECT_EQ(data.ClipFilter()->ClipRect(), TRect(1, 1, 5, 5));
    SetBitmapPicture(data, RandomBitmap(12, 9, 10));
    EXPECT_EQ(data.ClipFilter()->ClipRect(), TRect(0, 0, 12, 9));
    data.ResetClipRect(1, 1);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), TRect(2, 0, 11, 9));
}

TEST(ImageData, CopyTakesTheFilteredPicture) {
    TImageData a, b;
    SetBitmapPicture(a, RandomBitmap(5, 5, 11));
    a.BlurFilter()->SetBlurCount(3);
    const TBitmap filtered = FilteredPixels(a);
    b.Assign(&a);
    EXPECT_TRUE(b.HasFilteredPicture());
    EXPECT_EQ(b.BlurFilter()->BlurCount(), 3);
    ExpectSamePixels(FilteredPixels(b), filtered, "copy");
}

TEST(ImageData, MetafileIsCroppedAsMetafile) {
    auto meta = std::make_unique<TMetafile>();
    meta->SetSize(20, 10);
    {
        TMetafileCanvas canvas(*meta);
        canvas.Rectangle(TRect(0, 0, 20, 10));
    }
    TImageData data;
    data.Picture()->SetGraphic(std::move(meta));
    data.ClipFilter()->SetClipRect(TRect(2, 2, 12, 8));
    data.BlurFilter()->SetBlurCount(2);
    EXPECT_FALSE(data.BlurFilter()->CanApply(*data.Picture()));
    const TGraphic* g = data.GetFilteredPicture().Graphic();
    ASSERT_NE(dynamic_cast<const TMetafile*>(g), nullptr);
    EXPECT_EQ(g->Width(), 10);
    EXPECT_EQ(g->Height(), 6);
}

TEST(ImageData, EmptinessAndTransparency) {
    TImageData data;
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_TRUE(IsPictureEmpty(&data.GetFilteredPicture()));
    data.Picture()->SetInStorage(true);
    EXPECT_FALSE(data.IsEmpty());
    data.Picture()->SetInStorage(false);
    SetBitmapPicture(data, RandomBitmap(3, 3, 12));
    EXPECT_FALSE(data.IsTransparent());
    data.SetTransparentColor(Red);
    EXPECT_TRUE(data.IsTransparent());
    data.SetTransparent(true);
    EXPECT_EQ(data.TransparentColor(), Red);
    data.SetTransparent(false);
    EXPECT_EQ(data.TransparentColor(), clNone);
}

namespace {

// A picture of W x H pixels of random colours whose alpha runs through transparent, half and
// opaque by column.
QImage TranslucentImage(int W, int H, uint32_t Seed) {
    std::mt19937 rng(Seed);
    QImage image(W, H, QImage::Format_ARGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int alpha = x % 3 == 0 ? 0 : x % 3 == 1 ? 128 : 255;
            image.setPixel(x, y,
                           qRgba(int(rng() & 0xFF), int(rng() & 0xFF), int(rng() & 0xFF), alpha));
        }
    return image;
}

// The colours of Image (alpha ignored) as a 24-bit bitmap.
TBitmap ColoursOf(const QImage& Image) {
    TBitmap b(Image.width(), Image.height(), pf24bit);
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x) {
            const QRgb p = Image.pixel(x, y);
            uint8_t* d = b.ScanLine(y) + 3 * x;
            d[0] = uint8_t(qBlue(p));
            d[1] = uint8_t(qGreen(p));
            d[2] = uint8_t(qRed(p));
        }
    return b;
}

// Gives Data a PNG picture of Image and answers the pixels it holds.
QImage SetTranslucentPicture(TImageData& Data, const QImage& Image) {
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(Image);
    const QImage stored = png->Image().convertToFormat(QImage::Format_ARGB32);
    Data.Picture()->SetGraphic(std::move(png));
    return stored;
}

// The filtered picture's pixels with their alpha (null when the filtered picture has none).
QImage FilteredImage(TImageData& Data) {
    const auto* g = dynamic_cast<const TImageGraphic*>(Data.GetFilteredPicture().Graphic());
    return g ? g->Image().convertToFormat(QImage::Format_ARGB32) : QImage();
}

} // namespace

// A colour filter on a picture with transparent pixels filters the colours and keeps every
// pixel's alpha; the colours come out as the same filter gives them on an opaque picture.
TEST(ImageData, ColourFiltersKeepThePicturesTransparency) {
    const struct {
        const char* Name;
        std::function<void(TImageData&)> Set;
    } filters[] = {
        {"blur", [](TImageData& D) { D.BlurFilter()->SetBlurCount(2); }},
        {"sharpen", [](TImageData& D) { D.BlurFilter()->SetBlurCount(-1); }},
        {"brightness", [](TImageData& D) { D.LightFilter()->SetBrightness(30); }},
        {"contrast", [](TImageData& D) { D.LightFilter()->SetContrast(-40); }},
        {"monotone", [](TImageData& D) { D.MonotoneFilter()->SetRefColor(0x3366CC); }},
    };
    for (const auto& f : filters) {
        SCOPED_TRACE(f.Name);
        TImageData translucent;
        const QImage source = SetTranslucentPicture(translucent, TranslucentImage(9, 7, 11));
        f.Set(translucent);
        TImageData opaque;
        SetBitmapPicture(opaque, ColoursOf(source));
        f.Set(opaque);

        const QImage out = FilteredImage(translucent);
        ASSERT_FALSE(out.isNull()) << "the result keeps its alpha";
        ASSERT_EQ(out.size(), source.size());
        const TBitmap expected = FilteredPixels(opaque);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QRgb p = out.pixel(x, y);
                ASSERT_EQ(qAlpha(p), qAlpha(source.pixel(x, y))) << x << "," << y;
                ASSERT_EQ(qBlue(p), At(expected, x, y, 0)) << x << "," << y;
                ASSERT_EQ(qGreen(p), At(expected, x, y, 1)) << x << "," << y;
                ASSERT_EQ(qRed(p), At(expected, x, y, 2)) << x << "," << y;
            }
    }
}

// A GIF's transparent pixels stay transparent under a filter, and a crop keeps the alpha too.
TEST(ImageData, FilteredGifAndCroppedPngKeepTheirTransparentPixels) {
    TImageData gif;
    gif.Picture()->LoadFromFile(TestDataPath(QStringLiteral("pictures/gif-transparent.gif")));
    const auto* decoded = dynamic_cast<const TImageGraphic*>(gif.Picture()->Graphic());
    ASSERT_NE(decoded, nullptr);
    const QImage before = decoded->Image().convertToFormat(QImage::Format_ARGB32);
    gif.LightFilter()->SetBrightness(40);
    const QImage after = FilteredImage(gif);
    ASSERT_EQ(after.size(), before.size());
    int transparent = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            transparent += qAlpha(before.pixel(x, y)) == 0;
            ASSERT_EQ(qAlpha(after.pixel(x, y)), qAlpha(before.pixel(x, y))) << x << "," << y;
        }
    EXPECT_GT(transparent, 0);

    TImageData cropped;
    const QImage source = SetTranslucentPicture(cropped, TranslucentImage(9, 7, 12));
    cropped.ClipFilter()->SetClipRect(TRect(2, 1, 8, 6));
    const QImage out = FilteredImage(cropped);
    ASSERT_EQ(out.size(), QSize(6, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(out.pixel(x, y), source.pixel(x + 2, y + 1)) << x << "," << y;
}
