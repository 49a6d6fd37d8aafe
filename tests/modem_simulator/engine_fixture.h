// A Modem_engine on a hand-driven clock with a link that records what the
// engine sends.
#pragma once

#include "sim_engine.h"
#include "sim_fields.h"

#include <memory>
#include <vector>

namespace vq_sim {

struct Sent
{
    Peer to;
    std::uint32_t identifier = 0;
    std::uint8_t transaction = 0;
    std::uint8_t type = 0;
    Bytes payload;
    bool to_listeners = false;
    std::int64_t at = 0;
};

class Recording_link : public Modem_link
{
public:
    explicit Recording_link(Sim_scheduler& s) : _s(s) {}
    void send(const Peer& to, std::uint32_t id, std::uint8_t tr, std::uint8_t type,
              const Bytes& payload) override
    {
        sent.push_back({to, id, tr, type, payload, false, _s.now()});
    }
    void indicate(std::uint32_t id, const Bytes& payload) override
    {
        sent.push_back({{}, id, 0, TYPE_INDICATION, payload, true, _s.now()});
    }
    void clear_registrations() override { ++clears; }

    std::vector<Sent> sent;
    int clears = 0;

private:
    Sim_scheduler& _s;
};

inline const Peer console{0xC0A8000D, 880};

// One modem; several share one clock when given it.
struct Engine_fixture
{
    explicit Engine_fixture(Engine_options o = {}, Settings_store s = {},
                            Sim_scheduler* shared = nullptr)
        : sched(shared != nullptr ? *shared : own_sched)
    {
        o.boot_ms = o.boot_ms == 1500 ? 100 : o.boot_ms;
        engine = std::make_unique<Modem_engine>(sched, link, o, s);
        engine->start();
        sched.advance_by(o.boot_ms);
        link.sent.clear();
    }

    // Sends one request; returns the messages the engine sent in response
    // within wait_ms.
    std::vector<Sent> request(std::uint32_t id, const Bytes& payload, std::int64_t wait_ms = 0,
                              Peer from = console)
    {
        const std::size_t before = link.sent.size();
        engine->handle(Tac1_in{from, id, ++transaction, TYPE_REQUEST, payload});
        sched.advance_by(wait_ms);
        return {link.sent.begin() + static_cast<long>(before), link.sent.end()};
    }

    // The first message since `from` with this identifier (and type, if >= 0).
    const Sent* find(std::uint32_t id, int type = -1, std::size_t from = 0) const
    {
        for (std::size_t i = from; i < link.sent.size(); ++i) {
            if (link.sent[i].identifier == id && (type < 0 || link.sent[i].type == type)) {
                return &link.sent[i];
            }
        }
        return nullptr;
    }

    std::vector<Sent> all(std::uint32_t id) const
    {
        std::vector<Sent> out;
        for (const Sent& s : link.sent) {
            if (s.identifier == id) {
                out.push_back(s);
            }
        }
        return out;
    }

    Sim_scheduler own_sched;
    Sim_scheduler& sched;
    Recording_link link{sched};
    std::unique_ptr<Modem_engine> engine;
    std::uint8_t transaction = 0;
};

inline std::uint32_t nack_reason_of(const Sent& s)
{
    return get_u32(s.payload, 0);
}

// A data-to-modem payload of n bytes counting up from first.
inline Bytes data_message(std::size_t n, std::uint8_t first = 0)
{
    Bytes p;
    put_u16(p, static_cast<std::uint16_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        p.push_back(static_cast<std::uint8_t>(first + i));
    }
    return p;
}

// The first byte of every message with this identifier (a status).
inline std::vector<int> statuses(const Engine_fixture& f, std::uint32_t id)
{
    std::vector<int> out;
    for (const Sent& s : f.all(id)) {
        out.push_back(s.payload[0]);
    }
    return out;
}

// The user data carried by every data-from-modem message, in order.
inline Bytes received_data(const Engine_fixture& f, int* finals = nullptr)
{
    Bytes out;
    for (const Sent& s : f.all(0x000A0007)) {
        const std::size_t n = get_u16(s.payload, 0);
        out.insert(out.end(), s.payload.begin() + 2, s.payload.begin() + 2 + static_cast<long>(n));
        if (finals != nullptr && s.payload.back() == 1) {
            ++*finals;
        }
    }
    return out;
}

} // namespace vq_sim
