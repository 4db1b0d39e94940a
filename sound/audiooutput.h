#pragma once

#include <QString>

// Where PlaySample sends the file it found; the SDL engine in the program,
// a recorder in tests.
class AudioOutput
{
public:
    virtual ~AudioOutput() = default;

    // Starts the WAV file at path, cutting off the sample still playing,
    // unless that one is in its last few milliseconds: then it follows on
    // from that sample's last frame. With wait, returns once no more than
    // those last milliseconds of it are still to be heard, so that the next
    // sample can follow on without a gap.
    virtual void play(const QString &path, bool wait) = 0;
};
