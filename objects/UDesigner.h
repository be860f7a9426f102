#pragma once
// Designers and the one designer list.
//
// The surface never knows how a kind of object is created, edited, given handles or dragged:
// designers decide, each for its own concern, and the designer list asks them, newest
// registration first, until one handles the request. A request no designer handles has no
// effect.
//
// User-interface thread only.

#include "UDesignHooks.h"

#include <QString>

#include <memory>
#include <vector>

class TDrawObject;
class TDrawSite;

// The base answers every request with "not handled".
class TDODesigner {
public:
    TDODesigner() = default;
    virtual ~TDODesigner() = default;
    TDODesigner(const TDODesigner&) = delete;
    TDODesigner& operator=(const TDODesigner&) = delete;

    // Creates an object of kind KindName and places it on Site.
    virtual bool InitObject(TDrawSite& Site, const QString& KindName);
    // A new object of kind KindName, or nullptr.
    virtual std::unique_ptr<TDrawObject> CreateObject(const QString& KindName);
    // Opens the object's property dialog; Cancel := false when the user confirmed.
    virtual bool EditObject(TDrawObject& Object, bool& Cancel);
    // Places the object's handles with the surface's AddPivotAt.
    virtual bool CreatePivots(TDrawObject& Object);
    // Adds the ghost for hit code Code to the ghost list.
    virtual bool CreateGhost(TDrawObject& Object, int Code);
};

class TDODesignerList : public IDesignerList {
public:
    TDODesignerList() = default;
    ~TDODesignerList();
    TDODesignerList(const TDODesignerList&) = delete;
    TDODesignerList& operator=(const TDODesignerList&) = delete;

    // Registers Designer; it is asked before every designer registered earlier.
    TDODesigner& Add(std::unique_ptr<TDODesigner> Designer);
    int Count() const { return static_cast<int>(FDesigners.size()); }

    bool CreateObject(TDrawSite& Site, const QString& KindName);
    // True when a designer handled the edit and the user confirmed it. When one handled it,
    // the handles of the object's surface are brought up to date.
    bool EditObject(TDrawObject& Object) override;
    bool CreatePivots(TDrawObject& Object) override;
    bool CreateGhost(TDrawObject& Object, int Code) override;
    std::unique_ptr<TDrawObject> NewObject(const QString& KindName);

private:
    // Calls Ask on each designer, newest first, until one answers true.
    template <class F>
    bool AskNewestFirst(F&& Ask) const;

    std::vector<std::unique_ptr<TDODesigner>> FDesigners;
};

// The program's designer list; InstallDesignerList makes it the one objects use, after
// registering (once) the designers of this library: the rectangle handles and ghosts.
TDODesignerList& TheDesignerList();
void InstallDesignerList();
