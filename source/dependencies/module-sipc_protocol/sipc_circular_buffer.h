// The receive ring of the framing layer: a fixed inline array in which
// frames are reassembled and validated in place.

#ifndef VQ_SIPC_CIRCULAR_BUFFER_H
#define VQ_SIPC_CIRCULAR_BUFFER_H

#include <cstddef>
#include <cstdint>

namespace vq {

class Sipc_circular_buffer
{
public:
    static constexpr std::uint32_t ring_capacity = 7168;

    Sipc_circular_buffer();
    Sipc_circular_buffer(const Sipc_circular_buffer&) = delete;
    Sipc_circular_buffer& operator=(const Sipc_circular_buffer&) = delete;
    virtual ~Sipc_circular_buffer();

    std::uint32_t capacity() const { return _capacity; }
    std::uint32_t filled_count() const { return _capacity - _free; }
    std::uint32_t free_count() const { return _free; }

    // All or nothing: fails without writing when fewer than count bytes are
    // free. Multi-byte values are stored in the ring's byte order.
    bool append(const std::uint8_t* bytes, std::uint32_t count);
    bool append_u8(std::uint8_t value);
    bool append_u16(std::uint16_t value);
    bool append_u32(std::uint32_t value);

    // Removes the oldest byte; false when empty.
    bool pop();
    // Removes the n oldest bytes (at most the filled count); returns how many.
    std::uint32_t discard(std::uint32_t n);
    void reset();

    // Reads at a logical offset from the oldest byte; fails (value 0) when the
    // field reaches outside the filled region.
    bool peek_u8(std::uint32_t offset, std::uint8_t& value) const;
    bool peek_u16(std::uint32_t offset, std::uint16_t& value) const;
    bool peek_u32(std::uint32_t offset, std::uint32_t& value) const;

    // Copies count bytes from a logical offset without consuming them; fails
    // when fewer are filled.
    bool copy_out(std::uint32_t offset, std::uint8_t* destination, std::uint32_t count) const;

    // Finds the first logical offset (from `from` on) where the 16-bit value
    // starts, in the ring's byte order. False when there is none.
    bool find_u16(std::uint16_t value, std::uint32_t from, std::uint32_t& offset) const;

    // CRC-16 over the logical inclusive range [first, last], across the wrap;
    // 0 when the range is empty or not inside the filled region.
    std::uint16_t checksum(std::uint32_t first, std::uint32_t last) const;

    bool little_endian = false;

private:
    std::uint32_t physical(std::uint32_t offset) const;
    bool peek_unsigned(std::uint32_t offset, std::uint32_t& value, unsigned width) const;
    bool append_unsigned(std::uint32_t value, unsigned width);

    std::uint8_t _data[ring_capacity];
    std::uint32_t _write_index = 0;
    std::uint32_t _read_index = 0;
    std::uint32_t _capacity = ring_capacity;
    std::uint32_t _free = ring_capacity;
};

} // namespace vq

#endif // VQ_SIPC_CIRCULAR_BUFFER_H
