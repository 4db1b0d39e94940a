#include "centring.h"

#include <algorithm>

TwipsPoint centredOnScreen(float screenWidth, float screenHeight, float windowWidth,
                           float windowHeight)
{
    const float left = screenWidth / 2.0f - windowWidth / 2.0f;
    const float top = screenHeight / 2.0f - windowHeight / 2.0f;
    return { std::max(left, 0.0f), std::max(top, 0.0f) };
}
