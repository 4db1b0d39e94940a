#include "voicelist.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

// The window as start-up leaves it: built, filled, sized and shown.
class TestWindow : public QObject, WindowFixture
{
    Q_OBJECT

    QStringList rows(int list) const
    {
        QStringList names;
        for (int row = 0; row < form->Voices[list]->count(); ++row)
            names << form->Voices[list]->item(row)->text();
        return names;
    }

private slots:
    void init() { QVERIFY(openActive()); }
    void cleanup() { reset(); }

    void listsHoldTheCatalogueInItsOrder()
    {
        const std::array<int, VoicesCount> counts { 16, 12, 4, 4, 9, 4, 10 };
        QStringList all;
        for (int list = 0; list < VoicesCount; ++list) {
            QCOMPARE(form->Voices[list]->count(), counts[list]);
            all << rows(list);
        }
        QCOMPARE(all.size(), 59);
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all[i],
                     QLatin1String(SampleCatalogue[i].name.data(),
                                   qsizetype(SampleCatalogue[i].name.size())));
        QCOMPARE(rows(1)[6], "50");
        QCOMPARE(rows(1)[10], "80");
        QVERIFY(!all.join(' ').contains('!')); // no placeholder word survives
        for (VoiceList *list : form->Voices)
            QVERIFY(list->selectedItems().isEmpty());
    }

    void controlsStandAtTheirPlaces()
    {
        // Twips inside the frame; 15 twips to the pixel.
        const std::array<std::pair<QWidget *, QRect>, 12> places { {
            { form->ClearButton, { 3480, 2730, 795, 435 } },
            { form->PlayButton, { 4320, 2730, 795, 435 } },
            { form->Voices[0], { 30, 60, 1695, 3150 } },
            { form->Voices[1], { 1740, 60, 1695, 2370 } },
            { form->Voices[5], { 1740, 2400, 1695, 810 } },
            { form->Voices[4], { 3450, 60, 1695, 1785 } },
            { form->Voices[3], { 3450, 1830, 1695, 810 } },
            { form->Voices[6], { 5160, 60, 1695, 1980 } },
            { form->Voices[2], { 5160, 2010, 1695, 810 } },
            { form->DirectionsText, { 60, 3300, 6765, 3645 } },
            { form->SelectFrame, { 0, 0, 459 * 15, 7035 } }, // stretched by start-up
            { form->PLayOnClick, { 5400, 2970, 0, 195 } },
        } };
        for (const auto &[control, twips] : places) {
            const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15,
                                 twips.height() / 15);
            const QRect actual = control->geometry();
            if (control == form->PLayOnClick) {
                // Only its width may grow, to fit its caption.
                QCOMPARE(actual.topLeft(), expected.topLeft());
                QCOMPARE(actual.height(), expected.height());
                QVERIFY(actual.width() >= 81);
                QVERIFY(actual.right() < form->SelectFrame->width());
                continue;
            }
            QCOMPARE(actual, expected);
        }
        for (QWidget *child :
             form->SelectFrame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            QVERIFY(form->SelectFrame->rect().contains(child->geometry()));
    }

    void listsShowEveryRowWithoutScrolling()
    {
        for (VoiceList *list : form->Voices) {
            QCOMPARE(list->height(), list->count() * VoiceList::RowHeight + 2);
            QVERIFY(!list->verticalScrollBar()->isVisible());
            QVERIFY(!list->horizontalScrollBar()->isVisible());
            for (int row = 0; row < list->count(); ++row) {
                const QRect rect = list->visualItemRect(list->item(row));
                QCOMPARE(rect.height(), VoiceList::RowHeight);
                QVERIFY(list->viewport()->rect().contains(rect));
            }
        }
    }

    void coloursCursorsAndTooltips()
    {
        QCOMPARE(form->palette().color(QPalette::Window), QColor(255, 0, 0));
        QVERIFY(form->autoFillBackground());
        const QPalette frame = form->SelectFrame->palette();
        QCOMPARE(frame.color(QPalette::Window), QColor(128, 255, 128));
        QCOMPARE(frame.color(QPalette::WindowText), QColor(0, 0, 0));
        QVERIFY(form->SelectFrame->autoFillBackground());
        QCOMPARE(form->SelectFrame->cursor().shape(), Qt::WhatsThisCursor);
        QCOMPARE(form->SelectFrame->toolTip(), "Corvex Tools. ( Double click for Editor.! )");

        const QColor windowBackground = QApplication::palette().color(QPalette::Base);
        for (int i = 0; i < VoicesCount; ++i) {
            VoiceList *list = form->Voices[i];
            QCOMPARE(list->palette().color(QPalette::Base),
                     i == 0 ? QColor(255, 192, 192) : windowBackground);
            QCOMPARE(list->toolTip(), "Select your list");
            QCOMPARE(list->cursor().shape(), Qt::ArrowCursor);
            QCOMPARE(list->frameShape(), QFrame::Box);
            QCOMPARE(list->frameShadow(), QFrame::Plain);
            QCOMPARE(list->lineWidth(), 1);
            QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
            QVERIFY(!list->isSortingEnabled());
        }
    }

    void windowIsFixedWithoutMaximise()
    {
        QCOMPARE(form->windowTitle(), "Voice Player");
        const Qt::WindowFlags flags = form->windowFlags();
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(form->outerTwips().size(), QSizeF(6975, 7500));
    }

    void buttonsAndCheckBoxAreNeverTabStops()
    {
        for (QPushButton *button : { form->ClearButton, form->PlayButton }) {
            QVERIFY(!button->autoDefault());
            QVERIFY(!button->isDefault());
            QCOMPARE(button->focusPolicy(), Qt::ClickFocus);
        }
        QCOMPARE(form->PlayButton->text(), "Play");
        QCOMPARE(form->ClearButton->text(), "Clear");
        QCOMPARE(form->PLayOnClick->focusPolicy(), Qt::ClickFocus);
        QCOMPARE(form->PLayOnClick->text(), "Play on click");
        QVERIFY(form->PLayOnClick->isChecked());
        QCOMPARE(form->SelectFrame->focusPolicy(), Qt::NoFocus);
    }

    // What a screen reader announces, read back as it reads it: a name
    // after what each control holds or does, and a description of its own.
    void everyControlHasAnAccessibleNameAndDescription()
    {
        const auto text = [](QWidget *control, QAccessible::Text which) {
            return QAccessible::queryAccessibleInterface(control)->text(which);
        };
        const QList<std::pair<QWidget *, QString>> named {
            { form->Voices[0], "Turns" },           { form->Voices[1], "Distances" },
            { form->Voices[2], "General words" },   { form->Voices[3], "Arrival and departure" },
            { form->Voices[4], "Ahead" },           { form->Voices[5], "Motorway" },
            { form->Voices[6], "Roundabouts" },     { form->DirectionsText, "Phrase" },
            { form->ClearButton, "Clear phrase" },  { form->PlayButton, "Play" },
            { form->PLayOnClick, "Play on click" },
        };
        for (const auto &[control, name] : named) {
            QCOMPARE(text(control, QAccessible::Name), name);
            const QString description = text(control, QAccessible::Description);
            QVERIFY(!description.isEmpty());
            QVERIFY(description != control->toolTip());
        }

        // The lists say a selection plays only while it does.
        QVERIFY(text(form->Voices[3], QAccessible::Description).contains("plays"));
        for (Qt::CheckState state : { Qt::Unchecked, Qt::PartiallyChecked }) {
            form->PLayOnClick->setCheckState(state);
            QVERIFY(!text(form->Voices[3], QAccessible::Description).contains("plays"));
        }

        QString whilePlaying;
        player.whilePlaying
            = [&](const QString &) { whilePlaying = text(form->PlayButton, QAccessible::Name); };
        form->DirectionsText->setPlainText("TurnLeft , ");
        QTest::mouseClick(form->PlayButton, Qt::LeftButton);
        QCOMPARE(whilePlaying, "Stop");
    }

    void firstListHasTheFocusAndStateStartsClear()
    {
        QCOMPARE(QApplication::focusWidget(), form->Voices[0]);
        QVERIFY(!form->IsPlaying);
        QVERIFY(!form->StopRequested);
        QVERIFY(!form->WasMinimized);
        QVERIFY(!form->isUnloaded());
        QVERIFY(!form->windowIcon().pixmap(32).isNull());
    }

    void tabCyclesThroughTheListsThenThePhrase()
    {
        const QList<QWidget *> order { form->Voices[0], form->Voices[1],      form->Voices[5],
                                       form->Voices[4], form->Voices[3],      form->Voices[6],
                                       form->Voices[2], form->DirectionsText, form->Voices[0] };
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order[i]);
        }
        for (int i = order.size() - 2; i >= 0; --i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), order[i]);
        }
    }

    void phraseBoxIsPlainWrappingText()
    {
        QPlainTextEdit *text = form->DirectionsText;
        QVERIFY(text->toPlainText().isEmpty()); // "Text1" at creation
        QCOMPARE(text->font().pointSize(), 12);
        QCOMPARE(text->font().weight(), QFont::Normal);
        QVERIFY(!text->font().italic() && !text->font().underline());
        QCOMPARE(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!text->isReadOnly());

        auto *rich = new QMimeData;
        rich->setHtml("<b style='color:blue'>TurnLeft</b> , ");
        rich->setText("TurnLeft , ");
        QApplication::clipboard()->setMimeData(rich);
        text->paste();
        QCOMPARE(text->toPlainText(), "TurnLeft , ");
        text->moveCursor(QTextCursor::Start);
        text->moveCursor(QTextCursor::Right);
        QCOMPARE(text->textCursor().charFormat().fontWeight(), QFont::Normal);
        QVERIFY(!text->textCursor().charFormat().hasProperty(QTextFormat::ForegroundBrush));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
