// The Modem Control panel and the DTE port selectors: what the operator's
// changes send to the modem, how the modem's reports are shown, the fallbacks
// with their corrective requests, and the replies that are only logged.

#include "modem_control_probe.h"
#include "window_fixture.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QtTest>

namespace {

const QString ota_set = "Tac1_msg_psk_modem_ota_settings_set";
const QString deacquire_set = "Tac1_msg_psk_modem_deaquire_limit_set";
const QString audio_tx_set = "Tac1_msg_audio_tx_output_level_set";
const QString port_mode_set = "Tac1_msg_dte_port_mode_set";
const QString activity_set = "Tac1_msg_dte_port_activity_mode_set";
const QString async_set = "Tac1_msg_dte_port_asynchronous_settings_set";
const QString flow_set = "Tac1_msg_dte_port_asynchronous_flow_control_set";
const QString tx_kill_set = "Tac1_msg_tx_kill_pause_set";
const QString rx_reset_set = "Tac1_msg_return_to_acquisition_set";

// set_dte_port_activity_mode(2, 1, "0000", 32, 0, 300)
const QByteArray activity_payload = bytes({2, 1, '0', '0', '0', '0', 32, 0, 0x01, 0x2C});

QString cell_text(QWidget* panel, int row, int column)
{
    auto* grid = qobject_cast<QGridLayout*>(panel->layout());
    QLayoutItem* item = grid ? grid->itemAtPosition(row, column) : nullptr;
    QWidget* widget = item ? item->widget() : nullptr;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    return widget ? QString("<%1>").arg(widget->metaObject()->className()) : QString("<none>");
}

} // namespace

class Tst_modem_control_panel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Talvane> window;
    std::unique_ptr<Modem_control_test_probe> probe;

    // The panel as the modem reported it at initialisation.
    void report(int waveform, int data_rate, int interleaver)
    {
        probe->ota_response(1, waveform, interleaver, data_rate);
    }

private slots:
    void init()
    {
        clear_window_settings();
        window = std::make_unique<Talvane>();
        probe = std::make_unique<Modem_control_test_probe>(Modem_control_test_probe{*window});
        probe->enable_panels();
    }
    void cleanup()
    {
        probe.reset();
        window.reset();
    }

    void panel_cells_data()
    {
        QTest::addColumn<int>("panel");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        const int control = 0, data = 1, receive = 2;
        QTest::newRow("audio header") << control << 0 << 1 << "<b>Audio Level</b>";
        QTest::newRow("waveform header") << control << 0 << 2 << "<b>Waveform</b>";
        QTest::newRow("data rate header") << control << 0 << 3 << "<b>Data Rate [bps]</b>";
        QTest::newRow("interleaver header") << control << 0 << 4 << "<b>Interleaver</b>";
        QTest::newRow("status header") << control << 0 << 5 << "<b>Status</b>";
        QTest::newRow("tx row") << control << 1 << 0 << "<b>TX:</b>";
        QTest::newRow("rx row") << control << 2 << 0 << "<b>RX:</b>";
        QTest::newRow("tx level") << control << 1 << 1 << "<QSpinBox>";
        QTest::newRow("waveform") << control << 1 << 2 << "<QComboBox>";
        QTest::newRow("data rate") << control << 1 << 3 << "<QComboBox>";
        QTest::newRow("interleaver") << control << 1 << 4 << "<QComboBox>";
        // The status readouts start as "Idle" and "Hunting"; the window is
        // not connected yet, which shows "-" in both.
        QTest::newRow("tx status") << control << 1 << 5 << "-";
        QTest::newRow("tx kill") << control << 1 << 6 << "Tx Kill";
        QTest::newRow("rx status") << control << 2 << 5 << "-";
        QTest::newRow("rx reset") << control << 2 << 6 << "Rx Reset";
        QTest::newRow("ota mode") << control << 4 << 0 << "OTA Mode:";
        QTest::newRow("std async") << control << 4 << 1 << "Standard Async";
        QTest::newRow("hsp async") << control << 4 << 2 << "High-Speed Async";
        QTest::newRow("auto update") << control << 4 << 3 << "Auto Update Tx Data Rate";
        QTest::newRow("de-acquire") << control << 4 << 4 << "De-Acquire:";
        QTest::newRow("de-acquire box") << control << 4 << 5 << "<QComboBox>";
        QTest::newRow("baud") << data << 2 << 0 << "Baud Rate:";
        QTest::newRow("format") << data << 3 << 0 << "Data Format:";
        QTest::newRow("flow") << data << 4 << 0 << "Flow Control:";
        QTest::newRow("snr") << receive << 0 << 0 << "SNR:";
        QTest::newRow("ber") << receive << 1 << 0 << "BER:";
        QTest::newRow("doppler offset") << receive << 2 << 0 << "Doppler Offset:";
        QTest::newRow("doppler spread") << receive << 3 << 0 << "Doppler Spread:";
        QTest::newRow("multipath") << receive << 4 << 0 << "Multipath Spread:";
        QTest::newRow("paths") << receive << 5 << 0 << "Path Count:";
        QTest::newRow("snr value") << receive << 0 << 1 << "-";
    }
    void panel_cells()
    {
        QFETCH(int, panel);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        QWidget* panels[] = {probe->modem_control_panel(), probe->data_interface_panel(),
                             probe->receive_information_panel()};
        QCOMPARE(cell_text(panels[panel], row, column), text);
    }

    void selectors_at_start()
    {
        QCOMPARE(probe->audio_tx_level()->minimum(), -50);
        QCOMPARE(probe->audio_tx_level()->maximum(), 0);
        QCOMPARE(probe->audio_tx_level()->suffix(), QString(" dB"));
        // Empty until the modem reports its settings.
        QCOMPARE(probe->waveform()->count(), 0);
        QCOMPARE(probe->data_rate()->count(), 0);
        QCOMPARE(probe->interleaver()->count(), 0);
        QCOMPARE(entries(probe->deacquire()), QStringList({"1 second", "5 seconds", "20 seconds"}));
        QCOMPARE(probe->port_rate()->count(), 17);
        QCOMPARE(probe->port_rate()->currentText(), QString("19200 bps"));
        QCOMPARE(probe->data_format()->count(), 24);
        QCOMPARE(probe->data_format()->currentText(), QString("8N1"));
        QCOMPARE(probe->data_format()->currentData().toInt(), 524545);
        QCOMPARE(entries(probe->flow_control()), QStringList({"None", "CTS/RTS", "XON/XOFF"}));
    }

    void ota_report_data()
    {
        QTest::addColumn<int>("waveform");
        QTest::addColumn<int>("data_rate");
        QTest::addColumn<int>("interleaver");
        QTest::addColumn<QStringList>("shown"); // waveform, data rate, interleaver
        QTest::addColumn<QByteArray>("sent");   // empty: nothing sent
        QTest::newRow("110B as reported")
            << 26 << 18 << 4 << QStringList{"MS-110B", "9600 Coded", "Short"} << QByteArray();
        QTest::newRow("110A uncoded as reported")
            << 17 << 15 << 1 << QStringList{"MS-110A", "4800 Uncoded", "None"} << QByteArray();
        QTest::newRow("unknown waveform")
            << 5 << 11 << 4 << QStringList{"MS-110A", "2400 Coded", "Short"}
            << bytes({3, 17, 2, 4, 11, 1});
        QTest::newRow("rate not offered under 110A")
            << 17 << 18 << 6 << QStringList{"MS-110A", "2400 Coded", "Long"}
            << bytes({3, 17, 2, 6, 11, 1});
        QTest::newRow("interleaver not offered for 12800")
            << 26 << 19 << 4 << QStringList{"MS-110B", "12800 Uncoded", "None"}
            << bytes({3, 26, 1, 1, 19, 1});
        QTest::newRow("none not offered for 3200")
            << 26 << 13 << 1 << QStringList{"MS-110B", "3200 Coded", "Short"}
            << bytes({3, 26, 2, 4, 13, 1});
        QTest::newRow("unknown interleaver")
            << 26 << 9 << 9 << QStringList{"MS-110B", "1200 Coded", "Short"}
            << bytes({3, 26, 2, 4, 9, 1});
    }
    void ota_report()
    {
        QFETCH(int, waveform);
        QFETCH(int, data_rate);
        QFETCH(int, interleaver);
        QFETCH(QStringList, shown);
        QFETCH(QByteArray, sent);
        auto spy = probe->spy_sent();
        report(waveform, data_rate, interleaver);
        QCOMPARE(QStringList({probe->waveform()->currentText(), probe->data_rate()->currentText(),
                              probe->interleaver()->currentText()}),
                 shown);
        QCOMPARE(probe->waveform_name()->text(), shown.at(0));
        QCOMPARE(entries(probe->waveform()), QStringList({"MS-110A", "MS-110B"}));
        const auto messages = Modem_control_test_probe::sent(*spy);
        QCOMPARE(messages.size(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty()) {
            QCOMPARE(messages.at(0).name, ota_set);
            QCOMPARE(messages.at(0).payload, sent);
        }
        // The same report again needs no correction.
        spy->clear();
        report(waveform, data_rate, interleaver);
        QCOMPARE(Modem_control_test_probe::sent(*spy, ota_set).size(), sent.isEmpty() ? 0 : 1);
    }

    void ota_report_for_receiver_changes_nothing()
    {
        report(26, 18, 4);
        auto spy = probe->spy_sent();
        probe->ota_response(2, 17, 1, 15);
        QCOMPARE(probe->waveform()->currentText(), QString("MS-110B"));
        QCOMPARE(probe->data_rate()->currentText(), QString("9600 Coded"));
        QCOMPARE(probe->interleaver()->currentText(), QString("Short"));
        QCOMPARE(spy->count(), 0);
    }

    void operator_changes_data()
    {
        QTest::addColumn<QList<int>>("reported"); // waveform, data rate, interleaver
        QTest::addColumn<int>("selector");        // 0 waveform, 1 data rate, 2 interleaver
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("interleavers");
        QTest::addColumn<QByteArray>("sent");
        const QStringList none{"None"};
        const QStringList long_list{"U-Short", "V-Short", "Short", "Medium", "Long", "V-Long"};
        const QStringList short_list{"None", "Short", "Long"};
        QTest::newRow("12800 uncoded") << QList<int>{26, 18, 4} << 1 << "12800 Uncoded"
                                       << QStringList{"MS-110B", "12800 Uncoded", "None"} << none
                                       << bytes({3, 26, 1, 1, 19, 1});
        QTest::newRow("4800 uncoded") << QList<int>{17, 11, 4} << 1 << "4800 Uncoded"
                                      << QStringList{"MS-110A", "4800 Uncoded", "None"} << none
                                      << bytes({3, 17, 1, 1, 15, 1});
        QTest::newRow("110B 9600 to 110A") << QList<int>{26, 18, 4} << 0 << "MS-110A"
                                           << QStringList{"MS-110A", "2400 Coded", "Short"}
                                           << short_list << bytes({3, 17, 2, 4, 11, 1});
        QTest::newRow("110A to 110B keeps rate and interleaver")
            << QList<int>{17, 11, 6} << 0 << "MS-110B"
            << QStringList{"MS-110B", "2400 Coded", "Long"} << short_list
            << bytes({3, 26, 2, 6, 11, 1});
        QTest::newRow("rate without the interleaver")
            << QList<int>{26, 18, 2} << 1 << "2400 Coded"
            << QStringList{"MS-110B", "2400 Coded", "Short"} << short_list
            << bytes({3, 26, 2, 4, 11, 1});
        QTest::newRow("uncoded back to coded") << QList<int>{26, 19, 1} << 1 << "6400 Coded"
                                               << QStringList{"MS-110B", "6400 Coded", "Short"}
                                               << long_list << bytes({3, 26, 2, 4, 16, 1});
        QTest::newRow("interleaver") << QList<int>{26, 18, 4} << 2 << "V-Long"
                                     << QStringList{"MS-110B", "9600 Coded", "V-Long"} << long_list
                                     << bytes({3, 26, 2, 7, 18, 1});
    }
    void operator_changes()
    {
        QFETCH(QList<int>, reported);
        QFETCH(int, selector);
        QFETCH(QString, choice);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, interleavers);
        QFETCH(QByteArray, sent);
        report(reported.at(0), reported.at(1), reported.at(2));
        auto spy = probe->spy_sent();
        QComboBox* boxes[] = {probe->waveform(), probe->data_rate(), probe->interleaver()};
        QVERIFY(choose(boxes[selector], choice));
        QCOMPARE(QStringList({probe->waveform()->currentText(), probe->data_rate()->currentText(),
                              probe->interleaver()->currentText()}),
                 shown);
        QCOMPARE(entries(probe->interleaver()), interleavers);
        QCOMPARE(probe->waveform_name()->text(), shown.at(0));
        // One change, one message.
        const auto messages = Modem_control_test_probe::sent(*spy);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).name, ota_set);
        QCOMPARE(messages.at(0).payload, sent);
    }

    void audio_tx_level_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("port 1, odd negative") << 1 << -61 << -30 << bytes({1, 0xFF, 0xC4});
        QTest::newRow("port 1, even") << 1 << -20 << -10 << bytes({1, 0xFF, 0xEC});
        QTest::newRow("port 2 ignored") << 2 << -61 << 0 << QByteArray();
        QTest::newRow("below the range") << 1 << -200 << -50 << bytes({1, 0xFF, 0x9C});
        QTest::newRow("unchanged") << 1 << 1 << 0 << QByteArray();
        QTest::newRow("above the range, already at 0") << 1 << 40 << 0 << bytes({1, 0, 0});
    }
    void audio_tx_level()
    {
        QFETCH(int, port);
        QFETCH(int, level);
        QFETCH(int, shown);
        QFETCH(QByteArray, sent);
        auto spy = probe->spy_sent();
        probe->audio_tx_level_response(port, short(level));
        QCOMPARE(probe->audio_tx_level()->value(), shown);
        const auto messages = Modem_control_test_probe::sent(*spy);
        QCOMPARE(messages.size(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty()) {
            QCOMPARE(messages.at(0).name, audio_tx_set);
            QCOMPARE(messages.at(0).payload, sent);
        }
    }

    void reported_selection_data()
    {
        QTest::addColumn<int>("which"); // 0 de-acquire, 1 flow control
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("de-acquire 3") << 0 << 3 << "20 seconds" << QByteArray();
        QTest::newRow("de-acquire 2") << 0 << 2 << "5 seconds" << QByteArray();
        QTest::newRow("de-acquire 0") << 0 << 0 << "1 second" << bytes({1});
        QTest::newRow("de-acquire 4") << 0 << 4 << "1 second" << bytes({1});
        QTest::newRow("flow 2") << 1 << 2 << "CTS/RTS" << QByteArray();
        QTest::newRow("flow 3") << 1 << 3 << "XON/XOFF" << QByteArray();
        QTest::newRow("flow 5") << 1 << 5 << "None" << bytes({1});
    }
    void reported_selection()
    {
        QFETCH(int, which);
        QFETCH(int, code);
        QFETCH(QString, shown);
        QFETCH(QByteArray, sent);
        QComboBox* box = which == 0 ? probe->deacquire() : probe->flow_control();
        // Start away from the default, so that a fallback changes the entry.
        box->blockSignals(true);
        box->setCurrentIndex(1);
        box->blockSignals(false);
        auto spy = probe->spy_sent();
        if (which == 0) {
            probe->deacquire_response(code);
        } else {
            probe->flow_control_response(code);
        }
        QCOMPARE(box->currentText(), shown);
        // Only the corrective request goes out; the report is not echoed.
        const auto messages = Modem_control_test_probe::sent(*spy);
        QCOMPARE(messages.size(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty()) {
            QCOMPARE(messages.at(0).name, which == 0 ? deacquire_set : flow_set);
            QCOMPARE(messages.at(0).payload, sent);
        }
    }

    void dte_port_mode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("standard");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("standard") << 1 << true << QStringList{activity_set};
        QTest::newRow("high speed") << 3 << false << QStringList{};
        QTest::newRow("unknown") << 4 << true << QStringList{port_mode_set, activity_set};
    }
    void dte_port_mode()
    {
        QFETCH(int, mode);
        QFETCH(bool, standard);
        QFETCH(QStringList, names);
        auto spy = probe->spy_sent();
        probe->dte_port_mode_response(mode);
        QCOMPARE(probe->std_async()->isChecked(), standard);
        QCOMPARE(probe->hsp_async()->isChecked(), !standard);
        const auto messages = Modem_control_test_probe::sent(*spy);
        QStringList sent_names;
        for (const auto& message : messages) {
            sent_names << message.name;
        }
        QCOMPARE(sent_names, names);
        for (const auto& message : messages) {
            QCOMPARE(message.payload, message.name == activity_set ? activity_payload : bytes({1}));
        }
        // The acknowledgement of a port mode set repeats the activity mode
        // only for the standard mode.
        spy->clear();
        probe->dte_port_mode_set_ack();
        QCOMPARE(Modem_control_test_probe::sent(*spy, activity_set).size(), standard ? 1 : 0);
        QCOMPARE(spy->count(), standard ? 1 : 0);
    }

    void async_settings_report_data()
    {
        QTest::addColumn<QList<int>>("reported"); // rate, data bits, stop bits, parity
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("corrected");
        QTest::newRow("8E2") << QList<int>{22, 8, 2, 3} << "19200 bps"
                             << "8E2" << false;
        QTest::newRow("5O1") << QList<int>{27, 5, 1, 2} << "115200 bps"
                             << "5O1" << false;
        QTest::newRow("400 bps") << QList<int>{28, 7, 1, 1} << "400 bps"
                                 << "7N1" << false;
        QTest::newRow("9 data bits") << QList<int>{22, 9, 1, 1} << "19200 bps"
                                     << "8N1" << true;
        QTest::newRow("3 stop bits") << QList<int>{22, 8, 3, 1} << "19200 bps"
                                     << "8N1" << true;
        QTest::newRow("parity 4") << QList<int>{22, 8, 1, 4} << "19200 bps"
                                  << "8N1" << true;
        QTest::newRow("rate 8") << QList<int>{8, 7, 2, 2} << "19200 bps"
                                << "8N1" << true;
        // What is shown is what the modem is told.
        QTest::newRow("good rate, bad format") << QList<int>{27, 9, 1, 1} << "19200 bps"
                                               << "8N1" << true;
    }
    void async_settings_report()
    {
        QFETCH(QList<int>, reported);
        QFETCH(QString, rate);
        QFETCH(QString, format);
        QFETCH(bool, corrected);
        // Start away from the defaults.
        for (QComboBox* box : {probe->port_rate(), probe->data_format()}) {
            box->blockSignals(true);
            box->setCurrentIndex(0);
            box->blockSignals(false);
        }
        auto spy = probe->spy_sent();
        probe->async_settings_response(reported.at(0), reported.at(1), reported.at(2),
                                       reported.at(3));
        QCOMPARE(probe->port_rate()->currentText(), rate);
        QCOMPARE(probe->data_format()->currentText(), format);
        const auto messages = Modem_control_test_probe::sent(*spy);
        QCOMPARE(messages.size(), corrected ? 1 : 0);
        if (corrected) {
            QCOMPARE(messages.at(0).name, async_set);
            QCOMPARE(messages.at(0).payload, bytes({22, 8, 1, 1}));
        }
    }

    void operator_commands_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("tx level -7") << 0 << audio_tx_set << bytes({1, 0xFF, 0xF2});
        QTest::newRow("de-acquire") << 1 << deacquire_set << bytes({3});
        QTest::newRow("rx reset") << 2 << rx_reset_set << bytes({1});
        QTest::newRow("standard async") << 3 << port_mode_set << bytes({1});
        QTest::newRow("high-speed async") << 4 << port_mode_set << bytes({3});
        QTest::newRow("port rate") << 5 << async_set << bytes({19, 8, 1, 1});
        QTest::newRow("data format 7E2") << 6 << async_set << bytes({22, 7, 2, 3});
        QTest::newRow("flow control") << 7 << flow_set << bytes({3});
    }
    void operator_commands()
    {
        QFETCH(int, action);
        QFETCH(QString, name);
        QFETCH(QByteArray, payload);
        auto spy = probe->spy_sent();
        switch (action) {
        case 0:
            probe->audio_tx_level()->setValue(-7);
            break;
        case 1:
            QVERIFY(choose(probe->deacquire(), "20 seconds"));
            break;
        case 2:
            probe->rx_reset()->click();
            break;
        case 3:
            probe->std_async()->click();
            break;
        case 4:
            probe->hsp_async()->click();
            break;
        case 5:
            QVERIFY(choose(probe->port_rate(), "9600 bps"));
            break;
        case 6:
            QVERIFY(choose(probe->data_format(), "7E2"));
            break;
        case 7:
            QVERIFY(choose(probe->flow_control(), "XON/XOFF"));
            break;
        }
        const auto messages = Modem_control_test_probe::sent(*spy);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).name, name);
        QCOMPARE(messages.at(0).payload, payload);
    }

    void tx_kill_and_resume()
    {
        auto spy = probe->spy_sent();
        probe->tx_buffer() = "queued before the kill";
        probe->tx_kill()->click();
        QCOMPARE(probe->tx_kill()->text(), QString("Tx Resume"));
        QVERIFY(probe->tx_buffer().isEmpty());
        probe->tx_buffer() = "queued while killed";
        probe->tx_kill()->click();
        QCOMPARE(probe->tx_kill()->text(), QString("Tx Kill"));
        QVERIFY(probe->tx_buffer().isEmpty());
        const auto messages = Modem_control_test_probe::sent(*spy);
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.at(0).name, tx_kill_set);
        QCOMPARE(messages.at(0).payload, bytes({1}));
        QCOMPARE(messages.at(1).payload, bytes({0}));
        // An idle transmitter puts the button back.
        probe->press_tx_kill();
        QCOMPARE(probe->tx_kill()->text(), QString("Tx Resume"));
        probe->tx_status_indication(3, 0);
        QCOMPARE(probe->tx_kill()->text(), QString("Tx Resume"));
        probe->tx_status_indication(2, 0);
        QCOMPARE(probe->tx_kill()->text(), QString("Tx Kill"));
    }

    void auto_update_setting()
    {
        QVERIFY(!probe->auto_update()->isChecked());
        QVERIFY(!probe->auto_update_enabled());
        probe->auto_update()->click();
        QVERIFY(probe->auto_update_enabled());
        QCOMPARE(QSettings().value("Auto Update Tx OTA Rate").toBool(), true);
        // A new window starts with the stored choice.
        Talvane second;
        Modem_control_test_probe second_probe{second};
        second_probe.enable_panels();
        QVERIFY(second_probe.auto_update()->isChecked());
        QVERIFY(second_probe.auto_update_enabled());
        second_probe.auto_update()->click();
        QCOMPARE(QSettings().value("Auto Update Tx OTA Rate").toBool(), false);
    }

    void software_version_data()
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
    void software_version()
    {
        QFETCH(QString, version);
        QFETCH(int, model);
        probe->software_version_response(version);
        QCOMPARE(probe->modem_model(), model);
        QCOMPARE(probe->software_version(), version);
        const QString base =
            QApplication::applicationName() + " V" + QApplication::applicationVersion();
        QCOMPARE(window->windowTitle(),
                 version.isEmpty() ? base : base + " (Modem S/W Version: " + version + ")");
    }

    // The software version as the last answer of the initialisation: the
    // connected status and the completion report already know the modem.
    void software_version_completes_initialisation()
    {
        Log_recorder recorder;
        probe->enter(CONNECTION_STATE_INITIALISING);
        probe->expect_only("INIT_RESP_SW_VERSION", 1);
        probe->software_version_response("KX5 2.0");
        QCOMPARE(probe->state(), int(CONNECTION_STATE_CONNECTED));
        QCOMPARE(window->status_text(), QString("Connected to KX5"));
        QVERIFY(recorder.lines_with_levels().contains("D|info|Modem version: KX5 2.0"));
    }

    void initialisation_counting_data()
    {
        QTest::addColumn<int>("reply");
        QTest::addColumn<QString>("counter");
        QTest::newRow("ota") << 0 << "INIT_RESP_PSK_MODEM_OTA_SETTINGS";
        QTest::newRow("de-acquire") << 1 << "INIT_RESP_PSK_MODEM_DEACQUIRE_LIMIT";
        QTest::newRow("tx level") << 2 << "INIT_RESP_TX_AUDIO_LEVEL";
        QTest::newRow("port mode") << 3 << "INIT_RESP_DTE_PORT_MODE";
        QTest::newRow("async settings") << 4 << "INIT_RESP_DTE_PORT_ASYNC_SETTINGS";
        QTest::newRow("flow control") << 5 << "INIT_RESP_DTE_PORT_ASYNC_FLOW_CONTROL";
        QTest::newRow("software version") << 6 << "INIT_RESP_SW_VERSION";
        QTest::newRow("rx level") << 7 << "INIT_RESP_RX_AUDIO_LEVEL";
        QTest::newRow("activity mode counts nothing") << 8 << "";
    }
    void initialisation_counting()
    {
        QFETCH(int, reply);
        QFETCH(QString, counter);
        auto answer = [&] {
            switch (reply) {
            case 0:
                return probe->ota_response(1, 26, 4, 18);
            case 1:
                return probe->deacquire_response(2);
            case 2:
                return probe->audio_tx_level_response(1, -20);
            case 3:
                return probe->dte_port_mode_response(1);
            case 4:
                return probe->async_settings_response(22, 8, 1, 1);
            case 5:
                return probe->flow_control_response(1);
            case 6:
                return probe->software_version_response("KX5");
            case 7:
                return probe->audio_rx_level_response(-10000);
            default:
                return probe->activity_mode_response();
            }
        };
        probe->enter(CONNECTION_STATE_INITIALISING);
        // Two answers outstanding: one is counted, initialisation goes on.
        probe->expect_only(counter.isEmpty() ? "INIT_RESP_SW_VERSION" : counter, 2);
        answer();
        QCOMPARE(probe->state(), int(CONNECTION_STATE_INITIALISING));
        if (counter.isEmpty()) {
            QCOMPARE(probe->counter("INIT_RESP_SW_VERSION"), 2);
            return;
        }
        QCOMPARE(probe->counter(counter), 1);
        // The last one completes it.
        answer();
        QCOMPARE(probe->counter(counter), 0);
        QCOMPARE(probe->state(), int(CONNECTION_STATE_CONNECTED));
        // Once connected, answers are no longer counted.
        answer();
        QCOMPARE(probe->counter(counter), 0);
    }

    void log_only_handlers_data()
    {
        QTest::addColumn<int>("index");
        const auto handlers = Modem_control_test_probe::log_only_handlers();
        for (int i = 0; i < handlers.size(); ++i) {
            QTest::newRow(qPrintable(std::get<0>(handlers.at(i)))) << i;
        }
    }
    void log_only_handlers()
    {
        QFETCH(int, index);
        const auto handler = Modem_control_test_probe::log_only_handlers().at(index);
        report(26, 18, 4);
        const QString before = probe->data_rate()->currentText();
        auto spy = probe->spy_sent();
        Log_recorder recorder;
        probe->call(std::get<1>(handler));
        const QString level = std::get<2>(handler) ? "W" : "D";
        QCOMPARE(recorder.lines_with_levels().filter("|resp_handle|"),
                 QStringList({level + "|resp_handle|" + std::get<0>(handler)}));
        QCOMPARE(spy->count(), 0);
        QCOMPARE(probe->data_rate()->currentText(), before);
    }

    void activity_mode_report_is_logged_field_by_field()
    {
        Log_recorder recorder;
        auto spy = probe->spy_sent();
        probe->activity_mode_response();
        QCOMPARE(recorder.lines_with_levels().filter("|resp_handle|"),
                 QStringList({"D|resp_handle|_handle_dte_port_activity_mode_request_response"
                              "\n dte_activity_mode=2\n tx_start_mode=1\n sync_stop=32"
                              "\n reserved=0\n async_stop=300"}));
        QCOMPARE(spy->count(), 0);
    }
};

QTEST_MAIN(Tst_modem_control_panel)
#include "tst_modem_control_panel.moc"
