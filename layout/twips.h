#pragma once

// The window's outer measures are kept in twips. The window is laid out at
// 15 twips to the (logical) pixel, and keeps that fixed factor whatever the
// real display says.
inline constexpr float TwipsPerPixel = 15.0f;
