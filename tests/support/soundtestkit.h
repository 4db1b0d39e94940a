#pragma once

#include "sdlaudiooutput.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <SDL_audio.h>
#include <memory>
#include <optional>

// The body of a PCM format chunk.
QByteArray pcmFormat(int channels, quint32 rate, int bits);

// A canonical little-endian PCM WAV file whose header claims
// claimedDataBytes of audio, whatever data holds: for breaking.
QByteArray wavFile(int channels, quint32 rate, int bits, const QByteArray &data,
                   quint32 claimedDataBytes);

// Writes a sine tone of amplitude 0.5 through libsndfile; format is a
// libsndfile format (SF_FORMAT_WAV | SF_FORMAT_PCM_16 when 0).
bool writeTone(const QString &path, double hz, double seconds, int rate = 22050, int channels = 1,
               int format = 0);

// A scratch folder that numbered tone files are written into.
class ToneFolder
{
public:
    // A new tone file, as writeTone writes it; empty when it cannot be written.
    QString tone(double hz, double seconds, int rate = 22050, int channels = 1, int format = 0);
    QString filePath(const QString &name) const { return m_folder.filePath(name); }

private:
    QTemporaryDir m_folder;
    int m_tones = 0;
};

// Channel 0 of raw device output in the format spec describes.
QList<float> firstChannel(const QByteArray &raw, const SDL_AudioSpec &spec);

// Channel 0 of what SDL's disk driver wrote to rawPath, in the format spec
// describes; nothing when the file cannot be read.
std::optional<QList<float>> recordedSamples(const QString &rawPath, const SDL_AudioSpec &spec);

// What an engine played on SDL's disk driver: channel 0, and the format the
// device was opened with.
struct Recording
{
    SDL_AudioSpec spec {};
    QList<float> samples;
};

// Ends output and reads back the file the disk driver wrote, rawPath. Ending
// it first matters: closing the device writes out its last periods. Nothing
// when the device never opened or the file cannot be read.
std::optional<Recording> recordedOutput(std::unique_ptr<SdlAudioOutput> output,
                                        const QString &rawPath);

// A stretch of sound in the output, in frames [start, end).
struct Span
{
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype length() const { return end - start; }
};

// The stretches of sound, joining those that only a few near-zero samples
// (a sine's zero crossings) apart.
QList<Span> soundSpans(const QList<float> &samples);

// The tone's frequency from its zero crossings.
double pitchOf(const QList<float> &samples, Span span, int rate);
