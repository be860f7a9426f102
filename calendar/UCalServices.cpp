#include "UCalServices.h"

#include "UCalSchedule.h"

namespace {

// The one table of the process, as the holiday table is one (see UHolidays.h).
const TCalendarServices*& InstalledTable() {
    static const TCalendarServices* table = nullptr;
    return table;
}

} // namespace

const TCalendarServices* SetCalendarServices(const TCalendarServices* Table) {
    const TCalendarServices* previous = InstalledTable();
    InstalledTable() = Table;
    return previous;
}

const TCalendarServices* CalendarServices() {
    return InstalledTable();
}

TCalSchedule* CurrentCalendarSchedule() {
    const TCalendarServices* table = CalendarServices();
    return table && table->CurrentSchedule ? table->CurrentSchedule() : nullptr;
}

const TPictureEx* CalendarStampPicture(int Code) {
    const TCalendarServices* table = CalendarServices();
    return Code > 0 && table && table->StampPicture ? table->StampPicture(Code) : nullptr;
}

const TPictureEx* CalendarScheduleStylePicture(int Code) {
    const TCalendarServices* table = CalendarServices();
    return Code > 0 && table && table->ScheduleStylePicture ? table->ScheduleStylePicture(Code)
                                                            : nullptr;
}

bool LoadCalendarPictureNumber(int Index, TPictureEx& Picture) {
    const TCalendarServices* table = CalendarServices();
    return Index >= 0 && table && table->LoadPictureNumber &&
           table->LoadPictureNumber(Index, Picture);
}

bool LoadCalendarPictureFont(int Index, TPictureEx& Picture) {
    const TCalendarServices* table = CalendarServices();
    return Index >= 0 && table && table->LoadPictureFont && table->LoadPictureFont(Index, Picture);
}

QStringList CalendarStampNames() {
    const TCalendarServices* table = CalendarServices();
    return table && table->StampNames ? table->StampNames() : QStringList();
}

QStringList CalendarScheduleStyleNames() {
    const TCalendarServices* table = CalendarServices();
    return table && table->ScheduleStyleNames ? table->ScheduleStyleNames() : QStringList();
}

void SaveCalendarSchedule(TCalSchedule& Schedule) {
    const TCalendarServices* table = CalendarServices();
    if (table && table->SaveSchedule)
        table->SaveSchedule(Schedule);
    else
        SaveScheduleFile(Schedule);
}
