#pragma once

#include "sessionimport.h"

#include <QObject>

#include <atomic>
#include <thread>

// An import run on a thread of its own, so that the window stays alive and
// shows how far it has come. Destroying it stops the import between two
// steps and waits for it.
class ImportJob : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~ImportJob() override;

    bool running() const { return m_running; }
    // Imports recording into folder; nothing when an import runs already.
    void start(const QString &recording, const QString &folder);

signals:
    void progressed(int percent);
    void finished(const SessionImport &import);

private:
    std::atomic<bool> m_stop = false;
    bool m_running = false; // GUI thread only
    std::jthread m_thread;
};
