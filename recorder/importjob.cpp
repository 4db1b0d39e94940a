#include "importjob.h"

#include <cmath>

ImportJob::~ImportJob()
{
    m_stop = true;
}

void ImportJob::start(const QString &recording, const QString &folder)
{
    if (m_running)
        return;
    m_running = true;
    m_stop = false;
    m_thread = std::jthread([this, recording, folder] {
        int shown = -1;
        const SessionImport import = importSession(recording, folder, [&](double done) {
            const auto percent = int(std::lround(done * 100));
            if (percent != std::exchange(shown, percent))
                QMetaObject::invokeMethod(this, [this, percent] { emit progressed(percent); });
            return !m_stop;
        });
        QMetaObject::invokeMethod(this, [this, import] {
            m_running = false;
            emit finished(import);
        });
    });
}
