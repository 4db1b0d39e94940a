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

// Writes noise from seed, each channel its own: random levels within 0.5 of
// silence a millisecond apart, joined smoothly, faded in and out over the
// first and last millisecond. Sound that never repeats, so no stale, lost,
// doubled or reordered stretch of it passes for the right one; smooth, so
// that resampling it a fraction of a frame early or late changes each sample
// by little, also at its ends.
bool writeNoise(const QString &path, quint32 seed, double seconds, int rate = 22050,
                int channels = 1, int format = 0);

// A scratch folder that numbered tone and noise files are written into.
class ToneFolder
{
public:
    // A new tone file, as writeTone writes it; empty when it cannot be written.
    QString tone(double hz, double seconds, int rate = 22050, int channels = 1, int format = 0);
    // A new noise file, as writeNoise writes it, named after its seed.
    QString noise(quint32 seed, double seconds, int rate = 22050, int channels = 1, int format = 0);
    QString filePath(const QString &name) const { return m_folder.filePath(name); }

private:
    QTemporaryDir m_folder;
    int m_tones = 0;
};

// Raw device output in the format spec describes: every channel, interleaved.
QList<float> deviceSamples(const QByteArray &raw, const SDL_AudioSpec &spec);

// Channel 0 of raw device output in the format spec describes.
QList<float> firstChannel(const QByteArray &raw, const SDL_AudioSpec &spec);

// Channel 0 of what SDL's disk driver wrote to rawPath, in the format spec
// describes; nothing when the file cannot be read.
std::optional<QList<float>> recordedSamples(const QString &rawPath, const SDL_AudioSpec &spec);

// What an engine played on SDL's disk driver: channel 0, every channel, and
// the format the device was opened with.
struct Recording
{
    SDL_AudioSpec spec {};
    QList<float> samples;
    QList<float> interleaved;
};

// Ends output and reads back the file the disk driver wrote, rawPath. Ending
// it first matters: closing the device writes out its last periods. Nothing
// when the device never opened or the file cannot be read.
std::optional<Recording> recordedOutput(std::unique_ptr<SdlAudioOutput> output,
                                        const QString &rawPath);

// How far a resampled sample may stray from the comparison's: the engine
// resamples a piece at a time, the comparison in one go, and SDL places the
// two up to a frame apart. That moves writeNoise's noise by less than this;
// stale, lost or repeated sound moves it by far more.
inline constexpr float ResamplingTolerance = 0.05f;

// Empty when the recording holds the sample files at paths, played one after
// another, sample for sample within tolerance of each file decoded and
// converted to the device's format by SDL, with only silence before and
// after; else where and how it departs.
QString departureFrom(const Recording &recording, const QStringList &paths,
                      float tolerance = ResamplingTolerance);

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
