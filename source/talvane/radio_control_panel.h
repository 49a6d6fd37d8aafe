#pragma once

// The "Radio Control" panel: the radio model attached to the modem, its
// frequency, sideband and power, and the radio's status.

#include <QGroupBox>
#include <QString>

class QLabel;
class Connection_link;

namespace vq_qt {
class QModem_interface;
} // namespace vq_qt

class Radio_control_panel : public QGroupBox
{
    Q_OBJECT

public:
    Radio_control_panel(vq_qt::QModem_interface* modem_interface, Connection_link* connection,
                        QWidget* parent = nullptr);

    // Every loss of the connection resets the radio status to "-".
    void reset_status_readouts();

    QLabel* radio_status_label = nullptr;

public slots:
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

private:
    vq_qt::QModem_interface* modem_interface;
    Connection_link* connection;
};
