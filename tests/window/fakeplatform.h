#pragma once

#include "platform.h"

#include <QStringList>

// Stands in for the system: a chosen screen and instance check, and a
// record of beeps and samples instead of sound.
class FakePlatform : public Platform
{
public:
    InstanceCheck instance = InstanceCheck::Alone;
    QSizeF screen { 1024 * 15, 768 * 15 };
    int beeps = 0;
    QStringList played;

    void beep() override { ++beeps; }
    InstanceCheck checkInstance() override { return instance; }
    QSizeF screenSizeTwips() const override { return screen; }
    void playSample(const QString &name, int flags) override
    {
        played << QStringLiteral("%1/%2").arg(name).arg(flags);
    }
};
