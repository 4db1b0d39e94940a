// Prints the phrase player's figures: the silence the device plays between
// two fragments of a phrase (SDL's disk driver), and the time a phrase of
// 40,000 missing samples takes with the window's events handled throughout.
#include "platform.h"
#include "sarvikform.h"
#include "sdlaudiooutput.h"
#include "soundbits.h"
#include "soundtestkit.h"
#include "tonesequence.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <SDL_log.h>
#include <algorithm>
#include <cstdio>

namespace {

// Nothing of the system but what the window cannot do without.
class QuietPlatform : public Platform
{
public:
    void beep() override { }
    InstanceCheck checkInstance() override { return InstanceCheck::Alone; }
    QRectF primaryScreenTwips() const override { return { 0, 0, 1024 * 15, 768 * 15 }; }
};

// The window's own share: the same loop with no sample look-up at all.
class SilentPlayer : public SamplePlayer
{
public:
    void PlaySample(const QString &, PlayFlags) override { }
};

// Counts the rounds of event handling: each event it gets queues the next.
class RoundCounter : public QObject
{
public:
    int rounds = 0;
    void start() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++rounds;
        start();
        return true;
    }
};

double ms(qsizetype frames, int rate)
{
    return 1000.0 * double(frames) / rate;
}

// One phrase of ten tones; the silences at its nine boundaries.
QList<qsizetype> phraseSilences(const QTemporaryDir &folder, SDL_AudioSpec &spec, int &strays)
{
    const QString raw = folder.filePath("output.raw");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(raw));
    QStringList paths;
    for (int tone = 0; tone < 10; ++tone) {
        paths << folder.filePath(QString("tone%1.wav").arg(tone));
        writeTone(paths.last(), 300 + 60 * tone, 0.15);
    }
    auto output = std::make_unique<SdlAudioOutput>();
    {
        SoundBits sound(*output, QString());
        QuietPlatform platform;
        SarvikForm form(platform, sound);
        form.load();
        form.DirectionsText->setPlainText(paths.join(" , ") + " , ");
        form.PlayButton_Click();
    }

    const auto deviceSpec = output->deviceSpec();
    output.reset(); // closing the device flushes its file
    QFile file(raw);
    if (!deviceSpec || !file.open(QIODevice::ReadOnly))
        return {};
    spec = *deviceSpec;
    const QList<qsizetype> frames(10, qsizetype(0.15 * spec.freq));
    const ToneSequence heard = analyseTones(firstChannel(file.readAll(), spec), frames, spec.freq);
    strays += heard.strayGaps;
    return heard.silences;
}

void reportSilences()
{
    QTemporaryDir folder;
    SDL_AudioSpec spec {};
    int strays = 0;
    QList<qsizetype> silences;
    for (int run = 0; run < 3; ++run)
        silences += phraseSilences(folder, spec, strays);
    if (silences.isEmpty()) {
        std::printf("silence between fragments: no device output\n");
        return;
    }
    std::sort(silences.begin(), silences.end());
    std::printf("device: %d Hz, period %d frames (%.2f ms)\n", spec.freq, spec.samples,
                ms(spec.samples, spec.freq));
    std::printf("silence between fragments (%lld boundaries, 3 ten-fragment phrases):\n"
                "  min %.2f ms, median %.2f ms, max %.2f ms (%.2f periods); %d gaps inside tones\n",
                static_cast<long long>(silences.size()), ms(silences.first(), spec.freq),
                ms(silences[silences.size() / 2], spec.freq), ms(silences.last(), spec.freq),
                double(silences.last()) / spec.samples, strays);
}

void reportMissingPhrase(SamplePlayer &player, const char *what)
{
    QuietPlatform platform;
    SarvikForm form(platform, player);
    form.load();
    form.DirectionsText->setPlainText(QString("NoSuchSample , ").repeated(40000).chopped(3));
    RoundCounter counter;
    counter.start();
    QElapsedTimer timer;
    timer.start();
    form.PlayButton_Click();
    const double total = timer.nsecsElapsed() / 1e6;
    std::printf("40,000 missing samples, %s: %.0f ms in all, %.1f us a fragment, %d rounds of "
                "events handled\n",
                what, total, total * 1000 / 40000, counter.rounds);
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "disk");
    QApplication app(argc, argv);
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
    reportSilences();
    std::printf("current folder %s\n", qPrintable(QDir::currentPath()));
    SilentPlayer silent;
    reportMissingPhrase(silent, "window loop alone");
    SdlAudioOutput engine;
    SoundBits sound(engine, QCoreApplication::applicationDirPath());
    reportMissingPhrase(sound, "through PlaySample");
    return 0;
}
