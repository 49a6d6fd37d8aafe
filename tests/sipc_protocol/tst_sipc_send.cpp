#include "sipc_test_frames.h"

#include <QtTest>

using namespace sipc_test;
using vq::Sipc_protocol_handler;
using vq::Tac_callback_object;
using vq::Tac_lower_protocol_send_callback_object;
using vq::Tac_pdu_buffer;

namespace {

// Takes frames for transmission and leaves the status it is told to.
class Lower_layer
{
public:
    void take(Tac_callback_object* record)
    {
        taken << *record;
        record->status = answer;
    }
    QList<Tac_callback_object> taken;
    std::int32_t answer = vq::tac_status_delivered;
};

class Handler_with_hook : public Sipc_protocol_handler
{
public:
    using Sipc_protocol_handler::Sipc_protocol_handler;
    QByteArray sent;
    quint32 address = 0;
    quint16 port = 0;

protected:
    bool lower_protocol_send(std::uint32_t destination_address, std::uint16_t destination_port,
                             Tac_pdu_buffer& frame) override
    {
        address = destination_address;
        port = destination_port;
        sent = QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size()));
        return true;
    }
};

// A record as the TAC1 layer hands it down: payload at offset 20, room for
// the header before it and the CRC after it.
Tac_lower_protocol_send_callback_object record_for(const Frame& frame)
{
    Tac_lower_protocol_send_callback_object record;
    record.channel = frame.channel;
    record.destination_address = frame.destination_address;
    record.destination_port = frame.destination_port;
    record.source_address = frame.source_address;
    record.source_port = frame.source_port;
    record.pdu = Tac_pdu_buffer(std::uint32_t(frame.payload.size() + 22));
    std::uint32_t position = 20;
    if (!frame.payload.isEmpty()) {
        record.pdu.put_bytes_at(position,
                                reinterpret_cast<const std::uint8_t*>(frame.payload.constData()),
                                std::uint32_t(frame.payload.size()));
    }
    record.status = 77; // the handler presets its own
    return record;
}

QByteArray bytes_of(const Tac_pdu_buffer& buffer)
{
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), int(buffer.size()));
}

} // namespace

Q_DECLARE_METATYPE(sipc_test::Frame)

class Tst_sipc_send : public QObject
{
    Q_OBJECT

private slots:
    void frames_in_place_data();
    void frames_in_place();
    void delivery_status_data();
    void delivery_status();
    void send_hook_takes_frames();
    void frame_readers_data();
    void frame_readers();
    void receive_buffer_data();
    void receive_buffer();
};

void Tst_sipc_send::frames_in_place_data()
{
    QTest::addColumn<Frame>("frame");
    Frame frame;
    QTest::newRow(wire_name(frame.bytes())) << frame;
    frame.payload = QByteArray::fromHex("00010002000000");
    frame.channel = 0;
    QTest::newRow(wire_name(frame.bytes())) << frame;
    frame.payload = random_bytes(300, 11);
    frame.channel = 1;
    frame.destination_address = 0xFFFFFFFF;
    frame.destination_port = 0xFFFF;
    frame.source_address = 0;
    frame.source_port = 0;
    QTest::newRow(wire_name(frame.bytes())) << frame;
}

// The frame is written into the PDU's own bytes, and what goes down shares
// them; the bytes equal the test's own encoding and parse back.
void Tst_sipc_send::frames_in_place()
{
    QFETCH(Frame, frame);
    Sipc_protocol_handler handler(frame.source_port);
    Lower_layer lower;
    handler.set_lower_send_callback(make_member_callback(&lower, &Lower_layer::take));
    handler.start();
    Tac_lower_protocol_send_callback_object record = record_for(frame);
    const vq::Tac_counted_buffer* block = record.pdu.storage;
    handler.send(&record);
    QCOMPARE(record.status, std::int32_t(vq::tac_status_delivered));
    QCOMPARE(bytes_of(record.pdu), frame.bytes());
    QCOMPARE(lower.taken.size(), 1);
    QCOMPARE(lower.taken[0].pdu.storage, block);
    QCOMPARE(lower.taken[0].address, frame.destination_address);
    QCOMPARE(lower.taken[0].port, frame.destination_port);

    Sipc_protocol_handler receiver(frame.destination_port);
    Recorder recorder;
    recorder.attach(receiver, true);
    feed(receiver, bytes_of(record.pdu));
    QCOMPARE(recorder.frames(), QList<QByteArray>{frame.bytes()});
}

void Tst_sipc_send::delivery_status_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("lower");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("status");
    QTest::newRow("stopped: 1") << false << true << 5 << 30 << 1;
    QTest::newRow("no lower layer: 0") << true << false << 5 << 30 << 0;
    QTest::newRow("lower layer delivers: 5") << true << true << 5 << 30 << 5;
    QTest::newRow("lower layer reports 4: 4") << true << true << 4 << 30 << 4;
    QTest::newRow("22 bytes (L = 0): 5") << true << true << 5 << 22 << 5;
    QTest::newRow("21 bytes, no room for the frame: 2") << true << true << 5 << 21 << 2;
    QTest::newRow("empty buffer: 2") << true << true << 5 << 0 << 2;
    QTest::newRow("length beyond 16 bits: 2") << true << true << 5 << 65536 + 22 << 2;
}

void Tst_sipc_send::delivery_status()
{
    QFETCH(bool, started);
    QFETCH(bool, lower);
    QFETCH(int, answer);
    QFETCH(int, size);
    Sipc_protocol_handler handler(1);
    Lower_layer layer;
    layer.answer = answer;
    handler.set_lower_send_callback(make_member_callback(&layer, &Lower_layer::take));
    if (!lower) {
        handler.clear_lower_send_callback();
    }
    QCOMPARE(handler.is_lower_send_callback_set(), lower);
    if (started) {
        handler.start();
    }
    Tac_lower_protocol_send_callback_object record;
    record.pdu = Tac_pdu_buffer(std::uint32_t(size));
    handler.send(&record);
    QTEST(int(record.status), "status");
    QFETCH(int, status);
    QCOMPARE(layer.taken.size(), status >= 4 ? 1 : 0);
    if (size == 22 && status == 5) {
        // An empty payload carries 0 as its CRC.
        QCOMPARE(bytes_of(record.pdu).right(2), QByteArray::fromHex("0000"));
    }
}

void Tst_sipc_send::send_hook_takes_frames()
{
    Handler_with_hook handler(1);
    handler.start();
    Frame frame;
    frame.payload = "hook";
    Tac_lower_protocol_send_callback_object record = record_for(frame);
    handler.send(&record);
    QCOMPARE(record.status, std::int32_t(vq::tac_status_delivered));
    QCOMPARE(handler.sent, frame.bytes());
    QCOMPARE(handler.address, frame.destination_address);
    QCOMPARE(handler.port, frame.destination_port);
    handler.stop();
    handler.send(&record);
    QCOMPARE(record.status, std::int32_t(vq::tac_status_stopped));
}

void Tst_sipc_send::frame_readers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    Frame frame;
    frame.payload = QByteArray::fromHex("DEADBEEF");
    frame.channel = 0;
    frame.destination_address = 0x11223344;
    frame.destination_port = 0x5566;
    frame.source_address = 0x778899AA;
    frame.source_port = 0xBBCC;
    QTest::newRow(wire_name(frame.bytes())) << frame.bytes();
    frame.payload.clear();
    frame.channel = 1;
    QTest::newRow(wire_name(frame.bytes())) << frame.bytes();
}

void Tst_sipc_send::frame_readers()
{
    QFETCH(QByteArray, bytes);
    const Tac_pdu_buffer frame(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               std::uint32_t(bytes.size()));
    auto u16_at = [&](int i) { return quint16((quint8(bytes[i]) << 8) | quint8(bytes[i + 1])); };
    auto u32_at = [&](int i) { return quint32(u16_at(i)) << 16 | u16_at(i + 2); };
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    QVERIFY(Sipc_protocol_handler::get_frame_sync_word(frame, u16));
    QCOMPARE(u16, 0xC67D);
    QVERIFY(Sipc_protocol_handler::get_frame_header_type(frame, u8));
    QCOMPARE(u8, 0x10);
    QVERIFY(Sipc_protocol_handler::get_frame_destination_address(frame, u32));
    QCOMPARE(u32, u32_at(3));
    QVERIFY(Sipc_protocol_handler::get_frame_destination_port(frame, u16));
    QCOMPARE(u16, u16_at(7));
    QVERIFY(Sipc_protocol_handler::get_frame_source_address(frame, u32));
    QCOMPARE(u32, u32_at(9));
    QVERIFY(Sipc_protocol_handler::get_frame_source_port(frame, u16));
    QCOMPARE(u16, u16_at(13));
    QVERIFY(Sipc_protocol_handler::get_frame_channel(frame, u8));
    QCOMPARE(u8, quint8(bytes[15]));
    QVERIFY(Sipc_protocol_handler::get_frame_length(frame, u16));
    QCOMPARE(int(u16), bytes.size() - 22);
    QVERIFY(Sipc_protocol_handler::get_frame_header_crc(frame, u16));
    QCOMPARE(u16, crc(bytes.left(18)));
    QVERIFY(Sipc_protocol_handler::get_frame_payload_crc(frame, u16));
    QCOMPARE(u16, crc(bytes.mid(20, bytes.size() - 22)));
    Tac_pdu_buffer payload(3);
    QVERIFY(Sipc_protocol_handler::get_frame_payload(frame, payload));
    QCOMPARE(int(payload.size()), bytes.size() - 22);
    if (payload.size() != 0) {
        QCOMPARE(bytes_of(payload), bytes.mid(20, bytes.size() - 22));
    }
    // Rewriting the header and checksums in place reproduces the frame.
    Tac_pdu_buffer rewritten(frame);
    rewritten.reset_to_size(frame.size());
    std::uint32_t position = 0;
    rewritten.append_buffer_at(position, frame, false);
    std::uint32_t zero = 0;
    QVERIFY(rewritten.put_u32_at(zero, 0)); // spoil the sync word
    QVERIFY(Sipc_protocol_handler::write_frame(rewritten, quint8(bytes[15]), u32_at(3), u16_at(7),
                                               u32_at(9), u16_at(13)));
    QCOMPARE(bytes_of(rewritten), bytes);
}

// The whole-buffer entry: status, return value and what arrives.
void Tst_sipc_send::receive_buffer_data()
{
    QTest::addColumn<bool>("started");
    QTest::addColumn<QByteArray>("in_ring");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("channel_0");
    QTest::addColumn<int>("status");
    QTest::addColumn<QList<QByteArray>>("frames");
    const QByteArray a = frame_bytes("A");
    const QByteArray b = frame_bytes("BB");
    const QByteArray on_0 = frame_bytes("zero", 0);
    QTest::newRow("stopped: 1") << false << QByteArray() << a << false << 1 << QList<QByteArray>{};
    QTest::newRow("larger than the ring: 4")
        << true << QByteArray() << QByteArray(7169, '\0') << false << 4 << QList<QByteArray>{};
    QTest::newRow("one frame") << true << QByteArray() << a << false << 5 << QList<QByteArray>{a};
    QTest::newRow("frame and a frame behind it")
        << true << QByteArray() << a + b << false << 5 << QList<QByteArray>{a, b};
    QTest::newRow("frame and the start of the next, then the rest")
        << true << QByteArray() << a + b.left(9) << false << 5 << QList<QByteArray>{a};
    QTest::newRow("unwanted channel-0 frame, the frame behind it survives")
        << true << QByteArray() << on_0 + b << false << 5 << QList<QByteArray>{b};
    QTest::newRow("channel-0 frame wanted")
        << true << QByteArray() << on_0 + b << true << 5 << QList<QByteArray>{on_0, b};
    QTest::newRow("garbage first") << true << QByteArray() << QByteArray::fromHex("0102C6") + a
                                   << false << 5 << QList<QByteArray>{a};
    QTest::newRow("completes the frame in the ring")
        << true << a.left(10) << a.mid(10) + b << false << 5 << QList<QByteArray>{a, b};
    const QByteArray big = frame_bytes(random_bytes(5000, 4));
    QTest::newRow("more than the free space: taken in parts")
        << true << big.left(5000) << big.mid(5000) + big << false << 5
        << QList<QByteArray>{big, big};
}

void Tst_sipc_send::receive_buffer()
{
    QFETCH(bool, started);
    QFETCH(QByteArray, in_ring);
    QFETCH(QByteArray, buffer);
    QFETCH(bool, channel_0);
    QFETCH(int, status);
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler, channel_0);
    if (started) {
        handler.start();
    }
    feed(handler, in_ring);
    Tac_callback_object record;
    record.pdu = Tac_pdu_buffer(reinterpret_cast<const std::uint8_t*>(buffer.constData()),
                                std::uint32_t(buffer.size()));
    QCOMPARE(handler.receive_buffer(&record), status == 5);
    QCOMPARE(int(record.status), status);
    QTEST(recorder.frames(), "frames");
}

QTEST_APPLESS_MAIN(Tst_sipc_send)
#include "tst_sipc_send.moc"
