#include "UTextGhost.h"

#include "FTextEdit.h"
#include "UCurveGeometry.h"
#include "UDOInterfaces.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "ULOText.h"
#include "URectGhost.h"
#include "UTransformer.h"
#include "UUndo.h"
#include "UUtils.h"

#include <QApplication>

#include <cstdlib>

// ---- TTextBulgeGhost ----------------------------------------------------------------------

TTextBulgeGhost::TTextBulgeGhost(TDrawObject& Object) : TUniversalGhost(Object, BulgeHitCode) {
    SetCaption(SCaptionBulge);
}

void TTextBulgeGhost::Start(const TPoint& P) {
    TUniversalGhost::Start(P);
    if (const auto* curve = QueryObjectInterface<IDOCurve>(Object())) {
        FStart = curve->GetStartPoint();
        FEnd = curve->GetEndPoint();
        FBulgePoint = curve->GetBulgePoint();
    }
    if (auto* curve = QueryObjectInterface<IDOCurve>(Clone()))
        curve->BeginBulgeDrag();
}

void TTextBulgeGhost::Move(TShiftState, const TPoint& Delta) {
    auto* curve = QueryObjectInterface<IDOCurve>(Clone());
    if (!curve)
        return;
    TPoint m = SnapGhostPoint(TPoint(FBulgePoint.x + Delta.x, FBulgePoint.y + Delta.y));
    // The arc may not bulge further than the drag's bounds are wide or high.
    const int limit = IsRectDegenerate(Bounds) ? 0 : std::min(Bounds.Width(), Bounds.Height());
    const int bulge = GetPointsBulge(FStart, m, FEnd);
    if (limit > 0 && std::abs(bulge) > limit)
        m = GetBulgePoint(FStart, FEnd, bulge < 0 ? -limit : limit);
    curve->SetBulgePoint(m);
}

void TTextBulgeGhost::Finish(TShiftState Shift) {
    if (auto* curve = QueryObjectInterface<IDOCurve>(Clone()))
        curve->EndBulgeDrag();
    TUniversalGhost::Finish(Shift);
}

// ---- TDOTextGhostDesigner -----------------------------------------------------------------

bool TDOTextGhostDesigner::IsCurved(TDrawObject& Object) {
    const auto* curve = QueryObjectInterface<IDOCurve>(&Object);
    return curve && GetPointsBulge(curve->GetStartPoint(), curve->GetBulgePoint(),
                                   curve->GetEndPoint()) != 0;
}

bool TDOTextGhostDesigner::CreatePivots(TDrawObject& Object) {
    const auto* position = QueryObjectInterface<IDOPosition>(&Object);
    TDrawSite* site = Object.DrawSite();
    if (!position || !site || !IsCurved(Object))
        return false;
    const int l = position->GetLeft(), t = position->GetTop();
    const TRect r(l, t, l + position->GetWidth(), t + position->GetHeight());
    TPoint points[8];
    for (int i = 0; i < 8; ++i)
        points[i] = RectHandlePoint(r, i);
    auto place = [&](TPivot* pivot, const TPoint& At) {
        site->AddPivotAt(pivot, At, pivot->Size());
    };
    if (const auto* rotate = QueryObjectInterface<IDORotate>(&Object)) {
        TRotator rotator;
        rotator.SetCenter(RectCenter(r));
        rotator.SetAngle(rotate->GetAngle());
        for (TPoint& p : points)
            rotator.TransformPoint(p);
        place(new TRotatePivot(&Object, crRotate, 8), points[2]); // owned by Object
        place(new TRotatePivot(&Object, crRotate, 8), points[5]);
    } else {
        place(new TLabelPivot(&Object, crSizeNESW, 2), points[2]);
        place(new TLabelPivot(&Object, crSizeNESW, 5), points[5]);
    }
    if (QueryObjectInterface<IDOCurve>(&Object))
        place(new TBulgePivot(&Object, crSizeNS, BulgeHitCode), RectCenter(r));
    static constexpr TCursor cursors[8] = {crSizeNWSE, crSizeWE,   crSizeNESW, crSizeNS,
                                           crSizeNS,   crSizeNESW, crSizeWE,   crSizeNWSE};
    for (int code : {0, 1, 3, 4, 6, 7})
        place(new TLabelPivot(&Object, cursors[code], code), points[code]);
    return true;
}

bool TDOTextGhostDesigner::CreateGhost(TDrawObject& Object, int Code) {
    // Only text objects: the bulge handles of line-based curves belong to their own designer.
    if (Code != BulgeHitCode || !qobject_cast<TLOText*>(&Object) || !IsCurved(Object))
        return false;
    TheGhostList().AddGhost(std::make_unique<TTextBulgeGhost>(Object));
    return true;
}

bool TDOTextGhostDesigner::EditObject(TDrawObject& Object, bool& Cancel) {
    auto* text = qobject_cast<TLOText*>(&Object);
    if (!text)
        return false;
    Cancel = true;
    QString lines = text->Text().Lines().join(u'\n');
    if (!ExecuteTextEdit(QApplication::activeWindow(), lines))
        return true;
    auto action = std::make_unique<TDOChangeAction>(Object);
    action->SetCaption(SCaptionTextEdit);
    text->SetPlainText(lines);
    TDOChangeAction::Commit(std::move(action), ActionList());
    Cancel = false;
    return true;
}
