#pragma once

#include "sampleplayer.h"

class AudioOutput;

// The program's sample player: finds the WAV file a sample name stands for,
// in the current directory or else in the wavs folder of programFolder, and
// hands it to output. A name found nowhere plays nothing.
class SoundBits : public SamplePlayer
{
public:
    // output must outlive this player.
    SoundBits(AudioOutput &output, QString programFolder);

    void PlaySample(const QString &name, PlayFlags flags) override;

private:
    AudioOutput &m_output;
    const QString m_programFolder;
};
