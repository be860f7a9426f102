#include "ULOText.h"

#include "ObjectTestSupport.h"
#include "UBitmap.h"
#include "UCurveGeometry.h"
#include "UDrawSite.h"
#include "UObjectFactory.h"
#include "UPropStream.h"
#include "UStreams.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArray StreamOf(TComponent& C) {
    TMemoryStream s;
    WriteComponent(s, C);
    return s.Bytes();
}

std::unique_ptr<TLOText> ReadText(const QByteArray& Bytes) {
    TMemoryStream s(Bytes);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* text = qobject_cast<TLOText*>(read.get());
    if (!text)
        return nullptr;
    read.release();
    return std::unique_ptr<TLOText>(text);
}

// The name of a property as a stream spells it: a length byte and the name.
QByteArray PropertyName(const char* Name) {
    return QByteArray(1, char(std::strlen(Name))) + QByteArray(Name);
}

class TextObject : public ::testing::Test {
protected:
    void SetUp() override { RegisterObjectClasses(); }
};

int FontHeightAt(int Size) {
    TSimpleText t;
    t.Font()->SetSize(Size);
    return t.GetFontHeight();
}

} // namespace

TEST_F(TextObject, NewTextDefaultsAndWhatItsStreamCarries) {
    TLOText t;
    EXPECT_EQ(t.Font()->Size(), 24);
    EXPECT_EQ(t.DistortionRatio(), 100);
    EXPECT_EQ(t.GetAlign(), 0);
    EXPECT_EQ(t.Shadow(), 0);
    EXPECT_EQ(t.Version(), 1);
    EXPECT_EQ(t.VersionRead(), 0);
    const QByteArray s = StreamOf(t);
    EXPECT_TRUE(s.contains(PropertyName("Version") + char(vaInt8) + char(1)));
    EXPECT_TRUE(s.contains(PropertyName("Shadow") + char(vaInt8) + char(0)));
    EXPECT_FALSE(s.contains(PropertyName("ShadowOffsetX")));
    EXPECT_FALSE(s.contains(PropertyName("DiagonalAlign")));
    EXPECT_FALSE(s.contains(PropertyName("Align"))) << "Align 0 is the default";
    EXPECT_TRUE(s.contains(PropertyName("OutLineWidth")));
    EXPECT_TRUE(s.contains(PropertyName("CoonsDistortion.Data")));
}

TEST_F(TextObject, ShadowIsStoredAsPresetOrAsOffsets) {
    struct {
        int X, Y;
        bool Preset;
        int Index;
    } const cases[] = {{0, 0, true, 0}, {7, 0, true, 5},  {-7, -7, true, 1},
                       {7, 7, true, 8}, {3, 3, false, 9}, {0, 12, false, 9}};
    for (const auto& c : cases) {
        TLOText t;
        t.SetShadowOffsetX(c.X);
        t.SetShadowOffsetY(c.Y);
        EXPECT_EQ(t.Shadow(), c.Index) << c.X << "," << c.Y;
        const QByteArray s = StreamOf(t);
        EXPECT_EQ(s.contains(PropertyName("Shadow")), c.Preset) << c.X << "," << c.Y;
        EXPECT_EQ(s.contains(PropertyName("ShadowOffsetX")), !c.Preset) << c.X << "," << c.Y;
        EXPECT_EQ(s.contains(PropertyName("ShadowOffsetY")), !c.Preset) << c.X << "," << c.Y;
        auto read = ReadText(s);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->ShadowOffsetX(), c.X);
        EXPECT_EQ(read->ShadowOffsetY(), c.Y);
    }
    TLOText t;
    t.SetShadow(3);
    EXPECT_EQ(TPoint(t.ShadowOffsetX(), t.ShadowOffsetY()), TPoint(7, -7));
    for (int bad : {9, -1, 100}) {
        t.SetShadow(bad);
        EXPECT_EQ(TPoint(t.ShadowOffsetX(), t.ShadowOffsetY()), TPoint(7, -7)) << bad;
    }
}

TEST_F(TextObject, AngleIsNormalisedForEveryInput) {
    const std::pair<int, int> cases[] = {{-90, 270}, {450, 90},  {-450, 270}, {720, 0},
                                         {-1, 359},  {359, 359}, {-360, 0},   {-721, 359}};
    for (const auto& [in, out] : cases) {
        TLOText t;
        t.SetAngle(in);
        EXPECT_EQ(t.GetAngle(), out) << in;
        EXPECT_EQ(t.SimpleText().Angle(), out) << in;
    }
}

TEST_F(TextObject, EveryPropertySurvivesAStreamRoundTripByteForByte) {
    TLOText t;
    t.SetBoundsRect(TRect(100, 200, 900, 500));
    t.SetPlainText(u"写真\r\nカレンダー"_qs);
    t.Font()->SetName(QStringLiteral("IPAMincho"));
    t.Font()->SetSize(30);
    t.Font()->SetStyle(TFont::fsBold);
    t.SetAlign(2);
    t.SetCharSpacing(5);
    t.SetLineSpacing(7);
    t.SetAngle(30);
    t.CoonsDistortion()->SetTopCount(2);
    t.CoonsDistortion()->SetRightCount(2);
    t.CoonsDistortion()->SetBottomCount(2);
    t.CoonsDistortion()->SetLeftCount(2);
    t.CoonsDistortion()->SetTopPoint(0, {0, 0.1L});
    t.CoonsDistortion()->SetTopPoint(1, {1, -0.1L});
    t.CoonsDistortion()->SetBottomPoint(0, {0, 1});
    t.CoonsDistortion()->SetBottomPoint(1, {1, 1.2L});
    t.SetDistortionRatio(60);
    t.TextColor()->SetKind(cskGradation);
    t.TextColor()->SetGradColNum(2);
    t.TextColor()->SetGradColor0(0x0000FF);
    t.TextColor()->SetGradColor1(0xFF0000);
    t.SetOutline(true);
    t.OutlineColor()->SetColor(0x00FF00);
    t.SetOutLineWidth(4);
    t.SetShadowOffsetX(3);
    t.SetShadowOffsetY(-4);
    t.ShadowColor()->SetColor(0x808080);
    t.SetAutoSize(true);
    t.SetFieldNo(12);
    t.SetFieldType(ftCreatorEnglish);
    t.SetHanToZen(true);
    t.SetNumToKnj(true);
    t.SetMinusExc(true);
    t.SetFeedAngle(45);
    t.SetBlendRatio(50);
    const QByteArray first = StreamOf(t);
    auto read = ReadText(first);
    ASSERT_TRUE(read);
    EXPECT_EQ(StreamOf(*read), first);
    EXPECT_EQ(read->PlainText(), t.PlainText());
    EXPECT_EQ(read->GetAngle(), 30);
    EXPECT_EQ(read->FieldType(), ftCreatorEnglish);
    EXPECT_EQ(read->TextColor()->Kind(), cskGradation);
    EXPECT_EQ(read->GetRect(), TRect(100, 200, 900, 500)) << "reading does not turn the rect";

    // A copy made by Assign writes the same stream.
    TLOText copy;
    copy.Assign(&t);
    EXPECT_EQ(StreamOf(copy), first);
}

TEST_F(TextObject, OldStreamsConvertArcAlignments) {
    const int h = FontHeightAt(6);
    // Align 4 on a wide rectangle: a square of the height, centred, shrunk by half the font
    // height on every side; Align 5 bulges the other way.
    for (int align : {4, 5}) {
        const QByteArray s = THandStream("TLOText")
                                 .Int("Left", 1000)
                                 .Int("Top", 500)
                                 .Int("Width", 100)
                                 .Int("Height", 40)
                                 .Lines("Text.Strings", {"ABC", "second"})
                                 .Int("Font.Size", 6)
                                 .Int("Align", align)
                                 .Int("CharSpacing", 3)
                                 .Finish();
        auto t = ReadText(s);
        ASSERT_TRUE(t) << align;
        const int side = 40 - 2 * (h / 2);
        EXPECT_EQ(t->GetRect(),
                  TRect(1030 + h / 2, 500 + h / 2, 1030 + h / 2 + side, 500 + h / 2 + side))
            << align;
        EXPECT_EQ(t->Bulge(), align == 4 ? (40 - h) / 2 : (h - 40) / 2);
        // No Version: a bulged text of an older version is centred, unspaced, one line.
        EXPECT_EQ(t->GetAlign(), 1);
        EXPECT_EQ(t->CharSpacing(), 0);
        EXPECT_EQ(t->Text().Count(), 1);
        EXPECT_EQ(t->Text()[0], QStringLiteral("ABC"));
    }
}

TEST_F(TextObject, OldVerticalArcTextBecomesASquareTurnedBack) {
    const QByteArray s = THandStream("TLOText")
                             .Int("Left", 0)
                             .Int("Top", 0)
                             .Int("Width", 100)
                             .Int("Height", 300)
                             .Lines("Text.Strings", {"A", "B"})
                             .Bool("Vertical", true)
                             .Int("Bulge", 30)
                             .Finish();
    auto t = ReadText(s);
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->GetVertical());
    EXPECT_EQ(t->GetRect(), TRect(0, 100, 100, 200)) << "square, centred on the old rect";
    EXPECT_EQ(t->GetAngle(), 270);
    EXPECT_EQ(t->Text().Count(), 1);

    // The same with Version 1 is taken as it stands.
    const QByteArray current = THandStream("TLOText")
                                   .Int("Width", 100)
                                   .Int("Height", 300)
                                   .Int("Version", 1)
                                   .Lines("Text.Strings", {"A", "B"})
                                   .Bool("Vertical", true)
                                   .Int("Bulge", 30)
                                   .Finish();
    auto c = ReadText(current);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->GetRect(), TRect(0, 0, 100, 300));
    EXPECT_EQ(c->Text().Count(), 2);
    EXPECT_EQ(c->GetAngle(), 0);
}

TEST_F(TextObject, ReadingFixesUpOutlineWidthAndDiagonalAlign) {
    auto outlined =
        ReadText(THandStream("TLOText").Bool("Outline", true).Int("OutLineWidth", 0).Finish());
    ASSERT_TRUE(outlined);
    EXPECT_EQ(outlined->OutLineWidth(), 1);
    const std::pair<int, int> diagonal[] = {{1, 45}, {4, 45}, {2, -45}, {3, -45}, {5, 0}, {0, 0}};
    for (const auto& [value, feed] : diagonal) {
        auto t = ReadText(THandStream("TLOText").Int("DiagonalAlign", value).Finish());
        ASSERT_TRUE(t);
        EXPECT_EQ(t->GetFeedAngle(), feed) << value;
    }
}

TEST_F(TextObject, VerticalTurnsTheRectExceptWhileAssigning) {
    TLOText t;
    t.SetBoundsRect(TRect(0, 0, 100, 40));
    t.SetVertical(true);
    EXPECT_EQ(t.GetRect(), TRect(30, -30, 70, 70));
    t.SetVertical(false);
    EXPECT_EQ(t.GetRect(), TRect(0, 0, 100, 40));

    TLOText source;
    source.SetBoundsRect(TRect(0, 0, 100, 40));
    source.SetVertical(true);
    TLOText dest;
    dest.Assign(&source);
    EXPECT_EQ(dest.GetRect(), source.GetRect());
    EXPECT_TRUE(dest.GetVertical());
}

TEST_F(TextObject, InterfacesAnsweredAndRefused) {
    TLOText t;
    EXPECT_EQ(QueryObjectInterface<IDOShadow>(&t), nullptr);
    for (const TGUID& id : {IDOFeedAngle::IID, IDOBlend::IID, IDOColor::IID, IDOCurve::IID,
                            IDOAlign::IID, IDOFont::IID, IDOVertical::IID, IDOAutoSize::IID,
                            IDORotate::IID, IDORect::IID, IDOPosition::IID, IDODrawing::IID}) {
        void* p = nullptr;
        EXPECT_TRUE(t.QueryInterface(id, &p)) << id.ToString().toStdString();
    }
    t.CoonsDistortion()->SetTopCount(2);
    t.CoonsDistortion()->SetRightCount(2);
    t.CoonsDistortion()->SetBottomCount(2);
    t.CoonsDistortion()->SetLeftCount(2);
    EXPECT_TRUE(t.Distorted());
    EXPECT_EQ(QueryObjectInterface<IDOCurve>(&t), nullptr) << "distorted without bulge";
    t.SetBulge(20);
    EXPECT_FALSE(t.Distorted()) << "bulge wins";
    EXPECT_NE(QueryObjectInterface<IDOCurve>(&t), nullptr);
    EXPECT_EQ(QueryObjectInterface<IDOColor>(&t)->GetColor(), t.TextColor());
}

TEST_F(TextObject, AutoSizeFitsOnlyOnASurfaceAndKeepsTheAnchor) {
    TLOText loose;
    loose.SetBoundsRect(TRect(0, 0, 5000, 5000));
    loose.SetAutoSize(true);
    loose.SetPlainText("ABC");
    EXPECT_EQ(loose.GetRect(), TRect(0, 0, 5000, 5000)) << "not on a surface";

    auto site = MakeTestSite(10000, 10000);
    struct {
        int Align;
        bool Vertical;
    } const cases[] = {{0, false}, {1, false}, {2, false}, {0, true}, {1, true}, {2, true}};
    for (const auto& c : cases) {
        auto* t = new TLOText(site.get());
        t->SetBoundsRect(TRect(1000, 1000, 5000, 5000));
        t->SetVertical(c.Vertical);
        t->SetBoundsRect(TRect(1000, 1000, 5000, 5000));
        t->SetAlign(c.Align);
        t->SetPlainText("ABC");
        t->SetAutoSize(true);
        site->AddObject(t);
        const TRect r = t->GetRect();
        const TRect expected = t->SimpleText().GetTextBounds(TRect(1000, 1000, 5000, 5000), true);
        EXPECT_EQ(r, expected) << c.Align << c.Vertical;
        // The anchor of the alignment stays on the page.
        if (!c.Vertical && c.Align == 0) {
            EXPECT_EQ(TPoint(r.Left, r.Top), TPoint(1000, 1000));
        }
        if (!c.Vertical && c.Align == 2) {
            EXPECT_EQ(r.Right, 5000);
        }
        if (c.Vertical) {
            EXPECT_EQ(r.Right, 5000);
        }
    }

    // A tiny text grows to 20 x 20, centred or right-aligned as its alignment says.
    for (int align : {0, 1, 2}) {
        auto* t = new TLOText(site.get());
        t->SetBoundsRect(TRect(100, 100, 300, 300));
        t->Font()->SetSize(1);
        t->SetAlign(align);
        t->SetPlainText("i");
        t->SetAutoSize(true);
        site->AddObject(t);
        const TRect r = t->GetRect();
        EXPECT_EQ(r.Width(), 20) << align;
        EXPECT_EQ(r.Height(), 20) << align;
        if (align == 1) {
            EXPECT_EQ(r.Left, 190);
        }
        if (align == 2) {
            EXPECT_EQ(r.Right, 300);
        }
    }
}

TEST_F(TextObject, RotatedAutoSizeKeepsTheTurnedAnchorInPlace) {
    auto site = MakeTestSite(10000, 10000);
    auto* t = new TLOText(site.get());
    t->SetBoundsRect(TRect(1000, 1000, 5000, 3000));
    t->SetAngle(90);
    t->SetPlainText("ABC");
    site->AddObject(t);
    TRotator before;
    before.SetCenter(RectCenter(t->GetRect()));
    before.SetAngle(90);
    TPoint anchor(1000, 1000);
    before.TransformPoint(anchor);
    t->SetAutoSize(true);
    t->ApplyAutoSize();
    TRotator after;
    after.SetCenter(RectCenter(t->GetRect()));
    after.SetAngle(90);
    TPoint moved(t->GetRect().Left, t->GetRect().Top);
    after.TransformPoint(moved);
    EXPECT_NEAR(moved.x, anchor.x, 1);
    EXPECT_NEAR(moved.y, anchor.y, 1);
    EXPECT_LT(t->Width(), 4000);
}

TEST_F(TextObject, ReadingAPageRefitsTextsWithoutMarkingItModified) {
    auto site = MakeTestSite(10000, 10000);
    auto* t = new TLOText(site.get());
    t->SetName("Text1");
    t->SetBoundsRect(TRect(100, 100, 4000, 4000));
    t->SetPlainText("ABC");
    site->AddObject(t);
    t->SetAutoSize(true); // a plain store: the rect stays as another machine's metrics left it
    ASSERT_EQ(t->GetRect(), TRect(100, 100, 4000, 4000));
    site->SetModified(false);
    TMemoryStream s;
    WriteComponent(s, *site);
    s.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* copy = qobject_cast<TDrawSite*>(read.get());
    ASSERT_NE(copy, nullptr);
    TDOList objects;
    copy->GetObjects(objects, false);
    ASSERT_EQ(objects.Count(), 1);
    auto* text = qobject_cast<TLOText*>(objects[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_NE(text->GetRect(), TRect(100, 100, 4000, 4000)) << "re-fitted to the text";
    EXPECT_EQ(TPoint(text->Left(), text->Top()), TPoint(100, 100));
    EXPECT_FALSE(copy->Modified());

    // A change after loading does mark the page.
    text->SetPlainText("ABCD");
    EXPECT_TRUE(copy->Modified());
}

TEST_F(TextObject, ResizeToKeepsMarginsAndNeverFlips) {
    TLOText t;
    t.SetBoundsRect(TRect(0, 0, 400, 200));
    t.SetOutLineWidth(10);
    EXPECT_EQ(t.GetBoundsRect().Width(), 420);
    t.ResizeTo(620, 320);
    EXPECT_EQ(t.GetRect(), TRect(0, 0, 600, 300)) << "outline margins kept";

    TLOText rotated;
    rotated.SetBoundsRect(TRect(0, 0, 400, 200));
    rotated.SetAngle(90);
    const TRect b = rotated.GetBoundsRect();
    rotated.ResizeTo(b.Width() * 2, b.Height() * 2);
    EXPECT_NEAR(rotated.Width(), 800, 2);
    EXPECT_NEAR(rotated.Height(), 400, 2);

    // Degenerate bounds: the dimension stays instead of becoming -1.
    TLOText flat;
    flat.SetBoundsRect(TRect(50, 50, 50, 50));
    flat.SetAngle(45);
    ASSERT_EQ(flat.GetBoundsRect().Width(), 0);
    flat.ResizeTo(300, 300);
    EXPECT_EQ(flat.Width(), 0);
    EXPECT_EQ(flat.Height(), 0);
    EXPECT_EQ(flat.GetRect(), TRect(50, 50, 50, 50));
}

TEST_F(TextObject, HitTestingStraightTurnedAndBulged) {
    TLOText t;
    t.SetBoundsRect(TRect(0, 0, 400, 100));
    t.SetPlainText("ABCDEFG");
    EXPECT_TRUE(t.HitTest(TPoint(10, 10)));
    EXPECT_FALSE(t.HitTest(TPoint(10, 150)));
    t.SetAngle(90); // now standing about (200, 50)
    EXPECT_TRUE(t.HitTest(TPoint(200, 200)));
    EXPECT_FALSE(t.HitTest(TPoint(10, 10)));

    TLOText arc;
    arc.SetBoundsRect(TRect(0, 0, 1000, 100));
    arc.SetPlainText("ABCDEFGHIJ");
    arc.SetBulge(300);
    // The band runs through the arc's middle point above the chord ...
    const TPoint top = GetBulgePoint(TPoint(0, 50), TPoint(1000, 50), 300);
    EXPECT_TRUE(arc.HitTest(TPoint(top.x, top.y + 10)));
    // ... not through the chord's middle, which lies inside the arc, nor far outside.
    EXPECT_FALSE(arc.HitTest(TPoint(500, 50)));
    EXPECT_FALSE(arc.HitTest(TPoint(500, -2000)));
    EXPECT_TRUE(
        IsRectInside(TRect(top.x - 1, top.y - 1, top.x + 1, top.y + 1), arc.GetBoundsRect()));

    // A chord too short for an arc: the text is hit as its rectangle, not everywhere.
    TLOText degenerate;
    degenerate.SetBoundsRect(TRect(100, 100, 100, 140));
    degenerate.SetBulge(50);
    EXPECT_FALSE(degenerate.HitTest(TPoint(5000, 5000)));
    EXPECT_FALSE(degenerate.HitTest(TPoint(0, 0)));
}

TEST_F(TextObject, BoundsGrowWithOutlineAndShadow) {
    TLOText t;
    t.SetBoundsRect(TRect(1000, 1000, 2000, 1500));
    EXPECT_EQ(t.GetBoundsRect(), TRect(1000, 1000, 2000, 1500));
    t.SetOutLineWidth(5);
    EXPECT_EQ(t.GetBoundsRect(), TRect(995, 995, 2005, 1505));
    t.SetShadow(8); // (7 %, 7 %) of the font height
    const int d = MulDiv(t.SimpleText().GetFontHeight(), 7, 100);
    ASSERT_GT(d, 5);
    EXPECT_EQ(t.GetBoundsRect(), TRect(995, 995, 2000 + d, 1500 + d));
    t.SetAngle(180); // the shadow offset stays down and right on the page
    EXPECT_EQ(t.GetBoundsRect(), TRect(995, 995, 2000 + d, 1500 + d));
}

TEST_F(TextObject, BulgeDragSetsBulgeAndTurnsWithTheChord) {
    TLOText t;
    t.SetBoundsRect(TRect(0, 0, 1000, 100));
    t.SetPlainText("ABC");
    t.SetAutoSize(true);
    t.BeginBulgeDrag();
    EXPECT_TRUE(t.CurveEditing());
    EXPECT_EQ(t.GetStartPoint(), TPoint(0, 50));
    EXPECT_EQ(t.GetEndPoint(), TPoint(1000, 50));
    t.SetBulgePoint(TPoint(500, -150));
    EXPECT_EQ(t.Bulge(), 200);
    t.EndBulgeDrag();
    EXPECT_FALSE(t.CurveEditing());
    EXPECT_FALSE(t.GetAutoSize());
    EXPECT_EQ(t.GetRect(), TRect(0, 0, 1000, 100));
    EXPECT_EQ(t.GetAngle(), 0);
    EXPECT_EQ(t.GetBulgePoint(), TPoint(500, -150));

    // A chord turned to point down turns the text by 90 degrees about the chord's middle.
    t.BeginBulgeDrag();
    t.SetStartPoint(TPoint(500, -450));
    t.SetEndPoint(TPoint(500, 550));
    t.EndBulgeDrag();
    EXPECT_EQ(t.GetAngle(), 90);
    EXPECT_EQ(t.GetRect(), TRect(0, 0, 1000, 100));
    EXPECT_EQ(t.GetStartPoint(), TPoint(500, -450));
}

TEST_F(TextObject, RotateToTurnsABulgedTextAboutItsVisibleCentre) {
    TLOText plain;
    plain.SetBoundsRect(TRect(0, 0, 1000, 100));
    plain.RotateTo(90);
    EXPECT_EQ(plain.GetRect(), TRect(0, 0, 1000, 100));
    EXPECT_EQ(plain.GetAngle(), 90);

    TLOText arc;
    arc.SetBoundsRect(TRect(0, 0, 1000, 100));
    arc.SetPlainText("ABC");
    arc.SetBulge(300);
    const TPoint c = RectCenter(arc.GetBoundsRect());
    arc.RotateTo(180);
    EXPECT_EQ(arc.GetAngle(), 180);
    const TPoint c2 = RectCenter(arc.GetBoundsRect());
    EXPECT_NEAR(c2.x, c.x, 2);
    EXPECT_NEAR(c2.y, c.y, 2);
}

TEST_F(TextObject, CachedStrokesFollowEveryChange) {
    TLOText t;
    t.SetBoundsRect(TRect(0, 0, 1000, 300));
    t.SetPlainText("AB");
    const TRect small = t.GlyphStroke().GetBounds();
    EXPECT_TRUE(t.HasCachedStrokes());
    t.Font()->SetSize(48);
    EXPECT_FALSE(t.HasCachedStrokes()) << "a font change empties the caches";
    const TRect large = t.GlyphStroke().GetBounds();
    EXPECT_GT(large.Height(), small.Height() * 3 / 2);
    t.SetBoundsRect(TRect(500, 0, 1500, 300));
    EXPECT_FALSE(t.HasCachedStrokes()) << "moving empties the caches";
    EXPECT_NEAR(t.GlyphStroke().GetBounds().Left, large.Left + 500, 1);
    t.SetAngle(90);
    EXPECT_FALSE(t.HasCachedStrokes());
}

TEST_F(TextObject, GlyphsOfABulgedDistortedTextFollowTheArc) {
    TLOText t;
    t.SetBoundsRect(TRect(2000, 2000, 3000, 2200));
    t.SetPlainText("ABCDE");
    t.CoonsDistortion()->SetTopCount(2);
    t.CoonsDistortion()->SetRightCount(2);
    t.CoonsDistortion()->SetBottomCount(2);
    t.CoonsDistortion()->SetLeftCount(2);
    t.CoonsDistortion()->SetTopPoint(1, {1, 0});
    t.CoonsDistortion()->SetRightPoint(1, {1, 1});
    t.CoonsDistortion()->SetBottomPoint(0, {0, 1});
    // Distorted: the glyphs are mapped into the rectangle.
    TRect g = t.GlyphStroke().GetBounds();
    EXPECT_TRUE(IsRectInside(g, TRect(1990, 1990, 3010, 2210))) << g.Left << "," << g.Top;
    // Bulged as well: the arc wins; the glyphs lie on the arc, not in a scaled rect at 0, 0.
    t.SetBulge(200);
    g = t.GlyphStroke().GetBounds();
    TRect b = t.GetBoundsRect();
    InflateRect(b, 2, 2);
    EXPECT_TRUE(IsRectInside(g, b)) << g.Left << "," << g.Top << " in " << b.Left << "," << b.Top;
    EXPECT_LT(g.Top, 2000) << "bent upwards";
}

TEST_F(TextObject, SelectionOutlineFollowsTheShape) {
    auto outline = [](TLOText& T) {
        TBitmap b(400, 300, pf24bit);
        TCanvas& c = b.Canvas();
        c.Brush().SetColor(clWhite);
        c.FillRect(TRect(0, 0, 400, 300));
        c.Pen().SetColor(clBlack);
        c.Pen().SetWidth(0);
        c.Pen().SetStyle(psDot);
        c.Brush().SetStyle(bsClear);
        T.DrawOutline(c);
        return b.ToQImage();
    };
    auto blackNear = [](const QImage& I, int X, int Y) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (I.pixel(X + dx, Y + dy) == qRgb(0, 0, 0))
                    return true;
        return false;
    };
    TLOText straight;
    straight.SetBoundsRect(TRect(50, 100, 350, 160));
    straight.SetPlainText("A");
    QImage image = outline(straight);
    EXPECT_TRUE(blackNear(image, 300, 100)) << "the frame's top edge";
    EXPECT_TRUE(blackNear(image, 350, 130)) << "the frame's right edge";
    EXPECT_FALSE(blackNear(image, 200, 250));

    TLOText arc;
    arc.SetBoundsRect(TRect(50, 200, 350, 260));
    arc.SetPlainText("ABCDEF");
    arc.SetBulge(100);
    image = outline(arc);
    const TPoint top = GetBulgePoint(TPoint(50, 230), TPoint(350, 230), 100);
    const int h = arc.SimpleText().GetFontHeight();
    // The band's outer edge lies half a font height outside the arc.
    EXPECT_TRUE(blackNear(image, top.x, top.y - h / 2)) << top.y - h / 2;
    EXPECT_FALSE(blackNear(image, 200, 230)) << "nothing at the chord's middle";
}
