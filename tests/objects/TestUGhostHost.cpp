#include "DesignTestSupport.h"

#include "UDrawSiteHost.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <gtest/gtest.h>

namespace {

QRgb Rgb(TColor C) {
    return qRgb(C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF);
}

class GhostHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterDesignTestObjects(); }
    void SetUp() override {
        FSite.Scaler().SetUnitDPI(GetScreenPixelsPerInch()); // one logical unit per pixel
        FSite.SetLogWidth(400);
        FSite.SetLogHeight(300);
        FSite.SetColor(clWhite);
    }
    TTestRect* Place(const QString& Name, const TRect& R, TColor Color) {
        return PlaceTestRect(FSite, Name, R, Color);
    }
    TDrawSiteHost* Show() {
        FArea.reset(TDrawSiteHost::CreateScrollArea(FSite));
        FArea->resize(420, 320);
        FArea->show();
        QCoreApplication::processEvents();
        return qobject_cast<TDrawSiteHost*>(FArea->widget());
    }
    QImage Screenshot(const char* Name) const {
        QCoreApplication::processEvents();
        QImage image = FArea->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        image.save(QCoreApplication::applicationDirPath() + "/" + Name);
        return image;
    }
    static void Mouse(QWidget* Target, QEvent::Type Type, QPoint P, Qt::MouseButton Button,
                      Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers = {}) {
        QMouseEvent event(Type, QPointF(P), QPointF(Target->mapToGlobal(P)), Button, Buttons,
                          Modifiers);
        QCoreApplication::sendEvent(Target, &event);
    }
    // Pixels of row Y from X0 to X1 (exclusive) whose colour is C.
    static int CountInRow(const QImage& Image, int Y, int X0, int X1, QRgb C) {
        int n = 0;
        for (int x = X0; x < X1; ++x)
            n += Image.pixel(x, Y) == C;
        return n;
    }

    TInstalledGhostMachinery FMachinery;
    TDrawSite FSite;
    std::unique_ptr<QScrollArea> FArea; // goes before the surface
};

TEST_F(GhostHost, DraggingTwoObjectsShowsOutlinesAndIsOneUndoStep) {
    TTestRect* a = Place("A", TRect(40, 40, 100, 100), clRed);
    TTestRect* b = Place("B", TRect(150, 60, 210, 120), clBlue);
    TDrawSiteHost* host = Show();
    ASSERT_NE(host, nullptr);
    FSite.SelectAll(true);
    const QByteArray streamA = StreamOf(*a), streamB = StreamOf(*b);

    Mouse(host, QEvent::MouseButtonPress, QPoint(70, 70), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(GhostCount(), 2);
    Mouse(host, QEvent::MouseMove, QPoint(120, 120), Qt::NoButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseMove, QPoint(170, 170), Qt::NoButton, Qt::LeftButton);
    const QImage during = Screenshot("ghost-drag-during.png");
    // The objects stay where they were; XOR outlines of both show at the new places.
    EXPECT_EQ(a->GetRect(), TRect(40, 40, 100, 100));
    EXPECT_EQ(during.pixel(70, 70), Rgb(clRed));
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_GT(CountInRow(during, 140, 145, 195, black), 15) << "top edge of A's outline";
    EXPECT_GT(CountInRow(during, 160, 255, 305, black), 15) << "top edge of B's outline";
    EXPECT_LT(CountInRow(during, 140, 145, 195, black), 50) << "the pen is dotted";
    EXPECT_EQ(during.pixel(170, 170), Rgb(clWhite)) << "the brush is clear";

    Mouse(host, QEvent::MouseButtonRelease, QPoint(170, 170), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(GhostCount(), 0);
    EXPECT_EQ(a->GetRect(), TRect(140, 140, 200, 200));
    EXPECT_EQ(b->GetRect(), TRect(250, 160, 310, 220));
    const QImage after = Screenshot("ghost-drag-after.png");
    EXPECT_EQ(CountInRow(after, 140, 150, 190, Rgb(clRed)), 40) << "no outline left over A";
    EXPECT_EQ(CountInRow(after, 160, 260, 300, Rgb(clBlue)), 40) << "no outline left over B";
    EXPECT_EQ(CountInRow(after, 40, 45, 95, Rgb(clWhite)), 50) << "the old place is clear";

    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), "移動");
    ActionList().Undo();
    FSite.SelectAll(true);
    EXPECT_EQ(StreamOf(*a), streamA);
    EXPECT_EQ(StreamOf(*b), streamB);
    const QImage undone = Screenshot("ghost-drag-undone.png");
    EXPECT_EQ(undone.pixel(70, 50), Rgb(clRed));
    EXPECT_EQ(undone.pixel(170, 150), Rgb(clWhite));
}

TEST_F(GhostHost, HandlesInvertThePageAndPressingOneDragsItsObject) {
    TTestRect* a = Place("A", TRect(40, 40, 100, 100), clRed);
    TDrawSiteHost* host = Show();
    ASSERT_NE(host, nullptr);
    a->SetSelected(true);
    FSite.UpdatePivots();
    ASSERT_EQ(FSite.ControlCount(), 1 + 4);
    const QImage shown = Screenshot("ghost-handles.png");
    // A label handle: black with a white frame, centred on the corner.
    EXPECT_EQ(shown.pixel(100, 100), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(97, 97), qRgb(255, 255, 255));
    // Pressing the handle at the bottom right starts a move of its object (code 3).
    Mouse(host, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(GhostCount(), 1);
    Mouse(host, QEvent::MouseMove, QPoint(130, 110), Qt::NoButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseButtonRelease, QPoint(130, 110), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(a->GetRect(), TRect(70, 50, 130, 110));
}

TEST_F(GhostHost, CircleMovesShowTheOrbitAndTheRay) {
    MoveOptions().Circumference = true;
    TTestRect* a = Place("A", TRect(270, 120, 330, 180), clRed); // 100 right of the centre
    TDrawSiteHost* host = Show();
    ASSERT_NE(host, nullptr);
    Mouse(host, QEvent::MouseButtonPress, QPoint(300, 150), Qt::LeftButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseMove, QPoint(200, 250), Qt::NoButton, Qt::LeftButton);
    const QImage during = Screenshot("ghost-orbit.png");
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_GT(CountInRow(during, 50, 190, 211, black), 5) << "the orbit's top";
    EXPECT_GT(CountInRow(during, 150, 205, 265, black), 20) << "the ray towards the object";
    EXPECT_GT(CountInRow(during, 220, 175, 225, black), 15) << "the outline a quarter around";
    Mouse(host, QEvent::MouseButtonRelease, QPoint(200, 250), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(a->GetRect(), TRect(170, 220, 230, 280));
    const QImage after = Screenshot("ghost-orbit-after.png");
    EXPECT_EQ(CountInRow(after, 50, 190, 211, black), 0) << "the orbit is gone";
}

} // namespace
