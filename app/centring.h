#pragma once

struct TwipsPoint
{
    float left;
    float top;
};

// Top-left corner that centres a window on the screen, all in twips. Halves
// are taken before subtracting so a half twip survives. A window larger
// than the screen keeps its top and left edges on it.
TwipsPoint centredOnScreen(float screenWidth, float screenHeight, float windowWidth,
                           float windowHeight);
