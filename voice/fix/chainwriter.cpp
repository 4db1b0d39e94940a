#include "chainwriter.h"

#include "encodings.h"
#include "samplewriter.h"

#include <cmath>
#include <random>
#include <sndfile.h>
#include <vector>

namespace {

// Triangular dither of one step of the target's resolution, where that is
// coarser than the source's, and rounding to its steps: libsndfile floors
// what it clips, which would put a quiet stretch a step below zero, a DC
// offset as loud as an 8-bit sample's soft sounds. Digital silence stays
// silent.
class Quantiser
{
public:
    Quantiser(int sourceBits, int targetBits)
        : m_step(targetBits > 0 ? float(std::ldexp(1.0, 1 - targetBits)) : 0.0f)
        , m_steps(targetBits > 0 ? float(std::ldexp(1.0, targetBits - 1)) : 0.0f)
        , m_dither(sourceBits == 0 || targetBits < sourceBits)
    { }

    float operator()(float sample)
    {
        if (m_step == 0 || sample == 0)
            return sample;
        if (m_dither)
            sample += m_step * (m_uniform(m_random) + m_uniform(m_random) - 1.0f);
        return std::nearbyint(sample * m_steps) * m_step;
    }

private:
    float m_step;  // none for float
    float m_steps; // per unit: a power of two, so exact
    bool m_dither;
    std::minstd_rand m_random; // a fixed seed: the same voice fixes to the same bytes
    std::uniform_real_distribution<float> m_uniform { 0.0f, 1.0f };
};

} // namespace

bool writeReshaped(const QString &from, int sourceEncoding, const ChainPlan &plan, int encoding,
                   double gainDb, const QString &to, QString *error, const QByteArray &comment)
{
    SampleWriter writer(to, SF_FORMAT_WAV | encoding, plan.channels, plan.rate, comment);
    const auto gain = float(std::pow(10.0, gainDb / 20));
    Quantiser quantise(encodingBits(sourceEncoding), encodingBits(encoding));
    std::vector<float> out;
    const bool ran = runChain(from, plan, [&](const float *frames, qint64 count) {
        out.resize(std::size_t(count * plan.channels));
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = quantise(frames[i] * gain);
        return writer.write(out.data(), count);
    });
    if (ran && writer.commit())
        return true;
    *error = writer.error().isEmpty() ? QStringLiteral("the sample no longer decodes")
                                      : writer.error();
    return false;
}
