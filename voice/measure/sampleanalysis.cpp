#include "sampleanalysis.h"

#include "encodings.h"
#include "samplefile.h"
#include "sourcefaults.h"
#include "speechaudio.h"
#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr qint64 ChunkFrames = 4096;

} // namespace

SampleAnalyser::SampleAnalyser(int channels, int rate, double step)
    : m_channels(std::clamp(channels, 1, MaxChannels))
    , m_rate(rate)
    , m_loudness(m_channels, rate)
    , m_pauses(m_channels, rate, step)
{
    m_clips.fill(ClipDetector(step));
}

void SampleAnalyser::add(const float *frames, qint64 count)
{
    for (qint64 frame = 0; frame < count; ++frame) {
        const float *samples = frames + frame * m_channels;
        for (int channel = 0; channel < m_channels; ++channel) {
            m_peaks[channel] = std::max(m_peaks[channel], std::fabs(samples[channel]));
            m_sums[channel] += samples[channel];
            m_clips[channel].add(samples[channel]);
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
    measures.promisedFrames = m_frames;
    measures.loudnessLufs = m_loudness.lufs();
    const PauseMeter::Ends ends = m_pauses.ends();
    measures.leadingPause = ends.leading;
    measures.trailingPause = ends.trailing;
    measures.silent = !(ends.speechDb >= SilentLevelDb);
    for (int channel = 0; channel < m_channels; ++channel) {
        measures.peak = std::max(measures.peak, double(m_peaks[channel]));
        // Beyond full scale the player cuts it off.
        measures.clipped = measures.clipped || m_peaks[channel] > 1.0f
            || m_clips[channel].clipped(m_peaks[channel]);
        if (m_frames > 0)
            measures.dcOffset = std::max(measures.dcOffset, std::fabs(m_sums[channel] / m_frames));
    }
    return measures;
}

std::optional<SampleMeasures> analyseSample(const QString &path, QString *why, SpeechAudio *speech)
{
    const auto file = SampleFile::open(path, why);
    if (!file)
        return std::nullopt;
    SampleAnalyser analyser(file->channels(), file->sampleRate(), encodingStep(file->encoding()));
    if (speech)
        speech->begin(file->channels(), file->sampleRate());
    std::vector<float> chunk(std::size_t(ChunkFrames * file->channels()));
    while (const qint64 got = file->readUnclamped(chunk.data(), ChunkFrames)) {
        analyser.add(chunk.data(), got);
        if (speech)
            speech->add(chunk.data(), got);
    }
    if (speech)
        speech->end();
    SampleMeasures measures = analyser.result();
    if (measures.frames == 0) {
        if (why)
            *why = QStringLiteral("no audio");
        return std::nullopt;
    }
    measures.encoding = encodingName(file->encoding());
    measures.promisedFrames = std::max(file->promisedFrames(), measures.frames);
    if (const QList<Problem> faults = sourceFaults(path); !faults.isEmpty()) {
        measures.clipped = measures.clipped || faults.contains(Problem::Clipped);
        measures.silent = measures.silent || faults.contains(Problem::Silent);
        if (why)
            *why = sourceFaultsNote(faults);
    }
    return measures;
}
