#pragma once

#include "sampleplayer.h"

#include <QStringList>

#include <functional>

// Stands in for the sound: a record of the samples the window asked for.
class FakeSamplePlayer : public SamplePlayer
{
public:
    // Every call to play a sample, as "name/flags", in order.
    QStringList played;
    // Runs inside each call that waits for its sample (flags 0), standing
    // for the user acting while the sample plays: input it posts waits in
    // the queue until the window next handles its events.
    std::function<void(const QString &name)> whilePlaying;

    void PlaySample(const QString &name, PlayFlags flags) override
    {
        played << QStringLiteral("%1/%2").arg(name).arg(int(flags));
        if (flags == PlayToEnd && whilePlaying)
            whilePlaying(name);
    }
};
