// The year/month caption: its text, its size fitted to the text, and its drawing.

#include "CalendarTestSupport.h"
#include "ULOYearMonth.h"

#include <gtest/gtest.h>

TEST(LOYearMonth, CaptionTextAndRanges) {
    TLOYearMonth y;
    struct Row {
        bool IsYear;
        int Year, Month;
        QString Text;
    };
    const Row rows[] = {{true, 2019, 5, "2019"}, {false, 2019, 5, "5"}, {false, 2019, 12, "12"},
                        {false, 2019, 13, "12"}, {false, 2019, 0, "1"}, {true, 0, 1, "1"},
                        {true, 12345, 1, "9999"}};
    for (const Row& r : rows) {
        y.SetIsYear(r.IsYear);
        y.SetYear(r.Year);
        y.SetMonth(r.Month);
        EXPECT_EQ(y.CaptionText(), r.Text) << r.Year << "-" << r.Month;
    }
}

TEST(LOYearMonth, FitsItsTextAndDrawsItInItsFontColour) {
    auto page = MakeCalendarPage(1200, 400);
    TLOYearMonth* y = PlaceOn(*page, std::make_unique<TLOYearMonth>());
    y->Font()->SetName(QStringLiteral("IPAGothic"));
    y->Font()->SetColor(clBlue);
    y->SetBoundsRect(TRect(100, 100, 100, 100));
    y->SetIsYear(false);
    y->SetMonth(1);
    y->FitToContent();
    const TRect one = y->GetRect();
    y->SetMonth(12);
    y->FitToContent();
    const TRect two = y->GetRect();
    EXPECT_EQ(one.TopLeft(), TPoint(100, 100)) << "the corner stays";
    EXPECT_GT(two.Width(), one.Width() * 3 / 2) << "two digits against one";
    EXPECT_EQ(two.Height(), one.Height());
    EXPECT_GT(two.Height(), 36 * 254 / 72) << "at least the font's size";
    y->SetIsYear(true);
    y->SetYear(2026);
    y->FitToContent();
    const QImage image = RenderPage(*page, 254); // one unit, one pixel
    const TRect r = y->GetRect();
    int inside = 0, outside = 0;
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px) {
            const QRgb c = image.pixel(px, py);
            if (qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60)
                ++(PtInRect(r, TPoint(px, py)) ? inside : outside);
        }
    EXPECT_GT(inside, 1000);
    EXPECT_EQ(outside, 0);
}
