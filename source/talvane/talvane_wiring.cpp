// The window's link to the modem: the serial port selector kept in step with
// the connection, what each connection state shows, and the wiring of every
// reply and indication of the modem interface to the component that handles
// it, each exactly once and in the order the connection expects.

#include "ale_2g_control_panel.h"
#include "app_logging.h"
#include "connection_controller.h"
#include "connection_indicator.h"
#include "data_flow_view.h"
#include "data_interface_panel.h"
#include "data_path_bridge.h"
#include "event_list.h"
#include "link_quality_plot.h"
#include "modem_control_panel.h"
#include "port_selector.h"
#include "pty_vsport_control.h"
#include "qmodem_interface.h"
#include "qserial_io.h"
#include "radio_control_panel.h"
#include "receive_information_panel.h"
#include "talvane.h"
#include "virtual_serial_port.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <memory>

namespace vq_qt {

void Talvane::_init_modem_link()
{
    Connection_controller* connection = connection_controller;

    // The ports by their full paths, USB adapters with their stable names.
    const QList<System_port> system_ports = system_serial_ports(serial_io->available_ports());
    serial_port_selector->set_system_ports(system_ports);
    connection->set_ports(serial_port_paths(system_ports));
    serial_port_selector->show_ports(connection->port_names(), connection->current_port_index());
    connect(connection, &Connection_controller::port_list_changed, this,
            [this](const QStringList& names) {
                serial_port_selector->show_ports(names,
                                                 connection_controller->current_port_index());
            });
    connect(connection, &Connection_controller::port_selected, serial_port_selector,
            &Port_selector::show_selection);
    connect(serial_port_selector, qOverload<int>(&QComboBox::currentIndexChanged), connection,
            &Connection_controller::select_port);
    connect(connection, &Connection_controller::connection_state_changed, this,
            [this](int state, const QString& text) {
                if (state != shown_connection_state) {
                    shown_connection_state = state;
                    _show_connection_state(state);
                }
                _show_port_choice(state);
                connection_status_label->setText(text);
                emit connection_state_changed(state, text);
            });
    connect(modem_control_panel, &Modem_control_panel::modem_version_reported, this,
            &Talvane::_update_window_title);
    connect(modem_control_panel, &Modem_control_panel::tx_killed, data_path_bridge,
            &Data_path_bridge::tx_killed);
    connect(modem_control_panel, &Modem_control_panel::tx_resumed, data_path_bridge,
            &Data_path_bridge::tx_resumed);

    connect_status_row(receive_information_panel, modem_control_panel);
    connect(receive_information_panel, &Receive_information_panel::link_quality_reported,
            link_quality_plot, [plot = link_quality_plot](int snr_db, double ber, int) {
                plot->add_report(snr_db, ber);
            });
    connect(receive_information_panel, &Receive_information_panel::link_quality_ended,
            link_quality_plot, &Link_quality_plot::interrupt);
    connect(connection, &Connection_controller::modem_restart_seen, data_path_bridge,
            &Data_path_bridge::modem_restarted);
    connect(connection, &Connection_controller::keep_alive_overdue, data_path_bridge,
            &Data_path_bridge::set_modem_answer_overdue);

    // The ALE engine holds a disconnect back until it is shut down, and
    // performs it then.
    vq_qt::Ale_2g_state_machine* ale = ale_2g_control_panel->state_machine();
    connection->hold_back_disconnect = [ale] { return ale->hold_back_disconnect(); };
    connection->clear_disconnect_pending = [ale] { ale->clear_disconnect_pending(); };
    connect(ale, &vq_qt::Ale_2g_state_machine::disconnect_now, connection,
            &Connection_controller::_disconnect);
    connect(ale, &vq_qt::Ale_2g_state_machine::ale_display_mode_changed, receive_information_panel,
            &Receive_information_panel::set_ale_display_mode);
    // While the ALE engine is enabled it owns the radio: no radio model.
    connect(ale, &vq_qt::Ale_2g_state_machine::radio_selector_lock, radio_control_panel,
            &Radio_control_panel::set_locked_by_ale);
    // The radio that needs it gets its audio level through the Modem Control
    // panel's own control, which tells the modem; the event list says so
    // when that changes the level.
    connect(
        radio_control_panel, &Radio_control_panel::audio_tx_level_preset, this, [this](int level) {
            QSpinBox* level_box = modem_control_panel->audio_tx_level_spin_box;
            const int before = level_box->value();
            level_box->setValue(level);
            if (level_box->value() != before) {
                event_list->add(Event_kind::radio,
                                QString("Radio %1 sets the transmit audio level: %2 dB "
                                        "(was %3 dB)")
                                    .arg(radio_control_panel->radio_model_selector->currentText())
                                    .arg(level_box->value())
                                    .arg(before));
            }
        });

    _wire_event_list();
    connection->start();
    _wire_modem_interface();
}

void Talvane::_wire_event_list()
{
    Event_list* const events = event_list;
    auto add = [events](Event_kind kind, const QString& prefix = QString()) {
        return [events, kind, prefix](const QString& text) { events->add(kind, prefix + text); };
    };
    // Each new status once, the steps of Auto Detect included; a passing
    // message ("Settings Saved") has its own line below.
    Connection_controller* const connection = connection_controller;
    connect(connection, &Connection_controller::connection_state_changed, events,
            [events, connection, last = QString()](int state, const QString& text) mutable {
                if (text != last && !connection->showing_temporary_status()) {
                    last = text;
                    events->add(state == CONNECTION_STATE_ERROR_PORT_OPEN_FAIL
                                    ? Event_kind::error
                                    : Event_kind::connection,
                                text);
                }
            });
    connect(connection_controller, &Connection_controller::absence_reported, events,
            add(Event_kind::connection));
    connect(connection_controller, &Connection_controller::init_incomplete, events,
            [events](const QStringList& missing) {
                events->add(Event_kind::error, "Initialisation ended by its timer; no answer for " +
                                                   missing.join(", "));
            });
    connect(modem_control_panel, &Modem_control_panel::modem_version_reported, events,
            add(Event_kind::modem, "Modem version: "));
    connect(radio_control_panel, &Radio_control_panel::radio_status_reported, events,
            [events](const QString& text) {
                if (text != "-") { // nothing to say
                    events->add(Event_kind::radio, "Radio status: " + text);
                }
            });
    vq_qt::Ale_2g_state_machine* ale = ale_2g_control_panel->state_machine();
    connect(ale, &vq_qt::Ale_2g_state_machine::radio_selector_lock, events, [events](bool locked) {
        events->add(Event_kind::radio, locked ? "2G ALE takes the radio: no radio model while "
                                                "it is enabled"
                                              : "2G ALE gives the radio back");
    });
    connect(ale, &vq_qt::Ale_2g_state_machine::report_received, events,
            [events](const QString& name, const QString& stations, const QString& outcome) {
                QString text = name;
                if (!stations.isEmpty()) {
                    text += " - " + stations;
                }
                if (!outcome.isEmpty()) {
                    text += ": " + outcome;
                }
                events->add(Event_kind::ale, text);
            });
    connect(ale, &vq_qt::Ale_2g_state_machine::controls_changed, events,
            [events, last = QString()](const vq_qt::Ale_2g_controls& controls) mutable {
                if (controls.status_label && *controls.status_label != last &&
                    *controls.status_label != "-") {
                    last = *controls.status_label;
                    events->add(Event_kind::ale, "ALE status: " + last);
                }
            });
    connect(this, &Talvane::data_port_reported, events, [events](const QString& line) {
        events->add(Event_kind::data, line.left(1).toUpper() + line.mid(1));
    });
    using Modem = vq_qt::QModem_interface;
    connect(modem_interface, &Modem::data_to_modem_flow_stop_indication, events, [events] {
        events->add(Event_kind::data, "Modem flow stop: data to the modem is held");
    });
    connect(modem_interface, &Modem::data_to_modem_flow_start_indication, events, [events] {
        events->add(Event_kind::data, "Modem flow start: data to the modem goes on");
    });
    connect(data_path_bridge, &Data_path_bridge::rx_queue_hold_changed, events,
            [events](bool held, int queued) {
                events->add(Event_kind::data,
                            held ? QString("Data from the modem held: %1 bytes wait for the "
                                           "application")
                                       .arg(queued)
                                 : QString("Data from the modem released: the application "
                                           "caught up"));
            });
    connect(modem_interface, &Modem::save_configuration_to_non_volatile_memory_set_ack, events,
            [events] { events->add(Event_kind::settings, "Settings saved in the modem"); });
    connect(modem_interface, &Modem::reset_set_ack, events, [events] {
        events->add(Event_kind::settings, "Safe Mode Reset: the modem restarts with its defaults");
    });
    // Every refusal of the modem is an error the operator may want to see.
    const QMetaObject* modem_meta = modem_interface->metaObject();
    const QMetaMethod refusal =
        events->metaObject()->method(events->metaObject()->indexOfSlot("add_modem_refusal()"));
    for (int i = modem_meta->methodOffset(); i < modem_meta->methodCount(); ++i) {
        const QMetaMethod method = modem_meta->method(i);
        // A signal with a default argument is listed twice; its short form
        // is the same signal.
        if (method.methodType() == QMetaMethod::Signal && method.name().endsWith("_nack") &&
            !(method.attributes() & QMetaMethod::Cloned)) {
            connect(modem_interface, method, events, refusal);
        }
    }
}

void Talvane::_set_panels_enabled(bool enabled)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(radio_control_panel), static_cast<QWidget*>(data_interface_panel),
          static_cast<QWidget*>(modem_control_panel), static_cast<QWidget*>(ale_2g_control_panel),
          static_cast<QWidget*>(receive_information_panel),
          static_cast<QWidget*>(settings_save_button),
          static_cast<QWidget*>(settings_load_defaults_button)}) {
        widget->setEnabled(enabled);
    }
}

void Talvane::_show_port_choice(int state)
{
    // While Auto Detect searches, the button stops the search.
    const bool port_choice_open = (state == CONNECTION_STATE_NOT_CONNECTED ||
                                   state == CONNECTION_STATE_ERROR_PORT_OPEN_FAIL) &&
                                  !connection_controller->auto_detect();
    serial_port_selector->setEnabled(port_choice_open);
    connect_button->setText(port_choice_open ? "Connect" : "Disconnect");
    connection_hint_label->setVisible(port_choice_open);
}

void Talvane::_show_connection_state(int state)
{
    if (state == CONNECTION_STATE_NOT_CONNECTED ||
        state == CONNECTION_STATE_CONNECTING_NO_RESPONSE ||
        state == CONNECTION_STATE_CONNECTING_MODEM_BOOTING) {
        modem_control_panel->reset_status_readouts();
        radio_control_panel->reset_status_readouts();
        receive_information_panel->connection_lost();
    }
    connection_indicator->show_state(state);
    if (state == CONNECTION_STATE_NOT_CONNECTED) {
        _update_window_title("");
    }
    if (state == CONNECTION_STATE_NOT_CONNECTED ||
        state == CONNECTION_STATE_CONNECTING_NO_RESPONSE) {
        ale_2g_control_panel->state_machine()->connection_lost();
    }
    if (state == CONNECTION_STATE_CONNECTING_NO_RESPONSE) {
        data_path_bridge->modem_stopped_answering();
    }
    data_path_bridge->set_modem_link_up(state == CONNECTION_STATE_CONNECTED);
    if (state != CONNECTION_STATE_CONNECTED) {
        _set_panels_enabled(false);
        // A question about a reset no longer applies.
        if (load_defaults_confirmation) {
            load_defaults_confirmation->reject();
        }
        return;
    }
    radio_control_panel->setEnabled(true);
    data_interface_panel->setEnabled(true);
    modem_control_panel->setEnabled(true);
    ale_2g_control_panel->setEnabled(true);
    ale_2g_control_panel->state_machine()->connection_established();
    receive_information_panel->setEnabled(true);
    settings_save_button->setEnabled(true);
    settings_load_defaults_button->setEnabled(true);
    data_interface_panel->select_data_interface_on_connect(connection_controller->modem_model());
}

void Talvane::_init_virtual_serial_port(const QString& requested_name)
{
    using vq_qt::Virtual_serial_port;
    vsp = new Virtual_serial_port(std::make_unique<vq_qt::Pty_vsport_control>(), this);
    Data_interface_panel* panel = data_interface_panel;
    connect(vsp, &Virtual_serial_port::port_name_text_changed, panel,
            &Data_interface_panel::show_vsp_port_name);
    connect(vsp, &Virtual_serial_port::baud_text_changed, panel,
            &Data_interface_panel::show_vsp_baud);
    connect(vsp, &Virtual_serial_port::data_format_text_changed, panel,
            &Data_interface_panel::show_vsp_data_format);
    connect(vsp, &Virtual_serial_port::flow_control_text_changed, panel,
            &Data_interface_panel::show_vsp_flow_control);
    connect(vsp, &Virtual_serial_port::port_ready, this,
            [this](const QString& path, const QString& device) {
                data_port_line = QString("data port: %1 (%2)").arg(path, device);
                emit data_port_reported(data_port_line);
            });
    connect(vsp, &Virtual_serial_port::port_opened, this, [this] {
        emit data_port_reported("data port opened: " + vsp->control()->port_path());
    });
    connect(vsp, &Virtual_serial_port::port_closed, this, [this] {
        emit data_port_reported("data port closed: " + vsp->control()->port_path());
    });
    connect(data_path_bridge, &Data_path_bridge::flow_changed, panel->data_flow, [this] {
        data_interface_panel->data_flow->show_flow(data_path_bridge->flow_snapshot());
    });
    connect(vsp, &Virtual_serial_port::received_characters, data_path_bridge,
            &Data_path_bridge::vsp_received_characters);
    connect(vsp, &Virtual_serial_port::port_opened, data_path_bridge,
            &Data_path_bridge::vsp_port_opened);
    connect(vsp, &Virtual_serial_port::port_closed, data_path_bridge,
            &Data_path_bridge::vsp_port_closed);
    vsp->_init_virtual_serial_port(serial_io->available_ports(), requested_name);
    data_path_bridge->set_control(vsp->control());
}

void Talvane::_load_2G_ale_settings()
{
    ale_2g_control_panel->_load_2G_ale_settings();
}

void Talvane::_handle_system_mode_set_ack(uchar message_sequence_number)
{
    connection_controller->_handle_system_mode_set_ack(message_sequence_number);
    ale_2g_control_panel->state_machine()->_handle_system_mode_set_ack(message_sequence_number);
}

void Talvane::_handle_system_mode_set_nack(uchar message_sequence_number)
{
    connection_controller->_handle_system_mode_set_nack(message_sequence_number);
    ale_2g_control_panel->state_machine()->_handle_system_mode_set_nack(message_sequence_number);
}

void Talvane::_wire_modem_interface()
{
    using Modem = vq_qt::QModem_interface;
    connect(serial_io, &vq_qt::QSerial_io::data_read, modem_interface, &Modem::_receive_sipc_data);
    // The wrapper's write() is what its own write slot does.
    connect(modem_interface, &Modem::send_sipc_data, serial_io,
            [this](QByteArray bytes) { serial_io->write(bytes); });
    connect(serial_io, &vq_qt::QSerial_io::port_lost, connection_controller,
            &Connection_controller::_handle_port_lost);

    // Every reply and indication goes to the slot of the same name with the
    // prefix _handle_ in the component that owns it, in this order.
    Connection_controller* const connection = connection_controller;
    Modem_control_panel* const modem_control = modem_control_panel;
    Receive_information_panel* const receive_information = receive_information_panel;
    Radio_control_panel* const radio_control = radio_control_panel;
    Data_path_bridge* const data_path = data_path_bridge;
    vq_qt::Ale_2g_state_machine* const ale = ale_2g_control_panel->state_machine();
    Talvane* const window = this;
#define TALVANE_WIRE(signal, owner, slot)                                                          \
    connect(modem_interface, &Modem::signal, owner, &std::remove_pointer_t<decltype(owner)>::slot);
#define TALVANE_WIRE_SAME(name, owner) TALVANE_WIRE(name, owner, _handle_##name)
#define TALVANE_WIRE_SET(name, ack_owner, nack_owner)                                              \
    TALVANE_WIRE_SAME(name##_set_ack, ack_owner)                                                   \
    TALVANE_WIRE_SAME(name##_set_nack, nack_owner)
#define TALVANE_WIRE_SET_REQUEST(name, owner)                                                      \
    TALVANE_WIRE_SET(name, owner, owner)                                                           \
    TALVANE_WIRE_SAME(name##_request_response, owner)                                              \
    TALVANE_WIRE_SAME(name##_request_nack, owner)

    TALVANE_WIRE(request_modem_startup_status_response, connection,
                 _handle_reponse_modem_startup_status)
    TALVANE_WIRE_SET(reset, connection, modem_control)
    TALVANE_WIRE_SET(save_configuration_to_non_volatile_memory, window, modem_control)
    TALVANE_WIRE_SET(system_mode, window, window)
    TALVANE_WIRE(modem_duplex_mode_set_ack, connection, _handle_modem_duplex_mode_set_ack)
    TALVANE_WIRE(modem_duplex_mode_set_nack, modem_control, _handle_modem_duplex_mode_set_nack)
    TALVANE_WIRE(key_to_audio_tx_delay_set_ack, connection, _handle_key_to_audio_tx_delay_set_ack)
    TALVANE_WIRE(key_to_audio_tx_delay_set_nack, modem_control,
                 _handle_key_to_audio_tx_delay_set_nack)
    TALVANE_WIRE(audio_tx_to_unkey_delay_set_ack, connection,
                 _handle_audio_tx_to_unkey_delay_set_ack)
    TALVANE_WIRE(audio_tx_to_unkey_delay_set_nack, modem_control,
                 _handle_audio_tx_to_unkey_delay_set_nack)
    TALVANE_WIRE(send_data_from_modem_upload_mode_set_ack, connection,
                 _handle_data_from_modem_upload_mode_set_ack)
    TALVANE_WIRE(send_data_from_modem_upload_mode_set_nack, connection,
                 _handle_data_from_modem_upload_mode_set_nack)
    TALVANE_WIRE_SAME(software_version_number_request_response, modem_control)
    TALVANE_WIRE_SAME(software_version_number_request_nack, modem_control)
    TALVANE_WIRE_SET_REQUEST(psk_modem_ota_settings, modem_control)
    TALVANE_WIRE_SET_REQUEST(psk_modem_deacquire_limit, modem_control)
    TALVANE_WIRE_SET(psk_fsk_tx_kill, modem_control, modem_control)
    TALVANE_WIRE_SET(psk_fsk_return_to_acquisition, modem_control, modem_control)
    TALVANE_WIRE_SET_REQUEST(audio_tx_output_level, modem_control)
    TALVANE_WIRE_SET_REQUEST(dte_port_mode, modem_control)
    TALVANE_WIRE_SET_REQUEST(dte_port_async_settings, modem_control)
    TALVANE_WIRE_SET_REQUEST(dte_port_async_flow_control, modem_control)
    TALVANE_WIRE_SET_REQUEST(dte_port_activity_mode, modem_control)
    TALVANE_WIRE_SET_REQUEST(radio_select, radio_control)
    TALVANE_WIRE_SET_REQUEST(radio_control_activation, radio_control)
    TALVANE_WIRE_SET_REQUEST(radio_channel_change_and_atu_tune_time, radio_control)
    TALVANE_WIRE_SET_REQUEST(radio_fixed_freq_parameters, radio_control)
    TALVANE_WIRE_SET(registration_for_an_inividual_indication, connection, connection)
    TALVANE_WIRE_SAME(audio_rx_level_request_response, receive_information)
    TALVANE_WIRE_SAME(audio_rx_level_request_nack, receive_information)
    TALVANE_WIRE_SAME(wf_autobaud_indication, receive_information)
    TALVANE_WIRE_SAME(modem_tx_status_indication, receive_information)
    TALVANE_WIRE_SAME(modem_rx_status_indication, receive_information)
    TALVANE_WIRE_SAME(wf_lqa_indication, receive_information)
    TALVANE_WIRE_SAME(rcm_status_indication, radio_control)
    TALVANE_WIRE(send_data_to_modem_set_ack, data_path, _handle_data_to_modem_set_ack)
    TALVANE_WIRE_SAME(data_to_modem_flow_stop_indication, data_path)
    TALVANE_WIRE_SAME(data_to_modem_flow_start_indication, data_path)
    TALVANE_WIRE_SAME(data_from_modem_set, data_path)
    TALVANE_WIRE_SET(ale_system_mode, ale, ale)
    TALVANE_WIRE_SET(ale_activity_timeout, ale, ale)
    TALVANE_WIRE_SET(ale_lbt_time, ale, ale)
    TALVANE_WIRE_SET(ale_scan_list_entry, ale, ale)
    TALVANE_WIRE_SET(ale_address_table_ext, ale, ale)
    TALVANE_WIRE_SET(ale_nonvolatile_memory_reset, ale, ale)
    TALVANE_WIRE_SET(ale_call_setup, ale, ale)
    TALVANE_WIRE_SET(ale_call_control, ale, ale)
    TALVANE_WIRE_SET(ale_terminate_link, ale, ale)
    TALVANE_WIRE_SET(ale_abort_request, ale, ale)
    TALVANE_WIRE_SAME(ale_report_status_indication, ale)
    TALVANE_WIRE_SAME(occupancy_detected_result_indication, ale)

#undef TALVANE_WIRE_SET_REQUEST
#undef TALVANE_WIRE_SET
#undef TALVANE_WIRE_SAME
#undef TALVANE_WIRE
}

} // namespace vq_qt
