#pragma once

#include "audiooutput.h"

#include <SDL_audio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

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
    };

    // The device is closed once closeAfter has passed without sound, and
    // opened again by the next play. periodFrames asks the driver for a
    // period of that many frames instead of about 10 ms.
    explicit SdlAudioOutput(std::chrono::milliseconds closeAfter = std::chrono::seconds(3),
                            Uint16 periodFrames = 0);
    ~SdlAudioOutput() override;

    // With wait, returns once the rest of the sample lies within the
    // device's lead (two periods, at most 25 ms, at least one period), so
    // that the next play joins it exactly.
    void play(const QString &path, bool wait) override;

    // The format the device was opened with, once it is open.
    std::optional<SDL_AudioSpec> deviceSpec();
    Counters counters() const;

private:
    static void renderCallback(void *self, Uint8 *out, int size);
    void render(Uint8 *out, std::size_t size);
    bool ensureDevice();
    bool openDevice();
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
    const std::chrono::milliseconds closeAfter;
    // Never changes.
    const Uint16 periodRequest;

    // Guards the members up to the callback's, for the playing threads and
    // the decoder thread.
    std::mutex mutex;
    // A play, or the end, for the decoder thread.
    std::condition_variable wake;
    // Started by the first play, joined by the destructor.
    std::thread decoder;
    bool quitting = false;
    bool sdlStarted = false;
    SDL_AudioDeviceID device = 0;
    // Also read by the callback: written only while no callback can run.
    SDL_AudioSpec spec {};
    std::size_t frameBytes = 1;
    std::size_t leadBytes = 0;
    // Counts plays, so the decoder thread sees one that came while it slept.
    unsigned long long plays = 0;
    // Keep alive what the callback reads: current was started in place of
    // the sample before, queued joined on to it.
    std::shared_ptr<SampleTrack> current;
    std::shared_ptr<SampleTrack> queued;

    // The callback's, and whoever holds SDL_LockAudioDevice: the sample it
    // plays and the one it goes on with on the frame after its last.
    SampleTrack *playing = nullptr;
    SampleTrack *next = nullptr;

    // Counted by the callback, read anywhere.
    std::atomic<unsigned long long> underruns { 0 };
    std::atomic<unsigned long long> joins { 0 };
    std::atomic<unsigned long long> frames { 0 };
};
