#include "catalogue.h"
#include "defaultlines.h"

#include <QSet>
#include <QString>
#include <QTest>

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void listsHoldTheirRowCountsInOrder()
    {
        std::array<int, VoicesCount> counts {};
        int lastList = 0;
        for (const auto &entry : SampleCatalogue) {
            QVERIFY2(entry.list >= lastList, "entries must come list by list");
            lastList = entry.list;
            ++counts[entry.list];
        }
        QCOMPARE(counts, (std::array<int, VoicesCount> { 16, 12, 4, 4, 9, 4, 10 }));
    }

    void namesAreUniqueIgnoringCaseAndPlain()
    {
        QSet<QString> seen;
        for (const auto &entry : SampleCatalogue) {
            const auto name = QString::fromLatin1(entry.name.data(), entry.name.size());
            QVERIFY2(name.size() >= 2 && name.size() <= 11, qPrintable(name));
            for (QChar c : name)
                QVERIFY2(c.isDigit() || (c.isLetter() && c.unicode() < 128), qPrintable(name));
            QVERIFY2(!seen.contains(name.toLower()), qPrintable(name));
            seen.insert(name.toLower());
        }
    }

    void distancesStandInCharacterOrder()
    {
        // List 1 starts at entry 16: row 6 is "50", row 10 is "80".
        QCOMPARE(SampleCatalogue[16].name, "Yards");
        QCOMPARE(SampleCatalogue[16 + 6].name, "50");
        QCOMPARE(SampleCatalogue[16 + 10].name, "80");
        QCOMPARE(SampleCatalogue[0].name, "TurnLeft");
    }

    void everyNameHasItsLineInOrder()
    {
        QCOMPARE(std::size(DefaultLines), SampleCatalogue.size());
        for (std::size_t i = 0; i < SampleCatalogue.size(); ++i) {
            QCOMPARE(DefaultLines[i].name, SampleCatalogue[i].name);
            QVERIFY(!DefaultLines[i].text.empty());
        }
    }
};

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
