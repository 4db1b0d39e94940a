#include "deferredaudiooutput.h"

#include "soundlog.h"

#include <QLibrary>

namespace {

// A module that failed to load is tried again no sooner, so that a run of
// list clicks does not search the disk at each one.
constexpr qint64 RetryAfterMs = 1000;

} // namespace

DeferredAudioOutput::DeferredAudioOutput(QString modulePath) : m_modulePath(std::move(modulePath))
{ }

DeferredAudioOutput::~DeferredAudioOutput() = default;

void DeferredAudioOutput::play(const QString &path, bool wait)
{
    if (!m_engine && (!m_sinceLoad.isValid() || m_sinceLoad.hasExpired(RetryAfterMs)))
        load();
    if (m_engine)
        m_engine->play(path, wait);
}

void DeferredAudioOutput::load()
{
    m_sinceLoad.start();
    // The module stays loaded: the engine's threads run its code.
    QLibrary module(m_modulePath);
    using Create = AudioOutput *(*)();
    const auto create = reinterpret_cast<Create>(module.resolve("vpCreateAudioOutput"));
    if (!create) {
        qCDebug(lcSound) << "no sound: the sound module cannot be loaded:" << module.errorString();
        return;
    }
    qCDebug(lcSound) << "sound module loaded:" << module.fileName();
    m_engine.reset(create());
}
