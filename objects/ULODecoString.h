#pragma once
// The decorative string: a text written with an image font (UImageFont.h) in the object's
// rectangle, one picture per character, optionally turned by Angle about the rectangle's
// centre.
//
// The characters are as high as the rectangle and laid out over its width with Align (0
// left, 1 centre, 2 right, 3 justify). Unturned, the text is drawn straight onto the canvas;
// turned, it is drawn once at one pixel per logical unit into a cache on the transparent
// colour 0xF0F0F0, which is turned and stretched over the bounds. A rectangle too large for
// a bitmap (over 32767 units a side) or a cache that cannot be allocated makes the paint
// fail, and the object shows the failed-paint box.
//
// Angle is stored in whole degrees, clockwise, normalised to 0 .. 359.

#include "UDrawObject.h"
#include "UImageFont.h"
#include "USafetyBitmap.h"
#include "UTransformer.h"

#include <memory>

class TLODecoString : public TLORectBase, public IDORotate, public IDOAlign {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int FontNo READ FontNo WRITE SetFontNo)
    Q_PROPERTY(int Align READ GetAlign WRITE SetAlign)
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_CLASSINFO("Default:Align", "0")
public:
    Q_INVOKABLE explicit TLODecoString(TComponent* Owner = nullptr);
    ~TLODecoString() override;

    QString Text() const { return FText; }
    void SetText(const QString& Value);
    // The image font's number (1 at creation).
    int FontNo() const { return FFont->FontNo(); }
    void SetFontNo(int Value) { FFont->SetFontNo(Value); }
    int GetAlign() const override { return FAlign; }
    void SetAlign(int Value) override;
    int GetAngle() const override { return FRotator.GetAngle(); }
    // Stores Value normalised to 0 .. 359.
    void SetAngle(int Value) override;

    TImageFont& ImageFont() const { return *FFont; }
    // Font height 100, then the rectangle (0, 0, text width, text height). An empty text
    // keeps the rectangle (it would otherwise shrink to nothing that could be selected).
    void FitToText();

    // Draws the text into R (logical units of Canvas) with the current alignment, each
    // character as high as the image font.
    void DrawText(TCanvas& Canvas, const TRect& R);

    void SetBoundsRect(const TRect& R) override;
    TRect GetBoundsRect() const override;
    bool HitTest(const TPoint& P) const override;
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    void ListenerNotify(IInterface* Sender, const TGUID& MsgID) override;
    void Loaded() override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

    // True while a turned picture is cached (tests and diagnostics).
    bool HasCache() const { return FCache != nullptr; }

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    void ContentChanged();
    void BuildCache();

    std::unique_ptr<TImageFont> FFont;
    TRotator FRotator;
    std::unique_ptr<TSafetyBitmap> FCache;
    QString FText;
    int FAlign = 0;
};
