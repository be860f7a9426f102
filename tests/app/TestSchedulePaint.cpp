// The user's schedule everywhere a calendar is drawn outside the editor: the label preview
// of the sheet view, the printed page (read back with pdftoppm) and a calendar filled by the
// wizard. An entry on 2026-12-24 "クリスマス" with a stamp and counted as a holiday, and one
// on 2026-12-07 without: the 24th is drawn in the holiday colour, both texts lie in their
// cells and the stamp lies in the 24th's stamp rect, each read at rects taken from the
// layout model.

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "UBitmap.h"
#include "UCalLayout.h"
#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UGraphicUtils.h"
#include "ULOCalendar.h"
#include "ULabelData.h"
#include "UPNGImage.h"
#include "UPaperInfo.h"
#include "UPictureEx.h"
#include "UPrintCommand.h"
#include "UPrintSettings.h"
#include "UPrinters.h"
#include "UWizardFill.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString WizardFolder = QStringLiteral(VANTOMI_SOURCE_DIR "/data/Data/Wizard");

bool Near(QRgb P, TColor C, int Tolerance) {
    const int r = int(C & 0xFF), g = int((C >> 8) & 0xFF), b = int((C >> 16) & 0xFF);
    return std::abs(qRed(P) - r) <= Tolerance && std::abs(qGreen(P) - g) <= Tolerance &&
           std::abs(qBlue(P) - b) <= Tolerance;
}
bool IsMagenta(QRgb P) {
    return qRed(P) > 200 && qGreen(P) < 80 && qBlue(P) > 200;
}

// Maps logical units of the calendar's coordinates to pixels of the picture checked.
using TToPixels = std::function<QRect(const TRect&)>;

// Pixels that differ between two drawings inside Box.
int Changed(const QImage& A, const QImage& B, const QRect& Box) {
    int n = 0;
    const QRect r = Box.intersected(A.rect()).intersected(B.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (A.pixel(x, y) | 0xFF000000u) != (B.pixel(x, y) | 0xFF000000u);
    return n;
}

// The checks of the December 2026 calendar C drawn With the schedule and Without it (the
// same drawing with no schedule), at C's position as drawn.
void CheckDecember(const QImage& With, const QImage& Without, const TLOCalendar& C,
                   const TToPixels& ToPixels, const char* Where) {
    SCOPED_TRACE(Where);
    ASSERT_FALSE(With.isNull());
    ASSERT_EQ(With.size(), Without.size());
    const TCalLayout l = BuildCalLayout(C);
    ASSERT_TRUE(l.CellOfDay(24) && l.CellOfDay(23) && l.CellOfDay(7) && l.CellOfDay(8));
    ASSERT_TRUE(l.CellOfDay(24)->Day.IsHoliday);
    const auto element = [&](const TCalObj* Style, int Day) {
        return ToPixels(Style->ElementRect(l.CellOfDay(Day)->Rect));
    };
    const auto holidayInk = [&](QRgb P) { return Near(P, C.HolidayCol(), 70); };
    EXPECT_GT(CountPixels(With, element(C.DateObj(), 24), holidayInk), 0)
        << "the 24th in the holiday colour";
    EXPECT_EQ(CountPixels(Without, element(C.DateObj(), 24), holidayInk), 0)
        << "a weekday without the entry";
    EXPECT_EQ(CountPixels(With, element(C.DateObj(), 23), holidayInk), 0);
    EXPECT_GT(Changed(With, Without, element(C.Schedule(), 24)), 0) << "クリスマス";
    EXPECT_GT(Changed(With, Without, element(C.Schedule(), 7)), 0) << "the 7th's entry";
    // Nothing changed outside the two days' cells.
    QImage outside = With.copy();
    QImage plain = Without.copy();
    for (const int day : {7, 24}) {
        const QRect cell = ToPixels(l.CellOfDay(day)->Rect).adjusted(-2, -2, 2, 2);
        for (QImage* image : {&outside, &plain})
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (image->rect().contains(x, y))
                        image->setPixel(x, y, 0xFFFFFFFF);
    }
    EXPECT_EQ(Changed(outside, plain, outside.rect()), 0) << "other days are untouched";
    const QRect stampRect = element(C.Stamp(), 24);
    const QRect stamp = PixelBounds(With, IsMagenta);
    ASSERT_FALSE(stamp.isEmpty()) << "the stamp is drawn";
    EXPECT_TRUE(stampRect.adjusted(-2, -2, 2, 2).contains(stamp))
        << "stamp at " << stamp.x() << "," << stamp.y() << " " << stamp.width() << "x"
        << stamp.height() << ", its rect " << stampRect.x() << "," << stampRect.y() << " "
        << stampRect.width() << "x" << stampRect.height();
    EXPECT_TRUE(PixelBounds(Without, IsMagenta).isEmpty());
}

// A paper of one face of 180 x 150 mm, 10 mm from the sheet's corner, without margin.
std::unique_ptr<TMatrixPaperInfo> OneFacePaper() {
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("予定のテスト"));
    paper->SetGroupName(QStringLiteral("テスト"));
    paper->SetWidth(2100);
    paper->SetHeight(2970);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    paper->SetFaceWidth(1800);
    paper->SetFaceHeight(1500);
    paper->SetFaceCountX(1);
    paper->SetFaceCountY(1);
    paper->SetFaceShape(fsRect);
    return paper;
}

class SchedulePaint : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplicationClasses();
        QImage image(40, 20, QImage::Format_ARGB32);
        image.fill(QColor(255, 0, 255));
        auto png = std::make_unique<TPNGImage>();
        png->SetImage(image);
        FStamp.SetGraphic(std::move(png));
        FTable.CurrentSchedule = [this] { return &FSchedule; };
        FTable.StampPicture = [this](int Code) { return Code == 1 ? &FStamp : nullptr; };
        Add(24, QStringLiteral("クリスマス"), 1, true);
        Add(7, QStringLiteral("会議"), 0, false);
        FGuard = std::make_unique<TCalendarServicesGuard>(&FTable);
    }

    void Add(int Day, const QString& Text, int Icon, bool AsHoliday) {
        auto item = std::make_unique<TCalScheduleItem>();
        item->SetDate(2026, 12, Day);
        item->SetDescription(Text);
        item->SetIcon(Icon);
        item->SetAsHoliday(AsHoliday);
        FSchedule.AddItem(std::move(item));
    }

    // A document whose one face holds a December 2026 calendar covering the face.
    void MakeDocument(TLabelData& Doc) {
        Doc.SetPaperInfo(OneFacePaper().get());
        TDOList list;
        auto calendar = std::make_unique<TLOCalendar>();
        calendar->SetBoundsRect(TRect(0, 0, 1800, 1500));
        calendar->SetYear(2026);
        calendar->SetMonth(12);
        list.Add(calendar.get());
        Doc.WriteLabel(0, list);
    }

    // Drawings by Render with the schedule's table installed and without it.
    template <class F>
    std::pair<QImage, QImage> WithAndWithout(F Render) {
        QImage with = Render();
        FGuard.reset();
        QImage without = Render();
        FGuard = std::make_unique<TCalendarServicesGuard>(&FTable);
        return {with, without};
    }

    TCalSchedule FSchedule;
    TPictureEx FStamp;
    TCalendarServices FTable;
    std::unique_ptr<TCalendarServicesGuard> FGuard;
};

// The objects of label 0 of a document's current sheet, owned.
struct TLabelObjects {
    explicit TLabelObjects(TLabelData& Doc) { Doc.ReadLabel(0, List, false); }
    ~TLabelObjects() { List.FreeObjects(); }
    TLabelObjects(const TLabelObjects&) = delete;
    TLabelObjects& operator=(const TLabelObjects&) = delete;
    TLOCalendar* Calendar() const {
        for (TDrawObject* object : List)
            if (auto* c = qobject_cast<TLOCalendar*>(object))
                return c;
        return nullptr;
    }
    TDOList List;
};

} // namespace

TEST_F(SchedulePaint, TheSheetViewsLabelPreviewShowsTheSchedule) {
    TLabelData doc;
    MakeDocument(doc);
    const auto [with, without] = WithAndWithout([&] {
        doc.MakePreview(0);
        TPictureEx preview;
        EXPECT_TRUE(doc.ReadPreview(0, preview));
        TBitmap bitmap(std::max(1, preview.Width()), std::max(1, preview.Height()), pf24bit);
        bitmap.Fill(clWhite);
        RenderPictureToBitmap(preview, bitmap, clNone, false, clWhite);
        return bitmap.ToQImage().copy();
    });
    const TLabelObjects label(doc);
    const TLOCalendar* c = label.Calendar();
    ASSERT_NE(c, nullptr);
    // The preview shows the face scaled to its width.
    const double scale = double(with.width()) / 1800;
    CheckDecember(
        with, without, *c,
        [scale](const TRect& R) {
            return QRect(QPoint(int(R.Left * scale), int(R.Top * scale)),
                         QPoint(int(R.Right * scale), int(R.Bottom * scale)));
        },
        "label preview");
    with.save(ScreenshotFolder() + QStringLiteral("/schedule-label-preview.png"));
}

TEST_F(SchedulePaint, ThePrintedPageShowsTheSchedule) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed";
    TLabelData doc;
    MakeDocument(doc);
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    constexpr int Dpi = 150;
    int run = 0;
    const auto [with, without] = WithAndWithout([&] {
        const QString name = QStringLiteral("print%1").arg(++run);
        const QString pdf = work.filePath(name + QStringLiteral(".pdf"));
        QString error;
        EXPECT_TRUE(PrintToPdf(doc, pdf, TPrintSpec(), &error)) << error.toStdString();
        QProcess render;
        render.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-png"),
                      QStringLiteral("-singlefile"), pdf, work.filePath(name)});
        EXPECT_TRUE(render.waitForFinished(60000));
        return QImage(work.filePath(name + QStringLiteral(".png")))
            .convertToFormat(QImage::Format_RGB32);
    });
    const TLabelObjects label(doc);
    const TLOCalendar* c = label.Calendar();
    ASSERT_NE(c, nullptr);
    // The face lies 10 mm from the sheet's corner.
    const auto px = [](int Units) { return int((Units + 100) * int64_t(Dpi) / 254); };
    CheckDecember(
        with, without, *c,
        [&](const TRect& R) {
            return QRect(QPoint(px(R.Left), px(R.Top)), QPoint(px(R.Right), px(R.Bottom)));
        },
        "printed page");
    with.save(ScreenshotFolder() + QStringLiteral("/schedule-printed-page.png"));
}

TEST_F(SchedulePaint, ACalendarFilledByTheWizardShowsTheSchedule) {
    TLabelData doc;
    FillCalendarDocument(
        doc, {WizardFolder + QStringLiteral("/Types/Wall.vtd"), QString(), 2026, 12, {}});
    TDrawSite site;
    site.SetBorder(false);
    site.Scaler().SetUnitDPI(254);
    BuildPreviewSite(doc, site);
    TDOList objects;
    site.GetObjects(objects, false);
    TLOCalendar* december = nullptr;
    for (TDrawObject* object : objects)
        if (auto* c = qobject_cast<TLOCalendar*>(object);
            c && c->Year() == 2026 && c->Month() == 12)
            december = c;
    ASSERT_NE(december, nullptr) << "the first page shows December 2026";

    constexpr int Dpi = 100;
    const auto [with, without] = WithAndWithout([&] {
        TBitmap bitmap(int(int64_t(site.LogWidth()) * Dpi / 254),
                       int(int64_t(site.LogHeight()) * Dpi / 254), pf24bit);
        bitmap.Fill(clWhite);
        TDeviceCaps caps;
        caps.LogPixelsX = caps.LogPixelsY = Dpi;
        TBandCanvas canvas([&bitmap] { return &bitmap; }, Dpi, caps);
        site.DrawTo(canvas, TPoint(0, 0), 100);
        return bitmap.ToQImage().copy();
    });
    const auto px = [](int Units) { return int(int64_t(Units) * Dpi / 254); };
    CheckDecember(
        with, without, *december,
        [&](const TRect& R) {
            return QRect(QPoint(px(R.Left), px(R.Top)), QPoint(px(R.Right), px(R.Bottom)));
        },
        "wizard calendar");
    with.save(ScreenshotFolder() + QStringLiteral("/schedule-wizard-calendar.png"));
}
