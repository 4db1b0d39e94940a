#include "fakeplatform.h"
#include "fakesampleplayer.h"
#include "sarvikform.h"
#include "sdlaudiooutput.h"
#include "soundbits.h"
#include "soundtestkit.h"
#include "tonesequence.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <SDL_log.h>
#include <numeric>

namespace {

struct Tone
{
    double hz;
    double seconds;
};

} // namespace

// The whole road of a phrase, from the Play button to the sound device, on
// SDL's disk driver, which writes the device's output to a file.
class TestPhraseAudio : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;

private slots:
    void initTestCase()
    {
        SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(folder.filePath("output.raw")));
        // A period every 50 ms, for some 10 ms of sound, gives the window time
        // to come back for the next fragment on a busy machine too. Joins are
        // counted in frames, whatever the pace.
        qputenv("SDL_DISKAUDIODELAY", "50");
    }

    // Each fragment begins on the frame after the last one of the fragment
    // before, and nothing is lost or added.
    void phraseComesOutWholeInOrderAndJoined()
    {
        const QList<Tone> tones { { 330, 0.3 }, { 550, 0.2 }, { 880, 0.25 } };
        QStringList paths;
        for (const Tone &tone : tones) {
            paths << folder.filePath(QString("tone%1.wav").arg(paths.size()));
            QVERIFY(writeTone(paths.last(), tone.hz, tone.seconds));
        }

        auto output = std::make_unique<SdlAudioOutput>();
        {
            SoundBits sound(*output, QString());
            // Records the window's samples and passes them on to the real player.
            FakeSamplePlayer player;
            player.whilePlaying
                = [&](const QString &name) { sound.PlaySample(name, SamplePlayer::PlayToEnd); };
            FakePlatform platform;
            SarvikForm form(platform, player);
            QVERIFY(form.load());
            form.DirectionsText->setPlainText(paths.join(" , ") + " , ");
            // As in the program, the window has painted before anyone clicks: a
            // first paint between two fragments can take longer than a period.
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QElapsedTimer timer;
            timer.start();
            QTest::mouseClick(form.PlayButton, Qt::LeftButton);
            QVERIFY(timer.elapsed() >= 700); // each fragment waited for
            QCOMPARE(player.played.size(), 4);
        }
        QCOMPARE(output->counters().joins, 2);
        QCOMPARE(output->counters().underruns, 0);

        const auto recording = recordedOutput(std::move(output), folder.filePath("output.raw"));
        QVERIFY(recording);
        const int rate = recording->spec.freq;

        QList<qsizetype> frames;
        for (const Tone &tone : tones)
            frames << qsizetype(tone.seconds * 22050) * rate / 22050;
        const ToneSequence heard = analyseTones(recording->samples, frames, rate);
        QCOMPARE(heard.strayGaps, 0);
        QCOMPARE(heard.silences, QList<qsizetype>(2, 0));
        // A sine's first and last frames lie below the silence level.
        const qsizetype sum = std::accumulate(frames.begin(), frames.end(), qsizetype(0));
        QVERIFY2(qAbs(heard.soundFrames - sum) <= 3, QByteArray::number(heard.soundFrames - sum));
        // Zero crossings counted over a tenth of a second are good to 5 Hz.
        for (qsizetype at = 0; at < tones.size(); ++at)
            QVERIFY2(qAbs(heard.pitches[at] - tones[at].hz) <= 10,
                     QByteArray::number(heard.pitches[at]));
    }
};

QTEST_MAIN(TestPhraseAudio)
#include "tst_phraseaudio.moc"
