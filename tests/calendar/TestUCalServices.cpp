// The calendar service table and what calendars paint from it: the user's schedule (texts,
// days counted as holidays), stamp pictures fitted into the stamp element and the
// schedule-style pictures, read back as pixels inside rects taken from the layout model.

#include "CalendarTestSupport.h"
#include "TestSupport.h"
#include "UCalLayout.h"
#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UPNGImage.h"
#include "UPictureEx.h"
#include "UPictureFormats.h"
#include "UStyleList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int Dpi = 200;

std::unique_ptr<TPictureEx> SolidPicture(int Width, int Height, QColor Color) {
    QImage image(Width, Height, QImage::Format_ARGB32);
    image.fill(Color);
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(image);
    auto picture = std::make_unique<TPictureEx>();
    picture->SetGraphic(std::move(png));
    return picture;
}

// Colours told apart by which channels stand out, so that the grey edges of black text
// count as none of them.
bool IsMagenta(QRgb P) {
    return qRed(P) > 200 && qBlue(P) > 200 && qGreen(P) < 80;
}
bool IsRed(QRgb P) {
    return qRed(P) > qGreen(P) + 80 && qRed(P) > qBlue(P) + 80;
}
bool IsGreen(QRgb P) {
    return qGreen(P) > qRed(P) + 50 && qGreen(P) > qBlue(P) + 50;
}
bool IsCyan(QRgb P) {
    return qGreen(P) > 200 && qBlue(P) > 200 && qRed(P) < 80;
}

class CalServices : public CalendarTables {
protected:
    void SetUp() override {
        Stamp = SolidPicture(40, 20, QColor(255, 0, 255));
        Style = SolidPicture(10, 10, QColor(0, 255, 255));
        Table.CurrentSchedule = [this] { return &Schedule; };
        Table.StampPicture = [this](int Code) { return Code == 1 ? Stamp.get() : nullptr; };
        Table.ScheduleStylePicture = [this](int Code) { return Code == 2 ? Style.get() : nullptr; };
        Add(24, u"クリスマス"_qs, 1, true);
        Add(7, u"会議"_qs, 0, false);
    }

    TCalScheduleItem* Add(int Day, const QString& Text, int Icon, bool AsHoliday) {
        auto item = std::make_unique<TCalScheduleItem>();
        item->SetDate(2026, 12, Day);
        item->SetDescription(Text);
        item->SetIcon(Icon);
        item->SetAsHoliday(AsHoliday);
        return Schedule.AddItem(std::move(item));
    }

    // A December 2026 cross calendar on its own page, bound to no schedule.
    TLOCalendar* PlaceDecember(TDrawSite& Page) {
        auto* c = PlaceOn(Page, std::make_unique<TLOCalendar>());
        c->SetBoundsRect(TRect(0, 0, 1400, 1200));
        c->SetYear(2026);
        c->SetMonth(12);
        c->Schedule()->Font()->SetColor(0x00A000);
        return c;
    }

    QRect ElementBox(const TLOCalendar& C, const TCalObj* Style, int Day) const {
        const TCalLayout layout = BuildCalLayout(C);
        const TCalCell* cell = layout.CellOfDay(Day);
        EXPECT_NE(cell, nullptr) << Day;
        return cell ? UnitsToPixels(Style->ElementRect(cell->Rect), Dpi) : QRect();
    }

    TCalSchedule Schedule;
    std::unique_ptr<TPictureEx> Stamp;
    std::unique_ptr<TPictureEx> Style;
    TCalendarServices Table;
};

} // namespace

TEST_F(CalServices, ACalendarPaintsTheUsersScheduleFromTheTable) {
    const TCalendarServicesGuard installed(&Table);
    auto page = MakeCalendarPage(1400, 1200);
    TLOCalendar* c = PlaceDecember(*page);
    ASSERT_EQ(c->UsrSchedule(), &Schedule) << "unbound calendars take the table's schedule";

    const TCalLayout l = BuildCalLayout(*c);
    const TCalDay& eve = l.CellOfDay(24)->Day;
    EXPECT_TRUE(eve.IsHoliday);
    EXPECT_EQ(eve.ScheduleText, u"クリスマス"_qs);
    EXPECT_EQ(eve.StampCode, 1);
    EXPECT_FALSE(l.CellOfDay(7)->Day.IsHoliday);
    EXPECT_EQ(l.CellOfDay(7)->Day.StampCode, 0);

    const QImage image = RenderPage(*page, Dpi);
    // The 24th (a Thursday) in the holiday colour; the 23rd in the weekday colour.
    EXPECT_GT(CountPixels(image, ElementBox(*c, c->DateObj(), 24), IsRed), 20);
    EXPECT_EQ(CountPixels(image, ElementBox(*c, c->DateObj(), 23), IsRed), 0);
    // Both texts in their own cells, none on a day without an entry.
    EXPECT_GT(CountPixels(image, ElementBox(*c, c->Schedule(), 24), IsGreen), 20);
    EXPECT_GT(CountPixels(image, ElementBox(*c, c->Schedule(), 7), IsGreen), 20);
    EXPECT_EQ(CountPixels(image, ElementBox(*c, c->Schedule(), 8), IsGreen), 0);

    // The stamp only inside the 24th's stamp rect, fitted keeping its 2:1 aspect and
    // centred there.
    const QRect stampRect = ElementBox(*c, c->Stamp(), 24);
    const QRect stamp = PixelBounds(image, IsMagenta);
    ASSERT_FALSE(stamp.isEmpty()) << "the stamp picture is drawn";
    EXPECT_TRUE(stampRect.adjusted(-1, -1, 1, 1).contains(stamp))
        << "stamp " << stamp.x() << "," << stamp.y() << " " << stamp.width() << "x"
        << stamp.height() << " outside its rect " << stampRect.x() << "," << stampRect.y() << " "
        << stampRect.width() << "x" << stampRect.height();
    EXPECT_NEAR(stamp.width(), std::min(stampRect.width(), 2 * stampRect.height()), 2);
    EXPECT_NEAR(stamp.width(), 2 * stamp.height(), 2);
    EXPECT_NEAR(stamp.center().x(), stampRect.center().x(), 2);
    EXPECT_NEAR(stamp.center().y(), stampRect.center().y(), 2);
}

TEST_F(CalServices, TheStyleOfAnEntryLiesUnderItsTextAndUnknownCodesDrawNothing) {
    const TCalendarServicesGuard installed(&Table);
    Schedule.Items(1)->SetHowToDisplay(2);                  // the 7th gets the style picture
    TCalScheduleItem* lost = Add(15, u"遠足"_qs, 9, false); // a stamp the list lacks
    lost->SetHowToDisplay(7);
    auto page = MakeCalendarPage(1400, 1200);
    TLOCalendar* c = PlaceDecember(*page);
    QImage image;
    ASSERT_NO_THROW(image = RenderPage(*page, Dpi));

    const QRect styled = ElementBox(*c, c->Schedule(), 7);
    EXPECT_GT(CountPixels(image, styled, IsCyan), styled.width() * styled.height() / 3);
    EXPECT_GT(CountPixels(image, styled, IsGreen), 10) << "the text is drawn over its style";
    EXPECT_TRUE(styled.adjusted(-1, -1, 1, 1).contains(PixelBounds(image, IsCyan)));

    // The 15th: its text, and no picture of any kind.
    EXPECT_GT(CountPixels(image, ElementBox(*c, c->Schedule(), 15), IsGreen), 20);
    EXPECT_EQ(CountPixels(image, ElementBox(*c, c->Stamp(), 15), IsMagenta), 0);
    EXPECT_EQ(CountPixels(image, ElementBox(*c, c->Schedule(), 15), IsCyan), 0);
}

TEST_F(CalServices, WithoutATableOrWithABoundScheduleTheTableIsNotUsed) {
    auto page = MakeCalendarPage(1400, 1200);
    TLOCalendar* c = PlaceDecember(*page);
    {
        // No table: no schedule, nothing of it drawn.
        EXPECT_EQ(c->UsrSchedule(), nullptr);
        EXPECT_FALSE(BuildCalLayout(*c).CellOfDay(24)->Day.HasSchedule);
        const QImage image = RenderPage(*page, Dpi);
        EXPECT_EQ(CountPixels(image, image.rect(), IsMagenta), 0);
        EXPECT_EQ(CountPixels(image, image.rect(), IsGreen), 0);
    }
    // A table whose getter has no schedule (the file could not be read) is the same.
    TCalendarServices empty;
    empty.CurrentSchedule = [] { return nullptr; };
    {
        const TCalendarServicesGuard installed(&empty);
        EXPECT_EQ(c->UsrSchedule(), nullptr);
        EXPECT_EQ(CalendarStampPicture(1), nullptr);
        TPictureEx picture;
        EXPECT_FALSE(LoadCalendarPictureFont(0, picture));
    }
    // A calendar bound to a schedule of its own keeps it.
    const TCalendarServicesGuard installed(&Table);
    TCalSchedule own;
    c->SetUsrSchedule(&own);
    EXPECT_EQ(c->UsrSchedule(), &own);
    EXPECT_FALSE(BuildCalLayout(*c).CellOfDay(24)->Day.HasSchedule);
    c->SetUsrSchedule(nullptr);
    EXPECT_TRUE(BuildCalLayout(*c).CellOfDay(24)->Day.HasSchedule);
    // The guard put the previous table back.
    { const TCalendarServicesGuard inner(&empty); }
    EXPECT_EQ(CalendarServices(), &Table);
}

TEST(StylePictures, CodesCountFromOneAndMissingPicturesAreNone) {
    RegisterPictureFormats();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& [name, size] : {std::pair{"a.png", QSize(8, 6)}, {"b.png", QSize(4, 4)}}) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(dir.filePath(QString::fromLatin1(name))));
    }
    {
        QFile broken(dir.filePath(QStringLiteral("broken.png")));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
    }
    TStyleIndexList list;
    ASSERT_EQ(list.LoadFromBytes("[INDEX]\r\nA=a.png\r\nB=b.png\r\nC=broken.png\r\nD=none.png\r\n",
                                 dir.path()),
              QString());
    const TStylePictures pictures(&list, StampSection);
    struct {
        int Code;
        int Width; // 0: none
    } const cases[] = {{0, 0}, {-3, 0}, {1, 8}, {2, 4}, {3, 0}, {4, 0}, {5, 0}, {1 << 30, 0}};
    for (const auto& c : cases) {
        const TPictureEx* p = pictures.Picture(c.Code);
        EXPECT_EQ(p ? p->Width() : 0, c.Width) << c.Code;
    }
    EXPECT_EQ(pictures.Picture(1), pictures.Picture(1)) << "loaded once and kept";
    TPictureEx loaded;
    EXPECT_TRUE(pictures.LoadEntry(1, loaded));
    EXPECT_EQ(loaded.Width(), 4);
    EXPECT_FALSE(pictures.LoadEntry(2, loaded));
    EXPECT_EQ(loaded.Width(), 4) << "a failed load leaves the picture";
    const TStylePictures none(nullptr, StampSection);
    EXPECT_EQ(none.Picture(1), nullptr);
}
