#include "deferredaudiooutput.h"

#include "soundlog.h"

#include <QLibrary>

namespace {

// A module that failed to load is tried again no sooner, so that a run of
// list clicks does not search the disk at each one.
constexpr qint64 RetryAfterMs = 1000;

} // namespace

DeferredAudioOutput::DeferredAudioOutput(QString modulePath) : modulePath(std::move(modulePath)) { }

DeferredAudioOutput::~DeferredAudioOutput() = default;

void DeferredAudioOutput::play(const QString &path, bool wait)
{
    if (!engine && (!sinceLoad.isValid() || sinceLoad.hasExpired(RetryAfterMs)))
        load();
    if (engine)
        engine->play(path, wait);
}

void DeferredAudioOutput::load()
{
    sinceLoad.start();
    // The module stays loaded: the engine's threads run its code.
    QLibrary module(modulePath);
    using Create = AudioOutput *(*)();
    const auto create = reinterpret_cast<Create>(module.resolve("vpCreateAudioOutput"));
    if (!create) {
        qCDebug(lcSound) << "no sound: the sound module cannot be loaded:" << module.errorString();
        return;
    }
    qCDebug(lcSound) << "sound module loaded:" << module.fileName();
    engine.reset(create());
}
