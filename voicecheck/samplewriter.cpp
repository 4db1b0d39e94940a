#include "samplewriter.h"

#include <QFile>

#include <sndfile.h>

namespace {

QIODevice *deviceOf(void *user)
{
    return static_cast<QIODevice *>(user);
}

sf_count_t targetLength(void *user)
{
    return deviceOf(user)->size();
}

sf_count_t targetSeek(sf_count_t offset, int whence, void *user)
{
    QIODevice *device = deviceOf(user);
    const qint64 origin = whence == SEEK_CUR ? device->pos()
        : whence == SEEK_END                 ? device->size()
                                             : 0;
    device->seek(origin + offset);
    return device->pos();
}

sf_count_t targetRead(void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t targetWrite(const void *data, sf_count_t count, void *user)
{
    return std::max<qint64>(0, deviceOf(user)->write(static_cast<const char *>(data), count));
}

sf_count_t targetTell(void *user)
{
    return deviceOf(user)->pos();
}

SF_VIRTUAL_IO virtualIo = { targetLength, targetSeek, targetRead, targetWrite, targetTell };

constexpr qint64 CopyChunkBytes = 1 << 16;

} // namespace

SampleWriter::SampleWriter(const QString &path, int format, int channels, int rate) : m_file(path)
{
    // Without it, QSaveFile would quietly write in place where it cannot
    // make a temporary file beside the target.
    m_file.setDirectWriteFallback(false);
    if (!m_file.open(QIODevice::WriteOnly)) {
        fail(m_file.errorString());
        return;
    }
    SF_INFO info {};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    m_handle = sf_open_virtual(&virtualIo, SFM_WRITE, &info, &m_file);
    if (!m_handle) {
        fail(QString::fromUtf8(sf_strerror(nullptr)));
        return;
    }
    // Out-of-range floats saturate rather than wrap round to the other sign.
    sf_command(m_handle, SFC_SET_CLIPPING, nullptr, SF_TRUE);
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
        fail(m_file.errorString());
    return m_error.isEmpty();
}

bool SampleWriter::commit()
{
    if (!m_handle)
        return false;
    // Closing writes the header's final sizes.
    sf_close(m_handle);
    m_handle = nullptr;
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
