// The Modem Control panel and the DTE port selectors on their own: what the
// operator's changes send to the modem, how the modem's reports are shown,
// the fallbacks with their corrective requests, what the connection is told,
// and the replies that are only logged.

#include "data_interface_panel.h"
#include "modem_control_probe.h"

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

} // namespace

class Tst_modem_control_panel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Modem_control_rig> rig;

    // The panel as the modem reported it at initialisation.
    void report(int waveform, int data_rate, int interleaver)
    {
        rig->ota_response(1, waveform, interleaver, data_rate);
    }

private slots:
    void init()
    {
        clear_window_settings();
        rig = std::make_unique<Modem_control_rig>();
    }
    void cleanup() { rig.reset(); }

    void panel_cells_data()
    {
        QTest::addColumn<int>("panel");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        const int control = 0, data = 1;
        QTest::newRow("audio header") << control << 0 << 1 << "<b>&Audio Level</b>";
        QTest::newRow("waveform header") << control << 0 << 2 << "<b>&Waveform</b>";
        QTest::newRow("data rate header") << control << 0 << 3 << "<b>Data &Rate [bps]</b>";
        QTest::newRow("interleaver header") << control << 0 << 4 << "<b>&Interleaver</b>";
        QTest::newRow("status header") << control << 0 << 5 << "<b>Status</b>";
        QTest::newRow("tx row") << control << 1 << 0 << "<b>TX:</b>";
        QTest::newRow("rx row") << control << 2 << 0 << "<b>RX:</b>";
        QTest::newRow("tx level") << control << 1 << 1 << "<QSpinBox>";
        QTest::newRow("waveform") << control << 1 << 2 << "<QComboBox>";
        QTest::newRow("data rate") << control << 1 << 3 << "<QComboBox>";
        QTest::newRow("interleaver") << control << 1 << 4 << "<QComboBox>";
        QTest::newRow("tx status") << control << 1 << 5 << "Idle";
        QTest::newRow("tx kill") << control << 1 << 6 << "Tx Kill";
        QTest::newRow("rx status") << control << 2 << 5 << "Hunting";
        QTest::newRow("rx reset") << control << 2 << 6 << "Rx Reset";
        QTest::newRow("ota mode") << control << 4 << 0 << "OTA Mode:";
        QTest::newRow("std async") << control << 4 << 1 << "Standard Async";
        QTest::newRow("hsp async") << control << 4 << 2 << "High-Speed Async";
        QTest::newRow("auto update") << control << 4 << 3 << "Auto Update Tx Data Rate";
        QTest::newRow("de-acquire") << control << 4 << 4 << "&De-Acquire:";
        QTest::newRow("de-acquire box") << control << 4 << 5 << "<QComboBox>";
        QTest::newRow("baud") << data << 2 << 0 << "&Baud Rate:";
        QTest::newRow("format") << data << 3 << 0 << "Data &Format:";
        QTest::newRow("flow") << data << 4 << 0 << "Flow &Control:";
        QTest::newRow("baud box") << data << 2 << 1 << "<QComboBox>";
    }
    void panel_cells()
    {
        QFETCH(int, panel);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        // The Data Interface panel places the modem data port's selectors.
        Data_interface_panel data_interface(rig->port_rate(), rig->data_format(),
                                            rig->flow_control());
        QWidget* panels[] = {rig->mc(), &data_interface};
        QCOMPARE(cell_text(panels[panel], row, column), text);
    }

    // Every loss of the connection puts "-" in the status row.
    void status_readouts_reset()
    {
        rig->audio_rx_level()->setText("-12 dB (good)");
        rig->mc()->reset_status_readouts();
        for (QLabel* label : {rig->tx_status(), rig->rx_status(), rig->audio_rx_level()}) {
            QCOMPARE(label->text(), QString("-"));
        }
    }

    void selectors_at_start()
    {
        QCOMPARE(rig->audio_tx_level()->minimum(), -50);
        QCOMPARE(rig->audio_tx_level()->maximum(), 0);
        QCOMPARE(rig->audio_tx_level()->suffix(), QString(" dB"));
        // Empty until the modem reports its settings.
        QCOMPARE(rig->waveform()->count(), 0);
        QCOMPARE(rig->data_rate()->count(), 0);
        QCOMPARE(rig->interleaver()->count(), 0);
        QCOMPARE(entries(rig->deacquire()), QStringList({"1 second", "5 seconds", "20 seconds"}));
        QCOMPARE(rig->port_rate()->count(), 17);
        QCOMPARE(rig->port_rate()->currentText(), QString("19200 bps"));
        QCOMPARE(rig->data_format()->count(), 24);
        QCOMPARE(rig->data_format()->currentText(), QString("8N1"));
        QCOMPARE(rig->data_format()->currentData().toInt(), 524545);
        QCOMPARE(entries(rig->flow_control()), QStringList({"None", "CTS/RTS", "XON/XOFF"}));
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
        rig->frames.clear();
        report(waveform, data_rate, interleaver);
        QCOMPARE(QStringList({rig->waveform()->currentText(), rig->data_rate()->currentText(),
                              rig->interleaver()->currentText()}),
                 shown);
        QCOMPARE(rig->waveform_name()->text(), shown.at(0));
        QCOMPARE(entries(rig->waveform()), QStringList({"MS-110A", "MS-110B"}));
        const auto messages = rig->sent();
        QCOMPARE(messages.size(), sent.isEmpty() ? 0 : 1);
        if (!sent.isEmpty()) {
            QCOMPARE(messages.at(0).name, ota_set);
            QCOMPARE(messages.at(0).payload, sent);
        }
        // The same report again needs no correction.
        rig->frames.clear();
        report(waveform, data_rate, interleaver);
        QCOMPARE(rig->sent(ota_set).size(), sent.isEmpty() ? 0 : 1);
    }

    void ota_report_for_receiver_changes_nothing()
    {
        report(26, 18, 4);
        rig->frames.clear();
        rig->ota_response(2, 17, 1, 15);
        QCOMPARE(rig->waveform()->currentText(), QString("MS-110B"));
        QCOMPARE(rig->data_rate()->currentText(), QString("9600 Coded"));
        QCOMPARE(rig->interleaver()->currentText(), QString("Short"));
        QCOMPARE(rig->frames.count(), 0);
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
        rig->frames.clear();
        QComboBox* boxes[] = {rig->waveform(), rig->data_rate(), rig->interleaver()};
        QVERIFY(choose(boxes[selector], choice));
        QCOMPARE(QStringList({rig->waveform()->currentText(), rig->data_rate()->currentText(),
                              rig->interleaver()->currentText()}),
                 shown);
        QCOMPARE(entries(rig->interleaver()), interleavers);
        QCOMPARE(rig->waveform_name()->text(), shown.at(0));
        // One change, one message.
        const auto messages = rig->sent();
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
        rig->frames.clear();
        rig->audio_tx_level_response(port, short(level));
        QCOMPARE(rig->audio_tx_level()->value(), shown);
        const auto messages = rig->sent();
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
        QComboBox* box = which == 0 ? rig->deacquire() : rig->flow_control();
        // Start away from the default, so that a fallback changes the entry.
        box->blockSignals(true);
        box->setCurrentIndex(1);
        box->blockSignals(false);
        rig->frames.clear();
        if (which == 0) {
            rig->deacquire_response(code);
        } else {
            rig->flow_control_response(code);
        }
        QCOMPARE(box->currentText(), shown);
        // Only the corrective request goes out; the report is not echoed.
        const auto messages = rig->sent();
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
        rig->frames.clear();
        rig->dte_port_mode_response(mode);
        QCOMPARE(rig->std_async()->isChecked(), standard);
        QCOMPARE(rig->hsp_async()->isChecked(), !standard);
        const auto messages = rig->sent();
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
        rig->frames.clear();
        rig->dte_port_mode_set_ack();
        QCOMPARE(rig->sent(activity_set).size(), standard ? 1 : 0);
        QCOMPARE(rig->frames.count(), standard ? 1 : 0);
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
        for (QComboBox* box : {rig->port_rate(), rig->data_format()}) {
            box->blockSignals(true);
            box->setCurrentIndex(0);
            box->blockSignals(false);
        }
        rig->frames.clear();
        rig->async_settings_response(reported.at(0), reported.at(1), reported.at(2),
                                     reported.at(3));
        QCOMPARE(rig->port_rate()->currentText(), rate);
        QCOMPARE(rig->data_format()->currentText(), format);
        const auto messages = rig->sent();
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
        rig->frames.clear();
        switch (action) {
        case 0:
            rig->audio_tx_level()->setValue(-7);
            break;
        case 1:
            QVERIFY(choose(rig->deacquire(), "20 seconds"));
            break;
        case 2:
            rig->rx_reset()->click();
            break;
        case 3:
            rig->std_async()->click();
            break;
        case 4:
            rig->hsp_async()->click();
            break;
        case 5:
            QVERIFY(choose(rig->port_rate(), "9600 bps"));
            break;
        case 6:
            QVERIFY(choose(rig->data_format(), "7E2"));
            break;
        case 7:
            QVERIFY(choose(rig->flow_control(), "XON/XOFF"));
            break;
        }
        const auto messages = rig->sent();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).name, name);
        QCOMPARE(messages.at(0).payload, payload);
    }

    void tx_kill_and_resume()
    {
        // The data path's transmit buffer, connected as the window does.
        rig = std::make_unique<Modem_control_rig>(Modem_control_rig::with_data_path);
        rig->tx_buffer() = "queued before the kill";
        rig->tx_kill()->click();
        QCOMPARE(rig->tx_kill()->text(), QString("Tx Resume"));
        QVERIFY(rig->tx_buffer().isEmpty());
        rig->tx_buffer() = "queued while killed";
        rig->tx_kill()->click();
        QCOMPARE(rig->tx_kill()->text(), QString("Tx Kill"));
        QVERIFY(rig->tx_buffer().isEmpty());
        const auto messages = rig->sent();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.at(0).name, tx_kill_set);
        QCOMPARE(messages.at(0).payload, bytes({1}));
        QCOMPARE(messages.at(1).payload, bytes({0}));
    }

    void auto_update_setting()
    {
        QVERIFY(!rig->auto_update()->isChecked());
        QVERIFY(!rig->mc()->auto_update_tx_ota_rate());
        rig->auto_update()->click();
        QVERIFY(rig->mc()->auto_update_tx_ota_rate());
        QCOMPARE(QSettings().value("Auto Update Tx OTA Rate").toBool(), true);
        // A new panel starts with the stored choice.
        Modem_control_rig second;
        QVERIFY(second.auto_update()->isChecked());
        QVERIFY(second.mc()->auto_update_tx_ota_rate());
        second.auto_update()->click();
        QCOMPARE(QSettings().value("Auto Update Tx OTA Rate").toBool(), false);
    }

    // The version goes to the connection, which derives the model and
    // counts the answer, and to the window's title, unchanged.
    void software_version_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("KX5") << "KX5 Modem 2.4.1";
        QTest::newRow("empty") << "";
    }
    void software_version()
    {
        QFETCH(QString, version);
        QSignalSpy reported(rig->mc(), &Modem_control_panel::modem_version_reported);
        rig->software_version_response(version);
        QCOMPARE(rig->connection.versions, QStringList{version});
        QCOMPARE(rig->connection.counted, QList<Init_response>{INIT_RESP_SW_VERSION});
        QCOMPARE(reported.count(), 1);
        QCOMPARE(reported.at(0).at(0).toString(), version);
        QCOMPARE(rig->frames.count(), 0);
    }

    // Every answer that the initialisation waits for is counted by the
    // connection, once per answer; the connection alone decides whether it
    // still counts.
    void initialisation_counting_data()
    {
        QTest::addColumn<int>("reply");
        QTest::addColumn<int>("counter"); // -1: none
        QTest::newRow("ota") << 0 << int(INIT_RESP_PSK_MODEM_OTA_SETTINGS);
        QTest::newRow("de-acquire") << 1 << int(INIT_RESP_PSK_MODEM_DEACQUIRE_LIMIT);
        QTest::newRow("tx level") << 2 << int(INIT_RESP_TX_AUDIO_LEVEL);
        QTest::newRow("port mode") << 3 << int(INIT_RESP_DTE_PORT_MODE);
        QTest::newRow("async settings") << 4 << int(INIT_RESP_DTE_PORT_ASYNC_SETTINGS);
        QTest::newRow("flow control") << 5 << int(INIT_RESP_DTE_PORT_ASYNC_FLOW_CONTROL);
        QTest::newRow("software version") << 6 << int(INIT_RESP_SW_VERSION);
        QTest::newRow("activity mode counts nothing") << 7 << -1;
    }
    void initialisation_counting()
    {
        QFETCH(int, reply);
        QFETCH(int, counter);
        for (int answer = 0; answer < 2; ++answer) {
            switch (reply) {
            case 0:
                rig->ota_response(1, 26, 4, 18);
                break;
            case 1:
                rig->deacquire_response(2);
                break;
            case 2:
                rig->audio_tx_level_response(1, -20);
                break;
            case 3:
                rig->dte_port_mode_response(1);
                break;
            case 4:
                rig->async_settings_response(22, 8, 1, 1);
                break;
            case 5:
                rig->flow_control_response(1);
                break;
            case 6:
                rig->software_version_response("KX5");
                break;
            default:
                rig->activity_mode_response();
                break;
            }
        }
        const QList<Init_response> counted =
            counter < 0 ? QList<Init_response>{}
                        : QList<Init_response>{Init_response(counter), Init_response(counter)};
        QCOMPARE(rig->connection.counted, counted);
    }

    void log_only_handlers_data()
    {
        QTest::addColumn<int>("index");
        const auto handlers = Modem_control_rig::log_only_handlers();
        for (int i = 0; i < handlers.size(); ++i) {
            QTest::newRow(qPrintable(std::get<0>(handlers.at(i)))) << i;
        }
    }
    void log_only_handlers()
    {
        QFETCH(int, index);
        const auto handler = Modem_control_rig::log_only_handlers().at(index);
        report(26, 18, 4);
        const QString before = rig->data_rate()->currentText();
        rig->frames.clear();
        Log_recorder recorder;
        std::get<1>(handler)(*rig->mc());
        const QString level = std::get<2>(handler) ? "W" : "D";
        QCOMPARE(recorder.lines_with_levels().filter("|resp_handle|"),
                 QStringList({level + "|resp_handle|" + std::get<0>(handler)}));
        QCOMPARE(rig->frames.count(), 0);
        QCOMPARE(rig->data_rate()->currentText(), before);
    }

    void activity_mode_report_is_logged_field_by_field()
    {
        Log_recorder recorder;
        rig->frames.clear();
        rig->activity_mode_response();
        QCOMPARE(recorder.lines_with_levels().filter("|resp_handle|"),
                 QStringList({"D|resp_handle|_handle_dte_port_activity_mode_request_response"
                              "\n dte_activity_mode=2\n tx_start_mode=1\n sync_stop=32"
                              "\n reserved=0\n async_stop=300"}));
        QCOMPARE(rig->frames.count(), 0);
    }
};

QTEST_MAIN(Tst_modem_control_panel)
#include "tst_modem_control_panel.moc"
