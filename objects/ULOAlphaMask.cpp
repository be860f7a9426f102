#include "ULOAlphaMask.h"

#include "UBlendDraw.h"
#include "UBlender.h"
#include "UCanvas.h"
#include "UGraphicUtils.h"
#include "UPixelMath.h"
#include "URotate.h"
#include "URotatedRect.h"
#include "UUtils.h"

#include <algorithm>

namespace {

constexpr int EmptyPictureWidth = 300;
constexpr int EmptyPictureHeight = 200;
constexpr int MinImageSide = 30;

int NormalisedAngle(int Value) {
    return (Value % 360 + 360) % 360;
}

// Half-way between A and B, and B - A clamped to int: rectangles from damaged files may
// span more than an int holds.
int Midpoint(int A, int B) {
    return static_cast<int>((static_cast<int64_t>(A) + B) / 2);
}
int Span(int A, int B) {
    return ClampToInt(static_cast<int64_t>(B) - A);
}

// Picture's graphic drawn at its natural size on black, in 24 bits.
TBitmap PictureOnBlack(const TPictureEx& Picture) {
    TBitmap colour(Picture.Width(), Picture.Height(), pf24bit);
    colour.Fill(clBlack);
    LockedDraw(colour.Canvas(), 0, 0, *Picture.Graphic());
    return colour;
}

// Grey bitmap of Colour's size plus Border on each side, black around Colour. Each pixel
// takes the nearest grey of the 256-grey table: the rounded mean of its three channels.
TBitmap GreyWithBorder(const TBitmap& Colour, int Border) {
    TBitmap grey;
    grey.SetPixelFormat(pf8bit);
    grey.SetColorTable(BlendMaskColorTable());
    grey.SetSizeForOverwrite(Colour.Width() + 2 * Border, Colour.Height() + 2 * Border);
    for (int y = 0; y < grey.Height(); ++y)
        std::fill_n(grey.ScanLine(y), grey.Width(), uint8_t{0});
    for (int y = 0; y < Colour.Height(); ++y) {
        const uint8_t* src = Colour.ScanLine(y);
        uint8_t* dst = grey.ScanLine(y + Border) + Border;
        for (int x = 0; x < Colour.Width(); ++x, src += 3)
            dst[x] = static_cast<uint8_t>((src[0] + src[1] + src[2] + 1) / 3);
    }
    return grey;
}

} // namespace

TLOAlphaMask::TLOAlphaMask(TComponent* Owner)
    : TLORectBase(Owner), FFillColor(std::make_unique<TColorSpec>()),
      FPicture(std::make_unique<TPictureEx>()) {
    FFillColor->Notifier().AddListener(&Listener());
    FPicture->Notifier().AddListener(&Listener());
}

TLOAlphaMask::~TLOAlphaMask() {
    FPicture->Notifier().RemoveListener(&Listener());
    FFillColor->Notifier().RemoveListener(&Listener());
}

void TLOAlphaMask::SetAngle(int Value) {
    const int angle = NormalisedAngle(Value);
    if (angle == FRotator.GetAngle())
        return;
    FRotator.SetAngle(angle);
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLOAlphaMask::SetShadeSize(int Value) {
    if (Value == FShadeSize)
        return;
    FShadeSize = Value;
    Changed();
    Invalidate();
}

int TLOAlphaMask::RenderShadeSize() const {
    const int side = std::max(FPicture->Width(), FPicture->Height());
    const int most = std::max(0, (MaxBitmapSide - side) / 2);
    return std::clamp(FShadeSize, 0, most);
}

TSize TLOAlphaMask::CalcImageSize(const TPictureEx& Picture) const {
    TSize size{EmptyPictureWidth, EmptyPictureHeight};
    if (!IsPictureEmpty(&Picture))
        size = TSize{std::max(MinImageSide, MulDiv(Picture.Width(), 254, 180)),
                     std::max(MinImageSide, MulDiv(Picture.Height(), 254, 180))};
    if (!IsOnDrawSite())
        return size;
    const TRect square = CoverRectInRect(TRect(0, 0, 10, 10), GetRect());
    const TRect fitted = FitRectInRect(TRect(0, 0, size.cx, size.cy), square);
    return TSize{fitted.Width(), fitted.Height()};
}

void TLOAlphaMask::FitToImage() {
    const TSize size = CalcImageSize(*FPicture);
    const TRect r = GetRect();
    SetBoundsRect(TRect(r.Left, r.Top, ClampToInt(static_cast<int64_t>(r.Left) + size.cx),
                        ClampToInt(static_cast<int64_t>(r.Top) + size.cy)));
}

bool TLOAlphaMask::NeedsBlend() {
    return !IsPictureEmpty(FPicture.get()) || BlendRatio() != 100 || BlendShade();
}

TBitmap TLOAlphaMask::BuildGreyMask() const {
    if (IsPictureEmpty(FPicture.get()))
        return {};
    const int shade = RenderShadeSize();
    TBitmap grey = GreyWithBorder(PictureOnBlack(*FPicture), shade);
    if (shade != 0)
        BlurBitmap(grey, shade);
    if (FRotator.GetAngle() == 0)
        return grey;
    const TRect r = GetRect();
    TBitmap turned;
    RotateBitmapSized(
        grey, turned, FRotator.GetAngle(), clBlack,
        TPoint{std::max(1, Span(r.Left, r.Right)), std::max(1, Span(r.Top, r.Bottom))});
    return turned;
}

void TLOAlphaMask::FillBlendMask(TBitmap& Mask) {
    // Without a picture the whole object belongs to the mask, so that a ratio or a shade
    // blends the fill instead of hiding it.
    if (IsPictureEmpty(FPicture.get())) {
        TLORectBase::FillBlendMask(Mask);
        return;
    }
    const TBitmap grey = BuildGreyMask();
    Mask.Canvas().StretchDraw(GetBoundsRect(), grey);
}

void TLOAlphaMask::Paint() {
    FFillColor->Fill(GetCanvas(), GetBoundsRect());
}

void TLOAlphaMask::SetBoundsRect(const TRect& R) {
    TLORectBase::SetBoundsRect(R);
    const TRect r = GetRect();
    FRotator.SetCenter(TPoint{Midpoint(r.Left, r.Right), Midpoint(r.Top, r.Bottom)});
    UpdateBounds();
}

TRect TLOAlphaMask::GetBoundsRect() const {
    return RotatedRectBounds(GetRect(), FRotator);
}

bool TLOAlphaMask::HitTest(const TPoint& P) const {
    if (FRotator.GetAngle() == 0)
        return TLORectBase::HitTest(P);
    return RotatedRectContains(GetRect(), FRotator, P);
}

void TLOAlphaMask::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(RotatedRectResized(GetRect(), FRotator, AWidth, AHeight));
}

void TLOAlphaMask::DrawOutline(TCanvas& Canvas) {
    Canvas.Polygon(RotatedRectCorners(GetRect(), FRotator));
}

void TLOAlphaMask::ListenerNotify(IInterface* Sender, const TGUID& MsgID) {
    TLORectBase::ListenerNotify(Sender, MsgID);
    if (MsgID != MsgIdChanged)
        return;
    if (Sender == static_cast<IInterface*>(FFillColor.get()) ||
        Sender == static_cast<IInterface*>(FPicture.get())) {
        Changed();
        Invalidate();
    }
}

bool TLOAlphaMask::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORotate>(this, Id, Obj) || AnswerInterface<IDOBlend>(this, Id, Obj) ||
           AnswerInterface<IDOShadow>(this, Id, Obj) || TLORectBase::QueryInterface(Id, Obj);
}

void TLOAlphaMask::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    if (auto* d = qobject_cast<TLOAlphaMask*>(Dest)) {
        d->SetPicture(FPicture.get());
        d->SetFillColor(FFillColor.get());
        d->SetAngle(GetAngle());
        d->SetShadeSize(FShadeSize);
    }
}
