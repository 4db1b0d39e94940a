#include "voicelist.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

// Auditioning and composing with real mouse and key input on the shown
// window; the fake player records what would have been played.
class TestLists : public QObject, WindowFixture
{
    Q_OBJECT

    // A list entry's centre in window coordinates, where the window system
    // delivers its clicks.
    QPoint rowPoint(int list, int row) const
    {
        VoiceList *voices = form->Voices[list];
        const QPoint centre = voices->visualItemRect(voices->item(row)).center();
        return voices->viewport()->mapTo(form.get(), centre);
    }
    void click(int list, int row)
    {
        QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, rowPoint(list, row));
    }
    void doubleClick(int list, int row)
    {
        QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {}, rowPoint(list, row));
    }
    void key(Qt::Key key) { QTest::keyClick(form->windowHandle(), key); }
    QString phrase() const { return form->DirectionsText->toPlainText(); }
    QColor backColor(int list) const { return form->Voices[list]->palette().color(QPalette::Base); }
    static QColor windowBackground() { return QApplication::palette().color(QPalette::Base); }

private slots:
    void init() { QVERIFY(openActive()); }
    void cleanup() { reset(); }

    void doubleClickPlaysOnceAndAppendsOnce()
    {
        doubleClick(0, 0);
        QCOMPARE(phrase(), "TurnLeft , ");
        QCOMPARE(phrase().size(), 11);
        QCOMPARE(player.played, QStringList { "TurnLeft/1" });

        // Again on the entry now selected: its first press plays it again,
        // and there is no check for repeats.
        doubleClick(0, 0);
        doubleClick(2, 0);
        QCOMPARE(phrase(), "TurnLeft , TurnLeft , After , ");
        QCOMPARE(player.played, QStringList({ "TurnLeft/1", "TurnLeft/1", "After/1" }));
    }

    void appendJoinsWhatTheUserTyped()
    {
        form->DirectionsText->setPlainText("Turn");
        click(2, 0);
        key(Qt::Key_Return);
        QCOMPARE(phrase(), "TurnAfter , ");
    }

    // The append keeps the caret at the end and the user's typing undoable.
    void appendKeepsCaretAndUndo()
    {
        QTest::mouseClick(form->DirectionsText->viewport(), Qt::LeftButton);
        QTest::keyClicks(form->DirectionsText, "Then , ");
        doubleClick(0, 1);
        QCOMPARE(phrase(), "Then , TurnRight , ");
        QCOMPARE(form->DirectionsText->textCursor().position(), phrase().size());

        form->DirectionsText->setFocus();
        QTest::keyClick(form->DirectionsText, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(phrase(), "Then , ");
        QTest::keyClick(form->DirectionsText, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(phrase(), "");
    }

    void enterAppendsOtherKeysDoNot()
    {
        click(1, 2);
        key(Qt::Key_Space);
        QCOMPARE(phrase(), "");
        key(Qt::Key_Enter); // the keypad's
        key(Qt::Key_Return);
        QCOMPARE(phrase(), "100 , 100 , ");
        QCOMPARE(player.played, QStringList { "100/1" });
    }

    // Return and Enter click a button that has the focus, as Space does.
    // Neither button is the window's default, so in the phrase box they
    // still break the line (and in a list they append, above).
    void keysClickTheFocusedButton()
    {
        const QList<Qt::Key> keys { Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter };
        for (Qt::Key pressed : keys) {
            form->DirectionsText->setPlainText("A");
            form->ClearButton->setFocus();
            key(pressed);
            QCOMPARE(phrase(), "");
            form->DirectionsText->setPlainText("A");
            form->PlayButton->setFocus();
            key(pressed);
        }
        QCOMPARE(player.played, QStringList(3, "A/0"));
        // A held key repeats its press; the button was clicked at the first.
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, {}, "\r", true);
        QApplication::sendEvent(form->PlayButton, &held);
        QCOMPARE(player.played.size(), 3);

        form->DirectionsText->setFocus();
        form->DirectionsText->moveCursor(QTextCursor::End);
        key(Qt::Key_Return);
        key(Qt::Key_Enter);
        QCOMPARE(phrase(), "A\n\n");
    }

    void noSelectionIsAnEmptyEntry()
    {
        // Tab makes the first row current without selecting it.
        key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->Voices[1]);
        key(Qt::Key_Return);
        QCOMPARE(phrase(), " , ");
        QVERIFY(player.played.isEmpty());
    }

    void playOnClickOnlyWhenTicked_data()
    {
        QTest::addColumn<Qt::CheckState>("state");
        QTest::addColumn<QStringList>("played");
        QTest::newRow("ticked") << Qt::Checked << QStringList { "Then/1", "RoadEnd/1" };
        QTest::newRow("clear") << Qt::Unchecked << QStringList {};
        QTest::newRow("greyed") << Qt::PartiallyChecked << QStringList {};
    }

    void playOnClickOnlyWhenTicked()
    {
        QFETCH(Qt::CheckState, state);
        QFETCH(QStringList, played);
        form->PLayOnClick->setTristate(state == Qt::PartiallyChecked);
        form->PLayOnClick->setCheckState(state);
        click(2, 1);
        doubleClick(2, 2);
        QCOMPARE(player.played, played);
        QCOMPARE(phrase(), "RoadEnd , ");
    }

    void playOnClickIsReadAtEverySelection()
    {
        click(3, 0);
        QTest::mouseClick(form->PLayOnClick, Qt::LeftButton);
        click(3, 1);
        QTest::mouseClick(form->PLayOnClick, Qt::LeftButton);
        click(3, 2);
        QCOMPARE(player.played, QStringList({ "Arrive/1", "Depart/1" }));
    }

    void arrowKeysPlayEachEntryReached()
    {
        click(6, 0);
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(Qt::Key_Up);
        QCOMPARE(player.played, QStringList({ "RbBack/1", "RbCross/1", "RbExit1/1", "RbCross/1" }));
        QVERIFY(phrase().isEmpty());
    }

    void clickOnTheSelectedEntryPlaysAgain()
    {
        click(4, 3);
        click(4, 3);
        click(4, 3);
        QCOMPARE(player.played, QStringList(3, "AhFerry/1"));
    }

    void focusColourFollowsTheUser()
    {
        click(1, 0);
        QCOMPARE(backColor(0), windowBackground());
        QCOMPARE(backColor(1), QColor(255, 192, 192));
        key(Qt::Key_Tab);
        QCOMPARE(backColor(1), windowBackground());
        QCOMPARE(backColor(5), QColor(255, 192, 192));

        // The phrase box and the buttons take the focus but keep no colour;
        // the list that lost it turns back all the same.
        QTest::mouseClick(form->ClearButton, Qt::LeftButton);
        QCOMPARE(backColor(5), windowBackground());
        for (int list = 0; list < VoicesCount; ++list)
            QCOMPARE(backColor(list), windowBackground());
    }

    void switchingApplicationsChangesNoColour()
    {
        click(4, 0);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!form->Voices[4]->hasFocus());
        QCOMPARE(backColor(4), QColor(255, 192, 192));

        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QVERIFY(form->Voices[4]->hasFocus());
        QCOMPARE(backColor(4), QColor(255, 192, 192));
        QCOMPARE(backColor(0), windowBackground());
    }

    void clearEmptiesThePhraseOnly()
    {
        doubleClick(0, 3);
        doubleClick(5, 1);
        QTest::mouseClick(form->ClearButton, Qt::LeftButton);
        QCOMPARE(phrase(), "");
        QCOMPARE(form->Voices[0]->selectedText(), "2ndRight");
        QCOMPARE(form->Voices[5]->selectedText(), "MwExit");
        QCOMPARE(player.played.size(), 2);
        QCOMPARE(form->PlayButton->text(), "Play");
    }
};

QTEST_MAIN(TestLists)
#include "tst_lists.moc"
