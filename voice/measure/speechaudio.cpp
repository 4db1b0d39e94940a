#include "speechaudio.h"

#include <algorithm>
#include <cmath>
#include <soxr.h>

namespace {

constexpr std::size_t MaxSamples = std::size_t(SpeechAudio::Rate) * SpeechAudio::MaxSeconds;

} // namespace

SpeechAudio::~SpeechAudio()
{
    if (m_soxr)
        soxr_delete(m_soxr);
}

void SpeechAudio::begin(int channels, int rate, Sink sink)
{
    if (m_soxr)
        soxr_delete(m_soxr);
    m_channels = std::max(channels, 1);
    m_samples.clear();
    m_sink = std::move(sink);
    // The recogniser listens below 6.8 kHz: a quick filter loses nothing it hears.
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_LQ, 0);
    soxr_error_t error = nullptr;
    m_soxr = soxr_create(rate, Rate, 1, &error, &io, &quality, nullptr);
    if (error)
        m_soxr = nullptr;
    m_whole = m_soxr != nullptr;
}

void SpeechAudio::add(const float *frames, qint64 count)
{
    if (!m_whole)
        return;
    m_mono.resize(std::size_t(count));
    for (qint64 frame = 0; frame < count; ++frame) {
        float sum = 0;
        for (int channel = 0; channel < m_channels; ++channel)
            sum += frames[frame * m_channels + channel];
        m_mono[std::size_t(frame)] = sum / float(m_channels);
    }
    keep(m_mono.data(), m_mono.size());
}

void SpeechAudio::end()
{
    if (m_whole)
        keep(nullptr, 0);
}

// Converts count frames, or flushes the converter when mono is null.
void SpeechAudio::keep(const float *mono, std::size_t count)
{
    m_out.resize(count * Rate / 1000 + 4096);
    std::size_t done = 0;
    std::size_t made = 0;
    do {
        made = 0;
        std::size_t used = 0;
        const float *in = mono ? mono + done : nullptr;
        if (soxr_process(m_soxr, in, count - done, &used, m_out.data(), m_out.size(), &made)) {
            m_whole = false;
            return;
        }
        done += used;
        if (m_sink) {
            m_samples.clear();
        } else if (m_samples.size() + made > MaxSamples) {
            m_whole = false;
            m_samples = {};
            return;
        }
        for (std::size_t i = 0; i < made; ++i)
            m_samples.push_back(qint16(std::lround(std::clamp(m_out[i], -1.0f, 1.0f) * 32767)));
        if (m_sink && made > 0 && !m_sink(m_samples)) {
            m_whole = false;
            return;
        }
    } while (done < count || (!mono && made > 0));
}
