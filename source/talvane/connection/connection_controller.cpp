// The connection state machine with its entry actions, port selection and
// auto-detect, the boot wait, the keep-alive and the temporary status texts.

#include "connection_controller.h"

#include "log_categories.h"
#include "qmodem_interface.h"
#include "qserial_io.h"

#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QTimer>

namespace vq_qt {

namespace {

constexpr uchar startup_status_ready = 1;
const char* const auto_detect_entry = "Auto Detect";
const char* const error_opening_port_text = "<font color='red'>Error opening port</font>";
const char* const no_modem_found_text = "No modem found";

} // namespace

const char* connection_state_name(int state)
{
    static const char* const names[] = {
        "CONNECTION_STATE_NOT_CONNECTED",          "CONNECTION_STATE_CONNECTING",
        "CONNECTION_STATE_CONNECTING_NO_RESPONSE", "CONNECTION_STATE_CONNECTING_MODEM_BOOTING",
        "CONNECTION_STATE_INITIALISING",           "CONNECTION_STATE_CONNECTED",
        "CONNECTION_STATE_ERROR_PORT_OPEN_FAIL",
    };
    return state >= 0 && state < int(std::size(names)) ? names[state] : "UNKNOWN";
}

Connection_controller::Connection_controller(vq_qt::QSerial_io* serial_io,
                                             vq_qt::QModem_interface* modem_interface,
                                             const QStringList& devices, Connection_timing timing,
                                             QObject* parent)
    : QObject(parent), timing(timing), serial_io(serial_io), modem_interface(modem_interface)
{
    ports << auto_detect_entry << devices;
    _init_timers();
}

void Connection_controller::_init_timers()
{
    struct Timer_row
    {
        Timer_index index;
        int interval_ms;
        void (Connection_controller::*slot)();
    };
    const Timer_row rows[] = {
        {connect_timer_index, timing.connect_ms, &Connection_controller::_connect_timeout},
        {modem_boot_timer_index, timing.modem_boot_ms, &Connection_controller::_modem_boot_timeout},
        {init_timer_index, timing.init_ms, &Connection_controller::_init_timeout},
        {keep_alive_timer_index, timing.keep_alive_ms, &Connection_controller::_keep_alive_timeout},
        {display_timer_index, timing.display_ms, &Connection_controller::_display_timeout},
        {keep_alive_answer_timer_index, timing.keep_alive_overdue_ms,
         &Connection_controller::_keep_alive_answer_overdue},
    };
    for (const Timer_row& row : rows) {
        auto* timer = new QTimer(this);
        timer->setInterval(row.interval_ms);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, row.slot);
        timers[row.index] = timer;
    }
}

void Connection_controller::start()
{
    _set_connection_state(CONNECTION_STATE_NOT_CONNECTED);
    select_port_name(QSettings().value("COM Port", current_port_name()).toString());
}

void Connection_controller::set_ports(const QStringList& devices)
{
    ports = QStringList{auto_detect_entry} + devices;
    current_port = 0;
    emit port_list_changed(ports);
    emit port_selected(current_port);
}

int Connection_controller::add_port(const QString& device)
{
    int index = ports.indexOf(device);
    if (index < 0) {
        ports << device;
        index = ports.size() - 1;
        emit port_list_changed(ports);
        emit port_selected(current_port);
    }
    return index;
}

void Connection_controller::select_port(int index)
{
    if (index < 0 || index >= ports.size() || index == current_port) {
        return;
    }
    current_port = index;
    emit port_selected(current_port);
}

void Connection_controller::select_port_name(const QString& name)
{
    // A name that is not in the list leaves the selection unchanged. A bare
    // device name ("ttyS0", as earlier versions listed it) is its path.
    int index = ports.indexOf(name);
    if (index < 0 && !name.isEmpty() && !name.contains('/')) {
        index = ports.indexOf("/dev/" + name);
    }
    select_port(index);
}

void Connection_controller::_stop(std::initializer_list<Timer_index> which)
{
    for (Timer_index index : which) {
        timers[index]->stop();
    }
}

void Connection_controller::_set_status_text(const QString& text)
{
    connection_status_text = text;
    temporary_status_shown = false;
}

void Connection_controller::_set_connection_state(Connection_state state)
{
    connection_state = state;
    qCDebug(lc_state_change) << connection_state_name(state);
    _report_absence(state);
    keep_alive_answer_timer()->stop();
    keep_alive_overdue_flag = false;

    switch (state) {
    case CONNECTION_STATE_NOT_CONNECTED:
        _set_status_text(search_found_nothing ? no_modem_found_text : "Not connected");
        search_found_nothing = false;
        _stop({connect_timer_index, modem_boot_timer_index, init_timer_index,
               keep_alive_timer_index});
        break;
    case CONNECTION_STATE_CONNECTING:
        _set_status_text(auto_detect_flag ? _search_text() : QString("Connecting"));
        modem_interface->request_modem_startup_status();
        connect_timer()->start();
        _stop({modem_boot_timer_index, init_timer_index, keep_alive_timer_index});
        break;
    case CONNECTION_STATE_CONNECTING_NO_RESPONSE:
        _set_status_text("No Response");
        // While the device is gone there is nobody to ask; the connect
        // timer keeps looking for it.
        if (serial_io->is_open()) {
            modem_interface->request_modem_startup_status();
        }
        connect_timer()->start();
        _stop({modem_boot_timer_index, init_timer_index, keep_alive_timer_index});
        break;
    case CONNECTION_STATE_CONNECTING_MODEM_BOOTING:
        _set_status_text("Modem Booting");
        // A modem that says it is booting has been found.
        auto_detect_flag = false;
        connect_timer()->stop();
        modem_boot_timer()->start();
        _stop({init_timer_index, keep_alive_timer_index});
        break;
    case CONNECTION_STATE_INITIALISING:
        _set_status_text("Initialising");
        response_seen_flag = true;
        for (int which = 0; which < INIT_RESP_COUNT; ++which) {
            counters[which] = init_responses_expected(Init_response(which));
        }
        _send_init_requests();
        QSettings().setValue("COM Port", current_port_name());
        auto_detect_flag = false;
        _stop({connect_timer_index, modem_boot_timer_index});
        init_timer()->start();
        keep_alive_timer()->start();
        break;
    case CONNECTION_STATE_CONNECTED:
        _set_status_text(model == 2   ? "Connected to KX5"
                         : model == 3 ? "Connected to KY5"
                                      : "Connected to LZ7");
        response_seen_flag = true;
        _stop({connect_timer_index, modem_boot_timer_index, init_timer_index});
        keep_alive_timer()->start();
        break;
    case CONNECTION_STATE_ERROR_PORT_OPEN_FAIL:
        _set_status_text(error_opening_port_text);
        serial_io->close();
        _stop({connect_timer_index, modem_boot_timer_index, init_timer_index,
               keep_alive_timer_index});
        break;
    }
    emit connection_state_changed(connection_state, connection_status_text);
}

void Connection_controller::_ui_action_connect_disconnect()
{
    if (connection_state != CONNECTION_STATE_NOT_CONNECTED &&
        connection_state != CONNECTION_STATE_ERROR_PORT_OPEN_FAIL) {
        if (!(hold_back_disconnect && hold_back_disconnect())) {
            _disconnect();
        }
        return;
    }
    if (auto_detect_flag) {
        // The search waits between ports it could not open: the button
        // reads "Disconnect" and stops it.
        _end_search(false);
        return;
    }
    if (port_count() <= 0) {
        return;
    }
    QSettings().setValue("COM Port", current_port_name());
    if (current_port == 0) {
        _start_search();
    } else {
        auto_detect_flag = false;
    }
    _open_selected_port();
    if (clear_disconnect_pending) {
        clear_disconnect_pending();
    }
}

void Connection_controller::_open_selected_port()
{
    open_port_name = current_port_name();
    lost_device = Lost_device();
    if (serial_io->open(open_port_name)) {
        opened_device = Device_identity::of(open_port_name);
        _set_connection_state(CONNECTION_STATE_CONNECTING);
    } else if (auto_detect_flag) {
        // The state stays; the status line says which port is tried.
        _set_status_text(_search_text());
        emit connection_state_changed(connection_state, connection_status_text);
        connect_timer()->start();
    } else {
        _set_connection_state(CONNECTION_STATE_ERROR_PORT_OPEN_FAIL);
    }
}

void Connection_controller::_start_search()
{
    search_order.clear();
    QSet<QString> devices;
    for (int index = 1; index < ports.size(); ++index) {
        const QString device = QFileInfo(ports[index]).canonicalFilePath();
        const QString key = device.isEmpty() ? ports[index] : device;
        if (!devices.contains(key)) {
            devices.insert(key);
            search_order << index;
        }
    }
    search_step = 0;
    auto_detect_flag = true;
    current_port = search_order.first();
    emit port_selected(current_port);
}

QString Connection_controller::_search_text() const
{
    return QString("Trying %1 (%2/%3)")
        .arg(current_port_name())
        .arg(search_step + 1)
        .arg(search_order.size());
}

void Connection_controller::_select_next_port()
{
    serial_io->close();
    ++search_step;
    current_port = search_order.value(search_step, 1);
    emit port_selected(current_port);
}

void Connection_controller::_end_search(bool nothing_found)
{
    // Back on "Auto Detect", so that Connect searches again.
    serial_io->close();
    auto_detect_flag = false;
    current_port = 0;
    emit port_selected(current_port);
    search_found_nothing = nothing_found;
    _set_connection_state(CONNECTION_STATE_NOT_CONNECTED);
}

void Connection_controller::_connect_timeout()
{
    if (auto_detect_flag) {
        // One pass over the ports: after the last, the search ends.
        if (search_step + 1 >= search_order.size()) {
            _end_search(true);
        } else {
            _select_next_port();
            _open_selected_port();
        }
        return;
    }
    _reopen_lost_device();
    _set_connection_state(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
}

void Connection_controller::_reopen_lost_device()
{
    // A device that went away is looked at again at every expiry, so a
    // modem that returns is reconnected without the operator. The path is
    // opened again only when it leads to a device that came back; while it
    // does not, nothing is tried (and nothing logged).
    if (serial_io->is_open() || !lost_device.active() || !lost_device.came_back(open_port_name)) {
        return;
    }
    if (serial_io->open(open_port_name)) {
        opened_device = Device_identity::of(open_port_name);
        qCDebug(lc_state_change).noquote() << "Reopened" << open_port_name;
    } else {
        // Not usable yet: keep watching for the next change.
        lost_device = Lost_device(Device_identity::of(open_port_name));
    }
}

void Connection_controller::_modem_boot_timeout()
{
    modem_interface->request_modem_startup_status();
    connect_timer()->start();
}

void Connection_controller::_keep_alive_timeout()
{
    // A missing answer means the modem is gone or restarted, even while it
    // was receiving: a restarted modem never reports the end of reception,
    // and excusing it would keep showing a modem that lost its set-up as
    // connected. The longer period while receiving allows for slow answers.
    if (response_seen_flag) {
        response_seen_flag = false;
        modem_interface->request_audio_rx_level();
        keep_alive_timer()->start();
        keep_alive_answer_timer()->start();
    } else {
        _set_connection_state(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
    }
}

void Connection_controller::_disconnect()
{
    modem_interface->unregister_for_all_indications();
    if (auto_detect_flag) {
        _end_search(false);
        return;
    }
    serial_io->close();
    _set_connection_state(CONNECTION_STATE_NOT_CONNECTED);
}

void Connection_controller::_handle_port_lost()
{
    const bool lone_pty = opened_device.is_pty && !opened_device.is_link;
    const QString line =
        "Serial device lost: " + open_port_name +
        (lone_pty ? QString(" (a lost pseudo-terminal is not reopened by itself)") : "");
    qCWarning(lc_state_change).noquote() << line;
    emit absence_reported(line);
    serial_io->close();
    lost_device = Lost_device(opened_device);
    if (connection_state == CONNECTION_STATE_NOT_CONNECTED ||
        connection_state == CONNECTION_STATE_ERROR_PORT_OPEN_FAIL || auto_detect_flag) {
        // Auto-detect moves on to the next port when its timer expires.
        return;
    }
    // Told above: the absence starts here, and a boot after it is a new one.
    if (!away_since.isValid()) {
        away_since.start();
    }
    boot_reported = false;
    _set_connection_state(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
}

void Connection_controller::_handle_reponse_modem_startup_status(bool msg_ok, uchar startup_status)
{
    qCDebug(lc_resp_handle) << "_handle_reponse_modem_startup_status" << msg_ok << startup_status;
    if (!msg_ok) {
        return;
    }
    if (startup_status != startup_status_ready) {
        emit modem_restart_seen();
        modem_boot_timer()->setInterval(timing.modem_boot_ms);
        _set_connection_state(CONNECTION_STATE_CONNECTING_MODEM_BOOTING);
        return;
    }
    if (connection_state == CONNECTION_STATE_CONNECTING ||
        connection_state == CONNECTION_STATE_CONNECTING_NO_RESPONSE ||
        connection_state == CONNECTION_STATE_CONNECTING_MODEM_BOOTING) {
        _set_connection_state(CONNECTION_STATE_INITIALISING);
    }
}

void Connection_controller::_show_temporary_status(const QString& text)
{
    saved_status_text = connection_status_text;
    saved_status_state = connection_state;
    connection_status_text = text;
    temporary_status_shown = true;
    display_timer()->start();
    emit connection_state_changed(connection_state, text);
}

void Connection_controller::_display_timeout()
{
    if (connection_state == saved_status_state) {
        connection_status_text = saved_status_text;
        temporary_status_shown = false;
        emit connection_state_changed(connection_state, saved_status_text);
    }
}

void Connection_controller::_handle_reset_set_ack()
{
    qCDebug(lc_resp_handle) << "_handle_reset_set_ack";
    emit modem_restart_seen();
    modem_boot_timer()->setInterval(timing.modem_boot_after_reset_ms);
    _set_connection_state(CONNECTION_STATE_CONNECTING_MODEM_BOOTING);
    _show_temporary_status("Safe Mode Reset");
}

void Connection_controller::note_response_seen()
{
    response_seen_flag = true;
    keep_alive_answer_timer()->stop();
    if (keep_alive_overdue_flag) {
        keep_alive_overdue_flag = false;
        emit keep_alive_overdue(false);
    }
}

void Connection_controller::_keep_alive_answer_overdue()
{
    // Only a connected modem is sent user data.
    if (connection_state == CONNECTION_STATE_CONNECTED && !keep_alive_overdue_flag) {
        keep_alive_overdue_flag = true;
        emit keep_alive_overdue(true);
    }
}

void Connection_controller::set_receiving(bool receiving)
{
    receiving_flag = receiving;
}

void Connection_controller::set_keep_alive_interval(int ms)
{
    keep_alive_timer()->setInterval(ms);
}

void Connection_controller::set_modem_software_version(const QString& version)
{
    software_version = version;
    if (version.contains("KX5")) {
        model = 2;
    } else if (version.contains("KY5")) {
        model = 3;
    } else {
        model = 1;
    }
}

} // namespace vq_qt
