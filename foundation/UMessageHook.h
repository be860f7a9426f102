#pragma once
// Message hooks: components that must see events delivered to objects they do not own (drop
// targets, mouse enter and leave tracking, the application frame's message events).
//
// A hook list is an event filter on the application object, so it sees every event
// delivered to an object of the user-interface thread, before the object itself. Each entry
// is called in list order with the receiver and the event; entries only look: the event
// always goes on to its receiver unchanged. Two lists exist for the whole program:
//
//   PostMessageHookList()  events that come from the window system's queue (input, paint,
//                          window activation: spontaneous events)
//   SendMessageHookList()  events the program delivers itself (sent or posted by code)
//
// An entry may add or remove entries, or destroy the component that registered it, while the
// list is calling out: a delivery goes over the entries present when it started and skips
// those removed since.
//
// User-interface thread only.

#include "UComponent.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// What a hook entry is given: the object an event is delivered to, and the event.
using THookEvent = std::function<void(QObject* Receiver, QEvent* Event)>;

class TMessageHookList : public QObject {
    Q_OBJECT
public:
    ~TMessageHookList() override;

    // Appends an entry for Object (its identity, used for removal). The list starts watching
    // the application's events at its first entry (when the application object exists).
    void AddHook(const void* Object, THookEvent Routine);
    // Removes the first entry Object added; nothing when it has none.
    void RemoveHook(const void* Object);
    int Count() const { return static_cast<int>(FEntries->size()); }

protected:
    // Whether this list hands the event to its entries.
    virtual bool ExtractMessage(const QEvent& Event) const = 0;
    bool eventFilter(QObject* Receiver, QEvent* Event) override;

private:
    struct TEntry {
        const void* Object;
        THookEvent Routine;
        uint64_t Serial;
    };
    void Install();
    bool IsPresent(uint64_t Serial) const;
    // The list to change: a copy when a delivery is going over the current one.
    std::vector<TEntry>& EntriesToChange();

    std::shared_ptr<std::vector<TEntry>> FEntries = std::make_shared<std::vector<TEntry>>();
    uint64_t FNextSerial = 0;
    QPointer<QObject> FInstalledOn;
};

// Events from the window system's queue.
class TPostMessageHookList : public TMessageHookList {
    Q_OBJECT
protected:
    bool ExtractMessage(const QEvent& Event) const override { return Event.spontaneous(); }
};

// Events the program delivers itself.
class TSendMessageHookList : public TMessageHookList {
    Q_OBJECT
protected:
    bool ExtractMessage(const QEvent& Event) const override { return !Event.spontaneous(); }
};

// The program's two hook lists, created at their first use and kept until the end.
TMessageHookList& PostMessageHookList();
TMessageHookList& SendMessageHookList();

// A component that takes the events of one object, its HookWindow, out of a hook list and
// hands them to MessageReceived. Several components may watch the same object; each
// unregisters itself when destroyed.
class THookComponent : public TComponent {
    Q_OBJECT
public:
    explicit THookComponent(TComponent* Owner = nullptr) : TComponent(Owner) {}
    ~THookComponent() override;

    QObject* HookWindow() const { return FHookWindow; }
    virtual void SetHookWindow(QObject* Window) { FHookWindow = Window; }

    // The entry registered with a hook list: events delivered to HookWindow go to
    // MessageReceived, others are ignored.
    virtual void HookMessage(QObject* Receiver, QEvent* Event);

protected:
    // Handles an event of HookWindow; the base does nothing.
    virtual void MessageReceived(QEvent* Event) {}

private:
    QPointer<QObject> FHookWindow;
};

// A hook component on the window-system queue.
class TGetMessageHook : public THookComponent {
    Q_OBJECT
public:
    explicit TGetMessageHook(TComponent* Owner = nullptr);
};
