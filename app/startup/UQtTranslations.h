#pragma once
// Qt's own texts (the buttons of standard dialogs, the file and colour dialogs) in Japanese:
// the translations Qt ships for its libraries, installed with the application object as the
// owner of the translators. A missing translation file leaves Qt's English texts.

class QCoreApplication;

// Answers whether Qt's base translation was found and installed.
bool InstallQtTranslations(QCoreApplication& Application);
