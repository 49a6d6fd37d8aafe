// The Receive Information panel and the modem's reports about reception and
// transmission: link quality, autobaud results, receive and transmit status
// and the receive audio level.

#include "receive_information_panel.h"

#include "connection_link.h"
#include "log_categories.h"
#include "modem_control_tables.h"
#include "qmodem_interface.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace vq_qt {

using namespace modem_control;

namespace {

constexpr int rx_status_hunt = 1;
constexpr int rx_status_receive = 2;
constexpr int rx_status_sync = 5;
constexpr int tx_status_idle = 2;

constexpr int keep_alive_receiving_ms = 5000;
constexpr int keep_alive_idle_ms = 2000;

const char* const no_value = "-";

constexpr int stale_after_ms = 5000;

} // namespace

Receive_information_panel::Receive_information_panel(vq_qt::QModem_interface* modem_interface,
                                                     Connection_link* connection, QWidget* parent)
    : QGroupBox(parent), modem_interface(modem_interface), connection(connection)
{
    QWidget* panel = this;
    auto* grid = new QGridLayout(panel);
    struct Row
    {
        const char* caption;
        QLabel** label;
    };
    const Row rows[] = {
        {"SNR:", &snr_label},
        {"BER:", &ber_label},
        {"Doppler Offset:", &doppler_offset_label},
        {"Doppler Spread:", &doppler_spread_label},
        {"Multipath Spread:", &multipath_spread_label},
        {"Path Count:", &path_count_label},
    };
    int row = 0;
    for (const Row& entry : rows) {
        *entry.label = new QLabel(no_value, panel);
        grid->addWidget(new QLabel(entry.caption, panel), row, 0, 1, 1);
        grid->addWidget(*entry.label, row, 1, 1, 1);
        ++row;
    }
    grid->setRowStretch(row, 10);
    // Wide enough for the widest value, so that the panel keeps its width
    // when the values go blank.
    int value_width = 0;
    for (const char* widest : {"-128 dB", "10^(-255)", "0.0255 s", "25.5 Hz", "-999 Hz"}) {
        value_width = std::max(value_width, fontMetrics().horizontalAdvance(widest));
    }
    for (const Row& entry : rows) {
        (*entry.label)->setMinimumWidth(value_width);
    }

    stale_timer = new QTimer(this);
    stale_timer->setSingleShot(true);
    stale_timer->setInterval(stale_after_ms);
    connect(stale_timer, &QTimer::timeout, this, [this] { _set_stale(true); });
}

void Receive_information_panel::set_stale_after(int ms)
{
    stale_timer->setInterval(ms);
}

void Receive_information_panel::_set_stale(bool on)
{
    stale = on;
    for (QLabel* label : {snr_label, ber_label, doppler_offset_label, doppler_spread_label,
                          multipath_spread_label, path_count_label}) {
        label->setStyleSheet(on ? "color: gray" : "");
    }
}

void Receive_information_panel::_clear_receive_information()
{
    for (QLabel* label : {snr_label, ber_label, doppler_offset_label, doppler_spread_label,
                          multipath_spread_label, path_count_label}) {
        label->setText(no_value);
    }
    emit ota_settings_cleared();
    stale_timer->stop();
    _set_stale(false);
    emit link_quality_ended();
}

void Receive_information_panel::_handle_wf_lqa_indication(char snr, uchar ber, uchar number_paths,
                                                          uchar multipath_spread,
                                                          uchar doppler_spread,
                                                          short doppler_offset, uchar wf_type)
{
    qCDebug(lc_resp_handle) << __func__ << "snr:" << int(snr) << "ber:" << ber
                            << "number_paths:" << number_paths
                            << "multipath_spread:" << multipath_spread
                            << "doppler_spread:" << doppler_spread
                            << "doppler_offset:" << doppler_offset << "wf_type:" << wf_type;
    if (last_reported_wf_rx_status != rx_status_receive) {
        return;
    }
    // The byte is signed on the wire whatever the platform's plain char is.
    snr_label->setText(snr_text(static_cast<signed char>(snr)));
    ber_label->setText(ber_text(ber));
    path_count_label->setText(path_count_text(number_paths));
    multipath_spread_label->setText(multipath_spread_text(multipath_spread));
    doppler_spread_label->setText(doppler_spread_text(doppler_spread));
    doppler_offset_label->setText(doppler_offset_text(doppler_offset));
    _set_stale(false);
    stale_timer->start();
    emit link_quality_reported(static_cast<signed char>(snr), std::pow(10.0, -double(ber)),
                               doppler_offset);
}

void Receive_information_panel::_handle_wf_autobaud_indication(uchar data_rate,
                                                               uchar interleaver_length)
{
    qCDebug(lc_resp_handle) << __func__ << "data_rate:" << data_rate
                            << "interleaver_length:" << interleaver_length;
    emit ota_settings_received(data_rate, interleaver_length);
}

void Receive_information_panel::_handle_modem_rx_status_indication(uchar wf_rx_status,
                                                                   uchar ale_rx_status)
{
    qCDebug(lc_resp_handle) << __func__ << "wf_rx_status:" << wf_rx_status
                            << "ale_rx_status:" << ale_rx_status;
    modem_interface->request_audio_rx_level();
    if (wf_rx_status == rx_status_receive || wf_rx_status == rx_status_sync) {
        connection->set_keep_alive_interval(keep_alive_receiving_ms);
    } else if (wf_rx_status == rx_status_hunt) {
        connection->set_keep_alive_interval(keep_alive_idle_ms);
    }
    emit rx_status_changed(rx_status_name(ale_display_mode ? ale_rx_status : wf_rx_status));
    last_reported_wf_rx_status = wf_rx_status;
    if (wf_rx_status != rx_status_receive && !ale_display_mode) {
        _clear_receive_information();
        emit reception_ended();
    }
    connection->set_receiving(wf_rx_status == rx_status_sync);
}

void Receive_information_panel::_handle_modem_tx_status_indication(uchar wf_tx_status,
                                                                   uchar ale_tx_status)
{
    qCDebug(lc_resp_handle) << __func__ << "wf_tx_status:" << wf_tx_status
                            << "ale_tx_status:" << ale_tx_status;
    emit tx_status_changed(tx_status_name(ale_display_mode ? ale_tx_status : wf_tx_status),
                           wf_tx_status == tx_status_idle);
}

void Receive_information_panel::_handle_audio_rx_level_request_response(int audio1_rx_level,
                                                                        int audio2_rx_level)
{
    qCDebug(lc_resp_handle) << __func__ << "audio1_rx_level:" << audio1_rx_level
                            << "audio2_rx_level:" << audio2_rx_level;
    connection->note_response_seen();
    connection->count_init_response(INIT_RESP_RX_AUDIO_LEVEL);
    emit audio_rx_level_changed(audio_rx_level_text(audio1_rx_level));
}

void Receive_information_panel::_handle_audio_rx_level_request_nack()
{
    qCWarning(lc_resp_handle) << __func__;
}

} // namespace vq_qt
