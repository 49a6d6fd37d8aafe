// The radio models the simulated modem can control, with how each behaves.
#pragma once

#include <string>
#include <vector>

namespace vq_sim {

struct Radio_model
{
    const char* name; // as the console sends it in the radio selection
    int lowest_hz;    // tuning range, both directions
    int highest_hz;
    int power_levels; // transmit power codes 1 .. power_levels
    int init_factor;  // radio control initialisation time, in steps of --radio-init-ms
};

const std::vector<Radio_model>& radio_models();
const Radio_model* radio_model(const std::string& name);

// The name the modem takes for "no radio attached".
inline const char* const no_radio = "No Radio";

} // namespace vq_sim
