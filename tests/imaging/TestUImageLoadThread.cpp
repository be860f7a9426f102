#include "UImageLoadThread.h"

#include "TestSupport.h"
#include "UBitmap.h"
#include "UGraphicUtils.h"
#include "USafetyBitmap.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// A gate the worker waits at until the test opens it (no timing involved).
class TGate {
public:
    void Open() {
        std::lock_guard lock(FMutex);
        FOpen = true;
        FCond.notify_all();
    }
    void Pass() {
        std::unique_lock lock(FMutex);
        FArrived = true;
        FCond.notify_all();
        FCond.wait(lock, [this] { return FOpen; });
    }
    // Waits until the worker is at the gate.
    void AwaitArrival() {
        std::unique_lock lock(FMutex);
        FCond.wait(lock, [this] { return FArrived; });
    }

private:
    std::mutex FMutex;
    std::condition_variable FCond;
    bool FOpen = false;
    bool FArrived = false;
};

// A custom pack whose image I is a bitmap I + 1 pixels wide; the first load waits at Gate.
struct TGatedPack {
    TCustomImagePack Pack;
    TGate Gate;
    std::mutex Mutex;
    std::vector<int> Loaded;
    int Failing = -1;
    explicit TGatedPack(int Count = 1000) {
        Pack.OnGetCount = [Count](TImagePack*, int& N) { N = Count; };
        Pack.OnGetImage = [this](TImagePack*, TPictureEx& Picture, int Index) {
            bool first;
            {
                std::lock_guard lock(Mutex);
                first = Loaded.empty();
                Loaded.push_back(Index);
            }
            if (first)
                Gate.Pass();
            if (Index == Failing)
                throw EImagePack("damaged");
            Picture.SetGraphic(std::make_unique<TSafetyBitmap>(TBitmap(Index + 1, 1)));
        };
    }
};

// Every result until Count have come in: waits on the result event, not on a clock.
struct TResultWaiter {
    std::mutex Mutex;
    std::condition_variable Cond;
    int Results = 0;
    void Attach(TImageLoadThread& Loader) {
        Loader.OnResult = [this] {
            std::lock_guard lock(Mutex);
            ++Results;
            Cond.notify_all();
        };
    }
    void Await(int Count) {
        std::unique_lock lock(Mutex);
        Cond.wait(lock, [&] { return Results >= Count; });
    }
};

std::vector<int> FetchAll(TImageLoadThread& Loader, std::vector<int>* Widths = nullptr) {
    std::vector<int> order;
    TPictureEx picture;
    for (int index; (index = Loader.FetchResult(picture)) >= 0;) {
        order.push_back(index);
        if (Widths)
            Widths->push_back(picture.Width());
    }
    return order;
}

} // namespace

TEST(ImageLoadThread, NewestRequestFirstResultsInLoadingOrder) {
    TGatedPack p;
    TImageLoadThread loader;
    TResultWaiter waiter;
    waiter.Attach(loader);
    loader.SetImagePack(&p.Pack);
    loader.AddRequest(0);
    p.Gate.AwaitArrival();
    loader.AddRequest(1);
    loader.AddRequest(2);
    loader.AddRequest(3);
    loader.AddRequest(2); // already queued
    EXPECT_EQ(loader.RequestCount(), 3);
    p.Gate.Open();
    waiter.Await(4);
    std::vector<int> widths;
    EXPECT_EQ(FetchAll(loader, &widths), (std::vector<int>{0, 3, 2, 1}));
    EXPECT_EQ(widths, (std::vector<int>{1, 4, 3, 2}));
    loader.Stop();
    EXPECT_TRUE(loader.Done());
}

TEST(ImageLoadThread, FailedLoadHandsBackTheErrorPicture) {
    TGatedPack p;
    p.Failing = 0;
    p.Gate.Open();
    TImageLoadThread loader;
    TResultWaiter waiter;
    waiter.Attach(loader);
    loader.SetImagePack(&p.Pack);
    loader.AddRequest(0);
    waiter.Await(1);
    TPictureEx picture;
    EXPECT_EQ(loader.FetchResult(picture), 0);
    EXPECT_EQ(picture.Width(), ImagePackErrorPicture().Width());
    EXPECT_EQ(loader.FetchResult(picture), -1);
}

TEST(ImageLoadThread, NoPackLoadsNothingAndStopEndsAnIdleWorker) {
    TImageLoadThread loader;
    loader.AddRequest(4);
    EXPECT_EQ(loader.RequestCount(), 1);
    TPictureEx picture;
    EXPECT_EQ(loader.FetchResult(picture), -1);
    loader.CancelAll();
    EXPECT_EQ(loader.RequestCount(), 0);
    loader.Stop();
    EXPECT_TRUE(loader.Done());
    loader.CancelAll(); // returns at once once the worker has ended
    loader.AddRequest(1);
    EXPECT_EQ(loader.RequestCount(), 0);

    TImageLoadThread neverStarted;
    neverStarted.Stop();
}

TEST(ImageLoadThread, CancelAllWaitsForTheLoadInHandAndDropsItsResult) {
    TGatedPack p;
    TImageLoadThread loader;
    loader.SetImagePack(&p.Pack);
    loader.AddRequest(7);
    loader.AddRequest(8);
    p.Gate.AwaitArrival(); // loading one of them
    std::thread canceller([&] { loader.CancelAll(); });
    p.Gate.Open();
    canceller.join();
    EXPECT_EQ(loader.RequestCount(), 0);
    EXPECT_EQ(loader.ResultCount(), 0);
    TPictureEx picture;
    EXPECT_EQ(loader.FetchResult(picture), -1);
    // The loader takes new work afterwards.
    TResultWaiter waiter;
    waiter.Attach(loader);
    loader.AddRequest(9);
    waiter.Await(1);
    EXPECT_EQ(loader.FetchResult(picture), 9);
}

// 500 requests on a folder of generated pictures: newest served first, cancelled midway,
// stopped; then thumbnails through the cache, cold and warm.
TEST(ImageLoadThread, FiveHundredRequestsCancelAndStop) {
    QTemporaryDir dir;
    for (int i = 0; i < 500; ++i) {
        QImage image(8 + i % 16, 8, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i % 360, 200, 200));
        ASSERT_TRUE(
            image.save(dir.filePath(QStringLiteral("img%1.png").arg(i, 3, 10, QChar(u'0')))));
    }
    TFolderImagePack pack;
    pack.SetFileMask(dir.filePath("*.png"));
    ASSERT_EQ(pack.GetCount(), 500);
    TGate gate;
    std::atomic<int> loads{0};
    pack.OnFileLoad = [&](TImagePack*, const QString&, TPictureEx&) {
        if (loads++ == 0)
            gate.Pass();
    };

    TImageLoadThread loader;
    TResultWaiter waiter;
    waiter.Attach(loader);
    loader.SetImagePack(&pack);
    for (int i = 0; i < 500; ++i) {
        loader.AddRequest(i);
        if (i == 0)
            gate.AwaitArrival();
    }
    gate.Open();
    waiter.Await(250);
    std::vector<int> widths;
    std::vector<int> order = FetchAll(loader, &widths);
    ASSERT_GE(order.size(), 250u);
    EXPECT_EQ(order[0], 0);
    for (std::size_t k = 1; k < order.size(); ++k) {
        EXPECT_EQ(order[k], 500 - static_cast<int>(k)) << k;
        EXPECT_EQ(widths[k], 8 + order[k] % 16) << k;
    }
    loader.CancelAll();
    EXPECT_EQ(loader.RequestCount(), 0);
    EXPECT_EQ(loader.ResultCount(), 0);
    const int loadedBeforeStop = loads;
    loader.Stop();
    EXPECT_TRUE(loader.Done());
    EXPECT_EQ(loads, loadedBeforeStop);
    EXPECT_LT(loads, 500);
}

TEST(ImageLoadThread, ThumbnailsComeFromTheCacheWhenWarm) {
    QTemporaryDir dir;
    for (int i = 0; i < 12; ++i) {
        QImage image(300, 150, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 20, 255, 255));
        ASSERT_TRUE(
            image.save(dir.filePath(QStringLiteral("p%1.jpg").arg(i, 2, 10, QChar(u'0'))), "JPEG"));
    }
    TFolderImagePack pack;
    pack.SetFileMask(dir.filePath("*.jpg"));
    std::atomic<int> loads{0};
    pack.OnFileLoad = [&](TImagePack*, const QString&, TPictureEx&) { ++loads; };
    TImageCacheStorage cache;
    cache.Open(dir.filePath("ImageCache.ic"), false);

    for (int run = 0; run < 2; ++run) {
        TImageLoadThread loader;
        TResultWaiter waiter;
        waiter.Attach(loader);
        loader.SetImagePack(&pack);
        loader.SetThumbnailSize(100);
        loader.SetThumbnailCache(&cache);
        for (int i = 0; i < 12; ++i)
            loader.AddRequest(i);
        waiter.Await(12);
        std::vector<int> widths;
        EXPECT_EQ(FetchAll(loader, &widths).size(), 12u);
        for (int w : widths)
            EXPECT_EQ(w, 100);
        loader.Stop();
        EXPECT_EQ(loads, 12) << "run " << run; // the warm run loads no file
    }
    cache.Close();
    QByteArray out;
    if (RunProgram("/usr/bin/python3", {"-c", "import olefile"}) == 0) {
        EXPECT_EQ(RunProgram("/usr/bin/python3",
                             {TestDataPath("imagecache/iccheck.py"), dir.filePath("ImageCache.ic")},
                             &out),
                  0);
        EXPECT_EQ(QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts).size(), 12);
    }
}
