#pragma once

// The "Modem Control" panel: transmit audio level, waveform, data rate and
// interleaver, the de-acquire limit, the DTE port mode, Tx Kill and Rx Reset,
// the transmit and receive status row, and the replies that keep these
// controls in step with the modem. It also builds the three DTE port
// selectors that the "Data Interface" panel places.

#include <QGroupBox>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vq_qt {
class Connection_link;
class Receive_information_panel;
class QModem_interface;

class Modem_control_panel : public QGroupBox
{
    Q_OBJECT

public:
    Modem_control_panel(vq_qt::QModem_interface* modem_interface, Connection_link* connection,
                        QWidget* parent = nullptr);

    // The receive and transmit status row, written by the receive
    // information. Every loss of the connection resets the readouts to "-".
    void reset_status_readouts();
    void show_rx_status(const QString& text);
    // An idle transmitter also gives "Tx Kill" its caption back.
    void show_tx_status(const QString& text, bool idle);
    void show_audio_rx_level(const QString& text);
    // The data rate and interleaver detected on the air ("-" when cleared).
    void show_received_ota_settings(uchar data_rate, uchar interleaver_length);
    void clear_received_ota_settings();
    // A received data rate and interleaver that the transmitter may take
    // over when reception ends ("Auto Update Tx Data Rate").
    void note_received_ota_settings(uchar data_rate, uchar interleaver_length);
    void _apply_pending_ota_update();

    // The panel's controls; other components and tests read them, only the
    // panel changes them. The three DTE port selectors are placed by the
    // Data Interface panel.
    QSpinBox* audio_tx_level_spin_box = nullptr;
    QComboBox* waveform_selector = nullptr;
    QComboBox* data_rate_selector = nullptr;
    QComboBox* interleaver_selector = nullptr;
    QComboBox* deacquire_selector = nullptr;
    QPushButton* tx_kill_button = nullptr;
    QPushButton* rx_reset_button = nullptr;
    QLabel* audio_rx_level_label = nullptr;
    QLabel* waveform_name_label = nullptr;
    QLabel* rx_data_rate_label = nullptr;
    QLabel* rx_interleaver_label = nullptr;
    QLabel* tx_status_label = nullptr;
    QLabel* rx_status_label = nullptr;
    QRadioButton* std_async_button = nullptr;
    QRadioButton* hsp_async_button = nullptr;
    QCheckBox* auto_update_tx_ota_rate_check_box = nullptr;
    QComboBox* port_rate_selector = nullptr;
    QComboBox* data_format_selector = nullptr;
    QComboBox* flow_control_selector = nullptr;

    bool auto_update_tx_ota_rate() const { return auto_update_tx_ota_rate_flag; }
    uchar last_sent_data_rate() const { return last_ota_data_rate; }
    uchar last_sent_interleaver() const { return last_ota_interleaver; }
    bool ota_update_pending() const { return pending_ota_update; }

signals:
    // The modem reported its software version (for the window title).
    void modem_version_reported(const QString& version);
    // Tx Kill pressed (after the modem was told), and Tx Resume.
    void tx_killed();
    void tx_resumed();

public slots:
    void _ui_action_audio_tx_level_change(int value);
    void _ui_action_waveform_change(int index);
    void _ui_action_data_rate_change(int index);
    void _ui_action_interleaver_change(int index);
    void _ui_action_deacquire_limit_change(int index);
    void _ui_action_tx_kill_pause_resume();
    // The keyboard's Tx Kill: presses the button while it reads "Tx Kill"
    // and is usable; it never resumes.
    void kill_tx();
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

private:
    void _init_modem_control_panel();
    void _init_dte_port_selectors();

    // Selector rebuilding and the over-the-air (OTA) settings.
    void _fill_waveform_list();
    void _fill_data_rate_list();
    void _fill_interleaver_list();
    void _send_ota_settings_if_changed();
    // DTE port requests built from the selectors.
    void _send_dte_port_async_settings();
    void _send_dte_port_activity_mode();

    vq_qt::QModem_interface* modem_interface;
    Connection_link* connection;

    // OTA settings last sent to the modem or last reported by it.
    uchar last_ota_waveform = 0;
    uchar last_ota_data_rate = 0;
    uchar last_ota_interleaver = 0;
    // Received settings that the transmitter takes over when reception ends.
    bool pending_ota_update = false;
    uchar pending_ota_data_rate = 0;
    uchar pending_ota_interleaver = 0;
    bool auto_update_tx_ota_rate_flag = false; // "Auto Update Tx OTA Rate"
};

// Lets the Modem Control panel show what the Receive Information panel
// reports about reception and transmission (the window wires them so).
void connect_status_row(Receive_information_panel* receive, Modem_control_panel* control);

} // namespace vq_qt
