#pragma once

#include <QString>

#include <atomic>
#include <thread>

// Drains a FIFO into a file as fast as it fills, from a thread of its own
// ahead of the machine's other work: a sink that writes into the FIFO as it
// plays is read in real time, so the file grows as the sink plays.
class PipeReader
{
public:
    // False from isOpen() when either cannot be opened.
    PipeReader(const QString &fifo, const QString &file);
    ~PipeReader();
    PipeReader(const PipeReader &) = delete;
    PipeReader &operator=(const PipeReader &) = delete;

    bool isOpen() const { return m_in >= 0 && m_out >= 0; }

private:
    void drain();

    int m_in = -1;
    int m_out = -1;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};
