#include "sdlaudiooutput.h"
#include "soundserver.h"
#include "soundtestkit.h"
#include "stallwatch.h"
#include "tonesequence.h"

#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <SDL.h>
#include <numeric>

using namespace std::chrono_literals;

constexpr auto MachineStall = 10ms;

Q_DECLARE_METATYPE(SoundServer::Kind)

// The way every user's sound goes: through a sound server, on the backend
// SDL picks by itself, read back from what the server's sink plays.
// Whatever the server, each sample must arrive whole and in order, from its
// first frame, and a phrase's fragments joined with no silence between them.
class TestSoundServer : public QObject
{
    Q_OBJECT

    SoundServer server;
    ToneFolder folder;

private slots:
    // The program as users run it, at the priority of whatever else runs.
    void initTestCase() { qunsetenv("SDL_AUDIODRIVER"); }
    void cleanup() { server.stop(); }

    void playsWholeAndJoined_data()
    {
        QTest::addColumn<SoundServer::Kind>("kind");
        QTest::addColumn<QList<double>>("seconds");
        for (const auto &[name, kind] : servers()) {
            QTest::addRow("%s, a sample", name) << kind << QList<double> { 0.4 };
            QTest::addRow("%s, a phrase", name) << kind << QList<double> { 0.3, 0.25, 0.35, 0.2 };
        }
    }

    void playsWholeAndJoined()
    {
        QFETCH(SoundServer::Kind, kind);
        QFETCH(QList<double>, seconds);
        const QString missing = SoundServer::missingProgram(kind);
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        // Where it is installed, it runs.
        const QString failure = server.start(kind);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(server.startRecording());

        // Tones at the sink's rate, so that frames can be counted exactly.
        QStringList tones;
        QList<qsizetype> frames;
        for (qsizetype at = 0; at < seconds.size(); ++at) {
            tones << folder.tone(pitch(at), seconds[at], SoundServer::Rate);
            frames << qsizetype(seconds[at] * SoundServer::Rate);
        }
        // A server's own realtime thread wakes every 10 ms or so; a machine
        // that stalls even a realtime thread for that long can make the
        // server run dry whatever a program does, and only then is it tried
        // again. A fault of the program shows in every try.
        QString fault;
        for (int attempt = 1; attempt <= 5; ++attempt) {
            const StallWatch stalls;
            fault = faultPlaying(tones, frames);
            if (fault.isEmpty())
                break;
            fault += QString(", the machine holding a realtime thread up to %1 ms")
                         .arg(stalls.worst().count());
            qInfo("try %d: %s", attempt, qPrintable(fault));
            if (stalls.worst() < MachineStall)
                break;
        }
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    // Where SDL has both, the player goes through its pulseaudio driver, and
    // the server holds the 50 ms the player asks it to, as the server itself
    // reports the stream. PulseAudio says what its buffer holds: 40 ms, 29
    // ms beside a build, 8 ms for a stream left to SDL's one period.
    // pipewire-pulse says the graph cycle it plays the stream in, a quarter
    // of what it holds: 12.5 ms, and 5.3 ms left to SDL.
    void serverHoldsWhatThePlayerAsks_data()
    {
        QTest::addColumn<SoundServer::Kind>("kind");
        QTest::addColumn<QString>("figure"); // captures a number
        QTest::addColumn<double>("msPerUnit");
        QTest::addColumn<double>("leastMs");
        QTest::newRow("PulseAudio")
            << SoundServer::Kind::PulseAudio << "Buffer Latency: (\\d+) usec" << 0.001 << 20.0;
        QTest::newRow("PipeWire") << SoundServer::Kind::PipeWire << "node.latency = \"(\\d+)/"
                                  << 1000.0 / SoundServer::Rate << 9.0;
    }

    void serverHoldsWhatThePlayerAsks()
    {
        QFETCH(SoundServer::Kind, kind);
        QFETCH(QString, figure);
        QFETCH(double, msPerUnit);
        QFETCH(double, leastMs);
        const QString missing = SoundServer::missingProgram(kind);
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        const QString failure = server.start(kind);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        SdlAudioOutput output;
        output.play(folder.tone(440, 2, SoundServer::Rate), false);
        QCOMPARE(QByteArray(SDL_GetCurrentAudioDriver()), QByteArray("pulseaudio"));
        QString stream;
        QTRY_VERIFY_WITH_TIMEOUT((stream = server.streams()).contains("Sink Input"), 10000);
        // What a buffer holds at a moment is less where the player is late
        // to top it up: the most of a second's.
        double held = 0;
        for (int look = 0; look < 10; ++look) {
            stream = server.streams();
            const QString number = QRegularExpression(figure).match(stream).captured(1);
            held = std::max(held, number.toDouble() * msPerUnit);
            QThread::msleep(100);
        }
        QVERIFY2(held >= leastMs, qPrintable(QString("%1 ms:\n%2").arg(held).arg(stream)));
    }

private:
    static QList<std::pair<const char *, SoundServer::Kind>> servers()
    {
        return { { "PulseAudio", SoundServer::Kind::PulseAudio },
                 { "PipeWire", SoundServer::Kind::PipeWire } };
    }

    static double pitch(qsizetype tone) { return 300 + 250 * double(tone); }

    // Plays the tones one after another, each to its end as a phrase does;
    // says what the sink made of them unless they came whole, in order and
    // joined without silence.
    QString faultPlaying(const QStringList &tones, const QList<qsizetype> &frames)
    {
        const qsizetype start = server.recorded().size();
        SdlAudioOutput output;
        for (const QString &tone : tones)
            output.play(tone, true);
        const int rate = output.deviceSpec().value_or(SDL_AudioSpec {}).freq;
        if (rate != SoundServer::Rate)
            return QString("the device opened at %1 Hz").arg(rate);
        const QList<float> heard = server.soundFrom(start);
        if (heard.isEmpty())
            return "no sound reached the sink";

        const ToneSequence sequence = analyseTones(heard, frames, SoundServer::Rate);
        const qsizetype sum = std::accumulate(frames.begin(), frames.end(), qsizetype(0));
        QString fault;
        if (sequence.strayGaps != 0 || sequence.silences != QList<qsizetype>(frames.size() - 1, 0))
            fault = QString("%1 gaps inside tones, silences between them %2")
                        .arg(sequence.strayGaps)
                        .arg(QDebug::toString(sequence.silences));
        // A sine's first and last frames lie below the silence level.
        else if (qAbs(sequence.soundFrames - sum) > 3)
            fault = QString("%1 frames of sound for %2").arg(sequence.soundFrames).arg(sum);
        for (qsizetype at = 0; fault.isEmpty() && at < frames.size(); ++at) {
            if (qAbs(sequence.pitches[at] - pitch(at)) > 10)
                fault = QString("tone %1 at %2 Hz").arg(at).arg(sequence.pitches[at]);
        }
        if (!fault.isEmpty())
            fault += QString(" (%1 late callbacks, %2 underruns, SDL's %3 driver)")
                         .arg(output.counters().lateCallbacks)
                         .arg(output.counters().underruns)
                         .arg(SDL_GetCurrentAudioDriver());
        return fault;
    }
};

QTEST_GUILESS_MAIN(TestSoundServer)
#include "tst_soundserver.moc"
