#include "USafetyBitmap.h"

#include "UDIB.h"
#include "UMetafile.h"

namespace {

// Puts the canvas's colours and copy mode back and unlocks it, also when drawing raises.
class TDrawStateGuard {
public:
    explicit TDrawStateGuard(TCanvas& Canvas) : FCanvas(Canvas) {
        FCanvas.Lock();
        FBk = FCanvas.SetBkColor(clWhite);
        FText = FCanvas.SetTextColor(clBlack);
        FCopyMode = FCanvas.CopyMode();
    }
    ~TDrawStateGuard() {
        FCanvas.SetCopyMode(FCopyMode);
        FCanvas.SetTextColor(FText);
        FCanvas.SetBkColor(FBk);
        FCanvas.Unlock();
    }
    TDrawStateGuard(const TDrawStateGuard&) = delete;
    TDrawStateGuard& operator=(const TDrawStateGuard&) = delete;

private:
    TCanvas& FCanvas;
    TColor FBk, FText;
    uint32_t FCopyMode;
};

// Keeps a flag set for a scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

constexpr size_t FileHeaderSize = 14;

} // namespace

TSafetyBitmap::TSafetyBitmap() {
    FMasked.Invalidate();
}

TSafetyBitmap::TSafetyBitmap(const TBitmap& Bitmap) : FBitmap(Bitmap) {
    FMasked.Invalidate();
}

std::unique_ptr<TGraphic> TSafetyBitmap::CreateNew() const {
    return std::make_unique<TSafetyBitmap>();
}

void TSafetyBitmap::SetBitmap(const TBitmap& Bitmap) {
    FBitmap = Bitmap;
    Changed();
}

void TSafetyBitmap::SetSize(int Width, int Height) {
    if (Width == FBitmap.Width() && Height == FBitmap.Height())
        return;
    FBitmap.SetSize(Width, Height);
    Changed();
}

void TSafetyBitmap::SetPixelFormat(TPixelFormat Format) {
    if (Format == FBitmap.PixelFormat())
        return;
    FBitmap.SetPixelFormat(Format);
    Changed();
}

void TSafetyBitmap::SetTransparent(bool Value) {
    if (FBitmap.Transparent == Value)
        return;
    FBitmap.Transparent = Value;
    Changed();
}

void TSafetyBitmap::SetTransparentMode(TTransparentMode Value) {
    if (FBitmap.TransparentMode == Value)
        return;
    if (Value == tmAuto)
        FBitmap.SetTransparentColor(clDefault);
    else
        FBitmap.SetTransparentColor(FBitmap.GetTransparentColor());
    Changed();
}

void TSafetyBitmap::SetTransparentColor(TColor Value) {
    if (FBitmap.TransparentMode == tmFixed && FBitmap.GetTransparentColor() == Value)
        return;
    FBitmap.SetTransparentColor(Value);
    Changed();
}

void TSafetyBitmap::AssignFrom(const TBitmap& Bitmap) {
    // The pixels only: this graphic keeps its own transparency settings.
    const bool transparent = FBitmap.Transparent;
    const TTransparentMode mode = FBitmap.TransparentMode;
    const TColor color = FBitmap.GetTransparentColor();
    FBitmap = Bitmap;
    FBitmap.Transparent = transparent;
    FBitmap.SetTransparentColor(mode == tmFixed ? color : clDefault);
}

void TSafetyBitmap::AssignBitmapPart(const TSafetyBitmap& Source) {
    if (FBitmap.SharesImageWith(Source.FBitmap)) {
        FBitmap.Transparent = Source.FBitmap.Transparent;
        FBitmap.SetTransparentColor(Source.FBitmap.TransparentMode == tmFixed
                                        ? Source.FBitmap.GetTransparentColor()
                                        : clDefault);
        return;
    }
    FBitmap = Source.FBitmap;
}

void TSafetyBitmap::Assign(const TPersistent* Source) {
    if (Source == this)
        return;
    if (const auto* s = dynamic_cast<const TSafetyBitmap*>(Source)) {
        // The mask state travels with the pixels, so listeners told of the change already
        // see the mask that belongs to them.
        TFlagScope assigning(FAssigning);
        AssignBitmapPart(*s);
        FMasked.Assign(s->FMasked);
        Changed();
        return;
    }
    if (const auto* m = dynamic_cast<const TMetafile*>(Source)) {
        TBitmap b(m->Width(), m->Height(), pf24bit);
        if (!b.Empty())
            m->Draw(b.Canvas(), Rect(0, 0, b.Width(), b.Height()));
        AssignFrom(b);
        Changed();
        return;
    }
    if (!Source) {
        AssignFrom(TBitmap());
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

bool TSafetyBitmap::Equals(const TGraphic* Other) const {
    if (const auto* b = dynamic_cast<const TSafetyBitmap*>(Other))
        return FBitmap.SharesImageWith(b->FBitmap);
    return TGraphic::Equals(Other);
}

void TSafetyBitmap::Draw(TCanvas& Canvas, const TRect& Rect) const {
    if (Empty())
        return;
    TDrawStateGuard guard(Canvas);
    if (Transparent()) {
        UpdateMask();
        FMasked.Update(FBitmap, TransparentColor());
        FMasked.Draw(Canvas, Rect);
    } else {
        Canvas.StretchDraw(Rect, FBitmap);
    }
}

void TSafetyBitmap::LoadFromStream(TStream& Stream) {
    TDIB dib;
    dib.LoadFromStream(Stream);
    TBitmap b;
    dib.AssignTo(b);
    AssignFrom(b);
    Changed();
}

void TSafetyBitmap::SaveToStream(TStream& Stream) const {
    if (!Empty())
        Stream.WriteBytes(EncodeBMP(FBitmap));
}

void TSafetyBitmap::LoadFromClipboardFormat(int Format, const QByteArray& Data) {
    if (Format != CF_DIB) {
        TGraphic::LoadFromClipboardFormat(Format, Data);
        return;
    }
    if (Data.startsWith("BM")) {
        TMemoryStream file(Data);
        LoadFromStream(file);
        return;
    }
    // A packed DIB: behind a file header whose only non-zero field is "BM", the decoder
    // finds the bits right after the header and colour table.
    QByteArray file(FileHeaderSize, '\0');
    file[0] = 'B';
    file[1] = 'M';
    file += Data;
    TMemoryStream stream(std::move(file));
    LoadFromStream(stream);
}

void TSafetyBitmap::GetMask(TBitmap& Mask) const {
    FMasked.UpdateMask(FBitmap, TransparentColor());
    FMasked.GetMask(Mask);
}

void TSafetyBitmap::SetMask(const TBitmap& Mask) {
    FMasked.SetMask(Mask);
}

void TSafetyBitmap::UpdateMask() const {
    if (Transparent())
        FMasked.UpdateMask(FBitmap, TransparentColor());
}

void TSafetyBitmap::Changed() {
    if (!FAssigning)
        FMasked.Invalidate();
    TGraphic::Changed();
}
