#include "qmodem_interface.h"

Q_LOGGING_CATEGORY(qmdm_if, "qmdm_if")
Q_LOGGING_CATEGORY(qmdm_if_rx, "qmdm_if_rx")
Q_LOGGING_CATEGORY(qmdm_if_tx, "qmdm_if_tx")

namespace vq_qt {

QModem_interface::QModem_interface(QObject* parent, quint32 destination_address)
    : QObject(parent), _destination_address(destination_address)
{}

QModem_interface::~QModem_interface() = default;

void QModem_interface::_receive_sipc_data(QByteArray) {}

bool QModem_interface::set_reset(uchar)
{
    return false;
}

bool QModem_interface::set_system_site_mode(uchar)
{
    return false;
}

bool QModem_interface::request_system_site_mode()
{
    return false;
}

bool QModem_interface::set_system_mode(uchar, uchar&)
{
    return false;
}

bool QModem_interface::set_system_mode(uchar)
{
    return false;
}

bool QModem_interface::request_software_version_number(uchar)
{
    return false;
}

bool QModem_interface::request_top_level_system_software_version_number()
{
    return false;
}

bool QModem_interface::request_firmware_version_number(uchar)
{
    return false;
}

bool QModem_interface::set_module_serial_number(uchar, QString)
{
    return false;
}

bool QModem_interface::request_module_serial_number(uchar)
{
    return false;
}

bool QModem_interface::request_silicon_serial_number()
{
    return false;
}

bool QModem_interface::request_stock_numbers()
{
    return false;
}

bool QModem_interface::set_default_boot_application(uchar, uchar)
{
    return false;
}

bool QModem_interface::request_default_boot_application()
{
    return false;
}

bool QModem_interface::request_modem_startup_status()
{
    return false;
}

bool QModem_interface::set_save_configuration_to_non_volatile_memory()
{
    return false;
}

bool QModem_interface::request_mac_address()
{
    return false;
}

bool QModem_interface::set_ip_configuration(uint, uint, uint)
{
    return false;
}

bool QModem_interface::request_ip_configuration()
{
    return false;
}

bool QModem_interface::set_tx_kill_resume(uchar)
{
    return false;
}

bool QModem_interface::set_psk_fsk_tx_kill(uchar)
{
    return false;
}

bool QModem_interface::set_modem_duplex_mode(uchar)
{
    return false;
}

bool QModem_interface::set_psk_modem_ota_settings(uchar, uchar, uchar, uchar, uchar, uchar)
{
    return false;
}

bool QModem_interface::request_psk_modem_ota_settings(uchar)
{
    return false;
}

bool QModem_interface::set_psk_modem_deacquire_limit(uchar)
{
    return false;
}

bool QModem_interface::request_psk_modem_deacquire_limit()
{
    return false;
}

bool QModem_interface::set_psk_fsk_return_to_acquisition(uchar)
{
    return false;
}

bool QModem_interface::set_audio_tx_output_level(uchar, ushort)
{
    return false;
}

bool QModem_interface::request_audio_tx_output_level(uchar)
{
    return false;
}

bool QModem_interface::set_key_to_audio_tx_delay(uchar, ushort)
{
    return false;
}

bool QModem_interface::set_audio_tx_to_unkey_delay(uchar, ushort)
{
    return false;
}

bool QModem_interface::set_dte_port_mode(uchar)
{
    return false;
}

bool QModem_interface::request_dte_port_mode()
{
    return false;
}

bool QModem_interface::set_dte_port_async_settings(uchar, uchar, uchar, uchar)
{
    return false;
}

bool QModem_interface::request_dte_port_async_settings()
{
    return false;
}

bool QModem_interface::set_dte_port_async_flow_control(uchar)
{
    return false;
}

bool QModem_interface::request_dte_port_async_flow_control()
{
    return false;
}

bool QModem_interface::set_dte_port_activity_mode(uchar, uchar, const char*, uchar, uchar, ushort)
{
    return false;
}

bool QModem_interface::request_dte_port_activity_mode()
{
    return false;
}

bool QModem_interface::set_send_data_to_modem(QByteArray)
{
    return false;
}

bool QModem_interface::set_send_data_from_modem_flow_enable()
{
    return false;
}

bool QModem_interface::set_send_data_from_modem_flow_disable()
{
    return false;
}

bool QModem_interface::set_data_from_modem_upload_mode(uchar)
{
    return false;
}

bool QModem_interface::set_ale_system_mode(vq_qt::Ale_system_mode, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_system_mode(vq_qt::Ale_system_mode)
{
    return false;
}

bool QModem_interface::set_ale_activity_timeout(ushort, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_activity_timeout(ushort)
{
    return false;
}

bool QModem_interface::set_ale_lbt_time(uchar, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_lbt_time(uchar)
{
    return false;
}

bool QModem_interface::set_ale_scan_list_entry(uchar, QString, QByteArray, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_scan_list_entry(uchar, QString, QByteArray)
{
    return false;
}

bool QModem_interface::set_ale_address_table_ext(uchar, QString, QString, uchar, ushort, ushort,
                                                 uchar, QByteArray, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_address_table_ext(uchar, QString, QString, uchar, ushort, ushort,
                                                 uchar, QByteArray)
{
    return false;
}

bool QModem_interface::set_ale_nonvolatile_memory_reset(uchar, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_nonvolatile_memory_reset(uchar)
{
    return false;
}

bool QModem_interface::set_ale_call_setup(uchar, uchar, uchar, QByteArray, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_call_setup(uchar, uchar, uchar, QByteArray)
{
    return false;
}

bool QModem_interface::set_ale_call_control(uchar&)
{
    return false;
}

bool QModem_interface::set_ale_call_control()
{
    return false;
}

bool QModem_interface::set_ale_terminate_link(uchar, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_terminate_link(uchar)
{
    return false;
}

bool QModem_interface::set_ale_abort_request(uchar, uchar&)
{
    return false;
}

bool QModem_interface::set_ale_abort_request(uchar)
{
    return false;
}

bool QModem_interface::set_radio_select(uchar, QString)
{
    return false;
}

bool QModem_interface::request_radio_select(uchar)
{
    return false;
}

bool QModem_interface::set_radio_channel_change_and_atu_tune_time(ushort, ushort, ushort, ushort)
{
    return false;
}

bool QModem_interface::request_radio_channel_change_and_atu_tune_time()
{
    return false;
}

bool QModem_interface::set_radio_fixed_freq_parameters(ushort, uint, uint, uchar, uchar, uchar)
{
    return false;
}

bool QModem_interface::request_radio_fixed_freq_parameters()
{
    return false;
}

bool QModem_interface::set_radio_control_activation(uchar)
{
    return false;
}

bool QModem_interface::request_radio_control_activation()
{
    return false;
}

bool QModem_interface::set_registration_for_an_individual_indication(uint, uint, uchar)
{
    return false;
}

bool QModem_interface::unregister_for_all_indications(uchar&)
{
    return false;
}

bool QModem_interface::unregister_for_all_indications()
{
    return false;
}

bool QModem_interface::set_buzzer_tone(uchar, ushort, uchar, ushort, ushort, ushort)
{
    return false;
}

bool QModem_interface::set_buzzer_tune(uchar, ushort, uchar, ushort, ushort*, ushort*)
{
    return false;
}

bool QModem_interface::set_front_pannel_led_state(ushort, QByteArray)
{
    return false;
}

bool QModem_interface::set_module_serial_number_and_mac(ushort, uchar, uint, QByteArray)
{
    return false;
}

bool QModem_interface::set_lz7_hw_testing_audio_test_type(uchar, uchar, schar)
{
    return false;
}

bool QModem_interface::request_audio_rx_level()
{
    return false;
}

bool QModem_interface::request_audio_quality()
{
    return false;
}

bool QModem_interface::request_lz7_n_ppt_sense1()
{
    return false;
}

bool QModem_interface::request_lz7_n_ppt_sense2()
{
    return false;
}

bool QModem_interface::set_lz7_keyline1(uchar)
{
    return false;
}

bool QModem_interface::set_lz7_keyline2(uchar)
{
    return false;
}

bool QModem_interface::set_lz7_hw_testing_uart_test(uchar, uchar, schar)
{
    return false;
}

bool QModem_interface::request_lz7_hw_testing_test_result()
{
    return false;
}

bool QModem_interface::set_lz7_hw_testing_ctrl_processor_test_type(uchar, schar)
{
    return false;
}

bool QModem_interface::request_lz7_hw_testing_ctrl_processor_test_result()
{
    return false;
}

bool QModem_interface::request_rtc_temperature()
{
    return false;
}

} // namespace vq_qt
