// TAC1 header, message types, PDU error codes, and the generic ACK and NACK
// replies. Every TAC1 message class derives from Tac1_pdu.
//
// A PDU lives in a Tac_pdu_buffer that already has room for the link framing:
// `reserve` bytes in total (header and trailer) with the TAC1 header at
// `header_offset`. The 6-byte TAC1 header is
//   +0 u32 identifier (group << 16 | number)
//   +4 u8  transaction
//   +5 u8  message type
// followed by the payload. All integers are big-endian.
#pragma once

#include "tac_pdu_buffer.h"

#include <cstdint>
#include <type_traits>

namespace vq {

// The message type byte. Readers report INVALID for 5 and above, and for a
// type byte that cannot be read.
enum class Tac_message_types : std::uint8_t
{
    ACK = 0,
    NACK = 1,
    REQUEST = 2,
    RESPONSE = 3,
    INDICATION = 4,
    INVALID = 5,
};

// Highest identifier in use; readers treat anything above as no identifier.
constexpr std::uint32_t TAC1_MAX_IDENTIFIER = 0x0320001C;
constexpr std::uint32_t TAC1_HEADER_SIZE = 6;

constexpr std::uint16_t tac1_group_of(std::uint32_t identifier)
{
    return static_cast<std::uint16_t>(identifier >> 16);
}
constexpr std::uint32_t tac1_identifier(std::uint16_t group, std::uint16_t number)
{
    return (std::uint32_t{group} << 16) | number;
}

// PDU error codes (the `error` field of every Tac1_pdu).
enum Tac1_pdu_error : std::int32_t
{
    TAC1_PDU_ERR_NONE = 0,
    TAC1_PDU_BUFFER_GENERAL_WRITE_ERROR = 1,
    TAC1_PDU_BUFFER_EXCEEDS_EXPECTED_SIZE = 2,
    TAC1_PDU_BUFFER_BELOW_EXPECTED_SIZE = 3,
    TAC1_PDU_UNEXPECTED_MESSAGE_TYPE = 4,
    TAC1_PDU_UNEXPECTED_MESSAGE_ID = 5,
};

// Display name of a PDU error code; "UNKNOWN" for any other value.
const char* name_of(std::int32_t pdu_error);

// NACK reason codes.
enum Tac1_nack_reason : std::uint32_t
{
    TAC1_NACK_NONE = 0,
    TAC1_NACK_GENERAL = 1, // what an unmapped PDU error turns into
    TAC1_NACK_VALID_OTHER_MSG_TYPE_FOR_MSG_ID = 2,
    TAC1_NACK_MSG_NOT_IMPLEMENTED = 32,
    TAC1_NACK_MSG_BELOW_EXPECTED_SIZE = 33,
    TAC1_NACK_MSG_EXCEEDS_EXPECTED_SIZE = 34,
    TAC1_NACK_UNDEFINED_MSG_ID = 35,
    TAC1_NACK_UNDEFINED_MSG_TYPE = 36,
    TAC1_NACK_COMMAND_NOT_EXECUTED = 37,
    TAC1_NACK_PARAMETER_BASE = 128, // 128 + n: the n-th payload parameter (n = 1..20)
};

constexpr std::uint32_t tac1_nack_parameter(std::uint32_t n)
{
    return TAC1_NACK_PARAMETER_BASE + n;
}

// Display text of a NACK reason: "NONE", "MSG NOT IMPLEMENTED", ...,
// "PARAMETER 1" to "PARAMETER 20"; "UNKNOWN" for every other code.
const char* nack_reason_text(std::uint32_t reason);

// NACK reason for a PDU error: 0 -> 0, 2 -> 34, 3 -> 33, 4 -> 36, 5 -> 35,
// anything else -> 1.
std::uint32_t nack_reason_of(std::int32_t pdu_error);

class Tac1_pdu
{
public:
    // Build: allocates reserve + 6 + payload_length bytes and writes the
    // header at header_offset. The write position is left at the payload
    // offset, so a class constructor puts its payload fields sequentially.
    Tac1_pdu(std::uint32_t identifier, std::uint8_t transaction, Tac_message_types type,
             std::uint32_t reserve, std::uint32_t payload_length, std::uint32_t header_offset);

    // Decode: with `share` the PDU shares the received bytes (the received
    // buffer holds the whole frame); without it the received bytes are a bare
    // TAC1 PDU and are copied into a new buffer at header_offset.
    Tac1_pdu(const Tac_pdu_buffer& received, std::uint32_t reserve, std::uint32_t header_offset,
             bool share = true);

    Tac1_pdu(const Tac1_pdu& other);
    Tac1_pdu& operator=(const Tac1_pdu& other);
    virtual ~Tac1_pdu();

    std::int32_t error() const { return _error; }
    bool ok() const { return _error == TAC1_PDU_ERR_NONE; }

    Tac_pdu_buffer& buffer() { return *_buffer; }
    const Tac_pdu_buffer& buffer() const { return *_buffer; }

    std::uint32_t reserve() const { return _reserve; }
    std::uint32_t payload_length() const { return _payload_length; }
    std::uint32_t header_offset() const { return _header_offset; }
    std::uint32_t payload_offset() const { return _header_offset + TAC1_HEADER_SIZE; }

    // Header fields as found in the buffer; 0 (identifier, transaction) or
    // INVALID (type) when the buffer is too short to hold them. The type reads
    // as INVALID for 5 and above.
    std::uint32_t identifier() const;
    std::uint8_t transaction() const;
    Tac_message_types type() const;
    bool set_identifier(std::uint32_t identifier);
    bool set_type(Tac_message_types type);

    // The NACK reason that answers this PDU when it was expected to carry
    // `expected`: the mapped error when the type matches, else 36.
    std::uint32_t nack_reason(Tac_message_types expected) const;

    // Header readers on a bare buffer, used before the class is known.
    // identifier_of: 0 when unreadable or above TAC1_MAX_IDENTIFIER.
    // type_of: INVALID when unreadable or 5 and above.
    // transaction_of: 0 when unreadable.
    static std::uint32_t identifier_of(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static Tac_message_types type_of(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static std::uint8_t transaction_of(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static bool is_ack(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static bool is_nack(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static bool is_request(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static bool is_response(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static bool is_indication(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);
    static bool is_invalid(const Tac_pdu_buffer& buffer, std::uint32_t header_offset);

    // Payload readers at a fixed offset from the payload start; 0 when the
    // field does not lie inside the buffer.
    std::uint8_t payload_u8(std::uint32_t offset) const;
    std::int8_t payload_i8(std::uint32_t offset) const;
    std::uint16_t payload_u16(std::uint32_t offset) const;
    std::int16_t payload_i16(std::uint32_t offset) const;
    std::uint32_t payload_u32(std::uint32_t offset) const;
    std::int32_t payload_i32(std::uint32_t offset) const;
    // Copies up to min(count, maximum) payload bytes starting at `offset` into
    // `out`, never past the end of the buffer; returns the number copied.
    std::uint32_t payload_bytes(std::uint32_t offset, std::uint32_t count, std::uint8_t* out,
                                std::uint32_t maximum) const;

    // The members below are the tools of the message classes' build and
    // decode constructors.

    // Sequential payload writers for build constructors; a failed put sets
    // error 1 (and later puts still run, so the error stays 1).
    bool put_u8(std::uint8_t value);
    bool put_i8(std::int8_t value);
    bool put_u16(std::uint16_t value);
    bool put_i16(std::int16_t value);
    bool put_u32(std::uint32_t value);
    bool put_i32(std::int32_t value);
    bool put_bytes(const std::uint8_t* bytes, std::uint32_t count);

    // Decode checks, in the order every decode constructor applies them.
    // Each records the first problem in `error` and returns false when one
    // is found (or was found earlier).
    //  check_size: buffer size against reserve + 6 + expected_payload.
    //  check_indication: own identifier (else 5), type INDICATION (else 4).
    //  check_get: own identifier (else 5), type REQUEST (else 4).
    //  check_set: own identifier with REQUEST or INDICATION (else 4); any
    //             other identifier with RESPONSE (else 5).
    bool check_size(std::uint32_t expected_payload);
    bool check_indication(std::uint32_t own_identifier);
    bool check_get(std::uint32_t own_identifier);
    bool check_set(std::uint32_t own_identifier);

    void set_error(std::int32_t error) { _error = error; }
    // Records `error` unless an earlier one is already recorded.
    void note_error(std::int32_t error);

private:
    std::int32_t _error = TAC1_PDU_ERR_NONE;
    Tac_pdu_buffer* _buffer = nullptr;
    std::uint32_t _reserve = 0;
    std::uint32_t _payload_length = 0;
    std::uint32_t _header_offset = 0;
};

// Positive reply: type ACK, no payload, any identifier.
class Tac1_ack : public Tac1_pdu
{
public:
    Tac1_ack(std::uint32_t identifier, std::uint8_t transaction, std::uint32_t reserve,
             std::uint32_t header_offset);
    Tac1_ack(const Tac_pdu_buffer& received, std::uint32_t reserve, std::uint32_t header_offset);
    Tac1_ack(const Tac1_ack&) = default;
    Tac1_ack& operator=(const Tac1_ack&) = default;
    ~Tac1_ack() override;
};

// Negative reply: type NACK, any identifier, 13-byte payload
//   +0 u32 reason, +4 u32 first detail, +8 u32 second detail, +12 u8 detail byte.
class Tac1_nack : public Tac1_pdu
{
public:
    static constexpr std::uint32_t PAYLOAD_SIZE = 13;

    Tac1_nack(std::uint32_t reason, std::uint32_t identifier, std::uint8_t transaction,
              std::uint32_t reserve, std::uint32_t header_offset, std::uint32_t first_detail = 0,
              std::uint32_t second_detail = 0, std::uint8_t detail_byte = 1);
    Tac1_nack(const Tac_pdu_buffer& received, std::uint32_t reserve, std::uint32_t header_offset);
    Tac1_nack(const Tac1_nack&) = default;
    Tac1_nack& operator=(const Tac1_nack&) = default;
    ~Tac1_nack() override;

    std::uint32_t reason() const; // 1 when unreadable
    std::uint32_t first_detail() const;
    std::uint32_t second_detail() const;
    std::uint8_t detail_byte() const;
    const char* reason_text() const { return nack_reason_text(reason()); }
};

} // namespace vq
