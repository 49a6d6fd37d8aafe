#pragma once

// The link quality history beside the Receive Information panel: SNR (left
// axis, dB) and bit error rate (right axis, logarithmic from 1e-8 to 1) over
// the last ten minutes, against the clock. Where the modem sent no values
// there is no line. The plot moves on once a second.

#include "link_quality_history.h"

#include <QElapsedTimer>
#include <qwt_plot.h>

class QTimer;

namespace vq_qt {
class Link_quality_curve;

class Link_quality_plot : public QwtPlot
{
    Q_OBJECT

public:
    explicit Link_quality_plot(QWidget* parent = nullptr);

    const Link_quality_history& history() const { return samples; }

public slots:
    // One report of the modem (ber as a rate, 1e-4 for "10^(-4)").
    void add_report(int snr_db, double ber);
    // The modem stopped sending values (reception ended, link lost).
    void interrupt();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void _refresh();
    qint64 _now_ms() const;

    Link_quality_history samples;
    Link_quality_curve* snr_curve = nullptr;
    Link_quality_curve* ber_curve = nullptr;
    QTimer* tick = nullptr;
    // A steady clock, shown as the time of day it started at.
    QElapsedTimer clock;
    qint64 clock_start_ms = 0;
};

} // namespace vq_qt
