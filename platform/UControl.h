#pragma once
// Windowless controls: the light control layer the design surface and its drawing objects
// are built on.
//
// A TControl is a component with a parent, device bounds (pixels in its parent's client
// area), visibility, an enabled flag, a cursor, a hint and a popup menu, and virtual
// operations for painting, hit testing and mouse input. It has no window of its own: its
// parent, a TWinControl, keeps its children in one list whose order is the z-order (index 0
// at the bottom), paints them in that order, finds the child under a point and passes mouse
// input on to it, and hears of every insertion and removal (ControlListChange).
//
// The topmost TWinControl of a tree may be shown by a real window (IWindowHost): the window
// turns its paint, mouse, key and focus events into the calls below and repaints what the
// controls invalidate. Without a window everything runs headless: painting happens only
// through explicit calls (printing, previews, tests) and invalidation is not recorded.
//
// Parent and owner are independent: the owner (TComponent) destroys a control, the parent
// shows it. Destroying a control removes it from its parent first; destroying a
// TWinControl removes its remaining children, which stay alive for their owners.
//
// User-interface thread only.

#include "UCanvas.h"
#include "UComponent.h"
#include "UWinTypes.h"

#include <QFlags>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class TWinControl;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Modifier keys and mouse buttons held during an input event. The three key bits come first
// in this order (Shift 1, Alt 2, Ctrl 4): drag code keeps exactly those three bits.
enum TShiftStateFlag : unsigned {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40, // the press is the second press of a double click
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// Cursor values as stored in documents; the window maps them to its own cursors.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crNo = -18;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// Run-time state of a control.
enum TControlStateFlag : unsigned {
    csLButtonDown = 0x01, // the left button went down on the control and is still held
    csClicked = 0x02,     // a left press counts as a click when the button comes up inside
    csPaintCopy = 0x80,   // the control is being drawn onto another canvas (print, preview)
};
Q_DECLARE_FLAGS(TControlState, TControlStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TControlState)

// What a control does on its own.
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 0x01, // may be a parent
    csCaptureMouse = 0x02,    // keeps the mouse while the left button is held
    csClickEvents = 0x04,     // gets Click and DblClick
    csOpaque = 0x08,          // paints all of its bounds (controls below need not paint there)
    csDoubleClicks = 0x10,    // a second quick press is a double click, not a press
};
Q_DECLARE_FLAGS(TControlStyle, TControlStyleFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TControlStyle)

using TNotifyEvent = std::function<void(TComponent* Sender)>;
using TMouseEvent =
    std::function<void(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TComponent* Sender, TShiftState Shift, int X, int Y)>;
// Key is a Qt key code; a handler may set it to 0 to mark the key as handled.
using TKeyEvent = std::function<void(TComponent* Sender, int& Key, TShiftState Shift)>;

// The application's handler of exceptions that must not leave an event handler (a paint that
// raised, for example). The default logs the message; the application frame installs one
// that shows it. Answers the previous handler.
using TExceptionHandler = std::function<void(const std::exception& E)>;
TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler Handler);
// Hands E to the application's handler. Never throws.
void ApplicationHandleException(const std::exception& E) noexcept;

// The real window that shows a tree of controls. Coordinates are client pixels of the
// topmost control.
class IWindowHost {
public:
    // R must be painted again: what lies there changed.
    virtual void InvalidateRect(const TRect& R) = 0;
    // R must be shown again, but only what is drawn over the page there changed (selection
    // handles, drag feedback); the page under it is unchanged.
    virtual void InvalidateOverlay(const TRect& R) = 0;
    // Paints what is pending now.
    virtual void Update() = 0;
    // The topmost control's size changed.
    virtual void BoundsChanged() = 0;
    virtual void SetFocus() = 0;
    virtual bool Focused() const = 0;
    // The mouse pointer now.
    virtual TPoint CursorPos() const = 0;
    // During a drag with the pointer at P: scrolls the window's scrolling parent by one step
    // towards P when P lies beyond its visible part; answers whether it scrolled.
    virtual bool AutoScroll(const TPoint& P) = 0;

protected:
    ~IWindowHost() = default;
};

class TControl : public TComponent {
    Q_OBJECT
    // Device bounds: set by the parent's layout, never stored.
    Q_PROPERTY(int Left READ Left WRITE SetLeft STORED false)
    Q_PROPERTY(int Top READ Top WRITE SetTop STORED false)
    Q_PROPERTY(int Width READ Width WRITE SetWidth STORED false)
    Q_PROPERTY(int Height READ Height WRITE SetHeight STORED false)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_CLASSINFO("Default:Cursor", "0")
public:
    explicit TControl(TComponent* Owner = nullptr);
    // Leaves the parent.
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    // Moves the control to the top of Value's children (nullptr: out of any parent). The old
    // and the new parent hear of it through ControlListChange. Raises EComponentError when
    // Value is the control itself or one of its children.
    virtual void SetParent(TWinControl* Value);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    // Device bounds in the parent's client pixels; the area it covered and the area it
    // covers are repainted. Negative sizes count as 0.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    TRect ClientRect() const { return TRect(0, 0, FWidth, FHeight); }

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value) { FCursor = Value; }
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& Value) { FHint = Value; }
    // The menu shown for a right click on the control; it belongs to the window that set it
    // and must outlive the control or be reset first.
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }

    TControlState ControlState() const { return FControlState; }
    void IncludeControlState(TControlStateFlag Flag) { FControlState |= Flag; }
    void ExcludeControlState(TControlStateFlag Flag) { FControlState &= ~TControlState(Flag); }
    TControlStyle ControlStyle() const { return FControlStyle; }

    // Repaints the control's area (through the parent; nothing without one or while hidden).
    virtual void Invalidate();
    // Paints pending areas of the window now.
    void Update();
    void Repaint() {
        Invalidate();
        Update();
    }
    // Top and bottom of the parent's z-order.
    void BringToFront();
    void SendToBack();

    // Client pixels of this control to client pixels of the topmost control, and back.
    TPoint ClientToWindow(const TPoint& P) const;
    TPoint WindowToClient(const TPoint& P) const;
    // The topmost control of the tree (this control when it has no parent).
    TControl* RootControl();
    // The window showing the tree, or nullptr (headless).
    IWindowHost* WindowHost() const;

    // True while the control receives all mouse input of its tree.
    bool MouseCapture() const;
    void SetMouseCapture(bool Value);

    // Input as the window delivers it ("messages"), in the control's client pixels. They run
    // the class library's handling around the virtual operations below: capture and click
    // tracking for the left button, Click before MouseUp, DblClick for a double click.
    void MouseDownMessage(TMouseButton Button, TShiftState Shift, int X, int Y, bool Double);
    void MouseMoveMessage(TShiftState Shift, int X, int Y);
    void MouseUpMessage(TMouseButton Button, TShiftState Shift, int X, int Y);

    // A control read from a stream as the child of a TWinControl takes it as its parent.
    void SetParentComponent(TComponent* Value) override;

    // Paints the control on DC. DC's mapping puts the control's top-left at logical (0, 0) in
    // pixels and its clip covers at most the control's bounds. The base makes DC the control
    // canvas (with the control's own drawing tools) for the duration and calls Paint.
    virtual void PaintControl(TCanvas& DC);
    // True when the control takes the mouse at P (client pixels, inside its bounds). The
    // base takes it everywhere.
    virtual bool ControlHitTest(const TPoint& P);

    // The click of a left press and release inside the control; the base fires OnClick.
    virtual void Click();
    // The base fires OnDblClick.
    virtual void DblClick();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    // Draws the control on Canvas(); the base draws nothing.
    virtual void Paint() {}
    // The base operations fire the matching events.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // The visibility changes: called while the control is still shown when it hides, and
    // once it is shown when it shows. The base repaints the control's area.
    virtual void VisibleChanged();

    // The control canvas: while the control paints, the canvas it paints on (with the
    // control's drawing tools); otherwise a canvas that only keeps those tools.
    TCanvas& Canvas();
    // The drawing tools the control canvas carries from one paint to the next.
    const TCanvas& CanvasTools();

    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }

    // Runs Body with DC as the control canvas; restores afterwards, also on exceptions.
    template <class F>
    void WithPaintCanvas(TCanvas& DC, F&& Body);

private:
    friend class TWinControl;
    void BeginPaintCanvas(TCanvas& DC);
    void EndPaintCanvas(TCanvas& DC) noexcept;

    TWinControl* FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TCursor FCursor = crDefault;
    QString FHint;
    QMenu* FPopupMenu = nullptr;
    TControlState FControlState;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks};
    std::unique_ptr<TCanvas> FTools; // created on first use
    TCanvas* FPaintCanvas = nullptr;
};

template <class F>
void TControl::WithPaintCanvas(TCanvas& DC, F&& Body) {
    BeginPaintCanvas(DC);
    try {
        Body();
    } catch (...) {
        EndPaintCanvas(DC);
        throw;
    }
    EndPaintCanvas(DC);
}

class TWinControl : public TControl {
    Q_OBJECT
public:
    explicit TWinControl(TComponent* Owner = nullptr);
    // Removes the remaining children (they stay alive for their owners).
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    // The child at Index (0 = bottom); raises EListError outside.
    TControl* Controls(int Index) const;
    // Index of Child among the children, -1 when it is not one.
    int IndexOfControl(const TControl* Child) const;
    // Moves Child to Order in the z-order (clamped to the list); other children keep their
    // relative order. Nothing for a control that is not a child.
    void SetChildOrder(TControl* Child, int Order);

    // The topmost child that is visible, enabled (or AllowDisabled) and takes the mouse at P
    // (client pixels), or nullptr.
    TControl* ControlAtPos(const TPoint& P, bool AllowDisabled = false) const;
    // Paints the children that Filter accepts (all when empty), bottom first, on DC, which is
    // mapped in client pixels; children outside Update are skipped. Each child gets its
    // origin at its top-left and a clip of its bounds; DC is restored after each.
    void PaintControls(TCanvas& DC, const TRect& Update,
                       const std::function<bool(TControl*)>& Filter = {});

    // The window. Only the topmost control of a tree has one.
    IWindowHost* Host() const { return FHost; }
    void SetHost(IWindowHost* Value);
    bool HandleAllocated() const { return WindowHost() != nullptr; }
    // Marks R (client pixels) for repainting.
    void InvalidateRect(const TRect& R);
    void InvalidateOverlay(const TRect& R);
    void Invalidate() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetFocus();
    bool Focused() const;

    // The control that receives all mouse input of the tree, or nullptr.
    TControl* CaptureControl() const { return RootWindow()->FCaptureControl; }

    // Window input, in client pixels of this (topmost) control: routed to the capturing
    // control, else the child under the pointer, else this control.
    void WndMouseDown(TMouseButton Button, TShiftState Shift, const TPoint& P, bool Double);
    void WndMouseMove(TShiftState Shift, const TPoint& P);
    void WndMouseUp(TMouseButton Button, TShiftState Shift, const TPoint& P);
    // What the window shows for the pointer at P: the cursor, hint and popup menu of the
    // control under it, or of its nearest parent that has one.
    TCursor CursorAt(const TPoint& P) const;
    QString HintAt(const TPoint& P) const;
    QMenu* PopupMenuAt(const TPoint& P) const;

    // Keys while the control has the focus. The base operations fire the events.
    virtual void KeyDown(int& Key, TShiftState Shift);
    virtual void KeyUp(int& Key, TShiftState Shift);
    // A running mouse operation must stop (the window lost the focus or the mouse); the base
    // releases the capture.
    virtual void CancelMode();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;

protected:
    // Told before Control is inserted into or removed from the children.
    virtual void ControlListChange(TControl* Control, bool Inserting);
    // A child's area must be repainted; the base invalidates R.
    virtual void InvalidateChild(TControl& Child, const TRect& R);

private:
    friend class TControl;
    void InsertControl(TControl* Control);
    void RemoveControl(TControl* Control);
    const TWinControl* RootWindow() const;
    TWinControl* RootWindow();
    TControl* MouseTarget(const TPoint& P) const;
    const TControl* ControlOrParentAt(const TPoint& P) const;

    std::vector<TControl*> FControls;
    IWindowHost* FHost = nullptr;
    TControl* FCaptureControl = nullptr;
};
