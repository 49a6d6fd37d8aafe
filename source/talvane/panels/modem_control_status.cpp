// The Modem Control panel's status row (receive and transmit status, receive
// audio level) and the over-the-air settings the modem detected, as the
// Receive Information panel reports them.

#include "modem_control_panel.h"
#include "modem_control_tables.h"
#include "receive_information_panel.h"

#include <QLabel>
#include <QPushButton>

namespace vq_qt {

using namespace modem_control;

void Modem_control_panel::reset_status_readouts()
{
    for (QLabel* label : {audio_rx_level_label, tx_status_label, rx_status_label}) {
        label->setText("-");
    }
}

void Modem_control_panel::note_received_ota_settings(uchar data_rate, uchar interleaver_length)
{
    if (!auto_update_tx_ota_rate_flag) {
        return;
    }
    // The pending values always hold the latest received settings, so that a
    // value equal to the transmitter's is never replaced by an older report.
    if (interleaver_length != last_ota_interleaver) {
        pending_ota_update = true;
    }
    if (data_rate != last_ota_data_rate) {
        pending_ota_update = true;
    }
    pending_ota_interleaver = interleaver_length;
    pending_ota_data_rate = data_rate;
}

void Modem_control_panel::show_rx_status(const QString& text)
{
    rx_status_label->setText(text);
}

void Modem_control_panel::show_tx_status(const QString& text, bool idle)
{
    tx_status_label->setText(text);
    if (idle) {
        tx_kill_button->setText("Tx Kill");
    }
}

void Modem_control_panel::show_audio_rx_level(const QString& text)
{
    audio_rx_level_label->setText(text);
}

void Modem_control_panel::show_received_ota_settings(uchar data_rate, uchar interleaver_length)
{
    rx_data_rate_label->setText(data_rate_name(data_rate));
    rx_interleaver_label->setText(interleaver_name(interleaver_length));
    note_received_ota_settings(data_rate, interleaver_length);
}

void Modem_control_panel::clear_received_ota_settings()
{
    rx_data_rate_label->setText("-");
    rx_interleaver_label->setText("-");
}

void connect_status_row(Receive_information_panel* receive, Modem_control_panel* control)
{
    using Receive = Receive_information_panel;
    using Control = Modem_control_panel;
    QObject::connect(receive, &Receive::rx_status_changed, control, &Control::show_rx_status);
    QObject::connect(receive, &Receive::tx_status_changed, control, &Control::show_tx_status);
    QObject::connect(receive, &Receive::audio_rx_level_changed, control,
                     &Control::show_audio_rx_level);
    QObject::connect(receive, &Receive::ota_settings_received, control,
                     &Control::show_received_ota_settings);
    QObject::connect(receive, &Receive::ota_settings_cleared, control,
                     &Control::clear_received_ota_settings);
    QObject::connect(receive, &Receive::reception_ended, control,
                     &Control::_apply_pending_ota_update);
}

} // namespace vq_qt
