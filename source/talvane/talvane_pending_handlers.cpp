// Replies and hooks whose panels are not built yet: radio control, the data
// path, the virtual serial port and 2G ALE. Each logs its name (and counts
// for the initialisation where the connection needs the answer), so the
// connection works end to end while those panels are missing.

#include "app_logging.h"
#include "talvane.h"

#include <QLabel>
#include <iterator>

namespace {

void log_reply(const char* name)
{
    qCDebug(lc_resp_handle) << name;
}

void log_nack(const char* name)
{
    qCWarning(lc_resp_handle) << name;
}

} // namespace

// Radio control.

void Talvane::_handle_radio_select_set_ack()
{
    log_reply(__func__);
}

void Talvane::_handle_radio_select_set_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_radio_select_request_response(uchar radio_port, QString description)
{
    _count_init_response(INIT_RESP_RADIO_MODEL);
    qCDebug(lc_resp_handle) << __func__ << radio_port << description;
}

void Talvane::_handle_radio_select_request_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_radio_control_activation_set_ack()
{
    log_reply(__func__);
}

void Talvane::_handle_radio_control_activation_set_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_radio_control_activation_request_response(uchar activation)
{
    qCDebug(lc_resp_handle) << __func__ << activation;
}

void Talvane::_handle_radio_control_activation_request_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_radio_channel_change_and_atu_tune_time_set_ack()
{
    log_reply(__func__);
}

void Talvane::_handle_radio_channel_change_and_atu_tune_time_set_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_radio_channel_change_and_atu_tune_time_request_response(
    ushort tx_chan_change_time, ushort rx_chan_change_time, ushort min_atu_tune_time,
    ushort max_atu_tune_time)
{
    _count_init_response(INIT_RESP_CHAN_CHANGE_AND_ATU_TUNE_TIME);
    qCDebug(lc_resp_handle) << __func__ << tx_chan_change_time << rx_chan_change_time
                            << min_atu_tune_time << max_atu_tune_time;
}

void Talvane::_handle_radio_channel_change_and_atu_tune_time_request_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_radio_fixed_freq_parameters_set_ack()
{
    log_reply(__func__);
}

void Talvane::_handle_radio_fixed_freq_parameters_set_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_radio_fixed_freq_parameters_request_response(ushort channel, uint rx_freq,
                                                                   uint tx_freq,
                                                                   uchar tx_power_level,
                                                                   uchar rx_mode, uchar tx_mode)
{
    _count_init_response(INIT_RESP_FF_PARAMETERS);
    qCDebug(lc_resp_handle) << __func__ << channel << rx_freq << tx_freq << tx_power_level
                            << rx_mode << tx_mode;
}

void Talvane::_handle_radio_fixed_freq_parameters_request_nack()
{
    log_nack(__func__);
}

void Talvane::_handle_rcm_status_indication(uchar state, uchar error_code)
{
    qCDebug(lc_resp_handle) << __func__ << ", state:" << state << ", error_code:" << error_code;
}

// Data path.

void Talvane::_handle_data_to_modem_set_ack()
{
    qCDebug(lc_resp_handle) << "Data to modem set ack";
}

void Talvane::_handle_data_to_modem_flow_stop_indication()
{
    qCDebug(lc_flow_ctrl) << "Data to modem flow stop";
    modem_flow_stopped = 1;
}

void Talvane::_handle_data_to_modem_flow_start_indication()
{
    qCDebug(lc_flow_ctrl) << "Data to modem flow start";
    modem_flow_stopped = 0;
}

void Talvane::_handle_data_from_modem_set(QByteArray byte_array, bool final)
{
    qCDebug(lc_resp_handle) << __func__ << byte_array.size() << final;
}

void Talvane::_service_tx_buffer() {}

void Talvane::_read_from_vsp() {}

void Talvane::_init_virtual_serial_port() {}

void Talvane::_ui_action_vsp_data_interface_selected()
{
    data_if_raw = false;
}

void Talvane::_ui_action_raw_data_interface_selected()
{
    data_if_raw = true;
}

// 2G ALE.

void Talvane::_load_2G_ale_settings() {}

void Talvane::_2g_ale_event_timeout()
{
    _2g_state_machine_execute(ALE_2G_EVENT_TIMEOUT);
}

void Talvane::_2g_state_machine_execute(Ale_2g_event event)
{
    qCDebug(lc_state_change_2g) << "2G event" << int(event) << "in state" << ale_2g_state;
}

void Talvane::_change_2g_state(Ale_2g_state state)
{
    if (state == ale_2g_state) {
        return;
    }
    static const char* const names[] = {"DISABLED",    "CONFIG",    "ENABLED",
                                        "CALL_SETUP",  "CALLING",   "LINKED",
                                        "TERMINATING", "DISABLING", "ERROR"};
    ale_2g_state = state;
    const bool known = state >= 0 && state < int(std::size(names));
    qCDebug(lc_state_change_2g) << "2G State = " << QString(known ? names[state] : "UNKNOWN");
}

void Talvane::_update_2g_gui_controls()
{
    if (ale_2g_status_label) {
        ale_2g_status_label->setText(ale_2g_status_text);
    }
    if (ale_2g_detail_label) {
        ale_2g_detail_label->setText(
            QString("<font color='gray'>%1</font>").arg(ale_2g_detail_text));
    }
}

#define TALVANE_ALE_REPLY(name)                                                                    \
    void Talvane::_handle_##name##_set_ack(uchar message_sequence_number)                          \
    {                                                                                              \
        qCDebug(lc_tac1_reply_2g) << __func__ << message_sequence_number;                          \
    }                                                                                              \
    void Talvane::_handle_##name##_set_nack(uchar message_sequence_number)                         \
    {                                                                                              \
        qCWarning(lc_resp_handle) << __func__ << message_sequence_number;                          \
    }

TALVANE_ALE_REPLY(ale_system_mode)
TALVANE_ALE_REPLY(ale_activity_timeout)
TALVANE_ALE_REPLY(ale_lbt_time)
TALVANE_ALE_REPLY(ale_scan_list_entry)
TALVANE_ALE_REPLY(ale_address_table_ext)
TALVANE_ALE_REPLY(ale_nonvolatile_memory_reset)
TALVANE_ALE_REPLY(ale_call_setup)
TALVANE_ALE_REPLY(ale_call_control)
TALVANE_ALE_REPLY(ale_terminate_link)
TALVANE_ALE_REPLY(ale_abort_request)

#undef TALVANE_ALE_REPLY

void Talvane::_handle_ale_report_status_indication(uchar event, uchar call_type,
                                                   uchar self_address_index, uchar preset_number,
                                                   uchar lqa_to, uchar lqa_from,
                                                   uchar station_names_list_length,
                                                   QString station_names_list)
{
    qCDebug(lc_events_2g) << __func__ << event << call_type << self_address_index << preset_number
                          << lqa_to << lqa_from << station_names_list_length << station_names_list;
}

void Talvane::_handle_occupancy_detected_result_indication(ushort duration, ushort occupancy)
{
    qCDebug(lc_events_2g) << __func__ << duration << occupancy;
}
