#include "ale_2g_control_panel.h"

#include "log_categories.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace vq_qt {

namespace {

QLabel* caption(const QString& text, QWidget* control, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    return label;
}

void apply_button(QPushButton* button, const Ale_2g_button_update& update)
{
    if (update.text) {
        button->setText(*update.text);
    }
    if (update.enabled) {
        button->setEnabled(*update.enabled);
    }
}

} // namespace

Ale_2g_control_panel::Ale_2g_control_panel(QWidget* parent) : QGroupBox(parent)
{
    machine = new Ale_2g_state_machine(ale_settings, this);

    address_validator =
        new QRegularExpressionValidator(QRegularExpression("[0-9a-zA-Z]{3,15}"), this);
    line_edit_2g_self_address = new QLineEdit(this);
    line_edit_2g_self_address->setObjectName("line_edit_2g_self_address");
    line_edit_2g_self_address->setToolTip("Self Address, 3 to 15 chars, no spaces");
    line_edit_2g_other_address = new QLineEdit(this);
    line_edit_2g_other_address->setObjectName("line_edit_2g_other_address");
    line_edit_2g_other_address->setToolTip("Other Address, 3 to 15 chars, no spaces");
    for (QLineEdit* edit : {line_edit_2g_self_address, line_edit_2g_other_address}) {
        edit->setValidator(address_validator);
    }
    normal_palette = line_edit_2g_self_address->palette();
    invalid_palette = normal_palette;
    invalid_palette.setColor(QPalette::Text, Qt::red);

    push_button_2g_enable = new QPushButton("Enable", this);
    push_button_2g_enable->setObjectName("push_button_2g_enable");
    push_button_2g_call = new QPushButton("Call", this);
    push_button_2g_call->setObjectName("push_button_2g_call");
    label_2g_status = new QLabel("-", this);
    label_2g_status->setObjectName("label_2g_status");
    label_2g_detail = new QLabel(this);
    label_2g_detail->setObjectName("label_2g_detail");

    auto* grid = new QGridLayout(this);
    grid->addWidget(caption("Se&lf Address:", line_edit_2g_self_address, this), 0, 0);
    grid->addWidget(line_edit_2g_self_address, 0, 1);
    grid->addWidget(caption("&Other Address:", line_edit_2g_other_address, this), 1, 0);
    grid->addWidget(line_edit_2g_other_address, 1, 1);
    grid->addWidget(push_button_2g_enable, 2, 0);
    grid->addWidget(push_button_2g_call, 2, 1);
    grid->addWidget(caption("ALE Status:", label_2g_status, this), 3, 0);
    grid->addWidget(label_2g_status, 3, 1);
    grid->addWidget(label_2g_detail, 4, 0, 1, 2);
    grid->setRowStretch(5, 1);

    connect(line_edit_2g_self_address, &QLineEdit::textChanged, this,
            &Ale_2g_control_panel::_ui_action_2g_self_address_changed);
    connect(line_edit_2g_other_address, &QLineEdit::textChanged, this,
            &Ale_2g_control_panel::_ui_action_2g_other_address_changed);
    connect(push_button_2g_enable, &QPushButton::clicked, this,
            &Ale_2g_control_panel::_ui_action_2g_enable_disable);
    connect(push_button_2g_call, &QPushButton::clicked, this,
            &Ale_2g_control_panel::_ui_action_2g_control);
    connect(machine, &Ale_2g_state_machine::controls_changed, this,
            &Ale_2g_control_panel::apply_controls);
}

Ale_2g_control_panel::~Ale_2g_control_panel() = default;

Ale_2g_settings::Address_hooks Ale_2g_control_panel::address_hooks()
{
    Ale_2g_settings::Address_hooks hooks;
    hooks.self_address_loaded = [this](const QString& address) {
        line_edit_2g_self_address->setText(address);
    };
    hooks.other_address_loaded = [this](const QString& address) {
        line_edit_2g_other_address->setText(address);
    };
    return hooks;
}

bool Ale_2g_control_panel::_load_2G_ale_settings()
{
    return ale_settings._load_2G_ale_settings(address_hooks());
}

QString Ale_2g_control_panel::accept_address(QLineEdit* edit)
{
    QString text = edit->text();
    int position = 0;
    if (address_validator->validate(text, position) != QValidator::Acceptable) {
        edit->setPalette(invalid_palette);
        return QString();
    }
    edit->setPalette(normal_palette);
    const QString upper = edit->text().toUpper();
    if (upper != edit->text()) {
        const int cursor = edit->cursorPosition();
        edit->setText(upper); // fires the slot again, with nothing left to change
        edit->setCursorPosition(cursor);
    }
    return upper;
}

void Ale_2g_control_panel::_ui_action_2g_self_address_changed(QString /*new_text*/)
{
    qCDebug(lc_address_entry_2g).noquote()
        << "_line_edit_2g_self_address: new_address = " + line_edit_2g_self_address->text();
    ale_settings.set_self_address(accept_address(line_edit_2g_self_address));
    machine->_update_2g_gui_controls();
    qCDebug(lc_address_entry_2g).noquote()
        << "_ui_action_2g_self_address_changed: _ale_2g_self_address = " +
               ale_settings.self_address;
}

void Ale_2g_control_panel::_ui_action_2g_other_address_changed(QString /*new_text*/)
{
    qCDebug(lc_address_entry_2g).noquote()
        << "_ui_action_2g_other_address_changed: new_address = " +
               line_edit_2g_other_address->text();
    ale_settings.set_other_address(accept_address(line_edit_2g_other_address));
    machine->_update_2g_gui_controls();
    qCDebug(lc_address_entry_2g).noquote()
        << "_ui_action_2g_other_address_changed: _ale_2g_other_address = " +
               ale_settings.other_address;
}

void Ale_2g_control_panel::_ui_action_2g_enable_disable()
{
    const QString text = push_button_2g_enable->text();
    Ale_2g_event event = ALE_2G_EVENT_NONE;
    if (text == "Enable") {
        event = ALE_2G_EVENT_ENABLE;
    } else if (text == "Disable" || text == "Reset Error") {
        event = ALE_2G_EVENT_DISABLE;
    }
    machine->_2g_state_machine_execute(event);
}

void Ale_2g_control_panel::_ui_action_2g_control()
{
    const QString text = push_button_2g_call->text();
    Ale_2g_event event = ALE_2G_EVENT_NONE;
    if (text == "Call") {
        event = ALE_2G_EVENT_CALL;
    } else if (text == "Cancel") {
        event = ALE_2G_EVENT_CANCEL;
    } else if (text == "Terminate") {
        event = ALE_2G_EVENT_TERMINATE;
    } else {
        qCritical() << "#### ERROR #### Invalid Action for _ui_action_2g_control";
    }
    machine->_2g_state_machine_execute(event);
}

void Ale_2g_control_panel::apply_controls(const Ale_2g_controls& controls)
{
    if (controls.status_label) {
        label_2g_status->setText(*controls.status_label);
    }
    if (controls.detail_label) {
        label_2g_detail->setText(*controls.detail_label);
    }
    apply_button(push_button_2g_enable, controls.enable_button);
    apply_button(push_button_2g_call, controls.call_button);
    if (controls.self_address_enabled) {
        line_edit_2g_self_address->setEnabled(*controls.self_address_enabled);
    }
    if (controls.other_address_enabled) {
        line_edit_2g_other_address->setEnabled(*controls.other_address_enabled);
    }
}

} // namespace vq_qt
