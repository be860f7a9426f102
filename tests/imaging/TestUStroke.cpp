#include "UStroke.h"

#include "TestImageCompare.h"
#include "UAALine.h"
#include "UBitmap.h"
#include "UCanvas.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr uint8_t M = TStroke::PT_MOVETO;
constexpr uint8_t L = TStroke::PT_LINETO;
constexpr uint8_t C = TStroke::PT_BEZIERTO;
constexpr uint8_t LZ = TStroke::PT_LINETO | TStroke::PT_CLOSEFIGURE;
constexpr uint8_t CZ = TStroke::PT_BEZIERTO | TStroke::PT_CLOSEFIGURE;

struct TEntry {
    int X, Y;
    uint8_t Type;
    friend bool operator==(const TEntry&, const TEntry&) = default;
};

std::vector<TEntry> Entries(const TStroke& S) {
    std::vector<TEntry> out;
    for (int i = 0; i < S.GetCount(); ++i)
        out.push_back({S.GetPoint(i).x, S.GetPoint(i).y, S.GetPointType(i)});
    return out;
}

TStroke Make(const std::vector<TEntry>& Entries) {
    TStroke s;
    for (const TEntry& e : Entries)
        s.AddPoint(e.X, e.Y, e.Type);
    return s;
}

// Records the calls a replay makes, as text.
class TRecordingSink : public TStrokeSink {
public:
    void MoveTo(const TPoint& P) override { Calls.push_back("M" + Text(P)); }
    void LineTo(const TPoint& P) override { Calls.push_back("L" + Text(P)); }
    void PolylineTo(std::span<const TPoint> Points) override {
        std::string s = "P";
        for (const TPoint& p : Points)
            s += Text(p);
        Calls.push_back(s);
    }
    void CloseFigure() override { Calls.push_back("Z"); }
    // A device ten times coarser than the logical units.
    TPoint ToDevice(const TPoint& P) const override {
        return Coarse ? TPoint(P.x / 10, P.y / 10) : P;
    }

    static std::string Text(const TPoint& P) {
        return "(" + std::to_string(P.x) + "," + std::to_string(P.y) + ")";
    }
    std::vector<std::string> Calls;
    bool Coarse = false;
};

} // namespace

TEST(Stroke, CountBoundsAndAssign) {
    TStroke s;
    EXPECT_EQ(s.GetBounds(), TRect());
    s.AddPoint(5, -3, M);
    s.AddPoint(-2, 7, L);
    s.AddPoint(9, 1, LZ);
    EXPECT_EQ(s.GetCount(), 3);
    EXPECT_EQ(s.GetBounds(), TRect(-2, -3, 9, 7)); // Right and Bottom included
    s.SetCount(5);
    EXPECT_EQ(s.GetPoint(4), TPoint(0, 0));
    EXPECT_EQ(s.GetPointType(4), 0);
    TStroke copy;
    copy.Assign(s);
    EXPECT_EQ(copy, s);
    s.Clear();
    EXPECT_EQ(s.GetCount(), 0);
    EXPECT_EQ(copy.GetCount(), 5);
}

TEST(Stroke, Shapes) {
    TStroke r;
    r.SetRect(TRect(1, 2, 30, 40));
    EXPECT_EQ(Entries(r), (std::vector<TEntry>{{1, 2, M}, {30, 2, L}, {30, 40, L}, {1, 40, LZ}}));

    TStroke e;
    e.SetEllipse(TRect(0, 0, 100, 60)); // hx = 28, hy = 17, centre (50, 30)
    EXPECT_EQ(Entries(e), (std::vector<TEntry>{{100, 30, M},
                                               {100, 13, C},
                                               {78, 0, C},
                                               {50, 0, C},
                                               {22, 0, C},
                                               {0, 13, C},
                                               {0, 30, C},
                                               {0, 47, C},
                                               {22, 60, C},
                                               {50, 60, C},
                                               {78, 60, C},
                                               {100, 47, C},
                                               {100, 30, CZ}}));
    EXPECT_EQ(e.GetBounds(), TRect(0, 0, 100, 60)); // control points reach the sides

    TStroke rr;
    rr.SetRoundRect(TRect(0, 0, 100, 50), 20); // r = 10, h = RoundOff(5.52) = 6
    EXPECT_EQ(Entries(rr),
              (std::vector<TEntry>{
                  {100, 10, M}, {100, 4, C},  {96, 0, C},   {90, 0, C},  {90, 0, L},  {10, 0, L},
                  {4, 0, C},    {0, 4, C},    {0, 10, C},   {0, 10, L},  {0, 40, L},  {0, 46, C},
                  {4, 50, C},   {10, 50, C},  {10, 50, L},  {90, 50, L}, {96, 50, C}, {100, 46, C},
                  {100, 40, C}, {100, 40, L}, {100, 10, LZ}}));

    TStroke square;
    square.SetRoundRect(TRect(0, 0, 8, 6), 0); // zero-length corner curves
    ASSERT_EQ(square.GetCount(), 21);
    for (const TEntry& p : Entries(square))
        EXPECT_TRUE((p.X == 0 || p.X == 8) && (p.Y == 0 || p.Y == 6)) << p.X << "," << p.Y;
}

TEST(Stroke, SubdivideClosedSquare) {
    TStroke s;
    s.SetRect(TRect(0, 0, 100, 100));
    s.Subdivide();
    const std::vector<TEntry> e = Entries(s);
    // MOVETO, its duplicate, 12 inner points on each side plus each corner; the closing side
    // drops its last inner point (0, 4) and ends at (0, 12) as the closing LINETO.
    ASSERT_EQ(e.size(), 52u);
    EXPECT_EQ(e[0], (TEntry{0, 0, M}));
    EXPECT_EQ(e[1], (TEntry{0, 0, L}));
    EXPECT_EQ(e[2], (TEntry{8, 0, L}));
    EXPECT_EQ(e[13], (TEntry{96, 0, L}));
    EXPECT_EQ(e[14], (TEntry{100, 0, L}));
    EXPECT_EQ(e[40], (TEntry{0, 100, L}));
    EXPECT_EQ(e[51], (TEntry{0, 12, LZ}));
    for (size_t i = 1; i + 1 < e.size(); ++i)
        EXPECT_EQ(e[i].Type, L) << i;
}

TEST(Stroke, SubdivideCounts) {
    struct Row {
        const char* Name;
        std::vector<TEntry> In;
        int Count;
        TEntry Last;
    } rows[] = {
        {"empty", {}, 0, {}},
        // 0 -> 20: 0, 8, 16 then the kept end point.
        {"open line", {{0, 0, M}, {20, 0, L}}, 5, {20, 0, L}},
        // Exactly 8 long: no inner point.
        {"short line", {{0, 0, M}, {8, 0, L}}, 3, {8, 0, L}},
        {"open polyline", {{0, 0, M}, {0, 10, L}, {30, 10, L}}, 8, {30, 10, L}},
        // A closing side no longer than a step keeps its corner.
        {"short closing side", {{0, 0, M}, {40, 0, L}, {5, 5, LZ}}, 12, {5, 5, LZ}},
        // A run ends at a Bezier group, which is copied unchanged.
        {"line then curve",
         {{0, 0, M}, {16, 0, L}, {20, 5, C}, {25, 5, C}, {30, 0, C}},
         7,
         {30, 0, C}},
        // A Bezier group cut short is copied as far as it goes.
        {"cut group", {{0, 0, M}, {5, 5, C}, {9, 9, C}}, 3, {9, 9, C}},
        {"two figures", {{0, 0, M}, {10, 0, L}, {50, 50, M}, {50, 60, L}}, 8, {50, 60, L}},
    };
    for (const Row& r : rows) {
        TStroke s = Make(r.In);
        s.Subdivide();
        ASSERT_EQ(s.GetCount(), r.Count) << r.Name;
        if (r.Count > 0) {
            EXPECT_EQ(Entries(s).back(), r.Last) << r.Name;
        }
    }
    // The second figure starts from its own MOVETO point.
    TStroke two = Make({{0, 0, M}, {10, 0, L}, {50, 50, M}, {50, 60, L}});
    two.Subdivide();
    EXPECT_EQ(Entries(two)[5], (TEntry{50, 50, L}));
}

TEST(Stroke, SubdivideKeepsEveryPointWithinAStep) {
    TStroke s = Make({{3, -7, M}, {250, 90, L}, {-40, 130, L}, {17, 11, LZ}});
    s.Subdivide();
    const std::vector<TEntry> e = Entries(s);
    for (size_t i = 1; i < e.size(); ++i)
        EXPECT_LE(std::hypot(e[i].X - e[i - 1].X, e[i].Y - e[i - 1].Y), 8.0 + 1.5) << i;
    EXPECT_LE(std::hypot(e.back().X - 3, e.back().Y + 7), 16.0 + 1.5);
}

TEST(Stroke, SubdivideOfAHugeSegmentStaysBounded) {
    // A damaged document can hold coordinates far beyond any page; the pieces grow instead
    // of the point count.
    TStroke s = Make({{-2000000000, 0, M}, {2000000000, 5, L}});
    s.Subdivide();
    EXPECT_LE(s.GetCount(), TStroke::MaxSegmentPieces + 4);
    EXPECT_EQ(Entries(s).back(), (TEntry{2000000000, 5, L}));
}

TEST(Stroke, ReplayTypes) {
    struct Row {
        const char* Name;
        std::vector<TEntry> In;
        std::vector<std::string> Calls;
    } rows[] = {
        {"empty", {}, {}},
        {"rect",
         {{0, 0, M}, {10, 0, L}, {10, 10, L}, {0, 10, LZ}},
         {"M(0,0)", "P(10,0)(10,10)", "L(0,10)", "L(0,0)", "Z"}},
        {"two figures",
         {{0, 0, M}, {5, 0, L}, {7, 7, M}, {8, 8, LZ}},
         {"M(0,0)", "P(5,0)", "M(7,7)", "L(8,8)", "L(7,7)", "Z"}},
        {"unknown type stops", {{0, 0, M}, {5, 0, 9}, {6, 6, L}}, {"M(0,0)", "Z"}},
        {"cut Bezier group stops",
         {{0, 0, M}, {5, 0, L}, {6, 6, C}, {7, 7, C}},
         {"M(0,0)", "P(5,0)", "Z"}},
    };
    for (const Row& r : rows) {
        TRecordingSink sink;
        Make(r.In).Replay(sink);
        EXPECT_EQ(sink.Calls, r.Calls) << r.Name;
    }
}

TEST(Stroke, ReplayFlattensBeziers) {
    // A straight "curve" along x: its flattened points are the rounded Bernstein values.
    TStroke s = Make({{0, 0, M}, {630, 0, C}, {1260, 0, C}, {1890, 0, CZ}});
    TRecordingSink fine;
    s.Replay(fine);
    ASSERT_EQ(fine.Calls.size(), 1u + 63u + 2u);
    EXPECT_EQ(fine.Calls[1], "L(30,0)"); // evenly spaced controls: t = 1/63 gives 1890 / 63
    EXPECT_EQ(fine.Calls[63], "L(1890,0)");
    EXPECT_EQ(fine.Calls[64], "L(0,0)"); // closing group returns to the figure start
    EXPECT_EQ(fine.Calls[65], "Z");

    // On a coarse device, points that land on the pixel drawn last are skipped.
    TStroke tiny = Make({{0, 0, M}, {3, 0, C}, {6, 0, C}, {9, 0, C}});
    TRecordingSink coarse;
    coarse.Coarse = true;
    tiny.Replay(coarse);
    EXPECT_EQ(coarse.Calls, (std::vector<std::string>{"M(0,0)"}));
    TStroke longer = Make({{0, 0, M}, {10, 0, C}, {20, 0, C}, {30, 0, C}});
    TRecordingSink coarse2;
    coarse2.Coarse = true;
    longer.Replay(coarse2);
    // One line-to per device column 1, 2 and 3.
    ASSERT_EQ(coarse2.Calls.size(), 4u);
    EXPECT_EQ(coarse2.Calls.back(), "L(30,0)");
}

namespace {

// The path a canvas recorded, as entries in logical units.
std::vector<TEntry> PathOf(const TCanvas& Canvas) {
    TStroke s;
    s.AppendPath(Canvas);
    return Entries(s);
}

// A cubic S-curve and a closing curve back, in one figure.
TStroke BezierStroke() {
    return Make(
        {{4, 40, M}, {4, 4, C}, {44, 44, C}, {44, 8, C}, {30, 2, C}, {10, 30, C}, {4, 40, CZ}});
}

// An 8-bit alpha map of zeros.
TBitmap AlphaMap(int W, int H) {
    TBitmap b(W, H, pf8bit);
    for (int y = 0; y < H; ++y)
        std::fill_n(b.ScanLine(y), W, 0);
    return b;
}

} // namespace

TEST(Stroke, DrawMatchesGolden) {
    struct Row {
        const char* Golden;
        TStroke Shape;
    };
    TStroke rect, ellipse, round;
    rect.SetRect(TRect(4, 6, 43, 40));
    ellipse.SetEllipse(TRect(3, 8, 45, 40));
    round.SetRoundRect(TRect(4, 4, 44, 44), 20);
    const Row rows[] = {
        {"stroke/rect.png", rect},
        {"stroke/ellipse.png", ellipse},
        {"stroke/roundrect.png", round},
        {"stroke/bezier.png", BezierStroke()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Golden);
        TBitmap b(48, 48);
        b.Fill(clWhite);
        TCanvas& c = b.Canvas();
        c.Pen().SetColor(clBlack);
        c.Pen().SetWidth(0);
        r.Shape.Draw(c);
        // The same stroke as a path, filled beside it on a second row of the picture.
        TBitmap filled(48, 48);
        filled.Fill(clWhite);
        TCanvas& f = filled.Canvas();
        f.Brush().SetColor(clBlue);
        r.Shape.MakePath(f);
        f.FillPath();
        QImage both(96, 48, QImage::Format_RGB32);
        QPainter p(&both);
        p.drawImage(0, 0, b.ToQImage());
        p.drawImage(48, 0, filled.ToQImage());
        p.end();
        TestImages::ExpectMatchesGolden(both, r.Golden);
    }
}

TEST(Stroke, DrawIntoPath) {
    TBitmap b(8, 8);
    TCanvas& c = b.Canvas();

    // An empty stroke gives an empty closed figure, so the bracket is still usable.
    TStroke().MakePath(c);
    EXPECT_EQ(PathOf(c), (std::vector<TEntry>{{0, 0, M}, {0, 0, LZ}}));

    // A closing line-to draws to the point and back to the figure start.
    TStroke rect;
    rect.SetRect(TRect(1, 2, 30, 40));
    rect.MakePath(c);
    EXPECT_EQ(PathOf(c),
              (std::vector<TEntry>{{1, 2, M}, {30, 2, L}, {30, 40, L}, {1, 40, L}, {1, 2, LZ}}));

    // Several figures, an open one among them.
    TStroke two = Make({{0, 0, M}, {5, 0, L}, {5, 5, L}, {10, 10, M}, {20, 10, LZ}});
    two.MakePath(c);
    EXPECT_EQ(PathOf(c),
              (std::vector<TEntry>{
                  {0, 0, M}, {5, 0, L}, {5, 5, L}, {10, 10, M}, {20, 10, L}, {10, 10, LZ}}));
}

TEST(Stroke, DrawSkipsCurvePointsOnTheSamePixel) {
    TBitmap b(8, 8);
    TCanvas& c = b.Canvas();
    TStroke curve = Make({{0, 0, M}, {300, 0, C}, {600, 300, C}, {600, 600, C}});
    curve.MakePath(c);
    EXPECT_EQ(PathOf(c).size(), 1u + 63u);

    // At a tenth of the size many flattened points share a device pixel.
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(100, 100);
    c.SetViewportExtEx(1, 1);
    curve.MakePath(c);
    const std::vector<TEntry> coarse = PathOf(c);
    EXPECT_LT(coarse.size(), 64u);
    EXPECT_GT(coarse.size(), 2u);
    EXPECT_EQ(coarse.back().X, 600);
    EXPECT_EQ(coarse.back().Y, 600);
}

TEST(Stroke, AppendPathAddsToTheStroke) {
    TBitmap b(8, 8);
    TCanvas& c = b.Canvas();
    TStroke s = Make({{7, 7, M}});
    s.AppendPath(c); // no path yet: nothing changes
    EXPECT_EQ(Entries(s), (std::vector<TEntry>{{7, 7, M}}));

    c.BeginPath();
    c.MoveTo(1, 1);
    c.LineTo(4, 1);
    c.LineTo(4, 4);
    c.CloseFigure();
    c.EndPath();
    s.AppendPath(c);
    EXPECT_EQ(Entries(s), (std::vector<TEntry>{{7, 7, M}, {1, 1, M}, {4, 1, L}, {4, 4, LZ}}));

    // Device points come back in logical units.
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(10, 10);
    c.SetViewportExtEx(1, 1);
    c.BeginPath();
    c.MoveTo(20, 30);
    c.LineTo(50, 30);
    c.EndPath();
    TStroke t;
    t.AppendPath(c);
    EXPECT_EQ(Entries(t), (std::vector<TEntry>{{20, 30, M}, {50, 30, L}}));
}

TEST(Stroke, DrawAntialiasedIsSymmetric) {
    // A diamond and a circle centred in an odd-sized map come out mirror-symmetric both ways.
    TStroke diamond = Make({{20, 3, M}, {37, 20, L}, {20, 37, L}, {3, 20, LZ}});
    TStroke circle;
    circle.SetEllipse(TRect(5, 5, 35, 35)); // Bezier control points symmetric about 20
    for (const TStroke* shape : {&diamond, &circle}) {
        for (double halfWidth : {0.6, 2.5}) {
            SCOPED_TRACE(halfWidth);
            TBitmap map = AlphaMap(41, 41);
            TAALineAlphaMap painter;
            painter.SetHalfWidth(halfWidth);
            shape->DrawAntialiased(map, painter);
            int painted = 0, mismatches = 0;
            for (int y = 0; y < 41; ++y) {
                const uint8_t* row = map.ScanLine(y);
                const uint8_t* flipped = map.ScanLine(40 - y);
                for (int x = 0; x < 41; ++x) {
                    painted += row[x] != 0;
                    mismatches += row[x] != row[40 - x];
                    mismatches += row[x] != flipped[x];
                }
            }
            EXPECT_GT(painted, 60);
            EXPECT_EQ(mismatches, 0);
            // The outline is drawn, the inside left alone.
            EXPECT_EQ(map.ScanLine(20)[20], 0);
        }
    }
}

TEST(Stroke, DrawAntialiasedFollowsTheMapping) {
    TStroke line = Make({{0, 50, M}, {200, 50, L}});
    TBitmap map = AlphaMap(30, 12);
    TCanvas& c = map.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(10, 10);
    c.SetViewportExtEx(1, 1);
    line.DrawAntialiased(map);
    EXPECT_GT(map.ScanLine(5)[10], 128); // device row 5, columns 0..20
    EXPECT_EQ(map.ScanLine(5)[25], 0);
    EXPECT_EQ(map.ScanLine(0)[10], 0);

    // Other pixel formats are left alone.
    TBitmap rgb(30, 12);
    rgb.Fill(clBlack);
    line.DrawAntialiased(rgb);
    EXPECT_EQ(rgb.GetPixel(10, 5), clBlack);
}
