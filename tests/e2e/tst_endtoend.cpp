#include "diskaudiotap.h"
#include "samplefile.h"
#include "sdlaudiooutput.h"
#include "soundtestkit.h"
#include "tonesequence.h"
#include "virtualdisplay.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <SDL_log.h>
#include <functional>

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int RowPixels = 13;
const QSize Screen(1024, 768);
const QSize WindowSize(465, 500);

// A list entry the test uses, where the window places it, and the
// tone that stands in for its sample. The tones are far enough apart in
// pitch for zero crossings to tell them apart.
struct Entry
{
    const char *name;
    const char *file; // samples are found whatever the letter case
    double hz;
    double seconds;
    QPoint listTwips; // the list's corner in the frame
    int row;
};

const Entry TurnLeft { "TurnLeft", "TurnLeft.wav", 300, 0.25, { 30, 60 }, 0 };
const Entry After { "After", "after.WAV", 550, 0.3, { 5160, 2010 }, 0 };
const Entry Hundred { "100", "100.wav", 800, 0.2, { 1740, 60 }, 2 };
const Entry Meters { "Meters", "METERS.wav", 1100, 0.25, { 1740, 60 }, 1 };
const QList<Entry> Phrase { After, Hundred, Meters };
// Samples of the demo voice beside the program, which none of the tones
// above stands in for.
const QList<Entry> SpokenPhrase { { "TurnRight", "", 0, 0, { 30, 60 }, 1 },
                                  { "2ndLeft", "", 0, 0, { 30, 60 }, 2 } };
// The demo voice keeps 10 ms before and 40 ms after each word; the gap
// between two words is both, and no pause inside a word is longer.
constexpr double LongestSpokenPauseMs = 10 + 40 + 10;

// Start-up moves the frame to the window's left edge; rows start inside the
// list's one-pixel border.
QPoint entryPoint(const Entry &entry)
{
    return { entry.listTwips.x() / TwipsPerPixel + 20,
             entry.listTwips.y() / TwipsPerPixel + 1 + entry.row * RowPixels + RowPixels / 2 };
}

const QPoint PlayPoint { (4320 + 795 / 2) / TwipsPerPixel, (2730 + 435 / 2) / TwipsPerPixel };
const QPoint ClearPoint { (3480 + 795 / 2) / TwipsPerPixel, (2730 + 435 / 2) / TwipsPerPixel };

// The longest stretch of silence between the first and last sound.
qsizetype longestPause(const QList<float> &samples)
{
    const QList<Span> spans = soundSpans(samples);
    qsizetype longest = 0;
    for (qsizetype at = 1; at < spans.size(); ++at)
        longest = std::max(longest, spans[at].start - spans[at - 1].end);
    return longest;
}

// The command a desktop entry's Exec line runs for one file, expanded as the
// freedesktop.org rules for desktop files say: the string's own escapes first, then
// the quoting of arguments, then %f.
QStringList execCommand(const QString &exec, const QString &file)
{
    QString unescaped;
    for (qsizetype at = 0; at < exec.size(); ++at) {
        const QChar next = at + 1 < exec.size() ? exec[at + 1] : QChar();
        if (exec[at] != '\\' || !QString("sntr\\").contains(next)) {
            unescaped += exec[at];
            continue;
        }
        unescaped += QString(" \n\t\r\\")[QString("sntr\\").indexOf(next)];
        ++at;
    }
    QStringList arguments;
    QString argument;
    bool quoted = false;
    bool started = false;
    for (qsizetype at = 0; at < unescaped.size(); ++at) {
        const QChar c = unescaped[at];
        if (quoted && c == '\\' && at + 1 < unescaped.size()) {
            argument += unescaped[++at];
        } else if (c == '"') {
            quoted = !quoted;
            started = true;
        } else if (c == ' ' && !quoted) {
            if (started)
                arguments << std::exchange(argument, QString());
            started = false;
        } else {
            argument += c;
            started = true;
        }
    }
    if (started)
        arguments << argument;
    arguments.replaceInStrings(QRegularExpression("^%f$"), file);
    return arguments;
}

} // namespace

// The built program as a user meets it: its window on an X server, driven
// with the mouse, its sound read back from SDL's disk driver.
class TestEndToEnd : public QObject
{
    Q_OBJECT

    VirtualDisplay display;
    QTemporaryDir folder;
    QTemporaryDir runtime;
    QTemporaryDir temp;
    SDL_AudioSpec spec {};
    DiskAudioTap output { folder.filePath("output.raw") };
    QProcess player;
    QString window;

    QString voicePath(const Entry &entry) const { return folder.filePath("voice/") + entry.file; }
    qsizetype frames(const Entry &entry) const { return qsizetype(entry.seconds * spec.freq); }
    qsizetype frameBytes() const { return SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels; }

    // What the program played from frame `from` on.
    QList<float> heard(DiskAudioTap &tap, qsizetype from = 0) const
    {
        return firstChannel(tap.bytes().mid(from * frameBytes()), spec);
    }
    QList<float> heard(qsizetype from = 0) { return heard(output, from); }
    qsizetype heardFrames() { return output.bytes().size() / frameBytes(); }

    // Waits until ready() while program runs. The deadline goes by the clock:
    // QTRY_VERIFY counts its pauses, which a slow check on a busy machine
    // stretches many times over.
    static bool waitUntil(const QProcess &program, const std::function<bool()> &ready,
                          int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired() && program.state() == QProcess::Running) {
            if (ready())
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // The disk driver writes as the device plays. Waits until the output
    // from frame `from` on holds sound followed by a fifth of a second of
    // silence, far longer than any pause inside a phrase.
    bool waitForSoundToEnd(qsizetype from, int timeoutMs)
    {
        return waitForSoundToEnd(player, output, from, timeoutMs);
    }
    bool waitForSoundToEnd(const QProcess &program, DiskAudioTap &tap, qsizetype from,
                           int timeoutMs)
    {
        return waitUntil(
            program,
            [&] {
                const QList<float> samples = heard(tap, from);
                const QList<Span> spans = soundSpans(samples);
                return !spans.isEmpty() && samples.size() - spans.last().end >= spec.freq / 5;
            },
            timeoutMs);
    }

    // The program's environment on this display, its sound written to rawPath
    // by SDL's disk driver and its lock in a folder of the test's own.
    QProcessEnvironment programEnvironment(const QString &rawPath) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display.name());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("SDL_AUDIODRIVER", "disk");
        environment.insert("SDL_DISKAUDIOFILE", rawPath);
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("VOICE_PLAYER_LOCK_ROOT", temp.path());
        return environment;
    }

    // The client area's place on the screen.
    QRect clientRect() const
    {
        return xwininfoClientRect(display.runTool("xwininfo", { "-id", window }).value_or(""));
    }

    // Says what a window manager says when it has framed the window.
    bool announceFrame(int left, int right, int top, int bottom)
    {
        const QString extents = QString("%1, %2, %3, %4").arg(left).arg(right).arg(top).arg(bottom);
        return display
            .runTool("xprop",
                     { "-id", window, "-f", "_NET_FRAME_EXTENTS", "32c", "-set",
                       "_NET_FRAME_EXTENTS", extents })
            .has_value();
    }

    // Presses 60 ms apart, well inside the double-click interval.
    bool press(QPoint at, int times)
    {
        return display
            .runTool("xdotool",
                     { "mousemove", "--window", window, QString::number(at.x()),
                       QString::number(at.y()), "click", "--repeat", QString::number(times),
                       "--delay", "60", "1" })
            .has_value();
    }

    // Presses an entry and waits for its sample to have played.
    bool pressEntry(const Entry &entry, int times)
    {
        const qsizetype before = heardFrames();
        return press(entryPoint(entry), times) && waitForSoundToEnd(before, 5000);
    }

    // A phrase of the demo voice, played after the tones; where it starts
    // in the output.
    qsizetype playSpokenPhrase()
    {
#ifdef VP_DEMO_VOICE
        [&] {
            QVERIFY(press(ClearPoint, 1));
            for (const Entry &entry : SpokenPhrase)
                QVERIFY2(pressEntry(entry, 2), entry.name);
        }();
        // A long pause would end the wait for sound early: wait for the
        // whole phrase instead.
        qsizetype length = 0;
        for (const Entry &entry : SpokenPhrase) {
            const auto sample
                = SampleFile::open(QFileInfo(VOICE_PLAYER_PATH)
                                       .dir()
                                       .filePath(QString("wavs/%1.wav").arg(entry.name)));
            length += sample ? sample->frames() * spec.freq / sample->sampleRate() : 0;
        }
        const qsizetype start = heardFrames();
        [&] {
            QVERIFY(press(PlayPoint, 1));
            QVERIFY(waitUntil(
                player, [&] { return heardFrames() >= start + length + spec.freq / 5; }, 15000));
        }();
        return start;
#endif
        return heardFrames();
    }

private slots:
    void initTestCase()
    {
        const QString failure = display.start(Screen, { "xdotool", "xwininfo", "xprop" });
        if (!failure.isEmpty())
            QSKIP(qPrintable(failure));

        QVERIFY(output.isOpen());
        QVERIFY(QDir(folder.path()).mkdir("voice"));
        for (const Entry &entry : { TurnLeft, After, Hundred, Meters })
            QVERIFY(writeTone(voicePath(entry), entry.hz, entry.seconds));

        // The raw output carries no format. The program's own sound code on
        // the same driver opens the device the same way in this process.
        SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(folder.filePath("probe.raw")));
        SdlAudioOutput probe;
        probe.play(voicePath(TurnLeft), false);
        const auto opened = probe.deviceSpec();
        QVERIFY(opened);
        spec = *opened;
    }

    void cleanupTestCase()
    {
        if (player.state() == QProcess::NotRunning)
            return;
        player.kill();
        player.waitForFinished();
    }

    void windowAppearsCentred()
    {
        player.setProcessEnvironment(programEnvironment(output.path()));
        // The current folder's samples come before those beside the program.
        player.setWorkingDirectory(folder.filePath("voice"));
        player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // No window manager runs, but the root window says one does: one
        // that frames the window only after it is on screen.
        QVERIFY(display
                    .runTool("xprop",
                             { "-root", "-f", "_NET_SUPPORTING_WM_CHECK", "32c", "-set",
                               "_NET_SUPPORTING_WM_CHECK", "0" })
                    .has_value());
        player.start(VOICE_PLAYER_PATH, {});
        QVERIFY(player.waitForStarted());

        window = display.waitForWindow("^Voice Player$", player, 15000);
        QVERIFY2(!window.isEmpty(), "no visible window named Voice Player");

        const QByteArray info = display.runTool("xwininfo", { "-id", window }).value_or("");
        QVERIFY2(info.contains("\"Voice Player\""), info.constData());
        QCOMPARE(QSize(xwininfoField(info, "Width"), xwininfoField(info, "Height")), WindowSize);
        const QByteArray root = display.runTool("xwininfo", { "-root" }).value_or("");
        QCOMPARE(QSize(xwininfoField(root, "Width"), xwininfoField(root, "Height")), Screen);
        // Half a pixel either way: 1024 - 465 is odd.
        const int left = xwininfoField(info, "Absolute upper-left X");
        QVERIFY2(qAbs(2 * left - (Screen.width() - WindowSize.width())) <= 1,
                 QByteArray::number(left));
        QCOMPARE(xwininfoField(info, "Absolute upper-left Y"),
                 (Screen.height() - WindowSize.height()) / 2);
    }

    // Announce a frame as the window manager that the root window claims
    // would, once the window is on screen: the outer window is fitted to it,
    // 465 x 500 and centred.
    void frameAnnouncedLateIsFitted()
    {
        QVERIFY2(!window.isEmpty(), "the program's window did not come up");
        QVERIFY(announceFrame(1, 1, 20, 1));
        // Its size and its place change one after the other; wait for both.
        QRect outer;
        const auto fitted = [&] {
            outer = clientRect().marginsAdded(QMargins(1, 20, 1, 1));
            return outer.size() == WindowSize && isCentredOn(outer, Screen);
        };
        QVERIFY2(waitUntil(player, fitted, 15000), qPrintable(QDebug::toString(outer)));
    }

    void clicksAndPlaySoundTheirSamples()
    {
        QVERIFY2(!window.isEmpty(), "the program's window did not come up");
        // Once shown, a new frame (a window manager restarted) moves nothing:
        // the program has handled this before the clicks that follow.
        const QRect shown = clientRect();
        QVERIFY(announceFrame(4, 4, 30, 4));

        // Each step waits for its sample to end, so every audition comes out
        // whole, once: a double-click plays at its first press only.
        QVERIFY2(pressEntry(TurnLeft, 1), "no sound after a click on TurnLeft");
        for (const Entry &entry : Phrase)
            QVERIFY2(pressEntry(entry, 2),
                     qPrintable(QString("no sound after a double-click on %1").arg(entry.name)));
        // The output lags the device, never leads it: what follows is the phrase.
        const qsizetype phraseStart = heardFrames();
        qsizetype phraseFrames = 0;
        for (const Entry &entry : Phrase)
            phraseFrames += frames(entry);
        QVERIFY(press(PlayPoint, 1));
        QVERIFY2(waitForSoundToEnd(phraseStart, 10000), "no sound after a click on Play");
        const qsizetype phraseEnd = heardFrames();
        const qsizetype spokenStart = playSpokenPhrase();

        QCOMPARE(clientRect(), shown);

        QVERIFY(display.askToClose(window.toULongLong()));
        QVERIFY2(player.waitForFinished(10000), "the program did not end when closed");
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);

        // Read once the program has ended: the driver writes the last
        // periods when the device closes.
        const QList<float> samples = heard();
        QVERIFY(samples.size() > phraseStart);
        const QList<float> auditions = samples.first(phraseStart);
        const QList<Span> spans = soundSpans(auditions);
        const QList<Entry> pressed { TurnLeft, After, Hundred, Meters };
        QCOMPARE(spans.size(), pressed.size());
        const qsizetype slack = spec.freq / 200;
        for (qsizetype at = 0; at < spans.size(); ++at) {
            const Entry &entry = pressed[at];
            QVERIFY2(qAbs(spans[at].length() - frames(entry)) <= slack,
                     qPrintable(QString("%1: %2 frames").arg(entry.name).arg(spans[at].length())));
            const double pitch = pitchOf(auditions, spans[at], spec.freq);
            QVERIFY2(qAbs(pitch - entry.hz) <= 10,
                     qPrintable(QString("%1 at %2 Hz").arg(entry.name).arg(pitch)));
        }

        QList<qsizetype> toneFrames;
        for (const Entry &entry : Phrase)
            toneFrames << frames(entry);
        const ToneSequence phrase = analyseTones(samples.mid(phraseStart, phraseEnd - phraseStart),
                                                 toneFrames, spec.freq);
        QCOMPARE(phrase.strayGaps, 0);
        QVERIFY2(qAbs(phrase.soundFrames - phraseFrames) <= 2 * slack,
                 qPrintable(QString("%1 ms of phrase heard, %2 ms played")
                                .arg(1000 * phrase.soundFrames / spec.freq)
                                .arg(1000 * phraseFrames / spec.freq)));
        for (qsizetype at = 0; at < Phrase.size(); ++at)
            QVERIFY2(
                qAbs(phrase.pitches[at] - Phrase[at].hz) <= 10,
                qPrintable(QString("%1 at %2 Hz").arg(Phrase[at].name).arg(phrase.pitches[at])));
        QStringList gaps;
        for (qsizetype silence : phrase.silences)
            gaps << QString::number(1000.0 * double(silence) / spec.freq, 'f', 1);
        qInfo("silence between the phrase's tones: %s ms", qPrintable(gaps.join(", ")));
#ifdef VP_DEMO_VOICE
        const double pauseMs = 1000.0 * double(longestPause(samples.mid(spokenStart))) / spec.freq;
        QVERIFY2(pauseMs > 0 && pauseMs <= LongestSpokenPauseMs,
                 qPrintable(QString("a pause of %1 ms in a spoken phrase").arg(pauseMs)));
#endif
    }

    // Open With on a voice folder in a file manager: the hidden desktop
    // entry starts the program in that folder, so its samples play, not the
    // demo voice beside the program.
    void openWithPlaysTheFoldersVoice()
    {
        QFile file(FOLDER_ENTRY_PATH);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString exec;
        for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.startsWith("Exec="))
                exec = line.mid(5);
        }
        const QStringList command = execCommand(exec, folder.filePath("voice"));
        QVERIFY2(command.size() > 1, qPrintable(exec));

        DiskAudioTap sound(folder.filePath("opened.raw"));
        QVERIFY(sound.isOpen());
        QProcess opened;
        QProcessEnvironment environment = programEnvironment(sound.path());
        // As installed: the program on PATH.
        environment.insert("PATH",
                           QFileInfo(VOICE_PLAYER_PATH).path() + ':' + environment.value("PATH"));
        opened.setProcessEnvironment(environment);
        opened.setWorkingDirectory(temp.path());
        opened.start(command.first(), command.mid(1));
        const auto stop = qScopeGuard([&opened] { stopProcess(opened); });
        window = display.waitForWindow("^Voice Player$", opened, 15000);
        QVERIFY2(!window.isEmpty(), "no visible window named Voice Player");
        QVERIFY(press(entryPoint(TurnLeft), 1));
        QVERIFY(waitForSoundToEnd(opened, sound, 0, 5000));
        QVERIFY(display.askToClose(window.toULongLong()));
        QVERIFY2(opened.waitForFinished(10000), "the program did not end when closed");

        const QList<float> samples = heard(sound);
        const QList<Span> spans = soundSpans(samples);
        QCOMPARE(spans.size(), 1);
        QVERIFY(qAbs(spans[0].length() - frames(TurnLeft)) <= spec.freq / 200);
        QVERIFY(qAbs(pitchOf(samples, spans[0], spec.freq) - TurnLeft.hz) <= 10);
    }

    // Started by su, ssh or cron (no runtime folder) on a machine with
    // neither a sound server nor a sound card, where SDL ends up in ALSA: a
    // click and a close leave stderr empty all the same.
    void printsNothingWithoutRuntimeFolderOrSound()
    {
        QProcess quiet;
        QProcessEnvironment environment = programEnvironment(QString());
        for (const char *name :
             { "XDG_RUNTIME_DIR", "SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "QT_LOGGING_RULES" })
            environment.remove(name);
        environment.insert("PULSE_SERVER", "unix:" + folder.filePath("no-server"));
        environment.insert("ALSA_CARD", "99");
        quiet.setProcessEnvironment(environment);
        quiet.setWorkingDirectory(folder.filePath("voice"));
        quiet.start(VOICE_PLAYER_PATH, {});
        const auto stop = qScopeGuard([&quiet] { stopProcess(quiet); });
        window = display.waitForWindow("^Voice Player$", quiet, 15000);
        QVERIFY2(!window.isEmpty(), "no visible window named Voice Player");
        // The window handles the click before the request to close.
        QVERIFY(press(entryPoint(TurnLeft), 1));
        QVERIFY(display.askToClose(window.toULongLong()));
        QVERIFY2(quiet.waitForFinished(10000), "the program did not end when closed");
        QCOMPARE(quiet.readAllStandardError(), QByteArray());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
