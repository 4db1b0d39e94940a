#include "recordingfile.h"

#include "samplefile.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

namespace {

// Beyond this no recording is sane; a header that claims it is broken. A
// session may come from a multitrack recorder, so more than a sample may have.
constexpr int MaxChannels = 64;

} // namespace

std::unique_ptr<RecordingFile> RecordingFile::open(const QString &path, QString *why)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *why = QStringLiteral("no such file");
        return nullptr;
    }
    if (info.isDir()) {
        *why = QStringLiteral("a folder, not a recording");
        return nullptr;
    }
    SF_INFO format {};
    SNDFILE *handle = sf_open(QFile::encodeName(path).constData(), SFM_READ, &format);
    if (!handle) {
        *why = QString::fromLocal8Bit(sf_strerror(nullptr));
        return nullptr;
    }
    if (format.channels < 1 || format.channels > MaxChannels
        || format.samplerate < SampleFile::MinRate || format.samplerate > SampleFile::MaxRate
        || format.frames <= 0) {
        sf_close(handle);
        *why = QStringLiteral("no sound in it, or a header that cannot be right");
        return nullptr;
    }
    return std::unique_ptr<RecordingFile>(
        new RecordingFile(handle, format.channels, format.samplerate, format.frames));
}

RecordingFile::RecordingFile(sf_private_tag *handle, int channels, int rate, qint64 frames)
    : m_handle(handle), m_channels(channels), m_rate(rate), m_frames(frames)
{ }

RecordingFile::~RecordingFile()
{
    sf_close(m_handle);
}

qint64 RecordingFile::read(float *out, qint64 count)
{
    return qint64(sf_readf_float(m_handle, out, count));
}
