#pragma once
// TLODecoLine: a line whose stroke is a picture repeated along it and bent onto the line's
// direction. LineWidth is the height of the decoration; geometry and hit tests are the
// line's.
//
// The decoration is built once into a cached bitmap and stretched into place at every
// paint: a strip as long as the line and LineWidth high is filled with copies of the picture
// (as many as fit at the picture's aspect, at least one, stretched so that they fill the
// strip exactly), then mapped onto the quadrilateral around the line
//     u = (E - S) / |E - S|,  n = (u.y, -u.x),  h = (LineWidth + 4) / 2,
//     corners S + n h, E + n h, E - n h, S - n h  (strip top-left, top-right, bottom-right,
//     bottom-left),
// so that for a line drawn left to right the picture stands upright. Outside the
// quadrilateral the cache holds the transparent key 0xF0F0F0. Moving the line keeps the
// cache; changing an end point, the width or the picture clears it.
//
// An empty picture or a line without length paints nothing and keeps its geometry. Strip
// and cache are at most MaxBitmapSide pixels a side (a longer decoration is built at a
// lower resolution and stretched); a cache that cannot be allocated makes the paint fail,
// and the object shows the failed-paint box.
//
// Units: logical units (0.1 mm); the cache has one pixel per logical unit unless capped.
// User-interface thread only.

#include "UBitmap.h"
#include "ULOLine.h"
#include "UPictureEx.h"

#include <array>
#include <memory>

class TLODecoLine : public TLOLine {
    Q_OBJECT
    Q_PROPERTY(TPictureEx* Image READ Image WRITE SetImage)
public:
    Q_INVOKABLE explicit TLODecoLine(TComponent* Owner = nullptr);
    ~TLODecoLine() override;

    // The repeated picture; a change of it clears the cache and is a change of the object.
    TPictureEx* Image() const { return FImage.get(); }
    // Copies Value into the owned picture.
    void SetImage(TPictureEx* Value);

    // A line of six copies of the picture at 180 dots per inch: start (0, 0), end (6 x the
    // picture's width in logical units, 0), LineWidth the picture's height in logical units.
    void ResetToImage();

    // Widths below 1 become 1; a different width clears the cache.
    void SetLineWidth(int Value) override;
    // A different point clears the cache.
    void SetStartPoint(const TPoint& Value) override;
    void SetEndPoint(const TPoint& Value) override;
    // Moves both points keeping the cache.
    void OffsetBy(int Dx, int Dy) override;
    // The quadrilateral the picture is mapped onto (the line widened to LineWidth + 4 with
    // flat ends); the line's centre line when it has no length.
    void DrawOutline(TCanvas& Canvas) override;

    // Grey index 255 where the decoration shows, nothing where its transparent key does,
    // so that blending mixes the picture alone into the page.
    void FillBlendMask(TBitmap& Mask) override;

    // The corners of the quadrilateral in logical units, in the order above; false for a
    // line without length.
    bool StripQuad(std::array<TPoint, 4>& Quad) const;
    // The cached decoration (nullptr while not built) and the logical rectangle it covers.
    const TBitmap* Cache() const { return FCache.get(); }
    TRect CacheRect() const;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    void ClearCache() { FCache.reset(); }
    void BuildCache();

    std::unique_ptr<TPictureEx> FImage;
    std::unique_ptr<TBitmap> FCache;
    // From GetRect() to the rectangle the cache covers: left, top, right, bottom.
    TRect FOffsets;
};
