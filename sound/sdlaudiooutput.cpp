/*
 * How a sample reaches the device
 *
 * The device is opened at the first play with its preferred format and a
 * period of about 10 ms, and everything after works from the format SDL gave
 * us. Each play opens the file on the caller's thread, converts the first few
 * periods right away (so the next callback already has sound) and hands the
 * track to the callback by swapping one pointer under SDL_LockAudioDevice: the
 * next period belongs to the new sample, which is how a new sample cuts off
 * the old one.
 *
 * A decoder thread keeps a quarter of a second decoded ahead in the track's
 * lock-free ring; memory and start time do not depend on the file's length.
 * The callback only copies from the ring and writes silence when it is empty;
 * it never allocates, locks or waits. When it takes a track's last frame it
 * posts the track's semaphore, which is what a waiting play returns on: a
 * semaphore post cannot block, unlike signalling a condition variable.
 *
 * A waiting play also polls the device every 50 ms, so an unplugged device
 * ends the wait (and is reopened at the next play), and it gives up after the
 * sample's length plus two seconds in case the device stalls.
 *
 * A few seconds after the last sample was decoded the decoder thread pauses
 * the device, so the callback stops, and resuming costs nothing. SDL2 still
 * feeds silence to a paused device from its own thread, which keeps the sound
 * server's output awake, so after half a minute the device is closed as well
 * and the next play opens it again.
 */
#include "sdlaudiooutput.h"

#include "samplefile.h"
#include "sampletrack.h"

#include <SDL.h>
#include <algorithm>

namespace {

using namespace std::chrono_literals;

constexpr auto refillInterval = 40ms;
constexpr auto stallAllowance = 2s;
constexpr int deviceCheckMs = 50;
constexpr int primedPeriods = 3;

// The smallest power of two that lasts at least 8 ms: 512 frames at 48 kHz.
Uint16 periodFrames(int rate)
{
    Uint16 frames = 64;
    while (frames < 4096 && frames * 1000 < rate * 8)
        frames *= 2;
    return frames;
}

SDL_AudioSpec preferredSpec()
{
    SDL_AudioSpec want {};
    want.freq = 48000;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
#if SDL_VERSION_ATLEAST(2, 24, 0)
    SDL_AudioSpec preferred {};
    char *name = nullptr;
    if (SDL_GetDefaultAudioInfo(&name, &preferred, 0) == 0) {
        SDL_free(name);
        want.freq = preferred.freq > 0 ? preferred.freq : want.freq;
        want.format = preferred.format != 0 ? preferred.format : want.format;
        want.channels = preferred.channels != 0 ? preferred.channels : want.channels;
    }
#endif
    want.samples = periodFrames(want.freq);
    return want;
}

} // namespace

SdlAudioOutput::SdlAudioOutput(std::chrono::milliseconds pauseAfter,
                               std::chrono::milliseconds closeAfter)
    : pauseAfter(pauseAfter), closeAfter(std::max(pauseAfter, closeAfter))
{ }

SdlAudioOutput::~SdlAudioOutput()
{
    {
        std::lock_guard lock(mutex);
        quitting = true;
    }
    wake.notify_all();
    if (decoder.joinable())
        decoder.join();
    std::lock_guard lock(mutex);
    closeDevice();
    stopSdl();
}

void SdlAudioOutput::play(const QString &path, bool wait)
{
    std::unique_ptr<SampleFile> file = SampleFile::open(path);
    if (!file)
        return;
    std::unique_lock lock(mutex);
    if (!ensureDevice())
        return;
    const std::shared_ptr<SampleTrack> track = SampleTrack::create(std::move(file), spec);
    if (!track)
        return;
    track->decodeAhead(std::size_t(primedPeriods) * spec.size);
    start(track);
    lock.unlock();
    if (wait)
        waitForEnd(track);
}

std::optional<SDL_AudioSpec> SdlAudioOutput::deviceSpec()
{
    std::lock_guard lock(mutex);
    if (device == 0)
        return std::nullopt;
    return spec;
}

void SdlAudioOutput::renderCallback(void *self, Uint8 *out, int size)
{
    auto *output = static_cast<SdlAudioOutput *>(self);
    if (output->playing)
        output->playing->render(out, size, output->spec.silence);
    else
        SDL_memset(out, output->spec.silence, std::size_t(size));
}

bool SdlAudioOutput::ensureDevice()
{
    if (device != 0 && deviceLost())
        closeDevice();
    if (device != 0)
        return true;
    if (!sdlStarted) {
        // Qt owns the process's signals.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        sdlStarted = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    if (sdlStarted && openDevice())
        return true;
    // Start from scratch at the next play: sound may have appeared by then.
    stopSdl();
    return false;
}

bool SdlAudioOutput::openDevice()
{
    SDL_AudioSpec want = preferredSpec();
    want.callback = &SdlAudioOutput::renderCallback;
    want.userdata = this;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &spec, SDL_AUDIO_ALLOW_ANY_CHANGE);
    paused = true;
    return device != 0;
}

void SdlAudioOutput::closeDevice()
{
    if (device != 0)
        SDL_CloseAudioDevice(device);
    device = 0;
    playing = nullptr;
    current.reset();
}

void SdlAudioOutput::stopSdl()
{
    if (sdlStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdlStarted = false;
}

bool SdlAudioOutput::deviceLost() const
{
    return device == 0 || SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED;
}

void SdlAudioOutput::start(const std::shared_ptr<SampleTrack> &track)
{
    SDL_LockAudioDevice(device);
    playing = track.get();
    SDL_UnlockAudioDevice(device);
    current = track;
    ++plays;
    if (paused)
        SDL_PauseAudioDevice(device, 0);
    paused = false;
    if (!decoder.joinable())
        decoder = std::thread(&SdlAudioOutput::decodeLoop, this);
    wake.notify_all();
}

void SdlAudioOutput::waitForEnd(const std::shared_ptr<SampleTrack> &track)
{
    const auto deadline = std::chrono::steady_clock::now() + track->length() + stallAllowance;
    while (!track->waitForEnd(deviceCheckMs)) {
        std::lock_guard lock(mutex);
        if (current != track || std::chrono::steady_clock::now() >= deadline)
            return;
        if (deviceLost()) {
            closeDevice();
            return;
        }
    }
}

void SdlAudioOutput::decodeLoop()
{
    std::unique_lock lock(mutex);
    while (!quitting) {
        const std::shared_ptr<SampleTrack> track = current;
        if (!track || track->decodedAll()) {
            idle(lock);
            continue;
        }
        lock.unlock();
        track->decodeAhead(track->bufferSize());
        lock.lock();
        if (current != track || track->decodedAll())
            continue;
        if (deviceLost())
            closeDevice(); // nobody would ever empty the buffer again
        else
            wake.wait_for(lock, refillInterval);
    }
}

// Waits for the next play, pausing and later closing the device if none comes.
void SdlAudioOutput::idle(std::unique_lock<std::mutex> &lock)
{
    const unsigned long long seen = plays;
    const auto woken = [&] { return quitting || plays != seen; };
    if (device == 0) {
        wake.wait(lock, woken);
        return;
    }
    if (wake.wait_for(lock, paused ? closeAfter - pauseAfter : pauseAfter, woken) || device == 0)
        return;
    // Idle time counts from the sample's end, not from its decoding.
    if (current && !current->playedAll())
        return;
    if (paused) {
        closeDevice();
        return;
    }
    SDL_PauseAudioDevice(device, 1);
    paused = true;
}
