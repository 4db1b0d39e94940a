#include "recordingfile.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

namespace {

// Beyond these no recording is sane; a header that claims them is broken.
constexpr int MaxChannels = 64;
constexpr int MinRate = 1000;
constexpr int MaxRate = 768000;

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
    if (format.channels < 1 || format.channels > MaxChannels || format.samplerate < MinRate
        || format.samplerate > MaxRate || format.frames <= 0) {
        sf_close(handle);
        *why = QStringLiteral("no sound in it, or a header that cannot be right");
        return nullptr;
    }
    // Floats beyond full scale are the recording's own; clipping them here
    // would hide nothing and change the take.
    sf_command(handle, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
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
