#include "catalogue.h"
#include "loudnessmeter.h"
#include "nearestname.h"
#include "reporttable.h"
#include "samplefile.h"
#include "soundtestkit.h"
#include "voicechart.h"
#include "voicejudgement.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <numeric>
#ifdef Q_OS_LINUX
#    include <sys/resource.h>
#endif

namespace {

// How one sample of a made-up voice is spoken: a tone between two silences.
struct Take
{
    double amplitude = 0.3;
    double leadSeconds = 0.05;
    double toneSeconds = 0.6;
    double trailSeconds = 0.05;
    int rate = 22050;
    double offset = 0;
    int fullScaleRun = 0;  // samples at full scale in the middle of the tone
    double hiss = 0.0005;  // a recording's noise floor, below the silence level
    double trailNoise = 0; // peak of a noise, such as a breath, after the tone
    double highHz = 0;     // a second tone as loud as the first
};

// A breath or room tone: steady noise of the given peak, the same on every run.
double noise(qsizetype i, double peak)
{
    return peak * (double(quint32(i * 2654435761u) >> 8) / (1 << 23) - 1);
}

QByteArray pcm16(const Take &take, double hz)
{
    QList<double> samples(qsizetype(take.leadSeconds * take.rate), 0.0);
    const auto toneFrames = qsizetype(take.toneSeconds * take.rate);
    for (qsizetype i = 0; i < toneFrames; ++i)
        samples.append(take.amplitude
                       * (std::sin(2 * std::numbers::pi * hz * i / take.rate)
                          + std::sin(2 * std::numbers::pi * take.highHz * i / take.rate)));
    for (qsizetype i = 0; i < qsizetype(take.trailSeconds * take.rate); ++i)
        samples.append(noise(i, take.trailNoise));
    const qsizetype middle = samples.size() / 2;
    for (qsizetype i = middle; i < middle + take.fullScaleRun; ++i)
        samples[i] = 1.0;
    QByteArray data;
    for (qsizetype i = 0; i < samples.size(); ++i) {
        const double sample
            = std::clamp(samples[i] + take.offset + take.hiss * std::sin(i * 2.3), -1.0, 1.0);
        const auto value = qToLittleEndian(qint16(std::lround(sample * 32767)));
        data.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    return data;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
             qPrintable(path));
}

void writeTake(const QString &path, const Take &take = {}, double hz = 440)
{
    const QByteArray data = pcm16(take, hz);
    writeFile(path, wavFile(1, quint32(take.rate), 16, data, quint32(data.size())));
}

// All 59 samples, alike but for pitch.
void writeCleanVoice(const QString &folder)
{
    double hz = 300;
    for (const CatalogueEntry &entry : SampleCatalogue) {
        writeTake(folder + '/' + QLatin1String(entry.name.data(), entry.name.size()) + ".wav", {},
                  hz += 7);
    }
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

QJsonObject jsonReport(const QString &folder, int expectedExit)
{
    const Run run = voiceCheck({ "--json", folder });
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

// A voice with one of each fault --fix mends, and faults it cannot mend.
void writeMessyVoice(const QString &voice)
{
    writeCleanVoice(voice);
    QFile::remove(voice + "/RbExit6.wav");
    writeTake(voice + "/100.wav", { .amplitude = 0.3 / 2.82 }); // -9 dB
    writeTake(voice + "/200.wav", { .amplitude = 0.3 * 2.82 }); // +9 dB
    writeTake(voice + "/300.wav", { .leadSeconds = 0.45 });
    writeTake(voice + "/400.wav", { .trailSeconds = 0.8 });
    writeTake(voice + "/500.wav", { .rate = 44100 });
    writeTone(voice + "/600.wav", 500, 0.7, 22050, 2); // stereo, and no pause at either end
    writeTake(voice + "/700.wav", { .offset = 0.02 });
    writeTake(voice + "/Depart.wav", { .amplitude = 0.15, .rate = 48000, .highHz = 15000 }, 1000);
}

} // namespace

class TestVoiceCheck : public QObject
{
    Q_OBJECT

private slots:
    void cleanVoicesPass();
    void plantedFaultsAreFoundExactly();
    void badInputHasADefinedOutcome();
    void usageAndFolderErrors();
    void rules();
    void fixMatchesAMessyVoice();
    void fixStopsAtAFullDisk();
    void chartShowsEachSample();
};

void TestVoiceCheck::cleanVoicesPass()
{
    QTemporaryDir dir;
    writeCleanVoice(dir.path());
    // Neither a short sample (no 400 ms block to gate) nor files that are
    // not WAV files count against a voice.
    writeTake(dir.path() + "/50.wav", { .toneSeconds = 0.2 }, 360);
    writeFile(dir.path() + "/README.txt", "my voice");
    writeFile(dir.path() + "/desktop.ini", "[.ShellClassInfo]");
    const QJsonObject report = jsonReport(dir.path(), 0);
    const auto problems = problemsByName(report);
    QCOMPARE(problems.size(), int(SampleCatalogue.size()));
    QCOMPARE(report["samples"].toArray().first()["name"].toString(), "TurnLeft");
    for (auto sample = problems.cbegin(); sample != problems.cend(); ++sample)
        QVERIFY2(sample->isEmpty(), qPrintable(sample.key() + ": " + sample->join(' ')));
    QCOMPARE(report["extra"].toArray().size(), 0);

#ifdef VP_DEMO_VOICE
    const Run demo = voiceCheck({ QCoreApplication::applicationDirPath() + "/wavs" });
    QVERIFY2(demo.exitCode == 0, demo.out.constData());
#endif
}

void TestVoiceCheck::plantedFaultsAreFoundExactly()
{
    QTemporaryDir dir;
    const QString voice = dir.path();
    writeCleanVoice(voice);
    QFile::remove(voice + "/RbExit6.wav");
    writeFile(voice + "/Then.wav", QByteArray("RIFF, but not really").repeated(50));
    QFile::rename(voice + "/TurnLeft.wav", voice + "/turnleft.wav");
    writeTake(voice + "/TurnLeft.WAV");
    writeTake(voice + "/Meters.wav", { .fullScaleRun = 3 });
    writeTake(voice + "/100.wav", { .amplitude = 0.3 / 4 });
    writeTake(voice + "/200.wav", { .amplitude = 0.3 * 2.5 });
    writeTake(voice + "/300.wav", { .leadSeconds = 0.05 + 0.4 });
    writeTake(voice + "/400.wav", { .trailSeconds = 0.05 + 1, .trailNoise = 0.005 });
    writeTake(voice + "/500.wav", { .rate = 44100 });
    writeTake(voice + "/600.wav", { .offset = 0.02 });
    writeTake(voice + "/TurnLft.wav");

    const QJsonObject report = jsonReport(voice, 1);
    QMap<QString, QStringList> expected;
    for (const CatalogueEntry &entry : SampleCatalogue)
        expected.insert(QLatin1String(entry.name.data(), entry.name.size()), {});
    expected["RbExit6"] = QStringList { "missing" };
    expected["Then"] = QStringList { "unreadable" };
    expected["TurnLeft"] = QStringList { "several-files" };
    expected["Meters"] = QStringList { "clipped" };
    expected["100"] = QStringList { "quiet" };
    expected["200"] = QStringList { "loud" };
    expected["300"] = QStringList { "silence-start" };
    expected["400"] = QStringList { "silence-end" };
    expected["500"] = QStringList { "format" };
    expected["600"] = QStringList { "dc-offset" };
    const auto found = problemsByName(report);
    QCOMPARE(found.keys(), expected.keys());
    for (const QString &name : expected.keys()) {
        QVERIFY2(found[name] == expected[name],
                 qPrintable(name + ": " + found[name].join(' ') + " (" + expected[name].join(' ')
                            + ')'));
    }

    const QJsonObject missing = sampleNamed(report, "RbExit6");
    QVERIFY(missing["file"].isNull() && missing["seconds"].isNull() && missing["rate"].isNull());
    const QJsonObject several = sampleNamed(report, "TurnLeft");
    QCOMPARE(several["file"].toString(),
             "TurnLeft.WAV"); // capitals sort first, as the player picks
    QCOMPARE(several["other_files"].toArray(), QJsonArray { "turnleft.wav" });
    QCOMPARE(sampleNamed(report, "500")["rate"].toInt(), 44100);
    const QJsonObject extra { { "file", "TurnLft.wav" }, { "nearest", "TurnLeft" } };
    QCOMPARE(report["extra"].toArray(), QJsonArray { extra });

    // The table: problems first, within 100 columns, no colour off a terminal.
    const Run table = voiceCheck({ voice });
    QCOMPARE(table.exitCode, 1);
    const QList<QByteArray> lines = table.out.trimmed().split('\n');
    QVERIFY(lines.value(1).startsWith("TurnLeft ") && lines.value(11).startsWith("TurnRight "));
    QVERIFY(lines.value(10).startsWith("RbExit6 "));
    for (const QByteArray &line : lines.first(lines.size() - 1))
        QVERIFY2(QString::fromUtf8(line).size() <= TableWidth, line.constData());
    QVERIFY(!table.out.contains('\x1b'));
    QCOMPARE(
        lines.last(),
        "49 of 59 samples fine; 1 missing (RbExit6), 1 unreadable (Then), 1 several-files "
        "(TurnLeft), 1 clipped (Meters), 1 quiet (100), 1 loud (200), 1 silence-start (300), 1 "
        "silence-end (400), 1 format (500), 1 dc-offset (600), 1 extra file (TurnLft.wav)");
}

void TestVoiceCheck::badInputHasADefinedOutcome()
{
    QTemporaryDir dir;
    const QString voice = dir.path();
    writeCleanVoice(voice);
    // A header that claims far more than the file holds: what is there counts.
    const QByteArray data = pcm16({ .toneSeconds = 0.2 }, 500);
    writeFile(voice + "/After.wav", wavFile(1, 22050, 16, data, 0x7fff0000));
    // Garbage, an empty file, and a sparse 2 GB file of zeros.
    writeFile(voice + "/Then.wav", QByteArray(3000, '\xff'));
    writeFile(voice + "/Arrive.wav", {});
    QFile sparse(voice + "/Depart.wav");
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(2) << 30));
    sparse.close();
    // Names with a newline, bytes that are not UTF-8, spaces; a folder and a
    // dangling link that look like samples.
    writeTake(voice + "/Line\nbreak.wav");
    const std::filesystem::path notUtf8(QFile::encodeName(voice).toStdString()
                                        + "/Bad\xff\xfe.wav");
    std::ofstream(notUtf8) << "x";
    writeTake(voice + "/with space.WAV");
    QVERIFY(QFile::remove(voice + "/Charge.wav") && QDir(voice).mkdir("Charge.wav"));
    QVERIFY(QFile::remove(voice + "/Yards.wav") && QFile::link("nowhere", voice + "/Yards.wav"));

    const QJsonObject report = jsonReport(voice, 1);
    const auto problems = problemsByName(report);
    QCOMPARE(problems["After"], QStringList());
    QCOMPARE(sampleNamed(report, "After")["seconds"].toDouble(), 0.2 + 0.1);
    QCOMPARE(problems["Then"], QStringList { "unreadable" });
    QCOMPARE(problems["Arrive"], QStringList { "unreadable" });
    QCOMPARE(problems["Depart"], QStringList { "unreadable" });
    QCOMPARE(problems["Charge"], QStringList { "missing" });
    QCOMPARE(problems["Yards"], QStringList { "missing" });
    QStringList extras;
    for (const QJsonValue extra : report["extra"].toArray())
        extras.append(extra["file"].toString());
    QCOMPARE(extras,
             QStringList(
                 { QStringLiteral(u"Bad\uFFFD\uFFFD.wav"), "Line\nbreak.wav", "with space.WAV" }));

    // A name with a newline stays on one row of the table.
    const Run table = voiceCheck({ voice });
    QCOMPARE(table.exitCode, 1);
    QVERIFY(table.out.contains("extra: Line?break.wav (nearest name: "));
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
    const Run help = voiceCheck({ "--help" });
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("usage: voice-check [--json]"));
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
}

void TestVoiceCheck::rules()
{
    QCOMPARE(editDistance(u"TurnLft", u"turnleft"), 1);
    QCOMPARE(nearestSampleName("TURNLFT.WAV"), "TurnLeft");
    QCOMPARE(nearestSampleName("rbexit7.wav"), "RbExit1"); // the earlier name on a tie
    QCOMPARE(median({ 3, 1, 2 }), 2.0);
    QCOMPARE(median({ 4, 1, 3, 2 }), 2.5);
    QCOMPARE(mostCommon({ 44100, 22050, 44100, 22050, 8000 }), 44100);
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
    writeFile(voice + "/TurnLft.wav", pcm16({}, 440)); // extra files are not copied
    const QByteArray before = folderHash(voice);

    const Run fix = voiceCheck({ "--json", "--fix", out, voice });
    QCOMPARE(fix.exitCode, 1);
    const QJsonObject fixed = QJsonDocument::fromJson(fix.out).object();
    QCOMPARE(fixed["fixes"].toArray().size(), int(SampleCatalogue.size()));
    const QJsonObject check = fixed["check"].toObject();
    QCOMPARE(check, jsonReport(out, 1));
    QMap<QString, QStringList> expected;
    expected["RbExit6"] = QStringList { "missing" };
    for (const auto &[name, problems] : problemsByName(check).asKeyValueRange())
        QVERIFY2(problems == expected.value(name), qPrintable(name + ": " + problems.join(' ')));

    QList<double> loudness;
    for (const QJsonValue sample : check["samples"].toArray()) {
        if (sample["file"].isNull())
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
    const double residual = residualDb(decoded(out + "/Depart.wav"), 1000, 22050);
    QVERIFY2(residual <= -60, qPrintable(QString::number(residual)));

    // The voice is only read; a fixed voice needs nothing more; a folder
    // with something in it is never written to.
    QCOMPARE(folderHash(voice), before);
    const QByteArray fixedHash = folderHash(out);
    const Run again = voiceCheck({ "--fix", out, voice });
    QCOMPARE(again.exitCode, 2);
    QCOMPARE(again.err.count('\n'), 1);
    QCOMPARE(folderHash(out), fixedHash);
    QCOMPARE(voiceCheck({ "--fix", voice + "/../voice/inside", voice }).exitCode, 2);
    QVERIFY(!QFile::exists(voice + "/inside"));
    const Run refix = voiceCheck({ "--fix", dir.path() + "/refixed", out });
    QCOMPARE(refix.out.count("copied unchanged"), int(SampleCatalogue.size()) - 1);
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
    const Run fix = voiceCheck({ "--fix", out, voice }, 150000);
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
        const QColor colour = chart.pixelColor(int(x), rowTop(rowOf(name)) + RowHeight / 2);
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
}

QTEST_GUILESS_MAIN(TestVoiceCheck)
#include "tst_voicecheck.moc"
