#pragma once
// The alpha mask: a fill (FillColor) laid over what lies beneath it, with the opacity taken
// from a grey picture: where the picture is white the fill covers, where it is black the
// fill vanishes, and ShadeSize softens the edges.
//
// Plain painting fills the bounds with FillColor. Once it has a picture the object always
// asks to be drawn blended (UBlendDraw.h), and the blend mask is the picture in grey:
// bordered by ShadeSize pixels of black on each side, blurred with a Gaussian of that
// radius, turned by Angle and stretched over the bounds. Without a picture the mask covers
// the whole object, so a ratio other than 100 or a shade blends the plain fill.
//
// ShadeSize is kept as stored (files round-trip unchanged) but drawn as at least 0 and at
// most what keeps the grey bitmap within 32767 pixels a side. A bitmap that cannot be had
// makes the paint fail, and the object shows the failed-paint box.
//
// Units: the rectangle in logical units (0.1 mm); ShadeSize in pixels of the picture; Angle
// in whole degrees, clockwise.

#include "UColorFill.h"
#include "UDrawObject.h"
#include "UPictureEx.h"
#include "UTransformer.h"

#include <memory>

class TLOAlphaMask : public TLORectBase, public IDORotate, public IDOBlend, public IDOShadow {
    Q_OBJECT
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(TColorSpec* FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(TPictureEx* Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(int ShadeSize READ ShadeSize WRITE SetShadeSize)
    Q_CLASSINFO("Default:Angle", "0")
    Q_CLASSINFO("Default:ShadeSize", "0")
public:
    Q_INVOKABLE explicit TLOAlphaMask(TComponent* Owner = nullptr);
    ~TLOAlphaMask() override;

    int GetAngle() const override { return FRotator.GetAngle(); }
    // Stores Value normalised to 0 .. 359.
    void SetAngle(int Value) override;
    TColorSpec* FillColor() const { return FFillColor.get(); }
    // Copies Value.
    void SetFillColor(TColorSpec* Value) { FFillColor->Assign(Value); }
    TPictureEx* Picture() const { return FPicture.get(); }
    // Copies Value.
    void SetPicture(TPictureEx* Value) { FPicture->Assign(Value); }
    int ShadeSize() const { return FShadeSize; }
    void SetShadeSize(int Value);
    // ShadeSize as drawn: at least 0, and small enough that the bordered picture stays
    // within 32767 pixels a side.
    int RenderShadeSize() const;

    // The size the object takes for Picture: on a surface the picture's shape fitted into a
    // square of the larger current side; elsewhere 300 x 200 for an empty picture, else its
    // pixel size read at 180 dpi (at least 30 each way).
    TSize CalcImageSize(const TPictureEx& Picture) const;
    // Width and Height from CalcImageSize of Picture.
    void FitToImage();

    // IDOBlend: the label object's BlendRatio and BlendShade.
    void SetShade(bool Value) override { SetBlendShade(Value); }
    bool GetShade() const override { return BlendShade(); }
    void SetRatio(int Value) override { SetBlendRatio(Value); }
    int GetRatio() const override { return BlendRatio(); }
    // IDOShadow: the fill stands for the shadow colour; the shadow switch is always off.
    TColorSpec* GetShadowColor() const override { return FFillColor.get(); }
    void SetShadowColor(const TColorSpec& Value) override { FFillColor->Assign(&Value); }
    bool GetShadow() const override { return false; }
    void SetShadow(bool) override {}

    bool NeedsBlend() override;
    void FillBlendMask(TBitmap& Mask) override;
    // The grey mask before it is stretched over the bounds: 8 bits, grey colour table,
    // turned when Angle is not 0. Empty without a picture.
    TBitmap BuildGreyMask() const;

    void SetBoundsRect(const TRect& R) override;
    TRect GetBoundsRect() const override;
    bool HitTest(const TPoint& P) const override;
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    void ListenerNotify(IInterface* Sender, const TGUID& MsgID) override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    TRotator FRotator;
    std::unique_ptr<TColorSpec> FFillColor;
    std::unique_ptr<TPictureEx> FPicture;
    int FShadeSize = 0;
};
