// The colour grid and the shared colour drop-down: layout, selection, picks with the mouse,
// the other-colour dialog and its custom colours, transparency, and the drop-down's
// callbacks with several editors. A screenshot of the drop-down goes to screenshots/.

#include "FColorGrid.h"
#include "UAppFrame.h"
#include "UColGrid.h"
#include "UException.h"
#include "URegistry.h"
#include "controls/ColorDialogDriver.h"

#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace {

void Mouse(QWidget& W, QEvent::Type Type, const QPoint& Pos) {
    QMouseEvent event(Type, QPointF(Pos), W.mapToGlobal(QPointF(Pos)),
                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&W, &event);
}

// Presses on cell From and releases over cell To.
void Drag(TColGrid& Grid, int From, int To) {
    Mouse(Grid, QEvent::MouseButtonPress, Grid.Cells()[From].center());
    Mouse(Grid, QEvent::MouseMove, Grid.Cells()[To].center());
    Mouse(Grid, QEvent::MouseButtonRelease, Grid.Cells()[To].center());
}

void Click(TColGrid& Grid, int Cell) {
    Drag(Grid, Cell, Cell);
}

// Answers the colour dialog once it is shown modally: Color chosen and OK, or Cancel.
void AnswerColorDialog(std::optional<QColor> Color) {
    QTimer::singleShot(0, [Color] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (Color) {
            dialog->setCurrentColor(*Color);
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
}

struct TPick {
    int Count = 0;
    TColor Color = -1;
    bool Transparent = false;
};

void Record(TColGrid& Grid, TPick& Pick) {
    Grid.OnChangeColor = [&Pick](TColGrid*, TColor Color, bool Transparent) {
        ++Pick.Count;
        Pick.Color = Color;
        Pick.Transparent = Transparent;
    };
}

class ColGridSettings : public ::testing::Test {
protected:
    void SetUp() override {
        TStringList table;
        table.SetText(QStringLiteral("SysRegistryKey=Software\\Quorvelin\\ColGridTest"));
        FFrame.SetMacro(table);
    }
    void TearDown() override {
        TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin\\ColGridTest"));
    }
    TAppFrame FFrame;
};

QString ScreenshotPath(const QString& Name) {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.cdUp(); // the build folder
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/") + Name);
}

} // namespace

TEST(StringToColor, ReadsNamesHexAndDecimal) {
    const struct {
        const char* Text;
        TColor Expected;
    } cases[] = {
        {"clRed", clRed},   {"CLNAVY", clNavy},      {"clBtnFace", clBtnFace},
        {"clNone", clNone}, {"$007f3fbf", 0x7f3fbf}, {"$FFFFFF", clWhite},
        {"255", 255},       {" $0000ff ", clRed},    {"$FF000005", clWindow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StringToColor(QString::fromUtf8(c.Text)), c.Expected) << c.Text;
    for (const char* bad : {"", "clPink", "$xyz", "red", "SHIFTJIS_CHARSET", "crArrow"})
        EXPECT_THROW(StringToColor(QString::fromUtf8(bad)), EConvertError) << bad;
}

TEST(ColGrid, LaysOutCellsGivingLeftOverPixelsToTheLastRowsAndColumns) {
    const struct {
        int W, H, Cols, Rows;
        bool Other, Transparent;
        std::vector<std::pair<int, QRect>> Expected; // cell index, rectangle
        int Count;
    } cases[] = {
        // The drop-down's grid: 21 x 20 cells, the last column 22 wide, row 4 and the extra
        // row 21 high.
        {169,
         122,
         8,
         5,
         true,
         false,
         {{0, {0, 0, 21, 20}},
          {7, {147, 0, 22, 20}},
          {32, {0, 80, 21, 21}},
          {40, {0, 101, 169, 21}}},
         41},
        // Both extra buttons share the row 7/10 : 3/10.
        {100,
         30,
         4,
         2,
         true,
         true,
         {{0, {0, 0, 25, 10}}, {8, {0, 20, 70, 10}}, {9, {70, 20, 30, 10}}},
         10},
        {100, 30, 4, 2, false, true, {{8, {0, 20, 100, 10}}}, 9},
        // 10 pixels over 3 columns: the last column takes the extra pixel; 11 over 2 rows: the
        // last row.
        {10, 11, 3, 2, false, false, {{0, {0, 0, 3, 5}}, {2, {6, 0, 4, 5}}, {5, {6, 5, 4, 6}}}, 6},
        {50, 50, 0, 2, true, true, {}, 0},
        {50, 50, 4, 0, true, true, {}, 0},
    };
    for (const auto& c : cases) {
        TColGrid grid;
        grid.SetColCount(c.Cols);
        grid.SetRowCount(c.Rows);
        grid.SetUseOtherColor(c.Other);
        grid.SetUseTransparent(c.Transparent);
        grid.resize(c.W, c.H);
        ASSERT_EQ(static_cast<int>(grid.Cells().size()), c.Count) << c.W << "x" << c.H;
        for (const auto& [index, rect] : c.Expected)
            EXPECT_EQ(grid.Cells()[index], rect) << c.W << "x" << c.H << " cell " << index;
    }
}

TEST(ColGrid, SelectsTheCellOfTheColourTheOtherCellOrTheTransparentCell) {
    TColGrid grid;
    grid.SetUseOtherColor(true);
    grid.SetUseTransparent(true);
    grid.resize(160, 60);
    const int other = grid.OtherColorCell();
    const int transparent = grid.TransparentCell();
    ASSERT_EQ(other, 16);
    ASSERT_EQ(transparent, 17);
    const struct {
        TColor Color;
        std::vector<int> Selected;
    } cases[] = {
        {clBlack, {0}},
        {clSilver, {15}},
        {0x123456, {other}},
        {clNone, {transparent}},
    };
    for (const auto& c : cases) {
        grid.SetDefaultColor(c.Color);
        std::vector<int> selected;
        for (int i = 0; i < static_cast<int>(grid.Cells().size()); ++i)
            if (grid.IsCellSelected(i))
                selected.push_back(i);
        EXPECT_EQ(selected, c.Selected) << c.Color;
    }
}

TEST(ColGrid, TransparentFlagFollowsTheTransparentValue) {
    TColGrid grid;
    grid.SetDefaultColor(clRed);
    EXPECT_FALSE(grid.Transparent());
    grid.SetTransparent(false); // already off: the colour stays
    EXPECT_EQ(grid.DefaultColor(), clRed);
    grid.SetTransparent(true);
    EXPECT_EQ(grid.DefaultColor(), clNone);
    EXPECT_TRUE(grid.Transparent());
    grid.SetTransparent(false);
    EXPECT_EQ(grid.DefaultColor(), clBlack);
}

TEST(ColGrid, PicksACellOnlyWhenReleasedOverThePressedCell) {
    TColGrid grid;
    grid.SetUseTransparent(true);
    grid.resize(160, 60);
    TPick pick;
    Record(grid, pick);

    Click(grid, 1);
    EXPECT_EQ(pick.Count, 1);
    EXPECT_EQ(pick.Color, clRed);
    EXPECT_FALSE(pick.Transparent);
    EXPECT_EQ(grid.DefaultColor(), clRed);
    EXPECT_EQ(grid.PressedCell(), -1);
    EXPECT_EQ(grid.HotCell(), 1);

    Drag(grid, 2, 3);
    EXPECT_EQ(pick.Count, 1);
    EXPECT_EQ(grid.DefaultColor(), clRed);

    Click(grid, grid.TransparentCell());
    EXPECT_EQ(pick.Count, 2);
    EXPECT_TRUE(pick.Transparent);
    EXPECT_EQ(pick.Color, clNone);
    EXPECT_TRUE(grid.Transparent());

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&grid, &leave);
    EXPECT_EQ(grid.HotCell(), -1);
}

TEST(ColGrid, CellsBeyondTheColourListPickNothing) {
    TColGrid grid;
    grid.SetColorList({QStringLiteral("clRed"), QStringLiteral("$00ff00")});
    grid.resize(160, 40);
    TPick pick;
    Record(grid, pick);
    Click(grid, 5);
    EXPECT_EQ(pick.Count, 0);
    Click(grid, 1);
    EXPECT_EQ(pick.Color, clLime);
    EXPECT_THROW(grid.SetColorList({QStringLiteral("clRed"), QStringLiteral("nonsense")}),
                 EConvertError);
    EXPECT_EQ(grid.ColorList().size(), 2);
}

TEST(ColGrid, ShowsTheHintOfTheCellUnderTheMouse) {
    TColGrid grid;
    grid.SetHintList({QStringLiteral("黒"), QStringLiteral("赤")});
    grid.resize(160, 40);
    grid.show();
    QHelpEvent help(QEvent::ToolTip, grid.Cells()[1].center(),
                    grid.mapToGlobal(grid.Cells()[1].center()));
    QCoreApplication::sendEvent(&grid, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("赤"));
    QToolTip::hideText();
}

TEST_F(ColGridSettings, OtherColourTakesTheDialogsColourAndKeepsCustomColours) {
    TColGrid grid;
    grid.SetUseOtherColor(true);
    grid.resize(160, 60);
    TPick pick;
    Record(grid, pick);
    RegWriteString(QStringLiteral("CustomColors"), QStringLiteral("ColorA=0000FF,ColorP=123456"));

    // Cancel: nothing changes, not even the stored custom colours.
    AnswerColorDialog(std::nullopt);
    Click(grid, grid.OtherColorCell());
    EXPECT_EQ(pick.Count, 0);
    EXPECT_EQ(grid.DefaultColor(), clBlack);
    EXPECT_EQ(RegReadString(QStringLiteral("CustomColors"), {}),
              QStringLiteral("ColorA=0000FF,ColorP=123456"));

    AnswerColorDialog(QColor(0x12, 0x34, 0x56));
    Click(grid, grid.OtherColorCell());
    EXPECT_EQ(pick.Count, 1);
    EXPECT_EQ(pick.Color, RGB(0x12, 0x34, 0x56));
    EXPECT_FALSE(pick.Transparent);
    EXPECT_EQ(grid.DefaultColor(), RGB(0x12, 0x34, 0x56));
    EXPECT_TRUE(grid.IsCellSelected(grid.OtherColorCell()));
    // The stored custom colours were loaded into the dialog and written back, all 16.
    const QStringList stored = RegReadString(QStringLiteral("CustomColors"), {}).split(',');
    ASSERT_EQ(stored.size(), 16);
    EXPECT_EQ(stored[0], QStringLiteral("ColorA=0000FF"));
    EXPECT_EQ(stored[15], QStringLiteral("ColorP=123456"));
}

TEST(ColorDropDown, PickRunsTheChangeCallbackAndClosesUp) {
    TfrmColorGrid form;
    form.SetMode(1);
    EXPECT_TRUE(form.ColGrid()->UseTransparent());
    form.SetMode(0);
    EXPECT_FALSE(form.ColGrid()->UseTransparent());
    ASSERT_EQ(form.ColGrid()->ColorList().size(), 40);
    EXPECT_EQ(StringToColor(form.ColGrid()->ColorList()[39]), 0x7f3fbf);

    form.SetColorOrTransparent(clBlue, false);
    EXPECT_EQ(form.GetDefaultColor(), clBlue);
    form.SetColorOrTransparent(clBlue, true);
    EXPECT_TRUE(form.GetTransparent());

    int changes = 0;
    int cancels = 0;
    QObject owner;
    form.DropDown(
        QPoint(10, 10), &owner, [&](QObject*) { ++changes; }, [&](QObject*) { ++cancels; });
    EXPECT_TRUE(form.IsDroppedDown());
    EXPECT_EQ(form.size(), QSize(169, 122));
    form.grab().save(ScreenshotPath(QStringLiteral("ColorDropDown.png")));
    Click(*form.ColGrid(), 2);
    EXPECT_FALSE(form.IsDroppedDown());
    EXPECT_EQ(form.GetDefaultColor(), clYellow);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(cancels, 0);

    // The callbacks went with the close: closing again without them calls nobody.
    form.show();
    form.hide();
    EXPECT_EQ(changes + cancels, 1);
}

TEST(ColorDropDown, EscapeAndLosingTheDropDownCancel) {
    TfrmColorGrid form;
    int cancels = 0;
    QObject owner;
    form.DropDown(QPoint(0, 0), &owner, nullptr, [&](QObject*) { ++cancels; });
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &esc);
    EXPECT_FALSE(form.IsDroppedDown());
    EXPECT_EQ(cancels, 1);

    form.DropDown(QPoint(0, 0), &owner, nullptr, [&](QObject*) { ++cancels; });
    form.close(); // what a click outside the popup does
    EXPECT_EQ(cancels, 2);
}

TEST(ColorDropDown, EditorsComingAndGoingInAnyOrderAreSafe) {
    TfrmColorGrid& shared = TfrmColorGrid::Shared();
    EXPECT_EQ(&shared, &TfrmColorGrid::Shared());
    std::vector<int> picks(3, 0);
    auto first = std::make_unique<QObject>();
    auto second = std::make_unique<QObject>();
    // The first editor opens the drop-down and is destroyed while it is open: its callback
    // must not run.
    shared.DropDown(
        QPoint(0, 0), first.get(), [&](QObject*) { ++picks[0]; }, nullptr);
    first.reset();
    Click(*shared.ColGrid(), 3);
    EXPECT_EQ(picks[0], 0);
    // The second editor borrows it next, then a third; the first editor's destruction left
    // nothing behind.
    shared.DropDown(
        QPoint(0, 0), second.get(), [&](QObject*) { ++picks[1]; }, nullptr);
    Click(*shared.ColGrid(), 4);
    auto third = std::make_unique<QObject>();
    second.reset();
    shared.DropDown(
        QPoint(0, 0), third.get(), [&](QObject*) { ++picks[2]; }, nullptr);
    Click(*shared.ColGrid(), 5);
    EXPECT_EQ(picks, (std::vector<int>{0, 1, 1}));
    // Reopening over an open drop-down cancels the earlier caller first.
    int cancelled = 0;
    shared.DropDown(QPoint(0, 0), third.get(), nullptr, [&](QObject*) { ++cancelled; });
    shared.DropDown(QPoint(0, 0), third.get(), nullptr, nullptr);
    EXPECT_EQ(cancelled, 1);
    shared.hide();
}

TEST_F(ColGridSettings, OtherColourFromTheDropDownReachesItsCaller) {
    TfrmColorGrid form;
    QObject owner;
    int changes = 0;
    int cancels = 0;
    TColor picked = clNone;
    const auto open = [&] {
        form.DropDown(
            QPoint(10, 10), &owner,
            [&](QObject*) {
                ++changes;
                picked = form.GetDefaultColor();
            },
            [&](QObject*) { ++cancels; });
        ASSERT_TRUE(form.IsDroppedDown());
    };
    TColGrid& grid = *form.ColGrid();

    // Cancel in the colour dialog: a cancel for the caller, the drop-down closed.
    open();
    ClickThroughColorDialog(std::nullopt);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.Cells()[grid.OtherColorCell()].center());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(form.IsDroppedDown());

    // A colour chosen in the dialog reaches the caller's change callback.
    open();
    ClickThroughColorDialog(QColor(0x12, 0x34, 0x56));
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.Cells()[grid.OtherColorCell()].center());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(picked, RGB(0x12, 0x34, 0x56));
    EXPECT_FALSE(form.IsDroppedDown());
}
