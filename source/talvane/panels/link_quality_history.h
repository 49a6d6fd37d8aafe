#pragma once

// The link quality the modem reported over the last minutes: one sample per
// report (SNR and bit error rate), kept for a fixed span of time and never
// more than a fixed number of them. Where the modem sent no values (not
// receiving, link lost, reports stopped) the history has a gap: the next
// sample starts a new line.

#include <QtGlobal>
#include <deque>

namespace vq_qt {

struct Link_quality_sample
{
    qint64 time_ms = 0; // on the caller's clock
    int snr_db = 0;
    double ber = 0;
    bool starts_line = true; // no line joins it to the sample before
};

class Link_quality_history
{
public:
    static constexpr qint64 default_span_ms = 10 * 60 * 1000;
    // Ten reports a second for the whole span; the modem sends about one.
    static constexpr int default_capacity = 6000;
    // Reports further apart than this are not joined by a line.
    static constexpr qint64 default_gap_ms = 5000;

    explicit Link_quality_history(qint64 span_ms = default_span_ms, int capacity = default_capacity,
                                  qint64 gap_ms = default_gap_ms);

    // A report at `time_ms`. Times run forward: an earlier one is taken as
    // the time of the latest sample.
    void add(qint64 time_ms, int snr_db, double ber);
    // The modem stopped sending values: the next sample starts a new line.
    void interrupt() { interrupted = true; }
    // Forgets the samples older than the span before `now_ms`.
    void forget_before(qint64 now_ms);

    const std::deque<Link_quality_sample>& samples() const { return kept; }
    qint64 span_ms() const { return span; }

private:
    std::deque<Link_quality_sample> kept;
    qint64 span;
    int capacity;
    qint64 gap_ms;
    bool interrupted = false;
};

} // namespace vq_qt
