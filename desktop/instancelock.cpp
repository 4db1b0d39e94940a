#include "instancelock.h"

#include "startuplog.h"

// Qt's QLockFile makes its file first and locks it a moment later, so a
// second copy cannot tell a lock being made from one left by a crash except
// by waiting. The system's lock alone needs no such guess. The file is never
// removed: a copy that removed it on exit could leave the next two copies
// locking different files.
Platform::InstanceCheck InstanceLock::acquire(const QStringList &files)
{
    for (const QString &file : files) {
        if (file.isEmpty())
            continue;
        switch (lockFile(file)) {
        case FileLock::Taken:
            qCDebug(lcStartup) << "instance lock taken:" << file;
            return Platform::InstanceCheck::Alone;
        case FileLock::HeldElsewhere:
            qCDebug(lcStartup) << "instance lock held by another copy:" << file;
            return Platform::InstanceCheck::AnotherRunning;
        case FileLock::Unusable:
            break;
        }
    }
    qCDebug(lcStartup) << "no instance lock could be made; starting all the same";
    return Platform::InstanceCheck::Failed;
}
