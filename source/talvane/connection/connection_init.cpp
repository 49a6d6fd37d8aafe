// Initialisation of a modem that reported itself ready: the requests, the
// answers they are waiting for, and the end of the phase.

#include "connection_controller.h"
#include "log_categories.h"
#include "qmodem_interface.h"

#include <QTimer>
#include <iterator>

namespace vq_qt {

namespace {

struct Init_response_row
{
    const char* name;
    int expected;
};

// In the order of Init_response: the words of the init timer report and the
// number of answers expected (seven registrations are sent, five awaited).
constexpr Init_response_row init_response_rows[] = {
    {"INIT_RESP_SW_VERSION", 1},
    {"INIT_RESP_SYSTEM_MODE", 1},
    {"INIT_RESP_DUPLEX_MODE", 1},
    {"INIT_RESP_KEY_TO_AUDIO_DELAY", 1},
    {"INIT_RESP_AUDIO_TO_UNKEY_DELAY", 1},
    {"INIT_RESP_UPLOAD_MODE", 1},
    {"INIT_RESP_PSK_MODEM_OTA_SETTINGS", 1},
    {"INIT_RESP_PSK_MODEM_DEACQUIRE_LIMIT", 1},
    {"INIT_RESP_TX_AUDIO_LEVEL", 1},
    {"INIT_RESP_DTE_PORT_MODE", 1},
    {"INIT_RESP_DTE_PORT_ASYNC_SETTINGS", 1},
    {"INIT_RESP_DTE_PORT_ASYNC_FLOW_CONTROL", 1},
    {"INIT_RESP_RADIO_MODEL", 1},
    {"INIT_RESP_CHAN_CHANGE_AND_ATU_TUNE_TIME", 1},
    {"INIT_RESP_FF_PARAMETERS", 1},
    {"INIT_RESP_REGISTER_INDV_INDICATION", 5},
    {"INIT_RESP_RX_AUDIO_LEVEL", 1},
};
static_assert(std::size(init_response_rows) == INIT_RESP_COUNT);

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

const char* init_response_name(Init_response which)
{
    return which >= 0 && which < INIT_RESP_COUNT ? init_response_rows[which].name : "UNKNOWN";
}

int init_responses_expected(Init_response which)
{
    return which >= 0 && which < INIT_RESP_COUNT ? init_response_rows[which].expected : 0;
}

void Connection_controller::_send_init_requests()
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

void Connection_controller::count_init_response(Init_response which)
{
    if (connection_state != CONNECTION_STATE_INITIALISING || which < 0 ||
        which >= INIT_RESP_COUNT) {
        return;
    }
    --counters[which];
    _check_modem_init_complete();
}

void Connection_controller::_check_modem_init_complete()
{
    for (int outstanding : counters) {
        if (outstanding > 0) {
            return;
        }
    }
    qCDebug(lc_init) << "Responses to all initialisation messages received.";
    qCDebug(lc_info).noquote() << "Modem version: " + software_version;
    _set_connection_state(CONNECTION_STATE_CONNECTED);
}

void Connection_controller::_init_timeout()
{
    qCDebug(lc_init) << "INIT TIMER -------------";
    QString report = "Responses outstanding:";
    QStringList missing;
    for (int which = 0; which < INIT_RESP_COUNT; ++which) {
        report += QString("\n    %1:%2").arg(init_response_rows[which].name).arg(counters[which]);
        if (counters[which] > 0) {
            missing << init_response_rows[which].name;
        }
    }
    qCDebug(lc_init).noquote() << report;
    emit init_incomplete(missing);
    _set_connection_state(CONNECTION_STATE_CONNECTED);
}

// Acknowledgements that only count during initialisation.

void Connection_controller::_handle_system_mode_set_ack(uchar message_sequence_number)
{
    qCDebug(lc_resp_handle) << "_handle_system_mode_set_ack" << message_sequence_number;
    count_init_response(INIT_RESP_SYSTEM_MODE);
}

void Connection_controller::_handle_system_mode_set_nack(uchar message_sequence_number)
{
    qCWarning(lc_resp_handle) << "_handle_system_mode_set_nack" << message_sequence_number;
}

void Connection_controller::_handle_modem_duplex_mode_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_modem_duplex_mode_set_ack";
    count_init_response(INIT_RESP_DUPLEX_MODE);
}

void Connection_controller::_handle_key_to_audio_tx_delay_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_key_to_audio_tx_delay_set_ack";
    count_init_response(INIT_RESP_KEY_TO_AUDIO_DELAY);
}

void Connection_controller::_handle_audio_tx_to_unkey_delay_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_audio_tx_to_unkey_delay_set_ack";
    count_init_response(INIT_RESP_AUDIO_TO_UNKEY_DELAY);
}

void Connection_controller::_handle_data_from_modem_upload_mode_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_data_from_modem_upload_mode_set_ack";
    count_init_response(INIT_RESP_UPLOAD_MODE);
}

void Connection_controller::_handle_data_from_modem_upload_mode_set_nack()
{
    // A modem without the upload mode still counts as having answered.
    qCWarning(lc_resp_handle) << "_handle_data_from_modem_upload_mode_set_nack";
    count_init_response(INIT_RESP_UPLOAD_MODE);
}

void Connection_controller::_handle_registration_for_an_inividual_indication_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_registration_for_an_inividual_indication_set_ack";
    count_init_response(INIT_RESP_REGISTER_INDV_INDICATION);
}

void Connection_controller::_handle_registration_for_an_inividual_indication_set_nack()
{
    qCWarning(lc_resp_handle) << "_handle_registration_for_an_inividual_indication_set_nack";
}

} // namespace vq_qt
