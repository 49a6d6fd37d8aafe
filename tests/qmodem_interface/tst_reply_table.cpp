// The reply table: for every registered message and every reply type,
// exactly the signals and warnings of its handling style.

#include "modem_peer.h"

#include <QSignalSpy>
#include <QtTest>

using test::hex;
using test::Interface_log;
using test::Modem_peer;
using test::nacked;
using test::Signal_recorder;
using test::Test_modem;
using namespace test::reply_types;

namespace {

// One registered message as the interface's users see it.
struct Expected_row
{
    QList<quint32> identifiers; // set (and get) identifier
    const char* label;
    const char* style; // A A+ B B+ C T D I S X
    const char* positive;
    const char* negative;
    QByteArray payload; // a well-formed payload of the message's layout
    bool served_by_handler = false;
};

QList<Expected_row> expected_rows()
{
    const QByteArray silicon = hex("05 3132333435") + QByteArray(12, '\0');
    QByteArray stock = hex("02") + QByteArray(150, '\0');
    stock[1] = 'A';
    stock[16] = 'B';
    // clang-format off
    return {
        {{0x00000001}, "Tac1_msg_modem_ctrl_reset_set", "A", "reset_set_ack", "reset_set_nack", {}},
        {{0x00000041}, "Tac1_msg_system_site_mode_set", "A", "system_site_mode_set_ack", "system_site_mode_set_nack", {}},
        {{0x00000042}, "Tac1_msg_system_site_mode_set", "B", "system_site_mode_request_response", "system_site_mode_request_nack", hex("05")},
        {{0x00000017, 0x00000018}, "request_software_version_number", "B+", "software_version_number_request_response", "software_version_number_request_nack", hex("01 03 312E30")},
        {{0x0000009F, 0x000000A0}, "request_top_level_system_software_version_number", "C", "request_top_level_system_software_version_number_response", nullptr, hex("03 312E32")},
        {{0x00000019, 0x0000001A}, "request_firmware_version_number", "C", "request_firmware_version_number_response", nullptr, hex("02 02 4142")},
        {{0x000000B9, 0x000000BA}, "request_module_serial_number", "C", "request_module_serial_number_response", nullptr, hex("01 03 534E31")},
        {{0x00000003, 0x00000004}, "request_silicon_serial_number", "T", "request_silicon_serial_number_response", nullptr, silicon},
        {{0x000000B7, 0x000000B8}, "request_stock_numbers", "T", "request_stock_numbers_response", nullptr, stock},
        {{0x000000B2, 0x000000B3}, "set_default_boot_application", "D", "request_default_boot_application_response", nullptr, hex("0102")},
        {{0x0000009D, 0x0000009E}, "request_modem_startup_status", "D", "request_modem_startup_status_response", nullptr, hex("01")},
        {{0x0000009B}, "Tac1_msg_modem_save_cfg_to_nvm_set", "A", "save_configuration_to_non_volatile_memory_set_ack", "save_configuration_to_non_volatile_memory_set_nack", {}},
        {{0x00020001}, "audio_tx_output_level_set", "A", "audio_tx_output_level_set_ack", "audio_tx_output_level_set_nack", {}},
        {{0x00020002}, "audio_tx_output_level_request", "B", "audio_tx_output_level_request_response", "audio_tx_output_level_request_nack", hex("01FFF6")},
        {{0x00020005}, "key_to_audio_tx_delay_set", "A", "key_to_audio_tx_delay_set_ack", "key_to_audio_tx_delay_set_nack", {}},
        {{0x00020007}, "audio_tx_to_unkey_delay", "A", "audio_tx_to_unkey_delay_set_ack", "audio_tx_to_unkey_delay_set_nack", {}},
        {{0x000300AA}, "set_system_mode", "A+", "system_mode_set_ack", "system_mode_set_nack", {}},
        {{0x00030037}, "Tac1_msg_tx_kill_pause_set", "A", "psk_fsk_tx_kill_set_ack", "psk_fsk_tx_kill_set_nack", {}},
        {{0x0003002B}, "Tac1_msg_modem_duplex_set", "A", "modem_duplex_mode_set_ack", "modem_duplex_mode_set_nack", {}},
        {{0x00030009}, "Tac1_msg_psk_modem_ota_settings_set", "A", "psk_modem_ota_settings_set_ack", "psk_modem_ota_settings_set_nack", {}},
        {{0x0003000A}, "Tac1_msg_psk_modem_ota_settings_set", "B", "psk_modem_ota_settings_request_response", "psk_modem_ota_settings_request_nack", hex("010203040506")},
        {{0x00030027}, "Tac1_msg_psk_modem_deaquire_limit_set", "A", "psk_modem_deacquire_limit_set_ack", "psk_modem_deacquire_limit_set_nack", {}},
        {{0x00030028}, "Tac1_msg_psk_modem_deaquire_limit_set", "B", "psk_modem_deacquire_limit_request_response", "psk_modem_deacquire_limit_request_nack", hex("07")},
        {{0x00030039}, "Tac1_msg_return_to_acquisition_set", "A", "psk_fsk_return_to_acquisition_set_ack", "psk_fsk_return_to_acquisition_set_nack", {}},
        {{0x00010001}, "Tac1_msg_dte_port_mode_set", "A", "dte_port_mode_set_ack", "dte_port_mode_set_nack", {}},
        {{0x00010002}, "Tac1_msg_dte_port_mode_set", "B", "dte_port_mode_request_response", "dte_port_mode_request_nack", hex("02")},
        {{0x0001001F}, "Tac1_msg_dte_port_asynchronous_settings_set", "A", "dte_port_async_settings_set_ack", "dte_port_async_settings_set_nack", {}},
        {{0x00010020}, "Tac1_msg_dte_port_asynchronous_settings_set", "B", "dte_port_async_settings_request_response", "dte_port_async_settings_request_nack", hex("07080100")},
        {{0x0001000B}, "Tac1_msg_dte_port_asynchronous_flow_control_set", "A", "dte_port_async_flow_control_set_ack", "dte_port_async_flow_control_set_nack", {}},
        {{0x0001000C}, "Tac1_msg_dte_port_asynchronous_flow_control_set", "B", "dte_port_async_flow_control_request_response", "dte_port_async_flow_control_request_nack", hex("01")},
        {{0x0001001D}, "Tac1_msg_dte_port_activity_mode_set", "A", "dte_port_activity_mode_set_ack", "dte_port_activity_mode_set_nack", {}},
        {{0x0001001E}, "Tac1_msg_dte_port_activity_mode_set", "B", "dte_port_activity_mode_request_response", "dte_port_activity_mode_request_nack", hex("0102 7E7E0102 03 00 01F4")},
        {{0x000A0001}, "Tac1_msg_dte_port_send_data_to_modem_set", "A", "send_data_to_modem_set_ack", "send_data_to_modem_set_nack", {}},
        {{0x000A0003}, "Tac1_msg_send_data_to_modem_flow_stop_indication", "I", "data_to_modem_flow_stop_indication", nullptr, {}},
        {{0x000A0005}, "Tac1_msg_send_data_to_modem_flow_start_indication", "I", "data_to_modem_flow_start_indication", nullptr, {}},
        {{0x000A0007}, "Tac1_msg_dte_port_send_data_from_modem_set", "S", "data_from_modem_set", nullptr, hex("0003 414243 01")},
        {{0x000A000D}, "Tac1_msg_send_data_from_modem_enable_set", "A", "send_data_from_modem_flow_enable_set_ack", "send_data_from_modem_flow_enable_set_nack", {}},
        {{0x000A000F}, "Tac1_msg_send_data_from_modem_disable_set", "A", "send_data_from_modem_flow_disable_set_ack", "send_data_from_modem_flow_disable_set_nack", {}},
        {{0x000A0018}, "Tac1_msg_data_upload_mode_set", "A", "send_data_from_modem_upload_mode_set_ack", "send_data_from_modem_upload_mode_set_nack", {}},
        {{0x00120002}, "Tac1_msg_od_result_indication", "I", "occupancy_detected_result_indication", nullptr, hex("0001 0002 0003 0004 0005")},
        {{0x000C0011, 0x000C0012}, "request_mac_address", "D", "request_mac_address_response", nullptr, hex("0A1B2C3D4E5F")},
        {{0x000C0013, 0x000C0014}, "request_ip_configuration", "D", "request_ip_configuration_response", nullptr, hex("C0A80001 FFFFFF00 C0A800FE")},
        {{0x02BC001F, 0x02BC0020}, "request_rtc_temperature", "D", "request_rtc_temperature_response", nullptr, hex("FFEC")},
        {{0x000D0019}, "Tac1_msg_radio_select_set", "A", "radio_select_set_ack", "radio_select_set_nack", {}},
        {{0x000D001A}, "Tac1_msg_radio_select_set", "B", "radio_select_request_response", "radio_select_request_nack", hex("02 03 414243")},
        {{0x000D002D}, "Tac1_msg_radio_channel_change_and_atu_tune_time_set", "A", "radio_channel_change_and_atu_tune_time_set_ack", "radio_channel_change_and_atu_tune_time_set_nack", {}},
        {{0x000D002E}, "Tac1_msg_radio_channel_change_and_atu_tune_time_set", "B", "radio_channel_change_and_atu_tune_time_request_response", "radio_channel_change_and_atu_tune_time_request_nack", hex("0001000200030004")},
        {{0x000D0001}, "Tac1_msg_radio_ff_params_set", "A", "radio_fixed_freq_parameters_set_ack", "radio_fixed_freq_parameters_set_nack", {}},
        {{0x000D0002}, "Tac1_msg_radio_ff_params_set", "B", "radio_fixed_freq_parameters_request_response", "radio_fixed_freq_parameters_request_nack", hex("0007 00000001 00000002 03 01 00")},
        {{0x000D0015}, "Tac1_msg_radio_rcm_activate_set", "A", "radio_control_activation_set_ack", "radio_control_activation_set_nack", {}},
        {{0x000D0016}, "Tac1_msg_radio_rcm_activate_set", "B", "radio_control_activation_request_response", "radio_control_activation_request_nack", hex("01")},
        {{0x000D0018}, "Tac1_msg_radio_rcm_status_indication", "I", "rcm_status_indication", nullptr, hex("0102")},
        {{0x012C0005}, "Tac1_msg_register_for_individual_indication_set", "A", "registration_for_an_inividual_indication_set_ack", "registration_for_an_inividual_indication_set_nack", {}, true},
        {{0x000300AD}, "Tac1_msg_wf_autobaud_indication", "I", "wf_autobaud_indication", nullptr, hex("0506")},
        {{0x000300B1}, "Tac1_msg_modem_tx_status_indication", "I", "modem_tx_status_indication", nullptr, hex("0102")},
        {{0x000300B0}, "Tac1_msg_modem_rx_status_indication", "I", "modem_rx_status_indication", nullptr, hex("0102")},
        {{0x000300AC}, "Tac1_msg_wf_lqa_indication", "I", "wf_lqa_indication", nullptr, hex("F60A020503FF3801")},
        {{0x000B0006}, "Tac1_msg_ale_status_report_indication", "I", "ale_report_status_indication", nullptr, hex("010203040506 03 410042")},
        {{0x00050001}, "set_ale_system_mode", "A+", "ale_system_mode_set_ack", "ale_system_mode_set_nack", {}},
        {{0x00050005}, "set_ale_activity_timeout", "A+", "ale_activity_timeout_set_ack", "ale_activity_timeout_set_nack", {}},
        {{0x0005000F}, "set_ale_lbt_time", "A+", "ale_lbt_time_set_ack", "ale_lbt_time_set_nack", {}},
        {{0x00040009}, "set_ale_scan_list_entry", "A+", "ale_scan_list_entry_set_ack", "ale_scan_list_entry_set_nack", {}},
        {{0x0004007F}, "set_ale_address_table_ext", "A+", "ale_address_table_ext_set_ack", "ale_address_table_ext_set_nack", {}},
        {{0x0004000F}, "set_ale_nonvolatile_memory_reset", "A+", "ale_nonvolatile_memory_reset_set_ack", "ale_nonvolatile_memory_reset_set_nack", {}},
        {{0x00060005}, "set_ale_call_setup", "A+", "ale_call_setup_set_ack", "ale_call_setup_set_nack", {}},
        {{0x00060007}, "set_ale_call_control", "A+", "ale_call_control_set_ack", "ale_call_control_set_nack", {}},
        {{0x00060015}, "set_ale_terminate_link", "A+", "ale_terminate_link_set_ack", "ale_terminate_link_set_nack", {}},
        {{0x00060001}, "set_ale_abort_request", "A+", "ale_abort_request_set_ack", "ale_abort_request_set_nack", {}},
        {{0x02BC0015, 0x02BC0016}, "set_lz7_hw_testing_audio_test_type", "X", nullptr, nullptr, hex("0102FD")},
        {{0x02BC0017, 0x02BC0018}, "request_audio_rx_level", "B", "audio_rx_level_request_response", "audio_rx_level_request_nack", hex("FFFFFFFF 00000010")},
        {{0x02BC0019, 0x02BC001A}, "request_audio_quality", "C", "request_audio_quality_response", nullptr, hex("F603")},
        {{0x02BC000D, 0x02BC000E}, "request_lz7_n_ppt_sense_1", "T", "request_lz7_n_ppt_sense1_response", nullptr, hex("01")},
        {{0x02BC000F, 0x02BC0010}, "request_lz7_n_ppt_sense_2", "T", "request_lz7_n_ppt_sense2_response", nullptr, hex("01")},
        {{0x02BC0001}, "set_lz7_keyline1", "X", nullptr, nullptr, hex("01")},
        {{0x02BC0003}, "set_lz7_keyline2", "X", nullptr, nullptr, hex("01")},
        {{0x02BC001B, 0x02BC001C}, "set_lz7_hw_testing_uart_test", "X", nullptr, nullptr, hex("010203")},
        {{0x02BC001D, 0x02BC001E}, "request_lz7_hw_testing_test_result", "T", "request_lz7_hw_testing_test_result_response", nullptr, hex("FE 0002 4F4B")},
        {{0x02BC0021, 0x02BC0022}, "set_lz7_hw_testing_ctrl_processor_test_type", "X", nullptr, nullptr, hex("0102")},
        {{0x02BC0023, 0x02BC0024}, "request_lz7_hw_testing_ctrl_processor_test_result", "T", "request_lz7_hw_testing_ctrl_processor_test_result_response", nullptr, hex("FE 0002 4F4B")},
    };
    // clang-format on
}

constexpr std::uint8_t reply_transaction = 0x42;

} // namespace

class Tst_reply_table : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reply_table_data();
    void reply_table();
    void every_signal_is_exercised();
    void tx_kill_replies_use_the_later_row();
    void unknown_identifier_raises_nothing();
};

void Tst_reply_table::initTestCase()
{
    qRegisterMetaType<const char*>("const char*");
}

void Tst_reply_table::reply_table_data()
{
    QTest::addColumn<quint32>("identifier");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<int>("msg_ok");    // -1: not checked
    QTest::addColumn<bool>("numbered"); // first argument is the reply's transaction

    const QList<std::pair<int, const char*>> types = {{ack, "ACK"},
                                                      {nack, "NACK"},
                                                      {request, "REQUEST"},
                                                      {response, "RESPONSE"},
                                                      {indication, "INDICATION"},
                                                      {invalid, "INVALID"}};

    for (const Expected_row& row : expected_rows()) {
        const QString style = row.style;
        const QString label = row.label;
        for (const auto& [type, type_name] : types) {
            // A RESPONSE answers the get identifier; everything else uses the set's.
            const quint32 id = type == response ? row.identifiers.last() : row.identifiers.first();
            QByteArray payload = row.payload;
            if (type == ack) {
                payload.clear();
            } else if (type == nack) {
                payload = hex("00000025 00000000 00000000 01");
            }

            QStringList warnings;
            if (type == nack) {
                warnings << nacked(label, "COMMAND NOT EXECUTED");
            } else if (type == invalid) {
                warnings << "#### ERROR #### Unhandled response from " + label;
            }
            const bool check = type != nack && type != invalid;

            bool positive = false;
            bool negative = false;
            if (style == "A" || style == "A+") {
                positive = type == ack;
                negative = type == nack;
            } else if (style == "B") {
                positive = type == response;
                negative = type == nack;
            } else if (style == "B+") {
                positive = check;
                negative = !check;
            } else if (style == "C" || style == "T") {
                positive = true;
            } else if (style == "D") {
                positive = type == response;
            } else if (style == "I") {
                positive = type == indication;
            } else if (style == "S") {
                positive = type == request;
            }

            // The console's own registration service answers anything but
            // ACK and NACK for its identifier before the row sees it.
            if (row.served_by_handler && type != ack && type != nack) {
                positive = negative = false;
                warnings.clear();
            }

            QStringList expected_signals;
            if (positive) {
                expected_signals << row.positive;
            }
            if (negative) {
                expected_signals << row.negative;
            }
            int msg_ok = -1;
            if (style == "C") {
                msg_ok = check ? 1 : 0;
            } else if (style == "T" || style == "D") {
                msg_ok = 1;
            }
            QTest::addRow("%s %s %s", row.label, row.style, type_name)
                << id << type << payload << expected_signals << warnings << msg_ok
                << (style == "A+");
        }
    }
}

void Tst_reply_table::reply_table()
{
    QFETCH(quint32, identifier);
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, emitted);
    QFETCH(QStringList, warnings);
    QFETCH(int, msg_ok);
    QFETCH(bool, numbered);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    Signal_recorder recorder(&modem);
    peer.reply(identifier, reply_transaction, static_cast<std::uint8_t>(type), payload);

    QCOMPARE(recorder.fired(), emitted);
    QCOMPARE(Interface_log::warnings(), warnings);
    if (!emitted.isEmpty()) {
        const QList<QVariant> arguments = recorder.spy(emitted.first()).first();
        if (msg_ok >= 0) {
            QCOMPARE(arguments.value(0).toBool(), msg_ok == 1);
        }
        if (numbered) {
            QCOMPARE(arguments.value(0).toInt(), int(reply_transaction));
        }
    }
}

void Tst_reply_table::every_signal_is_exercised()
{
    // Every signal but the never-raised ones appears in the table above.
    Test_modem modem;
    Signal_recorder recorder(&modem);
    QSet<QString> covered;
    for (const Expected_row& row : expected_rows()) {
        covered << QString::fromLatin1(row.positive) << QString::fromLatin1(row.negative);
    }
    const QStringList never = {"set_front_pannel_led_state_response",
                               "set_buzzer_tone_response",
                               "set_buzzer_tune_response",
                               "set_lz7_keyline1_response",
                               "set_lz7_keyline2_response",
                               "set_lz7_hw_testing_uart_test_response",
                               "set_lz7_hw_testing_ctrl_processor_test_type_response"};
    const QMetaObject* meta = modem.metaObject();
    int count = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal ||
            (method.attributes() & QMetaMethod::Cloned) || method.name() == "send_sipc_data") {
            continue;
        }
        const QString name = QString::fromLatin1(method.name());
        QVERIFY2(covered.contains(name) != never.contains(name), qPrintable(name));
        ++count;
    }
    QCOMPARE(count, recorder.size());
}

void Tst_reply_table::tx_kill_replies_use_the_later_row()
{
    // Both operations send the same message; the acknowledgement row of
    // set_psk_fsk_tx_kill is the one in force for replies to either.
    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    QSignalSpy acks(&modem, &vq_qt::QModem_interface::psk_fsk_tx_kill_set_ack);
    QSignalSpy nacks(&modem, &vq_qt::QModem_interface::psk_fsk_tx_kill_set_nack);
    QVERIFY(modem.set_tx_kill_resume(1));
    peer.reply(0x00030037, 1, ack);
    QVERIFY(modem.set_tx_kill_resume(0));
    peer.nack(0x00030037, 2, 129);
    QCOMPARE(acks.count(), 1);
    QCOMPARE(nacks.count(), 1);
    QCOMPARE(Interface_log::warnings(),
             QStringList{nacked("Tac1_msg_tx_kill_pause_set", "PARAMETER 1")});
}

void Tst_reply_table::unknown_identifier_raises_nothing()
{
    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    Signal_recorder recorder(&modem);
    peer.reply(0x00020003, 1, response, hex("01"));
    peer.reply(0x00020004, 1, indication);
    QVERIFY(recorder.fired().isEmpty());
    QVERIFY(Interface_log::warnings().isEmpty());
}

QTEST_GUILESS_MAIN(Tst_reply_table)
#include "tst_reply_table.moc"
