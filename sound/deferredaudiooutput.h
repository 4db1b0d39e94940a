#pragma once

#include "audiooutput.h"
#include "retrypace.h"

#include <memory>

// Plays through the sound engine, loading it at the first play: linked into
// the program, the engine's libraries (SDL and libsndfile, with some thirty
// behind them) cost a fifth of the start-up for a window that may never
// play. Without the module nothing is played; a later play tries again
// (retrypace.h).
class DeferredAudioOutput : public AudioOutput
{
public:
    // modulePath: the engine module without its suffix.
    explicit DeferredAudioOutput(QString modulePath);
    ~DeferredAudioOutput() override;

    void play(const QString &path, bool wait) override;

private:
    void load();

    // The playing thread's, like play itself.
    QString m_modulePath;
    RetryPace m_retry;
    std::unique_ptr<AudioOutput> m_engine;
};
