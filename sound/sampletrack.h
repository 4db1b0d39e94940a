#pragma once

#include "ringbuffer.h"
#include "samplefile.h"

#include <SDL_audio.h>
#include <SDL_mutex.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

// One sample on its way to the device: the file, its conversion to the
// device format and the decoded audio waiting for the callback. Decoding runs
// on one thread at a time; render runs on the audio thread.
class SampleTrack
{
public:
    // Null when the file cannot be converted to the device's format.
    static std::shared_ptr<SampleTrack> create(std::unique_ptr<SampleFile> file,
                                               const SDL_AudioSpec &device);
    ~SampleTrack();

    std::chrono::milliseconds length() const;
    std::size_t bufferSize() const { return ring.capacity(); }

    // Decodes until target bytes wait for the device or the file has ended.
    void decodeAhead(std::size_t target);
    bool decodedAll() const { return finished.load(std::memory_order_acquire); }

    // The audio callback: copies what is ready, silence for the rest.
    void render(Uint8 *out, int size, Uint8 silence);
    // True once the device has taken the last frame, within timeoutMs.
    bool waitForEnd(int timeoutMs);
    bool playedAll() const { return ended.load(std::memory_order_acquire); }

private:
    SampleTrack(std::unique_ptr<SampleFile> file, SDL_AudioStream *stream, SDL_sem *endSignal,
                const SDL_AudioSpec &device);
    bool feedConverter();

    std::unique_ptr<SampleFile> file;
    SDL_AudioStream *stream;
    SDL_sem *endSignal;
    int frameBytes;
    RingBuffer ring;
    std::vector<float> decoded;
    std::vector<Uint8> converted;
    bool flushed = false;
    std::atomic<bool> finished { false };
    std::atomic<bool> ended { false };
};
