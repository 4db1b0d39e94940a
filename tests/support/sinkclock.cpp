#include "sinkclock.h"

#include <QFileInfo>

#include <sys/resource.h>

using namespace std::chrono_literals;

SinkClock::SinkClock(QString recording, int frameBytes, int rate)
    : m_recording(std::move(recording))
    , m_frameBytes(frameBytes)
    , m_rate(rate)
    , m_thread(&SinkClock::watch, this)
{ }

SinkClock::~SinkClock()
{
    m_stop = true;
    m_thread.join();
}

void SinkClock::watch()
{
    // As the server's own processes run, so a build beside it does not make
    // it see blocks late (Linux gives a thread a nice value of its own).
    ::setpriority(PRIO_PROCESS, 0, -10);
    long long last = -1;
    while (!m_stop) {
        const auto now = Clock::now();
        const long long frames = QFileInfo(m_recording).size() / m_frameBytes;
        if (frames != last) {
            std::lock_guard lock(m_mutex);
            m_seen.push_back({ now, frames });
            last = frames;
        }
        std::this_thread::sleep_for(1ms);
    }
}

std::optional<SinkClock::Clock::time_point> SinkClock::playedAt(long long frame) const
{
    std::lock_guard lock(m_mutex);
    long long blockStart = 0;
    for (const Seen &seen : m_seen) {
        if (seen.frames > frame)
            return seen.when + std::chrono::microseconds((frame - blockStart) * 1'000'000 / m_rate);
        blockStart = seen.frames;
    }
    return std::nullopt;
}
