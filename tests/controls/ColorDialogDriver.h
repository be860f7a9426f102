#pragma once
// Answers the other-colour dialog the way a user does, with the mouse and the keyboard,
// once it runs modally: the colour typed into its HTML field and OK clicked, or Cancel.

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

inline void ClickThroughColorDialog(std::optional<QColor> Color) {
    QTimer::singleShot(0, [Color] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        if (!Color) {
            QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            return;
        }
        QLineEdit* html = nullptr;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
            if (edit->text().startsWith(u'#'))
                html = edit;
        ASSERT_NE(html, nullptr);
        QTest::mouseClick(html, Qt::LeftButton);
        QTest::keyClick(html, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(html, Color->name());
        QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
}
