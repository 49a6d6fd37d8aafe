// The 2G ALE engine (call scenarios, incoming calls, link activity timeout)
// and radio control activation.
#include "sim_engine.h"

namespace vq_sim {

namespace {

enum : std::uint32_t
{
    ID_ALE_NVM_RESET = 0x0004000F,
    ID_ALE_ABORT = 0x00060001,
    ID_ALE_CALL_CONTROL = 0x00060007,
    ID_ALE_TERMINATE = 0x00060015,
    ID_ALE_REPORT = 0x000B0006,
    ID_OCCUPANCY = 0x00120002,
    ID_RCM_STATUS = 0x000D0018,
};

enum Ale_event
{
    EV_CALL_START = 1,
    EV_LINKED_INCOMING = 3,
    EV_LINKED_OUTGOING = 4,
    EV_NOT_LINKED = 5,
    EV_ACTIVITY_TIMEOUT = 10,
    EV_RX_CALL = 11,
    EV_TX_REPLY = 12,
    EV_REPLY_RECEIVED = 13,
    EV_NO_LINK = 14,
    EV_TERMINATED = 16,
    EV_REJECTED = 25,
};

const char* const scenarios[] = {"linked", "no_reply", "occupied", "rejected"};

} // namespace

bool Modem_engine::ale_enabled() const
{
    return _settings.number("ale_system_mode", "mode") == 2;
}

std::string Modem_engine::ale_state_name() const
{
    switch (_ale) {
    case Ale_state::idle:
        return ale_enabled() ? "listening" : "off";
    case Ale_state::calling:
        return "calling";
    case Ale_state::linked:
        return "linked";
    case Ale_state::incoming:
        return "incoming";
    }
    return "?";
}

bool Modem_engine::set_ale_scenario(const std::string& name)
{
    for (const char* s : scenarios) {
        if (name == s) {
            _ale_scenario = name;
            note("ALE call scenario: " + name);
            return true;
        }
    }
    return false;
}

std::string Modem_engine::ale_other_station() const
{
    const std::int64_t index = _settings.number("ale_call_setup", "address_index");
    std::string name = _settings.text("ale_address_table_ext", "address", index);
    if (name.empty()) {
        name = _settings.text("ale_address_table_ext", "address_name", index);
    }
    return name.empty() ? "UNKNOWN" : name;
}

void Modem_engine::ale_report(int event, const std::string& names, int lqa_to, int lqa_from)
{
    Bytes p;
    put_u8(p, static_cast<std::uint8_t>(event));
    put_u8(p, 1); // call type: individual
    put_u8(p, 0); // self address index
    put_u8(p, 0); // preset
    put_u8(p, static_cast<std::uint8_t>(lqa_to));
    put_u8(p, static_cast<std::uint8_t>(lqa_from));
    put_counted(p, names);
    indicate(ID_ALE_REPORT, p);
}

void Modem_engine::ale_cancel_timers()
{
    for (Sim_scheduler::Id id : _ale_timers) {
        _sched.cancel(id);
    }
    _ale_timers.clear();
    _sched.cancel(_ale_activity);
    _ale_activity = 0;
}

void Modem_engine::ale_restart_activity()
{
    if (_ale != Ale_state::linked) {
        return;
    }
    _sched.cancel(_ale_activity);
    _ale_activity = 0;
    const std::int64_t seconds = _settings.number("ale_activity_timeout", "timeout");
    if (seconds <= 0) {
        return;
    }
    const int gen = _generation;
    _ale_activity = _sched.after(seconds * 1000, [this, gen] {
        if (gen != _generation || _ale != Ale_state::linked) {
            return;
        }
        _ale_activity = 0;
        note("ALE link idle for the activity timeout: link aborted");
        ale_report(EV_ACTIVITY_TIMEOUT, _ale_station);
        _ale_timers.push_back(_sched.after(_opt.ale_step_ms / 2, [this, gen] {
            if (gen == _generation) {
                _ale = Ale_state::idle;
                ale_report(EV_TERMINATED, _ale_station);
            }
        }));
    });
}

void Modem_engine::ale_run_call()
{
    _ale = Ale_state::calling;
    _ale_station = ale_other_station();
    note("ALE call to " + _ale_station + " (" + _ale_scenario + ")");
    const int gen = _generation;
    const int step = _opt.ale_step_ms;
    auto at = [this, gen](int ms, std::function<void()> fn) {
        _ale_timers.push_back(_sched.after(ms, [this, gen, fn] {
            if (gen == _generation) {
                fn();
            }
        }));
    };
    const std::string station = _ale_station;
    if (_ale_scenario == "linked") {
        const int to = std::uniform_int_distribution<int>(8, 28)(_rng);
        const int from = std::uniform_int_distribution<int>(8, 28)(_rng);
        at(step, [this, station] { ale_report(EV_CALL_START, station); });
        at(2 * step,
           [this, station, to, from] { ale_report(EV_REPLY_RECEIVED, station, to, from); });
        at(3 * step, [this, station] {
            _ale = Ale_state::linked;
            ale_report(EV_LINKED_OUTGOING, station);
            ale_restart_activity();
        });
    } else if (_ale_scenario == "no_reply") {
        at(step, [this, station] { ale_report(EV_CALL_START, station); });
        at(3 * step, [this, station] {
            _ale = Ale_state::idle;
            ale_report(EV_NO_LINK, station);
        });
    } else if (_ale_scenario == "occupied") {
        at(step, [this] {
            Bytes p;
            put_u16(p, 1800); // duration
            put_u16(p, 5);    // occupied by a PSK 4285 signal
            put_u16(p, 0);
            put_u16(p, 0);
            put_u16(p, 0);
            indicate(ID_OCCUPANCY, p);
        });
        at(2 * step, [this, station] {
            _ale = Ale_state::idle;
            ale_report(EV_NO_LINK, station);
        });
    } else { // rejected
        at(step, [this, station] { ale_report(EV_REJECTED, station); });
        at(2 * step, [this, station] {
            _ale = Ale_state::idle;
            ale_report(EV_NO_LINK, station);
        });
    }
}

bool Modem_engine::ale_incoming(const std::string& station)
{
    if (_booting || _hung || !ale_enabled() || _ale != Ale_state::idle) {
        note("incoming ALE call ignored: engine " + ale_state_name());
        return false;
    }
    _ale = Ale_state::incoming;
    _ale_station = station;
    const int gen = _generation;
    const int step = _opt.ale_step_ms;
    const int events[] = {EV_RX_CALL, EV_TX_REPLY, EV_LINKED_INCOMING};
    for (int i = 0; i < 3; ++i) {
        const int event = events[i];
        _ale_timers.push_back(_sched.after((i + 1) * step, [this, gen, event, station] {
            if (gen != _generation) {
                return;
            }
            if (event == EV_LINKED_INCOMING) {
                _ale = Ale_state::linked;
            }
            ale_report(event, station);
            if (event == EV_LINKED_INCOMING) {
                ale_restart_activity();
            }
        }));
    }
    return true;
}

bool Modem_engine::handle_ale(const Tac1_in& in)
{
    switch (in.identifier) {
    case ID_ALE_NVM_RESET:
    case ID_ALE_ABORT:
    case ID_ALE_CALL_CONTROL:
    case ID_ALE_TERMINATE:
        break;
    default:
        return false;
    }
    if (in.payload.size() != 1) {
        nack(in, in.payload.empty() ? NACK_BELOW_SIZE : NACK_EXCEEDS_SIZE);
        return true;
    }
    const int gen = _generation;
    switch (in.identifier) {
    case ID_ALE_NVM_RESET: {
        ack(in);
        for (const char* name : {"ale_scan_list_entry", "ale_address_table_ext"}) {
            _settings.erase(name);
        }
        return true;
    }
    case ID_ALE_CALL_CONTROL:
        if (!ale_enabled()) {
            note("call refused: ALE is not enabled");
            nack(in, NACK_NOT_EXECUTED);
            return true;
        }
        if (_ale != Ale_state::idle) {
            note("call refused: ALE engine " + ale_state_name());
            nack(in, NACK_NOT_EXECUTED);
            return true;
        }
        ack(in);
        ale_run_call();
        return true;
    case ID_ALE_TERMINATE:
        ack(in);
        if (_ale == Ale_state::linked || _ale == Ale_state::calling) {
            ale_cancel_timers();
            _ale_timers.push_back(_sched.after(_opt.ale_step_ms / 2, [this, gen] {
                if (gen == _generation) {
                    _ale = Ale_state::idle;
                    ale_report(EV_TERMINATED, _ale_station);
                }
            }));
        }
        return true;
    case ID_ALE_ABORT:
        ack(in);
        if (_ale != Ale_state::idle) {
            ale_cancel_timers();
            _ale = Ale_state::idle;
            _ale_timers.push_back(_sched.after(_opt.ale_step_ms / 4, [this, gen] {
                if (gen == _generation) {
                    ale_report(EV_NOT_LINKED, "");
                }
            }));
        }
        return true;
    default:
        return false;
    }
}

void Modem_engine::radio_activate(int activation)
{
    auto report = [this](int state, int error) {
        _rcm_state = state;
        indicate(ID_RCM_STATUS,
                 Bytes{static_cast<std::uint8_t>(state), static_cast<std::uint8_t>(error)});
    };
    if (activation != 2) {
        report(1, 0);
        return;
    }
    const std::string radio = _settings.text("radio_select", "description", 1);
    if (radio.rfind("No Radio", 0) == 0 || radio.empty()) {
        note("radio control activation without a radio");
        report(3, 1);
        return;
    }
    report(6, 0);
    bool faulty = false;
    for (const std::string& f : _opt.faulty_radios) {
        faulty = faulty || f == radio;
    }
    const int gen = _generation;
    _sched.after(_opt.radio_init_ms, [this, gen, faulty, report, radio] {
        if (gen != _generation || _settings.number("radio_rcm_activate", "activation") != 2) {
            return;
        }
        note(faulty ? "radio " + radio + " does not answer" : "radio " + radio + " ready");
        report(faulty ? 3 : 4, faulty ? 5 : 0);
    });
}

} // namespace vq_sim
