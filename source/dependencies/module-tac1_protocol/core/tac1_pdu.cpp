// TAC1 header access, build and decode of the PDU base, ACK and NACK.
#include "tac1_pdu.h"

#include <algorithm>
#include <cstring>

namespace vq {
namespace {

constexpr std::uint32_t identifier_at = 0;
constexpr std::uint32_t transaction_at = 4;
constexpr std::uint32_t type_at = 5;

Tac_message_types type_from_byte(std::uint8_t byte)
{
    return byte < static_cast<std::uint8_t>(Tac_message_types::INVALID)
               ? static_cast<Tac_message_types>(byte)
               : Tac_message_types::INVALID;
}

// Header fields are read without touching the buffer's positions, so that a
// shared buffer reads the same whoever looks at it first.
std::uint32_t raw_identifier(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    std::uint32_t value = 0;
    return buffer.peek_u32(header_offset + identifier_at, value) ? value : 0;
}

std::uint8_t raw_byte(const Tac_pdu_buffer& buffer, std::uint32_t index, bool& readable)
{
    std::uint8_t value = 0;
    readable = buffer.peek_u8(index, value);
    return value;
}

} // namespace

// --- Tac1_pdu ---------------------------------------------------------------

Tac1_pdu::Tac1_pdu(std::uint32_t identifier, std::uint8_t transaction, Tac_message_types type,
                   std::uint32_t reserve, std::uint32_t payload_length, std::uint32_t header_offset)
    : _buffer(new Tac_pdu_buffer(reserve + TAC1_HEADER_SIZE + payload_length)), _reserve(reserve),
      _payload_length(payload_length), _header_offset(header_offset)
{
    std::uint32_t position = header_offset;
    const bool written = _buffer->put_u32_at(position, identifier) &&
                         _buffer->put_u8(transaction) &&
                         _buffer->put_u8(static_cast<std::uint8_t>(type));
    if (!written) {
        _error = TAC1_PDU_BUFFER_GENERAL_WRITE_ERROR;
    }
}

Tac1_pdu::Tac1_pdu(const Tac_pdu_buffer& received, std::uint32_t reserve,
                   std::uint32_t header_offset, bool share)
    : _reserve(reserve), _header_offset(header_offset)
{
    if (share) {
        _buffer = new Tac_pdu_buffer(received);
    } else {
        _buffer = new Tac_pdu_buffer(reserve + received.size());
        std::uint32_t position = header_offset;
        if (received.size() > 0 && !_buffer->append_buffer_at(position, received, false)) {
            _error = TAC1_PDU_BUFFER_GENERAL_WRITE_ERROR;
        }
    }
    // A buffer too short for the header has no payload (rather than a length
    // that wrapped around).
    const std::uint32_t overhead = reserve + TAC1_HEADER_SIZE;
    _payload_length = _buffer->size() > overhead ? _buffer->size() - overhead : 0;
}

Tac1_pdu::Tac1_pdu(const Tac1_pdu& other)
    : _error(other._error), _buffer(new Tac_pdu_buffer(*other._buffer)), _reserve(other._reserve),
      _payload_length(other._payload_length), _header_offset(other._header_offset)
{}

Tac1_pdu& Tac1_pdu::operator=(const Tac1_pdu& other)
{
    if (this != &other) {
        *_buffer = *other._buffer;
        _error = other._error;
        _reserve = other._reserve;
        _payload_length = other._payload_length;
        _header_offset = other._header_offset;
    }
    return *this;
}

Tac1_pdu::~Tac1_pdu()
{
    delete _buffer;
}

std::uint32_t Tac1_pdu::identifier() const
{
    return raw_identifier(*_buffer, _header_offset);
}

std::uint8_t Tac1_pdu::transaction() const
{
    bool readable = false;
    return raw_byte(*_buffer, _header_offset + transaction_at, readable);
}

Tac_message_types Tac1_pdu::type() const
{
    return type_of(*_buffer, _header_offset);
}

bool Tac1_pdu::set_identifier(std::uint32_t identifier)
{
    std::uint32_t position = _header_offset + identifier_at;
    return _buffer->put_u32_at(position, identifier);
}

bool Tac1_pdu::set_type(Tac_message_types type)
{
    std::uint32_t position = _header_offset + type_at;
    return _buffer->put_u8_at(position, static_cast<std::uint8_t>(type));
}

std::uint32_t Tac1_pdu::nack_reason(Tac_message_types expected) const
{
    return type() == expected ? nack_reason_of(_error) : TAC1_NACK_UNDEFINED_MSG_TYPE;
}

std::uint32_t Tac1_pdu::identifier_of(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    const std::uint32_t identifier = raw_identifier(buffer, header_offset);
    return identifier <= TAC1_MAX_IDENTIFIER ? identifier : 0;
}

Tac_message_types Tac1_pdu::type_of(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    bool readable = false;
    const std::uint8_t byte = raw_byte(buffer, header_offset + type_at, readable);
    return readable ? type_from_byte(byte) : Tac_message_types::INVALID;
}

std::uint8_t Tac1_pdu::transaction_of(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    bool readable = false;
    return raw_byte(buffer, header_offset + transaction_at, readable);
}

bool Tac1_pdu::is_ack(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    return type_of(buffer, header_offset) == Tac_message_types::ACK;
}

bool Tac1_pdu::is_nack(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    return type_of(buffer, header_offset) == Tac_message_types::NACK;
}

bool Tac1_pdu::is_request(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    return type_of(buffer, header_offset) == Tac_message_types::REQUEST;
}

bool Tac1_pdu::is_response(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    return type_of(buffer, header_offset) == Tac_message_types::RESPONSE;
}

bool Tac1_pdu::is_indication(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    return type_of(buffer, header_offset) == Tac_message_types::INDICATION;
}

bool Tac1_pdu::is_invalid(const Tac_pdu_buffer& buffer, std::uint32_t header_offset)
{
    return type_of(buffer, header_offset) == Tac_message_types::INVALID;
}

// --- payload access -----------------------------------------------------------

std::uint8_t Tac1_pdu::payload_u8(std::uint32_t offset) const
{
    std::uint8_t value = 0;
    return offset < _buffer->size() && _buffer->peek_u8(payload_offset() + offset, value) ? value
                                                                                          : 0;
}

std::int8_t Tac1_pdu::payload_i8(std::uint32_t offset) const
{
    std::int8_t value = 0;
    return offset < _buffer->size() && _buffer->peek_i8(payload_offset() + offset, value) ? value
                                                                                          : 0;
}

std::uint16_t Tac1_pdu::payload_u16(std::uint32_t offset) const
{
    std::uint16_t value = 0;
    return offset < _buffer->size() && _buffer->peek_u16(payload_offset() + offset, value) ? value
                                                                                           : 0;
}

std::int16_t Tac1_pdu::payload_i16(std::uint32_t offset) const
{
    std::int16_t value = 0;
    return offset < _buffer->size() && _buffer->peek_i16(payload_offset() + offset, value) ? value
                                                                                           : 0;
}

std::uint32_t Tac1_pdu::payload_u32(std::uint32_t offset) const
{
    std::uint32_t value = 0;
    return offset < _buffer->size() && _buffer->peek_u32(payload_offset() + offset, value) ? value
                                                                                           : 0;
}

std::int32_t Tac1_pdu::payload_i32(std::uint32_t offset) const
{
    std::int32_t value = 0;
    return offset < _buffer->size() && _buffer->peek_i32(payload_offset() + offset, value) ? value
                                                                                           : 0;
}

std::uint32_t Tac1_pdu::payload_bytes(std::uint32_t offset, std::uint32_t count, std::uint8_t* out,
                                      std::uint32_t maximum) const
{
    const std::uint64_t first = std::uint64_t{payload_offset()} + offset;
    const std::uint8_t* data = _buffer->data();
    if (out == nullptr || data == nullptr || first >= _buffer->size()) {
        return 0;
    }
    const std::uint64_t available = _buffer->size() - first;
    const auto copied =
        static_cast<std::uint32_t>(std::min<std::uint64_t>({count, maximum, available}));
    if (copied > 0) {
        std::memcpy(out, data + first, copied);
    }
    return copied;
}

// --- building -----------------------------------------------------------------

void Tac1_pdu::note_error(std::int32_t error)
{
    if (_error == TAC1_PDU_ERR_NONE) {
        _error = error;
    }
}

#define VQ_TAC1_PUT(name, type)                                                                    \
    bool Tac1_pdu::name(type value)                                                                \
    {                                                                                              \
        if (_buffer->name(value)) {                                                                \
            return true;                                                                           \
        }                                                                                          \
        note_error(TAC1_PDU_BUFFER_GENERAL_WRITE_ERROR);                                           \
        return false;                                                                              \
    }
VQ_TAC1_PUT(put_u8, std::uint8_t)
VQ_TAC1_PUT(put_i8, std::int8_t)
VQ_TAC1_PUT(put_u16, std::uint16_t)
VQ_TAC1_PUT(put_i16, std::int16_t)
VQ_TAC1_PUT(put_u32, std::uint32_t)
VQ_TAC1_PUT(put_i32, std::int32_t)
#undef VQ_TAC1_PUT

bool Tac1_pdu::put_bytes(const std::uint8_t* bytes, std::uint32_t count)
{
    if (count == 0) {
        return true;
    }
    if (bytes != nullptr && _buffer->put_bytes(bytes, count)) {
        return true;
    }
    note_error(TAC1_PDU_BUFFER_GENERAL_WRITE_ERROR);
    return false;
}

// --- decode checks ------------------------------------------------------------

bool Tac1_pdu::check_size(std::uint32_t expected_payload)
{
    if (_error != TAC1_PDU_ERR_NONE) {
        return false;
    }
    const std::uint64_t expected =
        std::uint64_t{_reserve} + TAC1_HEADER_SIZE + std::uint64_t{expected_payload};
    if (_buffer->size() < expected) {
        _error = TAC1_PDU_BUFFER_BELOW_EXPECTED_SIZE;
    } else if (_buffer->size() > expected) {
        _error = TAC1_PDU_BUFFER_EXCEEDS_EXPECTED_SIZE;
    }
    return _error == TAC1_PDU_ERR_NONE;
}

bool Tac1_pdu::check_indication(std::uint32_t own_identifier)
{
    if (_error != TAC1_PDU_ERR_NONE) {
        return false;
    }
    if (identifier() != own_identifier) {
        _error = TAC1_PDU_UNEXPECTED_MESSAGE_ID;
    } else if (type() != Tac_message_types::INDICATION) {
        _error = TAC1_PDU_UNEXPECTED_MESSAGE_TYPE;
    }
    return _error == TAC1_PDU_ERR_NONE;
}

bool Tac1_pdu::check_get(std::uint32_t own_identifier)
{
    if (_error != TAC1_PDU_ERR_NONE) {
        return false;
    }
    if (identifier() != own_identifier) {
        _error = TAC1_PDU_UNEXPECTED_MESSAGE_ID;
    } else if (type() != Tac_message_types::REQUEST) {
        _error = TAC1_PDU_UNEXPECTED_MESSAGE_TYPE;
    }
    return _error == TAC1_PDU_ERR_NONE;
}

bool Tac1_pdu::check_set(std::uint32_t own_identifier)
{
    if (_error != TAC1_PDU_ERR_NONE) {
        return false;
    }
    const Tac_message_types kind = type();
    if (identifier() == own_identifier) {
        if (kind != Tac_message_types::REQUEST && kind != Tac_message_types::INDICATION) {
            _error = TAC1_PDU_UNEXPECTED_MESSAGE_TYPE;
        }
    } else if (kind != Tac_message_types::RESPONSE) {
        _error = TAC1_PDU_UNEXPECTED_MESSAGE_ID;
    }
    return _error == TAC1_PDU_ERR_NONE;
}

// --- Tac1_ack -------------------------------------------------------------------

Tac1_ack::Tac1_ack(std::uint32_t identifier, std::uint8_t transaction, std::uint32_t reserve,
                   std::uint32_t header_offset)
    : Tac1_pdu(identifier, transaction, Tac_message_types::ACK, reserve, 0, header_offset)
{}

Tac1_ack::Tac1_ack(const Tac_pdu_buffer& received, std::uint32_t reserve,
                   std::uint32_t header_offset)
    : Tac1_pdu(received, reserve, header_offset)
{
    if (check_size(0) && type() != Tac_message_types::ACK) {
        set_error(TAC1_PDU_UNEXPECTED_MESSAGE_TYPE);
    }
}

Tac1_ack::~Tac1_ack() = default;

// --- Tac1_nack ------------------------------------------------------------------

Tac1_nack::Tac1_nack(std::uint32_t reason, std::uint32_t identifier, std::uint8_t transaction,
                     std::uint32_t reserve, std::uint32_t header_offset, std::uint32_t first_detail,
                     std::uint32_t second_detail, std::uint8_t detail_byte)
    : Tac1_pdu(identifier, transaction, Tac_message_types::NACK, reserve, PAYLOAD_SIZE,
               header_offset)
{
    put_u32(reason);
    put_u32(first_detail);
    put_u32(second_detail);
    put_u8(detail_byte);
}

Tac1_nack::Tac1_nack(const Tac_pdu_buffer& received, std::uint32_t reserve,
                     std::uint32_t header_offset)
    : Tac1_pdu(received, reserve, header_offset)
{
    if (check_size(PAYLOAD_SIZE) && type() != Tac_message_types::NACK) {
        set_error(TAC1_PDU_UNEXPECTED_MESSAGE_TYPE);
    }
}

Tac1_nack::~Tac1_nack() = default;

std::uint32_t Tac1_nack::reason() const
{
    std::uint32_t value = 0;
    return buffer().peek_u32(payload_offset(), value) ? value : TAC1_NACK_GENERAL;
}

std::uint32_t Tac1_nack::first_detail() const
{
    return payload_u32(4);
}

std::uint32_t Tac1_nack::second_detail() const
{
    return payload_u32(8);
}

std::uint8_t Tac1_nack::detail_byte() const
{
    return payload_u8(12);
}

} // namespace vq
