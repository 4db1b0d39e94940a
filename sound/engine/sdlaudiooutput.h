#pragma once

#include "audiooutput.h"
#include "retrypace.h"

#include <SDL_audio.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class SampleFile;
class SampleTrack;

// Plays samples through SDL's default audio device. Nothing touches SDL
// before the first play; sdlaudiooutput.cpp explains the buffering.
class SdlAudioOutput : public AudioOutput
{
public:
    // What the audio callback has counted since the engine was made.
    struct Counters
    {
        // Periods in which a sample still playing had too little decoded.
        unsigned long long underruns = 0;
        // Samples that began on the frame after the previous one's last.
        unsigned long long joins = 0;
        // Frames handed to the device, sound or silence, since it first played.
        unsigned long long frames = 0;
        // Periods asked for so late, mid-sample, that the sound server must
        // have filled in silence (an estimate: sdlaudiooutput.cpp).
        unsigned long long lateCallbacks = 0;
    };

    // The device is closed once closeAfter has passed without sound, and
    // opened again by the next play. periodFrames asks the driver for a
    // period of that many frames instead of about 10 ms.
    explicit SdlAudioOutput(std::chrono::milliseconds closeAfter = std::chrono::seconds(3),
                            Uint16 periodFrames = 0);
    ~SdlAudioOutput() override;

    // With wait, returns once the rest of the sample lies within the
    // device's lead (six periods, at most 60 ms, at least one period), so
    // that the next play joins it exactly.
    void play(const QString &path, bool wait) override;

    // The format the device was opened with, once it is open.
    std::optional<SDL_AudioSpec> deviceSpec();
    Counters counters() const;

private:
    static void renderCallback(void *self, Uint8 *out, int size);
    void render(Uint8 *out, std::size_t size);
    bool cameLate(std::size_t size);
    std::shared_ptr<SampleTrack> startOnDevice(std::unique_ptr<SampleFile> file,
                                               const QString &path,
                                               std::unique_lock<std::mutex> &lock);
    std::shared_ptr<SampleTrack> openWith(std::unique_ptr<SampleFile> file, const QString &path);
    bool startSdl();
    SDL_AudioSpec wantedSpec();
    bool openDevice(const SDL_AudioSpec &want);
    void closeDevice();
    void playOutLead() const;
    void stopSdl();
    bool deviceLost() const;
    void start(const std::shared_ptr<SampleTrack> &track);
    void waitForLead(const std::shared_ptr<SampleTrack> &track);
    bool holds(const std::shared_ptr<SampleTrack> &track) const;
    const std::shared_ptr<SampleTrack> &lastTrack() const;
    std::shared_ptr<SampleTrack> trackToDecode() const;
    void decodeLoop();
    void idle(std::unique_lock<std::mutex> &lock);

    // Read by the decoder thread; never changes.
    const std::chrono::milliseconds m_closeAfter;
    // Never changes.
    const Uint16 m_periodRequest;

    // Guards the members up to the callback's, for the playing threads and
    // the decoder thread.
    std::mutex m_mutex;
    // A play, or the end, for the decoder thread.
    std::condition_variable m_wake;
    // Started by the first play, joined by the destructor.
    std::thread m_decoder;
    bool m_quitting = false;
    bool m_sdlStarted = false;
    // For starting SDL's audio and opening the device.
    RetryPace m_retry;
    SDL_AudioDeviceID m_device = 0;
    // Also read by the callback: written only while no callback can run.
    SDL_AudioSpec m_spec {};
    std::size_t m_frameBytes = 1;
    std::size_t m_leadBytes = 0;
    // Counts plays, so the decoder thread sees one that came while it slept.
    unsigned long long m_plays = 0;
    // Keep alive what the callback reads: current was started in place of
    // the sample before, queued joined on to it.
    std::shared_ptr<SampleTrack> m_current;
    std::shared_ptr<SampleTrack> m_queued;

    // The callback's, and whoever holds SDL_LockAudioDevice: the sample it
    // plays and the one it goes on with on the frame after its last.
    SampleTrack *m_playing = nullptr;
    SampleTrack *m_next = nullptr;
    // The callback's: whether the last period left a sample unfinished, and
    // when the sound handed over so far plays out at the earliest.
    bool m_soundGoesOn = false;
    std::chrono::steady_clock::time_point m_handedOutUntil {};

    // Counted by the callback, read anywhere.
    std::atomic<unsigned long long> m_underruns { 0 };
    std::atomic<unsigned long long> m_joins { 0 };
    std::atomic<unsigned long long> m_frames { 0 };
    std::atomic<unsigned long long> m_lateCallbacks { 0 };
};
