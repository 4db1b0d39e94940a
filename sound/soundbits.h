#pragma once

#include <QString>

class AudioOutput;

namespace SoundBits {

// The flags callers pass to PlaySample.
enum : int { PlayToEnd = 0, PlayAsync = 1 };

// Plays one sample. flags 0 returns when the sample has ended; flags 1
// returns at once and the sample plays on. Starting a sample cuts off the
// one still playing.
void PlaySample(const QString &name, int flags);

// Sends PlaySample's files to output (owned by the caller) instead of the
// sound device; null goes back to the sound device.
void setAudioOutput(AudioOutput *output);

} // namespace SoundBits
