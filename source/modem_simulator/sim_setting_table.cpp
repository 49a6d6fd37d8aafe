// The settings the simulated modem keeps: one row per setting, with the
// messages that set and read it, its layout and the check of a new value.

#include "sim_radio.h"
#include "sim_settings.h"

#include <algorithm>

namespace vq_sim {

namespace {

using K = Field_kind;

bool one_of(int v, std::initializer_list<int> allowed)
{
    return std::find(allowed.begin(), allowed.end(), v) != allowed.end();
}

std::uint32_t check_none(const Bytes&)
{
    return 0;
}

template <int lo, int hi>
std::uint32_t check_first_byte(const Bytes& p)
{
    return (p[0] < lo || p[0] > hi) ? nack_parameter(1) : 0;
}

template <int lo, int hi>
std::uint32_t check_second_byte(const Bytes& p)
{
    return (p[1] < lo || p[1] > hi) ? nack_parameter(2) : 0;
}

// Data rates each waveform offers (over-the-air data rate codes).
const std::vector<int>& rates_of(int waveform)
{
    static const std::vector<int> b = {18, 17, 16, 15, 13, 11, 9, 8, 6, 4, 2, 19};
    static const std::vector<int> a = {11, 9, 8, 6, 4, 2, 15};
    static const std::vector<int> none;
    return waveform == 26 ? b : waveform == 17 ? a : none;
}

std::vector<int> interleavers_of(int waveform, int rate)
{
    if ((waveform == 26 && rate == 19) || (waveform == 17 && rate == 15)) {
        return {1};
    }
    if (rate == 13 || (rate >= 15 && rate <= 18)) {
        return {2, 3, 4, 5, 6, 7};
    }
    return {1, 4, 6};
}

std::uint32_t check_ota(const Bytes& p)
{
    const int tx_rx = p[0], waveform = p[1], encoding = p[2], interleaver = p[3], rate = p[4];
    if (tx_rx < 1 || tx_rx > 3) {
        return nack_parameter(1);
    }
    const std::vector<int>& rates = rates_of(waveform);
    if (rates.empty()) {
        return nack_parameter(2);
    }
    if (encoding < 1 || encoding > 2) {
        return nack_parameter(3);
    }
    if (std::find(rates.begin(), rates.end(), rate) == rates.end()) {
        return nack_parameter(5);
    }
    const std::vector<int> ils = interleavers_of(waveform, rate);
    if (std::find(ils.begin(), ils.end(), interleaver) == ils.end()) {
        return nack_parameter(4);
    }
    return 0;
}

std::uint32_t check_async(const Bytes& p)
{
    if (!one_of(p[0], {1, 2, 3, 4, 5, 6, 28, 7, 9, 11, 15, 19, 22, 23, 24, 27, 33})) {
        return nack_parameter(1);
    }
    if (p[1] < 5 || p[1] > 8) {
        return nack_parameter(2);
    }
    if (p[2] < 1 || p[2] > 2) {
        return nack_parameter(3);
    }
    if (p[3] < 1 || p[3] > 3) {
        return nack_parameter(4);
    }
    return 0;
}

std::uint32_t check_tx_level(const Bytes& p)
{
    const int level = static_cast<std::int16_t>(get_u16(p, 1));
    if (p[0] < 1 || p[0] > 2) {
        return nack_parameter(1);
    }
    return (level < -100 || level > 0) ? nack_parameter(2) : 0;
}

std::uint32_t check_port(const Bytes& p)
{
    return (p[0] < 1 || p[0] > 2) ? nack_parameter(1) : 0;
}

// A radio the modem knows, or none.
std::uint32_t check_radio_select(const Bytes& p)
{
    if (const std::uint32_t reason = check_port(p)) {
        return reason;
    }
    const std::string name = get_text(p, 2, p[1]);
    return name == no_radio || radio_model(name) != nullptr ? 0 : nack_parameter(2);
}

std::vector<Setting_def> make_table()
{
    return {
        {"system_site_mode", 0x00000041, 0x00000042, false, {{"mode", K::u8}}, {{0}}, check_none},
        {"default_boot_application",
         0x000000B2,
         0x000000B3,
         false,
         {{"application", K::u8}, {"bandwidth", K::u8}},
         {{1, 3}},
         check_none},
        {"module_serial_number",
         0x000000B9,
         0x000000BA,
         true,
         {{"module", K::u8}, {"serial_number", K::counted}},
         {{0, std::string("MC-0417-3381")},
          {1, std::string("RF-1189-2040")},
          {2, std::string("PS-0093-5512")}},
         check_none},
        {"ip_configuration",
         0x000C0013,
         0x000C0014,
         false,
         {{"ip_address", K::u32}, {"subnet_mask", K::u32}, {"default_gateway", K::u32}},
         {{0xC0A80064LL, 0xFFFFFF00LL, 0xC0A80001LL}},
         check_none},
        {"mac_address",
         0x000C0011,
         0x000C0012,
         false,
         {{"mac", K::hex, 6}},
         {{std::string("0050C2A81C07")}},
         check_none},
        {"dte_port_mode",
         0x00010001,
         0x00010002,
         false,
         {{"mode", K::u8}},
         {{1}},
         check_first_byte<1, 4>},
        {"dte_port_async_flow_control",
         0x0001000B,
         0x0001000C,
         false,
         {{"flow_control", K::u8}},
         {{1}},
         check_first_byte<1, 3>},
        {"dte_port_activity_mode",
         0x0001001D,
         0x0001001E,
         false,
         {{"dte_activity_mode", K::u8},
          {"tx_start_mode", K::u8},
          {"sync_start_pattern", K::hex, 4},
          {"sync_stop", K::u8},
          {"reserved", K::u8},
          {"async_stop", K::u16}},
         {{2, 1, std::string("30303030"), 32, 0, 300}},
         check_none},
        {"dte_port_async_settings",
         0x0001001F,
         0x00010020,
         false,
         {{"data_rate", K::u8}, {"data_bits", K::u8}, {"stop_bits", K::u8}, {"parity", K::u8}},
         {{22, 8, 1, 1}},
         check_async},
        {"audio_tx_output_level",
         0x00020001,
         0x00020002,
         true,
         {{"port", K::u8}, {"level", K::i16}},
         {{1, -20}, {2, -20}},
         check_tx_level},
        {"audio_key_to_tx_delay",
         0x00020005,
         0x00020006,
         true,
         {{"port", K::u8}, {"delay", K::u16}},
         {{1, 150}, {2, 150}},
         check_port},
        {"audio_tx_to_unkey_delay",
         0x00020007,
         0x00020008,
         true,
         {{"port", K::u8}, {"delay", K::u16}},
         {{1, 45}, {2, 45}},
         check_port},
        {"psk_modem_ota_settings",
         0x00030009,
         0x0003000A,
         true,
         {{"tx_rx", K::u8},
          {"waveform", K::u8},
          {"encoding", K::u8},
          {"interleaver_length", K::u8},
          {"data_rate", K::u8},
          {"isb_activation", K::u8}},
         {{1, 26, 2, 4, 18, 1}, {2, 26, 2, 4, 18, 1}},
         check_ota},
        {"psk_modem_deacquire_limit",
         0x00030027,
         0x00030028,
         false,
         {{"deacquire_limit", K::u8}},
         {{2}},
         check_first_byte<1, 3>},
        {"modem_duplex",
         0x0003002B,
         0x0003002C,
         false,
         {{"mode", K::u8}},
         {{1}},
         check_first_byte<0, 3>},
        {"system_mode",
         0x000300AA,
         0x000300AB,
         false,
         {{"mode", K::u8}},
         {{2}},
         check_first_byte<1, 5>},
        {"data_upload_mode",
         0x000A0018,
         0x000A0019,
         false,
         {{"mode", K::u8}},
         {{2}},
         check_first_byte<0, 3>},
        {"radio_select",
         0x000D0019,
         0x000D001A,
         true,
         {{"radio_port", K::u8}, {"description", K::counted}},
         {{1, std::string(no_radio)}, {2, std::string(no_radio)}},
         check_radio_select},
        {"radio_channel_change_and_atu_tune_time",
         0x000D002D,
         0x000D002E,
         false,
         {{"tx_chan_change_time", K::u16},
          {"rx_chan_change_time", K::u16},
          {"min_atu_tune_time", K::u16},
          {"max_atu_tune_time", K::u16}},
         {{50, 50, 100, 3000}},
         check_none},
        {"radio_ff_params",
         0x000D0001,
         0x000D0002,
         false,
         {{"channel", K::u16},
          {"rx_freq", K::u32},
          {"tx_freq", K::u32},
          {"tx_power_level", K::u8},
          {"rx_mode", K::u8},
          {"tx_mode", K::u8}},
         {{0, 7500000, 7500000, 1, 1, 1}},
         check_none},
        {"radio_rcm_activate",
         0x000D0015,
         0x000D0016,
         false,
         {{"activation", K::u8}},
         {{1}},
         check_first_byte<1, 2>},
        {"ale_system_mode",
         0x00050001,
         0x00050002,
         false,
         {{"mode", K::u8}},
         {{1}},
         check_first_byte<1, 2>},
        {"ale_activity_timeout",
         0x00050005,
         0x00050006,
         false,
         {{"timeout", K::u16}},
         {{180}},
         check_none},
        {"ale_lbt_time", 0x0005000F, 0x00050010, false, {{"time", K::u8}}, {{2}}, check_none},
        {"ale_scan_list_entry",
         0x00040009,
         0x0004000A,
         true,
         {{"entry", K::u8}, {"name", K::chars, 15}, {"matrix", K::hex, 13}},
         {},
         check_none},
        {"ale_address_table_ext",
         0x0004007F,
         0x00040080,
         true,
         {{"entry", K::u8},
          {"address_name", K::chars, 15},
          {"address", K::chars, 15},
          {"address_type", K::u8},
          {"tune_time", K::u16},
          {"wait_for_reply_time", K::u16},
          {"flags", K::u8},
          {"preset_map", K::hex, 20}},
         {},
         check_none},
        {"ale_call_setup",
         0x00060005,
         0x00060006,
         false,
         {{"call_type", K::u8},
          {"address_index", K::u8},
          {"option", K::u8},
          {"address", K::hex, 5}},
         {{1, 1, 0, std::string("01ffffffff")}},
         check_none},
    };
}

} // namespace

const std::vector<Setting_def>& setting_table()
{
    static const std::vector<Setting_def> table = make_table();
    return table;
}

const Setting_def* setting_by_set_id(std::uint32_t id)
{
    for (const Setting_def& s : setting_table()) {
        if (s.set_id == id) {
            return &s;
        }
    }
    return nullptr;
}

const Setting_def* setting_by_get_id(std::uint32_t id)
{
    for (const Setting_def& s : setting_table()) {
        if (s.get_id == id) {
            return &s;
        }
    }
    return nullptr;
}

const Setting_def* setting_by_name(const std::string& name)
{
    for (const Setting_def& s : setting_table()) {
        if (name == s.name) {
            return &s;
        }
    }
    return nullptr;
}

int ota_rate_bps(int code)
{
    static const int bps[] = {0,    50,   75,   100,  150,  200,  300,  400,  600,   1200,  1800,
                              2400, 2400, 3200, 3600, 4800, 6400, 8000, 9600, 12800, 16000, 19200};
    if (code < 0 || code >= static_cast<int>(sizeof bps / sizeof bps[0])) {
        return 0;
    }
    return bps[code];
}

} // namespace vq_sim
