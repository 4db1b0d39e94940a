#pragma once

// The window's outer measures are kept in twips. The design resolution has
// 15 twips to the (logical) pixel, and the layout keeps that fixed factor
// whatever the real display says.
inline constexpr float TwipsPerPixel = 15.0f;
