#include "soundserver.h"

#include "pipereader.h"
#include "soundtestkit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr int StartMs = 20000;
// What a server on a busy machine may take to answer pactl, and to make a sink.
constexpr int PactlMs = 30000;
constexpr int SinkMs = 90000;
// Longer than a busy machine holds up a sink that plays.
constexpr int StoppedMs = 1000;
const QString Sink = "voiceplayer_test";
const QString Source = "voiceplayer_microphone";

QStringList programsOf(SoundServer::Kind kind)
{
    if (kind == SoundServer::Kind::PipeWire)
        return { "dbus-daemon", "pipewire", "wireplumber", "pipewire-pulse", "pactl" };
    return { "pulseaudio", "pactl" };
}

bool waitFor(const std::function<bool()> &ready, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!ready()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

} // namespace

SoundServer::SoundServer() = default;

SoundServer::~SoundServer()
{
    stop();
}

QString SoundServer::missingProgram(Kind kind)
{
    for (const QString &program : programsOf(kind)) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program + " is not installed";
    }
    return {};
}

QString SoundServer::start(Kind kind)
{
    stop();
    if (const QString missing = missingProgram(kind); !missing.isEmpty())
        return missing;
    const bool pipewire = kind == Kind::PipeWire;
    m_folder = std::make_unique<QTemporaryDir>();
    const QString runtime = m_folder->filePath("run");
    if (!QDir(m_folder->path()).mkpath("run/pulse") || !QDir(m_folder->path()).mkpath("home"))
        return "no room for the server's folders";
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert("XDG_RUNTIME_DIR", runtime);
    m_environment.insert("HOME", m_folder->filePath("home"));
    m_environment.insert("PULSE_SERVER", "unix:" + runtime + "/pulse/native");
    // PipeWire's parts find each other on a bus of their own; PulseAudio is
    // kept from starting one.
    m_environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime + "/bus");
    m_environment.remove("DISPLAY");
    // The player sets it for itself once it has played; the recorder here
    // would take it for its own and hand over 50 ms pieces.
    m_environment.remove("PULSE_LATENCY_MSEC");
    if (pipewire) {
        launch(
            "dbus-daemon",
            { "--session", "--nofork", "--nopidfile", "--address=unix:path=" + runtime + "/bus" });
        if (!waitFor([&] { return QFile::exists(runtime + "/bus"); }, StartMs))
            return "the session bus did not start";
        launch("pipewire", {});
        if (!waitFor([&] { return QFile::exists(runtime + "/pipewire-0"); }, StartMs))
            return "pipewire did not start";
        launch("wireplumber", {});
        launch("pipewire-pulse", {});
    } else {
        QFile config(m_folder->filePath("server.pa"));
        if (!config.open(QIODevice::WriteOnly)
            || config.write(QString("load-module module-native-protocol-unix socket=%1 "
                                    "auth-anonymous=1\n")
                                .arg(runtime + "/pulse/native")
                                .toUtf8())
                < 0)
            return "no room for the server's configuration";
        config.close();
        // --system=false: run for this user even as root, as the suite does.
        launch("pulseaudio",
               { "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "-F",
                 config.fileName() });
    }
    QString failure = waitForServer();
    if (failure.isEmpty())
        failure = makeSink(kind);
    if (!failure.isEmpty())
        return failure;
    for (const char *name : { "XDG_RUNTIME_DIR", "PULSE_SERVER", "DBUS_SESSION_BUS_ADDRESS" })
        qputenv(name, m_environment.value(name).toUtf8());
    return {};
}

// pipewire-pulse may answer before it can make a sink (seen on Debian 13),
// and on a busy machine pactl may give up before a sink it asked for is
// made, so the sink is asked for again until the server lists it; never
// while one asked for may still come, which would make two.
QString SoundServer::makeSink(Kind kind)
{
    const QString fifo = m_folder->filePath("sink.fifo");
    if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0)
        return "no FIFO for the sink";
    QStringList arguments { "load-module",
                            "module-pipe-sink",
                            "sink_name=" + Sink,
                            "file=" + fifo,
                            "format=float32le",
                            QString("rate=%1").arg(Rate),
                            QString("channels=%1").arg(Channels) };
    // PulseAudio's own pipe sink plays as fast as the FIFO is read unless
    // told to keep time; PipeWire's keeps the time of its graph.
    if (kind == Kind::PulseAudio)
        arguments << "use_system_clock_for_timing=yes";
    const auto listed = [&] {
        QByteArray sinks;
        return runPactl({ "list", "short", "sinks" }, &sinks) && sinks.contains(Sink.toUtf8());
    };
    const QDeadlineTimer deadline(SinkMs);
    while (!listed()) {
        if (deadline.hasExpired())
            return QString("the server made no sink in %1 s: %2")
                .arg(SinkMs / 1000)
                .arg(logEnd(kind == Kind::PipeWire ? "pipewire-pulse" : "pulseaudio"));
        runPactl(arguments);
        waitFor(listed, StartMs);
    }
    return runPactl({ "set-default-sink", Sink }) ? QString() : "the server refused its sink";
}

void SoundServer::stop()
{
    m_recording.reset();
    while (!m_processes.empty()) {
        QProcess &process = *m_processes.back();
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished();
        m_processes.pop_back();
    }
    m_folder.reset();
}

QString SoundServer::addPipeSource(int rate)
{
    const QString fifo = m_folder->filePath("microphone.fifo");
    if (!runPactl({ "load-module", "module-pipe-source", "source_name=" + Source, "file=" + fifo,
                    "format=float32le", QString("rate=%1").arg(rate), "channels=1" })
        || !runPactl({ "set-default-source", Source }))
        return {};
    return fifo;
}

bool SoundServer::startRecording()
{
    m_recording = std::make_unique<PipeReader>(m_folder->filePath("sink.fifo"), recordingPath());
    return m_recording->isOpen();
}

QString SoundServer::streams() const
{
    QByteArray listed;
    runPactl({ "list", "sink-inputs" }, &listed);
    return QString::fromUtf8(listed);
}

QList<float> SoundServer::recorded() const
{
    QFile file(recordingPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray raw = file.readAll();
    const qsizetype frameBytes = qsizetype(sizeof(float)) * Channels;
    QList<float> samples;
    samples.reserve(raw.size() / frameBytes);
    for (qsizetype at = 0; at + frameBytes <= raw.size(); at += frameBytes) {
        float sample = 0;
        std::memcpy(&sample, raw.constData() + at, sizeof sample);
        samples << sample;
    }
    return samples;
}

QList<float> SoundServer::soundFrom(qsizetype from) const
{
    const QDeadlineTimer deadline(20000);
    QDeadlineTimer quiet(StoppedMs);
    qsizetype size = 0;
    while (!deadline.hasExpired()) {
        const QList<float> samples = recorded().mid(from);
        if (samples.size() != size) {
            size = samples.size();
            quiet.setRemainingTime(StoppedMs);
        }
        const QList<Span> spans = soundSpans(samples);
        if (!spans.isEmpty()
            && (samples.size() - spans.last().end >= Rate / 5 || quiet.hasExpired()))
            return samples;
        QThread::msleep(50);
    }
    return {};
}

QProcess *SoundServer::launch(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_environment);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(m_folder->filePath(program + ".log"));
    // Ahead of the machine's other work, as a desktop's sound server runs
    // with realtime threads; where that is not allowed, as it comes.
    process->setChildProcessModifier([] { ::setpriority(PRIO_PROCESS, 0, -10); });
    process->start(program, arguments);
    process->waitForStarted();
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

// Until the server answers, or says why it cannot.
QString SoundServer::waitForServer()
{
    const auto ended = [&] {
        for (const auto &process : m_processes) {
            // No event loop runs here to tell the process's end.
            if (process->state() == QProcess::NotRunning || process->waitForFinished(0))
                return process->program();
        }
        return QString();
    };
    if (!waitFor([&] { return !ended().isEmpty() || runPactl({ "info" }); }, StartMs))
        return "the server did not answer";
    const QString program = ended();
    if (program.isEmpty())
        return {};
    return program + " ended: " + logEnd(program);
}

QString SoundServer::logEnd(const QString &program) const
{
    QFile log(m_folder->filePath(program + ".log"));
    log.open(QIODevice::ReadOnly);
    return QString::fromLocal8Bit(log.readAll().right(400)).trimmed();
}

bool SoundServer::runPactl(const QStringList &arguments, QByteArray *output) const
{
    QProcess pactl;
    pactl.setProcessEnvironment(m_environment);
    if (!output)
        pactl.setStandardOutputFile(QProcess::nullDevice());
    pactl.setStandardErrorFile(QProcess::nullDevice());
    pactl.start("pactl", arguments);
    const bool ran = pactl.waitForFinished(PactlMs) && pactl.exitStatus() == QProcess::NormalExit
        && pactl.exitCode() == 0;
    if (output)
        *output = pactl.readAllStandardOutput();
    return ran;
}
