#include "UCalSchedule.h"

#include "UAppFrame.h"
#include "UAtomicFile.h"
#include "UClasses.h"
#include "UDayTable.h"
#include "UHolidays.h"
#include "UMacroString.h"
#include "UPathResolver.h"
#include "UPropStream.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <climits>

namespace {

const QString SScheduleFolderMacro = QStringLiteral("$(ScheduleFilePath)");
const QString SScheduleFileNameKey = QStringLiteral("ScheduleFileName");
const QString SDefaultScheduleFileName = QStringLiteral("マイスケジュール.sch");

[[noreturn]] void ScheduleFileError(const QString& Detail) {
    throw EReadError(QStringLiteral("スケジュール ファイルが壊れています: %1").arg(Detail));
}

QString BadDateText(int Year, int Month, int Day) {
    return QStringLiteral("予定の日付 %1/%2/%3 は扱えません").arg(Year).arg(Month).arg(Day);
}

// True for a real date of the calendar years.
bool IsScheduleDate(int Year, int Month, int Day) {
    return Year >= TYMDCacheData::FirstYear && Year <= TYMDCacheData::LastYear && Month >= 1 &&
           Month <= 12 && Day >= 1 && Day <= DaysInMonth(Year, Month);
}

// Checks what a stream produced before it replaces a schedule: only items, not too many.
// Items on dates a schedule cannot hold are taken out; the answer describes them.
QStringList CheckLoadedSchedule(TCalSchedule& Schedule) {
    if (Schedule.ComponentCount() > TCalSchedule::MaxItems)
        ScheduleFileError(
            QStringLiteral("予定が多すぎます (%1 件)").arg(Schedule.ComponentCount()));
    for (int i = 0; i < Schedule.ComponentCount(); ++i) {
        if (!qobject_cast<const TCalScheduleItem*>(Schedule.Components(i)))
            ScheduleFileError(QStringLiteral("予定ではない要素 %1 があります")
                                  .arg(Schedule.Components(i)->ClassName()));
    }
    QStringList skipped;
    for (int i = Schedule.ComponentCount() - 1; i >= 0; --i) {
        const TCalScheduleItem* item = Schedule.Items(i);
        if (item->HasValidDate())
            continue;
        skipped.prepend(BadDateText(item->Year(), item->Month(), item->Day()));
        Schedule.DeleteItem(i);
    }
    return skipped;
}

// Days from Base to Day; in 64 bits, as day numbers of dates far apart may differ by more
// than an int holds.
int64_t DayDistance(int Day, int Base) {
    return static_cast<int64_t>(Day) - Base;
}

} // namespace

TCalDateKey MakeDateKey(int Year, int Month, int Day) {
    TCalDateKey key;
    key.Year = Year;
    key.Month = Month;
    key.Day = Day;
    key.DayNumber = DayNumber(Year, Month, Day);
    key.Weekday = DayOfWeek(Year, Month, Day);
    const THolidays* holidays = HolidayTable();
    key.IsHoliday = holidays && holidays->HolidayIndex(Year, Month, Day) >= 0;
    return key;
}

// ---- TCalScheduleItem ----

TCalScheduleItem::TCalScheduleItem(TComponent* Owner) : TComponent(Owner) {
    FDayNumber = ::DayNumber(FYear, FMonth, FDay);
}

void TCalScheduleItem::Assign(const TPersistent* Source) {
    const auto* item = qobject_cast<const TCalScheduleItem*>(Source);
    if (!item) {
        TComponent::Assign(Source);
        return;
    }
    if (item == this)
        return;
    FDescription = item->FDescription;
    FYear = item->FYear;
    FMonth = item->FMonth;
    FDay = item->FDay;
    FAsHoliday = item->FAsHoliday;
    FHowToDisplay = item->FHowToDisplay;
    FIcon = item->FIcon;
    DateChanged();
    FModified = item->FModified;
}

void TCalScheduleItem::SetDescription(const QString& Value) {
    FDescription = Value;
    Changed();
}

// Each field is checked on its own (an item is dated one field at a time); the whole date
// when asked for, or when a schedule owns the item and will save it.
void TCalScheduleItem::ChangeDate(int Year, int Month, int Day, bool WholeDate) {
    const auto inRange = [](int Value, int Old, int Min, int Max) {
        return Value == Old || (Value >= Min && Value <= Max);
    };
    const bool whole = WholeDate || qobject_cast<const TCalSchedule*>(Owner());
    const bool fields = inRange(Year, FYear, TYMDCacheData::FirstYear, TYMDCacheData::LastYear) &&
                        inRange(Month, FMonth, 1, 12) && inRange(Day, FDay, 1, 31);
    if (!fields || (whole && !IsScheduleDate(Year, Month, Day)))
        throw EConvertError(BadDateText(Year, Month, Day));
    FYear = Year;
    FMonth = Month;
    FDay = Day;
    DateChanged();
}

void TCalScheduleItem::SetYear(int Value) {
    ChangeDate(Value, FMonth, FDay, false);
}

void TCalScheduleItem::SetMonth(int Value) {
    ChangeDate(FYear, Value, FDay, false);
}

void TCalScheduleItem::SetDay(int Value) {
    ChangeDate(FYear, FMonth, Value, false);
}

void TCalScheduleItem::SetDate(int Year, int Month, int Day) {
    ChangeDate(Year, Month, Day, true);
}

void TCalScheduleItem::StoreYear(int Value) {
    FYear = Value;
    DateChanged();
}

void TCalScheduleItem::StoreMonth(int Value) {
    FMonth = Value;
    DateChanged();
}

void TCalScheduleItem::StoreDay(int Value) {
    FDay = Value;
    DateChanged();
}

void TCalScheduleItem::SetAsHoliday(bool Value) {
    FAsHoliday = Value;
    Changed();
}

void TCalScheduleItem::SetHowToDisplay(int Value) {
    FHowToDisplay = Value;
    Changed();
}

void TCalScheduleItem::SetIcon(int Value) {
    FIcon = Value;
    Changed();
}

int TCalScheduleItem::Compare(const TCalDateKey& Key) const {
    return static_cast<int>(
        std::clamp<int64_t>(DayDistance(FDayNumber, Key.DayNumber), INT_MIN, INT_MAX));
}

bool TCalScheduleItem::HasValidDate() const {
    return IsScheduleDate(FYear, FMonth, FDay);
}

// The day flags of the owning schedule describe the old date: they are dropped.
void TCalScheduleItem::DateChanged() {
    FDayNumber = ::DayNumber(FYear, FMonth, FDay);
    Changed();
    if (const auto* schedule = qobject_cast<const TCalSchedule*>(Owner()))
        schedule->InvalidateDayFlags();
}

// ---- TCalScheduleList ----

TCalScheduleItem* TCalScheduleList::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return FItems[static_cast<size_t>(Index)];
}

// ---- TCalSchedule ----

TCalSchedule::TCalSchedule(TComponent* Owner) : TComponent(Owner) {}

TCalSchedule::~TCalSchedule() = default;

void TCalSchedule::Assign(const TPersistent* Source) {
    const auto* source = qobject_cast<const TCalSchedule*>(Source);
    if (!source) {
        TComponent::Assign(Source);
        return;
    }
    if (source == this)
        return;
    // Copies are made first, so that a failure leaves this schedule as it was.
    std::vector<std::unique_ptr<TCalScheduleItem>> copies;
    copies.reserve(static_cast<size_t>(source->Count()));
    for (int i = 0; i < source->Count(); ++i) {
        const TCalScheduleItem* item = source->Items(i);
        auto copy = std::make_unique<TCalScheduleItem>();
        copy->Assign(item);
        copy->SetName(item->Name());
        copy->SetTag(item->Tag());
        copies.push_back(std::move(copy));
    }
    Clear();
    FMemo = source->FMemo;
    SetTag(source->Tag());
    for (auto& copy : copies) {
        InsertComponent(copy.get());
        copy.release();
    }
    InvalidateDayFlags();
}

TCalScheduleItem* TCalSchedule::Items(int Index) const {
    auto* item = qobject_cast<TCalScheduleItem*>(Components(Index));
    if (!item)
        throw EListError(QStringLiteral("%1 はスケジュールの予定ではありません")
                             .arg(Components(Index)->ClassName()));
    return item;
}

TCalScheduleItem* TCalSchedule::AddItem(std::unique_ptr<TCalScheduleItem> Item) {
    if (!Item)
        return nullptr;
    if (!Item->HasValidDate())
        throw EConvertError(BadDateText(Item->Year(), Item->Month(), Item->Day()));
    if (Count() >= MaxItems)
        throw EListError(QStringLiteral("予定は %1 件までです").arg(MaxItems));
    InsertComponent(Item.get());
    return Item.release();
}

void TCalSchedule::DeleteItem(int Index) {
    // Destroyed on leaving, after it has left the owner list.
    const std::unique_ptr<TComponent> removed = RemoveComponent(Components(Index));
    InvalidateDayFlags();
}

void TCalSchedule::Clear() {
    DestroyComponents();
    InvalidateDayFlags();
}

// Any item coming or going changes the days that hold items. The news is not passed on to
// the items: they refer to no other component, and passing it on would make reading or
// building a schedule of n items take n x n calls.
void TCalSchedule::Notification(TComponent* Component, TOperation Operation) {
    if (Operation == opRemove && Component)
        RemoveFreeNotification(Component);
    InvalidateDayFlags();
}

void TCalSchedule::BuildDayFlags(int Year) const {
    FCachedYear = Year;
    for (auto& month : FDayFlags)
        month.fill(false);
    for (int i = 0; i < ComponentCount(); ++i) {
        const auto* item = qobject_cast<const TCalScheduleItem*>(Components(i));
        if (!item || item->Year() != Year)
            continue;
        const int month = item->Month(), day = item->Day();
        if (month >= 1 && month <= 12 && day >= 1 && day <= 31)
            FDayFlags[static_cast<size_t>(month - 1)][static_cast<size_t>(day - 1)] = true;
    }
}

int TCalSchedule::IndexOfDate(int Year, int Month, int Day) const {
    if (Year != FCachedYear || FCachedYear == -1)
        BuildDayFlags(Year);
    if (Month < 1 || Month > 12 || Day < 1 || Day > 31)
        return -1;
    if (!FDayFlags[static_cast<size_t>(Month - 1)][static_cast<size_t>(Day - 1)])
        return -1;
    for (int i = 0; i < ComponentCount(); ++i) {
        const auto* item = qobject_cast<const TCalScheduleItem*>(Components(i));
        if (item && item->Year() == Year && item->Month() == Month && item->Day() == Day)
            return i;
    }
    return -1;
}

// Direction +1 looks after the key, -1 before it; the nearest date wins and every item on it
// is listed.
void TCalSchedule::FindNearest(TCalScheduleList& List, const TCalDateKey& Key,
                               int Direction) const {
    List.Clear();
    int64_t best = 0;
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* item = qobject_cast<TCalScheduleItem*>(Components(i));
        if (!item)
            continue;
        const int64_t distance = DayDistance(item->DayNumber(), Key.DayNumber) * Direction;
        if (distance <= 0)
            continue;
        if (List.Count() > 0 && distance > best)
            continue;
        if (List.Count() > 0 && distance < best)
            List.Clear();
        best = distance;
        List.Add(item);
    }
}

void TCalSchedule::FindNextItems(TCalScheduleList& List, int Year, int Month, int Day) const {
    FindNearest(List, MakeDateKey(Year, Month, Day), +1);
}

void TCalSchedule::FindPrevItems(TCalScheduleList& List, int Year, int Month, int Day) const {
    FindNearest(List, MakeDateKey(Year, Month, Day), -1);
}

void TCalSchedule::SaveToStream(TStream& Stream) {
    WriteComponentRes(Stream, ClassName(), *this);
}

QStringList TCalSchedule::LoadFromStream(TStream& Stream) {
    RegisterScheduleClasses();
    std::unique_ptr<TComponent> root = ReadComponentRes(Stream);
    auto* loaded = qobject_cast<TCalSchedule*>(root.get());
    if (!loaded)
        ScheduleFileError(QStringLiteral("%1 はスケジュールではありません").arg(root->ClassName()));
    QStringList skipped = CheckLoadedSchedule(*loaded);
    TakeOver(*loaded);
    return skipped;
}

// Moves the contents of a freshly read schedule here. The name is taken first: it is the one
// step that can fail, and nothing has changed yet when it does.
void TCalSchedule::TakeOver(TCalSchedule& Source) {
    SetName(Source.Name());
    Clear();
    FMemo = Source.FMemo;
    SetTag(Source.Tag());
    // Taken from the end (cheap for the owner list), inserted in the original order.
    std::vector<std::unique_ptr<TComponent>> items;
    while (Source.ComponentCount() > 0)
        items.push_back(Source.RemoveComponent(Source.Components(Source.ComponentCount() - 1)));
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        InsertComponent(it->get());
        it->release();
    }
    InvalidateDayFlags();
}

void RegisterScheduleClasses() {
    RegisterClasses<TCalScheduleItem, TCalSchedule>();
}

QString ScheduleFileName() {
    const QString notSet = QStringLiteral("スケジュール ファイルの場所が設定されていません");
    QString folder;
    try {
        folder = ExpandMacros(SScheduleFolderMacro);
    } catch (const EMacroString& e) {
        throw EFOpenError(notSet + QStringLiteral(" (") + e.Message + QStringLiteral(")"));
    }
    // Without an application frame the macro comes back unexpanded.
    if (folder.trimmed().isEmpty() || folder.contains(QLatin1String("$(")))
        throw EFOpenError(notSet);
    const QString name = RegReadString(SScheduleFileNameKey, SDefaultScheduleFileName);
    return ResolveFileName(JoinLocalPath(folder, name.isEmpty() ? SDefaultScheduleFileName : name));
}

bool LoadScheduleFile(TCalSchedule& Schedule, QStringList* Skipped) {
    const QString fileName = ScheduleFileName();
    // No earlier edition of the program kept schedules on this system, so a missing file
    // simply means an empty schedule.
    if (!QFileInfo(fileName).isFile())
        return false;
    TFileStream stream(fileName, fmOpenRead);
    const QStringList skipped = Schedule.LoadFromStream(stream);
    if (Skipped)
        *Skipped += skipped;
    return true;
}

void SaveScheduleFile(TCalSchedule& Schedule) {
    const QString fileName = ScheduleFileName();
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!QDir().mkpath(folder))
        throw EFCreateError(QStringLiteral("フォルダ %1 を作成できません").arg(folder));
    TAtomicFileStream stream(fileName);
    Schedule.SaveToStream(stream);
    stream.Commit();
}
