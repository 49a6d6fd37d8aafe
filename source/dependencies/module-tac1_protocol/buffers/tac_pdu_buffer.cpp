#include "tac_pdu_buffer.h"

#include <cstring>

namespace vq {

// ---------------------------------------------------------------------------
// Tac_counted_buffer

Tac_counted_buffer::Tac_counted_buffer(std::uint32_t length)
    : data(length != 0 ? new std::uint8_t[length]() : nullptr), length(length),
      reference_count(length != 0 ? 1 : 0)
{}

Tac_counted_buffer::Tac_counted_buffer(const Tac_counted_buffer& other)
    : Tac_counted_buffer(other.length)
{
    if (length != 0) {
        std::memcpy(data, other.data, length);
    }
}

Tac_counted_buffer& Tac_counted_buffer::operator=(const Tac_counted_buffer& other)
{
    if (this == &other) {
        return *this;
    }
    if (length != other.length) {
        delete[] data;
        length = other.length;
        data = length != 0 ? new std::uint8_t[length]() : nullptr;
    }
    if (length != 0) {
        std::memcpy(data, other.data, length);
    }
    return *this;
}

Tac_counted_buffer::~Tac_counted_buffer()
{
    delete[] data;
}

// ---------------------------------------------------------------------------
// Construction and sharing

Tac_pdu_buffer::Tac_pdu_buffer() = default;

Tac_pdu_buffer::Tac_pdu_buffer(std::uint32_t size, bool little_endian)
    : storage(size != 0 ? new Tac_counted_buffer(size) : nullptr), little_endian(little_endian),
      _size(size)
{}

Tac_pdu_buffer::Tac_pdu_buffer(const std::uint8_t* source, std::uint32_t size, bool little_endian)
    : Tac_pdu_buffer(size, little_endian)
{
    if (size != 0 && source != nullptr) {
        std::memcpy(storage->data, source, size);
    }
    write_position = size;
}

Tac_pdu_buffer::Tac_pdu_buffer(const Tac_pdu_buffer& other)
    : write_position(other.write_position), storage(other.storage),
      little_endian(other.little_endian), read_position(other.read_position), _size(other._size)
{
    if (storage != nullptr) {
        ++storage->reference_count;
    }
}

Tac_pdu_buffer& Tac_pdu_buffer::operator=(const Tac_pdu_buffer& other)
{
    if (this == &other) {
        return *this;
    }
    Tac_counted_buffer* const block = other.storage;
    if (block != nullptr) {
        ++block->reference_count; // before the release: other may share our block
    }
    release();
    storage = block;
    write_position = other.write_position;
    read_position = other.read_position;
    little_endian = other.little_endian;
    _size = other._size;
    return *this;
}

Tac_pdu_buffer::~Tac_pdu_buffer()
{
    release();
}

void Tac_pdu_buffer::release()
{
    if (storage != nullptr && --storage->reference_count <= 0) {
        delete storage;
    }
    storage = nullptr;
}

// ---------------------------------------------------------------------------
// Puts

bool Tac_pdu_buffer::put_unsigned(std::uint32_t value, unsigned width)
{
    if (write_position >= _size) {
        return false;
    }
    std::uint8_t* bytes = storage->data;
    for (unsigned i = 0; i < width; ++i) {
        if (write_position >= _size) {
            return false;
        }
        const unsigned shift = little_endian ? 8 * i : 8 * (width - 1 - i);
        bytes[write_position++] = static_cast<std::uint8_t>(value >> shift);
    }
    return true;
}

bool Tac_pdu_buffer::put_unsigned_at(std::uint32_t& position, std::uint32_t value, unsigned width,
                                     bool fill, std::uint8_t fill_byte)
{
    if (!seek_write(position, fill, fill_byte)) {
        return false;
    }
    const bool ok = put_unsigned(value, width);
    position = write_position;
    return ok;
}

bool Tac_pdu_buffer::seek_write(std::uint32_t position, bool fill, std::uint8_t fill_byte)
{
    if (position >= _size) {
        return false;
    }
    if (fill && position > write_position) {
        std::memset(storage->data + write_position, fill_byte, position - write_position);
    }
    write_position = position;
    return true;
}

template <typename V>
bool Tac_pdu_buffer::put_array(const V* values, std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!put_unsigned(static_cast<std::uint32_t>(values[i]), sizeof(V))) {
            return false;
        }
    }
    return true;
}

bool Tac_pdu_buffer::put_u8(std::uint8_t value)
{
    return put_unsigned(value, 1);
}
bool Tac_pdu_buffer::put_i8(std::int8_t value)
{
    return put_unsigned(static_cast<std::uint8_t>(value), 1);
}
bool Tac_pdu_buffer::put_u16(std::uint16_t value)
{
    return put_unsigned(value, 2);
}
bool Tac_pdu_buffer::put_i16(std::int16_t value)
{
    return put_unsigned(static_cast<std::uint16_t>(value), 2);
}
bool Tac_pdu_buffer::put_u32(std::uint32_t value)
{
    return put_unsigned(value, 4);
}
bool Tac_pdu_buffer::put_i32(std::int32_t value)
{
    return put_unsigned(static_cast<std::uint32_t>(value), 4);
}
bool Tac_pdu_buffer::put_u16_array(const std::uint16_t* values, std::uint32_t count)
{
    return put_array(values, count);
}
bool Tac_pdu_buffer::put_i16_array(const std::int16_t* values, std::uint32_t count)
{
    return put_array(reinterpret_cast<const std::uint16_t*>(values), count);
}
bool Tac_pdu_buffer::put_u32_array(const std::uint32_t* values, std::uint32_t count)
{
    return put_array(values, count);
}
bool Tac_pdu_buffer::put_i32_array(const std::int32_t* values, std::uint32_t count)
{
    return put_array(reinterpret_cast<const std::uint32_t*>(values), count);
}

bool Tac_pdu_buffer::put_bytes(const std::uint8_t* bytes, std::uint32_t count)
{
    if (count == 0) {
        return true;
    }
    if (write_position >= _size) {
        return false;
    }
    const std::uint32_t room = _size - write_position;
    const std::uint32_t n = count < room ? count : room;
    std::memcpy(storage->data + write_position, bytes, n);
    write_position += n;
    return n == count;
}

bool Tac_pdu_buffer::put_u8_at(std::uint32_t& position, std::uint8_t value, bool fill,
                               std::uint8_t fill_byte)
{
    return put_unsigned_at(position, value, 1, fill, fill_byte);
}
bool Tac_pdu_buffer::put_i8_at(std::uint32_t& position, std::int8_t value, bool fill,
                               std::uint8_t fill_byte)
{
    return put_unsigned_at(position, static_cast<std::uint8_t>(value), 1, fill, fill_byte);
}
bool Tac_pdu_buffer::put_u16_at(std::uint32_t& position, std::uint16_t value, bool fill,
                                std::uint8_t fill_byte)
{
    return put_unsigned_at(position, value, 2, fill, fill_byte);
}
bool Tac_pdu_buffer::put_i16_at(std::uint32_t& position, std::int16_t value, bool fill,
                                std::uint8_t fill_byte)
{
    return put_unsigned_at(position, static_cast<std::uint16_t>(value), 2, fill, fill_byte);
}
bool Tac_pdu_buffer::put_u32_at(std::uint32_t& position, std::uint32_t value, bool fill,
                                std::uint8_t fill_byte)
{
    return put_unsigned_at(position, value, 4, fill, fill_byte);
}
bool Tac_pdu_buffer::put_i32_at(std::uint32_t& position, std::int32_t value, bool fill,
                                std::uint8_t fill_byte)
{
    return put_unsigned_at(position, static_cast<std::uint32_t>(value), 4, fill, fill_byte);
}

#define VQ_PUT_ARRAY_AT(name, type)                                                                \
    bool Tac_pdu_buffer::name(std::uint32_t& position, const type* values, std::uint32_t count)    \
    {                                                                                              \
        if (position >= _size) {                                                                   \
            return false;                                                                          \
        }                                                                                          \
        write_position = position;                                                                 \
        const bool ok = put_array(values, count);                                                  \
        position = write_position;                                                                 \
        return ok;                                                                                 \
    }
VQ_PUT_ARRAY_AT(put_u16_array_at, std::uint16_t)
VQ_PUT_ARRAY_AT(put_i16_array_at, std::int16_t)
VQ_PUT_ARRAY_AT(put_u32_array_at, std::uint32_t)
VQ_PUT_ARRAY_AT(put_i32_array_at, std::int32_t)
#undef VQ_PUT_ARRAY_AT

bool Tac_pdu_buffer::put_bytes_at(std::uint32_t& position, const std::uint8_t* bytes,
                                  std::uint32_t count)
{
    if (position >= _size) {
        return false;
    }
    write_position = position;
    const bool ok = put_bytes(bytes, count);
    position = write_position;
    return ok;
}

// ---------------------------------------------------------------------------
// Gets and peeks

bool Tac_pdu_buffer::peek_unsigned(std::uint32_t index, std::uint32_t& value, unsigned width) const
{
    value = 0;
    if (index >= _size || _size - index < width) {
        return false;
    }
    const std::uint8_t* bytes = storage->data + index;
    for (unsigned i = 0; i < width; ++i) {
        const unsigned shift = little_endian ? 8 * i : 8 * (width - 1 - i);
        value |= static_cast<std::uint32_t>(bytes[i]) << shift;
    }
    return true;
}

bool Tac_pdu_buffer::get_unsigned(std::uint32_t& value, unsigned width)
{
    if (!peek_unsigned(read_position, value, width)) {
        read_position = 0;
        return false;
    }
    read_position += width;
    return true;
}

bool Tac_pdu_buffer::get_unsigned_at(std::uint32_t& position, std::uint32_t& value, unsigned width)
{
    if (position >= _size) {
        // Reading at the old read position instead would hand back the
        // wrong field; fail like any get past the end.
        value = 0;
        read_position = 0;
        return false;
    }
    read_position = position;
    const bool ok = get_unsigned(value, width);
    position = read_position;
    return ok;
}

template <typename V>
std::uint32_t Tac_pdu_buffer::get_array(V* values, std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t value = 0;
        if (!get_unsigned(value, sizeof(V))) {
            return i;
        }
        values[i] = static_cast<V>(value);
    }
    return count;
}

#define VQ_SCALAR_GETS(suffix, type, width)                                                        \
    bool Tac_pdu_buffer::get_##suffix(type& value)                                                 \
    {                                                                                              \
        std::uint32_t raw = 0;                                                                     \
        const bool ok = get_unsigned(raw, width);                                                  \
        value = static_cast<type>(raw);                                                            \
        return ok;                                                                                 \
    }                                                                                              \
    bool Tac_pdu_buffer::get_##suffix##_at(std::uint32_t& position, type& value)                   \
    {                                                                                              \
        std::uint32_t raw = 0;                                                                     \
        const bool ok = get_unsigned_at(position, raw, width);                                     \
        value = static_cast<type>(raw);                                                            \
        return ok;                                                                                 \
    }                                                                                              \
    bool Tac_pdu_buffer::peek_##suffix(std::uint32_t index, type& value) const                     \
    {                                                                                              \
        std::uint32_t raw = 0;                                                                     \
        const bool ok = peek_unsigned(index, raw, width);                                          \
        value = static_cast<type>(raw);                                                            \
        return ok;                                                                                 \
    }
VQ_SCALAR_GETS(u8, std::uint8_t, 1)
VQ_SCALAR_GETS(i8, std::int8_t, 1)
VQ_SCALAR_GETS(u16, std::uint16_t, 2)
VQ_SCALAR_GETS(i16, std::int16_t, 2)
VQ_SCALAR_GETS(u32, std::uint32_t, 4)
VQ_SCALAR_GETS(i32, std::int32_t, 4)
#undef VQ_SCALAR_GETS

#define VQ_ARRAY_GETS(suffix, type)                                                                \
    std::uint32_t Tac_pdu_buffer::get_##suffix##_array(type* values, std::uint32_t count)          \
    {                                                                                              \
        return get_array(values, count);                                                           \
    }                                                                                              \
    std::uint32_t Tac_pdu_buffer::get_##suffix##_array_at(std::uint32_t& position, type* values,   \
                                                          std::uint32_t count)                     \
    {                                                                                              \
        if (position >= _size) {                                                                   \
            read_position = 0;                                                                     \
            return 0;                                                                              \
        }                                                                                          \
        read_position = position;                                                                  \
        const std::uint32_t n = get_array(values, count);                                          \
        position = read_position;                                                                  \
        return n;                                                                                  \
    }
VQ_ARRAY_GETS(u16, std::uint16_t)
VQ_ARRAY_GETS(i16, std::int16_t)
VQ_ARRAY_GETS(u32, std::uint32_t)
VQ_ARRAY_GETS(i32, std::int32_t)
#undef VQ_ARRAY_GETS

std::uint32_t Tac_pdu_buffer::get_bytes(std::uint8_t* bytes, std::uint32_t count)
{
    if (read_position >= _size) {
        return 0;
    }
    const std::uint32_t left = _size - read_position;
    const std::uint32_t n = count < left ? count : left;
    if (n != 0) {
        std::memcpy(bytes, storage->data + read_position, n);
    }
    read_position += n;
    return n;
}

std::uint32_t Tac_pdu_buffer::get_bytes_at(std::uint32_t& position, std::uint8_t* bytes,
                                           std::uint32_t count)
{
    if (position >= _size) {
        read_position = 0;
        return 0;
    }
    read_position = position;
    const std::uint32_t n = get_bytes(bytes, count);
    position = read_position;
    return n;
}

// ---------------------------------------------------------------------------
// Whole-buffer operations

bool Tac_pdu_buffer::append_buffer_at(std::uint32_t& position, const Tac_pdu_buffer& source,
                                      bool grow_if_needed)
{
    const std::uint32_t count = source._size;
    if (position > _size) {
        return false;
    }
    if (count > _size - position) {
        if (!grow_if_needed || !grow(count - (_size - position))) {
            return false;
        }
    }
    if (count != 0) {
        // memmove: source may share this block (or be this very handle).
        std::memmove(storage->data + position, source.storage->data, count);
    }
    write_position = position + count;
    position = write_position;
    return true;
}

bool Tac_pdu_buffer::grow(std::uint32_t n)
{
    if (n == 0) {
        return true;
    }
    if (n > UINT32_MAX - _size) {
        return false;
    }
    auto* block = new Tac_counted_buffer(_size + n);
    if (_size != 0) {
        std::memcpy(block->data, storage->data, _size);
    }
    // Keep the old block alive until its bytes are copied: a source handle
    // that shares it may still be read by the caller.
    release();
    storage = block;
    _size += n;
    return true;
}

void Tac_pdu_buffer::reset_to_size(std::uint32_t n)
{
    release();
    write_position = 0;
    read_position = 0;
    storage = n != 0 ? new Tac_counted_buffer(n) : nullptr;
    _size = n;
}

std::uint16_t Tac_pdu_buffer::checksum(std::uint32_t first, std::uint32_t last) const
{
    if (last < first || last >= _size) {
        return 0;
    }
    return crc16(storage->data + first, last - first + 1);
}

} // namespace vq
