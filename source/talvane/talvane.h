#pragma once

#include <QMainWindow>

class QGroupBox;

// The console's main window. Its implementation is split by panel and
// subsystem, one .cpp file each; every file defines members of this class.
class Talvane : public QMainWindow
{
    Q_OBJECT

public:
    explicit Talvane(QWidget* parent = nullptr);
    ~Talvane() override;

    // ==== Modem control panel and receive information: public ====
    // ==== end modem control panel and receive information: public ====

private slots:
    // ==== Modem control panel and receive information: slots ====
    void _ui_action_audio_tx_level_change(int value);
    void _ui_action_waveform_change(int index);
    void _ui_action_data_rate_change(int index);
    void _ui_action_interleaver_change(int index);
    void _ui_action_deacquire_limit_change(int index);
    void _ui_action_tx_kill_pause_resume();
    void _ui_action_rx_reset();
    void _ui_action_dte_port_mode_change_std_async();
    void _ui_action_dte_port_mode_change_hsp_async();
    void _ui_action_auto_update_tx_ota_rate_change(int state);
    void _ui_action_kx5_port_rate_selected(int index);
    void _ui_action_kx5_bit_mode_selected(int index);
    void _ui_action_kx5_flow_control_selected(int index);
    void _handle_software_version_number_request_response(uchar version_index,
                                                          QString version_string);
    void _handle_psk_modem_ota_settings_request_response(uchar tx_rx, uchar waveform,
                                                         uchar encoding, uchar interleaver_lenght,
                                                         uchar data_rate, uchar isb_activation);
    void _handle_psk_modem_deacquire_limit_request_response(uchar deacquire_limit);
    void _handle_audio_tx_output_level_request_response(uchar port, short level);
    void _handle_dte_port_mode_request_response(uchar mode);
    void _handle_dte_port_mode_set_ack();
    void _handle_dte_port_async_settings_request_response(uchar data_rate, uchar data_bits,
                                                          uchar stop_bits, uchar parity);
    void _handle_dte_port_async_flow_control_request_response(uchar flow_control);
    void _handle_dte_port_activity_mode_request_response(uchar dte_activity_mode,
                                                         uchar tx_start_mode,
                                                         const char* sync_start_pattern,
                                                         uchar sync_stop, uchar reserved,
                                                         ushort async_stop);
    void _handle_wf_lqa_indication(char snr, uchar ber, uchar number_paths, uchar multipath_spread,
                                   uchar doppler_spread, short doppler_offset, uchar wf_type);
    void _handle_wf_autobaud_indication(uchar data_rate, uchar interleaver_length);
    void _handle_modem_rx_status_indication(uchar wf_rx_status, uchar ale_rx_status);
    void _handle_modem_tx_status_indication(uchar wf_tx_status, uchar ale_tx_status);
    void _handle_audio_rx_level_request_response(int audio1_rx_level, int audio2_rx_level);
    void _handle_audio_rx_level_request_nack();
    void _handle_psk_modem_ota_settings_set_ack();
    void _handle_psk_modem_ota_settings_set_nack();
    void _handle_psk_modem_ota_settings_request_nack();
    void _handle_psk_modem_deacquire_limit_set_ack();
    void _handle_psk_modem_deacquire_limit_set_nack();
    void _handle_psk_modem_deacquire_limit_request_nack();
    void _handle_psk_fsk_tx_kill_set_ack();
    void _handle_psk_fsk_tx_kill_set_nack();
    void _handle_psk_fsk_return_to_acquisition_set_ack();
    void _handle_psk_fsk_return_to_acquisition_set_nack();
    void _handle_audio_tx_output_level_set_ack();
    void _handle_audio_tx_output_level_set_nack();
    void _handle_audio_tx_output_level_request_nack();
    void _handle_dte_port_mode_set_nack();
    void _handle_dte_port_mode_request_nack();
    void _handle_dte_port_async_settings_set_ack();
    void _handle_dte_port_async_settings_set_nack();
    void _handle_dte_port_async_settings_request_nack();
    void _handle_dte_port_async_flow_control_set_ack();
    void _handle_dte_port_async_flow_control_set_nack();
    void _handle_dte_port_async_flow_control_request_nack();
    void _handle_dte_port_activity_mode_set_ack();
    void _handle_dte_port_activity_mode_set_nack();
    void _handle_dte_port_activity_mode_request_nack();
    void _handle_software_version_number_request_nack();
    void _handle_modem_duplex_mode_set_nack();
    void _handle_key_to_audio_tx_delay_set_nack();
    void _handle_audio_tx_to_unkey_delay_set_nack();
    void _handle_reset_set_nack();
    void _handle_save_configuration_to_non_volatile_memory_set_nack();
    // ==== end modem control panel and receive information: slots ====

private:
    // ==== Modem control panel and receive information: members ====
    void _init_data_interface_panel(QGroupBox* panel);
    void _init_modem_control_panel(QGroupBox* panel);
    void _init_receive_information_panel(QGroupBox* panel);
    // ==== end modem control panel and receive information: members ====
};
