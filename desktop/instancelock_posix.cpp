#include "instancelock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::~InstanceLock()
{
    if (m_file >= 0)
        ::close(int(m_file));
}

InstanceLock::FileLock InstanceLock::lockFile(const QString &path)
{
    // Reading is enough to lock. A planted link is not followed.
    const int file = ::open(QFile::encodeName(path).constData(),
                            O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (file < 0)
        return FileLock::Unusable;
    if (::flock(file, LOCK_EX | LOCK_NB) == 0) {
        m_file = file;
        return FileLock::Taken;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(file);
    return held ? FileLock::HeldElsewhere : FileLock::Unusable;
}
