#pragma once

// The "Data Interface" panel: the choice between the virtual port (user data
// through this program) and the modem's own data port, the virtual port's
// name and line settings, and the modem data port's selectors, which the
// Modem Control panel owns and this panel places; below them, the user data
// at a glance.

#include <QGroupBox>
#include <QVariantMap>

class QComboBox;
class QLabel;
class QRadioButton;

namespace vq_qt {
class Data_flow_view;

class Data_interface_panel : public QGroupBox
{
    Q_OBJECT
    // The user data at a glance, for the operator commands' snapshot.
    Q_PROPERTY(QVariantMap operator_data READ operator_data)

public:
    // The three selectors of the modem's data port: baud rate, data format
    // and flow control, placed beside the virtual port's labels.
    Data_interface_panel(QComboBox* port_rate_selector, QComboBox* data_format_selector,
                         QComboBox* flow_control_selector, QWidget* parent = nullptr);

    // Entering Connected: a modem with a data port of its own (model 2 or 3)
    // offers it and selects it when it is the remembered choice; any other
    // modem uses the virtual port. The remembered choice is kept either way.
    void select_data_interface_on_connect(int modem_model);
    // The remembered choice ("Data IF Raw"): true for the modem's data port.
    // The operator's click changes it, but a click on the virtual port only
    // while the data port is offered too; Save stores it.
    bool data_if_raw() const { return data_if_raw_flag; }
    void set_data_if_raw(bool raw) { data_if_raw_flag = raw; }
    bool raw_data_interface_chosen() const;
    QVariantMap operator_data() const;

    // The virtual port's readouts (texts from the virtual port).
    void show_vsp_port_name(const QString& text, const QString& tool_tip);
    void show_vsp_baud(const QString& text);
    void show_vsp_data_format(const QString& text);
    void show_vsp_flow_control(const QString& text);

    QRadioButton* vsp_data_interface_button = nullptr;
    QRadioButton* raw_data_interface_button = nullptr;
    QLabel* raw_port_label = nullptr;
    QLabel* vsp_port_name_label = nullptr;
    QLabel* vsp_baud_label = nullptr;
    QLabel* vsp_data_format_label = nullptr;
    QLabel* vsp_flow_control_label = nullptr;
    Data_flow_view* data_flow = nullptr;

public slots:
    void _ui_action_vsp_data_interface_selected();
    void _ui_action_raw_data_interface_selected();

private:
    void _show_interface(bool raw);

    QComboBox* port_rate_selector;
    QComboBox* data_format_selector;
    QComboBox* flow_control_selector;
    bool data_if_raw_flag = false;
};

} // namespace vq_qt
