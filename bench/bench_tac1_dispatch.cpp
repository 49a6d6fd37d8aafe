// Decode-and-dispatch rate of the TAC1 message handler for a mix of the
// replies and indications a console sees: each received PDU is looked up by
// identifier, handed to the client's callback, decoded as its class and its
// fields read, as the modem interface does. Measured straight into the
// receive entry and through SIPC framing (4 KiB chunks).
#include "sipc_protocol_handler.h"
#include "tac1_message_handler.h"
#include "tac1_messages.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

using namespace vq;

namespace {

constexpr std::uint32_t reserve = 22;
constexpr std::uint32_t header = 20;
constexpr std::uint32_t console_address = 0xC0A8000D;
constexpr std::uint16_t console_port = 880;
constexpr std::uint32_t modem_address = 0xC0A80000;
constexpr std::uint16_t modem_port = 58001;

// Decodes what arrives the way the modem interface does and keeps a checksum
// of the fields, so nothing is optimised away.
class Client
{
public:
    void register_with(Tac1_message_handler& handler)
    {
        for (std::uint32_t identifier : {0x00020001u, 0x00030027u, 0x00030028u}) {
            handler.register_handler(identifier, make_member_callback(this, &Client::set_reply));
        }
        handler.register_handler(0x00020002, make_member_callback(this, &Client::audio_level));
        handler.register_handler(0x0003000A, make_member_callback(this, &Client::ota_settings));
        handler.register_handler(0x00000018, make_member_callback(this, &Client::version));
        handler.register_handler(0x000300AC, make_member_callback(this, &Client::lqa));
        handler.register_handler(0x000300B0, make_member_callback(this, &Client::rx_status));
    }

    void set_reply(Tac_callback_object* object)
    {
        if (Tac1_pdu::is_ack(object->pdu, header)) {
            const Tac1_ack ack(object->pdu, reserve, header);
            sum += ack.ok() ? 1 : 0;
            failures += ack.ok() ? 0 : 1;
        } else {
            const Tac1_nack nack(object->pdu, reserve, header);
            sum += nack.reason();
            failures += nack.ok() ? 0 : 1;
        }
    }
    void audio_level(Tac_callback_object* object)
    {
        const Tac1_msg_audio_tx_output_level_set m(object->pdu, reserve, header);
        failures += m.ok() ? 0 : 1;
        sum += m.ok() ? m.port() + std::uint16_t(m.level()) : 0;
    }
    void ota_settings(Tac_callback_object* object)
    {
        const Tac1_msg_psk_modem_ota_settings_set m(object->pdu, reserve, header);
        failures += m.ok() ? 0 : 1;
        sum += m.ok() ? m.tx_rx() + m.waveform() + m.encoding() + m.interleaver_lenght() +
                            m.data_rate() + m.isb_activation()
                      : 0;
    }
    void version(Tac_callback_object* object)
    {
        const Tac1_system_software_ver_set m(object->pdu, reserve, header);
        failures += m.ok() ? 0 : 1;
        char text[64];
        sum += m.ok() ? m.version_index() + m.version_string(text, sizeof text) : 0;
    }
    void lqa(Tac_callback_object* object)
    {
        const Tac1_msg_wf_lqa_indication m(object->pdu, reserve, header);
        failures += m.ok() ? 0 : 1;
        sum += m.ok() ? std::uint8_t(m.snr()) + m.ber() + m.number_paths() + m.multipath_spread() +
                            m.doppler_spread() + std::uint16_t(m.doppler_offset()) + m.wf_type()
                      : 0;
    }
    void rx_status(Tac_callback_object* object)
    {
        const Tac1_msg_modem_rx_status_indication m(object->pdu, reserve, header);
        failures += m.ok() ? 0 : 1;
        sum += m.ok() ? m.wf_rx_status() + m.ale_rx_status() : 0;
    }

    std::uint64_t sum = 0;
    std::uint64_t failures = 0; // decodes that failed: 0 for a sound mix
};

// Received frames (SIPC header included) of a typical mix, as built by a
// modem: two set ACKs, a NACK, three get responses, two indications.
std::vector<Tac_pdu_buffer> reply_mix()
{
    std::vector<Tac_pdu_buffer> mix;
    const auto add = [&mix](const Tac1_pdu& pdu) {
        Tac_pdu_buffer frame = pdu.buffer();
        Sipc_protocol_handler::write_frame(frame, 1, console_address, console_port, modem_address,
                                           modem_port);
        mix.push_back(frame);
    };
    const char version[] = "LZ7 2.14.0-rc3";
    add(Tac1_ack(0x00020001, 1, reserve, header));
    add(Tac1_msg_audio_tx_output_level_set(1, -12, 2, reserve, header,
                                           Tac_message_types::RESPONSE));
    add(Tac1_msg_wf_lqa_indication(-10, 10, 2, 5, 3, -200, 1, 3, reserve, header));
    add(Tac1_msg_psk_modem_ota_settings_set(0, 2, 1, 3, 7, 0, 4, reserve, header,
                                            Tac_message_types::RESPONSE));
    add(Tac1_ack(0x00030027, 5, reserve, header));
    add(Tac1_msg_modem_rx_status_indication(1, 0, 6, reserve, header));
    add(Tac1_system_software_ver_set(0, sizeof version - 1, version, 7, reserve, header,
                                     Tac_message_types::RESPONSE));
    add(Tac1_nack(33, 0x00030028, 8, reserve, header));
    return mix;
}

void dispatch_reply_mix(benchmark::State& state)
{
    Tac1_message_handler handler(console_address, console_port);
    Client client;
    client.register_with(handler);
    std::vector<Tac_callback_object> objects;
    for (const Tac_pdu_buffer& frame : reply_mix()) {
        Tac_callback_object object;
        object.address = modem_address;
        object.port = modem_port;
        object.pdu = frame;
        objects.push_back(object);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        handler.receive(&objects[next]);
        next = next + 1 == objects.size() ? 0 : next + 1;
    }
    benchmark::DoNotOptimize(client.sum);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["decode_failures"] = static_cast<double>(client.failures);
}

void framed_reply_mix(benchmark::State& state)
{
    Sipc_protocol_handler sipc(console_port);
    Tac1_message_handler handler(console_address, console_port);
    Client client;
    client.register_with(handler);
    sipc.set_receive_callback(1, make_member_callback(&handler, &Tac1_message_handler::receive));
    sipc.start();

    std::vector<std::uint8_t> stream;
    const std::vector<Tac_pdu_buffer> mix = reply_mix();
    std::size_t frames = 0;
    while (stream.size() < 64 * 1024) {
        for (const Tac_pdu_buffer& frame : mix) {
            stream.insert(stream.end(), frame.data(), frame.data() + frame.size());
            ++frames;
        }
    }
    constexpr std::size_t chunk = 4096;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            sipc.receive_bytes(stream.data() + at, std::min(chunk, stream.size() - at));
        }
    }
    benchmark::DoNotOptimize(client.sum);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * frames));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["decode_failures"] = static_cast<double>(client.failures);
}

} // namespace

BENCHMARK(dispatch_reply_mix);
BENCHMARK(framed_reply_mix);
BENCHMARK_MAIN();
