#include "UFaceInfo.h"

#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UStroke.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

// A face in logical units (0.1 mm) drawn at one device pixel per millimetre.
struct TFaceCase {
    const char* Golden;
    TFaceShape Shape;
    TCenterShape Center;
    TRect Rect;
};

TBitmap RenderFace(const TFaceInfo& Face) {
    TBitmap b(64, 64);
    b.Fill(clWhite);
    TCanvas& c = b.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(10, 10);
    c.SetViewportExtEx(1, 1);
    c.Pen().SetColor(clBlack);
    c.Pen().SetWidth(0);
    c.Brush().SetColor(RGB(200, 220, 240));
    Face.DrawOutline(c, false, true);
    c.Pen().SetColor(clRed);
    c.Brush().SetStyle(bsClear);
    Face.DrawCutLine(c, false);
    return b;
}

void SetFace(TFaceInfo& F, TFaceShape Shape, const TRect& R) {
    F.SetFaceShape(Shape);
    F.SetRect(R);
}

} // namespace

TEST(FaceInfo, ShapesMatchGoldens) {
    const TFaceCase cases[] = {
        {"faces/rect.png", fsRect, csEllipse, {80, 100, 560, 500}},
        {"faces/doughnut.png", fsDoughnut, csEllipse, {80, 80, 560, 560}},
        {"faces/ellipse.png", fsEllipse, csEllipse, {60, 120, 580, 480}},
        {"faces/roundrect.png", fsRoundRect, csEllipse, {80, 100, 560, 500}},
        {"faces/rectcd.png", fsRectCD, csEllipse, {80, 100, 560, 500}},
        {"faces/barrelcd.png", fsBarrelCD, csBarrel, {120, 60, 520, 580}},
        {"faces/barrelcd-wide.png", fsBarrelCD, csEllipse, {60, 120, 580, 500}},
        {"faces/doughnut-barrelhole.png", fsDoughnut, csBarrel, {80, 80, 560, 560}},
    };
    for (const TFaceCase& k : cases) {
        SCOPED_TRACE(k.Golden);
        TFaceInfo face;
        SetFace(face, k.Shape, k.Rect);
        face.SetCenterShape(k.Center);
        face.SetFaceMargin(30);
        face.SetRoundSize(160);
        face.SetCutCenterWidth(160);
        face.SetCutCenterHeight(k.Center == csBarrel ? 200 : 160);
        TestImages::ExpectMatchesGolden(RenderFace(face).ToQImage(), k.Golden);
    }
}

TEST(FaceInfo, Rectangles) {
    TFaceInfo f;
    EXPECT_EQ(f.CutCenterWidth(), 410);
    EXPECT_EQ(f.CutCenterHeight(), 410);
    EXPECT_EQ(f.RoundSize(), 100);
    EXPECT_EQ(f.FaceShape(), fsRect);
    EXPECT_EQ(f.CenterShape(), csEllipse);

    // A disc 1200 x 1200 with margin 20 and hole 410: the hole's margin rectangle is
    // 450 x 450 and centred.
    SetFace(f, fsDoughnut, TRect(100, 200, 1300, 1400));
    f.SetFaceMargin(20);
    EXPECT_EQ(f.GetMarginRect(), TRect(80, 180, 1320, 1420));
    EXPECT_EQ(f.GetCenterRect(), TRect(495, 595, 905, 1005));
    EXPECT_EQ(f.GetCenterMarginRect(), TRect(475, 575, 925, 1025));

    // Odd and negative leftovers are halved toward zero.
    f.SetRect(TRect(0, 0, 1201, 300));
    EXPECT_EQ(f.GetCenterRect(), TRect(395, -55, 805, 355));

    // SetMarginRect then GetMarginRect gives the same rectangle back.
    for (int margin : {0, 20, -5}) {
        f.SetFaceMargin(margin);
        f.SetMarginRect(TRect(10, 20, 500, 700));
        EXPECT_EQ(f.GetMarginRect(), TRect(10, 20, 500, 700)) << margin;
        EXPECT_EQ(f.GetRect(), TRect(10 + margin, 20 + margin, 500 - margin, 700 - margin));
    }
    f.SetCutCenterSize(300);
    EXPECT_EQ(f.CutCenterWidth(), 300);
    EXPECT_EQ(f.CutCenterHeight(), 300);
}

TEST(FaceInfo, ShapeClassesLegacyTypesAndNames) {
    const struct {
        TFaceShape Shape;
        bool Hole, Round;
    } classes[] = {
        {fsRect, false, false},     {fsDoughnut, true, false}, {fsEllipse, false, false},
        {fsRoundRect, false, true}, {fsRectCD, true, true},    {fsBarrelCD, true, false},
    };
    TFaceInfo f;
    for (const auto& k : classes) {
        f.SetFaceShape(k.Shape);
        EXPECT_EQ(f.HasCenterHole(), k.Hole) << k.Shape;
        EXPECT_EQ(f.HasRoundCorners(), k.Round) << k.Shape;
    }

    const struct {
        int N;
        TFaceShape Shape;
        const char* Purpose;
    } legacy[] = {
        {0, fsRect, ""},           {1, fsDoughnut, "CD"},   {2, fsRect, "CDCover"},
        {3, fsRect, "CDCaseTray"}, {4, fsRect, "MOSquare"}, {5, fsRect, "MOSquare"},
        {6, fsEllipse, ""},        {7, fsRoundRect, ""},
    };
    for (const auto& k : legacy) {
        f.SetFaceShape(fsBarrelCD);
        f.SetPurpose("old");
        f.SetLegacyFaceType(k.N);
        EXPECT_EQ(f.FaceShape(), k.Shape) << k.N;
        EXPECT_EQ(f.Purpose(), QString::fromLatin1(k.Purpose)) << k.N;
    }
    for (int n : {-1, 8, 100}) {
        f.SetFaceShape(fsRectCD);
        f.SetPurpose("keep");
        f.SetLegacyFaceType(n);
        EXPECT_EQ(f.FaceShape(), fsRectCD);
        EXPECT_EQ(f.Purpose(), "keep");
    }

    const QStringList names = TFaceInfo::GetFaceShapeDisplayNames().split(',');
    ASSERT_EQ(names.size(), 6);
    EXPECT_EQ(names[fsRect], QStringLiteral("角ラベル"));
    EXPECT_EQ(names[fsBarrelCD], QStringLiteral("樽CDラベル"));
}

TEST(FaceInfo, AssignCopiesTheGeometry) {
    TFaceInfo a;
    SetFace(a, fsRectCD, TRect(1, 2, 3, 4));
    a.SetPurpose("CD");
    a.SetFaceMargin(7);
    a.SetCutCenterWidth(11);
    a.SetCutCenterHeight(12);
    a.SetRoundSize(13);
    a.SetCenterShape(csBarrel);
    TFaceInfo b;
    b.Assign(&a);
    EXPECT_EQ(b.GetRect(), a.GetRect());
    EXPECT_EQ(b.FaceShape(), fsRectCD);
    EXPECT_EQ(b.Purpose(), "CD");
    EXPECT_EQ(b.FaceMargin(), 7);
    EXPECT_EQ(b.CutCenterWidth(), 11);
    EXPECT_EQ(b.CutCenterHeight(), 12);
    EXPECT_EQ(b.RoundSize(), 13);
    EXPECT_EQ(b.CenterShape(), csBarrel);
    EXPECT_THROW(b.Assign(nullptr), Exception);
}

TEST(FaceInfo, BarrelPath) {
    // R = (0, 0, 1000, 1200): d = sqrt(600^2 - 500^2) = 331.7, straight sides from 268 to 932.
    TStroke s;
    TFaceInfo::MakeBarrelStroke(TRect(0, 0, 1000, 1200), s);
    ASSERT_GT(s.GetCount(), 20);
    EXPECT_EQ(s.GetPointType(0), TStroke::PT_MOVETO);
    EXPECT_EQ(s.GetPoint(0), TPoint(0, 268));
    EXPECT_EQ(s.GetPointType(s.GetCount() - 1), TStroke::PT_LINETO | TStroke::PT_CLOSEFIGURE);
    EXPECT_EQ(s.GetPoint(s.GetCount() - 1), TPoint(0, 932));
    // The straight right side joins the arcs: (1000, 268) is followed by (1000, 932).
    bool rightSide = false;
    for (int i = 1; i < s.GetCount(); ++i) {
        EXPECT_NE(s.GetPointType(i), TStroke::PT_MOVETO) << i;
        rightSide |= s.GetPoint(i - 1) == TPoint(1000, 268) && s.GetPoint(i) == TPoint(1000, 932);
    }
    EXPECT_TRUE(rightSide);
    // The arcs are polylines in steps of 2 degrees: their extremes lie within a unit of R.
    auto nearBounds = [](const TRect& A, const TRect& B) {
        return std::abs(A.Left - B.Left) <= 1 && std::abs(A.Top - B.Top) <= 1 &&
               std::abs(A.Right - B.Right) <= 1 && std::abs(A.Bottom - B.Bottom) <= 1;
    };
    EXPECT_TRUE(nearBounds(s.GetBounds(), TRect(0, 0, 1000, 1200)));
    EXPECT_EQ(s.GetBounds().Left, 0);
    EXPECT_EQ(s.GetBounds().Right, 1000);

    // Wider than high: the straight sides are the top and bottom.
    TFaceInfo::MakeBarrelStroke(TRect(0, 0, 1200, 1000), s);
    EXPECT_EQ(s.GetPoint(0), TPoint(268, 1000));
    EXPECT_TRUE(nearBounds(s.GetBounds(), TRect(0, 0, 1200, 1000)));
    EXPECT_EQ(s.GetBounds().Top, 0);
    EXPECT_EQ(s.GetBounds().Bottom, 1000);

    // Degenerate rectangles give a degenerate outline, not a failure.
    TFaceInfo::MakeBarrelStroke(TRect(5, 5, 5, 5), s);
    EXPECT_EQ(s.GetBounds(), TRect(5, 5, 5, 5));
}

TEST(FaceInfo, RegionEdges) {
    struct THit {
        int X, Y;
        bool Inside;
    };
    const struct {
        const char* Name;
        TFaceShape Shape;
        TCenterShape Center;
        bool SubtractHole;
        std::vector<THit> Hits;
    } cases[] = {
        // Margin rectangle (80, 180, 1320, 1420) of the face (100, 200, 1300, 1400).
        {"rect",
         fsRect,
         csEllipse,
         true,
         {{80, 180, true},
          {1319, 1419, true},
          {1320, 800, false},
          {800, 1420, false},
          {79, 800, false},
          {800, 179, false}}},
        {"ellipse",
         fsEllipse,
         csEllipse,
         true,
         {{700, 800, true},
          {81, 800, true},
          {700, 181, true},
          {1318, 800, true},
          {79, 800, false},
          {700, 1421, false},
          {85, 185, false},
          {1315, 1415, false}}},
        // The hole's margin rectangle is (475, 575, 925, 1025).
        {"doughnut with hole",
         fsDoughnut,
         csEllipse,
         true,
         {{700, 800, false},
          {478, 800, false},
          {472, 800, true},
          {700, 1028, true},
          {700, 1022, false},
          {81, 800, true}}},
        {"doughnut without hole",
         fsDoughnut,
         csEllipse,
         false,
         {{700, 800, true}, {478, 800, true}}},
        // Corners rounded with a diameter of 100.
        {"round rect",
         fsRoundRect,
         csEllipse,
         true,
         {{80, 180, false},
          {83, 183, false},
          {130, 180, true},
          {80, 230, true},
          {1319, 1419, false},
          {1269, 1419, true}}},
        {"rect CD",
         fsRectCD,
         csEllipse,
         true,
         {{80, 180, false}, {130, 180, true}, {700, 800, false}, {472, 800, true}}},
        // A barrel hole (475, 575, 925, 1025) cut straight at the left and right.
        {"rect CD with barrel hole",
         fsRectCD,
         csBarrel,
         true,
         {{700, 800, false},
          {477, 800, false},
          {473, 800, true},
          {477, 600, true},
          {700, 577, false}}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.Name);
        TFaceInfo f;
        SetFace(f, k.Shape, TRect(100, 200, 1300, 1400));
        f.SetFaceMargin(20);
        f.SetCenterShape(k.Center);
        const TRegion r = f.CreateRegion(nullptr, k.SubtractHole);
        for (const THit& h : k.Hits)
            EXPECT_EQ(r.PtInRegion(h.X, h.Y), h.Inside) << h.X << "," << h.Y;
    }
}

TEST(FaceInfo, BarrelRegionEdges) {
    TFaceInfo f;
    SetFace(f, fsBarrelCD, TRect(0, 0, 1000, 1200));
    f.SetCutCenterSize(0);
    const TRegion r = f.CreateRegion(nullptr, true);
    const struct {
        int X, Y;
        bool Inside;
    } hits[] = {
        {0, 268, true},   {0, 600, true},     {0, 931, true},    {999, 300, true},
        {-1, 600, false}, {1000, 600, false}, {0, 200, false},   {60, 200, true},
        {500, 1, true},   {500, -1, false},   {500, 1198, true}, {500, 1201, false},
        {5, 5, false},    {995, 1195, false}, {500, 600, true},
    };
    for (const auto& h : hits)
        EXPECT_EQ(r.PtInRegion(h.X, h.Y), h.Inside) << h.X << "," << h.Y;
    const TRect box = r.Box();
    EXPECT_EQ(box.Left, 0);
    EXPECT_EQ(box.Right, 1000);
    EXPECT_LE(box.Top, 1);
    EXPECT_GE(box.Bottom, 1199);
}

TEST(FaceInfo, RegionInDevicePixels) {
    TBitmap b(10, 10);
    TCanvas& c = b.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(10, 10);
    c.SetViewportExtEx(1, 1);
    c.SetViewportOrgEx(5, 5);
    TFaceInfo f;
    SetFace(f, fsRoundRect, TRect(100, 200, 1300, 1400));
    f.SetFaceMargin(20);
    f.SetRoundSize(200);
    // Margin rectangle (80, 180, 1320, 1420) is device (13, 23, 137, 147), corners 20 px.
    const TRegion r = f.CreateRegion(&c, false);
    EXPECT_EQ(r.Box(), TRect(13, 23, 137, 147));
    EXPECT_TRUE(r.PtInRegion(75, 23));
    EXPECT_TRUE(r.PtInRegion(13, 85));
    EXPECT_FALSE(r.PtInRegion(14, 24));
    EXPECT_TRUE(r.PtInRegion(136, 85));
    EXPECT_FALSE(r.PtInRegion(137, 85));

    // A barrel face maps its rectangle first, then builds the shape in device pixels.
    SetFace(f, fsBarrelCD, TRect(100, 200, 1100, 1400));
    f.SetFaceMargin(0);
    const TRegion barrel = f.CreateRegion(&c, false);
    const TRect box = barrel.Box();
    EXPECT_EQ(box.Left, 15);
    EXPECT_EQ(box.Right, 115);
    EXPECT_NEAR(box.Top, 25, 1);
    EXPECT_NEAR(box.Bottom, 145, 1);
    EXPECT_TRUE(barrel.PtInRegion(15, 85));
    EXPECT_FALSE(barrel.PtInRegion(14, 85));
}

TEST(FaceInfo, DrawingPlacesAndOmits) {
    TFaceInfo f;
    SetFace(f, fsDoughnut, TRect(20, 20, 60, 60));
    f.SetCutCenterSize(20); // the hole is (30, 30, 50, 50)
    auto blank = [] {
        TBitmap b(64, 64);
        b.Fill(clWhite);
        b.Canvas().Brush().SetColor(clBlue);
        b.Canvas().Pen().SetStyle(psClear);
        return b;
    };

    // Without a margin there is no cut line to draw.
    TBitmap b = blank();
    f.DrawCutLine(b.Canvas(), false);
    EXPECT_EQ(b.ToQImage(), blank().ToQImage());

    // The centre hole at its own place, or moved to the origin.
    b = blank();
    f.DrawCenterHole(b.Canvas(), false);
    EXPECT_EQ(b.GetPixel(40, 40), clBlue);
    EXPECT_EQ(b.GetPixel(10, 10), clWhite);
    b = blank();
    f.DrawCenterHole(b.Canvas(), true);
    EXPECT_EQ(b.GetPixel(10, 10), clBlue);
    EXPECT_EQ(b.GetPixel(40, 40), clWhite);

    // Shapes without a hole draw none.
    f.SetFaceShape(fsEllipse);
    b = blank();
    f.DrawCenterHole(b.Canvas(), false);
    EXPECT_EQ(b.ToQImage(), blank().ToQImage());

    // With AtOrigin the outline starts at (0, 0).
    f.SetFaceShape(fsRect);
    b = blank();
    f.DrawOutline(b.Canvas(), true, false);
    EXPECT_EQ(b.GetPixel(0, 0), clBlue);
    EXPECT_EQ(b.GetPixel(37, 37), clBlue);
    EXPECT_EQ(b.GetPixel(41, 41), clWhite);
}
