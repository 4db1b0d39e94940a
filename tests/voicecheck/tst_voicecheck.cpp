#include "catalogue.h"
#include "germanlines.h"
#include "lexicon.h"
#include "loudnessmeter.h"
#include "nearestname.h"
#include "pausemeter.h"
#include "reporttable.h"
#include "samplefile.h"
#include "soundtestkit.h"
#include "textcells.h"
#include "voicechart.h"
#include "voicejudgement.h"
#include "voicelines.h"
#include "wordjudgement.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <numeric>
#ifdef Q_OS_LINUX
#    include <sys/resource.h>
#endif
#include <unistd.h>

namespace {

// How one sample of a made-up voice is spoken: a tone between two silences.
struct Take
{
    double amplitude = 0.3;
    double leadSeconds = 0.05;
    double toneSeconds = 0.6;
    double trailSeconds = 0.05;
    int rate = 22050;
    int bits = 16; // 8 or 16 for PCM, 32 for float
    double offset = 0;
    double shout = 1;     // gain on 50 ms in the middle of the tone, cut at full scale but in float
    double after = 1;     // gain after that cut: a clipped take turned down
    double hiss = 0.0005; // a recording's noise floor
    double trailNoise = 0;  // peak of a noise, such as a breath, after the tone
    double trailOffset = 0; // the offset after the tone, in place of offset
    double highHz = 0;      // a second tone as loud as the first
    double phase = 0;       // where the tone starts: at its crest for pi / 2
    bool spoken = false;    // for a voice: espeak-ng's rather than tones
};

// A breath or room tone: steady noise of the given peak, the same on every run.
double noise(qsizetype i, double peak)
{
    return peak * (double(quint32(i * 2654435761u) >> 8) / (1 << 23) - 1);
}

QByteArray encoded(const Take &take, const QList<double> &samples)
{
    QByteArray data;
    for (double sample : samples) {
        if (take.bits != 32)
            sample = std::clamp(sample, -1.0, 1.0);
        sample *= take.after;
        if (take.bits == 8) {
            data.append(char(128 + std::lround(sample * 127)));
        } else if (take.bits == 16) {
            const auto value = qToLittleEndian(qint16(std::lround(sample * 32767)));
            data.append(reinterpret_cast<const char *>(&value), sizeof value);
        } else {
            const auto value = qToLittleEndian(float(sample));
            data.append(reinterpret_cast<const char *>(&value), sizeof value);
        }
    }
    return data;
}

QByteArray audio(const Take &take, double hz)
{
    QList<double> samples(qsizetype(take.leadSeconds * take.rate), 0.0);
    const auto toneFrames = qsizetype(take.toneSeconds * take.rate);
    for (qsizetype i = 0; i < toneFrames; ++i)
        samples.append(take.amplitude
                       * (std::sin(2 * std::numbers::pi * hz * i / take.rate + take.phase)
                          + std::sin(2 * std::numbers::pi * take.highHz * i / take.rate)));
    for (qsizetype i = 0; i < qsizetype(take.trailSeconds * take.rate); ++i)
        samples.append(noise(i, take.trailNoise) + take.trailOffset - take.offset);
    const qsizetype shouting = qsizetype(take.leadSeconds * take.rate) + toneFrames / 2;
    for (qsizetype i = shouting; i < shouting + take.rate / 20 && i < samples.size(); ++i)
        samples[i] *= take.shout;
    for (qsizetype i = 0; i < samples.size(); ++i)
        samples[i] += take.offset + take.hiss * std::sin(i * 2.3);
    return encoded(take, samples);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
             qPrintable(path));
}

// A WAV file of take; promising more seconds than it holds when promised is given.
void writeTake(const QString &path, const Take &take = {}, double hz = 440, double promised = 0)
{
    const QByteArray data = audio(take, hz);
    const int frameBytes = take.bits / 8;
    const auto claimed = promised > 0 ? quint32(promised * take.rate * frameBytes) : data.size();
    QByteArray bytes = wavFile(1, quint32(take.rate), take.bits, data, quint32(claimed));
    if (take.bits == 32)
        bytes[20] = 3; // the format tag of float samples
    writeFile(path, bytes);
}

QString sampleName(const CatalogueEntry &entry)
{
    return QLatin1String(entry.name.data(), entry.name.size());
}

// All 59 samples, alike but for pitch.
void writeCleanVoice(const QString &folder, const Take &take = {})
{
    double hz = 300;
    for (const CatalogueEntry &entry : SampleCatalogue)
        writeTake(folder + '/' + sampleName(entry) + ".wav", take, hz += 7);
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run voiceCheck(const QStringList &arguments, qint64 fileSizeLimit = 0)
{
    QProcess process;
#ifdef Q_OS_LINUX
    // A disk that is full once a file reaches the limit.
    if (fileSizeLimit > 0)
        process.setChildProcessModifier([fileSizeLimit] {
            const rlimit limit { rlim_t(fileSizeLimit), rlim_t(fileSizeLimit) };
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        });
#endif
    process.start(VOICE_CHECK, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

// Each sample's problems by name, from --json; empty when the output is not a report.
QMap<QString, QStringList> problemsByName(const QJsonObject &report)
{
    QMap<QString, QStringList> problems;
    for (const QJsonValue sample : report["samples"].toArray()) {
        QStringList words;
        for (const QJsonValue word : sample["problems"].toArray())
            words.append(word.toString());
        problems.insert(sample["name"].toString(), words);
    }
    return problems;
}

QJsonObject jsonReport(const QString &folder, int expectedExit, const QStringList &options = {})
{
    const Run run = voiceCheck(options + QStringList { "--json", folder });
    [&] { QCOMPARE(run.exitCode, expectedExit); }();
    return QJsonDocument::fromJson(run.out).object();
}

QJsonObject sampleNamed(const QJsonObject &report, const QString &name)
{
    for (const QJsonValue sample : report["samples"].toArray()) {
        if (sample["name"] == name)
            return sample.toObject();
    }
    return {};
}

// The names and contents of the files in folder.
QByteArray folderHash(const QString &folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : files) {
        QFile file(folder + '/' + name);
        file.open(QIODevice::ReadOnly);
        hash.addData(name.toUtf8() + '\0' + file.readAll());
    }
    return hash.result().toHex() + ' ' + QByteArray::number(files.size());
}

// A fixed voice is a fixed point: fixed again, every file comes out byte
// for byte as it went in.
void fixingAgainChangesNothing(const QString &fixed)
{
    const QTemporaryDir again;
    const QString twice = again.filePath("twice");
    const Run fix = voiceCheck({ "--no-words", "--fix", twice, fixed });
    QVERIFY2(fix.exitCode == 0 || fix.exitCode == 1, fix.err.constData());
    QVERIFY2(folderHash(twice) == folderHash(fixed), fix.out.constData());
}

QList<float> decoded(const QString &path)
{
    const auto file = SampleFile::open(path);
    QList<float> samples(file ? file->frames() * file->channels() : 0);
    if (file)
        samples.resize(file->read(samples.data(), file->frames()) * file->channels());
    return samples;
}

// How far below the tone what is left after taking away the best-fitting
// sine of hz lies, over whole periods in the middle of samples.
double residualDb(const QList<float> &samples, double hz, int rate)
{
    const auto period = qsizetype(std::lround(rate / std::gcd(int(hz), rate)));
    const qsizetype length = samples.size() / 2 / period * period;
    const qsizetype from = samples.size() / 4;
    double sine = 0;
    double cosine = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const double phase = 2 * std::numbers::pi * hz * double(i) / rate;
        sine += samples[from + i] * std::sin(phase) * 2 / double(length);
        cosine += samples[from + i] * std::cos(phase) * 2 / double(length);
    }
    double tone = 0;
    double rest = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const double phase = 2 * std::numbers::pi * hz * double(i) / rate;
        const double fitted = sine * std::sin(phase) + cosine * std::cos(phase);
        tone += fitted * fitted;
        rest += (samples[from + i] - fitted) * (samples[from + i] - fitted);
    }
    return 10 * std::log10(rest / tone);
}

// A voice with one of each fault --fix mends, and five it cannot.
void writeMessyVoice(const QString &voice)
{
    writeCleanVoice(voice);
    writeTake(voice + "/Then.wav", { .amplitude = 0.0002, .hiss = 0 }); // silent: -77 dBFS
    writeTake(voice + "/800.wav", { .rate = 44100 }, 600, 2); // cut short, and to be resampled
    QFile::remove(voice + "/RbExit6.wav");
    writeTake(voice + "/Meters.wav", { .amplitude = 1.6 });     // driven 4 dB into full scale
    writeTake(voice + "/100.wav", { .amplitude = 0.3 / 2.82 }); // -9 dB
    writeTake(voice + "/200.wav", { .amplitude = 0.3 * 2.82 }); // +9 dB
    writeTake(voice + "/300.wav", { .leadSeconds = 0.45 });
    writeTake(voice + "/400.wav", { .trailSeconds = 0.8 });
    writeTake(voice + "/500.wav", { .rate = 44100 });
    writeTone(voice + "/600.wav", 500, 0.7, 22050, 2); // stereo, and no pause at either end
    writeTake(voice + "/700.wav", { .offset = 0.02 });
    writeTake(voice + "/KeepLeft.wav", { .bits = 32 }); // float among 16-bit PCM
    // Quiet, with clicks near full scale: the true-peak ceiling holds its gain back.
    QByteArray clicks = audio({ .amplitude = 0.03 }, 440);
    for (const int at : { 8000, 12000, 16000 })
        qToLittleEndian(qint16(30000), clicks.data() + 2 * at);
    writeFile(voice + "/Arrive.wav", wavFile(1, 22050, 16, clicks, quint32(clicks.size())));
    writeTake(voice + "/Depart.wav", { .amplitude = 0.15, .rate = 48000, .highHz = 15000 }, 1000);
}

bool succeeds(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// fusefat mounts through FUSE 2 on Debian 12 and FUSE 3 on Debian 13, each
// with its own unmount tool; either unmounts the other's mounts.
bool unmountFuse(const QString &mount)
{
    for (const char *tool : { "fusermount3", "fusermount" }) {
        if (!QStandardPaths::findExecutable(tool).isEmpty() && succeeds(tool, { "-u", mount }))
            return true;
    }
    return false;
}

// A voice whose samples espeak-ng speaks at its own rate, each its line
// (the catalogue's unless given), made once; empty without espeak-ng.
QString spokenVoice(const QStringList &espeakOptions,
                    const QStringList &lines = defaultLines().texts)
{
    static QMap<QStringList, std::shared_ptr<QTemporaryDir>> voices;
    auto &folder = voices[espeakOptions + lines];
    if (!folder) {
        folder = std::make_shared<QTemporaryDir>();
        for (std::size_t i = 0; i < SampleCatalogue.size(); ++i) {
            const QString file = folder->filePath(sampleName(SampleCatalogue[i]) + ".wav");
            if (!succeeds("espeak-ng", espeakOptions + QStringList { "-w", file, lines[i] }))
                return {};
        }
    }
    return folder->path();
}

// Every sample of from passed through sox into to: sox FILE outputOptions OUT effects.
bool soxVoice(const QString &from, const QString &to, const QStringList &outputOptions,
              const QStringList &effects = {})
{
    for (const CatalogueEntry &entry : SampleCatalogue) {
        const QString file = '/' + sampleName(entry) + ".wav";
        if (!succeeds("sox",
                      QStringList { "-V1", from + file } + outputOptions + QStringList { to + file }
                          + effects))
            return false;
    }
    return true;
}

// Fills a folder with a voice; the reason to skip when a tool it needs is missing.
using MakeVoice = std::function<QString(const QString &folder)>;

MakeVoice spoken(const QStringList &espeakOptions, const QStringList &outputOptions = {},
                 const QStringList &effects = {}, const QStringList &lines = defaultLines().texts)
{
    return [=](const QString &folder) {
        const QString voice = spokenVoice(espeakOptions, lines);
        if (voice.isEmpty() || !soxVoice(voice, folder, outputOptions, effects))
            return QStringLiteral("needs espeak-ng and sox");
        return QString();
    };
}

// The RMS of the loudest 10 ms of samples at rate.
double loudestWindow(const QList<float> &samples, int rate)
{
    double loudest = 0;
    const qsizetype window = rate / 100;
    for (qsizetype from = 0; from + window <= samples.size(); from += window) {
        const double squares
            = std::accumulate(samples.begin() + from, samples.begin() + from + window, 0.0,
                              [](double sum, float x) { return sum + x * x; });
        loudest = std::max(loudest, std::sqrt(squares / double(window)));
    }
    return loudest;
}

double fromDb(double db)
{
    return std::pow(10.0, db / 20);
}

// A sample as a person records it: the take's frames at its rate.
struct SpokenTake
{
    QList<float> frames;
    int rate = 22050;
};

// espeak-ng's words as people's recordings sound: each word reshaped by
// record, given the word, the RMS of its loudest 10 ms and its place in the
// catalogue, and written as 16-bit PCM.
MakeVoice
recorded(const std::function<SpokenTake(QList<float> word, double level, int index)> &record)
{
    return [=](const QString &folder) {
        const QString voice = spokenVoice({});
        if (voice.isEmpty())
            return QStringLiteral("needs espeak-ng");
        int index = 0;
        for (const CatalogueEntry &entry : SampleCatalogue) {
            const QString file = '/' + sampleName(entry) + ".wav";
            const QList<float> word = decoded(voice + file);
            const SpokenTake take = record(word, loudestWindow(word, 22050), index++);
            QByteArray data;
            for (const float sample : take.frames) {
                const auto value
                    = qToLittleEndian(qint16(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767)));
                data.append(reinterpret_cast<const char *>(&value), sizeof value);
            }
            writeFile(folder + file,
                      wavFile(1, quint32(take.rate), 16, data, quint32(data.size())));
        }
        return QString();
    };
}

// Noise of that peak shaped as a breath: rising and falling over its length.
QList<float> breath(double peak, int frames)
{
    QList<float> samples;
    for (int i = 0; i < frames; ++i)
        samples.append(float(noise(i, peak) * std::sin(std::numbers::pi * i / frames)));
    return samples;
}

// Room tone under samples: noise whose RMS runs from fromRms to toRms, and a
// hum of 50 Hz at humRms.
void underRoomTone(QList<float> &samples, double fromRms, double toRms, double humRms = 0)
{
    const auto frames = double(samples.size());
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const double rms = fromRms + (toRms - fromRms) * double(i) / frames;
        samples[i]
            += float(noise(i + 7919, rms * std::sqrt(3.0))
                     + humRms * std::sqrt(2.0) * std::sin(2 * std::numbers::pi * 50 * i / 22050.0));
    }
}

// Four pairs of samples swapped and KeepRight's copied over Charge's, as an
// author's slip leaves them: each name, and the name whose line it says.
const QMap<QString, QString> PlantedWords {
    { "TurnLeft", "TurnRight" },
    { "TurnRight", "TurnLeft" },
    { "2ndLeft", "3rdLeft" },
    { "3rdLeft", "2ndLeft" },
    { "RbExit1", "RbExit4" },
    { "RbExit4", "RbExit1" },
    { "300", "700" },
    { "700", "300" },
    { "Charge", "KeepRight" },
};

void plantWords(const QString &voice)
{
    QMap<QString, QByteArray> says;
    for (const QString &name : PlantedWords) {
        QFile file(voice + '/' + name + ".wav");
        QVERIFY(file.open(QIODevice::ReadOnly));
        says.insert(name, file.readAll());
    }
    for (auto planted = PlantedWords.cbegin(); planted != PlantedWords.cend(); ++planted)
        writeFile(voice + '/' + planted.key() + ".wav", says[planted.value()]);
}

// An author's own wording of some lines; lines.txt rows and every line.
struct Wording
{
    QByteArray file;
    QStringList lines = defaultLines().texts;
};

Wording authorsWording()
{
    const QList<std::pair<QString, QString>> own {
        { "TurnLeft", "Please turn left now" },
        { "TurnRight", "Please turn right now" },
        { "2ndLeft", "Now take the second left" },
        { "3rdLeft", "Now take the third left" },
        { "KeepRight", "Stay on the right" },
        { "Charge", "There is a charging station here" },
        { "RbExit1", "At the next roundabout, take the first exit" },
        { "RbExit4", "At the next roundabout, take the fourth exit" },
    };
    Wording wording;
    wording.file = "# my own wording\n";
    for (const auto &[name, line] : own) {
        wording.file += (name + '\t' + line + '\n').toUtf8();
        for (std::size_t i = 0; i < SampleCatalogue.size(); ++i) {
            if (sampleName(SampleCatalogue[i]) == name)
                wording.lines[qsizetype(i)] = line;
        }
    }
    return wording;
}

// A voice of count samples, each heard as its own line by a wide margin.
QList<SampleWords> heardVoice(int count)
{
    QList<SampleWords> voice(count);
    for (int i = 0; i < count; ++i) {
        voice[i].heard = true;
        voice[i].hearing.line = i;
        for (int window = 0; window < 50; ++window)
            voice[i].contour.append(float(60 + 20 * std::sin(0.3 * window * (i + 1))));
    }
    return voice;
}

void hearAs(QList<SampleWords> &voice, int sample, int line, std::optional<int> margin)
{
    voice[sample].hearing.line = line;
    voice[sample].hearing.margin = margin;
}

} // namespace

Q_DECLARE_METATYPE(Take)
Q_DECLARE_METATYPE(MakeVoice)
using Plant = std::function<void(const QString &voice)>;
Q_DECLARE_METATYPE(Plant)
Q_DECLARE_METATYPE(Wording)
using Judged = std::function<QList<SampleWords>()>;
using Said = QMap<int, int>; // a sample, and the line it says
Q_DECLARE_METATYPE(Judged)

class TestVoiceCheck : public QObject
{
    Q_OBJECT

private slots:
    void honestVoicesPass_data();
    void honestVoicesPass();
    void onFatFileSystem();
    void plantedFaultIsFoundExactly_data();
    void plantedFaultIsFoundExactly();
    void tableForPeople();
    void badInputHasADefinedOutcome();
    void usageAndFolderErrors();
    void pauses_data();
    void pauses();
    void rules();
    void fixMatchesAMessyVoice();
    void fixStopsAtAFullDisk();
    void chartShowsEachSample();
    void plantedWordsAreFound_data();
    void plantedWordsAreFound();
    void wordsAreJudgedAsASet_data();
    void wordsAreJudgedAsASet();
    void linesFile_data();
    void linesFile();
};

void TestVoiceCheck::honestVoicesPass_data()
{
    QTest::addColumn<MakeVoice>("make");
    QTest::addColumn<QStringList>("clipped"); // made so; nothing else is wrong
    QTest::addColumn<bool>("speech");         // each sample saying its line
    const auto tones = [](const Take &take) {
        return MakeVoice([=](const QString &folder) {
            writeCleanVoice(folder, take);
            return QString();
        });
    };
    QTest::newRow("tones") << MakeVoice([](const QString &folder) {
        writeCleanVoice(folder);
        // Neither a short sample (no 400 ms block to gate) nor files that
        // are not WAV files count against a voice.
        writeTake(folder + "/50.wav", { .toneSeconds = 0.2 }, 360);
        writeFile(folder + "/README.txt", "my voice");
        writeFile(folder + "/desktop.ini", "[.ShellClassInfo]");
        return QString();
    }) << QStringList() << false;
    // Starting and stopping abruptly at a crest is not a flat top.
    QTest::newRow("8-bit tones") << tones({ .bits = 8, .phase = std::numbers::pi / 2 })
                                 << QStringList() << false;
    QTest::newRow("hard links") << MakeVoice([](const QString &folder) {
        writeCleanVoice(folder);
        std::filesystem::create_hard_link(
            QFile::encodeName(folder + "/TurnLeft.wav").toStdString(),
            QFile::encodeName(folder + "/turnleft.wav").toStdString());
        return QString();
    }) << QStringList() << false;
    for (const int rate : { 8000, 11025, 22050, 48000 }) {
        // Full-scale sines from 50 Hz up to a quarter of the rate, or 5 kHz.
        QTest::addRow("full-scale sines at %d Hz", rate)
            << MakeVoice([rate](const QString &folder) {
                   double hz = 50;
                   const double rise = std::pow(std::min(5000.0, rate / 4.0) / 50, 1.0 / 58);
                   for (const CatalogueEntry &entry : SampleCatalogue) {
                       writeTake(folder + '/' + sampleName(entry) + ".wav",
                                 { .amplitude = 1,
                                   .leadSeconds = 0,
                                   .trailSeconds = 0,
                                   .rate = rate,
                                   .hiss = 0 },
                                 hz);
                       hz *= rise;
                   }
                   return QString();
               })
            << QStringList() << false;
    }
    QTest::newRow("espeak-ng") << spoken({}) << QStringList() << true;
    QTest::newRow("espeak-ng fast")
        << spoken({ "-v", "en-us", "-s", "260" }) << QStringList() << true;
    QTest::newRow("espeak-ng slow")
        << spoken({ "-v", "en-gb", "-s", "110" }) << QStringList() << true;
    QTest::newRow("44.1 kHz 24-bit at -0.01 dBFS")
        << spoken({}, { "-r", "44100", "-b", "24" }, { "norm", "-0.01" }) << QStringList() << true;
    QTest::newRow("48 kHz 16-bit at -0.05 dBFS")
        << spoken({}, { "-r", "48000", "-b", "16" }, { "norm", "-0.05" }) << QStringList() << true;
    QTest::newRow("44.1 kHz at full scale")
        << spoken({}, { "-r", "44100" }, { "norm", "0" }) << QStringList() << true;
    QTest::newRow("8-bit speech") << spoken({}, { "-b", "8" }) << QStringList() << true;
    QTest::newRow("another voice, pitch and tempo changed")
        << spoken({ "-v", "en-us+f2" }, {}, { "pitch", "-200", "tempo", "1.1" }) << QStringList()
        << true;
    QTest::newRow("GSM phone codec round trip") << MakeVoice([](const QString &folder) {
        QTemporaryDir coded;
        if (const QString skip = spoken({}, { "-r", "8000", "-e", "gsm-full-rate" })(coded.path());
            !skip.isEmpty())
            return skip;
        return soxVoice(coded.path(), folder, { "-r", "22050", "-e", "signed", "-b", "16" })
            ? QString()
            : QStringLiteral("needs sox");
    }) << QStringList() << true;
    for (const int roomDb : { 56, 70 }) {
        // Room tone under the whole sample, pink noise of that RMS level.
        QTest::addRow("room tone at -%d dBFS", roomDb) << MakeVoice(
            [roomDb](const QString &folder) {
                QTemporaryDir clean;
                const MakeVoice speech = spoken({}, {}, { "pad", "0.2", "0.2" });
                if (const QString skip = speech(clean.path()); !skip.isEmpty())
                    return skip;
                const QString pink = clean.filePath("pink.wav");
                const QString gain = QString::number(13 - roomDb);
                if (!succeeds("sox",
                              { "-V1", "-n", "-r", "22050", "-b", "16", "-c", "1", pink, "synth",
                                "4", "pinknoise", "gain", gain }))
                    return QStringLiteral("needs sox");
                for (const CatalogueEntry &entry : SampleCatalogue) {
                    const QString file = '/' + sampleName(entry) + ".wav";
                    // As long as the sample: 16-bit mono after a 44-byte header.
                    const QString frames
                        = QString::number((QFileInfo(clean.path() + file).size() - 44) / 2) + 's';
                    if (!succeeds("sox",
                                  { "-V1", "-m", "-v", "1", clean.path() + file, "-v", "1", pink,
                                    folder + file, "trim", "0", frames }))
                        return QStringLiteral("needs sox");
                }
                return QString();
            }) << QStringList() << true;
    }
    // As people record: the rest of each row is pause, the word keeps its soft sounds.
    QTest::newRow("breath and mouth noise")
        << recorded([](QList<float> word, double level, int index) {
               const double sqrt3 = std::sqrt(3.0);
               QList<float> take(2205, 0.0f);
               // 30 to 45 dB below the word, then 80 ms of room before it.
               take += breath(level * fromDb(-30 - index % 16) * sqrt3, 5512);
               take += QList<float>(1764, 0.0f);
               take += word;
               take += breath(level * fromDb(-35 - index % 11) * sqrt3, 441);
               take += QList<float>(2205, 0.0f);
               underRoomTone(take, level * fromDb(-50), level * fromDb(-50));
               return SpokenTake { take };
           })
        << QStringList() << true;
    QTest::newRow("room tone drifting, and hum")
        << recorded([](QList<float> word, double level, int index) {
               QList<float> take(4410, 0.0f);
               take += word;
               const double room = level * fromDb(-58 + index % 7 * 2);
               underRoomTone(take, room, room * fromDb(6), room / 4);
               return SpokenTake { take };
           })
        << QStringList() << true;
    QTest::newRow("reverb tails") << spoken({}, {},
                                            { "pad", "0.3", "0.4", "gain", "-4", "reverb", "40" })
                                  << QStringList() << true;
    // Tails near an 8-bit step, which rounding after a gain and the mean a
    // cut leaves move across the pause lines.
    QTest::newRow("8-bit reverb tails off centre")
        << spoken({}, { "-b", "8" }, { "pad", "0.2", "0.3", "reverb", "30", "dcshift", "0.006" })
        << QStringList() << true;
    // The median's word kept as it is, words kept 0.4 dB below it and 0.49 dB
    // above, and words trimmed and turned down across it, which move the
    // copy's median away from the words above.
    QTest::newRow("levels on a step's edge") << recorded([](QList<float> word, double, int index) {
        PauseMeter pauses(1, 22050);
        pauses.add(word.constData(), word.size());
        const PauseMeter::Ends ends = pauses.ends();
        const bool trimmed = index > 29 && index < 49;
        QList<float> take(trimmed ? 2205 : 221, 0.0f);
        take += word.mid(ends.leading, word.size() - ends.leading - ends.trailing);
        take += QList<float>(882, 0.0f);
        LoudnessMeter loudness(1, 22050);
        loudness.add(take.constData(), take.size());
        const double lufs = -20 + (index < 29 ? -0.4 : index == 29 ? 0 : trimmed ? 0.3 : 0.49);
        const auto gain = float(fromDb(lufs - loudness.lufs()));
        for (float &sample : take)
            sample *= gain;
        return SpokenTake { take };
    }) << QStringList() << true;
    QTest::newRow("Vorbis round trip") << MakeVoice([](const QString &folder) {
        QTemporaryDir coded;
        if (const QString skip = spoken({}, { "-t", "ogg" })(coded.path()); !skip.isEmpty())
            return skip;
        return soxVoice(coded.path(), folder, { "-b", "16" }) ? QString()
                                                              : QStringLiteral("needs sox");
    }) << QStringList() << true;
    // Every fourth word at 44.1 kHz with a flat top of 3 or 4 samples, which
    // the fix's conversion to the voice's 22.05 kHz rounds off.
    QStringList flatTopped;
    for (std::size_t i = 0; i < SampleCatalogue.size(); i += 4)
        flatTopped.append(sampleName(SampleCatalogue[i]));
    QTest::newRow("short flat tops") << recorded([](QList<float> word, double, int index) {
        if (index % 4 != 0)
            return SpokenTake { word };
        QList<float> doubled;
        for (qsizetype i = 0; i < word.size(); ++i)
            doubled << word[i] << (word[i] + word.value(i + 1)) / 2;
        const auto loudest = std::max_element(doubled.begin(), doubled.end(), [](float a, float b) {
            return std::fabs(a) < std::fabs(b);
        });
        const float scale = 0.9f / std::fabs(*loudest);
        for (float &sample : doubled)
            sample *= scale;
        std::fill_n(loudest - 1, 3 + index % 2, *loudest > 0 ? 1.0f : -1.0f);
        return SpokenTake { doubled, 44100 };
    }) << flatTopped << true;
}

void TestVoiceCheck::honestVoicesPass()
{
    QFETCH(MakeVoice, make);
    QFETCH(QStringList, clipped);
    QFETCH(bool, speech);
#ifdef VP_SANITIZED
    // A sanitizer slows a voice's check fivefold and the speech model's many
    // small allocations more: there a voice of each kind of file is checked
    // and one spoken voice heard, in Release every one.
    static const QSet<QByteArray> sanitized { "tones",
                                              "8-bit tones",
                                              "hard links",
                                              "full-scale sines at 48000 Hz",
                                              "espeak-ng",
                                              "44.1 kHz 24-bit at -0.01 dBFS",
                                              "8-bit reverb tails off centre",
                                              "Vorbis round trip" };
    if (!sanitized.contains(QTest::currentDataTag()))
        QSKIP("the Release suite checks this voice");
#endif
    QTemporaryDir dir;
    if (const QString skip = make(dir.path()); !skip.isEmpty())
        QSKIP(qPrintable(skip));
#ifdef VP_SANITIZED
    const bool hear = !speech || QByteArray(QTest::currentDataTag()) == "espeak-ng";
#else
    const bool hear = true;
#endif
    const QJsonObject report = jsonReport(dir.path(), clipped.isEmpty() ? 0 : 1,
                                          hear ? QStringList() : QStringList { "--no-words" });
    // Speech is heard, most of it as its own lines; tones are not taken for words.
    QCOMPARE(report["words"]["checked"].toBool(), speech && hear);
    const int heardOwn = report["words"]["heard_as_own_line"].toInt();
    qInfo() << "heard as their own lines:" << heardOwn;
    QVERIFY2(!speech || !hear || heardOwn >= 45, qPrintable(QString::number(heardOwn)));
    const auto problems = problemsByName(report);
    QCOMPARE(problems.size(), int(SampleCatalogue.size()));
    QCOMPARE(report["samples"].toArray().first()["name"].toString(), "TurnLeft");
    for (auto sample = problems.cbegin(); sample != problems.cend(); ++sample)
        QVERIFY2(clipped.contains(sample.key()) ? sample->contains("clipped") : sample->isEmpty(),
                 qPrintable(sample.key() + ": " + sample->join(' ')));
    QCOMPARE(report["extra"].toArray().size(), 0);

    // Fixed, every pause is at its pad, what a fix cannot mend is still
    // named, and a second fix finds nothing to do.
    // The words are the check's alone: the fix changes none.
    QTemporaryDir fixes;
    const Run fix
        = voiceCheck({ "--json", "--no-words", "--fix", fixes.filePath("once"), dir.path() });
    for (const QJsonValue sample : QJsonDocument::fromJson(fix.out)["check"]["samples"].toArray()) {
        const QString found = QString("%1: lead %2 ms, trail %3 ms, %4 (%5)")
                                  .arg(sample["name"].toString())
                                  .arg(sample["silence_start_ms"].toDouble())
                                  .arg(sample["silence_end_ms"].toDouble())
                                  .arg(sample["problems"].toVariant().toStringList().join(' '),
                                       sample["reason"].toString());
        QVERIFY2(qAbs(sample["silence_start_ms"].toDouble() - 10) <= 10
                     && qAbs(sample["silence_end_ms"].toDouble() - 40) <= 10,
                 qPrintable(found));
        if (clipped.contains(sample["name"].toString()))
            QVERIFY2(sample["problems"].toArray().contains("clipped")
                         && sample["reason"] == "clipped in the source",
                     qPrintable(found));
    }
    QCOMPARE(fix.exitCode, clipped.isEmpty() ? 0 : 1);
    fixingAgainChangesNothing(fixes.filePath("once"));
}

// Where letter case is ignored by the file system itself, every spelling of
// a name opens the one file.
void TestVoiceCheck::onFatFileSystem()
{
    if (geteuid() != 0 || !QFile::exists("/dev/fuse"))
        QSKIP("mounting a FAT image with fusefat needs root and /dev/fuse");
    QTemporaryDir dir;
    QFile image(dir.filePath("fat.img"));
    QVERIFY(image.open(QIODevice::WriteOnly) && image.resize(qint64(64) << 20));
    image.close();
    const QString mount = dir.filePath("mnt");
    QVERIFY(QDir().mkpath(mount));
    if (!succeeds("mkfs.vfat", { image.fileName() })
        || !succeeds("fusefat", { "-o", "rw+", image.fileName(), mount }))
        QSKIP("needs mkfs.vfat (dosfstools) and fusefat");
    auto unmount = qScopeGuard([&] { unmountFuse(mount); });
#ifdef VP_DEMO_VOICE
    const QString demo = QCoreApplication::applicationDirPath() + "/wavs";
    for (const QString &file : QDir(demo).entryList({ "*.wav" }, QDir::Files))
        QVERIFY(QFile::copy(demo + '/' + file, mount + '/' + file));
#else
    writeCleanVoice(mount);
#endif
    const Run run = voiceCheck({ mount });
    QVERIFY2(run.exitCode == 0, run.out.constData());
    unmount.dismiss();
    // A mount left behind would outlive the suite with its fusefat process.
    QVERIFY2(unmountFuse(mount), "the FAT image stays mounted: no fusermount3 or fusermount");
}

void TestVoiceCheck::plantedFaultIsFoundExactly_data()
{
    QTest::addColumn<Take>("voice");
    QTest::addColumn<Plant>("plant");
    QTest::addColumn<QString>("sample"); // empty for an extra file
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("detail"); // in the sample's reason, or the extra's nearest name

    const auto take = [](const QString &name, const Take &take, double promised = 0) {
        return Plant(
            [=](const QString &voice) { writeTake(voice + '/' + name, take, 440, promised); });
    };
    const auto file = [](const QString &name, const QByteArray &bytes) {
        return Plant([=](const QString &voice) { writeFile(voice + '/' + name, bytes); });
    };
    const auto row = [](const char *name, const Take &voice, const Plant &plant,
                        const QString &sample, const QString &word, const QString &detail = {}) {
        QTest::newRow(name) << voice << plant << sample << word << detail;
    };
    const Take tones;
    row("missing", tones, Plant([](const QString &v) { QFile::remove(v + "/RbExit6.wav"); }),
        "RbExit6", "missing");
    row("folder", tones, Plant([](const QString &v) {
            QFile::remove(v + "/Charge.wav");
            QDir(v).mkdir("Charge.wav");
        }),
        "Charge", "missing", "is a folder");
    row("dangling link", tones, Plant([](const QString &v) {
            QFile::remove(v + "/Yards.wav");
            QFile::link("nowhere", v + "/Yards.wav");
        }),
        "Yards", "missing", "is a link to nothing");
    row("not a WAV file", tones, file("Then.wav", QByteArray("RIFF, but not really").repeated(50)),
        "Then", "unreadable", "not a WAV file");
    row("no audio", tones, file("Then.wav", wavFile(1, 22050, 16, {}, 0)), "Then", "unreadable",
        "no audio");
    row("several files", tones, Plant([](const QString &v) {
            QFile::rename(v + "/TurnLeft.wav", v + "/turnleft.wav");
            writeTake(v + "/TurnLeft.WAV");
        }),
        "TurnLeft", "several-files");
    row("cut short", tones, take("Arrive.wav", {}, 2.8), "Arrive", "truncated");
    row("silent", tones, take("After.wav", { .amplitude = 0, .hiss = 0 }), "After", "silent");
    row("clipped", tones, take("Meters.wav", { .shout = 4.7 }), "Meters", "clipped");
    row("clipped, turned down", tones, take("Meters.wav", { .shout = 4.7, .after = 0.6 }), "Meters",
        "clipped");
    row("float beyond full scale", { .bits = 32 }, take("Meters.wav", { .bits = 32, .shout = 4.7 }),
        "Meters", "clipped");
    // Speech driven 3 dB into full scale, and then turned down 6 dB.
    const auto driven = [](const QStringList &after) {
        return Plant([=](const QString &v) {
            const QString word = spokenVoice({}) + "/Meters.wav";
            const QString loud = v + "/loud.tmp";
            QVERIFY(succeeds("sox", { "-V1", word, "-t", "wav", loud, "norm", "3" })
                    && succeeds("sox", QStringList { "-V1", loud, v + "/Meters.wav" } + after));
            QFile::remove(loud);
        });
    };
    row("speech driven into full scale", { .spoken = true }, driven({}), "Meters", "clipped");
    row("speech clipped, turned down", { .spoken = true }, driven({ "vol", "-6dB" }), "Meters",
        "clipped");
    row("quiet", tones, take("100.wav", { .amplitude = 0.3 / 4 }), "100", "quiet");
    row("8 LU quiet", tones, take("100.wav", { .amplitude = 0.3 / 2.5 }), "100", "quiet");
    row("loud", tones, take("200.wav", { .amplitude = 0.3 * 2.5 }), "200", "loud");
    row("lead", tones, take("300.wav", { .leadSeconds = 0.05 + 0.4 }), "300", "silence-start");
    row("breath", tones, take("400.wav", { .trailSeconds = 0.05 + 1, .trailNoise = 0.005 }), "400",
        "silence-end");
    // The word off centre one way and the pause after it the other: the mean
    // of the part a fix keeps is over the limit, though the sample's is not.
    row("pause off centre", tones,
        take("400.wav", { .trailSeconds = 2, .offset = 0.018, .trailOffset = -0.006 }), "400",
        "silence-end");
    row("8-bit dither", { .bits = 8 },
        take("400.wav", { .trailSeconds = 0.05 + 1, .bits = 8, .trailNoise = 1.0 / 127 }), "400",
        "silence-end");
    row("rate", tones, take("500.wav", { .rate = 44100 }), "500", "format");
    row("8-bit among 16-bit", tones, take("500.wav", { .bits = 8 }), "500", "format");
    row("float among 16-bit", tones, take("500.wav", { .bits = 32 }), "500", "format");
    // A mono take's bytes read as stereo: half as long, as loud as a stereo take.
    const Plant stereo([](const QString &v) {
        const QByteArray data = audio({}, 440);
        writeFile(v + "/500.wav", wavFile(2, 22050, 16, data, quint32(data.size())));
    });
    row("stereo among mono", tones, stereo, "500", "format");
    row("dc offset", tones, take("600.wav", { .offset = 0.02 }), "600", "dc-offset");
    // A voice with nothing wrong but one extra file is not clean.
    row("misspelt", tones, take("TurnLft.wav", {}), "", "", "TurnLeft");
    row("misspelt exit", tones, take("RbExt3.wav", {}), "", "", "RbExit3");
    row("far from any name", tones, take("clip_1.wav", {}), "", "");
}

void TestVoiceCheck::plantedFaultIsFoundExactly()
{
    QFETCH(Take, voice);
    QFETCH(Plant, plant);
    QFETCH(QString, sample);
    QFETCH(QString, word);
    QFETCH(QString, detail);
    QTemporaryDir dir;
    if (!voice.spoken)
        writeCleanVoice(dir.path(), voice);
    else if (const QString skip = spoken({})(dir.path()); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    plant(dir.path());

    // Tones say no words: hearing them would only take time.
    const QJsonObject report
        = jsonReport(dir.path(), 1, voice.spoken ? QStringList() : QStringList { "--no-words" });
    const auto found = problemsByName(report);
    QCOMPARE(found.size(), int(SampleCatalogue.size()));
    for (auto problems = found.cbegin(); problems != found.cend(); ++problems) {
        const QStringList expected
            = problems.key() == sample ? QStringList { word } : QStringList();
        QVERIFY2(*problems == expected,
                 qPrintable(problems.key() + ": " + problems->join(' ') + " (" + expected.join(' ')
                            + ')'));
    }
    const QJsonArray extras = report["extra"].toArray();
    QCOMPARE(extras.size(), sample.isEmpty() ? 1 : 0);
    if (sample.isEmpty())
        QCOMPARE(extras[0]["nearest"], detail.isEmpty() ? QJsonValue() : QJsonValue(detail));
    else
        QVERIFY(sampleNamed(report, sample)["reason"].toString().contains(detail));
    if (voice.bits == 32) // the real peak of a float sample, beyond full scale
        QVERIFY(sampleNamed(report, sample)["peak_dbfs"].toDouble() > 2.9);
#ifndef VP_SANITIZED
    // The same fix for every planted fault, which a sanitizer would slow
    // down for minutes: the Release suite fixes each voice twice.
    const QTemporaryDir fixes;
    const Run fix = voiceCheck({ "--no-words", "--fix", fixes.filePath("once"), dir.path() });
    QVERIFY2(fix.exitCode == 0 || fix.exitCode == 1, fix.err.constData());
    fixingAgainChangesNothing(fixes.filePath("once"));
#endif
}

// The table: problems first, the voice's reference, notes that explain,
// every line within the width, names shown safely, no colour off a terminal.
void TestVoiceCheck::tableForPeople()
{
    QTemporaryDir dir;
    const QString voice = dir.path();
    writeCleanVoice(voice);
    QFile::remove(voice + "/RbExit6.wav");
    QFile::rename(voice + "/TurnLeft.wav", voice + "/turnleft.wav");
    writeTake(voice + "/TurnLeft.WAV");
    writeTake(voice + "/Arrive.wav", {}, 440, 2.8);
    writeTake(voice + "/300.wav", { .leadSeconds = 0.05 + 0.4 });
    // A bidirectional override and wide characters in extra files' names.
    writeTake(voice + QString::fromUtf8("/evil\u202Eeliforp.wav"));
    writeTake(voice
              + QString::fromUtf8(
                  "/\u5DE6\u6298\u5DE6\u6298\u5DE6\u6298\u5DE6\u6298\u5DE6\u6298\u5DE6\u6298\u5DE6"
                  "\u6298\u5DE6\u6298\u5DE6\u6298\u5DE6\u6298\u5DE6\u6298\u5DE6\u6298.wav"));

    const Run table = voiceCheck({ voice });
    QCOMPARE(table.exitCode, 1);
    const QList<QByteArray> lines = table.out.trimmed().split('\n');
    QVERIFY(lines.value(1).startsWith("TurnLeft ") && lines.value(5).startsWith("TurnRight "));
    QVERIFY(lines.value(4).startsWith("RbExit6 "));
    for (const QByteArray &line : lines)
        QVERIFY2(cellWidth(QString::fromUtf8(line)) <= TableWidth, line.constData());
    QVERIFY(!table.out.contains('\x1b'));
    QVERIFY(table.out.contains("\nvoice: 22050 1ch PCM 16, -"));
    QVERIFY(table.out.contains("Arrive: Arrive.wav promises 2.80 s, 0.70 s are there"));
    QVERIFY(table.out.contains("TurnLeft: the player takes TurnLeft.WAV, not turnleft.wav"));
    QVERIFY(table.out.contains("extra: evil\\u202eeliforp.wav\n"));
    QVERIFY(!table.out.contains(QString(QChar(0x202E)).toUtf8()));
    QVERIFY(table.out.contains("55 of 59 samples fine; 1 missing (RbExit6), 1 several-files"));
}

void TestVoiceCheck::badInputHasADefinedOutcome()
{
    QTemporaryDir dir;
    const QString voice = dir.path();
    writeCleanVoice(voice);
    // A header that claims far more than the file holds: what is there counts.
    const QByteArray data = audio({ .toneSeconds = 0.2 }, 500);
    writeFile(voice + "/After.wav", wavFile(1, 22050, 16, data, 0x7fff0000));
    // Garbage, an empty file, and a sparse 2 GB file of zeros.
    writeFile(voice + "/Then.wav", QByteArray(3000, '\xff'));
    writeFile(voice + "/Arrive.wav", {});
    QFile sparse(voice + "/Depart.wav");
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(2) << 30));
    sparse.close();
    // Names with a newline, bytes that are not UTF-8, spaces.
    writeTake(voice + "/Line\nbreak.wav");
    const std::filesystem::path notUtf8(QFile::encodeName(voice).toStdString()
                                        + "/Bad\xff\xfe.wav");
    std::ofstream(notUtf8) << "x";
    writeTake(voice + "/with space.WAV");

    const QJsonObject report = jsonReport(voice, 1);
    const auto problems = problemsByName(report);
    QCOMPARE(problems["After"], QStringList { "truncated" });
    QCOMPARE(sampleNamed(report, "After")["seconds"].toDouble(), 0.2 + 0.1);
    QCOMPARE(problems["Then"], QStringList { "unreadable" });
    QCOMPARE(problems["Arrive"], QStringList { "unreadable" });
    QCOMPARE(problems["Depart"], QStringList { "unreadable" });
    QStringList extras;
    for (const QJsonValue extra : report["extra"].toArray())
        extras.append(extra["file"].toString());
    QCOMPARE(extras,
             QStringList(
                 { QStringLiteral(u"Bad\uFFFD\uFFFD.wav"), "Line\nbreak.wav", "with space.WAV" }));

    // A name with a newline stays on one row of the table.
    const Run table = voiceCheck({ voice });
    QCOMPARE(table.exitCode, 1);
    QVERIFY(table.out.contains("extra: Line\\x0abreak.wav\n"));
    std::filesystem::remove(notUtf8); // which QTemporaryDir cannot see
}

void TestVoiceCheck::usageAndFolderErrors()
{
    QTemporaryDir dir;
    const Run noFolder = voiceCheck({ dir.path() + "/no\nwhere" });
    QCOMPARE(noFolder.exitCode, 2);
    QCOMPARE(noFolder.err.count('\n'), 1);
    QVERIFY(noFolder.out.isEmpty());
    writeFile(dir.path() + "/file", "x");
    QCOMPARE(voiceCheck({ "--json", dir.path() + "/file" }).exitCode, 2);
    const Run unknown = voiceCheck({ "--jsn" });
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY2(unknown.err.contains("jsn"), unknown.err.constData());
    QCOMPARE(voiceCheck({ "--version" }).exitCode, 0);
    QCOMPARE(voiceCheck({ "--", "--json" }).err, "voice-check: --json: no such folder\n");
    QCOMPARE(voiceCheck({ dir.path(), dir.path() }).exitCode, 2);
    // --fix's options go with it and take sane numbers; nothing goes into the voice.
    const QString out = dir.path() + "/out";
    const QString voice = dir.path() + "/voice";
    QVERIFY(QDir().mkpath(voice));
    for (const QStringList &arguments : QList<QStringList> {
             { "--pad-end", "20", voice },
             { "--fix", out, "--pad-start", "-5", voice },
             { "--fix", out, "--loudness", "3", voice },
             { "--chart", dir.path() + "/chart.svg", dir.path() },
         })
        QCOMPARE(voiceCheck(arguments).exitCode, 2);
    QVERIFY(!QFile::exists(out) && !QFile::exists(dir.path() + "/chart.svg"));
    const Run help = voiceCheck({ "--help" });
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("usage: voice-check [--json]"));
    // Without the speech model a voice is checked all the same, and says so.
    writeCleanVoice(voice);
    qputenv("VP_SPEECH_MODEL", QFile::encodeName(dir.path() + "/no-model"));
    const Run unheard = voiceCheck({ voice });
    qunsetenv("VP_SPEECH_MODEL");
    QCOMPARE(unheard.exitCode, 0);
    QVERIFY2(unheard.out.contains(
                 "\nwords not checked: the speech model is not installed (pocketsphinx-en-us)\n"),
             unheard.out.constData());
    // A report that cannot be written is a failure, said in one line.
    QProcess full;
    full.setStandardOutputFile("/dev/full");
    full.start(VOICE_CHECK, { "--help" });
    QVERIFY(full.waitForFinished(120000));
    QCOMPARE(full.exitCode(), 2);
    QCOMPARE(full.readAllStandardError().count('\n'), 1);

    // An empty folder: everything missing, and the current directory by default.
    QProcess here;
    here.setWorkingDirectory(dir.path());
    here.start(VOICE_CHECK, { "--json" });
    QVERIFY(here.waitForFinished(120000));
    QCOMPARE(here.exitCode(), 1);
    const QJsonObject report = QJsonDocument::fromJson(here.readAllStandardOutput()).object();
    QCOMPARE(report["summary"]["problems"]["missing"].toArray().size(),
             int(SampleCatalogue.size()));
    QVERIFY(report["summary"]["voice"]["loudness_lufs"].isNull());
    QVERIFY(report["summary"]["voice"]["silence_start_ms"].isNull());

    // A folder named by bytes that are not UTF-8 is found as named.
    std::filesystem::create_directory(QFile::encodeName(dir.path()).toStdString() + "/\xff");
    QCOMPARE(QProcess::execute("sh",
                               { "-c", "exec \"$0\" \"$1/$(printf '\\377')\" >/dev/null",
                                 VOICE_CHECK, dir.path() }),
             1);
    std::filesystem::remove(QFile::encodeName(dir.path()).toStdString() + "/\xff");
}

void TestVoiceCheck::pauses_data()
{
    // 50 ms pieces: a tone of that amplitude, or noise of that peak when negative.
    QTest::addColumn<QList<double>>("pieces");
    QTest::addColumn<int>("leadMs");
    QTest::addColumn<int>("trailMs");
    QTest::newRow("digital silence") << QList<double> { 0, 0.3, 0.3, 0, 0 } << 50 << 100;
    QTest::newRow("soft sound 30 dB down") << QList<double> { 0, 0.01, 0.3, 0.3, 0 } << 50 << 50;
    QTest::newRow("soft sound at a cut end") << QList<double> { 0.012, 0.3, 0.3, 0.012 } << 0 << 0;
    QTest::newRow("breath, then digital silence")
        << QList<double> { 0, 0.3, 0.3, -0.003, 0 } << 50 << 100;
    QTest::newRow("hiss") << QList<double> { -0.003, 0.3, 0.3, -0.003, -0.003 } << 50 << 100;
    QTest::newRow("a quiet word's breath")
        << QList<double> { 0, 0.1, 0.1, -0.002, -0.002, -0.002 } << 50 << 150;
}

void TestVoiceCheck::pauses()
{
    QFETCH(QList<double>, pieces);
    QFETCH(int, leadMs);
    QFETCH(int, trailMs);
    constexpr int Rate = 22050;
    QList<float> samples;
    for (const double piece : pieces) {
        for (int i = 0; i < Rate / 20; ++i)
            samples.append(float(piece >= 0 ? piece * std::sin(i * 0.1) : noise(i, -piece)));
    }
    PauseMeter meter(1, Rate);
    meter.add(samples.data(), samples.size());
    // Measured in whole 10 ms windows, never into the word.
    const qint64 lead = meter.ends().leading * 1000 / Rate;
    const qint64 trail = meter.ends().trailing * 1000 / Rate;
    QVERIFY2(lead <= leadMs && lead >= leadMs - 10, qPrintable(QString::number(lead)));
    QVERIFY2(trail <= trailMs && trail >= trailMs - 10, qPrintable(QString::number(trail)));
}

void TestVoiceCheck::rules()
{
    QCOMPARE(editDistance(u"TurnLft", u"turnleft"), 1);
    QCOMPARE(nearestSampleName("TURNLFT.WAV").value_or(""), "TurnLeft");
    QCOMPARE(nearestSampleName("rbexit7.wav").value_or(""), "RbExit1"); // the earlier name on a tie
    QCOMPARE(nearestSampleName("del.wav"), std::nullopt);
    QCOMPARE(printable(QString::fromUtf8("a\n\u2028b\u200F")), "a\\x0a\\u2028b\\u200f");
    QCOMPARE(cellWidth(QString::fromUtf8("\u5DE6\u6298e\u0301")), 5);
    QCOMPARE(fitted(QString::fromUtf8("\u5DE6\u6298\u5DE6"), 4), QString::fromUtf8("\u5DE6\u2026"));
    QCOMPARE(median({ 3, 1, 2 }), 2.0);
    QCOMPARE(median({ 4, 1, 3, 2 }), 2.5);
    QCOMPARE(median({ 9, 1, 8, 2, 100, -5 }), 5.0);
    QCOMPARE(mostCommon(QList<int> { 44100, 22050, 44100, 22050, 8000 }), 44100);
    QCOMPARE(numberCell(-0.04, 1, 6), "0.0");
    QCOMPARE(numberCell(123456.78, 2, 7), "123457");
    QCOMPARE(numberCell(1e12, 0, 6), "######");
    // Too short for one gating block, which at 11025 Hz is 4412 frames:
    // measured as one block of its own length.
    for (const int frames : { 4400, 4410 }) {
        QList<float> tone(frames);
        for (int i = 0; i < frames; ++i)
            tone[i] = float(0.25 * std::sin(i * 0.25));
        LoudnessMeter meter(1, 11025);
        meter.add(tone.data(), frames);
        QVERIFY2(std::isfinite(meter.lufs()), qPrintable(QString::number(frames)));
    }
    QCOMPARE(wrapWords({ "silence-start", "silence-end", "format" }, 20),
             QStringList({ "silence-start", "silence-end format" }));
}

void TestVoiceCheck::fixMatchesAMessyVoice()
{
    QTemporaryDir dir;
    const QString voice = dir.path() + "/voice";
    const QString out = dir.path() + "/fixed";
    QVERIFY(QDir().mkpath(voice));
    writeMessyVoice(voice);
    writeFile(voice + "/TurnLft.wav", audio({}, 440)); // extra files are not copied
    const QByteArray before = folderHash(voice);

    const Run fix = voiceCheck({ "--json", "--no-words", "--fix", out, voice });
    QCOMPARE(fix.exitCode, 1);
    const QJsonObject fixed = QJsonDocument::fromJson(fix.out).object();
    QCOMPARE(fixed["fixes"].toArray().size(), int(SampleCatalogue.size()));
    const QJsonObject check = fixed["check"].toObject();
    QCOMPARE(check, jsonReport(out, 1, { "--no-words" }));
    QMap<QString, QStringList> expected;
    expected["RbExit6"] = QStringList { "missing" };
    expected["Meters"] = QStringList { "clipped" };
    expected["800"] = QStringList { "truncated", "format" };
    expected["Arrive"] = QStringList { "quiet" };
    expected["Then"] = QStringList { "silent" }; // not made loud enough to pass for a word
    for (const auto &[name, problems] : problemsByName(check).asKeyValueRange())
        QVERIFY2(problems == expected.value(name), qPrintable(name + ": " + problems.join(' ')));

    QList<double> loudness;
    for (const QJsonValue sample : check["samples"].toArray()) {
        if (sample["file"].isNull() || sample["name"] == "800" || sample["name"] == "Arrive"
            || sample["name"] == "Then")
            continue;
        loudness.append(sample["loudness_lufs"].toDouble());
        QCOMPARE(sample["rate"].toInt(), 22050);
        QCOMPARE(sample["channels"].toInt(), 1);
        const QString pauses = QString("%1: %2 and %3 ms")
                                   .arg(sample["name"].toString())
                                   .arg(sample["silence_start_ms"].toDouble())
                                   .arg(sample["silence_end_ms"].toDouble());
        QVERIFY2(qAbs(sample["silence_start_ms"].toDouble() - 10) <= 10
                     && qAbs(sample["silence_end_ms"].toDouble() - 40) <= 10,
                 qPrintable(pauses));
    }
    const auto [quietest, loudest] = std::minmax_element(loudness.begin(), loudness.end());
    QVERIFY2(*loudest - *quietest <= 1, qPrintable(QString::number(*loudest - *quietest)));
    QVERIFY(!QFile::exists(out + "/TurnLft.wav"));
    for (const QJsonValue sample : fixed["fixes"].toArray()) {
        if (sample["name"] == "Arrive")
            QVERIFY2(sample["wanted_gain_db"].toDouble() > 15 && sample["gain_db"].toDouble() < 0,
                     qPrintable(QJsonDocument(sample.toObject()).toJson()));
    }
    QVERIFY(sampleNamed(check, "Arrive")["peak_dbfs"].toDouble() <= -1);
    const double residual = residualDb(decoded(out + "/Depart.wav"), 1000, 22050);
    QVERIFY2(residual <= -60, qPrintable(QString::number(residual)));

    // The voice is only read; a fixed voice needs nothing more; a folder
    // with something in it is never written to.
    QCOMPARE(folderHash(voice), before);
    const QByteArray fixedHash = folderHash(out);
    const Run again = voiceCheck({ "--no-words", "--fix", out, voice });
    QCOMPARE(again.exitCode, 2);
    QCOMPARE(again.err.count('\n'), 1);
    QCOMPARE(folderHash(out), fixedHash);
    QCOMPARE(voiceCheck({ "--fix", voice + "/../voice/inside", voice }).exitCode, 2);
    QVERIFY(!QFile::exists(voice + "/inside"));
    const Run refix = voiceCheck({ "--no-words", "--fix", dir.path() + "/refixed", out });
    QCOMPARE(refix.out.count("copied unchanged"), int(SampleCatalogue.size()) - 1);
    const Run chosen
        = voiceCheck({ "--json", "--no-words", "--fix", dir.path() + "/chosen", "--loudness", "-30",
                       "--pad-start", "0", "--pad-end", "200", out });
    const QJsonObject turnLeft
        = sampleNamed(QJsonDocument::fromJson(chosen.out)["check"].toObject(), "TurnLeft");
    QVERIFY2(qAbs(turnLeft["loudness_lufs"].toDouble() + 30) <= 0.5
                 && qAbs(turnLeft["silence_start_ms"].toDouble()) <= 10
                 && qAbs(turnLeft["silence_end_ms"].toDouble() - 200) <= 10,
             chosen.out.constData());
}

void TestVoiceCheck::fixStopsAtAFullDisk()
{
#ifndef Q_OS_LINUX
    QSKIP("a full disk is made with a Linux file size limit");
#endif
    QTemporaryDir dir;
    const QString voice = dir.path() + "/voice";
    const QString out = dir.path() + "/fixed";
    QVERIFY(QDir().mkpath(voice));
    writeCleanVoice(voice);
    writeTake(voice + "/TakeFerry.wav", { .toneSeconds = 5, .trailSeconds = 1 });
    const Run fix = voiceCheck({ "--no-words", "--fix", out, voice }, 150000);
    QCOMPARE(fix.exitCode, 2);
    QVERIFY2(fix.err.contains("/fixed/TakeFerry.wav: "), fix.err.constData());
    // What was written before is whole; nothing is under the sample's name.
    QVERIFY(!QFile::exists(out + "/TakeFerry.wav"));
    QVERIFY(QFile::exists(out + "/Charge.wav"));
    for (const QString &file : QDir(out).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(decoded(out + '/' + file).size() > 10000, qPrintable(file));
}

void TestVoiceCheck::chartShowsEachSample()
{
    const QString renderer = QStandardPaths::findExecutable("rsvg-convert");
    if (renderer.isEmpty())
        QSKIP("rsvg-convert (librsvg2-bin) is not installed");
    QTemporaryDir dir;
    const QString voice = dir.path() + "/voice";
    QVERIFY(QDir().mkpath(voice));
    writeMessyVoice(voice);
    QCOMPARE(voiceCheck({ "--chart", dir.path() + "/voice.svg", voice }).exitCode, 1);
    QCOMPARE(
        QProcess::execute(renderer, { dir.path() + "/voice.svg", "-o", dir.path() + "/voice.png" }),
        0);
    const QImage chart(dir.path() + "/voice.png");
    QCOMPARE(chart.width(), ChartGeometry::Width);

    using namespace ChartGeometry;
    const auto rowOf = [](const char *name) {
        return std::find_if(SampleCatalogue.begin(), SampleCatalogue.end(),
                            [&](const CatalogueEntry &entry) { return entry.name == name; })
            - SampleCatalogue.begin();
    };
    // What colour is drawn in the middle of a row, x pixels across.
    const auto colourAt = [&](const char *name, double x) {
        const QColor colour
            = chart.pixelColor(int(x), rowTop(sampleRow(rowOf(name))) + RowHeight / 2);
        return colour.red() > 180 && colour.green() < 100 ? "red"
            : colour.blue() > 150 && colour.red() < 120   ? "blue"
                                                          : "none";
    };
    QCOMPARE(colourAt("200", MedianX + 8 * PixelsPerLu), "red");
    QCOMPARE(colourAt("100", MedianX - 8 * PixelsPerLu), "red");
    QCOMPARE(colourAt("TurnRight", MedianX + 8 * PixelsPerLu), "none");
    QCOMPARE(colourAt("300", LeadEndX - 400 * PixelsPerMs), "red");
    QCOMPARE(colourAt("400", TrailStartX + 700 * PixelsPerMs), "red");
    QCOMPARE(colourAt("TurnRight", TrailStartX + 30 * PixelsPerMs), "blue");
    QCOMPARE(colourAt("TurnRight", TrailStartX + 100 * PixelsPerMs), "none");
    QCOMPARE(colourAt("RbExit6", LeadEndX - 5), "none");
    // Headed by the folder's own name, not the path it was given; each list
    // by its name.
    QFile svg(dir.path() + "/voice.svg");
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    QVERIFY(text.contains(">voice: ") && !text.contains(QFile::encodeName(dir.path())));
    for (const std::string_view list : ListNames)
        QVERIFY2(text.contains(">" + QByteArray(list.data(), qsizetype(list.size())) + "<"),
                 list.data());
}

void TestVoiceCheck::plantedWordsAreFound_data()
{
    QTest::addColumn<MakeVoice>("make");
    QTest::addColumn<Wording>("wording");
    QTest::addColumn<bool>("checked");
    const Wording author = authorsWording();
    QTest::newRow("44.1 kHz 24-bit")
        << spoken({ "-v", "en-us+f2" }, { "-r", "44100", "-b", "24" }) << Wording() << true;
    QTest::newRow("the author's own wording")
        << spoken({ "-v", "en-us+f2" }, {}, {}, author.lines) << author << true;
    QTest::newRow("German") << spoken({ "-v", "de" }, {}, {}, GermanLines) << Wording() << false;
}

// Swapped samples and a copy are each found, naming the line they say; a
// voice in another language gets one line, no alarm.
void TestVoiceCheck::plantedWordsAreFound()
{
    QFETCH(MakeVoice, make);
    QFETCH(Wording, wording);
    QFETCH(bool, checked);
#ifdef VP_SANITIZED
    if (QByteArray(QTest::currentDataTag()) != "44.1 kHz 24-bit")
        QSKIP("the Release suite hears this voice");
#endif
    QTemporaryDir dir;
    if (const QString skip = make(dir.path()); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    if (!wording.file.isEmpty())
        writeFile(dir.filePath(LinesFileName), wording.file);
    plantWords(dir.path());

    const QJsonObject report = jsonReport(dir.path(), checked ? 1 : 0);
    QCOMPARE(report["words"]["checked"].toBool(), checked);
    for (const QJsonValue sample : report["samples"].toArray()) {
        const QString name = sample["name"].toString();
        const QString says = checked ? PlantedWords.value(name) : QString();
        const QString found = sample["problems"].toArray().contains("wrong-words")
            ? sample["heard"].toObject()["name"].toString()
            : QString();
        QVERIFY2(found == says, qPrintable(name + " sounds like " + found + ", says " + says));
    }
    const Run table = voiceCheck({ dir.path() });
    if (!checked) {
        QCOMPARE(table.out.count("\nwords not checked: only "), 1);
        return;
    }
    const QString line = sampleNamed(report, "TurnLeft")["heard"].toObject()["line"].toString();
    QVERIFY(wording.file.isEmpty() ? line == "turn right" : line == "please turn right now");
    QVERIFY(table.out.contains("\nTurnLeft sounds like TurnRight (\"" + line.toUtf8() + "\")\n"));
    QTemporaryDir fixed;
    const Run fix = voiceCheck({ "--fix", fixed.filePath("voice"), dir.path() });
    QVERIFY(fix.out.contains("it says KeepRight's line"));
    QCOMPARE(QFile::exists(fixed.filePath("voice/") + LinesFileName), !wording.file.isEmpty());
    const Run unheard = voiceCheck({ "--no-words", "--json", dir.path() });
    QCOMPARE(unheard.exitCode, 0);
    QVERIFY(!unheard.out.contains("wrong-words") && !unheard.out.contains("\"line\""));
}

void TestVoiceCheck::wordsAreJudgedAsASet_data()
{
    QTest::addColumn<Judged>("voice");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<Said>("wrong");
    const auto row = [](const char *name, const Judged &voice, bool checked, const Said &wrong) {
        QTest::newRow(name) << voice << checked << wrong;
    };
    row("honest, a few heard as others",
        [] {
            auto voice = heardVoice(20);
            hearAs(voice, 1, 0, LoneMargin - 1);
            hearAs(voice, 2, 3, SwapMargin * 2);
            hearAs(voice, 4, -1, std::nullopt);
            return voice;
        },
        true, {});
    row("a swap",
        [] {
            auto voice = heardVoice(20);
            hearAs(voice, 5, 6, SwapMargin);
            hearAs(voice, 6, 5, SwapMargin);
            return voice;
        },
        true, { { 5, 6 }, { 6, 5 } });
    row("a swap with one half weak",
        [] {
            auto voice = heardVoice(20);
            hearAs(voice, 5, 6, SwapMargin * 2);
            hearAs(voice, 6, 5, SwapMargin / 2 - 1);
            return voice;
        },
        true, {});
    row("a swap, the other half heard as a third line",
        [] {
            auto voice = heardVoice(20);
            hearAs(voice, 5, 6, SwapMargin);
            hearAs(voice, 6, 7, SwapMargin);
            return voice; // marginOf gives SwapMargin for 6 as 5
        },
        true, { { 5, 6 }, { 6, 5 } });
    row("beyond any honest margin",
        [] {
            auto voice = heardVoice(20);
            hearAs(voice, 8, 9, LoneMargin);
            return voice;
        },
        true, { { 8, 9 } });
    row("a copy",
        [] {
            auto voice = heardVoice(20);
            hearAs(voice, 10, 11, std::nullopt);
            voice[10].contour = voice[11].contour;
            for (float &level : voice[10].contour)
                level -= 3; // turned down
            return voice;
        },
        true, { { 10, 11 } });
    row("another recording of that line",
        [] {
            auto voice = heardVoice(20);
            hearAs(voice, 10, 11, SwapMargin);
            for (qsizetype window = 0; window < voice[10].contour.size(); window += 5)
                voice[10].contour[window] = voice[11].contour[window] + 10;
            return voice;
        },
        true, {});
    row("too few samples",
        [] {
            auto voice = heardVoice(9); // a voice is judged from ten
            hearAs(voice, 0, 1, LoneMargin * 2);
            return voice;
        },
        false, {});
    row("mostly heard as other lines",
        [] {
            auto voice = heardVoice(20);
            for (int i = 0; i < 11; ++i)
                hearAs(voice, i, (i + 1) % 20, LoneMargin * 2);
            return voice;
        },
        false, {});
}

void TestVoiceCheck::wordsAreJudgedAsASet()
{
    QFETCH(Judged, voice);
    QFETCH(bool, checked);
    QFETCH(Said, wrong);
    const QList<SampleWords> samples = voice();
    const WordsVerdict verdict = judgeWords(samples, [](int, int) { return SwapMargin; });
    QCOMPARE(verdict.checked, checked);
    Said found;
    for (int i = 0; i < int(samples.size()); ++i) {
        if (verdict.wrong[i])
            found.insert(i, verdict.heard[i]);
        else // heard clearly only as its own line
            QCOMPARE(verdict.heard[i], checked && samples[i].hearing.line == i ? i : -1);
    }
    QCOMPARE(found, wrong);
}

void TestVoiceCheck::linesFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("turnLeft");
    QTest::addColumn<QStringList>("notes");
    QTest::newRow("the author's line")
        << QByteArray("TurnLeft\tPlease turn left\n") << "Please turn left" << QStringList();
    QTest::newRow("comments, blank rows, CRLF, a BOM, any case")
        << QByteArray("\xef\xbb\xbf# mine\r\n\r\nturnleft \t Left now # soon\r\n") << "Left now"
        << QStringList();
    QTest::newRow("malformed rows, each noted")
        << QByteArray("TurnLeft Left\nTurnLeft\t\nTurnLift\tLeft\nAfter\t\xff\xfe\n") << "Turn left"
        << QStringList { "lines.txt line 1: not NAME<TAB>line",
                         "lines.txt line 2: no line after TurnLeft",
                         "lines.txt line 3: no sample is called \"TurnLift\"",
                         "lines.txt line 4: not UTF-8" };
}

// Names it leaves out keep the catalogue's line; a row that cannot be read
// is noted by its number and passed over.
void TestVoiceCheck::linesFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, turnLeft);
    QFETCH(QStringList, notes);
    const VoiceLines lines = parseVoiceLines(file);
    QCOMPARE(lines.texts.value(0), turnLeft);
    QCOMPARE(lines.texts.value(1), "Turn right");
    QCOMPARE(lines.texts.size(), qsizetype(SampleCatalogue.size()));
    QCOMPARE(lines.notes, notes);
    QCOMPARE(wordsOf("Ahead, take the U-turn."), QStringList({ "ahead", "take", "the", "u-turn" }));
}

QTEST_GUILESS_MAIN(TestVoiceCheck)
#include "tst_voicecheck.moc"
