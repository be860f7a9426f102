#include "UMessageHook.h"

#include <QCoreApplication>
#include <algorithm>
#include <exception>

TMessageHookList::~TMessageHookList() {
    if (FInstalledOn)
        FInstalledOn->removeEventFilter(this);
}

std::vector<TMessageHookList::TEntry>& TMessageHookList::EntriesToChange() {
    // A delivery in progress holds the list: it keeps going over that one, changes go to a
    // copy.
    if (FEntries.use_count() > 1)
        FEntries = std::make_shared<std::vector<TEntry>>(*FEntries);
    return *FEntries;
}

void TMessageHookList::AddHook(const void* Object, THookEvent Routine) {
    Install();
    EntriesToChange().push_back({Object, std::move(Routine), FNextSerial++});
}

void TMessageHookList::RemoveHook(const void* Object) {
    const auto found = [&](const TEntry& E) { return E.Object == Object; };
    if (std::none_of(FEntries->begin(), FEntries->end(), found))
        return;
    std::vector<TEntry>& entries = EntriesToChange();
    entries.erase(std::find_if(entries.begin(), entries.end(), found));
}

void TMessageHookList::Install() {
    QCoreApplication* app = QCoreApplication::instance();
    if (FInstalledOn == app || !app)
        return;
    app->installEventFilter(this);
    FInstalledOn = app;
}

bool TMessageHookList::IsPresent(uint64_t Serial) const {
    return std::any_of(FEntries->begin(), FEntries->end(),
                       [&](const TEntry& E) { return E.Serial == Serial; });
}

bool TMessageHookList::eventFilter(QObject* Receiver, QEvent* Event) {
    if (FEntries->empty() || !ExtractMessage(*Event))
        return false;
    // Entries may change the list (or destroy their owners) while they run: call the ones
    // present at the start that are still present when their turn comes. Holding the list
    // costs nothing; only a change made meanwhile copies it.
    const std::shared_ptr<const std::vector<TEntry>> held = FEntries;
    for (const TEntry& entry : *held) {
        if (FEntries != held && !IsPresent(entry.Serial))
            continue;
        try {
            entry.Routine(Receiver, Event);
        } catch (const std::exception& e) {
            qCritical("Message hook: an entry raised an exception: %s", e.what());
        } catch (...) {
            qCritical("Message hook: an entry raised an exception");
        }
    }
    return false;
}

TMessageHookList& PostMessageHookList() {
    static TPostMessageHookList list;
    return list;
}

TMessageHookList& SendMessageHookList() {
    static TSendMessageHookList list;
    return list;
}

THookComponent::~THookComponent() {
    PostMessageHookList().RemoveHook(this);
    SendMessageHookList().RemoveHook(this);
}

void THookComponent::HookMessage(QObject* Receiver, QEvent* Event) {
    if (Receiver && Receiver == FHookWindow)
        MessageReceived(Event);
}

TGetMessageHook::TGetMessageHook(TComponent* Owner) : THookComponent(Owner) {
    PostMessageHookList().AddHook(
        this, [this](QObject* Receiver, QEvent* Event) { HookMessage(Receiver, Event); });
}
