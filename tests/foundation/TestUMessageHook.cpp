#include "UMessageHook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

// Runs the event loop for a while, so that the window system's events arrive.
void ProcessEventsFor(int Milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < Milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class TCountingHook : public TGetMessageHook {
public:
    int Count = 0;

protected:
    void MessageReceived(QEvent*) override { ++Count; }
};

class TSpontaneousCounter : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->spontaneous())
            ++Count;
        return false;
    }
};

} // namespace

TEST(MessageHook, EntriesMayChangeTheListWhileItCallsThem) {
    TMessageHookList& list = SendMessageHookList();
    const int a = 0, b = 0, c = 0, late = 0;
    QStringList calls;
    list.AddHook(&a, [&](QObject*, QEvent*) {
        calls.append(QStringLiteral("a"));
        list.RemoveHook(&b);
        list.AddHook(&late, [&](QObject*, QEvent*) { calls.append(QStringLiteral("late")); });
    });
    list.AddHook(&b, [&](QObject*, QEvent*) { calls.append(QStringLiteral("b")); });
    list.AddHook(&c, [&](QObject*, QEvent*) {
        calls.append(QStringLiteral("c"));
        throw std::runtime_error("an entry that fails does not stop the others");
    });
    QObject target;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&target, &event);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(list.Count(), 3);

    calls.clear();
    list.RemoveHook(&a);
    QCoreApplication::sendEvent(&target, &event);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("c"), QStringLiteral("late")}));
    list.RemoveHook(&c);
    list.RemoveHook(&late);
    list.RemoveHook(&late); // nothing left to remove
    EXPECT_EQ(list.Count(), 0);
}

TEST(MessageHook, HookComponentsTakeOnlyTheirWindowsEvents) {
    QWidget form;
    QWidget other;
    TSpontaneousCounter direct;
    form.installEventFilter(&direct);
    auto first = std::make_unique<TCountingHook>();
    first->SetHookWindow(&form);
    TCountingHook second;
    second.SetHookWindow(&form);
    TCountingHook elsewhere;
    elsewhere.SetHookWindow(&other);

    form.show();
    ProcessEventsFor(100);
    EXPECT_GT(first->Count, 0);
    EXPECT_EQ(second.Count, first->Count);
    EXPECT_EQ(elsewhere.Count, 0);
    EXPECT_EQ(direct.Count, first->Count) << "the window still receives every event";

    // Two components on one window: freeing one leaves the other receiving.
    first.reset();
    second.Count = 0;
    form.hide();
    form.show();
    ProcessEventsFor(100);
    EXPECT_GT(second.Count, 0);
    EXPECT_EQ(PostMessageHookList().Count(), 2);
}

// Delivering an event does not copy the entries: a routine is copied only when the list
// changes while a delivery is going over it.
TEST(MessageHook, DeliveryDoesNotCopyTheEntries) {
    struct TCountingRoutine {
        int* Copies;
        int* Calls;
        TCountingRoutine(int* C, int* N) : Copies(C), Calls(N) {}
        TCountingRoutine(const TCountingRoutine& O) : Copies(O.Copies), Calls(O.Calls) {
            ++*Copies;
        }
        void operator()(QObject*, QEvent*) const { ++*Calls; }
    };
    TMessageHookList& list = SendMessageHookList();
    int copies = 0, calls = 0;
    const int owner = 0, other = 0;
    list.AddHook(&owner, THookEvent(TCountingRoutine(&copies, &calls)));
    const int copiesAfterAdd = copies;
    QObject target;
    QEvent event(QEvent::User);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::sendEvent(&target, &event);
    EXPECT_EQ(calls, 10);
    EXPECT_EQ(copies, copiesAfterAdd);
    list.AddHook(&other, [&](QObject*, QEvent*) { list.RemoveHook(&other); });
    QCoreApplication::sendEvent(&target, &event);
    EXPECT_EQ(calls, 11);
    EXPECT_GT(copies, copiesAfterAdd) << "a change during a delivery works on a copy";
    list.RemoveHook(&owner);
    EXPECT_EQ(list.Count(), 0);
}
