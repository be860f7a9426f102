// The schedule dialog on its own: OK puts the edited copy into the schedule only after the
// file was written; a failed write is told to the user and leaves the schedule and the open
// dialog as they were. Entries whose stamp or style the lists lack keep their codes.

#include "PropertyDialogTestSupport.h"

#include "FSchedule.h"
#include "UCalSchedule.h"
#include "UException.h"
#include "UStreams.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void KeyInto(QLineEdit* Edit, const QString& Text) {
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Edit, Qt::Key_Delete);
    for (const QChar c : Text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(Edit, &press);
    }
}

} // namespace

TEST(ScheduleDialog, AFailedSaveChangesNothingAndKeepsTheDialogOpen) {
    TDialogTestEnvironment env;
    TCalSchedule schedule;
    schedule.setObjectName(QStringLiteral("UsrSchedule"));
    TfrmSchedule dialog(schedule, {QStringLiteral("星")}, {});
    int writes = 0;
    bool fail = true;
    QByteArray written;
    dialog.SaveFile = [&](TCalSchedule& Work) {
        ++writes;
        if (fail)
            throw EFCreateError(QStringLiteral("フォルダ /nowhere を作成できません"));
        TMemoryStream stream;
        Work.SaveToStream(stream);
        written = stream.Bytes();
    };
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    KeyInto(dialog.DateEdit(), QStringLiteral("2026/12/24"));
    KeyInto(dialog.TextEdit(), QStringLiteral("クリスマス"));
    QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
    ASSERT_EQ(dialog.ItemList()->rowCount(), 1);

    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(writes, 1);
    const QStringList messages = env.TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("/nowhere"))) << messages[0].toStdString();
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_EQ(schedule.Count(), 0) << "the schedule is unchanged";

    fail = false;
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(schedule.Count(), 1);
    EXPECT_EQ(schedule.Items(0)->Description(), QStringLiteral("クリスマス"));
    TMemoryStream stream;
    schedule.SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), written) << "what was written is what the schedule holds";
}

TEST(ScheduleDialog, CodesTheListsLackAreKept) {
    TDialogTestEnvironment env;
    TCalSchedule schedule;
    auto item = std::make_unique<TCalScheduleItem>();
    item->SetDate(2026, 5, 5);
    item->SetDescription(QStringLiteral("こどもの日"));
    item->SetIcon(9);
    item->SetHowToDisplay(4);
    schedule.AddItem(std::move(item));
    TfrmSchedule dialog(schedule, {QStringLiteral("星")}, {QStringLiteral("マーカー")});
    dialog.SaveFile = [](TCalSchedule&) {};
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QRect row = dialog.ItemList()->visualItemRect(dialog.ItemList()->item(0, 1));
    QTest::mouseClick(dialog.ItemList()->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    EXPECT_EQ(dialog.TextEdit()->text(), QStringLiteral("こどもの日"));
    EXPECT_EQ(dialog.StampBox()->currentData().toInt(), 9);
    EXPECT_EQ(dialog.StyleBox()->currentData().toInt(), 4);
    KeyInto(dialog.TextEdit(), QStringLiteral("端午の節句"));
    QTest::mouseClick(dialog.ChangeButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    ASSERT_EQ(schedule.Count(), 1);
    EXPECT_EQ(schedule.Items(0)->Description(), QStringLiteral("端午の節句"));
    EXPECT_EQ(schedule.Items(0)->Icon(), 9);
    EXPECT_EQ(schedule.Items(0)->HowToDisplay(), 4);
    EXPECT_TRUE(env.TakeMessages().isEmpty());
}
