#pragma once

#include "platform.h"

// Stands in for the system: a chosen screen and instance check, and a count
// of beeps instead of sound.
class FakePlatform : public Platform
{
public:
    InstanceCheck instance = InstanceCheck::Alone;
    QRectF screen { 0, 0, 1024 * 15, 768 * 15 };
    int beeps = 0;

    void beep() override { ++beeps; }
    InstanceCheck checkInstance() override { return instance; }
    QRectF primaryScreenTwips() const override { return screen; }
};
