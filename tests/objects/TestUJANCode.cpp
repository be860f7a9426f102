#include "UJANCode.h"

#include "ObjectTestSupport.h"
#include "TestSupport.h"
#include "UBitmap.h"
#include "UCanvas.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(JANCheckDigit, TableOfCodes) {
    struct {
        const char* Code;
        int Check;
        bool Valid;
        const char* Completed;
    } const cases[] = {
        {"1234567", 0, false, "12345670"},
        {"12345670", 0, true, "12345670"},
        {"12345678", 0, false, "12345670"},
        {"4901234567894", 4, true, "4901234567894"},
        {"4901234567890", 4, false, "4901234567894"},
        {"490123456789", 4, false, "4901234567894"},
        {"4912345678904", 4, true, "4912345678904"},
        {"49123456", 6, true, "49123456"},
        {"96385074", 4, true, "96385074"},
        {"123456", -1, false, ""},
        {"1234567890", -1, false, ""},
        {"12345678901", -1, false, ""},
        {"", -1, false, ""},
        {"12345a7", -1, false, ""},
        {"490123456789X", 4, false, "4901234567894"}, // the check position is replaced
        {"49012345-7894", -1, false, ""},
        {"4901234\xff"
         "67894",
         -1, false, ""},
        {"12345678901234", 8, false, ""},
    };
    for (const auto& c : cases) {
        const QString code = QString::fromLatin1(c.Code);
        EXPECT_EQ(CalcJANCheckDigit(code), c.Check) << c.Code;
        EXPECT_EQ(IsValidJANCode(code), c.Valid) << c.Code;
        EXPECT_EQ(CompleteJANCode(code), QString::fromLatin1(c.Completed)) << c.Code;
    }
}

namespace {

TBitmap DrawCode(const QString& Code, int W, int H, bool Frame, bool Number, int Angle = 0) {
    TBitmap bmp(W, H, pf24bit);
    bmp.Fill(clWhite);
    bmp.Canvas().Font().SetHeight(-14);
    DrawJANCode(bmp.Canvas(), Code, TRect{0, 0, W, H}, Frame, Number, Angle);
    return bmp;
}

int DarkCount(const TBitmap& B) {
    int n = 0;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            n += B.GetPixel(x, y) == clBlack ? 1 : 0;
    return n;
}

} // namespace

TEST(TJANCode, DrawsNothingForCodesItCannotShow) {
    for (const char* code : {"1234567890", "4901234x67894", "1234567a", ""}) {
        const TBitmap b = DrawCode(QString::fromLatin1(code), 218, 80, true, true);
        EXPECT_EQ(DarkCount(b), 0) << code;
    }
}

TEST(TJANCode, ModuleGridAndFrameInset) {
    // 81 modules of 2 pixels: the start guard's first bar is module 7, pixels 14 and 15.
    const TBitmap b = DrawCode(QStringLiteral("96385074"), 162, 60, false, false);
    EXPECT_EQ(b.GetPixel(13, 30), clWhite);
    EXPECT_EQ(b.GetPixel(14, 30), clBlack);
    EXPECT_EQ(b.GetPixel(15, 30), clBlack);
    EXPECT_EQ(b.GetPixel(16, 30), clWhite);
    // bars reach the full height without digits
    EXPECT_EQ(b.GetPixel(14, 0), clBlack);
    EXPECT_EQ(b.GetPixel(14, 59), clBlack);
    // with a frame the bars keep 10 units from it on every side
    const TBitmap f = DrawCode(QStringLiteral("96385074"), 182, 80, true, false);
    const int barX = 10 + MulDiv(7, 162, 81);
    EXPECT_EQ(f.GetPixel(barX, 10), clBlack);
    EXPECT_EQ(f.GetPixel(barX, 9), clWhite);
    EXPECT_EQ(f.GetPixel(barX, 69), clBlack);
    EXPECT_EQ(f.GetPixel(barX, 70), clWhite);
    EXPECT_EQ(f.GetPixel(0, 40), clBlack); // the frame
    // a frame on a tiny rectangle draws the frame and no mirrored bars
    const TBitmap t = DrawCode(QStringLiteral("96385074"), 15, 15, true, false);
    EXPECT_EQ(t.GetPixel(7, 7), clWhite);
}

TEST(TJANCode, DigitsTurnWithTheCode) {
    for (const auto& [angle, escapement] : {std::pair{90, 2700}, {270, 900}, {0, 3600}}) {
        TBitmap b(200, 200, pf24bit);
        DrawJANCode(b.Canvas(), QStringLiteral("96385074"), TRect{0, 0, 162, 60}, false, true,
                    angle);
        EXPECT_EQ(b.Canvas().Font().Escapement(), escapement) << angle;
        EXPECT_EQ(b.Canvas().Font().Orientation(), escapement) << angle;
    }
}

TEST(TJANCode, ReaderDecodesEan13AndEan8) {
    if (QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty())
        GTEST_SKIP() << "zbarimg is not installed (zbar-tools, see scripts/bootstrap)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const char* codes[] = {"4901234567894", "4912345678904", "9784101010014",
                           "96385074",      "49123456",      "12345670"};
    for (const char* code : codes)
        for (const int angle : {0, 180}) {
            const QString c = QString::fromLatin1(code);
            const int modules = c.size() == 8 ? 81 : 109;
            // an extra white border around the code for the reader's quiet zone
            TBitmap b(modules * 3 + 40, 140, pf24bit);
            b.Fill(clWhite);
            b.Canvas().Font().SetHeight(-16);
            DrawJANCode(b.Canvas(), c, TRect{20, 20, 20 + modules * 3, 120}, false, true, angle);
            const QString path = dir.filePath(QStringLiteral("%1-%2.png").arg(c).arg(angle));
            ASSERT_TRUE(b.ToQImage().save(path, "PNG"));
            QProcess p;
            p.start(QStringLiteral("zbarimg"), {"-q", path});
            p.waitForFinished(60000);
            const QByteArray out = p.readAllStandardOutput();
            const QString want =
                (c.size() == 8 ? QStringLiteral("EAN-8:") : QStringLiteral("EAN-13:")) + c;
            EXPECT_EQ(QString::fromLatin1(out).trimmed(), want) << code << " angle " << angle;
        }
}

// ---- The drawing object -------------------------------------------------------------------

#include "ULOJANCode.h"
#include "UObjectFactory.h"
#include "UPropStream.h"

TEST(TLOJANCode, StreamsDrawsAndTurns) {
    RegisterObjectClasses();
    TLOJANCode j;
    EXPECT_EQ(j.GetRect(), TRect(0, 0, 300, 100));
    EXPECT_TRUE(j.ShowNumber());
    j.SetJANCode(QStringLiteral("4901234567894"));
    j.SetShowFrame(true);
    j.SetAngle(90);
    // turned a quarter about the centre (150, 50): the bounds are 100 wide and 300 high
    EXPECT_EQ(j.GetBoundsRect(), TRect(100, -100, 200, 200));
    EXPECT_TRUE(j.HitTest(TPoint{150, -90}));
    EXPECT_FALSE(j.HitTest(TPoint{10, 50}));

    TMemoryStream s;
    WriteComponent(s, j);
    s.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* copy = qobject_cast<TLOJANCode*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->JANCode(), QStringLiteral("4901234567894"));
    EXPECT_TRUE(copy->ShowFrame());
    EXPECT_EQ(copy->GetAngle(), 90);
    EXPECT_EQ(copy->GetBoundsRect(), j.GetBoundsRect());

    TLOJANCode assigned;
    assigned.Assign(&j);
    EXPECT_EQ(assigned.JANCode(), j.JANCode());
    EXPECT_EQ(assigned.GetAngle(), 90);

    // drawn on a canvas: bars for a valid code, nothing for a code with a letter
    for (const char* code : {"4901234567894", "490123456789X"}) {
        TLOJANCode flat;
        flat.SetShowNumber(false);
        flat.SetJANCode(QString::fromLatin1(code));
        TBitmap b(300, 100, pf24bit);
        b.Fill(clWhite);
        flat.DrawTo(b.Canvas());
        EXPECT_EQ(DarkCount(b) > 0, code[12] != 'X') << code;
    }
}

namespace {

std::unique_ptr<TLOJANCode> ReadJAN(const QByteArray& Bytes) {
    TMemoryStream s(Bytes);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* code = qobject_cast<TLOJANCode*>(read.get());
    if (!code)
        return nullptr;
    read.release();
    return std::unique_ptr<TLOJANCode>(code);
}

// Pixels of B that are clearly red.
int RedCount(const TBitmap& B) {
    int n = 0;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x) {
            const TColor c = B.GetPixel(x, y);
            n += GetRValue(c) > 160 && GetGValue(c) < 96 && GetBValue(c) < 96;
        }
    return n;
}

} // namespace

TEST(TLOJANCode, TheDigitsFontIsStoredAndRead) {
    RegisterObjectClasses();
    TLOJANCode j;
    j.SetJANCode(QStringLiteral("4901234567894"));
    j.Font()->SetName(QStringLiteral("IPAGothic"));
    j.Font()->SetSize(14);
    j.Font()->SetStyle(TFont::fsBold | TFont::fsItalic);
    j.Font()->SetColor(clRed);
    TMemoryStream s;
    WriteComponent(s, j);
    std::unique_ptr<TLOJANCode> copy = ReadJAN(s.Bytes());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Font()->Name(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(copy->Font()->Size(), 14);
    EXPECT_EQ(copy->Font()->Style(), TFont::fsBold | TFont::fsItalic);
    EXPECT_EQ(copy->Font()->Color(), clRed);
    EXPECT_EQ(copy->GetColor()->Color(), clRed) << "the colour follows the font read";

    TLOJANCode assigned;
    assigned.Assign(&j);
    EXPECT_EQ(assigned.Font()->Data(), j.Font()->Data());
}

TEST(TLOJANCode, StoredStreamsWithAndWithoutAFontRead) {
    RegisterObjectClasses();
    const TFontData plain = TPointBasedFont().Data();
    struct {
        const char* Name;
        QByteArray Bytes;
        QString FontName;
        int Size;
        TColor Color;
        bool Bold;
    } const cases[] = {
        {"no font, as stored before",
         THandStream("TLOJANCode")
             .Int("Left", 10)
             .Int("Top", 20)
             .Int("Width", 300)
             .Int("Height", 100)
             .String("JANCode", "49123456")
             .Bool("ShowFrame", true)
             .Finish(),
         plain.Name, TPointBasedFont().Size(), plain.Color, false},
        {"a font",
         THandStream("TLOJANCode")
             .Int("Left", 10)
             .Int("Top", 20)
             .Int("Width", 300)
             .Int("Height", 100)
             .String("JANCode", "49123456")
             .Int("Font.Color", 0x0000FF)
             .String("Font.Name", "IPAGothic")
             .Int("Font.Size", 12)
             .Set("Font.Style", {"fsBold"})
             .Bool("ShowFrame", true)
             .Finish(),
         QStringLiteral("IPAGothic"), 12, clRed, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TLOJANCode> j;
        ASSERT_NO_THROW(j = ReadJAN(c.Bytes));
        ASSERT_NE(j, nullptr);
        EXPECT_EQ(j->GetRect(), TRect(10, 20, 310, 120));
        EXPECT_EQ(j->JANCode(), QStringLiteral("49123456"));
        EXPECT_TRUE(j->ShowFrame());
        EXPECT_EQ(j->Font()->Name(), c.FontName);
        EXPECT_EQ(j->Font()->Size(), c.Size);
        EXPECT_EQ(j->Font()->Color(), c.Color);
        EXPECT_EQ(j->Font()->Style().testFlag(TFont::fsBold), c.Bold);
    }
}

TEST(TLOJANCode, TheColourCommandColoursTheDigits) {
    TLOJANCode j;
    j.SetBoundsRect(TRect(0, 0, 600, 200));
    j.SetJANCode(QStringLiteral("4901234567894"));
    j.Font()->SetHeight(-40);
    auto* color = QueryObjectInterface<IDOColor>(&j);
    ASSERT_NE(color, nullptr);
    TColorSpec red;
    red.SetColor(clRed);
    color->SetColor(red);
    EXPECT_EQ(j.Font()->Color(), clRed);
    EXPECT_EQ(color->GetColor()->Color(), clRed);
    TBitmap b(600, 200, pf24bit);
    b.Fill(clWhite);
    j.DrawTo(b.Canvas());
    EXPECT_GT(RedCount(b), 0) << "the digits are drawn in the colour chosen";

    // The colour fill follows a font colour set another way.
    j.Font()->SetColor(clBlue);
    EXPECT_EQ(color->GetColor()->Color(), clBlue);
}
