#pragma once
// Designers and the one designer list.
//
// The surface never knows how a kind of object is created, edited, given handles or dragged:
// designers decide, each for its own concern, and the designer list asks them, newest
// registration first, until one handles the request. A request no designer handles has no
// effect.
//
// User-interface thread only.

#include "UDOList.h"
#include "UDesignHooks.h"
#include "UWinTypes.h"

#include <QString>

#include <memory>
#include <vector>

class TBitmap;
class TDrawObject;
class TDrawSite;
class TFaceInfo;
class TGraphic;

// Designers live as long as the list. There is no removal of the designers of an unloaded
// module: on Linux the program loads no modules at run time.

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
    // The same; Handled tells whether any designer answered (a kind with a property dialog).
    bool EditObject(TDrawObject& Object, bool& Handled);
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
// registering (once) the designers of this library: line, curve, then rectangle handles
// and ghosts (so rectangles are asked first).
TDODesignerList& TheDesignerList();
void InstallDesignerList();

// Opens the property dialog of Object through the installed designer list; true when the
// user confirmed a change (double clicks and the property command).
bool EditLabelObject(TDrawObject& Object);

// Object utilities. All rectangles and points are logical units of the objects.

// Every object of List answering IDOEncloseBounds whose centre lies less than 10 units
// inside Bounds is moved until it does (CalcInsideOffset).
void KeepObjectsInside(const TDOList& List, const TRect& Bounds);
// Every object answering IDOEncloseBounds is moved and sized from FromRect to ToRect (both
// corners of its bounds scaled about FromRect's top-left, then moved by the difference of
// the top-lefts). Nothing when the rectangles are equal or FromRect has no width or height.
void MapObjectsToRect(const TDOList& List, const TRect& FromRect, const TRect& ToRect);
// The size in logical units of a picture read at 180 dots per inch, at least 30 each way.
TSize CalcGraphicSize(const TGraphic& Graphic);
TSize CalcGraphicSize(int PixelWidth, int PixelHeight);
// Fits a new object (answering IDOEncloseBounds) onto Site's page and centres it on the
// visible part of the page (on the page centre when the page is not shown in a window):
// objects that scale to fit keep their aspect, others are cut to the page.
void PlaceObjectInView(TDrawObject& Object, TDrawSite& Site);
// Reverses the order of List in place.
void ReverseList(TDOList& List);
// Renders the objects of one face into Bitmap (24 bits, sized to the face at Scale percent)
// and paints everything outside the face's outline with the bitmap canvas's brush. Objects
// are placed on a temporary surface that frees them: callers pass copies. Objects is
// emptied.
void RenderObjectsToBitmap(const TFaceInfo& Face, TDOList& Objects, TBitmap& Bitmap, int Scale);
// Renders the objects of one face (RenderObjectsToBitmap, which frees them) into Graphic,
// at most MaxWidth x MaxHeight, resampled with the cubic filter: at DPI dots per inch
// (capped at the screen's size), or at the screen's size for DPI -1. Nothing for a face
// without width or height.
void DrawObjectsToGraphic(const TFaceInfo& Face, TDOList& Objects, TBitmap& Graphic, int DPI,
                          int MaxWidth, int MaxHeight);
// The larger of Width and 2 pixels of Object's surface in logical units (Width off a
// surface).
int CalcHitTolerance(TDrawObject& Object, int Width);
// Makes Bitmap the 1 x 1 pixel hit probe at Point: its window origin at Point and a black
// inside-frame pen of LineWidth plus 1 pixel of Object's surface (plus 3 off a surface).
// Line objects draw their stroke on it and test the pixel.
void PrepareHitBitmap(TDrawObject& Object, TBitmap& Bitmap, const TPoint& Point, int LineWidth);
