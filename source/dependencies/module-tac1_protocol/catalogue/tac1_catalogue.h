// The TAC1 message catalogue as data: identifier, class name, kind and
// partner of every message, in identifier order, with the lookups that trace
// output and test tools use and the type rules that every message class
// applies when it is built or decoded.
#pragma once

#include "tac1_pdu.h"

#include <cstddef>
#include <cstdint>

namespace vq {

// What a message class is:
//  set         a setting; has a get partner; built as REQUEST, or on request
//              as RESPONSE (partner identifier) or INDICATION
//  command     a set without a partner; always REQUEST
//  get         a query; always REQUEST; answered in its partner's layout
//  indication  an unsolicited report; always INDICATION
enum class Tac1_kind : std::uint8_t
{
    set,
    command,
    get,
    indication,
};

// "set", "command", "get", "indication".
const char* kind_name(Tac1_kind kind);

struct Tac1_catalogue_entry
{
    std::uint32_t identifier;
    const char* name;
    Tac1_kind kind;
    std::uint32_t partner; // the other class of a set/get pair, else 0
};

inline constexpr Tac1_catalogue_entry tac1_catalogue[] = {
#define TAC1_CLASS(name_, identifier_, kind_, partner_)                                            \
    {identifier_, #name_, Tac1_kind::kind_, partner_},
#include "tac1_catalogue.def"
};

inline constexpr std::size_t tac1_catalogue_size =
    sizeof(tac1_catalogue) / sizeof(tac1_catalogue[0]);

constexpr std::size_t tac1_catalogue_count(Tac1_kind kind)
{
    std::size_t count = 0;
    for (const auto& entry : tac1_catalogue) {
        if (entry.kind == kind) {
            ++count;
        }
    }
    return count;
}

// Index of an identifier in the table, or tac1_catalogue_size when no class
// has it (bisection).
constexpr std::size_t tac1_find_index(std::uint32_t identifier)
{
    std::size_t low = 0;
    std::size_t high = tac1_catalogue_size;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (tac1_catalogue[middle].identifier < identifier) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low < tac1_catalogue_size && tac1_catalogue[low].identifier == identifier
               ? low
               : tac1_catalogue_size;
}

// The entry of an identifier, or null when no class has it.
inline const Tac1_catalogue_entry* tac1_find(std::uint32_t identifier)
{
    const std::size_t index = tac1_find_index(identifier);
    return index < tac1_catalogue_size ? &tac1_catalogue[index] : nullptr;
}

// The class name of an identifier (for trace output); "UNKNOWN" when no
// class has it.
const char* tac1_message_name(std::uint32_t identifier);

// The entry with this class name, or null.
const Tac1_catalogue_entry* tac1_find_by_name(const char* name);

// Type rules. A message class is built with tac1_build_identifier and
// tac1_build_type from its own identifier, kind and partner and the form the
// caller asked for (only a set with a partner honours RESPONSE and
// INDICATION; any other form builds a REQUEST).
constexpr std::uint32_t tac1_build_identifier(const Tac1_catalogue_entry& entry,
                                              Tac_message_types form)
{
    return entry.kind == Tac1_kind::set && form == Tac_message_types::RESPONSE ? entry.partner
                                                                               : entry.identifier;
}

constexpr Tac_message_types tac1_build_type(Tac1_kind kind, Tac_message_types form)
{
    if (kind == Tac1_kind::indication) {
        return Tac_message_types::INDICATION;
    }
    if (kind == Tac1_kind::set &&
        (form == Tac_message_types::RESPONSE || form == Tac_message_types::INDICATION)) {
        return form;
    }
    return Tac_message_types::REQUEST;
}

// Whether a received header (identifier, type) suits a class, as the
// decoding checks see it: 0 when it does, else the PDU error (4 or 5).
// A set or command accepts its own identifier with REQUEST or INDICATION and
// any other identifier with RESPONSE; a get its own identifier with
// REQUEST; an indication its own identifier with INDICATION.
constexpr std::int32_t tac1_header_error(const Tac1_catalogue_entry& entry,
                                         std::uint32_t identifier, Tac_message_types type)
{
    switch (entry.kind) {
    case Tac1_kind::indication:
        return identifier != entry.identifier          ? TAC1_PDU_UNEXPECTED_MESSAGE_ID
               : type != Tac_message_types::INDICATION ? TAC1_PDU_UNEXPECTED_MESSAGE_TYPE
                                                       : TAC1_PDU_ERR_NONE;
    case Tac1_kind::get:
        return identifier != entry.identifier       ? TAC1_PDU_UNEXPECTED_MESSAGE_ID
               : type != Tac_message_types::REQUEST ? TAC1_PDU_UNEXPECTED_MESSAGE_TYPE
                                                    : TAC1_PDU_ERR_NONE;
    case Tac1_kind::set:
    case Tac1_kind::command:
        break;
    }
    if (identifier == entry.identifier) {
        return type == Tac_message_types::REQUEST || type == Tac_message_types::INDICATION
                   ? TAC1_PDU_ERR_NONE
                   : TAC1_PDU_UNEXPECTED_MESSAGE_TYPE;
    }
    return type == Tac_message_types::RESPONSE ? TAC1_PDU_ERR_NONE : TAC1_PDU_UNEXPECTED_MESSAGE_ID;
}

// Checks the catalogue's own consistency (identifiers strictly ascending
// and within the identifier limit, names unique and ending in their kind,
// every partner pointing back, gets one above their sets but for the three
// known pairs, the counts by kind). Returns null when all holds, else a
// description of the first problem.
const char* tac1_catalogue_problem();

} // namespace vq
