#include "sampletrack.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int decodeFrames = 1024;
constexpr int aheadDivisor = 4; // decode a quarter of a second ahead of the device

} // namespace

std::shared_ptr<SampleTrack> SampleTrack::create(std::unique_ptr<SampleFile> file,
                                                 const SDL_AudioSpec &device)
{
    SDL_AudioStream *stream
        = SDL_NewAudioStream(AUDIO_F32SYS, Uint8(file->channels()), file->sampleRate(),
                             device.format, device.channels, device.freq);
    if (!stream)
        return nullptr;
    SDL_sem *endSignal = SDL_CreateSemaphore(0);
    if (!endSignal) {
        SDL_FreeAudioStream(stream);
        return nullptr;
    }
    return std::shared_ptr<SampleTrack>(
        new SampleTrack(std::move(file), stream, endSignal, device));
}

SampleTrack::SampleTrack(std::unique_ptr<SampleFile> file, SDL_AudioStream *stream,
                         SDL_sem *endSignal, const SDL_AudioSpec &device)
    : file(std::move(file))
    , stream(stream)
    , endSignal(endSignal)
    , frameBytes(SDL_AUDIO_BITSIZE(device.format) / 8 * device.channels)
    , ring(std::size_t(device.freq / aheadDivisor) * std::size_t(frameBytes))
    , decoded(std::size_t(decodeFrames * this->file->channels()))
    , converted(std::max<std::size_t>(device.size, std::size_t(frameBytes))
                / std::size_t(frameBytes) * std::size_t(frameBytes))
{ }

SampleTrack::~SampleTrack()
{
    SDL_FreeAudioStream(stream);
    SDL_DestroySemaphore(endSignal);
}

std::chrono::milliseconds SampleTrack::length() const
{
    return std::chrono::milliseconds(file->frames() * 1000 / file->sampleRate());
}

void SampleTrack::decodeAhead(std::size_t target)
{
    while (!finished.load(std::memory_order_relaxed) && ring.available() < target) {
        const std::size_t room = std::min(ring.freeSpace(), converted.size());
        const int request = int(room / std::size_t(frameBytes)) * frameBytes;
        if (request == 0)
            return;
        const int got = SDL_AudioStreamGet(stream, converted.data(), request);
        if (got > 0)
            ring.write(converted.data(), std::size_t(got));
        else if (got < 0 || !feedConverter())
            finished.store(true, std::memory_order_release);
    }
}

// Hands the next piece of the file to the converter; false once it has all.
bool SampleTrack::feedConverter()
{
    if (flushed)
        return false;
    const qint64 frames = file->read(decoded.data(), decodeFrames);
    const int bytes = int(frames * file->channels() * qint64(sizeof(float)));
    if (frames > 0 && SDL_AudioStreamPut(stream, decoded.data(), bytes) == 0)
        return true;
    // SDL 2.26 drops the resampler's held-back tail (some 500 frames) when
    // flushing an empty staging buffer; one silent frame puts something there.
    std::fill_n(decoded.begin(), file->channels(), 0.0f);
    SDL_AudioStreamPut(stream, decoded.data(), int(file->channels() * sizeof(float)));
    SDL_AudioStreamFlush(stream);
    flushed = true;
    return true;
}

void SampleTrack::render(Uint8 *out, int size, Uint8 silence)
{
    // Read before the data: once set, everything decoded is in the ring.
    const bool last = decodedAll();
    const std::size_t copied = ring.read(out, std::size_t(size));
    std::memset(out + copied, silence, std::size_t(size) - copied);
    if (last && !playedAll() && ring.available() == 0) {
        ended.store(true, std::memory_order_release);
        SDL_SemPost(endSignal);
    }
}

bool SampleTrack::waitForEnd(int timeoutMs)
{
    return SDL_SemWaitTimeout(endSignal, Uint32(timeoutMs)) == 0;
}
