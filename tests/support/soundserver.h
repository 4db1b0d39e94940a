#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class PipeReader;

// A sound server of the caller's own, as desktops run them: PulseAudio, or
// PipeWire with its PulseAudio front and WirePlumber, each with a private
// runtime folder, home and socket, and one sink that writes what it plays
// into a FIFO, paced by the clock as a sound card is. What it plays is read
// from there, not from a sink's monitor: a monitor misses what a sink
// rewinds to mix in a new stream, up to 25 ms of its start. This process's
// environment points SDL and libpulse at it.
class SoundServer
{
public:
    enum class Kind { PulseAudio, PipeWire };

    // The sink's format, which SDL opens the device with: stereo float.
    static constexpr int Rate = 48000;
    static constexpr int Channels = 2;

    SoundServer();
    ~SoundServer();

    // The program kind needs that is not installed; empty when all are,
    // and then start must succeed.
    static QString missingProgram(Kind kind);
    // Empty when the server runs, otherwise why it does not.
    QString start(Kind kind);
    void stop();

    // Makes a FIFO the server's default source, mono 32-bit float at rate,
    // as a microphone would be: what is written into it, in real time, is
    // what an application capturing from the default device hears. The
    // FIFO's path, or empty when the server refused it.
    QString addPipeSource(int rate);

    // Records what the sink plays from now on; false when recording does
    // not start.
    bool startRecording();
    // Raw frames of Channels floats, growing as the sink plays.
    QString recordingPath() const { return m_folder->filePath("sink.raw"); }
    // The server's own account of the streams that play, as pactl lists
    // them.
    QString streams() const;
    // Channel 0 of what was recorded so far, recording going on.
    QList<float> recorded() const;
    // Channel 0 from frame `from` on, once sound came and then a fifth of
    // a second of silence, or a second of nothing (PipeWire's sink stops
    // when nothing plays); nothing if that takes 20 seconds.
    QList<float> soundFrom(qsizetype from) const;

private:
    QProcess *launch(const QString &program, const QStringList &arguments);
    QString waitForServer();
    QString makeSink(Kind kind);
    // The end of what program wrote to its standard error.
    QString logEnd(const QString &program) const;
    bool runPactl(const QStringList &arguments, QByteArray *output = nullptr) const;

    std::unique_ptr<QTemporaryDir> m_folder;
    QProcessEnvironment m_environment;
    std::unique_ptr<PipeReader> m_recording;
    // Stopped in reverse order: the bus last.
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
