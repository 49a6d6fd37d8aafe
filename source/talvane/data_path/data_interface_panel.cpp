// The "Data Interface" panel: which interface carries the user data, and
// what is known of it.

#include "data_interface_panel.h"

#include "data_flow_view.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>

namespace vq_qt {

namespace {

const char* const no_value = "-";

QLabel* caption(const char* text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

Data_interface_panel::Data_interface_panel(QComboBox* port_rate_selector,
                                           QComboBox* data_format_selector,
                                           QComboBox* flow_control_selector, QWidget* parent)
    : QGroupBox(parent), port_rate_selector(port_rate_selector),
      data_format_selector(data_format_selector), flow_control_selector(flow_control_selector)
{
    data_if_raw_flag = QSettings().value("Data IF Raw", false).toBool();

    auto* grid = new QGridLayout(this);
    vsp_data_interface_button = new QRadioButton("Virtual COM Port", this);
    raw_data_interface_button = new QRadioButton("KX5 Data Port", this);
    raw_port_label = new QLabel("KX5 Data Port", this);
    vsp_port_name_label = new QLabel(no_value, this);
    vsp_port_name_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    vsp_baud_label = new QLabel(no_value, this);
    vsp_data_format_label = new QLabel(no_value, this);
    vsp_flow_control_label = new QLabel(no_value, this);

    grid->addWidget(vsp_data_interface_button, 0, 0, 1, 1);
    grid->addWidget(raw_data_interface_button, 0, 1, 1, 1);
    grid->addWidget(new QLabel("Data Port:", this), 1, 0, 1, 1);
    grid->addWidget(raw_port_label, 1, 1, 1, 1);
    grid->addWidget(vsp_port_name_label, 1, 1, 1, 1);
    // Each caption names the control shown beside it: the selector when the
    // modem's data port is chosen, the readout otherwise.
    grid->addWidget(caption("&Baud Rate:", port_rate_selector, this), 2, 0, 1, 1);
    grid->addWidget(port_rate_selector, 2, 1, 1, 1);
    grid->addWidget(vsp_baud_label, 2, 1, 1, 1);
    grid->addWidget(caption("Data &Format:", data_format_selector, this), 3, 0, 1, 1);
    grid->addWidget(data_format_selector, 3, 1, 1, 1);
    grid->addWidget(vsp_data_format_label, 3, 1, 1, 1);
    grid->addWidget(caption("Flow &Control:", flow_control_selector, this), 4, 0, 1, 1);
    grid->addWidget(flow_control_selector, 4, 1, 1, 1);
    grid->addWidget(vsp_flow_control_label, 4, 1, 1, 1);
    data_flow = new Data_flow_view(grid, 5, this);

    connect(vsp_data_interface_button, &QRadioButton::clicked, this,
            &Data_interface_panel::_ui_action_vsp_data_interface_selected);
    connect(raw_data_interface_button, &QRadioButton::clicked, this,
            &Data_interface_panel::_ui_action_raw_data_interface_selected);

    // Until a modem is connected the panel shows the interface remembered.
    (data_if_raw_flag ? raw_data_interface_button : vsp_data_interface_button)->setChecked(true);
    _show_interface(data_if_raw_flag);
}

bool Data_interface_panel::raw_data_interface_chosen() const
{
    return raw_data_interface_button->isChecked();
}

QVariantMap Data_interface_panel::operator_data() const
{
    return data_flow->operator_data();
}

void Data_interface_panel::_show_interface(bool raw)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(raw_port_label), static_cast<QWidget*>(port_rate_selector),
          static_cast<QWidget*>(data_format_selector),
          static_cast<QWidget*>(flow_control_selector)}) {
        widget->setVisible(raw);
    }
    for (QLabel* label :
         {vsp_port_name_label, vsp_baud_label, vsp_data_format_label, vsp_flow_control_label}) {
        label->setVisible(!raw);
    }
}

void Data_interface_panel::_ui_action_vsp_data_interface_selected()
{
    // Only a choice between the two changes the remembered one: a modem
    // without a data port of its own offers the virtual port alone.
    if (raw_data_interface_button->isEnabled()) {
        data_if_raw_flag = false;
    }
    _show_interface(false);
}

void Data_interface_panel::_ui_action_raw_data_interface_selected()
{
    data_if_raw_flag = true;
    _show_interface(true);
}

void Data_interface_panel::select_data_interface_on_connect(int modem_model)
{
    const bool has_data_port = modem_model == 2 || modem_model == 3;
    const bool raw = has_data_port && data_if_raw_flag;
    raw_data_interface_button->setEnabled(has_data_port);
    (raw ? raw_data_interface_button : vsp_data_interface_button)->setChecked(true);
    // What fits the model is shown; the remembered choice stays as the
    // operator left it, for the next modem that has a data port.
    _show_interface(raw);
}

void Data_interface_panel::show_vsp_port_name(const QString& text, const QString& tool_tip)
{
    // A path takes two lines, its folder and then the port's own name, each
    // shortened in the middle to the readout's smallest width if need be,
    // so that the group keeps its size whatever the path.
    const int slash = text.lastIndexOf('/');
    if (slash < 0) {
        vsp_port_name_label->setText(text);
        vsp_port_name_label->setToolTip(tool_tip);
        return;
    }
    const QFontMetrics metrics = vsp_port_name_label->fontMetrics();
    const int width = vsp_port_name_label->minimumWidth();
    auto fitted = [&metrics, width](const QString& line) {
        return width > 0 ? metrics.elidedText(line, Qt::ElideMiddle, width) : line;
    };
    const QString folder = fitted(text.left(slash + 1));
    const QString name = fitted(text.mid(slash + 1));
    vsp_port_name_label->setText(folder + '\n' + name);
    const bool whole = folder + name == text;
    vsp_port_name_label->setToolTip(whole || tool_tip.isEmpty() ? tool_tip
                                                                : text + '\n' + tool_tip);
}

void Data_interface_panel::show_vsp_baud(const QString& text)
{
    vsp_baud_label->setText(text);
}

void Data_interface_panel::show_vsp_data_format(const QString& text)
{
    vsp_data_format_label->setText(text);
}

void Data_interface_panel::show_vsp_flow_control(const QString& text)
{
    vsp_flow_control_label->setText(text);
}

} // namespace vq_qt
