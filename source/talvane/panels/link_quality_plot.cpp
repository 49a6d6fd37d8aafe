#include "link_quality_plot.h"

#include <QDateTime>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <qwt_date.h>
#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>
#include <vector>

namespace vq_qt {

namespace {

constexpr double ber_floor = 1e-8;
constexpr double ber_ceiling = 1;
// The SNR axis shows at least this range; values beyond widen it.
constexpr double snr_axis_low = -10;
constexpr double snr_axis_high = 30;
constexpr int refresh_ms = 1000;
// Room for both axes and a few minutes of samples beside them.
constexpr int minimum_width = 260;
constexpr int minimum_height = 120;
constexpr int time_label_spacing = 60;

const QColor snr_colour(0x1f, 0x5f, 0xbf);
const QColor ber_colour(0xc8, 0x3c, 0x14);

QwtText axis_title(const QString& text, const QColor& colour)
{
    QwtText title(text);
    title.setColor(colour);
    QFont font = title.font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    title.setFont(font);
    return title;
}

} // namespace

// A line through the samples that breaks where a sample starts a new line;
// a sample alone between two breaks shows as a dot.
class Link_quality_curve : public QwtPlotCurve
{
public:
    Link_quality_curve(const QColor& colour, QwtPlot::Axis y_axis)
    {
        setPen(colour, 1.5);
        setYAxis(y_axis);
        setRenderHint(QwtPlotItem::RenderAntialiased);
        setPaintAttribute(QwtPlotCurve::ClipPolygons);
    }

    void set_points(const QVector<QPointF>& points, std::vector<int> line_starts)
    {
        starts = std::move(line_starts);
        setSamples(points);
    }

protected:
    void drawSeries(QPainter* painter, const QwtScaleMap& x_map, const QwtScaleMap& y_map,
                    const QRectF& canvas, int from, int to) const override
    {
        if (to < 0) {
            to = int(dataSize()) - 1;
        }
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const int first = std::max(from, starts[i]);
            const int last = std::min(to, i + 1 < starts.size() ? starts[i + 1] - 1 : to);
            if (first > last) {
                continue;
            }
            if (first == last) {
                painter->save();
                QPen dot = pen();
                dot.setWidthF(4);
                dot.setCapStyle(Qt::RoundCap);
                painter->setPen(dot);
                drawDots(painter, x_map, y_map, canvas, first, last);
                painter->restore();
            } else {
                painter->setPen(pen());
                drawLines(painter, x_map, y_map, canvas, first, last);
            }
        }
    }

private:
    std::vector<int> starts;
};

Link_quality_plot::Link_quality_plot(QWidget* parent) : QwtPlot(parent)
{
    clock.start();
    clock_start_ms = QDateTime::currentMSecsSinceEpoch();

    setCanvasBackground(Qt::white);
    if (auto* frame = qobject_cast<QwtPlotCanvas*>(canvas())) {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
    }
    QFont scale_font = font();
    scale_font.setPointSizeF(scale_font.pointSizeF() * 0.85);
    for (int axis : {QwtPlot::xBottom, QwtPlot::yLeft, QwtPlot::yRight}) {
        setAxisFont(axis, scale_font);
    }

    auto* time_scale = new QwtDateScaleDraw(Qt::LocalTime);
    time_scale->setDateFormat(QwtDate::Second, "hh:mm:ss");
    time_scale->setDateFormat(QwtDate::Minute, "hh:mm");
    time_scale->setDateFormat(QwtDate::Hour, "hh:mm");
    setAxisScaleDraw(QwtPlot::xBottom, time_scale);
    setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
    setAxisMaxMinor(QwtPlot::xBottom, 0);

    setAxisTitle(QwtPlot::yLeft, axis_title("SNR [dB]", snr_colour));
    enableAxis(QwtPlot::yRight);
    setAxisTitle(QwtPlot::yRight, axis_title("BER", ber_colour));
    setAxisScaleEngine(QwtPlot::yRight, new QwtLogScaleEngine);
    setAxisScale(QwtPlot::yRight, ber_floor, ber_ceiling);
    setAxisMaxMajor(QwtPlot::yRight, 4);
    setAxisMaxMinor(QwtPlot::yRight, 0);
    setAxisMaxMajor(QwtPlot::yLeft, 4);

    auto* grid = new QwtPlotGrid;
    grid->setPen(QColor(0xdd, 0xdd, 0xdd), 0, Qt::DotLine);
    grid->attach(this);
    snr_curve = new Link_quality_curve(snr_colour, QwtPlot::yLeft);
    snr_curve->attach(this);
    ber_curve = new Link_quality_curve(ber_colour, QwtPlot::yRight);
    ber_curve->attach(this);

    setMinimumSize(minimum_width, minimum_height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    tick = new QTimer(this);
    tick->setInterval(refresh_ms);
    connect(tick, &QTimer::timeout, this, &Link_quality_plot::_refresh);
    tick->start();
    _refresh();
}

void Link_quality_plot::resizeEvent(QResizeEvent* event)
{
    // As many times of day as fit side by side.
    setAxisMaxMajor(QwtPlot::xBottom, std::max(2, width() / time_label_spacing));
    QwtPlot::resizeEvent(event);
}

qint64 Link_quality_plot::_now_ms() const
{
    return clock_start_ms + clock.elapsed();
}

void Link_quality_plot::add_report(int snr_db, double ber)
{
    samples.add(_now_ms(), snr_db, ber);
    _refresh();
}

void Link_quality_plot::interrupt()
{
    samples.interrupt();
}

void Link_quality_plot::_refresh()
{
    const qint64 now = _now_ms();
    samples.forget_before(now);
    QVector<QPointF> snr_points;
    QVector<QPointF> ber_points;
    std::vector<int> starts;
    double snr_low = snr_axis_low;
    double snr_high = snr_axis_high;
    for (const Link_quality_sample& sample : samples.samples()) {
        if (sample.starts_line) {
            starts.push_back(snr_points.size());
        }
        const double time = double(sample.time_ms);
        snr_points << QPointF(time, sample.snr_db);
        ber_points << QPointF(time, std::clamp(sample.ber, ber_floor, ber_ceiling));
        snr_low = std::min(snr_low, double(sample.snr_db));
        snr_high = std::max(snr_high, double(sample.snr_db));
    }
    snr_curve->set_points(snr_points, starts);
    ber_curve->set_points(ber_points, starts);
    setAxisScale(QwtPlot::yLeft, snr_low, snr_high);
    setAxisScale(QwtPlot::xBottom, double(now - samples.span_ms()), double(now));
    replot();
}

} // namespace vq_qt
