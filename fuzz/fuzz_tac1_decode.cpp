// Decodes fuzzer bytes behind a TAC1 header as one message class and calls
// every accessor. A failed decode must leave every accessor at 0 or empty,
// no copy may exceed the caller's maximum, and nothing may read out of
// bounds (the build runs under ASan and UBSan).
//
// Input: u16 class selector, u8 framing variant, u8 identifier variant,
// u8 type, u8 transaction, then the payload. Selectors below the number of
// classes with a layout pick one of those (in the order of
// tac1_layouts.def); the rest pick any catalogue class.
#include "tac1_messages.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace vq;

namespace {

// Reserve and header offset pairs: the console's, and odd ones.
constexpr std::uint32_t framings[][2] = {{22, 20}, {0, 0}, {2, 0}, {8, 0}, {6, 20}, {22, 2}};

[[noreturn]] void fail()
{
    __builtin_trap();
}

char bytes_out[1 << 17];
std::uint16_t words_out[1 << 16];
constexpr std::uint32_t maxima[] = {0, 1, 5, 1 << 16};

void expect_copy(const Tac1_pdu& m, std::uint32_t copied, std::uint32_t maximum)
{
    if (copied > maximum || (!m.ok() && copied != 0)) {
        fail();
    }
}

#define FZ_CAT(a, b) FZ_CAT_(a, b)
#define FZ_CAT_(a, b) a##b
#define FZ_CALL(i, f) FZ_CAT(FZ_CALL_, TAC1_KIND f)(i, f)
#define FZ_CALL_INT(i, f)                                                                          \
    if (!m.ok() && m.TAC1_NAME f() != 0) {                                                         \
        fail();                                                                                    \
    }
#define FZ_CALL_U8 FZ_CALL_INT
#define FZ_CALL_I8 FZ_CALL_INT
#define FZ_CALL_U16 FZ_CALL_INT
#define FZ_CALL_I16 FZ_CALL_INT
#define FZ_CALL_U32 FZ_CALL_INT
#define FZ_CALL_I32 FZ_CALL_INT
#define FZ_CALL_CHARS(i, f)                                                                        \
    for (std::uint32_t maximum : maxima) {                                                         \
        const std::uint32_t n = m.TAC1_NAME f(bytes_out, maximum);                                 \
        expect_copy(m, n, maximum);                                                                \
        if (n > TAC1_ARG3 f) {                                                                     \
            fail();                                                                                \
        }                                                                                          \
    }
#define FZ_CALL_BYTES(i, f)                                                                        \
    for (std::uint32_t maximum : maxima) {                                                         \
        expect_copy(m, m.TAC1_NAME f(bytes_out, maximum), maximum);                                \
    }
#define FZ_CALL_ROWS(i, f)                                                                         \
    for (std::uint32_t row = 0; row <= TAC1_ARG3 f + 1; ++row) {                                   \
        const std::uint32_t n = m.TAC1_NAME f(row, bytes_out, sizeof bytes_out);                   \
        expect_copy(m, n, sizeof bytes_out);                                                       \
        if (n > (row < TAC1_ARG3 f ? TAC1_ARG4 f : 0)) {                                           \
            fail();                                                                                \
        }                                                                                          \
    }
#define FZ_CALL_WORDS(i, f)                                                                        \
    for (std::uint32_t maximum : maxima) {                                                         \
        expect_copy(m, m.TAC1_NAME f(words_out, maximum), maximum);                                \
    }

struct Layout_class
{
    std::uint32_t identifier;
    void (*decode)(const Tac_pdu_buffer& received, std::uint32_t reserve,
                   std::uint32_t header_offset);
};

template <class M>
void decode_any(const Tac_pdu_buffer& received, std::uint32_t reserve, std::uint32_t header_offset)
{
    const M m(received, reserve, header_offset);
    for (std::uint32_t maximum : maxima) {
        expect_copy(m, m.payload(bytes_out, maximum), maximum);
    }
    const M copy(m);
    if (copy.error() != m.error()) {
        fail();
    }
}

#define TAC1_LAYOUT(class_, ...)                                                                   \
    {class_::message_identifier,                                                                   \
     [](const Tac_pdu_buffer& received, std::uint32_t reserve, std::uint32_t header_offset) {      \
         const class_ m(received, reserve, header_offset);                                         \
         TAC1_EACH(FZ_CALL, __VA_ARGS__)                                                           \
         decode_any<class_>(received, reserve, header_offset);                                     \
     }},
#define TAC1_LAYOUT_NONE(class_) {class_::message_identifier, &decode_any<class_>},
const Layout_class layout_classes[] = {
#include "tac1_layouts.def"
};

#define TAC1_CLASS(name_, identifier_, kind_, partner_) {identifier_, &decode_any<name_>},
const Layout_class all_classes[] = {
#include "tac1_catalogue.def"
};

constexpr std::size_t layout_count = sizeof(layout_classes) / sizeof(layout_classes[0]);
constexpr std::size_t all_count = sizeof(all_classes) / sizeof(all_classes[0]);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6 || size > (1u << 18)) {
        return 0;
    }
    const std::size_t selector = (std::size_t{data[0]} << 8 | data[1]) % (layout_count + all_count);
    const Layout_class& c =
        selector < layout_count ? layout_classes[selector] : all_classes[selector - layout_count];
    const auto& framing = framings[data[2] % (sizeof(framings) / sizeof(framings[0]))];
    const std::uint32_t reserve = framing[0];
    const std::uint32_t header_offset = framing[1];

    // Identifier: the class's own, its neighbours (a get partner is one of
    // them as a rule), or any from the catalogue.
    std::uint32_t identifier = c.identifier;
    switch (data[3] % 4) {
    case 1:
        identifier = c.identifier + 1;
        break;
    case 2:
        identifier = c.identifier - 1;
        break;
    case 3:
        identifier = all_classes[data[3] % all_count].identifier;
        break;
    default:
        break;
    }

    // Framing bytes, header, payload, trailer: the trailer is what the
    // reserve leaves after the header offset and the TAC1 header.
    const std::size_t payload = size - 6;
    const std::size_t trailer = reserve > header_offset + 6 ? reserve - header_offset - 6 : 0;
    std::vector<std::uint8_t> frame(header_offset + 6 + payload + trailer, 0xA5);
    std::uint8_t* header = frame.data() + header_offset;
    header[0] = static_cast<std::uint8_t>(identifier >> 24);
    header[1] = static_cast<std::uint8_t>(identifier >> 16);
    header[2] = static_cast<std::uint8_t>(identifier >> 8);
    header[3] = static_cast<std::uint8_t>(identifier);
    header[4] = data[5];
    header[5] = data[4];
    if (payload > 0) {
        std::memcpy(header + 6, data + 6, payload);
    }
    const Tac_pdu_buffer received(frame.data(), static_cast<std::uint32_t>(frame.size()));
    c.decode(received, reserve, header_offset);
    // The same bytes cut anywhere inside the header must not trouble it.
    const Tac_pdu_buffer torn(frame.data(),
                              static_cast<std::uint32_t>(header_offset + data[5] % 6));
    c.decode(torn, reserve, header_offset);
    return 0;
}
