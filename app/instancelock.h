#pragma once

#include "platform.h"

#include <QStringList>

// This copy's claim to be the only one running: a kernel lock on a file,
// held as long as this object lives. The kernel drops it when the process
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
    int m_file = -1;
};
