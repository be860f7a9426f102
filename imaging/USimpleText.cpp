#include "USimpleText.h"

#include "UBitmap.h"
#include "UCurveGeometry.h"
#include "UJString.h"
#include "UStroke.h"
#include "UTransformer.h"

#include <climits>
#include <cmath>
#include <numbers>

namespace {

const TStringList& Placeholder() {
    static const TStringList lines(QStringList{QStringLiteral("未入力項目")});
    return lines;
}

struct TScratch {
    TBitmap Bitmap{1, 1};
    TScratch() { Bitmap.Canvas().Font().SetPixelsPerInch(254); }
};

} // namespace

TCanvas& TSimpleText::ScratchCanvas() {
    static TScratch scratch;
    return scratch.Bitmap.Canvas();
}

TSimpleText::TSimpleText() : FFont(std::make_unique<TPointBasedFont>()) {
    FFont->OnChange = [this] { FontChanged(); };
}

TSimpleText::~TSimpleText() = default;

void TSimpleText::Assign(const TPersistent* Source) {
    const auto* src = qobject_cast<const TSimpleText*>(Source);
    if (!src || src == this)
        return;
    BeginUpdate();
    SetText(src->FText);
    SetFont(src->FFont.get());
    SetAlign(src->FAlign);
    SetVertical(src->FVertical);
    SetCharSpacing(src->FCharSpacing);
    SetLineSpacing(src->FLineSpacing);
    SetBulge(src->FBulge);
    SetAngle(src->FAngle);
    SetHanToZen(src->FHanToZen);
    SetNumToKnj(src->FNumToKnj);
    SetMinusExc(src->FMinusExc);
    FConverted = src->FConverted;
    SetFeedAngle(src->FFeedAngle);
    EndUpdate();
}

void TSimpleText::BeginUpdate() {
    ++FUpdateCount;
}

void TSimpleText::EndUpdate() {
    --FUpdateCount;
    if (FUpdateCount == 0 && FPending >= 1) {
        FPending = 0;
        if (OnChange)
            OnChange(this);
    }
}

void TSimpleText::Changed() {
    ++FPending;
    BeginUpdate();
    EndUpdate();
}

template <class T>
void TSimpleText::Set(T& Field, const T& Value, bool Drop, bool ClearConverted) {
    if (Field == Value)
        return;
    Field = Value;
    if (ClearConverted)
        FConverted.Clear();
    if (Drop || ClearConverted)
        DropLayouts();
    Changed();
}

void TSimpleText::SetText(const TStringList& Value) {
    if (FText == Value)
        return;
    FText = Value;
    TextChanged();
}

void TSimpleText::SetFont(TPointBasedFont* Value) {
    if (Value && Value != FFont.get())
        FFont->Assign(*Value);
}

void TSimpleText::SetAlign(int Value) {
    Set(FAlign, Value, false, false);
}
void TSimpleText::SetVertical(bool Value) {
    Set(FVertical, Value, true, false);
}
void TSimpleText::SetCharSpacing(int Value) {
    Set(FCharSpacing, Value, true, false);
}
void TSimpleText::SetLineSpacing(int Value) {
    Set(FLineSpacing, Value, false, false);
}
void TSimpleText::SetBulge(int Value) {
    Set(FBulge, Value, false, false);
}
void TSimpleText::SetAngle(int Value) {
    Set(FAngle, Value, false, false);
}
void TSimpleText::SetHanToZen(bool Value) {
    Set(FHanToZen, Value, true, true);
}
void TSimpleText::SetNumToKnj(bool Value) {
    Set(FNumToKnj, Value, true, true);
}
void TSimpleText::SetMinusExc(bool Value) {
    Set(FMinusExc, Value, true, true);
}
void TSimpleText::SetFeedAngle(int Value) {
    Set(FFeedAngle, Value, false, false);
}

void TSimpleText::TextChanged() {
    DropLayouts();
    FConverted.Clear();
    Changed();
}

void TSimpleText::FontChanged() {
    DropLayouts();
    Changed();
}

const TStringList& TSimpleText::GetDisplayLines() {
    const TStringList& source = FText.Count() >= 1 ? FText : Placeholder();
    if (!FHanToZen && !FNumToKnj)
        return source;
    FConverted = source;
    if (FHanToZen) {
        if (FMinusExc)
            StringsToFullWidthExcept(FConverted, QLatin1Char('-'));
        else
            StringsToFullWidth(FConverted);
    }
    if (FNumToKnj)
        StringsDigitsToKanji(FConverted);
    return FConverted;
}

void TSimpleText::SelectFontInto(TCanvas& Canvas) {
    TFont& font = Canvas.Font();
    // The point size is kept: the canvas's own resolution turns it into logical units.
    TFontData d = FFont->Data();
    d.PixelsPerInch = font.PixelsPerInch();
    d.Height = -MulDiv(FFont->Size(), d.PixelsPerInch, 72);
    d.Color = FFontColor;
    d.Style &= ~unsigned(TFont::fsUnderline | TFont::fsStrikeOut);
    d.Escapement = d.Orientation = 0;
    font.SetData(d);
    FixFontName(Canvas);
    if (FVertical)
        SetVerticalFont(font, 0);
    font.SetQuality(ANTIALIASED_QUALITY);
}

int TSimpleText::GetFontHeight() {
    TCanvas& scratch = ScratchCanvas();
    SelectFontInto(scratch);
    TTextMetric tm;
    scratch.GetTextMetrics(tm);
    return tm.tmHeight;
}

void TSimpleText::UpdateLayouts() {
    const TStringList& lines = GetDisplayLines();
    if (static_cast<int>(FLayouts.size()) == lines.Count())
        return;
    FLayouts.assign(static_cast<size_t>(lines.Count()), TCharLayout());
    TCanvas& scratch = ScratchCanvas();
    SelectFontInto(scratch);
    for (int i = 0; i < lines.Count(); ++i)
        MakeCharLayout(scratch, FLayouts[static_cast<size_t>(i)], lines[i], FCharSpacing, AlignLeft,
                       0);
}

void TSimpleText::ApplyFeedSlant(int Align, int H) {
    if (FFeedAngle == 0)
        return;
    const double s = std::sin(-FFeedAngle * std::numbers::pi / 180.0);
    const int64_t l = int64_t(H) + FLineSpacing;
    const int64_t n = static_cast<int64_t>(FLayouts.size());
    double s0 = 0, d = 0;
    if (Align == AlignLeft) {
        s0 = s < 0 ? -double(l * (n - 1)) * s : 0.0;
        d = double(l) * s;
    } else if (Align == AlignRight) {
        s0 = s >= 0 ? -double(l * (n - 1)) * s : 0.0;
        d = double(l) * s;
    } else {
        return;
    }
    for (size_t i = 0; i < FLayouts.size(); ++i)
        ShiftCharLayout(FLayouts[i], static_cast<int>(std::lround(s0 + double(i) * d)));
}

TRect TSimpleText::GetTextBounds(const TRect& Rect, bool NaturalJustify) {
    UpdateLayouts();
    const int a = FAlign == AlignJustify && NaturalJustify ? AlignLeft : FAlign;
    const int h = GetFontHeight();
    const int n = static_cast<int>(FLayouts.size());
    const int length = Rect.Width(), depth = n * (h + FLineSpacing) - FLineSpacing;
    const int extentLength = FVertical ? Rect.Height() : length;
    const int base = FVertical ? Rect.Top : Rect.Left;
    int lo = INT_MAX, hi = -INT_MAX;
    for (TCharLayout& l : FLayouts)
        if (!l.ABCs.empty() || FFeedAngle != 0)
            RealignCharLayout(l, extentLength, a, FCharSpacing);
    ApplyFeedSlant(a, h);
    for (const TCharLayout& l : FLayouts) {
        if (l.ABCs.empty() && FFeedAngle == 0)
            continue;
        lo = std::min(lo, base + l.Left);
        hi = std::max(hi, base + l.Right);
    }
    TRect b;
    if (!FVertical) {
        b = {lo, Rect.Top, hi, Rect.Top + depth};
        if (lo == INT_MAX)
            b.Left = Rect.Left;
        if (hi == -INT_MAX)
            b.Right = Rect.Right;
    } else {
        // Columns end at the rectangle's right edge.
        b = {Rect.Right - depth, lo, Rect.Right, hi};
        if (lo == INT_MAX)
            b.Top = Rect.Top;
        if (hi == -INT_MAX)
            b.Bottom = Rect.Bottom;
    }
    return b;
}

void TSimpleText::Draw(TCanvas& Canvas, const TRect& Rect) {
    GetTextBounds(Rect, false);
    SelectFontInto(Canvas);
    DrawLayouts(Canvas, Rect, true);
}

void TSimpleText::TextToStroke(TStroke& Stroke, const TRect& Rect, bool Decorations) {
    TCanvas& scratch = ScratchCanvas();
    scratch.Brush().SetStyle(bsClear);
    scratch.Pen().SetStyle(psSolid);
    scratch.Pen().SetWidth(0);
    scratch.SetPolyFillMode(WINDING);
    scratch.BeginPath();
    GetTextBounds(Rect, false);
    SelectFontInto(scratch);
    DrawLayouts(scratch, Rect, Decorations);
    scratch.EndPath();
    Stroke.AppendPath(scratch);
}

void TSimpleText::DrawLayouts(TCanvas& Canvas, const TRect& Rect, bool Bars) {
    if (FBulge != 0 && DrawArc(Canvas, Rect))
        return;
    if (FAngle != 0 && FBulge == 0)
        DrawRotated(Canvas, Rect, Bars);
    else
        DrawStraight(Canvas, Rect, Bars);
}

namespace {

// The line laid out again on the target canvas, its characters spread over the span the
// measuring canvas gave it.
TCharLayout Relayout(TCanvas& Canvas, const TCharLayout& Measured) {
    TCharLayout l;
    MakeCharLayout(Canvas, l, Measured.Text, 0, AlignJustify, Measured.Right - Measured.Left);
    return l;
}

} // namespace

void TSimpleText::DrawStraight(TCanvas& Canvas, const TRect& Rect, bool Bars) {
    TRect origin = Rect;
    TDecorationMetrics m;
    const TFont::TFontStyles style = FFont->Style();
    const bool wantBars = Bars && (style & (TFont::fsUnderline | TFont::fsStrikeOut));
    if (wantBars)
        GetDecorationMetrics(Canvas, m);
    TStroke bars;
    for (const TCharLayout& measured : FLayouts) {
        TCharLayout l = Relayout(Canvas, measured);
        if (!FVertical) {
            const TRect line = LineRectHorz(origin, measured);
            DrawLayoutHorz(Canvas, line, l);
            if (wantBars)
                AddDecorationRectsHorz(bars, origin, measured, style, m);
            origin.Top += measured.Height + FLineSpacing;
        } else {
            const TRect line = LineRectVert(origin, measured);
            DrawLayoutVert(Canvas, line, l);
            if (wantBars)
                AddDecorationRectsVert(bars, origin, measured, style, m);
            origin.Right -= measured.Height + FLineSpacing;
        }
    }
    FillStrokeQuads(Canvas, bars);
}

void TSimpleText::DrawRotated(TCanvas& Canvas, const TRect& Rect, bool Bars) {
    TRotator rotator;
    rotator.SetCenter({(Rect.Left + Rect.Right) / 2, (Rect.Top + Rect.Bottom) / 2});
    rotator.SetAngle(FAngle);
    if (FVertical)
        SetVerticalFont(Canvas.Font(), FAngle * 10);
    else
        SetRotatedFont(Canvas.Font(), FAngle * 10);
    TDecorationMetrics m;
    const TFont::TFontStyles style = FFont->Style();
    const bool wantBars = Bars && (style & (TFont::fsUnderline | TFont::fsStrikeOut));
    if (wantBars)
        GetDecorationMetrics(Canvas, m);
    TStroke bars;
    TRect origin = Rect;
    for (const TCharLayout& measured : FLayouts) {
        const TCharLayout l = Relayout(Canvas, measured);
        const TRect line =
            FVertical ? LineRectVert(origin, measured) : LineRectHorz(origin, measured);
        TPoint centre((line.Left + line.Right) / 2, (line.Top + line.Bottom) / 2);
        rotator.TransformPoint(centre);
        DrawRotatedLine(Canvas, l, FVertical ? FAngle + 90 : FAngle, centre);
        if (wantBars) {
            if (FVertical)
                AddDecorationRectsVert(bars, origin, measured, style, m);
            else
                AddDecorationRectsHorz(bars, origin, measured, style, m);
        }
        if (FVertical)
            origin.Right -= measured.Height + FLineSpacing;
        else
            origin.Top += measured.Height + FLineSpacing;
    }
    rotator.TransformStroke(bars);
    FillStrokeQuads(Canvas, bars);
}

bool TSimpleText::DrawArc(TCanvas& Canvas, const TRect& Rect) {
    TRotator rotator;
    const int cx = (Rect.Left + Rect.Right) / 2, cy = (Rect.Top + Rect.Bottom) / 2;
    rotator.SetCenter({cx, cy});
    rotator.SetAngle(FAngle);
    TPoint p1 = FVertical ? TPoint(cx, Rect.Top) : TPoint(Rect.Left, cy);
    TPoint p2 = FVertical ? TPoint(cx, Rect.Bottom) : TPoint(Rect.Right, cy);
    rotator.TransformPoint(p1);
    rotator.TransformPoint(p2);
    TArc arc;
    if (!ArcFromChord(arc, p1, p2, FBulge))
        return false; // no arc over a chord this short: the straight layout draws it
    const int h = GetFontHeight();
    SelectFontInto(Canvas);
    const bool clockwise = FBulge >= 1;
    const double twoPi = 2 * std::numbers::pi;
    double sweep = double(arc.EndAngle - arc.StartAngle);
    if (sweep < 0)
        sweep += twoPi;
    const double start = double(clockwise ? arc.StartAngle : arc.EndAngle);
    int64_t r = int64_t(arc.Radius) + h / 2;
    const TStringList& lines = GetDisplayLines();
    for (int i = 0; i < lines.Count(); ++i) {
        TCharLayout l;
        MakeCharLayout(Canvas, l, lines[i], FCharSpacing, AlignLeft, 0);
        const TRect circle(int(arc.Center.x - r), int(arc.Center.y - r), int(arc.Center.x + r),
                           int(arc.Center.y + r));
        const double ri = double(r - h);
        const double width = l.Right - l.Left;
        const double t = ri == 0 ? width : width / ri;
        double a0 = start, span = t;
        if (FAlign == AlignRight)
            a0 = clockwise ? start + sweep - t : start - sweep + t;
        else if (FAlign == AlignCenter)
            a0 = clockwise ? start + (sweep - t) / 2 : start - (sweep - t) / 2;
        else if (FAlign == AlignJustify)
            span = sweep;
        DrawTextOnCircle(Canvas, circle, l, clockwise, FVertical, span, a0);
        r -= h + FLineSpacing;
    }
    return true;
}
