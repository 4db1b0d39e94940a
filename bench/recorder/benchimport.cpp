#include "benchimport.h"

#include "sessionkit.h"
#include "voicelines.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The lines read once with the pauses of a reader who looks at the next
// line take about PassSeconds: three times over is a session of ten minutes.
constexpr double PauseSeconds = 2.2;
constexpr double PassSeconds = 200;

struct Run
{
    double wall = 0;
    double cpu = 0;
    long peakKb = 0;
    int status = -1;
    QByteArray last; // the last line printed
};

double seconds(const timeval &time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double now()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// voice-recorder --import session folder in a process of its own, for its
// own peak memory.
Run imported(const char *recorder, const QString &session, const QString &folder,
             const QString &output)
{
    Run run;
    const double start = now();
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen(QFile::encodeName(output).constData(), "w", stdout))
            _exit(127);
        execl(recorder, recorder, "--import", QFile::encodeName(session).constData(),
              QFile::encodeName(folder).constData(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return run;
    run.wall = now() - start;
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile printed(output);
    if (printed.open(QIODevice::ReadOnly))
        run.last = printed.readAll().trimmed().split('\n').last();
    return run;
}

} // namespace

int benchImport(const char *recorder)
{
    QTemporaryDir dir;
    SessionKit kit;
    const QList<SessionPart> once = linesInOrder(defaultLines().texts);
    for (const int minutes : { 3, 10, 60 }) {
        QList<SessionPart> parts;
        for (double length = 0; length < minutes * 60.0 - PassSeconds / 2;) {
            for (SessionPart part : once) {
                part.pauseAfter = PauseSeconds;
                parts.append(part);
            }
            length += PassSeconds;
        }
        const QString session = dir.filePath(QStringLiteral("%1.wav").arg(minutes));
        const auto spoken = kit.write(session, parts);
        if (!spoken) {
            std::printf("import: needs espeak-ng\n");
            return 1;
        }
        const Run run = imported(recorder, session, dir.filePath(QString::number(minutes)),
                                 dir.filePath("out.txt"));
        std::printf("import of a %.1f-minute session (%lld lines, 44.1 kHz): %.1f s, CPU %.1f s, "
                    "peak memory %ld KiB, exit %d, \"%s\" (goal: 10 minutes within 30 s)\n",
                    spoken->last().to / 60, qint64(parts.size()), run.wall, run.cpu, run.peakKb,
                    run.status, run.last.constData());
        std::fflush(stdout);
        QFile::remove(session);
    }
    return 0;
}
