#pragma once

// The link to the modem: port selection and auto-detect, the connection state
// machine with its entry actions, the boot wait, the initialisation requests
// and the answers they wait for, the keep-alive, the temporary status texts
// and the reopening of a device that went away. It owns no widget: the window
// shows its state, status text and port selection.

#include "connection_link.h"
#include "device_identity.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QTimer;

namespace vq_qt {
class QSerial_io;
class QModem_interface;

// State of the link to the modem, as shown on the status line.
enum Connection_state : int
{
    CONNECTION_STATE_NOT_CONNECTED = 0,
    CONNECTION_STATE_CONNECTING = 1,
    CONNECTION_STATE_CONNECTING_NO_RESPONSE = 2,
    CONNECTION_STATE_CONNECTING_MODEM_BOOTING = 3,
    CONNECTION_STATE_INITIALISING = 4,
    CONNECTION_STATE_CONNECTED = 5,
    CONNECTION_STATE_ERROR_PORT_OPEN_FAIL = 6,
};

// The enumerator text of a connection state ("CONNECTION_STATE_CONNECTED").
const char* connection_state_name(int state);

// Timer intervals of the connection, in milliseconds. The program keeps these
// values; tests shorten them.
struct Connection_timing
{
    int connect_ms = 500;
    int modem_boot_ms = 3000;
    int modem_boot_after_reset_ms = 8000;
    int init_ms = 3000;
    int keep_alive_ms = 2000;
    // A keep-alive answer not back this long after its request is overdue:
    // user data is held until it comes (or No Response follows).
    int keep_alive_overdue_ms = 500;
    int display_ms = 2000;
};

class Connection_controller : public QObject, public Connection_link
{
    Q_OBJECT

public:
    // `devices` are the system's serial ports; the port list is
    // "Auto Detect" followed by them.
    Connection_controller(vq_qt::QSerial_io* serial_io, vq_qt::QModem_interface* modem_interface,
                          const QStringList& devices, Connection_timing timing = {},
                          QObject* parent = nullptr);

    // Enters Not connected and selects the port remembered as "COM Port".
    void start();

    int current_connection_state() const { return connection_state; }
    QString status_text() const { return connection_status_text; }
    QStringList port_names() const { return ports; }
    int current_port_index() const { return current_port; }
    QString current_port_name() const { return ports.value(current_port); }
    int port_count() const { return ports.size() - 1; }
    // True while Auto Detect looks for the modem: from Connect on "Auto
    // Detect" until a modem answers, every port has been tried once ("No
    // modem found") or the operator stops the search.
    bool auto_detect() const { return auto_detect_flag; }
    bool response_seen() const { return response_seen_flag; }
    bool receiving() const { return receiving_flag; }
    QString modem_software_version() const { return software_version; }
    int init_counter(Init_response which) const { return counters[which]; }
    void set_init_counter(Init_response which, int value) { counters[which] = value; }

    // Replaces the devices after "Auto Detect".
    void set_ports(const QStringList& devices);
    // Appends a device when it is not in the list yet; returns its index.
    int add_port(const QString& device);
    // The operator chose entry `index` of the port list.
    void select_port(int index);
    void select_port_name(const QString& name);

    // Asked before a disconnect while the ALE engine may still be working:
    // returns true when the ALE state machine takes over and will ask for
    // `_disconnect()` itself once the engine is disabled.
    std::function<bool()> hold_back_disconnect;
    // Connect pressed: a disconnect the ALE engine was holding back is void.
    std::function<void()> clear_disconnect_pending;

    // Shows `text` on the status line until the display timer expires.
    void _show_temporary_status(const QString& text);
    // Whether the status line shows such a passing text.
    bool showing_temporary_status() const { return temporary_status_shown; }

    // Connection_link.
    void count_init_response(Init_response which) override;
    void note_response_seen() override;
    void set_response_seen(bool seen) { response_seen_flag = seen; }
    void set_receiving(bool receiving) override;
    void set_keep_alive_interval(int ms) override;
    void set_modem_software_version(const QString& version) override;
    int modem_model() const override { return model; }

    // Intervals the timers are given; the running timers keep theirs.
    Connection_timing timing;

    QTimer* connect_timer() const { return timers[connect_timer_index]; }
    QTimer* modem_boot_timer() const { return timers[modem_boot_timer_index]; }
    QTimer* init_timer() const { return timers[init_timer_index]; }
    QTimer* keep_alive_timer() const { return timers[keep_alive_timer_index]; }
    QTimer* display_timer() const { return timers[display_timer_index]; }
    QTimer* keep_alive_answer_timer() const { return timers[keep_alive_answer_timer_index]; }

signals:
    // Emitted by every state change after the controller's own entry actions,
    // and by every change of the status text.
    void connection_state_changed(int state, const QString& status_text);
    void port_list_changed(const QStringList& names);
    // The controller moved the selection (auto-detect, remembered port).
    void port_selected(int index);
    // The modem showed that it restarted: its start-up status said it was
    // booting, or it acknowledged a reset. Whatever it asked for before is
    // forgotten.
    void modem_restart_seen();
    // The keep-alive answer is overdue (true), or came after all (false).
    void keep_alive_overdue(bool overdue);
    // The modem went away or came back, in the words of the trace: "Serial
    // device lost: PORT", "No Response from the modem on PORT", "Modem booting on PORT", "Modem on
    // PORT ready again after N s away".
    void absence_reported(const QString& line);
    // The initialisation ended by its timer; `missing` names the answers
    // that did not come.
    void init_incomplete(const QStringList& missing);

public slots:
    void _ui_action_connect_disconnect();
    void _disconnect();
    void _set_connection_state(Connection_state state);

    void _connect_timeout();
    void _modem_boot_timeout();
    void _init_timeout();
    void _keep_alive_timeout();
    void _display_timeout();
    void _keep_alive_answer_overdue();

    // The serial device went away (adapter unplugged, far end closed).
    void _handle_port_lost();

    void _handle_reponse_modem_startup_status(bool msg_ok, uchar startup_status);
    void _handle_reset_set_ack();
    void _handle_system_mode_set_ack(uchar message_sequence_number = 0);
    void _handle_system_mode_set_nack(uchar message_sequence_number = 0);
    void _handle_modem_duplex_mode_set_ack();
    void _handle_key_to_audio_tx_delay_set_ack();
    void _handle_audio_tx_to_unkey_delay_set_ack();
    void _handle_data_from_modem_upload_mode_set_ack();
    void _handle_data_from_modem_upload_mode_set_nack();
    void _handle_registration_for_an_inividual_indication_set_ack();
    void _handle_registration_for_an_inividual_indication_set_nack();

private:
    enum Timer_index
    {
        connect_timer_index,
        modem_boot_timer_index,
        init_timer_index,
        keep_alive_timer_index,
        display_timer_index,
        keep_alive_answer_timer_index,
        timer_count
    };

    void _init_timers();
    void _stop(std::initializer_list<Timer_index> which);
    void _set_status_text(const QString& text);
    void _check_modem_init_complete();
    void _open_selected_port();
    void _select_next_port();
    void _send_init_requests();
    void _reopen_lost_device();
    void _start_search();
    void _end_search(bool nothing_found);
    QString _search_text() const;
    void _report_absence(Connection_state state);

    vq_qt::QSerial_io* serial_io;
    vq_qt::QModem_interface* modem_interface;
    std::array<QTimer*, timer_count> timers{};

    QStringList ports;
    int current_port = 0;
    int connection_state = CONNECTION_STATE_NOT_CONNECTED;
    QString connection_status_text = "Not Connected";
    bool auto_detect_flag = false;
    // The entries Auto Detect tries, one for each device (a second name of a
    // device already listed is passed over), and the one being tried.
    QList<int> search_order;
    int search_step = 0;
    bool search_found_nothing = false; // the search ends in "No modem found"
    bool temporary_status_shown = false;
    bool response_seen_flag = true;
    bool keep_alive_overdue_flag = false;
    bool receiving_flag = false; // reception in progress (the keep-alive runs slower)
    QString saved_status_text;
    int saved_status_state = CONNECTION_STATE_NOT_CONNECTED;
    QString software_version;
    int model = 0;
    QString open_port_name;            // the device the link holds, for reopening
    Device_identity opened_device;     // what that path led to when it was opened
    Lost_device lost_device;           // watched after a loss, until it comes back
    QElapsedTimer away_since;          // the modem's absence; invalid while it is there
    bool boot_reported = false;        // its boot in this absence has been told
    bool connected_since_open = false; // the modem was Connected on the open port
    std::array<int, INIT_RESP_COUNT> counters{};
};

} // namespace vq_qt
