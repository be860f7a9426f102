#include "ULOCalendar.h"

#include "UCalLayout.h"
#include "UCalServices.h"
#include "UCanvas.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// TCalObj

TCalObj::TCalObj() : FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this] { Changed(); };
}

TCalObj::~TCalObj() {
    FFont->OnChange = nullptr;
}

void TCalObj::Changed() {
    if (FAssigning == 0 && OnChange)
        OnChange();
}

void TCalObj::Assign(const TPersistent* Source) {
    const auto* s = qobject_cast<const TCalObj*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    if (s == this)
        return;
    ++FAssigning;
    FFont->Assign(*s->FFont);
    FVisible = s->FVisible;
    FAlignment = s->FAlignment;
    FVertical = s->FVertical;
    std::copy(std::begin(s->FRatio), std::end(s->FRatio), std::begin(FRatio));
    FCharSpacing = s->FCharSpacing;
    FLineSpacing = s->FLineSpacing;
    FLineCenter = s->FLineCenter;
    FUserHide = s->FUserHide;
    --FAssigning;
    Changed();
}

void TCalObj::SetFont(TFont* Value) {
    if (Value)
        FFont->Assign(*Value);
}

void TCalObj::SetAlignment(int Value) {
    Set(FAlignment, std::clamp(Value, 0, 3));
}

void TCalObj::SetRatioRect(int Left, int Top, int Right, int Bottom) {
    ++FAssigning;
    SetRatioRectLeft(Left);
    SetRatioRectTop(Top);
    SetRatioRectRight(Right);
    SetRatioRectBottom(Bottom);
    --FAssigning;
    Changed();
}

TRect TCalObj::ElementRect(const TRect& Cell) const {
    return RatioRect(Cell, FRatio[0], FRatio[1], FRatio[2], FRatio[3]);
}

// ---------------------------------------------------------------------------------------
// TLOConnected

void TLOConnected::SetConnectNo(int Value) {
    if (Value == FConnectNo)
        return;
    FConnectNo = Value;
    Changed();
}

void TLOConnected::ResizeTo(int AWidth, int AHeight) {
    SetBoundsRect(TRect(Left(), Top(), Left() + AWidth, Top() + AHeight));
}

void TLOConnected::DrawOutline(TCanvas& Canvas) {
    const TRect r = GetRect();
    Canvas.Rectangle(r);
}

void TLOConnected::AssignTo(TPersistent* Dest) const {
    TLORectBase::AssignTo(Dest);
    if (auto* d = qobject_cast<TLOConnected*>(Dest))
        d->SetConnectNo(FConnectNo);
}

// ---------------------------------------------------------------------------------------
// TLOCalendar

namespace {

// Default placement of the elements in a square date cell, and their largest point sizes.
struct TStyleDefault {
    int L, T, R, B;
    int Alignment;
    int Size;
};
constexpr TStyleDefault StyleDefaults[TLOCalendar::StyleCount] = {
    {1000, 1500, 1000, 1500, 1, 72}, // WeekObj: the label cell with a margin
    {2200, 500, 2200, 4400, 1, 72},  // DateObj: the upper middle
    {300, 5800, 300, 2600, 1, 72},   // Holiday: under the number
    {7800, 300, 300, 8000, 2, 72},   // U6you: top right
    {300, 7600, 300, 800, 1, 72},    // U24setsuki: the bottom line
    {300, 7600, 300, 800, 1, 72},    // Zassetsu: the bottom line (days rarely have both)
    {300, 300, 7800, 7300, 0, 72},   // Getsurei: top left
    {300, 4200, 300, 4200, 1, 72},   // Schedule: the middle line
    {7800, 5800, 400, 2600, 1, 72}   // Stamp: a mark at the right
};

} // namespace

TLOCalendar::TLOCalendar(TComponent* Owner) : TLOConnected(Owner) {
    for (int i = 0; i < StyleCount; ++i) {
        auto style = std::make_unique<TCalObj>();
        const TStyleDefault& d = StyleDefaults[i];
        style->SetRatioRect(d.L, d.T, d.R, d.B);
        style->SetAlignment(d.Alignment);
        style->Font()->SetSize(d.Size);
        style->Font()->SetColor(clBlack);
        style->OnChange = [this] { StyleChanged(); };
        FStyles[static_cast<size_t>(i)] = std::move(style);
    }
    for (auto& picture : FPictures) {
        picture = std::make_unique<TPictureEx>();
        picture->OnChange = [this](TPictureEx*) { StyleChanged(); };
    }
    SetBoundsRect(TRect(0, 0, DefaultSize, DefaultSize));
}

TLOCalendar::~TLOCalendar() {
    for (auto& style : FStyles)
        style->OnChange = nullptr;
    for (auto& picture : FPictures)
        picture->OnChange = nullptr;
}

void TLOCalendar::StyleChanged() {
    Changed();
    Invalidate();
}

void TLOCalendar::SetKind(TCalendarKind Value) {
    const int v = static_cast<int>(Value);
    SetValue(FKind, v >= ckCross && v <= ckHorizontal ? Value : ckCross);
}

void TLOCalendar::SetSplit(TCalendarSplit Value) {
    const int v = static_cast<int>(Value);
    SetValue(FSplit, v >= csAll && v <= csLatterHalf ? Value : csAll);
}

void TLOCalendar::SetStartWeek(int Value) {
    SetValue(FStartWeek, ((Value % 7) + 7) % 7);
}

void TLOCalendar::SetYear(int Value) {
    SetValue(FYear, std::clamp(Value, 1, 9999));
}

void TLOCalendar::SetMonth(int Value) {
    SetValue(FMonth, std::clamp(Value, 1, 12));
}

TCalSchedule* TLOCalendar::UsrSchedule() const {
    return FUsrSchedule ? FUsrSchedule.data() : CurrentCalendarSchedule();
}

void TLOCalendar::SetUsrSchedule(TCalSchedule* Value) {
    if (FUsrSchedule == Value)
        return;
    FUsrSchedule = Value;
    Invalidate();
}

void TLOCalendar::SetWeekStyle(TWeekType Value) {
    SetValue(FWeekStyle, static_cast<int>(Value) & 0xFF);
}

void TLOCalendar::SetlnWidth(int Value) {
    SetValue(FlnWidth, std::min(Value, MaxCalLineWidth));
}

void TLOCalendar::SetrBLineWidth(int Value) {
    SetValue(FrBLineWidth, std::min(Value, MaxCalLineWidth));
}

void TLOCalendar::SetUserWkHolidayDay(int Value) {
    SetValue(FUserWkHolidayDay, ((Value % 7) + 7) % 7);
}

void TLOCalendar::AssignStyle(const TLOCalendar& Source) {
    if (&Source == this)
        return;
    const int year = FYear, month = FMonth, origin = FMonthOrigin;
    BeginUpdate();
    Assign(&Source);
    SetYear(year);
    SetMonth(month);
    SetMonthOrigin(origin);
    EndUpdate();
}

TCalDate TLOCalendar::GetDateAtPoint(const TPoint& P) const {
    if (FKind != ckCross)
        return {};
    const TCalLayout layout = BuildCalLayout(*this);
    for (const TCalCell& cell : layout.Cells)
        if (cell.Day.InMonth && PtInRect(cell.Rect, P))
            return {cell.Day.Year, cell.Day.Month, cell.Day.Day};
    return {};
}

TRect TLOCalendar::GetWeekHeaderCellRect(int I) const {
    const TCalLayout layout = BuildCalLayout(*this);
    const TRect h = ckCross == FKind
                        ? layout.Header
                        : TRect(layout.CalRect.Left, layout.CalRect.Top, layout.CalRect.Right,
                                layout.CalRect.Top + RatioOf(layout.CalRect.Height(), FWeekRatio));
    return CrossCellRect(h, std::clamp(I, 0, 6), 0, 1);
}

TRect TLOCalendar::GetFirstDateCellRect() const {
    const TCalLayout layout = BuildCalLayout(*this);
    if (FKind == ckCross)
        return CrossCellRect(layout.DateArea, 0, 0, 6);
    TRect area = layout.DateArea;
    const bool horizontal = FKind == ckHorizontal;
    if (FSplit == csTwinHalf) {
        if (horizontal)
            area.Bottom = area.Top + area.Height() / 2;
        else
            area.Right = area.Left + area.Width() / 2;
    }
    return ListCellRect(area, 0, FSplit == csTwinHalf ? 16 : 31, horizontal);
}

void TLOCalendar::DrawOutline(TCanvas& Canvas) {
    DrawCalendarOutline(*this, Canvas);
}

void TLOCalendar::Paint() {
    PaintCalendar(*this, GetCanvas());
}

void TLOCalendar::AssignTo(TPersistent* Dest) const {
    TLOConnected::AssignTo(Dest);
    auto* d = qobject_cast<TLOCalendar*>(Dest);
    if (!d)
        return;
    d->BeginUpdate();
    d->SetKind(FKind);
    d->SetSplit(FSplit);
    std::copy(std::begin(FCalRect), std::end(FCalRect), std::begin(d->FCalRect));
    d->SetStartWeek(FStartWeek);
    d->SetWeekRatio(FWeekRatio);
    d->SetCrossRowAuto(FCrossRowAuto);
    d->SetOtherMonth(FOtherMonth);
    d->SetPrevNext(FPrevNext);
    d->SetYear(FYear);
    d->SetMonth(FMonth);
    d->SetMonthOrigin(FMonthOrigin);
    d->SetUsrSchedule(FUsrSchedule.data());
    for (int i = 0; i < StyleCount; ++i)
        d->Style(i)->Assign(Style(i));
    for (int i = 0; i < PictureCount; ++i)
        d->Picture(i)->Assign(Picture(i));
    d->SetBaseTilePic(FBaseTilePic);
    d->SetlnVertical(FlnVertical);
    d->SetlnHorizontal(FlnHorizontal);
    d->SetlnWidth(FlnWidth);
    d->SetlnColor(FlnColor);
    d->SetDateLine(FDateLine);
    d->SetWeekLine(FWeekLine);
    d->SetTopLine(FTopLine);
    d->SetWkLineNoDisp(FWkLineNoDisp);
    d->SetWeekdayCol(FWeekdayCol);
    d->SetHolidayCol(FHolidayCol);
    d->SetSatdayCol(FSatdayCol);
    d->SetSundayCol(FSundayCol);
    d->SetWeekdayBkCol(FWeekdayBkCol);
    d->SetHolidayBkCol(FHolidayBkCol);
    d->SetSatdayBkCol(FSatdayBkCol);
    d->SetSundayBkCol(FSundayBkCol);
    d->SetDateBaseCol(FDateBaseCol);
    d->SetSundayBaseCol(FSundayBaseCol);
    d->SetSaturdayBaseCol(FSaturdayBaseCol);
    d->SethdCircleColor(FhdCircleColor);
    d->FWeekStyle = FWeekStyle;
    d->SetwkWeekdayCol(FwkWeekdayCol);
    d->SetwkSundayCol(FwkSundayCol);
    d->SetwkSatdayCol(FwkSatdayCol);
    d->SetwkWeekdayBkCol(FwkWeekdayBkCol);
    d->SetwkSundayBkCol(FwkSundayBkCol);
    d->SetwkSatdayBkCol(FwkSatdayBkCol);
    d->SetWeekBaseCol(FWeekBaseCol);
    d->SetUserWkHoliday(FUserWkHoliday);
    d->SetUserWkHolidayDay(FUserWkHolidayDay);
    d->SetUserWkHolidayCol(FUserWkHolidayCol);
    d->SetUserWkHolidayBkCol(FUserWkHolidayBkCol);
    d->SetWkUserWkHolidayCol(FWkUserWkHolidayCol);
    d->SetWkUserWkHolidayBkCol(FWkUserWkHolidayBkCol);
    d->SetUserWkHolidayBaseCol(FUserWkHolidayBaseCol);
    d->SetRBLnUserWkHldayCol(FRBLnUserWkHldayCol);
    d->SetrBLineVisible(FrBLineVisible);
    d->SetrBLineLength(FrBLineLength);
    d->SetrBLineWidth(FrBLineWidth);
    d->SetrBLnWkdayCol(FrBLnWkdayCol);
    d->SetrBLnStdayCol(FrBLnStdayCol);
    d->SetrBLnSndayCol(FrBLnSndayCol);
    d->SetrBLnHldayCol(FrBLnHldayCol);
    d->SetwBLineWidth(FwBLineWidth);
    d->SetwBLnLftMargin(FwBLnLftMargin);
    d->SetwBLnRitMargin(FwBLnRitMargin);
    d->SetwBLineColor(FwBLineColor);
    d->SetTransparent(FTransparent);
    d->SetUserStyleHide(FUserStyleHide);
    d->StyleChanged();
    d->EndUpdate();
}
