#include "instancelock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The single-instance rule, first on the lock itself, then with real copies
// of the program. Each copy gets folders of its own so that neither other
// tests nor a user's running copy get in the way.
class TestInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir runtime;
    QTemporaryDir temp;
    QList<QProcess *> running;

    QString lockPath() const { return runtime.filePath("voice-player.lock"); }

    QProcess *startCopy(const QString &runtimeDir, const QString &tempDir)
    {
        auto *copy = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        env.insert("TMPDIR", tempDir);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        copy->setProcessEnvironment(env);
        copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy->start(VOICE_PLAYER_PATH, {});
        running << copy;
        return copy;
    }

    QProcess *startCopy() { return startCopy(runtime.path(), temp.path()); }

    // The copy holds the lock once the lock file names its process.
    bool holdsLock(const QProcess *copy) const
    {
        QFile lock(lockPath());
        if (!lock.open(QIODevice::ReadOnly))
            return false;
        return lock.readLine().trimmed().toLongLong() == copy->processId();
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
    void cleanup()
    {
        for (QProcess *copy : std::as_const(running)) {
            copy->kill();
            copy->waitForFinished();
        }
        qDeleteAll(running);
        running.clear();
        QFile::remove(lockPath());
    }

    void lockIsExclusiveAndFallsBack()
    {
        InstanceLock first;
        QCOMPARE(first.acquire({ runtime.path() }), Platform::InstanceCheck::Alone);
        InstanceLock second;
        QCOMPARE(second.acquire({ runtime.path() }), Platform::InstanceCheck::AnotherRunning);

        // An unusable runtime folder falls back to the temp folder.
        InstanceLock fallback;
        QCOMPARE(fallback.acquire({ unusableFolder("run"), "", temp.path() }),
                 Platform::InstanceCheck::Alone);
        QVERIFY(QFile::exists(temp.filePath("voice-player.lock")));
    }

    void lockThatCannotBeMadeReportsFailure()
    {
        InstanceLock lock;
        QCOMPARE(lock.acquire({ unusableFolder("run"), unusableFolder("tmp") }),
                 Platform::InstanceCheck::Failed);
        QCOMPARE(lock.acquire({}), Platform::InstanceCheck::Failed);
    }

    void secondCopyEndsAtOnceWhileTheFirstRuns()
    {
        QProcess *first = startCopy();
        QVERIFY(first->waitForStarted());
        QTRY_VERIFY(holdsLock(first));

        QProcess *second = startCopy();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
        QVERIFY(holdsLock(first));
    }

    void anOldLockOfARunningCopyStillCounts()
    {
        QProcess *first = startCopy();
        QVERIFY(first->waitForStarted());
        QTRY_VERIFY(holdsLock(first));
        QFile lock(lockPath());
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                 QFileDevice::FileModificationTime));
        lock.close();

        QProcess *second = startCopy();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
    }

    void lockOfAKilledCopyDoesNotBlock()
    {
        QProcess *killed = startCopy();
        QVERIFY(killed->waitForStarted());
        QTRY_VERIFY(holdsLock(killed));
        killed->kill();
        QVERIFY(killed->waitForFinished());
        QVERIFY(QFile::exists(lockPath()));

        QProcess *next = startCopy();
        QVERIFY(next->waitForStarted());
        QTRY_VERIFY(holdsLock(next));
        QCOMPARE(next->state(), QProcess::Running);
    }

    void copyStartsWhenNoLockCanBeMade()
    {
        // With both folders unusable the toolkit falls back to a runtime
        // folder at the file system's root, which only a root user can make.
        if (QFileInfo(QDir::rootPath()).isWritable())
            QSKIP("running with rights to write to /; no folder can be made unusable");
        QProcess *copy = startCopy(unusableFolder("run"), unusableFolder("tmp"));
        QVERIFY(copy->waitForStarted());
        // Still running after a while: it started instead of ending.
        QVERIFY(!copy->waitForFinished(1500));
        QCOMPARE(copy->state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
