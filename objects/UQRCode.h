#pragma once
// TQRCode: a QR Code symbol (model 2, versions 1 to 40, error correction levels L, M, Q and
// H) built from a byte string and kept as a 24-bit bitmap with one pixel per module and a
// quiet zone of Margin modules (at most MaxQRMargin drawn).
//
// The data is one segment in numeric ("0"), alphanumeric ("A") or 8-bit byte ("8") mode,
// chosen from the bytes unless a mode is forced. The version is the smallest that holds the
// data unless one is fixed; the mask is chosen by this system's penalty score (lower wins,
// ties keep the lower number) unless one is fixed. Codewords, Reed-Solomon blocks, module
// placement, masks and format/version information follow ISO/IEC 18004.
//
// Data that cannot be encoded is refused: data too long for the version (or for version 40),
// or non-digits in forced numeric mode. The symbol bitmap is then empty and Status() says
// why; the symbol is never drawn half-built.
//
// Setters ignore values they do not accept and mark the symbol dirty only on a change;
// Encode rebuilds a dirty symbol. User-interface thread only (one object per thread).

#include "UPersistent.h"
#include "USafetyBitmap.h"
#include "UStreams.h"
#include "UWinTypes.h"

#include <algorithm>
#include <cstdint>
#include <vector>

class TCanvas;

// The widest quiet zone drawn, in modules (the most the QR dialog offers). A larger margin
// from a stream would only shrink the symbol to nothing while costing a huge bitmap.
constexpr int MaxQRMargin = 20;

enum class TQRStatus {
    Ok,
    TooLong,     // the data does not fit the fixed version, or any version
    InvalidData, // forced numeric mode with a byte other than a digit
};

class TQRCode : public TPersistent {
    Q_OBJECT
public:
    TQRCode();

    // The data bytes. Writers empty or rewrite it and then call RequestEncode.
    TMemoryStream& Data() { return FData; }
    const TMemoryStream& Data() const { return FData; }

    // "0", "A" or "8"; with AutoEncodeMode the mode chosen for the current data.
    char GetEncodeMode();
    void SetEncodeMode(char Value);
    bool GetAutoEncodeMode() const { return FAutoEncodeMode; }
    void SetAutoEncodeMode(bool Value);
    // 1..40; with AutoVersion the smallest version that holds the current data (0 when none
    // does).
    int GetVersion();
    void SetVersion(int Value);
    bool GetAutoVersion() const { return FAutoVersion; }
    void SetAutoVersion(bool Value);
    // 0..7; after an automatic choice the chosen mask.
    int GetMaskNumber() const { return FMaskNumber; }
    void SetMaskNumber(int Value);
    bool GetAutoMask() const { return FAutoMask; }
    void SetAutoMask(bool Value);
    // "L", "M", "Q" or "H".
    char GetErrorCorrectLevel() const { return FLevel; }
    void SetErrorCorrectLevel(char Value);
    // Quiet zone in modules, 0 or more, kept as set (stored documents write it back as read).
    int GetMargin() const { return FMargin; }
    void SetMargin(int Value);
    // The quiet zone the symbol is drawn with: the margin, at most MaxQRMargin modules.
    int DrawnMargin() const { return std::min(FMargin, MaxQRMargin); }
    bool Dirty() const { return FDirty; }

    // Marks the symbol dirty unconditionally (after the data was rewritten).
    void RequestEncode() { FDirty = true; }
    // When dirty: encodes and renders, then clears dirty.
    void Encode();
    // Encode, then the symbol stretched into Rect (nearest neighbour). A refused symbol draws
    // nothing.
    void Draw(TCanvas& Canvas, const TRect& Rect);

    // The result of the last encoding.
    TQRStatus Status() const { return FStatus; }
    // The rendered symbol; empty when refused.
    const TSafetyBitmap& Symbol() const { return FSymbol; }
    TSafetyBitmap& Symbol() { return FSymbol; }
    // Modules per side of the last symbol (0 when refused).
    int SymbolSize() const { return FSize; }
    // Module (X, Y) of the last symbol: dark, and part of a function pattern (finders,
    // separators, timing, alignment, format and version information, the dark module).
    bool IsDark(int X, int Y) const { return FModules[Y * FSize + X] & 1; }
    bool IsFunction(int X, int Y) const { return FModules[Y * FSize + X] & 2; }

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    // Reads Data into FBytes.
    void LoadBytes();
    void EncodeNow();

    TMemoryStream FData;
    QByteArray FBytes;
    char FEncodeMode = '8';
    bool FAutoEncodeMode = true;
    int FVersion = 0;
    bool FAutoVersion = true;
    int FMaskNumber = 0;
    bool FAutoMask = true;
    char FLevel = 'M';
    int FMargin = 4;
    bool FDirty = true;
    TQRStatus FStatus = TQRStatus::Ok;
    int FSize = 0;
    // One byte per module: bit 0 dark, bit 1 function pattern.
    std::vector<uint8_t> FModules;
    TSafetyBitmap FSymbol;
};

// Tables and steps of the encoding, for the tests and the benchmark.

// Level index: L 0, M 1, Q 2, H 3; -1 for anything else.
int QRLevelIndex(char Level);
// Data bits (data codewords times 8) of Version at level index Level.
int QRDataBits(int Version, int Level);
// Total codewords of Version.
int QRTotalCodewords(int Version);
// The alignment-pattern centre coordinates of Version, ascending (empty for version 1).
std::vector<int> QRAlignmentCenters(int Version);
// The mode chosen for Bytes: "8" when empty or any byte is neither a digit nor an
// alphanumeric character below 96, else "A" when any is not a digit, else "0".
char QRChooseMode(const QByteArray& Bytes);
// The 18-bit version information of Version (7..40) and the 15-bit format information
// (mask applied) of a level index and mask.
int QRVersionInfo(int Version);
int QRFormatInfo(int Level, int Mask);
// This system's mask score of a module matrix (Size x Size, bit 0 dark, bit 1 function).
int QRMaskScore(const std::vector<uint8_t>& Modules, int Size);
