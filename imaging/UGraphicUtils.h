#pragma once
// Routines for pictures: drawing a graphic with the canvases locked, choosing the JPEG decode
// scale for a target size, rendering a picture into a bitmap or a JPEG image, shrinking by
// area averaging, and off-screen bitmaps standing in for the visible part of a mapped canvas.

#include "UGraphic.h"
#include "UJPEG.h"

#include <memory>
#include <vector>

class TPictureEx;

// ---------------------------------------------------------------------------------------
// Picture state

// Sets the graphic's transparency (for a bitmap graphic its transparent colour first)
// without announcing a change of the picture; nothing for an empty picture.
void SetPictureTransparent(TPictureEx& Picture, bool Transparent, TColor Color);
// True when Picture is null or has no graphic, or its graphic is empty.
bool IsPictureEmpty(const TPictureEx* Picture);

// Draws Graphic into a 24-bit bitmap of its own size (white behind transparent parts) and
// reduces that into Dest, whose size the caller has set and which becomes 24 bits, by
// averaging the source area of every destination pixel (a box filter; when Dest is larger
// each of its pixels takes at least one source pixel).
void ShrinkGraphicToBitmap(const TGraphic& Graphic, TBitmap& Dest);

// ---------------------------------------------------------------------------------------
// Locked drawing

// Locks (unlocks) the canvas of the pixels a bitmap or JPEG graphic draws from; other
// graphics are left alone.
void LockGraphicCanvas(TGraphic& Graphic);
void UnlockGraphicCanvas(TGraphic& Graphic);
// Locks Canvas, then the graphic's canvas, draws, and unlocks both in reverse order.
void LockedStretchDraw(TCanvas& Canvas, const TRect& Rect, TGraphic& Graphic);
// At the graphic's natural size with its top-left at (X, Y).
void LockedDraw(TCanvas& Canvas, int X, int Y, TGraphic& Graphic);
// Draws SourceRect (the bitmap's pixels) of Bitmap stretched over DestRect (logical units of
// Canvas) with the canvas's copy mode. The whole bitmap as source is a plain StretchDraw
// (which leaves a transparent bitmap's colour out); an empty DestRect or SourceRect draws
// nothing.
void StretchDrawPart(TCanvas& Canvas, const TRect& DestRect, const TBitmap& Bitmap,
                     const TRect& SourceRect);

// The decode scale for an image of ImageWidth x ImageHeight drawn into Width x Height: with F
// the larger side of the image's size fitted into the target (aspect kept) and S the larger
// side of the image, S > 8F gives one eighth, S > 4F a quarter, S > 2F a half, else full size.
TJPEGScale ChooseJPEGScale(int ImageWidth, int ImageHeight, int Width, int Height);
// For a JPEG graphic only: the scale above, best quality with smoothing.
void PrepareJPEGForDraw(TGraphic* Graphic, int Width, int Height);
// For a JPEG graphic only: the scale above, best speed without smoothing.
void PrepareJPEGForFastDraw(TGraphic* Graphic, int Width, int Height);

// ---------------------------------------------------------------------------------------
// Rendering

// Draws Picture onto the whole of Bitmap (whose size the caller has set): a graphic that is
// not a bitmap is stretched over it; a bitmap graphic is reduced into it by area averaging,
// after being drawn over BackColor with TransparentColor left out when TransparentColor is
// not clNone (-1 switches the picture's transparency off instead; the picture keeps the
// setting). FastJPEG decodes a JPEG image for speed at the scale the bitmap needs. An empty
// picture draws nothing.
void RenderPictureToBitmap(TPictureEx& Picture, TBitmap& Bitmap, TColor TransparentColor,
                           bool FastJPEG, TColor BackColor);
// Renders Picture into a new white 24-bit bitmap of Width x Height, assigns it to JPEG and
// compresses it.
void RenderPictureToJPEG(TPictureEx& Picture, TSafetyJPEGImage& JPEG, int Width, bool FastJPEG,
                         TColor BackColor, TColor TransparentColor, int Height);

// A bitmap for the part of Rect (logical units of Canvas) that is visible on Canvas (its clip
// box grown by Margin on every side), in device pixels, with Canvas's mapping moved so that
// the canvas's logical coordinates can be drawn on it unchanged and its font at the canvas
// font's resolution. CopyContents copies the canvas's pixels of that part into it; Palette
// (optional) gives indexed formats their colour table.
std::unique_ptr<TBitmap> CreateOffscreenBitmap(TCanvas& Canvas, const TRect& Rect,
                                               TPixelFormat PixelFormat, int Margin,
                                               bool CopyContents,
                                               const std::vector<TRGBQuad>* Palette = nullptr);
