#include "sipc_circular_buffer.h"

#include "tac_pdu_buffer.h"

#include <cstring>

namespace vq {

Sipc_circular_buffer::Sipc_circular_buffer() = default;

Sipc_circular_buffer::~Sipc_circular_buffer() = default;

std::uint32_t Sipc_circular_buffer::physical(std::uint32_t offset) const
{
    const std::uint32_t index = _read_index + offset;
    return index >= _capacity ? index - _capacity : index;
}

bool Sipc_circular_buffer::append(const std::uint8_t* bytes, std::uint32_t count)
{
    if (count > _free) {
        return false;
    }
    const std::uint32_t first = count < _capacity - _write_index ? count : _capacity - _write_index;
    if (first != 0) {
        std::memcpy(_data + _write_index, bytes, first);
    }
    if (count > first) {
        std::memcpy(_data, bytes + first, count - first);
    }
    _write_index += count;
    if (_write_index >= _capacity) {
        _write_index -= _capacity;
    }
    _free -= count;
    return true;
}

bool Sipc_circular_buffer::append_unsigned(std::uint32_t value, unsigned width)
{
    std::uint8_t bytes[4];
    for (unsigned i = 0; i < width; ++i) {
        const unsigned shift = little_endian ? 8 * i : 8 * (width - 1 - i);
        bytes[i] = static_cast<std::uint8_t>(value >> shift);
    }
    return append(bytes, width);
}

bool Sipc_circular_buffer::append_u8(std::uint8_t value)
{
    return append_unsigned(value, 1);
}

bool Sipc_circular_buffer::append_u16(std::uint16_t value)
{
    return append_unsigned(value, 2);
}

bool Sipc_circular_buffer::append_u32(std::uint32_t value)
{
    return append_unsigned(value, 4);
}

bool Sipc_circular_buffer::pop()
{
    return discard(1) == 1;
}

std::uint32_t Sipc_circular_buffer::discard(std::uint32_t n)
{
    const std::uint32_t filled = filled_count();
    if (n > filled) {
        n = filled;
    }
    _read_index = physical(n);
    _free += n;
    return n;
}

void Sipc_circular_buffer::reset()
{
    _read_index = 0;
    _write_index = 0;
    _free = _capacity;
}

bool Sipc_circular_buffer::peek_unsigned(std::uint32_t offset, std::uint32_t& value,
                                         unsigned width) const
{
    value = 0;
    const std::uint32_t filled = filled_count();
    if (offset >= filled || filled - offset < width) {
        return false;
    }
    std::uint32_t index = physical(offset);
    for (unsigned i = 0; i < width; ++i) {
        const unsigned shift = little_endian ? 8 * i : 8 * (width - 1 - i);
        value |= static_cast<std::uint32_t>(_data[index]) << shift;
        if (++index == _capacity) {
            index = 0;
        }
    }
    return true;
}

bool Sipc_circular_buffer::peek_u8(std::uint32_t offset, std::uint8_t& value) const
{
    std::uint32_t raw = 0;
    const bool ok = peek_unsigned(offset, raw, 1);
    value = static_cast<std::uint8_t>(raw);
    return ok;
}

bool Sipc_circular_buffer::peek_u16(std::uint32_t offset, std::uint16_t& value) const
{
    std::uint32_t raw = 0;
    const bool ok = peek_unsigned(offset, raw, 2);
    value = static_cast<std::uint16_t>(raw);
    return ok;
}

bool Sipc_circular_buffer::peek_u32(std::uint32_t offset, std::uint32_t& value) const
{
    return peek_unsigned(offset, value, 4);
}

bool Sipc_circular_buffer::copy_out(std::uint32_t offset, std::uint8_t* destination,
                                    std::uint32_t count) const
{
    const std::uint32_t filled = filled_count();
    if (offset > filled || filled - offset < count) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    const std::uint32_t start = physical(offset);
    const std::uint32_t first = count < _capacity - start ? count : _capacity - start;
    std::memcpy(destination, _data + start, first);
    if (count > first) {
        std::memcpy(destination + first, _data, count - first);
    }
    return true;
}

bool Sipc_circular_buffer::find_u16(std::uint16_t value, std::uint32_t from,
                                    std::uint32_t& offset) const
{
    const std::uint32_t filled = filled_count();
    if (filled < 2 || from > filled - 2) {
        return false;
    }
    const std::uint8_t lead = static_cast<std::uint8_t>(little_endian ? value : value >> 8);
    const std::uint8_t follow = static_cast<std::uint8_t>(little_endian ? value >> 8 : value);
    // Candidates are offsets from..filled-2: look for the lead byte with
    // memchr in the (at most two) contiguous pieces, then check its follower.
    std::uint32_t position = from;
    const std::uint32_t last = filled - 2;
    while (position <= last) {
        const std::uint32_t start = physical(position);
        std::uint32_t span = _capacity - start;
        if (span > last - position + 1) {
            span = last - position + 1;
        }
        const void* hit = std::memchr(_data + start, lead, span);
        if (hit == nullptr) {
            position += span;
            continue;
        }
        const std::uint32_t found =
            position +
            static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(hit) - (_data + start));
        if (_data[physical(found + 1)] == follow) {
            offset = found;
            return true;
        }
        position = found + 1;
    }
    return false;
}

std::uint16_t Sipc_circular_buffer::checksum(std::uint32_t first, std::uint32_t last) const
{
    if (last < first || last >= filled_count()) {
        return 0;
    }
    const std::uint32_t count = last - first + 1;
    const std::uint32_t start = physical(first);
    const std::uint32_t head = count < _capacity - start ? count : _capacity - start;
    std::uint16_t crc = crc16_update(crc16_initial, _data + start, head);
    if (count > head) {
        crc = crc16_update(crc, _data, count - head);
    }
    return crc;
}

} // namespace vq
