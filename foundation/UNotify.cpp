#include "UNotify.h"

#include <QtGlobal>

#include <algorithm>
#include <exception>

namespace {
const char* const InfinityLoopMessage = "fall into infinity loop.";

// Runs Call and logs an exception from it: disconnecting runs in destructors, which must not
// throw.
template <class F>
void CallLogged(const char* Where, F&& Call) noexcept {
    try {
        Call();
    } catch (const std::exception& e) {
        qCritical("%s: a partner raised an exception: %s", Where, e.what());
    } catch (...) {
        qCritical("%s: a partner raised an exception", Where);
    }
}
} // namespace

// --- TInterfaceImplement ---------------------------------------------------------------------

bool TInterfaceImplement::QueryInterface(const TGUID& Id, void** Obj) {
    *Obj = nullptr;
    if (FController)
        return QueryObjectInterface(FController, Id, Obj);
    return QueryOwnInterface(Id, Obj);
}

bool TInterfaceImplement::QueryOwnInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IInterface>(this, Id, Obj);
}

// --- TBroadcaster ----------------------------------------------------------------------------

TBroadcaster::TBroadcaster(IInterface* Controller) : TInterfaceImplement(Controller) {}

TBroadcaster::~TBroadcaster() {
    BeforeDestruction();
    // Broadcasts still running further up the stack (a listener destroyed this broadcaster)
    // must stop without touching it.
    for (TFrame* f = FFrames; f; f = f->Outer)
        f->Destroyed = true;
}

bool TBroadcaster::QueryOwnInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IBroadcaster>(this, Id, Obj) ||
           TInterfaceImplement::QueryOwnInterface(Id, Obj);
}

bool TBroadcaster::IsConnected(uint64_t Serial) const {
    return std::any_of(FListeners.begin(), FListeners.end(),
                       [Serial](const TEntry& E) { return E.Serial == Serial; });
}

void TBroadcaster::Broadcast(IInterface* Sender, const TGUID& MsgID) {
    BroadcastAndSurvive(Sender, MsgID);
}

bool TBroadcaster::BroadcastAndSurvive(IInterface* Sender, const TGUID& MsgID) {
    if (FListeners.empty())
        return true;
    const std::vector<TEntry> snapshot = FListeners;
    TFrame frame{FFrames, false};
    FFrames = &frame;
    // Pops the frame on every way out, exceptions from listeners included, unless this
    // broadcaster no longer exists.
    struct TPop {
        TBroadcaster* Self;
        TFrame& Frame;
        ~TPop() {
            if (!Frame.Destroyed)
                Self->FFrames = Frame.Outer;
        }
    } pop{this, frame};
    for (const TEntry& e : snapshot) {
        if (!IsConnected(e.Serial))
            continue;
        e.Listener->Notify(Sender, MsgID);
        if (frame.Destroyed)
            return false;
    }
    return true;
}

void TBroadcaster::AddListener(IListener* Listener) {
    if (!Listener || FGoingAway)
        return;
    if (std::any_of(FListeners.begin(), FListeners.end(),
                    [Listener](const TEntry& E) { return E.Listener == Listener; }))
        return;
    IBroadcaster* self = QueryObjectInterface<IBroadcaster>(this);
    if (!self)
        self = this;
    FListeners.push_back(TEntry{Listener, self, ++FNextSerial});
    Listener->AddBroadcaster(self);
}

void TBroadcaster::RemoveListener(IListener* Listener) {
    if (!Listener)
        return;
    auto it = std::find_if(FListeners.begin(), FListeners.end(),
                           [Listener](const TEntry& E) { return E.Listener == Listener; });
    if (it == FListeners.end())
        return;
    IBroadcaster* presentedAs = it->PresentedAs;
    FListeners.erase(it);
    Listener->RemoveBroadcaster(presentedAs);
}

void TBroadcaster::BeforeDestruction() noexcept {
    if (!FGoingAway) {
        FGoingAway = true;
        // A listener may destroy this broadcaster while it says goodbye; the destructor then
        // disconnects everyone.
        TFrame frame{FFrames, false};
        FFrames = &frame;
        CallLogged("TBroadcaster", [this] { Broadcast(Controller(), MsgIdGoingAway); });
        if (frame.Destroyed)
            return;
        FFrames = frame.Outer;
    }
    // Each partner removes itself; one that does not is dropped rather than asked for ever.
    while (!FListeners.empty()) {
        const size_t count = FListeners.size();
        const TEntry first = FListeners.front();
        CallLogged("TBroadcaster",
                   [&first] { first.Listener->RemoveBroadcaster(first.PresentedAs); });
        if (FListeners.size() >= count) {
            qCritical("TBroadcaster: %s A listener did not disconnect; it is dropped.",
                      InfinityLoopMessage);
            FListeners.erase(FListeners.begin());
        }
    }
}

// --- TChangeNotify ---------------------------------------------------------------------------

void TChangeNotify::BeginUpdate() {
    if (FUpdateCount == 0)
        FPending = false;
    ++FUpdateCount;
}

bool TChangeNotify::AnswerNotifyInterface(const TGUID& Id, void** Obj) {
    if (Id == IBroadcaster::IID) {
        *Obj = static_cast<IBroadcaster*>(this);
        return true;
    }
    if (Id == IChangeNotify::IID) {
        *Obj = static_cast<IChangeNotify*>(this);
        return true;
    }
    return false;
}

void TChangeNotify::Changed() {
    BeginUpdate();
    FPending = true;
    EndUpdate();
}

void TChangeNotify::EndUpdate() {
    if (FUpdateCount <= 0) {
        qWarning("TChangeNotify::EndUpdate without BeginUpdate ignored");
        return;
    }
    --FUpdateCount;
    if (FUpdateCount != 0 || !FPending)
        return;
    if (!BroadcastAndSurvive(Controller(), MsgIdChanged))
        return;
    if (OnChange)
        OnChange(this);
}

// --- TListener -------------------------------------------------------------------------------

TListener::TListener(THandler Handler) : FHandler(std::move(Handler)) {}

TListener::~TListener() {
    IListener* self = this;
    while (!FBroadcasters.empty()) {
        const size_t count = FBroadcasters.size();
        IBroadcaster* first = FBroadcasters.front();
        CallLogged("TListener", [first, self] { first->RemoveListener(self); });
        if (FBroadcasters.size() >= count) {
            qCritical("TListener: %s A broadcaster did not disconnect; it is dropped.",
                      InfinityLoopMessage);
            FBroadcasters.erase(FBroadcasters.begin());
        }
    }
}

bool TListener::QueryOwnInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IListener>(this, Id, Obj) ||
           TInterfaceImplement::QueryOwnInterface(Id, Obj);
}

void TListener::Notify(IInterface* Sender, const TGUID& MsgID) {
    if (FHandler)
        FHandler(Sender, MsgID);
}

void TListener::AddBroadcaster(IBroadcaster* Broadcaster) {
    if (!Broadcaster ||
        std::find(FBroadcasters.begin(), FBroadcasters.end(), Broadcaster) != FBroadcasters.end())
        return;
    FBroadcasters.push_back(Broadcaster);
    Broadcaster->AddListener(this);
}

void TListener::RemoveBroadcaster(IBroadcaster* Broadcaster) {
    auto it = std::find(FBroadcasters.begin(), FBroadcasters.end(), Broadcaster);
    if (!Broadcaster || it == FBroadcasters.end())
        return;
    FBroadcasters.erase(it);
    Broadcaster->RemoveListener(this);
}
