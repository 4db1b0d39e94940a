#include "takerecorder.h"

#include "clipdetector.h"
#include "thresholds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int RoomWindows = 100;
// The room is the quieter part of what was heard: a word said just before
// the take must not raise it.
constexpr double RoomQuantile = 0.2;
constexpr double DigitalSilenceDb = -150;
// How far a take's loudest 10 ms must stand above the room heard before it
// to count as speech.
constexpr double SpeechAboveRoomDb = 10.0;

double dbOfMeanSquare(double meanSquare)
{
    return meanSquare > 0 ? 10 * std::log10(meanSquare) : DigitalSilenceDb;
}

Take::Verdict verdictOf(const std::vector<float> &frames, bool speech)
{
    if (!speech)
        return Take::Verdict::Silent;
    ClipDetector clips;
    float peak = 0;
    for (const float sample : frames) {
        clips.add(sample);
        peak = std::max(peak, std::fabs(sample));
    }
    return clips.clipped(peak) ? Take::Verdict::Clipped : Take::Verdict::Fine;
}

} // namespace

TakeRecorder::TakeRecorder(int rate)
    : m_rate(rate)
    , m_preRollFrames(std::llround(rate * PreRollSeconds))
    , m_windowFrames(std::max<qint64>(1, std::llround(rate * PauseWindowMs / 1000)))
{ }

void TakeRecorder::add(const float *frames, qint64 count)
{
    if (m_recording)
        record(frames, count);
    else
        listen(frames, count);
}

void TakeRecorder::listen(const float *frames, qint64 count)
{
    for (qint64 i = 0; i < count; ++i) {
        m_preRoll.push_back(frames[i]);
        m_windowSum += double(frames[i]) * frames[i];
        if (++m_inWindow < m_windowFrames)
            continue;
        m_windows.push_back(dbOfMeanSquare(m_windowSum / double(m_inWindow)));
        if (m_windows.size() > RoomWindows)
            m_windows.pop_front();
        m_windowSum = 0;
        m_inWindow = 0;
    }
    while (qint64(m_preRoll.size()) > m_preRollFrames)
        m_preRoll.pop_front();
}

double TakeRecorder::roomDb() const
{
    if (m_windows.empty())
        return DigitalSilenceDb;
    std::vector<double> levels(m_windows.begin(), m_windows.end());
    const auto at = levels.begin() + std::ptrdiff_t(double(levels.size() - 1) * RoomQuantile);
    std::nth_element(levels.begin(), at, levels.end());
    return *at;
}

void TakeRecorder::start()
{
    if (m_recording)
        return;
    m_recording = true;
    m_endedItself = false;
    m_takeRoomDb = roomDb();
    m_take.clear();
    m_take.reserve(std::size_t(m_rate * LongestSeconds) + m_preRoll.size());
    m_pauses.emplace(1, m_rate);
    const std::vector<float> preRoll(m_preRoll.begin(), m_preRoll.end());
    record(preRoll.data(), qint64(preRoll.size()));
}

// Speech is what stands clear of the room heard before the take.
bool TakeRecorder::speechHeard(const PauseMeter::Ends &ends) const
{
    return ends.speechDb >= SilentLevelDb && ends.speechDb >= m_takeRoomDb + SpeechAboveRoomDb;
}

void TakeRecorder::record(const float *frames, qint64 count)
{
    const qint64 longest = std::llround(m_rate * LongestSeconds);
    count = std::min(count, longest - qint64(m_take.size()));
    if (m_endedItself || count <= 0)
        return;
    m_take.insert(m_take.end(), frames, frames + count);
    m_pauses->add(frames, count);
    const PauseMeter::Ends ends = m_pauses->ends();
    const qint64 endAfter = std::llround(m_rate * EndAfterSpeechSeconds);
    if (speechHeard(ends) && ends.trailing >= endAfter) {
        m_take.resize(m_take.size() - std::size_t(ends.trailing - endAfter));
        m_endedItself = true;
    }
    m_endedItself = m_endedItself || qint64(m_take.size()) >= longest;
}

std::optional<Take> TakeRecorder::finish()
{
    if (!m_recording)
        return std::nullopt;
    Take take;
    take.rate = m_rate;
    take.verdict = verdictOf(m_take, speechHeard(m_pauses->ends()));
    take.frames = std::move(m_take);
    discard();
    return take;
}

void TakeRecorder::discard()
{
    m_recording = false;
    m_endedItself = false;
    m_take = {};
    m_pauses.reset();
}
