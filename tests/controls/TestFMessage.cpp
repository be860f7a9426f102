#include "FMessage.h"
#include "UAppFrame.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs Action on the message form once it is shown modally.
void WhenShown(std::function<void(TfrmMessage&)> Action) {
    QTimer::singleShot(0, [Action] {
        auto* form = qobject_cast<TfrmMessage*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        Action(*form);
    });
}

void PressEscape(QWidget& Form) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form, &press);
}

} // namespace

TEST(MessageForm, ShowsOneButtonPerKindUpToThree) {
    const struct {
        TBitBtnKinds Kinds;
        QStringList Captions;
        QList<bool> Glyphs;
    } cases[] = {
        {{bkOK}, {"OK"}, {true}},
        {{bkYes, bkNo, bkCancel}, {"はい(&Y)", "いいえ(&N)", "キャンセル"}, {true, false, false}},
        {{bkRetry, bkAbort, bkIgnore, bkOK},
         {"再試行(&R)", "中止", "無視(&I)"},
         {false, false, false}},
    };
    for (const auto& c : cases) {
        TfrmMessage form;
        form.SetupButtons(c.Kinds, 0, 0);
        QStringList captions;
        QList<bool> glyphs;
        for (int i = 0; i < TfrmMessage::MaxButtons; ++i)
            if (!form.Buttons(i)->isHidden()) {
                captions.append(form.Buttons(i)->text());
                glyphs.append(!form.Buttons(i)->icon().isNull());
            }
        EXPECT_EQ(captions, c.Captions);
        EXPECT_EQ(glyphs, c.Glyphs);
    }
}

TEST(MessageForm, ButtonsAndEscapeEndTheFormWithTheirResults) {
    const struct {
        const char* Name;
        TBitBtnKinds Kinds;
        int Default;
        int Cancel;
        std::function<void(TfrmMessage&)> Act;
        TModalResult Expected;
    } cases[] = {
        {"second button", {bkYes, bkNo}, 0, 1, [](TfrmMessage& F) { F.Buttons(1)->click(); }, mrNo},
        {"escape answers the cancel button",
         {bkYes, bkNo, bkCancel},
         0,
         1,
         [](TfrmMessage& F) { PressEscape(F); },
         mrNo},
        {"escape without a cancel button",
         {bkOK},
         0,
         5,
         [](TfrmMessage& F) { PressEscape(F); },
         mrCancel},
        {"close button", {bkClose}, 0, 0, [](TfrmMessage& F) { F.Buttons(0)->click(); }, mrCancel},
        {"default button on Enter",
         {bkAbort, bkRetry},
         1,
         0,
         [](TfrmMessage& F) {
             EXPECT_TRUE(F.Buttons(1)->isDefault());
             EXPECT_FALSE(F.Buttons(0)->isDefault());
             QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QCoreApplication::sendEvent(&F, &enter);
         },
         mrRetry},
    };
    for (const auto& c : cases) {
        WhenShown(c.Act);
        EXPECT_EQ(ShowMessageForm(QStringLiteral("?"), c.Kinds, c.Default, c.Cancel), c.Expected)
            << c.Name;
    }
}

// Help and custom buttons have no result: pressing them leaves the form open.
TEST(MessageForm, HelpAndCustomButtonsDoNotCloseTheForm) {
    for (const TBitBtnKind kind : {bkHelp, bkCustom}) {
        bool openAfterPress = false;
        WhenShown([&](TfrmMessage& F) {
            F.Buttons(0)->click();
            openAfterPress = F.isVisible() && QApplication::activeModalWidget() == &F;
            F.Buttons(1)->click();
        });
        EXPECT_EQ(ShowMessageForm(QStringLiteral("?"), {kind, bkOK}, 1, 0), mrOk);
        EXPECT_TRUE(openAfterPress) << int(kind);
        WhenShown([](TfrmMessage& F) { PressEscape(F); });
        EXPECT_EQ(ShowMessageForm(QStringLiteral("?"), {kind, bkOK}, 1, 0), mrCancel)
            << "escape on a cancel button without a result";
    }
}

TEST(MessageForm, TheMessageIsShownAsPlainLines) {
    QString shown;
    WhenShown([&](TfrmMessage& F) {
        shown = F.Message();
        F.Buttons(0)->click();
    });
    ShowMessageForm(QStringLiteral("<b>太字ではない</b>\r\n$(AppName)"), {bkOK}, 0, 0);
    EXPECT_EQ(shown, QStringLiteral("<b>太字ではない</b>\n$(AppName)"));
}

TEST(MessageForm, BecomesTheFramesMessageBox) {
    TAppFrame frame;
    InstallMessageForm(frame);
    QString shown;
    WhenShown([&](TfrmMessage& F) {
        shown = F.Message();
        F.Buttons(0)->click();
    });
    EXPECT_EQ(AppMessageBox(QStringLiteral("$(AppName)を開きます"), {bkYes, bkNo}, 0, 1), mrYes);
    EXPECT_EQ(shown, QStringLiteral("Projectを開きます"));
}
