// JPEG decoding at scales 1/1, 1/2 and 1/8 of a 4000 x 3000 photo-like picture (quality 90,
// 4:2:0), ours (DecodeJPEG, best quality and best speed) beside libjpeg-turbo's own
// tjDecompress2 at the same scale, in one process on one thread. The counter ratio is our
// time over tjDecompress2's (accurate transform for best quality, fast for best speed).
// Both sides decode into a new image on every call, neither clearing it first (ours asks for
// 2 MB pages for it, as every large bitmap does).

#include "BenchImage.h"
#include "UJPEG.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <QByteArray>
#include <QCoreApplication>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

const QByteArray& JpegFile() {
    static const QByteArray data = [] {
        const TBitmap& p = BenchImage::Picture();
        tjhandle h = tjInitCompress();
        unsigned char* out = nullptr;
        unsigned long size = 0;
        if (tjCompress2(h, p.ScanLine(0), p.Width(), p.BytesPerLine(), p.Height(), TJPF_BGR, &out,
                        &size, TJSAMP_420, 90, 0) != 0)
            std::abort();
        QByteArray d(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
        tjFree(out);
        tjDestroy(h);
        return d;
    }();
    return data;
}

TJPEGScale ScaleOf(int64_t Denominator) {
    switch (Denominator) {
    case 2:
        return jsHalf;
    case 4:
        return jsQuarter;
    case 8:
        return jsEighth;
    default:
        return jsFullSize;
    }
}

double PeerSeconds(int Denominator, bool Fast) {
    const QByteArray& data = JpegFile();
    tjhandle h = tjInitDecompress();
    const int w = (BenchImage::Width + Denominator - 1) / Denominator;
    const int ht = (BenchImage::Height + Denominator - 1) / Denominator;
    const double t = BenchImage::MedianSeconds([&] {
        // A new image per call, not cleared first, as our decoder makes one.
        const std::unique_ptr<unsigned char[]> out(new unsigned char[size_t(w) * ht * 3]);
        if (tjDecompress2(h, reinterpret_cast<const unsigned char*>(data.constData()),
                          static_cast<unsigned long>(data.size()), out.get(), w, 0, ht, TJPF_BGR,
                          Fast ? TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE : TJFLAG_ACCURATEDCT) != 0)
            std::abort();
    });
    tjDestroy(h);
    return t;
}

// Arguments: scale denominator, 0 for best quality or 1 for best speed.
void BM_DecodeJPEG(benchmark::State& State) {
    const int denominator = static_cast<int>(State.range(0));
    const bool fast = State.range(1) != 0;
    TJPEGDecodeOptions options;
    options.Scale = ScaleOf(denominator);
    options.Performance = fast ? jpBestSpeed : jpBestQuality;
    const QByteArray& data = JpegFile();
    const double peer = PeerSeconds(denominator, fast);
    double ours = 0;
    for (auto _ : State) {
        const double t = BenchImage::Seconds([&] {
            const TBitmap b = DecodeJPEG(data, options);
            benchmark::DoNotOptimize(b.Width());
        });
        State.SetIterationTime(t);
        ours += t;
    }
    ours /= static_cast<double>(State.iterations());
    State.counters["tj_ms"] = peer * 1000;
    State.counters["ratio"] = ours / peer;
}

} // namespace

BENCHMARK(BM_DecodeJPEG)
    ->ArgsProduct({{1, 2, 8}, {0, 1}})
    ->ArgNames({"scale", "fast"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
