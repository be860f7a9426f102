#include "UDrawObject.h"

#include "UBitmap.h"
#include "UBlendDraw.h"
#include "UCanvasGuards.h"
#include "UDesignHooks.h"
#include "UDrawSite.h"
#include "UGraphicUtils.h"
#include "UGuard.h"
#include "UScaler.h"

namespace {

const QString SPaintFailed = QStringLiteral("描画に失敗しました");

} // namespace

// ---------------------------------------------------------------------------------------
// TDrawObject

TDrawObject::TDrawObject(TComponent* Owner)
    : TControl(Owner),
      FListener(std::make_unique<TListener>(
          [this](IInterface* Sender, const TGUID& MsgID) { ListenerNotify(Sender, MsgID); })),
      FNotifier(std::make_unique<TChangeNotify>(Self())) {
    FNotifier->OnChange = [this](TChangeNotify*) { Modified(); };
}

TDrawObject::~TDrawObject() {
    DestroyComponents();
    try {
        SetParent(nullptr);
    } catch (const std::exception& e) {
        qCritical("Removing a drawing object from its surface raised: %s", e.what());
    }
    FNotifier->BeforeDestruction();
}

void TDrawObject::Changed() {
    FNotifier->Changed();
}

void TDrawObject::SetBorder(bool Value) {
    if (Value == FBorder)
        return;
    FBorder = Value;
    Invalidate();
}

void TDrawObject::SetSelected(bool Value) {
    if (Value && !FSelectable)
        return;
    FSelected = Value;
    FNotifier->Broadcast(Self(), MsgIdSelectionChanged);
}

void TDrawObject::SetMovable(bool Value) {
    if (Value == FMovable)
        return;
    FMovable = Value;
    FNotifier->Broadcast(Self(), MsgIdMovableChanged);
}

void TDrawObject::SetSelectable(bool Value) {
    if (Value == FSelectable)
        return;
    FSelectable = Value;
    if (!Value && FSelected)
        SetSelected(false);
}

void TDrawObject::SetAppendix(const TStringList& Value) {
    if (Value == FAppendix)
        return;
    FAppendix = Value;
    Modified();
}

void TDrawObject::Modified() {
    if (TDrawSite* site = DrawSite())
        site->SetModified(true);
    if (OnModify)
        OnModify(this);
}

void TDrawObject::Assign(const TPersistent* Source) {
    FNotifier->BeginUpdate();
    TGuard end([this] { FNotifier->EndUpdate(); });
    TControl::Assign(Source);
}

void TDrawObject::CopyEventHandlers(TPersistent& Dest) const {
    TControl::CopyEventHandlers(Dest);
    if (auto* dest = qobject_cast<TDrawObject*>(&Dest))
        dest->OnModify = OnModify;
}

void TDrawObject::AssignTo(TPersistent* Dest) const {
    auto* dest = qobject_cast<TDrawObject*>(Dest);
    if (!dest) {
        TControl::AssignTo(Dest);
        return;
    }
    dest->FBorder = FBorder;
    dest->SetSelected(FSelected);
    dest->SetAppendix(FAppendix);
}

bool TDrawObject::NeedsBlend() {
    const IDOBlend* blend = QueryObjectInterface<IDOBlend>(this);
    return blend && (blend->GetRatio() != 100 || blend->GetShade());
}

void TDrawObject::DrawBlended() {
    if (NeedsBlend()) {
        const IDOBlend* blend = QueryObjectInterface<IDOBlend>(this);
        const int ratio = blend ? blend->GetRatio() : 100;
        if (DrawObjectBlended(*this, GetCanvas(), ratio))
            return;
    }
    Paint();
}

std::unique_ptr<TBitmap> TDrawObject::RenderToBitmap() {
    std::unique_ptr<TBitmap> bitmap =
        CreateOffscreenBitmap(GetCanvas(), GetBoundsRect(), pf24bit, 5, false);
    TCanvas* previous = std::exchange(FRedirectCanvas, &bitmap->Canvas());
    TGuard restore([this, previous] { FRedirectCanvas = previous; });
    Paint();
    TCoordMap::ResetCanvas(bitmap->Canvas());
    return bitmap;
}

void TDrawObject::FillBlendMask(TBitmap& Mask) {
    TCanvas& canvas = Mask.Canvas();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clWhite); // grey index 255
    canvas.FillRect(TRect(0, 0, 32767, 32767));
    canvas.Brush().SetColor(clBlack);
}

void TDrawObject::ListenerNotify(IInterface*, const TGUID&) {}

void TDrawObject::DrawTo(TCanvas& Canvas) {
    const TRect bounds = GetBoundsRect();
    if (!Canvas.RectVisible(bounds))
        return;
    TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    TCanvas* previous = std::exchange(FRedirectCanvas, &Canvas);
    CopyCanvasTools(Canvas, CanvasTools());
    IncludeControlState(csPaintCopy);
    TGuard restore([this, previous] {
        ExcludeControlState(csPaintCopy);
        FRedirectCanvas = previous;
    });
    Canvas.IntersectClipRect(bounds.Left, bounds.Top, bounds.Right, bounds.Bottom);
    DrawBlended();
}

void TDrawObject::BringToLayerFront() {
    TWinControl* parent = Parent();
    if (!parent) {
        BringToFront();
        return;
    }
    const int self = parent->IndexOfControl(this);
    int target = self;
    for (int i = 0; i < parent->ControlCount(); ++i) {
        const auto* object = qobject_cast<const TDrawObject*>(parent->Controls(i));
        if (!object)
            continue;
        target = i;
        if (object->LayerGroup() > FLayerGroup) {
            if (target > self)
                --target;
            break;
        }
    }
    if (target == self)
        return;
    parent->SetChildOrder(this, target);
    Changed();
}

void TDrawObject::SendToLayerBack() {
    TWinControl* parent = Parent();
    if (!parent) {
        SendToBack();
        return;
    }
    const int self = parent->IndexOfControl(this);
    int target = 0;
    for (int i = parent->ControlCount() - 1; i >= 0; --i) {
        const auto* object = qobject_cast<const TDrawObject*>(parent->Controls(i));
        if (object && object->LayerGroup() < FLayerGroup) {
            target = i + 1;
            if (target > self)
                target = i;
            break;
        }
    }
    if (target == self)
        return;
    parent->SetChildOrder(this, target);
    Changed();
}

TDrawSite* TDrawObject::DrawSite() const {
    return qobject_cast<TDrawSite*>(Parent());
}

bool TDrawObject::UpdateBounds() {
    TDrawSite* site = DrawSite();
    if (!site)
        return false;
    site->UpdateObjectBounds(this);
    return true;
}

TCanvas& TDrawObject::GetCanvas() {
    return FRedirectCanvas ? *FRedirectCanvas : Canvas();
}

bool TDrawObject::QueryInterface(const TGUID& Id, void** Obj) {
    if (FNotifier->AnswerNotifyInterface(Id, Obj))
        return true;
    return TControl::QueryInterface(Id, Obj);
}

void TDrawObject::PaintControl(TCanvas& DC) {
    ExcludeOpaqueAbove(DC);
    WithPaintCanvas(DC, [this, &DC] {
        if (FPainting)
            PaintFailureBox(DC);
        else
            PaintNormally(DC);
    });
}

// A paint that raises never leaves here: the object is repainted, showing the failure box
// from now on, and the exception goes to the application's handler.
void TDrawObject::PaintNormally(TCanvas& DC) {
    try {
        FPainting = true;
        if (FBorder) {
            DC.Pen().SetWidth(1);
            DC.Pen().SetStyle(psSolid);
            DC.Pen().SetColor(clBlue);
            DC.Brush().SetStyle(bsClear);
            DC.Rectangle(0, 0, TControl::Width(), TControl::Height());
        }
        DC.OffsetWindowOrgEx(TControl::Left(), TControl::Top());
        if (const TDrawSite* site = DrawSite())
            site->Scaler().SetupCanvas(DC);
        DrawBlended();
        FPainting = false;
    } catch (const std::exception& e) {
        Invalidate();
        ApplicationHandleException(e);
    } catch (...) {
        Invalidate();
        ApplicationHandleException(Exception(SPaintFailed));
    }
}

void TDrawObject::PaintFailureBox(TCanvas& DC) {
    DC.Pen().SetWidth(1);
    DC.Pen().SetStyle(psSolid);
    DC.Pen().SetMode(pmCopy);
    DC.Pen().SetColor(clRed);
    DC.Brush().SetStyle(bsDiagCross);
    DC.Brush().SetColor(clRed);
    DC.Rectangle(0, 0, TControl::Width(), TControl::Height());
    DC.Font().SetSize(12);
    DC.Font().SetName(QStringLiteral("System"));
    DC.TextOut(1, 1, SPaintFailed);
}

// Controls above this one that paint all of their area hide it there.
void TDrawObject::ExcludeOpaqueAbove(TCanvas& DC) const {
    const TWinControl* parent = Parent();
    if (!parent)
        return;
    const int self = parent->IndexOfControl(this);
    for (int i = parent->ControlCount() - 1; i > self; --i) {
        const TControl* c = parent->Controls(i);
        if (!c->Visible() || !c->ControlStyle().testFlag(csOpaque))
            continue;
        TRect r = c->BoundsRect();
        OffsetRect(r, -TControl::Left(), -TControl::Top());
        DC.ExcludeClipRect(r.Left, r.Top, r.Right, r.Bottom);
    }
}

bool TDrawObject::ControlHitTest(const TPoint& P) {
    TDrawSite* site = DrawSite();
    if (!site)
        return false;
    return HitTest(site->DPtoLP(TPoint(P.x + TControl::Left(), P.y + TControl::Top())));
}

void TDrawObject::GetChildren(const TGetChildProc& Proc, TComponent* Root) const {
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        if (qobject_cast<TControl*>(c) && !qobject_cast<TDrawObject*>(c))
            continue; // a handle
        Proc(c);
    }
}

void TDrawObject::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (!Shift.testFlag(ssDouble))
        if (TDrawSite* site = DrawSite())
            site->ObjectMouseDown(Button, Shift, this, -1, X + TControl::Left(),
                                  Y + TControl::Top());
    TControl::MouseDown(Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------------------
// TLabelObject

TLabelObject::TLabelObject(TComponent* Owner) : TDrawObject(Owner) {
    OnDblClick = [this](TComponent*) { EditOnDoubleClick(); };
}

void TLabelObject::SetDontPrint(bool Value) {
    if (Value == FDontPrint)
        return;
    FDontPrint = Value;
    Notifier().Broadcast(this, MsgIdDontPrintChanged);
    Changed();
}

void TLabelObject::SetBlendRatio(int Value) {
    if (Value == FBlendRatio)
        return;
    FBlendRatio = Value;
    Changed();
    Invalidate();
}

void TLabelObject::SetBlendShade(bool Value) {
    if (Value == FBlendShade)
        return;
    FBlendShade = Value;
    Changed();
    Invalidate();
}

void TLabelObject::CreatePivots() {
    if (IDesignerList* designers = DesignerList())
        designers->CreatePivots(*this);
}

void TLabelObject::CreateGhosts(int HitCode) {
    if (IDesignerList* designers = DesignerList())
        designers->CreateGhost(*this, HitCode);
}

void TLabelObject::SetMovable(bool Value) {
    if (Value == Movable())
        return;
    Changed();
    TDrawObject::SetMovable(Value);
}

void TLabelObject::DrawTo(TCanvas& Canvas) {
    if (FDontPrint && IsPrinterCanvas(Canvas))
        return;
    TDrawObject::DrawTo(Canvas);
}

bool TLabelObject::ControlHitTest(const TPoint& P) {
    return GhostCount() == 0 && TDrawObject::ControlHitTest(P);
}

void TLabelObject::AssignTo(TPersistent* Dest) const {
    TDrawObject::AssignTo(Dest);
    auto* dest = qobject_cast<TLabelObject*>(Dest);
    if (!dest)
        return;
    dest->SetPopupMenu(PopupMenu());
    dest->SetSelectable(Selectable());
    dest->SetEnabled(Enabled());
    dest->SetMovable(Movable());
    dest->SetTag(Tag());
    dest->SetHint(Hint());
    dest->SetCursor(Cursor());
    dest->SetDontPrint(FDontPrint);
    dest->SetBlendShade(FBlendShade);
    dest->SetBlendRatio(FBlendRatio);
}

void TLabelObject::MouseMove(TShiftState Shift, int X, int Y) {
    if (TDrawSite* site = DrawSite())
        site->MouseMoveMessage(Shift, X + TControl::Left(), Y + TControl::Top());
    TDrawObject::MouseMove(Shift, X, Y);
}

void TLabelObject::EditOnDoubleClick() {
    IDesignerList* designers = DesignerList();
    if (!designers || !designers->EditObject(*this))
        return;
    if (TDrawSite* site = DrawSite())
        if (site->OnClearGhost)
            site->OnClearGhost(this);
}

// ---------------------------------------------------------------------------------------
// TLORectBase

TLORectBase::TLORectBase(TComponent* Owner) : TLabelObject(Owner) {}

void TLORectBase::SetLeft(int Value) {
    if (Value != FRect.Left)
        SetBoundsRect(
            TRect(Value, FRect.Top, ClampLogical(int64_t(Value) + Width()), FRect.Bottom));
}

void TLORectBase::SetTop(int Value) {
    if (Value != FRect.Top)
        SetBoundsRect(
            TRect(FRect.Left, Value, FRect.Right, ClampLogical(int64_t(Value) + Height())));
}

void TLORectBase::SetWidth(int Value) {
    SetBoundsRect(
        TRect(FRect.Left, FRect.Top, ClampLogical(int64_t(FRect.Left) + Value), FRect.Bottom));
}

void TLORectBase::SetHeight(int Value) {
    SetBoundsRect(
        TRect(FRect.Left, FRect.Top, FRect.Right, ClampLogical(int64_t(FRect.Top) + Value)));
}

void TLORectBase::SetBoundsRect(const TRect& R) {
    const TRect c = ClampLogical(R);
    TRect r(std::min(c.Left, c.Right), std::min(c.Top, c.Bottom), std::max(c.Left, c.Right),
            std::max(c.Top, c.Bottom));
    if (r == FRect)
        return;
    FRect = r;
    if (TDrawSite* site = DrawSite()) {
        Invalidate(); // the content moves even when the pixel bounds stay
        site->UpdateObjectBounds(this);
    }
    Changed();
}

bool TLORectBase::HitTest(const TPoint& P) const {
    return PtInRect(FRect, P);
}

void TLORectBase::OffsetBy(int Dx, int Dy) {
    SetLeft(ClampLogical(int64_t(Left()) + Dx));
    SetTop(ClampLogical(int64_t(Top()) + Dy));
}

bool TLORectBase::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORect>(this, Id, Obj) ||
           AnswerInterface<IDOEncloseBounds>(this, Id, Obj) ||
           AnswerInterface<IDOPosition>(this, Id, Obj) ||
           AnswerInterface<IDODrawing>(this, Id, Obj) || TLabelObject::QueryInterface(Id, Obj);
}

void TLORectBase::AssignTo(TPersistent* Dest) const {
    TLabelObject::AssignTo(Dest);
    if (auto* dest = qobject_cast<TLORectBase*>(Dest))
        dest->SetBoundsRect(FRect);
}
