#include "UColorFill.h"

#include "UCanvasGuards.h"
#include "UGraphicUtils.h"
#include "UPropStream.h"
#include "URaster.h"
#include "USafetyBitmap.h"

#include <algorithm>

namespace {

constexpr int CheckerSize = 8;
constexpr TColor CheckerGrey = 0x808080;

} // namespace

// ---------------------------------------------------------------------------------------
// TGradationColors

TGradationColors::TGradationColors() : FNotify(this) {}

TGradationColors::~TGradationColors() = default;

bool TGradationColors::QueryInterface(const TGUID& Id, void** Obj) {
    if (FNotify.AnswerNotifyInterface(Id, Obj))
        return true;
    return AnswerInterface<IInterface>(this, Id, Obj);
}

void TGradationColors::SetCount(int Value) {
    Value = std::min(Value, MaxGradColors);
    if (Value < 0 || Value == Count())
        return;
    FColors.resize(static_cast<size_t>(Value), 0);
    FNotify.Changed();
}

TColor TGradationColors::Color(int Index) const {
    if (Index < 0 || Index >= Count())
        throw ERangeError(QStringLiteral("範囲チェックエラー"));
    return FColors[static_cast<size_t>(Index)];
}

void TGradationColors::SetColor(int Index, TColor Value) {
    if (Index < 0 || Index >= Count())
        throw ERangeError(QStringLiteral("範囲チェックエラー"));
    if (FColors[static_cast<size_t>(Index)] == Value)
        return;
    FColors[static_cast<size_t>(Index)] = Value;
    FNotify.Changed();
}

void TGradationColors::SetRepeatCount(int Value) {
    Value = std::clamp(Value, 1, MaxGradRepeat);
    if (Value == FRepeatCount)
        return;
    FRepeatCount = Value;
    FNotify.Changed();
}

void TGradationColors::Reverse() {
    InUpdate(FNotify, [&] {
        if (Count() > 1) {
            std::reverse(FColors.begin(), FColors.end());
            FNotify.Changed();
        }
    });
}

std::vector<TColor> TGradationColors::GetExpandedColors() const {
    std::vector<TColor> result;
    if (FColors.empty())
        return result;
    result.reserve(FColors.size() * static_cast<size_t>(FRepeatCount));
    for (int r = 0; r < FRepeatCount; ++r)
        result.insert(result.end(), FColors.begin(), FColors.end());
    return result;
}

bool TGradationColors::IsDefaultList() const {
    return FColors.size() == 2 && FColors[0] == clWhite && FColors[1] == clBlack;
}

void TGradationColors::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TGradationColors*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    if (s == this)
        return;
    InUpdate(FNotify, [&] {
        SetRepeatCount(s->FRepeatCount);
        SetCount(s->Count());
        for (int i = s->Count() - 1; i >= 0; --i)
            SetColor(i, s->FColors[static_cast<size_t>(i)]);
    });
}

void TGradationColors::DefineProperties(TFiler& Filer) {
    TPersistent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Colors", [this](TStream& S) { ReadColors(S); }, [this](TStream& S) { WriteColors(S); },
        !IsDefaultList());
}

void TGradationColors::ReadColors(TStream& Stream) {
    const int32_t n = Stream.ReadValue<int32_t>();
    if (n < 0 || n > MaxGradColors || n > Stream.Remaining() / 4)
        throw EReadError(QStringLiteral("グラデーションの色数が不正です (%1)").arg(n));
    std::vector<TColor> colors(static_cast<size_t>(n));
    if (n > 0)
        Stream.ReadBuffer(colors.data(), static_cast<int64_t>(n) * 4);
    if (colors == FColors)
        return;
    FColors = std::move(colors);
    FNotify.Changed();
}

void TGradationColors::WriteColors(TStream& Stream) const {
    Stream.WriteValue<int32_t>(Count());
    if (!FColors.empty())
        Stream.WriteBuffer(FColors.data(), static_cast<int64_t>(FColors.size()) * 4);
}

// ---------------------------------------------------------------------------------------
// TColorSpec

void TColorSpecBitmap::DefineProperties(TFiler& Filer) {
    TPersistent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Data",
        [this](TStream& S) {
            TSafetyBitmap bitmap;
            bitmap.ReadData(S);
            if (FOwner)
                FOwner->SetBitmap(bitmap.Bitmap());
        },
        [](TStream&) {}, false);
}

TColorSpec::TColorSpec()
    : FImageData(std::make_unique<TImageData>()), FGradColors(std::make_unique<TGradationColors>()),
      FBitmapProperty(std::make_unique<TColorSpecBitmap>(this)), FNotify(this) {
    FNotify.OnChange = [this](TChangeNotify*) {
        if (OnChange)
            OnChange(this);
    };
    FListener = std::make_unique<TListener>([this](IInterface*, const TGUID& MsgID) {
        if (MsgID == MsgIdChanged)
            FNotify.Changed();
    });
    FListener->AddBroadcaster(&FImageData->Notifier());
    FListener->AddBroadcaster(&FGradColors->Notifier());
}

TColorSpec::~TColorSpec() {
    FListener.reset();
}

bool TColorSpec::QueryInterface(const TGUID& Id, void** Obj) {
    if (FNotify.AnswerNotifyInterface(Id, Obj))
        return true;
    return AnswerInterface<IInterface>(this, Id, Obj);
}

TColorSpecKind TColorSpec::Kind() const {
    if (FKind == cskBitmap && FImageData->IsEmpty())
        return cskSolid;
    return FKind;
}

void TColorSpec::SetKind(TColorSpecKind Value) {
    if (Value == Kind())
        return;
    FKind = Value;
    FNotify.Changed();
}

void TColorSpec::SetGradDir(rgGradationDir Value) {
    InUpdate(FNotify, [&] {
        SetGradKind(Value == rgdCenterToRim   ? rgkBoxToRim
                    : Value == rgdRimToCenter ? rgkBoxToCenter
                                              : rgkSimple);
        SetGradAngle(DirToAngle(Value));
    });
}

void TColorSpec::SetGradColorN(int N, TColor Value) {
    if (N >= 0 && N < FGradColors->Count())
        FGradColors->SetColor(N, Value);
}

TBitmap TColorSpec::GetBitmap() {
    return ForceSafetyBitmap(*FImageData->Picture()).Bitmap();
}

void TColorSpec::SetBitmap(const TBitmap& Bitmap) {
    TPictureEx* picture = FImageData->Picture();
    if (IsPictureEmpty(picture) && Bitmap.Empty())
        return;
    picture->SetGraphic(std::make_unique<TSafetyBitmap>(Bitmap));
}

void TColorSpec::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TColorSpec*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    if (s == this)
        return;
    InUpdate(FNotify, [&] {
        if (FKind != s->FKind) {
            FKind = s->FKind;
            FNotify.Changed();
        }
        SetColor(s->FColor);
        SetStyle(s->FStyle);
        SetImageData(s->FImageData.get());
        SetTile(s->FTile);
        SetTileShift(s->FTileShift);
        if (Kind() == cskGradation) {
            SetGradAngle(s->FGradAngle);
            SetGradKind(s->FGradKind);
            SetGradColors(s->FGradColors.get());
        }
    });
}

void TColorSpec::Fill(TCanvas& Canvas, const TRect& Rect) {
    TCanvasSaver saver(Canvas, false);
    FillEx(Canvas, Rect, false);
}

void TColorSpec::FillEx(TCanvas& Canvas, const TRect& Rect, bool Invert) {
    const TColorSpecKind kind = Kind();
    TGraphic* graphic = nullptr;
    if (kind == cskBitmap) {
        graphic = FImageData->GetFilteredPicture().Graphic();
        if (!graphic || graphic->Empty())
            return;
    }
    const uint32_t copyMode = Canvas.CopyMode();
    if (Invert)
        Canvas.SetCopyMode(SRCINVERT);
    try {
        switch (kind) {
        case cskGradation: {
            const std::vector<TColor>& colors = FGradColors->Colors();
            GradFill(Canvas, Rect, colors.data(), static_cast<int>(colors.size()), Invert,
                     FGradAngle, FGradKind, FGradColors->RepeatCount());
            break;
        }
        case cskBitmap:
            if (FTile)
                FillTiled(Canvas, Rect, *graphic);
            else
                LockedStretchDraw(Canvas, Rect, *graphic);
            break;
        default:
            FillSolid(Canvas, Rect, Invert);
            break;
        }
    } catch (...) {
        Canvas.SetCopyMode(copyMode);
        throw;
    }
    Canvas.SetCopyMode(copyMode);
}

void TColorSpec::FillSolid(TCanvas& Canvas, const TRect& Rect, bool Invert) const {
    Canvas.Brush().SetStyle(FStyle);
    Canvas.Brush().SetColor(ColorToRGB(FColor));
    if (Invert)
        Canvas.PatBlt(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top,
                      PATINVERT);
    else
        Canvas.FillRect(Rect);
}

void TColorSpec::FillTiled(TCanvas& Canvas, const TRect& Rect, TGraphic& Graphic) const {
    const int w = Graphic.Width(), h = Graphic.Height();
    // A graphic without extent would never advance the loops.
    if (w < 1 || h < 1)
        return;
    int row = 0;
    for (int64_t y = Rect.Top; y < Rect.Bottom; y += h, ++row) {
        int64_t x = Rect.Left;
        if (FTileShift && (row & 1))
            x -= (w + 1) / 2;
        for (; x < Rect.Right; x += w)
            LockedStretchDraw(Canvas,
                              TRect(static_cast<int>(x), static_cast<int>(y),
                                    static_cast<int>(x + w), static_cast<int>(y + h)),
                              Graphic);
    }
}

bool TColorSpec::IsPureSolid(TCanvas&) const {
    return Kind() == cskSolid && FStyle == bsSolid;
}

void DrawCheckerboard(TCanvas& Canvas, const TRect& Rect) {
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(clWhite);
    Canvas.FillRect(Rect);
    Canvas.Brush().SetColor(CheckerGrey);
    int row = 0;
    for (int y = Rect.Top; y < Rect.Bottom; y += CheckerSize, ++row)
        for (int x = Rect.Left + CheckerSize * (row & 1); x < Rect.Right; x += 2 * CheckerSize)
            Canvas.FillRect(TRect(x, y, x + CheckerSize, y + CheckerSize));
}

void TColorSpec::DrawPreview(TCanvas& Canvas, const TRect& Rect) {
    TCanvasSaver saver(Canvas, false);
    DrawCheckerboard(Canvas, Rect);
    const TGraphic* g = FImageData->Picture()->Graphic();
    if (!(FTile && Kind() == cskBitmap && g && !g->Empty() && g->Width() > 0 && g->Height() > 0)) {
        Fill(Canvas, Rect);
        return;
    }
    int tw, th;
    if (g->Width() <= g->Height()) {
        th = (Rect.Bottom - Rect.Top) * 2 / 5;
        tw = g->Width() * th / g->Height();
    } else {
        tw = (Rect.Right - Rect.Left) * 2 / 5;
        th = g->Height() * tw / g->Width();
    }
    tw = std::max(tw, 1);
    th = std::max(th, 1);
    TColorSpec scaled;
    scaled.Assign(this);
    auto tile = std::make_unique<TSafetyBitmap>();
    tile->Bitmap().SetPixelFormat(pf24bit);
    tile->Bitmap().SetSize(tw, th);
    g->Draw(tile->Bitmap().Canvas(), TRect(0, 0, tw, th));
    tile->Changed();
    TImageData& data = *scaled.ImageData();
    data.Clear();
    data.Picture()->SetGraphic(std::unique_ptr<TGraphic>(std::move(tile)));
    const TRect c = FImageData->ClipFilter()->ClipRect();
    const int gw = g->Width();
    const auto scale = [&](int V) { return static_cast<int>(int64_t{V} * tw / gw); };
    data.ClipFilter()->SetClipRect(
        TRect(scale(c.Left), scale(c.Top), scale(c.Right), scale(c.Bottom)));
    scaled.Fill(Canvas, Rect);
}
