#include "UImageData.h"

#include "UGraphicUtils.h"
#include "UImageGraphic.h"
#include "UJPEG.h"
#include "UMetafile.h"
#include "UPNGImage.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"
#include "UUtils.h"

#include <algorithm>

namespace {

TRect WholeRect(int Width, int Height) {
    return TRect(0, 0, Width, Height);
}

bool IsRasterGraphic(const TGraphic* G) {
    return dynamic_cast<const TSafetyBitmap*>(G) || dynamic_cast<const TSafetyJPEGImage*>(G) ||
           dynamic_cast<const TImageGraphic*>(G);
}

// The pixels of a picture with transparent pixels (a PNG's alpha, a GIF's transparent
// index), in Format_ARGB32; null for an opaque picture.
QImage TranslucentPixels(const TPictureEx& Picture) {
    const auto* g = dynamic_cast<const TImageGraphic*>(Picture.Graphic());
    if (!g || !g->Transparent())
        return {};
    const QImage image = g->Image().convertToFormat(QImage::Format_ARGB32);
    return HasTransparentPixels(image) ? image : QImage();
}

// Image as a PNG graphic (kept in memory; encoded only when its file form is asked for).
std::unique_ptr<TGraphic> ImageGraphicOf(const QImage& Image) {
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(Image);
    return png;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TImageFilter

TImageFilter::TImageFilter() : FNotify(this) {}

TImageFilter::~TImageFilter() = default;

void TImageFilter::Assign(const TPersistent* Source) {
    InUpdate(FNotify, [&] { TPersistent::Assign(Source); });
}

void TImageFilter::AssignTo(TPersistent*) const {}

bool TImageFilter::QueryInterface(const TGUID& Id, void** Obj) {
    if (FNotify.AnswerNotifyInterface(Id, Obj))
        return true;
    return AnswerInterface<IInterface>(this, Id, Obj);
}

// ---------------------------------------------------------------------------------------
// TClipFilter

void TClipFilter::SetClipRect(const TRect& Value) {
    if (FClipRect == Value)
        return;
    FClipRect = Value;
    Changed();
}

TRect TClipFilter::BoundedToSide(const TRect& Value) {
    const auto side = [](int V) { return std::clamp(V, -MaxBitmapSide, MaxBitmapSide); };
    return TRect(side(Value.Left), side(Value.Top), side(Value.Right), side(Value.Bottom));
}

TRect TClipFilter::BoundedToPicture(const TRect& Value, int W, int H) {
    const TRect whole = WholeRect(W, H);
    if (IsRectEmpty(Value))
        return whole;
    const TRect reach(-W / 2, -H / 2, W + W / 2, H + H / 2);
    TRect c;
    if (!IntersectRect(c, BoundedToSide(Value), reach))
        return whole;
    return c;
}

bool TClipFilter::IsEffective(const TPictureEx& Picture) const {
    if (!IsRectEmpty(FClipRect) && FClipRect != WholeRect(Picture.Width(), Picture.Height()))
        return true;
    return FTransparent && !dynamic_cast<const TSafetyBitmap*>(Picture.Graphic());
}

void TClipFilter::DefineProperties(TFiler& Filer) {
    TImageFilter::DefineProperties(Filer);
    Filer.DefineProperty(
        "ClipRect",
        [this](TReader& R) {
            TRect r;
            R.ReadListBegin();
            r.Left = R.ReadInteger();
            r.Top = R.ReadInteger();
            r.Right = R.ReadInteger();
            r.Bottom = R.ReadInteger();
            R.ReadListEnd();
            SetClipRect(BoundedToSide(r));
        },
        [this](TWriter& W) {
            W.WriteListBegin();
            W.WriteInteger(FClipRect.Left);
            W.WriteInteger(FClipRect.Top);
            W.WriteInteger(FClipRect.Right);
            W.WriteInteger(FClipRect.Bottom);
            W.WriteListEnd();
        },
        !IsRectEmpty(FClipRect));
}

void TClipFilter::AssignTo(TPersistent* Dest) const {
    if (auto* d = dynamic_cast<TClipFilter*>(Dest)) {
        d->SetClipRect(FClipRect);
        d->SetFillColor(FFillColor);
        d->SetTransparent(FTransparent);
    }
    TImageFilter::AssignTo(Dest);
}

void TClipFilter::Apply(const TPictureEx& Source, TPictureEx& Dest, TRect& ResultRect) {
    ResultRect = WholeRect(Source.Width(), Source.Height());
    const TRect c = BoundedToPicture(FClipRect, Source.Width(), Source.Height());
    if (FTransparent)
        ClipToBitmap(Source, Dest, c);
    else if (c == ResultRect) {
        Dest.Assign(&Source);
        return;
    } else if (dynamic_cast<const TMetafile*>(Source.Graphic()))
        ClipToMetafile(Source, Dest, c);
    else if (const QImage translucent = TranslucentPixels(Source); !translucent.isNull())
        // Cut out with its alpha; what lies outside the picture is transparent.
        Dest.SetGraphic(ImageGraphicOf(translucent.copy(c.Left, c.Top, c.Width(), c.Height())));
    else
        ClipToBitmap(Source, Dest, c);
    ResultRect = WholeRect(Dest.Width(), Dest.Height());
}

void TClipFilter::ClipToBitmap(const TPictureEx& Source, TPictureEx& Dest, const TRect& C) const {
    auto bitmap = std::make_unique<TSafetyBitmap>();
    TBitmap& b = bitmap->Bitmap();
    if (const auto* s = dynamic_cast<const TSafetyBitmap*>(Source.Graphic())) {
        b.SetPixelFormat(s->PixelFormat());
        if (!s->Bitmap().ColorTable().empty())
            b.SetColorTable(s->Bitmap().ColorTable());
    } else
        b.SetPixelFormat(pf24bit);
    b.SetSize(C.Right - C.Left, C.Bottom - C.Top);
    TCanvas& canvas = b.Canvas();
    canvas.Brush().SetColor(FFillColor);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(WholeRect(b.Width(), b.Height()));
    if (const TGraphic* g = Source.Graphic())
        g->Draw(canvas, TRect(-C.Left, -C.Top, -C.Left + g->Width(), -C.Top + g->Height()));
    bitmap->Changed();
    Dest.SetGraphic(std::unique_ptr<TGraphic>(std::move(bitmap)));
}

void TClipFilter::ClipToMetafile(const TPictureEx& Source, TPictureEx& Dest, const TRect& C) const {
    auto meta = std::make_unique<TMetafile>();
    const int w = C.Right - C.Left, h = C.Bottom - C.Top;
    meta->SetSize(w, h);
    {
        TMetafileCanvas canvas(*meta);
        canvas.IntersectClipRect(WholeRect(w, h));
        if (const TGraphic* g = Source.Graphic())
            canvas.StretchDraw(TRect(-C.Left, -C.Top, -C.Left + g->Width(), -C.Top + g->Height()),
                               *g);
        canvas.Close();
    }
    Dest.SetGraphic(std::unique_ptr<TGraphic>(std::move(meta)));
}

// ---------------------------------------------------------------------------------------
// Colour filters

bool TGREFilter::CanApply(const TPictureEx& Picture) const {
    return IsRasterGraphic(Picture.Graphic());
}

namespace {

// The effector's result on a 24-bit bitmap.
std::unique_ptr<TSafetyBitmap> RunEffector(TGREffector& Effector, const TBitmap& Source) {
    auto d = std::make_unique<TSafetyBitmap>();
    Effector.Source = &Source;
    Effector.Dest = &d->Bitmap();
    Effector.Rect = WholeRect(Source.Width(), Source.Height());
    Effector.Execute();
    d->Changed();
    return d;
}

// Filters the colours of Image (Format_ARGB32, not premultiplied) as a 24-bit bitmap and puts
// its alpha back on the result, so that transparent pixels stay as transparent as they were.
std::unique_ptr<TGraphic> FilterKeepingAlpha(TGREffector& Effector, const QImage& Image) {
    const int w = Image.width(), h = Image.height();
    const std::unique_ptr<TSafetyBitmap> filtered =
        RunEffector(Effector, TBitmap::FromQImage(Image, pf24bit));
    const TBitmap& f = filtered->Bitmap();
    QImage result(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        const auto* alpha = reinterpret_cast<const QRgb*>(Image.constScanLine(y));
        const uint8_t* in = f.ScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < w; ++x, in += 3)
            out[x] = qRgba(in[2], in[1], in[0], qAlpha(alpha[x]));
    }
    return ImageGraphicOf(result);
}

} // namespace

void TGREFilter::Apply(const TPictureEx& Source, TPictureEx& Dest, TRect& ResultRect) {
    std::unique_ptr<TGREffector> effector = CreateEffector();
    if (!effector || IsPictureEmpty(&Source)) {
        Dest.Assign(&Source);
    } else if (const QImage translucent = TranslucentPixels(Source); !translucent.isNull()) {
        Dest.SetGraphic(FilterKeepingAlpha(*effector, translucent));
    } else {
        TSafetyBitmap s;
        s.Assign(Source.Graphic());
        s.SetPixelFormat(pf24bit);
        Dest.SetGraphic(std::unique_ptr<TGraphic>(RunEffector(*effector, s.Bitmap())));
    }
    ResultRect = WholeRect(Dest.Width(), Dest.Height());
}

std::unique_ptr<TGREffector> TBlurFilter::CreateEffector() const {
    if (FBlurCount > 0) {
        auto e = std::make_unique<TGREffectBlur>();
        e->Count = FBlurCount;
        return e;
    }
    if (FBlurCount < 0) {
        auto e = std::make_unique<TGREffectUnsharpMask>();
        e->Amount = -static_cast<double>(FBlurCount);
        return e;
    }
    return nullptr;
}

void TBlurFilter::AssignTo(TPersistent* Dest) const {
    if (auto* d = dynamic_cast<TBlurFilter*>(Dest))
        d->SetBlurCount(FBlurCount);
    TGREFilter::AssignTo(Dest);
}

std::unique_ptr<TGREffector> TLightFilter::CreateEffector() const {
    if (!FBrightness && !FContrast)
        return nullptr;
    auto e = std::make_unique<TGREffectBrightnessContrast>();
    e->Brightness = FBrightness;
    e->Contrast = FContrast;
    return e;
}

void TLightFilter::AssignTo(TPersistent* Dest) const {
    if (auto* d = dynamic_cast<TLightFilter*>(Dest)) {
        d->SetBrightness(FBrightness);
        d->SetContrast(FContrast);
    }
    TGREFilter::AssignTo(Dest);
}

std::unique_ptr<TGREffector> TMonotoneFilter::CreateEffector() const {
    if (FRefColor == clNone)
        return nullptr;
    auto e = std::make_unique<TGREffectMonoTone>();
    e->RefColor = FRefColor;
    return e;
}

void TMonotoneFilter::AssignTo(TPersistent* Dest) const {
    if (auto* d = dynamic_cast<TMonotoneFilter*>(Dest))
        d->SetRefColor(FRefColor);
    TGREFilter::AssignTo(Dest);
}

// ---------------------------------------------------------------------------------------
// TImageData

TImageData::TImageData()
    : FPicture(std::make_unique<TPictureEx>()), FCache(std::make_unique<TPictureEx>()),
      FNotify(this), FClipFilter(std::make_unique<TClipFilter>()),
      FBlurFilter(std::make_unique<TBlurFilter>()), FLightFilter(std::make_unique<TLightFilter>()),
      FMonotoneFilter(std::make_unique<TMonotoneFilter>()) {
    FPictureListener = std::make_unique<TListener>(
        [this](IInterface*, const TGUID& MsgID) { PictureChanged(MsgID); });
    FFilterListener = std::make_unique<TListener>([this](IInterface* Sender, const TGUID& MsgID) {
        FilterChanged(dynamic_cast<TImageFilter*>(Sender), MsgID);
    });
    FPictureListener->AddBroadcaster(&FPicture->Notifier());
    for (TImageFilter* f : std::initializer_list<TImageFilter*>{
             FClipFilter.get(), FBlurFilter.get(), FLightFilter.get(), FMonotoneFilter.get()})
        FFilterListener->AddBroadcaster(&f->Notifier());
}

TImageData::~TImageData() {
    FFilterListener.reset();
    FPictureListener.reset();
}

bool TImageData::QueryInterface(const TGUID& Id, void** Obj) {
    if (FNotify.AnswerNotifyInterface(Id, Obj))
        return true;
    return AnswerInterface<IInterface>(this, Id, Obj);
}

void TImageData::DropCache() {
    if (FCache->Graphic())
        FCache->SetGraphic(std::unique_ptr<TGraphic>());
}

void TImageData::PictureChanged(const TGUID& MsgID) {
    if (MsgID != MsgIdChanged)
        return;
    InUpdate(FNotify, [&] {
        const int w = FPicture->Width(), h = FPicture->Height();
        if (w != FPictureWidth && h != FPictureHeight && !FPicture->Loading()) {
            ResetClipRect(0, 0);
            FNotify.Broadcast(this, ImageDataClipResetMsg);
        }
        FPictureWidth = w;
        FPictureHeight = h;
        if (auto* jpeg = dynamic_cast<TSafetyJPEGImage*>(FPicture->Graphic()))
            (void)jpeg->Bitmap();
        FNotify.Broadcast(this, ImageDataPictureMsg);
        DropCache();
        FNotify.Changed();
    });
}

void TImageData::FilterChanged(TImageFilter* Filter, const TGUID& MsgID) {
    if (MsgID != MsgIdChanged || FComputing)
        return;
    InUpdate(FNotify, [&] {
        if (Filter == FClipFilter.get() && IsRectEmpty(FClipFilter->ClipRect()))
            ResetClipRect(0, 0);
        DropCache();
        FNotify.Changed();
    });
}

void TImageData::SetTransparentColor(TColor Value) {
    if (Value == FTransparentColor)
        return;
    FTransparentColor = Value;
    DropCache();
    FNotify.Changed();
}

bool TImageData::IsEmpty() const {
    return IsPictureEmpty(FPicture.get()) && !FPicture->InStorage();
}

bool TImageData::IsRasterImage() const {
    const TGraphic* g = FPicture->Graphic();
    return dynamic_cast<const TSafetyBitmap*>(g) || dynamic_cast<const TPNGImage*>(g) ||
           dynamic_cast<const TSafetyJPEGImage*>(g);
}

void TImageData::SetTransparent(bool Value) {
    if (!Value)
        SetTransparentColor(clNone);
}

void TImageData::ResetClipRect(int W, int H) {
    const TRect whole = WholeRect(FPicture->Width(), FPicture->Height());
    if (W == 0 || IsPictureEmpty(FPicture.get()))
        FClipFilter->SetClipRect(whole);
    else
        FClipFilter->SetClipRect(FitRectInRect(TRect(0, 0, W, H), whole));
}

void TImageData::Clear() {
    FPicture->SetGraphic(std::unique_ptr<TGraphic>());
}

void TImageData::AssignTo(TPersistent* Dest) const {
    auto* d = dynamic_cast<TImageData*>(Dest);
    if (!d) {
        TPersistent::AssignTo(Dest);
        return;
    }
    InUpdate(d->FNotify, [&] {
        d->SetPicture(FPicture.get());
        d->SetClipFilter(FClipFilter.get());
        d->SetBlurFilter(FBlurFilter.get());
        d->SetLightFilter(FLightFilter.get());
        d->SetMonotoneFilter(FMonotoneFilter.get());
        d->SetTransparentColor(FTransparentColor);
        d->FCache->Assign(FCache.get());
    });
}

TPictureEx& TImageData::GetFilteredPicture() {
    if (IsPictureEmpty(FCache.get()) && !IsPictureEmpty(FPicture.get()))
        ComputeFiltered();
    return *FCache;
}

void TImageData::ComputeFiltered() {
    TPictureEx work;
    work.Assign(FPicture.get());
    TPictureEx result;
    TRect r;
    const bool transparent = IsTransparent();
    // The clip filter's fill colour and flag follow the transparency; they are working
    // state, so setting them must not look like a change of the filter.
    FComputing = true;
    FClipFilter->SetFillColor(transparent ? FTransparentColor : clWhite);
    FClipFilter->SetTransparent(transparent);
    FComputing = false;
    FClipFilter->Apply(work, result, r);
    work.Assign(&result);

    TBitmap mask;
    if (transparent) {
        SetPictureTransparent(work, true, FTransparentColor);
        if (auto* b = dynamic_cast<TSafetyBitmap*>(work.Graphic()))
            b->GetMask(mask);
    }
    for (TGREFilter* f : std::initializer_list<TGREFilter*>{
             FBlurFilter.get(), FMonotoneFilter.get(), FLightFilter.get()}) {
        if (!f->CanApply(work))
            continue;
        f->Apply(work, result, r);
        work.Assign(&result);
    }
    if (!mask.Empty()) {
        if (auto* b = dynamic_cast<TSafetyBitmap*>(work.Graphic())) {
            SetPictureTransparent(work, true, FTransparentColor);
            b->SetMask(mask);
        }
    }
    // The cache takes the result without telling anyone: it is not a change of the data.
    FCache->SetGraphic(work.Graphic());
}
