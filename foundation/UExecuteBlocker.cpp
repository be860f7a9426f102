#include "UExecuteBlocker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <vector>

QString TExecuteBlocker::LockFileName(const QString& Name) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    QString file = Name;
    for (QChar& c : file)
        if (c == u'/' || c == u'\\' || c == QChar(0))
            c = u'_';
    return folder + u'/' + file + QStringLiteral(".lock");
}

TExecuteBlocker::TExecuteBlocker(const QString& Name) {
    auto lock = std::make_unique<QLockFile>(LockFileName(Name));
    lock->setStaleLockTime(0); // only a dead holder's lock is stale, however old
    if (lock->tryLock(0))
        FLock = std::move(lock);
}

TExecuteBlocker::~TExecuteBlocker() = default;

namespace {

// The locks this process holds until it ends.
std::vector<std::unique_ptr<TExecuteBlocker>>& HeldLocks() {
    static std::vector<std::unique_ptr<TExecuteBlocker>> held;
    return held;
}

// Released with the application object, while the lock folder surely still exists.
void ReleaseHeldLocks() {
    HeldLocks().clear();
}

} // namespace

bool IsAlreadyRunning(const QString& Name) {
    auto blocker = std::make_unique<TExecuteBlocker>(Name);
    if (blocker->IsBlocked())
        return true;
    if (HeldLocks().empty() && QCoreApplication::instance())
        qAddPostRoutine(ReleaseHeldLocks);
    HeldLocks().push_back(std::move(blocker));
    return false;
}
