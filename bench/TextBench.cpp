// A twelve-month calendar's worth of short strings (about 1,000: day numerals, weekday names,
// month titles, holiday names) laid out and drawn at 600 dpi, beside plain
// QPainter::drawText of the same strings on the same kind of page as the peer.
// Run with QT_QPA_PLATFORM=offscreen.

#include "UBitmap.h"
#include "USimpleText.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include <vector>

namespace {

std::vector<QString> CalendarStrings() {
    std::vector<QString> out;
    const QString weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int month = 1; month <= 12; ++month) {
        out.push_back(QStringLiteral("2027年 %1月").arg(month));
        for (const QString& w : weekdays)
            out.push_back(w);
        for (int day = 1; day <= 31; ++day)
            out.push_back(QString::number(day));
        for (int i = 0; i < 42; ++i)
            out.push_back(i % 7 == 0 ? QStringLiteral("振替休日") : QString::number(i % 31 + 1));
    }
    return out;
}

// An A4-wide strip at 600 dpi whose logical units are 0.1 mm.
constexpr int PageW = 4960, PageH = 1200;

void BM_SimpleTextLayoutAndDraw(benchmark::State& State) {
    const std::vector<QString> strings = CalendarStrings();
    TBitmap page(PageW, PageH);
    TCanvas& c = page.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(254, 254);
    c.SetViewportExtEx(600, 600);
    c.Font().SetPixelsPerInch(254);
    c.Brush().SetStyle(bsClear);
    TSimpleText text;
    text.Font()->SetName(QStringLiteral("ＭＳ Ｐゴシック"));
    text.Font()->SetSize(12);
    text.SetAlign(AlignCenter);
    for (auto _ : State) {
        int i = 0;
        for (const QString& s : strings) {
            text.SetText(TStringList(QStringList{s}));
            const int x = (i % 24) * 80, y = (i / 24 % 10) * 50;
            text.Draw(c, {x, y, x + 80, y + 50});
            ++i;
        }
        benchmark::DoNotOptimize(page.ScanLine(0)[0]);
    }
    State.SetItemsProcessed(State.iterations() * int64_t(strings.size()));
}

void BM_QPainterDrawText(benchmark::State& State) {
    const std::vector<QString> strings = CalendarStrings();
    QImage page(PageW, PageH, QImage::Format_RGB888);
    page.fill(Qt::white);
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(12 * 600 / 72);
    font.setHintingPreference(QFont::PreferNoHinting);
    for (auto _ : State) {
        QPainter p(&page);
        p.setFont(font);
        p.setPen(Qt::black);
        int i = 0;
        for (const QString& s : strings) {
            const int x = (i % 24) * 189, y = (i / 24 % 10) * 118;
            p.drawText(QRect(x, y, 189, 118), Qt::AlignHCenter | Qt::AlignTop, s);
            ++i;
        }
        p.end();
        benchmark::DoNotOptimize(page.constScanLine(0)[0]);
    }
    State.SetItemsProcessed(State.iterations() * int64_t(strings.size()));
}

} // namespace

BENCHMARK(BM_SimpleTextLayoutAndDraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QPainterDrawText)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
