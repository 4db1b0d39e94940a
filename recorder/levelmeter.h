#pragma once

#include <QtGlobal>

// The input's level for the meter: peak and RMS of what came since the last
// look, in dBFS, and a clip light that stays on for a second after a sample
// reached full scale, so that a single clipped syllable is seen.
class LevelMeter
{
public:
    explicit LevelMeter(int rate);
    void add(const float *frames, qint64 count);

    struct Level
    {
        double peakDb;
        double rmsDb;
        bool clip;
    };
    // The level since the last call; minus infinity for digital silence.
    Level take();

private:
    qint64 m_holdFrames;
    qint64 m_sinceClip;
    float m_peak = 0;
    double m_sum = 0;
    qint64 m_count = 0;
};
