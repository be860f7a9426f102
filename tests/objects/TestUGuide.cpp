#include "UGuide.h"

#include "UBitmap.h"
#include "UCanvas.h"
#include "UClasses.h"
#include "UComponent.h"
#include "UGhost.h"
#include "UPropStream.h"
#include "UStreams.h"

#include <QtEndian>
#include <gtest/gtest.h>

#include <utility>

// A sheet's settings as a stream carries them: the grid and the guides as nested objects.
class TTestSheetSettings : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TGrid* Grid READ Grid WRITE SetGrid)
    Q_PROPERTY(TGuide* Guide READ Guide WRITE SetGuide)
public:
    explicit TTestSheetSettings(TComponent* Owner = nullptr) : TComponent(Owner) {}
    TGrid* Grid() const { return FGrid.get(); }
    void SetGrid(TGrid* Value) { FGrid->Assign(Value); }
    TGuide* Guide() const { return FGuide.get(); }
    void SetGuide(TGuide* Value) { FGuide->Assign(Value); }

private:
    std::unique_ptr<TGrid> FGrid = std::make_unique<TGrid>();
    std::unique_ptr<TGuide> FGuide = std::make_unique<TGuide>();
};

namespace {

std::string Str(const TPoint& P) {
    auto axis = [](int V) { return V == NoSnap ? std::string("-") : std::to_string(V); };
    return axis(P.x) + "," + axis(P.y);
}

TEST(Grid, SnapOffsets) {
    struct Row {
        int Size;
        bool Enabled;
        TPoint P;
        const char* Expected;
    };
    const Row rows[] = {
        {50, true, {74, 126}, "-24,24"},
        {50, true, {75, 125}, "25,25"}, // a half pitch rounds up
        {50, true, {100, 0}, "0,0"},
        {50, true, {-74, -26}, "24,-24"}, // to -50 and to -50: the nearest lines
        {50, true, {-75, -25}, "25,25"},
        {50, true, {-100, -1}, "0,1"},
        {7, true, {10, -10}, "-3,3"},
        {50, false, {74, 126}, "-,-"},
        {0, true, {74, 126}, "-,-"}, // a stored sheet without a pitch: no snapping
        {-50, true, {74, 126}, "-,-"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.Size) + " " + Str(row.P));
        TGrid grid;
        grid.SetSize(row.Size);
        grid.SetEnabled(row.Enabled);
        EXPECT_EQ(Str(grid.GetSnapOffset(row.P)), row.Expected);
    }
}

int CountColour(const TBitmap& B, TColor C) {
    int n = 0;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            n += B.GetPixel(x, y) == C;
    return n;
}

TEST(Grid, DrawsLinesOrDotsOnMultiplesOfThePitchAsPointsSnap) {
    TBitmap bitmap(40, 40, pf24bit);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen().SetColor(clBlack);
    TGrid grid;
    grid.SetVisible(true);
    grid.SetSize(10);
    grid.SetEnabled(true);
    bitmap.Fill(clWhite);
    grid.Draw(canvas, TRect(5, 5, 35, 35));
    EXPECT_EQ(bitmap.GetPixel(10, 10), clBlack);
    EXPECT_EQ(bitmap.GetPixel(30, 20), clBlack);
    EXPECT_EQ(bitmap.GetPixel(5, 5), clWhite) << "the area's corner is not on the grid";
    EXPECT_EQ(bitmap.GetPixel(11, 10), clWhite) << "dots only";
    EXPECT_EQ(CountColour(bitmap, clBlack), 9);
    // Every dot lies where a point snaps to.
    EXPECT_EQ(grid.GetSnapOffset(TPoint(10, 30)), TPoint(0, 0));

    // An area reaching into negative coordinates (a page whose origin lies inside it): the
    // lines still run through 0.
    canvas.OffsetWindowOrgEx(-20, -20); // logical (-20, -20) at pixel (0, 0)
    bitmap.Fill(clWhite);
    grid.Draw(canvas, TRect(-17, -17, 17, 17));
    canvas.OffsetWindowOrgEx(20, 20);
    for (const auto& [x, y] : {std::pair{10, 10}, {20, 20}, {30, 10}, {10, 30}})
        EXPECT_EQ(bitmap.GetPixel(x, y), clBlack) << x << "," << y;
    EXPECT_EQ(CountColour(bitmap, clBlack), 9);

    grid.SetLineShape(true);
    bitmap.Fill(clWhite);
    grid.Draw(canvas, TRect(5, 5, 35, 35));
    EXPECT_EQ(bitmap.GetPixel(10, 17), clBlack);
    EXPECT_EQ(bitmap.GetPixel(23, 20), clBlack);
    EXPECT_EQ(bitmap.GetPixel(15, 15), clWhite);
    EXPECT_EQ(bitmap.GetPixel(5, 13), clWhite) << "no line on the area's left edge";

    struct Quiet {
        const char* Name;
        int Size;
        bool Visible;
    };
    for (const Quiet& q : {Quiet{"hidden", 10, false}, Quiet{"no pitch", 0, true},
                           Quiet{"negative pitch", -10, true}, Quiet{"under 2 pixels", 1, true}}) {
        SCOPED_TRACE(q.Name);
        grid.SetSize(q.Size);
        grid.SetVisible(q.Visible);
        bitmap.Fill(clWhite);
        grid.Draw(canvas, TRect(0, 0, 40, 40));
        EXPECT_EQ(CountColour(bitmap, clBlack), 0);
    }
}

TEST(Guide, SnapFindAndSlots) {
    TGuide guide;
    guide.SetEnabled(true);
    guide.SetGuide(0, {100, 0});
    guide.SetGuide(1, {104, 0});
    guide.SetGuide(2, {0, -40});
    guide.SetGuide(3, {50, 50}); // both set: not a guide
    struct Row {
        TPoint P;
        int Reach;
        const char* Expected;
    };
    const Row rows[] = {
        {{102, 0}, 5, "-2,-"}, // a tie: the first slot wins
        {{103, -44}, 5, "1,4"}, {{110, -50}, 5, "-,-"},
        {{50, 50}, 5, "-,-"},   {{-10, -35}, 5, "-,-5"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Str(row.P));
        EXPECT_EQ(Str(guide.GetSnapOffset(row.P, row.Reach)), row.Expected);
    }
    EXPECT_EQ(guide.FindGuide(103, 500, 2), 1);
    EXPECT_EQ(guide.FindGuide(0, -42, 2), 2);
    EXPECT_EQ(guide.FindGuide(300, 300, 2), -1);
    EXPECT_EQ(guide.FindEmptySlot(), 4);
    EXPECT_FALSE(guide.IsEmpty());
    EXPECT_TRUE(guide.IsGuideInRect(0, TRect(100, 0, 200, 10))) << "edges included";
    EXPECT_FALSE(guide.IsGuideInRect(2, TRect(0, 0, 10, 10)));
    EXPECT_FALSE(guide.IsGuideInRect(3, TRect(0, 0, 100, 100)));
    EXPECT_THROW(guide.GetGuide(10), EListError);

    guide.SetEnabled(false);
    EXPECT_EQ(Str(guide.GetSnapOffset({102, 0}, 5)), "-,-");
    EXPECT_EQ(guide.FindGuide(100, 0, 5), -1);

    guide.SetEnabled(true);
    guide.RemoveGuidesOutside(TRect(0, 0, 102, 100));
    EXPECT_EQ(Str(guide.GetGuide(0)), "100,0");
    EXPECT_EQ(Str(guide.GetGuide(1)), "0,0");
    EXPECT_EQ(Str(guide.GetGuide(2)), "0,0");
    EXPECT_TRUE(guide.Enabled());
    guide.RemoveGuidesOutside(TRect(0, 0, 10, 10));
    EXPECT_TRUE(guide.IsEmpty());
    EXPECT_FALSE(guide.Enabled()) << "no guide left to snap to";
}

TEST(Guide, EleventhGuideIsRefused) {
    TGuide guide;
    for (int i = 0; i < 10; ++i) {
        const int slot = guide.FindEmptySlot();
        ASSERT_EQ(slot, i);
        guide.SetGuide(slot, {10 * (i + 1), 0});
    }
    EXPECT_EQ(guide.FindEmptySlot(), -1);
    EXPECT_EQ(guide.GuideLimitMessage(), QStringLiteral("ガイドは10本までです"));
}

// A guide picked by the mouse follows the pointer on its own axis, snapping or not; dropped
// off the page it is removed, and a cancelled drag puts it back.
TEST(Guide, DraggedByTheMouse) {
    const TRect page(0, 0, 1000, 600);
    TGuide guide;
    guide.SetVisible(true);
    guide.SetGuide(0, {300, 0});
    guide.SetGuide(1, {0, 200});
    TGuideDrag drag;
    EXPECT_FALSE(drag.Start(guide, {500, 400}, 5)) << "no guide there";
    EXPECT_FALSE(drag.Active());

    ASSERT_TRUE(drag.Start(guide, {303, 450}, 5));
    drag.Move({350, 470});
    EXPECT_EQ(Str(guide.GetGuide(0)), "350,0") << "along its axis only";
    EXPECT_TRUE(drag.Finish({420, 480}, page));
    EXPECT_FALSE(drag.Active());
    EXPECT_EQ(Str(guide.GetGuide(0)), "420,0");

    ASSERT_TRUE(drag.Start(guide, {700, 198}, 5));
    drag.Move({700, 0});
    EXPECT_EQ(Str(guide.GetGuide(1)), "0,1") << "never on 0, which marks an empty slot";
    drag.Cancel();
    EXPECT_EQ(Str(guide.GetGuide(1)), "0,200");

    ASSERT_TRUE(drag.Start(guide, {700, 201}, 5));
    EXPECT_TRUE(drag.Finish({700, -30}, page)) << "dropped above the page";
    EXPECT_EQ(Str(guide.GetGuide(1)), "0,0");
    EXPECT_EQ(Str(guide.GetGuide(0)), "420,0") << "the other guide stays";

    guide.SetVisible(false);
    EXPECT_FALSE(drag.Start(guide, {420, 10}, 5)) << "hidden guides are not picked";
}

class GuideStream : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterClasses<TTestSheetSettings>(); }
    static QByteArray Write(TTestSheetSettings& S) {
        TMemoryStream stream;
        WriteComponent(stream, S);
        return stream.Bytes();
    }
    static void Read(const QByteArray& Bytes, TTestSheetSettings& S) {
        TMemoryStream stream(Bytes);
        ReadComponent(stream, S);
    }
    // Bytes with the value of "Guide.Pos" replaced by Value.
    static QByteArray WithPos(QByteArray Bytes, const QByteArray& Value) {
        const QByteArray name = QByteArray("\x09") + "Guide.Pos";
        const qsizetype at = Bytes.indexOf(name);
        EXPECT_GE(at, 0);
        const qsizetype tag = at + name.size();
        EXPECT_EQ(Bytes[tag], char(vaBinary));
        const int32_t size = qFromLittleEndian<qint32>(Bytes.constData() + tag + 1);
        QByteArray value(4, 0);
        qToLittleEndian<qint32>(int32_t(Value.size()), value.data());
        Bytes.replace(tag + 1, 4 + size, value + Value);
        return Bytes;
    }
    static QByteArray Pairs(int32_t N, std::initializer_list<int32_t> Values) {
        QByteArray out(4, 0);
        qToLittleEndian<qint32>(N, out.data());
        for (int32_t v : Values) {
            char b[4];
            qToLittleEndian<qint32>(v, b);
            out.append(b, 4);
        }
        return out;
    }
};

TEST_F(GuideStream, PosRoundTripsAsTenPairs) {
    TTestSheetSettings sheet;
    sheet.Grid()->SetSize(50);
    sheet.Grid()->SetEnabled(true);
    sheet.Guide()->SetVisible(true);
    sheet.Guide()->SetGuide(0, {120, 0});
    sheet.Guide()->SetGuide(9, {0, -30});
    const QByteArray bytes = Write(sheet);
    const qsizetype at = bytes.indexOf("Guide.Pos");
    ASSERT_GE(at, 0);
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + at + 10), 84) << "4 + 10 pairs";
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + at + 14), 10);
    EXPECT_EQ(bytes.indexOf("Guide.Count"), -1);

    TTestSheetSettings copy;
    Read(bytes, copy);
    EXPECT_EQ(copy.Grid()->Size(), 50);
    EXPECT_TRUE(copy.Grid()->Enabled());
    EXPECT_TRUE(copy.Guide()->Visible());
    EXPECT_EQ(Str(copy.Guide()->GetGuide(0)), "120,0");
    EXPECT_EQ(Str(copy.Guide()->GetGuide(9)), "0,-30");
    EXPECT_EQ(Str(copy.Guide()->GetGuide(5)), "0,0");
}

TEST_F(GuideStream, OddPosValuesReadTheSlotsThatAreThere) {
    TTestSheetSettings sheet;
    const QByteArray bytes = Write(sheet);
    struct Row {
        const char* Name;
        QByteArray Value;
        const char* Slot0;
        const char* Slot1;
        const char* Slot9;
    };
    std::vector<int32_t> twelve;
    for (int i = 0; i < 24; ++i)
        twelve.push_back(i % 2 ? 0 : i + 1);
    QByteArray twelvePairs(4, 0);
    qToLittleEndian<qint32>(12, twelvePairs.data());
    for (int32_t v : twelve) {
        char b[4];
        qToLittleEndian<qint32>(v, b);
        twelvePairs.append(b, 4);
    }
    const Row rows[] = {
        {"twelve pairs: the first ten", twelvePairs, "1,0", "3,0", "19,0"},
        {"N says 10, one pair there", Pairs(10, {7, 0}), "7,0", "5,5", "5,5"},
        {"half a pair", Pairs(3, {7, 0, 8}), "7,0", "5,5", "5,5"},
        {"negative N", Pairs(-4, {7, 0}), "5,5", "5,5", "5,5"},
        {"no count at all", QByteArray(2, 0), "5,5", "5,5", "5,5"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TTestSheetSettings copy;
        for (int i = 0; i < 10; ++i)
            copy.Guide()->SetGuide(i, {5, 5}); // slots not read keep their values
        Read(WithPos(bytes, row.Value), copy);
        EXPECT_EQ(Str(copy.Guide()->GetGuide(0)), row.Slot0);
        EXPECT_EQ(Str(copy.Guide()->GetGuide(1)), row.Slot1);
        EXPECT_EQ(Str(copy.Guide()->GetGuide(9)), row.Slot9);
    }
}

} // namespace

#include "TestUGuide.moc"
