#pragma once
// The calendar service table: what calendar objects take from the running program rather
// than from their own properties. The data module fills it once its data is loaded and
// removes it at shutdown; tests install tables of their own.
//
// Without a table (or with an entry left empty) a calendar shows no user schedule and no
// pictures of the content lists; nothing raises.
//
// Picture codes: a schedule item's Icon and HowToDisplay are 0 for "none" and k (k >= 1) for
// entry k of the stamp list ("Data\Stamps\Stamp.lst", section "[INDEX]") or of the
// schedule-style list ("Data\SchStyle\SchStyle.lst", section "[ScheduleStyle]"). A code the
// list does not have shows no picture.
//
// User-interface thread only.

#include <QStringList>
#include <functional>

class TCalSchedule;
class TPictureEx;

struct TCalendarServices {
    // Loads picture Index (from 0) of the year/month picture-number and picture-font lists
    // into Picture; false, Picture untouched, when there is none.
    std::function<bool(int Index, TPictureEx& Picture)> LoadPictureNumber;
    std::function<bool(int Index, TPictureEx& Picture)> LoadPictureFont;
    // The stamp picture of a code; null for none.
    std::function<const TPictureEx*(int Code)> StampPicture;
    // The schedule-style picture of a code; null for none.
    std::function<const TPictureEx*(int Code)> ScheduleStylePicture;
    // The user's schedule; null while there is none (not loaded, or its file is unreadable).
    std::function<TCalSchedule*()> CurrentSchedule;
    // Writes Schedule as the user's schedule file; raises when it cannot.
    std::function<void(TCalSchedule& Schedule)> SaveSchedule;
    // The names of the stamps and of the schedule styles, code 1 first.
    std::function<QStringList()> StampNames;
    std::function<QStringList()> ScheduleStyleNames;
};

// Installs Table (not owned; null removes it) and answers the table it replaces. The caller
// keeps Table alive while it is installed.
const TCalendarServices* SetCalendarServices(const TCalendarServices* Table);
const TCalendarServices* CalendarServices();

// The entries of the installed table; null / false without a table or entry.
TCalSchedule* CurrentCalendarSchedule();
const TPictureEx* CalendarStampPicture(int Code);
const TPictureEx* CalendarScheduleStylePicture(int Code);
bool LoadCalendarPictureNumber(int Index, TPictureEx& Picture);
bool LoadCalendarPictureFont(int Index, TPictureEx& Picture);
QStringList CalendarStampNames();
QStringList CalendarScheduleStyleNames();
// Through the table's entry; SaveScheduleFile without one.
void SaveCalendarSchedule(TCalSchedule& Schedule);

// Installs a table for the lifetime of the guard and puts the previous one back after.
class TCalendarServicesGuard {
public:
    explicit TCalendarServicesGuard(const TCalendarServices* Table)
        : FPrevious(SetCalendarServices(Table)), FTable(Table) {}
    ~TCalendarServicesGuard() {
        if (CalendarServices() == FTable)
            SetCalendarServices(FPrevious);
    }
    TCalendarServicesGuard(const TCalendarServicesGuard&) = delete;
    TCalendarServicesGuard& operator=(const TCalendarServicesGuard&) = delete;

private:
    const TCalendarServices* FPrevious;
    const TCalendarServices* FTable;
};
