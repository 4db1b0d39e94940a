/*
 * How a sample reaches the device
 *
 * The device is opened at the first play with its preferred format and a
 * period of about 10 ms; SDL may change the period alone, since that play's
 * sample is converted before the device opens (openWith() says why).
 * Each play opens the file on the caller's thread, converts the first ten
 * periods right away (so the next callback already has sound, and the decoder
 * thread a tenth of a second to take over on a busy machine) and hands the
 * track to the callback under SDL_LockAudioDevice.
 *
 * A decoder thread keeps a quarter of a second decoded ahead in the track's
 * lock-free ring; memory and start time do not depend on the file's length.
 * It runs at the sound thread's priority, and a play primes its track
 * without the lock the decoder thread takes: beside a build, a decoder at
 * the priority of everything else, or one waiting for a window's thread
 * kept from running in the middle of a play, came too late to top up the
 * sample that played, about once in twenty phrases through PulseAudio.
 * The callback only copies from the ring and writes silence when it is empty;
 * it never allocates, locks or waits, and counts in atomics the periods it
 * found short (underruns) and the samples it joined.
 *
 * Sound servers. SDL hands a PulseAudio server a buffer of one period in
 * all, so a sound thread that a busy machine keeps from running for more
 * than the few ms the sink still holds lets the server run dry mid-word.
 * libpulse's PULSE_LATENCY_MSEC has the server hold 50 ms instead, while SDL
 * goes on writing a period at a time (pipewire-pulse keeps three quarters
 * of it and plays it in graph cycles of the rest). At 40 ms both servers
 * still ran dry beside a build, libpulse's own paplay too; at 60 ms a click
 * came later than 60 ms through PipeWire. A user's own PULSE_LATENCY_MSEC
 * wins. It is set when a sample first plays, not where SDL's audio starts:
 * a capture stream takes it as the size of the pieces it hands over. Which
 * driver, and the threads' priority: sdlaudiostart.cpp.
 * bench_phrase measures both servers, quiet and beside a build.
 *
 * Late callbacks. Sound servers ask for the next period about when the
 * sound handed over before would run out had they started playing it at
 * once. A callback later than that by more than a quarter of a period (less
 * counts every wake-up's jitter) was held up: a busy machine, a low
 * priority. The server's buffer covers such a delay up to its length; SDL
 * does not say when a server ran dry, so the count is a warning sign, not a
 * count of gaps.
 *
 * Joins. Once what is left of a sample fits in the device's lead, the
 * callback posts the track's semaphore, and a waiting play returns: a post
 * cannot block, unlike signalling a condition variable. A sample started now,
 * the next fragment of a phrase, waits behind it, and the callback goes on
 * with it on the frame after the last one, within the same period. A sample
 * started earlier cuts the old one off from the next period on; one started
 * after the old one ended begins at the next period. (Its final lead is noted
 * once a sample plays, so one shorter than a period may end before the next
 * is there, and silence follows it.)
 *
 * The lead is six periods, so the caller has five to come back on a busy
 * machine (with four, the window's thread beside a build sometimes came too
 * late for a join), but no more than 60 ms, about what the server holds, so
 * that a phrase's Play and a stop do not come early by what a driver's long
 * period makes it. It is never less than one
 * period, though: the next sample must be there before the period that
 * holds the old one's last frame, or the join is lost.
 *
 * A waiting play also polls the device every 50 ms, so an unplugged device
 * ends the wait (and is reopened at the next play), and it gives up after the
 * sample's length plus two seconds in case the device stalls. Destroying the
 * engine lets a sample in its final lead play out, within the same bounds.
 *
 * Starting SDL's audio and opening the device that failed is tried again at
 * a later play, at most once a second (retrypace.h).
 *
 * A few seconds after the last sound the decoder thread closes the device,
 * since SDL2 feeds even a paused device from its own thread, and stops SDL's
 * audio unless it only waits on a sound server. Then nothing of the engine
 * runs: the decoder thread waits for the next play, which opens the device
 * again, starting SDL's audio first if it was stopped.
 */
#include "sdlaudiooutput.h"

#include "enginelog.h"
#include "samplefile.h"
#include "sampletrack.h"
#include "sdlaudiostart.h"

#include <SDL.h>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

using namespace std::chrono_literals;

constexpr auto RefillInterval = 40ms;
constexpr auto StallAllowance = 2s;
constexpr int DeviceCheckMs = 50;
constexpr int PrimedPeriods = 10;
constexpr int LeadPeriods = 6;
constexpr int MaxLeadMs = 60;
constexpr int ServerBufferMs = 50;
constexpr int LateAllowanceDivisor = 4;

// The smallest power of two that lasts at least 8 ms: 512 frames at 48 kHz.
Uint16 periodFrames(int rate)
{
    Uint16 frames = 64;
    while (frames < 4096 && frames * 1000 < rate * 8)
        frames *= 2;
    return frames;
}

// See "Sound servers" at the top of this file.
void bufferAtTheServer()
{
    if (!qEnvironmentVariableIsSet("PULSE_LATENCY_MSEC"))
        qputenv("PULSE_LATENCY_MSEC", QByteArray::number(ServerBufferMs));
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

// Converts the file for the device and decodes its start, so that the next
// callback already has sound.
std::shared_ptr<SampleTrack> primedTrack(std::unique_ptr<SampleFile> file,
                                         const SDL_AudioSpec &spec, const QString &path)
{
    const std::shared_ptr<SampleTrack> track = SampleTrack::create(std::move(file), spec, path);
    if (!track) {
        qCDebug(lcEngine) << "not played: cannot convert" << path << SDL_GetError();
        return nullptr;
    }
    track->decodeAhead(std::size_t(PrimedPeriods) * spec.size);
    return track;
}

} // namespace

SdlAudioOutput::SdlAudioOutput(std::chrono::milliseconds closeAfter, Uint16 periodFrames)
    : m_closeAfter(closeAfter), m_periodRequest(periodFrames)
{ }

SdlAudioOutput::~SdlAudioOutput()
{
    {
        std::lock_guard lock(m_mutex);
        m_quitting = true;
    }
    m_wake.notify_all();
    if (m_decoder.joinable())
        m_decoder.join();
    std::lock_guard lock(m_mutex);
    playOutLead();
    closeDevice();
    stopSdl();
}

// A waiting play returns with the lead still to come; it is heard all the
// same when the engine goes away right after.
void SdlAudioOutput::playOutLead() const
{
    const std::shared_ptr<SampleTrack> &last = lastTrack();
    const auto deadline = std::chrono::steady_clock::now() + StallAllowance;
    while (last && last->inFinalLead() && !last->playedAll() && !deviceLost()
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
}

void SdlAudioOutput::play(const QString &path, bool wait)
{
    std::unique_ptr<SampleFile> file = SampleFile::open(path);
    if (!file) {
        qCDebug(lcEngine) << "not played: cannot open or decode" << path;
        return;
    }
    std::unique_lock lock(m_mutex);
    if (m_device != 0 && deviceLost())
        closeDevice();
    const std::shared_ptr<SampleTrack> track = m_device != 0
        ? startOnDevice(std::move(file), path, lock)
        : openWith(std::move(file), path);
    if (!track)
        return;
    ++m_plays;
    if (!m_decoder.joinable())
        m_decoder = std::thread([this] { asSoundThread([this] { decodeLoop(); }); });
    m_wake.notify_all();
    lock.unlock();
    if (wait)
        waitForLead(track);
}

std::optional<SDL_AudioSpec> SdlAudioOutput::deviceSpec()
{
    std::lock_guard lock(m_mutex);
    if (m_device == 0)
        return std::nullopt;
    return m_spec;
}

SdlAudioOutput::Counters SdlAudioOutput::counters() const
{
    return { m_underruns.load(std::memory_order_relaxed), m_joins.load(std::memory_order_relaxed),
             m_frames.load(std::memory_order_relaxed),
             m_lateCallbacks.load(std::memory_order_relaxed) };
}

void SdlAudioOutput::renderCallback(void *self, Uint8 *out, int size)
{
    static_cast<SdlAudioOutput *>(self)->render(out, std::size_t(size));
}

void SdlAudioOutput::render(Uint8 *out, std::size_t size)
{
    if (cameLate(size) && m_playing) {
        m_lateCallbacks.fetch_add(1, std::memory_order_relaxed);
        m_playing->countLateCallback();
    }
    std::size_t filled = 0;
    while (m_playing) {
        filled += m_playing->render(out + filled, size - filled);
        if (!m_playing->playedAll()) {
            if (filled < size) {
                m_underruns.fetch_add(1, std::memory_order_relaxed);
                m_playing->countUnderrun();
            }
            break;
        }
        if (!m_next)
            break;
        m_playing = std::exchange(m_next, nullptr);
        m_joins.fetch_add(1, std::memory_order_relaxed);
    }
    std::memset(out + filled, m_spec.silence, size - filled);
    // Counted before the lead is noted, so a play woken by it sees them.
    m_frames.fetch_add(size / m_frameBytes, std::memory_order_relaxed);
    if (m_playing)
        m_playing->noteLead(m_leadBytes);
    m_soundGoesOn = m_playing && !m_playing->playedAll();
}

// Whether the sound of an unfinished sample must have run out before this
// callback: see the top of this file.
bool SdlAudioOutput::cameLate(std::size_t size)
{
    const auto now = std::chrono::steady_clock::now();
    const auto period
        = std::chrono::nanoseconds(std::int64_t(size / m_frameBytes) * 1'000'000'000 / m_spec.freq);
    const bool late = m_soundGoesOn && now > m_handedOutUntil + period / LateAllowanceDivisor;
    m_handedOutUntil = std::max(m_handedOutUntil, now) + period;
    return late;
}

// Primed without the lock, which the decoder thread needs to top up the
// sample that plays: a caller kept from running meanwhile (the window's
// thread, beside a build) must not keep it waiting, or that sample runs dry.
// A device the decoder thread closed meanwhile is opened again.
std::shared_ptr<SampleTrack> SdlAudioOutput::startOnDevice(std::unique_ptr<SampleFile> file,
                                                           const QString &path,
                                                           std::unique_lock<std::mutex> &lock)
{
    const SDL_AudioDeviceID device = m_device;
    const SDL_AudioSpec spec = m_spec;
    lock.unlock();
    const std::shared_ptr<SampleTrack> track = primedTrack(std::move(file), spec, path);
    lock.lock();
    if (!track)
        return nullptr;
    if (m_device == device) {
        start(track);
        return track;
    }
    file = SampleFile::open(path);
    return file ? openWith(std::move(file), path) : nullptr;
}

// SDL feeds a paused device silence from the moment it opens, and a sound
// server plays all of it before the first sound: through PipeWire that made
// the first click after an idle close 70 ms late. So the track is made
// before the device opens and starts it at once.
std::shared_ptr<SampleTrack> SdlAudioOutput::openWith(std::unique_ptr<SampleFile> file,
                                                      const QString &path)
{
    if (!m_retry.mayTry())
        return nullptr;
    std::shared_ptr<SampleTrack> track;
    bool opened = false;
    atSoundPriority([&] {
        if (!startSdl())
            return;
        const SDL_AudioSpec want = wantedSpec();
        track = primedTrack(std::move(file), want, path);
        opened = track && openDevice(want);
        if (opened)
            start(track);
    });
    if (opened)
        return track;
    const bool deviceFailed = !m_sdlStarted || track; // else the file could not be converted
    // Start from scratch at a later play: sound may have appeared by then.
    stopSdl();
    if (deviceFailed)
        m_retry.failed();
    return nullptr;
}

bool SdlAudioOutput::startSdl()
{
    if (m_sdlStarted)
        return true;
    bufferAtTheServer();
    m_sdlStarted = startSdlAudio();
    if (!m_sdlStarted)
        qCDebug(lcEngine) << "no sound: SDL audio cannot start:" << SDL_GetError();
    return m_sdlStarted;
}

SDL_AudioSpec SdlAudioOutput::wantedSpec()
{
    SDL_AudioSpec want = preferredSpec();
    if (m_periodRequest != 0)
        want.samples = m_periodRequest;
    want.size = Uint32(want.samples) * want.channels * SDL_AUDIO_BITSIZE(want.format) / 8;
    want.callback = &SdlAudioOutput::renderCallback;
    want.userdata = this;
    return want;
}

// Only the period may change: the first track was converted for the rest.
// The device starts paused, so the callback first runs after start().
bool SdlAudioOutput::openDevice(const SDL_AudioSpec &want)
{
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &m_spec, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (m_device == 0) {
        qCDebug(lcEngine) << "no sound: the audio device cannot be opened:" << SDL_GetError();
        return false;
    }
    m_frameBytes = SDL_AUDIO_BITSIZE(m_spec.format) / 8 * m_spec.channels;
    const std::size_t maxLead = std::size_t(m_spec.freq) * MaxLeadMs / 1000 * m_frameBytes;
    const std::size_t period = m_spec.size;
    m_leadBytes = std::max(period, std::min(LeadPeriods * period, maxLead));
    m_soundGoesOn = false;
    return true;
}

void SdlAudioOutput::closeDevice()
{
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    m_device = 0;
    m_playing = nullptr;
    m_next = nullptr;
    m_current.reset();
    m_queued.reset();
}

void SdlAudioOutput::stopSdl()
{
    if (m_sdlStarted)
        stopSdlAudio();
    m_sdlStarted = false;
}

bool SdlAudioOutput::deviceLost() const
{
    return m_device == 0 || SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

// Joins the track on to the sample playing when that is in its final lead,
// else puts it in that sample's place from the next period on.
void SdlAudioOutput::start(const std::shared_ptr<SampleTrack> &track)
{
    SDL_LockAudioDevice(m_device);
    if (m_queued && m_playing == m_queued.get()) // the callback has gone on to it
        m_current = std::exchange(m_queued, nullptr);
    const bool join = m_playing && m_playing->inFinalLead() && !m_playing->playedAll();
    if (join) {
        m_next = track.get();
    } else {
        m_playing = track.get();
        m_next = nullptr;
    }
    SDL_UnlockAudioDevice(m_device);
    if (join) {
        m_queued = track;
    } else {
        m_current = track;
        m_queued.reset();
    }
    // Unpausing takes the callback's lock: a thread of normal priority kept
    // from running while it holds it would hold up the sound thread too.
    if (SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_PAUSED)
        SDL_PauseAudioDevice(m_device, 0);
}

void SdlAudioOutput::waitForLead(const std::shared_ptr<SampleTrack> &track)
{
    const auto deadline = std::chrono::steady_clock::now() + track->length() + StallAllowance;
    while (!track->waitForFinalLead(DeviceCheckMs)) {
        std::lock_guard lock(m_mutex);
        if (!holds(track) || std::chrono::steady_clock::now() >= deadline)
            return;
        if (deviceLost()) {
            closeDevice();
            return;
        }
    }
}

bool SdlAudioOutput::holds(const std::shared_ptr<SampleTrack> &track) const
{
    return track == m_current || track == m_queued;
}

// The sample whose end is the end of the sound: one joined on, if any.
const std::shared_ptr<SampleTrack> &SdlAudioOutput::lastTrack() const
{
    return m_queued ? m_queued : m_current;
}

// The sample playing first: a joined one is decoded once the one before it
// has all of its rest in the ring.
std::shared_ptr<SampleTrack> SdlAudioOutput::trackToDecode() const
{
    for (const std::shared_ptr<SampleTrack> &track : { m_current, m_queued }) {
        if (track && !track->decodedAll())
            return track;
    }
    return nullptr;
}

void SdlAudioOutput::decodeLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_quitting) {
        const std::shared_ptr<SampleTrack> track = trackToDecode();
        if (!track) {
            idle(lock);
            continue;
        }
        lock.unlock();
        track->decodeAhead(track->bufferSize());
        lock.lock();
        if (!holds(track) || track->decodedAll())
            continue;
        if (deviceLost())
            closeDevice(); // nobody would ever empty the buffer again
        else
            m_wake.wait_for(lock, RefillInterval);
    }
}

// Waits for the next play, closing the device if none comes in time.
void SdlAudioOutput::idle(std::unique_lock<std::mutex> &lock)
{
    const unsigned long long seen = m_plays;
    const auto woken = [&] { return m_quitting || m_plays != seen; };
    if (m_device == 0) {
        m_wake.wait(lock, woken);
        return;
    }
    if (m_wake.wait_for(lock, m_closeAfter, woken) || m_device == 0)
        return;
    // Idle time counts from the sound's end, not from its decoding.
    const std::shared_ptr<SampleTrack> &last = lastTrack();
    if (!last || last->playedAll()) {
        closeDevice();
        // Some drivers (ALSA's) watch for new devices from a thread of their
        // own for as long as SDL's audio runs. A sound server's drivers sleep
        // until the server has news, and starting them again would cost the
        // next click the server's welcome of a new client: 5 ms through
        // PipeWire, 13-23 ms beside a build.
        if (!sdlAudioWaitsOnServer())
            stopSdl();
    }
}
