#include "capturesession.h"
#include "defaultlines.h"
#include "filepermissions.h"
#include "recorderwindow.h"
#include "recordingoutput.h"
#include "sampleanalysis.h"
#include "samplefile.h"
#include "soundtestkit.h"
#include "takefolder.h"
#include "voicereport.h"
#include "wordscache.h"
#include "wordscheck.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <csignal>
#include <numbers>
#include <random>
#include <sys/resource.h>

namespace {

// SDL's disk driver keeps the rate it is asked for.
constexpr int Rate = 48000;
constexpr double FirstWord = 0.6;
constexpr double WordGap = 2.0;
constexpr double WordSeconds = 0.4;
// Within the pause meter's windows and a fade.
constexpr double EndTolerance = 0.05;
constexpr int Deadline = 20000;
// A whole voice heard afresh, under a sanitizer, beside other tests.
constexpr int HearingDeadline = 180000;
const QString Name = QStringLiteral("TurnLeft");
// The turns: enough samples for the words to be judged as a set.
constexpr int Turns = 16;
// When the line spoken into the input begins: R is pressed well before.
constexpr double LineAt = 3.0;

enum Word { Silence, Spoken, Clipping, Discarded };

double wordStart(qsizetype index)
{
    return FirstWord + WordGap * double(index);
}

// Room tone some 55 dB down, and a tone for each spoken word, one every
// WordGap seconds: a clipping one driven twice past full scale. A noisy
// room's steady noise is 18 dB above the level that counts as no sound at
// all, its words 38 dB above the noise.
QByteArray inputOf(const QList<int> &words, bool noisy = false)
{
    std::minstd_rand random(7);
    const float noisePeak = noisy ? 0.0137f : 0.003f;
    std::uniform_real_distribution<float> noise(-noisePeak, noisePeak);
    const qsizetype frames = qsizetype((wordStart(words.size()) + 1) * Rate);
    QByteArray raw(frames * qsizetype(sizeof(float)), Qt::Uninitialized);
    auto *out = reinterpret_cast<float *>(raw.data());
    for (qsizetype i = 0; i < frames; ++i)
        out[i] = noise(random);
    for (qsizetype w = 0; w < words.size(); ++w) {
        const double spoken = noisy ? 0.9 : 0.25;
        const double amplitude = words[w] == Clipping ? 2.0 : words[w] == Silence ? 0.0 : spoken;
        const qsizetype from = qsizetype(wordStart(w) * Rate);
        for (qsizetype i = 0; i < qsizetype(WordSeconds * Rate); ++i) {
            const double tone = amplitude * std::sin(2 * std::numbers::pi * 220 * double(i) / Rate);
            out[from + i] += float(std::clamp(tone, -1.0, 1.0));
        }
    }
    return raw;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The room tone inputOf makes, with the speech in the mono file at path
// from LineAt on, brought to Rate; nothing when it cannot be read.
std::optional<QByteArray> inputSaying(const QString &path)
{
    const auto file = SampleFile::open(path);
    if (!file || file->channels() != 1)
        return std::nullopt;
    std::vector<float> speech(std::size_t(file->frames()));
    speech.resize(std::size_t(file->read(speech.data(), file->frames())));
    QByteArray raw = inputOf({ Silence, Silence });
    auto *out = reinterpret_cast<float *>(raw.data());
    const double step = double(file->sampleRate()) / Rate;
    const auto from = qsizetype(LineAt * Rate);
    const qsizetype frames = raw.size() / qsizetype(sizeof(float));
    for (qsizetype i = 0; double(i) * step + 1 < double(speech.size()) && from + i < frames; ++i) {
        const double at = double(i) * step;
        const auto k = std::size_t(at);
        const double between = at - double(k);
        out[from + i] += float(speech[k] * (1 - between) + speech[k + 1] * between);
    }
    return raw;
}

// espeak-ng's speech of text in a WAV file at path.
bool speak(const QString &text, const QString &path, const QStringList &options = {})
{
    QProcess espeak;
    espeak.start("espeak-ng", options + QStringList { "-w", path, text });
    return espeak.waitForFinished(30000) && espeak.exitStatus() == QProcess::NormalExit
        && espeak.exitCode() == 0;
}

// The turns spoken by espeak-ng into folder, each its own line but
// TurnRight, which says turnRightSays, more slowly, as another take would.
bool speakTurns(const QString &folder, const QString &turnRightSays)
{
    for (int i = 0; i < Turns; ++i) {
        const QString name = QString::fromUtf8(DefaultLines[i].name);
        const bool right = name == QStringLiteral("TurnRight");
        const QString text = right ? turnRightSays : QString::fromUtf8(DefaultLines[i].text);
        if (!speak(text, folder + '/' + name + ".wav",
                   right ? QStringList { "-s", "140" } : QStringList()))
            return false;
    }
    return true;
}

// The state of name's row from wrong-words on; empty without it.
QString wordsOn(const QWidget &window, const QString &name)
{
    const auto rows
        = window.findChild<QTreeWidget *>()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    const QString state = rows.isEmpty() ? QString() : rows.first()->text(2);
    const auto at = state.indexOf("wrong-words");
    return at < 0 ? QString() : state.mid(at);
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void wordBeforeThePressIsWhole();
    void takes_data();
    void takes();
    void windowWithKeysOnly();
    void clipLightStaysLit();
    void meterShowsItsFloor_data();
    void meterShowsItsFloor();
    void takeHeard_data();
    void takeHeard();
    void hearingsKept();
    void latestCheckReported();

private:
    bool openInput(const QList<int> &words, bool noisy = false);
    bool openInput(const QByteArray &raw);
    // Presses R 200 ms into word index; a silent take is stopped by hand a
    // second later, a discarded one a quarter second later. The take, when
    // one ended.
    std::optional<Take> takeOf(qsizetype index, Word word, qint64 *pressedAt = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CaptureSession> m_recording;
};

void TestRecorder::initTestCase()
{
    // A file-size limit stands in for a full disk: writes fail instead.
    std::signal(SIGXFSZ, SIG_IGN);
}

void TestRecorder::init()
{
    m_recording = std::make_unique<CaptureSession>();
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("SDL_AUDIODRIVER", "disk");
}

bool TestRecorder::openInput(const QList<int> &words, bool noisy)
{
    return openInput(inputOf(words, noisy));
}

// Raw mono floats at Rate, as SDL's disk driver reads its input.
bool TestRecorder::openInput(const QByteArray &raw)
{
    QFile input(m_dir->filePath("input.raw"));
    if (!input.open(QIODevice::WriteOnly) || input.write(raw) < 0)
        return false;
    input.close();
    qputenv("SDL_DISKAUDIOFILEIN", input.fileName().toUtf8());
    return m_recording->open() && m_recording->rate() == Rate;
}

std::optional<Take> TestRecorder::takeOf(qsizetype index, Word word, qint64 *pressedAt)
{
    const auto press = qint64((wordStart(index) + 0.2) * Rate);
    std::optional<Take> taken;
    // Pressed once, at the first level after the press's frame: a busy
    // machine may hand the levels over half a second at a time.
    bool pressed = false;
    const QMetaObject::Connection keys
        = connect(m_recording.get(), &CaptureSession::levelChanged, this, [&] {
              const qint64 heard = m_recording->framesHeard();
              if (!pressed && heard >= press) {
                  pressed = true;
                  m_recording->start();
                  if (pressedAt)
                      *pressedAt = heard;
              }
              if (word == Silence && m_recording->recording() && heard >= press + Rate)
                  m_recording->stop();
              if (word == Discarded && m_recording->recording() && heard >= press + Rate / 4)
                  m_recording->discard();
          });
    const QMetaObject::Connection ended = connect(m_recording.get(), &CaptureSession::takeEnded,
                                                  this, [&](const Take &take) { taken = take; });
    if (!QTest::qWaitFor([&] { return taken || m_recording->framesHeard() > press + 3 * Rate; },
                         Deadline))
        qWarning("the input stopped");
    disconnect(keys);
    disconnect(ended);
    return taken;
}

// A word begun 200 ms before R is whole in the take, which ends 0.8 s
// after it; the sample is the word with the pads, in the voice's format.
void TestRecorder::wordBeforeThePressIsWhole()
{
    QVERIFY(openInput({ Spoken }));
    qint64 pressedAt = 0;
    const auto take = takeOf(0, Spoken, &pressedAt);
    QVERIFY(take);
    QCOMPARE(take->verdict, Take::Verdict::Fine);
    const qint64 takeStart = pressedAt - qint64(TakeRecorder::PreRollSeconds * Rate);
    const auto wordFrom = qint64(wordStart(0) * Rate) - takeStart;
    QVERIFY2(wordFrom > 0, "the word's start is cut off");
    QVERIFY(std::fabs(take->frames[std::size_t(wordFrom + 100)]) > 0.01f);
    const double wordEnd = double(wordFrom) / Rate + WordSeconds;
    QVERIFY2(
        std::fabs(take->seconds() - wordEnd - TakeRecorder::EndAfterSpeechSeconds) <= EndTolerance,
        qPrintable(QString("the take ends %1 s after the word").arg(take->seconds() - wordEnd)));

    TakeFolder folder(m_dir->path());
    QCOMPARE(folder.keep(Name, *take), QString());
    const auto kept = SampleFile::open(folder.takePath(Name, 1));
    QVERIFY(kept);
    QCOMPARE(kept->frames(), qint64(take->frames.size()));
    const auto sample = analyseSample(folder.samplePath(Name));
    QVERIFY(sample);
    QCOMPARE(sample->rate, 22050);
    QCOMPARE(sample->channels, 1);
    QCOMPARE(sample->encoding, QStringLiteral("PCM 16"));
    QVERIFY2(std::fabs(sample->seconds() - WordSeconds - 0.05) < 0.02,
             qPrintable(QString::number(sample->seconds())));
    QVERIFY(std::fabs(sample->leadingPauseMs() - 10) <= 10);
    QVERIFY(std::fabs(sample->trailingPauseMs() - 40) <= 10);
    QCOMPARE(filesUnder(m_dir->path()),
             QStringList(
                 { "TurnLeft.wav", "input.raw", "takes/TurnLeft/1.wav", "takes/TurnLeft/chosen" }));
}

// Takes made of the words, then what happens to the folder; which takes are
// on disk after, which one the sample is cut from, how many wait in memory.
void TestRecorder::takes_data()
{
    QTest::addColumn<QList<int>>("words");
    QTest::addColumn<QString>("folderState");
    QTest::addColumn<QString>("then");
    QTest::addColumn<QList<int>>("takesAfter");
    QTest::addColumn<int>("chosenAfter");
    QTest::addColumn<int>("waitingAfter");

    QTest::newRow("undo") << QList<int> { Spoken, Spoken } << ""
                          << "undo" << QList<int> { 1, 2 } << 0 << 0;
    QTest::newRow("older take, after a sample from elsewhere")
        << QList<int> { Spoken } << "sample"
        << "choose 1" << QList<int> { 1, 2 } << 1 << 0;
    QTest::newRow("discarded") << QList<int> { Spoken, Discarded } << ""
                               << "" << QList<int> { 1 } << 1 << 0;
    QTest::newRow("silent") << QList<int> { Spoken, Silence } << ""
                            << "" << QList<int> { 1 } << 1 << 0;
    QTest::newRow("clipped") << QList<int> { Spoken, Clipping } << ""
                             << "" << QList<int> { 1 } << 1 << 0;
    // Steady noise is the room, not a word: a take of it alone is refused,
    // and one with a word ends by itself after the word.
    QTest::newRow("noisy room") << QList<int> { Silence, Spoken } << "noisy room"
                                << "" << QList<int> { 1 } << 1 << 0;
    QTest::newRow("no device") << QList<int> {} << "no device"
                               << "" << QList<int> {} << 0 << 0;
    QTest::newRow("unwritable folder") << QList<int> { Spoken } << "unwritable"
                                       << "" << QList<int> {} << 0 << 1;
    QTest::newRow("full disk") << QList<int> { Spoken } << "full"
                               << "" << QList<int> {} << 0 << 1;
    // The take is written, its sample is not: both wait, so that the retry
    // keeps the take once.
    QTest::newRow("sample unwritable") << QList<int> { Spoken } << "sample unwritable"
                                       << "" << QList<int> {} << 0 << 1;
}

void TestRecorder::takes()
{
    QFETCH(QList<int>, words);
    QFETCH(QString, folderState);
    QFETCH(QString, then);
    QFETCH(QList<int>, takesAfter);
    QFETCH(int, chosenAfter);
    QFETCH(int, waitingAfter);

    if (folderState == "no device") {
        qputenv("SDL_DISKAUDIOFILEIN", m_dir->filePath("no such input").toUtf8());
        QVERIFY(!m_recording->open());
        QVERIFY(!m_recording->error().isEmpty());
        return;
    }
    const QString folderPath = m_dir->filePath("voice");
    QVERIFY(QDir().mkpath(folderPath));
    if (folderState == "sample")
        QVERIFY(writeTone(folderPath + "/TurnLeft.wav", 440, 0.5));
    if (folderState == "sample unwritable")
        QVERIFY(QDir().mkpath(folderPath + "/takes/TurnLeft"));
    QVERIFY(openInput(words, folderState == "noisy room"));
    TakeFolder folder(folderPath);
    QByteArray firstSample;
    const PermissionBitsApply permissionBits;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i == words.size() - 1 && folderState.endsWith("unwritable")) {
            if (!permissionBits.active())
                QSKIP("permission bits cannot be made to apply");
            QFile::setPermissions(folderPath, QFile::ReadOwner | QFile::ExeOwner);
        }
        if (i == words.size() - 1 && folderState == "full") {
            const rlimit small { 4096, RLIM_INFINITY };
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        const auto take = takeOf(i, Word(words[i]));
        QCOMPARE(take.has_value(), words[i] != Discarded);
        if (!take)
            continue;
        const QString message = folder.keep(Name, *take);
        QCOMPARE(message.isEmpty(), words[i] == Spoken && waitingAfter == 0);
        if (i == 0 && message.isEmpty())
            firstSample = bytesOf(folder.samplePath(Name));
    }
    const rlimit unlimited { RLIM_INFINITY, RLIM_INFINITY };
    setrlimit(RLIMIT_FSIZE, &unlimited);
    if (then == "undo") {
        // Back through the takes in the order taken: the first one's sample, then none.
        QCOMPARE(folder.undo(), QString());
        QCOMPARE(bytesOf(folder.samplePath(Name)), firstSample);
        QCOMPARE(folder.undo(), QString());
        QVERIFY(!QFile::exists(folder.samplePath(Name)));
        QCOMPARE(folder.undo(), QStringLiteral("no take to undo"));
    }
    if (then == "choose 1")
        QCOMPARE(folder.choose(Name, 1), QString());

    QCOMPARE(folder.takes(Name), takesAfter);
    QCOMPARE(folder.chosen(Name) ? folder.chosen(Name)->first : 0, chosenAfter);
    QCOMPARE(folder.waiting(), waitingAfter);
    if (waitingAfter > 0) {
        // Nothing half-written was left; once the folder can be written, the take is.
        QCOMPARE(filesUnder(folderPath), QStringList());
        QFile::setPermissions(folderPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(folder.writeWaiting(), QString());
        QCOMPARE(folder.takes(Name), QList<int> { 1 });
    }
    QCOMPARE(bool(analyseSample(folder.samplePath(Name))), then != "undo");
}

// A take made with R alone lands in the list and the summary, the next name
// without a take is selected, and the sample plays alone and in a phrase.
// Ctrl+Z goes back on the last take, wherever the selection has gone.
void TestRecorder::windowWithKeysOnly()
{
#ifdef __SANITIZE_THREAD__
    // Qt paints with threads of its own that ThreadSanitizer cannot see
    // synchronise, as the other window tests, which it does not run.
    QSKIP("the window's painting threads are invisible to ThreadSanitizer");
#endif
    // Room enough between the words for a busy machine to press R again.
    QVERIFY(openInput({ Spoken, Silence, Spoken }));
    m_recording->close();
    auto output = std::make_unique<RecordingOutput>();
    RecordingOutput *played = output.get();
    RecorderWindow window(m_dir->path(), std::move(output));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.windowTitle(), "Voice Recorder - " + m_dir->path());
    QCOMPARE(window.currentName(), Name);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R);
    QTRY_COMPARE_WITH_TIMEOUT(window.currentName(), QStringLiteral("TurnRight"), Deadline);
    QVERIFY(window.findChild<QLabel *>()->text().startsWith("1 of 59 recorded, 1 fine"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P);
    const QString sample = m_dir->filePath("TurnLeft.wav");
    QCOMPARE(played->paths, QStringList({ sample, sample }));
    const QByteArray firstTake = bytesOf(sample);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R);
    QTRY_COMPARE_WITH_TIMEOUT(window.currentName(), QStringLiteral("TurnRight"), Deadline);
    QVERIFY2(window.message().startsWith("TurnLeft recorded"), qPrintable(window.message()));
    QVERIFY(bytesOf(sample) != firstTake);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window.currentName(), Name);
    QCOMPARE(window.message(), "Take 2 of TurnLeft undone: take 1 is the sample again.");
    QCOMPARE(bytesOf(sample), firstTake);

    // The start mark moved 10 ms earlier cuts the sample again, 10 ms longer.
    const auto before = analyseSample(sample);
    QVERIFY(before);
    QTest::keyClick(window.findChild<TakeView *>(), Qt::Key_Left);
    const auto after = analyseSample(sample);
    QVERIFY(after);
    QVERIFY(std::abs(after->frames - before->frames - 220) <= 1);

    window.makeFinishedVoice(m_dir->filePath("finished"));
    QVERIFY(window.message().endsWith("is the voice's folder or lies inside it"));
    const QTemporaryDir elsewhere;
    const QString finished = elsewhere.filePath("finished");
    window.makeFinishedVoice(finished);
    QVERIFY2(window.message().endsWith("1 of 59 samples fine."), qPrintable(window.message()));
    QVERIFY(QFile::exists(finished + "/TurnLeft.wav"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(window.currentName(), QStringLiteral("RbRight"));
    // The arrows pass over the lists' headings: only names are current.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(window.currentName(), Name);
    for (int i = 0; i < 16; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(window.currentName(), QStringLiteral("Yards"));
}

// Lit by one sample at full scale, the clip light stays on for a second of
// input, long enough to be seen, and then goes out.
void TestRecorder::clipLightStaysLit()
{
    QByteArray raw = inputOf({ Silence, Silence });
    const qint64 clippedAt = Rate / 2;
    reinterpret_cast<float *>(raw.data())[clippedAt] = 1.0f;
    QVERIFY(openInput(raw));
    qint64 litUntil = -1;
    qint64 outAt = -1;
    connect(m_recording.get(), &CaptureSession::levelChanged, this,
            [&](const LevelMeter::Level &level) {
                const qint64 heard = m_recording->framesHeard();
                if (level.clip)
                    litUntil = heard;
                else if (litUntil >= 0 && outAt < 0)
                    outAt = heard;
            });
    QTRY_VERIFY_WITH_TIMEOUT(m_recording->framesHeard() > clippedAt + 2 * Rate, Deadline);
    QVERIFY2(litUntil - clippedAt >= Rate * 95 / 100,
             qPrintable(QString("lit for %1 s").arg(double(litUntil - clippedAt) / Rate)));
    QVERIFY2(outAt >= 0 && outAt - clippedAt <= Rate * 11 / 10,
             qPrintable(QString("out after %1 s").arg(double(outAt - clippedAt) / Rate)));
}

// The meter's figures stop at its floor: digital silence reads minus
// infinity, near silence no figure far below what any microphone gives.
void TestRecorder::meterShowsItsFloor_data()
{
    QTest::addColumn<float>("level");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digital silence") << 0.0f << "peak -inf dBFS, RMS -inf dBFS";
    QTest::newRow("near silence") << 1.0f / 32768 << "peak below -90 dBFS, RMS below -90 dBFS";
    QTest::newRow("a level") << 0.1f << "peak -20 dBFS, RMS -20 dBFS";
}

void TestRecorder::meterShowsItsFloor()
{
#ifdef __SANITIZE_THREAD__
    QSKIP("the window's painting threads are invisible to ThreadSanitizer");
#endif
    QFETCH(float, level);
    QFETCH(QString, shown);
    const QList<float> input(10 * Rate, level);
    QVERIFY(openInput(QByteArray(reinterpret_cast<const char *>(input.data()),
                                 input.size() * qsizetype(sizeof(float)))));
    m_recording->close();
    RecorderWindow window(m_dir->path(), std::make_unique<RecordingOutput>());
    window.show();
    QLabel *figures = nullptr;
    for (QLabel *label : window.findChildren<QLabel *>()) {
        if (label->accessibleName() == "Peak and RMS")
            figures = label;
    }
    QVERIFY(figures);
    QTRY_COMPARE_WITH_TIMEOUT(figures->text(), shown, Deadline);
}

// A take that says another name's line shows wrong-words on its row, with
// what it sounds like, once the words are heard, and the message says so;
// the take is kept all the same. Here the folder's TurnRight says TurnLeft's
// line, so the take makes a swap; a take of its own line stays fine.
void TestRecorder::takeHeard_data()
{
    QTest::addColumn<QString>("turnRightSays");
    QTest::addColumn<QString>("takeSays");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("turnLeftHeard"); // the row's state from wrong-words on
    QTest::addColumn<QString>("turnRightHeard");
    QTest::addColumn<QString>("told"); // the message after "TurnLeft recorded (N s). "

    QTest::newRow("its own line") << "Turn right"
                                  << "Turn left"
                                  << "16 of 59 recorded, 16 fine"
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("the line of TurnRight, which says TurnLeft's")
        << "Turn left"
        << "Turn right"
        << "16 of 59 recorded, 14 fine"
        << "wrong-words: sounds like TurnRight (\"turn right\")"
        << "wrong-words: sounds like TurnLeft (\"turn left\")"
        << "It sounds like TurnRight (\"turn right\").";
}

void TestRecorder::takeHeard()
{
#ifdef __SANITIZE_THREAD__
    QSKIP("the window's painting threads are invisible to ThreadSanitizer");
#endif
    QFETCH(QString, turnRightSays);
    QFETCH(QString, takeSays);
    QFETCH(QString, summary);
    QFETCH(QString, turnLeftHeard);
    QFETCH(QString, turnRightHeard);
    QFETCH(QString, told);
    if (QStandardPaths::findExecutable("espeak-ng").isEmpty())
        QSKIP("espeak-ng is not installed");
    const QString voice = m_dir->filePath("voice");
    QVERIFY(QDir().mkpath(voice));
    QVERIFY(speakTurns(voice, turnRightSays));
    QVERIFY(speak(takeSays, m_dir->filePath("said.wav")));
    const auto input = inputSaying(m_dir->filePath("said.wav"));
    QVERIFY(input);
    QVERIFY(openInput(*input));
    m_recording->close();

    RecorderWindow window(voice, std::make_unique<RecordingOutput>());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(window.currentName(), Name);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R);
    QTRY_VERIFY_WITH_TIMEOUT(window.message().startsWith(Name + " recorded ("), Deadline);
    const auto *progress = window.findChild<QLabel *>();
    QTRY_VERIFY_WITH_TIMEOUT(!progress->text().contains("hearing"), HearingDeadline);

    QCOMPARE(progress->text(), summary);
    QCOMPARE(wordsOn(window, Name), turnLeftHeard);
    QCOMPARE(wordsOn(window, "TurnRight"), turnRightHeard);
    QCOMPARE(window.message().section(" s). ", 1), told);
    // Kept, beside the sample it replaced.
    const TakeFolder folder(voice);
    QCOMPARE(folder.takes(Name), QList<int>({ 1, 2 }));
    QCOMPARE(folder.chosen(Name)->first, 2);
    QVERIFY(analyseSample(folder.samplePath(Name)));
}

// A check that keeps its hearings hears again only the samples whose files
// changed, and judges as if it heard them all; other lines are all heard
// again.
void TestRecorder::hearingsKept()
{
#ifdef __SANITIZE_THREAD__
    // Qt starts espeak-ng with clone(CLONE_VM), which ThreadSanitizer takes
    // for a fork of the test itself: it stops watching and dies at the next
    // thread. latestCheckReported hears samples on threads instead.
    QSKIP("ThreadSanitizer cannot follow a test that starts a program");
#endif
    if (QStandardPaths::findExecutable("espeak-ng").isEmpty())
        QSKIP("espeak-ng is not installed");
    const QString voice = m_dir->path();
    QVERIFY(speakTurns(voice, "Turn right"));
    WordsCache cache;
    // A check that keeps its hearings, and how many samples it heard.
    const auto check = [&] {
        const int before = cache.hearings();
        auto report = checkVoice(voice, { .cache = &cache });
        return std::pair(report, cache.hearings() - before);
    };

    const auto [first, heardFirst] = check();
    QVERIFY(first);
    QCOMPARE(heardFirst, Turns);
    QVERIFY(first->words.checked);
    QCOMPARE(first->namesWith(Problem::WrongWords), QStringList());
    // TurnLeft and TurnRight swapped: both heard again, and found.
    QVERIFY(QFile::rename(voice + "/TurnLeft.wav", voice + "/swap.wav"));
    QVERIFY(QFile::rename(voice + "/TurnRight.wav", voice + "/TurnLeft.wav"));
    QVERIFY(QFile::rename(voice + "/swap.wav", voice + "/TurnRight.wav"));
    const auto [swapped, heardSwapped] = check();
    QVERIFY(swapped);
    QCOMPARE(heardSwapped, 2);
    const QStringList both { "TurnLeft", "TurnRight" };
    QCOMPARE(swapped->namesWith(Problem::WrongWords), both);
    const auto [again, heardAgain] = check();
    QVERIFY(again);
    QCOMPARE(heardAgain, 0);
    QCOMPARE(again->namesWith(Problem::WrongWords), both);

    QFile lines(voice + "/lines.txt");
    QVERIFY(lines.open(QIODevice::WriteOnly));
    QVERIFY(lines.write("KeepLeft\tKeep to the left\n") > 0);
    lines.close();
    QCOMPARE(check().second, Turns);
}

// A check asked for while another runs follows it, and only the voice as
// it was last asked for is reported. Noise keeps the hearing threads busy
// without a program to speak, so ThreadSanitizer watches them too.
void TestRecorder::latestCheckReported()
{
    const QString first = m_dir->filePath("first");
    QVERIFY(QDir().mkpath(first));
    for (int i = 0; i < Turns; ++i) {
        const QString name = QString::fromUtf8(DefaultLines[i].name) + ".wav";
        QVERIFY(writeNoise(first + '/' + name, quint32(i), 0.8));
        QVERIFY(writeNoise(m_dir->filePath(name), quint32(i + Turns), 0.8));
    }
    WordsCheck check;
    QStringList reported;
    connect(&check, &WordsCheck::checked, this,
            [&](const VoiceReport &report) { reported << report.folder; });
    check.ask(first);
    check.ask(m_dir->path());
    QVERIFY(check.pending());
    QTRY_VERIFY_WITH_TIMEOUT(!check.pending(), Deadline);
    QCOMPARE(reported, QStringList { m_dir->path() });
}

QTEST_MAIN(TestRecorder)
#include "tst_recorder.moc"
