#include "sim_fields.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace vq_sim {

std::string to_hex(const Bytes& bytes, std::size_t limit)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const std::size_t n = bytes.size() < limit ? bytes.size() : limit;
    out.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i) {
        if (i != 0) {
            out += ' ';
        }
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    if (n < bytes.size()) {
        out += " ...";
    }
    return out;
}

namespace {

int fixed_width(const Field& f)
{
    switch (f.kind) {
    case Field_kind::u8:
    case Field_kind::i8:
        return 1;
    case Field_kind::u16:
    case Field_kind::i16:
        return 2;
    case Field_kind::u32:
    case Field_kind::i32:
        return 4;
    case Field_kind::chars:
    case Field_kind::hex:
        return f.width;
    case Field_kind::counted:
        return 1;
    }
    return 0;
}

std::int64_t read_int(const Field& f, const Bytes& b, std::size_t at)
{
    switch (f.kind) {
    case Field_kind::u8:
        return b[at];
    case Field_kind::i8:
        return static_cast<std::int8_t>(b[at]);
    case Field_kind::u16:
        return get_u16(b, at);
    case Field_kind::i16:
        return static_cast<std::int16_t>(get_u16(b, at));
    case Field_kind::u32:
        return get_u32(b, at);
    case Field_kind::i32:
        return static_cast<std::int32_t>(get_u32(b, at));
    default:
        return 0;
    }
}

} // namespace

int size_check(const Layout& layout, const Bytes& payload)
{
    std::size_t at = 0;
    for (const Field& f : layout) {
        const std::size_t w = static_cast<std::size_t>(fixed_width(f));
        if (at + w > payload.size()) {
            return -1;
        }
        if (f.kind == Field_kind::counted) {
            at += 1 + payload[at];
        } else {
            at += w;
        }
    }
    if (at > payload.size()) {
        return -1;
    }
    return at == payload.size() ? 0 : 1;
}

std::optional<std::vector<Field_value>> decode(const Layout& layout, const Bytes& payload)
{
    if (size_check(layout, payload) != 0) {
        return std::nullopt;
    }
    std::vector<Field_value> out;
    std::size_t at = 0;
    for (const Field& f : layout) {
        switch (f.kind) {
        case Field_kind::chars:
            out.push_back({f.name, get_text(payload, at, static_cast<std::size_t>(f.width))});
            at += static_cast<std::size_t>(f.width);
            break;
        case Field_kind::hex: {
            Bytes part(payload.begin() + static_cast<long>(at),
                       payload.begin() + static_cast<long>(at) + f.width);
            std::string text = to_hex(part, part.size());
            std::string compact;
            for (char c : text) {
                if (c != ' ') {
                    compact += c;
                }
            }
            out.push_back({f.name, compact});
            at += static_cast<std::size_t>(f.width);
            break;
        }
        case Field_kind::counted: {
            const std::size_t n = payload[at];
            out.push_back({f.name, get_text(payload, at + 1, n)});
            at += 1 + n;
            break;
        }
        default:
            out.push_back({f.name, read_int(f, payload, at)});
            at += static_cast<std::size_t>(fixed_width(f));
            break;
        }
    }
    return out;
}

Bytes encode(const Layout& layout, const std::vector<Value>& values)
{
    Bytes b;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const Field& f = layout[i];
        const Value v = i < values.size() ? values[i] : Value{};
        const std::int64_t n =
            std::holds_alternative<std::int64_t>(v) ? std::get<std::int64_t>(v) : 0;
        const std::string s =
            std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "";
        switch (f.kind) {
        case Field_kind::u8:
        case Field_kind::i8:
            put_u8(b, static_cast<std::uint8_t>(n));
            break;
        case Field_kind::u16:
        case Field_kind::i16:
            put_u16(b, static_cast<std::uint16_t>(n));
            break;
        case Field_kind::u32:
        case Field_kind::i32:
            put_u32(b, static_cast<std::uint32_t>(n));
            break;
        case Field_kind::chars:
            put_text(b, s, static_cast<std::size_t>(f.width));
            break;
        case Field_kind::hex: {
            for (int k = 0; k < f.width; ++k) {
                const std::size_t at = static_cast<std::size_t>(k) * 2;
                std::uint8_t byte = 0;
                if (at + 2 <= s.size()) {
                    byte = static_cast<std::uint8_t>(
                        std::strtoul(s.substr(at, 2).c_str(), nullptr, 16));
                }
                put_u8(b, byte);
            }
            break;
        }
        case Field_kind::counted:
            put_counted(b, s);
            break;
        }
    }
    return b;
}

std::optional<Value> parse_value(const Field& field, const std::string& text)
{
    switch (field.kind) {
    case Field_kind::chars:
    case Field_kind::counted:
        return Value{text};
    case Field_kind::hex: {
        for (char c : text) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                return std::nullopt;
            }
        }
        return Value{text};
    }
    default: {
        if (text.empty()) {
            return std::nullopt;
        }
        char* end = nullptr;
        const long long v = std::strtoll(text.c_str(), &end, 0);
        if (end == nullptr || *end != '\0') {
            return std::nullopt;
        }
        return Value{static_cast<std::int64_t>(v)};
    }
    }
}

std::string value_text(const Value& value)
{
    if (std::holds_alternative<std::int64_t>(value)) {
        return std::to_string(std::get<std::int64_t>(value));
    }
    return std::get<std::string>(value);
}

void put_u8(Bytes& b, std::uint8_t v)
{
    b.push_back(v);
}

void put_u16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

void put_u32(Bytes& b, std::uint32_t v)
{
    put_u16(b, static_cast<std::uint16_t>(v >> 16));
    put_u16(b, static_cast<std::uint16_t>(v));
}

void put_text(Bytes& b, const std::string& text, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i) {
        b.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
}

void put_counted(Bytes& b, const std::string& text)
{
    const std::size_t n = text.size() > 255 ? 255 : text.size();
    b.push_back(static_cast<std::uint8_t>(n));
    b.insert(b.end(), text.begin(), text.begin() + static_cast<long>(n));
}

std::uint16_t get_u16(const Bytes& b, std::size_t at)
{
    if (at + 2 > b.size()) {
        return 0;
    }
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

std::uint32_t get_u32(const Bytes& b, std::size_t at)
{
    if (at + 4 > b.size()) {
        return 0;
    }
    return (static_cast<std::uint32_t>(get_u16(b, at)) << 16) | get_u16(b, at + 2);
}

std::string get_text(const Bytes& b, std::size_t at, std::size_t width)
{
    std::string out;
    for (std::size_t i = 0; i < width && at + i < b.size(); ++i) {
        if (b[at + i] == 0) {
            break;
        }
        out += static_cast<char>(b[at + i]);
    }
    return out;
}

} // namespace vq_sim
