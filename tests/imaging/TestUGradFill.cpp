#include "UGradFill.h"

#include "TestImageCompare.h"
#include "UCanvas.h"
#include "UMemoryCanvas.h"
#include "URaster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Green = 0x00FF00;

// A canvas answering a printer's capabilities and drawing on a selected bitmap.
class TPrinterLikeCanvas : public TMemoryCanvas {
public:
    explicit TPrinterLikeCanvas(TBitmap& Bitmap) {
        TDeviceCaps caps;
        caps.Technology = DT_RASPRINTER;
        caps.LogPixelsX = caps.LogPixelsY = 300;
        caps.HorzRes = Bitmap.Width();
        caps.VertRes = Bitmap.Height();
        SetReferenceDevice(caps);
        SelectBitmap(&Bitmap);
    }

protected:
    TBitmap* GetBitmapHandle() override { return nullptr; }
};

struct TRgb {
    int R, G, B;
};

TRgb Pixel(const TBitmap& B, int X, int Y) {
    const uint8_t* p = B.ScanLine(Y) + X * 3;
    return {p[2], p[1], p[0]};
}

TRgb Channels(TColor C) {
    return {C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF};
}

// The ramp position 0..1 of grid cell (x, y) from the shapes' geometry in real numbers,
// computed apart from the 16.16 code.
double RealPosition(rgGradationKind Kind, int Angle, int x, int y) {
    const double X = 2.0 * x / 127 - 1, Y = 2.0 * y / 127 - 1;
    const double theta = (360 - Angle) * std::numbers::pi / 180;
    const double c = std::cos(theta), s = std::sin(theta);
    const double m = std::max(std::fabs(c), std::fabs(s));
    switch (Kind) {
    case rgkSimple:
        return std::clamp(0.5 + 0.5 * m * (c * Y + s * X), 0.0, 1.0);
    case rgkBoxToRim:
    case rgkBoxToCenter: {
        const double v =
            std::min(m * std::max(std::fabs(c * Y + s * X), std::fabs(c * X - s * Y)), 1.0);
        return Kind == rgkBoxToRim ? 1 - v : v;
    }
    case rgkCircleToRim:
    case rgkCircleToCenter: {
        const double v = std::min(std::hypot(x - 63.5, y - 63.5) / (std::sqrt(2.0) * 63.5), 1.0);
        return Kind == rgkCircleToRim ? 1 - v : v;
    }
    default: {
        double a = std::atan2(x - 63.5, y - 63.5) + Angle * std::numbers::pi / 180;
        while (a < -std::numbers::pi)
            a += 2 * std::numbers::pi;
        while (a > std::numbers::pi)
            a -= 2 * std::numbers::pi;
        const double v = (a + std::numbers::pi) / (2 * std::numbers::pi);
        return Kind == rgkConeClockwise ? 1 - v : v;
    }
    }
}

TRgb Lerp(TColor A, TColor B, double T) {
    const TRgb a = Channels(A), b = Channels(B);
    return {static_cast<int>(std::lround(a.R + (b.R - a.R) * T)),
            static_cast<int>(std::lround(a.G + (b.G - a.G) * T)),
            static_cast<int>(std::lround(a.B + (b.B - a.B) * T))};
}

struct TShapeCase {
    rgGradationKind Kind;
    int Angle;
    const char* Name;
};

const TShapeCase Shapes[] = {
    {rgkSimple, 270, "simple270"},          {rgkSimple, 30, "simple30"},
    {rgkBoxToRim, 0, "boxtorim"},           {rgkBoxToCenter, 20, "boxtocenter20"},
    {rgkCircleToRim, 0, "circletorim"},     {rgkCircleToCenter, 0, "circletocenter"},
    {rgkConeClockwise, 0, "coneclockwise"}, {rgkConeCounterClockwise, 90, "conecounter90"},
};

// Red to blue at real position t; the cone repeats its first colour at the end.
TRgb WantedColour(rgGradationKind Kind, double t) {
    if (Kind != rgkConeClockwise && Kind != rgkConeCounterClockwise)
        return Lerp(Red, Blue, t);
    return t < 0.5 ? Lerp(Red, Blue, 2 * t) : Lerp(Blue, Red, 2 * t - 1);
}

} // namespace

TEST(GradFill, DirectionTableBothWays) {
    const struct {
        rgGradationDir Dir;
        rgGradationKind Kind;
        int Angle;
    } rows[] = {{rgdLeftToRight, rgkSimple, 270},
                {rgdRightToLeft, rgkSimple, 90},
                {rgdTopToBottom, rgkSimple, 0},
                {rgdBottomToTop, rgkSimple, 180},
                {rgdLeftTopToRightBottom, rgkSimple, 315},
                {rgdRightTopToLeftBottom, rgkSimple, 45},
                {rgdRightBottomToLeftTop, rgkSimple, 135},
                {rgdLeftBottomToRightTop, rgkSimple, 225},
                {rgdCenterToRim, rgkBoxToRim, 0},
                {rgdRimToCenter, rgkBoxToCenter, 0}};
    for (const auto& r : rows) {
        EXPECT_EQ(DirToAngle(r.Dir), r.Angle);
        EXPECT_EQ(KindAngleToDir(r.Kind, r.Angle), r.Dir);
    }
    EXPECT_EQ(KindAngleToDir(rgkSimple, 10), rgdLeftToRight);
    EXPECT_EQ(KindAngleToDir(rgkCircleToRim, 90), rgdLeftToRight);
    EXPECT_EQ(KindAngleToDir(rgkBoxToCenter, 45), rgdRimToCenter);
}

TEST(GradFill, MapToRampBounds) {
    EXPECT_EQ(TGradFill::MapToRamp(-5, 0, 100), 0);
    EXPECT_EQ(TGradFill::MapToRamp(100, 0, 100), 1023);
    EXPECT_EQ(TGradFill::MapToRamp(50, 0, 100), 512);
    EXPECT_EQ(TGradFill::MapToRamp(99, 0, 100), 1014);
}

// Every shape's grid against the shape's geometry in real numbers: red to blue, each pixel
// within one ramp step (plus the 16.16 truncation) of the real colour.
TEST(GradFill, GridsFollowTheShapesGeometry) {
    const TColor colors[] = {Red, Blue};
    for (const TShapeCase& s : Shapes) {
        TBitmap grid;
        RenderGradation(grid, colors, 2, s.Angle, s.Kind);
        ASSERT_EQ(grid.Width(), 128);
        int worst = 0, far = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const TRgb want = WantedColour(s.Kind, RealPosition(s.Kind, s.Angle, x, y));
                const TRgb got = Pixel(grid, x, y);
                const int d = std::max(
                    {std::abs(want.R - got.R), std::abs(want.G - got.G), std::abs(want.B - got.B)});
                worst = std::max(worst, d);
                far += d > 2;
            }
        EXPECT_EQ(far, 0) << s.Name << " worst " << worst;
    }
}

TEST(GradFill, LinearEndsArePureColours) {
    const TColor colors[] = {Red, Blue};
    TBitmap grid;
    RenderGradation(grid, colors, 2, 270, rgkSimple);
    for (int y : {0, 64, 127}) {
        EXPECT_EQ(grid.GetPixel(0, y), Red);
        EXPECT_EQ(grid.GetPixel(127, y), Blue);
    }
}

TEST(GradFill, OneColourIsFlatForEveryKind) {
    const TColor colors[] = {Green};
    for (const TShapeCase& s : Shapes) {
        TBitmap grid;
        RenderGradation(grid, colors, 1, s.Angle, s.Kind);
        for (int y = 0; y < 128; y += 7)
            for (int x = 0; x < 128; x += 5)
                ASSERT_EQ(grid.GetPixel(x, y), Green) << s.Name;
    }
}

TEST(GradFill, EquivalentAnglesGiveTheSameFill) {
    const TColor colors[] = {Red, Green, Blue};
    for (rgGradationKind kind : {rgkSimple, rgkBoxToRim, rgkConeCounterClockwise}) {
        TBitmap a, b, c, d;
        RenderGradation(a, colors, 3, -90, kind);
        RenderGradation(b, colors, 3, 270, kind);
        RenderGradation(c, colors, 3, 720, kind);
        RenderGradation(d, colors, 3, 360, kind);
        EXPECT_EQ(a.ToQImage(), b.ToQImage());
        EXPECT_EQ(c.ToQImage(), d.ToQImage());
    }
}

TEST(GradFill, ConeClosesWithoutSeam) {
    const TColor colors[] = {Red, Blue};
    TBitmap grid;
    RenderGradation(grid, colors, 2, 0, rgkConeCounterClockwise);
    // Straight up from the centre is the seam (angle -pi/pi): both sides are nearly red.
    const TRgb left = Pixel(grid, 63, 2), right = Pixel(grid, 64, 2);
    EXPECT_GE(left.R, 240);
    EXPECT_GE(right.R, 240);
    EXPECT_LE(std::abs(left.B - right.B), 16);
}

// Lists longer than 256 colours keep every colour: the last ramp entries are the last colour.
TEST(GradFill, LongColourListsUseEveryColour) {
    std::vector<TColor> colors(300, Red);
    colors.back() = Blue;
    colors[298] = Blue;
    TBitmap grid;
    RenderGradation(grid, colors.data(), static_cast<int>(colors.size()), 270, rgkSimple);
    EXPECT_EQ(grid.GetPixel(127, 10), Blue);
}

TEST(GradFill, EmptyListPaintsNothing) {
    TBitmap target(20, 10);
    target.Fill(Green);
    GradFill(target.Canvas(), TRect(0, 0, 20, 10), nullptr, 0, false, 270, rgkSimple);
    const TColor none[] = {Red};
    GradFill(target.Canvas(), TRect(0, 0, 20, 10), none, 0, false, 270, rgkSimple);
    EXPECT_EQ(target.GetPixel(5, 5), Green);
}

TEST(GradFill, InvertXorsAndKeepsCopyMode) {
    TBitmap target(16, 16);
    target.Fill(0xFFFFFF);
    target.Canvas().SetCopyMode(MERGEPAINT);
    const TColor colors[] = {Red};
    GradFill(target.Canvas(), TRect(0, 0, 16, 16), colors, 1, true, 0, rgkSimple);
    EXPECT_EQ(target.Canvas().CopyMode(), static_cast<uint32_t>(MERGEPAINT));
    EXPECT_EQ(target.GetPixel(8, 8), 0xFFFF00); // white xor red
}

// Each shape at two sizes on a screen canvas against committed golden images.
TEST(GradFill, ScreenFillsMatchGoldenImages) {
    const TColor colors[] = {Red, 0x00FFFF, Blue};
    for (const TShapeCase& s : Shapes)
        for (const QSize size : {QSize(64, 40), QSize(200, 150)}) {
            TBitmap target(size.width(), size.height());
            target.Fill(0x777777);
            GradFill(target.Canvas(), TRect(0, 0, size.width(), size.height()), colors, 3, false,
                     s.Angle, s.Kind);
            TestImages::ExpectMatchesGolden(target.ToQImage(),
                                            QStringLiteral("imaging/gradients/%1_%2x%3.png")
                                                .arg(QLatin1String(s.Name))
                                                .arg(size.width())
                                                .arg(size.height()),
                                            1);
        }
}

// On a printer the 128 x 128 grid is resampled to the rectangle's full size; drawing the
// page band by band gives exactly the pixels of one whole-page render.
TEST(GradFill, PrinterBandsEqualWholePage) {
    const TColor colors[] = {Red, Green, Blue};
    const TRect area(13, 7, 13 + 301, 7 + 413);
    for (const TShapeCase& s : Shapes) {
        TBitmap page(330, 430);
        page.Fill(0xFFFFFF);
        {
            TPrinterLikeCanvas canvas(page);
            GradFill(canvas, area, colors, 3, false, s.Angle, s.Kind);
        }
        // Not the 128-grid stretched: neighbouring pixels differ by small steps.
        EXPECT_NE(page.GetPixel(14, 8), page.GetPixel(314, 419)) << s.Name;
        const int bandHeight = 97;
        for (int top = 0; top < page.Height(); top += bandHeight) {
            const int h = std::min(bandHeight, page.Height() - top);
            TBitmap band(page.Width(), h);
            band.Fill(0xFFFFFF);
            {
                TPrinterLikeCanvas canvas(band);
                canvas.SetWindowOrgEx(0, top);
                GradFill(canvas, area, colors, 3, false, s.Angle, s.Kind);
            }
            for (int y = 0; y < h; ++y)
                ASSERT_EQ(0,
                          std::memcmp(band.ScanLine(y), page.ScanLine(top + y), page.Width() * 3))
                    << s.Name << " row " << top + y;
        }
    }
}

TEST(GradFill, PrinterOutputHasFullPixelSize) {
    const TColor colors[] = {Red, Blue};
    TBitmap page(600, 20);
    page.Fill(0xFFFFFF);
    TPrinterLikeCanvas canvas(page);
    GradFill(canvas, TRect(0, 0, 600, 20), colors, 2, false, 270, rgkSimple);
    // A linear resample: every column has its own colour step (no 128-wide blocks of
    // nearly five pixels).
    int changes = 0;
    for (int x = 1; x < 600; ++x)
        changes += page.GetPixel(x, 10) != page.GetPixel(x - 1, 10);
    EXPECT_GT(changes, 300);
    EXPECT_EQ(page.GetPixel(0, 10), Red);
    EXPECT_EQ(page.GetPixel(599, 10), Blue);
}

// A list running R times gives the same pixels as the list written out R times, for every
// shape (the cone closes on the first colour either way), including repeats far past the
// ramp's 1024 entries.
TEST(GradFill, RepeatedListEqualsWrittenOutList) {
    const std::vector<TColor> colors{Red, Green, Blue};
    for (const TShapeCase& s : Shapes)
        for (const int repeat : {1, 2, 5, 341, 342, 1024}) {
            std::vector<TColor> expanded;
            for (int r = 0; r < repeat; ++r)
                expanded.insert(expanded.end(), colors.begin(), colors.end());
            TBitmap repeated, written;
            RenderGradation(repeated, colors.data(), 3, s.Angle, s.Kind, repeat);
            RenderGradation(written, expanded.data(), static_cast<int>(expanded.size()), s.Angle,
                            s.Kind);
            for (int y = 0; y < GradGridSize; ++y)
                ASSERT_EQ(0,
                          std::memcmp(repeated.ScanLine(y), written.ScanLine(y), GradGridSize * 3))
                    << s.Name << " x" << repeat << " row " << y;
        }
}
