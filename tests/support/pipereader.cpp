#include "pipereader.h"

#include <QFile>

#include <array>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

PipeReader::PipeReader(const QString &fifo, const QString &file)
    // Not blocking: the sink holds the FIFO open already, and stop must
    // never wait on it.
    : m_in(::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
    , m_out(::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                   0600))
{
    if (isOpen())
        m_thread = std::thread(&PipeReader::drain, this);
}

PipeReader::~PipeReader()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    for (const int fd : { m_in, m_out }) {
        if (fd >= 0)
            ::close(fd);
    }
}

void PipeReader::drain()
{
    // As the server's own processes run, so that a build beside it does not
    // leave the FIFO full (Linux gives a thread a nice value of its own).
    ::setpriority(PRIO_PROCESS, 0, -10);
    std::array<char, 1 << 16> buffer;
    pollfd readable { m_in, POLLIN, 0 };
    while (!m_stop) {
        if (::poll(&readable, 1, 20) <= 0)
            continue;
        const ssize_t got = ::read(m_in, buffer.data(), buffer.size());
        // The sink gone: nothing more will come.
        if (got <= 0)
            return;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::write(m_out, buffer.data() + written, size_t(got - written));
            if (put <= 0)
                return;
            written += put;
        }
    }
}
