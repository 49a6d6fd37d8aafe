// The ALE engine's report events and the identifiers of what it reports.
#pragma once

#include <cstdint>

namespace vq_sim {

enum : std::uint32_t
{
    ID_ALE_REPORT = 0x000B0006,
    ID_OCCUPANCY = 0x00120002,
};

enum Ale_event
{
    EV_CALL_START = 1,
    EV_LINKED_INCOMING = 3,
    EV_LINKED_OUTGOING = 4,
    EV_NOT_LINKED = 5,
    EV_SOUND_SENT = 8,
    EV_SOUND_HEARD = 9,
    EV_ACTIVITY_TIMEOUT = 10,
    EV_RX_CALL = 11,
    EV_TX_REPLY = 12,
    EV_REPLY_RECEIVED = 13,
    EV_NO_LINK = 14,
    EV_TERMINATED = 16,
    EV_CANNOT_REPLY = 17,
    EV_LQA_POLL_START = 20,
    EV_LQA_POLL_END = 21,
    EV_NO_ACK = 24,
    EV_REJECTED = 25,
    EV_STATE_LINKED = 80,
    EV_STATE_LINKING = 82,
    EV_RELINK_START = 111,
    EV_RELINK_SUCCEEDED = 112,
    EV_RELINK_FAILED = 113,
};

} // namespace vq_sim
