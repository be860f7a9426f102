#pragma once
// The month calendar object of label faces.
//
// TLOCalendar shows one month (Year, Month) as a cross grid (weeks x weekdays), a vertical
// column or a horizontal row of days, with weekday labels, holidays, the six-day cycle, solar
// terms, seasonal days, moon age and schedule entries, each drawn in a style of its own
// (TCalObj). The geometry and painting live in UCalLayout.h.
//
// Units: the rectangle is in logical units (0.1 mm); every inset and share (CalRect*,
// WeekRatio, the RatioRect* of the element styles, rBLineLength, wBLn*Margin) is in 1/10000
// of the rectangle it applies to; line widths (lnWidth, rBLineWidth, wBLineWidth) are
// logical units; colours are 0x00BBGGRR, clNone (0x1FFFFFFF) draws nothing.
//
// Values that index tables are held to their ranges by the setters, so a damaged stream can
// never make the painter look past a table: Month 1..12, Year 1..9999 (years outside the
// calendar tables' 1989..2151 draw from arithmetic only), StartWeek and UserWkHolidayDay
// 0..6, Kind and Split to their enumerations, WeekStyle to a byte (labels past the table are
// empty), the element Alignment to 0..3.
//
// MonthOrigin is the month offset of this calendar from the first month of its document
// (page calendars of a year count 0..11); TCalendarDateAction uses it. PrevNext: with
// OtherMonth, the days of the neighbouring months take their own day colours instead of grey.
//
// UsrSchedule is a reference to a schedule owned elsewhere; it is not streamed. A calendar
// bound to none shows the user's schedule of the calendar service table (UCalServices.h),
// read when it paints. Days with an entry flagged AsHoliday count as holidays.
//
// User-interface thread only.

#include "UCalSchedule.h"
#include "UDrawObject.h"
#include "UFont.h"
#include "UPictureEx.h"

#include <QPointer>
#include <array>
#include <functional>
#include <memory>

struct TCalendarEnums {
    Q_GADGET
public:
    // With int underneath, a number from a stream outside the names (a damaged or newer
    // file) is still a value of the type, which the setters bound.
    enum TCalendarKind : int { ckCross, ckVertical, ckHorizontal };
    Q_ENUM(TCalendarKind)
    enum TCalendarSplit : int { csAll, csTwinHalf, csFirstHalf, csLatterHalf };
    Q_ENUM(TCalendarSplit)
    // Stored values may carry bits beyond the label set (see TLOCalendar::SetWeekStyle): the
    // type holds any byte.
    enum TWeekType : int {
        wtNone,
        wtJpnShort,
        wtJpnLong,
        wtEngVeryShtL,
        wtEngVeryShtS,
        wtEngShort,
        wtEngShortL,
        wtEngShortS,
        wtEngLong,
        wtEngLongL,
        wtEngLongS
    };
    Q_ENUM(TWeekType)
};
using TCalendarKind = TCalendarEnums::TCalendarKind;
using enum TCalendarEnums::TCalendarKind;
using TCalendarSplit = TCalendarEnums::TCalendarSplit;
using enum TCalendarEnums::TCalendarSplit;
using TWeekType = TCalendarEnums::TWeekType;
using enum TCalendarEnums::TWeekType;

// The style of one calendar element (weekday label, date number, holiday name ...). Its rect
// in a cell is the cell's ratio rect with the four RatioRect insets. Text is fitted into that
// rect: Font gives face, style and colour, and its point size is the largest size used.
// Alignment: 0 left, 1 centre, 2 right, 3 justified; LineCenter centres the text across its
// lines' direction, else it starts at the top (right edge for Vertical). Alignment and the
// insets are always written: the calendar gives each element insets and an alignment of its
// own, so no single default holds for them.
class TCalObj : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(int Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool Vertical READ Vertical WRITE SetVertical)
    Q_PROPERTY(int RatioRectLeft READ RatioRectLeft WRITE SetRatioRectLeft)
    Q_PROPERTY(int RatioRectTop READ RatioRectTop WRITE SetRatioRectTop)
    Q_PROPERTY(int RatioRectRight READ RatioRectRight WRITE SetRatioRectRight)
    Q_PROPERTY(int RatioRectBottom READ RatioRectBottom WRITE SetRatioRectBottom)
    Q_PROPERTY(int CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(int LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(bool LineCenter READ LineCenter WRITE SetLineCenter)
    Q_PROPERTY(bool UserHide READ UserHide WRITE SetUserHide)
    Q_CLASSINFO("Default:Visible", "true")
    Q_CLASSINFO("Default:Vertical", "false")
    Q_CLASSINFO("Default:CharSpacing", "0")
    Q_CLASSINFO("Default:LineSpacing", "0")
    Q_CLASSINFO("Default:LineCenter", "true")
    Q_CLASSINFO("Default:UserHide", "false")
public:
    TCalObj();
    ~TCalObj() override;

    // Another TCalObj: every value, the font included; one change.
    void Assign(const TPersistent* Source) override;

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { Set(FVisible, Value); }
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);
    int Alignment() const { return FAlignment; }
    // Held to 0..3.
    void SetAlignment(int Value);
    bool Vertical() const { return FVertical; }
    void SetVertical(bool Value) { Set(FVertical, Value); }
    int RatioRectLeft() const { return FRatio[0]; }
    void SetRatioRectLeft(int Value) { Set(FRatio[0], Value); }
    int RatioRectTop() const { return FRatio[1]; }
    void SetRatioRectTop(int Value) { Set(FRatio[1], Value); }
    int RatioRectRight() const { return FRatio[2]; }
    void SetRatioRectRight(int Value) { Set(FRatio[2], Value); }
    int RatioRectBottom() const { return FRatio[3]; }
    void SetRatioRectBottom(int Value) { Set(FRatio[3], Value); }
    // Sets the four insets at once (one change).
    void SetRatioRect(int Left, int Top, int Right, int Bottom);
    int CharSpacing() const { return FCharSpacing; }
    void SetCharSpacing(int Value) { Set(FCharSpacing, Value); }
    int LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(int Value) { Set(FLineSpacing, Value); }
    bool LineCenter() const { return FLineCenter; }
    void SetLineCenter(bool Value) { Set(FLineCenter, Value); }
    bool UserHide() const { return FUserHide; }
    void SetUserHide(bool Value) { Set(FUserHide, Value); }

    // The element's rect inside Cell.
    TRect ElementRect(const TRect& Cell) const;

    // Every change, the font's included; set by the owning calendar.
    std::function<void()> OnChange;

private:
    template <class T>
    void Set(T& Field, const T& Value) {
        if (Field == Value)
            return;
        Field = Value;
        Changed();
    }
    void Changed();

    std::unique_ptr<TFont> FFont;
    bool FVisible = true;
    int FAlignment = 1;
    bool FVertical = false;
    int FRatio[4] = {0, 0, 0, 0};
    int FCharSpacing = 0;
    int FLineSpacing = 0;
    bool FLineCenter = true;
    bool FUserHide = false;
    int FAssigning = 0;
};

// A rectangular object tied to year/month caption objects through ConnectNo (0: not tied).
class TLOConnected : public TLORectBase {
    Q_OBJECT
    Q_PROPERTY(int ConnectNo READ ConnectNo WRITE SetConnectNo)
    Q_CLASSINFO("Default:ConnectNo", "0")
public:
    explicit TLOConnected(TComponent* Owner = nullptr) : TLORectBase(Owner) {}
    int ConnectNo() const { return FConnectNo; }
    void SetConnectNo(int Value);
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    int FConnectNo = 0;
};

// A date of the calendar; all 0 for none.
struct TCalDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    friend bool operator==(const TCalDate&, const TCalDate&) = default;
};

#define CAL_PROP(Type, Name, Field)                                                                \
    Type Name() const {                                                                            \
        return Field;                                                                              \
    }                                                                                              \
    void Set##Name(Type Value) {                                                                   \
        SetValue(Field, Value);                                                                    \
    }

// The widest grid or base line, in 0.1 mm (the property dialog offers up to 10 mm): a width
// from a stream beyond it is held to it, so that an edge plus the width never overflows.
constexpr int MaxCalLineWidth = 10000;

class TLOCalendar : public TLOConnected {
    Q_OBJECT
    // Layout.
    Q_PROPERTY(TCalendarKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(TCalendarSplit Split READ Split WRITE SetSplit)
    Q_PROPERTY(int CalRectLeft READ CalRectLeft WRITE SetCalRectLeft)
    Q_PROPERTY(int CalRectTop READ CalRectTop WRITE SetCalRectTop)
    Q_PROPERTY(int CalRectRight READ CalRectRight WRITE SetCalRectRight)
    Q_PROPERTY(int CalRectBottom READ CalRectBottom WRITE SetCalRectBottom)
    Q_PROPERTY(int StartWeek READ StartWeek WRITE SetStartWeek)
    Q_PROPERTY(int WeekRatio READ WeekRatio WRITE SetWeekRatio)
    Q_PROPERTY(bool CrossRowAuto READ CrossRowAuto WRITE SetCrossRowAuto)
    Q_PROPERTY(bool OtherMonth READ OtherMonth WRITE SetOtherMonth)
    Q_PROPERTY(bool PrevNext READ PrevNext WRITE SetPrevNext)
    // Date.
    Q_PROPERTY(int Year READ Year WRITE SetYear)
    Q_PROPERTY(int Month READ Month WRITE SetMonth)
    Q_PROPERTY(int MonthOrigin READ MonthOrigin WRITE SetMonthOrigin)
    Q_PROPERTY(TCalSchedule* UsrSchedule READ UsrSchedule WRITE SetUsrSchedule STORED false)
    // Element styles.
    Q_PROPERTY(TCalObj* WeekObj READ WeekObj WRITE SetWeekObj)
    Q_PROPERTY(TCalObj* DateObj READ DateObj WRITE SetDateObj)
    Q_PROPERTY(TCalObj* Holiday READ Holiday WRITE SetHoliday)
    Q_PROPERTY(TCalObj* U6you READ U6you WRITE SetU6you)
    Q_PROPERTY(TCalObj* U24setsuki READ U24setsuki WRITE SetU24setsuki)
    Q_PROPERTY(TCalObj* Zassetsu READ Zassetsu WRITE SetZassetsu)
    Q_PROPERTY(TCalObj* Getsurei READ Getsurei WRITE SetGetsurei)
    Q_PROPERTY(TCalObj* Schedule READ Schedule WRITE SetSchedule)
    Q_PROPERTY(TCalObj* Stamp READ Stamp WRITE SetStamp)
    // Pictures.
    Q_PROPERTY(TPictureEx* BasePic READ BasePic WRITE SetBasePic)
    Q_PROPERTY(TPictureEx* DatePic READ DatePic WRITE SetDatePic)
    Q_PROPERTY(TPictureEx* WeekPic READ WeekPic WRITE SetWeekPic)
    Q_PROPERTY(TPictureEx* Date2Pic READ Date2Pic WRITE SetDate2Pic)
    Q_PROPERTY(TPictureEx* Date3Pic READ Date3Pic WRITE SetDate3Pic)
    Q_PROPERTY(TPictureEx* Date4Pic READ Date4Pic WRITE SetDate4Pic)
    Q_PROPERTY(TPictureEx* Date5Pic READ Date5Pic WRITE SetDate5Pic)
    Q_PROPERTY(bool BaseTilePic READ BaseTilePic WRITE SetBaseTilePic)
    // Grid lines.
    Q_PROPERTY(bool lnVertical READ lnVertical WRITE SetlnVertical)
    Q_PROPERTY(bool lnHorizontal READ lnHorizontal WRITE SetlnHorizontal)
    Q_PROPERTY(int lnWidth READ lnWidth WRITE SetlnWidth)
    Q_PROPERTY(TColor lnColor READ lnColor WRITE SetlnColor)
    Q_PROPERTY(bool DateLine READ DateLine WRITE SetDateLine)
    Q_PROPERTY(bool WeekLine READ WeekLine WRITE SetWeekLine)
    Q_PROPERTY(bool TopLine READ TopLine WRITE SetTopLine)
    Q_PROPERTY(bool WkLineNoDisp READ WkLineNoDisp WRITE SetWkLineNoDisp)
    // Day colours.
    Q_PROPERTY(TColor WeekdayCol READ WeekdayCol WRITE SetWeekdayCol)
    Q_PROPERTY(TColor HolidayCol READ HolidayCol WRITE SetHolidayCol)
    Q_PROPERTY(TColor SatdayCol READ SatdayCol WRITE SetSatdayCol)
    Q_PROPERTY(TColor SundayCol READ SundayCol WRITE SetSundayCol)
    Q_PROPERTY(TColor WeekdayBkCol READ WeekdayBkCol WRITE SetWeekdayBkCol)
    Q_PROPERTY(TColor HolidayBkCol READ HolidayBkCol WRITE SetHolidayBkCol)
    Q_PROPERTY(TColor SatdayBkCol READ SatdayBkCol WRITE SetSatdayBkCol)
    Q_PROPERTY(TColor SundayBkCol READ SundayBkCol WRITE SetSundayBkCol)
    Q_PROPERTY(TColor DateBaseCol READ DateBaseCol WRITE SetDateBaseCol)
    Q_PROPERTY(TColor SundayBaseCol READ SundayBaseCol WRITE SetSundayBaseCol)
    Q_PROPERTY(TColor SaturdayBaseCol READ SaturdayBaseCol WRITE SetSaturdayBaseCol)
    Q_PROPERTY(TColor hdCircleColor READ hdCircleColor WRITE SethdCircleColor)
    // Weekday header.
    Q_PROPERTY(TWeekType WeekStyle READ WeekStyle WRITE SetWeekStyle)
    Q_PROPERTY(TColor wkWeekdayCol READ wkWeekdayCol WRITE SetwkWeekdayCol)
    Q_PROPERTY(TColor wkSundayCol READ wkSundayCol WRITE SetwkSundayCol)
    Q_PROPERTY(TColor wkSatdayCol READ wkSatdayCol WRITE SetwkSatdayCol)
    Q_PROPERTY(TColor wkWeekdayBkCol READ wkWeekdayBkCol WRITE SetwkWeekdayBkCol)
    Q_PROPERTY(TColor wkSundayBkCol READ wkSundayBkCol WRITE SetwkSundayBkCol)
    Q_PROPERTY(TColor wkSatdayBkCol READ wkSatdayBkCol WRITE SetwkSatdayBkCol)
    Q_PROPERTY(TColor WeekBaseCol READ WeekBaseCol WRITE SetWeekBaseCol)
    // User weekly holiday.
    Q_PROPERTY(bool UserWkHoliday READ UserWkHoliday WRITE SetUserWkHoliday)
    Q_PROPERTY(int UserWkHolidayDay READ UserWkHolidayDay WRITE SetUserWkHolidayDay)
    Q_PROPERTY(TColor UserWkHolidayCol READ UserWkHolidayCol WRITE SetUserWkHolidayCol)
    Q_PROPERTY(TColor UserWkHolidayBkCol READ UserWkHolidayBkCol WRITE SetUserWkHolidayBkCol)
    Q_PROPERTY(TColor WkUserWkHolidayCol READ WkUserWkHolidayCol WRITE SetWkUserWkHolidayCol)
    Q_PROPERTY(TColor WkUserWkHolidayBkCol READ WkUserWkHolidayBkCol WRITE SetWkUserWkHolidayBkCol)
    Q_PROPERTY(TColor UserWkHolidayBaseCol READ UserWkHolidayBaseCol WRITE SetUserWkHolidayBaseCol)
    Q_PROPERTY(TColor RBLnUserWkHldayCol READ RBLnUserWkHldayCol WRITE SetRBLnUserWkHldayCol)
    // Row base lines.
    Q_PROPERTY(bool rBLineVisible READ rBLineVisible WRITE SetrBLineVisible)
    Q_PROPERTY(int rBLineLength READ rBLineLength WRITE SetrBLineLength)
    Q_PROPERTY(int rBLineWidth READ rBLineWidth WRITE SetrBLineWidth)
    Q_PROPERTY(TColor rBLnWkdayCol READ rBLnWkdayCol WRITE SetrBLnWkdayCol)
    Q_PROPERTY(TColor rBLnStdayCol READ rBLnStdayCol WRITE SetrBLnStdayCol)
    Q_PROPERTY(TColor rBLnSndayCol READ rBLnSndayCol WRITE SetrBLnSndayCol)
    Q_PROPERTY(TColor rBLnHldayCol READ rBLnHldayCol WRITE SetrBLnHldayCol)
    // Week base line.
    Q_PROPERTY(int wBLineWidth READ wBLineWidth WRITE SetwBLineWidth)
    Q_PROPERTY(int wBLnLftMargin READ wBLnLftMargin WRITE SetwBLnLftMargin)
    Q_PROPERTY(int wBLnRitMargin READ wBLnRitMargin WRITE SetwBLnRitMargin)
    Q_PROPERTY(TColor wBLineColor READ wBLineColor WRITE SetwBLineColor)
    // Misc.
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool UserStyleHide READ UserStyleHide WRITE SetUserStyleHide)
    Q_CLASSINFO("Default:Year", "2005")
    Q_CLASSINFO("Default:WeekRatio", "1429")
    Q_CLASSINFO("Default:HolidayCol", "255")
    Q_CLASSINFO("Default:SatdayCol", "16711680")
    Q_CLASSINFO("Default:SundayCol", "255")
    // WeekStyle values with bits beyond the label set have no name: they are written as
    // numbers and read back from them.
    Q_CLASSINFO("Unnamed:WeekStyle", "true")
    // Colours are written as their identifiers where they have one (clBlack, clNone ...),
    // as numbers otherwise; both forms read.
    Q_CLASSINFO("Idents:lnColor", "cl")
    Q_CLASSINFO("Idents:WeekdayCol", "cl")
    Q_CLASSINFO("Idents:HolidayCol", "cl")
    Q_CLASSINFO("Idents:SatdayCol", "cl")
    Q_CLASSINFO("Idents:SundayCol", "cl")
    Q_CLASSINFO("Idents:WeekdayBkCol", "cl")
    Q_CLASSINFO("Idents:HolidayBkCol", "cl")
    Q_CLASSINFO("Idents:SatdayBkCol", "cl")
    Q_CLASSINFO("Idents:SundayBkCol", "cl")
    Q_CLASSINFO("Idents:DateBaseCol", "cl")
    Q_CLASSINFO("Idents:SundayBaseCol", "cl")
    Q_CLASSINFO("Idents:SaturdayBaseCol", "cl")
    Q_CLASSINFO("Idents:hdCircleColor", "cl")
    Q_CLASSINFO("Idents:wkWeekdayCol", "cl")
    Q_CLASSINFO("Idents:wkSundayCol", "cl")
    Q_CLASSINFO("Idents:wkSatdayCol", "cl")
    Q_CLASSINFO("Idents:wkWeekdayBkCol", "cl")
    Q_CLASSINFO("Idents:wkSundayBkCol", "cl")
    Q_CLASSINFO("Idents:wkSatdayBkCol", "cl")
    Q_CLASSINFO("Idents:WeekBaseCol", "cl")
    Q_CLASSINFO("Idents:UserWkHolidayCol", "cl")
    Q_CLASSINFO("Idents:UserWkHolidayBkCol", "cl")
    Q_CLASSINFO("Idents:WkUserWkHolidayCol", "cl")
    Q_CLASSINFO("Idents:WkUserWkHolidayBkCol", "cl")
    Q_CLASSINFO("Idents:UserWkHolidayBaseCol", "cl")
    Q_CLASSINFO("Idents:RBLnUserWkHldayCol", "cl")
    Q_CLASSINFO("Idents:rBLnWkdayCol", "cl")
    Q_CLASSINFO("Idents:rBLnStdayCol", "cl")
    Q_CLASSINFO("Idents:rBLnSndayCol", "cl")
    Q_CLASSINFO("Idents:rBLnHldayCol", "cl")
    Q_CLASSINFO("Idents:wBLineColor", "cl")
public:
    // New calendars are 600 x 600 units.
    static constexpr int DefaultSize = 600;

    Q_INVOKABLE explicit TLOCalendar(TComponent* Owner = nullptr);
    ~TLOCalendar() override;

    TCalendarKind Kind() const { return FKind; }
    // Values outside the enumeration become ckCross.
    void SetKind(TCalendarKind Value);
    TCalendarSplit Split() const { return FSplit; }
    // Values outside the enumeration become csAll.
    void SetSplit(TCalendarSplit Value);
    CAL_PROP(int, CalRectLeft, FCalRect[0])
    CAL_PROP(int, CalRectTop, FCalRect[1])
    CAL_PROP(int, CalRectRight, FCalRect[2])
    CAL_PROP(int, CalRectBottom, FCalRect[3])
    int StartWeek() const { return FStartWeek; }
    // Held to 0..6 (taken modulo 7).
    void SetStartWeek(int Value);
    CAL_PROP(int, WeekRatio, FWeekRatio)
    CAL_PROP(bool, CrossRowAuto, FCrossRowAuto)
    CAL_PROP(bool, OtherMonth, FOtherMonth)
    CAL_PROP(bool, PrevNext, FPrevNext)

    int Year() const { return FYear; }
    // Held to 1..9999.
    void SetYear(int Value);
    int Month() const { return FMonth; }
    // Held to 1..12.
    void SetMonth(int Value);
    CAL_PROP(int, MonthOrigin, FMonthOrigin)
    TCalSchedule* UsrSchedule() const;
    void SetUsrSchedule(TCalSchedule* Value);

    TCalObj* WeekObj() const { return FStyles[0].get(); }
    void SetWeekObj(TCalObj* Value) { FStyles[0]->Assign(Value); }
    TCalObj* DateObj() const { return FStyles[1].get(); }
    void SetDateObj(TCalObj* Value) { FStyles[1]->Assign(Value); }
    TCalObj* Holiday() const { return FStyles[2].get(); }
    void SetHoliday(TCalObj* Value) { FStyles[2]->Assign(Value); }
    TCalObj* U6you() const { return FStyles[3].get(); }
    void SetU6you(TCalObj* Value) { FStyles[3]->Assign(Value); }
    TCalObj* U24setsuki() const { return FStyles[4].get(); }
    void SetU24setsuki(TCalObj* Value) { FStyles[4]->Assign(Value); }
    TCalObj* Zassetsu() const { return FStyles[5].get(); }
    void SetZassetsu(TCalObj* Value) { FStyles[5]->Assign(Value); }
    TCalObj* Getsurei() const { return FStyles[6].get(); }
    void SetGetsurei(TCalObj* Value) { FStyles[6]->Assign(Value); }
    TCalObj* Schedule() const { return FStyles[7].get(); }
    void SetSchedule(TCalObj* Value) { FStyles[7]->Assign(Value); }
    TCalObj* Stamp() const { return FStyles[8].get(); }
    void SetStamp(TCalObj* Value) { FStyles[8]->Assign(Value); }
    static constexpr int StyleCount = 9;
    TCalObj* Style(int Index) const { return FStyles.at(static_cast<size_t>(Index)).get(); }

    // BasePic lies under the whole object (tiled with BaseTilePic), WeekPic under each
    // weekday label cell, DatePic under each date cell; Date2Pic replaces it on Sundays,
    // Date3Pic on Saturdays, Date4Pic on holidays and Date5Pic on days with a schedule entry
    // (the later in this list wins).
    TPictureEx* BasePic() const { return FPictures[0].get(); }
    void SetBasePic(TPictureEx* Value) { FPictures[0]->Assign(Value); }
    TPictureEx* DatePic() const { return FPictures[1].get(); }
    void SetDatePic(TPictureEx* Value) { FPictures[1]->Assign(Value); }
    TPictureEx* WeekPic() const { return FPictures[2].get(); }
    void SetWeekPic(TPictureEx* Value) { FPictures[2]->Assign(Value); }
    TPictureEx* Date2Pic() const { return FPictures[3].get(); }
    void SetDate2Pic(TPictureEx* Value) { FPictures[3]->Assign(Value); }
    TPictureEx* Date3Pic() const { return FPictures[4].get(); }
    void SetDate3Pic(TPictureEx* Value) { FPictures[4]->Assign(Value); }
    TPictureEx* Date4Pic() const { return FPictures[5].get(); }
    void SetDate4Pic(TPictureEx* Value) { FPictures[5]->Assign(Value); }
    TPictureEx* Date5Pic() const { return FPictures[6].get(); }
    void SetDate5Pic(TPictureEx* Value) { FPictures[6]->Assign(Value); }
    static constexpr int PictureCount = 7;
    TPictureEx* Picture(int Index) const { return FPictures.at(static_cast<size_t>(Index)).get(); }
    CAL_PROP(bool, BaseTilePic, FBaseTilePic)

    // Cell borders: lnHorizontal gives cells their top edge, lnVertical their left edge
    // (the closing edges as the layout rules say). DateLine draws them in the date area,
    // WeekLine around the weekday labels; TopLine draws the top edge of the calendar rect;
    // WkLineNoDisp leaves out the line between the weekday labels and the dates.
    CAL_PROP(bool, lnVertical, FlnVertical)
    CAL_PROP(bool, lnHorizontal, FlnHorizontal)
    int lnWidth() const { return FlnWidth; }
    // Line widths are held to at most MaxCalLineWidth.
    void SetlnWidth(int Value);
    CAL_PROP(TColor, lnColor, FlnColor)
    CAL_PROP(bool, DateLine, FDateLine)
    CAL_PROP(bool, WeekLine, FWeekLine)
    CAL_PROP(bool, TopLine, FTopLine)
    CAL_PROP(bool, WkLineNoDisp, FWkLineNoDisp)

    // Text colours of date numbers by day class; *BkCol fill the cells of days of the
    // month; DateBaseCol fills the date area, SundayBaseCol and SaturdayBaseCol (and
    // UserWkHolidayBaseCol) every cell of that weekday; hdCircleColor is a disc behind the
    // number of holidays.
    CAL_PROP(TColor, WeekdayCol, FWeekdayCol)
    CAL_PROP(TColor, HolidayCol, FHolidayCol)
    CAL_PROP(TColor, SatdayCol, FSatdayCol)
    CAL_PROP(TColor, SundayCol, FSundayCol)
    CAL_PROP(TColor, WeekdayBkCol, FWeekdayBkCol)
    CAL_PROP(TColor, HolidayBkCol, FHolidayBkCol)
    CAL_PROP(TColor, SatdayBkCol, FSatdayBkCol)
    CAL_PROP(TColor, SundayBkCol, FSundayBkCol)
    CAL_PROP(TColor, DateBaseCol, FDateBaseCol)
    CAL_PROP(TColor, SundayBaseCol, FSundayBaseCol)
    CAL_PROP(TColor, SaturdayBaseCol, FSaturdayBaseCol)
    CAL_PROP(TColor, hdCircleColor, FhdCircleColor)

    TWeekType WeekStyle() const { return static_cast<TWeekType>(FWeekStyle); }
    // Kept as a byte; the label set is the value and $7F.
    void SetWeekStyle(TWeekType Value);
    CAL_PROP(TColor, wkWeekdayCol, FwkWeekdayCol)
    CAL_PROP(TColor, wkSundayCol, FwkSundayCol)
    CAL_PROP(TColor, wkSatdayCol, FwkSatdayCol)
    CAL_PROP(TColor, wkWeekdayBkCol, FwkWeekdayBkCol)
    CAL_PROP(TColor, wkSundayBkCol, FwkSundayBkCol)
    CAL_PROP(TColor, wkSatdayBkCol, FwkSatdayBkCol)
    CAL_PROP(TColor, WeekBaseCol, FWeekBaseCol)

    CAL_PROP(bool, UserWkHoliday, FUserWkHoliday)
    int UserWkHolidayDay() const { return FUserWkHolidayDay; }
    // Held to 0..6 (taken modulo 7).
    void SetUserWkHolidayDay(int Value);
    CAL_PROP(TColor, UserWkHolidayCol, FUserWkHolidayCol)
    CAL_PROP(TColor, UserWkHolidayBkCol, FUserWkHolidayBkCol)
    CAL_PROP(TColor, WkUserWkHolidayCol, FWkUserWkHolidayCol)
    CAL_PROP(TColor, WkUserWkHolidayBkCol, FWkUserWkHolidayBkCol)
    CAL_PROP(TColor, UserWkHolidayBaseCol, FUserWkHolidayBaseCol)
    CAL_PROP(TColor, RBLnUserWkHldayCol, FRBLnUserWkHldayCol)

    CAL_PROP(bool, rBLineVisible, FrBLineVisible)
    CAL_PROP(int, rBLineLength, FrBLineLength)
    int rBLineWidth() const { return FrBLineWidth; }
    void SetrBLineWidth(int Value);
    CAL_PROP(TColor, rBLnWkdayCol, FrBLnWkdayCol)
    CAL_PROP(TColor, rBLnStdayCol, FrBLnStdayCol)
    CAL_PROP(TColor, rBLnSndayCol, FrBLnSndayCol)
    CAL_PROP(TColor, rBLnHldayCol, FrBLnHldayCol)

    // A line under the weekday labels, wBLineWidth thick, inset by the margins (1/10000 of
    // the header width); nothing for a width of 0 or less or clNone.
    CAL_PROP(int, wBLineWidth, FwBLineWidth)
    CAL_PROP(int, wBLnLftMargin, FwBLnLftMargin)
    CAL_PROP(int, wBLnRitMargin, FwBLnRitMargin)
    CAL_PROP(TColor, wBLineColor, FwBLineColor)

    // Without Transparent the object's rectangle is first filled white.
    CAL_PROP(bool, Transparent, FTransparent)
    // Elements whose style has UserHide are not drawn while this is set.
    CAL_PROP(bool, UserStyleHide, FUserStyleHide)

    // Everything from another calendar, then this calendar's Year, Month and MonthOrigin
    // again. Other sources change nothing.
    void AssignStyle(const TLOCalendar& Source);
    // The cross kind only: the date of the cell of a day of the month under P; {0, 0, 0}
    // anywhere else (other kinds, the header, empty cells, outside).
    TCalDate GetDateAtPoint(const TPoint& P) const;
    // Weekday label cell I (0..6) of the cross header row.
    TRect GetWeekHeaderCellRect(int I) const;
    // The first date cell of the current kind.
    TRect GetFirstDateCellRect() const;

    // The object's rect with the grid lines: the drag outline.
    void DrawOutline(TCanvas& Canvas) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;

private:
    template <class T>
    void SetValue(T& Field, const T& Value) {
        if (Field == Value)
            return;
        Field = Value;
        StyleChanged();
    }
    void StyleChanged();

    TCalendarKind FKind = ckCross;
    TCalendarSplit FSplit = csAll;
    int FCalRect[4] = {0, 0, 0, 0};
    int FStartWeek = 0;
    int FWeekRatio = 1429;
    bool FCrossRowAuto = false;
    bool FOtherMonth = false;
    bool FPrevNext = false;
    int FYear = 2005;
    int FMonth = 1;
    int FMonthOrigin = 0;
    QPointer<TCalSchedule> FUsrSchedule;
    std::array<std::unique_ptr<TCalObj>, StyleCount> FStyles;
    std::array<std::unique_ptr<TPictureEx>, PictureCount> FPictures;
    bool FBaseTilePic = false;
    bool FlnVertical = true;
    bool FlnHorizontal = true;
    int FlnWidth = 2;
    TColor FlnColor = clBlack;
    bool FDateLine = true;
    bool FWeekLine = true;
    bool FTopLine = false;
    bool FWkLineNoDisp = false;
    TColor FWeekdayCol = clBlack;
    TColor FHolidayCol = 0x0000FF;
    TColor FSatdayCol = 0xFF0000;
    TColor FSundayCol = 0x0000FF;
    TColor FWeekdayBkCol = clNone;
    TColor FHolidayBkCol = clNone;
    TColor FSatdayBkCol = clNone;
    TColor FSundayBkCol = clNone;
    TColor FDateBaseCol = clNone;
    TColor FSundayBaseCol = clNone;
    TColor FSaturdayBaseCol = clNone;
    TColor FhdCircleColor = clNone;
    int FWeekStyle = wtJpnShort;
    TColor FwkWeekdayCol = clBlack;
    TColor FwkSundayCol = 0x0000FF;
    TColor FwkSatdayCol = 0xFF0000;
    TColor FwkWeekdayBkCol = clNone;
    TColor FwkSundayBkCol = clNone;
    TColor FwkSatdayBkCol = clNone;
    TColor FWeekBaseCol = clNone;
    bool FUserWkHoliday = false;
    int FUserWkHolidayDay = 3;
    TColor FUserWkHolidayCol = 0x0000FF;
    TColor FUserWkHolidayBkCol = clNone;
    TColor FWkUserWkHolidayCol = 0x0000FF;
    TColor FWkUserWkHolidayBkCol = clNone;
    TColor FUserWkHolidayBaseCol = clNone;
    TColor FRBLnUserWkHldayCol = 0x0000FF;
    bool FrBLineVisible = false;
    int FrBLineLength = 2000;
    int FrBLineWidth = 4;
    TColor FrBLnWkdayCol = clGray;
    TColor FrBLnStdayCol = 0xFF0000;
    TColor FrBLnSndayCol = 0x0000FF;
    TColor FrBLnHldayCol = 0x0000FF;
    int FwBLineWidth = 0;
    int FwBLnLftMargin = 0;
    int FwBLnRitMargin = 0;
    TColor FwBLineColor = clNone;
    bool FTransparent = true;
    bool FUserStyleHide = false;
};

#undef CAL_PROP
