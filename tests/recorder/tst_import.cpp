#include "defaultlines.h"
#include "germanlines.h"
#include "recorderwindow.h"
#include "recordingoutput.h"
#include "sessionkit.h"
#include "takefolder.h"
#include "voicereport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <functional>
#include <sys/resource.h>

namespace {

// What voice-recorder --import printed and how it ended.
struct Imported
{
    int status = -1;
    QStringList lines;
    QByteArray errors;
};

// voice-recorder --import with arguments; with fileLimit, files it writes
// may grow no larger, as on a disk that fills up.
Imported runImport(const QStringList &arguments, rlim_t fileLimit = RLIM_INFINITY)
{
    QProcess recorder;
    recorder.setChildProcessModifier([fileLimit] {
        const rlimit limit { fileLimit, fileLimit };
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    recorder.start(VOICE_RECORDER, QStringList { "--import" } + arguments);
    Imported imported;
    // A whole session heard under a sanitizer, beside other tests.
    if (!recorder.waitForFinished(600000) || recorder.exitStatus() != QProcess::NormalExit)
        return imported;
    imported.status = recorder.exitCode();
    imported.lines = QString::fromUtf8(recorder.readAllStandardOutput()).split('\n');
    imported.errors = recorder.readAllStandardError();
    return imported;
}

QString nameOf(int line)
{
    return QString::fromUtf8(DefaultLines[line].name);
}

QString textOf(int line)
{
    return QString::fromUtf8(DefaultLines[line].text);
}

// The line the import printed for name.
QString reportOf(const Imported &imported, const QString &name)
{
    for (const QString &line : imported.lines) {
        if (line.startsWith(name + ' '))
            return line.mid(name.size()).trimmed();
    }
    return {};
}

// Seconds of a time as the import prints it, "1:02.4".
double secondsOf(const QString &report)
{
    const auto match = QRegularExpression(R"(found at (\d+):(\d+\.\d))").match(report);
    return match.hasMatch() ? match.captured(1).toDouble() * 60 + match.captured(2).toDouble() : -1;
}

// A word early or late by this much is still where it was said: the
// levels' windows, a soft first sound.
constexpr double Tolerance = 0.25;

// Checks that every line in parts lands on its name, its sample cut from
// its last take, which begins where that line was said last; and that
// every other name has no sample.
void checkLanded(const Imported &imported, const QString &folder, const QList<SessionPart> &parts,
                 const QList<PartAt> &where)
{
    QHash<int, QList<double>> said;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (parts[i].kind == SessionPart::Kind::Line)
            said[parts[i].name].append(where[i].from);
    }
    const TakeFolder takes(folder);
    for (int line = 0; line < int(std::size(DefaultLines)); ++line) {
        const QString name = nameOf(line);
        const QString report = reportOf(imported, name);
        if (!said.contains(line)) {
            QCOMPARE(report, QStringLiteral("not found"));
            QVERIFY2(!QFile::exists(takes.samplePath(name)), qPrintable(name));
            continue;
        }
        const auto times = said[line];
        const QString expected = QStringLiteral("(take %1 of %1)").arg(times.size());
        QVERIFY2(report.endsWith(expected), qPrintable(name + ": " + report));
        QVERIFY2(std::abs(secondsOf(report) - times.last()) <= Tolerance,
                 qPrintable(QStringLiteral("%1 said last at %2 s: %3")
                                .arg(name)
                                .arg(times.last())
                                .arg(report)));
        QCOMPARE(takes.takes(name).size(), times.size());
        const auto chosen = takes.chosen(name);
        QVERIFY2(chosen && chosen->first == takes.takes(name).last(), qPrintable(name));
    }
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void session_data();
    void session();
    void otherLanguage_data();
    void otherLanguage();
    void refused_data();
    void refused();
    void damaged_data();
    void damaged();
    void windowWithKeys();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestImport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    if (QStandardPaths::findExecutable("espeak-ng").isEmpty())
        QSKIP("espeak-ng speaks the sessions");
}

void TestImport::session_data()
{
    QTest::addColumn<QStringList>("voice");
    QTest::newRow("espeak-ng") << QStringList();
#ifndef VP_SANITIZED
    QTest::newRow("slower, American, another speaker")
        << QStringList { "-v", "en-us+m3", "-s", "140" };
#endif
}

// A session as an author reads it: every line but one, with retakes, a
// slip, a noise, two lines out of order and a long pause inside a line.
// Under a sanitizer the first two lists, which hold all of that.
void TestImport::session()
{
    QFETCH(QStringList, voice);
#ifdef VP_SANITIZED
    constexpr int Lines = 28;
#else
    constexpr int Lines = int(std::size(DefaultLines));
#endif
    const int leftOut = 13;     // KeepRight
    const int late = 4;         // 3rdLeft, said at the end
    const int early = 20;       // 300, said first
    const int retaken = 2;      // 2ndLeft, after a slip
    const int longPause = 10;   // TryUTurn: "If possible, ... make a U-turn"
    const int retakenLater = 6; // BearLeft, said again three lines on
    QList<SessionPart> parts { { SessionPart::Kind::Line, textOf(early), early } };
    for (int line = 0; line < Lines; ++line) {
        if (line == leftOut || line == late || line == early)
            continue;
        if (line == retaken) {
            parts.append({ SessionPart::Kind::Line, textOf(line), line });
            parts.append({ SessionPart::Kind::Words, "Take the sec, sorry" });
        }
        if (line == retakenLater + 3)
            parts.append({ SessionPart::Kind::Line, textOf(retakenLater), retakenLater });
        if (line == 16)
            parts.append({ SessionPart::Kind::Noise, {} });
        parts.append({ SessionPart::Kind::Line, textOf(line), line, line == longPause ? 2.5 : 0 });
    }
    parts.append({ SessionPart::Kind::Line, textOf(late), late });
    const QString recording = m_dir->filePath("session.wav");
    const auto where = SessionKit(voice).write(recording, parts);
    QVERIFY2(where, "espeak-ng did not speak");
    const QString folder = m_dir->filePath("voice");

    const Imported imported = runImport({ recording, folder });
    QCOMPARE(imported.errors, QByteArray());
    QCOMPARE(imported.status, 1);
    checkLanded(imported, folder, parts, *where);
    if (QTest::currentTestFailed())
        qInfo().noquote() << imported.lines.join('\n');
    QVERIFY(!QTest::currentTestFailed());
    QVERIFY(imported.lines.contains(QStringLiteral("%1 of 59 found").arg(Lines - 1)));
    const auto checked = checkVoice(folder);
    QVERIFY(checked);
    QCOMPARE(checked->namesWith(Problem::WrongWords), QStringList());
}

void TestImport::otherLanguage_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("every line, in order") << 59;
    QTest::newRow("the first list alone") << 16;
}

// Words the recogniser cannot hear are laid on the names in order, when
// there are as many utterances as names; nothing is written otherwise.
void TestImport::otherLanguage()
{
    QFETCH(int, lines);
#ifdef VP_SANITIZED
    if (lines == 59)
        QSKIP("a whole voice heard again under a sanitizer takes minutes; Release imports it");
#endif
    QCOMPARE(GermanLines.size(), qsizetype(std::size(DefaultLines)));
    const QList<SessionPart> parts = linesInOrder(GermanLines.first(lines));
    const QString recording = m_dir->filePath("session.flac");
    static SessionKit german({ "-v", "de" });
    const auto where = german.write(recording, parts);
    QVERIFY2(where, "espeak-ng did not speak");
    const QString folder = m_dir->filePath("voice");

    const Imported imported = runImport({ recording, folder });
    QCOMPARE(imported.errors, QByteArray());
    QVERIFY2(imported.lines.first().startsWith("The words could not be heard"),
             qPrintable(imported.lines.first()));
    if (lines < 59) {
        QCOMPARE(imported.status, 1);
        QVERIFY2(imported.lines.first().contains("holds 16 utterances for 59 names"),
                 qPrintable(imported.lines.first()));
        QVERIFY(!QDir(folder).exists("TurnLeft.wav"));
        return;
    }
    QCOMPARE(imported.status, 0);
    checkLanded(imported, folder, parts, *where);
}

void TestImport::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::newRow("no recording") << QStringList()
                                  << "voice-recorder: Missing value after '--import'.";
    QTest::newRow("two folders") << QStringList { "session.wav", "a", "b" }
                                 << "voice-recorder: one recording and at most one folder";
    QTest::newRow("no such file") << QStringList { "missing.wav", "voice" }
                                  << "missing.wav: no such file";
    QTest::newRow("not sound") << QStringList { "notes.wav", "voice" } << "notes.wav: ";
    QTest::newRow("a folder") << QStringList { ".", "voice" } << ".: a folder, not a recording";
    QTest::newRow("an unwritable folder")
        << QStringList { "noise.wav", "/proc/voice" } << "/proc/voice: the folder cannot be made";
}

// A usage error, a recording that cannot be read or a folder that cannot
// be written: exit status 2, why on standard output, nothing written.
void TestImport::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    QDir::setCurrent(m_dir->path());
    QFile notes(m_dir->filePath("notes.wav"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("RIFF, but not a WAV file at all\n");
    notes.close();
    QVERIFY(SessionKit().write(m_dir->filePath("noise.wav"), { { SessionPart::Kind::Noise, {} } }));

    const Imported imported = runImport(arguments);
    QCOMPARE(imported.status, 2);
    QCOMPARE(imported.errors, QByteArray());
    QVERIFY2(imported.lines.first().startsWith(says), qPrintable(imported.lines.join('\n')));
    QVERIFY(!QDir(m_dir->path()).exists("voice"));
}

void TestImport::damaged_data()
{
    QTest::addColumn<bool>("cutShort");
    QTest::newRow("a recording cut short") << true;
    QTest::newRow("a disk that fills up") << false;
}

// A recording that ends early is imported as far as it goes; a disk that
// fills up stops the import, and the sample the folder held is not lost.
void TestImport::damaged()
{
    QFETCH(bool, cutShort);
    QList<SessionPart> parts;
    for (const int line : cutShort ? QList { 0, 1, 2, 3 } : QList { 51 })
        parts.append({ SessionPart::Kind::Line, textOf(line), line });
    const QString recording = m_dir->filePath("session.wav");
    const auto where = SessionKit().write(recording, parts);
    QVERIFY(where);
    const QString folder = m_dir->filePath("voice");
    QVERIFY(QDir().mkpath(folder));
    // A sample recorded before, which the import keeps as a take first.
    const QString sample = folder + '/' + nameOf(parts.first().name) + ".wav";
    QVERIFY(SessionKit().write(sample, { { SessionPart::Kind::Noise, {} } }, 22050));
    const QByteArray before = [&] {
        QFile file(sample);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    if (cutShort)
        QVERIFY(QFile(recording).resize(qint64((*where)[2].from * 44100) * 2 + 44));

    // Room for the working copy in the temporary folder, none for a take.
    const Imported imported = runImport({ recording, folder }, cutShort ? RLIM_INFINITY : 300000);
    QCOMPARE(imported.errors, QByteArray());
    if (cutShort) {
        QCOMPARE(imported.status, 1);
        QVERIFY(reportOf(imported, "TurnRight").startsWith("found at"));
        QCOMPARE(reportOf(imported, "2ndLeft"), QStringLiteral("not found"));
        QVERIFY(QFile::exists(folder + "/takes/TurnLeft/1.wav"));
        return;
    }
    QCOMPARE(imported.status, 2);
    QVERIFY2(imported.lines.join('\n').contains("0 of 1 takes were kept before"),
             qPrintable(imported.lines.join('\n')));
    QFile kept(sample);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             QStringList { kept.fileName().section('/', -1) });
}

// "Import a recording..." by its key, I, the file named in the dialog by
// keys, the progress bar, and each name's outcome in the list.
void TestImport::windowWithKeys()
{
    QList<SessionPart> parts;
    for (const int line : { 0, 1, 2 })
        parts.append({ SessionPart::Kind::Line, textOf(line), line });
    const QString recording = m_dir->filePath("session.wav");
    QVERIFY(SessionKit().write(recording, parts));
    RecorderWindow window(m_dir->path(), std::make_unique<RecordingOutput>());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // The dialog runs its own event loop: the path is typed from within it.
    bool typed = false;
    std::function<void()> typePath = [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *name = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
        if (!name) {
            QTimer::singleShot(50, typePath);
            return;
        }
        QTest::keyClicks(name, QFileInfo(recording).fileName());
        // Open waits for the folder's listing, read on a thread.
        QPushButton *open = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open);
        if (QTest::qWaitFor([&] { return open->isEnabled(); }, 30000))
            QTest::keyClick(open, Qt::Key_Space);
        typed = true;
    };
    QTimer::singleShot(0, typePath);
    // A dialog left open fails the test rather than hang it.
    QTimer::singleShot(60000, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_I);
    QVERIFY(typed);
    auto *progress = window.findChild<QProgressBar *>("import progress");
    QVERIFY(progress);
    QVERIFY(progress->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(progress->isHidden(), 300000);
    QVERIFY2(window.message().endsWith("3 of 59 found."), qPrintable(window.message()));
    const auto rows = window.findChild<QTreeWidget *>()->findItems(
        "2ndLeft", Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(rows.size() == 1);
    QVERIFY2(rows.first()->text(3).startsWith("found at 0:0"), qPrintable(rows.first()->text(3)));
    QVERIFY(QFile::exists(m_dir->filePath("2ndLeft.wav")));
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
