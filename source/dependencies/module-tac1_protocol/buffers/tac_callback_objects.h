// The records that the link layers hand each other through callbacks, and
// the delivery status written into them.

#ifndef VQ_TAC_CALLBACK_OBJECTS_H
#define VQ_TAC_CALLBACK_OBJECTS_H

#include "callback.h"
#include "tac_pdu_buffer.h"

#include <cstdint>

namespace vq {

// Delivery status of a callback record. The sender presets 5; the callee
// may overwrite it.
enum Tac_delivery_status : std::int32_t
{
    tac_status_not_taken = 0,   // no lower layer took the frame
    tac_status_stopped = 1,     // the framing handler is stopped
    tac_status_write_error = 2, // writing the framing header (or copying a received frame) failed
    tac_status_checksum_error = 3, // writing the checksums failed
    tac_status_no_room = 4,        // the receive ring has no room for the data
    tac_status_delivered = 5,
};

// Argument of receive callbacks and of the framing layer's lower send
// callback. On receive, address and port are the frame's source; on
// transmit, its destination (and pdu is the complete frame).
struct Tac_callback_object
{
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    Tac_pdu_buffer pdu;
    std::int32_t status = tac_status_delivered;
};

// Handed from the TAC1 message handler to the framing handler: pdu has room
// reserved for the framing header and trailer.
struct Tac_lower_protocol_send_callback_object
{
    std::int32_t channel = 1;
    std::uint32_t destination_address = 0;
    std::uint16_t destination_port = 0;
    std::uint32_t source_address = 0;
    std::uint16_t source_port = 0;
    Tac_pdu_buffer pdu;
    std::int32_t status = tac_status_delivered;
};

} // namespace vq

#endif // VQ_TAC_CALLBACK_OBJECTS_H
