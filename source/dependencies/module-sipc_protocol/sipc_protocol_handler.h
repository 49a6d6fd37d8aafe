// SIPC framing between the console and the modem's control port.
//
// Frame (big-endian): sync word C6 7D, header type 0x10, destination address
// (4) and port (2), source address (4) and port (2), channel (1: 0 or 1),
// payload length L (2), header CRC over bytes 0..17 (2), L payload bytes,
// payload CRC (2, 0 when L is 0). 22 bytes of overhead, 20 before the payload.
//
// Transmit frames a PDU in place: the layer above reserves the 22 bytes. On
// receive, bytes gather in a ring; every whole frame with two valid CRCs is
// copied out once (header included) and handed to its channel's callback.

#ifndef VQ_SIPC_PROTOCOL_HANDLER_H
#define VQ_SIPC_PROTOCOL_HANDLER_H

#include "callback.h"
#include "sipc_circular_buffer.h"
#include "tac_callback_objects.h"
#include "tac_pdu_buffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vq {

// Counters of the receive path, for logs and tests.
struct Sipc_receive_statistics
{
    std::uint64_t frames_delivered = 0;
    std::uint64_t frames_dropped = 0;  // valid, but no callback on the channel
    std::uint64_t header_rejects = 0;  // false sync words (one byte popped each)
    std::uint64_t payload_rejects = 0; // bad payload CRC (one byte popped each)
    std::uint64_t bytes_discarded = 0; // skipped while hunting for a sync word
};

class Sipc_protocol_handler
{
public:
    static constexpr std::uint16_t sync_word = 0xC67D;
    static constexpr std::uint8_t frame_header_type = 0x10;
    static constexpr std::uint32_t header_size = 20;
    static constexpr std::uint32_t overhead_size = 22;
    static constexpr std::uint32_t channel_count = 2;
    // The largest payload whose frame fits the receive ring.
    static constexpr std::uint32_t max_payload_length =
        Sipc_circular_buffer::ring_capacity - overhead_size;

    // Field offsets within a frame.
    enum Offset : std::uint32_t
    {
        offset_sync_word = 0,
        offset_header_type = 2,
        offset_destination_address = 3,
        offset_destination_port = 7,
        offset_source_address = 9,
        offset_source_port = 13,
        offset_channel = 15,
        offset_length = 16,
        offset_header_crc = 18,
        offset_payload = 20,
    };

    explicit Sipc_protocol_handler(std::uint16_t local_port);
    Sipc_protocol_handler(const Sipc_protocol_handler&) = delete;
    Sipc_protocol_handler& operator=(const Sipc_protocol_handler&) = delete;
    virtual ~Sipc_protocol_handler();

    virtual void start();
    virtual void stop();
    bool is_started() const { return _started; }
    std::uint16_t local_port() const { return _local_port; }

    // Bytes a PDU buffer must reserve in total (22), and the offset at which
    // the layer above starts its header (20).
    static std::uint32_t get_protocol_size_to_reserve() { return overhead_size; }
    static std::uint32_t get_protocol_header_size() { return header_size; }

    void set_lower_send_callback(const Callback<Tac_callback_object*>& callback);
    void clear_lower_send_callback();
    bool is_lower_send_callback_set() const { return _lower_send_callback_set; }
    // False for a channel above 1.
    bool set_receive_callback(std::uint32_t channel,
                              const Callback<Tac_callback_object*>& callback);
    bool clear_receive_callback(std::uint32_t channel);
    bool is_receive_callback_set(std::uint32_t channel) const;

    // The send entry: frames record->pdu in place and hands it down. The
    // record's status ends as 1 (stopped), 2 (header not written), 3
    // (checksums not written), 0 (no lower layer took it) or whatever the
    // lower send callback left (5 when delivered).
    void send(Tac_lower_protocol_send_callback_object* record);

    // The byte entry: one chunk read from the serial port. Frames completed
    // by the chunk are delivered before the call returns.
    void receive_bytes(const std::uint8_t* bytes, std::size_t count);
    void receive_bytes(const char* bytes, std::size_t count)
    {
        receive_bytes(reinterpret_cast<const std::uint8_t*>(bytes), count);
    }

    // The whole-buffer entry for a lower layer that delivers buffers. Sets
    // record->status (1 stopped, 4 larger than the ring, 5 taken) and returns
    // true when the bytes were taken.
    bool receive_buffer(Tac_callback_object* record);

    const Sipc_circular_buffer& ring() const { return *_ring; }
    const Sipc_receive_statistics& statistics() const { return _statistics; }

    // Frame readers on a framed buffer (offsets as in the frame layout).
    static bool get_frame_sync_word(const Tac_pdu_buffer& frame, std::uint16_t& value);
    static bool get_frame_header_type(const Tac_pdu_buffer& frame, std::uint8_t& value);
    static bool get_frame_destination_address(const Tac_pdu_buffer& frame, std::uint32_t& value);
    static bool get_frame_destination_port(const Tac_pdu_buffer& frame, std::uint16_t& value);
    static bool get_frame_source_address(const Tac_pdu_buffer& frame, std::uint32_t& value);
    static bool get_frame_source_port(const Tac_pdu_buffer& frame, std::uint16_t& value);
    static bool get_frame_channel(const Tac_pdu_buffer& frame, std::uint8_t& value);
    static bool get_frame_length(const Tac_pdu_buffer& frame, std::uint16_t& value);
    static bool get_frame_header_crc(const Tac_pdu_buffer& frame, std::uint16_t& value);
    // The payload CRC at 20 + L.
    static bool get_frame_payload_crc(const Tac_pdu_buffer& frame, std::uint16_t& value);
    // Copies the L payload bytes into payload, resized to L.
    static bool get_frame_payload(const Tac_pdu_buffer& frame, Tac_pdu_buffer& payload);

    // Writers used by send: the 20-byte header (length = size - 22), the two
    // checksums, and both in one call.
    static bool write_frame_header(Tac_pdu_buffer& frame, std::uint8_t channel,
                                   std::uint32_t destination_address,
                                   std::uint16_t destination_port, std::uint32_t source_address,
                                   std::uint16_t source_port);
    static bool write_frame_checksums(Tac_pdu_buffer& frame);
    static bool write_frame(Tac_pdu_buffer& frame, std::uint8_t channel,
                            std::uint32_t destination_address, std::uint16_t destination_port,
                            std::uint32_t source_address, std::uint16_t source_port);

protected:
    // Used by send only when no lower send callback is set. The base version
    // takes nothing and returns false.
    virtual bool lower_protocol_send(std::uint32_t destination_address,
                                     std::uint16_t destination_port, Tac_pdu_buffer& frame);

private:
    void take_bytes(const std::uint8_t* bytes, std::size_t count);
    void parse_frames();
    bool header_acceptable();
    void deliver_from_ring(std::uint32_t frame_size);
    void deliver(std::uint32_t channel, Tac_callback_object& record);

    bool _started = false;
    std::uint16_t _local_port;
    Sipc_circular_buffer* _ring;
    Callback<Tac_callback_object*> _lower_send_callback;
    bool _lower_send_callback_set = false;
    Callback<Tac_callback_object*> _receive_callbacks[channel_count];
    bool _receive_callback_set[channel_count] = {false, false};

    // The frame at the front of the ring has a validated header: its size is
    // known and its header is not checked again while the rest arrives.
    bool _header_validated = false;
    std::uint32_t _frame_size = 0;
    std::uint8_t _frame_channel = 0;

    // Bytes that arrive from inside a receive callback wait here until the
    // running parse finishes.
    bool _parsing = false;
    std::vector<std::uint8_t> _deferred;

    Sipc_receive_statistics _statistics;
};

} // namespace vq

#endif // VQ_SIPC_PROTOCOL_HANDLER_H
