#include "samplefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <vector>

namespace {

struct Decoded
{
    bool opened = false;
    qint64 frames = 0;
    bool withinLength = true;
    bool clean = true;
};

// What the sound engine does with a file: every frame, a chunk at a time.
Decoded decodeAll(std::unique_ptr<SampleFile> file)
{
    Decoded result;
    if (!file)
        return result;
    result.opened = true;
    std::vector<float> samples(std::size_t(512 * file->channels()));
    while (const qint64 got = file->read(samples.data(), 512)) {
        result.frames += got;
        for (qint64 at = 0; at < got * file->channels(); ++at)
            result.clean = result.clean && samples[at] >= -1.0f && samples[at] <= 1.0f;
    }
    result.withinLength = result.frames <= file->frames();
    return result;
}

QByteArray pcmHeader(quint32 claimedDataBytes)
{
    QByteArray header(44, '\0');
    auto *bytes = reinterpret_cast<uchar *>(header.data());
    header.replace(0, 4, "RIFF");
    qToLittleEndian<quint32>(36 + claimedDataBytes, bytes + 4);
    header.replace(8, 8, "WAVEfmt ");
    qToLittleEndian<quint32>(16, bytes + 16);
    qToLittleEndian<quint16>(1, bytes + 20); // PCM
    qToLittleEndian<quint16>(1, bytes + 22); // mono
    qToLittleEndian<quint32>(22050, bytes + 24);
    qToLittleEndian<quint32>(44100, bytes + 28);
    qToLittleEndian<quint16>(2, bytes + 32);
    qToLittleEndian<quint16>(16, bytes + 34);
    header.replace(36, 4, "data");
    qToLittleEndian<quint32>(claimedDataBytes, bytes + 40);
    return header;
}

} // namespace

// The fuzzer's seed corpus, with the inputs it found (found-*), replayed
// through the decoder in every build, the sanitizer build included.
class TestSampleBytes : public QObject
{
    Q_OBJECT

private slots:
    void corpusDecodesSafely_data()
    {
        QTest::addColumn<QString>("path");
        const QDir corpus(FUZZ_CORPUS);
        const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
        QVERIFY(names.size() >= 30);
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }

    void corpusDecodesSafely()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Decoded fromMemory = decodeAll(SampleFile::fromBytes(file.readAll()));
        const Decoded fromDisk = decodeAll(SampleFile::open(path));
        QCOMPARE(fromMemory.opened, fromDisk.opened);
        QCOMPARE(fromMemory.frames, fromDisk.frames);
        QVERIFY(fromMemory.withinLength);
        QVERIFY(fromMemory.clean);
        const QString name = QFileInfo(path).fileName();
        if (name.startsWith("ok-"))
            QVERIFY(fromMemory.frames > 0);
        // LIST chunks that kept libsndfile busy for minutes are refused.
        if (name.startsWith("found-list-"))
            QVERIFY(!fromMemory.opened);
    }

    // A file of 2 GB, nearly all of it a hole, whose header claims still
    // more: it opens at once, counts only the data there is, and its first
    // frames decode. Sizes past 2^31 bytes catch 32-bit arithmetic.
    void sparseHugeFileOpensAtOnce()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath("huge.wav"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pcmHeader(0xFFFFFFF0));
        file.write(QByteArray(2000, '\x40'));
        const qint64 size = (qint64(1) << 31) + 100;
        if (!file.resize(size))
            QSKIP("no room for a sparse 2 GB file here");
        file.close();

        const auto sample = SampleFile::open(file.fileName());
        QVERIFY(sample);
        QCOMPARE(sample->frames(), (size - 44) / 2);
        float first[256];
        QCOMPARE(sample->read(first, 256), 256);
        QVERIFY(first[0] > 0.4f && first[0] < 0.6f);
    }
};

QTEST_GUILESS_MAIN(TestSampleBytes)
#include "tst_samplebytes.moc"
