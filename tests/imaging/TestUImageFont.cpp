// Image fonts: glyph lookup, measuring and drawing agree, the shared glyph pack is built from
// the font folder in a fixed order, and damaged or missing glyph files give a clear result.

#include "UImageFont.h"

#include "TestImageCompare.h"
#include "UAppFrame.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UImagePack.h"
#include "UPictureFormats.h"
#include "USafetyBitmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TGlyphSpec {
    int Width;
    int Height;
    TColor Color;
};

// A pack whose image i is a solid bitmap of Specs[i]; a spec of height 0 gives an empty
// picture, as a file that decodes to nothing does.
class TTestGlyphPack {
public:
    explicit TTestGlyphPack(std::vector<TGlyphSpec> Specs) : FSpecs(std::move(Specs)) {
        FPack.OnGetCount = [this](TImagePack*, int& Count) {
            Count = static_cast<int>(FSpecs.size());
        };
        FPack.OnGetImage = [this](TImagePack*, TPictureEx& Picture, int Index) {
            const TGlyphSpec& s = FSpecs.at(static_cast<size_t>(Index));
            if (s.Height <= 0)
                return;
            TBitmap b(s.Width, s.Height, pf24bit);
            b.Fill(s.Color);
            TSafetyBitmap g(b);
            Picture.SetGraphic(&g);
        };
        FPack.SetCacheLimit(256);
    }
    TImagePack& Pack() { return FPack; }

private:
    std::vector<TGlyphSpec> FSpecs;
    TCustomImagePack FPack;
};

// Two full sets: glyph g of set 1 is (g + 1) x 10 pixels ... set 2 all 10 x 10; A of set 1
// is 40 x 80 and B is 20 x 30.
std::vector<TGlyphSpec> TwoSets() {
    std::vector<TGlyphSpec> specs;
    for (int g = 0; g < 64; ++g)
        specs.push_back({g + 1, 10, clGreen});
    specs[0] = {40, 80, clRed};
    specs[1] = {20, 30, clBlue};
    for (int g = 0; g < 64; ++g)
        specs.push_back({10, 10, clYellow});
    return specs;
}

QString Path(const QString& Folder, const QString& Name) {
    return QDir(Folder).filePath(Name);
}

void WriteSolidPng(const QString& File, int W, int H, QRgb Color) {
    QDir().mkpath(QFileInfo(File).path());
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(Color);
    ASSERT_TRUE(image.save(File, "PNG")) << File.toStdString();
}

// A frame whose macro table names Folder as the image-font folder; the shared pack is
// rebuilt for it and freed again at the end.
class FontFolder {
public:
    explicit FontFolder(const QString& Folder) {
        RegisterPictureFormats();
        TStringList table;
        table.SetValue(QStringLiteral("AppName"), QStringLiteral("Vantomi"));
        table.SetValue(QStringLiteral("ImageFontFolder"), Folder);
        FFrame.SetMacro(table);
        FFrame.OnCDNotFound = [this](const QString& Name, bool& Retry) {
            Prompts << Name;
            Retry = false;
        };
        ResetImageFontGlyphPack();
    }
    ~FontFolder() { ResetImageFontGlyphPack(); }
    QStringList Prompts;

private:
    TAppFrame FFrame;
};

} // namespace

TEST(TImageFont, GlyphIndexCoversTheAlphabetOnly) {
    const struct {
        QString Ch;
        int Index;
    } cases[] = {
        {"A", 0},  {"Z", 25},  {"a", 26}, {"z", 51},     {"0", 52},      {"9", 61},
        {"!", 62}, {"?", 63},  {" ", -1}, {".", -1},     {u"Ａ"_qs, -1}, {u"あ"_qs, -1},
        {"", -1},  {"AB", -1}, {"-", -1}, {u"😀"_qs, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TImageFont::GlyphIndex(c.Ch), c.Index) << c.Ch.toStdString();
}

TEST(TImageFont, MeasuresGlyphsScaledToTheHeightAndGapsForOtherCharacters) {
    TTestGlyphPack glyphs(TwoSets());
    TImageFont font;
    font.SetGlyphPack(&glyphs.Pack());
    font.SetFontNo(1);
    font.SetHeight(30);
    const struct {
        QString Text;
        int Width;
    } cases[] = {
        {"A", 15},                 // 40 x 80 at height 30
        {"B", 20},                 // 20 x 30
        {"A?", 15 + 64 * 30 / 10}, // ? is glyph 63: 64 x 10
        {"A B", 15 + 10 + 20},     // a space advances by Height div 3
        {u"Aあ"_qs, 15 + 2 * 10},  // a double-byte character counts its two bytes
        {u"ｱ"_qs, 10},             // a half-width katakana one byte
        {u"Ａ"_qs, 20},            // a full-width letter has no glyph
        {"", 0},
    };
    for (const auto& c : cases) {
        const TSize extent = font.GetTextExtent(c.Text);
        EXPECT_EQ(extent.cx, c.Width) << c.Text.toStdString();
        EXPECT_EQ(extent.cy, c.Text.isEmpty() ? 0 : 30) << c.Text.toStdString();
    }
    // Sets wrap round: set 3 of a two-set pack is set 1 again; set 2 has its own glyphs.
    font.SetFontNo(3);
    EXPECT_EQ(font.GetCharSize("A").cx, 15);
    font.SetFontNo(2);
    EXPECT_EQ(font.GetCharSize("A").cx, 30);
    EXPECT_EQ(font.GetGlyphHeight(), 10);
    font.SetFontNo(1);
    EXPECT_EQ(font.GetGlyphHeight(), 80);
}

TEST(TImageFont, FontsWithoutGlyphsMeasureEveryCharacterAsAGap) {
    TTestGlyphPack empty({});
    std::vector<TGlyphSpec> broken = TwoSets();
    broken[0] = {40, 0, clRed}; // A decodes to nothing
    TTestGlyphPack damaged(broken);
    TTestGlyphPack full(TwoSets());
    struct {
        const char* What;
        TImagePack* Pack;
        int FontNo;
        QString Text;
        int Width;
    } const cases[] = {
        {"no images", &empty.Pack(), 1, "AB", 2 * 10},
        {"font number 0", &full.Pack(), 0, "AB", 2 * 10},
        {"negative font number", &full.Pack(), -5, "A", 10},
        {"glyph without height", &damaged.Pack(), 1, "AB", 10 + 20},
    };
    for (const auto& c : cases) {
        TImageFont font;
        font.SetGlyphPack(c.Pack);
        font.SetFontNo(c.FontNo);
        font.SetHeight(30);
        EXPECT_EQ(font.GetTextExtent(c.Text).cx, c.Width) << c.What;
        TBitmap b(100, 40, pf24bit);
        b.Fill(clWhite);
        font.TextOut(b.Canvas(), 0, c.Text, 0);
        if (c.Pack == &damaged.Pack()) {
            EXPECT_EQ(b.GetPixel(5, 5), clWhite) << "A draws nothing";
            EXPECT_EQ(b.GetPixel(15, 5), clBlue) << "B follows the gap";
        } else {
            EXPECT_EQ(b.GetPixel(5, 5), clWhite) << c.What;
        }
    }
    TImageFont font;
    font.SetGlyphPack(&empty.Pack());
    font.SetFontNo(1);
    EXPECT_EQ(font.GetGlyphHeight(), 0);
}

TEST(TImageFont, DrawsWhereItMeasures) {
    TTestGlyphPack glyphs(TwoSets());
    TImageFont font;
    font.SetGlyphPack(&glyphs.Pack());
    font.SetFontNo(1);
    font.SetHeight(30);
    TBitmap b(80, 40, pf24bit);
    b.Fill(clWhite);
    EXPECT_EQ(font.TextOut(b.Canvas(), 2, "A B", 5), 20) << "the last advance";
    const struct {
        int X, Y;
        TColor Color;
    } pixels[] = {
        {1, 10, clWhite}, {2, 5, clRed},    {16, 34, clRed},   {17, 20, clWhite}, {26, 20, clWhite},
        {27, 5, clBlue},  {46, 34, clBlue}, {47, 20, clWhite}, {10, 4, clWhite},  {10, 35, clWhite},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(b.GetPixel(p.X, p.Y), p.Color) << p.X << "," << p.Y;

    TBitmap untouched(20, 20, pf24bit);
    untouched.Fill(clWhite);
    EXPECT_EQ(font.TextOut(untouched.Canvas(), 0, QString(), 0), 0);
    EXPECT_EQ(font.DrawChar(untouched.Canvas(), 0, " ", 0), 10);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(untouched.GetPixel(x, y), clWhite);
}

TEST(TImageFont, NotifiesChangesAndAssignsFromFontsOnly) {
    TImageFont font;
    EXPECT_EQ(font.FontNo(), 0);
    EXPECT_EQ(font.Height(), 16);
    int changes = 0;
    font.Notifier().OnChange = [&](TChangeNotify*) { ++changes; };
    font.SetFontNo(2);
    font.SetFontNo(2);
    font.SetHeight(16);
    font.SetHeight(40);
    EXPECT_EQ(changes, 2) << "equal values change nothing";

    TImageFont copy;
    copy.Assign(&font);
    EXPECT_EQ(copy.FontNo(), 2);
    EXPECT_EQ(copy.Height(), 40);
    TPersistent other;
    copy.Assign(&other);
    EXPECT_EQ(copy.FontNo(), 2) << "other sources are ignored";
    void* broadcaster = nullptr;
    EXPECT_TRUE(font.QueryInterface(IBroadcaster::IID, &broadcaster));
    EXPECT_EQ(broadcaster, static_cast<IBroadcaster*>(&font.Notifier()));
}

TEST(ImageFontGlyphPack, ListsTheFolderTreeSortedWithoutRegardToCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // '/' sorts before '0', and case does not count: a2, b/A1, B0.
    WriteSolidPng(Path(dir.path(), "B0.png"), 30, 10, 0xFF0000FF);
    WriteSolidPng(Path(dir.path(), "b/A1.png"), 20, 10, 0xFF00FF00);
    WriteSolidPng(Path(dir.path(), "a2.png"), 10, 10, 0xFFFF0000);
    // A file that is no picture: it shows as the error picture, never as a crash.
    QFile junk(Path(dir.path(), "c-junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("\x89PNG\r\n\x1a\n garbage that is not a picture");
    junk.close();

    FontFolder folder(dir.path());
    EXPECT_EQ(QFileInfo(FindImageFontFolder()).canonicalFilePath(),
              QFileInfo(dir.path()).canonicalFilePath());
    EXPECT_EQ(ImageFontGlyphPack().GetCount(), 4);
    TImageFont font;
    font.SetFontNo(1);
    font.SetHeight(10);
    EXPECT_EQ(font.GetCharSize("A").cx, 10);
    EXPECT_EQ(font.GetCharSize("B").cx, 20);
    EXPECT_EQ(font.GetCharSize("C").cx, 30);
    const TRect error(0, 0, ImagePackErrorPicture().Width(), ImagePackErrorPicture().Height());
    EXPECT_EQ(font.GetCharSize("D").cx, MulDiv(error.Width(), 10, error.Height()))
        << "the damaged file measures as the error picture";
    EXPECT_EQ(font.GetCharSize("E").cx, 10) << "E wraps round to the first file";
    TBitmap b(200, 20, pf24bit);
    b.Fill(clWhite);
    font.TextOut(b.Canvas(), 0, "ABCD", 0);
    EXPECT_EQ(b.GetPixel(5, 5), clRed);
    EXPECT_EQ(b.GetPixel(15, 5), clLime);
    EXPECT_EQ(b.GetPixel(40, 5), clBlue);
}

TEST(ImageFontGlyphPack, MissingFoldersGiveAPackWithoutImages) {
    ResetImageFontGlyphPack();
    EXPECT_EQ(ImageFontGlyphPack().GetCount(), 0) << "no frame, no folder";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& f : {Path(dir.path(), "nowhere"), QString("Data\\NoSuchFonts")}) {
        FontFolder folder(f);
        EXPECT_EQ(ImageFontGlyphPack().GetCount(), 0) << f.toStdString();
        EXPECT_EQ(ImageFontGlyphPack().GetCount(), 0) << "the folder is searched for once";
        TImageFont font;
        font.SetFontNo(1);
        font.SetHeight(30);
        EXPECT_EQ(font.GetTextExtent("AB").cx, 20);
        // A relative folder is searched for as content, and the user is asked for it.
        EXPECT_EQ(folder.Prompts,
                  f.startsWith("Data") ? QStringList{u"飾り文字データ"_qs} : QStringList{});
        if (!f.startsWith("Data"))
            EXPECT_TRUE(FindImageFontFolder().isEmpty());
    }
}

TEST(ImageFontGlyphPack, ShippedFontsDrawAtTheirNativeSize) {
    FontFolder folder(QStringLiteral(VANTOMI_SOURCE_DIR "/data/Data/PicFont"));
    ASSERT_EQ(ImageFontGlyphPack().GetCount(), 3 * 64);
    const QString text = QStringLiteral("Vantomi 2026!");
    TBitmap page(700, 3 * 64 + 20, pf24bit);
    page.Fill(clWhite);
    for (int set = 1; set <= 3; ++set) {
        TImageFont font;
        font.SetFontNo(set);
        font.SetHeight(64);
        EXPECT_EQ(font.GetGlyphHeight(), 64);
        const int y = 5 + (set - 1) * 69;
        font.TextOut(page.Canvas(), 5, text, y);
        EXPECT_LE(5 + font.GetTextExtent(text).cx, page.Width());
        // The first glyph lands pixel for pixel, blended over the white page by its alpha.
        const QImage v =
            QImage(QStringLiteral(VANTOMI_SOURCE_DIR "/data/Data/PicFont/f%1g21.png").arg(set))
                .convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(v.isNull());
        for (int gy = 0; gy < v.height(); ++gy)
            for (int gx = 0; gx < v.width(); ++gx) {
                const QRgb c = v.pixel(gx, gy);
                const TColor drawn = page.GetPixel(5 + gx, y + gy);
                const int channels[3][2] = {{qRed(c), int(drawn & 0xFF)},
                                            {qGreen(c), int((drawn >> 8) & 0xFF)},
                                            {qBlue(c), int((drawn >> 16) & 0xFF)}};
                for (const auto& ch : channels) {
                    const int a = qAlpha(c);
                    const int expected = (ch[0] * a + 255 * (255 - a) + 127) / 255;
                    ASSERT_NEAR(ch[1], expected, 1) << "set " << set << " at " << gx << "," << gy;
                }
            }
    }
    TestImages::ExpectMatchesGolden(page.ToQImage(), "objects/deco/imagefont-sets.png");
}
