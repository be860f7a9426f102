#pragma once
// TSafetyBitmap: the program's bitmap graphic. It holds a TBitmap and a mask companion
// (TMaskedImage) that draws it with its transparent colour left out.
//
// The file form is a BMP file or a compressed container ("ZLIBCompress") around one, read by
// the DIB codec on any thread; the data form inside picture data is a 32-bit count and the
// file form. Pixels changed through Bitmap() or Canvas() are announced with Changed(), which
// also marks the mask stale.

#include "UGraphic.h"
#include "UMaskedImage.h"

class TSafetyBitmap : public TGraphic {
    Q_OBJECT
public:
    TSafetyBitmap();
    // A graphic sharing Bitmap's pixels (and taking its transparency settings).
    explicit TSafetyBitmap(const TBitmap& Bitmap);

    std::unique_ptr<TGraphic> CreateNew() const override;

    // The pixels. After changing them through the mutable forms, call Changed().
    const TBitmap& Bitmap() const { return FBitmap; }
    TBitmap& Bitmap() { return FBitmap; }
    TCanvas& Canvas() { return FBitmap.Canvas(); }
    // Shares Bitmap's pixels and transparency settings; one change.
    void SetBitmap(const TBitmap& Bitmap);
    // Resizes (the new area takes the bitmap's fill colour) or converts; one change each.
    void SetSize(int Width, int Height);
    void SetPixelFormat(TPixelFormat Format);
    TPixelFormat PixelFormat() const { return FBitmap.PixelFormat(); }

    bool Empty() const override { return FBitmap.Empty(); }
    int Width() const override { return FBitmap.Width(); }
    int Height() const override { return FBitmap.Height(); }
    bool Transparent() const override { return FBitmap.Transparent; }
    void SetTransparent(bool Value) override;
    TTransparentMode TransparentMode() const { return FBitmap.TransparentMode; }
    void SetTransparentMode(TTransparentMode Value);
    // tmAuto: the bottom-left pixel. Setting a colour switches to tmFixed (clDefault: tmAuto).
    TColor TransparentColor() const { return FBitmap.GetTransparentColor(); }
    void SetTransparentColor(TColor Value);

    // Accepts another TSafetyBitmap (shares its pixels, copies transparency and mask state;
    // one sharing the same pixels only copies the transparency settings), a metafile (drawn
    // at its natural size on a white 24-bit bitmap), any raster graphic that can hand over
    // its pixels, and null (empties the bitmap).
    void Assign(const TPersistent* Source) override;
    // True for another TSafetyBitmap that shares the same pixels; otherwise the comparison
    // of the base.
    bool Equals(const TGraphic* Other) const override;

    // White background and black text colour on the canvas while drawing (the mono-to-colour
    // rule of the mask), the canvas locked; everything put back afterwards. A transparent
    // bitmap is drawn through its mask.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;

    // A BMP file or a compressed container at the stream's position; the position is left
    // after it. Raises EInvalidGraphic "ビットマップイメージが不正です" for anything else.
    void LoadFromStream(TStream& Stream) override;
    // A BMP file (nothing for an empty bitmap).
    void SaveToStream(TStream& Stream) const override;
    // CF_DIB: a packed DIB (header, colour table, bits) or a whole BMP file.
    void LoadFromClipboardFormat(int Format, const QByteArray& Data) override;

    TCanvas* PixelCanvas() override { return &FBitmap.Canvas(); }

    // The mask for the transparent colour (1 where the pixel is that colour), rebuilt now.
    void GetMask(TBitmap& Mask) const;
    // An explicit mask (1 bit, the bitmap's size): it holds until the next change.
    void SetMask(const TBitmap& Mask);
    // When transparent, rebuilds a stale mask for the transparent colour.
    void UpdateMask() const;
    const TMaskedImage& MaskedImage() const { return FMasked; }

    // Marks the mask stale (unless an assignment is running), then announces the change.
    void Changed() override;

private:
    void AssignBitmapPart(const TSafetyBitmap& Source);
    void AssignFrom(const TBitmap& Bitmap);

    TBitmap FBitmap;
    mutable TMaskedImage FMasked;
    bool FAssigning = false;
};
