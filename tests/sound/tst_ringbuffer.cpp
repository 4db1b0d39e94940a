#include "ringbuffer.h"

#include <QTest>

#include <numeric>
#include <vector>

namespace {

// Odd, so that no size divides it and every split across the end occurs.
constexpr std::size_t Capacity = 7;

std::vector<std::uint8_t> counting(std::size_t size, std::uint8_t from)
{
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), from);
    return bytes;
}

} // namespace

// The queue between the decoder and the audio callback: what goes in comes
// out once, whole and in order, wherever in the storage it lies.
class TestRingBuffer : public QObject
{
    Q_OBJECT

private slots:
    void everySizeAtEveryPlace_data()
    {
        QTest::addColumn<int>("start");
        for (std::size_t start = 0; start < Capacity; ++start)
            QTest::addRow("from %zu", start) << int(start);
    }

    // Writes and reads of every size, each starting at this place, so that
    // every split of a copy across the storage's end is made.
    void everySizeAtEveryPlace()
    {
        QFETCH(int, start);
        for (std::size_t size = 1; size <= Capacity; ++size) {
            RingBuffer ring(Capacity);
            std::vector<std::uint8_t> out(Capacity, 0);
            QCOMPARE(ring.write(out.data(), std::size_t(start)), std::size_t(start));
            QCOMPARE(ring.read(out.data(), std::size_t(start)), std::size_t(start));

            const std::vector<std::uint8_t> in = counting(size, std::uint8_t(size * 16));
            QCOMPARE(ring.write(in.data(), size), size);
            QCOMPARE(ring.available(), size);
            QCOMPARE(ring.freeSpace(), Capacity - size);
            out.assign(size, 0);
            QCOMPARE(ring.read(out.data(), Capacity), size);
            QCOMPARE(out, in);
            QCOMPARE(ring.available(), std::size_t(0));
        }
    }

    // Pieces of unequal sizes that keep the ring part full, round and round:
    // the bytes come out as the counting sequence they went in as.
    void streamsThroughManyRounds_data()
    {
        QTest::addColumn<int>("writeSize");
        QTest::addColumn<int>("readSize");
        QTest::newRow("write 3, read 2") << 3 << 2;
        QTest::newRow("write 2, read 3") << 2 << 3;
        QTest::newRow("write 5, read 4") << 5 << 4;
        QTest::newRow("write whole, read 1") << 7 << 1;
    }

    void streamsThroughManyRounds()
    {
        QFETCH(int, writeSize);
        QFETCH(int, readSize);
        RingBuffer ring(Capacity);
        std::uint8_t next = 0;
        int taken = 0;
        std::vector<std::uint8_t> out(Capacity);
        for (int round = 0; round < 100; ++round) {
            const std::size_t room = std::min(ring.freeSpace(), std::size_t(writeSize));
            next += std::uint8_t(ring.write(counting(room, next).data(), room));
            const std::size_t got = ring.read(out.data(), std::size_t(readSize));
            for (std::size_t at = 0; at < got; ++at)
                QCOMPARE(out[at], std::uint8_t(taken++));
        }
        QVERIFY(taken >= 100);
    }

    void fullTakesNoMoreAndEmptyGivesNothing()
    {
        RingBuffer ring(Capacity);
        std::vector<std::uint8_t> out(Capacity + 3, 99);
        QCOMPARE(ring.read(out.data(), out.size()), std::size_t(0));
        QCOMPARE(out, std::vector<std::uint8_t>(Capacity + 3, 99)); // untouched

        const std::vector<std::uint8_t> in = counting(Capacity + 3, 1);
        QCOMPARE(ring.write(in.data(), in.size()), Capacity);
        QCOMPARE(ring.freeSpace(), std::size_t(0));
        QCOMPARE(ring.write(in.data(), 1), std::size_t(0));
        QCOMPARE(ring.read(out.data(), out.size()), Capacity);
        QVERIFY(std::equal(in.begin(), in.begin() + Capacity, out.begin()));
        QCOMPARE(ring.read(out.data(), 1), std::size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestRingBuffer)
#include "tst_ringbuffer.moc"
