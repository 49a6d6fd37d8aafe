// The "Radio Control" panel and the replies of the radio control.

#include "radio_control_panel.h"

#include "connection_link.h"
#include "log_categories.h"

#include <QLabel>

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

Radio_control_panel::Radio_control_panel(vq_qt::QModem_interface* modem_interface,
                                         Connection_link* connection, QWidget* parent)
    : QGroupBox(parent), modem_interface(modem_interface), connection(connection)
{}

void Radio_control_panel::reset_status_readouts()
{
    if (radio_status_label) {
        radio_status_label->setText("-");
    }
}

// Radio control.

void Radio_control_panel::_handle_radio_select_set_ack()
{
    log_reply(__func__);
}

void Radio_control_panel::_handle_radio_select_set_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_select_request_response(uchar radio_port,
                                                                QString description)
{
    connection->count_init_response(INIT_RESP_RADIO_MODEL);
    qCDebug(lc_resp_handle) << __func__ << radio_port << description;
}

void Radio_control_panel::_handle_radio_select_request_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_control_activation_set_ack()
{
    log_reply(__func__);
}

void Radio_control_panel::_handle_radio_control_activation_set_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_control_activation_request_response(uchar activation)
{
    qCDebug(lc_resp_handle) << __func__ << activation;
}

void Radio_control_panel::_handle_radio_control_activation_request_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_set_ack()
{
    log_reply(__func__);
}

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_set_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_request_response(
    ushort tx_chan_change_time, ushort rx_chan_change_time, ushort min_atu_tune_time,
    ushort max_atu_tune_time)
{
    connection->count_init_response(INIT_RESP_CHAN_CHANGE_AND_ATU_TUNE_TIME);
    qCDebug(lc_resp_handle) << __func__ << tx_chan_change_time << rx_chan_change_time
                            << min_atu_tune_time << max_atu_tune_time;
}

void Radio_control_panel::_handle_radio_channel_change_and_atu_tune_time_request_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_fixed_freq_parameters_set_ack()
{
    log_reply(__func__);
}

void Radio_control_panel::_handle_radio_fixed_freq_parameters_set_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_radio_fixed_freq_parameters_request_response(
    ushort channel, uint rx_freq, uint tx_freq, uchar tx_power_level, uchar rx_mode, uchar tx_mode)
{
    connection->count_init_response(INIT_RESP_FF_PARAMETERS);
    qCDebug(lc_resp_handle) << __func__ << channel << rx_freq << tx_freq << tx_power_level
                            << rx_mode << tx_mode;
}

void Radio_control_panel::_handle_radio_fixed_freq_parameters_request_nack()
{
    log_nack(__func__);
}

void Radio_control_panel::_handle_rcm_status_indication(uchar state, uchar error_code)
{
    qCDebug(lc_resp_handle) << __func__ << ", state:" << state << ", error_code:" << error_code;
}
