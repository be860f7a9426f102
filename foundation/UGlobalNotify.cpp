#include "UGlobalNotify.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <exception>
#include <vector>

namespace {

// Runs a handler, logging and discarding what it raises: these handlers are called from the
// event loop, which an exception must not cross.
template <class F>
void Guarded(const char* Where, F&& Work) noexcept {
    try {
        Work();
    } catch (const std::exception& e) {
        qCritical("%s: a handler raised an exception: %s", Where, e.what());
    } catch (...) {
        qCritical("%s: a handler raised an exception", Where);
    }
}

// Finds the idle moments of the application. Just before the event loop waits, a zero-time
// timer is armed when any event has been processed since the last idle moment; when it
// fires, the handlers run. Events sent while the handlers run do not count, so an idle
// handler that updates something does not cause another idle moment by itself.
class TApplicationIdle : public QObject {
public:
    static TApplicationIdle& Instance() {
        static TApplicationIdle idle;
        return idle;
    }

    void Add(const void* Owner, std::function<void()> Handler) {
        Start();
        FHandlers.push_back({Owner, std::move(Handler)});
    }
    void Remove(const void* Owner) {
        std::erase_if(FHandlers, [&](const TEntry& E) { return E.Owner == Owner; });
    }

protected:
    bool eventFilter(QObject* Receiver, QEvent* Event) override {
        if (Receiver != &FTimer)
            ++FEvents;
        return false;
    }

private:
    struct TEntry {
        const void* Owner;
        std::function<void()> Handler;
    };

    TApplicationIdle() {
        FTimer.setSingleShot(true);
        FTimer.setInterval(0);
        connect(&FTimer, &QTimer::timeout, this, [this] { Idle(); });
    }

    void Start() {
        QCoreApplication* app = QCoreApplication::instance();
        if (FStarted || !app)
            return;
        FStarted = true;
        app->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(app->thread()),
                &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                    if (FEvents != FEventsAtIdle && !FTimer.isActive())
                        FTimer.start();
                });
    }

    void Idle() {
        const std::vector<TEntry> snapshot = FHandlers;
        for (const TEntry& entry : snapshot) {
            const bool present =
                std::any_of(FHandlers.begin(), FHandlers.end(),
                            [&](const TEntry& E) { return E.Owner == entry.Owner; });
            if (present)
                Guarded("OnIdle", entry.Handler);
        }
        FEventsAtIdle = FEvents;
    }

    QTimer FTimer;
    std::vector<TEntry> FHandlers;
    quint64 FEvents = 0;
    quint64 FEventsAtIdle = ~quint64(0);
    bool FStarted = false;
};

} // namespace

// Watches the application for TGlobalNotify: idle moments, activation, minimising and
// status tips.
class TGlobalNotify::TWatcher : public QObject {
public:
    explicit TWatcher(TGlobalNotify& Owner) : FOwner(Owner) {
        TApplicationIdle::Instance().Add(this, [this] { FOwner.Fire(FOwner.OnIdle); });
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            app->installEventFilter(this);
            connect(app, &QGuiApplication::applicationStateChanged, this,
                    [this](Qt::ApplicationState State) { StateChanged(State); });
        }
    }
    ~TWatcher() override { TApplicationIdle::Instance().Remove(this); }

protected:
    bool eventFilter(QObject* Receiver, QEvent* Event) override {
        if (Event->type() == QEvent::StatusTip)
            StatusTip(static_cast<QStatusTipEvent*>(Event)->tip());
        else if (Event->type() == QEvent::WindowStateChange)
            WindowStateChanged(Receiver, static_cast<QWindowStateChangeEvent*>(Event));
        return false;
    }

private:
    void StateChanged(Qt::ApplicationState State) {
        const bool active = State == Qt::ApplicationActive;
        if (active == FActive)
            return;
        FActive = active;
        FOwner.Fire(active ? FOwner.OnActivate : FOwner.OnDeactivate);
    }

    void StatusTip(const QString& Tip) {
        if (Tip == FOwner.FHint)
            return;
        FOwner.FHint = Tip;
        FOwner.Fire(FOwner.OnHint);
    }

    void WindowStateChanged(QObject* Receiver, const QWindowStateChangeEvent* Event) {
        const auto* widget = qobject_cast<QWidget*>(Receiver);
        if (!widget || !widget->isWindow() || widget->parentWidget())
            return;
        const bool was = Event->oldState() & Qt::WindowMinimized;
        const bool is = widget->windowState() & Qt::WindowMinimized;
        if (is && !was)
            FOwner.Fire(FOwner.OnMinimize);
        else if (was && !is)
            FOwner.Fire(FOwner.OnRestore);
    }

    TGlobalNotify& FOwner;
    bool FActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
};

TGlobalNotify::TGlobalNotify(TComponent* Owner)
    : TComponent(Owner),
      FListener(std::make_unique<TListener>(
          [this](IInterface* Sender, const TGUID& MsgID) { Notify(Sender, MsgID); })),
      FWatcher(std::make_unique<TWatcher>(*this)) {
    TScreenEventDispatcher::Instance().AddListener(FListener.get());
}

TGlobalNotify::~TGlobalNotify() {
    FWatcher.reset();
    FListener.reset();
}

void TGlobalNotify::Notify(IInterface* Sender, const TGUID& MsgID) {
    if (MsgID == MsgIdActiveControlChanged)
        Fire(OnActiveControlChange);
    else if (MsgID == MsgIdActiveFormChanged)
        Fire(OnActiveFormChange);
}

void TGlobalNotify::Fire(const TGlobalNotifyEvent& Event) {
    if (Event)
        Guarded("TGlobalNotify", [&] { Event(this); });
}

TScreenEventDispatcher& TScreenEventDispatcher::Instance() {
    static TScreenEventDispatcher dispatcher;
    return dispatcher;
}

TScreenEventDispatcher::TScreenEventDispatcher() : FBroadcaster(this) {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this,
                [this] { BroadcastSelf(MsgIdActiveControlChanged); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::focusWindowChanged, this,
                [this] { BroadcastSelf(MsgIdActiveFormChanged); });
}

TScreenEventDispatcher::~TScreenEventDispatcher() {
    FBroadcaster.BeforeDestruction();
}

void TScreenEventDispatcher::BroadcastSelf(const TGUID& MsgID) {
    Broadcast(static_cast<IBroadcaster*>(this), MsgID);
}

void TScreenEventDispatcher::Broadcast(IInterface* Sender, const TGUID& MsgID) {
    FBroadcaster.Broadcast(Sender, MsgID);
}

void TScreenEventDispatcher::AddListener(IListener* Listener) {
    FBroadcaster.AddListener(Listener);
}

void TScreenEventDispatcher::RemoveListener(IListener* Listener) {
    FBroadcaster.RemoveListener(Listener);
}

bool TScreenEventDispatcher::QueryInterface(const TGUID& Id, void** Obj) {
    if (AnswerInterface<IBroadcaster>(this, Id, Obj) || AnswerInterface<IInterface>(this, Id, Obj))
        return true;
    *Obj = nullptr;
    return false;
}

TClipboardNotify::TClipboardNotify(TComponent* Owner) : TComponent(Owner) {
    if (QGuiApplication::instance())
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                &TClipboardNotify::ClipboardChanged);
}

void TClipboardNotify::ClipboardChanged() {
    if (OnChange)
        Guarded("TClipboardNotify", [this] { OnChange(this); });
}
