#include "tac1_catalogue.h"

#include <cstring>

namespace vq {

namespace {

constexpr bool ascending_within_limit()
{
    for (std::size_t i = 0; i < tac1_catalogue_size; ++i) {
        if (tac1_catalogue[i].identifier > TAC1_MAX_IDENTIFIER) {
            return false;
        }
        if (i > 0 && tac1_catalogue[i - 1].identifier >= tac1_catalogue[i].identifier) {
            return false;
        }
    }
    return true;
}

// The three pairs whose get is not its set's identifier plus one.
constexpr std::uint32_t irregular_pairs[][2] = {
    {0x000A0015, 0x000A0014}, // Tac1_msg_data_path_set
    {0x01F4000F, 0x01F40028}, // Tac1_msg_dte_configuration_set
    {0x01F40010, 0x01F40029}, // Tac1_msg_dte_port_data_rate_set
};

constexpr std::uint32_t expected_partner(std::uint32_t set_identifier)
{
    for (const auto& pair : irregular_pairs) {
        if (pair[0] == set_identifier) {
            return pair[1];
        }
    }
    return set_identifier + 1;
}

constexpr bool entry_partner_ok(const Tac1_catalogue_entry& entry)
{
    switch (entry.kind) {
    case Tac1_kind::command:
    case Tac1_kind::indication:
        return entry.partner == 0;
    case Tac1_kind::set: {
        const std::size_t get = tac1_find_index(entry.partner);
        return entry.partner == expected_partner(entry.identifier) && get < tac1_catalogue_size &&
               tac1_catalogue[get].kind == Tac1_kind::get &&
               tac1_catalogue[get].partner == entry.identifier;
    }
    case Tac1_kind::get: {
        const std::size_t set = tac1_find_index(entry.partner);
        return set < tac1_catalogue_size && tac1_catalogue[set].kind == Tac1_kind::set &&
               tac1_catalogue[set].partner == entry.identifier;
    }
    }
    return false;
}

constexpr bool partners_ok()
{
    for (const auto& entry : tac1_catalogue) {
        if (!entry_partner_ok(entry)) {
            return false;
        }
    }
    return true;
}

static_assert(tac1_catalogue_size == 556, "the catalogue holds 556 classes");
static_assert(tac1_catalogue_count(Tac1_kind::set) == 223, "223 sets with a get partner");
static_assert(tac1_catalogue_count(Tac1_kind::command) == 47, "47 sets without a partner");
static_assert(tac1_catalogue_count(Tac1_kind::get) == 223, "223 gets");
static_assert(tac1_catalogue_count(Tac1_kind::indication) == 63, "63 indications");
static_assert(ascending_within_limit(), "identifiers ascend strictly and stay within the limit");
static_assert(partners_ok(), "every set and get points at its partner");

bool ends_with(const char* text, const char* suffix)
{
    const std::size_t length = std::strlen(text);
    const std::size_t suffix_length = std::strlen(suffix);
    return length >= suffix_length && std::strcmp(text + length - suffix_length, suffix) == 0;
}

const char* suffix_of(Tac1_kind kind)
{
    switch (kind) {
    case Tac1_kind::set:
    case Tac1_kind::command:
        return "_set";
    case Tac1_kind::get:
        return "_get";
    case Tac1_kind::indication:
        return "_indication";
    }
    return "";
}

} // namespace

const char* kind_name(Tac1_kind kind)
{
    switch (kind) {
    case Tac1_kind::set:
        return "set";
    case Tac1_kind::command:
        return "command";
    case Tac1_kind::get:
        return "get";
    case Tac1_kind::indication:
        return "indication";
    }
    return "UNKNOWN";
}

const char* tac1_message_name(std::uint32_t identifier)
{
    const Tac1_catalogue_entry* entry = tac1_find(identifier);
    return entry != nullptr ? entry->name : "UNKNOWN";
}

const Tac1_catalogue_entry* tac1_find_by_name(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    for (const auto& entry : tac1_catalogue) {
        if (std::strcmp(entry.name, name) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

const char* tac1_catalogue_problem()
{
    if (!ascending_within_limit()) {
        return "identifiers not strictly ascending or above the limit";
    }
    if (!partners_ok()) {
        return "a partner identifier does not point back";
    }
    for (std::size_t i = 0; i < tac1_catalogue_size; ++i) {
        const Tac1_catalogue_entry& entry = tac1_catalogue[i];
        if (!ends_with(entry.name, suffix_of(entry.kind))) {
            return entry.name;
        }
        for (std::size_t j = i + 1; j < tac1_catalogue_size; ++j) {
            if (std::strcmp(entry.name, tac1_catalogue[j].name) == 0) {
                return entry.name;
            }
        }
    }
    if (tac1_catalogue_count(Tac1_kind::set) != 223 ||
        tac1_catalogue_count(Tac1_kind::command) != 47 ||
        tac1_catalogue_count(Tac1_kind::get) != 223 ||
        tac1_catalogue_count(Tac1_kind::indication) != 63) {
        return "counts by kind";
    }
    return nullptr;
}

} // namespace vq
