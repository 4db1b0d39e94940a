#include "instancelock.h"

#include <QDir>
#include <QStandardPaths>

// Qt's QLockFile makes its file first and locks it a moment later, so a
// second copy cannot tell a lock being made from one left by a crash except
// by waiting. The system's lock alone needs no such guess. The file is never
// removed: a copy that removed it on exit could leave the next two copies
// locking different files.
Platform::InstanceCheck InstanceLock::acquire(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        switch (lockFile(QDir(folder).filePath(QStringLiteral("voice-player.lock")))) {
        case FileLock::Taken:
            return Platform::InstanceCheck::Alone;
        case FileLock::HeldElsewhere:
            return Platform::InstanceCheck::AnotherRunning;
        case FileLock::Unusable:
            break;
        }
    }
    return Platform::InstanceCheck::Failed;
}

QStringList InstanceLock::defaultFolders()
{
    return { QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), QDir::tempPath() };
}
