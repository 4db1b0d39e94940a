#pragma once

#include "platform.h"

#include <QStringList>

#include <memory>

class QLockFile;

// This copy's claim to be the only one running. The claim is a lock file
// that lasts as long as this object; the lock of a copy that crashed or was
// killed is recognised by its dead process and taken over.
class InstanceLock
{
public:
    InstanceLock();
    ~InstanceLock();

    // Tries the folders in order; the first one where a lock file can be
    // made at all decides. Failed when none of them can hold one.
    Platform::InstanceCheck acquire(const QStringList &folders);

    // The user's runtime folder, then the temporary folder.
    static QStringList defaultFolders();

private:
    std::unique_ptr<QLockFile> m_lock;
};
