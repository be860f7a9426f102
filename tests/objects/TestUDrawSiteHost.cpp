#include "ObjectTestSupport.h"

#include "UDrawSiteHost.h"
#include "UScaler.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <memory>

namespace {

class DrawSiteHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestObjects(); }

    void SetUp() override {
        FSite.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
        FSite.SetLogWidth(400);
        FSite.SetLogHeight(300);
        FSite.SetColor(clWhite);
    }
    // Shows the surface in a scroll area of the given size.
    TDrawSiteHost* Show(int Width, int Height) {
        FArea.reset(TDrawSiteHost::CreateScrollArea(FSite));
        FArea->resize(Width, Height);
        FArea->show();
        QCoreApplication::processEvents();
        return qobject_cast<TDrawSiteHost*>(FArea->widget());
    }
    TTestRect* Place(const QString& Name, const TRect& R, TColor Color) {
        return PlaceTestRect(FSite, Name, R, Color);
    }
    // What the scroll area shows now.
    QImage Screenshot() const {
        QCoreApplication::processEvents();
        return FArea->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static void Mouse(QWidget* Target, QEvent::Type Type, QPoint P, Qt::MouseButton Button,
                      Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers = {}) {
        QMouseEvent event(Type, QPointF(P), QPointF(Target->mapToGlobal(P)), Button, Buttons,
                          Modifiers);
        QCoreApplication::sendEvent(Target, &event);
    }
    static void Drag(QWidget* Target, QPoint From, QPoint To) {
        Mouse(Target, QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
        const QPoint middle = (From + To) / 2;
        Mouse(Target, QEvent::MouseMove, middle, Qt::NoButton, Qt::LeftButton);
        Mouse(Target, QEvent::MouseMove, To, Qt::NoButton, Qt::LeftButton);
        Mouse(Target, QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton);
    }
    static std::string Selection(const TDrawSite& Site) { return SelectionOf(Site); }

    TInstalledDesignTools FTools;
    TDrawSite FSite;
    std::unique_ptr<QScrollArea> FArea; // goes before the surface
};

QRgb Rgb(TColor C) {
    return qRgb(C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF);
}

} // namespace

TEST_F(DrawSiteHost, PressMoveReleaseDragsAnObjectAndTheScreenFollows) {
    TTestRect* red = Place("Red", TRect(20, 20, 120, 100), clRed);
    TTestRect* blue = Place("Blue", TRect(150, 60, 260, 160), clBlue);
    TTestRect* frame = Place("Frame", TRect(280, 30, 380, 130), clNavy);
    frame->SetHollow(true);
    TDrawSiteHost* host = Show(420, 320);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->size(), QSize(400, 300)) << "the host is the page at the zoom";

    QImage before = Screenshot();
    EXPECT_EQ(before.pixel(50, 50), Rgb(clRed));
    EXPECT_EQ(before.pixel(200, 100), Rgb(clBlue));
    EXPECT_EQ(before.pixel(330, 80), Rgb(clWhite)) << "the hollow frame's inside";

    Drag(host, QPoint(50, 50), QPoint(90, 80));
    EXPECT_EQ(red->GetRect(), TRect(60, 50, 160, 130)) << "moved by the drag";
    EXPECT_EQ(Selection(FSite), "Red");
    EXPECT_EQ(FSite.ControlCount(), 3 + 4) << "its handles";
    EXPECT_EQ(FSite.Controls(2), frame) << "z-order unchanged";

    const QImage after = Screenshot();
    after.save(QCoreApplication::applicationDirPath() + "/drawsite-host.png");
    EXPECT_EQ(after.pixel(25, 25), Rgb(clWhite)) << "the old place is repainted";
    EXPECT_EQ(after.pixel(100, 90), Rgb(clRed));
    EXPECT_EQ(after.pixel(155, 125), Rgb(clBlue)) << "where they overlap blue stays on top";
    EXPECT_EQ(after.pixel(200, 150), Rgb(clBlue));
    EXPECT_EQ(after.pixel(58, 48), qRgb(0, 0, 0)) << "a handle inverts the white page";
    EXPECT_EQ(after.pixel(62, 52), qRgb(0, 255, 255)) << "and the red object";

    // Handles lie over the page, not in it: removing them repaints only the overlay.
    FSite.DeletePivots();
    const QImage cleared = Screenshot();
    EXPECT_EQ(cleared.pixel(58, 48), Rgb(clWhite));
    EXPECT_EQ(cleared.pixel(62, 52), Rgb(clRed));

    // A rubber band from empty page area selects what it encloses.
    Drag(host, QPoint(140, 40), QPoint(270, 170));
    EXPECT_EQ(Selection(FSite), "Blue");
    EXPECT_EQ(red->GetRect(), TRect(60, 50, 160, 130));
    (void)blue;
}

TEST_F(DrawSiteHost, HandlesShowTheirCursorAndRightPressesKeepTheSelection) {
    TTestRect* red = Place("Red", TRect(20, 20, 120, 100), clRed);
    Place("Blue", TRect(150, 60, 260, 160), clBlue);
    QMenu menu;
    menu.addAction("Property");
    red->SetPopupMenu(&menu);
    TDrawSiteHost* host = Show(420, 320);

    red->SetSelected(true);
    FSite.UpdatePivots();
    Mouse(host, QEvent::MouseMove, QPoint(120, 100), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(host->cursor().shape(), Qt::SizeFDiagCursor) << "over the bottom-right handle";
    Mouse(host, QEvent::MouseMove, QPoint(300, 250), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(host->cursor().shape(), Qt::ArrowCursor);

    Mouse(host, QEvent::MouseButtonPress, QPoint(200, 100), Qt::RightButton, Qt::RightButton);
    Mouse(host, QEvent::MouseButtonRelease, QPoint(200, 100), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(Selection(FSite), "Blue") << "the object under a right press stays selected";

    Mouse(host, QEvent::MouseButtonPress, QPoint(50, 50), Qt::RightButton, Qt::RightButton);
    QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(50, 50),
                              host->mapToGlobal(QPoint(50, 50)));
    QCoreApplication::sendEvent(host, &context);
    EXPECT_TRUE(menu.isVisible()) << "the object's menu";
    EXPECT_EQ(Selection(FSite), "Red");
    menu.hide();
    red->SetPopupMenu(nullptr);

    // A double click edits through the designers.
    Mouse(host, QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseButtonRelease, QPoint(50, 50), Qt::LeftButton, Qt::NoButton);
    Mouse(host, QEvent::MouseButtonDblClick, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseButtonRelease, QPoint(50, 50), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(FTools.Designers.Edits, 1);
}

TEST_F(DrawSiteHost, AtHighZoomOnlyTheVisiblePartIsKept) {
    Place("Far", TRect(330, 240, 380, 270), clBlue);
    FSite.Scaler().SetScale(800);
    TDrawSiteHost* host = Show(300, 250);
    EXPECT_EQ(host->size(), QSize(3200, 2400));
    const QSize viewport = FArea->viewport()->size();
    Screenshot();
    EXPECT_LE(host->CachedRect().width(), viewport.width());
    EXPECT_LE(host->CachedRect().height(), viewport.height());

    FArea->horizontalScrollBar()->setValue(2500);
    FArea->verticalScrollBar()->setValue(1850);
    const QImage shot = Screenshot();
    EXPECT_EQ(host->CachedRect().topLeft(), QPoint(2500, 1850));
    EXPECT_LE(host->CachedRect().width(), viewport.width());
    // The object covers device (2640, 1920) - (3040, 2160): viewport (140, 70) onwards.
    EXPECT_EQ(shot.pixel(200, 100), Rgb(clBlue));
    EXPECT_EQ(shot.pixel(139, 100), Rgb(clWhite));
    EXPECT_EQ(shot.pixel(200, 69), Rgb(clWhite));

    // Dragging beyond the visible part scrolls one step towards the pointer.
    const int before = FArea->verticalScrollBar()->value();
    Mouse(host, QEvent::MouseButtonPress, QPoint(2600, 1900), Qt::LeftButton, Qt::LeftButton);
    Mouse(host, QEvent::MouseMove, QPoint(2600, 1850 + viewport.height() + 30), Qt::NoButton,
          Qt::LeftButton);
    EXPECT_GT(FArea->verticalScrollBar()->value(), before);
    Mouse(host, QEvent::MouseButtonRelease, QPoint(2600, 1900), Qt::LeftButton, Qt::NoButton);
}
