#include "pausemeter.h"

#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double LowestDb = -140.0;
constexpr double BinDb = PauseLevelStepDb;
constexpr double NoSoundDb = -std::numeric_limits<double>::infinity();

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

PauseMeter::PauseMeter(int channels, int rate, double step)
    : m_channels(channels)
    , m_windowFrames(std::max<qint64>(1, std::llround(rate * PauseWindowMs / 1000)))
    , m_floorDb(step > 0 ? 20 * std::log10(step) : NoSoundDb)
{
    m_first.fill(-1);
    m_last.fill(-1);
    m_recent.fill(NoSoundDb);
    m_recentBins.fill(-1);
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
    const double db = meanSquare > 0 ? 10 * std::log10(meanSquare) : NoSoundDb;
    const int bin = binOf(db);
    m_loudestDb = std::max(m_loudestDb, db);
    // This window follows the last window so far of each level among the recent ones.
    for (int distance = 0; distance < Soft && m_recentBins[distance] >= 0; ++distance) {
        const int recent = m_recentBins[distance];
        if (m_last[recent] == m_windows - 1 - distance)
            m_after[recent][distance] = float(db);
    }
    if (m_first[bin] < 0) {
        m_first[bin] = m_windows;
        m_before[bin] = m_recent;
    }
    m_last[bin] = m_windows;
    m_after[bin].fill(NoSoundDb);
    std::copy_backward(m_recent.begin(), m_recent.end() - 1, m_recent.end());
    std::copy_backward(m_recentBins.begin(), m_recentBins.end() - 1, m_recentBins.end());
    m_recent[0] = float(db);
    m_recentBins[0] = qint16(bin);
    ++m_windows;
    m_sum = 0;
    m_inWindow = 0;
}

int PauseMeter::binOf(double db)
{
    return db > LowestDb ? std::min(int(std::floor((db - LowestDb) / BinDb)) + 1, Bins - 1) : 0;
}

int PauseMeter::softWindows(const Neighbours &neighbours, double softDb)
{
    return int(
        std::find_if(neighbours.begin(), neighbours.end(), [&](float db) { return db < softDb; })
        - neighbours.begin());
}

PauseMeter::Ends PauseMeter::ends() const
{
    PauseMeter whole = *this;
    if (whole.m_inWindow > 0)
        whole.closeWindow();
    const double speech = whole.m_loudestDb;
    const int loudest = binOf(speech);
    if (loudest == 0)
        return { m_frames, m_frames, NoSoundDb };
    // The lines follow the loudest window itself, not its bin, so that a
    // gain moves no window across them; none lies below the coding's noise.
    const auto line = [&](double db) { return std::max(speech - db, std::min(m_floorDb, speech)); };
    int firstBin = loudest;
    int lastBin = loudest;
    for (int bin = std::max(1, binOf(line(PauseBelowSpeechDb))); bin <= loudest; ++bin) {
        if (whole.m_first[bin] < 0)
            continue;
        if (whole.m_first[bin] < whole.m_first[firstBin])
            firstBin = bin;
        if (whole.m_last[bin] > whole.m_last[lastBin])
            lastBin = bin;
    }
    const double soft = line(PauseSoftBelowSpeechDb);
    const qint64 first = whole.m_first[firstBin] - softWindows(whole.m_before[firstBin], soft);
    const qint64 last = whole.m_last[lastBin] + softWindows(whole.m_after[lastBin], soft);
    return { first * m_windowFrames, std::max<qint64>(0, m_frames - (last + 1) * m_windowFrames),
             speech };
}
