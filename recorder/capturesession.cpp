#include "capturesession.h"

#include "recorderlog.h"

#include <SDL_events.h>
#include <algorithm>

namespace {

// The meter moves once a block: 50 times a second, however late the pull.
constexpr int PullMs = 20;
constexpr int BlocksPerSecond = 50;

} // namespace

CaptureSession::CaptureSession(QObject *parent) : QObject(parent)
{
    m_pull.setInterval(PullMs);
    connect(&m_pull, &QTimer::timeout, this, &CaptureSession::pull);
}

bool CaptureSession::open(const QString &device)
{
    close();
    if (!m_capture.open(device))
        return false;
    m_meter.emplace(m_capture.rate());
    m_takes.emplace(m_capture.rate());
    m_buffer.resize(std::size_t(std::max(1, m_capture.rate() / BlocksPerSecond)));
    m_heard = 0;
    m_overrunsTold = 0;
    m_pull.start();
    return true;
}

void CaptureSession::close()
{
    if (recording())
        endTake();
    m_pull.stop();
    m_capture.close();
    m_meter.reset();
    m_takes.reset();
}

void CaptureSession::start()
{
    if (m_takes)
        m_takes->start();
}

void CaptureSession::stop()
{
    if (recording())
        endTake();
}

void CaptureSession::discard()
{
    if (m_takes)
        m_takes->discard();
}

void CaptureSession::endTake()
{
    if (const auto take = m_takes->finish())
        emit takeEnded(*take);
}

// SDL posts a device's coming and going as events while its audio runs.
void CaptureSession::followDevices()
{
    SDL_Event event;
    bool changed = false;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED)
           > 0)
        changed = changed || event.adevice.iscapture;
    if (changed)
        emit devicesChanged();
}

void CaptureSession::pull()
{
    followDevices();
    const bool lost = m_capture.lost();
    while (const qint64 got = m_capture.read(m_buffer.data(), qint64(m_buffer.size()))) {
        m_heard += got;
        m_meter->add(m_buffer.data(), got);
        m_takes->add(m_buffer.data(), got);
        if (m_takes->endedItself())
            endTake();
        emit levelChanged(m_meter->take());
        if (!isOpen())
            return;
    }
    if (m_capture.overruns() > m_overrunsTold) {
        m_overrunsTold = m_capture.overruns();
        qCInfo(lcRecorder) << "the input fell behind:" << m_overrunsTold << "frames lost so far";
    }
    if (lost) {
        qCInfo(lcRecorder) << "the input went away";
        close();
        emit deviceLost();
    }
}
