#include "DesignTestSupport.h"
#include "ULOFace.h"
#include "URectGhost.h"

#include "UBitmap.h"
#include "UClasses.h"
#include "UScaler.h"

#include <gtest/gtest.h>

// A face class of an editor window.
class TTestFace : public TLOFace {
    Q_OBJECT
public:
    explicit TTestFace(TComponent* Owner = nullptr) : TLOFace(Owner) {}
};

namespace {

// A sheet of CD labels: Count discs of 1200 across with a 410 hole, side by side.
class TTestPaper : public IPaperFaces {
public:
    explicit TTestPaper(int Count) : FCount(Count) {}
    int GetFaceCount() const override { return FCount; }
    void GetFaceInfo(int I, TFaceInfo& Info) const override {
        Info.SetRect(TRect(100 + 1300 * I, 100, 1300 + 1300 * I, 1300));
        Info.SetFaceShape(fsDoughnut);
        Info.SetPurpose(QStringLiteral("CD"));
    }

private:
    int FCount;
};

class Faces : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterDesignTestObjects();
        RegisterClasses<TTestFace>();
    }
    void SetUp() override {
        FDesigners.Add(std::make_unique<TDORectGhostDesigner>());
        InstallGhostList();
        SetDesignerList(&FDesigners);
        FSite.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
        FSite.Scaler().SetScale(10); // ten units a pixel
        FSite.SetLogWidth(4000);
        FSite.SetLogHeight(1400);
    }
    void TearDown() override {
        TheGhostList().Cancel();
        ActionList().Clear();
        SetGhostList(nullptr);
        SetDesignerList(nullptr);
    }
    // A left press and release at the logical point P.
    void Click(const TPoint& P) {
        const TPoint d = FSite.LPtoDP(P);
        FSite.WndMouseDown(mbLeft, {}, d, false);
        FSite.WndMouseUp(mbLeft, {}, d);
    }

    TDODesignerList FDesigners;
    TDrawSite FSite;
};

TEST_F(Faces, CreatedFromAPaperAndFoundByIndex) {
    CreateFaceObjects(FSite, TTestPaper(3), false, &TTestFace::staticMetaObject, false);
    ASSERT_EQ(GetFaceCount(FSite), 3);
    for (int i = 0; i < 3; ++i) {
        TLOFace* face = GetFaceByIndex(FSite, i);
        ASSERT_NE(face, nullptr);
        EXPECT_STREQ(face->metaObject()->className(), "TTestFace");
        EXPECT_EQ(face->GetFaceIndex(), i);
        EXPECT_EQ(face->Owner(), &FSite);
        EXPECT_EQ(face->GetBoundsRect(), TRect(100 + 1300 * i, 100, 1300 + 1300 * i, 1300));
    }
    EXPECT_EQ(GetFaceByIndex(FSite, 3), nullptr);
    EXPECT_EQ(GetFaceByIndex(FSite, -1), nullptr);
    EXPECT_EQ(GetCheckedFace(FSite), nullptr);
    CheckFace(FSite, 1);
    CheckFace(FSite, 7);
    EXPECT_EQ(GetCheckedFace(FSite), GetFaceByIndex(FSite, 1));
}

TEST_F(Faces, CdFaceIsCheckedAndUncheckedByClicks) {
    CreateFaceObjects(FSite, TTestPaper(1), false, nullptr, false);
    TLOFace* face = GetFaceByIndex(FSite, 0);
    int changes = 0;
    face->OnCheckChanged = [&](TComponent*) { ++changes; };
    Click({700, 700}); // in the centre hole: still the face
    EXPECT_TRUE(face->Checked());
    Click({700, 300});
    EXPECT_FALSE(face->Checked());
    EXPECT_EQ(changes, 2);
    Click({130, 130}); // inside the bounding square, outside the disc
    EXPECT_FALSE(face->Checked());
    EXPECT_EQ(changes, 2);

    EXPECT_TRUE(face->HitTest({700, 700}));
    EXPECT_TRUE(face->HitTest({700, 120}));
    EXPECT_FALSE(face->HitTest({130, 130}));
    EXPECT_FALSE(face->HitTest({1310, 700}));
}

TEST_F(Faces, ExclusiveFacesCheckOneAtATime) {
    CreateFaceObjects(FSite, TTestPaper(2), true, nullptr, false);
    TLOFace* first = GetFaceByIndex(FSite, 0);
    TLOFace* second = GetFaceByIndex(FSite, 1);
    Click({700, 300});
    EXPECT_TRUE(first->Checked());
    Click({2000, 300});
    EXPECT_FALSE(first->Checked());
    EXPECT_TRUE(second->Checked());
    int changes = 0;
    second->OnCheckChanged = [&](TComponent*) { ++changes; };
    Click({2000, 300});
    EXPECT_TRUE(second->Checked()) << "a checked exclusive face stays checked";
    EXPECT_EQ(changes, 0);
}

TEST_F(Faces, OnlyEditableFacesChangeOnASurface) {
    CreateFaceObjects(FSite, TTestPaper(2), false, nullptr, false);
    TLOFace* fixed = GetFaceByIndex(FSite, 0);
    fixed->SetBoundsRect(TRect(0, 0, 500, 500));
    EXPECT_EQ(fixed->GetBoundsRect(), TRect(100, 100, 1300, 1300));
    TFaceInfo other;
    other.SetRect(TRect(0, 0, 10, 10));
    fixed->SetFaceInfo(other);
    EXPECT_EQ(fixed->FaceInfo().GetRect(), TRect(100, 100, 1300, 1300));
    fixed->SetSelected(true);
    FSite.SetModified(true);
    FSite.UpdatePivots();
    EXPECT_EQ(FSite.ControlCount(), 2) << "no handles";

    TLOFace* editable = GetFaceByIndex(FSite, 1);
    editable->SetEditable(true);
    fixed->SetSelected(false);
    editable->SetSelected(true);
    FSite.SetModified(true);
    FSite.UpdatePivots();
    EXPECT_EQ(FSite.ControlCount(), 10) << "eight handles";
    editable->SetBoundsRect(TRect(1400, 100, 2400, 1100));
    EXPECT_EQ(editable->FaceInfo().GetMarginRect(), TRect(1400, 100, 2400, 1100));
    editable->ResizeTo(800, 800);
    EXPECT_EQ(editable->FaceInfo().GetRect(), TRect(1400, 100, 2200, 900));
}

TEST_F(Faces, MoveGhostOnAFixedFaceChangesNothing) {
    CreateFaceObjects(FSite, TTestPaper(1), false, nullptr, false);
    TLOFace* face = GetFaceByIndex(FSite, 0);
    const TPoint a = FSite.LPtoDP({700, 300});
    FSite.WndMouseDown(mbLeft, {}, a, false);
    ASSERT_EQ(TheGhostList().Count(), 1);
    EXPECT_NE(dynamic_cast<TSimpleMoveGhost*>(TheGhostList().Ghosts(0)), nullptr);
    FSite.WndMouseMove(ssLeft, TPoint(a.x + 30, a.y));
    FSite.WndMouseUp(mbLeft, {}, TPoint(a.x + 30, a.y));
    EXPECT_EQ(face->GetBoundsRect(), TRect(100, 100, 1300, 1300));
}

TEST_F(Faces, CaptionSizeFollowsTheZoom) {
    CreateFaceObjects(FSite, TTestPaper(1), false, nullptr, false);
    TLOFace* face = GetFaceByIndex(FSite, 0);
    struct Row {
        int Zoom;
        int Size;
    };
    for (const Row& row : {Row{50, 24}, Row{100, 12}, Row{400, 3}, Row{2400, 1}, Row{5000, 1}}) {
        SCOPED_TRACE(row.Zoom);
        FSite.Scaler().SetScale(row.Zoom);
        EXPECT_EQ(face->CaptionFontSize(), row.Size);
    }
}

// The blue caption "0 [CD]" drawn at the face's top-left at several zooms keeps about the
// same size on the screen.
TEST_F(Faces, CaptionIsDrawnAtEveryZoom) {
    CreateFaceObjects(FSite, TTestPaper(1), false, nullptr, false);
    TLOFace* face = GetFaceByIndex(FSite, 0);
    face->SetShowNumber(true);
    FSite.SetBorder(false);
    std::vector<int> heights;
    for (int zoom : {50, 100, 400}) {
        SCOPED_TRACE(zoom);
        FSite.Scaler().SetScale(zoom);
        // Around the face's top-left corner, where the caption lies: (100, 100) is
        // (zoom, zoom) pixels at this zoom.
        TBitmap bitmap(300, 200, pf24bit);
        bitmap.Fill(clWhite);
        FSite.DrawTo(bitmap.Canvas(), TPoint(zoom - 10, zoom - 10), zoom);
        int top = bitmap.Height(), bottom = -1, left = bitmap.Width();
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (bitmap.GetPixel(x, y) == TColor(0xFF0000)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                    left = std::min(left, x);
                }
        ASSERT_GE(bottom, 0) << "caption drawn";
        EXPECT_NEAR(left, 10, 4);
        EXPECT_NEAR(top, 10, 6);
        heights.push_back(bottom - top + 1);
    }
    EXPECT_NEAR(heights[0], heights[1], 3);
    EXPECT_NEAR(heights[2], heights[1], 3);
}

TEST_F(Faces, CheckedFaceIsFilledWithItsColour) {
    CreateFaceObjects(FSite, TTestPaper(1), false, nullptr, false);
    TLOFace* face = GetFaceByIndex(FSite, 0);
    FSite.SetBorder(false);
    TBitmap bitmap(140, 140, pf24bit);
    bitmap.Fill(clGray);
    FSite.DrawTo(bitmap.Canvas(), TPoint(0, 0), 10);
    EXPECT_EQ(bitmap.GetPixel(70, 30), clWhite);
    EXPECT_EQ(bitmap.GetPixel(70, 70), clWhite) << "the hole outline, filled too";
    EXPECT_EQ(bitmap.GetPixel(12, 12), clGray) << "outside the disc";
    face->SetChecked(true);
    FSite.DrawTo(bitmap.Canvas(), TPoint(0, 0), 10);
    EXPECT_EQ(bitmap.GetPixel(70, 30), TLOFace::DefaultCheckedColor);
}

} // namespace

#include "TestULOFace.moc"
