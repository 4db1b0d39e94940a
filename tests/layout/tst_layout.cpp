#include "framewidth.h"
#include "resizerule.h"
#include "windowfixture.h"

#include <QFrame>
#include <QTest>

namespace {

// Every place a widget is given, in order.
class GeometryLog : public QObject
{
public:
    explicit GeometryLog(QWidget *widget) : m_widget(widget) { widget->installEventFilter(this); }
    QList<QRect> places;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            places << m_widget->geometry();
        return false;
    }

private:
    QWidget *m_widget;
};

} // namespace

// How the window is sized: the frame's width, the resize rule, and the
// window applying both.
class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void frameWidthFollowsOuterWidth()
    {
        QCOMPARE(frameWidthPixels(6975), 459.0f);
        QCOMPARE(frameWidthPixels(9000), 594.0f);
        QCOMPARE(frameWidthPixels(6990), 460.0f);
    }

    void resizeRule_data()
    {
        QTest::addColumn<bool>("minimized");
        QTest::addColumn<bool>("wasMinimized");
        QTest::addColumn<float>("outerHeight");
        QTest::addColumn<bool>("layOut");
        QTest::addColumn<bool>("wasMinimizedAfter");

        QTest::newRow("minimising") << true << false << 8000.0f << false << true;
        QTest::newRow("still minimised") << true << true << 8000.0f << false << true;
        QTest::newRow("restore") << false << true << 8000.0f << false << false;
        QTest::newRow("start height") << false << false << 7500.0f << false << false;
        QTest::newRow("taller") << false << false << 8000.0f << true << false;
        QTest::newRow("half a twip taller") << false << false << 7500.5f << true << false;
        // A tiling window manager may make the window shorter.
        QTest::newRow("shorter") << false << false << 6000.0f << true << false;
        QTest::newRow("half a twip shorter") << false << false << 7499.5f << true << false;
    }

    void resizeRule()
    {
        QFETCH(bool, minimized);
        QFETCH(bool, wasMinimized);
        QFETCH(float, outerHeight);
        const ResizeDecision decision = decideResize(minimized, wasMinimized, outerHeight, 7500);
        QTEST(decision.layOut, "layOut");
        QTEST(decision.wasMinimized, "wasMinimizedAfter");
    }

    // The window maps its own resize and minimise events onto the rule.
    void windowFollowsTheRule()
    {
        WindowFixture window;
        QVERIFY(window.open());
        SarvikForm &form = *window.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QFrame *frame = form.SelectFrame;
        QCOMPARE(frame->geometry(), QRect(0, 0, 459, 469));

        // Only a program can size the window this way.
        form.setOuterHeightTwips(8000);
        form.setOuterWidthTwips(9000);
        QTRY_COMPARE(form.outerTwips().width(), 9000.0f);
        QCOMPARE(frame->geometry(), QRect(0, 0, 594, 469));

        // Back at the start height the frame keeps the width it had,
        // even though the window has become narrower.
        form.setOuterHeightTwips(7500);
        form.setOuterWidthTwips(7500);
        QTRY_COMPARE(form.outerTwips().width(), 7500.0f);
        QCOMPARE(frame->width(), 594);

        // A taller window lays out again; then minimise and restore leave
        // a hand-set frame alone, and the next ordinary resize lays out
        // again. Its layout comes after anything the restore did.
        form.setOuterHeightTwips(8000);
        QTRY_COMPARE(frame->width(), 494);
        frame->setGeometry(5, 0, 100, 469);
        const GeometryLog log(frame);
        form.showMinimized();
        QTRY_VERIFY(form.WasMinimized);
        form.showNormal();
        QTRY_VERIFY(!form.WasMinimized);
        form.setOuterWidthTwips(9000);
        QTRY_COMPARE(frame->geometry(), QRect(0, 0, 594, 469));
        QCOMPARE(log.places, QList<QRect>(2, QRect(0, 0, 594, 469))); // moved and resized
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
