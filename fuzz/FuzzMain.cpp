#include "FuzzSupport.h"

#include "UException.h"
#include "UStreams.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

QTemporaryDir& TempDir() {
    static QTemporaryDir dir;
    return dir;
}

} // namespace

QString FuzzFolder() {
    return TempDir().path();
}

QString FuzzFile(const QByteArray& Bytes, const QString& Suffix) {
    const QString path = TempDir().filePath(QStringLiteral("input") + Suffix);
    WriteFileAtomic(path, Bytes);
    return path;
}

// Fontconfig fills its pattern and charset caches the first time a face is asked for and
// keeps them for the life of the process; readers that draw text meet that inside some
// input, and the leak checker would call it a leak of that input.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // Readers that draw (fonts, bitmaps) need the GUI library, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", FuzzFolder().toLocal8Bit());
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    if (FuzzTarget.SetUp)
        FuzzTarget.SetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const QByteArray input(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
    try {
        FuzzTarget.Run(input);
    } catch (const Exception&) {
        // Damaged input refused: the expected answer.
    }
    return 0;
}
