// Counts and rates of the user data.

#include "data_flow_meter.h"

namespace vq_qt {

QVariantMap Data_flow_snapshot::to_variant_map() const
{
    return {{"to_modem_bytes", to_modem_bytes},   {"from_modem_bytes", from_modem_bytes},
            {"to_modem_bps", to_modem_bps},       {"from_modem_bps", from_modem_bps},
            {"tx_buffer_bytes", tx_buffer_bytes}, {"cts", cts},
            {"modem_flow_stop", modem_flow_stop}, {"held", held}};
}

void Data_flow_meter::restart(qint64 now_ms)
{
    samples.clear();
    sample(now_ms);
}

void Data_flow_meter::sample(qint64 now_ms)
{
    samples.push_back({now_ms, to_modem, from_modem});
    // The oldest sample kept is the newest one at least a window old.
    while (samples.size() > 1 && samples[1].time_ms <= now_ms - window_ms) {
        samples.pop_front();
    }
}

qint64 Data_flow_meter::rate(qint64 Sample::*count) const
{
    if (samples.size() < 2) {
        return 0;
    }
    const qint64 span_ms = samples.back().time_ms - samples.front().time_ms;
    if (span_ms <= 0) {
        return 0;
    }
    const qint64 bytes = samples.back().*count - samples.front().*count;
    return (bytes * 1000 + span_ms / 2) / span_ms;
}

bool Data_flow_meter::idle() const
{
    return samples.empty() || (samples.front().to_modem == samples.back().to_modem &&
                               samples.front().from_modem == samples.back().from_modem);
}

} // namespace vq_qt
