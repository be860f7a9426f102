#include "ObjectTestSupport.h"

#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UGMEMStream.h"
#include "UObjectFactory.h"
#include "UPrinters.h"
#include "UPropStream.h"
#include "UScaler.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>
#include <random>

namespace {

const QString ObjectFormat = QStringLiteral("Vantomi Objects");

class DrawSite : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestObjects(); }

    static std::unique_ptr<TDrawSite> MakeSite(int Width, int Height) {
        return MakeTestSite(Width, Height);
    }
    static TTestRect* Place(TDrawSite& Site, const QString& Name, const TRect& R, TColor Color,
                            int Group = 0) {
        return PlaceTestRect(Site, Name, R, Color, Group);
    }
    static std::string Order(const TDrawSite& Site) {
        std::string s;
        for (int i = 0; i < Site.ControlCount(); ++i)
            s += (i ? " " : "") + Site.Controls(i)->Name().toStdString();
        return s;
    }
    static std::string Selection(const TDrawSite& Site) { return SelectionOf(Site); }
    static void Click(TDrawSite& Site, TMouseButton Button, TShiftState Shift, TPoint P,
                      TPoint To) {
        ClickSite(Site, Button, Shift, P, To);
    }
    static void Click(TDrawSite& Site, TMouseButton Button, TShiftState Shift, TPoint P) {
        ClickSite(Site, Button, Shift, P);
    }
};

struct TSiteListener {
    TListener Listener;
    std::vector<std::pair<IInterface*, TGUID>> Notes;
    explicit TSiteListener(TDrawSite& Site)
        : Listener([this](IInterface* S, const TGUID& Id) { Notes.emplace_back(S, Id); }) {
        Site.Broadcaster().AddListener(&Listener);
    }
};

// A canvas at a fixed 96 pixels per inch, whatever the screen, drawing on Bitmap.
std::unique_ptr<TBandCanvas> FixedCanvas(TBitmap& Bitmap) {
    TDeviceCaps display;
    display.LogPixelsX = display.LogPixelsY = 96;
    return std::make_unique<TBandCanvas>([&Bitmap] { return &Bitmap; }, 96, display);
}

QByteArray ObjectStream(const std::vector<TComponent*>& Components) {
    TMemoryStream stream;
    stream.WriteValue<int32_t>(static_cast<int32_t>(Components.size()));
    for (TComponent* c : Components)
        WriteComponent(stream, *c);
    return stream.Bytes();
}

} // namespace

TEST_F(DrawSite, AddObjectKeepsLayerGroupsAndPassesNotificationsOn) {
    auto site = MakeSite(300, 200);
    int modifyChanges = 0;
    site->OnModifyChanged = [&](TComponent*) { ++modifyChanges; };
    TTestRect* a = Place(*site, "A", TRect(0, 0, 10, 10), clRed, 1);
    Place(*site, "B", TRect(0, 0, 10, 10), clRed, 0);
    TTestRect* c = Place(*site, "C", TRect(0, 0, 10, 10), clRed, 0);
    EXPECT_EQ(Order(*site), "B C A");
    EXPECT_TRUE(site->Modified());
    EXPECT_EQ(modifyChanges, 1);

    site->SetModified(false);
    TSiteListener watcher(*site);
    c->SetColor(clBlue);
    ASSERT_EQ(watcher.Notes.size(), 1u);
    EXPECT_EQ(watcher.Notes[0].first, static_cast<IInterface*>(c)) << "the object is the sender";
    EXPECT_EQ(watcher.Notes[0].second, MsgIdChanged);
    EXPECT_TRUE(site->Modified()) << "every object change flags the page";

    watcher.Notes.clear();
    site->UpdatePivots();
    EXPECT_FALSE(site->PivotsDirty());
    a->SetSelected(true);
    EXPECT_TRUE(site->PivotsDirty());
    a->SetParent(nullptr);
    EXPECT_EQ(watcher.Notes.back(),
              std::make_pair(static_cast<IInterface*>(a), MsgIdSelectionChanged))
        << "a selected object leaving the page changes the selection";
    watcher.Notes.clear();
    a->SetColor(clGreen);
    EXPECT_TRUE(watcher.Notes.empty()) << "no longer listened to";
}

TEST_F(DrawSite, DeviceBoundsFollowTheZoomAndThePageSize) {
    auto site = MakeSite(300, 200);
    TTestRect* object = Place(*site, "A", TRect(10, 20, 60, 50), clRed);
    EXPECT_EQ(site->BoundsRect(), TRect(0, 0, 300, 200));
    EXPECT_EQ(object->BoundsRect(), TRect(10, 20, 61, 51)) << "right and bottom plus one";
    int relayouts = 0;
    site->OnScalerChanged = [&](TComponent*) { ++relayouts; };
    site->Scaler().SetScale(200);
    EXPECT_EQ(site->BoundsRect(), TRect(0, 0, 600, 400));
    EXPECT_EQ(object->BoundsRect(), TRect(20, 40, 121, 101));
    site->SetLogWidth(150);
    EXPECT_EQ(site->Width(), 300);
    EXPECT_EQ(relayouts, 2);
    object->SetBoundsRect(TRect(0, 0, 5, 5));
    EXPECT_EQ(object->BoundsRect(), TRect(0, 0, 11, 11));
    EXPECT_EQ(site->DPtoLP(TPoint(100, 50)), TPoint(50, 25));
    EXPECT_EQ(site->GetLogicalClientRect(), TRect(0, 0, 150, 200));
}

TEST_F(DrawSite, HitTestingFallsThroughObjectsThatRefuse) {
    auto site = MakeSite(200, 200);
    site->Scaler().SetScale(200);
    TTestRect* inner = Place(*site, "Inner", TRect(30, 30, 60, 60), clBlue);
    TTestRect* frame = Place(*site, "Frame", TRect(0, 0, 100, 100), clRed);
    frame->SetHollow(true);
    struct Row {
        TPoint Logical;
        TDrawObject* Expected;
    };
    const Row rows[] = {
        {{45, 45}, inner},   {{5, 5}, frame},       {{95, 50}, frame},
        {{20, 20}, nullptr}, {{100, 100}, nullptr}, {{150, 150}, nullptr},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(site->ObjectAt(r.Logical), r.Expected) << r.Logical.x << "," << r.Logical.y;
        const TPoint device(r.Logical.x * 2, r.Logical.y * 2);
        EXPECT_EQ(site->ControlAtPos(device), static_cast<TControl*>(r.Expected))
            << "the mouse goes the same way at " << device.x << "," << device.y;
    }
}

TEST_F(DrawSite, SelectionByRectangleTakesOnlyObjectsWhollyInside) {
    auto site = MakeSite(300, 300);
    Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    Place(*site, "B", TRect(40, 40, 120, 120), clRed);
    Place(*site, "C", TRect(200, 200, 220, 220), clRed);
    site->SelectInRect(TRect(0, 0, 100, 100));
    EXPECT_EQ(Selection(*site), "A") << "B reaches beyond the rectangle";
    site->SelectInRect(TRect(150, 150, 250, 250));
    EXPECT_EQ(Selection(*site), "C A") << "nothing is deselected; topmost first";
    site->SelectInRect(TRect(40, 40, 121, 121));
    EXPECT_EQ(Selection(*site), "C B A") << "device bounds include the extra pixel";
    site->SelectAll(false);
    EXPECT_EQ(Selection(*site), "");
    site->SelectAll(true);
    EXPECT_EQ(Selection(*site), "C B A");
}

TEST_F(DrawSite, FitScale) {
    TBitmap bitmap(4, 4);
    const std::unique_ptr<TBandCanvas> canvas = FixedCanvas(bitmap);
    struct Row {
        const char* Name;
        int LogW, LogH;
        TRect R;
        bool ByHeight, ByWidth;
        int Expected;
    };
    const Row rows[] = {
        {"by width", 960, 480, TRect(0, 0, 480, 480), false, true, 50},
        {"by height", 960, 480, TRect(0, 0, 480, 960), true, false, 200},
        {"both: the smaller", 960, 480, TRect(0, 0, 480, 960), true, true, 50},
        {"both: height smaller", 960, 960, TRect(0, 0, 960, 480), true, true, 50},
        {"neither", 960, 480, TRect(0, 0, 10, 10), false, false, 100},
        {"empty page", 0, 0, TRect(0, 0, 480, 480), true, true, 100},
        {"a page with no height", 960, 0, TRect(0, 0, 480, 480), false, true, 100},
        {"never below 1", 96000, 96000, TRect(0, 0, 10, 10), true, true, 1},
    };
    for (const Row& r : rows) {
        TDrawSite site;
        site.Scaler().SetUnitDPI(96);
        site.Scaler().SetScale(300); // the fit does not depend on the current zoom
        site.SetLogWidth(r.LogW);
        site.SetLogHeight(r.LogH);
        EXPECT_EQ(site.CalcFitScale(*canvas, r.R, r.ByHeight, r.ByWidth), r.Expected) << r.Name;
    }
}

TEST_F(DrawSite, DrawToMatchesTheGoldenPagesAt50_100And200Percent) {
    TDrawSite site;
    site.Scaler().SetUnitDPI(96);
    site.SetLogWidth(120);
    site.SetLogHeight(80);
    site.OnPaint = [&](TComponent*) {
        TCanvas& c = site.GetCanvas();
        c.Brush().SetColor(clSilver);
        c.FillRect(TRect(0, 0, 120, 80));
    };
    Place(site, "Top", TRect(0, 0, 30, 30), clLime, 1);
    Place(site, "Red", TRect(10, 10, 70, 50), clRed);
    Place(site, "Blue", TRect(40, 30, 110, 70), clBlue);
    TTestRect* hidden = Place(site, "Hidden", TRect(0, 0, 120, 80), clYellow);
    hidden->Hide();
    TTestRect* frame = Place(site, "Frame", TRect(70, 2, 118, 40), clNavy);
    frame->SetHollow(true);
    const TRect deviceBounds = frame->BoundsRect();

    for (const int scale : {50, 100, 200}) {
        TBitmap bitmap(250, 170, pf24bit);
        bitmap.Fill(clWhite);
        std::unique_ptr<TBandCanvas> canvas = FixedCanvas(bitmap);
        std::vector<int> progress;
        site.OnDrawToProgress = [&](TDrawSite*, int Value) { progress.push_back(Value); };
        site.DrawTo(*canvas, TPoint(0, 0), scale);
        TestImages::ExpectMatchesGolden(bitmap.ToQImage(),
                                        QString("drawsite/drawto-%1.png").arg(scale));
        EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3, 4})) << "hidden children count too";
        EXPECT_EQ(site.Scaler().Scale(), 100) << "the surface's own zoom comes back";
        EXPECT_EQ(frame->BoundsRect(), deviceBounds) << "the layout is untouched";
        EXPECT_EQ(canvas->GetMapMode(), MM_TEXT) << "the canvas state comes back";
        EXPECT_EQ(canvas->SavedDCCount(), 0);
        site.OnDrawToProgress = nullptr;
    }

    // Origin: the page point that lands on the canvas origin.
    TBitmap plain(120, 80, pf24bit), shifted(120, 80, pf24bit);
    site.DrawTo(*FixedCanvas(plain), TPoint(0, 0), 100);
    site.DrawTo(*FixedCanvas(shifted), TPoint(10, 5), 100);
    for (int y = 0; y < 70; y += 7)
        for (int x = 0; x < 105; x += 7)
            ASSERT_EQ(shifted.GetPixel(x, y), plain.GetPixel(x + 10, y + 5)) << x << "," << y;
    EXPECT_THROW(site.DrawTo(*FixedCanvas(plain), TPoint(), 0), EScalerError);
}

TEST_F(DrawSite, PressesSelectAndDragWithTheGhostList) {
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    TTestRect* a = Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    TTestRect* b = Place(*site, "B", TRect(100, 100, 150, 150), clBlue);
    Place(*site, "C", TRect(200, 200, 250, 250), clGreen);
    int cleared = 0;
    site->OnClearGhost = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, site.get());
        ++cleared;
    };

    // A press on an unselected object selects it alone and drags it.
    a->SetSelected(true);
    site->WndMouseDown(mbLeft, ssLeft, TPoint(110, 120), false);
    EXPECT_EQ(Selection(*site), "B");
    EXPECT_EQ(site->PressedObject(), b);
    EXPECT_TRUE(site->MouseCapture());
    EXPECT_EQ(tools.Ghosts.Log,
              (std::vector<std::string>{"move ghost B -1", "begin 110,120 shift 0"}));
    EXPECT_EQ(tools.Ghosts.Bounds, TRect(0, 0, 300, 300));
    site->WndMouseMove(ssLeft, TPoint(130, 125));
    site->WndMouseUp(mbLeft, {}, TPoint(140, 130));
    EXPECT_EQ(b->GetRect(), TRect(130, 110, 180, 160)) << "moved by the drag";
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(site->PressedObject(), nullptr);
    EXPECT_FALSE(site->MouseCapture());
    EXPECT_EQ(site->ControlCount(), 3 + 4) << "the handles of the selected object";

    // Shift adds to the selection; Shift on a selected object deselects it on the click,
    // unless the drag moved.
    Click(*site, mbLeft, ssShift, TPoint(20, 20));
    EXPECT_EQ(Selection(*site), "B A");
    Click(*site, mbLeft, ssShift, TPoint(140, 140), TPoint(141, 141));
    EXPECT_EQ(Selection(*site), "B A") << "moved: stays selected";
    Click(*site, mbLeft, ssShift, TPoint(141, 141));
    EXPECT_EQ(Selection(*site), "A");

    // Empty area: everything is deselected and a rubber band selects what it encloses.
    tools.Ghosts.Log.clear();
    Click(*site, mbLeft, {}, TPoint(190, 190), TPoint(260, 260));
    EXPECT_EQ(tools.Ghosts.Log,
              (std::vector<std::string>{"select ghost", "begin 190,190 shift 0", "end"}));
    EXPECT_EQ(Selection(*site), "C");
    Click(*site, mbLeft, ssShift, TPoint(5, 60), TPoint(60, 5));
    EXPECT_EQ(Selection(*site), "C A") << "with Shift the band adds";
}

TEST_F(DrawSite, RightAndMiddlePressesKeepWhatTheyPressed) {
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    TTestRect* b = Place(*site, "B", TRect(100, 100, 150, 150), clBlue);
    b->SetSelected(true);
    Click(*site, mbRight, {}, TPoint(20, 20));
    EXPECT_EQ(Selection(*site), "A") << "the object under a right press is selected, and stays";
    EXPECT_TRUE(tools.Ghosts.Log.empty()) << "right presses drag nothing";
    site->SelectAll(true);
    Click(*site, mbRight, {}, TPoint(20, 20));
    EXPECT_EQ(Selection(*site), "B A") << "a right press on a selected object keeps the selection";
    site->SelectAll(false);
    site->WndMouseDown(mbMiddle, ssMiddle, TPoint(120, 120), false);
    site->WndMouseUp(mbMiddle, {}, TPoint(120, 120));
    EXPECT_EQ(Selection(*site), "B");
    Click(*site, mbRight, {}, TPoint(280, 280));
    EXPECT_EQ(Selection(*site), "") << "a right press on empty page area deselects";
}

TEST_F(DrawSite, HandlesFollowTheSelection) {
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    TTestRect* a = Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    TTestRect* b = Place(*site, "B", TRect(100, 100, 150, 150), clBlue);
    TTestRect* c = Place(*site, "C", TRect(200, 200, 250, 250), clGreen);
    c->SetMovable(false);
    a->SetSelected(true);
    site->UpdatePivots();
    ASSERT_EQ(site->ControlCount(), 7);
    auto* pivot = qobject_cast<TTestPivot*>(site->Controls(3));
    ASSERT_NE(pivot, nullptr);
    EXPECT_EQ(pivot->BoundsRect(), TRect(7, 7, 14, 14)) << "centred on the corner";
    EXPECT_EQ(pivot->Cursor(), crSizeNWSE);
    site->UpdatePivots();
    EXPECT_EQ(site->Controls(3), pivot) << "not rebuilt while up to date";

    b->SetSelected(true);
    c->SetSelected(true);
    site->UpdatePivots();
    EXPECT_EQ(site->ControlCount(), 3 + 12);
    for (int i = 3; i < site->ControlCount(); ++i)
        EXPECT_EQ(site->Controls(i)->Cursor(), crDefault) << "several selected: plain cursor";

    // A press on a handle with several objects selected moves every movable one.
    tools.Ghosts.Log.clear();
    auto* handle = qobject_cast<TTestPivot*>(site->Controls(site->ControlCount() - 1));
    const TRect hb = handle->BoundsRect();
    site->WndMouseDown(mbLeft, ssLeft, TPoint(hb.Left + 1, hb.Top + 1), false);
    EXPECT_EQ(tools.Ghosts.Log[0], "move ghost A -1") << "bottom first";
    EXPECT_EQ(tools.Ghosts.Log[1], "move ghost B -1");
    EXPECT_EQ(tools.Ghosts.Log.size(), 3u) << "no ghost for the locked object";
    EXPECT_FALSE(handle->Visible()) << "handles hide while dragging";
    site->WndMouseUp(mbLeft, {}, TPoint(hb.Left + 1, hb.Top + 1));

    EXPECT_TRUE(site->HidePivots());
    EXPECT_FALSE(site->HidePivots());
    site->DeletePivots();
    EXPECT_EQ(site->ControlCount(), 3);
    delete b; // an object going with its handles
    EXPECT_EQ(site->ControlCount(), 2);
}

// Without any press on the page the handles follow what the keyboard and the commands do:
// a selection, a move of a selected object, select all, and an object leaving the page.
TEST_F(DrawSite, HandlesAreRebuiltOnEverySelectionAndPositionChange) {
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    TTestRect* a = Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    TTestRect* b = Place(*site, "B", TRect(100, 100, 150, 150), clBlue);
    const auto handlesOf = [&](const TDrawObject* Object) {
        std::vector<TRect> bounds;
        for (int i = 0; i < site->ControlCount(); ++i)
            if (auto* pivot = qobject_cast<TTestPivot*>(site->Controls(i));
                pivot && pivot->Object() == Object)
                bounds.push_back(pivot->BoundsRect());
        return bounds;
    };
    site->UpdatePivots();

    a->SetSelected(true);
    QCoreApplication::processEvents();
    ASSERT_EQ(handlesOf(a).size(), 4u) << "a selection shows its handles";
    EXPECT_EQ(handlesOf(a)[0], TRect(7, 7, 14, 14));

    QueryObjectInterface<IDOEncloseBounds>(a)->OffsetBy(20, 5); // an arrow-key nudge
    QCoreApplication::processEvents();
    ASSERT_EQ(handlesOf(a).size(), 4u);
    EXPECT_EQ(handlesOf(a)[0], TRect(27, 12, 34, 19)) << "the handles moved with the object";

    site->SelectAll(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(handlesOf(a).size(), 4u);
    EXPECT_EQ(handlesOf(b).size(), 4u) << "select all shows every handle";

    b->SetParent(nullptr); // deleted by a command
    EXPECT_TRUE(handlesOf(b).empty()) << "a deleted object's handles go at once";
    QCoreApplication::processEvents();
    EXPECT_EQ(site->ControlCount(), 1 + 4);
    delete b;
}

TEST_F(DrawSite, DragsStopCleanlyWhenCancelledOrTheirObjectGoes) {
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    TTestRect* a = Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    int cleared = 0;
    site->OnClearGhost = [&](TComponent*) { ++cleared; };
    site->WndMouseDown(mbLeft, ssLeft, TPoint(20, 20), false);
    site->WndMouseMove(ssLeft, TPoint(40, 40));
    site->CancelMode();
    EXPECT_EQ(tools.Ghosts.Log.back(), "cancel");
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(a->GetRect(), TRect(10, 10, 50, 50)) << "a cancelled drag applies nothing";

    // Without any designers or ghost list a press still selects.
    SetGhostList(nullptr);
    SetDesignerList(nullptr);
    site->SelectAll(false);
    Click(*site, mbLeft, {}, TPoint(20, 20), TPoint(30, 30));
    EXPECT_EQ(Selection(*site), "A");

    // The pressed object is destroyed before the release.
    site->WndMouseDown(mbLeft, ssLeft, TPoint(20, 20), false);
    EXPECT_EQ(site->PressedObject(), a);
    delete a;
    EXPECT_EQ(site->PressedObject(), nullptr);
    site->WndMouseUp(mbLeft, {}, TPoint(20, 20));
}

TEST_F(DrawSite, ModifierKeysDuringADragUpdateTheGhostsAtThePointer) {
    // A window whose pointer stands where the test puts it.
    struct TPointerHost : IWindowHost {
        TPoint Pointer;
        int Scrolls = 0;
        void InvalidateRect(const TRect&) override {}
        void InvalidateOverlay(const TRect&) override {}
        void Update() override {}
        void BoundsChanged() override {}
        void SetFocus() override {}
        bool Focused() const override { return true; }
        TPoint CursorPos() const override { return Pointer; }
        bool AutoScroll(const TPoint&) override { return ++Scrolls, false; }
    } host;
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    site->Scaler().SetScale(200);
    site->SetHost(&host);
    Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    site->WndMouseDown(mbLeft, ssLeft, TPoint(40, 40), false);
    site->WndMouseMove(ssLeft, TPoint(50, 50));
    EXPECT_EQ(host.Scrolls, 1) << "every drag move may scroll";
    host.Pointer = TPoint(60, 80);
    int key = Qt::Key_Shift;
    site->KeyDown(key, ssShift | ssLeft);
    EXPECT_EQ(tools.Ghosts.Last, TPoint(30, 40)) << "the pointer in logical units";
    site->WndMouseUp(mbLeft, {}, TPoint(60, 80));
    EXPECT_EQ(tools.Ghosts.Log.back(), "end");
    host.Pointer = TPoint(100, 100);
    site->KeyDown(key, ssShift);
    EXPECT_EQ(tools.Ghosts.Last, TPoint(30, 40)) << "no drag: keys move nothing";
    site->SetHost(nullptr);
}

TEST_F(DrawSite, ClipboardRoundTripOfAListOfObjects) {
    auto site = MakeSite(300, 300);
    TDOList list;
    list.Add(Place(*site, "Red", TRect(10, 10, 50, 50), clRed));
    list.Add(Place(*site, "Blue", TRect(60, 10, 90, 40), clBlue));
    TTestRect* green = Place(*site, "Green", TRect(5, 60, 95, 90), clGreen);
    green->SetHollow(true);
    green->SetLayerGroup(2);
    list.Add(green);
    list.CopyToClipboard(ObjectFormat);

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray bytes = data->data(ClipboardMimeType(ObjectFormat));
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(bytes.left(4), QByteArray("\x03\x00\x00\x00", 4));
    EXPECT_EQ(bytes.mid(4, 4), "TPF0");
    EXPECT_EQ(bytes.count("TPF0"), 3);

    TDOList pasted;
    pasted.PasteFromClipboard(ObjectFormat);
    ASSERT_EQ(pasted.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        auto* copy = qobject_cast<TTestRect*>(pasted[i]);
        const auto* source = qobject_cast<TTestRect*>(list[i]);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, source) << "new objects";
        EXPECT_EQ(copy->Name(), source->Name());
        EXPECT_EQ(copy->GetRect(), source->GetRect());
        EXPECT_EQ(copy->Color(), source->Color());
        EXPECT_EQ(copy->Hollow(), source->Hollow());
        EXPECT_EQ(copy->Owner(), nullptr);
        EXPECT_EQ(copy->Parent(), nullptr);
    }
    EXPECT_EQ(pasted[2]->LayerGroup(), 2);

    // Pasted onto the page they came from, the copies get names of their own.
    for (TDrawObject* copy : pasted) {
        site->InsertObject(copy);
        site->AddObject(copy);
    }
    EXPECT_EQ(Order(*site), "Red Blue Red1 Blue1 Green Green1");
    pasted.Clear();

    QGuiApplication::clipboard()->setText("plain text");
    pasted.PasteFromClipboard(ObjectFormat);
    EXPECT_TRUE(pasted.IsEmpty()) << "no object data: nothing read";
    TDOList().CopyToClipboard(ObjectFormat);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "plain text") << "an empty list copies nothing";
}

TEST_F(DrawSite, ObjectStreamsSkipWhatIsNoDrawingObject) {
    auto first = TTestRect::Make(0, 0, 10, 10, clRed, "First");
    auto last = TTestRect::Make(5, 5, 15, 15, clBlue, "Last");
    TTestNote note;
    note.SetText("not an object");
    TDrawSite site; // a registered control, but not a drawing object

    struct Row {
        const char* Name;
        std::vector<TComponent*> Components;
    };
    const Row rows[] = {
        {"a note in the middle", {first.get(), &note, last.get()}},
        {"a surface in the middle", {first.get(), &site, last.get()}},
    };
    for (const Row& r : rows) {
        TMemoryStream stream(ObjectStream(r.Components));
        TDOList list;
        list.LoadFromStream(stream);
        ASSERT_EQ(list.Count(), 2) << r.Name;
        EXPECT_EQ(list[0]->Name(), "First");
        EXPECT_EQ(list[1]->Name(), "Last");
        EXPECT_EQ(stream.Remaining(), 0);
        list.FreeObjects();
    }

    // A class nobody registered: that object is skipped whole, the rest is read.
    QByteArray bytes = ObjectStream({first.get(), &note, last.get()});
    const int at = bytes.indexOf("TTestNote");
    ASSERT_GT(at, 0);
    bytes.replace(at, 9, "TUnknownX");
    TMemoryStream stream(bytes);
    TDOList list;
    list.LoadFromStream(stream);
    EXPECT_EQ(list.Count(), 2);
    list.FreeObjects();
}

TEST_F(DrawSite, DamagedObjectStreamsAreRefusedCleanly) {
    auto a = TTestRect::Make(0, 0, 10, 10, clRed, "A");
    auto b = TTestRect::Make(5, 5, 15, 15, clBlue, "B");
    TStringList lines;
    lines.Add("some appendix text");
    b->SetAppendix(lines);
    const QByteArray good = ObjectStream({a.get(), b.get()});

    // Every truncation.
    for (int n = 0; n < good.size(); ++n) {
        TMemoryStream stream(good.left(n));
        TDOList list;
        EXPECT_THROW(list.LoadFromStream(stream), EReadError) << "cut at " << n;
        EXPECT_TRUE(list.IsEmpty());
    }

    // Counts that the bytes cannot hold, or that promise more than there is.
    struct Row {
        const char* Name;
        int32_t Count;
    };
    const Row rows[] = {{"negative", -1}, {"huge", 0x7FFFFFFF}, {"one too many", 3}};
    for (const Row& r : rows) {
        QByteArray bytes = good;
        std::memcpy(bytes.data(), &r.Count, 4);
        TMemoryStream stream(bytes);
        TDOList list;
        EXPECT_THROW(list.LoadFromStream(stream), EReadError) << r.Name;
        EXPECT_TRUE(list.IsEmpty());
    }

    // Every byte changed: either refused or read, never a crash, hang or leak.
    for (int i = 0; i < good.size(); ++i)
        for (const char x : {'\xFF', '\x01', '\x80'}) {
            QByteArray bytes = good;
            bytes[i] = static_cast<char>(bytes[i] ^ x);
            TMemoryStream stream(bytes);
            TDOList list;
            try {
                list.LoadFromStream(stream);
                EXPECT_LE(list.Count(), 2);
            } catch (const EReadError&) {
                EXPECT_TRUE(list.IsEmpty());
            }
            list.FreeObjects();
        }

    // Random bytes after a plausible count.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes("\x02\x00\x00\x00TPF0", 8);
        const int size = static_cast<int>(random() % 64);
        for (int i = 0; i < size; ++i)
            bytes.append(static_cast<char>(random() & 0xFF));
        TMemoryStream stream(bytes);
        TDOList list;
        EXPECT_THROW(list.LoadFromStream(stream), EReadError) << "round " << round;
    }

    // A damaged clipboard is refused the same way.
    auto* mime = new QMimeData;
    mime->setData(ClipboardMimeType(ObjectFormat), good.left(good.size() - 3));
    QGuiApplication::clipboard()->setMimeData(mime);
    TDOList pasted;
    EXPECT_THROW(pasted.PasteFromClipboard(ObjectFormat), EReadError);
    EXPECT_TRUE(pasted.IsEmpty());
}

TEST_F(DrawSite, StreamsTheObjectsItOwns) {
    auto site = MakeSite(300, 200);
    site->Scaler().SetScale(200);
    Place(*site, "A", TRect(10, 10, 50, 50), clRed);
    Place(*site, "B", TRect(60, 60, 90, 90), clBlue, 1);
    auto foreign = TTestRect::Make(0, 0, 5, 5, clGreen, "Foreign");
    site->AddObject(foreign.get()); // on the page, owned elsewhere

    TMemoryStream stream;
    WriteComponent(stream, *site);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(stream);
    auto* copy = qobject_cast<TDrawSite*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Order(*copy), "A B");
    EXPECT_EQ(copy->ComponentCount(), 2);
    EXPECT_EQ(copy->Controls(0)->Owner(), copy);
    EXPECT_EQ(copy->Scaler().Scale(), 200);
    EXPECT_EQ(copy->LogWidth(), 300);
    EXPECT_EQ(copy->Width(), site->Width());
    EXPECT_EQ(copy->Controls(1)->BoundsRect(), TRect(120, 120, 181, 181)) << "laid out";
    EXPECT_FALSE(copy->Modified()) << "a page just read is unchanged";
    EXPECT_EQ(qobject_cast<TDrawObject*>(copy->Controls(1))->LayerGroup(), 1);

    site.reset();
    EXPECT_EQ(foreign->Parent(), nullptr) << "an object owned elsewhere outlives the page";
}

TEST_F(DrawSite, ObjectKindsComeFromTheRegistry) {
    EXPECT_EQ(CreateObjectOfKind("TLOUnknown"), nullptr);
    EXPECT_EQ(CreateObjectOfKind("TTestNote"), nullptr) << "registered, but no drawing object";
    std::unique_ptr<TDrawObject> byClass = CreateObjectOfKind("ttestrect");
    EXPECT_NE(qobject_cast<TTestRect*>(byClass.get()), nullptr);
    RegisterObjectKind("TTestPaste", [] {
        return std::unique_ptr<TDrawObject>(TTestRect::Make(0, 0, 30, 30, clRed));
    });
    EXPECT_TRUE(IsObjectKindRegistered("ttestpaste"));
    std::unique_ptr<TDrawObject> byKind = CreateObjectOfKind("TTestPaste");
    ASSERT_NE(byKind, nullptr);
    EXPECT_EQ(byKind->GetBoundsRect(), TRect(0, 0, 30, 30));
    UnregisterObjectKind("TTestPaste");
    EXPECT_EQ(CreateObjectOfKind("TTestPaste"), nullptr);
}

// A drop that raises still finishes the release: the mouse is free, nothing stays pressed
// and the handles come back; the error reaches the caller.
TEST_F(DrawSite, AFailingDropStillFinishesTheRelease) {
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    TTestRect* a = Place(*site, "A", TRect(100, 100, 150, 150), clRed);
    site->WndMouseDown(mbLeft, ssLeft, TPoint(110, 120), false);
    ASSERT_EQ(site->PressedObject(), a);
    site->WndMouseMove(ssLeft, TPoint(130, 125));
    tools.Ghosts.FailEnd = true;
    EXPECT_THROW(site->WndMouseUp(mbLeft, {}, TPoint(140, 130)), Exception);
    EXPECT_EQ(site->PressedObject(), nullptr);
    EXPECT_FALSE(site->MouseCapture());
    EXPECT_EQ(site->ControlCount(), 1 + 4) << "the handles of the selected object";
    tools.Ghosts.FailEnd = false;
    Click(*site, mbLeft, {}, TPoint(10, 10));
    EXPECT_EQ(Selection(*site), "") << "the next press works as usual";
}

// A hidden object is not hit by a press and does not keep the rubber band from starting;
// the band never selects it.
TEST_F(DrawSite, HiddenObjectsAreNeitherHitNorSelectedByTheBand) {
    TInstalledDesignTools tools;
    auto site = MakeSite(300, 300);
    TTestRect* visible = Place(*site, "Visible", TRect(20, 20, 60, 60), clRed);
    TTestRect* hidden = Place(*site, "Hidden", TRect(0, 0, 200, 200), clBlue);
    hidden->Hide();
    EXPECT_EQ(site->ObjectAt(TPoint(100, 100)), nullptr);
    EXPECT_EQ(site->ObjectAt(TPoint(30, 30)), visible);
    tools.Ghosts.Log.clear();
    Click(*site, mbLeft, {}, TPoint(100, 100), TPoint(10, 10));
    ASSERT_FALSE(tools.Ghosts.Log.empty());
    EXPECT_EQ(tools.Ghosts.Log.front(), "select ghost") << "the band started over it";
    EXPECT_EQ(Selection(*site), "Visible");
    EXPECT_FALSE(hidden->Selected());
}

// A surface holding a nested surface with a background and a rectangle (found by fuzzing the
// stream reader): the outer surface's Loaded frees the nested one as a handle, and the reader
// then calls Loaded only on the components still alive.
TEST_F(DrawSite, NestedSurfaceStreamReadsWithoutTouchingFreedComponents) {
    RegisterObjectClasses();
    const QByteArray bytes =
        ReadTestData(QStringLiteral("fuzz/propstream/nested-site-freed-component.bin"));
    {
        TMemoryStream stream(bytes);
        std::unique_ptr<TComponent> read = ReadComponent(stream);
        auto* outer = qobject_cast<TDrawSite*>(read.get());
        ASSERT_NE(outer, nullptr);
        EXPECT_FALSE(outer->ComponentState().testFlag(csLoading));
        EXPECT_EQ(outer->LogWidth(), 1200);
        EXPECT_EQ(outer->LogHeight(), 800);
    }
    TDrawSite existing;
    TMemoryStream stream(bytes);
    ReadComponent(stream, existing);
    EXPECT_FALSE(existing.ComponentState().testFlag(csLoading));
    EXPECT_EQ(existing.LogWidth(), 1200);
}
