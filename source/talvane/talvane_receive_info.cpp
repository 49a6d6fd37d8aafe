#include "talvane.h"

#include <QGroupBox>

void Talvane::_init_receive_information_panel(QGroupBox* panel)
{
    Q_UNUSED(panel);
}

void Talvane::_handle_wf_lqa_indication(char snr, uchar ber, uchar number_paths,
                                        uchar multipath_spread, uchar doppler_spread,
                                        short doppler_offset, uchar wf_type)
{
    Q_UNUSED(snr);
    Q_UNUSED(ber);
    Q_UNUSED(number_paths);
    Q_UNUSED(multipath_spread);
    Q_UNUSED(doppler_spread);
    Q_UNUSED(doppler_offset);
    Q_UNUSED(wf_type);
}

void Talvane::_handle_wf_autobaud_indication(uchar data_rate, uchar interleaver_length)
{
    Q_UNUSED(data_rate);
    Q_UNUSED(interleaver_length);
}

void Talvane::_handle_modem_rx_status_indication(uchar wf_rx_status, uchar ale_rx_status)
{
    Q_UNUSED(wf_rx_status);
    Q_UNUSED(ale_rx_status);
}

void Talvane::_handle_modem_tx_status_indication(uchar wf_tx_status, uchar ale_tx_status)
{
    Q_UNUSED(wf_tx_status);
    Q_UNUSED(ale_tx_status);
}

void Talvane::_handle_audio_rx_level_request_response(int audio1_rx_level, int audio2_rx_level)
{
    Q_UNUSED(audio1_rx_level);
    Q_UNUSED(audio2_rx_level);
}

void Talvane::_handle_audio_rx_level_request_nack() {}
