// The transitions of the 2G ALE state machine and what each state shows.

#include "ale_2g_state_machine.h"

#include "log_categories.h"

#include <iterator>

namespace vq_qt {

namespace {

const char* const state_names[] = {"DISABLED", "CONFIG",      "ENABLED",   "CALL_SETUP", "CALLING",
                                   "LINKED",   "TERMINATING", "DISABLING", "ERROR"};

QString green(const QString& text)
{
    return "<font color='green'>" + text + "</font>";
}

QString red(const QString& text)
{
    return "<font color='red'>" + text + "</font>";
}

QString orange(const QString& text)
{
    return "<font color='orange'>" + text + "</font>";
}

} // namespace

QString ale_2g_state_name(int state)
{
    if (state < 0 || state >= int(std::size(state_names))) {
        return "UNKNOWN";
    }
    return state_names[state];
}

Ale_2g_state_machine::Ale_2g_state_machine(Ale_2g_settings& settings, QObject* parent)
    : QObject(parent), ale_settings(settings)
{
    qRegisterMetaType<vq_qt::Ale_2g_controls>();
    ale_2g_event_timer.setInterval(event_interval_ms);
    ale_2g_event_timer.setSingleShot(false);
    connect(&ale_2g_event_timer, &QTimer::timeout, this,
            &Ale_2g_state_machine::_2g_ale_event_timeout);
    terminating_limit_timer.setSingleShot(true);
    connect(&terminating_limit_timer, &QTimer::timeout, this,
            &Ale_2g_state_machine::terminating_too_long);
    _change_2g_state(ALE_2G_STATE_DISABLED);
}

Ale_2g_state_machine::~Ale_2g_state_machine() = default;

void Ale_2g_state_machine::set_requests(Ale_2g_requests* new_requests)
{
    requests = new_requests;
}

void Ale_2g_state_machine::_change_2g_state(Ale_2g_state new_state)
{
    if (new_state == ale_2g_state) {
        return;
    }
    if (ale_2g_state == ALE_2G_STATE_TERMINATING) {
        terminating_limit_timer.stop();
        disable_after_terminating = false;
    }
    ale_2g_state = new_state;
    qCDebug(lc_state_change_2g).noquote() << "2G State = \"" + ale_2g_state_name(new_state) + "\"";
    if (new_state == ALE_2G_STATE_TERMINATING) {
        terminating_limit_timer.start(terminating_limit_ms);
    }
}

void Ale_2g_state_machine::_2g_ale_event_timeout()
{
    _2g_state_machine_execute(ALE_2G_EVENT_TIMEOUT);
}

void Ale_2g_state_machine::_2g_state_machine_execute(Ale_2g_event event)
{
    using Handler = void (Ale_2g_state_machine::*)(Ale_2g_event);
    static const Handler handlers[] = {
        &Ale_2g_state_machine::execute_disabled,    &Ale_2g_state_machine::execute_config,
        &Ale_2g_state_machine::execute_enabled,     &Ale_2g_state_machine::execute_call_setup,
        &Ale_2g_state_machine::execute_calling,     &Ale_2g_state_machine::execute_linked,
        &Ale_2g_state_machine::execute_terminating, &Ale_2g_state_machine::execute_disabling,
        &Ale_2g_state_machine::execute_error,
    };
    const int index = int(ale_2g_state);
    if (index < 0 || index >= int(std::size(handlers))) {
        qCCritical(lc_state_change_2g).noquote()
            << "_2g_state_machine_execute: Invalid State!! " + QString::number(index);
        return;
    }
    (this->*handlers[index])(event);
}

void Ale_2g_state_machine::execute_disabled(Ale_2g_event event)
{
    if (event == ALE_2G_EVENT_ENABLE) {
        emit radio_selector_lock(true);
        _change_2g_state(ALE_2G_STATE_CONFIG);
        set_texts(green("Configuring"), "");
        _update_2g_gui_controls();
        ale_2g_step_counter = 0;
        _2g_ale_send_next_config_message();
    } else if (event == ALE_2G_EVENT_TIMEOUT && disconnect_pending_flag) {
        ale_2g_detail_text.clear();
        _update_2g_gui_controls();
        perform_disconnect();
    }
}

void Ale_2g_state_machine::execute_config(Ale_2g_event event)
{
    switch (event) {
    case ALE_2G_EVENT_TAC1_REPLY:
        qCDebug(lc_tac1_reply_2g)
            << "_2g_state_machine_execute: ALE_2G_STATE_CONFIG: ALE_2G_EVENT_TAC1_REPLY";
        if (_2g_ale_send_next_config_message()) {
            _change_2g_state(ALE_2G_STATE_ENABLED);
            set_texts(green("Enabled"), "");
            _update_2g_gui_controls();
        }
        break;
    case ALE_2G_EVENT_NACK:
        stop_event_timer_into_error(red("Config NACK'ed"));
        break;
    case ALE_2G_EVENT_TIMEOUT:
        stop_event_timer_into_error(red("Config Timeout"));
        break;
    case ALE_2G_EVENT_DISABLE:
        start_disabling("Disabling", "");
        break;
    default:
        break;
    }
}

void Ale_2g_state_machine::execute_enabled(Ale_2g_event event)
{
    switch (event) {
    case ALE_2G_EVENT_CALL:
        _change_2g_state(ALE_2G_STATE_CALL_SETUP);
        set_texts(green("Call Setup"), "");
        _update_2g_gui_controls();
        ale_2g_step_counter = 0;
        ale_2g_occupancy_flag = false;
        _2g_ale_send_next_call_message();
        set_display_mode(true);
        ale_2g_activity_timeout_flag = false;
        break;
    case ALE_2G_EVENT_DISABLE:
        start_disabling("Disabling", "");
        break;
    case ALE_2G_EVENT_OFFLINE:
        start_disabling("Offline", "");
        break;
    default:
        break;
    }
}

void Ale_2g_state_machine::execute_call_setup(Ale_2g_event event)
{
    switch (event) {
    case ALE_2G_EVENT_TAC1_REPLY:
        if (_2g_ale_send_next_call_message()) {
            _change_2g_state(ALE_2G_STATE_CALLING);
            set_texts(green("Call Setup Done"), "");
            _update_2g_gui_controls();
        }
        break;
    case ALE_2G_EVENT_NACK:
        stop_event_timer_into_error(red("CALL Setup NACK'ed"));
        break;
    case ALE_2G_EVENT_TIMEOUT:
        stop_event_timer_into_error(red("Call Setup Timeout"));
        break;
    default:
        execute_calling(event); // the rows shared with CALLING
        break;
    }
}

void Ale_2g_state_machine::execute_calling(Ale_2g_event event)
{
    const bool calling = ale_2g_state == ALE_2G_STATE_CALLING;
    switch (event) {
    case ALE_2G_EVENT_CANCEL:
        set_display_mode(false);
        // A call step may still be awaited: nothing is awaited once cancelled.
        ale_2g_event_timer.stop();
        ale_2g_step_counter = 0;
        if (requests) {
            requests->set_ale_abort_request(1);
        }
        _change_2g_state(ALE_2G_STATE_ENABLED);
        set_texts("Canceled", "");
        _update_2g_gui_controls();
        break;
    case ALE_2G_EVENT_OFFLINE:
        start_disabling("Offline", "");
        break;
    case ALE_2G_EVENT_DISABLE:
        start_disabling("Disabling", "");
        break;
    case ALE_2G_EVENT_CALLING:
        if (calling) {
            set_texts(green("Linking"), "Calling " + ale_settings.other_address);
            _update_2g_gui_controls();
        }
        break;
    case ALE_2G_EVENT_REPLY:
        if (calling) {
            set_texts(green(QString("Reply from %1").arg(ale_2g_station_names)), "");
            _update_2g_gui_controls();
        }
        break;
    case ALE_2G_EVENT_LINKED:
        if (calling) {
            set_display_mode(false);
            _change_2g_state(ALE_2G_STATE_LINKED);
            ale_2g_status_text = green(QString("Linked to %1").arg(ale_2g_station_names));
            _update_2g_gui_controls();
        }
        break;
    case ALE_2G_EVENT_LINK_FAILED:
        if (calling) {
            set_display_mode(false);
            _change_2g_state(ALE_2G_STATE_ENABLED);
            set_texts(red("Link Failed"), "");
            _update_2g_gui_controls();
        }
        break;
    case ALE_2G_EVENT_LINK_TERMINATED:
        if (calling) {
            set_texts(orange("Link Terminated"), "Link terminated by user");
            _update_2g_gui_controls();
        }
        break;
    default:
        break;
    }
}

void Ale_2g_state_machine::execute_linked(Ale_2g_event event)
{
    switch (event) {
    case ALE_2G_EVENT_TERMINATE:
        set_display_mode(true);
        if (requests) {
            requests->set_ale_terminate_link(32);
        }
        _change_2g_state(ALE_2G_STATE_TERMINATING);
        set_texts(orange("Terminating link"), "");
        _update_2g_gui_controls();
        break;
    case ALE_2G_EVENT_DISABLE:
        if (requests) {
            requests->set_ale_terminate_link(32, ale_2g_expected_sequence_number);
        }
        _change_2g_state(ALE_2G_STATE_TERMINATING);
        disable_after_terminating = true;
        set_texts(orange("Terminating link"), "Terminating due to Disconnect Request");
        _update_2g_gui_controls();
        break;
    case ALE_2G_EVENT_OFFLINE:
        set_display_mode(true);
        if (requests) {
            requests->set_ale_terminate_link(32);
        }
        _change_2g_state(ALE_2G_STATE_ENABLED);
        set_texts("Offline", "");
        _update_2g_gui_controls();
        break;
    case ALE_2G_EVENT_LINK_TERMINATED:
        set_display_mode(false);
        _change_2g_state(ALE_2G_STATE_ENABLED);
        ale_2g_status_text = orange("Link Terminated");
        if (ale_2g_activity_timeout_flag) {
            ale_2g_detail_text = QString("Link aborted due to activity timeout (%1 sec)")
                                     .arg(ale_settings.activity_timeout);
            ale_2g_activity_timeout_flag = false;
        } else {
            ale_2g_detail_text = "Link terminated externally";
        }
        _update_2g_gui_controls();
        break;
    default:
        break;
    }
}

void Ale_2g_state_machine::execute_terminating(Ale_2g_event event)
{
    if (event == ALE_2G_EVENT_LINK_TERMINATED) {
        if (disconnect_pending_flag || disable_after_terminating) {
            disable_after_link();
        } else {
            set_display_mode(false);
            _change_2g_state(ALE_2G_STATE_ENABLED);
            set_texts(green("Link Terminated"), "Link terminated by user");
            _update_2g_gui_controls();
        }
    } else if (event == ALE_2G_EVENT_DISABLE) {
        // The first waits for the link to be terminated; asked again, the
        // operator does not want to wait any longer.
        if (!disable_after_terminating) {
            disable_after_terminating = true;
            return;
        }
        qCWarning(lc_state_change_2g).noquote()
            << "TERMINATING: disable requested again: disabling without the link-terminated report";
        disable_after_link();
    }
}

// The engine did not report the link terminated: a shutdown that was asked
// for goes ahead; a plain Terminate ends in ERROR, from which "Reset Error"
// disables the engine.
void Ale_2g_state_machine::terminating_too_long()
{
    if (ale_2g_state != ALE_2G_STATE_TERMINATING) {
        return;
    }
    qCWarning(lc_state_change_2g).noquote()
        << QString("TERMINATING: no link-terminated report within %1 ms").arg(terminating_limit_ms);
    if (disconnect_pending_flag || disable_after_terminating) {
        disable_after_link();
    } else {
        set_display_mode(false);
        stop_event_timer_into_error(red("Terminate Timeout"));
    }
}

void Ale_2g_state_machine::disable_after_link()
{
    set_display_mode(false);
    start_disabling("Disabling",
                    disconnect_pending_flag ? "Disabling due to Disconnect Request" : "");
}

void Ale_2g_state_machine::execute_disabling(Ale_2g_event event)
{
    switch (event) {
    case ALE_2G_EVENT_TAC1_REPLY:
        if (_2g_ale_send_next_disable_message()) {
            set_display_mode(false);
            emit radio_selector_lock(false);
            _change_2g_state(ALE_2G_STATE_DISABLED);
            set_texts("Disabled", "");
            _update_2g_gui_controls();
            if (disconnect_pending_flag) {
                ale_2g_detail_text = "Disconnecting";
                _update_2g_gui_controls();
                ale_2g_event_timer.start(disconnect_delay_ms);
            }
        }
        break;
    case ALE_2G_EVENT_NACK:
    case ALE_2G_EVENT_TIMEOUT:
        stop_event_timer_into_error(
            red(event == ALE_2G_EVENT_NACK ? "Disable NACK'ed" : "Disable Timeout"));
        // The engine cannot be shut down: a held-back disconnect goes ahead
        // rather than leaving the operator unable to disconnect.
        if (disconnect_pending_flag) {
            perform_disconnect();
        }
        break;
    default:
        break;
    }
}

void Ale_2g_state_machine::execute_error(Ale_2g_event event)
{
    if (event == ALE_2G_EVENT_DISABLE) {
        ale_2g_step_counter = 0;
        _2g_ale_send_next_disable_message();
        _change_2g_state(ALE_2G_STATE_DISABLING);
        _update_2g_gui_controls();
    }
}

void Ale_2g_state_machine::set_texts(const QString& status, const QString& detail)
{
    ale_2g_status_text = status;
    ale_2g_detail_text = detail;
}

void Ale_2g_state_machine::set_detail_text(const QString& text)
{
    ale_2g_detail_text = text;
    _update_2g_gui_controls();
}

void Ale_2g_state_machine::start_disabling(const QString& status, const QString& detail)
{
    _change_2g_state(ALE_2G_STATE_DISABLING);
    set_texts(status, detail);
    _update_2g_gui_controls();
    ale_2g_step_counter = 0;
    _2g_ale_send_next_disable_message();
}

// A NACK or timeout of a sequence step: nothing is awaited any more, so the
// event timer stops with it.
void Ale_2g_state_machine::stop_event_timer_into_error(const QString& status)
{
    _change_2g_state(ALE_2G_STATE_ERROR);
    set_texts(status, "");
    ale_2g_event_timer.stop();
    _update_2g_gui_controls();
}

void Ale_2g_state_machine::set_display_mode(bool on)
{
    if (ale_display_mode_flag == on) {
        return;
    }
    ale_display_mode_flag = on;
    emit ale_display_mode_changed(on);
}

void Ale_2g_state_machine::perform_disconnect()
{
    disconnect_pending_flag = false;
    ale_2g_event_timer.stop();
    emit disconnect_now();
}

void Ale_2g_state_machine::_update_2g_gui_controls()
{
    Ale_2g_controls controls;
    controls.status_label = ale_2g_status_text;
    controls.detail_label = QString("<font color='gray'>%1</font>").arg(ale_2g_detail_text);
    auto& enable = controls.enable_button;
    auto& call = controls.call_button;
    const auto invalid_address = [&](const char* which, const char* line) {
        controls.status_label = orange(QString("Invalid %1 Address").arg(which));
        controls.detail_label = QString("Please enter 3 to 15 characters");
        qCDebug(lc_address_entry_2g).noquote() << line;
    };

    switch (ale_2g_state) {
    case ALE_2G_STATE_DISABLED:
        enable = {QString("Enable"), !ale_settings.self_address.isEmpty()};
        call = {QString("Call"), false};
        controls.self_address_enabled = true;
        controls.other_address_enabled = false;
        if (ale_settings.self_address.isEmpty()) {
            invalid_address("Self", "_update_2g_gui_controls: DISABLED: Invalid Self address");
        }
        break;
    case ALE_2G_STATE_CONFIG:
        enable.text = QString("Disable");
        controls.self_address_enabled = false;
        break;
    case ALE_2G_STATE_ENABLED:
        enable = {QString("Disable"), true};
        call = {QString("Call"), !ale_settings.other_address.isEmpty()};
        controls.other_address_enabled = true;
        if (ale_settings.other_address.isEmpty()) {
            invalid_address("Other", "_update_2g_gui_controls: DISABLED: Invalid Other Address");
        }
        break;
    case ALE_2G_STATE_CALL_SETUP:
        enable.enabled = false;
        call.text = QString("Cancel");
        controls.self_address_enabled = false;
        controls.other_address_enabled = false;
        break;
    case ALE_2G_STATE_CALLING:
        break;
    case ALE_2G_STATE_LINKED:
        enable.enabled = false;
        call.text = QString("Terminate");
        break;
    case ALE_2G_STATE_TERMINATING:
        call.enabled = false;
        break;
    case ALE_2G_STATE_DISABLING:
        call.enabled = false;
        controls.self_address_enabled = false;
        controls.other_address_enabled = false;
        break;
    case ALE_2G_STATE_ERROR:
        enable = {QString("Reset Error"), true};
        call.enabled = false;
        controls.self_address_enabled = false;
        controls.other_address_enabled = false;
        break;
    default:
        enable.enabled = false;
        controls.status_label = red("ERROR Invalid State!");
        controls.detail_label = QString();
        call.enabled = false;
        controls.self_address_enabled = false;
        controls.other_address_enabled = false;
        break;
    }
    emit controls_changed(controls);
}

void Ale_2g_state_machine::connection_established()
{
    _2g_state_machine_execute(ALE_2G_EVENT_DISABLE);
    set_texts("Disabled", "");
    _update_2g_gui_controls();
}

void Ale_2g_state_machine::connection_lost()
{
    Ale_2g_controls controls;
    controls.status_label = QString("-");
    emit controls_changed(controls);
}

bool Ale_2g_state_machine::hold_back_disconnect()
{
    if (ale_2g_state == ALE_2G_STATE_DISABLED) {
        // During the "Disconnecting" delay the disconnect is already on its
        // way: a second one would come from the delay's end.
        return disconnect_pending_flag;
    }
    if (!ale_settings.terminate_on_disconnect) {
        return false;
    }
    _2g_state_machine_execute(ALE_2G_EVENT_DISABLE);
    disconnect_pending_flag = true;
    return true;
}

void Ale_2g_state_machine::clear_disconnect_pending()
{
    disconnect_pending_flag = false;
}

} // namespace vq_qt
