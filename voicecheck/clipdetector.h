#pragma once

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
    void add(float sample);
    // Whether a flat top with a corner reached peak, the channel's peak magnitude.
    bool clipped(double peak) const;

private:
    void endRun(double leavingStep);
    bool cornered(double leavingStep) const;

    double m_tolerance;
    float m_previous = 0;
    float m_runFirst = 0;
    int m_runLength = 0;
    double m_enteringStep = 0;
    double m_topLevel = -1; // the highest flat top with a corner so far
};
