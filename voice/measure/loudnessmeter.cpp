#include "loudnessmeter.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <limits>

namespace {

constexpr qint64 BlockMs = 400;
constexpr double AbsoluteGateLufs = -70.0;
constexpr double Silent = -std::numeric_limits<double>::infinity();

} // namespace

struct LoudnessMeter::State
{
    explicit State(ebur128_state *meter) : meter(meter) { }
    ~State() { ebur128_destroy(&meter); }
    ebur128_state *meter;
};

// The histogram keeps the gated blocks in a fixed table (0.1 LU steps)
// rather than one entry per block, so an hour-long sample costs no more
// memory than a word.
LoudnessMeter::LoudnessMeter(int channels, int rate, bool truePeak)
    : m_channels(channels), m_rate(rate)
{
    const int mode
        = EBUR128_MODE_I | EBUR128_MODE_HISTOGRAM | (truePeak ? EBUR128_MODE_TRUE_PEAK : 0);
    if (auto *meter = ebur128_init(unsigned(channels), unsigned(rate), mode))
        m_state = std::make_unique<State>(meter);
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const float *frames, qint64 count)
{
    if (m_state
        && ebur128_add_frames_float(m_state->meter, frames, size_t(count)) == EBUR128_SUCCESS)
        m_frames += count;
}

double LoudnessMeter::lufs() const
{
    double loudness = Silent;
    if (!m_state || ebur128_loudness_global(m_state->meter, &loudness) != EBUR128_SUCCESS)
        return Silent;
    // No gating block was complete: at most 400 ms (at rates such as 11025 Hz
    // a block is a frame or two longer), measured as one block.
    const qint64 ms = m_frames * 1000 / m_rate;
    if (!std::isfinite(loudness) && ms > 0 && ms <= BlockMs + 1)
        ebur128_loudness_window(m_state->meter, std::min(ms, BlockMs), &loudness);
    return loudness > AbsoluteGateLufs ? loudness : Silent;
}

double LoudnessMeter::truePeak() const
{
    double highest = 0;
    for (int channel = 0; m_state && channel < m_channels; ++channel) {
        double peak = 0;
        if (ebur128_true_peak(m_state->meter, unsigned(channel), &peak) == EBUR128_SUCCESS)
            highest = std::max(highest, peak);
    }
    return highest;
}
