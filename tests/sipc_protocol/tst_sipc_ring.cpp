#include "sipc_test_frames.h"

#include <QtTest>
#include <memory>

using namespace sipc_test;
using vq::Sipc_circular_buffer;

namespace {

// A ring whose read index stands at `start`: that many bytes went in and out.
std::unique_ptr<Sipc_circular_buffer> ring_at(std::uint32_t start)
{
    auto ring = std::make_unique<Sipc_circular_buffer>();
    const QByteArray filler(int(start), '\x5A');
    if (start != 0) {
        ring->append(reinterpret_cast<const std::uint8_t*>(filler.constData()), start);
        ring->discard(start - 1);
        ring->pop();
    }
    return ring;
}

bool append(Sipc_circular_buffer& ring, const QByteArray& bytes)
{
    return ring.append(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       std::uint32_t(bytes.size()));
}

QByteArray contents(const Sipc_circular_buffer& ring)
{
    QByteArray out(int(ring.filled_count()), '\0');
    if (!ring.copy_out(0, reinterpret_cast<std::uint8_t*>(out.data()), ring.filled_count())) {
        return "copy failed";
    }
    return out;
}

} // namespace

class Tst_sipc_ring : public QObject
{
    Q_OBJECT

private slots:
    void across_the_wrap_data();
    void across_the_wrap();
    void append_is_all_or_nothing_data();
    void append_is_all_or_nothing();
    void values_in_byte_order();
    void discard_and_pop();
};

// A frame placed so that the ring's end falls at each interesting point.
void Tst_sipc_ring::across_the_wrap_data()
{
    QTest::addColumn<quint32>("start");
    const QByteArray frame = frame_bytes(random_bytes(40, 21));
    for (int before_end : {0, 1, 2, 3, 17, 18, 19, 20, 21, 30, 61, 62, 63}) {
        QTest::addRow("wrap %d bytes into the frame", before_end)
            << quint32(Sipc_circular_buffer::ring_capacity - before_end);
    }
}

void Tst_sipc_ring::across_the_wrap()
{
    QFETCH(quint32, start);
    const QByteArray frame = frame_bytes(random_bytes(40, 21));
    auto ring = ring_at(start);
    QVERIFY(append(*ring, frame));
    QCOMPARE(ring->filled_count(), quint32(frame.size()));
    QCOMPARE(contents(*ring), frame);

    // CRCs over the header and the payload, continuing across the wrap.
    QCOMPARE(ring->checksum(0, 17), crc(frame.left(18)));
    QCOMPARE(ring->checksum(20, quint32(frame.size() - 3)), crc(frame.mid(20, 40)));
    QCOMPARE(ring->checksum(5, 4), quint16(0));
    QCOMPARE(ring->checksum(0, quint32(frame.size())), quint16(0)); // outside

    // Peeks and copies at every offset.
    for (int offset = 0; offset < frame.size(); ++offset) {
        std::uint8_t u8 = 0;
        std::uint16_t u16 = 0;
        std::uint32_t u32 = 0;
        QVERIFY(ring->peek_u8(std::uint32_t(offset), u8));
        QCOMPARE(u8, quint8(frame[offset]));
        const bool two = offset + 2 <= frame.size();
        QCOMPARE(ring->peek_u16(std::uint32_t(offset), u16), two);
        if (two) {
            QCOMPARE(u16, quint16(quint8(frame[offset]) << 8 | quint8(frame[offset + 1])));
        }
        const bool four = offset + 4 <= frame.size();
        QCOMPARE(ring->peek_u32(std::uint32_t(offset), u32), four);
        if (four) {
            QCOMPARE(u32, quint32(u16) << 16 |
                              quint16(quint8(frame[offset + 2]) << 8 | quint8(frame[offset + 3])));
        }
        QByteArray tail(frame.size() - offset, '\0');
        QVERIFY(ring->copy_out(std::uint32_t(offset), reinterpret_cast<std::uint8_t*>(tail.data()),
                               std::uint32_t(tail.size())));
        QCOMPARE(tail, frame.mid(offset));
    }
    std::uint8_t byte = 0;
    QVERIFY(!ring->peek_u8(std::uint32_t(frame.size()), byte));
    QVERIFY(!ring->copy_out(1, &byte, std::uint32_t(frame.size())));

    // The sync word is found wherever it lies, the wrap included.
    std::uint32_t found = 99;
    QVERIFY(ring->find_u16(0xC67D, 0, found));
    QCOMPARE(found, 0u);
    ring->pop();
    const bool again = ring->find_u16(0xC67D, 0, found);
    const int next = frame.indexOf(QByteArray::fromHex("C67D"), 1);
    QCOMPARE(again, next > 0);
    if (again) {
        QCOMPARE(int(found), next - 1);
    }
}

void Tst_sipc_ring::append_is_all_or_nothing_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<int>("filled");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("ok");
    const int capacity = int(Sipc_circular_buffer::ring_capacity);
    QTest::newRow("fits exactly") << 0u << 100 << capacity - 100 << true;
    QTest::newRow("one byte too many") << 0u << 100 << capacity - 99 << false;
    QTest::newRow("fits exactly across the wrap") << 7000u << 1 << capacity - 1 << true;
    QTest::newRow("too many across the wrap") << 7000u << 1 << capacity << false;
    QTest::newRow("nothing into a full ring") << 0u << capacity << 0 << true;
    QTest::newRow("one byte into a full ring") << 3u << capacity << 1 << false;
}

void Tst_sipc_ring::append_is_all_or_nothing()
{
    QFETCH(quint32, start);
    QFETCH(int, filled);
    QFETCH(int, count);
    auto ring = ring_at(start);
    const QByteArray first = random_bytes(filled, 1);
    QVERIFY(append(*ring, first));
    const QByteArray second = random_bytes(count, 2);
    QTEST(append(*ring, second), "ok");
    QFETCH(bool, ok);
    QCOMPARE(contents(*ring), ok ? first + second : first);
    QCOMPARE(ring->free_count() + ring->filled_count(), ring->capacity());
}

void Tst_sipc_ring::values_in_byte_order()
{
    auto ring = ring_at(Sipc_circular_buffer::ring_capacity - 3);
    QVERIFY(ring->append_u8(0xC6));
    QVERIFY(ring->append_u16(0x7D10));
    QVERIFY(ring->append_u32(0x0A000001));
    QCOMPARE(contents(*ring), QByteArray::fromHex("C67D100A000001"));
    ring->little_endian = true;
    QVERIFY(ring->append_u16(0x1234));
    std::uint16_t value = 0;
    QVERIFY(ring->peek_u16(7, value));
    QCOMPARE(value, quint16(0x1234));
    QCOMPARE(contents(*ring).right(2), QByteArray::fromHex("3412"));
}

void Tst_sipc_ring::discard_and_pop()
{
    auto ring = ring_at(7160);
    QVERIFY(append(*ring, QByteArray::fromHex("0102030405060708090A0B0C")));
    QCOMPARE(ring->discard(3), 3u);
    QCOMPARE(contents(*ring), QByteArray::fromHex("0405060708090A0B0C"));
    QVERIFY(ring->pop());
    QCOMPARE(contents(*ring), QByteArray::fromHex("05060708090A0B0C"));
    QCOMPARE(ring->discard(100), 8u);
    QCOMPARE(ring->filled_count(), 0u);
    QVERIFY(!ring->pop());
    QVERIFY(append(*ring, QByteArray::fromHex("AABB")));
    ring->reset();
    QCOMPARE(ring->free_count(), ring->capacity());
    QCOMPARE(ring->capacity(), 7168u);
}

QTEST_APPLESS_MAIN(Tst_sipc_ring)
#include "tst_sipc_ring.moc"
