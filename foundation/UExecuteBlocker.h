#pragma once
// Single instance: a named lock held while the program runs. The lock is a lock file named
// after the id in $XDG_RUNTIME_DIR (or the temporary folder when that is not set), so it is
// per user, like a session-local named mutex. A lock left by a process that has died is
// taken over.

#include <QLockFile>
#include <QString>
#include <memory>

class TExecuteBlocker {
public:
    // Tries to take the lock Name; IsBlocked tells whether another holder has it (or the
    // lock could not be created).
    explicit TExecuteBlocker(const QString& Name);
    ~TExecuteBlocker();
    TExecuteBlocker(const TExecuteBlocker&) = delete;
    TExecuteBlocker& operator=(const TExecuteBlocker&) = delete;

    bool IsBlocked() const { return !FLock; }
    // The lock file used for Name.
    static QString LockFileName(const QString& Name);

private:
    std::unique_ptr<QLockFile> FLock; // null when blocked
};

// True when another holder has the lock Name. Otherwise takes it and keeps it until the
// program ends, and answers False.
bool IsAlreadyRunning(const QString& Name);
