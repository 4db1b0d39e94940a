// Prints voice-check's figures, each from runs of the real program: the
// time it takes to hear a voice's words, quiet and beside a build; files
// per second and peak memory on the demo voice among 10,000
// other files, on a one-hour sample, and on a 2 GB sparse WAV (13.5 hours of
// silence behind a true header); then --fix on the demo voice as espeak-ng
// speaks it, and on a voice with a one-hour 44.1 kHz stereo sample to
// resample. POSIX only: it spawns the program itself to read each run's own
// peak memory (wait4).
#include "parallelbuild.h"
#include "soundtestkit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Figures
{
    double seconds = 0;
    double cpuSeconds = 0; // user and system, on all threads
    double peakMb = 0;
    int exitCode = -1;
};

// One run of voice-check with arguments, its output thrown away.
Figures runOnce(const QStringList &arguments)
{
    QList<QByteArray> words { VOICE_CHECK };
    for (const QString &argument : arguments)
        words.append(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t child = 0;
    Figures figures;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage {};
        wait4(child, &status, 0, &usage);
        figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        figures.peakMb = usage.ru_maxrss / 1024.0;
        figures.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        figures.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return figures;
}

Figures checkOnce(const QString &folder, const QStringList &options = {})
{
    return runOnce(options + QStringList { "--json", folder });
}

// --fix of folder into a new folder in scratch.
Figures fixOnce(const QString &folder, const QTemporaryDir &scratch)
{
    static int runs = 0;
    return runOnce({ "--fix", scratch.filePath(QString::number(++runs)), folder });
}

// The fastest of a few runs, which is the least disturbed by other work.
Figures bestOf(int runs, const std::function<Figures()> &run)
{
    Figures best = run();
    for (int i = 1; i < runs; ++i) {
        const Figures next = run();
        if (next.seconds < best.seconds)
            best = next;
    }
    return best;
}

// The middle of a few runs, for a machine that others keep busy.
Figures medianOf(int runs, const std::function<Figures()> &run)
{
    std::vector<Figures> all;
    for (int i = 0; i < runs; ++i)
        all.push_back(run());
    std::sort(all.begin(), all.end(),
              [](const Figures &a, const Figures &b) { return a.seconds < b.seconds; });
    return all[all.size() / 2];
}

void report(const char *what, const Figures &figures, int files)
{
    std::printf("%-50s %7.3f s  cpu %6.3f s  peak %5.1f MB  exit %d", what, figures.seconds,
                figures.cpuSeconds, figures.peakMb, figures.exitCode);
    if (files > 1)
        std::printf("  %5.0f files/s", files / figures.seconds);
    std::printf("\n");
}

bool copyVoice(const QString &from, const QString &to)
{
    const QStringList files = QDir(from).entryList({ "*.wav" }, QDir::Files);
    return !files.isEmpty() && std::all_of(files.begin(), files.end(), [&](const QString &file) {
        return QFile::copy(from + '/' + file, to + '/' + file);
    });
}

bool writeSparseWav(const QString &path, qint64 bytes)
{
    QFile file(path);
    const auto data = quint32(bytes - 44);
    return file.open(QIODevice::WriteOnly) && file.write(wavFile(1, 22050, 16, {}, data)) == 44
        && file.resize(bytes);
}

// The spoken demo voice converted to 44.1 kHz, as voices are often recorded.
bool writeVoiceAt44k(const QString &to)
{
    const QStringList files = QDir(SPOKEN_DEMO_VOICE).entryList({ "*.wav" }, QDir::Files);
    return !files.isEmpty() && std::all_of(files.begin(), files.end(), [&](const QString &file) {
        return QProcess::execute(
                   "sox", { "-V1", SPOKEN_DEMO_VOICE "/" + file, "-r", "44100", to + '/' + file })
            == 0;
    });
}

// How long hearing a voice's words takes, quiet and beside a build.
void reportWords(const QString &demo)
{
    QTemporaryDir at44k;
    const bool converted = writeVoiceAt44k(at44k.path());
    if (!converted)
        std::printf("44.1 kHz voice not measured: sox could not convert the spoken demo voice\n");
    for (const bool busy : { false, true }) {
        QTemporaryDir folder;
        std::optional<ParallelBuild> build;
        if (busy)
            build.emplace(folder);
        const char *where = busy ? "beside a build, median of 5" : "quiet, best of 5";
        const auto run = busy ? medianOf : bestOf;
        report(qPrintable(QStringLiteral("words: demo voice (%1)").arg(where)),
               run(5, [&] { return checkOnce(demo); }), 59);
        report(qPrintable(QStringLiteral("--no-words: demo voice (%1)").arg(where)),
               run(5, [&] { return checkOnce(demo, { "--no-words" }); }), 59);
        if (converted)
            report(qPrintable(QStringLiteral("words: 44.1 kHz voice (%1)").arg(where)),
                   run(5, [&] { return checkOnce(at44k.path()); }), 59);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString demo = QCoreApplication::applicationDirPath() + "/wavs";
    QTemporaryDir crowded;
    QTemporaryDir hour;
    QTemporaryDir sparse;
    if (!copyVoice(demo, crowded.path())) {
        std::fprintf(stderr, "bench_voicecheck: no demo voice in %s\n", qPrintable(demo));
        return 1;
    }
    reportWords(demo);

    for (int i = 0; i < 10000; ++i)
        QFile(crowded.path() + QStringLiteral("/note%1.txt").arg(i)).open(QIODevice::WriteOnly);
    report("demo voice among 10,000 other files",
           bestOf(3, [&] { return checkOnce(crowded.path()); }), 59);

    if (!writeTone(hour.path() + "/Arrive.wav", 440, 3600)) {
        std::fprintf(stderr, "bench_voicecheck: cannot write the one-hour sample\n");
        return 1;
    }
    report("one 1-hour sample (22050 Hz mono, 159 MB)", checkOnce(hour.path()), 1);

    if (!writeSparseWav(sparse.path() + "/Arrive.wav", qint64(2) << 30)) {
        std::fprintf(stderr, "bench_voicecheck: cannot write the sparse WAV\n");
        return 1;
    }
    report("2 GB sparse WAV (13.5 h of silence)", checkOnce(sparse.path()), 1);

    QTemporaryDir scratch;
    report("--fix, demo voice as spoken (best of 5)",
           bestOf(5, [&] { return fixOnce(SPOKEN_DEMO_VOICE, scratch); }), 59);
    QTemporaryDir longVoice;
    if (!copyVoice(demo, longVoice.path())
        || !writeTone(longVoice.path() + "/Arrive.wav", 440, 3600, 44100, 2)) {
        std::fprintf(stderr, "bench_voicecheck: cannot write the one-hour stereo sample\n");
        return 1;
    }
    report("--fix, voice with a 1-hour 44.1 kHz stereo sample", fixOnce(longVoice.path(), scratch),
           59);
    return 0;
}
