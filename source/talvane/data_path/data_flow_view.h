#pragma once

// User data at a glance, in the Data Interface panel: the bytes each way
// since the console started and their rates over the last seconds, the
// transmit buffer's fill against its water marks, CTS, the modem's flow stop
// and its hold on the data it receives. Four rows of the panel's grid, a
// caption and its values each; every value has a fixed width, so the panel
// keeps its size as the numbers change.

#include "data_flow_meter.h"

#include <QObject>
#include <QProgressBar>
#include <QVariantMap>

class QGridLayout;
class QLabel;

namespace vq_qt {

// A progress bar with a tick at each of two marks.
class Water_mark_bar : public QProgressBar
{
    Q_OBJECT

public:
    Water_mark_bar(int low_mark, int high_mark, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int marks[2];
};

class Data_flow_view : public QObject
{
    Q_OBJECT

public:
    // Fills the rows from `first_row` of `grid`, which lays out `parent`.
    Data_flow_view(QGridLayout* grid, int first_row, QWidget* parent);

    void show_flow(const Data_flow_snapshot& flow);
    // The values shown, keyed as the operator commands give them.
    QVariantMap operator_data() const { return shown.to_variant_map(); }

    // At most four digits and a unit: "9999 B", "10 kB", "9999 kB",
    // "10 MB", ...
    static QString byte_count_text(qint64 bytes);

    QLabel* to_modem_bytes_label = nullptr;
    QLabel* to_modem_rate_label = nullptr;
    QLabel* from_modem_bytes_label = nullptr;
    QLabel* from_modem_rate_label = nullptr;
    Water_mark_bar* tx_buffer_bar = nullptr;
    // "CTS on" or "CTS off", then "flow stop" while the modem stopped the
    // flow and "held" while it holds its data: "CTS off, flow stop, held".
    QLabel* flow_state_label = nullptr;

private:
    Data_flow_snapshot shown;
};

} // namespace vq_qt
