// The console against the simulated modem over real pseudo-terminals:
// finding the modem, the boot wait, the initialisation and its answers.

#include "console_options.h"
#include "tool_tips.h"
#include "widget_tree.h"
#include "window_fixture.h"

#include <QHelpEvent>
#include <QImage>
#include <QSignalSpy>
#include <QToolTip>

namespace {
constexpr int connected = CONNECTION_STATE_CONNECTED;
constexpr int initialising = CONNECTION_STATE_INITIALISING;
constexpr int connecting = CONNECTION_STATE_CONNECTING;
constexpr int booting = CONNECTION_STATE_CONNECTING_MODEM_BOOTING;
constexpr int no_response = CONNECTION_STATE_CONNECTING_NO_RESPONSE;
} // namespace

class Tst_connection_e2e : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void ready_modem_connects_through_initialising_data();
    void ready_modem_connects_through_initialising();
    void booting_modem_waits_until_ready();
    void auto_detect_finds_the_modem_on_the_third_device();
    void refused_init_request_data();
    void refused_init_request();
    void screenshot_option_saves_the_connected_window();
    void every_control_and_link_quality_readout_has_a_tool_tip();
};

void Tst_connection_e2e::ready_modem_connects_through_initialising_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("status");
    QTest::newRow("KX5") << "KX5"
                         << "Connected to KX5";
    QTest::newRow("KY5") << "KY5"
                         << "Connected to KY5";
    QTest::newRow("LZ7") << "LZ7"
                         << "Connected to LZ7";
}

void Tst_connection_e2e::ready_modem_connects_through_initialising()
{
    REQUIRE_SIMULATOR();
    QFETCH(QString, model);
    QFETCH(QString, status);
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0", "--model", model}));
    Log_recorder log;
    rig.window->show();
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));

    QVERIFY(rig.passed_through({connecting, initialising, connected}));
    QVERIFY(!rig.states.contains(no_response));
    QVERIFY(!rig.states.contains(booting));
    QCOMPARE(rig.probe.status(), status);
    // Completed by the answers, not by the init timer; the two registration
    // answers beyond the fifth arrive in Connected and change nothing.
    QVERIFY(log.in("init").contains("Responses to all initialisation messages received."));
    QVERIFY(!log.in("init").contains("INIT TIMER -------------"));
    QTRY_COMPARE(rig.probe.max_counter(), 0);
    for (const auto& counter : rig.probe.counters()) {
        QVERIFY2(counter.second == 0, qPrintable(counter.first));
    }
    QVERIFY(rig.window->windowTitle().startsWith("Talvane V1.1.6 (Modem S/W Version: "));
    QVERIFY(rig.window->windowTitle().contains(model));
    QCOMPARE(QSettings().value("COM Port").toString(), rig.link);
    QVERIFY(!rig.probe.auto_detect());

    if (model == "KX5") {
        QVERIFY(rig.window->grab().save(test_home() + "/connected_window.png", "PNG"));
        // Still connected after two keep-alive periods: two more receive
        // level requests, answered, and no change of state.
        QSignalSpy changes(rig.window.get(), &Talvane::connection_state_changed);
        Sent_frames sent(rig.window->modem());
        QVERIFY(QTest::qWaitFor(
            [&] { return sent.messages("Tac1_msg_lz7_hw_testing_audio_rx_level_get").size() >= 2; },
            scaled_ms(8000)));
        QCOMPARE(rig.probe.state(), connected);
        QCOMPARE(changes.count(), 0);
    }
}

void Tst_connection_e2e::booting_modem_waits_until_ready()
{
    REQUIRE_SIMULATOR();
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "1500"}));
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), booting, scaled_ms(2000));
    QCOMPARE(rig.probe.status(), QString("Modem Booting"));
    QVERIFY(rig.probe.boot_timer()->isActive());
    QCOMPARE(rig.probe.boot_timer()->interval(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(8000));
    QVERIFY(rig.passed_through({connecting, booting, initialising, connected}));
    QVERIFY(!rig.states.contains(no_response));
}

void Tst_connection_e2e::auto_detect_finds_the_modem_on_the_third_device()
{
    REQUIRE_SIMULATOR();
    Pty_pair first;
    Pty_pair second;
    QVERIFY(!first.slave_path().isEmpty() && !second.slave_path().isEmpty());
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0"}));
    QSignalSpy changes(rig.window.get(), &Talvane::connection_state_changed);
    rig.connect_to({first.slave_path(), second.slave_path()}, true);
    QCOMPARE(rig.probe.ports()->currentIndex(), 1);
    QCOMPARE(rig.probe.state(), connecting);
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));

    // Each silent device was opened, asked once and left after 500 ms.
    QList<int> connecting_entries;
    for (const auto& change : changes) {
        if (change.at(0).toInt() == connecting) {
            connecting_entries << 1;
        }
    }
    QCOMPARE(connecting_entries.size(), 3);
    QVERIFY(!first.read_available().isEmpty());
    QVERIFY(!second.read_available().isEmpty());
    QVERIFY(!rig.states.contains(no_response));
    QCOMPARE(rig.probe.ports()->currentText(), rig.link);
    QCOMPARE(QSettings().value("COM Port").toString(), rig.link);
    QVERIFY(!rig.probe.auto_detect());
}

void Tst_connection_e2e::refused_init_request_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<bool>("by_timer");
    QTest::newRow("DTE port mode request") << "0x00010002"
                                           << "INIT_RESP_DTE_PORT_MODE" << true;
    QTest::newRow("upload mode counts its refusal") << "0x000A0018"
                                                    << "INIT_RESP_UPLOAD_MODE" << false;
}

void Tst_connection_e2e::refused_init_request()
{
    REQUIRE_SIMULATOR();
    QFETCH(QString, identifier);
    QFETCH(QString, counter);
    QFETCH(bool, by_timer);
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0"}));
    rig.modem.command(QString("nack %1 130").arg(identifier));
    Log_recorder log;
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(6000));
    QVERIFY(rig.passed_through({connecting, initialising, connected}));
    const QStringList init_lines = log.in("init");
    QCOMPARE(init_lines.contains("INIT TIMER -------------"), by_timer);
    if (by_timer) {
        const int at = init_lines.indexOf("INIT TIMER -------------");
        QVERIFY(at + 1 < init_lines.size());
        const QString report = init_lines.at(at + 1);
        QVERIFY2(report.contains("\n    " + counter + ":1"), qPrintable(report));
        // Every other answer arrived.
        QCOMPARE(report.count(":1"), 1);
        QCOMPARE(rig.probe.counter(qPrintable(counter)), 1);
    } else {
        QVERIFY(init_lines.contains("Responses to all initialisation messages received."));
        QCOMPARE(rig.probe.counter(qPrintable(counter)), 0);
    }
}

void Tst_connection_e2e::screenshot_option_saves_the_connected_window()
{
    REQUIRE_SIMULATOR();
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0"}));
    const QString shot = rig.folder.path() + "/shot.png";
    rig.probe.set_ports({});
    rig.window->show();
    rig.window->apply_console_options(
        parse_console_options({"--port", rig.link, "--connect", "--screenshot", shot}));
    QCOMPARE(rig.probe.ports()->currentText(), rig.link);
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(shot), scaled_ms(3000));
    QImage image(shot);
    QCOMPARE(image.size(), rig.window->grab().size());
}

void Tst_connection_e2e::every_control_and_link_quality_readout_has_a_tool_tip()
{
    REQUIRE_SIMULATOR();
    Window_on_modem rig;
    QVERIFY(rig.start_modem({"--boot-ms", "0", "--model", "KX5"}));
    rig.window->show();
    rig.connect_to();
    QTRY_COMPARE_WITH_TIMEOUT(rig.probe.state(), connected, scaled_ms(5000));
    Receive_information_panel* link_quality = rig.probe.receive_information();
    QStringList missing;
    for (QWidget* w : rig.window->findChildren<QWidget*>()) {
        const bool readout = qobject_cast<QLabel*>(w) && link_quality->isAncestorOf(w);
        if ((widget_tree::control_kind(w) || readout) && w->toolTip().isEmpty()) {
            missing << QString("%1 \"%2\"").arg(w->metaObject()->className(), tool_tip_name(w));
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable("no tool tip: " + missing.join(", ")));

    // Hovered, the frequency shows in MHz too, the bit error rate as a power
    // of ten.
    const std::pair<QWidget*, QString> live[] = {
        {rig.window->radio_control()->radio_frequency_spin_box, "Now: 7.05 MHz"},
        {link_quality->ber_label, QString::fromUtf8("Now: 1×10⁻¹²")}};
    const QSignalBlocker not_sent(rig.window->radio_control()->radio_frequency_spin_box);
    rig.window->radio_control()->radio_frequency_spin_box->setValue(7050000);
    link_quality->ber_label->setText("10^(-12)");
    for (const auto& [widget, now] : live) {
        QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(widget, &hover);
        QTRY_VERIFY2(QToolTip::text().contains(now), qPrintable(QToolTip::text()));
    }
}

QTEST_MAIN(Tst_connection_e2e)
#include "tst_connection_e2e.moc"
