#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// Which frame a sink was playing at a moment, read off a recording of its
// monitor that grows as the sink plays: the recorder hands over whole
// fragments (20 ms), so the file's size alone lags the sink by up to one.
// Watching the size every millisecond and keeping when each size was first
// seen, the moments just after a fragment came tell the sink's clock to
// within the watch's own wake-up.
class SinkClock
{
public:
    using Clock = std::chrono::steady_clock;

    SinkClock(QString recording, int frameBytes, int rate);
    ~SinkClock();
    SinkClock(const SinkClock &) = delete;
    SinkClock &operator=(const SinkClock &) = delete;

    // How many frames of the recording the sink had played by `moment`, at
    // least: -1 when no fragment came in the second before it.
    long long frameAt(Clock::time_point moment) const;

private:
    struct Seen
    {
        Clock::time_point when;
        long long frames;
    };
    void watch();

    const QString m_recording;
    const int m_frameBytes;
    const int m_rate;
    std::atomic<bool> m_stop { false };
    mutable std::mutex m_mutex;
    std::vector<Seen> m_seen;
    std::thread m_thread;
};
