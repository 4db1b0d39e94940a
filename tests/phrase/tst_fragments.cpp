#include "fragments.h"

#include <QTest>

// How a phrase text falls into the names that are played.
class TestFragments : public QObject
{
    Q_OBJECT

private slots:
    void playedNames_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("empty") << "" << QStringList {};
        QTest::newRow("no comma") << "TurnLeft" << QStringList { "TurnLeft" };
        QTest::newRow("built from lists")
            << "TurnLeft , After , 100 , " << QStringList { "TurnLeft", "After", "100", "" };
        QTest::newRow("commas only") << ",,," << QStringList { "", "", "", "" };
        QTest::newRow("spaces only") << "   " << QStringList { "" };
        QTest::newRow("inner spaces kept") << "  Turn Left ," << QStringList { "Turn Left", "" };
        QTest::newRow("tabs and breaks kept")
            << " \tAfter\n , x" << QStringList { "\tAfter\n", "x" };
        QTest::newRow("other separators are text") << "a;b . c" << QStringList { "a;b . c" };
    }

    void playedNames()
    {
        QFETCH(QString, phrase);
        QFETCH(QStringList, names);
        QStringList trimmed;
        for (const QString &fragment : phraseFragments(phrase))
            trimmed << trimSpaces(fragment);
        QCOMPARE(trimmed, names);
    }

    void noLimitOnTheNumberOfPieces()
    {
        const QStringList pieces = phraseFragments(QString(70000, QLatin1Char(',')));
        QCOMPARE(pieces.size(), 70001);
    }
};

QTEST_GUILESS_MAIN(TestFragments)
#include "tst_fragments.moc"
