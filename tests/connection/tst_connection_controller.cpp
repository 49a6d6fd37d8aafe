// The connection controller without a window: the requests it puts on the
// line, read back from the far end of a pseudo-terminal, and its timers,
// shortened.

#include "connection_controller.h"
#include "port_selector.h"
#include "pty_pair.h"
#include "qmodem_interface.h"
#include "qserial_io.h"
#include "test_timing.h"
#include "window_fixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

struct Line_message
{
    QString name;
    QByteArray payload;
    quint16 destination_port = 0;
};

// Cuts the bytes the console wrote into frames: sync C6 7D, 20 header bytes
// with the payload length at offset 16, the payload, a 2-byte CRC; each frame
// is read as the window tests read it.
QList<Line_message> split_frames(const QByteArray& line)
{
    QList<Line_message> messages;
    int at = 0;
    while (at + 20 <= line.size()) {
        if (uchar(line[at]) != 0xC6 || uchar(line[at + 1]) != 0x7D) {
            ++at;
            continue;
        }
        const auto* b = reinterpret_cast<const uchar*>(line.constData()) + at;
        const int length = (b[16] << 8) | b[17];
        if (at + 20 + length + 2 > line.size() || length < 6) {
            break;
        }
        const Sent_message sent = decode_sent_frame(line.mid(at, 20 + length + 2));
        Line_message message;
        message.name = sent.name;
        message.payload = sent.payload;
        message.destination_port = quint16((b[7] << 8) | b[8]);
        messages << message;
        at += 20 + length + 2;
    }
    return messages;
}

struct Rig
{
    explicit Rig(Connection_timing timing = {})
    {
        serial_io = std::make_unique<vq_qt::QSerial_io>();
        modem = std::make_unique<vq_qt::QModem_interface>(nullptr, 0xC0A80000);
        QObject::connect(modem.get(), &vq_qt::QModem_interface::send_sipc_data, serial_io.get(),
                         [this](QByteArray bytes) { serial_io->write(bytes); });
        controller = std::make_unique<Connection_controller>(serial_io.get(), modem.get(),
                                                             QStringList{}, timing);
        QObject::connect(serial_io.get(), &vq_qt::QSerial_io::port_lost, controller.get(),
                         &Connection_controller::_handle_port_lost);
    }
    std::unique_ptr<vq_qt::QSerial_io> serial_io;
    std::unique_ptr<vq_qt::QModem_interface> modem;
    std::unique_ptr<Connection_controller> controller;
};

} // namespace

class Tst_connection_controller : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName("Velquin");
        QCoreApplication::setApplicationName("Talvane");
    }
    void init() { QSettings().clear(); }

    // The initialisation requests leave in the stated order, with the stated
    // arguments, and the seven registrations name their ports.
    void initialisation_requests_on_the_line()
    {
        Pty_pair pty;
        QVERIFY(pty.valid());
        Rig rig;
        rig.controller->set_ports({pty.slave_path()});
        rig.controller->select_port(1);
        rig.controller->_ui_action_connect_disconnect();
        QCOMPARE(rig.controller->current_connection_state(), int(CONNECTION_STATE_CONNECTING));
        QByteArray line;
        QVERIFY(QTest::qWaitFor(
            [&] {
                line += pty.read_available();
                return split_frames(line).size() >= 1;
            },
            scaled_ms(2000)));
        QCOMPARE(split_frames(line).at(0).name, QString("Tac1_msg_modem_startup_status_get"));

        line.clear();
        rig.controller->_handle_reponse_modem_startup_status(true, 1);
        QCOMPARE(rig.controller->current_connection_state(), int(CONNECTION_STATE_INITIALISING));
        QList<Line_message> sent;
        QVERIFY(QTest::qWaitFor(
            [&] {
                line += pty.read_available();
                sent = split_frames(line);
                return sent.size() >= 23;
            },
            scaled_ms(2000)));

        // Name, payload and destination port of each request: the modem's
        // service port 58001, but each registration goes to the port that
        // will receive its indication (payload: address 0, port 0, the
        // indication's identifier, action 1).
        struct Row
        {
            const char* name;
            const char* payload;
            quint16 port;
        };
        const Row expected[] = {
            {"Tac1_msg_system_mode_set", "02", 58001},
            {"Tac1_msg_modem_duplex_set", "01", 58001},
            {"Tac1_msg_audio_key_to_tx_delay_set", "010096", 58001},
            {"Tac1_msg_audio_tx_to_unkey_delay_set", "01002d", 58001},
            {"Tac1_msg_data_upload_mode_set", "02", 58001},
            {"Tac1_system_software_ver_get", "14", 58001},
            {"Tac1_msg_psk_modem_ota_settings_get", "01", 58001},
            {"Tac1_msg_psk_modem_deaquire_limit_get", "", 58001},
            {"Tac1_msg_audio_tx_output_level_get", "01", 58001},
            {"Tac1_msg_dte_port_mode_get", "", 58001},
            {"Tac1_msg_dte_port_asynchronous_settings_get", "", 58001},
            {"Tac1_msg_dte_port_asynchronous_flow_control_get", "", 58001},
            {"Tac1_msg_radio_select_get", "01", 58001},
            {"Tac1_msg_radio_channel_change_and_atu_tune_time_get", "", 58001},
            {"Tac1_msg_radio_ff_params_get", "", 58001},
            {"Tac1_msg_lz7_hw_testing_audio_rx_level_get", "", 58001},
            {"Tac1_msg_register_for_individual_indication_set", "000000000000000300ad01", 3},
            {"Tac1_msg_register_for_individual_indication_set", "000000000000000300b101", 2},
            {"Tac1_msg_register_for_individual_indication_set", "000000000000000300b001", 3},
            {"Tac1_msg_register_for_individual_indication_set", "000000000000000300ac01", 3},
            {"Tac1_msg_register_for_individual_indication_set", "000000000000000d001801", 104},
            {"Tac1_msg_register_for_individual_indication_set", "0000000000000012000201", 3},
            {"Tac1_msg_register_for_individual_indication_set", "000000000000000b000601", 5},
        };
        QCOMPARE(sent.size(), int(std::size(expected)));
        for (int i = 0; i < sent.size(); ++i) {
            const QString what = QString("request %1: %2 %3 to port %4")
                                     .arg(i + 1)
                                     .arg(sent[i].name, QString(sent[i].payload.toHex()))
                                     .arg(sent[i].destination_port);
            QVERIFY2(sent[i].name == expected[i].name, qPrintable(what));
            QVERIFY2(sent[i].payload == QByteArray::fromHex(expected[i].payload), qPrintable(what));
            QVERIFY2(sent[i].destination_port == expected[i].port, qPrintable(what));
        }
    }

    // With the timers shortened, a connected modem that stops answering the
    // keep-alive drops to No Response, which asks for the start-up status
    // again at every connect timer expiry.
    void missing_keep_alive_answer_gives_no_response()
    {
        Pty_pair pty;
        Connection_timing timing;
        timing.keep_alive_ms = 20;
        timing.connect_ms = 20;
        Rig rig(timing);
        rig.controller->set_ports({pty.slave_path()});
        rig.controller->select_port(1);
        rig.controller->_ui_action_connect_disconnect();
        rig.controller->_set_connection_state(CONNECTION_STATE_CONNECTED);
        QSignalSpy states(rig.controller.get(), &Connection_controller::connection_state_changed);
        // The first expiry asks for the receive level; nobody answers it.
        QTRY_COMPARE_WITH_TIMEOUT(rig.controller->current_connection_state(),
                                  int(CONNECTION_STATE_CONNECTING_NO_RESPONSE), scaled_ms(2000));
        QVERIFY(!states.isEmpty());
        QCOMPARE(states.first().at(1).toString(), QString("No Response"));
        QByteArray line;
        QVERIFY(QTest::qWaitFor(
            [&] {
                line += pty.read_available();
                int polls = 0;
                for (const Line_message& message : split_frames(line)) {
                    polls += message.name == "Tac1_msg_modem_startup_status_get";
                }
                return polls >= 3;
            },
            scaled_ms(2000)));
    }

    // A modem that goes away is one warning with its port, and so is each
    // boot or loss of the device while it is away; its return is one "info"
    // line with the time away. The polls in between stay debug lines. Only
    // the modem's own word shows a restart: a booting start-up status or an
    // acknowledged reset, not a ready answer after a silence.
    void absence_is_told_once_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<int>("restarts");
        const QString silent = "W|state_change|No Response from the modem on %1";
        const QString boot = "W|state_change|Modem booting on %1";
        const QString back = "D|info|Modem on %1 ready again after * s away";
        QTest::newRow("silent, booting, ready")
            << "poll poll boot poll boot ready" << QStringList{silent, boot, back} << 2;
        QTest::newRow("silent, ready") << "poll ready" << QStringList{silent, back} << 0;
        QTest::newRow("reset acknowledged") << "reset ready" << QStringList{boot, back} << 1;
        QTest::newRow("booting, device lost, booting")
            << "boot boot lost poll boot ready"
            << QStringList{boot,
                           "W|state_change|Serial device lost: %1 (a lost pseudo-terminal "
                           "is not reopened by itself)",
                           boot, back}
            << 3;
        QTest::newRow("operator stops waiting")
            << "poll poll disconnect"
            << QStringList{silent, "D|info|Stopped waiting for the modem on %1 after * s"} << 0;
    }
    void absence_is_told_once()
    {
        QFETCH(QString, events);
        QFETCH(QStringList, told);
        Pty_pair pty;
        Rig rig;
        Connection_controller& c = *rig.controller;
        c.set_ports({pty.slave_path()});
        c.select_port(1);
        c._ui_action_connect_disconnect();
        c._set_connection_state(CONNECTION_STATE_CONNECTED);
        Log_recorder log;
        QSignalSpy restart(&c, &Connection_controller::modem_restart_seen);
        for (const QString& event : events.split(' ')) {
            event == "poll"    ? c._connect_timeout()
            : event == "lost"  ? c._handle_port_lost()
            : event == "reset" ? c._handle_reset_set_ack()
            : event == "disconnect"
                ? c._ui_action_connect_disconnect()
                : c._handle_reponse_modem_startup_status(true, event == "ready");
        }
        QStringList lines = log.lines_with_levels().filter(QRegularExpression("^(W|D\\|info)"));
        lines.replaceInStrings(QRegularExpression("\\d+\\.\\d s"), "* s");
        QCOMPARE(lines, told.replaceInStrings("%1", pty.slave_path()));
        QTEST(int(restart.count()), "restarts");
    }

    // A pseudo-terminal that went away is never opened again through its old
    // link: the kernel hands its number to the next program that asks, and
    // the console would take over that program's terminal. A link replaced
    // by a new one (a restarted modem) is reconnected at once.
    void lost_pty_is_not_reopened_until_its_link_is_replaced()
    {
        QTemporaryDir folder;
        const QString link = folder.path() + "/modem";
        auto far_end = std::make_unique<Pty_pair>();
        QVERIFY(QFile::link(far_end->slave_path(), link));
        const QString lost_path = far_end->slave_path();
        Connection_timing timing;
        timing.connect_ms = 20;
        Rig rig(timing);
        rig.controller->set_ports({link});
        rig.controller->select_port(1);
        rig.controller->_ui_action_connect_disconnect();
        QCOMPARE(rig.controller->current_connection_state(), int(CONNECTION_STATE_CONNECTING));

        far_end.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.serial_io->is_open(), scaled_ms(3000));
        // Somebody else now gets a pseudo-terminal with the lost number.
        std::vector<std::unique_ptr<Pty_pair>> others;
        Pty_pair* stranger = nullptr;
        for (int i = 0; i < 32 && !stranger; ++i) {
            others.push_back(std::make_unique<Pty_pair>());
            if (others.back()->slave_path() == lost_path) {
                stranger = others.back().get();
            }
        }
        if (!stranger) {
            QSKIP("another program took the lost pseudo-terminal number first");
        }
        QSignalSpy expiries(rig.controller.get(), &Connection_controller::connection_state_changed);
        QVERIFY(QTest::qWaitFor([&] { return expiries.count() >= 10; }, scaled_ms(5000)));
        QVERIFY(!rig.serial_io->is_open());
        QCOMPARE(stranger->read_available(), QByteArray());

        // A new pseudo-terminal behind a replaced link is taken at once.
        Pty_pair fresh;
        QVERIFY(QFile::link(fresh.slave_path(), link + ".new"));
        QCOMPARE(::rename(QFile::encodeName(link + ".new").constData(),
                          QFile::encodeName(link).constData()),
                 0);
        QByteArray line;
        QVERIFY(QTest::qWaitFor(
            [&] {
                line += fresh.read_available();
                return !split_frames(line).isEmpty();
            },
            scaled_ms(3000)));
        QCOMPARE(split_frames(line).first().name, QString("Tac1_msg_modem_startup_status_get"));
        QCOMPARE(stranger->read_available(), QByteArray());
    }

    // Auto Detect opens each device once, asks it, and moves on when the
    // connect timer expires; a second name of a device is passed over, and
    // after the last device the search ends.
    void auto_detect_makes_one_pass()
    {
        QTemporaryDir folder;
        Pty_pair first;
        Pty_pair second;
        const QString alias = folder.path() + "/first";
        QVERIFY(QFile::link(first.slave_path(), alias));
        Connection_timing timing;
        timing.connect_ms = 30;
        Rig rig(timing);
        rig.controller->set_ports({first.slave_path(), alias, second.slave_path()});
        QSignalSpy changes(rig.controller.get(), &Connection_controller::connection_state_changed);
        rig.controller->_ui_action_connect_disconnect();
        QVERIFY(rig.controller->auto_detect());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.controller->auto_detect(), scaled_ms(3000));
        QStringList texts;
        for (const QList<QVariant>& change : changes) {
            texts << change.at(1).toString();
        }
        QCOMPARE(texts,
                 (QStringList{"Trying " + first.slave_path() + " (1/2)",
                              "Trying " + second.slave_path() + " (2/2)", "No modem found"}));
        QCOMPARE(split_frames(first.read_available()).size(), 1);
        QCOMPARE(split_frames(second.read_available()).size(), 1);
        QCOMPARE(rig.controller->current_port_index(), 0);
        QCOMPARE(rig.controller->current_connection_state(), int(CONNECTION_STATE_NOT_CONNECTED));
        QVERIFY(!rig.serial_io->is_open());
        QCOMPARE(QSettings().value("COM Port").toString(), QString("Auto Detect"));
    }

    // The ports by their paths, each USB adapter followed by its stable names,
    // with what the system says of the device in the tool tip.
    void port_list_data()
    {
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("tool_tip");
        const QString about = "FT232R USB UART, FTDI, serial number A5";
        QTest::newRow("no stable names")
            << QStringList{} << QStringList{"ttyS0", "ttyUSB0"} << "%1/ttyUSB0\n" + about;
        QTest::newRow("a stable name beside its device")
            << QStringList{"usb-FTDI_A5-if00-port0>../ttyUSB0", "stray>../elsewhere"}
            << QStringList{"ttyS0", "ttyUSB0", "by-id/usb-FTDI_A5-if00-port0"}
            << "%1/by-id/usb-FTDI_A5-if00-port0\nLeads to %1/ttyUSB0\n" + about;
    }
    void port_list()
    {
        QFETCH(QStringList, links);
        QTemporaryDir folder;
        const QString devices = QFileInfo(folder.path()).canonicalFilePath();
        QVERIFY(QDir(devices).mkdir("by-id"));
        QList<System_port> ports{{devices + "/ttyS0", "", "", ""},
                                 {devices + "/ttyUSB0", "FT232R USB UART", "FTDI", "A5"}};
        for (const System_port& port : ports) {
            QFile device(port.path);
            QVERIFY(device.open(QIODevice::WriteOnly));
        }
        for (const QString& link : links) {
            QVERIFY(
                QFile::link(link.section('>', 1), devices + "/by-id/" + link.section('>', 0, 0)));
        }
        QStringList paths = serial_port_paths(ports, devices + "/by-id");
        paths.replaceInStrings(devices + "/", "");
        QTEST(paths, "paths");
        QTEST(serial_port_tool_tip(devices + "/" + paths.last(), ports).replace(devices, "%1"),
              "tool_tip");
    }

    // A late keep-alive answer is announced before the modem is declared
    // lost, and its arrival ends the wait.
    void a_late_keep_alive_answer_is_announced()
    {
        Connection_timing timing;
        timing.keep_alive_ms = scaled_ms(200);
        timing.keep_alive_overdue_ms = scaled_ms(50);
        Rig rig(timing);
        rig.controller->_set_connection_state(CONNECTION_STATE_CONNECTED);
        QSignalSpy overdue(rig.controller.get(), &Connection_controller::keep_alive_overdue);
        QTRY_COMPARE_WITH_TIMEOUT(overdue.count(), 1, scaled_ms(2000));
        rig.controller->note_response_seen();
        QTRY_COMPARE_WITH_TIMEOUT(rig.controller->current_connection_state(),
                                  int(CONNECTION_STATE_CONNECTING_NO_RESPONSE), scaled_ms(2000));
        QCOMPARE(overdue, (QList<QList<QVariant>>{{true}, {false}, {true}}));
    }
};

QTEST_MAIN(Tst_connection_controller)
#include "tst_connection_controller.moc"
