#pragma once

// Width in pixels that stretches the frame across a window of the given
// outer width in twips. Not rounded: the toolkit places whole pixels.
float frameWidthPixels(float outerWidthTwips);
