// The 2G ALE engine and the connection: the disconnect hold-back, the
// shutdown it runs, and what entering and leaving a connection does.

#include "ale_2g_test_support.h"

using namespace vq_qt;
using ale_2g_test::Log_recorder;
using ale_2g_test::Machine;

Q_DECLARE_METATYPE(vq_qt::Ale_2g_state)

class Tst_disconnect : public QObject
{
    Q_OBJECT

private slots:
    void disconnect_while_linked_shuts_down_first()
    {
        Machine m;
        m.machine.disconnect_delay_ms = 50;
        m.link();
        m.requests.sent.clear();

        QVERIFY(m.machine.hold_back_disconnect());
        QVERIFY(m.machine.disconnect_pending());
        QCOMPARE(m.state(), ALE_2G_STATE_TERMINATING);
        QCOMPARE(m.requests.sent.filter("set_ale_terminate_link(32)").size(), 1);
        QCOMPARE(m.shown.detail,
                 QString("<font color='gray'>Terminating due to Disconnect Request</font>"));
        m.ack(); // the terminate acknowledgement does not move the machine
        QCOMPARE(m.state(), ALE_2G_STATE_TERMINATING);

        m.report(16);
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLING);
        QCOMPARE(m.shown.status, QString("Disabling"));
        m.ack();
        m.ack();
        QCOMPARE(m.requests.sent, QStringList({"set_ale_terminate_link(32)",
                                               "set_ale_system_mode(1)", "set_system_mode(2)"}));
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLED);
        QCOMPARE(m.shown.status, QString("Disabled"));
        QCOMPARE(m.shown.detail, QString("<font color='gray'>Disconnecting</font>"));
        QCOMPARE(m.disconnects, 0);
        QVERIFY(m.machine.event_timer().isActive());
        QCOMPARE(m.machine.event_timer().interval(), 50);

        // Disconnect pressed again during the delay: still one disconnect.
        QVERIFY(m.machine.hold_back_disconnect());
        QTRY_COMPARE_WITH_TIMEOUT(m.disconnects, 1, scaled_ms(5000));
        QVERIFY(!m.machine.disconnect_pending());
        QVERIFY(!m.machine.event_timer().isActive());
        QCOMPARE(m.shown.detail, QString("<font color='gray'></font>"));
    }

    void disconnect_at_once_data()
    {
        QTest::addColumn<Ale_2g_state>("state");
        QTest::addColumn<bool>("terminate_on_disconnect");
        QTest::newRow("disabled") << ALE_2G_STATE_DISABLED << true;
        QTest::newRow("enabled, flag clear") << ALE_2G_STATE_ENABLED << false;
        QTest::newRow("linked, flag clear") << ALE_2G_STATE_LINKED << false;
    }

    void disconnect_at_once()
    {
        QFETCH(Ale_2g_state, state);
        QFETCH(bool, terminate_on_disconnect);
        Machine m;
        m.settings.terminate_on_disconnect = terminate_on_disconnect;
        if (state == ALE_2G_STATE_ENABLED) {
            m.enable();
        } else if (state == ALE_2G_STATE_LINKED) {
            m.link();
        }
        const QStringList sent = m.requests.sent;
        QVERIFY(!m.machine.hold_back_disconnect());
        QVERIFY(!m.machine.disconnect_pending());
        QCOMPARE(m.state(), state);
        QCOMPARE(m.requests.sent, sent);
    }

    void disconnect_while_enabled_disables_first()
    {
        Machine m;
        m.machine.disconnect_delay_ms = 20;
        m.enable();
        QVERIFY(m.machine.hold_back_disconnect());
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLING);
        m.ack();
        m.ack();
        QTRY_COMPARE_WITH_TIMEOUT(m.disconnects, 1, scaled_ms(5000));
        QCOMPARE(m.radio_locks, QList<bool>({true, false}));
    }

    // TERMINATING waits for the link-terminated report before disabling;
    // only a second disable request or its own time limit ends the wait.
    void shutdown_while_terminating_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<Ale_2g_state>("after");
        QTest::newRow("terminate, disconnect, report")
            << "terminate disconnect report" << ALE_2G_STATE_DISABLING;
        QTest::newRow("terminate, disconnect twice")
            << "terminate disconnect disconnect" << ALE_2G_STATE_DISABLING;
        QTest::newRow("disconnect, no report") << "disconnect wait" << ALE_2G_STATE_DISABLING;
        QTest::newRow("terminate, connected again, report")
            << "terminate connected report" << ALE_2G_STATE_DISABLING;
        QTest::newRow("terminate, no report") << "terminate wait" << ALE_2G_STATE_ERROR;
    }

    void shutdown_while_terminating()
    {
        QFETCH(QString, steps);
        QFETCH(Ale_2g_state, after);
        Log_recorder log;
        Machine m;
        m.machine.disconnect_delay_ms = 20;
        m.machine.terminating_limit_ms = 40;
        m.link();
        m.requests.sent.clear();
        const auto run = [&m](const QString& step) {
            if (step == "terminate") {
                m.post(ALE_2G_EVENT_TERMINATE);
            } else if (step == "connected") {
                m.machine.connection_established();
            } else if (step == "report") {
                m.report(16);
            }
            return step != "disconnect" || m.machine.hold_back_disconnect();
        };
        QStringList first = steps.split(' ');
        const QString last = first.takeLast();
        for (const QString& step : first) {
            QVERIFY(run(step));
        }
        QCOMPARE(m.state(), ALE_2G_STATE_TERMINATING);
        QVERIFY(m.machine.terminating_timer().isActive());
        QCOMPARE(m.requests.sent.filter("set_ale_terminate_link(32)").size(), 1);

        // The report or a second request ends the wait at once.
        QVERIFY(run(last));
        if (last == "wait") {
            QTRY_COMPARE_WITH_TIMEOUT(m.state(), after, scaled_ms(5000));
        }
        QCOMPARE(m.state(), after);
        QVERIFY(!m.machine.terminating_timer().isActive());
        QVERIFY(!m.machine.ale_display_mode());
        QCOMPARE(log.in("state_change_2g").filter("TERMINATING:").size(), last == "report" ? 0 : 1);
        if (after == ALE_2G_STATE_ERROR) {
            QCOMPARE(m.shown.status, QString("<font color='red'>Terminate Timeout</font>"));
            return;
        }
        QCOMPARE(m.shown.status, QString("Disabling"));
        QCOMPARE(m.requests.sent.last(), QString("set_ale_system_mode(1)"));
        m.ack();
        m.ack();
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLED);
        QTRY_COMPARE_WITH_TIMEOUT(m.disconnects, steps.contains("disconnect") ? 1 : 0,
                                  scaled_ms(5000));
    }

    // Mended: when the engine cannot be disabled the held-back disconnect
    // still happens.
    void failed_shutdown_still_disconnects_data()
    {
        QTest::addColumn<bool>("nack");
        QTest::newRow("nack") << true;
        QTest::newRow("timeout") << false;
    }

    void failed_shutdown_still_disconnects()
    {
        QFETCH(bool, nack);
        Machine m;
        m.machine.event_interval_ms = 30;
        m.enable();
        QVERIFY(m.machine.hold_back_disconnect());
        if (nack) {
            m.nack();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m.disconnects, 1, scaled_ms(5000));
        QCOMPARE(m.state(), ALE_2G_STATE_ERROR);
        QVERIFY(!m.machine.disconnect_pending());
        QVERIFY(!m.machine.event_timer().isActive());
    }

    void clear_disconnect_pending_stops_the_disconnect()
    {
        Machine m;
        m.enable();
        QVERIFY(m.machine.hold_back_disconnect());
        m.machine.clear_disconnect_pending();
        m.ack();
        m.ack();
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLED);
        QCOMPARE(m.shown.detail, QString("<font color='gray'></font>"));
        QVERIFY(!m.machine.event_timer().isActive());
    }

    void connection_established_disables()
    {
        Machine m;
        m.machine.connection_established();
        QCOMPARE(m.state(), ALE_2G_STATE_DISABLED);
        QCOMPARE(m.shown.status, QString("Disabled"));
        QCOMPARE(m.shown.detail, QString("<font color='gray'></font>"));
        QVERIFY(m.requests.sent.isEmpty());

        // An engine left enabled by a lost connection is disabled again.
        Machine enabled;
        enabled.enable();
        enabled.requests.sent.clear();
        enabled.machine.connection_established();
        QCOMPARE(enabled.state(), ALE_2G_STATE_DISABLING);
        QCOMPARE(enabled.requests.sent, QStringList{"set_ale_system_mode(1)"});
        QCOMPARE(enabled.shown.status, QString("Disabled"));
    }

    void connection_lost_shows_a_dash_and_keeps_the_state()
    {
        Machine m;
        m.enable();
        m.machine.connection_lost();
        QCOMPARE(m.shown.status, QString("-"));
        QCOMPARE(m.state(), ALE_2G_STATE_ENABLED);
        QCOMPARE(m.machine.status_text(), QString("<font color='green'>Enabled</font>"));
    }
};

QTEST_GUILESS_MAIN(Tst_disconnect)
#include "tst_disconnect.moc"
