// The simulated modem's request path and data path, in memory: a client node
// frames a request, the modem node parses it, the engine answers, and the
// client parses the reply.
#include "sim_engine.h"
#include "sim_node.h"

#include <benchmark/benchmark.h>

using namespace vq_sim;

namespace {

struct Pair
{
    Pair() : modem(0xC0A80000, 58001), client(0xC0A8000D, 880)
    {
        Engine_options o;
        o.boot_ms = 0;
        o.loopback = true;
        o.air_speed = 1200000; // bytes per second
        engine = std::make_unique<Modem_engine>(sched, modem, o);
        for (std::uint32_t id : engine->identifiers()) {
            modem.listen(id);
        }
        modem.on_message = [this](const Tac1_in& in) { engine->handle(in); };
        modem.write = [this](const Bytes& f) { client.receive(f.data(), f.size()); };
        client.write = [this](const Bytes& f) { modem.receive(f.data(), f.size()); };
        client.on_frame = [this](const Frame_info& f) {
            if (!f.outgoing) {
                ++replies;
                bytes += f.payload.size();
            }
        };
        client.listen(0x000A0007);
        client.on_message = [](const Tac1_in&) {};
        engine->start();
        sched.advance_by(1);
    }

    Sim_scheduler sched;
    Tac1_node modem;
    Tac1_node client;
    std::unique_ptr<Modem_engine> engine;
    std::int64_t replies = 0;
    std::int64_t bytes = 0;
};

void BM_request_reply(benchmark::State& state)
{
    Pair p;
    const std::uint32_t ids[] = {0x9E, 0x0003000A, 0x02BC0018, 0x000D001A};
    const Bytes payloads[] = {{}, {1}, {}, {1}};
    std::size_t i = 0;
    for (auto _ : state) {
        p.client.send_message({0xC0A80000, 58001}, ids[i % 4], 0, TYPE_REQUEST, payloads[i % 4]);
        ++i;
    }
    state.counters["replies/s"] =
        benchmark::Counter(double(p.replies), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_request_reply);

// 200-byte data messages through the transmit queue, the air and back as
// received data (loopback), per message sent.
void BM_loopback_data(benchmark::State& state)
{
    Pair p;
    p.client.send_message({0xC0A80000, 58001}, 0x000A000D, 0, TYPE_REQUEST, {});
    Bytes data(202, 0x5A);
    data[0] = 0;
    data[1] = 200;
    for (auto _ : state) {
        p.client.send_message({0xC0A80000, 58001}, 0x000A0001, 0, TYPE_REQUEST, data);
        p.sched.advance_by(50);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 200);
}
BENCHMARK(BM_loopback_data);

} // namespace

BENCHMARK_MAIN();
