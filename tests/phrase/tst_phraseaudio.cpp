#include "fakeplatform.h"
#include "fakesampleplayer.h"
#include "sarvikform.h"
#include "sdlaudiooutput.h"
#include "soundbits.h"
#include "soundtestkit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <SDL_log.h>
#include <sndfile.h>

// The whole road of a phrase, from the Play button to the sound device, on
// SDL's disk driver, which writes the device's output to a file.
class TestPhraseAudio : public QObject
{
    Q_OBJECT

    ToneFolder folder;

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
    // before, and nothing is lost, added, repeated or reordered.
    void phraseComesOutWholeInOrderAndJoined()
    {
        const QStringList paths { folder.noise(1, 0.3),
                                  folder.noise(2, 0.3, 48000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT),
                                  folder.noise(3, 0.3, 44100) };

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
            QVERIFY(timer.elapsed() >= 800); // each fragment waited for
            QCOMPARE(player.played.size(), 4);
        }
        QCOMPARE(output->counters().joins, 2);
        QCOMPARE(output->counters().underruns, 0);

        const auto recording = recordedOutput(std::move(output), folder.filePath("output.raw"));
        QVERIFY(recording);
        const QString departure = departureFrom(*recording, paths);
        QVERIFY2(departure.isEmpty(), qPrintable(departure));
    }
};

QTEST_MAIN(TestPhraseAudio)
#include "tst_phraseaudio.moc"
