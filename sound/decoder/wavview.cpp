#include "wavview.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace {

// Real format chunks are 16 to 40 bytes; enough chunks to skip any real
// file's metadata, not enough to walk a file made of nothing but headers.
constexpr qint64 MaxFormatBytes = 1024;
constexpr int MaxChunks = 4096;
constexpr quint64 MaxLength = std::numeric_limits<qint64>::max();

struct Layout
{
    bool bigEndian = false;
    QByteArray format;
    qint64 dataStart = 0;
    qint64 dataLength = 0;
    std::optional<qint64> promisedLength;
};

class ChunkReader
{
public:
    ChunkReader(QIODevice &source, bool bigEndian) : m_source(source), m_bigEndian(bigEndian) { }

    // The chunk header at offset: its name and the length of its body.
    bool header(qint64 at, QByteArray &name, qint64 &length)
    {
        const QByteArray bytes = readAt(at, 8);
        if (bytes.size() < 8)
            return false;
        name = bytes.left(4);
        length = number<quint32>(bytes, 4);
        return true;
    }

    QByteArray readAt(qint64 at, qint64 count)
    {
        return at <= m_source.size() && m_source.seek(at) ? m_source.read(count) : QByteArray();
    }

    template<typename T> T number(const QByteArray &bytes, int at) const
    {
        const auto *from = reinterpret_cast<const uchar *>(bytes.constData() + at);
        return m_bigEndian ? qFromBigEndian<T>(from) : qFromLittleEndian<T>(from);
    }

private:
    QIODevice &m_source;
    const bool m_bigEndian;
};

// The header written for a format chunk: RIFF, WAVE, the padded format
// chunk and the data chunk's own header.
qint64 headerBytes(const QByteArray &format)
{
    return 12 + 8 + format.size() + (format.size() & 1) + 8;
}

// RF64 keeps the real data length in its ds64 chunk when the data chunk's
// own 32-bit field says 0xFFFFFFFF.
std::optional<Layout> findLayout(QIODevice &source)
{
    const QByteArray head = source.read(12);
    const QByteArray kind = head.left(4);
    if (head.size() < 12 || head.mid(8) != "WAVE"
        || (kind != "RIFF" && kind != "RIFX" && kind != "RF64"))
        return std::nullopt;
    Layout layout;
    layout.bigEndian = kind == "RIFX";
    ChunkReader reader(source, layout.bigEndian);
    qint64 ds64Data = -1;
    QByteArray name;
    qint64 length = 0;
    qint64 at = 12;
    for (int chunk = 0; chunk < MaxChunks && reader.header(at, name, length); ++chunk) {
        const qint64 body = at + 8;
        if (name == "fmt " && layout.format.isNull()) {
            if (length < 16 || length > MaxFormatBytes)
                return std::nullopt;
            layout.format = reader.readAt(body, length);
            if (layout.format.size() < length)
                return std::nullopt;
        } else if (name == "ds64" && kind == "RF64" && length >= 16) {
            const QByteArray sizes = reader.readAt(body, 16);
            if (sizes.size() == 16)
                ds64Data = qint64(std::min<quint64>(reader.number<quint64>(sizes, 8), MaxLength));
        } else if (name == "data") {
            if (layout.format.isNull())
                return std::nullopt;
            if (kind == "RF64" && length == 0xFFFFFFFF && ds64Data >= 0)
                length = ds64Data;
            // RF64 becomes plain RIFF, so the audio is cut at 4 GB: hours of
            // sound more than any voice sample holds.
            const qint64 riffRoom = 0xFFFFFFFF - (headerBytes(layout.format) - 8);
            if (length != 0 && length != 0xFFFFFFFF)
                layout.promisedLength = length;
            layout.dataStart = body;
            layout.dataLength
                = std::clamp<qint64>(source.size() - body, 0, std::min(length, riffRoom));
            return layout;
        }
        at = body + length + (length & 1);
    }
    return std::nullopt;
}

void putNumber(QByteArray &out, quint32 value, bool bigEndian)
{
    uchar bytes[4];
    if (bigEndian)
        qToBigEndian(value, bytes);
    else
        qToLittleEndian(value, bytes);
    out.append(reinterpret_cast<const char *>(bytes), 4);
}

QByteArray headerFor(const Layout &layout)
{
    QByteArray header;
    header.reserve(headerBytes(layout.format));
    header.append(layout.bigEndian ? "RIFX" : "RIFF");
    putNumber(header, quint32(headerBytes(layout.format) - 8 + layout.dataLength),
              layout.bigEndian);
    header.append("WAVEfmt ");
    putNumber(header, quint32(layout.format.size()), layout.bigEndian);
    header.append(layout.format);
    if (layout.format.size() & 1)
        header.append('\0');
    header.append("data");
    putNumber(header, quint32(layout.dataLength), layout.bigEndian);
    return header;
}

} // namespace

std::unique_ptr<WavView> WavView::over(std::unique_ptr<QIODevice> source)
{
    std::optional<Layout> layout = findLayout(*source);
    if (!layout)
        return nullptr;
    QByteArray header = headerFor(*layout);
    std::unique_ptr<WavView> view(new WavView(std::move(source), std::move(header),
                                              layout->dataStart, layout->dataLength,
                                              layout->promisedLength));
    view->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return view;
}

WavView::WavView(std::unique_ptr<QIODevice> source, QByteArray header, qint64 dataStart,
                 qint64 dataLength, std::optional<qint64> promisedLength)
    : m_source(std::move(source))
    , m_header(std::move(header))
    , m_dataStart(dataStart)
    , m_dataLength(dataLength)
    , m_promisedLength(promisedLength)
{ }

qint64 WavView::size() const
{
    return m_header.size() + m_dataLength;
}

qint64 WavView::readData(char *data, qint64 maxSize)
{
    const qint64 at = pos();
    const qint64 fromHeader = std::clamp<qint64>(m_header.size() - at, 0, maxSize);
    if (fromHeader > 0)
        std::memcpy(data, m_header.constData() + at, std::size_t(fromHeader));
    const qint64 inData = at + fromHeader - m_header.size();
    const qint64 wanted = std::clamp<qint64>(m_dataLength - inData, 0, maxSize - fromHeader);
    if (wanted == 0)
        return fromHeader;
    const qint64 target = m_dataStart + inData;
    if (m_source->pos() != target && !m_source->seek(target))
        return fromHeader;
    return fromHeader + std::max<qint64>(0, m_source->read(data + fromHeader, wanted));
}
