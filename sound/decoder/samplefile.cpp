#include "samplefile.h"

#include "wavview.h"

#include <QBuffer>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <sndfile.h>
#include <span>

namespace {

QIODevice *deviceOf(void *user)
{
    return static_cast<QIODevice *>(user);
}

sf_count_t sourceLength(void *user)
{
    return deviceOf(user)->size();
}

// Clamped to the view, so libsndfile never stands past the bytes there are.
sf_count_t sourceSeek(sf_count_t offset, int whence, void *user)
{
    QIODevice *device = deviceOf(user);
    const qint64 origin = whence == SEEK_CUR ? device->pos()
        : whence == SEEK_END                 ? device->size()
                                             : 0;
    device->seek(origin + std::clamp<qint64>(offset, -origin, device->size() - origin));
    return device->pos();
}

sf_count_t sourceRead(void *out, sf_count_t count, void *user)
{
    return std::max<qint64>(0, deviceOf(user)->read(static_cast<char *>(out), count));
}

sf_count_t sourceWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t sourceTell(void *user)
{
    return deviceOf(user)->pos();
}

SF_VIRTUAL_IO virtualIo = { sourceLength, sourceSeek, sourceRead, sourceWrite, sourceTell };

void tell(QString *why, const QString &reason)
{
    if (why)
        *why = reason;
}

} // namespace

SampleFile::SampleFile(std::unique_ptr<WavView> source) : m_source(std::move(source)) { }

SampleFile::~SampleFile()
{
    if (m_handle)
        sf_close(m_handle);
}

std::unique_ptr<SampleFile> SampleFile::open(const QString &path, QString *why)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        tell(why, file->errorString().toLower());
        return nullptr;
    }
    return decode(std::move(file), why);
}

std::unique_ptr<SampleFile> SampleFile::fromBytes(const QByteArray &bytes)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return decode(std::move(buffer), nullptr);
}

std::unique_ptr<SampleFile> SampleFile::decode(std::unique_ptr<QIODevice> source, QString *why)
{
    std::unique_ptr<WavView> view = WavView::over(std::move(source));
    if (!view) {
        tell(why, QStringLiteral("not a WAV file"));
        return nullptr;
    }
    std::unique_ptr<SampleFile> sample(new SampleFile(std::move(view)));
    if (!sample->start(why))
        return nullptr;
    return sample;
}

bool SampleFile::start(QString *why)
{
    SF_INFO info {};
    m_handle = sf_open_virtual(&virtualIo, SFM_READ, &info, m_source.get());
    if (!m_handle) {
        // libsndfile's reasons are sentences; one clause reads better in a note.
        tell(why, QString::fromUtf8(sf_strerror(nullptr)).toLower().remove(QLatin1Char('.')));
        return false;
    }
    m_channelCount = info.channels;
    m_rate = info.samplerate;
    m_encoding = info.format & SF_FORMAT_SUBMASK;
    // A lying header must not stretch the time a caller waits for the end:
    // no WAV codec packs a sample into less than one bit.
    m_frameCount
        = std::min<qint64>(info.frames, m_source->size() * 8 / std::max(1, m_channelCount));
    if (m_channelCount < 1 || m_channelCount > MaxChannels || m_rate < MinRate
        || m_rate > MaxRate) {
        tell(why, QStringLiteral("%1 channels at %2 Hz").arg(m_channelCount).arg(m_rate));
        return false;
    }
    if (m_frameCount <= 0) {
        tell(why, QStringLiteral("no audio"));
        return false;
    }
    return true;
}

int SampleFile::channels() const
{
    return m_channelCount;
}

int SampleFile::sampleRate() const
{
    return m_rate;
}

int SampleFile::encoding() const
{
    return m_encoding;
}

qint64 SampleFile::frames() const
{
    return m_frameCount;
}

qint64 SampleFile::promisedFrames() const
{
    const qint64 there = m_source->dataLength();
    const qint64 promised = m_source->promisedLength().value_or(there);
    if (promised <= there || there <= 0)
        return m_frameCount;
    return qint64(double(m_frameCount) * double(promised) / double(there) + 0.5);
}

qint64 SampleFile::read(float *out, qint64 count)
{
    const qint64 got = readUnclamped(out, count);
    // The converter and the device get samples within full scale.
    for (float &sample : std::span(out, std::size_t(got * m_channelCount)))
        sample = std::clamp(sample, -1.0f, 1.0f);
    return got;
}

qint64 SampleFile::readUnclamped(float *out, qint64 count)
{
    // ADPCM decodes whole blocks, even the cut-off last one of a short file:
    // stop where frames() says, so the length callers wait for holds.
    const qint64 wanted = std::clamp<qint64>(count, 0, m_frameCount - m_framesRead);
    const qint64 got = wanted > 0 ? std::max<qint64>(0, sf_readf_float(m_handle, out, wanted)) : 0;
    m_framesRead += got;
    // Float files may hold anything, but never a sample that is not a number.
    for (float &sample : std::span(out, std::size_t(got * m_channelCount)))
        sample = std::isfinite(sample) ? sample : 0.0f;
    return got;
}
