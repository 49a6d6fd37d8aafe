#include "sim_frame_damage.h"

#include "sim_fields.h"
#include "sim_node.h"
#include "tac_pdu_buffer.h"

#include <algorithm>

namespace vq_sim {

namespace {

constexpr std::uint8_t sync_0 = 0xC6, sync_1 = 0x7D;
constexpr std::size_t header_size = 20, overhead = 22;
// No frame of this protocol comes near this; a larger length is a false start.
constexpr std::size_t longest_payload = 4096;
constexpr std::uint32_t id_data_to_modem = 0x000A0001, id_data_from_modem = 0x000A0007;

} // namespace

std::size_t user_data_in_frame(const Bytes& frame)
{
    Frame_info info;
    if (!decode_frame(frame.data(), frame.size(), info) || info.type != TYPE_REQUEST ||
        (info.identifier != id_data_to_modem && info.identifier != id_data_from_modem) ||
        info.payload.size() < 2) {
        return 0;
    }
    return std::min<std::size_t>(get_u16(info.payload, 0), info.payload.size() - 2);
}

bool Frame_damage::damage_frame(Bytes& frame)
{
    if (_percent <= 0 || frame.empty() ||
        std::uniform_real_distribution<double>(0.0, 100.0)(_rng) >= _percent) {
        return false;
    }
    ++_counts.frames;
    _counts.data_bytes += user_data_in_frame(frame);
    const auto at = std::uniform_int_distribution<std::size_t>(0, frame.size() - 1)(_rng);
    frame[at] = static_cast<std::uint8_t>(frame[at] ^
                                          (1u << std::uniform_int_distribution<int>(0, 7)(_rng)));
    return true;
}

Bytes Frame_damage::feed(const std::uint8_t* bytes, std::size_t count)
{
    if (_percent <= 0 && _pending.empty()) {
        return Bytes(bytes, bytes + count);
    }
    _pending.insert(_pending.end(), bytes, bytes + count);
    Bytes out;
    std::size_t at = 0;
    while (at < _pending.size()) {
        const std::size_t left = _pending.size() - at;
        if (_pending[at] != sync_0 || (left >= 2 && _pending[at + 1] != sync_1)) {
            // Not a frame start: pass on up to the next possible one.
            const auto next =
                std::find(_pending.begin() + static_cast<long>(at) + 1, _pending.end(), sync_0);
            const auto end = static_cast<std::size_t>(next - _pending.begin());
            out.insert(out.end(), _pending.begin() + static_cast<long>(at), next);
            at = end;
            continue;
        }
        if (left < header_size) {
            break;
        }
        const std::size_t length =
            (std::size_t{_pending[at + 16]} << 8) | std::size_t{_pending[at + 17]};
        const std::uint16_t header_crc =
            static_cast<std::uint16_t>((_pending[at + 18] << 8) | _pending[at + 19]);
        // A false start (the sync word inside other bytes) fails the header check.
        if (length > longest_payload || vq::crc16(&_pending[at], 18) != header_crc) {
            out.push_back(_pending[at++]);
            continue;
        }
        if (left < overhead + length) {
            break;
        }
        Bytes frame(_pending.begin() + static_cast<long>(at),
                    _pending.begin() + static_cast<long>(at + overhead + length));
        damage_frame(frame);
        out.insert(out.end(), frame.begin(), frame.end());
        at += overhead + length;
    }
    _pending.erase(_pending.begin(), _pending.begin() + static_cast<long>(at));
    return out;
}

} // namespace vq_sim
