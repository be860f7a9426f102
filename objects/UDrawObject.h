#pragma once
// Drawing objects: everything that can lie on a design surface (TDrawSite).
//
// TDrawObject is a windowless control whose parent is the surface. It tells its observers
// about every change through its change notifier (asked for with IBroadcaster), is selected
// and deselected by the surface, keeps its place in the z-order within its layer group, paints
// itself on the screen (or the failure box after a paint that raised), and draws itself onto
// any canvas for printing and previews (DrawTo).
//
// TLabelObject adds printing control (DontPrint), blending (BlendRatio, BlendShade), and
// handles, drag feedback and editing supplied by the designers (UDesignHooks.h).
//
// TLORectBase is an object whose geometry is one logical rectangle (0.1 mm), the base of
// nearly every concrete object.
//
// Units: logical coordinates are the surface's logical units (0.1 mm); Left, Top, Width and
// Height of TControl are device pixels of the surface and derived from the logical geometry
// by the surface. Ownership is explicit: the surface (or whoever created an object) owns it;
// an object's observers drop their pointers when its notifier announces MsgIdGoingAway.
//
// User-interface thread only.

#include "UControl.h"
#include "UDOInterfaces.h"
#include "UNotify.h"
#include "UStringList.h"

#include <algorithm>
#include <cstdint>
#include <memory>

class TBitmap;
class TDrawSite;

// The range every stored coordinate, size and offset of a drawing object lies in, logical
// units (0.1 mm): +-1,000,000 is 100 m, far beyond any paper. A damaged or hostile stream may
// hold any int; keeping stored geometry within this range lets the sums, differences and
// centres of two coordinates, and the mapping to device pixels at 600 dpi, stay inside int.
constexpr int MaxLogicalCoord = 1'000'000;

// Value (computed in 64 bits by the caller where it is a sum) limited to +-MaxLogicalCoord;
// values within the range are kept exactly.
constexpr int ClampLogical(int64_t Value) {
    return static_cast<int>(std::clamp<int64_t>(Value, -MaxLogicalCoord, MaxLogicalCoord));
}
// R with each edge limited to +-MaxLogicalCoord.
inline TRect ClampLogical(const TRect& R) {
    return TRect(ClampLogical(R.Left), ClampLogical(R.Top), ClampLogical(R.Right),
                 ClampLogical(R.Bottom));
}

class TDrawObject : public TControl {
    Q_OBJECT
    Q_PROPERTY(bool Border READ Border WRITE SetBorder)
    Q_PROPERTY(bool Movable READ Movable WRITE SetMovable)
    Q_PROPERTY(bool Selectable READ Selectable WRITE SetSelectable)
    Q_PROPERTY(int LayerGroup READ LayerGroup WRITE SetLayerGroup)
    Q_PROPERTY(TStringList Appendix READ Appendix WRITE SetAppendix)
    Q_CLASSINFO("Default:Movable", "true")
    Q_CLASSINFO("Default:Selectable", "true")
    // An event that older streams carry with the handler's name.
    Q_CLASSINFO("Ignored", "OnModify")
public:
    explicit TDrawObject(TComponent* Owner = nullptr);
    // Frees the components it owns (its handles) first, leaves the surface, then announces
    // MsgIdGoingAway to its observers.
    ~TDrawObject() override;

    // The change notifier (controller: the object); the object answers IBroadcaster with it.
    TChangeNotify& Notifier() const { return *FNotifier; }
    // The listener concrete objects attach to the broadcasters they watch; it calls
    // ListenerNotify.
    TListener& Listener() const { return *FListener; }
    // One change: broadcasts MsgIdChanged (sender: the object), flags the surface modified and
    // fires OnModify; inside BeginUpdate ... EndUpdate once at the outermost end.
    virtual void Changed();
    void BeginUpdate() { FNotifier->BeginUpdate(); }
    void EndUpdate() { FNotifier->EndUpdate(); }

    // A blue frame around the object on the screen.
    bool Border() const { return FBorder; }
    void SetBorder(bool Value);
    bool Selected() const { return FSelected; }
    // Ignored when Value is true and the object is not Selectable; otherwise stores Value and
    // broadcasts MsgIdSelectionChanged, also when nothing changed.
    virtual void SetSelected(bool Value);
    bool Movable() const { return FMovable; }
    // When different: stores and broadcasts MsgIdMovableChanged.
    virtual void SetMovable(bool Value);
    bool Selectable() const { return FSelectable; }
    // When different: stores; an object that stops being selectable is deselected.
    void SetSelectable(bool Value);
    // Z-order band: an object never lies above an object of a higher group on its surface.
    int LayerGroup() const { return FLayerGroup; }
    void SetLayerGroup(int Value) { FLayerGroup = Value; }
    // Free lines kept with the object; a change counts as a modification.
    const TStringList& Appendix() const { return FAppendix; }
    void SetAppendix(const TStringList& Value);
    // Outside a paint: true after a paint that raised; the object shows the failure box from
    // then on.
    bool PaintFailed() const { return FPainting; }
    // True while a ghost copies its clone back into the object; Assign may skip work then.
    bool AssigningFromGhost() const { return FAssigningFromGhost; }
    void SetAssigningFromGhost(bool Value) { FAssigningFromGhost = Value; }

    // Fired after every change of the object.
    TNotifyEvent OnModify;

    // Copies Source (through its AssignTo) with at most one change broadcast.
    void Assign(const TPersistent* Source) override;
    // The published event: OnModify.
    void CopyEventHandlers(TPersistent& Dest) const override;

    // True when the object answers IDOBlend with a ratio other than 100, or with its shade
    // flag set.
    virtual bool NeedsBlend();
    // Paints the object on GetCanvas(): when it needs blending and the canvas draws into a
    // pixel buffer, blended at its IDOBlend ratio through its mask (UBlendDraw.h); otherwise
    // plainly through Paint.
    virtual void DrawBlended();
    // The object alone painted into a new 24-bit bitmap covering the visible part of its
    // bounds on GetCanvas() (grown by 5 pixels), mapped like GetCanvas() while Paint ran.
    virtual std::unique_ptr<TBitmap> RenderToBitmap();
    // Fills the whole of an 8-bit grey mask with index 255 (all of it belongs to the object).
    virtual void FillBlendMask(TBitmap& Mask);
    // Every notification reaching Listener(); the base does nothing.
    virtual void ListenerNotify(IInterface* Sender, const TGUID& MsgID);
    // True when the logical point P hits the object.
    virtual bool HitTest(const TPoint& P) const = 0;
    // The logical bounds.
    virtual TRect GetBoundsRect() const = 0;
    // Places the object's handles on its surface.
    virtual void CreatePivots() = 0;
    // Adds the drag feedback for hit code HitCode to the ghost list.
    virtual void CreateGhosts(int HitCode) = 0;
    // Draws the object on Canvas, which is mapped to logical units (printing, previews,
    // export). Nothing when no part of the bounds is visible on Canvas; Canvas's state is
    // restored afterwards.
    virtual void DrawTo(TCanvas& Canvas);

    // To the top or the bottom of its own layer group among its parent's children.
    void BringToLayerFront();
    void SendToLayerBack();

    // The parent surface, or nullptr.
    TDrawSite* DrawSite() const;
    bool IsOnDrawSite() const { return DrawSite() != nullptr; }
    // Asks the surface to recompute the device bounds; false when not on a surface.
    bool UpdateBounds();
    // Where the object draws now: the redirect canvas during DrawTo, else the control canvas.
    TCanvas& GetCanvas();

    bool QueryInterface(const TGUID& Id, void** Obj) override;
    void PaintControl(TCanvas& DC) override;
    bool ControlHitTest(const TPoint& P) override;
    // The owned components that are data of the object; its handles are not written.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) const override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // The modify handler: flags the surface modified and fires OnModify.
    void Modified();

private:
    void ExcludeOpaqueAbove(TCanvas& DC) const;
    void PaintFailureBox(TCanvas& DC);
    void PaintNormally(TCanvas& DC);
    IInterface* Self() { return this; }

    std::unique_ptr<TListener> FListener;
    std::unique_ptr<TChangeNotify> FNotifier;
    bool FBorder = false;
    bool FSelected = false;
    bool FPainting = false;
    bool FMovable = true;
    bool FSelectable = true;
    TCanvas* FRedirectCanvas = nullptr;
    int FLayerGroup = 0;
    bool FAssigningFromGhost = false;
    TStringList FAppendix;
};

class TLabelObject : public TDrawObject {
    Q_OBJECT
    Q_PROPERTY(bool DontPrint READ DontPrint WRITE SetDontPrint)
    Q_PROPERTY(int BlendRatio READ BlendRatio WRITE SetBlendRatio)
    Q_PROPERTY(bool BlendShade READ BlendShade WRITE SetBlendShade)
    Q_CLASSINFO("Default:BlendRatio", "100")
    Q_CLASSINFO("Default:BlendShade", "false")
public:
    explicit TLabelObject(TComponent* Owner = nullptr);

    // Shown on the screen but not drawn on printer canvases.
    bool DontPrint() const { return FDontPrint; }
    // When different: stores, broadcasts MsgIdDontPrintChanged, Changed.
    void SetDontPrint(bool Value);
    // Opacity in percent for blended drawing.
    int BlendRatio() const { return FBlendRatio; }
    void SetBlendRatio(int Value);
    bool BlendShade() const { return FBlendShade; }
    void SetBlendShade(bool Value);

    // Through the designers.
    void CreatePivots() override;
    void CreateGhosts(int HitCode) override;
    // When different: Changed, then the inherited change.
    void SetMovable(bool Value) override;
    // Nothing on a printer canvas while DontPrint is set.
    void DrawTo(TCanvas& Canvas) override;
    // Refused while a drag runs, so that all its input reaches the surface.
    bool ControlHitTest(const TPoint& P) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void MouseMove(TShiftState Shift, int X, int Y) override;

private:
    void EditOnDoubleClick();

    bool FDontPrint = false;
    int FBlendRatio = 100;
    bool FBlendShade = false;
};

class TLORectBase : public TLabelObject,
                    public IDORect,
                    public IDOEncloseBounds,
                    public IDOPosition,
                    public IDODrawing {
    Q_OBJECT
    // Logical geometry (0.1 mm), always written. These hide TControl's device bounds of the
    // same names; code that needs the device bounds uses BoundsRect().
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
public:
    explicit TLORectBase(TComponent* Owner = nullptr);

    int Left() const { return FRect.Left; }
    int Top() const { return FRect.Top; }
    int Width() const { return FRect.Right - FRect.Left; }
    int Height() const { return FRect.Bottom - FRect.Top; }
    // Move the rectangle keeping its size.
    void SetLeft(int Value) override;
    void SetTop(int Value) override;
    // Set the size from the top-left; a negative size swaps the edges.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;

    // The rectangle, normalised. When it differs: stored, the surface recomputes the device
    // bounds, Changed.
    virtual void SetBoundsRect(const TRect& R);
    // Objects that scale down to fit a page instead of being cut answer true.
    bool ScalesToFit() const override { return false; }

    TRect GetRect() const override { return FRect; }
    TRect GetBoundsRect() const override { return FRect; }
    // True inside the rectangle, right and bottom edges excluded.
    bool HitTest(const TPoint& P) const override;
    // Left then Top: two separate changes.
    void OffsetBy(int Dx, int Dy) override;
    void DrawTo(TCanvas& Canvas) override { TLabelObject::DrawTo(Canvas); }
    int GetLeft() const override { return Left(); }
    int GetTop() const override { return Top(); }
    int GetWidth() const override { return Width(); }
    int GetHeight() const override { return Height(); }

    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override {}

private:
    TRect FRect;
};
