#pragma once

// The 2G ALE state machine: drives the modem's ALE engine through its
// configuration, call and disable sequences, follows the engine's link
// reports, and tells the "2G ALE Control" panel what to show. No widgets:
// everything it shows leaves through signals.
//
// Events are processed one at a time by _2g_state_machine_execute, called
// directly by the slots that produce them. Each request of a sequence is sent
// only after the modem acknowledged the previous one, matched by message
// sequence number, and every step is guarded by the event timer.

#include "ale_2g_requests.h"
#include "ale_2g_settings.h"
#include "ale_2g_types.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

namespace vq_qt {

class QModem_interface;
struct Ale_2g_sequence;

class Ale_2g_state_machine : public QObject
{
    Q_OBJECT

public:
    // Timer intervals; tests shorten them, the program never does.
    int event_interval_ms = 2000;
    int disconnect_delay_ms = 500;
    // How long TERMINATING waits for the engine's link-terminated report.
    int terminating_limit_ms = 10000;

    explicit Ale_2g_state_machine(Ale_2g_settings& settings, QObject* parent = nullptr);
    ~Ale_2g_state_machine() override;

    // Where the requests go (not owned). Without one, sequence steps are
    // logged as failed and end in their timeout.
    void set_requests(Ale_2g_requests* requests);
    // Sends through the modem interface (owned adapter); the window connects
    // the replies and reports to the slots below itself.
    void send_through(QModem_interface* modem);
    // send_through, and connects the modem interface's ALE replies and
    // reports to the slots below: all but the system mode answers, which the
    // window shares with the connection and hands on to the
    // _handle_system_mode_... slots. Use one of the two, not both.
    void attach_modem(QModem_interface* modem);

    Ale_2g_state state() const { return ale_2g_state; }
    const QString& status_text() const { return ale_2g_status_text; }
    const QString& detail_text() const { return ale_2g_detail_text; }
    bool ale_display_mode() const { return ale_display_mode_flag; }
    bool activity_timeout_flag() const { return ale_2g_activity_timeout_flag; }
    bool disconnect_pending() const { return disconnect_pending_flag; }
    bool occupancy_flag() const { return ale_2g_occupancy_flag; }
    const QString& occupancy_signal_name() const { return ale_2g_occupancy_name; }
    const QString& station_names() const { return ale_2g_station_names; }
    uchar lqa_to() const { return ale_2g_lqa_to; }
    uchar lqa_from() const { return ale_2g_lqa_from; }
    uchar step_counter() const { return ale_2g_step_counter; }
    uchar expected_sequence_number() const { return ale_2g_expected_sequence_number; }
    const QTimer& event_timer() const { return ale_2g_event_timer; }
    const QTimer& terminating_timer() const { return terminating_limit_timer; }
    const Ale_2g_settings& settings() const { return ale_settings; }

    void _2g_state_machine_execute(Ale_2g_event event);
    void _change_2g_state(Ale_2g_state new_state);
    void _update_2g_gui_controls();
    // Each returns false while a step was sent, true when the sequence is complete.
    bool _2g_ale_send_next_config_message();
    bool _2g_ale_send_next_disable_message();
    bool _2g_ale_send_next_call_message();
    void _log_2g_ale_status_event(uchar event_value);

    // Hooks of the connection.
    // Entering Connected: post DISABLE, status "Disabled", empty detail, refresh.
    void connection_established();
    // Entering Not connected or No Response: the status label shows "-". The
    // state, texts and timers are kept (a step outstanding ends in its timeout).
    void connection_lost();
    // Disconnect requested: with ALE not disabled and terminate-on-disconnect
    // set, posts DISABLE, sets the disconnect-pending flag and returns true;
    // disconnect_now() follows once the engine is shut down. False: disconnect
    // at once.
    bool hold_back_disconnect();
    void clear_disconnect_pending();

public slots:
    void _2g_ale_event_timeout();

    // Only the ALE part of the system mode answers: the connection counts
    // its own answer and logs the reply itself.
    void _handle_system_mode_set_ack(uchar message_sequence_number = 0);
    void _handle_system_mode_set_nack(uchar message_sequence_number = 0);

    void _handle_ale_system_mode_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_system_mode_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_activity_timeout_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_activity_timeout_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_lbt_time_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_lbt_time_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_scan_list_entry_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_scan_list_entry_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_address_table_ext_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_address_table_ext_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_nonvolatile_memory_reset_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_nonvolatile_memory_reset_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_call_setup_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_call_setup_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_call_control_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_call_control_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_terminate_link_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_terminate_link_set_nack(uchar message_sequence_number = 0);
    void _handle_ale_abort_request_set_ack(uchar message_sequence_number = 0);
    void _handle_ale_abort_request_set_nack(uchar message_sequence_number = 0);

    void _handle_ale_report_status_indication(uchar event, uchar call_type,
                                              uchar self_address_index, uchar preset_number,
                                              uchar lqa_to, uchar lqa_from,
                                              uchar station_names_list_length,
                                              QString station_names_list);
    void _handle_occupancy_detected_result_indication(ushort duration, ushort occupancy);

    // Sets the detail text and refreshes (report handling and tests).
    void set_detail_text(const QString& text);

signals:
    void controls_changed(const vq_qt::Ale_2g_controls& controls);
    // locked: select the first radio model ("No Radio Control") and disable
    // the selector; unlocked: enable it (it still shows the first entry).
    void radio_selector_lock(bool locked);
    // The engine is shut down after a held-back disconnect: disconnect now.
    void disconnect_now();
    void ale_display_mode_changed(bool on);
    // An ALE status report arrived: its logged name ("UNKNOWN" for a code
    // not known), the station names, and for a reply or a failed call the
    // detail text that tells the link quality or why (empty otherwise).
    void report_received(const QString& name, const QString& station_names, const QString& outcome);

private:
    bool send_next(const Ale_2g_sequence& sequence);
    void set_texts(const QString& status, const QString& detail);
    void start_disabling(const QString& status, const QString& detail);
    void set_display_mode(bool on);
    void stop_event_timer_into_error(const QString& status);
    void reply(const char* handler, uchar message_sequence_number, bool nack);
    void perform_disconnect();

    void execute_disabled(Ale_2g_event event);
    void execute_config(Ale_2g_event event);
    void execute_enabled(Ale_2g_event event);
    void execute_call_setup(Ale_2g_event event);
    void execute_calling(Ale_2g_event event);
    void execute_linked(Ale_2g_event event);
    void execute_terminating(Ale_2g_event event);
    void execute_disabling(Ale_2g_event event);
    void execute_error(Ale_2g_event event);
    void terminating_too_long();
    void disable_after_link();

    Ale_2g_settings& ale_settings;
    Ale_2g_requests* requests = nullptr;
    std::unique_ptr<Ale_2g_requests> owned_requests;

    Ale_2g_state ale_2g_state = ALE_2G_STATE_DISABLED;
    QString ale_2g_status_text = "-";
    QString ale_2g_detail_text;
    uchar ale_2g_step_counter = 0;
    uchar ale_2g_expected_sequence_number = 0;
    QTimer ale_2g_event_timer;
    // Runs while TERMINATING: the link-terminated report may never come.
    QTimer terminating_limit_timer;
    // A DISABLE arrived while the link is being terminated: the engine is
    // shut down once the link is.
    bool disable_after_terminating = false;

    bool ale_display_mode_flag = false;
    bool ale_2g_activity_timeout_flag = false;
    bool disconnect_pending_flag = false;
    bool ale_2g_occupancy_flag = false;
    QString ale_2g_occupancy_name;
    QString ale_2g_station_names;
    uchar ale_2g_lqa_to = 0;
    uchar ale_2g_lqa_from = 0;
};

} // namespace vq_qt
