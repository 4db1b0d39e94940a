#include "deferredaudiooutput.h"

#include "soundlog.h"

#include <QLibrary>

DeferredAudioOutput::DeferredAudioOutput(QString modulePath) : m_modulePath(std::move(modulePath))
{ }

DeferredAudioOutput::~DeferredAudioOutput() = default;

void DeferredAudioOutput::play(const QString &path, bool wait)
{
    if (!m_engine && m_retry.mayTry())
        load();
    if (m_engine)
        m_engine->play(path, wait);
}

void DeferredAudioOutput::load()
{
    // The module stays loaded: the engine's threads run its code.
    QLibrary module(m_modulePath);
    using Create = AudioOutput *(*)();
    const auto create = reinterpret_cast<Create>(module.resolve("vpCreateAudioOutput"));
    if (!create) {
        qCDebug(lcSound) << "no sound: the sound module cannot be loaded:" << module.errorString();
        m_retry.failed();
        return;
    }
    qCDebug(lcSound) << "sound module loaded:" << module.fileName();
    m_engine.reset(create());
}
