#pragma once

// A look inside the window's Modem Control, Data Interface and Receive
// Information panels, and a decoder for the messages the window sends.

#include "qmodem_interface.h"
#include "tac1_catalogue.h"
#include "talvane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QVector>
#include <memory>

// One TAC1 message as the window put it on the line.
struct Sent_message
{
    QString name; // catalogue name, "Tac1_msg_..."
    QByteArray payload;
};

// Reads one whole SIPC frame: the TAC1 header starts after the 20 framing
// bytes (identifier 4, transaction 1, type 1); the frame ends in a 2-byte CRC.
inline Sent_message decode_sent_frame(const QByteArray& frame)
{
    Sent_message message;
    if (frame.size() < 28) {
        message.name = "short frame";
        return message;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(frame.constData());
    const std::uint32_t identifier = (std::uint32_t(bytes[20]) << 24) |
                                     (std::uint32_t(bytes[21]) << 16) |
                                     (std::uint32_t(bytes[22]) << 8) | bytes[23];
    const vq::Tac1_catalogue_entry* entry = vq::tac1_find(identifier);
    message.name = entry ? QString::fromLatin1(entry->name) : QString::number(identifier, 16);
    message.payload = frame.mid(26, frame.size() - 28);
    return message;
}

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray array;
    for (int value : values) {
        array.append(char(value & 0xFF));
    }
    return array;
}

struct Modem_control_test_probe
{
    Talvane& w;

    // Every frame the modem interface sends from now on.
    std::unique_ptr<QSignalSpy> spy_sent() const
    {
        return std::make_unique<QSignalSpy>(w.modem_interface,
                                            &vq_qt::QModem_interface::send_sipc_data);
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
    QSpinBox* audio_tx_level() const { return w.audio_tx_level_spin_box; }
    QComboBox* waveform() const { return w.waveform_selector; }
    QComboBox* data_rate() const { return w.data_rate_selector; }
    QComboBox* interleaver() const { return w.interleaver_selector; }
    QComboBox* deacquire() const { return w.deacquire_selector; }
    QComboBox* port_rate() const { return w.port_rate_selector; }
    QComboBox* data_format() const { return w.data_format_selector; }
    QComboBox* flow_control() const { return w.flow_control_selector; }
    QPushButton* tx_kill() const { return w.tx_kill_button; }
    QPushButton* rx_reset() const { return w.rx_reset_button; }
    QRadioButton* std_async() const { return w.std_async_button; }
    QRadioButton* hsp_async() const { return w.hsp_async_button; }
    QCheckBox* auto_update() const { return w.auto_update_tx_ota_rate_check_box; }
    QLabel* waveform_name() const { return w.waveform_name_label; }
    QLabel* tx_status() const { return w.tx_status_label; }
    QLabel* rx_status() const { return w.rx_status_label; }
    QLabel* audio_rx_level() const { return w.audio_rx_level_label; }
    QTimer* keep_alive_timer() const { return w.keep_alive_timer; }
    QWidget* modem_control_panel() const { return w.modem_control_panel; }
    QWidget* data_interface_panel() const { return w.data_interface_panel; }
    QWidget* receive_information_panel() const { return w.receive_information_panel; }

    // The eight receive readouts, in a fixed order: SNR, BER, path count,
    // multipath spread, Doppler spread, Doppler offset, data rate, interleaver.
    QList<QLabel*> receive_labels() const
    {
        return {w.snr_label,
                w.ber_label,
                w.path_count_label,
                w.multipath_spread_label,
                w.doppler_spread_label,
                w.doppler_offset_label,
                w.rx_data_rate_label,
                w.rx_interleaver_label};
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
    int state() const { return w.connection_state; }
    int modem_model() const { return w.modem_model; }
    QString software_version() const { return w.modem_software_version; }
    bool receiving() const { return w.receiving; }
    bool response_seen() const { return w.response_seen; }
    int last_wf_rx_status() const { return w.last_wf_rx_status; }
    bool pending() const { return w.pending_ota_update; }
    bool auto_update_enabled() const { return w.auto_update_tx_ota_rate; }
    QByteArray& tx_buffer() { return w.tx_buffer; }
    void set_ale_display_mode(bool on) { w.ale_display_mode = on; }
    void set_response_seen(bool seen) { w.response_seen = seen; }
    void set_receiving(bool on) { w.receiving = on; }
    void set_last_wf_rx_status(int status) { w.last_wf_rx_status = status; }
    // The panels as a connected window has them, without a modem.
    void enable_panels()
    {
        for (QGroupBox* panel :
             {w.modem_control_panel, w.data_interface_panel, w.receive_information_panel}) {
            panel->setEnabled(true);
        }
    }
    void enter(Connection_state state) { w._set_connection_state(state); }
    // Sets every counter to 0 but the named one, which is set to `value`.
    void expect_only(const QString& name, int value)
    {
#define TALVANE_PROBE_ONLY(counter, expected) w.counter = (name == #counter) ? value : 0;
        TALVANE_INIT_COUNTERS(TALVANE_PROBE_ONLY)
#undef TALVANE_PROBE_ONLY
    }
    int counter(const QString& name) const
    {
#define TALVANE_PROBE_GET(counter, expected)                                                       \
    if (name == #counter) {                                                                        \
        return w.counter;                                                                          \
    }
        TALVANE_INIT_COUNTERS(TALVANE_PROBE_GET)
#undef TALVANE_PROBE_GET
        return INT_MIN;
    }

    // Replies.
    void software_version_response(const QString& version)
    {
        w._handle_software_version_number_request_response(20, version);
    }
    void ota_response(int tx_rx, int waveform, int interleaver, int data_rate, int encoding = 2)
    {
        w._handle_psk_modem_ota_settings_request_response(uchar(tx_rx), uchar(waveform),
                                                          uchar(encoding), uchar(interleaver),
                                                          uchar(data_rate), 1);
    }
    void deacquire_response(int code)
    {
        w._handle_psk_modem_deacquire_limit_request_response(code);
    }
    void audio_tx_level_response(int port, short level)
    {
        w._handle_audio_tx_output_level_request_response(uchar(port), level);
    }
    void dte_port_mode_response(int mode)
    {
        w._handle_dte_port_mode_request_response(mode);
    }
    void dte_port_mode_set_ack()
    {
        w._handle_dte_port_mode_set_ack();
    }
    void async_settings_response(int rate, int data_bits, int stop_bits, int parity)
    {
        w._handle_dte_port_async_settings_request_response(uchar(rate), uchar(data_bits),
                                                           uchar(stop_bits), uchar(parity));
    }
    void flow_control_response(int code)
    {
        w._handle_dte_port_async_flow_control_request_response(code);
    }
    void activity_mode_response()
    {
        w._handle_dte_port_activity_mode_request_response(2, 1, "0000", 32, 0, 300);
    }
    void lqa(int snr, int ber, int paths, int multipath, int doppler_spread, int doppler_offset)
    {
        w._handle_wf_lqa_indication(char(snr), uchar(ber), uchar(paths), uchar(multipath),
                                    uchar(doppler_spread), short(doppler_offset), 1);
    }
    void autobaud(int data_rate, int interleaver)
    {
        w._handle_wf_autobaud_indication(uchar(data_rate), uchar(interleaver));
    }
    void rx_status_indication(int wf, int ale)
    {
        w._handle_modem_rx_status_indication(wf, ale);
    }
    void tx_status_indication(int wf, int ale)
    {
        w._handle_modem_tx_status_indication(wf, ale);
    }
    void audio_rx_level_response(int level1, int level2 = 0)
    {
        w._handle_audio_rx_level_request_response(level1, level2);
    }

    // Operator actions.
    void press_tx_kill()
    {
        w._ui_action_tx_kill_pause_resume();
    }

    // Handlers that only write their own name, and whether that is a warning.
    using Handler = void (Talvane::*)();
    static QVector<std::tuple<QString, Handler, bool>> log_only_handlers()
    {
#define TALVANE_ACK(name)                                                                          \
    {                                                                                              \
#name, &Talvane::name, false                                                               \
    }
#define TALVANE_NACK(name)                                                                         \
    {                                                                                              \
#name, &Talvane::name, true                                                                \
    }
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
            TALVANE_NACK(_handle_audio_rx_level_request_nack),
        };
#undef TALVANE_ACK
#undef TALVANE_NACK
    }
    void call(Handler handler)
    {
        (w.*handler)();
    }
};

// Texts of a combo box's entries, in order.
inline QStringList entries(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts;
}

// The operator picks the entry with this text (the box's own signals fire).
inline bool choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    if (index < 0) {
        return false;
    }
    box->setCurrentIndex(index);
    return true;
}
