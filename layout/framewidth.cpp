#include "framewidth.h"

#include "twips.h"

namespace {

// Taken off the outer width for the window's side borders, a fixed
// allowance whatever the window manager really draws.
constexpr float SideBordersPixels = 6.0f;

} // namespace

float frameWidthPixels(float outerWidthTwips)
{
    return outerWidthTwips / TwipsPerPixel - SideBordersPixels;
}
