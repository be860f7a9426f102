#include "UCalLayout.h"

#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UCanvas.h"
#include "UCanvasGuards.h"
#include "UDayTable.h"
#include "UDesigner.h"
#include "UHolidays.h"
#include "USimpleText.h"

#include <algorithm>
#include <map>

// ---------------------------------------------------------------------------------------
// Geometry

int RatioOf(int Length, int Ratio) {
    return static_cast<int>(int64_t(Length) * Ratio / 10000);
}

TRect RatioRect(const TRect& R, int Left, int Top, int Right, int Bottom) {
    const int w = R.Width(), h = R.Height();
    return TRect(R.Left + RatioOf(w, Left), R.Top + RatioOf(h, Top), R.Right - RatioOf(w, Right),
                 R.Bottom - RatioOf(h, Bottom));
}

int64_t RoundHalfEven(int64_t Numerator, int64_t Denominator) {
    int64_t q = Numerator / Denominator;
    int64_t r = Numerator % Denominator;
    if (r < 0) { // floor division
        r += Denominator;
        --q;
    }
    if (2 * r > Denominator || (2 * r == Denominator && (q & 1) != 0))
        ++q;
    return q;
}

TRect CrossCellRect(const TRect& Area, int Column, int Row, int Rows) {
    const int64_t w = Area.Width(), h = Area.Height();
    const int n = std::max(1, Rows);
    return TRect(Area.Left + int(RoundHalfEven(Column * w, 7)),
                 Area.Top + int(RoundHalfEven(Row * h, n)),
                 Area.Left + int(RoundHalfEven((Column + 1) * w, 7)),
                 Area.Top + int(RoundHalfEven((Row + 1) * h, n)));
}

TRect ListCellRect(const TRect& Area, int Index, int Cells, bool Horizontal) {
    const int n = std::max(1, Cells);
    if (Horizontal) {
        const int64_t w = Area.Width();
        return TRect(Area.Left + int(RoundHalfEven(Index * w, n)), Area.Top,
                     Area.Left + int(RoundHalfEven((Index + 1) * w, n)), Area.Bottom);
    }
    const int64_t h = Area.Height();
    return TRect(Area.Left, Area.Top + int(RoundHalfEven(Index * h, n)), Area.Right,
                 Area.Top + int(RoundHalfEven((Index + 1) * h, n)));
}

QString WeekLabel(int WeekStyle, int Weekday) {
    static const char16_t* const Lists[] = {
        u"",
        u"日,月,火,水,木,金,土",
        u"日曜日,月曜日,火曜日,水曜日,木曜日,金曜日,土曜日",
        u"S,M,T,W,T,F,S",
        u"s,m,t,w,t,f,s",
        u"Sun,Mon,Tue,Wed,Thu,Fri,Sat",
        u"SUN,MON,TUE,WED,THU,FRI,SAT",
        u"sun,mon,tue,wed,thu,fri,sat",
        u"Sunday,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday",
        u"SUNDAY,MONDAY,TUESDAY,WEDNESDAY,THURSDAY,FRIDAY,SATURDAY",
        u"sunday,monday,tuesday,wednesday,thursday,friday,saturday",
    };
    const int set = WeekStyle & 0x7F;
    if (set >= int(std::size(Lists)) || Weekday < 0)
        return {};
    const QStringList items = QString::fromUtf16(Lists[set]).split(u',');
    return Weekday < items.size() && !items[Weekday].isEmpty() ? items[Weekday] : QString();
}

const TCalCell* TCalLayout::CellOfDay(int Day) const {
    for (const TCalCell& cell : Cells)
        if (cell.Day.InMonth && cell.Day.Day == Day)
            return &cell;
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// The layout model

namespace {

// What a schedule holds for the days of a few months, read once per layout.
struct TScheduleDay {
    QString Text;
    bool AsHoliday = false;
    int Stamp = 0;
    int Style = 0;
};
using TScheduleDays = std::map<int, TScheduleDay>; // by day number

TScheduleDays ScheduleDaysAround(const TCalSchedule* Schedule, int Year, int Month) {
    TScheduleDays days;
    if (!Schedule)
        return days;
    const int first = DayNumber(Year, Month, 1) - 31;
    const int last = DayNumber(Year, Month, 1) + 62;
    for (int i = 0; i < Schedule->Count(); ++i) {
        const TCalScheduleItem* item = Schedule->Items(i);
        const int n = item->DayNumber();
        if (n < first || n > last)
            continue;
        auto [it, added] = days.try_emplace(n);
        TScheduleDay& day = it->second;
        if (added) {
            day.Text = item->Description();
            day.Style = item->HowToDisplay();
        }
        day.AsHoliday = day.AsHoliday || item->AsHoliday();
        if (day.Stamp <= 0)
            day.Stamp = item->Icon();
    }
    return days;
}

TCalDay DayOf(int Year, int Month, int Day, bool InMonth, const TScheduleDays& Schedule) {
    TCalDay d;
    d.Year = Year;
    d.Month = Month;
    d.Day = Day;
    d.InMonth = InMonth;
    d.Weekday = DayOfWeek(Year, Month, Day);
    if (const THolidays* holidays = HolidayTable()) {
        const int index = holidays->HolidayIndex(Year, Month, Day);
        if (index >= 0) {
            d.IsHoliday = true;
            d.HolidayName = holidays->HolidayName(index);
        }
    }
    if (auto it = Schedule.find(DayNumber(Year, Month, Day)); it != Schedule.end()) {
        d.HasSchedule = true;
        d.ScheduleText = it->second.Text;
        d.StampCode = it->second.Stamp;
        d.ScheduleStyle = it->second.Style;
        d.IsHoliday = d.IsHoliday || it->second.AsHoliday;
    }
    return d;
}

// Year and month moved by Delta months.
void ShiftMonth(int& Year, int& Month, int Delta) {
    const int m = Year * 12 + (Month - 1) + Delta;
    Year = m / 12;
    Month = m % 12 + 1;
}

// The day shown at place N (1-based within the month, may lie outside) of the grid.
TCalDay GridDay(const TLOCalendar& C, int N, int Days, const TScheduleDays& Schedule) {
    if (N >= 1 && N <= Days)
        return DayOf(C.Year(), C.Month(), N, true, Schedule);
    if (!C.OtherMonth())
        return {};
    int y = C.Year(), m = C.Month();
    if (N < 1) {
        ShiftMonth(y, m, -1);
        if (y < 1)
            return {};
        return DayOf(y, m, DaysInMonth(y, m) + N, false, Schedule);
    }
    ShiftMonth(y, m, 1);
    if (y > 9999)
        return {};
    return DayOf(y, m, N - Days, false, Schedule);
}

void BuildCross(const TLOCalendar& C, TCalLayout& L, const TScheduleDays& Schedule) {
    const TRect& cal = L.CalRect;
    const int headerHeight =
        std::clamp(RatioOf(cal.Height(), C.WeekRatio()), 0, std::max(0, cal.Height()));
    L.Header = TRect(cal.Left, cal.Top, cal.Right, cal.Top + headerHeight);
    L.DateArea = TRect(cal.Left, cal.Top + headerHeight, cal.Right, cal.Bottom);
    const int start = C.StartWeek();
    for (int c = 0; c < 7; ++c) {
        TCalHeaderCell h;
        h.Rect = CrossCellRect(L.Header, c, 0, 1);
        h.Weekday = (start + c) % 7;
        if (C.WeekLine()) {
            if (C.lnHorizontal())
                h.Borders |= cbTop | (!C.DateLine() && !C.WkLineNoDisp() ? cbBottom : 0);
            if (C.lnVertical())
                h.Borders |= cbLeft | (c == 6 ? cbRight : 0);
        }
        L.HeaderCells.push_back(h);
    }
    const int days = DaysInMonth(C.Year(), C.Month());
    const int lead = ((DayOfWeek(C.Year(), C.Month(), 1) - start) % 7 + 7) % 7;
    const int needed = WeeksInMonth(C.Year(), C.Month(), start);
    L.Rows = C.CrossRowAuto() && needed > 0 ? needed : 6;
    for (int r = 0; r < L.Rows; ++r)
        for (int c = 0; c < 7; ++c) {
            TCalCell cell;
            cell.Rect = CrossCellRect(L.DateArea, c, r, L.Rows);
            cell.Column = c;
            cell.Row = r;
            const int n = r * 7 + c - lead + 1;
            cell.Day = GridDay(C, n, days, Schedule);
            if (C.DateLine()) {
                if (C.lnHorizontal())
                    cell.Borders |=
                        (r == 0 && C.WkLineNoDisp() ? 0 : cbTop) | (n + 7 > days ? cbBottom : 0);
                if (C.lnVertical())
                    cell.Borders |= cbLeft | ((start + c) % 7 == (start + 6) % 7 ? cbRight : 0);
            }
            L.Cells.push_back(std::move(cell));
        }
}

// Cells of one half of a list calendar: days First..Last in Area, Count places.
void AddListCells(const TLOCalendar& C, TCalLayout& L, const TRect& Area, int First, int Last,
                  int Count, int Half, const TScheduleDays& Schedule) {
    const bool horizontal = C.Kind() == ckHorizontal;
    for (int day = First; day <= Last; ++day) {
        TCalCell cell;
        cell.Row = day - First;
        cell.Column = Half;
        cell.Rect = ListCellRect(Area, cell.Row, Count, horizontal);
        cell.Day = DayOf(C.Year(), C.Month(), day, true, Schedule);
        if (C.DateLine()) {
            // Lines between days run across the list; the sides run along it.
            const bool across = horizontal ? C.lnVertical() : C.lnHorizontal();
            const bool along = horizontal ? C.lnHorizontal() : C.lnVertical();
            const int before = horizontal ? cbLeft : cbTop;
            const int after = horizontal ? cbRight : cbBottom;
            const int sides = horizontal ? cbTop | cbBottom : cbLeft | cbRight;
            if (across)
                cell.Borders |= before | (day == Last ? after : 0);
            if (along)
                cell.Borders |= sides;
        }
        L.Cells.push_back(std::move(cell));
    }
}

void BuildList(const TLOCalendar& C, TCalLayout& L, const TScheduleDays& Schedule) {
    L.DateArea = L.CalRect;
    const int days = DaysInMonth(C.Year(), C.Month());
    const TRect& a = L.DateArea;
    switch (C.Split()) {
    case csAll:
        AddListCells(C, L, a, 1, days, 31, 0, Schedule);
        break;
    case csFirstHalf:
        AddListCells(C, L, a, 1, std::min(16, days), 31, 0, Schedule);
        break;
    case csLatterHalf:
        AddListCells(C, L, a, 17, days, 31, 0, Schedule);
        break;
    case csTwinHalf: {
        TRect first = a, second = a;
        if (C.Kind() == ckHorizontal)
            first.Bottom = second.Top = a.Top + a.Height() / 2;
        else
            first.Right = second.Left = a.Left + a.Width() / 2;
        AddListCells(C, L, first, 1, std::min(16, days), 16, 0, Schedule);
        AddListCells(C, L, second, 17, days, 16, 1, Schedule);
        break;
    }
    }
}

} // namespace

TCalLayout BuildCalLayout(const TLOCalendar& Calendar) {
    TCalLayout l;
    l.Kind = Calendar.Kind();
    l.Bounds = Calendar.GetRect();
    l.CalRect = RatioRect(l.Bounds, Calendar.CalRectLeft(), Calendar.CalRectTop(),
                          Calendar.CalRectRight(), Calendar.CalRectBottom());
    const TScheduleDays schedule =
        ScheduleDaysAround(Calendar.UsrSchedule(), Calendar.Year(), Calendar.Month());
    if (l.Kind == ckCross)
        BuildCross(Calendar, l, schedule);
    else
        BuildList(Calendar, l, schedule);
    for (const TCalCell& cell : l.Cells) {
        l.MaxCell.cx = std::max(l.MaxCell.cx, cell.Rect.Width());
        l.MaxCell.cy = std::max(l.MaxCell.cy, cell.Rect.Height());
    }
    return l;
}

TCalDay MakeCalDay(int Year, int Month, int Day, const TCalSchedule* Schedule) {
    return DayOf(Year, Month, Day, true, ScheduleDaysAround(Schedule, Year, Month));
}

// ---------------------------------------------------------------------------------------
// Colours

namespace {

bool IsUserWeekly(const TLOCalendar& C, int Weekday) {
    return C.UserWkHoliday() && Weekday == C.UserWkHolidayDay();
}

constexpr TColor OtherMonthColor = 0xA0A0A0;
// Objects are laid out in 0.1 mm.
constexpr int LogicalUnitsPerInch = 254;

} // namespace

TColor DayTextColor(const TLOCalendar& C, const TCalDay& D) {
    if (!D.InMonth && !C.PrevNext())
        return OtherMonthColor;
    if (D.IsHoliday)
        return C.HolidayCol();
    if (D.Weekday == 0)
        return C.SundayCol();
    if (D.Weekday == 6)
        return C.SatdayCol();
    if (IsUserWeekly(C, D.Weekday))
        return C.UserWkHolidayCol();
    return C.WeekdayCol();
}

TColor DayBackColor(const TLOCalendar& C, const TCalDay& D) {
    if (!D.InMonth && !C.PrevNext())
        return clNone;
    if (D.IsHoliday)
        return C.HolidayBkCol();
    if (D.Weekday == 0)
        return C.SundayBkCol();
    if (D.Weekday == 6)
        return C.SatdayBkCol();
    if (IsUserWeekly(C, D.Weekday))
        return C.UserWkHolidayBkCol();
    return C.WeekdayBkCol();
}

TColor RowBaseLineColor(const TLOCalendar& C, const TCalDay& D) {
    if (D.IsHoliday)
        return C.rBLnHldayCol();
    if (D.Weekday == 0)
        return C.rBLnSndayCol();
    if (D.Weekday == 6)
        return C.rBLnStdayCol();
    if (IsUserWeekly(C, D.Weekday))
        return C.RBLnUserWkHldayCol();
    return C.rBLnWkdayCol();
}

// ---------------------------------------------------------------------------------------
// Painting

namespace {

void FillSolid(TCanvas& Canvas, const TRect& R, TColor Color) {
    if (Color == clNone || R.Width() <= 0 || R.Height() <= 0)
        return;
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(Color);
    Canvas.FillRect(R);
}

// Each side of Mask as a band Width thick inside R; a width of 0 or less is one device
// pixel.
void DrawSides(TCanvas& Canvas, const TRect& R, int Mask, int Width, TColor Color) {
    if (Mask == 0 || Color == clNone)
        return;
    if (Width > 0) {
        const int w = Width;
        if (Mask & cbLeft)
            FillSolid(Canvas, TRect(R.Left, R.Top, std::min(R.Right, R.Left + w), R.Bottom), Color);
        if (Mask & cbTop)
            FillSolid(Canvas, TRect(R.Left, R.Top, R.Right, std::min(R.Bottom, R.Top + w)), Color);
        if (Mask & cbRight)
            FillSolid(Canvas, TRect(std::max(R.Left, R.Right - w), R.Top, R.Right, R.Bottom),
                      Color);
        if (Mask & cbBottom)
            FillSolid(Canvas, TRect(R.Left, std::max(R.Top, R.Bottom - w), R.Right, R.Bottom),
                      Color);
        return;
    }
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(0);
    Canvas.Pen().SetColor(Color);
    auto line = [&](int X0, int Y0, int X1, int Y1) {
        Canvas.MoveTo(X0, Y0);
        Canvas.LineTo(X1, Y1);
    };
    if (Mask & cbLeft)
        line(R.Left, R.Top, R.Left, R.Bottom);
    if (Mask & cbTop)
        line(R.Left, R.Top, R.Right, R.Top);
    if (Mask & cbRight)
        line(R.Right - 1, R.Top, R.Right - 1, R.Bottom);
    if (Mask & cbBottom)
        line(R.Left, R.Bottom - 1, R.Right, R.Bottom - 1);
}

bool HasPicture(const TPictureEx* Picture) {
    return Picture && Picture->Graphic() && !Picture->Graphic()->Empty() && Picture->Width() > 0 &&
           Picture->Height() > 0;
}

// The picture fitted into R keeping its aspect, centred (offsets halved toward zero).
void DrawFitted(TCanvas& Canvas, const TPictureEx& Picture, const TRect& R) {
    const int64_t gw = Picture.Width(), gh = Picture.Height();
    const int64_t rw = R.Width(), rh = R.Height();
    if (rw <= 0 || rh <= 0)
        return;
    int64_t w = rw, h = rh;
    if (rw * gh <= rh * gw)
        h = rw * gh / gw;
    else
        w = rh * gw / gh;
    const int x = R.Left + int((rw - w) / 2), y = R.Top + int((rh - h) / 2);
    Picture.Graphic()->Draw(Canvas, TRect(x, y, x + int(w), y + int(h)));
}

void DrawBasePicture(TCanvas& Canvas, const TLOCalendar& C, const TRect& Bounds) {
    const TPictureEx& picture = *C.BasePic();
    if (!HasPicture(&picture))
        return;
    if (!C.BaseTilePic()) {
        picture.Graphic()->Draw(Canvas, Bounds);
        return;
    }
    const TSize tile = CalcGraphicSize(*picture.Graphic());
    TClipSaver clip = CreateClipSaver(Canvas);
    Canvas.IntersectClipRect(Bounds.Left, Bounds.Top, Bounds.Right, Bounds.Bottom);
    for (int y = Bounds.Top; y < Bounds.Bottom; y += tile.cy)
        for (int x = Bounds.Left; x < Bounds.Right; x += tile.cx)
            picture.Graphic()->Draw(Canvas, TRect(x, y, x + tile.cx, y + tile.cy));
}

// A rect of Size centred on R's centre.
TRect CentredOn(const TRect& R, const TSize& Size) {
    const int x = R.Left + (R.Width() - Size.cx) / 2;
    const int y = R.Top + (R.Height() - Size.cy) / 2;
    return TRect(x, y, x + Size.cx, y + Size.cy);
}

// The largest square inside R, centred.
TRect CentredSquare(const TRect& R) {
    const int side = std::min(R.Width(), R.Height());
    return CentredOn(R, TSize{side, side});
}

// Draws element texts fitted into their rects, with one text engine for the whole paint.
class TElementText {
public:
    void Draw(TCanvas& Canvas, const TCalObj& Style, const TRect& R, const QString& Text,
              TColor Color);

private:
    bool FitSize(const TCalObj& Style, const TRect& R, int Lines);

    TSimpleText FText;
};

bool TElementText::FitSize(const TCalObj& Style, const TRect& R, int Lines) {
    const bool vertical = Style.Vertical();
    const int across = vertical ? R.Width() : R.Height();
    const int along = vertical ? R.Height() : R.Width();
    const int perLine = (across - (Lines - 1) * Style.LineSpacing()) / Lines;
    int size = std::min(perLine * 72 / 254, std::max(1, Style.Font()->Size()));
    if (size < 1)
        return false;
    FText.Font()->SetSize(size);
    const TRect b = FText.GetTextBounds(R, true);
    const int extent = vertical ? b.Height() : b.Width();
    if (extent > along && extent > 0) {
        size = static_cast<int>(int64_t(size) * along / extent);
        if (size < 1)
            return false;
        FText.Font()->SetSize(size);
    }
    return true;
}

void TElementText::Draw(TCanvas& Canvas, const TCalObj& Style, const TRect& R, const QString& Text,
                        TColor Color) {
    if (Text.isEmpty() || R.Width() <= 0 || R.Height() <= 0 || Color == clNone)
        return;
    const QStringList lines = Text.split(u'\n');
    const TFont& font = *Style.Font();
    FText.BeginUpdate();
    FText.Font()->SetName(font.Name());
    FText.Font()->SetStyle(font.Style());
    FText.Font()->SetCharset(font.Charset());
    FText.Font()->SetPitch(font.Pitch());
    FText.SetAlign(Style.Alignment());
    FText.SetVertical(Style.Vertical());
    FText.SetCharSpacing(Style.CharSpacing());
    FText.SetLineSpacing(Style.LineSpacing());
    FText.SetText(TStringList(lines));
    FText.EndUpdate();
    if (!FitSize(Style, R, static_cast<int>(lines.size())))
        return;
    TRect place = R;
    if (Style.LineCenter()) {
        const TRect b = FText.GetTextBounds(R, true);
        if (Style.Vertical())
            place.Right -= (R.Width() - b.Width()) / 2;
        else
            place.Top += (R.Height() - b.Height()) / 2;
    }
    FText.SetFontColor(Color);
    FText.Draw(Canvas, place);
}

class TCalendarPainter {
public:
    TCalendarPainter(const TLOCalendar& Calendar, TCanvas& Canvas)
        : C(Calendar), FCanvas(Canvas), L(BuildCalLayout(Calendar)) {}
    void Paint();

private:
    bool Shown(const TCalObj* Style) const {
        return Style->Visible() && !(C.UserStyleHide() && Style->UserHide());
    }
    void PaintHeader();
    void PaintWeekBaseLine();
    void PaintCellBackground(const TCalCell& Cell);
    void PaintCellPicture(const TCalCell& Cell);
    void PaintCellContent(const TCalCell& Cell);
    void PaintDateNumber(const TCalCell& Cell, const TRect& Part);
    void PaintExtras(const TCalDay& Day, const TRect& Part);
    void PaintMoon(const TCalDay& Day, const TRect& R);
    void PaintSchedule(const TCalDay& Day, const TRect& R);
    // Where an element goes in Part: its ratio rect, or its slot in rows of the vertical kind.
    TRect ElementPlace(const TCalObj* Style, int Slot, const TRect& Part) const;
    void PaintRowBaseLine(const TCalCell& Cell);
    // The parts of a list cell: the date number, the weekday label and the rest.
    void SplitListCell(const TRect& Cell, TRect& Head, TRect& Label, TRect& Body) const;
    TColor BaseColorOf(int Weekday) const;

    const TLOCalendar& C;
    TCanvas& FCanvas;
    const TCalLayout L;
    TElementText FText;
};

void TCalendarPainter::Paint() {
    TCanvasSaver saver = CreateCanvasSaver(FCanvas, true);
    // The text engine sizes fonts in the canvas's logical units.
    FCanvas.Font().SetPixelsPerInch(LogicalUnitsPerInch);
    if (!C.Transparent())
        FillSolid(FCanvas, L.Bounds, clWhite);
    DrawBasePicture(FCanvas, C, L.Bounds);
    FillSolid(FCanvas, L.DateArea, C.DateBaseCol());
    if (L.Kind == ckCross)
        PaintHeader();
    for (const TCalCell& cell : L.Cells)
        PaintCellBackground(cell);
    for (const TCalCell& cell : L.Cells) {
        PaintCellPicture(cell);
        PaintCellContent(cell);
        PaintRowBaseLine(cell);
    }
    for (const TCalCell& cell : L.Cells)
        DrawSides(FCanvas, cell.Rect, cell.Borders, C.lnWidth(), C.lnColor());
    if (L.Kind == ckCross) {
        for (const TCalHeaderCell& h : L.HeaderCells)
            DrawSides(FCanvas, h.Rect, h.Borders, C.lnWidth(), C.lnColor());
        PaintWeekBaseLine();
    }
    if (C.TopLine())
        DrawSides(FCanvas, L.CalRect, cbTop, C.lnWidth(), C.lnColor());
}

TColor TCalendarPainter::BaseColorOf(int Weekday) const {
    if (Weekday == 0)
        return C.SundayBaseCol();
    if (Weekday == 6)
        return C.SaturdayBaseCol();
    if (IsUserWeekly(C, Weekday))
        return C.UserWkHolidayBaseCol();
    return clNone;
}

void TCalendarPainter::PaintHeader() {
    FillSolid(FCanvas, L.Header, C.WeekBaseCol());
    const TCalObj* style = C.WeekObj();
    for (const TCalHeaderCell& h : L.HeaderCells) {
        const int w = h.Weekday;
        TColor text = C.wkWeekdayCol(), back = C.wkWeekdayBkCol();
        if (w == 0) {
            text = C.wkSundayCol();
            back = C.wkSundayBkCol();
        } else if (w == 6) {
            text = C.wkSatdayCol();
            back = C.wkSatdayBkCol();
        } else if (IsUserWeekly(C, w)) {
            text = C.WkUserWkHolidayCol();
            back = C.WkUserWkHolidayBkCol();
        }
        FillSolid(FCanvas, h.Rect, back);
        if (HasPicture(C.WeekPic()))
            DrawFitted(FCanvas, *C.WeekPic(), h.Rect);
        if (Shown(style))
            FText.Draw(FCanvas, *style, style->ElementRect(h.Rect), WeekLabel(C.WeekStyle(), w),
                       text);
    }
}

void TCalendarPainter::PaintWeekBaseLine() {
    if (C.wBLineWidth() <= 0 || C.wBLineColor() == clNone || L.Header.Height() <= 0)
        return;
    const TRect& h = L.Header;
    const TRect line(h.Left + RatioOf(h.Width(), C.wBLnLftMargin()),
                     h.Bottom - std::min(C.wBLineWidth(), h.Height()),
                     h.Right - RatioOf(h.Width(), C.wBLnRitMargin()), h.Bottom);
    FillSolid(FCanvas, line, C.wBLineColor());
}

void TCalendarPainter::PaintCellBackground(const TCalCell& Cell) {
    const int weekday = L.Kind == ckCross ? (C.StartWeek() + Cell.Column) % 7 : Cell.Day.Weekday;
    FillSolid(FCanvas, Cell.Rect, BaseColorOf(weekday));
    if (Cell.Day.Day != 0)
        FillSolid(FCanvas, Cell.Rect, DayBackColor(C, Cell.Day));
}

void TCalendarPainter::PaintCellPicture(const TCalCell& Cell) {
    const TCalDay& d = Cell.Day;
    if (!d.InMonth)
        return;
    const TPictureEx* picture = C.DatePic();
    if (d.Weekday == 0 && HasPicture(C.Date2Pic()))
        picture = C.Date2Pic();
    if (d.Weekday == 6 && HasPicture(C.Date3Pic()))
        picture = C.Date3Pic();
    if (d.IsHoliday && HasPicture(C.Date4Pic()))
        picture = C.Date4Pic();
    if (d.HasSchedule && HasPicture(C.Date5Pic()))
        picture = C.Date5Pic();
    if (HasPicture(picture))
        DrawFitted(FCanvas, *picture, CentredOn(Cell.Rect, L.MaxCell));
}

void TCalendarPainter::SplitListCell(const TRect& Cell, TRect& Head, TRect& Label,
                                     TRect& Body) const {
    const bool horizontal = L.Kind == ckHorizontal;
    const int length = horizontal ? Cell.Height() : Cell.Width();
    const int head = RatioOf(length, 2500);
    const int label = std::clamp(RatioOf(length, C.WeekRatio()), 0, length - head);
    Head = Label = Body = Cell;
    if (horizontal) {
        Head.Bottom = Label.Top = Cell.Top + head;
        Label.Bottom = Body.Top = Label.Top + label;
    } else {
        Head.Right = Label.Left = Cell.Left + head;
        Label.Right = Body.Left = Label.Left + label;
    }
}

void TCalendarPainter::PaintCellContent(const TCalCell& Cell) {
    if (Cell.Day.Day == 0)
        return;
    if (L.Kind == ckCross) {
        PaintDateNumber(Cell, Cell.Rect);
        if (Cell.Day.InMonth)
            PaintExtras(Cell.Day, Cell.Rect);
        return;
    }
    TRect head, label, body;
    SplitListCell(Cell.Rect, head, label, body);
    PaintDateNumber(Cell, head);
    const TCalObj* week = C.WeekObj();
    if (Shown(week))
        FText.Draw(FCanvas, *week, week->ElementRect(label),
                   WeekLabel(C.WeekStyle(), Cell.Day.Weekday), DayTextColor(C, Cell.Day));
    PaintExtras(Cell.Day, body);
}

void TCalendarPainter::PaintDateNumber(const TCalCell& Cell, const TRect& Part) {
    const TCalObj* style = C.DateObj();
    if (!Shown(style))
        return;
    const TRect r = style->ElementRect(Part);
    if (Cell.Day.IsHoliday && Cell.Day.InMonth && C.hdCircleColor() != clNone) {
        FCanvas.Brush().SetStyle(bsSolid);
        FCanvas.Brush().SetColor(C.hdCircleColor());
        FCanvas.Pen().SetStyle(psClear);
        FCanvas.Ellipse(CentredSquare(r));
    }
    FText.Draw(FCanvas, *style, r, QString::number(Cell.Day.Day), DayTextColor(C, Cell.Day));
}

// Slots of the elements along a row of the vertical kind, with their shares of the row.
enum TRowSlot { rsMoon, rsHoliday, rsSixDay, rsSolarTerm, rsZassetsu, rsSchedule, rsStamp };
constexpr int RowSlotShares[] = {1, 4, 2, 2, 2, 4, 1};

TRect TCalendarPainter::ElementPlace(const TCalObj* Style, int Slot, const TRect& Part) const {
    if (L.Kind != ckVertical)
        return Style->ElementRect(Part);
    int total = 0, before = 0;
    for (int i = 0; i < int(std::size(RowSlotShares)); ++i) {
        total += RowSlotShares[i];
        before += i < Slot ? RowSlotShares[i] : 0;
    }
    const int w = Part.Width();
    const TRect slot(Part.Left + int(int64_t(w) * before / total), Part.Top,
                     Part.Left + int(int64_t(w) * (before + RowSlotShares[Slot]) / total),
                     Part.Bottom);
    return RatioRect(slot, 300, 1000, 300, 1000);
}

void TCalendarPainter::PaintExtras(const TCalDay& Day, const TRect& Part) {
    const int y = Day.Year, m = Day.Month, d = Day.Day;
    auto text = [&](const TCalObj* Style, int Slot, const QString& Text, TColor Color) {
        if (Shown(Style))
            FText.Draw(FCanvas, *Style, ElementPlace(Style, Slot, Part), Text, Color);
    };
    text(C.Holiday(), rsHoliday, Day.HolidayName, DayTextColor(C, Day));
    text(C.U6you(), rsSixDay, SixDayName(SixDayIndex(y, m, d)), C.U6you()->Font()->Color());
    text(C.U24setsuki(), rsSolarTerm, SolarTermName(SolarTermIndex(y, m, d)),
         C.U24setsuki()->Font()->Color());
    text(C.Zassetsu(), rsZassetsu, ZassetsuName(ZassetsuIndex(y, m, d)),
         C.Zassetsu()->Font()->Color());
    if (Day.HasSchedule && Shown(C.Schedule()))
        PaintSchedule(Day, ElementPlace(C.Schedule(), rsSchedule, Part));
    if (Shown(C.Getsurei()))
        PaintMoon(Day, ElementPlace(C.Getsurei(), rsMoon, Part));
    if (Day.HasSchedule && Shown(C.Stamp())) {
        const TPictureEx* stamp = CalendarStampPicture(Day.StampCode);
        if (HasPicture(stamp))
            DrawFitted(FCanvas, *stamp, ElementPlace(C.Stamp(), rsStamp, Part));
    }
}

// The schedule style's picture spread over the text's rect, then the text over it.
void TCalendarPainter::PaintSchedule(const TCalDay& Day, const TRect& R) {
    const TPictureEx* style = CalendarScheduleStylePicture(Day.ScheduleStyle);
    if (HasPicture(style) && R.Width() > 0 && R.Height() > 0)
        style->Graphic()->Draw(FCanvas, R);
    FText.Draw(FCanvas, *C.Schedule(), R, Day.ScheduleText, C.Schedule()->Font()->Color());
}

// The moon of the day in the largest square of R (placed by the style's Alignment), its
// dark part in the style's colour with an outline of that colour.
void TCalendarPainter::PaintMoon(const TCalDay& Day, const TRect& R) {
    const TCalObj* style = C.Getsurei();
    const int age = MoonAge(Day.Year, Day.Month, Day.Day);
    if (age < 0)
        return;
    const TRect& r = R;
    const int side = std::min(r.Width(), r.Height());
    if (side <= 2)
        return;
    int x = r.Left + (r.Width() - side) / 2;
    if (style->Alignment() == 0)
        x = r.Left;
    else if (style->Alignment() == 2)
        x = r.Right - side;
    const int y = r.Top + (r.Height() - side) / 2;
    const TRect square(x, y, x + side, y + side);
    const TColor dark = style->Font()->Color();
    DrawMoon(FCanvas, square, age, clWhite, dark);
    FCanvas.Brush().SetStyle(bsClear);
    FCanvas.Pen().SetStyle(psSolid);
    FCanvas.Pen().SetWidth(0);
    FCanvas.Pen().SetColor(dark);
    FCanvas.Ellipse(square);
}

void TCalendarPainter::PaintRowBaseLine(const TCalCell& Cell) {
    if (!C.rBLineVisible() || !Cell.Day.InMonth)
        return;
    const TRect r = RatioRect(Cell.Rect, C.rBLineLength(), C.rBLineLength(), 0, 0);
    DrawSides(FCanvas, r, cbRight | cbBottom, C.rBLineWidth(), RowBaseLineColor(C, Cell.Day));
}

} // namespace

void PaintCalendar(const TLOCalendar& Calendar, TCanvas& Canvas) {
    TCalendarPainter(Calendar, Canvas).Paint();
}

void DrawCalendarOutline(const TLOCalendar& Calendar, TCanvas& Canvas) {
    const TCalLayout l = BuildCalLayout(Calendar);
    Canvas.Rectangle(l.Bounds);
    auto line = [&](int X0, int Y0, int X1, int Y1) {
        Canvas.MoveTo(X0, Y0);
        Canvas.LineTo(X1, Y1);
    };
    for (const TCalHeaderCell& h : l.HeaderCells)
        line(h.Rect.Left, h.Rect.Bottom, h.Rect.Right, h.Rect.Bottom);
    for (const TCalCell& cell : l.Cells) {
        const TRect& r = cell.Rect;
        line(r.Left, r.Top, r.Right, r.Top);
        line(r.Left, r.Top, r.Left, r.Bottom);
    }
}
