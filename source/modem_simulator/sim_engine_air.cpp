// The air channel: receiver states and link quality, the transmitter that
// drains the user data queue at the over-the-air rate, loopback reception and
// delivery of received data to the console.
#include "sim_engine.h"

#include <algorithm>
#include <cmath>

namespace vq_sim {

namespace {

enum : std::uint32_t
{
    ID_LQA = 0x000300AC,
    ID_AUTOBAUD = 0x000300AD,
    ID_RX_STATUS = 0x000300B0,
    ID_TX_STATUS = 0x000300B1,
    ID_DATA_TO_MODEM = 0x000A0001,
    ID_FLOW_STOP = 0x000A0003,
    ID_FLOW_START = 0x000A0005,
    ID_DATA_FROM_MODEM = 0x000A0007,
    ID_FROM_MODEM_ENABLE = 0x000A000D,
    ID_FROM_MODEM_DISABLE = 0x000A000F,
};

constexpr int rx_sync = 5;
constexpr int tx_idle = 2;
constexpr int tick_ms = 50;
constexpr std::size_t max_block = 1024; // user data bytes per data-from-modem message
constexpr int sync_ms = 400, receive_ms = 600;

int clamp(int v, int lo, int hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

} // namespace

void Modem_engine::set_rx_status(int status)
{
    if (status == _rx_status) {
        return;
    }
    _rx_status = status;
    indicate(ID_RX_STATUS, Bytes{static_cast<std::uint8_t>(status), 1});
    if (status == rx_receive) {
        schedule_lqa();
    } else {
        _sched.cancel(_lqa_timer);
        _lqa_timer = 0;
    }
}

void Modem_engine::set_tx_status(int status)
{
    if (status == _tx_status) {
        return;
    }
    const bool was_transmitting = _tx_status == tx_transmit;
    _tx_status = status;
    indicate(ID_TX_STATUS, Bytes{static_cast<std::uint8_t>(status), 2});
    // Half duplex: keying up ends the reception of whatever is on the air.
    if (status == tx_transmit) {
        collide("this modem keyed up while receiving", false);
    } else if (was_transmitting) {
        set_on_air(false);
    }
}

void Modem_engine::set_signal(bool on)
{
    _signal = on;
    note(on ? "signal on the channel" : "channel quiet");
    if (_booting) {
        return;
    }
    if (on) {
        start_acquisition();
    } else if (!_air_rx) {
        _sched.cancel(_acq_timer);
        _acq_timer = 0;
        set_rx_status(rx_hunt);
    }
}

void Modem_engine::start_acquisition()
{
    if (_rx_status != rx_hunt || _sched.pending(_acq_timer)) {
        return;
    }
    const int gen = _generation;
    _acq_timer = _sched.after(sync_ms, [this, gen] {
        if (gen != _generation || !_signal || _rx_status != rx_hunt) {
            return;
        }
        set_rx_status(rx_sync);
        // The far station's signal: the receive direction's settings.
        send_autobaud(
            static_cast<int>(_settings.number("psk_modem_ota_settings", "data_rate", 2)),
            static_cast<int>(_settings.number("psk_modem_ota_settings", "interleaver_length", 2)));
        _acq_timer = _sched.after(receive_ms, [this, gen] {
            if (gen == _generation && _rx_status == rx_sync) {
                set_rx_status(rx_receive);
            }
        });
    });
}

void Modem_engine::schedule_lqa()
{
    _sched.cancel(_lqa_timer);
    const int gen = _generation;
    const int period = 1000 + std::uniform_int_distribution<int>(-100, 100)(_rng);
    _lqa_timer = _sched.after(period, [this, gen] {
        if (gen != _generation || _rx_status != rx_receive) {
            return;
        }
        send_lqa();
        schedule_lqa();
    });
}

// The signal-to-noise ratio as measured: a little off the set value; a fade
// costs 20 dB.
int Modem_engine::measured_snr()
{
    const int set = static_cast<int>(std::lround(_opt.air.snr_db - (faded() ? 20 : 0)));
    return clamp(set + std::uniform_int_distribution<int>(-1, 1)(_rng), -128, 127);
}

// The air's settings as measured: each figure a little off the set value;
// the bit error rate shows as its power of ten.
void Modem_engine::send_lqa()
{
    const Air_settings& a = _opt.air;
    auto near = [this](double v, int d, int lo, int hi) {
        return clamp(static_cast<int>(std::lround(v)) +
                         std::uniform_int_distribution<int>(-d, d)(_rng),
                     lo, hi);
    };
    _snr = measured_snr();
    _ber = a.ber > 0 ? clamp(static_cast<int>(std::lround(-std::log10(a.ber))), 1, 9) : 9;
    _paths = a.paths;
    _mp_spread = near(a.multipath_ms * 10, 2, 0, 255);
    _dop_spread = near(a.doppler_spread_hz * 10, 2, 0, 255);
    _dop_offset = near(a.doppler_offset_hz, 2, -32768, 32767);
    Bytes p;
    put_u8(p, static_cast<std::uint8_t>(static_cast<std::int8_t>(_snr)));
    put_u8(p, static_cast<std::uint8_t>(_ber));
    put_u8(p, static_cast<std::uint8_t>(_paths));
    put_u8(p, static_cast<std::uint8_t>(_mp_spread));
    put_u8(p, static_cast<std::uint8_t>(_dop_spread));
    put_u16(p, static_cast<std::uint16_t>(static_cast<std::int16_t>(_dop_offset)));
    put_u8(p, 1);
    indicate(ID_LQA, p);
}

void Modem_engine::send_autobaud(int data_rate, int interleaver)
{
    indicate(ID_AUTOBAUD,
             Bytes{static_cast<std::uint8_t>(data_rate), static_cast<std::uint8_t>(interleaver)});
}

double Modem_engine::air_bytes_per_ms() const
{
    if (_opt.air_speed > 0) {
        return _opt.air_speed / 1000.0;
    }
    int bps =
        ota_rate_bps(static_cast<int>(_settings.number("psk_modem_ota_settings", "data_rate", 1)));
    if (bps <= 0) {
        bps = 2400;
    }
    return bps / 8.0 / 1000.0;
}

// In loopback our own receiver is the far end: while it holds what the
// console will not take yet, the transmitter waits rather than lose data.
bool Modem_engine::receiver_full() const
{
    const bool holding = !_from_modem_enabled || _hung;
    return _opt.loopback && holding &&
           _held_size + _in_air >= static_cast<std::size_t>(_opt.hold_limit);
}

bool Modem_engine::handle_data(const Tac1_in& in)
{
    switch (in.identifier) {
    case ID_DATA_TO_MODEM: {
        const std::size_t n = get_u16(in.payload, 0);
        if (in.payload.size() < 2 || in.payload.size() < 2 + n) {
            nack(in, NACK_BELOW_SIZE);
            return true;
        }
        if (in.payload.size() > 2 + n) {
            nack(in, NACK_EXCEEDS_SIZE);
            return true;
        }
        if (_tx_queue.size() + n > static_cast<std::size_t>(_opt.queue_limit)) {
            note("transmit queue full (" + std::to_string(_opt.queue_limit) +
                 " bytes): data refused");
            nack(in, NACK_NOT_EXECUTED);
            return true;
        }
        if (!_data_peer_known) {
            _data_peer = in.from;
        }
        ack(in);
        _tx_queue.insert(_tx_queue.end(), in.payload.begin() + 2, in.payload.end());
        _bytes_in += n;
        ale_restart_activity();
        check_flow();
        if (!_tx_active && !_tx_queue.empty()) {
            _tx_active = true;
            const bool keyed = _sched.pending(_unkey_timer);
            _sched.cancel(_unkey_timer);
            _unkey_timer = 0;
            set_tx_status(tx_transmit);
            const int key_delay =
                keyed ? 0 : static_cast<int>(_settings.number("audio_key_to_tx_delay", "delay", 1));
            const int gen = _generation;
            _tx_timer = _sched.after(key_delay, [this, gen] {
                if (gen == _generation) {
                    tx_tick();
                }
            });
        }
        return true;
    }
    case ID_FROM_MODEM_ENABLE:
    case ID_FROM_MODEM_DISABLE:
        if (!in.payload.empty()) {
            nack(in, NACK_EXCEEDS_SIZE);
            return true;
        }
        ack(in);
        if (in.identifier == ID_FROM_MODEM_ENABLE) {
            _from_modem_enabled = true;
            _data_peer = in.from;
            _data_peer_known = true;
            flush_held();
        } else {
            _from_modem_enabled = false;
        }
        return true;
    default:
        return false;
    }
}

void Modem_engine::tx_tick()
{
    set_on_air(true);
    _tx_credit += tick_ms * air_bytes_per_ms();
    std::size_t n = std::min(_tx_queue.size(), static_cast<std::size_t>(_tx_credit));
    if (receiver_full()) {
        if (!_receiver_full_logged) {
            _receiver_full_logged = true;
            note(std::to_string(_held_size) +
                 " received bytes held until data from modem is enabled: transmission waits");
        }
        n = 0;
        _tx_credit = 0;
    }
    _tx_credit -= static_cast<double>(n);
    Bytes chunk(_tx_queue.begin(), _tx_queue.begin() + static_cast<long>(n));
    _tx_queue.erase(_tx_queue.begin(), _tx_queue.begin() + static_cast<long>(n));
    const bool last = _tx_queue.empty();
    const int gen = _generation;
    for (std::size_t at = 0; at < chunk.size(); at += max_block) {
        const std::size_t end = std::min(chunk.size(), at + max_block);
        transmit_air(
            Air_frame::block,
            Bytes(chunk.begin() + static_cast<long>(at), chunk.begin() + static_cast<long>(end)),
            last && end == chunk.size());
    }
    if (last) {
        set_on_air(false); // the unkey tail carries no signal
    }
    if (_opt.loopback && !chunk.empty()) {
        _in_air += chunk.size();
        _sched.after(_opt.air_delay_ms, [this, gen, chunk, last] {
            if (gen == _generation) {
                _in_air -= chunk.size();
                air_arrival(chunk, last);
            }
        });
    }
    check_flow();
    if (!last) {
        _tx_timer = _sched.after(tick_ms, [this, gen] {
            if (gen == _generation) {
                tx_tick();
            }
        });
        return;
    }
    _tx_active = false;
    _tx_credit = 0;
    _tx_timer = 0;
    const int unkey = static_cast<int>(_settings.number("audio_tx_to_unkey_delay", "delay", 1));
    _unkey_timer = _sched.after(unkey, [this, gen] {
        if (gen == _generation && !_tx_active) {
            set_tx_status(tx_idle);
        }
    });
}

void Modem_engine::check_flow()
{
    if (!_flow_stopped && _tx_queue.size() > static_cast<std::size_t>(_opt.high_mark)) {
        _flow_stopped = true;
        send_to(_data_peer, ID_FLOW_STOP, TYPE_INDICATION, {});
    } else if (_flow_stopped && _tx_queue.size() < static_cast<std::size_t>(_opt.low_mark)) {
        _flow_stopped = false;
        send_to(_data_peer, ID_FLOW_START, TYPE_INDICATION, {});
    }
}

void Modem_engine::kill_transmission()
{
    const std::size_t dropped = _tx_queue.size();
    _tx_queue.clear();
    _sched.cancel(_tx_timer);
    _sched.cancel(_unkey_timer);
    _tx_timer = _unkey_timer = 0;
    _tx_active = false;
    _tx_credit = 0;
    note("transmission killed, " + std::to_string(dropped) + " queued bytes discarded");
    set_tx_status(tx_idle);
    check_flow();
}

// Loopback: our own transmitter is the far station.
void Modem_engine::air_arrival(Bytes bytes, bool final)
{
    if (_booting) {
        return;
    }
    begin_reception(
        static_cast<int>(_settings.number("psk_modem_ota_settings", "data_rate", 1)),
        static_cast<int>(_settings.number("psk_modem_ota_settings", "interleaver_length", 1)),
        false);
    set_rx_status(rx_receive);
    deliver(bytes, final);
    end_reception_later(rx_tail_ms);
}

// A signal found: the receiver synchronises and reports what it detected.
// A new transmission is acquired afresh even while still receiving.
void Modem_engine::begin_reception(int data_rate, int interleaver, bool fresh)
{
    _sched.cancel(_rx_end_timer);
    if (_air_rx && !fresh) {
        return;
    }
    _air_rx = true;
    if (_rx_status != rx_receive || fresh) {
        _sched.cancel(_acq_timer);
        _acq_timer = 0;
        set_rx_status(rx_sync);
        send_autobaud(data_rate, interleaver);
    }
}

void Modem_engine::end_reception_later(int tail_ms)
{
    _sched.cancel(_rx_end_timer);
    const int gen = _generation;
    _rx_end_timer = _sched.after(tail_ms, [this, gen] {
        if (gen != _generation) {
            return;
        }
        _air_rx = false;
        _heard.clear();
        if (!_signal) {
            set_rx_status(rx_hunt);
        }
    });
}

void Modem_engine::deliver(const Bytes& bytes, bool final)
{
    ale_restart_activity();
    if (!_from_modem_enabled || _hung) {
        // Held, in order, until the console enables data from the modem.
        _held.emplace_back(bytes, final);
        _held_size += bytes.size();
        return;
    }
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(max_block, bytes.size() - at);
        Bytes p;
        put_u16(p, static_cast<std::uint16_t>(n));
        p.insert(p.end(), bytes.begin() + static_cast<long>(at),
                 bytes.begin() + static_cast<long>(at + n));
        at += n;
        put_u8(p, final && at == bytes.size() ? 1 : 0);
        _bytes_out += n;
        send_to(_data_peer, ID_DATA_FROM_MODEM, TYPE_REQUEST, p);
    } while (at < bytes.size());
}

void Modem_engine::flush_held()
{
    if (_held.empty()) {
        return;
    }
    note("delivering " + std::to_string(_held_size) + " held bytes");
    std::deque<std::pair<Bytes, bool>> held;
    held.swap(_held);
    _held_size = 0;
    _receiver_full_logged = false;
    for (const auto& [bytes, final] : held) {
        deliver(bytes, final);
    }
}

} // namespace vq_sim
