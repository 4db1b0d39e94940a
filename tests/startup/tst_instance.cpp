#include "instancelock.h"
#include "virtualdisplay.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The single-instance rule, first on the lock itself, then with real copies
// of the program on a private X server, where a copy that starts shows its
// window. The copies' lock files lie below a folder of the test's own
// (VOICE_PLAYER_LOCK_ROOT) so that neither other tests nor a user's running
// copy get in the way.
class TestInstance : public QObject
{
    Q_OBJECT

    VirtualDisplay display;
    QString noDisplay;
    QTemporaryDir runtime;
    QTemporaryDir root;
    QTemporaryDir temp;
    QList<QProcess *> running;

    // A second user for the tests that share a folder between users.
    static constexpr uid_t OtherUser = 65534;

    QString lockPath() const
    {
        return root.filePath(QString("run/user/%1/voice-player.lock").arg(::geteuid()));
    }
    QString tempLockPath() const
    {
        return root.filePath(QString("tmp/voice-player-%1.lock").arg(::geteuid()));
    }

    // With user, the copy runs as that user; with an empty runtimeDir,
    // without XDG_RUNTIME_DIR, as su, ssh or cron start it.
    QProcess *startCopy(const QString &lockRoot, uid_t user = ::geteuid(),
                        const QString &runtimeDir = QString())
    {
        auto *copy = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display.name());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("VOICE_PLAYER_LOCK_ROOT", lockRoot);
        env.insert("TMPDIR", temp.path());
        env.remove("XDG_RUNTIME_DIR");
        if (!runtimeDir.isEmpty())
            env.insert("XDG_RUNTIME_DIR", runtimeDir);
        copy->setProcessEnvironment(env);
        // Read by the tests that want it empty.
        copy->setProcessChannelMode(QProcess::SeparateChannels);
        if (user != ::geteuid()) {
            copy->setChildProcessModifier([user] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)
                    ::_exit(127);
            });
        }
        copy->start(VOICE_PLAYER_PATH, {});
        running << copy;
        return copy;
    }

    QProcess *startCopy() { return startCopy(root.path(), ::geteuid(), runtime.path()); }

    // Whether the second user may run the built program where it lies: a
    // build under a home folder closed to others is out of its reach.
    static bool otherUserCanRun()
    {
        if (::setegid(OtherUser) != 0)
            return false;
        const bool can = ::seteuid(OtherUser) == 0
            && ::faccessat(AT_FDCWD, VOICE_PLAYER_PATH, X_OK, AT_EACCESS) == 0;
        return ::seteuid(0) == 0 && ::setegid(0) == 0 && can;
    }

    // The windows named Voice Player on screen.
    QStringList windows() const { return display.visibleWindows("^Voice Player$"); }

    // True once the copy shows its window; false once it has ended without.
    bool showsWindow(QProcess *copy) const
    {
        return !display.waitForWindow("^Voice Player$", *copy, 20000).isEmpty();
    }

    // A refused copy beeps and ends normally, without a window.
    static bool endsRefused(QProcess *copy)
    {
        return copy->waitForFinished(20000) && copy->exitStatus() == QProcess::NormalExit
            && copy->exitCode() == 0;
    }

    // A path below a plain file: nothing can be created there, not even
    // with root's rights.
    QString unusableFolder(const QString &name) const
    {
        QFile blocker(temp.filePath("blocker"));
        blocker.open(QIODevice::WriteOnly);
        return blocker.fileName() + '/' + name;
    }

private slots:
    void initTestCase()
    {
        noDisplay = display.start(QSize(1024, 768), { "xdotool" });
        QVERIFY(QDir(root.path()).mkpath(QFileInfo(lockPath()).path()));
        QVERIFY(QDir(root.path()).mkpath("tmp"));
    }

    void cleanup()
    {
        for (QProcess *copy : std::as_const(running)) {
            copy->kill();
            copy->waitForFinished();
        }
        qDeleteAll(running);
        running.clear();
        QFile::remove(lockPath());
        if (noDisplay.isEmpty())
            QTRY_VERIFY(windows().isEmpty());
    }

    void lockIsExclusiveAndFallsBack()
    {
        InstanceLock first;
        QCOMPARE(first.acquire({ lockPath() }), Platform::InstanceCheck::Alone);
        InstanceLock second;
        QCOMPARE(second.acquire({ lockPath() }), Platform::InstanceCheck::AnotherRunning);

        // An unusable runtime folder falls back to the temp folder.
        InstanceLock fallback;
        QCOMPARE(fallback.acquire({ unusableFolder("run.lock"), "", tempLockPath() }),
                 Platform::InstanceCheck::Alone);
        struct stat status
        {
        };
        QCOMPARE(::stat(QFile::encodeName(tempLockPath()).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
    }

    void lockThatCannotBeMadeReportsFailure()
    {
        InstanceLock lock;
        QCOMPARE(lock.acquire({ unusableFolder("run.lock"), unusableFolder("tmp.lock") }),
                 Platform::InstanceCheck::Failed);
        QCOMPARE(lock.acquire({}), Platform::InstanceCheck::Failed);
    }

    // However old its lock file, a running copy keeps the next one out.
    void secondCopyEndsAtOnceWhileTheFirstRuns()
    {
        if (!noDisplay.isEmpty())
            QSKIP(qPrintable(noDisplay));
        QProcess *first = startCopy();
        QVERIFY(showsWindow(first));
        QFile lock(lockPath());
        QVERIFY(lock.open(QIODevice::ReadOnly));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                 QFileDevice::FileModificationTime));
        lock.close();

        QProcess *second = startCopy();
        QVERIFY(endsRefused(second));
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(windows().size(), 1);
    }

    void lockLeftBehindDoesNotBlock_data()
    {
        // What a killed copy's lock file holds, or what a crash during its
        // write, a full disk or another program left in it.
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("readable"); // root reads it all the same
        QTest::newRow("as left") << QByteArray() << true;
        QTest::newRow("emptied") << QByteArray("") << true;
        QTest::newRow("cut short") << QByteArray("12") << true;
        QTest::newRow("garbage") << QByteArray("\xff\xfe\x01garbage\n") << true;
        QTest::newRow("unreadable") << QByteArray() << false;
        // As QLockFile writes it: process id, program, host.
        const QByteArray otherProgram = QString("%1\nvoice-player\n%2\n")
                                            .arg(QCoreApplication::applicationPid())
                                            .arg(QSysInfo::machineHostName())
                                            .toUtf8();
        QTest::newRow("another program's process") << otherProgram << true;
    }

    void lockLeftBehindDoesNotBlock()
    {
        if (!noDisplay.isEmpty())
            QSKIP(qPrintable(noDisplay));
        QFETCH(QByteArray, content);
        QFETCH(bool, readable);
        QProcess *killed = startCopy();
        QVERIFY(showsWindow(killed));
        killed->kill();
        QVERIFY(killed->waitForFinished());
        QVERIFY(QFile::exists(lockPath()));
        if (!content.isNull()) {
            QFile lock(lockPath());
            QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(lock.write(content), content.size());
        }
        if (!readable)
            QVERIFY(QFile::setPermissions(lockPath(), {}));

        QProcess *next = startCopy();
        QVERIFY2(showsWindow(next), "a lock left behind blocked the start");
        QVERIFY(endsRefused(startCopy()));
    }

    // Neither a FIFO nor another user's file, held locked, where the lock
    // goes hangs a start or keeps it out; the copy locks its own file in the
    // temp folder instead.
    void plantedLockIsSkipped_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("FIFO") << true;
        QTest::newRow("another user's file") << false;
    }

    void plantedLockIsSkipped()
    {
        if (!noDisplay.isEmpty())
            QSKIP(qPrintable(noDisplay));
        QFETCH(bool, fifo);
        QFile planted(lockPath());
        if (fifo) {
            QCOMPARE(::mkfifo(QFile::encodeName(lockPath()).constData(), 0666), 0);
        } else {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another user");
            QVERIFY(planted.open(QIODevice::WriteOnly));
            QCOMPARE(::fchown(planted.handle(), OtherUser, OtherUser), 0);
            QCOMPARE(::flock(planted.handle(), LOCK_EX | LOCK_NB), 0);
        }
        QVERIFY2(showsWindow(startCopy()), "what was planted kept the copy from starting");
        QVERIFY(QFile::exists(tempLockPath()));
        QVERIFY(endsRefused(startCopy()));
    }

    // Without runtime folders, two users' copies share the temp folder, and
    // each user's lock keeps only that user's second copy out.
    void usersSharingTheTempFolderEachRunOneCopy()
    {
        if (!noDisplay.isEmpty())
            QSKIP(qPrintable(noDisplay));
        if (::geteuid() != 0)
            QSKIP("only root can start a copy as a second user");
        if (!otherUserCanRun())
            QSKIP("the second user cannot reach the built program");
        QTemporaryDir shared;
        QVERIFY(QDir(shared.path()).mkdir("tmp"));
        QCOMPARE(::chmod(QFile::encodeName(shared.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(shared.filePath("tmp")).constData(), 01777), 0);
        QVERIFY(showsWindow(startCopy(shared.path())));
        QVERIFY2(showsWindow(startCopy(shared.path(), OtherUser)),
                 "another user's copy kept this one out");
        QVERIFY(endsRefused(startCopy(shared.path(), OtherUser)));
        QVERIFY(endsRefused(startCopy(shared.path())));
    }

    // Copies started from the menu, a terminal, su, ssh or cron see
    // different runtime folders or none; one user still runs one copy, and
    // neither prints anything.
    void oneCopyWhateverTheEnvironment_data()
    {
        QTest::addColumn<bool>("firstHasRuntime");
        QTest::addColumn<bool>("secondHasRuntime");
        QTest::newRow("runtime folder, then none") << true << false;
        QTest::newRow("none, then a runtime folder") << false << true;
        QTest::newRow("two runtime folders") << true << true;
    }

    void oneCopyWhateverTheEnvironment()
    {
        if (!noDisplay.isEmpty())
            QSKIP(qPrintable(noDisplay));
        QFETCH(bool, firstHasRuntime);
        QFETCH(bool, secondHasRuntime);
        QTemporaryDir otherRuntime;
        QProcess *first
            = startCopy(root.path(), ::geteuid(), firstHasRuntime ? runtime.path() : QString());
        QVERIFY(showsWindow(first));
        QProcess *second = startCopy(root.path(), ::geteuid(),
                                     secondHasRuntime ? otherRuntime.path() : QString());
        QVERIFY(endsRefused(second));
        QCOMPARE(second->readAllStandardError(), QByteArray());
        QCOMPARE(first->readAllStandardError(), QByteArray());
    }

    void copiesStartedTogetherShowOneWindow()
    {
        if (!noDisplay.isEmpty())
            QSKIP(qPrintable(noDisplay));
        for (int round = 0; round < 5; ++round) {
            QProcess *one = startCopy();
            QProcess *other = startCopy();
            QTRY_VERIFY_WITH_TIMEOUT(one->state() == QProcess::NotRunning
                                         || other->state() == QProcess::NotRunning,
                                     20000);
            QProcess *survivor = one->state() == QProcess::Running ? one : other;
            QVERIFY(showsWindow(survivor));
            QCOMPARE(windows().size(), 1);
            cleanup();
        }
    }

    void copyStartsWhenNoLockCanBeMade()
    {
        if (!noDisplay.isEmpty())
            QSKIP(qPrintable(noDisplay));
        QVERIFY(showsWindow(startCopy(unusableFolder("root"))));
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
