// Faces with a bleed margin, as a user sees them: an object placed in the layout editor at a
// position the status bar reads lands at that distance from the cut line in the printed PDF
// (rasterised by pdftoppm), in the sheet view and in the wizard's preview; and the layout
// editor shows what printing cuts away from a CD face.

#include "AppTestSupport.h"
#include "FLayout.h"
#include "FSheet.h"

#include "UDOList.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPrintCommand.h"
#include "UPrintSettings.h"
#include "UWizardFill.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

// A5 portrait with two 60 x 40 mm faces 30 mm from the left, their cut lines 40 and 100 mm
// from the top, each with a bleed margin of 5 mm.
constexpr int Margin = 50;
std::unique_ptr<TMatrixPaperInfo> BleedPaper() {
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("Bleed"));
    paper->SetWidth(1480);
    paper->SetHeight(2100);
    paper->SetFaceCountX(1);
    paper->SetFaceCountY(2);
    paper->SetFaceWidth(600);
    paper->SetFaceHeight(400);
    paper->SetLeftOffset(300);
    paper->SetTopOffset(400);
    paper->SetBottomMargin(200);
    paper->SetFaceMargin(Margin);
    return paper;
}

// A CD face: a 118 mm disc with a 41 mm hole on A4.
std::unique_ptr<TMatrixPaperInfo> DiscPaper() {
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("Disc"));
    paper->SetWidth(2100);
    paper->SetHeight(2970);
    paper->SetFaceCountX(1);
    paper->SetFaceCountY(1);
    paper->SetFaceWidth(1180);
    paper->SetFaceHeight(1180);
    paper->SetLeftOffset(460);
    paper->SetTopOffset(200);
    paper->SetFaceShape(fsDoughnut);
    paper->SetFacePurpose(QStringLiteral("CD"));
    return paper;
}

// The box is green: blue is the colour of the sheet view's face numbers.
constexpr TColor BoxColor = TColor(0x00B000);
bool IsBoxColour(QRgb C) {
    return qGreen(C) > 140 && qRed(C) < 90 && qBlue(C) < 90;
}

// The top-left pixel of the box in Image (its leftmost column and topmost row).
std::optional<QPoint> BoxCorner(const QImage& Image) {
    const QRect box = PixelBounds(Image, IsBoxColour);
    if (box.isEmpty())
        return std::nullopt;
    return box.topLeft();
}

QPoint ToHost(TDrawSite& Site, const TPoint& P) {
    const TPoint d = Site.LPtoDP(P);
    return QPoint(d.x, d.y);
}

// The status bar's reading (0.1 mm) with the mouse over host pixel At.
TPoint ReadPosition(TfrmLayout& Layout, QPoint At) {
    QPointF read(-1e6, -1e6);
    const auto connection =
        QObject::connect(&Layout, &TfrmLayout::CursorPositionMm, [&read](QPointF P) { read = P; });
    QMouseEvent move(QEvent::MouseMove, QPointF(At), QPointF(Layout.Host()->mapToGlobal(At)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Layout.Host(), &move);
    QObject::disconnect(connection);
    return TPoint(qRound(read.x() * 10), qRound(read.y() * 10));
}

TRect CutLine(TLabelData& Doc, int Face) {
    TFaceInfo info;
    Doc.PaperInfo()->GetFaceInfo(Face, info);
    return info.GetRect();
}

QImage RasterisedPage(const QString& Pdf, int Dpi) {
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-singlefile"),
             QStringLiteral("-png"), Pdf, dir.filePath(QStringLiteral("page"))});
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QImage(dir.filePath(QStringLiteral("page.png"))).convertToFormat(QImage::Format_RGB32);
}

class Printing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qgetenv("DISPLAY").isEmpty()) << "run under xvfb-run";
        EnsureApplicationClasses();
        ASSERT_TRUE(Dir.isValid());
    }
    QTemporaryDir Dir;
};

} // namespace

TEST_F(Printing, BleedFacesPlaceObjectsFromTheCutLineInEditorPrintSheetAndWizard) {
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        << "pdftoppm (poppler-utils, installed by scripts/bootstrap) renders the printed page";
    TLabelData doc;
    doc.SetPaperInfo(BleedPaper().get());
    doc.SetSeparatelyDesign(true);
    doc.SetModified(false);

    // --- The layout editor ------------------------------------------------------------
    TfrmLayout layout;
    layout.resize(900, 700);
    layout.SetLabelData(&doc);
    layout.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&layout));
    layout.ShowLabel(1);
    layout.SetZoom(100);
    QApplication::processEvents();
    TDrawSite& site = *layout.Site();
    EXPECT_EQ(site.LogWidth(), 600 + 2 * Margin) << "the page shows the bleed";
    EXPECT_EQ(site.LogHeight(), 400 + 2 * Margin);
    // The cut line is drawn a margin into the page; the status bar counts from it.
    const TPoint cutCorner = ReadPosition(layout, ToHost(site, TPoint(Margin, Margin)));
    EXPECT_NEAR(cutCorner.x, 0, 3);
    EXPECT_NEAR(cutCorner.y, 0, 3);

    // A box placed on the page; where the status bar reads its corner.
    auto box = std::make_unique<TLORect>();
    box->SetBoundsRect(TRect(Margin + 120, Margin + 80, Margin + 320, Margin + 230));
    box->FillColor()->SetKind(cskSolid);
    box->FillColor()->SetColor(BoxColor);
    box->SetFillInside(true);
    box->SetFrameWidth(0);
    TLORect* placed = box.get();
    site.InsertObject(box.release());
    site.AddObject(placed);
    site.SetModified(true);
    QApplication::processEvents();
    const QImage editor = layout.Host()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const std::optional<QPoint> shownCorner = BoxCorner(editor);
    ASSERT_TRUE(shownCorner.has_value()) << "the box is shown";
    const TPoint at = ReadPosition(layout, *shownCorner);
    EXPECT_NEAR(at.x, 120, 3) << "12 mm from the cut line";
    EXPECT_NEAR(at.y, 80, 3) << "8 mm from the cut line";
    const TRect placedBounds = placed->GetBoundsRect();
    layout.CommitLabel();

    // Stored in face coordinates, and shown again where it was.
    {
        TDOList stored;
        doc.ReadLabel(1, stored, false);
        ASSERT_EQ(stored.Count(), 1);
        EXPECT_EQ(stored[0]->GetBoundsRect(), TRect(120, 80, 320, 230));
        stored.FreeObjects();
    }
    layout.ShowLabel(0);
    layout.ShowLabel(1);
    TDOList shown;
    site.GetObjects(shown, false);
    ASSERT_EQ(shown.Count(), 1);
    EXPECT_EQ(shown[0]->GetBoundsRect(), placedBounds);

    const TRect cut = CutLine(doc, 1);

    // --- The printed PDF at 254 dots per inch: one pixel is 0.1 mm ------------------------
    const QString pdf = Dir.filePath(QStringLiteral("bleed.pdf"));
    TPrintSpec spec;
    spec.Resolution = 254;
    QString error;
    ASSERT_TRUE(PrintToPdf(doc, pdf, spec, &error)) << error.toStdString();
    const QImage page = RasterisedPage(pdf, 254);
    const std::optional<QPoint> printed = BoxCorner(page);
    ASSERT_TRUE(printed.has_value()) << "the box is printed";
    EXPECT_NEAR(printed->x() - cut.Left, at.x, 3);
    EXPECT_NEAR(printed->y() - cut.Top, at.y, 3);

    // --- The sheet view ----------------------------------------------------------------
    TfrmSheet sheet(doc);
    sheet.resize(700, 900);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QApplication::processEvents();
    auto* sheetHost = sheet.SiteWidget()->findChild<TDrawSiteHost*>();
    ASSERT_NE(sheetHost, nullptr);
    const QImage sheetImage = sheetHost->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const std::optional<QPoint> previewed = BoxCorner(sheetImage);
    ASSERT_TRUE(previewed.has_value()) << "the box is in the face's preview";
    const TPoint inSheet = sheet.Site().DPtoLP(TPoint(previewed->x(), previewed->y()));
    // The preview has about 0.3 mm pixels, the view fewer: 1.2 mm of tolerance.
    EXPECT_NEAR(inSheet.x - cut.Left, at.x, 12);
    EXPECT_NEAR(inSheet.y - cut.Top, at.y, 12);

    // --- The wizard's preview of the sheet -----------------------------------------------
    const QImage wizard = RenderSheetPreview(doc, 1480, 2100);
    ASSERT_FALSE(wizard.isNull());
    const std::optional<QPoint> filled = BoxCorner(wizard.convertToFormat(QImage::Format_RGB32));
    ASSERT_TRUE(filled.has_value()) << "the box is in the wizard's preview";
    const double perUnit = double(wizard.width()) / doc.PaperInfo()->Width();
    EXPECT_NEAR(filled->x() / perUnit - cut.Left, at.x, 5);
    EXPECT_NEAR(filled->y() / perUnit - cut.Top, at.y, 5);

    layout.SetLabelData(nullptr);
}

TEST_F(Printing, EditorShadesWhatPrintingCutsAwayFromADisc) {
    TLabelData doc;
    doc.SetPaperInfo(DiscPaper().get());
    doc.SetModified(false);
    TfrmLayout layout;
    layout.resize(900, 900);
    layout.SetLabelData(&doc);
    layout.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&layout));
    layout.SetZoom(50);
    QApplication::processEvents();
    TDrawSite& site = *layout.Site();
    const QImage shown = layout.Host()->grab().toImage().convertToFormat(QImage::Format_RGB32);

    // Grey hatching in a square of Size logical units around P; none on white paper.
    const auto hatched = [&](const TPoint& P) {
        const QPoint from = ToHost(site, TPoint(P.x - 60, P.y - 60));
        const QPoint to = ToHost(site, TPoint(P.x + 60, P.y + 60));
        return CountPixels(shown, QRect(from, to), [](QRgb C) {
            return qRed(C) < 200 && qRed(C) == qGreen(C) && qGreen(C) == qBlue(C);
        });
    };
    EXPECT_GT(hatched(TPoint(590, 590)), 10) << "the centre hole";
    EXPECT_GT(hatched(TPoint(80, 80)), 10) << "the corner outside the disc";
    EXPECT_EQ(hatched(TPoint(590, 200)), 0) << "the printed ring";
    layout.SetLabelData(nullptr);
}
