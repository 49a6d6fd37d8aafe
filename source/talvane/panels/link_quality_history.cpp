#include "link_quality_history.h"

#include <algorithm>

namespace vq_qt {

Link_quality_history::Link_quality_history(qint64 span_ms, int capacity, qint64 gap_ms)
    : span(span_ms), capacity(std::max(1, capacity)), gap_ms(gap_ms)
{}

void Link_quality_history::add(qint64 time_ms, int snr_db, double ber)
{
    Link_quality_sample sample;
    sample.snr_db = snr_db;
    sample.ber = ber;
    sample.time_ms = kept.empty() ? time_ms : std::max(time_ms, kept.back().time_ms);
    sample.starts_line =
        kept.empty() || interrupted || sample.time_ms - kept.back().time_ms > gap_ms;
    interrupted = false;
    kept.push_back(sample);
    while (int(kept.size()) > capacity) {
        kept.pop_front();
    }
    forget_before(sample.time_ms);
}

void Link_quality_history::forget_before(qint64 now_ms)
{
    while (!kept.empty() && kept.front().time_ms < now_ms - span) {
        kept.pop_front();
    }
    if (!kept.empty()) {
        kept.front().starts_line = true;
    }
}

} // namespace vq_qt
