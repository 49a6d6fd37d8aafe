// Throughput of the SIPC receive path: clean frames in serial-sized chunks,
// the same one byte at a time, and a flood of sync words with no frame.

#include "sipc_protocol_handler.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

namespace {

struct Counter
{
    std::uint64_t frames = 0;
    void take(vq::Tac_callback_object*) { ++frames; }
};

// 200-byte frames (178 payload bytes) built by the transmit side.
std::vector<std::uint8_t> clean_stream(std::size_t frames)
{
    vq::Sipc_protocol_handler sender(1);
    std::vector<std::uint8_t> stream;
    for (std::size_t i = 0; i < frames; ++i) {
        vq::Tac_pdu_buffer frame(200);
        for (std::uint32_t j = 20; j < 198; ++j) {
            frame.data()[j] = static_cast<std::uint8_t>(i * 7 + j);
        }
        vq::Sipc_protocol_handler::write_frame(frame, 1, 0x0A000001, 100, 0x0A000002, 200);
        stream.insert(stream.end(), frame.data(), frame.data() + frame.size());
    }
    return stream;
}

void feed(benchmark::State& state, const std::vector<std::uint8_t>& stream, std::size_t chunk)
{
    vq::Sipc_protocol_handler handler(1);
    Counter counter;
    handler.set_receive_callback(1, make_member_callback(&counter, &Counter::take));
    for (auto _ : state) {
        for (std::size_t position = 0; position < stream.size(); position += chunk) {
            handler.receive_bytes(stream.data() + position,
                                  std::min(chunk, stream.size() - position));
        }
    }
    benchmark::DoNotOptimize(counter.frames);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["frames"] = static_cast<double>(counter.frames);
}

void clean_frames_4k_chunks(benchmark::State& state)
{
    feed(state, clean_stream(320), 4096);
}

void clean_frames_byte_at_a_time(benchmark::State& state)
{
    feed(state, clean_stream(320), 1);
}

void sync_word_flood_4k_chunks(benchmark::State& state)
{
    std::vector<std::uint8_t> flood(64000);
    for (std::size_t i = 0; i < flood.size(); ++i) {
        flood[i] = (i % 2) == 0 ? 0xC6 : 0x7D;
    }
    feed(state, flood, 4096);
}

void random_bytes_4k_chunks(benchmark::State& state)
{
    std::vector<std::uint8_t> noise(64000);
    std::uint32_t seed = 7;
    for (auto& byte : noise) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    feed(state, noise, 4096);
}

} // namespace

BENCHMARK(clean_frames_4k_chunks);
BENCHMARK(clean_frames_byte_at_a_time);
BENCHMARK(sync_word_flood_4k_chunks);
BENCHMARK(random_bytes_4k_chunks);

BENCHMARK_MAIN();
