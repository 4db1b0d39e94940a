#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

// A named pipe for SDL's disk driver to write to, and all it was sent. The
// driver empties a plain file each time it opens it, and the program opens
// its device anew after a few seconds of silence, which a busy machine
// brings about between two clicks: the pipe keeps what came before.
class DiskAudioTap
{
public:
    // Makes the pipe at path; isOpen() says whether that worked.
    explicit DiskAudioTap(const QString &path);
    ~DiskAudioTap();
    DiskAudioTap(const DiskAudioTap &) = delete;
    DiskAudioTap &operator=(const DiskAudioTap &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }
    // Everything written so far, up to what the pipe holds now.
    QByteArray bytes();

private:
    void drain();
    void gather();

    QString m_path;
    int m_fd = -1;
    std::mutex m_mutex;
    QByteArray m_bytes;
    std::atomic<bool> m_stop { false };
    // Keeps the pipe from filling, which would hold up the program's sound,
    // while the test waits for something else.
    std::thread m_thread;
};
