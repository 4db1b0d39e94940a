#include "sinkclock.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

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

// Each sighting says the sink had played `frames` by `when`, so at a later
// `moment` it had played at least that and what it plays in between; the
// sighting that came soonest after its fragment says the most. Sightings
// after the moment are left out: a new stream may change how far ahead of
// the clock the sink renders.
long long SinkClock::frameAt(Clock::time_point moment) const
{
    std::lock_guard lock(m_mutex);
    long long best = std::numeric_limits<long long>::min();
    for (const Seen &seen : m_seen) {
        const auto since = moment - seen.when;
        if (since < 0s || since > 1s)
            continue;
        const long long played
            = std::chrono::duration_cast<std::chrono::microseconds>(since).count() * m_rate
            / 1'000'000;
        best = std::max(best, seen.frames + played);
    }
    return best == std::numeric_limits<long long>::min() ? -1 : best;
}
