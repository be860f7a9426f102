// vantomi-caltables: writes the calendar tables "MoonAge.tbl", "W6Z24.tbl" and
// "Holiday.tbl" for 1989..2151 into the folder given as the only argument.

#include "UCalendarTables.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantomi-caltables OUTPUT-FOLDER\n");
        return 2;
    }
    try {
        const QString folder = args[1];
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "vantomi-caltables: cannot create %s\n", qPrintable(folder));
            return 1;
        }
        WriteCalendarTables(GenerateCalendarTables(), folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantomi-caltables: %s\n", e.what());
        return 1;
    }
    return 0;
}
