// The SIPC receive path against a plain reference deframer.
//
// Input: byte 0 = chunk-size count K (low 4 bits) and a repeat code (high 4
// bits: the stream is sent once for codes 0 to 9, then 2, 2, 4, 8, 16 or 64
// times); byte 1 = flags (bit 0: a channel-0 callback is set, bit 1: feed
// through the whole-buffer entry, bit 2: the handler is started); then K
// chunk-size codes; the rest is the byte stream, cut into chunks whose sizes
// cycle through the codes, times the repeat count (the whole stream at once
// when K is 0).
//
// The reference keeps every byte in an unbounded array and applies the frame
// rules literally, so the handler's ring (which must never lose a byte nor
// wedge) has to deliver exactly the same frames in the same order.

#include "sipc_protocol_handler.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// The harness's own checking code needs no coverage feedback: leaving it
// uninstrumented keeps the executions per second up.
#define NOT_FUZZED __attribute__((no_sanitize("coverage")))

namespace {

constexpr std::size_t ring_capacity = 7168;
constexpr std::size_t max_payload = ring_capacity - 22;

// CRC-16 straight from its definition (polynomial 0x1021, preset 0x1D0F,
// most significant bit first), one byte at a time through a table made by
// the bitwise rule; 0 for no bytes.
struct Reference_crc
{
    std::uint16_t table[256];
    Reference_crc()
    {
        for (unsigned byte = 0; byte < 256; ++byte) {
            std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                     : static_cast<std::uint16_t>(crc << 1);
            }
            table[byte] = crc;
        }
    }
};

NOT_FUZZED std::uint16_t reference_crc(const std::uint8_t* bytes, std::size_t count)
{
    static const Reference_crc reference;
    if (count == 0) {
        return 0;
    }
    std::uint16_t crc = 0x1D0F;
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ reference.table[(crc >> 8) ^ bytes[i]]);
    }
    return crc;
}

NOT_FUZZED std::uint32_t be(const std::uint8_t* bytes, int width)
{
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

struct Delivery
{
    int channel;
    std::uint32_t address;
    std::uint16_t port;
    std::vector<std::uint8_t> bytes;

    NOT_FUZZED bool operator==(const Delivery& other) const
    {
        return channel == other.channel && address == other.address && port == other.port &&
               bytes == other.bytes;
    }
};

class Reference
{
public:
    bool channel_0 = false;
    std::vector<Delivery> delivered;

    void receive(const std::uint8_t* bytes, std::size_t count)
    {
        _stream.insert(_stream.end(), bytes, bytes + count);
        parse();
    }

private:
    NOT_FUZZED void parse()
    {
        for (;;) {
            const std::size_t length = _stream.size();
            std::size_t sync = _position;
            while (sync + 1 < length && !(_stream[sync] == 0xC6 && _stream[sync + 1] == 0x7D)) {
                ++sync;
            }
            if (sync + 1 >= length) {
                if (length > _position + 1) {
                    _position = length - 1; // keep the last byte
                }
                return;
            }
            _position = sync;
            const std::uint8_t* f = _stream.data() + _position;
            if (length - _position < 20) {
                return;
            }
            const std::size_t l = be(f + 16, 2);
            if (f[2] != 0x10 || f[15] > 1 || l > max_payload ||
                reference_crc(f, 18) != be(f + 18, 2)) {
                ++_position;
                continue;
            }
            if (length - _position < l + 22) {
                return;
            }
            if (reference_crc(f + 20, l) != be(f + 20 + l, 2)) {
                ++_position;
                continue;
            }
            if (f[15] == 1 || channel_0) {
                delivered.push_back({f[15], be(f + 9, 4), static_cast<std::uint16_t>(be(f + 13, 2)),
                                     std::vector<std::uint8_t>(f, f + l + 22)});
            }
            _position += l + 22;
        }
    }

    std::vector<std::uint8_t> _stream;
    std::size_t _position = 0;
};

class Sink
{
public:
    std::vector<Delivery> delivered;
    void on_0(vq::Tac_callback_object* record) { take(0, record); }
    void on_1(vq::Tac_callback_object* record) { take(1, record); }

private:
    NOT_FUZZED void take(int channel, vq::Tac_callback_object* record)
    {
        const std::uint8_t* f = record->pdu.data();
        const std::size_t size = record->pdu.size();
        // Every delivered frame is whole and carries two valid CRCs.
        if (size < 22 || be(f + 16, 2) + 22 != size || reference_crc(f, 18) != be(f + 18, 2) ||
            reference_crc(f + 20, size - 22) != be(f + size - 2, 2) || f[15] != channel ||
            record->status != vq::tac_status_delivered) {
            std::fprintf(stderr, "delivered frame is not valid\n");
            std::abort();
        }
        delivered.push_back(
            {channel, record->address, record->port, std::vector<std::uint8_t>(f, f + size)});
    }
};

std::size_t chunk_size(std::uint8_t code)
{
    // Mostly small chunks, a few larger than the ring.
    static const std::size_t large[] = {255, 1024, 4096, 7167, 7168, 7169, 10000, 20000};
    return code < 248 ? std::size_t(code) + 1 : large[code - 248];
}

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

} // namespace

// Each run allocates a fresh handler: a smaller quarantine and no fill of
// fresh blocks keep that cheap without hiding use-after-free in one run.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16:max_malloc_fill_size=0:malloc_context_size=8";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const std::size_t codes = data[0] & 0x0F;
    // Now and then a long stream, so that chunks overrun the ring.
    static const std::size_t repeats[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 4, 8, 16, 64};
    const std::size_t repeat = repeats[data[0] >> 4];
    const bool channel_0 = (data[1] & 1) != 0;
    const bool whole_buffers = (data[1] & 2) != 0;
    const bool started = (data[1] & 4) != 0;
    if (size < 2 + codes) {
        return 0;
    }
    const std::uint8_t* code = data + 2;
    std::vector<std::uint8_t> stream;
    for (std::size_t r = 0; r < repeat; ++r) {
        stream.insert(stream.end(), data + 2 + codes, data + size);
    }

    vq::Sipc_protocol_handler handler(1);
    Sink sink;
    Reference reference;
    reference.channel_0 = channel_0;
    handler.set_receive_callback(1, make_member_callback(&sink, &Sink::on_1));
    if (channel_0) {
        handler.set_receive_callback(0, make_member_callback(&sink, &Sink::on_0));
    }
    if (started) {
        handler.start();
    }

    std::size_t position = 0;
    for (std::size_t n = 0; position < stream.size(); ++n) {
        // A repeated stream is cut into chunks that many times larger, so
        // that the number of calls (and the time per run) stays bounded.
        std::size_t chunk = codes == 0 ? stream.size() : chunk_size(code[n % codes]) * repeat;
        if (chunk > stream.size() - position) {
            chunk = stream.size() - position;
        }
        const std::uint8_t* bytes = stream.data() + position;
        if (whole_buffers) {
            vq::Tac_callback_object record;
            record.pdu = vq::Tac_pdu_buffer(bytes, static_cast<std::uint32_t>(chunk));
            const bool taken = handler.receive_buffer(&record);
            const bool expected = started && chunk <= ring_capacity;
            check(taken == expected, "whole-buffer entry took the wrong buffers");
            check(record.status == (!started   ? vq::tac_status_stopped
                                    : expected ? vq::tac_status_delivered
                                               : vq::tac_status_no_room),
                  "whole-buffer entry status");
            if (expected) {
                reference.receive(bytes, chunk);
            }
        } else {
            handler.receive_bytes(bytes, chunk);
            reference.receive(bytes, chunk);
        }
        position += chunk;
        check(handler.ring().filled_count() <= ring_capacity, "ring above its capacity");
        check(handler.ring().free_count() > 0, "ring left full");
        check(sink.delivered.size() == reference.delivered.size(),
              "handler and reference delivered different numbers of frames");
    }
    check(sink.delivered == reference.delivered,
          "handler and reference delivered different frames");
    return 0;
}
