#pragma once
// How the pixel engines share their work among the processor's cores. An engine cuts its
// rows (or columns, or spans) into bands whose results do not depend on one another, and
// RunPixelBands hands the bands to the OpenMP threads. The result is the same for every
// number of threads and bands, so a picture comes out bit for bit as on one thread.
//
// The number of threads is the processor count (or OMP_NUM_THREADS), limited by the
// environment variable VANTOMI_PIXEL_THREADS or by SetPixelThreadLimit. Work smaller than
// PixelThreadMinWork bytes runs on the calling thread: starting threads would cost more than
// it saves on small pictures.

#include <cstdint>
#include <functional>

// Bytes of pixels below which an engine stays on one thread.
constexpr int64_t DefaultPixelThreadMinWork = int64_t(1) << 20;

// The thread limit in force: SetPixelThreadLimit's value, else VANTOMI_PIXEL_THREADS, else
// the OpenMP default. At least 1.
int PixelThreadLimit();
// Limits the engines to Threads threads; 0 (or less) returns to the default.
void SetPixelThreadLimit(int Threads);
int64_t PixelThreadMinWork();
void SetPixelThreadMinWork(int64_t Bytes);

// Threads to use for WorkBytes of pixels: 1 below the minimum work, else the limit.
int PixelThreadsFor(int64_t WorkBytes);

// Calls Body(Begin, End) for consecutive bands covering 0..Count-1, on up to
// PixelThreadsFor(WorkBytes) threads; each band is at least MinBand items long (except when
// Count itself is shorter). The first exception a band raises is raised again here once all
// bands have finished.
void RunPixelBands(int Count, int64_t WorkBytes, const std::function<void(int, int)>& Body,
                   int MinBand = 1);

// Rows 0..Rows-1 in chunks of ChunkRows, for engines that report progress: the chunks run in
// groups on all threads, and after each group the calling thread calls AfterChunk once per
// chunk of it, in order (so a progress display sees the same number of steps as on one
// thread, and only the calling thread touches it).
void RunPixelRowChunks(int Rows, int64_t WorkBytes, const std::function<void(int, int)>& Body,
                       const std::function<void()>& AfterChunk, int ChunkRows = 64);

// Sets the limit and the minimum work for its lifetime and restores the previous ones.
class TPixelThreadScope {
public:
    TPixelThreadScope(int Threads, int64_t MinWork);
    ~TPixelThreadScope();
    TPixelThreadScope(const TPixelThreadScope&) = delete;
    TPixelThreadScope& operator=(const TPixelThreadScope&) = delete;

private:
    int FThreads;
    int64_t FMinWork;
};
