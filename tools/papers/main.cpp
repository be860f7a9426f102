// vantomi-papers: writes the system paper library.
//   vantomi-papers <label-sheets.csv> <label-sheet-faces.csv> <output.ppr>

#include "UPaperSheets.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication App(argc, argv);
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: vantomi-papers <label-sheets.csv> <label-sheet-faces.csv> <output.ppr>\n");
        return 2;
    }
    try {
        WriteSystemPaperLibrary(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[1]),
                                QString::fromLocal8Bit(argv[2]));
    } catch (const Exception& E) {
        std::fprintf(stderr, "vantomi-papers: %s\n", E.what());
        return 1;
    }
    return 0;
}
