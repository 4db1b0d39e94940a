#include "instancelock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Qt's QLockFile makes its file first and locks it a moment later, so a
// second copy cannot tell a lock being made from one left by a crash except
// by waiting. The kernel lock alone needs no such guess. The file is never
// removed: a copy that removed it on exit could leave the next two copies
// locking different files.
InstanceLock::~InstanceLock()
{
    if (m_file >= 0)
        ::close(m_file);
}

Platform::InstanceCheck InstanceLock::acquire(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QByteArray path = QFile::encodeName(QDir(folder).filePath("voice-player.lock"));
        // Reading is enough to lock. A planted link is not followed.
        const int file
            = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (file < 0)
            continue;
        if (::flock(file, LOCK_EX | LOCK_NB) == 0) {
            m_file = file;
            return Platform::InstanceCheck::Alone;
        }
        const bool held = errno == EWOULDBLOCK;
        ::close(file);
        if (held)
            return Platform::InstanceCheck::AnotherRunning;
    }
    return Platform::InstanceCheck::Failed;
}

QStringList InstanceLock::defaultFolders()
{
    return { QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), QDir::tempPath() };
}
