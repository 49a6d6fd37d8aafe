// The TAC1 endpoint of a node.
//
// Owns the node's address and port, numbers outgoing transactions, passes
// outgoing PDUs down to the framing layer and dispatches every received PDU
// by identifier to the callback a client registered for it. What no client
// handles is answered here: requests nobody handles get a NACK, and the
// indication registration service (group 300) is served by the handler
// itself, with tables of the peers that want set indications, event
// indications, indications of one identifier or indications of one group.
#pragma once

#include "callback.h"
#include "tac1_pdu.h"
#include "tac_callback_objects.h"
#include "tac_pdu_buffer.h"

#include <cstdint>
#include <map>
#include <vector>

namespace vq {

// A peer of the registration service. Listener tables store a peer whose
// address is the handler's own address as the local host.
struct Tac1_peer
{
    std::uint32_t address = 0;
    std::uint16_t port = 0;

    friend bool operator==(const Tac1_peer& a, const Tac1_peer& b)
    {
        return a.address == b.address && a.port == b.port;
    }
    friend bool operator!=(const Tac1_peer& a, const Tac1_peer& b) { return !(a == b); }
};

using Tac1_peer_list = std::vector<Tac1_peer>;

class Tac1_message_handler
{
public:
    static constexpr std::uint32_t LOCAL_HOST = 0x7F000001;
    static constexpr std::uint8_t ACTION_REGISTER = 1;
    static constexpr std::uint8_t ACTION_UNREGISTER = 2;

    Tac1_message_handler(std::uint32_t own_address, std::uint16_t own_port);
    Tac1_message_handler(const Tac1_message_handler&) = delete;
    Tac1_message_handler& operator=(const Tac1_message_handler&) = delete;
    virtual ~Tac1_message_handler();

    // Wherever the handler needs its own address or port it asks these.
    virtual std::uint32_t own_address() const;
    virtual std::uint16_t own_port() const;
    // Used only when no lower send callback is set; this one takes nothing
    // and reports success.
    virtual bool lower_protocol_send_hook(std::uint32_t destination_address,
                                          std::uint16_t destination_port, Tac_pdu_buffer& pdu);

    // --- wiring ---------------------------------------------------------------
    void set_lower_protocol_send_callback(
        std::uint32_t reserve, std::uint32_t header_offset,
        const Callback<Tac_lower_protocol_send_callback_object*>& callback);
    void set_lower_protocol_send_callback(
        const Callback<Tac_lower_protocol_send_callback_object*>& callback);
    void clear_lower_protocol_send_callback();
    bool lower_protocol_send_callback_set() const { return _lower_send_set; }

    std::uint32_t reserve() const { return _reserve; }
    std::uint32_t header_offset() const { return _header_offset; }

    // The receive entry: a whole frame from the framing layer, with the
    // frame's source address and port.
    void receive(Tac_callback_object* object);

    // One callback per identifier; registering again replaces it. An empty
    // (Nil) callback is refused, since invoking it is a contract violation.
    bool register_handler(std::uint32_t identifier, const Callback<Tac_callback_object*>& callback);
    // Returns whether a callback was registered.
    bool unregister_handler(std::uint32_t identifier);
    bool has_handler(std::uint32_t identifier) const;

    // 1, 2, ..., 255, then 1 again; never 0.
    std::uint8_t next_transaction();

    // --- sending --------------------------------------------------------------
    // Sends a PDU built with this handler's reserve and header offset. False,
    // with nothing sent, when the identifier is above the highest in use or
    // the buffer cannot hold a TAC1 header; else whether it was delivered.
    bool send(std::uint32_t destination_address, std::uint16_t destination_port,
              const Tac_pdu_buffer& pdu);
    bool send_ack(std::uint32_t address, std::uint16_t port, std::uint32_t identifier,
                  std::uint8_t transaction);
    // A NACK with reason 2 is never sent: the call does nothing and succeeds.
    bool send_nack(std::uint32_t address, std::uint16_t port, std::uint32_t identifier,
                   std::uint8_t transaction, std::uint32_t reason);
    // NACK when reason is not 0; else ACK and, when that was delivered and
    // broadcast is set, the request itself as an indication to the listeners
    // (the requester skipped).
    bool reply(std::uint32_t address, std::uint16_t port, Tac1_pdu& request, std::uint32_t reason,
               bool broadcast);

    // Sends the PDU, its type rewritten to INDICATION in place, to the
    // set-indication listeners (event-indication listeners), then to the
    // listeners of its identifier and of its group. With skip_originator a
    // listener that is the originator is left out.
    void send_indication_to_listeners(Tac1_pdu& pdu, bool skip_originator,
                                      std::uint32_t originator_address,
                                      std::uint16_t originator_port);
    void send_event_indication_to_listeners(Tac1_pdu& pdu, bool skip_originator,
                                            std::uint32_t originator_address,
                                            std::uint16_t originator_port);

    // Registration requests to a peer (action 1 register, 2 unregister), each
    // with the next transaction number. An identifier above the highest in
    // use is refused without sending.
    bool send_register_for_set_indications(std::uint32_t address, std::uint16_t port,
                                           std::uint8_t action);
    bool send_register_for_event_indications(std::uint32_t address, std::uint16_t port,
                                             std::uint8_t action);
    bool send_register_for_individual_indication(std::uint32_t address, std::uint16_t port,
                                                 std::uint32_t identifier, std::uint8_t action);
    bool send_register_for_indication_per_group(std::uint32_t address, std::uint16_t port,
                                                std::uint16_t group, std::uint8_t action);
    bool send_unregister_for_all_indications(std::uint32_t address, std::uint16_t port);

    // --- listener tables ------------------------------------------------------
    // add_* ignores a peer already present and returns whether it is listed
    // afterwards; remove_* returns whether the peer was listed. Identifier
    // operations refuse identifiers above the highest in use.
    bool add_set_indication_listener(std::uint32_t address, std::uint16_t port);
    bool remove_set_indication_listener(std::uint32_t address, std::uint16_t port);
    bool is_set_indication_listener(std::uint32_t address, std::uint16_t port) const;

    bool add_event_indication_listener(std::uint32_t address, std::uint16_t port);
    bool remove_event_indication_listener(std::uint32_t address, std::uint16_t port);
    bool is_event_indication_listener(std::uint32_t address, std::uint16_t port) const;

    bool add_identifier_listener(std::uint32_t identifier, std::uint32_t address,
                                 std::uint16_t port);
    bool remove_identifier_listener(std::uint32_t identifier, std::uint32_t address,
                                    std::uint16_t port);
    bool is_identifier_listener(std::uint32_t identifier, std::uint32_t address,
                                std::uint16_t port) const;
    // Takes the peer out of every identifier list; returns whether any held it.
    bool remove_identifier_listener_from_all(std::uint32_t address, std::uint16_t port);

    bool add_group_listener(std::uint16_t group, std::uint32_t address, std::uint16_t port);
    bool remove_group_listener(std::uint16_t group, std::uint32_t address, std::uint16_t port);
    bool is_group_listener(std::uint16_t group, std::uint32_t address, std::uint16_t port) const;
    bool remove_group_listener_from_all(std::uint32_t address, std::uint16_t port);

    // Takes the peer out of all four tables.
    void remove_listener_from_all_tables(std::uint32_t address, std::uint16_t port);

    const Tac1_peer_list& set_indication_listeners() const { return _set_listeners; }
    const Tac1_peer_list& event_indication_listeners() const { return _event_listeners; }
    const std::map<std::uint32_t, Tac1_peer_list>& identifier_listeners() const
    {
        return _identifier_listeners;
    }
    const std::map<std::uint16_t, Tac1_peer_list>& group_listeners() const
    {
        return _group_listeners;
    }

    // The form in which a peer is stored: the own address becomes the local
    // host.
    Tac1_peer local_form(std::uint32_t address, std::uint16_t port) const;

private:
    bool transmit(std::uint32_t address, std::uint16_t port, const Tac_pdu_buffer& pdu);
    void send_to_listeners(const Tac1_peer_list& first, Tac1_pdu& pdu, bool skip_originator,
                           std::uint32_t originator_address, std::uint16_t originator_port);
    bool is_originator(const Tac1_peer& peer, std::uint32_t originator_address,
                       std::uint16_t originator_port) const;
    // The registration service step for identifiers 0x012C0001 to
    // 0x012C0009; false when the step declines and the PDU goes on to the
    // handler map.
    bool serve_registration(std::uint32_t identifier, const Tac_callback_object& object);

    std::map<std::uint32_t, Callback<Tac_callback_object*>> _handlers;
    Tac1_peer_list _set_listeners;
    Tac1_peer_list _event_listeners;
    std::map<std::uint32_t, Tac1_peer_list> _identifier_listeners;
    std::map<std::uint16_t, Tac1_peer_list> _group_listeners;
    std::uint32_t _reserve = 22;
    std::uint32_t _header_offset = 20;
    Callback<Tac_lower_protocol_send_callback_object*> _lower_send;
    bool _lower_send_set = false;
    std::uint32_t _own_address;
    std::uint16_t _own_port;
    std::uint8_t _transaction = 0;
};

} // namespace vq
