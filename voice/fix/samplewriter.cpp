#include "samplewriter.h"

#include <QFile>

#include <sndfile.h>

namespace {

constexpr qint64 CopyChunkBytes = 1 << 16;

} // namespace

SampleWriter::SampleWriter(const QString &path, int format, int channels, int rate,
                           const QByteArray &comment)
    : m_file(path)
{
    // Without it, QSaveFile would quietly write in place where it cannot
    // make a temporary file beside the target.
    m_file.setDirectWriteFallback(false);
    // libsndfile writes to the temporary file itself, past QSaveFile's buffer.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fail(m_file.errorString());
        return;
    }
    SF_INFO info {};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    m_handle = sf_open_fd(m_file.handle(), SFM_WRITE, &info, SF_FALSE);
    if (!m_handle) {
        fail(QString::fromUtf8(sf_strerror(nullptr)));
        return;
    }
    // Out-of-range floats saturate rather than wrap round to the other sign.
    sf_command(m_handle, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (!comment.isEmpty() && sf_set_string(m_handle, SF_STR_COMMENT, comment.constData()) != 0)
        fail(QString::fromUtf8(sf_strerror(m_handle)));
}

SampleWriter::~SampleWriter()
{
    if (m_handle)
        sf_close(m_handle);
}

void SampleWriter::fail(const QString &why)
{
    if (m_error.isEmpty())
        m_error = why;
    m_file.cancelWriting();
}

bool SampleWriter::write(const float *frames, qint64 count)
{
    if (!m_error.isEmpty())
        return false;
    if (sf_writef_float(m_handle, frames, count) != count)
        fail(QString::fromLocal8Bit(sf_strerror(m_handle)));
    return m_error.isEmpty();
}

bool SampleWriter::commit()
{
    if (!m_handle)
        return false;
    // Closing writes the header's final sizes.
    const int closed = sf_close(m_handle);
    m_handle = nullptr;
    if (closed != SF_ERR_NO_ERROR)
        fail(QString::fromUtf8(sf_error_number(closed)));
    if (m_error.isEmpty() && !m_file.commit())
        fail(m_file.errorString());
    return m_error.isEmpty();
}

QString copySampleFile(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    QSaveFile target(to);
    target.setDirectWriteFallback(false);
    if (!target.open(QIODevice::WriteOnly))
        return target.errorString();
    while (!source.atEnd()) {
        const QByteArray piece = source.read(CopyChunkBytes);
        if (piece.isEmpty() && source.error() != QFileDevice::NoError)
            return source.errorString();
        if (target.write(piece) != piece.size())
            return target.errorString();
    }
    return target.commit() ? QString() : target.errorString();
}

QString saveWholeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    return file.errorString();
}
