#include "recordingoutput.h"
#include "samplepath.h"
#include "soundbits.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestSamplePath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void resolves_data();
    void resolves();
    void playSampleHandsOverPathAndWait();
    void playSampleIgnoresEmptyAndMissingNames();
    void settledFolderSeesLaterChanges();

private:
    QString expand(QString text) const;

    QTemporaryDir current;
    QTemporaryDir program;
    QTemporaryDir elsewhere;
};

void TestSamplePath::initTestCase()
{
    const QString wavs = program.path() + "/wavs/";
    // Of each name's spellings the one that wins comes first in character
    // order; made last for one name and first for the other, so that the
    // order the folder lists them in cannot pick it for both.
    for (const char *name : { "80.Wav", "RbExit1.wav", "TurnLeft.mp3.Wav", "Twice.wav", "After.Wav",
                              "TurnRight.WAV", "Keep.wav", "kEEP.wav", "KEEP.WAV", "SHARP.WAV",
                              "sHARP.wav", "Sharp.wav", "Ünïcode Straße.wav" })
        touch(wavs + name);
    touch(current.path() + "/Twice.wav");
    touch(current.path() + "/  .Wav");
    QVERIFY(QDir(current.path()).mkdir("After.Wav"));
    QVERIFY(QDir(current.path()).mkdir("Ahead.Wav"));
    touch(elsewhere.path() + "/Deep/Tone.wav");
}

QString TestSamplePath::expand(QString text) const
{
    return text.replace("{cur}", current.path())
        .replace("{prog}", program.path())
        .replace("{else}", elsewhere.path());
}

void TestSamplePath::resolves_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected"); // empty: nothing is played
    const auto row = [](const char *tag, const QString &name, const QString &expected) {
        QTest::newRow(tag) << name << expected;
    };

    row("empty", "", "");
    row("shorter than four characters", "80", "{prog}/wavs/80.Wav");
    row(".WAV kept", "RbExit1.WAV", "{prog}/wavs/RbExit1.wav");
    row(".wav kept", "RbExit1.wav", "{prog}/wavs/RbExit1.wav");
    row(".Wav kept", "RbExit1.Wav", "{prog}/wavs/RbExit1.wav");
    row("other extension gets .Wav", "TurnLeft.mp3", "{prog}/wavs/TurnLeft.mp3.Wav");
    row("spaces only, no such file", "   ", "");
    row("spaces only, file exists", "  ", "{cur}/  .Wav");
    row("current directory wins", "Twice", "{cur}/Twice.wav");
    row("full path anywhere", "{else}/Deep/Tone.wav", "{else}/Deep/Tone.wav");
    row("full path, other case", "{else}/DEEP/tone", "{else}/Deep/Tone.wav");
    row("folder does not count", "After", "{prog}/wavs/After.Wav");
    row("folder found nowhere else", "Ahead", "");
    row("missing", "TurnBack", "");
    row("not a valid path", QString::fromUtf8("Turn\0Left", 9), "");
    row("longer than any path", QString(5000, 'a'), "");
    row("case variant", "TURNRIGHT", "{prog}/wavs/TurnRight.WAV");
    row("exact match first", "Keep.wav", "{prog}/wavs/Keep.wav");
    row("first variant in order, made last", "keep", "{prog}/wavs/KEEP.WAV");
    row("first variant in order, made first", "sharp", "{prog}/wavs/SHARP.WAV");
    row("unicode, case variant", "ünïcode straße", "{prog}/wavs/Ünïcode Straße.wav");
}

void TestSamplePath::resolves()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const auto found = resolveSamplePath(expand(name), current.path(), program.path());
    QCOMPARE(found.value_or(QString()), expand(expected));
}

void TestSamplePath::playSampleHandsOverPathAndWait()
{
    RecordingOutput output;
    SoundBits sound(output, program.path());
    const QString saved = QDir::currentPath();
    QDir::setCurrent(current.path());
    sound.PlaySample("twice", SoundBits::PlayToEnd);
    sound.PlaySample("TWICE.WAV", SoundBits::PlayAsync);
    sound.PlaySample("80", SoundBits::PlayAsync);
    QDir::setCurrent(saved);

    QCOMPARE(output.paths,
             QStringList({ current.path() + "/Twice.wav", current.path() + "/Twice.wav",
                           program.path() + "/wavs/80.Wav" }));
    QCOMPARE(output.waits, QList<bool>({ true, false, false }));
}

void TestSamplePath::playSampleIgnoresEmptyAndMissingNames()
{
    RecordingOutput output;
    SoundBits sound(output, program.path());
    sound.PlaySample("", SoundBits::PlayToEnd);
    sound.PlaySample("NoSuchSampleAnywhere", SoundBits::PlayToEnd);
    QVERIFY(output.paths.isEmpty());
}

// Listings of folders left alone for a while are reused; adding, renaming
// or removing a file must still be seen by the very next look-up.
void TestSamplePath::settledFolderSeesLaterChanges()
{
    QTemporaryDir folder;
    const QString wavs = folder.path() + "/wavs/";
    touch(wavs + "Old.wav");
    const auto settle = [&] {
        const std::filesystem::path path(wavs.toStdU16String());
        std::filesystem::last_write_time(
            path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
    };
    const auto find = [&](const char *name) {
        return resolveSamplePath(name, current.path(), folder.path()).value_or(QString());
    };

    settle();
    QCOMPARE(find("OLD"), wavs + "Old.wav");
    QCOMPARE(find("NEW"), QString());

    touch(wavs + "New.wav");
    QCOMPARE(find("NEW"), wavs + "New.wav");

    settle();
    QCOMPARE(find("NEW"), wavs + "New.wav");
    QVERIFY(QFile::rename(wavs + "New.wav", wavs + "Newer.wav"));
    QCOMPARE(find("NEW"), QString());
    QCOMPARE(find("NEWER"), wavs + "Newer.wav");

    settle();
    QCOMPARE(find("NEWER"), wavs + "Newer.wav");
    QVERIFY(QFile::remove(wavs + "Newer.wav"));
    QCOMPARE(find("NEWER"), QString());
}

QTEST_GUILESS_MAIN(TestSamplePath)
#include "tst_samplepath.moc"
