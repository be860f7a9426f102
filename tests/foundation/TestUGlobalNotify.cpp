#include "UGlobalNotify.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QStatusTipEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Runs the event loop (waiting for events, as the program's loop does) for a while.
void RunLoopFor(int Milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(Milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void ProcessEventsFor(int Milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < Milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(GlobalNotify, IdleFiresOnceEachTimeTheLoopRunsOutOfWork) {
    QObject target;
    int idles = 0;
    TGlobalNotify notify;
    notify.OnIdle = [&](TGlobalNotify* Sender) {
        EXPECT_EQ(Sender, &notify);
        ++idles;
        // An idle handler that delivers events itself must not wake the loop again.
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&target, &event);
    };
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    RunLoopFor(60);
    EXPECT_EQ(idles, 1);

    // Two events processed in one go make one more idle moment.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    RunLoopFor(60);
    EXPECT_EQ(idles, 2);

    // Processing without waiting is not an idle moment.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(idles, 2);
}

TEST(GlobalNotify, FocusChangesReachEveryListener) {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    layout->addWidget(first);
    layout->addWidget(second);
    form.show();
    form.activateWindow();
    ProcessEventsFor(50);
    first->setFocus();
    ProcessEventsFor(20);

    TGlobalNotify notify;
    QList<QWidget*> focused;
    notify.OnActiveControlChange = [&](TGlobalNotify* Sender) {
        EXPECT_EQ(Sender, &notify);
        focused.append(QApplication::focusWidget());
    };
    IInterface* sender = nullptr;
    int controlMessages = 0;
    TListener listener([&](IInterface* Sender, const TGUID& MsgID) {
        if (MsgID == MsgIdActiveControlChanged) {
            sender = Sender;
            ++controlMessages;
        }
    });
    TScreenEventDispatcher::Instance().AddListener(&listener);

    second->setFocus();
    ProcessEventsFor(20);
    EXPECT_EQ(focused, QList<QWidget*>{second});
    EXPECT_EQ(controlMessages, 1);
    EXPECT_EQ(sender, static_cast<IInterface*>(&TScreenEventDispatcher::Instance()));

    first->setFocus();
    ProcessEventsFor(20);
    EXPECT_EQ(focused, (QList<QWidget*>{second, first}));
}

TEST(GlobalNotify, ActivatingAnotherWindowChangesTheActiveForm) {
    QWidget one;
    QWidget two;
    one.show();
    one.activateWindow();
    ProcessEventsFor(50);
    TGlobalNotify notify;
    int forms = 0;
    notify.OnActiveFormChange = [&](TGlobalNotify*) { ++forms; };
    two.show();
    two.activateWindow();
    ProcessEventsFor(50);
    EXPECT_GE(forms, 1);
    EXPECT_EQ(QGuiApplication::focusWindow(), two.windowHandle());
}

TEST(GlobalNotify, StatusTipsAreReportedOncePerChange) {
    TGlobalNotify notify;
    QStringList hints;
    notify.OnHint = [&](TGlobalNotify* Sender) { hints.append(Sender->Hint()); };
    QWidget widget;
    for (const QString tip :
         {QStringLiteral("保存します"), QStringLiteral("保存します"), QString()}) {
        QStatusTipEvent event(tip);
        QCoreApplication::sendEvent(&widget, &event);
    }
    EXPECT_EQ(hints, (QStringList{QStringLiteral("保存します"), QString()}));
}

TEST(ClipboardNotify, EveryChangeIsReportedEvenAfterAHandlerFailed) {
    TClipboardNotify notify;
    int changes = 0;
    notify.OnChange = [&](TClipboardNotify* Sender) {
        EXPECT_EQ(Sender, &notify);
        if (++changes == 1)
            throw std::runtime_error("a faulty handler");
    };
    QGuiApplication::clipboard()->setText(QStringLiteral("一回目"));
    QGuiApplication::clipboard()->setText(QStringLiteral("二回目"));
    EXPECT_EQ(changes, 2);
}
