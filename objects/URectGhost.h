#pragma once
// Handles and drag feedback of rectangle objects: every object that answers IDOPosition gets
// eight resize handles (two of them rotation handles when it can turn), a resize ghost, a
// create-by-drag ghost and the designer that hands them to the design surface.
//
// Handle codes, with the handle's place on the object's logical rectangle (L, T, R, B):
//   0 top-left, 1 left middle, 2 bottom-left, 3 top middle, 4 bottom middle, 5 top-right,
//   6 right middle, 7 bottom-right, 8 rotation (at 2 and 5 of objects that turn),
//   -1 move the whole object, -2 create by drag.
//
// Units: logical units of the surface (0.1 mm); angles whole degrees, clockwise.
// User-interface thread only.

#include "UDesigner.h"
#include "UGhost.h"

// The cursor of the rotation handles, in the program's cursor table.
constexpr TCursor crRotate = 3;

// The point of handle Code (0..7) on R; the centre of R for any other code.
TPoint RectHandlePoint(const TRect& R, int Code);

// Resizes its object by one of the eight handles; applied on release as one undo step
// "サイズ変更".
class TRectGhost : public TUniversalGhost {
public:
    TRectGhost(TDrawObject& Object, int Code);

    // The object's new logical rectangle before rotation, as the last Move left it (it may be
    // flipped: the normalised rectangle is applied).
    const TRect& GhostRect() const { return FGhostRect; }
    int MinWidth() const { return FMinWidth; }
    int MinHeight() const { return FMinHeight; }

    // Shift inverts the object's own keep-aspect preference (IDOPosition::ScalesToFit); Ctrl
    // allows any size, else sides stay at least 20 units.
    void Move(TShiftState Shift, const TPoint& Delta) override;

protected:
    // The object's rectangle through IDOPosition.
    TRect ObjectRect() const;
    // The object's angle when it turns, else 0.
    int ObjectAngle() const;
    void SetHandleCode(int Value) { FHandleCode = Value; }
    void SetGhostRect(const TRect& Value) { FGhostRect = Value; }
    // The clone takes the object's state, then the ghost rectangle (its centre turned with
    // the object and kept inside the page).
    void ApplyToClone();

private:
    bool KeepAspect(TShiftState Shift, const TRect& O) const;

    int FHandleCode;
    TRect FGhostRect;
    int FMinWidth = 20;
    int FMinHeight = 20;
};

// Sizes a new object by dragging from the press point. The object already lies on the
// surface, hidden; the ghost answers for it until the drag finishes: a cancelled creation
// frees it, a finished one shows and selects it and records one undo step "追加".
class TRectCreateGhost : public TRectGhost {
public:
    explicit TRectCreateGhost(TDrawObject& Object);
    ~TRectCreateGhost() override;

    bool Committed() const { return FCommitted; }
    void Start(const TPoint& P) override;
    void Finish(TShiftState Shift) override;

private:
    bool FCommitted = false;
};

// The rotation handle: a green disc with a white rim; a locked object's shows the normal
// locked handle.
class TRotatePivot : public TPivot {
    Q_OBJECT
public:
    explicit TRotatePivot(TComponent* Owner = nullptr);
    TRotatePivot(TDrawObject* Object, TCursor Cursor, int Code);
    bool IsPivotEnabled() const override { return false; }

protected:
    void Paint() override;
};

// Hands out the handles and ghosts above for objects answering IDOPosition.
class TDORectGhostDesigner : public TDODesigner {
public:
    bool CreatePivots(TDrawObject& Object) override;
    // -2 create, -1 move, 0..7 resize, 8 rotate; false for any other code (and for objects
    // without IDOPosition), so that later designers can answer those.
    bool CreateGhost(TDrawObject& Object, int Code) override;
};

// Installs the rotation cursor as crRotate in the program's cursor table.
void InstallRotateCursor();
