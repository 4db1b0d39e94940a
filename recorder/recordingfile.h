#pragma once

#include <QString>

#include <memory>

struct sf_private_tag;

// A long recording opened for reading piece by piece: any file libsndfile
// reads (WAV, FLAC, Ogg Vorbis ...), at any rate, with any number of
// channels.
class RecordingFile
{
public:
    // Nothing when it cannot be read, and why.
    static std::unique_ptr<RecordingFile> open(const QString &path, QString *why);
    ~RecordingFile();
    RecordingFile(const RecordingFile &) = delete;
    RecordingFile &operator=(const RecordingFile &) = delete;

    // Frames read at a time: a few hundred milliseconds, whatever the file.
    static constexpr qint64 BlockFrames = 8192;

    int channels() const { return m_channels; }
    int rate() const { return m_rate; }
    // The frames the header promises; a file cut short holds fewer.
    qint64 frames() const { return m_frames; }

    // Up to count frames, interleaved, into out; 0 at the end or on an error.
    qint64 read(float *out, qint64 count);

private:
    RecordingFile(sf_private_tag *handle, int channels, int rate, qint64 frames);

    sf_private_tag *m_handle;
    int m_channels;
    int m_rate;
    qint64 m_frames;
};
