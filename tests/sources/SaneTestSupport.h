#pragma once
// Scanner tests run against SANE's "test" backend, a virtual scanner that ships with SANE.
// The distribution's configuration leaves it switched off, so the tests point the library
// at a private configuration folder that enables only it: no hardware and no system
// configuration are involved.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "USane.h"

// The private configuration, made once per test program before the library first starts.
inline const QString& SaneTestConfigDir() {
    static QTemporaryDir dir;
    static const bool written = [] {
        QFile dll(dir.filePath(QStringLiteral("dll.conf")));
        QFile test(dir.filePath(QStringLiteral("test.conf")));
        const bool ok = dll.open(QIODevice::WriteOnly) && test.open(QIODevice::WriteOnly) &&
                        dll.write("test\n") > 0 && test.write("number_of_devices 2\n") > 0;
        dll.close();
        test.close();
        qputenv("SANE_CONFIG_DIR", dir.path().toLocal8Bit());
        // The library stays initialised until the process ends, so that the backend's
        // module is still loaded when the leak checker reads the stacks (see
        // SaneTestSupport.cpp).
        static TSaneLibrary* const keepLoaded = new TSaneLibrary;
        Q_UNUSED(keepLoaded);
        return ok;
    }();
    static const QString path = written ? dir.path() : QString();
    return path;
}

// The backend keeps each virtual device's settings while the library lives: every test
// starts from the same ones.
inline void ResetTestDevices() {
    for (const char* name : {"test:0", "test:1"}) {
        TSaneDevice device(QString::fromLatin1(name));
        device.SetString(QStringLiteral("mode"), QStringLiteral("Color"));
        device.SetBool(QStringLiteral("three-pass"), false);
        device.SetString(QStringLiteral("mode"), QStringLiteral("Gray"));
        device.SetNumber(QStringLiteral("depth"), 8);
        device.SetNumber(QStringLiteral("resolution"), 50);
        device.SetString(QStringLiteral("source"), QStringLiteral("Flatbed"));
        device.SetString(QStringLiteral("test-picture"), QStringLiteral("Solid black"));
        device.SetString(QStringLiteral("read-return-value"), QStringLiteral("Default"));
        for (const char* option : {"hand-scanner", "read-delay", "read-limit"})
            device.SetBool(QString::fromLatin1(option), false);
        device.SetArea({0, 0, 80, 100});
    }
}
