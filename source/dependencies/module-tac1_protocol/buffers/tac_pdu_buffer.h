// PDU buffers: a handle (size, positions, byte order) on reference-counted
// storage, and the CRC-16 of the framing layer.
//
// Every PDU travels through the link stack in a Tac_pdu_buffer. Copying a
// handle shares the bytes; two handles on one block see each other's writes.
// Operations return true on success. Multi-byte fields are stored most
// significant byte first unless the buffer's little_endian flag is set (no
// buffer of this system sets it).

#ifndef VQ_TAC_PDU_BUFFER_H
#define VQ_TAC_PDU_BUFFER_H

#include <cstddef>
#include <cstdint>

namespace vq {

// CRC-16: polynomial 0x1021, initial value 0x1D0F, most significant bit
// first, no reflection, no final XOR. Check values: 0xE5CC over "123456789",
// 0x8CDA over "abc".
constexpr std::uint16_t crc16_polynomial = 0x1021;
constexpr std::uint16_t crc16_initial = 0x1D0F;

// Continues a running CRC over count more bytes (count may be 0).
std::uint16_t crc16_update(std::uint16_t crc, const std::uint8_t* bytes, std::size_t count);

// The CRC of count bytes; an empty range yields 0, not the initial value.
inline std::uint16_t crc16(const std::uint8_t* bytes, std::size_t count)
{
    return count == 0 ? 0 : crc16_update(crc16_initial, bytes, count);
}

// Shared storage of one or more Tac_pdu_buffer handles.
class Tac_counted_buffer
{
public:
    // A block of exactly length bytes (zeroed), none when length is 0. The
    // reference count starts at 1, or 0 for an empty block.
    explicit Tac_counted_buffer(std::uint32_t length);
    // Deep copies.
    Tac_counted_buffer(const Tac_counted_buffer& other);
    Tac_counted_buffer& operator=(const Tac_counted_buffer& other);
    virtual ~Tac_counted_buffer();

    std::uint8_t* data;
    std::uint32_t length;
    std::int32_t reference_count;
};

class Tac_pdu_buffer
{
public:
    // No storage, size 0.
    Tac_pdu_buffer();
    // A block of exactly size bytes (none when size is 0).
    explicit Tac_pdu_buffer(std::uint32_t size, bool little_endian = false);
    // A block of size bytes holding a copy of source; write_position ends
    // after the copied bytes.
    Tac_pdu_buffer(const std::uint8_t* source, std::uint32_t size, bool little_endian = false);
    // Copies share the storage.
    Tac_pdu_buffer(const Tac_pdu_buffer& other);
    Tac_pdu_buffer& operator=(const Tac_pdu_buffer& other);
    virtual ~Tac_pdu_buffer();

    std::uint32_t size() const { return _size; }
    // The first byte of the block, or null for an empty buffer.
    std::uint8_t* data() { return storage != nullptr ? storage->data : nullptr; }
    const std::uint8_t* data() const { return storage != nullptr ? storage->data : nullptr; }
    // True when other handles share this buffer's block.
    bool is_shared() const { return storage != nullptr && storage->reference_count > 1; }

    // Sequential puts at write_position. A put whose first byte would land
    // at or beyond the size fails and writes nothing; a multi-byte put that
    // runs out of room writes the leading bytes that fit, advances over them
    // and fails. Arrays stop at the first element that does not fit.
    bool put_u8(std::uint8_t value);
    bool put_i8(std::int8_t value);
    bool put_u16(std::uint16_t value);
    bool put_i16(std::int16_t value);
    bool put_u32(std::uint32_t value);
    bool put_i32(std::int32_t value);
    bool put_u16_array(const std::uint16_t* values, std::uint32_t count);
    bool put_i16_array(const std::int16_t* values, std::uint32_t count);
    bool put_u32_array(const std::uint32_t* values, std::uint32_t count);
    bool put_i32_array(const std::int32_t* values, std::uint32_t count);
    bool put_bytes(const std::uint8_t* bytes, std::uint32_t count);

    // Puts at a position: moves write_position there, writes as above and
    // stores the new write_position back into position. Fails without
    // writing when position is not below the size. With fill set and
    // position beyond write_position, the skipped bytes are first set to
    // fill_byte.
    bool put_u8_at(std::uint32_t& position, std::uint8_t value, bool fill = false,
                   std::uint8_t fill_byte = 0);
    bool put_i8_at(std::uint32_t& position, std::int8_t value, bool fill = false,
                   std::uint8_t fill_byte = 0);
    bool put_u16_at(std::uint32_t& position, std::uint16_t value, bool fill = false,
                    std::uint8_t fill_byte = 0);
    bool put_i16_at(std::uint32_t& position, std::int16_t value, bool fill = false,
                    std::uint8_t fill_byte = 0);
    bool put_u32_at(std::uint32_t& position, std::uint32_t value, bool fill = false,
                    std::uint8_t fill_byte = 0);
    bool put_i32_at(std::uint32_t& position, std::int32_t value, bool fill = false,
                    std::uint8_t fill_byte = 0);
    bool put_u16_array_at(std::uint32_t& position, const std::uint16_t* values,
                          std::uint32_t count);
    bool put_i16_array_at(std::uint32_t& position, const std::int16_t* values, std::uint32_t count);
    bool put_u32_array_at(std::uint32_t& position, const std::uint32_t* values,
                          std::uint32_t count);
    bool put_i32_array_at(std::uint32_t& position, const std::int32_t* values, std::uint32_t count);
    bool put_bytes_at(std::uint32_t& position, const std::uint8_t* bytes, std::uint32_t count);

    // Sets write_position to a position below the size, optionally filling
    // the skipped bytes.
    bool seek_write(std::uint32_t position, bool fill = false, std::uint8_t fill_byte = 0);

    // Sequential gets at read_position. A get that finds fewer bytes left
    // than its width fails, yields 0 and sets read_position back to 0.
    // Arrays return the number of elements read; get_bytes returns the number
    // of bytes copied (at most what remains).
    bool get_u8(std::uint8_t& value);
    bool get_i8(std::int8_t& value);
    bool get_u16(std::uint16_t& value);
    bool get_i16(std::int16_t& value);
    bool get_u32(std::uint32_t& value);
    bool get_i32(std::int32_t& value);
    std::uint32_t get_u16_array(std::uint16_t* values, std::uint32_t count);
    std::uint32_t get_i16_array(std::int16_t* values, std::uint32_t count);
    std::uint32_t get_u32_array(std::uint32_t* values, std::uint32_t count);
    std::uint32_t get_i32_array(std::int32_t* values, std::uint32_t count);
    std::uint32_t get_bytes(std::uint8_t* bytes, std::uint32_t count);

    // Gets at a position: moves read_position there, reads as above and
    // stores the new read_position back into position. A position not below
    // the size fails like a get past the end (position is left as it was).
    bool get_u8_at(std::uint32_t& position, std::uint8_t& value);
    bool get_i8_at(std::uint32_t& position, std::int8_t& value);
    bool get_u16_at(std::uint32_t& position, std::uint16_t& value);
    bool get_i16_at(std::uint32_t& position, std::int16_t& value);
    bool get_u32_at(std::uint32_t& position, std::uint32_t& value);
    bool get_i32_at(std::uint32_t& position, std::int32_t& value);
    std::uint32_t get_u16_array_at(std::uint32_t& position, std::uint16_t* values,
                                   std::uint32_t count);
    std::uint32_t get_i16_array_at(std::uint32_t& position, std::int16_t* values,
                                   std::uint32_t count);
    std::uint32_t get_u32_array_at(std::uint32_t& position, std::uint32_t* values,
                                   std::uint32_t count);
    std::uint32_t get_i32_array_at(std::uint32_t& position, std::int32_t* values,
                                   std::uint32_t count);
    std::uint32_t get_bytes_at(std::uint32_t& position, std::uint8_t* bytes, std::uint32_t count);

    // Reads at an absolute index without touching either position; fails
    // (value 0) when the field would reach past the size.
    bool peek_u8(std::uint32_t index, std::uint8_t& value) const;
    bool peek_i8(std::uint32_t index, std::int8_t& value) const;
    bool peek_u16(std::uint32_t index, std::uint16_t& value) const;
    bool peek_i16(std::uint32_t index, std::int16_t& value) const;
    bool peek_u32(std::uint32_t index, std::uint32_t& value) const;
    bool peek_i32(std::uint32_t index, std::int32_t& value) const;

    // Copies all of source's bytes to position (at most the size): if they
    // do not fit and grow is set, the buffer first grows by the shortfall,
    // else nothing is written and the call fails. On success write_position
    // and position end after the copied bytes.
    bool append_buffer_at(std::uint32_t& position, const Tac_pdu_buffer& source, bool grow);

    // Enlarges the buffer by n bytes in a new block of its own (the old bytes
    // are copied, the new ones zeroed); other handles keep the old block.
    bool grow(std::uint32_t n);

    // Gives up the block and takes a fresh one of n bytes (none when n is 0);
    // both positions return to 0.
    void reset_to_size(std::uint32_t n);

    // CRC-16 over the inclusive byte range [first, last]; 0 when last < first
    // or the range is not inside the buffer.
    std::uint16_t checksum(std::uint32_t first, std::uint32_t last) const;

    std::uint32_t write_position = 0;
    Tac_counted_buffer* storage = nullptr;
    bool little_endian = false;
    std::uint32_t read_position = 0;

private:
    void release();
    bool put_unsigned(std::uint32_t value, unsigned width);
    bool put_unsigned_at(std::uint32_t& position, std::uint32_t value, unsigned width, bool fill,
                         std::uint8_t fill_byte);
    bool get_unsigned(std::uint32_t& value, unsigned width);
    bool get_unsigned_at(std::uint32_t& position, std::uint32_t& value, unsigned width);
    bool peek_unsigned(std::uint32_t index, std::uint32_t& value, unsigned width) const;
    template <typename V>
    bool put_array(const V* values, std::uint32_t count);
    template <typename V>
    std::uint32_t get_array(V* values, std::uint32_t count);

    std::uint32_t _size = 0;
};

} // namespace vq

#endif // VQ_TAC_PDU_BUFFER_H
