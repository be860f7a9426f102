#include "ULODecoString.h"

#include "UCanvas.h"
#include "UGlyphUtils.h"
#include "UGraphicUtils.h"
#include "UPixelMath.h"
#include "URotate.h"
#include "URotatedRect.h"

namespace {

constexpr TColor CacheBackColor = 0xF0F0F0;
constexpr int FitHeight = 100;

int NormalisedAngle(int Value) {
    return (Value % 360 + 360) % 360;
}

// Half-way between A and B, and B - A clamped to int: rectangles from damaged files may
// span more than an int holds.
int Midpoint(int A, int B) {
    return static_cast<int>((static_cast<int64_t>(A) + B) / 2);
}
int Span(int A, int B) {
    return ClampToInt(static_cast<int64_t>(B) - A);
}

} // namespace

TLODecoString::TLODecoString(TComponent* Owner)
    : TLORectBase(Owner), FFont(std::make_unique<TImageFont>()) {
    FFont->SetFontNo(1);
    FFont->Notifier().AddListener(&Listener());
}

TLODecoString::~TLODecoString() {
    FFont->Notifier().RemoveListener(&Listener());
}

void TLODecoString::ContentChanged() {
    FCache.reset();
    Changed();
    Invalidate();
}

void TLODecoString::SetText(const QString& Value) {
    if (Value == FText)
        return;
    FText = Value;
    ContentChanged();
}

void TLODecoString::SetAlign(int Value) {
    if (Value == FAlign)
        return;
    FAlign = Value;
    ContentChanged();
}

void TLODecoString::SetAngle(int Value) {
    const int angle = NormalisedAngle(Value);
    if (angle == FRotator.GetAngle())
        return;
    FRotator.SetAngle(angle);
    ContentChanged();
    UpdateBounds();
}

void TLODecoString::FitToText() {
    FFont->SetHeight(FitHeight);
    const TSize extent = FFont->GetTextExtent(FText);
    if (extent.cx <= 0 || extent.cy <= 0)
        return;
    SetBoundsRect(TRect(0, 0, extent.cx, extent.cy));
}

void TLODecoString::DrawText(TCanvas& Canvas, const TRect& R) {
    const QStringList chars = SplitChars(FText);
    if (chars.isEmpty())
        return;
    TIntArray widths;
    widths.reserve(chars.size());
    for (const QString& ch : chars)
        widths.push_back(FFont->GetCharSize(ch).cx);
    TIntArray positions;
    AlignCharWidths(positions, widths, Span(R.Left, R.Right), 0, FAlign);
    for (qsizetype i = 0; i < chars.size(); ++i)
        FFont->DrawChar(
            Canvas, ClampToInt(static_cast<int64_t>(R.Left) + positions[static_cast<size_t>(i)]),
            chars[i], R.Top);
}

void TLODecoString::SetBoundsRect(const TRect& R) {
    TLORectBase::SetBoundsRect(R);
    const TRect r = GetRect();
    FFont->SetHeight(Span(r.Top, r.Bottom));
    FRotator.SetCenter(TPoint{Midpoint(r.Left, r.Right), Midpoint(r.Top, r.Bottom)});
    FCache.reset();
    UpdateBounds();
}

TRect TLODecoString::GetBoundsRect() const {
    return RotatedRectBounds(GetRect(), FRotator);
}

bool TLODecoString::HitTest(const TPoint& P) const {
    TRotator back;
    back.SetCenter(FRotator.GetCenter());
    back.SetAngle(-FRotator.GetAngle());
    TPoint p = P;
    back.TransformPoint(p);
    return TLORectBase::HitTest(p);
}

void TLODecoString::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(RotatedRectResized(GetRect(), FRotator, AWidth, AHeight));
}

void TLODecoString::DrawOutline(TCanvas& Canvas) {
    Canvas.Polygon(RotatedRectCorners(GetRect(), FRotator));
}

void TLODecoString::ListenerNotify(IInterface* Sender, const TGUID& MsgID) {
    TLORectBase::ListenerNotify(Sender, MsgID);
    if (MsgID == MsgIdChanged && Sender == static_cast<IInterface*>(FFont.get()))
        ContentChanged();
}

void TLODecoString::Loaded() {
    TLORectBase::Loaded();
    FFont->GetGlyphHeight();
}

bool TLODecoString::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORotate>(this, Id, Obj) || AnswerInterface<IDOAlign>(this, Id, Obj) ||
           TLORectBase::QueryInterface(Id, Obj);
}

void TLODecoString::BuildCache() {
    const TRect r = GetRect();
    const int width = Span(r.Left, r.Right), height = Span(r.Top, r.Bottom);
    TSafetyBitmap flat;
    flat.SetPixelFormat(pf24bit);
    // Raises for a side beyond the bitmap limit or when the pixels cannot be had; the paint
    // then fails and the failed-paint box shows.
    flat.SetSize(width, height);
    flat.Bitmap().Fill(CacheBackColor);
    DrawText(flat.Canvas(), TRect(0, 0, width, height));
    flat.SetTransparentColor(CacheBackColor);
    flat.SetTransparent(true);
    flat.Changed();
    auto cache = std::make_unique<TSafetyBitmap>();
    RotateGraphic(flat, *cache, FRotator.GetAngle(), TPoint{width, height});
    FCache = std::move(cache);
}

void TLODecoString::Paint() {
    const TRect r = GetRect();
    if (FText.isEmpty() || Span(r.Left, r.Right) <= 0 || Span(r.Top, r.Bottom) <= 0)
        return;
    TCanvas& canvas = GetCanvas();
    if (FRotator.GetAngle() == 0) {
        DrawText(canvas, r);
        return;
    }
    if (!FCache)
        BuildCache();
    LockedStretchDraw(canvas, GetBoundsRect(), *FCache);
}

void TLODecoString::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    if (auto* d = qobject_cast<TLODecoString*>(Dest)) {
        d->SetText(FText);
        d->FFont->Assign(FFont.get());
        d->SetAngle(GetAngle());
        d->SetAlign(FAlign);
    }
}
