#pragma once

#include <cstdint>

struct ResizeDecision
{
    bool layOut;
    bool wasMinimized;
};

// Decides what one resize event does. Minimising and the restore that
// follows it never lay out, and neither does a window at its start-up
// height: start-up lays out by itself.
ResizeDecision decideResize(bool minimized, bool wasMinimized, float outerHeightTwips,
                            std::int16_t startHeight);
