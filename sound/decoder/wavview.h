#pragma once

#include <QByteArray>
#include <QIODevice>

#include <memory>
#include <optional>

// A WAV file as libsndfile gets to see it: a plain header written here around
// the file's own format chunk, then the file's audio bytes, nothing else.
// libsndfile's parsers for LIST, INFO, ds64 and other chunks can be sent in
// circles by a few crafted bytes; with no such chunks in sight they never run.
class WavView : public QIODevice
{
public:
    // Null when source is not a RIFF, RIFX or RF64 WAVE file with a format
    // chunk before its data chunk. Reads only chunk headers and the format.
    static std::unique_ptr<WavView> over(std::unique_ptr<QIODevice> source);

    bool isSequential() const override { return false; }
    qint64 size() const override;

    // The audio bytes the data chunk's header promises; less may be there.
    // Nothing when the writer left the length open (0 or all ones), as
    // streaming writers do.
    std::optional<qint64> promisedLength() const { return m_promisedLength; }
    qint64 dataLength() const { return m_dataLength; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    WavView(std::unique_ptr<QIODevice> source, QByteArray header, qint64 dataStart,
            qint64 dataLength, std::optional<qint64> promisedLength);

    std::unique_ptr<QIODevice> m_source;
    const QByteArray m_header;
    const qint64 m_dataStart;
    const qint64 m_dataLength;
    const std::optional<qint64> m_promisedLength;
};
