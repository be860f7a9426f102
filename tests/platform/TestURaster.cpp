#include "UBitmap.h"
#include "UCanvas.h"
#include "URaster.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace {

struct TPixel {
    int64_t X, Y;
    bool operator==(const TPixel&) const = default;
};

// The plain stepper over every pixel of a segment, end point left out, in 64 bits.
std::vector<TPixel> ReferenceWalk(QPoint A, QPoint B) {
    std::vector<TPixel> out;
    const int64_t dx = std::abs(int64_t(B.x()) - A.x()), dy = -std::abs(int64_t(B.y()) - A.y());
    const int sx = A.x() < B.x() ? 1 : -1, sy = A.y() < B.y() ? 1 : -1;
    int64_t err = dx + dy, x = A.x(), y = A.y();
    while (x != B.x() || y != B.y()) {
        out.push_back({x, y});
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return out;
}

// What the clipped walk gives for one segment: the visible pixels and the skipped counts
// before and after them.
struct TClippedWalk {
    std::vector<TPixel> Pixels;
    int64_t Before = 0, After = 0;
};

TClippedWalk ClippedWalk(QPoint A, QPoint B, const QRect& Bounds) {
    TClippedWalk w;
    ForEachLinePixel(
        {A, B}, false, Bounds,
        [&](int x, int y) {
            w.Pixels.push_back({x, y});
        },
        [&](int64_t n) { (w.Pixels.empty() ? w.Before : w.After) += n; });
    return w;
}

} // namespace

TEST(LineWalk, ClippedWalkMatchesTheReferenceInsideTheBounds) {
    std::mt19937 rng(7);
    const QRect bounds(10, -5, 30, 20);
    const int spans[] = {3, 40, 200, 5000};
    for (int span : spans) {
        std::uniform_int_distribution<int> coord(-span, span);
        for (int i = 0; i < 400; ++i) {
            const QPoint a(coord(rng) + 20, coord(rng)), b(coord(rng) + 20, coord(rng));
            const std::vector<TPixel> all = ReferenceWalk(a, b);
            std::vector<TPixel> inside;
            int64_t before = 0;
            for (const TPixel& p : all) {
                if (bounds.contains(int(p.X), int(p.Y)))
                    inside.push_back(p);
                else if (inside.empty())
                    ++before;
            }
            const TClippedWalk w = ClippedWalk(a, b, bounds);
            SCOPED_TRACE(testing::Message()
                         << a.x() << "," << a.y() << " -> " << b.x() << "," << b.y());
            ASSERT_EQ(w.Pixels, inside);
            EXPECT_EQ(w.Before + int64_t(w.Pixels.size()) + w.After, int64_t(all.size()));
            if (!inside.empty())
                EXPECT_EQ(w.Before, before);
        }
    }
}

TEST(LineWalk, FarOffDottedLineKeepsItsPhase) {
    TBitmap b(100, 10, pf24bit);
    b.Fill(clWhite);
    TCanvas& c = b.Canvas();
    c.Pen().SetStyle(psDot);
    c.SetBkMode(TRANSPARENT);
    const int from = -1000000000;
    // How long it takes is measured in bench/WorstCaseInputBench.
    c.MoveTo(from, 5);
    c.LineTo(1000000000, 5);
    // A dotted pen draws 3 pixels on and 3 off, counted from the line's start.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool on = y == 5 && (int64_t(x) - from) % 6 < 3;
            ASSERT_EQ(b.GetPixel(x, y), on ? clBlack : clWhite) << x << "," << y;
        }
}

TEST(LineWalk, LinesNearTheIntLimitsDrawWithoutOverflow) {
    struct Row {
        QPoint A, B;
        int Width;
    };
    const Row rows[] = {
        {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 1},
        {{INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, 1},
        {{INT_MIN, 5}, {INT_MAX, 5}, 1},
        {{INT_MIN, 5}, {INT_MAX, 5}, 3},
        {{INT_MAX - 1, INT_MAX - 1}, {INT_MAX, INT_MAX}, 4},
    };
    for (const Row& r : rows) {
        TBitmap b(50, 50, pf24bit);
        b.Fill(clWhite);
        TCanvas& c = b.Canvas();
        c.Pen().SetWidth(r.Width);
        c.MoveTo(r.A.x(), r.A.y());
        c.LineTo(r.B.x(), r.B.y());
        const TPoint poly[] = {{r.A.x(), r.A.y()}, {r.B.x(), r.B.y()}, {0, INT_MAX}};
        c.Polygon(poly, 3);
    }
    // The diagonal through the bitmap is drawn where it crosses it.
    TBitmap b(50, 50, pf24bit);
    b.Fill(clWhite);
    b.Canvas().MoveTo(INT_MIN + 1, INT_MIN + 1);
    b.Canvas().LineTo(INT_MAX, INT_MAX);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(b.GetPixel(i, i), clBlack) << i;
}
