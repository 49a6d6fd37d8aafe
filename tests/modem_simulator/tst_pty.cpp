// talvane-modem-sim driven over its real pseudo-terminal by a client built
// from the protocol stack.
#include "pty_pair.h"
#include "sim_client.h"
#include "sim_messages.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace vq_sim;

Q_DECLARE_METATYPE(vq_sim::Bytes)

namespace {

constexpr std::uint32_t id_rx_status = 0x000300B0, id_register = 0x012C0005;

} // namespace

class Tst_pty : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void booting_then_ready();
    void initialisation_requests_answered_data();
    void initialisation_requests_answered();
    void settings_round_trip_and_refusal();
    void indications_reach_only_registered_peers();
    void reset_reboots_and_clears_registrations();
    void faults_on_demand_data();
    void faults_on_demand();
    void garbage_and_chunks_do_not_lose_replies();
    void console_reopening_the_port_is_served();
    void new_pair_behind_the_same_link();
    void slave_left_locked_is_replaced();
    void device_mode_serves_an_existing_line();
    void settings_survive_save_and_restart();
    void loopback_carries_a_megabyte_with_flow_control();
    void data_from_modem_held_while_disabled();
    void ale_call_over_the_line_data();
    void ale_call_over_the_line();

private:
    Sim_process _shared;
    Line_client _client;
};

void Tst_pty::initTestCase()
{
    QVERIFY(QFileInfo::exists(simulator_path()));
    const QString device = _shared.launch({"--pty", "--boot-ms", QString::number(scaled(100))});
    QVERIFY2(device.startsWith("/dev/pts/"), qPrintable(device + _shared.errors));
    QVERIFY(_client.open(device));
    QVERIFY(_client.wait_ready());
}

void Tst_pty::cleanupTestCase()
{
    QVERIFY(_shared.stop());
}

void Tst_pty::booting_then_ready()
{
    Sim_process sim;
    const QString device = sim.launch({"--boot-ms", QString::number(scaled(1000))});
    Line_client c;
    QVERIFY(c.open(device));
    QCOMPARE(c.startup_status(), 2);
    QVERIFY(sim.status().contains("\"state\":\"booting\""));
    // Nothing else is answered while booting.
    QVERIFY(!c.ask(0x000300AB, {}, 100));
    QVERIFY(c.wait_ready());
    QVERIFY(sim.status().contains("\"state\":\"ready\""));
    // An unprompted restart boots again.
    QVERIFY(sim.command_done("reboot"));
    QCOMPARE(c.startup_status(), 2);
    QVERIFY(c.wait_ready());
    QVERIFY(sim.status().contains("\"boots\":2"));
}

void Tst_pty::initialisation_requests_answered_data()
{
    QTest::addColumn<quint32>("id");
    QTest::addColumn<Bytes>("payload");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("system mode 2") << 0x000300AAu << Bytes{2} << 58001 << 0 << 0;
    QTest::newRow("duplex 1") << 0x0003002Bu << Bytes{1} << 58001 << 0 << 0;
    QTest::newRow("key to tx delay") << 0x00020005u << Bytes{1, 0, 150} << 58001 << 0 << 0;
    QTest::newRow("tx to unkey delay") << 0x00020007u << Bytes{1, 0, 45} << 58001 << 0 << 0;
    QTest::newRow("upload mode 2") << 0x000A0018u << Bytes{2} << 58001 << 0 << 0;
    QTest::newRow("software version 20") << 0x18u << Bytes{20} << 58001 << 3 << -1;
    QTest::newRow("ota settings 1") << 0x0003000Au << Bytes{1} << 58001 << 3 << 6;
    QTest::newRow("deacquire limit") << 0x00030028u << Bytes{} << 58001 << 3 << 1;
    QTest::newRow("tx audio level 1") << 0x00020002u << Bytes{1} << 58001 << 3 << 3;
    QTest::newRow("dte port mode") << 0x00010002u << Bytes{} << 58001 << 3 << 1;
    QTest::newRow("async settings") << 0x00010020u << Bytes{} << 58001 << 3 << 4;
    QTest::newRow("async flow control") << 0x0001000Cu << Bytes{} << 58001 << 3 << 1;
    QTest::newRow("radio select 1") << 0x000D001Au << Bytes{1} << 58001 << 3 << -1;
    QTest::newRow("tune times") << 0x000D002Eu << Bytes{} << 58001 << 3 << 8;
    QTest::newRow("fixed frequency") << 0x000D0002u << Bytes{} << 58001 << 3 << 13;
    QTest::newRow("rx audio level") << 0x02BC0018u << Bytes{} << 58001 << 3 << 8;
    QTest::newRow("register autobaud") << id_register << register_for(0x000300AD) << 3 << 0 << 0;
    QTest::newRow("register tx status") << id_register << register_for(0x000300B1) << 2 << 0 << 0;
    QTest::newRow("register rx status") << id_register << register_for(0x000300B0) << 3 << 0 << 0;
    QTest::newRow("register lqa") << id_register << register_for(0x000300AC) << 3 << 0 << 0;
    QTest::newRow("register rcm status")
        << id_register << register_for(0x000D0018) << 104 << 0 << 0;
    QTest::newRow("register occupancy") << id_register << register_for(0x00120002) << 3 << 0 << 0;
    QTest::newRow("register ale report") << id_register << register_for(0x000B0006) << 5 << 0 << 0;
    QTest::newRow("buzzer to 258:710") << 0x01F40036u << Bytes(9, 1) << -710 << 0 << 0;
    QTest::newRow("gpp test result on port 20") << 0x02BC0024u << Bytes{} << 20 << 3 << -1;
}

void Tst_pty::initialisation_requests_answered()
{
    QFETCH(quint32, id);
    QFETCH(Bytes, payload);
    QFETCH(int, port);
    QFETCH(int, type);
    QFETCH(int, size);
    const std::uint32_t address = port < 0 ? 258 : 0xC0A80000;
    const std::uint16_t to_port = static_cast<std::uint16_t>(port < 0 ? -port : port);
    const std::uint8_t tr =
        _client.a.send_message({address, to_port}, id, 0, TYPE_REQUEST, payload);
    QVERIFY(tr != 0);
    const auto r = _client.reply(id, tr);
    QVERIFY(r);
    QCOMPARE(int(r->type), type);
    QCOMPARE(r->destination, (Peer{0xC0A8000D, 880}));
    QCOMPARE(r->source, (Peer{address, to_port}));
    if (size >= 0) {
        QCOMPARE(int(r->payload.size()), size);
    } else {
        QVERIFY(r->payload.size() >= 2);
    }
}

void Tst_pty::settings_round_trip_and_refusal()
{
    const Bytes ota{3, 0x11, 2, 6, 9, 1};
    auto r = _client.ask(0x00030009, ota);
    QVERIFY(r);
    QCOMPARE(r->type, std::uint8_t(TYPE_ACK));
    r = _client.ask(0x0003000A, {2});
    QVERIFY(r);
    QCOMPARE(r->payload, (Bytes{2, 0x11, 2, 6, 9, 1}));
    r = _client.ask(0x00030009, {3, 0x11, 2, 4, 18, 1}); // 110A does not offer 9600
    QVERIFY(r);
    QCOMPARE(r->type, std::uint8_t(TYPE_NACK));
    QCOMPARE(get_u32(r->payload, 0), 133u);
    QVERIFY(_shared.status().contains("\"data_rate\":9"));
}

void Tst_pty::indications_reach_only_registered_peers()
{
    Sim_process sim;
    Line_client c;
    QVERIFY(c.open(sim.launch({"--boot-ms", "50"})));
    QVERIFY(c.wait_ready());
    const std::uint8_t tr = c.request(id_register, register_for(id_rx_status), 3);
    QCOMPARE(c.reply(id_register, tr)->type, std::uint8_t(TYPE_ACK));
    QVERIFY(sim.command_done("signal on"));
    QTRY_VERIFY_WITH_TIMEOUT(c.received(id_rx_status).size() >= 2, scaled(3000));
    for (const Frame_info& f : c.received(id_rx_status)) {
        QCOMPARE(f.destination.port, std::uint16_t(880));
        QCOMPARE(f.source.port, std::uint16_t(3));
    }
    QTRY_VERIFY_WITH_TIMEOUT(sim.status().contains("\"registrations\":1"), scaled(1000));
    // The second peer registers for link quality and only it gets them: the
    // first one, registered for nothing but the receive status, gets none.
    const std::uint8_t tr2 = c.request(id_register, register_for(0x000300AC), 3, true);
    QVERIFY(tr2 != 0);
    QTRY_VERIFY_WITH_TIMEOUT(c.received(0x000300AC).size() >= 1, scaled(3000));
    QCOMPARE(c.received(0x000300AC).size(), c.received(0x000300AC, 881).size());
    // Unregistering everything stops the indications to the first peer.
    c.a.send_message({0xC0A80000, 58001}, 0x012C0009, 0, TYPE_INDICATION, {});
    QTRY_VERIFY_WITH_TIMEOUT(sim.status().contains("\"registrations\":1"), scaled(1000));
    const std::size_t before = c.received(id_rx_status).size();
    QVERIFY(sim.command_done("signal off"));
    QVERIFY(sim.status().contains("\"rx_status\":\"HUNT\""));
    QVERIFY(c.drained());
    QCOMPARE(c.received(id_rx_status).size(), before);
}

void Tst_pty::reset_reboots_and_clears_registrations()
{
    Sim_process sim;
    Line_client c;
    QVERIFY(c.open(sim.launch({"--boot-ms", QString::number(scaled(1000))})));
    QVERIFY(c.wait_ready());
    c.reply(id_register, c.request(id_register, register_for(id_rx_status), 3));
    QTRY_VERIFY_WITH_TIMEOUT(sim.status().contains("\"registrations\":1"), scaled(1000));
    const auto ack = c.ask(0x01, {1});
    QVERIFY(ack);
    QCOMPARE(ack->type, std::uint8_t(TYPE_ACK));
    QTRY_VERIFY_WITH_TIMEOUT(sim.status().contains("\"boots\":2"), scaled(1000));
    QCOMPARE(c.startup_status(), 2);
    QVERIFY(c.wait_ready());
    QVERIFY(sim.status().contains("\"registrations\":0"));
    // The receiver reaches the signal, and tells nobody.
    QVERIFY(sim.command_done("signal on"));
    QTRY_VERIFY_WITH_TIMEOUT(sim.status().contains("\"rx_status\":\"RECEIVE\""), scaled(3000));
    QVERIFY(c.drained());
    QCOMPARE(c.received(id_rx_status).size(), std::size_t(0));
}

void Tst_pty::faults_on_demand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("undo");
    QTest::addColumn<int>("expect"); // -1 no answer, else the NACK reason, 0 answered
    QTest::newRow("hang") << "hang"
                          << "resume" << -1;
    QTest::newRow("nack") << "nack 0x00030028 131"
                          << "nack clear" << 131;
    QTest::newRow("nack by name") << "nack Tac1_msg_psk_modem_deaquire_limit_get 140"
                                  << "nack clear" << 140;
    QTest::newRow("silence") << "silence 0x00030028"
                             << "silence clear" << -1;
    QTest::newRow("drop all") << "drop 100"
                              << "drop 0" << -1;
    QTest::newRow("corrupt every byte") << "corrupt 100"
                                        << "corrupt 0" << -1;
    QTest::newRow("delay") << "delay " + QString::number(scaled(1000)) << "delay 0" << -2;
}

void Tst_pty::faults_on_demand()
{
    QFETCH(QString, command);
    QFETCH(QString, undo);
    QFETCH(int, expect);
    QVERIFY(_shared.command_done(command));
    const std::uint8_t tr = _client.request(0x00030028, {});
    const auto r = _client.reply(0x00030028, tr, 250);
    if (expect < 0) {
        QVERIFY(!r);
    } else {
        QVERIFY(r);
        QCOMPARE(r->type, std::uint8_t(TYPE_NACK));
        QCOMPARE(get_u32(r->payload, 0), std::uint32_t(expect));
    }
    if (expect == -2) {
        QVERIFY(_client.reply(0x00030028, tr, 2000)); // late, but there
    }
    QVERIFY(_shared.command_done(undo));
    const auto after = _client.ask(0x00030028, {});
    QVERIFY(after);
    QCOMPARE(after->type, std::uint8_t(TYPE_RESPONSE));
}

void Tst_pty::garbage_and_chunks_do_not_lose_replies()
{
    _shared.command("garbage 100");
    QVERIFY(_shared.command_done("chunks on"));
    std::vector<std::uint8_t> sent;
    for (int i = 0; i < 20; ++i) {
        sent.push_back(_client.request(0x18, {std::uint8_t(i)}));
    }
    for (int i = 0; i < 20; ++i) {
        const auto r = _client.reply(0x18, sent[i], 3000);
        QVERIFY(r);
        QCOMPARE(r->payload[0], std::uint8_t(i));
    }
    _shared.command("garbage 0");
    QVERIFY(_shared.command_done("chunks off"));
    QCOMPARE(_client.startup_status(), 1);
}

void Tst_pty::console_reopening_the_port_is_served()
{
    const QString device = _client.port.portName();
    for (int round = 0; round < 3; ++round) {
        _client.close();
        QTRY_VERIFY_WITH_TIMEOUT(_shared.status().contains("\"attached\":false"), scaled(1000));
        QVERIFY(_client.open(device));
        QTRY_VERIFY_WITH_TIMEOUT(_shared.status().contains("\"attached\":true"), scaled(1000));
        QCOMPARE(_client.startup_status(), 1);
    }
}

void Tst_pty::new_pair_behind_the_same_link()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("modem-link");
    Sim_process sim;
    const QString first = sim.launch({"--link", link, "--boot-ms", "50"});
    QCOMPARE(QFileInfo(link).symLinkTarget(), first);
    QVERIFY(sim.command_done("new-pty"));
    QVERIFY(QFileInfo(link).symLinkTarget() != first);
    Line_client c;
    QVERIFY(c.open(link));
    QVERIFY(c.wait_ready());
    QVERIFY(sim.stop());
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void Tst_pty::slave_left_locked_is_replaced()
{
    // A console that dies holding the port leaves the slave locked against
    // ordinary users; root is not held back by the lock, so the simulator
    // runs as nobody when the test runs as root.
    QStringList wrapper;
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable("setpriv").isEmpty()) {
            QSKIP("setpriv is needed to run the simulator as an ordinary user");
        }
        wrapper = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther));
    const QString link = dir.filePath("modem-link");
    Sim_process sim;
    const QString first = sim.launch({"--link", link, "--boot-ms", "50"}, wrapper);
    if (!first.startsWith("/dev/pts/")) {
        QSKIP(qPrintable("the simulator did not start as an ordinary user: " + sim.errors));
    }
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), scaled(1000));
    const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QCOMPARE(::ioctl(fd, TIOCEXCL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(sim.status().contains("\"attached\":true"), scaled(1000));
    ::close(fd); // as a dying process does: the lock stays on the slave
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).symLinkTarget() != first, scaled(2000));
    QVERIFY(sim.errors.contains("cannot be opened again"));
    Line_client c;
    QVERIFY(c.open(link));
    QVERIFY(c.wait_ready());
}

void Tst_pty::device_mode_serves_an_existing_line()
{
    // A pseudo-terminal made here stands in for a serial adapter: the
    // simulator opens its slave as a device, the client talks on the master.
    // The slave is opened here only without becoming this process's
    // controlling terminal.
    // The master is non-blocking: the read below runs from a notifier that
    // also fires on hang-up.
    Pty_pair pty;
    QVERIFY(pty.valid());
    const int master = pty.master();
    const QString name = pty.slave_path();
    Tac1_node client(0xC0A8000D, 880);
    std::vector<Frame_info> frames;
    client.write = [master](const Bytes& f) {
        QCOMPARE(::write(master, f.data(), f.size()), ssize_t(f.size()));
    };
    client.on_frame = [&frames](const Frame_info& f) {
        if (!f.outgoing) {
            frames.push_back(f);
        }
    };
    QSocketNotifier notifier(master, QSocketNotifier::Read);
    connect(&notifier, &QSocketNotifier::activated, this, [&] {
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            client.receive(buffer, std::size_t(n));
        }
    });
    Sim_process sim;
    QCOMPARE(sim.launch({"--device", name, "--boot-ms", "0"}), name);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            // Asked again at every try; earlier answers count.
            for (const Frame_info& f : frames) {
                if (f.identifier == 0x9E && f.type == TYPE_RESPONSE && f.payload == Bytes{1}) {
                    return true;
                }
            }
            client.send_message({0xC0A80000, 58001}, 0x9E, 0, TYPE_REQUEST, {});
            return false;
        }(),
        scaled(3000));
    QVERIFY(sim.stop());
}

void Tst_pty::settings_survive_save_and_restart()
{
    QTemporaryDir dir;
    const QString state = dir.filePath("nvm.ini");
    {
        Sim_process sim;
        Line_client c;
        QVERIFY(c.open(sim.launch({"--boot-ms", "50", "--state", state})));
        QVERIFY(c.wait_ready());
        QCOMPARE(c.ask(0x00030009, {3, 0x1A, 1, 1, 19, 1})->type, std::uint8_t(TYPE_ACK));
        Bytes radio{1};
        put_counted(radio, "Icom IC-F8101");
        QCOMPARE(c.ask(0x000D0019, radio)->type, std::uint8_t(TYPE_ACK));
        QCOMPARE(c.ask(0x00030027, {1})->type, std::uint8_t(TYPE_ACK));
        QCOMPARE(c.ask(0x9B, {})->type, std::uint8_t(TYPE_ACK));
        QCOMPARE(c.ask(0x00030027, {3})->type, std::uint8_t(TYPE_ACK)); // not saved
    }
    Sim_process sim;
    Line_client c;
    QVERIFY(c.open(sim.launch({"--boot-ms", "50", "--state", state})));
    QVERIFY(c.wait_ready());
    QCOMPARE(c.ask(0x0003000A, {1})->payload, (Bytes{1, 0x1A, 1, 1, 19, 1}));
    QCOMPARE(get_text(c.ask(0x000D001A, {1})->payload, 2, 13), std::string("Icom IC-F8101"));
    QCOMPARE(c.ask(0x00030028, {})->payload, Bytes{1});
}

namespace {

// User data in the console's way: 200-byte messages, paused while the modem
// has signalled flow stop. False if the modem never lets it go on.
bool send_following_flow(Line_client& c, const QByteArray& data, int* stops = nullptr)
{
    bool stopped = false;
    std::size_t seen = 0;
    int offset = 0;
    while (offset < data.size()) {
        for (; seen < c.frames.size(); ++seen) {
            if (c.frames[seen].identifier == 0x000A0003) {
                stopped = true;
                if (stops != nullptr) {
                    ++*stops;
                }
            } else if (c.frames[seen].identifier == 0x000A0005) {
                stopped = false;
            }
        }
        if (stopped) {
            if (!QTest::qWaitFor([&] { return c.frames.size() > seen; }, scaled(5000))) {
                return false;
            }
            continue;
        }
        const int n = std::min(200, int(data.size()) - offset);
        Bytes p;
        put_u16(p, static_cast<std::uint16_t>(n));
        p.insert(p.end(), data.begin() + offset, data.begin() + offset + n);
        if (c.request(0x000A0001, p) == 0) {
            return false;
        }
        offset += n;
        if (offset % 4000 == 0) {
            QCoreApplication::processEvents();
        }
    }
    return true;
}

// The user data of every data-from-modem message so far, in order.
QByteArray data_from_modem(const Line_client& c)
{
    QByteArray got;
    for (const Frame_info& f : c.received(0x000A0007)) {
        const std::size_t n = get_u16(f.payload, 0);
        got.append(reinterpret_cast<const char*>(f.payload.data() + 2), int(n));
    }
    return got;
}

QByteArray test_data(int size)
{
    QByteArray data;
    data.reserve(size);
    for (int i = 0; i < size; ++i) {
        data.append(static_cast<char>((i * 131 + i / 256) & 0xFF));
    }
    return data;
}

} // namespace

void Tst_pty::loopback_carries_a_megabyte_with_flow_control()
{
    Sim_process sim;
    Line_client c;
    QVERIFY(
        c.open(sim.launch({"--boot-ms", "50", "--loopback", "--air-speed", "2000000",
                           "--air-delay-ms", "50", "--high-mark", "8000", "--low-mark", "2000"})));
    QVERIFY(c.wait_ready());
    QCOMPARE(c.ask(0x000A000D, {})->type, std::uint8_t(TYPE_ACK));
    const QByteArray data = test_data(1024 * 1024);
    int stops = 0;
    QVERIFY(send_following_flow(c, data, &stops));
    QVERIFY(stops >= 1);
    QTRY_VERIFY_WITH_TIMEOUT(data_from_modem(c).size() >= data.size(), scaled(30000));
    QVERIFY(data_from_modem(c) == data);
    const auto acks = c.received(0x000A0001);
    QCOMPARE(acks.size(), std::size_t(data.size() + 199) / 200);
    for (const Frame_info& f : acks) {
        QCOMPARE(f.type, std::uint8_t(TYPE_ACK)); // none refused
    }
}

void Tst_pty::data_from_modem_held_while_disabled()
{
    Sim_process sim;
    Line_client c;
    QVERIFY(c.open(
        sim.launch({"--boot-ms", "50", "--loopback", "--air-speed", "20000", "--air-delay-ms", "20",
                    "--hold-limit", "4000", "--high-mark", "30000"})));
    QVERIFY(c.wait_ready());
    QCOMPARE(c.ask(0x000A000D, {})->type, std::uint8_t(TYPE_ACK));
    const QByteArray data = test_data(30000);
    QVERIFY(send_following_flow(c, data.left(10000)));
    QTRY_VERIFY_WITH_TIMEOUT(!c.received(0x000A0007).empty(), scaled(3000));
    // Disabled while receiving: not one message after the acknowledgement.
    const std::uint8_t tr = c.request(0x000A000F, {});
    QVERIFY(tr != 0);
    QVERIFY(c.reply(0x000A000F, tr));
    std::size_t ack_at = 0;
    while (!(c.frames[ack_at].identifier == 0x000A000F && c.frames[ack_at].transaction == tr)) {
        ++ack_at;
    }
    QVERIFY(send_following_flow(c, data.mid(10000)));
    // The transmitter waits once about 4000 bytes are held.
    QTRY_VERIFY_WITH_TIMEOUT(sim.status().contains(QRegularExpression("\"held\":[4-5]\\d\\d\\d,")),
                             scaled(5000));
    QVERIFY(c.drained());
    for (std::size_t i = ack_at; i < c.frames.size(); ++i) {
        QVERIFY(c.frames[i].identifier != 0x000A0007);
    }
    // Enabled again: everything, in order.
    QCOMPARE(c.ask(0x000A000D, {})->type, std::uint8_t(TYPE_ACK));
    QTRY_VERIFY_WITH_TIMEOUT(data_from_modem(c).size() >= data.size(), scaled(10000));
    QVERIFY(data_from_modem(c) == data);
}

void Tst_pty::ale_call_over_the_line_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QList<int>>("events");
    QTest::newRow("linked") << "linked" << QList<int>{1, 82, 13, 4};
    QTest::newRow("rejected") << "rejected" << QList<int>{25, 14};
}

void Tst_pty::ale_call_over_the_line()
{
    QFETCH(QString, scenario);
    QFETCH(QList<int>, events);
    Sim_process sim;
    Line_client c;
    QVERIFY(
        c.open(sim.launch({"--boot-ms", "50", "--ale-step-ms", "60", "--ale-scenario", scenario})));
    QVERIFY(c.wait_ready());
    c.reply(id_register, c.request(id_register, register_for(0x000B0006), 5));
    // A call before enabling is refused.
    auto r = c.ask(0x00060007, {1});
    QCOMPARE(r->type, std::uint8_t(TYPE_NACK));
    QCOMPARE(get_u32(r->payload, 0), 37u);
    // The console's configuration sequence.
    Bytes scan{0};
    put_text(scan, "ALESCANPOOL", 15);
    scan.resize(29, 0xFF);
    Bytes self{0};
    put_text(self, "ALPHA", 15);
    put_text(self, "ALPHA", 15);
    self.resize(57, 0);
    Bytes other{1};
    put_text(other, "BRAVO", 15);
    put_text(other, "BRAVO", 15);
    other.resize(57, 0);
    const std::pair<std::uint32_t, Bytes> steps[] = {
        {0x000300AA, {3}},  {0x0004000F, {8}},   {0x00040009, scan},
        {0x0004007F, self}, {0x0004007F, other}, {0x00050005, {0, 180}},
        {0x0005000F, {2}},  {0x00050001, {2}},   {0x00060005, {1, 1, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}},
        {0x00060007, {1}},
    };
    for (const auto& [id, payload] : steps) {
        r = c.ask(id, payload);
        QVERIFY(r);
        QCOMPARE(r->type, std::uint8_t(TYPE_ACK));
    }
    QTRY_VERIFY_WITH_TIMEOUT(c.received(0x000B0006).size() >= std::size_t(events.size()),
                             scaled(3000));
    QList<int> got;
    for (const Frame_info& f : c.received(0x000B0006)) {
        // A link is reported as the outgoing call's (4) or the engine's new state (80).
        got << (f.payload[0] == 80 ? 4 : f.payload[0]);
        QCOMPARE(f.source.port, std::uint16_t(5));
        QCOMPARE(get_text(f.payload, 7, f.payload[6]), std::string("BRAVO"));
        QCOMPARE(f.destination.port, std::uint16_t(880));
    }
    QCOMPARE(got, events);
}

QTEST_GUILESS_MAIN(Tst_pty)
#include "tst_pty.moc"
