#pragma once
// TDOGroup: a label object that holds other drawing objects as its members and acts on them
// as one. It draws them in member order, is hit where any of them is hit, and moves and
// resizes them together; Ungroup puts copies of them back on its surface.
//
// Members are copies owned by the group (component order is member order); they are never
// children of a surface. Owned components that are not drawing objects are ignored by every
// operation. A stored group carries its members as child components, in member order, so
// groups nest.
//
// Units: logical units of the surface (0.1 mm).

#include "UDrawObject.h"

#include <vector>

class TDOList;

class TDOGroup : public TLabelObject,
                 public IDOEncloseBounds,
                 public IDOPosition,
                 public IDODrawing {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDOGroup(TComponent* Owner = nullptr);

    // The member drawing objects, in member order.
    std::vector<TDrawObject*> Members() const;
    int MemberCount() const { return static_cast<int>(Members().size()); }

    // Adds a copy of every object of List (in list order) as a member; then Changed, repaint
    // and the surface told the new bounds.
    void AddObjects(const TDOList& List);
    // For every member, in member order: a copy owned by the group's surface is placed on
    // it, selected and recorded as an add step in the application's undo list. The group
    // itself stays. Nothing happens off a surface.
    void Ungroup();

    // The smallest rectangle holding every member's bounds (lines of no width or height
    // count too); empty without members.
    TRect GetBoundsRect() const override;
    bool HitTest(const TPoint& P) const override;
    // Every member that can move is moved.
    void OffsetBy(int Dx, int Dy) override;
    // Every member is mapped from the current bounds to the rectangle of the same top-left
    // corner and the size AWidth x AHeight. An axis along which the bounds have no extent
    // cannot be scaled and is left as it is.
    void ResizeTo(int AWidth, int AHeight) override;

    int GetLeft() const override { return GetBoundsRect().Left; }
    void SetLeft(int Value) override { OffsetBy(ClampLogical(int64_t(Value) - GetLeft()), 0); }
    int GetTop() const override { return GetBoundsRect().Top; }
    void SetTop(int Value) override { OffsetBy(0, ClampLogical(int64_t(Value) - GetTop())); }
    int GetWidth() const override { return GetBoundsRect().Width(); }
    void SetWidth(int Value) override { ResizeTo(Value, GetHeight()); }
    int GetHeight() const override { return GetBoundsRect().Height(); }
    void SetHeight(int Value) override { ResizeTo(GetWidth(), Value); }
    bool ScalesToFit() const override { return false; }

    void DrawTo(TCanvas& Canvas) override { TLabelObject::DrawTo(Canvas); }
    // The outlines of the members that draw one.
    void DrawOutline(TCanvas& Canvas) override;

    bool QueryInterface(const TGUID& Id, void** Obj) override;
    // The members only.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) const override;

protected:
    // Into another group: its members are freed (last first) and replaced by copies of this
    // group's members.
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    // Repaint, the surface told the bounds, Changed.
    void MembersChanged();
    void FreeMembers();
};
