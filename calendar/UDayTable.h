#pragma once
// Per-day calendar data for the years 1989..2151 and the date arithmetic on top of it.
//
// The moon-age table ("MoonAge.tbl") and the weekday / six-day cycle / seasonal day / solar
// term table ("W6Z24.tbl") are process-wide and loaded at start-up; the holiday table has the
// same day block (UHolidays.h). Without a table the functions answer from arithmetic where
// arithmetic can (weekday, month length, day number, date validity) and -1 otherwise. Dates
// outside 1989..2151 are not an error: the weekday then comes from arithmetic as well.

#include "UColor.h"
#include "UWinTypes.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

class TCanvas;

// One unsigned 16-bit little-endian word per day slot: 163 years (1989..2151) x 12 months x
// 31 slots, 121272 bytes, no header. Every month has 31 slots whatever its length; slots past
// a month's last day are not used. A word of 0 means "no data".
class TYMDCacheData {
public:
    static constexpr int FirstYear = 1989;
    static constexpr int LastYear = 2151;
    static constexpr int SlotCount = (LastYear - FirstYear + 1) * 12 * 31; // 60636
    static constexpr int BlockSize = SlotCount * 2;                        // 121272

    // A zero-filled block.
    TYMDCacheData();

    // Slot of a date: ((year - 1989) x 12 + month - 1) x 31 + day - 1, or -1 when the year is
    // outside 1989..2151, the month outside 1..12 or the day outside 1..31.
    static int SlotIndex(int Year, int Month, int Day);

    // The day's word; 0 when the date has no slot.
    uint16_t Get(int Year, int Month, int Day) const;
    // (word shr Shift) and Mask; 0 for a shift outside 0..15.
    int GetBits(int Year, int Month, int Day, int Shift, int Mask) const;
    // Writes the day's word; does nothing when the date has no slot.
    void Set(int Year, int Month, int Day, uint16_t Word);
    // Fills the block with zeros.
    void Clear();

    // Reads a table file into the block and answers the file's size in bytes. A file shorter
    // than the block leaves the rest zero, a longer one is cut; either is logged as a warning
    // and kept as LoadProblem. Raises EFOpenError when the file cannot be opened and
    // EReadError when it cannot be read; the block is unchanged then.
    int64_t LoadFromFile(const QString& FileName);
    // What was wrong with the file last loaded (its size); empty when nothing was.
    const QString& LoadProblem() const { return FLoadProblem; }
    // Days that exist in the table's years but whose word is 0.
    int MissingDays() const;

    // The raw block (BlockSize bytes).
    const QByteArray& Block() const { return FBlock; }

private:
    QByteArray FBlock;
    QString FLoadProblem;
};

// Fields of a "W6Z24.tbl" word (shift, mask); each holds its value + 1, 0 = none: the
// weekday (0 Sunday .. 6 Saturday), the six-day cycle (0..5, SixDayName), the seasonal day
// (0..10, ZassetsuName) and the solar term (0..23, SolarTermName). Bit 15 is not used.
enum : int {
    W6Z24WeekdayShift = 0,
    W6Z24WeekdayMask = 7,
    W6Z24SixDayShift = 3,
    W6Z24SixDayMask = 7,
    W6Z24ZassetsuShift = 6,
    W6Z24ZassetsuMask = 15,
    W6Z24SolarTermShift = 10,
    W6Z24SolarTermMask = 31,
};

// Units of "MoonAge.tbl": ages are in 1/1024 day; one lunation is 30239 units (29.53 days).
constexpr int MoonAgeUnitsPerDay = 1024;
constexpr int MoonAgeUnitsPerLunation = 30239;

bool IsLeapYear(int Year);
// 28..31, or -1 when Month is outside 1..12.
int DaysInMonth(int Year, int Month);
// With the W6Z24 table loaded: the day's word is non-zero. Without it, or for a day the
// table has no word for although it exists (a damaged table): 1989 <= Year <= 2151 and the
// date exists.
bool IsSupportedDate(int Year, int Month, int Day);
// 0 = Sunday .. 6 = Saturday. Inside the table's years with the W6Z24 table loaded: its
// weekday field (-1 for a date that does not exist); otherwise, and for an existing day the
// table has no word for, from the date arithmetically.
int DayOfWeek(int Year, int Month, int Day);
// 1-based row of the day in a month grid whose rows begin on weekday StartWeek (0..6).
int WeekOfMonth(int Year, int Month, int Day, int StartWeek);
// Rows of the month grid (4, 5 or 6); 0 when Month is outside 1..12.
int WeeksInMonth(int Year, int Month, int StartWeek);
// Modified Julian day of a date (1858-11-17 is 0); the sort key of schedule entries.
int DayNumber(int Year, int Month, int Day);

// The day's moon age in 1/1024 day; -1 when the moon-age table is not loaded or the date
// lies outside its years.
int MoonAge(int Year, int Month, int Day);
// Draws the moon of a moon age (1/1024 day, taken modulo one lunation) in the square of side
// min(width, height) at the top-left corner of Rect: Lit is the colour of the lit part,
// Dark that of the shadowed part. The lit part grows on the right while the moon waxes and
// shrinks to the left while it wanes, as seen from the northern hemisphere, so age 0 is all
// Dark and half a lunation all Lit. The canvas's pen and brush are left as they were.
void DrawMoon(TCanvas& Canvas, const TRect& Rect, int Age, TColor Lit, TColor Dark);

// The W6Z24 fields, -1 when the table is not loaded or the day has no value.
int SixDayIndex(int Year, int Month, int Day);
int ZassetsuIndex(int Year, int Month, int Day);
int SolarTermIndex(int Year, int Month, int Day);
// The weekday field; -1 when the table is not loaded; outside the table's years the weekday
// from arithmetic.
int WeekdayIndex(int Year, int Month, int Day);

// Names of the field values; the empty string for an index outside the table.
QString SixDayName(int Index);
QString ZassetsuName(int Index);
QString SolarTermName(int Index);

// The process-wide day tables; null while not loaded.
const TYMDCacheData* MoonAgeTable();
const TYMDCacheData* W6Z24Table();
// Loads a table file (see TYMDCacheData::LoadFromFile) and makes it the process-wide table;
// on an error the previous table stays. The answer reports a table loaded in spite of
// damage (a file of the wrong size; for W6Z24 also existing days without a word, whose
// weekday then comes from arithmetic), empty when the table is sound.
QString LoadMoonAgeTable(const QString& FileName);
QString LoadW6Z24Table(const QString& FileName);
// Replaces a process-wide table; null unloads it.
void SetMoonAgeTable(std::unique_ptr<TYMDCacheData> Table);
void SetW6Z24Table(std::unique_ptr<TYMDCacheData> Table);
