#include "tac_pdu_buffer.h"

#include <QtTest>
#include <cstdint>
#include <functional>

using vq::Tac_pdu_buffer;

namespace {

QByteArray bytes_of(const Tac_pdu_buffer& buffer)
{
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), int(buffer.size()));
}

// One put of each family, chosen by name, so that the tables below can list
// every width with its expected bytes.
using Put = std::function<bool(Tac_pdu_buffer&, qint64)>;

Put put_named(const QString& name)
{
    static const QHash<QString, Put> puts = {
        {"u8", [](Tac_pdu_buffer& b, qint64 v) { return b.put_u8(std::uint8_t(v)); }},
        {"i8", [](Tac_pdu_buffer& b, qint64 v) { return b.put_i8(std::int8_t(v)); }},
        {"u16", [](Tac_pdu_buffer& b, qint64 v) { return b.put_u16(std::uint16_t(v)); }},
        {"i16", [](Tac_pdu_buffer& b, qint64 v) { return b.put_i16(std::int16_t(v)); }},
        {"u32", [](Tac_pdu_buffer& b, qint64 v) { return b.put_u32(std::uint32_t(v)); }},
        {"i32", [](Tac_pdu_buffer& b, qint64 v) { return b.put_i32(std::int32_t(v)); }},
        {"u16[2]",
         [](Tac_pdu_buffer& b, qint64 v) {
             const std::uint16_t values[2] = {std::uint16_t(v >> 16), std::uint16_t(v)};
             return b.put_u16_array(values, 2);
         }},
        {"i16[2]",
         [](Tac_pdu_buffer& b, qint64 v) {
             const std::int16_t values[2] = {std::int16_t(v >> 16), std::int16_t(v)};
             return b.put_i16_array(values, 2);
         }},
        {"u32[2]",
         [](Tac_pdu_buffer& b, qint64 v) {
             const std::uint32_t values[2] = {std::uint32_t(v >> 32), std::uint32_t(v)};
             return b.put_u32_array(values, 2);
         }},
        {"i32[2]",
         [](Tac_pdu_buffer& b, qint64 v) {
             const std::int32_t values[2] = {std::int32_t(v >> 32), std::int32_t(v)};
             return b.put_i32_array(values, 2);
         }},
        {"bytes[3]",
         [](Tac_pdu_buffer& b, qint64 v) {
             const std::uint8_t values[3] = {std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                                             std::uint8_t(v)};
             return b.put_bytes(values, 3);
         }},
    };
    return puts.value(name);
}

} // namespace

class Tst_tac_pdu_buffer : public QObject
{
    Q_OBJECT

private slots:
    void sequential_put_data();
    void sequential_put();
    void put_at_position_data();
    void put_at_position();
    void get_data();
    void get();
    void get_at_position_data();
    void get_at_position();
    void arrays_round_trip();
    void peek_bounds_data();
    void peek_bounds();
    void copies_share_storage();
    void assignment_moves_reference();
    void append_buffer_data();
    void append_buffer();
    void grow_leaves_other_handles_alone();
    void reset_to_size();
    void construction_data();
    void construction();
};

// Puts into a zeroed buffer of the given size starting at the given write
// position; the row name is the buffer's bytes afterwards.
void Tst_tac_pdu_buffer::sequential_put_data()
{
    QTest::addColumn<quint32>("size");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<bool>("little");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("position");
    QTest::addColumn<QByteArray>("bytes");
    auto row = [](const char* hex, quint32 size, quint32 start, bool little, const char* kind,
                  qint64 value, bool ok, quint32 position) {
        QTest::newRow(qPrintable(QString("%1 %2 %3").arg(kind, little ? "le" : "be", hex)))
            << size << start << little << QString(kind) << value << ok << position
            << QByteArray::fromHex(hex);
    };
    row("A5000000", 4, 0, false, "u8", 0xA5, true, 1);
    row("00FF0000", 4, 1, false, "i8", -1, true, 2);
    row("12340000", 4, 0, false, "u16", 0x1234, true, 2);
    row("34120000", 4, 0, true, "u16", 0x1234, true, 2);
    row("0000FFFE", 4, 2, false, "i16", -2, true, 4);
    row("DEADBEEF", 4, 0, false, "u32", 0xDEADBEEF, true, 4);
    row("EFBEADDE", 4, 0, true, "u32", 0xDEADBEEF, true, 4);
    row("FFFFFFFE", 4, 0, false, "i32", -2, true, 4);
    row("00010002", 4, 0, false, "u16[2]", 0x00010002, true, 4);
    row("FFFF0001", 4, 0, false, "i16[2]", 0xFFFF0001, true, 4);
    row("000000010000000200", 9, 0, false, "u32[2]", 0x0000000100000002LL, true, 8);
    row("0100000002000000", 8, 0, true, "i32[2]", 0x0000000100000002LL, true, 8);
    row("00AABBCC", 4, 1, false, "bytes[3]", 0xAABBCC, true, 4);
    // Partial writes: the leading bytes that fit, and a failure.
    row("DEADBE", 3, 0, false, "u32", 0xDEADBEEF, false, 3);
    row("0012", 2, 1, false, "u16", 0x1234, false, 2);
    row("000001", 3, 1, false, "u16[2]", 0x00010002, false, 3);
    row("00AABB", 3, 1, false, "bytes[3]", 0xAABBCC, false, 3);
    row("0000000100", 5, 0, false, "u32[2]", 0x0000000100000002LL, false, 5);
    // Nothing at or beyond the size.
    row("0000", 2, 2, false, "u8", 0xA5, false, 2);
    row("000000", 3, 3, false, "u32", 0xDEADBEEF, false, 3);
    row("0000", 2, 7, false, "u16", 0x1234, false, 7);
    row("", 0, 0, false, "u8", 1, false, 0);
}

void Tst_tac_pdu_buffer::sequential_put()
{
    QFETCH(quint32, size);
    QFETCH(quint32, start);
    QFETCH(bool, little);
    QFETCH(QString, kind);
    QFETCH(qint64, value);
    Tac_pdu_buffer buffer(size, little);
    buffer.write_position = start;
    const Put put = put_named(kind);
    QVERIFY(put);
    QTEST(put(buffer, value), "ok");
    QTEST(buffer.write_position, "position");
    QTEST(bytes_of(buffer), "bytes");
}

void Tst_tac_pdu_buffer::put_at_position_data()
{
    QTest::addColumn<quint32>("write_position");
    QTest::addColumn<quint32>("position");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("position_after");
    QTest::addColumn<quint32>("write_after");
    QTest::addColumn<QByteArray>("bytes");
    // A u16 0x1234 into an 8-byte buffer of 0x00 whose bytes 0..1 hold EE EE
    // and whose write position is given; fill byte 0x55.
    QTest::newRow("EEEE00000000 1234: position 6")
        << 2u << 6u << false << true << 8u << 8u << QByteArray::fromHex("EEEE000000001234");
    QTest::newRow("EEEE55555555 1234: position 6, filled")
        << 2u << 6u << true << true << 8u << 8u << QByteArray::fromHex("EEEE555555551234");
    QTest::newRow("EE1234: position 1 behind the write position, fill ignored")
        << 2u << 1u << true << true << 3u << 3u << QByteArray::fromHex("EE12340000000000");
    QTest::newRow("EEEE000000000012: position 7, partial")
        << 2u << 7u << false << false << 8u << 8u << QByteArray::fromHex("EEEE000000000012");
    QTest::newRow("EEEE000000000000: position 8 refused")
        << 2u << 8u << true << false << 8u << 2u << QByteArray::fromHex("EEEE000000000000");
}

void Tst_tac_pdu_buffer::put_at_position()
{
    QFETCH(quint32, write_position);
    QFETCH(quint32, position);
    QFETCH(bool, fill);
    Tac_pdu_buffer buffer(8);
    QVERIFY(buffer.put_u16(0xEEEE));
    buffer.write_position = write_position;
    QTEST(buffer.put_u16_at(position, 0x1234, fill, 0x55), "ok");
    QTEST(position, "position_after");
    QTEST(bytes_of(buffer), "bytes");
    QTEST(buffer.write_position, "write_after");
}

// Gets from the bytes 01 02 03 04 05 starting at the given read position.
void Tst_tac_pdu_buffer::get_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<quint32>("position");
    QTest::newRow("01") << 0u << 1 << true << 0x01u << 1u;
    QTest::newRow("0203") << 1u << 2 << true << 0x0203u << 3u;
    QTest::newRow("02030405") << 1u << 4 << true << 0x02030405u << 5u;
    QTest::newRow("05, one byte left for a u16") << 4u << 2 << false << 0u << 0u;
    QTest::newRow("04 05, two left for a u32") << 3u << 4 << false << 0u << 0u;
    QTest::newRow("at the end") << 5u << 1 << false << 0u << 0u;
    QTest::newRow("past the end") << 9u << 2 << false << 0u << 0u;
}

void Tst_tac_pdu_buffer::get()
{
    QFETCH(quint32, start);
    QFETCH(int, width);
    const std::uint8_t source[] = {1, 2, 3, 4, 5};
    Tac_pdu_buffer buffer(source, 5);
    buffer.read_position = start;
    std::uint32_t value = 0xFFFFFFFF;
    bool ok = false;
    if (width == 1) {
        std::uint8_t v = 0xFF;
        ok = buffer.get_u8(v);
        value = v;
    } else if (width == 2) {
        std::uint16_t v = 0xFFFF;
        ok = buffer.get_u16(v);
        value = v;
    } else {
        ok = buffer.get_u32(value);
    }
    QTEST(ok, "ok");
    QTEST(value, "value");
    QTEST(buffer.read_position, "position");
}

void Tst_tac_pdu_buffer::get_at_position_data()
{
    QTest::addColumn<quint32>("position");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<quint32>("position_after");
    // The bytes FF FE 00 01 80 00 00 00 read as i16 at a position; the read
    // position stands at 2 before each call.
    QTest::newRow("FFFE at 0") << 0u << true << qint32(-2) << 2u;
    QTest::newRow("0001 at 2") << 2u << true << qint32(1) << 4u;
    QTest::newRow("8000 at 4") << 4u << true << qint32(-32768) << 6u;
    QTest::newRow("00 at 7: one byte left") << 7u << false << qint32(0) << 0u;
    // A position past the end must not fall back to reading at the old read
    // position (which would yield 00 01 here).
    QTest::newRow("position 8 past the end") << 8u << false << qint32(0) << 8u;
}

void Tst_tac_pdu_buffer::get_at_position()
{
    QFETCH(quint32, position);
    const std::uint8_t source[] = {0xFF, 0xFE, 0x00, 0x01, 0x80, 0x00, 0x00, 0x00};
    Tac_pdu_buffer buffer(source, 8);
    buffer.read_position = 2;
    std::int16_t value = 99;
    QTEST(buffer.get_i16_at(position, value), "ok");
    QTEST(qint32(value), "value");
    QTEST(position, "position_after");
    QFETCH(bool, ok);
    if (!ok) {
        QCOMPARE(buffer.read_position, 0u);
    }
}

void Tst_tac_pdu_buffer::arrays_round_trip()
{
    const std::int32_t out32[3] = {-1, 0x12345678, INT32_MIN};
    const std::int16_t out16[2] = {-300, 300};
    const std::uint8_t text[4] = {'T', 'A', 'C', '1'};
    Tac_pdu_buffer buffer(12 + 4 + 4);
    QVERIFY(buffer.put_i32_array(out32, 3));
    QVERIFY(buffer.put_i16_array(out16, 2));
    QVERIFY(buffer.put_bytes(text, 4));
    QVERIFY(!buffer.put_u8(0));

    std::int32_t in32[3] = {};
    std::int16_t in16[2] = {};
    std::uint8_t in_text[8] = {};
    QCOMPARE(buffer.get_i32_array(in32, 3), 3u);
    QCOMPARE(buffer.get_i16_array(in16, 2), 2u);
    QCOMPARE(buffer.get_bytes(in_text, 8), 4u); // at most what remains
    QVERIFY(std::equal(out32, out32 + 3, in32));
    QVERIFY(std::equal(out16, out16 + 2, in16));
    QVERIFY(std::equal(text, text + 4, in_text));
    QCOMPARE(buffer.get_bytes(in_text, 8), 0u);

    // An array read that runs out returns the elements it got.
    std::uint32_t position = 14;
    std::uint32_t tail[4] = {};
    QCOMPARE(buffer.get_u32_array_at(position, tail, 4), 1u);
    QCOMPARE(tail[0], 0x012C5441u);
}

void Tst_tac_pdu_buffer::peek_bounds_data()
{
    QTest::addColumn<quint32>("index");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("value");
    // 22-byte buffer holding 0xC67D at 18.
    QTest::newRow("C67D at 18") << 18u << 2 << true << 0xC67Du;
    QTest::newRow("C67D0000 at 18") << 18u << 4 << true << 0xC67D0000u;
    QTest::newRow("00 at 21") << 21u << 1 << true << 0u;
    QTest::newRow("u16 at 21 reaches past") << 21u << 2 << false << 0u;
    QTest::newRow("u32 at 19 reaches past") << 19u << 4 << false << 0u;
    QTest::newRow("u32 at 0xFFFFFFFE") << 0xFFFFFFFEu << 4 << false << 0u;
}

void Tst_tac_pdu_buffer::peek_bounds()
{
    QFETCH(quint32, index);
    QFETCH(int, width);
    Tac_pdu_buffer buffer(22);
    std::uint32_t position = 18;
    QVERIFY(buffer.put_u16_at(position, 0xC67D));
    const std::uint32_t read_before = buffer.read_position = 3;
    const std::uint32_t write_before = buffer.write_position;
    std::uint32_t value = 0xFFFFFFFF;
    bool ok = false;
    if (width == 1) {
        std::uint8_t v = 0;
        ok = buffer.peek_u8(index, v);
        value = v;
    } else if (width == 2) {
        std::uint16_t v = 0;
        ok = buffer.peek_u16(index, v);
        value = v;
    } else {
        ok = buffer.peek_u32(index, value);
    }
    QTEST(ok, "ok");
    QTEST(value, "value");
    QCOMPARE(buffer.read_position, read_before);
    QCOMPARE(buffer.write_position, write_before);
}

void Tst_tac_pdu_buffer::copies_share_storage()
{
    auto* first = new Tac_pdu_buffer(4);
    Tac_pdu_buffer copy(*first);
    QCOMPARE(copy.storage, first->storage);
    QCOMPARE(copy.storage->reference_count, 2);
    QVERIFY(copy.put_u32(0xCAFEF00D));
    std::uint32_t seen = 0;
    QVERIFY(first->peek_u32(0, seen));
    QCOMPARE(seen, 0xCAFEF00Du);
    delete first;
    QCOMPARE(copy.storage->reference_count, 1);
    QVERIFY(copy.peek_u32(0, seen));
    QCOMPARE(seen, 0xCAFEF00Du);
}

void Tst_tac_pdu_buffer::assignment_moves_reference()
{
    Tac_pdu_buffer a(4);
    Tac_pdu_buffer b(8);
    Tac_pdu_buffer b_copy(b);
    QCOMPARE(b.storage->reference_count, 2);
    b = a;
    QCOMPARE(a.storage->reference_count, 2);
    QCOMPARE(b_copy.storage->reference_count, 1);
    QCOMPARE(b.size(), 4u);
    b = b; // self-assignment keeps the block
    QCOMPARE(a.storage->reference_count, 2);
    b = Tac_pdu_buffer();
    QCOMPARE(a.storage->reference_count, 1);
    QVERIFY(b.storage == nullptr);
    QCOMPARE(b.size(), 0u);
}

void Tst_tac_pdu_buffer::append_buffer_data()
{
    QTest::addColumn<quint32>("position");
    QTest::addColumn<bool>("grow");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");
    // Appends AA BB CC to the 4-byte buffer 01 02 03 04.
    QTest::newRow("01AABBCC fits") << 1u << false << true << QByteArray::fromHex("01AABBCC");
    QTest::newRow("0102 refused without growing")
        << 2u << false << false << QByteArray::fromHex("01020304");
    QTest::newRow("0102AABBCC grown by one")
        << 2u << true << true << QByteArray::fromHex("0102AABBCC");
    QTest::newRow("01020304AABBCC grown at the end")
        << 4u << true << true << QByteArray::fromHex("01020304AABBCC");
    QTest::newRow("beyond the end refused")
        << 5u << true << false << QByteArray::fromHex("01020304");
}

void Tst_tac_pdu_buffer::append_buffer()
{
    QFETCH(quint32, position);
    QFETCH(bool, grow);
    const std::uint8_t base[] = {1, 2, 3, 4};
    const std::uint8_t tail[] = {0xAA, 0xBB, 0xCC};
    Tac_pdu_buffer buffer(base, 4);
    const Tac_pdu_buffer source(tail, 3);
    const std::uint32_t start = position;
    QTEST(buffer.append_buffer_at(position, source, grow), "ok");
    QTEST(bytes_of(buffer), "bytes");
    QFETCH(bool, ok);
    if (ok) {
        QCOMPARE(position, start + 3);
        QCOMPARE(buffer.write_position, start + 3);
    }
}

void Tst_tac_pdu_buffer::grow_leaves_other_handles_alone()
{
    const std::uint8_t base[] = {9, 8, 7};
    Tac_pdu_buffer buffer(base, 3);
    const Tac_pdu_buffer old(buffer);
    QVERIFY(buffer.grow(2));
    QCOMPARE(bytes_of(buffer), QByteArray::fromHex("0908070000"));
    QCOMPARE(old.size(), 3u);
    QCOMPARE(old.storage->reference_count, 1);
    QVERIFY(old.storage != buffer.storage);
    QCOMPARE(buffer.write_position, 3u);
    QVERIFY(buffer.put_u16(0x0102));
    QCOMPARE(bytes_of(old), QByteArray::fromHex("090807"));

    // Appending a buffer to itself doubles it.
    std::uint32_t position = buffer.size();
    QVERIFY(buffer.append_buffer_at(position, buffer, true));
    QCOMPARE(bytes_of(buffer), QByteArray::fromHex("09080701020908070102"));
}

void Tst_tac_pdu_buffer::reset_to_size()
{
    Tac_pdu_buffer buffer(4);
    const Tac_pdu_buffer other(buffer);
    buffer.write_position = 3;
    buffer.read_position = 2;
    buffer.reset_to_size(6);
    QCOMPARE(buffer.size(), 6u);
    QCOMPARE(buffer.write_position, 0u);
    QCOMPARE(buffer.read_position, 0u);
    QVERIFY(buffer.storage != other.storage);
    QCOMPARE(other.storage->reference_count, 1);
    buffer.reset_to_size(0);
    QVERIFY(buffer.storage == nullptr);
    QVERIFY(buffer.data() == nullptr);
    QVERIFY(!buffer.put_u8(1));
}

void Tst_tac_pdu_buffer::construction_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("copy_source");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("sized 000000") << QByteArray::fromHex("000000") << false;
    QTest::newRow("from C67D10") << QByteArray::fromHex("C67D10") << true;
}

void Tst_tac_pdu_buffer::construction()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, copy_source);
    const auto size = std::uint32_t(source.size());
    const Tac_pdu_buffer buffer =
        copy_source
            ? Tac_pdu_buffer(reinterpret_cast<const std::uint8_t*>(source.constData()), size)
            : Tac_pdu_buffer(size);
    QCOMPARE(buffer.size(), size);
    QCOMPARE(buffer.storage == nullptr, size == 0);
    QCOMPARE(buffer.write_position, copy_source ? size : 0u);
    QCOMPARE(buffer.read_position, 0u);
    QVERIFY(!buffer.little_endian);
    if (size != 0) {
        QCOMPARE(buffer.storage->length, size);
        QCOMPARE(buffer.storage->reference_count, 1);
        QCOMPARE(bytes_of(buffer), source);
    }
}

QTEST_APPLESS_MAIN(Tst_tac_pdu_buffer)
#include "tst_tac_pdu_buffer.moc"
