// The pixel engines beside libvips on the same 4000 x 3000 24-bit picture in memory, in one
// process: each benchmark times our engine (the iteration time) and the vips operation
// (median of five calls, counter vips_ms, the result written to memory so that the whole
// image is computed), at one thread and at all threads on both sides (the second argument:
// 1, or 0 for all). The counter ratio is our time over vips' time; below 1 we are faster.
//
// Blur: vips_gaussblur at sigma s beside our radius r = s * sqrt(2 ln 255) - 1, the radius
// whose Gaussian has that sigma (our blur falls to 1/255 of its peak at r + 1). peak_x is
// the peak memory of one call (input included) over the size of the picture plus its
// result; 1.0 means nothing beyond input and output.
//
// Shrink: to 25 % (box) beside vips_shrink 4 x 4. Resize: cubic to 150 % beside vips_resize
// with the cubic kernel. Rotation: 30 degrees (nearest pixel) beside vips_similarity with
// the nearest interpolator.

// vips (through glib) comes before any Qt header: glib uses "signals" as a name.
#include <vips/vips.h>

#include "BenchImage.h"
#include "UFixedStretch.h"
#include "UGaussBlur.h"
#include "UPixelThreads.h"
#include "URotate.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cmath>
#include <functional>
#include <thread>

namespace {

using TVipsOperation = std::function<int(VipsImage* In, VipsImage** Out)>;

int AllThreads() {
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// Both sides get the same number of threads.
int UseThreads(int64_t Argument) {
    const int threads = Argument == 0 ? AllThreads() : static_cast<int>(Argument);
    SetPixelThreadLimit(threads);
    vips_concurrency_set(threads);
    return threads;
}

// Our picture's bytes as a vips image (no copy: rows of 12000 bytes have no padding).
VipsImage* VipsPicture() {
    const TBitmap& p = BenchImage::Picture();
    return vips_image_new_from_memory(p.ScanLine(0),
                                      static_cast<size_t>(p.BytesPerLine()) * p.Height(), p.Width(),
                                      p.Height(), 3, VIPS_FORMAT_UCHAR);
}

// Runs Operation on the picture and writes the whole result into memory.
void RunVips(const TVipsOperation& Operation) {
    VipsImage* in = VipsPicture();
    VipsImage* out = nullptr;
    if (!in || Operation(in, &out) != 0) {
        std::fprintf(stderr, "vips: %s\n", vips_error_buffer());
        std::abort();
    }
    VipsImage* memory = vips_image_new_memory();
    if (vips_image_write(out, memory) != 0) {
        std::fprintf(stderr, "vips: %s\n", vips_error_buffer());
        std::abort();
    }
    g_object_unref(memory);
    g_object_unref(out);
    g_object_unref(in);
}

// Times Ours per iteration (Prepare outside the timing) and vips once beside it.
void Compare(benchmark::State& State, const std::function<void()>& Prepare,
             const std::function<void()>& Ours, const TVipsOperation& Vips) {
    UseThreads(State.range(1));
    const double vips = BenchImage::MedianSeconds([&] { RunVips(Vips); });
    double ours = 0;
    for (auto _ : State) {
        Prepare();
        const double t = BenchImage::Seconds(Ours);
        State.SetIterationTime(t);
        ours += t;
    }
    ours /= static_cast<double>(State.iterations());
    State.counters["vips_ms"] = vips * 1000;
    State.counters["ratio"] = ours / vips;
    State.counters["threads"] = PixelThreadLimit();
}

double RadiusOfSigma(double Sigma) {
    return Sigma * std::sqrt(2 * std::log(255.0)) - 1;
}

void BM_Blur(benchmark::State& State) {
    const double sigma = static_cast<double>(State.range(0));
    const double radius = RadiusOfSigma(sigma);
    TBitmap b;
    auto prepare = [&] {
        b = BenchImage::Picture();
        b.Bits(); // the copy is made outside the timing
    };
    auto ours = [&] { GaussianBlurRect(b, TRect(0, 0, b.Width(), b.Height()), radius, radius); };
    auto vips = [sigma](VipsImage* In, VipsImage** Out) {
        return vips_gaussblur(In, Out, sigma, nullptr);
    };
    Compare(State, prepare, ours, vips);
    // Peak memory of one call each, over picture plus result.
    const double unit = 2.0 * static_cast<double>(BenchImage::PictureBytes());
    const double picture = static_cast<double>(BenchImage::PictureBytes());
    const int64_t ourGrowth = BenchImage::PeakGrowthBytes([&] {
        TBitmap c = BenchImage::Picture();
        GaussianBlurRect(c, TRect(0, 0, c.Width(), c.Height()), radius, radius);
    });
    const int64_t vipsGrowth = BenchImage::PeakGrowthBytes([&] { RunVips(vips); });
    State.counters["peak_x"] = (picture + static_cast<double>(ourGrowth)) / unit;
    State.counters["vips_peak_x"] = (picture + static_cast<double>(vipsGrowth)) / unit;
    b = TBitmap();
}

void BM_ShrinkQuarter(benchmark::State& State) {
    TBitmap d(BenchImage::Width / 4, BenchImage::Height / 4, pf24bit);
    const TBitmap& p = BenchImage::Picture();
    Compare(
        State, [] {},
        [&] { ResampleBitmapRect(&d, &p, TRect(0, 0, p.Width(), p.Height()), rfLinear, reClamp); },
        [](VipsImage* In, VipsImage** Out) { return vips_shrink(In, Out, 4.0, 4.0, nullptr); });
}

void BM_ResizeCubic150(benchmark::State& State) {
    TBitmap d(BenchImage::Width * 3 / 2, BenchImage::Height * 3 / 2, pf24bit);
    const TBitmap& p = BenchImage::Picture();
    Compare(
        State, [] {},
        [&] { ResampleBitmapRect(&d, &p, TRect(0, 0, p.Width(), p.Height()), rfCubic, reClamp); },
        [](VipsImage* In, VipsImage** Out) {
            return vips_resize(In, Out, 1.5, "kernel", VIPS_KERNEL_CUBIC, nullptr);
        });
}

void BM_Rotate30(benchmark::State& State) {
    TBitmap d;
    const TBitmap& p = BenchImage::Picture();
    VipsInterpolate* nearest = vips_interpolate_nearest_static();
    Compare(
        State, [] {}, [&] { RotateBitmapSized(p, d, 30, clWhite, TPoint(p.Width(), p.Height())); },
        [nearest](VipsImage* In, VipsImage** Out) {
            return vips_similarity(In, Out, "angle", 30.0, "interpolate", nearest, nullptr);
        });
}

void ThreadArgs(benchmark::internal::Benchmark* B, std::initializer_list<int64_t> Params) {
    for (int64_t p : Params)
        for (int64_t threads : {1, 0})
            B->Args({p, threads});
    B->ArgNames({"p", "threads"})->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Blur)->Apply([](auto* B) { ThreadArgs(B, {3, 10, 50}); }) -> Iterations(5);
BENCHMARK(BM_ShrinkQuarter)->Apply([](auto* B) { ThreadArgs(B, {25}); }) -> Iterations(10);
BENCHMARK(BM_ResizeCubic150)->Apply([](auto* B) { ThreadArgs(B, {150}); }) -> Iterations(5);
BENCHMARK(BM_Rotate30)->Apply([](auto* B) { ThreadArgs(B, {30}); }) -> Iterations(5);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (VIPS_INIT(argv[0]))
        return 1;
    vips_cache_set_max(0); // every call computes
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    vips_shutdown();
    return 0;
}
