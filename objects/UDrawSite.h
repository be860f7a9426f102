#pragma once
// TDrawSite: the zoomable page on which drawing objects are laid out, selected, dragged and
// drawn.
//
// The surface is a windowed control in the sense of UControl.h, but it needs no window: it
// paints through explicit calls (PaintWindow and PaintOverlay for the window that shows it,
// DrawTo for printing, previews and export) and runs just as well headless. Its children are
// drawing objects and selection handles (pivots) only; the child order is the z-order (index
// 0 at the bottom), and drawing objects are kept ordered by LayerGroup.
//
// Units: logical units are those of the objects (0.1 mm with UnitDPI 254); device units are
// the surface's client pixels at the current zoom. The device bounds of every drawing object
// are its logical bounds converted by the scaler, right and bottom one pixel larger.
//
// Notifications: the surface listens to every child object and re-broadcasts each of its
// notifications (same sender, same id) through its own broadcaster, which it answers as
// IBroadcaster.
//
// Drags: presses create the ghosts of the global ghost list (UDesignHooks.h) and run them;
// without an installed ghost list presses select and deselect but drag nothing.
//
// User-interface thread only.

#include "UControl.h"
#include "UDOList.h"
#include "UNotify.h"
#include "UPersistent.h"
#include "UScaler.h"

#include <functional>
#include <memory>

class TDrawObject;
class TDrawSite;

// The zoom of a surface as streams carry it ("Scaler.Scale", "Scaler.UnitDPI"); assigning
// copies the values into the surface's scaler.
class TDrawSiteScaler : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Scale READ Scale WRITE SetScale)
    Q_PROPERTY(int UnitDPI READ UnitDPI WRITE SetUnitDPI)
    Q_CLASSINFO("Default:Scale", "100")
public:
    explicit TDrawSiteScaler(TScaler& Scaler) : FScaler(Scaler) {}

    int Scale() const { return FScaler.Scale(); }
    void SetScale(int Value) { FScaler.SetScale(Value); }
    int UnitDPI() const { return FScaler.UnitDPI(); }
    void SetUnitDPI(int Value) { FScaler.SetUnitDPI(Value); }
    TScaler& Scaler() const { return FScaler; }
    void Assign(const TPersistent* Source) override;

private:
    TScaler& FScaler;
};

using TDrawToProgress = std::function<void(TDrawSite* Sender, int Value)>;

class TDrawSite : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TDrawSiteScaler* Scaler READ ScalerProperty WRITE SetScalerProperty)
    Q_PROPERTY(int LogWidth READ LogWidth WRITE SetLogWidth)
    Q_PROPERTY(int LogHeight READ LogHeight WRITE SetLogHeight)
    Q_PROPERTY(int MoveCursor READ MoveCursor WRITE SetMoveCursor)
    Q_PROPERTY(bool Border READ Border WRITE SetBorder)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_CLASSINFO("Default:MoveCursor", "0")
    Q_CLASSINFO("Default:Border", "true")
    Q_CLASSINFO("Default:Color", "clWindow")
public:
    explicit TDrawSite(TComponent* Owner = nullptr);
    // Cancels a drag running on it, says goodbye to its observers, frees its handles and the
    // objects it owns.
    ~TDrawSite() override;

    // Zoom percent and unit DPI; every change runs Relayout.
    TScaler& Scaler() const { return *FScaler; }
    TDrawSiteScaler* ScalerProperty() const { return FScalerProperty.get(); }
    void SetScalerProperty(TDrawSiteScaler* Value);
    // Page size in logical units; a change runs Relayout.
    int LogWidth() const { return FLogWidth; }
    void SetLogWidth(int Value);
    int LogHeight() const { return FLogHeight; }
    void SetLogHeight(int Value);
    // A cursor kept for the editor window; the surface does not use it.
    TCursor MoveCursor() const { return FMoveCursor; }
    void SetMoveCursor(TCursor Value) { FMoveCursor = Value; }
    // A black frame around the page after painting.
    bool Border() const { return FBorder; }
    void SetBorder(bool Value);
    // Page background; clNone leaves it unpainted.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // The logical point that positions shown to the user count from: the cut line of a face
    // whose page carries a bleed margin, (0, 0) otherwise. Objects keep page coordinates;
    // dialogs, the status bar, the grid and the guides subtract this point.
    TPoint UserOrigin() const { return FUserOrigin; }
    void SetUserOrigin(const TPoint& Value) { FUserOrigin = Value; }

    // The page changed since the flag was last cleared. Setting it marks the handles for
    // rebuilding; a change of the flag fires OnModifyChanged.
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    TBroadcaster& Broadcaster() { return FBroadcaster; }
    // The object under the last left press, until the button is released.
    TDrawObject* PressedObject() const { return FPressedObject; }

    // Appends the drawing objects, topmost first; with SelectedOnly only the selected ones.
    void GetObjects(TDOList& List, bool SelectedOnly) const;
    // True: selects every object; false: deselects every selected one. Bottom first.
    void SelectAll(bool Value);
    // Selects every object whose device bounds lie wholly inside R (device pixels), topmost
    // first; deselects nothing.
    void SelectInRect(const TRect& R);
    // The topmost object hit at the logical point P, or nullptr.
    TDrawObject* ObjectAt(const TPoint& P) const;
    // Places Object on the page, on top of its layer group, and flags the page modified.
    // Ownership does not change (see InsertObject).
    void AddObject(TDrawObject* Object);
    // Makes the surface Object's owner. A name another component of the surface already uses
    // is replaced by a free one (the name with a number appended), so pasted copies of
    // objects on this page fit.
    void InsertObject(TDrawObject* Object);
    // Device bounds of Object := its logical bounds converted, right and bottom plus 1.
    void UpdateObjectBounds(TDrawObject* Object);

    // Conversions with the scaler at the resolution of the current canvas.
    TPoint DPtoLP(const TPoint& P);
    TPoint LPtoDP(const TPoint& P);
    TRect LPtoDPRect(const TRect& R);
    // The draw canvas during DrawTo, else the control canvas.
    TCanvas& GetCanvas();
    // (0, 0) and the pixel size in logical units.
    TRect GetLogicalClientRect();

    // Handles. Every child that is not a drawing object is a handle (pivot). A handle is
    // created by a designer for an object (normally owned by the object, so that it goes with
    // it) and placed with AddPivotAt centred on the logical point P, Size pixels square.
    // Handles are drawn over the page (PaintOverlay), not into it.
    void AddPivotAt(TControl* Pivot, const TPoint& P, int Size);
    // Hides every visible handle; answers whether one was hidden.
    bool HidePivots();
    // Frees every handle.
    void DeletePivots();
    // When the handles are out of date and no drag holds the mouse: frees them and lets
    // every selected object (bottom first) create its own; with several objects selected no
    // handle shows a special cursor. A change of the selection, of a selected object or of
    // the objects on the page runs it by itself once control returns to the event loop, so
    // that the handles always show where the selection is.
    void UpdatePivots();
    bool PivotsDirty() const { return FPivotsDirty; }

    // A press on an object (hit code -1) or on one of its handles (the handle's code):
    // selection, drag start and the surface's own press handling. X, Y: client pixels.
    void ObjectMouseDown(TMouseButton Button, TShiftState Shift, TDrawObject* Object, int Hit,
                         int X, int Y);

    // Draws the page on Canvas at Scale percent (printing, previews, export): OnPaint, every
    // visible object bottom first, then PaintAfter; OnDrawToProgress after every child.
    // Origin (device pixels of Canvas) is the point of the page that lands on Canvas's
    // origin. The surface's own zoom and layout are untouched; Canvas's state is restored.
    // Raises EScalerError for a Scale of 0 or less.
    void DrawTo(TCanvas& Canvas, const TPoint& Origin, int Scale);
    // The zoom in percent at which the page fits R on DC: by width, by height, or the
    // smaller of both; 100 with neither flag, and for a page with no size. At least 1.
    int CalcFitScale(TCanvas& DC, const TRect& R, bool ByHeight, bool ByWidth);
    // Pixel size from the page size, device bounds of every object, handles rebuilt,
    // repaint, OnScalerChanged. Skipped while loading and during DrawTo.
    void Relayout();

    // For the window: paints the page within Update (client pixels) on DC, whose mapping is
    // MM_TEXT in client pixels: background, objects, then PaintAfter.
    void PaintWindow(TCanvas& DC, const TRect& Update);
    // For the window: what lies over the page within Update: handles, then the ghosts of a
    // drag running on this surface.
    void PaintOverlay(TCanvas& DC, const TRect& Update);

    // Over the objects: OnPaintAfter, then the border.
    virtual void PaintAfter();
    virtual void DrawProgress(int Value);
    virtual void DrawObject(TDrawObject* Object);

    void Loaded() override;
    // The child controls the surface owns, in child order.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) const override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;
    void KeyDown(int& Key, TShiftState Shift) override;
    void KeyUp(int& Key, TShiftState Shift) override;
    void CancelMode() override;
    void Click() override;

    TNotifyEvent OnScalerChanged;
    // Page background and overlays; the canvas is mapped to logical units.
    TNotifyEvent OnPaint;
    TNotifyEvent OnPaintAfter;
    // A drag ended or was cancelled, or an object was edited by double click (Sender: the
    // object then).
    TNotifyEvent OnClearGhost;
    TNotifyEvent OnModifyChanged;
    TDrawToProgress OnDrawToProgress;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void ControlListChange(TControl* Control, bool Inserting) override;
    void InvalidateChild(TControl& Child, const TRect& R) override;

private:
    void SurfaceMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, bool FromObject);
    void CreateDragGhosts(int Hit);
    bool DragRunning() const;
    void GhostsCleared();
    void MoveGhostsToCursor(TShiftState Shift);
    void ListenerNotify(IInterface* Sender, const TGUID& MsgID);
    // Marks the handles out of date and queues their rebuilding (once per burst).
    void PivotsChanged();
    // Frees the handles Object owns (it is leaving the page).
    void DeletePivotsOf(const TDrawObject* Object);
    void DrawBorder();
    std::vector<TControl*> Pivots() const;
    std::vector<TDrawObject*> DrawObjects() const;

    std::unique_ptr<TScaler> FScaler;
    std::unique_ptr<TDrawSiteScaler> FScalerProperty;
    int FLogWidth = 0;
    int FLogHeight = 0;
    TCursor FMoveCursor = crDefault;
    bool FModified = false;
    TCanvas* FDrawCanvas = nullptr;
    bool FBorder = true;
    TColor FColor = clWindow;
    TPoint FUserOrigin;
    TBroadcaster FBroadcaster;
    TListener FListener;
    TDrawObject* FPressedObject = nullptr;
    bool FDeselectOnClick = false;
    bool FPivotsDirty = false;
    bool FPivotUpdateQueued = false;
    bool FGhostsRunning = false;
    TPen FPen;
};

// The user origin of the page Object lies on, through any groups; (0, 0) off a page.
TPoint UserOriginOf(const TDrawObject& Object);
