#include "UQtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Takes the installed translators away again, so that later tests see Qt's own texts.
struct TTranslatorsRemoved {
    ~TTranslatorsRemoved() {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            const std::unique_ptr<QTranslator> owned(translator);
        }
    }
};

// The buttons of Qt's standard dialogs read in Japanese once the translations are in.
TEST(QtTranslations, StandardButtonsSpeakJapanese) {
    const TTranslatorsRemoved removed;
    QDialogButtonBox before(QDialogButtonBox::Cancel);
    ASSERT_TRUE(before.button(QDialogButtonBox::Cancel)->text().contains(QLatin1String("Cancel")));
    ASSERT_TRUE(InstallQtTranslations(*qApp));
    QDialogButtonBox after(QDialogButtonBox::Cancel);
    EXPECT_TRUE(
        after.button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("キャンセル")))
        << after.button(QDialogButtonBox::Cancel)->text().toStdString();
}

} // namespace
