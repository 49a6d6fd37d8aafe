// Operations on the ALE engine, the attached radio, the indication
// subscriptions, the front panel and factory identity, and the LZ7 hardware
// tests.

#include "qmodem_interface_p.h"

#include <vector>

namespace vq_qt {
namespace {

using A = Modem_interface_access;

// Front panel and identity requests go to the panel controller itself.
constexpr quint32 front_panel_address = 258;
constexpr quint16 buzzer_port = 710;
constexpr quint16 front_panel_led_port = 706;
constexpr quint16 identity_port = 700;
// The control processor's tests listen on their own port of the modem.
constexpr quint16 ctrl_processor_test_port = 20;

constexpr int ale_name_size = 15;
constexpr int scan_list_matrix_size = 13;
constexpr int preset_map_size = 20;
constexpr int call_addresses_size = 5;

// The printable part of a byte field: up to its first zero byte.
QString field_text(const QByteArray& bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromLocal8Bit(zero < 0 ? bytes : bytes.left(zero));
}

} // namespace

// --- ALE --------------------------------------------------------------------------

bool QModem_interface::set_ale_system_mode(vq_qt::Ale_system_mode mode,
                                           uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_ale_system_mode_set>(
        *this, "set_ale_system_mode", _destination_address, modem_port_number,
        message_sequence_number, static_cast<std::uint8_t>(mode));
}

bool QModem_interface::set_ale_system_mode(vq_qt::Ale_system_mode mode)
{
    uchar message_sequence_number = 0;
    return set_ale_system_mode(mode, message_sequence_number);
}

bool QModem_interface::set_ale_activity_timeout(ushort timeout, uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_ale_activity_timeout_set>(
        *this, "set_ale_activity_timeout", _destination_address, modem_port_number,
        message_sequence_number, std::uint16_t{timeout});
}

bool QModem_interface::set_ale_activity_timeout(ushort timeout)
{
    uchar message_sequence_number = 0;
    return set_ale_activity_timeout(timeout, message_sequence_number);
}

bool QModem_interface::set_ale_lbt_time(uchar lbt_time, uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_ale_lbt_time_set>(*this, "set_ale_lbt_time", _destination_address,
                                                  modem_port_number, message_sequence_number,
                                                  lbt_time);
}

bool QModem_interface::set_ale_lbt_time(uchar lbt_time)
{
    uchar message_sequence_number = 0;
    return set_ale_lbt_time(lbt_time, message_sequence_number);
}

bool QModem_interface::set_ale_scan_list_entry(uchar index, QString name,
                                               QByteArray scan_list_assignment_matrix,
                                               uchar& message_sequence_number)
{
    const QByteArray name_bytes = fit_bytes(name.toLocal8Bit(), ale_name_size, '\0');
    // A short matrix is right-aligned: the missing leading bytes are zero.
    const QByteArray matrix =
        fit_bytes(scan_list_assignment_matrix, scan_list_matrix_size, '\0', true);
    message_sequence_number = A::next_transaction(*this);
    qCDebug(qmdm_if) << "scan_list_assignment_matrix =" << matrix.toHex();
    return A::send<vq::Tac1_msg_ale_scan_list_entry_set>(
        *this, "set_ale_scan_list_entry", _destination_address, modem_port_number,
        message_sequence_number, index, bytes_of(name_bytes), bytes_of(matrix));
}

bool QModem_interface::set_ale_scan_list_entry(uchar index, QString name,
                                               QByteArray scan_list_assignment_matrix)
{
    uchar message_sequence_number = 0;
    return set_ale_scan_list_entry(index, name, scan_list_assignment_matrix,
                                   message_sequence_number);
}

bool QModem_interface::set_ale_address_table_ext(
    uchar address_index, QString address_name, QString address, uchar address_type,
    ushort address_value16, ushort address_wait_for_reply_time, uchar address_value8,
    QByteArray address_select_preset_map, uchar& message_sequence_number)
{
    const QByteArray name_bytes = fit_bytes(address_name.toLocal8Bit(), ale_name_size, '\0');
    const QByteArray address_bytes = fit_bytes(address.toLocal8Bit(), ale_name_size, '\0');
    const QByteArray preset_map = fit_bytes(address_select_preset_map, preset_map_size, '\0');
    message_sequence_number = A::next_transaction(*this);
    qCDebug(qmdm_if).noquote() << QString("set_ale_address_table_ext"
                                          "\n address_index:%1"
                                          "\n address_name:%2"
                                          "\n address:%3"
                                          "\n address_type:%4"
                                          "\n address_wait_for_reply_time:%5"
                                          "\n address_select_preset_map (%6):\"%7\""
                                          "\n message_sequence_number:%8")
                                      .arg(address_index)
                                      .arg(field_text(name_bytes))
                                      .arg(field_text(address_bytes))
                                      .arg(address_type)
                                      .arg(address_wait_for_reply_time)
                                      .arg(preset_map.size())
                                      .arg(field_text(preset_map))
                                      .arg(message_sequence_number);
    return A::send<vq::Tac1_msg_ale_address_table_ext_set>(
        *this, "set_ale_address_table_ext", _destination_address, modem_port_number,
        message_sequence_number, address_index, bytes_of(name_bytes), bytes_of(address_bytes),
        address_type, std::uint16_t{address_value16}, std::uint16_t{address_wait_for_reply_time},
        address_value8, bytes_of(preset_map));
}

bool QModem_interface::set_ale_address_table_ext(uchar address_index, QString address_name,
                                                 QString address, uchar address_type,
                                                 ushort address_value16,
                                                 ushort address_wait_for_reply_time,
                                                 uchar address_value8,
                                                 QByteArray address_select_preset_map)
{
    uchar message_sequence_number = 0;
    return set_ale_address_table_ext(address_index, address_name, address, address_type,
                                     address_value16, address_wait_for_reply_time, address_value8,
                                     address_select_preset_map, message_sequence_number);
}

bool QModem_interface::set_ale_nonvolatile_memory_reset(uchar reset_value,
                                                        uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_nonvolatile_memory_reset_set>(
        *this, "set_ale_nonvolatile_memory_reset", _destination_address, modem_port_number,
        message_sequence_number, reset_value);
}

bool QModem_interface::set_ale_nonvolatile_memory_reset(uchar reset_value)
{
    uchar message_sequence_number = 0;
    return set_ale_nonvolatile_memory_reset(reset_value, message_sequence_number);
}

bool QModem_interface::set_ale_call_setup(uchar value1, uchar value2, uchar value3,
                                          QByteArray call_addresses, uchar& message_sequence_number)
{
    const QByteArray addresses = fit_bytes(call_addresses, call_addresses_size, '\xFF');
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_ale_call_setup_set>(
        *this, "set_ale_call_setup", _destination_address, modem_port_number,
        message_sequence_number, value1, value2, value3, bytes_of(addresses));
}

bool QModem_interface::set_ale_call_setup(uchar value1, uchar value2, uchar value3,
                                          QByteArray call_addresses)
{
    uchar message_sequence_number = 0;
    return set_ale_call_setup(value1, value2, value3, call_addresses, message_sequence_number);
}

bool QModem_interface::set_ale_call_control(uchar& message_sequence_number)
{
    // The one call control the console uses: place the call set up before.
    constexpr std::uint8_t place_call = 1;
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_ale_call_control_set>(*this, "set_ale_call_control",
                                                      _destination_address, modem_port_number,
                                                      message_sequence_number, place_call);
}

bool QModem_interface::set_ale_call_control()
{
    uchar message_sequence_number = 0;
    return set_ale_call_control(message_sequence_number);
}

bool QModem_interface::set_ale_terminate_link(uchar value, uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_ale_terminate_link_set>(*this, "set_ale_terminate_link",
                                                        _destination_address, modem_port_number,
                                                        message_sequence_number, value);
}

bool QModem_interface::set_ale_terminate_link(uchar value)
{
    uchar message_sequence_number = 0;
    return set_ale_terminate_link(value, message_sequence_number);
}

bool QModem_interface::set_ale_abort_request(uchar value, uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_ale_abort_request_set>(*this, "set_ale_abort_request",
                                                       _destination_address, modem_port_number,
                                                       message_sequence_number, value);
}

bool QModem_interface::set_ale_abort_request(uchar value)
{
    uchar message_sequence_number = 0;
    return set_ale_abort_request(value, message_sequence_number);
}

// --- radio control ----------------------------------------------------------------

bool QModem_interface::set_radio_select(uchar radio_port, QString description)
{
    // The length byte counts the bytes actually carried.
    QByteArray bytes = description.toLocal8Bit();
    if (bytes.size() > 255) {
        qCWarning(qmdm_if, "set_radio_select: description of %d bytes cut to 255", bytes.size());
        bytes.truncate(255);
    }
    return A::request<vq::Tac1_msg_radio_select_set>(*this, "set_radio_select", radio_port,
                                                     static_cast<std::uint8_t>(bytes.size()),
                                                     bytes_of(bytes));
}

bool QModem_interface::request_radio_select(uchar radio_port)
{
    return A::request<vq::Tac1_msg_radio_select_get>(*this, "request_radio_select", radio_port);
}

bool QModem_interface::set_radio_channel_change_and_atu_tune_time(ushort tx_chan_change_time,
                                                                  ushort rx_chan_change_time,
                                                                  ushort min_atu_tune_time,
                                                                  ushort max_atu_tune_time)
{
    return A::request<vq::Tac1_msg_radio_channel_change_and_atu_tune_time_set>(
        *this, "set_radio_channel_change_and_atu_tune_time", std::uint16_t{tx_chan_change_time},
        std::uint16_t{rx_chan_change_time}, std::uint16_t{min_atu_tune_time},
        std::uint16_t{max_atu_tune_time});
}

bool QModem_interface::request_radio_channel_change_and_atu_tune_time()
{
    return A::request<vq::Tac1_msg_radio_channel_change_and_atu_tune_time_get>(
        *this, "request_radio_channel_change_and_atu_tune_time");
}

bool QModem_interface::set_radio_fixed_freq_parameters(ushort channel, uint rx_freq, uint tx_freq,
                                                       uchar tx_power_level, uchar rx_mode,
                                                       uchar tx_mode)
{
    return A::request<vq::Tac1_msg_radio_ff_params_set>(
        *this, "set_radio_fixed_freq_parameters", std::uint16_t{channel}, std::uint32_t{rx_freq},
        std::uint32_t{tx_freq}, tx_power_level, rx_mode, tx_mode);
}

bool QModem_interface::request_radio_fixed_freq_parameters()
{
    return A::request<vq::Tac1_msg_radio_ff_params_get>(*this,
                                                        "request_radio_fixed_freq_parameters");
}

bool QModem_interface::set_radio_control_activation(uchar activation)
{
    return A::request<vq::Tac1_msg_radio_rcm_activate_set>(*this, "Tac1_msg_radio_rcm_activate_set",
                                                           activation);
}

bool QModem_interface::request_radio_control_activation()
{
    return A::request<vq::Tac1_msg_radio_rcm_activate_get>(*this,
                                                           "Tac1_msg_radio_rcm_activate_get");
}

// --- indication subscriptions -------------------------------------------------------

bool QModem_interface::set_registration_for_an_individual_indication(uint port, uint identifier,
                                                                     uchar action)
{
    // The registering peer is the frame's source; the address and port
    // fields of the message stay 0.
    return A::send<vq::Tac1_msg_register_for_individual_indication_set>(
        *this, "set_registration_for_an_individual_indication", _destination_address,
        static_cast<quint16>(port), A::next_transaction(*this), std::uint32_t{0}, std::uint16_t{0},
        std::uint32_t{identifier}, action);
}

bool QModem_interface::unregister_for_all_indications(uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_unregister_for_all_indications_indication>(
        *this, "unregister_for_all_indications", _destination_address, modem_port_number,
        message_sequence_number);
}

bool QModem_interface::unregister_for_all_indications()
{
    uchar message_sequence_number = 0;
    return unregister_for_all_indications(message_sequence_number);
}

// --- front panel and identity ---------------------------------------------------------

bool QModem_interface::set_buzzer_tone(uchar value1, ushort value2, uchar value3, ushort value4,
                                       ushort value5, ushort value6)
{
    return A::send<vq::Tac1_msg_buzzer_tone_set>(
        *this, "set_buzzer_tone", front_panel_address, buzzer_port, A::next_transaction(*this),
        value1, static_cast<std::uint8_t>(value2), value3, std::uint16_t{value4},
        std::uint16_t{value5}, std::uint16_t{value6});
}

bool QModem_interface::set_buzzer_tune(uchar value1, ushort value2, uchar value3, ushort count,
                                       ushort* first_values, ushort* second_values)
{
    // Missing arrays are sent as zeros rather than read from nowhere.
    const std::vector<std::uint16_t> zeros(count, 0);
    const std::uint16_t* first = first_values != nullptr ? first_values : zeros.data();
    const std::uint16_t* second = second_values != nullptr ? second_values : zeros.data();
    return A::send<vq::Tac1_msg_buzzer_tune_set>(
        *this, "set_buzzer_tune", front_panel_address, buzzer_port, A::next_transaction(*this),
        value1, static_cast<std::uint8_t>(value2), value3, std::uint16_t{count}, first, second);
}

bool QModem_interface::set_front_pannel_led_state(ushort led_count, QByteArray led_states)
{
    // The count byte and the bytes carried always agree: the states are
    // padded with zeros or cut to the count.
    const int count = std::min<int>(led_count, 255);
    const QByteArray states = fit_bytes(led_states, count, '\0');
    return A::send<vq::Tac1_msg_front_panel_led_set>(
        *this, "set_front_pannel_led_state", front_panel_address, front_panel_led_port,
        A::next_transaction(*this), static_cast<std::uint8_t>(count), bytes_of(states));
}

bool QModem_interface::set_module_serial_number_and_mac(ushort value1, uchar value2, uint value3,
                                                        QByteArray mac_address)
{
    const QByteArray mac = fit_bytes(mac_address, 6, '\0');
    return A::send<vq::Tac1_msg_module_sn_and_mac_set>(
        *this, "set_module_serial_number_and_mac", front_panel_address, identity_port,
        A::next_transaction(*this), std::uint16_t{value1}, value2, std::uint32_t{value3},
        bytes_of(mac));
}

// --- LZ7 hardware testing ---------------------------------------------------------------

bool QModem_interface::set_lz7_hw_testing_audio_test_type(uchar value1, uchar value2, schar value3)
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_audio_test_type_set>(
        *this, "set_lz7_hw_testing_audio_test_type", value1, value2,
        static_cast<std::int8_t>(value3));
}

bool QModem_interface::request_audio_rx_level()
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_audio_rx_level_get>(*this,
                                                                      "request_audio_rx_level");
}

bool QModem_interface::request_audio_quality()
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_audio_quality_get>(*this,
                                                                     "request_audio_quality");
}

bool QModem_interface::request_lz7_n_ppt_sense1()
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_nptt_sense1_get>(*this,
                                                                   "request_lz7_n_ppt_sense_1");
}

bool QModem_interface::request_lz7_n_ppt_sense2()
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_nptt_sense2_get>(*this,
                                                                   "request_lz7_n_ppt_sense_2");
}

bool QModem_interface::set_lz7_keyline1(uchar value)
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_keyline1_set>(*this, "set_lz7_keyline1", value);
}

bool QModem_interface::set_lz7_keyline2(uchar value)
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_keyline2_set>(*this, "set_lz7_keyline2", value);
}

bool QModem_interface::set_lz7_hw_testing_uart_test(uchar value1, uchar value2, schar value3)
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_uart_test_set>(
        *this, "set_lz7_hw_testing_uart_test", value1, value2, static_cast<std::uint8_t>(value3));
}

bool QModem_interface::request_lz7_hw_testing_test_result()
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_test_result_get>(
        *this, "request_lz7_hw_testing_test_result");
}

bool QModem_interface::set_lz7_hw_testing_ctrl_processor_test_type(uchar value1, schar value2)
{
    return A::send<vq::Tac1_msg_lz7_hw_testing_gpp_test_set>(
        *this, "set_lz7_hw_testing_ctrl_processor_test_type", _destination_address,
        ctrl_processor_test_port, A::next_transaction(*this), value1,
        static_cast<std::uint8_t>(value2));
}

bool QModem_interface::request_lz7_hw_testing_ctrl_processor_test_result()
{
    return A::send<vq::Tac1_msg_lz7_hw_testing_gpp_test_result_get>(
        *this, "request_lz7_hw_testing_ctrl_processor_test_result", _destination_address,
        ctrl_processor_test_port, A::next_transaction(*this));
}

bool QModem_interface::request_rtc_temperature()
{
    return A::request<vq::Tac1_msg_lz7_hw_testing_rtc_temperature_get>(*this,
                                                                       "request_rtc_temperature");
}

} // namespace vq_qt
