// Prints the phrase player's figures: the silence the device plays at each
// join of a ten-fragment phrase and the phrase's length against its samples'
// (SDL's disk driver), the time a phrase of 40,000 missing samples takes
// with the window's events handled throughout, and, as users hear them,
// ten phrases through a PulseAudio and a PipeWire server of its own, quiet
// and beside a parallel build it starts at its own priority: the phrases
// with silence put in or sound lost, late callbacks, joins the window's
// thread came too late for, and the time from Play to sound, read as the
// sink plays it (a pipe sink drained in real time), not at a monitor, which
// misses up to 25 ms of a new sound's start.
// `bench_phrase servers [pulseaudio|pipewire]` measures only the servers.
#include "parallelbuild.h"
#include "platform.h"
#include "sarvikform.h"
#include "sdlaudiooutput.h"
#include "sinkclock.h"
#include "soundbits.h"
#include "soundserver.h"
#include "soundtestkit.h"
#include "stallwatch.h"
#include "tonesequence.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <SDL_log.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

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

// From the click to when the sink played the recording's frame.
std::optional<double> delayTo(const SinkClock &sink, long long frame,
                              SinkClock::Clock::time_point click)
{
    const auto played = sink.playedAt(frame);
    if (!played)
        return std::nullopt;
    return std::chrono::duration<double, std::milli>(*played - click).count();
}

struct ServerRow
{
    int phrasesCut = 0;
    double silenceMs = 0;
    unsigned long long lateCallbacks = 0;
    // Fragments that did not start on the frame after the one before: the
    // window's thread came back too late to hand them over.
    unsigned long long joinsMissed = 0;
    unsigned long long underruns = 0;
    QList<double> clickToSoundMs;
    QString driver;
    // The longest the machine held a realtime thread meanwhile.
    long long stallMs = 0;
};

// Ten ten-fragment phrases played as the window plays them, one after the
// other as a user clicks Play, read back as the server's sink plays them. The
// first opens the device; the others find it open.
ServerRow playThroughServer(SoundServer &server, const QStringList &paths, qsizetype sampleFrames)
{
    ServerRow row;
    const StallWatch stalls;
    const SinkClock sink(server.recordingPath(), sizeof(float) * SoundServer::Channels,
                         SoundServer::Rate);
    SdlAudioOutput output;
    for (int phrase = 1; phrase <= 10; ++phrase) {
        const qsizetype before = server.recorded().size();
        SinkClock::Clock::time_point click;
        {
            SoundBits sound(output, QString());
            QuietPlatform platform;
            SarvikForm form(platform, sound);
            form.load();
            form.DirectionsText->setPlainText(paths.join(" , ") + " , ");
            click = SinkClock::Clock::now();
            form.PlayButton_Click();
        }
        row.driver = SDL_GetCurrentAudioDriver();
        const QList<float> heard = server.soundFrom(before);
        const QList<Span> spans = soundSpans(heard);
        if (spans.isEmpty()) {
            ++row.phrasesCut;
            continue;
        }
        const ToneSequence tones
            = analyseTones(heard, QList<qsizetype>(10, sampleFrames / 10), SoundServer::Rate);
        const qsizetype inserted = spans.last().end - spans.first().start - sampleFrames;
        row.phrasesCut += qAbs(inserted) > 3 || tones.strayGaps != 0;
        row.silenceMs += std::max(0.0, ms(inserted, SoundServer::Rate));
        if (const auto delay = delayTo(sink, before + spans.first().start, click))
            row.clickToSoundMs << *delay;
    }
    row.stallMs = stalls.worst().count();
    const SdlAudioOutput::Counters counters = output.counters();
    row.lateCallbacks = counters.lateCallbacks;
    row.joinsMissed = 10 * 9 - counters.joins;
    row.underruns = counters.underruns;
    return row;
}

struct IdleRow
{
    double cpuMs = 0;
    std::optional<double> clickMs;
};

// The process's CPU from 5 to 10 s after a sound, when the engine has closed
// the device but keeps SDL's audio waiting on the server, and how soon a
// click sounds then.
IdleRow idleThroughServer(SoundServer &server, const QString &path)
{
    IdleRow row;
    SdlAudioOutput output;
    output.play(path, true);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const std::clock_t before = std::clock();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    row.cpuMs = double(std::clock() - before) * 1000 / CLOCKS_PER_SEC;
    const SinkClock sink(server.recordingPath(), sizeof(float) * SoundServer::Channels,
                         SoundServer::Rate);
    const qsizetype recorded = server.recorded().size();
    const auto click = SinkClock::Clock::now();
    output.play(path, true);
    const QList<Span> spans = soundSpans(server.soundFrom(recorded));
    if (!spans.isEmpty())
        row.clickMs = delayTo(sink, recorded + spans.first().start, click);
    return row;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

void reportServerPhrases(const QString &only = {})
{
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
    qunsetenv("SDL_AUDIODRIVER");
    QTemporaryDir folder;
    QStringList paths;
    for (int tone = 0; tone < 10; ++tone) {
        paths << folder.filePath(QString("tone%1.wav").arg(tone));
        writeTone(paths.last(), 300 + 60 * tone, ToneSeconds, SoundServer::Rate);
    }
    const qsizetype sampleFrames = 10 * qsizetype(ToneSeconds * SoundServer::Rate);
    std::printf("ten phrases of ten tones through a sound server, read as its sink plays them "
                "(a pipe sink drained in real time):\n"
                "%-11s %-11s %-8s %-12s %-9s %-5s %-7s %-10s %-13s %s\n",
                "server", "SDL", "load", "phrases cut", "silence", "late", "joins", "underruns",
                "machine stall", "Play to sound (median, first)");
    for (const auto &[name, kind] : { std::pair { "PulseAudio", SoundServer::Kind::PulseAudio },
                                      std::pair { "PipeWire", SoundServer::Kind::PipeWire } }) {
        if (!only.isEmpty() && only.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        SoundServer server;
        QString failure = server.start(kind);
        if (failure.isEmpty() && !server.startRecording())
            failure = "its sink cannot be recorded";
        if (!failure.isEmpty()) {
            std::printf("%-11s not measured: %s\n", name, qPrintable(failure));
            continue;
        }
        for (const bool busy : { false, true }) {
            std::optional<ParallelBuild> build;
            if (busy)
                build.emplace(folder);
            const ServerRow row = playThroughServer(server, paths, sampleFrames);
            std::printf(
                "%-11s %-11s %-8s %2d of 10     %6.1f ms %-5llu %-7s %-10llu %4lld ms       "
                "%.0f, %.0f ms\n",
                name, qPrintable(row.driver), busy ? "a build" : "quiet", row.phrasesCut,
                row.silenceMs, row.lateCallbacks,
                qPrintable(QString("%1 lost").arg(row.joinsMissed)), row.underruns, row.stallMs,
                median(row.clickToSoundMs), row.clickToSoundMs.value(0));
        }
        const IdleRow idle = idleThroughServer(server, paths.first());
        std::printf("%-11s idle from 5 to 10 s after the last sound: %.2f ms CPU; a click then "
                    "sounds after %.0f ms\n",
                    name, idle.cpuMs, idle.clickMs.value_or(-1));
    }
    qputenv("SDL_AUDIODRIVER", driver);
}

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "disk");
    QApplication app(argc, argv);
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
    // "servers" measures only the sound servers, the part that takes long;
    // a server's name after it, only that one.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == "servers") {
        reportServerPhrases(arguments.value(2));
        return 0;
    }
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
