// The operator's view of what happened and of the link's state: the event
// list and what the window feeds it, the connection light, and receive
// readouts that go blank on a loss and grey when the modem stops refreshing
// them.

#include "ale_2g_control_panel.h"
#include "connection_indicator.h"
#include "event_list.h"
#include "qmodem_interface.h"
#include "widget_tree.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <functional>

using Window_action = std::function<void(Talvane&, Talvane_test_probe&)>;
Q_DECLARE_METATYPE(Window_action)

class Tst_event_list : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void list_keeps_the_newest_lines_in_words()
    {
        Event_list list(3);
        list.add(Event_kind::connection, "<font color='red'>Error opening port</font>");
        list.add(Event_kind::data, "");
        for (const char* text : {"two", "three", "four"}) {
            list.add(Event_kind::ale, text);
        }
        QCOMPARE(int(list.entries().size()), 3);
        QCOMPARE(list.entries().front().text, QString("two"));
        const QVariantList newest = list.last(2);
        QCOMPARE(newest.size(), 2);
        QCOMPARE(newest[1].toMap()["text"].toString(), QString("four"));
        QVERIFY(QDateTime::fromString(newest[1].toMap()["time"].toString(), Qt::ISODateWithMs)
                    .isValid());
    }

    void view_filters_by_kind_and_copies_what_it_shows()
    {
        Event_list list;
        Event_list_view view(&list);
        list.add(Event_kind::connection, "Connected to KX5");
        list.add(Event_kind::ale, "Start LQA Poll");
        QVERIFY(view.shown_text().contains("Connected to KX5"));
        view.kind_filter->setCurrentText("ALE");
        list.add(Event_kind::connection, "No Response");
        list.add(Event_kind::ale, "End LQA Poll");
        QCOMPARE(view.lines_view->toPlainText().split('\n').size(), 2);
        QVERIFY(!view.lines_view->toPlainText().contains("Connected"));
        view.copy_button->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), view.shown_text());
        // A long line does not scroll the list sideways.
        view.resize(300, 200);
        view.show();
        list.add(Event_kind::ale, "End LQA Poll " + QString(200, 'x'));
        QVERIFY(view.lines_view->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(view.lines_view->horizontalScrollBar()->value(), 0);
    }

    void window_reports_data()
    {
        QTest::addColumn<Window_action>("action");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("port error") << Window_action([](Talvane&, Talvane_test_probe& p) {
            p.enter(CONNECTION_STATE_ERROR_PORT_OPEN_FAIL);
        }) << "Error"
                                    << "Error opening port";
        QTest::newRow("modem away") << Window_action([](Talvane&, Talvane_test_probe& p) {
            p.enter(CONNECTION_STATE_CONNECTED);
            p.enter(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
            p.enter(CONNECTION_STATE_INITIALISING);
        }) << "Connection"
                                    << "ready again after";
        QTest::newRow("booting at the first connect")
            << Window_action([](Talvane&, Talvane_test_probe& p) {
                   p.enter(CONNECTION_STATE_CONNECTING_MODEM_BOOTING);
                   p.enter(CONNECTION_STATE_INITIALISING);
               })
            << "Connection"
            << "ready after";
        QTest::newRow("init timer") << Window_action([](Talvane&, Talvane_test_probe& p) {
            p.enter(CONNECTION_STATE_INITIALISING);
            p.init_timeout();
        }) << "Error"
                                    << "no answer for INIT_RESP_SW_VERSION, INIT_RESP_SYSTEM_MODE";
        QTest::newRow("version") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->software_version_number_request_response(20, "KX5 V3");
        }) << "Modem"
                                 << "Modem version: KX5 V3";
        QTest::newRow("radio") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->rcm_status_indication(3, 1);
        }) << "Radio"
                               << "Radio status: Error";
        QTest::newRow("ALE reply") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->ale_report_status_indication(13, 0, 0, 0, 12, 7, 5, "BASE1");
        }) << "ALE"
                                   << "outgoing ALE call - BASE1: Link Quality: TO = 12, FROM = 7";
        QTest::newRow("ALE failed") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->occupancy_detected_result_indication(100, 5);
            emit w.modem()->ale_report_status_indication(14, 0, 0, 0, 0, 0, 5, "BASE1");
        }) << "ALE"
                                    << "ALE link - BASE1: Channel Occupied with PSK 4285 signal";
        QTest::newRow("flow stop") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->data_to_modem_flow_stop_indication();
        }) << "Data"
                                   << "Modem flow stop";
        QTest::newRow("held") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->data_from_modem_set(QByteArray(70000, 'm'), true);
        }) << "Data"
                              << "Data from the modem held: 70000 bytes wait";
        QTest::newRow("saved") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->save_configuration_to_non_volatile_memory_set_ack();
        }) << "Settings"
                               << "Settings saved in the modem";
        QTest::newRow("no modem found") << Window_action([](Talvane&, Talvane_test_probe& p) {
            p.set_ports({"/nonexistent/a"});
            p.press_connect();
            p.connection()->_connect_timeout();
        }) << "Connection"
                                        << "No modem found";
        QTest::newRow("radio preset level") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.radio_control()->audio_tx_level_preset(-30);
        }) << "Radio"
                                            << "sets the transmit audio level: -30 dB (was 0 dB)";
        QTest::newRow("ALE takes the radio") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.ale_2g_control()->state_machine()->radio_selector_lock(true);
        }) << "Radio"
                                             << "2G ALE takes the radio";
        QTest::newRow("refused") << Window_action([](Talvane& w, Talvane_test_probe&) {
            emit w.modem()->ale_call_setup_set_nack(3);
        }) << "Error"
                                 << "The modem refused: ale call setup set";
    }

    void window_reports()
    {
        QFETCH(Window_action, action);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        Talvane window;
        Talvane_test_probe probe{window};
        action(window, probe);
        const auto& lines = window.events()->entries();
        // Told once.
        QCOMPARE(std::count_if(lines.begin(), lines.end(),
                               [&](const Event_entry& line) {
                                   return event_kind_name(line.kind) == kind &&
                                          line.text.contains(text);
                               }),
                 1);
    }

    void connection_light_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("colour");
        QTest::newRow("connected") << int(CONNECTION_STATE_CONNECTED) << "green";
        QTest::newRow("initialising") << int(CONNECTION_STATE_INITIALISING) << "orange";
        QTest::newRow("booting") << int(CONNECTION_STATE_CONNECTING_MODEM_BOOTING) << "orange";
        QTest::newRow("no response") << int(CONNECTION_STATE_CONNECTING_NO_RESPONSE) << "red";
        QTest::newRow("port error") << int(CONNECTION_STATE_ERROR_PORT_OPEN_FAIL) << "red";
    }

    void connection_light()
    {
        QFETCH(int, state);
        QFETCH(QString, colour);
        Talvane window;
        Talvane_test_probe probe{window};
        probe.enter(Connection_state(state));
        QCOMPARE(window.connection_light()->colour(), colour);
        QCOMPARE(window.connection_light()->duration->text(),
                 state == CONNECTION_STATE_CONNECTED ? QString() : QString("for 0 s"));
    }

    void receive_values_go_stale_and_blank_on_a_loss()
    {
        Talvane window;
        Talvane_test_probe probe{window};
        Receive_information_panel* panel = probe.receive_information();
        panel->set_stale_after(20);
        panel->set_last_wf_rx_status(2);
        probe.enter(CONNECTION_STATE_CONNECTED);
        panel->_handle_wf_lqa_indication(5, 4, 1, 25, 15, -3, 0);
        QCOMPARE(panel->snr_label->text(), QString("5 dB"));
        QTRY_VERIFY(panel->readouts_stale());
        QVERIFY(panel->snr_label->styleSheet().contains("gray"));
        probe.enter(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
        QCOMPARE(panel->snr_label->text(), QString("-"));
        QVERIFY(!panel->readouts_stale());
    }

    void show_gives_the_newest_fifty_events()
    {
        Talvane window;
        for (int i = 0; i < 60; ++i) {
            window.events()->add(Event_kind::data, QString("line %1").arg(i));
        }
        const QJsonArray events = vq_qt::widget_tree::describe(&window)["events"].toArray();
        QCOMPARE(events.size(), 50);
        QCOMPARE(events.last()["text"].toString(), QString("line 59"));
        QVERIFY(!events.last()["time"].toString().isEmpty());
    }
};

QTEST_MAIN(Tst_event_list)
#include "tst_event_list.moc"
