#include "soundserver.h"

#include "soundtestkit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <cstring>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr int StartMs = 20000;
const QString Sink = "voiceplayer_test";
const QString Source = "voiceplayer_microphone";

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

SoundServer::~SoundServer()
{
    stop();
}

QString SoundServer::start(Kind kind)
{
    stop();
    const bool pipewire = kind == Kind::PipeWire;
    const QStringList programs
        = pipewire ? QStringList { "dbus-daemon",    "pipewire", "wireplumber",
                                   "pipewire-pulse", "pactl",    "parec" }
                   : QStringList { "pulseaudio", "pactl", "parec" };
    for (const QString &program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program + " is not installed";
    }
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
    const QString failure = waitForServer();
    if (!failure.isEmpty())
        return failure;
    // pipewire-pulse may answer before it can make a sink (seen on Debian
    // 13), so it is asked again until it can.
    const auto nullSink = [&] {
        return runPactl({ "load-module", "module-null-sink", "sink_name=" + Sink,
                          "format=float32le", QString("rate=%1").arg(Rate),
                          QString("channels=%1").arg(Channels), "norewinds=1" });
    };
    if (!waitFor(nullSink, StartMs) || !runPactl({ "set-default-sink", Sink }))
        return "the server refused a null sink";
    for (const char *name : { "XDG_RUNTIME_DIR", "PULSE_SERVER", "DBUS_SESSION_BUS_ADDRESS" })
        qputenv(name, m_environment.value(name).toUtf8());
    return {};
}

void SoundServer::stop()
{
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
    QFile::remove(recordingPath());
    QProcess *recorder = launch("parec",
                                { "-d", Sink + ".monitor", "--raw", "--format=float32le",
                                  QString("--rate=%1").arg(Rate),
                                  QString("--channels=%1").arg(Channels), "--latency-msec=20" },
                                recordingPath());
    // The monitor runs before anything plays: silence arrives at once.
    return waitFor(
        [&] { return recorder->state() == QProcess::Running && QFile(recordingPath()).size() > 0; },
        StartMs);
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
    while (!deadline.hasExpired()) {
        const QList<float> samples = recorded().mid(from);
        const QList<Span> spans = soundSpans(samples);
        if (!spans.isEmpty() && samples.size() - spans.last().end >= Rate / 5)
            return samples;
        QThread::msleep(50);
    }
    return {};
}

QProcess *SoundServer::launch(const QString &program, const QStringList &arguments,
                              const QString &outputFile)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_environment);
    if (outputFile.isEmpty())
        process->setStandardOutputFile(QProcess::nullDevice());
    else
        process->setStandardOutputFile(outputFile);
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
    QFile log(m_folder->filePath(program + ".log"));
    log.open(QIODevice::ReadOnly);
    return program + " ended: " + QString::fromLocal8Bit(log.readAll().right(400)).trimmed();
}

bool SoundServer::runPactl(const QStringList &arguments) const
{
    QProcess pactl;
    pactl.setProcessEnvironment(m_environment);
    pactl.setStandardOutputFile(QProcess::nullDevice());
    pactl.setStandardErrorFile(QProcess::nullDevice());
    pactl.start("pactl", arguments);
    return pactl.waitForFinished(10000) && pactl.exitStatus() == QProcess::NormalExit
        && pactl.exitCode() == 0;
}
