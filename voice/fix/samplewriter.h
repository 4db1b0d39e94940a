#pragma once

#include <QSaveFile>
#include <QString>

#include <memory>

struct sf_private_tag;

// A sample file written piece by piece under a temporary name and given its
// own name only when complete, so that an interrupted fix (Ctrl+C, a full
// disk) never leaves half a sample under a sample's name.
class SampleWriter
{
public:
    // format is a libsndfile format (container and encoding); a comment,
    // when given, goes into the file's header.
    SampleWriter(const QString &path, int format, int channels, int rate,
                 const QByteArray &comment = {});
    ~SampleWriter();
    SampleWriter(const SampleWriter &) = delete;
    SampleWriter &operator=(const SampleWriter &) = delete;

    // Interleaved floats in [-1, 1]; false once anything failed.
    bool write(const float *frames, qint64 count);
    // Ends the file and gives it its name; false when that or a write failed.
    bool commit();
    // Why the file could not be written, for the one line naming it.
    QString error() const { return m_error; }

private:
    void fail(const QString &why);

    QSaveFile m_file;
    sf_private_tag *m_handle = nullptr;
    QString m_error;
};

// Copies the file at from to the new file to, byte for byte, the same safe
// way; the error, empty on success.
QString copySampleFile(const QString &from, const QString &to);

// Writes bytes as the new content of the file at path, the same safe way;
// the error, empty on success.
QString saveWholeFile(const QString &path, const QByteArray &bytes);
