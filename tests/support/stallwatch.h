#pragma once

#include <atomic>
#include <chrono>
#include <thread>

// How long the machine kept a thread of the highest priority this process
// may take from running, while the watch lives: what no sound thread can make
// up for however it buffers. Realtime where allowed (as root), so that only
// the machine itself, not other programs' load, shows.
class StallWatch
{
public:
    StallWatch();
    ~StallWatch();
    StallWatch(const StallWatch &) = delete;
    StallWatch &operator=(const StallWatch &) = delete;

    std::chrono::milliseconds worst() const
    {
        return std::chrono::milliseconds(m_worstMs.load(std::memory_order_relaxed));
    }

private:
    void watch();

    std::atomic<bool> m_stop { false };
    std::atomic<long long> m_worstMs { 0 };
    std::thread m_thread;
};
