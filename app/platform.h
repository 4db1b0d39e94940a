#pragma once

#include <QSizeF>

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
    virtual QSizeF screenSizeTwips() const = 0;
};
