#pragma once
// Interfaced objects and the observer mechanism.
//
// Drawing objects, pictures, image packs, the design surface and editor pages tell each
// other about changes through a broadcaster (IBroadcaster) and its listeners (IListener).
// A notification is a sender plus a message id (a GUID) and nothing else: a listener that
// needs data asks the sender.
//
// The sender of a notification is an IInterface* (it may be null). Every class that sends
// notifications, or owns a broadcaster as its Controller, derives from IInterface, so a
// listener can both compare the sender with an object it knows (each object has exactly one
// IInterface subobject, IInterface being a virtual base, so the pointers compare equal) and
// ask it for a capability with QueryObjectInterface.
//
// Ownership is explicit: a broadcaster, a change notifier and a listener are created and
// destroyed by their owners; nothing is freed by a reference count. The two sides of a
// connection hold plain pointers to each other and each side disconnects itself from all
// its partners when it is destroyed, so neither ever holds a pointer to a destroyed
// partner. An observer that keeps a pointer to a broadcaster's owner drops it when the
// broadcaster announces MsgIdGoingAway.
//
// User-interface thread only.

#include "UInterface.h"

#include <cstdint>
#include <functional>
#include <vector>

class IListener;

// Message ids. All are sent with IBroadcaster::Broadcast.

// The broadcaster is going away; sender: the broadcaster's Controller.
inline constexpr TGUID MsgIdGoingAway = MakeGUID("{FF0E0940-2D29-11D3-ACCC-00500463098A}");
// Something changed; sender: the change notifier's Controller.
inline constexpr TGUID MsgIdChanged = MakeGUID("{1153AE63-523C-11D3-AD37-00500463098A}");
// An image pack changed.
inline constexpr TGUID MsgIdImagePackChanged = MakeGUID("{FF0E0942-2D29-11D3-ACCC-00500463098A}");
// An image pack is about to change.
inline constexpr TGUID MsgIdImagePackChanging = MakeGUID("{A916FC40-6C6C-11D3-9551-00500463098A}");
// Image data: the picture size changed and the clip was reset.
inline constexpr TGUID MsgIdImageDataSizeChanged =
    MakeGUID("{386FA8F1-5C4E-11D3-AD57-00500463098A}");
// Image data: the picture changed.
inline constexpr TGUID MsgIdImageDataPictureChanged =
    MakeGUID("{3C2CDFD1-5C80-11D3-AD58-00500463098A}");
// The selection state of a drawing object changed.
inline constexpr TGUID MsgIdSelectionChanged = MakeGUID("{B423E361-44C6-11D3-AD13-00500463098A}");
// The movable flag of a drawing object changed.
inline constexpr TGUID MsgIdMovableChanged = MakeGUID("{B45F6E91-458A-11D3-AD15-00500463098A}");
// The DontPrint flag of a drawing object changed.
inline constexpr TGUID MsgIdDontPrintChanged = MakeGUID("{B45F6E92-458A-11D3-AD15-00500463098A}");
// The screen's active control changed; sender: the screen event dispatcher.
inline constexpr TGUID MsgIdActiveControlChanged =
    MakeGUID("{1211E69A-468C-11D3-AD18-00500463098A}");
// The screen's active form changed; sender: the screen event dispatcher.
inline constexpr TGUID MsgIdActiveFormChanged = MakeGUID("{1211E69B-468C-11D3-AD18-00500463098A}");

class IBroadcaster : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{D945C5B0-29DA-11D3-ACA5-00500463098A}");

    // Calls Notify(Sender, MsgID) of every connected listener.
    virtual void Broadcast(IInterface* Sender, const TGUID& MsgID) = 0;
    // Connects Listener (null is ignored); the listener is told with AddBroadcaster.
    virtual void AddListener(IListener* Listener) = 0;
    // Disconnects Listener (null is ignored); the listener is told with RemoveBroadcaster.
    virtual void RemoveListener(IListener* Listener) = 0;

protected:
    ~IBroadcaster() = default;
};

class IListener : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{D945C5B1-29DA-11D3-ACA5-00500463098A}");

    virtual void Notify(IInterface* Sender, const TGUID& MsgID) = 0;
    // The mirror of the broadcaster's pair: connects or disconnects this listener and
    // Broadcaster (null is ignored), telling the broadcaster.
    virtual void AddBroadcaster(IBroadcaster* Broadcaster) = 0;
    virtual void RemoveBroadcaster(IBroadcaster* Broadcaster) = 0;

protected:
    ~IListener() = default;
};

// Update bracketing of a change notifier. Its owners (pictures, drawing objects) answer it
// through QueryInterface by handing out their notifier; the id is this program's own.
class IChangeNotify : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{493EA538-53DA-43FB-9E8F-1971297E1518}");

    // One change: broadcast at once outside an update, once at the outermost EndUpdate inside.
    virtual void Changed() = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;

protected:
    ~IChangeNotify() = default;
};

// Base of objects that expose interfaces, optionally on behalf of a controller (the object
// that aggregates them). With a controller, QueryInterface asks the controller and nothing
// else, so the aggregate decides which capabilities it shows; the object's own interfaces
// are then reachable only through QueryOwnInterface. A controller answering for an inner
// object therefore casts it, or calls its QueryOwnInterface, never its QueryInterface (which
// would come back to the controller).
class TInterfaceImplement : public virtual IInterface {
public:
    // Controller may be null; it must outlive this object.
    explicit TInterfaceImplement(IInterface* Controller = nullptr) : FController(Controller) {}
    virtual ~TInterfaceImplement() = default;
    TInterfaceImplement(const TInterfaceImplement&) = delete;
    TInterfaceImplement& operator=(const TInterfaceImplement&) = delete;

    IInterface* Controller() const { return FController; }

    // With a controller, the controller's answer; otherwise QueryOwnInterface. *Obj is null
    // when refused.
    bool QueryInterface(const TGUID& Id, void** Obj) final;

    // The object's own interfaces. Derived classes chain:
    //   return AnswerInterface<IFoo>(this, Id, Obj) || Base::QueryOwnInterface(Id, Obj);
    virtual bool QueryOwnInterface(const TGUID& Id, void** Obj);

private:
    IInterface* const FController;
};

// Keeps the listeners of one broadcaster and calls them.
//
// A listener may connect, disconnect or be destroyed while a broadcast is running: the
// broadcast goes over the listeners connected when it started and skips those disconnected
// since; listeners connected meanwhile get the next broadcast. A listener may also destroy
// the broadcaster itself (directly or through its owner) from its Notify: the broadcast then
// announces MsgIdGoingAway to the remaining listeners, as any destruction does, and stops.
class TBroadcaster : public TInterfaceImplement, public IBroadcaster {
public:
    explicit TBroadcaster(IInterface* Controller = nullptr);
    // Says goodbye when the owner has not called BeforeDestruction, and disconnects everyone.
    ~TBroadcaster() override;

    void Broadcast(IInterface* Sender, const TGUID& MsgID) override;
    // A listener already connected changes nothing. The listener is told with AddBroadcaster
    // and this broadcaster as its controller answers IBroadcaster (this object itself when
    // the controller refuses, so that the pair stays linked both ways). Ignored once
    // BeforeDestruction has run.
    void AddListener(IListener* Listener) override;
    // A listener not connected changes nothing.
    void RemoveListener(IListener* Listener) override;

    // Announces MsgIdGoingAway with the Controller as sender (once), then disconnects every
    // listener; connecting is refused from then on. An owner that is this broadcaster's
    // controller calls it at the start of its own destructor, while it is still whole for the
    // listeners that look at it. Never throws: an exception from a listener, or a listener
    // that does not disconnect ("fall into infinity loop."), is logged and that listener is
    // dropped.
    void BeforeDestruction() noexcept;

    int ListenerCount() const { return static_cast<int>(FListeners.size()); }
    IListener* Listeners(int Index) const { return FListeners.at(Index).Listener; }

    bool QueryOwnInterface(const TGUID& Id, void** Obj) override;

protected:
    // Broadcasts and answers whether this object still exists afterwards (a listener may
    // destroy it). A caller that answers false must not touch the object again.
    bool BroadcastAndSurvive(IInterface* Sender, const TGUID& MsgID);

private:
    struct TEntry {
        IListener* Listener;
        // What the listener was given as this broadcaster, for the matching removal.
        IBroadcaster* PresentedAs;
        // Tells a listener connected during a broadcast from an earlier one at the same address.
        uint64_t Serial;
    };
    // One running broadcast; the destructor marks every running one.
    struct TFrame {
        TFrame* Outer;
        bool Destroyed;
    };

    bool IsConnected(uint64_t Serial) const;

    std::vector<TEntry> FListeners;
    uint64_t FNextSerial = 0;
    TFrame* FFrames = nullptr;
    bool FGoingAway = false;
};

// A broadcaster that bundles changes. UpdateCount counts open BeginUpdate calls; Pending
// tells whether a change was made since the outermost BeginUpdate. At the outermost
// EndUpdate a pending change is broadcast as MsgIdChanged with the Controller as sender,
// then OnChange is called.
class TChangeNotify : public TBroadcaster, public IChangeNotify {
public:
    explicit TChangeNotify(IInterface* Controller = nullptr) : TBroadcaster(Controller) {}

    void Changed() override;
    // At UpdateCount 0 clears Pending; then opens one update.
    void BeginUpdate() override;
    // Closes one update. An EndUpdate without an open update is logged and ignored, so that
    // one unbalanced call cannot silence every later change. Pending stays set after the
    // broadcast until the next outermost BeginUpdate.
    void EndUpdate() override;

    int UpdateCount() const { return FUpdateCount; }
    bool Pending() const { return FPending; }

    // For an owner's QueryInterface: answers IBroadcaster and IChangeNotify with this
    // notifier; leaves Obj alone and returns false for any other interface.
    bool AnswerNotifyInterface(const TGUID& Id, void** Obj);

    // Called after the changed broadcast, with this notifier.
    std::function<void(TChangeNotify* Sender)> OnChange;

private:
    int32_t FUpdateCount = 0;
    bool FPending = false;
};

// Runs Body inside one update of Notify: whatever it changes is broadcast once at the end,
// and the update is closed also when Body throws.
template <class F>
void InUpdate(TChangeNotify& Notify, F&& Body) {
    Notify.BeginUpdate();
    try {
        Body();
    } catch (...) {
        Notify.EndUpdate();
        throw;
    }
    Notify.EndUpdate();
}

// A listener that hands every notification to a handler function. It has no controller.
class TListener : public TInterfaceImplement, public IListener {
public:
    using THandler = std::function<void(IInterface* Sender, const TGUID& MsgID)>;

    explicit TListener(THandler Handler = {});
    // Disconnects from every broadcaster (a broadcaster that does not disconnect is logged
    // as "fall into infinity loop." and dropped).
    ~TListener() override;

    // Calls the handler, when there is one. The handler may destroy this listener.
    void Notify(IInterface* Sender, const TGUID& MsgID) override;
    // A broadcaster already connected (or not connected, for removal) changes nothing.
    void AddBroadcaster(IBroadcaster* Broadcaster) override;
    void RemoveBroadcaster(IBroadcaster* Broadcaster) override;

    int BroadcasterCount() const { return static_cast<int>(FBroadcasters.size()); }
    IBroadcaster* Broadcasters(int Index) const { return FBroadcasters.at(Index); }

    bool QueryOwnInterface(const TGUID& Id, void** Obj) override;

private:
    std::vector<IBroadcaster*> FBroadcasters;
    THandler FHandler;
};
