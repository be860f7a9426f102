#pragma once
// TCanvas: the device-context stand-in that every drawing routine calls. A canvas draws on
// a TBitmap (its own memory device) or on another target supplied by a subclass.
//
// Coordinates given to drawing calls are logical units. The mapping (map mode, window and
// viewport origin and extent) turns them into device pixels with one rounding rule, half away
// from zero:  device = MulDiv(logical - WindowOrg, ViewportExt, WindowExt) + ViewportOrg.
// Drawing happens in device space with the device's edge rules: Rectangle, Ellipse, RoundRect
// and FillRect leave out the right and bottom edges, LineTo leaves out its end point, a pen of
// width 0 is one device pixel wide, a Rectangle drawn without pen fills one pixel less in
// each direction.
//
// The canvas keeps two layers of state, as the class library over a device context does:
// the tools (Pen, Brush, Font, CopyMode) and the device state (map mode, colours, modes,
// clip region, path). Changing a tool resets the device values it carries: a brush change
// sets the background colour to the brush colour and the background mode to OPAQUE for a
// solid brush (TRANSPARENT otherwise); a font change sets the text colour to the font's; a
// pen change sets the raster operation to the pen's Mode. Direct calls (SetBkColor,
// SetTextColor, SetROP2, SetBkMode) hold until the next change of that tool.

#include "UColor.h"
#include "UFont.h"
#include "URaster.h"
#include "URegion.h"
#include "UWinTypes.h"

#include <QPainterPath>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class TBitmap;

// Value * Numerator / Denominator rounded half away from zero, clamped to the int range:
// the one rounding rule of every logical-to-device conversion. A Denominator of 0 answers
// Value.
int MulDivRound(int64_t Value, int64_t Numerator, int64_t Denominator);

// Map modes.
constexpr int MM_TEXT = 1;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Stretch modes (all of them sample the nearest source pixel here).
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Device capability indices and technologies.
constexpr int TECHNOLOGY = 2;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
constexpr int DT_PLOTTER = 0;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;

// Path point types.
constexpr uint8_t PT_CLOSEFIGURE = 1;
constexpr uint8_t PT_LINETO = 2;
constexpr uint8_t PT_BEZIERTO = 4;
constexpr uint8_t PT_MOVETO = 6;

// What a device answers to GetDeviceCaps. Printers fill in the physical page values.
struct TDeviceCaps {
    int LogPixelsX = 96;
    int LogPixelsY = 96;
    int HorzRes = 0; // printable width in device pixels
    int VertRes = 0;
    int Technology = DT_RASDISPLAY;
    int BitsPixel = 24;
    int PhysicalWidth = 0;
    int PhysicalHeight = 0;
    int PhysicalOffsetX = 0;
    int PhysicalOffsetY = 0;
    int Get(int Index) const;
    friend bool operator==(const TDeviceCaps&, const TDeviceCaps&) = default;
};

// The screen: resolution (Qt's logical dots per inch of the primary screen, 96 without a
// screen) and size in pixels.
TDeviceCaps ScreenDeviceCaps();

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

// The binary raster operation of a pen mode.
int PenModeToRop2(TPenMode Mode);

struct TPenData {
    TColor Color = clBlack;
    int Width = 1; // logical units; 0 is one device pixel
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    friend bool operator==(const TPenData&, const TPenData&) = default;
};

struct TBrushData {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    friend bool operator==(const TBrushData&, const TBrushData&) = default;
};

// A drawing tool with change notification: OnChange runs after every change; Version counts
// changes so that the canvas notices them whatever handler is installed.
template <class TData>
class TGraphicsTool {
public:
    const TData& Data() const { return FData; }
    void SetData(const TData& Data) {
        FData = Data;
        Changed();
    }
    void Assign(const TGraphicsTool& Source) {
        if (&Source != this)
            SetData(Source.FData);
    }
    unsigned Version() const { return FVersion; }
    std::function<void()> OnChange;

protected:
    template <class T>
    void Set(T& Field, const T& Value) {
        if (!(Field == Value)) {
            Field = Value;
            Changed();
        }
    }
    TData FData;

private:
    void Changed() {
        ++FVersion;
        if (OnChange)
            OnChange();
    }
    unsigned FVersion = 0;
};

class TPen : public TGraphicsTool<TPenData> {
public:
    TColor Color() const { return FData.Color; }
    void SetColor(TColor Value) { Set(FData.Color, Value); }
    int Width() const { return FData.Width; }
    void SetWidth(int Value) { Set(FData.Width, Value < 0 ? 0 : Value); }
    TPenStyle Style() const { return FData.Style; }
    void SetStyle(TPenStyle Value) { Set(FData.Style, Value); }
    TPenMode Mode() const { return FData.Mode; }
    void SetMode(TPenMode Value) { Set(FData.Mode, Value); }
};

class TBrush : public TGraphicsTool<TBrushData> {
public:
    TColor Color() const { return FData.Color; }
    void SetColor(TColor Value) { Set(FData.Color, Value); }
    TBrushStyle Style() const { return FData.Style; }
    void SetStyle(TBrushStyle Value) { Set(FData.Style, Value); }
};

struct TTextMetric {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmCharSet = 0;
};

// Decoration metrics of a font in logical units, positions measured upward from the baseline
// (an underline below the baseline has a negative position).
struct TOutlineTextMetric {
    int tmAscent = 0;
    int otmsUnderscorePosition = 0;
    int otmsUnderscoreSize = 0;
    int otmsStrikeoutPosition = 0;
    int otmsStrikeoutSize = 0;
};

class TCanvas {
public:
    // A canvas drawing on Bitmap (which outlives it; TBitmap owns its canvas). A null bitmap
    // gives a canvas whose target a subclass supplies.
    explicit TCanvas(TBitmap* Bitmap);
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBitmap* Bitmap() const { return FBitmap; }
    // The bitmap drawn on now (nullptr: drawing does nothing).
    virtual TBitmap* TargetBitmap();
    // True when the canvas draws into a pixel buffer that can be reached (TargetBitmap).
    bool HasPixelBuffer() { return TargetBitmap() != nullptr; }
    // Device capabilities (LOGPIXELSX ...); a bitmap canvas answers the screen's resolution
    // and the bitmap's size.
    virtual TDeviceCaps DeviceCaps();
    int GetDeviceCaps(int Index) { return DeviceCaps().Get(Index); }

    // Serialises drawing from several threads on one canvas.
    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }

    // Tools.
    TPen& Pen() { return FPen; }
    TBrush& Brush() { return FBrush; }
    TFont& Font() { return FFont; }
    const TPen& Pen() const { return FPen; }
    const TBrush& Brush() const { return FBrush; }
    const TFont& Font() const { return FFont; }
    uint32_t CopyMode() const { return FCopyMode; }
    void SetCopyMode(uint32_t Rop) { FCopyMode = Rop; }
    TPoint PenPos() const { return FState.Position; }
    void SetPenPos(const TPoint& P) { MoveTo(P.x, P.y); }

    // Mapping.
    int GetMapMode() const { return FState.MapMode; }
    int SetMapMode(int Mode);
    TPoint GetWindowOrgEx() const { return FState.WindowOrg; }
    TPoint GetViewportOrgEx() const { return FState.ViewportOrg; }
    TSize GetWindowExtEx() const { return FState.WindowExt; }
    TSize GetViewportExtEx() const { return FState.ViewportExt; }
    // Each setter answers the previous value. Extents are ignored in MM_TEXT; extents of 0
    // are refused (answer false, nothing changes).
    TPoint SetWindowOrgEx(int X, int Y);
    TPoint SetViewportOrgEx(int X, int Y);
    TPoint OffsetWindowOrgEx(int Dx, int Dy);
    TPoint OffsetViewportOrgEx(int Dx, int Dy);
    bool SetWindowExtEx(int Cx, int Cy, TSize* Old = nullptr);
    bool SetViewportExtEx(int Cx, int Cy, TSize* Old = nullptr);
    void LPtoDP(TPoint* Points, int Count) const;
    void DPtoLP(TPoint* Points, int Count) const;
    TPoint LPtoDP(TPoint P) const;
    TPoint DPtoLP(TPoint P) const;
    // Logical rectangle to device (corners mapped, normalised), and back.
    TRect LPtoDP(const TRect& R) const;
    TRect DPtoLP(const TRect& R) const;

    // Saved states: SaveDC answers the new depth (1 for the first save); RestoreDC(n) with
    // n > 0 returns to the state saved as n, with n < 0 to the n-th most recent one; both
    // drop the states above it. An index outside the stack answers false.
    int SaveDC();
    bool RestoreDC(int Index);
    int SavedDCCount() const { return static_cast<int>(FSaved.size()); }

    // Device colours and modes.
    TColor GetTextColor();
    TColor SetTextColor(TColor Color);
    TColor GetBkColor();
    TColor SetBkColor(TColor Color);
    int GetBkMode();
    int SetBkMode(int Mode);
    int GetROP2();
    int SetROP2(int Rop2);
    int GetPolyFillMode() const { return FState.PolyFillMode; }
    int SetPolyFillMode(int Mode);
    int GetStretchBltMode() const { return FState.StretchMode; }
    int SetStretchBltMode(int Mode);

    // Clipping. Regions are in device pixels; rectangles given here are logical.
    // SelectClipRgn(nullptr) removes the clip region.
    int SelectClipRgn(const TRegion* Region);
    int ExtSelectClipRgn(const TRegion* Region, int Mode);
    // 1 and a copy of the clip region, or 0 when there is none.
    int GetClipRgn(TRegion& Region) const;
    bool HasClipRgn() const { return FState.Clip.has_value(); }
    int IntersectClipRect(int Left, int Top, int Right, int Bottom);
    int ExcludeClipRect(int Left, int Top, int Right, int Bottom);
    // The logical bounds of the drawable area (the clip region within the target) and its
    // complexity (NULLREGION, SIMPLEREGION, COMPLEXREGION).
    int GetClipBox(TRect& Box);
    TRect ClipRect() {
        TRect r;
        GetClipBox(r);
        return r;
    }
    bool RectVisible(const TRect& R);
    bool PtVisible(int X, int Y);

    // Lines and shapes (logical coordinates).
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const TPoint* Points, int Count);
    void Polyline(const std::vector<TPoint>& Points) {
        Polyline(Points.data(), static_cast<int>(Points.size()));
    }
    void PolylineTo(const TPoint* Points, int Count);
    void Polygon(const TPoint* Points, int Count);
    void Polygon(const std::vector<TPoint>& Points) {
        Polygon(Points.data(), static_cast<int>(Points.size()));
    }
    void Rectangle(int Left, int Top, int Right, int Bottom);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void Ellipse(int Left, int Top, int Right, int Bottom);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int Left, int Top, int Right, int Bottom, int CornerW, int CornerH);
    // Fills with the brush, whatever the raster operation.
    void FillRect(const TRect& R);
    // A border one logical unit wide drawn with the brush.
    void FrameRect(const TRect& R);
    void InvertRect(const TRect& R);
    void FillRgn(const TRegion& Region);
    // A rectangle of the brush combined with the destination by Rop (PATCOPY, PATINVERT,
    // DSTINVERT, BLACKNESS, WHITENESS).
    void PatBlt(int X, int Y, int Width, int Height, uint32_t Rop);
    TColor GetPixel(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);

    // Blits (logical coordinates on both canvases). Negative sizes mirror.
    void BitBlt(int X, int Y, int Width, int Height, TCanvas& Source, int SX, int SY, uint32_t Rop);
    void StretchBlt(int X, int Y, int Width, int Height, TCanvas& Source, int SX, int SY,
                    int SWidth, int SHeight, uint32_t Rop);
    // Source given in the bitmap's pixels; colours of a 1-bit source follow the text and
    // background colours of this canvas, and its background colour is white.
    void StretchBlt(int X, int Y, int Width, int Height, const TBitmap& Source, int SX, int SY,
                    int SWidth, int SHeight, uint32_t Rop);
    // Copies Source of Canvas into Dest with CopyMode.
    void CopyRect(const TRect& Dest, TCanvas& Canvas, const TRect& Source);
    // The whole bitmap at (X, Y) / stretched over R, with CopyMode. A bitmap marked
    // Transparent leaves its transparent colour out.
    void Draw(int X, int Y, const TBitmap& Bitmap);
    void StretchDraw(const TRect& R, const TBitmap& Bitmap);

    // Text: the reference point is the top-left of the first character cell; Escapement of
    // the font turns the text about it, counter-clockwise in tenths of a degree. With
    // background mode OPAQUE the cells are filled with the background colour first. Text
    // ignores the raster operation.
    void TextOut(int X, int Y, const QString& Text);
    TSize TextExtent(const QString& Text);
    int TextWidth(const QString& Text) { return TextExtent(Text).cx; }
    int TextHeight(const QString& Text) { return TextExtent(Text).cy; }
    void GetTextMetrics(TTextMetric& Metric);
    // Underline and strikeout metrics of the font; false when the face has no outline data.
    bool GetOutlineTextMetrics(TOutlineTextMetric& Metric);
    // ABC width of the first character of Ch (a surrogate pair is one character), measured
    // without hinting at the exact size the mapping gives, in logical units; A + B + C is
    // the rounded advance. In a vertical ("@") face the widths of upright characters run
    // along the column. A glyph without ink has A = B = 0. False when the font has no
    // outline data.
    bool GetCharABCWidths(const QString& Ch, TABC& ABC);
    // The QFont text is drawn with at the current mapping (device pixels).
    QFont DeviceFont();
    // The same face as an outline font at the exact (fractional) device size of the font.
    QRawFont DeviceRawFont();

    // Path bracket: between BeginPath and EndPath, MoveTo, LineTo, Polyline(To), Polygon,
    // Rectangle, Ellipse, RoundRect and TextOut add figures instead of drawing.
    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    bool InPath() const { return FState.PathOpen; }
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    // Combines the path's region (with the poly fill mode) into the clip region.
    int SelectClipPath(int Mode);
    TRegion PathToRegion();
    // The inside of Path (device coordinates) under FillMode, cut to the target's pixels:
    // what lies outside them can never be drawn, and a huge path would cost its whole size.
    TRegion DevicePathToRegion(const QPainterPath& Path, int FillMode);
    // The path in logical coordinates; answers the number of points.
    int GetPath(std::vector<TPoint>& Points, std::vector<uint8_t>& Types) const;
    // The path in device coordinates as a QPainterPath (figures closed as recorded).
    QPainterPath DevicePath() const;

protected:
    // Called before drawing; subclasses may prepare their target here.
    virtual void RequireTarget() {}

private:
    struct TPathData {
        std::vector<TPoint> Points; // device coordinates
        std::vector<uint8_t> Types;
        bool HasFigure() const { return !Points.empty(); }
    };
    struct TDCState {
        int MapMode = MM_TEXT;
        TPoint WindowOrg, ViewportOrg;
        TSize WindowExt{1, 1}, ViewportExt{1, 1};
        TColor TextColor = clBlack;
        TColor BkColor = clWhite;
        int BkMode = OPAQUE;
        int Rop2 = R2_COPYPEN;
        int PolyFillMode = ALTERNATE;
        int StretchMode = BLACKONWHITE;
        std::optional<QRegion> Clip; // device
        TPoint Position;             // logical
        bool PathOpen = false;
        TPathData Path;
        TPenData Pen;
        TBrushData Brush;
        TFontData Font;
    };

    void SyncTools();
    void AdjustIsotropic();
    int MapX(int X) const;
    int MapY(int Y) const;
    int DeviceLengthX(int Length) const;
    int DeviceLengthY(int Length) const;
    QRect DeviceRect(int Left, int Top, int Right, int Bottom) const;
    QRegion EffectiveClip();
    std::unique_ptr<TRasterTarget> Target();
    TRasterPaint PenPaint(const TRasterTarget& T) const;
    TRasterPaint BrushPaint(const TRasterTarget& T, int Rop2) const;
    TRasterPaint BkPaint(const TRasterTarget& T) const;
    bool PenVisible() const;
    bool BrushVisible() const;
    double FillOffset() const;
    int PenDeviceWidth() const;
    const TDashPattern* PenPattern() const;
    void StrokeDevicePolyline(TRasterTarget& T, const std::vector<QPoint>& Points, bool Closed);
    void StrokeDevicePath(const QPainterPath& Path, QImage& Mask, const QRect& Box) const;
    void DrawClosedShape(const QPainterPath& Fill,
                         const std::vector<std::vector<QPoint>>& Outlines);
    void FillRegionWithBrush(const QRegion& Area, int Rop2);
    void AddPathPoint(const TPoint& Device, uint8_t Type);
    void AddPathFigure(const QPainterPath& Device);
    void RecordRectangle(const QRect& R);
    void FinishPathUse();
    void BlitFrom(const QRect& Dest, bool MirrorX, bool MirrorY, const TBitmap& Source,
                  const QRect& SourceRect, TColor SourceBk, uint32_t Rop,
                  std::optional<TColor> ColorKey);
    std::vector<QPoint> DevicePoints(const TPoint* Points, int Count) const;
    double DeviceEmSize();
    double LogicalScaleX() const;
    void TextOutVertical(int X, int Y, const QString& Text);

    TBitmap* FBitmap;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    uint32_t FCopyMode = SRCCOPY;
    TDCState FState;
    std::vector<TDCState> FSaved;
    unsigned FPenSeen = ~0u, FBrushSeen = ~0u, FFontSeen = ~0u;
    struct TRawFontCache {
        TFontData Data;
        double Em = 0;
        QRawFont Font;
    };
    std::optional<TRawFontCache> FRawFont;
    std::recursive_mutex FLock;
};
