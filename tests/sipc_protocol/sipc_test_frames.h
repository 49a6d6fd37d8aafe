// Frames built for the tests by an encoder of their own (it shares no code
// with the handler), and a recorder of delivered frames.

#ifndef SIPC_TEST_FRAMES_H
#define SIPC_TEST_FRAMES_H

#include "sipc_protocol_handler.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <cstdint>

namespace sipc_test {

// CRC-16, polynomial 0x1021, preset 0x1D0F, bit by bit; 0 for no bytes.
inline quint16 crc(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        return 0;
    }
    quint16 value = 0x1D0F;
    for (const char c : bytes) {
        value ^= quint16(quint8(c) << 8);
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 0x8000) ? quint16((value << 1) ^ 0x1021) : quint16(value << 1);
        }
    }
    return value;
}

inline void put16(QByteArray& out, quint32 value)
{
    out.append(char(value >> 8)).append(char(value));
}

inline void put32(QByteArray& out, quint32 value)
{
    put16(out, value >> 16);
    put16(out, value & 0xFFFF);
}

struct Frame
{
    QByteArray payload;
    quint8 channel = 1;
    quint8 type = 0x10;
    quint32 destination_address = 0x0A000001;
    quint16 destination_port = 0x1F90;
    quint32 source_address = 0xC0A80007;
    quint16 source_port = 0x2711;
    int length = -1;             // the length field, when not the payload's size
    quint16 header_crc_xor = 0;  // flips bits of the header CRC
    quint16 payload_crc_xor = 0; // flips bits of the payload CRC

    QByteArray bytes() const
    {
        QByteArray out;
        out.append(char(0xC6)).append(char(0x7D)).append(char(type));
        put32(out, destination_address);
        put16(out, destination_port);
        put32(out, source_address);
        put16(out, source_port);
        out.append(char(channel));
        put16(out, length >= 0 ? quint32(length) : quint32(payload.size()));
        put16(out, crc(out) ^ header_crc_xor);
        out.append(payload);
        put16(out, crc(payload) ^ payload_crc_xor);
        return out;
    }
};

inline QByteArray frame_bytes(const QByteArray& payload, quint8 channel = 1)
{
    Frame frame;
    frame.payload = payload;
    frame.channel = channel;
    return frame.bytes();
}

inline QByteArray random_bytes(int count, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray out(count, '\0');
    for (auto& c : out) {
        c = char(generator.bounded(256));
    }
    return out;
}

struct Delivery
{
    QByteArray bytes;
    quint32 address = 0;
    quint16 port = 0;
    int channel = -1;
    std::int32_t status = -1;
};

// Collects what the handler delivers on each channel.
class Recorder
{
public:
    void on_channel_0(vq::Tac_callback_object* record) { take(0, record); }
    void on_channel_1(vq::Tac_callback_object* record) { take(1, record); }

    void attach(vq::Sipc_protocol_handler& handler, bool channel_0 = false)
    {
        handler.set_receive_callback(1, make_member_callback(this, &Recorder::on_channel_1));
        if (channel_0) {
            handler.set_receive_callback(0, make_member_callback(this, &Recorder::on_channel_0));
        }
    }

    QList<QByteArray> frames() const
    {
        QList<QByteArray> out;
        for (const auto& delivery : deliveries) {
            out << delivery.bytes;
        }
        return out;
    }

    QList<Delivery> deliveries;

private:
    void take(int channel, vq::Tac_callback_object* record)
    {
        Delivery delivery;
        delivery.bytes =
            QByteArray(reinterpret_cast<const char*>(record->pdu.data()), int(record->pdu.size()));
        delivery.address = record->address;
        delivery.port = record->port;
        delivery.channel = channel;
        delivery.status = record->status;
        deliveries << delivery;
    }
};

inline void feed(vq::Sipc_protocol_handler& handler, const QByteArray& bytes)
{
    handler.receive_bytes(bytes.constData(), std::size_t(bytes.size()));
}

// The wire bytes as a row name, shortened when long.
inline QByteArray wire_name(const QByteArray& bytes)
{
    const QByteArray hex = bytes.toHex().toUpper();
    return hex.size() <= 48 ? hex : hex.left(40) + "..(" + QByteArray::number(bytes.size()) + ")";
}

} // namespace sipc_test

#endif // SIPC_TEST_FRAMES_H
