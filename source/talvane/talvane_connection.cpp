// The link to the modem: port selection and auto-detect, the connection
// state machine with its entry actions, the boot wait, the keep-alive and the
// temporary status messages.

#include "app_logging.h"
#include "qmodem_interface.h"
#include "qserial_io.h"
#include "talvane.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

namespace {

constexpr quint32 modem_destination_address = 0xC0A80000; // 192.168.0.0

constexpr int connect_timer_ms = 500;
constexpr int modem_boot_ms = 3000;
constexpr int modem_boot_after_reset_ms = 8000;
constexpr int init_timer_ms = 3000;
constexpr int keep_alive_ms = 2000;
constexpr int display_ms = 2000;
constexpr int tx_service_ms = 30;
constexpr int ale_2g_event_ms = 2000;

constexpr uchar startup_status_ready = 1;

const char* const error_opening_port_text = "<font color='red'>Error opening port</font>";

// Whether the device node of a port exists (a link must lead somewhere).
// Names without a folder are system port names, resolved below /dev.
bool device_present(const QString& port_name)
{
    const QString path = port_name.contains('/') ? port_name : "/dev/" + port_name;
    return QFileInfo::exists(path);
}

} // namespace

const char* connection_state_name(int state)
{
    switch (state) {
    case CONNECTION_STATE_NOT_CONNECTED:
        return "CONNECTION_STATE_NOT_CONNECTED";
    case CONNECTION_STATE_CONNECTING:
        return "CONNECTION_STATE_CONNECTING";
    case CONNECTION_STATE_CONNECTING_NO_RESPONSE:
        return "CONNECTION_STATE_CONNECTING_NO_RESPONSE";
    case CONNECTION_STATE_CONNECTING_MODEM_BOOTING:
        return "CONNECTION_STATE_CONNECTING_MODEM_BOOTING";
    case CONNECTION_STATE_INITIALISING:
        return "CONNECTION_STATE_INITIALISING";
    case CONNECTION_STATE_CONNECTED:
        return "CONNECTION_STATE_CONNECTED";
    case CONNECTION_STATE_ERROR_PORT_OPEN_FAIL:
        return "CONNECTION_STATE_ERROR_PORT_OPEN_FAIL";
    }
    return "UNKNOWN";
}

void Talvane::_init_timers()
{
    struct Timer_row
    {
        QTimer** timer;
        int interval_ms;
        bool single_shot;
        void (Talvane::*slot)();
    };
    const Timer_row rows[] = {
        {&connect_timer, connect_timer_ms, true, &Talvane::_connect_timeout},
        {&modem_boot_timer, modem_boot_ms, true, &Talvane::_modem_boot_timeout},
        {&init_timer, init_timer_ms, true, &Talvane::_init_timeout},
        {&keep_alive_timer, keep_alive_ms, true, &Talvane::_keep_alive_timeout},
        {&display_timer, display_ms, true, &Talvane::_display_timeout},
        {&tx_service_timer, tx_service_ms, false, &Talvane::_service_tx_buffer},
        {&ale_2g_event_timer, ale_2g_event_ms, false, &Talvane::_2g_ale_event_timeout},
    };
    for (const Timer_row& row : rows) {
        auto* timer = new QTimer(this);
        timer->setInterval(row.interval_ms);
        timer->setSingleShot(row.single_shot);
        connect(timer, &QTimer::timeout, this, row.slot);
        *row.timer = timer;
    }
}

void Talvane::_init_modem_link()
{
    serial_io = new vq_qt::QSerial_io(this);
    modem_interface = new vq_qt::QModem_interface(this, modem_destination_address);

    serial_port_selector->clear();
    serial_port_selector->insertItem(0, "Auto Detect");
    const QStringList ports = serial_io->available_ports();
    serial_port_selector->addItems(ports);
    port_count = ports.size();

    _set_connection_state(CONNECTION_STATE_NOT_CONNECTED);

    serial_port_selector->setCurrentText(
        QSettings().value("COM Port", serial_port_selector->currentText()).toString());

    using Modem = vq_qt::QModem_interface;
    connect(serial_io, &vq_qt::QSerial_io::data_read, modem_interface, &Modem::_receive_sipc_data);
    // The wrapper's write() is what its own write slot does.
    connect(modem_interface, &Modem::send_sipc_data, serial_io,
            [this](QByteArray bytes) { serial_io->write(bytes); });
    connect(serial_io, &vq_qt::QSerial_io::port_lost, this, &Talvane::_handle_port_lost);

    // Every reply and indication goes to the slot of the same name with the
    // prefix _handle_, in this order.
#define TALVANE_WIRE(signal, slot) connect(modem_interface, &Modem::signal, this, &Talvane::slot);
#define TALVANE_WIRE_SAME(name) TALVANE_WIRE(name, _handle_##name)
#define TALVANE_WIRE_SET(name)                                                                     \
    TALVANE_WIRE_SAME(name##_set_ack)                                                              \
    TALVANE_WIRE_SAME(name##_set_nack)
#define TALVANE_WIRE_SET_REQUEST(name)                                                             \
    TALVANE_WIRE_SET(name)                                                                         \
    TALVANE_WIRE_SAME(name##_request_response)                                                     \
    TALVANE_WIRE_SAME(name##_request_nack)

    TALVANE_WIRE(request_modem_startup_status_response, _handle_reponse_modem_startup_status)
    TALVANE_WIRE_SET(reset)
    TALVANE_WIRE_SET(save_configuration_to_non_volatile_memory)
    TALVANE_WIRE_SET(system_mode)
    TALVANE_WIRE_SET(modem_duplex_mode)
    TALVANE_WIRE_SET(key_to_audio_tx_delay)
    TALVANE_WIRE_SET(audio_tx_to_unkey_delay)
    TALVANE_WIRE(send_data_from_modem_upload_mode_set_ack,
                 _handle_data_from_modem_upload_mode_set_ack)
    TALVANE_WIRE(send_data_from_modem_upload_mode_set_nack,
                 _handle_data_from_modem_upload_mode_set_nack)
    TALVANE_WIRE_SAME(software_version_number_request_response)
    TALVANE_WIRE_SAME(software_version_number_request_nack)
    TALVANE_WIRE_SET_REQUEST(psk_modem_ota_settings)
    TALVANE_WIRE_SET_REQUEST(psk_modem_deacquire_limit)
    TALVANE_WIRE_SET(psk_fsk_tx_kill)
    TALVANE_WIRE_SET(psk_fsk_return_to_acquisition)
    TALVANE_WIRE_SET_REQUEST(audio_tx_output_level)
    TALVANE_WIRE_SET_REQUEST(dte_port_mode)
    TALVANE_WIRE_SET_REQUEST(dte_port_async_settings)
    TALVANE_WIRE_SET_REQUEST(dte_port_async_flow_control)
    TALVANE_WIRE_SET_REQUEST(dte_port_activity_mode)
    TALVANE_WIRE_SET_REQUEST(radio_select)
    TALVANE_WIRE_SET_REQUEST(radio_control_activation)
    TALVANE_WIRE_SET_REQUEST(radio_channel_change_and_atu_tune_time)
    TALVANE_WIRE_SET_REQUEST(radio_fixed_freq_parameters)
    TALVANE_WIRE_SET(registration_for_an_inividual_indication)
    TALVANE_WIRE_SAME(audio_rx_level_request_response)
    TALVANE_WIRE_SAME(audio_rx_level_request_nack)
    TALVANE_WIRE_SAME(wf_autobaud_indication)
    TALVANE_WIRE_SAME(modem_tx_status_indication)
    TALVANE_WIRE_SAME(modem_rx_status_indication)
    TALVANE_WIRE_SAME(wf_lqa_indication)
    TALVANE_WIRE_SAME(rcm_status_indication)
    TALVANE_WIRE(send_data_to_modem_set_ack, _handle_data_to_modem_set_ack)
    TALVANE_WIRE_SAME(data_to_modem_flow_stop_indication)
    TALVANE_WIRE_SAME(data_to_modem_flow_start_indication)
    TALVANE_WIRE_SAME(data_from_modem_set)
    TALVANE_WIRE_SET(ale_system_mode)
    TALVANE_WIRE_SET(ale_activity_timeout)
    TALVANE_WIRE_SET(ale_lbt_time)
    TALVANE_WIRE_SET(ale_scan_list_entry)
    TALVANE_WIRE_SET(ale_address_table_ext)
    TALVANE_WIRE_SET(ale_nonvolatile_memory_reset)
    TALVANE_WIRE_SET(ale_call_setup)
    TALVANE_WIRE_SET(ale_call_control)
    TALVANE_WIRE_SET(ale_terminate_link)
    TALVANE_WIRE_SET(ale_abort_request)
    TALVANE_WIRE_SAME(ale_report_status_indication)
    TALVANE_WIRE_SAME(occupancy_detected_result_indication)

#undef TALVANE_WIRE_SET_REQUEST
#undef TALVANE_WIRE_SET
#undef TALVANE_WIRE_SAME
#undef TALVANE_WIRE
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

void Talvane::_reset_status_readouts()
{
    for (QLabel* label :
         {audio_rx_level_label, radio_status_label, tx_status_label, rx_status_label}) {
        if (label) {
            label->setText("-");
        }
    }
}

void Talvane::_set_connection_state(Connection_state state)
{
    connection_state = state;
    qCDebug(lc_state_change) << connection_state_name(state);

    auto stop = [](std::initializer_list<QTimer*> timers) {
        for (QTimer* timer : timers) {
            timer->stop();
        }
    };
    auto set_ale_status_dash = [this] {
        if (ale_2g_status_label) {
            ale_2g_status_label->setText("-");
        }
    };

    switch (state) {
    case CONNECTION_STATE_NOT_CONNECTED:
        serial_port_selector->setEnabled(true);
        _set_panels_enabled(false);
        connect_button->setText("Connect");
        _reset_status_readouts();
        connection_status_label->setText("Not connected");
        set_ale_status_dash();
        _update_window_title("");
        stop({connect_timer, modem_boot_timer, init_timer, keep_alive_timer});
        break;
    case CONNECTION_STATE_CONNECTING:
        serial_port_selector->setEnabled(false);
        _set_panels_enabled(false);
        connect_button->setText("Disconnect");
        connection_status_label->setText("Connecting");
        modem_interface->request_modem_startup_status();
        connect_timer->start();
        stop({modem_boot_timer, init_timer, keep_alive_timer});
        break;
    case CONNECTION_STATE_CONNECTING_NO_RESPONSE:
        serial_port_selector->setEnabled(false);
        _set_panels_enabled(false);
        connect_button->setText("Disconnect");
        _reset_status_readouts();
        connection_status_label->setText("No Response");
        set_ale_status_dash();
        // While the device is gone there is nobody to ask; the connect
        // timer keeps trying to reopen it.
        if (serial_io->is_open()) {
            modem_interface->request_modem_startup_status();
        }
        connect_timer->start();
        stop({modem_boot_timer, init_timer, keep_alive_timer});
        break;
    case CONNECTION_STATE_CONNECTING_MODEM_BOOTING:
        serial_port_selector->setEnabled(false);
        _set_panels_enabled(false);
        connect_button->setText("Disconnect");
        _reset_status_readouts();
        connection_status_label->setText("Modem Booting");
        connect_timer->stop();
        modem_boot_timer->start();
        stop({init_timer, keep_alive_timer});
        break;
    case CONNECTION_STATE_INITIALISING:
        serial_port_selector->setEnabled(false);
        _set_panels_enabled(false);
        connect_button->setText("Disconnect");
        connection_status_label->setText("Initialising");
        response_seen = true;
#define TALVANE_SET_EXPECTED(name, expected) name = expected;
        TALVANE_INIT_COUNTERS(TALVANE_SET_EXPECTED)
#undef TALVANE_SET_EXPECTED
        _send_init_requests();
        QSettings().setValue("COM Port", serial_port_selector->currentText());
        auto_detect = false;
        stop({connect_timer, modem_boot_timer});
        init_timer->start();
        keep_alive_timer->start();
        break;
    case CONNECTION_STATE_CONNECTED:
        serial_port_selector->setEnabled(false);
        radio_control_panel->setEnabled(true);
        data_interface_panel->setEnabled(true);
        modem_control_panel->setEnabled(true);
        ale_2g_control_panel->setEnabled(true);
        _2g_state_machine_execute(ALE_2G_EVENT_DISABLE);
        ale_2g_status_text = "Disabled";
        ale_2g_detail_text.clear();
        _update_2g_gui_controls();
        receive_information_panel->setEnabled(true);
        settings_save_button->setEnabled(true);
        settings_load_defaults_button->setEnabled(true);
        connect_button->setText("Disconnect");
        connection_status_label->setText(modem_model == 2   ? "Connected to KX5"
                                         : modem_model == 3 ? "Connected to KY5"
                                                            : "Connected to LZ7");
        _select_data_interface_on_connect();
        response_seen = true;
        stop({connect_timer, modem_boot_timer, init_timer});
        keep_alive_timer->start();
        break;
    case CONNECTION_STATE_ERROR_PORT_OPEN_FAIL:
        serial_port_selector->setEnabled(true);
        _set_panels_enabled(false);
        connect_button->setText("Connect");
        connection_status_label->setText(error_opening_port_text);
        serial_io->close();
        stop({connect_timer, modem_boot_timer, init_timer, keep_alive_timer});
        break;
    }
    emit connection_state_changed(connection_state, connection_status_label->text());
}

void Talvane::_ui_action_connect_disconnect()
{
    if (connection_state != CONNECTION_STATE_NOT_CONNECTED &&
        connection_state != CONNECTION_STATE_ERROR_PORT_OPEN_FAIL) {
        if (ale_2g_state != ALE_2G_STATE_DISABLED && ale_2g_terminate_on_disconnect) {
            // The ALE engine is shut down first; its state machine clears
            // the flag and disconnects once it is disabled.
            _2g_state_machine_execute(ALE_2G_EVENT_DISABLE);
            disconnect_pending = true;
        } else {
            _disconnect();
        }
        return;
    }
    if (port_count <= 0) {
        return;
    }
    QSettings().setValue("COM Port", serial_port_selector->currentText());
    if (serial_port_selector->currentIndex() == 0) {
        auto_detect = true;
        serial_port_selector->setCurrentIndex(1);
    } else {
        auto_detect = false;
    }
    _open_selected_port();
    disconnect_pending = false;
}

void Talvane::_open_selected_port()
{
    open_port_name = serial_port_selector->currentText();
    if (serial_io->open(open_port_name)) {
        _set_connection_state(CONNECTION_STATE_CONNECTING);
    } else if (auto_detect) {
        connect_timer->start();
    } else {
        _set_connection_state(CONNECTION_STATE_ERROR_PORT_OPEN_FAIL);
    }
}

void Talvane::_select_next_port()
{
    serial_io->close();
    int next = serial_port_selector->currentIndex() + 1;
    if (next >= serial_port_selector->count()) {
        next = 1;
    }
    serial_port_selector->setCurrentIndex(next);
}

void Talvane::_connect_timeout()
{
    if (auto_detect) {
        _select_next_port();
        _open_selected_port();
        return;
    }
    // A device that went away is looked for again at every expiry, so a
    // modem that returns is reconnected without the operator. While the
    // device node is absent nothing is tried (and nothing logged).
    if (!serial_io->is_open() && !open_port_name.isEmpty() && device_present(open_port_name)) {
        if (serial_io->open(open_port_name)) {
            qCDebug(lc_state_change).noquote() << "Reopened" << open_port_name;
        }
    }
    _set_connection_state(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
}

void Talvane::_modem_boot_timeout()
{
    modem_interface->request_modem_startup_status();
    connect_timer->start();
}

void Talvane::_keep_alive_timeout()
{
    if (response_seen || receiving) {
        response_seen = false;
        modem_interface->request_audio_rx_level();
        keep_alive_timer->start();
    } else {
        _set_connection_state(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
    }
}

void Talvane::_disconnect()
{
    modem_interface->unregister_for_all_indications();
    serial_io->close();
    _set_connection_state(CONNECTION_STATE_NOT_CONNECTED);
}

void Talvane::_handle_port_lost()
{
    qCWarning(lc_state_change).noquote() << "Serial device lost:" << open_port_name;
    serial_io->close();
    if (connection_state == CONNECTION_STATE_NOT_CONNECTED ||
        connection_state == CONNECTION_STATE_ERROR_PORT_OPEN_FAIL || auto_detect) {
        // Auto-detect moves on to the next port when its timer expires.
        return;
    }
    _set_connection_state(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
}

void Talvane::_handle_reponse_modem_startup_status(bool msg_ok, uchar startup_status)
{
    qCDebug(lc_resp_handle) << "_handle_reponse_modem_startup_status" << msg_ok << startup_status;
    if (!msg_ok) {
        return;
    }
    if (startup_status != startup_status_ready) {
        modem_boot_timer->setInterval(modem_boot_ms);
        _set_connection_state(CONNECTION_STATE_CONNECTING_MODEM_BOOTING);
        return;
    }
    if (connection_state == CONNECTION_STATE_CONNECTING ||
        connection_state == CONNECTION_STATE_CONNECTING_NO_RESPONSE ||
        connection_state == CONNECTION_STATE_CONNECTING_MODEM_BOOTING) {
        _set_connection_state(CONNECTION_STATE_INITIALISING);
    }
}

void Talvane::_show_temporary_status(const QString& text)
{
    saved_status_text = connection_status_label->text();
    saved_status_state = connection_state;
    connection_status_label->setText(text);
    display_timer->start();
    emit connection_state_changed(connection_state, text);
}

void Talvane::_display_timeout()
{
    if (connection_state == saved_status_state) {
        connection_status_label->setText(saved_status_text);
        emit connection_state_changed(connection_state, saved_status_text);
    }
}

void Talvane::_handle_reset_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_reset_set_ack";
    modem_boot_timer->setInterval(modem_boot_after_reset_ms);
    _set_connection_state(CONNECTION_STATE_CONNECTING_MODEM_BOOTING);
    _show_temporary_status("Safe Mode Reset");
}

void Talvane::_handle_save_configuration_to_non_volatile_memory_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_save_configuration_to_non_volatile_memory_set_ack";
    _show_temporary_status("Settings Saved");
}
