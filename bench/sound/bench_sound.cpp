// Prints the sound engine's figures, measured on SDL's disk driver: start
// latency, the gap between two waited samples, the first play after the
// device was closed for idling, a one-hour file against a one-second one, and
// the CPU an idle engine uses. Linux only: it reads the device output through
// a FIFO and its own memory and threads from /proc.
#include "sdlaudiooutput.h"
#include "soundtestkit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <SDL_log.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start, Clock::time_point end = Clock::now())
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

double residentMb()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

int threadCount()
{
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

double cpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](timeval time) { return time.tv_sec * 1000.0 + time.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Reads the device output as the disk driver writes it, noting when each
// piece arrived. It holds the FIFO open for writing too, so it reads on
// across the device's closing and reopening.
class Recorder
{
public:
    explicit Recorder(const QString &fifo) : m_reader([this, fifo] { run(fifo); }) { }
    ~Recorder()
    {
        m_stopping = true;
        m_reader.join();
    }

    qsizetype bytes()
    {
        std::lock_guard lock(m_mutex);
        return m_data.size();
    }
    QByteArray recorded()
    {
        std::lock_guard lock(m_mutex);
        return m_data;
    }
    // When the device period starting at offset was written. The driver
    // writes through stdio, which hands the FIFO two periods at a time, so a
    // period is dated back by the periods that came after it in one read.
    Clock::time_point written(qsizetype offset, qsizetype periodBytes, double periodMs)
    {
        std::lock_guard lock(m_mutex);
        const auto piece = std::upper_bound(m_ends.begin(), m_ends.end(), offset);
        if (piece == m_ends.end())
            return Clock::now();
        const qsizetype later = (*piece - offset) / periodBytes - 1;
        const auto back = std::chrono::duration<double, std::milli>(later * periodMs);
        return m_times[piece - m_ends.begin()] - std::chrono::duration_cast<Clock::duration>(back);
    }

private:
    void run(const QString &fifo)
    {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
        char buffer[65536];
        pollfd ready { fd, POLLIN, 0 };
        while (!m_stopping) {
            if (::poll(&ready, 1, 100) <= 0)
                continue;
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            std::lock_guard lock(m_mutex);
            m_data.append(buffer, got);
            m_ends.append(m_data.size());
            m_times.append(Clock::now());
        }
        ::close(fd);
    }

    std::atomic<bool> m_stopping { false };
    std::mutex m_mutex;
    QByteArray m_data;
    QList<qsizetype> m_ends;
    QList<Clock::time_point> m_times;
    std::thread m_reader;
};

struct Start
{
    double callMs = 0;
    double latencyMs = 0;
};

class Bench
{
public:
    Bench(SdlAudioOutput &output, Recorder &recorder, const SDL_AudioSpec &spec,
          const QString &silence)
        : m_output(output)
        , m_recorder(recorder)
        , m_spec(spec)
        , m_frameBytes(SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels)
        , m_silence(silence)
    { }

    // Plays path without waiting after a stretch of silence.
    Start start(const QString &path)
    {
        m_output.play(m_silence, false); // cuts off a sample still playing
        sleepMs(150 + std::rand() % 20);
        return startNow(path);
    }

    // Plays path without waiting; the latency runs from the call to the
    // moment its first sound left the device.
    Start startNow(const QString &path)
    {
        const qsizetype from = m_recorder.bytes();
        const auto called = Clock::now();
        m_output.play(path, false);
        Start result { msSince(called), -1 };
        sleepMs(100);
        const QList<float> samples = firstChannel(m_recorder.recorded().mid(from), m_spec);
        const QList<Span> spans = soundSpans(samples);
        if (spans.isEmpty())
            return result;
        const qsizetype offset = from + spans[0].start * m_frameBytes;
        const qsizetype pieceStart = std::max(from, offset - offset % m_spec.size);
        const double intoPiece = double(offset - pieceStart) / m_frameBytes * 1000 / m_spec.freq;
        const double periodMs = m_spec.samples * 1000.0 / m_spec.freq;
        result.latencyMs
            = msSince(called, m_recorder.written(pieceStart, m_spec.size, periodMs)) + intoPiece;
        return result;
    }

    // The silence between two samples played back to back, waiting for each.
    double gapMs(const QString &first, const QString &second)
    {
        sleepMs(200); // a sample started before has ended: first is not joined on to it
        const qsizetype from = m_recorder.bytes();
        m_output.play(first, true);
        m_output.play(second, true);
        sleepMs(100);
        const QList<Span> spans = soundSpans(firstChannel(m_recorder.recorded().mid(from), m_spec));
        if (spans.size() < 2)
            return 0; // joined without a gap
        return double(spans[1].start - spans[0].end) * 1000 / m_spec.freq;
    }

private:
    SdlAudioOutput &m_output;
    Recorder &m_recorder;
    SDL_AudioSpec m_spec;
    int m_frameBytes;
    QString m_silence;
};

void report(const char *what, QList<double> values, const char *unit)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](int percent) { return values[(values.size() - 1) * percent / 100]; };
    std::printf("%-42s median %6.2f  p90 %6.2f  max %6.2f %s  (n=%lld)\n", what, at(50), at(90),
                values.last(), unit, static_cast<long long>(values.size()));
}

void measureStreaming(const QTemporaryDir &folder, const QString &second, const QString &hour)
{
    const QString fifo = folder.filePath("output.fifo");
    mkfifo(QFile::encodeName(fifo).constData(), 0600);
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(fifo));
    Recorder recorder(fifo);
    SdlAudioOutput output;
    const QString shortTone = folder.filePath("short.wav");
    const QString otherTone = folder.filePath("other.wav");
    writeTone(shortTone, 440, 0.2);
    writeTone(otherTone, 660, 0.2);
    // Lengths spread over one period, so the gap does not always fall alike.
    QStringList firstTones;
    for (int step = 0; step < 5; ++step) {
        firstTones.append(folder.filePath(QString("first%1.wav").arg(step)));
        writeTone(firstTones.last(), 440, 0.2 + step * 0.0021);
    }
    const QString silence = folder.filePath("silence.wav");
    writeTone(silence, 0, 0.05);
    output.play(shortTone, true);
    const SDL_AudioSpec spec = *output.deviceSpec();
    std::printf("device: %d Hz, %d channels, format 0x%x, period %d frames = %.2f ms\n", spec.freq,
                spec.channels, spec.format, spec.samples, spec.samples * 1000.0 / spec.freq);

    Bench bench(output, recorder, spec, silence);
    QList<double> calls, latencies, gaps;
    for (int run = 0; run < 40; ++run) {
        const Start start = bench.start(shortTone);
        calls.append(start.callMs);
        latencies.append(start.latencyMs);
        gaps.append(bench.gapMs(firstTones[run % firstTones.size()], otherTone));
    }
    report("flags 1 call returns after", calls, "ms");
    report("call -> first sound frame", latencies, "ms");
    report("silence between two flags-0 samples", gaps, "ms");

    QList<double> secondCalls, secondStarts, hourCalls, hourStarts;
    for (int run = 0; run < 10; ++run) {
        const Start shortStart = bench.start(second);
        const Start longStart = bench.start(hour);
        secondCalls.append(shortStart.callMs);
        secondStarts.append(shortStart.latencyMs);
        hourCalls.append(longStart.callMs);
        hourStarts.append(longStart.latencyMs);
    }
    report("1-second WAV: call returns after", secondCalls, "ms");
    report("1-hour WAV:   call returns after", hourCalls, "ms");
    report("1-second WAV: call -> first sound frame", secondStarts, "ms");
    report("1-hour WAV:   call -> first sound frame", hourStarts, "ms");

    QList<double> reopenCalls, reopenStarts;
    for (int run = 0; run < 10; ++run) {
        output.play(shortTone, true);
        while (output.deviceSpec())
            sleepMs(50);
        const Start start = bench.startNow(shortTone);
        reopenCalls.append(start.callMs);
        reopenStarts.append(start.latencyMs);
    }
    std::printf("first play after the device closed for idling (goal: first sound within "
                "a period + 5 ms = %.2f ms):\n",
                spec.samples * 1000.0 / spec.freq + 5);
    report("  flags 1 call returns after", reopenCalls, "ms");
    report("  call -> first sound frame", reopenStarts, "ms");
    output.play(shortTone, true);
}

void measureMemoryAndIdle(const QTemporaryDir &folder, const QString &second, const QString &hour)
{
    qputenv("SDL_DISKAUDIOFILE", "/dev/null");
    SdlAudioOutput output;
    output.play(second, true);
    for (const QString &path : { second, hour }) {
        sleepMs(500);
        const double before = residentMb();
        output.play(path, false);
        sleepMs(500);
        const double early = residentMb();
        sleepMs(path == hour ? 4500 : 0);
        std::printf("%s WAV adds %.2f MB resident after 0.5 s, %.2f MB after %s\n",
                    path == hour ? "1-hour  " : "1-second", early - before, residentMb() - before,
                    path == hour ? "5 s" : "0.5 s");
    }
    output.play(folder.filePath("short.wav"), true);
    sleepMs(1000);
    const int sounding = threadCount();
    sleepMs(4000);
    const int idle = threadCount();
    const double before = cpuMs();
    sleepMs(5000);
    const double used = cpuMs() - before;
    std::printf("threads 1 s after the last sound: %d, 5 s after: %d\n", sounding, idle);
    std::printf("idle from 5 to 10 s after the last sound: %.2f ms CPU (%.3f %% of a core; "
                "goal: at most 0.05 %%)\n",
                used, used / 50.0);
}

} // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
    qputenv("SDL_AUDIODRIVER", "disk");
    QTemporaryDir folder;
    const QString second = folder.filePath("second.wav");
    const QString hour = folder.filePath("hour.wav");
    std::printf("writing a one-hour WAV (22050 Hz mono 16-bit) ...\n");
    if (!writeTone(second, 440, 1) || !writeTone(hour, 440, 3600))
        return 1;
    std::printf("one-hour WAV: %.1f MB\n", double(QFile(hour).size()) / (1024 * 1024));
    measureStreaming(folder, second, hour);
    measureMemoryAndIdle(folder, second, hour);
    return 0;
}
