#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A sound server of the caller's own, as desktops run them: PulseAudio, or
// PipeWire with its PulseAudio front and WirePlumber, each with a private
// runtime folder, home and socket, and one null sink whose monitor can be
// recorded. This process's environment points SDL and libpulse at it.
class SoundServer
{
public:
    enum class Kind { PulseAudio, PipeWire };

    // The sink's format, which SDL opens the device with: stereo float.
    static constexpr int Rate = 48000;
    static constexpr int Channels = 2;

    ~SoundServer();

    // Empty when the server runs, otherwise why it does not.
    QString start(Kind kind);
    void stop();

    // Makes a FIFO the server's default source, mono 32-bit float at rate,
    // as a microphone would be: what is written into it, in real time, is
    // what an application capturing from the default device hears. The
    // FIFO's path, or empty when the server refused it.
    QString addPipeSource(int rate);

    // Records the sink's monitor from now on; false when recording does not
    // start.
    bool startRecording();
    // Raw frames of Channels floats, growing as the sink plays.
    QString recordingPath() const { return m_folder->filePath("monitor.raw"); }
    // Channel 0 of what was recorded so far, recording going on.
    QList<float> recorded() const;
    // Channel 0 from frame `from` on, once sound came and a fifth of a
    // second of silence followed it; nothing if that takes 20 seconds.
    QList<float> soundFrom(qsizetype from) const;

private:
    QProcess *launch(const QString &program, const QStringList &arguments,
                     const QString &outputFile = QString());
    QString waitForServer();
    bool runPactl(const QStringList &arguments) const;

    std::unique_ptr<QTemporaryDir> m_folder;
    QProcessEnvironment m_environment;
    // Stopped in reverse order: the recorder first, the bus last.
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
