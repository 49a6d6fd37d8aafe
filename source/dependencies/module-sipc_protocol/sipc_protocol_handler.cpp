#include "sipc_protocol_handler.h"

namespace vq {

Sipc_protocol_handler::Sipc_protocol_handler(std::uint16_t local_port)
    : _local_port(local_port), _ring(new Sipc_circular_buffer)
{}

Sipc_protocol_handler::~Sipc_protocol_handler()
{
    delete _ring;
}

void Sipc_protocol_handler::start()
{
    _started = true;
}

void Sipc_protocol_handler::stop()
{
    _started = false;
}

// ---------------------------------------------------------------------------
// Callbacks

void Sipc_protocol_handler::set_lower_send_callback(const Callback<Tac_callback_object*>& callback)
{
    _lower_send_callback = callback;
    _lower_send_callback_set = true;
}

void Sipc_protocol_handler::clear_lower_send_callback()
{
    _lower_send_callback = Callback<Tac_callback_object*>();
    _lower_send_callback_set = false;
}

bool Sipc_protocol_handler::set_receive_callback(std::uint32_t channel,
                                                 const Callback<Tac_callback_object*>& callback)
{
    if (channel >= channel_count) {
        return false;
    }
    _receive_callbacks[channel] = callback;
    _receive_callback_set[channel] = true;
    return true;
}

bool Sipc_protocol_handler::clear_receive_callback(std::uint32_t channel)
{
    if (channel >= channel_count) {
        return false;
    }
    _receive_callbacks[channel] = Callback<Tac_callback_object*>();
    _receive_callback_set[channel] = false;
    return true;
}

bool Sipc_protocol_handler::is_receive_callback_set(std::uint32_t channel) const
{
    return channel < channel_count && _receive_callback_set[channel];
}

// ---------------------------------------------------------------------------
// Transmit

bool Sipc_protocol_handler::write_frame_header(Tac_pdu_buffer& frame, std::uint8_t channel,
                                               std::uint32_t destination_address,
                                               std::uint16_t destination_port,
                                               std::uint32_t source_address,
                                               std::uint16_t source_port)
{
    // A length that does not fit its 16-bit field would go out as a
    // different, wrong length: refuse it like any failed write.
    if (frame.size() < overhead_size || frame.size() - overhead_size > 0xFFFF) {
        return false;
    }
    std::uint32_t position = offset_sync_word;
    std::uint32_t length_position = offset_length;
    return frame.put_u16_at(position, sync_word) && frame.put_u8(frame_header_type) &&
           frame.put_u32(destination_address) && frame.put_u16(destination_port) &&
           frame.put_u32(source_address) && frame.put_u16(source_port) && frame.put_u8(channel) &&
           frame.put_u16_at(length_position,
                            static_cast<std::uint16_t>(frame.size() - overhead_size));
}

bool Sipc_protocol_handler::write_frame_checksums(Tac_pdu_buffer& frame)
{
    const std::uint32_t size = frame.size();
    if (size < overhead_size) {
        return false;
    }
    std::uint32_t header_crc_position = offset_header_crc;
    std::uint32_t payload_crc_position = size - 2;
    return frame.put_u16_at(header_crc_position, frame.checksum(0, offset_header_crc - 1)) &&
           frame.put_u16_at(payload_crc_position, frame.checksum(offset_payload, size - 3));
}

bool Sipc_protocol_handler::write_frame(Tac_pdu_buffer& frame, std::uint8_t channel,
                                        std::uint32_t destination_address,
                                        std::uint16_t destination_port,
                                        std::uint32_t source_address, std::uint16_t source_port)
{
    return write_frame_header(frame, channel, destination_address, destination_port, source_address,
                              source_port) &&
           write_frame_checksums(frame);
}

void Sipc_protocol_handler::send(Tac_lower_protocol_send_callback_object* record)
{
    record->status = tac_status_delivered;
    if (!_started) {
        record->status = tac_status_stopped;
        return;
    }
    Tac_pdu_buffer& frame = record->pdu;
    if (!write_frame_header(frame, static_cast<std::uint8_t>(record->channel),
                            record->destination_address, record->destination_port,
                            record->source_address, record->source_port)) {
        record->status = tac_status_write_error;
        return;
    }
    if (!write_frame_checksums(frame)) {
        record->status = tac_status_checksum_error;
        return;
    }
    if (_lower_send_callback_set) {
        Tac_callback_object lower;
        lower.address = record->destination_address;
        lower.port = record->destination_port;
        lower.pdu = frame;
        lower.status = tac_status_delivered;
        const Callback<Tac_callback_object*> callback = _lower_send_callback;
        callback(&lower);
        record->status = lower.status;
    } else if (!lower_protocol_send(record->destination_address, record->destination_port, frame)) {
        record->status = tac_status_not_taken;
    }
}

bool Sipc_protocol_handler::lower_protocol_send(std::uint32_t, std::uint16_t, Tac_pdu_buffer&)
{
    return false;
}

// ---------------------------------------------------------------------------
// Receive

void Sipc_protocol_handler::receive_bytes(const std::uint8_t* bytes, std::size_t count)
{
    if (count == 0) {
        return;
    }
    if (_parsing) {
        // Called from inside a receive callback: the running parse takes
        // these bytes when the callback returns.
        _deferred.insert(_deferred.end(), bytes, bytes + count);
        return;
    }
    take_bytes(bytes, count);
    while (!_deferred.empty()) {
        std::vector<std::uint8_t> deferred;
        deferred.swap(_deferred);
        take_bytes(deferred.data(), deferred.size());
    }
}

// A chunk larger than the free space is taken in parts: fill the ring, parse,
// go on with the rest. The parser never leaves the ring full (a frame that
// fits is whole once the ring is full, and a header announcing a frame larger
// than the ring is rejected), so every round takes at least one byte.
void Sipc_protocol_handler::take_bytes(const std::uint8_t* bytes, std::size_t count)
{
    while (count > 0) {
        std::uint32_t room = _ring->free_count();
        if (room == 0) {
            // Not reachable through the parser above; should the ring ever
            // be full with nothing to complete, start over on the newest
            // byte rather than refuse every further chunk.
            _statistics.bytes_discarded += _ring->discard(_ring->filled_count() - 1);
            _header_validated = false;
            room = _ring->free_count();
        }
        const std::uint32_t part = count < room ? static_cast<std::uint32_t>(count) : room;
        _ring->append(bytes, part);
        bytes += part;
        count -= part;
        parse_frames();
    }
}

// Checks the 20 bytes at the front of the ring (which start with the sync
// word): header type, channel, a length whose frame fits the ring, and the
// header CRC. Cheap checks first; the CRC last.
bool Sipc_protocol_handler::header_acceptable()
{
    std::uint8_t type = 0;
    std::uint8_t channel = 0;
    std::uint16_t length = 0;
    std::uint16_t crc = 0;
    _ring->peek_u8(offset_header_type, type);
    _ring->peek_u8(offset_channel, channel);
    _ring->peek_u16(offset_length, length);
    _ring->peek_u16(offset_header_crc, crc);
    if (type != frame_header_type || channel >= channel_count || length > max_payload_length) {
        return false;
    }
    if (_ring->checksum(0, offset_header_crc - 1) != crc) {
        return false;
    }
    _frame_size = length + overhead_size;
    _frame_channel = channel;
    return true;
}

void Sipc_protocol_handler::parse_frames()
{
    _parsing = true;
    for (;;) {
        std::uint32_t filled = _ring->filled_count();
        if (!_header_validated) {
            if (filled < 2) {
                break;
            }
            std::uint32_t offset = 0;
            if (!_ring->find_u16(sync_word, 0, offset)) {
                // Keep the last byte: it may be the first half of a sync word.
                _statistics.bytes_discarded += _ring->discard(filled - 1);
                break;
            }
            _statistics.bytes_discarded += _ring->discard(offset);
            filled -= offset;
            if (filled < header_size) {
                break;
            }
            if (!header_acceptable()) {
                ++_statistics.header_rejects;
                _ring->pop();
                continue;
            }
            _header_validated = true;
        }
        if (filled < _frame_size) {
            break;
        }
        // The payload CRC: over bytes 20..19+L, and 0 for an empty payload.
        std::uint16_t crc = 0;
        _ring->peek_u16(_frame_size - 2, crc);
        _header_validated = false;
        if (_ring->checksum(offset_payload, _frame_size - 3) != crc) {
            ++_statistics.payload_rejects;
            _ring->pop();
            continue;
        }
        deliver_from_ring(_frame_size);
        _ring->discard(_frame_size);
    }
    _parsing = false;
}

void Sipc_protocol_handler::deliver_from_ring(std::uint32_t frame_size)
{
    if (!_receive_callback_set[_frame_channel]) {
        ++_statistics.frames_dropped;
        return;
    }
    Tac_callback_object record;
    record.pdu = Tac_pdu_buffer(frame_size);
    // The ring holds the whole frame, so the copy cannot fail.
    const bool copied = _ring->copy_out(0, record.pdu.data(), frame_size);
    VQ_ASSERT(copied);
    record.pdu.write_position = frame_size;
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    _ring->peek_u32(offset_source_address, address);
    _ring->peek_u16(offset_source_port, port);
    record.address = address;
    record.port = port;
    deliver(_frame_channel, record);
}

void Sipc_protocol_handler::deliver(std::uint32_t channel, Tac_callback_object& record)
{
    record.status = tac_status_delivered;
    ++_statistics.frames_delivered;
    // A local handle keeps the body alive should the callee clear it.
    const Callback<Tac_callback_object*> callback = _receive_callbacks[channel];
    callback(&record);
}

// ---------------------------------------------------------------------------
// Whole-buffer receive

bool Sipc_protocol_handler::receive_buffer(Tac_callback_object* record)
{
    if (!_started) {
        record->status = tac_status_stopped;
        return false;
    }
    const Tac_pdu_buffer& buffer = record->pdu;
    const std::uint32_t size = buffer.size();
    if (size > _ring->capacity()) {
        record->status = tac_status_no_room;
        return false;
    }
    record->status = tac_status_delivered;
    const std::uint8_t* bytes = buffer.data();
    std::uint32_t skip = 0;
    if (size >= overhead_size && _ring->filled_count() == 0 && !_parsing) {
        // Validate a buffer that starts with a frame in place, without a
        // trip through the ring.
        Tac_pdu_buffer probe = buffer;
        std::uint16_t sync = 0;
        std::uint8_t type = 0;
        std::uint8_t channel = 0;
        std::uint16_t length = 0;
        std::uint16_t header_crc = 0;
        std::uint16_t payload_crc = 0;
        get_frame_sync_word(probe, sync);
        get_frame_header_type(probe, type);
        get_frame_channel(probe, channel);
        get_frame_length(probe, length);
        get_frame_header_crc(probe, header_crc);
        const std::uint32_t frame_size = length + overhead_size;
        if (sync == sync_word && type == frame_header_type && channel < channel_count &&
            frame_size <= size && header_crc == probe.checksum(0, offset_header_crc - 1) &&
            probe.peek_u16(frame_size - 2, payload_crc) &&
            payload_crc == probe.checksum(offset_payload, frame_size - 3)) {
            skip = frame_size;
            if (_receive_callback_set[channel]) {
                Tac_callback_object frame;
                frame.pdu = Tac_pdu_buffer(bytes, frame_size);
                get_frame_source_address(probe, frame.address);
                get_frame_source_port(probe, frame.port);
                deliver(channel, frame);
            } else {
                ++_statistics.frames_dropped;
            }
        }
    }
    // The rest (or all) of the buffer goes through the ring; it fits, in
    // parts if need be, as on the byte entry.
    if (size > skip) {
        receive_bytes(bytes + skip, size - skip);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Frame readers

bool Sipc_protocol_handler::get_frame_sync_word(const Tac_pdu_buffer& frame, std::uint16_t& value)
{
    return frame.peek_u16(offset_sync_word, value);
}

bool Sipc_protocol_handler::get_frame_header_type(const Tac_pdu_buffer& frame, std::uint8_t& value)
{
    return frame.peek_u8(offset_header_type, value);
}

bool Sipc_protocol_handler::get_frame_destination_address(const Tac_pdu_buffer& frame,
                                                          std::uint32_t& value)
{
    return frame.peek_u32(offset_destination_address, value);
}

bool Sipc_protocol_handler::get_frame_destination_port(const Tac_pdu_buffer& frame,
                                                       std::uint16_t& value)
{
    return frame.peek_u16(offset_destination_port, value);
}

bool Sipc_protocol_handler::get_frame_source_address(const Tac_pdu_buffer& frame,
                                                     std::uint32_t& value)
{
    return frame.peek_u32(offset_source_address, value);
}

bool Sipc_protocol_handler::get_frame_source_port(const Tac_pdu_buffer& frame, std::uint16_t& value)
{
    return frame.peek_u16(offset_source_port, value);
}

bool Sipc_protocol_handler::get_frame_channel(const Tac_pdu_buffer& frame, std::uint8_t& value)
{
    return frame.peek_u8(offset_channel, value);
}

bool Sipc_protocol_handler::get_frame_length(const Tac_pdu_buffer& frame, std::uint16_t& value)
{
    return frame.peek_u16(offset_length, value);
}

bool Sipc_protocol_handler::get_frame_header_crc(const Tac_pdu_buffer& frame, std::uint16_t& value)
{
    return frame.peek_u16(offset_header_crc, value);
}

bool Sipc_protocol_handler::get_frame_payload_crc(const Tac_pdu_buffer& frame, std::uint16_t& value)
{
    std::uint16_t length = 0;
    if (!get_frame_length(frame, length)) {
        value = 0;
        return false;
    }
    return frame.peek_u16(offset_payload + length, value);
}

bool Sipc_protocol_handler::get_frame_payload(const Tac_pdu_buffer& frame, Tac_pdu_buffer& payload)
{
    std::uint16_t length = 0;
    if (!get_frame_length(frame, length) || frame.size() < offset_payload + length) {
        return false;
    }
    payload.reset_to_size(length);
    if (length != 0) {
        payload.put_bytes(frame.data() + offset_payload, length);
    }
    return true;
}

} // namespace vq
