// The virtual serial port adapter against a fake control: choice of the port
// name, the panel texts and the order of logging, texts and data path calls.

#include "fake_vsport_control.h"
#include "log_recorder.h"
#include "virtual_serial_port.h"

#include <QtTest>

using vq_qt::Virtual_serial_port;

namespace {

QStringList com_names(int first, int last)
{
    QStringList names;
    for (int i = first; i <= last; ++i) {
        names << QStringLiteral("COM%1").arg(i);
    }
    return names;
}

} // namespace

class Tst_virtual_serial_port : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void port_name_choice_data();
    void port_name_choice();
    void event_reactions_data();
    void event_reactions();
    void open_and_close();
    void data_format_text_data();
    void data_format_text();
    void flow_control_text_data();
    void flow_control_text();
    void delete_reaches_control();

private:
    // An adapter on a fresh fake whose every signal is journalled.
    void make_adapter();

    QStringList events;
    Fake_vsport_control* fake = nullptr;
    std::unique_ptr<Virtual_serial_port> port;
    // One list of what happened, in order: "log <text>" for each line of
    // the "vserial" category, and one entry per signal of the adapter.
    std::unique_ptr<Log_recorder> log;
};

void Tst_virtual_serial_port::init()
{
    events.clear();
    log = std::make_unique<Log_recorder>();
    log->on_entry = [this](const Log_recorder::Entry& entry) {
        if (entry.category == "vserial") {
            events << "log " + entry.message;
        }
    };
    make_adapter();
}

void Tst_virtual_serial_port::cleanup()
{
    port.reset();
    fake = nullptr;
    log.reset();
}

void Tst_virtual_serial_port::make_adapter()
{
    auto control = std::make_unique<Fake_vsport_control>();
    fake = control.get();
    port = std::make_unique<Virtual_serial_port>(std::move(control));
    Virtual_serial_port* p = port.get();
    connect(
        p, &Virtual_serial_port::port_name_text_changed, this,
        [this](const QString& text, const QString& tip) { events << "name " + text + "|" + tip; });
    connect(p, &Virtual_serial_port::baud_text_changed, this,
            [this](const QString& text) { events << "baud " + text; });
    connect(p, &Virtual_serial_port::data_format_text_changed, this,
            [this](const QString& text) { events << "format " + text; });
    connect(p, &Virtual_serial_port::flow_control_text_changed, this,
            [this](const QString& text) { events << "flow " + text; });
    connect(p, &Virtual_serial_port::port_ready, this,
            [this](const QString& path, const QString& device) {
                events << "ready " + path + "|" + device;
            });
    connect(p, &Virtual_serial_port::received_characters, this, [this] { events << "received"; });
    connect(p, &Virtual_serial_port::port_opened, this, [this] { events << "opened"; });
    connect(p, &Virtual_serial_port::port_closed, this, [this] { events << "closed"; });
}

void Tst_virtual_serial_port::port_name_choice_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("held");
    QTest::addColumn<QString>("requested");
    QTest::addColumn<bool>("reset_ok");
    QTest::addColumn<bool>("create_ok");
    QTest::addColumn<QStringList>("creates");
    QTest::addColumn<QStringList>("expected");

    const QStringList dashes{"baud -", "format -", "flow -"};
    const QString dir = "/run/user/1000/talvane/";
    const auto created = [&](const QString& name) {
        return QStringList{"log VSP reset success: true", "log " + name + " : creating port",
                           "log Port created", "log " + name + " : port created",
                           "name " + dir + name + "|/dev/pts/7"} +
               dashes + QStringList{"ready " + dir + name + "|/dev/pts/7"};
    };
    const QStringList failed =
        QStringList{"log Could not create virtual serial port", "name Could not open|"} + dashes;

    QTest::newRow("COM1-COM4 present: COM5")
        << com_names(1, 4) << QStringList() << QString() << true << true << QStringList{"COM5"}
        << created("COM5");
    QTest::newRow("COM3 present, COM4 free: COM4")
        << QStringList{"COM3"} << QStringList() << QString() << true << true << QStringList{"COM4"}
        << created("COM4");
    QTest::newRow("COM1 and COM2 free: still COM3")
        << QStringList() << QStringList() << QString() << true << true << QStringList{"COM3"}
        << created("COM3");
    QTest::newRow("names compared case-sensitively")
        << QStringList{"com3", "COM3 "} << QStringList() << QString() << true << true
        << QStringList{"COM3"} << created("COM3");
    QTest::newRow("COM3 held by another console: COM4")
        << QStringList() << QStringList{"COM3"} << QString() << true << true << QStringList{"COM4"}
        << created("COM4");
    QTest::newRow("listed and held names both skipped")
        << QStringList{"COM3", "COM5"} << QStringList{"COM4", "COM6"} << QString() << true << true
        << QStringList{"COM7"} << created("COM7");
    QTest::newRow("COM99 the last free name")
        << com_names(1, 98) << QStringList() << QString() << true << true << QStringList{"COM99"}
        << created("COM99");
    QTest::newRow("COM3 to COM99 all taken")
        << com_names(3, 50) << com_names(51, 99) << QString() << true << true << QStringList()
        << QStringList{"log VSP reset success: true", "log No valid port name"} + failed;
    QTest::newRow("reset fails: no port tried")
        << QStringList() << QStringList() << QString() << false << true << QStringList()
        << QStringList{"log VSP reset success: false"} + failed;
    QTest::newRow("create fails: no second name tried")
        << QStringList() << QStringList() << QString() << true << false << QStringList{"COM3"}
        << QStringList{"log VSP reset success: true", "log COM3 : creating port",
                       "log Port create failed"} +
               failed;
    // A fixed name (--data-port): that name or none, never another one.
    QTest::newRow("asked-for name, COM names free")
        << QStringList() << QStringList() << "STATION" << true << true << QStringList{"STATION"}
        << created("STATION");
    QTest::newRow("asked-for name held by another console: no port")
        << QStringList() << QStringList{"COM7"} << "COM7" << true << true << QStringList()
        << QStringList{"log VSP reset success: true", "log COM7 : held by another console"} +
               failed;
}

void Tst_virtual_serial_port::port_name_choice()
{
    QFETCH(QStringList, existing);
    QFETCH(QStringList, held);
    QFETCH(QString, requested);
    QFETCH(bool, reset_ok);
    QFETCH(bool, create_ok);
    QFETCH(QStringList, creates);
    QFETCH(QStringList, expected);

    fake->reset_result = reset_ok;
    fake->create_result = create_ok;
    fake->held_elsewhere = QSet<QString>(held.begin(), held.end());
    const bool ok = port->_init_virtual_serial_port(existing, requested);

    QCOMPARE(events, expected);
    QCOMPARE(ok, reset_ok && create_ok && !creates.isEmpty());
    QStringList create_calls = fake->calls.filter("CreatePort");
    create_calls.replaceInStrings("CreatePort ", "");
    QCOMPARE(create_calls, creates);
    QCOMPARE(port->virtual_port_name(), ok ? creates.value(0) : QString());

    // Events reach the adapter only from a port it created.
    events.clear();
    fake->fire("OnRING(bool)");
    QCOMPARE(events.size(), ok ? 2 : 0);
}

void Tst_virtual_serial_port::event_reactions_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("expected");

    // The fake shows 9600 7E2, hardware and XON/XOFF handshake, port closed.
    QTest::newRow("baud rate") << "OnBaudRate(int)"
                               << QStringList{"log Baudrate: 9600", "baud 9600"};
    QTest::newRow("7E2") << "OnLineControl(int,int,int)" << QStringList{"format 7E2"};
    QTest::newRow("hardware handshake wins over XON/XOFF")
        << "OnHandflow(int,int,int,int)"
        << QStringList{"log ControlHandShake: 8", "log FlowReplace: 3", "flow CTS/RTS"};
    QTest::newRow("received characters") << "OnRxChar(int)" << QStringList{"received"};
    for (const char* quiet :
         {"OnDTR(bool)", "OnRTS(bool)", "OnBreak(bool)", "OnEvent(int)",
          "OnSpecialChars(int,int,int,int,int,int)", "OnTimeouts(int,int,int,int,int)"}) {
        QTest::newRow(quiet) << quiet << QStringList();
    }
    QTest::newRow("ring not handled") << "OnRING(bool)" << QStringList{"log Event not handled."};
    QTest::newRow("names are case-sensitive")
        << "onBaudRate(int)" << QStringList{"log Event not handled."};
    QTest::newRow("matched by their beginning")
        << "OnBaudRateX" << QStringList{"log Baudrate: 9600", "baud 9600"};
}

void Tst_virtual_serial_port::event_reactions()
{
    QFETCH(QString, event);
    QFETCH(QStringList, expected);

    QVERIFY(port->_init_virtual_serial_port({}));
    fake->baud_rate = 9600;
    fake->data_bits = 7;
    fake->parity = 2;
    fake->stop_bits = 2;
    fake->hand_shake = 0x08;
    fake->flow_replace = 0x03;
    events.clear();
    fake->fire(event);
    QCOMPARE(events, QStringList{"log EVENT: " + event} + expected);
}

void Tst_virtual_serial_port::open_and_close()
{
    QVERIFY(port->_init_virtual_serial_port(com_names(1, 4)));
    const QString path = "/run/user/1000/talvane/COM5";

    // Opened without a change of settings: the panel shows those it has.
    events.clear();
    fake->opened = true;
    fake->baud_rate = 9600;
    fake->fire("OnOpenClose(bool)");
    QCOMPARE(events, (QStringList{"log EVENT: OnOpenClose(bool)", "log Port opened",
                                  "name " + path + " (connected)|/dev/pts/7", "log Baudrate: 9600",
                                  "baud 9600", "format 8N1", "log ControlHandShake: 0",
                                  "log FlowReplace: 0", "flow None", "opened"}));

    // The pair behind the link is renewed after a close: the tool tip
    // follows the device.
    fake->baud_rate = 115200;
    fake->fire("OnBaudRate(int)");
    events.clear();
    fake->opened = false;
    fake->device = "/dev/pts/8";
    fake->fire("OnOpenClose(bool)");
    QCOMPARE(events, (QStringList{"log EVENT: OnOpenClose(bool)", "log Port clossed",
                                  "name " + path + "|/dev/pts/8", "baud -", "format -", "flow -",
                                  "closed", "ready " + path + "|/dev/pts/8"}));
}

void Tst_virtual_serial_port::data_format_text_data()
{
    QTest::addColumn<int>("data_bits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stop_bits");
    QTest::addColumn<QString>("text");

    QTest::newRow("8N1") << 8 << 0 << 0 << "8N1";
    QTest::newRow("7E2") << 7 << 2 << 2 << "7E2";
    QTest::newRow("5O1.5") << 5 << 1 << 1 << "5O1.5";
    QTest::newRow("8M1") << 8 << 3 << 0 << "8M1";
    QTest::newRow("8S2") << 8 << 4 << 2 << "8S2";
    QTest::newRow("parity beyond the letters") << 8 << 5 << 0 << "81";
    QTest::newRow("negative parity") << 8 << -1 << 0 << "81";
    QTest::newRow("stop bits beyond the texts") << 8 << 0 << 3 << "8N";
}

void Tst_virtual_serial_port::data_format_text()
{
    QFETCH(int, data_bits);
    QFETCH(int, parity);
    QFETCH(int, stop_bits);
    QFETCH(QString, text);
    QCOMPARE(vq_qt::data_format_text(data_bits, parity, stop_bits), text);
}

void Tst_virtual_serial_port::flow_control_text_data()
{
    QTest::addColumn<int>("hand_shake");
    QTest::addColumn<int>("flow_replace");
    QTest::addColumn<QString>("text");

    QTest::newRow("CTS handshake") << 0x08 << 0x00 << "CTS/RTS";
    QTest::newRow("CTS handshake and XON/XOFF") << 0x09 << 0x83 << "CTS/RTS";
    QTest::newRow("XON/XOFF on sending") << 0x00 << 0x01 << "XON/XOFF";
    QTest::newRow("XON/XOFF on receiving") << 0x01 << 0x02 << "XON/XOFF";
    QTest::newRow("RTS handshake alone") << 0x00 << 0x80 << "None";
    QTest::newRow("DSR handshake alone") << 0x10 << 0x00 << "None";
    QTest::newRow("nothing") << 0x00 << 0x00 << "None";
}

void Tst_virtual_serial_port::flow_control_text()
{
    QFETCH(int, hand_shake);
    QFETCH(int, flow_replace);
    QFETCH(QString, text);
    QCOMPARE(vq_qt::flow_control_text(hand_shake, flow_replace), text);
}

void Tst_virtual_serial_port::delete_reaches_control()
{
    QVERIFY(port->_init_virtual_serial_port({}));
    QVERIFY(port->Delete());
    QCOMPARE(fake->calls, (QStringList{"ResetBus", "CreatePort COM3", "Delete"}));
}

QTEST_GUILESS_MAIN(Tst_virtual_serial_port)
#include "tst_virtual_serial_port.moc"
