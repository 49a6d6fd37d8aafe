#pragma once

// The Modem Control panel on its own, with the Receive Information panel
// that writes its status row and the data path whose transmit buffer Tx Kill
// and Tx Resume empty, when a test asks for them: a real modem interface
// whose frames are captured, and a connection that records what the panels
// tell it. Replies reach the panels' handlers directly, as the window's
// wiring delivers them.

#include "data_path_bridge.h"
#include "fake_connection_link.h"
#include "modem_control_panel.h"
#include "qmodem_interface.h"
#include "receive_information_panel.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVector>
#include <functional>
#include <memory>
#include <tuple>

using namespace vq_qt;

// The text in a cell of a panel's grid: a label's or button's text, or
// "<class name>" for another widget.
inline QString cell_text(QWidget* panel, int row, int column)
{
    auto* grid = qobject_cast<QGridLayout*>(panel->layout());
    QLayoutItem* item = grid ? grid->itemAtPosition(row, column) : nullptr;
    QWidget* widget = item ? item->widget() : nullptr;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    return widget ? QString("<%1>").arg(widget->metaObject()->className()) : QString("<none>");
}

class Modem_control_rig
{
public:
    // What a test adds to the Modem Control panel, or-ed together.
    enum Part
    {
        with_receive_information = 1,
        with_data_path = 2,
    };

    explicit Modem_control_rig(int parts = 0)
        : modem(nullptr, 0xC0A80000), modem_control(&modem, &connection), frames(&modem)
    {
        if (parts & with_receive_information) {
            // As the window connects them.
            receive_information = std::make_unique<Receive_information_panel>(&modem, &connection);
            connect_status_row(receive_information.get(), &modem_control);
        }
        if (parts & with_data_path) {
            // As the window connects them.
            data_path = std::make_unique<Data_path_bridge>(&modem);
            QObject::connect(&modem_control, &Modem_control_panel::tx_killed, data_path.get(),
                             &Data_path_bridge::tx_killed);
            QObject::connect(&modem_control, &Modem_control_panel::tx_resumed, data_path.get(),
                             &Data_path_bridge::tx_resumed);
        }
        frames.clear();
    }

    Modem_control_panel* mc() { return &modem_control; }
    Receive_information_panel* ri() const { return receive_information.get(); }

    // The frames sent since the last `frames.clear()`, all or those named.
    QList<Sent_message> sent(const QString& name = QString()) const
    {
        return frames.messages(name);
    }

    // Widgets.
    QSpinBox* audio_tx_level() { return mc()->audio_tx_level_spin_box; }
    QComboBox* waveform() { return mc()->waveform_selector; }
    QComboBox* data_rate() { return mc()->data_rate_selector; }
    QComboBox* interleaver() { return mc()->interleaver_selector; }
    QComboBox* deacquire() { return mc()->deacquire_selector; }
    QComboBox* port_rate() { return mc()->port_rate_selector; }
    QComboBox* data_format() { return mc()->data_format_selector; }
    QComboBox* flow_control() { return mc()->flow_control_selector; }
    QPushButton* tx_kill() { return mc()->tx_kill_button; }
    QPushButton* rx_reset() { return mc()->rx_reset_button; }
    QRadioButton* std_async() { return mc()->std_async_button; }
    QRadioButton* hsp_async() { return mc()->hsp_async_button; }
    QCheckBox* auto_update() { return mc()->auto_update_tx_ota_rate_check_box; }
    QLabel* waveform_name() { return mc()->waveform_name_label; }
    QLabel* tx_status() { return mc()->tx_status_label; }
    QLabel* rx_status() { return mc()->rx_status_label; }
    QLabel* audio_rx_level() { return mc()->audio_rx_level_label; }
    // Waveform, data rate and interleaver as the selectors show them.
    QStringList ota_shown()
    {
        return {waveform()->currentText(), data_rate()->currentText(),
                interleaver()->currentText()};
    }

    // The eight receive readouts, in a fixed order: SNR, BER, path count,
    // multipath spread, Doppler spread, Doppler offset, data rate, interleaver.
    QStringList receive_texts()
    {
        QStringList texts;
        for (QLabel* label :
             {ri()->snr_label, ri()->ber_label, ri()->path_count_label,
              ri()->multipath_spread_label, ri()->doppler_spread_label, ri()->doppler_offset_label,
              mc()->rx_data_rate_label, mc()->rx_interleaver_label}) {
            texts << label->text();
        }
        return texts;
    }

    QByteArray& tx_buffer() { return data_path->transmit_buffer(); }

    // Replies.
    void software_version_response(const QString& version)
    {
        mc()->_handle_software_version_number_request_response(20, version);
    }
    void ota_response(int tx_rx, int waveform, int interleaver, int data_rate, int encoding = 2)
    {
        mc()->_handle_psk_modem_ota_settings_request_response(uchar(tx_rx), uchar(waveform),
                                                              uchar(encoding), uchar(interleaver),
                                                              uchar(data_rate), 1);
    }
    void deacquire_response(int code)
    {
        mc()->_handle_psk_modem_deacquire_limit_request_response(uchar(code));
    }
    void audio_tx_level_response(int port, short level)
    {
        mc()->_handle_audio_tx_output_level_request_response(uchar(port), level);
    }
    void dte_port_mode_response(int mode)
    {
        mc()->_handle_dte_port_mode_request_response(uchar(mode));
    }
    void dte_port_mode_set_ack() { mc()->_handle_dte_port_mode_set_ack(); }
    void async_settings_response(int rate, int data_bits, int stop_bits, int parity)
    {
        mc()->_handle_dte_port_async_settings_request_response(uchar(rate), uchar(data_bits),
                                                               uchar(stop_bits), uchar(parity));
    }
    void flow_control_response(int code)
    {
        mc()->_handle_dte_port_async_flow_control_request_response(uchar(code));
    }
    void activity_mode_response()
    {
        mc()->_handle_dte_port_activity_mode_request_response(2, 1, "0000", 32, 0, 300);
    }
    void lqa(int snr, int ber, int paths, int multipath, int doppler_spread, int doppler_offset)
    {
        ri()->_handle_wf_lqa_indication(char(snr), uchar(ber), uchar(paths), uchar(multipath),
                                        uchar(doppler_spread), short(doppler_offset), 1);
    }
    void autobaud(int data_rate, int interleaver)
    {
        ri()->_handle_wf_autobaud_indication(uchar(data_rate), uchar(interleaver));
    }
    void rx_status_indication(int wf, int ale)
    {
        ri()->_handle_modem_rx_status_indication(uchar(wf), uchar(ale));
    }
    void tx_status_indication(int wf, int ale)
    {
        ri()->_handle_modem_tx_status_indication(uchar(wf), uchar(ale));
    }
    void audio_rx_level_response(int level1, int level2 = 0)
    {
        ri()->_handle_audio_rx_level_request_response(level1, level2);
    }

    // Handlers of the Modem Control panel that only write their own name, and
    // whether that is a warning.
    using Handler = std::function<void(Modem_control_panel&)>;
    static QVector<std::tuple<QString, Handler, bool>> log_only_handlers()
    {
#define TALVANE_HANDLER(name, nack)                                                                \
    {                                                                                              \
#name, [](Modem_control_panel & panel) { panel.name(); }, nack                             \
    }
#define TALVANE_ACK(name) TALVANE_HANDLER(name, false)
#define TALVANE_NACK(name) TALVANE_HANDLER(name, true)
        return {
            TALVANE_ACK(_handle_psk_modem_ota_settings_set_ack),
            TALVANE_NACK(_handle_psk_modem_ota_settings_set_nack),
            TALVANE_NACK(_handle_psk_modem_ota_settings_request_nack),
            TALVANE_ACK(_handle_psk_modem_deacquire_limit_set_ack),
            TALVANE_NACK(_handle_psk_modem_deacquire_limit_set_nack),
            TALVANE_NACK(_handle_psk_modem_deacquire_limit_request_nack),
            TALVANE_ACK(_handle_psk_fsk_tx_kill_set_ack),
            TALVANE_NACK(_handle_psk_fsk_tx_kill_set_nack),
            TALVANE_ACK(_handle_psk_fsk_return_to_acquisition_set_ack),
            TALVANE_NACK(_handle_psk_fsk_return_to_acquisition_set_nack),
            TALVANE_ACK(_handle_audio_tx_output_level_set_ack),
            TALVANE_NACK(_handle_audio_tx_output_level_set_nack),
            TALVANE_NACK(_handle_audio_tx_output_level_request_nack),
            TALVANE_NACK(_handle_dte_port_mode_set_nack),
            TALVANE_NACK(_handle_dte_port_mode_request_nack),
            TALVANE_ACK(_handle_dte_port_async_settings_set_ack),
            TALVANE_NACK(_handle_dte_port_async_settings_set_nack),
            TALVANE_NACK(_handle_dte_port_async_settings_request_nack),
            TALVANE_ACK(_handle_dte_port_async_flow_control_set_ack),
            TALVANE_NACK(_handle_dte_port_async_flow_control_set_nack),
            TALVANE_NACK(_handle_dte_port_async_flow_control_request_nack),
            TALVANE_ACK(_handle_dte_port_activity_mode_set_ack),
            TALVANE_NACK(_handle_dte_port_activity_mode_set_nack),
            TALVANE_NACK(_handle_dte_port_activity_mode_request_nack),
            TALVANE_NACK(_handle_software_version_number_request_nack),
            TALVANE_NACK(_handle_modem_duplex_mode_set_nack),
            TALVANE_NACK(_handle_key_to_audio_tx_delay_set_nack),
            TALVANE_NACK(_handle_audio_tx_to_unkey_delay_set_nack),
            TALVANE_NACK(_handle_reset_set_nack),
            TALVANE_NACK(_handle_save_configuration_to_non_volatile_memory_set_nack),
        };
#undef TALVANE_ACK
#undef TALVANE_NACK
#undef TALVANE_HANDLER
    }

    // Declared in the order they are built; the panels go before the modem
    // interface and the connection they use.
    vq_qt::QModem_interface modem;
    Recording_connection connection;
    Modem_control_panel modem_control;
    std::unique_ptr<Receive_information_panel> receive_information;
    std::unique_ptr<Data_path_bridge> data_path;
    Sent_frames frames;
};
