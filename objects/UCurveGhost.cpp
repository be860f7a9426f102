#include "UCurveGhost.h"

#include "UCurveGeometry.h"
#include "UDOInterfaces.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UTransformer.h"
#include "UUndo.h"
#include "UUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

constexpr double DegPerRad = 180.0 / std::numbers::pi;
// The smallest radius of a circumference move, logical units.
constexpr double MinCircumferenceRadius = 50;

TPoint Add(const TPoint& A, const TPoint& B) {
    return TPoint(A.x + B.x, A.y + B.y);
}

TPoint Sub(const TPoint& A, const TPoint& B) {
    return TPoint(A.x - B.x, A.y - B.y);
}

// P moved by Delta, snapped when the drag moved at all.
TPoint DraggedPoint(const TPoint& P, const TPoint& Delta) {
    const TPoint q = Add(P, Delta);
    return Delta == TPoint(0, 0) ? q : SnapGhostPoint(q);
}

TPoint Turned(const TPoint& P, int Angle) {
    TRotator rotator;
    rotator.SetAngle(Angle);
    TPoint q = P;
    rotator.TransformPoint(q);
    return q;
}

// Delta with its component along the chord S -> E reversed, turned into the chord's frame
// and back at the chord's rounded angle.
TPoint MirrorAlongChord(const TPoint& Delta, const TPoint& S, const TPoint& E) {
    const int angle = int(RoundOff(std::atan2(double(E.y - S.y), double(E.x - S.x)) * DegPerRad));
    TPoint d = Turned(Delta, -angle);
    d.x = -d.x;
    return Turned(d, angle);
}

// Half the length of the curve from S through M to E: half the arc when it is drawn as a
// circular arc, half the chord otherwise.
double HalfCurveLength(const TPoint& S, const TPoint& M, const TPoint& E) {
    const double halfChord = std::hypot(double(E.x - S.x), double(E.y - S.y)) / 2;
    const int bulge = GetPointsBulge(S, M, E);
    const TArc arc = bulge >= 0 ? CalcArc(S, M, E) : CalcArc(E, M, S);
    if (arc.Radius < 1 || arc.Radius >= MaxArcRadius)
        return halfChord;
    double span = arc.EndAngle - arc.StartAngle;
    if (span < 0)
        span += 2 * std::numbers::pi;
    return arc.Radius * span / 2;
}

// The creation ghosts own their object until the drag is applied.
void CommitCreation(TDrawObject& Object) {
    Object.SetSelected(true);
    Object.Show();
    if (!Object.DrawSite())
        return;
    auto action = std::make_unique<TDOAddAction>(Object);
    action->SetCaption(SCaptionAdd);
    ActionList().Add(std::move(action));
}

// Start and end of the object and of its clone at the snapped press point.
void CollapseAt(TDrawObject* Object, TDrawObject* Clone, const TPoint& P) {
    for (TDrawObject* o : {Object, Clone})
        if (auto* line = QueryObjectInterface<IDOLine>(o)) {
            line->SetStartPoint(P);
            line->SetEndPoint(P);
        }
}

} // namespace

// ---------------------------------------------------------------------------------------
// TLineGhost

TLineGhost::TLineGhost(TDrawObject& Object, int Code)
    : TUniversalGhost(Object, Code), FHandleCode(Code) {
    SetCaption(SCaptionMoveResize);
}

void TLineGhost::Move(TShiftState Shift, const TPoint& Delta) {
    const auto* object = QueryObjectInterface<IDOLine>(Object());
    auto* clone = QueryObjectInterface<IDOLine>(Clone());
    if (!object || !clone || (FHandleCode != 0 && FHandleCode != 1))
        return;
    const bool start = FHandleCode == 0;
    const TPoint other = start ? object->GetEndPoint() : object->GetStartPoint();
    TPoint p = DraggedPoint(start ? object->GetStartPoint() : object->GetEndPoint(), Delta);
    auto set = [&](const TPoint& Q) {
        if (start)
            clone->SetStartPoint(Q);
        else
            clone->SetEndPoint(Q);
    };
    set(p);
    if (!Shift.testFlag(ssShift))
        return;
    const int dx = clone->GetEndPoint().x - clone->GetStartPoint().x;
    const int dy = clone->GetEndPoint().y - clone->GetStartPoint().y;
    if (dx != 0 && dy / dx == 0)
        p.y = other.y; // runs more across: horizontal
    else
        p.x = other.x;
    set(p);
}

// ---------------------------------------------------------------------------------------
// TLineCreateGhost

TLineCreateGhost::TLineCreateGhost(TDrawObject& Object) : TLineGhost(Object, -2) {}

TLineCreateGhost::~TLineCreateGhost() {
    if (!FCommitted)
        if (TDrawObject* object = Object())
            const std::unique_ptr<TDrawObject> owned(object); // a cancelled creation leaves nothing
}

void TLineCreateGhost::Start(const TPoint& P) {
    TLineGhost::Start(P);
    SetHandleCode(1);
    if (Site)
        Site->SelectAll(false);
    CollapseAt(Object(), Clone(), SnapGhostPoint(P));
    SetCaption({}); // the add step below stands for the whole creation
}

void TLineCreateGhost::Finish(TShiftState Shift) {
    TLineGhost::Finish(Shift);
    if (TDrawObject* object = Object()) {
        FCommitted = true;
        CommitCreation(*object);
    }
}

// ---------------------------------------------------------------------------------------
// TCurveGhost

TCurveGhost::TCurveGhost(TDrawObject& Object, int Code)
    : TUniversalGhost(Object, Code), FHandleCode(Code),
      FCircumference(MoveOptions().Circumference) {
    SetCaption(SCaptionMoveResize);
}

void TCurveGhost::Start(const TPoint& P) {
    if (auto* curve = QueryObjectInterface<IDOCurve>(Clone()))
        curve->BeginBulgeDrag();
    TUniversalGhost::Start(P);
}

void TCurveGhost::Finish(TShiftState Shift) {
    TUniversalGhost::Finish(Shift);
    if (auto* curve = QueryObjectInterface<IDOCurve>(Clone()))
        curve->EndBulgeDrag();
}

void TCurveGhost::Move(TShiftState Shift, const TPoint& Delta) {
    if (!QueryObjectInterface<IDOCurve>(Object()) || !QueryObjectInterface<IDOCurve>(Clone()))
        return;
    switch (FHandleCode) {
    case 10:
    case 11:
        MoveEnd(Shift, Delta);
        break;
    case 12: {
        bool circumference = FCircumference;
        const auto keys = Shift & (ssShift | ssAlt);
        if (keys == (ssShift | ssAlt))
            circumference = !circumference;
        else if (keys == ssAlt)
            circumference = false;
        if (circumference)
            MoveOnCircumference(Delta);
        else
            MoveBulge(Delta);
        break;
    }
    default:
        break;
    }
}

void TCurveGhost::MoveEnd(TShiftState Shift, const TPoint& Delta) {
    const auto* object = QueryObjectInterface<IDOCurve>(Object());
    auto* clone = QueryObjectInterface<IDOCurve>(Clone());
    const TPoint s = object->GetStartPoint(), e = object->GetEndPoint();
    const TPoint m = object->GetBulgePoint();
    const bool start = FHandleCode == 10;
    const TPoint own = start ? s : e;
    const TPoint p = DraggedPoint(own, Delta);
    if (Shift.testFlag(ssShift)) {
        // Only the dragged end moves; the bulge value stays.
        Clone()->Assign(Object());
        if (start)
            clone->SetStartPoint(p);
        else
            clone->SetEndPoint(p);
        return;
    }
    const TPoint other = Add(start ? e : s, MirrorAlongChord(Sub(p, own), s, e));
    clone->SetStartPoint(start ? p : other);
    clone->SetEndPoint(start ? other : p);
    clone->SetBulgePoint(m);
}

void TCurveGhost::MoveBulge(const TPoint& Delta) {
    const auto* object = QueryObjectInterface<IDOCurve>(Object());
    auto* clone = QueryObjectInterface<IDOCurve>(Clone());
    const TPoint s = object->GetStartPoint(), e = object->GetEndPoint();
    TPoint m = DraggedPoint(object->GetBulgePoint(), Delta);
    const int limit = std::min(Bounds.Width(), Bounds.Height());
    const int bulge = GetPointsBulge(s, m, e);
    if (limit > 0 && std::abs(bulge) > limit)
        m = GetBulgePoint(s, e, bulge < 0 ? -limit : limit);
    clone->SetStartPoint(s);
    clone->SetEndPoint(e);
    clone->SetBulgePoint(m);
}

void TCurveGhost::MoveOnCircumference(const TPoint& Delta) {
    const auto* object = QueryObjectInterface<IDOCurve>(Object());
    auto* clone = QueryObjectInterface<IDOCurve>(Clone());
    const TPoint s = object->GetStartPoint(), e = object->GetEndPoint();
    const TPoint m0 = object->GetBulgePoint();
    const double half = HalfCurveLength(s, m0, e);
    const bool positive = GetPointsBulge(s, m0, e) >= 0;

    // The arc about the page centre C through the pointer M, as long as before.
    const TPoint m = Add(m0, Delta);
    const double cx = (Bounds.Left + Bounds.Right) / 2.0, cy = (Bounds.Top + Bounds.Bottom) / 2.0;
    const double distance = std::hypot(m.x - cx, m.y - cy);
    const double d = std::max(distance, MinCircumferenceRadius);
    const double r = double(RoundOff(d));
    const double theta = std::atan2(m.y - cy, m.x - cx);
    // An arc longer than the whole circle is not a curve: it stops just short of closing.
    const double alpha = std::min(half / d, std::numbers::pi * 0.995);
    auto at = [&](double A) {
        return TPoint(int(RoundOff(cx + r * std::cos(A))), int(RoundOff(cy + r * std::sin(A))));
    };
    // Seen from the centre the arc bulges outward: the start before the pointer in angle
    // gives a positive bulge.
    const TPoint before = at(theta - alpha), after = at(theta + alpha);
    clone->SetStartPoint(positive ? before : after);
    clone->SetEndPoint(positive ? after : before);
    clone->SetBulgePoint(distance >= MinCircumferenceRadius ? m : at(theta));
}

// ---------------------------------------------------------------------------------------
// TCurveCreateGhost

TCurveCreateGhost::TCurveCreateGhost(TDrawObject& Object) : TCurveGhost(Object, -2) {}

TCurveCreateGhost::~TCurveCreateGhost() {
    if (!FCommitted)
        if (TDrawObject* object = Object())
            const std::unique_ptr<TDrawObject> owned(object); // a cancelled creation leaves nothing
}

void TCurveCreateGhost::Start(const TPoint& P) {
    TCurveGhost::Start(P);
    SetHandleCode(11);
    if (Site)
        Site->SelectAll(false);
    CollapseAt(Object(), Clone(), SnapGhostPoint(P));
    SetCaption({});
}

void TCurveCreateGhost::Finish(TShiftState Shift) {
    TCurveGhost::Finish(Shift);
    if (TDrawObject* object = Object()) {
        FCommitted = true;
        CommitCreation(*object);
    }
}

// ---------------------------------------------------------------------------------------
// TBulgePivot

TBulgePivot::TBulgePivot(TComponent* Owner) : TPivot(Owner) {
    SetSize(6);
}

TBulgePivot::TBulgePivot(TDrawObject* Object, TCursor Cursor, int Code)
    : TPivot(Object, Cursor, Code) {
    SetSize(6);
}

void TBulgePivot::Paint() {
    if (OwnerObject() && !OwnerObject()->Movable()) {
        TPivot::Paint();
        return;
    }
    PaintDiscHandle(Canvas(), ClientRect(), clRed);
}

// ---------------------------------------------------------------------------------------
// Designers

namespace {

void PlacePivot(TDrawSite& Site, TPivot* Pivot, const TPoint& At) {
    Site.AddPivotAt(Pivot, At, Pivot->Size());
}

} // namespace

bool TDOLineGhostDesigner::CreatePivots(TDrawObject& Object) {
    const auto* line = QueryObjectInterface<IDOLine>(&Object);
    if (!line)
        return false;
    if (TDrawSite* site = Object.DrawSite()) {
        // The handles are owned by their object.
        PlacePivot(*site, new TLabelPivot(&Object, crSizeWE, 0), line->GetStartPoint());
        PlacePivot(*site, new TLabelPivot(&Object, crSizeWE, 1), line->GetEndPoint());
    }
    return true;
}

bool TDOLineGhostDesigner::CreateGhost(TDrawObject& Object, int Code) {
    if (!QueryObjectInterface<IDOLine>(&Object))
        return false;
    std::unique_ptr<TGhost> ghost;
    if (Code == -2)
        ghost = std::make_unique<TLineCreateGhost>(Object);
    else if (Code == -1)
        ghost = std::make_unique<TMoveGhost>(Object, Code);
    else if (Code == 0 || Code == 1)
        ghost = std::make_unique<TLineGhost>(Object, Code);
    TheGhostList().AddGhost(std::move(ghost));
    return true;
}

bool TDOCurveGhostDesigner::CreatePivots(TDrawObject& Object) {
    const auto* curve = QueryObjectInterface<IDOCurve>(&Object);
    if (!curve)
        return false;
    if (TDrawSite* site = Object.DrawSite()) {
        PlacePivot(*site, new TLabelPivot(&Object, crSizeWE, 10), curve->GetStartPoint());
        PlacePivot(*site, new TLabelPivot(&Object, crSizeWE, 11), curve->GetEndPoint());
        PlacePivot(*site, new TBulgePivot(&Object, crSizeNS, 12), curve->GetBulgePoint());
    }
    return true;
}

bool TDOCurveGhostDesigner::CreateGhost(TDrawObject& Object, int Code) {
    if (!QueryObjectInterface<IDOCurve>(&Object))
        return false;
    std::unique_ptr<TGhost> ghost;
    if (Code == -2)
        ghost = std::make_unique<TCurveCreateGhost>(Object);
    else if (Code == -1)
        ghost = std::make_unique<TMoveGhost>(Object, Code);
    else if (Code >= 10 && Code <= 12)
        ghost = std::make_unique<TCurveGhost>(Object, Code);
    TheGhostList().AddGhost(std::move(ghost));
    return true;
}

void RegisterLineDesigners(TDODesignerList& List) {
    List.Add(std::make_unique<TDOLineGhostDesigner>());
    List.Add(std::make_unique<TDOCurveGhostDesigner>());
}
