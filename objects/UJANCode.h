#pragma once
// JAN (EAN-13 and EAN-8) bar codes: the check digit, and TJANCode, which draws a code with
// its digits and an optional frame, turned by an angle, into a rectangle of a canvas.
//
// The module grid: 81 modules for 8 digits (7 light, 67 symbol, 7 light), 109 for 13 digits
// (7 light holding the leading digit, 95 symbol, 7 light); module i spans Left +
// MulDiv(i, W, count) to Left + MulDiv(i + 1, W, count). Bars are always black; the digits
// take the canvas font. A code that is not 8 or 13 digits draws nothing.

#include "UPersistent.h"
#include "UTransformer.h"
#include "UWinTypes.h"

#include <QString>

class TCanvas;

// The check digit of the first 7 characters (codes shorter than 9) or the first 12; -1 for
// fewer than 7 characters, 9 to 11 characters, or a non-digit among those used.
int CalcJANCheckDigit(const QString& Code);
// Length 8 or 13, all digits, and the last one equal to the computed check digit.
bool IsValidJANCode(const QString& Code);
// For 7, 8, 12 or 13 characters: the first 7 (or 12) followed by the computed check digit;
// empty for other lengths and for non-digits.
QString CompleteJANCode(const QString& Code);

class TJANCode : public TPersistent {
    Q_OBJECT
public:
    TJANCode() = default;

    // Draws Code into Rect (logical units of Canvas) turned by Angle degrees about its
    // centre.
    void Draw(TCanvas& Canvas, const QString& Code, const TRect& Rect, bool ShowFrame,
              bool ShowNumber, int Angle);

private:
    // Bars of Pattern ("0"/"1" per module) from module Start; Short bars stop above the digits.
    void DrawPattern(const QString& Pattern, int Start, bool Guard);
    void DrawDigit(QChar Digit, int Module);
    void FillRect(int L, int T, int R, int B);
    int ModuleX(int I) const;

    TCanvas* FCanvas = nullptr;
    TRotator FRotator;
    int FLeft = 0, FTop = 0, FRight = 0, FBottom = 0;
    int FModuleCount = 0;
    bool FShowNumber = false;
    int FTextHeight = 0;
};

// Creates a TJANCode, draws and frees it.
void DrawJANCode(TCanvas& Canvas, const QString& Code, const TRect& Rect, bool ShowFrame,
                 bool ShowNumber, int Angle);
