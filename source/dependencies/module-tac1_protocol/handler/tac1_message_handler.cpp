// Transactions, sending, dispatch of received PDUs and the listener tables.
#include "tac1_message_handler.h"

#include "tac1_messages.h"

#include <algorithm>

namespace vq {
namespace {

constexpr std::uint32_t first_registration_identifier = 0x012C0001;
constexpr std::uint32_t last_registration_identifier = 0x012C0009;

bool contains(const Tac1_peer_list& list, const Tac1_peer& peer)
{
    return std::find(list.begin(), list.end(), peer) != list.end();
}

void add_unique(Tac1_peer_list& list, const Tac1_peer& peer)
{
    if (!contains(list, peer)) {
        list.push_back(peer);
    }
}

bool remove_from(Tac1_peer_list& list, const Tac1_peer& peer)
{
    const auto found = std::find(list.begin(), list.end(), peer);
    if (found == list.end()) {
        return false;
    }
    list.erase(found);
    return true;
}

template <typename Key>
bool add_keyed(std::map<Key, Tac1_peer_list>& table, Key key, const Tac1_peer& peer)
{
    add_unique(table[key], peer);
    return true;
}

template <typename Key>
bool remove_keyed(std::map<Key, Tac1_peer_list>& table, Key key, const Tac1_peer& peer)
{
    const auto entry = table.find(key);
    if (entry == table.end()) {
        return false;
    }
    const bool removed = remove_from(entry->second, peer);
    if (entry->second.empty()) {
        table.erase(entry);
    }
    return removed;
}

template <typename Key>
bool is_keyed(const std::map<Key, Tac1_peer_list>& table, Key key, const Tac1_peer& peer)
{
    const auto entry = table.find(key);
    return entry != table.end() && contains(entry->second, peer);
}

template <typename Key>
bool remove_keyed_from_all(std::map<Key, Tac1_peer_list>& table, const Tac1_peer& peer)
{
    bool removed = false;
    for (auto entry = table.begin(); entry != table.end();) {
        removed = remove_from(entry->second, peer) || removed;
        entry = entry->second.empty() ? table.erase(entry) : std::next(entry);
    }
    return removed;
}

} // namespace

Tac1_message_handler::Tac1_message_handler(std::uint32_t own_address, std::uint16_t own_port)
    : _own_address(own_address), _own_port(own_port)
{}

Tac1_message_handler::~Tac1_message_handler() = default;

std::uint32_t Tac1_message_handler::own_address() const
{
    return _own_address;
}

std::uint16_t Tac1_message_handler::own_port() const
{
    return _own_port;
}

bool Tac1_message_handler::lower_protocol_send_hook(std::uint32_t, std::uint16_t, Tac_pdu_buffer&)
{
    return true;
}

// --- wiring -------------------------------------------------------------------

void Tac1_message_handler::set_lower_protocol_send_callback(
    std::uint32_t reserve, std::uint32_t header_offset,
    const Callback<Tac_lower_protocol_send_callback_object*>& callback)
{
    _reserve = reserve;
    _header_offset = header_offset;
    set_lower_protocol_send_callback(callback);
}

void Tac1_message_handler::set_lower_protocol_send_callback(
    const Callback<Tac_lower_protocol_send_callback_object*>& callback)
{
    _lower_send = callback;
    _lower_send_set = true;
}

void Tac1_message_handler::clear_lower_protocol_send_callback()
{
    _lower_send = Callback<Tac_lower_protocol_send_callback_object*>();
    _lower_send_set = false;
}

bool Tac1_message_handler::register_handler(std::uint32_t identifier,
                                            const Callback<Tac_callback_object*>& callback)
{
    if (callback.is_nil()) {
        return false;
    }
    _handlers.insert_or_assign(identifier, callback);
    return true;
}

bool Tac1_message_handler::unregister_handler(std::uint32_t identifier)
{
    return _handlers.erase(identifier) > 0;
}

bool Tac1_message_handler::has_handler(std::uint32_t identifier) const
{
    return _handlers.count(identifier) > 0;
}

std::uint8_t Tac1_message_handler::next_transaction()
{
    ++_transaction;
    if (_transaction == 0) {
        _transaction = 1;
    }
    return _transaction;
}

// --- receiving ----------------------------------------------------------------

void Tac1_message_handler::receive(Tac_callback_object* object)
{
    if (object == nullptr) {
        return;
    }
    // A frame too short for a TAC1 header carries no message.
    if (object->pdu.size() < std::uint64_t{_reserve} + TAC1_HEADER_SIZE ||
        object->pdu.size() < std::uint64_t{_header_offset} + TAC1_HEADER_SIZE) {
        return;
    }
    const Tac1_pdu header(object->pdu, _reserve, _header_offset);
    const std::uint32_t identifier = header.identifier();

    if (identifier >= first_registration_identifier && identifier <= last_registration_identifier &&
        serve_registration(identifier, *object)) {
        return;
    }

    const auto entry = _handlers.find(identifier);
    if (entry != _handlers.end()) {
        // A copy keeps the body alive should the callback unregister itself.
        const Callback<Tac_callback_object*> callback = entry->second;
        callback(object);
        return;
    }

    if (header.type() == Tac_message_types::REQUEST) {
        send_nack(object->address, object->port, identifier, header.transaction(),
                  identifier <= TAC1_MAX_IDENTIFIER ? TAC1_NACK_MSG_NOT_IMPLEMENTED
                                                    : TAC1_NACK_UNDEFINED_MSG_ID);
    }
}

// --- sending ------------------------------------------------------------------

bool Tac1_message_handler::transmit(std::uint32_t address, std::uint16_t port,
                                    const Tac_pdu_buffer& pdu)
{
    if (_lower_send_set) {
        Tac_lower_protocol_send_callback_object record;
        record.channel = 1;
        record.destination_address = address;
        record.destination_port = port;
        record.source_address = own_address();
        record.source_port = own_port();
        record.pdu = pdu;
        record.status = tac_status_delivered;
        const Callback<Tac_lower_protocol_send_callback_object*> callback = _lower_send;
        callback(&record);
        return record.status == tac_status_delivered;
    }
    Tac_pdu_buffer handle(pdu);
    return lower_protocol_send_hook(address, port, handle);
}

bool Tac1_message_handler::send(std::uint32_t destination_address, std::uint16_t destination_port,
                                const Tac_pdu_buffer& pdu)
{
    // The framing layer needs its reserve around a whole TAC1 header.
    if (pdu.size() < std::uint64_t{_reserve} + TAC1_HEADER_SIZE) {
        return false;
    }
    std::uint32_t identifier = 0;
    if (!pdu.peek_u32(_header_offset, identifier) || identifier > TAC1_MAX_IDENTIFIER) {
        return false;
    }
    return transmit(destination_address, destination_port, pdu);
}

bool Tac1_message_handler::send_ack(std::uint32_t address, std::uint16_t port,
                                    std::uint32_t identifier, std::uint8_t transaction)
{
    const Tac1_ack ack(identifier, transaction, _reserve, _header_offset);
    return ack.ok() && transmit(address, port, ack.buffer());
}

bool Tac1_message_handler::send_nack(std::uint32_t address, std::uint16_t port,
                                     std::uint32_t identifier, std::uint8_t transaction,
                                     std::uint32_t reason)
{
    if (reason == TAC1_NACK_VALID_OTHER_MSG_TYPE_FOR_MSG_ID) {
        return true;
    }
    const Tac1_nack nack(reason, identifier, transaction, _reserve, _header_offset, 0, 0, 1);
    return nack.ok() && transmit(address, port, nack.buffer());
}

bool Tac1_message_handler::reply(std::uint32_t address, std::uint16_t port, Tac1_pdu& request,
                                 std::uint32_t reason, bool broadcast)
{
    if (reason != TAC1_NACK_NONE) {
        return send_nack(address, port, request.identifier(), request.transaction(), reason);
    }
    if (!send_ack(address, port, request.identifier(), request.transaction())) {
        return false;
    }
    if (broadcast) {
        send_indication_to_listeners(request, true, address, port);
    }
    return true;
}

bool Tac1_message_handler::is_originator(const Tac1_peer& peer, std::uint32_t originator_address,
                                         std::uint16_t originator_port) const
{
    return peer.port == originator_port &&
           peer.address == local_form(originator_address, originator_port).address;
}

void Tac1_message_handler::send_to_listeners(const Tac1_peer_list& first, Tac1_pdu& pdu,
                                             bool skip_originator, std::uint32_t originator_address,
                                             std::uint16_t originator_port)
{
    pdu.set_type(Tac_message_types::INDICATION);
    const std::uint32_t identifier = pdu.identifier();
    const Tac_pdu_buffer& source = pdu.buffer();

    // Lists are copied before the walk: a send may come back through the
    // receive entry and change the tables.
    const auto walk = [&](Tac1_peer_list peers) {
        for (const Tac1_peer& peer : peers) {
            if (skip_originator && is_originator(peer, originator_address, originator_port)) {
                continue;
            }
            // Each peer gets bytes of its own: the framing layer writes the
            // destination into them.
            const Tac_pdu_buffer copy(source.data(), source.size());
            send(peer.address, peer.port, copy);
        }
    };
    walk(first);
    const auto by_identifier = _identifier_listeners.find(identifier);
    if (by_identifier != _identifier_listeners.end()) {
        walk(by_identifier->second);
    }
    const auto by_group = _group_listeners.find(tac1_group_of(identifier));
    if (by_group != _group_listeners.end()) {
        walk(by_group->second);
    }
}

void Tac1_message_handler::send_indication_to_listeners(Tac1_pdu& pdu, bool skip_originator,
                                                        std::uint32_t originator_address,
                                                        std::uint16_t originator_port)
{
    send_to_listeners(_set_listeners, pdu, skip_originator, originator_address, originator_port);
}

void Tac1_message_handler::send_event_indication_to_listeners(Tac1_pdu& pdu, bool skip_originator,
                                                              std::uint32_t originator_address,
                                                              std::uint16_t originator_port)
{
    send_to_listeners(_event_listeners, pdu, skip_originator, originator_address, originator_port);
}

bool Tac1_message_handler::send_register_for_set_indications(std::uint32_t address,
                                                             std::uint16_t port,
                                                             std::uint8_t action)
{
    const Tac1_msg_register_for_set_indications_set request(action, next_transaction(), _reserve,
                                                            _header_offset);
    return request.ok() && send(address, port, request.buffer());
}

bool Tac1_message_handler::send_register_for_event_indications(std::uint32_t address,
                                                               std::uint16_t port,
                                                               std::uint8_t action)
{
    const Tac1_msg_register_for_event_indications_set request(action, next_transaction(), _reserve,
                                                              _header_offset);
    return request.ok() && send(address, port, request.buffer());
}

bool Tac1_message_handler::send_register_for_individual_indication(std::uint32_t address,
                                                                   std::uint16_t port,
                                                                   std::uint32_t identifier,
                                                                   std::uint8_t action)
{
    if (identifier > TAC1_MAX_IDENTIFIER) {
        return false;
    }
    const Tac1_msg_register_for_individual_indication_set request(
        0, 0, identifier, action, next_transaction(), _reserve, _header_offset);
    return request.ok() && send(address, port, request.buffer());
}

bool Tac1_message_handler::send_register_for_indication_per_group(std::uint32_t address,
                                                                  std::uint16_t port,
                                                                  std::uint16_t group,
                                                                  std::uint8_t action)
{
    const Tac1_msg_register_for_indication_per_group_set request(
        0, 0, group, action, next_transaction(), _reserve, _header_offset);
    return request.ok() && send(address, port, request.buffer());
}

bool Tac1_message_handler::send_unregister_for_all_indications(std::uint32_t address,
                                                               std::uint16_t port)
{
    const Tac1_msg_unregister_for_all_indications_indication message(next_transaction(), _reserve,
                                                                     _header_offset);
    return message.ok() && send(address, port, message.buffer());
}

// --- listener tables ----------------------------------------------------------

Tac1_peer Tac1_message_handler::local_form(std::uint32_t address, std::uint16_t port) const
{
    return Tac1_peer{address == own_address() ? LOCAL_HOST : address, port};
}

bool Tac1_message_handler::add_set_indication_listener(std::uint32_t address, std::uint16_t port)
{
    add_unique(_set_listeners, local_form(address, port));
    return true;
}

bool Tac1_message_handler::remove_set_indication_listener(std::uint32_t address, std::uint16_t port)
{
    return remove_from(_set_listeners, local_form(address, port));
}

bool Tac1_message_handler::is_set_indication_listener(std::uint32_t address,
                                                      std::uint16_t port) const
{
    return contains(_set_listeners, local_form(address, port));
}

bool Tac1_message_handler::add_event_indication_listener(std::uint32_t address, std::uint16_t port)
{
    add_unique(_event_listeners, local_form(address, port));
    return true;
}

bool Tac1_message_handler::remove_event_indication_listener(std::uint32_t address,
                                                            std::uint16_t port)
{
    return remove_from(_event_listeners, local_form(address, port));
}

bool Tac1_message_handler::is_event_indication_listener(std::uint32_t address,
                                                        std::uint16_t port) const
{
    return contains(_event_listeners, local_form(address, port));
}

bool Tac1_message_handler::add_identifier_listener(std::uint32_t identifier, std::uint32_t address,
                                                   std::uint16_t port)
{
    return identifier <= TAC1_MAX_IDENTIFIER &&
           add_keyed(_identifier_listeners, identifier, local_form(address, port));
}

bool Tac1_message_handler::remove_identifier_listener(std::uint32_t identifier,
                                                      std::uint32_t address, std::uint16_t port)
{
    return identifier <= TAC1_MAX_IDENTIFIER &&
           remove_keyed(_identifier_listeners, identifier, local_form(address, port));
}

bool Tac1_message_handler::is_identifier_listener(std::uint32_t identifier, std::uint32_t address,
                                                  std::uint16_t port) const
{
    return is_keyed(_identifier_listeners, identifier, local_form(address, port));
}

bool Tac1_message_handler::remove_identifier_listener_from_all(std::uint32_t address,
                                                               std::uint16_t port)
{
    return remove_keyed_from_all(_identifier_listeners, local_form(address, port));
}

bool Tac1_message_handler::add_group_listener(std::uint16_t group, std::uint32_t address,
                                              std::uint16_t port)
{
    return add_keyed(_group_listeners, group, local_form(address, port));
}

bool Tac1_message_handler::remove_group_listener(std::uint16_t group, std::uint32_t address,
                                                 std::uint16_t port)
{
    return remove_keyed(_group_listeners, group, local_form(address, port));
}

bool Tac1_message_handler::is_group_listener(std::uint16_t group, std::uint32_t address,
                                             std::uint16_t port) const
{
    return is_keyed(_group_listeners, group, local_form(address, port));
}

bool Tac1_message_handler::remove_group_listener_from_all(std::uint32_t address, std::uint16_t port)
{
    return remove_keyed_from_all(_group_listeners, local_form(address, port));
}

void Tac1_message_handler::remove_listener_from_all_tables(std::uint32_t address,
                                                           std::uint16_t port)
{
    remove_set_indication_listener(address, port);
    remove_event_indication_listener(address, port);
    remove_identifier_listener_from_all(address, port);
    remove_group_listener_from_all(address, port);
}

} // namespace vq
