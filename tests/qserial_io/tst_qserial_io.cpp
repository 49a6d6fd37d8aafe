#include "log_recorder.h"
#include "pty_pair.h"
#include "qserial_io.h"
#include "test_timing.h"

#include <QFile>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using vq_qt::QSerial_io;

namespace {

struct Log_line
{
    QtMsgType type;
    QString text;
};

QList<Log_line> captured;         // the "qserial_io" lines
std::function<void()> on_warning; // lets a test act at the moment of a warning

// How long a test waits for bytes or a signal before it fails.
const int result_ms = scaled_ms(5000);

void capture(const Log_recorder::Entry& entry)
{
    if (entry.category == "qserial_io") {
        captured.append({entry.type, entry.message});
        if (entry.type == QtWarningMsg && on_warning) {
            on_warning();
        }
    }
}

QStringList lines_of(QtMsgType type)
{
    QStringList lines;
    for (const auto& line : captured) {
        if (line.type == type) {
            lines << line.text;
        }
    }
    return lines;
}

QStringList warnings()
{
    return lines_of(QtWarningMsg);
}

QStringList debug_lines()
{
    return lines_of(QtDebugMsg);
}

// Private slots are reached the way a connection would reach them.
void invoke_write_data(QSerial_io& io, const QByteArray& bytes)
{
    QVERIFY(QMetaObject::invokeMethod(&io, "_write_data", Qt::DirectConnection,
                                      Q_ARG(QByteArray, bytes)));
}

void invoke_configure(QSerial_io& io, const QSerial_io::Port_settings& settings)
{
    QVERIFY(QMetaObject::invokeMethod(&io, "_configure", Qt::DirectConnection,
                                      Q_ARG(vq_qt::QSerial_io::Port_settings, settings)));
}

// Setters of the four enumerated settings, by name, for table-driven tests.
using Enum_setter = std::function<bool(QSerial_io&, int)>;
using Text_getter = std::function<QString(const QSerial_io::Port_settings&)>;
struct Enum_field
{
    Enum_setter set;
    Text_getter text;
    std::function<int(const QSerial_io::Port_settings&)> value;
};

Enum_field enum_field(const QString& name)
{
    if (name == "data") {
        return {[](QSerial_io& io, int v) { return io.set_data_bits(QSerialPort::DataBits(v)); },
                [](const auto& s) { return s.data_bits_text; },
                [](const auto& s) { return int(s.data_bits); }};
    }
    if (name == "stop") {
        return {[](QSerial_io& io, int v) { return io.set_stop_bits(QSerialPort::StopBits(v)); },
                [](const auto& s) { return s.stop_bits_text; },
                [](const auto& s) { return int(s.stop_bits); }};
    }
    if (name == "parity") {
        return {[](QSerial_io& io, int v) { return io.set_parity(QSerialPort::Parity(v)); },
                [](const auto& s) { return s.parity_text; },
                [](const auto& s) { return int(s.parity); }};
    }
    return {[](QSerial_io& io, int v) { return io.set_flow_control(QSerialPort::FlowControl(v)); },
            [](const auto& s) { return s.flow_control_text; },
            [](const auto& s) { return int(s.flow_control); }};
}

} // namespace

class Tst_qserial_io : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void defaults();
    void baud_rate_setter_data();
    void baud_rate_setter();
    void enum_setters_data();
    void enum_setters();
    void configure_keeps_rejected_values();
    void port_list_sort_data();
    void port_list_sort();
    void signal_and_slot_order();

    void open_and_exchange_bytes_data();
    void open_and_exchange_bytes();
    void settings_applied_on_open_data();
    void settings_applied_on_open();
    void open_missing_device_fails();
    void reopen_replaces_open_port();
    void closed_port_drops_writes();
    void close_drops_what_the_line_does_not_take();
    void far_end_closed_data();
    void far_end_closed();
    void owner_close_during_loss_is_quiet();
};

void Tst_qserial_io::initTestCase()
{
    static Log_recorder recorder;
    recorder.on_entry = capture;
    QLoggingCategory::setFilterRules(QStringLiteral("qserial_io.debug=true"));
}

void Tst_qserial_io::init()
{
    captured.clear();
    on_warning = nullptr;
}

void Tst_qserial_io::defaults()
{
    QSerial_io io;
    const auto& s = io.settings();
    QCOMPARE(s.port_name, QString("NOT SET"));
    QCOMPARE(s.baud_rate, 115200);
    QCOMPARE(s.data_bits, QSerialPort::Data8);
    QCOMPARE(s.parity, QSerialPort::NoParity);
    QCOMPARE(s.stop_bits, QSerialPort::OneStop);
    QCOMPARE(s.flow_control, QSerialPort::NoFlowControl);
    QCOMPARE(s.data_bits_text, QString("8"));
    QCOMPARE(s.parity_text, QString("N"));
    QCOMPARE(s.stop_bits_text, QString("1"));
    QCOMPARE(s.flow_control_text, QString("No flow control"));
    // Every default counts as a change and is logged, in this order.
    QCOMPARE(debug_lines(), QStringList({"Baud Rate set to 115200", "Data Bits set to \"8\"",
                                         "Flow Control set to \"No flow control\"",
                                         "Parity set to \"N\"", "Stop Bits set to \"1\""}));
    QVERIFY(warnings().isEmpty());
    QVERIFY(!io.is_open());

    // Restoring after changes returns to the same record.
    QVERIFY(io.set_baud_rate(9600));
    QVERIFY(io.set_parity(QSerialPort::OddParity));
    io.restore_defaults();
    QCOMPARE(io.settings().baud_rate, 115200);
    QCOMPARE(io.settings().parity, QSerialPort::NoParity);
    QCOMPARE(io.settings().parity_text, QString("N"));
}

void Tst_qserial_io::baud_rate_setter_data()
{
    QTest::addColumn<qint32>("rate");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<qint32>("stored");
    QTest::addColumn<QString>("log");

    QTest::newRow("lowest 75") << 75 << true << 75 << "Baud Rate set to 75";
    QTest::newRow("highest 921600") << 921600 << true << 921600 << "Baud Rate set to 921600";
    QTest::newRow("9600") << 9600 << true << 9600 << "Baud Rate set to 9600";
    QTest::newRow("below 74") << 74 << false << 115200 << "";
    QTest::newRow("above 921601") << 921601 << false << 115200 << "";
    QTest::newRow("zero") << 0 << false << 115200 << "";
    QTest::newRow("unknown -1") << -1 << false << 115200 << "";
    QTest::newRow("equal is quiet") << 115200 << true << 115200 << "";
}

void Tst_qserial_io::baud_rate_setter()
{
    QFETCH(qint32, rate);
    QFETCH(bool, accepted);
    QFETCH(qint32, stored);
    QFETCH(QString, log);

    QSerial_io io;
    captured.clear();
    QCOMPARE(io.set_baud_rate(rate), accepted);
    QCOMPARE(io.settings().baud_rate, stored);
    QCOMPARE(debug_lines(), log.isEmpty() ? QStringList() : QStringList(log));
}

void Tst_qserial_io::enum_setters_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("log");

    QTest::newRow("data 5") << "data" << 5 << true << 5 << "5"
                            << "Data Bits set to \"5\"";
    QTest::newRow("data 7") << "data" << 7 << true << 7 << "7"
                            << "Data Bits set to \"7\"";
    QTest::newRow("data equal") << "data" << 8 << true << 8 << "8"
                                << "";
    QTest::newRow("data unknown") << "data" << -1 << false << 8 << "8"
                                  << "";
    // A value without a display text is stored; the text stays as it was.
    QTest::newRow("data 9 no text") << "data" << 9 << true << 9 << "8"
                                    << "Data Bits set to \"8\"";
    QTest::newRow("stop 1.5") << "stop" << 3 << true << 3 << "1.5"
                              << "Stop Bits set to \"1.5\"";
    QTest::newRow("stop 2") << "stop" << 2 << true << 2 << "2"
                            << "Stop Bits set to \"2\"";
    QTest::newRow("stop equal") << "stop" << 1 << true << 1 << "1"
                                << "";
    QTest::newRow("stop unknown") << "stop" << -1 << false << 1 << "1"
                                  << "";
    QTest::newRow("parity E") << "parity" << 2 << true << 2 << "E"
                              << "Parity set to \"E\"";
    QTest::newRow("parity O") << "parity" << 3 << true << 3 << "O"
                              << "Parity set to \"O\"";
    QTest::newRow("parity S") << "parity" << 4 << true << 4 << "S"
                              << "Parity set to \"S\"";
    QTest::newRow("parity M") << "parity" << 5 << true << 5 << "M"
                              << "Parity set to \"M\"";
    QTest::newRow("parity equal") << "parity" << 0 << true << 0 << "N"
                                  << "";
    QTest::newRow("parity unknown") << "parity" << -1 << false << 0 << "N"
                                    << "";
    QTest::newRow("flow RTS/CTS") << "flow" << 1 << true << 1 << "RTS/CTS flow control"
                                  << "Flow Control set to \"RTS/CTS flow control\"";
    QTest::newRow("flow XON/XOFF") << "flow" << 2 << true << 2 << "XON/XOFF flow control"
                                   << "Flow Control set to \"XON/XOFF flow control\"";
    QTest::newRow("flow equal") << "flow" << 0 << true << 0 << "No flow control"
                                << "";
    QTest::newRow("flow unknown") << "flow" << -1 << false << 0 << "No flow control"
                                  << "";
}

void Tst_qserial_io::enum_setters()
{
    QFETCH(QString, field);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    QFETCH(int, stored);
    QFETCH(QString, text);
    QFETCH(QString, log);

    QSerial_io io;
    captured.clear();
    const Enum_field f = enum_field(field);
    QCOMPARE(f.set(io, value), accepted);
    QCOMPARE(f.value(io.settings()), stored);
    QCOMPARE(f.text(io.settings()), text);
    QCOMPARE(debug_lines(), log.isEmpty() ? QStringList() : QStringList(log));
}

void Tst_qserial_io::configure_keeps_rejected_values()
{
    QSerial_io io;
    QSignalSpy changed(&io, &QSerial_io::settings_changed);
    QSerial_io::Port_settings wanted = io.settings();
    wanted.port_name = "COM7";
    wanted.baud_rate = 74; // refused: the old rate stays
    wanted.data_bits = QSerialPort::Data7;
    wanted.parity = QSerialPort::UnknownParity; // refused
    wanted.stop_bits = QSerialPort::TwoStop;
    wanted.flow_control = QSerialPort::SoftwareControl;
    captured.clear();
    invoke_configure(io, wanted);

    QCOMPARE(changed.count(), 1);
    QCOMPARE(io.settings().port_name, QString("COM7"));
    QCOMPARE(io.settings().baud_rate, 115200);
    QCOMPARE(io.settings().data_bits, QSerialPort::Data7);
    QCOMPARE(io.settings().parity, QSerialPort::NoParity);
    QCOMPARE(io.settings().stop_bits, QSerialPort::TwoStop);
    QCOMPARE(io.settings().flow_control, QSerialPort::SoftwareControl);
    QCOMPARE(debug_lines(),
             QStringList({"Data Bits set to \"7\"", "Flow Control set to \"XON/XOFF flow control\"",
                          "Stop Bits set to \"2\"", "\"COM7\" settings changed"}));
    QVERIFY(!io.is_open()); // configuring never opens
}

void Tst_qserial_io::port_list_sort_data()
{
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("COM10 COM2 ttyX")
        << QStringList{"COM10", "COM2", "ttyX"} << QStringList{"COM2", "COM10", "ttyX"};
    QTest::newRow("others keep system order") << QStringList{"ttyUSB1", "COM3", "ttyS0", "COM1"}
                                              << QStringList{"COM1", "COM3", "ttyUSB1", "ttyS0"};
    QTest::newRow("COM99 before others, COM101 meets the second other")
        << QStringList{"a", "b", "c", "COM101", "COM99"}
        << QStringList{"COM99", "a", "b", "COM101", "c"};
    QTest::newRow("not COM plus a number") << QStringList{"com3", "COM", "COM3x", "COM4"}
                                           << QStringList{"COM4", "com3", "COM", "COM3x"};
    QTest::newRow("equal keys keep both ports")
        << QStringList{"a", "COM100", "b"} << QStringList{"a", "COM100", "b"};
    QTest::newRow("repeated name listed once")
        << QStringList{"COM5", "COM5", "COM1"} << QStringList{"COM1", "COM5"};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void Tst_qserial_io::port_list_sort()
{
    QFETCH(QStringList, system);
    QFETCH(QStringList, sorted);
    QCOMPARE(QSerial_io::sort_port_names(system), sorted);
}

void Tst_qserial_io::signal_and_slot_order()
{
    // Owners connect by these signatures and in this order.
    const QMetaObject& mo = QSerial_io::staticMetaObject;
    QStringList signal_list;
    QStringList slot_list;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        const QMetaMethod m = mo.method(i);
        (m.methodType() == QMetaMethod::Signal ? signal_list : slot_list) << m.methodSignature();
    }
    QCOMPARE(signal_list,
             QStringList({"data_read(QByteArray)", "settings_changed()", "port_lost()"}));
    QCOMPARE(slot_list,
             QStringList({"_configure(vq_qt::QSerial_io::Port_settings)", "_read_data()",
                          "_write_data(QByteArray)", "_port_error(QSerialPort::SerialPortError)"}));
}

void Tst_qserial_io::open_and_exchange_bytes_data()
{
    QTest::addColumn<bool>("through_link");
    QTest::newRow("by device path") << false;
    QTest::newRow("by symbolic link") << true;
}

void Tst_qserial_io::open_and_exchange_bytes()
{
    QFETCH(bool, through_link);
    Pty_pair pty;
    QVERIFY(pty.valid());
    // Made after the pair, so removed before it: however the test ends, no
    // link is left naming a number the kernel may hand to another test.
    QTemporaryDir links;
    QVERIFY(links.isValid());
    QString path = pty.slave_path();
    if (through_link) {
        path = links.filePath("modem-line");
        QVERIFY(QFile::link(pty.slave_path(), path));
    }

    QSerial_io io;
    QSignalSpy read(&io, &QSerial_io::data_read);
    captured.clear();
    // A pseudo-terminal has no modem lines: lowering RTS fails there, the
    // open must not.
    QVERIFY(io.open(path));
    QVERIFY(io.is_open());
    QCOMPARE(io.settings().port_name, path);
    QCOMPARE(warnings(), QStringList());
    QCOMPARE(debug_lines().filter("RTS").size(), 1); // noted once, at debug level

    // Out: both write overloads and the slot.
    const QByteArray frame = QByteArray::fromHex("c67d0011223344");
    QCOMPARE(io.write(frame), qint64(frame.size()));
    QCOMPARE(io.write(QString::fromUtf8("grüß")), qint64(6));
    invoke_write_data(io, QByteArray("\x00\xff\r\n", 4));
    const QByteArray expected =
        frame + QString::fromUtf8("grüß").toUtf8() + QByteArray("\x00\xff\r\n", 4);
    QByteArray at_far_end;
    QTRY_COMPARE_WITH_TIMEOUT((at_far_end += pty.read_available()), expected, result_ms);

    // In: every byte arrives once, unchanged, in order.
    QByteArray sent;
    for (int i = 0; i < 2000; ++i) {
        sent.append(char(i * 7));
    }
    QVERIFY(pty.write_all(sent));
    auto joined = [&read] {
        QByteArray all;
        for (const auto& args : read) {
            all += args.at(0).toByteArray();
        }
        return all;
    };
    QTRY_COMPARE_WITH_TIMEOUT(joined(), sent, result_ms);
    int logged = 0;
    for (const QString& line : debug_lines()) {
        QRegularExpression re("^Read (\\d+) bytes$");
        const auto m = re.match(line);
        logged += m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    QCOMPARE(logged, sent.size());
    QCOMPARE(warnings(), QStringList());

    io.close();
    QVERIFY(!io.is_open());
    io.close(); // closing twice is harmless
}

void Tst_qserial_io::settings_applied_on_open_data()
{
    QTest::addColumn<qint32>("baud");
    QTest::addColumn<int>("data_bits");
    QTest::addColumn<int>("stop_bits");
    QTest::addColumn<int>("flow");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<uint>("speed");
    QTest::addColumn<bool>("cstopb");
    QTest::addColumn<bool>("crtscts");
    QTest::addColumn<bool>("ixon");

    QTest::newRow("115200 8N1") << 115200 << 8 << 1 << 0 << true << uint(B115200) << false << false
                                << false;
    QTest::newRow("9600 8N2") << 9600 << 8 << 2 << 0 << true << uint(B9600) << true << false
                              << false;
    QTest::newRow("57600 RTS/CTS")
        << 57600 << 8 << 1 << 1 << true << uint(B57600) << false << true << false;
    QTest::newRow("19200 XON/XOFF")
        << 19200 << 8 << 1 << 2 << true << uint(B19200) << false << false << true;
    // The pseudo-terminal refuses 7 data bits: configuring fails, the port closes.
    QTest::newRow("7 data bits refused")
        << 115200 << 7 << 1 << 0 << false << 0u << false << false << false;
}

void Tst_qserial_io::settings_applied_on_open()
{
    QFETCH(qint32, baud);
    QFETCH(int, data_bits);
    QFETCH(int, stop_bits);
    QFETCH(int, flow);
    QFETCH(bool, opens);
    QFETCH(uint, speed);
    QFETCH(bool, cstopb);
    QFETCH(bool, crtscts);
    QFETCH(bool, ixon);

    Pty_pair pty;
    QVERIFY(pty.valid());
    QSerial_io io;
    QVERIFY(io.set_baud_rate(baud));
    QVERIFY(io.set_data_bits(QSerialPort::DataBits(data_bits)));
    QVERIFY(io.set_stop_bits(QSerialPort::StopBits(stop_bits)));
    QVERIFY(io.set_flow_control(QSerialPort::FlowControl(flow)));
    captured.clear();

    QCOMPARE(io.open(pty.slave_path()), opens);
    QCOMPARE(io.is_open(), opens);
    if (!opens) {
        const QRegularExpression configuring("^Error Configuring Serial Port \".+\"$");
        QCOMPARE(warnings().filter(configuring).size(), 1);
        return;
    }
    QCOMPARE(warnings(), QStringList()); // RTS refused under RTS/CTS too: no warning
    const termios t = pty.slave_termios();
    QCOMPARE(uint(cfgetospeed(&t)), speed);
    QCOMPARE(bool(t.c_cflag & CSTOPB), cstopb);
    QCOMPARE(bool(t.c_cflag & CRTSCTS), crtscts);
    QCOMPARE(bool(t.c_iflag & IXON), ixon);
    // The getters read the port, not the stored record.
    QCOMPARE(io.baud_rate(), baud);
    QCOMPARE(int(io.stop_bits()), stop_bits);
    QCOMPARE(int(io.flow_control()), flow);
    QCOMPARE(io.data_bits(), QSerialPort::Data8);
    QCOMPARE(io.parity(), QSerialPort::NoParity);
}

void Tst_qserial_io::open_missing_device_fails()
{
    QSerial_io io;
    QSignalSpy lost(&io, &QSerial_io::port_lost);
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    const QString path = empty.filePath("no-such-device");
    captured.clear();
    QVERIFY(!io.open(path));
    QVERIFY(!io.is_open());
    QCOMPARE(io.settings().port_name, path); // the argument is kept even on failure
    QCOMPARE(warnings().filter(QRegularExpression("^Error Opening Setial Port \".+\"$")).size(), 1);
    // The port's own error report: one "Error:" line with code and text.
    QCOMPARE(warnings().filter(QRegularExpression("^Error: \\d+ \".+\"$")).size(), 1);
    QCOMPARE(lost.count(), 0);
    QCOMPARE(io.write(QByteArray("x")), qint64(0));
}

void Tst_qserial_io::reopen_replaces_open_port()
{
    Pty_pair first;
    Pty_pair second;
    QVERIFY(first.valid() && second.valid());
    QSerial_io io;
    QVERIFY(io.open(first.slave_path()));
    QVERIFY(io.open(second.slave_path()));
    QCOMPARE(io.settings().port_name, second.slave_path());
    QCOMPARE(io.write(QByteArray("abc")), qint64(3));
    QByteArray got;
    QTRY_COMPARE_WITH_TIMEOUT((got += second.read_available()), QByteArray("abc"), result_ms);
    QCOMPARE(first.read_available(), QByteArray());
    QCOMPARE(warnings(), QStringList());
}

void Tst_qserial_io::closed_port_drops_writes()
{
    Pty_pair pty;
    QVERIFY(pty.valid());
    QSerial_io io;
    // Never opened, then opened and closed again: the same silent drop.
    for (int round = 0; round < 2; ++round) {
        captured.clear();
        QCOMPARE(io.write(QByteArray("lost")), qint64(0));
        QCOMPARE(io.write(QString("lost")), qint64(0));
        invoke_write_data(io, QByteArray("lost"));
        QVERIFY(captured.isEmpty());
        QVERIFY(io.open(pty.slave_path()));
        io.close();
    }
    QCOMPARE(pty.read_available(), QByteArray());
}

void Tst_qserial_io::close_drops_what_the_line_does_not_take()
{
    // The far end reads nothing: the close gives up and counts what it dropped.
    Pty_pair pty;
    QSerial_io io;
    QVERIFY(io.open(pty.slave_path()));
    captured.clear();
    QCOMPARE(io.write(QByteArray(1 << 20, 'q')), qint64(1 << 20));
    io.close();
    const int dropped = (1 << 20) - pty.read_available().size();
    QCOMPARE(warnings(), QStringList(QString("%1 bytes not taken by %2 within 200 ms were dropped "
                                             "at its close")
                                         .arg(dropped)
                                         .arg(pty.slave_path())));
}

void Tst_qserial_io::far_end_closed_data()
{
    QTest::addColumn<int>("bytes_before");
    QTest::addColumn<int>("unwritten"); // handed to the port as the line goes
    QTest::newRow("idle line") << 0 << 0;
    QTest::newRow("after traffic") << 300 << 0;
    QTest::newRow("bytes waiting to be written") << 0 << 7;
}

void Tst_qserial_io::far_end_closed()
{
    QFETCH(int, bytes_before);
    QFETCH(int, unwritten);
    auto pty = std::make_unique<Pty_pair>();
    QVERIFY(pty->valid());
    QSerial_io io;
    QSignalSpy lost(&io, &QSerial_io::port_lost);
    QSignalSpy read(&io, &QSerial_io::data_read);
    QVERIFY(io.open(pty->slave_path()));
    if (bytes_before > 0) {
        QVERIFY(pty->write_all(QByteArray(bytes_before, 'x')));
        QTRY_VERIFY_WITH_TIMEOUT(!read.isEmpty(), result_ms);
    }
    captured.clear();

    const QString path = pty->slave_path();
    if (unwritten > 0) {
        QCOMPARE(io.write(QByteArray(unwritten, 'w')), qint64(unwritten)); // not yet flushed
    }
    pty->close_master();
    QVERIFY(lost.wait(result_ms));
    QVERIFY(!io.is_open());
    // A quiet window, not a wait for a result: a storm of repeated errors
    // would show itself within it.
    QTest::qWait(100);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(warnings().size(), unwritten > 0 ? 2 : 1);
    QVERIFY2(warnings().first().startsWith("Serial Port Lost \"" + path + "\""),
             qPrintable(warnings().first()));
    if (unwritten > 0) {
        QCOMPARE(warnings().last(),
                 QString("%1 bytes not yet written to the line were lost with it").arg(unwritten));
    }

    // The wrapper is reusable: a fresh line opens and carries bytes.
    Pty_pair fresh;
    QVERIFY(io.open(fresh.slave_path()));
    QCOMPARE(io.write(QByteArray("again")), qint64(5));
    QByteArray got;
    QTRY_COMPARE_WITH_TIMEOUT((got += fresh.read_available()), QByteArray("again"), result_ms);
    QCOMPARE(lost.count(), 1);
}

void Tst_qserial_io::owner_close_during_loss_is_quiet()
{
    // The owner closes the port itself before the lost line is dropped (here
    // at the moment of the warning): no port_lost for a port it has let go.
    Pty_pair pty;
    QVERIFY(pty.valid());
    QSerial_io io;
    QSignalSpy lost(&io, &QSerial_io::port_lost);
    QVERIFY(io.open(pty.slave_path()));
    captured.clear();
    on_warning = [&io] { io.close(); };
    pty.close_master();
    QTRY_VERIFY_WITH_TIMEOUT(!warnings().isEmpty(), result_ms);
    on_warning = nullptr;
    QTest::qWait(50); // quiet window: a late port_lost would arrive within it
    QVERIFY(!io.is_open());
    QCOMPARE(lost.count(), 0);
    QCOMPARE(warnings().size(), 1);
}

QTEST_GUILESS_MAIN(Tst_qserial_io)
#include "tst_qserial_io.moc"
