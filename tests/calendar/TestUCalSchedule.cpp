#include "UCalSchedule.h"

#include "UAppFrame.h"
#include "UClasses.h"
#include "UDayTable.h"
#include "UHolidays.h"
#include "UPropStream.h"
#include "URegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <random>

namespace {

QByteArray H(const char* HexText) {
    return QByteArray::fromHex(HexText);
}
QByteArray S(const char* Text) {
    return char(qstrlen(Text)) + QByteArray(Text);
}

std::unique_ptr<TCalScheduleItem> Item(int Year, int Month, int Day, const QString& Text = {}) {
    auto item = std::make_unique<TCalScheduleItem>();
    item->SetDate(Year, Month, Day);
    item->SetDescription(Text);
    return item;
}

QByteArray Save(TCalSchedule& Schedule) {
    TMemoryStream m;
    Schedule.SaveToStream(m);
    return m.Bytes();
}

void Load(TCalSchedule& Schedule, const QByteArray& Bytes) {
    TMemoryStream m(Bytes);
    Schedule.LoadFromStream(m);
}

std::string LoadError(const QByteArray& Bytes) {
    TCalSchedule schedule;
    try {
        Load(schedule, Bytes);
    } catch (const EStreamError& e) {
        return e.Message.toStdString();
    }
    return "(loaded)";
}

// A schedule with a memo, a tag, named and unnamed items, Japanese text, and two items on
// one date.
std::unique_ptr<TCalSchedule> SampleSchedule() {
    auto s = std::make_unique<TCalSchedule>();
    s->SetName(QStringLiteral("UsrSchedule"));
    s->SetMemo(QStringLiteral("家族の予定"));
    s->SetTag(7);
    s->AddItem(Item(2005, 3, 4, QStringLiteral("誕生日")))->SetAsHoliday(true);
    TCalScheduleItem* trip = s->AddItem(Item(2005, 8, 10, QStringLiteral("旅行")));
    trip->SetName(QStringLiteral("Trip"));
    trip->SetHowToDisplay(2);
    trip->SetIcon(14);
    trip->SetTag(-3);
    s->AddItem(Item(2005, 8, 10, QStringLiteral("お盆")));
    s->AddItem(Item(1989, 1, 1, QStringLiteral("最初の日")));
    s->AddItem(Item(2151, 12, 31, QStringLiteral("最後の日")));
    return s;
}

std::vector<QString> Texts(const TCalScheduleList& List) {
    std::vector<QString> texts;
    for (const TCalScheduleItem* item : List)
        texts.push_back(item->Description());
    return texts;
}

class ScheduleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterScheduleClasses(); }
};

} // namespace

TEST_F(ScheduleTest, ItemSettersKeepTheDayNumberAndMarkTheItemModified) {
    TCalScheduleItem item;
    EXPECT_FALSE(item.Modified());
    item.SetDate(2000, 1, 1);
    EXPECT_EQ(item.DayNumber(), 51544);
    EXPECT_TRUE(item.Modified());
    item.SetModified(false);
    item.SetDay(31);
    EXPECT_EQ(item.DayNumber(), 51574);
    item.SetMonth(3);
    item.SetYear(2001);
    EXPECT_EQ(item.DayNumber(), DayNumber(2001, 3, 31));
    EXPECT_EQ(item.Compare(MakeDateKey(2001, 4, 1)), -1);
    EXPECT_EQ(item.Compare(MakeDateKey(2001, 3, 30)), 1);
    // Day numbers of dates far apart differ by more than an int holds.
    item.SetDate(2151, 1, 1);
    EXPECT_EQ(item.Compare(MakeDateKey(-5877600, 1, 1)), INT_MAX);
    EXPECT_LT(item.Compare(MakeDateKey(5877600, 1, 2)), -2000000000);

    const struct {
        const char* What;
        std::function<void(TCalScheduleItem&)> Set;
    } setters[] = {
        {"Description", [](TCalScheduleItem& i) { i.SetDescription(QStringLiteral("x")); }},
        {"AsHoliday", [](TCalScheduleItem& i) { i.SetAsHoliday(true); }},
        {"HowToDisplay", [](TCalScheduleItem& i) { i.SetHowToDisplay(1); }},
        {"Icon", [](TCalScheduleItem& i) { i.SetIcon(3); }},
    };
    for (const auto& s : setters) {
        item.SetModified(false);
        s.Set(item);
        EXPECT_TRUE(item.Modified()) << s.What;
    }
}

TEST_F(ScheduleTest, ItemAssignCopiesTheEntryAndItsModifiedFlag) {
    TCalScheduleItem source;
    source.SetDate(2010, 5, 6);
    source.SetDescription(QStringLiteral("運動会"));
    source.SetAsHoliday(true);
    source.SetHowToDisplay(2);
    source.SetIcon(9);
    source.SetModified(false);
    TCalScheduleItem copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.Description(), source.Description());
    EXPECT_EQ(copy.Year(), 2010);
    EXPECT_EQ(copy.Month(), 5);
    EXPECT_EQ(copy.Day(), 6);
    EXPECT_EQ(copy.DayNumber(), source.DayNumber());
    EXPECT_TRUE(copy.AsHoliday());
    EXPECT_EQ(copy.HowToDisplay(), 2);
    EXPECT_EQ(copy.Icon(), 9);
    EXPECT_FALSE(copy.Modified());

    TCalSchedule schedule;
    EXPECT_THROW(copy.Assign(&schedule), EConvertError);
}

TEST_F(ScheduleTest, SaveWritesTheScheduleAsAComponentResource) {
    TCalSchedule schedule;
    schedule.SetMemo(QStringLiteral("Family"));
    TCalScheduleItem* item = schedule.AddItem(Item(2005, 3, 4, QStringLiteral("Birthday")));
    item->SetAsHoliday(true);
    item->SetIcon(2);
    schedule.AddItem(Item(1989, 12, 31));

    const QByteArray stream = "TPF0" + S("TCalSchedule") + S("") +          // root
                              S("Memo") + H("06") + S("Family") + H("00") + // its properties
                              S("TCalScheduleItem") + S("") +               // first item
                              S("Description") + H("06") + S("Birthday") +  //
                              S("Year") + H("03 d5 07") + S("Month") + H("02 03") + S("Day") +
                              H("02 04") + S("AsHoliday") + H("09") + //
                              S("Icon") + H("02 02") + H("00 00") +   //
                              S("TCalScheduleItem") + S("") +         // second item
                              S("Year") + H("03 c5 07") + S("Month") + H("02 0c") + S("Day") +
                              H("02 1f") + H("00 00") + //
                              H("00");                  // end of the items
    const int32_t size = static_cast<int32_t>(stream.size());
    const QByteArray expected = H("ff 0a 00") + "TCALSCHEDULE" + H("00 30 10") +
                                QByteArray(reinterpret_cast<const char*>(&size), 4) + stream;
    EXPECT_EQ(Save(schedule).toHex(' '), expected.toHex(' '));
}

TEST_F(ScheduleTest, LoadingAndSavingAgainGivesTheSameBytes) {
    auto original = SampleSchedule();
    const QByteArray bytes = Save(*original);

    TCalSchedule loaded;
    loaded.AddItem(Item(2020, 1, 1, QStringLiteral("replaced by the load")));
    Load(loaded, bytes);
    EXPECT_EQ(loaded.Name(), QStringLiteral("UsrSchedule"));
    EXPECT_EQ(loaded.Memo(), original->Memo());
    EXPECT_EQ(loaded.Tag(), 7);
    ASSERT_EQ(loaded.Count(), original->Count());
    for (int i = 0; i < loaded.Count(); ++i) {
        const TCalScheduleItem* a = original->Items(i);
        const TCalScheduleItem* b = loaded.Items(i);
        EXPECT_EQ(b->Name(), a->Name()) << i;
        EXPECT_EQ(b->Tag(), a->Tag()) << i;
        EXPECT_EQ(b->Description(), a->Description()) << i;
        EXPECT_EQ(b->DayNumber(), a->DayNumber()) << i;
        EXPECT_EQ(b->AsHoliday(), a->AsHoliday()) << i;
        EXPECT_EQ(b->HowToDisplay(), a->HowToDisplay()) << i;
        EXPECT_EQ(b->Icon(), a->Icon()) << i;
    }
    EXPECT_EQ(Save(loaded), bytes);
    EXPECT_EQ(loaded.IndexOfDate(2005, 8, 10), 1);
}

TEST_F(ScheduleTest, AssignCopiesTheWholeSchedule) {
    auto source = SampleSchedule();
    TCalSchedule copy;
    copy.AddItem(Item(2030, 6, 1));
    EXPECT_EQ(copy.IndexOfDate(2005, 3, 4), -1); // builds the day flags of 2005
    copy.Assign(source.get());

    EXPECT_EQ(copy.Memo(), source->Memo());
    EXPECT_EQ(copy.Tag(), source->Tag());
    EXPECT_EQ(copy.Name(), QString()); // the schedule keeps its own name
    ASSERT_EQ(copy.Count(), source->Count());
    EXPECT_EQ(copy.FindComponent(QStringLiteral("Trip")), copy.Items(1));
    EXPECT_EQ(copy.Items(1)->Tag(), -3);
    EXPECT_EQ(copy.IndexOfDate(2005, 3, 4), 0);
    EXPECT_EQ(copy.IndexOfDate(2030, 6, 1), -1);
    // The items are copies: changing them leaves the source alone, and the bytes agree.
    source->SetName(QString());
    EXPECT_EQ(Save(copy), Save(*source));
    copy.Items(0)->SetDescription(QStringLiteral("changed"));
    EXPECT_EQ(source->Items(0)->Description(), QStringLiteral("誕生日"));

    copy.Assign(&copy);
    EXPECT_EQ(copy.Count(), source->Count());
    TCalScheduleItem item;
    EXPECT_THROW(copy.Assign(&item), EConvertError);
    EXPECT_EQ(copy.Count(), source->Count());
}

TEST_F(ScheduleTest, IndexOfDateFindsTheFirstItemOfTheDay) {
    auto s = SampleSchedule();
    const struct {
        int Y, M, D, Index;
    } rows[] = {
        {2005, 3, 4, 0},   {2005, 8, 10, 1},  {2005, 8, 11, -1}, {1989, 1, 1, 3},
        {2151, 12, 31, 4}, {2004, 3, 4, -1},  {2005, 0, 4, -1},  {2005, 13, 4, -1},
        {2005, 3, 0, -1},  {2005, 3, 32, -1}, {-1, 3, 4, -1},    {2005, 3, 4, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(s->IndexOfDate(r.Y, r.M, r.D), r.Index) << r.Y << "-" << r.M << "-" << r.D;
}

TEST_F(ScheduleTest, EveryChangeOfTheItemsReachesIndexOfDate) {
    auto s = SampleSchedule();
    ASSERT_EQ(s->IndexOfDate(2005, 3, 4), 0);

    // Editing an item's date moves it in the day flags of the cached year.
    s->Items(0)->SetDay(5);
    EXPECT_EQ(s->IndexOfDate(2005, 3, 4), -1);
    EXPECT_EQ(s->IndexOfDate(2005, 3, 5), 0);
    s->Items(0)->SetDate(2005, 4, 1);
    EXPECT_EQ(s->IndexOfDate(2005, 3, 5), -1);
    EXPECT_EQ(s->IndexOfDate(2005, 4, 1), 0);
    s->Items(0)->SetYear(2006);
    EXPECT_EQ(s->IndexOfDate(2005, 4, 1), -1);
    EXPECT_EQ(s->IndexOfDate(2006, 4, 1), 0);
    s->Items(0)->SetMonth(9);
    EXPECT_EQ(s->IndexOfDate(2006, 4, 1), -1);
    EXPECT_EQ(s->IndexOfDate(2006, 9, 1), 0);

    // Deleting the first of two items of a day leaves the second.
    ASSERT_EQ(s->IndexOfDate(2005, 8, 10), 1);
    s->DeleteItem(1);
    EXPECT_EQ(s->IndexOfDate(2005, 8, 10), 1);
    EXPECT_EQ(s->Items(1)->Description(), QStringLiteral("お盆"));
    s->DeleteItem(1);
    EXPECT_EQ(s->IndexOfDate(2005, 8, 10), -1);

    // Items added in the cached year, by AddItem or by creation with the schedule as owner.
    s->AddItem(Item(2005, 8, 12));
    EXPECT_EQ(s->IndexOfDate(2005, 8, 12), s->Count() - 1);
    auto* owned = new TCalScheduleItem(s.get());
    owned->SetDate(2005, 8, 13);
    EXPECT_EQ(s->IndexOfDate(2005, 8, 13), s->Count() - 1);
    delete owned;
    EXPECT_EQ(s->IndexOfDate(2005, 8, 13), -1);

    s->Clear();
    EXPECT_EQ(s->Count(), 0);
    EXPECT_EQ(s->IndexOfDate(2005, 8, 12), -1);
    EXPECT_THROW(s->DeleteItem(0), EListError);
}

TEST_F(ScheduleTest, FindNextAndPrevListEveryItemOfTheNearestDate) {
    auto s = SampleSchedule();
    using V = std::vector<QString>;
    const QString birthday = QStringLiteral("誕生日"), trip = QStringLiteral("旅行"),
                  bon = QStringLiteral("お盆"), first = QStringLiteral("最初の日"),
                  last = QStringLiteral("最後の日");
    const struct {
        int Y, M, D;
        V Next, Prev;
    } rows[] = {
        {1988, 12, 31, {first}, {}},       {1989, 1, 1, {birthday}, {}},
        {2005, 3, 3, {birthday}, {first}}, {2005, 3, 4, {trip, bon}, {first}},
        {2005, 8, 10, {last}, {birthday}}, {2005, 8, 11, {last}, {trip, bon}},
        {2151, 12, 31, {}, {trip, bon}},   {2152, 1, 1, {}, {last}},
    };
    TCalScheduleList list;
    for (const auto& r : rows) {
        list.Add(s->Items(0)); // whatever the list held is replaced
        s->FindNextItems(list, r.Y, r.M, r.D);
        EXPECT_EQ(Texts(list), r.Next) << "after " << r.Y << "-" << r.M << "-" << r.D;
        list.Add(s->Items(0));
        s->FindPrevItems(list, r.Y, r.M, r.D);
        EXPECT_EQ(Texts(list), r.Prev) << "before " << r.Y << "-" << r.M << "-" << r.D;
    }
    EXPECT_THROW(list.Items(list.Count()), EListError);

    // Far-off dates asked for are ordered without overflow.
    s->FindPrevItems(list, 5877600, 1, 1);
    EXPECT_EQ(Texts(list), V{last});
    s->FindNextItems(list, -5877600, 1, 1);
    EXPECT_EQ(Texts(list), V{first});

    // A nearer date found later in component order replaces what was listed.
    s->AddItem(Item(2005, 8, 9, QStringLiteral("前日")));
    s->FindNextItems(list, 2005, 3, 4);
    EXPECT_EQ(Texts(list), V{QStringLiteral("前日")});
    s->Items(1)->SetDay(8);
    s->FindNextItems(list, 2005, 3, 4);
    EXPECT_EQ(Texts(list), V{trip});
}

TEST_F(ScheduleTest, DateKeysCarryWeekdayAndHoliday) {
    auto holidays = std::make_unique<THolidays>();
    TStringList lines;
    lines.SetText(QStringLiteral("[HolidayName]\n0,元日\n[HolidayDef]\n*;1;1;0\n"));
    holidays->LoadFromStrings(lines);
    SetHolidayTable(std::move(holidays));
    const TCalDateKey newYear = MakeDateKey(2005, 1, 1);
    EXPECT_EQ(newYear.DayNumber, DayNumber(2005, 1, 1));
    EXPECT_EQ(newYear.Weekday, 6);
    EXPECT_TRUE(newYear.IsHoliday);
    EXPECT_FALSE(MakeDateKey(2005, 1, 2).IsHoliday);
    SetHolidayTable(nullptr);
    EXPECT_FALSE(MakeDateKey(2005, 1, 1).IsHoliday);
}

TEST_F(ScheduleTest, EveryTruncatedFileIsRefusedAndTheScheduleKept) {
    auto sample = SampleSchedule();
    const QByteArray full = Save(*sample);
    TCalSchedule target;
    target.SetMemo(QStringLiteral("kept"));
    target.AddItem(Item(2001, 2, 3));
    ASSERT_EQ(target.IndexOfDate(2001, 2, 3), 0);
    for (qsizetype n = 0; n < full.size(); ++n) {
        TMemoryStream m(full.left(n));
        EXPECT_THROW(target.LoadFromStream(m), EStreamError) << "prefix of " << n << " bytes";
    }
    EXPECT_EQ(target.Memo(), QStringLiteral("kept"));
    ASSERT_EQ(target.Count(), 1);
    EXPECT_EQ(target.IndexOfDate(2001, 2, 3), 0);
}

TEST_F(ScheduleTest, CorruptedFilesAreRefusedOrReadWithoutHarm) {
    auto sample = SampleSchedule();
    const QByteArray full = Save(*sample);
    std::mt19937 rng(20050304);
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes = full;
        const int flips = 1 + int(rng() % 3);
        for (int f = 0; f < flips; ++f)
            bytes[rng() % bytes.size()] = char(rng() % 256);
        TCalSchedule target;
        target.SetMemo(QStringLiteral("kept"));
        try {
            Load(target, bytes);
        } catch (const EStreamError&) {
            ++refused;
            EXPECT_EQ(target.Memo(), QStringLiteral("kept"));
            EXPECT_EQ(target.Count(), 0);
            continue;
        }
        // What was accepted is a schedule of real dates that saves again.
        for (int i = 0; i < target.Count(); ++i)
            EXPECT_TRUE(target.Items(i)->HasValidDate());
        EXPECT_NO_THROW(Save(target));
    }
    EXPECT_GT(refused, 500);
}

TEST_F(ScheduleTest, ItemsWithImpossibleDatesAreLeftOutAndReported) {
    // A schedule of three items; the middle one dated as given.
    const auto withItem = [](int Y, int M, int D) {
        const auto item = [](const char* Text, int Y, int M, int D) {
            QByteArray b = S("TCalScheduleItem") + S("") + S("Description") + H("06") + S(Text);
            for (const auto& [name, value] : {std::pair{"Year", Y}, {"Month", M}, {"Day", D}})
                b += S(name) + H("04") + QByteArray(reinterpret_cast<const char*>(&value), 4);
            return b + H("00 00");
        };
        const QByteArray body = "TPF0" + S("TCalSchedule") + S("") + H("00") +
                                item("first", 2005, 1, 1) + item("middle", Y, M, D) +
                                item("last", 2006, 1, 1) + H("00");
        const int32_t size = static_cast<int32_t>(body.size());
        return H("ff 0a 00") + "TCALSCHEDULE" + H("00 30 10") +
               QByteArray(reinterpret_cast<const char*>(&size), 4) + body;
    };
    const struct {
        const char* What;
        int Y, M, D;
        bool Kept;
    } cases[] = {
        {"30 February", 2005, 2, 30, false},
        {"29 February of a common year", 2005, 2, 29, false},
        {"year before the tables", 1988, 12, 31, false},
        {"year after the tables", 2152, 1, 1, false},
        {"month 13", 2005, 13, 1, false},
        {"month 0", 2005, 0, 1, false},
        {"day 0", 2005, 1, 0, false},
        {"no date at all", 0, 0, 0, false},
        {"year INT_MIN", INT_MIN, 1, 1, false},
        {"29 February of a leap year", 2004, 2, 29, true},
        {"the last day", 2151, 12, 31, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TCalSchedule schedule;
        TMemoryStream m(withItem(c.Y, c.M, c.D));
        QStringList skipped;
        ASSERT_NO_THROW(skipped = schedule.LoadFromStream(m));
        if (c.Kept) {
            EXPECT_TRUE(skipped.isEmpty());
            EXPECT_EQ(schedule.Count(), 3);
            continue;
        }
        EXPECT_EQ(
            skipped,
            QStringList{
                QStringLiteral("予定の日付 %1/%2/%3 は扱えません").arg(c.Y).arg(c.M).arg(c.D)});
        ASSERT_EQ(schedule.Count(), 2);
        EXPECT_EQ(schedule.Items(0)->Description(), "first");
        EXPECT_EQ(schedule.Items(1)->Description(), "last");
        EXPECT_EQ(schedule.IndexOfDate(2006, 1, 1), 1);
        // What was kept saves and loads again whole.
        TCalSchedule again;
        TMemoryStream saved(Save(schedule));
        EXPECT_TRUE(again.LoadFromStream(saved).isEmpty());
        EXPECT_EQ(again.Count(), 2);
    }
}

// Items made in code cannot take a date a schedule file could not hold.
TEST_F(ScheduleTest, DateSettersAndAddItemRefuseImpossibleDates) {
    const struct {
        const char* What;
        std::function<void(TCalScheduleItem&)> Set;
    } refused[] = {
        {"year before", [](TCalScheduleItem& i) { i.SetYear(1988); }},
        {"year after", [](TCalScheduleItem& i) { i.SetYear(2152); }},
        {"month 0", [](TCalScheduleItem& i) { i.SetMonth(0); }},
        {"month 13", [](TCalScheduleItem& i) { i.SetMonth(13); }},
        {"day 0", [](TCalScheduleItem& i) { i.SetDay(0); }},
        {"day 32", [](TCalScheduleItem& i) { i.SetDay(32); }},
        {"30 February", [](TCalScheduleItem& i) { i.SetDate(2005, 2, 30); }},
        {"no date", [](TCalScheduleItem& i) { i.SetDate(0, 0, 0); }},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.What);
        auto item = Item(2005, 1, 31);
        item->SetModified(false);
        EXPECT_THROW(r.Set(*item), EConvertError);
        EXPECT_EQ(item->DayNumber(), DayNumber(2005, 1, 31));
        EXPECT_FALSE(item->Modified());
    }
    // A new item is dated one field at a time.
    TCalScheduleItem fresh;
    fresh.SetYear(2005);
    fresh.SetMonth(2);
    fresh.SetDay(28);
    EXPECT_TRUE(fresh.HasValidDate());

    // A schedule takes only real dates, and its items keep them.
    TCalSchedule schedule;
    EXPECT_THROW(schedule.AddItem(std::make_unique<TCalScheduleItem>()), EConvertError);
    EXPECT_EQ(schedule.Count(), 0);
    TCalScheduleItem* owned = schedule.AddItem(Item(2005, 1, 31));
    EXPECT_THROW(owned->SetMonth(2), EConvertError) << "31 February";
    EXPECT_THROW(owned->SetYear(2151 + 1), EConvertError);
    EXPECT_EQ(owned->Month(), 1);
    owned->SetDay(28);
    owned->SetMonth(2);
    EXPECT_EQ(schedule.IndexOfDate(2005, 2, 28), 0);
}

TEST_F(ScheduleTest, FilesOfOtherClassesAreRefused) {
    // A schedule item as the root.
    TCalScheduleItem item;
    item.SetDate(2005, 1, 1);
    TMemoryStream itemRes;
    WriteComponentRes(itemRes, QStringLiteral("TCalScheduleItem"), item);
    EXPECT_NE(LoadError(itemRes.Bytes()).find("スケジュールではありません"), std::string::npos);

    // A schedule among the items.
    TCalSchedule outer;
    outer.AddItem(Item(2005, 1, 1));
    new TCalSchedule(&outer);
    EXPECT_NE(LoadError(Save(outer)).find("予定ではない要素 TCalSchedule"), std::string::npos);
    EXPECT_THROW(outer.Items(1), EListError);

    // A class nobody registered, and two items of one name.
    QByteArray unknown = Save(*SampleSchedule());
    unknown.replace("TCalScheduleItem", "TCalScheduleItex");
    EXPECT_THROW(Load(outer, unknown), EClassNotFound);
    TCalSchedule named;
    named.AddItem(Item(2005, 1, 1))->SetName(QStringLiteral("AAAA"));
    named.AddItem(Item(2005, 1, 2))->SetName(QStringLiteral("BBBB"));
    const QByteArray twins = Save(named).replace("BBBB", "AAAA");
    EXPECT_THROW(Load(outer, twins), EReadError);
    EXPECT_EQ(outer.Count(), 2);
}

TEST_F(ScheduleTest, TooManyItemsAreRefused) {
    const QByteArray item = S("TCalScheduleItem") + S("") + S("Year") + H("03 d5 07") + S("Month") +
                            H("02 01") + S("Day") + H("02 01") + H("00 00");
    const auto stream = [&](int Count) {
        QByteArray body = "TPF0" + S("TCalSchedule") + S("") + H("00");
        body.reserve(body.size() + item.size() * Count + 1);
        for (int i = 0; i < Count; ++i)
            body += item;
        body += H("00");
        const int32_t size = static_cast<int32_t>(body.size());
        return H("ff 0a 00") + "TCALSCHEDULE" + H("00 30 10") +
               QByteArray(reinterpret_cast<const char*>(&size), 4) + body;
    };
    EXPECT_NE(LoadError(stream(TCalSchedule::MaxItems + 1)).find("予定が多すぎます"),
              std::string::npos);
    TCalSchedule full;
    Load(full, stream(TCalSchedule::MaxItems));
    EXPECT_EQ(full.Count(), TCalSchedule::MaxItems);
    // A full schedule takes no more items: what saves must load again.
    EXPECT_THROW(full.AddItem(Item(2005, 3, 4)), EListError);
    EXPECT_EQ(full.Count(), TCalSchedule::MaxItems);
}

class ScheduleFileTest : public ScheduleTest {
protected:
    void SetUp() override {
        FFrame = std::make_unique<TAppFrame>();
        TStringList table;
        table.SetText(QStringLiteral("SysRegistryKey=Software\\Quorvelin\\Schedules\n"
                                     "ScheduleFilePath=%1\\Data\\")
                          .arg(FDir.path()));
        FFrame->SetMacro(table);
    }
    void TearDown() override {
        FFrame.reset();
        TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin\\Schedules"));
    }
    QTemporaryDir FDir;
    std::unique_ptr<TAppFrame> FFrame;
};

TEST_F(ScheduleFileTest, TheFileLivesInTheScheduleFolderUnderTheSetName) {
    const QString defaultName = FDir.path() + QStringLiteral("/Data/マイスケジュール.sch");
    EXPECT_EQ(ScheduleFileName(), defaultName);

    TCalSchedule schedule;
    EXPECT_FALSE(LoadScheduleFile(schedule));
    EXPECT_FALSE(QFile::exists(defaultName));

    auto sample = SampleSchedule();
    SaveScheduleFile(*sample);
    ASSERT_TRUE(QFile::exists(defaultName));
    EXPECT_EQ(ReadWholeFile(defaultName), Save(*sample));
    EXPECT_TRUE(LoadScheduleFile(schedule));
    EXPECT_EQ(schedule.Count(), sample->Count());
    EXPECT_EQ(QDir(FDir.path() + QStringLiteral("/Data")).entryList(QDir::Files).size(), 1)
        << "no temporary file is left beside the schedule";

    RegWriteString(QStringLiteral("ScheduleFileName"), QStringLiteral("other.sch"));
    EXPECT_EQ(ScheduleFileName(), FDir.path() + QStringLiteral("/Data/other.sch"));
    TCalSchedule fresh;
    EXPECT_FALSE(LoadScheduleFile(fresh));
}

TEST_F(ScheduleFileTest, ADamagedFileRaisesAndLeavesTheScheduleAndFileAlone) {
    auto sample = SampleSchedule();
    SaveScheduleFile(*sample);
    QByteArray damaged = ReadWholeFile(ScheduleFileName());
    damaged.chop(1);
    WriteFileAtomic(ScheduleFileName(), damaged);

    TCalSchedule schedule;
    schedule.SetMemo(QStringLiteral("kept"));
    EXPECT_THROW(LoadScheduleFile(schedule), EReadError);
    EXPECT_EQ(schedule.Memo(), QStringLiteral("kept"));
    EXPECT_EQ(ReadWholeFile(ScheduleFileName()), damaged);
}

TEST_F(ScheduleFileTest, WithoutAScheduleFolderNothingIsReadOrWritten) {
    TStringList table;
    table.SetText(QStringLiteral("ScheduleFilePath=\n"));
    FFrame->SetMacro(table);
    TCalSchedule schedule;
    EXPECT_THROW(LoadScheduleFile(schedule), EFOpenError);
    EXPECT_THROW(SaveScheduleFile(schedule), EFOpenError);
    FFrame.reset();
    EXPECT_THROW(ScheduleFileName(), EFOpenError);
}
