#pragma once

#include <QRectF>

// What the window needs from the system around it, sound aside. The program
// uses SystemPlatform; tests hand the window a fake to drive a given screen,
// a failing instance check or a silent beep.
class Platform
{
public:
    enum class InstanceCheck { Alone, AnotherRunning, Failed };

    virtual ~Platform() = default;

    virtual void beep() = 0;
    virtual InstanceCheck checkInstance() = 0;
    // Where the primary screen lies on the desktop, in twips; a desktop of
    // several monitors need not put it at 0, 0.
    virtual QRectF primaryScreenTwips() const = 0;
};
