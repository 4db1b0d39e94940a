#pragma once

#include "levelmeter.h"
#include "sdlcapture.h"
#include "take.h"
#include "takerecorder.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <vector>

// The open input on the GUI thread: every few milliseconds it takes what the
// capture ring holds to the meter and the take recorder, and says when a
// take ended, by a key press, by itself or with a device that went away.
class CaptureSession : public QObject
{
    Q_OBJECT

public:
    explicit CaptureSession(QObject *parent = nullptr);

    // Opens device, the default one when empty; false and error() when none.
    bool open(const QString &device = {});
    void close();
    bool isOpen() const { return m_capture.isOpen(); }
    QString error() const { return m_capture.error(); }
    int rate() const { return m_capture.rate(); }
    // Frames heard since the input opened.
    qint64 framesHeard() const { return m_heard; }

    void start();
    bool recording() const { return m_takes && m_takes->recording(); }
    // Ends the take in progress: takeEnded follows at once.
    void stop();
    void discard();

signals:
    void levelChanged(LevelMeter::Level level);
    void takeEnded(const Take &take);
    // The device went away; what a take held until then has ended it.
    void deviceLost();
    // SDL saw a capture device come or go.
    void devicesChanged();

private:
    void pull();
    void endTake();
    void followDevices();

    SdlCapture m_capture;
    QTimer m_pull;
    std::optional<LevelMeter> m_meter;
    std::optional<TakeRecorder> m_takes;
    std::vector<float> m_buffer;
    qint64 m_heard = 0;
    unsigned long long m_overrunsTold = 0;
};
