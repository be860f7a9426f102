#include "CalendarTestSupport.h"

#include "UDayTable.h"
#include "UHolidays.h"
#include "UPrinters.h"

void CalendarTables::SetUpTestSuite() {
    const QString data = QStringLiteral(VANTOMI_SOURCE_DIR "/data/");
    LoadMoonAgeTable(data + "MoonAge.tbl");
    LoadW6Z24Table(data + "W6Z24.tbl");
    LoadHolidayTable(data + "Holiday.tbl");
}

void CalendarTables::TearDownTestSuite() {
    SetMoonAgeTable(nullptr);
    SetW6Z24Table(nullptr);
    SetHolidayTable(nullptr);
}

std::unique_ptr<TDrawSite> MakeCalendarPage(int Width, int Height) {
    auto site = std::make_unique<TDrawSite>();
    site->Scaler().SetUnitDPI(254);
    site->SetLogWidth(Width);
    site->SetLogHeight(Height);
    site->SetColor(clWhite);
    site->SetBorder(false);
    return site;
}

int UnitsToPixels(int Units, int Dpi) {
    return static_cast<int>(int64_t(Units) * Dpi / 254);
}

QRect UnitsToPixels(const TRect& R, int Dpi) {
    const int l = UnitsToPixels(R.Left, Dpi), t = UnitsToPixels(R.Top, Dpi);
    return QRect(l, t, UnitsToPixels(R.Right, Dpi) - l, UnitsToPixels(R.Bottom, Dpi) - t);
}

QImage RenderPage(TDrawSite& Site, int Dpi) {
    TBitmap bitmap(UnitsToPixels(Site.LogWidth(), Dpi), UnitsToPixels(Site.LogHeight(), Dpi),
                   pf24bit);
    bitmap.Fill(clWhite);
    TDeviceCaps caps;
    caps.LogPixelsX = caps.LogPixelsY = Dpi;
    TBandCanvas canvas([&bitmap] { return &bitmap; }, Dpi, caps);
    Site.DrawTo(canvas, TPoint(0, 0), 100);
    return bitmap.ToQImage().copy();
}
