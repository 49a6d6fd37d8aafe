// Shared helpers of the TAC1 tests: frames around TAC1 bytes, a lower layer
// that records what the message handler sends, and expected reply bytes.
#pragma once

#include "tac1_message_handler.h"

#include <QByteArray>
#include <vector>

namespace tac1_test {

constexpr std::uint32_t reserve = 22;
constexpr std::uint32_t header = 20;

inline QByteArray bytes_of(const vq::Tac_pdu_buffer& buffer)
{
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), int(buffer.size()));
}

// The TAC1 part of a buffer with framing room around it.
inline QByteArray tac1_of(const vq::Tac_pdu_buffer& buffer)
{
    return bytes_of(buffer).mid(int(header), int(buffer.size()) - int(reserve));
}

// TAC1 bytes with 20 framing bytes before and 2 after, as the framing layer
// delivers them.
inline vq::Tac_pdu_buffer frame_of(const QByteArray& tac1)
{
    QByteArray frame(int(header), '\x5A');
    frame += tac1;
    frame += QByteArray(2, '\x5A');
    return vq::Tac_pdu_buffer(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                              std::uint32_t(frame.size()));
}

inline QByteArray be32(std::uint32_t value)
{
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += char((value >> shift) & 0xFF);
    }
    return out;
}

inline QByteArray tac1_header(std::uint32_t identifier, std::uint8_t transaction, std::uint8_t type)
{
    return be32(identifier) + char(transaction) + char(type);
}

inline QByteArray ack_bytes(std::uint32_t identifier, std::uint8_t transaction)
{
    return tac1_header(identifier, transaction, 0);
}

inline QByteArray nack_bytes(std::uint32_t identifier, std::uint8_t transaction,
                             std::uint32_t reason)
{
    return tac1_header(identifier, transaction, 1) + be32(reason) + be32(0) + be32(0) + char(1);
}

// One PDU handed to the lower layer.
struct Sent
{
    std::int32_t channel;
    std::uint32_t destination_address;
    std::uint16_t destination_port;
    std::uint32_t source_address;
    std::uint16_t source_port;
    QByteArray tac1;
};

// Stands in for the framing layer: records every record and leaves the
// configured status in it.
class Lower_layer
{
public:
    void take(vq::Tac_lower_protocol_send_callback_object* record)
    {
        sent.push_back(Sent{record->channel, record->destination_address, record->destination_port,
                            record->source_address, record->source_port, tac1_of(record->pdu)});
        record->status = status;
    }

    void attach(vq::Tac1_message_handler& handler)
    {
        handler.set_lower_protocol_send_callback(reserve, header,
                                                 make_member_callback(this, &Lower_layer::take));
    }

    std::vector<Sent> sent;
    std::int32_t status = vq::tac_status_delivered;
};

// Hands a received TAC1 PDU from (address, port) to the handler.
inline void deliver(vq::Tac1_message_handler& handler, const QByteArray& tac1,
                    std::uint32_t address, std::uint16_t port)
{
    vq::Tac_callback_object object;
    object.address = address;
    object.port = port;
    object.pdu = frame_of(tac1);
    handler.receive(&object);
}

} // namespace tac1_test
