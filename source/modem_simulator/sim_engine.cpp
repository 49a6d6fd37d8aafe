#include "sim_engine.h"

#include <QFileInfo>
#include <cstdio>

namespace vq_sim {

namespace {

// Identifiers of the requests the engine answers by code (the settings table
// adds its own).
enum : std::uint32_t
{
    ID_RESET = 0x00000001,
    ID_SIL_SERIAL_GET = 0x00000004,
    ID_SW_VERSION_GET = 0x00000018,
    ID_FW_VERSION_GET = 0x0000001A,
    ID_SAVE_NVM = 0x0000009B,
    ID_STARTUP_STATUS_GET = 0x0000009E,
    ID_TOP_LEVEL_VERSION_GET = 0x000000A0,
    ID_STOCK_NUMBER_GET = 0x000000B8,
    ID_TX_KILL = 0x00030037,
    ID_RETURN_TO_ACQUISITION = 0x00030039,
    ID_LZ7_KEYLINE1 = 0x02BC0001,
    ID_LZ7_KEYLINE2 = 0x02BC0003,
    ID_LZ7_NPTT1_GET = 0x02BC000E,
    ID_LZ7_NPTT2_GET = 0x02BC0010,
    ID_LZ7_AUDIO_TEST = 0x02BC0015,
    ID_LZ7_AUDIO_RX_LEVEL_GET = 0x02BC0018,
    ID_LZ7_AUDIO_QUALITY_GET = 0x02BC001A,
    ID_LZ7_UART_TEST = 0x02BC001B,
    ID_LZ7_TEST_RESULT_GET = 0x02BC001E,
    ID_LZ7_RTC_TEMPERATURE_GET = 0x02BC0020,
    ID_LZ7_GPP_TEST = 0x02BC0021,
    ID_LZ7_GPP_RESULT_GET = 0x02BC0024,
    ID_FRONT_PANEL_LED = 0x01F4000A,
    ID_BUZZER_TONE = 0x01F40036,
    ID_BUZZER_TUNE = 0x01F40038,
    ID_MODULE_SN_AND_MAC = 0x01F4003E,
};

const std::uint32_t identity_ids[] = {
    ID_SIL_SERIAL_GET,        ID_SW_VERSION_GET,        ID_FW_VERSION_GET,
    ID_STARTUP_STATUS_GET,    ID_TOP_LEVEL_VERSION_GET, ID_STOCK_NUMBER_GET,
    ID_LZ7_NPTT1_GET,         ID_LZ7_NPTT2_GET,         ID_LZ7_AUDIO_RX_LEVEL_GET,
    ID_LZ7_AUDIO_QUALITY_GET, ID_LZ7_TEST_RESULT_GET,   ID_LZ7_RTC_TEMPERATURE_GET,
    ID_LZ7_GPP_RESULT_GET,
};

// Commands with no stored value: acknowledged (after a size check).
struct Command_def
{
    std::uint32_t id;
    int payload_size; // -1: any
};

const Command_def plain_commands[] = {
    {ID_LZ7_KEYLINE1, 1},  {ID_LZ7_KEYLINE2, 1}, {ID_LZ7_AUDIO_TEST, 3},
    {ID_LZ7_UART_TEST, 3}, {ID_LZ7_GPP_TEST, 2}, {ID_FRONT_PANEL_LED, -1},
    {ID_BUZZER_TONE, 9},   {ID_BUZZER_TUNE, -1}, {ID_MODULE_SN_AND_MAC, 13},
};

const std::uint32_t other_ids[] = {ID_RESET,   ID_SAVE_NVM, ID_TX_KILL, ID_RETURN_TO_ACQUISITION,
                                   0x000A0001, 0x000A000D,  0x000A000F, 0x0004000F,
                                   0x00060001, 0x00060007,  0x00060015};

} // namespace

Modem_engine::Modem_engine(Sim_scheduler& scheduler, Modem_link& link, Engine_options options,
                           Settings_store settings)
    : _sched(scheduler), _link(link), _opt(std::move(options)), _settings(std::move(settings)),
      _rng(_opt.seed)
{
    _nvm = _settings;
    _signal = _opt.signal;
    _ale_scenario = _opt.ale_scenario;
}

std::vector<std::uint32_t> Modem_engine::identifiers() const
{
    std::set<std::uint32_t> ids(std::begin(identity_ids), std::end(identity_ids));
    for (const Command_def& c : plain_commands) {
        ids.insert(c.id);
    }
    ids.insert(std::begin(other_ids), std::end(other_ids));
    for (const Setting_def& s : setting_table()) {
        ids.insert(s.set_id);
        ids.insert(s.get_id);
    }
    return {ids.begin(), ids.end()};
}

void Modem_engine::note(const std::string& line)
{
    if (log) {
        log(line);
    }
}

void Modem_engine::start(int boot_ms)
{
    boot_ms = boot_ms < 0 ? _opt.boot_ms : boot_ms;
    _booting = true;
    ++_boot_count;
    _booted_at = _sched.now();
    const int gen = ++_generation;
    note("booting (" + std::to_string(boot_ms) + " ms)");
    _sched.after(boot_ms, [this, gen] {
        if (gen != _generation) {
            return;
        }
        _booting = false;
        note("ready: " + software_version(20));
        if (_signal) {
            start_acquisition();
        }
    });
}

void Modem_engine::reboot(const std::string& why, int boot_ms)
{
    note("restarting: " + why);
    // Everything in flight is lost; settings come back from non-volatile memory.
    for (Sim_scheduler::Id* id :
         {&_acq_timer, &_lqa_timer, &_rx_end_timer, &_tx_timer, &_unkey_timer, &_ale_activity}) {
        _sched.cancel(*id);
        *id = 0;
    }
    ale_cancel_timers();
    _settings = _nvm;
    _link.clear_registrations();
    if (_tx_on_air) {
        transmit_air(Air_frame::unkey); // the carrier drops with the restart
    }
    _heard.clear();
    _heard_due.clear();
    _rx_status = 1;
    _tx_status = 2;
    _air_rx = false;
    _bytes_lost_reboot += _tx_queue.size() + _held_size + _in_air;
    _tx_queue.clear();
    _tx_active = _tx_keyed = _tx_on_air = false;
    _tx_credit = 0;
    _flow_stopped = false;
    _from_modem_enabled = false;
    _data_peer_known = false;
    _held.clear();
    _held_size = 0;
    _in_air = 0;
    _receiver_full_logged = false;
    _ale = Ale_state::idle;
    _rcm_state = 1;
    start(boot_ms);
}

void Modem_engine::set_hung(bool hung)
{
    _hung = hung;
    note(hung ? "not answering (hang)" : "answering again (resume)");
    if (!hung && _from_modem_enabled) {
        flush_held(); // what arrived while hung, in order
    }
}

void Modem_engine::set_reply_fault(std::uint32_t identifier, std::uint32_t reason, int count)
{
    if (count == 0) {
        _opt.reply_faults.erase(identifier);
        return;
    }
    _opt.reply_faults[identifier] = Reply_fault{reason, count};
}

void Modem_engine::clear_reply_faults(bool silent)
{
    for (auto it = _opt.reply_faults.begin(); it != _opt.reply_faults.end();) {
        it = (it->second.reason == 0) == silent ? _opt.reply_faults.erase(it) : std::next(it);
    }
}

bool Modem_engine::apply_reply_fault(const Tac1_in& in)
{
    auto it = _opt.reply_faults.find(in.identifier);
    if (it == _opt.reply_faults.end()) {
        return false;
    }
    const Reply_fault fault = it->second;
    if (fault.count > 0 && --it->second.count == 0) {
        _opt.reply_faults.erase(it);
    }
    if (fault.reason == 0) {
        note("request " + message_name(in.identifier) + " left unanswered");
    } else {
        nack(in, fault.reason);
    }
    return true;
}

void Modem_engine::reply(const Tac1_in& req, std::uint32_t identifier, std::uint8_t type,
                         const Bytes& payload)
{
    if (_hung) {
        return;
    }
    if (_opt.drop_percent > 0 &&
        std::uniform_int_distribution<int>(0, 99)(_rng) < _opt.drop_percent) {
        note("reply to " + message_name(identifier) + " dropped");
        return;
    }
    ++_replies;
    if (_opt.delay_ms > 0) {
        const Peer to = req.from;
        const std::uint8_t tr = req.transaction;
        const int gen = _generation;
        _sched.after(_opt.delay_ms, [this, to, identifier, tr, type, payload, gen] {
            if (gen == _generation && !_hung) {
                _link.send(to, identifier, tr, type, payload);
            }
        });
        return;
    }
    _link.send(req.from, identifier, req.transaction, type, payload);
}

void Modem_engine::nack(const Tac1_in& req, std::uint32_t reason)
{
    Bytes p;
    put_u32(p, reason);
    put_u32(p, 0);
    put_u32(p, 0);
    put_u8(p, 1);
    reply(req, req.identifier, TYPE_NACK, p);
}

void Modem_engine::indicate(std::uint32_t identifier, const Bytes& payload)
{
    if (_hung || _booting) {
        return;
    }
    ++_indications;
    _link.indicate(identifier, payload);
}

void Modem_engine::send_to(const Peer& peer, std::uint32_t identifier, std::uint8_t type,
                           const Bytes& payload)
{
    if (_hung || _booting) {
        return;
    }
    ++_indications;
    _link.send(peer, identifier, 0, type, payload);
}

void Modem_engine::handle(const Tac1_in& in)
{
    if (_hung) {
        return;
    }
    if (in.type != TYPE_REQUEST) {
        return; // replies and indications from the console need no answer
    }
    ++_requests;
    if (_booting && in.identifier != ID_STARTUP_STATUS_GET) {
        return; // a booting modem only answers its start-up status
    }
    if (apply_reply_fault(in)) {
        return;
    }
    if (handle_identity(in) || handle_command(in) || handle_data(in) || handle_ale(in) ||
        handle_radio(in) || handle_setting(in)) {
        return;
    }
    nack(in, NACK_NOT_IMPLEMENTED);
}

std::string Modem_engine::software_version(int index) const
{
    static const char* const components[] = {"BOOT", "DSP", "FPGA", "CTRL", "ALE", "RCM"};
    if (index == 20) {
        if (_opt.model == "KX5" || _opt.model == "KY5" || _opt.model == "LZ7") {
            return _opt.model + " HF Data Modem V3.4.2";
        }
        return _opt.model;
    }
    const char* name = index >= 0 && index < 6 ? components[index] : "MODULE";
    return std::string(name) + " " + std::to_string(index) + " V1." + std::to_string(index % 7) +
           ".3";
}

bool Modem_engine::handle_identity(const Tac1_in& in)
{
    Bytes p;
    switch (in.identifier) {
    case ID_STARTUP_STATUS_GET:
        put_u8(p, _booting ? 2 : 1);
        break;
    case ID_SW_VERSION_GET:
    case ID_FW_VERSION_GET: {
        if (in.payload.size() != 1) {
            nack(in, in.payload.empty() ? NACK_BELOW_SIZE : NACK_EXCEEDS_SIZE);
            return true;
        }
        const int index = in.payload[0];
        put_u8(p, static_cast<std::uint8_t>(index));
        put_counted(p, in.identifier == ID_SW_VERSION_GET
                           ? software_version(index)
                           : "FW " + std::to_string(index) + "." + std::to_string(index * 3 % 10) +
                                 ".1");
        break;
    }
    case ID_TOP_LEVEL_VERSION_GET:
        put_counted(p, _opt.model.substr(0, 3) + "-SYS-2024.11.2");
        break;
    case ID_SIL_SERIAL_GET: {
        const std::string serial = "SN0A37F20C915E2";
        put_u8(p, static_cast<std::uint8_t>(serial.size()));
        put_text(p, serial, 17);
        break;
    }
    case ID_STOCK_NUMBER_GET: {
        put_u8(p, 2);
        put_text(p, "5820-01-655-31", 15);
        put_text(p, "5895-01-702-88", 15);
        for (int i = 2; i < 10; ++i) {
            put_text(p, "", 15);
        }
        break;
    }
    case ID_LZ7_AUDIO_RX_LEVEL_GET: {
        // Thousandths of a dB; louder while a signal is on the channel.
        const int base = _rx_status == 1 ? -24000 : -12000;
        put_u32(p, static_cast<std::uint32_t>(
                       base + std::uniform_int_distribution<int>(-1500, 1500)(_rng)));
        put_u32(p, static_cast<std::uint32_t>(-60000 +
                                              std::uniform_int_distribution<int>(-500, 500)(_rng)));
        break;
    }
    case ID_LZ7_AUDIO_QUALITY_GET:
        put_u8(p, static_cast<std::uint8_t>(_rx_status == 1 ? -5 : _snr));
        put_u8(p, _rx_status == 1 ? 2 : 1);
        break;
    case ID_LZ7_NPTT1_GET:
    case ID_LZ7_NPTT2_GET:
        put_u8(p, 1);
        break;
    case ID_LZ7_TEST_RESULT_GET:
    case ID_LZ7_GPP_RESULT_GET: {
        const std::string detail = "all tests passed";
        put_u8(p, 0);
        put_u16(p, static_cast<std::uint16_t>(detail.size()));
        p.insert(p.end(), detail.begin(), detail.end());
        break;
    }
    case ID_LZ7_RTC_TEMPERATURE_GET:
        put_u16(p,
                static_cast<std::uint16_t>(63 + std::uniform_int_distribution<int>(-2, 2)(_rng)));
        break;
    default:
        return false;
    }
    if (in.identifier != ID_SW_VERSION_GET && in.identifier != ID_FW_VERSION_GET &&
        !in.payload.empty()) {
        nack(in, NACK_EXCEEDS_SIZE);
        return true;
    }
    respond(in, p);
    return true;
}

bool Modem_engine::handle_command(const Tac1_in& in)
{
    for (const Command_def& c : plain_commands) {
        if (c.id == in.identifier) {
            if (c.payload_size >= 0 && static_cast<int>(in.payload.size()) != c.payload_size) {
                nack(in, static_cast<int>(in.payload.size()) < c.payload_size ? NACK_BELOW_SIZE
                                                                              : NACK_EXCEEDS_SIZE);
            } else {
                ack(in);
            }
            return true;
        }
    }
    const auto want_size = [&](std::size_t n) {
        if (in.payload.size() == n) {
            return true;
        }
        nack(in, in.payload.size() < n ? NACK_BELOW_SIZE : NACK_EXCEEDS_SIZE);
        return false;
    };
    switch (in.identifier) {
    case ID_RESET: {
        if (!want_size(1)) {
            return true;
        }
        ack(in);
        // Leave time for the acknowledgement to reach the line.
        const int gen = _generation;
        _sched.after(50, [this, gen] {
            if (gen == _generation) {
                reboot("reset requested");
            }
        });
        return true;
    }
    case ID_SAVE_NVM: {
        if (!want_size(0)) {
            return true;
        }
        if (!_opt.state_path.empty() && !_settings.save_ini(_opt.state_path)) {
            note("cannot write the state file " + _opt.state_path);
            nack(in, NACK_NOT_EXECUTED);
            return true;
        }
        _nvm = _settings;
        note(_opt.state_path.empty() ? "settings saved (memory only: no --state file)"
                                     : "settings saved to " + _opt.state_path);
        ack(in);
        return true;
    }
    case ID_TX_KILL:
        if (!want_size(1)) {
            return true;
        }
        if (in.payload[0] > 1) {
            nack(in, nack_parameter(1));
            return true;
        }
        ack(in);
        if (in.payload[0] == 1) {
            kill_transmission();
        }
        return true;
    case ID_RETURN_TO_ACQUISITION:
        if (!want_size(1)) {
            return true;
        }
        ack(in);
        if (!_air_rx && _rx_status != 1) {
            set_rx_status(1);
            if (_signal) {
                start_acquisition();
            }
        }
        return true;
    default:
        return false;
    }
}

bool Modem_engine::handle_setting(const Tac1_in& in)
{
    if (const Setting_def* def = setting_by_get_id(in.identifier)) {
        const Setting_result r = _settings.read(*def, in.payload);
        if (r.nack != 0) {
            nack(in, r.nack);
        } else {
            respond(in, r.payload);
        }
        return true;
    }
    const Setting_def* def = setting_by_set_id(in.identifier);
    if (def == nullptr) {
        return false;
    }
    // The ALE engine runs only in ALE system mode, and no call may be set up
    // before the engine is enabled.
    if (in.identifier == 0x00050001 && in.payload.size() == 1 && in.payload[0] == 2 &&
        _settings.number("system_mode", "mode") != 3) {
        note("ALE system mode 2 refused: system mode is not 3");
        nack(in, NACK_NOT_EXECUTED);
        return true;
    }
    if (in.identifier == 0x00060005 && !ale_enabled()) {
        note("call setup refused: ALE is not enabled");
        nack(in, NACK_NOT_EXECUTED);
        return true;
    }
    const Setting_result r = _settings.apply(*def, in.payload);
    if (r.nack != 0) {
        nack(in, r.nack);
        return true;
    }
    ack(in);
    after_setting_stored(*def, r.payload);
    return true;
}

void Modem_engine::after_setting_stored(const Setting_def& def, const Bytes& payload)
{
    const std::string name = def.name;
    if (name == "radio_rcm_activate") {
        radio_activate(payload[0]);
    } else if (name == "ale_system_mode" && payload[0] == 1 && _ale != Ale_state::idle) {
        ale_drop_link();
        note("ALE disabled: link dropped");
    } else if (name == "system_mode" && payload[0] != 3 && ale_enabled()) {
        // Leaving ALE system mode takes the ALE engine down with it.
        Bytes off{1};
        _settings.put("ale_system_mode", -1, off);
        ale_drop_link();
    }
}

std::string Modem_engine::status_json() const
{
    static const char* const rx_names[] = {"?", "HUNT", "RECEIVE", "?", "?", "SYNC"};
    static const char* const tx_names[] = {"?", "CONFIG", "IDLE", "TRANSMIT", "STANDBY"};
    char head[512];
    std::snprintf(head, sizeof head,
                  "\"state\":\"%s\",\"model\":\"%s\",\"boots\":%d,\"time_ms\":%lld,"
                  "\"rx_status\":\"%s\",\"tx_status\":\"%s\",\"signal\":%s,\"loopback\":%s,"
                  "\"tx_queue\":%zu,\"flow_stopped\":%s,\"data_from_modem\":%s,\"held\":%zu,",
                  _hung      ? "hung"
                  : _booting ? "booting"
                             : "ready",
                  _opt.model.c_str(), _boot_count, static_cast<long long>(_sched.now()),
                  _rx_status >= 0 && _rx_status <= 5 ? rx_names[_rx_status] : "?",
                  _tx_status >= 0 && _tx_status <= 4 ? tx_names[_tx_status] : "?",
                  _signal ? "true" : "false", _opt.loopback ? "true" : "false", _tx_queue.size(),
                  _flow_stopped ? "true" : "false", _from_modem_enabled ? "true" : "false",
                  _held_size);
    char tail[768];
    std::snprintf(
        tail, sizeof tail,
        "\"ale\":{\"enabled\":%s,\"state\":\"%s\",\"station\":\"%s\",\"scenario\":\"%s\"},"
        "\"radio_state\":%d,\"counters\":{\"requests\":%llu,\"replies\":%llu,"
        "\"unsolicited\":%llu,\"data_in\":%llu,\"data_out\":%llu,\"data_dropped\":%llu,"
        "\"data_lost_reboot\":%llu},"
        "\"faults\":{\"drop_percent\":%d,\"delay_ms\":%d,\"reply_faults\":%zu},",
        ale_enabled() ? "true" : "false", ale_state_name().c_str(),
        _ale == Ale_state::idle ? "" : _ale_station.c_str(), _ale_scenario.c_str(), _rcm_state,
        static_cast<unsigned long long>(_requests), static_cast<unsigned long long>(_replies),
        static_cast<unsigned long long>(_indications), static_cast<unsigned long long>(_bytes_in),
        static_cast<unsigned long long>(_bytes_out),
        static_cast<unsigned long long>(_bytes_dropped),
        static_cast<unsigned long long>(_bytes_lost_reboot), _opt.drop_percent, _opt.delay_ms,
        _opt.reply_faults.size());
    return std::string("{") + head + tail + "\"air\":" + air_json() +
           ",\"settings\":" + _settings.json() + "}";
}

} // namespace vq_sim
