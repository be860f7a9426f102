#include "ULODecoLine.h"

#include "DesignTestSupport.h"
#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"
#include "UStreams.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string Str(const TPoint& P) {
    return std::to_string(P.x) + "," + std::to_string(P.y);
}

// A 20 x 10 picture: the top half green, the bottom half red on the left and blue on the
// right, so that its orientation shows wherever it lands.
void SetTestPicture(TLODecoLine& Line) {
    TSafetyBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(20, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            picture.Bitmap().SetPixel(x, y, y < 5 ? clLime : x < 10 ? clRed : clBlue);
    picture.Changed();
    Line.Image()->SetGraphic(&picture);
}

std::unique_ptr<TLODecoLine> MakeDeco(TPoint S, TPoint E, int Width, bool WithPicture = true) {
    auto line = std::make_unique<TLODecoLine>();
    if (WithPicture)
        SetTestPicture(*line);
    line->SetStartPoint(S);
    line->SetEndPoint(E);
    line->SetLineWidth(Width);
    return line;
}

TBitmap Render(TDrawObject& Object, int W, int H, int Scale) {
    TBitmap bitmap(MulDiv(W, Scale, 100), MulDiv(H, Scale, 100), pf24bit);
    bitmap.Fill(clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExtEx(100, 100);
    canvas.SetViewportExtEx(Scale, Scale);
    Object.DrawTo(canvas);
    return bitmap;
}

int NonWhite(const TBitmap& B) {
    int n = 0;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            n += B.GetPixel(x, y) != clWhite;
    return n;
}

QByteArray StreamBytes(TComponent& Component) {
    TMemoryStream s;
    WriteComponent(s, Component);
    return s.Bytes();
}

class DecoLines : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterObjectClasses();
        RegisterPictureFormats();
    }
};

TEST_F(DecoLines, QuadIsTheLineWidenedByTwoEachSideWithFlatEnds) {
    struct {
        TPoint S, E;
        int Width;
        const char* Quad;
    } const cases[] = {
        {{0, 0}, {100, 0}, 10, "0,-7 100,-7 100,7 0,7"},
        {{100, 0}, {0, 0}, 10, "100,7 0,7 0,-7 100,-7"},
        {{0, 0}, {0, 100}, 10, "7,0 7,100 -7,100 -7,0"},
        {{0, 0}, {30, 40}, 6, "4,-3 34,37 26,43 -4,3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Quad);
        auto line = MakeDeco(c.S, c.E, c.Width);
        std::array<TPoint, 4> quad;
        ASSERT_TRUE(line->StripQuad(quad));
        std::string text;
        for (const TPoint& p : quad)
            text += (text.empty() ? "" : " ") + Str(p);
        EXPECT_EQ(text, c.Quad);
    }
    auto dot = MakeDeco(TPoint(5, 5), TPoint(5, 5), 10);
    std::array<TPoint, 4> quad;
    EXPECT_FALSE(dot->StripQuad(quad));
}

TEST_F(DecoLines, GoldenAt0_45_180DegreesAnd100_200Percent) {
    struct {
        const char* Name;
        TPoint S, E;
    } const lines[] = {
        {"deco-0", {20, 60}, {200, 60}},
        {"deco-45", {40, 40}, {160, 160}},
        {"deco-180", {200, 60}, {20, 60}},
    };
    for (const auto& l : lines)
        for (int scale : {100, 200}) {
            SCOPED_TRACE(std::string(l.Name) + " " + std::to_string(scale));
            auto line = MakeDeco(l.S, l.E, 20);
            const TBitmap b = Render(*line, 220, 200, scale);
            TestImages::ExpectMatchesGolden(
                b.ToQImage(), QString("objects/lines/%1-%2.png").arg(l.Name).arg(scale));
            auto px = [&](double X, double Y) {
                return b.GetPixel(int(X * scale / 100), int(Y * scale / 100));
            };
            // Along the line at 10 units from its start, 6 units to the picture's top side
            // (left of the direction of drawing) and 6 to its bottom side.
            const double len = std::hypot(double(l.E.x - l.S.x), double(l.E.y - l.S.y));
            const double ux = (l.E.x - l.S.x) / len, uy = (l.E.y - l.S.y) / len;
            const double x = l.S.x + 10 * ux, y = l.S.y + 10 * uy;
            EXPECT_EQ(px(x + 6 * uy, y - 6 * ux), clLime) << "the picture's top half";
            EXPECT_EQ(px(x - 6 * uy, y + 6 * ux), clRed) << "its bottom-left quarter";
            // Past the left half of the first copy the bottom turns blue.
            const double x2 = l.S.x + 35 * ux, y2 = l.S.y + 35 * uy;
            EXPECT_EQ(px(x2 - 6 * uy, y2 + 6 * ux), clBlue);
            // Nothing beyond the decoration's sides.
            EXPECT_EQ(px(x + 20 * uy, y - 20 * ux), clWhite);
            EXPECT_EQ(px(x - 20 * uy, y + 20 * ux), clWhite);
        }
}

TEST_F(DecoLines, CopiesFillTheStripAtThePicturesAspect) {
    // 180 units long, 20 high: a 20 x 10 picture fits 4 times at its aspect (45 units each).
    auto line = MakeDeco(TPoint(20, 60), TPoint(200, 60), 20);
    const TBitmap b = Render(*line, 220, 120, 100);
    int blueRuns = 0;
    bool inBlue = false;
    for (int x = 0; x < b.Width(); ++x) {
        const bool blue = b.GetPixel(x, 68) == clBlue;
        blueRuns += blue && !inBlue;
        inBlue = blue;
    }
    EXPECT_EQ(blueRuns, 4);
    // Shorter than one copy: one copy squeezed to the line's length.
    auto shortLine = MakeDeco(TPoint(20, 60), TPoint(50, 60), 20);
    const TBitmap s = Render(*shortLine, 220, 120, 100);
    EXPECT_EQ(s.GetPixel(25, 68), clRed);
    EXPECT_EQ(s.GetPixel(45, 68), clBlue);
    EXPECT_EQ(s.GetPixel(25, 52), clLime);
}

TEST_F(DecoLines, NothingToPaintKeepsTheGeometry) {
    auto zero = MakeDeco(TPoint(50, 50), TPoint(50, 50), 20);
    const TRect bounds = zero->GetBoundsRect();
    EXPECT_EQ(NonWhite(Render(*zero, 100, 100, 100)), 0);
    EXPECT_EQ(zero->Cache(), nullptr);
    EXPECT_EQ(zero->GetBoundsRect(), bounds);
    EXPECT_EQ(zero->LineWidth(), 20);

    auto empty = MakeDeco(TPoint(10, 50), TPoint(90, 50), 20, false);
    EXPECT_EQ(NonWhite(Render(*empty, 100, 100, 100)), 0);
    EXPECT_EQ(empty->Cache(), nullptr);
    EXPECT_EQ(Str(empty->GetEndPoint()), "90,50");
    empty->ResetToImage();
    EXPECT_EQ(Str(empty->GetEndPoint()), "0,0");
    EXPECT_EQ(empty->LineWidth(), 1);
}

TEST_F(DecoLines, WidthBelowOneBecomesOneAndResetShowsSixCopies) {
    auto line = MakeDeco(TPoint(0, 0), TPoint(100, 0), 0);
    EXPECT_EQ(line->LineWidth(), 1);
    line->SetLineWidth(-7);
    EXPECT_EQ(line->LineWidth(), 1);

    line->ResetToImage();
    EXPECT_EQ(Str(line->GetStartPoint()), "0,0");
    EXPECT_EQ(Str(line->GetEndPoint()), "168,0"); // 6 x MulDiv(20, 254, 180)
    EXPECT_EQ(line->LineWidth(), 14);             // MulDiv(10, 254, 180)
    line->OffsetBy(10, 20);
    const TBitmap b = Render(*line, 200, 40, 100);
    int redRuns = 0;
    bool inRed = false;
    for (int x = 0; x < b.Width(); ++x) {
        const bool red = b.GetPixel(x, 24) == clRed;
        redRuns += red && !inRed;
        inRed = red;
    }
    EXPECT_EQ(redRuns, 6);
}

TEST_F(DecoLines, MovingKeepsTheCacheOtherChangesClearIt) {
    auto line = MakeDeco(TPoint(20, 60), TPoint(200, 60), 20);
    Render(*line, 220, 120, 100);
    const TBitmap* cache = line->Cache();
    ASSERT_NE(cache, nullptr);
    line->OffsetBy(0, 30);
    EXPECT_EQ(line->Cache(), cache) << "a move does not rebuild the picture";
    const TBitmap moved = Render(*line, 220, 120, 100);
    EXPECT_EQ(moved.GetPixel(30, 82), clLime);
    EXPECT_EQ(moved.GetPixel(30, 98), clRed);

    struct {
        const char* What;
        std::function<void(TLODecoLine&)> Change;
    } const changes[] = {
        {"end point", [](TLODecoLine& L) { L.SetEndPoint(TPoint(210, 90)); }},
        {"start point", [](TLODecoLine& L) { L.SetStartX(0); }},
        {"width", [](TLODecoLine& L) { L.SetLineWidth(30); }},
        {"picture", [](TLODecoLine& L) { L.Image()->SetGraphic(nullptr); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.What);
        auto l = MakeDeco(TPoint(20, 60), TPoint(200, 60), 20);
        Render(*l, 220, 120, 100);
        ASSERT_NE(l->Cache(), nullptr);
        c.Change(*l);
        EXPECT_EQ(l->Cache(), nullptr);
    }
}

TEST_F(DecoLines, StreamRoundTripAndCopies) {
    auto line = MakeDeco(TPoint(10, 20), TPoint(150, 90), 16);
    line->SetName("D1");
    const QByteArray first = StreamBytes(*line);
    EXPECT_FALSE(first.contains("Angle"));
    TMemoryStream in(first);
    std::unique_ptr<TComponent> read = ReadComponent(in);
    auto* copy = qobject_cast<TLODecoLine*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Image()->Width(), 20);
    EXPECT_EQ(StreamBytes(*copy), first);
    const TBitmap a = Render(*line, 200, 120, 100);
    const TBitmap b = Render(*copy, 200, 120, 100);
    EXPECT_EQ(TestImages::CountMismatches(a.ToQImage(), b.ToQImage(), 0, nullptr), 0);

    // A copy (undo, drag feedback) takes the built picture with it.
    TLODecoLine assigned;
    assigned.SetName("D1"); // names are not copied
    assigned.Assign(line.get());
    ASSERT_NE(assigned.Cache(), nullptr);
    EXPECT_TRUE(assigned.Cache()->SharesImageWith(*line->Cache()));
    EXPECT_EQ(StreamBytes(assigned), first);
}

TEST_F(DecoLines, BlendedDecorationMixesOnlyThePicture) {
    auto line = MakeDeco(TPoint(20, 60), TPoint(200, 60), 20);
    line->SetBlendRatio(50);
    TBitmap page(220, 120, pf24bit);
    page.Fill(clBlue);
    line->DrawTo(page.Canvas());
    const TColor top = page.GetPixel(30, 54); // lime over blue
    EXPECT_NEAR(GetGValue(top), 128, 3) << std::hex << top;
    EXPECT_NEAR(GetBValue(top), 128, 3) << std::hex << top;
    // The line's round cap reaches past the picture's flat end: the page shows there.
    EXPECT_EQ(page.GetPixel(14, 60), clBlue);
    EXPECT_EQ(page.GetPixel(206, 60), clBlue);
    EXPECT_EQ(page.GetPixel(100, 80), clBlue);
}

TEST_F(DecoLines, VeryLongLineIsCappedNotRefused) {
    auto line = MakeDeco(TPoint(0, 25), TPoint(40000, 25), 20);
    TBitmap view(100, 50, pf24bit);
    view.Fill(clWhite);
    line->DrawTo(view.Canvas());
    ASSERT_NE(line->Cache(), nullptr);
    EXPECT_LE(line->Cache()->Width(), MaxBitmapSide);
    EXPECT_LE(line->Cache()->Height(), MaxBitmapSide);
    EXPECT_FALSE(line->PaintFailed());
    EXPECT_EQ(line->CacheRect().Right, 40000);
    EXPECT_EQ(view.GetPixel(10, 20), clLime);
    EXPECT_EQ(view.GetPixel(10, 30), clRed);
}

} // namespace
