// A TAC1 endpoint on a byte stream, built from the protocol stack: SIPC
// framing below, the TAC1 message handler (with its indication registration
// service) above. The simulated modem is one; the test client is another.
#pragma once

#include "sim_engine.h"
#include "sim_types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace vq {
class Sipc_protocol_handler;
class Tac1_message_handler;
struct Tac_callback_object;
} // namespace vq

namespace vq_sim {

// One frame on the line, decoded for tracing.
struct Frame_info
{
    bool outgoing = false;
    Peer source;
    Peer destination;
    std::uint32_t identifier = 0;
    std::uint8_t transaction = 0;
    std::uint8_t type = 0;
    Bytes payload;
};

class Tac1_node : public Modem_link
{
public:
    Tac1_node(std::uint32_t own_address, std::uint16_t own_port);
    ~Tac1_node() override;
    Tac1_node(const Tac1_node&) = delete;
    Tac1_node& operator=(const Tac1_node&) = delete;

    // Complete frames to put on the line.
    std::function<void(const Bytes&)> write;
    // Every frame in and out (for the trace).
    std::function<void(const Frame_info&)> on_frame;
    // Sees each received frame before the handler; false drops it.
    std::function<bool(const Tac1_in&)> accept;
    // Messages for the identifiers given to listen().
    std::function<void(const Tac1_in&)> on_message;
    // Notes for the operator.
    std::function<void(const std::string&)> log;

    // Indications that only one port of this node produces: identifier ->
    // port. They are sent from that port, and a registration for one of them
    // sent to another port is acknowledged without effect (that port never
    // produces it).
    std::map<std::uint32_t, std::uint16_t> indication_ports;

    void listen(std::uint32_t identifier);
    void receive(const std::uint8_t* bytes, std::size_t count);

    // Sends one message; returns the transaction number used (0 on failure).
    std::uint8_t send_message(const Peer& to, std::uint32_t identifier, std::uint8_t transaction,
                              std::uint8_t type, const Bytes& payload);

    // Modem_link
    void send(const Peer& to, std::uint32_t identifier, std::uint8_t transaction, std::uint8_t type,
              const Bytes& payload) override;
    void indicate(std::uint32_t identifier, const Bytes& payload) override;
    void clear_registrations() override;

    vq::Tac1_message_handler& handler();
    std::size_t registration_count() const;

private:
    void frame_in(vq::Tac_callback_object* object);
    void frame_out(vq::Tac_callback_object* object);
    void message_in(vq::Tac_callback_object* object);
    bool registration_elsewhere(const Frame_info& info);

    class Handler;
    std::unique_ptr<vq::Sipc_protocol_handler> _sipc;
    std::unique_ptr<Handler> _tac1;
};

// Decodes a whole SIPC frame (header included) for the trace.
bool decode_frame(const std::uint8_t* frame, std::size_t size, Frame_info& info);

const char* type_name(std::uint8_t type);
std::string trace_line(const Frame_info& info);

} // namespace vq_sim
