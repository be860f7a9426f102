#include "UGraphicUtils.h"

#include "PictureTestClasses.h"
#include "TestSupport.h"
#include "UMetafile.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"

#include <gtest/gtest.h>

namespace {

// A picture holding Bitmap as a TSafetyBitmap.
void SetBitmap(TPictureEx& Picture, const TBitmap& Bitmap) {
    Picture.SetGraphic(std::make_unique<TSafetyBitmap>(Bitmap));
}

TBitmap Pixels(int Width, int Height, std::initializer_list<TColor> Colors) {
    TBitmap b(Width, Height, pf24bit);
    auto c = Colors.begin();
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            b.SetPixel(x, y, *c++);
    return b;
}

} // namespace

TEST(GraphicUtils, JPEGDecodeScaleForTheTargetSize) {
    const struct {
        int ImageWidth, ImageHeight, Width, Height;
        TJPEGScale Expected;
    } rows[] = {
        {640, 480, 100, 100, jsQuarter}, // fitted 100 x 75: 640 > 400
        {640, 480, 320, 240, jsFullSize}, {641, 480, 320, 240, jsHalf},
        {800, 600, 100, 100, jsQuarter},  {801, 600, 100, 100, jsEighth},
        {480, 640, 100, 100, jsQuarter},  {100, 100, 200, 200, jsFullSize},
        {4000, 100, 100, 100, jsEighth},  {300, 300, 100, 100, jsHalf},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ChooseJPEGScale(r.ImageWidth, r.ImageHeight, r.Width, r.Height), r.Expected)
            << r.ImageWidth << "x" << r.ImageHeight << " into " << r.Width << "x" << r.Height;

    TPictureEx picture;
    picture.LoadFromFile(TestDataPath("pictures/large.jpg")); // 160 x 120
    auto* jpeg = static_cast<TSafetyJPEGImage*>(picture.Graphic());
    PrepareJPEGForFastDraw(jpeg, 20, 20);
    EXPECT_EQ(jpeg->Scale(), jsQuarter);
    EXPECT_EQ(jpeg->Performance(), jpBestSpeed);
    EXPECT_FALSE(jpeg->Smoothing());
    PrepareJPEGForDraw(jpeg, 160, 120);
    EXPECT_EQ(jpeg->Scale(), jsFullSize);
    EXPECT_EQ(jpeg->Performance(), jpBestQuality);
    EXPECT_TRUE(jpeg->Smoothing());
    TSafetyBitmap other;
    PrepareJPEGForDraw(&other, 1, 1); // left alone
    PrepareJPEGForDraw(nullptr, 1, 1);
}

TEST(GraphicUtils, ShrinkAveragesSourceAreas) {
    const TSafetyBitmap source(
        Pixels(4, 2,
               {RGB(0, 0, 0), RGB(100, 0, 0), RGB(10, 20, 30), RGB(10, 20, 30), RGB(0, 0, 0),
                RGB(100, 0, 0), RGB(30, 20, 10), RGB(30, 21, 10)}));
    TBitmap dest(2, 1, pf32bit);
    ShrinkGraphicToBitmap(source, dest);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);
    EXPECT_EQ(dest.GetPixel(0, 0), RGB(50, 0, 0));
    EXPECT_EQ(dest.GetPixel(1, 0), RGB(20, 20, 20)); // 81 / 4 rounds to 20
    // Growing: every destination pixel takes the one source pixel under it.
    TBitmap grown(8, 4, pf24bit);
    ShrinkGraphicToBitmap(source, grown);
    EXPECT_EQ(grown.GetPixel(3, 3), RGB(100, 0, 0));
    EXPECT_EQ(grown.GetPixel(7, 0), RGB(10, 20, 30));
    // Uneven ratios cover every source pixel once.
    TBitmap odd(3, 1, pf24bit);
    const TSafetyBitmap row(
        Pixels(7, 1, {0, 0, RGB(70, 0, 0), RGB(70, 0, 0), 0, RGB(0, 0, 90), RGB(0, 0, 90)}));
    ShrinkGraphicToBitmap(row, odd);
    EXPECT_EQ(odd.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(odd.GetPixel(1, 0), RGB(70, 0, 0));
    EXPECT_EQ(odd.GetPixel(2, 0), RGB(0, 0, 60));
}

TEST(GraphicUtils, RenderBitmapsWithTransparentColourOverTheBackground) {
    const TColor key = RGB(255, 0, 255);
    TPictureEx picture;
    SetBitmap(picture, Pixels(2, 2, {key, clRed, clRed, key}));
    int changes = 0;
    picture.OnChange = [&](TPictureEx*) { ++changes; };

    TBitmap same(2, 2, pf24bit);
    RenderPictureToBitmap(picture, same, key, false, clBlue);
    EXPECT_EQ(same.GetPixel(0, 0), clBlue);
    EXPECT_EQ(same.GetPixel(1, 0), clRed);
    EXPECT_EQ(same.GetPixel(1, 1), clBlue);
    EXPECT_TRUE(picture.Graphic()->Transparent()); // the picture keeps the setting
    EXPECT_EQ(changes, 0);                         // without announcing it

    TBitmap half(1, 1, pf24bit);
    RenderPictureToBitmap(picture, half, key, false, clBlue);
    EXPECT_EQ(half.GetPixel(0, 0), RGB(128, 0, 128)); // (2 red + 2 blue) / 4, rounded

    // -1 switches transparency off: the key colour is drawn.
    RenderPictureToBitmap(picture, same, -1, false, clBlue);
    EXPECT_FALSE(picture.Graphic()->Transparent());
    EXPECT_EQ(same.GetPixel(0, 0), key);
    // clNone: reduced as it is.
    RenderPictureToBitmap(picture, half, clNone, false, clBlue);
    EXPECT_EQ(half.GetPixel(0, 0), RGB(255, 0, 128));
    // Nothing to draw.
    TPictureEx empty;
    TBitmap untouched(2, 2, pf24bit);
    untouched.Fill(clLime);
    RenderPictureToBitmap(empty, untouched, key, false, clBlue);
    EXPECT_EQ(untouched.GetPixel(0, 0), clLime);
}

TEST(GraphicUtils, RenderOtherGraphicsStretched) {
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetSize(10, 10);
    {
        TMetafileCanvas c(*metafile);
        c.Brush().SetColor(clRed);
        c.FillRect(Rect(0, 0, 5, 10));
        c.Brush().SetColor(clWhite);
        c.FillRect(Rect(5, 0, 10, 10));
    }
    TPictureEx picture;
    picture.SetGraphic(std::move(metafile));
    TBitmap target(40, 20, pf24bit), expected(40, 20, pf24bit);
    RenderPictureToBitmap(picture, target, clRed, false, clBlue); // the colour is ignored
    picture.Graphic()->Draw(expected.Canvas(), Rect(0, 0, 40, 20));
    EXPECT_EQ(MaxChannelDifference(target.ToQImage(), expected.ToQImage()), 0);
    EXPECT_EQ(target.GetPixel(19, 10), clRed);
    EXPECT_EQ(target.GetPixel(20, 10), clWhite);

    // A JPEG image drawn fast is decoded at the scale the bitmap needs.
    TPictureEx photo;
    photo.LoadFromFile(TestDataPath("pictures/large.jpg"));
    TBitmap thumb(20, 15, pf24bit);
    RenderPictureToBitmap(photo, thumb, clNone, true, clWhite);
    auto* jpeg = static_cast<TSafetyJPEGImage*>(photo.Graphic());
    EXPECT_EQ(jpeg->Scale(), jsQuarter);
    EXPECT_EQ(jpeg->Bitmap().Width(), 40);
    const QImage reduced = FixtureImage("large.ref.png")
                               .scaled(20, 15, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(MeanChannelDifference(thumb.ToQImage(), reduced), 10);
}

TEST(GraphicUtils, RenderToJPEG) {
    TPictureEx picture;
    picture.LoadFromFile(TestDataPath("pictures/photo.png"));
    TSafetyJPEGImage jpeg;
    RenderPictureToJPEG(picture, jpeg, 24, false, clWhite, clNone, 16);
    EXPECT_EQ(jpeg.Width(), 24);
    EXPECT_EQ(jpeg.Height(), 16);
    ASSERT_TRUE(jpeg.Data().startsWith("\xFF\xD8"));
    // A PNG graphic is stretched over a white bitmap, which is then compressed.
    TBitmap expected(24, 16, pf24bit);
    picture.Graphic()->Draw(expected.Canvas(), Rect(0, 0, 24, 16));
    EXPECT_EQ(jpeg.Data(), EncodeJPEG(expected, DefaultJPEGQuality));
}

TEST(GraphicUtils, PictureTransparencyAndEmptiness) {
    TPictureEx picture;
    EXPECT_TRUE(IsPictureEmpty(nullptr));
    EXPECT_TRUE(IsPictureEmpty(&picture));
    picture.SetGraphic(std::make_unique<TSafetyBitmap>());
    EXPECT_TRUE(IsPictureEmpty(&picture));
    SetPictureTransparent(picture, true, clRed); // empty: nothing
    EXPECT_FALSE(picture.Graphic()->Transparent());
    SetBitmap(picture, Pixels(1, 1, {clRed}));
    EXPECT_FALSE(IsPictureEmpty(&picture));
    picture.SetModified(false);
    int changes = 0;
    picture.OnChange = [&](TPictureEx*) { ++changes; };
    SetPictureTransparent(picture, true, clRed);
    auto* b = static_cast<TSafetyBitmap*>(picture.Graphic());
    EXPECT_TRUE(b->Transparent());
    EXPECT_EQ(b->TransparentColor(), clRed);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(picture.Modified());
    // The graphic still announces later changes.
    b->SetTransparent(false);
    EXPECT_EQ(changes, 1);
}

TEST(GraphicUtils, OffscreenBitmapStandsInForTheMappedCanvas) {
    TBitmap screen(200, 120, pf24bit);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x)
            screen.SetPixel(x, y, RGB(x, y, (x + y) & 0xFF));
    TCanvas& canvas = screen.Canvas();
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExtEx(1, 1);
    canvas.SetViewportExtEx(2, 2);
    canvas.IntersectClipRect(10, 10, 60, 40);
    canvas.Font().SetPixelsPerInch(254);

    const auto offscreen = CreateOffscreenBitmap(canvas, Rect(0, 0, 100, 50), pf24bit, 0, true);
    // The visible part (10, 10) - (60, 40), twice its logical size.
    ASSERT_EQ(offscreen->Width(), 100);
    ASSERT_EQ(offscreen->Height(), 60);
    EXPECT_EQ(offscreen->GetPixel(0, 0), RGB(20, 20, 40));
    EXPECT_EQ(offscreen->GetPixel(99, 59), RGB(119, 79, 198));
    EXPECT_EQ(offscreen->Canvas().Font().PixelsPerInch(), 254);
    // The canvas is as it was.
    EXPECT_EQ(canvas.GetMapMode(), MM_ANISOTROPIC);
    EXPECT_TRUE(canvas.HasClipRgn());

    // Drawing at logical coordinates lands where it would on the canvas.
    offscreen->Canvas().Brush().SetColor(clRed);
    offscreen->Canvas().FillRect(Rect(30, 20, 40, 30));
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(Rect(30, 20, 40, 30));
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(offscreen->GetPixel(x, y), screen.GetPixel(x + 20, y + 20)) << x << "," << y;

    // A margin grows the visible part; the rectangle still bounds it.
    const auto wider = CreateOffscreenBitmap(canvas, Rect(0, 0, 100, 50), pf8bit, 5, false);
    EXPECT_EQ(wider->Width(), 120);
    EXPECT_EQ(wider->Height(), 80);
    EXPECT_EQ(wider->PixelFormat(), pf8bit);
    const auto bounded = CreateOffscreenBitmap(canvas, Rect(0, 0, 20, 15), pf24bit, 5, false);
    EXPECT_EQ(bounded->Width(), 30);
    EXPECT_EQ(bounded->Height(), 20);
}

TEST(GraphicUtils, LockedDrawingDrawsAtTheNaturalSize) {
    TSafetyBitmap b(Pixels(2, 1, {clRed, clLime}));
    TBitmap target(4, 3, pf24bit);
    target.Fill(clWhite);
    LockedDraw(target.Canvas(), 1, 1, b);
    EXPECT_EQ(target.GetPixel(1, 1), clRed);
    EXPECT_EQ(target.GetPixel(2, 1), clLime);
    EXPECT_EQ(target.GetPixel(3, 1), clWhite);
    LockedStretchDraw(target.Canvas(), Rect(0, 0, 4, 3), b);
    EXPECT_EQ(target.GetPixel(3, 2), clLime);
    // Locks nest and are released.
    LockGraphicCanvas(b);
    UnlockGraphicCanvas(b);
    TSafetyJPEGImage empty;
    LockGraphicCanvas(empty);
    UnlockGraphicCanvas(empty);
}

namespace {

TBitmap Gradient(int W, int H) {
    TBitmap b(W, H, pf24bit);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            b.SetPixel(x, y, RGB(7 * x, 11 * y, 100));
    return b;
}

TBitmap Cropped(const TBitmap& Source, const TRect& R) {
    TBitmap b(R.Width(), R.Height(), pf24bit);
    for (int y = 0; y < R.Height(); ++y)
        for (int x = 0; x < R.Width(); ++x)
            b.SetPixel(x, y, Source.GetPixel(R.Left + x, R.Top + y));
    return b;
}

TBitmap Blank() {
    TBitmap b(40, 30, pf24bit);
    b.Fill(clGray);
    return b;
}

void ExpectSamePixels(const TBitmap& A, const TBitmap& B) {
    ASSERT_EQ(A.Width(), B.Width());
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x)
            ASSERT_EQ(A.GetPixel(x, y), B.GetPixel(x, y)) << x << "," << y;
}

} // namespace

TEST(GraphicUtils, StretchDrawPartDrawsLikeACroppedCopy) {
    const TBitmap source = Gradient(16, 12);
    struct Row {
        TRect Dest, Source;
        int Zoom;
    } rows[] = {
        {Rect(2, 3, 30, 25), Rect(4, 2, 11, 9), 1},  // enlarged
        {Rect(0, 0, 5, 4), Rect(1, 1, 16, 12), 1},   // reduced
        {Rect(5, 5, 12, 10), Rect(3, 3, 10, 8), 1},  // same size
        {Rect(1, 1, 15, 12), Rect(8, 0, 16, 6), 2},  // on a zoomed canvas
        {Rect(0, 0, 40, 30), Rect(0, 0, 16, 12), 1}, // the whole bitmap
    };
    for (const Row& r : rows) {
        TBitmap part = Blank(), plain = Blank();
        for (TBitmap* b : {&part, &plain}) {
            TCanvas& c = b->Canvas();
            c.SetMapMode(MM_ANISOTROPIC);
            c.SetWindowExtEx(1, 1);
            c.SetViewportExtEx(r.Zoom, r.Zoom);
        }
        StretchDrawPart(part.Canvas(), r.Dest, source, r.Source);
        plain.Canvas().StretchDraw(r.Dest, Cropped(source, r.Source));
        SCOPED_TRACE(testing::Message() << r.Source.Left << "," << r.Source.Top);
        ExpectSamePixels(part, plain);
    }
}

TEST(GraphicUtils, StretchDrawPartOfTheWholeBitmapKeepsTransparency) {
    TBitmap source = Gradient(4, 4);
    source.SetPixel(0, 0, clRed);
    source.SetTransparentColor(clRed);
    source.Transparent = true;
    TBitmap b = Blank();
    StretchDrawPart(b.Canvas(), Rect(0, 0, 8, 8), source, Rect(0, 0, 4, 4));
    EXPECT_EQ(b.GetPixel(1, 1), clGray);
    EXPECT_EQ(b.GetPixel(5, 5), source.GetPixel(2, 2));
}

TEST(GraphicUtils, StretchDrawPartOfAnEmptyRectangleDrawsNothing) {
    const TBitmap source = Gradient(8, 8);
    for (const auto& [dest, part] : {std::pair(Rect(0, 0, 0, 10), Rect(0, 0, 4, 4)),
                                     std::pair(Rect(0, 0, 10, 10), Rect(2, 2, 2, 6)),
                                     std::pair(Rect(0, 0, 10, 10), Rect(2, 6, 6, 6))}) {
        TBitmap b = Blank();
        StretchDrawPart(b.Canvas(), dest, source, part);
        ExpectSamePixels(b, Blank());
    }
}
