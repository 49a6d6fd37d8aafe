// Message classes against wire vectors: build forms, decoding checks in
// their order, counted fields, and what accessors yield after a failure.
#include "message_samples.h"

#include <QtTest>
#include <type_traits>

using namespace tac1_test;
using namespace vq;

namespace {

// A received frame: 20 framing bytes, the TAC1 header, the payload and two
// trailer bytes.
Tac_pdu_buffer frame(std::uint32_t identifier, int type, const QByteArray& payload_hex,
                     std::uint8_t transaction = 5)
{
    QByteArray bytes(20, '\0');
    bytes.append(char(identifier >> 24)).append(char(identifier >> 16));
    bytes.append(char(identifier >> 8)).append(char(identifier));
    bytes.append(char(transaction)).append(char(type));
    bytes.append(QByteArray::fromHex(payload_hex));
    bytes.append(2, '\0');
    return Tac_pdu_buffer(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::uint32_t>(bytes.size()));
}

QByteArray payload_hex(const Tac1_pdu& pdu)
{
    return to_hex(pdu.buffer(), pdu.payload_offset(), pdu.buffer().size() - 2);
}

QByteArray copy_out(std::uint32_t count, const char* out)
{
    return QByteArray(out, static_cast<int>(count));
}

} // namespace

Q_DECLARE_METATYPE(vq::Tac_message_types)

class Tst_messages : public QObject
{
    Q_OBJECT

private slots:
    void get_request_bytes();
    void forms_data();
    void forms();
    void only_paired_sets_take_a_form();
    void decode_order_data();
    void decode_order();
    void lqa_indication_vector();
    void failed_decode_reads_nothing();
    void radio_fixed_frequency_vector();
    void data_to_modem_without_bytes();
    void data_from_modem_final_after_the_block();
    void counted_fields_data();
    void counted_fields();
    void character_fields_are_exact();
    void stock_number_rows();
    void buzzer_tune_arrays();
    void signed_fields();
    void failed_build_reads_nothing();
    void registration_response();
    void opaque_classes_keep_their_payload();
    void copies_share_the_bytes();
};

// A get request for 0x00020002 with transaction 7 and payload byte 3.
void Tst_messages::get_request_bytes()
{
    const Tac1_msg_audio_tx_output_level_get get(3, 7, 22, 20);
    QCOMPARE(get.error(), 0);
    QCOMPARE(get.buffer().size(), 29u);
    QCOMPARE(to_hex(get.buffer(), 20, 27), QByteArray("00 02 00 02 07 02 03"));
    QCOMPARE(get.identifier(), 0x00020002u);
}

void Tst_messages::forms_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Tac_message_types>("form");
    QTest::addColumn<std::uint32_t>("identifier");
    QTest::addColumn<int>("type");
    const auto request = Tac_message_types::REQUEST;
    const auto response = Tac_message_types::RESPONSE;
    const auto indication = Tac_message_types::INDICATION;
    QTest::newRow("audio level request")
        << "Tac1_msg_audio_tx_output_level_set" << request << 0x00020001u << 2;
    QTest::newRow("audio level response")
        << "Tac1_msg_audio_tx_output_level_set" << response << 0x00020002u << 3;
    QTest::newRow("audio level indication")
        << "Tac1_msg_audio_tx_output_level_set" << indication << 0x00020001u << 4;
    QTest::newRow("data path response") << "Tac1_msg_data_path_set" << response << 0x000A0014u << 3;
    QTest::newRow("data path indication")
        << "Tac1_msg_data_path_set" << indication << 0x000A0015u << 4;
    QTest::newRow("dte configuration response")
        << "Tac1_msg_dte_configuration_set" << response << 0x01F40028u << 3;
    QTest::newRow("dte port data rate response")
        << "Tac1_msg_dte_port_data_rate_set" << response << 0x01F40029u << 3;
    QTest::newRow("reset command")
        << "Tac1_msg_modem_ctrl_reset_set" << request << 0x00000001u << 2;
    QTest::newRow("led command asked for a response")
        << "Tac1_msg_front_panel_led_set" << response << 0x01F4000Au << 2;
    QTest::newRow("get asked for an indication")
        << "Tac1_msg_radio_ff_params_get" << indication << 0x000D0002u << 2;
    QTest::newRow("indication asked for a request")
        << "Tac1_msg_modem_ready_indication" << request << 0x000000A7u << 4;
}

void Tst_messages::forms()
{
    QFETCH(QString, name);
    QFETCH(Tac_message_types, form);
    QFETCH(std::uint32_t, identifier);
    QFETCH(int, type);
    const Message_class* c = find_class(name);
    QVERIFY(c != nullptr);
    const auto [error, pdu] = c->build(form);
    QCOMPARE(error, 0);
    QCOMPARE(Tac1_pdu::identifier_of(pdu, 20), identifier);
    QCOMPARE(static_cast<int>(Tac1_pdu::type_of(pdu, 20)), type);
}

void Tst_messages::only_paired_sets_take_a_form()
{
    using F = Tac_message_types;
    QVERIFY((std::is_constructible<Tac1_msg_audio_tx_output_level_set, std::uint8_t, std::int16_t,
                                   std::uint8_t, std::uint32_t, std::uint32_t, F>::value));
    QVERIFY(!(std::is_constructible<Tac1_msg_modem_ctrl_reset_set, std::uint8_t, std::uint8_t,
                                    std::uint32_t, std::uint32_t, F>::value));
    QVERIFY(!(std::is_constructible<Tac1_msg_audio_tx_output_level_get, std::uint8_t, std::uint8_t,
                                    std::uint32_t, std::uint32_t, F>::value));
    QVERIFY(!(std::is_constructible<Tac1_msg_wf_autobaud_indication, std::uint8_t, std::uint8_t,
                                    std::uint8_t, std::uint32_t, std::uint32_t, F>::value));
    QVERIFY(!(std::is_constructible<Tac1_msg_modem_save_cfg_to_nvm_set, std::uint8_t, std::uint32_t,
                                    std::uint32_t, F>::value));
    QVERIFY((std::is_constructible<Tac1_msg_data_path_set, std::uint8_t, std::uint32_t,
                                   std::uint32_t, F>::value));
    // The command is always a request, whatever the caller had in mind.
    const Tac1_msg_modem_ctrl_reset_set reset(2, 9, 22, 20);
    QCOMPARE(reset.type(), Tac_message_types::REQUEST);
    QCOMPARE(payload_hex(reset), QByteArray("02"));
}

void Tst_messages::decode_order_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::uint32_t>("identifier");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("error");
    // Size comes first: a wrong identifier or type is not looked at then.
    QTest::newRow("get one byte long, foreign id")
        << "Tac1_msg_audio_tx_output_level_get" << 0x00050001u << 7 << QByteArray("0300") << 2;
    QTest::newRow("get one byte short, foreign id")
        << "Tac1_msg_audio_tx_output_level_get" << 0x00050001u << 7 << QByteArray("") << 3;
    QTest::newRow("get right size, foreign id")
        << "Tac1_msg_audio_tx_output_level_get" << 0x00050001u << 2 << QByteArray("03") << 5;
    QTest::newRow("get right size, type response")
        << "Tac1_msg_audio_tx_output_level_get" << 0x00020002u << 3 << QByteArray("03") << 4;
    QTest::newRow("get type byte 9 reads invalid")
        << "Tac1_msg_audio_tx_output_level_get" << 0x00020002u << 9 << QByteArray("03") << 4;
    QTest::newRow("get fine") << "Tac1_msg_audio_tx_output_level_get" << 0x00020002u << 2
                              << QByteArray("03") << 0;
    QTest::newRow("set as response to its get")
        << "Tac1_msg_audio_tx_output_level_set" << 0x00020002u << 3 << QByteArray("01FFF6") << 0;
    QTest::newRow("set as response, any identifier")
        << "Tac1_msg_audio_tx_output_level_set" << 0x00110001u << 3 << QByteArray("01FFF6") << 0;
    QTest::newRow("set own id as response")
        << "Tac1_msg_audio_tx_output_level_set" << 0x00020001u << 3 << QByteArray("01FFF6") << 4;
    QTest::newRow("set own id as indication")
        << "Tac1_msg_audio_tx_output_level_set" << 0x00020001u << 4 << QByteArray("01FFF6") << 0;
    QTest::newRow("set foreign id as request")
        << "Tac1_msg_audio_tx_output_level_set" << 0x00020002u << 2 << QByteArray("01FFF6") << 5;
    QTest::newRow("indication as request")
        << "Tac1_msg_wf_autobaud_indication" << 0x000300ADu << 2 << QByteArray("0102") << 4;
    QTest::newRow("indication foreign id")
        << "Tac1_msg_wf_autobaud_indication" << 0x000300ACu << 4 << QByteArray("0102") << 5;
    QTest::newRow("empty get with a byte")
        << "Tac1_msg_radio_ff_params_get" << 0x000D0002u << 2 << QByteArray("00") << 2;
    QTest::newRow("empty indication") << "Tac1_msg_send_data_to_modem_flow_stop_indication"
                                      << 0x000A0003u << 4 << QByteArray() << 0;
    QTest::newRow("counted, count field missing")
        << "Tac1_system_software_ver_set" << 0x00000017u << 2 << QByteArray("01") << 3;
}

void Tst_messages::decode_order()
{
    QFETCH(QString, name);
    QFETCH(std::uint32_t, identifier);
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(int, error);
    const Message_class* c = find_class(name);
    QVERIFY(c != nullptr);
    const auto [decode_error, fields] = c->decode(frame(identifier, type, payload));
    QCOMPARE(decode_error, error);
    if (error != 0) {
        QCOMPARE(fields, QString()); // accessors empty
    }
    // The table's own rule agrees wherever the size is right.
    if (error != 2 && error != 3) {
        const auto type_read =
            type >= 5 ? Tac_message_types::INVALID : static_cast<Tac_message_types>(type);
        QCOMPARE(tac1_header_error(*tac1_find(c->identifier), identifier, type_read), error);
    }
}

void Tst_messages::lqa_indication_vector()
{
    const Tac1_msg_wf_lqa_indication lqa(frame(0x000300AC, 4, "F60A020503FF3801"), 22, 20);
    QCOMPARE(lqa.error(), 0);
    QCOMPARE(lqa.snr(), std::int8_t{-10});
    QCOMPARE(lqa.ber(), std::uint8_t{10});
    QCOMPARE(lqa.number_paths(), std::uint8_t{2});
    QCOMPARE(lqa.multipath_spread(), std::uint8_t{5});
    QCOMPARE(lqa.doppler_spread(), std::uint8_t{3});
    QCOMPARE(lqa.doppler_offset(), std::int16_t{-200});
    QCOMPARE(lqa.wf_type(), std::uint8_t{1});
    // And built back to the same bytes.
    const Tac1_msg_wf_lqa_indication built(-10, 10, 2, 5, 3, -200, 1, 5, 22, 20);
    QCOMPARE(payload_hex(built), QByteArray("F6 0A 02 05 03 FF 38 01"));
    QCOMPARE(built.type(), Tac_message_types::INDICATION);
}

void Tst_messages::failed_decode_reads_nothing()
{
    // Right size, wrong type: the bytes are there but the accessors keep out.
    const Tac1_msg_wf_lqa_indication lqa(frame(0x000300AC, 2, "F60A020503FF3801"), 22, 20);
    QCOMPARE(lqa.error(), 4);
    QCOMPARE(lqa.snr(), std::int8_t{0});
    QCOMPARE(lqa.doppler_offset(), std::int16_t{0});
    QCOMPARE(lqa.wf_type(), std::uint8_t{0});
    const Tac1_msg_radio_select_set select(frame(0x000D0019, 2, "0203414243"), 22, 20);
    QCOMPARE(select.error(), 0);
    const Tac1_msg_radio_select_set wrong(frame(0x000D0019, 1, "0203414243"), 22, 20);
    QCOMPARE(wrong.error(), 4);
    char out[8] = {};
    QCOMPARE(wrong.description(out, sizeof out), 0u);
    QCOMPARE(wrong.description_length(), std::uint8_t{0});
    QCOMPARE(wrong.payload(out, sizeof out), 0u);
}

void Tst_messages::radio_fixed_frequency_vector()
{
    const Tac1_msg_radio_ff_params_set ff(7, 1, 2, 3, 1, 0, 4, 22, 20);
    QCOMPARE(ff.error(), 0);
    QCOMPARE(ff.buffer().size(), 22u + 6u + 13u);
    QCOMPARE(payload_hex(ff), QByteArray("00 07 00 00 00 01 00 00 00 02 03 01 00"));
    const Tac1_msg_radio_ff_params_set reply(frame(0x000D0002, 3, "000700000001000000020301 00"),
                                             22, 20);
    QCOMPARE(reply.error(), 0);
    QCOMPARE(reply.channel(), std::uint16_t{7});
    QCOMPARE(reply.rx_freq(), 1u);
    QCOMPARE(reply.tx_freq(), 2u);
    QCOMPARE(reply.tx_power_level(), std::uint8_t{3});
    QCOMPARE(reply.rx_mode(), std::uint8_t{1});
    QCOMPARE(reply.tx_mode(), std::uint8_t{0});
}

void Tst_messages::data_to_modem_without_bytes()
{
    const Tac1_msg_dte_port_send_data_to_modem_set empty(0, nullptr, 1, 22, 20);
    QCOMPARE(empty.error(), 0);
    QCOMPARE(payload_hex(empty), QByteArray("00 00"));
    const Tac1_msg_dte_port_send_data_to_modem_set decoded(empty.buffer(), 22, 20);
    QCOMPARE(decoded.error(), 0);
    QCOMPARE(decoded.data_length(), std::uint16_t{0});
    char out[4];
    QCOMPARE(decoded.data(out, sizeof out), 0u);

    const Tac1_msg_dte_port_send_data_to_modem_set three(3, "xyz", 2, 22, 20);
    QCOMPARE(payload_hex(three), QByteArray("00 03 78 79 7A"));
}

void Tst_messages::data_from_modem_final_after_the_block()
{
    const Tac1_msg_dte_port_send_data_from_modem_set from(frame(0x000A0007, 2, "000361626301"), 22,
                                                          20);
    QCOMPARE(from.error(), 0);
    QCOMPARE(from.data_length(), std::uint16_t{3});
    char out[8];
    QCOMPARE(copy_out(from.data(out, sizeof out), out), QByteArray("abc"));
    QCOMPARE(from.final(), std::uint8_t{1});
    // A maximum below the length copies only that much.
    QCOMPARE(copy_out(from.data(out, 2), out), QByteArray("ab"));
}

void Tst_messages::counted_fields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::uint32_t>("identifier");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("error");
    const QByteArray head = "0102030405060C"; // six fields, then a count of 12
    QTest::newRow("status report, 12 names but 11 bytes")
        << "Tac1_msg_ale_status_report_indication" << 0x000B0006u << head + "4142434445464748494A4B"
        << 3;
    QTest::newRow("status report, 12 names and 13 bytes")
        << "Tac1_msg_ale_status_report_indication" << 0x000B0006u
        << head + "4142434445464748494A4B4C4D" << 2;
    QTest::newRow("status report, 12 of 12")
        << "Tac1_msg_ale_status_report_indication" << 0x000B0006u
        << head + "4142434445464748494A4B4C" << 0;
    QTest::newRow("version string short")
        << "Tac1_system_software_ver_set" << 0x00000018u << QByteArray("010541424344") << 3;
    QTest::newRow("version string long")
        << "Tac1_system_software_ver_set" << 0x00000018u << QByteArray("0103414243FF") << 2;
    QTest::newRow("top level version, count 255 and 1 byte")
        << "Tac1_system_top_level_sw_version_set" << 0x000000A0u << QByteArray("FF41") << 3;
    QTest::newRow("user data count 0x0101 with 2 bytes")
        << "Tac1_msg_dte_port_send_data_from_modem_set" << 0x000A0007u << QByteArray("0101616201")
        << 3;
    QTest::newRow("test result missing its count")
        << "Tac1_msg_lz7_hw_testing_test_result_set" << 0x02BC001Eu << QByteArray("FF00") << 3;
    QTest::newRow("buzzer tune, 2 values each, one short")
        << "Tac1_msg_buzzer_tune_set" << 0x01F40038u << QByteArray("010203000200010002000300") << 3;
}

void Tst_messages::counted_fields()
{
    QFETCH(QString, name);
    QFETCH(std::uint32_t, identifier);
    QFETCH(QByteArray, payload);
    QFETCH(int, error);
    const Message_class* c = find_class(name);
    QVERIFY(c != nullptr);
    const int type = c->kind == Tac1_kind::indication ? 4 : identifier == c->identifier ? 2 : 3;
    QCOMPARE(c->decode(frame(identifier, type, payload)).first, error);
}

void Tst_messages::character_fields_are_exact()
{
    // Exactly 15 and 13 bytes, no terminator; the receiver gets all of them.
    const char name[] = "ALESCANPOOL\0\0\0\0";
    const char block[13] = {0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const Tac1_msg_ale_scan_list_entry_set entry(0, name, block, 1, 22, 20);
    QCOMPARE(entry.error(), 0);
    QCOMPARE(entry.buffer().size(), 22u + 6u + 29u);
    const Tac1_msg_ale_scan_list_entry_set decoded(entry.buffer(), 22, 20);
    char out[32];
    QCOMPARE(copy_out(decoded.name(out, sizeof out), out), QByteArray(name, 15));
    QCOMPARE(copy_out(decoded.block(out, sizeof out), out), QByteArray(block, 13));
    QCOMPARE(decoded.name(out, 4), 4u);
    QCOMPARE(decoded.name(nullptr, 10), 0u);
    // A null pointer sends zeros.
    const Tac1_msg_misc_mac_address_set mac(nullptr, 1, 22, 20);
    QCOMPARE(payload_hex(mac), QByteArray("00 00 00 00 00 00"));
}

void Tst_messages::stock_number_rows()
{
    char rows[150];
    for (int i = 0; i < 150; ++i) {
        rows[i] = static_cast<char>('A' + i / 15);
    }
    const Tac1_msg_modem_stock_number_set stock(2, rows, 1, 22, 20, Tac_message_types::RESPONSE);
    QCOMPARE(stock.buffer().size(), 22u + 6u + 151u);
    const Tac1_msg_modem_stock_number_set decoded(stock.buffer(), 22, 20);
    QCOMPARE(decoded.error(), 0);
    QCOMPARE(decoded.stock_number_count(), std::uint8_t{2});
    char out[20];
    QCOMPARE(copy_out(decoded.stock_number(0, out, sizeof out), out), QByteArray(15, 'A'));
    QCOMPARE(copy_out(decoded.stock_number(9, out, sizeof out), out), QByteArray(15, 'J'));
    QCOMPARE(decoded.stock_number(10, out, sizeof out), 0u);
}

void Tst_messages::buzzer_tune_arrays()
{
    const std::uint16_t first[] = {0x0102, 0x0304, 0x0506};
    const std::uint16_t second[] = {0xA0A1, 0xB0B1, 0xC0C1};
    const Tac1_msg_buzzer_tune_set tune(1, 2, 3, 3, first, second, 1, 22, 20);
    QCOMPARE(tune.buffer().size(), 22u + 6u + 4u * 3u + 5u);
    QCOMPARE(payload_hex(tune), QByteArray("01 02 03 00 03 01 02 03 04 05 06 A0 A1 B0 B1 C0 C1"));
    const Tac1_msg_buzzer_tune_set decoded(tune.buffer(), 22, 20);
    std::uint16_t out[4] = {};
    QCOMPARE(decoded.values_2(out, 4), 3u);
    QCOMPARE(out[2], std::uint16_t{0xC0C1});
    QCOMPARE(decoded.values_1(out, 1), 1u);
    QCOMPARE(out[0], std::uint16_t{0x0102});
}

void Tst_messages::signed_fields()
{
    const Tac1_msg_lz7_hw_testing_test_result_set result(frame(0x02BC001E, 3, "FF000248 49"), 22,
                                                         20);
    QCOMPARE(result.error(), 0);
    QCOMPARE(result.result(), std::int8_t{-1});
    char out[4];
    QCOMPARE(copy_out(result.test_result_detail_string(out, sizeof out), out), QByteArray("HI"));
    const Tac1_msg_lz7_hw_testing_audio_rx_level_set level(frame(0x02BC0018, 3, "FFFFFF9C00000064"),
                                                           22, 20);
    QCOMPARE(level.audio1_rx_level(), -100);
    QCOMPARE(level.audio2_rx_level(), 100);
    const Tac1_msg_lz7_hw_testing_rtc_temperature_set temperature(frame(0x02BC0020, 3, "7FFF"), 22,
                                                                  20);
    QCOMPARE(temperature.temperature(), std::int16_t{0x7FFF});
}

void Tst_messages::failed_build_reads_nothing()
{
    // The header does not fit when the reserve leaves no room for it.
    const Tac1_msg_audio_tx_output_level_set set(1, -5, 3, 0, 20);
    QCOMPARE(set.error(), 1);
    QCOMPARE(set.level(), std::int16_t{0});
    QCOMPARE(set.port(), std::uint8_t{0});
}

void Tst_messages::registration_response()
{
    // The reply a registration get draws: the set layout under the get's
    // identifier.
    const Tac1_msg_register_for_individual_indication_set reply(0, 0, 0x000300AD, 1, 6, 22, 20,
                                                                Tac_message_types::RESPONSE);
    QCOMPARE(reply.identifier(), 0x012C0006u);
    QCOMPARE(reply.type(), Tac_message_types::RESPONSE);
    QCOMPARE(payload_hex(reply), QByteArray("00 00 00 00 00 00 00 03 00 AD 01"));
    const Tac1_msg_register_for_individual_indication_get get(
        frame(0x012C0006, 2, "C0A8000D0370000300AD"), 22, 20);
    QCOMPARE(get.error(), 0);
    QCOMPARE(get.address(), 0xC0A8000Du);
    QCOMPARE(get.port(), std::uint16_t{880});
    QCOMPARE(get.indication_identifier(), 0x000300ADu);
    const Tac1_msg_register_for_indication_per_group_set group(
        frame(0x012C0007, 2, "00000000000000030 2"), 22, 20);
    QCOMPARE(group.error(), 0);
    QCOMPARE(group.group(), std::uint16_t{3});
    QCOMPARE(group.action(), std::uint8_t{2});
}

void Tst_messages::opaque_classes_keep_their_payload()
{
    // No layout here: any payload is accepted and handed out raw.
    const Tac1_msg_audio_ssb_mode_set ssb(frame(0x00020009, 2, "0102030405"), 22, 20);
    QCOMPARE(ssb.error(), 0);
    char out[8];
    QCOMPARE(copy_out(ssb.payload(out, sizeof out), out), QByteArray::fromHex("0102030405"));
    QCOMPARE(ssb.payload(out, 2), 2u);
    const Tac1_msg_audio_ssb_mode_set bare(frame(0x00020009, 2, ""), 22, 20);
    QCOMPARE(bare.error(), 0);
    QCOMPARE(bare.payload(out, sizeof out), 0u);
    const Tac1_msg_audio_ssb_mode_set torn(from_hex("0000000000000000000000000000000000000000"
                                                    "000200"),
                                           22, 20);
    QCOMPARE(torn.error(), 3);
}

void Tst_messages::copies_share_the_bytes()
{
    Tac1_msg_modem_startup_status_set first(1, 1, 22, 20);
    const Tac1_msg_modem_startup_status_set copy(first);
    Tac1_msg_modem_startup_status_set assigned(9, 2, 22, 20);
    assigned = first;
    std::uint32_t at = first.payload_offset();
    QVERIFY(first.buffer().put_u8_at(at, 7));
    QCOMPARE(copy.startup_status(), std::uint8_t{7});
    QCOMPARE(assigned.startup_status(), std::uint8_t{7});
    QCOMPARE(assigned.transaction(), std::uint8_t{1});
}

QTEST_APPLESS_MAIN(Tst_messages)
#include "tst_messages.moc"
