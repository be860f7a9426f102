#include "ULODecoLine.h"

#include "UBlendDraw.h"
#include "UCanvas.h"
#include "UGraphic.h"
#include "UQuadMap.h"
#include "UUtils.h"

#include <algorithm>
#include <cmath>

namespace {

// The transparent key of the cached decoration.
constexpr TColor CacheKey = TColor(0xF0F0F0);

// Pixels of a picture as logical units at 180 dots per inch.
int PixelsToLogical(int Pixels) {
    return MulDiv(Pixels, 254, 180);
}

} // namespace

TLODecoLine::TLODecoLine(TComponent* Owner)
    : TLOLine(Owner), FImage(std::make_unique<TPictureEx>()) {
    FImage->OnChange = [this](TPictureEx*) {
        ClearCache();
        Changed();
        Invalidate();
    };
}

TLODecoLine::~TLODecoLine() {
    FImage->OnChange = nullptr;
}

void TLODecoLine::SetImage(TPictureEx* Value) {
    if (Value != FImage.get())
        FImage->Assign(Value);
}

void TLODecoLine::ResetToImage() {
    SetStartPoint(TPoint(0, 0));
    SetEndPoint(TPoint(6 * PixelsToLogical(FImage->Width()), 0));
    SetLineWidth(PixelsToLogical(FImage->Height()));
}

void TLODecoLine::SetLineWidth(int Value) {
    Value = std::max(1, Value);
    if (Value != LineWidth())
        ClearCache();
    TLOLine::SetLineWidth(Value);
}

void TLODecoLine::SetStartPoint(const TPoint& Value) {
    if (!(Value == GetStartPoint()))
        ClearCache();
    TLOLine::SetStartPoint(Value);
}

void TLODecoLine::SetEndPoint(const TPoint& Value) {
    if (!(Value == GetEndPoint()))
        ClearCache();
    TLOLine::SetEndPoint(Value);
}

void TLODecoLine::OffsetBy(int Dx, int Dy) {
    // The cache is kept relative to the line's rectangle, so a move needs no rebuild.
    const TPoint s = GetStartPoint(), e = GetEndPoint();
    TLOLine::SetStartPoint(TPoint(s.x + Dx, s.y + Dy));
    TLOLine::SetEndPoint(TPoint(e.x + Dx, e.y + Dy));
}

bool TLODecoLine::StripQuad(std::array<TPoint, 4>& Quad) const {
    const TPoint s = GetStartPoint(), e = GetEndPoint();
    const double dx = e.x - s.x, dy = e.y - s.y;
    const double length = std::hypot(dx, dy);
    if (RoundOff(length) < 1)
        return false;
    const double ux = dx / length, uy = dy / length;
    const double h = (GeometryWidth() + 4) / 2.0;
    const double nx = uy * h, ny = -ux * h;
    auto at = [](double X, double Y) { return TPoint(int(RoundOff(X)), int(RoundOff(Y))); };
    Quad = {at(s.x + nx, s.y + ny), at(e.x + nx, e.y + ny), at(e.x - nx, e.y - ny),
            at(s.x - nx, s.y - ny)};
    return true;
}

void TLODecoLine::DrawOutline(TCanvas& Canvas) {
    std::array<TPoint, 4> quad;
    if (!StripQuad(quad)) {
        TLOLine::DrawOutline(Canvas);
        return;
    }
    Canvas.MoveTo(quad[3].x, quad[3].y);
    for (const TPoint& p : quad)
        Canvas.LineTo(p.x, p.y);
}

TRect TLODecoLine::CacheRect() const {
    const TRect r = GetRect();
    return TRect(r.Left + FOffsets.Left, r.Top + FOffsets.Top, r.Right + FOffsets.Right,
                 r.Bottom + FOffsets.Bottom);
}

void TLODecoLine::BuildCache() {
    ClearCache();
    const TGraphic* graphic = FImage->Graphic();
    if (!graphic || graphic->Empty() || graphic->Width() <= 0 || graphic->Height() <= 0)
        return;
    std::array<TPoint, 4> quad;
    if (!StripQuad(quad))
        return;
    const TPoint s = GetStartPoint(), e = GetEndPoint();
    const int64_t length = RoundOff(std::hypot(double(e.x - s.x), double(e.y - s.y)));
    const int stripW = int(std::min<int64_t>(length, MaxBitmapSide));
    const int stripH = std::min(GeometryWidth(), MaxBitmapSide);

    // 1. The strip: copies of the picture, drawn opaque, filling it exactly.
    TBitmap strip(stripW, stripH, pf32bit);
    strip.Fill(CacheKey);
    std::unique_ptr<TGraphic> opaque = graphic->CreateNew();
    opaque->Assign(graphic);
    opaque->SetTransparent(false);
    const int64_t fit =
        (int64_t(graphic->Height()) * stripW) / (int64_t(stripH) * graphic->Width());
    const int copies = int(std::clamp<int64_t>(fit, 1, stripW));
    for (int k = 1; k <= copies; ++k)
        opaque->Draw(strip.Canvas(),
                     TRect(MulDiv(stripW, k - 1, copies), 0, MulDiv(stripW, k, copies), stripH));

    // 2. Mapped onto the quadrilateral, at a lower resolution when it is too large.
    TRect box(quad[0].x, quad[0].y, quad[0].x, quad[0].y);
    for (const TPoint& p : quad) {
        box.Left = std::min(box.Left, p.x);
        box.Top = std::min(box.Top, p.y);
        box.Right = std::max(box.Right, p.x);
        box.Bottom = std::max(box.Bottom, p.y);
    }
    const int side = std::max(box.Width(), box.Height());
    const double scale = side > MaxBitmapSide ? double(MaxBitmapSide) / side : 1.0;
    std::array<TPoint, 4> mapped;
    for (size_t i = 0; i < quad.size(); ++i)
        mapped[i] = TPoint(int(RoundOff((quad[i].x - box.Left) * scale)),
                           int(RoundOff((quad[i].y - box.Top) * scale)));
    auto cache = std::make_unique<TBitmap>();
    TRect covered;
    MapBitmapToQuad(*cache, covered, mapped[0], mapped[1], mapped[2], mapped[3], strip,
                    TRect(0, 0, stripW - 1, stripH - 1), CacheKey);
    if (cache->Empty())
        return;
    cache->SetTransparentColor(CacheKey);
    cache->TransparentMode = tmFixed;
    cache->Transparent = true;

    // 3. Where the cache lies, relative to the line's rectangle.
    const TRect r = GetRect();
    FOffsets =
        TRect(box.Left - r.Left, box.Top - r.Top, box.Right - r.Right, box.Bottom - r.Bottom);
    FCache = std::move(cache);
}

void TLODecoLine::Paint() {
    if (!FCache)
        BuildCache();
    if (!FCache)
        return;
    GetCanvas().StretchDraw(CacheRect(), *FCache);
}

void TLODecoLine::FillBlendMask(TBitmap& Mask) {
    if (!FCache)
        BuildCache();
    TCanvas& canvas = Mask.Canvas();
    if (FCache && FCache->PixelFormat() == pf32bit) {
        TBitmap shape(FCache->Width(), FCache->Height(), pf8bit);
        shape.SetColorTable(BlendMaskColorTable());
        for (int y = 0; y < shape.Height(); ++y) {
            const uint8_t* from = FCache->ScanLine(y);
            uint8_t* to = shape.ScanLine(y);
            for (int x = 0; x < shape.Width(); ++x) {
                const uint8_t* px = from + 4 * x; // blue, green, red, unused
                const bool key = RGB(px[2], px[1], px[0]) == CacheKey;
                to[x] = key ? 0 : 255;
            }
        }
        shape.SetTransparentColor(clBlack);
        shape.TransparentMode = tmFixed;
        shape.Transparent = true;
        canvas.StretchDraw(CacheRect(), shape);
    }
    canvas.Brush().SetColor(clBlack);
}

void TLODecoLine::AssignTo(TPersistent* Dest) const {
    TLOLine::AssignTo(Dest);
    auto* d = qobject_cast<TLODecoLine*>(Dest);
    if (!d)
        return;
    d->SetImage(FImage.get());
    d->FCache = FCache ? std::make_unique<TBitmap>(*FCache) : nullptr;
    d->FOffsets = FOffsets;
}
