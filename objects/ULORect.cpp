#include "ULORect.h"

#include "UCanvas.h"
#include "UCanvasGuards.h"
#include "UDrawSite.h"
#include "UPropStream.h"
#include "UUtils.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

// The mitre limit of a device pen when none is chosen, in pen widths.
constexpr double PenMiterLimit = 10.0;

// Frames wider than this (3.2 m, beyond any paper) are taken as this wide, so that no geometry
// overflows.
constexpr int MaxFrameWidth = 32767;

int ClampToInt(double Value) {
    return static_cast<int>(std::clamp(Value, double(INT_MIN), double(INT_MAX)));
}

class TPainterPathSink : public TStrokeSink {
public:
    QPainterPath Path;
    void MoveTo(const TPoint& P) override { Path.moveTo(P.x, P.y); }
    void LineTo(const TPoint& P) override { Path.lineTo(P.x, P.y); }
    void CloseFigure() override { Path.closeSubpath(); }
};

// The smallest integer rectangle holding Box, ignoring the rounding noise of the widening
// arithmetic (a frame edge at 105.0000001 ends at 105).
TRect OuterRect(const QRectF& Box) {
    constexpr double Noise = 1e-6;
    return TRect(
        ClampToInt(std::floor(Box.left() + Noise)), ClampToInt(std::floor(Box.top() + Noise)),
        ClampToInt(std::ceil(Box.right() - Noise)), ClampToInt(std::ceil(Box.bottom() - Noise)));
}

// Length (logical units) on Canvas in device pixels, with a fraction.
double DeviceLength(const TCanvas& Canvas, int Length) {
    constexpr int Precision = 64;
    const TPoint a = Canvas.LPtoDP(TPoint(0, 0));
    const TPoint b = Canvas.LPtoDP(TPoint(std::min(Length, MaxFrameWidth) * Precision, 0));
    return std::abs(b.x - a.x) / double(Precision);
}

// Logical length of N device pixels of the surface Object lies on (at least 1); N units off
// a surface.
int LogicalPixels(const TDrawObject& Object, int N) {
    TDrawSite* site = Object.DrawSite();
    if (!site)
        return N;
    const TPoint a = site->DPtoLP(TPoint(0, 0));
    const TPoint b = site->DPtoLP(TPoint(N, 0));
    return std::max(1, std::abs(b.x - a.x));
}

// The area of Stroke on Canvas (device pixels), as a path fills it.
TRegion StrokeRegion(TCanvas& Canvas, const TStroke& Stroke) {
    Stroke.MakePath(Canvas);
    return Canvas.PathToRegion();
}

// Runs Fill with Canvas's clip narrowed to Area (device pixels), restored afterwards.
void FillThrough(TCanvas& Canvas, const TRegion& Area, const std::function<void()>& Fill) {
    TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    Canvas.ExtSelectClipRgn(&Area, RGN_AND);
    Fill();
}

} // namespace

QPainterPath StrokeToPainterPath(const TStroke& Stroke) {
    TPainterPathSink sink;
    Stroke.Replay(sink);
    sink.Path.setFillRule(Qt::WindingFill);
    return sink.Path;
}

QPainterPath WidenPath(const QPainterPath& Path, double Width) {
    if (Width <= 0)
        return {};
    QPainterPathStroker stroker;
    stroker.setWidth(Width);
    stroker.setCapStyle(Qt::SquareCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setMiterLimit(PenMiterLimit);
    QPainterPath widened = stroker.createStroke(Path);
    widened.setFillRule(Qt::WindingFill);
    return widened;
}

// ---------------------------------------------------------------------------------------
// TLORect

TLORect::TLORect(TComponent* Owner)
    : TLORectBase(Owner), FFrameColor(std::make_unique<TColorSpec>()),
      FFillColor(std::make_unique<TColorSpec>()) {
    FFrameColor->OnChange = [this](TColorSpec*) { ColorChanged(); };
    FFillColor->OnChange = [this](TColorSpec*) { ColorChanged(); };
}

TLORect::~TLORect() {
    FFrameColor->OnChange = nullptr;
    FFillColor->OnChange = nullptr;
}

void TLORect::ColorChanged() {
    Changed();
    Invalidate();
}

void TLORect::SetFrameWidth(int Value) {
    Value = std::clamp(Value, 0, MaxFrameWidth);
    if (Value == FFrameWidth)
        return;
    FFrameWidth = Value;
    UpdateBounds();
    Invalidate();
    Changed();
}

void TLORect::SetFrameColor(TColorSpec* Value) {
    if (Value)
        FFrameColor->Assign(Value);
}

void TLORect::SetFillColor(TColorSpec* Value) {
    if (Value)
        FFillColor->Assign(Value);
}

void TLORect::SetFillInside(bool Value) {
    if (Value == FFillInside)
        return;
    FFillInside = Value;
    Invalidate();
    Changed();
}

void TLORect::SetRoundRect(bool Value) {
    if (Value == FRoundRect)
        return;
    FRoundRect = Value;
    ClearStroke();
    Invalidate();
    Changed();
}

void TLORect::SetAngle(int Value) {
    if (Value == FRotator.GetAngle())
        return;
    FRotator.SetAngle(Value);
    ClearStroke();
    Changed();
    Invalidate();
    UpdateBounds();
}

// The turning centre and the outline follow the rectangle before the change is announced,
// so that whoever looks at the bounds then sees the new ones.
void TLORect::SetBoundsRect(const TRect& R) {
    TRect r = ClampLogical(R);
    NormalizeRect(r);
    FRotator.SetCenter(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    ClearStroke();
    TLORectBase::SetBoundsRect(r);
}

const TStroke& TLORect::OutlineStroke() const {
    if (!FStrokeValid) {
        BuildStroke(FStroke);
        FRotator.TransformStroke(FStroke);
        FStrokeValid = true;
    }
    return FStroke;
}

void TLORect::BuildStroke(TStroke& Stroke) const {
    const TRect r = GetRect();
    if (FRoundRect)
        Stroke.SetRoundRect(r, std::min(r.Width(), r.Height()) / 3);
    else
        Stroke.SetRect(r);
}

int TLORect::EffectiveFrameWidth() const {
    if (!IsOnDrawSite())
        return FFrameWidth;
    return std::max(FFrameWidth, LogicalPixels(*this, 2));
}

bool TLORect::PaintsInside() const {
    return FFillInside && Width() > FFrameWidth && Height() > FFrameWidth;
}

void TLORect::DefineProperties(TFiler& Filer) {
    TLORectBase::DefineProperties(Filer);
    // Older streams spell RoundRect this way.
    Filer.DefineProperty(
        "Round", [this](TReader& Reader) { SetRoundRect(Reader.ReadBoolean()); }, nullptr, false);
}

TRect TLORect::GetBoundsRect() const {
    const QPainterPath outline = StrokeToPainterPath(OutlineStroke());
    if (FFrameWidth <= 0)
        return OuterRect(outline.boundingRect());
    return OuterRect(WidenPath(outline, FFrameWidth).boundingRect());
}

bool TLORect::HitTest(const TPoint& P) const {
    const int pixel = LogicalPixels(*this, 1);
    const QPointF centre(P.x + 0.5, P.y + 0.5);
    const QPainterPath outline = StrokeToPainterPath(OutlineStroke());
    if (WidenPath(outline, FFrameWidth + pixel).contains(centre))
        return true;
    return (FFillInside || FFrameWidth == 0) && outline.contains(centre);
}

void TLORect::ResizeTo(int AWidth, int AHeight) {
    int w = Width(), h = Height();
    if (GetAngle() != 0) {
        const TRect b = GetBoundsRect();
        if (b.Width() > 0)
            w = MulDiv(Width(), AWidth, b.Width());
        if (b.Height() > 0)
            h = MulDiv(Height(), AHeight, b.Height());
    } else {
        w = ClampToInt(double(AWidth) - FFrameWidth);
        h = ClampToInt(double(AHeight) - FFrameWidth);
    }
    const TRect r = GetRect();
    SetBoundsRect(TRect(r.Left, r.Top, r.Left + std::max(0, w), r.Top + std::max(0, h)));
}

void TLORect::DrawOutline(TCanvas& Canvas) {
    OutlineStroke().Draw(Canvas);
}

TRegion TLORect::InsideRegion(TCanvas& Canvas) const {
    return StrokeRegion(Canvas, OutlineStroke());
}

TRegion TLORect::WidenedOutlineRegion(TCanvas& Canvas, int W) const {
    OutlineStroke().MakePath(Canvas);
    const QPainterPath path = Canvas.DevicePath();
    Canvas.AbortPath();
    return Canvas.DevicePathToRegion(WidenPath(path, std::max(1.0, DeviceLength(Canvas, W))),
                                     WINDING);
}

TRegion TLORect::FrameRegion(TCanvas& Canvas, int W) const {
    if (FRoundRect)
        return WidenedOutlineRegion(Canvas, W);
    // Square corners: the band between the rectangle grown by half the width outside and
    // shrunk by the rest inside. A frame as wide as the shape has no inside to cut out.
    const TRect r = GetRect();
    const TRect outer(r.Left - W / 2, r.Top - W / 2, r.Right + (W - W / 2), r.Bottom + (W - W / 2));
    const TRect inner(r.Left + (W - W / 2), r.Top + (W - W / 2), r.Right - W / 2, r.Bottom - W / 2);
    TStroke s;
    s.SetRect(outer);
    FRotator.TransformStroke(s);
    TRegion band = StrokeRegion(Canvas, s);
    if (inner.Left < inner.Right && inner.Top < inner.Bottom) {
        s.SetRect(inner);
        FRotator.TransformStroke(s);
        const TRegion hole = StrokeRegion(Canvas, s);
        TRegion result;
        result.Combine(band, hole, RGN_DIFF);
        band = result;
    }
    return band;
}

// The area the frame's fill covers: the bounds, grown when the frame is painted wider than
// stored (thin frames on a surface at low zoom) so that the wider frame is filled whole.
TRect TLORect::FrameFillRect(int W) const {
    TRect r = GetBoundsRect();
    if (W > FFrameWidth) {
        const int grow = (W - FFrameWidth + 1) / 2;
        InflateRect(r, grow, grow);
    }
    return r;
}

void TLORect::Paint() {
    TCanvas& canvas = GetCanvas();
    if (PaintsInside()) {
        const TRect b = GetBoundsRect();
        FillThrough(canvas, InsideRegion(canvas), [&] { FFillColor->Fill(canvas, b); });
    }
    if (FFrameWidth > 0) {
        const int w = EffectiveFrameWidth();
        const TRect b = FrameFillRect(w);
        FillThrough(canvas, FrameRegion(canvas, w), [&] { FFrameColor->Fill(canvas, b); });
    }
}

void TLORect::FillBlendMask(TBitmap& Mask) {
    TCanvas& canvas = Mask.Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite); // grey index 255: the object
    if (FFrameWidth > 0) {
        const int w = EffectiveFrameWidth();
        const TRect b = FrameFillRect(w);
        FillThrough(canvas, FrameRegion(canvas, w), [&] { canvas.FillRect(b); });
    }
    if (PaintsInside()) {
        const TRect b = GetBoundsRect();
        FillThrough(canvas, InsideRegion(canvas), [&] { canvas.FillRect(b); });
    }
    canvas.Brush().SetColor(clBlack);
}

bool TLORect::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDOBlend>(this, Id, Obj) || AnswerInterface<IDOColor>(this, Id, Obj) ||
           AnswerInterface<IDOShadow>(this, Id, Obj) || AnswerInterface<IDORotate>(this, Id, Obj) ||
           TLORectBase::QueryInterface(Id, Obj);
}

void TLORect::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    auto* d = qobject_cast<TLORect*>(Dest);
    if (!d)
        return;
    d->SetFrameWidth(FFrameWidth);
    d->SetFrameColor(FFrameColor.get());
    d->SetFillColor(FFillColor.get());
    d->SetFillInside(FFillInside);
    d->SetAngle(GetAngle());
    d->SetRoundRect(FRoundRect);
}

// ---------------------------------------------------------------------------------------
// TLOCircle

TLOCircle::TLOCircle(TComponent* Owner) : TLORect(Owner) {}

void TLOCircle::BuildStroke(TStroke& Stroke) const {
    Stroke.SetEllipse(GetRect());
}

TRegion TLOCircle::FrameRegion(TCanvas& Canvas, int W) const {
    return WidenedOutlineRegion(Canvas, W);
}
