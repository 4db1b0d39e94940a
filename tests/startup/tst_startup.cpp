#include "centring.h"
#include "mysearchbits.h"
#include "voicelist.h"
#include "windowfixture.h"

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
        const TwipsPoint corner = centredOnScreen({ 0, 0, 15360, 11520 }, 6975, 7500);
        QCOMPARE(corner.top, 2010.0f);
        QCOMPARE(corner.left, 4192.5f);
        // A primary screen left of and below the desktop's origin.
        const TwipsPoint moved = centredOnScreen({ -15360, 3000, 15360, 11520 }, 6975, 7500);
        QCOMPARE(moved.top, 5010.0f);
        QCOMPARE(moved.left, -11167.5f);
    }

    void centringClampsEachEdgeToTheScreen()
    {
        const TwipsPoint low = centredOnScreen({ 15360, 1500, 15360, 6000 }, 6975, 7500);
        QCOMPARE(low.top, 1500.0f);
        QCOMPARE(low.left, 19552.5f);
        const TwipsPoint narrow = centredOnScreen({ -6000, 0, 6000, 11520 }, 6975, 7500);
        QCOMPARE(narrow.left, -6000.0f);
        QCOMPARE(narrow.top, 2010.0f);
    }

    void startUpSizesCentresAndLaysOut_data()
    {
        QTest::addColumn<QRectF>("screen");
        QTest::addColumn<QPointF>("corner");
        QTest::newRow("1024 x 768") << QRectF(0, 0, 15360, 11520) << QPointF(4192.5, 2010);
        QTest::newRow("right of and below another")
            << QRectF(15360, 4500, 15360, 11520) << QPointF(19552.5, 6510);
        // Not shrunk: its corner goes to the screen's corner.
        QTest::newRow("small, left of another")
            << QRectF(-4800, 0, 4800, 3600) << QPointF(-4800, 0);
    }

    void startUpSizesCentresAndLaysOut()
    {
        QFETCH(QRectF, screen);
        QFETCH(QPointF, corner);
        WindowFixture window;
        window.platform.screen = screen;
        QVERIFY(window.open());
        SarvikForm &form = *window.form;
        QCOMPARE(MySearchBits::StartHeight, 7500);
        QCOMPARE(MySearchBits::StartWidth, 6975);
        QVERIFY(form.isVisible());
        QCOMPARE(window.platform.beeps, 0);
        const QRectF outer = form.outerTwips();
        QCOMPARE(outer.size(), QSizeF(6975, 7500));
        QCOMPARE(outer.top(), corner.y());
        // The toolkit places whole pixels: half a pixel either way.
        QVERIFY2(qAbs(outer.left() - corner.x()) <= 7.5, QByteArray::number(outer.left()));
        QCOMPARE(form.SelectFrame->geometry(), QRect(0, 0, 459, 469));
        QVERIFY(form.DirectionsText->toPlainText().isEmpty());
    }

    void secondCopyBeepsAndNeverShows()
    {
        WindowFixture window;
        window.platform.instance = Platform::InstanceCheck::AnotherRunning;
        QVERIFY(!window.open());
        SarvikForm &form = *window.form;
        QCOMPARE(window.platform.beeps, 1);
        QVERIFY(!form.isVisible());
        QVERIFY(!form.testAttribute(Qt::WA_WState_Created));
    }

    void failedInstanceCheckStillStarts()
    {
        WindowFixture window;
        window.platform.instance = Platform::InstanceCheck::Failed;
        QVERIFY(window.open());
        SarvikForm &form = *window.form;
        QVERIFY(form.isVisible());
        QCOMPARE(window.platform.beeps, 0);
        QCOMPARE(form.Voices[0]->count(), 16);
    }

    // Stands for the phrase loop, which runs window events nested inside a
    // click handler: closing the window from there must end the program.
    void closingDuringANestedLoopEndsTheProgram()
    {
        WindowFixture window;
        QVERIFY(window.open());
        SarvikForm &form = *window.form;
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
