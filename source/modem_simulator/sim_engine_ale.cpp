// The 2G ALE engine: call scenarios, incoming calls, the link activity
// timeout, and soundings, link quality polls and relinks on command. Calls
// to other modems on a channel are in sim_engine_ale_channel.cpp.
#include "sim_ale_events.h"
#include "sim_engine.h"

namespace vq_sim {

namespace {

enum : std::uint32_t
{
    ID_ALE_NVM_RESET = 0x0004000F,
    ID_ALE_ABORT = 0x00060001,
    ID_ALE_CALL_CONTROL = 0x00060007,
    ID_ALE_TERMINATE = 0x00060015,
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
            note("ALE call scenario: " + name +
                 (_air_link != nullptr ? " (not used: calls go to the stations on the channel)"
                                       : ""));
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
        ale_at(_opt.ale_step_ms / 2, [this] {
            _ale = Ale_state::idle;
            ale_report(EV_TERMINATED, _ale_station);
        });
    });
}

void Modem_engine::ale_at(int ms, std::function<void()> fn)
{
    const int gen = _generation;
    _ale_timers.push_back(_sched.after(ms, [this, gen, fn] {
        if (gen == _generation) {
            fn();
        }
    }));
}

void Modem_engine::ale_call_failed(const std::string& station)
{
    _ale = Ale_state::idle;
    ale_report(EV_NO_LINK, station);
}

// The engine reports the link either as an outgoing call's link or as its
// new state.
void Modem_engine::ale_linked_outgoing(const std::string& station)
{
    const int linked =
        std::uniform_int_distribution<int>(0, 1)(_rng) == 0 ? EV_LINKED_OUTGOING : EV_STATE_LINKED;
    _ale = Ale_state::linked;
    ale_report(linked, station);
    ale_restart_activity();
}

// A call that found the channel busy: what occupies it, then the failure.
void Modem_engine::ale_occupied(const std::string& station)
{
    Bytes p;
    put_u16(p, 1800); // duration
    put_u16(p, 5);    // occupied by a PSK 4285 signal
    put_u16(p, 0);
    put_u16(p, 0);
    put_u16(p, 0);
    indicate(ID_OCCUPANCY, p);
    ale_at(_opt.ale_step_ms, [this, station] { ale_call_failed(station); });
}

void Modem_engine::ale_run_call()
{
    _ale = Ale_state::calling;
    _ale_station = ale_other_station();
    if (_air_link != nullptr) {
        ale_call_on_channel();
        return;
    }
    note("ALE call to " + _ale_station + " (" + _ale_scenario + ")");
    const int step = _opt.ale_step_ms;
    const std::string station = _ale_station;
    if (_ale_scenario == "linked") {
        const int to = std::uniform_int_distribution<int>(8, 28)(_rng);
        const int from = std::uniform_int_distribution<int>(8, 28)(_rng);
        ale_at(step, [this, station] {
            ale_report(EV_CALL_START, station);
            ale_report(EV_STATE_LINKING, station);
        });
        ale_at(2 * step,
               [this, station, to, from] { ale_report(EV_REPLY_RECEIVED, station, to, from); });
        ale_at(3 * step, [this, station] { ale_linked_outgoing(station); });
    } else if (_ale_scenario == "no_reply") {
        ale_at(step, [this, station] { ale_report(EV_CALL_START, station); });
        ale_at(3 * step, [this, station] { ale_call_failed(station); });
    } else if (_ale_scenario == "occupied") {
        ale_at(step, [this, station] { ale_occupied(station); });
    } else { // rejected
        ale_at(step, [this, station] { ale_report(EV_REJECTED, station); });
        ale_at(2 * step, [this, station] { ale_call_failed(station); });
    }
}

bool Modem_engine::ale_ready_for(const char* what)
{
    if (!_booting && !_hung && ale_enabled()) {
        return true;
    }
    note(std::string(what) + " ignored: ALE engine " + (_booting ? "booting" : ale_state_name()));
    return false;
}

bool Modem_engine::ale_sound()
{
    if (!ale_ready_for("sounding") || _ale != Ale_state::idle) {
        return false;
    }
    std::string self = _settings.text("ale_address_table_ext", "address", 0);
    ale_report(EV_SOUND_SENT, self);
    return true;
}

bool Modem_engine::ale_sound_heard(const std::string& station)
{
    if (!ale_ready_for("sound") || _ale != Ale_state::idle) {
        return false;
    }
    ale_report(EV_SOUND_HEARD, station);
    return true;
}

bool Modem_engine::ale_lqa_poll()
{
    if (!ale_ready_for("LQA poll") || (_ale != Ale_state::idle && _ale != Ale_state::linked)) {
        return false;
    }
    const std::string station = _ale == Ale_state::linked ? _ale_station : ale_other_station();
    ale_report(EV_LQA_POLL_START, station);
    ale_at(_opt.ale_step_ms, [this, station] {
        const int to = std::uniform_int_distribution<int>(8, 28)(_rng);
        const int from = std::uniform_int_distribution<int>(8, 28)(_rng);
        ale_report(EV_LQA_POLL_END, station, to, from);
    });
    return true;
}

// A relink keeps the link either way: the engine reports only its outcome.
bool Modem_engine::ale_relink(bool succeeds)
{
    if (!ale_ready_for("relink") || _ale != Ale_state::linked) {
        return false;
    }
    const std::string station = _ale_station;
    ale_report(EV_RELINK_START, station);
    ale_at(_opt.ale_step_ms, [this, station, succeeds] {
        if (_ale == Ale_state::linked) {
            ale_report(succeeds ? EV_RELINK_SUCCEEDED : EV_RELINK_FAILED, station);
        }
    });
    return true;
}

bool Modem_engine::ale_incoming(const std::string& station)
{
    if (!ale_ready_for("incoming ALE call") || _ale != Ale_state::idle) {
        return false;
    }
    _ale = Ale_state::incoming;
    _ale_station = station;
    const int step = _opt.ale_step_ms;
    ale_at(step, [this, station] { ale_report(EV_RX_CALL, station); });
    ale_at(2 * step, [this, station] { ale_report(EV_TX_REPLY, station); });
    ale_at(3 * step, [this, station] {
        _ale = Ale_state::linked;
        ale_report(EV_LINKED_INCOMING, station);
        ale_restart_activity();
    });
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
        if (_ale == Ale_state::linked && _air_link != nullptr) {
            ale_send(Ale_message::terminate);
        }
        if (_ale != Ale_state::idle) {
            ale_cancel_timers();
            ale_at(_opt.ale_step_ms / 2, [this] {
                _ale = Ale_state::idle;
                ale_report(EV_TERMINATED, _ale_station);
            });
        }
        return true;
    case ID_ALE_ABORT:
        ack(in);
        if (_ale != Ale_state::idle) {
            ale_cancel_timers();
            _ale = Ale_state::idle;
            ale_at(_opt.ale_step_ms / 4, [this] { ale_report(EV_NOT_LINKED, ""); });
        }
        return true;
    default:
        return false;
    }
}

} // namespace vq_sim
