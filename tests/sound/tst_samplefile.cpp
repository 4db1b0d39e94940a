#include "samplefile.h"
#include "soundtestkit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <sndfile.h>

namespace {

QByteArray wavFile(int channels, quint32 rate, int bits = 16)
{
    const QByteArray data(4000, '\x10');
    return wavFile(channels, rate, bits, data, quint32(data.size()));
}

QList<float> readAll(SampleFile &file)
{
    QList<float> samples;
    QList<float> chunk(256 * file.channels());
    while (const qint64 frames = file.read(chunk.data(), 256))
        samples.append(chunk.first(frames * file.channels()));
    return samples;
}

} // namespace

class TestSampleFile : public QObject
{
    Q_OBJECT

private slots:
    void decodesEveryWavEncoding_data();
    void decodesEveryWavEncoding();
    void readsFromMemoryLikeFromDisk();
    void rejectsBrokenFiles_data();
    void rejectsBrokenFiles();
    void dataShorterThanClaimedEndsEarly();
    void cleansFloatSamples();

private:
    QTemporaryDir folder;
};

void TestSampleFile::decodesEveryWavEncoding_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("8-bit") << int(SF_FORMAT_WAV | SF_FORMAT_PCM_U8) << 22050 << 1;
    QTest::newRow("16-bit") << int(SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 22050 << 1;
    QTest::newRow("24-bit") << int(SF_FORMAT_WAV | SF_FORMAT_PCM_24) << 44100 << 2;
    QTest::newRow("32-bit") << int(SF_FORMAT_WAV | SF_FORMAT_PCM_32) << 48000 << 2;
    QTest::newRow("float") << int(SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 48000 << 1;
    QTest::newRow("IMA ADPCM") << int(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM) << 22050 << 1;
    QTest::newRow("MS ADPCM") << int(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM) << 22050 << 1;
    QTest::newRow("mu-law") << int(SF_FORMAT_WAV | SF_FORMAT_ULAW) << 8000 << 1;
    QTest::newRow("A-law") << int(SF_FORMAT_WAV | SF_FORMAT_ALAW) << 8000 << 1;
    QTest::newRow("extensible") << int(SF_FORMAT_WAVEX | SF_FORMAT_PCM_16) << 22050 << 2;
    // The limits of what plays, each taken.
    QTest::newRow("8 channels") << int(SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 22050 << 8;
    QTest::newRow("lowest rate") << int(SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 1000 << 1;
    QTest::newRow("highest rate") << int(SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 768000 << 1;
}

void TestSampleFile::decodesEveryWavEncoding()
{
    QFETCH(int, format);
    QFETCH(int, rate);
    QFETCH(int, channels);
    const QString path = folder.filePath(QTest::currentDataTag() + QString(".wav"));
    QVERIFY(writeTone(path, 440, 0.5, rate, channels, format));

    const auto file = SampleFile::open(path);
    QVERIFY(file);
    QCOMPARE(file->channels(), channels);
    QCOMPARE(file->sampleRate(), rate);
    const QList<float> samples = readAll(*file);
    QList<float> first;
    for (qsizetype at = 0; at < samples.size(); at += channels)
        first.append(samples[at]);
    // ADPCM pads the last block.
    QVERIFY(qAbs(first.size() - rate / 2) < 1100);
    QVERIFY(qAbs(pitchOf(first, { 0, rate / 2 }, rate) - 440) < 5);
    QVERIFY(qAbs(*std::max_element(first.begin(), first.end()) - 0.5f) < 0.05f);
}

void TestSampleFile::readsFromMemoryLikeFromDisk()
{
    const QString path = folder.filePath("memory.wav");
    QVERIFY(writeTone(path, 660, 0.2));
    QFile disk(path);
    QVERIFY(disk.open(QIODevice::ReadOnly));
    const auto fromDisk = SampleFile::open(path);
    const auto fromMemory = SampleFile::fromBytes(disk.readAll());
    QVERIFY(fromDisk && fromMemory);
    QCOMPARE(fromMemory->frames(), fromDisk->frames());
    QCOMPARE(readAll(*fromMemory), readAll(*fromDisk));
}

void TestSampleFile::rejectsBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = wavFile(1, 22050);
    QByteArray garbage(3000, '\0');
    for (qsizetype at = 0; at < garbage.size(); ++at)
        garbage[at] = char(at * 7919 % 251);

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("TurnLeft\n");
    QTest::newRow("magic only") << QByteArray("RIFF\0\0\0\0WAVE", 12);
    QTest::newRow("truncated header") << good.left(30);
    QTest::newRow("garbage after magic") << good.left(12) + garbage;
    QTest::newRow("zero channels") << wavFile(0, 22050);
    QTest::newRow("9 channels") << wavFile(9, 22050);
    QTest::newRow("200 channels") << wavFile(200, 22050);
    QTest::newRow("zero rate") << wavFile(1, 0);
    QTest::newRow("below the lowest rate") << wavFile(1, 999);
    QTest::newRow("above the highest rate") << wavFile(1, 768001);
    QTest::newRow("absurd rate") << wavFile(1, std::numeric_limits<quint32>::max());
    QTest::newRow("no data") << wavFile(1, 22050, 16, {}, 0);
    QTest::newRow("not a WAV") << QByteArray("FORM\0\0\0\x20"
                                             "AIFFCOMM",
                                             16)
            + garbage;
}

void TestSampleFile::rejectsBrokenFiles()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!SampleFile::fromBytes(bytes));
    const QString path = folder.filePath("broken.wav");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    QVERIFY(!SampleFile::open(path));
}

void TestSampleFile::dataShorterThanClaimedEndsEarly()
{
    const QByteArray data(1000, '\x20');
    const auto file = SampleFile::fromBytes(wavFile(1, 22050, 16, data, 0x7fffff00));
    QVERIFY(file);
    QVERIFY(file->frames() <= 500);
    QCOMPARE(readAll(*file).size(), 500);
}

void TestSampleFile::cleansFloatSamples()
{
    const QString path = folder.filePath("wild.wav");
    SF_INFO info { 0, 8000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0 };
    SNDFILE *out = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY(out);
    const float wild[] = { std::numeric_limits<float>::quiet_NaN(), 5.0f, -7.0f,
                           std::numeric_limits<float>::infinity(), 0.25f };
    sf_writef_float(out, wild, 5);
    sf_close(out);

    const auto file = SampleFile::open(path);
    QVERIFY(file);
    QCOMPARE(readAll(*file), QList<float>({ 0.0f, 1.0f, -1.0f, 0.0f, 0.25f }));
}

QTEST_GUILESS_MAIN(TestSampleFile)
#include "tst_samplefile.moc"
