#pragma once
// TLOYearMonth: the year or month caption of a calendar page ("2019", "5"), tied to the
// page's calendars through ConnectNo (TCalendarDateAction sets it with them).
//
// The caption is drawn in Font, centred in the rectangle and shrunk to fit it; FitToContent
// sizes the rectangle to the caption at the font's size. Year is held to 1..9999, Month to
// 1..12.

#include "ULOCalendar.h"

class TLOYearMonth : public TLOConnected, public IDOFont {
    Q_OBJECT
    Q_PROPERTY(bool IsYear READ IsYear WRITE SetIsYear)
    Q_PROPERTY(int Year READ Year WRITE SetYear)
    Q_PROPERTY(int Month READ Month WRITE SetMonth)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFontProperty)
    Q_CLASSINFO("Default:IsYear", "false")
public:
    Q_INVOKABLE explicit TLOYearMonth(TComponent* Owner = nullptr);
    ~TLOYearMonth() override;

    // The year ("2019") instead of the month ("5").
    bool IsYear() const { return FIsYear; }
    void SetIsYear(bool Value);
    int Year() const { return FYear; }
    void SetYear(int Value);
    int Month() const { return FMonth; }
    void SetMonth(int Value);
    TFont* Font() const { return FFont.get(); }
    void SetFontProperty(TFont* Value);

    // The caption as drawn.
    QString CaptionText() const;
    // The rectangle keeps its top-left corner and takes the caption's size at the font's
    // size, plus a tenth of the font's height on each side.
    void FitToContent();

    TFont* GetFont() const override { return FFont.get(); }
    void SetFont(const TFont& Value) override { FFont->Assign(Value); }
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    void ValueChanged();

    bool FIsYear = false;
    int FYear = 2005;
    int FMonth = 1;
    std::unique_ptr<TFont> FFont;
};
