#include "clipdetector.h"

#include "thresholds.h"

#include <algorithm>
#include <cmath>

ClipDetector::ClipDetector(double step) : m_tolerance(FlatTopSteps * step) { }

void ClipDetector::add(float sample)
{
    if (m_runLength > 0 && std::fabs(sample - m_runFirst) <= m_tolerance) {
        ++m_runLength;
    } else {
        const double step = std::fabs(double(sample) - m_previous);
        endRun(step);
        m_runFirst = sample;
        m_runLength = 1;
        m_enteringStep = step;
    }
    m_previous = sample;
}

bool ClipDetector::cornered(double leavingStep) const
{
    const double corner = CornerTolerances * m_tolerance;
    return m_runLength >= FlatTopSamples && m_enteringStep >= corner && leavingStep >= corner;
}

void ClipDetector::endRun(double leavingStep)
{
    if (cornered(leavingStep))
        m_topLevel = std::max(m_topLevel, double(std::fabs(m_runFirst)));
}

bool ClipDetector::clipped(double peak) const
{
    // Dither spreads a flat top over the tolerance, and its peak may be the
    // highest of that spread.
    return peak > 0 && m_topLevel >= peak - 2 * m_tolerance;
}
