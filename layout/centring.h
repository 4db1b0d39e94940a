#pragma once

#include <QRectF>

struct TwipsPoint
{
    float left;
    float top;
};

// Top-left corner that centres a window on the screen, all in twips and in
// single precision. Halves are taken before subtracting so a half twip
// survives. A window larger than the screen keeps its top and left edges on
// it. The screen need not start at 0, 0: another monitor may lie left of or
// above the primary one.
TwipsPoint centredOnScreen(const QRectF &screen, float windowWidth, float windowHeight);
