// Payloads the tests send to the simulated modem.
#pragma once

#include "sim_fields.h"

namespace vq_sim {

// An individual indication registration as the console sends it (address and
// port 0, action 1).
inline Bytes register_for(std::uint32_t id)
{
    Bytes p;
    put_u32(p, 0);
    put_u16(p, 0);
    put_u32(p, id);
    put_u8(p, 1);
    return p;
}

} // namespace vq_sim
