// TAC1 header core: byte layout, type and identifier reading, decode order,
// error and reason names, ACK and NACK.
#include "tac1_pdu.h"

#include <QtTest>
#include <cstring>

using namespace vq;

Q_DECLARE_METATYPE(vq::Tac_message_types)

namespace {

constexpr std::uint32_t reserve = 22;
constexpr std::uint32_t header = 20;

QByteArray bytes_of(const Tac_pdu_buffer& buffer)
{
    return QByteArray(reinterpret_cast<const char*>(buffer.data()),
                      static_cast<int>(buffer.size()));
}

// A received frame: 20 framing bytes, the given TAC1 bytes, 2 trailer bytes.
Tac_pdu_buffer frame_of(const QByteArray& tac1)
{
    QByteArray frame(static_cast<int>(header), '\xEE');
    frame += tac1;
    frame += QByteArray(2, '\xEE');
    return Tac_pdu_buffer(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                          static_cast<std::uint32_t>(frame.size()));
}

enum class Kind
{
    set,
    get,
    indication,
};

// A message class as the catalogue declares them: size check, then the
// identifier and type rules of its kind.
class Probe : public Tac1_pdu
{
public:
    Probe(const Tac_pdu_buffer& received, Kind kind, std::uint32_t own, std::uint32_t payload)
        : Tac1_pdu(received, ::reserve, ::header)
    {
        if (!check_size(payload)) {
            return;
        }
        switch (kind) {
        case Kind::set:
            check_set(own);
            break;
        case Kind::get:
            check_get(own);
            break;
        case Kind::indication:
            check_indication(own);
            break;
        }
    }
};

} // namespace

Q_DECLARE_METATYPE(Kind)

class Tst_tac1_pdu : public QObject
{
    Q_OBJECT

private slots:
    void build_layout_data();
    void build_layout();
    void header_readers_data();
    void header_readers();
    void decode_order_data();
    void decode_order();
    void pdu_error_names_data();
    void pdu_error_names();
    void nack_reason_texts_data();
    void nack_reason_texts();
    void error_to_reason_data();
    void error_to_reason();
    void reason_for_expected_type_data();
    void reason_for_expected_type();
    void ack_nack_decode_data();
    void ack_nack_decode();
    void nack_fields();
    void copies_share_bytes();
    void unshared_decode_copies_at_header_offset();
    void short_buffer_has_no_payload();
    void payload_copy_bounds_data();
    void payload_copy_bounds();
    void payload_readers_past_end_yield_zero();
};

void Tst_tac1_pdu::build_layout_data()
{
    QTest::addColumn<int>("what");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("tac1");

    // what: 0 = request with one payload byte 3, 1 = ACK, 2 = NACK reason 32,
    // 3 = request re-typed as RESPONSE with the partner identifier
    QTest::newRow("get 00020002 tr 7 byte 3") << 0 << 29 << QByteArray::fromHex("00020002070203");
    QTest::newRow("ack 000A0001 tr 255") << 1 << 28 << QByteArray::fromHex("000A0001FF00");
    QTest::newRow("nack 32 00020001 tr 9") << 2 << 41
                                           << QByteArray::fromHex("000200010901"
                                                                  "00000020"
                                                                  "00000000"
                                                                  "00000000"
                                                                  "01");
    QTest::newRow("set as response") << 3 << 29 << QByteArray::fromHex("00020002070303");
}

void Tst_tac1_pdu::build_layout()
{
    QFETCH(int, what);
    QFETCH(int, size);
    QFETCH(QByteArray, tac1);

    Tac_pdu_buffer bytes;
    std::int32_t error = -1;
    if (what == 0 || what == 3) {
        Tac1_pdu pdu(what == 0 ? 0x00020002 : 0x00020001, 7, Tac_message_types::REQUEST, reserve, 1,
                     header);
        if (what == 3) {
            QVERIFY(pdu.set_identifier(0x00020002));
            QVERIFY(pdu.set_type(Tac_message_types::RESPONSE));
        }
        QVERIFY(pdu.put_u8(3));
        QCOMPARE(pdu.payload_length(), 1u);
        bytes = pdu.buffer();
        error = pdu.error();
    } else if (what == 1) {
        Tac1_ack ack(0x000A0001, 255, reserve, header);
        bytes = ack.buffer();
        error = ack.error();
    } else {
        Tac1_nack nack(TAC1_NACK_MSG_NOT_IMPLEMENTED, 0x00020001, 9, reserve, header);
        bytes = nack.buffer();
        error = nack.error();
    }
    QCOMPARE(error, 0);
    QCOMPARE(int(bytes.size()), size);
    QCOMPARE(bytes_of(bytes).mid(int(header), tac1.size()).toHex(), tac1.toHex());
}

void Tst_tac1_pdu::header_readers_data()
{
    QTest::addColumn<QByteArray>("tac1");
    QTest::addColumn<uint>("identifier");     // bare reader
    QTest::addColumn<uint>("raw_identifier"); // member reader
    QTest::addColumn<int>("transaction");
    QTest::addColumn<Tac_message_types>("type");

    QTest::newRow("ack") << QByteArray::fromHex("000200010100") << 0x00020001u << 0x00020001u << 1
                         << Tac_message_types::ACK;
    QTest::newRow("indication") << QByteArray::fromHex("000300AC2A04") << 0x000300ACu << 0x000300ACu
                                << 42 << Tac_message_types::INDICATION;
    QTest::newRow("type 5") << QByteArray::fromHex("000000010105") << 1u << 1u << 1
                            << Tac_message_types::INVALID;
    QTest::newRow("type 6") << QByteArray::fromHex("000000010106") << 1u << 1u << 1
                            << Tac_message_types::INVALID;
    QTest::newRow("type FF") << QByteArray::fromHex("0000000101FF") << 1u << 1u << 1
                             << Tac_message_types::INVALID;
    QTest::newRow("highest identifier") << QByteArray::fromHex("0320001C0702") << 0x0320001Cu
                                        << 0x0320001Cu << 7 << Tac_message_types::REQUEST;
    QTest::newRow("identifier past the highest") << QByteArray::fromHex("0320001D0702") << 0u
                                                 << 0x0320001Du << 7 << Tac_message_types::REQUEST;
    QTest::newRow("no type byte") << QByteArray::fromHex("0002000107") << 0x00020001u << 0x00020001u
                                  << 7 << Tac_message_types::INVALID;
    QTest::newRow("no identifier")
        << QByteArray::fromHex("0002") << 0u << 0u << 0 << Tac_message_types::INVALID;
}

void Tst_tac1_pdu::header_readers()
{
    QFETCH(QByteArray, tac1);
    QFETCH(uint, identifier);
    QFETCH(uint, raw_identifier);
    QFETCH(int, transaction);
    QFETCH(Tac_message_types, type);

    // Without the trailer, so that a short TAC1 part really is short.
    QByteArray frame(int(header), '\0');
    frame += tac1;
    const Tac_pdu_buffer buffer(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                std::uint32_t(frame.size()));
    QCOMPARE(Tac1_pdu::identifier_of(buffer, header), identifier);
    QCOMPARE(int(Tac1_pdu::transaction_of(buffer, header)), transaction);
    QCOMPARE(Tac1_pdu::type_of(buffer, header), type);
    QCOMPARE(Tac1_pdu::is_ack(buffer, header), type == Tac_message_types::ACK);
    QCOMPARE(Tac1_pdu::is_indication(buffer, header), type == Tac_message_types::INDICATION);
    QCOMPARE(Tac1_pdu::is_request(buffer, header), type == Tac_message_types::REQUEST);
    QCOMPARE(Tac1_pdu::is_invalid(buffer, header), type == Tac_message_types::INVALID);

    const Tac1_pdu pdu(buffer, reserve, header);
    QCOMPARE(pdu.identifier(), raw_identifier);
    QCOMPARE(int(pdu.transaction()), transaction);
    QCOMPARE(pdu.type(), type);
}

void Tst_tac1_pdu::decode_order_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<uint>("own");
    QTest::addColumn<uint>("payload");
    QTest::addColumn<QByteArray>("tac1");
    QTest::addColumn<int>("error");

    // Size comes first: a wrong identifier and type do not matter then.
    QTest::newRow("get one byte long, wrong id")
        << Kind::get << 0x00020002u << 1u << QByteArray::fromHex("0009000907040300") << 2;
    QTest::newRow("get one byte short, wrong id")
        << Kind::get << 0x00020002u << 1u << QByteArray::fromHex("000900090704") << 3;
    QTest::newRow("get right size, wrong id and type")
        << Kind::get << 0x00020002u << 1u << QByteArray::fromHex("00090009070403") << 5;
    QTest::newRow("get right id, type response")
        << Kind::get << 0x00020002u << 1u << QByteArray::fromHex("00020002070303") << 4;
    QTest::newRow("get request") << Kind::get << 0x00020002u << 1u
                                 << QByteArray::fromHex("00020002070203") << 0;
    QTest::newRow("set own id request")
        << Kind::set << 0x00020001u << 0u << QByteArray::fromHex("000200010702") << 0;
    QTest::newRow("set own id indication")
        << Kind::set << 0x00020001u << 0u << QByteArray::fromHex("000200010704") << 0;
    QTest::newRow("set own id response")
        << Kind::set << 0x00020001u << 0u << QByteArray::fromHex("000200010703") << 4;
    QTest::newRow("set own id ack")
        << Kind::set << 0x00020001u << 0u << QByteArray::fromHex("000200010700") << 4;
    QTest::newRow("set partner id response")
        << Kind::set << 0x00020001u << 0u << QByteArray::fromHex("000200020703") << 0;
    QTest::newRow("set any id response")
        << Kind::set << 0x00020001u << 0u << QByteArray::fromHex("012C00090703") << 0;
    QTest::newRow("set partner id request")
        << Kind::set << 0x00020001u << 0u << QByteArray::fromHex("000200020702") << 5;
    QTest::newRow("indication") << Kind::indication << 0x000300ACu << 0u
                                << QByteArray::fromHex("000300AC0104") << 0;
    QTest::newRow("indication typed request")
        << Kind::indication << 0x000300ACu << 0u << QByteArray::fromHex("000300AC0102") << 4;
    QTest::newRow("indication wrong id")
        << Kind::indication << 0x000300ACu << 0u << QByteArray::fromHex("000300AD0104") << 5;
    QTest::newRow("indication type 9")
        << Kind::indication << 0x000300ACu << 0u << QByteArray::fromHex("000300AC0109") << 4;
}

void Tst_tac1_pdu::decode_order()
{
    QFETCH(Kind, kind);
    QFETCH(uint, own);
    QFETCH(uint, payload);
    QFETCH(QByteArray, tac1);
    QFETCH(int, error);

    const Probe probe(frame_of(tac1), kind, own, payload);
    QCOMPARE(probe.error(), error);
    QCOMPARE(probe.ok(), error == 0);
}

void Tst_tac1_pdu::pdu_error_names_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << "TAC1 PDU ERR NONE";
    QTest::newRow("1") << 1 << "TAC1 PDU BUFFER GENERAL WRITE ERROR";
    QTest::newRow("2") << 2 << "TAC1 PDU BUFFER EXCEEDS EXPECTED SIZE";
    QTest::newRow("3") << 3 << "TAC1 PDU BUFFER BELOW EXPECTED SIZE";
    QTest::newRow("4") << 4 << "TAC1 PDU UNEXPECTED MESSAGE TYPE";
    QTest::newRow("5") << 5 << "TAC1 PDU UNEXPECTED MESSAGE ID";
    QTest::newRow("6") << 6 << "UNKNOWN";
    QTest::newRow("-1") << -1 << "UNKNOWN";
}

void Tst_tac1_pdu::pdu_error_names()
{
    QFETCH(int, error);
    QFETCH(QString, name);
    QCOMPARE(QString::fromLatin1(name_of(error)), name);
}

void Tst_tac1_pdu::nack_reason_texts_data()
{
    QTest::addColumn<uint>("reason");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0u << "NONE";
    QTest::newRow("1") << 1u << "UNKNOWN";
    QTest::newRow("2") << 2u << "VALID OTHER MSG TYPE FOR MSG ID";
    QTest::newRow("3") << 3u << "UNKNOWN";
    QTest::newRow("31") << 31u << "UNKNOWN";
    QTest::newRow("32") << 32u << "MSG NOT IMPLEMENTED";
    QTest::newRow("33") << 33u << "MSG BELOW EXPECTED SIZE";
    QTest::newRow("34") << 34u << "MSG EXCEEDS EXPECTED SIZE";
    QTest::newRow("35") << 35u << "UNDEFINED MSG ID";
    QTest::newRow("36") << 36u << "UNDEFINED MSG TYPE";
    QTest::newRow("37") << 37u << "COMMAND NOT EXECUTED";
    QTest::newRow("38") << 38u << "UNKNOWN";
    QTest::newRow("127") << 127u << "UNKNOWN";
    QTest::newRow("128") << 128u << "PARAMETER BASE";
    QTest::newRow("129") << 129u << "PARAMETER 1";
    QTest::newRow("137") << 137u << "PARAMETER 9";
    QTest::newRow("140") << 140u << "PARAMETER 12";
    QTest::newRow("148") << 148u << "PARAMETER 20";
    QTest::newRow("149") << 149u << "UNKNOWN";
    QTest::newRow("256") << 256u << "UNKNOWN";
    QTest::newRow("max") << 0xFFFFFFFFu << "UNKNOWN";
}

void Tst_tac1_pdu::nack_reason_texts()
{
    QFETCH(uint, reason);
    QFETCH(QString, text);
    QCOMPARE(QString::fromLatin1(nack_reason_text(reason)), text);
}

void Tst_tac1_pdu::error_to_reason_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<uint>("reason");
    QTest::newRow("none") << 0 << 0u;
    QTest::newRow("write") << 1 << 1u;
    QTest::newRow("exceeds") << 2 << 34u;
    QTest::newRow("below") << 3 << 33u;
    QTest::newRow("type") << 4 << 36u;
    QTest::newRow("id") << 5 << 35u;
    QTest::newRow("6") << 6 << 1u;
    QTest::newRow("-7") << -7 << 1u;
}

void Tst_tac1_pdu::error_to_reason()
{
    QFETCH(int, error);
    QFETCH(uint, reason);
    QCOMPARE(nack_reason_of(error), reason);
}

void Tst_tac1_pdu::reason_for_expected_type_data()
{
    QTest::addColumn<QByteArray>("tac1");
    QTest::addColumn<uint>("payload");
    QTest::addColumn<Tac_message_types>("expected");
    QTest::addColumn<uint>("reason");
    QTest::newRow("request, fine")
        << QByteArray::fromHex("00020002070203") << 1u << Tac_message_types::REQUEST << 0u;
    QTest::newRow("request, too long")
        << QByteArray::fromHex("0002000207020304") << 1u << Tac_message_types::REQUEST << 34u;
    QTest::newRow("indication where a request was expected")
        << QByteArray::fromHex("00020002070403") << 1u << Tac_message_types::REQUEST << 36u;
}

void Tst_tac1_pdu::reason_for_expected_type()
{
    QFETCH(QByteArray, tac1);
    QFETCH(uint, payload);
    QFETCH(Tac_message_types, expected);
    QFETCH(uint, reason);
    const Probe probe(frame_of(tac1), Kind::get, 0x00020002, payload);
    QCOMPARE(probe.nack_reason(expected), reason);
}

void Tst_tac1_pdu::ack_nack_decode_data()
{
    QTest::addColumn<bool>("nack");
    QTest::addColumn<QByteArray>("tac1");
    QTest::addColumn<int>("error");

    const QByteArray nack_payload = QByteArray::fromHex("00000089"
                                                        "00000000"
                                                        "00000000"
                                                        "01");
    QTest::newRow("ack") << false << QByteArray::fromHex("777777770100") << 0;
    QTest::newRow("ack any identifier") << false << QByteArray::fromHex("FFFFFFFF0100") << 0;
    QTest::newRow("ack typed nack") << false << QByteArray::fromHex("000200010101") << 4;
    QTest::newRow("ack with a byte") << false << QByteArray::fromHex("00020001010000") << 2;
    QTest::newRow("ack short") << false << QByteArray::fromHex("0002000101") << 3;
    QTest::newRow("nack") << true << QByteArray::fromHex("000200010101") + nack_payload << 0;
    QTest::newRow("nack typed ack")
        << true << QByteArray::fromHex("000200010100") + nack_payload << 4;
    QTest::newRow("nack short") << true
                                << QByteArray::fromHex("000200010101") + nack_payload.left(12) << 3;
    QTest::newRow("nack long") << true << QByteArray::fromHex("000200010101") + nack_payload + 'x'
                               << 2;
    QTest::newRow("nack long typed ack")
        << true << QByteArray::fromHex("000200010100") + nack_payload + 'x' << 2;
}

void Tst_tac1_pdu::ack_nack_decode()
{
    QFETCH(bool, nack);
    QFETCH(QByteArray, tac1);
    QFETCH(int, error);
    const Tac_pdu_buffer frame = frame_of(tac1);
    if (nack) {
        QCOMPARE(Tac1_nack(frame, reserve, header).error(), error);
    } else {
        QCOMPARE(Tac1_ack(frame, reserve, header).error(), error);
    }
}

void Tst_tac1_pdu::nack_fields()
{
    const Tac1_nack sent(tac1_nack_parameter(9), 0x00030009, 200, reserve, header, 0x01020304,
                         0xA0B0C0D0, 7);
    const Tac1_nack received(sent.buffer(), reserve, header);
    QCOMPARE(received.error(), 0);
    QCOMPARE(received.reason(), 137u);
    QCOMPARE(QString::fromLatin1(received.reason_text()), QStringLiteral("PARAMETER 9"));
    QCOMPARE(received.first_detail(), 0x01020304u);
    QCOMPARE(received.second_detail(), 0xA0B0C0D0u);
    QCOMPARE(int(received.detail_byte()), 7);
    QCOMPARE(received.identifier(), 0x00030009u);
    QCOMPARE(int(received.transaction()), 200);

    // Defaults of a NACK this system sends: details 0, 0 and 1.
    const Tac1_nack plain(32, 1, 1, reserve, header);
    QCOMPARE(plain.first_detail(), 0u);
    QCOMPARE(plain.second_detail(), 0u);
    QCOMPARE(int(plain.detail_byte()), 1);

    // A truncated NACK has reason 1 (unreadable), not whatever follows.
    const QByteArray zeros(28, '\0');
    const Tac1_nack cut(
        Tac_pdu_buffer(reinterpret_cast<const std::uint8_t*>(zeros.constData()), 28), reserve,
        header);
    QCOMPARE(cut.error(), 3);
    QCOMPARE(cut.reason(), 1u);
}

void Tst_tac1_pdu::copies_share_bytes()
{
    Tac1_pdu original(0x00020001, 5, Tac_message_types::REQUEST, reserve, 3, header);
    Tac1_pdu copy(original);
    QVERIFY(copy.set_type(Tac_message_types::INDICATION));
    QCOMPARE(original.type(), Tac_message_types::INDICATION);

    Tac1_pdu other(0x00090009, 1, Tac_message_types::ACK, reserve, 0, header);
    other = original;
    QCOMPARE(other.identifier(), 0x00020001u);
    QCOMPARE(other.payload_length(), 3u);
    QVERIFY(other.set_identifier(0x00020002));
    QCOMPARE(original.identifier(), 0x00020002u);
}

void Tst_tac1_pdu::unshared_decode_copies_at_header_offset()
{
    const QByteArray bare = QByteArray::fromHex("00020002070203");
    const Tac_pdu_buffer received(reinterpret_cast<const std::uint8_t*>(bare.constData()),
                                  std::uint32_t(bare.size()));
    const Tac1_pdu pdu(received, reserve, header, false);
    QCOMPARE(pdu.error(), 0);
    QCOMPARE(pdu.buffer().size(), reserve + 7);
    QCOMPARE(pdu.payload_length(), 1u);
    QCOMPARE(pdu.identifier(), 0x00020002u);
    QCOMPARE(int(pdu.payload_u8(0)), 3);
    QVERIFY(pdu.buffer().data() != received.data());
}

void Tst_tac1_pdu::short_buffer_has_no_payload()
{
    // Shorter than the framing overhead: the payload length must not wrap.
    const Tac_pdu_buffer tiny(10);
    const Tac1_pdu pdu(tiny, reserve, header);
    QCOMPARE(pdu.payload_length(), 0u);
    QCOMPARE(pdu.identifier(), 0u);
    QCOMPARE(pdu.type(), Tac_message_types::INVALID);

    const Tac_pdu_buffer empty;
    const Tac1_pdu none(empty, reserve, header);
    QCOMPARE(none.payload_length(), 0u);
    QCOMPARE(none.transaction(), std::uint8_t(0));
}

void Tst_tac1_pdu::payload_copy_bounds_data()
{
    QTest::addColumn<uint>("offset");
    QTest::addColumn<uint>("count");
    QTest::addColumn<uint>("maximum");
    QTest::addColumn<QByteArray>("copied");
    QTest::newRow("all") << 0u << 4u << 16u << QByteArray("ABCD");
    QTest::newRow("capped by maximum") << 0u << 4u << 2u << QByteArray("AB");
    QTest::newRow("capped by buffer") << 2u << 200u << 16u << QByteArray("CD");
    QTest::newRow("at the end") << 4u << 1u << 16u << QByteArray();
    QTest::newRow("far past the end") << 0xFFFFFFF0u << 8u << 16u << QByteArray();
    QTest::newRow("maximum 0") << 0u << 4u << 0u << QByteArray();
}

void Tst_tac1_pdu::payload_copy_bounds()
{
    QFETCH(uint, offset);
    QFETCH(uint, count);
    QFETCH(uint, maximum);
    QFETCH(QByteArray, copied);

    // No trailer: the payload runs to the end of the buffer.
    QByteArray frame(int(header), '\0');
    frame += QByteArray::fromHex("000000010104") + QByteArray("ABCD");
    const Tac_pdu_buffer buffer(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                std::uint32_t(frame.size()));
    const Tac1_pdu pdu(buffer, header, header);
    char out[16];
    std::memset(out, '#', sizeof out);
    const std::uint32_t n =
        pdu.payload_bytes(offset, count, reinterpret_cast<std::uint8_t*>(out), maximum);
    QCOMPARE(QByteArray(out, int(n)), copied);
    QCOMPARE(out[n], '#');
}

void Tst_tac1_pdu::payload_readers_past_end_yield_zero()
{
    const Tac1_pdu pdu(frame_of(QByteArray::fromHex("000300AC0104FFFF")), reserve, header);
    QCOMPARE(pdu.payload_length(), 2u);
    QCOMPARE(int(pdu.payload_i16(0)), -1);
    QCOMPARE(int(pdu.payload_i8(1)), -1);
    // The trailer bytes follow the payload; a 32-bit field reaching past the
    // buffer reads 0.
    QCOMPARE(pdu.payload_u32(0), 0xFFFFEEEEu);
    QCOMPARE(pdu.payload_u32(2), 0u);
    QCOMPARE(pdu.payload_u32(3), 0u);
    QCOMPARE(int(pdu.payload_u16(4)), 0);
    // Offsets that would wrap around to the header read 0 as well.
    QCOMPARE(int(pdu.payload_u8(0xFFFFFFFF)), 0);
    QCOMPARE(pdu.payload_u32(0xFFFFFFFA), 0u);
}

QTEST_GUILESS_MAIN(Tst_tac1_pdu)
#include "tst_tac1_pdu.moc"
