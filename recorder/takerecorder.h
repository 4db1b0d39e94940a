#pragma once

#include "pausemeter.h"
#include "take.h"

#include <deque>
#include <optional>
#include <vector>

// Turns the open input into takes. Fed all the time, it keeps the last
// 300 ms (the pre-roll, so that a word begun just before the key press is
// whole) and the room's level; a take started then ends at a key press, by
// itself 0.8 s after speech ended, or at 30 s.
class TakeRecorder
{
public:
    static constexpr double PreRollSeconds = 0.3;
    static constexpr double EndAfterSpeechSeconds = 0.8;
    static constexpr double LongestSeconds = 30;

    explicit TakeRecorder(int rate);

    void add(const float *frames, qint64 count);
    void start();
    bool recording() const { return m_recording; }
    // Whether the take in progress has ended by itself, after add.
    bool endedItself() const { return m_endedItself; }
    // Ends the take in progress and judges it; nothing when none was going.
    std::optional<Take> finish();
    void discard();

    // The room's level heard before the take, in dBFS of mean square.
    double roomDb() const;

private:
    void listen(const float *frames, qint64 count);
    void record(const float *frames, qint64 count);
    bool speechHeard(const PauseMeter::Ends &ends) const;

    int m_rate;
    qint64 m_preRollFrames;
    qint64 m_windowFrames;
    std::deque<float> m_preRoll;
    // Levels of the last second's 10 ms windows, for the room.
    std::deque<double> m_windows;
    double m_windowSum = 0;
    qint64 m_inWindow = 0;

    bool m_recording = false;
    bool m_endedItself = false;
    double m_takeRoomDb = 0;
    std::vector<float> m_take;
    std::optional<PauseMeter> m_pauses;
};
