#include "catalogue.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QtEndian>
#include <QtTest>

#include <sndfile.h>

namespace {

struct IconEntry
{
    int size;
    int depth;
    int colourCount;
    int planes;
    quint32 bytes;
    quint32 offset;
};

quint16 le16(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 le32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

QList<IconEntry> iconDirectory(const QByteArray &ico)
{
    QList<IconEntry> entries;
    for (int i = 0; i < le16(ico, 4); ++i) {
        const qsizetype at = 6 + 16 * i;
        const int width = quint8(ico[at]);
        entries.append({ width == 0 ? 256 : width, le16(ico, at + 6), quint8(ico[at + 2]),
                         le16(ico, at + 4), le32(ico, at + 8), le32(ico, at + 12) });
    }
    return entries;
}

QByteArray iconFile()
{
    QFile file(VP_SOURCE_DIR "/resources/voice-player.ico");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int dibRowBytes(int width, int depth)
{
    return (width * depth + 31) / 32 * 4;
}

// Whether the AND mask of a DIB entry marks pixel (x, y), counted from the
// top, as see-through.
bool masked(const QByteArray &dib, int size, int depth, int x, int y)
{
    const int palette = depth <= 8 ? 4 << depth : 0;
    const int mask = 40 + palette + dibRowBytes(size, depth) * size;
    const char byte = dib[mask + (size - 1 - y) * dibRowBytes(size, 1) + x / 8];
    return byte & (0x80 >> (x % 8));
}

// The artwork is a rounded square: corners see through, the middle does not.
void checkArtwork(const QImage &image)
{
    const int last = image.width() - 1;
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(last, last).alpha(), 0);
    QCOMPARE(image.pixelColor(last / 2, last / 2).alpha(), 255);
}

QString wavsFolder()
{
    return QCoreApplication::applicationDirPath() + "/wavs";
}

QSet<QString> catalogueNames()
{
    QSet<QString> names;
    for (const auto &entry : SampleCatalogue)
        names.insert(QString::fromLatin1(entry.name.data(), qsizetype(entry.name.size())));
    return names;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void iconDirectoryHoldsEveryImage();
    void qtReadsEveryIconImage();
    void windowIconsLoadFromResource();
    void desktopPngs_data();
    void desktopPngs();
    void demoVoiceIsMono16Bit22050();
};

void TestResources::iconDirectoryHoldsEveryImage()
{
    const QByteArray ico = iconFile();
    QVERIFY(ico.size() > 6);
    QCOMPARE(le16(ico, 0), 0);
    QCOMPARE(le16(ico, 2), 1);
    const QList<IconEntry> entries = iconDirectory(ico);
    QCOMPARE(entries.size(), 21);

    QSet<QPair<int, int>> expected { { 256, 32 } };
    for (int size : { 48, 32, 24, 16 })
        for (int depth : { 1, 4, 8, 24, 32 })
            expected.insert({ size, depth });
    QSet<QPair<int, int>> found;
    quint32 end = 6 + 16 * entries.size();
    for (const IconEntry &e : entries) {
        found.insert({ e.size, e.depth });
        QCOMPARE(e.planes, 1);
        QCOMPARE(e.colourCount, e.depth < 8 ? 1 << e.depth : 0);
        QCOMPARE(e.offset, end); // packed, in order, no overlap
        end = e.offset + e.bytes;
        QVERIFY(end <= quint32(ico.size()));
        const QByteArray image = ico.mid(e.offset, e.bytes);
        if (e.size == 256) {
            QVERIFY(image.startsWith("\x89PNG\r\n\x1a\n"));
            QCOMPARE(qFromBigEndian<quint32>(image.constData() + 16), 256u);
            QCOMPARE(qFromBigEndian<quint32>(image.constData() + 20), 256u);
            QCOMPARE(int(image[24]), 8); // bit depth
            QCOMPARE(int(image[25]), 6); // RGBA
            continue;
        }
        QCOMPARE(le32(image, 0), 40u);
        QCOMPARE(int(le32(image, 4)), e.size);
        QCOMPARE(int(le32(image, 8)), 2 * e.size); // colour and mask
        QCOMPARE(int(le16(image, 14)), e.depth);
        const int palette = e.depth <= 8 ? 4 << e.depth : 0;
        const int pixels = dibRowBytes(e.size, e.depth) * e.size;
        const int mask = dibRowBytes(e.size, 1) * e.size;
        QCOMPARE(int(e.bytes), 40 + palette + pixels + mask);
        QVERIFY(masked(image, e.size, e.depth, 0, 0));
        QVERIFY(!masked(image, e.size, e.depth, e.size / 2, e.size / 2));
    }
    QCOMPARE(end, quint32(ico.size()));
    QCOMPARE(found, expected);
}

void TestResources::qtReadsEveryIconImage()
{
    QByteArray ico = iconFile();
    const QList<IconEntry> entries = iconDirectory(ico);
    QBuffer buffer(&ico);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QCOMPARE(reader.imageCount(), entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(entries[i].size, entries[i].size));
        // Qt before 6.8 ignores the mask of 24-bit images, later ones apply
        // it; the icon paints masked pixels black so that both look right.
        if (entries[i].depth == 24) {
            const QColor corner = image.pixelColor(0, 0);
            QVERIFY(corner.alpha() == 0 || corner.rgb() == qRgb(0, 0, 0));
            const int middle = image.width() / 2;
            QCOMPARE(image.pixelColor(middle, middle).alpha(), 255);
        } else {
            checkArtwork(image);
        }
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QString("image %1").arg(i)));
    }
}

void TestResources::windowIconsLoadFromResource()
{
    for (int size : { 16, 24, 32, 48, 64 }) {
        const QImage image(QStringLiteral(":/icons/%1x%1/voice-player.png").arg(size));
        QCOMPARE(image.size(), QSize(size, size));
    }
}

void TestResources::desktopPngs_data()
{
    QTest::addColumn<int>("size");
    for (int size : { 16, 24, 32, 48, 64, 128, 256 })
        QTest::addRow("%d", size) << size;
}

void TestResources::desktopPngs()
{
    QFETCH(int, size);
    const QString path
        = QStringLiteral(VP_SOURCE_DIR "/resources/icons/%1x%1/voice-player.png").arg(size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.hasAlphaChannel());
    checkArtwork(image);
}

void TestResources::demoVoiceIsMono16Bit22050()
{
#ifndef VP_DEMO_VOICE
    QSKIP("built without espeak-ng: no demo voice");
#else
    for (const QString &name : catalogueNames()) {
        const QByteArray path = QFile::encodeName(wavsFolder() + "/" + name + ".wav");
        SF_INFO info {};
        SNDFILE *file = sf_open(path.constData(), SFM_READ, &info);
        QVERIFY2(file, path.constData());
        sf_close(file);
        QCOMPARE(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QCOMPARE(info.channels, 1);
        QCOMPARE(info.samplerate, 22050);
        QVERIFY2(info.frames > 22050 / 5, path.constData()); // something was said
    }
#endif
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
