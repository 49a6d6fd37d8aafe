// Requests of the modem interface: the bytes each operation puts on the
// line, where they go, how arguments are converted, and what a refused send
// reports.

#include "modem_peer.h"

#include <QSignalSpy>
#include <QtTest>
#include <functional>

using test::hex;
using test::Interface_log;
using test::Modem_peer;
using test::parse_frame;
using test::Sent_frame;
using test::Test_modem;
using test::zeros;

using Operation = std::function<bool(Test_modem&)>;
Q_DECLARE_METATYPE(Operation)

namespace {

constexpr quint32 panel = 258;

} // namespace

class Tst_requests : public QObject
{
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
    void refused_send_data() { operations_data(); }
    void refused_send();
    void user_data_chunks_data();
    void user_data_chunks();
    void empty_user_data_sends_nothing();
    void registration_reaches_the_modem_and_is_acknowledged();
    void transmit_and_receive_log_lines();
};

void Tst_requests::operations_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<quint32>("identifier");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("label");

    const quint32 modem = test::modem_address;
    const int p = test::modem_port;
    auto row = [](const char* name, Operation op, quint32 id, quint32 address, int port,
                  const QByteArray& payload, const char* label, int type = 2) {
        QTest::newRow(name) << op << id << address << port << type << payload
                            << QString::fromLatin1(label);
    };

    // System and identification.
    row(
        "set_reset", [](Test_modem& m) { return m.set_reset(3); }, 0x00000001, modem, p, hex("03"),
        "set_reset");
    row(
        "set_system_site_mode", [](Test_modem& m) { return m.set_system_site_mode(2); }, 0x00000041,
        modem, p, hex("02"), "Tac1_msg_system_site_mode_set");
    row(
        "request_system_site_mode", [](Test_modem& m) { return m.request_system_site_mode(); },
        0x00000042, modem, p, {}, "Tac1_msg_system_site_mode_get");
    row(
        "set_system_mode", [](Test_modem& m) { return m.set_system_mode(3); }, 0x000300AA, modem, p,
        hex("03"), "set_system_mode");
    row(
        "request_software_version_number",
        [](Test_modem& m) { return m.request_software_version_number(1); }, 0x00000018, modem, p,
        hex("01"), "request_software_version_number");
    row(
        "request_top_level_system_software_version_number",
        [](Test_modem& m) { return m.request_top_level_system_software_version_number(); },
        0x000000A0, modem, p, {}, "request_top_level_system_software_version_number");
    row(
        "request_firmware_version_number",
        [](Test_modem& m) { return m.request_firmware_version_number(2); }, 0x0000001A, modem, p,
        hex("02"), "firmware_version_number_request");
    row(
        "set_module_serial_number latin-1",
        [](Test_modem& m) {
            return m.set_module_serial_number(4, QString::fromUtf8("SN-1\xC3\xA9"));
        },
        0x000000B9, modem, p, hex("04 05 534E2D31E9"), "set_module_serial_number");
    row(
        "request_module_serial_number",
        [](Test_modem& m) { return m.request_module_serial_number(4); }, 0x000000BA, modem, p,
        hex("04"), "request_module_serial_number");
    row(
        "request_silicon_serial_number",
        [](Test_modem& m) { return m.request_silicon_serial_number(); }, 0x00000004, modem, p, {},
        "request_silicon_serial_number");
    row(
        "request_stock_numbers", [](Test_modem& m) { return m.request_stock_numbers(); },
        0x000000B8, modem, p, {}, "request_stock_numbers");
    row(
        "set_default_boot_application",
        [](Test_modem& m) { return m.set_default_boot_application(1, 2); }, 0x000000B2, modem, p,
        hex("0102"), "set_default_boot_application");
    row(
        "request_default_boot_application",
        [](Test_modem& m) { return m.request_default_boot_application(); }, 0x000000B3, modem, p,
        {}, "request_default_boot_application");
    row(
        "request_modem_startup_status",
        [](Test_modem& m) { return m.request_modem_startup_status(); }, 0x0000009E, modem, p, {},
        "request_modem_startup_status");
    row(
        "set_save_configuration_to_non_volatile_memory",
        [](Test_modem& m) { return m.set_save_configuration_to_non_volatile_memory(); }, 0x0000009B,
        modem, p, {}, "Tac1_msg_modem_save_cfg_to_nvm_set");
    row(
        "request_mac_address", [](Test_modem& m) { return m.request_mac_address(); }, 0x000C0012,
        modem, p, {}, "request_mac_address");
    row(
        "set_ip_configuration",
        [](Test_modem& m) { return m.set_ip_configuration(0xC0A80001, 0xFFFFFF00, 0xC0A800FE); },
        0x000C0013, modem, p, hex("C0A80001 FFFFFF00 C0A800FE"), "set_ip_configuration");
    row(
        "request_ip_configuration", [](Test_modem& m) { return m.request_ip_configuration(); },
        0x000C0014, modem, p, {}, "request_ip_configuration");

    // Waveform control.
    row(
        "set_tx_kill_resume", [](Test_modem& m) { return m.set_tx_kill_resume(1); }, 0x00030037,
        modem, p, hex("01"), "set_tx_kill_resume");
    row(
        "set_psk_fsk_tx_kill", [](Test_modem& m) { return m.set_psk_fsk_tx_kill(0); }, 0x00030037,
        modem, p, hex("00"), "Tac1_msg_tx_kill_pause_set");
    row(
        "set_modem_duplex_mode", [](Test_modem& m) { return m.set_modem_duplex_mode(1); },
        0x0003002B, modem, p, hex("01"), "set_modem_duplex_mode");
    row(
        "set_psk_modem_ota_settings",
        [](Test_modem& m) { return m.set_psk_modem_ota_settings(1, 2, 3, 4, 5, 6); }, 0x00030009,
        modem, p, hex("010203040506"), "set_psk_modem_ota_settings");
    row(
        "request_psk_modem_ota_settings",
        [](Test_modem& m) { return m.request_psk_modem_ota_settings(1); }, 0x0003000A, modem, p,
        hex("01"), "request_psk_modem_ota_settings");
    row(
        "set_psk_modem_deacquire_limit",
        [](Test_modem& m) { return m.set_psk_modem_deacquire_limit(9); }, 0x00030027, modem, p,
        hex("09"), "Tac1_msg_psk_modem_deaquire_limit_set");
    row(
        "request_psk_modem_deacquire_limit",
        [](Test_modem& m) { return m.request_psk_modem_deacquire_limit(); }, 0x00030028, modem, p,
        {}, "Tac1_msg_psk_modem_deaquire_limit_get");
    row(
        "set_psk_fsk_return_to_acquisition",
        [](Test_modem& m) { return m.set_psk_fsk_return_to_acquisition(1); }, 0x00030039, modem, p,
        hex("01"), "Tac1_msg_return_to_acquisition_set");

    // Audio port.
    row(
        "set_audio_tx_output_level",
        [](Test_modem& m) { return m.set_audio_tx_output_level(1, 0xFFF6); }, 0x00020001, modem, p,
        hex("01FFF6"), "set_audio_tx_output_level");
    row(
        "request_audio_tx_output_level",
        [](Test_modem& m) { return m.request_audio_tx_output_level(2); }, 0x00020002, modem, p,
        hex("02"), "request_audio_tx_output_level");
    row(
        "set_key_to_audio_tx_delay",
        [](Test_modem& m) { return m.set_key_to_audio_tx_delay(1, 300); }, 0x00020005, modem, p,
        hex("01012C"), "set_key_to_audio_tx_delay");
    row(
        "set_audio_tx_to_unkey_delay",
        [](Test_modem& m) { return m.set_audio_tx_to_unkey_delay(1, 50); }, 0x00020007, modem, p,
        hex("010032"), "set_audio_tx_to_unkey_delay");

    // DTE port and user data.
    row(
        "set_dte_port_mode", [](Test_modem& m) { return m.set_dte_port_mode(2); }, 0x00010001,
        modem, p, hex("02"), "set_dte_port_mode");
    row(
        "request_dte_port_mode", [](Test_modem& m) { return m.request_dte_port_mode(); },
        0x00010002, modem, p, {}, "request_dte_port_mode");
    row(
        "set_dte_port_async_settings",
        [](Test_modem& m) { return m.set_dte_port_async_settings(7, 8, 1, 0); }, 0x0001001F, modem,
        p, hex("07080100"), "set_dte_port_async_settings");
    row(
        "request_dte_port_async_settings",
        [](Test_modem& m) { return m.request_dte_port_async_settings(); }, 0x00010020, modem, p, {},
        "request_dte_port_async_settings");
    row(
        "set_dte_port_async_flow_control",
        [](Test_modem& m) { return m.set_dte_port_async_flow_control(1); }, 0x0001000B, modem, p,
        hex("01"), "Tac1_msg_dte_port_asynchronous_flow_control_set");
    row(
        "request_dte_port_async_flow_control",
        [](Test_modem& m) { return m.request_dte_port_async_flow_control(); }, 0x0001000C, modem, p,
        {}, "Tac1_msg_dte_port_asynchronous_flow_control_get");
    row(
        "set_dte_port_activity_mode",
        [](Test_modem& m) {
            return m.set_dte_port_activity_mode(1, 2, "\x7E\x7E\x01\x02", 3, 0, 500);
        },
        0x0001001D, modem, p, hex("01 02 7E7E0102 03 00 01F4"),
        "Tac1_msg_dte_port_activity_mode_set");
    row(
        "request_dte_port_activity_mode",
        [](Test_modem& m) { return m.request_dte_port_activity_mode(); }, 0x0001001E, modem, p, {},
        "Tac1_msg_dte_port_activity_mode_get");
    row(
        "set_send_data_to_modem", [](Test_modem& m) { return m.set_send_data_to_modem("hello"); },
        0x000A0001, modem, p, hex("0005 68656C6C6F"), "set_send_data_to_modem");
    row(
        "set_send_data_from_modem_flow_enable",
        [](Test_modem& m) { return m.set_send_data_from_modem_flow_enable(); }, 0x000A000D, modem,
        p, {}, "Tac1_msg_send_data_from_modem_enable_set");
    row(
        "set_send_data_from_modem_flow_disable",
        [](Test_modem& m) { return m.set_send_data_from_modem_flow_disable(); }, 0x000A000F, modem,
        p, {}, "Tac1_msg_send_data_from_modem_disable_set");
    row(
        "set_data_from_modem_upload_mode",
        [](Test_modem& m) { return m.set_data_from_modem_upload_mode(1); }, 0x000A0018, modem, p,
        hex("01"), "Tac1_msg_data_upload_mode_set");

    // ALE.
    row(
        "set_ale_system_mode",
        [](Test_modem& m) { return m.set_ale_system_mode(vq_qt::ale_system_mode_2g); }, 0x00050001,
        modem, p, hex("02"), "set_ale_system_mode");
    row(
        "set_ale_activity_timeout", [](Test_modem& m) { return m.set_ale_activity_timeout(600); },
        0x00050005, modem, p, hex("0258"), "set_ale_activity_timeout");
    row(
        "set_ale_lbt_time", [](Test_modem& m) { return m.set_ale_lbt_time(5); }, 0x0005000F, modem,
        p, hex("05"), "set_ale_lbt_time");
    row(
        "set_ale_scan_list_entry",
        [](Test_modem& m) { return m.set_ale_scan_list_entry(1, "SCAN", hex("0102")); }, 0x00040009,
        modem, p, hex("01 5343414E") + zeros(11) + zeros(11) + hex("0102"),
        "set_ale_scan_list_entry");
    row(
        "set_ale_address_table_ext",
        [](Test_modem& m) {
            return m.set_ale_address_table_ext(2, "NAME", "ADDR", 3, 0x1234, 0x0056, 7,
                                               hex("0102030405"));
        },
        0x0004007F, modem, p,
        hex("02 4E414D45") + zeros(11) + hex("41444452") + zeros(11) +
            hex("03 1234 0056 07 0102030405") + zeros(15),
        "set_ale_address_table_ext");
    row(
        "set_ale_nonvolatile_memory_reset",
        [](Test_modem& m) { return m.set_ale_nonvolatile_memory_reset(1); }, 0x0004000F, modem, p,
        hex("01"), "set_ale_nonvolatile_memory_reset");
    row(
        "set_ale_call_setup",
        [](Test_modem& m) { return m.set_ale_call_setup(1, 2, 3, hex("0A0B0C0D0E")); }, 0x00060005,
        modem, p, hex("010203 0A0B0C0D0E"), "set_ale_call_setup");
    row(
        "set_ale_call_control", [](Test_modem& m) { return m.set_ale_call_control(); }, 0x00060007,
        modem, p, hex("01"), "set_ale_call_control");
    row(
        "set_ale_terminate_link", [](Test_modem& m) { return m.set_ale_terminate_link(1); },
        0x00060015, modem, p, hex("01"), "set_ale_terminate_link");
    row(
        "set_ale_abort_request", [](Test_modem& m) { return m.set_ale_abort_request(4); },
        0x00060001, modem, p, hex("04"), "set_ale_abort_request");

    // Radio control.
    row(
        "set_radio_select", [](Test_modem& m) { return m.set_radio_select(2, "Radio"); },
        0x000D0019, modem, p, hex("02 05 526164696F"), "set_radio_select");
    row(
        "request_radio_select", [](Test_modem& m) { return m.request_radio_select(2); }, 0x000D001A,
        modem, p, hex("02"), "request_radio_select");
    row(
        "set_radio_channel_change_and_atu_tune_time",
        [](Test_modem& m) { return m.set_radio_channel_change_and_atu_tune_time(1, 2, 3, 4); },
        0x000D002D, modem, p, hex("0001000200030004"),
        "set_radio_channel_change_and_atu_tune_time");
    row(
        "request_radio_channel_change_and_atu_tune_time",
        [](Test_modem& m) { return m.request_radio_channel_change_and_atu_tune_time(); },
        0x000D002E, modem, p, {}, "request_radio_channel_change_and_atu_tune_time");
    row(
        "set_radio_fixed_freq_parameters",
        [](Test_modem& m) { return m.set_radio_fixed_freq_parameters(7, 1, 2, 3, 1, 0); },
        0x000D0001, modem, p, hex("0007 00000001 00000002 03 01 00"),
        "set_radio_fixed_freq_parameters");
    row(
        "request_radio_fixed_freq_parameters",
        [](Test_modem& m) { return m.request_radio_fixed_freq_parameters(); }, 0x000D0002, modem, p,
        {}, "request_radio_fixed_freq_parameters");
    row(
        "set_radio_control_activation",
        [](Test_modem& m) { return m.set_radio_control_activation(1); }, 0x000D0015, modem, p,
        hex("01"), "Tac1_msg_radio_rcm_activate_set");
    row(
        "request_radio_control_activation",
        [](Test_modem& m) { return m.request_radio_control_activation(); }, 0x000D0016, modem, p,
        {}, "Tac1_msg_radio_rcm_activate_get");

    // Indication subscriptions: the first argument is the destination port.
    row(
        "set_registration_for_an_individual_indication",
        [](Test_modem& m) {
            return m.set_registration_for_an_individual_indication(3, 0x000300AC, 1);
        },
        0x012C0005, modem, 3, hex("00000000 0000 000300AC 01"),
        "set_registration_for_an_individual_indication");
    row(
        "unregister_for_all_indications",
        [](Test_modem& m) { return m.unregister_for_all_indications(); }, 0x012C0009, modem, p, {},
        "unregister_for_all_indications", 4);

    // Front panel and identity: fixed address and ports.
    row(
        "set_buzzer_tone", [](Test_modem& m) { return m.set_buzzer_tone(1, 0x0102, 3, 4, 5, 6); },
        0x01F40036, panel, 710, hex("01 02 03 0004 0005 0006"), "set_buzzer_tone");
    row(
        "set_buzzer_tune",
        [](Test_modem& m) {
            ushort first[] = {10, 11};
            ushort second[] = {20, 21};
            return m.set_buzzer_tune(1, 2, 3, 2, first, second);
        },
        0x01F40038, panel, 710, hex("01 02 03 0002 000A 000B 0014 0015"), "set_buzzer_tune");
    row(
        "set_front_pannel_led_state",
        [](Test_modem& m) { return m.set_front_pannel_led_state(3, hex("010203")); }, 0x01F4000A,
        panel, 706, hex("03 010203"), "set_front_pannel_led_state");
    row(
        "set_module_serial_number_and_mac",
        [](Test_modem& m) {
            return m.set_module_serial_number_and_mac(0x0102, 3, 0x04050607, hex("AABBCCDDEEFF11"));
        },
        0x01F4003E, panel, 700, hex("0102 03 04050607 AABBCCDDEEFF"),
        "set_module_serial_number_and_mac");

    // LZ7 hardware testing.
    row(
        "set_lz7_hw_testing_audio_test_type",
        [](Test_modem& m) { return m.set_lz7_hw_testing_audio_test_type(1, 2, -3); }, 0x02BC0015,
        modem, p, hex("0102FD"), "set_lz7_hw_testing_audio_test_type");
    row(
        "request_audio_rx_level", [](Test_modem& m) { return m.request_audio_rx_level(); },
        0x02BC0018, modem, p, {}, "request_audio_rx_level");
    row(
        "request_audio_quality", [](Test_modem& m) { return m.request_audio_quality(); },
        0x02BC001A, modem, p, {}, "request_audio_quality");
    row(
        "request_lz7_n_ppt_sense1", [](Test_modem& m) { return m.request_lz7_n_ppt_sense1(); },
        0x02BC000E, modem, p, {}, "request_lz7_n_ppt_sense_1");
    row(
        "request_lz7_n_ppt_sense2", [](Test_modem& m) { return m.request_lz7_n_ppt_sense2(); },
        0x02BC0010, modem, p, {}, "request_lz7_n_ppt_sense_2");
    row(
        "set_lz7_keyline1", [](Test_modem& m) { return m.set_lz7_keyline1(1); }, 0x02BC0001, modem,
        p, hex("01"), "set_lz7_keyline1");
    row(
        "set_lz7_keyline2", [](Test_modem& m) { return m.set_lz7_keyline2(0); }, 0x02BC0003, modem,
        p, hex("00"), "set_lz7_keyline2");
    row(
        "set_lz7_hw_testing_uart_test",
        [](Test_modem& m) { return m.set_lz7_hw_testing_uart_test(1, 2, -1); }, 0x02BC001B, modem,
        p, hex("0102FF"), "set_lz7_hw_testing_uart_test");
    row(
        "request_lz7_hw_testing_test_result",
        [](Test_modem& m) { return m.request_lz7_hw_testing_test_result(); }, 0x02BC001E, modem, p,
        {}, "request_lz7_hw_testing_test_result");
    row(
        "set_lz7_hw_testing_ctrl_processor_test_type",
        [](Test_modem& m) { return m.set_lz7_hw_testing_ctrl_processor_test_type(4, -2); },
        0x02BC0021, modem, 20, hex("04FE"), "set_lz7_hw_testing_ctrl_processor_test_type");
    row(
        "request_lz7_hw_testing_ctrl_processor_test_result",
        [](Test_modem& m) { return m.request_lz7_hw_testing_ctrl_processor_test_result(); },
        0x02BC0024, modem, 20, {}, "request_lz7_hw_testing_ctrl_processor_test_result");
    row(
        "request_rtc_temperature", [](Test_modem& m) { return m.request_rtc_temperature(); },
        0x02BC0020, modem, p, {}, "request_rtc_temperature");
}

void Tst_requests::operations()
{
    QFETCH(Operation, operation);
    QFETCH(quint32, identifier);
    QFETCH(quint32, address);
    QFETCH(int, port);
    QFETCH(int, type);
    QFETCH(QByteArray, payload);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    QVERIFY(operation(modem));

    QCOMPARE(peer.frames.size(), 1);
    const Sent_frame sent = parse_frame(peer.frames.first());
    QCOMPARE(sent.identifier, identifier);
    QCOMPARE(sent.destination_address, address);
    QCOMPARE(int(sent.destination_port), port);
    QCOMPARE(sent.source_address, test::console_address);
    QCOMPARE(sent.source_port, test::console_port);
    QCOMPARE(sent.channel, 1);
    QCOMPARE(sent.transaction, 1);
    QCOMPARE(sent.type, type);
    QCOMPARE(sent.payload.toHex(), payload.toHex());
    QVERIFY(Interface_log::warnings().isEmpty());
}

void Tst_requests::refused_send()
{
    QFETCH(Operation, operation);
    QFETCH(QString, label);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    // A stopped framing layer refuses every frame.
    modem.sipc_protocol_handler().stop();

    QVERIFY(!operation(modem));
    QVERIFY(peer.frames.isEmpty());
    QCOMPARE(Interface_log::warnings(), QStringList{"#### ERROR #### " + label + " failed"});
}

void Tst_requests::user_data_chunks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("chunks");
    QTest::newRow("1") << 1 << QList<int>{1};
    QTest::newRow("199") << 199 << QList<int>{199};
    QTest::newRow("200") << 200 << QList<int>{200};
    QTest::newRow("201") << 201 << QList<int>{200, 1};
    QTest::newRow("450") << 450 << QList<int>{200, 200, 50};
    QTest::newRow("600") << 600 << QList<int>{200, 200, 200};
}

void Tst_requests::user_data_chunks()
{
    QFETCH(int, size);
    QFETCH(QList<int>, chunks);

    Test_modem modem;
    Modem_peer peer(modem);
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) {
        data[i] = static_cast<char>(i * 7 + 1);
    }
    QVERIFY(modem.set_send_data_to_modem(data));

    QCOMPARE(peer.frames.size(), chunks.size());
    QByteArray joined;
    for (int i = 0; i < chunks.size(); ++i) {
        const Sent_frame sent = parse_frame(peer.frames.at(i));
        QCOMPARE(sent.identifier, 0x000A0001u);
        QCOMPARE(sent.transaction, i + 1);
        QCOMPARE(int(test::big_endian(sent.payload, 0, 2)), chunks.at(i));
        QCOMPARE(sent.payload.size(), chunks.at(i) + 2);
        joined += sent.payload.mid(2);
    }
    QCOMPARE(joined, data);
}

void Tst_requests::empty_user_data_sends_nothing()
{
    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    QVERIFY(!modem.set_send_data_to_modem(QByteArray()));
    QVERIFY(peer.frames.isEmpty());
    QVERIFY(Interface_log::lines().isEmpty());
    // The transaction counter was not touched.
    QVERIFY(modem.set_reset(1));
    QCOMPARE(parse_frame(peer.frames.first()).transaction, 1);
}

void Tst_requests::registration_reaches_the_modem_and_is_acknowledged()
{
    Test_modem modem;
    Modem_peer peer(modem);
    peer.listening = true;
    QSignalSpy ack(&modem,
                   &vq_qt::QModem_interface::registration_for_an_inividual_indication_set_ack);

    QVERIFY(modem.set_registration_for_an_individual_indication(3, 0x000300AC, 1));
    QCOMPARE(parse_frame(peer.frames.first()).destination_port, quint16(3));
    // The far end's own registration service listed the console and answered.
    QVERIFY(
        peer.handler.is_identifier_listener(0x000300AC, test::console_address, test::console_port));
    peer.deliver();
    QCOMPARE(ack.count(), 1);

    QVERIFY(modem.set_registration_for_an_individual_indication(3, 0x000300AC, 2));
    peer.deliver();
    QVERIFY(!peer.handler.is_identifier_listener(0x000300AC, test::console_address,
                                                 test::console_port));
    QCOMPARE(ack.count(), 2);
}

void Tst_requests::transmit_and_receive_log_lines()
{
    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    QVERIFY(modem.set_reset(1));
    const QByteArray frame = peer.frames.first();
    QCOMPARE(Interface_log::texts("qmdm_if", QtDebugMsg),
             QStringList{QString::number(frame.size()) + " bytes Tx'ed to modem"});
    QCOMPARE(Interface_log::texts("qmdm_if_tx", QtDebugMsg),
             QStringList{"Data: \"" + frame.toHex() + "\""});

    Interface_log::clear();
    peer.reply(0x00000001, 1, 0);
    const QStringList rx = Interface_log::texts("qmdm_if_rx", QtDebugMsg);
    QCOMPARE(rx.size(), 2);
    QCOMPARE(rx.at(0), "28 bytes Rx'ed from modem (send to SIPC Protocol handler)");
    QVERIFY(rx.at(1).startsWith("Data: \"c67d10"));
}

QTEST_GUILESS_MAIN(Tst_requests)
#include "tst_requests.moc"
