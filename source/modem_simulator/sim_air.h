// The air between simulated modems: what a transmitter puts on it, what it
// does to a signal on the way, and the operator's words for its settings.
#pragma once

#include "sim_types.h"

#include <string>
#include <vector>

namespace vq_sim {

// The channel as a receiver hears it. Each modem applies its own settings to
// what reaches it, so two modems set alike make a symmetric channel.
struct Air_settings
{
    double snr_db = 12;           // reported in the link quality indications
    double ber = 0;               // bit error rate: a block with an error is dropped
    int fade_every_ms = 0;        // a fade starts this often (0: never)
    int fade_ms = 0;              // and lasts this long: what arrives meanwhile is lost
    int paths = 2;                // multipath: path count
    double multipath_ms = 2;      // and spread
    double doppler_offset_hz = 0; // Doppler offset
    double doppler_spread_hz = 1; // and spread
};

// One piece of a transmission. A transmission runs from the key-up (start)
// to the unkey (end); its user data goes in blocks of at most one transmit
// tick of air time. An ALE signal is a burst of its own, its message the data.
struct Air_frame
{
    enum Kind : std::uint8_t
    {
        key_up = 1,
        block = 2,
        unkey = 3,
        ale = 4,
    };
    Kind kind = block;
    std::uint8_t data_rate = 0;   // the transmitter's over-the-air data rate code
    std::uint8_t interleaver = 0; // and interleaver length code
    bool final = false;           // the last block before the transmit queue ran empty
    Bytes data;
};

// What an ALE burst says: a call from one address to another, the called
// station's reply (with the signal-to-noise ratio it measured on the call),
// the caller's acknowledgement that completes the link, or the end of a link.
struct Ale_message
{
    enum Type : std::uint8_t
    {
        call = 1,
        reply = 2,
        acknowledgement = 3,
        terminate = 4,
    };
    Type type = call;
    std::string from;
    std::string to;
    int snr_db = 0;
};

// An ALE message as the data of an ALE frame; decode gives false for
// anything else.
Bytes encode_ale_message(const Ale_message& m);
bool decode_ale_message(const Bytes& data, Ale_message& m);

// Where a modem's transmissions go.
class Air_link
{
public:
    virtual ~Air_link() = default;
    virtual void transmit(const Air_frame& frame) = 0;
};

// A frame as one datagram on the channel, with the sending modem's number;
// decode gives false for anything else (an empty datagram is a probe).
Bytes encode_air_frame(std::uint32_t sender, const Air_frame& frame);
bool decode_air_frame(const std::uint8_t* bytes, std::size_t size, std::uint32_t& sender,
                      Air_frame& frame);

// One setting by its operator's name ("snr", "ber", "delay", "fade",
// "multipath", "doppler") with its one or two values. Returns "" when
// applied, else why not (nothing changed). delay_ms is the propagation delay.
std::string set_air_value(Air_settings& air, int& delay_ms, const std::string& key,
                          const std::vector<double>& values);
// The settings as a JSON object's members (no braces).
std::string air_settings_json(const Air_settings& air, int delay_ms);

} // namespace vq_sim
