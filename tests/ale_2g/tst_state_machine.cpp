// The 2G ALE state machine without widgets: its three request sequences,
// the matching of acknowledgements, the transitions with their texts, and
// the controls each state shows.

#include "ale_2g_test_support.h"

using namespace vq_qt;
using ale_2g_test::Log_recorder;
using ale_2g_test::Machine;

Q_DECLARE_METATYPE(vq_qt::Ale_2g_event)
Q_DECLARE_METATYPE(vq_qt::Ale_2g_state)

namespace {

const QStringList config_requests = {
    "set_system_mode(3)",
    "set_ale_nonvolatile_memory_reset(8)",
    "set_ale_scan_list_entry(0, ALESCANPOOL, ffff)",
    "set_ale_address_table_ext(0, REMOTE1, REMOTE1, 1, 5000, 5000, 0, 00)",
    "set_ale_address_table_ext(1, DUMMY, DUMMY, 2, 5000, 5000, 0, 00)",
    "set_ale_activity_timeout(180)",
    "set_ale_lbt_time(10)",
    "set_ale_system_mode(2)",
};

const QStringList config_details = {
    "Set System Mode",   "Set Purge ALE system", "Set Scan List",         "Set Self Address",
    "Set Other Address", "Set Activity Timeout", "Set LBT Time Interval", "Set ALE System Mode",
};

const QStringList disable_requests = {"set_ale_system_mode(1)", "set_system_mode(2)"};

const QStringList call_requests = {
    "set_ale_address_table_ext(1, BASE1, BASE1, 2, 5000, 5000, 0, 00)",
    "set_ale_call_setup(1, 1, 0, 01)",
    "set_ale_call_control()",
};

QString gray(const QString& text)
{
    return "<font color='gray'>" + text + "</font>";
}

// Brings a fresh machine into the named state.
void drive_to(Machine& m, Ale_2g_state state)
{
    switch (state) {
    case ALE_2G_STATE_DISABLED:
        break;
    case ALE_2G_STATE_CONFIG:
        m.post(ALE_2G_EVENT_ENABLE);
        break;
    case ALE_2G_STATE_ENABLED:
        m.enable();
        break;
    case ALE_2G_STATE_CALL_SETUP:
        m.enable();
        m.post(ALE_2G_EVENT_CALL);
        break;
    case ALE_2G_STATE_CALLING:
        m.call();
        break;
    case ALE_2G_STATE_LINKED:
        m.link();
        break;
    case ALE_2G_STATE_TERMINATING:
        m.link();
        m.post(ALE_2G_EVENT_TERMINATE);
        break;
    case ALE_2G_STATE_DISABLING:
        m.enable();
        m.post(ALE_2G_EVENT_DISABLE);
        break;
    case ALE_2G_STATE_ERROR:
        m.post(ALE_2G_EVENT_ENABLE);
        m.nack();
        break;
    }
    QCOMPARE(m.state(), state);
}

} // namespace

class Tst_state_machine : public QObject
{
    Q_OBJECT

private slots:
    void enable_sends_eight_requests_one_by_one()
    {
        Log_recorder log;
        Machine m;
        m.post(ALE_2G_EVENT_ENABLE);
        QCOMPARE(m.radio_locks, QList<bool>{true});
        for (int step = 0; step < config_requests.size(); ++step) {
            QCOMPARE(m.state(), ALE_2G_STATE_CONFIG);
            QCOMPARE(m.requests.sent, config_requests.mid(0, step + 1));
            QCOMPARE(m.machine.detail_text(), config_details[step]);
            QCOMPARE(m.shown.status, QString("<font color='green'>Configuring</font>"));
            QVERIFY(m.machine.event_timer().isActive());
            QCOMPARE(m.machine.event_timer().interval(), 2000);
            m.ack();
        }
        QCOMPARE(m.requests.sent, config_requests);
        QCOMPARE(m.state(), ALE_2G_STATE_ENABLED);
        QCOMPARE(m.shown.status, QString("<font color='green'>Enabled</font>"));
        QCOMPARE(m.shown.detail, gray(""));
        QVERIFY(!m.machine.event_timer().isActive());
        QCOMPARE(m.machine.step_counter(), uchar(0));

        const QStringList steps = log.in("tac1_reply_2g");
        QCOMPARE(steps.first(), QString("_2g_ale_send_next_config_message: CNT:  0"));
        QVERIFY(steps.contains("_2g_ale_send_next_config_message: CNT:  7"));
        QVERIFY(steps.contains(
            "_2g_state_machine_execute: ALE_2G_STATE_CONFIG: ALE_2G_EVENT_TAC1_REPLY"));
        QCOMPARE(steps.last(), QString("_2g_ale_send_next_config_message: Done"));
        QCOMPARE(log.in("state_change_2g"),
                 QStringList({"2G State = \"CONFIG\"", "2G State = \"ENABLED\""}));
    }

    void settings_reach_the_requests()
    {
        Machine m;
        m.settings.self_address = "ALPHA";
        m.settings.scan_list = "a5f";
        m.settings.activity_timeout = 4464;
        m.settings.lbt_time = 44;
        m.settings.tune_time = 300;
        m.settings.wait_for_reply_time = 7000;
        m.enable();
        QCOMPARE(m.requests.sent.mid(2, 5),
                 QStringList({"set_ale_scan_list_entry(0, ALESCANPOOL, 0a5f)",
                              "set_ale_address_table_ext(0, ALPHA, ALPHA, 1, 300, 7000, 0, 00)",
                              "set_ale_address_table_ext(1, DUMMY, DUMMY, 2, 300, 7000, 0, 00)",
                              "set_ale_activity_timeout(4464)", "set_ale_lbt_time(44)"}));
    }

    void replies_with_another_number_change_nothing()
    {
        Machine m;
        m.post(ALE_2G_EVENT_ENABLE);
        m.ack();
        const uchar awaited = m.machine.expected_sequence_number();
        m.machine._handle_ale_scan_list_entry_set_ack(uchar(awaited - 1));
        m.machine._handle_ale_scan_list_entry_set_nack(uchar(awaited - 1));
        m.machine._handle_system_mode_set_ack(0);
        QCOMPARE(m.state(), ALE_2G_STATE_CONFIG);
        QCOMPARE(m.requests.sent.size(), 2);
        QCOMPARE(m.machine.step_counter(), uchar(2));
        // The system mode answer of the first step moves the sequence on too.
        Machine first;
        first.post(ALE_2G_EVENT_ENABLE);
        first.machine._handle_system_mode_set_ack(first.machine.expected_sequence_number());
        QCOMPARE(first.requests.sent.size(), 2);
    }

    void nack_and_timeout_lead_to_error_data()
    {
        QTest::addColumn<Ale_2g_state>("from");
        QTest::addColumn<Ale_2g_event>("event");
        QTest::addColumn<QString>("status");
        QTest::newRow("config nack") << ALE_2G_STATE_CONFIG << ALE_2G_EVENT_NACK
                                     << "<font color='red'>Config NACK'ed</font>";
        QTest::newRow("config timeout") << ALE_2G_STATE_CONFIG << ALE_2G_EVENT_TIMEOUT
                                        << "<font color='red'>Config Timeout</font>";
        QTest::newRow("call setup nack") << ALE_2G_STATE_CALL_SETUP << ALE_2G_EVENT_NACK
                                         << "<font color='red'>CALL Setup NACK'ed</font>";
        QTest::newRow("call setup timeout") << ALE_2G_STATE_CALL_SETUP << ALE_2G_EVENT_TIMEOUT
                                            << "<font color='red'>Call Setup Timeout</font>";
        QTest::newRow("disable nack") << ALE_2G_STATE_DISABLING << ALE_2G_EVENT_NACK
                                      << "<font color='red'>Disable NACK'ed</font>";
        QTest::newRow("disable timeout") << ALE_2G_STATE_DISABLING << ALE_2G_EVENT_TIMEOUT
                                         << "<font color='red'>Disable Timeout</font>";
    }

    void nack_and_timeout_lead_to_error()
    {
        QFETCH(Ale_2g_state, from);
        QFETCH(Ale_2g_event, event);
        QFETCH(QString, status);
        Machine m;
        drive_to(m, from);
        if (event == ALE_2G_EVENT_NACK) {
            m.nack();
        } else {
            m.post(event);
        }
        QCOMPARE(m.state(), ALE_2G_STATE_ERROR);
        QCOMPARE(m.shown.status, status);
        QCOMPARE(m.shown.detail, gray(""));
        QCOMPARE(m.shown.enable_text, QString("Reset Error"));
        QVERIFY(m.shown.enable_enabled);
        QVERIFY(!m.shown.call_enabled);
        // Nothing is awaited in ERROR: the timer does not keep running.
        QVERIFY(!m.machine.event_timer().isActive());
    }

    void config_timeout_then_reset_error_disables()
    {
        Machine m;
        m.machine.event_interval_ms = 50;
        m.post(ALE_2G_EVENT_ENABLE);
        m.ack();
        m.ack(); // "Set Scan List" sent and never acknowledged
        QCOMPARE(m.machine.detail_text(), QString("Set Scan List"));
        QTRY_COMPARE_WITH_TIMEOUT(m.state(), ALE_2G_STATE_ERROR, scaled_ms(5000));
        QCOMPARE(m.shown.status, QString("<font color='red'>Config Timeout</font>"));

        m.requests.sent.clear();
        QCOMPARE(m.shown.enable_text, QString("Reset Error"));
        m.post(ALE_2G_EVENT_DISABLE);
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLING);
        QCOMPARE(m.shown.status, QString("<font color='red'>Config Timeout</font>"));
        QCOMPARE(m.machine.detail_text(), QString("Set ALE System Mode"));
        m.ack();
        m.ack();
        QCOMPARE(m.requests.sent, disable_requests);
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLED);
        QCOMPARE(m.shown.status, QString("Disabled"));
        QCOMPARE(m.radio_locks, QList<bool>({true, false}));
        QVERIFY(!m.machine.event_timer().isActive());
    }

    void call_sequence_and_link()
    {
        Log_recorder log;
        Machine m;
        m.enable();
        m.requests.sent.clear();
        m.machine._handle_occupancy_detected_result_indication(10, 5);
        m.report(10);
        QVERIFY(m.machine.occupancy_flag() && m.machine.activity_timeout_flag());
        m.post(ALE_2G_EVENT_CALL);
        QVERIFY(!m.machine.occupancy_flag() && !m.machine.activity_timeout_flag());
        QVERIFY(m.machine.ale_display_mode());
        QCOMPARE(m.shown.status, QString("<font color='green'>Call Setup</font>"));
        QCOMPARE(m.shown.call_text, QString("Cancel"));
        m.ack();
        m.ack();
        QCOMPARE(m.requests.sent, call_requests);
        QCOMPARE(m.machine.detail_text(), QString("Make Call"));
        m.ack();
        QCOMPARE(m.state(), ALE_2G_STATE_CALLING);
        QCOMPARE(m.shown.status, QString("<font color='green'>Call Setup Done</font>"));
        QVERIFY(log.in("tac1_reply_2g").contains("_2g_ale_send_next_call_message: Done"));

        m.post(ALE_2G_EVENT_CALLING);
        QCOMPARE(m.shown.status, QString("<font color='green'>Linking</font>"));
        QCOMPARE(m.shown.detail, gray("Calling BASE1"));
        m.report(13, "BASE1", 12, 7);
        QCOMPARE(m.shown.status, QString("<font color='green'>Reply from BASE1</font>"));
        m.report(4, "BASE1");
        QCOMPARE(m.state(), ALE_2G_STATE_LINKED);
        QCOMPARE(m.shown.status, QString("<font color='green'>Linked to BASE1</font>"));
        QCOMPARE(m.shown.detail, gray("Link Quality: TO = 12, FROM = 7")); // unchanged
        QVERIFY(!m.machine.ale_display_mode());
        QCOMPARE(m.display_modes, QList<bool>({true, false}));
        QCOMPARE(m.shown.call_text, QString("Terminate"));
        QVERIFY(!m.shown.enable_enabled);
    }

    void call_endings_data()
    {
        QTest::addColumn<Ale_2g_state>("from");
        QTest::addColumn<Ale_2g_event>("event");
        QTest::addColumn<Ale_2g_state>("to");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("request");
        QTest::addColumn<bool>("display_mode");
        QTest::newRow("cancel during setup")
            << ALE_2G_STATE_CALL_SETUP << ALE_2G_EVENT_CANCEL << ALE_2G_STATE_ENABLED << "Canceled"
            << ""
            << "set_ale_abort_request(1) -" << false;
        QTest::newRow("cancel while calling")
            << ALE_2G_STATE_CALLING << ALE_2G_EVENT_CANCEL << ALE_2G_STATE_ENABLED << "Canceled"
            << ""
            << "set_ale_abort_request(1) -" << false;
        QTest::newRow("link failed")
            << ALE_2G_STATE_CALLING << ALE_2G_EVENT_LINK_FAILED << ALE_2G_STATE_ENABLED
            << "<font color='red'>Link Failed</font>"
            << ""
            << "" << false;
        QTest::newRow("terminated while calling")
            << ALE_2G_STATE_CALLING << ALE_2G_EVENT_LINK_TERMINATED << ALE_2G_STATE_CALLING
            << "<font color='orange'>Link Terminated</font>"
            << "Link terminated by user"
            << "" << true;
        QTest::newRow("terminate")
            << ALE_2G_STATE_LINKED << ALE_2G_EVENT_TERMINATE << ALE_2G_STATE_TERMINATING
            << "<font color='orange'>Terminating link</font>"
            << ""
            << "set_ale_terminate_link(32) -" << true;
        QTest::newRow("offline while linked")
            << ALE_2G_STATE_LINKED << ALE_2G_EVENT_OFFLINE << ALE_2G_STATE_ENABLED << "Offline"
            << ""
            << "set_ale_terminate_link(32) -" << true;
        QTest::newRow("terminated externally")
            << ALE_2G_STATE_LINKED << ALE_2G_EVENT_LINK_TERMINATED << ALE_2G_STATE_ENABLED
            << "<font color='orange'>Link Terminated</font>"
            << "Link terminated externally"
            << "" << false;
        QTest::newRow("terminated by user")
            << ALE_2G_STATE_TERMINATING << ALE_2G_EVENT_LINK_TERMINATED << ALE_2G_STATE_ENABLED
            << "<font color='green'>Link Terminated</font>"
            << "Link terminated by user"
            << "" << false;
        QTest::newRow("disable while linked")
            << ALE_2G_STATE_LINKED << ALE_2G_EVENT_DISABLE << ALE_2G_STATE_TERMINATING
            << "<font color='orange'>Terminating link</font>"
            << "Terminating due to Disconnect Request"
            << "set_ale_terminate_link(32)" << false;
    }

    void call_endings()
    {
        QFETCH(Ale_2g_state, from);
        QFETCH(Ale_2g_event, event);
        QFETCH(Ale_2g_state, to);
        QFETCH(QString, status);
        QFETCH(QString, detail);
        QFETCH(QString, request);
        QFETCH(bool, display_mode);
        Machine m;
        drive_to(m, from);
        m.requests.sent.clear();
        const uchar awaited = m.machine.expected_sequence_number();
        m.post(event);
        QCOMPARE(m.state(), to);
        QCOMPARE(m.shown.status, status);
        QCOMPARE(m.shown.detail, gray(detail));
        QCOMPARE(m.requests.sent, request.isEmpty() ? QStringList() : QStringList{request});
        QCOMPARE(m.machine.ale_display_mode(), display_mode);
        if (request.endsWith(" -")) {
            QCOMPARE(m.machine.expected_sequence_number(), awaited);
        }
        if (to == ALE_2G_STATE_ENABLED) {
            QVERIFY(!m.machine.event_timer().isActive());
            QCOMPARE(m.shown.call_text, QString("Call"));
            QVERIFY(m.shown.call_enabled);
        }
    }

    void disabling_from_each_state_data()
    {
        QTest::addColumn<Ale_2g_state>("from");
        QTest::addColumn<Ale_2g_event>("event");
        QTest::addColumn<QString>("status");
        QTest::newRow("config") << ALE_2G_STATE_CONFIG << ALE_2G_EVENT_DISABLE << "Disabling";
        QTest::newRow("enabled") << ALE_2G_STATE_ENABLED << ALE_2G_EVENT_DISABLE << "Disabling";
        QTest::newRow("enabled offline")
            << ALE_2G_STATE_ENABLED << ALE_2G_EVENT_OFFLINE << "Offline";
        QTest::newRow("call setup")
            << ALE_2G_STATE_CALL_SETUP << ALE_2G_EVENT_DISABLE << "Disabling";
        QTest::newRow("call setup offline")
            << ALE_2G_STATE_CALL_SETUP << ALE_2G_EVENT_OFFLINE << "Offline";
        QTest::newRow("calling") << ALE_2G_STATE_CALLING << ALE_2G_EVENT_DISABLE << "Disabling";
        QTest::newRow("calling offline")
            << ALE_2G_STATE_CALLING << ALE_2G_EVENT_OFFLINE << "Offline";
    }

    void disabling_from_each_state()
    {
        QFETCH(Ale_2g_state, from);
        QFETCH(Ale_2g_event, event);
        QFETCH(QString, status);
        Machine m;
        drive_to(m, from);
        m.requests.sent.clear();
        m.post(event);
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLING);
        QCOMPARE(m.shown.status, status);
        QCOMPARE(m.shown.detail, gray("Set ALE System Mode"));
        QVERIFY(!m.shown.call_enabled && !m.shown.self_enabled && !m.shown.other_enabled);
        m.ack();
        m.ack();
        QCOMPARE(m.requests.sent, disable_requests);
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLED);
        QCOMPARE(m.shown.status, QString("Disabled"));
        QCOMPARE(m.shown.enable_text, QString("Enable"));
        QVERIFY(m.shown.enable_enabled && m.shown.self_enabled && !m.shown.other_enabled);
        QVERIFY(!m.machine.ale_display_mode());
        QCOMPARE(m.radio_locks.last(), false);
    }

    void ignored_events_change_nothing_data()
    {
        QTest::addColumn<Ale_2g_state>("from");
        QTest::addColumn<Ale_2g_event>("event");
        QTest::newRow("disabled none") << ALE_2G_STATE_DISABLED << ALE_2G_EVENT_NONE;
        QTest::newRow("disabled disable") << ALE_2G_STATE_DISABLED << ALE_2G_EVENT_DISABLE;
        QTest::newRow("disabled timeout") << ALE_2G_STATE_DISABLED << ALE_2G_EVENT_TIMEOUT;
        QTest::newRow("enabled not linked") << ALE_2G_STATE_ENABLED << ALE_2G_EVENT_NOT_LINKED;
        QTest::newRow("enabled linked") << ALE_2G_STATE_ENABLED << ALE_2G_EVENT_LINKED;
        QTest::newRow("enabled timeout") << ALE_2G_STATE_ENABLED << ALE_2G_EVENT_TIMEOUT;
        QTest::newRow("setup calling") << ALE_2G_STATE_CALL_SETUP << ALE_2G_EVENT_CALLING;
        QTest::newRow("linked enable") << ALE_2G_STATE_LINKED << ALE_2G_EVENT_ENABLE;
        QTest::newRow("terminating tac1") << ALE_2G_STATE_TERMINATING << ALE_2G_EVENT_TAC1_REPLY;
        QTest::newRow("terminating disable") << ALE_2G_STATE_TERMINATING << ALE_2G_EVENT_DISABLE;
        QTest::newRow("disabling disable") << ALE_2G_STATE_DISABLING << ALE_2G_EVENT_DISABLE;
        QTest::newRow("error enable") << ALE_2G_STATE_ERROR << ALE_2G_EVENT_ENABLE;
    }

    void ignored_events_change_nothing()
    {
        QFETCH(Ale_2g_state, from);
        QFETCH(Ale_2g_event, event);
        Machine m;
        drive_to(m, from);
        const QStringList sent = m.requests.sent;
        const QString status = m.machine.status_text();
        const QString detail = m.machine.detail_text();
        m.post(event);
        QCOMPARE(m.state(), from);
        QCOMPARE(m.requests.sent, sent);
        QCOMPARE(m.machine.status_text(), status);
        QCOMPARE(m.machine.detail_text(), detail);
    }

    void controls_by_state_data()
    {
        QTest::addColumn<Ale_2g_state>("state");
        QTest::addColumn<QString>("enable_text");
        QTest::addColumn<bool>("enable_enabled");
        QTest::addColumn<QString>("call_text");
        QTest::addColumn<bool>("call_enabled");
        QTest::addColumn<bool>("self_enabled");
        QTest::addColumn<bool>("other_enabled");
        // Each state reached from the one before it in a fresh machine.
        QTest::newRow("DISABLED") << ALE_2G_STATE_DISABLED << "Enable" << true << "Call" << false
                                  << true << false;
        QTest::newRow("CONFIG") << ALE_2G_STATE_CONFIG << "Disable" << true << "Call" << false
                                << false << false;
        QTest::newRow("ENABLED") << ALE_2G_STATE_ENABLED << "Disable" << true << "Call" << true
                                 << false << true;
        QTest::newRow("CALL_SETUP")
            << ALE_2G_STATE_CALL_SETUP << "Disable" << false << "Cancel" << true << false << false;
        QTest::newRow("CALLING") << ALE_2G_STATE_CALLING << "Disable" << false << "Cancel" << true
                                 << false << false;
        QTest::newRow("LINKED") << ALE_2G_STATE_LINKED << "Disable" << false << "Terminate" << true
                                << false << false;
        QTest::newRow("TERMINATING") << ALE_2G_STATE_TERMINATING << "Disable" << false
                                     << "Terminate" << false << false << false;
        QTest::newRow("DISABLING")
            << ALE_2G_STATE_DISABLING << "Disable" << true << "Call" << false << false << false;
        QTest::newRow("ERROR") << ALE_2G_STATE_ERROR << "Reset Error" << true << "Call" << false
                               << false << false;
    }

    void controls_by_state()
    {
        QFETCH(Ale_2g_state, state);
        Machine m;
        m.machine._update_2g_gui_controls();
        drive_to(m, state);
        QTEST(m.shown.enable_text, "enable_text");
        QTEST(m.shown.enable_enabled, "enable_enabled");
        QTEST(m.shown.call_text, "call_text");
        QTEST(m.shown.call_enabled, "call_enabled");
        QTEST(m.shown.self_enabled, "self_enabled");
        QTEST(m.shown.other_enabled, "other_enabled");
    }

    void empty_addresses_show_label_only_texts()
    {
        Log_recorder log;
        Machine m;
        m.settings.self_address.clear();
        m.machine._update_2g_gui_controls();
        QCOMPARE(m.shown.status, QString("<font color='orange'>Invalid Self Address</font>"));
        QCOMPARE(m.shown.detail, QString("Please enter 3 to 15 characters"));
        QVERIFY(!m.shown.enable_enabled);
        QCOMPARE(m.machine.status_text(), QString("-"));
        QCOMPARE(log.in("address_entry_2g"),
                 QStringList{"_update_2g_gui_controls: DISABLED: Invalid Self address"});

        m.settings.self_address = "REMOTE1";
        m.enable();
        m.settings.other_address.clear();
        m.machine._update_2g_gui_controls();
        QCOMPARE(m.shown.status, QString("<font color='orange'>Invalid Other Address</font>"));
        QVERIFY(!m.shown.call_enabled);
        QCOMPARE(m.machine.status_text(), QString("<font color='green'>Enabled</font>"));
        QCOMPARE(log.in("address_entry_2g").last(),
                 QString("_update_2g_gui_controls: DISABLED: Invalid Other Address"));
    }

    void invalid_state_is_reported()
    {
        Log_recorder log;
        Machine m;
        m.machine._change_2g_state(Ale_2g_state(42));
        QCOMPARE(log.in("state_change_2g").last(), QString("2G State = \"UNKNOWN\""));
        m.post(ALE_2G_EVENT_ENABLE);
        QVERIFY(log.marked_lines().contains(
            "C state_change_2g|_2g_state_machine_execute: Invalid State!! 42"));
        QVERIFY(m.requests.sent.isEmpty());
        m.machine._update_2g_gui_controls();
        QCOMPARE(m.shown.status, QString("<font color='red'>ERROR Invalid State!</font>"));
        QCOMPARE(m.shown.detail, QString());
        QVERIFY(!m.shown.enable_enabled && !m.shown.call_enabled);
        QVERIFY(!m.shown.self_enabled && !m.shown.other_enabled);
    }

    void nack_handlers_log_a_warning()
    {
        Log_recorder log;
        Machine m;
        m.machine._handle_ale_call_setup_set_nack(9);
        m.machine._handle_ale_lbt_time_set_ack(9);
        QCOMPARE(log.marked_lines(), QStringList({"W resp_handle|_handle_ale_call_setup_set_nack 9",
                                                  "resp_handle|_handle_ale_lbt_time_set_ack 9"}));
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLED);
    }
};

QTEST_GUILESS_MAIN(Tst_state_machine)
#include "tst_state_machine.moc"
