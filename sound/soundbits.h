#pragma once

#include <QString>

namespace SoundBits {

// Plays one sample. flags 0 returns when the sample has ended; flags 1
// returns at once and the sample plays on. Starting a sample cuts off the
// one still playing.
void PlaySample(const QString &name, int flags);

} // namespace SoundBits
