#pragma once
// The user's schedule: dated entries (a text, how to show it, a stamp, whether the day counts
// as a holiday) that calendars print in their day cells and the schedule dialogs edit.
//
// A schedule is a component whose items are the components it owns, so a schedule file is
// the schedule written as a component resource (resource name "TCALSCHEDULE", then the
// "TPF0" property stream) with the items as its child components. Files are read as
// untrusted input: besides the checks of the stream reader, a file is refused as a whole,
// with EReadError and the schedule unchanged, when its root is not a schedule, when it holds
// a child that is not a schedule item, or more than MaxItems items. An item whose date does
// not exist or lies outside the calendar years 1989..2151 is left out and reported, so that
// one damaged entry does not cost the others. Items made in code cannot get such a date:
// the setters and AddItem refuse it, and AddItem refuses an item beyond MaxItems, so a
// schedule that saves always loads.
//
// Items and schedules are registered for streaming by RegisterScheduleClasses.

#include "UComponent.h"
#include "UStreams.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

class TCalSchedule;

// A date as the searches compare it: the day number is the sort key.
struct TCalDateKey {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int DayNumber = 0;
    int Weekday = 0;        // 0 = Sunday .. 6 = Saturday
    bool IsHoliday = false; // a public holiday of the process-wide holiday table
};

// The key of a date.
TCalDateKey MakeDateKey(int Year, int Month, int Day);

class TCalScheduleItem : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
    Q_PROPERTY(int Year READ Year WRITE StoreYear)
    Q_PROPERTY(int Month READ Month WRITE StoreMonth)
    Q_PROPERTY(int Day READ Day WRITE StoreDay)
    Q_PROPERTY(bool AsHoliday READ AsHoliday WRITE SetAsHoliday)
    Q_PROPERTY(int HowToDisplay READ HowToDisplay WRITE SetHowToDisplay)
    Q_PROPERTY(int Icon READ Icon WRITE SetIcon)
    Q_CLASSINFO("Default:AsHoliday", "false")
    Q_CLASSINFO("Default:HowToDisplay", "0")
    Q_CLASSINFO("Default:Icon", "0")
public:
    explicit TCalScheduleItem(TComponent* Owner = nullptr);

    // Copies the entry (text, date, display style, stamp, holiday flag and modified flag)
    // from another item; other sources go to the inherited Assign.
    void Assign(const TPersistent* Source) override;

    // Each setter sets the modified flag. A date change keeps the day number equal to the
    // date and makes the owning schedule rebuild its day flags. The date setters raise
    // EConvertError, changing nothing, for a year outside 1989..2151, a month outside 1..12
    // or a day outside 1..31; SetDate, and every date setter of an item a schedule owns,
    // also refuse a day its month does not have.
    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& Value);
    int Year() const { return FYear; }
    void SetYear(int Value);
    int Month() const { return FMonth; }
    void SetMonth(int Value);
    int Day() const { return FDay; }
    void SetDay(int Value);
    void SetDate(int Year, int Month, int Day);
    // The day is painted as a holiday.
    bool AsHoliday() const { return FAsHoliday; }
    void SetAsHoliday(bool Value);
    // Display style: an index into the schedule-style list of the dialogs.
    int HowToDisplay() const { return FHowToDisplay; }
    void SetHowToDisplay(int Value);
    // Stamp: an index into the stamp list of the dialogs.
    int Icon() const { return FIcon; }
    void SetIcon(int Value);

    // Modified Julian day of the item's date.
    int DayNumber() const { return FDayNumber; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    // The item's day number minus the key's (held to the int range): negative when the item
    // is earlier.
    int Compare(const TCalDateKey& Key) const;

    // True when the date exists and lies in the calendar years 1989..2151.
    bool HasValidDate() const;

private:
    void Changed() { FModified = true; }
    void DateChanged();
    void ChangeDate(int Year, int Month, int Day, bool WholeDate);
    // What a stream reads is stored as it stands; the schedule checks it after the read.
    void StoreYear(int Value);
    void StoreMonth(int Value);
    void StoreDay(int Value);

    bool FModified = false;
    QString FDescription;
    int FYear = 0;
    int FMonth = 0;
    int FDay = 0;
    int FDayNumber = 0;
    bool FAsHoliday = false;
    int FHowToDisplay = 0;
    int FIcon = 0;
};

// A list of items that it does not own: the result of a search.
class TCalScheduleList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // The item at Index; raises EListError outside 0..Count()-1.
    TCalScheduleItem* Items(int Index) const;
    void Add(TCalScheduleItem* Item) { FItems.push_back(Item); }
    void Clear() { FItems.clear(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<TCalScheduleItem*> FItems;
};

class TCalSchedule : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Memo READ Memo WRITE SetMemo)
public:
    // Most items a schedule file may hold.
    static constexpr int MaxItems = 20000;

    explicit TCalSchedule(TComponent* Owner = nullptr);
    ~TCalSchedule() override;

    // From another schedule: Memo, Tag and a copy of every item (with its name and tag)
    // replace this schedule's own. Other sources go to the inherited Assign.
    void Assign(const TPersistent* Source) override;

    const QString& Memo() const { return FMemo; }
    void SetMemo(const QString& Value) { FMemo = Value; }

    int Count() const { return ComponentCount(); }
    // The item at Index (component order); raises EListError outside 0..Count()-1.
    TCalScheduleItem* Items(int Index) const;
    // Takes the item as an owned component and answers it. Raises EComponentError when
    // its name is already used in this schedule, and EConvertError when its date is not a
    // real date of 1989..2151; the item is destroyed either way.
    TCalScheduleItem* AddItem(std::unique_ptr<TCalScheduleItem> Item);
    // Removes and destroys the item at Index; raises EListError outside 0..Count()-1.
    void DeleteItem(int Index);
    // Destroys every item.
    void Clear();

    // The index of the first item (component order) on the date, or -1.
    int IndexOfDate(int Year, int Month, int Day) const;
    // Fill List with every item of the nearest date strictly after (FindNextItems) or before
    // (FindPrevItems) the given one, in component order; List is empty when there is none.
    void FindNextItems(TCalScheduleList& List, int Year, int Month, int Day) const;
    void FindPrevItems(TCalScheduleList& List, int Year, int Month, int Day) const;

    // Writes the schedule as a component resource named after its class.
    void SaveToStream(TStream& Stream);
    // Reads a schedule written by SaveToStream into this schedule, replacing its name, memo,
    // tag and items. A damaged or foreign stream raises an EStreamError (EReadError,
    // EClassNotFound ...) and leaves the schedule as it was. Items with dates a schedule
    // cannot hold are left out; the answer names each of them (empty when all were read).
    QStringList LoadFromStream(TStream& Stream);

    // Forgets the day flags; the next IndexOfDate rebuilds them. Items call it when their
    // date changes.
    void InvalidateDayFlags() const { FCachedYear = -1; }

protected:
    void Notification(TComponent* Component, TOperation Operation) override;

private:
    void BuildDayFlags(int Year) const;
    void FindNearest(TCalScheduleList& List, const TCalDateKey& Key, int Direction) const;
    void TakeOver(TCalSchedule& Source);

    QString FMemo;
    // Day flags of one year: true where at least one item lies; FCachedYear -1 = none.
    mutable int FCachedYear = -1;
    mutable std::array<std::array<bool, 31>, 12> FDayFlags{};
};

// Registers the schedule classes for streaming.
void RegisterScheduleClasses();

// The process-wide schedule file: the folder "$(ScheduleFilePath)" and the file name of the
// setting "ScheduleFileName" (default "マイスケジュール.sch"). Raises EFOpenError when the
// folder macro is not available (no application frame, or it expands to nothing).
QString ScheduleFileName();
// Reads the schedule file into Schedule and answers true; answers false, leaving Schedule
// unchanged, when there is no such file yet. A file that cannot be read raises the stream's
// error and leaves Schedule unchanged. Items left out of the file (see LoadFromStream) are
// added to Skipped when it is given.
bool LoadScheduleFile(TCalSchedule& Schedule, QStringList* Skipped = nullptr);
// Writes Schedule to the schedule file, creating its folder when needed. The file is
// replaced in one step: a failed save leaves the previous file intact.
void SaveScheduleFile(TCalSchedule& Schedule);
