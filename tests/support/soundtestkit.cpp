#include "soundtestkit.h"

#include "samplefile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <sndfile.h>
#include <utility>
#include <vector>

namespace {

template<typename T> void append(QByteArray &bytes, T value)
{
    const T stored = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&stored), sizeof stored);
}

constexpr float SilenceLevel = 1e-3f;
constexpr int NoisePointsPerSecond = 1000;
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

namespace {

// Writes frames of sound a second at a time, so an hour fits in memory;
// value gives each sample of each frame.
bool writeSound(const QString &path, qsizetype frames, int rate, int channels, int format,
                const std::function<float(qsizetype frame, int channel)> &value)
{
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format != 0 ? format : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    QList<float> samples(qsizetype(rate) * channels);
    bool written = true;
    for (qsizetype done = 0; done < frames && written;) {
        const qsizetype count = std::min<qsizetype>(rate, frames - done);
        for (qsizetype frame = 0; frame < count; ++frame) {
            for (int channel = 0; channel < channels; ++channel)
                samples[frame * channels + channel] = value(done + frame, channel);
        }
        written = sf_writef_float(file, samples.data(), count) == count;
        done += count;
    }
    return sf_close(file) == 0 && written;
}

} // namespace

bool writeTone(const QString &path, double hz, double seconds, int rate, int channels, int format)
{
    return writeSound(path, qsizetype(seconds * rate), rate, channels, format,
                      [&](qsizetype frame, int) {
                          const double time = double(frame) / rate;
                          return float(0.5 * std::sin(2 * std::numbers::pi * hz * time));
                      });
}

bool writeNoise(const QString &path, quint32 seed, double seconds, int rate, int channels,
                int format)
{
    QRandomGenerator random(seed);
    const auto next = [&] { return float(random.bounded(1.0) - 0.5); };
    const int segment = std::max(1, rate / NoisePointsPerSecond);
    const auto frames = qsizetype(seconds * rate);
    QList<float> from(channels);
    QList<float> to(channels);
    std::generate(to.begin(), to.end(), next);
    return writeSound(path, frames, rate, channels, format, [&](qsizetype frame, int channel) {
        const auto at = int(frame % segment);
        if (at == 0)
            from[channel] = std::exchange(to[channel], next());
        const double rise = (1 - std::cos(std::numbers::pi * at / segment)) / 2;
        const double fade = std::min(1.0, double(std::min(frame, frames - 1 - frame)) / segment);
        return float((from[channel] + (to[channel] - from[channel]) * rise) * fade);
    });
}

QString ToneFolder::tone(double hz, double seconds, int rate, int channels, int format)
{
    const QString path = m_folder.filePath(QString("tone%1.wav").arg(++m_tones));
    return writeTone(path, hz, seconds, rate, channels, format) ? path : QString();
}

QString ToneFolder::noise(quint32 seed, double seconds, int rate, int channels, int format)
{
    const QString path = m_folder.filePath(QString("noise%1.wav").arg(seed));
    return writeNoise(path, seed, seconds, rate, channels, format) ? path : QString();
}

QList<float> deviceSamples(const QByteArray &raw, const SDL_AudioSpec &spec)
{
    const int sampleBytes = SDL_AUDIO_BITSIZE(spec.format) / 8;
    QList<float> samples;
    samples.reserve(raw.size() / sampleBytes);
    for (qsizetype at = 0; at + sampleBytes <= raw.size(); at += sampleBytes) {
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

QList<float> firstChannel(const QByteArray &raw, const SDL_AudioSpec &spec)
{
    const QList<float> all = deviceSamples(raw, spec);
    QList<float> first;
    for (qsizetype at = 0; at + spec.channels <= all.size(); at += spec.channels)
        first.append(all[at]);
    return first;
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
    QFile raw(rawPath);
    if (!raw.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = raw.readAll();
    return Recording { *spec, firstChannel(bytes, *spec), deviceSamples(bytes, *spec) };
}

namespace {

// Far above any difference a conversion makes, and crossed by a noise
// sample within its first few frames.
constexpr float SoundLevel = 0.05f;

// What the device should play for the sample file at path, every channel
// interleaved as floats: decoded, converted by SDL to spec's rate and
// channels in one go, and as long as the sample lasts at that rate.
std::optional<QList<float>> expectedOutput(const QString &path, const SDL_AudioSpec &spec)
{
    const auto file = SampleFile::open(path);
    if (!file)
        return std::nullopt;
    // Silence after the sound, as a device plays it: the resampler's last
    // frames reach into it.
    const qsizetype silence = file->sampleRate() / 100;
    std::vector<float> decoded(std::size_t((file->frames() + silence) * file->channels()));
    const qint64 frames = file->read(decoded.data(), file->frames());
    SDL_AudioStream *stream
        = SDL_NewAudioStream(AUDIO_F32SYS, Uint8(file->channels()), file->sampleRate(),
                             AUDIO_F32SYS, spec.channels, spec.freq);
    if (!stream)
        return std::nullopt;
    // SDL 2.26 keeps back the resampler's tail when flushing unless a piece
    // too small to convert at once came last: the last frame goes alone.
    const int frameBytes = file->channels() * int(sizeof(float));
    const int bytes = int(decoded.size() * sizeof(float));
    SDL_AudioStreamPut(stream, decoded.data(), bytes - frameBytes);
    SDL_AudioStreamPut(stream, decoded.data() + decoded.size() - file->channels(), frameBytes);
    SDL_AudioStreamFlush(stream);
    QList<float> converted(SDL_AudioStreamAvailable(stream) / qsizetype(sizeof(float)));
    const int got = SDL_AudioStreamGet(stream, converted.data(),
                                       int(converted.size() * qsizetype(sizeof(float))));
    SDL_FreeAudioStream(stream);
    const auto length = qsizetype(frames * spec.freq / file->sampleRate() * spec.channels);
    converted.resize(std::clamp(got / qsizetype(sizeof(float)), qsizetype(0), length));
    return converted;
}

qsizetype firstSound(const QList<float> &samples)
{
    const auto loud = std::find_if(samples.begin(), samples.end(),
                                   [](float sample) { return std::fabs(sample) > SoundLevel; });
    return loud - samples.begin();
}

// Empty when heard holds expected once, sample for sample within tolerance,
// with only silence before and after it; else where and how it departs.
QString departureFrom(const QList<float> &heard, const QList<float> &expected, int channels,
                      float tolerance)
{
    const qsizetype offset = firstSound(heard) - firstSound(expected);
    if (expected.isEmpty() || offset < 0 || offset % channels != 0)
        return QString("no sound where the expected sound could start (%1)").arg(offset);
    const auto differs = [&](qsizetype at, float wanted) {
        return !(at < heard.size() && std::fabs(heard[at] - wanted) <= tolerance);
    };
    for (qsizetype at = 0; at < offset; ++at) {
        if (differs(at, 0.0f))
            return QString("sound before the start, at frame %1").arg(at / channels);
    }
    for (qsizetype at = 0; at < expected.size(); ++at) {
        if (differs(offset + at, expected[at]))
            return QString("frame %1 of %2, channel %3: %4 heard, %5 expected")
                .arg(at / channels)
                .arg(expected.size() / channels)
                .arg(at % channels)
                .arg(offset + at < heard.size() ? heard[offset + at] : qQNaN())
                .arg(expected[at]);
    }
    for (qsizetype at = offset + expected.size(); at < heard.size(); ++at) {
        if (differs(at, 0.0f))
            return QString("sound after the end, %1 frames on")
                .arg((at - offset - expected.size()) / channels);
    }
    return {};
}

} // namespace

QString departureFrom(const Recording &recording, const QStringList &paths, float tolerance)
{
    QList<float> expected;
    for (const QString &path : paths) {
        const auto converted = expectedOutput(path, recording.spec);
        if (!converted)
            return QString("cannot convert %1 for the comparison").arg(path);
        expected += *converted;
    }
    return departureFrom(recording.interleaved, expected, recording.spec.channels, tolerance);
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
