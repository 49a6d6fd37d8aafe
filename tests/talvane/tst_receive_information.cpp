// The Receive Information panel on the Modem Control panel: the modem's
// reports about reception and transmission (link quality, autobaud, receive
// and transmit status, the receive audio level), what they tell the
// connection, the automatic update of the transmit settings, and the whole
// window on a live modem.

#include "modem_control_probe.h"

#include <QtTest>
#include <cmath>

namespace {

const QString ota_set = "Tac1_msg_psk_modem_ota_settings_set";
const QString audio_rx_get = "Tac1_msg_lz7_hw_testing_audio_rx_level_get";
const QStringList all_dashes{"-", "-", "-", "-", "-", "-", "-", "-"};

} // namespace

class Tst_receive_information : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Modem_control_rig> rig;

    void fill_receive_labels()
    {
        rig->ri()->set_last_wf_rx_status(2);
        rig->lqa(10, 3, 2, 50, 20, 7);
        rig->autobaud(11, 4);
    }

private slots:
    void init()
    {
        clear_window_settings();
        rig = std::make_unique<Modem_control_rig>(Modem_control_rig::with_receive_information);
    }
    void cleanup() { rig.reset(); }

    void panel_cells_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("caption");
        QTest::newRow("snr") << 0 << "SNR:";
        QTest::newRow("ber") << 1 << "BER:";
        QTest::newRow("doppler offset") << 2 << "Doppler Offset:";
        QTest::newRow("doppler spread") << 3 << "Doppler Spread:";
        QTest::newRow("multipath") << 4 << "Multipath Spread:";
        QTest::newRow("paths") << 5 << "Path Count:";
    }
    void panel_cells()
    {
        QFETCH(int, row);
        QFETCH(QString, caption);
        QCOMPARE(cell_text(rig->ri(), row, 0), caption);
        QCOMPARE(cell_text(rig->ri(), row, 1), QString("-"));
    }

    void link_quality_data()
    {
        QTest::addColumn<int>("rx_status");
        QTest::addColumn<QList<int>>("lqa"); // snr, ber, paths, multipath, spread, offset
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("receiving")
            << 2 << QList<int>{-3, 4, 2, 25, 15, -12}
            << QStringList{"-3 dB", "10^(-4)", "2", "0.0025 s", "1.5 Hz", "-12 Hz", "-", "-"};
        QTest::newRow("large values") << 2 << QList<int>{127, 255, 255, 255, 255, 32767}
                                      << QStringList{"127 dB",  "10^(-255)", "255", "0.0255 s",
                                                     "25.5 Hz", "32767 Hz",  "-",   "-"};
        QTest::newRow("most negative")
            << 2 << QList<int>{-128, 0, 0, 0, 0, -32768}
            << QStringList{"-128 dB", "10^(-0)", "0", "0.0000 s", "0.0 Hz", "-32768 Hz", "-", "-"};
        QTest::newRow("sync ignored") << 5 << QList<int>{-3, 4, 2, 25, 15, -12} << all_dashes;
        QTest::newRow("hunt ignored") << 1 << QList<int>{-3, 4, 2, 25, 15, -12} << all_dashes;
    }
    void link_quality()
    {
        QFETCH(int, rx_status);
        QFETCH(QList<int>, lqa);
        QFETCH(QStringList, shown);
        rig->rx_status_indication(rx_status, 0);
        QSignalSpy history(rig->ri(), &Receive_information_panel::link_quality_reported);
        rig->lqa(lqa.at(0), lqa.at(1), lqa.at(2), lqa.at(3), lqa.at(4), lqa.at(5));
        QCOMPARE(rig->receive_texts(), shown);
        // What is shown goes to the history too: SNR, BER as a rate, offset.
        QCOMPARE(history.count(), shown.first() == "-" ? 0 : 1);
        if (!history.isEmpty()) {
            QCOMPARE(history.first().at(0).toInt(), lqa.at(0));
            QCOMPARE(history.first().at(1).toDouble(), std::pow(10.0, -lqa.at(1)));
            QCOMPARE(history.first().at(2).toInt(), lqa.at(5));
        }
    }

    void link_quality_after_sync_then_receive()
    {
        rig->rx_status_indication(5, 0);
        rig->lqa(-3, 4, 2, 25, 15, 1);
        QCOMPARE(rig->receive_texts(), all_dashes);
        rig->rx_status_indication(2, 0);
        rig->lqa(-3, 4, 2, 25, 15, 1);
        QCOMPARE(rig->receive_texts().first(), QString("-3 dB"));
    }

    void autobaud_names_data()
    {
        QTest::addColumn<int>("data_rate");
        QTest::addColumn<int>("interleaver");
        QTest::addColumn<QString>("rate_text");
        QTest::addColumn<QString>("interleaver_text");
        QTest::newRow("2400 voice") << 12 << 4 << "2400 Voice"
                                    << "Short";
        QTest::newRow("rate 0") << 0 << 1 << "Unknown"
                                << "None";
        QTest::newRow("rate 22") << 22 << 7 << "Unknown"
                                 << "V-Long";
        QTest::newRow("first and last") << 1 << 2 << "50"
                                        << "U-Short";
        QTest::newRow("19200") << 21 << 0 << "19200"
                               << "Unknown";
        QTest::newRow("interleaver 8") << 18 << 8 << "9600"
                                       << "Unknown";
    }
    void autobaud_names()
    {
        QFETCH(int, data_rate);
        QFETCH(int, interleaver);
        QFETCH(QString, rate_text);
        QFETCH(QString, interleaver_text);
        rig->autobaud(data_rate, interleaver);
        QCOMPARE(rig->receive_texts().mid(6), QStringList({rate_text, interleaver_text}));
    }

    void receive_status_data()
    {
        QTest::addColumn<int>("wf");
        QTest::addColumn<int>("ale");
        QTest::addColumn<bool>("ale_display");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("interval"); // -1: the connection is not told
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<bool>("receiving");
        QTest::newRow("hunt") << 1 << 0 << false << "HUNT" << 2000 << true << false;
        QTest::newRow("receive") << 2 << 0 << false << "RECEIVE" << 5000 << false << false;
        QTest::newRow("sync") << 5 << 0 << false << "SYNC" << 5000 << true << true;
        QTest::newRow("unknown keeps interval")
            << 3 << 0 << false << "Unknown" << -1 << true << false;
        QTest::newRow("ale display shows ale")
            << 2 << 1 << true << "HUNT" << 5000 << false << false;
        QTest::newRow("ale display does not clear")
            << 1 << 5 << true << "SYNC" << 2000 << false << false;
    }
    void receive_status()
    {
        QFETCH(int, wf);
        QFETCH(int, ale);
        QFETCH(bool, ale_display);
        QFETCH(QString, shown);
        QFETCH(int, interval);
        QFETCH(bool, cleared);
        QFETCH(bool, receiving);
        fill_receive_labels();
        const QStringList filled = rig->receive_texts();
        rig->connection.clear();
        rig->ri()->set_ale_display_mode(ale_display);
        rig->frames.clear();
        rig->rx_status_indication(wf, ale);
        QCOMPARE(rig->rx_status()->text(), shown);
        QCOMPARE(rig->connection.keep_alive_intervals,
                 interval < 0 ? QList<int>{} : QList<int>{interval});
        QCOMPARE(rig->receive_texts(), cleared ? all_dashes : filled);
        QCOMPARE(rig->connection.receiving_reports, QList<bool>{receiving});
        QCOMPARE(rig->ri()->last_wf_rx_status(), wf);
        // Every receive status refreshes the receive audio level.
        const auto messages = rig->sent();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).name, audio_rx_get);
    }

    void transmit_status_data()
    {
        QTest::addColumn<int>("wf");
        QTest::addColumn<int>("ale");
        QTest::addColumn<bool>("ale_display");
        QTest::addColumn<QString>("shown");
        QTest::newRow("config") << 1 << 0 << false << "CONFIG";
        QTest::newRow("idle") << 2 << 0 << false << "IDLE";
        QTest::newRow("transmit") << 3 << 0 << false << "TRANSMIT";
        QTest::newRow("standby") << 4 << 0 << false << "<font color='red'>STANDBY</font>";
        QTest::newRow("unknown") << 0 << 0 << false << "Unknown";
        QTest::newRow("ale display") << 2 << 3 << true << "TRANSMIT";
    }
    void transmit_status()
    {
        QFETCH(int, wf);
        QFETCH(int, ale);
        QFETCH(bool, ale_display);
        QFETCH(QString, shown);
        rig->ri()->set_ale_display_mode(ale_display);
        rig->tx_status_indication(wf, ale);
        QCOMPARE(rig->tx_status()->text(), shown);
        QCOMPARE(rig->tx_status()->textFormat(), Qt::RichText);
    }

    // Only an idle transmitter puts Tx Kill back after a kill.
    void idle_transmitter_puts_tx_kill_back()
    {
        rig->mc()->_ui_action_tx_kill_pause_resume();
        QCOMPARE(rig->tx_kill()->text(), QString("Tx Resume"));
        rig->tx_status_indication(3, 0);
        QCOMPARE(rig->tx_kill()->text(), QString("Tx Resume"));
        rig->tx_status_indication(2, 0);
        QCOMPARE(rig->tx_kill()->text(), QString("Tx Kill"));
    }

    void receive_audio_level_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("shown");
        QTest::newRow("-20999") << -20999 << "-20 dB (good)";
        QTest::newRow("-21000") << -21000 << "-21 dB (low)";
        QTest::newRow("-5000") << -5000 << "-5 dB (high)";
        QTest::newRow("-5999") << -5999 << "-5 dB (high)";
        QTest::newRow("-6000") << -6000 << "-6 dB (good)";
        QTest::newRow("-25000") << -25000 << "-25 dB (low)";
        QTest::newRow("positive") << 3500 << "3 dB (high)";
    }
    void receive_audio_level()
    {
        QFETCH(int, level);
        QFETCH(QString, shown);
        rig->audio_rx_level_response(level, -99999);
        QCOMPARE(rig->audio_rx_level()->text(), shown);
        // The modem is alive, and the initialisation waits for this answer.
        QCOMPARE(rig->connection.responses_seen, 1);
        QCOMPARE(rig->connection.counted, QList<Init_response>{INIT_RESP_RX_AUDIO_LEVEL});
    }

    void receive_audio_level_nack_is_only_logged()
    {
        rig->audio_rx_level()->setText("-12 dB (good)");
        Log_recorder recorder;
        rig->ri()->_handle_audio_rx_level_request_nack();
        QCOMPARE(recorder.lines_with_levels().filter("|resp_handle|"),
                 QStringList({"W|resp_handle|_handle_audio_rx_level_request_nack"}));
        QCOMPARE(rig->audio_rx_level()->text(), QString("-12 dB (good)"));
        QCOMPARE(rig->connection.responses_seen, 0);
        QVERIFY(rig->connection.counted.isEmpty());
        QCOMPARE(rig->frames.count(), 0);
    }

    void automatic_tx_update_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QList<int>>("autobaud"); // data rate, interleaver
        QTest::addColumn<QStringList>("shown");   // data rate, interleaver after reception
        QTest::addColumn<QByteArray>("last_sent");
        QTest::newRow("rate and interleaver")
            << true << QList<int>{11, 6} << QStringList{"2400 Coded", "Long"}
            << bytes({3, 26, 2, 6, 11, 1});
        QTest::newRow("rate only")
            << true << QList<int>{16, 4} << QStringList{"6400 Coded", "Short"}
            << bytes({3, 26, 2, 4, 16, 1});
        QTest::newRow("interleaver only")
            << true << QList<int>{18, 7} << QStringList{"9600 Coded", "V-Long"}
            << bytes({3, 26, 2, 7, 18, 1});
        // "None" is not offered at 9600; it is once 1200 is chosen.
        QTest::newRow("interleaver offered after the rate")
            << true << QList<int>{9, 1} << QStringList{"1200 Coded", "None"}
            << bytes({3, 26, 2, 1, 9, 1});
        QTest::newRow("same settings")
            << true << QList<int>{18, 4} << QStringList{"9600 Coded", "Short"} << QByteArray();
        QTest::newRow("disabled") << false << QList<int>{11, 6}
                                  << QStringList{"9600 Coded", "Short"} << QByteArray();
    }
    void automatic_tx_update()
    {
        QFETCH(bool, enabled);
        QFETCH(QList<int>, autobaud);
        QFETCH(QStringList, shown);
        QFETCH(QByteArray, last_sent);
        if (enabled) {
            rig->auto_update()->click();
        }
        rig->ota_response(1, 26, 4, 18);
        rig->frames.clear();
        rig->rx_status_indication(2, 0);
        rig->autobaud(autobaud.at(0), autobaud.at(1));
        rig->rx_status_indication(2, 0);
        // Nothing changes while the modem is receiving.
        QCOMPARE(rig->data_rate()->currentText(), QString("9600 Coded"));
        QCOMPARE(rig->interleaver()->currentText(), QString("Short"));
        QVERIFY(rig->sent(ota_set).isEmpty());
        rig->rx_status_indication(1, 0);
        QCOMPARE(QStringList({rig->data_rate()->currentText(), rig->interleaver()->currentText()}),
                 shown);
        const auto sent = rig->sent(ota_set);
        QCOMPARE(sent.isEmpty(), last_sent.isEmpty());
        if (!last_sent.isEmpty()) {
            QCOMPARE(sent.last().payload, last_sent);
        }
        QVERIFY(!rig->mc()->ota_update_pending());
        // Applied once: the next end of reception sends nothing more.
        rig->frames.clear();
        rig->rx_status_indication(1, 0);
        QVERIFY(rig->sent(ota_set).isEmpty());
    }

    void automatic_tx_update_waits_for_ale_display_to_end()
    {
        rig->auto_update()->click();
        rig->ota_response(1, 26, 4, 18);
        rig->autobaud(11, 6);
        rig->ri()->set_ale_display_mode(true);
        rig->rx_status_indication(1, 1);
        QCOMPARE(rig->data_rate()->currentText(), QString("9600 Coded"));
        QVERIFY(rig->mc()->ota_update_pending());
        rig->ri()->set_ale_display_mode(false);
        rig->rx_status_indication(1, 1);
        QCOMPARE(rig->data_rate()->currentText(), QString("2400 Coded"));
    }

    // A report whose interleaver matches the transmitter must not bring back
    // the interleaver of an older report.
    void automatic_tx_update_uses_the_latest_report()
    {
        rig->auto_update()->click();
        rig->ota_response(1, 26, 4, 18);
        rig->autobaud(11, 6);
        rig->rx_status_indication(1, 0);
        QCOMPARE(rig->interleaver()->currentText(), QString("Long"));
        QVERIFY(choose(rig->interleaver(), "Short"));
        rig->autobaud(9, 4);
        rig->frames.clear();
        rig->rx_status_indication(1, 0);
        QCOMPARE(rig->data_rate()->currentText(), QString("1200 Coded"));
        QCOMPARE(rig->interleaver()->currentText(), QString("Short"));
        const auto sent = rig->sent(ota_set);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.last().payload, bytes({3, 26, 2, 4, 9, 1}));
    }

    // The whole conversation with the simulated modem: initialisation fills
    // the panels with its settings, a signal on the channel brings receive
    // reports, and an operator change is acknowledged.
    void against_the_simulated_modem()
    {
        REQUIRE_SIMULATOR();
        rig.reset();
        Log_recorder log;
        Window_on_modem session;
        QVERIFY(session.start_modem());
        Modem_control_panel* const mc = session.window->modem_control();
        Receive_information_panel* const ri = session.window->receive_information();
        session.connect_to();
        QTRY_COMPARE_WITH_TIMEOUT(session.probe.state(), int(CONNECTION_STATE_CONNECTED), 10000);
        QTRY_COMPARE(mc->waveform_selector->currentText(), QString("MS-110B"));
        QCOMPARE(mc->data_rate_selector->currentText(), QString("9600 Coded"));
        QCOMPARE(mc->interleaver_selector->currentText(), QString("Short"));
        QCOMPARE(mc->waveform_name_label->text(), QString("MS-110B"));
        QTRY_COMPARE(mc->deacquire_selector->currentText(), QString("5 seconds"));
        QTRY_COMPARE(mc->audio_tx_level_spin_box->value(), -10);
        QTRY_VERIFY(mc->std_async_button->isChecked());
        QCOMPARE(mc->port_rate_selector->currentText(), QString("19200 bps"));
        QCOMPARE(mc->data_format_selector->currentText(), QString("8N1"));
        QCOMPARE(mc->flow_control_selector->currentText(), QString("None"));
        QVERIFY(session.window->windowTitle().contains("(Modem S/W Version: "));
        QTRY_VERIFY(mc->audio_rx_level_label->text().endsWith(")"));

        session.modem.command("signal on");
        QTRY_COMPARE_WITH_TIMEOUT(mc->rx_status_label->text(), QString("RECEIVE"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(ri->snr_label->text() != "-", 10000);
        QCOMPARE(session.probe.keep_alive_timer()->interval(), 5000);

        QVERIFY(choose(mc->waveform_selector, "MS-110A"));
        QTRY_VERIFY(log.in("resp_handle").contains("_handle_psk_modem_ota_settings_set_ack"));
        QCOMPARE(mc->data_rate_selector->currentText(), QString("2400 Coded"));
        session.modem.stop();
    }
};

QTEST_MAIN(Tst_receive_information)
#include "tst_receive_information.moc"
