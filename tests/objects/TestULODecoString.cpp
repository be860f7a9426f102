// The decorative string: text laid out with an image font in the rectangle, turned through a
// cache, streamed unchanged, and a clear failure for rectangles no bitmap can hold.

#include "ULODecoString.h"

#include "ObjectTestSupport.h"
#include "TestImageCompare.h"
#include "TestSupport.h"
#include "UAppFrame.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UException.h"
#include "UImagePack.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"

#include <QFile>
#include <climits>
#include <gtest/gtest.h>

namespace {

// A frame that points the shared glyph pack at the shipped fonts for one test.
class ShippedFonts {
public:
    ShippedFonts() {
        RegisterPictureFormats();
        TStringList table;
        table.SetValue(QStringLiteral("AppName"), QStringLiteral("Vantomi"));
        table.SetValue(QStringLiteral("ImageFontFolder"),
                       QStringLiteral(VANTOMI_SOURCE_DIR "/data/Data/PicFont"));
        FFrame.SetMacro(table);
        ResetImageFontGlyphPack();
    }
    ~ShippedFonts() { ResetImageFontGlyphPack(); }

private:
    TAppFrame FFrame;
};

// One glyph set: every glyph 10 x 20 pixels of its own grey, '?' red; for layout checks.
class TTenByTwenty {
public:
    TTenByTwenty() {
        FPack.OnGetCount = [](TImagePack*, int& Count) { Count = 64; };
        FPack.OnGetImage = [](TImagePack*, TPictureEx& Picture, int Index) {
            TBitmap b(10, 20, pf24bit);
            b.Fill(Index == 63 ? clRed : TColor(0x010101 * (Index + 40)));
            TSafetyBitmap g(b);
            Picture.SetGraphic(&g);
        };
    }
    TImagePack& Pack() { return FPack; }

private:
    TCustomImagePack FPack;
};

QByteArray Streamed(TComponent& C) {
    TMemoryStream s;
    WriteComponent(s, C);
    return s.Bytes();
}

std::unique_ptr<TComponent> ReadBack(const QByteArray& Bytes) {
    TMemoryStream s;
    s.WriteBytes(Bytes);
    s.SetPosition(0);
    return ReadComponent(s);
}

int CountColor(const TBitmap& B, TColor C) {
    int n = 0;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            n += B.GetPixel(x, y) == C;
    return n;
}

// Compares Bytes with the committed stream tests/data/<Path> (also a fuzzing seed), or
// rewrites it with VANTOMI_UPDATE_GOLDEN=1.
void ExpectMatchesCommittedStream(const QByteArray& Bytes, const QString& Path) {
    if (qEnvironmentVariableIntValue("VANTOMI_UPDATE_GOLDEN") == 1) {
        QFile f(TestDataPath(Path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Bytes);
        return;
    }
    EXPECT_EQ(Bytes, ReadTestData(Path)) << "the stored form changed: " << Path.toStdString();
}

} // namespace

TEST(TLODecoString, StartsWithFontOneAndNormalisesAngles) {
    TLODecoString d;
    EXPECT_EQ(d.FontNo(), 1);
    EXPECT_EQ(d.GetAlign(), 0);
    EXPECT_EQ(d.GetAngle(), 0);
    const struct {
        int Set, Stored;
    } angles[] = {{-90, 270}, {360, 0},   {725, 5},       {-400, 320},
                  {-720, 0},  {359, 359}, {INT_MIN, 232}, {INT_MAX, 127}};
    for (const auto& a : angles) {
        d.SetAngle(a.Set);
        EXPECT_EQ(d.GetAngle(), a.Stored) << a.Set;
    }
    int changes = 0;
    d.OnModify = [&](TComponent*) { ++changes; };
    d.SetAngle(127 + 360);
    d.SetText(QString());
    d.SetAlign(0);
    EXPECT_EQ(changes, 0) << "equal values change nothing";
    d.SetText("A");
    d.SetAlign(2);
    d.SetFontNo(3);
    EXPECT_EQ(changes, 3);
    void* rotate = nullptr;
    void* align = nullptr;
    EXPECT_TRUE(d.QueryInterface(IDORotate::IID, &rotate));
    EXPECT_TRUE(d.QueryInterface(IDOAlign::IID, &align));
}

TEST(TLODecoString, LaysTheCharactersOutWithTheAlignment) {
    TTenByTwenty glyphs;
    const struct {
        int Align;
        int FirstInk;
    } cases[] = {{0, 0}, {1, 25}, {2, 50}};
    for (const auto& c : cases) {
        TLODecoString d;
        d.ImageFont().SetGlyphPack(&glyphs.Pack());
        d.SetBoundsRect(TRect(0, 0, 80, 20)); // three 10 x 20 glyphs: 30 wide
        EXPECT_EQ(d.ImageFont().Height(), 20) << "the font is as high as the object";
        d.SetText("AB?");
        d.SetAlign(c.Align);
        TBitmap b(80, 20, pf24bit);
        b.Fill(clWhite);
        d.DrawTo(b.Canvas());
        int first = -1;
        for (int x = 0; x < 80 && first < 0; ++x)
            if (b.GetPixel(x, 10) != clWhite)
                first = x;
        EXPECT_EQ(first, c.FirstInk) << "align " << c.Align;
        EXPECT_EQ(b.GetPixel(c.FirstInk + 25, 10), clRed) << "the third glyph is '?'";
    }
    // Justify spreads the free width: the last glyph ends at the right edge.
    TLODecoString d;
    d.ImageFont().SetGlyphPack(&glyphs.Pack());
    d.SetBoundsRect(TRect(0, 0, 80, 20));
    d.SetText("AB?");
    d.SetAlign(3);
    TBitmap b(80, 20, pf24bit);
    b.Fill(clWhite);
    d.DrawTo(b.Canvas());
    EXPECT_EQ(b.GetPixel(79, 10), clRed);
    EXPECT_EQ(b.GetPixel(69, 10), clWhite);
}

TEST(TLODecoString, FitsItselfToTheTextAndKeepsItsRectangleWhenEmpty) {
    TTenByTwenty glyphs;
    TLODecoString d;
    d.ImageFont().SetGlyphPack(&glyphs.Pack());
    d.SetBoundsRect(TRect(30, 40, 90, 70));
    d.FitToText();
    EXPECT_EQ(d.GetRect(), TRect(30, 40, 90, 70)) << "no text, nothing to fit";
    d.SetText("AB C");
    d.FitToText();
    // height 100: glyphs 50 wide, the space 33
    EXPECT_EQ(d.GetRect(), TRect(0, 0, 50 + 50 + 33 + 50, 100));
    EXPECT_EQ(d.ImageFont().Height(), 100);

    d.SetText(QString());
    d.SetAngle(30);
    TBitmap b(200, 200, pf24bit);
    b.Fill(clWhite);
    d.DrawTo(b.Canvas());
    EXPECT_EQ(CountColor(b, clWhite), 200 * 200) << "an empty text draws nothing";
    EXPECT_EQ(d.GetRect(), TRect(0, 0, 183, 100));
}

TEST(TLODecoString, TurnedTextIsCachedUntilSomethingChanges) {
    TTenByTwenty glyphs;
    TLODecoString d;
    d.ImageFont().SetGlyphPack(&glyphs.Pack());
    d.SetBoundsRect(TRect(20, 40, 80, 60));
    d.SetText("A?");
    d.SetAngle(90);
    EXPECT_EQ(d.GetBoundsRect(), TRect(40, 20, 60, 80)) << "turned about the centre";
    TBitmap b(100, 100, pf24bit);
    b.Fill(clWhite);
    d.DrawTo(b.Canvas());
    EXPECT_TRUE(d.HasCache());
    // Turned clockwise, the text runs downwards: '?' (red) lies below the first glyph.
    EXPECT_EQ(b.GetPixel(50, 35), clRed);
    EXPECT_NE(b.GetPixel(50, 25), clRed);
    EXPECT_NE(b.GetPixel(50, 25), clWhite);
    EXPECT_EQ(b.GetPixel(50, 70), clWhite) << "the rest of the rectangle stays transparent";
    EXPECT_EQ(b.GetPixel(25, 50), clWhite) << "nothing outside the turned rectangle";

    EXPECT_TRUE(d.HitTest(TPoint(50, 25)));
    EXPECT_FALSE(d.HitTest(TPoint(25, 50))) << "inside the unturned rectangle only";
    struct {
        const char* What;
        std::function<void()> Change;
    } const changes[] = {
        {"font number", [&] { d.SetFontNo(2); }},
        {"text", [&] { d.SetText("B?"); }},
        {"alignment", [&] { d.SetAlign(1); }},
        {"angle", [&] { d.SetAngle(45); }},
        {"rectangle", [&] { d.SetBoundsRect(TRect(0, 0, 60, 20)); }},
    };
    for (const auto& c : changes) {
        d.DrawTo(b.Canvas());
        ASSERT_TRUE(d.HasCache()) << c.What;
        c.Change();
        EXPECT_FALSE(d.HasCache()) << c.What;
    }
}

TEST(TLODecoString, ARectangleNoBitmapCanHoldFailsThePaint) {
    TTenByTwenty glyphs;
    auto site = MakeTestSite(400, 400);
    site->SetBorder(false);
    auto owned = std::make_unique<TLODecoString>();
    TLODecoString* d = owned.get();
    d->ImageFont().SetGlyphPack(&glyphs.Pack());
    site->InsertObject(owned.release());
    site->AddObject(d);
    d->SetBoundsRect(TRect(10, 10, 40010, 60));
    d->SetText("AB");
    d->SetAngle(1);
    std::vector<QString> reported;
    TExceptionHandler old = SetApplicationExceptionHandler(
        [&](const std::exception& E) { reported.push_back(QString::fromUtf8(E.what())); });
    TBitmap bitmap(400, 400, pf24bit);
    site->PaintWindow(bitmap.Canvas(), site->ClientRect());
    SetApplicationExceptionHandler(old);
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_TRUE(d->PaintFailed()) << "the failure box shows from now on";
    EXPECT_FALSE(d->HasCache());
}

TEST(TLODecoString, TakesRectanglesWiderThanAnIntWithoutOverflow) {
    // As a damaged file may give them: the rectangle is kept within the logical range.
    constexpr int M = MaxLogicalCoord;
    TTenByTwenty glyphs;
    TLODecoString d;
    d.ImageFont().SetGlyphPack(&glyphs.Pack());
    d.SetBoundsRect(TRect(-2000000000, -1500000000, 2000000000, 1500000000));
    EXPECT_EQ(d.GetRect(), TRect(-M, -M, M, M));
    EXPECT_EQ(d.ImageFont().Height(), 2 * M);
    EXPECT_TRUE(d.HitTest(TPoint(0, 0))) << "the centre";
    d.SetText("AB");
    EXPECT_EQ(d.ImageFont().GetTextExtent("AB").cx, 2 * M) << "two glyphs half as wide as high";
    d.SetBoundsRect(TRect(M - 10, M - 20, M, M));
    EXPECT_EQ(d.ImageFont().Height(), 20);
    EXPECT_TRUE(d.HitTest(TPoint(M - 5, M - 10)));
}

TEST(TLODecoString, StreamsAndCopiesItsProperties) {
    RegisterObjectClasses();
    TLODecoString d;
    d.SetBoundsRect(TRect(5, 6, 305, 106));
    d.SetText(u"Happy 2026 お正月"_qs);
    d.SetFontNo(3);
    d.SetAlign(3);
    d.SetAngle(-30);
    d.SetName(QStringLiteral("Deco1"));
    const QByteArray bytes = Streamed(d);
    std::unique_ptr<TComponent> read = ReadBack(bytes);
    auto* copy = qobject_cast<TLODecoString*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Text(), d.Text());
    EXPECT_EQ(copy->FontNo(), 3);
    EXPECT_EQ(copy->GetAlign(), 3);
    EXPECT_EQ(copy->GetAngle(), 330);
    EXPECT_EQ(copy->GetRect(), d.GetRect());
    EXPECT_EQ(copy->ImageFont().Height(), 100);
    EXPECT_EQ(Streamed(*copy), bytes) << "a round trip writes the same bytes";
    ExpectMatchesCommittedStream(bytes, "objects/deco/decostring.bin");

    TLODecoString assigned;
    assigned.Assign(&d);
    EXPECT_EQ(assigned.Text(), d.Text());
    EXPECT_EQ(assigned.FontNo(), 3);
    EXPECT_EQ(assigned.GetAngle(), 330);
    EXPECT_EQ(assigned.GetAlign(), 3);
    EXPECT_EQ(assigned.GetRect(), d.GetRect());

    // Every truncation of the stream is refused with an exception, never a crash.
    for (qsizetype n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(ReadBack(bytes.left(n)), Exception) << n;
}

TEST(TLODecoString, DrawsTheShippedFontsStraightAndTurned) {
    ShippedFonts fonts;
    TBitmap page(420, 260, pf24bit);
    page.Fill(clWhite);
    const struct {
        TRect R;
        int FontNo, Align, Angle;
        QString Text;
    } strings[] = {
        {TRect(10, 10, 410, 50), 1, 0, 0, "Deco 2026!"},
        {TRect(10, 60, 410, 100), 2, 3, 0, "Happy Days"},
        {TRect(60, 150, 360, 190), 3, 1, 20, "Stars?"},
    };
    for (const auto& s : strings) {
        TLODecoString d;
        d.SetBoundsRect(s.R);
        d.SetFontNo(s.FontNo);
        d.SetAlign(s.Align);
        d.SetAngle(s.Angle);
        d.SetText(s.Text);
        d.DrawTo(page.Canvas());
    }
    // Independent facts: a glyph 40 high is the 64-pixel glyph scaled by 40/64, so 'D' of
    // set 1 (5 columns, 48 pixels) takes 30 units; the first line starts with ink.
    int firstInk = -1;
    for (int x = 10; x < 60 && firstInk < 0; ++x)
        for (int y = 10; y < 50; ++y)
            if (page.GetPixel(x, y) != clWhite) {
                firstInk = x;
                break;
            }
    EXPECT_GE(firstInk, 10);
    EXPECT_LE(firstInk, 14) << "the glyph's margin is 4 of 64 pixels";
    // The justified line reaches its right edge; the turned one leaves the corners white.
    bool inkAtRight = false;
    for (int y = 60; y < 100; ++y)
        for (int x = 395; x < 410; ++x)
            inkAtRight = inkAtRight || page.GetPixel(x, y) != clWhite;
    EXPECT_TRUE(inkAtRight);
    EXPECT_EQ(page.GetPixel(62, 152), clWhite);
    EXPECT_EQ(page.GetPixel(358, 188), clWhite);
    TestImages::ExpectMatchesGolden(page.ToQImage(), "objects/deco/decostring.png");
}
