#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;
class WavView;
struct sf_private_tag;

// A WAV file decoded piece by piece to interleaved floats in [-1, 1].
// Anything that is not a WAV file of sane dimensions fails to open, so
// arbitrary bytes are safe to hand to fromBytes.
class SampleFile
{
public:
    static constexpr int MaxChannels = 8;
    static constexpr int MinRate = 1000;
    static constexpr int MaxRate = 768000;

    // why, when given, gets the reason a file does not open, in a few words.
    static std::unique_ptr<SampleFile> open(const QString &path, QString *why = nullptr);
    static std::unique_ptr<SampleFile> fromBytes(const QByteArray &bytes);
    ~SampleFile();

    int channels() const;
    int sampleRate() const;
    qint64 frames() const;
    // libsndfile's encoding of the samples (SF_FORMAT_PCM_16 ...).
    int encoding() const;
    // The frames the header promises: more than frames() when the file was
    // cut short.
    qint64 promisedFrames() const;

    // Reads up to count frames into out (count * channels() floats); returns
    // the frames read, 0 at the end of the data or on a decoding error.
    qint64 read(float *out, qint64 count);
    // As read, but float samples beyond full scale keep their value, for a
    // caller that measures rather than plays them.
    qint64 readUnclamped(float *out, qint64 count);

private:
    explicit SampleFile(std::unique_ptr<WavView> source);
    static std::unique_ptr<SampleFile> decode(std::unique_ptr<QIODevice> source, QString *why);
    bool start(QString *why);

    std::unique_ptr<WavView> m_source;
    sf_private_tag *m_handle = nullptr;
    int m_channelCount = 0;
    int m_rate = 0;
    int m_encoding = 0;
    qint64 m_frameCount = 0;
    qint64 m_framesRead = 0;
};
