#pragma once
// Colour fills: how an area is painted. A TColorSpec is a solid colour with a
// brush style, a picture (stretched, or tiled with an optional brick shift of every second
// row) with its filters, or a multi-colour gradation (UGradFill.h) whose colour list is a
// TGradationColors. Every change, including one of the nested picture, filters or colour
// list, is broadcast through the fill's notifier and reaches its OnChange.
//
// Stream form (property streams): Color, Style, Tile, Kind (the effective kind),
// TileShift, ImageData (nested), GradAngle (default 270), GradKind, GradColors (nested:
// RepeatCount, default 1, and the binary "Colors": Int32 count N, then N Int32 colours,
// written only when the list is not exactly white, black). GradDir, GradColNum and
// GradColor0..7 are never written; older streams may carry them.

#include "UCanvas.h"
#include "UComponent.h"
#include "UGradFill.h"
#include "UImageData.h"
#include "UNotify.h"
#include "UPersistent.h"

#include "UException.h"

#include <functional>
#include <memory>
#include <vector>

// Reading a colour of a gradation list outside its bounds.
VANTOMI_DECLARE_EXCEPTION(ERangeError, Exception)

struct TColorSpecEnums {
    Q_GADGET
public:
    enum TColorSpecKind { cskSolid = 0, cskBitmap = 1, cskGradation = 2 };
    Q_ENUM(TColorSpecKind)
    // The brush styles as stream identifiers (values as TBrushStyle).
    enum TStreamBrushStyle {
        bsSolid = ::bsSolid,
        bsClear = ::bsClear,
        bsHorizontal = ::bsHorizontal,
        bsVertical = ::bsVertical,
        bsFDiagonal = ::bsFDiagonal,
        bsBDiagonal = ::bsBDiagonal,
        bsCross = ::bsCross,
        bsDiagCross = ::bsDiagCross
    };
    Q_ENUM(TStreamBrushStyle)
};
using TColorSpecKind = TColorSpecEnums::TColorSpecKind;
using enum TColorSpecEnums::TColorSpecKind;

// The most colours a gradation list holds and the most times it repeats. The ramp has 1024
// entries, so longer lists or more repeats add nothing a fill could show; counts beyond these
// come only from damaged streams.
constexpr int MaxGradColors = GradRampSize;
constexpr int MaxGradRepeat = GradRampSize;

class TGradationColors : public TPersistent, public virtual IInterface {
    Q_OBJECT
    Q_PROPERTY(int RepeatCount READ RepeatCount WRITE SetRepeatCount)
    Q_CLASSINFO("Default:RepeatCount", "1")
public:
    TGradationColors();
    ~TGradationColors() override;

    int Count() const { return static_cast<int>(FColors.size()); }
    // A different non-negative length resizes (new entries 0) and signals a change; lengths
    // beyond MaxGradColors count as MaxGradColors.
    void SetCount(int Value);
    // Raises ERangeError outside 0..Count-1.
    TColor Color(int Index) const;
    void SetColor(int Index, TColor Value);
    const std::vector<TColor>& Colors() const { return FColors; }
    int RepeatCount() const { return FRepeatCount; }
    // Brought into 1..MaxGradRepeat.
    void SetRepeatCount(int Value);
    // Reverses the list in one change.
    void Reverse();
    // Count x RepeatCount colours, entry i = Color[i mod Count]; empty when Count is 0.
    // Painting does not need it: the gradation runs through the repeats itself.
    std::vector<TColor> GetExpandedColors() const;
    bool IsDefaultList() const;

    // Another TGradationColors: in one update of this list.
    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // The "Colors" data. Reading refuses a count below 0, beyond MaxGradColors or beyond the
    // bytes present (EReadError) and leaves the list unchanged then.
    void ReadColors(TStream& Stream);
    void WriteColors(TStream& Stream) const;

    TChangeNotify& Notifier() { return FNotify; }
    bool QueryInterface(const TGUID& Id, void** Obj) override;

private:
    std::vector<TColor> FColors{clWhite, clBlack};
    int FRepeatCount = 1;
    TChangeNotify FNotify;
};

class TColorSpec;

// The "Bitmap" property older streams carry: its binary "Data" (a 32-bit count and a BMP
// file) becomes the fill's picture when read. Nothing is ever written.
class TColorSpecBitmap : public TPersistent {
    Q_OBJECT
public:
    explicit TColorSpecBitmap(TColorSpec* Owner = nullptr) : FOwner(Owner) {}
    void DefineProperties(TFiler& Filer) override;

private:
    TColorSpec* FOwner;
};

class TColorSpec : public TPersistent, public virtual IInterface {
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TColorSpecEnums::TStreamBrushStyle Style READ StreamStyle WRITE SetStreamStyle)
    Q_PROPERTY(TColorSpecBitmap* Bitmap READ BitmapProperty WRITE SetBitmapProperty STORED false)
    Q_PROPERTY(bool Tile READ Tile WRITE SetTile)
    Q_PROPERTY(TColorSpecEnums::TColorSpecKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(bool TileShift READ TileShift WRITE SetTileShift)
    Q_PROPERTY(TImageData* ImageData READ ImageData WRITE SetImageData)
    Q_PROPERTY(int GradAngle READ GradAngle WRITE SetGradAngle)
    Q_PROPERTY(TGradationEnums::rgGradationKind GradKind READ GradKind WRITE SetGradKind)
    Q_PROPERTY(TGradationColors* GradColors READ GradColors WRITE SetGradColors)
    Q_PROPERTY(TGradationEnums::rgGradationDir GradDir READ GradDir WRITE SetGradDir STORED false)
    Q_PROPERTY(int GradColNum READ GradColNum WRITE SetGradColNum STORED false)
    Q_PROPERTY(TColor GradColor0 READ GradColor0 WRITE SetGradColor0 STORED false)
    Q_PROPERTY(TColor GradColor1 READ GradColor1 WRITE SetGradColor1 STORED false)
    Q_PROPERTY(TColor GradColor2 READ GradColor2 WRITE SetGradColor2 STORED false)
    Q_PROPERTY(TColor GradColor3 READ GradColor3 WRITE SetGradColor3 STORED false)
    Q_PROPERTY(TColor GradColor4 READ GradColor4 WRITE SetGradColor4 STORED false)
    Q_PROPERTY(TColor GradColor5 READ GradColor5 WRITE SetGradColor5 STORED false)
    Q_PROPERTY(TColor GradColor6 READ GradColor6 WRITE SetGradColor6 STORED false)
    Q_PROPERTY(TColor GradColor7 READ GradColor7 WRITE SetGradColor7 STORED false)
    Q_CLASSINFO("Default:Color", "0")
    Q_CLASSINFO("Default:Style", "bsSolid")
    Q_CLASSINFO("Default:Tile", "false")
    Q_CLASSINFO("Default:Kind", "cskSolid")
    Q_CLASSINFO("Default:TileShift", "false")
    Q_CLASSINFO("Default:GradAngle", "270")
    Q_CLASSINFO("Default:GradKind", "rgkSimple")
    Q_CLASSINFO("Ignored", "OnChange")
public:
    TColorSpec();
    ~TColorSpec() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { SetField(FColor, Value); }
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value) { SetField(FStyle, Value); }
    bool Tile() const { return FTile; }
    void SetTile(bool Value) { SetField(FTile, Value); }
    bool TileShift() const { return FTileShift; }
    void SetTileShift(bool Value) { SetField(FTileShift, Value); }
    // The effective kind: cskSolid for a bitmap spec whose picture is empty.
    TColorSpecKind Kind() const;
    TColorSpecKind StoredKind() const { return FKind; }
    void SetKind(TColorSpecKind Value);
    TImageData* ImageData() const { return FImageData.get(); }
    void SetImageData(TImageData* Value) { FImageData->Assign(Value); }
    int GradAngle() const { return FGradAngle; }
    void SetGradAngle(int Value) { SetField(FGradAngle, Value); }
    rgGradationKind GradKind() const { return FGradKind; }
    void SetGradKind(rgGradationKind Value) { SetField(FGradKind, Value); }
    TGradationColors* GradColors() const { return FGradColors.get(); }
    void SetGradColors(TGradationColors* Value) { FGradColors->Assign(Value); }

    rgGradationDir GradDir() const { return KindAngleToDir(FGradKind, FGradAngle); }
    void SetGradDir(rgGradationDir Value);
    int GradColNum() const { return FGradColors->Count(); }
    void SetGradColNum(int Value) { FGradColors->SetCount(Value); }
    // Colour N of the list (ERangeError outside it); setting outside it is ignored.
    TColor GradColorN(int N) const { return FGradColors->Color(N); }
    void SetGradColorN(int N, TColor Value);
#define VANTOMI_GRAD_COLOR(N)                                                                      \
    int GradColor##N() const {                                                                     \
        return GradColorN(N);                                                                      \
    }                                                                                              \
    void SetGradColor##N(int Value) {                                                              \
        SetGradColorN(N, Value);                                                                   \
    }
    VANTOMI_GRAD_COLOR(0)
    VANTOMI_GRAD_COLOR(1)
    VANTOMI_GRAD_COLOR(2)
    VANTOMI_GRAD_COLOR(3)
    VANTOMI_GRAD_COLOR(4)
    VANTOMI_GRAD_COLOR(5)
    VANTOMI_GRAD_COLOR(6)
    VANTOMI_GRAD_COLOR(7)
#undef VANTOMI_GRAD_COLOR

    // The picture as a bitmap (a picture holding another kind of graphic is replaced by an
    // empty bitmap first). Setting: nothing when both are empty, else the picture takes a
    // copy of Bitmap.
    TBitmap GetBitmap();
    void SetBitmap(const TBitmap& Bitmap);

    // Another TColorSpec, in one update: stored kind, colour, style, picture data, tiling;
    // then, when the kind is now a gradation, the gradation's angle, kind and colours.
    void Assign(const TPersistent* Source) override;

    // Paints Rect; the canvas's copy mode, font, pen and brush are the same afterwards.
    void Fill(TCanvas& Canvas, const TRect& Rect);
    // The painting itself; Invert combines with the canvas by XOR.
    void FillEx(TCanvas& Canvas, const TRect& Rect, bool Invert);
    // A solid kind with a solid brush (every colour shows exactly on our devices).
    bool IsPureSolid(TCanvas& Canvas) const;
    // A swatch for editors and the history: checkerboard, then the fill (a tiled picture
    // scaled so that the tiling shows).
    void DrawPreview(TCanvas& Canvas, const TRect& Rect);

    std::function<void(TColorSpec* Sender)> OnChange;
    TChangeNotify& Notifier() {
        return FNotify;
    }
    bool QueryInterface(const TGUID& Id, void** Obj) override;

private:
    TColorSpecEnums::TStreamBrushStyle StreamStyle() const {
        return static_cast<TColorSpecEnums::TStreamBrushStyle>(FStyle);
    }
    void SetStreamStyle(TColorSpecEnums::TStreamBrushStyle Value) {
        SetStyle(static_cast<TBrushStyle>(Value));
    }
    template <class T>
    void SetField(T& Field, const T& Value) {
        if (Field != Value) {
            Field = Value;
            FNotify.Changed();
        }
    }
    TColorSpecBitmap* BitmapProperty() const {
        return FBitmapProperty.get();
    }
    void SetBitmapProperty(TColorSpecBitmap*) {}
    void FillTiled(TCanvas& Canvas, const TRect& Rect, TGraphic& Graphic) const;
    void FillSolid(TCanvas& Canvas, const TRect& Rect, bool Invert) const;

    TColorSpecKind FKind = cskSolid;
    TColor FColor = clBlack;
    TBrushStyle FStyle = bsSolid;
    bool FTile = false;
    bool FTileShift = false;
    std::unique_ptr<TImageData> FImageData;
    rgGradationKind FGradKind = rgkSimple;
    int FGradAngle = 270;
    std::unique_ptr<TGradationColors> FGradColors;
    std::unique_ptr<TColorSpecBitmap> FBitmapProperty;
    TChangeNotify FNotify;
    std::unique_ptr<TListener> FListener;
};

// Streams a colour spec as a component: its one property ColorSpec refers to a spec owned
// elsewhere (reading a stream into the wrapper assigns into that spec).
class TColorSpecWrapper : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TColorSpec* ColorSpec READ ColorSpec WRITE SetColorSpec)
public:
    explicit TColorSpecWrapper(TComponent* Owner = nullptr) : TComponent(Owner) {}
    TColorSpec* ColorSpec() const { return FColorSpec; }
    // Copies Value into the referenced spec (nothing without one).
    void SetColorSpec(TColorSpec* Value) {
        if (FColorSpec && Value && Value != FColorSpec)
            FColorSpec->Assign(Value);
    }
    // Points the wrapper at Spec (which must outlive it).
    void SetReference(TColorSpec* Spec) { FColorSpec = Spec; }

private:
    TColorSpec* FColorSpec = nullptr;
};

// Paints the 8-unit grey and white checkerboard behind previews.
void DrawCheckerboard(TCanvas& Canvas, const TRect& Rect);
