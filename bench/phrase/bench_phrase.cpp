// Prints the phrase player's figures: the silence the device plays at each
// join of a ten-fragment phrase and the phrase's length against its samples'
// (SDL's disk driver), the time a phrase of 40,000 missing samples takes
// with the window's events handled throughout, and ten phrases through a
// PulseAudio server of its own, as users hear them: late callbacks, silence
// the server put in, and the time from Play to sound. Run it beside a busy
// build (and under nice -n 10) to see what load does.
#include "platform.h"
#include "sarvikform.h"
#include "sdlaudiooutput.h"
#include "soundbits.h"
#include "soundserver.h"
#include "soundtestkit.h"
#include "tonesequence.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <SDL_log.h>
#include <cstdio>
#include <optional>

namespace {

// Nothing of the system but what the window cannot do without.
class QuietPlatform : public Platform
{
public:
    void beep() override { }
    InstanceCheck checkInstance() override { return InstanceCheck::Alone; }
    QRectF primaryScreenTwips() const override { return { 0, 0, 1024 * 15, 768 * 15 }; }
};

// The window's own share: the same loop with no sample look-up at all.
class SilentPlayer : public SamplePlayer
{
public:
    void PlaySample(const QString &, PlayFlags) override { }
};

// Counts the rounds of event handling: each event it gets queues the next.
class RoundCounter : public QObject
{
public:
    int rounds = 0;
    void start() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++rounds;
        start();
        return true;
    }
};

double ms(qsizetype frames, int rate)
{
    return 1000.0 * double(frames) / rate;
}

constexpr int ToneRate = 22050;
constexpr double ToneSeconds = 0.15;

struct PhraseRun
{
    SDL_AudioSpec spec {};
    ToneSequence heard;
    // From the first frame of sound to the last, silences included.
    qsizetype streamFrames = 0;
    // The samples' lengths at the device's rate, added up.
    qsizetype sampleFrames = 0;
    SdlAudioOutput::Counters counters;
};

// One phrase of ten tones, as the window plays it.
std::optional<PhraseRun> playPhrase(const QTemporaryDir &folder)
{
    const QString raw = folder.filePath("output.raw");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(raw));
    QStringList paths;
    for (int tone = 0; tone < 10; ++tone) {
        paths << folder.filePath(QString("tone%1.wav").arg(tone));
        writeTone(paths.last(), 300 + 60 * tone, ToneSeconds, ToneRate);
    }
    auto output = std::make_unique<SdlAudioOutput>();
    {
        SoundBits sound(*output, QString());
        QuietPlatform platform;
        SarvikForm form(platform, sound);
        form.load();
        form.DirectionsText->setPlainText(paths.join(" , ") + " , ");
        form.PlayButton_Click();
    }

    PhraseRun run;
    run.counters = output->counters();
    const auto recording = recordedOutput(std::move(output), raw);
    if (!recording)
        return std::nullopt;
    run.spec = recording->spec;
    const qsizetype frames = qsizetype(ToneSeconds * ToneRate) * run.spec.freq / ToneRate;
    const QList<float> &samples = recording->samples;
    run.heard = analyseTones(samples, QList<qsizetype>(10, frames), run.spec.freq);
    const QList<Span> spans = soundSpans(samples);
    if (!spans.isEmpty())
        run.streamFrames = spans.last().end - spans.first().start;
    run.sampleFrames = 10 * frames;
    return run;
}

void reportJoins()
{
    QTemporaryDir folder;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::optional<PhraseRun> run = playPhrase(folder);
        if (!run) {
            std::printf("phrase: no device output\n");
            return;
        }
        if (attempt == 0)
            std::printf("device: %d Hz, period %d frames (%.2f ms); ten %.2f s tones at %d Hz\n",
                        run->spec.freq, run->spec.samples, ms(run->spec.samples, run->spec.freq),
                        ToneSeconds, ToneRate);
        QStringList silences;
        for (qsizetype silence : run->heard.silences)
            silences << QString::number(silence);
        std::printf("phrase %d: frames of silence at the 9 joins: %s; %d gaps inside tones\n"
                    "  stream %lld frames from first sound to last, samples %lld (%+lld); "
                    "callback: %llu joins, %llu underruns\n",
                    attempt + 1, qPrintable(silences.join(' ')), run->heard.strayGaps,
                    static_cast<long long>(run->streamFrames),
                    static_cast<long long>(run->sampleFrames),
                    static_cast<long long>(run->streamFrames - run->sampleFrames),
                    run->counters.joins, run->counters.underruns);
    }
}

void reportMissingPhrase(SamplePlayer &player, const char *what)
{
    QuietPlatform platform;
    SarvikForm form(platform, player);
    form.load();
    form.DirectionsText->setPlainText(QString("NoSuchSample , ").repeated(40000).chopped(3));
    RoundCounter counter;
    counter.start();
    QElapsedTimer timer;
    timer.start();
    form.PlayButton_Click();
    const double total = timer.nsecsElapsed() / 1e6;
    std::printf("40,000 missing samples, %s: %.0f ms in all, %.1f us a fragment, %d rounds of "
                "events handled\n",
                what, total, total * 1000 / 40000, counter.rounds);
}

} // namespace

void reportServerPhrases()
{
    SoundServer server;
    QString failure = server.start(SoundServer::Kind::PulseAudio);
    if (failure.isEmpty() && !server.startRecording())
        failure = "its monitor cannot be recorded";
    if (!failure.isEmpty()) {
        std::printf("sound server: not measured: %s\n", qPrintable(failure));
        return;
    }
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    qunsetenv("SDL_AUDIODRIVER");
    QTemporaryDir folder;
    QStringList paths;
    for (int tone = 0; tone < 10; ++tone) {
        paths << folder.filePath(QString("tone%1.wav").arg(tone));
        writeTone(paths.last(), 300 + 60 * tone, ToneSeconds, SoundServer::Rate);
    }
    const qsizetype sampleFrames = 10 * qsizetype(ToneSeconds * SoundServer::Rate);
    int cut = 0;
    for (int phrase = 1; phrase <= 10; ++phrase) {
        const qsizetype before = server.recorded().size();
        SdlAudioOutput output;
        {
            SoundBits sound(output, QString());
            QuietPlatform platform;
            SarvikForm form(platform, sound);
            form.load();
            form.DirectionsText->setPlainText(paths.join(" , ") + " , ");
            form.PlayButton_Click();
        }
        const QList<float> heard = server.soundFrom(before);
        const QList<Span> spans = soundSpans(heard);
        if (spans.isEmpty()) {
            std::printf("phrase %d through the server: no sound at the sink\n", phrase);
            continue;
        }
        const ToneSequence tones
            = analyseTones(heard, QList<qsizetype>(10, qsizetype(ToneSeconds * SoundServer::Rate)),
                           SoundServer::Rate);
        const qsizetype inserted = spans.last().end - spans.first().start - sampleFrames;
        cut += qAbs(inserted) > 3 || tones.strayGaps != 0;
        std::printf("phrase %d through %s: %llu late callbacks, %d gaps inside tones, "
                    "%+lld frames (%.1f ms) against the samples, Play to sound at the sink "
                    "%.0f ms\n",
                    phrase, SDL_GetCurrentAudioDriver(), output.counters().lateCallbacks,
                    tones.strayGaps, static_cast<long long>(inserted),
                    ms(inserted, SoundServer::Rate), ms(spans.first().start, SoundServer::Rate));
    }
    std::printf("through the server: %d of 10 phrases with silence put in or sound lost\n", cut);
    qputenv("SDL_AUDIODRIVER", driver);
}

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "disk");
    QApplication app(argc, argv);
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
    reportJoins();
    std::printf("current folder %s\n", qPrintable(QDir::currentPath()));
    SilentPlayer silent;
    reportMissingPhrase(silent, "window loop alone");
    SdlAudioOutput engine;
    SoundBits sound(engine, QCoreApplication::applicationDirPath());
    reportMissingPhrase(sound, "through PlaySample");
    reportServerPhrases();
    return 0;
}
