#pragma once

#include "platform.h"

#include <QStringList>

#include <functional>

// Stands in for the system: a chosen screen and instance check, and a
// record of beeps and samples instead of sound.
class FakePlatform : public Platform
{
public:
    InstanceCheck instance = InstanceCheck::Alone;
    QSizeF screen { 1024 * 15, 768 * 15 };
    int beeps = 0;
    // Every call to play a sample, as "name/flags", in order.
    QStringList played;
    // Runs inside each call that waits for its sample (flags 0), standing
    // for the user acting while the sample plays: input it posts waits in
    // the queue until the window next handles its events.
    std::function<void(const QString &name)> whilePlaying;

    void beep() override { ++beeps; }
    InstanceCheck checkInstance() override { return instance; }
    QSizeF screenSizeTwips() const override { return screen; }
    void playSample(const QString &name, int flags) override
    {
        played << QStringLiteral("%1/%2").arg(name).arg(flags);
        if (flags == 0 && whilePlaying)
            whilePlaying(name);
    }
};
