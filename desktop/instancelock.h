#pragma once

#include "platform.h"

#include <QStringList>

// This copy's claim to be the only one running: the system's lock on a file,
// held as long as this object lives. The system drops it when the process
// ends, however it ends, so a lock never outlives its copy and the file's
// content means nothing: an empty or damaged file left behind blocks no one.
class InstanceLock
{
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Tries the folders in order; the first one where a lock file can be
    // opened and locked at all decides. Failed when none of them can.
    Platform::InstanceCheck acquire(const QStringList &folders);

    // The user's runtime folder, then the temporary folder.
    static QStringList defaultFolders();

private:
    enum class FileLock { Taken, HeldElsewhere, Unusable };

    // The system-specific part, in instancelock_posix.cpp and
    // instancelock_windows.cpp: locks the file at path, made if need be,
    // without waiting, and keeps it in m_file when taken.
    FileLock lockFile(const QString &path);

    // A file descriptor or a Windows handle; -1 while nothing is held.
    qintptr m_file = -1;
};
