#include "UGhost.h"

#include "UDOInterfaces.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UUndo.h"
#include "UUtils.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

constexpr double DegPerRad = 180.0 / std::numbers::pi;

struct TPointF {
    double x;
    double y;
};

TPointF CentreOf(const TRect& R) {
    return {(R.Left + R.Right) / 2.0, (R.Top + R.Bottom) / 2.0};
}

// Direction of P seen from C, radians, clockwise on the y-down page.
double DirectionFrom(const TPointF& C, const TPointF& P) {
    return std::atan2(P.y - C.y, P.x - C.x);
}

TPointF ToF(const TPoint& P) {
    return {double(P.x), double(P.y)};
}

// Offsets Object so that the top-left of its bounds lands on TopLeft.
void MoveBoundsTo(IDOEncloseBounds& Object, const TPoint& TopLeft) {
    const TRect r = Object.GetBoundsRect();
    Object.OffsetBy(TopLeft.x - r.Left, TopLeft.y - r.Top);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TGhostList

TGhostList::TGhostList() {
    FBrush.SetStyle(bsClear);
    FPen.SetMode(pmXor);
    FPen.SetStyle(psDot);
    FPen.SetWidth(0);
    FPen.SetColor(clWhite);
}

TGhostList::~TGhostList() {
    if (GhostList() == this)
        SetGhostList(nullptr);
}

void TGhostList::AddGhost(std::unique_ptr<TGhost> Ghost) {
    if (Ghost)
        FGhosts.push_back(std::move(Ghost));
}

bool TGhostList::IsSelecting() const {
    return FGhosts.size() == 1 && dynamic_cast<const TSelectGhost*>(FGhosts.front().get());
}

void TGhostList::AddSelectGhost() {
    AddGhost(std::make_unique<TSelectGhost>());
}

void TGhostList::Begin(TDrawSite& Site, const TRect& Bounds, const TPoint& Start,
                       TShiftState Shift) {
    Site.Update();
    FSite = &Site;
    FMoved = false;
    FLastPoint = Start;
    FLastShift = Shift & (ssShift | ssAlt | ssCtrl);
    FStart = Start;
    for (const auto& ghost : FGhosts) {
        ghost->Bounds = Bounds;
        ghost->Site = &Site;
        ghost->Start(Start);
        // Modifiers held at the press choose the drag's mode from the start.
        if (FLastShift != TShiftState())
            ghost->Move(FLastShift, TPoint(0, 0));
    }
    FActive = true;
    DrawGhosts();
}

void TGhostList::Move(TShiftState Shift, const TPoint& Point) {
    if (!FActive)
        return;
    Shift &= ssShift | ssAlt | ssCtrl;
    if (Shift == FLastShift && Point == FLastPoint)
        return;
    FMoved = true;
    FLastPoint = Point;
    FLastShift = Shift;
    DrawGhosts();
    const TPoint delta(Point.x - FStart.x, Point.y - FStart.y);
    for (const auto& ghost : FGhosts)
        ghost->Move(Shift, delta);
    DrawGhosts();
}

void TGhostList::End() {
    if (!FActive)
        return;
    DrawGhosts();
    try {
        if (FMoved) {
            TActionList& actions = ActionList();
            actions.BeginGroup({});
            try {
                for (const auto& ghost : FGhosts)
                    ghost->Finish(FLastShift);
            } catch (...) {
                actions.EndGroup();
                throw;
            }
            actions.EndGroup();
        }
    } catch (...) {
        Clear();
        throw;
    }
    Clear();
}

void TGhostList::Cancel() {
    if (!FActive)
        return;
    DrawGhosts();
    Clear();
}

void TGhostList::Clear() {
    const bool had = !FGhosts.empty();
    if (FActive)
        DrawGhosts();
    std::vector<std::unique_ptr<TGhost>> ghosts = std::move(FGhosts);
    FGhosts.clear();
    FActive = false;
    ghosts.clear();
    if (had && FClearEvent) {
        const std::function<void()> event = FClearEvent;
        event();
    }
}

void TGhostList::DrawGhosts() {
    if (FSite)
        FSite->InvalidateOverlay(FSite->ClientRect());
}

void TGhostList::PaintGhosts(TDrawSite& Site, TCanvas& Canvas) {
    if (!FActive || FSite != &Site)
        return;
    Site.Scaler().SetupCanvas(Canvas);
    for (const auto& ghost : FGhosts) {
        Canvas.Brush().Assign(FBrush);
        Canvas.Pen().Assign(FPen);
        ghost->Draw(Canvas);
    }
}

TGhostList& TheGhostList() {
    static TGhostList list;
    return list;
}

void InstallGhostList() {
    SetGhostList(&TheGhostList());
}

void DiscardGhosts() {
    IGhostList* ghosts = GhostList();
    if (!ghosts)
        return;
    ghosts->Cancel();
    if (ghosts == &TheGhostList())
        TheGhostList().Clear();
}

// ---------------------------------------------------------------------------------------
// Snapping

namespace {
TGhostSnapHook& SnapHookSlot() {
    static TGhostSnapHook hook;
    return hook;
}
} // namespace

void SetGhostSnapHook(TGhostSnapHook Hook) {
    SnapHookSlot() = std::move(Hook);
}

const TGhostSnapHook& GhostSnapHook() {
    return SnapHookSlot();
}

TPoint CalcGhostSnapOffset(std::span<const TPoint> Points) {
    TPoint result(NoSnap, NoSnap);
    const TGhostSnapHook& hook = GhostSnapHook();
    if (!hook)
        return result;
    for (const TPoint& p : Points) {
        const TPoint offset = hook(p);
        if (offset.x != NoSnap && (result.x == NoSnap || std::abs(offset.x) < std::abs(result.x)))
            result.x = offset.x;
        if (offset.y != NoSnap && (result.y == NoSnap || std::abs(offset.y) < std::abs(result.y)))
            result.y = offset.y;
    }
    return result;
}

TPoint SnapGhostPoint(const TPoint& P) {
    const TPoint offset = CalcGhostSnapOffset(std::span<const TPoint>(&P, 1));
    return TPoint(offset.x == NoSnap ? P.x : P.x + offset.x,
                  offset.y == NoSnap ? P.y : P.y + offset.y);
}

TPoint CalcInsideOffset(const TRect& R, const TRect& Bounds) {
    constexpr int Margin = 10;
    const TPoint c = RectCenter(R);
    auto axis = [](int C, int Low, int High) {
        if (C < Low)
            return Low - C;
        if (C > High)
            return High - C;
        return 0;
    };
    return TPoint(axis(c.x, Bounds.Left + Margin, Bounds.Right - Margin),
                  axis(c.y, Bounds.Top + Margin, Bounds.Bottom - Margin));
}

// ---------------------------------------------------------------------------------------
// TSelectGhost

TRect TSelectGhost::Band() const {
    TRect r(FStart.x, FStart.y, FCurrent.x, FCurrent.y);
    NormalizeRect(r);
    return r;
}

void TSelectGhost::Draw(TCanvas& Canvas) {
    Canvas.Rectangle(Band());
}

void TSelectGhost::Move(TShiftState, const TPoint& Delta) {
    FCurrent = ClampPointToRect(TPoint(FStart.x + Delta.x, FStart.y + Delta.y), Bounds);
}

void TSelectGhost::Finish(TShiftState) {
    if (!Site)
        return;
    const TPoint a = Site->LPtoDP(FStart);
    const TPoint b = Site->LPtoDP(FCurrent);
    TRect r(a.x, a.y, b.x, b.y);
    NormalizeRect(r);
    ++r.Right;
    ++r.Bottom;
    Site->SelectInRect(r);
}

// ---------------------------------------------------------------------------------------
// TPivot

TPivot::TPivot(TComponent* Owner) : TControl(Owner) {}

TPivot::TPivot(TDrawObject* Object, TCursor Cursor, int Code)
    : TControl(Object), FCode(Code), FOwnerObject(Object) {
    SetCursor(Object && !Object->Movable() ? crDefault : Cursor);
}

TDrawObject* TPivot::OwnerObject() const {
    return FOwnerObject;
}

bool TPivot::OwnerLocked() const {
    return FOwnerObject && !FOwnerObject->Movable();
}

bool TPivot::IsPivotEnabled() const {
    return !OwnerLocked();
}

bool TPivot::ControlHitTest(const TPoint&) {
    return GhostCount() == 0;
}

void TPivot::PaintLocked(TCanvas& Canvas) {
    Canvas.Pen().SetMode(pmCopy);
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(clWhite);
    Canvas.Rectangle(ClientRect());
}

void TPivot::Paint() {
    if (OwnerLocked())
        PaintLocked(Canvas());
    else
        Canvas().InvertRect(ClientRect());
}

void TPivot::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    auto* site = qobject_cast<TDrawSite*>(Parent());
    if (site && FOwnerObject)
        site->ObjectMouseDown(Button, {}, FOwnerObject, FCode, X + Left(), Y + Top());
    else
        TControl::MouseDown(Button, Shift, X, Y);
}

TLabelPivot::TLabelPivot(TComponent* Owner) : TPivot(Owner) {
    SetSize(6);
}

TLabelPivot::TLabelPivot(TDrawObject* Object, TCursor Cursor, int Code)
    : TPivot(Object, Cursor, Code) {
    SetSize(6);
}

void TLabelPivot::Paint() {
    TCanvas& canvas = Canvas();
    if (OwnerLocked()) {
        PaintLocked(canvas);
        return;
    }
    canvas.Pen().SetMode(pmCopy);
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetWidth(0);
    canvas.Pen().SetColor(clWhite);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBlack);
    canvas.Rectangle(ClientRect());
}

// ---------------------------------------------------------------------------------------
// TUniversalGhost

TUniversalGhost::TUniversalGhost(TDrawObject& Object, int Code)
    : FClone(CloneDrawObject(Object)), FObject(&Object), FCode(Code) {}

TUniversalGhost::~TUniversalGhost() = default;

TDrawObject* TUniversalGhost::Object() const {
    return FObject;
}

void TUniversalGhost::Draw(TCanvas& Canvas) {
    if (auto* drawing = QueryObjectInterface<IDODrawing>(FClone.get()))
        drawing->DrawOutline(Canvas);
}

namespace {
// Sets the object's assigning-from-ghost flag for its lifetime.
class TAssigningFromGhost {
public:
    explicit TAssigningFromGhost(TDrawObject& Object) : FObject(Object) {
        FObject.SetAssigningFromGhost(true);
    }
    ~TAssigningFromGhost() { FObject.SetAssigningFromGhost(false); }
    TAssigningFromGhost(const TAssigningFromGhost&) = delete;
    TAssigningFromGhost& operator=(const TAssigningFromGhost&) = delete;

private:
    TDrawObject& FObject;
};
} // namespace

void TUniversalGhost::Finish(TShiftState) {
    TDrawObject* object = FObject;
    if (!object)
        return;
    if (FCaption.isEmpty()) {
        object->Assign(FClone.get());
        return;
    }
    auto action = std::make_unique<TDOChangeAction>(*object);
    action->SetCaption(FCaption);
    {
        const TAssigningFromGhost flag(*object);
        object->Assign(FClone.get());
    }
    TDOChangeAction::Commit(std::move(action), ActionList());
}

// ---------------------------------------------------------------------------------------
// Move options

TMoveOptions& MoveOptions() {
    static TMoveOptions options;
    return options;
}

// ---------------------------------------------------------------------------------------
// TMoveGhost

TMoveGhost::TMoveGhost(TDrawObject& Object, int Code)
    : TUniversalGhost(Object, Code), FOptions(MoveOptions()), FCurrent(FOptions) {
    SetCaption(SCaptionMove);
}

void TMoveGhost::Start(const TPoint& P) {
    TUniversalGhost::Start(P);
    FCurrent = MapShift({});
}

TMoveOptions TMoveGhost::MapShift(TShiftState Shift) const {
    TMoveOptions o = FOptions;
    const int k = int(Shift & (ssShift | ssAlt));
    switch (k) {
    case ssAlt:
        o.Circumference = o.Parallel = o.RotateMove = o.CircumPhased = false;
        break;
    case ssShift | ssAlt:
        o.Circumference = !o.Circumference;
        break;
    case ssShift:
        if (o.Circumference)
            o.CircumPhased = !o.CircumPhased;
        else
            o.Parallel = !o.Parallel;
        break;
    default:
        break;
    }
    return o;
}

void TMoveGhost::Draw(TCanvas& Canvas) {
    const auto* bounds = QueryObjectInterface<IDOEncloseBounds>(Object());
    if (FCurrent.Circumference && bounds && Site) {
        const TPenStyle style = Canvas.Pen().Style();
        Canvas.Pen().SetStyle(psDash);
        const TPointF c{double(Site->LogWidth() / 2), double(Site->LogHeight() / 2)};
        const TPointF m = CentreOf(bounds->GetBoundsRect());
        const int r = int(RoundOff(std::hypot(m.x - c.x, m.y - c.y)));
        const int cx = int(c.x), cy = int(c.y);
        Canvas.Ellipse(cx - r, cy - r, cx + r, cy + r);
        const double phi = DirectionFrom(c, m);
        const double length = 2.0 * (Site->LogWidth() / 2);
        Canvas.MoveTo(cx, cy);
        Canvas.LineTo(int(RoundOff(c.x + std::cos(phi) * length)),
                      int(RoundOff(c.y + std::sin(phi) * length)));
        Canvas.Pen().SetStyle(style);
    }
    TUniversalGhost::Draw(Canvas);
}

void TMoveGhost::Move(TShiftState Shift, const TPoint& Delta) {
    constexpr int NoTurn = NoSnap;
    int turn = NoTurn;
    FCurrent = MapShift(Shift);
    const TMoveOptions& o = FCurrent;
    auto* objectBounds = QueryObjectInterface<IDOEncloseBounds>(Object());
    auto* cloneBounds = QueryObjectInterface<IDOEncloseBounds>(Clone());
    if (!objectBounds || !cloneBounds || !Site)
        return;
    const TPointF c{double(Site->LogWidth() / 2), double(Site->LogHeight() / 2)};
    const TPoint p0 = StartPoint();
    const TPoint p1(p0.x + Delta.x, p0.y + Delta.y);
    const TRect r0 = objectBounds->GetBoundsRect();
    TRect r = r0;
    OffsetRect(r, Delta.x, Delta.y);

    if (Delta.x != 0 || Delta.y != 0) {
        const TPoint corners[] = {
            {r.Left, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}, {r.Right, r.Top}};
        TPoint snap = CalcGhostSnapOffset(corners);
        OffsetRect(r, snap.x == NoSnap ? 0 : snap.x, snap.y == NoSnap ? 0 : snap.y);
    }

    const TPointF m0 = CentreOf(r0);
    const double phi0 = DirectionFrom(c, m0);
    if (o.Circumference) {
        const double d0 = std::hypot(p0.x - c.x, p0.y - c.y);
        const double d1 = std::hypot(p1.x - c.x, p1.y - c.y);
        const double dr = d1 - d0;
        const double dTheta = DirectionFrom(c, ToF(p1)) - DirectionFrom(c, ToF(p0));
        // The chord between the pointer and the pointer turned back by dTheta: how far the
        // pointer went around, against dr, how far it went out or in.
        const double vx = p1.x - c.x, vy = p1.y - c.y;
        const double bx = vx * std::cos(-dTheta) - vy * std::sin(-dTheta);
        const double by = vx * std::sin(-dTheta) + vy * std::cos(-dTheta);
        const double chord = std::hypot(vx - bx, vy - by);
        r = r0;
        if (chord < std::abs(dr)) {
            OffsetRect(r, int(RoundOff(dr * std::cos(phi0))), int(RoundOff(dr * std::sin(phi0))));
        } else {
            double phi = phi0 + dTheta;
            if (o.CircumPhased && o.PhaseStep != 0) {
                double s = o.PhaseStep / DegPerRad;
                if (phi <= 0)
                    s = -s;
                phi = std::trunc((phi + s / 2) / s) * s;
            }
            const double a = phi - phi0;
            const double mx = m0.x - c.x, my = m0.y - c.y;
            const double nx = c.x + mx * std::cos(a) - my * std::sin(a);
            const double ny = c.y + mx * std::sin(a) + my * std::cos(a);
            OffsetRect(r, int(RoundOff(nx - m0.x)), int(RoundOff(ny - m0.y)));
            turn = int(RoundOff(a * DegPerRad));
        }
        if (!o.CircumRotate)
            turn = NoTurn;
    } else if (o.Parallel) {
        if (std::abs(r.Left - r0.Left) <= std::abs(r.Top - r0.Top))
            OffsetRect(r, r0.Left - r.Left, 0);
        else
            OffsetRect(r, 0, r0.Top - r.Top);
    }

    const TPoint inside = CalcInsideOffset(r, Bounds);
    OffsetRect(r, inside.x, inside.y);

    if (!o.Circumference) {
        turn = int(RoundOff((DirectionFrom(c, CentreOf(r)) - phi0) * DegPerRad));
        if (!o.RotateMove)
            turn = NoTurn;
    }

    auto* objectRotate = QueryObjectInterface<IDORotate>(Object());
    auto* cloneRotate = QueryObjectInterface<IDORotate>(Clone());
    if (objectRotate && cloneRotate) {
        cloneRotate->SetAngle(objectRotate->GetAngle());
        MoveBoundsTo(*cloneBounds, TPoint(r.Left, r.Top));
        // RotateTo: an object turns about what it shows (a text on an arc about the middle
        // of its arc, not about its rect).
        if (turn != NoTurn)
            cloneRotate->RotateTo(objectRotate->GetAngle() + turn);
    } else {
        MoveBoundsTo(*cloneBounds, TPoint(r.Left, r.Top));
    }
}

void TMoveGhost::Finish(TShiftState Shift) {
    const auto* objectBounds = QueryObjectInterface<IDOEncloseBounds>(Object());
    const auto* cloneBounds = QueryObjectInterface<IDOEncloseBounds>(Clone());
    if (objectBounds && cloneBounds) {
        const TRect a = objectBounds->GetBoundsRect();
        const TRect b = cloneBounds->GetBoundsRect();
        if (a.Left == b.Left && a.Top == b.Top)
            return;
    }
    if (Shift.testFlag(ssCtrl))
        DropCopy();
    else
        TUniversalGhost::Finish(Shift);
}

std::unique_ptr<TDrawObject> TMoveGhost::CloneObject() {
    return CloneDrawObject(*Clone());
}

void TMoveGhost::DropCopy() {
    TDrawObject* object = Object();
    if (!object || !Site)
        return;
    object->SetSelected(false);
    std::unique_ptr<TDrawObject> copy = CloneObject();
    copy->SetName(object->Name());
    Site->InsertObject(copy.get());
    TDrawObject* placed = copy.release(); // owned by the surface now
    Site->AddObject(placed);
    placed->SetSelected(true);
    auto action = std::make_unique<TDOAddAction>(*placed);
    action->SetCaption(SCaptionDragCopy);
    ActionList().Add(std::move(action));
}

void TSimpleMoveGhost::Finish(TShiftState) {
    TMoveGhost::Finish({});
}

TMoveOptions TSimpleMoveGhost::MapShift(TShiftState Shift) const {
    TMoveOptions o = TMoveGhost::MapShift(Shift);
    o.Circumference = o.Parallel = o.RotateMove = o.CircumRotate = false;
    return o;
}

// ---------------------------------------------------------------------------------------
// TRotateGhost

TRotateGhost::TRotateGhost(TDrawObject& Object, int Code) : TUniversalGhost(Object, Code) {
    SetCaption(SCaptionRotate);
}

int SnapAngle45(int A) {
    return A >= 0 ? (A + 22) / 45 * 45 : (A - 22) / 45 * 45;
}

void TRotateGhost::Move(TShiftState Shift, const TPoint& Delta) {
    const auto* objectBounds = QueryObjectInterface<IDOEncloseBounds>(Object());
    auto* cloneBounds = QueryObjectInterface<IDOEncloseBounds>(Clone());
    auto* objectRotate = QueryObjectInterface<IDORotate>(Object());
    auto* cloneRotate = QueryObjectInterface<IDORotate>(Clone());
    if (!objectBounds || !cloneBounds || !objectRotate || !cloneRotate)
        return;
    const TRect from = objectBounds->GetBoundsRect();
    const TPointF c = CentreOf(from);
    const TPoint p0 = StartPoint();
    const double theta0 = DirectionFrom(c, ToF(p0));
    const double theta1 = DirectionFrom(c, TPointF{double(p0.x + Delta.x), double(p0.y + Delta.y)});
    int a = int(RoundOff((theta1 - theta0) * DegPerRad)) + objectRotate->GetAngle();
    if (Shift.testFlag(ssShift))
        a = SnapAngle45(a);
    // Each move turns the clone from where the object lies, as the move ghost does: the
    // middle a text on an arc turns about is not where it was after a turn by other than
    // right angles, so turns added up over a drag would carry it away.
    cloneRotate->SetAngle(objectRotate->GetAngle());
    MoveBoundsTo(*cloneBounds, TPoint(from.Left, from.Top));
    cloneRotate->RotateTo(a);
}

void PaintDiscHandle(TCanvas& Canvas, const TRect& Rect, TColor Fill) {
    Canvas.Pen().SetMode(pmCopy);
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(0);
    Canvas.Pen().SetColor(clWhite);
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(Fill);
    Canvas.Ellipse(Rect);
}
