#pragma once

#include "audiooutput.h"

#include <QList>
#include <QStringList>

// Stands in for the sound engine: records each file it is asked to play and
// whether the caller waits for it.
class RecordingOutput : public AudioOutput
{
public:
    QStringList paths;
    QList<bool> waits;

    void play(const QString &path, bool wait) override
    {
        paths << path;
        waits << wait;
    }
};
