// Display names of PDU errors and NACK reasons, and the mapping between them.
#include "tac1_pdu.h"

#include <iterator>

namespace vq {
namespace {

struct Code_name
{
    std::uint32_t code;
    const char* name;
};

constexpr const char* unknown = "UNKNOWN";

constexpr Code_name pdu_error_names[] = {
    {TAC1_PDU_ERR_NONE, "TAC1 PDU ERR NONE"},
    {TAC1_PDU_BUFFER_GENERAL_WRITE_ERROR, "TAC1 PDU BUFFER GENERAL WRITE ERROR"},
    {TAC1_PDU_BUFFER_EXCEEDS_EXPECTED_SIZE, "TAC1 PDU BUFFER EXCEEDS EXPECTED SIZE"},
    {TAC1_PDU_BUFFER_BELOW_EXPECTED_SIZE, "TAC1 PDU BUFFER BELOW EXPECTED SIZE"},
    {TAC1_PDU_UNEXPECTED_MESSAGE_TYPE, "TAC1 PDU UNEXPECTED MESSAGE TYPE"},
    {TAC1_PDU_UNEXPECTED_MESSAGE_ID, "TAC1 PDU UNEXPECTED MESSAGE ID"},
};

constexpr Code_name nack_reason_names[] = {
    {TAC1_NACK_NONE, "NONE"},
    {TAC1_NACK_VALID_OTHER_MSG_TYPE_FOR_MSG_ID, "VALID OTHER MSG TYPE FOR MSG ID"},
    {TAC1_NACK_MSG_NOT_IMPLEMENTED, "MSG NOT IMPLEMENTED"},
    {TAC1_NACK_MSG_BELOW_EXPECTED_SIZE, "MSG BELOW EXPECTED SIZE"},
    {TAC1_NACK_MSG_EXCEEDS_EXPECTED_SIZE, "MSG EXCEEDS EXPECTED SIZE"},
    {TAC1_NACK_UNDEFINED_MSG_ID, "UNDEFINED MSG ID"},
    {TAC1_NACK_UNDEFINED_MSG_TYPE, "UNDEFINED MSG TYPE"},
    {TAC1_NACK_COMMAND_NOT_EXECUTED, "COMMAND NOT EXECUTED"},
    {TAC1_NACK_PARAMETER_BASE, "PARAMETER BASE"},
};

// "PARAMETER n" for reason 128 + n.
constexpr const char* parameter_names[] = {
    "PARAMETER 1",  "PARAMETER 2",  "PARAMETER 3",  "PARAMETER 4",  "PARAMETER 5",
    "PARAMETER 6",  "PARAMETER 7",  "PARAMETER 8",  "PARAMETER 9",  "PARAMETER 10",
    "PARAMETER 11", "PARAMETER 12", "PARAMETER 13", "PARAMETER 14", "PARAMETER 15",
    "PARAMETER 16", "PARAMETER 17", "PARAMETER 18", "PARAMETER 19", "PARAMETER 20",
};

struct Error_reason
{
    std::int32_t error;
    std::uint32_t reason;
};

constexpr Error_reason error_reasons[] = {
    {TAC1_PDU_ERR_NONE, TAC1_NACK_NONE},
    {TAC1_PDU_BUFFER_EXCEEDS_EXPECTED_SIZE, TAC1_NACK_MSG_EXCEEDS_EXPECTED_SIZE},
    {TAC1_PDU_BUFFER_BELOW_EXPECTED_SIZE, TAC1_NACK_MSG_BELOW_EXPECTED_SIZE},
    {TAC1_PDU_UNEXPECTED_MESSAGE_TYPE, TAC1_NACK_UNDEFINED_MSG_TYPE},
    {TAC1_PDU_UNEXPECTED_MESSAGE_ID, TAC1_NACK_UNDEFINED_MSG_ID},
};

template <std::size_t N>
const char* lookup(const Code_name (&table)[N], std::uint32_t code)
{
    for (const Code_name& entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return unknown;
}

} // namespace

const char* name_of(std::int32_t pdu_error)
{
    return pdu_error < 0 ? unknown : lookup(pdu_error_names, static_cast<std::uint32_t>(pdu_error));
}

const char* nack_reason_text(std::uint32_t reason)
{
    if (reason > TAC1_NACK_PARAMETER_BASE &&
        reason <= TAC1_NACK_PARAMETER_BASE + std::size(parameter_names)) {
        return parameter_names[reason - TAC1_NACK_PARAMETER_BASE - 1];
    }
    return lookup(nack_reason_names, reason);
}

std::uint32_t nack_reason_of(std::int32_t pdu_error)
{
    for (const Error_reason& entry : error_reasons) {
        if (entry.error == pdu_error) {
            return entry.reason;
        }
    }
    return TAC1_NACK_GENERAL;
}

} // namespace vq
