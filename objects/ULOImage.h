#pragma once
// The image object: a photo or illustration stretched to its logical rectangle.
//
// TLOImage holds its picture with the picture's filters (TImageData), an optional frame
// picture laid over it, an optional rotation about the rectangle's centre and a record of
// where the picture came from (ImageSource). A turned or framed picture is composed once
// into a cached bitmap with a transparency mask and redrawn from that cache until the
// picture, the frame, the angle or the size changes.
//
// Frame pictures: with AlphaFrame False, the frame's pixels of colour 0xF0F0F0 are the window
// the photo shows through and its pixels of colour 0x607090 are transparent in the result;
// with AlphaFrame True the frame's grey levels shape the object's blend mask.
//
// Units: the rectangle is in logical units (0.1 mm); Angle whole degrees, clockwise;
// colours 0x00BBGGRR. Pictures are read at 180 dpi when an object takes their size.
//
// User-interface thread only.

#include "UDrawObject.h"
#include "UImageData.h"
#include "USafetyBitmap.h"
#include "UTransformer.h"

#include <QString>
#include <memory>
#include <optional>

class QMimeData;
class QWidget;

struct TImageSourceEnum {
    Q_GADGET
public:
    // Where the picture came from: a file, the illustration library, a scanner (TWAIN
    // source), an image plug-in.
    enum TImageSource { isFile, isOnePoint, isTwain, isPlugin };
    Q_ENUM(TImageSource)
};
using TImageSource = TImageSourceEnum::TImageSource;
using enum TImageSourceEnum::TImageSource;

// The window colour and the outside colour of keyed frame pictures.
constexpr TColor FrameWindowColor = 0xF0F0F0;
constexpr TColor FrameOutsideColor = 0x607090;
// The most pixels a turned or framed picture may have, and the most its turned box may have:
// the composition bitmap is that large (24 bits) and its mask and turned copies come on top.
// Larger ones fail to paint with EImageTooLarge instead of exhausting memory; unturned,
// unframed pictures draw at any size.
constexpr long long MaxComposedPixels = 64LL * 1024 * 1024;

VANTOMI_DECLARE_EXCEPTION(EImageTooLarge, Exception)

class TLOImage : public TLORectBase, public IDORotate, public IDOBlend {
    Q_OBJECT
    Q_PROPERTY(TImageData* ImageData READ ImageData WRITE SetImageData)
    Q_PROPERTY(TPictureEx* FramePicture READ FramePicture WRITE SetFramePicture)
    Q_PROPERTY(bool AlphaFrame READ AlphaFrame WRITE SetAlphaFrame)
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(TImageSource ImageSource READ ImageSource WRITE SetImageSource)
    // The older form of the picture: read from old streams, never written.
    Q_PROPERTY(TPictureEx* Picture READ LegacyPicture WRITE SetLegacyPicture STORED false)
    Q_CLASSINFO("Default:AlphaFrame", "false")
public:
    Q_INVOKABLE explicit TLOImage(TComponent* Owner = nullptr);
    ~TLOImage() override;

    // The picture and its filters; assigning copies.
    TImageData* ImageData() const { return FImageData.get(); }
    void SetImageData(TImageData* Value) { FImageData->Assign(Value); }
    // The frame laid over the picture (empty: none); assigning copies.
    TPictureEx* FramePicture() const { return FFramePicture.get(); }
    void SetFramePicture(TPictureEx* Value) { FFramePicture->Assign(Value); }
    bool AlphaFrame() const { return FAlphaFrame; }
    // When different: stores, Changed, Invalidate.
    void SetAlphaFrame(bool Value);
    int GetAngle() const override { return FRotator.GetAngle(); }
    // When different: turns, drops the cache, Changed, Invalidate, the surface recomputes
    // the bounds.
    void SetAngle(int Value) override;
    TImageSource ImageSource() const { return FImageSource; }
    void SetImageSource(TImageSource Value) { FImageSource = Value; }
    // The picture of ImageData; any use of it marks the object as read from an older stream.
    TPictureEx* LegacyPicture();
    void SetLegacyPicture(TPictureEx* Value);
    bool LegacyPictureUsed() const { return FLegacyPicture; }

    // IDOBlend: the label object's blend ratio and shade.
    void SetShade(bool Value) override { SetBlendShade(Value); }
    bool GetShade() const override { return BlendShade(); }
    void SetRatio(int Value) override { SetBlendRatio(Value); }
    int GetRatio() const override { return BlendRatio(); }

    // Width and Height := CalcImageSize of the filtered picture (nothing without a picture).
    void FitToImage();
    // The size (0.1 mm) Graphic takes: its pixels read at 180 dpi, at least 30 a side. On a
    // design surface, with a rectangle of some area, that shape fitted (aspect kept) into a
    // square whose side is the larger of the object's width and height.
    TSize CalcImageSize(const TGraphic& Graphic) const;
    // Loads the bitmap on the clipboard (a device-independent bitmap, else any picture the
    // clipboard holds decoded) into the picture; answers false, changing nothing, when the
    // clipboard holds no bitmap.
    bool PasteFromClipboard(const QMimeData& Data);
    bool PasteFromClipboard();
    // Assigns the first clipboard picture of any registered format (metafiles too) to the
    // picture. Raises EConvertError when the clipboard holds none.
    void AssignClipboardPicture(const QMimeData& Data);
    // The picture as clipboard data (a decoded image), or null for an empty picture.
    std::unique_ptr<QMimeData> PictureMimeData() const;
    // Puts the picture on the system clipboard (nothing for an empty picture).
    void CopyPictureToClipboard() const;

    // True while a composed picture is cached (for callers that measure redrawing).
    bool HasCache() const { return !FCache.Empty(); }
    const TSafetyBitmap& Cache() const { return FCache; }

    bool NeedsBlend() override;
    void FillBlendMask(TBitmap& Mask) override;
    void ListenerNotify(IInterface* Sender, const TGUID& MsgID) override;
    bool HitTest(const TPoint& P) const override;
    TRect GetBoundsRect() const override;
    // Angle 0: the new size. Turned: the size of the turned bounds, the rectangle scaled by
    // its ratio to the present bounds. Negative sizes count as 0.
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    void SetBoundsRect(const TRect& R) override;
    bool ScalesToFit() const override { return true; }
    void Loaded() override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;
    // Builds the composed picture when none is cached.
    virtual void BuildCache();
    void ClearCache();
    // The rectangle's outline turned about its centre.
    std::vector<TPoint> Outline() const;

private:
    void ComposeFrame(TBitmap& Composed, TBitmap& Mask, const TSize& Size) const;
    void DrawAlphaFrameMask(TCanvas& Canvas);

    std::unique_ptr<TImageData> FImageData;
    std::unique_ptr<TPictureEx> FFramePicture;
    TRotator FRotator;
    TSafetyBitmap FCache;
    mutable std::optional<TRect> FBounds;
    bool FAlphaFrame = false;
    bool FLegacyPicture = false;
    bool FRebuilding = false;
    TImageSource FImageSource = isFile;
};

// The file dialog filter of the registered picture formats: all pictures first, then each
// format with its extensions (lower and upper case, since file names on Linux keep their
// case), then all files.
QString PictureFileFilter();
// Asks for a picture file with the registered formats; an empty string when cancelled.
QString ChoosePictureFile(QWidget* Parent, const QString& Directory = {});
