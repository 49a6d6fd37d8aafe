// Feeds the TAC1 message handler's receive entry through real SIPC framing.
//
// Input: a sequence of records [n][source][n TAC1 bytes]; each record is
// wrapped in a valid SIPC frame on channel 1 from one of four sources (the
// handler's own address among them) and fed to the framing handler, which
// hands it to the message handler. Some identifiers have callbacks that
// decode their classes the way a client does. At the end the PDU of the last
// record is broadcast to the listener tables built up by the input.
//
// Checked on the way: no reply is a REQUEST or INDICATION, no NACK carries
// reason 2, and no received PDU draws more than one reply.
#include "sipc_protocol_handler.h"
#include "tac1_message_handler.h"
#include "tac1_messages.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace vq;

namespace {

constexpr std::uint32_t own_address = 0xC0A8000D;
constexpr std::uint16_t own_port = 880;
constexpr std::uint32_t reserve = 22;
constexpr std::uint32_t header = 20;

struct Source
{
    std::uint32_t address;
    std::uint16_t port;
};
constexpr Source sources[] = {
    {0xC0A80000, 58001}, {own_address, 880}, {0x7F000001, 880}, {0x0A000001, 9}};

void require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

class Harness
{
public:
    Harness() : sipc(own_port), tac1(own_address, own_port)
    {
        tac1.set_lower_protocol_send_callback(reserve, header,
                                              make_member_callback(this, &Harness::take_send));
        sipc.set_receive_callback(1, make_member_callback(&tac1, &Tac1_message_handler::receive));
        for (std::uint32_t identifier : {0x00020001u, 0x00020002u, 0x000300ACu, 0x012C0001u,
                                         0x012C0002u, 0x012C0009u, 0x0320001Cu}) {
            tac1.register_handler(identifier, make_member_callback(this, &Harness::client));
        }
        sipc.start();
    }

    // The lower layer: checks every reply and counts it.
    void take_send(Tac_lower_protocol_send_callback_object* record)
    {
        const Tac_pdu_buffer& pdu = record->pdu;
        require(pdu.size() >= reserve + TAC1_HEADER_SIZE);
        require(record->channel == 1);
        if (!broadcasting) {
            const Tac_message_types type = Tac1_pdu::type_of(pdu, header);
            require(type == Tac_message_types::ACK || type == Tac_message_types::NACK ||
                    type == Tac_message_types::RESPONSE);
            if (type == Tac_message_types::NACK) {
                const Tac1_nack nack(pdu, reserve, header);
                require(nack.ok());
                require(nack.reason() != TAC1_NACK_VALID_OTHER_MSG_TYPE_FOR_MSG_ID);
            }
            ++replies;
        }
        record->status = (pdu.size() & 7) == 7 ? tac_status_not_taken : tac_status_delivered;
    }

    // A client callback decoding what it registered for, touching every field.
    void client(Tac_callback_object* object)
    {
        const Tac_pdu_buffer& pdu = object->pdu;
        volatile std::uint32_t sink = 0;
        switch (Tac1_pdu::identifier_of(pdu, header)) {
        case 0x00020001:
        case 0x00020002: {
            const Tac1_msg_audio_tx_output_level_set m(pdu, reserve, header);
            sink = sink + m.port() + std::uint16_t(m.level()) + std::uint32_t(m.error());
            break;
        }
        case 0x000300AC: {
            const Tac1_msg_wf_lqa_indication m(pdu, reserve, header);
            sink = sink + std::uint8_t(m.snr()) + m.ber() + m.number_paths() +
                   m.multipath_spread() + m.doppler_spread() + std::uint16_t(m.doppler_offset()) +
                   m.wf_type();
            break;
        }
        default: {
            const Tac1_ack ack(pdu, reserve, header);
            const Tac1_nack nack(pdu, reserve, header);
            sink = sink + std::uint32_t(ack.error()) + nack.reason() + nack.first_detail() +
                   nack.second_detail() + nack.detail_byte();
            break;
        }
        }
        (void)sink;
    }

    Sipc_protocol_handler sipc;
    Tac1_message_handler tac1;
    std::size_t replies = 0;
    bool broadcasting = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One harness for the whole run: every record is a whole valid frame, so
    // the ring is empty between inputs, and the tables only ever hold the four
    // sources, which are cleared here.
    static Harness harness;
    for (const Source& source : sources) {
        harness.tac1.remove_listener_from_all_tables(source.address, source.port);
    }
    harness.broadcasting = false;
    std::vector<std::uint8_t> last;
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::size_t n = data[at];
        const Source& source = sources[data[at + 1] & 3];
        at += 2;
        const std::size_t take = n <= size - at ? n : size - at;

        Tac_pdu_buffer frame(std::uint32_t(take + reserve));
        std::uint32_t position = header;
        if (take > 0) {
            frame.put_bytes_at(position, data + at, std::uint32_t(take));
        }
        Sipc_protocol_handler::write_frame(frame, 1, own_address, own_port, source.address,
                                           source.port);
        last.assign(data + at, data + at + take);
        at += take;

        const std::size_t before = harness.replies;
        harness.sipc.receive_bytes(frame.data(), frame.size());
        require(harness.replies - before <= 1);
    }

    // Walk the listener tables with the last PDU, if it holds a header.
    if (last.size() >= TAC1_HEADER_SIZE) {
        Tac_pdu_buffer bytes(std::uint32_t(last.size() + reserve));
        std::uint32_t position = header;
        bytes.put_bytes_at(position, last.data(), std::uint32_t(last.size()));
        Tac1_pdu pdu(bytes, reserve, header);
        harness.broadcasting = true;
        harness.tac1.send_indication_to_listeners(pdu, true, sources[0].address, sources[0].port);
        harness.tac1.send_event_indication_to_listeners(pdu, false, 0, 0);
    }
    return 0;
}
