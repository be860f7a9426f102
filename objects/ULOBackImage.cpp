#include "ULOBackImage.h"

#include "UBlendDraw.h"
#include "UBlender.h"
#include "UCanvas.h"
#include "UCanvasGuards.h"
#include "UGraphicUtils.h"
#include "UScaler.h"
#include "UUtils.h"

#include <algorithm>

namespace {

// Off-screen bitmaps of the blended fill reach this far beyond the clip box.
constexpr int OffscreenMargin = 5;

constexpr TColor BlankColor = TColor(0xFFFFFF);

// Bands are taken as at most this wide (3.2 m, beyond any paper) when painted, so that no geometry
// overflows.
constexpr int MaxBand = 32767;

// The region of Face on Canvas; empty when the face's margin rectangle has no area (a band
// wider than half the face leaves nothing inside it).
TRegion FaceRegion(const TFaceInfo& Face, const TCanvas& Canvas) {
    const TRect m = Face.GetMarginRect();
    if (m.Right <= m.Left || m.Bottom <= m.Top)
        return TRegion();
    return Face.CreateRegion(&Canvas, false);
}

} // namespace

void ConvertToGrey(const TBitmap& Source, TBitmap& Dest) {
    const int bytes = Source.BitsPerPixel() / 8;
    if ((bytes != 3 && bytes != 4) || Dest.PixelFormat() != pf8bit ||
        Dest.Width() != Source.Width() || Dest.Height() != Source.Height())
        return;
    for (int y = 0; y < Source.Height(); ++y) {
        const uint8_t* s = Source.ScanLine(y);
        uint8_t* d = Dest.ScanLine(y);
        for (int x = 0; x < Source.Width(); ++x, s += bytes)
            d[x] = static_cast<uint8_t>((s[0] + s[1] + s[2] + 1) / 3);
    }
}

TLOBackImage::TLOBackImage(TComponent* Owner)
    : TLORectBase(Owner), FBlendColor(std::make_unique<TColorSpec>()),
      FBlendPicture(std::make_unique<TPictureEx>()), FFaceInfo(std::make_unique<TFaceInfo>()),
      FFillColor(std::make_unique<TColorSpec>()), FFrameColor(std::make_unique<TColorSpec>()),
      FLegacyImage(std::make_unique<TPictureEx>()) {
    Listener().AddBroadcaster(&FFillColor->Notifier());
    Listener().AddBroadcaster(&FFrameColor->Notifier());
    Listener().AddBroadcaster(&FBlendColor->Notifier());
    Listener().AddBroadcaster(&FBlendPicture->Notifier());
    SetLayerGroup(-100);
}

TLOBackImage::~TLOBackImage() {
    Listener().RemoveBroadcaster(&FFillColor->Notifier());
    Listener().RemoveBroadcaster(&FFrameColor->Notifier());
    Listener().RemoveBroadcaster(&FBlendColor->Notifier());
    Listener().RemoveBroadcaster(&FBlendPicture->Notifier());
}

void TLOBackImage::SetFillColor(TColorSpec* Value) {
    if (Value)
        FFillColor->Assign(Value);
}

void TLOBackImage::SetFrameColor(TColorSpec* Value) {
    if (Value)
        FFrameColor->Assign(Value);
}

void TLOBackImage::SetBlendColor(TColorSpec* Value) {
    if (Value)
        FBlendColor->Assign(Value);
}

void TLOBackImage::SetBlendPicture(TPictureEx* Value) {
    if (Value)
        FBlendPicture->Assign(Value);
}

void TLOBackImage::SetLegacyImage(TPictureEx* Value) {
    if (Value)
        FLegacyImage->Assign(Value);
}

void TLOBackImage::SetFrameWidth(int Value) {
    if (Value == FFrameWidth)
        return;
    FFrameWidth = Value;
    Invalidate();
    Changed();
}

void TLOBackImage::SetFaceInfo(const TFaceInfo& FaceInfo) {
    FFaceInfo->Assign(&FaceInfo);
    Invalidate();
}

bool TLOBackImage::IsBlank() const {
    return FFrameWidth == 0 && FFillColor->Kind() == cskSolid &&
           FFillColor->Color() == BlankColor && IsPictureEmpty(FBlendPicture.get());
}

void TLOBackImage::Clear() {
    BeginUpdate();
    SetFrameWidth(0);
    FFillColor->SetKind(cskSolid);
    FFillColor->SetColor(BlankColor);
    FBlendPicture->SetGraphic(static_cast<const TGraphic*>(nullptr));
    EndUpdate();
}

void TLOBackImage::Loaded() {
    TLORectBase::Loaded();
    if (IsPictureEmpty(FLegacyImage.get()))
        return;
    FFillColor->ImageData()->SetPicture(FLegacyImage.get());
    FFillColor->SetKind(cskBitmap);
    FLegacyImage->SetGraphic(static_cast<const TGraphic*>(nullptr));
}

void TLOBackImage::ListenerNotify(IInterface* Sender, const TGUID& MsgID) {
    if (MsgID != MsgIdChanged)
        return;
    const IInterface* watched[] = {FFillColor.get(), FFrameColor.get(), FBlendColor.get(),
                                   FBlendPicture.get()};
    if (std::find(std::begin(watched), std::end(watched), Sender) == std::end(watched))
        return;
    Invalidate();
    Changed();
}

void TLOBackImage::ResizeTo(int AWidth, int AHeight) {
    const TRect r = GetRect();
    SetBoundsRect(TRect(r.Left, r.Top, r.Left + std::max(0, AWidth), r.Top + std::max(0, AHeight)));
}

void TLOBackImage::DrawOutline(TCanvas& Canvas) {
    Canvas.Rectangle(GetRect());
}

bool TLOBackImage::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDOFaceInfo>(this, Id, Obj) || TLORectBase::QueryInterface(Id, Obj);
}

void TLOBackImage::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    auto* d = qobject_cast<TLOBackImage*>(Dest);
    if (!d)
        return;
    d->SetFillColor(FFillColor.get());
    d->SetFrameColor(FFrameColor.get());
    d->SetFrameWidth(FFrameWidth);
    d->SetBlendColor(FBlendColor.get());
    d->SetBlendPicture(FBlendPicture.get());
    d->SetBlendRatio(BlendRatio());
}

TRect TLOBackImage::FillRect() const {
    const TRect r = GetRect();
    if (FFillColor->Kind() != cskBitmap || FFillColor->Tile())
        return r;
    const TImageData* data = FFillColor->ImageData();
    TRect picture = data->ClipFilter()->ClipRect();
    if (picture.Right <= picture.Left || picture.Bottom <= picture.Top)
        picture = TRect(0, 0, data->Picture()->Width(), data->Picture()->Height());
    if (picture.Right <= picture.Left || picture.Bottom <= picture.Top)
        return r;
    return CoverRectInRect(picture, r);
}

void TLOBackImage::Paint() {
    TCanvas& canvas = GetCanvas();
    // The face placed so that its margin rectangle starts at the object's top-left.
    TFaceInfo face;
    face.Assign(FFaceInfo.get());
    TRect cut = face.GetRect();
    const TRect margin = face.GetMarginRect();
    OffsetRect(cut, Left() - margin.Left, Top() - margin.Top);
    face.SetRect(cut);

    const TRect fill = FillRect();
    TCanvasSaver saver = CreateCanvasSaver(canvas, true);
    const TRegion faceRegion = FaceRegion(face, canvas);
    canvas.ExtSelectClipRgn(&faceRegion, RGN_AND);
    {
        TClipSaver clip = CreateClipSaver(canvas);
        if (FFrameWidth != 0) {
            FFrameColor->Fill(canvas, GetRect());
            const int faceMargin = face.FaceMargin();
            face.SetFaceMargin(faceMargin - std::clamp(FFrameWidth, -MaxBand, MaxBand));
            const TRegion inner = FaceRegion(face, canvas);
            face.SetFaceMargin(faceMargin);
            canvas.ExtSelectClipRgn(&inner, RGN_AND);
        }
        if (IsPictureEmpty(FBlendPicture.get()))
            FFillColor->Fill(canvas, fill);
        else
            PaintBlendedFill(canvas, fill);
    }
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(BlankColor);
    face.DrawCenterHole(canvas, false);
}

void TLOBackImage::PaintBlendedFill(TCanvas& Canvas, const TRect& R) {
    TRect clip = Canvas.ClipRect();
    InflateRect(clip, OffscreenMargin, OffscreenMargin);
    TRect visible;
    if (!IntersectRect(visible, R, clip))
        return;
    TGraphic* mask = FBlendPicture->Graphic();
    if (!mask)
        return;

    std::unique_ptr<TBitmap> blend =
        CreateOffscreenBitmap(Canvas, R, pf24bit, OffscreenMargin, false);
    if (blend->Empty())
        return;
    FBlendColor->Fill(blend->Canvas(), R);
    std::unique_ptr<TBitmap> base =
        CreateOffscreenBitmap(Canvas, R, pf24bit, OffscreenMargin, false);
    FFillColor->Fill(base->Canvas(), R);

    // The mask picture stretched over R, then taken as grey values.
    std::unique_ptr<TBitmap> picture =
        CreateOffscreenBitmap(Canvas, R, pf24bit, OffscreenMargin, false);
    picture->Fill(clBlack);
    LockedStretchDraw(picture->Canvas(), R, *mask);
    TBitmap alpha(picture->Width(), picture->Height(), pf8bit);
    alpha.SetColorTable(BlendMaskColorTable());
    ConvertToGrey(*picture, alpha);

    TGRBlendAlphaMapRatio blender;
    blender.Dest = base.get();
    blender.DestRect = TRect(0, 0, base->Width(), base->Height());
    blender.Source = blend.get();
    blender.SourceRect = TRect(0, 0, blend->Width(), blend->Height());
    blender.AlphaMap = &alpha;
    blender.AlphaRect = TRect(0, 0, alpha.Width(), alpha.Height());
    blender.Ratio = BlendRatio();
    blender.Blend();

    TCoordMap::ResetCanvas(base->Canvas());
    Canvas.StretchDraw(visible, *base);
}
