#include "voicelist.h"
#include "windowfixture.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// A click as the window system queues it while a sample holds the program:
// it reaches the widget only when the window next handles its events.
void postClick(QWidget *widget, QPoint at = {})
{
    if (at.isNull())
        at = widget->rect().center();
    const QPointF global = widget->mapToGlobal(at);
    QCoreApplication::postEvent(
        widget,
        new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(
        widget,
        new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, {}));
}

// The caption a button showed when it was last painted: what the user sees,
// which may lag behind its text.
class PaintedCaption : public QObject
{
public:
    explicit PaintedCaption(QPushButton *button) : m_button(button)
    {
        button->installEventFilter(this);
    }
    QString shown;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            shown = m_button->text();
        return false;
    }

private:
    QPushButton *m_button;
};

} // namespace

// Playing the phrase with the recording fake: what is played, in which
// order, and what the user's input does between two fragments.
class TestPhrasePlay : public QObject, WindowFixture
{
    Q_OBJECT

    std::unique_ptr<PaintedCaption> caption;

    void play(const QString &phrase)
    {
        form->DirectionsText->setPlainText(phrase);
        QTest::mouseClick(form->PlayButton, Qt::LeftButton);
    }
    // The phrase ended and left everything at rest.
    bool atRest() const
    {
        return form->PlayButton->text() == "Play" && !form->IsPlaying && !form->StopRequested;
    }

private slots:
    void init()
    {
        QVERIFY(open());
        caption = std::make_unique<PaintedCaption>(form->PlayButton);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_COMPARE(caption->shown, "Play");
    }

    void cleanup()
    {
        caption.reset();
        reset();
    }

    // "Stop" is on screen while each fragment plays, the first one and the
    // only one of a phrase included, and "Play" again after.
    void playsEachFragmentToItsEndInOrder()
    {
        QStringList captions;
        player.whilePlaying = [&](const QString &) { captions << caption->shown; };
        play("TurnLeft , After , 100 , ");
        QCOMPARE(player.played, QStringList({ "TurnLeft/0", "After/0", "100/0", "/0" }));
        QCOMPARE(captions, QStringList(4, "Stop"));
        QVERIFY(atRest());
        QTRY_COMPARE(caption->shown, "Play");
        QCOMPARE(platform.beeps, 0);

        captions.clear();
        play("After");
        QCOMPARE(captions, QStringList { "Stop" });
        QTRY_COMPARE(caption->shown, "Play");
    }

    void fragmentsKeepInnerSpaces()
    {
        play("  Turn Left  ");
        QCOMPARE(player.played, QStringList { "Turn Left/0" });
    }

    void emptyPhraseHandlesNoEvents()
    {
        bool handled = false;
        QMetaObject::invokeMethod(
            form.get(), [&] { handled = true; }, Qt::QueuedConnection);
        play("");
        QVERIFY(!handled);
        QVERIFY(player.played.isEmpty());
        QVERIFY(atRest());
        QCoreApplication::processEvents();
    }

    void eventsAreHandledAfterEveryFragment()
    {
        // Each fragment queues one event; the next fragment must find it
        // handled, and the last one's is handled before Play returns.
        int handled = 0;
        QList<int> seen;
        player.whilePlaying = [&](const QString &) {
            seen << handled;
            QMetaObject::invokeMethod(
                form.get(), [&] { ++handled; }, Qt::QueuedConnection);
        };
        play(",,,");
        QCOMPARE(player.played, QStringList(4, "/0"));
        QCOMPARE(seen, QList<int>({ 0, 1, 2, 3 }));
        QCOMPARE(handled, 4);
        QVERIFY(atRest());
    }

    void stopTakesEffectAfterTheFragmentPlaying()
    {
        player.whilePlaying = [&](const QString &name) {
            if (name == "B")
                postClick(form->PlayButton);
        };
        play("A , B , C , D");
        QCOMPARE(player.played, QStringList({ "A/0", "B/0" }));
        QCOMPARE(platform.beeps, 1);
        QVERIFY(atRest());

        // A new phrase starts from its first fragment.
        player.whilePlaying = nullptr;
        player.played.clear();
        QTest::mouseClick(form->PlayButton, Qt::LeftButton);
        QCOMPARE(player.played, QStringList({ "A/0", "B/0", "C/0", "D/0" }));
    }

    void everyStopClickBeeps()
    {
        player.whilePlaying = [&](const QString &name) {
            if (name == "A") {
                postClick(form->PlayButton);
                postClick(form->PlayButton);
            }
        };
        play("A , B , C");
        QCOMPARE(player.played, QStringList { "A/0" });
        QCOMPARE(platform.beeps, 2);
        QVERIFY(atRest());
    }

    void otherHandlersRunBetweenFragments()
    {
        VoiceList *general = form->Voices[2];
        player.whilePlaying = [&](const QString &name) {
            if (name == "A") {
                postClick(form->ClearButton);
                postClick(general->viewport(), general->visualItemRect(general->item(1)).center());
                QCoreApplication::postEvent(
                    general, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}, "\r"));
            }
        };
        play("A , B");
        QCOMPARE(player.played, QStringList({ "A/0", "Then/1", "B/0" }));
        QCOMPARE(form->DirectionsText->toPlainText(), "Then , ");
        QVERIFY(atRest());
    }

    void anyNumberOfFragmentsPlays()
    {
        // More than a 16-bit counter could count.
        play(QString("x , ").repeated(40000));
        QCOMPARE(player.played.size(), 40001);
        QCOMPARE(player.played[39999], "x/0");
        QCOMPARE(player.played.last(), "/0");
        QVERIFY(atRest());
    }

    void closingWhilePlayingEndsTheProgram()
    {
        player.whilePlaying = [&](const QString &name) {
            if (name == "B")
                QMetaObject::invokeMethod(form.get(), &QWidget::close, Qt::QueuedConnection);
        };
        form->DirectionsText->setPlainText("A , B , C , D");
        QMetaObject::invokeMethod(form->PlayButton, &QPushButton::click, Qt::QueuedConnection);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(player.played, QStringList({ "A/0", "B/0" }));
        QVERIFY(form->isUnloaded());
    }
};

QTEST_MAIN(TestPhrasePlay)
#include "tst_phraseplay.moc"
