#include "fixchain.h"

#include "fixsettings.h"
#include "samplefile.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <soxr.h>
#include <vector>

namespace {

constexpr qint64 ChunkFrames = 4096;

// A raised cosine from 0 to 1 over length frames, at frame at.
float fadeWeight(qint64 at, qint64 length)
{
    return float(0.5 - 0.5 * std::cos(std::numbers::pi * (double(at) + 0.5) / double(length)));
}

// Channels mixed to the target count: down by averaging the channels that
// fold onto one, up by repeating them.
void mixFrame(const float *in, int inChannels, float *out, int outChannels)
{
    if (inChannels <= outChannels) {
        for (int channel = 0; channel < outChannels; ++channel)
            out[channel] = in[channel % inChannels];
        return;
    }
    for (int channel = 0; channel < outChannels; ++channel) {
        float sum = 0;
        int folded = 0;
        for (int source = channel; source < inChannels; source += outChannels, ++folded)
            sum += in[source];
        out[channel] = sum / float(folded);
    }
}

// soxr, or nothing when the rates agree. Its high-quality setting keeps the
// pass band flat to 91 % of the lower Nyquist frequency and puts everything
// above that frequency at least 120 dB down, so nothing folds back.
class Resampler
{
public:
    Resampler(int inRate, int outRate, int channels, const FrameSink &sink)
        : m_channels(channels), m_sink(sink)
    {
        if (inRate == outRate)
            return;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t error = nullptr;
        m_soxr = soxr_create(inRate, outRate, unsigned(channels), &error, &io, &quality, nullptr);
        m_out.resize(std::size_t(ChunkFrames * channels));
        m_failed = error != nullptr;
    }
    ~Resampler()
    {
        if (m_soxr)
            soxr_delete(m_soxr);
    }
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    bool add(const float *frames, qint64 count)
    {
        if (m_failed || count == 0)
            return !m_failed;
        if (!m_soxr)
            return m_sink(frames, count);
        qint64 done = 0;
        do {
            std::size_t taken = 0;
            std::size_t made = 0;
            m_failed = soxr_process(m_soxr, frames + done * m_channels, std::size_t(count - done),
                                    &taken, m_out.data(), ChunkFrames, &made)
                != nullptr;
            done += qint64(taken);
            if (m_failed || (made > 0 && !m_sink(m_out.data(), qint64(made))))
                return false;
        } while (done < count);
        return true;
    }

    // The frames still in the filter.
    bool finish()
    {
        std::size_t made = 0;
        do {
            if (m_failed || !m_soxr)
                return !m_failed;
            m_failed = soxr_process(m_soxr, nullptr, 0, nullptr, m_out.data(), ChunkFrames, &made)
                != nullptr;
        } while (made > 0 && m_sink(m_out.data(), qint64(made)));
        return !m_failed && made == 0;
    }

private:
    int m_channels;
    const FrameSink &m_sink;
    soxr_t m_soxr = nullptr;
    std::vector<float> m_out;
    bool m_failed = false;
};

bool addSilence(Resampler &resampler, qint64 frames, int channels)
{
    const std::vector<float> zeros(std::size_t(std::min(frames, ChunkFrames) * channels));
    for (qint64 left = frames; left > 0; left -= ChunkFrames) {
        if (!resampler.add(zeros.data(), std::min(left, ChunkFrames)))
            return false;
    }
    return true;
}

// How loud the source's frame at is kept: faded in after the first cut,
// out before the second, whole in between.
float keptWeight(const ChainPlan &plan, qint64 at)
{
    float weight = 1;
    if (at - plan.keepFrom < plan.fadeIn)
        weight = fadeWeight(at - plan.keepFrom, plan.fadeIn);
    if (plan.keepTo - 1 - at < plan.fadeOut)
        weight *= fadeWeight(plan.keepTo - 1 - at, plan.fadeOut);
    return weight;
}

} // namespace

qint64 framesOf(double ms, int rate)
{
    return std::llround(ms * rate / 1000);
}

void cutPlan(ChainPlan &plan, qint64 start, qint64 end, qint64 sourceFrames, int rate,
             double padStartMs, double padEndMs)
{
    plan.keepFrom = std::clamp<qint64>(start, 0, sourceFrames);
    plan.keepTo = std::clamp<qint64>(end, plan.keepFrom, sourceFrames);
    plan.silenceBefore = std::max<qint64>(0, -start);
    plan.silenceAfter = std::max<qint64>(0, end - sourceFrames);
    fadeCuts(plan, sourceFrames, rate, padStartMs, padEndMs);
}

void fadeCuts(ChainPlan &plan, qint64 sourceFrames, int rate, double padStartMs, double padEndMs)
{
    const qint64 fade = std::min(framesOf(CutFadeMs, rate), plan.keepTo - plan.keepFrom);
    plan.fadeIn = plan.keepFrom > 0 ? std::min(fade, framesOf(padStartMs, rate)) : 0;
    plan.fadeOut = plan.keepTo < sourceFrames ? std::min(fade, framesOf(padEndMs, rate)) : 0;
}

bool decodeSample(const QString &path, const FrameSink &sink)
{
    const auto file = SampleFile::open(path);
    if (!file)
        return false;
    std::vector<float> chunk(std::size_t(ChunkFrames * file->channels()));
    while (const qint64 got = file->read(chunk.data(), ChunkFrames)) {
        if (!sink(chunk.data(), got))
            return false;
    }
    return true;
}

bool runChain(const QString &path, const ChainPlan &plan, const FrameSink &sink)
{
    const auto file = SampleFile::open(path);
    if (!file)
        return false;
    const int inChannels = file->channels();
    Resampler resampler(file->sampleRate(), plan.rate, plan.channels, sink);
    std::vector<float> in(std::size_t(ChunkFrames * inChannels));
    std::vector<float> dcFree(static_cast<std::size_t>(inChannels));
    std::vector<float> out(std::size_t(ChunkFrames * plan.channels));
    if (!addSilence(resampler, plan.silenceBefore, plan.channels))
        return false;
    qint64 position = 0;
    while (const qint64 got = file->read(in.data(), ChunkFrames)) {
        const qint64 from = std::clamp(plan.keepFrom - position, qint64(0), got);
        const qint64 to = std::clamp(plan.keepTo - position, qint64(0), got);
        for (qint64 frame = from; frame < to; ++frame) {
            const float weight = keptWeight(plan, position + frame);
            for (int channel = 0; channel < inChannels; ++channel)
                dcFree[std::size_t(channel)] = weight
                    * float(in[std::size_t(frame * inChannels + channel)]
                            - plan.dc[std::size_t(channel)]);
            mixFrame(dcFree.data(), inChannels, out.data() + (frame - from) * plan.channels,
                     plan.channels);
        }
        position += got;
        if (!resampler.add(out.data(), to - from))
            return false;
    }
    return addSilence(resampler, plan.silenceAfter, plan.channels) && resampler.finish();
}
