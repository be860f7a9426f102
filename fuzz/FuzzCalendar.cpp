// Calendar objects read from property streams: whatever a stream sets, the layout and the
// painting stay inside their tables (months, weekdays, label sets, alignments, kinds) for
// any year, and a calendar that read writes and reads back the same.
#include "FuzzSupport.h"

#include "UBitmap.h"
#include "UCalLayout.h"
#include "UDayTable.h"
#include "UFoundationClasses.h"
#include "UHolidays.h"
#include "ULOCreator.h"
#include "UPictureFormats.h"
#include "UPropStream.h"

#include <QDir>
#include <QFileInfo>
#include <cstdlib>

namespace {

void SetUp() {
    RegisterFoundationClasses();
    RegisterPictureFormats();
    RegisterLayoutObjectClasses();
    const QString data =
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath("../data/");
    try {
        LoadMoonAgeTable(data + "MoonAge.tbl");
        LoadW6Z24Table(data + "W6Z24.tbl");
        LoadHolidayTable(data + "Holiday.tbl");
    } catch (const Exception&) {
        // Without the tables the arithmetic fallbacks are exercised instead.
    }
}

void Run(const QByteArray& Input) {
    TLOCalendar calendar;
    try {
        TMemoryStream stream(Input);
        ReadComponent(stream, calendar);
    } catch (const Exception&) {
        return;
    }
    if (calendar.Month() < 1 || calendar.Month() > 12 || calendar.StartWeek() < 0 ||
        calendar.StartWeek() > 6 || calendar.UserWkHolidayDay() < 0 ||
        calendar.UserWkHolidayDay() > 6)
        std::abort(); // a stored index escaped its range
    // Painting cost grows with the rectangle; a stream may ask for any size, so draw a
    // calendar of the stream's settings at a fixed size.
    calendar.SetBoundsRect(TRect(0, 0, 300, 300));
    const TCalLayout layout = BuildCalLayout(calendar);
    if (calendar.Kind() == ckCross && layout.Cells.size() % 7 != 0)
        std::abort();
    TBitmap bitmap(120, 120, pf24bit);
    calendar.DrawTo(bitmap.Canvas());
    // Fonts write no empty face name, so such a font reads back with the default face: a
    // matter of fonts everywhere, not of calendars.
    for (int i = 0; i < TLOCalendar::StyleCount; ++i)
        if (calendar.Style(i)->Font()->Name().isEmpty())
            return;
    TMemoryStream written;
    WriteComponent(written, calendar);
    written.SetPosition(0);
    TLOCalendar again;
    ReadComponent(written, again);
    TMemoryStream rewritten;
    WriteComponent(rewritten, again);
    if (rewritten.Bytes() != written.Bytes())
        std::abort(); // what was written did not read back the same
}

} // namespace

const TFuzzTarget FuzzTarget{SetUp, Run};
