#include "UBitmap.h"
#include "UCanvas.h"
#include "UControl.h"

#include <QMenu>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using TLog = std::vector<std::string>;

// A control that fills its client area with a colour and logs its input.
class TProbeControl : public TControl {
    Q_OBJECT
public:
    TProbeControl(TComponent* Owner, const QString& Name, TLog* Log = nullptr)
        : TControl(Owner), FLog(Log) {
        SetName(Name);
    }
    TColor Fill = clRed;
    bool TakesMouse = true;
    TColor PenSeenAtPaint = clNone;
    bool ControlHitTest(const TPoint&) override { return TakesMouse; }
    void Click() override { Write("click"); }
    void DblClick() override { Write("dblclick"); }

protected:
    void Paint() override {
        PenSeenAtPaint = Canvas().Pen().Color();
        Canvas().Brush().SetColor(Fill);
        Canvas().FillRect(TRect(-1000, -1000, 1000, 1000)); // the clip keeps it inside
        Canvas().Pen().SetColor(Fill);
    }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
        Write("down " + std::to_string(Button) + " " + std::to_string(X) + "," + std::to_string(Y) +
              (Shift.testFlag(ssDouble) ? " double" : ""));
    }
    void MouseMove(TShiftState, int X, int Y) override {
        Write("move " + std::to_string(X) + "," + std::to_string(Y));
    }
    void MouseUp(TMouseButton Button, TShiftState, int X, int Y) override {
        Write("up " + std::to_string(Button) + " " + std::to_string(X) + "," + std::to_string(Y));
    }

private:
    void Write(const std::string& Line) {
        if (FLog)
            FLog->push_back(Name().toStdString() + " " + Line);
    }
    TLog* FLog;
};

// A container that logs its child list changes and its own input.
class TProbeWindow : public TWinControl {
    Q_OBJECT
public:
    explicit TProbeWindow(TLog* Log = nullptr) : FLog(Log) {
        SetName("window");
        SetBounds(0, 0, 100, 100);
    }

protected:
    void ControlListChange(TControl* Control, bool Inserting) override {
        if (FLog)
            FLog->push_back((Inserting ? "insert " : "remove ") + Control->Name().toStdString() +
                            " count " + std::to_string(ControlCount()));
    }
    void MouseDown(TMouseButton, TShiftState, int X, int Y) override {
        if (FLog)
            FLog->push_back("window down " + std::to_string(X) + "," + std::to_string(Y));
    }

private:
    TLog* FLog;
};

// A window that records what the controls ask of it.
class TRecordingHost : public IWindowHost {
public:
    std::vector<TRect> Invalid;
    std::vector<TRect> Overlay;
    int Updates = 0;
    int Resizes = 0;
    void InvalidateRect(const TRect& R) override { Invalid.push_back(R); }
    void InvalidateOverlay(const TRect& R) override { Overlay.push_back(R); }
    void Update() override { ++Updates; }
    void BoundsChanged() override { ++Resizes; }
    void SetFocus() override {}
    bool Focused() const override { return false; }
    TPoint CursorPos() const override { return {}; }
    bool AutoScroll(const TPoint&) override { return false; }
};

std::vector<std::string> Names(const TWinControl& Window) {
    std::vector<std::string> names;
    for (int i = 0; i < Window.ControlCount(); ++i)
        names.push_back(Window.Controls(i)->Name().toStdString());
    return names;
}

using TNames = std::vector<std::string>;

} // namespace

TEST(Control, ChildListIsTheZOrderAndTellsTheParentBeforeEachChange) {
    TLog log;
    TProbeWindow window(&log);
    TProbeControl a(nullptr, "a"), b(nullptr, "b"), c(nullptr, "c");
    a.SetParent(&window);
    b.SetParent(&window);
    c.SetParent(&window);
    EXPECT_EQ(Names(window), (TNames{"a", "b", "c"})) << "each new child goes on top";
    EXPECT_EQ(log, (TLog{"insert a count 0", "insert b count 1", "insert c count 2"}));

    window.SetChildOrder(&c, 0);
    EXPECT_EQ(Names(window), (TNames{"c", "a", "b"}));
    window.SetChildOrder(&c, 99);
    EXPECT_EQ(Names(window), (TNames{"a", "b", "c"})) << "orders beyond the list are clamped";
    a.BringToFront();
    EXPECT_EQ(Names(window), (TNames{"b", "c", "a"}));
    a.SendToBack();
    EXPECT_EQ(Names(window), (TNames{"a", "b", "c"}));

    log.clear();
    b.SetParent(nullptr);
    EXPECT_EQ(log, (TLog{"remove b count 3"})) << "told while the child is still listed";
    EXPECT_EQ(b.Parent(), nullptr);
    EXPECT_EQ(window.IndexOfControl(&b), -1);
    EXPECT_THROW(window.SetParent(&window), EComponentError);
}

TEST(Control, DestroyingEitherSideKeepsTheOtherConsistent) {
    TLog log;
    auto window = std::make_unique<TProbeWindow>(&log);
    TProbeControl kept(nullptr, "kept");
    {
        TProbeControl gone(nullptr, "gone");
        gone.SetParent(window.get());
        kept.SetParent(window.get());
    }
    EXPECT_EQ(Names(*window), (TNames{"kept"})) << "a destroyed child leaves its parent";
    window.reset();
    EXPECT_EQ(kept.Parent(), nullptr) << "children outlive a destroyed parent, parentless";

    // A child owned by the window is destroyed with it.
    TProbeWindow owner;
    auto* owned = new TProbeControl(&owner, "owned");
    owned->SetParent(&owner);
    EXPECT_EQ(owner.ControlCount(), 1);
}

TEST(Control, ControlAtPosSkipsHiddenDisabledAndRefusingChildren) {
    TProbeWindow window;
    TProbeControl bottom(nullptr, "bottom"), top(nullptr, "top");
    bottom.SetBounds(10, 10, 50, 50);
    top.SetBounds(30, 30, 50, 50);
    bottom.SetParent(&window);
    top.SetParent(&window);
    struct Row {
        const char* Name;
        bool TopVisible, TopEnabled, TopTakes;
        TPoint P;
        const TControl* Expected;
    };
    const Row rows[] = {
        {"overlap: the top child", true, true, true, {40, 40}, &top},
        {"only the bottom child there", true, true, true, {15, 15}, &bottom},
        {"right edge is outside", true, true, true, {60, 15}, nullptr},
        {"top hidden", false, true, true, {40, 40}, &bottom},
        {"top disabled", true, false, true, {40, 40}, &bottom},
        {"top refuses the hit test", true, true, false, {40, 40}, &bottom},
        {"nothing there", true, true, true, {95, 5}, nullptr},
    };
    for (const Row& r : rows) {
        top.SetVisible(r.TopVisible);
        top.SetEnabled(r.TopEnabled);
        top.TakesMouse = r.TopTakes;
        EXPECT_EQ(window.ControlAtPos(r.P), r.Expected) << r.Name;
    }
    top.SetEnabled(false);
    EXPECT_EQ(window.ControlAtPos(TPoint(40, 40), true), &top) << "disabled allowed";
}

TEST(Control, MouseInputReachesTheChildUnderThePointerAndStaysWithItWhileHeld) {
    TLog log;
    TProbeWindow window(&log);
    TProbeControl child(nullptr, "child", &log);
    child.SetBounds(20, 20, 30, 30);
    child.SetParent(&window);
    log.clear();

    window.WndMouseDown(mbLeft, ssLeft, TPoint(25, 26), false);
    EXPECT_TRUE(child.MouseCapture());
    window.WndMouseMove(ssLeft, TPoint(90, 90)); // outside the child: still the child's
    window.WndMouseUp(mbLeft, {}, TPoint(90, 90));
    EXPECT_FALSE(child.MouseCapture());
    EXPECT_EQ(window.CaptureControl(), nullptr);
    EXPECT_EQ(log, (TLog{"child down 0 5,6", "child move 70,70", "child up 0 70,70"}))
        << "released outside: no click";

    log.clear();
    window.WndMouseDown(mbLeft, ssLeft, TPoint(25, 25), false);
    window.WndMouseUp(mbLeft, {}, TPoint(26, 27));
    window.WndMouseDown(mbLeft, ssLeft, TPoint(26, 27), true);
    window.WndMouseUp(mbLeft, {}, TPoint(26, 27));
    EXPECT_EQ(log, (TLog{"child down 0 5,5", "child click", "child up 0 6,7", "child dblclick",
                         "child down 0 6,7 double", "child up 0 6,7"}))
        << "the click comes before the release; a double click is no click";

    log.clear();
    window.WndMouseDown(mbRight, ssRight, TPoint(25, 25), false);
    window.WndMouseUp(mbRight, {}, TPoint(25, 25));
    window.WndMouseDown(mbLeft, ssLeft, TPoint(5, 5), false);
    EXPECT_EQ(log, (TLog{"child down 1 5,5", "child up 1 5,5", "window down 5,5"}))
        << "right buttons do not click; empty area goes to the window";
    window.CancelMode();
    EXPECT_EQ(window.CaptureControl(), nullptr);
}

TEST(Control, CursorHintAndMenuComeFromTheControlOrItsParents) {
    TProbeWindow window;
    TProbeControl child(nullptr, "child");
    child.SetBounds(0, 0, 10, 10);
    child.SetParent(&window);
    QMenu windowMenu, childMenu;
    window.SetCursor(crCross);
    window.SetHint("page");
    window.SetPopupMenu(&windowMenu);
    EXPECT_EQ(window.CursorAt(TPoint(5, 5)), crCross);
    EXPECT_EQ(window.HintAt(TPoint(5, 5)), "page");
    EXPECT_EQ(window.PopupMenuAt(TPoint(5, 5)), &windowMenu);
    child.SetCursor(crSizeNS);
    child.SetHint("object");
    child.SetPopupMenu(&childMenu);
    EXPECT_EQ(window.CursorAt(TPoint(5, 5)), crSizeNS);
    EXPECT_EQ(window.HintAt(TPoint(5, 5)), "object");
    EXPECT_EQ(window.PopupMenuAt(TPoint(5, 5)), &childMenu);
    EXPECT_EQ(window.CursorAt(TPoint(50, 50)), crCross);
    child.SetPopupMenu(nullptr);
}

TEST(Control, InvalidationTravelsToTheWindow) {
    TRecordingHost host;
    TProbeWindow window;
    window.SetHost(&host);
    TProbeControl child(nullptr, "child");
    child.SetBounds(10, 10, 5, 5);
    child.SetParent(&window);
    EXPECT_EQ(host.Invalid, (std::vector<TRect>{TRect(10, 10, 15, 15)}));
    host.Invalid.clear();
    child.SetBounds(20, 10, 5, 5);
    EXPECT_EQ(host.Invalid, (std::vector<TRect>{TRect(10, 10, 15, 15), TRect(20, 10, 25, 15)}))
        << "the old and the new area";
    host.Invalid.clear();
    child.Hide();
    child.Invalidate();
    EXPECT_EQ(host.Invalid, (std::vector<TRect>{TRect(20, 10, 25, 15)})) << "hidden: once";
    child.Update();
    EXPECT_EQ(host.Updates, 1);
    window.SetBounds(0, 0, 200, 100);
    EXPECT_EQ(host.Resizes, 1);
    window.SetHost(nullptr);
    child.Show(); // headless: nothing to tell
}

TEST(Control, ChildrenPaintBottomFirstClippedToTheirBoundsWithTheirOwnTools) {
    TProbeWindow window;
    TProbeControl bottom(nullptr, "bottom"), top(nullptr, "top"), hidden(nullptr, "hidden");
    bottom.SetBounds(2, 2, 6, 6);
    bottom.Fill = clBlue;
    top.SetBounds(5, 5, 6, 6);
    top.Fill = clRed;
    hidden.SetBounds(0, 0, 20, 20);
    hidden.Fill = clGreen;
    hidden.Hide();
    bottom.SetParent(&window);
    top.SetParent(&window);
    hidden.SetParent(&window);

    TBitmap bitmap(16, 16, pf24bit);
    bitmap.Fill(clWhite);
    TCanvas& canvas = bitmap.Canvas();
    window.PaintControls(canvas, TRect(0, 0, 16, 16));
    struct Row {
        int X, Y;
        TColor Expected;
    };
    const Row rows[] = {{1, 1, clWhite}, {2, 2, clBlue},  {4, 4, clBlue},    {5, 5, clRed},
                        {7, 7, clRed},   {10, 10, clRed}, {11, 11, clWhite}, {8, 3, clWhite}};
    for (const Row& r : rows)
        EXPECT_EQ(bitmap.GetPixel(r.X, r.Y), r.Expected) << r.X << "," << r.Y;
    EXPECT_EQ(canvas.GetWindowOrgEx(), TPoint()) << "the canvas is restored after each child";
    EXPECT_FALSE(canvas.HasClipRgn());

    // The pen a control left at its last paint is its own, not its neighbour's.
    window.PaintControls(canvas, TRect(0, 0, 16, 16));
    EXPECT_EQ(top.PenSeenAtPaint, clRed);
    EXPECT_EQ(bottom.PenSeenAtPaint, clBlue);

    // Children outside the update rectangle, or refused by the filter, are not painted.
    bitmap.Fill(clWhite);
    window.PaintControls(canvas, TRect(0, 0, 3, 3), [&](TControl* c) { return c != &bottom; });
    EXPECT_EQ(bitmap.GetPixel(2, 2), clWhite);
    EXPECT_EQ(bitmap.GetPixel(7, 7), clWhite);
}

TEST(Control, ApplicationExceptionHandlerReceivesAndCanBeRestored) {
    QString seen;
    TExceptionHandler old =
        SetApplicationExceptionHandler([&](const std::exception& E) { seen = E.what(); });
    ApplicationHandleException(Exception("boom"));
    EXPECT_EQ(seen, "boom");
    SetApplicationExceptionHandler([](const std::exception&) { throw std::runtime_error("x"); });
    ApplicationHandleException(Exception("again")); // a raising handler is contained
    SetApplicationExceptionHandler(old);
}

#include "TestUControl.moc"
