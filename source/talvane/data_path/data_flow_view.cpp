// The data flow readouts of the Data Interface panel.

#include "data_flow_view.h"

#include "data_path_bridge.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <iterator>

namespace vq_qt {

namespace {

constexpr int value_spacing = 6; // pixels between the values of a row

// A number as wide as the widest text it will show, right-aligned.
QLabel* readout(const QString& widest, const QString& tool_tip, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedWidth(label->fontMetrics().horizontalAdvance(widest));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setToolTip(tool_tip);
    return label;
}

QString rate_text(qint64 bytes_per_second)
{
    return Data_flow_view::byte_count_text(bytes_per_second) + "/s";
}

} // namespace

Water_mark_bar::Water_mark_bar(int low_mark, int high_mark, QWidget* parent)
    : QProgressBar(parent), marks{low_mark, high_mark}
{}

void Water_mark_bar::paintEvent(QPaintEvent* event)
{
    QProgressBar::paintEvent(event);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    const QRect groove = style()->subElementRect(QStyle::SE_ProgressBarGroove, &option, this);
    if (maximum() <= minimum()) {
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    for (const int mark : marks) {
        const int x = groove.left() +
                      int(qint64(groove.width()) * (mark - minimum()) / (maximum() - minimum()));
        painter.drawLine(x, groove.top(), x, groove.top() + groove.height() / 4);
        painter.drawLine(x, groove.bottom() - groove.height() / 4, x, groove.bottom());
    }
}

Data_flow_view::Data_flow_view(QGridLayout* grid, int first_row, QWidget* parent) : QObject(parent)
{
    using Bridge = Data_path_bridge;
    const QString widest_count = "9999 MB";
    const QString widest_rate = "9999 kB/s";
    const QString sent = "User data handed to the modem since the console started";
    const QString received = "User data received from the modem since the console started";
    const QString rate =
        QString("Bytes per second, over the last %1 s").arg(Data_flow_meter::window_ms / 1000);
    to_modem_bytes_label = readout(widest_count, sent, parent);
    to_modem_rate_label = readout(widest_rate, rate, parent);
    from_modem_bytes_label = readout(widest_count, received, parent);
    from_modem_rate_label = readout(widest_rate, rate, parent);
    tx_buffer_bar =
        new Water_mark_bar(Bridge::tx_low_water_mark, Bridge::tx_high_water_mark, parent);
    tx_buffer_bar->setRange(0, Bridge::tx_high_water_mark + Bridge::vsp_read_size);
    tx_buffer_bar->setFixedWidth(to_modem_bytes_label->minimumWidth() + value_spacing +
                                 to_modem_rate_label->minimumWidth());
    tx_buffer_bar->setToolTip(QString("Bytes from the application waiting for the modem. The "
                                      "ticks are the water marks: CTS drops above %1 bytes and "
                                      "rises again at %2 or fewer")
                                  .arg(Bridge::tx_high_water_mark)
                                  .arg(Bridge::tx_low_water_mark));
    flow_state_label = new QLabel(parent);
    flow_state_label->setFixedWidth(
        flow_state_label->fontMetrics().horizontalAdvance("CTS off, flow stop, held"));
    flow_state_label->setToolTip(
        "CTS: clear to send, given to the application on the data port.\n"
        "flow stop: the modem takes no more data until it says so.\n"
        "held: the modem keeps the data it receives, as no application holds the data port "
        "or the application does not read it.");

    const std::pair<const char*, QList<QWidget*>> rows[] = {
        {"To Modem:", {to_modem_bytes_label, to_modem_rate_label}},
        {"From Modem:", {from_modem_bytes_label, from_modem_rate_label}},
        {"Tx Buffer:", {tx_buffer_bar}},
        {"Flow State:", {flow_state_label}}};
    int row = first_row;
    for (const auto& [caption, values] : rows) {
        auto* line = new QHBoxLayout;
        line->setSpacing(value_spacing);
        for (QWidget* value : values) {
            line->addWidget(value);
        }
        line->addStretch(1);
        grid->addWidget(new QLabel(caption, parent), row, 0);
        grid->addLayout(line, row++, 1);
    }
    show_flow(shown);
}

QString Data_flow_view::byte_count_text(qint64 bytes)
{
    static const char* const units[] = {"B", "kB", "MB", "GB", "TB"};
    int unit = 0;
    while (bytes >= 10000 && unit + 1 < int(std::size(units))) {
        bytes /= 1000;
        ++unit;
    }
    return QString("%1 %2").arg(bytes).arg(units[unit]);
}

void Data_flow_view::show_flow(const Data_flow_snapshot& flow)
{
    shown = flow;
    to_modem_bytes_label->setText(byte_count_text(flow.to_modem_bytes));
    to_modem_rate_label->setText(rate_text(flow.to_modem_bps));
    from_modem_bytes_label->setText(byte_count_text(flow.from_modem_bytes));
    from_modem_rate_label->setText(rate_text(flow.from_modem_bps));
    tx_buffer_bar->setValue(qMin(flow.tx_buffer_bytes, tx_buffer_bar->maximum()));
    tx_buffer_bar->setFormat(byte_count_text(flow.tx_buffer_bytes));
    QStringList state{flow.cts ? "CTS on" : "CTS off"};
    if (flow.modem_flow_stop) {
        state << "flow stop";
    }
    if (flow.held) {
        state << "held";
    }
    flow_state_label->setText(state.join(", "));
}

} // namespace vq_qt
