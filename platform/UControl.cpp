#include "UControl.h"

#include <QtGlobal>
#include <algorithm>

namespace {

TExceptionHandler& ExceptionHandler() {
    static TExceptionHandler handler;
    return handler;
}

void CopyTools(TCanvas& Dest, const TCanvas& Source) {
    Dest.SetCopyMode(Source.CopyMode());
    Dest.Font().Assign(Source.Font());
    Dest.Pen().Assign(Source.Pen());
    Dest.Brush().Assign(Source.Brush());
}

TShiftState ButtonState(TMouseButton Button) {
    switch (Button) {
    case mbLeft:
        return ssLeft;
    case mbRight:
        return ssRight;
    case mbMiddle:
        return ssMiddle;
    }
    return {};
}

} // namespace

TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler Handler) {
    return std::exchange(ExceptionHandler(), std::move(Handler));
}

void ApplicationHandleException(const std::exception& E) noexcept {
    try {
        if (const TExceptionHandler& handler = ExceptionHandler()) {
            handler(E);
            return;
        }
    } catch (const std::exception& inner) {
        qCritical("The exception handler raised: %s", inner.what());
    } catch (...) {
        qCritical("The exception handler raised an exception");
    }
    qWarning("Unhandled exception: %s", E.what());
}

// ---------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* Owner) : TComponent(Owner) {}

TControl::~TControl() {
    if (FParent)
        FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* Value) {
    if (FParent == Value)
        return;
    for (const TControl* p = Value; p; p = p->FParent)
        if (p == this)
            throw EComponentError(
                QStringLiteral("コントロール %1 は自分自身を親にできません").arg(Name()));
    if (FParent)
        FParent->RemoveControl(this);
    if (Value)
        Value->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* parent = qobject_cast<TWinControl*>(Value))
        SetParent(parent);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    Invalidate();
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    Invalidate();
}

void TControl::SetVisible(bool Value) {
    if (Value == FVisible)
        return;
    if (!Value)
        VisibleChanged(); // while still visible, so that its area is repainted
    FVisible = Value;
    if (Value)
        VisibleChanged();
}

void TControl::VisibleChanged() {
    Invalidate();
}

void TControl::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    Invalidate();
}

void TControl::Invalidate() {
    if (FParent && FVisible)
        FParent->InvalidateChild(*this, BoundsRect());
}

void TControl::Update() {
    if (IWindowHost* host = WindowHost())
        host->Update();
}

void TControl::BringToFront() {
    if (FParent)
        FParent->SetChildOrder(this, FParent->ControlCount() - 1);
}

void TControl::SendToBack() {
    if (FParent)
        FParent->SetChildOrder(this, 0);
}

TPoint TControl::ClientToWindow(const TPoint& P) const {
    TPoint r = P;
    for (const TControl* c = this; c->FParent; c = c->FParent) {
        r.x += c->FLeft;
        r.y += c->FTop;
    }
    return r;
}

TPoint TControl::WindowToClient(const TPoint& P) const {
    const TPoint origin = ClientToWindow(TPoint());
    return {P.x - origin.x, P.y - origin.y};
}

TControl* TControl::RootControl() {
    TControl* c = this;
    while (c->FParent)
        c = c->FParent;
    return c;
}

IWindowHost* TControl::WindowHost() const {
    const TControl* c = this;
    while (c->FParent)
        c = c->FParent;
    const auto* window = qobject_cast<const TWinControl*>(c);
    return window ? window->FHost : nullptr;
}

bool TControl::MouseCapture() const {
    const TControl* c = this;
    while (c->FParent)
        c = c->FParent;
    const auto* window = qobject_cast<const TWinControl*>(c);
    return window && window->FCaptureControl == this;
}

void TControl::SetMouseCapture(bool Value) {
    auto* window = qobject_cast<TWinControl*>(RootControl());
    if (!window)
        return;
    if (Value)
        window->FCaptureControl = this;
    else if (window->FCaptureControl == this)
        window->FCaptureControl = nullptr;
}

void TControl::MouseDownMessage(TMouseButton Button, TShiftState Shift, int X, int Y, bool Double) {
    Double = Double && FControlStyle.testFlag(csDoubleClicks);
    Shift |= ButtonState(Button);
    if (Double)
        Shift |= ssDouble;
    if (Button == mbLeft) {
        if (FControlStyle.testFlag(csCaptureMouse))
            SetMouseCapture(true);
        IncludeControlState(csLButtonDown);
        if (FControlStyle.testFlag(csClickEvents)) {
            if (Double)
                DblClick();
            else
                IncludeControlState(csClicked);
        }
    }
    MouseDown(Button, Shift, X, Y);
}

void TControl::MouseMoveMessage(TShiftState Shift, int X, int Y) {
    MouseMove(Shift, X, Y);
}

void TControl::MouseUpMessage(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        if (FControlStyle.testFlag(csCaptureMouse))
            SetMouseCapture(false);
        ExcludeControlState(csLButtonDown);
        if (FControlState.testFlag(csClicked)) {
            ExcludeControlState(csClicked);
            if (PtInRect(ClientRect(), TPoint(X, Y)))
                Click();
        }
    }
    MouseUp(Button, Shift, X, Y);
}

void TControl::PaintControl(TCanvas& DC) {
    WithPaintCanvas(DC, [this] { Paint(); });
}

bool TControl::ControlHitTest(const TPoint&) {
    return true;
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

const TCanvas& TControl::CanvasTools() {
    if (!FTools)
        FTools = std::make_unique<TCanvas>(nullptr);
    return *FTools;
}

TCanvas& TControl::Canvas() {
    if (FPaintCanvas)
        return *FPaintCanvas;
    CanvasTools();
    return *FTools;
}

void TControl::BeginPaintCanvas(TCanvas& DC) {
    CopyTools(DC, CanvasTools());
    FPaintCanvas = &DC;
}

void TControl::EndPaintCanvas(TCanvas& DC) noexcept {
    FPaintCanvas = nullptr;
    try {
        CopyTools(*FTools, DC); // the tools stay with the control, as on a control canvas
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* Owner) : TControl(Owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

TWinControl::~TWinControl() {
    while (!FControls.empty())
        FControls.back()->SetParent(nullptr);
}

TControl* TWinControl::Controls(int Index) const {
    if (Index < 0 || Index >= ControlCount())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return FControls[static_cast<size_t>(Index)];
}

int TWinControl::IndexOfControl(const TControl* Child) const {
    const auto it = std::find(FControls.begin(), FControls.end(), Child);
    return it == FControls.end() ? -1 : static_cast<int>(it - FControls.begin());
}

void TWinControl::SetChildOrder(TControl* Child, int Order) {
    const int from = IndexOfControl(Child);
    if (from < 0)
        return;
    const int to = std::clamp(Order, 0, ControlCount() - 1);
    if (from == to)
        return;
    FControls.erase(FControls.begin() + from);
    FControls.insert(FControls.begin() + to, Child);
    Child->Invalidate();
}

TControl* TWinControl::ControlAtPos(const TPoint& P, bool AllowDisabled) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || (!c->Enabled() && !AllowDisabled) || !PtInRect(c->BoundsRect(), P))
            continue;
        if (c->ControlHitTest(TPoint(P.x - c->Left(), P.y - c->Top())))
            return c;
    }
    return nullptr;
}

void TWinControl::PaintControls(TCanvas& DC, const TRect& Update,
                                const std::function<bool(TControl*)>& Filter) {
    // A child may remove children while it paints: go over a snapshot and skip the gone.
    const std::vector<TControl*> children = FControls;
    for (TControl* c : children) {
        if (IndexOfControl(c) < 0 || !c->Visible() || (Filter && !Filter(c)))
            continue;
        TRect area;
        if (!IntersectRect(area, c->BoundsRect(), Update))
            continue;
        const int saved = DC.SaveDC();
        DC.OffsetWindowOrgEx(-c->Left(), -c->Top());
        DC.IntersectClipRect(0, 0, c->Width(), c->Height());
        try {
            c->PaintControl(DC);
        } catch (...) {
            DC.RestoreDC(saved);
            throw;
        }
        DC.RestoreDC(saved);
    }
}

void TWinControl::SetHost(IWindowHost* Value) {
    FHost = Value;
}

void TWinControl::InvalidateRect(const TRect& R) {
    if (IsRectEmpty(R))
        return;
    if (Parent()) {
        if (Visible()) {
            TRect r = R;
            OffsetRect(r, Left(), Top());
            Parent()->InvalidateRect(r);
        }
    } else if (FHost) {
        FHost->InvalidateRect(R);
    }
}

void TWinControl::InvalidateOverlay(const TRect& R) {
    if (IsRectEmpty(R))
        return;
    if (Parent()) {
        TRect r = R;
        OffsetRect(r, Left(), Top());
        Parent()->InvalidateOverlay(r);
    } else if (FHost) {
        FHost->InvalidateOverlay(R);
    }
}

void TWinControl::Invalidate() {
    InvalidateRect(ClientRect());
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const TRect old = BoundsRect();
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (BoundsRect() != old && !Parent() && FHost)
        FHost->BoundsChanged();
}

void TWinControl::SetFocus() {
    if (IWindowHost* host = WindowHost())
        host->SetFocus();
}

bool TWinControl::Focused() const {
    const IWindowHost* host = WindowHost();
    return host && host->Focused();
}

void TWinControl::InsertControl(TControl* Control) {
    ControlListChange(Control, true);
    FControls.push_back(Control);
    Control->FParent = this;
    Control->Invalidate();
}

void TWinControl::RemoveControl(TControl* Control) {
    if (IndexOfControl(Control) < 0)
        return;
    Control->Invalidate();
    ControlListChange(Control, false);
    std::erase(FControls, Control);
    Control->FParent = nullptr;
    TWinControl* root = RootWindow();
    for (TControl* c = root->FCaptureControl; c; c = c->Parent())
        if (c == Control) {
            root->FCaptureControl = nullptr;
            break;
        }
}

void TWinControl::ControlListChange(TControl*, bool) {}

void TWinControl::InvalidateChild(TControl&, const TRect& R) {
    InvalidateRect(R);
}

const TWinControl* TWinControl::RootWindow() const {
    const TWinControl* w = this;
    while (w->Parent())
        w = w->Parent();
    return w;
}

TWinControl* TWinControl::RootWindow() {
    TWinControl* w = this;
    while (w->Parent())
        w = w->Parent();
    return w;
}

TControl* TWinControl::MouseTarget(const TPoint& P) const {
    if (TControl* capture = CaptureControl())
        return capture;
    if (TControl* child = ControlAtPos(P))
        return child;
    return const_cast<TWinControl*>(this);
}

void TWinControl::WndMouseDown(TMouseButton Button, TShiftState Shift, const TPoint& P,
                               bool Double) {
    TControl* target = MouseTarget(P);
    const TPoint local = target->WindowToClient(ClientToWindow(P));
    target->MouseDownMessage(Button, Shift, local.x, local.y, Double);
}

void TWinControl::WndMouseMove(TShiftState Shift, const TPoint& P) {
    TControl* target = MouseTarget(P);
    const TPoint local = target->WindowToClient(ClientToWindow(P));
    target->MouseMoveMessage(Shift, local.x, local.y);
}

void TWinControl::WndMouseUp(TMouseButton Button, TShiftState Shift, const TPoint& P) {
    TControl* target = MouseTarget(P);
    const TPoint local = target->WindowToClient(ClientToWindow(P));
    target->MouseUpMessage(Button, Shift, local.x, local.y);
    // The window gives the mouse back once no button is held.
    if (!(Shift & (ssLeft | ssRight | ssMiddle)))
        RootWindow()->FCaptureControl = nullptr;
}

const TControl* TWinControl::ControlOrParentAt(const TPoint& P) const {
    if (const TControl* capture = CaptureControl())
        return capture;
    if (const TControl* child = ControlAtPos(P))
        return child;
    return this;
}

TCursor TWinControl::CursorAt(const TPoint& P) const {
    for (const TControl* c = ControlOrParentAt(P); c; c = c->Parent())
        if (c->Cursor() != crDefault)
            return c->Cursor();
    return crDefault;
}

QString TWinControl::HintAt(const TPoint& P) const {
    for (const TControl* c = ControlOrParentAt(P); c; c = c->Parent())
        if (!c->Hint().isEmpty())
            return c->Hint();
    return {};
}

QMenu* TWinControl::PopupMenuAt(const TPoint& P) const {
    for (const TControl* c = ControlOrParentAt(P); c; c = c->Parent())
        if (c->PopupMenu())
            return c->PopupMenu();
    return nullptr;
}

void TWinControl::KeyDown(int& Key, TShiftState Shift) {
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(int& Key, TShiftState Shift) {
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TWinControl::CancelMode() {
    RootWindow()->FCaptureControl = nullptr;
}
