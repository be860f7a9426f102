#include "ULOJANCode.h"

#include "UCanvas.h"
#include "UJANCode.h"
#include "URegion.h"
#include "URotatedRect.h"

TLOJANCode::TLOJANCode(TComponent* Owner)
    : TLORectBase(Owner), FFont(std::make_unique<TPointBasedFont>()),
      FColor(std::make_unique<TColorSpec>()) {
    FColor->SetColor(FFont->Color());
    // Each side copies the colour to the other; the copy stops where the colours agree.
    FFont->OnChange = [this] {
        FColor->SetColor(FFont->Color());
        Changed();
        Invalidate();
        UpdateBounds();
    };
    FColor->OnChange = [this](TColorSpec*) { FFont->SetColor(FColor->Color()); };
    SetBoundsRect(TRect(0, 0, 300, 100));
}

void TLOJANCode::SetFontProperty(TPointBasedFont* Value) {
    if (Value && Value != FFont.get())
        FFont->Assign(*Value);
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
    return RotatedRectCorners(GetRect(), FRotator);
}

TRect TLOJANCode::GetBoundsRect() const {
    return RotatedRectBounds(GetRect(), FRotator);
}

bool TLOJANCode::HitTest(const TPoint& P) const {
    if (FRotator.GetAngle() == 0)
        return TLORectBase::HitTest(P);
    return RotatedRectContains(GetRect(), FRotator, P);
}

void TLOJANCode::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(RotatedRectResized(GetRect(), FRotator, AWidth, AHeight));
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
           AnswerInterface<IDOColor>(this, Id, Obj) || TLORectBase::QueryInterface(Id, Obj);
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
