#pragma once
// What drawing objects and the design surface need from the drag machinery (the one global
// ghost list) and from the designers (the one global designer list). Both live in modules
// built on top of this one; each installs its single instance here at start-up and removes it
// at shutdown. While none is installed, objects get no handles and no drag feedback, presses
// select but drag nothing, and a double click edits nothing.
//
// User-interface thread only.

#include "UControl.h"
#include "UWinTypes.h"

#include <functional>

class TCanvas;
class TDrawObject;
class TDrawSite;

// The running drag. Points are logical units of the surface the drag runs on; shift states
// keep their three key bits (Shift 1, Alt 2, Ctrl 4).
class IGhostList {
public:
    // Ghosts held now; drawing objects and handles refuse the mouse while it is not 0, so
    // that every event of a drag reaches the surface.
    virtual int Count() const = 0;
    // Between Begin and End or Cancel.
    virtual bool Active() const = 0;
    // A Move since the last Begin changed something.
    virtual bool Moved() const = 0;
    // Adds the rubber band that selects what lies wholly inside it on release.
    virtual void AddSelectGhost() = 0;
    // Starts the drag of the ghosts held on Site within Bounds from Start.
    virtual void Begin(TDrawSite& Site, const TRect& Bounds, const TPoint& Start,
                       TShiftState Shift) = 0;
    virtual void Move(TShiftState Shift, const TPoint& Point) = 0;
    // Applies the drag (when something moved) and clears the list.
    virtual void End() = 0;
    // Clears the list applying nothing.
    virtual void Cancel() = 0;
    // Called when the list is cleared after holding ghosts; empty to remove. The list calls a
    // copy, so the event may remove itself while it runs.
    virtual void SetClearEvent(std::function<void()> Event) = 0;
    // Draws the ghosts of a drag running on Site over what the window shows; Canvas is
    // mapped in Site's client pixels and is Site's current canvas while this runs.
    virtual void PaintGhosts(TDrawSite& Site, TCanvas& Canvas) = 0;

protected:
    ~IGhostList() = default;
};

// The designers, asked newest registration first until one handles the request.
class IDesignerList {
public:
    // Places Object's handles on its surface (TDrawSite::AddPivotAt).
    virtual bool CreatePivots(TDrawObject& Object) = 0;
    // Adds the ghost for hit code Code (-2 create, -1 move, 0 or more a handle) of Object.
    virtual bool CreateGhost(TDrawObject& Object, int Code) = 0;
    // Opens Object's property dialog; true when the user confirmed a change.
    virtual bool EditObject(TDrawObject& Object) = 0;

protected:
    ~IDesignerList() = default;
};

// The installed instances, or nullptr.
IGhostList* GhostList();
void SetGhostList(IGhostList* Value);
IDesignerList* DesignerList();
void SetDesignerList(IDesignerList* Value);

// Ghosts held by the installed ghost list (0 when none is installed).
int GhostCount();
