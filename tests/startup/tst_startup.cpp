#include "centring.h"
#include "fakeplatform.h"
#include "fakesampleplayer.h"
#include "mysearchbits.h"
#include "sarvikform.h"
#include "voicelist.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void centringKeepsTheHalfTwip()
    {
        const TwipsPoint corner = centredOnScreen(15360, 11520, 6975, 7500);
        QCOMPARE(corner.top, 2010.0f);
        QCOMPARE(corner.left, 4192.5f);
    }

    void centringClampsEachEdgeToTheScreen()
    {
        const TwipsPoint low = centredOnScreen(15360, 6000, 6975, 7500);
        QCOMPARE(low.top, 0.0f);
        QCOMPARE(low.left, 4192.5f);
        const TwipsPoint narrow = centredOnScreen(6000, 11520, 6975, 7500);
        QCOMPARE(narrow.left, 0.0f);
        QCOMPARE(narrow.top, 2010.0f);
    }

    void startUpSizesCentresAndLaysOut()
    {
        FakePlatform platform;
        FakeSamplePlayer player;
        SarvikForm form(platform, player);
        QVERIFY(form.load());
        QCOMPARE(MySearchBits::StartHeight, 7500);
        QCOMPARE(MySearchBits::StartWidth, 6975);
        QVERIFY(form.isVisible());
        QCOMPARE(platform.beeps, 0);
        // 4192.5 twips is 279.5 pixels; the toolkit places whole pixels.
        const QRectF outer = form.outerTwips();
        QCOMPARE(outer.size(), QSizeF(6975, 7500));
        QCOMPARE(outer.top(), 2010.0);
        QVERIFY(qAbs(outer.left() - 4192.5) <= 7.5);
        QCOMPARE(form.SelectFrame->geometry(), QRect(0, 0, 459, 469));
        QVERIFY(form.DirectionsText->toPlainText().isEmpty());
    }

    void smallScreenPutsTheWindowAtTheCorner()
    {
        FakePlatform platform;
        platform.screen = QSizeF(320 * 15, 240 * 15);
        FakeSamplePlayer player;
        SarvikForm form(platform, player);
        QVERIFY(form.load());
        QCOMPARE(form.outerTwips(), QRectF(0, 0, 6975, 7500)); // not shrunk
    }

    void secondCopyBeepsAndNeverShows()
    {
        FakePlatform platform;
        platform.instance = Platform::InstanceCheck::AnotherRunning;
        FakeSamplePlayer player;
        SarvikForm form(platform, player);
        QVERIFY(!form.load());
        QCOMPARE(platform.beeps, 1);
        QVERIFY(!form.isVisible());
        QVERIFY(!form.testAttribute(Qt::WA_WState_Created));
    }

    void failedInstanceCheckStillStarts()
    {
        FakePlatform platform;
        platform.instance = Platform::InstanceCheck::Failed;
        FakeSamplePlayer player;
        SarvikForm form(platform, player);
        QVERIFY(form.load());
        QVERIFY(form.isVisible());
        QCOMPARE(platform.beeps, 0);
        QCOMPARE(form.Voices[0]->count(), 16);
    }

    // Stands for the phrase loop, which runs window events nested inside a
    // click handler: closing the window from there must end the program.
    void closingDuringANestedLoopEndsTheProgram()
    {
        FakePlatform platform;
        FakeSamplePlayer player;
        SarvikForm form(platform, player);
        QVERIFY(form.load());
        bool loopReturned = false;
        QTimer::singleShot(0, &form, [&] {
            QTimer::singleShot(0, &form, [&] { QVERIFY(form.close()); });
            for (int round = 0; round < 1000 && !form.isUnloaded(); ++round) {
                QCoreApplication::processEvents();
                QTest::qSleep(1);
            }
            loopReturned = form.isUnloaded();
        });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(loopReturned);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
