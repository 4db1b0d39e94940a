#include "instancelock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

InstanceLock::InstanceLock() = default;
InstanceLock::~InstanceLock() = default;

Platform::InstanceCheck InstanceLock::acquire(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        auto lock = std::make_unique<QLockFile>(QDir(folder).filePath("voice-player.lock"));
        // A running copy holds its lock however long it runs; only a dead
        // owner makes the lock stale.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            m_lock = std::move(lock);
            return Platform::InstanceCheck::Alone;
        }
        if (lock->error() == QLockFile::LockFailedError)
            return Platform::InstanceCheck::AnotherRunning;
    }
    return Platform::InstanceCheck::Failed;
}

QStringList InstanceLock::defaultFolders()
{
    return { QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), QDir::tempPath() };
}
