#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
struct Console_options;

namespace vq_qt {
class QSerial_io;
class QModem_interface;
} // namespace vq_qt

// State of the link to the modem, as shown on the status line.
enum Connection_state
{
    CONNECTION_STATE_NOT_CONNECTED = 0,
    CONNECTION_STATE_CONNECTING = 1,
    CONNECTION_STATE_CONNECTING_NO_RESPONSE = 2,
    CONNECTION_STATE_CONNECTING_MODEM_BOOTING = 3,
    CONNECTION_STATE_INITIALISING = 4,
    CONNECTION_STATE_CONNECTED = 5,
    CONNECTION_STATE_ERROR_PORT_OPEN_FAIL = 6,
};

// The enumerator text of a connection state ("CONNECTION_STATE_CONNECTED").
const char* connection_state_name(int state);

// States and events of the 2G ALE engine's control state machine.
enum Ale_2g_state
{
    ALE_2G_STATE_DISABLED = 0,
    ALE_2G_STATE_CONFIG = 1,
    ALE_2G_STATE_ENABLED = 2,
    ALE_2G_STATE_CALL_SETUP = 3,
    ALE_2G_STATE_CALLING = 4,
    ALE_2G_STATE_LINKED = 5,
    ALE_2G_STATE_TERMINATING = 6,
    ALE_2G_STATE_DISABLING = 7,
    ALE_2G_STATE_ERROR = 8,
};

enum Ale_2g_event
{
    ALE_2G_EVENT_NONE = 0,
    ALE_2G_EVENT_ENABLE = 1,
    ALE_2G_EVENT_DISABLE = 2,
    ALE_2G_EVENT_CALL = 4,
    ALE_2G_EVENT_TERMINATE = 5,
    ALE_2G_EVENT_CANCEL = 6,
    ALE_2G_EVENT_LINKED = 7,
    ALE_2G_EVENT_NOT_LINKED = 8,
    ALE_2G_EVENT_CALLING = 9,
    ALE_2G_EVENT_REPLY = 10,
    ALE_2G_EVENT_LINK_FAILED = 11,
    ALE_2G_EVENT_LINK_TERMINATED = 12,
    ALE_2G_EVENT_OFFLINE = 13,
    ALE_2G_EVENT_TAC1_REPLY = 14,
    ALE_2G_EVENT_TIMEOUT = 15,
    ALE_2G_EVENT_NACK = 16,
};

// The answers still expected while the modem is initialised: name and the
// number of answers expected. The names are the words of the init timer report.
#define TALVANE_INIT_COUNTERS(X)                                                                   \
    X(INIT_RESP_SW_VERSION, 1)                                                                     \
    X(INIT_RESP_SYSTEM_MODE, 1)                                                                    \
    X(INIT_RESP_DUPLEX_MODE, 1)                                                                    \
    X(INIT_RESP_KEY_TO_AUDIO_DELAY, 1)                                                             \
    X(INIT_RESP_AUDIO_TO_UNKEY_DELAY, 1)                                                           \
    X(INIT_RESP_UPLOAD_MODE, 1)                                                                    \
    X(INIT_RESP_PSK_MODEM_OTA_SETTINGS, 1)                                                         \
    X(INIT_RESP_PSK_MODEM_DEACQUIRE_LIMIT, 1)                                                      \
    X(INIT_RESP_TX_AUDIO_LEVEL, 1)                                                                 \
    X(INIT_RESP_DTE_PORT_MODE, 1)                                                                  \
    X(INIT_RESP_DTE_PORT_ASYNC_SETTINGS, 1)                                                        \
    X(INIT_RESP_DTE_PORT_ASYNC_FLOW_CONTROL, 1)                                                    \
    X(INIT_RESP_RADIO_MODEL, 1)                                                                    \
    X(INIT_RESP_CHAN_CHANGE_AND_ATU_TUNE_TIME, 1)                                                  \
    X(INIT_RESP_FF_PARAMETERS, 1)                                                                  \
    X(INIT_RESP_REGISTER_INDV_INDICATION, 5)                                                       \
    X(INIT_RESP_RX_AUDIO_LEVEL, 1)

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

    // Command-line additions of the Linux build (extra ports, connect at
    // start, screenshot, state printing). Called once, after show().
    void apply_console_options(const Console_options& options);

    int current_connection_state() const { return connection_state; }
    QString status_text() const;

signals:
    // Emitted by every state change, after the entry actions have run.
    void connection_state_changed(int state, const QString& status_text);

private slots:
    // Operator actions of the Modem Interface panel.
    void _ui_action_connect_disconnect();
    void _ui_action_settings_save();
    void _ui_action_settings_load_defaults();
    // The choice of data interface (filled by the data path).
    void _ui_action_vsp_data_interface_selected();
    void _ui_action_raw_data_interface_selected();

    // Timers.
    void _connect_timeout();
    void _modem_boot_timeout();
    void _init_timeout();
    void _keep_alive_timeout();
    void _display_timeout();
    void _service_tx_buffer();
    void _2g_ale_event_timeout();

    // The serial device went away (adapter unplugged, far end closed).
    void _handle_port_lost();

    // Connection and initialisation replies.
    void _handle_reponse_modem_startup_status(bool msg_ok, uchar startup_status);
    void _handle_reset_set_ack();
    void _handle_save_configuration_to_non_volatile_memory_set_ack();
    void _handle_system_mode_set_ack(uchar message_sequence_number = 0);
    void _handle_system_mode_set_nack(uchar message_sequence_number = 0);
    void _handle_modem_duplex_mode_set_ack();
    void _handle_key_to_audio_tx_delay_set_ack();
    void _handle_audio_tx_to_unkey_delay_set_ack();
    void _handle_data_from_modem_upload_mode_set_ack();
    void _handle_data_from_modem_upload_mode_set_nack();
    void _handle_registration_for_an_inividual_indication_set_ack();
    void _handle_registration_for_an_inividual_indication_set_nack();

    // Radio control replies.
    void _handle_radio_select_set_ack();
    void _handle_radio_select_set_nack();
    void _handle_radio_select_request_response(uchar radio_port, QString description);
    void _handle_radio_select_request_nack();
    void _handle_radio_control_activation_set_ack();
    void _handle_radio_control_activation_set_nack();
    void _handle_radio_control_activation_request_response(uchar activation);
    void _handle_radio_control_activation_request_nack();
    void _handle_radio_channel_change_and_atu_tune_time_set_ack();
    void _handle_radio_channel_change_and_atu_tune_time_set_nack();
    void _handle_radio_channel_change_and_atu_tune_time_request_response(ushort tx_chan_change_time,
                                                                         ushort rx_chan_change_time,
                                                                         ushort min_atu_tune_time,
                                                                         ushort max_atu_tune_time);
    void _handle_radio_channel_change_and_atu_tune_time_request_nack();
    void _handle_radio_fixed_freq_parameters_set_ack();
    void _handle_radio_fixed_freq_parameters_set_nack();
    void _handle_radio_fixed_freq_parameters_request_response(ushort channel, uint rx_freq,
                                                              uint tx_freq, uchar tx_power_level,
                                                              uchar rx_mode, uchar tx_mode);
    void _handle_radio_fixed_freq_parameters_request_nack();
    void _handle_rcm_status_indication(uchar state, uchar error_code);

    // Data path replies.
    void _handle_data_to_modem_set_ack();
    void _handle_data_to_modem_flow_stop_indication();
    void _handle_data_to_modem_flow_start_indication();
    void _handle_data_from_modem_set(QByteArray byte_array, bool final);

    // 2G ALE replies and reports.
    void _handle_ale_system_mode_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_system_mode_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_activity_timeout_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_activity_timeout_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_lbt_time_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_lbt_time_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_scan_list_entry_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_scan_list_entry_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_address_table_ext_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_address_table_ext_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_nonvolatile_memory_reset_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_nonvolatile_memory_reset_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_call_setup_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_call_setup_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_call_control_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_call_control_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_terminate_link_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_terminate_link_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_abort_request_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_abort_request_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_report_status_indication(uchar event, uchar call_type,
                                              uchar self_address_index, uchar preset_number,
                                              uchar lqa_to, uchar lqa_from,
                                              uchar station_names_list_length,
                                              QString station_names_list);
    void _handle_occupancy_detected_result_indication(ushort duration, ushort occupancy);

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
    friend struct Talvane_test_probe; // lets the tests read the state below

    void closeEvent(QCloseEvent* event) override;

    // Construction.
    void _init_gui();
    void _init_modem_interface_panel(QGroupBox* panel);
    void _init_timers();
    void _init_modem_link();
    void _init_virtual_serial_port();
    void _load_2G_ale_settings();
    void _update_window_title(QString modem_version);

    // The connection.
    void _set_connection_state(Connection_state state);
    void _set_panels_enabled(bool enabled);
    void _reset_status_readouts();
    void _check_modem_init_complete();
    // Counts one answer during initialisation: decrements the counter and
    // runs the completion test. Does nothing in any other state.
    void _count_init_response(int& counter);
    void _open_selected_port();
    void _select_next_port();
    void _disconnect();
    void _send_init_requests();
    void _show_temporary_status(const QString& text);
    void _select_data_interface_on_connect();

    // 2G ALE hooks used by the connection (the state machine fills them).
    void _2g_state_machine_execute(Ale_2g_event event);
    void _change_2g_state(Ale_2g_state state);
    void _update_2g_gui_controls();

    // Data path.
    void _read_from_vsp();

    // Linux additions.
    void _save_screenshot();

    // The link to the modem.
    vq_qt::QSerial_io* serial_io = nullptr;
    vq_qt::QModem_interface* modem_interface = nullptr;
    int connection_state = CONNECTION_STATE_NOT_CONNECTED;
    int port_count = 0;
    bool auto_detect = false;
    bool response_seen = true;
    bool receiving = false;
    bool disconnect_pending = false;
    QString saved_status_text;
    int saved_status_state = CONNECTION_STATE_NOT_CONNECTED;
    QString modem_software_version;
    int modem_model = 0;
    QString open_port_name; // the device the link holds, for reopening

    // Answers still expected during initialisation (see TALVANE_INIT_COUNTERS).
#define TALVANE_DECLARE_COUNTER(name, expected) int name = 0;
    TALVANE_INIT_COUNTERS(TALVANE_DECLARE_COUNTER)
#undef TALVANE_DECLARE_COUNTER

    // Timers, all children of the window.
    QTimer* connect_timer = nullptr;
    QTimer* modem_boot_timer = nullptr;
    QTimer* init_timer = nullptr;
    QTimer* keep_alive_timer = nullptr;
    QTimer* display_timer = nullptr;
    QTimer* tx_service_timer = nullptr;
    QTimer* ale_2g_event_timer = nullptr;

    // Panels and the Modem Interface widgets.
    QGroupBox* modem_interface_panel = nullptr;
    QGroupBox* data_interface_panel = nullptr;
    QGroupBox* modem_control_panel = nullptr;
    QGroupBox* radio_control_panel = nullptr;
    QGroupBox* receive_information_panel = nullptr;
    QGroupBox* ale_2g_control_panel = nullptr;
    QComboBox* serial_port_selector = nullptr;
    QPushButton* connect_button = nullptr;
    QLabel* connection_status_label = nullptr;
    QPushButton* settings_save_button = nullptr;
    QPushButton* settings_load_defaults_button = nullptr;

    // Readouts that every loss of the connection resets to "-". The panel
    // that builds each label sets its pointer; a null pointer is skipped.
    QLabel* audio_rx_level_label = nullptr;
    QLabel* tx_status_label = nullptr;
    QLabel* rx_status_label = nullptr;
    QLabel* radio_status_label = nullptr;
    QLabel* ale_2g_status_label = nullptr;
    QLabel* ale_2g_detail_label = nullptr;

    // Data path state.
    QByteArray tx_buffer;
    bool clear_to_send = true;
    int modem_flow_stopped = 0;
    bool data_if_raw = false; // "KX5 Data Port" is the chosen data interface
    QRadioButton* vsp_data_interface_button = nullptr;
    QRadioButton* raw_data_interface_button = nullptr;

    // 2G ALE state shared with the connection.
    int ale_2g_state = ALE_2G_STATE_DISABLED;
    bool ale_2g_terminate_on_disconnect = true;
    bool ale_display_mode = false;
    QString ale_2g_status_text;
    QString ale_2g_detail_text;

    // Linux additions.
    QString screenshot_path;
    bool screenshot_taken = false;
    bool print_state = false;

    // ==== Modem control panel and receive information: members ====
    friend struct Modem_control_test_probe; // the panel tests drive the slots below

    void _init_data_interface_panel(QGroupBox* panel);
    void _init_modem_control_panel(QGroupBox* panel);
    void _init_receive_information_panel(QGroupBox* panel);

    // Selector rebuilding and the over-the-air (OTA) settings.
    void _fill_waveform_list();
    void _fill_data_rate_list();
    void _fill_interleaver_list();
    void _send_ota_settings_if_changed();
    void _apply_pending_ota_update();
    // DTE port requests built from the selectors.
    void _send_dte_port_async_settings();
    void _send_dte_port_activity_mode();
    // Every receive readout of the link quality and autobaud reports to "-".
    void _clear_receive_information();

    // Modem Control widgets.
    class QSpinBox* audio_tx_level_spin_box = nullptr;
    QComboBox* waveform_selector = nullptr;
    QComboBox* data_rate_selector = nullptr;
    QComboBox* interleaver_selector = nullptr;
    QComboBox* deacquire_selector = nullptr;
    QPushButton* tx_kill_button = nullptr;
    QPushButton* rx_reset_button = nullptr;
    QLabel* waveform_name_label = nullptr;
    QLabel* rx_data_rate_label = nullptr;
    QLabel* rx_interleaver_label = nullptr;
    QRadioButton* std_async_button = nullptr;
    QRadioButton* hsp_async_button = nullptr;
    class QCheckBox* auto_update_tx_ota_rate_check_box = nullptr;

    // DTE port selectors of the Data Interface panel.
    QComboBox* port_rate_selector = nullptr;
    QComboBox* data_format_selector = nullptr;
    QComboBox* flow_control_selector = nullptr;

    // Receive Information labels.
    QLabel* snr_label = nullptr;
    QLabel* ber_label = nullptr;
    QLabel* doppler_offset_label = nullptr;
    QLabel* doppler_spread_label = nullptr;
    QLabel* multipath_spread_label = nullptr;
    QLabel* path_count_label = nullptr;

    // OTA settings last sent to the modem or last reported by it.
    uchar last_ota_waveform = 0;
    uchar last_ota_data_rate = 0;
    uchar last_ota_interleaver = 0;
    // Received settings that the transmitter takes over when reception ends.
    bool pending_ota_update = false;
    uchar pending_ota_data_rate = 0;
    uchar pending_ota_interleaver = 0;
    bool auto_update_tx_ota_rate = false; // "Auto Update Tx OTA Rate"
    int last_wf_rx_status = 1;
    // ==== end modem control panel and receive information: members ====
};
