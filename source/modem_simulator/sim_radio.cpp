#include "sim_radio.h"

namespace vq_sim {

const std::vector<Radio_model>& radio_models()
{
    static const std::vector<Radio_model> models = {
        {"Icom IC-F8101", 1500000, 30000000, 2, 1},
        {"Bad Radio 2050", 1500000, 30000000, 2, 1},
        {"Manpack HF-2", 2000000, 30000000, 1, 3},
        {"Base Station HF-400", 1500000, 30000000, 2, 2},
    };
    return models;
}

const Radio_model* radio_model(const std::string& name)
{
    for (const Radio_model& m : radio_models()) {
        if (name == m.name) {
            return &m;
        }
    }
    return nullptr;
}

} // namespace vq_sim
