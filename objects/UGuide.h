#pragma once
// The design grid and the guide lines of a sheet, stored with the sheet's settings.
//
// The layout window draws both over the page and combines their snap offsets into the
// ghosts' snap hook: per axis the smaller offset wins. All coordinates are logical units of
// the page (0.1 mm). An offset axis that does not snap is NoSnap (UGhost.h).

#include "UPersistent.h"
#include "UWinTypes.h"

#include <QString>

#include <array>

class TCanvas;
class TStream;

class TGrid : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool LineShape READ LineShape WRITE SetLineShape)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
public:
    TGrid() = default;

    // The grid is drawn.
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    // Drawn as lines; false: as dots.
    bool LineShape() const { return FLineShape; }
    void SetLineShape(bool Value) { FLineShape = Value; }
    // The pitch. A grid whose pitch is 0 or less (possible in a stored sheet) is neither drawn
    // nor snapped to.
    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; }
    // Points snap to the grid.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }

    void Assign(const TPersistent* Source) override;

    // The offset to the nearest grid line in each axis (a half pitch rounds up, also for
    // negative coordinates); (NoSnap, NoSnap) when not enabled or without a pitch.
    TPoint GetSnapOffset(const TPoint& P) const;
    // Lines (or dots) on every multiple of Size across R, as points snap to them, with the
    // canvas's pen. Nothing when not visible, without a pitch, or when the pitch is under 2 device
    // pixels on Canvas.
    void Draw(TCanvas& Canvas, const TRect& R) const;

private:
    bool FVisible = false;
    bool FLineShape = false;
    int FSize = 0;
    bool FEnabled = false;
};

// Ten guide slots: (X, 0) with X not 0 is a vertical guide at X, (0, Y) with Y not 0 a
// horizontal guide at Y, (0, 0) an unused slot. The slots are stored as the binary property
// "Pos": Int32 N (written 10), then N pairs of Int32 X, Y, all little-endian.
class TGuide : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Count READ Count STORED false)
public:
    static constexpr int SlotCount = 10;

    TGuide() = default;

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    int Count() const { return SlotCount; }

    void Assign(const TPersistent* Source) override;

    // Slot I; raises EListError outside 0 .. Count() - 1.
    TPoint GetGuide(int I) const;
    void SetGuide(int I, const TPoint& P);

    // Per axis the offset to the nearest guide within Reach (the earlier slot on a tie);
    // NoSnap where none is near or when not enabled.
    TPoint GetSnapOffset(const TPoint& P, int Reach) const;
    // The first slot whose vertical guide lies within Reach of X or whose horizontal guide
    // lies within Reach of Y; -1 when none or when not enabled.
    int FindGuide(int X, int Y, int Reach) const;
    // The same search among the guides on show (whether or not points snap to them); -1 when
    // none or when the guides are hidden.
    int FindShownGuide(int X, int Y, int Reach) const;
    // The first unused slot, -1 when all are used (see GuideLimitMessage).
    int FindEmptySlot() const;
    bool IsEmpty() const;
    // A vertical guide within [Left, Right], a horizontal one within [Top, Bottom]; a slot
    // with both coordinates set is never inside.
    bool IsGuideInRect(int Slot, const TRect& R) const;
    // Clears every slot whose guide lies outside R; an enabled set with no guide left is
    // disabled.
    void RemoveGuidesOutside(const TRect& R);
    // Each guide across R with the canvas's pen; nothing when not visible.
    void Draw(TCanvas& Canvas, const TRect& R) const;

    // The message that refuses a guide beyond the last slot: "ガイドは10本までです".
    QString GuideLimitMessage() const;

    void DefineProperties(TFiler& Filer) override;

private:
    int FindGuideAt(int X, int Y, int Reach) const;
    void ReadPos(TStream& Stream);
    void WritePos(TStream& Stream) const;
    void CheckSlot(int I) const;

    bool FVisible = false;
    bool FEnabled = false;
    std::array<TPoint, SlotCount> FSlots{};
};

// One guide dragged with the mouse: picked within reach of the press, it follows the pointer
// along its own axis and is removed when dropped off the page. Points are logical units of
// the page.
class TGuideDrag {
public:
    // Picks the shown guide of Guide lying within Reach of P; false when none lies there.
    // Guide must outlive the drag.
    bool Start(TGuide& Guide, const TPoint& P, int Reach);
    bool Active() const { return FGuide != nullptr; }
    // The picked guide follows P on its axis.
    void Move(const TPoint& P);
    // Drops the guide at P; a guide left outside Page is removed. Answers whether the guides
    // differ from before the drag.
    bool Finish(const TPoint& P, const TRect& Page);
    // Puts the guide back where it was picked.
    void Cancel();

private:
    // The slot with its guide's coordinate set to P's on the guide's axis; a guide never sits
    // on 0, which marks an unused slot.
    TPoint Moved(const TPoint& P) const;

    TGuide* FGuide = nullptr;
    int FSlot = -1;
    TPoint FPicked;
};
