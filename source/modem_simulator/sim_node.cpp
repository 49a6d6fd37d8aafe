#include "sim_node.h"

#include "callback.h"
#include "sipc_protocol_handler.h"
#include "tac1_catalogue.h"
#include "tac1_message_handler.h"
#include "tac1_pdu.h"
#include "tac_callback_objects.h"
#include "tac_pdu_buffer.h"

#include <cstdio>
#include <set>

namespace vq_sim {

namespace {

constexpr std::uint32_t reserve = 22;
constexpr std::uint32_t header_offset = 20;

std::uint32_t be32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

std::uint16_t be16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::string peer_text(const Peer& p)
{
    char b[32];
    std::snprintf(b, sizeof b, "%08X:%u", p.address, p.port);
    return b;
}

} // namespace

// The handler answers from the address and port a request was sent to, so a
// peer that talks to several ports of the modem sees each one answer.
class Tac1_node::Handler : public vq::Tac1_message_handler
{
public:
    using vq::Tac1_message_handler::Tac1_message_handler;
    std::uint32_t own_address() const override
    {
        return answering ? answering_as.address : vq::Tac1_message_handler::own_address();
    }
    std::uint16_t own_port() const override
    {
        return answering ? answering_as.port : vq::Tac1_message_handler::own_port();
    }
    bool answering = false;
    Peer answering_as;
};

bool decode_frame(const std::uint8_t* f, std::size_t size, Frame_info& info)
{
    if (f == nullptr || size < reserve + 6) {
        return false;
    }
    info.destination = {be32(f + 3), be16(f + 7)};
    info.source = {be32(f + 9), be16(f + 13)};
    info.identifier = be32(f + header_offset);
    info.transaction = f[header_offset + 4];
    info.type = f[header_offset + 5];
    info.payload.assign(f + header_offset + 6, f + size - 2);
    return true;
}

std::string message_name(std::uint32_t identifier)
{
    if (const vq::Tac1_catalogue_entry* e = vq::tac1_find(identifier)) {
        return e->name;
    }
    char b[16];
    std::snprintf(b, sizeof b, "0x%08X", identifier);
    return b;
}

const char* type_name(std::uint8_t type)
{
    static const char* const names[] = {"ACK", "NACK", "REQUEST", "RESPONSE", "INDICATION"};
    return type < 5 ? names[type] : "INVALID";
}

std::string trace_line(const Frame_info& info)
{
    char head[160];
    std::snprintf(head, sizeof head, "%s %s -> %s #%u %s 0x%08X ", info.outgoing ? "TX" : "RX",
                  peer_text(info.source).c_str(), peer_text(info.destination).c_str(),
                  info.transaction, type_name(info.type), info.identifier);
    std::string line = head + message_name(info.identifier);
    if (info.type == TYPE_NACK && info.payload.size() >= 4) {
        line += std::string(" reason ") + std::to_string(get_u32(info.payload, 0)) + " \"" +
                vq::nack_reason_text(get_u32(info.payload, 0)) + "\"";
    } else if (!info.payload.empty()) {
        line += " [" + std::to_string(info.payload.size()) + "] " + to_hex(info.payload, 24);
    }
    return line;
}

Tac1_node::Tac1_node(std::uint32_t own_address, std::uint16_t own_port)
    : _sipc(new vq::Sipc_protocol_handler(own_port)), _tac1(new Handler(own_address, own_port))
{
    _sipc->set_receive_callback(1, make_member_callback(this, &Tac1_node::frame_in));
    _tac1->set_lower_protocol_send_callback(
        reserve, header_offset,
        make_member_callback(_sipc.get(), &vq::Sipc_protocol_handler::send));
    _sipc->set_lower_send_callback(make_member_callback(this, &Tac1_node::frame_out));
    _sipc->start();
}

Tac1_node::~Tac1_node() = default;

vq::Tac1_message_handler& Tac1_node::handler()
{
    return *_tac1;
}

void Tac1_node::listen(std::uint32_t identifier)
{
    _tac1->register_handler(identifier, make_member_callback(this, &Tac1_node::message_in));
}

void Tac1_node::receive(const std::uint8_t* bytes, std::size_t count)
{
    _sipc->receive_bytes(bytes, count);
}

void Tac1_node::frame_in(vq::Tac_callback_object* object)
{
    Frame_info info;
    if (!decode_frame(object->pdu.data(), object->pdu.size(), info)) {
        return;
    }
    if (on_frame) {
        on_frame(info);
    }
    if (accept &&
        !accept(Tac1_in{info.source, info.identifier, info.transaction, info.type, info.payload})) {
        return;
    }
    _tac1->answering = true;
    _tac1->answering_as = info.destination;
    if (!registration_elsewhere(info)) {
        _tac1->receive(object);
    }
    _tac1->answering = false;
}

bool Tac1_node::registration_elsewhere(const Frame_info& info)
{
    constexpr std::uint32_t id_register_individual = 0x012C0005;
    if (info.identifier != id_register_individual || info.type != TYPE_REQUEST ||
        info.payload.size() != 11 || (info.payload[10] != 1 && info.payload[10] != 2)) {
        return false;
    }
    const std::uint32_t wanted = get_u32(info.payload, 6);
    const auto it = indication_ports.find(wanted);
    if (it == indication_ports.end() || it->second == info.destination.port) {
        return false;
    }
    if (log) {
        log("registration for " + message_name(wanted) + " sent to port " +
            std::to_string(info.destination.port) + " has no effect: it comes from port " +
            std::to_string(it->second));
    }
    _tac1->send_ack(info.source.address, info.source.port, info.identifier, info.transaction);
    return true;
}

void Tac1_node::frame_out(vq::Tac_callback_object* object)
{
    const std::uint8_t* data = object->pdu.data();
    const std::size_t size = object->pdu.size();
    if (on_frame) {
        Frame_info info;
        info.outgoing = true;
        if (decode_frame(data, size, info)) {
            on_frame(info);
        }
    }
    if (write && data != nullptr) {
        write(Bytes(data, data + size));
    }
}

void Tac1_node::message_in(vq::Tac_callback_object* object)
{
    Frame_info info;
    if (!on_message || !decode_frame(object->pdu.data(), object->pdu.size(), info)) {
        return;
    }
    on_message(Tac1_in{{object->address, object->port},
                       info.identifier,
                       info.transaction,
                       info.type,
                       info.payload});
}

std::uint8_t Tac1_node::send_message(const Peer& to, std::uint32_t identifier,
                                     std::uint8_t transaction, std::uint8_t type,
                                     const Bytes& payload)
{
    if (transaction == 0) {
        transaction = _tac1->next_transaction();
    }
    vq::Tac1_pdu pdu(identifier, transaction, static_cast<vq::Tac_message_types>(type), reserve,
                     static_cast<std::uint32_t>(payload.size()), header_offset);
    if (!payload.empty()) {
        pdu.put_bytes(payload.data(), static_cast<std::uint32_t>(payload.size()));
    }
    if (!pdu.ok()) {
        return 0;
    }
    return _tac1->send(to.address, to.port, pdu.buffer()) ? transaction : 0;
}

void Tac1_node::send(const Peer& to, std::uint32_t identifier, std::uint8_t transaction,
                     std::uint8_t type, const Bytes& payload)
{
    send_message(to, identifier, transaction, type, payload);
}

void Tac1_node::indicate(std::uint32_t identifier, const Bytes& payload)
{
    vq::Tac1_pdu pdu(identifier, _tac1->next_transaction(), vq::Tac_message_types::INDICATION,
                     reserve, static_cast<std::uint32_t>(payload.size()), header_offset);
    if (!payload.empty()) {
        pdu.put_bytes(payload.data(), static_cast<std::uint32_t>(payload.size()));
    }
    // May run while a request is answered: put that back afterwards.
    const bool was_answering = _tac1->answering;
    const Peer was_answering_as = _tac1->answering_as;
    const auto from = indication_ports.find(identifier);
    if (from != indication_ports.end()) {
        _tac1->answering = true;
        _tac1->answering_as = {_tac1->vq::Tac1_message_handler::own_address(), from->second};
    }
    _tac1->send_indication_to_listeners(pdu, false, 0, 0);
    _tac1->answering = was_answering;
    _tac1->answering_as = was_answering_as;
}

void Tac1_node::clear_registrations()
{
    std::set<std::pair<std::uint32_t, std::uint16_t>> peers;
    auto collect = [&](const vq::Tac1_peer_list& list) {
        for (const vq::Tac1_peer& p : list) {
            peers.insert({p.address, p.port});
        }
    };
    collect(_tac1->set_indication_listeners());
    collect(_tac1->event_indication_listeners());
    for (const auto& entry : _tac1->identifier_listeners()) {
        collect(entry.second);
    }
    for (const auto& entry : _tac1->group_listeners()) {
        collect(entry.second);
    }
    for (const auto& p : peers) {
        _tac1->remove_listener_from_all_tables(p.first, p.second);
    }
}

std::size_t Tac1_node::registration_count() const
{
    std::size_t n =
        _tac1->set_indication_listeners().size() + _tac1->event_indication_listeners().size();
    for (const auto& entry : _tac1->identifier_listeners()) {
        n += entry.second.size();
    }
    for (const auto& entry : _tac1->group_listeners()) {
        n += entry.second.size();
    }
    return n;
}

} // namespace vq_sim
