#pragma once

#include "ringbuffer.h"

#include <QString>
#include <QStringList>

#include <SDL_audio.h>
#include <atomic>
#include <memory>

// Mono float frames from an SDL capture device. SDL's thread only copies
// what the device gives into a lock-free ring; the reader takes them out.
class SdlCapture
{
public:
    SdlCapture() = default;
    ~SdlCapture();
    SdlCapture(const SdlCapture &) = delete;
    SdlCapture &operator=(const SdlCapture &) = delete;

    // The capture devices SDL knows now; starts SDL's audio for the look.
    static QStringList devices();

    // Opens device (the default one when empty) at its own rate; false and
    // error() when there is none or it refuses.
    bool open(const QString &device = {});
    void close();
    bool isOpen() const { return m_device != 0; }
    // The device went away (unplugged); what it gave until then can still be read.
    bool lost() const;
    int rate() const { return m_rate; }
    QString error() const { return m_error; }

    // Up to maxFrames of what arrived, oldest first.
    qint64 read(float *out, qint64 maxFrames);
    // Frames the ring had no room for since opening: the reader fell behind.
    unsigned long long overruns() const { return m_overruns.load(); }

private:
    static void captureCallback(void *self, Uint8 *in, int size);
    void startAndOpen(const QString &device, SDL_AudioSpec &got);

    SDL_AudioDeviceID m_device = 0;
    bool m_sdlStarted = false;
    int m_rate = 0;
    QString m_error;
    // Made before the device opens and freed after it closes, so the
    // callback always has it.
    std::unique_ptr<RingBuffer> m_ring;
    std::atomic<unsigned long long> m_overruns { 0 };
};
