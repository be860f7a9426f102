#include "UAppFrame.h"
#include "UHistoryManager.h"
#include "URegistry.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

const QString ListPath =
    QStringLiteral("\\Software\\Quorvelin\\Vantomi\\1.0\\Settings\\OpenFileHistory");

class HistoryManager : public ::testing::Test {
protected:
    void SetUp() override {
        TStringList table;
        table.SetText(
            QStringLiteral("SysRegistryKey=Software\\Quorvelin\\Vantomi\\$(ShortVer)\\Settings\n"
                           "OpenFileHistory=$(SysRegistryKey)\\OpenFileHistory\n"
                           "NoSection=$(SysRegistryKey)\\\n"));
        Frame.SetMacro(table);
        Frame.Loaded();
        Manager.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    }
    void TearDown() override { TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin")); }

    static QStringList StoredNames() {
        TRegistry r;
        return r.OpenKeyReadOnly(ListPath) ? r.GetValueNames() : QStringList();
    }

    static QStringList Captions(const QMenu& Menu) {
        QStringList captions;
        for (const QAction* a : Menu.actions())
            if (a->isVisible())
                captions.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        return captions;
    }

    TAppFrame Frame;
    THistoryManager Manager;
};

} // namespace

TEST_F(HistoryManager, AddingMovesAnEntryToTheTopWithoutDuplicates) {
    for (const char* s : {"a.vtd", "b.vtd", "c.vtd"})
        Manager.AddItem(QString::fromUtf8(s));
    EXPECT_EQ(Manager.GetItems(), QStringList({"c.vtd", "b.vtd", "a.vtd"}));
    Manager.AddItem(QStringLiteral("a.vtd"));
    EXPECT_EQ(Manager.GetItems(), QStringList({"a.vtd", "c.vtd", "b.vtd"}));
    Manager.AddItem(QStringLiteral("A.VTD")); // equal means exactly equal
    EXPECT_EQ(Manager.GetItems().size(), 4);
}

TEST_F(HistoryManager, LimitDropsTheOldestEntries) {
    for (int i = 0; i < 11; ++i)
        Manager.AddItem(QStringLiteral("file%1").arg(i));
    const QStringList items = Manager.GetItems();
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items.first(), QStringLiteral("file10"));
    EXPECT_EQ(items.last(), QStringLiteral("file1"));
    QStringList expected;
    for (int i = 0; i < 10; ++i)
        expected.append(QStringLiteral("Item%1").arg(i));
    EXPECT_EQ(StoredNames(), expected);
    Manager.SetLimit(3);
    Manager.AddItem(QStringLiteral("new"));
    EXPECT_EQ(Manager.GetItems(), QStringList({"new", "file10", "file9"}));
}

TEST_F(HistoryManager, TwoManagersOnOneListStayInStep) {
    THistoryManager other;
    other.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    Manager.AddItem(QStringLiteral("one"));
    other.AddItem(QStringLiteral("two"));
    EXPECT_EQ(Manager.GetItems(), QStringList({"two", "one"}));
    Manager.Clear();
    EXPECT_TRUE(other.GetItems().isEmpty());
    EXPECT_TRUE(StoredNames().isEmpty());
}

TEST_F(HistoryManager, EntriesLoadInTheOrderOfTheirNumbers) {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(ListPath, true));
    r.WriteString(QStringLiteral("Item10"), QStringLiteral("ten"));
    r.WriteString(QStringLiteral("item2"), QStringLiteral("two"));
    r.WriteString(QStringLiteral("Other"), QStringLiteral("ignored"));
    r.WriteString(QStringLiteral("Item"), QStringLiteral("ignored"));
    r.WriteString(QStringLiteral("Item-1"), QStringLiteral("ignored"));
    r.WriteString(QStringLiteral("Item0"), QStringLiteral("zero"));
    EXPECT_EQ(Manager.GetItems(), QStringList({"zero", "two", "ten"}));
    Manager.AddItem(QStringLiteral("two"));
    EXPECT_EQ(Manager.GetItems(), QStringList({"two", "zero", "ten"}));
    EXPECT_EQ(StoredNames(), QStringList({"Item0", "Item1", "Item2"}));
}

TEST_F(HistoryManager, KeysWithoutAKeyPartOrSectionRaise) {
    for (const char* key : {"", "NoBackslash", "$(NoSection)", "\\Section"}) {
        THistoryManager m;
        m.SetRegistryKey(QString::fromUtf8(key));
        try {
            m.GetItems();
            ADD_FAILURE() << key;
        } catch (const EHistoryManager& e) {
            EXPECT_EQ(e.Message, QStringLiteral("History用のキーがセットされていません")) << key;
        }
        EXPECT_THROW(m.AddItem(QStringLiteral("x")), EHistoryManager) << key;
    }
}

TEST_F(HistoryManager, MenuShowsNumberedEntriesAfterThePlaceholder) {
    QMenu menu;
    menu.addAction(QStringLiteral("開く"));
    QAction* placeholder = menu.addAction(QStringLiteral("(history)"));
    menu.addAction(QStringLiteral("終了"));
    Manager.SetUseAccelerator(true);
    Manager.SetClearHistoryCaption(QStringLiteral("履歴のクリア"));
    Manager.SetMenuItem(placeholder);
    EXPECT_FALSE(placeholder->isVisible());
    EXPECT_EQ(Captions(menu), QStringList({"開く", "終了"})); // an empty list shows nothing

    Manager.AddItem(QStringLiteral("C:\\R&D\\a.vtd"));
    Manager.AddItem(QStringLiteral("b.vtd"));
    EXPECT_EQ(Captions(menu), QStringList({"開く", "-", "&0 b.vtd", "&1 C:\\R&&D\\a.vtd", "-",
                                           "履歴のクリア", "終了"}));
    for (int i = 2; i < 12; ++i)
        Manager.AddItem(QStringLiteral("f%1").arg(i));
    Manager.SetLimit(12);
    Manager.AddItem(QStringLiteral("f12"));
    Manager.AddItem(QStringLiteral("f13"));
    const QStringList captions = Captions(menu);
    EXPECT_EQ(captions[2], QStringLiteral("&0 f13"));
    EXPECT_EQ(captions[12], QStringLiteral("&A f3"));
    EXPECT_EQ(captions[13], QStringLiteral("&B f2"));

    Manager.SetUseAccelerator(false);
    EXPECT_EQ(Captions(menu)[2], QStringLiteral("f13"));
}

TEST_F(HistoryManager, ChoosingAnEntryMovesItUpAndReportsIt) {
    QMenu menu;
    QAction* placeholder = menu.addAction(QStringLiteral("(history)"));
    Manager.SetClearHistoryCaption(QStringLiteral("クリア"));
    Manager.SetMenuItem(placeholder);
    Manager.AddItem(QStringLiteral("first"));
    Manager.AddItem(QStringLiteral("second"));
    EXPECT_EQ(Captions(menu),
              QStringList({"second", "first", "-", "クリア"})); // no separator first

    QStringList chosen;
    Manager.OnMenuClick = [&](THistoryManager* Sender, const QString& Text) {
        EXPECT_EQ(Sender, &Manager);
        chosen.append(Text);
    };
    menu.actions()[2]->trigger(); // "first": its own item is replaced while it runs
    EXPECT_EQ(chosen, QStringList{QStringLiteral("first")});
    EXPECT_EQ(Manager.GetItems(), QStringList({"first", "second"}));
    EXPECT_EQ(Captions(menu), QStringList({"first", "second", "-", "クリア"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    menu.actions().last()->trigger(); // the clear entry
    EXPECT_TRUE(Manager.GetItems().isEmpty());
    EXPECT_TRUE(Captions(menu).isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(menu.actions().size(), 1);
}

TEST_F(HistoryManager, DestroyingTheManagerRemovesItsItems) {
    QMenu menu;
    QAction* placeholder = menu.addAction(QStringLiteral("(history)"));
    {
        THistoryManager m;
        m.SetMenuItem(placeholder);
        m.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
        m.AddItem(QStringLiteral("x"));
        EXPECT_EQ(Captions(menu), QStringList{QStringLiteral("x")});
    }
    EXPECT_TRUE(Captions(menu).isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(menu.actions().size(), 1);
}
