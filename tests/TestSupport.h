#pragma once
// Helpers shared by the test programs.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

// Absolute path of a fixture under tests/data/.
QString TestDataPath(const QString& RelativePath);
// Contents of a fixture under tests/data/; fails the current test when missing.
QByteArray ReadTestData(const QString& RelativePath);
// Runs a program and answers its exit code (-1 when it could not start); Output receives
// stdout and stderr together.
int RunProgram(const QString& Program, const QStringList& Args, QByteArray* Output = nullptr,
               const QByteArray& Input = {});
// One entry of a 32-bit resource (.RES) file, padded to 4 bytes; Type and Name are "#n"
// ordinals or strings. A file starts with the empty entry ResEntry("#0", "#0", {}).
QByteArray ResEntry(const QString& Type, const QString& Name, const QByteArray& Data);

// Pixels of Image inside Box for which Test(QRgb) holds.
template <class F>
int CountPixels(const QImage& Image, const QRect& Box, F Test) {
    int n = 0;
    const QRect r = Box.intersected(Image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += Test(Image.pixel(x, y)) ? 1 : 0;
    return n;
}
// The bounding box of the pixels of Image for which Test(QRgb) holds (empty when none).
template <class F>
QRect PixelBounds(const QImage& Image, F Test) {
    QRect box;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (Test(Image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}
