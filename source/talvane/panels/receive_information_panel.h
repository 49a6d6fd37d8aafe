#pragma once

// The "Receive Information" panel and the modem's reports about reception
// and transmission: link quality, autobaud results, receive and transmit
// status and the receive audio level. The status row and the received
// over-the-air settings belong to the Modem Control panel: this panel tells
// them by signals, which the window wires.

#include <QGroupBox>

class QLabel;
class QTimer;

namespace vq_qt {
class Connection_link;
class QModem_interface;

class Receive_information_panel : public QGroupBox
{
    Q_OBJECT

public:
    Receive_information_panel(vq_qt::QModem_interface* modem_interface, Connection_link* connection,
                              QWidget* parent = nullptr);

    // While the ALE engine works, the status labels show its receive and
    // transmit status instead of the waveform's.
    void set_ale_display_mode(bool on) { ale_display_mode = on; }
    // The waveform receive status of the last report (1 until one arrives).
    int last_wf_rx_status() const { return last_reported_wf_rx_status; }
    void set_last_wf_rx_status(int status) { last_reported_wf_rx_status = status; }
    // The link to the modem was lost or ended: the receive readouts show "-"
    // rather than values that are no longer live.
    void connection_lost() { _clear_receive_information(); }
    // Link quality values the modem has not refreshed for this long are
    // shown greyed as stale.
    void set_stale_after(int ms);
    bool readouts_stale() const { return stale; }

    QLabel* snr_label = nullptr;
    QLabel* ber_label = nullptr;
    QLabel* doppler_offset_label = nullptr;
    QLabel* doppler_spread_label = nullptr;
    QLabel* multipath_spread_label = nullptr;
    QLabel* path_count_label = nullptr;

signals:
    // Data rate and interleaver the modem detected on the air.
    void ota_settings_received(uchar data_rate, uchar interleaver_length);
    // The detected settings are no longer valid (shown "-").
    void ota_settings_cleared();
    // The waveform stopped receiving: a transmit setting held back until then
    // may now follow the received one.
    void reception_ended();
    void rx_status_changed(const QString& text);
    void tx_status_changed(const QString& text, bool idle);
    void audio_rx_level_changed(const QString& text);
    // Each link quality report shown: SNR in dB, the bit error rate (1e-4
    // for "10^(-4)") and the Doppler offset in Hz.
    void link_quality_reported(int snr_db, double ber, int doppler_hz);
    // The link quality readouts went blank: no values until the next report.
    void link_quality_ended();

public slots:
    void _handle_wf_lqa_indication(char snr, uchar ber, uchar number_paths, uchar multipath_spread,
                                   uchar doppler_spread, short doppler_offset, uchar wf_type);
    void _handle_wf_autobaud_indication(uchar data_rate, uchar interleaver_length);
    void _handle_modem_rx_status_indication(uchar wf_rx_status, uchar ale_rx_status);
    void _handle_modem_tx_status_indication(uchar wf_tx_status, uchar ale_tx_status);
    void _handle_audio_rx_level_request_response(int audio1_rx_level, int audio2_rx_level);
    void _handle_audio_rx_level_request_nack();

private:
    // Every receive readout of the link quality and autobaud reports to "-".
    void _clear_receive_information();
    void _set_stale(bool on);

    vq_qt::QModem_interface* modem_interface;
    Connection_link* connection;
    bool ale_display_mode = false;
    int last_reported_wf_rx_status = 1;
    QTimer* stale_timer = nullptr;
    bool stale = false;
};

} // namespace vq_qt
