// Writes the calendar wizard's templates and definitions below a folder:
//   vantomi-wizard <folder>         e.g. vantomi-wizard data   (refreshes the shipped ones)

#include "UAppClasses.h"
#include "UApplication.h"
#include "UUndo.h"
#include "UWizardTemplates.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantomi-wizard <folder>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    RegisterApplicationClasses();
    QString error;
    const bool ok = WriteWizardTemplates(QString::fromLocal8Bit(argv[1]), error);
    ActionList().Clear();
    if (!ok) {
        std::fprintf(stderr, "vantomi-wizard: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
