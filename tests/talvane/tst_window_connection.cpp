// The main window's connection state machine driven directly through its
// slots: start-up status, initialisation answers, the connected status and
// title, keep-alive, passing status texts and a lost port.

#include "ale_2g_control_panel.h"
#include "heading_display_widget.h"
#include "link_quality_plot.h"
#include "widget_tree.h"
#include "window_fixture.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

class Tst_window_connection : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void startup_status_data();
    void startup_status();
    void init_answers_data();
    void init_answers();
    void init_timer_report_lists_outstanding_answers();
    void connected_status_names_the_model_data();
    void connected_status_names_the_model();
    void software_version_gives_model_and_title_data();
    void software_version_gives_model_and_title();
    void software_version_completes_initialisation();
    void keep_alive_data();
    void keep_alive();
    void temporary_status_data();
    void temporary_status();
    void lost_port_gives_no_response_at_once_data();
    void lost_port_gives_no_response_at_once();
};

void Tst_window_connection::startup_status_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("msg_ok");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("to");
    QTest::newRow("connecting, ready") << 1 << true << 1 << 4;
    QTest::newRow("no response, ready") << 2 << true << 1 << 4;
    QTest::newRow("booting, ready") << 3 << true << 1 << 4;
    QTest::newRow("connected, ready: no new initialisation") << 5 << true << 1 << 5;
    QTest::newRow("initialising, ready: not restarted") << 4 << true << 1 << 4;
    QTest::newRow("connecting, answer not ok") << 1 << false << 2 << 1;
    QTest::newRow("connected, answer not ok") << 5 << false << 1 << 5;
    QTest::newRow("connecting, booting") << 1 << true << 2 << 3;
    QTest::newRow("connected, booting") << 5 << true << 0 << 3;
    QTest::newRow("initialising, booting") << 4 << true << 7 << 3;
}

void Tst_window_connection::startup_status()
{
    QFETCH(int, from);
    QFETCH(bool, msg_ok);
    QFETCH(int, status);
    QFETCH(int, to);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(Connection_state(from));
    if (from == CONNECTION_STATE_INITIALISING) {
        probe.duplex_ack(); // one answer in: a restart would undo it
    }
    probe.boot_timer()->setInterval(8000);
    QSignalSpy changes(&window, &Talvane::connection_state_changed);

    probe.startup_status(msg_ok, uchar(status));
    QCOMPARE(probe.state(), to);
    QCOMPARE(changes.count(), to == from ? 0 : 1);
    if (to == CONNECTION_STATE_CONNECTING_MODEM_BOOTING) {
        QCOMPARE(probe.boot_timer()->interval(), 3000);
        QVERIFY(probe.boot_timer()->isActive());
        QVERIFY(!probe.connect_timer()->isActive());
        QCOMPARE(probe.status(), QString("Modem Booting"));
    }
    if (from == CONNECTION_STATE_INITIALISING && to == from) {
        QCOMPARE(probe.counter("INIT_RESP_DUPLEX_MODE"), 0);
    }
    if (to == CONNECTION_STATE_INITIALISING && from != to) {
        QVERIFY(probe.init_timer()->isActive());
        QVERIFY(probe.keep_alive_timer()->isActive());
        QCOMPARE(probe.counter("INIT_RESP_REGISTER_INDV_INDICATION"), 5);
        QCOMPARE(probe.counter("INIT_RESP_SW_VERSION"), 1);
    }
}

void Tst_window_connection::init_answers_data()
{
    // Each answer is one letter: s system mode ack, d duplex ack, u upload
    // ack, n upload nack, r registration ack, x registration nack, m radio
    // model response. All other counters are already at 0.
    QTest::addColumn<QString>("outstanding");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<bool>("connected");
    QTest::newRow("five registrations complete") << "rrrrr"
                                                 << "rrrrr" << true;
    QTest::newRow("four registrations do not") << "rrrrr"
                                               << "rrrr" << false;
    QTest::newRow("a registration nack does not count") << "rrrrr"
                                                        << "rrrrx" << false;
    QTest::newRow("upload mode ack") << "u"
                                     << "u" << true;
    QTest::newRow("upload mode nack counts too") << "u"
                                                 << "n" << true;
    QTest::newRow("system mode and duplex") << "sd"
                                            << "ds" << true;
    QTest::newRow("duplex missing") << "sd"
                                    << "ss" << false;
    QTest::newRow("radio model") << "m"
                                 << "m" << true;
}

void Tst_window_connection::init_answers()
{
    QFETCH(QString, outstanding);
    QFETCH(QString, answers);
    QFETCH(bool, connected);
    const QMap<QChar, const char*> counters = {{'s', "INIT_RESP_SYSTEM_MODE"},
                                               {'d', "INIT_RESP_DUPLEX_MODE"},
                                               {'u', "INIT_RESP_UPLOAD_MODE"},
                                               {'r', "INIT_RESP_REGISTER_INDV_INDICATION"},
                                               {'m', "INIT_RESP_RADIO_MODEL"}};
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(CONNECTION_STATE_INITIALISING);
    probe.set_all_counters(0);
    for (QChar c : outstanding) {
        probe.set_counter(counters.value(c), probe.counter(counters.value(c)) + 1);
    }
    Log_recorder log;
    for (QChar c : answers) {
        switch (c.toLatin1()) {
        case 's':
            probe.system_mode_ack();
            break;
        case 'd':
            probe.duplex_ack();
            break;
        case 'u':
            probe.upload_mode_ack();
            break;
        case 'n':
            probe.upload_mode_nack();
            break;
        case 'r':
            probe.registration_ack();
            break;
        case 'x':
            probe.registration_nack();
            break;
        case 'm':
            probe.radio_select_response();
            break;
        }
    }
    QCOMPARE(probe.state(),
             int(connected ? CONNECTION_STATE_CONNECTED : CONNECTION_STATE_INITIALISING));
    QCOMPARE(log.in("init").contains("Responses to all initialisation messages received."),
             connected);
    if (connected) {
        QVERIFY(!probe.init_timer()->isActive());
        QVERIFY(probe.keep_alive_timer()->isActive());
        // Late answers in Connected change nothing.
        const int before = probe.counter("INIT_RESP_REGISTER_INDV_INDICATION");
        probe.registration_ack();
        QCOMPARE(probe.counter("INIT_RESP_REGISTER_INDV_INDICATION"), before);
    }
}

void Tst_window_connection::init_timer_report_lists_outstanding_answers()
{
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(CONNECTION_STATE_INITIALISING);
    probe.set_all_counters(0);
    probe.set_counter("INIT_RESP_DTE_PORT_MODE", 1);
    probe.set_counter("INIT_RESP_REGISTER_INDV_INDICATION", 2);
    Log_recorder log;
    probe.init_timeout();
    QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTED));
    const QStringList lines = log.in("init");
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.at(0), QString("INIT TIMER -------------"));
    QString expected = "Responses outstanding:";
    for (const auto& counter : probe.counters()) {
        expected += "\n    " + counter.first + ":" + QString::number(counter.second);
    }
    QCOMPARE(lines.at(1), expected);
    QVERIFY(lines.at(1).contains("\n    INIT_RESP_DTE_PORT_MODE:1\n"));
    QVERIFY(lines.at(1).startsWith("Responses outstanding:\n    INIT_RESP_SW_VERSION:0\n"));
    QVERIFY(lines.at(1).endsWith("\n    INIT_RESP_RX_AUDIO_LEVEL:0"));
}

void Tst_window_connection::connected_status_names_the_model_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("status");
    QTest::newRow("KX5") << 2 << "Connected to KX5";
    QTest::newRow("KY5") << 3 << "Connected to KY5";
    QTest::newRow("other") << 1 << "Connected to LZ7";
    QTest::newRow("not yet known") << 0 << "Connected to LZ7";
}

void Tst_window_connection::connected_status_names_the_model()
{
    QFETCH(int, model);
    QFETCH(QString, status);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_model(model);
    probe.set_response_seen(false);
    probe.enter(CONNECTION_STATE_CONNECTED);
    QCOMPARE(probe.status(), status);
    QVERIFY(probe.response_seen());
    QVERIFY(!probe.ports()->isEnabled());
    QVERIFY(!window.connection_hint_label->isVisibleTo(&window));
    for (int panel = 0; panel < 6; ++panel) {
        QVERIFY(probe.panel(panel)->isEnabled());
    }
    QVERIFY(probe.save_button()->isEnabled());
    QVERIFY(probe.load_defaults_button()->isEnabled());
    QCOMPARE(probe.keep_alive_timer()->interval(), 2000);
    QVERIFY(probe.keep_alive_timer()->isActive());

    probe.enter(CONNECTION_STATE_NOT_CONNECTED);
    QCOMPARE(window.windowTitle(), QString("Talvane V1.1.6"));
    for (int panel = 1; panel < 6; ++panel) {
        QVERIFY(!probe.panel(panel)->isEnabled());
    }
}

void Tst_window_connection::software_version_gives_model_and_title_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("model");
    QTest::newRow("KX5") << "KX5 Modem 2.4.1" << 2;
    QTest::newRow("KY5") << "KY5-3.0" << 3;
    QTest::newRow("both, KX5 first") << "KY5/KX5" << 2;
    QTest::newRow("lower case") << "kx5 1.0" << 1;
    QTest::newRow("other") << "LZ7 5.1" << 1;
    QTest::newRow("empty") << "" << 1;
}

void Tst_window_connection::software_version_gives_model_and_title()
{
    QFETCH(QString, version);
    QFETCH(int, model);
    Talvane window;
    Talvane_test_probe probe{window};
    window.modem_control()->_handle_software_version_number_request_response(20, version);
    QCOMPARE(probe.connection()->modem_model(), model);
    QCOMPARE(probe.connection()->modem_software_version(), version);
    const QString base =
        QApplication::applicationName() + " V" + QApplication::applicationVersion();
    QCOMPARE(window.windowTitle(),
             version.isEmpty() ? base : base + " (Modem S/W Version: " + version + ")");
}

// The software version as the last answer of the initialisation: the
// connected status and the completion report already know the modem.
void Tst_window_connection::software_version_completes_initialisation()
{
    Talvane window;
    Talvane_test_probe probe{window};
    Log_recorder recorder;
    probe.enter(CONNECTION_STATE_INITIALISING);
    probe.expect_only("INIT_RESP_SW_VERSION", 1);
    window.modem_control()->_handle_software_version_number_request_response(20, "KX5 2.0");
    QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTED));
    QCOMPARE(window.status_text(), QString("Connected to KX5"));
    QVERIFY(recorder.lines_with_levels().contains("D|info|Modem version: KX5 2.0"));
}

void Tst_window_connection::keep_alive_data()
{
    QTest::addColumn<bool>("response_seen");
    QTest::addColumn<bool>("receiving");
    QTest::addColumn<int>("state");
    QTest::newRow("answered") << true << false << 5;
    // Reception does not excuse a missing answer: the modem may have
    // restarted, and a restarted modem never reports the end of reception.
    QTest::newRow("receiving, no answer") << false << true << 2;
    QTest::newRow("both") << true << true << 5;
    QTest::newRow("silent") << false << false << 2;
}

void Tst_window_connection::keep_alive()
{
    QFETCH(bool, response_seen);
    QFETCH(bool, receiving);
    QFETCH(int, state);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(CONNECTION_STATE_CONNECTED);
    probe.set_response_seen(response_seen);
    probe.set_receiving(receiving);
    probe.keep_alive_timer()->stop();
    probe.keep_alive_timeout();
    QCOMPARE(probe.state(), state);
    if (state == CONNECTION_STATE_CONNECTED) {
        QVERIFY(!probe.response_seen());
        QVERIFY(probe.keep_alive_timer()->isActive());
    } else {
        QCOMPARE(probe.status(), QString("No Response"));
        QVERIFY(probe.connect_timer()->isActive());
        QVERIFY(!probe.keep_alive_timer()->isActive());
    }
}

void Tst_window_connection::temporary_status_data()
{
    QTest::addColumn<bool>("reset");    // reset ack, else save ack
    QTest::addColumn<int>("change_to"); // state entered meanwhile, -1 for none
    QTest::addColumn<QString>("temporary");
    QTest::addColumn<QString>("after");
    QTest::newRow("reset, state kept") << true << -1 << "Safe Mode Reset"
                                       << "Modem Booting";
    QTest::newRow("reset, state changed")
        << true << int(CONNECTION_STATE_CONNECTING_NO_RESPONSE) << "No Response"
        << "No Response";
    QTest::newRow("reset, booting again")
        << true << int(CONNECTION_STATE_CONNECTING_MODEM_BOOTING) << "Modem Booting"
        << "Modem Booting";
    QTest::newRow("saved, state kept") << false << -1 << "Settings Saved"
                                       << "Connected to KX5";
    QTest::newRow("saved, then lost")
        << false << int(CONNECTION_STATE_CONNECTING_NO_RESPONSE) << "No Response"
        << "No Response";
}

void Tst_window_connection::temporary_status()
{
    QFETCH(bool, reset);
    QFETCH(int, change_to);
    QFETCH(QString, temporary);
    QFETCH(QString, after);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_model(2);
    probe.enter(CONNECTION_STATE_CONNECTED);
    if (reset) {
        probe.reset_ack();
        QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTING_MODEM_BOOTING));
        QCOMPARE(probe.status(), QString("Safe Mode Reset"));
        QCOMPARE(probe.boot_timer()->interval(), 8000);
        QVERIFY(probe.boot_timer()->isActive());
    } else {
        probe.save_ack();
        QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTED));
        QCOMPARE(probe.status(), QString("Settings Saved"));
    }
    QVERIFY(probe.display_timer()->isActive());
    QCOMPARE(probe.display_timer()->interval(), 2000);
    if (change_to >= 0) {
        probe.enter(Connection_state(change_to));
        QCOMPARE(probe.status(), temporary);
    }
    probe.display_timeout();
    QCOMPARE(probe.status(), after);
}

void Tst_window_connection::lost_port_gives_no_response_at_once_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("connected") << 5 << 2;
    QTest::newRow("initialising") << 4 << 2;
    QTest::newRow("booting") << 3 << 2;
    QTest::newRow("connecting") << 1 << 2;
    QTest::newRow("not connected") << 0 << 0;
    QTest::newRow("error") << 6 << 6;
}

void Tst_window_connection::lost_port_gives_no_response_at_once()
{
    QFETCH(int, from);
    QFETCH(int, to);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(Connection_state(from));
    probe.port_lost();
    QCOMPARE(probe.state(), to);
    if (to == CONNECTION_STATE_CONNECTING_NO_RESPONSE) {
        QVERIFY(probe.connect_timer()->isActive());
        QVERIFY(!probe.keep_alive_timer()->isActive());
        QVERIFY(!probe.init_timer()->isActive());
        QVERIFY(!probe.boot_timer()->isActive());
    }
}

QTEST_MAIN(Tst_window_connection)
#include "tst_window_connection.moc"
