#ifndef QMODEM_INTERFACE_H
#define QMODEM_INTERFACE_H

// QModem_interface: the console's one door to the modem's control protocol.
// Every operation builds one TAC1 request and sends it down the SIPC stack;
// every reply or indication the modem sends comes back as one Qt signal.
// Nothing here blocks or waits: operations return the send result at once and
// the answers arrive later, from inside _receive_sipc_data.

#include "tac1_pdu.h"
#include "tac_callback_objects.h"
#include "tac_pdu_buffer.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QStringList>

namespace vq {
class Sipc_protocol_handler;
class Tac1_message_handler;
} // namespace vq

Q_DECLARE_LOGGING_CATEGORY(qmdm_if)
Q_DECLARE_LOGGING_CATEGORY(qmdm_if_rx)
Q_DECLARE_LOGGING_CATEGORY(qmdm_if_tx)

namespace vq_qt {

using schar = signed char;

// ALE engine modes as the modem codes them (carried as one byte).
enum Ale_system_mode : uchar
{
    ale_system_mode_disabled = 1,
    ale_system_mode_2g = 2,
};

struct Reply_row;
struct Modem_interface_access;

class QModem_interface : public QObject
{
    Q_OBJECT

public:
    // Fixed addressing of the console on the control link.
    static constexpr quint16 local_port_number = 880;
    static constexpr quint32 local_address_value = 0xC0A8000D;
    static constexpr quint16 modem_port_number = 58001;
    static constexpr quint32 protocol_reserve = 22;
    static constexpr quint32 protocol_header_offset = 20;
    static constexpr int tac1_channel = 1;
    static constexpr int send_data_chunk_size = 200;

    explicit QModem_interface(QObject* parent, quint32 destination_address);
    ~QModem_interface() override;

    QModem_interface(const QModem_interface&) = delete;
    QModem_interface& operator=(const QModem_interface&) = delete;

    quint32 destination_address() const { return _destination_address; }

    // The common reply check: true for ACK, REQUEST, RESPONSE and INDICATION;
    // a NACK logs its reason and an unreadable type logs "Unhandled response",
    // both against `name`, and give false.
    bool _tac1_response_ok(QString name, vq::Tac_message_types type, vq::Tac_pdu_buffer& buffer);

    // System and identification.
    bool set_reset(uchar reset_value);
    bool set_system_site_mode(uchar mode);
    bool request_system_site_mode();
    bool set_system_mode(uchar mode, uchar& message_sequence_number);
    bool set_system_mode(uchar mode);
    bool request_software_version_number(uchar version_index);
    bool request_top_level_system_software_version_number();
    bool request_firmware_version_number(uchar version_index);
    bool set_module_serial_number(uchar module, QString serial_number);
    bool request_module_serial_number(uchar module);
    bool request_silicon_serial_number();
    bool request_stock_numbers();
    bool set_default_boot_application(uchar default_boot_application, uchar bandwidth);
    bool request_default_boot_application();
    bool request_modem_startup_status();
    bool set_save_configuration_to_non_volatile_memory();
    bool request_mac_address();
    bool set_ip_configuration(uint ip_address, uint subnet_mask, uint default_gateway);
    bool request_ip_configuration();

    // Waveform (modem) control.
    bool set_tx_kill_resume(uchar kill_resume);
    bool set_psk_fsk_tx_kill(uchar kill);
    bool set_modem_duplex_mode(uchar mode);
    bool set_psk_modem_ota_settings(uchar tx_rx, uchar waveform, uchar encoding,
                                    uchar interleaver_lenght, uchar data_rate,
                                    uchar isb_activation);
    bool request_psk_modem_ota_settings(uchar tx_rx);
    bool set_psk_modem_deacquire_limit(uchar deacquire_limit);
    bool request_psk_modem_deacquire_limit();
    bool set_psk_fsk_return_to_acquisition(uchar value);

    // Audio port.
    bool set_audio_tx_output_level(uchar port, ushort level);
    bool request_audio_tx_output_level(uchar port);
    bool set_key_to_audio_tx_delay(uchar port, ushort delay);
    bool set_audio_tx_to_unkey_delay(uchar port, ushort delay);

    // DTE (user data) port.
    bool set_dte_port_mode(uchar mode);
    bool request_dte_port_mode();
    bool set_dte_port_async_settings(uchar data_rate, uchar data_bits, uchar stop_bits,
                                     uchar parity);
    bool request_dte_port_async_settings();
    bool set_dte_port_async_flow_control(uchar flow_control);
    bool request_dte_port_async_flow_control();
    bool set_dte_port_activity_mode(uchar dte_activity_mode, uchar tx_start_mode,
                                    const char* sync_start_pattern, uchar sync_stop, uchar reserved,
                                    ushort async_stop);
    bool request_dte_port_activity_mode();

    // Data transfer.
    bool set_send_data_to_modem(QByteArray data);
    bool set_send_data_from_modem_flow_enable();
    bool set_send_data_from_modem_flow_disable();
    bool set_data_from_modem_upload_mode(uchar mode);

    // ALE. The last argument receives the transaction number of the request,
    // written whether or not the send succeeds.
    bool set_ale_system_mode(vq_qt::Ale_system_mode mode, uchar& message_sequence_number);
    bool set_ale_system_mode(vq_qt::Ale_system_mode mode);
    bool set_ale_activity_timeout(ushort timeout, uchar& message_sequence_number);
    bool set_ale_activity_timeout(ushort timeout);
    bool set_ale_lbt_time(uchar lbt_time, uchar& message_sequence_number);
    bool set_ale_lbt_time(uchar lbt_time);
    bool set_ale_scan_list_entry(uchar index, QString name, QByteArray scan_list_assignment_matrix,
                                 uchar& message_sequence_number);
    bool set_ale_scan_list_entry(uchar index, QString name, QByteArray scan_list_assignment_matrix);
    bool set_ale_address_table_ext(uchar address_index, QString address_name, QString address,
                                   uchar address_type, ushort address_value16,
                                   ushort address_wait_for_reply_time, uchar address_value8,
                                   QByteArray address_select_preset_map,
                                   uchar& message_sequence_number);
    bool set_ale_address_table_ext(uchar address_index, QString address_name, QString address,
                                   uchar address_type, ushort address_value16,
                                   ushort address_wait_for_reply_time, uchar address_value8,
                                   QByteArray address_select_preset_map);
    bool set_ale_nonvolatile_memory_reset(uchar reset_value, uchar& message_sequence_number);
    bool set_ale_nonvolatile_memory_reset(uchar reset_value);
    bool set_ale_call_setup(uchar value1, uchar value2, uchar value3, QByteArray call_addresses,
                            uchar& message_sequence_number);
    bool set_ale_call_setup(uchar value1, uchar value2, uchar value3, QByteArray call_addresses);
    bool set_ale_call_control(uchar& message_sequence_number);
    bool set_ale_call_control();
    bool set_ale_terminate_link(uchar value, uchar& message_sequence_number);
    bool set_ale_terminate_link(uchar value);
    bool set_ale_abort_request(uchar value, uchar& message_sequence_number);
    bool set_ale_abort_request(uchar value);

    // Radio control.
    bool set_radio_select(uchar radio_port, QString description);
    bool request_radio_select(uchar radio_port);
    bool set_radio_channel_change_and_atu_tune_time(ushort tx_chan_change_time,
                                                    ushort rx_chan_change_time,
                                                    ushort min_atu_tune_time,
                                                    ushort max_atu_tune_time);
    bool request_radio_channel_change_and_atu_tune_time();
    bool set_radio_fixed_freq_parameters(ushort channel, uint rx_freq, uint tx_freq,
                                         uchar tx_power_level, uchar rx_mode, uchar tx_mode);
    bool request_radio_fixed_freq_parameters();
    bool set_radio_control_activation(uchar activation);
    bool request_radio_control_activation();

    // Indication subscriptions. The first argument is the destination port.
    bool set_registration_for_an_individual_indication(uint port, uint identifier, uchar action);
    bool unregister_for_all_indications(uchar& message_sequence_number);
    bool unregister_for_all_indications();

    // Front panel and identity (fixed address and ports, no reply).
    bool set_buzzer_tone(uchar value1, ushort value2, uchar value3, ushort value4, ushort value5,
                         ushort value6);
    bool set_buzzer_tune(uchar value1, ushort value2, uchar value3, ushort count,
                         ushort* first_values, ushort* second_values);
    bool set_front_pannel_led_state(ushort led_count, QByteArray led_states);
    bool set_module_serial_number_and_mac(ushort value1, uchar value2, uint value3,
                                          QByteArray mac_address);

    // LZ7 hardware testing.
    bool set_lz7_hw_testing_audio_test_type(uchar value1, uchar value2, schar value3);
    bool request_audio_rx_level();
    bool request_audio_quality();
    bool request_lz7_n_ppt_sense1();
    bool request_lz7_n_ppt_sense2();
    bool set_lz7_keyline1(uchar value);
    bool set_lz7_keyline2(uchar value);
    bool set_lz7_hw_testing_uart_test(uchar value1, uchar value2, schar value3);
    bool request_lz7_hw_testing_test_result();
    bool set_lz7_hw_testing_ctrl_processor_test_type(uchar value1, schar value2);
    bool request_lz7_hw_testing_ctrl_processor_test_result();
    bool request_rtc_temperature();

signals:
    // One complete SIPC frame for the control port.
    void send_sipc_data(QByteArray send_bytes);

    // System and identification.
    void reset_set_ack();
    void reset_set_nack();
    void system_site_mode_set_ack();
    void system_site_mode_set_nack();
    void system_site_mode_request_response(uchar mode);
    void system_site_mode_request_nack();
    void software_version_number_request_response(uchar version_index, QString version_string);
    void software_version_number_request_nack();
    void request_top_level_system_software_version_number_response(bool msg_ok,
                                                                   QString version_string);
    void request_firmware_version_number_response(bool msg_ok, uchar version_index,
                                                  QString version_string);
    void request_module_serial_number_response(bool msg_ok, uchar module,
                                               QString serial_number_string);
    void request_silicon_serial_number_response(bool msg_ok, QString silicon_serial_number_string);
    void request_stock_numbers_response(bool msg_ok, QStringList stock_number_string_list);
    void request_default_boot_application_response(bool msg_ok, uchar default_boot_application,
                                                   uchar bandwidth);
    void request_modem_startup_status_response(bool msg_ok, uchar startup_status);
    void save_configuration_to_non_volatile_memory_set_ack();
    void save_configuration_to_non_volatile_memory_set_nack();
    void request_mac_address_response(bool msg_ok, QString mac_address_string);
    void request_ip_configuration_response(bool msg_ok, uint ip_address, uint subnet_mask,
                                           uint default_gateway);
    void system_mode_set_ack(uchar message_sequence_number = 0);
    void system_mode_set_nack(uchar message_sequence_number = 0);

    // Audio port.
    void audio_tx_output_level_set_ack();
    void audio_tx_output_level_set_nack();
    void audio_tx_output_level_request_response(uchar port, short level);
    void audio_tx_output_level_request_nack();
    void key_to_audio_tx_delay_set_ack();
    void key_to_audio_tx_delay_set_nack();
    void audio_tx_to_unkey_delay_set_ack();
    void audio_tx_to_unkey_delay_set_nack();

    // Waveform (modem) control.
    void psk_fsk_tx_kill_set_ack();
    void psk_fsk_tx_kill_set_nack();
    void modem_duplex_mode_set_ack();
    void modem_duplex_mode_set_nack();
    void psk_modem_ota_settings_set_ack();
    void psk_modem_ota_settings_set_nack();
    void psk_modem_ota_settings_request_response(uchar tx_rx, uchar waveform, uchar encoding,
                                                 uchar interleaver_lenght, uchar data_rate,
                                                 uchar isb_activation);
    void psk_modem_ota_settings_request_nack();
    void psk_modem_deacquire_limit_set_ack();
    void psk_modem_deacquire_limit_set_nack();
    void psk_modem_deacquire_limit_request_response(uchar deacquire_limit);
    void psk_modem_deacquire_limit_request_nack();
    void psk_fsk_return_to_acquisition_set_ack();
    void psk_fsk_return_to_acquisition_set_nack();

    // DTE (user data) port.
    void dte_port_mode_set_ack();
    void dte_port_mode_set_nack();
    void dte_port_mode_request_response(uchar mode);
    void dte_port_mode_request_nack();
    void dte_port_async_settings_set_ack();
    void dte_port_async_settings_set_nack();
    void dte_port_async_settings_request_response(uchar data_rate, uchar data_bits, uchar stop_bits,
                                                  uchar parity);
    void dte_port_async_settings_request_nack();
    void dte_port_async_flow_control_set_ack();
    void dte_port_async_flow_control_set_nack();
    void dte_port_async_flow_control_request_response(uchar flow_control);
    void dte_port_async_flow_control_request_nack();
    void dte_port_activity_mode_set_ack();
    void dte_port_activity_mode_set_nack();
    // sync_start_pattern points to 4 bytes that are valid only during the emission.
    void dte_port_activity_mode_request_response(uchar dte_activity_mode, uchar tx_start_mode,
                                                 const char* sync_start_pattern, uchar sync_stop,
                                                 uchar reserved, ushort async_stop);
    void dte_port_activity_mode_request_nack();

    // Data transfer.
    void send_data_to_modem_set_ack();
    void send_data_to_modem_set_nack();
    void data_to_modem_flow_stop_indication();
    void data_to_modem_flow_start_indication();
    void data_from_modem_set(QByteArray byte_array, bool final);
    void send_data_from_modem_flow_enable_set_ack();
    void send_data_from_modem_flow_enable_set_nack();
    void send_data_from_modem_flow_disable_set_ack();
    void send_data_from_modem_flow_disable_set_nack();
    void send_data_from_modem_upload_mode_set_ack();
    void send_data_from_modem_upload_mode_set_nack();
    void occupancy_detected_result_indication(ushort duration, ushort occupancy);

    // Radio control.
    void radio_select_set_ack();
    void radio_select_set_nack();
    void radio_select_request_response(uchar radio_port, QString description);
    void radio_select_request_nack();
    void radio_channel_change_and_atu_tune_time_set_ack();
    void radio_channel_change_and_atu_tune_time_set_nack();
    void radio_channel_change_and_atu_tune_time_request_response(ushort tx_chan_change_time,
                                                                 ushort rx_chan_change_time,
                                                                 ushort min_atu_tune_time,
                                                                 ushort max_atu_tune_time);
    void radio_channel_change_and_atu_tune_time_request_nack();
    void radio_fixed_freq_parameters_set_ack();
    void radio_fixed_freq_parameters_set_nack();
    void radio_fixed_freq_parameters_request_response(ushort channel, uint rx_freq, uint tx_freq,
                                                      uchar tx_power_level, uchar rx_mode,
                                                      uchar tx_mode);
    void radio_fixed_freq_parameters_request_nack();
    void radio_control_activation_set_ack();
    void radio_control_activation_set_nack();
    void radio_control_activation_request_response(uchar activation);
    void radio_control_activation_request_nack();
    void rcm_status_indication(uchar state, uchar error_code);

    // Indications.
    void registration_for_an_inividual_indication_set_ack();
    void registration_for_an_inividual_indication_set_nack();
    void wf_autobaud_indication(uchar data_rate, uchar interleaver_length);
    void modem_tx_status_indication(uchar wf_tx_status, uchar ale_tx_status);
    void modem_rx_status_indication(uchar wf_rx_status, uchar ale_rx_status);
    void wf_lqa_indication(char snr, uchar ber, uchar number_paths, uchar multipath_spread,
                           uchar doppler_spread, short doppler_offset, uchar wf_type);
    void ale_report_status_indication(uchar event, uchar call_type, uchar self_address_index,
                                      uchar preset_number, uchar lqa_to, uchar lqa_from,
                                      uchar station_names_list_length, QString station_names_list);

    // ALE command replies, carrying the transaction number of the reply.
    void ale_system_mode_set_ack(uchar message_sequence_number = 0);
    void ale_system_mode_set_nack(uchar message_sequence_number = 0);
    void ale_activity_timeout_set_ack(uchar message_sequence_number = 0);
    void ale_activity_timeout_set_nack(uchar message_sequence_number = 0);
    void ale_lbt_time_set_ack(uchar message_sequence_number = 0);
    void ale_lbt_time_set_nack(uchar message_sequence_number = 0);
    void ale_scan_list_entry_set_ack(uchar message_sequence_number = 0);
    void ale_scan_list_entry_set_nack(uchar message_sequence_number = 0);
    void ale_address_table_ext_set_ack(uchar message_sequence_number = 0);
    void ale_address_table_ext_set_nack(uchar message_sequence_number = 0);
    void ale_nonvolatile_memory_reset_set_ack(uchar message_sequence_number = 0);
    void ale_nonvolatile_memory_reset_set_nack(uchar message_sequence_number = 0);
    void ale_call_setup_set_ack(uchar message_sequence_number = 0);
    void ale_call_setup_set_nack(uchar message_sequence_number = 0);
    void ale_call_control_set_ack(uchar message_sequence_number = 0);
    void ale_call_control_set_nack(uchar message_sequence_number = 0);
    void ale_terminate_link_set_ack(uchar message_sequence_number = 0);
    void ale_terminate_link_set_nack(uchar message_sequence_number = 0);
    void ale_abort_request_set_ack(uchar message_sequence_number = 0);
    void ale_abort_request_set_nack(uchar message_sequence_number = 0);

    // LZ7 hardware testing.
    void audio_rx_level_request_response(int audio1_rx_level, int audio2_rx_level);
    void audio_rx_level_request_nack();
    void request_audio_quality_response(bool msg_ok, schar rx_snr, uchar audio_quality);
    void request_lz7_n_ppt_sense1_response(bool msg_ok, uchar lz7_n_ppt_sense1);
    void request_lz7_n_ppt_sense2_response(bool msg_ok, uchar lz7_n_ppt_sense2);
    void request_lz7_hw_testing_test_result_response(bool msg_ok, schar result,
                                                     QString test_result_detail_string);
    void
    request_lz7_hw_testing_ctrl_processor_test_result_response(bool msg_ok, schar result,
                                                               QString test_result_detail_string);
    void request_rtc_temperature_response(bool msg_ok, bool temperature_available,
                                          float temperature);

    // Declared for callers that connect to them; no message raises them.
    void set_front_pannel_led_state_response();
    void set_buzzer_tone_response();
    void set_buzzer_tune_response();
    void set_lz7_keyline1_response();
    void set_lz7_keyline2_response();
    void set_lz7_hw_testing_uart_test_response();
    void set_lz7_hw_testing_ctrl_processor_test_type_response();

public slots:
    // Bytes read from the control port, in any chunking. Public so that the
    // serial port's data_read can be connected to it by function pointer.
    void _receive_sipc_data(QByteArray read_bytes);

protected:
    // The owned protocol stack, for derived interfaces (and tests).
    vq::Sipc_protocol_handler& sipc_protocol_handler() { return *_sipc_protocol_handler; }
    vq::Tac1_message_handler& tac1_message_handler() { return *_tac1_message_handler; }

private:
    friend struct Modem_interface_access;
    friend class Reply_callback_body;

    // The SIPC handler's lower send callback: one finished frame.
    void _write_sipc_data_to_port(vq::Tac_callback_object* callback_object);
    // Hands a built request to the message handler; logs the failure text of
    // `label` and returns false when it is not sent.
    bool _send_pdu(vq::Tac1_pdu& message, quint32 address, quint16 port, const char* label);
    // Runs one reply row over a received PDU.
    void _dispatch_reply(const Reply_row& row, vq::Tac_pdu_buffer& buffer);
    void _register_replies();

    quint16 _local_port = local_port_number;
    quint32 _local_address = local_address_value;
    quint32 _destination_address = 0;
    // Owned: created by the constructor, deleted by the destructor.
    vq::Sipc_protocol_handler* _sipc_protocol_handler = nullptr;
    vq::Tac1_message_handler* _tac1_message_handler = nullptr;
};

} // namespace vq_qt

#endif // QMODEM_INTERFACE_H
