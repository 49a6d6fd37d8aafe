// The indication registration service (identifiers 0x012C0001 to 0x012C0009),
// served by the message handler itself. The requester is always the frame's
// source; address and port fields inside the payloads are not used for that.
// Every ACK, NACK and RESPONSE goes back to the requester with the request's
// identifier (a RESPONSE: the get identifier) and transaction.
#include "tac1_message_handler.h"
#include "tac1_messages.h"

namespace vq {
namespace {

using Handler = Tac1_message_handler;

// What each step of the service answers with a NACK.
constexpr std::uint32_t nack_bad_list_action = tac1_nack_parameter(1);       // 129
constexpr std::uint32_t nack_bad_identifier = tac1_nack_parameter(3);        // 131
constexpr std::uint32_t nack_bad_group_action = tac1_nack_parameter(4);      // 132
constexpr std::uint32_t nack_bad_identifier_action = tac1_nack_parameter(5); // 133

// Replies are never answered: a step passes ACK and NACK on to the handler
// map. Get steps pass RESPONSE on as well (the answer to our own get).
bool is_reply(Tac_message_types type)
{
    return type == Tac_message_types::ACK || type == Tac_message_types::NACK;
}

bool declines_set(const Tac_callback_object& object, const Handler& handler)
{
    return is_reply(Tac1_pdu::type_of(object.pdu, handler.header_offset()));
}

bool declines_get(const Tac_callback_object& object, const Handler& handler)
{
    const Tac_message_types type = Tac1_pdu::type_of(object.pdu, handler.header_offset());
    return is_reply(type) || type == Tac_message_types::RESPONSE;
}

bool nack(Handler& handler, const Tac_callback_object& object, const Tac1_pdu& request,
          std::uint32_t reason)
{
    handler.send_nack(object.address, object.port, request.identifier(), request.transaction(),
                      reason);
    return true;
}

bool ack(Handler& handler, const Tac_callback_object& object, const Tac1_pdu& request)
{
    handler.send_ack(object.address, object.port, request.identifier(), request.transaction());
    return true;
}

// The table a list step works on.
struct List_table
{
    bool (Handler::*add)(std::uint32_t, std::uint16_t);
    bool (Handler::*remove)(std::uint32_t, std::uint16_t);
    bool (Handler::*listed)(std::uint32_t, std::uint16_t) const;
};

constexpr List_table set_table{&Handler::add_set_indication_listener,
                               &Handler::remove_set_indication_listener,
                               &Handler::is_set_indication_listener};
constexpr List_table event_table{&Handler::add_event_indication_listener,
                                 &Handler::remove_event_indication_listener,
                                 &Handler::is_event_indication_listener};

// The identifier field of an individual registration (after the u32 address
// and u16 port), read once the request has decoded.
std::uint32_t identifier_field(const Tac1_pdu& request)
{
    constexpr std::uint32_t identifier_offset = 6;
    return request.payload_u32(identifier_offset);
}

std::uint8_t action_of(bool listed)
{
    return listed ? Handler::ACTION_REGISTER : Handler::ACTION_UNREGISTER;
}

// 0x012C0001 and 0x012C0003: action 1 adds the requester, 2 removes it.
template <class Set_message>
bool serve_list_set(Handler& handler, const Tac_callback_object& object, const List_table& table)
{
    if (declines_set(object, handler)) {
        return false;
    }
    const Set_message request(object.pdu, handler.reserve(), handler.header_offset());
    if (!request.ok()) {
        return nack(handler, object, request, nack_reason_of(request.error()));
    }
    switch (request.action()) {
    case Handler::ACTION_REGISTER:
        (handler.*table.add)(object.address, object.port);
        break;
    case Handler::ACTION_UNREGISTER:
        (handler.*table.remove)(object.address, object.port);
        break;
    default:
        return nack(handler, object, request, nack_bad_list_action);
    }
    return ack(handler, object, request);
}

// 0x012C0002 and 0x012C0004: whether the requester is listed.
template <class Get_message, class Set_message>
bool serve_list_get(Handler& handler, const Tac_callback_object& object, const List_table& table)
{
    if (declines_get(object, handler)) {
        return false;
    }
    const Get_message request(object.pdu, handler.reserve(), handler.header_offset());
    if (!request.ok()) {
        return nack(handler, object, request, nack_reason_of(request.error()));
    }
    const bool listed = (handler.*table.listed)(object.address, object.port);
    const Set_message response(action_of(listed), request.transaction(), handler.reserve(),
                               handler.header_offset(), Tac_message_types::RESPONSE);
    handler.send(object.address, object.port, response.buffer());
    return true;
}

bool serve_individual_set(Handler& handler, const Tac_callback_object& object)
{
    if (declines_set(object, handler)) {
        return false;
    }
    const Tac1_msg_register_for_individual_indication_set request(object.pdu, handler.reserve(),
                                                                  handler.header_offset());
    if (!request.ok()) {
        return nack(handler, object, request, nack_reason_of(request.error()));
    }
    const std::uint32_t identifier = identifier_field(request);
    if (identifier > TAC1_MAX_IDENTIFIER) {
        return nack(handler, object, request, nack_bad_identifier);
    }
    switch (request.action()) {
    case Handler::ACTION_REGISTER:
        handler.add_identifier_listener(identifier, object.address, object.port);
        break;
    case Handler::ACTION_UNREGISTER:
        handler.remove_identifier_listener(identifier, object.address, object.port);
        break;
    default:
        return nack(handler, object, request, nack_bad_identifier_action);
    }
    return ack(handler, object, request);
}

bool serve_individual_get(Handler& handler, const Tac_callback_object& object)
{
    if (declines_get(object, handler)) {
        return false;
    }
    const Tac1_msg_register_for_individual_indication_get request(object.pdu, handler.reserve(),
                                                                  handler.header_offset());
    if (!request.ok()) {
        return nack(handler, object, request, nack_reason_of(request.error()));
    }
    const std::uint32_t identifier = identifier_field(request);
    if (identifier > TAC1_MAX_IDENTIFIER) {
        return nack(handler, object, request, nack_bad_identifier);
    }
    const bool listed = handler.is_identifier_listener(identifier, object.address, object.port);
    const Tac1_msg_register_for_individual_indication_set response(
        0, 0, identifier, action_of(listed), request.transaction(), handler.reserve(),
        handler.header_offset(), Tac_message_types::RESPONSE);
    handler.send(object.address, object.port, response.buffer());
    return true;
}

bool serve_group_set(Handler& handler, const Tac_callback_object& object)
{
    if (declines_set(object, handler)) {
        return false;
    }
    const Tac1_msg_register_for_indication_per_group_set request(object.pdu, handler.reserve(),
                                                                 handler.header_offset());
    if (!request.ok()) {
        return nack(handler, object, request, nack_reason_of(request.error()));
    }
    switch (request.action()) {
    case Handler::ACTION_REGISTER:
        handler.add_group_listener(request.group(), object.address, object.port);
        break;
    case Handler::ACTION_UNREGISTER:
        handler.remove_group_listener(request.group(), object.address, object.port);
        break;
    default:
        return nack(handler, object, request, nack_bad_group_action);
    }
    return ack(handler, object, request);
}

bool serve_group_get(Handler& handler, const Tac_callback_object& object)
{
    if (declines_get(object, handler)) {
        return false;
    }
    const Tac1_msg_register_for_indication_per_group_get request(object.pdu, handler.reserve(),
                                                                 handler.header_offset());
    if (!request.ok()) {
        return nack(handler, object, request, nack_reason_of(request.error()));
    }
    const std::uint16_t group = request.group();
    const bool listed = handler.is_group_listener(group, object.address, object.port);
    const Tac1_msg_register_for_indication_per_group_set response(
        0, 0, group, action_of(listed), request.transaction(), handler.reserve(),
        handler.header_offset(), Tac_message_types::RESPONSE);
    handler.send(object.address, object.port, response.buffer());
    return true;
}

// 0x012C0009: a valid indication takes the requester out of every table and
// draws no reply; anything else goes on to the handler map.
bool serve_unregister_all(Handler& handler, const Tac_callback_object& object)
{
    const Tac1_msg_unregister_for_all_indications_indication message(object.pdu, handler.reserve(),
                                                                     handler.header_offset());
    if (!message.ok()) {
        return false;
    }
    handler.remove_listener_from_all_tables(object.address, object.port);
    return true;
}

} // namespace

bool Tac1_message_handler::serve_registration(std::uint32_t identifier,
                                              const Tac_callback_object& object)
{
    switch (identifier) {
    case 0x012C0001:
        return serve_list_set<Tac1_msg_register_for_set_indications_set>(*this, object, set_table);
    case 0x012C0002:
        return serve_list_get<Tac1_msg_register_for_set_indications_get,
                              Tac1_msg_register_for_set_indications_set>(*this, object, set_table);
    case 0x012C0003:
        return serve_list_set<Tac1_msg_register_for_event_indications_set>(*this, object,
                                                                           event_table);
    case 0x012C0004:
        return serve_list_get<Tac1_msg_register_for_event_indications_get,
                              Tac1_msg_register_for_event_indications_set>(*this, object,
                                                                           event_table);
    case 0x012C0005:
        return serve_individual_set(*this, object);
    case 0x012C0006:
        return serve_individual_get(*this, object);
    case 0x012C0007:
        return serve_group_set(*this, object);
    case 0x012C0008:
        return serve_group_get(*this, object);
    case 0x012C0009:
        return serve_unregister_all(*this, object);
    default:
        return false;
    }
}

} // namespace vq
