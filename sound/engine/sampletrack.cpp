#include "sampletrack.h"

#include "enginelog.h"

#include <algorithm>

namespace {

constexpr int DecodeFrames = 1024;
constexpr int AheadDivisor = 4; // decode a quarter of a second ahead of the device

} // namespace

std::shared_ptr<SampleTrack> SampleTrack::create(std::unique_ptr<SampleFile> file,
                                                 const SDL_AudioSpec &device, const QString &name)
{
    SDL_AudioStream *stream
        = SDL_NewAudioStream(AUDIO_F32SYS, Uint8(file->channels()), file->sampleRate(),
                             device.format, device.channels, device.freq);
    if (!stream)
        return nullptr;
    SDL_sem *leadSignal = SDL_CreateSemaphore(0);
    if (!leadSignal) {
        SDL_FreeAudioStream(stream);
        return nullptr;
    }
    return std::shared_ptr<SampleTrack>(
        new SampleTrack(std::move(file), stream, leadSignal, device, name));
}

SampleTrack::SampleTrack(std::unique_ptr<SampleFile> file, SDL_AudioStream *stream,
                         SDL_sem *leadSignal, const SDL_AudioSpec &device, const QString &name)
    : file(std::move(file))
    , stream(stream)
    , frameBytes(SDL_AUDIO_BITSIZE(device.format) / 8 * device.channels)
    , bytesLeft(std::size_t(this->file->frames() * device.freq / this->file->sampleRate())
                * std::size_t(frameBytes))
    , decoded(std::size_t(DecodeFrames * this->file->channels()))
    , converted(std::max<std::size_t>(device.size, std::size_t(frameBytes))
                / std::size_t(frameBytes) * std::size_t(frameBytes))
    , ring(std::size_t(device.freq / AheadDivisor) * std::size_t(frameBytes))
    , name(name)
    , leadSignal(leadSignal)
{ }

SampleTrack::~SampleTrack()
{
    if (const unsigned count = underruns.load(std::memory_order_relaxed))
        qCDebug(lcEngine) << name << "ran short of decoded sound" << count << "times (underruns)";
    SDL_FreeAudioStream(stream);
    SDL_DestroySemaphore(leadSignal);
}

std::chrono::milliseconds SampleTrack::length() const
{
    return std::chrono::milliseconds(file->frames() * 1000 / file->sampleRate());
}

void SampleTrack::decodeAhead(std::size_t target)
{
    while (!finished.load(std::memory_order_relaxed) && ring.available() < target) {
        const std::size_t room = std::min({ ring.freeSpace(), converted.size(), bytesLeft });
        const int request = int(room / std::size_t(frameBytes)) * frameBytes;
        if (request == 0 && bytesLeft > 0)
            return; // the ring is full
        const int got = request > 0 ? SDL_AudioStreamGet(stream, converted.data(), request) : 0;
        if (got > 0) {
            ring.write(converted.data(), std::size_t(got));
            bytesLeft -= std::size_t(got);
        } else if (bytesLeft == 0 || got < 0 || !feedConverter()) {
            finished.store(true, std::memory_order_release);
        }
    }
}

// Hands the next piece of the file to the converter; false once it has all.
bool SampleTrack::feedConverter()
{
    if (flushed)
        return false;
    const qint64 frames = file->read(decoded.data(), DecodeFrames);
    const int bytes = int(frames * file->channels() * qint64(sizeof(float)));
    if (frames > 0 && SDL_AudioStreamPut(stream, decoded.data(), bytes) == 0)
        return true;
    // SDL 2.26 drops the resampler's held-back tail (some 500 frames) when
    // flushing an empty staging buffer; one silent frame puts something
    // there, and bytesLeft keeps it out of the sound.
    std::fill_n(decoded.begin(), file->channels(), 0.0f);
    SDL_AudioStreamPut(stream, decoded.data(), int(file->channels() * sizeof(float)));
    SDL_AudioStreamFlush(stream);
    flushed = true;
    return true;
}

std::size_t SampleTrack::render(Uint8 *out, std::size_t size)
{
    // Read before the data: once set, everything decoded is in the ring.
    const bool last = decodedAll();
    const std::size_t copied = ring.read(out, size);
    if (last && ring.available() == 0)
        ended.store(true, std::memory_order_release);
    return copied;
}

void SampleTrack::noteLead(std::size_t lead)
{
    if (inFinalLead() || !decodedAll() || ring.available() > lead)
        return;
    finalLead.store(true, std::memory_order_release);
    SDL_SemPost(leadSignal);
}

bool SampleTrack::waitForFinalLead(int timeoutMs)
{
    return SDL_SemWaitTimeout(leadSignal, Uint32(timeoutMs)) == 0;
}
