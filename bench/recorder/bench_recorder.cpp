// Figures for the recorder, through SDL's disk driver, which hands the
// input file over in real time as a microphone would:
//   CPU while listening and while recording, as a share of one core;
//   sound in to meter moved: from when a burst is due by the driver's clock,
//     counted from the device's opening (within a period), to the meter's
//     first block that shows it: an upper bound, since the driver's periods
//     run late by whatever its own reading and sleeping add;
//   memory during a 30 s take: the growth of the peak resident size;
//   stop to sample written: TakeFolder::keep for a 3 s take;
//   a take's words: the voice checked with its words, as the recorder does
//     beside the window, with the demo voice's hearings kept and one sample
//     changed, against the whole voice heard afresh and the check without
//     words the window makes at once.
// bench_recorder import: see benchimport.h.
#include "benchimport.h"
#include "capturesession.h"
#include "takefolder.h"
#include "voicereport.h"
#include "wordscache.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <sys/resource.h>

namespace {

constexpr int Rate = 48000;
constexpr double BurstAt = 2.0;
// The disk driver hands over one period of this many frames (what the
// recorder asks for) every DriverDelayMs, so it is its clock that says when
// the burst came in.
constexpr int PeriodFrames = 512;
constexpr int DriverDelayMs = 10;

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::vector<float> input(double seconds)
{
    std::vector<float> frames(std::size_t(seconds * Rate), 0.001f);
    for (std::size_t i = std::size_t(BurstAt * Rate); i < std::size_t((BurstAt + 0.5) * Rate); ++i)
        frames[i] = float(0.5 * std::sin(2 * std::numbers::pi * 220 * double(i) / Rate));
    return frames;
}

void waitFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

double coreShare(double seconds)
{
    const double before = cpuSeconds();
    waitFor(seconds);
    return 100 * (cpuSeconds() - before) / seconds;
}

// Wall and CPU time of check, the fastest of three.
void reportCheck(const char *what, const std::function<void()> &check)
{
    double wall = 1e9;
    double cpu = 0;
    for (int run = 0; run < 3; ++run) {
        const double cpuBefore = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        check();
        if (double(clock.nsecsElapsed()) / 1e6 < wall) {
            wall = double(clock.nsecsElapsed()) / 1e6;
            cpu = (cpuSeconds() - cpuBefore) * 1000;
        }
    }
    std::printf("%s: %.0f ms, CPU %.0f ms (best of 3)\n", what, wall, cpu);
}

void reportTakeWords(const QString &demo)
{
    QTemporaryDir voice;
    const QStringList files = QDir(demo).entryList({ "*.wav" }, QDir::Files);
    for (const QString &file : files)
        QFile::copy(demo + '/' + file, voice.filePath(file));
    const QString sample = voice.filePath("TurnLeft.wav");
    if (files.size() != 59 || !QFile::exists(sample)) {
        std::printf("a take's words not measured: no demo voice in %s\n", qPrintable(demo));
        return;
    }
    reportCheck("the voice heard afresh", [&] { checkVoice(voice.path()); });
    WordsCache cache;
    checkVoice(voice.path(), { .cache = &cache });
    reportCheck("a take's words, one sample changed, hearings kept", [&] {
        // Written anew and renamed over, as a take's sample is.
        QFile::copy(sample, sample + ".new");
        QFile::remove(sample);
        QFile::rename(sample + ".new", sample);
        checkVoice(voice.path(), { .cache = &cache });
    });
    reportCheck("the check without words", [&] { checkVoice(voice.path(), { .words = false }); });
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "import") == 0)
        return benchImport(VOICE_RECORDER);
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIODELAY", QByteArray::number(DriverDelayMs));
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::vector<float> frames = input(12);
    QFile file(dir.filePath("input.raw"));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char *>(frames.data()),
                      qint64(frames.size() * sizeof(float)))
            < 0)
        return 1;
    file.close();
    qputenv("SDL_DISKAUDIOFILEIN", file.fileName().toUtf8());

    CaptureSession input;
    QElapsedTimer clock;
    double movedAt = -1;
    QObject::connect(&input, &CaptureSession::levelChanged, [&](const LevelMeter::Level &level) {
        if (movedAt < 0 && level.peakDb > -20)
            movedAt = double(clock.nsecsElapsed()) / 1e9;
    });
    if (!input.open() || input.rate() != Rate) {
        std::printf("no disk input: %s\n", qPrintable(input.error()));
        return 1;
    }
    clock.start();
    const double burstCame = BurstAt * Rate / PeriodFrames * DriverDelayMs / 1000;
    waitFor(burstCame + 1);
    std::printf("sound in to meter moved: %.0f ms (goal at most 50 ms)\n",
                (movedAt - burstCame) * 1000);
    std::printf("CPU while listening: %.2f %% of one core (goal under 2 %%)\n", coreShare(3));
    input.start();
    std::printf("CPU while recording: %.2f %% of one core\n", coreShare(3));
    input.discard();
    input.close();

    const long before = peakKb();
    TakeRecorder takes(Rate);
    const std::vector<float> room(Rate, 0.001f);
    takes.start();
    for (int second = 0; second < 30; ++second)
        takes.add(room.data(), qint64(room.size()));
    const auto take = takes.finish();
    std::printf("memory during a 30 s take: %ld KiB more at the peak (%.0f s held)\n",
                peakKb() - before, take ? take->seconds() : 0.0);

    Take spoken;
    spoken.rate = Rate;
    spoken.frames.assign(frames.begin() + qsizetype((BurstAt - 1) * Rate),
                         frames.begin() + qsizetype((BurstAt + 2) * Rate));
    TakeFolder folder(dir.path());
    QElapsedTimer writing;
    writing.start();
    const QString error = folder.keep(QStringLiteral("TurnLeft"), spoken);
    std::printf("stop to sample written: %.1f ms for a 3 s take (goal at most 100 ms)%s\n",
                double(writing.nsecsElapsed()) / 1e6, qPrintable(error));
    reportTakeWords(QCoreApplication::applicationDirPath() + "/wavs");
    return 0;
}
