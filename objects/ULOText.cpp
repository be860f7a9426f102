#include "ULOText.h"

#include "UCanvas.h"
#include "UDrawSite.h"
#include "URotatedRect.h"
#include "UUtils.h"

#include <QRegularExpression>

#include <cmath>
#include <numbers>

const TPoint TLOText::ShadowPresets[TLOText::ShadowPresetCount] = {
    {0, 0}, {-7, -7}, {0, -7}, {7, -7}, {-7, 0}, {7, 0}, {-7, 7}, {0, 7}, {7, 7}};

namespace {

TPoint Turned(const TPoint& P, const TPoint& Centre, int Angle) {
    TRotator rotator;
    rotator.SetCenter(Centre);
    rotator.SetAngle(Angle);
    TPoint q = P;
    rotator.TransformPoint(q);
    return q;
}

// Keeps a surface's modified flag as it was: re-fitting a text to this machine's font
// metrics while it is placed or read is no edit of the user's.
class TKeepSiteUnmodified {
public:
    explicit TKeepSiteUnmodified(TDrawSite* Site)
        : FSite(Site), FWasModified(Site && Site->Modified()) {}
    ~TKeepSiteUnmodified() {
        if (FSite && !FWasModified && FSite->Modified())
            FSite->SetModified(false);
    }
    TKeepSiteUnmodified(const TKeepSiteUnmodified&) = delete;
    TKeepSiteUnmodified& operator=(const TKeepSiteUnmodified&) = delete;

private:
    TDrawSite* FSite;
    bool FWasModified;
};

// Distance from P to the segment A-B.
double SegmentDistance(const TPoint& P, const TPoint& A, const TPoint& B) {
    const double dx = double(B.x) - A.x, dy = double(B.y) - A.y;
    const double px = double(P.x) - A.x, py = double(P.y) - A.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - t * dx, py - t * dy);
}

} // namespace

TLOText::TLOText(TComponent* Owner)
    : TLORectBase(Owner), FText(std::make_unique<TSimpleText>()),
      FTextColor(std::make_unique<TColorSpec>()), FOutlineColor(std::make_unique<TColorSpec>()),
      FShadowColor(std::make_unique<TColorSpec>()),
      FDistortion(std::make_unique<TCoonsDistortion>()) {
    for (TColorSpec* colour : {FTextColor.get(), FOutlineColor.get(), FShadowColor.get()})
        colour->OnChange = [this](TColorSpec*) { StyleChanged(); };
    FText->OnChange = [this](TSimpleText*) { TextChanged(); };
    FText->BeginUpdate();
    FText->Font()->SetSize(24);
    FText->SetAlign(0);
    FText->SetVertical(false);
    FText->SetCharSpacing(0);
    FText->SetLineSpacing(0);
    FText->EndUpdate();
    FRotator.SetAngle(0);
    FDistortionRatio = 100;
}

TLOText::~TLOText() {
    // The owned parts go first; nothing may call back into a half-destroyed object.
    FText->OnChange = nullptr;
    for (TColorSpec* colour : {FTextColor.get(), FOutlineColor.get(), FShadowColor.get()})
        colour->OnChange = nullptr;
}

// ---- Change handlers ----------------------------------------------------------------------

void TLOText::ClearStrokes() const {
    FTextStroke.Clear();
    FGlyphStroke.Clear();
    FGlyphRegions.clear();
    FTextMasks.clear();
    FBlendMask = TDevicePicture();
    FBlendColours = TDevicePicture();
}

void TLOText::StyleChanged() {
    ClearStrokes();
    Invalidate();
    Changed();
}

void TLOText::TextChanged() {
    ClearStrokes();
    ApplyAutoSize();
    Changed();
    Invalidate();
    UpdateBounds();
}

// ---- Properties ---------------------------------------------------------------------------

QString TLOText::PlainText() const {
    return Text().Lines().join(QStringLiteral("\r\n"));
}

void TLOText::SetPlainText(const QString& Value) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    // No lines at all for an empty text, so that the screen shows the placeholder.
    SetText(Value.isEmpty() ? TStringList() : TStringList(Value.split(breaks)));
}

void TLOText::SetCharSpacing(int Value) {
    if (Value != FText->CharSpacing())
        FText->SetCharSpacing(Value);
}

void TLOText::SetLineSpacing(int Value) {
    if (Value != FText->LineSpacing())
        FText->SetLineSpacing(Value);
}

void TLOText::SetAngle(int Value) {
    // Normalised fully: every int gives 0..359, the same as (A + 360) mod 360 for the
    // -360..359 that ghosts and dialogs produce.
    const int a = ((Value % 360) + 360) % 360;
    if (a == FRotator.GetAngle() && a == FText->Angle())
        return;
    FRotator.SetAngle(a);
    ClearStrokes();
    if (FText->Angle() != a)
        FText->SetAngle(a);
    else
        TextChanged();
}

void TLOText::SetCoonsDistortion(TCoonsDistortion* Value) {
    if (Value && Value != FDistortion.get())
        FDistortion->Assign(*Value);
    StyleChanged();
}

void TLOText::SetDistortionRatio(int Value) {
    if (Value == FDistortionRatio)
        return;
    FDistortionRatio = Value;
    StyleChanged();
}

void TLOText::SetTextColor(TColorSpec* Value) {
    if (Value && Value != FTextColor.get())
        FTextColor->Assign(Value);
}

void TLOText::SetOutline(bool Value) {
    if (Value == FOutline)
        return;
    FOutline = Value;
    StyleChanged();
}

void TLOText::SetOutlineColor(TColorSpec* Value) {
    if (Value && Value != FOutlineColor.get())
        FOutlineColor->Assign(Value);
}

void TLOText::SetOutLineWidth(int Value) {
    Value = ClampLogical(Value);
    if (Value == FOutLineWidth)
        return;
    FOutLineWidth = Value;
    StyleChanged();
    UpdateBounds();
}

int TLOText::Shadow() const {
    for (int i = 0; i < ShadowPresetCount; ++i)
        if (ShadowPresets[i] == TPoint(FShadowOffsetX, FShadowOffsetY))
            return i;
    return ShadowPresetCount;
}

void TLOText::SetShadow(int Value) {
    if (Value < 0 || Value >= ShadowPresetCount)
        return;
    SetShadowOffsetX(ShadowPresets[Value].x);
    SetShadowOffsetY(ShadowPresets[Value].y);
}

void TLOText::SetShadowOffsetX(int Value) {
    Value = ClampLogical(Value);
    if (Value == FShadowOffsetX)
        return;
    FShadowOffsetX = Value;
    TextChanged();
}

void TLOText::SetShadowOffsetY(int Value) {
    Value = ClampLogical(Value);
    if (Value == FShadowOffsetY)
        return;
    FShadowOffsetY = Value;
    TextChanged();
}

void TLOText::SetShadowColor(TColorSpec* Value) {
    if (Value && Value != FShadowColor.get())
        FShadowColor->Assign(Value);
}

void TLOText::SetDiagonalAlign(int Value) {
    if (Value == 1 || Value == 4)
        SetFeedAngle(45);
    else if (Value == 2 || Value == 3)
        SetFeedAngle(-45);
}

void TLOText::SetVertical(bool Value) {
    if (Value == FText->Vertical())
        return;
    if (!FAssigning && !(ComponentState() & (csLoading | csReading))) {
        // A quarter turn of the rectangle about the rotation centre.
        const TPoint c = FRotator.GetCenter();
        TRect r = GetRect();
        OffsetRect(r, -c.x, -c.y);
        TRect t(r.Top, r.Left, r.Bottom, r.Right);
        OffsetRect(t, c.x, c.y);
        SetBoundsRect(t);
    }
    FText->SetVertical(Value);
}

void TLOText::SetBoundsRect(const TRect& R) {
    const TRect before = GetRect();
    TLORectBase::SetBoundsRect(R);
    const TRect r = GetRect();
    FRotator.SetCenter(RectCenter(r));
    if (r != before)
        ClearStrokes();
    UpdateBounds();
}

void TLOText::SetParent(TWinControl* Value) {
    TLORectBase::SetParent(Value);
    const TKeepSiteUnmodified keep(DrawSite());
    ApplyAutoSize();
}

// ---- Geometry -----------------------------------------------------------------------------

void TLOText::GetShadowOffset(TPoint& Offset) const {
    const int h = FText->GetFontHeight();
    Offset = TPoint(MulDiv(h, FShadowOffsetX, 100), MulDiv(h, FShadowOffsetY, 100));
}

bool TLOText::Distorted() const {
    return Bulge() == 0 && !FDistortion->IsEmpty();
}

void TLOText::GetChordPoints(TPoint& Start, TPoint& End) const {
    const TRect r = GetRect();
    if (GetVertical()) {
        Start = TPoint((r.Left + r.Right) / 2, r.Top);
        End = TPoint(Start.x, r.Bottom);
    } else {
        Start = TPoint(r.Left, (r.Top + r.Bottom) / 2);
        End = TPoint(r.Right, Start.y);
    }
    FRotator.TransformPoint(Start);
    FRotator.TransformPoint(End);
}

int TLOText::TextThickness() const {
    const TRect b = FText->GetTextBounds(GetRect(), false);
    return GetVertical() ? b.Width() : b.Height();
}

bool TLOText::GetAdjustedArc(TArc& Arc) const {
    TPoint s, e;
    GetChordPoints(s, e);
    if (!ArcFromChord(Arc, s, e, Bulge()))
        return false;
    Arc.Radius += FText->GetFontHeight() / 2 - TextThickness() / 2;
    return true;
}

void TLOText::GetFrameStroke(TStroke& Stroke) const {
    TRect r = GetRect();
    InflateRect(r, FOutLineWidth, FOutLineWidth);
    TPoint d;
    GetShadowOffset(d);
    if (d.x != 0 || d.y != 0) {
        d = Turned(d, TPoint(0, 0), -GetAngle());
        TRect moved = GetRect();
        OffsetRect(moved, d.x, d.y);
        TRect u;
        UnionRect(u, r, moved);
        r = u;
    }
    Stroke.SetRect(r);
    FRotator.TransformStroke(Stroke);
}

TRect TLOText::ArcBandBounds(const TArc& Arc) const {
    TRect r = GetArcBounds(Arc);
    TRect r2 = r;
    InflateRect(r2, FOutLineWidth, FOutLineWidth);
    TPoint d;
    GetShadowOffset(d);
    (d.x < 0 ? r.Left : r.Right) += d.x;
    (d.y < 0 ? r.Top : r.Bottom) += d.y;
    TRect u;
    UnionRect(u, r, r2);
    const int t = TextThickness() / 2;
    InflateRect(u, t, t);
    return u;
}

TRect TLOText::GetBoundsRect() const {
    TArc arc;
    if (Bulge() != 0 && GetAdjustedArc(arc))
        return ArcBandBounds(arc);
    // No arc (Bulge 0, or a chord too short for one): the text lies straight in its frame.
    TStroke frame;
    GetFrameStroke(frame);
    return frame.GetBounds();
}

bool TLOText::HitTest(const TPoint& P) const {
    TArc arc;
    TPoint s, e;
    GetChordPoints(s, e);
    if (Bulge() == 0 || !ArcFromChord(arc, s, e, Bulge())) {
        // A bulged text whose chord forms no arc is drawn straight: it is hit where it lies,
        // not everywhere on the page.
        if (GetAngle() == 0)
            return TLORectBase::HitTest(P);
        return RotatedRectContains(GetRect(), FRotator, P);
    }
    // The band of the text along the arc, as wide as the text plus one device pixel.
    int pixel = 3;
    if (TDrawSite* site = DrawSite()) {
        const TPoint a = site->DPtoLP(TPoint(0, 0));
        const TPoint b = site->DPtoLP(TPoint(1, 0));
        pixel = std::max(1, std::abs(b.x - a.x));
    }
    const int width = TextThickness() + pixel;
    arc.Radius += FText->GetFontHeight() / 2 - width / 2;
    TPoint p1, pm, p3;
    GetArcPoints(p1, pm, p3, arc);
    const std::vector<TPoint> line = GetArcByPointsPolyline(p1, pm, p3);
    const double reach = width / 2.0;
    for (size_t i = 1; i < line.size(); ++i)
        if (SegmentDistance(P, line[i - 1], line[i]) <= reach)
            return true;
    return line.size() == 1 && SegmentDistance(P, line[0], line[0]) <= reach;
}

void TLOText::ResizeTo(int AWidth, int AHeight) {
    const TRect b = GetBoundsRect();
    int w = Width(), h = Height();
    if (Bulge() == 0 && GetAngle() == 0) {
        // The outline and shadow margins stay as they are.
        w = AWidth - (b.Width() - w);
        h = AHeight - (b.Height() - h);
    } else {
        // Degenerate bounds leave the dimension as it is.
        if (b.Width() != 0)
            w = MulDiv(w, AWidth, b.Width());
        if (b.Height() != 0)
            h = MulDiv(h, AHeight, b.Height());
    }
    SetBoundsRect(TRect(Left(), Top(), Left() + w, Top() + h));
}

void TLOText::DrawOutline(TCanvas& Canvas) {
    TArc arc;
    if (Bulge() != 0 && GetAdjustedArc(arc)) {
        // The outline of the band the text runs in.
        TPoint p1, pm, p3;
        GetArcPoints(p1, pm, p3, arc);
        const int old = Canvas.Pen().Width();
        Canvas.Pen().SetWidth(TextThickness());
        Canvas.BeginPath();
        AddArcOutlineToPath(Canvas, p1, pm, p3);
        Canvas.EndPath();
        Canvas.Pen().SetWidth(old);
        Canvas.StrokePath();
        return;
    }
    const TRect rect = GetRect();
    const TRect bounds = FText->GetTextBounds(rect, false);
    TStroke box;
    if (!Distorted()) {
        // The text's own box in a solid line, then the frame in the caller's pen.
        TRect r;
        IntersectRect(r, bounds, rect);
        box.SetRect(r);
        FRotator.TransformStroke(box);
        const TPenStyle style = Canvas.Pen().Style();
        Canvas.Pen().SetStyle(psSolid);
        box.Draw(Canvas);
        Canvas.Pen().SetStyle(style);
        TStroke frame;
        GetFrameStroke(frame);
        frame.Draw(Canvas);
        return;
    }
    // The text's box bent as its glyphs are.
    box.SetRect(bounds);
    box.Subdivide();
    TCoonsDistortion patch;
    patch.Assign(*FDistortion);
    patch.ApplyRatio(FDistortionRatio);
    patch.SetSourceRect(bounds);
    patch.SetTargetRect(rect);
    patch.TransformStroke(box);
    FRotator.TransformStroke(box);
    box.Draw(Canvas);
}

void TLOText::RotateTo(int A) {
    if (Bulge() != 0) {
        const TPoint c = RectCenter(GetBoundsRect());
        const TPoint old = FRotator.GetCenter();
        const TPoint moved = Turned(old, c, A - GetAngle());
        TRect r = GetRect();
        OffsetRect(r, moved.x - old.x, moved.y - old.y);
        SetBoundsRect(r);
    }
    SetAngle(A);
}

// ---- Auto size ----------------------------------------------------------------------------

TRect TLOText::Fit(const TRect& R0) const {
    TRect b = FText->GetTextBounds(R0, true);
    const bool vertical = GetVertical();
    const int align = GetAlign();
    if (b.Width() < MinAutoSize) {
        b.Right = b.Left + MinAutoSize;
        if (!vertical && align == 1) {
            b.Left = (R0.Left + R0.Right - MinAutoSize) / 2;
            b.Right = b.Left + MinAutoSize;
        } else if (vertical || align == 2) {
            b.Right = R0.Right;
            b.Left = b.Right - MinAutoSize;
        }
    }
    if (b.Height() < MinAutoSize) {
        b.Bottom = b.Top + MinAutoSize;
        if (vertical && align == 1) {
            b.Top = (R0.Top + R0.Bottom - MinAutoSize) / 2;
            b.Bottom = b.Top + MinAutoSize;
        } else if (vertical && align == 2) {
            b.Bottom = R0.Bottom;
            b.Top = b.Bottom - MinAutoSize;
        }
    }
    return b;
}

TPoint TLOText::Anchor(const TRect& R) const {
    const int align = GetAlign();
    TPoint p;
    if (!GetVertical())
        p = align == 1 ? TPoint((R.Left + R.Right) / 2, R.Top)
                       : (align == 2 ? TPoint(R.Right, R.Top) : TPoint(R.Left, R.Top));
    else
        p = align == 1 ? TPoint(R.Right, (R.Top + R.Bottom) / 2)
                       : (align == 2 ? TPoint(R.Right, R.Bottom) : TPoint(R.Right, R.Top));
    const TPoint centre = IsRectEmpty(R) ? FRotator.GetCenter() : RectCenter(R);
    return Turned(p, centre, GetAngle());
}

void TLOText::ApplyAutoSize() {
    if (!FAutoSize || !IsOnDrawSite() || Bulge() != 0)
        return;
    const TRect rect = GetRect();
    TRect r;
    if (GetAngle() == 0 || (GetAlign() == 3 && Width() == 0 && Height() == 0)) {
        r = Fit(rect);
    } else {
        const TPoint p1 = Anchor(rect);
        r = Fit(rect);
        const TPoint p2 = Anchor(r);
        OffsetRect(r, p1.x - p2.x, p1.y - p2.y);
    }
    SetBoundsRect(r);
}

// ---- Curve editing ------------------------------------------------------------------------

TPoint TLOText::GetStartPoint() const {
    if (FCurveEditing)
        return FChordStart;
    TPoint s, e;
    GetChordPoints(s, e);
    return s;
}

TPoint TLOText::GetEndPoint() const {
    if (FCurveEditing)
        return FChordEnd;
    TPoint s, e;
    GetChordPoints(s, e);
    return e;
}

void TLOText::SetStartPoint(const TPoint& Value) {
    FAutoSize = false;
    FChordStart = Value;
}

void TLOText::SetEndPoint(const TPoint& Value) {
    FAutoSize = false;
    FChordEnd = Value;
}

void TLOText::BeginBulgeDrag() {
    FCurveEditing = true;
    GetChordPoints(FChordStart, FChordEnd);
}

TPoint TLOText::GetBulgePoint() const {
    return ::GetBulgePoint(GetStartPoint(), GetEndPoint(), Bulge());
}

void TLOText::SetBulgePoint(const TPoint& Value) {
    SetBulge(GetPointsBulge(GetStartPoint(), Value, GetEndPoint()));
}

void TLOText::EndBulgeDrag() {
    FAutoSize = false;
    const TPoint s = GetStartPoint(), e = GetEndPoint();
    FCurveEditing = false;
    const int a = static_cast<int>(
        RoundOff(std::atan2(double(s.y - e.y), double(s.x - e.x)) * 180.0 / std::numbers::pi));
    const bool vertical = GetVertical();
    const int n = vertical ? a - 270 : a - 180;
    TRotator back;
    back.SetCenter(TPoint((s.x + e.x) / 2, (s.y + e.y) / 2));
    back.SetAngle(-n);
    TPoint s1 = s, e1 = e;
    back.TransformPoint(s1);
    back.TransformPoint(e1);
    TRect r = vertical ? TRect(s1.x - Width() / 2, s1.y, e1.x + Width() / 2, e1.y)
                       : TRect(s1.x, s1.y - Height() / 2, e1.x, e1.y + Height() / 2);
    NormalizeRect(r);
    SetBoundsRect(r);
    SetAngle(n);
}

// ---- Copying, loading, interfaces ---------------------------------------------------------

void TLOText::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    auto* d = qobject_cast<TLOText*>(Dest);
    if (!d)
        return;
    d->FAssigning = true;
    struct TDone {
        TLOText* D;
        ~TDone() { D->FAssigning = false; }
    } const done{d};
    d->SetVertical(GetVertical());
    d->FAutoSize = FAutoSize;
    d->FDistortionRatio = FDistortionRatio;
    d->FTextColor->Assign(FTextColor.get());
    d->SetText(Text());
    d->Font()->Assign(*Font());
    d->SetAlign(GetAlign());
    d->SetCharSpacing(CharSpacing());
    d->SetLineSpacing(LineSpacing());
    d->SetAngle(GetAngle());
    d->SetCoonsDistortion(FDistortion.get());
    d->SetOutline(FOutline);
    d->FOutlineColor->Assign(FOutlineColor.get());
    d->SetOutLineWidth(FOutLineWidth);
    d->SetShadowOffsetX(FShadowOffsetX);
    d->SetShadowOffsetY(FShadowOffsetY);
    d->FShadowColor->Assign(FShadowColor.get());
    d->SetBulge(Bulge());
    d->FFieldNo = FFieldNo;
    d->FFieldType = FFieldType;
    d->SetHanToZen(HanToZen());
    d->SetNumToKnj(NumToKnj());
    d->SetMinusExc(MinusExc());
    d->SetFeedAngle(GetFeedAngle());
    d->FTextStroke.Assign(FTextStroke);
}

void TLOText::Loaded() {
    TLORectBase::Loaded();
    const TKeepSiteUnmodified keep(DrawSite());
    if (FOutline && FOutLineWidth == 0)
        SetOutLineWidth(1);
    const int align = GetAlign();
    if (align == 4 || align == 5) {
        // Arc text of older versions: a square whose inscribed arc carries the text.
        const int h = FText->GetFontHeight();
        TRect r = GetRect();
        if (Width() >= Height()) {
            SetBulge(align == 4 ? (Height() - h) / 2 : (h - Height()) / 2);
            r.Left = (r.Left + r.Right) / 2 - Height() / 2;
            r.Right = r.Left + Height();
        } else {
            SetBulge(align == 4 ? (Width() - h) / 2 : (h - Width()) / 2);
            r.Top = (r.Top + r.Bottom) / 2 - Width() / 2;
            r.Bottom = r.Top + Width();
        }
        InflateRect(r, -(h / 2), -(h / 2));
        SetBoundsRect(r);
    }
    if (FVersion != 1 && Bulge() != 0) {
        SetAlign(1);
        SetCharSpacing(0);
        if (Text().Count() > 1)
            SetText(TStringList(QStringList{Text()[0]}));
        if (GetVertical()) {
            const TRect old = GetRect();
            TRect r = old;
            r.Bottom = r.Top + r.Width();
            SetBoundsRect(CenterRectOn(r, RectCenter(old)));
            SetAngle(GetAngle() - 90);
        }
    }
    // Placed on a surface while being read: fitted once everything is known.
    ApplyAutoSize();
}

bool TLOText::QueryInterface(const TGUID& Id, void** Obj) {
    if (Id == IDOShadow::IID) {
        *Obj = nullptr;
        return false;
    }
    if (Id == IDOCurve::IID && Distorted()) {
        *Obj = nullptr;
        return false;
    }
    return AnswerInterface<IDOFeedAngle>(this, Id, Obj) ||
           AnswerInterface<IDOBlend>(this, Id, Obj) || AnswerInterface<IDOColor>(this, Id, Obj) ||
           AnswerInterface<IDOCurve>(this, Id, Obj) || AnswerInterface<IDOAlign>(this, Id, Obj) ||
           AnswerInterface<IDOFont>(this, Id, Obj) || AnswerInterface<IDOVertical>(this, Id, Obj) ||
           AnswerInterface<IDOAutoSize>(this, Id, Obj) ||
           AnswerInterface<IDORotate>(this, Id, Obj) || TLORectBase::QueryInterface(Id, Obj);
}

bool TLOText::NeedsBlend() {
    return GetRatio() != 100;
}
