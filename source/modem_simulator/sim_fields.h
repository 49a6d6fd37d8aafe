// Payload layouts described as data: a list of typed, named fields in wire
// order. Used to decode and encode the settings the modem stores and to show
// them as text (state file, status line).
#pragma once

#include "sim_types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vq_sim {

enum class Field_kind
{
    u8,
    i8,
    u16,
    i16,
    u32,
    i32,
    chars,   // fixed width, text, zero padded
    hex,     // fixed width, shown as hexadecimal digits
    counted, // u8 length then that many bytes of text
};

struct Field
{
    const char* name;
    Field_kind kind;
    int width = 0; // for chars and hex
};

using Value = std::variant<std::int64_t, std::string>;
using Layout = std::vector<Field>;

struct Field_value
{
    std::string name;
    Value value;
};

// -1: payload too short for the layout, 0: exact, +1: too long.
int size_check(const Layout& layout, const Bytes& payload);

// Decodes a payload that passed size_check with 0.
std::optional<std::vector<Field_value>> decode(const Layout& layout, const Bytes& payload);

// Encodes one value per field (missing values become 0 or empty).
Bytes encode(const Layout& layout, const std::vector<Value>& values);

// Parses the text form of one field (decimal, 0x hex, text or hex digits).
std::optional<Value> parse_value(const Field& field, const std::string& text);
std::string value_text(const Value& value);

// Little helpers for building payloads by hand.
void put_u8(Bytes& b, std::uint8_t v);
void put_u16(Bytes& b, std::uint16_t v);
void put_u32(Bytes& b, std::uint32_t v);
void put_text(Bytes& b, const std::string& text, std::size_t width);
void put_counted(Bytes& b, const std::string& text);
std::uint16_t get_u16(const Bytes& b, std::size_t at);
std::uint32_t get_u32(const Bytes& b, std::size_t at);
std::string get_text(const Bytes& b, std::size_t at, std::size_t width);

} // namespace vq_sim
