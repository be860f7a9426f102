#include "UQtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

bool InstallQtTranslations(QCoreApplication& Application) {
    // "qtbase" carries the texts of Qt's widgets and standard dialogs.
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    translator.release()->setParent(&Application);
    return true;
}
