#include "soundbits.h"

#include "audiooutput.h"
#include "samplepath.h"

#include <QDir>

SoundBits::SoundBits(AudioOutput &output, QString programFolder)
    : m_output(output), m_programFolder(std::move(programFolder))
{ }

void SoundBits::PlaySample(const QString &name, PlayFlags flags)
{
    if (name.isEmpty())
        return;
    if (const auto path = resolveSamplePath(name, QDir::currentPath(), m_programFolder))
        m_output.play(*path, flags != PlayAsync);
}
