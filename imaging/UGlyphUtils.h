#pragma once
// The character layer under the text engine: the widths of the characters of a line, where
// each character stands for an alignment, drawing a laid-out line straight, rotated or
// around a circle, rotated and vertical ("@") fonts, the usable font faces, underline and
// strikeout bars, and fitting rectangles against regions. All sizes are logical units of the
// canvas passed in; text output goes through TCanvas::TextOut one character at a time with
// the top-left of the character cell as its reference point.
//
// A character is one Unicode character of the line (a surrogate pair is one character); in
// the stored CP932 bytes it is one or two bytes (CharByteCount).

#include "UCanvas.h"
#include "UFont.h"
#include "URegion.h"
#include "UStringList.h"
#include "UWinTypes.h"

#include <QString>
#include <QStringList>
#include <vector>

class TStroke;

using TABCArray = std::vector<TABC>;
using TIntArray = std::vector<int>;

// One laid-out line.
struct TCharLayout {
    TABCArray ABCs;      // one per character
    TIntArray Positions; // cell origin of each character from the line start
    int Left = 0;        // ink extent of the aligned line
    int Right = 0;
    int Height = 0; // text metric height of the font
    QString Text;
};

// Underline offset from the top of the character cell and its thickness, strikeout offset
// and thickness.
struct TDecorationMetrics {
    int UnderlineOffset = 0;
    int UnderlineSize = 0;
    int StrikeoutOffset = 0;
    int StrikeoutSize = 0;
    friend bool operator==(const TDecorationMetrics&, const TDecorationMetrics&) = default;
};

// Alignments of a line.
constexpr int AlignLeft = 0;
constexpr int AlignCenter = 1;
constexpr int AlignRight = 2;
constexpr int AlignJustify = 3;

// 2 when Ch is a lead byte of a double-byte CP932 character, else 1.
int CharByteCount(uint8_t Ch);
// The characters of S, one string each (a surrogate pair stays together).
QStringList SplitChars(const QString& S);

// ABC width of the character Ch. A tab gets B = the width of "0" and nothing else. Falls back
// to the text extent when the font has no outline data.
void GetCharABC(TCanvas& Canvas, const QString& Ch, TABC& ABC);
// ABC widths of every character of S; a tab at character index i gets 8 - (i mod 8) times
// the width of "0", so tabs stop every eight character cells.
TABCArray GetABCArray(TCanvas& Canvas, const QString& S);

// Cell positions of the characters for an alignment (0 left, 1 centre, 2 right, 3 justify;
// any other value as centre). Extent receives the ink Left (x) and Right (y) of the aligned
// line. Justify ignores Spacing and spreads the free width between the characters so that the
// last character's ink ends at Width.
void AlignABCWidths(TIntArray& Positions, const TABCArray& ABCs, int Width, TPoint& Extent,
                    int Spacing, int Align);
// The same from plain advance widths.
void AlignCharWidths(TIntArray& Positions, const TIntArray& Widths, int Width, int Spacing,
                     int Align);

// Fills Layout for S with the canvas's current font and answers its Height.
int MakeCharLayout(TCanvas& Canvas, TCharLayout& Layout, const QString& S, int Spacing, int Align,
                   int Width);
// Recomputes Positions, Left and Right from the stored widths.
void RealignCharLayout(TCharLayout& Layout, int Width, int Align, int Spacing);
// Moves every position and the extent by Delta.
void ShiftCharLayout(TCharLayout& Layout, int Delta);

TRect LineRectHorz(const TRect& Origin, const TCharLayout& Layout);
TRect LineRectVert(const TRect& Origin, const TCharLayout& Layout);

// Each character at (R.Left + position, R.Top), or for a column at (R.Right, R.Top +
// position) with a vertical font; tabs are not drawn.
void DrawLayoutHorz(TCanvas& Canvas, const TRect& R, const TCharLayout& Layout);
void DrawLayoutVert(TCanvas& Canvas, const TRect& R, const TCharLayout& Layout);
// The line centred on Center along a direction of AngleDeg degrees (clockwise on a y-down
// canvas). The canvas font must carry the matching escapement already.
void DrawRotatedLine(TCanvas& Canvas, const TCharLayout& Layout, double AngleDeg,
                     const TPoint& Center);
// The characters placed one by one around the circle inside CircleRect, starting at
// StartAngle (radians) and spreading over Span. The line runs on the circle through the
// middle of the characters; a line whose inner radius (outer radius minus its height) is not
// positive is not drawn.
void DrawTextOnCircle(TCanvas& Canvas, const TRect& CircleRect, const TCharLayout& Layout,
                      bool Clockwise, bool Vertical, double Span, double StartAngle);

// Sets escapement and orientation to -Angle10 (tenths of a degree).
void SetRotatedFont(TFont& Font, int Angle10);
// The "@" form of the face when it is installed (else the plain face, turned) at escapement
// 2700 - Angle10.
void SetVerticalFont(TFont& Font, int Angle10);

void GetDecorationMetrics(TCanvas& Canvas, TDecorationMetrics& M);
// Appends the underline and strikeout bars of Style for the line as 4-point figures.
void AddDecorationRectsHorz(TStroke& Stroke, const TRect& Origin, const TCharLayout& Layout,
                            TFont::TFontStyles Style, const TDecorationMetrics& M);
void AddDecorationRectsVert(TStroke& Stroke, const TRect& Origin, const TCharLayout& Layout,
                            TFont::TFontStyles Style, const TDecorationMetrics& M);
// Fills every run of 4 points as a polygon in the font colour (width-0 pen), leaving the
// canvas state as it was.
void FillStrokeQuads(TCanvas& Canvas, const TStroke& Stroke);
void DrawDecorationsHorz(TCanvas& Canvas, const TRect& Origin, const TCharLayout& Layout,
                         TFont::TFontStyles Style, const TDecorationMetrics& M);
void DrawDecorationsVert(TCanvas& Canvas, const TRect& Origin, const TCharLayout& Layout,
                         TFont::TFontStyles Style, const TDecorationMetrics& M);

// The seven face names tried in turn when a face is unusable.
const QStringList& DefaultFontNames();
// Usable faces are installed outline faces without "@"; vertical faces begin with "@" (a
// stored "@" name is not unusable); all others are unusable. A name not seen before is
// looked up among the installed faces.
bool IsUnusableFont(const QString& Name);
bool IsVerticalFont(const QString& Name);
// Replaces an unusable face name of the canvas font by the first usable default name and
// sets the character set to the face's own.
void FixFontName(TCanvas& Canvas);
int GetFontCharSet(const QString& Name);
void GetUsableFontNames(TStringList& Strings);
// Rebuilds the face lists from the installed faces (start-up, tests).
void BuildFontLists();

// Rect moved so that its left (right, top, bottom) side lies on the innermost edge of Rgn
// met by one-unit strips swept across Rect; Rect itself when the region is empty or no
// strip meets it.
TRect FitRectToRgnLeft(const TRegion& Rgn, const TRect& Rect);
TRect FitRectToRgnRight(const TRegion& Rgn, const TRect& Rect);
TRect FitRectToRgnTop(const TRegion& Rgn, const TRect& Rect);
TRect FitRectToRgnBottom(const TRegion& Rgn, const TRect& Rect);
