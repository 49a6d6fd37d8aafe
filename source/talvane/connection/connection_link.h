#pragma once

// What the panels may ask of the connection: the initialisation counts the
// answers their reply slots receive, the keep-alive hears of every receive
// level answer and of reception, and the modem's identity is kept there.

#include <QString>

namespace vq_qt {

// The answers still expected while the modem is initialised, in the order of
// the init timer report. `init_response_name` gives the report's words and
// `init_responses_expected` the number of answers each expects.
enum Init_response
{
    INIT_RESP_SW_VERSION,
    INIT_RESP_SYSTEM_MODE,
    INIT_RESP_DUPLEX_MODE,
    INIT_RESP_KEY_TO_AUDIO_DELAY,
    INIT_RESP_AUDIO_TO_UNKEY_DELAY,
    INIT_RESP_UPLOAD_MODE,
    INIT_RESP_PSK_MODEM_OTA_SETTINGS,
    INIT_RESP_PSK_MODEM_DEACQUIRE_LIMIT,
    INIT_RESP_TX_AUDIO_LEVEL,
    INIT_RESP_DTE_PORT_MODE,
    INIT_RESP_DTE_PORT_ASYNC_SETTINGS,
    INIT_RESP_DTE_PORT_ASYNC_FLOW_CONTROL,
    INIT_RESP_RADIO_MODEL,
    INIT_RESP_CHAN_CHANGE_AND_ATU_TUNE_TIME,
    INIT_RESP_FF_PARAMETERS,
    INIT_RESP_REGISTER_INDV_INDICATION,
    INIT_RESP_RX_AUDIO_LEVEL,
    INIT_RESP_COUNT
};

const char* init_response_name(Init_response which);
int init_responses_expected(Init_response which);

class Connection_link
{
public:
    virtual ~Connection_link() = default;

    // Counts one answer during initialisation: decrements the counter and
    // runs the completion test. Does nothing in any other state.
    virtual void count_init_response(Init_response which) = 0;
    // A receive level answer arrived: the modem is alive.
    virtual void note_response_seen() = 0;
    // Whether the modem reports that it is receiving.
    virtual void set_receiving(bool receiving) = 0;
    virtual void set_keep_alive_interval(int ms) = 0;
    // Stores the version text and the model derived from it (2 for KX5,
    // 3 for KY5, 1 for any other).
    virtual void set_modem_software_version(const QString& version) = 0;
    virtual int modem_model() const = 0;
};

} // namespace vq_qt
