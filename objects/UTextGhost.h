#pragma once
// Handles of curved objects (in practice text objects with a Bulge): the eight handles of
// rectangle objects plus a bulge handle (code 12) at the centre of the rectangle, the drag
// that bends the arc through that handle, and the editing of a text object's lines.
//
// The designer is registered after the rectangle designer, so the design surface asks it
// first; the ghosts of codes -2, -1 and 0..8 still come from the rectangle designer.
//
// Units: logical units of the surface (0.1 mm). User-interface thread only.

#include "UCurveGhost.h"
#include "UDesigner.h"
#include "UGhost.h"

// Hit code of the bulge handle.
constexpr int BulgeHitCode = 12;

// Bends the arc of a curved object: the arc's middle point follows the pointer (snapped);
// its bulge is limited to the smaller side of the drag's bounds. Start and Finish open and
// close the object's curve edit (IDOCurve::BeginBulgeDrag, EndBulgeDrag) on the clone; the
// result is one undo step "変形".
class TTextBulgeGhost : public TUniversalGhost {
public:
    explicit TTextBulgeGhost(TDrawObject& Object);

    void Start(const TPoint& P) override;
    void Move(TShiftState Shift, const TPoint& Delta) override;
    void Finish(TShiftState Shift) override;

private:
    TPoint FStart, FEnd, FBulgePoint;
};

class TDOTextGhostDesigner : public TDODesigner {
public:
    // True for an object answering IDOCurve whose start, bulge and end points form a bulge.
    static bool IsCurved(TDrawObject& Object);

    // Handles of curved objects on a surface: the eight rectangle handles (turned with an
    // object that rotates, whose handles 2 and 5 then turn it) and the bulge handle.
    bool CreatePivots(TDrawObject& Object) override;
    // The bulge drag (code 12) of a curved text object; nothing else.
    bool CreateGhost(TDrawObject& Object, int Code) override;
    // Text objects: the text editor; the change is one undo step "テキスト変更".
    bool EditObject(TDrawObject& Object, bool& Cancel) override;
};

// Undo caption of a bulge drag and of a text edit.
inline const QString SCaptionBulge = QStringLiteral("変形");
inline const QString SCaptionTextEdit = QStringLiteral("テキスト変更");
