// ALE between modems on one channel: a call goes out as an ALE burst to the
// other address; the modem whose self address it is replies with the
// signal-to-noise ratio it measured, the caller acknowledges and both are
// linked. Either end of a link may terminate it for both. The engine reports
// each step to its console as it does for the call scenarios of a modem alone.
#include "sim_ale_events.h"
#include "sim_engine.h"

#include <algorithm>

namespace vq_sim {

namespace {

// Link quality as the reports carry it: a ratio in dB, not below 0.
int link_quality(int snr_db)
{
    return std::clamp(snr_db, 0, 255);
}

} // namespace

std::string Modem_engine::ale_self_address() const
{
    return _settings.text("ale_address_table_ext", "address", 0);
}

// The call starts one step after the request, if nothing is heard on the
// channel then. The called station answers two steps after the call reached
// it; a step more (and the delays both ways) without its reply is no reply.
void Modem_engine::ale_call_on_channel()
{
    const std::string station = _ale_station;
    _ale_answered = false;
    note("ALE call to " + station + " on the channel");
    const int step = _opt.ale_step_ms;
    ale_at(step, [this, station, step] {
        if (!_heard.empty()) {
            note("ALE call to " + station + ": the channel is occupied");
            ale_occupied(station);
            return;
        }
        ale_report(EV_CALL_START, station);
        ale_report(EV_STATE_LINKING, station);
        ale_send(Ale_message::call);
        ale_at(3 * step + 2 * _opt.air_delay_ms, [this, station] {
            if (_ale == Ale_state::calling && !_ale_answered) {
                note("ALE call to " + station + ": no reply");
                ale_call_failed(station);
            }
        });
    });
}

// One ALE burst from this modem to the station of the call or link. Half
// duplex: it ends the reception of whatever was being heard.
void Modem_engine::ale_send(Ale_message::Type type, int snr_db)
{
    collide("this modem sent an ALE signal while receiving", false);
    Ale_message m;
    m.type = type;
    m.from = ale_self_address();
    m.to = _ale_station;
    m.snr_db = snr_db;
    transmit_air(Air_frame::ale, encode_ale_message(m));
}

// The engine taken out of service: a link on the channel ends for the
// other station too.
void Modem_engine::ale_drop_link()
{
    if (_ale == Ale_state::linked && _air_link != nullptr) {
        ale_send(Ale_message::terminate);
    }
    ale_cancel_timers();
    _ale = Ale_state::idle;
}

// An ALE burst as it reaches this modem. It is lost while this modem
// transmits, in a fade, with the transmission of its sender lost, or over
// another station's transmission (a collision that takes both).
void Modem_engine::ale_heard(std::uint32_t sender, const Bytes& data)
{
    Ale_message m;
    if (!decode_ale_message(data, m)) {
        note("ALE signal not understood: dropped");
        return;
    }
    const bool over_another = std::any_of(_heard.begin(), _heard.end(),
                                          [sender](const auto& h) { return h.first != sender; });
    if (over_another) {
        collide("an ALE signal arrived during another transmission", true);
    }
    const auto own = _heard.find(sender);
    if (_tx_status == tx_transmit || over_another || faded() ||
        (own != _heard.end() && own->second.lost)) {
        note("ALE signal from " + m.from + " lost on the air");
        return;
    }
    const std::string self = ale_self_address();
    if (self.empty() || m.to != self || !ale_ready_for("ALE signal")) {
        return;
    }
    switch (m.type) {
    case Ale_message::call:
        ale_called(m);
        break;
    case Ale_message::reply:
        ale_replied(m);
        break;
    case Ale_message::acknowledgement:
        if (_ale == Ale_state::incoming && m.from == _ale_station) {
            _ale = Ale_state::linked;
            ale_report(EV_LINKED_INCOMING, _ale_station);
            ale_restart_activity();
        }
        break;
    case Ale_message::terminate:
        if (_ale == Ale_state::linked && m.from == _ale_station) {
            note("ALE link terminated by " + m.from);
            ale_cancel_timers();
            _ale = Ale_state::idle;
            ale_report(EV_TERMINATED, _ale_station);
        }
        break;
    }
}

// A call to this modem: it reports the call, then replies unless another
// station is heard by then; linked when the caller's acknowledgement comes.
void Modem_engine::ale_called(const Ale_message& call)
{
    if (_ale != Ale_state::idle) {
        note("ALE call from " + call.from + " ignored: ALE engine " + ale_state_name());
        return;
    }
    _ale = Ale_state::incoming;
    _ale_station = call.from;
    const int snr = measured_snr();
    const std::string station = call.from;
    const int step = _opt.ale_step_ms;
    ale_at(step, [this, station] { ale_report(EV_RX_CALL, station); });
    ale_at(2 * step, [this, station, snr, step] {
        if (!_heard.empty()) {
            note("ALE reply to " + station + " not sent: the channel is occupied");
            _ale = Ale_state::idle;
            ale_report(EV_CANNOT_REPLY, station);
            return;
        }
        ale_report(EV_TX_REPLY, station);
        ale_send(Ale_message::reply, snr);
        ale_at(2 * step + 2 * _opt.air_delay_ms, [this, station] {
            if (_ale == Ale_state::incoming) {
                note("ALE reply to " + station + " not acknowledged");
                _ale = Ale_state::idle;
                ale_report(EV_NO_ACK, station);
            }
        });
    });
}

// The called station's reply: the link quality both ways (to it as it
// measured our call, from it as we measured its reply), and the link a step
// later with the acknowledgement.
void Modem_engine::ale_replied(const Ale_message& reply)
{
    if (_ale != Ale_state::calling || _ale_answered || reply.from != _ale_station) {
        return;
    }
    _ale_answered = true;
    const std::string station = _ale_station;
    ale_report(EV_REPLY_RECEIVED, station, link_quality(reply.snr_db),
               link_quality(measured_snr()));
    ale_at(_opt.ale_step_ms, [this, station] {
        ale_send(Ale_message::acknowledgement);
        ale_linked_outgoing(station);
    });
}

} // namespace vq_sim
