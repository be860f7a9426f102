#include "ULOBackImage.h"

#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UDrawSite.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"
#include "UScaler.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

constexpr TColor Fill = TColor(0xFFC080);   // light blue
constexpr TColor Band = TColor(0x008000);   // green
constexpr TColor Second = TColor(0x0000FF); // red

// A 200 x 200 face (cut line at (0, 0)) of Shape, and a background on it at (10, 10).
std::unique_ptr<TLOBackImage> MakeBackground(TFaceShape Shape) {
    TFaceInfo face;
    face.SetRect(TRect(0, 0, 200, 200));
    face.SetFaceShape(Shape);
    face.SetCutCenterSize(60);
    face.SetRoundSize(60);
    auto b = std::make_unique<TLOBackImage>();
    b->SetFaceInfo(face);
    b->SetBoundsRect(TRect(10, 10, 210, 210));
    b->FillColor()->SetColor(Fill);
    b->FrameColor()->SetColor(Band);
    b->BlendColor()->SetColor(Second);
    return b;
}

// Columns of the given colours, one pixel each, Height rows.
std::unique_ptr<TSafetyBitmap> Columns(const std::vector<TColor>& Colors, int Height = 1) {
    TBitmap b(static_cast<int>(Colors.size()), Height, pf24bit);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, Colors[x]);
    return std::make_unique<TSafetyBitmap>(b);
}

TBitmap Render(TDrawObject& Object, int Scale) {
    TBitmap b(220 * Scale / 100, 220 * Scale / 100, pf24bit);
    b.Fill(clWhite);
    TCanvas& c = b.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(100, 100);
    c.SetViewportExtEx(Scale, Scale);
    Object.DrawTo(c);
    TCoordMap::ResetCanvas(c);
    return b;
}

QByteArray Stream(TComponent& C) {
    TMemoryStream s;
    WriteComponent(s, C);
    return s.Bytes();
}

std::unique_ptr<TComponent> Read(const QByteArray& Bytes) {
    TMemoryStream s(Bytes);
    return ReadComponent(s);
}

bool Near(TColor A, TColor B, int Fuzz = 2) {
    return std::abs(int(A & 0xFF) - int(B & 0xFF)) <= Fuzz &&
           std::abs(int((A >> 8) & 0xFF) - int((B >> 8) & 0xFF)) <= Fuzz &&
           std::abs(int((A >> 16) & 0xFF) - int((B >> 16) & 0xFF)) <= Fuzz;
}

class TRecordingHost : public IWindowHost {
public:
    int Invalidations = 0;
    void InvalidateRect(const TRect&) override { ++Invalidations; }
    void InvalidateOverlay(const TRect&) override {}
    void Update() override {}
    void BoundsChanged() override {}
    void SetFocus() override {}
    bool Focused() const override { return false; }
    TPoint CursorPos() const override { return {}; }
    bool AutoScroll(const TPoint&) override { return false; }
};

} // namespace

TEST(TLOBackImage, BlankAndClear) {
    TLOBackImage b;
    EXPECT_EQ(b.LayerGroup(), -100);
    EXPECT_EQ(b.BlendRatio(), 100);
    EXPECT_EQ(b.FrameWidth(), 0);
    b.Clear();
    EXPECT_TRUE(b.IsBlank());
    struct {
        const char* What;
        std::function<void(TLOBackImage&)> Change;
    } const cases[] = {
        {"band", [](TLOBackImage& o) { o.SetFrameWidth(1); }},
        {"coloured fill", [](TLOBackImage& o) { o.FillColor()->SetColor(clYellow); }},
        {"gradation", [](TLOBackImage& o) { o.FillColor()->SetKind(cskGradation); }},
        {"blend picture",
         [](TLOBackImage& o) { o.BlendPicture()->SetGraphic(Columns({clWhite})); }},
    };
    for (const auto& c : cases) {
        TLOBackImage o;
        o.Clear();
        c.Change(o);
        EXPECT_FALSE(o.IsBlank()) << c.What;
        o.Clear();
        EXPECT_TRUE(o.IsBlank()) << c.What << ", cleared again";
    }
}

TEST(TLOBackImage, NeverHitAndAlwaysBelow) {
    TDrawSite site;
    site.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
    site.SetLogWidth(300);
    site.SetLogHeight(300);
    auto* back = MakeBackground(fsRect).release();
    site.InsertObject(back);
    site.AddObject(back);
    EXPECT_FALSE(back->HitTest(TPoint(100, 100)));
    EXPECT_EQ(site.ObjectAt(TPoint(100, 100)), nullptr) << "a click selects nothing";
    EXPECT_FALSE(back->Selected());
}

TEST(TLOBackImage, ChangesRepaintAndCount) {
    TDrawSite site;
    TRecordingHost host;
    site.SetHost(&host);
    site.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
    site.SetLogWidth(300);
    site.SetLogHeight(300);
    auto* back = MakeBackground(fsRect).release();
    site.InsertObject(back);
    site.AddObject(back);
    int changes = 0;
    back->OnModify = [&](TComponent*) { ++changes; };
    struct {
        const char* What;
        std::function<void()> Change;
    } const cases[] = {
        {"band width", [&] { back->SetFrameWidth(12); }},
        {"fill", [&] { back->FillColor()->SetColor(clRed); }},
        {"band colour", [&] { back->FrameColor()->SetColor(clBlue); }},
        {"second colour", [&] { back->BlendColor()->SetColor(clLime); }},
        {"blend picture", [&] { back->BlendPicture()->SetGraphic(Columns({clBlack})); }},
        {"blend ratio", [&] { back->SetBlendRatio(40); }},
    };
    for (const auto& c : cases) {
        const int before = changes, invalid = host.Invalidations;
        c.Change();
        EXPECT_EQ(changes, before + 1) << c.What;
        EXPECT_GT(host.Invalidations, invalid) << c.What << " repaints";
    }
    site.SetHost(nullptr);
}

TEST(TLOBackImage, StreamsRoundTripByteForByte) {
    RegisterObjectClasses();
    RegisterPictureFormats();
    auto b = MakeBackground(fsEllipse);
    b->SetName("Back");
    QByteArray plain = Stream(*b);
    EXPECT_FALSE(plain.contains("FrameWidth")) << "0 is the default";
    EXPECT_FALSE(plain.contains("EllipseClip"));
    b->SetFrameWidth(15);
    b->SetBlendRatio(70);
    b->BlendPicture()->SetGraphic(Columns({clBlack, clWhite}));
    b->FillColor()->SetKind(cskGradation);
    const QByteArray bytes = Stream(*b);
    std::unique_ptr<TComponent> read = Read(bytes);
    auto* copy = qobject_cast<TLOBackImage*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->FrameWidth(), 15);
    EXPECT_EQ(copy->BlendRatio(), 70);
    EXPECT_EQ(copy->BlendPicture()->Width(), 2);
    EXPECT_EQ(copy->FillColor()->Kind(), cskGradation);
    EXPECT_EQ(copy->LayerGroup(), -100);
    EXPECT_EQ(Stream(*copy), bytes);

    TLOBackImage assigned;
    assigned.Assign(b.get());
    EXPECT_EQ(assigned.FrameWidth(), 15);
    EXPECT_EQ(assigned.BlendPicture()->Width(), 2);
    EXPECT_EQ(assigned.GetFaceInfo()->GetRect(), TRect()) << "the face is not copied";
    EXPECT_NE(CreateObjectOfKind("TLOBackImage"), nullptr);
}

TEST(TLOBackImage, OlderImagePropertyBecomesThePictureFill) {
    RegisterObjectClasses();
    RegisterPictureFormats();
    TLOBackImage b;
    b.BlendPicture()->SetGraphic(Columns({clRed, clLime, clBlue}));
    QByteArray bytes = Stream(b);
    // The same picture under the name an older version stored its fill picture with.
    const QByteArray name("\x11"
                          "BlendPicture.Data");
    ASSERT_EQ(bytes.count(name), 1);
    bytes.replace(name, QByteArray("\x0a"
                                   "Image.Data"));
    std::unique_ptr<TComponent> read = Read(bytes);
    auto* copy = qobject_cast<TLOBackImage*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->FillColor()->Kind(), cskBitmap);
    EXPECT_EQ(copy->FillColor()->ImageData()->Picture()->Width(), 3);
    EXPECT_TRUE(copy->BlendPicture()->Graphic() == nullptr ||
                copy->BlendPicture()->Graphic()->Empty());
    const QByteArray again = Stream(*copy);
    EXPECT_FALSE(again.contains(QByteArray("Image.Data")));
    EXPECT_EQ(again.count("Picture.Data"), 1) << "the picture is written once, in the fill";
}

TEST(TLOBackImage, FaceShapesBandsAndHoles) {
    struct TFact {
        TPoint P;
        TColor Color;
    };
    struct {
        const char* What;
        TFaceShape Shape;
        int FrameWidth;
        std::vector<TFact> Facts; // object at (10, 10) - (210, 210)
    } const cases[] = {
        {"plain square", fsRect, 0, {{{10, 10}, Fill}, {{209, 209}, Fill}, {{210, 110}, clWhite}}},
        {"ring on a round face",
         fsEllipse,
         20,
         {{{12, 110}, Band},
          {{28, 110}, Band},
          {{40, 110}, Fill},
          {{5, 110}, clWhite},
          {{47, 47}, Band},
          {{62, 62}, Fill},
          {{14, 14}, clWhite}}},
        {"band wider than half the face", fsRect, 150, {{{110, 110}, Band}, {{15, 15}, Band}}},
        {"band of a damaged stream", fsEllipse, INT_MAX, {{{110, 110}, Band}, {{12, 12}, clWhite}}},
        {"disc hole", fsDoughnut, 0, {{{110, 110}, clWhite}, {{50, 110}, Fill}}},
    };
    for (const auto& c : cases) {
        auto b = MakeBackground(c.Shape);
        b->SetFrameWidth(c.FrameWidth);
        const TBitmap bitmap = Render(*b, 100);
        for (const TFact& f : c.Facts)
            EXPECT_EQ(bitmap.GetPixel(f.P.x, f.P.y), f.Color)
                << c.What << " at " << f.P.x << "," << f.P.y;
    }
}

TEST(TLOBackImage, PictureFillCoversTheFace) {
    auto b = MakeBackground(fsRect);
    // 300 x 200: 50 red columns, 200 green, 50 blue.
    std::vector<TColor> columns(300, clLime);
    std::fill(columns.begin(), columns.begin() + 50, clRed);
    std::fill(columns.end() - 50, columns.end(), clBlue);
    b->FillColor()->ImageData()->Picture()->SetGraphic(Columns(columns, 200));
    b->FillColor()->SetKind(cskBitmap);
    const TBitmap bitmap = Render(*b, 100);
    int other = 0;
    for (int y = 11; y < 209; y += 3)
        for (int x = 11; x < 209; ++x)
            other += bitmap.GetPixel(x, y) != clLime;
    EXPECT_EQ(other, 0) << "covered by the middle; the sides are cut";
    EXPECT_EQ(bitmap.GetPixel(215, 100), clWhite) << "the overflow is clipped to the face";
    EXPECT_EQ(bitmap.GetPixel(5, 100), clWhite);
}

TEST(TLOBackImage, SecondColourShowsThroughTheLightPartsOfTheMask) {
    for (const int ratio : {100, 80, 0}) {
        auto b = MakeBackground(fsRect);
        b->BlendPicture()->SetGraphic(Columns({clBlack, clWhite}));
        b->SetBlendRatio(ratio);
        const TBitmap bitmap = Render(*b, 100);
        EXPECT_EQ(bitmap.GetPixel(50, 110), Fill) << ratio << ": dark mask, fill only";
        // Each channel moves from the fill towards red by the ratio.
        const int a = std::min(MulDiv(255, ratio, 100), 255);
        auto mix = [a](int d, int s) { return d + (s - d) * a / 255; };
        const TColor expected = TColor(mix(0x80, 0xFF) | mix(0xC0, 0) << 8 | mix(0xFF, 0) << 16);
        EXPECT_TRUE(Near(bitmap.GetPixel(170, 110), expected))
            << ratio << ": " << std::hex << bitmap.GetPixel(170, 110) << " vs " << expected;
    }
}

TEST(TLOBackImage, GoldenBackgroundWithSecondColour) {
    auto b = MakeBackground(fsRoundRect);
    std::vector<TColor> ramp;
    for (int i = 0; i < 16; ++i)
        ramp.push_back(TColor(i * 0x111111));
    b->BlendPicture()->SetGraphic(Columns(ramp, 4));
    b->SetBlendRatio(90);
    b->SetFrameWidth(8);
    for (const int scale : {100, 200}) {
        const TBitmap bitmap = Render(*b, scale);
        const int s = scale / 100;
        EXPECT_EQ(bitmap.GetPixel(20 * s, 110 * s), Fill) << "black end of the ramp";
        EXPECT_EQ(bitmap.GetPixel(14 * s, 110 * s), Band);
        EXPECT_EQ(bitmap.GetPixel(11 * s, 11 * s), clWhite) << "rounded corner";
        TestImages::ExpectMatchesGolden(
            bitmap.ToQImage(), QString("objects/shapes/background-blend-%1.png").arg(scale));
    }
}
