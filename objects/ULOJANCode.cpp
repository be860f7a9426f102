#include "ULOJANCode.h"

#include "UCanvas.h"
#include "UJANCode.h"
#include "URegion.h"

TLOJANCode::TLOJANCode(TComponent* Owner) : TLORectBase(Owner), FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this] {
        Changed();
        Invalidate();
        UpdateBounds();
    };
    SetBoundsRect(TRect(0, 0, 300, 100));
}

void TLOJANCode::SetAngle(int Value) {
    if (Value == FRotator.GetAngle())
        return;
    FRotator.SetAngle(Value);
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLOJANCode::SetJANCode(const QString& Value) {
    if (Value == FJANCode)
        return;
    FJANCode = Value;
    Invalidate();
    Changed();
}

void TLOJANCode::SetShowNumber(bool Value) {
    if (Value == FShowNumber)
        return;
    FShowNumber = Value;
    Changed();
    Invalidate();
}

void TLOJANCode::SetShowFrame(bool Value) {
    if (Value == FShowFrame)
        return;
    FShowFrame = Value;
    Changed();
    Invalidate();
}

std::vector<TPoint> TLOJANCode::RotatedCorners() const {
    const TRect r = GetRect();
    std::vector<TPoint> p = {
        {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
    for (TPoint& q : p)
        FRotator.TransformPoint(q);
    return p;
}

TRect TLOJANCode::GetBoundsRect() const {
    if (FRotator.GetAngle() == 0)
        return GetRect();
    return TRegion::CreatePolygon(RotatedCorners(), WINDING).Box();
}

bool TLOJANCode::HitTest(const TPoint& P) const {
    if (FRotator.GetAngle() == 0)
        return TLORectBase::HitTest(P);
    return TRegion::CreatePolygon(RotatedCorners(), WINDING).PtInRegion(P.x, P.y);
}

void TLOJANCode::ResizeTo(int AWidth, int AHeight) {
    const TRect r = GetRect();
    if (FRotator.GetAngle() == 0) {
        SetBoundsRect(TRect(r.Left, r.Top, r.Left + AWidth, r.Top + AHeight));
        return;
    }
    const TRect b = GetBoundsRect();
    const int bw = std::max(1, b.Right - b.Left), bh = std::max(1, b.Bottom - b.Top);
    SetBoundsRect(TRect(r.Left, r.Top, r.Left + MulDiv(Width(), AWidth, bw),
                        r.Top + MulDiv(Height(), AHeight, bh)));
}

void TLOJANCode::DrawOutline(TCanvas& Canvas) {
    Canvas.Polygon(RotatedCorners());
}

void TLOJANCode::SetBoundsRect(const TRect& R) {
    TLORectBase::SetBoundsRect(R);
    const TRect r = GetRect();
    FRotator.SetCenter(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    UpdateBounds();
}

bool TLOJANCode::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORotate>(this, Id, Obj) || AnswerInterface<IDOFont>(this, Id, Obj) ||
           TLORectBase::QueryInterface(Id, Obj);
}

void TLOJANCode::Paint() {
    TCanvas& canvas = GetCanvas();
    canvas.Font().Assign(*FFont);
    DrawJANCode(canvas, FJANCode, GetRect(), FShowFrame, FShowNumber, GetAngle());
}

void TLOJANCode::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    if (auto* d = qobject_cast<TLOJANCode*>(Dest)) {
        d->SetAngle(GetAngle());
        d->SetJANCode(FJANCode);
        d->SetFont(*FFont);
        d->SetShowNumber(FShowNumber);
        d->SetShowFrame(FShowFrame);
    }
}
