// Every TAC1 message class, in namespace vq, generated from the catalogue
// (tac1_catalogue.def) and the payload layouts (tac1_layouts.def).
//
// Each class derives from Tac1_pdu and offers:
//  - a build constructor: the payload fields in layout order, then
//    transaction, reserve, header offset, and for a set with a get partner a
//    final form (REQUEST by default; RESPONSE writes the partner's identifier
//    and type 3, INDICATION keeps the identifier and writes type 4). A
//    command or get is always REQUEST, an indication always INDICATION.
//  - a decode constructor (received buffer, reserve, header offset) that
//    checks the size (fixed, or read from the count fields), then the
//    identifier and type; error() tells the outcome.
//  - copy and assignment, sharing the bytes.
//  - one accessor per field: integers return the value; character fields,
//    blocks and u16 arrays are copied into the caller's array (at most
//    `maximum` elements) and return the number copied. Accessors of a PDU
//    with an error yield 0 or copy nothing.
//
// Parameter and accessor forms by field form (see tac1_layouts.def):
//   U8 ... I32       std::uint8_t ... std::int32_t name        / name()
//   CHARS, BYTES     const char* name                          / name(char* out, maximum)
//   ROWS             const char* name (rows x width bytes)     / name(row, char* out, maximum)
//   WORDS            const std::uint16_t* name                 / name(std::uint16_t* out, maximum)
// A block's length is the value of its count field (for example
// version_string_length before version_string); the pointer must reach that
// many elements (a null pointer sends zeros).
//
// Classes without a layout build an empty payload, accept any payload size
// when decoding, and offer payload(out, maximum) for the raw bytes.
//
// Example: a get request and the set-form reply it draws.
//   Tac1_msg_audio_tx_output_level_get request(port, transaction, 22, 20);
//   Tac1_msg_audio_tx_output_level_set reply(port, level, transaction, 22, 20,
//                                            Tac_message_types::RESPONSE);
//   Tac1_msg_audio_tx_output_level_set decoded(received, 22, 20);
//   if (decoded.ok()) { use(decoded.level()); }
#pragma once

#include "tac1_catalogue.h"
#include "tac1_layout.h"
#include "tac1_pdu.h"

#include <cstdint>
#include <type_traits>

namespace vq {

// Catalogue entry of a message class, by class.
template <class Message>
struct Tac1_traits;

#define TAC1_CLASS(name_, identifier_, kind_, partner_)                                            \
    class name_;                                                                                   \
    template <>                                                                                    \
    struct Tac1_traits<name_>                                                                      \
    {                                                                                              \
        static constexpr Tac1_catalogue_entry entry{identifier_, #name_, Tac1_kind::kind_,         \
                                                    partner_};                                     \
    };
#include "tac1_catalogue.def"

// Body of a message class without a layout of its own: no payload when
// built, any payload accepted when decoded.
template <class Message>
class Tac1_body : public Tac1_message_base
{
    static constexpr const Tac1_catalogue_entry& class_entry = Tac1_traits<Message>::entry;
    static constexpr bool has_form = class_entry.kind == Tac1_kind::set;

public:
    template <bool F = has_form, std::enable_if_t<F, int> = 0>
    Tac1_body(std::uint8_t transaction, std::uint32_t reserve, std::uint32_t header_offset,
              Tac_message_types form = Tac_message_types::REQUEST)
        : Tac1_message_base(class_entry, nullptr, 0, nullptr, transaction, reserve, header_offset,
                            form)
    {}
    template <bool F = has_form, std::enable_if_t<!F, int> = 0>
    Tac1_body(std::uint8_t transaction, std::uint32_t reserve, std::uint32_t header_offset)
        : Tac1_message_base(class_entry, nullptr, 0, nullptr, transaction, reserve, header_offset,
                            Tac_message_types::REQUEST)
    {}
    Tac1_body(const Tac_pdu_buffer& received, std::uint32_t reserve, std::uint32_t header_offset)
        : Tac1_message_base(class_entry, nullptr, 0, true, received, reserve, header_offset)
    {}
};

// ---- Layout expansion -------------------------------------------------------

#define TAC1_CAT(a, b) TAC1_CAT_(a, b)
#define TAC1_CAT_(a, b) a##b
#define TAC1_EXPAND(x) x
#define TAC1_KIND(...) TAC1_EXPAND(TAC1_KIND_(__VA_ARGS__, ~))
#define TAC1_KIND_(k, ...) k
#define TAC1_NAME(...) TAC1_EXPAND(TAC1_NAME_(__VA_ARGS__, ~))
#define TAC1_NAME_(k, n, ...) n
#define TAC1_ARG3(...) TAC1_EXPAND(TAC1_ARG3_(__VA_ARGS__, ~))
#define TAC1_ARG3_(k, n, a, ...) a
#define TAC1_ARG4(...) TAC1_EXPAND(TAC1_ARG4_(__VA_ARGS__, ~))
#define TAC1_ARG4_(k, n, a, b, ...) b

#define TAC1_NARGS(...)                                                                            \
    TAC1_EXPAND(TAC1_NARGS_(__VA_ARGS__, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0))
#define TAC1_NARGS_(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, n, ...) n

// m(index, field) for every field.
#define TAC1_EACH(m, ...) TAC1_EXPAND(TAC1_CAT(TAC1_EACH_, TAC1_NARGS(__VA_ARGS__))(m, __VA_ARGS__))
#define TAC1_EACH_1(m, a) m(0, a)
#define TAC1_EACH_2(m, a, b) m(0, a) m(1, b)
#define TAC1_EACH_3(m, a, b, c) TAC1_EACH_2(m, a, b) m(2, c)
#define TAC1_EACH_4(m, a, b, c, d) TAC1_EACH_3(m, a, b, c) m(3, d)
#define TAC1_EACH_5(m, a, b, c, d, e) TAC1_EACH_4(m, a, b, c, d) m(4, e)
#define TAC1_EACH_6(m, a, b, c, d, e, f) TAC1_EACH_5(m, a, b, c, d, e) m(5, f)
#define TAC1_EACH_7(m, a, b, c, d, e, f, g) TAC1_EACH_6(m, a, b, c, d, e, f) m(6, g)
#define TAC1_EACH_8(m, a, b, c, d, e, f, g, h) TAC1_EACH_7(m, a, b, c, d, e, f, g) m(7, h)
#define TAC1_EACH_9(m, a, b, c, d, e, f, g, h, i) TAC1_EACH_8(m, a, b, c, d, e, f, g, h) m(8, i)
#define TAC1_EACH_10(m, a, b, c, d, e, f, g, h, i, j)                                              \
    TAC1_EACH_9(m, a, b, c, d, e, f, g, h, i) m(9, j)

// Dispatch on the field form: TAC1_<WHAT>_<FORM>(index, field).
#define TAC1_FIELD(what, i, f) TAC1_CAT(TAC1_CAT(what, _), TAC1_KIND f)(i, f)

// Builds: one constructor parameter per field.
#define TAC1_PARAM(i, f) TAC1_FIELD(TAC1_PARAM, i, f)
#define TAC1_PARAM_U8(i, f) std::uint8_t TAC1_NAME f,
#define TAC1_PARAM_I8(i, f) std::int8_t TAC1_NAME f,
#define TAC1_PARAM_U16(i, f) std::uint16_t TAC1_NAME f,
#define TAC1_PARAM_I16(i, f) std::int16_t TAC1_NAME f,
#define TAC1_PARAM_U32(i, f) std::uint32_t TAC1_NAME f,
#define TAC1_PARAM_I32(i, f) std::int32_t TAC1_NAME f,
#define TAC1_PARAM_CHARS(i, f) const char *TAC1_NAME f,
#define TAC1_PARAM_ROWS(i, f) const char *TAC1_NAME f,
#define TAC1_PARAM_BYTES(i, f) const char *TAC1_NAME f,
#define TAC1_PARAM_WORDS(i, f) const std::uint16_t *TAC1_NAME f,

// Builds: the parameter as a field value.
#define TAC1_VALUE(i, f) TAC1_FIELD(TAC1_VALUE, i, f)
#define TAC1_VALUE_INT(i, f) Tac1_field_value{static_cast<std::uint32_t>(TAC1_NAME f), nullptr},
#define TAC1_VALUE_DATA(i, f) Tac1_field_value{0, TAC1_NAME f},
#define TAC1_VALUE_U8 TAC1_VALUE_INT
#define TAC1_VALUE_I8 TAC1_VALUE_INT
#define TAC1_VALUE_U16 TAC1_VALUE_INT
#define TAC1_VALUE_I16 TAC1_VALUE_INT
#define TAC1_VALUE_U32 TAC1_VALUE_INT
#define TAC1_VALUE_I32 TAC1_VALUE_INT
#define TAC1_VALUE_CHARS TAC1_VALUE_DATA
#define TAC1_VALUE_ROWS TAC1_VALUE_DATA
#define TAC1_VALUE_BYTES TAC1_VALUE_DATA
#define TAC1_VALUE_WORDS TAC1_VALUE_DATA

// The layout description.
#define TAC1_DESC(i, f) TAC1_FIELD(TAC1_DESC, i, f)
#define TAC1_DESC_U8(i, f) {Tac1_field_kind::u8, 1, 1, 0},
#define TAC1_DESC_I8(i, f) {Tac1_field_kind::i8, 1, 1, 0},
#define TAC1_DESC_U16(i, f) {Tac1_field_kind::u16, 2, 1, 0},
#define TAC1_DESC_I16(i, f) {Tac1_field_kind::i16, 2, 1, 0},
#define TAC1_DESC_U32(i, f) {Tac1_field_kind::u32, 4, 1, 0},
#define TAC1_DESC_I32(i, f) {Tac1_field_kind::i32, 4, 1, 0},
#define TAC1_DESC_CHARS(i, f) {Tac1_field_kind::chars, TAC1_ARG3 f, 1, 0},
#define TAC1_DESC_ROWS(i, f) {Tac1_field_kind::chars, TAC1_ARG4 f, TAC1_ARG3 f, 0},
#define TAC1_DESC_BYTES(i, f) {Tac1_field_kind::bytes, 1, 0, TAC1_ARG3 f},
#define TAC1_DESC_WORDS(i, f) {Tac1_field_kind::u16_array, 2, 0, TAC1_ARG3 f},

// Accessors.
#define TAC1_ACCESSOR(i, f) TAC1_FIELD(TAC1_ACCESSOR, i, f)
#define TAC1_ACCESSOR_INT(type, i, f)                                                              \
    type TAC1_NAME f() const                                                                       \
    {                                                                                              \
        return static_cast<type>(field_integer(layout, i));                                        \
    }
#define TAC1_ACCESSOR_U8(i, f) TAC1_ACCESSOR_INT(std::uint8_t, i, f)
#define TAC1_ACCESSOR_I8(i, f) TAC1_ACCESSOR_INT(std::int8_t, i, f)
#define TAC1_ACCESSOR_U16(i, f) TAC1_ACCESSOR_INT(std::uint16_t, i, f)
#define TAC1_ACCESSOR_I16(i, f) TAC1_ACCESSOR_INT(std::int16_t, i, f)
#define TAC1_ACCESSOR_U32(i, f) TAC1_ACCESSOR_INT(std::uint32_t, i, f)
#define TAC1_ACCESSOR_I32(i, f) TAC1_ACCESSOR_INT(std::int32_t, i, f)
#define TAC1_ACCESSOR_CHARS(i, f)                                                                  \
    std::uint32_t TAC1_NAME f(char* out, std::uint32_t maximum) const                              \
    {                                                                                              \
        return field_block(layout, i, 0, out, maximum);                                            \
    }
#define TAC1_ACCESSOR_BYTES TAC1_ACCESSOR_CHARS
#define TAC1_ACCESSOR_ROWS(i, f)                                                                   \
    std::uint32_t TAC1_NAME f(std::uint32_t row, char* out, std::uint32_t maximum) const           \
    {                                                                                              \
        return field_block(layout, i, row, out, maximum);                                          \
    }
#define TAC1_ACCESSOR_WORDS(i, f)                                                                  \
    std::uint32_t TAC1_NAME f(std::uint16_t* out, std::uint32_t maximum) const                     \
    {                                                                                              \
        return field_block(layout, i, 0, out, maximum);                                            \
    }

#define TAC1_LAYOUT(class_, ...)                                                                   \
    template <>                                                                                    \
    class Tac1_body<class_> : public Tac1_message_base                                             \
    {                                                                                              \
        static constexpr const Tac1_catalogue_entry& class_entry = Tac1_traits<class_>::entry;     \
        static constexpr bool has_form = class_entry.kind == Tac1_kind::set;                       \
                                                                                                   \
    public:                                                                                        \
        static constexpr Tac1_field layout[] = {TAC1_EACH(TAC1_DESC, __VA_ARGS__)};                \
        static constexpr std::size_t field_count = sizeof(layout) / sizeof(layout[0]);             \
        template <bool F = has_form, std::enable_if_t<F, int> = 0>                                 \
        Tac1_body(TAC1_EACH(TAC1_PARAM, __VA_ARGS__) std::uint8_t transaction,                     \
                  std::uint32_t reserve, std::uint32_t header_offset,                              \
                  Tac_message_types form = Tac_message_types::REQUEST)                             \
            : Tac1_message_base(class_entry, layout, field_count,                                  \
                                Values{{TAC1_EACH(TAC1_VALUE, __VA_ARGS__)}}.values, transaction,  \
                                reserve, header_offset, form)                                      \
        {}                                                                                         \
        template <bool F = has_form, std::enable_if_t<!F, int> = 0>                                \
        Tac1_body(TAC1_EACH(TAC1_PARAM, __VA_ARGS__) std::uint8_t transaction,                     \
                  std::uint32_t reserve, std::uint32_t header_offset)                              \
            : Tac1_message_base(class_entry, layout, field_count,                                  \
                                Values{{TAC1_EACH(TAC1_VALUE, __VA_ARGS__)}}.values, transaction,  \
                                reserve, header_offset, Tac_message_types::REQUEST)                \
        {}                                                                                         \
        Tac1_body(const Tac_pdu_buffer& received, std::uint32_t reserve,                           \
                  std::uint32_t header_offset)                                                     \
            : Tac1_message_base(class_entry, layout, field_count, false, received, reserve,        \
                                header_offset)                                                     \
        {}                                                                                         \
        TAC1_EACH(TAC1_ACCESSOR, __VA_ARGS__)                                                      \
                                                                                                   \
    private:                                                                                       \
        struct Values                                                                              \
        {                                                                                          \
            Tac1_field_value values[field_count];                                                  \
        };                                                                                         \
        static_assert(tac1_layout_valid(layout, field_count),                                      \
                      "layout " #class_ " cannot be walked");                                      \
    };

#define TAC1_LAYOUT_NONE(class_)                                                                   \
    template <>                                                                                    \
    class Tac1_body<class_> : public Tac1_message_base                                             \
    {                                                                                              \
        static constexpr const Tac1_catalogue_entry& class_entry = Tac1_traits<class_>::entry;     \
        static constexpr bool has_form = class_entry.kind == Tac1_kind::set;                       \
                                                                                                   \
    public:                                                                                        \
        static constexpr std::size_t field_count = 0;                                              \
        template <bool F = has_form, std::enable_if_t<F, int> = 0>                                 \
        Tac1_body(std::uint8_t transaction, std::uint32_t reserve, std::uint32_t header_offset,    \
                  Tac_message_types form = Tac_message_types::REQUEST)                             \
            : Tac1_message_base(class_entry, nullptr, 0, nullptr, transaction, reserve,            \
                                header_offset, form)                                               \
        {}                                                                                         \
        template <bool F = has_form, std::enable_if_t<!F, int> = 0>                                \
        Tac1_body(std::uint8_t transaction, std::uint32_t reserve, std::uint32_t header_offset)    \
            : Tac1_message_base(class_entry, nullptr, 0, nullptr, transaction, reserve,            \
                                header_offset, Tac_message_types::REQUEST)                         \
        {}                                                                                         \
        Tac1_body(const Tac_pdu_buffer& received, std::uint32_t reserve,                           \
                  std::uint32_t header_offset)                                                     \
            : Tac1_message_base(class_entry, nullptr, 0, false, received, reserve, header_offset)  \
        {}                                                                                         \
    };

#include "tac1_layouts.def"

// ---- The classes ------------------------------------------------------------

#define TAC1_CLASS(name_, identifier_, kind_, partner_)                                            \
    class name_ : public Tac1_body<name_>                                                          \
    {                                                                                              \
    public:                                                                                        \
        static constexpr std::uint32_t message_identifier = identifier_;                           \
        static constexpr Tac1_kind message_kind = Tac1_kind::kind_;                                \
        static constexpr std::uint32_t partner_identifier = partner_;                              \
        using Tac1_body<name_>::Tac1_body;                                                         \
    };
#include "tac1_catalogue.def"

} // namespace vq
