// The simulated modem's behaviour: boot, identity, settings, the air channel,
// the user data path, the ALE engine, radio control and reply faults. It
// speaks through a Modem_link (the protocol stack) and keeps time with a
// Sim_scheduler, so it can be driven byte-free and clock-free in tests.
#pragma once

#include "sim_air.h"
#include "sim_scheduler.h"
#include "sim_settings.h"
#include "sim_types.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vq_sim {

// What the engine needs from the protocol stack below it.
class Modem_link
{
public:
    virtual ~Modem_link() = default;
    // One message to one peer. transaction 0 takes the stack's next number.
    virtual void send(const Peer& to, std::uint32_t identifier, std::uint8_t transaction,
                      std::uint8_t type, const Bytes& payload) = 0;
    // An indication to every peer registered for it.
    virtual void indicate(std::uint32_t identifier, const Bytes& payload) = 0;
    // Forget every indication registration (the modem restarted).
    virtual void clear_registrations() = 0;
};

// A request answered with a NACK, or not at all, instead of normally.
struct Reply_fault
{
    std::uint32_t reason = 0; // NACK reason; 0: no answer at all
    int count = -1;           // requests still affected; -1: every one
    bool operator==(const Reply_fault& o) const { return reason == o.reason && count == o.count; }
};

struct Engine_options
{
    int boot_ms = 1500;
    std::string model = "KX5";
    bool loopback = false;
    bool signal = false;
    int air_delay_ms = 250;   // from the end of transmission to reception
    Air_settings air;         // what the air does to what this modem receives
    double air_speed = 0;     // bytes per second over the air (0: the transmit data rate)
    int high_mark = 8000;     // transmit queue size that sends flow stop
    int low_mark = 2000;      // transmit queue size that sends flow start
    int queue_limit = 262144; // transmit queue bytes beyond which data is refused
    int hold_limit = 65536;   // held received bytes at which the loopback transmitter waits
    int ale_step_ms = 1000;   // pace of the ALE engine's reports
    int radio_init_ms = 800;  // radio control initialisation time
    std::string ale_scenario = "linked";
    std::vector<std::string> faulty_radios; // known radio models whose control fails
    std::string state_path;                 // non-volatile memory file ("" = memory only)
    std::uint32_t seed = 1;
    // Reply faults.
    int drop_percent = 0;
    int delay_ms = 0;
    std::map<std::uint32_t, Reply_fault> reply_faults; // by request identifier
};

class Modem_engine
{
public:
    Modem_engine(Sim_scheduler& scheduler, Modem_link& link, Engine_options options,
                 Settings_store settings = Settings_store());

    // Every identifier whose requests the engine answers.
    std::vector<std::uint32_t> identifiers() const;
    // The indications that come from one port of the modem only.
    static const std::map<std::uint32_t, std::uint16_t>& indication_ports();

    // One received message for one of those identifiers.
    void handle(const Tac1_in& in);

    // Power on (first start) or restart; a negative boot time is the
    // configured one.
    void start(int boot_ms = -1);
    void reboot(const std::string& why, int boot_ms = -1);

    // Operator commands.
    void set_hung(bool hung);
    void set_signal(bool on);
    bool set_ale_scenario(const std::string& name);
    bool ale_incoming(const std::string& station);
    // A NACK with reason (0: silence) for the next count requests of
    // identifier (-1: all of them).
    void set_reply_fault(std::uint32_t identifier, std::uint32_t reason, int count = -1);
    // Removes the NACK faults (silent false) or the silences (silent true).
    void clear_reply_faults(bool silent);
    void set_drop_percent(int p) { _opt.drop_percent = p; }
    void set_delay_ms(int ms) { _opt.delay_ms = ms; }
    void set_loopback(bool on) { _opt.loopback = on; }
    bool has_reply_fault(std::uint32_t identifier) const
    {
        return _opt.reply_faults.count(identifier) != 0;
    }
    bool ale_sound();
    bool ale_sound_heard(const std::string& station);
    bool ale_lqa_poll();
    bool ale_relink(bool succeeds);
    // One link quality indication, as the receiver sends while it receives.
    void report_link_quality() { send_lqa(); }

    // The air to other modems (nullptr: none); frames another modem
    // transmitted, as they leave it, numbered by the sending modem.
    void set_air_link(Air_link* link) { _air_link = link; }
    void hear(std::uint32_t sender, const Air_frame& frame);
    // One air setting (see set_air_value); "" when applied, else why not.
    std::string set_air(const std::string& key, const std::vector<double>& values);
    std::uint64_t collisions() const { return _collisions; }

    // Readable state.
    bool booting() const { return _booting; }
    bool hung() const { return _hung; }
    int rx_status() const { return _rx_status; }
    int tx_status() const { return _tx_status; }
    std::size_t tx_queue_size() const { return _tx_queue.size(); }
    std::size_t held_size() const { return _held_size; }
    bool flow_stopped() const { return _flow_stopped; }
    std::string ale_state_name() const;
    const Settings_store& settings() const { return _settings; }
    std::string status_json() const;
    std::string software_version(int index) const;

    // Log lines for the operator (stderr in the program).
    std::function<void(const std::string&)> log;

private:
    friend class Engine_test_access;

    enum class Ale_state
    {
        idle,
        calling,
        linked,
        incoming,
    };

    // Replies and unsolicited messages, through the reply faults.
    void reply(const Tac1_in& req, std::uint32_t identifier, std::uint8_t type,
               const Bytes& payload);
    void ack(const Tac1_in& req) { reply(req, req.identifier, TYPE_ACK, {}); }
    void nack(const Tac1_in& req, std::uint32_t reason);
    void respond(const Tac1_in& req, const Bytes& payload)
    {
        reply(req, req.identifier, TYPE_RESPONSE, payload);
    }
    void indicate(std::uint32_t identifier, const Bytes& payload);
    void send_to(const Peer& peer, std::uint32_t identifier, std::uint8_t type,
                 const Bytes& payload);
    void note(const std::string& line);

    bool handle_identity(const Tac1_in& in);
    bool handle_setting(const Tac1_in& in);
    bool handle_command(const Tac1_in& in);
    bool handle_data(const Tac1_in& in);
    bool handle_ale(const Tac1_in& in);
    bool handle_radio(const Tac1_in& in);
    bool apply_reply_fault(const Tac1_in& in);
    void after_setting_stored(const Setting_def& def, const Bytes& payload);

    // Air: receiver and transmitter.
    static constexpr int rx_hunt = 1, rx_receive = 2, tx_transmit = 3;
    static constexpr int rx_tail_ms = 300; // from the last block to the end of reception
    void set_rx_status(int status);
    void set_tx_status(int status);
    void start_acquisition();
    void schedule_lqa();
    void send_lqa();
    void send_autobaud(int data_rate, int interleaver);
    double air_bytes_per_ms() const;
    bool receiver_full() const;
    void tx_tick();
    void air_arrival(Bytes bytes, bool final);
    void arrive(std::uint32_t sender, const Air_frame& frame);
    void begin_reception(int data_rate, int interleaver, bool fresh);
    void collide(const char* how, bool always);
    bool faded() const;
    void transmit_air(Air_frame::Kind kind, const Bytes& data = {}, bool final = false);
    void set_on_air(bool on);
    std::string air_json() const;
    void deliver(const Bytes& bytes, bool final);
    void flush_held();
    void end_reception_later(int tail_ms);
    void kill_transmission();
    void check_flow();

    // ALE.
    void ale_report(int event, const std::string& names, int lqa_to = 0, int lqa_from = 0);
    void ale_run_call();
    void ale_call_failed(const std::string& station);
    void ale_linked_outgoing(const std::string& station);
    void ale_occupied(const std::string& station);
    // ALE between modems on a channel.
    void ale_call_on_channel();
    void ale_send(Ale_message::Type type, int snr_db = 0);
    void ale_heard(std::uint32_t sender, const Bytes& data);
    void ale_called(const Ale_message& call);
    void ale_replied(const Ale_message& reply);
    std::string ale_self_address() const;
    int measured_snr();
    void ale_cancel_timers();
    void ale_drop_link();
    void ale_restart_activity();
    void ale_at(int ms, std::function<void()> fn);
    bool ale_ready_for(const char* what);
    bool ale_enabled() const;
    std::string ale_other_station() const;

    // Radio.
    void radio_activate(int activation);

    Sim_scheduler& _sched;
    Modem_link& _link;
    Engine_options _opt;
    Settings_store _settings;
    Settings_store _nvm; // what a restart comes back with
    std::mt19937 _rng;

    bool _booting = true;
    int _generation = 0; // restarts make older scheduled work void
    bool _hung = false;
    int _boot_count = 0;
    std::int64_t _booted_at = 0;
    std::vector<Sim_scheduler::Id> _timers; // cancelled on reboot

    // Receiver.
    int _rx_status = 1;
    int _tx_status = 2;
    bool _signal = false;
    bool _air_rx = false;
    Sim_scheduler::Id _acq_timer = 0;
    Sim_scheduler::Id _lqa_timer = 0;
    Sim_scheduler::Id _rx_end_timer = 0;
    int _snr = 12, _ber = 4, _paths = 2, _mp_spread = 20, _dop_spread = 10, _dop_offset = 0;

    // Transmitter and data path.
    std::deque<std::uint8_t> _tx_queue;
    bool _tx_active = false;
    bool _tx_keyed = false;
    bool _tx_on_air = false; // a signal on the air: after the key-up delay, up to the last block
    double _tx_credit = 0;
    Sim_scheduler::Id _tx_timer = 0;
    Sim_scheduler::Id _unkey_timer = 0;
    bool _flow_stopped = false;
    Peer _data_peer{0xC0A8000D, 880};
    bool _data_peer_known = false;
    bool _from_modem_enabled = false;
    std::deque<std::pair<Bytes, bool>> _held; // blocks with their final flags
    std::size_t _held_size = 0;
    std::size_t _in_air = 0; // bytes transmitted and not yet received (loopback)
    bool _receiver_full_logged = false;
    std::uint64_t _bytes_in = 0, _bytes_out = 0, _bytes_dropped = 0;
    std::uint64_t _bytes_lost_reboot = 0; // queued, held or in the air at a restart

    // Other modems on the air: their transmissions heard here, whether lost
    // (in a collision or while this one transmitted), and when the last
    // frame of each is due (so frames keep their order if the delay changes).
    Air_link* _air_link = nullptr;
    struct Heard
    {
        bool lost = false;
    };
    std::map<std::uint32_t, Heard> _heard;
    std::map<std::uint32_t, std::int64_t> _heard_due;
    std::uint64_t _collisions = 0, _blocks_damaged = 0, _blocks_faded = 0, _blocks_collided = 0;
    std::uint64_t _bytes_lost_air = 0; // user data in the blocks dropped here

    // ALE engine.
    Ale_state _ale = Ale_state::idle;
    std::string _ale_scenario = "linked";
    std::string _ale_station;
    bool _ale_answered = false; // the called station's reply came
    std::vector<Sim_scheduler::Id> _ale_timers;
    Sim_scheduler::Id _ale_activity = 0;

    // Radio control.
    int _rcm_state = 1;

    // Counters for status.
    std::uint64_t _requests = 0, _replies = 0, _indications = 0;
};

} // namespace vq_sim
