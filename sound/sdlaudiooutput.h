#pragma once

#include "audiooutput.h"

#include <SDL_audio.h>

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
    // After pauseAfter without a play the device is paused, after closeAfter
    // it is closed, to be opened again by the next play.
    explicit SdlAudioOutput(std::chrono::milliseconds pauseAfter = std::chrono::seconds(3),
                            std::chrono::milliseconds closeAfter = std::chrono::seconds(30));
    ~SdlAudioOutput() override;

    void play(const QString &path, bool wait) override;

    // The format the device was opened with, once it is open.
    std::optional<SDL_AudioSpec> deviceSpec();

private:
    static void renderCallback(void *self, Uint8 *out, int size);
    bool ensureDevice();
    bool openDevice();
    void closeDevice();
    void stopSdl();
    bool deviceLost() const;
    void start(const std::shared_ptr<SampleTrack> &track);
    void waitForEnd(const std::shared_ptr<SampleTrack> &track);
    void decodeLoop();
    void idle(std::unique_lock<std::mutex> &lock);

    const std::chrono::milliseconds pauseAfter;
    const std::chrono::milliseconds closeAfter;
    std::mutex mutex;
    std::condition_variable wake;
    std::thread decoder;
    bool quitting = false;
    bool sdlStarted = false;
    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec spec {};
    bool paused = false;
    unsigned long long plays = 0;
    // Keeps alive the track the callback reads through playing.
    std::shared_ptr<SampleTrack> current;
    SampleTrack *playing = nullptr;
};
