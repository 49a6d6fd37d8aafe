// Every message class built and decoded: header rules for all 556 classes,
// and a field-by-field round trip, size checks and empty accessors for every
// class with a payload layout.
#include "message_samples.h"

#include <QtTest>
#include <set>

using namespace tac1_test;
using vq::Tac1_pdu;

Q_DECLARE_METATYPE(vq::Tac_message_types)

namespace {

// Payload size of every class with a layout when all counts are 0, from
// the published field offsets and widths.
const std::pair<const char*, std::uint32_t> fixed_payload_sizes[] = {
    {"Tac1_msg_modem_ctrl_reset_set", 1},
    {"Tac1_msg_sil_serial_num_set", 18},
    {"Tac1_msg_sil_serial_num_get", 0},
    {"Tac1_system_software_ver_set", 2},
    {"Tac1_system_software_ver_get", 1},
    {"Tac1_msg_modem_firmware_version_num_set", 2},
    {"Tac1_msg_modem_firmware_version_num_get", 1},
    {"Tac1_msg_system_site_mode_set", 1},
    {"Tac1_msg_system_site_mode_get", 0},
    {"Tac1_msg_modem_save_cfg_to_nvm_set", 0},
    {"Tac1_msg_modem_startup_status_set", 1},
    {"Tac1_msg_modem_startup_status_get", 0},
    {"Tac1_system_top_level_sw_version_set", 1},
    {"Tac1_system_top_level_sw_version_get", 0},
    {"Tac1_msg_modem_default_boot_app_set", 2},
    {"Tac1_msg_modem_default_boot_app_get", 0},
    {"Tac1_msg_modem_stock_number_set", 151},
    {"Tac1_msg_modem_stock_number_get", 0},
    {"Tac1_msg_modem_module_serial_number_set", 2},
    {"Tac1_msg_modem_module_serial_number_get", 1},
    {"Tac1_msg_dte_port_mode_set", 1},
    {"Tac1_msg_dte_port_mode_get", 0},
    {"Tac1_msg_dte_port_asynchronous_flow_control_set", 1},
    {"Tac1_msg_dte_port_asynchronous_flow_control_get", 0},
    {"Tac1_msg_dte_port_activity_mode_set", 10},
    {"Tac1_msg_dte_port_activity_mode_get", 0},
    {"Tac1_msg_dte_port_asynchronous_settings_set", 4},
    {"Tac1_msg_dte_port_asynchronous_settings_get", 0},
    {"Tac1_msg_audio_tx_output_level_set", 3},
    {"Tac1_msg_audio_tx_output_level_get", 1},
    {"Tac1_msg_audio_key_to_tx_delay_set", 3},
    {"Tac1_msg_audio_tx_to_unkey_delay_set", 3},
    {"Tac1_msg_psk_modem_ota_settings_set", 6},
    {"Tac1_msg_psk_modem_ota_settings_get", 1},
    {"Tac1_msg_psk_modem_deaquire_limit_set", 1},
    {"Tac1_msg_psk_modem_deaquire_limit_get", 0},
    {"Tac1_msg_modem_duplex_set", 1},
    {"Tac1_msg_tx_kill_pause_set", 1},
    {"Tac1_msg_return_to_acquisition_set", 1},
    {"Tac1_msg_system_mode_set", 1},
    {"Tac1_msg_wf_lqa_indication", 8},
    {"Tac1_msg_wf_autobaud_indication", 2},
    {"Tac1_msg_modem_rx_status_indication", 2},
    {"Tac1_msg_modem_tx_status_indication", 2},
    {"Tac1_msg_ale_scan_list_entry_set", 29},
    {"Tac1_msg_nonvolatile_memory_reset_set", 1},
    {"Tac1_msg_ale_address_table_ext_set", 57},
    {"Tac1_msg_ale_system_mode_set", 1},
    {"Tac1_msg_ale_activity_timeout_set", 2},
    {"Tac1_msg_ale_lbt_time_set", 1},
    {"Tac1_msg_ale_abort_request_set", 1},
    {"Tac1_msg_ale_call_setup_set", 8},
    {"Tac1_msg_ale_call_control_set", 1},
    {"Tac1_msg_ale_terminate_link_set", 1},
    {"Tac1_msg_ale_status_report_indication", 7},
    {"Tac1_msg_dte_port_send_data_to_modem_set", 2},
    {"Tac1_msg_send_data_to_modem_flow_stop_indication", 0},
    {"Tac1_msg_send_data_to_modem_flow_start_indication", 0},
    {"Tac1_msg_dte_port_send_data_from_modem_set", 3},
    {"Tac1_msg_send_data_from_modem_enable_set", 0},
    {"Tac1_msg_send_data_from_modem_disable_set", 0},
    {"Tac1_msg_data_upload_mode_set", 1},
    {"Tac1_msg_misc_mac_address_set", 6},
    {"Tac1_msg_misc_mac_address_get", 0},
    {"Tac1_msg_misc_ip_configuration_set", 12},
    {"Tac1_msg_misc_ip_configuration_get", 0},
    {"Tac1_msg_radio_ff_params_set", 13},
    {"Tac1_msg_radio_ff_params_get", 0},
    {"Tac1_msg_radio_rcm_activate_set", 1},
    {"Tac1_msg_radio_rcm_activate_get", 0},
    {"Tac1_msg_radio_rcm_status_indication", 2},
    {"Tac1_msg_radio_select_set", 2},
    {"Tac1_msg_radio_select_get", 1},
    {"Tac1_msg_radio_channel_change_and_atu_tune_time_set", 8},
    {"Tac1_msg_radio_channel_change_and_atu_tune_time_get", 0},
    {"Tac1_msg_od_result_indication", 10},
    {"Tac1_msg_register_for_set_indications_set", 1},
    {"Tac1_msg_register_for_set_indications_get", 0},
    {"Tac1_msg_register_for_event_indications_set", 1},
    {"Tac1_msg_register_for_event_indications_get", 0},
    {"Tac1_msg_register_for_individual_indication_set", 11},
    {"Tac1_msg_register_for_individual_indication_get", 10},
    {"Tac1_msg_register_for_indication_per_group_set", 9},
    {"Tac1_msg_register_for_indication_per_group_get", 8},
    {"Tac1_msg_unregister_for_all_indications_indication", 0},
    {"Tac1_msg_front_panel_led_set", 1},
    {"Tac1_msg_buzzer_tone_set", 9},
    {"Tac1_msg_buzzer_tune_set", 5},
    {"Tac1_msg_module_sn_and_mac_set", 13},
    {"Tac1_msg_lz7_hw_testing_keyline1_set", 1},
    {"Tac1_msg_lz7_hw_testing_keyline2_set", 1},
    {"Tac1_msg_lz7_hw_testing_nptt_sense1_set", 1},
    {"Tac1_msg_lz7_hw_testing_nptt_sense1_get", 0},
    {"Tac1_msg_lz7_hw_testing_nptt_sense2_set", 1},
    {"Tac1_msg_lz7_hw_testing_nptt_sense2_get", 0},
    {"Tac1_msg_lz7_hw_testing_audio_test_type_set", 3},
    {"Tac1_msg_lz7_hw_testing_audio_rx_level_set", 8},
    {"Tac1_msg_lz7_hw_testing_audio_rx_level_get", 0},
    {"Tac1_msg_lz7_hw_testing_audio_quality_set", 2},
    {"Tac1_msg_lz7_hw_testing_audio_quality_get", 0},
    {"Tac1_msg_lz7_hw_testing_uart_test_set", 3},
    {"Tac1_msg_lz7_hw_testing_test_result_set", 3},
    {"Tac1_msg_lz7_hw_testing_test_result_get", 0},
    {"Tac1_msg_lz7_hw_testing_rtc_temperature_set", 2},
    {"Tac1_msg_lz7_hw_testing_rtc_temperature_get", 0},
    {"Tac1_msg_lz7_hw_testing_gpp_test_set", 2},
    {"Tac1_msg_lz7_hw_testing_gpp_test_result_set", 3},
    {"Tac1_msg_lz7_hw_testing_gpp_test_result_get", 0},
};

std::uint32_t payload_of(const Tac_pdu_buffer& pdu)
{
    return pdu.size() - reserve - 6;
}

// The forms a class can be built in: all three for a set with a partner,
// and the one it always takes otherwise.
std::vector<Tac_message_types> forms_of(Tac1_kind kind)
{
    if (kind == Tac1_kind::set) {
        return {Tac_message_types::REQUEST, Tac_message_types::RESPONSE,
                Tac_message_types::INDICATION};
    }
    return {Tac_message_types::REQUEST};
}

const char* form_name(Tac_message_types form)
{
    switch (form) {
    case Tac_message_types::REQUEST:
        return "request";
    case Tac_message_types::RESPONSE:
        return "response";
    case Tac_message_types::INDICATION:
        return "indication";
    default:
        return "other";
    }
}

} // namespace

class Tst_round_trip : public QObject
{
    Q_OBJECT

private slots:
    void every_class_builds_by_its_kind_data();
    void every_class_builds_by_its_kind();
    void fixed_sizes_data();
    void fixed_sizes();
    void laid_out_classes_are_exactly_the_published_ones();
    void round_trip_data();
    void round_trip();
    void size_errors_data();
    void size_errors();
};

void Tst_round_trip::every_class_builds_by_its_kind_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Tac_message_types>("form");
    QTest::addColumn<Tac_message_types>("other_form");
    for (const auto& c : message_classes()) {
        for (Tac_message_types form : forms_of(c.kind)) {
            QTest::addRow("%s %s", c.name, form_name(form)) << QString(c.name) << form << form;
        }
        // A form argument other than RESPONSE or INDICATION builds a REQUEST.
        if (c.kind == Tac1_kind::set) {
            QTest::addRow("%s ack form", c.name)
                << QString(c.name) << Tac_message_types::REQUEST << Tac_message_types::ACK;
        }
    }
}

// Identifier and type follow the kind: a set answers in the form it is asked
// for (RESPONSE with its partner's identifier), a command and a get are
// always REQUEST, an indication always INDICATION. The transaction and the
// buffer shape are those given, and the class decodes its own bytes.
void Tst_round_trip::every_class_builds_by_its_kind()
{
    QFETCH(QString, name);
    QFETCH(Tac_message_types, form);
    QFETCH(Tac_message_types, other_form);
    const Message_class* c = find_class(name);
    QVERIFY(c != nullptr);
    const auto [error, pdu] = c->build(other_form);
    QCOMPARE(error, 0);

    std::uint32_t identifier = c->identifier;
    Tac_message_types type = Tac_message_types::REQUEST;
    if (c->kind == Tac1_kind::indication) {
        type = Tac_message_types::INDICATION;
    } else if (c->kind == Tac1_kind::set) {
        type = form;
        if (form == Tac_message_types::RESPONSE) {
            identifier = c->partner;
        }
    }
    QCOMPARE(Tac1_pdu::identifier_of(pdu, header_offset), identifier);
    QCOMPARE(Tac1_pdu::type_of(pdu, header_offset), type);
    QCOMPARE(Tac1_pdu::transaction_of(pdu, header_offset), std::uint8_t{9});
    QVERIFY(pdu.size() >= reserve + 6);

    const auto [decode_error, fields] = c->decode(pdu);
    QCOMPARE(decode_error, 0);
    QCOMPARE(fields, QString());
}

void Tst_round_trip::fixed_sizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("payload");
    for (const auto& [name, payload] : fixed_payload_sizes) {
        QTest::newRow(name) << QString(name) << payload;
    }
}

// With every count at 0 the payload is the sum of the fixed field widths.
void Tst_round_trip::fixed_sizes()
{
    QFETCH(QString, name);
    QFETCH(quint32, payload);
    const Message_class* c = find_class(name);
    QVERIFY(c != nullptr);
    const auto [error, pdu] = c->build_zero(Tac_message_types::REQUEST);
    QCOMPARE(error, 0);
    QCOMPARE(payload_of(pdu), payload);
    // The zero build decodes as well, and to a buffer one byte short or long
    // the class answers 3 or 2.
    QCOMPARE(c->decode(pdu).first, 0);
    QCOMPARE(c->decode(resized(pdu, -1)).first, 3);
    QCOMPARE(c->decode(resized(pdu, +1)).first, 2);
}

void Tst_round_trip::laid_out_classes_are_exactly_the_published_ones()
{
    std::set<QString> published;
    for (const auto& row : fixed_payload_sizes) {
        QVERIFY2(published.insert(row.first).second, row.first);
    }
    std::set<QString> laid_out;
    for (const auto& c : message_classes()) {
        if (c.has_layout) {
            laid_out.insert(c.name);
        }
    }
    QCOMPARE(laid_out.size(), published.size());
    QVERIFY(laid_out == published);
    // Classes outside the list decode any payload size (their layout is the
    // modem's business); the published ones refuse a byte too many.
    for (const auto& c : message_classes()) {
        const auto [error, pdu] = c.build_zero(Tac_message_types::REQUEST);
        QCOMPARE(error, 0);
        const bool published_layout = published.count(c.name) != 0;
        QVERIFY2((c.decode(resized(pdu, +1)).first == 2) == published_layout, c.name);
    }
}

void Tst_round_trip::round_trip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Tac_message_types>("form");
    for (const auto& c : message_classes()) {
        if (!c.has_layout) {
            continue;
        }
        for (Tac_message_types form : forms_of(c.kind)) {
            QTest::addRow("%s %s", c.name, form_name(form)) << QString(c.name) << form;
        }
    }
}

// Sample values in every field come back unchanged through the bytes.
void Tst_round_trip::round_trip()
{
    QFETCH(QString, name);
    QFETCH(Tac_message_types, form);
    const Message_class* c = find_class(name);
    QVERIFY(c != nullptr);
    const auto [error, pdu] = c->build(form);
    QCOMPARE(error, 0);
    const auto [decode_error, fields] = c->decode(pdu);
    QCOMPARE(decode_error, 0);
    QCOMPARE(fields, QString());
}

void Tst_round_trip::size_errors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("error");
    for (const auto& c : message_classes()) {
        if (!c.has_layout) {
            continue;
        }
        QTest::addRow("%s short", c.name) << QString(c.name) << -1 << 3;
        QTest::addRow("%s long", c.name) << QString(c.name) << 1 << 2;
        if (payload_of(c.build(Tac_message_types::REQUEST).second) > 0) {
            QTest::addRow("%s header only", c.name) << QString(c.name) << -1000 << 3;
        }
    }
}

// A buffer that does not match the layout fails with the size error, and
// then every accessor yields 0 or copies nothing.
void Tst_round_trip::size_errors()
{
    QFETCH(QString, name);
    QFETCH(int, delta);
    QFETCH(int, error);
    const Message_class* c = find_class(name);
    QVERIFY(c != nullptr);
    const Tac_pdu_buffer pdu = c->build(Tac_message_types::REQUEST).second;
    if (delta == -1000) {
        delta = -static_cast<int>(payload_of(pdu));
    }
    const auto [decode_error, fields] = c->decode(resized(pdu, delta));
    QCOMPARE(decode_error, error);
    QCOMPARE(fields, QString());
}

QTEST_APPLESS_MAIN(Tst_round_trip)
#include "tst_round_trip.moc"
