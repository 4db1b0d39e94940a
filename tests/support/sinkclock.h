#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// When a sink played a frame, read off a recording of its monitor that grows
// as the sink plays. The recorder hands over whole fragments (20 ms), each
// once the sink has played its last frame; watching the file's size every
// millisecond and keeping when each size was first seen tells when that was,
// and the frame came as much before as it lies before the fragment's end.
// The recorder may hand a fragment over late, and a sink that renders a
// fragment at once (PulseAudio's null sink) makes its first frames read
// early; when the recording had the frame is never early.
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
    // When the recording had it: the sink had played it by then.
    std::optional<Clock::time_point> recordedAt(long long frame) const;

private:
    struct Seen
    {
        Clock::time_point when;
        long long frames;
    };
    void watch();
    std::optional<Seen> fragmentWith(long long frame) const;

    const QString m_recording;
    const int m_frameBytes;
    const int m_rate;
    std::atomic<bool> m_stop { false };
    mutable std::mutex m_mutex;
    std::vector<Seen> m_seen;
    std::thread m_thread;
};
