#include "levelmeter.h"

#include <cmath>
#include <limits>

namespace {

// The top of a 16-bit converter, as floats see it.
constexpr float FullScale = 32767.0f / 32768.0f;

double dbOf(double magnitude)
{
    return magnitude > 0 ? 20 * std::log10(magnitude) : -std::numeric_limits<double>::infinity();
}

} // namespace

LevelMeter::LevelMeter(int rate) : m_holdFrames(rate), m_sinceClip(m_holdFrames) { }

void LevelMeter::add(const float *frames, qint64 count)
{
    for (qint64 i = 0; i < count; ++i) {
        const float magnitude = std::fabs(frames[i]);
        m_peak = std::max(m_peak, magnitude);
        m_sum += double(frames[i]) * frames[i];
        m_sinceClip = magnitude >= FullScale ? 0 : m_sinceClip + 1;
    }
    m_count += count;
}

LevelMeter::Level LevelMeter::take()
{
    const Level level { dbOf(m_peak), dbOf(m_count > 0 ? std::sqrt(m_sum / double(m_count)) : 0),
                        m_sinceClip < m_holdFrames };
    m_peak = 0;
    m_sum = 0;
    m_count = 0;
    return level;
}
