#include "framewidth.h"

#include "twips.h"

float frameWidthPixels(float outerWidthTwips)
{
    return outerWidthTwips / TwipsPerPixel - 6.0f;
}
