// Character widths, alignment, layouts, fonts and region fitting, measured with the IPA
// faces of the Debian packages at 254 pixels per inch (one unit = 0.1 mm).

#include "UBitmap.h"
#include "UGlyphUtils.h"
#include "UStroke.h"

#include <QFile>
#include <QFontDatabase>
#include <gtest/gtest.h>

namespace {

// The face files the measurements rely on.
constexpr const char* IPAPGothicFile = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";

struct TMeasureCanvas {
    TBitmap Bitmap{200, 200};
    TCanvas& Canvas = Bitmap.Canvas();
    explicit TMeasureCanvas(const QString& Face = QStringLiteral("ＭＳ Ｐゴシック"),
                            int Size = 36) {
        Canvas.Font().SetPixelsPerInch(254);
        Canvas.Font().SetName(Face);
        Canvas.Font().SetSize(Size);
    }
};

} // namespace

TEST(GlyphUtils, PinnedFaceIsTheOneMeasured) {
    TMeasureCanvas m;
    const QRawFont raw = m.Canvas.DeviceRawFont();
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(raw.familyName(), QStringLiteral("IPAPGothic"));
    ASSERT_TRUE(QFile::exists(QString::fromLatin1(IPAPGothicFile)))
        << "fonts-ipafont-gothic is not installed";
    EXPECT_EQ(raw.unitsPerEm(), 2048);
    // The 'head' table of the face file the expected numbers come from (fonts-ipafont
    // 00303): font revision 3.03 and its checksum adjustment.
    const QByteArray head = raw.fontTable("head");
    ASSERT_GE(head.size(), 12);
    auto u32 = [&head](int At) {
        return (quint32(uint8_t(head[At])) << 24) | (quint32(uint8_t(head[At + 1])) << 16) |
               (quint32(uint8_t(head[At + 2])) << 8) | quint32(uint8_t(head[At + 3]));
    };
    EXPECT_EQ(u32(4), 0x000307AEu);
    EXPECT_EQ(u32(8), 0x6476EF52u);
}

TEST(GlyphUtils, StoredNamesDrawWithInstalledFaces) {
    struct TCase {
        const char16_t* Stored;
        const char* Face;
    } cases[] = {
        {u"ＭＳ Ｐゴシック", "IPAPGothic"}, {u"MS PGothic", "IPAPGothic"},
        {u"ＭＳ 明朝", "IPAMincho"},        {u"@ＭＳ 明朝", "IPAMincho"},
        {u"標準ゴシック", "IPAGothic"},     {u"System", "IPAPGothic"},
    };
    for (const TCase& c : cases) {
        TMeasureCanvas m(QString::fromUtf16(c.Stored));
        EXPECT_EQ(m.Canvas.DeviceRawFont().familyName(), QString::fromLatin1(c.Face));
        EXPECT_EQ(m.Canvas.Font().Name(), QString::fromUtf16(c.Stored)) << "the name stays";
    }
    // "System" follows the configured face.
    SetSystemFontFace(QStringLiteral("IPAMincho"));
    TMeasureCanvas sys(QStringLiteral("System"));
    EXPECT_EQ(sys.Canvas.DeviceRawFont().familyName(), QStringLiteral("IPAMincho"));
    SetSystemFontFace(QStringLiteral("IPAPGothic"));
    // A stored vertical face is kept as it is.
    BuildFontLists();
    EXPECT_FALSE(IsUnusableFont(QStringLiteral("@ＭＳ 明朝")));
}

TEST(GlyphUtils, CharByteCountFollowsCp932LeadBytes) {
    const struct {
        uint8_t Byte;
        int Count;
    } cases[] = {{0x41, 1}, {0x80, 1}, {0x81, 2}, {0x9F, 2}, {0xA0, 1},
                 {0xB1, 1}, {0xDF, 1}, {0xE0, 2}, {0xFC, 2}, {0xFD, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(CharByteCount(c.Byte), c.Count) << int(c.Byte);
    EXPECT_EQ(SplitChars(QString::fromUcs4(U"a\U00020B9Fあ")).size(), 3);
}

TEST(GlyphUtils, AbcWidthsSumToTheAdvance) {
    TMeasureCanvas m;
    for (const QString ch : {QStringLiteral("A"), QStringLiteral("g"), QStringLiteral("あ"),
                             QStringLiteral("漢"), QStringLiteral("ー"), QStringLiteral("1")}) {
        TABC abc;
        GetCharABC(m.Canvas, ch, abc);
        EXPECT_GT(abc.B, 0) << ch.toStdString();
        EXPECT_EQ(abc.A + abc.B + abc.C, m.Canvas.TextWidth(ch)) << ch.toStdString();
    }
    // 36 points at 254 dpi: an em of 127 units; kanji advance by one em, the proportional
    // face's kana by less.
    TABC kanji, kana;
    GetCharABC(m.Canvas, QStringLiteral("漢"), kanji);
    GetCharABC(m.Canvas, QStringLiteral("あ"), kana);
    EXPECT_EQ(kanji.A + kanji.B + kanji.C, 127);
    EXPECT_EQ(kana.A + kana.B + kana.C, 117);
}

TEST(GlyphUtils, TabsStopEveryEightCharacters) {
    TMeasureCanvas m;
    const int zero = m.Canvas.TextWidth(QStringLiteral("0"));
    const TABCArray abcs = GetABCArray(m.Canvas, QStringLiteral("abcde\tx\t"));
    ASSERT_EQ(abcs.size(), 8u);
    EXPECT_EQ(abcs[5], (TABC{0, 3 * zero, 0}));
    EXPECT_EQ(abcs[7], (TABC{0, 1 * zero, 0}));
    const TABCArray lone = GetABCArray(m.Canvas, QStringLiteral("\t"));
    EXPECT_EQ(lone[0].B, 8 * zero);
}

TEST(GlyphUtils, AlignmentTable) {
    // Three characters whose ink spans 10 + 20 + 12 with side bearings.
    const TABCArray abcs = {{2, 10, 3}, {1, 20, 1}, {-1, 12, 4}};
    // Ink: starts at 2, the second ends at 15 + 1 + 20 = 36, the third at 37 - 1 + 12 = 48.
    struct TCase {
        int Width, Spacing, Align;
        TIntArray Positions;
        TPoint Extent;
    } cases[] = {
        {100, 0, AlignLeft, {-2, 13, 35}, {0, 46}},
        {100, 5, AlignLeft, {-2, 18, 45}, {0, 56}},
        {100, 0, AlignRight, {52, 67, 89}, {54, 100}},
        {100, 0, AlignCenter, {25, 40, 62}, {27, 73}},
        {101, 0, AlignCenter, {25, 40, 62}, {27, 73}},
        {7, 0, 9, {-21, -6, 16}, {-19, 27}}, // odd negative remainder: toward zero
        {46 + 30, 0, AlignJustify, {-2, 28, 65}, {0, 76}},
        {46 + 31, 5, AlignJustify, {-2, 28, 66}, {0, 77}},
    };
    for (const TCase& c : cases) {
        TIntArray positions;
        TPoint extent;
        AlignABCWidths(positions, abcs, c.Width, extent, c.Spacing, c.Align);
        EXPECT_EQ(positions, c.Positions) << c.Width << "/" << c.Align;
        EXPECT_EQ(extent, c.Extent) << c.Width << "/" << c.Align;
    }
    // Justify: the last character's ink ends exactly at the width.
    TIntArray positions;
    TPoint extent;
    AlignABCWidths(positions, abcs, 77, extent, 0, AlignJustify);
    EXPECT_EQ(positions[2] + abcs[2].A + abcs[2].B, 77);
    // One justified character stands at the start.
    AlignABCWidths(positions, {{3, 10, 2}}, 50, extent, 0, AlignJustify);
    EXPECT_EQ(positions, TIntArray{-3});
    AlignCharWidths(positions, {10, 20}, 40, 2, AlignRight);
    EXPECT_EQ(positions, (TIntArray{8, 20}));
}

TEST(GlyphUtils, CharLayoutOfARealLine) {
    TMeasureCanvas m;
    TCharLayout l;
    const int h = MakeCharLayout(m.Canvas, l, QStringLiteral("漢字語"), 0, AlignLeft, 0);
    TTextMetric tm;
    m.Canvas.GetTextMetrics(tm);
    EXPECT_EQ(h, tm.tmHeight);
    EXPECT_EQ(l.Positions.size(), 3u);
    EXPECT_EQ(l.Left, 0);
    EXPECT_EQ(l.Positions[1] - l.Positions[0], 127);
    RealignCharLayout(l, 1000, AlignRight, 0);
    EXPECT_EQ(l.Right, 1000);
    RealignCharLayout(l, 1000, AlignJustify, 0);
    EXPECT_EQ(l.Positions[2] + l.ABCs[2].A + l.ABCs[2].B, 1000);
    EXPECT_EQ(LineRectHorz({10, 20, 0, 0}, l), (TRect{10, 20, 1010, 20 + h}));
    EXPECT_EQ(LineRectVert({0, 20, 500, 0}, l), (TRect{500 - h, 20, 500, 1020}));
}

TEST(GlyphUtils, DecorationMetricsLieInsideTheCell) {
    TMeasureCanvas m;
    TDecorationMetrics d;
    GetDecorationMetrics(m.Canvas, d);
    TTextMetric tm;
    m.Canvas.GetTextMetrics(tm);
    EXPECT_GT(d.UnderlineOffset, tm.tmAscent);
    EXPECT_LT(d.UnderlineOffset, tm.tmHeight);
    EXPECT_GT(d.StrikeoutOffset, 0);
    EXPECT_LT(d.StrikeoutOffset, tm.tmAscent);
    EXPECT_GE(d.UnderlineSize, 1);
    EXPECT_GE(d.StrikeoutSize, 1);

    TCharLayout l;
    l.Left = 5;
    l.Right = 105;
    l.Height = 40;
    TStroke s;
    AddDecorationRectsHorz(s, {10, 20, 0, 0}, l, TFont::fsUnderline | TFont::fsStrikeOut,
                           {30, 2, 15, 3});
    ASSERT_EQ(s.GetCount(), 8);
    EXPECT_EQ(s.GetPoint(0), TPoint(15, 50));
    EXPECT_EQ(s.GetPoint(2), TPoint(114, 51));
    EXPECT_EQ(s.GetPoint(4), TPoint(15, 35));
    EXPECT_EQ(s.GetPoint(6), TPoint(114, 37));
    TStroke v;
    AddDecorationRectsVert(v, {0, 10, 200, 0}, l, TFont::fsUnderline, {30, 2, 15, 3});
    ASSERT_EQ(v.GetCount(), 4);
    EXPECT_EQ(v.GetPoint(0), TPoint(168, 15));
    EXPECT_EQ(v.GetPoint(2), TPoint(169, 114));
    TStroke none;
    AddDecorationRectsHorz(none, {}, l, TFont::fsBold, {30, 2, 15, 3});
    EXPECT_EQ(none.GetCount(), 0);
}

TEST(GlyphUtils, FontNamesAndFallbacks) {
    BuildFontLists();
    EXPECT_FALSE(IsUnusableFont(QStringLiteral("ＭＳ Ｐゴシック")));
    EXPECT_FALSE(IsUnusableFont(QStringLiteral("MS Mincho")));
    EXPECT_FALSE(IsUnusableFont(QStringLiteral("System")));
    EXPECT_TRUE(IsUnusableFont(QStringLiteral("No Such Face 1234")));
    EXPECT_TRUE(IsVerticalFont(QStringLiteral("@ＭＳ 明朝")));
    TStringList names;
    GetUsableFontNames(names);
    EXPECT_GE(names.IndexOf(QStringLiteral("ＭＳ Ｐゴシック")), 0);
    EXPECT_LT(names.IndexOf(QStringLiteral("@ＭＳ Ｐゴシック")), 0);

    TMeasureCanvas m(QStringLiteral("No Such Face 1234"));
    m.Canvas.Font().SetCharset(ANSI_CHARSET);
    FixFontName(m.Canvas);
    EXPECT_EQ(m.Canvas.Font().Name(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(m.Canvas.Font().Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(GetFontCharSet(QStringLiteral("No Such Face 1234")), DEFAULT_CHARSET);
    ASSERT_EQ(DefaultFontNames().size(), 7);
    EXPECT_EQ(DefaultFontNames()[0], QString::fromUcs4(U"\uFF2D\uFF33 \uFF30ゴシック"));
}

TEST(GlyphUtils, RotatedAndVerticalFonts) {
    TFont f;
    f.SetName(QStringLiteral("ＭＳ 明朝"));
    SetRotatedFont(f, 300);
    EXPECT_EQ(f.Escapement(), -300);
    EXPECT_EQ(f.Orientation(), -300);
    SetVerticalFont(f, 300);
    EXPECT_EQ(f.Name(), QStringLiteral("@ＭＳ 明朝"));
    EXPECT_EQ(f.Escapement(), 2400);
    const unsigned version = f.Version();
    SetVerticalFont(f, 300);
    EXPECT_EQ(f.Version(), version) << "nothing to change";
    // A face without vertical forms keeps its plain name, turned.
    TFont plain;
    plain.SetName(QStringLiteral("No Such Face 1234"));
    SetVerticalFont(plain, -450);
    EXPECT_EQ(plain.Name(), QStringLiteral("No Such Face 1234"));
    EXPECT_EQ(plain.Escapement(), 3150);
}

TEST(GlyphUtils, RegionFitting) {
    // An L-shaped region: a tall bar at x 10..20 and a foot at x 10..60, y 80..100.
    TRegion rgn = TRegion::CreateRect({10, 0, 20, 100});
    rgn.Combine(rgn, TRegion::CreateRect({10, 80, 60, 100}), RGN_OR);
    const TRect r{0, 85, 30, 95};
    EXPECT_EQ(FitRectToRgnLeft(rgn, r), (TRect{10, 85, 40, 95}));
    EXPECT_EQ(FitRectToRgnRight(rgn, r), (TRect{30, 85, 60, 95}));
    const TRect c{12, 0, 18, 10};
    EXPECT_EQ(FitRectToRgnBottom(rgn, c), (TRect{12, 90, 18, 100}));
    EXPECT_EQ(FitRectToRgnTop(rgn, c), (TRect{12, 0, 18, 10}));
    EXPECT_EQ(FitRectToRgnLeft(TRegion(), r), r);
    EXPECT_EQ(FitRectToRgnLeft(rgn, {100, 200, 120, 210}), (TRect{100, 200, 120, 210}));
}
