// Opening documents from the main window as a user does: the File menu's Open clicked with
// the mouse, the file dialog answered by the window's hook, message boxes answered by the
// frame's. A file that is not a whole document is refused as a whole, with one plain message
// naming the user's file; the open document stays in every view, and the refused file never
// joins the recent files.

#include "AppTestSupport.h"
#include "FMain.h"
#include "FSheet.h"

#include "TestSupport.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UHistoryManager.h"
#include "ULOFace.h"
#include "ULabelData.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The main window, made the active window as the user's click makes it.
class DocumentOpen : public MainWindowTest {
protected:
    TfrmMain& OpenWindow() {
        TfrmMain& w = Open();
        Activate();
        return w;
    }
};

} // namespace

TEST_F(DocumentOpen, AFileThatIsNoWholeDocumentIsRefusedAndTheOpenDocumentStays) {
    // The open document: two boxes on the default paper's one face, saved.
    TfrmMain& w = OpenWindow();
    {
        TLabelData doc;
        WriteRectLabel(doc, 0, TRect(10, 10, 200, 100), TColor(0x0000FF));
        doc.SaveToFile(File(QStringLiteral("one face.vtd")));
    }
    FNextFile = File(QStringLiteral("one face.vtd"));
    ASSERT_TRUE(ClickMenuItem(w, QStringLiteral("mnuFile"), w.Action(TMainCommand::Open)));
    ASSERT_EQ(w.FileName(), FNextFile) << FMessages.join(u'\n').toStdString();
    const QString title = w.windowTitle();
    QTest::keyClick(&w, Qt::Key_F6);
    ASSERT_FALSE(w.LayoutShown()) << "F6 shows the sheet view";
    ASSERT_EQ(GetFaceCount(w.Sheet()->Site()), 1);

    struct TCase {
        const char* Name;
        QByteArray Bytes;
    };
    const TCase cases[] = {
        // A ten-up card document saved by this program, cut short after 65 % of its bytes.
        {"十面カード.vtd", ReadTestData(QStringLiteral("labeldata/ten-cards-cut.vtd"))},
        {"メモ.vtd", QByteArray("not a document, only some text\n")},
        {"empty.vtd", QByteArray()},
    };
    for (const TCase& c : cases) {
        const QString name = QString::fromUtf8(c.Name);
        QFile file(File(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.Bytes);
        file.close();

        FMessages.clear();
        FNextFile = file.fileName();
        ASSERT_TRUE(ClickMenuItem(w, QStringLiteral("mnuFile"), w.Action(TMainCommand::Open)));
        EXPECT_EQ(FMessages,
                  QStringList{name + QStringLiteral(" は Vantomi の文書ではないか、壊れています")})
            << c.Name;

        // The open document stays, in the title, the data, the editor and the sheet view.
        EXPECT_EQ(w.FileName(), File(QStringLiteral("one face.vtd"))) << c.Name;
        EXPECT_EQ(w.windowTitle(), title) << c.Name;
        EXPECT_EQ(ObjectsOnLabel(FWindow->Data(), 0), 1) << c.Name;
        EXPECT_EQ(GetFaceCount(w.Sheet()->Site()), 1) << c.Name;
        THistoryManager recent;
        recent.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
        EXPECT_EQ(recent.GetItems().value(0), File(QStringLiteral("one face.vtd"))) << c.Name;
        EXPECT_FALSE(recent.GetItems().contains(file.fileName())) << c.Name;

        // Nothing further to report: the views, saving and the views again.
        FMessages.clear();
        QTest::keyClick(&w, Qt::Key_F5);
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(&w, Qt::Key_F6);
        EXPECT_TRUE(FMessages.isEmpty()) << c.Name << ": " << FMessages.join(u'\n').toStdString();
    }
}
