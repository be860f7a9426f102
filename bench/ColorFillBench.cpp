// Colour-spec fills of an A4 page at 300 dpi (2480 x 3508, 24 bits) beside QPainter filling
// an image of the same size: a plain solid fillRect and a linear-gradient fillRect.
//
//   - gradient on a printer canvas: the 128 x 128 grid is computed and linearly resampled to
//     the full page (a new gradient every iteration, so the kept printer bitmap never
//     serves); "band" draws a strip once the page's bitmap is kept, as the bands after the
//     first do;
//   - gradient on a screen canvas: the grid stretched over the page;
//   - picture fill: a 1000 x 750 picture with crop, blur, monotone and light filters
//     (recomputed every iteration) stretched over the page, and the same with the filtered
//     picture cached.

#include "UColorFill.h"
#include "UMemoryCanvas.h"
#include "USafetyBitmap.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <random>

namespace {

constexpr int PageW = 2480;
constexpr int PageH = 3508;

class TPrinterPageCanvas : public TMemoryCanvas {
public:
    explicit TPrinterPageCanvas(TBitmap& Bitmap) {
        TDeviceCaps caps;
        caps.Technology = DT_RASPRINTER;
        caps.LogPixelsX = caps.LogPixelsY = 300;
        caps.HorzRes = Bitmap.Width();
        caps.VertRes = Bitmap.Height();
        SetReferenceDevice(caps);
        SelectBitmap(&Bitmap);
    }

protected:
    TBitmap* GetBitmapHandle() override { return nullptr; }
};

void BM_GradientPrinterPage(benchmark::State& State) {
    TBitmap page(PageW, PageH, pf24bit);
    TPrinterPageCanvas canvas(page);
    TColor colors[] = {0x0000FF, 0x00FFFF, 0xFF0000};
    int n = 0;
    for (auto _ : State) {
        colors[1] = 0x00FF00 + (++n & 0xFF);
        GradFill(canvas, TRect(0, 0, PageW, PageH), colors, 3, false, 300, rgkCircleToRim);
        benchmark::DoNotOptimize(page.ScanLine(0)[0]);
    }
}

void BM_GradientPrinterBand(benchmark::State& State) {
    TBitmap page(PageW, PageH, pf24bit);
    TBitmap band(PageW, 256, pf24bit);
    const TColor colors[] = {0x0000FF, 0x00FFFF, 0xFF0000};
    {
        TPrinterPageCanvas canvas(page);
        GradFill(canvas, TRect(0, 0, PageW, PageH), colors, 3, false, 300, rgkCircleToRim);
    }
    TPrinterPageCanvas canvas(band);
    canvas.SetWindowOrgEx(0, 1024);
    for (auto _ : State) {
        GradFill(canvas, TRect(0, 0, PageW, PageH), colors, 3, false, 300, rgkCircleToRim);
        benchmark::DoNotOptimize(band.ScanLine(0)[0]);
    }
}

void BM_GradientScreenPage(benchmark::State& State) {
    TBitmap page(PageW, PageH, pf24bit);
    const TColor colors[] = {0x0000FF, 0x00FFFF, 0xFF0000};
    for (auto _ : State) {
        GradFill(page.Canvas(), TRect(0, 0, PageW, PageH), colors, 3, false, 300, rgkSimple);
        benchmark::DoNotOptimize(page.ScanLine(0)[0]);
    }
}

std::unique_ptr<TColorSpec> FilteredPictureSpec() {
    std::mt19937 rng(7);
    TBitmap picture(1000, 750, pf24bit);
    for (int y = 0; y < picture.Height(); ++y)
        for (int i = 0; i < picture.Width() * 3; ++i)
            picture.ScanLine(y)[i] = static_cast<uint8_t>((i / 3 + y) ^ (rng() & 15));
    auto spec = std::make_unique<TColorSpec>();
    spec->ImageData()->Picture()->SetGraphic(std::make_unique<TSafetyBitmap>(picture));
    spec->SetKind(cskBitmap);
    spec->ImageData()->ClipFilter()->SetClipRect(TRect(50, 40, 950, 700));
    spec->ImageData()->BlurFilter()->SetBlurCount(1);
    spec->ImageData()->MonotoneFilter()->SetRefColor(0x3080C0);
    spec->ImageData()->LightFilter()->SetContrast(20);
    return spec;
}

void BM_PictureFillWithFilters(benchmark::State& State) {
    TBitmap page(PageW, PageH, pf24bit);
    auto spec = FilteredPictureSpec();
    int n = 0;
    for (auto _ : State) {
        spec->ImageData()->LightFilter()->SetBrightness(++n & 1); // recompute the filters
        spec->Fill(page.Canvas(), TRect(0, 0, PageW, PageH));
        benchmark::DoNotOptimize(page.ScanLine(0)[0]);
    }
}

void BM_PictureFillCached(benchmark::State& State) {
    TBitmap page(PageW, PageH, pf24bit);
    auto spec = FilteredPictureSpec();
    for (auto _ : State) {
        spec->Fill(page.Canvas(), TRect(0, 0, PageW, PageH));
        benchmark::DoNotOptimize(page.ScanLine(0)[0]);
    }
}

void BM_QPainterSolidPage(benchmark::State& State) {
    QImage page(PageW, PageH, QImage::Format_BGR888);
    int n = 0;
    for (auto _ : State) {
        QPainter p(&page);
        p.fillRect(0, 0, PageW, PageH, QColor(++n & 0xFF, 128, 64));
        p.end();
        benchmark::DoNotOptimize(page.constBits()[0]);
    }
}

void BM_QPainterLinearGradientPage(benchmark::State& State) {
    QImage page(PageW, PageH, QImage::Format_BGR888);
    for (auto _ : State) {
        QLinearGradient g(0, 0, PageW, 0);
        g.setColorAt(0, Qt::red);
        g.setColorAt(0.5, Qt::yellow);
        g.setColorAt(1, Qt::blue);
        QPainter p(&page);
        p.fillRect(0, 0, PageW, PageH, g);
        p.end();
        benchmark::DoNotOptimize(page.constBits()[0]);
    }
}

} // namespace

BENCHMARK(BM_GradientPrinterPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GradientPrinterBand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GradientScreenPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PictureFillWithFilters)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PictureFillCached)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QPainterSolidPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QPainterLinearGradientPage)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
