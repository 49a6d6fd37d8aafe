// Operations on the modem itself: system and identification, waveform
// control, the audio port, the DTE port and user data transfer. Each sends
// one request (user data: one per 200-byte chunk); the answer comes later as
// the signal of its reply row.

#include "qmodem_interface_p.h"

#include <algorithm>

namespace vq_qt {
namespace {

using A = Modem_interface_access;

// The largest text a counted-string field carries (its length is one byte).
constexpr int max_counted_text = 255;

// Cuts a counted-string field to what its one-byte length can describe.
QByteArray counted_field(QByteArray bytes, const char* label)
{
    if (bytes.size() > max_counted_text) {
        qCWarning(qmdm_if, "%s: text of %d bytes cut to %d", label, bytes.size(), max_counted_text);
        bytes.truncate(max_counted_text);
    }
    return bytes;
}

} // namespace

// --- system and identification ----------------------------------------------

bool QModem_interface::set_reset(uchar reset_value)
{
    return A::request<vq::Tac1_msg_modem_ctrl_reset_set>(*this, "set_reset", reset_value);
}

bool QModem_interface::set_system_site_mode(uchar mode)
{
    return A::request<vq::Tac1_msg_system_site_mode_set>(*this, "Tac1_msg_system_site_mode_set",
                                                         mode);
}

bool QModem_interface::request_system_site_mode()
{
    return A::request<vq::Tac1_msg_system_site_mode_get>(*this, "Tac1_msg_system_site_mode_get");
}

bool QModem_interface::set_system_mode(uchar mode, uchar& message_sequence_number)
{
    message_sequence_number = A::next_transaction(*this);
    return A::send<vq::Tac1_msg_system_mode_set>(*this, "set_system_mode", _destination_address,
                                                 modem_port_number, message_sequence_number, mode);
}

bool QModem_interface::set_system_mode(uchar mode)
{
    uchar message_sequence_number = 0;
    return set_system_mode(mode, message_sequence_number);
}

bool QModem_interface::request_software_version_number(uchar version_index)
{
    return A::request<vq::Tac1_system_software_ver_get>(*this, "request_software_version_number",
                                                        version_index);
}

bool QModem_interface::request_top_level_system_software_version_number()
{
    return A::request<vq::Tac1_system_top_level_sw_version_get>(
        *this, "request_top_level_system_software_version_number");
}

bool QModem_interface::request_firmware_version_number(uchar version_index)
{
    return A::request<vq::Tac1_msg_modem_firmware_version_num_get>(
        *this, "firmware_version_number_request", version_index);
}

bool QModem_interface::set_module_serial_number(uchar module, QString serial_number)
{
    const char* label = "set_module_serial_number";
    const QByteArray bytes = counted_field(serial_number.toLatin1(), label);
    return A::request<vq::Tac1_msg_modem_module_serial_number_set>(
        *this, label, module, static_cast<std::uint8_t>(bytes.size()), bytes_of(bytes));
}

bool QModem_interface::request_module_serial_number(uchar module)
{
    return A::request<vq::Tac1_msg_modem_module_serial_number_get>(
        *this, "request_module_serial_number", module);
}

bool QModem_interface::request_silicon_serial_number()
{
    return A::request<vq::Tac1_msg_sil_serial_num_get>(*this, "request_silicon_serial_number");
}

bool QModem_interface::request_stock_numbers()
{
    return A::request<vq::Tac1_msg_modem_stock_number_get>(*this, "request_stock_numbers");
}

bool QModem_interface::set_default_boot_application(uchar default_boot_application, uchar bandwidth)
{
    return A::request<vq::Tac1_msg_modem_default_boot_app_set>(
        *this, "set_default_boot_application", default_boot_application, bandwidth);
}

bool QModem_interface::request_default_boot_application()
{
    return A::request<vq::Tac1_msg_modem_default_boot_app_get>(*this,
                                                               "request_default_boot_application");
}

bool QModem_interface::request_modem_startup_status()
{
    return A::request<vq::Tac1_msg_modem_startup_status_get>(*this, "request_modem_startup_status");
}

bool QModem_interface::set_save_configuration_to_non_volatile_memory()
{
    return A::request<vq::Tac1_msg_modem_save_cfg_to_nvm_set>(*this,
                                                              "Tac1_msg_modem_save_cfg_to_nvm_set");
}

bool QModem_interface::request_mac_address()
{
    return A::request<vq::Tac1_msg_misc_mac_address_get>(*this, "request_mac_address");
}

bool QModem_interface::set_ip_configuration(uint ip_address, uint subnet_mask, uint default_gateway)
{
    return A::request<vq::Tac1_msg_misc_ip_configuration_set>(
        *this, "set_ip_configuration", std::uint32_t{ip_address}, std::uint32_t{subnet_mask},
        std::uint32_t{default_gateway});
}

bool QModem_interface::request_ip_configuration()
{
    return A::request<vq::Tac1_msg_misc_ip_configuration_get>(*this, "request_ip_configuration");
}

// --- waveform control ---------------------------------------------------------

bool QModem_interface::set_tx_kill_resume(uchar kill_resume)
{
    return A::request<vq::Tac1_msg_tx_kill_pause_set>(*this, "set_tx_kill_resume", kill_resume);
}

bool QModem_interface::set_psk_fsk_tx_kill(uchar kill)
{
    return A::request<vq::Tac1_msg_tx_kill_pause_set>(*this, "Tac1_msg_tx_kill_pause_set", kill);
}

bool QModem_interface::set_modem_duplex_mode(uchar mode)
{
    return A::request<vq::Tac1_msg_modem_duplex_set>(*this, "set_modem_duplex_mode", mode);
}

bool QModem_interface::set_psk_modem_ota_settings(uchar tx_rx, uchar waveform, uchar encoding,
                                                  uchar interleaver_lenght, uchar data_rate,
                                                  uchar isb_activation)
{
    return A::request<vq::Tac1_msg_psk_modem_ota_settings_set>(
        *this, "set_psk_modem_ota_settings", tx_rx, waveform, encoding, interleaver_lenght,
        data_rate, isb_activation);
}

bool QModem_interface::request_psk_modem_ota_settings(uchar tx_rx)
{
    return A::request<vq::Tac1_msg_psk_modem_ota_settings_get>(
        *this, "request_psk_modem_ota_settings", tx_rx);
}

bool QModem_interface::set_psk_modem_deacquire_limit(uchar deacquire_limit)
{
    return A::request<vq::Tac1_msg_psk_modem_deaquire_limit_set>(
        *this, "Tac1_msg_psk_modem_deaquire_limit_set", deacquire_limit);
}

bool QModem_interface::request_psk_modem_deacquire_limit()
{
    return A::request<vq::Tac1_msg_psk_modem_deaquire_limit_get>(
        *this, "Tac1_msg_psk_modem_deaquire_limit_get");
}

bool QModem_interface::set_psk_fsk_return_to_acquisition(uchar value)
{
    return A::request<vq::Tac1_msg_return_to_acquisition_set>(
        *this, "Tac1_msg_return_to_acquisition_set", value);
}

// --- audio port -----------------------------------------------------------------

bool QModem_interface::set_audio_tx_output_level(uchar port, ushort level)
{
    return A::request<vq::Tac1_msg_audio_tx_output_level_set>(
        *this, "set_audio_tx_output_level", port, static_cast<std::int16_t>(level));
}

bool QModem_interface::request_audio_tx_output_level(uchar port)
{
    return A::request<vq::Tac1_msg_audio_tx_output_level_get>(
        *this, "request_audio_tx_output_level", port);
}

bool QModem_interface::set_key_to_audio_tx_delay(uchar port, ushort delay)
{
    return A::request<vq::Tac1_msg_audio_key_to_tx_delay_set>(*this, "set_key_to_audio_tx_delay",
                                                              port, delay);
}

bool QModem_interface::set_audio_tx_to_unkey_delay(uchar port, ushort delay)
{
    return A::request<vq::Tac1_msg_audio_tx_to_unkey_delay_set>(
        *this, "set_audio_tx_to_unkey_delay", port, delay);
}

// --- DTE port -------------------------------------------------------------------

bool QModem_interface::set_dte_port_mode(uchar mode)
{
    return A::request<vq::Tac1_msg_dte_port_mode_set>(*this, "set_dte_port_mode", mode);
}

bool QModem_interface::request_dte_port_mode()
{
    return A::request<vq::Tac1_msg_dte_port_mode_get>(*this, "request_dte_port_mode");
}

bool QModem_interface::set_dte_port_async_settings(uchar data_rate, uchar data_bits,
                                                   uchar stop_bits, uchar parity)
{
    return A::request<vq::Tac1_msg_dte_port_asynchronous_settings_set>(
        *this, "set_dte_port_async_settings", data_rate, data_bits, stop_bits, parity);
}

bool QModem_interface::request_dte_port_async_settings()
{
    return A::request<vq::Tac1_msg_dte_port_asynchronous_settings_get>(
        *this, "request_dte_port_async_settings");
}

bool QModem_interface::set_dte_port_async_flow_control(uchar flow_control)
{
    return A::request<vq::Tac1_msg_dte_port_asynchronous_flow_control_set>(
        *this, "Tac1_msg_dte_port_asynchronous_flow_control_set", flow_control);
}

bool QModem_interface::request_dte_port_async_flow_control()
{
    return A::request<vq::Tac1_msg_dte_port_asynchronous_flow_control_get>(
        *this, "Tac1_msg_dte_port_asynchronous_flow_control_get");
}

bool QModem_interface::set_dte_port_activity_mode(uchar dte_activity_mode, uchar tx_start_mode,
                                                  const char* sync_start_pattern, uchar sync_stop,
                                                  uchar reserved, ushort async_stop)
{
    // The pattern is 4 bytes; a missing one is sent as zeros.
    char pattern[4] = {0, 0, 0, 0};
    if (sync_start_pattern != nullptr) {
        std::copy(sync_start_pattern, sync_start_pattern + 4, pattern);
    }
    return A::request<vq::Tac1_msg_dte_port_activity_mode_set>(
        *this, "Tac1_msg_dte_port_activity_mode_set", dte_activity_mode, tx_start_mode,
        static_cast<const char*>(pattern), sync_stop, reserved, async_stop);
}

bool QModem_interface::request_dte_port_activity_mode()
{
    return A::request<vq::Tac1_msg_dte_port_activity_mode_get>(
        *this, "Tac1_msg_dte_port_activity_mode_get");
}

// --- user data ------------------------------------------------------------------

bool QModem_interface::set_send_data_to_modem(QByteArray data)
{
    if (data.isEmpty()) {
        return false;
    }
    // Every chunk goes out even when an earlier one was refused; the result
    // is true only when all of them were sent.
    bool all_sent = true;
    for (int start = 0; start < data.size(); start += send_data_chunk_size) {
        const QByteArray chunk = data.mid(start, send_data_chunk_size);
        all_sent &= A::request<vq::Tac1_msg_dte_port_send_data_to_modem_set>(
            *this, "set_send_data_to_modem", static_cast<std::uint16_t>(chunk.size()),
            bytes_of(chunk));
    }
    return all_sent;
}

bool QModem_interface::set_send_data_from_modem_flow_enable()
{
    return A::request<vq::Tac1_msg_send_data_from_modem_enable_set>(
        *this, "Tac1_msg_send_data_from_modem_enable_set");
}

bool QModem_interface::set_send_data_from_modem_flow_disable()
{
    return A::request<vq::Tac1_msg_send_data_from_modem_disable_set>(
        *this, "Tac1_msg_send_data_from_modem_disable_set");
}

bool QModem_interface::set_data_from_modem_upload_mode(uchar mode)
{
    return A::request<vq::Tac1_msg_data_upload_mode_set>(*this, "Tac1_msg_data_upload_mode_set",
                                                         mode);
}

} // namespace vq_qt
