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
    // it see fragments late (Linux gives a thread a nice value of its own).
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

// A sink renders ahead of its clock by up to one of its own blocks, and a
// new stream may change by how much; reading the one fragment that holds the
// frame keeps that out. PulseAudio's null sink renders a fragment at once,
// though, so there the frames before its last one come out early.
std::optional<SinkClock::Clock::time_point> SinkClock::playedAt(long long frame) const
{
    const std::optional<Seen> seen = fragmentWith(frame);
    if (!seen)
        return std::nullopt;
    return seen->when - std::chrono::microseconds((seen->frames - 1 - frame) * 1'000'000 / m_rate);
}

std::optional<SinkClock::Clock::time_point> SinkClock::recordedAt(long long frame) const
{
    const std::optional<Seen> seen = fragmentWith(frame);
    if (!seen)
        return std::nullopt;
    return seen->when;
}

std::optional<SinkClock::Seen> SinkClock::fragmentWith(long long frame) const
{
    std::lock_guard lock(m_mutex);
    for (const Seen &seen : m_seen) {
        if (seen.frames > frame)
            return seen;
    }
    return std::nullopt;
}
