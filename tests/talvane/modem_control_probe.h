#pragma once

// A look at the window's Modem Control, Data Interface and Receive
// Information panels through their public interfaces.

#include "window_fixture.h"

#include <QVector>
#include <functional>
#include <tuple>

// The Modem Control, Data Interface and Receive Information panels of a
// window, reached through their public interfaces.
struct Modem_control_test_probe
{
    Talvane& w;

    Modem_control_panel* mc() const { return w.modem_control(); }
    Receive_information_panel* ri() const { return w.receive_information(); }
    Connection_controller* connection() const { return w.connection(); }

    // Every frame the modem interface sends from now on.
    std::unique_ptr<QSignalSpy> spy_sent() const
    {
        return std::make_unique<QSignalSpy>(w.modem(), &vq_qt::QModem_interface::send_sipc_data);
    }
    static QList<Sent_message> sent(const QSignalSpy& spy, const QString& name = QString())
    {
        QList<Sent_message> list;
        for (const QList<QVariant>& call : spy) {
            const Sent_message message = decode_sent_frame(call.at(0).toByteArray());
            if (name.isEmpty() || message.name == name) {
                list << message;
            }
        }
        return list;
    }

    // Widgets.
    QSpinBox* audio_tx_level() const { return mc()->audio_tx_level_spin_box; }
    QComboBox* waveform() const { return mc()->waveform_selector; }
    QComboBox* data_rate() const { return mc()->data_rate_selector; }
    QComboBox* interleaver() const { return mc()->interleaver_selector; }
    QComboBox* deacquire() const { return mc()->deacquire_selector; }
    QComboBox* port_rate() const { return mc()->port_rate_selector; }
    QComboBox* data_format() const { return mc()->data_format_selector; }
    QComboBox* flow_control() const { return mc()->flow_control_selector; }
    QPushButton* tx_kill() const { return mc()->tx_kill_button; }
    QPushButton* rx_reset() const { return mc()->rx_reset_button; }
    QRadioButton* std_async() const { return mc()->std_async_button; }
    QRadioButton* hsp_async() const { return mc()->hsp_async_button; }
    QCheckBox* auto_update() const { return mc()->auto_update_tx_ota_rate_check_box; }
    QLabel* waveform_name() const { return mc()->waveform_name_label; }
    QLabel* tx_status() const { return mc()->tx_status_label; }
    QLabel* rx_status() const { return mc()->rx_status_label; }
    QLabel* audio_rx_level() const { return mc()->audio_rx_level_label; }
    QTimer* keep_alive_timer() const { return connection()->keep_alive_timer(); }
    QWidget* modem_control_panel() const { return w.modem_control(); }
    QWidget* data_interface_panel() const { return w.data_interface(); }
    QWidget* receive_information_panel() const { return w.receive_information(); }

    // The eight receive readouts, in a fixed order: SNR, BER, path count,
    // multipath spread, Doppler spread, Doppler offset, data rate, interleaver.
    QList<QLabel*> receive_labels() const
    {
        return {ri()->snr_label,
                ri()->ber_label,
                ri()->path_count_label,
                ri()->multipath_spread_label,
                ri()->doppler_spread_label,
                ri()->doppler_offset_label,
                mc()->rx_data_rate_label,
                mc()->rx_interleaver_label};
    }
    QStringList receive_texts() const
    {
        QStringList texts;
        for (QLabel* label : receive_labels()) {
            texts << label->text();
        }
        return texts;
    }

    // State.
    int state() const { return connection()->current_connection_state(); }
    int modem_model() const { return connection()->modem_model(); }
    QString software_version() const { return connection()->modem_software_version(); }
    bool receiving() const { return connection()->receiving(); }
    bool response_seen() const { return connection()->response_seen(); }
    int last_wf_rx_status() const { return ri()->last_wf_rx_status(); }
    bool pending() const { return mc()->ota_update_pending(); }
    bool auto_update_enabled() const { return mc()->auto_update_tx_ota_rate(); }
    QByteArray& tx_buffer() { return w.data_path()->transmit_buffer(); }
    void set_ale_display_mode(bool on) { ri()->set_ale_display_mode(on); }
    void set_response_seen(bool seen) { connection()->set_response_seen(seen); }
    void set_receiving(bool on) { connection()->set_receiving(on); }
    void set_last_wf_rx_status(int status) { ri()->set_last_wf_rx_status(status); }
    // The panels as a connected window has them, without a modem.
    void enable_panels()
    {
        for (QWidget* panel :
             {modem_control_panel(), data_interface_panel(), receive_information_panel()}) {
            panel->setEnabled(true);
        }
    }
    void enter(Connection_state state) { connection()->_set_connection_state(state); }
    // Sets every counter to 0 but the named one, which is set to `value`.
    void expect_only(const QString& name, int value)
    {
        for (int which = 0; which < INIT_RESP_COUNT; ++which) {
            connection()->set_init_counter(Init_response(which), 0);
        }
        connection()->set_init_counter(init_response_by_name(name), value);
    }
    int counter(const QString& name) const
    {
        return connection()->init_counter(init_response_by_name(name));
    }

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
        mc()->_handle_psk_modem_deacquire_limit_request_response(code);
    }
    void audio_tx_level_response(int port, short level)
    {
        mc()->_handle_audio_tx_output_level_request_response(uchar(port), level);
    }
    void dte_port_mode_response(int mode) { mc()->_handle_dte_port_mode_request_response(mode); }
    void dte_port_mode_set_ack() { mc()->_handle_dte_port_mode_set_ack(); }
    void async_settings_response(int rate, int data_bits, int stop_bits, int parity)
    {
        mc()->_handle_dte_port_async_settings_request_response(uchar(rate), uchar(data_bits),
                                                               uchar(stop_bits), uchar(parity));
    }
    void flow_control_response(int code)
    {
        mc()->_handle_dte_port_async_flow_control_request_response(code);
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
        ri()->_handle_modem_rx_status_indication(wf, ale);
    }
    void tx_status_indication(int wf, int ale)
    {
        ri()->_handle_modem_tx_status_indication(wf, ale);
    }
    void audio_rx_level_response(int level1, int level2 = 0)
    {
        ri()->_handle_audio_rx_level_request_response(level1, level2);
    }

    // Operator actions.
    void press_tx_kill() { mc()->_ui_action_tx_kill_pause_resume(); }

    // Handlers that only write their own name, and whether that is a warning.
    using Handler = std::function<void(Talvane&)>;
    static QVector<std::tuple<QString, Handler, bool>> log_only_handlers()
    {
#define TALVANE_HANDLER(name, nack)                                                                \
    {                                                                                              \
#name, [](Talvane & window) { window.modem_control()->name(); }, nack                      \
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
            {"_handle_audio_rx_level_request_nack",
             [](Talvane& window) {
                 window.receive_information()->_handle_audio_rx_level_request_nack();
             },
             true},
        };
#undef TALVANE_ACK
#undef TALVANE_NACK
#undef TALVANE_HANDLER
    }
    void call(const Handler& handler)
    {
        handler(w);
    }
};
