// The paper chooser on the generated system library, offscreen: a CD label and a 10-up
// sheet are picked the way a user would (group, then paper) and the preview is saved as a
// screenshot beside the test program (screenshots/).

#include "FPaperChooser.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool Pick(QListWidget* List, const QString& Text) {
    const QList<QListWidgetItem*> Found = List->findItems(Text, Qt::MatchExactly);
    if (Found.isEmpty())
        return false;
    List->setCurrentItem(Found.first());
    return true;
}

// Counts the pixels of Colour in Image.
int CountColour(const QImage& Image, const QColor& Colour) {
    int N = 0;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            N += Image.pixelColor(x, y) == Colour;
    return N;
}

QString Screenshot(const QString& Name) {
    QDir Dir(QCoreApplication::applicationDirPath());
    Dir.mkpath(QStringLiteral("screenshots"));
    return Dir.filePath(QStringLiteral("screenshots/") + Name);
}

} // namespace

TEST(PaperChooser, PicksACDLabelAndATenUpSheet) {
    QTemporaryDir Dir;
    TPaperLibrary Library(QStringLiteral(VANTOMI_SYSTEM_PAPERS),
                          Dir.filePath(QStringLiteral("UserPaper.ppr")));
    ASSERT_TRUE(Library.Errors().isEmpty()) << Library.Errors().join('\n').toStdString();
    TfrmPaperChooser Chooser(Library);
    Chooser.show();
    EXPECT_EQ(Chooser.windowTitle(), QStringLiteral("用紙の選択"));
    // The default paper is chosen at first.
    ASSERT_NE(Chooser.SelectedPaper(), nullptr);
    EXPECT_EQ(Chooser.SelectedPaper(), &Library.DefaultPaper());

    struct TCase {
        const char* Group;
        const char* Paper;
        int Faces;
        TFaceShape Shape;
        const char* Info;
        const char* File;
    };
    const TCase Cases[] = {
        {"CD/DVDラベル", "Sanwa LB-CDRJP", 2, fsDoughnut, "210.0 × 297.0 mm　2 面",
         "paper-chooser-cd.png"},
        {"名刺", "名刺 A4 10面", 10, fsRect, "210.0 × 297.0 mm　10 面", "paper-chooser-10up.png"},
    };
    for (const TCase& C : Cases) {
        ASSERT_TRUE(Pick(Chooser.GroupList(), QString::fromUtf8(C.Group))) << C.Group;
        ASSERT_TRUE(Pick(Chooser.PaperList(), QString::fromUtf8(C.Paper))) << C.Paper;
        const TPaperInfo* P = Chooser.SelectedPaper();
        ASSERT_NE(P, nullptr);
        EXPECT_EQ(P->PaperName(), QString::fromUtf8(C.Paper));
        EXPECT_EQ(P->GetFaceCount(), C.Faces);
        EXPECT_EQ(P->GetFaceShape(0), C.Shape);
        EXPECT_EQ(Chooser.Preview()->Paper(), P);
        EXPECT_EQ(Chooser.InfoLabel()->text(), QString::fromUtf8(C.Info));
        // Every paper in the list belongs to the group.
        for (int i = 0; i < Chooser.PaperList()->count(); ++i)
            EXPECT_NE(Library.IndexOf(Chooser.PaperList()->item(i)->text()), -1);

        const QImage Shot = Chooser.grab().toImage();
        ASSERT_TRUE(Shot.save(Screenshot(QString::fromLatin1(C.File))));
        const QImage Preview = Chooser.Preview()->grab().toImage();
        // Faces are drawn: a good share of the sheet is in the face colour.
        const int FacePixels = CountColour(Preview, QColor(200, 220, 245));
        EXPECT_GT(FacePixels, Preview.width() * Preview.height() / 10) << C.Paper;
    }
    // Choosing by double-click closes the dialog with the paper.
    QListWidgetItem* Item = Chooser.PaperList()->currentItem();
    emit Chooser.PaperList()->itemDoubleClicked(Item);
    EXPECT_EQ(Chooser.result(), QDialog::Accepted);
    EXPECT_EQ(Chooser.SelectedName(), QStringLiteral("名刺 A4 10面"));
}
