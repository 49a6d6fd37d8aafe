// The channel: this modem's transmissions as frames on the air, and other
// modems' transmissions as this one hears them.
#include "sim_engine.h"

#include <algorithm>
#include <cmath>

namespace vq_sim {

namespace {

// A transmission that goes silent this long without its end (its modem
// died, say) is over.
constexpr int channel_silence_ms = 2000;

} // namespace

void Modem_engine::transmit_air(Air_frame::Kind kind, const Bytes& data, bool final)
{
    if (_air_link == nullptr) {
        return;
    }
    Air_frame frame;
    frame.kind = kind;
    frame.data_rate =
        static_cast<std::uint8_t>(_settings.number("psk_modem_ota_settings", "data_rate", 1));
    frame.interleaver = static_cast<std::uint8_t>(
        _settings.number("psk_modem_ota_settings", "interleaver_length", 1));
    frame.final = final;
    frame.data = data;
    _air_link->transmit(frame);
}

// The signal is on the air from the end of the key-up delay to the last
// block: a station that answers as soon as it has heard the last block meets
// neither this modem's key-up delay nor its unkey tail.
void Modem_engine::set_on_air(bool on)
{
    if (on != _tx_on_air) {
        _tx_on_air = on;
        transmit_air(on ? Air_frame::key_up : Air_frame::unkey);
    }
}

void Modem_engine::hear(std::uint32_t sender, const Air_frame& frame)
{
    // Frames of one sender keep their order even when the delay shrinks.
    std::int64_t& due = _heard_due[sender];
    due = std::max(_sched.now() + _opt.air_delay_ms, due);
    const int gen = _generation;
    _sched.after(due - _sched.now(), [this, gen, sender, frame] {
        if (gen == _generation && !_booting) {
            arrive(sender, frame);
        }
    });
}

// Every transmission on the air here is lost from now on; counted as one
// collision when one of them was still being received, or when `always`.
void Modem_engine::collide(const char* how, bool always)
{
    bool hit = always;
    for (auto& entry : _heard) {
        hit = hit || !entry.second.lost;
        entry.second.lost = true;
    }
    if (hit) {
        ++_collisions;
        note(std::string("collision on the air: ") + how);
    }
}

bool Modem_engine::faded() const
{
    const Air_settings& a = _opt.air;
    return a.fade_every_ms > 0 && a.fade_ms > 0 &&
           _sched.now() % a.fade_every_ms >= a.fade_every_ms - a.fade_ms;
}

void Modem_engine::arrive(std::uint32_t sender, const Air_frame& frame)
{
    if (frame.kind == Air_frame::ale) {
        ale_heard(sender, frame.data);
        return;
    }
    auto it = _heard.find(sender);
    if (frame.kind == Air_frame::unkey) {
        if (it != _heard.end()) {
            _heard.erase(it);
            if (_heard.empty()) {
                end_reception_later(rx_tail_ms);
            }
        }
        return;
    }
    if (it == _heard.end()) {
        // A new transmission (or one whose start went by unheard). Over our
        // own or another one, neither is received.
        Heard heard;
        if (_tx_status == tx_transmit || !_heard.empty()) {
            collide(_tx_status == tx_transmit ? "a transmission arrived while this one is on"
                                              : "two transmissions at once",
                    true);
            heard.lost = true;
        }
        it = _heard.emplace(sender, heard).first;
        if (!heard.lost) {
            begin_reception(frame.data_rate, frame.interleaver, true);
        }
    }
    end_reception_later(channel_silence_ms);
    if (frame.kind != Air_frame::block) {
        return;
    }
    const std::size_t n = frame.data.size();
    std::uint64_t* dropped = nullptr;
    if (it->second.lost) {
        dropped = &_blocks_collided;
    } else if (faded()) {
        dropped = &_blocks_faded;
    } else if (_opt.air.ber > 0 && std::uniform_real_distribution<double>(0, 1)(_rng) >=
                                       std::pow(1 - _opt.air.ber, 8.0 * static_cast<double>(n))) {
        dropped = &_blocks_damaged;
    }
    if (dropped != nullptr) {
        ++*dropped;
        _bytes_lost_air += n;
        return;
    }
    // No far transmitter waits for us: beyond the hold limit, what the
    // console will not take yet is dropped rather than kept without end.
    if ((!_from_modem_enabled || _hung) &&
        _held_size + n > static_cast<std::size_t>(_opt.hold_limit)) {
        if (!_receiver_full_logged) {
            _receiver_full_logged = true;
            note(std::to_string(_held_size) +
                 " received bytes held until data from modem is enabled: more is dropped");
        }
        _bytes_dropped += n;
        return;
    }
    set_rx_status(rx_receive);
    deliver(frame.data, frame.final);
}

std::string Modem_engine::set_air(const std::string& key, const std::vector<double>& values)
{
    const std::string error = set_air_value(_opt.air, _opt.air_delay_ms, key, values);
    if (error.empty()) {
        note("air: " + air_settings_json(_opt.air, _opt.air_delay_ms));
    }
    return error;
}

std::string Modem_engine::air_json() const
{
    return "{" + air_settings_json(_opt.air, _opt.air_delay_ms) +
           ",\"collisions\":" + std::to_string(_collisions) +
           ",\"blocks_damaged\":" + std::to_string(_blocks_damaged) +
           ",\"blocks_faded\":" + std::to_string(_blocks_faded) +
           ",\"blocks_collided\":" + std::to_string(_blocks_collided) +
           ",\"data_lost_air\":" + std::to_string(_bytes_lost_air) + "}";
}

} // namespace vq_sim
