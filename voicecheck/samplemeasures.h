#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>

// What one pass over a sample finds. Levels are magnitudes relative to full
// scale (1.0); silence is counted in frames below the silence level at each end.
struct SampleMeasures
{
    int rate = 0;
    int channels = 0;
    qint64 frames = 0;
    double peak = 0;
    double loudnessLufs = 0; // minus infinity for silence
    qint64 leadingSilence = 0;
    qint64 trailingSilence = 0;
    bool clipped = false;
    double dcOffset = 0; // the largest channel mean, as a magnitude

    double seconds() const { return double(frames) / rate; }
    double leadingSilenceMs() const { return leadingSilence * 1000.0 / rate; }
    double trailingSilenceMs() const { return trailingSilence * 1000.0 / rate; }
    // Minus infinity for digital silence.
    double peakDbfs() const
    {
        return peak > 0 ? 20 * std::log10(peak) : -std::numeric_limits<double>::infinity();
    }
};
