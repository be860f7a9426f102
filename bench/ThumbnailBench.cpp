// Thumbnails per second for a folder of 200 photos of 12 megapixels (4000 x 3000 JPEG): the
// background loader making 200 x 200 thumbnails through the thumbnail cache, with the cache
// empty (cold: decode, reduce, write the cache) and filled (warm: read the cache), beside
// `vipsthumbnail -s 200` on the same files. Both sides run on one thread: the loader is the
// program's single worker, the peer runs with VIPS_CONCURRENCY=1. The peer's time includes
// its start-up and the writing of its output files.

#include "BenchImage.h"
#include "UImageCache.h"
#include "UImageLoadThread.h"
#include "UPictureFormats.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <condition_variable>
#include <mutex>

namespace {

constexpr int PhotoCount = 200;

QString PhotoFolder() {
    return BenchImage::Folder() + QStringLiteral("/photos");
}

QString CacheFile() {
    return BenchImage::Folder() + QStringLiteral("/ImageCache.ic");
}

// Writes the photos once: the shared picture with a numbered band each, JPEG quality 90.
bool PreparePhotos() {
    static const bool ready = [] {
        QDir().mkpath(PhotoFolder());
        const QImage base = BenchImage::Picture().ToQImage().convertToFormat(QImage::Format_RGB32);
        for (int i = 0; i < PhotoCount; ++i) {
            const QString name =
                PhotoFolder() + QStringLiteral("/photo%1.jpg").arg(i, 3, 10, QChar(u'0'));
            if (QFile::exists(name))
                continue;
            QImage photo = base;
            QPainter painter(&photo);
            painter.fillRect(0, i * 15, BenchImage::Width, 15, QColor::fromHsv(i, 200, 200));
            painter.end();
            if (!photo.save(name, "JPEG", 90))
                return false;
        }
        return true;
    }();
    return ready;
}

// Runs the loader over every photo and waits for every result.
void LoadAll(TFolderImagePack& Pack, TImageCacheStorage& Cache) {
    std::mutex mutex;
    std::condition_variable done;
    int results = 0;
    TImageLoadThread loader;
    loader.SetImagePack(&Pack);
    loader.SetThumbnailSize(200);
    loader.SetThumbnailCache(&Cache);
    loader.OnResult = [&] {
        std::lock_guard lock(mutex);
        ++results;
        done.notify_all();
    };
    for (int i = 0; i < Pack.GetCount(); ++i)
        loader.AddRequest(i);
    {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return results >= Pack.GetCount(); });
    }
    TPictureEx picture;
    while (loader.FetchResult(picture) >= 0)
        benchmark::DoNotOptimize(picture.Width());
    loader.Stop();
}

void RunLoader(benchmark::State& State, bool Warm) {
    if (!PreparePhotos()) {
        State.SkipWithError("photos could not be written");
        return;
    }
    TFolderImagePack pack;
    pack.SetFileMask(PhotoFolder() + QStringLiteral("/*.jpg"));
    if (Warm) {
        QFile::remove(CacheFile());
        TImageCacheStorage cache;
        cache.Open(CacheFile(), false);
        LoadAll(pack, cache);
    }
    for (auto _ : State) {
        if (!Warm) {
            State.PauseTiming();
            QFile::remove(CacheFile());
            State.ResumeTiming();
        }
        TImageCacheStorage cache;
        cache.Open(CacheFile(), false);
        LoadAll(pack, cache);
        cache.Close();
    }
    State.SetItemsProcessed(State.iterations() * pack.GetCount());
}

void BM_LoaderThumbnailsColdCache(benchmark::State& State) {
    RunLoader(State, false);
}

void BM_LoaderThumbnailsWarmCache(benchmark::State& State) {
    RunLoader(State, true);
}

void BM_Vipsthumbnail(benchmark::State& State) {
    if (!PreparePhotos() || !BenchImage::Run("which vipsthumbnail >/dev/null 2>&1")) {
        State.SkipWithError("vipsthumbnail or the photos are not available");
        return;
    }
    const QString out = BenchImage::Folder() + QStringLiteral("/vipsout");
    QDir().mkpath(out);
    const std::string command = "VIPS_CONCURRENCY=1 vipsthumbnail -s 200 -o " + out.toStdString() +
                                "/%s.jpg " + PhotoFolder().toStdString() + "/*.jpg >/dev/null 2>&1";
    for (auto _ : State)
        if (!BenchImage::Run(command)) {
            State.SkipWithError("vipsthumbnail failed");
            return;
        }
    State.SetItemsProcessed(State.iterations() * PhotoCount);
}

} // namespace

BENCHMARK(BM_LoaderThumbnailsColdCache)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK(BM_LoaderThumbnailsWarmCache)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_Vipsthumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterPictureFormats();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
