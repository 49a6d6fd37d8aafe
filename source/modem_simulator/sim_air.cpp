#include "sim_air.h"

#include "sim_fields.h"

#include <algorithm>
#include <cstdio>

namespace vq_sim {

namespace {

constexpr std::uint8_t magic[4] = {'T', 'A', 'I', 'R'};
constexpr std::uint8_t version = 1;
constexpr std::size_t header_size = 13;

// One setting: its name, how many values it takes and their ranges.
struct Air_key
{
    const char* name;
    int count;
    double low[2];
    double high[2];
};

const Air_key air_keys[] = {
    {"snr", 1, {-30, 0}, {60, 0}},       {"ber", 1, {0, 0}, {0.5, 0}},
    {"delay", 1, {0, 0}, {600000, 0}},   {"fade", 2, {0, 0}, {3600000, 3600000}},
    {"multipath", 2, {1, 0}, {9, 25.5}}, {"doppler", 2, {-300, 0}, {300, 25.5}},
};

} // namespace

Bytes encode_air_frame(std::uint32_t sender, const Air_frame& frame)
{
    Bytes b(std::begin(magic), std::end(magic));
    put_u8(b, version);
    put_u8(b, frame.kind);
    put_u32(b, sender);
    put_u8(b, frame.data_rate);
    put_u8(b, frame.interleaver);
    put_u8(b, frame.final ? 1 : 0);
    b.insert(b.end(), frame.data.begin(), frame.data.end());
    return b;
}

bool decode_air_frame(const std::uint8_t* bytes, std::size_t size, std::uint32_t& sender,
                      Air_frame& frame)
{
    if (size < header_size || !std::equal(std::begin(magic), std::end(magic), bytes) ||
        bytes[4] != version || bytes[5] < Air_frame::key_up || bytes[5] > Air_frame::ale) {
        return false;
    }
    const Bytes head(bytes, bytes + header_size);
    sender = get_u32(head, 6);
    frame.kind = static_cast<Air_frame::Kind>(bytes[5]);
    frame.data_rate = bytes[10];
    frame.interleaver = bytes[11];
    frame.final = bytes[12] != 0;
    frame.data.assign(bytes + header_size, bytes + size);
    return true;
}

// Addresses are 15 characters at most, as in the modem's address table.
constexpr std::size_t ale_address_size = 15;
constexpr std::size_t ale_message_size = 2 + 2 * ale_address_size;

Bytes encode_ale_message(const Ale_message& m)
{
    Bytes b;
    put_u8(b, m.type);
    put_u8(b, static_cast<std::uint8_t>(static_cast<std::int8_t>(std::clamp(m.snr_db, -128, 127))));
    put_text(b, m.from, ale_address_size);
    put_text(b, m.to, ale_address_size);
    return b;
}

bool decode_ale_message(const Bytes& data, Ale_message& m)
{
    if (data.size() != ale_message_size || data[0] < Ale_message::call ||
        data[0] > Ale_message::terminate) {
        return false;
    }
    m.type = static_cast<Ale_message::Type>(data[0]);
    m.snr_db = static_cast<std::int8_t>(data[1]);
    m.from = get_text(data, 2, ale_address_size);
    m.to = get_text(data, 2 + ale_address_size, ale_address_size);
    return true;
}

std::string set_air_value(Air_settings& air, int& delay_ms, const std::string& key,
                          const std::vector<double>& values)
{
    const Air_key* k = nullptr;
    for (const Air_key& candidate : air_keys) {
        if (key == candidate.name) {
            k = &candidate;
        }
    }
    if (k == nullptr) {
        return "unknown air setting \"" + key + "\" (snr, ber, delay, fade, multipath, doppler)";
    }
    if (static_cast<int>(values.size()) != k->count) {
        return key + " takes " + std::to_string(k->count) + (k->count == 1 ? " value" : " values");
    }
    for (int i = 0; i < k->count; ++i) {
        if (!(values[i] >= k->low[i] && values[i] <= k->high[i])) {
            char range[64];
            std::snprintf(range, sizeof range, "%g to %g", k->low[i], k->high[i]);
            return key + ": value " + std::to_string(i + 1) + " must be from " + range;
        }
    }
    const double a = values[0], b = k->count > 1 ? values[1] : 0;
    if (key == "snr") {
        air.snr_db = a;
    } else if (key == "ber") {
        air.ber = a;
    } else if (key == "delay") {
        delay_ms = static_cast<int>(a);
    } else if (key == "fade") {
        if (b > a) {
            return "fade: a fade cannot last longer than the time between fades";
        }
        air.fade_every_ms = static_cast<int>(a);
        air.fade_ms = static_cast<int>(b);
    } else if (key == "multipath") {
        air.paths = static_cast<int>(a);
        air.multipath_ms = b;
    } else {
        air.doppler_offset_hz = a;
        air.doppler_spread_hz = b;
    }
    return {};
}

std::string air_settings_json(const Air_settings& air, int delay_ms)
{
    char text[320];
    std::snprintf(text, sizeof text,
                  "\"snr_db\":%g,\"ber\":%g,\"delay_ms\":%d,\"fade_every_ms\":%d,\"fade_ms\":%d,"
                  "\"paths\":%d,\"multipath_ms\":%g,\"doppler_offset_hz\":%g,"
                  "\"doppler_spread_hz\":%g",
                  air.snr_db, air.ber, delay_ms, air.fade_every_ms, air.fade_ms, air.paths,
                  air.multipath_ms, air.doppler_offset_hz, air.doppler_spread_hz);
    return text;
}

} // namespace vq_sim
