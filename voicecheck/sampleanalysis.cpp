#include "sampleanalysis.h"

#include "samplefile.h"
#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const float ClipLevel = float(std::pow(10.0, ClipLevelDb / 20));
constexpr qint64 ChunkFrames = 4096;

} // namespace

SampleAnalyser::SampleAnalyser(int channels, int rate)
    : m_channels(std::clamp(channels, 1, MaxChannels))
    , m_rate(rate)
    , m_loudness(m_channels, rate)
    , m_pauses(m_channels, rate)
{ }

void SampleAnalyser::add(const float *frames, qint64 count)
{
    for (qint64 frame = 0; frame < count; ++frame) {
        const float *samples = frames + frame * m_channels;
        for (int channel = 0; channel < m_channels; ++channel) {
            const float magnitude = std::fabs(samples[channel]);
            m_peak = std::max(m_peak, magnitude);
            m_sums[channel] += samples[channel];
            int &run = m_clipRuns[channel];
            run = magnitude >= ClipLevel ? run + 1 : 0;
            m_clipped = m_clipped || run >= ClipRunSamples;
        }
    }
    m_frames += count;
    m_loudness.add(frames, count);
    m_pauses.add(frames, count);
}

SampleMeasures SampleAnalyser::result() const
{
    SampleMeasures measures;
    measures.rate = m_rate;
    measures.channels = m_channels;
    measures.frames = m_frames;
    measures.peak = m_peak;
    measures.loudnessLufs = m_loudness.lufs();
    const PauseMeter::Ends ends = m_pauses.ends();
    measures.leadingPause = ends.leading;
    measures.trailingPause = ends.trailing;
    measures.clipped = m_clipped;
    for (int channel = 0; channel < m_channels && m_frames > 0; ++channel)
        measures.dcOffset = std::max(measures.dcOffset, std::fabs(m_sums[channel] / m_frames));
    return measures;
}

std::optional<SampleMeasures> analyseSample(const QString &path)
{
    const auto file = SampleFile::open(path);
    if (!file)
        return std::nullopt;
    SampleAnalyser analyser(file->channels(), file->sampleRate());
    std::vector<float> chunk(std::size_t(ChunkFrames * file->channels()));
    while (const qint64 got = file->read(chunk.data(), ChunkFrames))
        analyser.add(chunk.data(), got);
    SampleMeasures measures = analyser.result();
    if (measures.frames == 0)
        return std::nullopt;
    return measures;
}
