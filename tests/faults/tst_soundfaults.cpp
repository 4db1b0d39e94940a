#include "audiooutput.h"
#include "filepermissions.h"
#include "sdlaudiooutput.h"
#include "soundbits.h"
#include "soundtestkit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <SDL_log.h>
#include <csignal>
#include <sys/resource.h>

namespace {

qint64 millisecondsFor(const std::function<void()> &call)
{
    QElapsedTimer timer;
    timer.start();
    call();
    return timer.elapsed();
}

// Makes every file this process writes stop growing at limit bytes: the
// disk sound driver's output then fails as a device does when it is
// unplugged. Writes past it fail instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved {};
};

} // namespace

// Faults around one sample: no sound device, a device lost mid-sample, a
// file that cannot be read, a huge file. Runs on SDL's disk driver.
class TestSoundFaults : public QObject
{
    Q_OBJECT

    ToneFolder folder;

    // The tone, then a hole that makes the file 2 GB, hours of sound, under
    // a header claiming nearly 4 GB. A call that waited for it would outlast
    // the test's time limit. Empty when there is no room for it here.
    QString hugeTone(double seconds, double hz = 440)
    {
        const QString path = folder.tone(hz, seconds);
        QFile file(path);
        if (!file.resize((qint64(1) << 31) + 100) || !file.open(QIODevice::ReadWrite))
            return {};
        if (!file.seek(36) || file.read(4) != "data")
            return {};
        file.write("\xf0\xff\xff\xff", 4);
        return path;
    }

    QList<Span> recordedSpans(std::unique_ptr<SdlAudioOutput> output)
    {
        const auto recording = recordedOutput(std::move(output), folder.filePath("output.raw"));
        return recording ? soundSpans(recording->samples) : QList<Span>();
    }

private slots:
    void initTestCase() { SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES); }

    void init()
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(folder.filePath("output.raw")));
    }

    // What PlaySample's callers see with no sound at all: both ways of
    // playing return, without waiting for the sample.
    void noDeviceReturnsAtOnce()
    {
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        const QString path = hugeTone(0.1);
        if (path.isEmpty())
            QSKIP("no room for a sparse 2 GB file here");
        SdlAudioOutput output;
        SoundBits sound(output, QString());
        sound.PlaySample(path, SoundBits::PlayToEnd);
        sound.PlaySample(path, SoundBits::PlayAsync);
        QVERIFY(!output.deviceSpec());
    }

    void deviceLostMidSampleEndsTheWait()
    {
        const QString longTone = hugeTone(3.0);
        if (longTone.isEmpty())
            QSKIP("no room for a sparse 2 GB file here");
        const QString shortTone = folder.tone(440, 0.3);
        auto output = std::make_unique<SdlAudioOutput>();
        qint64 elapsed = 0;
        {
            // A few tenths of a second of output in any device format.
            FileSizeLimit limit(128 * 1024);
            elapsed = millisecondsFor([&] { output->play(longTone, true); });
        }
        // Lost once some of it was heard; the wait ends then, not after
        // the sample's hours.
        QVERIFY2(elapsed >= 150, QByteArray::number(elapsed));

        // The next play opens the device again and is heard whole: the wait
        // lasts all of it but its final lead.
        elapsed = millisecondsFor([&] { output->play(shortTone, true); });
        QVERIFY2(elapsed >= 200, QByteArray::number(elapsed));
        const QList<Span> spans = recordedSpans(std::move(output));
        QCOMPARE(spans.size(), 1);
    }

    void unreadableFilePlaysNothing()
    {
        const QString path = hugeTone(1.0);
        if (path.isEmpty())
            QSKIP("no room for a sparse 2 GB file here");
        QVERIFY(QFile::setPermissions(path, {}));
        PermissionBitsApply permissions;
        if (!permissions.active())
            QSKIP("cannot make a file unreadable for this user");
        QVERIFY(!QFile(path).open(QIODevice::ReadOnly));

        SdlAudioOutput output;
        SoundBits sound(output, QString());
        sound.PlaySample(path, SoundBits::PlayToEnd);
        QVERIFY(!output.deviceSpec()); // the device was never needed
    }

    // The huge file plays, and the next sample cuts it off. Its tone is long
    // enough to be playing still when the cut comes, however late. How soon
    // it starts is a figure for bench_sound.
    void sparseHugeFileStartsAndIsCutOff()
    {
        const QString path = hugeTone(20.0, 330);
        if (path.isEmpty())
            QSKIP("no room for a sparse 2 GB file here");

        auto output = std::make_unique<SdlAudioOutput>();
        output->play(path, false);
        QTest::qWait(300);
        output->play(folder.tone(880, 0.2), true);
        QFile::remove(path);
        const auto recording = recordedOutput(std::move(output), folder.filePath("output.raw"));
        QVERIFY(recording);
        const QList<Span> spans = soundSpans(recording->samples);
        QCOMPARE(spans.size(), 1); // the huge file's tone, then the cut-in
        // The cut-in ends the sound: it did not wait behind the long tone.
        const int rate = recording->spec.freq;
        const Span tail { spans[0].end - rate / 5, spans[0].end };
        QVERIFY(qAbs(pitchOf(recording->samples, tail, rate) - 880) < 10);
    }
};

QTEST_GUILESS_MAIN(TestSoundFaults)
#include "tst_soundfaults.moc"
