#pragma once
// Handles and drag feedback of lines and curves: end-point handles, the bulge handle, the
// ghosts that drag them or create a new line or curve by dragging, and the two designers
// that hand them to the design surface.
//
// Handle codes: lines 0 (start) and 1 (end); curves (and any object answering IDOCurve)
// 10 (start), 11 (end) and 12 (bulge point); -1 moves the whole object, -2 creates one.
//
// Units: logical units of the surface (0.1 mm); angles whole degrees, clockwise on the
// y-down page. Shift states keep the key bits Shift 1, Alt 2, Ctrl 4.
// User-interface thread only.

#include "UDesigner.h"
#include "UGhost.h"

// Drags the start (code 0) or the end (code 1) of a line; applied on release as one undo
// step "移動・サイズ変更". The dragged point snaps; with Shift the line is made horizontal
// (when it runs more across than up or down) or vertical.
class TLineGhost : public TUniversalGhost {
public:
    TLineGhost(TDrawObject& Object, int Code);
    void Move(TShiftState Shift, const TPoint& Delta) override;
    int HandleCode() const { return FHandleCode; }

protected:
    void SetHandleCode(int Value) { FHandleCode = Value; }

private:
    int FHandleCode;
};

// Places a new line by dragging its end from the press point. The object already lies on
// the surface, hidden; a cancelled creation frees it, a finished one shows and selects it
// and records one undo step "追加".
class TLineCreateGhost : public TLineGhost {
public:
    explicit TLineCreateGhost(TDrawObject& Object);
    ~TLineCreateGhost() override;

    bool Committed() const { return FCommitted; }
    void Start(const TPoint& P) override;
    void Finish(TShiftState Shift) override;

private:
    bool FCommitted = false;
};

// Drags the start (10), end (11) or bulge point (12) of an object answering IDOCurve;
// applied on release as one undo step "移動・サイズ変更".
//  - An end without Shift: the other end moves by the same drag with its component along
//    the chord reversed (the curve stretches about its middle), and the curve keeps passing
//    through its bulge point. With Shift only the dragged end moves and the bulge stays.
//  - The bulge point, plainly: it follows the pointer (snapped); its bulge is limited to the
//    smaller side of the page.
//  - The bulge point with the circumference move (the move options' Circumference flag,
//    inverted by Shift + Alt, off with Alt alone): the curve becomes an arc about the page
//    centre through the pointer, keeping its length and the side it bulges to.
class TCurveGhost : public TUniversalGhost {
public:
    TCurveGhost(TDrawObject& Object, int Code);

    int HandleCode() const { return FHandleCode; }
    // The circumference flag taken from the move options when the ghost was made.
    bool Circumference() const { return FCircumference; }
    void SetCircumference(bool Value) { FCircumference = Value; }

    void Start(const TPoint& P) override;
    void Move(TShiftState Shift, const TPoint& Delta) override;
    void Finish(TShiftState Shift) override;

protected:
    void SetHandleCode(int Value) { FHandleCode = Value; }

private:
    void MoveEnd(TShiftState Shift, const TPoint& Delta);
    void MoveBulge(const TPoint& Delta);
    void MoveOnCircumference(const TPoint& Delta);

    int FHandleCode;
    bool FCircumference;
};

// Places a new curve by dragging its end (handle 11) from the press point; otherwise as
// TLineCreateGhost.
class TCurveCreateGhost : public TCurveGhost {
public:
    explicit TCurveCreateGhost(TDrawObject& Object);
    ~TCurveCreateGhost() override;

    bool Committed() const { return FCommitted; }
    void Start(const TPoint& P) override;
    void Finish(TShiftState Shift) override;

private:
    bool FCommitted = false;
};

// The bulge handle: a red disc with a white rim (size 6); a locked object's shows the
// normal locked handle.
class TBulgePivot : public TPivot {
    Q_OBJECT
public:
    explicit TBulgePivot(TComponent* Owner = nullptr);
    TBulgePivot(TDrawObject* Object, TCursor Cursor, int Code);
    bool IsPivotEnabled() const override { return false; }

protected:
    void Paint() override;
};

// Handles 0 and 1 and the ghosts above for objects answering IDOLine: -2 create, -1 move,
// 0 and 1 the ends; any other code makes nothing but is answered for such objects.
class TDOLineGhostDesigner : public TDODesigner {
public:
    bool CreatePivots(TDrawObject& Object) override;
    bool CreateGhost(TDrawObject& Object, int Code) override;
};

// Handles 10, 11 and 12 and the ghosts above for objects answering IDOCurve: -2 create,
// -1 move, 10 to 12 the ends and the bulge point; any other code makes nothing but is
// answered for such objects.
class TDOCurveGhostDesigner : public TDODesigner {
public:
    bool CreatePivots(TDrawObject& Object) override;
    bool CreateGhost(TDrawObject& Object, int Code) override;
};

// Registers the line designer, then the curve designer, in List. Designers registered later
// (rectangles, text) are asked before them.
void RegisterLineDesigners(TDODesignerList& List);
