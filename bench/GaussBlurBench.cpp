// The recursive blur on a 4000 x 3000 24-bit picture beside `vips gaussblur` run
// single-threaded on the same picture. The peer runs twice per radius: with sigma equal to
// the radius (the same number a user would type) and with the sigma our radius stands for
// ((r + 1) / sqrt(2 ln 255), the same Gaussian). `vips copy` shows the peer's fixed cost
// (start-up, reading and writing the file), which the blur ratios include.

#include "BenchImage.h"
#include "UGaussBlur.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <string>

namespace {

void BM_GaussianBlurRect(benchmark::State& State) {
    const double radius = static_cast<double>(State.range(0));
    const TBitmap& picture = BenchImage::Picture();
    for (auto _ : State) {
        State.PauseTiming();
        TBitmap b = picture;
        b.ScanLine(0); // detach the copy outside the timing
        State.ResumeTiming();
        GaussianBlurRect(b, TRect(0, 0, b.Width(), b.Height()), radius, radius);
        benchmark::DoNotOptimize(b.ScanLine(0)[0]);
    }
}

void RunPeer(benchmark::State& State, const std::string& Operation, const std::string& Arguments) {
    if (BenchImage::VipsInput().empty()) {
        State.SkipWithError("vips is not available");
        return;
    }
    const std::string command = BenchImage::VipsCommand(Operation, Arguments);
    for (auto _ : State)
        if (!BenchImage::Run(command)) {
            State.SkipWithError("vips failed");
            return;
        }
}

void BM_VipsGaussblurSigmaIsRadius(benchmark::State& State) {
    RunPeer(State, "gaussblur", std::to_string(State.range(0)));
}

void BM_VipsGaussblurSameSigma(benchmark::State& State) {
    RunPeer(State, "gaussblur",
            std::to_string(BlurSigmaOfRadius(static_cast<double>(State.range(0)))));
}

void BM_VipsCopy(benchmark::State& State) {
    RunPeer(State, "copy", "");
}

} // namespace

BENCHMARK(BM_GaussianBlurRect)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VipsGaussblurSigmaIsRadius)
    ->Arg(10)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_VipsGaussblurSameSigma)
    ->Arg(10)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_VipsCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
