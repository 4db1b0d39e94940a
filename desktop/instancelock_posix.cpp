#include "instancelock.h"

#include "startuplog.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

InstanceLock::~InstanceLock()
{
    if (m_file >= 0)
        ::close(int(m_file));
}

InstanceLock::FileLock InstanceLock::lockFile(const QString &path)
{
    // Reading is enough to lock. A planted link is not followed, and a FIFO
    // planted there cannot make the open wait for a writer.
    const int file = ::open(QFile::encodeName(path).constData(),
                            O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (file < 0) {
        qCDebug(lcStartup) << "instance lock skipped:" << path << std::strerror(errno);
        return FileLock::Unusable;
    }
    struct stat status
    {
    };
    if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
        qCDebug(lcStartup) << "instance lock skipped:" << path
                           << "is not a regular file of this user";
        ::close(file);
        return FileLock::Unusable;
    }
    if (::flock(file, LOCK_EX | LOCK_NB) == 0) {
        m_file = file;
        return FileLock::Taken;
    }
    const int error = errno;
    ::close(file);
    if (error == EWOULDBLOCK)
        return FileLock::HeldElsewhere;
    qCDebug(lcStartup) << "instance lock skipped:" << path << std::strerror(error);
    return FileLock::Unusable;
}

// Found from the user's id alone, never from XDG_RUNTIME_DIR or TMPDIR: a
// copy started from a terminal, su, ssh or cron must find the same file as
// one started from the menu. The runtime folder the login manager makes for
// the user comes first; where there is none, the shared temporary folder.
// VOICE_PLAYER_LOCK_ROOT puts both below a folder of a test's own.
QStringList InstanceLock::defaultFiles()
{
    const QString root = qEnvironmentVariable("VOICE_PLAYER_LOCK_ROOT");
    return { root + QString("/run/user/%1/voice-player.lock").arg(userId()),
             root + QString("/tmp/voice-player-%1.lock").arg(userId()) };
}

QString InstanceLock::userId()
{
    return QString::number(::geteuid());
}
