#include "PropertyDialogTestSupport.h"

#include "FPropertyDialog.h"
#include "UAppClasses.h"
#include "UDesigner.h"
#include "UUndo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

TDialogTestEnvironment::TDialogTestEnvironment()
    : FSite(std::make_unique<TDrawSite>()), FFrame(std::make_unique<TAppFrame>()) {
    RegisterApplicationClasses();
    FSite->Scaler().SetUnitDPI(254);
    FSite->SetLogWidth(2000);
    FSite->SetLogHeight(2000);
    FFrame->OnMessageBox = [this](const QString& Message, const TBitBtnKinds&, int,
                                  int) -> TModalResult {
        FMessages << Message;
        return mrOk;
    };
    // Content looked up on a data disc that is not there is simply missing.
    FFrame->OnCDNotFound = [](const QString&, bool& Retry) { Retry = false; };
    ActionList().Clear();
    TRememberedPages::Reset();
}

TDialogTestEnvironment::~TDialogTestEnvironment() {
    ActionList().Clear();
}

QStringList TDialogTestEnvironment::TakeMessages() {
    QStringList result;
    result.swap(FMessages);
    return result;
}

void WhenDialogRuns(std::function<void(TfrmPropertyDialog& Dialog)> Act) {
    using TAttempt = std::function<void(int)>;
    auto attempt = std::make_shared<TAttempt>();
    std::weak_ptr<TAttempt> self = attempt;
    *attempt = [Act = std::move(Act), self](int Left) {
        auto* dialog = qobject_cast<TfrmPropertyDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (Left <= 0)
                ADD_FAILURE() << "no property dialog ran";
            else if (auto again = self.lock())
                QTimer::singleShot(10, [again, Left] { (*again)(Left - 1); });
            return;
        }
        QPointer<TfrmPropertyDialog> guard(dialog);
        Act(*dialog);
        if (guard && guard->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            guard->reject();
        }
    };
    QTimer::singleShot(0, [attempt] { (*attempt)(200); });
}

bool EditWithDialog(TDrawObject& Object, std::function<void(TfrmPropertyDialog& Dialog)> Act) {
    WhenDialogRuns(std::move(Act));
    bool handled = false;
    const bool confirmed = TheDesignerList().EditObject(Object, handled);
    EXPECT_TRUE(handled);
    return confirmed;
}

void SaveScreenshot(QWidget& Widget, const QString& Name) {
    const QString folder =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(folder);
    EXPECT_TRUE(Widget.grab().save(folder + u'/' + Name + QStringLiteral(".png")));
}

void TypeInto(QWidget* Field, const QString& Text) {
    auto* edit = qobject_cast<QLineEdit*>(Field);
    ASSERT_NE(edit, nullptr);
    edit->setText(Text);
}
