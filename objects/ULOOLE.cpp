#include "ULOOLE.h"

#include "UCanvas.h"
#include "UCanvasGuards.h"
#include "UGraphic.h"
#include "UOLEData.h"
#include "UPersistent.h"
#include "UStreams.h"

#include <algorithm>

namespace {

const QString SOLEClassUnknown = QStringLiteral("OLE");

} // namespace

TLOOLE::TLOOLE(TComponent* Owner) : TLORectBase(Owner) {}

TLOOLE::~TLOOLE() = default;

void TLOOLE::SetData(const QByteArray& Value) {
    if (Value == FData)
        return;
    FData = Value;
    FInfo.reset();
    Invalidate();
    Changed();
}

const TOLEDataInfo& TLOOLE::Info() const {
    if (!FInfo)
        FInfo = std::make_shared<const TOLEDataInfo>(ReadOLEDataInfo(FData));
    return *FInfo;
}

QString TLOOLE::OLEClassName() const {
    const QString& name = Info().ClassName;
    return name.isEmpty() ? SOLEClassUnknown : name;
}

bool TLOOLE::HasCachedPicture() const {
    return Info().Picture != nullptr;
}

void TLOOLE::SizeToExtent() {
    SetBoundsRect(TRect(Left(), Top(), Left() + 100, Top() + 50));
}

void TLOOLE::ResizeTo(int AWidth, int AHeight) {
    SetWidth(AWidth);
    SetHeight(AHeight);
}

void TLOOLE::DrawOutline(TCanvas& Canvas) {
    const TRect r = GetRect();
    Canvas.Rectangle(r);
}

void TLOOLE::ReadData(TStream& S) {
    SetData(S.ReadBytes(S.Remaining()));
}

void TLOOLE::WriteData(TStream& S) const {
    S.WriteBytes(FData);
}

void TLOOLE::DefineProperties(TFiler& Filer) {
    TLORectBase::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Data", [this](TStream& S) { ReadData(S); }, [this](TStream& S) { WriteData(S); },
        !FData.isEmpty());
}

void TLOOLE::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    auto* dest = qobject_cast<TLOOLE*>(Dest);
    if (!dest)
        return;
    const std::shared_ptr<const TOLEDataInfo> info = FInfo;
    dest->SetData(FData);
    if (dest->FData == FData)
        dest->FInfo = info; // the same bytes tell the same
}

void TLOOLE::Paint() {
    if (IsEmpty())
        return;
    TCanvas& canvas = GetCanvas();
    const TCanvasSaver saver = CreateCanvasSaver(canvas, true);
    if (const TGraphic* picture = Info().Picture.get())
        picture->Draw(canvas, GetRect());
    else
        DrawPlaceholder(canvas);
}

// A grey hatched frame with the class name in its top-left corner.
void TLOOLE::DrawPlaceholder(TCanvas& Canvas) const {
    const TRect r = GetRect();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(0);
    Canvas.Pen().SetColor(clGray);
    Canvas.Brush().SetColor(clSilver);
    Canvas.Brush().SetStyle(bsBDiagonal);
    Canvas.Rectangle(r);
    Canvas.Brush().SetStyle(bsClear);
    Canvas.Font().SetName(QStringLiteral("ＭＳ Ｐゴシック"));
    Canvas.Font().SetColor(clBlack);
    // A twelfth of the shorter side, 1 to 5 mm.
    Canvas.Font().SetHeight(-std::clamp(std::min(r.Width(), r.Height()) / 12, 10, 50));
    Canvas.TextOut(r.Left + 5, r.Top + 5, OLEClassName());
}
