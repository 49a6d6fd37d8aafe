// Radio control: the radio models the modem knows, their fixed-frequency
// settings and the radio control activation with its status indications.
#include "sim_engine.h"
#include "sim_radio.h"

namespace vq_sim {

namespace {

enum : std::uint32_t
{
    ID_FF_PARAMS_SET = 0x000D0001,
    ID_RCM_STATUS = 0x000D0018,
};

// Radio control states of the status indication.
enum
{
    RCM_OFF = 1,
    RCM_ERROR = 3,
    RCM_READY = 4,
    RCM_INITIALISING = 6,
};

// Error codes that go with RCM_ERROR.
enum
{
    RCM_ERROR_NO_RADIO = 1,
    RCM_ERROR_NO_ANSWER = 5,
};

} // namespace

const std::map<std::uint32_t, std::uint16_t>& Modem_engine::indication_ports()
{
    static const std::map<std::uint32_t, std::uint16_t> ports = {
        {0x000300AC, 3},                       // link quality
        {0x000300AD, 3},                       // autobaud
        {0x000300B0, 3},                       // receive status
        {0x000300B1, 2},                       // transmit status
        {0x000B0006, 5},                       // ALE status reports
        {ID_RCM_STATUS, 104}, {0x00120002, 3}, // occupancy
    };
    return ports;
}

// Fixed-frequency settings the selected radio cannot take are refused; with
// no radio they are only stored.
bool Modem_engine::handle_radio(const Tac1_in& in)
{
    if (in.identifier != ID_FF_PARAMS_SET || in.payload.size() != 13) {
        return false;
    }
    const Radio_model* model = radio_model(_settings.text("radio_select", "description", 1));
    if (model == nullptr) {
        return false;
    }
    const std::int64_t rx_hz = get_u32(in.payload, 2), tx_hz = get_u32(in.payload, 6);
    const int power = in.payload[10], rx_mode = in.payload[11], tx_mode = in.payload[12];
    int bad = 0;
    if (rx_hz < model->lowest_hz || rx_hz > model->highest_hz) {
        bad = 2;
    } else if (tx_hz < model->lowest_hz || tx_hz > model->highest_hz) {
        bad = 3;
    } else if (power < 1 || power > model->power_levels) {
        bad = 4;
    } else if (rx_mode < 1 || rx_mode > 2) {
        bad = 5;
    } else if (tx_mode < 1 || tx_mode > 2) {
        bad = 6;
    }
    if (bad == 0) {
        return false;
    }
    note(std::string("fixed-frequency settings refused: ") + model->name + " cannot take them");
    nack(in, nack_parameter(bad));
    return true;
}

void Modem_engine::radio_activate(int activation)
{
    auto report = [this](int state, int error) {
        _rcm_state = state;
        indicate(ID_RCM_STATUS,
                 Bytes{static_cast<std::uint8_t>(state), static_cast<std::uint8_t>(error)});
    };
    if (activation != 2) {
        report(RCM_OFF, 0);
        return;
    }
    const std::string radio = _settings.text("radio_select", "description", 1);
    const Radio_model* model = radio_model(radio);
    if (model == nullptr) {
        note("radio control activation without a radio");
        report(RCM_ERROR, RCM_ERROR_NO_RADIO);
        return;
    }
    report(RCM_INITIALISING, 0);
    bool faulty = false;
    for (const std::string& f : _opt.faulty_radios) {
        faulty = faulty || f == radio;
    }
    const int gen = _generation;
    _sched.after(_opt.radio_init_ms * model->init_factor, [this, gen, faulty, report, radio] {
        if (gen != _generation || _settings.number("radio_rcm_activate", "activation") != 2 ||
            _settings.text("radio_select", "description", 1) != radio) {
            return;
        }
        note(faulty ? "radio " + radio + " does not answer" : "radio " + radio + " ready");
        report(faulty ? RCM_ERROR : RCM_READY, faulty ? RCM_ERROR_NO_ANSWER : 0);
    });
}

} // namespace vq_sim
