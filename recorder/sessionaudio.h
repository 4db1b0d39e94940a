#pragma once

#include "speechaudio.h"

#include <QMutex>
#include <QString>
#include <QTemporaryFile>

#include <functional>
#include <memory>
#include <vector>

// A long recording read once and made ready to hear: the level of every
// 10 ms, and the whole of it as the recogniser hears it, in a scratch file,
// so that any stretch can be heard again without decoding the recording
// again. An hour needs no more memory than its levels, a third of a
// megabyte.
class SessionAudio
{
public:
    static constexpr int WindowsPerSecond = 100;
    // Samples at the recogniser's rate in one window.
    static constexpr qint64 SpeechPerWindow = SpeechAudio::Rate / WindowsPerSecond;

    // Says how far the reading has come, 0 to 1; false stops it.
    using Progress = std::function<bool(double done)>;

    // Nothing when the recording cannot be read or the scratch file not
    // written, and why.
    static std::unique_ptr<SessionAudio> read(const QString &path, const Progress &progress,
                                              QString *why);

    int rate() const { return m_rate; }
    // The frames read; fewer than the header promised when the file ends early.
    qint64 frames() const { return m_frames; }
    qint64 promisedFrames() const { return m_promised; }
    // Levels of the 10 ms windows in steps of LevelStepDb above LowestDb;
    // 0 for anything quieter, digital silence too.
    const std::vector<quint8> &levels() const { return m_levels; }
    static double dbOf(quint8 level);

    // The recording's first frame in window, and the window a frame lies in.
    qint64 frameAt(qint64 window) const;
    // The windows [from, to) at the recogniser's rate, mono; thread-safe.
    std::vector<qint16> speech(qint64 from, qint64 to) const;

private:
    SessionAudio() = default;
    bool readFrom(const QString &path, const Progress &progress, QString *why);

    int m_rate = 0;
    qint64 m_frames = 0;
    qint64 m_promised = 0;
    std::vector<quint8> m_levels;
    mutable QMutex m_lock; // guards reading m_copy
    mutable QTemporaryFile m_copy;
};
