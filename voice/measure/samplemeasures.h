#pragma once

#include <QString>
#include <QtGlobal>

#include <cmath>
#include <limits>

// What one pass over a sample finds. Levels are magnitudes relative to full
// scale (1.0); the pause at each end, which holds no speech, is counted in frames.
struct SampleMeasures
{
    int rate = 0;
    int channels = 0;
    QString encoding; // as encodingOf names it
    qint64 frames = 0;
    qint64 promisedFrames = 0; // more than frames when the file was cut short
    double peak = 0;           // above 1 for a float sample beyond full scale
    double loudnessLufs = 0;   // minus infinity for silence
    qint64 leadingPause = 0;
    qint64 trailingPause = 0;
    bool clipped = false;
    bool silent = false; // no sound at all
    double dcOffset = 0; // the largest channel mean, as a magnitude

    double seconds() const { return double(frames) / rate; }
    double promisedSeconds() const { return double(promisedFrames) / rate; }
    bool truncated() const { return promisedFrames > frames; }
    double leadingPauseMs() const { return leadingPause * 1000.0 / rate; }
    double trailingPauseMs() const { return trailingPause * 1000.0 / rate; }
    // Minus infinity for digital silence.
    double peakDbfs() const
    {
        return peak > 0 ? 20 * std::log10(peak) : -std::numeric_limits<double>::infinity();
    }
};
