#pragma once

// The "2G ALE Control" group: the two address edits, the Enable/Disable and
// Call/Cancel/Terminate buttons, the ALE status line and its detail line.
// It owns the ALE settings and the state machine; the window wires the modem
// interface to state_machine() and the connection hooks.

#include "ale_2g_settings.h"
#include "ale_2g_state_machine.h"
#include "ale_2g_types.h"

#include <QGroupBox>
#include <QPalette>

class QLabel;
class QLineEdit;
class QPushButton;
class QRegularExpressionValidator;

namespace vq_qt {

class Ale_2g_control_panel : public QGroupBox
{
    Q_OBJECT

public:
    explicit Ale_2g_control_panel(QWidget* parent = nullptr);
    ~Ale_2g_control_panel() override;

    Ale_2g_state_machine* state_machine() { return machine; }
    Ale_2g_settings& settings() { return ale_settings; }

    // Loads the settings file; each loaded address goes through its edit,
    // so it is validated, upper-cased and written back like a typed one.
    bool _load_2G_ale_settings();
    // What loading does with each loaded address: it goes into its edit.
    Ale_2g_settings::Address_hooks address_hooks();

    QLineEdit* self_address_edit() const { return line_edit_2g_self_address; }
    QLineEdit* other_address_edit() const { return line_edit_2g_other_address; }
    QPushButton* enable_button() const { return push_button_2g_enable; }
    QPushButton* call_button() const { return push_button_2g_call; }
    QLabel* status_label() const { return label_2g_status; }
    QLabel* detail_label() const { return label_2g_detail; }

public slots:
    void _ui_action_2g_self_address_changed(QString new_text);
    void _ui_action_2g_other_address_changed(QString new_text);
    void _ui_action_2g_enable_disable();
    void _ui_action_2g_control();

private:
    void apply_controls(const Ale_2g_controls& controls);
    // Validates the edit's text; an acceptable one is upper-cased in the edit
    // and returned, anything else gives the empty string.
    QString accept_address(QLineEdit* edit);

    Ale_2g_settings ale_settings;
    Ale_2g_state_machine* machine = nullptr;

    QLineEdit* line_edit_2g_self_address = nullptr;
    QLineEdit* line_edit_2g_other_address = nullptr;
    QPushButton* push_button_2g_enable = nullptr;
    QPushButton* push_button_2g_call = nullptr;
    QLabel* label_2g_status = nullptr;
    QLabel* label_2g_detail = nullptr;
    QRegularExpressionValidator* address_validator = nullptr;
    QPalette normal_palette;
    QPalette invalid_palette;
};

} // namespace vq_qt
