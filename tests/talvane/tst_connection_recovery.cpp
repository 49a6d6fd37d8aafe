// The console against the simulated modem when things go wrong: a modem
// that stops answering, a device that vanishes and comes back, a reset.

#include "window_fixture.h"

#include <QMessageBox>

namespace {
constexpr int connected = CONNECTION_STATE_CONNECTED;
constexpr int initialising = CONNECTION_STATE_INITIALISING;
constexpr int booting = CONNECTION_STATE_CONNECTING_MODEM_BOOTING;
constexpr int no_response = CONNECTION_STATE_CONNECTING_NO_RESPONSE;
} // namespace

class Tst_connection_recovery : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void silent_modem_drops_to_no_response_and_returns();
    void vanished_device_is_reconnected_without_the_operator_data();
    void vanished_device_is_reconnected_without_the_operator();
    void load_defaults_resets_and_reconnects();
    void save_shows_settings_saved();
    void disconnect_closes_the_port_for_others();
    void unregister_reaches_the_line_before_it_closes_data();
    void unregister_reaches_the_line_before_it_closes();
};

void Tst_connection_recovery::silent_modem_drops_to_no_response_and_returns()
{
    REQUIRE_SIMULATOR();
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0"}));
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    rig.states.clear();

    rig.modem.command("hang");
    // The answer to the last keep-alive request is missing at the next check.
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), no_response, scaled_ms(2 * 2000 + 1000));
    QCOMPARE(rig.probe.status(), QString("No Response"));
    QVERIFY(rig.probe.connect_timer()->isActive());

    rig.modem.command("resume");
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    QVERIFY(rig.passed_through({no_response, initialising, connected}));
}

void Tst_connection_recovery::vanished_device_is_reconnected_without_the_operator_data()
{
    QTest::addColumn<bool>("restart");
    QTest::newRow("modem restarted behind the same link") << true;
    QTest::newRow("pseudo-terminal replaced, as by a replugged adapter") << false;
}

void Tst_connection_recovery::vanished_device_is_reconnected_without_the_operator()
{
    REQUIRE_SIMULATOR();
    QFETCH(bool, restart);
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0"}));
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    rig.states.clear();

    if (restart) {
        rig.modem.kill();
        QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), no_response, scaled_ms(1000));
        QCOMPARE(rig.probe.connect_button()->text(), QString("Disconnect"));
        // It keeps looking while nothing is there: the connect timer
        // expires again and again without leaving No Response.
        QSignalSpy expiries(rig.probe.connection(),
                            &Connection_controller::connection_state_changed);
        QVERIFY(QTest::qWaitFor([&] { return expiries.count() >= 2; }, scaled_ms(3000)));
        for (const QList<QVariant>& expiry : expiries) {
            QCOMPARE(expiry.at(0).toInt(), no_response);
        }
        // A new modem behind the same link is found again.
        QFile::remove(rig.link);
        QVERIFY(rig.start_modem({"--boot-ms", "0"}));
    } else {
        rig.modem.command("new-pty");
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.passed_through({no_response, initialising, connected}),
                             scaled_ms(5000));
    QCOMPARE(rig.probe.state(), connected);
    QCOMPARE(rig.probe.connect_button()->text(), QString("Disconnect"));
}

void Tst_connection_recovery::load_defaults_resets_and_reconnects()
{
    REQUIRE_SIMULATOR();
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "500"}));
    QSettings().setValue("Data IF Raw", true);
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    rig.states.clear();

    rig.probe.load_defaults_button()->click();
    rig.window->load_defaults_question()->button(QMessageBox::Yes)->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.status(), QString("Safe Mode Reset"), scaled_ms(2000));
    QCOMPARE(rig.probe.state(), booting);
    QCOMPARE(QSettings().value("Data IF Raw").toBool(), false);
    QCOMPARE(rig.probe.boot_timer()->interval(), 8000);
    // The message gives way to the state's own text after 2 s.
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.status(), QString("Modem Booting"), scaled_ms(3000));
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(12000));
    QVERIFY(rig.passed_through({booting, initialising, connected}));
    QVERIFY(!rig.states.contains(no_response));
}

void Tst_connection_recovery::save_shows_settings_saved()
{
    REQUIRE_SIMULATOR();
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0", "--model", "KY5"}));
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    rig.probe.save_button()->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.status(), QString("Settings Saved"), scaled_ms(2000));
    QVERIFY(QSettings().contains("Data IF Raw"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.status(), QString("Connected to KY5"), scaled_ms(3000));
}

void Tst_connection_recovery::disconnect_closes_the_port_for_others()
{
    REQUIRE_SIMULATOR();
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0"}));
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    rig.probe.press_connect();
    QCOMPARE(rig.probe.state(), int(CONNECTION_STATE_NOT_CONNECTED));
    QCOMPARE(rig.probe.status(), QString("Not connected"));
    QCOMPARE(rig.window->windowTitle(), QString("Talvane V1.1.6"));

    // A second window can take the port over at once.
    Talvane other;
    Talvane_test_probe second{other};
    second.set_ports({rig.link});
    second.ports()->setCurrentIndex(1);
    second.press_connect();
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), connected, scaled_ms(5000));
    QCOMPARE(rig.probe.state(), int(CONNECTION_STATE_NOT_CONNECTED));
}

void Tst_connection_recovery::unregister_reaches_the_line_before_it_closes_data()
{
    QTest::addColumn<bool>("close_window");
    QTest::newRow("Disconnect") << false;
    QTest::newRow("window closed") << true;
}

void Tst_connection_recovery::unregister_reaches_the_line_before_it_closes()
{
    QFETCH(bool, close_window);
    Pty_pair far_end;
    Talvane window;
    Talvane_test_probe probe{window};
    Sent_frames sent(window.modem());
    probe.set_ports({far_end.slave_path()});
    probe.ports()->setCurrentIndex(1);
    probe.press_connect();
    close_window ? void(window.close()) : probe.press_connect();
    // The last frame sent, the unregister, was on the line when it closed.
    QCOMPARE(sent.names().last(), QString("Tac1_msg_unregister_for_all_indications_indication"));
    QVERIFY(far_end.read_available().endsWith(sent.spy.last().at(0).toByteArray()));
}

QTEST_MAIN(Tst_connection_recovery)
#include "tst_connection_recovery.moc"
