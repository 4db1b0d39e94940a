#pragma once

#include <QString>

// The window's one way to sound: it names a sample and says whether to wait.
// The program hands it SoundBits; tests hand it a recorder.
class SamplePlayer
{
public:
    // The only two flags values callers pass.
    enum PlayFlags { PlayToEnd = 0, PlayAsync = 1 };

    virtual ~SamplePlayer() = default;

    // Plays one sample. PlayToEnd returns when the sample has ended, but
    // for the few milliseconds the sound device is ahead, so that the next
    // sample follows on without a gap; PlayAsync returns at once and the
    // sample plays on. Starting a sample cuts off the one still playing.
    virtual void PlaySample(const QString &name, PlayFlags flags) = 0;
};
