#include "deferredaudiooutput.h"

#include <QLibrary>

DeferredAudioOutput::DeferredAudioOutput(QString modulePath) : modulePath(std::move(modulePath)) { }

DeferredAudioOutput::~DeferredAudioOutput() = default;

void DeferredAudioOutput::play(const QString &path, bool wait)
{
    if (!loaded) {
        loaded = true;
        // The module stays loaded: the engine's threads run its code.
        using Create = AudioOutput *(*)();
        if (const auto create
            = reinterpret_cast<Create>(QLibrary(modulePath).resolve("vpCreateAudioOutput")))
            engine.reset(create());
    }
    if (engine)
        engine->play(path, wait);
}
