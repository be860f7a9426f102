#include "UImageLoadThread.h"

#include "UBitmap.h"
#include "UGraphicUtils.h"
#include "USafetyBitmap.h"
#include "UUtils.h"

#include <QDebug>
#include <QMutexLocker>
#include <algorithm>

TImageLoadThread::TImageLoadThread() : FOwnerThread(QThread::currentThread()) {
    // The error picture is made here, on the owner's thread, before any load can fail.
    ImagePackErrorPicture();
}

TImageLoadThread::~TImageLoadThread() {
    Stop();
}

void TImageLoadThread::SetImagePack(TImagePack* Pack) {
    QMutexLocker lock(&FRequestLock);
    FImagePack = Pack;
}

TImagePack* TImageLoadThread::ImagePack() const {
    QMutexLocker lock(&FRequestLock);
    return FImagePack;
}

void TImageLoadThread::SetThumbnailSize(int Size) {
    QMutexLocker lock(&FRequestLock);
    FThumbnailSize = std::max(0, Size);
}

void TImageLoadThread::SetThumbnailCache(TImageCacheStorage* Cache) {
    QMutexLocker lock(&FRequestLock);
    FCache = Cache;
}

void TImageLoadThread::AddRequest(int Index) {
    QMutexLocker lock(&FRequestLock);
    if (FTerminated)
        return;
    const bool queued = std::any_of(FRequests.begin(), FRequests.end(),
                                    [Index](const TRecord& R) { return R.Index == Index; });
    if (!queued)
        FRequests.push_back({nullptr, Index});
    if (!isRunning() && !FDone)
        start();
    FWake.wakeOne();
}

int TImageLoadThread::FetchResult(TPictureEx& Picture) {
    {
        QMutexLocker lock(&FResultLock);
        if (!FResults.empty()) {
            TRecord record = std::move(FResults.front());
            FResults.erase(FResults.begin());
            lock.unlock();
            Picture.Assign(record.Picture.get());
            return record.Index;
        }
    }
    QMutexLocker lock(&FRequestLock);
    if (!FRequests.empty())
        FWake.wakeOne();
    return -1;
}

void TImageLoadThread::CancelAll() {
    {
        QMutexLocker lock(&FRequestLock);
        FRequests.clear();
        while (FBusy && !FDone)
            FIdleCond.wait(&FRequestLock);
    }
    std::vector<TRecord> dropped;
    {
        QMutexLocker lock(&FResultLock);
        dropped.swap(FResults);
    }
}

void TImageLoadThread::Stop() {
    {
        QMutexLocker lock(&FRequestLock);
        FTerminated = true;
        FWake.wakeAll();
    }
    wait();
}

bool TImageLoadThread::Done() const {
    QMutexLocker lock(&FRequestLock);
    return FDone;
}

int TImageLoadThread::RequestCount() const {
    QMutexLocker lock(&FRequestLock);
    return static_cast<int>(FRequests.size());
}

int TImageLoadThread::ResultCount() const {
    QMutexLocker lock(&FResultLock);
    return static_cast<int>(FResults.size());
}

void TImageLoadThread::run() {
    for (;;) {
        int index = -1;
        TImagePack* pack = nullptr;
        TImageCacheStorage* cache = nullptr;
        int thumbnailSize = 0;
        {
            QMutexLocker lock(&FRequestLock);
            FBusy = false;
            FIdleCond.wakeAll();
            while (!FTerminated && (!FImagePack || FRequests.empty())) {
                if (FCache) {
                    // Out of work: the cache file is brought up to date.
                    TImageCacheStorage* idleCache = FCache;
                    FBusy = true;
                    lock.unlock();
                    try {
                        idleCache->Flush();
                    } catch (const std::exception& e) {
                        qWarning() << "thumbnail cache not saved:" << e.what();
                    }
                    lock.relock();
                    FBusy = false;
                    FIdleCond.wakeAll();
                    if (FTerminated || (FImagePack && !FRequests.empty()))
                        break;
                }
                FWake.wait(&FRequestLock);
            }
            if (FTerminated)
                break;
            index = FRequests.back().Index;
            FRequests.pop_back();
            pack = FImagePack;
            cache = FCache;
            thumbnailSize = FThumbnailSize;
            FBusy = true;
        }
        std::unique_ptr<TPictureEx> picture = Load(pack, index, cache, thumbnailSize);
        picture->moveToThread(FOwnerThread);
        if (picture->Graphic())
            picture->Graphic()->moveToThread(FOwnerThread);
        {
            QMutexLocker lock(&FResultLock);
            FResults.push_back({std::move(picture), index});
        }
        if (OnResult)
            OnResult();
    }
    QMutexLocker lock(&FRequestLock);
    FBusy = false;
    FDone = true;
    FIdleCond.wakeAll();
}

std::unique_ptr<TPictureEx> TImageLoadThread::Load(TImagePack* Pack, int Index,
                                                   TImageCacheStorage* Cache, int ThumbnailSize) {
    auto picture = std::make_unique<TPictureEx>();
    auto* filePack = dynamic_cast<TFileImagePackBase*>(Pack);
    QString fileName;
    if (filePack && Index >= 0 && Index < filePack->FileList().Count())
        fileName = filePack->FileList()[Index];
    const bool useCache = Cache && ThumbnailSize > 0 && !fileName.isEmpty();
    try {
        if (useCache) {
            TImageCacheItem item;
            if (Cache->ReadItem(fileName, item) && item.IsUpToDate(fileName)) {
                picture->Assign(item.Picture());
                return picture;
            }
        }
        if (auto* cached = dynamic_cast<TCachedImagePack*>(Pack))
            cached->LoadImage(*picture, Index);
        else
            Pack->SafeGetImage(*picture, Index);
        if (ThumbnailSize > 0)
            MakeThumbnail(*picture, ThumbnailSize);
        if (useCache && !IsPictureEmpty(picture.get())) {
            TImageCacheItem item;
            if (item.SetFileInfo(fileName)) {
                item.SetPicture(picture.get());
                Cache->WriteItem(fileName, item);
            }
        }
    } catch (const std::exception& e) {
        qWarning() << "image" << Index << "not loaded:" << e.what();
        picture->Assign(&ImagePackErrorPicture());
    }
    return picture;
}

void TImageLoadThread::MakeThumbnail(TPictureEx& Picture, int Size) const {
    if (IsPictureEmpty(&Picture))
        return;
    const TRect fit = FitRectSize(TRect(0, 0, Picture.Width(), Picture.Height()), Size, Size);
    if (fit.Width() >= Picture.Width() && dynamic_cast<TSafetyBitmap*>(Picture.Graphic()))
        return; // already small enough
    TBitmap bitmap(std::max(1, fit.Width()), std::max(1, fit.Height()), pf24bit);
    bitmap.Fill(clWhite);
    RenderPictureToBitmap(Picture, bitmap, clNone, true, clWhite);
    Picture.SetGraphic(std::make_unique<TSafetyBitmap>(bitmap));
}
