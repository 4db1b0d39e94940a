#include "pausemeter.h"

#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double LowestDb = -140.0;
constexpr double BinDb = 0.5;
constexpr double Silent = -std::numeric_limits<double>::infinity();

// Four sums side by side, which the compiler keeps in one vector register:
// one sum would wait for each addition before the next, for every sample of
// an hour. A window is short enough for floats to hold the sum.
double sumOfSquares(const float *samples, qint64 count)
{
    float sums[4] = {};
    qint64 i = 0;
    for (; i + 4 <= count; i += 4) {
        for (int lane = 0; lane < 4; ++lane)
            sums[lane] += samples[i + lane] * samples[i + lane];
    }
    for (; i < count; ++i)
        sums[0] += samples[i] * samples[i];
    return double(sums[0]) + sums[1] + sums[2] + sums[3];
}

} // namespace

PauseMeter::PauseMeter(int channels, int rate)
    : m_channels(channels)
    , m_windowFrames(std::max<qint64>(1, std::llround(rate * PauseWindowMs / 1000)))
{
    m_first.fill(-1);
    m_last.fill(-1);
}

void PauseMeter::add(const float *frames, qint64 count)
{
    const float *end = frames + count * m_channels;
    while (frames < end) {
        const qint64 take
            = std::min<qint64>(m_windowFrames - m_inWindow, (end - frames) / m_channels);
        m_sum += sumOfSquares(frames, take * m_channels);
        frames += take * m_channels;
        m_inWindow += take;
        m_frames += take;
        if (m_inWindow == m_windowFrames)
            closeWindow();
    }
}

void PauseMeter::closeWindow()
{
    const double meanSquare = m_sum / double(m_inWindow * m_channels);
    const double db = 10 * std::log10(meanSquare);
    const int bin = meanSquare > 0
        ? std::clamp(int(std::floor((db - LowestDb) / BinDb)) + 1, 0, Bins - 1)
        : 0;
    if (m_first[bin] < 0)
        m_first[bin] = m_windows;
    m_last[bin] = m_windows;
    if (m_windows == 0)
        m_firstBin = bin;
    // A last window of a few frames says little about the room.
    if (m_windows == 0 || m_inWindow == m_windowFrames)
        m_lastBin = bin;
    ++m_windows;
    m_sum = 0;
    m_inWindow = 0;
}

double PauseMeter::levelOf(int bin) const
{
    return bin > 0 ? LowestDb + (bin - 1) * BinDb : Silent;
}

// The level that, at an end whose own level is room, tells speech from pause.
double PauseMeter::threshold(double speech, int endBin) const
{
    return std::min(std::max(speech - PauseBelowSpeechDb, levelOf(endBin) + PauseAboveRoomDb),
                    speech - PauseNearestSpeechDb);
}

PauseMeter::Ends PauseMeter::ends() const
{
    PauseMeter whole = *this;
    if (whole.m_inWindow > 0)
        whole.closeWindow();
    int loudest = Bins - 1;
    while (loudest > 0 && whole.m_first[loudest] < 0)
        --loudest;
    if (loudest == 0)
        return { m_frames, m_frames, Silent };
    const double speech = levelOf(loudest);
    const double leading = threshold(speech, whole.m_firstBin);
    const double trailing = threshold(speech, whole.m_lastBin);
    qint64 first = whole.m_windows;
    qint64 last = -1;
    for (int bin = loudest; bin > 0; --bin) {
        if (whole.m_first[bin] >= 0 && levelOf(bin) >= leading)
            first = std::min(first, whole.m_first[bin]);
        if (whole.m_last[bin] >= 0 && levelOf(bin) >= trailing)
            last = std::max(last, whole.m_last[bin]);
    }
    return { first * m_windowFrames, std::max<qint64>(0, m_frames - (last + 1) * m_windowFrames),
             speech };
}
