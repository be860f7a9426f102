#include "UDOGroup.h"

#include "DesignTestSupport.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UClasses.h"
#include "UDOList.h"
#include "UDrawSiteAction.h"
#include "ULOJANCode.h"
#include "ULOQRCode.h"
#include "UObjectFactory.h"
#include "UPropStream.h"
#include "UStreams.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

// Every object of Site, topmost first, as the object stream stores them.
QByteArray PageOf(const TDrawSite& Site) {
    TDOList list;
    Site.GetObjects(list, false);
    TMemoryStream stream;
    list.SaveToStream(stream);
    return stream.Bytes();
}

TDOList ListOf(std::initializer_list<TDrawObject*> Objects) {
    TDOList list;
    for (TDrawObject* object : Objects)
        list.Add(object);
    return list;
}

std::vector<TRect> MemberBounds(const TDOGroup& Group) {
    std::vector<TRect> bounds;
    for (const TDrawObject* member : Group.Members())
        bounds.push_back(member->GetBoundsRect());
    return bounds;
}

// A group holding copies of rectangles at Rects.
std::unique_ptr<TDOGroup> GroupOf(const std::vector<TRect>& Rects) {
    std::vector<std::unique_ptr<TTestRect>> sources;
    TDOList list;
    for (const TRect& r : Rects) {
        sources.push_back(TTestRect::Make(r.Left, r.Top, r.Right, r.Bottom, clBlue));
        list.Add(sources.back().get());
    }
    auto group = std::make_unique<TDOGroup>();
    group->AddObjects(list);
    return group;
}

} // namespace

class DOGroup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterDesignTestObjects();
        RegisterObjectClasses();
    }
    void SetUp() override {
        ActionList().Clear();
        ActionList().SetRecording(true);
        FSite.SetLogWidth(2000);
        FSite.SetLogHeight(2000);
    }
    void TearDown() override { ActionList().Clear(); }

    template <class T>
    T* Place(const TRect& R) {
        auto* object = new T();
        object->SetBoundsRect(R);
        FSite.InsertObject(object);
        FSite.AddObject(object);
        return object;
    }
    // A QR code, a JAN code and a test rectangle, the rectangle on top.
    void PlaceThreeKinds() {
        auto* qr = Place<TLOQRCode>(TRect(100, 100, 300, 300));
        qr->GetDataStream().WriteBytes("VANTOMI");
        qr->QRCode().RequestEncode();
        auto* jan = Place<TLOJANCode>(TRect(400, 100, 700, 200));
        jan->SetJANCode(QStringLiteral("4901234567894"));
        Place<TTestRect>(TRect(150, 400, 350, 500))->SetColor(clGreen);
    }
    int ObjectCount() const {
        TDOList list;
        FSite.GetObjects(list, false);
        return list.Count();
    }
    TDOGroup* OnlyGroup() const {
        TDOList list;
        FSite.GetObjects(list, false);
        return list.Count() == 1 ? qobject_cast<TDOGroup*>(list[0]) : nullptr;
    }

    TDrawSite FSite;
};

TEST_F(DOGroup, AnEmptyGroupHasNoBoundsNeverHitsAndDrawsNothing) {
    TDOGroup group;
    EXPECT_EQ(group.GetBoundsRect(), TRect());
    EXPECT_FALSE(group.HitTest(TPoint(0, 0)));
    TBitmap bitmap(16, 16, pf24bit);
    bitmap.Fill(clWhite);
    group.DrawTo(bitmap.Canvas());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(bitmap.GetPixel(x, y), clWhite) << x << "," << y;
    group.OffsetBy(5, 5);
    group.ResizeTo(10, 10);
    EXPECT_EQ(group.GetBoundsRect(), TRect());
}

TEST_F(DOGroup, MembersAreOwnedCopiesThatDrawAndHitAsOne) {
    auto a = TTestRect::Make(2, 2, 6, 6, clBlue);
    auto b = TTestRect::Make(10, 4, 14, 12, clRed);
    TDOGroup group;
    group.AddObjects(ListOf({a.get(), b.get()}));
    const std::vector<TDrawObject*> members = group.Members();
    ASSERT_EQ(members.size(), 2u);
    EXPECT_NE(members[0], a.get()) << "a copy, not the object itself";
    EXPECT_EQ(members[0]->Owner(), &group);
    EXPECT_EQ(members[0]->Parent(), nullptr) << "never on a surface";
    EXPECT_EQ(qobject_cast<TTestRect*>(members[1])->Color(), clRed);
    new TTestNote(&group); // owned, but no member
    EXPECT_EQ(group.MemberCount(), 2);

    EXPECT_EQ(group.GetBoundsRect(), TRect(2, 2, 14, 12));
    const struct {
        TPoint P;
        bool Hit;
    } hits[] = {{{3, 3}, true}, {{13, 11}, true}, {{8, 5}, false}, {{3, 10}, false}};
    for (const auto& h : hits)
        EXPECT_EQ(group.HitTest(h.P), h.Hit) << h.P.x << "," << h.P.y;

    TBitmap bitmap(16, 16, pf24bit);
    bitmap.Fill(clWhite);
    group.DrawTo(bitmap.Canvas());
    EXPECT_EQ(bitmap.GetPixel(3, 3), clBlue);
    EXPECT_EQ(bitmap.GetPixel(12, 10), clRed);
    EXPECT_EQ(bitmap.GetPixel(8, 5), clWhite);

    auto* asDrawing = QueryObjectInterface<IDODrawing>(&group);
    auto* asBounds = QueryObjectInterface<IDOEncloseBounds>(&group);
    auto* asPosition = QueryObjectInterface<IDOPosition>(&group);
    ASSERT_TRUE(asDrawing && asBounds && asPosition);
    EXPECT_EQ(asPosition->GetWidth(), 12);
    EXPECT_EQ(asPosition->GetHeight(), 10);
}

TEST_F(DOGroup, MovingAndResizingMapEveryMember) {
    auto group = GroupOf({TRect(100, 100, 200, 150), TRect(300, 100, 400, 300)});
    group->OffsetBy(10, -20);
    EXPECT_EQ(MemberBounds(*group),
              (std::vector<TRect>{TRect(110, 80, 210, 130), TRect(310, 80, 410, 280)}));
    group->SetLeft(100);
    group->SetTop(100);
    EXPECT_EQ(group->GetBoundsRect(), TRect(100, 100, 400, 300));

    // Twice the width: widths and distances from the left edge double.
    group->ResizeTo(600, 200);
    EXPECT_EQ(MemberBounds(*group),
              (std::vector<TRect>{TRect(100, 100, 300, 150), TRect(500, 100, 700, 300)}));
    group->SetWidth(300);
    group->SetHeight(100);
    EXPECT_EQ(MemberBounds(*group),
              (std::vector<TRect>{TRect(100, 100, 200, 125), TRect(300, 100, 400, 200)}));
}

// Members whose bounds have no width (or height) together cannot be scaled along that axis:
// it stays as it is, and the other axis still scales.
TEST_F(DOGroup, ResizingAlongAnAxisWithoutExtentLeavesThatAxis) {
    const struct {
        const char* What;
        std::vector<TRect> Members;
        TRect Bounds;
        std::vector<TRect> Resized; // after ResizeTo(300, 300)
    } cases[] = {
        {"two vertical lines",
         {TRect(100, 100, 100, 200), TRect(100, 150, 100, 250)},
         TRect(100, 100, 100, 250),
         {TRect(100, 100, 100, 300), TRect(100, 200, 100, 400)}},
        {"two horizontal lines",
         {TRect(100, 100, 200, 100), TRect(150, 100, 250, 100)},
         TRect(100, 100, 250, 100),
         {TRect(100, 100, 300, 100), TRect(200, 100, 400, 100)}},
        {"one point", {TRect(50, 60, 50, 60)}, TRect(50, 60, 50, 60), {TRect(50, 60, 50, 60)}},
    };
    for (const auto& c : cases) {
        auto group = GroupOf(c.Members);
        EXPECT_EQ(group->GetBoundsRect(), c.Bounds) << c.What;
        group->ResizeTo(300, 300);
        EXPECT_EQ(MemberBounds(*group), c.Resized) << c.What;
    }
}

TEST_F(DOGroup, AssignReplacesTheMembersWithCopies) {
    auto source = GroupOf({TRect(0, 0, 10, 10), TRect(20, 0, 30, 10)});
    auto target = GroupOf({TRect(5, 5, 6, 6)});
    const QPointer<TDrawObject> old = target->Members()[0];
    const std::vector<TDrawObject*> sourceMembers = source->Members();
    target->Assign(source.get());
    EXPECT_TRUE(old.isNull()) << "the target's own members are freed";
    EXPECT_EQ(MemberBounds(*target), MemberBounds(*source));
    EXPECT_NE(target->Members()[0], sourceMembers[0]);
    EXPECT_EQ(source->Members(), sourceMembers) << "the source keeps its members";
    target->Assign(target.get());
    EXPECT_EQ(target->MemberCount(), 2);
}

// A group inside a group is written as a child of its group, and reads back to the same
// bytes.
TEST_F(DOGroup, NestedGroupsStreamRoundTrip) {
    auto inner = GroupOf({TRect(0, 0, 10, 10), TRect(20, 0, 30, 10)});
    auto jan = std::make_unique<TLOJANCode>();
    jan->SetBoundsRect(TRect(40, 40, 340, 140));
    jan->SetJANCode(QStringLiteral("49012342"));
    auto rect = TTestRect::Make(100, 0, 110, 10, clGreen);
    TDOGroup outer;
    outer.SetName(QStringLiteral("Outer"));
    outer.AddObjects(ListOf({rect.get(), inner.get(), jan.get()}));
    new TTestNote(&outer); // not a member: not written
    const QByteArray bytes = StreamOf(outer);

    TMemoryStream stream;
    stream.WriteBytes(bytes);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(stream);
    auto* copy = qobject_cast<TDOGroup*>(read.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->MemberCount(), 3);
    EXPECT_EQ(copy->ComponentCount(), 3);
    auto* nested = qobject_cast<TDOGroup*>(copy->Members()[1]);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->MemberCount(), 2) << "the inner members stay with the inner group";
    EXPECT_EQ(qobject_cast<TLOJANCode*>(copy->Members()[2])->JANCode(), "49012342");
    EXPECT_EQ(copy->GetBoundsRect(), outer.GetBoundsRect());
    EXPECT_EQ(StreamOf(*copy), bytes);
}

TEST_F(DOGroup, UngroupPlacesSelectedCopiesEachAnUndoStep) {
    auto group = GroupOf({TRect(0, 0, 10, 10), TRect(20, 0, 30, 10)});
    group->Ungroup();
    EXPECT_EQ(ObjectCount(), 0) << "nothing happens off a surface";

    TDOGroup* placed = group.get();
    FSite.InsertObject(group.release());
    FSite.AddObject(placed);
    placed->Ungroup();
    TDOList selected;
    FSite.GetObjects(selected, true);
    ASSERT_EQ(selected.Count(), 2);
    EXPECT_EQ(selected[0]->GetBoundsRect(), TRect(20, 0, 30, 10)) << "the last copy on top";
    EXPECT_EQ(selected[0]->Owner(), &FSite);
    EXPECT_EQ(placed->MemberCount(), 2) << "the group stays";
    EXPECT_EQ(ActionList().Count(), 2);
    ActionList().Undo();
    TDOList all;
    FSite.GetObjects(all, false);
    EXPECT_EQ(all.Count(), 2) << "one undo removes the last copy added";
    EXPECT_EQ(all[0]->GetBoundsRect(), TRect(0, 0, 10, 10));
}

// Three kinds grouped, moved, resized and ungrouped on the page; every step undoes to the
// exact page before it and redoes to the exact page after it.
TEST_F(DOGroup, GroupMoveResizeUngroupUndoEachStepExactly) {
    PlaceThreeKinds();
    FSite.SelectAll(true);
    std::vector<QByteArray> pages{PageOf(FSite)};

    TDSAGroup groupCommand;
    groupCommand.UpdateTarget(&FSite);
    ASSERT_TRUE(groupCommand.isEnabled());
    groupCommand.ExecuteTarget(&FSite);
    TDOGroup* group = OnlyGroup();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->MemberCount(), 3);
    EXPECT_TRUE(group->Selected());
    EXPECT_TRUE(qobject_cast<TLOQRCode*>(group->Members()[0])) << "bottom first";
    EXPECT_TRUE(qobject_cast<TTestRect*>(group->Members()[2]));
    EXPECT_EQ(group->GetBoundsRect(), TRect(100, 100, 700, 500));
    EXPECT_EQ(ActionList().UndoCaption(), QStringLiteral("グループ化"));
    pages.push_back(PageOf(FSite));

    auto move = std::make_unique<TDOChangeAction>(*group);
    group->OffsetBy(50, 25);
    move->SetCaption(SCaptionMove);
    TDOChangeAction::Commit(std::move(move), ActionList());
    EXPECT_EQ(group->GetBoundsRect(), TRect(150, 125, 750, 525));
    pages.push_back(PageOf(FSite));

    auto resize = std::make_unique<TDOChangeAction>(*group);
    group->ResizeTo(300, 200);
    resize->SetCaption(SCaptionResize);
    TDOChangeAction::Commit(std::move(resize), ActionList());
    EXPECT_EQ(group->GetBoundsRect().Width(), 300);
    pages.push_back(PageOf(FSite));

    TDSAUngroup ungroupCommand;
    FSite.SelectAll(true);
    ungroupCommand.UpdateTarget(&FSite);
    ASSERT_TRUE(ungroupCommand.isEnabled());
    ungroupCommand.ExecuteTarget(&FSite);
    TDOList selected;
    FSite.GetObjects(selected, true);
    EXPECT_EQ(selected.Count(), 3) << "the members' copies, selected, the group gone";
    EXPECT_EQ(ObjectCount(), 3);
    pages.push_back(PageOf(FSite));
    ASSERT_EQ(ActionList().Count(), 4);

    for (int step = 4; step >= 1; --step) {
        ActionList().Undo();
        EXPECT_EQ(PageOf(FSite), pages[step - 1]) << "undo of step " << step;
    }
    for (int step = 1; step <= 4; ++step) {
        ActionList().Redo();
        EXPECT_EQ(PageOf(FSite), pages[step]) << "redo of step " << step;
    }
}

TEST_F(DOGroup, CommandsNeedTheirTargets) {
    TDSAGroup groupCommand;
    TDSAUngroup ungroupCommand;
    Place<TTestRect>(TRect(0, 0, 10, 10))->SetSelected(true);
    groupCommand.UpdateTarget(&FSite);
    EXPECT_FALSE(groupCommand.isEnabled()) << "one object is no group";
    ungroupCommand.UpdateTarget(&FSite);
    EXPECT_FALSE(ungroupCommand.isEnabled()) << "no group selected";
}

// More members than the undo list has steps still come out, and go back, in one step.
TEST_F(DOGroup, UngroupingManyMembersIsOneUndoStep) {
    for (int i = 0; i < 12; ++i)
        Place<TTestRect>(TRect(i * 20, 0, i * 20 + 10, 10));
    FSite.SelectAll(true);
    TDSAGroup groupCommand;
    groupCommand.ExecuteTarget(&FSite);
    ASSERT_NE(OnlyGroup(), nullptr);
    ASSERT_EQ(OnlyGroup()->MemberCount(), 12);
    const QByteArray grouped = PageOf(FSite);
    ActionList().Clear();

    TDSAUngroup ungroupCommand;
    ungroupCommand.ExecuteTarget(&FSite);
    EXPECT_EQ(ObjectCount(), 12);
    EXPECT_EQ(ActionList().Count(), 1);
    ActionList().Undo();
    EXPECT_EQ(PageOf(FSite), grouped);
    EXPECT_FALSE(ActionList().CanUndo());
}
