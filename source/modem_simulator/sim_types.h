// Basic types shared by the simulated modem's parts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vq_sim {

using Bytes = std::vector<std::uint8_t>;

// A node on the control line: SIPC address and port.
struct Peer
{
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Peer& o) const { return address == o.address && port == o.port; }
    bool operator!=(const Peer& o) const { return !(*this == o); }
};

// TAC1 message types as they travel on the wire.
enum Msg_type : std::uint8_t
{
    TYPE_ACK = 0,
    TYPE_NACK = 1,
    TYPE_REQUEST = 2,
    TYPE_RESPONSE = 3,
    TYPE_INDICATION = 4,
};

// NACK reasons the simulator gives.
enum Nack_reason : std::uint32_t
{
    NACK_NOT_IMPLEMENTED = 32,
    NACK_BELOW_SIZE = 33,
    NACK_EXCEEDS_SIZE = 34,
    NACK_NOT_EXECUTED = 37,
    NACK_PARAMETER_BASE = 128,
};

inline std::uint32_t nack_parameter(int n)
{
    return NACK_PARAMETER_BASE + static_cast<std::uint32_t>(n);
}

// One decoded TAC1 message as the modem sees it.
struct Tac1_in
{
    Peer from;
    std::uint32_t identifier = 0;
    std::uint8_t transaction = 0;
    std::uint8_t type = TYPE_REQUEST;
    Bytes payload;
};

std::string to_hex(const Bytes& bytes, std::size_t limit = 64);

// "Tac1_msg_..." for a known identifier, else its hexadecimal form.
std::string message_name(std::uint32_t identifier);

} // namespace vq_sim
