#include "URectGhost.h"

#include "UDOInterfaces.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "UTransformer.h"
#include "UUndo.h"
#include "UUtils.h"

#include <QPainter>
#include <QPixmap>

#include <cstdlib>
#include <utility>

namespace {

constexpr int DefaultMinSize = 20;

TPoint Turned(const TPoint& P, const TPoint& Centre, int Angle) {
    if (Angle == 0)
        return P;
    TRotator rotator;
    rotator.SetCenter(Centre);
    rotator.SetAngle(Angle);
    TPoint q = P;
    rotator.TransformPoint(q);
    return q;
}

// The corner or side of G opposite handle Code moved back onto the same one of O.
void AnchorOpposite(TRect& G, const TRect& O, int Code) {
    int dx = 0, dy = 0;
    switch (Code) {
    case 0:
        dx = O.Right - G.Right;
        dy = O.Bottom - G.Bottom;
        break;
    case 1:
        dx = O.Right - G.Right;
        break;
    case 2:
        dx = O.Right - G.Right;
        dy = O.Top - G.Top;
        break;
    case 3:
        dy = O.Bottom - G.Bottom;
        break;
    case 4:
        dy = O.Top - G.Top;
        break;
    case 5:
        dx = O.Left - G.Left;
        dy = O.Bottom - G.Bottom;
        break;
    case 6:
        dx = O.Left - G.Left;
        break;
    case 7:
        dx = O.Left - G.Left;
        dy = O.Top - G.Top;
        break;
    default:
        break;
    }
    OffsetRect(G, dx, dy);
}

// O fitted into G keeping its aspect, G's orientation kept.
void FitAspect(TRect& G, const TRect& O) {
    const bool flipX = G.Left > G.Right;
    const bool flipY = G.Top > G.Bottom;
    NormalizeRect(G);
    G = FitRectInRect(O, G);
    if (flipX)
        std::swap(G.Left, G.Right);
    if (flipY)
        std::swap(G.Top, G.Bottom);
}

} // namespace

TPoint RectHandlePoint(const TRect& R, int Code) {
    const int mx = (R.Left + R.Right) / 2;
    const int my = (R.Top + R.Bottom) / 2;
    switch (Code) {
    case 0:
        return {R.Left, R.Top};
    case 1:
        return {R.Left, my};
    case 2:
        return {R.Left, R.Bottom};
    case 3:
        return {mx, R.Top};
    case 4:
        return {mx, R.Bottom};
    case 5:
        return {R.Right, R.Top};
    case 6:
        return {R.Right, my};
    case 7:
        return {R.Right, R.Bottom};
    default:
        return {mx, my};
    }
}

// ---------------------------------------------------------------------------------------
// TRectGhost

TRectGhost::TRectGhost(TDrawObject& Object, int Code)
    : TUniversalGhost(Object, Code), FHandleCode(Code) {
    SetCaption(SCaptionResize);
    FGhostRect = ObjectRect();
}

TRect TRectGhost::ObjectRect() const {
    const auto* position = QueryObjectInterface<IDOPosition>(Object());
    if (!position)
        return FGhostRect;
    const int l = position->GetLeft(), t = position->GetTop();
    return TRect(l, t, l + position->GetWidth(), t + position->GetHeight());
}

int TRectGhost::ObjectAngle() const {
    const auto* rotate = QueryObjectInterface<IDORotate>(Object());
    return rotate ? rotate->GetAngle() : 0;
}

bool TRectGhost::KeepAspect(TShiftState Shift, const TRect& O) const {
    const auto* position = QueryObjectInterface<IDOPosition>(Object());
    bool keep = position && position->ScalesToFit();
    if (Shift.testFlag(ssShift))
        keep = !keep;
    return keep && O.Width() != 0 && O.Height() != 0;
}

void TRectGhost::Move(TShiftState Shift, const TPoint& Delta) {
    if (!Object())
        return;
    const TRect O = ObjectRect();
    const int angle = ObjectAngle();
    const TPoint centre = RectCenter(O);
    TPoint delta = Delta;

    // 1. The handle's point on the page snaps, and the drag follows the snapped point.
    if (delta.x != 0 || delta.y != 0) {
        const TPoint handle = Turned(RectHandlePoint(O, FHandleCode), centre, angle);
        const TPoint p = SnapGhostPoint(TPoint(handle.x + delta.x, handle.y + delta.y));
        delta = TPoint(p.x - handle.x, p.y - handle.y);
    }

    // 2. Minimum size, in the object's aspect when the aspect is kept.
    const bool keep = KeepAspect(Shift, O);
    FMinWidth = FMinHeight = Shift.testFlag(ssCtrl) ? 0 : DefaultMinSize;
    if (keep) {
        const int m = MulDiv(FMinWidth, O.Height(), O.Width());
        if (m <= FMinHeight)
            FMinWidth = MulDiv(FMinHeight, O.Width(), O.Height());
        else
            FMinHeight = m;
    }

    // 3. Into the object's unturned frame.
    if (QueryObjectInterface<IDORotate>(Object()))
        delta = Turned(delta, TPoint(0, 0), -angle);

    // 4. The dragged handle moves.
    TRect G = O;
    const int dx = delta.x, dy = delta.y;
    switch (FHandleCode) {
    case 0:
        G.Left = O.Left + dx;
        G.Top = O.Top + dy;
        break;
    case 7:
        G.Right = O.Right + dx;
        G.Bottom = O.Bottom + dy;
        break;
    case 2:
        G.Left = O.Left + dx;
        G.Bottom = O.Bottom + dy;
        break;
    case 5:
        G.Right = O.Right + dx;
        G.Top = O.Top + dy;
        break;
    case 1:
    case 6:
        if (FHandleCode == 1)
            G.Left = O.Left + dx;
        else
            G.Right = O.Right + dx;
        if (keep) {
            // The height that goes with the new width, added both ways: the fit below is
            // then limited by the width, so the handle follows the pointer.
            const int e = MulDiv(std::abs(G.Width()), O.Height(), O.Width());
            G.Top -= e;
            G.Bottom += e;
        }
        break;
    case 3:
    case 4:
        if (FHandleCode == 3)
            G.Top = O.Top + dy;
        else
            G.Bottom = O.Bottom + dy;
        if (keep) {
            const int e = MulDiv(std::abs(G.Height()), O.Width(), O.Height());
            G.Left -= e;
            G.Right += e;
        }
        break;
    default:
        OffsetRect(G, dx, dy);
        break;
    }

    // 5. Aspect kept, the side or corner opposite the handle stays.
    if (keep) {
        FitAspect(G, O);
        AnchorOpposite(G, O, FHandleCode);
    }

    // 6, 7. Minimum sizes.
    if (std::abs(G.Width()) < FMinWidth) {
        switch (FHandleCode) {
        case 0:
        case 1:
        case 2:
            G.Left = G.Right - FMinWidth;
            break;
        case 5:
        case 6:
        case 7:
            G.Right = G.Left + FMinWidth;
            break;
        default:
            G.Left = (G.Left + G.Right - FMinWidth) / 2;
            G.Right = G.Left + FMinWidth;
            break;
        }
    }
    if (std::abs(G.Height()) < FMinHeight) {
        switch (FHandleCode) {
        case 0:
        case 3:
        case 5:
            G.Top = G.Bottom - FMinHeight;
            break;
        case 2:
        case 4:
        case 7:
            G.Bottom = G.Top + FMinHeight;
            break;
        default:
            G.Top = (G.Top + G.Bottom - FMinHeight) / 2;
            G.Bottom = G.Top + FMinHeight;
            break;
        }
    }
    FGhostRect = G;
    ApplyToClone();
}

void TRectGhost::ApplyToClone() {
    TDrawObject* object = Object();
    TDrawObject* clone = Clone();
    if (!object || !clone)
        return;
    clone->Assign(object);
    if (auto* autoSize = QueryObjectInterface<IDOAutoSize>(clone))
        autoSize->SetAutoSize(false);
    TRect r = FGhostRect;
    NormalizeRect(r);
    auto* position = QueryObjectInterface<IDOPosition>(clone);
    if (!position)
        return;
    const int angle = ObjectAngle();
    if (QueryObjectInterface<IDORotate>(clone) && angle != 0) {
        const TPoint c = Turned(RectCenter(r), RectCenter(ObjectRect()), angle);
        const int w = r.Width(), h = r.Height();
        r = TRect(c.x - w / 2, c.y - h / 2, c.x - w / 2 + w, c.y - h / 2 + h);
    }
    TRect page = Bounds;
    if (IsRectDegenerate(page) && Site)
        page = TRect(0, 0, Site->LogWidth(), Site->LogHeight());
    if (!IsRectDegenerate(page)) {
        const TPoint inside = CalcInsideOffset(r, page);
        OffsetRect(r, inside.x, inside.y);
    }
    position->SetLeft(r.Left);
    position->SetTop(r.Top);
    position->SetWidth(r.Width());
    position->SetHeight(r.Height());
}

// ---------------------------------------------------------------------------------------
// TRectCreateGhost

TRectCreateGhost::TRectCreateGhost(TDrawObject& Object) : TRectGhost(Object, -2) {}

TRectCreateGhost::~TRectCreateGhost() {
    if (!FCommitted)
        if (TDrawObject* object = Object())
            const std::unique_ptr<TDrawObject> owned(object); // a cancelled creation leaves nothing
}

void TRectCreateGhost::Start(const TPoint& P) {
    TRectGhost::Start(P);
    SetHandleCode(7);
    if (Site)
        Site->SelectAll(false);
    SetGhostRect(TRect(P.x, P.y, P.x, P.y));
    if (auto* position = QueryObjectInterface<IDOPosition>(Object())) {
        position->SetLeft(P.x);
        position->SetTop(P.y);
        position->SetWidth(1);
        position->SetHeight(1);
    }
    ApplyToClone();
    SetCaption({}); // the add step below stands for the whole creation
}

void TRectCreateGhost::Finish(TShiftState Shift) {
    TRectGhost::Finish(Shift);
    TDrawObject* object = Object();
    if (!object)
        return;
    FCommitted = true;
    object->SetSelected(true);
    object->Show();
    if (!object->DrawSite())
        return;
    auto action = std::make_unique<TDOAddAction>(*object);
    action->SetCaption(SCaptionAdd);
    ActionList().Add(std::move(action));
}

// ---------------------------------------------------------------------------------------
// TRotatePivot

TRotatePivot::TRotatePivot(TComponent* Owner) : TPivot(Owner) {
    SetSize(6);
}

TRotatePivot::TRotatePivot(TDrawObject* Object, TCursor Cursor, int Code)
    : TPivot(Object, Cursor, Code) {
    SetSize(6);
}

void TRotatePivot::Paint() {
    if (OwnerObject() && !OwnerObject()->Movable()) {
        TPivot::Paint();
        return;
    }
    PaintDiscHandle(Canvas(), ClientRect(), TColor(0x00FF00));
}

// ---------------------------------------------------------------------------------------
// TDORectGhostDesigner

bool TDORectGhostDesigner::CreatePivots(TDrawObject& Object) {
    const auto* position = QueryObjectInterface<IDOPosition>(&Object);
    TDrawSite* site = Object.DrawSite();
    if (!position || !site)
        return false;
    const int l = position->GetLeft(), t = position->GetTop();
    const TRect r(l, t, l + position->GetWidth(), t + position->GetHeight());
    TPoint points[8];
    for (int i = 0; i < 8; ++i)
        points[i] = RectHandlePoint(r, i);
    static constexpr TCursor cursors[8] = {crSizeNWSE, crSizeWE,   crSizeNESW, crSizeNS,
                                           crSizeNS,   crSizeNESW, crSizeWE,   crSizeNWSE};
    const auto* rotate = QueryObjectInterface<IDORotate>(&Object);
    auto place = [&](TPivot* pivot, int At) { site->AddPivotAt(pivot, points[At], pivot->Size()); };
    if (rotate) {
        for (TPoint& p : points)
            p = Turned(p, RectCenter(r), rotate->GetAngle());
        place(new TRotatePivot(&Object, crRotate, 8), 2); // owned by Object
        place(new TRotatePivot(&Object, crRotate, 8), 5);
    } else {
        place(new TLabelPivot(&Object, crSizeNESW, 2), 2);
        place(new TLabelPivot(&Object, crSizeNESW, 5), 5);
    }
    for (int code : {0, 1, 3, 4, 6, 7})
        place(new TLabelPivot(&Object, cursors[code], code), code);
    return true;
}

bool TDORectGhostDesigner::CreateGhost(TDrawObject& Object, int Code) {
    if (!QueryObjectInterface<IDOPosition>(&Object))
        return false;
    std::unique_ptr<TGhost> ghost;
    if (Code == -2)
        ghost = std::make_unique<TRectCreateGhost>(Object);
    else if (Code == -1)
        ghost = std::make_unique<TMoveGhost>(Object, Code);
    else if (Code >= 0 && Code <= 7)
        ghost = std::make_unique<TRectGhost>(Object, Code);
    else if (Code == 8)
        ghost = std::make_unique<TRotateGhost>(Object, Code);
    else
        return false;
    TheGhostList().AddGhost(std::move(ghost));
    return true;
}

// A circular arrow, drawn once: the program carries no cursor files.
void InstallRotateCursor() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        for (const auto& [colour, width] : {std::pair{Qt::white, 4}, std::pair{Qt::black, 2}}) {
            p.setPen(QPen(colour, width));
            p.drawArc(QRect(6, 6, 20, 20), 30 * 16, 300 * 16);
            p.drawLine(QPoint(23, 4), QPoint(25, 10));
            p.drawLine(QPoint(25, 10), QPoint(19, 11));
        }
    }
    SetProgramCursor(crRotate, QCursor(pixmap, 16, 16));
}
