#pragma once

// User data counted each way, with its rate over the last few seconds. The
// counts live as long as the meter (the console's run: a reconnect keeps
// them). The rates come from samples taken about once a second: the bytes
// between the oldest sample of the window and the newest, divided by the
// time between them.

#include <QVariantMap>
#include <QtGlobal>
#include <deque>

namespace vq_qt {

// What the Data Interface panel and the operator commands show of the data
// path. Rates are in bytes per second.
struct Data_flow_snapshot
{
    qint64 to_modem_bytes = 0;
    qint64 from_modem_bytes = 0;
    qint64 to_modem_bps = 0;
    qint64 from_modem_bps = 0;
    int tx_buffer_bytes = 0; // waiting for the modem
    bool cts = true;         // the application may send
    bool modem_flow_stop = false;
    bool held = false; // the modem was asked to hold its data

    // Keyed as the operator commands give it: "to_modem_bytes", ..., "held",
    // "tx_buffer_bytes".
    QVariantMap to_variant_map() const;
};

class Data_flow_meter
{
public:
    static constexpr qint64 window_ms = 5000;

    void count_to_modem(qint64 bytes) { to_modem += bytes; }
    void count_from_modem(qint64 bytes) { from_modem += bytes; }
    qint64 to_modem_bytes() const { return to_modem; }
    qint64 from_modem_bytes() const { return from_modem; }

    // Starts the window afresh at `now_ms`: after a pause the samples from
    // before it say nothing of the rate now.
    void restart(qint64 now_ms);
    // Takes a sample at `now_ms` (a steady clock, in milliseconds) and lets
    // go of those older than the window.
    void sample(qint64 now_ms);
    qint64 to_modem_bps() const { return rate(&Sample::to_modem); }
    qint64 from_modem_bps() const { return rate(&Sample::from_modem); }
    // No byte moved in the window.
    bool idle() const;

private:
    struct Sample
    {
        qint64 time_ms;
        qint64 to_modem;
        qint64 from_modem;
    };
    qint64 rate(qint64 Sample::*count) const;

    qint64 to_modem = 0;
    qint64 from_modem = 0;
    std::deque<Sample> samples;
};

} // namespace vq_qt
