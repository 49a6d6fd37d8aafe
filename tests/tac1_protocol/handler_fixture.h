#pragma once

// What the message handler's tests share: the addresses, a recording
// client, a handler with its own address and send hook, and readers of the
// listener tables.

#include "tac1_messages.h"
#include "tac1_test_support.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace handler_test {

using namespace vq;
using namespace tac1_test;

inline constexpr std::uint32_t own_address = 0xC0A8000D;
inline constexpr std::uint16_t own_port = 880;
inline constexpr std::uint32_t peer_address = 0xC0A80000;
inline constexpr std::uint16_t peer_port = 58001;
inline constexpr std::uint32_t local_host = 0x7F000001;

// Table membership flags of the registration rows.
enum Tables
{
    in_set = 1,
    in_event = 2,
    in_identifier = 4, // identifier 0x000300AC
    in_group = 8,      // group 3
};
inline constexpr std::uint32_t watched_identifier = 0x000300AC;
inline constexpr std::uint16_t watched_group = 3;

// Records the PDUs passed to a registered callback.
class Client
{
public:
    void take(Tac_callback_object* object)
    {
        received.push_back(tac1_of(object->pdu));
        sources.push_back(Tac1_peer{object->address, object->port});
        if (handler != nullptr && unregister_on_call != 0) {
            handler->unregister_handler(unregister_on_call);
        }
    }
    Callback<Tac_callback_object*> callback() { return make_member_callback(this, &Client::take); }

    std::vector<QByteArray> received;
    std::vector<Tac1_peer> sources;
    Tac1_message_handler* handler = nullptr;
    std::uint32_t unregister_on_call = 0;
};

// A derived handler: its own address and port come from the virtual getters,
// and without a lower callback the send hook takes the PDUs.
class Hooked_handler : public Tac1_message_handler
{
public:
    Hooked_handler() : Tac1_message_handler(1, 2) {}
    std::uint32_t own_address() const override { return 0x0A000001; }
    std::uint16_t own_port() const override { return 4242; }
    bool lower_protocol_send_hook(std::uint32_t address, std::uint16_t port,
                                  Tac_pdu_buffer& pdu) override
    {
        hooked.push_back(Sent{-1, address, port, 0, 0, tac1_of(pdu)});
        return hook_result;
    }
    std::vector<Sent> hooked;
    bool hook_result = true;
};

inline int flags_of(const Tac1_message_handler& handler, std::uint32_t address, std::uint16_t port)
{
    return (handler.is_set_indication_listener(address, port) ? in_set : 0) |
           (handler.is_event_indication_listener(address, port) ? in_event : 0) |
           (handler.is_identifier_listener(watched_identifier, address, port) ? in_identifier : 0) |
           (handler.is_group_listener(watched_group, address, port) ? in_group : 0);
}

inline std::size_t entries_of(const Tac1_message_handler& handler)
{
    std::size_t count =
        handler.set_indication_listeners().size() + handler.event_indication_listeners().size();
    for (const auto& entry : handler.identifier_listeners()) {
        count += entry.second.size();
    }
    for (const auto& entry : handler.group_listeners()) {
        count += entry.second.size();
    }
    return count;
}

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace handler_test
