#include "ULOFace.h"

#include "UCanvasGuards.h"
#include "UClasses.h"
#include "UDrawSite.h"
#include "UGhost.h"

#include <algorithm>
#include <vector>

std::vector<TLOFace*> FacesOf(const TWinControl& Parent) {
    std::vector<TLOFace*> faces;
    for (int i = 0; i < Parent.ControlCount(); ++i)
        if (auto* face = qobject_cast<TLOFace*>(Parent.Controls(i)))
            faces.push_back(face);
    return faces;
}

TLOFace::TLOFace(TComponent* Owner) : TLORectBase(Owner) {}

void TLOFace::SetChecked(bool Value) {
    if (Value == FChecked)
        return;
    FChecked = Value;
    Invalidate();
    if (FChecked && FExclusive && Parent())
        for (TLOFace* face : FacesOf(*Parent()))
            if (face != this)
                face->SetChecked(false);
}

void TLOFace::SetExclusive(bool Value) {
    if (Value == FExclusive)
        return;
    FExclusive = Value;
    Invalidate();
}

void TLOFace::SetShowNumber(bool Value) {
    if (Value == FShowNumber)
        return;
    FShowNumber = Value;
    Invalidate();
}

void TLOFace::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Invalidate();
}

void TLOFace::SetFaceInfo(const TFaceInfo& Info) {
    if (!FEditable && Parent())
        return;
    FFaceInfo.Assign(&Info);
    TLORectBase::SetBoundsRect(FFaceInfo.GetMarginRect());
    Invalidate();
}

void TLOFace::SetBoundsRect(const TRect& R) {
    if (!FEditable && Parent())
        return;
    TLORectBase::SetBoundsRect(R);
    FFaceInfo.SetMarginRect(GetRect());
}

void TLOFace::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(TRect(Left(), Top(), Left() + AWidth, Top() + AHeight));
}

int TLOFace::GetFaceIndex() const {
    if (!Parent())
        return -1;
    const std::vector<TLOFace*> faces = FacesOf(*Parent());
    const auto it = std::find(faces.begin(), faces.end(), this);
    return it == faces.end() ? -1 : int(it - faces.begin());
}

int TLOFace::CaptionFontSize() const {
    const TDrawSite* site = DrawSite();
    const int zoom = site ? site->Scaler().Scale() : 100;
    return zoom > 0 ? std::max(1, 1200 / zoom) : 1;
}

bool TLOFace::HitTest(const TPoint& P) const {
    return FFaceInfo.CreateRegion(nullptr, false).PtInRegion(P.x, P.y);
}

void TLOFace::CreatePivots() {
    if (FEditable)
        TLORectBase::CreatePivots();
}

void TLOFace::CreateGhosts(int HitCode) {
    if (HitCode == -1 && GhostList() == &TheGhostList()) {
        TheGhostList().AddGhost(std::make_unique<TSimpleMoveGhost>(*this, HitCode));
        return;
    }
    TLORectBase::CreateGhosts(HitCode);
}

void TLOFace::DrawOutline(TCanvas& Canvas) {
    TCanvasSaver saver = CreateCanvasSaver(Canvas, false);
    FFaceInfo.DrawOutline(Canvas, false, false);
}

void TLOFace::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    if (auto* dest = qobject_cast<TLOFace*>(Dest)) {
        dest->SetFaceInfo(FFaceInfo);
        dest->SetExclusive(FExclusive);
        dest->SetEditable(FEditable);
    }
}

void TLOFace::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool was = FChecked;
    if (Button == mbLeft && !Shift.testFlag(ssDouble))
        SetChecked(FExclusive ? true : !FChecked);
    TLORectBase::MouseDown(Button, Shift, X, Y);
    if (FChecked != was && OnCheckChanged)
        OnCheckChanged(this);
}

void TLOFace::Paint() {
    TCanvas& canvas = GetCanvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(FChecked ? FColor : clWhite);
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(clBlack);
    DrawOutline(canvas);
    canvas.Pen().SetStyle(psDot);
    canvas.Pen().SetWidth(0);
    FFaceInfo.DrawCutLine(canvas, false);
    if (!FShowNumber)
        return;
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().SetSize(CaptionFontSize());
    canvas.Font().SetColor(TColor(0xFF0000));
    canvas.TextOut(Left(), Top(),
                   QStringLiteral("%1 [%2]").arg(GetFaceIndex()).arg(FFaceInfo.Purpose()));
}

// ---------------------------------------------------------------------------------------
// Faces on a surface

int GetFaceCount(const TDrawSite& Site) {
    return int(FacesOf(Site).size());
}

TLOFace* GetCheckedFace(const TDrawSite& Site) {
    for (TLOFace* face : FacesOf(Site))
        if (face->Checked())
            return face;
    return nullptr;
}

TLOFace* GetFaceByIndex(const TDrawSite& Site, int N) {
    const std::vector<TLOFace*> faces = FacesOf(Site);
    return N >= 0 && N < int(faces.size()) ? faces[size_t(N)] : nullptr;
}

void CheckFace(const TDrawSite& Site, int N) {
    if (TLOFace* face = GetFaceByIndex(Site, N))
        face->SetChecked(true);
}

void CreateFaceObjects(TDrawSite& Site, const IPaperFaces& Paper, bool Exclusive,
                       const QMetaObject* FaceClass, bool Editable) {
    const QMetaObject& cls = FaceClass ? *FaceClass : TLOFace::staticMetaObject;
    if (!cls.inherits(&TLOFace::staticMetaObject))
        return;
    const int count = Paper.GetFaceCount();
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<TPersistent> created = CreatePersistent(cls);
        auto* face = qobject_cast<TLOFace*>(created.get());
        if (!face)
            continue;
        TFaceInfo info;
        Paper.GetFaceInfo(i, info);
        face->SetExclusive(Exclusive);
        face->SetEditable(Editable);
        face->SetFaceInfo(info);
        Site.InsertObject(face);
        created.release(); // owned by the surface
        Site.AddObject(face);
    }
}
