#include "samplefile.h"
#include "soundtestkit.h"

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

QByteArray number(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray chunk(const char *name, const QByteArray &body)
{
    return name + number(body.size()) + body + QByteArray(body.size() & 1, '\0');
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
        if (QFileInfo(path).fileName().startsWith("ok-"))
            QVERIFY(fromMemory.frames > 0);
    }

    // Metadata chunks that sent libsndfile's parser round in circles for
    // good, placed between a sound file's format and its audio: the audio
    // plays, whole, and the metadata is never looked at.
    void hostileMetadataIsIgnored_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QByteArray>("metadata");
        // Each entry claims 8 bytes less than 4 GB: added to the count read
        // so far it wraps to a step backwards onto itself.
        const QByteArray wrapping = QByteArray("ABCD") + number(0xFFFFFFF8) + "xxxx";
        QTest::newRow("LIST entry") << QByteArray("RIFF") << chunk("LIST", "INFO" + wrapping);
        QTest::newRow("bare INFO") << QByteArray("RIFF") << chunk("INFO", wrapping);
        QTest::newRow("RF64 bare INFO") << QByteArray("RF64") << chunk("INFO", wrapping);
        // Not hostile, but easily got wrong: a chunk of odd size is padded.
        QTest::newRow("odd-sized chunk") << QByteArray("RIFF") << chunk("junk", "odd");
    }

    void hostileMetadataIsIgnored()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QByteArray, metadata);
        const QByteArray format = pcmFormat(1, 22050, 16);
        const QByteArray audio(200, '\x20');
        const QByteArray body = "WAVE" + chunk("fmt ", format) + metadata + chunk("data", audio);
        const Decoded decoded = decodeAll(SampleFile::fromBytes(kind + number(body.size()) + body));
        QVERIFY(decoded.opened);
        QCOMPARE(decoded.frames, audio.size() / 2);
    }

    // A file of 2 GB, nearly all of it a hole, whose header claims still
    // more: it opens at once, counts only the data there is, and its first
    // frames decode. Sizes past 2^31 bytes catch 32-bit arithmetic.
    void sparseHugeFileOpensAtOnce()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath("huge.wav"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(wavFile(1, 22050, 16, {}, 0xFFFFFFF0));
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
