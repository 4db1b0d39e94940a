#include "loudnessmeter.h"

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
LoudnessMeter::LoudnessMeter(int channels, int rate) : m_rate(rate)
{
    if (auto *meter
        = ebur128_init(unsigned(channels), unsigned(rate), EBUR128_MODE_I | EBUR128_MODE_HISTOGRAM))
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
    if (!m_state)
        return Silent;
    double loudness = Silent;
    const qint64 ms = m_frames * 1000 / m_rate;
    if (ms >= BlockMs) {
        if (ebur128_loudness_global(m_state->meter, &loudness) != EBUR128_SUCCESS)
            return Silent;
    } else if (ms == 0
               || ebur128_loudness_window(m_state->meter, ms, &loudness) != EBUR128_SUCCESS) {
        return Silent;
    }
    return loudness > AbsoluteGateLufs ? loudness : Silent;
}
