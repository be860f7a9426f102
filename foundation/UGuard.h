#pragma once
// A scope guard: runs its restore action once, when it is destroyed or restored early.
//
// Routines that change some state for a while (the cursor, a canvas's mapping, a thread
// switch) return a guard; the state comes back when the caller's guard goes out of scope.
// A guard can be moved (the moved-from guard does nothing) but not copied, so a state is
// restored exactly once, and a guard cannot be released more often than it was taken.
//
//   TGuard G = BeginWatchCursor();   // hourglass until G goes out of scope
//
// The restore action must not throw: it runs in a destructor. An exception that escapes it
// is logged and swallowed.

#include <QtGlobal>

#include <exception>
#include <functional>
#include <utility>

class [[nodiscard]] TGuard {
public:
    TGuard() = default;
    explicit TGuard(std::function<void()> Restore) : FRestore(std::move(Restore)) {}
    TGuard(TGuard&& Other) noexcept : FRestore(std::exchange(Other.FRestore, nullptr)) {}
    // Restores this guard's state first, then takes over Other's.
    TGuard& operator=(TGuard&& Other) noexcept {
        if (this != &Other) {
            Restore();
            FRestore = std::exchange(Other.FRestore, nullptr);
        }
        return *this;
    }
    TGuard(const TGuard&) = delete;
    TGuard& operator=(const TGuard&) = delete;
    ~TGuard() { Restore(); }

    // Restores now; afterwards the guard does nothing.
    void Restore() noexcept {
        auto restore = std::exchange(FRestore, nullptr);
        if (!restore)
            return;
        try {
            restore();
        } catch (const std::exception& e) {
            qCritical("TGuard: the restore action raised an exception: %s", e.what());
        } catch (...) {
            qCritical("TGuard: the restore action raised an exception");
        }
    }
    // Forgets the restore action without running it.
    void Dismiss() noexcept { FRestore = nullptr; }
    bool Active() const { return static_cast<bool>(FRestore); }

private:
    std::function<void()> FRestore;
};
