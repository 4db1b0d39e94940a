#include "resizerule.h"

ResizeDecision decideResize(bool minimized, bool wasMinimized, float outerHeightTwips,
                            std::int16_t startHeight)
{
    if (minimized)
        return { false, true };
    if (wasMinimized)
        return { false, false };
    return { outerHeightTwips != static_cast<float>(startHeight), false };
}
