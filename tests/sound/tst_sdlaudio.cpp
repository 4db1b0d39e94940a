#include "deferredaudiooutput.h"
#include "sdlaudiooutput.h"
#include "soundtestkit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTest>

#include <SDL.h>
#include <sndfile.h>

// Runs on SDL's disk driver: the device writes its raw output to a file,
// which each test reads back once its engine is gone.
class TestSdlAudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void playsSampleFrameForFrame_data();
    void playsSampleFrameForFrame();
    void asyncReturnsAtOnce();
    void newSampleCutsOffOld();
    void backToBackLeavesNoGap();
    void longPeriodKeepsLeadShortAndJoins_data();
    void longPeriodKeepsLeadShortAndJoins();
    void noDeviceReturnsAtOnce();
    void brokenFilesPlayNothing();
    void closesWhenIdleAndReopens();
    void stalledDeviceEndsTheWait();
    void failureIsRetriedAtMostOnceASecond_data();
    void failureIsRetriedAtMostOnceASecond();

private:
    QList<float> recorded(std::unique_ptr<SdlAudioOutput> output);
    static qint64 elapsedPlaying(SdlAudioOutput &output, const QString &path, bool wait);

    ToneFolder folder;
    SDL_AudioSpec spec {};
};

void TestSdlAudio::initTestCase()
{
    // The disk driver warns at every open that it is not a sound card.
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
}

void TestSdlAudio::init()
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(folder.filePath("output.raw")));
    qunsetenv("SDL_DISKAUDIODELAY");
}

QList<float> TestSdlAudio::recorded(std::unique_ptr<SdlAudioOutput> output)
{
    const auto recording = recordedOutput(std::move(output), folder.filePath("output.raw"));
    if (!recording)
        return {};
    spec = recording->spec;
    return recording->samples;
}

qint64 TestSdlAudio::elapsedPlaying(SdlAudioOutput &output, const QString &path, bool wait)
{
    QElapsedTimer timer;
    timer.start();
    output.play(path, wait);
    return timer.elapsed();
}

// Samples three times as long as the engine's ring, so that its reads and
// writes wrap round its end again and again.
void TestSdlAudio::playsSampleFrameForFrame_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("format");
    QTest::addColumn<float>("tolerance");
    const int pcm16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const int floats = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    // The device's own rate and channels: nothing to convert, nothing may change.
    QTest::newRow("48000 Hz stereo float") << 48000 << 2 << floats << 0.0f;
    QTest::newRow("48000 Hz stereo 16-bit") << 48000 << 2 << pcm16 << 0.0f;
    // Converted.
    QTest::newRow("22050 Hz mono") << 22050 << 1 << pcm16 << ResamplingTolerance;
    QTest::newRow("44100 Hz stereo") << 44100 << 2 << pcm16 << ResamplingTolerance;
    QTest::newRow("8000 Hz mu-law")
        << 8000 << 1 << int(SF_FORMAT_WAV | SF_FORMAT_ULAW) << ResamplingTolerance;
    QTest::newRow("96000 Hz float") << 96000 << 2 << floats << ResamplingTolerance;
}

void TestSdlAudio::playsSampleFrameForFrame()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, format);
    QFETCH(float, tolerance);
    // Slow periods, so that a busy machine cannot starve the sample, but not
    // so slow that a waiting play takes the device for stalled.
    qputenv("SDL_DISKAUDIODELAY", "20");
    const QString path = folder.noise(quint32(rate + channels), 0.75, rate, channels, format);
    auto output = std::make_unique<SdlAudioOutput>();
    const qint64 elapsed = elapsedPlaying(*output, path, true);
    const auto recording = recordedOutput(std::move(output), folder.filePath("output.raw"));
    QVERIFY(recording);

    QVERIFY2(elapsed >= 700, QByteArray::number(elapsed));
    // Exact where the device needs nothing converted, and only there.
    QCOMPARE(recording->spec.freq == rate && recording->spec.channels == channels, tolerance == 0);
    const QString departure = departureFrom(*recording, { path }, tolerance);
    QVERIFY2(departure.isEmpty(), qPrintable(departure));
}

void TestSdlAudio::asyncReturnsAtOnce()
{
    using namespace std::chrono_literals;
    // Closing between the two plays would start a new file: the second
    // follows the first well within the close delay.
    auto output = std::make_unique<SdlAudioOutput>(1s);
    const QString second = folder.tone(440, 2.0);
    output->play(folder.tone(440, 0.1), true); // opens the device
    const auto opened = output->deviceSpec();
    QVERIFY(opened);
    const qint64 elapsed = elapsedPlaying(*output, second, false);
    // Back before its sample could have been heard to the end.
    QVERIFY2(elapsed < 2000, QByteArray::number(elapsed));

    // The device closes, flushing its file, once the last sound has played.
    QTRY_VERIFY_WITH_TIMEOUT(!output->deviceSpec(), 20000);
    const auto samples = recordedSamples(folder.filePath("output.raw"), *opened);
    QVERIFY(samples);
    // Joined on to the first tone or after it, and heard whole.
    qsizetype sound = 0;
    for (const Span &span : soundSpans(*samples))
        sound += span.length();
    QVERIFY2(qAbs(sound - opened->freq * 21 / 10) < opened->freq / 200, QByteArray::number(sound));
}

void TestSdlAudio::newSampleCutsOffOld()
{
    auto output = std::make_unique<SdlAudioOutput>();
    output->play(folder.tone(440, 3.0), false);
    // Some of the first tone has reached the device.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(folder.filePath("output.raw")).size() > 16384, 10000);
    output->play(folder.tone(880, 0.3), true);
    const QList<float> samples = recorded(std::move(output));

    const QList<Span> spans = soundSpans(samples);
    QCOMPARE(spans.size(), 1); // no silence where one sample takes over
    const Span sound = spans[0];
    const qsizetype tail = spec.freq * 3 / 10;
    QVERIFY(sound.length() < spec.freq * 3); // the first tone was cut short
    QVERIFY(qAbs(pitchOf(samples, { sound.start, sound.end - tail }, spec.freq) - 440) < 10);
    QVERIFY(qAbs(pitchOf(samples, { sound.end - tail, sound.end }, spec.freq) - 880) < 10);
}

// Each sample begins on the frame after the last of the one before, and
// nothing is lost, added or repeated on the way.
void TestSdlAudio::backToBackLeavesNoGap()
{
    // Slow periods give the caller time to come back on a busy machine.
    qputenv("SDL_DISKAUDIODELAY", "50");
    const QStringList paths { folder.noise(1, 0.3, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT),
                              folder.noise(2, 0.3, 44100), folder.noise(3, 0.3) };
    auto output = std::make_unique<SdlAudioOutput>();
    for (const QString &path : paths)
        output->play(path, true);
    const auto counters = output->counters();
    const auto recording = recordedOutput(std::move(output), folder.filePath("output.raw"));
    QVERIFY(recording);

    QCOMPARE(counters.joins, 2);
    const QString departure = departureFrom(*recording, paths);
    QVERIFY2(departure.isEmpty(), qPrintable(departure));
}

// A driver's long period must neither make a waiting play return that much
// early nor lose the join, wherever in its last period the first tone ends.
void TestSdlAudio::longPeriodKeepsLeadShortAndJoins_data()
{
    QTest::addColumn<int>("endFrame");
    QTest::addColumn<int>("maxLead");
    // Within 60 ms of a period's start, the lead can stay within 60 ms.
    QTest::newRow("ends early in a period") << 600 << 2880;
    // Later, the next tone must come before that period: within one.
    QTest::newRow("ends mid-period") << 2000 << 4096;
    QTest::newRow("ends late in a period") << 3000 << 4096;
}

void TestSdlAudio::longPeriodKeepsLeadShortAndJoins()
{
    QFETCH(int, endFrame);
    QFETCH(int, maxLead);
    constexpr int Period = 4096;
    constexpr int Rate = 48000;
    const int firstFrames = 3 * Period + endFrame;
    auto output = std::make_unique<SdlAudioOutput>(std::chrono::seconds(3), Period);
    const QString first = folder.tone(440, (firstFrames + 0.5) / Rate, Rate);
    const QString second = folder.tone(880, 0.2, Rate);
    output->play(first, true);
    // The device's count of frames starts with the first tone.
    const qint64 unplayed = firstFrames - qint64(output->counters().frames);
    output->play(second, true);
    const QList<float> samples = recorded(std::move(output));

    QCOMPARE(spec.samples, Period);
    QCOMPARE(spec.freq, Rate);
    QVERIFY2(unplayed <= maxLead, QByteArray::number(unplayed));
    QCOMPARE(soundSpans(samples).size(), 1);
}

void TestSdlAudio::noDeviceReturnsAtOnce()
{
    qputenv("SDL_AUDIODRIVER", "no-such-driver");
    auto output = std::make_unique<SdlAudioOutput>();
    // Back before the sample could have been played.
    const qint64 elapsed = elapsedPlaying(*output, folder.tone(440, 10.0), true);
    QVERIFY2(elapsed < 10000, QByteArray::number(elapsed));
    QVERIFY(!output->deviceSpec());
}

void TestSdlAudio::brokenFilesPlayNothing()
{
    QByteArray header;
    QFile good(folder.tone(440, 0.1));
    QVERIFY(good.open(QIODevice::ReadOnly));
    header = good.read(44);
    QByteArray zeroChannels = header + QByteArray(4000, '\x30');
    zeroChannels[22] = 0;
    const QList<QByteArray> broken = { QByteArray(), QByteArray("not audio"), header.left(30),
                                       zeroChannels, header.left(12) + QByteArray(5000, '\xee') };

    auto output = std::make_unique<SdlAudioOutput>();
    output->play(folder.tone(440, 0.1), true);
    for (const QByteArray &bytes : broken) {
        QFile file(folder.filePath("broken.wav"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        output->play(file.fileName(), true);
    }
    QCOMPARE(soundSpans(recorded(std::move(output))).size(), 1);
}

// The device stays open while a sample sounds, even one longer than the
// idle time, closes once it has ended, and opens again for the next play.
void TestSdlAudio::closesWhenIdleAndReopens()
{
    using namespace std::chrono_literals;
    // Slow periods, so that a busy machine cannot starve the tone.
    qputenv("SDL_DISKAUDIODELAY", "40");
    auto output = std::make_unique<SdlAudioOutput>(100ms);
    output->play(folder.tone(440, 0.6), false);
    const auto opened = output->deviceSpec();
    QVERIFY(opened);
    QTRY_VERIFY_WITH_TIMEOUT(!output->deviceSpec(), 10000);
    QVERIFY(!SDL_WasInit(SDL_INIT_AUDIO)); // no driver thread left either
    // Closing flushed the driver's file.
    const auto first = recordedSamples(folder.filePath("output.raw"), *opened);
    QVERIFY(first);
    const QList<Span> heard = soundSpans(*first);
    QCOMPARE(heard.size(), 1);
    QVERIFY2(qAbs(heard[0].length() - opened->freq * 6 / 10) < opened->freq / 200,
             QByteArray::number(heard[0].length()));

    output->play(folder.tone(660, 0.2), true);
    const QList<float> samples = recorded(std::move(output));
    const QList<Span> spans = soundSpans(samples); // reopening started a new file
    QCOMPARE(spans.size(), 1);
    QVERIFY(qAbs(pitchOf(samples, spans[0], spec.freq) - 660) < 5);
}

void TestSdlAudio::stalledDeviceEndsTheWait()
{
    // One device period every four seconds: the sample cannot end in time.
    qputenv("SDL_DISKAUDIODELAY", "4000");
    auto output = std::make_unique<SdlAudioOutput>();
    const qint64 elapsed = elapsedPlaying(*output, folder.tone(440, 0.3), true);
    // At the stalled pace the tone would take minutes to be heard.
    QVERIFY2(elapsed >= 2000 && elapsed < 20000, QByteArray::number(elapsed));
    // Its next period comes seconds after the sound ran out: a late callback.
    QTRY_VERIFY_WITH_TIMEOUT(output->counters().lateCallbacks > 0, 15000);
}

namespace {

QStringList soundMessages;

void keepSoundMessage(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (QByteArray(context.category).startsWith("voiceplayer.sound"))
        soundMessages << message;
}

} // namespace

enum class Failing { Module, SdlAudio, Device };
Q_DECLARE_METATYPE(Failing)

void TestSdlAudio::failureIsRetriedAtMostOnceASecond_data()
{
    QTest::addColumn<Failing>("failing");
    QTest::addColumn<QString>("reason");
    QTest::newRow("module load") << Failing::Module << "cannot be loaded";
    QTest::newRow("SDL audio start") << Failing::SdlAudio << "SDL audio cannot start";
    QTest::newRow("device open") << Failing::Device << "cannot be opened";
}

// Each failure says why; a play within a second of it does not try again,
// and one after does, and finds the sound that came meanwhile.
void TestSdlAudio::failureIsRetriedAtMostOnceASecond()
{
    QFETCH(Failing, failing);
    QFETCH(QString, reason);
    soundMessages.clear();
    QLoggingCategory::setFilterRules("voiceplayer.*=true");
    const QtMessageHandler previous = qInstallMessageHandler(keepSoundMessage);
    const auto restore = qScopeGuard([previous] {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    });
    const QString modulePath = folder.filePath("voice-player-sound");
    DeferredAudioOutput module(modulePath);
    SdlAudioOutput engine;
    AudioOutput &output = failing == Failing::Module ? static_cast<AudioOutput &>(module) : engine;
    if (failing == Failing::SdlAudio)
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
    if (failing == Failing::Device) // the disk driver cannot write a folder
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(folder.filePath(".")));
    const QString tone = folder.tone(440, 0.1);
    output.play(tone, true);
    output.play(tone, true);
    QCOMPARE(soundMessages.size(), 1);
    QVERIFY2(soundMessages[0].contains(reason), qPrintable(soundMessages[0]));

    init();
    if (failing == Failing::Module)
        QVERIFY(QFile::copy(SOUND_MODULE_PATH,
                            folder.filePath(QFileInfo(SOUND_MODULE_PATH).fileName())));
    output.play(tone, true);
    QCOMPARE(soundMessages.size(), 1);
    QVERIFY(!engine.deviceSpec());
    QTest::qWait(1100);
    output.play(tone, true);
    if (failing == Failing::Module) {
        QVERIFY(soundMessages.size() >= 2);
        QVERIFY(soundMessages[1].contains("loaded"));
    } else {
        QVERIFY(engine.deviceSpec());
    }
}

QTEST_GUILESS_MAIN(TestSdlAudio)
#include "tst_sdlaudio.moc"
