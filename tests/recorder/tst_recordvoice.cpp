#include "catalogue.h"
#include "defaultlines.h"
#include "pausemeter.h"
#include "recorderwindow.h"
#include "recordingoutput.h"
#include "samplefile.h"
#include "soundserver.h"
#include "voicereport.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

// espeak-ng's own rate, which the microphone takes as it is.
constexpr int Rate = 22050;
constexpr int ChunkFrames = Rate / 100;
constexpr int TakeDeadline = 20000;
// The pads the sample is cut to, and how far the pause meter's 10 ms
// windows may move each end.
constexpr double PadsSeconds = 0.05;
constexpr double CutTolerance = 0.025;
// Through the server's and the recorder's resamplers, and the 16-bit dither.
constexpr double MinLikeness = 0.97;

// Writes room tone into the FIFO in real time, 10 ms at a time, with the
// speech it is given mixed in from the next 10 ms on. A write the server is
// not ready for is dropped, as a microphone's would be.
class MicrophoneFeed
{
public:
    explicit MicrophoneFeed(const QString &fifo)
        : m_fd(::open(fifo.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK))
        , m_thread([this] { run(); })
    { }
    ~MicrophoneFeed()
    {
        m_stop = true;
        m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    void say(std::vector<float> speech)
    {
        const std::lock_guard lock(m_mutex);
        m_speech = std::move(speech);
        m_at = 0;
    }

private:
    void run()
    {
        std::minstd_rand random(3);
        std::uniform_real_distribution<float> room(-0.002f, 0.002f);
        std::vector<float> chunk(ChunkFrames);
        auto next = std::chrono::steady_clock::now();
        while (!m_stop) {
            {
                const std::lock_guard lock(m_mutex);
                for (float &sample : chunk)
                    sample = room(random) + (m_at < m_speech.size() ? m_speech[m_at++] : 0.0f);
            }
            if (m_fd >= 0) [[maybe_unused]]
                const auto written = ::write(m_fd, chunk.data(), chunk.size() * sizeof(float));
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
        }
    }

    int m_fd;
    std::atomic<bool> m_stop { false };
    std::mutex m_mutex;
    std::vector<float> m_speech;
    std::size_t m_at = 0;
    std::thread m_thread;
};

// The line as espeak-ng says it, and how long its speech lasts between the
// pauses voice-check measures.
struct Spoken
{
    std::vector<float> frames;
    qint64 leading = 0; // frames before the speech
    qint64 speechFrames = 0;
    double speechSeconds() const { return double(speechFrames) / Rate; }
};

std::optional<Spoken> speak(const QString &text, const QString &path)
{
    QProcess espeak;
    espeak.start("espeak-ng", { "-w", path, text });
    if (!espeak.waitForFinished(30000) || espeak.exitCode() != 0)
        return std::nullopt;
    const auto file = SampleFile::open(path);
    if (!file || file->sampleRate() != Rate || file->channels() != 1)
        return std::nullopt;
    Spoken spoken;
    spoken.frames.resize(std::size_t(file->frames()));
    spoken.frames.resize(std::size_t(file->read(spoken.frames.data(), file->frames())));
    PauseMeter pauses(1, Rate);
    pauses.add(spoken.frames.data(), qint64(spoken.frames.size()));
    const PauseMeter::Ends ends = pauses.ends();
    spoken.leading = ends.leading;
    spoken.speechFrames = qint64(spoken.frames.size()) - ends.leading - ends.trailing;
    return spoken;
}

// How alike the sample's frames are to the spoken speech, aligned by
// cross-correlation near where the start pad puts it: 1 for the same wave.
double likeness(const QString &samplePath, const Spoken &spoken)
{
    const auto file = SampleFile::open(samplePath);
    if (!file || file->sampleRate() != Rate || file->channels() != 1)
        return 0;
    std::vector<float> sample(std::size_t(file->frames()));
    sample.resize(std::size_t(file->read(sample.data(), file->frames())));
    const auto speech = spoken.frames.begin() + spoken.leading;
    const qint64 padStart = Rate / 100;
    double best = 0;
    for (qint64 offset = padStart - Rate / 50; offset <= padStart + Rate / 50; ++offset) {
        double both = 0;
        double ours = 0;
        double theirs = 0;
        for (qint64 k = 0; k < spoken.speechFrames; ++k) {
            const double b = speech[k];
            theirs += b * b;
            const qint64 at = offset + k;
            if (at < 0 || at >= qint64(sample.size()))
                continue;
            const double a = sample[std::size_t(at)];
            both += a * b;
            ours += a * a;
        }
        // Frames of the speech missing from the sample count against it.
        best = std::max(best, both / std::sqrt(std::max(ours, 1e-12) * std::max(theirs, 1e-12)));
    }
    return best;
}

QString labelText(const QWidget &window, const QString &accessibleName)
{
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (label->accessibleName() == accessibleName)
            return label->text();
    }
    return {};
}

} // namespace

class TestRecordVoice : public QObject
{
    Q_OBJECT

private slots:
    void voiceWithKeysOnly_data();
    void voiceWithKeysOnly();
};

void TestRecordVoice::voiceWithKeysOnly_data()
{
    QTest::addColumn<int>("takes");
#ifdef VP_SANITIZED
    // Each take runs the same code in real time; the sanitizers see it all
    // in the first list and the step into the next.
    const auto firstList
        = std::count_if(SampleCatalogue.begin(), SampleCatalogue.end(),
                        [](const CatalogueEntry &entry) { return entry.list == 0; });
    QTest::newRow("the first list and one more") << int(firstList) + 1;
#else
    QTest::newRow("the whole voice") << int(SampleCatalogue.size());
#endif
}

// A voice recorded from a private PulseAudio whose default source is a FIFO
// fed in real time, each line spoken after its R: voice-check finds every
// recorded sample fine, holding its whole speech and the pads.
void TestRecordVoice::voiceWithKeysOnly()
{
    QFETCH(int, takes);
    SoundServer server;
    const QString failure = server.start(SoundServer::Kind::PulseAudio);
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    if (QStandardPaths::findExecutable("espeak-ng").isEmpty())
        QSKIP("espeak-ng is not installed");
    const QString fifo = server.addPipeSource(Rate);
    QVERIFY(!fifo.isEmpty());
    qputenv("SDL_AUDIODRIVER", "pulseaudio");

    QTemporaryDir scratch;
    QHash<QString, Spoken> lines;
    for (const DefaultLine &line : DefaultLines) {
        const QString name = QString::fromUtf8(line.name.data(), qsizetype(line.name.size()));
        const auto spoken = speak(QString::fromUtf8(line.text.data(), qsizetype(line.text.size())),
                                  scratch.filePath(name + ".wav"));
        QVERIFY2(spoken, qPrintable(name));
        lines.insert(name, *spoken);
    }
    MicrophoneFeed microphone(fifo);
    QVERIFY(microphone.isOpen());

    QTemporaryDir voice;
    RecorderWindow window(voice.path(), std::make_unique<RecordingOutput>());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(labelText(window, "Microphone"), QStringLiteral("Microphone open"));
    // A second of the room before the first take.
    QTest::qWait(1000);
    for (int i = 0; i < takes; ++i) {
        const QString name = window.currentName();
        QCOMPARE(name.toStdString(), SampleCatalogue[std::size_t(i)].name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R);
        microphone.say(lines[name].frames);
        const QString recorded = QString("%1 of 59 recorded").arg(i + 1);
        QTRY_VERIFY2_WITH_TIMEOUT(labelText(window, "Progress").startsWith(recorded),
                                  qPrintable(name + ": " + window.message()), TakeDeadline);
    }

    const auto report = checkVoice(voice.path());
    QVERIFY(report);
    QVERIFY(report->extras.isEmpty());
    const auto recorded = report->samples.first(takes);
    for (const SampleReport &sample : recorded) {
        QVERIFY2(sample.problems.isEmpty(),
                 qPrintable(sample.name + ": " + wordFor(sample.problems.value(0))));
        const double expected = lines[sample.name].speechSeconds() + PadsSeconds;
        QVERIFY2(std::fabs(sample.measures->seconds() - expected) <= CutTolerance,
                 qPrintable(QString("%1 lasts %2 s, its speech and pads %3 s")
                                .arg(sample.name)
                                .arg(sample.measures->seconds())
                                .arg(expected)));
    }
    QCOMPARE(report->fineCount(), takes);
    for (const SampleReport &sample : recorded) {
        const double alike = likeness(voice.filePath(sample.file), lines[sample.name]);
        QVERIFY2(
            alike >= MinLikeness,
            qPrintable(QString("%1 is only %2 like what was said").arg(sample.name).arg(alike)));
    }
}

QTEST_MAIN(TestRecordVoice)
#include "tst_recordvoice.moc"
