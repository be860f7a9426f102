#include "UPixelThreads.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <mutex>

namespace {

// Bands handed out per thread, so that a slow band does not leave the other threads idle.
constexpr int BandsPerThread = 4;

std::atomic<int> GThreadLimit{0};
std::atomic<int64_t> GMinWork{DefaultPixelThreadMinWork};

int DefaultThreadLimit() {
    static const int limit = [] {
        int n = omp_get_max_threads();
        if (const char* env = std::getenv("VANTOMI_PIXEL_THREADS")) {
            char* end = nullptr;
            const long v = std::strtol(env, &end, 10);
            if (end != env && v > 0)
                n = static_cast<int>(std::min<long>(v, 1024));
        }
        return std::max(n, 1);
    }();
    return limit;
}

} // namespace

int PixelThreadLimit() {
    const int set = GThreadLimit.load(std::memory_order_relaxed);
    return set > 0 ? set : DefaultThreadLimit();
}

void SetPixelThreadLimit(int Threads) {
    GThreadLimit.store(std::max(Threads, 0), std::memory_order_relaxed);
}

int64_t PixelThreadMinWork() {
    return GMinWork.load(std::memory_order_relaxed);
}

void SetPixelThreadMinWork(int64_t Bytes) {
    GMinWork.store(std::max<int64_t>(Bytes, 0), std::memory_order_relaxed);
}

int PixelThreadsFor(int64_t WorkBytes) {
    if (WorkBytes < PixelThreadMinWork())
        return 1;
    return PixelThreadLimit();
}

namespace {

// Bands cut from 0..Count-1 on Threads threads.
void RunBands(int Count, int Threads, const std::function<void(int, int)>& Body) {
    // Already inside a parallel band (an engine calling another): stay on this thread.
    if (Threads <= 1 || Count <= 1 || omp_in_parallel()) {
        Body(0, Count);
        return;
    }
    const int bands = std::min(Count, Threads * BandsPerThread);
    std::exception_ptr error;
    std::mutex errorLock;
#pragma omp parallel for schedule(dynamic, 1) num_threads(Threads)
    for (int b = 0; b < bands; ++b) {
        const int begin = static_cast<int>(static_cast<int64_t>(b) * Count / bands);
        const int end = static_cast<int>(static_cast<int64_t>(b + 1) * Count / bands);
        try {
            Body(begin, end);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(errorLock);
            if (!error)
                error = std::current_exception();
        }
    }
    if (error)
        std::rethrow_exception(error);
}

} // namespace

void RunPixelBands(int Count, int64_t WorkBytes, const std::function<void(int, int)>& Body,
                   int MinBand) {
    if (Count <= 0)
        return;
    // At most Count / MinBand bands, each at least MinBand long.
    const int longest = std::max(1, Count / std::max(MinBand, 1));
    const int threads = std::min(PixelThreadsFor(WorkBytes), longest);
    if (threads <= 1) {
        Body(0, Count);
        return;
    }
    const int bands = std::min(longest, threads * BandsPerThread);
    RunBands(bands, threads, [&](int B0, int B1) {
        Body(static_cast<int>(static_cast<int64_t>(B0) * Count / bands),
             static_cast<int>(static_cast<int64_t>(B1) * Count / bands));
    });
}

void RunPixelRowChunks(int Rows, int64_t WorkBytes, const std::function<void(int, int)>& Body,
                       const std::function<void()>& AfterChunk, int ChunkRows) {
    if (Rows <= 0)
        return;
    const int chunks = (Rows + ChunkRows - 1) / ChunkRows;
    const int threads = PixelThreadsFor(WorkBytes);
    const int group = threads * BandsPerThread;
    for (int first = 0; first < chunks; first += group) {
        const int last = std::min(chunks, first + group);
        RunBands(last - first, threads, [&](int C0, int C1) {
            Body((first + C0) * ChunkRows, std::min(Rows, (first + C1) * ChunkRows));
        });
        if (AfterChunk)
            for (int c = first; c < last; ++c)
                AfterChunk();
    }
}

TPixelThreadScope::TPixelThreadScope(int Threads, int64_t MinWork)
    : FThreads(GThreadLimit.load()), FMinWork(GMinWork.load()) {
    SetPixelThreadLimit(Threads);
    SetPixelThreadMinWork(MinWork);
}

TPixelThreadScope::~TPixelThreadScope() {
    GThreadLimit.store(FThreads);
    GMinWork.store(FMinWork);
}
