#ifndef MODEM_PEER_H
#define MODEM_PEER_H

// Test support for the modem interface: a far end built from the same
// protocol stack (one SIPC handler and one TAC1 message handler playing the
// modem), a recorder of the interface's log lines, and readers for the frames
// the interface writes.

#include "log_recorder.h"
#include "qmodem_interface.h"
#include "sipc_protocol_handler.h"
#include "tac1_message_handler.h"
#include "tac1_messages.h"

#include <QByteArray>
#include <QList>
#include <QLoggingCategory>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>

namespace test {

constexpr quint32 console_address = 0xC0A8000D;
constexpr quint16 console_port = 880;
constexpr quint32 modem_address = 0xC0A80000;
constexpr quint16 modem_port = 58001;
constexpr std::uint32_t reserve = 22;
constexpr std::uint32_t header_offset = 20;

// The interface with its stack reachable, so tests can stop the framing
// layer or advance the transaction counter.
class Test_modem : public vq_qt::QModem_interface
{
public:
    explicit Test_modem(quint32 destination = modem_address)
        : vq_qt::QModem_interface(nullptr, destination)
    {}
    using vq_qt::QModem_interface::sipc_protocol_handler;
    using vq_qt::QModem_interface::tac1_message_handler;
};

// The modem's end of the link. Frames the console sends are recorded (and,
// with `listening`, fed to the peer's own stack); frames the peer sends
// queue up in `outgoing` until the test delivers them.
class Modem_peer
{
public:
    explicit Modem_peer(vq_qt::QModem_interface& console)
        : _console(console), sipc(modem_port), handler(modem_address, modem_port)
    {
        sipc.set_receive_callback(
            1, make_member_callback(&handler, &vq::Tac1_message_handler::receive));
        handler.set_lower_protocol_send_callback(
            reserve, header_offset, make_member_callback(&sipc, &vq::Sipc_protocol_handler::send));
        sipc.set_lower_send_callback(make_member_callback(this, &Modem_peer::write));
        sipc.start();
        QObject::connect(
            &console, &vq_qt::QModem_interface::send_sipc_data, [this](const QByteArray& frame) {
                frames.append(frame);
                if (listening) {
                    sipc.receive_bytes(frame.constData(), static_cast<std::size_t>(frame.size()));
                }
            });
    }

    // Sends a TAC1 PDU (built with reserve 22 and header offset 20) to the
    // console; the frame waits in `outgoing`.
    bool send(const vq::Tac_pdu_buffer& pdu)
    {
        return handler.send(console_address, console_port, pdu);
    }

    // Hands everything queued to the console, in chunks of `chunk` bytes
    // (all at once when 0).
    void deliver(int chunk = 0)
    {
        const QByteArray bytes = outgoing;
        outgoing.clear();
        if (chunk <= 0) {
            _console._receive_sipc_data(bytes);
            return;
        }
        for (int i = 0; i < bytes.size(); i += chunk) {
            _console._receive_sipc_data(bytes.mid(i, chunk));
        }
    }

    // A raw reply: TAC1 header (identifier, transaction, type byte) and the
    // payload bytes, sent through the peer's stack and delivered.
    void reply(std::uint32_t identifier, std::uint8_t transaction, std::uint8_t type,
               const QByteArray& payload = QByteArray(), int chunk = 0)
    {
        vq::Tac_pdu_buffer pdu(reserve + 6 + static_cast<std::uint32_t>(payload.size()));
        std::uint32_t position = header_offset;
        pdu.put_u32_at(position, identifier);
        pdu.put_u8(transaction);
        pdu.put_u8(type);
        pdu.put_bytes(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                      static_cast<std::uint32_t>(payload.size()));
        send(pdu);
        deliver(chunk);
    }

    void nack(std::uint32_t identifier, std::uint8_t transaction, std::uint32_t reason)
    {
        vq::Tac1_nack pdu(reason, identifier, transaction, reserve, header_offset);
        send(pdu.buffer());
        deliver();
    }

    QList<QByteArray> frames;
    QByteArray outgoing;
    bool listening = false;

private:
    void write(vq::Tac_callback_object* object)
    {
        outgoing.append(reinterpret_cast<const char*>(object->pdu.data()),
                        static_cast<int>(object->pdu.size()));
    }

    vq_qt::QModem_interface& _console;

public:
    vq::Sipc_protocol_handler sipc;
    vq::Tac1_message_handler handler;
};

// What a frame written by the console carries.
struct Sent_frame
{
    quint32 destination_address = 0;
    quint16 destination_port = 0;
    quint32 source_address = 0;
    quint16 source_port = 0;
    int channel = -1;
    quint32 identifier = 0;
    int transaction = -1;
    int type = -1;
    QByteArray payload;
};

inline quint32 big_endian(const QByteArray& bytes, int offset, int width)
{
    quint32 value = 0;
    for (int i = 0; i < width && offset + i < bytes.size(); ++i) {
        value = (value << 8) | static_cast<quint8>(bytes.at(offset + i));
    }
    return value;
}

inline Sent_frame parse_frame(const QByteArray& frame)
{
    Sent_frame sent;
    if (frame.size() < 28) {
        return sent;
    }
    sent.destination_address = big_endian(frame, 3, 4);
    sent.destination_port = static_cast<quint16>(big_endian(frame, 7, 2));
    sent.source_address = big_endian(frame, 9, 4);
    sent.source_port = static_cast<quint16>(big_endian(frame, 13, 2));
    sent.channel = static_cast<quint8>(frame.at(15));
    sent.identifier = big_endian(frame, 20, 4);
    sent.transaction = static_cast<quint8>(frame.at(24));
    sent.type = static_cast<quint8>(frame.at(25));
    sent.payload = frame.mid(26, frame.size() - 28);
    return sent;
}

// Records the interface's log lines while it lives; the last one made
// answers the static queries.
class Interface_log : public ::Log_recorder
{
public:
    Interface_log()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("qmdm_if*.debug=true"));
        outer = current();
        current() = this;
    }
    ~Interface_log() { current() = outer; }

    static QList<Entry> lines() { return current() ? current()->entries : QList<Entry>(); }
    static void clear()
    {
        if (current()) {
            current()->entries.clear();
        }
    }

    // The texts of the lines of one category and type.
    static QStringList texts(const QString& category, QtMsgType type)
    {
        QStringList result;
        for (const Entry& line : lines()) {
            if (line.category == category && line.type == type) {
                result << line.message;
            }
        }
        return result;
    }
    static QStringList warnings() { return texts(QStringLiteral("qmdm_if"), QtWarningMsg); }

private:
    static Interface_log*& current()
    {
        static Interface_log* recorder = nullptr;
        return recorder;
    }
    Interface_log* outer = nullptr;
};

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline QByteArray zeros(int count)
{
    return QByteArray(count, '\0');
}

// TAC1 message types as reply type bytes; any byte above 4 reads as INVALID.
namespace reply_types {
enum Reply_type : int
{
    ack = 0,
    nack = 1,
    request = 2,
    response = 3,
    indication = 4,
    invalid = 9, // any type byte above 4 reads as INVALID
};
} // namespace reply_types

// The NACK warning as the interface logs it.
inline QString nacked(const QString& label, const QString& reason)
{
    return "\"#### ERROR #### " + label + " NACKED\\n                Reason: " + reason + "\"";
}

// One spy per signal of the interface (the clones that default arguments
// create are skipped: they fire with their original).
class Signal_recorder
{
public:
    explicit Signal_recorder(QObject* object)
    {
        const QMetaObject* meta = object->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Signal ||
                (method.attributes() & QMetaMethod::Cloned) || method.name() == "send_sipc_data") {
                continue;
            }
            _spies[QString::fromLatin1(method.name())] =
                std::make_unique<QSignalSpy>(object, method);
        }
    }

    QStringList fired() const
    {
        QStringList names;
        for (const auto& [name, spy] : _spies) {
            for (int i = 0; i < spy->count(); ++i) {
                names << name;
            }
        }
        return names;
    }

    QSignalSpy& spy(const QString& name) { return *_spies.at(name); }
    int size() const { return static_cast<int>(_spies.size()); }

private:
    std::map<QString, std::unique_ptr<QSignalSpy>> _spies;
};

} // namespace test

#endif // MODEM_PEER_H
