#pragma once
// Shared fixture of the imaging benchmarks: a 4000 x 3000 24-bit picture with smooth shapes
// and noise, kept in memory and, for the peer programs, as a vips image file under /tmp
// (prepared once per run). The peer is run as a single-threaded subprocess.

#include "UBitmap.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace BenchImage {

constexpr int Width = 4000;
constexpr int Height = 3000;

inline QString Folder() {
    return QDir::tempPath() + QStringLiteral("/vantomi-bench");
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

// Runs a shell command line; false when it could not run or failed.
inline bool Run(const std::string& Command) {
    return std::system(Command.c_str()) == 0;
}

// The picture as a vips file (written once through a PPM file). Empty when vips is missing.
inline std::string VipsInput() {
    static const std::string path = [] {
        QDir().mkpath(Folder());
        const QString ppm = Folder() + QStringLiteral("/in.ppm");
        const QString v = Folder() + QStringLiteral("/in.v");
        if (!QFile::exists(v)) {
            QFile f(ppm);
            if (!f.open(QIODevice::WriteOnly))
                return std::string();
            f.write(QStringLiteral("P6 %1 %2 255\n").arg(Width).arg(Height).toLatin1());
            const TBitmap& b = Picture();
            QByteArray row(Width * 3, 0);
            for (int y = 0; y < Height; ++y) {
                const uint8_t* s = b.ScanLine(y);
                for (int x = 0; x < Width; ++x) {
                    row[3 * x] = static_cast<char>(s[3 * x + 2]);
                    row[3 * x + 1] = static_cast<char>(s[3 * x + 1]);
                    row[3 * x + 2] = static_cast<char>(s[3 * x]);
                }
                f.write(row);
            }
            f.close();
            if (!Run("vips copy " + ppm.toStdString() + " " + v.toStdString()))
                return std::string();
            QFile::remove(ppm);
        }
        return v.toStdString();
    }();
    return path;
}

inline std::string VipsOutput() {
    return (Folder() + QStringLiteral("/out.v")).toStdString();
}

// "VIPS_CONCURRENCY=1 vips <Arguments>" with the input and output files around Operation.
inline std::string VipsCommand(const std::string& Operation, const std::string& Arguments) {
    return "VIPS_CONCURRENCY=1 vips " + Operation + " " + VipsInput() + " " + VipsOutput() +
           (Arguments.empty() ? "" : " " + Arguments) + " >/dev/null 2>&1";
}

} // namespace BenchImage
