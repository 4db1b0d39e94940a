#include "sampletrack.h"

#include "enginelog.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr int DecodeFrames = 1024;
constexpr int AheadDivisor = 4; // decode a quarter of a second ahead of the device

// SDL 2.26's resampler drops what is left over of an output frame at the end
// of each piece it is given: from 44.1 to 48 kHz some 20 frames a second, a
// skip at every piece and a sample that ends early. A piece that converts to
// whole frames loses nothing. Rates that share few factors with the device's
// would want pieces too long to decode while the caller waits; they keep the
// loss.
int pieceFrames(int fileRate, int deviceRate)
{
    const int step = fileRate / std::gcd(fileRate, deviceRate);
    const int piece = std::max(1, DecodeFrames / step) * step;
    return piece <= std::max(DecodeFrames, fileRate / AheadDivisor) ? piece : DecodeFrames;
}

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
    : m_file(std::move(file))
    , m_stream(stream)
    , m_frameBytes(SDL_AUDIO_BITSIZE(device.format) / 8 * device.channels)
    , m_bytesLeft(std::size_t(this->m_file->frames() * device.freq / this->m_file->sampleRate())
                  * std::size_t(m_frameBytes))
    , m_pieceFrames(pieceFrames(this->m_file->sampleRate(), device.freq))
    , m_decoded(std::size_t(m_pieceFrames * this->m_file->channels()))
    , m_converted(std::max<std::size_t>(device.size, std::size_t(m_frameBytes))
                  / std::size_t(m_frameBytes) * std::size_t(m_frameBytes))
    , m_ring(std::size_t(device.freq / AheadDivisor) * std::size_t(m_frameBytes))
    , m_name(name)
    , m_leadSignal(leadSignal)
{ }

SampleTrack::~SampleTrack()
{
    if (const unsigned count = m_underruns.load(std::memory_order_relaxed))
        qCDebug(lcEngine) << m_name << "ran short of decoded sound" << count << "times (underruns)";
    if (const unsigned count = m_lateCallbacks.load(std::memory_order_relaxed))
        qCDebug(lcEngine) << m_name << "had the audio callback come late" << count
                          << "times: beyond the sound server's buffer, that is silence";
    SDL_FreeAudioStream(m_stream);
    SDL_DestroySemaphore(m_leadSignal);
}

std::chrono::milliseconds SampleTrack::length() const
{
    return std::chrono::milliseconds(m_file->frames() * 1000 / m_file->sampleRate());
}

void SampleTrack::decodeAhead(std::size_t target)
{
    while (!m_finished.load(std::memory_order_relaxed) && m_ring.available() < target) {
        const std::size_t room = std::min({ m_ring.freeSpace(), m_converted.size(), m_bytesLeft });
        const int request = int(room / std::size_t(m_frameBytes)) * m_frameBytes;
        if (request == 0 && m_bytesLeft > 0)
            return; // the ring is full
        const int got = request > 0 ? SDL_AudioStreamGet(m_stream, m_converted.data(), request) : 0;
        if (got > 0) {
            m_ring.write(m_converted.data(), std::size_t(got));
            m_bytesLeft -= std::size_t(got);
        } else if (m_bytesLeft == 0 || got < 0 || !feedConverter()) {
            m_finished.store(true, std::memory_order_release);
        }
    }
}

// Hands the next piece of the file to the converter; false once it has all.
bool SampleTrack::feedConverter()
{
    if (m_flushed)
        return false;
    const qint64 frames = m_file->read(m_decoded.data(), m_pieceFrames);
    // The last piece is filled up with silence, so that it too converts to
    // whole frames; bytesLeft keeps the silence out of the sound.
    std::fill(m_decoded.begin() + frames * m_file->channels(), m_decoded.end(), 0.0f);
    const int bytes = int(m_decoded.size() * sizeof(float));
    if (frames > 0 && SDL_AudioStreamPut(m_stream, m_decoded.data(), bytes) == 0)
        return true;
    // SDL 2.26 drops the resampler's held-back tail (some 500 frames) when
    // flushing an empty staging buffer; one silent frame puts something
    // there, and bytesLeft keeps it out of the sound.
    std::fill_n(m_decoded.begin(), m_file->channels(), 0.0f);
    SDL_AudioStreamPut(m_stream, m_decoded.data(), int(m_file->channels() * sizeof(float)));
    SDL_AudioStreamFlush(m_stream);
    m_flushed = true;
    return true;
}

std::size_t SampleTrack::render(Uint8 *out, std::size_t size)
{
    // Read before the data: once set, everything decoded is in the ring.
    const bool last = decodedAll();
    const std::size_t copied = m_ring.read(out, size);
    if (last && m_ring.available() == 0)
        m_ended.store(true, std::memory_order_release);
    return copied;
}

void SampleTrack::noteLead(std::size_t lead)
{
    if (inFinalLead() || !decodedAll() || m_ring.available() > lead)
        return;
    m_finalLead.store(true, std::memory_order_release);
    SDL_SemPost(m_leadSignal);
}

bool SampleTrack::waitForFinalLead(int timeoutMs)
{
    return SDL_SemWaitTimeout(m_leadSignal, Uint32(timeoutMs)) == 0;
}
