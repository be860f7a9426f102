#pragma once
// Palettes: RIFF palette files, the shared default and grey palettes, identity palettes, and
// conversions between palettes and DIB colour tables. A palette here is a plain list of at
// most 256 entries; selecting and realising palettes has no counterpart and is not needed.

#include "UBitmap.h"
#include "UStreams.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    friend constexpr bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};
using TPalette = std::vector<TPaletteEntry>;

constexpr int MaxPaletteEntries = 256;

// Reads a RIFF palette ("RIFF", size, "PAL data", chunk size n, then a LOGPALETTE: version,
// count, count x (red, green, blue, flags)). Answers nullopt, without raising, for anything
// else: wrong tags, a chunk larger than 1028 bytes (256 entries), a count above 256 or one
// that the chunk cannot hold, or a stream that ends early.
std::optional<TPalette> ReadRIFFPalette(TStream& Stream);
// The RIFF palette stored as the program's resource Type/Name (the Qt resource
// ":/<Type>/<Name>"); nullopt when there is none or it is not a palette.
std::optional<TPalette> LoadResourcePalette(const QString& Name, const QString& Type);

// The 20 static colours of the display (black, dark red ... light grey, the two pastel
// greens and blues, cream, greys ... white), 10 at each end.
const TPalette& SystemPaletteColors();
// Our halftone palette: the 6 x 6 x 6 colour cube (levels 0, 51, ..., 255) followed by 40
// greys round(i * 255 / 41), i = 1..40.
TPalette HalftonePalette();

// The program's default palette: the "DefaultPalette" resource, or else the halftone
// palette, made into a 256-entry identity palette. Built once, shared, never changed.
const TPalette& GetDefaultPalette();
// 256 greys, entry i = (i, i, i).
const TPalette& GetGrayPalette();

// Rebuilds P with Count entries: the system colours (black and white only, or the 20 static
// colours) split over both ends, and between them P's own colours in order, each colour
// once, then fillers (0, 0, b) for b = 1, 2, ... until Count are collected.
void MakeIdentityPalette(TPalette& P, bool BlackAndWhiteOnly, int Count);

// Up to 256 entries of Palette as colour-table entries; answers their count (0 for no
// palette).
int PaletteToColorTable(const TPalette* Palette, std::vector<TRGBQuad>& Table);
// A palette from Count colour-table entries (flags 0); at most 256 are taken.
TPalette ColorTableToPalette(const TRGBQuad* Table, int Count);
