#include "diskaudiotap.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int PipeBytes = 1 << 20;

} // namespace

DiskAudioTap::DiskAudioTap(const QString &path) : m_path(path)
{
    const QByteArray name = QFile::encodeName(path);
    if (mkfifo(name.constData(), 0600) != 0)
        return;
    // Open for writing as well: a writer's close then never ends the
    // reading, and the driver's open never waits for a reader.
    m_fd = open(name.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return;
    // Seconds of sound, not the default's fraction of one, in case a busy
    // machine keeps the thread from running.
    fcntl(m_fd, F_SETPIPE_SZ, PipeBytes);
    m_thread = std::thread(&DiskAudioTap::gather, this);
}

DiskAudioTap::~DiskAudioTap()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        close(m_fd);
}

QByteArray DiskAudioTap::bytes()
{
    drain();
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

// Reads under the lock, so that what two threads read keeps its order.
void DiskAudioTap::drain()
{
    std::lock_guard lock(m_mutex);
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(m_fd, buffer, sizeof buffer);
        if (got <= 0)
            return;
        m_bytes.append(buffer, got);
    }
}

void DiskAudioTap::gather()
{
    while (!m_stop) {
        pollfd ready { m_fd, POLLIN, 0 };
        if (poll(&ready, 1, 50) > 0)
            drain();
    }
}
