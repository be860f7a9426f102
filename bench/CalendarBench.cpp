// A year on one page: twelve month calendars (2026, three across and four down on an A4
// page) drawn at 600 dpi onto one 24-bit page bitmap, as printing a calendar page does, with
// the shipped calendar tables loaded. Reported with the process's peak resident memory, which
// the 4961 x 7016 page bitmap (about 100 MiB) dominates.

#include "UBitmap.h"
#include "UDayTable.h"
#include "UDrawSite.h"
#include "UHolidays.h"
#include "ULOCalendar.h"
#include "UPrinters.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <sys/resource.h>

namespace {

constexpr int PageWidth = 2100, PageHeight = 2970; // 0.1 mm
constexpr int Dpi = 600;

void LoadTables() {
    const QString data =
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath("../data/");
    LoadMoonAgeTable(data + "MoonAge.tbl");
    LoadW6Z24Table(data + "W6Z24.tbl");
    LoadHolidayTable(data + "Holiday.tbl");
}

std::unique_ptr<TDrawSite> YearPage() {
    auto site = std::make_unique<TDrawSite>();
    site->Scaler().SetUnitDPI(254);
    site->SetLogWidth(PageWidth);
    site->SetLogHeight(PageHeight);
    site->SetBorder(false);
    for (int i = 0; i < 12; ++i) {
        auto c = std::make_unique<TLOCalendar>();
        const int x = 60 + (i % 3) * 670, y = 60 + (i / 3) * 710;
        c->SetBoundsRect(TRect(x, y, x + 640, y + 640));
        c->SetYear(2026);
        c->SetMonth(i + 1);
        c->SetMonthOrigin(i);
        c->SethdCircleColor(0xD0D0FF);
        c->SetSaturdayBaseCol(0xFFF0E0);
        TLOCalendar* placed = c.get();
        site->InsertObject(c.release());
        site->AddObject(placed);
    }
    return site;
}

double PeakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_TwelveMonthPageAt600Dpi(benchmark::State& State) {
    LoadTables();
    const std::unique_ptr<TDrawSite> site = YearPage();
    const int w = int(int64_t(PageWidth) * Dpi / 254), h = int(int64_t(PageHeight) * Dpi / 254);
    TBitmap page(w, h, pf24bit);
    TDeviceCaps caps;
    caps.LogPixelsX = caps.LogPixelsY = Dpi;
    TBandCanvas canvas([&page] { return &page; }, Dpi, caps);
    page.Fill(clWhite);
    const double beforeDrawing = PeakResidentMiB();
    for (auto _ : State) {
        page.Fill(clWhite);
        site->DrawTo(canvas, TPoint(0, 0), 100);
        benchmark::DoNotOptimize(page.ToQImage().constScanLine(h / 2)[w / 2]);
    }
    State.counters["pages/s"] =
        benchmark::Counter(double(State.iterations()), benchmark::Counter::kIsRate);
    State.counters["peak_RSS_MiB"] = PeakResidentMiB();
    State.counters["RSS_before_drawing_MiB"] = beforeDrawing;
    State.counters["page_MiB"] = double(int64_t(w) * h * 3) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(BM_TwelveMonthPageAt600Dpi)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
