// The framing CRC-16 against Boost's generic table-driven CRC with the same
// parameters, in one binary so the two run on equal terms.

#include "tac_pdu_buffer.h"

#include <benchmark/benchmark.h>
#include <boost/crc.hpp>
#include <cstdint>
#include <vector>

namespace {

std::vector<std::uint8_t> bytes(std::size_t count)
{
    std::vector<std::uint8_t> out(count);
    std::uint32_t state = 12345;
    for (auto& byte : out) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return out;
}

void crc16_ours(benchmark::State& state)
{
    const auto data = bytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(data.data());
        std::uint16_t crc = vq::crc16(data.data(), data.size());
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void crc16_boost(benchmark::State& state)
{
    const auto data = bytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(data.data());
        boost::crc_optimal<16, 0x1021, 0x1D0F, 0, false, false> crc;
        crc.process_bytes(data.data(), data.size());
        std::uint16_t value = crc.checksum();
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// Both must agree before their speeds mean anything.
bool agree()
{
    const auto data = bytes(256);
    boost::crc_optimal<16, 0x1021, 0x1D0F, 0, false, false> crc;
    crc.process_bytes(data.data(), data.size());
    return crc.checksum() == vq::crc16(data.data(), data.size());
}

const bool checked = [] {
    if (!agree()) {
        std::fprintf(stderr, "CRC-16 disagrees with Boost\n");
        std::abort();
    }
    return true;
}();

} // namespace

BENCHMARK(crc16_ours)->Arg(18)->Arg(256)->Arg(4096);
BENCHMARK(crc16_boost)->Arg(18)->Arg(256)->Arg(4096);

BENCHMARK_MAIN();
