#include "UGuard.h"
#include "UNotify.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// Collects the warnings and errors logged while it exists.
class TLogCapture {
public:
    TLogCapture() {
        Current = this;
        FPrevious = qInstallMessageHandler(&TLogCapture::Handler);
    }
    ~TLogCapture() {
        qInstallMessageHandler(FPrevious);
        Current = nullptr;
    }
    bool Contains(const QString& Text) const {
        for (const QString& m : Messages)
            if (m.contains(Text))
                return true;
        return false;
    }
    QStringList Messages;

private:
    static void Handler(QtMsgType, const QMessageLogContext&, const QString& Message) {
        if (Current)
            Current->Messages.append(Message);
    }
    static inline TLogCapture* Current = nullptr;
    QtMessageHandler FPrevious;
};

struct TReceived {
    IInterface* Sender;
    TGUID MsgID;
    friend bool operator==(const TReceived&, const TReceived&) = default;
};

// A listener that records what it receives and how often it was told about a broadcaster.
class TRecordingListener : public TListener {
public:
    TRecordingListener()
        : TListener([this](IInterface* Sender, const TGUID& MsgID) {
              Received.push_back({Sender, MsgID});
          }) {}
    void AddBroadcaster(IBroadcaster* B) override {
        ++AddCalls;
        TListener::AddBroadcaster(B);
    }
    void RemoveBroadcaster(IBroadcaster* B) override {
        ++RemoveCalls;
        TListener::RemoveBroadcaster(B);
    }
    std::vector<TReceived> Received;
    int AddCalls = 0;
    int RemoveCalls = 0;
};

// A plain object that can be a controller: it answers only what it is told to.
class TController : public IInterface {
public:
    bool QueryInterface(const TGUID& Id, void** Obj) override {
        *Obj = nullptr;
        if (Id == IInterface::IID) {
            *Obj = static_cast<IInterface*>(this);
            return true;
        }
        if (Inner && Id == IBroadcaster::IID)
            return Inner->QueryOwnInterface(Id, Obj);
        return false;
    }
    // The aggregated object this controller answers IBroadcaster for (none: refuses it).
    TBroadcaster* Inner = nullptr;
};

// An owner aggregating a change notifier, as drawing objects and pictures do.
class TNotifyingObject : public IInterface {
public:
    TNotifyingObject() : Notify(std::make_unique<TChangeNotify>(this)) {}
    ~TNotifyingObject() { Notify->BeforeDestruction(); }
    bool QueryInterface(const TGUID& Id, void** Obj) override {
        *Obj = nullptr;
        return AnswerInterface<IInterface>(this, Id, Obj) ||
               AnswerInterface<IBroadcaster>(Notify.get(), Id, Obj);
    }
    std::unique_ptr<TChangeNotify> Notify;
};

// A listener that never disconnects.
class TStubbornListener : public IListener {
public:
    bool QueryInterface(const TGUID& Id, void** Obj) override {
        *Obj = nullptr;
        return AnswerInterface<IListener>(this, Id, Obj);
    }
    void Notify(IInterface*, const TGUID&) override { ++Notified; }
    void AddBroadcaster(IBroadcaster*) override {}
    void RemoveBroadcaster(IBroadcaster*) override {}
    int Notified = 0;
};

constexpr TGUID MsgA = MakeGUID("{00000001-0000-0000-0000-000000000000}");

} // namespace

TEST(Notify, IdsAreTheRegistryTexts) {
    struct {
        TGUID Id;
        const char* Text;
    } rows[] = {
        {IBroadcaster::IID, "{D945C5B0-29DA-11D3-ACA5-00500463098A}"},
        {IListener::IID, "{D945C5B1-29DA-11D3-ACA5-00500463098A}"},
        {IInterface::IID, "{00000000-0000-0000-C000-000000000046}"},
        {MsgIdGoingAway, "{FF0E0940-2D29-11D3-ACCC-00500463098A}"},
        {MsgIdChanged, "{1153AE63-523C-11D3-AD37-00500463098A}"},
        {MsgIdImagePackChanged, "{FF0E0942-2D29-11D3-ACCC-00500463098A}"},
        {MsgIdImagePackChanging, "{A916FC40-6C6C-11D3-9551-00500463098A}"},
        {MsgIdImageDataSizeChanged, "{386FA8F1-5C4E-11D3-AD57-00500463098A}"},
        {MsgIdImageDataPictureChanged, "{3C2CDFD1-5C80-11D3-AD58-00500463098A}"},
        {MsgIdSelectionChanged, "{B423E361-44C6-11D3-AD13-00500463098A}"},
        {MsgIdMovableChanged, "{B45F6E91-458A-11D3-AD15-00500463098A}"},
        {MsgIdDontPrintChanged, "{B45F6E92-458A-11D3-AD15-00500463098A}"},
        {MsgIdActiveControlChanged, "{1211E69A-468C-11D3-AD18-00500463098A}"},
        {MsgIdActiveFormChanged, "{1211E69B-468C-11D3-AD18-00500463098A}"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.Id.ToString(), QString::fromLatin1(row.Text));
}

TEST(Notify, QueryInterfaceWithoutControllerUsesTheOwnTable) {
    TBroadcaster b;
    EXPECT_EQ(QueryObjectInterface<IBroadcaster>(&b), static_cast<IBroadcaster*>(&b));
    EXPECT_EQ(QueryObjectInterface<IInterface>(&b), static_cast<IInterface*>(&b));
    EXPECT_EQ(QueryObjectInterface<IListener>(&b), nullptr);
    TListener l;
    EXPECT_EQ(QueryObjectInterface<IListener>(&l), static_cast<IListener*>(&l));
    EXPECT_EQ(QueryObjectInterface<IBroadcaster>(&l), nullptr);
}

TEST(Notify, QueryInterfaceWithControllerAsksOnlyTheController) {
    TController refusing;
    TBroadcaster b(&refusing);
    EXPECT_EQ(b.Controller(), &refusing);
    void* p = reinterpret_cast<void*>(1);
    // The class implements IBroadcaster, but the controller does not show it.
    EXPECT_FALSE(b.QueryInterface(IBroadcaster::IID, &p));
    EXPECT_EQ(p, nullptr);
    // IInterface is the controller's own.
    EXPECT_EQ(QueryObjectInterface<IInterface>(&b), static_cast<IInterface*>(&refusing));
    // Its own table stays reachable for the aggregate.
    EXPECT_TRUE(b.QueryOwnInterface(IBroadcaster::IID, &p));
    EXPECT_EQ(p, static_cast<IBroadcaster*>(&b));

    TController answering;
    TBroadcaster inner(&answering);
    answering.Inner = &inner;
    EXPECT_EQ(QueryObjectInterface<IBroadcaster>(&answering), static_cast<IBroadcaster*>(&inner));
    EXPECT_EQ(QueryObjectInterface<IBroadcaster>(&inner), static_cast<IBroadcaster*>(&inner));
}

TEST(Notify, ChangesInsideAnUpdateAreBroadcastOnceAtTheOutermostEnd) {
    TController owner;
    TChangeNotify n(&owner);
    TRecordingListener l;
    n.AddListener(&l);
    int changes = 0;
    n.OnChange = [&](TChangeNotify* Sender) {
        EXPECT_EQ(Sender, &n);
        ++changes;
    };

    n.BeginUpdate();
    n.BeginUpdate();
    for (int i = 0; i < 3; ++i)
        n.Changed();
    n.EndUpdate();
    EXPECT_TRUE(l.Received.empty());
    EXPECT_EQ(changes, 0);
    n.EndUpdate();
    ASSERT_EQ(l.Received.size(), 1u);
    EXPECT_EQ(l.Received[0], (TReceived{&owner, MsgIdChanged}));
    EXPECT_EQ(changes, 1);
    // Pending is left set until the next outermost BeginUpdate.
    EXPECT_TRUE(n.Pending());
    EXPECT_EQ(n.UpdateCount(), 0);

    n.BeginUpdate();
    EXPECT_FALSE(n.Pending());
    n.EndUpdate();
    EXPECT_EQ(l.Received.size(), 1u);
    EXPECT_EQ(changes, 1);

    // Outside an update a change is broadcast at once.
    n.Changed();
    EXPECT_EQ(l.Received.size(), 2u);
    EXPECT_EQ(changes, 2);
}

TEST(Notify, AnUnbalancedEndUpdateDoesNotSilenceLaterChanges) {
    TChangeNotify n;
    TRecordingListener l;
    n.AddListener(&l);
    TLogCapture log;
    n.EndUpdate();
    n.EndUpdate();
    EXPECT_EQ(n.UpdateCount(), 0);
    EXPECT_EQ(log.Messages.size(), 2);
    n.Changed();
    ASSERT_EQ(l.Received.size(), 1u);
    // No controller: the sender is null.
    EXPECT_EQ(l.Received[0], (TReceived{nullptr, MsgIdChanged}));
}

TEST(Notify, AddingTwiceKeepsOneEntryAndTellsTheListenerOnce) {
    TBroadcaster b;
    TRecordingListener l;
    b.AddListener(&l);
    b.AddListener(&l);
    b.AddListener(nullptr);
    EXPECT_EQ(b.ListenerCount(), 1);
    EXPECT_EQ(l.AddCalls, 1);
    ASSERT_EQ(l.BroadcasterCount(), 1);
    EXPECT_EQ(l.Broadcasters(0), static_cast<IBroadcaster*>(&b));

    TRecordingListener absent;
    b.RemoveListener(&absent);
    b.RemoveListener(nullptr);
    EXPECT_EQ(absent.RemoveCalls, 0);
    EXPECT_EQ(b.ListenerCount(), 1);
}

TEST(Notify, EitherSideConnectsAndDisconnectsWithOneCallBack) {
    struct {
        bool ConnectFromListener;
        bool DisconnectFromListener;
    } rows[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "connect from listener " << row.ConnectFromListener
                     << ", disconnect from listener " << row.DisconnectFromListener);
        TBroadcaster b;
        TRecordingListener l;
        if (row.ConnectFromListener)
            l.AddBroadcaster(&b);
        else
            b.AddListener(&l);
        EXPECT_EQ(b.ListenerCount(), 1);
        EXPECT_EQ(l.BroadcasterCount(), 1);
        // The listener's own call, when it starts, and the broadcaster's one call back.
        EXPECT_EQ(l.AddCalls, row.ConnectFromListener ? 2 : 1);
        b.Broadcast(&b, MsgA);
        EXPECT_EQ(l.Received.size(), 1u);

        if (row.DisconnectFromListener)
            l.RemoveBroadcaster(&b);
        else
            b.RemoveListener(&l);
        EXPECT_EQ(b.ListenerCount(), 0);
        EXPECT_EQ(l.BroadcasterCount(), 0);
        EXPECT_EQ(l.RemoveCalls, row.DisconnectFromListener ? 2 : 1);
        b.Broadcast(&b, MsgA);
        EXPECT_EQ(l.Received.size(), 1u);
    }
}

TEST(Notify, DestroyingABroadcasterSaysGoodbyeAndEmptiesTheListeners) {
    TController owner;
    TRecordingListener l1, l2;
    {
        TBroadcaster b(&owner);
        b.AddListener(&l1);
        b.AddListener(&l2);
        // The controller refuses IBroadcaster: the listeners still know this broadcaster.
        EXPECT_EQ(l1.BroadcasterCount(), 1);
    }
    for (TRecordingListener* l : {&l1, &l2}) {
        ASSERT_EQ(l->Received.size(), 1u);
        EXPECT_EQ(l->Received[0], (TReceived{&owner, MsgIdGoingAway}));
        EXPECT_EQ(l->BroadcasterCount(), 0);
    }
}

TEST(Notify, DestroyingAListenerDisconnectsItEverywhere) {
    TBroadcaster a, b;
    TStubbornListener other;
    a.AddListener(&other);
    {
        TRecordingListener l;
        a.AddListener(&l);
        l.AddBroadcaster(&b);
        EXPECT_EQ(a.ListenerCount(), 2);
        EXPECT_EQ(b.ListenerCount(), 1);
    }
    EXPECT_EQ(a.ListenerCount(), 1);
    EXPECT_EQ(a.Listeners(0), static_cast<IListener*>(&other));
    EXPECT_EQ(b.ListenerCount(), 0);
    a.Broadcast(nullptr, MsgA); // must not reach the destroyed listener
    EXPECT_EQ(other.Notified, 1);
    a.RemoveListener(&other);
}

TEST(Notify, AListenerOfARefusingControllerIsNotLeftDangling) {
    TController refusing;
    TBroadcaster b(&refusing);
    auto l = std::make_unique<TRecordingListener>();
    b.AddListener(l.get());
    EXPECT_EQ(l->BroadcasterCount(), 1);
    l.reset();
    EXPECT_EQ(b.ListenerCount(), 0);
    b.Broadcast(nullptr, MsgA);
}

TEST(Notify, AnAggregateIsTheSenderAndAnswersForItsNotifier) {
    auto object = std::make_unique<TNotifyingObject>();
    TRecordingListener l;
    IBroadcaster* b = QueryObjectInterface<IBroadcaster>(object.get());
    ASSERT_EQ(b, static_cast<IBroadcaster*>(object->Notify.get()));
    l.AddBroadcaster(b);
    EXPECT_EQ(object->Notify->ListenerCount(), 1);
    object->Notify->Changed();
    IInterface* sender = object.get();
    object.reset();
    ASSERT_EQ(l.Received.size(), 2u);
    EXPECT_EQ(l.Received[0], (TReceived{sender, MsgIdChanged}));
    EXPECT_EQ(l.Received[1], (TReceived{sender, MsgIdGoingAway}));
    EXPECT_EQ(l.BroadcasterCount(), 0);
}

TEST(Notify, BroadcastSkipsListenersDestroyedByAnEarlierOne) {
    TBroadcaster b;
    std::vector<int> calls;
    std::unique_ptr<TListener> second;
    TListener first([&](IInterface*, const TGUID&) {
        calls.push_back(1);
        second.reset();
    });
    second = std::make_unique<TListener>([&](IInterface*, const TGUID&) { calls.push_back(2); });
    TListener third([&](IInterface*, const TGUID&) { calls.push_back(3); });
    b.AddListener(&first);
    b.AddListener(second.get());
    b.AddListener(&third);
    b.Broadcast(nullptr, MsgA);
    EXPECT_EQ(calls, (std::vector<int>{1, 3}));
    EXPECT_EQ(b.ListenerCount(), 2);
}

TEST(Notify, BroadcastReachesEveryoneWhenAListenerRemovesItself) {
    TBroadcaster b;
    std::vector<int> calls;
    std::unique_ptr<TListener> first;
    first = std::make_unique<TListener>([&](IInterface*, const TGUID&) {
        calls.push_back(1);
        first.reset(); // the handler destroys its own listener
    });
    TListener second([&](IInterface*, const TGUID&) { calls.push_back(2); });
    TListener third([&](IInterface*, const TGUID&) { calls.push_back(3); });
    b.AddListener(first.get());
    b.AddListener(&second);
    b.AddListener(&third);
    b.Broadcast(nullptr, MsgA);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(b.ListenerCount(), 2);
}

TEST(Notify, AListenerConnectedDuringABroadcastHearsTheNextOne) {
    TBroadcaster b;
    TRecordingListener late;
    TListener first([&](IInterface*, const TGUID&) { b.AddListener(&late); });
    b.AddListener(&first);
    b.Broadcast(nullptr, MsgA);
    EXPECT_TRUE(late.Received.empty());
    b.Broadcast(nullptr, MsgA);
    EXPECT_EQ(late.Received.size(), 1u);
}

TEST(Notify, AListenerMayDestroyTheBroadcasterDuringABroadcast) {
    auto b = std::make_unique<TBroadcaster>();
    TListener killer([&](IInterface*, const TGUID& MsgID) {
        if (MsgID == MsgA)
            b.reset();
    });
    TRecordingListener after;
    b->AddListener(&killer);
    b->AddListener(&after);
    b->Broadcast(nullptr, MsgA);
    EXPECT_EQ(b, nullptr);
    // The listener after the killer hears only the goodbye.
    ASSERT_EQ(after.Received.size(), 1u);
    EXPECT_EQ(after.Received[0].MsgID, MsgIdGoingAway);
    EXPECT_EQ(after.BroadcasterCount(), 0);
    EXPECT_EQ(killer.BroadcasterCount(), 0);
}

TEST(Notify, AListenerMayDestroyTheBroadcasterWhileItSaysGoodbye) {
    auto b = std::make_unique<TBroadcaster>();
    TListener killer([&](IInterface*, const TGUID& MsgID) {
        if (MsgID == MsgIdGoingAway) {
            b.reset();
            throw std::runtime_error("after the reset");
        }
    });
    TRecordingListener after;
    b->AddListener(&killer);
    b->AddListener(&after);
    TLogCapture log;
    b->BeforeDestruction();
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(log.Contains(QStringLiteral("after the reset")));
    EXPECT_EQ(after.BroadcasterCount(), 0);
    EXPECT_EQ(killer.BroadcasterCount(), 0);
}

TEST(Notify, AChangeListenerMayDestroyTheNotifier) {
    auto n = std::make_unique<TChangeNotify>();
    int changes = 0;
    n->OnChange = [&](TChangeNotify*) { ++changes; };
    TListener killer([&](IInterface*, const TGUID& MsgID) {
        if (MsgID == MsgIdChanged)
            n.reset();
    });
    n->AddListener(&killer);
    n->Changed();
    EXPECT_EQ(n, nullptr);
    EXPECT_EQ(changes, 0);
}

TEST(Notify, AnExceptionFromAListenerLeavesTheBroadcasterUsable) {
    TRecordingListener l;
    {
        TBroadcaster b;
        TListener thrower(
            [](IInterface*, const TGUID& MsgID) { throw std::runtime_error("listener failed"); });
        b.AddListener(&thrower);
        b.AddListener(&l);
        EXPECT_THROW(b.Broadcast(nullptr, MsgA), std::runtime_error);
        EXPECT_TRUE(l.Received.empty());
        b.RemoveListener(&thrower);
        b.Broadcast(nullptr, MsgA);
        EXPECT_EQ(l.Received.size(), 1u);
        b.AddListener(&thrower);
        // The goodbye broadcast is logged and destruction completes.
        TLogCapture log;
        EXPECT_NO_THROW(b.BeforeDestruction());
        EXPECT_TRUE(log.Contains(QStringLiteral("listener failed")));
        EXPECT_EQ(b.ListenerCount(), 0);
        EXPECT_EQ(thrower.BroadcasterCount(), 0);
    }
    EXPECT_EQ(l.BroadcasterCount(), 0);
}

TEST(Notify, APartnerThatDoesNotDisconnectIsReportedAndDropped) {
    TStubbornListener stubborn;
    TLogCapture log;
    {
        TBroadcaster b;
        b.AddListener(&stubborn);
    }
    EXPECT_EQ(stubborn.Notified, 1); // the goodbye
    EXPECT_TRUE(log.Contains(QStringLiteral("fall into infinity loop.")));
}

TEST(Notify, BroadcasterIgnoresNewListenersOnceGoingAway) {
    TRecordingListener l;
    TBroadcaster b;
    b.BeforeDestruction();
    b.AddListener(&l);
    EXPECT_EQ(b.ListenerCount(), 0);
    EXPECT_EQ(l.BroadcasterCount(), 0);
}

TEST(Guard, RestoresExactlyOnce) {
    int restored = 0;
    {
        TGuard g([&] { ++restored; });
        EXPECT_TRUE(g.Active());
        TGuard moved = std::move(g);
        EXPECT_FALSE(g.Active());
        EXPECT_EQ(restored, 0);
    }
    EXPECT_EQ(restored, 1);

    TGuard early([&] { ++restored; });
    early.Restore();
    early.Restore();
    EXPECT_EQ(restored, 2);

    {
        TGuard dismissed([&] { ++restored; });
        dismissed.Dismiss();
    }
    EXPECT_EQ(restored, 2);

    int other = 0;
    TGuard a([&] { ++restored; });
    a = TGuard([&] { ++other; }); // the replaced guard restores first
    EXPECT_EQ(restored, 3);
    EXPECT_EQ(other, 0);
    a.Restore();
    EXPECT_EQ(other, 1);

    TLogCapture log;
    {
        TGuard throwing([] { throw std::runtime_error("restore failed"); });
    }
    EXPECT_TRUE(log.Contains(QStringLiteral("restore failed")));
}
