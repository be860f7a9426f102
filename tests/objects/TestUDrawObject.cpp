#include "ObjectTestSupport.h"

#include "UBitmap.h"
#include "UDOGroup.h"
#include "UDOList.h"
#include "UObjectFactory.h"
#include "UPrinters.h"
#include "UPropStream.h"
#include "UScaler.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Counts the notifications an object (or a surface) broadcasts, by id.
struct TNoticeCounter {
    TListener Listener;
    std::vector<TGUID> Ids;
    std::vector<IInterface*> Senders;
    TNoticeCounter()
        : Listener([this](IInterface* Sender, const TGUID& Id) {
              Ids.push_back(Id);
              Senders.push_back(Sender);
          }) {}
    void Watch(IInterface* Object) {
        QueryObjectInterface<IBroadcaster>(Object)->AddListener(&Listener);
    }
    int Count(const TGUID& Id) const {
        return static_cast<int>(std::count(Ids.begin(), Ids.end(), Id));
    }
    void Clear() {
        Ids.clear();
        Senders.clear();
    }
};

class DrawObject : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterTestObjects(); }
};

std::unique_ptr<TDrawSite> MakeSite(int Width, int Height) {
    return MakeTestSite(Width, Height);
}

} // namespace

TEST_F(DrawObject, ChangesSelectionAndMovabilityAreBroadcast) {
    auto object = TTestRect::Make(0, 0, 10, 10, clRed);
    TNoticeCounter notes;
    notes.Watch(object.get());
    int modified = 0;
    object->OnModify = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, object.get());
        ++modified;
    };

    object->SetColor(clBlue);
    EXPECT_EQ(notes.Count(MsgIdChanged), 1);
    EXPECT_EQ(notes.Senders.back(), static_cast<IInterface*>(object.get()));
    EXPECT_EQ(modified, 1);

    notes.Clear();
    object->SetSelected(false);
    EXPECT_EQ(notes.Count(MsgIdSelectionChanged), 1) << "also when nothing changed";
    object->SetSelectable(false);
    object->SetSelected(true);
    EXPECT_FALSE(object->Selected()) << "an unselectable object is never selected";
    EXPECT_EQ(notes.Count(MsgIdSelectionChanged), 1);
    object->SetSelectable(true);
    object->SetSelected(true);
    object->SetSelectable(false);
    EXPECT_FALSE(object->Selected()) << "becoming unselectable deselects";

    notes.Clear();
    object->SetMovable(false);
    EXPECT_EQ(notes.Ids, (std::vector<TGUID>{MsgIdChanged, MsgIdMovableChanged}))
        << "a label object reports the change first";
    object->SetMovable(false);
    EXPECT_EQ(notes.Ids.size(), 2u) << "no change, no message";

    notes.Clear();
    object->SetDontPrint(true);
    EXPECT_EQ(notes.Ids, (std::vector<TGUID>{MsgIdDontPrintChanged, MsgIdChanged}));

    notes.Clear();
    TStringList lines;
    lines.Add("note");
    const int before = modified;
    object->SetAppendix(lines);
    EXPECT_EQ(modified, before + 1) << "Appendix changes count as modifications";
    EXPECT_TRUE(notes.Ids.empty()) << "but are not broadcast";

    notes.Clear();
    object.reset();
    EXPECT_EQ(notes.Ids, (std::vector<TGUID>{MsgIdGoingAway}));
}

TEST_F(DrawObject, AssignCopiesTheBaseStateWithOneChangeBroadcast) {
    auto source = TTestRect::Make(5, 6, 25, 36, clGreen);
    source->SetBorder(true);
    source->SetLayerGroup(3);
    source->SetDontPrint(true);
    source->SetBlendRatio(40);
    source->SetHint("hint");
    source->SetCursor(crHandPoint);
    source->SetSelected(true);
    TStringList lines;
    lines.Add("a=1");
    source->SetAppendix(lines);

    auto dest = TTestRect::Make(0, 0, 1, 1, clRed);
    TNoticeCounter notes;
    notes.Watch(dest.get());
    dest->Assign(source.get());
    EXPECT_EQ(notes.Count(MsgIdChanged), 1);
    EXPECT_EQ(dest->GetRect(), TRect(5, 6, 25, 36));
    EXPECT_EQ(dest->Color(), clGreen);
    EXPECT_TRUE(dest->Border());
    EXPECT_TRUE(dest->Selected());
    EXPECT_TRUE(dest->DontPrint());
    EXPECT_EQ(dest->BlendRatio(), 40);
    EXPECT_EQ(dest->Hint(), "hint");
    EXPECT_EQ(dest->Cursor(), crHandPoint);
    EXPECT_EQ(dest->Appendix(), lines);
    EXPECT_EQ(dest->LayerGroup(), 0) << "the layer group stays with the object";

    TTestNote note;
    EXPECT_THROW(dest->Assign(&note), EConvertError);
    EXPECT_EQ(dest->Notifier().UpdateCount(), 0) << "a failed Assign leaves no open update";
}

TEST_F(DrawObject, RectangleGeometryStaysNormalised) {
    auto object = TTestRect::Make(100, 50, 160, 90, clRed);
    TNoticeCounter notes;
    notes.Watch(object.get());
    object->SetWidth(-30);
    EXPECT_EQ(object->GetRect(), TRect(70, 50, 100, 90)) << "Left is the old Left plus the value";
    object->SetHeight(-10);
    EXPECT_EQ(object->GetRect(), TRect(70, 40, 100, 50));
    object->SetLeft(0);
    EXPECT_EQ(object->GetRect(), TRect(0, 40, 30, 50));
    notes.Clear();
    object->OffsetBy(5, 7);
    EXPECT_EQ(object->GetRect(), TRect(5, 47, 35, 57));
    EXPECT_EQ(notes.Count(MsgIdChanged), 2) << "two separate changes";
    notes.Clear();
    object->SetBoundsRect(TRect(35, 57, 5, 47));
    EXPECT_EQ(notes.Count(MsgIdChanged), 0) << "the same rectangle, reversed";
    EXPECT_TRUE(object->HitTest(TPoint(5, 47)));
    EXPECT_FALSE(object->HitTest(TPoint(35, 50))) << "right edge excluded";
    EXPECT_FALSE(object->HitTest(TPoint(10, 57))) << "bottom edge excluded";
}

TEST_F(DrawObject, CapabilitiesAreAskedForAndMayBeRefused) {
    auto object = TTestRect::Make(0, 0, 10, 10, clRed);
    IInterface* intf = object.get();
    EXPECT_NE(QueryObjectInterface<IDORect>(intf), nullptr);
    EXPECT_NE(QueryObjectInterface<IDOEncloseBounds>(intf), nullptr);
    EXPECT_NE(QueryObjectInterface<IDOPosition>(intf), nullptr);
    EXPECT_NE(QueryObjectInterface<IDOBlend>(intf), nullptr);
    EXPECT_EQ(QueryObjectInterface<IBroadcaster>(intf),
              static_cast<IBroadcaster*>(&object->Notifier()));
    EXPECT_EQ(QueryObjectInterface<IDORotate>(intf), nullptr);
    EXPECT_EQ(QueryObjectInterface<IDOCurve>(intf), nullptr);
    ASSERT_NE(QueryObjectInterface<IDODrawing>(intf), nullptr);
    object->RefuseDrawing = true;
    EXPECT_EQ(QueryObjectInterface<IDODrawing>(intf), nullptr);

    IDOPosition* position = QueryObjectInterface<IDOPosition>(intf);
    position->SetWidth(40);
    EXPECT_EQ(position->GetWidth(), 40);
    EXPECT_FALSE(position->ScalesToFit());

    EXPECT_FALSE(object->NeedsBlend());
    object->SetBlendShade(true);
    EXPECT_TRUE(object->NeedsBlend());
    object->SetBlendShade(false);
    object->SetBlendRatio(40);
    EXPECT_TRUE(object->NeedsBlend());
}

TEST_F(DrawObject, LayerMovesKeepGroupsInOrder) {
    auto site = MakeSite(200, 200);
    std::vector<std::unique_ptr<TTestRect>> objects;
    auto add = [&](const char* Name, int Group) {
        objects.push_back(TTestRect::Make(0, 0, 10, 10, clRed, Name));
        objects.back()->SetLayerGroup(Group);
        objects.back()->SetParent(site.get()); // raw placement, no layer sorting
        return objects.back().get();
    };
    auto order = [&] {
        std::string s;
        for (int i = 0; i < site->ControlCount(); ++i)
            s += site->Controls(i)->Name().toStdString() + " ";
        return s;
    };
    TTestRect* low = add("low", 0);
    add("high1", 1);
    add("high2", 1);
    low->BringToLayerFront();
    EXPECT_EQ(order(), "low high1 high2 ") << "stays just below the lower group-1 object";

    TTestRect* top = add("top", 0);
    EXPECT_EQ(order(), "low high1 high2 top ");
    top->BringToLayerFront();
    EXPECT_EQ(order(), "low top high1 high2 ");
    top->SendToLayerBack();
    EXPECT_EQ(order(), "top low high1 high2 ");
    TTestRect* high2 = objects[2].get();
    high2->SendToLayerBack();
    EXPECT_EQ(order(), "top low high2 high1 ") << "to the bottom of its own group";

    // Handles count in the indexes but are never chosen as the target.
    TControl* pivot = new TTestPivot(top, 0);
    pivot->SetParent(site.get());
    EXPECT_EQ(order(), "top low high2 high1  ");
    low->SetLayerGroup(5);
    low->BringToLayerFront();
    EXPECT_EQ(order(), "top high2 high1 low  ") << "no higher group: above every object";

    TNoticeCounter notes;
    notes.Watch(low);
    low->BringToLayerFront();
    EXPECT_EQ(notes.Count(MsgIdChanged), 0) << "already in place";
    top->BringToLayerFront();
    EXPECT_EQ(order(), "top high2 high1 low  ");

    TTestRect loose;
    loose.BringToLayerFront(); // no parent: nothing to order
    loose.SendToLayerBack();
}

TEST_F(DrawObject, AFailedPaintShowsTheFailureBoxFromThenOn) {
    auto site = MakeSite(100, 100);
    site->SetBorder(false);
    site->SetColor(clWhite);
    auto owned = TTestRect::Make(10, 10, 60, 40, clBlue);
    TTestRect* object = owned.get();
    site->InsertObject(owned.release());
    site->AddObject(object);
    std::vector<QString> reported;
    TExceptionHandler old = SetApplicationExceptionHandler(
        [&](const std::exception& E) { reported.push_back(QString::fromUtf8(E.what())); });

    TBitmap bitmap(100, 100, pf24bit);
    site->PaintWindow(bitmap.Canvas(), site->ClientRect());
    EXPECT_EQ(bitmap.GetPixel(30, 20), clBlue);
    EXPECT_FALSE(object->PaintFailed());

    object->FailPaint = true;
    site->PaintWindow(bitmap.Canvas(), site->ClientRect());
    EXPECT_EQ(reported, (std::vector<QString>{"test paint failure"}));
    EXPECT_TRUE(object->PaintFailed());

    object->FailPaint = false;
    bitmap.Fill(clWhite);
    const int paints = object->PaintCount;
    site->PaintWindow(bitmap.Canvas(), site->ClientRect());
    EXPECT_EQ(object->PaintCount, paints) << "the failure box instead of the object";
    EXPECT_EQ(bitmap.GetPixel(10, 10), clRed) << "red frame";
    EXPECT_EQ(bitmap.GetPixel(60, 40), clRed) << "right and bottom pixel of the device bounds";
    EXPECT_EQ(bitmap.GetPixel(61, 41), clWhite);
    int red = 0;
    for (int y = 11; y < 40; ++y)
        for (int x = 11; x < 60; ++x)
            red += bitmap.GetPixel(x, y) == clRed;
    EXPECT_GT(red, 100) << "the cross hatch and the text";
    EXPECT_EQ(reported.size(), 1u);
    SetApplicationExceptionHandler(old);
}

TEST_F(DrawObject, DrawToRestoresTheCanvasAndSkipsDontPrintOnPrinters) {
    auto object = TTestRect::Make(2, 2, 6, 6, clBlue);
    TBitmap bitmap(8, 8, pf24bit);
    bitmap.Fill(clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen().SetColor(clGreen);
    object->DrawTo(canvas);
    EXPECT_EQ(bitmap.GetPixel(3, 3), clBlue);
    EXPECT_EQ(bitmap.GetPixel(6, 6), clWhite);
    EXPECT_EQ(canvas.Pen().Color(), clGreen) << "the caller's tools come back";
    EXPECT_EQ(canvas.SavedDCCount(), 0);
    EXPECT_FALSE(object->ControlState().testFlag(csPaintCopy));

    object->SetDontPrint(true);
    bitmap.Fill(clWhite);
    object->DrawTo(canvas);
    EXPECT_EQ(bitmap.GetPixel(3, 3), clBlue) << "shown on the screen and in previews";

    TDeviceCaps printer;
    printer.Technology = DT_RASPRINTER;
    printer.LogPixelsX = printer.LogPixelsY = 96;
    TBitmap band(8, 8, pf24bit);
    band.Fill(clWhite);
    TBandCanvas printerCanvas([&] { return &band; }, 96, printer);
    object->DrawTo(printerCanvas);
    EXPECT_EQ(band.GetPixel(3, 3), clWhite) << "not printed";
    object->SetDontPrint(false);
    object->DrawTo(printerCanvas);
    EXPECT_EQ(band.GetPixel(3, 3), clBlue);

    canvas.IntersectClipRect(0, 0, 1, 1);
    bitmap.Fill(clWhite);
    const int paints = object->PaintCount;
    object->DrawTo(canvas);
    EXPECT_EQ(object->PaintCount, paints) << "nothing of it visible: not drawn";
}

TEST_F(DrawObject, StreamsItsLogicalGeometryNotItsDeviceBounds) {
    auto object = TTestRect::Make(10, 20, 110, 70, clBlue, "Box");
    object->SetBorder(true);
    object->SetMovable(false);
    object->SetBlendRatio(50);
    TStringList lines;
    lines.Add("memo");
    object->SetAppendix(lines);
    object->TControl::SetBounds(1, 2, 3, 4);
    TMemoryStream stream;
    WriteComponent(stream, *object);
    const QByteArray bytes = stream.Bytes();
    EXPECT_TRUE(bytes.contains("Appendix.Strings"));
    EXPECT_TRUE(bytes.contains("LayerGroup")) << "always written";
    EXPECT_FALSE(bytes.contains("Selectable")) << "default not written";

    stream.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(stream);
    auto* copy = qobject_cast<TTestRect*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name(), "Box");
    EXPECT_EQ(copy->GetRect(), TRect(10, 20, 110, 70));
    EXPECT_EQ(copy->BoundsRect(), TRect()) << "device bounds come from a surface";
    EXPECT_TRUE(copy->Border());
    EXPECT_FALSE(copy->Movable());
    EXPECT_EQ(copy->BlendRatio(), 50);
    EXPECT_EQ(copy->Appendix(), lines);
    EXPECT_EQ(copy->Color(), clBlue);

    // Handles owned by an object are not its data.
    new TTestPivot(object.get(), 0);
    TMemoryStream again;
    WriteComponent(again, *object);
    EXPECT_EQ(again.Bytes(), bytes);
}

TEST_F(DrawObject, DoubleClickEditsThroughTheDesigners) {
    TInstalledDesignTools tools;
    auto site = MakeSite(100, 100);
    auto owned = TTestRect::Make(10, 10, 50, 50, clBlue);
    TTestRect* object = owned.get();
    site->InsertObject(owned.release());
    site->AddObject(object);
    std::vector<TComponent*> cleared;
    site->OnClearGhost = [&](TComponent* Sender) { cleared.push_back(Sender); };
    site->WndMouseDown(mbLeft, ssLeft, TPoint(20, 20), false);
    site->WndMouseUp(mbLeft, {}, TPoint(20, 20));
    cleared.clear(); // the press ran (and ended) a drag
    site->WndMouseDown(mbLeft, ssLeft | ssDouble, TPoint(20, 20), true);
    site->WndMouseUp(mbLeft, {}, TPoint(20, 20));
    EXPECT_EQ(tools.Designers.Edits, 1);
    EXPECT_EQ(cleared, (std::vector<TComponent*>{object}));
    tools.Designers.EditResult = false;
    site->WndMouseDown(mbLeft, ssLeft | ssDouble, TPoint(20, 20), true);
    site->WndMouseUp(mbLeft, {}, TPoint(20, 20));
    EXPECT_EQ(tools.Designers.Edits, 2);
    EXPECT_EQ(cleared.size(), 1u) << "a cancelled edit clears nothing";
}

// A drawing object hands out its notifier's update bracketing: changes inside one update
// reach listeners once.
TEST_F(DrawObject, AnswersChangeNotifyWithItsNotifier) {
    auto object = TTestRect::Make(0, 0, 10, 10, clRed);
    IInterface* intf = object.get();
    IChangeNotify* notify = QueryObjectInterface<IChangeNotify>(intf);
    ASSERT_EQ(notify, static_cast<IChangeNotify*>(&object->Notifier()));
    TNoticeCounter counter;
    counter.Watch(intf);
    notify->BeginUpdate();
    object->SetColor(clBlue);
    object->SetColor(clGreen);
    EXPECT_EQ(counter.Count(MsgIdChanged), 0);
    notify->EndUpdate();
    EXPECT_EQ(counter.Count(MsgIdChanged), 1);
    notify->Changed();
    EXPECT_EQ(counter.Count(MsgIdChanged), 2);
}

// ---------------------------------------------------------------------------------------
// Stored geometry out of range

namespace {

// Every kind of drawing object RegisterObjectClasses makes from streams.
const char* const StreamedKinds[] = {
    "TLOFace", "TLOQRCode", "TLOQRStd",     "TLOJANCode",   "TLOText",       "TLODate",
    "TLOLine", "TLOCurve",  "TLODecoLine",  "TLOAlphaMask", "TLODecoString", "TLOImage",
    "TLORect", "TLOCircle", "TLOBackImage", "TLOOLE",       "TDOGroup",
};

// The geometry a stream stores, in the order it stores it, each with the index of its value
// in a row: the rectangle's (and a text's outline, shadow and bulge drawn around it), or the
// line's points followed by its width and bulge.
struct TGeometryProperty {
    const char* Name;
    int Slot;
};
const TGeometryProperty RectProperties[] = {
    {"Left", 0},         {"Top", 1},           {"Width", 2},         {"Height", 3},
    {"OutLineWidth", 4}, {"ShadowOffsetX", 5}, {"ShadowOffsetY", 4}, {"Bulge", 5},
};
const TGeometryProperty LineProperties[] = {{"StartX", 0}, {"StartY", 1},    {"EndX", 2},
                                            {"EndY", 3},   {"LineWidth", 4}, {"Bulge", 5}};

struct TGeometryRow {
    const char* Name;
    int Values[6]; // by the slots of the properties above
    bool InRange;  // every value lies within the range and is kept exactly
};

constexpr int Big = INT_MAX, Small = INT_MIN;

const TGeometryRow GeometryRows[] = {
    {"in range, kept", {120, -340, 560, 780, 15, -40}, true},
    {"near the top, then a size", {2147483000, 2147483000, 1000, 1000, 1000, 1000}, false},
    {"largest values", {Big, Big, Big, Big, Big, Big}, false},
    {"smallest values", {Small, Small, Small, Small, Small, Small}, false},
    {"mixed signs", {Big - 10, Small + 10, Small, Big, Small, Big}, false},
    {"far apart", {Small, Big, Big, Small, 7, Small}, false},
};

bool InLogicalRange(int64_t V) {
    return V >= -MaxLogicalCoord && V <= MaxLogicalCoord;
}

// The stored geometry properties Object has, paired with their index into a row's values,
// in stream order.
std::vector<std::pair<const char*, int>> GeometryOf(const TDrawObject& Object) {
    const QMetaObject& meta = *Object.metaObject();
    const bool line = meta.indexOfProperty("StartX") >= 0;
    std::vector<std::pair<const char*, int>> names;
    const auto add = [&](const auto& List) {
        for (const TGeometryProperty& p : List)
            if (meta.indexOfProperty(p.Name) >= 0)
                names.emplace_back(p.Name, p.Slot);
    };
    if (line)
        add(LineProperties);
    else
        add(RectProperties);
    return names;
}

// Sets Row's values through the property system as a stream reader does.
void SetStoredGeometry(TDrawObject& Object, const TGeometryRow& Row) {
    for (const auto& [name, i] : GeometryOf(Object))
        EXPECT_TRUE(Object.setProperty(name, Row.Values[i])) << name;
}

// Every stored coordinate lies within the range (for a size: the far edge it puts at
// Left + Width, Top + Height); with Exact, each property equals the value Exact holds for it.
void ExpectStoredGeometry(const TDrawObject& Object, const TGeometryRow* Exact) {
    for (const auto& [name, i] : GeometryOf(Object)) {
        const int stored = Object.property(name).toInt();
        const std::string_view n = name;
        const int64_t edge = n == "Width"    ? int64_t(Object.property("Left").toInt()) + stored
                             : n == "Height" ? int64_t(Object.property("Top").toInt()) + stored
                                             : stored;
        EXPECT_TRUE(InLogicalRange(edge)) << name << " = " << stored;
        if (Exact)
            EXPECT_EQ(stored, Exact->Values[i]) << name;
    }
}

// Asks for the bounds, hit-tests at their corners and centre and paints the object on small
// bitmaps, plainly and mapped from 0.1 mm to 600 dpi as for printing.
void ExerciseObject(TDrawObject& Object) {
    // The bounds add line and frame widths, bulges and shadow offsets to the stored
    // coordinates: a few times the range at most, still far inside int.
    const TRect b = Object.GetBoundsRect();
    for (int v : {b.Left, b.Top, b.Right, b.Bottom})
        EXPECT_LE(std::abs(int64_t(v)), 2 * int64_t(MaxLogicalCoord)) << "bounds edge " << v;
    const TPoint centre(int((int64_t(b.Left) + b.Right) / 2), int((int64_t(b.Top) + b.Bottom) / 2));
    for (const TPoint& p : {centre, TPoint(b.Left, b.Top), TPoint(b.Right, b.Bottom), TPoint(0, 0)})
        Object.HitTest(p);
    if (auto* rect = QueryObjectInterface<IDORect>(&Object))
        rect->GetRect();
    TBitmap plain(16, 16, pf24bit);
    plain.Fill(clWhite);
    Object.DrawTo(plain.Canvas());
    TBitmap printed(16, 16, pf24bit);
    printed.Fill(clWhite);
    TCanvas& canvas = printed.Canvas();
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExtEx(254, 254);
    canvas.SetViewportExtEx(600, 600);
    Object.DrawTo(canvas);
}

} // namespace

TEST_F(DrawObject, StoredGeometryStaysWithinTheLogicalRange) {
    RegisterObjectClasses();
    for (const char* kind : StreamedKinds) {
        for (const TGeometryRow& row : GeometryRows) {
            SCOPED_TRACE(std::string(kind) + ": " + row.Name);
            std::unique_ptr<TDrawObject> object = CreateObjectOfKind(QString::fromLatin1(kind));
            ASSERT_NE(object, nullptr);
            if (auto* group = qobject_cast<TDOGroup*>(object.get())) {
                // A group stores its members; its position and size act on them.
                TDOList members;
                std::vector<std::unique_ptr<TDrawObject>> sources;
                for (const char* memberKind : {"TLORect", "TLOCurve"}) {
                    sources.push_back(CreateObjectOfKind(QString::fromLatin1(memberKind)));
                    SetStoredGeometry(*sources.back(), row);
                    members.Add(sources.back().get());
                }
                group->AddObjects(members);
                group->SetLeft(row.Values[0]);
                group->SetTop(row.Values[1]);
                if (row.InRange) {
                    EXPECT_EQ(group->GetLeft(), row.Values[0]);
                    EXPECT_EQ(group->GetTop(), row.Values[1]);
                }
                group->SetWidth(row.Values[2]);
                group->SetHeight(row.Values[3]);
                for (const TDrawObject* member : group->Members())
                    ExpectStoredGeometry(*member, nullptr);
            } else {
                SetStoredGeometry(*object, row);
                ExpectStoredGeometry(*object, row.InRange ? &row : nullptr);
            }
            ExerciseObject(*object);
        }
    }
}
