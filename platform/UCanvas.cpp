#include "UCanvas.h"

#include "UBitmap.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPathStroker>
#include <QScreen>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int ScaleRound(int64_t V, int64_t Num, int64_t Den) {
    return MulDivRound(V, Num, Den);
}

// A clip base standing for "no clip region": far larger than any bitmap.
const QRect& UnlimitedRect() {
    static const QRect r(-(1 << 28), -(1 << 28), 1 << 29, 1 << 29);
    return r;
}

QRect Normalised(int L, int T, int R, int B) {
    if (L > R)
        std::swap(L, R);
    if (T > B)
        std::swap(T, B);
    return QRect(L, T, R - L, B - T);
}

// 8 x 8 hatches, bit 7 leftmost.
const uint8_t* HatchBits(TBrushStyle Style) {
    static const uint8_t horizontal[8] = {0, 0, 0, 0xFF, 0, 0, 0, 0};
    static const uint8_t vertical[8] = {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08};
    static const uint8_t fdiagonal[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
    static const uint8_t bdiagonal[8] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
    static const uint8_t cross[8] = {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08};
    static const uint8_t diagcross[8] = {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
    switch (Style) {
    case bsHorizontal:
        return horizontal;
    case bsVertical:
        return vertical;
    case bsFDiagonal:
        return fdiagonal;
    case bsBDiagonal:
        return bdiagonal;
    case bsCross:
        return cross;
    case bsDiagCross:
        return diagcross;
    default:
        return nullptr;
    }
}

QImage NewMask(const QRect& Box) {
    QImage m(Box.size(), QImage::Format_Grayscale8);
    m.fill(0);
    return m;
}

void FillPathInto(QImage& Mask, const QRect& Box, const QPainterPath& Path) {
    QPainter p(&Mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(-Box.topLeft());
    p.fillPath(Path, QColor(255, 255, 255));
}

// Clears the pixels of Mask that are set in Cut (both over the same box).
void SubtractMask(QImage& Mask, const QImage& Cut) {
    for (int y = 0; y < Mask.height(); ++y) {
        uint8_t* m = Mask.scanLine(y);
        const uint8_t* c = Cut.constScanLine(y);
        for (int x = 0; x < Mask.width(); ++x)
            if (c[x])
                m[x] = 0;
    }
}

// A device box collected in 64 bits, so that far-off coordinates (a damaged document, a deep
// zoom) cannot overflow while it is grown; it is cut to the drawable area before use.
struct TDeviceBox {
    int64_t L = std::numeric_limits<int64_t>::max(), T = L;
    int64_t R = std::numeric_limits<int64_t>::min(), B = R;

    void Add(int64_t X, int64_t Y) {
        L = std::min(L, X);
        R = std::max(R, X);
        T = std::min(T, Y);
        B = std::max(B, Y);
    }
    void Add(const std::vector<QPoint>& Points) {
        for (const QPoint& p : Points)
            Add(p.x(), p.y());
    }
    // The pixels covered by a path's bounds, kept within the int range.
    void Add(const QRectF& Bounds) {
        static constexpr double lim = std::numeric_limits<int>::max();
        auto clamp = [](double V) { return int64_t(std::clamp(V, -lim - 1, lim)); };
        Add(clamp(std::floor(Bounds.left())), clamp(std::floor(Bounds.top())));
        Add(clamp(std::ceil(Bounds.right()) - 1), clamp(std::ceil(Bounds.bottom()) - 1));
    }
    // Grown by Low on the left and top and High on the right and bottom, cut to Limit.
    QRect Within(int Low, int High, const QRect& Limit) const {
        if (L > R || Limit.isEmpty())
            return QRect();
        const int64_t l = std::max<int64_t>(L - Low, Limit.left());
        const int64_t t = std::max<int64_t>(T - Low, Limit.top());
        const int64_t r = std::min<int64_t>(R + High, Limit.right());
        const int64_t b = std::min<int64_t>(B + High, Limit.bottom());
        if (l > r || t > b)
            return QRect();
        return QRect(QPoint(int(l), int(t)), QPoint(int(r), int(b)));
    }
};

// Polygon of a flattened outline with integer vertices, consecutive duplicates dropped.
// The outline of a curved path as a polygon fine enough that rounding its vertices to pixels
// gives a round shape: Qt flattens curves for display resolution, which leaves small ellipses
// visibly polygonal, so the path is flattened at 16 times the size and scaled back.
QPolygonF FinePolygon(const QPainterPath& Path) {
    constexpr double factor = 16.0;
    return QTransform::fromScale(1.0 / factor, 1.0 / factor)
        .map(Path.toFillPolygon(QTransform::fromScale(factor, factor)));
}

std::vector<QPoint> RoundedVertices(const QPolygonF& Polygon) {
    std::vector<QPoint> out;
    out.reserve(static_cast<size_t>(Polygon.size()));
    for (const QPointF& p : Polygon) {
        const QPoint q(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y())));
        if (out.empty() || out.back() != q)
            out.push_back(q);
    }
    if (out.size() > 1 && out.front() == out.back())
        out.pop_back();
    return out;
}

QPainterPath PolygonPath(const std::vector<QPoint>& Points, double Offset, bool Closed) {
    QPainterPath path;
    for (size_t i = 0; i < Points.size(); ++i) {
        const QPointF p(Points[i].x() + Offset, Points[i].y() + Offset);
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    if (Closed)
        path.closeSubpath();
    return path;
}

const TDashPattern DashPattern{{18, 6}};
const TDashPattern DotPattern{{3, 3}};
const TDashPattern DashDotPattern{{9, 6, 3, 6}};
const TDashPattern DashDotDotPattern{{9, 3, 3, 3, 3, 3}};

} // namespace

int MulDivRound(int64_t Value, int64_t Numerator, int64_t Denominator) {
    if (Denominator == 0)
        return static_cast<int>(std::clamp<int64_t>(Value, INT32_MIN, INT32_MAX));
    // 128-bit intermediate: Value and Numerator may both come near the int64 range.
    const __int128 p = static_cast<__int128>(Value) * Numerator;
    __int128 q = p / Denominator;
    const __int128 r = p % Denominator;
    const __int128 ar = r < 0 ? -r : r;
    const __int128 ad = Denominator < 0 ? -static_cast<__int128>(Denominator) : Denominator;
    if (2 * ar >= ad)
        q += ((p < 0) != (Denominator < 0)) ? -1 : 1;
    if (q < INT32_MIN)
        return INT32_MIN;
    if (q > INT32_MAX)
        return INT32_MAX;
    return static_cast<int>(q);
}

int TDeviceCaps::Get(int Index) const {
    switch (Index) {
    case TECHNOLOGY:
        return Technology;
    case HORZRES:
        return HorzRes;
    case VERTRES:
        return VertRes;
    case BITSPIXEL:
        return BitsPixel;
    case PLANES:
        return 1;
    case LOGPIXELSX:
        return LogPixelsX;
    case LOGPIXELSY:
        return LogPixelsY;
    case PHYSICALWIDTH:
        return PhysicalWidth;
    case PHYSICALHEIGHT:
        return PhysicalHeight;
    case PHYSICALOFFSETX:
        return PhysicalOffsetX;
    case PHYSICALOFFSETY:
        return PhysicalOffsetY;
    default:
        return 0;
    }
}

TDeviceCaps ScreenDeviceCaps() {
    static const TDeviceCaps caps = [] {
        TDeviceCaps c;
        c.BitsPixel = 32;
        const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
        if (screen) {
            c.LogPixelsX =
                std::max(1, static_cast<int>(std::lround(screen->logicalDotsPerInchX())));
            c.LogPixelsY =
                std::max(1, static_cast<int>(std::lround(screen->logicalDotsPerInchY())));
            c.HorzRes = screen->size().width();
            c.VertRes = screen->size().height();
        }
        c.PhysicalWidth = c.HorzRes;
        c.PhysicalHeight = c.VertRes;
        return c;
    }();
    return caps;
}

int PenModeToRop2(TPenMode Mode) {
    static const int table[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    return (Mode >= pmBlack && Mode <= pmNotXor) ? table[Mode] : R2_COPYPEN;
}

TCanvas::TCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {
    TFontData font;
    font.PixelsPerInch = ScreenDeviceCaps().LogPixelsY;
    font.Height = -MulDiv(9, font.PixelsPerInch, 72);
    FFont.SetData(font);
    SyncTools();
}

TCanvas::~TCanvas() = default;

TBitmap* TCanvas::TargetBitmap() {
    return FBitmap;
}

TDeviceCaps TCanvas::DeviceCaps() {
    TDeviceCaps caps = ScreenDeviceCaps();
    const TBitmap* b = TargetBitmap();
    caps.HorzRes = caps.PhysicalWidth = b ? b->Width() : 0;
    caps.VertRes = caps.PhysicalHeight = b ? b->Height() : 0;
    if (b)
        caps.BitsPixel = b->BitsPerPixel();
    return caps;
}

// The tools carry device values: bring those up to date after tool changes.
void TCanvas::SyncTools() {
    if (FPen.Version() != FPenSeen) {
        FState.Rop2 = PenModeToRop2(FPen.Mode());
        FPenSeen = FPen.Version();
    }
    if (FBrush.Version() != FBrushSeen) {
        const TColor c = ColorToRGB(FBrush.Color());
        if (FBrush.Style() == bsSolid) {
            FState.BkColor = c;
            FState.BkMode = OPAQUE;
        } else {
            FState.BkColor = ~c & 0xFFFFFF;
            FState.BkMode = TRANSPARENT;
        }
        if (FBitmap)
            FBitmap->FillColor = ColorToRGB(FBrush.Color());
        FBrushSeen = FBrush.Version();
    }
    if (FFont.Version() != FFontSeen) {
        FState.TextColor = ColorToRGB(FFont.Color());
        FFontSeen = FFont.Version();
    }
}

// ---- Mapping ---------------------------------------------------------------------------

int TCanvas::SetMapMode(int Mode) {
    if (Mode != MM_TEXT && Mode != MM_ISOTROPIC && Mode != MM_ANISOTROPIC)
        return 0;
    const int old = FState.MapMode;
    FState.MapMode = Mode;
    if (Mode == MM_TEXT) {
        FState.WindowExt = {1, 1};
        FState.ViewportExt = {1, 1};
    }
    AdjustIsotropic();
    return old;
}

TPoint TCanvas::SetWindowOrgEx(int X, int Y) {
    const TPoint old = FState.WindowOrg;
    FState.WindowOrg = {X, Y};
    return old;
}

TPoint TCanvas::SetViewportOrgEx(int X, int Y) {
    const TPoint old = FState.ViewportOrg;
    FState.ViewportOrg = {X, Y};
    return old;
}

TPoint TCanvas::OffsetWindowOrgEx(int Dx, int Dy) {
    return SetWindowOrgEx(FState.WindowOrg.x + Dx, FState.WindowOrg.y + Dy);
}

TPoint TCanvas::OffsetViewportOrgEx(int Dx, int Dy) {
    return SetViewportOrgEx(FState.ViewportOrg.x + Dx, FState.ViewportOrg.y + Dy);
}

bool TCanvas::SetWindowExtEx(int Cx, int Cy, TSize* Old) {
    if (Old)
        *Old = FState.WindowExt;
    if (FState.MapMode == MM_TEXT)
        return true;
    if (Cx == 0 || Cy == 0)
        return false;
    FState.WindowExt = {Cx, Cy};
    AdjustIsotropic();
    return true;
}

bool TCanvas::SetViewportExtEx(int Cx, int Cy, TSize* Old) {
    if (Old)
        *Old = FState.ViewportExt;
    if (FState.MapMode == MM_TEXT)
        return true;
    if (Cx == 0 || Cy == 0)
        return false;
    FState.ViewportExt = {Cx, Cy};
    AdjustIsotropic();
    return true;
}

// In MM_ISOTROPIC one logical unit is as long on both axes: the viewport extent of the
// axis with the larger scale is shrunk to the other's scale.
void TCanvas::AdjustIsotropic() {
    if (FState.MapMode != MM_ISOTROPIC)
        return;
    TSize& v = FState.ViewportExt;
    const TSize& w = FState.WindowExt;
    const int64_t sx = int64_t(std::abs(v.cx)) * std::abs(w.cy); // |vx/wx| vs |vy/wy|
    const int64_t sy = int64_t(std::abs(v.cy)) * std::abs(w.cx);
    if (sx < sy) {
        const int cy = std::max(1, ScaleRound(std::abs(w.cy), std::abs(v.cx), std::abs(w.cx)));
        v.cy = v.cy < 0 ? -cy : cy;
    } else if (sy < sx) {
        const int cx = std::max(1, ScaleRound(std::abs(w.cx), std::abs(v.cy), std::abs(w.cy)));
        v.cx = v.cx < 0 ? -cx : cx;
    }
}

int TCanvas::MapX(int X) const {
    const auto& s = FState;
    return ScaleRound(int64_t(X) - s.WindowOrg.x, s.ViewportExt.cx, s.WindowExt.cx) +
           s.ViewportOrg.x;
}

int TCanvas::MapY(int Y) const {
    const auto& s = FState;
    return ScaleRound(int64_t(Y) - s.WindowOrg.y, s.ViewportExt.cy, s.WindowExt.cy) +
           s.ViewportOrg.y;
}

TPoint TCanvas::LPtoDP(TPoint P) const {
    return {MapX(P.x), MapY(P.y)};
}

TPoint TCanvas::DPtoLP(TPoint P) const {
    const auto& s = FState;
    return {ScaleRound(int64_t(P.x) - s.ViewportOrg.x, s.WindowExt.cx, s.ViewportExt.cx) +
                s.WindowOrg.x,
            ScaleRound(int64_t(P.y) - s.ViewportOrg.y, s.WindowExt.cy, s.ViewportExt.cy) +
                s.WindowOrg.y};
}

void TCanvas::LPtoDP(TPoint* Points, int Count) const {
    for (int i = 0; i < Count; ++i)
        Points[i] = LPtoDP(Points[i]);
}

void TCanvas::DPtoLP(TPoint* Points, int Count) const {
    for (int i = 0; i < Count; ++i)
        Points[i] = DPtoLP(Points[i]);
}

TRect TCanvas::LPtoDP(const TRect& R) const {
    return TRect::FromQRect(DeviceRect(R.Left, R.Top, R.Right, R.Bottom));
}

TRect TCanvas::DPtoLP(const TRect& R) const {
    const TPoint a = DPtoLP(R.TopLeft()), b = DPtoLP(R.BottomRight());
    return TRect::FromQRect(Normalised(a.x, a.y, b.x, b.y));
}

QRect TCanvas::DeviceRect(int Left, int Top, int Right, int Bottom) const {
    return Normalised(MapX(Left), MapY(Top), MapX(Right), MapY(Bottom));
}

int TCanvas::DeviceLengthX(int Length) const {
    return std::abs(ScaleRound(Length, FState.ViewportExt.cx, FState.WindowExt.cx));
}

int TCanvas::DeviceLengthY(int Length) const {
    return std::abs(ScaleRound(Length, FState.ViewportExt.cy, FState.WindowExt.cy));
}

std::vector<QPoint> TCanvas::DevicePoints(const TPoint* Points, int Count) const {
    std::vector<QPoint> out(static_cast<size_t>(std::max(0, Count)));
    for (int i = 0; i < Count; ++i)
        out[static_cast<size_t>(i)] = QPoint(MapX(Points[i].x), MapY(Points[i].y));
    return out;
}

// ---- Saved states ----------------------------------------------------------------------

int TCanvas::SaveDC() {
    SyncTools();
    TDCState saved = FState;
    saved.Pen = FPen.Data();
    saved.Brush = FBrush.Data();
    saved.Font = FFont.Data();
    FSaved.push_back(std::move(saved));
    return static_cast<int>(FSaved.size());
}

bool TCanvas::RestoreDC(int Index) {
    const int count = static_cast<int>(FSaved.size());
    const int at = Index < 0 ? count + Index : Index - 1;
    if (Index == 0 || at < 0 || at >= count)
        return false;
    FState = std::move(FSaved[static_cast<size_t>(at)]);
    FSaved.resize(static_cast<size_t>(at));
    if (!(FPen.Data() == FState.Pen))
        FPen.SetData(FState.Pen);
    if (!(FBrush.Data() == FState.Brush))
        FBrush.SetData(FState.Brush);
    if (!(FFont.Data() == FState.Font))
        FFont.SetData(FState.Font);
    // The restored device values stand, whatever the tools would set.
    FPenSeen = FPen.Version();
    FBrushSeen = FBrush.Version();
    FFontSeen = FFont.Version();
    if (FBitmap)
        FBitmap->FillColor = ColorToRGB(FBrush.Color());
    return true;
}

// ---- Colours and modes -----------------------------------------------------------------

TColor TCanvas::GetTextColor() {
    SyncTools();
    return FState.TextColor;
}

TColor TCanvas::SetTextColor(TColor Color) {
    SyncTools();
    const TColor old = FState.TextColor;
    FState.TextColor = ColorToRGB(Color);
    return old;
}

TColor TCanvas::GetBkColor() {
    SyncTools();
    return FState.BkColor;
}

TColor TCanvas::SetBkColor(TColor Color) {
    SyncTools();
    const TColor old = FState.BkColor;
    FState.BkColor = ColorToRGB(Color);
    return old;
}

int TCanvas::GetBkMode() {
    SyncTools();
    return FState.BkMode;
}

int TCanvas::SetBkMode(int Mode) {
    SyncTools();
    if (Mode != TRANSPARENT && Mode != OPAQUE)
        return 0;
    const int old = FState.BkMode;
    FState.BkMode = Mode;
    return old;
}

int TCanvas::GetROP2() {
    SyncTools();
    return FState.Rop2;
}

int TCanvas::SetROP2(int Rop2) {
    SyncTools();
    if (Rop2 < R2_BLACK || Rop2 > R2_WHITE)
        return 0;
    const int old = FState.Rop2;
    FState.Rop2 = Rop2;
    return old;
}

int TCanvas::SetPolyFillMode(int Mode) {
    if (Mode != ALTERNATE && Mode != WINDING)
        return 0;
    const int old = FState.PolyFillMode;
    FState.PolyFillMode = Mode;
    return old;
}

int TCanvas::SetStretchBltMode(int Mode) {
    if (Mode < BLACKONWHITE || Mode > HALFTONE)
        return 0;
    const int old = FState.StretchMode;
    FState.StretchMode = Mode;
    return old;
}

// ---- Clipping --------------------------------------------------------------------------

QRegion TCanvas::EffectiveClip() {
    const TBitmap* b = TargetBitmap();
    if (!b || b->Empty())
        return QRegion();
    const QRect bounds(0, 0, b->Width(), b->Height());
    return FState.Clip ? FState.Clip->intersected(bounds) : QRegion(bounds);
}

int TCanvas::SelectClipRgn(const TRegion* Region) {
    if (Region)
        FState.Clip = Region->ToQRegion();
    else
        FState.Clip.reset();
    return TRegion(EffectiveClip()).Complexity();
}

int TCanvas::ExtSelectClipRgn(const TRegion* Region, int Mode) {
    if (Mode == RGN_COPY)
        return SelectClipRgn(Region);
    if (!Region)
        return RGN_ERROR;
    TRegion result;
    if (result.Combine(TRegion(FState.Clip.value_or(QRegion(UnlimitedRect()))), *Region, Mode) ==
        RGN_ERROR)
        return RGN_ERROR;
    FState.Clip = result.ToQRegion();
    return TRegion(EffectiveClip()).Complexity();
}

int TCanvas::GetClipRgn(TRegion& Region) const {
    if (!FState.Clip)
        return 0;
    Region = TRegion(*FState.Clip);
    return 1;
}

int TCanvas::IntersectClipRect(int Left, int Top, int Right, int Bottom) {
    const QRect r = DeviceRect(Left, Top, Right, Bottom);
    FState.Clip = FState.Clip ? FState.Clip->intersected(r) : QRegion(r);
    return TRegion(EffectiveClip()).Complexity();
}

int TCanvas::ExcludeClipRect(int Left, int Top, int Right, int Bottom) {
    const QRect r = DeviceRect(Left, Top, Right, Bottom);
    FState.Clip = FState.Clip.value_or(QRegion(UnlimitedRect())).subtracted(r);
    return TRegion(EffectiveClip()).Complexity();
}

int TCanvas::GetClipBox(TRect& Box) {
    const QRegion clip = EffectiveClip();
    if (clip.isEmpty()) {
        Box = TRect();
        return NULLREGION;
    }
    Box = DPtoLP(TRect::FromQRect(clip.boundingRect()));
    return clip.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool TCanvas::RectVisible(const TRect& R) {
    const QRect r = DeviceRect(R.Left, R.Top, R.Right, R.Bottom);
    return !r.isEmpty() && EffectiveClip().intersects(r);
}

bool TCanvas::PtVisible(int X, int Y) {
    return EffectiveClip().contains(QPoint(MapX(X), MapY(Y)));
}

// ---- Drawing helpers -------------------------------------------------------------------

std::unique_ptr<TRasterTarget> TCanvas::Target() {
    RequireTarget();
    SyncTools();
    TBitmap* b = TargetBitmap();
    if (!b || b->Empty())
        return nullptr;
    auto t = std::make_unique<TRasterTarget>(*b, FState.Clip.value_or(QRegion(UnlimitedRect())));
    if (t->IsEmpty())
        return nullptr;
    return t;
}

bool TCanvas::PenVisible() const {
    return FPen.Style() != psClear;
}

// With a pen, fills sample against the outline through the pixel centres, so that no fill
// pixel lies outside the outline; without one, the vertices are pixel corners and the
// right and bottom edges stay outside.
double TCanvas::FillOffset() const {
    return PenVisible() ? 0.5 : 0.0;
}

bool TCanvas::BrushVisible() const {
    return FBrush.Style() != bsClear;
}

int TCanvas::PenDeviceWidth() const {
    if (FPen.Width() <= 0)
        return 1;
    return std::max(1, DeviceLengthX(FPen.Width()));
}

const TDashPattern* TCanvas::PenPattern() const {
    if (FPen.Width() > 1)
        return nullptr; // wide pens are always solid
    switch (FPen.Style()) {
    case psDash:
        return &DashPattern;
    case psDot:
        return &DotPattern;
    case psDashDot:
        return &DashDotPattern;
    case psDashDotDot:
        return &DashDotDotPattern;
    default:
        return nullptr;
    }
}

TRasterPaint TCanvas::PenPaint(const TRasterTarget& T) const {
    TRasterPaint p;
    p.Rop2 = FState.Rop2;
    p.Color = ColorToRGB(FPen.Color());
    p.Pixel = T.PixelOf(p.Color);
    return p;
}

TRasterPaint TCanvas::BkPaint(const TRasterTarget& T) const {
    TRasterPaint p;
    p.Rop2 = FState.Rop2;
    p.Color = FState.BkColor;
    p.Pixel = T.PixelOf(p.Color);
    return p;
}

TRasterPaint TCanvas::BrushPaint(const TRasterTarget& T, int Rop2) const {
    TRasterPaint p;
    p.Rop2 = Rop2;
    p.Color = ColorToRGB(FBrush.Color());
    p.Pixel = T.PixelOf(p.Color);
    p.Hatch = HatchBits(FBrush.Style());
    p.Opaque = FState.BkMode == OPAQUE;
    p.BkPixel = T.PixelOf(FState.BkColor);
    return p;
}

void TCanvas::FillRegionWithBrush(const QRegion& Area, int Rop2) {
    if (!BrushVisible())
        return;
    auto t = Target();
    if (t)
        t->FillRegion(Area, BrushPaint(*t, Rop2));
}

void TCanvas::StrokeDevicePolyline(TRasterTarget& T, const std::vector<QPoint>& Points,
                                   bool Closed) {
    if (!PenVisible() || Points.empty())
        return;
    const int w = PenDeviceWidth();
    if (w <= 1) {
        const TRasterPaint gap = BkPaint(T);
        T.Polyline(Points, Closed, PenPaint(T), PenPattern(),
                   FState.BkMode == OPAQUE ? &gap : nullptr);
        return;
    }
    TDeviceBox points;
    points.Add(Points);
    const QRect box = points.Within(w, w + 1, T.Clip().boundingRect());
    if (box.isEmpty())
        return;
    QImage mask = NewMask(box);
    StrokeDevicePath(PolygonPath(Points, 0.5, Closed), mask, box);
    T.FillMask(mask, box.topLeft(), PenPaint(T));
}

// A wide pen: round ends and joins, centred on the path.
void TCanvas::StrokeDevicePath(const QPainterPath& Path, QImage& Mask, const QRect& Box) const {
    QPainterPathStroker stroker;
    stroker.setWidth(PenDeviceWidth());
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath outline = stroker.createStroke(Path);
    outline.setFillRule(Qt::WindingFill);
    FillPathInto(Mask, Box, outline);
}

// Fills Fill (when the brush shows) and strokes the closed outline polygons with the pen;
// the fill leaves out the pixels the pen covers, so every pixel is written once.
void TCanvas::DrawClosedShape(const QPainterPath& Fill,
                              const std::vector<std::vector<QPoint>>& Outlines) {
    auto t = Target();
    if (!t)
        return;
    const bool pen = PenVisible() && !Outlines.empty();
    const bool brush = BrushVisible();
    const int w = pen ? PenDeviceWidth() : 0;
    TDeviceBox shape;
    if (!Fill.isEmpty())
        shape.Add(Fill.boundingRect());
    for (const auto& outline : Outlines)
        shape.Add(outline);
    const QRect box = shape.Within(w + 1, w + 2, t->Clip().boundingRect());
    if (box.isEmpty())
        return;
    QImage penMask;
    if (pen && (brush || w > 1)) {
        penMask = NewMask(box);
        QPainterPath centre;
        for (const auto& outline : Outlines) {
            if (w <= 1)
                ForEachLinePixel(
                    outline, true, box,
                    [&](int x, int y) { penMask.scanLine(y - box.top())[x - box.left()] = 255; },
                    [](int64_t) {});
            else
                centre.addPath(PolygonPath(outline, 0.5, true));
        }
        if (w > 1)
            StrokeDevicePath(centre, penMask, box);
    }
    if (brush) {
        QImage fill = NewMask(box);
        FillPathInto(fill, box, Fill);
        if (!penMask.isNull())
            SubtractMask(fill, penMask);
        t->FillMask(fill, box.topLeft(), BrushPaint(*t, FState.Rop2));
    }
    if (!pen)
        return;
    if (w > 1) {
        t->FillMask(penMask, box.topLeft(), PenPaint(*t));
        return;
    }
    const TRasterPaint gap = BkPaint(*t);
    for (const auto& outline : Outlines)
        t->Polyline(outline, true, PenPaint(*t), PenPattern(),
                    FState.BkMode == OPAQUE ? &gap : nullptr);
}

// ---- Lines and shapes ------------------------------------------------------------------

void TCanvas::MoveTo(int X, int Y) {
    FState.Position = {X, Y};
    if (FState.PathOpen)
        AddPathPoint(LPtoDP(FState.Position), PT_MOVETO);
}

void TCanvas::LineTo(int X, int Y) {
    const TPoint from = FState.Position;
    FState.Position = {X, Y};
    if (FState.PathOpen) {
        AddPathPoint(LPtoDP(FState.Position), PT_LINETO);
        return;
    }
    auto t = Target();
    if (t)
        StrokeDevicePolyline(*t, {QPoint(MapX(from.x), MapY(from.y)), QPoint(MapX(X), MapY(Y))},
                             false);
}

void TCanvas::Polyline(const TPoint* Points, int Count) {
    if (Count < 2)
        return;
    if (FState.PathOpen) {
        AddPathPoint(LPtoDP(Points[0]), PT_MOVETO);
        for (int i = 1; i < Count; ++i)
            AddPathPoint(LPtoDP(Points[i]), PT_LINETO);
        return;
    }
    auto t = Target();
    if (t)
        StrokeDevicePolyline(*t, DevicePoints(Points, Count), false);
}

void TCanvas::PolylineTo(const TPoint* Points, int Count) {
    if (Count < 1)
        return;
    if (FState.PathOpen) {
        for (int i = 0; i < Count; ++i)
            AddPathPoint(LPtoDP(Points[i]), PT_LINETO);
        FState.Position = Points[Count - 1];
        return;
    }
    std::vector<QPoint> pts{QPoint(MapX(FState.Position.x), MapY(FState.Position.y))};
    for (const QPoint& p : DevicePoints(Points, Count))
        pts.push_back(p);
    FState.Position = Points[Count - 1];
    auto t = Target();
    if (t)
        StrokeDevicePolyline(*t, pts, false);
}

void TCanvas::Polygon(const TPoint* Points, int Count) {
    if (Count < 2)
        return;
    const std::vector<QPoint> pts = DevicePoints(Points, Count);
    if (FState.PathOpen) {
        AddPathPoint(TPoint(pts[0].x(), pts[0].y()), PT_MOVETO);
        for (size_t i = 1; i < pts.size(); ++i)
            AddPathPoint(TPoint(pts[i].x(), pts[i].y()), PT_LINETO);
        CloseFigure();
        return;
    }
    QPainterPath fill = PolygonPath(pts, FillOffset(), true);
    fill.setFillRule(FState.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    DrawClosedShape(fill, {pts});
}

void TCanvas::Rectangle(int Left, int Top, int Right, int Bottom) {
    const QRect d = DeviceRect(Left, Top, Right, Bottom);
    if (FState.PathOpen) {
        RecordRectangle(d);
        return;
    }
    if (d.isEmpty())
        return;
    if (!PenVisible()) {
        FillRegionWithBrush(QRect(d.left(), d.top(), d.width() - 1, d.height() - 1), FState.Rop2);
        return;
    }
    auto t = Target();
    if (!t)
        return;
    const int w = PenDeviceWidth();
    QRect outer = d, inner;
    if (FPen.Style() == psInsideFrame || w <= 1) {
        inner = d.adjusted(w, w, -w, -w);
    } else {
        // Centred on the border pixels: (w - 1) / 2 outside, w / 2 inside.
        outer = d.adjusted(-(w - 1) / 2, -(w - 1) / 2, w / 2, w / 2);
        inner = d.adjusted(w / 2 + 1, w / 2 + 1, -((w - 1) / 2 + 1), -((w - 1) / 2 + 1));
    }
    if (!inner.isValid())
        inner = QRect();
    if (BrushVisible() && !inner.isEmpty())
        t->FillRegion(inner, BrushPaint(*t, FState.Rop2));
    const TDashPattern* pattern = w <= 1 ? PenPattern() : nullptr;
    if (pattern && d.width() > 1 && d.height() > 1) {
        const std::vector<QPoint> corners{d.topLeft(), QPoint(d.right(), d.top()), d.bottomRight(),
                                          QPoint(d.left(), d.bottom())};
        const TRasterPaint gap = BkPaint(*t);
        t->Polyline(corners, true, PenPaint(*t), pattern, FState.BkMode == OPAQUE ? &gap : nullptr);
    } else {
        t->FillRegion(QRegion(outer).subtracted(inner), PenPaint(*t));
    }
}

void TCanvas::Ellipse(int Left, int Top, int Right, int Bottom) {
    RoundRect(Left, Top, Right, Bottom, std::abs(Right - Left), std::abs(Bottom - Top));
}

void TCanvas::RoundRect(int Left, int Top, int Right, int Bottom, int CornerW, int CornerH) {
    QRect d = DeviceRect(Left, Top, Right, Bottom);
    const bool ellipse =
        std::abs(CornerW) >= std::abs(Right - Left) && std::abs(CornerH) >= std::abs(Bottom - Top);
    double rx = DeviceLengthX(CornerW) / 2.0, ry = DeviceLengthY(CornerH) / 2.0;
    if (!FState.PathOpen && PenVisible() && FPen.Style() == psInsideFrame) {
        const int w = PenDeviceWidth();
        d = d.adjusted(w / 2, w / 2, -(w / 2), -(w / 2));
    }
    if (d.width() < 1 || d.height() < 1)
        return;
    // The outline runs through the centres of the outermost pixels of [Left, Right).
    const QRectF box(d.left(), d.top(), d.width() - 1, d.height() - 1);
    QPainterPath outline;
    if (ellipse)
        outline.addEllipse(box);
    else
        outline.addRoundedRect(box, std::min(rx, box.width() / 2), std::min(ry, box.height() / 2));
    if (FState.PathOpen) {
        AddPathFigure(outline);
        return;
    }
    std::vector<QPoint> vertices = RoundedVertices(FinePolygon(outline));
    if (vertices.empty())
        vertices.push_back(d.topLeft());
    DrawClosedShape(PolygonPath(vertices, FillOffset(), true), {vertices});
}

void TCanvas::FillRect(const TRect& R) {
    FillRegionWithBrush(DeviceRect(R.Left, R.Top, R.Right, R.Bottom), R2_COPYPEN);
}

void TCanvas::FrameRect(const TRect& R) {
    const QRect d = DeviceRect(R.Left, R.Top, R.Right, R.Bottom);
    if (d.isEmpty())
        return;
    const int tx = std::max(1, DeviceLengthX(1)), ty = std::max(1, DeviceLengthY(1));
    QRegion frame(d);
    const QRect inner = d.adjusted(tx, ty, -tx, -ty);
    if (inner.isValid() && !inner.isEmpty())
        frame = frame.subtracted(inner);
    FillRegionWithBrush(frame, R2_COPYPEN);
}

void TCanvas::InvertRect(const TRect& R) {
    auto t = Target();
    if (!t)
        return;
    TRasterPaint p;
    p.Rop2 = R2_NOT;
    t->FillRegion(DeviceRect(R.Left, R.Top, R.Right, R.Bottom), p);
}

void TCanvas::FillRgn(const TRegion& Region) {
    FillRegionWithBrush(Region.ToQRegion(), R2_COPYPEN);
}

void TCanvas::PatBlt(int X, int Y, int Width, int Height, uint32_t Rop) {
    if (RopUsesPattern(Rop) && !BrushVisible())
        return;
    auto t = Target();
    if (!t)
        return;
    t->Blit(DeviceRect(X, Y, X + Width, Y + Height), {}, Rop, BrushPaint(*t, R2_COPYPEN),
            FState.TextColor, FState.BkColor);
}

TColor TCanvas::GetPixel(int X, int Y) {
    const TBitmap* b = TargetBitmap();
    const QPoint p(MapX(X), MapY(Y));
    if (!b || !EffectiveClip().contains(p))
        return clNone;
    return b->GetPixel(p.x(), p.y());
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
    auto t = Target();
    if (!t)
        return;
    TRasterPaint p;
    p.Color = ColorToRGB(Color);
    p.Pixel = t->PixelOf(p.Color);
    t->Plot(MapX(X), MapY(Y), p);
}

// ---- Blits -----------------------------------------------------------------------------

void TCanvas::BlitFrom(const QRect& Dest, bool MirrorX, bool MirrorY, const TBitmap& Source,
                       const QRect& SourceRect, TColor SourceBk, uint32_t Rop,
                       std::optional<TColor> ColorKey) {
    // A shared copy keeps the source pixels as they are while the target is written, which
    // matters when both are the same bitmap.
    const TBitmap source = Source;
    auto t = Target();
    if (!t)
        return;
    TRasterTarget::TBlitSource src;
    src.Bitmap = &source;
    src.Rect = SourceRect;
    src.MirrorX = MirrorX;
    src.MirrorY = MirrorY;
    src.SourceBkColor = SourceBk;
    src.ColorKey = ColorKey;
    t->Blit(Dest, src, Rop, BrushPaint(*t, R2_COPYPEN), FState.TextColor, FState.BkColor);
}

void TCanvas::BitBlt(int X, int Y, int Width, int Height, TCanvas& Source, int SX, int SY,
                     uint32_t Rop) {
    StretchBlt(X, Y, Width, Height, Source, SX, SY, Width, Height, Rop);
}

void TCanvas::StretchBlt(int X, int Y, int Width, int Height, TCanvas& Source, int SX, int SY,
                         int SWidth, int SHeight, uint32_t Rop) {
    const TPoint s0 = Source.LPtoDP(TPoint(SX, SY));
    const TPoint s1 = Source.LPtoDP(TPoint(SX + SWidth, SY + SHeight));
    const TBitmap* sb = Source.TargetBitmap();
    if (RopUsesSource(Rop) && !sb)
        return;
    const TPoint d0 = LPtoDP(TPoint(X, Y)), d1 = LPtoDP(TPoint(X + Width, Y + Height));
    const bool mx = (d1.x < d0.x) != (s1.x < s0.x);
    const bool my = (d1.y < d0.y) != (s1.y < s0.y);
    const TBitmap empty;
    BlitFrom(Normalised(d0.x, d0.y, d1.x, d1.y), mx, my, sb ? *sb : empty,
             Normalised(s0.x, s0.y, s1.x, s1.y), Source.GetBkColor(), Rop, std::nullopt);
}

void TCanvas::StretchBlt(int X, int Y, int Width, int Height, const TBitmap& Source, int SX, int SY,
                         int SWidth, int SHeight, uint32_t Rop) {
    const TPoint d0 = LPtoDP(TPoint(X, Y)), d1 = LPtoDP(TPoint(X + Width, Y + Height));
    const bool mx = (d1.x < d0.x) != (SWidth < 0);
    const bool my = (d1.y < d0.y) != (SHeight < 0);
    BlitFrom(Normalised(d0.x, d0.y, d1.x, d1.y), mx, my, Source,
             Normalised(SX, SY, SX + SWidth, SY + SHeight), clWhite, Rop, std::nullopt);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Canvas, const TRect& Source) {
    StretchBlt(Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas, Source.Left, Source.Top,
               Source.Width(), Source.Height(), FCopyMode);
}

void TCanvas::Draw(int X, int Y, const TBitmap& Bitmap) {
    StretchDraw(Bounds(X, Y, Bitmap.Width(), Bitmap.Height()), Bitmap);
}

void TCanvas::StretchDraw(const TRect& R, const TBitmap& Bitmap) {
    if (Bitmap.Empty())
        return;
    const TPoint d0 = LPtoDP(R.TopLeft()), d1 = LPtoDP(R.BottomRight());
    std::optional<TColor> key;
    if (Bitmap.Transparent)
        key = Bitmap.GetTransparentColor();
    BlitFrom(Normalised(d0.x, d0.y, d1.x, d1.y), d1.x < d0.x, d1.y < d0.y, Bitmap,
             QRect(0, 0, Bitmap.Width(), Bitmap.Height()), clWhite, FCopyMode, key);
}

// ---- Text ------------------------------------------------------------------------------

QFont TCanvas::DeviceFont() {
    SyncTools();
    const int h = FFont.Height();
    int dh = h == 0 ? 0 : DeviceLengthY(std::abs(h));
    if (h != 0)
        dh = std::max(1, dh) * (h < 0 ? -1 : 1);
    else
        dh = -std::max(1, DeviceLengthY(MulDiv(12, FFont.PixelsPerInch(), 96)));
    return CreateQFont(FFont.Data(), dh);
}

namespace {

double GlyphAdvance(const QRawFont& Raw, quint32 Glyph) {
    const QList<QPointF> a =
        Raw.advancesForGlyphIndexes(QList<quint32>{Glyph}, QRawFont::UseDesignMetrics);
    return a.isEmpty() ? 0.0 : a.first().x();
}

quint32 PlainGlyph(const QRawFont& Raw, char32_t Ch) {
    const QList<quint32> g = Raw.glyphIndexesForString(QString::fromUcs4(&Ch, 1));
    return g.isEmpty() ? 0 : g.first();
}

// The outlines of Text in a vertical face, in the text's own frame: the reference point is
// the top-left of the first cell, characters advance along +x, each cell is ascent + descent
// high. Upright characters take their vertical forms, turned a quarter counter-clockwise
// in the cell (so that they stand upright once the line runs downward) with the top of
// their em box at the start of the cell, which is ascent + descent long; the others lie on
// their side with their own advance.
QPainterPath VerticalTextPath(const QRawFont& Raw, const QString& Text, double& Advance) {
    const double ascent = Raw.ascent(), descent = Raw.descent(), cell = ascent + descent;
    QPainterPath out;
    double x = 0;
    for (const char32_t ch : Text.toUcs4()) {
        if (IsUprightInVertical(ch)) {
            const quint32 g = VerticalGlyphIndex(Raw, ch);
            QTransform t;
            t.translate(x + cell / 2, cell / 2);
            t.rotate(-90);
            t.translate(-GlyphAdvance(Raw, g) / 2, (ascent - descent) / 2);
            out.addPath(t.map(Raw.pathForGlyph(g)));
            x += cell;
        } else {
            const quint32 g = PlainGlyph(Raw, ch);
            out.addPath(Raw.pathForGlyph(g).translated(x, ascent));
            x += GlyphAdvance(Raw, g);
        }
    }
    Advance = x;
    return out;
}

} // namespace

double TCanvas::DeviceEmSize() {
    SyncTools();
    const double sy = FState.MapMode == MM_TEXT
                          ? 1.0
                          : std::abs(double(FState.ViewportExt.cy) / FState.WindowExt.cy);
    const int h = FFont.Height();
    if (h < 0)
        return -h * sy;
    if (h == 0)
        return MulDiv(12, FFont.PixelsPerInch(), 96) * sy;
    // A cell height: the em size whose ascent + descent is that height.
    QFont probe = CreateQFont(FFont.Data(), -100);
    const QRawFont raw = QRawFont::fromFont(probe);
    const double cell = raw.isValid() ? raw.ascent() + raw.descent() : 100.0;
    return h * sy * 100.0 / (cell > 0 ? cell : 100.0);
}

double TCanvas::LogicalScaleX() const {
    return FState.MapMode == MM_TEXT
               ? 1.0
               : std::abs(double(FState.WindowExt.cx) / FState.ViewportExt.cx);
}

QRawFont TCanvas::DeviceRawFont() {
    const double em = std::max(0.01, DeviceEmSize());
    // The outlines do not depend on the escapement: text turned glyph by glyph (on an arc)
    // keeps the cached font.
    TFontData key = FFont.Data();
    key.Escapement = key.Orientation = 0;
    if (FRawFont && FRawFont->Data == key && FRawFont->Em == em)
        return FRawFont->Font;
    QRawFont raw =
        QRawFont::fromFont(CreateQFont(FFont.Data(), -std::max(1, int(std::lround(em)))));
    if (raw.isValid())
        raw.setPixelSize(em);
    FRawFont = TRawFontCache{key, em, raw};
    return raw;
}

bool TCanvas::GetCharABCWidths(const QString& Ch, TABC& ABC) {
    const QRawFont raw = DeviceRawFont();
    if (!raw.isValid() || Ch.isEmpty())
        return false;
    const QList<uint> ucs = Ch.left(Ch.front().isHighSurrogate() ? 2 : 1).toUcs4();
    const char32_t ch = ucs.isEmpty() ? 0 : ucs.first();
    double a, b, adv;
    if (IsVerticalFaceName(FFont.Name()) && IsUprightInVertical(ch)) {
        const quint32 g = VerticalGlyphIndex(raw, ch);
        const QRectF box = raw.pathForGlyph(g).boundingRect();
        adv = raw.ascent() + raw.descent();
        // Along the column: the em box's top is the cell start (see VerticalTextPath).
        a = box.top() + raw.ascent();
        b = box.height();
    } else {
        const quint32 g = PlainGlyph(raw, ch);
        const QRectF box = raw.pathForGlyph(g).boundingRect();
        adv = GlyphAdvance(raw, g);
        a = box.left();
        b = box.width();
    }
    const double s = LogicalScaleX();
    const int advance = int(std::lround(adv * s));
    if (b <= 0) {
        ABC = {0, 0, advance};
        return true;
    }
    const int start = int(std::lround(a * s)), end = int(std::lround((a + b) * s));
    ABC = {start, end - start, advance - end};
    return true;
}

bool TCanvas::GetOutlineTextMetrics(TOutlineTextMetric& Metric) {
    const QRawFont raw = DeviceRawFont();
    if (!raw.isValid())
        return false;
    const double s = LogicalScaleX();
    const double unit = raw.unitsPerEm() > 0 ? raw.pixelSize() / raw.unitsPerEm() : 0.0;
    double strikePos = raw.ascent() * 0.25, strikeSize = raw.lineThickness();
    // yStrikeoutSize and yStrikeoutPosition of the OS/2 table, in font units.
    const QByteArray os2 = raw.fontTable("OS/2");
    if (os2.size() >= 30 && unit > 0) {
        auto i16 = [&os2](int At) {
            return int16_t((uint8_t(os2[At]) << 8) | uint8_t(os2[At + 1]));
        };
        strikeSize = i16(26) * unit;
        strikePos = i16(28) * unit;
    }
    auto lg = [s](double V) { return int(std::lround(V * s)); };
    Metric.tmAscent = lg(raw.ascent());
    Metric.otmsUnderscorePosition = -lg(raw.underlinePosition());
    Metric.otmsUnderscoreSize = std::max(1, lg(raw.lineThickness()));
    Metric.otmsStrikeoutPosition = lg(strikePos);
    Metric.otmsStrikeoutSize = std::max(1, lg(strikeSize));
    return true;
}

void TCanvas::TextOutVertical(int X, int Y, const QString& Text) {
    const QRawFont raw = DeviceRawFont();
    double advance = 0;
    const QPainterPath local =
        raw.isValid() ? VerticalTextPath(raw, Text, advance) : QPainterPath();
    const double cellHeight = raw.isValid() ? raw.ascent() + raw.descent() : 0.0;
    QTransform xf;
    xf.translate(MapX(X), MapY(Y));
    xf.rotate(-FFont.Escapement() / 10.0);
    if (FState.PathOpen) {
        AddPathFigure(xf.map(local));
    } else if (auto t = Target(); t && !Text.isEmpty()) {
        const QPolygonF cell = xf.map(QPolygonF(QRectF(0, 0, advance, cellHeight)));
        const QRect box =
            cell.boundingRect().toAlignedRect().adjusted(-2, -2, 2, 2) & t->Clip().boundingRect();
        if (!box.isEmpty()) {
            if (FState.BkMode == OPAQUE) {
                QImage bk = NewMask(box);
                QPainterPath cellPath;
                cellPath.addPolygon(cell);
                FillPathInto(bk, box, cellPath);
                TRasterPaint p;
                p.Color = FState.BkColor;
                p.Pixel = t->PixelOf(p.Color);
                t->FillMask(bk, box.topLeft(), p);
            }
            QImage glyphs = NewMask(box);
            {
                QPainter p(&glyphs);
                p.setRenderHint(QPainter::Antialiasing, FFont.Quality() != NONANTIALIASED_QUALITY);
                p.translate(-box.topLeft());
                p.setTransform(xf, true);
                p.fillPath(local, QColor(255, 255, 255));
            }
            TRasterPaint p;
            p.Color = FState.TextColor;
            p.Pixel = t->PixelOf(p.Color);
            t->FillMask(glyphs, box.topLeft(), p, true);
        }
    }
    const int a = int(std::lround(advance));
    FState.Position = {X + ScaleRound(a, FState.WindowExt.cx, FState.ViewportExt.cx), Y};
}

void TCanvas::TextOut(int X, int Y, const QString& Text) {
    if (IsVerticalFaceName(FFont.Name())) {
        TextOutVertical(X, Y, Text);
        return;
    }
    const QFont font = DeviceFont();
    const QFontMetrics m(font);
    const QPoint at(MapX(X), MapY(Y));
    const int advance = m.horizontalAdvance(Text);
    QTransform xf;
    xf.translate(at.x(), at.y());
    xf.rotate(-static_cast<double>(FFont.Escapement()) / 10.0);
    if (FState.PathOpen) {
        QPainterPath glyphs;
        glyphs.addText(QPointF(0, m.ascent()), font, Text);
        AddPathFigure(xf.map(glyphs));
        return;
    }
    auto t = Target();
    if (t && !Text.isEmpty()) {
        const QPolygonF cell = xf.map(QPolygonF(QRectF(0, 0, advance, m.ascent() + m.descent())));
        const QRect box =
            cell.boundingRect().toAlignedRect().adjusted(-2, -2, 2, 2) & t->Clip().boundingRect();
        if (!box.isEmpty()) {
            if (FState.BkMode == OPAQUE) {
                QImage bk = NewMask(box);
                QPainterPath cellPath;
                cellPath.addPolygon(cell);
                FillPathInto(bk, box, cellPath);
                TRasterPaint p;
                p.Color = FState.BkColor;
                p.Pixel = t->PixelOf(p.Color);
                t->FillMask(bk, box.topLeft(), p);
            }
            QImage glyphs = NewMask(box);
            {
                QPainter p(&glyphs);
                p.setRenderHint(QPainter::TextAntialiasing,
                                FFont.Quality() != NONANTIALIASED_QUALITY);
                p.translate(-box.topLeft());
                p.setTransform(xf, true);
                p.setFont(font);
                p.setPen(QColor(255, 255, 255));
                p.drawText(QPointF(0, m.ascent()), Text);
            }
            TRasterPaint p;
            p.Color = FState.TextColor;
            p.Pixel = t->PixelOf(p.Color);
            t->FillMask(glyphs, box.topLeft(), p, true);
        }
    }
    // The class library's TextOut leaves the pen after the text.
    FState.Position = {X + ScaleRound(advance, FState.WindowExt.cx, FState.ViewportExt.cx), Y};
}

TSize TCanvas::TextExtent(const QString& Text) {
    if (IsVerticalFaceName(FFont.Name())) {
        const QRawFont raw = DeviceRawFont();
        double advance = 0;
        if (raw.isValid())
            VerticalTextPath(raw, Text, advance);
        const int w = int(std::lround(advance));
        const int h = raw.isValid() ? int(std::lround(raw.ascent() + raw.descent())) : 0;
        return {std::abs(ScaleRound(w, FState.WindowExt.cx, FState.ViewportExt.cx)),
                std::abs(ScaleRound(h, FState.WindowExt.cy, FState.ViewportExt.cy))};
    }
    const QFontMetrics m(DeviceFont());
    // Widths are the unhinted design advances at the exact size, as the ABC widths are, so
    // that a layout measured here agrees on every device.
    int w = m.horizontalAdvance(Text);
    if (const QRawFont raw = DeviceRawFont(); raw.isValid()) {
        double sum = 0;
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(raw.glyphIndexesForString(Text),
                                                                    QRawFont::UseDesignMetrics);
        for (const QPointF& a : advances)
            sum += a.x();
        w = int(std::lround(sum));
    }
    const int h = m.ascent() + m.descent();
    return {std::abs(ScaleRound(w, FState.WindowExt.cx, FState.ViewportExt.cx)),
            std::abs(ScaleRound(h, FState.WindowExt.cy, FState.ViewportExt.cy))};
}

void TCanvas::GetTextMetrics(TTextMetric& Metric) {
    const QFont font = DeviceFont();
    const QFontMetrics m(font);
    auto ly = [this](int v) {
        return std::abs(ScaleRound(v, FState.WindowExt.cy, FState.ViewportExt.cy));
    };
    auto lx = [this](int v) {
        return std::abs(ScaleRound(v, FState.WindowExt.cx, FState.ViewportExt.cx));
    };
    Metric.tmAscent = ly(m.ascent());
    Metric.tmDescent = ly(m.descent());
    Metric.tmHeight = ly(m.ascent() + m.descent());
    Metric.tmInternalLeading = ly(std::max(0, m.ascent() + m.descent() - font.pixelSize()));
    Metric.tmExternalLeading = ly(std::max(0, m.leading()));
    Metric.tmAveCharWidth = lx(m.averageCharWidth());
    Metric.tmMaxCharWidth = lx(m.maxWidth());
    Metric.tmCharSet = FFont.Charset();
}

// ---- Paths -----------------------------------------------------------------------------

void TCanvas::BeginPath() {
    FState.Path = {};
    FState.PathOpen = true;
}

void TCanvas::EndPath() {
    FState.PathOpen = false;
}

void TCanvas::AbortPath() {
    FState.Path = {};
    FState.PathOpen = false;
}

void TCanvas::CloseFigure() {
    if (FState.PathOpen && FState.Path.HasFigure() && FState.Path.Types.back() != PT_MOVETO)
        FState.Path.Types.back() |= PT_CLOSEFIGURE;
}

void TCanvas::AddPathPoint(const TPoint& Device, uint8_t Type) {
    TPathData& path = FState.Path;
    if (Type == PT_MOVETO) {
        if (path.HasFigure() && path.Types.back() == PT_MOVETO) {
            path.Points.back() = Device;
            return;
        }
    } else if (!path.HasFigure() || (path.Types.back() & PT_CLOSEFIGURE)) {
        // A line after a closed figure starts a new figure at the current position.
        path.Points.push_back(LPtoDP(FState.Position));
        path.Types.push_back(PT_MOVETO);
    }
    path.Points.push_back(Device);
    path.Types.push_back(Type);
}

// Adds the figures of a device path (text outlines, ellipses), each one closed.
void TCanvas::AddPathFigure(const QPainterPath& Device) {
    TPathData& path = FState.Path;
    auto pt = [](const QPainterPath::Element& e) {
        return TPoint(static_cast<int>(std::lround(e.x)), static_cast<int>(std::lround(e.y)));
    };
    auto close = [&] {
        if (path.HasFigure() && path.Types.back() != PT_MOVETO)
            path.Types.back() |= PT_CLOSEFIGURE;
    };
    for (int i = 0; i < Device.elementCount(); ++i) {
        const QPainterPath::Element& e = Device.elementAt(i);
        if (e.isMoveTo()) {
            close();
            if (path.HasFigure() && path.Types.back() == PT_MOVETO)
                path.Points.back() = pt(e);
            else {
                path.Points.push_back(pt(e));
                path.Types.push_back(PT_MOVETO);
            }
        } else if (e.isLineTo()) {
            path.Points.push_back(pt(e));
            path.Types.push_back(PT_LINETO);
        } else if (e.isCurveTo() && i + 2 < Device.elementCount()) {
            for (int k = 0; k < 3; ++k) {
                path.Points.push_back(pt(Device.elementAt(i + k)));
                path.Types.push_back(PT_BEZIERTO);
            }
            i += 2;
        }
    }
    close();
}

void TCanvas::RecordRectangle(const QRect& R) {
    // Right and bottom edges stay outside, as when the rectangle is drawn.
    const int l = R.left(), t = R.top(), r = R.left() + R.width() - 1, b = R.top() + R.height() - 1;
    AddPathPoint(TPoint(r, t), PT_MOVETO);
    AddPathPoint(TPoint(l, t), PT_LINETO);
    AddPathPoint(TPoint(l, b), PT_LINETO);
    AddPathPoint(TPoint(r, b), PT_LINETO);
    CloseFigure();
}

QPainterPath TCanvas::DevicePath() const {
    QPainterPath out;
    out.setFillRule(FState.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    const TPathData& path = FState.Path;
    for (size_t i = 0; i < path.Points.size(); ++i) {
        const QPointF p(path.Points[i].x, path.Points[i].y);
        const uint8_t type = path.Types[i] & ~PT_CLOSEFIGURE;
        uint8_t flags = path.Types[i];
        if (type == PT_MOVETO) {
            out.moveTo(p);
        } else if (type == PT_BEZIERTO && i + 2 < path.Points.size()) {
            const TPoint& b = path.Points[i + 1];
            const TPoint& c = path.Points[i + 2];
            out.cubicTo(p, QPointF(b.x, b.y), QPointF(c.x, c.y));
            flags = path.Types[i + 2];
            i += 2;
        } else {
            out.lineTo(p);
        }
        if (flags & PT_CLOSEFIGURE)
            out.closeSubpath();
    }
    return out;
}

int TCanvas::GetPath(std::vector<TPoint>& Points, std::vector<uint8_t>& Types) const {
    Points = FState.Path.Points;
    Types = FState.Path.Types;
    DPtoLP(Points.data(), static_cast<int>(Points.size()));
    return static_cast<int>(Points.size());
}

void TCanvas::FinishPathUse() {
    FState.Path = {};
}

void TCanvas::FillPath() {
    if (FState.PathOpen || !FState.Path.HasFigure())
        return;
    const QPainterPath path = DevicePath();
    FinishPathUse();
    if (!BrushVisible())
        return;
    auto t = Target();
    if (!t)
        return;
    const QRect box =
        path.boundingRect().toAlignedRect().adjusted(-1, -1, 2, 2) & t->Clip().boundingRect();
    if (box.isEmpty())
        return;
    QImage fill = NewMask(box);
    FillPathInto(fill, box, path);
    t->FillMask(fill, box.topLeft(), BrushPaint(*t, FState.Rop2));
}

void TCanvas::StrokePath() {
    if (FState.PathOpen || !FState.Path.HasFigure())
        return;
    const QPainterPath path = DevicePath();
    FinishPathUse();
    auto t = Target();
    if (!t)
        return;
    for (const QPolygonF& figure : path.toSubpathPolygons()) {
        const bool closed = figure.size() > 2 && figure.isClosed();
        std::vector<QPoint> pts = RoundedVertices(figure);
        if (!closed && !figure.isEmpty()) {
            // RoundedVertices drops a repeated last point; an open figure keeps its end.
            const QPoint last(static_cast<int>(std::lround(figure.last().x())),
                              static_cast<int>(std::lround(figure.last().y())));
            if (pts.empty() || pts.back() != last)
                pts.push_back(last);
        }
        StrokeDevicePolyline(*t, pts, closed);
    }
}

void TCanvas::StrokeAndFillPath() {
    if (FState.PathOpen || !FState.Path.HasFigure())
        return;
    const QPainterPath path = DevicePath();
    FinishPathUse();
    // Fill all figures together (holes stay holes), leaving out the outlines, then stroke
    // every figure closed.
    std::vector<std::vector<QPoint>> outlines;
    QPainterPath fill;
    fill.setFillRule(path.fillRule());
    for (const QPolygonF& figure : path.toSubpathPolygons()) {
        std::vector<QPoint> pts = RoundedVertices(figure);
        if (pts.empty())
            continue;
        fill.addPath(PolygonPath(pts, FillOffset(), true));
        outlines.push_back(std::move(pts));
    }
    DrawClosedShape(fill, outlines);
}

int TCanvas::SelectClipPath(int Mode) {
    if (FState.PathOpen || !FState.Path.HasFigure())
        return RGN_ERROR;
    const TRegion region = PathToRegion();
    return ExtSelectClipRgn(&region, Mode);
}

TRegion TCanvas::PathToRegion() {
    if (FState.PathOpen)
        return TRegion();
    const TRegion region =
        DevicePathToRegion(DevicePath(), FState.PolyFillMode == WINDING ? WINDING : ALTERNATE);
    FinishPathUse();
    return region;
}

TRegion TCanvas::DevicePathToRegion(const QPainterPath& Path, int FillMode) {
    const TBitmap* b = TargetBitmap();
    if (!b || b->Empty())
        return TRegion::CreateFromPath(Path, FillMode);
    return TRegion::CreateFromPath(Path, FillMode, QRect(0, 0, b->Width(), b->Height()));
}
