#include "clipdetector.h"

#include <algorithm>

ClipDetector::ClipDetector(double step)
    : m_tolerance(float(FlatTopSteps * step))
    , m_corner(float(CornerTolerances * FlatTopSteps * step))
{ }

void ClipDetector::endRun(float leavingStep)
{
    if (m_enteringStep >= m_corner && leavingStep >= m_corner)
        m_topLevel = std::max(m_topLevel, double(std::fabs(m_runFirst)));
}

bool ClipDetector::clipped(double peak) const
{
    // Dither spreads a flat top over the tolerance, and its peak may be the
    // highest of that spread.
    return peak > 0 && m_topLevel >= peak - 2 * double(m_tolerance);
}
