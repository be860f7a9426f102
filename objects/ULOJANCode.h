#pragma once
// TLOJANCode: the drawing object that shows a JAN (EAN-13 or EAN-8) bar code through
// TJANCode in its rectangle, turned by Angle about the rectangle's centre, with the digits
// below in Font and an optional frame. A code that is not 8 or 13 digits draws nothing.
// The owned colour fill answers IDOColor; its solid colour is the digits' colour.

#include "UColorFill.h"
#include "UDrawObject.h"
#include "USimpleText.h"
#include "UTransformer.h"

class TLOJANCode : public TLORectBase, public IDORotate, public IDOFont, public IDOColor {
    Q_OBJECT
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(QString JANCode READ JANCode WRITE SetJANCode)
    Q_PROPERTY(TPointBasedFont* Font READ Font WRITE SetFontProperty)
    Q_PROPERTY(bool ShowNumber READ ShowNumber WRITE SetShowNumber)
    Q_PROPERTY(bool ShowFrame READ ShowFrame WRITE SetShowFrame)
    Q_CLASSINFO("Default:ShowNumber", "true")
    Q_CLASSINFO("Default:ShowFrame", "false")
public:
    Q_INVOKABLE explicit TLOJANCode(TComponent* Owner = nullptr);

    int GetAngle() const override { return FRotator.GetAngle(); }
    virtual void SetAngle(int Value) override;
    QString JANCode() const { return FJANCode; }
    void SetJANCode(const QString& Value);
    bool ShowNumber() const { return FShowNumber; }
    void SetShowNumber(bool Value);
    bool ShowFrame() const { return FShowFrame; }
    void SetShowFrame(bool Value);

    // The font of the digits; any change: Changed, Invalidate, surface notified.
    TPointBasedFont* Font() const { return FFont.get(); }
    void SetFontProperty(TPointBasedFont* Value);
    TFont* GetFont() const override { return FFont.get(); }
    void SetFont(const TFont& Value) override { FFont->Assign(Value); }

    // IDOColor: the colour fill follows the font's colour; setting one copies its solid
    // colour into the font.
    TColorSpec* GetColor() const override { return FColor.get(); }
    void SetColor(const TColorSpec& Value) override { FColor->Assign(&Value); }

    TRect GetBoundsRect() const override;
    bool HitTest(const TPoint& P) const override;
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    void SetBoundsRect(const TRect& R) override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    std::vector<TPoint> RotatedCorners() const;

    TRotator FRotator;
    QString FJANCode;
    bool FShowNumber = true;
    bool FShowFrame = false;
    std::unique_ptr<TPointBasedFont> FFont;
    std::unique_ptr<TColorSpec> FColor;
};
