// The modem interface core: the owned protocol stack, the transmit and
// receive paths, the common reply check and the reply dispatcher.

#include "qmodem_interface.h"

#include "qmodem_interface_p.h"
#include "sipc_protocol_handler.h"
#include "tac1_message_handler.h"

#include <QMetaType>

Q_LOGGING_CATEGORY(qmdm_if, "qmdm_if")
Q_LOGGING_CATEGORY(qmdm_if_rx, "qmdm_if_rx")
Q_LOGGING_CATEGORY(qmdm_if_tx, "qmdm_if_tx")

namespace vq_qt {

namespace {

// Bytes shown in a log line; a longer frame shows its first bytes and the
// count of the rest, so that what the line brings cannot stretch the log.
constexpr int dump_limit = 512;

QByteArray hex_dump(const QByteArray& bytes)
{
    if (bytes.size() <= dump_limit) {
        return bytes.toHex();
    }
    return bytes.left(dump_limit).toHex() + "... (" +
           QByteArray::number(bytes.size() - dump_limit) + " more bytes)";
}

} // namespace

// The callback registered with the message handler for each identifier of a
// reply row: it runs that row over the received PDU.
class Reply_callback_body : public Base_callback_body<vq::Tac_callback_object*>
{
public:
    Reply_callback_body(QModem_interface* modem, const Reply_row* row) : _modem(modem), _row(row) {}

    void invoke(vq::Tac_callback_object* callback_object) override
    {
        _modem->_dispatch_reply(*_row, callback_object->pdu);
    }

private:
    QModem_interface* _modem;
    const Reply_row* _row;
};

QModem_interface::QModem_interface(QObject* parent, quint32 destination_address)
    : QObject(parent), _destination_address(destination_address)
{
    // The one signal argument type Qt does not know by its name.
    qRegisterMetaType<schar>("schar");

    _sipc_protocol_handler = new vq::Sipc_protocol_handler(_local_port);
    _tac1_message_handler = new vq::Tac1_message_handler(_local_address, _local_port);

    // Bind the layers: frames on channel 1 go up to the message handler, the
    // message handler's PDUs go down to the framing handler, and finished
    // frames come out here.
    _sipc_protocol_handler->set_receive_callback(
        tac1_channel,
        make_member_callback(_tac1_message_handler, &vq::Tac1_message_handler::receive));
    _tac1_message_handler->set_lower_protocol_send_callback(
        protocol_reserve, protocol_header_offset,
        make_member_callback(_sipc_protocol_handler, &vq::Sipc_protocol_handler::send));
    _sipc_protocol_handler->set_lower_send_callback(
        make_member_callback(this, &QModem_interface::_write_sipc_data_to_port));
    _sipc_protocol_handler->start();

    _register_replies();
}

QModem_interface::~QModem_interface()
{
    delete _tac1_message_handler;
    delete _sipc_protocol_handler;
}

void QModem_interface::_register_replies()
{
    for (const Reply_row& row : reply_table()) {
        for (std::uint32_t identifier : row.identifiers) {
            _tac1_message_handler->register_handler(
                identifier,
                Callback<vq::Tac_callback_object*>(new Reply_callback_body(this, &row)));
        }
    }
}

void QModem_interface::_receive_sipc_data(QByteArray read_bytes)
{
    _sipc_protocol_handler->receive_bytes(read_bytes.constData(),
                                          static_cast<std::size_t>(read_bytes.size()));
    qCDebug(qmdm_if_rx) << read_bytes.size()
                        << "bytes Rx'ed from modem (send to SIPC Protocol handler)";
    qCDebug(qmdm_if_rx) << "Data:" << hex_dump(read_bytes);
}

void QModem_interface::_write_sipc_data_to_port(vq::Tac_callback_object* callback_object)
{
    vq::Tac_pdu_buffer& frame = callback_object->pdu;
    const QByteArray bytes(reinterpret_cast<const char*>(frame.data()),
                           static_cast<int>(frame.size()));
    emit send_sipc_data(bytes);
    qCDebug(qmdm_if) << bytes.size() << "bytes Tx'ed to modem";
    qCDebug(qmdm_if_tx) << "Data:" << hex_dump(bytes);
}

bool QModem_interface::_send_pdu(vq::Tac1_pdu& message, quint32 address, quint16 port,
                                 const char* label)
{
    // A message that could not be built completely is never put on the line.
    const bool sent = message.ok() && _tac1_message_handler->send(address, port, message.buffer());
    if (!sent) {
        qCWarning(qmdm_if, "#### ERROR #### %s failed", label);
    }
    return sent;
}

bool QModem_interface::_tac1_response_ok(QString name, vq::Tac_message_types type,
                                         vq::Tac_pdu_buffer& buffer)
{
    switch (type) {
    case vq::Tac_message_types::ACK:
    case vq::Tac_message_types::REQUEST:
    case vq::Tac_message_types::RESPONSE:
    case vq::Tac_message_types::INDICATION:
        return true;
    case vq::Tac_message_types::NACK: {
        const vq::Tac1_nack nack(buffer, protocol_reserve, protocol_header_offset);
        const QString text = QString("#### ERROR #### %1 NACKED\n").arg(name) +
                             "                Reason: " + QString::fromLatin1(nack.reason_text());
        qCWarning(qmdm_if) << text.toLatin1();
        return false;
    }
    case vq::Tac_message_types::INVALID:
        break;
    }
    qCWarning(qmdm_if).noquote() << QString("#### ERROR #### Unhandled response from %1").arg(name);
    return false;
}

void QModem_interface::_dispatch_reply(const Reply_row& row, vq::Tac_pdu_buffer& buffer)
{
    using Type = vq::Tac_message_types;
    const Type type = vq::Tac1_pdu::type_of(buffer, protocol_header_offset);
    const bool ok = _tac1_response_ok(QString::fromLatin1(row.label), type, buffer);
    // Replies of these types carry the message's layout; one that does not
    // decode is reported and treated as a failed reply. ACKs carry none.
    const bool strict = type == Type::RESPONSE || type == Type::INDICATION || type == Type::REQUEST;

    // Decodes and emits; false (after a warning) when the reply is malformed.
    auto positive = [&]() {
        const std::int32_t error = row.positive(*this, buffer, strict);
        if (error != vq::TAC1_PDU_ERR_NONE) {
            qCWarning(qmdm_if, "#### ERROR #### Malformed response from %s: %s", row.label,
                      vq::name_of(error));
            return false;
        }
        return true;
    };
    auto negative = [&]() {
        if (row.negative) {
            row.negative(*this, buffer);
        }
    };

    switch (row.style) {
    case Reply_style::a:
    case Reply_style::a_plus:
        if (type == Type::ACK) {
            row.positive(*this, buffer, false);
        } else if (type == Type::NACK) {
            negative();
        }
        break;
    case Reply_style::b:
        if (type == Type::RESPONSE) {
            positive();
        } else if (type == Type::NACK) {
            negative();
        }
        break;
    case Reply_style::b_plus:
    case Reply_style::c:
    case Reply_style::t:
        if (!ok || !positive()) {
            negative();
        }
        break;
    case Reply_style::d:
        if (ok && type == Type::RESPONSE) {
            positive();
        }
        break;
    case Reply_style::i:
        if (ok && type == Type::INDICATION) {
            positive();
        }
        break;
    case Reply_style::s:
        if (ok && type == Type::REQUEST) {
            positive();
        }
        break;
    case Reply_style::x:
        break;
    }
}

QByteArray fit_bytes(const QByteArray& bytes, int size, char fill, bool pad_front)
{
    if (bytes.size() >= size) {
        return bytes.left(size);
    }
    const QByteArray padding(size - bytes.size(), fill);
    return pad_front ? padding + bytes : bytes + padding;
}

QString utf8_field(const std::uint8_t* bytes, std::uint32_t count)
{
    std::uint32_t length = 0;
    while (length < count && bytes[length] != 0) {
        ++length;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes), static_cast<int>(length));
}

} // namespace vq_qt
