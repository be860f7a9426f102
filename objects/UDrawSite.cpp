#include "UDrawSite.h"

#include "UCanvasGuards.h"
#include "UColor.h"
#include "UDesignHooks.h"
#include "UDrawObject.h"
#include "UGuard.h"
#include "UUtils.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// TDrawSiteScaler

void TDrawSiteScaler::Assign(const TPersistent* Source) {
    if (const auto* source = qobject_cast<const TDrawSiteScaler*>(Source)) {
        FScaler.Assign(source->FScaler);
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------------------
// TDrawSite

TDrawSite::TDrawSite(TComponent* Owner)
    : TWinControl(Owner), FScaler(std::make_unique<TScaler>()),
      FScalerProperty(std::make_unique<TDrawSiteScaler>(*FScaler)), FBroadcaster(this),
      FListener([this](IInterface* Sender, const TGUID& MsgID) { ListenerNotify(Sender, MsgID); }) {
    SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
    FScaler->OnChange = [this](TScaler&) { Relayout(); };
}

TDrawSite::~TDrawSite() {
    SetHost(nullptr);
    if (DragRunning()) {
        OnClearGhost = nullptr;
        GhostList()->Cancel();
    }
    FBroadcaster.BeforeDestruction();
    DeletePivots();
    DestroyComponents();
    while (ControlCount() > 0)
        Controls(ControlCount() - 1)->SetParent(nullptr);
}

void TDrawSite::SetScalerProperty(TDrawSiteScaler* Value) {
    if (Value)
        FScalerProperty->Assign(Value);
}

void TDrawSite::SetLogWidth(int Value) {
    if (Value == FLogWidth)
        return;
    FLogWidth = Value;
    Relayout();
}

void TDrawSite::SetLogHeight(int Value) {
    if (Value == FLogHeight)
        return;
    FLogHeight = Value;
    Relayout();
}

void TDrawSite::SetBorder(bool Value) {
    if (Value == FBorder)
        return;
    FBorder = Value;
    Invalidate();
}

void TDrawSite::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Invalidate();
}

void TDrawSite::SetModified(bool Value) {
    FPivotsDirty = true;
    if (Value == FModified)
        return;
    FModified = Value;
    if (OnModifyChanged)
        OnModifyChanged(this);
}

std::vector<TDrawObject*> TDrawSite::DrawObjects() const {
    std::vector<TDrawObject*> objects;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* object = qobject_cast<TDrawObject*>(Controls(i)))
            objects.push_back(object);
    return objects;
}

std::vector<TControl*> TDrawSite::Pivots() const {
    std::vector<TControl*> pivots;
    for (int i = 0; i < ControlCount(); ++i)
        if (!qobject_cast<TDrawObject*>(Controls(i)))
            pivots.push_back(Controls(i));
    return pivots;
}

void TDrawSite::GetObjects(TDOList& List, bool SelectedOnly) const {
    const std::vector<TDrawObject*> objects = DrawObjects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if (!SelectedOnly || (*it)->Selected())
            List.Add(*it);
}

void TDrawSite::SelectAll(bool Value) {
    for (TDrawObject* object : DrawObjects())
        if (Value || object->Selected())
            object->SetSelected(Value);
}

void TDrawSite::SelectInRect(const TRect& R) {
    TDOList list;
    GetObjects(list, false);
    for (TDrawObject* object : list)
        if (object->Visible() && IsRectInside(object->BoundsRect(), R))
            object->SetSelected(true);
}

TDrawObject* TDrawSite::ObjectAt(const TPoint& P) const {
    TDOList list;
    GetObjects(list, false);
    for (TDrawObject* object : list)
        if (object->Visible() && object->HitTest(P))
            return object;
    return nullptr;
}

void TDrawSite::AddObject(TDrawObject* Object) {
    Object->SetParent(this);
    UpdateObjectBounds(Object);
    Object->BringToLayerFront();
    SetModified(true);
}

void TDrawSite::InsertObject(TDrawObject* Object) {
    const QString name = Object->Name();
    TComponent* holder = FindComponent(name);
    if (!name.isEmpty() && holder && holder != Object) {
        QString base = name;
        while (!base.isEmpty() && base.back().isDigit())
            base.chop(1);
        for (int i = 1;; ++i) {
            const QString candidate = base + QString::number(i);
            if (!FindComponent(candidate)) {
                Object->SetName(candidate);
                break;
            }
        }
    }
    InsertComponent(Object);
}

void TDrawSite::UpdateObjectBounds(TDrawObject* Object) {
    const TRect r = LPtoDPRect(Object->GetBoundsRect());
    Object->SetBounds(r.Left, r.Top, r.Width() + 1, r.Height() + 1);
}

TPoint TDrawSite::DPtoLP(const TPoint& P) {
    return FScaler->DPtoLP(GetCanvas(), P);
}

TPoint TDrawSite::LPtoDP(const TPoint& P) {
    return FScaler->LPtoDP(GetCanvas(), P);
}

TRect TDrawSite::LPtoDPRect(const TRect& R) {
    return FScaler->LPtoDPRect(GetCanvas(), R);
}

TCanvas& TDrawSite::GetCanvas() {
    return FDrawCanvas ? *FDrawCanvas : Canvas();
}

TRect TDrawSite::GetLogicalClientRect() {
    const TPoint size = DPtoLP(TPoint(Width(), Height()));
    return TRect(0, 0, size.x, size.y);
}

void TDrawSite::AddPivotAt(TControl* Pivot, const TPoint& P, int Size) {
    const TPoint d = LPtoDP(P);
    Pivot->SetBounds(d.x - Size / 2, d.y - Size / 2, Size, Size);
    Pivot->SetParent(this);
}

bool TDrawSite::HidePivots() {
    bool hidden = false;
    for (TControl* pivot : Pivots())
        if (pivot->Visible()) {
            pivot->Hide();
            hidden = true;
        }
    if (hidden)
        FPivotsDirty = true;
    return hidden;
}

void TDrawSite::DeletePivots() {
    const std::vector<TControl*> pivots = Pivots();
    for (TControl* pivot : pivots) {
        const std::unique_ptr<TControl> owned(pivot); // leaves its owner and the surface
    }
    if (!pivots.empty()) {
        Update();
        FPivotsDirty = true;
    }
}

void TDrawSite::PivotsChanged() {
    FPivotsDirty = true;
    if (FPivotUpdateQueued)
        return;
    FPivotUpdateQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FPivotUpdateQueued = false;
            try {
                UpdatePivots();
            } catch (const std::exception& e) {
                ApplicationHandleException(e);
            }
        },
        Qt::QueuedConnection);
}

void TDrawSite::DeletePivotsOf(const TDrawObject* Object) {
    for (TControl* pivot : Pivots())
        if (pivot->Owner() == Object) {
            const std::unique_ptr<TControl> owned(pivot);
        }
}

void TDrawSite::UpdatePivots() {
    if (!FPivotsDirty || MouseCapture())
        return;
    DeletePivots();
    TDOList selected;
    GetObjects(selected, true);
    for (int i = selected.Count() - 1; i >= 0; --i)
        selected[i]->CreatePivots();
    if (selected.Count() > 1)
        for (TControl* pivot : Pivots())
            pivot->SetCursor(crDefault);
    FPivotsDirty = false;
}

void TDrawSite::ObjectMouseDown(TMouseButton Button, TShiftState Shift, TDrawObject* Object,
                                int Hit, int X, int Y) {
    if (!Object->Selected()) {
        if (!Shift.testFlag(ssShift))
            SelectAll(false);
        Object->SetSelected(true);
    } else if (Shift.testFlag(ssShift)) {
        FDeselectOnClick = true;
    }
    if (Button == mbLeft) {
        FPressedObject = Object;
        SetMouseCapture(true);
        IncludeControlState(csClicked);
        CreateDragGhosts(Hit);
    }
    SurfaceMouseDown(Button, Shift, X, Y, true);
}

// Move ghosts (or the pressed handle's ghost) for the selected movable objects, last listed
// (bottom) first.
void TDrawSite::CreateDragGhosts(int Hit) {
    if (!GhostList() || GhostCount() != 0)
        return;
    TDOList selected;
    GetObjects(selected, true);
    const int code = selected.Count() > 1 ? -1 : Hit;
    for (int i = selected.Count() - 1; i >= 0; --i)
        if (selected[i]->Movable())
            selected[i]->CreateGhosts(code);
}

void TDrawSite::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    SurfaceMouseDown(Button, Shift, X, Y, false);
}

// A press on empty page area deselects; a right or middle press on an object keeps the
// selection it just made, so that a menu opened there acts on that object.
void TDrawSite::SurfaceMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y,
                                 bool FromObject) {
    SetFocus();
    if (Button == mbLeft) {
        const TPoint p = DPtoLP(TPoint(X, Y));
        IGhostList* ghosts = GhostList();
        if (GhostCount() == 0) {
            const TDrawObject* object = ObjectAt(p);
            if (!object || !object->Selectable()) {
                if (!Shift.testFlag(ssShift))
                    SelectAll(false);
                if (ghosts)
                    ghosts->AddSelectGhost();
            }
        }
        if (GhostCount() > 0) {
            if (HidePivots())
                Update();
            ghosts->SetClearEvent([this] { GhostsCleared(); });
            FGhostsRunning = true;
            ghosts->Begin(*this, GetLogicalClientRect(), p, Shift);
        } else {
            UpdatePivots();
        }
    } else if (!FromObject) {
        SelectAll(false);
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

bool TDrawSite::DragRunning() const {
    return FGhostsRunning && GhostList() && GhostList()->Count() > 0;
}

void TDrawSite::MouseMove(TShiftState Shift, int X, int Y) {
    if (DragRunning()) {
        if (IWindowHost* host = Host())
            host->AutoScroll(TPoint(X, Y));
        GhostList()->Move(Shift, DPtoLP(TPoint(X, Y)));
    }
    TWinControl::MouseMove(Shift, X, Y);
}

void TDrawSite::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button != mbLeft) {
        TWinControl::MouseUp(Button, Shift, X, Y);
        return;
    }
    const bool running = DragRunning();
    const auto finish = [&] {
        TWinControl::MouseUp(Button, Shift, X, Y);
        UpdatePivots();
        FPressedObject = nullptr;
    };
    if (running) {
        // A drop that raises still finishes the release (capture, handles back, nothing
        // left pressed) before the error goes on; the finishing steps themselves may raise
        // (a click handler), so they are not run from a destructor.
        try {
            IGhostList* ghosts = GhostList();
            ghosts->Move(Shift, DPtoLP(TPoint(X, Y)));
            ghosts->End();
        } catch (...) {
            FPressedObject = nullptr;
            try {
                finish();
            } catch (...) {
            }
            throw;
        }
    }
    finish();
}

void TDrawSite::Click() {
    if (FPressedObject) {
        const IGhostList* ghosts = GhostList();
        const bool moved = ghosts && ghosts->Moved();
        if (!moved && FDeselectOnClick)
            FPressedObject->SetSelected(false);
        FPressedObject->Click();
    } else {
        TWinControl::Click();
    }
    FDeselectOnClick = false;
}

// Pressing or releasing a modifier during a drag changes what the drag does at once.
void TDrawSite::MoveGhostsToCursor(TShiftState Shift) {
    if (!DragRunning())
        return;
    const IWindowHost* host = Host();
    if (!host)
        return;
    GhostList()->Move(Shift, DPtoLP(WindowToClient(host->CursorPos())));
}

void TDrawSite::KeyDown(int& Key, TShiftState Shift) {
    MoveGhostsToCursor(Shift);
    TWinControl::KeyDown(Key, Shift);
}

void TDrawSite::KeyUp(int& Key, TShiftState Shift) {
    MoveGhostsToCursor(Shift);
    TWinControl::KeyUp(Key, Shift);
}

void TDrawSite::CancelMode() {
    if (FGhostsRunning && GhostList() && GhostList()->Active())
        GhostList()->Cancel();
    TWinControl::CancelMode();
}

void TDrawSite::GhostsCleared() {
    if (IGhostList* ghosts = GhostList())
        ghosts->SetClearEvent({});
    FGhostsRunning = false;
    if (OnClearGhost)
        OnClearGhost(this);
}

void TDrawSite::ListenerNotify(IInterface* Sender, const TGUID& MsgID) {
    const auto* object = qobject_cast<const TDrawObject*>(dynamic_cast<QObject*>(Sender));
    if (MsgID == MsgIdSelectionChanged || MsgID == MsgIdMovableChanged ||
        (MsgID == MsgIdChanged && object && object->Selected()))
        PivotsChanged();
    FBroadcaster.Broadcast(Sender, MsgID);
}

void TDrawSite::ControlListChange(TControl* Control, bool Inserting) {
    if (auto* object = qobject_cast<TDrawObject*>(Control)) {
        PivotsChanged();
        if (Inserting) {
            object->Notifier().AddListener(&FListener);
        } else {
            object->Notifier().RemoveListener(&FListener);
            DeletePivotsOf(object);
            if (object == FPressedObject)
                FPressedObject = nullptr;
            if (object->Selected())
                FBroadcaster.Broadcast(object, MsgIdSelectionChanged);
        }
    }
    TWinControl::ControlListChange(Control, Inserting);
}

void TDrawSite::InvalidateChild(TControl& Child, const TRect& R) {
    if (qobject_cast<TDrawObject*>(&Child))
        InvalidateRect(R);
    else
        InvalidateOverlay(R);
}

void TDrawSite::Relayout() {
    if (ComponentState().testFlag(csLoading) || ControlState().testFlag(csPaintCopy))
        return;
    const TRect page = LPtoDPRect(TRect(0, 0, FLogWidth, FLogHeight));
    SetBounds(Left(), Top(), page.Width(), page.Height());
    const bool hadPivots = HidePivots();
    TDOList objects;
    GetObjects(objects, false);
    for (TDrawObject* object : objects)
        UpdateObjectBounds(object);
    Invalidate();
    if (hadPivots)
        UpdatePivots();
    if (OnScalerChanged)
        OnScalerChanged(this);
}

int TDrawSite::CalcFitScale(TCanvas& DC, const TRect& R, bool ByHeight, bool ByWidth) {
    TScaler scaler;
    scaler.SetUnitDPI(FScaler->UnitDPI());
    const TPoint size = scaler.LPtoDP(DC, TPoint(FLogWidth, FLogHeight));
    if (size.x <= 0 || size.y <= 0)
        return 100;
    const int byWidth = MulDiv(100, R.Width(), size.x);
    const int byHeight = MulDiv(100, R.Height(), size.y);
    int scale = 100;
    if (ByWidth)
        scale = (ByHeight && byHeight < byWidth) ? byHeight : byWidth;
    else if (ByHeight)
        scale = byHeight;
    return std::max(1, scale);
}

void TDrawSite::Paint() {
    TCanvas& canvas = Canvas();
    canvas.Pen().Assign(FPen);
    if (ControlState().testFlag(csPaintCopy))
        return;
    if (FColor == clNone) {
        canvas.Brush().SetStyle(bsClear);
    } else {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(FColor);
        canvas.FillRect(ClientRect());
    }
    if (OnPaint) {
        TCanvasSaver saver = CreateCanvasSaver(canvas, true);
        FScaler->SetupCanvas(canvas);
        OnPaint(this);
    }
}

void TDrawSite::PaintWindow(TCanvas& DC, const TRect& Update) {
    WithPaintCanvas(DC, [&] {
        Paint();
        PaintControls(DC, Update, [](TControl* c) { return qobject_cast<TDrawObject*>(c); });
        TCanvasSaver saver = CreateCanvasSaver(DC, true);
        FScaler->SetupCanvas(DC);
        PaintAfter();
    });
}

void TDrawSite::PaintOverlay(TCanvas& DC, const TRect& Update) {
    WithPaintCanvas(DC, [&] {
        PaintControls(DC, Update, [](TControl* c) { return !qobject_cast<TDrawObject*>(c); });
        if (FGhostsRunning && GhostList() && GhostList()->Active()) {
            TCanvasSaver saver = CreateCanvasSaver(DC, true);
            GhostList()->PaintGhosts(*this, DC);
        }
    });
}

void TDrawSite::PaintAfter() {
    if (OnPaintAfter)
        OnPaintAfter(this);
    if (FBorder)
        DrawBorder();
}

// The frame around the page in pixels of the current canvas: on the screen the surface's
// size, during DrawTo the page's size at the scale drawn.
void TDrawSite::DrawBorder() {
    TCanvas& canvas = GetCanvas();
    const TRect page = LPtoDPRect(TRect(0, 0, FLogWidth, FLogHeight));
    canvas.Brush().SetStyle(bsClear);
    canvas.Pen().SetWidth(0);
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetStyle(psSolid);
    canvas.SetMapMode(MM_TEXT);
    canvas.Rectangle(0, 0, page.Width(), page.Height());
}

void TDrawSite::DrawProgress(int Value) {
    if (OnDrawToProgress)
        OnDrawToProgress(this, Value);
}

void TDrawSite::DrawObject(TDrawObject* Object) {
    Object->DrawTo(GetCanvas());
}

void TDrawSite::DrawTo(TCanvas& Canvas, const TPoint& Origin, int Scale) {
    if (Scale <= 0)
        throw EScalerError(QStringLiteral("倍率は 1 以上でなければなりません (%1)").arg(Scale));
    TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    FDrawCanvas = &Canvas;
    CopyCanvasTools(Canvas, CanvasTools());
    IncludeControlState(csPaintCopy);
    const int oldScale = FScaler->Scale();
    TGuard restore([this, oldScale] {
        FDrawCanvas = nullptr;
        FScaler->SetScale(oldScale);
        ExcludeControlState(csPaintCopy);
    });
    Canvas.OffsetWindowOrgEx(Origin.x, Origin.y);
    FScaler->SetScale(Scale);
    FScaler->SetupCanvas(Canvas);
    if (OnPaint)
        OnPaint(this);
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (auto* object = qobject_cast<TDrawObject*>(child); object && child->Visible())
            DrawObject(object);
        DrawProgress(i);
    }
    PaintAfter();
}

void TDrawSite::Loaded() {
    TWinControl::Loaded();
    if (FLogWidth == 0 && FLogHeight == 0) {
        const TPoint size = DPtoLP(TPoint(Width(), Height()));
        FLogWidth = size.x;
        FLogHeight = size.y;
    }
    Relayout();
    SetModified(false);
}

void TDrawSite::GetChildren(const TGetChildProc& Proc, TComponent*) const {
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (child->Owner() == this)
            Proc(child);
    }
}

bool TDrawSite::QueryInterface(const TGUID& Id, void** Obj) {
    if (Id == IBroadcaster::IID) {
        *Obj = static_cast<IBroadcaster*>(&FBroadcaster);
        return true;
    }
    return TWinControl::QueryInterface(Id, Obj);
}

TPoint UserOriginOf(const TDrawObject& Object) {
    for (const TWinControl* p = Object.Parent(); p; p = p->Parent())
        if (const auto* site = qobject_cast<const TDrawSite*>(p))
            return site->UserOrigin();
    return TPoint();
}
