#pragma once
// Drag feedback: ghosts, the one ghost list that runs every drag, selection handles (pivots)
// and the move options.
//
// While the user drags, nothing on the page changes: every ghost works on its own state (the
// universal ghosts on a copy of their object) and is drawn as an XOR outline over the page.
// Only on release is the result applied to the real objects, as one undo step for the whole
// drag. Drawing and erasing a ghost are repaint requests of the surface's overlay: the window
// paints the page, then the handles, then the ghosts of the running drag.
//
// Units: points, deltas and rectangles are logical units of the surface (0.1 mm); angles are
// whole degrees, clockwise on the y-down page. Shift states keep the key bits Shift 1, Alt 2,
// Ctrl 4.
//
// User-interface thread only; there is one ghost list, so one drag at a time.

#include "UCanvas.h"
#include "UControl.h"
#include "UDesignHooks.h"
#include "UWinTypes.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <span>
#include <vector>

class TDrawObject;
class TDrawSite;

// An axis of a snap offset that does not snap.
constexpr int NoSnap = 0x7FFFFFFF;

class TGhost {
public:
    TGhost() = default;
    virtual ~TGhost() = default;
    TGhost(const TGhost&) = delete;
    TGhost& operator=(const TGhost&) = delete;

    // The limits of the drag: the surface's logical client rectangle.
    TRect Bounds;
    TDrawSite* Site = nullptr;

    virtual void Start(const TPoint& P) { (void)P; }
    // Draws the outline on Canvas, mapped to logical units, with the list's XOR pen.
    virtual void Draw(TCanvas& Canvas) = 0;
    // Delta: the pointer's offset from the start of the drag.
    virtual void Move(TShiftState Shift, const TPoint& Delta) = 0;
    // Applies the drag.
    virtual void Finish(TShiftState Shift) = 0;
    // The caption of the undo step the ghost records; empty when none.
    virtual QString Caption() const { return {}; }
};

class TGhostList : public IGhostList {
public:
    TGhostList();
    ~TGhostList();
    TGhostList(const TGhostList&) = delete;
    TGhostList& operator=(const TGhostList&) = delete;

    void AddGhost(std::unique_ptr<TGhost> Ghost);
    TGhost* Ghosts(int Index) const { return FGhosts.at(Index).get(); }
    // Exactly one ghost, a rubber band.
    bool IsSelecting() const;

    int Count() const override { return static_cast<int>(FGhosts.size()); }
    bool Active() const override { return FActive; }
    bool Moved() const override { return FMoved; }
    void AddSelectGhost() override;
    void Begin(TDrawSite& Site, const TRect& Bounds, const TPoint& Start,
               TShiftState Shift) override;
    // Nothing when the pointer and keys are unchanged; otherwise every ghost moves.
    void Move(TShiftState Shift, const TPoint& Point) override;
    // When something moved, every ghost finishes, all as one undo step (captioned by the
    // first step recorded). The list is cleared even when a ghost raises; the steps already
    // applied stay recorded and the exception passes on.
    void End() override;
    void Cancel() override;
    void Clear();
    void SetClearEvent(std::function<void()> Event) override { FClearEvent = std::move(Event); }
    void PaintGhosts(TDrawSite& Site, TCanvas& Canvas) override;

    TPoint StartPoint() const { return FStart; }
    TPoint LastPoint() const { return FLastPoint; }
    TShiftState LastShift() const { return FLastShift; }
    const TPen& Pen() const { return FPen; }
    const TBrush& Brush() const { return FBrush; }

private:
    // Asks the surface to repaint its overlay, where the ghosts are drawn.
    void DrawGhosts();

    std::vector<std::unique_ptr<TGhost>> FGhosts;
    TPoint FStart;
    TBrush FBrush;
    TPen FPen;
    std::function<void()> FClearEvent;
    TPoint FLastPoint;
    TShiftState FLastShift;
    bool FActive = false;
    bool FMoved = false;
    QPointer<TDrawSite> FSite;
};

// The program's ghost list; InstallGhostList makes it the one the surfaces use.
TGhostList& TheGhostList();
void InstallGhostList();
// Cancels the drag running in the installed ghost list and frees every ghost held there,
// also those still waiting for their drag (a creation tool's new object): nothing of them
// is applied.
void DiscardGhosts();

// Snapping: the hook answers the offset (dx, dy) that snaps a point, NoSnap in an axis that
// does not snap. Empty: nothing snaps.
using TGhostSnapHook = std::function<TPoint(const TPoint& P)>;
void SetGhostSnapHook(TGhostSnapHook Hook);
const TGhostSnapHook& GhostSnapHook();
// Per axis the smallest offset (by absolute value) the hook gives for any of Points; NoSnap
// where none snaps.
TPoint CalcGhostSnapOffset(std::span<const TPoint> Points);
// P moved by its own snap offset in the axes that snap.
TPoint SnapGhostPoint(const TPoint& P);

// The offset that brings the centre of R at least 10 units inside Bounds.
TPoint CalcInsideOffset(const TRect& R, const TRect& Bounds);

// The rubber band: selects the objects lying wholly inside it on release.
class TSelectGhost : public TGhost {
public:
    void Start(const TPoint& P) override { FStart = FCurrent = P; }
    void Draw(TCanvas& Canvas) override;
    void Move(TShiftState Shift, const TPoint& Delta) override;
    void Finish(TShiftState Shift) override;
    TRect Band() const;

private:
    TPoint FStart;
    TPoint FCurrent;
};

// A selection handle. Pressing it presses its object on the surface with Code. It refuses
// the mouse while a drag runs, so that every event of the drag reaches the surface.
class TPivot : public TControl {
    Q_OBJECT
public:
    explicit TPivot(TComponent* Owner = nullptr);
    // Object owns the handle (it goes with its object); a locked object's handle shows the
    // default cursor.
    TPivot(TDrawObject* Object, TCursor Cursor, int Code);

    int Code() const { return FCode; }
    TDrawObject* OwnerObject() const;
    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; }
    // Drawn by inverting the screen: no owner, or an owner that can be moved.
    virtual bool IsPivotEnabled() const;
    bool ControlHitTest(const TPoint& P) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // A white square with a black frame, the look of a locked object's handle.
    void PaintLocked(TCanvas& Canvas);
    bool OwnerLocked() const;

private:
    int FCode = 0;
    QPointer<TDrawObject> FOwnerObject;
    int FSize = 5;
};

// Paints the disc of a special handle (rotation, bulge): Fill inside a white rim over the
// whole of Rect.
void PaintDiscHandle(TCanvas& Canvas, const TRect& Rect, TColor Fill);

// The handle of label objects: a black square with a white frame.
class TLabelPivot : public TPivot {
    Q_OBJECT
public:
    explicit TLabelPivot(TComponent* Owner = nullptr);
    TLabelPivot(TDrawObject* Object, TCursor Cursor, int Code);
    bool IsPivotEnabled() const override { return false; }

protected:
    void Paint() override;
};

// A ghost that works on a copy of its object and copies the result back on release, as one
// change step captioned Caption (no step when Caption is empty).
class TUniversalGhost : public TGhost {
public:
    TUniversalGhost(TDrawObject& Object, int Code);
    ~TUniversalGhost() override;

    TDrawObject* Clone() const { return FClone.get(); }
    // The dragged object; nullptr once gone.
    TDrawObject* Object() const;
    TPoint StartPoint() const { return FStartPoint; }
    int Code() const { return FCode; }
    QString Caption() const override { return FCaption; }
    void SetCaption(const QString& Value) { FCaption = Value; }

    void Start(const TPoint& P) override { FStartPoint = P; }
    void Draw(TCanvas& Canvas) override;
    void Finish(TShiftState Shift) override;

private:
    std::unique_ptr<TDrawObject> FClone;
    QPointer<TDrawObject> FObject;
    TPoint FStartPoint;
    int FCode;
    QString FCaption;
};

struct TMoveOptions {
    // On a circle around the page centre.
    bool Circumference = false;
    // Straight moves keep only the axis of larger movement.
    bool Parallel = false;
    // Straight moves also turn the object by the change of its direction from the centre.
    bool RotateMove = false;
    // Moves on the circle turn the object with its position.
    bool CircumRotate = false;
    // Positions on the circle snap to multiples of PhaseStep degrees.
    bool CircumPhased = false;
    int PhaseStep = 30;
};

// The defaults new move ghosts start from, set by the layout window's move-mode commands.
TMoveOptions& MoveOptions();

// Moves its object, straight or on the circle around the page centre; with Ctrl held on
// release it drops a copy instead.
class TMoveGhost : public TUniversalGhost {
public:
    TMoveGhost(TDrawObject& Object, int Code);

    const TMoveOptions& Options() const { return FOptions; }
    void SetOptions(const TMoveOptions& Value) { FOptions = Value; }
    // The options now in force (those of the last Move).
    const TMoveOptions& CurrentOptions() const { return FCurrent; }

    void Start(const TPoint& P) override;
    void Draw(TCanvas& Canvas) override;
    void Move(TShiftState Shift, const TPoint& Delta) override;
    void Finish(TShiftState Shift) override;
    // The options with the modifier keys applied: Alt alone a free move, Shift + Alt toggles
    // the circle, Shift alone toggles phases on the circle or the parallel move otherwise.
    virtual TMoveOptions MapShift(TShiftState Shift) const;
    virtual void DropCopy();
    // A new object like the clone.
    virtual std::unique_ptr<TDrawObject> CloneObject();

private:
    TMoveOptions FOptions;
    TMoveOptions FCurrent;
};

// A move that never copies, circles or turns.
class TSimpleMoveGhost : public TMoveGhost {
public:
    using TMoveGhost::TMoveGhost;
    void Finish(TShiftState Shift) override;
    TMoveOptions MapShift(TShiftState Shift) const override;
};

// Turns its object about the centre of its bounds; with Shift in steps of 45 degrees.
class TRotateGhost : public TUniversalGhost {
public:
    TRotateGhost(TDrawObject& Object, int Code);
    void Move(TShiftState Shift, const TPoint& Delta) override;
};

// A with Shift: the nearest multiple of 45 (halves toward zero at 22.5).
int SnapAngle45(int A);
