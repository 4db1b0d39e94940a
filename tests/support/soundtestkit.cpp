#include "soundtestkit.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <sndfile.h>

namespace {

template<typename T> void append(QByteArray &bytes, T value)
{
    const T stored = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&stored), sizeof stored);
}

constexpr float SilenceLevel = 1e-3f;
constexpr qsizetype CrossingFrames = 4;

} // namespace

QByteArray pcmFormat(int channels, quint32 rate, int bits)
{
    const int blockAlign = channels * bits / 8;
    QByteArray format;
    append<quint16>(format, 1); // PCM
    append<quint16>(format, quint16(channels));
    append<quint32>(format, rate);
    append<quint32>(format, rate * quint32(blockAlign));
    append<quint16>(format, quint16(blockAlign));
    append<quint16>(format, quint16(bits));
    return format;
}

QByteArray wavFile(int channels, quint32 rate, int bits, const QByteArray &data,
                   quint32 claimedDataBytes)
{
    QByteArray bytes("RIFF");
    append<quint32>(bytes, 36 + claimedDataBytes);
    bytes.append("WAVEfmt ");
    append<quint32>(bytes, 16);
    bytes.append(pcmFormat(channels, rate, bits));
    bytes.append("data");
    append<quint32>(bytes, claimedDataBytes);
    return bytes + data;
}

bool writeTone(const QString &path, double hz, double seconds, int rate, int channels, int format)
{
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format != 0 ? format : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    // Written a second at a time, so an hour-long tone fits in memory.
    const auto frames = qsizetype(seconds * rate);
    QList<float> samples(qsizetype(rate) * channels);
    bool written = true;
    for (qsizetype done = 0; done < frames && written;) {
        const qsizetype count = std::min<qsizetype>(rate, frames - done);
        for (qsizetype frame = 0; frame < count; ++frame) {
            const double time = double(done + frame) / rate;
            const auto value = float(0.5 * std::sin(2 * std::numbers::pi * hz * time));
            std::fill_n(samples.begin() + frame * channels, channels, value);
        }
        written = sf_writef_float(file, samples.data(), count) == count;
        done += count;
    }
    return sf_close(file) == 0 && written;
}

QString ToneFolder::tone(double hz, double seconds, int rate, int channels, int format)
{
    const QString path = m_folder.filePath(QString("tone%1.wav").arg(++m_tones));
    return writeTone(path, hz, seconds, rate, channels, format) ? path : QString();
}

QList<float> firstChannel(const QByteArray &raw, const SDL_AudioSpec &spec)
{
    const int sampleBytes = SDL_AUDIO_BITSIZE(spec.format) / 8;
    const int frameBytes = sampleBytes * spec.channels;
    QList<float> samples;
    for (qsizetype at = 0; at + frameBytes <= raw.size(); at += frameBytes) {
        const char *data = raw.constData() + at;
        if (spec.format == AUDIO_F32SYS) {
            float value;
            std::memcpy(&value, data, sizeof value);
            samples.append(value);
        } else if (spec.format == AUDIO_S16SYS) {
            qint16 value;
            std::memcpy(&value, data, sizeof value);
            samples.append(float(value) / 32768.0f);
        } else if (spec.format == AUDIO_S32SYS) {
            qint32 value;
            std::memcpy(&value, data, sizeof value);
            samples.append(float(double(value) / 2147483648.0));
        } else {
            return {};
        }
    }
    return samples;
}

std::optional<QList<float>> recordedSamples(const QString &rawPath, const SDL_AudioSpec &spec)
{
    QFile raw(rawPath);
    if (!raw.open(QIODevice::ReadOnly))
        return std::nullopt;
    return firstChannel(raw.readAll(), spec);
}

std::optional<Recording> recordedOutput(std::unique_ptr<SdlAudioOutput> output,
                                        const QString &rawPath)
{
    const auto spec = output->deviceSpec();
    if (!spec)
        return std::nullopt;
    output.reset();
    const auto samples = recordedSamples(rawPath, *spec);
    if (!samples)
        return std::nullopt;
    return Recording { *spec, *samples };
}

QList<Span> soundSpans(const QList<float> &samples)
{
    QList<Span> spans;
    for (qsizetype at = 0; at < samples.size(); ++at) {
        if (std::fabs(samples[at]) < SilenceLevel)
            continue;
        if (!spans.isEmpty() && at - spans.last().end <= CrossingFrames)
            spans.last().end = at + 1;
        else
            spans.append({ at, at + 1 });
    }
    return spans;
}

double pitchOf(const QList<float> &samples, Span span, int rate)
{
    int crossings = 0;
    for (qsizetype at = span.start + 1; at < span.end; ++at) {
        if ((samples[at - 1] < 0) != (samples[at] < 0))
            ++crossings;
    }
    return crossings / 2.0 / (double(span.length()) / rate);
}
