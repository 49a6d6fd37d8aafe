#include "tac1_layout.h"

namespace vq {

namespace {

bool is_integer(Tac1_field_kind kind)
{
    return kind != Tac1_field_kind::chars && kind != Tac1_field_kind::bytes &&
           kind != Tac1_field_kind::u16_array;
}

bool is_counted(Tac1_field_kind kind)
{
    return kind == Tac1_field_kind::bytes || kind == Tac1_field_kind::u16_array;
}

std::uint32_t width_mask(std::uint16_t width)
{
    return width >= 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1;
}

// Bytes a field occupies with `elements` elements.
std::uint64_t field_size(const Tac1_field& field, std::uint64_t elements)
{
    return field.width * elements;
}

} // namespace

std::uint32_t tac1_build_payload_size(const Tac1_field* fields, std::size_t count,
                                      const Tac1_field_value* values)
{
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < count && i < tac1_max_fields; ++i) {
        const Tac1_field& field = fields[i];
        std::uint64_t elements = 1;
        if (field.kind == Tac1_field_kind::chars) {
            elements = field.rows;
        } else if (is_counted(field.kind)) {
            const std::size_t k = field.count_field;
            elements = k < i ? values[k].integer & width_mask(fields[k].width) : 0;
        }
        total += field_size(field, elements);
    }
    return total > 0xFFFF0000u ? 0xFFFF0000u : static_cast<std::uint32_t>(total);
}

Tac1_message_base::Tac1_message_base(const Tac1_catalogue_entry& entry, const Tac1_field* fields,
                                     std::size_t count, const Tac1_field_value* values,
                                     std::uint8_t transaction, std::uint32_t reserve,
                                     std::uint32_t header_offset, Tac_message_types form)
    : Tac1_pdu(tac1_build_identifier(entry, form), transaction, tac1_build_type(entry.kind, form),
               reserve, tac1_build_payload_size(fields, count, values), header_offset)
{
    if (count > 0) {
        put_fields(fields, count, values);
    }
}

Tac1_message_base::Tac1_message_base(const Tac1_catalogue_entry& entry, const Tac1_field* fields,
                                     std::size_t count, bool opaque, const Tac_pdu_buffer& received,
                                     std::uint32_t reserve, std::uint32_t header_offset)
    : Tac1_pdu(received, reserve, header_offset, true)
{
    // 1. Size: fixed, or counted from the count fields in the received bytes.
    if (opaque) {
        if (buffer().size() < std::uint64_t{reserve} + TAC1_HEADER_SIZE) {
            note_error(TAC1_PDU_BUFFER_BELOW_EXPECTED_SIZE);
            return;
        }
    } else {
        std::uint32_t offsets[tac1_max_fields + 1];
        std::uint32_t elements[tac1_max_fields];
        if (!walk(fields, count, offsets, elements)) {
            note_error(TAC1_PDU_BUFFER_BELOW_EXPECTED_SIZE);
            return;
        }
        if (!check_size(offsets[count])) {
            return;
        }
    }
    // 2. Identifier and type by kind.
    switch (entry.kind) {
    case Tac1_kind::indication:
        check_indication(entry.identifier);
        break;
    case Tac1_kind::get:
        check_get(entry.identifier);
        break;
    case Tac1_kind::set:
    case Tac1_kind::command:
        check_set(entry.identifier);
        break;
    }
}

Tac1_message_base::~Tac1_message_base() = default;

void Tac1_message_base::put_fields(const Tac1_field* fields, std::size_t count,
                                   const Tac1_field_value* values)
{
    if (!buffer().seek_write(payload_offset())) {
        note_error(TAC1_PDU_BUFFER_GENERAL_WRITE_ERROR);
        return;
    }
    for (std::size_t i = 0; i < count && i < tac1_max_fields; ++i) {
        const Tac1_field& field = fields[i];
        const std::uint32_t value = values[i].integer;
        switch (field.kind) {
        case Tac1_field_kind::u8:
            put_u8(static_cast<std::uint8_t>(value));
            break;
        case Tac1_field_kind::i8:
            put_u8(static_cast<std::uint8_t>(value));
            break;
        case Tac1_field_kind::u16:
        case Tac1_field_kind::i16:
            put_u16(static_cast<std::uint16_t>(value));
            break;
        case Tac1_field_kind::u32:
        case Tac1_field_kind::i32:
            put_u32(value);
            break;
        case Tac1_field_kind::chars:
        case Tac1_field_kind::bytes:
        case Tac1_field_kind::u16_array: {
            std::uint32_t elements = field.rows;
            if (is_counted(field.kind)) {
                const std::size_t k = field.count_field;
                elements = k < i ? values[k].integer & width_mask(fields[k].width) : 0;
            }
            if (field.kind == Tac1_field_kind::u16_array) {
                const auto* data = static_cast<const std::uint16_t*>(values[i].data);
                for (std::uint32_t e = 0; e < elements; ++e) {
                    put_u16(data != nullptr ? data[e] : 0);
                }
                break;
            }
            const std::uint32_t size = field.width * elements;
            const auto* data = static_cast<const std::uint8_t*>(values[i].data);
            if (data != nullptr) {
                if (size > 0) {
                    put_bytes(data, size);
                }
            } else {
                for (std::uint32_t b = 0; b < size; ++b) {
                    put_u8(0);
                }
            }
            break;
        }
        }
    }
}

bool Tac1_message_base::walk(const Tac1_field* fields, std::size_t count, std::uint32_t* offsets,
                             std::uint32_t* elements) const
{
    const std::uint64_t base = payload_offset();
    const std::uint64_t size = buffer().size();
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < count && i < tac1_max_fields; ++i) {
        const Tac1_field& field = fields[i];
        offsets[i] = static_cast<std::uint32_t>(offset);
        std::uint64_t n = 1;
        if (field.kind == Tac1_field_kind::chars) {
            n = field.rows;
        } else if (is_counted(field.kind)) {
            const std::size_t k = field.count_field;
            if (k >= i || !is_integer(fields[k].kind) ||
                base + offsets[k] + fields[k].width > size) {
                return false;
            }
            switch (fields[k].width) {
            case 1:
                n = payload_u8(offsets[k]);
                break;
            case 2:
                n = payload_u16(offsets[k]);
                break;
            default:
                n = payload_u32(offsets[k]);
                break;
            }
        }
        elements[i] = static_cast<std::uint32_t>(n);
        offset += field_size(field, n);
        if (offset > 0xFFFF0000u) {
            return false;
        }
    }
    offsets[count < tac1_max_fields ? count : tac1_max_fields] = static_cast<std::uint32_t>(offset);
    return true;
}

std::uint32_t Tac1_message_base::field_integer(const Tac1_field* fields, std::size_t count,
                                               std::size_t index) const
{
    std::uint32_t offsets[tac1_max_fields + 1];
    std::uint32_t elements[tac1_max_fields];
    if (!ok() || index >= count || index >= tac1_max_fields ||
        !walk(fields, count, offsets, elements)) {
        return 0;
    }
    const std::uint32_t at = offsets[index];
    switch (fields[index].kind) {
    case Tac1_field_kind::u8:
        return payload_u8(at);
    case Tac1_field_kind::i8:
        return static_cast<std::uint32_t>(std::int32_t{payload_i8(at)});
    case Tac1_field_kind::u16:
        return payload_u16(at);
    case Tac1_field_kind::i16:
        return static_cast<std::uint32_t>(std::int32_t{payload_i16(at)});
    case Tac1_field_kind::u32:
        return payload_u32(at);
    case Tac1_field_kind::i32:
        return static_cast<std::uint32_t>(payload_i32(at));
    default:
        return 0;
    }
}

std::uint32_t Tac1_message_base::field_block(const Tac1_field* fields, std::size_t count,
                                             std::size_t index, std::uint32_t row, void* out,
                                             std::uint32_t maximum) const
{
    std::uint32_t offsets[tac1_max_fields + 1];
    std::uint32_t elements[tac1_max_fields];
    if (!ok() || out == nullptr || maximum == 0 || index >= count || index >= tac1_max_fields ||
        !walk(fields, count, offsets, elements)) {
        return 0;
    }
    const Tac1_field& field = fields[index];
    switch (field.kind) {
    case Tac1_field_kind::chars:
        if (row >= field.rows) {
            return 0;
        }
        return payload_bytes(offsets[index] + row * field.width, field.width,
                             static_cast<std::uint8_t*>(out), maximum);
    case Tac1_field_kind::bytes:
        return payload_bytes(offsets[index], elements[index], static_cast<std::uint8_t*>(out),
                             maximum);
    case Tac1_field_kind::u16_array: {
        const std::uint32_t n = elements[index] < maximum ? elements[index] : maximum;
        const std::uint64_t end = std::uint64_t{payload_offset()} + offsets[index] + 2ull * n;
        if (end > buffer().size()) {
            return 0;
        }
        auto* words = static_cast<std::uint16_t*>(out);
        for (std::uint32_t e = 0; e < n; ++e) {
            words[e] = payload_u16(offsets[index] + 2 * e);
        }
        return n;
    }
    default:
        return 0;
    }
}

std::uint32_t Tac1_message_base::payload(char* out, std::uint32_t maximum) const
{
    if (!ok() || out == nullptr) {
        return 0;
    }
    const std::uint64_t size = buffer().size();
    const std::uint64_t used = std::uint64_t{reserve()} + TAC1_HEADER_SIZE;
    const std::uint32_t length = size > used ? static_cast<std::uint32_t>(size - used) : 0;
    return payload_bytes(0, length, reinterpret_cast<std::uint8_t*>(out), maximum);
}

} // namespace vq
