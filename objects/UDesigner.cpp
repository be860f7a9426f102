#include "UDesigner.h"

#include "UBitmap.h"
#include "UCanvasGuards.h"
#include "UDOInterfaces.h"
#include "UDrawSiteHost.h"
#include "UFaceInfo.h"
#include "UFixedStretch.h"
#include "UGhost.h"
#include "UGraphic.h"
#include "UScaler.h"
#include "UTextGhost.h"
#include "UUtils.h"

#include <algorithm>

#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UCurveGhost.h"
#include "URectGhost.h"

bool TDODesigner::InitObject(TDrawSite&, const QString&) {
    return false;
}

std::unique_ptr<TDrawObject> TDODesigner::CreateObject(const QString&) {
    return nullptr;
}

bool TDODesigner::EditObject(TDrawObject&, bool&) {
    return false;
}

bool TDODesigner::CreatePivots(TDrawObject&) {
    return false;
}

bool TDODesigner::CreateGhost(TDrawObject&, int) {
    return false;
}

TDODesignerList::~TDODesignerList() {
    if (DesignerList() == this)
        SetDesignerList(nullptr);
    for (auto& designer : FDesigners)
        designer.reset();
}

TDODesigner& TDODesignerList::Add(std::unique_ptr<TDODesigner> Designer) {
    FDesigners.push_back(std::move(Designer));
    return *FDesigners.back();
}

template <class F>
bool TDODesignerList::AskNewestFirst(F&& Ask) const {
    for (auto it = FDesigners.rbegin(); it != FDesigners.rend(); ++it)
        if (Ask(**it))
            return true;
    return false;
}

bool TDODesignerList::CreateObject(TDrawSite& Site, const QString& KindName) {
    return AskNewestFirst([&](TDODesigner& d) { return d.InitObject(Site, KindName); });
}

bool TDODesignerList::EditObject(TDrawObject& Object) {
    bool handled = false;
    return EditObject(Object, handled);
}

bool TDODesignerList::EditObject(TDrawObject& Object, bool& Handled) {
    bool cancel = true;
    Handled = AskNewestFirst([&](TDODesigner& d) { return d.EditObject(Object, cancel); });
    if (Handled)
        if (TDrawSite* site = Object.DrawSite())
            site->UpdatePivots();
    return !cancel;
}

bool TDODesignerList::CreatePivots(TDrawObject& Object) {
    return AskNewestFirst([&](TDODesigner& d) { return d.CreatePivots(Object); });
}

bool TDODesignerList::CreateGhost(TDrawObject& Object, int Code) {
    return AskNewestFirst([&](TDODesigner& d) { return d.CreateGhost(Object, Code); });
}

std::unique_ptr<TDrawObject> TDODesignerList::NewObject(const QString& KindName) {
    std::unique_ptr<TDrawObject> result;
    AskNewestFirst([&](TDODesigner& d) {
        result = d.CreateObject(KindName);
        return result != nullptr;
    });
    return result;
}

TDODesignerList& TheDesignerList() {
    static TDODesignerList list;
    return list;
}

void InstallDesignerList() {
    static const bool registered = [] {
        RegisterLineDesigners(TheDesignerList());
        TheDesignerList().Add(std::make_unique<TDORectGhostDesigner>());
        TheDesignerList().Add(std::make_unique<TDOTextGhostDesigner>());
        InstallRotateCursor();
        return true;
    }();
    (void)registered;
    SetDesignerList(&TheDesignerList());
}

// ---------------------------------------------------------------------------------------
// Object utilities

bool EditLabelObject(TDrawObject& Object) {
    IDesignerList* designers = DesignerList();
    return designers && designers->EditObject(Object);
}

void KeepObjectsInside(const TDOList& List, const TRect& Bounds) {
    for (TDrawObject* object : List) {
        auto* bounds = QueryObjectInterface<IDOEncloseBounds>(object);
        if (!bounds)
            continue;
        const TPoint offset = CalcInsideOffset(bounds->GetBoundsRect(), Bounds);
        if (offset.x != 0 || offset.y != 0)
            bounds->OffsetBy(offset.x, offset.y);
    }
}

void MapObjectsToRect(const TDOList& List, const TRect& FromRect, const TRect& ToRect) {
    if (FromRect == ToRect || FromRect.Width() == 0 || FromRect.Height() == 0)
        return;
    auto mapX = [&](int X) {
        return MulDiv(X - FromRect.Left, ToRect.Width(), FromRect.Width()) + ToRect.Left;
    };
    auto mapY = [&](int Y) {
        return MulDiv(Y - FromRect.Top, ToRect.Height(), FromRect.Height()) + ToRect.Top;
    };
    for (TDrawObject* object : List) {
        auto* bounds = QueryObjectInterface<IDOEncloseBounds>(object);
        if (!bounds)
            continue;
        const TRect b = bounds->GetBoundsRect();
        const TRect n(mapX(b.Left), mapY(b.Top), mapX(b.Right), mapY(b.Bottom));
        bounds->OffsetBy(n.Left - b.Left, n.Top - b.Top);
        bounds->ResizeTo(n.Width(), n.Height());
    }
}

TSize CalcGraphicSize(int PixelWidth, int PixelHeight) {
    constexpr int MinSize = 30;
    return TSize{std::max(MinSize, MulDiv(PixelWidth, 254, 180)),
                 std::max(MinSize, MulDiv(PixelHeight, 254, 180))};
}

TSize CalcGraphicSize(const TGraphic& Graphic) {
    return CalcGraphicSize(Graphic.Width(), Graphic.Height());
}

namespace {

// The centre of the part of Site's page the window shows, in logical units; the page centre
// when no window shows it.
TPoint VisibleCentre(TDrawSite& Site) {
    if (const auto* host = dynamic_cast<const TDrawSiteHost*>(Site.Host())) {
        const QRect visible = host->visibleRegion().boundingRect();
        if (!visible.isEmpty())
            return Site.DPtoLP(
                TPoint(visible.x() + visible.width() / 2, visible.y() + visible.height() / 2));
    }
    return TPoint(Site.LogWidth() / 2, Site.LogHeight() / 2);
}

} // namespace

void PlaceObjectInView(TDrawObject& Object, TDrawSite& Site) {
    auto* bounds = QueryObjectInterface<IDOEncloseBounds>(&Object);
    if (!bounds)
        return;
    const int w = Site.LogWidth(), h = Site.LogHeight();
    TRect b = bounds->GetBoundsRect();
    const auto* position = QueryObjectInterface<IDOPosition>(&Object);
    if (position && position->ScalesToFit()) {
        if (b.Width() > w || b.Height() > h) {
            b = FitRectInRect(b, TRect(0, 0, w, h));
            bounds->ResizeTo(b.Width(), b.Height());
        }
    } else {
        const TRect cut(0, 0, std::min(b.Width(), w), std::min(b.Height(), h));
        b = CenterRectOn(cut, TPoint(w / 2, h / 2));
        bounds->ResizeTo(b.Width(), b.Height());
    }
    b = bounds->GetBoundsRect();
    const TRect target = CenterRectOn(b, VisibleCentre(Site));
    bounds->OffsetBy(target.Left - b.Left, target.Top - b.Top);
}

void ReverseList(TDOList& List) {
    for (int i = 0, j = List.Count() - 1; i < j; ++i, --j)
        List.Exchange(i, j);
}

void RenderObjectsToBitmap(const TFaceInfo& Face, TDOList& Objects, TBitmap& Bitmap, int Scale) {
    const TBitmapCanvasProtector protector = CreateBitmapCanvasProtector();
    TDrawSite site;
    site.SetBorder(false);
    site.Scaler().SetUnitDPI(254);
    site.Scaler().SetScale(Scale);
    const TRect face = Face.GetRect();
    site.SetLogWidth(face.Width());
    site.SetLogHeight(face.Height());
    // The objects belong to the surface from here on, also when something below raises.
    for (TDrawObject* object : Objects)
        site.InsertObject(object);
    TDOList objects = Objects;
    Objects.Clear();

    if (Bitmap.PixelFormat() != pf24bit)
        Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(site.Width(), site.Height());
    if (objects.IsEmpty() || Bitmap.Empty())
        return;
    for (TDrawObject* object : objects)
        site.AddObject(object);
    TCanvas& canvas = Bitmap.Canvas();
    site.DrawTo(canvas, TPoint(0, 0), Scale);

    // Everything outside the face's outline is painted over with the canvas's brush.
    TFaceInfo atOrigin;
    atOrigin.Assign(&Face);
    TRect r = face;
    OffsetRect(r, -face.Left, -face.Top);
    atOrigin.SetRect(r);
    TCanvasSaver saver = CreateCanvasSaver(canvas, true);
    site.Scaler().SetupCanvas(canvas);
    const TRegion inside = atOrigin.CreateRegion(&canvas, false);
    TRegion outside;
    outside.Combine(TRegion::CreateRect(TRect(0, 0, Bitmap.Width(), Bitmap.Height())), inside,
                    RGN_DIFF);
    if (!outside.IsEmpty())
        canvas.FillRgn(outside);
}

void DrawObjectsToGraphic(const TFaceInfo& Face, TDOList& Objects, TBitmap& Graphic, int DPI,
                          int MaxWidth, int MaxHeight) {
    const TRect face = Face.GetRect();
    if (face.Width() <= 0 || face.Height() <= 0) {
        for (TDrawObject* object : Objects) {
            const std::unique_ptr<TDrawObject> owned(object); // consumed as in every case
        }
        Objects.Clear();
        return;
    }
    int scale = 100;
    if (DPI != -1) {
        const TRect fitted =
            FitRectSize(TRect(0, 0, face.Width(), face.Height()), MaxWidth, MaxHeight);
        scale = MulDiv(fitted.Width(), DPI * 254, face.Width() * GetScreenPixelsPerInch());
        scale = std::clamp(scale, 1, 100);
    }
    TBitmap rendered;
    RenderObjectsToBitmap(Face, Objects, rendered, scale);
    if (rendered.Empty())
        return;
    const TRect size =
        FitRectSize(TRect(0, 0, rendered.Width(), rendered.Height()), MaxWidth, MaxHeight);
    Graphic.SetPixelFormat(pf24bit);
    Graphic.SetSize(std::max(1, size.Width()), std::max(1, size.Height()));
    StretchDrawFiltered(&Graphic, &rendered, rfCubic);
}

namespace {

// Logical units of N pixels on Object's surface; -1 off a surface.
int LogicalPixels(TDrawObject& Object, int N) {
    TDrawSite* site = Object.DrawSite();
    if (!site)
        return -1;
    return site->DPtoLP(TPoint(N, 0)).x - site->DPtoLP(TPoint(0, 0)).x;
}

} // namespace

int CalcHitTolerance(TDrawObject& Object, int Width) {
    const int pixels = LogicalPixels(Object, 2);
    return pixels < 0 ? Width : std::max(Width, pixels);
}

void PrepareHitBitmap(TDrawObject& Object, TBitmap& Bitmap, const TPoint& Point, int LineWidth) {
    Bitmap.SetSize(1, 1);
    TCanvas& canvas = Bitmap.Canvas();
    canvas.SetWindowOrgEx(Point.x, Point.y);
    const int pixel = LogicalPixels(Object, 1);
    canvas.Pen().SetColor(clBlack);
    canvas.Pen().SetStyle(psInsideFrame);
    canvas.Pen().SetWidth(LineWidth + (pixel < 0 ? 3 : pixel));
}
