#pragma once
// Helpers shared by the test programs.

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <utility>

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

// The whole contents of the file at Path (empty when it cannot be read). Defined here, so
// that the end-to-end program, which has no test main of its own, shares it too.
inline QByteArray FileBytes(const QString& Path) {
    QFile f(Path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Calls Act(T*) with the next modal window of class T as soon as one shows: the event loop
// is polled, so Act runs inside the modal loop of whatever opened the window.
template <class T = QWidget, class F>
void OnNextModal(F Act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, Act = std::move(Act)] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        Act(modal);
    });
    timer->start();
}
