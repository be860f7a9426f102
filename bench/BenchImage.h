#pragma once
// Shared fixture of the imaging benchmarks: a 4000 x 3000 24-bit picture with smooth shapes
// and noise, kept in memory; timing of a peer beside our engine in the same process; the
// peak memory of one call.

#include "UBitmap.h"

#include <QDir>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace BenchImage {

constexpr int Width = 4000;
constexpr int Height = 3000;

// A folder for the files a benchmark writes (the thumbnail benchmark's photos and cache).
inline QString Folder() {
    return QDir::tempPath() + QStringLiteral("/vantomi-bench");
}

// Runs a shell command line; false when it could not run or failed.
inline bool Run(const std::string& Command) {
    return std::system(Command.c_str()) == 0;
}

inline TBitmap MakePicture() {
    TBitmap b(Width, Height, pf24bit);
    std::mt19937 rng(42);
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < Width; ++x) {
            const double s = std::sin(x * 0.013) * std::cos(y * 0.021);
            const int noise = static_cast<int>(rng() % 24);
            row[3 * x] = static_cast<uint8_t>(std::clamp(128 + s * 100 + noise, 0.0, 255.0));
            row[3 * x + 1] = static_cast<uint8_t>((x / 7 + y / 5 + noise) & 255);
            row[3 * x + 2] = static_cast<uint8_t>(((x * y) >> 10) + noise);
        }
    }
    return b;
}

inline const TBitmap& Picture() {
    static const TBitmap picture = MakePicture();
    return picture;
}

inline int64_t PictureBytes() {
    return int64_t(Width) * Height * 3;
}

// Seconds of one call of F (a monotonic clock).
inline double Seconds(const std::function<void()>& F) {
    const auto start = std::chrono::steady_clock::now();
    F();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of Runs calls of F, after one warm-up call.
inline double MedianSeconds(const std::function<void()>& F, int Runs = 5) {
    F();
    std::vector<double> t;
    for (int i = 0; i < Runs; ++i)
        t.push_back(Seconds(F));
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// A field of /proc/self/status in kB (VmRSS, VmHWM).
inline int64_t StatusKB(const std::string& Field) {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(Field + ":", 0) == 0)
            return std::stoll(line.substr(Field.size() + 1));
    return 0;
}

// Bytes the resident set grew by at its peak during F: the peak mark is reset first
// (writing 5 to /proc/self/clear_refs), and the resident size before F is the base.
inline int64_t PeakGrowthBytes(const std::function<void()>& F) {
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
    }
    const int64_t base = StatusKB("VmRSS");
    F();
    return (StatusKB("VmHWM") - base) * 1024;
}

} // namespace BenchImage
