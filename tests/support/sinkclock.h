#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// When a sink played a frame, read off the recording of what it plays: a
// pipe sink writes each block into its FIFO as the block starts to play, and
// the FIFO is drained into the recording as it fills. Watching the file's
// size every millisecond and keeping when each size was first seen tells
// when each block began to play, and a frame came as much after that as it
// lies after the block's start.
class SinkClock
{
public:
    using Clock = std::chrono::steady_clock;

    SinkClock(QString recording, int frameBytes, int rate);
    ~SinkClock();
    SinkClock(const SinkClock &) = delete;
    SinkClock &operator=(const SinkClock &) = delete;

    // When the sink played the recording's frame `frame`, if that came yet.
    std::optional<Clock::time_point> playedAt(long long frame) const;

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
