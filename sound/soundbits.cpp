#include "soundbits.h"

#include "samplepath.h"
#include "sdlaudiooutput.h"

#include <QCoreApplication>
#include <QDir>

namespace SoundBits {

namespace {

AudioOutput *chosenOutput = nullptr;

AudioOutput &output()
{
    // Built at the first play; it opens nothing until then either.
    static SdlAudioOutput device;
    return chosenOutput ? *chosenOutput : device;
}

QString programFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

} // namespace

void PlaySample(const QString &name, int flags)
{
    if (name.isEmpty())
        return;
    if (const auto path = resolveSamplePath(name, QDir::currentPath(), programFolder()))
        output().play(*path, (flags & PlayAsync) == 0);
}

void setAudioOutput(AudioOutput *output)
{
    chosenOutput = output;
}

} // namespace SoundBits
