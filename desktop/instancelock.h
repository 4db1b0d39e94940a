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

    // Tries the lock files in order; the first one that can be opened and
    // locked at all decides. Only a regular file of this user counts: a
    // FIFO, a folder, a link or another user's file there is skipped. Failed
    // when none of them can be used.
    Platform::InstanceCheck acquire(const QStringList &files);

    // In the user's runtime folder, then in the temporary folder. Other
    // users may share the latter, so there the name carries the user's.
    // System-specific, like lockFile.
    static QStringList defaultFiles();

private:
    enum class FileLock { Taken, HeldElsewhere, Unusable };

    // The system-specific part, in instancelock_posix.cpp and
    // instancelock_windows.cpp: locks the file at path, made if need be,
    // without waiting, and keeps it in m_file when taken.
    FileLock lockFile(const QString &path);
    // Who runs this copy, as a file name may carry it.
    static QString userId();

    // A file descriptor or a Windows handle; -1 while nothing is held.
    qintptr m_file = -1;
};
