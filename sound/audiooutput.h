#pragma once

#include <QString>

// Where PlaySample sends the file it found; the SDL engine in the program,
// a recorder in tests.
class AudioOutput
{
public:
    virtual ~AudioOutput() = default;

    // Starts the WAV file at path, cutting off the sample still playing.
    // With wait, returns once the sample has been played to its end.
    virtual void play(const QString &path, bool wait) = 0;
};
