#include "fakeplatform.h"
#include "fakesampleplayer.h"
#include "filepermissions.h"
#include "instancelock.h"
#include "recordingoutput.h"
#include "sarvikform.h"
#include "soundbits.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Checks for another copy with a real lock file in the given folder.
class LockPlatform : public FakePlatform
{
public:
    explicit LockPlatform(const QString &folder) : m_folder(folder) { }
    InstanceCheck checkInstance() override { return m_lock.acquire({ m_folder }); }

private:
    QString m_folder;
    InstanceLock m_lock;
};

} // namespace

// Faults reaching the window from outside: an enormous phrase, a lock
// folder that cannot be written. A first copy killed with SIGKILL and a new
// start succeeding is tst_instance's lockLeftBehindDoesNotBlock.
class TestWindowFaults : public QObject
{
    Q_OBJECT

private slots:
    // A megabyte of phrase: 65,536 missing names, one name of 64 KB, far
    // past any file name's limit, and a real sample at the end, which is
    // still played.
    void megabytePhrasePlaysToItsEnd()
    {
        QTemporaryDir folder;
        const QString last = folder.filePath("Last.wav");
        QFile sample(last);
        QVERIFY(sample.open(QIODevice::WriteOnly));
        sample.close();

        QString phrase = QString("NoSuchSample , ").repeated(64 * 1024);
        phrase += QString(64 * 1024, QChar(u'x')) + " , " + last + " , ";
        QVERIFY(phrase.size() > 1000 * 1000);

        // The window's samples go through the real PlaySample to a recorder.
        RecordingOutput output;
        SoundBits sound(output, folder.path());
        FakePlatform platform;
        SarvikForm form(platform, sound);
        QVERIFY(form.load());
        form.DirectionsText->setPlainText(phrase);
        QTest::mouseClick(form.PlayButton, Qt::LeftButton);

        QCOMPARE(output.paths, QStringList { last });
        QCOMPARE(form.PlayButton->text(), QString("Play"));
        QCOMPARE(form.DirectionsText->toPlainText().size(), phrase.size());
    }

    void unwritableLockFolderStillStarts()
    {
        QTemporaryDir folder;
        QVERIFY(QFile::setPermissions(
            folder.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser));
        PermissionBitsApply permissions;
        if (!permissions.active())
            QSKIP("cannot make a folder unwritable for this user");
        QVERIFY(!QFile(folder.filePath("probe")).open(QIODevice::WriteOnly));

        LockPlatform platform(folder.path());
        FakeSamplePlayer player;
        SarvikForm form(platform, player);
        QVERIFY(form.load());
        QVERIFY(form.isVisible());
        QCOMPARE(platform.beeps, 0);
        QVERIFY(QFile::setPermissions(folder.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
};

QTEST_MAIN(TestWindowFaults)
#include "tst_windowfaults.moc"
