#pragma once
// Gradient fills: a multi-colour gradation of one of seven shapes painted into a rectangle.
//
// The shape is always computed on a fixed 128 x 128 grid of ramp indexes (0..1023) in 16.16
// integer arithmetic (circle and cone from precomputed octant tables with eightfold
// symmetry), looked up in a 1024-entry colour ramp, and written into a 128 x 128 24-bit
// bitmap. On screen that bitmap is stretched over the rectangle; on a printer it is linearly
// resampled to the rectangle's logical size and drawn.
//
// Printing draws a page in bands, each band calling the fill with the same arguments. The
// resampled printer bitmap of the last fill is kept (keyed by the grid's pixels and the
// size), so every band after the first only draws its own strip of it, and the bands give
// exactly the pixels of one whole-page render.
//
// Ramp: entry i stands for position (C - 1) x i / 1023 along the C colours, so the first
// entry is exactly the first colour and the last entry exactly the last one. Colour lists
// of any length are used whole. An empty list paints nothing.
//
// Shared bitmaps: fills run on the GUI thread only, one at a time.

#include "UBitmap.h"
#include "UColor.h"
#include "UWinTypes.h"

#include <QObject>
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

class TCanvas;

struct TGradationEnums {
    Q_GADGET
public:
    enum rgGradationKind {
        rgkSimple = 0,
        rgkBoxToRim = 1,
        rgkBoxToCenter = 2,
        rgkCircleToRim = 3,
        rgkCircleToCenter = 4,
        rgkConeClockwise = 5,
        rgkConeCounterClockwise = 6
    };
    Q_ENUM(rgGradationKind)
    enum rgGradationDir {
        rgdLeftToRight = 0,
        rgdRightToLeft = 1,
        rgdTopToBottom = 2,
        rgdBottomToTop = 3,
        rgdLeftTopToRightBottom = 4,
        rgdRightTopToLeftBottom = 5,
        rgdRightBottomToLeftTop = 6,
        rgdLeftBottomToRightTop = 7,
        rgdCenterToRim = 8,
        rgdRimToCenter = 9
    };
    Q_ENUM(rgGradationDir)
};
using rgGradationKind = TGradationEnums::rgGradationKind;
using rgGradationDir = TGradationEnums::rgGradationDir;
using enum TGradationEnums::rgGradationKind;
using enum TGradationEnums::rgGradationDir;

// The angle of a direction (0 for the two centre/rim directions).
int DirToAngle(rgGradationDir Dir);
// rgkBoxToRim: rgdCenterToRim; rgkBoxToCenter: rgdRimToCenter; rgkSimple with one of the
// eight angles exactly: its direction; anything else: rgdLeftToRight.
rgGradationDir KindAngleToDir(rgGradationKind Kind, int Angle);

constexpr int GradGridSize = 128;
constexpr int GradRampSize = 1024;

// One gradient computation (one instance per fill call).
class TGradFill {
public:
    virtual ~TGradFill() = default;

    // Resizes the list to N colours (plus the spare slot); negative or unchanged N does
    // nothing.
    void SetColorCount(int N);
    // Grows the list to I + 1 colours when I is past the end; negative I is ignored.
    void SetColor(int I, TColor C);
    int ColorCount() const { return FCount; }
    // How many times the list runs along the ramp (values below 1 count as 1); the ramp is
    // the same as for the list written out that many times, without building that list.
    void SetRepeatCount(int R) { FRepeat = std::max(R, 1); }
    int RepeatCount() const { return FRepeat; }
    void SetReversed(bool Value) { FReversed = Value; }
    // Degrees, brought into 0..360 (360 stays 360).
    void SetAngle(int Angle);
    int Angle() const { return FAngle; }

    // BuildGrid, BuildRamp, then the grid bitmap (128 x 128, 24 bits).
    void Render(TBitmap& GridBitmap);

    // 0 when V <= Lo, 1023 when V >= Hi, else Min(MulDiv(V - Lo, 1024, Hi - Lo), 1023).
    static int MapToRamp(int V, int Lo, int Hi);

    using TGrid = std::array<uint16_t, GradGridSize * GradGridSize>;
    const TGrid& Grid() const { return FGrid; }
    // Ramp entry I as 0x00BBGGRR.
    TColor RampColor(int I) const;

protected:
    // The length of the colour sequence the ramp runs through: the list repeated.
    virtual int64_t RampLength() const { return static_cast<int64_t>(FCount) * FRepeat; }
    // Entry K of that sequence: colour K mod the list's length; 0 past its end.
    TColor RampEntry(int64_t K) const {
        return K < RampLength() && FCount > 0 ? FColors[static_cast<size_t>(K % FCount)] : 0;
    }
    void BuildRamp();
    virtual void BuildGrid() = 0;
    void SetCell(int X, int Y, int Index) {
        FGrid[Y * GradGridSize + X] = static_cast<uint16_t>(Index < 0      ? 0
                                                            : Index > 1023 ? 1023
                                                                           : Index);
    }

    std::vector<TColor> FColors{0}; // count + 1 entries; the last is the spare slot
    int FCount = 0;
    int FRepeat = 1;
    bool FReversed = false;
    int FAngle = 0;
    TGrid FGrid{};
    std::array<uint8_t, GradRampSize * 3> FRamp{};
};

// Linear (rgkSimple).
class TGradFillAngled : public TGradFill {
protected:
    void BuildGrid() override;
};

// Box: 0 at the centre, 1023 on the rim of a square turned by the angle.
class TGradFillDiamond : public TGradFill {
protected:
    void BuildGrid() override;
};

// Circle (the angle is not used).
class TGradFillCircle : public TGradFill {
protected:
    void BuildGrid() override;
};

// Cone: the first colour is repeated at the end so that the cone closes without a seam.
class TGradFillCone : public TGradFill {
public:
    // Also sets the cone offset (the angle in radians x 4096, rounded).
    void SetConeAngle(int Angle);

protected:
    // One entry more: the sequence ends with its first colour again.
    int64_t RampLength() const override { return FCount > 0 ? TGradFill::RampLength() + 1 : 0; }
    void BuildGrid() override;

private:
    int FOffset = 0;
};

// Computes the 128 x 128 gradation bitmap of the first Count colours, the list running
// Repeat times (an empty list leaves Bitmap empty).
void RenderGradation(TBitmap& Bitmap, const TColor* Colors, int Count, int Angle,
                     rgGradationKind Kind, int Repeat = 1);

// Paints Rect with the gradation of the first Count entries of Colors, the list running Repeat
// times; with Invert the colours are combined with the canvas by XOR. Nothing happens for
// Count <= 0 or an empty rectangle. The canvas's copy mode is the same afterwards.
void GradFill(TCanvas& Canvas, const TRect& Rect, const TColor* Colors, int Count, bool Invert,
              int Angle, rgGradationKind Kind, int Repeat = 1);
