#include "talvane.h"

#include <QGroupBox>

void Talvane::_init_data_interface_panel(QGroupBox* panel)
{
    Q_UNUSED(panel);
}

void Talvane::_init_modem_control_panel(QGroupBox* panel)
{
    Q_UNUSED(panel);
}

void Talvane::_ui_action_audio_tx_level_change(int value)
{
    Q_UNUSED(value);
}

void Talvane::_ui_action_waveform_change(int index)
{
    Q_UNUSED(index);
}

void Talvane::_ui_action_data_rate_change(int index)
{
    Q_UNUSED(index);
}

void Talvane::_ui_action_interleaver_change(int index)
{
    Q_UNUSED(index);
}

void Talvane::_ui_action_deacquire_limit_change(int index)
{
    Q_UNUSED(index);
}

void Talvane::_ui_action_tx_kill_pause_resume() {}

void Talvane::_ui_action_rx_reset() {}

void Talvane::_ui_action_dte_port_mode_change_std_async() {}

void Talvane::_ui_action_dte_port_mode_change_hsp_async() {}

void Talvane::_ui_action_auto_update_tx_ota_rate_change(int state)
{
    Q_UNUSED(state);
}

void Talvane::_ui_action_kx5_port_rate_selected(int index)
{
    Q_UNUSED(index);
}

void Talvane::_ui_action_kx5_bit_mode_selected(int index)
{
    Q_UNUSED(index);
}

void Talvane::_ui_action_kx5_flow_control_selected(int index)
{
    Q_UNUSED(index);
}

void Talvane::_handle_software_version_number_request_response(uchar version_index,
                                                               QString version_string)
{
    Q_UNUSED(version_index);
    Q_UNUSED(version_string);
}

void Talvane::_handle_psk_modem_ota_settings_request_response(uchar tx_rx, uchar waveform,
                                                              uchar encoding,
                                                              uchar interleaver_lenght,
                                                              uchar data_rate, uchar isb_activation)
{
    Q_UNUSED(tx_rx);
    Q_UNUSED(waveform);
    Q_UNUSED(encoding);
    Q_UNUSED(interleaver_lenght);
    Q_UNUSED(data_rate);
    Q_UNUSED(isb_activation);
}

void Talvane::_handle_psk_modem_deacquire_limit_request_response(uchar deacquire_limit)
{
    Q_UNUSED(deacquire_limit);
}

void Talvane::_handle_audio_tx_output_level_request_response(uchar port, short level)
{
    Q_UNUSED(port);
    Q_UNUSED(level);
}

void Talvane::_handle_dte_port_mode_request_response(uchar mode)
{
    Q_UNUSED(mode);
}

void Talvane::_handle_dte_port_mode_set_ack() {}

void Talvane::_handle_dte_port_async_settings_request_response(uchar data_rate, uchar data_bits,
                                                               uchar stop_bits, uchar parity)
{
    Q_UNUSED(data_rate);
    Q_UNUSED(data_bits);
    Q_UNUSED(stop_bits);
    Q_UNUSED(parity);
}

void Talvane::_handle_dte_port_async_flow_control_request_response(uchar flow_control)
{
    Q_UNUSED(flow_control);
}

void Talvane::_handle_dte_port_activity_mode_request_response(uchar dte_activity_mode,
                                                              uchar tx_start_mode,
                                                              const char* sync_start_pattern,
                                                              uchar sync_stop, uchar reserved,
                                                              ushort async_stop)
{
    Q_UNUSED(dte_activity_mode);
    Q_UNUSED(tx_start_mode);
    Q_UNUSED(sync_start_pattern);
    Q_UNUSED(sync_stop);
    Q_UNUSED(reserved);
    Q_UNUSED(async_stop);
}

void Talvane::_handle_psk_modem_ota_settings_set_ack() {}

void Talvane::_handle_psk_modem_ota_settings_set_nack() {}

void Talvane::_handle_psk_modem_ota_settings_request_nack() {}

void Talvane::_handle_psk_modem_deacquire_limit_set_ack() {}

void Talvane::_handle_psk_modem_deacquire_limit_set_nack() {}

void Talvane::_handle_psk_modem_deacquire_limit_request_nack() {}

void Talvane::_handle_psk_fsk_tx_kill_set_ack() {}

void Talvane::_handle_psk_fsk_tx_kill_set_nack() {}

void Talvane::_handle_psk_fsk_return_to_acquisition_set_ack() {}

void Talvane::_handle_psk_fsk_return_to_acquisition_set_nack() {}

void Talvane::_handle_audio_tx_output_level_set_ack() {}

void Talvane::_handle_audio_tx_output_level_set_nack() {}

void Talvane::_handle_audio_tx_output_level_request_nack() {}

void Talvane::_handle_dte_port_mode_set_nack() {}

void Talvane::_handle_dte_port_mode_request_nack() {}

void Talvane::_handle_dte_port_async_settings_set_ack() {}

void Talvane::_handle_dte_port_async_settings_set_nack() {}

void Talvane::_handle_dte_port_async_settings_request_nack() {}

void Talvane::_handle_dte_port_async_flow_control_set_ack() {}

void Talvane::_handle_dte_port_async_flow_control_set_nack() {}

void Talvane::_handle_dte_port_async_flow_control_request_nack() {}

void Talvane::_handle_dte_port_activity_mode_set_ack() {}

void Talvane::_handle_dte_port_activity_mode_set_nack() {}

void Talvane::_handle_dte_port_activity_mode_request_nack() {}

void Talvane::_handle_software_version_number_request_nack() {}

void Talvane::_handle_modem_duplex_mode_set_nack() {}

void Talvane::_handle_key_to_audio_tx_delay_set_nack() {}

void Talvane::_handle_audio_tx_to_unkey_delay_set_nack() {}

void Talvane::_handle_reset_set_nack() {}

void Talvane::_handle_save_configuration_to_non_volatile_memory_set_nack() {}
