#include "stallwatch.h"

#include <pthread.h>
#include <sched.h>

StallWatch::StallWatch() : m_thread(&StallWatch::watch, this) { }

StallWatch::~StallWatch()
{
    m_stop = true;
    m_thread.join();
}

void StallWatch::watch()
{
    sched_param param {};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    using Clock = std::chrono::steady_clock;
    constexpr auto Nap = std::chrono::milliseconds(1);
    while (!m_stop) {
        const auto asleep = Clock::now();
        std::this_thread::sleep_for(Nap);
        const auto overslept = Clock::now() - asleep - Nap;
        const long long ms
            = std::chrono::duration_cast<std::chrono::milliseconds>(overslept).count();
        if (ms > m_worstMs.load(std::memory_order_relaxed))
            m_worstMs.store(ms, std::memory_order_relaxed);
    }
}
