// The stretch engine on a 4000 x 3000 24-bit picture beside `vips resize` run
// single-threaded on the same picture: the cubic shrink to 1000 x 750 (our box shrink, the
// path cubic takes when shrinking) and a cubic enlargement of a quarter of the picture to
// twice its size. `vips copy` shows the peer's fixed cost (start-up, reading and writing the
// file), which the peer timings include.

#include "BenchImage.h"
#include "UFixedStretch.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <string>

namespace {

void BM_CubicShrinkTo1000x750(benchmark::State& State) {
    const TBitmap& picture = BenchImage::Picture();
    TBitmap dest(1000, 750, pf24bit);
    for (auto _ : State) {
        StretchDrawFiltered(&dest, &picture, rfCubic);
        benchmark::DoNotOptimize(dest.ScanLine(0)[0]);
    }
}

void BM_CubicEnlargeQuarterTo4000x3000(benchmark::State& State) {
    const TBitmap& picture = BenchImage::Picture();
    TBitmap dest(4000, 3000, pf24bit);
    for (auto _ : State) {
        ResampleBitmapRect(&dest, &picture, TRect(0, 0, 2000, 1500), rfCubic, reClamp);
        benchmark::DoNotOptimize(dest.ScanLine(0)[0]);
    }
}

void BM_NearestShrinkTo1000x750(benchmark::State& State) {
    const TBitmap& picture = BenchImage::Picture();
    TBitmap dest(1000, 750, pf24bit);
    for (auto _ : State) {
        StretchDrawFiltered(&dest, &picture, rfNearest);
        benchmark::DoNotOptimize(dest.ScanLine(0)[0]);
    }
}

void RunPeer(benchmark::State& State, const std::string& Command) {
    if (BenchImage::VipsInput().empty()) {
        State.SkipWithError("vips is not available");
        return;
    }
    for (auto _ : State)
        if (!BenchImage::Run(Command)) {
            State.SkipWithError("vips failed");
            return;
        }
}

void BM_VipsResizeCubicTo1000x750(benchmark::State& State) {
    RunPeer(State, BenchImage::VipsCommand("resize", "0.25 --kernel cubic"));
}

void BM_VipsCopy(benchmark::State& State) {
    RunPeer(State, BenchImage::VipsCommand("copy", ""));
}

} // namespace

BENCHMARK(BM_CubicShrinkTo1000x750)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NearestShrinkTo1000x750)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CubicEnlargeQuarterTo4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VipsResizeCubicTo1000x750)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_VipsCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
