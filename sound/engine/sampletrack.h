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
// on one thread at a time (the playing thread until the track is handed to
// the callback, the decoder thread after); render and noteLead run in the
// audio callback.
class SampleTrack
{
public:
    // Null when the file cannot be converted to the device's format; name
    // says which sample it is in diagnostics.
    static std::shared_ptr<SampleTrack> create(std::unique_ptr<SampleFile> file,
                                               const SDL_AudioSpec &device, const QString &name);
    // Says how often the sample ran short or came late, if it did.
    ~SampleTrack();

    std::chrono::milliseconds length() const;
    std::size_t bufferSize() const { return m_ring.capacity(); }

    // Decodes until target bytes wait for the device or the file has ended.
    void decodeAhead(std::size_t target);
    bool decodedAll() const { return m_finished.load(std::memory_order_acquire); }

    // The audio callback: copies what is ready into out and returns the
    // bytes copied. Marks the track played once its last byte is taken.
    std::size_t render(Uint8 *out, std::size_t size);
    bool playedAll() const { return m_ended.load(std::memory_order_acquire); }
    // The audio callback, for a period in which the track had too little.
    void countUnderrun() { m_underruns.fetch_add(1, std::memory_order_relaxed); }
    // The audio callback, for a period asked for after the sound had run out.
    void countLateCallback() { m_lateCallbacks.fetch_add(1, std::memory_order_relaxed); }

    // The audio callback, after each period: once no more than lead bytes
    // are left, the track is in its final lead and its waiter is woken.
    void noteLead(std::size_t lead);
    bool inFinalLead() const { return m_finalLead.load(std::memory_order_acquire); }
    // True once the track reached its final lead, within timeoutMs.
    bool waitForFinalLead(int timeoutMs);

private:
    SampleTrack(std::unique_ptr<SampleFile> file, SDL_AudioStream *stream, SDL_sem *leadSignal,
                const SDL_AudioSpec &device, const QString &name);
    bool feedConverter();

    // Decoding thread only (see above): the file, the converter and their
    // buffers.
    std::unique_ptr<SampleFile> m_file;
    SDL_AudioStream *m_stream;
    int m_frameBytes;
    // What is still to go into the ring: the sample's length at the
    // device's rate, so that it ends where the next one begins.
    std::size_t m_bytesLeft;
    // Frames handed to the converter at a time.
    int m_pieceFrames;
    std::vector<float> m_decoded;
    std::vector<Uint8> m_converted;
    bool m_flushed = false;
    // Written by the decoding thread, read by the callback: lock-free.
    RingBuffer m_ring;
    // Set by the decoding thread once the ring holds the whole rest.
    std::atomic<bool> m_finished { false };
    // Set by the callback once it took the last byte; read anywhere.
    std::atomic<bool> m_ended { false };
    // Set by the callback, read anywhere.
    std::atomic<bool> m_finalLead { false };
    // Counted by the callback, read when the track goes.
    std::atomic<unsigned> m_underruns { 0 };
    std::atomic<unsigned> m_lateCallbacks { 0 };
    // Never changes.
    const QString m_name;
    // Posted by the callback, waited on by the playing thread: a post never
    // blocks the callback, unlike signalling a condition variable.
    SDL_sem *m_leadSignal;
};
