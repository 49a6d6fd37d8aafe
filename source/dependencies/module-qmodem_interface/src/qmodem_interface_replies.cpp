// The reply table: which replies and indications the interface registers
// for, under which label their log lines appear, and which signal each one
// raises. One row per message (or set/get pair); rows are registered in
// order, so a later row for the same identifier is the one in force.

#include "qmodem_interface_p.h"

#include <QStringList>
#include <array>

namespace vq_qt {
namespace {

using Q = QModem_interface;
using Buffer = vq::Tac_pdu_buffer;
using Style = Reply_style;
using Ids = std::vector<std::uint32_t>;

constexpr std::uint32_t reserve = QModem_interface::protocol_reserve;
constexpr std::uint32_t header_offset = QModem_interface::protocol_header_offset;

// The identifiers of the given message classes.
template <typename... Messages>
Ids ids()
{
    return {Messages::message_identifier...};
}

// --- outcome templates -----------------------------------------------------

template <auto Ack, auto Nack>
Reply_row ack_row(Ids identifiers, const char* label)
{
    return {std::move(identifiers), label, Style::a,
            [](Q& q, const Buffer&, bool) {
                (q.*Ack)();
                return std::int32_t{0};
            },
            [](Q& q, const Buffer&) { (q.*Nack)(); }};
}

// Both signals carry the transaction number of the reply.
template <auto Ack, auto Nack>
Reply_row numbered_ack_row(Ids identifiers, const char* label)
{
    return {std::move(identifiers), label, Style::a_plus,
            [](Q& q, const Buffer& buffer, bool) {
                (q.*Ack)(vq::Tac1_pdu::transaction_of(buffer, header_offset));
                return std::int32_t{0};
            },
            [](Q& q, const Buffer& buffer) {
                (q.*Nack)(vq::Tac1_pdu::transaction_of(buffer, header_offset));
            }};
}

template <auto Nack>
void emit_nack(Q& q, const Buffer&)
{
    (q.*Nack)();
}

// A row whose positive outcome decodes the reply as Msg and emits through
// `raise`; with `strict` a reply that does not decode emits nothing.
template <typename Msg>
Reply_row decoded_row(Ids identifiers, const char* label, Style style,
                      void (*raise)(Q&, const Msg&), Reply_row::Negative negative = {})
{
    return {std::move(identifiers), label, style,
            [raise](Q& q, const Buffer& buffer, bool strict) -> std::int32_t {
                const Msg message(buffer, reserve, header_offset);
                if (strict && !message.ok()) {
                    return message.error();
                }
                raise(q, message);
                return 0;
            },
            std::move(negative)};
}

Reply_row check_only_row(Ids identifiers, const char* label)
{
    return {std::move(identifiers), label, Style::x, {}, {}};
}

// --- field readers ---------------------------------------------------------

// Copies a byte field through its accessor (which copies nothing from a
// message that did not decode) and returns the bytes copied.
template <typename Accessor>
QByteArray block(std::uint32_t count, Accessor accessor)
{
    QByteArray bytes(static_cast<int>(count), '\0');
    bytes.truncate(static_cast<int>(accessor(bytes.data(), count)));
    return bytes;
}

// A byte field cut at its first zero byte, read as UTF-8.
QString text(const QByteArray& bytes)
{
    return utf8_field(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::uint32_t>(bytes.size()));
}

// --- decoders of the messages with payloads ---------------------------------

void software_version(Q& q, const vq::Tac1_system_software_ver_set& m)
{
    const QByteArray version = block(m.version_string_length(), [&](char* out, std::uint32_t n) {
        return m.version_string(out, n);
    });
    emit q.software_version_number_request_response(m.version_index(), text(version));
}

void top_level_version(Q& q, const vq::Tac1_system_top_level_sw_version_set& m)
{
    const QByteArray version = block(m.version_string_length(), [&](char* out, std::uint32_t n) {
        return m.version_string(out, n);
    });
    emit q.request_top_level_system_software_version_number_response(true, text(version));
}

void firmware_version(Q& q, const vq::Tac1_msg_modem_firmware_version_num_set& m)
{
    const QByteArray version = block(m.version_string_length(), [&](char* out, std::uint32_t n) {
        return m.version_string(out, n);
    });
    emit q.request_firmware_version_number_response(true, m.version_index(), text(version));
}

void module_serial_number(Q& q, const vq::Tac1_msg_modem_module_serial_number_set& m)
{
    const QByteArray serial =
        block(m.serial_number_string_length(),
              [&](char* out, std::uint32_t n) { return m.serial_number_string(out, n); });
    emit q.request_module_serial_number_response(true, m.module(), text(serial));
}

void silicon_serial_number(Q& q, const vq::Tac1_msg_sil_serial_num_set& m)
{
    // A count of valid bytes, then a 17-byte field.
    const std::uint32_t count = std::min<std::uint32_t>(m.valid_bytes(), 17);
    const QByteArray serial =
        block(count, [&](char* out, std::uint32_t n) { return m.silicon_serial_number(out, n); });
    emit q.request_silicon_serial_number_response(true, text(serial));
}

void stock_numbers(Q& q, const vq::Tac1_msg_modem_stock_number_set& m)
{
    const std::uint32_t count = std::min<std::uint32_t>(m.stock_number_count(), 10);
    QStringList numbers;
    for (std::uint32_t row = 0; row < count; ++row) {
        numbers << text(
            block(15, [&](char* out, std::uint32_t n) { return m.stock_number(row, out, n); }));
    }
    emit q.request_stock_numbers_response(true, numbers);
}

void mac_address(Q& q, const vq::Tac1_msg_misc_mac_address_set& m)
{
    const QByteArray mac =
        block(6, [&](char* out, std::uint32_t n) { return m.mac_address(out, n); });
    emit q.request_mac_address_response(true, QString::fromLatin1(mac.toHex().toUpper()));
}

void rtc_temperature(Q& q, const vq::Tac1_msg_lz7_hw_testing_rtc_temperature_set& m)
{
    const std::int16_t raw = m.temperature();
    if (raw == 0x7FFF) {
        emit q.request_rtc_temperature_response(true, false, 0.0f);
    } else {
        emit q.request_rtc_temperature_response(true, true, static_cast<float>(raw) * 0.5f);
    }
}

void activity_mode(Q& q, const vq::Tac1_msg_dte_port_activity_mode_set& m)
{
    std::array<char, 4> pattern{};
    m.sync_start_pattern(pattern.data(), 4);
    emit q.dte_port_activity_mode_request_response(m.dte_activity_mode(), m.tx_start_mode(),
                                                   pattern.data(), m.sync_stop(), m.reserved(),
                                                   m.async_stop());
}

void data_from_modem(Q& q, const vq::Tac1_msg_dte_port_send_data_from_modem_set& m)
{
    const QByteArray bytes =
        block(m.data_length(), [&](char* out, std::uint32_t n) { return m.data(out, n); });
    emit q.data_from_modem_set(bytes, m.final() != 0);
}

void radio_select(Q& q, const vq::Tac1_msg_radio_select_set& m)
{
    QByteArray description = block(
        m.description_length(), [&](char* out, std::uint32_t n) { return m.description(out, n); });
    const int zero = description.indexOf('\0');
    if (zero >= 0) {
        description.truncate(zero);
    }
    // The same encoding set_radio_select sends the name in, so that a name
    // the modem reports back is the one the console chose.
    emit q.radio_select_request_response(m.radio_port(), QString::fromLocal8Bit(description));
}

void ale_status_report(Q& q, const vq::Tac1_msg_ale_status_report_indication& m)
{
    QByteArray names = block(m.station_names_list_length(), [&](char* out, std::uint32_t n) {
        return m.station_names_list(out, n);
    });
    names.replace('\0', ' ');
    emit q.ale_report_status_indication(m.event(), m.call_type(), m.self_address_index(),
                                        m.preset_number(), m.lqa_to(), m.lqa_from(),
                                        m.station_names_list_length(), QString::fromUtf8(names));
}

void test_result(Q& q, const vq::Tac1_msg_lz7_hw_testing_test_result_set& m)
{
    const QByteArray detail =
        block(m.test_result_detail_string_length(),
              [&](char* out, std::uint32_t n) { return m.test_result_detail_string(out, n); });
    emit q.request_lz7_hw_testing_test_result_response(true, m.result(), text(detail));
}

void ctrl_processor_test_result(Q& q, const vq::Tac1_msg_lz7_hw_testing_gpp_test_result_set& m)
{
    const QByteArray detail =
        block(m.test_result_detail_string_length(),
              [&](char* out, std::uint32_t n) { return m.test_result_detail_string(out, n); });
    emit q.request_lz7_hw_testing_ctrl_processor_test_result_response(true, m.result(),
                                                                      text(detail));
}

// --- the table --------------------------------------------------------------

std::vector<Reply_row> build_reply_table()
{
    using namespace vq;
    std::vector<Reply_row> rows;

    // System and identification.
    rows.push_back(ack_row<&Q::reset_set_ack, &Q::reset_set_nack>(
        ids<Tac1_msg_modem_ctrl_reset_set>(), "Tac1_msg_modem_ctrl_reset_set"));
    rows.push_back(ack_row<&Q::system_site_mode_set_ack, &Q::system_site_mode_set_nack>(
        ids<Tac1_msg_system_site_mode_set>(), "Tac1_msg_system_site_mode_set"));
    rows.push_back(decoded_row<Tac1_msg_system_site_mode_set>(
        ids<Tac1_msg_system_site_mode_get>(), "Tac1_msg_system_site_mode_set", Style::b,
        [](Q& q, const Tac1_msg_system_site_mode_set& m) {
            emit q.system_site_mode_request_response(m.mode());
        },
        emit_nack<&Q::system_site_mode_request_nack>));
    rows.push_back(decoded_row<Tac1_system_software_ver_set>(
        ids<Tac1_system_software_ver_set, Tac1_system_software_ver_get>(),
        "request_software_version_number", Style::b_plus, software_version,
        emit_nack<&Q::software_version_number_request_nack>));
    rows.push_back(decoded_row<Tac1_system_top_level_sw_version_set>(
        ids<Tac1_system_top_level_sw_version_set, Tac1_system_top_level_sw_version_get>(),
        "request_top_level_system_software_version_number", Style::c, top_level_version,
        [](Q& q, const Buffer&) {
            emit q.request_top_level_system_software_version_number_response(false, "INVALID");
        }));
    rows.push_back(decoded_row<Tac1_msg_modem_firmware_version_num_set>(
        ids<Tac1_msg_modem_firmware_version_num_set, Tac1_msg_modem_firmware_version_num_get>(),
        "request_firmware_version_number", Style::c, firmware_version, [](Q& q, const Buffer&) {
            emit q.request_firmware_version_number_response(false, 127, "INVALID");
        }));
    rows.push_back(decoded_row<Tac1_msg_modem_module_serial_number_set>(
        ids<Tac1_msg_modem_module_serial_number_set, Tac1_msg_modem_module_serial_number_get>(),
        "request_module_serial_number", Style::c, module_serial_number, [](Q& q, const Buffer&) {
            emit q.request_module_serial_number_response(false, 127, "INVALID");
        }));
    rows.push_back(decoded_row<Tac1_msg_sil_serial_num_set>(
        ids<Tac1_msg_sil_serial_num_set, Tac1_msg_sil_serial_num_get>(),
        "request_silicon_serial_number", Style::t, silicon_serial_number, [](Q& q, const Buffer&) {
            emit q.request_silicon_serial_number_response(true, QString());
        }));
    rows.push_back(decoded_row<Tac1_msg_modem_stock_number_set>(
        ids<Tac1_msg_modem_stock_number_set, Tac1_msg_modem_stock_number_get>(),
        "request_stock_numbers", Style::t, stock_numbers,
        [](Q& q, const Buffer&) { emit q.request_stock_numbers_response(true, QStringList()); }));
    rows.push_back(decoded_row<Tac1_msg_modem_default_boot_app_set>(
        ids<Tac1_msg_modem_default_boot_app_set, Tac1_msg_modem_default_boot_app_get>(),
        "set_default_boot_application", Style::d,
        [](Q& q, const Tac1_msg_modem_default_boot_app_set& m) {
            emit q.request_default_boot_application_response(true, m.default_boot_application(),
                                                             m.bandwidth());
        }));
    rows.push_back(decoded_row<Tac1_msg_modem_startup_status_set>(
        ids<Tac1_msg_modem_startup_status_set, Tac1_msg_modem_startup_status_get>(),
        "request_modem_startup_status", Style::d,
        [](Q& q, const Tac1_msg_modem_startup_status_set& m) {
            emit q.request_modem_startup_status_response(true, m.startup_status());
        }));
    rows.push_back(ack_row<&Q::save_configuration_to_non_volatile_memory_set_ack,
                           &Q::save_configuration_to_non_volatile_memory_set_nack>(
        ids<Tac1_msg_modem_save_cfg_to_nvm_set>(), "Tac1_msg_modem_save_cfg_to_nvm_set"));

    // Audio port.
    rows.push_back(ack_row<&Q::audio_tx_output_level_set_ack, &Q::audio_tx_output_level_set_nack>(
        ids<Tac1_msg_audio_tx_output_level_set>(), "audio_tx_output_level_set"));
    rows.push_back(decoded_row<Tac1_msg_audio_tx_output_level_set>(
        ids<Tac1_msg_audio_tx_output_level_get>(), "audio_tx_output_level_request", Style::b,
        [](Q& q, const Tac1_msg_audio_tx_output_level_set& m) {
            emit q.audio_tx_output_level_request_response(m.port(), m.level());
        },
        emit_nack<&Q::audio_tx_output_level_request_nack>));
    rows.push_back(ack_row<&Q::key_to_audio_tx_delay_set_ack, &Q::key_to_audio_tx_delay_set_nack>(
        ids<Tac1_msg_audio_key_to_tx_delay_set>(), "key_to_audio_tx_delay_set"));
    rows.push_back(
        ack_row<&Q::audio_tx_to_unkey_delay_set_ack, &Q::audio_tx_to_unkey_delay_set_nack>(
            ids<Tac1_msg_audio_tx_to_unkey_delay_set>(), "audio_tx_to_unkey_delay"));

    // Waveform control. The tx kill message has two rows: the check-only
    // row of set_tx_kill_resume first, then the one in force.
    rows.push_back(numbered_ack_row<&Q::system_mode_set_ack, &Q::system_mode_set_nack>(
        ids<Tac1_msg_system_mode_set>(), "set_system_mode"));
    rows.push_back(check_only_row(ids<Tac1_msg_tx_kill_pause_set>(), "set_tx_kill_resume"));
    rows.push_back(ack_row<&Q::psk_fsk_tx_kill_set_ack, &Q::psk_fsk_tx_kill_set_nack>(
        ids<Tac1_msg_tx_kill_pause_set>(), "Tac1_msg_tx_kill_pause_set"));
    rows.push_back(ack_row<&Q::modem_duplex_mode_set_ack, &Q::modem_duplex_mode_set_nack>(
        ids<Tac1_msg_modem_duplex_set>(), "Tac1_msg_modem_duplex_set"));
    rows.push_back(ack_row<&Q::psk_modem_ota_settings_set_ack, &Q::psk_modem_ota_settings_set_nack>(
        ids<Tac1_msg_psk_modem_ota_settings_set>(), "Tac1_msg_psk_modem_ota_settings_set"));
    rows.push_back(decoded_row<Tac1_msg_psk_modem_ota_settings_set>(
        ids<Tac1_msg_psk_modem_ota_settings_get>(), "Tac1_msg_psk_modem_ota_settings_set", Style::b,
        [](Q& q, const Tac1_msg_psk_modem_ota_settings_set& m) {
            emit q.psk_modem_ota_settings_request_response(m.tx_rx(), m.waveform(), m.encoding(),
                                                           m.interleaver_lenght(), m.data_rate(),
                                                           m.isb_activation());
        },
        emit_nack<&Q::psk_modem_ota_settings_request_nack>));
    rows.push_back(
        ack_row<&Q::psk_modem_deacquire_limit_set_ack, &Q::psk_modem_deacquire_limit_set_nack>(
            ids<Tac1_msg_psk_modem_deaquire_limit_set>(), "Tac1_msg_psk_modem_deaquire_limit_set"));
    rows.push_back(decoded_row<Tac1_msg_psk_modem_deaquire_limit_set>(
        ids<Tac1_msg_psk_modem_deaquire_limit_get>(), "Tac1_msg_psk_modem_deaquire_limit_set",
        Style::b,
        [](Q& q, const Tac1_msg_psk_modem_deaquire_limit_set& m) {
            emit q.psk_modem_deacquire_limit_request_response(m.deacquire_limit());
        },
        emit_nack<&Q::psk_modem_deacquire_limit_request_nack>));
    rows.push_back(ack_row<&Q::psk_fsk_return_to_acquisition_set_ack,
                           &Q::psk_fsk_return_to_acquisition_set_nack>(
        ids<Tac1_msg_return_to_acquisition_set>(), "Tac1_msg_return_to_acquisition_set"));

    // DTE port.
    rows.push_back(ack_row<&Q::dte_port_mode_set_ack, &Q::dte_port_mode_set_nack>(
        ids<Tac1_msg_dte_port_mode_set>(), "Tac1_msg_dte_port_mode_set"));
    rows.push_back(decoded_row<Tac1_msg_dte_port_mode_set>(
        ids<Tac1_msg_dte_port_mode_get>(), "Tac1_msg_dte_port_mode_set", Style::b,
        [](Q& q, const Tac1_msg_dte_port_mode_set& m) {
            emit q.dte_port_mode_request_response(m.mode());
        },
        emit_nack<&Q::dte_port_mode_request_nack>));
    rows.push_back(
        ack_row<&Q::dte_port_async_settings_set_ack, &Q::dte_port_async_settings_set_nack>(
            ids<Tac1_msg_dte_port_asynchronous_settings_set>(),
            "Tac1_msg_dte_port_asynchronous_settings_set"));
    rows.push_back(decoded_row<Tac1_msg_dte_port_asynchronous_settings_set>(
        ids<Tac1_msg_dte_port_asynchronous_settings_get>(),
        "Tac1_msg_dte_port_asynchronous_settings_set", Style::b,
        [](Q& q, const Tac1_msg_dte_port_asynchronous_settings_set& m) {
            emit q.dte_port_async_settings_request_response(m.data_rate(), m.data_bits(),
                                                            m.stop_bits(), m.parity());
        },
        emit_nack<&Q::dte_port_async_settings_request_nack>));
    rows.push_back(
        ack_row<&Q::dte_port_async_flow_control_set_ack, &Q::dte_port_async_flow_control_set_nack>(
            ids<Tac1_msg_dte_port_asynchronous_flow_control_set>(),
            "Tac1_msg_dte_port_asynchronous_flow_control_set"));
    rows.push_back(decoded_row<Tac1_msg_dte_port_asynchronous_flow_control_set>(
        ids<Tac1_msg_dte_port_asynchronous_flow_control_get>(),
        "Tac1_msg_dte_port_asynchronous_flow_control_set", Style::b,
        [](Q& q, const Tac1_msg_dte_port_asynchronous_flow_control_set& m) {
            emit q.dte_port_async_flow_control_request_response(m.flow_control());
        },
        emit_nack<&Q::dte_port_async_flow_control_request_nack>));
    rows.push_back(ack_row<&Q::dte_port_activity_mode_set_ack, &Q::dte_port_activity_mode_set_nack>(
        ids<Tac1_msg_dte_port_activity_mode_set>(), "Tac1_msg_dte_port_activity_mode_set"));
    rows.push_back(decoded_row<Tac1_msg_dte_port_activity_mode_set>(
        ids<Tac1_msg_dte_port_activity_mode_get>(), "Tac1_msg_dte_port_activity_mode_set", Style::b,
        activity_mode, emit_nack<&Q::dte_port_activity_mode_request_nack>));

    // User data.
    rows.push_back(ack_row<&Q::send_data_to_modem_set_ack, &Q::send_data_to_modem_set_nack>(
        ids<Tac1_msg_dte_port_send_data_to_modem_set>(),
        "Tac1_msg_dte_port_send_data_to_modem_set"));
    rows.push_back(decoded_row<Tac1_msg_send_data_to_modem_flow_stop_indication>(
        ids<Tac1_msg_send_data_to_modem_flow_stop_indication>(),
        "Tac1_msg_send_data_to_modem_flow_stop_indication", Style::i,
        [](Q& q, const Tac1_msg_send_data_to_modem_flow_stop_indication&) {
            emit q.data_to_modem_flow_stop_indication();
        }));
    rows.push_back(decoded_row<Tac1_msg_send_data_to_modem_flow_start_indication>(
        ids<Tac1_msg_send_data_to_modem_flow_start_indication>(),
        "Tac1_msg_send_data_to_modem_flow_start_indication", Style::i,
        [](Q& q, const Tac1_msg_send_data_to_modem_flow_start_indication&) {
            emit q.data_to_modem_flow_start_indication();
        }));
    rows.push_back(decoded_row<Tac1_msg_dte_port_send_data_from_modem_set>(
        ids<Tac1_msg_dte_port_send_data_from_modem_set>(),
        "Tac1_msg_dte_port_send_data_from_modem_set", Style::s, data_from_modem));
    rows.push_back(ack_row<&Q::send_data_from_modem_flow_enable_set_ack,
                           &Q::send_data_from_modem_flow_enable_set_nack>(
        ids<Tac1_msg_send_data_from_modem_enable_set>(),
        "Tac1_msg_send_data_from_modem_enable_set"));
    rows.push_back(ack_row<&Q::send_data_from_modem_flow_disable_set_ack,
                           &Q::send_data_from_modem_flow_disable_set_nack>(
        ids<Tac1_msg_send_data_from_modem_disable_set>(),
        "Tac1_msg_send_data_from_modem_disable_set"));
    rows.push_back(ack_row<&Q::send_data_from_modem_upload_mode_set_ack,
                           &Q::send_data_from_modem_upload_mode_set_nack>(
        ids<Tac1_msg_data_upload_mode_set>(), "Tac1_msg_data_upload_mode_set"));
    rows.push_back(decoded_row<Tac1_msg_od_result_indication>(
        ids<Tac1_msg_od_result_indication>(), "Tac1_msg_od_result_indication", Style::i,
        [](Q& q, const Tac1_msg_od_result_indication& m) {
            emit q.occupancy_detected_result_indication(m.duration(), m.occupancy());
        }));

    // Network identity and the real-time clock.
    rows.push_back(decoded_row<Tac1_msg_misc_mac_address_set>(
        ids<Tac1_msg_misc_mac_address_set, Tac1_msg_misc_mac_address_get>(), "request_mac_address",
        Style::d, mac_address));
    rows.push_back(decoded_row<Tac1_msg_misc_ip_configuration_set>(
        ids<Tac1_msg_misc_ip_configuration_set, Tac1_msg_misc_ip_configuration_get>(),
        "request_ip_configuration", Style::d,
        [](Q& q, const Tac1_msg_misc_ip_configuration_set& m) {
            emit q.request_ip_configuration_response(true, m.ip_address(), m.subnet_mask(),
                                                     m.default_gateway());
        }));
    rows.push_back(decoded_row<Tac1_msg_lz7_hw_testing_rtc_temperature_set>(
        ids<Tac1_msg_lz7_hw_testing_rtc_temperature_set,
            Tac1_msg_lz7_hw_testing_rtc_temperature_get>(),
        "request_rtc_temperature", Style::d, rtc_temperature));

    // Radio control.
    rows.push_back(ack_row<&Q::radio_select_set_ack, &Q::radio_select_set_nack>(
        ids<Tac1_msg_radio_select_set>(), "Tac1_msg_radio_select_set"));
    rows.push_back(decoded_row<Tac1_msg_radio_select_set>(
        ids<Tac1_msg_radio_select_get>(), "Tac1_msg_radio_select_set", Style::b, radio_select,
        emit_nack<&Q::radio_select_request_nack>));
    rows.push_back(ack_row<&Q::radio_channel_change_and_atu_tune_time_set_ack,
                           &Q::radio_channel_change_and_atu_tune_time_set_nack>(
        ids<Tac1_msg_radio_channel_change_and_atu_tune_time_set>(),
        "Tac1_msg_radio_channel_change_and_atu_tune_time_set"));
    rows.push_back(decoded_row<Tac1_msg_radio_channel_change_and_atu_tune_time_set>(
        ids<Tac1_msg_radio_channel_change_and_atu_tune_time_get>(),
        "Tac1_msg_radio_channel_change_and_atu_tune_time_set", Style::b,
        [](Q& q, const Tac1_msg_radio_channel_change_and_atu_tune_time_set& m) {
            emit q.radio_channel_change_and_atu_tune_time_request_response(
                m.tx_chan_change_time(), m.rx_chan_change_time(), m.min_atu_tune_time(),
                m.max_atu_tune_time());
        },
        emit_nack<&Q::radio_channel_change_and_atu_tune_time_request_nack>));
    rows.push_back(
        ack_row<&Q::radio_fixed_freq_parameters_set_ack, &Q::radio_fixed_freq_parameters_set_nack>(
            ids<Tac1_msg_radio_ff_params_set>(), "Tac1_msg_radio_ff_params_set"));
    rows.push_back(decoded_row<Tac1_msg_radio_ff_params_set>(
        ids<Tac1_msg_radio_ff_params_get>(), "Tac1_msg_radio_ff_params_set", Style::b,
        [](Q& q, const Tac1_msg_radio_ff_params_set& m) {
            emit q.radio_fixed_freq_parameters_request_response(m.channel(), m.rx_freq(),
                                                                m.tx_freq(), m.tx_power_level(),
                                                                m.rx_mode(), m.tx_mode());
        },
        emit_nack<&Q::radio_fixed_freq_parameters_request_nack>));
    rows.push_back(
        ack_row<&Q::radio_control_activation_set_ack, &Q::radio_control_activation_set_nack>(
            ids<Tac1_msg_radio_rcm_activate_set>(), "Tac1_msg_radio_rcm_activate_set"));
    rows.push_back(decoded_row<Tac1_msg_radio_rcm_activate_set>(
        ids<Tac1_msg_radio_rcm_activate_get>(), "Tac1_msg_radio_rcm_activate_set", Style::b,
        [](Q& q, const Tac1_msg_radio_rcm_activate_set& m) {
            emit q.radio_control_activation_request_response(m.activation());
        },
        emit_nack<&Q::radio_control_activation_request_nack>));
    rows.push_back(decoded_row<Tac1_msg_radio_rcm_status_indication>(
        ids<Tac1_msg_radio_rcm_status_indication>(), "Tac1_msg_radio_rcm_status_indication",
        Style::i, [](Q& q, const Tac1_msg_radio_rcm_status_indication& m) {
            emit q.rcm_status_indication(m.state(), m.error_code());
        }));

    // Indications.
    rows.push_back(ack_row<&Q::registration_for_an_inividual_indication_set_ack,
                           &Q::registration_for_an_inividual_indication_set_nack>(
        ids<Tac1_msg_register_for_individual_indication_set>(),
        "Tac1_msg_register_for_individual_indication_set"));
    rows.push_back(decoded_row<Tac1_msg_wf_autobaud_indication>(
        ids<Tac1_msg_wf_autobaud_indication>(), "Tac1_msg_wf_autobaud_indication", Style::i,
        [](Q& q, const Tac1_msg_wf_autobaud_indication& m) {
            emit q.wf_autobaud_indication(m.data_rate(), m.interleaver_length());
        }));
    rows.push_back(decoded_row<Tac1_msg_modem_tx_status_indication>(
        ids<Tac1_msg_modem_tx_status_indication>(), "Tac1_msg_modem_tx_status_indication", Style::i,
        [](Q& q, const Tac1_msg_modem_tx_status_indication& m) {
            emit q.modem_tx_status_indication(m.wf_tx_status(), m.ale_tx_status());
        }));
    rows.push_back(decoded_row<Tac1_msg_modem_rx_status_indication>(
        ids<Tac1_msg_modem_rx_status_indication>(), "Tac1_msg_modem_rx_status_indication", Style::i,
        [](Q& q, const Tac1_msg_modem_rx_status_indication& m) {
            emit q.modem_rx_status_indication(m.wf_rx_status(), m.ale_rx_status());
        }));
    rows.push_back(decoded_row<Tac1_msg_wf_lqa_indication>(
        ids<Tac1_msg_wf_lqa_indication>(), "Tac1_msg_wf_lqa_indication", Style::i,
        [](Q& q, const Tac1_msg_wf_lqa_indication& m) {
            emit q.wf_lqa_indication(static_cast<char>(m.snr()), m.ber(), m.number_paths(),
                                     m.multipath_spread(), m.doppler_spread(), m.doppler_offset(),
                                     m.wf_type());
        }));
    rows.push_back(decoded_row<Tac1_msg_ale_status_report_indication>(
        ids<Tac1_msg_ale_status_report_indication>(), "Tac1_msg_ale_status_report_indication",
        Style::i, ale_status_report));

    // ALE commands: labels are the operation names.
    rows.push_back(numbered_ack_row<&Q::ale_system_mode_set_ack, &Q::ale_system_mode_set_nack>(
        ids<Tac1_msg_ale_system_mode_set>(), "set_ale_system_mode"));
    rows.push_back(
        numbered_ack_row<&Q::ale_activity_timeout_set_ack, &Q::ale_activity_timeout_set_nack>(
            ids<Tac1_msg_ale_activity_timeout_set>(), "set_ale_activity_timeout"));
    rows.push_back(numbered_ack_row<&Q::ale_lbt_time_set_ack, &Q::ale_lbt_time_set_nack>(
        ids<Tac1_msg_ale_lbt_time_set>(), "set_ale_lbt_time"));
    rows.push_back(
        numbered_ack_row<&Q::ale_scan_list_entry_set_ack, &Q::ale_scan_list_entry_set_nack>(
            ids<Tac1_msg_ale_scan_list_entry_set>(), "set_ale_scan_list_entry"));
    rows.push_back(
        numbered_ack_row<&Q::ale_address_table_ext_set_ack, &Q::ale_address_table_ext_set_nack>(
            ids<Tac1_msg_ale_address_table_ext_set>(), "set_ale_address_table_ext"));
    rows.push_back(numbered_ack_row<&Q::ale_nonvolatile_memory_reset_set_ack,
                                    &Q::ale_nonvolatile_memory_reset_set_nack>(
        ids<Tac1_msg_nonvolatile_memory_reset_set>(), "set_ale_nonvolatile_memory_reset"));
    rows.push_back(numbered_ack_row<&Q::ale_call_setup_set_ack, &Q::ale_call_setup_set_nack>(
        ids<Tac1_msg_ale_call_setup_set>(), "set_ale_call_setup"));
    rows.push_back(numbered_ack_row<&Q::ale_call_control_set_ack, &Q::ale_call_control_set_nack>(
        ids<Tac1_msg_ale_call_control_set>(), "set_ale_call_control"));
    rows.push_back(
        numbered_ack_row<&Q::ale_terminate_link_set_ack, &Q::ale_terminate_link_set_nack>(
            ids<Tac1_msg_ale_terminate_link_set>(), "set_ale_terminate_link"));
    rows.push_back(numbered_ack_row<&Q::ale_abort_request_set_ack, &Q::ale_abort_request_set_nack>(
        ids<Tac1_msg_ale_abort_request_set>(), "set_ale_abort_request"));

    // LZ7 hardware tests, each under the set and the get identifier.
    rows.push_back(check_only_row(ids<Tac1_msg_lz7_hw_testing_audio_test_type_set,
                                      Tac1_msg_lz7_hw_testing_audio_test_type_get>(),
                                  "set_lz7_hw_testing_audio_test_type"));
    rows.push_back(decoded_row<Tac1_msg_lz7_hw_testing_audio_rx_level_set>(
        ids<Tac1_msg_lz7_hw_testing_audio_rx_level_set,
            Tac1_msg_lz7_hw_testing_audio_rx_level_get>(),
        "request_audio_rx_level", Style::b,
        [](Q& q, const Tac1_msg_lz7_hw_testing_audio_rx_level_set& m) {
            emit q.audio_rx_level_request_response(m.audio1_rx_level(), m.audio2_rx_level());
        },
        emit_nack<&Q::audio_rx_level_request_nack>));
    rows.push_back(decoded_row<Tac1_msg_lz7_hw_testing_audio_quality_set>(
        ids<Tac1_msg_lz7_hw_testing_audio_quality_set, Tac1_msg_lz7_hw_testing_audio_quality_get>(),
        "request_audio_quality", Style::c,
        [](Q& q, const Tac1_msg_lz7_hw_testing_audio_quality_set& m) {
            emit q.request_audio_quality_response(true, m.rx_snr(), m.audio_quality());
        },
        [](Q& q, const Buffer&) { emit q.request_audio_quality_response(false, 127, 2); }));
    rows.push_back(decoded_row<Tac1_msg_lz7_hw_testing_nptt_sense1_set>(
        ids<Tac1_msg_lz7_hw_testing_nptt_sense1_set, Tac1_msg_lz7_hw_testing_nptt_sense1_get>(),
        "request_lz7_n_ppt_sense_1", Style::t,
        [](Q& q, const Tac1_msg_lz7_hw_testing_nptt_sense1_set& m) {
            emit q.request_lz7_n_ppt_sense1_response(true, m.lz7_n_ppt_sense1());
        },
        [](Q& q, const Buffer&) { emit q.request_lz7_n_ppt_sense1_response(true, 0); }));
    rows.push_back(decoded_row<Tac1_msg_lz7_hw_testing_nptt_sense2_set>(
        ids<Tac1_msg_lz7_hw_testing_nptt_sense2_set, Tac1_msg_lz7_hw_testing_nptt_sense2_get>(),
        "request_lz7_n_ppt_sense_2", Style::t,
        [](Q& q, const Tac1_msg_lz7_hw_testing_nptt_sense2_set& m) {
            emit q.request_lz7_n_ppt_sense2_response(true, m.lz7_n_ppt_sense2());
        },
        [](Q& q, const Buffer&) { emit q.request_lz7_n_ppt_sense2_response(true, 0); }));
    rows.push_back(check_only_row(ids<Tac1_msg_lz7_hw_testing_keyline1_set>(), "set_lz7_keyline1"));
    rows.push_back(check_only_row(ids<Tac1_msg_lz7_hw_testing_keyline2_set>(), "set_lz7_keyline2"));
    rows.push_back(check_only_row(
        ids<Tac1_msg_lz7_hw_testing_uart_test_set, Tac1_msg_lz7_hw_testing_uart_test_get>(),
        "set_lz7_hw_testing_uart_test"));
    rows.push_back(decoded_row<Tac1_msg_lz7_hw_testing_test_result_set>(
        ids<Tac1_msg_lz7_hw_testing_test_result_set, Tac1_msg_lz7_hw_testing_test_result_get>(),
        "request_lz7_hw_testing_test_result", Style::t, test_result, [](Q& q, const Buffer&) {
            emit q.request_lz7_hw_testing_test_result_response(true, 0, QString());
        }));
    rows.push_back(check_only_row(
        ids<Tac1_msg_lz7_hw_testing_gpp_test_set, Tac1_msg_lz7_hw_testing_gpp_test_get>(),
        "set_lz7_hw_testing_ctrl_processor_test_type"));
    rows.push_back(decoded_row<Tac1_msg_lz7_hw_testing_gpp_test_result_set>(
        ids<Tac1_msg_lz7_hw_testing_gpp_test_result_set,
            Tac1_msg_lz7_hw_testing_gpp_test_result_get>(),
        "request_lz7_hw_testing_ctrl_processor_test_result", Style::t, ctrl_processor_test_result,
        [](Q& q, const Buffer&) {
            emit q.request_lz7_hw_testing_ctrl_processor_test_result_response(true, 0, QString());
        }));
    return rows;
}

} // namespace

const std::vector<Reply_row>& reply_table()
{
    static const std::vector<Reply_row> rows = build_reply_table();
    return rows;
}

} // namespace vq_qt
