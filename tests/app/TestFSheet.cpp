#include "AppTestSupport.h"
#include "FSheet.h"

#include "UDrawSite.h"
#include "UDrawSiteAction.h"
#include "ULOFace.h"
#include "ULabelData.h"
#include "UPrintCommand.h"
#include "UScaler.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

constexpr TColor Red = TColor(0x0000FF);

class SheetView : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplicationClasses();
        FData = std::make_unique<TLabelData>();
        const auto paper = MakeGridPaper(2, 2, QStringLiteral("4面"));
        FData->SetPaperInfo(paper.get());
        // Label 0: a red box filling the face.
        WriteRectLabel(*FData, 0, TRect(0, 0, 600, 400), Red);
        FData->SetModified(false);
    }
    TfrmSheet& Show() {
        FView = std::make_unique<TfrmSheet>(*FData);
        FView->resize(640, 520);
        FView->show();
        QCoreApplication::processEvents();
        FView->LoadSheet();
        QCoreApplication::processEvents();
        return *FView;
    }
    // The centre of face N in the pixels of the widget that shows the surface.
    QPoint FaceCentre(int N) const {
        TLOFace* face = GetFaceByIndex(FView->Site(), N);
        const TRect r = face->GetRect();
        const TPoint p =
            FView->Site().LPtoDP(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        QWidget* host = FView->SiteWidget()->findChild<QWidget*>();
        return host ? host->mapTo(FView->SiteWidget(), QPoint(p.x, p.y)) : QPoint(p.x, p.y);
    }
    QWidget* Host() const {
        QWidget* viewport = FView->SiteWidget();
        const auto children = viewport->findChildren<QWidget*>();
        return children.isEmpty() ? viewport : children.first();
    }
    void Click(int Face, bool Double = false) {
        QWidget* host = Host();
        const QPoint p = host->mapFrom(FView->SiteWidget(), FaceCentre(Face));
        const auto send = [&](QEvent::Type Type, Qt::MouseButtons Buttons) {
            QMouseEvent e(Type, QPointF(p), QPointF(host->mapToGlobal(p)), Qt::LeftButton, Buttons,
                          Qt::NoModifier);
            QCoreApplication::sendEvent(host, &e);
        };
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        if (Double) {
            send(QEvent::MouseButtonDblClick, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
        }
        QCoreApplication::processEvents();
    }
    QImage Grab() const {
        return FView->SiteWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QRgb FaceColour(const QImage& Image, int Face) const {
        const QPoint c = FaceCentre(Face);
        return DominantColour(Image, QRect(c - QPoint(6, 6), QSize(13, 13)));
    }

    std::unique_ptr<TLabelData> FData;
    std::unique_ptr<TfrmSheet> FView;
};

// A click on a face keeps the keyboard with the view: the layout editor's page commands
// (which act on the focused page) never reach the sheet's faces.
TEST_F(SheetView, FacesNeverTakeThePageCommands) {
    TfrmSheet& view = Show();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    Click(1);
    EXPECT_EQ(QApplication::focusWidget(), &view);
    EXPECT_EQ(FocusedActionTarget(), nullptr);
}

// The print dialog's line on designed faces: one design printed everywhere, or the faces
// that have a design of their own.
TEST_F(SheetView, PrintDialogSaysHowManyFacesCarryADesign) {
    FData->SetSeparatelyDesign(false);
    EXPECT_EQ(DescribeFaceDesigns(*FData),
              QStringLiteral("すべてのラベル（4面）に同じデザインを印刷します"));
    FData->SetSeparatelyDesign(true);
    EXPECT_EQ(DescribeFaceDesigns(*FData), QStringLiteral("デザインのあるラベル: 4面中 1面"));
    WriteRectLabel(*FData, 2, TRect(0, 0, 600, 400), Red);
    EXPECT_EQ(DescribeFaceDesigns(*FData), QStringLiteral("デザインのあるラベル: 4面中 2面"));
}

} // namespace

TEST_F(SheetView, ShowsEveryFaceWithThePreviewOfItsOwnLabel) {
    TfrmSheet& view = Show();
    ASSERT_EQ(GetFaceCount(view.Site()), 4);
    const QImage shot = Grab();
    EXPECT_EQ(FaceColour(shot, 0), qRgb(255, 0, 0)) << "label 0 holds a red box";
    for (int face = 1; face < 4; ++face)
        EXPECT_EQ(FaceColour(shot, face), qRgb(255, 255, 255)) << "face " << face << " is empty";
    EXPECT_TRUE(view.SeparatelyDesignBox()->isChecked());
    shot.save(ScreenshotFolder() + QStringLiteral("/sheet-view.png"));
}

TEST_F(SheetView, OneDesignForAllFacesShowsLabelZeroEverywhereAndMarksTheDocument) {
    TfrmSheet& view = Show();
    QSignalSpy changed(&view, &TfrmSheet::DocumentChanged);
    view.SeparatelyDesignBox()->setChecked(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(FData->SeparatelyDesign());
    EXPECT_TRUE(FData->Modified());
    EXPECT_EQ(changed.count(), 1);
    const QImage shot = Grab();
    for (int face = 0; face < 4; ++face)
        EXPECT_EQ(FaceColour(shot, face), qRgb(255, 0, 0)) << "face " << face;
}

TEST_F(SheetView, ClicksChooseFacesForPrintingAndADoubleClickPicksTheFaceToDesign) {
    TfrmSheet& view = Show();
    EXPECT_TRUE(view.SelectedFaces().isEmpty());
    Click(1);
    Click(3);
    EXPECT_EQ(view.SelectedFaces(), QList<int>({1, 3}));
    Click(1);
    EXPECT_EQ(view.SelectedFaces(), QList<int>({3})) << "a second click takes the face back";

    view.LoadSheet();
    EXPECT_EQ(view.SelectedFaces(), QList<int>({3})) << "reloading keeps the choice";

    QSignalSpy edit(&view, &TfrmSheet::EditFaceRequested);
    Click(2, true);
    ASSERT_EQ(edit.count(), 1);
    EXPECT_EQ(edit.at(0).at(0).toInt(), 2);
    EXPECT_EQ(FData->CurrentLabelNo(), 2);
    EXPECT_EQ(view.CurrentFace(), 2);
}

TEST_F(SheetView, APaperWithFewerFacesKeepsOnlyTheChoicesThatStillExist) {
    TfrmSheet& view = Show();
    view.SetSelectedFaces({0, 3});
    const auto two = MakeGridPaper(2, 1, QStringLiteral("2面"));
    FData->ChangePaper(two.get());
    view.LoadSheet();
    EXPECT_EQ(GetFaceCount(view.Site()), 2);
    EXPECT_EQ(view.SelectedFaces(), QList<int>({0}));
    view.EditFace(5); // no such face: nothing happens
    EXPECT_EQ(FData->CurrentLabelNo(), 0);
}
