#include "DesignTestSupport.h"
#include "UDesigner.h"

#include "UBitmap.h"
#include "UFaceInfo.h"
#include "UScaler.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

std::string Str(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
           "," + std::to_string(R.Bottom);
}

// Answers what it is told to and logs what it was asked.
class TLogDesigner : public TDODesigner {
public:
    TLogDesigner(std::string Name, std::vector<std::string>& Log, bool Answer)
        : FName(std::move(Name)), FLog(Log), FAnswer(Answer) {}
    bool LeaveCancel = false;
    bool CreateGhost(TDrawObject&, int Code) override {
        FLog.push_back(FName + " ghost " + std::to_string(Code));
        return FAnswer;
    }
    bool EditObject(TDrawObject&, bool& Cancel) override {
        FLog.push_back(FName + " edit");
        if (FAnswer && !LeaveCancel)
            Cancel = false;
        return FAnswer;
    }
    bool CreatePivots(TDrawObject&) override {
        FLog.push_back(FName + " pivots");
        return FAnswer;
    }
    std::unique_ptr<TDrawObject> CreateObject(const QString& Kind) override {
        FLog.push_back(FName + " new " + Kind.toStdString());
        return FAnswer ? std::make_unique<TTestRect>() : nullptr;
    }

private:
    std::string FName;
    std::vector<std::string>& FLog;
    bool FAnswer;
};

TEST(DesignerList, NewestRegistrationAnswersFirst) {
    std::vector<std::string> log;
    TDODesignerList list;
    list.Add(std::make_unique<TLogDesigner>("old", log, true));
    list.Add(std::make_unique<TLogDesigner>("mid", log, true));
    list.Add(std::make_unique<TLogDesigner>("new", log, false));
    TTestRect object;
    EXPECT_TRUE(list.CreateGhost(object, 3));
    EXPECT_EQ(log, (std::vector<std::string>{"new ghost 3", "mid ghost 3"}));
    log.clear();
    EXPECT_NE(list.NewObject("TLOText"), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"new new TLOText", "mid new TLOText"}));
}

TEST(DesignerList, EditAnswersTheUsersChoiceAndRefreshesHandles) {
    RegisterDesignTestObjects();
    std::vector<std::string> log;
    TDODesignerList list;
    auto& editor =
        static_cast<TLogDesigner&>(list.Add(std::make_unique<TLogDesigner>("edit", log, true)));
    TDrawSite site;
    site.SetLogWidth(1000);
    site.SetLogHeight(1000);
    auto* object = new TTestRect();
    object->SetBoundsRect(TRect(10, 10, 100, 100));
    site.InsertObject(object);
    site.AddObject(object);
    SetDesignerList(&list);
    object->SetSelected(true);
    site.UpdatePivots();
    log.clear();
    site.SetModified(true); // the handles are out of date
    EXPECT_TRUE(EditLabelObject(*object));
    editor.LeaveCancel = true;
    site.SetModified(true);
    EXPECT_FALSE(EditLabelObject(*object)) << "handled, but cancelled";
    EXPECT_EQ(log,
              (std::vector<std::string>{"edit edit", "edit pivots", "edit edit", "edit pivots"}));
    SetDesignerList(nullptr);
    EXPECT_FALSE(EditLabelObject(*object)) << "no designers: nothing edited";
}

class ObjectUtilities : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterDesignTestObjects(); }
    std::vector<std::unique_ptr<TTestRect>> FOwned;
    TDOList Objects(std::initializer_list<TRect> Rects) {
        TDOList list;
        for (const TRect& r : Rects) {
            FOwned.push_back(TTestRect::Make(r.Left, r.Top, r.Right, r.Bottom, clRed));
            list.Add(FOwned.back().get());
        }
        return list;
    }
};

TEST_F(ObjectUtilities, KeepInsideAndMap) {
    TDOList list = Objects({{-53, 100, 47, 200}, {100, 100, 200, 200}, {950, 990, 1150, 1090}});
    KeepObjectsInside(list, TRect(0, 0, 1000, 1000));
    EXPECT_EQ(Str(list[0]->GetBoundsRect()), "-40,100,60,200") << "centre 3 left: (13, 0)";
    EXPECT_EQ(Str(list[1]->GetBoundsRect()), "100,100,200,200");
    EXPECT_EQ(Str(list[2]->GetBoundsRect()), "890,940,1090,1040");

    TDOList map = Objects({{100, 200, 300, 600}, {0, 0, 1000, 1000}});
    MapObjectsToRect(map, TRect(0, 0, 1000, 1000), TRect(0, 0, 500, 500));
    EXPECT_EQ(Str(map[0]->GetBoundsRect()), "50,100,150,300");
    EXPECT_EQ(Str(map[1]->GetBoundsRect()), "0,0,500,500");
    MapObjectsToRect(map, TRect(0, 0, 500, 500), TRect(100, 50, 600, 1050));
    EXPECT_EQ(Str(map[0]->GetBoundsRect()), "150,250,250,650");
    for (const TRect& empty : {TRect(10, 10, 10, 500), TRect(0, 7, 500, 7)}) {
        MapObjectsToRect(map, empty, TRect(0, 0, 100, 100));
        EXPECT_EQ(Str(map[0]->GetBoundsRect()), "150,250,250,650") << "nothing to map from";
    }
}

TEST_F(ObjectUtilities, GraphicSizeAndReverse) {
    struct Row {
        int W, H, EW, EH;
    };
    for (const Row& r : {Row{10, 10, 30, 30}, Row{180, 360, 254, 508}, Row{21, 22, 30, 31}}) {
        const TSize s = CalcGraphicSize(r.W, r.H);
        EXPECT_EQ(s.cx, r.EW);
        EXPECT_EQ(s.cy, r.EH);
    }
    for (int n : {0, 1, 4, 5}) {
        TDOList list;
        std::vector<std::unique_ptr<TTestRect>> items;
        for (int i = 0; i < n; ++i) {
            items.push_back(std::make_unique<TTestRect>());
            list.Add(items.back().get());
        }
        ReverseList(list);
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(list[i], items[size_t(n - 1 - i)].get());
    }
}

// A test rectangle that prefers scaling down to being cut.
class TScalingRect : public TTestRect {
public:
    bool ScalesToFit() const override { return true; }
};

TEST_F(ObjectUtilities, PlaceInViewWithoutAWindowUsesThePageCentre) {
    TDrawSite site;
    site.SetLogWidth(1000);
    site.SetLogHeight(600);
    TTestRect cut;
    cut.SetBoundsRect(TRect(0, 0, 1500, 200));
    PlaceObjectInView(cut, site);
    EXPECT_EQ(Str(cut.GetBoundsRect()), "0,200,1000,400");
    TScalingRect scaled;
    scaled.SetBoundsRect(TRect(0, 0, 2000, 400));
    PlaceObjectInView(scaled, site);
    EXPECT_EQ(Str(scaled.GetBoundsRect()), "0,200,1000,400");
    TScalingRect small;
    small.SetBoundsRect(TRect(10, 10, 110, 60));
    PlaceObjectInView(small, site);
    EXPECT_EQ(Str(small.GetBoundsRect()), "450,275,550,325");
}

TEST_F(ObjectUtilities, RenderAFaceAndPaintOutsideIt) {
    TFaceInfo face;
    face.SetRect(TRect(500, 500, 1500, 1500)); // a CD face of 100 mm
    face.SetFaceShape(fsDoughnut);
    TDOList list;
    auto* object = new TTestRect(); // consumed
    object->SetBoundsRect(TRect(0, 0, 1000, 1000));
    object->SetColor(clRed);
    QPointer<TTestRect> watch(object);
    list.Add(object);
    TBitmap bitmap;
    bitmap.Canvas().Brush().SetColor(clLime);
    RenderObjectsToBitmap(face, list, bitmap, 50);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_TRUE(watch.isNull()) << "the temporary surface frees the objects";
    const int side = MulDiv(1000, GetScreenPixelsPerInch(), 254) / 2;
    EXPECT_NEAR(bitmap.Width(), side, 1);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    const int c = bitmap.Width() / 2;
    EXPECT_EQ(bitmap.GetPixel(c, c), clRed) << "the hole is part of the face";
    EXPECT_EQ(bitmap.GetPixel(c, 3), clRed);
    EXPECT_EQ(bitmap.GetPixel(2, 2), clLime) << "outside the disc";
    EXPECT_EQ(bitmap.GetPixel(bitmap.Width() - 2, bitmap.Height() - 2), clLime);

    TDOList two;
    auto* a = new TTestRect();
    a->SetBoundsRect(TRect(0, 0, 500, 1000));
    a->SetColor(clBlue);
    two.Add(a);
    TBitmap graphic;
    DrawObjectsToGraphic(face, two, graphic, -1, 60, 40);
    EXPECT_EQ(graphic.Width(), 40);
    EXPECT_EQ(graphic.Height(), 40);
    const TColor left = graphic.GetPixel(12, 20);
    EXPECT_GT(left >> 16 & 0xFF, 200) << "the blue half, resampled";

    TFaceInfo flat;
    flat.SetRect(TRect(0, 0, 0, 100));
    TDOList none;
    QPointer<TTestRect> freed = new TTestRect();
    none.Add(freed);
    TBitmap untouched(5, 5, pf24bit);
    DrawObjectsToGraphic(flat, none, untouched, 300, 60, 40);
    EXPECT_EQ(untouched.Width(), 5) << "a face without width draws nothing";
    EXPECT_TRUE(freed.isNull());
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(ObjectUtilities, HitToleranceAndHitBitmap) {
    TDrawSite site;
    site.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
    site.Scaler().SetScale(10); // ten units a pixel
    site.SetLogWidth(1000);
    site.SetLogHeight(1000);
    auto* object = new TTestRect();
    object->SetBoundsRect(TRect(0, 0, 100, 100));
    site.InsertObject(object);
    site.AddObject(object);
    EXPECT_EQ(CalcHitTolerance(*object, 5), 20);
    EXPECT_EQ(CalcHitTolerance(*object, 25), 25);
    TTestRect off;
    EXPECT_EQ(CalcHitTolerance(off, 5), 5);

    TBitmap probe;
    PrepareHitBitmap(*object, probe, TPoint(300, 200), 4);
    EXPECT_EQ(probe.Width(), 1);
    EXPECT_EQ(probe.Canvas().Pen().Width(), 14);
    EXPECT_EQ(probe.Canvas().Pen().Style(), psInsideFrame);
    probe.Fill(clWhite);
    probe.Canvas().MoveTo(300, 100);
    probe.Canvas().LineTo(300, 300);
    EXPECT_EQ(probe.GetPixel(0, 0), clBlack) << "the stroke passes the point";
    probe.Fill(clWhite);
    probe.Canvas().MoveTo(330, 100);
    probe.Canvas().LineTo(330, 300);
    EXPECT_EQ(probe.GetPixel(0, 0), clWhite);
    PrepareHitBitmap(off, probe, TPoint(0, 0), 4);
    EXPECT_EQ(probe.Canvas().Pen().Width(), 7);
}

} // namespace
