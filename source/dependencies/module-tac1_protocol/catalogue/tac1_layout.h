// Payload layouts described as data, and the base of every TAC1 message
// class that builds, checks and reads its payload from such a description.
//
// A layout is an array of Tac1_field in wire order. Integer fields have fixed
// widths; character fields have fixed sizes; blocks and u16 arrays take their
// element count from an earlier integer field, so the offset of any field is
// found by walking the layout over the bytes at hand.
#pragma once

#include "tac1_catalogue.h"
#include "tac1_pdu.h"

#include <cstddef>
#include <cstdint>

namespace vq {

enum class Tac1_field_kind : std::uint8_t
{
    u8,
    i8,
    u16,
    i16,
    u32,
    i32,
    chars,     // rows x width bytes, fixed
    bytes,     // n bytes, n from field count_field
    u16_array, // n u16 values, n from field count_field
};

struct Tac1_field
{
    Tac1_field_kind kind;
    std::uint16_t width;      // bytes of one element (chars: of one row)
    std::uint8_t rows;        // chars: number of rows
    std::uint8_t count_field; // bytes, u16_array: index of the count field
};

// Longest layout the engine walks.
constexpr std::size_t tac1_max_fields = 12;

// A layout the engine can walk: not too long, and every block counted by an
// integer field that comes before it.
constexpr bool tac1_layout_valid(const Tac1_field* fields, std::size_t count)
{
    if (count > tac1_max_fields) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const Tac1_field_kind kind = fields[i].kind;
        if (kind == Tac1_field_kind::bytes || kind == Tac1_field_kind::u16_array) {
            const std::size_t k = fields[i].count_field;
            if (k >= i || fields[k].kind == Tac1_field_kind::chars ||
                fields[k].kind == Tac1_field_kind::bytes ||
                fields[k].kind == Tac1_field_kind::u16_array) {
                return false;
            }
        }
        if (kind == Tac1_field_kind::chars && (fields[i].rows == 0 || fields[i].width == 0)) {
            return false;
        }
    }
    return true;
}

// One argument of a build constructor: an integer (any width, two's
// complement for signed fields) or the caller's data for a block field. A
// null data pointer sends zero bytes.
struct Tac1_field_value
{
    std::uint32_t integer;
    const void* data;
};

// Payload size of a build with these values: fixed widths plus the blocks at
// the counts given by their count fields.
std::uint32_t tac1_build_payload_size(const Tac1_field* fields, std::size_t count,
                                      const Tac1_field_value* values);

// Base of every message class: builds the header and payload from a layout,
// applies the decode checks, and reads fields. Accessors of a PDU whose error
// is not 0 yield 0 or copy nothing. A null layout (opaque) builds an empty
// payload and accepts any payload size on decoding.
class Tac1_message_base : public Tac1_pdu
{
public:
    Tac1_message_base(const Tac1_message_base&) = default;
    Tac1_message_base& operator=(const Tac1_message_base&) = default;
    ~Tac1_message_base() override;

    // Payload bytes of an opaque message (or any message): copies up to
    // maximum bytes of the payload into out; 0 after a failed decode.
    std::uint32_t payload(char* out, std::uint32_t maximum) const;

protected:
    // Build: the class's catalogue entry, its layout and one value per field.
    Tac1_message_base(const Tac1_catalogue_entry& entry, const Tac1_field* fields,
                      std::size_t count, const Tac1_field_value* values, std::uint8_t transaction,
                      std::uint32_t reserve, std::uint32_t header_offset, Tac_message_types form);
    // Decode: size (fixed, or counted from the count fields), then identifier
    // and type by the class's kind.
    Tac1_message_base(const Tac1_catalogue_entry& entry, const Tac1_field* fields,
                      std::size_t count, bool opaque, const Tac_pdu_buffer& received,
                      std::uint32_t reserve, std::uint32_t header_offset);

    // Raw bits of integer field index (sign-extended for signed fields).
    std::uint32_t field_integer(const Tac1_field* fields, std::size_t count,
                                std::size_t index) const;
    // Copies row `row` of a character field, or the elements of a block or
    // u16 array, into out (at most maximum elements); returns the number
    // copied.
    std::uint32_t field_block(const Tac1_field* fields, std::size_t count, std::size_t index,
                              std::uint32_t row, void* out, std::uint32_t maximum) const;

    template <std::size_t N>
    std::uint32_t field_integer(const Tac1_field (&fields)[N], std::size_t index) const
    {
        return field_integer(fields, N, index);
    }
    template <std::size_t N>
    std::uint32_t field_block(const Tac1_field (&fields)[N], std::size_t index, std::uint32_t row,
                              void* out, std::uint32_t maximum) const
    {
        return field_block(fields, N, index, row, out, maximum);
    }

private:
    // Payload offsets of the fields (relative to the payload start) and the
    // element count of each, from the bytes in the buffer; false when a
    // count field lies outside the buffer.
    bool walk(const Tac1_field* fields, std::size_t count, std::uint32_t* offsets,
              std::uint32_t* elements) const;
    void put_fields(const Tac1_field* fields, std::size_t count, const Tac1_field_value* values);
};

} // namespace vq
