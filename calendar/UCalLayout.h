#pragma once
// Geometry and painting of calendar objects (ULOCalendar.h).
//
// The layout model (TCalLayout) divides a calendar's rectangle into the weekday header and
// the day cells of its kind, and knows for each cell the day it shows, its weekday, whether
// it is a holiday (by the holiday table or by a schedule entry flagged AsHoliday) and which
// border sides it gets. The painter draws from that model only, so what a test reads back
// from the model is what is drawn.
//
// The schedule is the calendar's UsrSchedule (by default the user's schedule of the calendar
// service table). A day's stamp and schedule-style pictures come from that table
// (UCalServices.h): the stamp fitted into the Stamp element's rect keeping its aspect and
// centred, the style picture spread over the schedule text's rect beneath the text.
//
// Cross kind: 7 columns from StartWeek, N rows (6, or the month's own count with
// CrossRowAuto). Vertical kind: one full-width row per day (1/31 of the area, 1/16 for
// csTwinHalf, whose second half lies in the right half of the area); csFirstHalf shows days
// 1..16, csLatterHalf days 17..31. The horizontal kind is the vertical one with x and y
// exchanged. In the list kinds every cell is split along its length: the first quarter holds
// the date number, the next WeekRatio share the weekday label, the rest the other elements.
// Each element lies in its ratio rect of its part, except in the rows of the vertical kind,
// too flat for that: there the rest of the row is cut into slots in a fixed order (moon,
// holiday name, six-day cycle, solar term, seasonal day, schedule text, stamp).
//
// Units: logical units (0.1 mm); ratios in 1/10000.

#include "ULOCalendar.h"

#include <QString>
#include <cstdint>
#include <vector>

class TCanvas;

// Length x Ratio / 10000, truncated toward zero.
int RatioOf(int Length, int Ratio);
// R with the insets (1/10000 of its width for Left and Right, of its height for Top and
// Bottom).
TRect RatioRect(const TRect& R, int Left, int Top, int Right, int Bottom);
// Numerator / Denominator (Denominator > 0) rounded to the nearest integer, halves to the
// even one.
int64_t RoundHalfEven(int64_t Numerator, int64_t Denominator);
// The weekday label of Weekday (0 = Sunday) in the label set WeekStyle and $7F; empty for
// wtNone, a set of 11 or more, or a weekday outside 0..6.
QString WeekLabel(int WeekStyle, int Weekday);

// Border sides of a cell.
enum : int { cbLeft = 1, cbTop = 2, cbRight = 4, cbBottom = 8 };

struct TCalDay {
    int Year = 0;
    int Month = 0;
    int Day = 0; // 0: the cell shows no day
    int Weekday = -1;
    bool InMonth = false;   // a day of the calendar's own month
    bool IsHoliday = false; // by the holiday table or a schedule entry flagged AsHoliday
    QString HolidayName;
    QString ScheduleText; // the first schedule entry of the day
    bool HasSchedule = false;
    int StampCode = 0;     // the first stamp among the day's entries (0: none)
    int ScheduleStyle = 0; // the schedule style of the first entry (0: plain text)
};

struct TCalCell {
    TRect Rect;
    TCalDay Day;
    int Borders = 0; // cbLeft | cbTop | cbRight | cbBottom
    int Column = 0;  // cross: 0..6; lists: the half (0 or 1)
    int Row = 0;     // cross: the week row; lists: the place in its half
};

struct TCalHeaderCell {
    TRect Rect;
    int Weekday = 0;
    int Borders = 0;
};

struct TCalLayout {
    TCalendarKind Kind = ckCross;
    TRect Bounds;   // the object's rectangle
    TRect CalRect;  // the ratio rect of Bounds with CalRect*
    TRect Header;   // cross: the weekday header; empty for lists
    TRect DateArea; // cross: below the header; lists: CalRect
    int Rows = 0;   // cross rows
    std::vector<TCalHeaderCell> HeaderCells;
    std::vector<TCalCell> Cells;
    TSize MaxCell; // the largest cell of the grid

    // The cell showing Day of the calendar's month, or nullptr.
    const TCalCell* CellOfDay(int Day) const;
};

// The model of Calendar as it is now.
TCalLayout BuildCalLayout(const TLOCalendar& Calendar);
// The day Year-Month-Day as calendars show it: weekday, holiday, schedule. Schedule may be
// null.
TCalDay MakeCalDay(int Year, int Month, int Day, const TCalSchedule* Schedule);

// Cross cell (Column of 7, Row of Rows) of Area.
TRect CrossCellRect(const TRect& Area, int Column, int Row, int Rows);
// List cell Index of Area with Cells cells along its height (Horizontal: along its width).
TRect ListCellRect(const TRect& Area, int Index, int Cells, bool Horizontal);

// Text colour and cell fill of a day (clNone: none).
TColor DayTextColor(const TLOCalendar& Calendar, const TCalDay& Day);
TColor DayBackColor(const TLOCalendar& Calendar, const TCalDay& Day);
TColor RowBaseLineColor(const TLOCalendar& Calendar, const TCalDay& Day);

// Draws Calendar on Canvas (mapped to logical units, font resolution 254 per inch).
void PaintCalendar(const TLOCalendar& Calendar, TCanvas& Canvas);
// The grid of Calendar as thin lines with Canvas's pen: the drag outline.
void DrawCalendarOutline(const TLOCalendar& Calendar, TCanvas& Canvas);
