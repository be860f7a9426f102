#pragma once
// TBitmap: a device-independent pixel buffer in the Windows layouts, shared on copy and
// copied on the first write (copy-on-write).
//
// Layout: rows are stored top row first; every row is DWORD-aligned (BytesPerLine is a
// multiple of 4). Pixel formats:
//   pf1bit   1 bit per pixel, most significant bit first, index into the colour table
//   pf4bit   4 bits per pixel, high nibble first, index into the colour table
//   pf8bit   8 bits per pixel, index into the colour table
//   pf15bit  16-bit little-endian words, 0RRRRRGG GGGBBBBB (5-5-5)
//   pf16bit  16-bit little-endian words, RRRRRGGG GGGBBBBB (5-6-5)
//   pf24bit  bytes B, G, R
//   pf32bit  bytes B, G, R, X (X is kept but means nothing)
// The pixel engines work on ScanLine / BytesPerLine directly; nothing here is virtual per
// pixel. Sizes are capped below MaxBitmapSide pixels a side (16.16 fixed-point arithmetic in
// the engines relies on it).

#include "UColor.h"
#include "UException.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

enum TPixelFormat {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};
enum TTransparentMode { tmAuto, tmFixed };

struct TRGBQuad {
    uint8_t rgbBlue = 0;
    uint8_t rgbGreen = 0;
    uint8_t rgbRed = 0;
    uint8_t rgbReserved = 0;
    friend constexpr bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

constexpr int MaxBitmapSide = 32767;

// Bits per pixel of a format (pfDevice counts as 24; pfCustom as 0).
int BitsPerPixelOf(TPixelFormat Format);
// Bytes per pixel of the byte-per-channel formats the pixel engines work on: 1 for pf8bit,
// 3 for pf24bit, 4 for pf32bit; 0 for every other format.
constexpr int ChannelsOf(TPixelFormat Format) {
    return Format == pf8bit ? 1 : Format == pf24bit ? 3 : Format == pf32bit ? 4 : 0;
}
// DWORD-aligned bytes of one row; raises EOutOfResources-style Exception on overflow.
int BytesPerLineOf(int Width, TPixelFormat Format);

class TCanvas;

class TBitmap {
public:
    TBitmap();
    TBitmap(int Width, int Height, TPixelFormat Format = pf24bit);
    ~TBitmap();
    // Copies share the pixels until one of them is written to.
    TBitmap(const TBitmap& Other);
    TBitmap& operator=(const TBitmap& Other);
    TBitmap(TBitmap&& Other) noexcept;
    TBitmap& operator=(TBitmap&& Other) noexcept;

    void Assign(const TBitmap& Source) { *this = Source; }
    // True when both hold the same internal image (no copy has been made since Assign).
    bool SharesImageWith(const TBitmap& Other) const { return FImage == Other.FImage; }

    int Width() const;
    int Height() const;
    bool Empty() const { return Width() == 0 || Height() == 0; }
    TPixelFormat PixelFormat() const;
    int BitsPerPixel() const { return BitsPerPixelOf(PixelFormat()); }
    int BytesPerLine() const;

    // Resizes keeping the pixels that still fit (top-left anchored); the new area is filled
    // with FillColor (the canvas brush colour, white by default). A side of 0 empties the
    // bitmap. Sides of MaxBitmapSide + 1 or more, or negative ones, raise Exception.
    void SetSize(int Width, int Height);
    // The same size change for code that writes every pixel next: the pixels are left unset
    // (not cleared, so that the pages are first touched by the threads that write them).
    void SetSizeForOverwrite(int Width, int Height);
    void SetWidth(int Width) { SetSize(Width, Height()); }
    void SetHeight(int Height) { SetSize(Width(), Height); }
    // Converts the pixels to another format. Towards 1, 4 and 8 bits each pixel takes the
    // nearest entry of the colour table (a default table is installed when there is none).
    void SetPixelFormat(TPixelFormat Format);

    // Row access; Row 0 is the top row. The mutable form detaches a shared image.
    uint8_t* ScanLine(int Row);
    const uint8_t* ScanLine(int Row) const;
    uint8_t* Bits();
    const uint8_t* Bits() const;

    // Colour table of the indexed formats (2, 16 or 256 entries).
    const std::vector<TRGBQuad>& ColorTable() const;
    void SetColorTable(const std::vector<TRGBQuad>& Table);

    // Slow per-pixel access in 0x00BBGGRR, for tests and rare single-pixel work.
    // Outside the bitmap GetPixel answers clNone (as GDI's CLR_INVALID) and SetPixel does
    // nothing.
    TColor GetPixel(int X, int Y) const;
    void SetPixel(int X, int Y, TColor Color);
    // Fills the whole bitmap with one colour.
    void Fill(TColor Color);

    // A QImage over the pixels without copying (detaches first), for QPainter drawing:
    // 24 -> BGR888, 32 -> RGB32, 16 -> RGB16, 15 -> RGB555, 8 -> Indexed8 (not paintable),
    // 1 -> Mono. 4-bit bitmaps have no view (a null image). The view is valid until the
    // bitmap is resized, converted or destroyed.
    QImage View();
    // A deep copy as QImage::Format_RGB32 (any format).
    QImage ToQImage() const;
    // A bitmap with a copy of Image's pixels in Format (alpha is dropped).
    static TBitmap FromQImage(const QImage& Image, TPixelFormat Format = pf24bit);

    // Transparency: with tmAuto the transparent colour is the bottom-left pixel.
    bool Transparent = false;
    TTransparentMode TransparentMode = tmAuto;
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor Color);

    // Colour the new area gets when the bitmap grows (kept in step with the canvas brush).
    TColor FillColor = clWhite;

    // While locked, changes of size, pixel format or image (SetSize, SetPixelFormat, copy
    // assignment) raise Exception with Message: something holds on to the pixel layout.
    // Locks nest; copies of the bitmap are not locked.
    void LockGeometry(const QString& Message);
    void UnlockGeometry();
    bool GeometryLocked() const { return FGeometryLocks > 0; }

    // The canvas drawing on this bitmap (created on first use).
    TCanvas& Canvas();
    bool HasCanvas() const { return FCanvas != nullptr; }

private:
    struct TImage;
    void Detach();
    void CheckGeometryUnlocked() const;
    std::shared_ptr<TImage> FImage;
    int FGeometryLocks = 0;
    QString FGeometryLockMessage;
    TColor FTransparentColor = clNone;
    std::unique_ptr<TCanvas> FCanvas;
    friend class TCanvas;
};

// The error a picture reader raises for data that is not a valid picture.
VANTOMI_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

// Index of the colour-table entry nearest to C (squared RGB distance; the first of equals).
unsigned NearestColorIndex(TColor C, const std::vector<TRGBQuad>& Table);

// The same answer as NearestColorIndex for many colours against one table: the RGB cube is
// cut into 8 x 8 x 8 cells, and each cell keeps (once first asked) the entries that can be
// nearest to any colour inside it, so a colour is compared with a few entries, not all.
class TNearestColorLookup {
public:
    explicit TNearestColorLookup(const std::vector<TRGBQuad>& Table);
    unsigned IndexOf(TColor C);

private:
    const std::vector<TRGBQuad>& FTable;
    std::array<std::vector<uint8_t>, 512> FCells;
    std::array<bool, 512> FBuilt{};
    bool FLarge = false; // more than 256 entries: plain search
    TColor FLastColor = clNone;
    unsigned FLastIndex = 0;
    const std::vector<uint8_t>& Cell(int Index);
};

// Default colour tables: 2 entries black/white, the 16 VGA colours, and a 256-entry table
// (the 20 static system colours and a 6x6x6 colour cube with greys).
std::vector<TRGBQuad> DefaultColorTable(TPixelFormat Format);
