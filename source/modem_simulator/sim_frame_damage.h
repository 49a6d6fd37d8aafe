// Damage to whole frames on the control line, in either direction: one bit
// flipped in a share of the frames, with the user data those frames carried
// counted, so a long run can tell the bytes the line destroyed from bytes
// the console lost.
#pragma once

#include "sim_types.h"

#include <cstdint>
#include <random>

namespace vq_sim {

struct Damage_counts
{
    std::uint64_t frames = 0;     // frames with a bit flipped
    std::uint64_t data_bytes = 0; // user data bytes those frames carried
};

// User data bytes a whole frame carries (data to or from the modem), else 0.
std::size_t user_data_in_frame(const Bytes& frame);

class Frame_damage
{
public:
    explicit Frame_damage(std::uint32_t seed) : _rng(seed) {}

    // Share of frames (0 to 100) that get one bit flipped.
    void set_percent(double percent) { _percent = percent; }
    double percent() const { return _percent; }
    const Damage_counts& counts() const { return _counts; }

    // One whole outgoing frame; true when a bit was flipped in it.
    bool damage_frame(Bytes& frame);

    // Incoming bytes in any chunking. Returns what to pass on: whole frames
    // (some of them damaged) and, unchanged, bytes that start no frame. While
    // no damage is asked for, bytes pass straight through.
    Bytes feed(const std::uint8_t* bytes, std::size_t count);
    // Bytes held back waiting for the rest of a frame.
    std::size_t pending() const { return _pending.size(); }
    // A new line: what was held belonged to the old one.
    void reset() { _pending.clear(); }

private:
    Damage_counts _counts;
    double _percent = 0;
    Bytes _pending;
    std::mt19937 _rng;
};

} // namespace vq_sim
