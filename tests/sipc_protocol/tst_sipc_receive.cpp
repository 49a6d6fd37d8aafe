#include "sipc_test_frames.h"

#include <QtTest>

using namespace sipc_test;
using vq::Sipc_protocol_handler;

namespace {

// The two-frame stream that the chunking tests cut up. The second payload
// holds a sync word and a whole header-like run, so that a parser that
// looked inside a validated frame would be caught.
QByteArray two_frames()
{
    return frame_bytes(QByteArray::fromHex("0001000200000007")) +
           frame_bytes(QByteArray::fromHex("C67D10000000010002") + QByteArray(5, '\x55'));
}

QList<QByteArray> frames_of_two()
{
    return {frame_bytes(QByteArray::fromHex("0001000200000007")),
            frame_bytes(QByteArray::fromHex("C67D10000000010002") + QByteArray(5, '\x55'))};
}

} // namespace

class Tst_sipc_receive : public QObject
{
    Q_OBJECT

private slots:
    void chunking_data();
    void chunking();
    void every_two_cut_split();
    void skipped_data();
    void skipped();
    void lone_sync_byte_survives();
    void empty_payload_data();
    void empty_payload();
    void channels_data();
    void channels();
    void chunk_larger_than_free_space_data();
    void chunk_larger_than_free_space();
    void largest_frame_fills_the_ring();
    void ring_never_wedges_data();
    void ring_never_wedges();
    void parses_while_stopped();
    void bytes_fed_from_a_callback_wait_their_turn();
    void callback_clearing_itself();
};

// Cuts the stream into chunks of the given sizes (repeating the last one);
// a seed instead picks random chunk sizes of 1 to 40 bytes.
void Tst_sipc_receive::chunking_data()
{
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<quint32>("seed");
    for (int size : {1, 2, 3, 7, 8, 19, 20, 21, 22, 23, 29, 64}) {
        QTest::addRow("%d bytes at a time", size) << QList<int>{size} << 0u;
    }
    QTest::newRow("whole stream") << QList<int>{4096} << 0u;
    QTest::newRow("header then the rest") << QList<int>{20, 4096} << 0u;
    QTest::newRow("first frame less one byte") << QList<int>{29, 4096} << 0u;
    for (quint32 seed = 1; seed <= 24; ++seed) {
        QTest::addRow("random splits %u", seed) << QList<int>{} << seed;
    }
}

void Tst_sipc_receive::chunking()
{
    QFETCH(QList<int>, sizes);
    QFETCH(quint32, seed);
    Sipc_protocol_handler handler(0x2711);
    Recorder recorder;
    recorder.attach(handler);
    const QByteArray stream = two_frames();
    QRandomGenerator generator(seed);
    int position = 0;
    for (int chunk = 0; position < stream.size(); ++chunk) {
        const int size =
            seed != 0 ? int(generator.bounded(1, 41)) : sizes.value(chunk, sizes.last());
        const QByteArray part = stream.mid(position, size);
        const int before = recorder.deliveries.size();
        feed(handler, part);
        position += part.size();
        // A frame is delivered exactly when its last byte arrives.
        const int whole = position >= stream.size() ? 2 : position >= 30 ? 1 : 0;
        QCOMPARE(recorder.deliveries.size(), whole);
        Q_UNUSED(before);
    }
    QCOMPARE(recorder.frames(), frames_of_two());
    QCOMPARE(handler.ring().filled_count(), 0u);
}

void Tst_sipc_receive::every_two_cut_split()
{
    const QByteArray stream = two_frames();
    for (int first = 1; first < stream.size(); ++first) {
        for (int second = first; second < stream.size(); ++second) {
            Sipc_protocol_handler handler(1);
            Recorder recorder;
            recorder.attach(handler);
            feed(handler, stream.left(first));
            feed(handler, stream.mid(first, second - first));
            feed(handler, stream.mid(second));
            if (recorder.frames() != frames_of_two()) {
                QFAIL(qPrintable(QString("cuts at %1 and %2").arg(first).arg(second)));
            }
        }
    }
}

// Something that must be skipped, followed by a good frame: only the good
// frame arrives, whether the bytes come at once or one by one.
void Tst_sipc_receive::skipped_data()
{
    QTest::addColumn<QByteArray>("junk");
    const QByteArray payload = QByteArray::fromHex("0003000100000003");
    auto add = [](const QByteArray& junk, const char* what) {
        QTest::newRow(wire_name(junk) + " " + what) << junk;
    };
    add(QByteArray::fromHex("0102030405"), "garbage");
    add(QByteArray::fromHex("C67D") + random_bytes(30, 7), "false sync word and 30 bytes");
    add(QByteArray::fromHex("C67DC67DC67DC6"), "run of sync words");
    Frame frame;
    frame.payload = payload;
    frame.type = 0x11;
    add(frame.bytes(), "header type 0x11");
    frame = Frame();
    frame.payload = payload;
    frame.channel = 2;
    add(frame.bytes(), "channel 2");
    frame = Frame();
    frame.payload = payload;
    frame.header_crc_xor = 0x0100;
    add(frame.bytes(), "bad header CRC");
    frame = Frame();
    frame.payload = payload;
    frame.payload_crc_xor = 0x0001;
    add(frame.bytes(), "bad payload CRC");
    frame = Frame();
    frame.payload_crc_xor = 0x1234;
    add(frame.bytes(), "L = 0 with a payload CRC other than 0");
    // A header that validates but announces more than the ring can hold:
    // rejected at once, so the good frame behind it is not held back.
    frame = Frame();
    frame.length = 7147;
    add(frame.bytes().left(20), "L = 7147");
    frame.length = 0xFFFF;
    add(frame.bytes().left(20), "L = 65535");
    // A header whose frame is cut short: its length swallows the good frame,
    // whose bytes are found again after the payload CRC fails.
    frame = Frame();
    frame.payload = random_bytes(10, 3);
    frame.length = 40;
    add(frame.bytes().left(24), "truncated frame");
}

void Tst_sipc_receive::skipped()
{
    QFETCH(QByteArray, junk);
    const QByteArray good = frame_bytes(QByteArray::fromHex("0003000100000003"));
    // Some bytes after the good frame let a truncated frame's length run out.
    const QByteArray stream = junk + good + QByteArray(64, '\0');
    for (const bool bytewise : {false, true}) {
        Sipc_protocol_handler handler(1);
        Recorder recorder;
        recorder.attach(handler);
        if (bytewise) {
            for (const char c : stream) {
                feed(handler, QByteArray(1, c));
            }
        } else {
            feed(handler, stream);
        }
        QCOMPARE(recorder.frames(), QList<QByteArray>{good});
        QVERIFY(handler.ring().filled_count() <= 1);
    }
}

void Tst_sipc_receive::lone_sync_byte_survives()
{
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler);
    feed(handler, QByteArray::fromHex("01020304C6"));
    QCOMPARE(handler.ring().filled_count(), 1u);
    std::uint8_t kept = 0;
    QVERIFY(handler.ring().peek_u8(0, kept));
    QCOMPARE(kept, std::uint8_t(0xC6));
    const QByteArray frame = frame_bytes(QByteArray::fromHex("AA"));
    feed(handler, frame.mid(1));
    QCOMPARE(recorder.frames(), QList<QByteArray>{frame});
}

void Tst_sipc_receive::empty_payload_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("delivered");
    Frame frame;
    QTest::newRow(wire_name(frame.bytes())) << frame.bytes() << true;
    frame.channel = 0;
    QTest::newRow(wire_name(frame.bytes()) + " on channel 0") << frame.bytes() << true;
    frame.payload_crc_xor = 0x1D0F; // the preset instead of 0
    QTest::newRow(wire_name(frame.bytes()) + " preset as CRC") << frame.bytes() << false;
}

void Tst_sipc_receive::empty_payload()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, delivered);
    QCOMPARE(frame.size(), 22);
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler, true);
    feed(handler, frame);
    QCOMPARE(recorder.frames(), delivered ? QList<QByteArray>{frame} : QList<QByteArray>{});
}

// Frames on channels 0 and 1 with callbacks set as given.
void Tst_sipc_receive::channels_data()
{
    QTest::addColumn<bool>("set_0");
    QTest::addColumn<bool>("set_1");
    QTest::addColumn<QList<int>>("channels");
    QTest::newRow("only channel 1: channel 0 dropped") << false << true << QList<int>{1};
    QTest::newRow("both") << true << true << QList<int>{0, 1};
    QTest::newRow("only channel 0") << true << false << QList<int>{0};
    QTest::newRow("none") << false << false << QList<int>{};
}

void Tst_sipc_receive::channels()
{
    QFETCH(bool, set_0);
    QFETCH(bool, set_1);
    QFETCH(QList<int>, channels);
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler, true);
    if (!set_0) {
        QVERIFY(handler.clear_receive_callback(0));
    }
    if (!set_1) {
        QVERIFY(handler.clear_receive_callback(1));
    }
    QVERIFY(!handler.set_receive_callback(2, Callback<vq::Tac_callback_object*>()));
    QVERIFY(!handler.is_receive_callback_set(2));
    Frame frame;
    frame.payload = QByteArray::fromHex("0102");
    frame.channel = 0;
    frame.source_address = 0x01020304;
    frame.source_port = 0x0506;
    const QByteArray on_0 = frame.bytes();
    frame.channel = 1;
    frame.source_address = 0x0A0B0C0D;
    frame.source_port = 0x0E0F;
    const QByteArray on_1 = frame.bytes();
    feed(handler, on_0 + on_1);
    QList<int> seen;
    for (const auto& delivery : recorder.deliveries) {
        seen << delivery.channel;
        QCOMPARE(delivery.bytes, delivery.channel == 0 ? on_0 : on_1);
        QCOMPARE(delivery.address, delivery.channel == 0 ? 0x01020304u : 0x0A0B0C0Du);
        QCOMPARE(delivery.port, quint16(delivery.channel == 0 ? 0x0506 : 0x0E0F));
        QCOMPARE(delivery.status, std::int32_t(vq::tac_status_delivered));
    }
    QCOMPARE(seen, channels);
    QCOMPARE(handler.statistics().frames_dropped, quint64(2 - channels.size()));
    QCOMPARE(handler.ring().filled_count(), 0u);
}

// Many frames in one call, more than the ring holds: all arrive, in order,
// also when the ring already holds the start of the first one.
void Tst_sipc_receive::chunk_larger_than_free_space_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("payload");
    QTest::addColumn<int>("head_start");
    QTest::newRow("40 x 400 bytes") << 40 << 378 << 0;
    QTest::newRow("40 x 400 bytes, 17 already in the ring") << 40 << 378 << 17;
    QTest::newRow("5 x 7168 bytes") << 5 << 7146 << 0;
    QTest::newRow("5 x 7168 bytes, 7000 already in the ring") << 5 << 7146 << 7000;
    QTest::newRow("3000 x 22 bytes") << 3000 << 0 << 21;
}

void Tst_sipc_receive::chunk_larger_than_free_space()
{
    QFETCH(int, frames);
    QFETCH(int, payload);
    QFETCH(int, head_start);
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler);
    QList<QByteArray> expected;
    QByteArray stream;
    for (int i = 0; i < frames; ++i) {
        expected << frame_bytes(random_bytes(payload, quint32(i + 1)));
        stream += expected.last();
    }
    feed(handler, stream.left(head_start));
    QCOMPARE(handler.ring().filled_count(), quint32(head_start));
    feed(handler, stream.mid(head_start));
    QCOMPARE(recorder.deliveries.size(), frames);
    QCOMPARE(recorder.frames(), expected);
}

void Tst_sipc_receive::largest_frame_fills_the_ring()
{
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler);
    const QByteArray frame = frame_bytes(random_bytes(7146, 99));
    QCOMPARE(frame.size(), 7168);
    feed(handler, frame.left(7167));
    QCOMPARE(handler.ring().filled_count(), 7167u);
    QVERIFY(recorder.deliveries.isEmpty());
    feed(handler, frame.right(1));
    QCOMPARE(recorder.frames(), QList<QByteArray>{frame});
}

// The ring is full with no frame to complete only if a header announced a
// frame that cannot fit; such a header is refused, so after every call the
// ring has room and the stream goes on. Good frames after the junk arrive.
void Tst_sipc_receive::ring_never_wedges_data()
{
    QTest::addColumn<QByteArray>("junk");
    QTest::addColumn<int>("chunk");
    Frame frame;
    frame.payload = random_bytes(7146, 5);
    frame.payload_crc_xor = 1;
    QTest::newRow("largest frame with a bad payload CRC, whole") << frame.bytes() << 100000;
    QTest::newRow("largest frame with a bad payload CRC, 1000 at a time") << frame.bytes() << 1000;
    frame = Frame();
    frame.length = 7147;
    QTest::newRow("header announcing L = 7147, then random")
        << frame.bytes().left(20) + random_bytes(9000, 6) << 4096;
    QTest::newRow("20000 random bytes") << random_bytes(20000, 8) << 4096;
    QByteArray flood;
    for (int i = 0; i < 9000; ++i) {
        flood += QByteArray::fromHex("C67D");
    }
    QTest::newRow("C67D flood") << flood << 4096;
    QTest::newRow("C67D flood, one at a time") << flood << 1;
}

void Tst_sipc_receive::ring_never_wedges()
{
    QFETCH(QByteArray, junk);
    QFETCH(int, chunk);
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler);
    for (int position = 0; position < junk.size(); position += chunk) {
        feed(handler, junk.mid(position, chunk));
        QVERIFY(handler.ring().free_count() > 0);
    }
    // Whatever a random stream happened to frame, the good frames that
    // follow it arrive, each once and in order.
    QList<QByteArray> good;
    for (int i = 0; i < 3; ++i) {
        good << frame_bytes(random_bytes(300, quint32(100 + i)));
    }
    const int before = recorder.deliveries.size();
    feed(handler, good[0] + good[1] + good[2] + QByteArray(7200, '\0'));
    const QList<QByteArray> after = recorder.frames().mid(before);
    QVERIFY(after.size() >= 3);
    QCOMPARE(after.mid(after.size() - 3), good);
}

void Tst_sipc_receive::parses_while_stopped()
{
    Sipc_protocol_handler handler(1);
    Recorder recorder;
    recorder.attach(handler);
    QVERIFY(!handler.is_started());
    const QByteArray frame = frame_bytes("stopped");
    feed(handler, frame);
    QCOMPARE(recorder.frames(), QList<QByteArray>{frame});
}

namespace {

// Feeds a further frame into the handler from inside the first delivery.
class Echoing_recorder : public Recorder
{
public:
    void on_frame(vq::Tac_callback_object* record)
    {
        on_channel_1(record);
        if (!echo.isEmpty()) {
            const QByteArray bytes = echo;
            echo.clear();
            feed(*handler, bytes);
        }
    }
    Sipc_protocol_handler* handler = nullptr;
    QByteArray echo;
};

class Self_clearing_recorder : public Recorder
{
public:
    void on_frame(vq::Tac_callback_object* record)
    {
        on_channel_1(record);
        handler->clear_receive_callback(1);
    }
    Sipc_protocol_handler* handler = nullptr;
};

} // namespace

void Tst_sipc_receive::bytes_fed_from_a_callback_wait_their_turn()
{
    Sipc_protocol_handler handler(1);
    Echoing_recorder recorder;
    recorder.handler = &handler;
    handler.set_receive_callback(1, make_member_callback(&recorder, &Echoing_recorder::on_frame));
    const QByteArray first = frame_bytes("first");
    const QByteArray second = frame_bytes("second");
    const QByteArray third = frame_bytes("third");
    recorder.echo = third;
    feed(handler, first + second);
    QCOMPARE(recorder.frames(), (QList<QByteArray>{first, second, third}));
}

void Tst_sipc_receive::callback_clearing_itself()
{
    Sipc_protocol_handler handler(1);
    Self_clearing_recorder recorder;
    recorder.handler = &handler;
    handler.set_receive_callback(
        1, make_member_callback(&recorder, &Self_clearing_recorder::on_frame));
    const QByteArray first = frame_bytes("first");
    feed(handler, first + frame_bytes("second"));
    QCOMPARE(recorder.frames(), QList<QByteArray>{first});
    QCOMPARE(handler.statistics().frames_dropped, quint64(1));
}

QTEST_APPLESS_MAIN(Tst_sipc_receive)
#include "tst_sipc_receive.moc"
