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

namespace {

// Records the window's samples and passes them on to the real player.
class RecordingSoundBits : public FakeSamplePlayer
{
public:
    explicit RecordingSoundBits(SoundBits &sound) : sound(sound) { }
    void PlaySample(const QString &name, PlayFlags flags) override
    {
        FakeSamplePlayer::PlaySample(name, flags);
        sound.PlaySample(name, flags);
    }

private:
    SoundBits &sound;
};

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
    }

    void phraseComesOutWholeAndInOrder()
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
            RecordingSoundBits player(sound);
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

        const auto spec = output->deviceSpec();
        QVERIFY(spec);
        output.reset(); // closing the device flushes its file
        QFile raw(folder.filePath("output.raw"));
        QVERIFY(raw.open(QIODevice::ReadOnly));

        QList<qsizetype> frames;
        for (const Tone &tone : tones)
            frames << qsizetype(tone.seconds * spec->freq);
        const ToneSequence heard
            = analyseTones(firstChannel(raw.readAll(), *spec), frames, spec->freq);
        QCOMPARE(heard.strayGaps, 0);
        for (qsizetype silence : heard.silences)
            QVERIFY2(silence <= spec->samples, QByteArray::number(silence));
        QVERIFY2(qAbs(heard.soundFrames - spec->freq * 3 / 4) < spec->freq / 100,
                 QByteArray::number(heard.soundFrames));
        // Zero crossings counted over a tenth of a second are good to 5 Hz.
        for (qsizetype at = 0; at < tones.size(); ++at)
            QVERIFY2(qAbs(heard.pitches[at] - tones[at].hz) <= 10,
                     QByteArray::number(heard.pitches[at]));
    }
};

QTEST_MAIN(TestPhraseAudio)
#include "tst_phraseaudio.moc"
