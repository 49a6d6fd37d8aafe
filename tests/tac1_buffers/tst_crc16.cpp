#include "tac_pdu_buffer.h"

#include <QtTest>
#include <cstdint>
#include <vector>

namespace {

// Bit at a time, straight from the definition: polynomial 0x1021, register
// preset to 0x1D0F, most significant bit first, no reflection, no final XOR.
std::uint16_t bitwise_crc(const std::uint8_t* bytes, std::size_t count)
{
    if (count == 0) {
        return 0;
    }
    std::uint16_t crc = 0x1D0F;
    for (std::size_t i = 0; i < count; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool in = ((bytes[i] >> bit) & 1) != 0;
            const bool top = (crc & 0x8000) != 0;
            crc = static_cast<std::uint16_t>(crc << 1);
            if (in != top) {
                crc ^= 0x1021;
            }
        }
    }
    return crc;
}

// Bytes that repeat only after a long period, so that every table column is
// exercised at every offset.
std::vector<std::uint8_t> pattern(std::size_t count, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

} // namespace

class Tst_crc16 : public QObject
{
    Q_OBJECT

private slots:
    void check_values_data();
    void check_values();
    void every_length_and_offset_data();
    void every_length_and_offset();
    void continues_across_any_split();
    void buffer_range_data();
    void buffer_range();
};

void Tst_crc16::check_values_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint16>("crc");
    // Published check values of this CRC, and a few bytes checked by hand
    // against the bitwise definition.
    QTest::newRow("\"123456789\"") << QByteArray("123456789") << quint16(0xE5CC);
    QTest::newRow("\"abc\"") << QByteArray("abc") << quint16(0x8CDA);
    QTest::newRow("empty") << QByteArray() << quint16(0x0000);
    QTest::newRow("00") << QByteArray::fromHex("00") << quint16(0xCC9C);
    QTest::newRow("C67D10") << QByteArray::fromHex("C67D10")
                            << bitwise_crc(reinterpret_cast<const std::uint8_t*>("\xC6\x7D\x10"),
                                           3);
}

void Tst_crc16::check_values()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint16, crc);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    QCOMPARE(bitwise_crc(data, bytes.size()), crc);
    QCOMPARE(vq::crc16(data, bytes.size()), crc);
}

void Tst_crc16::every_length_and_offset_data()
{
    QTest::addColumn<int>("offset");
    for (int offset = 0; offset < 16; ++offset) {
        QTest::addRow("offset %d", offset) << offset;
    }
}

// The table-driven CRC folds eight bytes at a time: lengths and alignments
// around every multiple of eight must give the bitwise result.
void Tst_crc16::every_length_and_offset()
{
    QFETCH(int, offset);
    const std::vector<std::uint8_t> bytes = pattern(600 + 16, 0x5EED0000u + offset);
    for (std::size_t length = 0; length <= 600; ++length) {
        const std::uint8_t* start = bytes.data() + offset;
        const std::uint16_t expected = bitwise_crc(start, length);
        if (vq::crc16(start, length) != expected) {
            QFAIL(qPrintable(QString("length %1: %2 instead of %3")
                                 .arg(length)
                                 .arg(vq::crc16(start, length), 4, 16, QChar('0'))
                                 .arg(expected, 4, 16, QChar('0'))));
        }
    }
}

void Tst_crc16::continues_across_any_split()
{
    const std::vector<std::uint8_t> bytes = pattern(97, 42);
    const std::uint16_t whole = bitwise_crc(bytes.data(), bytes.size());
    for (std::size_t split = 0; split <= bytes.size(); ++split) {
        std::uint16_t crc = vq::crc16_update(vq::crc16_initial, bytes.data(), split);
        crc = vq::crc16_update(crc, bytes.data() + split, bytes.size() - split);
        QCOMPARE(crc, whole);
    }
}

void Tst_crc16::buffer_range_data()
{
    QTest::addColumn<quint32>("first");
    QTest::addColumn<quint32>("last");
    QTest::addColumn<bool>("inside");
    QTest::newRow("[0,8] whole") << 0u << 8u << true;
    QTest::newRow("[3,5]") << 3u << 5u << true;
    QTest::newRow("[8,8] last byte") << 8u << 8u << true;
    QTest::newRow("[5,4] empty") << 5u << 4u << false;
    QTest::newRow("[20,19] empty") << 20u << 19u << false;
    QTest::newRow("[0,9] past the end") << 0u << 9u << false;
    QTest::newRow("[9,9] outside") << 9u << 9u << false;
}

void Tst_crc16::buffer_range()
{
    QFETCH(quint32, first);
    QFETCH(quint32, last);
    QFETCH(bool, inside);
    const auto* text = reinterpret_cast<const std::uint8_t*>("123456789");
    const vq::Tac_pdu_buffer buffer(text, 9);
    const std::uint16_t expected = inside ? bitwise_crc(text + first, last - first + 1) : 0;
    QCOMPARE(buffer.checksum(first, last), expected);
}

QTEST_APPLESS_MAIN(Tst_crc16)
#include "tst_crc16.moc"
