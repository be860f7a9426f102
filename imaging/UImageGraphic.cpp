#include "UImageGraphic.h"

#include "URegion.h"
#include "USafetyBitmap.h"

#include <QPainter>

namespace {

// Unpremultiplied, so that semi-transparent pixels keep their exact colours (premultiplied
// bytes lose them where alpha is low, for good once the picture is written again); drawing
// premultiplies.
constexpr QImage::Format PixelFormat = QImage::Format_ARGB32;

// The pixels of a bitmap graphic; its transparent colour, when it is transparent, becomes
// fully transparent.
QImage ImageOfBitmap(const TSafetyBitmap& Source) {
    QImage image = Source.Bitmap().ToQImage().convertToFormat(QImage::Format_ARGB32);
    if (Source.Transparent() && !image.isNull()) {
        const TColor key = ColorToRGB(Source.TransparentColor());
        const QRgb rgb = qRgb(GetRValue(key), GetGValue(key), GetBValue(key));
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((row[x] & 0xFFFFFF) == (rgb & 0xFFFFFF))
                    row[x] = 0;
        }
    }
    return image.convertToFormat(PixelFormat);
}

} // namespace

bool HasTransparentPixels(const QImage& Image) {
    if (!Image.hasAlphaChannel())
        return false;
    const QImage argb = Image.convertToFormat(PixelFormat);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return true;
    }
    return false;
}

bool BlendImageOnCanvas(TCanvas& Canvas, const TRect& Rect, const QImage& Image) {
    TBitmap* target = Canvas.TargetBitmap();
    if (!target || (target->PixelFormat() != pf24bit && target->PixelFormat() != pf32bit))
        return false;
    const TRect d = Canvas.LPtoDP(Rect);
    if (d.Width() <= 0 || d.Height() <= 0 || Image.isNull() || target->Empty())
        return true;
    QImage view = target->View();
    QPainter painter(&view);
    TRegion clip;
    if (Canvas.GetClipRgn(clip))
        painter.setClipRegion(clip.ToQRegion());
    painter.drawImage(d.ToQRect(), Image);
    return true;
}

void TImageGraphic::Clear() {
    FSize = QSize();
    FImage = QImage();
    FData.clear();
    FOpaque.reset();
    StoreTransparent(false);
}

void TImageGraphic::StorePixels(const QImage& Image) {
    const QImage argb = Image.isNull() ? QImage() : Image.convertToFormat(PixelFormat);
    FSize = argb.size();
    const bool transparent = HasTransparentPixels(argb);
    if (transparent || argb.isNull()) {
        FImage = argb;
        FOpaque.reset();
    } else {
        FOpaque = TBitmap::FromQImage(argb, pf24bit);
        FImage = QImage();
    }
    StoreTransparent(transparent);
}

void TImageGraphic::SetImage(const QImage& Image) {
    StorePixels(Image);
    FData.clear();
    Changed();
}

QImage TImageGraphic::Image() const {
    if (!FImage.isNull() || !FOpaque)
        return FImage;
    return FOpaque->ToQImage().convertToFormat(PixelFormat);
}

const QByteArray& TImageGraphic::Data() const {
    if (FData.isEmpty() && !Empty())
        FData = Encode(Image());
    return FData;
}

TBitmap TImageGraphic::ToBitmap() const {
    if (FOpaque)
        return *FOpaque;
    if (FImage.isNull())
        return TBitmap();
    QImage white(FImage.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    {
        QPainter painter(&white);
        painter.drawImage(0, 0, FImage);
    }
    return TBitmap::FromQImage(white, pf24bit);
}

void TImageGraphic::Assign(const TPersistent* Source) {
    if (Source == this)
        return;
    if (Source && Source->metaObject() == metaObject()) {
        const auto* s = static_cast<const TImageGraphic*>(Source);
        FSize = s->FSize;
        FImage = s->FImage;
        FData = s->FData;
        FOpaque = s->FOpaque;
        StoreTransparent(s->Transparent());
        Changed();
        return;
    }
    if (!Source) {
        Clear();
        Changed();
        return;
    }
    if (CanEncode()) {
        if (const auto* b = dynamic_cast<const TSafetyBitmap*>(Source)) {
            SetImage(ImageOfBitmap(*b));
            return;
        }
        if (dynamic_cast<const TGraphic*>(Source)) {
            TSafetyBitmap drawn;
            drawn.Assign(Source);
            SetImage(ImageOfBitmap(drawn));
            return;
        }
    }
    TGraphic::Assign(Source);
}

void TImageGraphic::AssignTo(TPersistent* Dest) const {
    if (auto* b = dynamic_cast<TSafetyBitmap*>(Dest)) {
        b->SetBitmap(ToBitmap());
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TImageGraphic::Draw(TCanvas& Canvas, const TRect& Rect) const {
    if (Empty())
        return;
    if (Transparent() && !FImage.isNull() && BlendImageOnCanvas(Canvas, Rect, FImage))
        return;
    if (!FOpaque)
        FOpaque = ToBitmap();
    Canvas.StretchDraw(Rect, *FOpaque);
}

void TImageGraphic::LoadFromStream(TStream& Stream) {
    QByteArray data = Stream.ReadBytes(Stream.Remaining());
    StorePixels(Decode(data));
    FData = std::move(data);
    Changed();
}

void TImageGraphic::SaveToStream(TStream& Stream) const {
    Stream.WriteBytes(Data());
}

QByteArray TImageGraphic::Encode(const QImage&) const {
    RaiseInvalidGraphic(QStringLiteral("%1 は書き込めない形式です").arg(ClassName()));
}
