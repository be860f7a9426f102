// Printing: the print settings, the print site on PDF output (checked by rasterising
// the PDF with poppler's pdftoppm), jobs per sheet, cancelling, dates and the print time,
// and a job through a CUPS queue when the machine has one.

#include "LabelDataTestSupport.h"
#include "TestImageCompare.h"
#include "UDOInterfaces.h"
#include "UFaceInfo.h"
#include "UImageData.h"
#include "ULOImage.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UMemoryCanvas.h"
#include "UObjectFactory.h"
#include "UPaperInfo.h"
#include "UPhasedProgress.h"
#include "UPrintCommand.h"
#include "UPrintSite.h"
#include "UPrintTarget.h"
#include "UPrinters.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// --- Documents --------------------------------------------------------------------------

// A4 with 2 x 5 faces of 90 x 50 mm (no margin), 10 mm from the left and 15 mm from the top.
std::unique_ptr<TMatrixPaperInfo> TenUpPaper() {
    auto p = std::make_unique<TMatrixPaperInfo>();
    p->SetWidth(2100);
    p->SetHeight(2970);
    p->SetFaceCountX(2);
    p->SetFaceCountY(5);
    p->SetFaceWidth(900);
    p->SetFaceHeight(500);
    p->SetLeftOffset(100);
    p->SetTopOffset(150);
    p->SetRightMargin(100);
    p->SetBottomMargin(70);
    p->SetPaperName(QStringLiteral("10面"));
    return p;
}

// A5 landscape (210 x 148 mm) with one CD face of 118 mm, a centre hole of 41 mm and a bleed
// margin of 2 mm.
std::unique_ptr<TMatrixPaperInfo> CdPaper() {
    auto p = std::make_unique<TMatrixPaperInfo>();
    p->SetWidth(1480);
    p->SetHeight(2100);
    p->SetLandscape(true); // the sheet shows 2100 x 1480
    p->SetFaceCountX(1);
    p->SetFaceCountY(1);
    p->SetFaceWidth(1180);
    p->SetFaceHeight(1180);
    p->SetLeftOffset(150);
    p->SetTopOffset(460);
    p->SetFaceShape(fsDoughnut);
    p->SetFaceMargin(20);
    p->SetPaperName(QStringLiteral("CD"));
    return p;
}

TColor FaceColor(int Face) {
    static const TColor colors[] = {0x2040C0, 0x20A040, 0xC04020, 0x00C0C0, 0xC000C0,
                                    0x808000, 0x0080FF, 0x404040, 0xFF8000, 0x8000FF};
    return colors[Face % 10];
}

std::unique_ptr<TLORect> Box(const TRect& R, TColor Fill, int Blend = 0, bool Circle = false) {
    std::unique_ptr<TLORect> box =
        Circle ? std::make_unique<TLOCircle>() : std::make_unique<TLORect>();
    box->SetBoundsRect(R);
    box->SetFrameWidth(8);
    box->FrameColor()->SetColor(clBlack);
    box->FillColor()->SetColor(Fill);
    box->SetFillInside(true);
    if (Blend)
        box->SetBlendRatio(Blend);
    return box;
}

// A face's design: a photo, a filled box reaching past the face (the print must cut it),
// a half-blended box over both and a circle.
void WriteDesign(TLabelData& Doc, int Face, const TRect& FaceRect) {
    TObjects objects;
    const int w = FaceRect.Width(), h = FaceRect.Height();
    auto photo = std::make_unique<TLOImage>();
    photo->ImageData()->SetPicture(MakePicture(120, 80, 0x204060u * (Face + 1), true).get());
    photo->SetBoundsRect(TRect(w / 10, h / 10, w / 2, h * 7 / 10));
    objects.Add(std::move(photo));
    objects.Add(Box(TRect(-40, h / 2, w / 3, h + 40), FaceColor(Face)));
    objects.Add(Box(TRect(w / 4, h / 4, w * 3 / 4, h * 3 / 4), 0xFF0000, 50));
    objects.Add(Box(TRect(w * 3 / 5, h / 8, w * 9 / 10, h / 2), FaceColor(Face + 3), 0, true));
    Doc.WriteLabel(Face, objects.List);
}

// Two sheets: the 10-up sheet with faces 0..8 designed (face 9 left empty) and the CD sheet.
void BuildTwoSheets(TLabelData& Doc) {
    Doc.SetDataName(QStringLiteral("テスト"));
    Doc.SetPaperInfo(TenUpPaper().get());
    Doc.SetSheetName(QStringLiteral("ラベル"));
    for (int f = 0; f < 9; ++f)
        WriteDesign(Doc, f, Doc.PaperInfo()->GetFaceRect(f));
    Doc.NewSheet();
    Doc.SetPaperInfo(CdPaper().get());
    Doc.SetSheetName(QStringLiteral("CD"));
    TFaceInfo info;
    Doc.PaperInfo()->GetFaceInfo(0, info);
    WriteDesign(Doc, 0, info.GetRect());
    Doc.SetSheet(0);
}

// One solid box filling each face, in the face's colour: positions are easy to check.
void BuildSolidFaces(TLabelData& Doc, int Sheets) {
    Doc.SetPaperInfo(TenUpPaper().get());
    for (int s = 0; s < Sheets; ++s) {
        if (s > 0)
            Doc.NewSheet();
        Doc.SetSheetName(QStringLiteral("シート%1").arg(s + 1));
        for (int f = 0; f < 10; ++f) {
            TObjects objects;
            auto box = Box(TRect(0, 0, 900, 500), FaceColor(f + s));
            box->SetFrameWidth(0);
            objects.Add(std::move(box));
            Doc.WriteLabel(f, objects.List);
        }
    }
    Doc.SetSheet(0);
}

// --- PDF checks -------------------------------------------------------------------------

// Black or nearly (an outline; no face colour of the tests is this dark).
bool IsBlack(QRgb C) {
    return qRed(C) < 48 && qGreen(C) < 48 && qBlue(C) < 48;
}

bool HavePdfToPpm() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// The pages of Pdf rasterised at Dpi (no anti-aliasing of vector edges, so clip edges are
// whole pixels).
std::vector<QImage> Rasterise(const QString& Pdf, int Dpi) {
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-aaVector"),
             QStringLiteral("no"), QStringLiteral("-png"), Pdf, dir.filePath("page")});
    p.waitForFinished(300000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<QImage> pages;
    const QStringList files = QDir(dir.path()).entryList({"page*.png"}, QDir::Files, QDir::Name);
    for (const QString& f : files)
        pages.push_back(QImage(dir.filePath(f)).convertToFormat(QImage::Format_RGB32));
    return pages;
}

int Px(int Tenths, int Dpi) {
    return MulDiv(Tenths, Dpi, 254);
}

// A canvas on a bitmap that measures at a fixed resolution and answers as a printer: what
// the design surface draws on when it draws a page for printing in one piece.
class TSurfaceCanvas : public TMemoryCanvas {
public:
    TSurfaceCanvas(TBitmap& Bitmap, int Dpi) : FBitmap(Bitmap) {
        SetFixedPixelsPerInch(Dpi);
        TDeviceCaps caps;
        caps.Technology = DT_RASPRINTER;
        caps.LogPixelsX = caps.LogPixelsY = Dpi;
        SetReferenceDevice(caps);
    }

protected:
    TBitmap* GetBitmapHandle() override { return &FBitmap; }

private:
    TBitmap& FBitmap;
};

// The design surface's drawing of face Face of the current sheet at Dpi, over the sheet's
// pixels of Box (on white).
QImage SurfaceDrawing(TLabelData& Doc, int Face, const QRect& Box, int Dpi) {
    TFaceInfo info;
    Doc.PaperInfo()->GetFaceInfo(Face, info);
    TDrawSite site;
    site.SetBorder(false);
    site.Scaler().SetUnitDPI(254);
    site.SetLogWidth(Doc.PaperInfo()->Width());
    site.SetLogHeight(Doc.PaperInfo()->Height());
    TDOList list;
    Doc.ReadLabel(Face, list, true);
    for (TDrawObject* object : list)
        site.InsertObject(object);
    for (TDrawObject* object : list) {
        QueryObjectInterface<IDOEncloseBounds>(object)->OffsetBy(info.GetRect().Left,
                                                                 info.GetRect().Top);
        site.AddObject(object);
    }
    const QRect drawn = Box.adjusted(-10, -18, 10, 10);
    TBitmap bitmap(drawn.width(), drawn.height(), pf24bit);
    bitmap.Fill(clWhite);
    TSurfaceCanvas canvas(bitmap, Dpi);
    site.DrawTo(canvas, TPoint(drawn.left(), drawn.top()), 100);
    return bitmap.ToQImage().copy(Box.translated(-drawn.topLeft()));
}

// The mean colour of the Block x Block pixels of Image at (X, Y).
std::array<int, 3> BlockMean(const QImage& Image, int X, int Y, int Block) {
    std::array<int, 3> sum{};
    for (int y = Y; y < Y + Block; ++y)
        for (int x = X; x < X + Block; ++x) {
            const QRgb c = Image.pixel(x, y);
            sum[0] += qRed(c);
            sum[1] += qGreen(c);
            sum[2] += qBlue(c);
        }
    for (int& v : sum)
        v /= Block * Block;
    return sum;
}

// Blocks of 4 x 4 pixels wholly inside Region (sheet pixels; Box is the surface drawing's
// place on the sheet) whose mean colours on the page and in the surface's drawing differ by
// more than a small tolerance; Compared receives the number of blocks compared. The
// rasteriser places the page's images a fraction of a pixel off, blends their edges and now
// and then drops or doubles a row; a block's mean absorbs the first, the second touches a few
// edge blocks only, while an object out of place, a wrong colour or a missing blend shows
// along every edge or over whole areas.
int FaceMismatches(const QImage& Page, const QImage& Surface, const QRegion& Region,
                   const QRect& Box, QImage* Diff, int* Compared) {
    constexpr int block = 4, fuzz = 28;
    int bad = 0;
    *Compared = 0;
    *Diff = QImage(Box.size(), QImage::Format_RGB32);
    Diff->fill(Qt::white);
    for (int y = Box.top(); y + block <= Box.bottom() + 1; y += block)
        for (int x = Box.left(); x + block <= Box.right() + 1; x += block) {
            if (!Region.contains(QRect(x, y, block, block)) ||
                QRegion(QRect(x, y, block, block)).subtracted(Region).rectCount() > 0)
                continue;
            if (x + block > Page.width() || y + block > Page.height())
                continue;
            ++*Compared;
            const auto page = BlockMean(Page, x, y, block);
            const auto surface = BlockMean(Surface, x - Box.left(), y - Box.top(), block);
            for (int c = 0; c < 3; ++c)
                if (std::abs(page[c] - surface[c]) > fuzz) {
                    ++bad;
                    for (int dy = 0; dy < block; ++dy)
                        for (int dx = 0; dx < block; ++dx)
                            Diff->setPixel(x - Box.left() + dx, y - Box.top() + dy,
                                           qRgb(255, 0, 0));
                    break;
                }
        }
    return bad;
}

// Non-white pixels of Page outside every region of Regions (shifted by Offset).
int InkOutside(const QImage& Page, const QRegion& Faces, const QPoint& Offset) {
    // One pixel of tolerance at the faces' edges (the rasteriser's rounding of the clip).
    QRegion shifted;
    for (const QRect& r : Faces.translated(Offset))
        shifted += r.adjusted(-1, -1, 1, 1);
    int ink = 0;
    for (int y = 0; y < Page.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(Page.constScanLine(y));
        for (int x = 0; x < Page.width(); ++x)
            if ((row[x] & 0xFFFFFF) != 0xFFFFFF && !shifted.contains(QPoint(x, y))) {
                if (ink < 5)
                    ADD_FAILURE() << "ink at " << x << "," << y;
                ++ink;
            }
    }
    return ink;
}

QRegion AllFaceRegions(TLabelData& Doc, int Dpi) {
    QRegion all;
    for (int f = 0; f < Doc.PaperInfo()->GetFaceCount(); ++f) {
        TFaceInfo info;
        Doc.PaperInfo()->GetFaceInfo(f, info);
        all += FacePrintRegion(info, Dpi);
    }
    return all;
}

class Print : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareLabelDataTests();
        RegisterObjectClasses();
        ASSERT_TRUE(Dir.isValid());
    }
    void TearDown() override { PrepareLabelDataTests(); }
    QString File(const QString& Name) const { return Dir.filePath(Name); }
    QTemporaryDir Dir;
};

} // namespace

// --- Print settings -----------------------------------------------------------------------

TEST(PrintSpec, FaceFlagsAndResolution) {
    TPrintSpec spec;
    EXPECT_TRUE(spec.IsFacePrinted(5)) << "all faces by default";
    spec.AllFaces = false;
    EXPECT_FALSE(spec.IsFacePrinted(0));
    spec.SetFacePrinted(3, true);
    EXPECT_EQ(spec.FaceFlags.size(), 4u);
    EXPECT_TRUE(spec.IsFacePrinted(3));
    EXPECT_FALSE(spec.IsFacePrinted(2)) << "grown entries are false";
    EXPECT_FALSE(spec.IsFacePrinted(4)) << "beyond the end";
    EXPECT_FALSE(spec.IsFacePrinted(-1));
    spec.SetFacePrinted(-1, true);
    EXPECT_EQ(spec.FaceFlags.size(), 4u) << "a negative index changes nothing";

    struct {
        int Resolution, PrinterDPI, Banding, Expected;
    } const cases[] = {
        {0, 600, 1, 254},   {0, 600, 0, 600},   {0, 600, 2, 600},
        {300, 600, 1, 300}, {300, 600, 0, 300},
    };
    for (const auto& c : cases) {
        spec.Resolution = c.Resolution;
        EXPECT_EQ(EffectiveResolution(spec, c.PrinterDPI, c.Banding), c.Expected)
            << c.Resolution << " " << c.PrinterDPI << " " << c.Banding;
    }
}

TEST(PrintSpec, PaperSizeCheckAndSheetTitles) {
    struct {
        int PageW, PageH, PaperW, PaperH;
        bool Differs;
    } const cases[] = {
        {2100, 2970, 2100, 2970, false}, {2100, 2970, 2130, 2970, false},
        {2100, 2970, 2131, 2970, true},  {2100, 2970, 2100, 2939, true},
        {2100, 2970, 2100, 2940, false}, {2970, 2100, 2100, 2970, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaperSizeDiffers(c.PageW, c.PageH, c.PaperW, c.PaperH), c.Differs)
            << c.PaperW << " x " << c.PaperH;

    EXPECT_EQ(FormatSheetTitle("「%s」 %s", "1月", "暦"), "「1月」 暦");
    EXPECT_EQ(FormatSheetTitle("「%s」 %s", "50%s", "a%sb"), "「50%s」 a%sb")
        << "text in the arguments is not format";
    EXPECT_EQ(FormatSheetTitle("%s %s %s 100%%", "a", "b"), "a b %s 100%");
}

TEST(PrintSpec, PageLayoutFollowsThePaper) {
    const QPageLayout a4 = PaperPageLayout(2100, 2970);
    EXPECT_EQ(a4.orientation(), QPageLayout::Portrait);
    EXPECT_NEAR(a4.fullRect(QPageLayout::Millimeter).width(), 210.0, 0.05);
    EXPECT_NEAR(a4.fullRect(QPageLayout::Millimeter).height(), 297.0, 0.05);
    const QPageLayout wide = PaperPageLayout(2100, 1480);
    EXPECT_EQ(wide.orientation(), QPageLayout::Landscape);
    EXPECT_NEAR(wide.fullRect(QPageLayout::Millimeter).width(), 210.0, 0.05);
    EXPECT_NEAR(wide.fullRect(QPageLayout::Millimeter).height(), 148.0, 0.05);
    EXPECT_THROW(PaperPageLayout(0, 2970), EPrintError);
    EXPECT_THROW(PaperPageLayout(2100, 2000000), EPrintError);
}

// --- Output -------------------------------------------------------------------------------

TEST_F(Print, TwoSheetsToPdfMatchTheDesignSurface) {
    if (!HavePdfToPpm())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    constexpr int dpi = 300;
    TLabelData doc;
    BuildTwoSheets(doc);
    TPrintSpec spec;
    spec.Resolution = dpi;
    QString error;
    ASSERT_TRUE(PrintToPdf(doc, File("out.pdf"), spec, &error)) << error.toStdString();
    EXPECT_EQ(doc.CurrentSheetNo(), 0) << "the current sheet is kept";

    const std::vector<QImage> pages = Rasterise(File("out.pdf"), dpi);
    ASSERT_EQ(pages.size(), 2u);
    const QSize expected[] = {{Px(2100, dpi), Px(2970, dpi)}, {Px(2100, dpi), Px(1480, dpi)}};
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(s == 0 ? "10-up sheet" : "CD sheet");
        // PDF pages come in whole points (up to half a point, 2 pixels here, off).
        EXPECT_NEAR(pages[s].width(), expected[s].width(), 3) << "each sheet its own page size";
        EXPECT_NEAR(pages[s].height(), expected[s].height(), 3);
        doc.SetSheet(s);
        EXPECT_EQ(InkOutside(pages[s], AllFaceRegions(doc, dpi), QPoint()), 0)
            << "nothing is drawn outside the faces";
        for (int f = 0; f < doc.PaperInfo()->GetFaceCount(); ++f) {
            SCOPED_TRACE(f);
            TFaceInfo info;
            doc.PaperInfo()->GetFaceInfo(f, info);
            const QRegion region = FacePrintRegion(info, dpi);
            const QRect box = region.boundingRect();
            const QImage surface = SurfaceDrawing(doc, f, box, dpi);
            QImage diff;
            int compared = 0;
            const int bad = FaceMismatches(pages[s], surface, region, box, &diff, &compared);
            EXPECT_GT(compared,
                      region.boundingRect().width() * region.boundingRect().height() / 40);
            if (bad * 100 > compared)
                TestImages::WriteFailure(QStringLiteral("print-sheet%1-face%2").arg(s).arg(f),
                                         pages[s].copy(box), surface, diff);
            EXPECT_LE(bad * 100, compared) << bad << " of " << compared << " blocks differ";
        }
    }
    // The half-blended blue box shows the white paper through it.
    doc.SetSheet(0);
    TFaceInfo face0;
    doc.PaperInfo()->GetFaceInfo(0, face0);
    const TRect r = face0.GetRect();
    const QRgb mixed = pages[0].pixel(Px(r.Left + r.Width() * 55 / 100, dpi),
                                      Px(r.Top + r.Height() * 6 / 10, dpi));
    EXPECT_NEAR(qRed(mixed), 128, 4);
    EXPECT_NEAR(qGreen(mixed), 128, 4);
    EXPECT_NEAR(qBlue(mixed), 255, 4);
    // The CD's centre hole stays white.
    doc.SetSheet(1);
    TFaceInfo cd;
    doc.PaperInfo()->GetFaceInfo(0, cd);
    const TPoint centre((cd.GetRect().Left + cd.GetRect().Right) / 2,
                        (cd.GetRect().Top + cd.GetRect().Bottom) / 2);
    EXPECT_EQ(pages[1].pixel(Px(centre.x, dpi), Px(centre.y, dpi)) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(Print, CopiesFacesOffsetsAndOutlinesOnThePdf) {
    if (!HavePdfToPpm())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    constexpr int dpi = 100;
    struct TCase {
        const char* Name;
        int Copies;
        std::vector<int> Faces; // empty: all faces
        TPoint Offset;
        bool AllSheets;
        bool Solid, Dashed;
        int Pages;
    };
    const TCase cases[] = {
        {"one copy of both sheets", 1, {}, {0, 0}, true, false, false, 2},
        {"three copies", 3, {}, {0, 0}, true, false, false, 6},
        {"current sheet only", 2, {}, {0, 0}, false, false, false, 2},
        {"faces 0, 3 and 9", 1, {0, 3, 9}, {0, 0}, true, false, false, 2},
        {"offset 5 mm right, 3 mm up", 1, {}, {50, -30}, true, false, false, 2},
        {"solid outlines of faces 1 and 2", 1, {1, 2}, {0, 0}, false, true, false, 1},
        {"dashed outlines without a margin", 1, {4}, {0, 0}, false, false, true, 1},
    };
    TLabelData doc;
    BuildSolidFaces(doc, 2);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TPrintSpec spec;
        spec.Resolution = dpi;
        spec.Copies = c.Copies;
        spec.AllFaces = c.Faces.empty();
        for (const int f : c.Faces)
            spec.SetFacePrinted(f, true);
        spec.Offset = c.Offset;
        spec.AllSheets = c.AllSheets;
        spec.OutlineSolid = c.Solid;
        spec.OutlineDashed = c.Dashed;
        const QString pdf = File("case.pdf");
        QString error;
        ASSERT_TRUE(PrintToPdf(doc, pdf, spec, &error)) << error.toStdString();
        const std::vector<QImage> pages = Rasterise(pdf, dpi);
        ASSERT_EQ(static_cast<int>(pages.size()), c.Pages);
        const QPoint shift(Px(c.Offset.x, dpi), Px(c.Offset.y, dpi));
        for (int p = 0; p < c.Pages; ++p) {
            const int sheet = c.AllSheets ? p / c.Copies : 0;
            const QImage& page = pages[p];
            for (int f = 0; f < 10; ++f) {
                const TRect r = doc.PaperInfo()->GetFaceRect(f);
                const QPoint centre(Px((r.Left + r.Right) / 2, dpi) + shift.x(),
                                    Px((r.Top + r.Bottom) / 2, dpi) + shift.y());
                const QRgb seen = page.pixel(centre);
                const TColor want = FaceColor(f + sheet);
                const QRgb wanted = qRgb(GetRValue(want), GetGValue(want), GetBValue(want));
                if (spec.IsFacePrinted(f))
                    EXPECT_TRUE(TestImages::Near(seen, wanted, 4)) << "page " << p << " face " << f;
                else
                    EXPECT_EQ(seen & 0xFFFFFF, 0xFFFFFFu) << "page " << p << " face " << f;
                if (!c.Solid && !c.Dashed)
                    continue;
                // Along the face's top edge: dark pixels of the outline (every one for a
                // solid line, some but not all for a dashed one), none on faces not printed.
                int dark = 0, run = 0;
                const int y = Px(r.Top, dpi) + shift.y();
                for (int x = Px(r.Left, dpi) + 3; x < Px(r.Right, dpi) - 3; ++x, ++run) {
                    bool onLine = false;
                    for (int dy = -1; dy <= 1; ++dy)
                        onLine = onLine || IsBlack(page.pixel(x, y + dy));
                    dark += onLine ? 1 : 0;
                }
                if (!spec.IsFacePrinted(f))
                    EXPECT_EQ(dark, 0) << "face " << f;
                else if (c.Solid)
                    EXPECT_EQ(dark, run) << "face " << f;
                else
                    EXPECT_TRUE(dark > run / 5 && dark < run * 9 / 10)
                        << "face " << f << ": " << dark << " of " << run;
            }
        }
    }
}

// Jobs per sheet go to a spooling target; each answer of OnWaitJob is followed.
TEST_F(Print, OneJobPerSheetAndWaitingForTheSpooler) {
    struct TCase {
        const char* Name;
        bool SpoolEachSheet, Spools;
        int Answer; // what OnWaitJob answers
        int Jobs, Asked;
    };
    const TCase cases[] = {
        {"one job for all", false, true, wjaGoOn, 1, 0},
        {"not spooling: one job", true, false, wjaGoOn, 1, 0},
        {"go on", true, true, wjaGoOn, 3, 2},
        {"stop after the first sheet", true, true, wjaStop, 1, 1},
        {"stop waiting", true, true, wjaStopWaiting, 3, 1},
    };
    TLabelData doc;
    doc.SetDataName(QStringLiteral("暦"));
    BuildSolidFaces(doc, 3);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<QString> titles;
        std::vector<int> pageCounts;
        auto deliver = [&](const QString& Pdf, const QString& Title) {
            titles.push_back(Title);
            QFile::copy(Pdf, File(QStringLiteral("job%1.pdf").arg(titles.size())));
            return static_cast<int>(titles.size()) + 100;
        };
        TPdfPrintTarget target(100, c.Spools, Dir.path(), deliver);
        TPrintSpec spec;
        spec.Resolution = 50;
        spec.Copies = 2;
        spec.SpoolEachSheet = c.SpoolEachSheet;
        TPrintSite site(doc, nullptr, spec);
        site.Title = QStringLiteral("暦");
        std::vector<int> asked;
        site.OnWaitJob = [&](TPrintSite*, int Job) {
            asked.push_back(Job);
            return c.Answer;
        };
        site.Print(target);
        EXPECT_EQ(static_cast<int>(titles.size()), c.Jobs);
        EXPECT_EQ(site.JobsPrinted(), c.Jobs);
        EXPECT_EQ(static_cast<int>(asked.size()), c.Asked);
        for (size_t i = 0; i < asked.size(); ++i)
            EXPECT_EQ(asked[i], 101 + static_cast<int>(i)) << "the job just spooled";
        if (c.Jobs == 1 && c.Answer != wjaStop) {
            EXPECT_EQ(titles[0], "暦");
            EXPECT_EQ(site.PagesPrinted(), 6);
        } else {
            for (size_t i = 0; i < titles.size(); ++i)
                EXPECT_EQ(titles[i], QStringLiteral("「シート%1」 暦").arg(i + 1));
            EXPECT_EQ(site.PagesPrinted(), 2 * c.Jobs);
        }
    }
}

namespace {

// Progress that asks the target to stop after a number of steps, and records how deep its
// phases went.
class TCancellingProgress : public TPhasedProgressBase {
public:
    TCancellingProgress(TPrintTarget* Target, int StopAfter)
        : FTarget(Target), FStopAfter(StopAfter) {}
    void SetPosition(int) override {
        if (++Steps == FStopAfter && FTarget)
            FTarget->RequestAbort();
    }
    void SetRange(int, int, int) override {}
    void BeginPhase(int Min, int Max) override {
        TPhasedProgressBase::BeginPhase(Min, Max);
        MaxLevel = std::max(MaxLevel, Level());
    }
    int Steps = 0;
    int MaxLevel = 0;

private:
    TPrintTarget* FTarget;
    int FStopAfter;
};

} // namespace

TEST_F(Print, CancelMidwayLeavesNoOpenPhaseAndNoPdf) {
    TLabelData doc;
    BuildSolidFaces(doc, 2);
    const QString pdf = File("cancelled.pdf");
    for (const int stopAfter : {1, 5, 40, 100000}) {
        SCOPED_TRACE(stopAfter);
        QFile::remove(pdf);
        std::unique_ptr<TPrintTarget> target = CreatePdfFileTarget(pdf, 100);
        TCancellingProgress progress(target.get(), stopAfter);
        TPrintSpec spec;
        spec.Resolution = 50;
        QString error;
        const TDateTime before = doc.LastPrint();
        const bool printed = RunPrint(doc, *target, spec, &progress, {}, &error);
        EXPECT_EQ(progress.Level(), 0) << "every phase begun has ended";
        EXPECT_GE(progress.MaxLevel, 3);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        const bool finished = stopAfter == 100000;
        EXPECT_EQ(printed, finished);
        EXPECT_EQ(QFile::exists(pdf), finished) << "no half-written PDF";
        if (!finished) {
            EXPECT_EQ(double(doc.LastPrint()), double(before)) << "the print time stays";
        }
        const QStringList left =
            QDir(Dir.path()).entryList({".print-*"}, QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
    }
}

TEST_F(Print, FailuresAreReportedAndLeaveTheFileAlone) {
    TLabelData doc;
    BuildSolidFaces(doc, 1);
    TPrintSpec spec;
    spec.Resolution = 50;
    QString error;
    EXPECT_FALSE(PrintToPdf(doc, File("no/such/folder/out.pdf"), spec, &error));
    EXPECT_FALSE(error.isEmpty());

    // A file in the way stays as it was when the print fails.
    const QString pdf = File("kept.pdf");
    WriteFileBytes(pdf, "previous");
    spec.Resolution = 100000;
    EXPECT_FALSE(PrintToPdf(doc, pdf, spec, &error));
    EXPECT_TRUE(error.contains("100000")) << error.toStdString();
    EXPECT_EQ(FileBytes(pdf), QByteArray("previous"));

    // A paper with no size cannot make a page: here the second sheet's, found while the
    // first is printed and every phase is open.
    doc.NewSheet();
    auto bad = TenUpPaper();
    bad->SetWidth(0);
    doc.SetPaperInfo(bad.get());
    doc.SetSheet(0);
    spec.Resolution = 50;
    std::unique_ptr<TPrintTarget> target = CreatePdfFileTarget(pdf, 100);
    TCancellingProgress progress(nullptr, 0);
    EXPECT_FALSE(RunPrint(doc, *target, spec, &progress, {}, &error));
    EXPECT_TRUE(error.contains("用紙")) << error.toStdString();
    EXPECT_GE(progress.MaxLevel, 2);
    EXPECT_EQ(progress.Level(), 0) << "every phase begun has ended";
    EXPECT_EQ(FileBytes(pdf), QByteArray("previous"));
    EXPECT_EQ(doc.CurrentSheetNo(), 0);
}

// Per-sheet jobs: a sheet that fails after earlier sheets' jobs were handed on leaves those
// printed; the run reports them and keeps the print time.
TEST_F(Print, ASheetFailingAfterDeliveredSheetsReportsWhatWasPrinted) {
    TLabelData doc;
    doc.SetDataName(QStringLiteral("暦"));
    BuildSolidFaces(doc, 3);
    struct TCase {
        int FailingJob; // 1-based; 0: none fails
        bool Printed;
        QStringList Sheets;
    };
    const TCase cases[] = {
        {1, false, {}},
        {2, true, {QStringLiteral("シート1")}},
        {3, true, {QStringLiteral("シート1"), QStringLiteral("シート2")}},
        {0,
         true,
         {QStringLiteral("シート1"), QStringLiteral("シート2"), QStringLiteral("シート3")}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.FailingJob);
        doc.SetLastPrint(EncodeDateTime(QDate(2020, 1, 2)));
        const TDateTime before = doc.LastPrint();
        int jobs = 0;
        auto deliver = [&](const QString&, const QString&) {
            if (++jobs == c.FailingJob)
                throw EPrintError(QStringLiteral("スプーラが受け付けません"));
            return jobs + 100;
        };
        TPdfPrintTarget target(100, true, Dir.path(), deliver);
        TPrintSpec spec;
        spec.Resolution = 50;
        spec.SpoolEachSheet = true;
        QString error;
        const bool printed = RunPrint(doc, target, spec, nullptr, {}, &error);
        EXPECT_EQ(printed, c.Printed);
        if (c.Printed)
            EXPECT_GT(double(doc.LastPrint()), double(before)) << "the print time is this print's";
        else
            EXPECT_EQ(double(doc.LastPrint()), double(before));
        if (c.FailingJob == 0) {
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
            continue;
        }
        EXPECT_TRUE(error.contains(QStringLiteral("スプーラが受け付けません")))
            << error.toStdString();
        for (int s = 1; s <= 3; ++s) {
            const QString quoted = QStringLiteral("「シート%1」").arg(s);
            EXPECT_EQ(error.contains(quoted), c.Sheets.contains(QStringLiteral("シート%1").arg(s)))
                << error.toStdString();
        }
    }
}

// On a face with a bleed margin the dashed outline is the cut line, the solid one the edge
// of the bleed; objects count from the cut line.
TEST_F(Print, BleedFacesPrintFromTheCutLineWithTheDashedOutlineOnIt) {
    if (!HavePdfToPpm())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    constexpr int dpi = 254; // one pixel is 0.1 mm
    constexpr int margin = 50;
    auto paper = TenUpPaper();
    paper->SetFaceMargin(margin);
    paper->SetBottomMargin(150);
    paper->SetRightMargin(150);
    paper->SetFaceHeight(400);
    TLabelData doc;
    doc.SetPaperInfo(paper.get());
    TObjects objects;
    auto box = Box(TRect(100, 120, 300, 250), 0xFF0000);
    box->SetFrameWidth(0);
    objects.Add(std::move(box));
    doc.WriteLabel(0, objects.List);
    doc.SetSeparatelyDesign(true);

    for (const bool dashed : {true, false}) {
        SCOPED_TRACE(dashed ? "dashed" : "solid");
        TPrintSpec spec;
        spec.Resolution = dpi;
        spec.AllFaces = false;
        spec.SetFacePrinted(0, true);
        spec.OutlineDashed = dashed;
        spec.OutlineSolid = !dashed;
        const QString pdf = File(dashed ? "dashed.pdf" : "solid.pdf");
        QString error;
        ASSERT_TRUE(PrintToPdf(doc, pdf, spec, &error)) << error.toStdString();
        const std::vector<QImage> pages = Rasterise(pdf, dpi);
        ASSERT_EQ(pages.size(), 1u);
        const QImage& page = pages[0];
        const TRect cut = doc.PaperInfo()->GetFaceRect(0);
        // Black pixels on the top edge at y (one pixel either way), along the face's middle.
        const auto blackAlong = [&](int Y) {
            int black = 0;
            for (int x = cut.Left + 100; x < cut.Right - 100; ++x) {
                bool any = false;
                for (int y = Y - 1; y <= Y + 1; ++y)
                    any = any || IsBlack(page.pixel(x, y));
                black += any ? 1 : 0;
            }
            return black;
        };
        const int run = cut.Width() - 200;
        const int onCut = blackAlong(cut.Top);
        const int onBleed = blackAlong(cut.Top - margin);
        if (dashed) {
            EXPECT_GT(onCut, run / 2) << "dashes on the cut line";
            EXPECT_LT(onCut, run) << "with gaps";
            EXPECT_EQ(onBleed, 0) << "nothing on the bleed's edge";
        } else {
            EXPECT_EQ(onBleed, run) << "the solid outline bounds the bleed";
            EXPECT_EQ(onCut, 0);
        }
        // The box's top-left corner lies at (10, 12) mm from the cut line.
        int left = page.width(), top = page.height();
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QRgb c = page.pixel(x, y);
                if (qBlue(c) > 180 && qRed(c) < 80 && qGreen(c) < 80) {
                    left = std::min(left, x);
                    top = std::min(top, y);
                }
            }
        EXPECT_NEAR(left - cut.Left, 100, 2);
        EXPECT_NEAR(top - cut.Top, 120, 2);
    }
}

TEST_F(Print, DatesShowThisPrintsTimeAndLastPrintIsSet) {
    TLabelData doc;
    BuildSolidFaces(doc, 1);
    TObjects objects;
    auto date = std::make_unique<TTestDate>();
    date->SetBoundsRect(TRect(10, 10, 200, 100));
    date->SetUpdateFlag(2);
    objects.Add(std::move(date));
    doc.WriteLabel(0, objects.List);
    doc.SetLastPrint(TDateTime(40000.0));

    std::vector<double> shown;
    TLabelDataHooks hooks = LabelDataHooks();
    const auto refresh = hooks.RefreshDate;
    hooks.RefreshDate = [&shown, refresh](TDrawObject& Object, const TLabelDataTimes& Times) {
        refresh(Object, Times);
        if (auto* d = qobject_cast<TTestDate*>(&Object))
            shown.push_back(double(d->Date()));
    };
    SetLabelDataHooks(hooks);
    const double before = double(NowDateTime());
    TPrintSpec spec;
    spec.Resolution = 50;
    QString error;
    ASSERT_TRUE(PrintToPdf(doc, File("dated.pdf"), spec, &error)) << error.toStdString();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_GE(shown[0], before) << "the date object shows this print's time";
    EXPECT_DOUBLE_EQ(double(doc.LastPrint()), shown[0]);
}

namespace {

// A CUPS scheduler of the test's own: its configuration, spool and socket in a temporary
// folder, one raw queue "vantomi-test" whose device is a file. Ready() is false when cupsd
// or lpadmin is missing or the scheduler does not come up; Reason() then says why.
class TPrivateScheduler {
public:
    TPrivateScheduler() {
        const QString cupsd = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/sbin"});
        const QString lpadmin = QStandardPaths::findExecutable("lpadmin", {"/usr/sbin", "/sbin"});
        if (cupsd.isEmpty() || lpadmin.isEmpty()) {
            FReason = "cupsd and lpadmin (cups-daemon, cups-client) are not installed";
            return;
        }
        const QString root = FDir.path();
        for (const char* sub : {"root", "spool", "tmp", "cache", "state", "log", "out"})
            QDir(root).mkpath(sub);
        QFile::setPermissions(root + "/out", QFileDevice::Permissions(0x7777));
        QFile::setPermissions(root + "/tmp", QFileDevice::Permissions(0x7777));
        FSocket = root + "/cups.sock";
        WriteFileBytes(root + "/root/cups-files.conf",
                       QStringLiteral("RequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                                      "StateDir %1/state\nServerBin /usr/lib/cups\n"
                                      "DataDir /usr/share/cups\nAccessLog %1/log/access_log\n"
                                      "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
                                      "FileDevice Yes\nSystemGroup root\n")
                           .arg(root)
                           .toUtf8());
        WriteFileBytes(root + "/root/cupsd.conf",
                       QStringLiteral("Listen %1\nBrowsing No\nLogLevel warn\n"
                                      "DefaultAuthType None\n<Location />\nOrder allow,deny\n"
                                      "Allow all\n</Location>\n")
                           .arg(FSocket)
                           .toUtf8());
        FProcess.start(
            cupsd, {"-f", "-c", root + "/root/cupsd.conf", "-s", root + "/root/cups-files.conf"});
        if (!FProcess.waitForStarted(5000)) {
            FReason = "cupsd does not start";
            return;
        }
        QElapsedTimer timer;
        timer.start();
        while (!QFile::exists(FSocket) && timer.elapsed() < 10000)
            QThread::msleep(50);
        QProcess admin;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUPS_SERVER", FSocket);
        admin.setProcessEnvironment(env);
        admin.start(lpadmin, {"-p", "vantomi-test", "-E", "-v", "file://" + root + "/out/job.prn"});
        admin.waitForFinished(20000);
        if (admin.exitCode() != 0) {
            FReason = "lpadmin cannot set up a queue: " + admin.readAllStandardError();
            return;
        }
        cupsSetServer(QFile::encodeName(FSocket).constData());
        FReady = true;
    }
    ~TPrivateScheduler() {
        if (FReady)
            cupsSetServer(nullptr);
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            if (!FProcess.waitForFinished(5000))
                FProcess.kill();
            FProcess.waitForFinished(2000);
        }
    }
    bool Ready() const { return FReady; }
    const QString& Reason() const { return FReason; }

private:
    QTemporaryDir FDir;
    QProcess FProcess;
    QString FSocket;
    QString FReason;
    bool FReady = false;
};

} // namespace

// One job per sheet through a CUPS queue: the job ids come from the scheduler and the print
// waits for each sheet's job before spooling the next.
TEST_F(Print, JobsPerSheetThroughACupsQueueAreWaitedFor) {
    if (getuid() != 0)
        GTEST_SKIP() << "a private CUPS scheduler needs to run as root here";
    TPrivateScheduler scheduler;
    if (!scheduler.Ready())
        GTEST_SKIP() << "no CUPS queue can be set up: " << scheduler.Reason().toStdString();
    ASSERT_TRUE(CupsPrinterNames().contains("vantomi-test"));
    EXPECT_TRUE(PrinterSpools("vantomi-test"));
    EXPECT_FALSE(PrinterSpools(BuiltInPdfPrinterName));

    TLabelData doc;
    BuildSolidFaces(doc, 3);
    std::unique_ptr<TPrintTarget> target = CreateCupsTarget("vantomi-test", 100);
    TPrintSpec spec;
    spec.Resolution = 50;
    spec.SpoolEachSheet = true;
    TPrintSite site(doc, nullptr, spec);
    site.Title = QStringLiteral("vantomi test");
    std::vector<int> waitedFor;
    site.OnWaitJob = [&](TPrintSite*, int Job) {
        waitedFor.push_back(Job);
        QElapsedTimer timer;
        timer.start();
        while (IsCupsJobActive("vantomi-test", Job) && timer.elapsed() < 30000)
            QThread::msleep(100);
        EXPECT_FALSE(IsCupsJobActive("vantomi-test", Job)) << "the job ends";
        return wjaGoOn;
    };
    site.Print(*target);
    EXPECT_EQ(site.JobsPrinted(), 3);
    ASSERT_EQ(waitedFor.size(), 2u);
    EXPECT_GT(waitedFor[0], 0) << "a job id from CUPS";
    EXPECT_GT(waitedFor[1], waitedFor[0]);
    EXPECT_GT(target->LastJobId(), waitedFor[1]);

    QString error;
    EXPECT_EQ(SubmitCupsJob("no-such-queue", File("none.pdf"), "x", &error), 0);
    EXPECT_FALSE(error.isEmpty());
}
