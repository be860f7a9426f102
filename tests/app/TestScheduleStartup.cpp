// The data module and the user's schedule at start-up: the calendar service table it
// installs, and the damage it reports (schedule items it had to leave out, an unreadable
// schedule file, a damaged calendar table) without touching the user's file.

#include "DataMainTestSupport.h"
#include "TestSupport.h"

#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UPictureEx.h"
#include "UStreams.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

namespace {

class ScheduleStartup : public TDataMainTest {
protected:
    QString SchedulePath() const { return UserFolder() + QStringLiteral("マイスケジュール.sch"); }

    // A schedule file holding "クリスマス" on 2026-12-24 and, when Bad, items on dates no
    // calendar has (written the way a damaged or foreign file would hold them).
    void WriteSchedule(bool Bad) {
        TCalSchedule schedule;
        auto add = [&](int Month, int Day, const QString& Text) {
            auto item = std::make_unique<TCalScheduleItem>();
            item->SetDate(2026, Month, 1);
            item->SetDescription(Text);
            TCalScheduleItem* added = schedule.AddItem(std::move(item));
            added->setProperty("Day", Day); // stored as read, unchecked
        };
        add(12, 24, QStringLiteral("クリスマス"));
        if (Bad) {
            add(2, 30, QStringLiteral("存在しない日"));
            add(4, 31, QStringLiteral("これも"));
        }
        TMemoryStream stream;
        schedule.SaveToStream(stream);
        ASSERT_TRUE(QDir().mkpath(UserFolder()));
        WriteFile(SchedulePath(), stream.Bytes());
    }

    void WriteProgramFile(const QString& Relative, const QByteArray& Bytes) {
        const QString path = ProgramFolder() + Relative;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        WriteFile(path, Bytes);
    }

    void WritePng(const QString& Relative, int Width, int Height) {
        QImage image(Width, Height, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString path = ProgramFolder() + Relative;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        ASSERT_TRUE(image.save(path));
    }
};

} // namespace

TEST_F(ScheduleStartup, ItemsLeftOutOfTheScheduleFileAreReportedAndTheFileIsKept) {
    WriteSchedule(true);
    const QByteArray before = FileBytes(SchedulePath());
    {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create());
        ASSERT_EQ(Boxes.size(), 1u);
        const QString& text = Boxes[0].Text;
        EXPECT_TRUE(text.contains(QStringLiteral("マイスケジュール.sch"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("2026/2/30"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("2026/4/31"))) << text.toStdString();
        ASSERT_EQ(dm->Schedule()->Count(), 1);
        EXPECT_EQ(CurrentCalendarSchedule(), dm->Schedule()) << "the readable items are used";
    }
    EXPECT_EQ(FileBytes(SchedulePath()), before) << "an unedited schedule is not rewritten";

    // A sound file says nothing.
    WriteSchedule(false);
    Boxes.clear();
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(ScheduleStartup, AnUnreadableScheduleIsNotOfferedToCalendars) {
    const QByteArray damaged("TPF0 this is not a schedule at all");
    ASSERT_TRUE(QDir().mkpath(UserFolder()));
    WriteFile(SchedulePath(), damaged);
    {
        auto dm = MakeDataMain();
        ASSERT_TRUE(dm->Create());
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_TRUE(Boxes[0].Text.contains(QStringLiteral("そのまま残します")))
            << Boxes[0].Text.toStdString();
        ASSERT_NE(CalendarServices(), nullptr);
        EXPECT_EQ(CurrentCalendarSchedule(), nullptr);
    }
    EXPECT_EQ(FileBytes(SchedulePath()), damaged);
}

TEST_F(ScheduleStartup, ADamagedCalendarTableIsReportedAndStartUpGoesOn) {
    const QString moon = ProgramFolder() + QStringLiteral("MoonAge.tbl");
    const QByteArray whole = FileBytes(moon);
    ASSERT_GT(whole.size(), 100);
    WriteFile(moon, whole.left(whole.size() / 2));
    auto dm = MakeDataMain();
    ASSERT_TRUE(dm->Create());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.startsWith(QStringLiteral("暦のテーブルに壊れた箇所があります")))
        << Boxes[0].Text.toStdString();
    EXPECT_TRUE(Boxes[0].Text.contains(QStringLiteral("MoonAge.tbl")))
        << Boxes[0].Text.toStdString();
}

TEST_F(ScheduleStartup, TheServiceTableServesTheScheduleAndThePicturesOfTheLists) {
    WriteSchedule(false);
    WritePng(QStringLiteral("Data/Stamps/Star.png"), 12, 8);
    WriteProgramFile(QStringLiteral("Data/Stamps/Stamp.lst"), "[INDEX]\r\nStar.png\r\n");
    WritePng(QStringLiteral("Data/SchStyle/Ribbon.png"), 30, 6);
    WriteProgramFile(QStringLiteral("Data/SchStyle/SchStyle.lst"),
                     "[ScheduleStyle]\r\nRibbon.png\r\n");
    WritePng(QStringLiteral("Data/YrMnth/Num.png"), 5, 7);
    WritePng(QStringLiteral("Data/YrMnth/Font.png"), 9, 9);
    WriteProgramFile(QStringLiteral("Data/YrMnth/YrMnth.lst"),
                     "[PictureNumber]\r\nNum.png\r\n[PictureFont]\r\nFont.png\r\n");
    {
        auto dm = MakeDataMain();
        ASSERT_EQ(CalendarServices(), nullptr);
        ASSERT_TRUE(dm->Create());
        ASSERT_NE(dm->CalendarServiceTable(), nullptr);
        EXPECT_EQ(CalendarServices(), dm->CalendarServiceTable());
        EXPECT_EQ(CurrentCalendarSchedule(), dm->Schedule());
        ASSERT_EQ(dm->Schedule()->Count(), 1);

        struct {
            const TPictureEx* Picture;
            int Width; // 0: none
        } const pictures[] = {
            {CalendarStampPicture(1), 12},        {CalendarStampPicture(0), 0},
            {CalendarStampPicture(2), 0},         {CalendarScheduleStylePicture(1), 30},
            {CalendarScheduleStylePicture(2), 0},
        };
        for (size_t i = 0; i < std::size(pictures); ++i)
            EXPECT_EQ(pictures[i].Picture ? pictures[i].Picture->Width() : 0, pictures[i].Width)
                << i;
        TPictureEx number, font;
        EXPECT_TRUE(LoadCalendarPictureNumber(0, number));
        EXPECT_EQ(number.Width(), 5);
        EXPECT_TRUE(LoadCalendarPictureFont(0, font));
        EXPECT_EQ(font.Width(), 9);
        EXPECT_FALSE(LoadCalendarPictureFont(1, font));
    }
    EXPECT_EQ(CalendarServices(), nullptr) << "removed at shutdown";
}
