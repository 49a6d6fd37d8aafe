// Builds and decodes any TAC1 message class by name, with sample field
// values that the checks can recognise again after a round trip.
#pragma once

#include "tac1_messages.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

namespace tac1_test {

using vq::Tac1_field_kind;
using vq::Tac1_kind;
using vq::Tac_message_types;
using vq::Tac_pdu_buffer;

constexpr std::uint32_t reserve = 22;
constexpr std::uint32_t header_offset = 20;

// Sample value of integer field `index`: small for u8 (they count short
// blocks), a few hundred for u16 (they count user data and arrays), and
// negative for the signed forms.
inline std::uint32_t sample_integer(Tac1_field_kind kind, std::size_t index)
{
    const auto i = static_cast<std::uint32_t>(index);
    switch (kind) {
    case Tac1_field_kind::u8:
        return 3 + i;
    case Tac1_field_kind::i8:
        return static_cast<std::uint32_t>(-3 - static_cast<std::int32_t>(i));
    case Tac1_field_kind::u16:
        return 0x0101 + i;
    case Tac1_field_kind::i16:
        return static_cast<std::uint32_t>(-300 - static_cast<std::int32_t>(i));
    case Tac1_field_kind::u32:
        return 0x10203040u + i;
    case Tac1_field_kind::i32:
        return static_cast<std::uint32_t>(-100000 - static_cast<std::int32_t>(i));
    default:
        return 0;
    }
}

// Sample bytes and words, long enough for every block at its sample count.
inline const char* sample_chars(std::size_t index)
{
    static const std::vector<char> bytes = [] {
        std::vector<char> b(1024);
        for (std::size_t i = 0; i < b.size(); ++i) {
            b[i] = static_cast<char>((i * 37 + 11) & 0xFF);
        }
        return b;
    }();
    return bytes.data() + 7 * index;
}

inline const std::uint16_t* sample_words(std::size_t index)
{
    static const std::vector<std::uint16_t> words = [] {
        std::vector<std::uint16_t> w(1024);
        for (std::size_t i = 0; i < w.size(); ++i) {
            w[i] = static_cast<std::uint16_t>(i * 0x0123 + 5);
        }
        return w;
    }();
    return words.data() + 3 * index;
}

// Builds M with the given field arguments, transaction 9, reserve 22,
// header offset 20, and the form where the class takes one.
template <class M, class... A>
M construct(Tac_message_types form, std::uint8_t transaction, A... fields)
{
    if constexpr (M::message_kind == Tac1_kind::set) {
        return M(fields..., transaction, reserve, header_offset, form);
    } else {
        (void)form;
        return M(fields..., transaction, reserve, header_offset);
    }
}

// Sample build and zero build (every integer 0, every pointer null) of a
// class; classes without fields only take the header arguments.
template <class M>
M make_sample(Tac_message_types form, std::uint8_t transaction)
{
    return construct<M>(form, transaction);
}
template <class M>
M make_zero(Tac_message_types form, std::uint8_t transaction)
{
    return construct<M>(form, transaction);
}

// Field checks: after a good round trip every field holds its sample; after
// a failed decode every accessor yields 0 or copies nothing. Each returns an
// empty string or the name of the first field that disagrees.
template <class M>
QString check_sample(const M&)
{
    return {};
}
template <class M>
QString check_empty(const M&)
{
    return {};
}

template <class M>
std::uint32_t layout_sample_count(std::size_t count_field)
{
    return sample_integer(M::layout[count_field].kind, count_field);
}

#define SAMPLE_CAT(a, b) SAMPLE_CAT_(a, b)
#define SAMPLE_CAT_(a, b) a##b
#define SAMPLE_FIELD(what, i, f) SAMPLE_CAT(SAMPLE_CAT(what, _), TAC1_KIND f)(i, f)

#define SAMPLE_ARG(i, f) SAMPLE_FIELD(SAMPLE_ARG, i, f)
#define SAMPLE_ARG_INT(type, kind, i) , static_cast<type>(sample_integer(Tac1_field_kind::kind, i))
#define SAMPLE_ARG_U8(i, f) SAMPLE_ARG_INT(std::uint8_t, u8, i)
#define SAMPLE_ARG_I8(i, f) SAMPLE_ARG_INT(std::int8_t, i8, i)
#define SAMPLE_ARG_U16(i, f) SAMPLE_ARG_INT(std::uint16_t, u16, i)
#define SAMPLE_ARG_I16(i, f) SAMPLE_ARG_INT(std::int16_t, i16, i)
#define SAMPLE_ARG_U32(i, f) SAMPLE_ARG_INT(std::uint32_t, u32, i)
#define SAMPLE_ARG_I32(i, f) SAMPLE_ARG_INT(std::int32_t, i32, i)
#define SAMPLE_ARG_CHARS(i, f) , sample_chars(i)
#define SAMPLE_ARG_ROWS(i, f) , sample_chars(i)
#define SAMPLE_ARG_BYTES(i, f) , sample_chars(i)
#define SAMPLE_ARG_WORDS(i, f) , sample_words(i)

#define ZERO_ARG(i, f) SAMPLE_FIELD(ZERO_ARG, i, f)
#define ZERO_ARG_U8(i, f)                                                                          \
    , std::uint8_t                                                                                 \
    {                                                                                              \
        0                                                                                          \
    }
#define ZERO_ARG_I8(i, f)                                                                          \
    , std::int8_t                                                                                  \
    {                                                                                              \
        0                                                                                          \
    }
#define ZERO_ARG_U16(i, f)                                                                         \
    , std::uint16_t                                                                                \
    {                                                                                              \
        0                                                                                          \
    }
#define ZERO_ARG_I16(i, f)                                                                         \
    , std::int16_t                                                                                 \
    {                                                                                              \
        0                                                                                          \
    }
#define ZERO_ARG_U32(i, f)                                                                         \
    , std::uint32_t                                                                                \
    {                                                                                              \
        0                                                                                          \
    }
#define ZERO_ARG_I32(i, f)                                                                         \
    , std::int32_t                                                                                 \
    {                                                                                              \
        0                                                                                          \
    }
#define ZERO_ARG_CHARS(i, f) , static_cast<const char*>(nullptr)
#define ZERO_ARG_ROWS(i, f) , static_cast<const char*>(nullptr)
#define ZERO_ARG_BYTES(i, f) , static_cast<const char*>(nullptr)
#define ZERO_ARG_WORDS(i, f) , static_cast<const std::uint16_t*>(nullptr)

#define SAMPLE_CHECK(i, f) SAMPLE_FIELD(SAMPLE_CHECK, i, f)
#define SAMPLE_CHECK_INT(type, kind, i, f)                                                         \
    if (m.TAC1_NAME f() != static_cast<type>(sample_integer(Tac1_field_kind::kind, i))) {          \
        return QStringLiteral(#f);                                                                 \
    }
#define SAMPLE_CHECK_U8(i, f) SAMPLE_CHECK_INT(std::uint8_t, u8, i, f)
#define SAMPLE_CHECK_I8(i, f) SAMPLE_CHECK_INT(std::int8_t, i8, i, f)
#define SAMPLE_CHECK_U16(i, f) SAMPLE_CHECK_INT(std::uint16_t, u16, i, f)
#define SAMPLE_CHECK_I16(i, f) SAMPLE_CHECK_INT(std::int16_t, i16, i, f)
#define SAMPLE_CHECK_U32(i, f) SAMPLE_CHECK_INT(std::uint32_t, u32, i, f)
#define SAMPLE_CHECK_I32(i, f) SAMPLE_CHECK_INT(std::int32_t, i32, i, f)
#define SAMPLE_CHECK_BLOCK(i, f, expected)                                                         \
    {                                                                                              \
        char out[1024];                                                                            \
        const std::uint32_t n = (expected);                                                        \
        if (m.TAC1_NAME f(out, sizeof out) != n || std::memcmp(out, sample_chars(i), n) != 0 ||    \
            (n > 1 && m.TAC1_NAME f(out, 1) != 1)) {                                               \
            return QStringLiteral(#f);                                                             \
        }                                                                                          \
    }
#define SAMPLE_CHECK_CHARS(i, f) SAMPLE_CHECK_BLOCK(i, f, TAC1_ARG3 f)
#define SAMPLE_CHECK_BYTES(i, f) SAMPLE_CHECK_BLOCK(i, f, layout_sample_count<M>(TAC1_ARG3 f))
#define SAMPLE_CHECK_ROWS(i, f)                                                                    \
    for (std::uint32_t row = 0; row <= TAC1_ARG3 f; ++row) {                                       \
        char out[64];                                                                              \
        const std::uint32_t n = row < TAC1_ARG3 f ? TAC1_ARG4 f : 0;                               \
        if (m.TAC1_NAME f(row, out, sizeof out) != n ||                                            \
            std::memcmp(out, sample_chars(i) + row * (TAC1_ARG4 f), n) != 0) {                     \
            return QStringLiteral(#f);                                                             \
        }                                                                                          \
    }
#define SAMPLE_CHECK_WORDS(i, f)                                                                   \
    {                                                                                              \
        std::uint16_t out[1024];                                                                   \
        const std::uint32_t n = layout_sample_count<M>(TAC1_ARG3 f);                               \
        if (m.TAC1_NAME f(out, 1024) != n || std::memcmp(out, sample_words(i), 2 * n) != 0 ||      \
            m.TAC1_NAME f(out, 2) != 2) {                                                          \
            return QStringLiteral(#f);                                                             \
        }                                                                                          \
    }

#define EMPTY_CHECK(i, f) SAMPLE_FIELD(EMPTY_CHECK, i, f)
#define EMPTY_CHECK_INT(i, f)                                                                      \
    if (m.TAC1_NAME f() != 0) {                                                                    \
        return QStringLiteral(#f);                                                                 \
    }
#define EMPTY_CHECK_U8 EMPTY_CHECK_INT
#define EMPTY_CHECK_I8 EMPTY_CHECK_INT
#define EMPTY_CHECK_U16 EMPTY_CHECK_INT
#define EMPTY_CHECK_I16 EMPTY_CHECK_INT
#define EMPTY_CHECK_U32 EMPTY_CHECK_INT
#define EMPTY_CHECK_I32 EMPTY_CHECK_INT
#define EMPTY_CHECK_CHARS(i, f)                                                                    \
    {                                                                                              \
        char out[1024];                                                                            \
        if (m.TAC1_NAME f(out, sizeof out) != 0) {                                                 \
            return QStringLiteral(#f);                                                             \
        }                                                                                          \
    }
#define EMPTY_CHECK_BYTES EMPTY_CHECK_CHARS
#define EMPTY_CHECK_ROWS(i, f)                                                                     \
    {                                                                                              \
        char out[64];                                                                              \
        if (m.TAC1_NAME f(0, out, sizeof out) != 0) {                                              \
            return QStringLiteral(#f);                                                             \
        }                                                                                          \
    }
#define EMPTY_CHECK_WORDS(i, f)                                                                    \
    {                                                                                              \
        std::uint16_t out[1024];                                                                   \
        if (m.TAC1_NAME f(out, 1024) != 0) {                                                       \
            return QStringLiteral(#f);                                                             \
        }                                                                                          \
    }

#define TAC1_LAYOUT(class_, ...)                                                                   \
    template <>                                                                                    \
    inline vq::class_ make_sample<vq::class_>(Tac_message_types form, std::uint8_t transaction)    \
    {                                                                                              \
        return construct<vq::class_>(form, transaction TAC1_EACH(SAMPLE_ARG, __VA_ARGS__));        \
    }                                                                                              \
    template <>                                                                                    \
    inline vq::class_ make_zero<vq::class_>(Tac_message_types form, std::uint8_t transaction)      \
    {                                                                                              \
        return construct<vq::class_>(form, transaction TAC1_EACH(ZERO_ARG, __VA_ARGS__));          \
    }                                                                                              \
    template <>                                                                                    \
    inline QString check_sample<vq::class_>(const vq::class_& m)                                   \
    {                                                                                              \
        using M = vq::class_;                                                                      \
        (void)sizeof(M);                                                                           \
        TAC1_EACH(SAMPLE_CHECK, __VA_ARGS__)                                                       \
        return {};                                                                                 \
    }                                                                                              \
    template <>                                                                                    \
    inline QString check_empty<vq::class_>(const vq::class_& m)                                    \
    {                                                                                              \
        TAC1_EACH(EMPTY_CHECK, __VA_ARGS__)                                                        \
        return {};                                                                                 \
    }
#define TAC1_LAYOUT_NONE(class_)
#include "tac1_layouts.def"

// What a build produced, and the checks of a decode, for any class by name.
using Built = std::pair<std::int32_t, Tac_pdu_buffer>;
using Decoded = std::pair<std::int32_t, QString>;

template <class M, class = void>
struct Laid_out : std::false_type
{
};
template <class M>
struct Laid_out<M, std::void_t<decltype(M::field_count)>> : std::true_type
{
};

template <class M>
Built build_sample(Tac_message_types form)
{
    const M m = make_sample<M>(form, 9);
    return {m.error(), m.buffer()};
}

template <class M>
Built build_zero(Tac_message_types form)
{
    const M m = make_zero<M>(form, 9);
    return {m.error(), m.buffer()};
}

template <class M>
Decoded decode(const Tac_pdu_buffer& received)
{
    const M m(received, reserve, header_offset);
    return {m.error(), m.ok() ? check_sample(m) : check_empty(m)};
}

struct Message_class
{
    const char* name;
    std::uint32_t identifier;
    Tac1_kind kind;
    std::uint32_t partner;
    bool has_layout; // listed with a layout (possibly an empty one)
    // Sample build: the PDU error and the bytes.
    Built (*build)(Tac_message_types form);
    // Build with zero integers and null pointers.
    Built (*build_zero)(Tac_message_types form);
    // Decode: the PDU error, and the field check (samples after a good
    // decode, emptiness after a failed one).
    Decoded (*decode)(const Tac_pdu_buffer& received);
};

// Every class of the catalogue.
inline const std::vector<Message_class>& message_classes()
{
    static const std::vector<Message_class> classes = {
#define TAC1_CLASS(name_, identifier_, kind_, partner_)                                            \
    {#name_,                                                                                       \
     identifier_,                                                                                  \
     Tac1_kind::kind_,                                                                             \
     partner_,                                                                                     \
     Laid_out<vq::name_>::value,                                                                   \
     &build_sample<vq::name_>,                                                                     \
     &build_zero<vq::name_>,                                                                       \
     &decode<vq::name_>},
#include "tac1_catalogue.def"
    };
    return classes;
}

inline const Message_class* find_class(const QString& name)
{
    for (const auto& c : message_classes()) {
        if (name == QLatin1String(c.name)) {
            return &c;
        }
    }
    return nullptr;
}

// A copy of a PDU's bytes with `delta` bytes more (zero) or fewer at the end.
inline Tac_pdu_buffer resized(const Tac_pdu_buffer& pdu, int delta)
{
    const auto size = static_cast<std::uint32_t>(static_cast<int>(pdu.size()) + delta);
    std::vector<std::uint8_t> bytes(size, 0);
    std::memcpy(bytes.data(), pdu.data(), std::min(size, pdu.size()));
    return Tac_pdu_buffer(bytes.data(), size);
}

inline Tac_pdu_buffer from_hex(const char* hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    return Tac_pdu_buffer(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::uint32_t>(bytes.size()));
}

inline QByteArray to_hex(const Tac_pdu_buffer& pdu, std::uint32_t from, std::uint32_t to)
{
    if (pdu.data() == nullptr || to > pdu.size() || from > to) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(pdu.data()) + from, static_cast<int>(to - from))
        .toHex(' ')
        .toUpper();
}

} // namespace tac1_test
