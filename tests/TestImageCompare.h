#pragma once
// Comparison of drawn images with committed golden PNGs. A pixel matches when the other
// image has a colour within ChannelFuzz on every channel at the same place or one pixel
// away (drawing through the canvas is checked with a one-pixel tolerance). On failure the
// actual and expected images and a difference map are written side by side into
// <test program folder>/image-failures/ for a look. With VANTOMI_UPDATE_GOLDEN=1 in the
// environment the actual image replaces the golden file instead.

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdlib>
#include <gtest/gtest.h>

namespace TestImages {

inline bool Near(QRgb A, QRgb B, int Fuzz) {
    return std::abs(qRed(A) - qRed(B)) <= Fuzz && std::abs(qGreen(A) - qGreen(B)) <= Fuzz &&
           std::abs(qBlue(A) - qBlue(B)) <= Fuzz;
}

// True when Image(X, Y) has a match in Other within one pixel.
inline bool HasMatch(const QImage& Image, const QImage& Other, int X, int Y, int Fuzz) {
    const QRgb c = Image.pixel(X, Y);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int x = X + dx, y = Y + dy;
            if (x >= 0 && y >= 0 && x < Other.width() && y < Other.height() &&
                Near(c, Other.pixel(x, y), Fuzz))
                return true;
        }
    return false;
}

// Counts pixels of either image without a match in the other; fills Diff (red = mismatch).
inline int CountMismatches(const QImage& A, const QImage& B, int Fuzz, QImage* Diff) {
    int bad = 0;
    if (Diff) {
        *Diff = QImage(A.size(), QImage::Format_RGB32);
        Diff->fill(Qt::white);
    }
    for (int y = 0; y < A.height(); ++y)
        for (int x = 0; x < A.width(); ++x)
            if (!HasMatch(A, B, x, y, Fuzz) || !HasMatch(B, A, x, y, Fuzz)) {
                ++bad;
                if (Diff)
                    Diff->setPixel(x, y, qRgb(255, 0, 0));
            }
    return bad;
}

inline void WriteFailure(const QString& Name, const QImage& Actual, const QImage& Expected,
                         const QImage& Diff) {
    const QString dir = QCoreApplication::applicationDirPath() + "/image-failures";
    QDir().mkpath(dir);
    const int w = Actual.width(), h = Actual.height();
    QImage sheet(w * 3 + 8, h, QImage::Format_RGB32);
    sheet.fill(Qt::gray);
    QPainter p(&sheet);
    p.drawImage(0, 0, Actual);
    if (!Expected.isNull())
        p.drawImage(w + 4, 0, Expected);
    if (!Diff.isNull())
        p.drawImage(2 * w + 8, 0, Diff);
    p.end();
    const QString base = dir + "/" + QString(Name).replace('/', '_');
    Actual.save(base + ".actual.png");
    if (!Expected.isNull())
        Expected.save(base + ".expected.png");
    sheet.save(base + ".side-by-side.png");
    ADD_FAILURE() << "images written to " << base.toStdString() << ".*.png";
}

// Compares Actual with the golden PNG at tests/data/<GoldenPath>.
inline void ExpectMatchesGolden(const QImage& ActualImage, const QString& GoldenPath,
                                int ChannelFuzz = 0, int AllowedMismatches = 0) {
    const QImage actual = ActualImage.convertToFormat(QImage::Format_RGB32);
    const QString file = TestDataPath(GoldenPath);
    if (qEnvironmentVariableIntValue("VANTOMI_UPDATE_GOLDEN") == 1) {
        ASSERT_TRUE(actual.save(file)) << file.toStdString();
        return;
    }
    const QImage expected = QImage(file).convertToFormat(QImage::Format_RGB32);
    if (expected.isNull() || expected.size() != actual.size()) {
        WriteFailure(GoldenPath, actual, expected, QImage());
        FAIL() << "golden image missing or of another size: " << file.toStdString();
    }
    QImage diff;
    const int bad = CountMismatches(actual, expected, ChannelFuzz, &diff);
    if (bad > AllowedMismatches)
        WriteFailure(GoldenPath, actual, expected, diff);
    EXPECT_LE(bad, AllowedMismatches) << "pixels without a match within one pixel";
}

} // namespace TestImages
