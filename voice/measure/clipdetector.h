#pragma once

#include "thresholds.h"

#include <cmath>

// Whether one channel's wave was cut flat at its peak.
//
// Nearness to full scale is no sign of clipping: a smooth crest of a sine or
// of peak-normalised speech sits there too, and a clipped file turned down
// afterwards does not. What clipping leaves is a flat top with a corner: a
// run of equal values (within a few steps of the encoding) at the channel's
// peak, entered and left by steps far larger than a smooth crest can make.
// Near its top a smooth crest changes by at most a few times the run's own
// spread per sample; a wave cut off while rising still changes by its slope,
// and so does one let go of. A corner on one side only is a sound that
// starts or stops abruptly, which is not clipping.
class ClipDetector
{
public:
    // step: the encoding's smallest step near full scale.
    explicit ClipDetector(double step = 1.0 / 32768);
    // Called for every sample of an hour-long file, so inline; most samples
    // only start a new run.
    void add(float sample)
    {
        const float step = std::fabs(sample - m_previous);
        m_previous = sample;
        if (std::fabs(sample - m_runFirst) <= m_tolerance && m_runLength > 0) {
            ++m_runLength;
            return;
        }
        if (m_runLength >= FlatTopSamples)
            endRun(step);
        m_runFirst = sample;
        m_runLength = 1;
        m_enteringStep = step;
    }
    // Whether a flat top with a corner reached peak, the channel's peak magnitude.
    bool clipped(double peak) const;

private:
    void endRun(float leavingStep);

    float m_tolerance;
    float m_corner; // the least step into or out of a flat top that makes a corner
    float m_previous = 0;
    float m_runFirst = 0;
    int m_runLength = 0;
    float m_enteringStep = 0;
    double m_topLevel = -1; // the highest flat top with a corner so far
};
