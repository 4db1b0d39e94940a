#include "centring.h"

#include <algorithm>

TwipsPoint centredOnScreen(const QRectF &screen, float windowWidth, float windowHeight)
{
    const auto left = static_cast<float>(screen.left());
    const auto top = static_cast<float>(screen.top());
    const float centredLeft
        = left + (static_cast<float>(screen.width()) / 2.0f - windowWidth / 2.0f);
    const float centredTop
        = top + (static_cast<float>(screen.height()) / 2.0f - windowHeight / 2.0f);
    return { std::max(centredLeft, left), std::max(centredTop, top) };
}
