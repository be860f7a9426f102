// Writes our own image fonts, decorative line pictures, stamps and schedule styles below a
// folder:
//   vantomi-content <folder>        e.g. vantomi-content data   (refreshes the shipped ones)

#include "UContentArt.h"

#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantomi-content <folder>\n");
        return 2;
    }
    QString error;
    if (!WriteContent(QString::fromLocal8Bit(argv[1]), error)) {
        std::fprintf(stderr, "vantomi-content: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
