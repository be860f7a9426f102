#pragma once
// Public holidays from the holiday definition file "Holiday.tbl".
//
// The file is code page 932 text:
//   [HolidayName]
//   index,name                 one line per name; the section ends at a line without ","
//   [HolidayDef]
//   years;months;days;index    the section ends at a line without ";"
// Each of years, months and days is a comma-separated list of items: "*" (the whole range),
// n, n-m, n- (n to the end) or -m (the start to m), over years 1989..2151, months 1..12 and
// days 1..31. Spaces, control characters and full-width spaces may stand between tokens.
// Every listed day gets the holiday name index; later lines overwrite earlier ones. Ranges
// are cut to their domain before use, so no number in the file can make the reader loop
// long. The name is everything after the first comma (trimmed; a double-quoted name loses its
// quotes); an index field that is not a number counts as 0. A line whose index lies outside
// 0..65534 (the day word holds index + 1) is refused, as is any other malformed line. Lines
// before the first section are ignored.

#include "UDayTable.h"
#include "UStringList.h"

#include <QString>
#include <QStringView>
#include <memory>

class THolidays {
public:
    // Highest name index a file may use: the day word holds index + 1 in 16 bits.
    static constexpr int MaxNameIndex = 65534;

    THolidays() = default;

    // Clears the names and days and reads the definitions from a file. Raises EFOpenError
    // when the file cannot be opened (the holidays are unchanged then). Without both section
    // lines nothing is loaded.
    void LoadFromFile(const QString& FileName);
    // The same from lines already read.
    void LoadFromStrings(const TStringList& Lines);

    // Name index of the day's holiday, -1 when the day is not a holiday.
    int HolidayIndex(int Year, int Month, int Day) const;
    // Name of a name index; the empty string outside 0..NameCount()-1.
    QString HolidayName(int Index) const;
    int NameCount() const { return FNames.Count(); }

    // The day table: word = name index + 1, 0 = not a holiday.
    const TYMDCacheData& Days() const { return FDays; }

private:
    void LoadNames(const TStringList& Lines, int First);
    void LoadDefinitions(const TStringList& Lines, int First);

    TYMDCacheData FDays;
    TStringList FNames;
};

// Removes the first token from Text (after skipping bytes up to space and full-width spaces)
// and answers it: an identifier, "$" with hexadecimal digits, a number (digits, optional
// fraction and exponent), a quoted text, "<", "<=", "<>", ">", ">=", or one character. The
// empty string at the end of the text.
QString TakeToken(QStringView& Text);

// The process-wide holiday table; null while not loaded.
const THolidays* HolidayTable();
// Loads a holiday file and makes it the process-wide table; on an error the previous table
// stays.
void LoadHolidayTable(const QString& FileName);
// Replaces the process-wide holiday table; null unloads it.
void SetHolidayTable(std::unique_ptr<THolidays> Table);
