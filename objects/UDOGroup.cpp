#include "UDOGroup.h"

#include "UDOList.h"
#include "UDesigner.h"
#include "UDrawSite.h"
#include "UUndo.h"

#include <algorithm>

TDOGroup::TDOGroup(TComponent* Owner) : TLabelObject(Owner) {}

std::vector<TDrawObject*> TDOGroup::Members() const {
    std::vector<TDrawObject*> members;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* object = qobject_cast<TDrawObject*>(Components(i)))
            members.push_back(object);
    return members;
}

void TDOGroup::FreeMembers() {
    const std::vector<TDrawObject*> members = Members();
    for (auto it = members.rbegin(); it != members.rend(); ++it)
        const std::unique_ptr<TComponent> freed = RemoveComponent(*it);
}

void TDOGroup::MembersChanged() {
    Invalidate();
    UpdateBounds();
    Invalidate();
    Changed();
}

void TDOGroup::AddObjects(const TDOList& List) {
    for (const TDrawObject* source : List) {
        std::unique_ptr<TDrawObject> copy = CloneDrawObject(*source);
        InsertComponent(copy.get()); // a clone has no name, so it always fits
        copy.release();
    }
    MembersChanged();
}

void TDOGroup::Ungroup() {
    TDrawSite* site = DrawSite();
    if (!site)
        return;
    for (const TDrawObject* member : Members()) {
        std::unique_ptr<TDrawObject> copy = CloneDrawObject(*member);
        TDrawObject* placed = copy.get();
        site->InsertObject(copy.release());
        site->AddObject(placed);
        placed->SetSelected(true);
        ActionList().Add(std::make_unique<TDOAddAction>(*placed));
    }
}

TRect TDOGroup::GetBoundsRect() const {
    const std::vector<TDrawObject*> members = Members();
    if (members.empty())
        return TRect();
    TRect r = members.front()->GetBoundsRect();
    for (const TDrawObject* member : members) {
        const TRect b = member->GetBoundsRect();
        r = TRect(std::min(r.Left, b.Left), std::min(r.Top, b.Top), std::max(r.Right, b.Right),
                  std::max(r.Bottom, b.Bottom));
    }
    return r;
}

bool TDOGroup::HitTest(const TPoint& P) const {
    const std::vector<TDrawObject*> members = Members();
    return std::any_of(members.begin(), members.end(),
                       [&](const TDrawObject* member) { return member->HitTest(P); });
}

void TDOGroup::OffsetBy(int Dx, int Dy) {
    for (TDrawObject* member : Members())
        if (auto* bounds = QueryObjectInterface<IDOEncloseBounds>(member))
            bounds->OffsetBy(Dx, Dy);
    MembersChanged();
}

void TDOGroup::ResizeTo(int AWidth, int AHeight) {
    TRect from = GetBoundsRect();
    TRect to(from.Left, from.Top, ClampLogical(int64_t(from.Left) + AWidth),
             ClampLogical(int64_t(from.Top) + AHeight));
    // An axis without extent maps onto itself: one unit to one unit.
    if (from.Width() == 0) {
        from.Right = from.Left + 1;
        to.Right = to.Left + 1;
    }
    if (from.Height() == 0) {
        from.Bottom = from.Top + 1;
        to.Bottom = to.Top + 1;
    }
    TDOList members;
    for (TDrawObject* member : Members())
        members.Add(member);
    MapObjectsToRect(members, from, to);
    MembersChanged();
}

void TDOGroup::DrawOutline(TCanvas& Canvas) {
    for (TDrawObject* member : Members())
        if (auto* drawing = QueryObjectInterface<IDODrawing>(member))
            drawing->DrawOutline(Canvas);
}

bool TDOGroup::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDOEncloseBounds>(this, Id, Obj) ||
           AnswerInterface<IDOPosition>(this, Id, Obj) ||
           AnswerInterface<IDODrawing>(this, Id, Obj) || TLabelObject::QueryInterface(Id, Obj);
}

void TDOGroup::GetChildren(const TGetChildProc& Proc, TComponent*) const {
    for (TDrawObject* member : Members())
        Proc(member);
}

void TDOGroup::AssignTo(TPersistent* Dest) const {
    TLabelObject::AssignTo(Dest);
    auto* dest = qobject_cast<TDOGroup*>(Dest);
    if (!dest || dest == this)
        return;
    dest->FreeMembers();
    TDOList members;
    for (TDrawObject* member : Members())
        members.Add(member);
    dest->AddObjects(members);
}

void TDOGroup::Paint() {
    TCanvas& canvas = GetCanvas();
    for (TDrawObject* member : Members())
        member->DrawTo(canvas);
}
