#include "ULOImage.h"

#include "UCanvas.h"
#include "UGraphicUtils.h"
#include "UGuard.h"
#include "URotate.h"
#include "URotatedRect.h"
#include "UStroke.h"
#include "UUtils.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace {

// Pictures are read at this resolution when an object takes their size.
constexpr int PictureDPI = 180;
// Tenths of a millimetre in an inch.
constexpr int TenthMMPerInch = 254;
// The smallest side CalcImageSize answers (0.1 mm).
constexpr int MinImageSide = 30;

bool IsDIBMime(const QString& Mime) {
    const QString m = Mime.toLower();
    return m == u"image/bmp" || m == u"image/x-bmp" || m.contains(u"deviceindependentbitmap");
}

bool IsMetafileMime(const QString& Mime) {
    const QString m = Mime.toLower();
    return m.contains(u"emf") || m.contains(u"wmf") || m.contains(u"metafile");
}

void CheckComposedSize(long long Width, long long Height) {
    if (Width * Height > MaxComposedPixels)
        throw EImageTooLarge(
            QStringLiteral("画像が大きすぎて描画できません (%1 x %2)").arg(Width).arg(Height));
}

// The same check for Width x Height turned by Angle degrees: the size of the turned box.
void CheckTurnedSize(int Width, int Height, int Angle) {
    const double a = Angle * M_PI / 180.0;
    const double c = std::abs(std::cos(a)), s = std::abs(std::sin(a));
    CheckComposedSize(std::llround(Width * c + Height * s), std::llround(Width * s + Height * c));
}

// Graphic as a 24-bit bitmap of its own size (white behind transparent parts).
TBitmap GraphicAsBitmap(const TGraphic& Graphic) {
    if (const auto* b = dynamic_cast<const TSafetyBitmap*>(&Graphic);
        b && !b->Transparent() && b->PixelFormat() == pf24bit)
        return b->Bitmap();
    TBitmap bitmap(Graphic.Width(), Graphic.Height(), pf24bit);
    bitmap.Fill(clWhite);
    Graphic.Draw(bitmap.Canvas(), TRect(0, 0, bitmap.Width(), bitmap.Height()));
    return bitmap;
}

// A 1-bit mask of Width x Height with every pixel 0 (opaque).
TBitmap OpaqueMask(int Width, int Height) {
    TBitmap mask(Width, Height, pf1bit);
    mask.Fill(clBlack);
    return mask;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TLOImage

TLOImage::TLOImage(TComponent* Owner)
    : TLORectBase(Owner), FImageData(std::make_unique<TImageData>()),
      FFramePicture(std::make_unique<TPictureEx>()) {
    Listener().AddBroadcaster(&FImageData->Notifier());
    Listener().AddBroadcaster(&FFramePicture->Notifier());
}

TLOImage::~TLOImage() {
    Listener().RemoveBroadcaster(&FImageData->Notifier());
    Listener().RemoveBroadcaster(&FFramePicture->Notifier());
}

void TLOImage::SetAlphaFrame(bool Value) {
    if (Value == FAlphaFrame)
        return;
    FAlphaFrame = Value;
    Changed();
    Invalidate();
}

void TLOImage::SetAngle(int Value) {
    if (Value == FRotator.GetAngle())
        return;
    FRotator.SetAngle(Value);
    FBounds.reset();
    ClearCache();
    Changed();
    Invalidate();
    UpdateBounds();
}

TPictureEx* TLOImage::LegacyPicture() {
    FLegacyPicture = true;
    return FImageData->Picture();
}

void TLOImage::SetLegacyPicture(TPictureEx* Value) {
    FLegacyPicture = true;
    FImageData->SetPicture(Value);
}

void TLOImage::ClearCache() {
    FCache.Assign(nullptr);
}

std::vector<TPoint> TLOImage::Outline() const {
    return RotatedRectCorners(GetRect(), FRotator);
}

// ---- Size ----------------------------------------------------------------------------------

TSize TLOImage::CalcImageSize(const TGraphic& Graphic) const {
    const int w = std::max(MinImageSide, MulDiv(Graphic.Width(), TenthMMPerInch, PictureDPI));
    const int h = std::max(MinImageSide, MulDiv(Graphic.Height(), TenthMMPerInch, PictureDPI));
    // Without an area of its own the object has no square to fit into.
    if (!IsOnDrawSite() || Width() <= 0 || Height() <= 0)
        return TSize{w, h};
    const TRect square = CoverRectInRect(TRect(0, 0, 10, 10), GetRect());
    const TRect fitted = FitRectInRect(TRect(0, 0, w, h), square);
    return TSize{fitted.Width(), fitted.Height()};
}

void TLOImage::FitToImage() {
    const TGraphic* g = FImageData->GetFilteredPicture().Graphic();
    if (!g || g->Empty())
        return;
    const TSize s = CalcImageSize(*g);
    SetBoundsRect(TRect(Left(), Top(), Left() + s.cx, Top() + s.cy));
}

// ---- Clipboard -----------------------------------------------------------------------------

bool TLOImage::PasteFromClipboard(const QMimeData& Data) {
    QMimeData bitmap;
    const QStringList formats = Data.formats();
    const auto dib = std::find_if(formats.begin(), formats.end(), IsDIBMime);
    if (dib != formats.end())
        bitmap.setData(*dib, Data.data(*dib));
    else if (Data.hasImage())
        bitmap.setImageData(Data.imageData());
    else {
        const auto image = std::find_if(formats.begin(), formats.end(), [](const QString& M) {
            return M.startsWith(u"image/", Qt::CaseInsensitive) && !IsMetafileMime(M);
        });
        if (image == formats.end())
            return false;
        bitmap.setData(*image, Data.data(*image));
    }
    FImageData->Picture()->AssignClipboard(bitmap);
    return true;
}

bool TLOImage::PasteFromClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && PasteFromClipboard(*data);
}

void TLOImage::AssignClipboardPicture(const QMimeData& Data) {
    FImageData->Picture()->AssignClipboard(Data);
}

std::unique_ptr<QMimeData> TLOImage::PictureMimeData() const {
    const TGraphic* g = FImageData->Picture()->Graphic();
    if (!g || g->Empty())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setImageData(GraphicAsBitmap(*g).ToQImage());
    return data;
}

void TLOImage::CopyPictureToClipboard() const {
    if (std::unique_ptr<QMimeData> data = PictureMimeData())
        QGuiApplication::clipboard()->setMimeData(data.release());
}

// ---- Geometry ------------------------------------------------------------------------------

// The turned outline is a convex quadrilateral: a point inside its box hits when it lies on
// the inner side of all four edges. This agrees with the outline's polygon region except on
// edge pixels, and costs nothing like building that region at every mouse move.
bool TLOImage::HitTest(const TPoint& P) const {
    if (FRotator.GetAngle() == 0)
        return TLORectBase::HitTest(P);
    if (!PtInRect(GetBoundsRect(), P))
        return false;
    const std::vector<TPoint> p = Outline();
    bool negative = false, positive = false;
    for (size_t i = 0; i < p.size(); ++i) {
        const TPoint& a = p[i];
        const TPoint& b = p[(i + 1) % p.size()];
        const long long cross = static_cast<long long>(b.x - a.x) * (P.y - a.y) -
                                static_cast<long long>(b.y - a.y) * (P.x - a.x);
        negative = negative || cross < 0;
        positive = positive || cross > 0;
    }
    return !(negative && positive);
}

TRect TLOImage::GetBoundsRect() const {
    if (FRotator.GetAngle() == 0)
        return GetRect();
    // The box of the outline's polygon region, built once for each rectangle and angle.
    if (!FBounds)
        FBounds = RotatedRectBounds(GetRect(), FRotator);
    return *FBounds;
}

void TLOImage::ResizeTo(int AWidth, int AHeight) {
    const int w = std::max(0, AWidth), h = std::max(0, AHeight);
    const TRect r = GetRect();
    if (FRotator.GetAngle() == 0) {
        SetBoundsRect(TRect(r.Left, r.Top, r.Left + w, r.Top + h));
        return;
    }
    // The turned box takes the new size: the rectangle scales by the same ratios (a box
    // without width or height counts as 1 wide or high).
    const TRect b = GetBoundsRect();
    const int bw = std::max(1, b.Width()), bh = std::max(1, b.Height());
    SetBoundsRect(
        TRect(r.Left, r.Top, r.Left + MulDiv(r.Width(), w, bw), r.Top + MulDiv(r.Height(), h, bh)));
}

void TLOImage::DrawOutline(TCanvas& Canvas) {
    TStroke stroke;
    stroke.SetRect(GetRect());
    for (TPoint& p : stroke.Points())
        FRotator.TransformPoint(p);
    stroke.Draw(Canvas);
}

void TLOImage::SetBoundsRect(const TRect& R) {
    TRect r = ClampLogical(R);
    NormalizeRect(r);
    if (r.Width() != Width() || r.Height() != Height())
        ClearCache();
    // The turn centre first: the surface asks for the turned bounds when the rectangle moves.
    FRotator.SetCenter(RectCenter(r));
    if (r != GetRect())
        FBounds.reset();
    TLORectBase::SetBoundsRect(r);
}

// ---- Painting ------------------------------------------------------------------------------

void TLOImage::Paint() {
    if (IsPictureEmpty(FImageData->Picture()))
        return;
    TCanvas& canvas = GetCanvas();
    if (FRotator.GetAngle() == 0 && IsPictureEmpty(FFramePicture.get())) {
        TGraphic* g = FImageData->GetFilteredPicture().Graphic();
        if (!g)
            return;
        // A large JPEG is decoded only as finely as the target's pixels need.
        const TRect d = canvas.LPtoDP(GetRect());
        PrepareJPEGForDraw(g, std::abs(d.Width()), std::abs(d.Height()));
        LockedStretchDraw(canvas, GetRect(), *g);
        return;
    }
    BuildCache();
    if (!FCache.Empty())
        LockedStretchDraw(canvas, GetBoundsRect(), FCache);
}

void TLOImage::BuildCache() {
    if (!FCache.Empty())
        return;
    FRebuilding = true;
    TGuard done([this] { FRebuilding = false; });
    TGraphic* g = FImageData->GetFilteredPicture().Graphic();
    if (!g || g->Empty())
        return;
    const int w = g->Width(), h = g->Height();
    CheckComposedSize(w, h);

    // The picture at its own size, its transparency as a mask (1: transparent).
    PrepareJPEGForDraw(g, w, h);
    TBitmap composed(w, h, pf24bit);
    composed.Fill(clWhite);
    LockedStretchDraw(composed.Canvas(), TRect(0, 0, w, h), *g);
    TBitmap mask = OpaqueMask(w, h);
    if (FImageData->IsTransparent()) {
        if (const auto* b = dynamic_cast<const TSafetyBitmap*>(g))
            b->GetMask(mask);
        else
            TMaskedImage::MakeMask(composed, mask, FImageData->TransparentColor());
    }
    if (!FAlphaFrame && !IsPictureEmpty(FFramePicture.get()))
        ComposeFrame(composed, mask, TSize{w, h});

    TSafetyBitmap result(composed);
    result.SetTransparent(true);
    result.SetMask(mask);
    if (FRotator.GetAngle() == 0) {
        FCache.Assign(&result);
        return;
    }
    // Turned at the size of the rectangle, so that the picture fills its own outline.
    const int tw = std::max(1, Width()), th = std::max(1, Height());
    CheckTurnedSize(tw, th, FRotator.GetAngle());
    TSafetyBitmap turned;
    RotateGraphic(result, turned, FRotator.GetAngle(), TPoint(tw, th));
    FCache.Assign(&turned);
}

// The keyed frame over the picture: its window colour shows the picture, its outside colour
// is transparent. Mask := (Mask AND window) OR outside, each frame mask stretched
// pixel for pixel (COLORONCOLOR).
void TLOImage::ComposeFrame(TBitmap& Composed, TBitmap& Mask, const TSize& Size) const {
    TSafetyBitmap frame;
    frame.Assign(FFramePicture->Graphic());
    if (frame.Empty())
        return;
    frame.SetTransparentColor(FrameWindowColor);
    frame.SetTransparent(true);
    frame.Draw(Composed.Canvas(), TRect(0, 0, Size.cx, Size.cy));

    TBitmap window, outside;
    TMaskedImage::MakeMask(frame.Bitmap(), window, FrameWindowColor);
    TMaskedImage::MakeMask(frame.Bitmap(), outside, FrameOutsideColor);
    TCanvas& c = Mask.Canvas();
    const int oldMode = c.SetStretchBltMode(COLORONCOLOR);
    const TColor oldText = c.SetTextColor(clBlack);
    const TColor oldBack = c.SetBkColor(clWhite);
    c.StretchBlt(0, 0, Size.cx, Size.cy, window, 0, 0, window.Width(), window.Height(), SRCAND);
    c.StretchBlt(0, 0, Size.cx, Size.cy, outside, 0, 0, outside.Width(), outside.Height(),
                 SRCPAINT);
    c.SetStretchBltMode(oldMode);
    c.SetTextColor(oldText);
    c.SetBkColor(oldBack);
}

bool TLOImage::NeedsBlend() {
    if (!QueryObjectInterface<IDOBlend>(this) || IsPictureEmpty(FImageData->Picture()))
        return false;
    const bool alphaFrame = FAlphaFrame && !IsPictureEmpty(FFramePicture.get());
    return BlendRatio() != 100 || BlendShade() || alphaFrame;
}

void TLOImage::FillBlendMask(TBitmap& Mask) {
    TCanvas& c = Mask.Canvas();
    const bool framed = !IsPictureEmpty(FFramePicture.get());
    if (FRotator.GetAngle() == 0 && !framed && !FImageData->IsTransparent()) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(clWhite); // grey index 255: all of it is the object's
        c.FillRect(GetRect());
        return;
    }
    BuildCache();
    if (FCache.Empty())
        return;
    TBitmap transparent;
    FCache.GetMask(transparent);
    const TRect b = GetBoundsRect();
    const int oldMode = c.SetStretchBltMode(COLORONCOLOR);
    const TColor oldText = c.SetTextColor(clBlack);
    const TColor oldBack = c.SetBkColor(clWhite);
    // The mask is 1 where the picture is transparent: inverted, the picture's pixels are 255.
    c.StretchBlt(b.Left, b.Top, b.Width(), b.Height(), transparent, 0, 0, transparent.Width(),
                 transparent.Height(), NOTSRCCOPY);
    if (framed && FAlphaFrame)
        DrawAlphaFrameMask(c);
    c.SetStretchBltMode(oldMode);
    c.SetTextColor(oldText);
    c.SetBkColor(oldBack);
    c.SetCopyMode(SRCCOPY);
}

// The frame's grey levels, turned like the picture, ANDed into the blend mask.
void TLOImage::DrawAlphaFrameMask(TCanvas& Canvas) {
    TSafetyBitmap frame;
    frame.Assign(FFramePicture->Graphic());
    if (frame.Empty())
        return;
    TBitmap levels = GraphicAsBitmap(frame);
    const int tw = std::max(1, Width()), th = std::max(1, Height());
    CheckTurnedSize(tw, th, FRotator.GetAngle());
    TBitmap turned;
    RotateBitmapSized(levels, turned, FRotator.GetAngle(), clWhite, TPoint(tw, th));
    const TRect b = GetBoundsRect();
    Canvas.StretchBlt(b.Left, b.Top, b.Width(), b.Height(), turned, 0, 0, turned.Width(),
                      turned.Height(), SRCAND);
}

// ---- Notifications, loading, copying -------------------------------------------------------

void TLOImage::ListenerNotify(IInterface* Sender, const TGUID& MsgID) {
    if (FRebuilding)
        return;
    const bool ours = Sender == static_cast<IInterface*>(FImageData.get()) ||
                      Sender == static_cast<IInterface*>(FFramePicture.get());
    if (ours && MsgID == MsgIdChanged && !AssigningFromGhost()) {
        ClearCache();
        Changed();
        Invalidate();
    }
    TLORectBase::ListenerNotify(Sender, MsgID);
}

void TLOImage::Loaded() {
    TLORectBase::Loaded();
    // Older illustrations used this colour as their background.
    if (FLegacyPicture && FImageSource == isOnePoint)
        FImageData->SetTransparentColor(FrameWindowColor);
}

void TLOImage::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    auto* d = qobject_cast<TLOImage*>(Dest);
    if (!d)
        return;
    d->SetImageData(FImageData.get());
    d->SetAngle(GetAngle());
    d->SetImageSource(FImageSource);
    d->SetFramePicture(FFramePicture.get());
    d->SetAlphaFrame(FAlphaFrame);
}

bool TLOImage::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORotate>(this, Id, Obj) || AnswerInterface<IDOBlend>(this, Id, Obj) ||
           TLORectBase::QueryInterface(Id, Obj);
}

// ---------------------------------------------------------------------------------------
// The picture file dialog

QString PictureFileFilter() {
    // Formats registered under several extensions (JPG, JPEG) share one entry.
    std::vector<QString> order;
    std::map<QString, QStringList> patterns;
    QStringList all, seen;
    for (const TGraphicFileFormat& f : GraphicFileFormats()) {
        const QString extension = f.Extension.toLower();
        if (seen.contains(extension))
            continue;
        seen << extension;
        const QString pair = QStringLiteral("*.%1 *.%2").arg(extension, f.Extension.toUpper());
        all << pair;
        if (!patterns.count(f.Description))
            order.push_back(f.Description);
        patterns[f.Description] << pair;
    }
    QStringList entries;
    entries << QStringLiteral("すべての画像 (%1)").arg(all.join(u' '));
    for (const QString& description : order)
        entries << QStringLiteral("%1 (%2)").arg(description, patterns[description].join(u' '));
    entries << QStringLiteral("すべてのファイル (*)");
    return entries.join(QStringLiteral(";;"));
}

QString ChoosePictureFile(QWidget* Parent, const QString& Directory) {
    return QFileDialog::getOpenFileName(Parent, QStringLiteral("画像ファイルを開く"), Directory,
                                        PictureFileFilter());
}
