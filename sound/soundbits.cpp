#include "soundbits.h"

#include "audiooutput.h"
#include "samplepath.h"

#include <QDir>

SoundBits::SoundBits(AudioOutput &output, QString programFolder)
    : output(output), programFolder(std::move(programFolder))
{ }

void SoundBits::PlaySample(const QString &name, PlayFlags flags)
{
    if (name.isEmpty())
        return;
    if (const auto path = resolveSamplePath(name, QDir::currentPath(), programFolder))
        output.play(*path, flags != PlayAsync);
}
