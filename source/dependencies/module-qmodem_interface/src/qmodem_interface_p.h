#ifndef QMODEM_INTERFACE_P_H
#define QMODEM_INTERFACE_P_H

// Internals of QModem_interface shared by its source files: the reply table
// row, the templates that build and send one request, and the byte-field
// helpers of the operations and reply decoders.

#include "qmodem_interface.h"
#include "tac1_message_handler.h"
#include "tac1_messages.h"
#include "tac1_pdu.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <vector>

namespace vq_qt {

// How a reply callback turns the reply's type into signals.
enum class Reply_style
{
    a,      // ACK -> ack signal, NACK -> nack signal
    a_plus, // as a, both signals carry the reply's transaction number
    b,      // RESPONSE -> decoded response signal, NACK -> nack signal
    b_plus, // check passed -> decoded response signal, else nack signal
    c,      // always the response signal, msg_ok = check result, failure values on failure
    t,      // always the response signal, msg_ok = true, failure values on failure
    d,      // check passed and RESPONSE -> response signal
    i,      // check passed and INDICATION -> decoded signal
    s,      // check passed and REQUEST -> decoded signal
    x,      // check only
};

// One row of the reply table: the identifiers it is registered under, the
// label of its log lines, its style and its two outcomes.
struct Reply_row
{
    using Positive =
        std::function<std::int32_t(QModem_interface&, const vq::Tac_pdu_buffer&, bool strict)>;
    using Negative = std::function<void(QModem_interface&, const vq::Tac_pdu_buffer&)>;

    std::vector<std::uint32_t> identifiers;
    const char* label = "";
    Reply_style style = Reply_style::x;
    // Emits the ack signal (a, a_plus) or decodes the reply and emits the
    // response signal. With `strict` a reply that does not decode emits
    // nothing. Returns the decode error (0 when the signal was emitted).
    Positive positive;
    // Emits the nack signal (a, a_plus, b, b_plus) or the failure values (c, t).
    Negative negative;
};

// The rows in registration order (a later row for the same identifier
// replaces an earlier one).
const std::vector<Reply_row>& reply_table();

// Friend of QModem_interface: the request side shared by the operation files.
struct Modem_interface_access
{
    static uchar next_transaction(QModem_interface& modem)
    {
        return modem._tac1_message_handler->next_transaction();
    }

    // Builds one request of class Msg from the fields (then transaction,
    // reserve and header offset; set classes with a get partner are built in
    // their REQUEST form) and sends it to address:port.
    template <typename Msg, typename... Fields>
    static bool send(QModem_interface& modem, const char* label, quint32 address, quint16 port,
                     uchar transaction, Fields... fields)
    {
        constexpr std::uint32_t reserve = QModem_interface::protocol_reserve;
        constexpr std::uint32_t offset = QModem_interface::protocol_header_offset;
        if constexpr (std::is_constructible_v<Msg, Fields..., std::uint8_t, std::uint32_t,
                                              std::uint32_t>) {
            Msg message(fields..., transaction, reserve, offset);
            return modem._send_pdu(message, address, port, label);
        } else {
            Msg message(fields..., transaction, reserve, offset, vq::Tac_message_types::REQUEST);
            return modem._send_pdu(message, address, port, label);
        }
    }

    // The common case: a fresh transaction number, the modem's address and
    // port 58001.
    template <typename Msg, typename... Fields>
    static bool request(QModem_interface& modem, const char* label, Fields... fields)
    {
        return send<Msg>(modem, label, modem._destination_address,
                         QModem_interface::modem_port_number, next_transaction(modem), fields...);
    }
};

// The bytes of a QByteArray as the message constructors take them.
inline const char* bytes_of(const QByteArray& bytes)
{
    return bytes.constData();
}

// `bytes` brought to exactly `size` bytes: cut, or padded with `fill` at the
// end (or at the front when `pad_front`).
QByteArray fit_bytes(const QByteArray& bytes, int size, char fill, bool pad_front = false);

// Text of a byte field, cut at the first zero byte, read as UTF-8.
QString utf8_field(const std::uint8_t* bytes, std::uint32_t count);

} // namespace vq_qt

#endif // QMODEM_INTERFACE_P_H
