#pragma once
// The background image loader: one worker thread that loads images of an image pack on
// request, always the most recently requested image first, and hands the finished pictures
// back through a result list that the owner (a browser window) empties on the
// user-interface thread.
//
// Two lists, each behind its own lock, never held together: requests (newest last, served
// first; an index already queued is not queued again) and results (oldest first). The
// worker waits on a condition while there is nothing to do; AddRequest and FetchResult
// wake it. CancelAll and Stop wait on conditions too, never spin.
//
// The worker makes pictures of images only (bitmaps, metafiles, JPEG data), never
// pixmaps, and moves every picture it hands back to the thread that created the loader. A
// load that fails hands back the shared error picture, so a browser never waits on it.
//
// Optional thumbnail stage (ThumbnailSize > 0): the worker reduces each picture to fit a
// ThumbnailSize square (aspect kept, white behind transparent parts, JPEG decoded at the
// scale needed). With a thumbnail cache set as well and a file pack, it looks in the cache
// first, takes an up-to-date entry, and writes what it made; the cache is flushed whenever
// the worker runs out of requests. While the loader runs, the cache belongs to the worker.

#include "UImageCache.h"
#include "UImagePack.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>
#include <functional>
#include <memory>
#include <vector>

class TImageLoadThread : public QThread {
    Q_OBJECT
public:
    // The worker is not started until the first request.
    TImageLoadThread();
    // Stops the worker (Stop), then frees what is left in both lists.
    ~TImageLoadThread() override;

    // The pack to load from; null loads nothing. Set it while the loader is empty (after
    // CancelAll or before the first request).
    void SetImagePack(TImagePack* Pack);
    TImagePack* ImagePack() const;
    // 0: pictures are handed back as loaded.
    void SetThumbnailSize(int Size);
    // Not owned; null for none. Set while the loader is empty.
    void SetThumbnailCache(TImageCacheStorage* Cache);

    // Queues Index unless already queued, and wakes the worker (starting it the first time).
    void AddRequest(int Index);
    // Takes the oldest result: Picture takes its picture and the index is answered; -1 when
    // there is none (the worker is then woken if requests wait).
    int FetchResult(TPictureEx& Picture);
    // Empties the request list, waits until the worker has finished the load in hand (or has
    // ended), then empties the result list.
    void CancelAll();
    // Asks the worker to end after the load in hand and waits until it has ended.
    void Stop();
    // Set by the worker as its last act.
    bool Done() const;

    int RequestCount() const;
    int ResultCount() const;

    // Called on the worker thread after each result is appended. It must not wait for the
    // user-interface thread (post an event instead).
    std::function<void()> OnResult;

protected:
    void run() override;

private:
    struct TRecord {
        std::unique_ptr<TPictureEx> Picture;
        int Index = -1;
    };
    std::unique_ptr<TPictureEx> Load(TImagePack* Pack, int Index, TImageCacheStorage* Cache,
                                     int ThumbnailSize);
    void MakeThumbnail(TPictureEx& Picture, int Size) const;

    mutable QMutex FRequestLock;
    QWaitCondition FWake;     // worker waits for requests or Stop
    QWaitCondition FIdleCond; // CancelAll waits for the load in hand to end
    std::vector<TRecord> FRequests;
    TImagePack* FImagePack = nullptr;
    TImageCacheStorage* FCache = nullptr;
    int FThumbnailSize = 0;
    bool FBusy = false;
    bool FTerminated = false;
    bool FDone = false;

    mutable QMutex FResultLock;
    std::vector<TRecord> FResults;

    QThread* FOwnerThread;
};
