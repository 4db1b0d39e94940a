#include "listchunks.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>

namespace {

// Enough for any real file's header; a file made of nothing but tiny
// chunks is not walked to its end.
constexpr int maxSteps = 4096;

struct Walk
{
    QIODevice &source;
    bool bigEndian;
    int steps = 0;

    // The chunk header at offset: its name and the length of its body.
    bool header(qint64 at, QByteArray &name, qint64 &length)
    {
        if (++steps > maxSteps || !source.seek(at))
            return false;
        const QByteArray head = source.read(8);
        if (head.size() < 8)
            return false;
        const auto *bytes = reinterpret_cast<const uchar *>(head.constData() + 4);
        name = head.left(4);
        length = bigEndian ? qFromBigEndian<quint32>(bytes) : qFromLittleEndian<quint32>(bytes);
        return true;
    }

    // Inside a LIST: "INFO" and "adtl" are bare names, everything else a
    // chunk, none of which can be longer than the LIST holding it.
    bool listFits(qint64 start, qint64 end)
    {
        QByteArray name;
        qint64 length = 0;
        for (qint64 at = start; at + 4 <= end;) {
            if (!header(at, name, length))
                return true;
            if (name == "INFO" || name == "adtl") {
                at += 4;
                continue;
            }
            if (length > end - start)
                return false;
            at += 8 + length + (length & 1);
        }
        return true;
    }
};

bool isChunkName(const QByteArray &name)
{
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

} // namespace

// Walks the chunks the way libsndfile does, up to the first one that is not
// a printable name.
bool listChunksFit(QIODevice &source)
{
    Walk walk { source, source.peek(4) == "RIFX" };
    const qint64 size = source.size();
    QByteArray name;
    qint64 length = 0;
    for (qint64 at = 12; walk.header(at, name, length) && isChunkName(name);) {
        const qint64 end = at + 8 + length;
        if (name == "LIST" && (end > size || !walk.listFits(at + 8, end)))
            return false;
        at = end + (end & 1);
    }
    return source.seek(0);
}
