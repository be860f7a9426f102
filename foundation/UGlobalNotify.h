#pragma once
// Application-wide notifications for any window that wants them: idle moments, activation,
// minimising, status tips, the screen's active control and active form, and clipboard
// changes.
//
// Idle: the application is idle when its event loop has nothing left to do and is about to
// wait. OnIdle is called once at each such moment, and again only after some other event has
// been processed, so an idle handler never keeps the loop spinning.
//
// Focus: one screen event dispatcher for the whole program broadcasts
// MsgIdActiveControlChanged when the focus widget changes and MsgIdActiveFormChanged when
// the focused window changes, with itself as the sender. Every TGlobalNotify listens to it;
// other observers may connect their own listener.
//
// All of these must be created after the application object; user-interface thread only.

#include "UComponent.h"
#include "UNotify.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class TGlobalNotify;
class TClipboardNotify;

using TGlobalNotifyEvent = std::function<void(TGlobalNotify* Sender)>;

class TGlobalNotify : public TComponent {
    Q_OBJECT
    // Event names that stored forms carry for this component.
    Q_CLASSINFO("Ignored", "OnIdle,OnActivate,OnMinimize,OnDeactivate,OnRestore,OnHint,"
                           "OnActiveControlChange,OnActiveFormChange")
public:
    // Connects to the screen event dispatcher (created now when this is the first) and
    // starts watching the application.
    explicit TGlobalNotify(TComponent* Owner = nullptr);
    ~TGlobalNotify() override;

    // The application went idle.
    TGlobalNotifyEvent OnIdle;
    // The application became active (one of its windows got the focus) or inactive.
    TGlobalNotifyEvent OnActivate;
    TGlobalNotifyEvent OnDeactivate;
    // A top-level window without a parent was minimised, or restored from minimised.
    TGlobalNotifyEvent OnMinimize;
    TGlobalNotifyEvent OnRestore;
    // The status tip changed; the new one is Hint().
    TGlobalNotifyEvent OnHint;
    // The screen's focus widget, or focused window, changed.
    TGlobalNotifyEvent OnActiveControlChange;
    TGlobalNotifyEvent OnActiveFormChange;

    const QString& Hint() const { return FHint; }

private:
    class TWatcher;
    void Notify(IInterface* Sender, const TGUID& MsgID);
    void Fire(const TGlobalNotifyEvent& Event);

    QString FHint;
    std::unique_ptr<TListener> FListener;
    std::unique_ptr<TWatcher> FWatcher;
};

// The one broadcaster of the screen's focus changes.
class TScreenEventDispatcher : public QObject, public IBroadcaster {
    Q_OBJECT
public:
    // The program's dispatcher, created at the first call.
    static TScreenEventDispatcher& Instance();
    ~TScreenEventDispatcher() override;

    void Broadcast(IInterface* Sender, const TGUID& MsgID) override;
    void AddListener(IListener* Listener) override;
    void RemoveListener(IListener* Listener) override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

private:
    TScreenEventDispatcher();
    void BroadcastSelf(const TGUID& MsgID);

    TBroadcaster FBroadcaster;
};

// Calls OnChange whenever the clipboard's contents change (in this program or, where the
// window system reports it, in another). An exception from the handler is logged and
// discarded, so that one faulty handler does not stop later notifications.
class TClipboardNotify : public TComponent {
    Q_OBJECT
    Q_CLASSINFO("Ignored", "OnChange")
public:
    explicit TClipboardNotify(TComponent* Owner = nullptr);

    std::function<void(TClipboardNotify* Sender)> OnChange;

private:
    void ClipboardChanged();
};
