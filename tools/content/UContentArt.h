#pragma once
// Our own content, drawn by code: image fonts, decorative line pictures and stamps, so that
// the decorative objects are usable on a fresh machine.
//
//   Data/PicFont/f<set>g<nn>.png   image fonts: set 1 .. FontSetCount, glyph nn 00 .. 63 in
//                                  the glyph alphabet's order (A-Z, a-z, 0-9, !, ?)
//   Data/DecoLine/<name>.png       pictures repeated along decorative lines
//   Data/Stamps/<name>.png         stamp-like pictures
//   Data/SchStyle/<name>.png       schedule styles: light shapes laid under a day's schedule
//                                  text (a marker stroke, a ribbon, a frame, a tag)
//
// Glyphs are a 5 x 7 dot matrix of our own, each dot drawn as a shape of the set's style
// (round dots, tiles, stars); a glyph is as wide as its inked columns. Glyphs, stamps and
// schedule styles are 32-bit with straight alpha on a fully transparent background, so that
// their soft edges blend with whatever lies beneath. Line pictures are 24-bit on the
// program's transparent colour RGB(240, 240, 240), which no ink uses: a decorative line
// draws its picture with transparency switched off and keys that colour out afterwards.

#include <QImage>
#include <QString>
#include <QStringList>

constexpr int FontSetCount = 3;
constexpr int FontGlyphCount = 64;
// Dot pitch and margin of the glyph pictures, in pixels.
constexpr int GlyphPitch = 8;
constexpr int GlyphMargin = 4;
constexpr QRgb ContentBackColor = 0xFFF0F0F0;

// The glyph alphabet in set order.
QString ContentGlyphAlphabet();
// Row Row (0 .. 6) of glyph Glyph's dot matrix: five characters, '#' inked, '.' empty.
QString GlyphMatrixRow(int Glyph, int Row);
// The inked column range [First, Last] of a glyph (the whole width for a blank one).
void GlyphColumns(int Glyph, int& First, int& Last);

// Glyph Glyph (0 .. 63) of set Set (1 .. FontSetCount).
QImage DrawFontGlyph(int Set, int Glyph);
// The decorative line pictures and stamps, by name.
QStringList DecoLineNames();
QImage DrawDecoLine(const QString& Name);
QStringList StampNames();
QImage DrawStamp(const QString& Name);
QStringList ScheduleStyleNames();
QImage DrawScheduleStyle(const QString& Name);

// Every content file, as paths relative to the program folder with '/' separators, in the
// order WriteContent writes them.
QStringList ContentFiles();
// The picture of one of ContentFiles().
QImage DrawContentFile(const QString& RelativePath);
// Writes every content file below Root (creating folders); answers false and sets Error on
// the first failure.
bool WriteContent(const QString& Root, QString& Error);
