#pragma once
// The background of a label face.
//
// TLOBackImage fills the whole face with a colour fill (colour, picture or gradation),
// optionally mixed with a second colour through a grey picture (light parts of the picture
// let BlendColor show at up to BlendRatio percent), with an optional band of FrameColor
// FrameWidth wide along the face edge; everything is clipped to the face's shape and a disc
// face shows its centre hole in white. A picture fill that is not tiled covers the face
// keeping its aspect (centred, cut by the face).
//
// The face comes from the label document or through IDOFaceInfo; it is not stored with the
// object. The background lies in layer group -100, beneath every other object, and is never
// hit by the mouse.
//
// Stream form: FillColor, FrameColor, FrameWidth (default 0), BlendColor, BlendPicture;
// BlendRatio is the object's own (default 100). Older streams may carry Image (a picture
// that becomes a picture fill), EllipseClip, CenterClip and CenterRadius; they are read,
// never written.
//
// Units: logical units (0.1 mm). User-interface thread only.

#include "UColorFill.h"
#include "UDrawObject.h"
#include "UFaceInfo.h"
#include "UPictureEx.h"

#include <memory>

// The face whose shape clips a face's background.
class IDOFaceInfo : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{94A6E450-4C8C-11D3-AD27-00500463098A}");
    // Copies FaceInfo into the object's own face.
    virtual void SetFaceInfo(const TFaceInfo& FaceInfo) = 0;
    // The object's own face.
    virtual TFaceInfo* GetFaceInfo() = 0;

protected:
    ~IDOFaceInfo() = default;
};

class TLOBackImage : public TLORectBase, public IDOFaceInfo {
    Q_OBJECT
    Q_PROPERTY(TColorSpec* FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(TColorSpec* FrameColor READ FrameColor WRITE SetFrameColor)
    Q_PROPERTY(int FrameWidth READ FrameWidth WRITE SetFrameWidth)
    Q_PROPERTY(TColorSpec* BlendColor READ BlendColor WRITE SetBlendColor)
    Q_PROPERTY(TPictureEx* BlendPicture READ BlendPicture WRITE SetBlendPicture)
    Q_PROPERTY(TPictureEx* Image READ LegacyImage WRITE SetLegacyImage STORED false)
    Q_PROPERTY(bool EllipseClip READ EllipseClip WRITE SetEllipseClip STORED false)
    Q_PROPERTY(bool CenterClip READ CenterClip WRITE SetCenterClip STORED false)
    Q_PROPERTY(int CenterRadius READ CenterRadius WRITE SetCenterRadius STORED false)
    Q_CLASSINFO("Default:FrameWidth", "0")
public:
    Q_INVOKABLE explicit TLOBackImage(TComponent* Owner = nullptr);
    ~TLOBackImage() override;

    // The owned fills and mask picture; the setters copy Value into them (a null Value
    // changes nothing).
    TColorSpec* FillColor() const { return FFillColor.get(); }
    void SetFillColor(TColorSpec* Value);
    TColorSpec* FrameColor() const { return FFrameColor.get(); }
    void SetFrameColor(TColorSpec* Value);
    TColorSpec* BlendColor() const { return FBlendColor.get(); }
    void SetBlendColor(TColorSpec* Value);
    TPictureEx* BlendPicture() const { return FBlendPicture.get(); }
    void SetBlendPicture(TPictureEx* Value);
    // Width of the band along the face edge; 0 = none.
    int FrameWidth() const { return FFrameWidth; }
    void SetFrameWidth(int Value);

    // Kept from older streams only; nothing uses them.
    bool EllipseClip() const { return FEllipseClip; }
    void SetEllipseClip(bool Value) { FEllipseClip = Value; }
    bool CenterClip() const { return FCenterClip; }
    void SetCenterClip(bool Value) { FCenterClip = Value; }
    int CenterRadius() const { return FCenterRadius; }
    void SetCenterRadius(int Value) { FCenterRadius = Value; }

    // IDOFaceInfo.
    void SetFaceInfo(const TFaceInfo& FaceInfo) override;
    TFaceInfo* GetFaceInfo() override { return FFaceInfo.get(); }

    // No band, plain white fill, no blend picture: nothing worth storing.
    bool IsBlank() const;
    // Makes the background blank.
    void Clear();

    // A picture read as Image becomes the fill's picture and the fill a picture fill.
    void Loaded() override;
    void ListenerNotify(IInterface* Sender, const TGUID& MsgID) override;
    // Never hit: clicks go through to the face.
    bool HitTest(const TPoint&) const override { return false; }
    // The size becomes AWidth x AHeight (never below 0).
    void ResizeTo(int AWidth, int AHeight) override;
    // The logical rectangle with the caller's pen.
    void DrawOutline(TCanvas& Canvas) override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;
    // The rectangle the fill is painted over: the logical rectangle, or for a picture fill
    // that is not tiled the picture's (clipped) size scaled to cover it, centred on it.
    virtual TRect FillRect() const;
    // The fill over R mixed with BlendColor through BlendPicture at BlendRatio.
    virtual void PaintBlendedFill(TCanvas& Canvas, const TRect& R);

private:
    TPictureEx* LegacyImage() const { return FLegacyImage.get(); }
    void SetLegacyImage(TPictureEx* Value);
    void Attach(IInterface* Broadcaster);
    void Detach(IInterface* Broadcaster);

    std::unique_ptr<TColorSpec> FBlendColor;
    std::unique_ptr<TPictureEx> FBlendPicture;
    std::unique_ptr<TFaceInfo> FFaceInfo;
    std::unique_ptr<TColorSpec> FFillColor;
    std::unique_ptr<TColorSpec> FFrameColor;
    std::unique_ptr<TPictureEx> FLegacyImage;
    int FFrameWidth = 0;
    bool FEllipseClip = false;
    bool FCenterClip = false;
    int FCenterRadius = 0;
};

// The 8-bit grey value of each pixel of Source (24 or 32 bits) into Dest (8 bits, the same
// size): round((R + G + B) / 3), the nearest entry of a 256-step grey table.
void ConvertToGrey(const TBitmap& Source, TBitmap& Dest);
