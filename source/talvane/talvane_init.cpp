// Initialisation of a modem that reported itself ready: the requests, the
// answers they are waiting for, and the end of the phase.

#include "app_logging.h"
#include "qmodem_interface.h"
#include "talvane.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTimer>

namespace {

constexpr uint tac1_identifier(uint group, uint number)
{
    return group * 65536 + number;
}

constexpr uchar register_indication = 1;

// The indications the console subscribes to, with the port each goes to.
struct Indication_registration
{
    uint port;
    uint identifier;
};

constexpr Indication_registration indication_registrations[] = {
    {3, tac1_identifier(3, 173)},   // waveform autobaud
    {2, tac1_identifier(3, 177)},   // modem transmit status
    {3, tac1_identifier(3, 176)},   // modem receive status
    {3, tac1_identifier(3, 172)},   // waveform link quality
    {104, tac1_identifier(13, 24)}, // radio control status
    {3, tac1_identifier(18, 2)},    // occupancy detection result
    {5, tac1_identifier(11, 6)},    // ALE status report
};

} // namespace

void Talvane::_send_init_requests()
{
    modem_interface->set_system_mode(2);
    modem_interface->set_modem_duplex_mode(1);
    modem_interface->set_key_to_audio_tx_delay(1, 150);
    modem_interface->set_audio_tx_to_unkey_delay(1, 45);
    modem_interface->set_data_from_modem_upload_mode(2);
    modem_interface->request_software_version_number(20);
    modem_interface->request_psk_modem_ota_settings(1);
    modem_interface->request_psk_modem_deacquire_limit();
    modem_interface->request_audio_tx_output_level(1);
    modem_interface->request_dte_port_mode();
    modem_interface->request_dte_port_async_settings();
    modem_interface->request_dte_port_async_flow_control();
    modem_interface->request_radio_select(1);
    modem_interface->request_radio_channel_change_and_atu_tune_time();
    modem_interface->request_radio_fixed_freq_parameters();
    modem_interface->request_audio_rx_level();
    for (const Indication_registration& registration : indication_registrations) {
        modem_interface->set_registration_for_an_individual_indication(
            registration.port, registration.identifier, register_indication);
    }
}

void Talvane::_count_init_response(int& counter)
{
    if (connection_state != CONNECTION_STATE_INITIALISING) {
        return;
    }
    --counter;
    _check_modem_init_complete();
}

void Talvane::_check_modem_init_complete()
{
#define TALVANE_RETURN_IF_OUTSTANDING(name, expected)                                              \
    if (name > 0) {                                                                                \
        return;                                                                                    \
    }
    TALVANE_INIT_COUNTERS(TALVANE_RETURN_IF_OUTSTANDING)
#undef TALVANE_RETURN_IF_OUTSTANDING
    qCDebug(lc_init) << "Responses to all initialisation messages received.";
    qCDebug(lc_info).noquote() << "Modem version: " + modem_software_version;
    _set_connection_state(CONNECTION_STATE_CONNECTED);
}

void Talvane::_init_timeout()
{
    qCDebug(lc_init) << "INIT TIMER -------------";
    QString report = "Responses outstanding:";
#define TALVANE_REPORT_COUNTER(name, expected) report += QString("\n    " #name ":%1").arg(name);
    TALVANE_INIT_COUNTERS(TALVANE_REPORT_COUNTER)
#undef TALVANE_REPORT_COUNTER
    qCDebug(lc_init).noquote() << report;
    _set_connection_state(CONNECTION_STATE_CONNECTED);
}

void Talvane::_select_data_interface_on_connect()
{
    const bool has_data_port = modem_model == 2 || modem_model == 3;
    const bool raw = has_data_port && data_if_raw;
    if (raw_data_interface_button) {
        raw_data_interface_button->setEnabled(has_data_port);
    }
    QRadioButton* chosen = raw ? raw_data_interface_button : vsp_data_interface_button;
    if (chosen) {
        chosen->setChecked(true);
    }
    if (raw) {
        _ui_action_raw_data_interface_selected();
    } else {
        _ui_action_vsp_data_interface_selected();
    }
}

// Acknowledgements that only count during initialisation.

void Talvane::_handle_system_mode_set_ack(uchar message_sequence_number)
{
    qCDebug(lc_resp_handle) << "_handle_system_mode_set_ack" << message_sequence_number;
    _count_init_response(INIT_RESP_SYSTEM_MODE);
    // The 2G ALE state machine pairs this answer with its own requests.
}

void Talvane::_handle_system_mode_set_nack(uchar message_sequence_number)
{
    qCWarning(lc_resp_handle) << "_handle_system_mode_set_nack" << message_sequence_number;
}

void Talvane::_handle_modem_duplex_mode_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_modem_duplex_mode_set_ack";
    _count_init_response(INIT_RESP_DUPLEX_MODE);
}

void Talvane::_handle_key_to_audio_tx_delay_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_key_to_audio_tx_delay_set_ack";
    _count_init_response(INIT_RESP_KEY_TO_AUDIO_DELAY);
}

void Talvane::_handle_audio_tx_to_unkey_delay_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_audio_tx_to_unkey_delay_set_ack";
    _count_init_response(INIT_RESP_AUDIO_TO_UNKEY_DELAY);
}

void Talvane::_handle_data_from_modem_upload_mode_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_data_from_modem_upload_mode_set_ack";
    _count_init_response(INIT_RESP_UPLOAD_MODE);
}

void Talvane::_handle_data_from_modem_upload_mode_set_nack()
{
    // A modem without the upload mode still counts as having answered.
    qCWarning(lc_resp_handle) << "_handle_data_from_modem_upload_mode_set_nack";
    _count_init_response(INIT_RESP_UPLOAD_MODE);
}

void Talvane::_handle_registration_for_an_inividual_indication_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_registration_for_an_inividual_indication_set_ack";
    _count_init_response(INIT_RESP_REGISTER_INDV_INDICATION);
}

void Talvane::_handle_registration_for_an_inividual_indication_set_nack()
{
    qCWarning(lc_resp_handle) << "_handle_registration_for_an_inividual_indication_set_nack";
}
