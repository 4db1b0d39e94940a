#include "sdlaudiooutput.h"
#include "soundserver.h"
#include "soundtestkit.h"
#include "stallwatch.h"
#include "tonesequence.h"

#include <QTest>

#include <SDL.h>
#include <numeric>

using namespace std::chrono_literals;

constexpr auto MachineStall = 10ms;

Q_DECLARE_METATYPE(SoundServer::Kind)

// The way every user's sound goes: through a sound server, on the backend
// SDL picks by itself, read back from the server's null sink. Whatever the
// server, each sample must arrive whole and in order, and a phrase's
// fragments joined with no silence between them.
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
        for (const auto &[name, kind] : { std::pair { "PulseAudio", SoundServer::Kind::PulseAudio },
                                          std::pair { "PipeWire", SoundServer::Kind::PipeWire } }) {
            QTest::addRow("%s, a sample", name) << kind << QList<double> { 0.4 };
            QTest::addRow("%s, a phrase", name) << kind << QList<double> { 0.3, 0.25, 0.35, 0.2 };
        }
    }

    void playsWholeAndJoined()
    {
        QFETCH(SoundServer::Kind, kind);
        QFETCH(QList<double>, seconds);
        const QString failure = server.start(kind);
        if (!failure.isEmpty())
            QSKIP(qPrintable(failure));
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
            if (stalls.worst() < MachineStall)
                break;
            qInfo("try %d: %s; again", attempt, qPrintable(fault));
        }
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

private:
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
