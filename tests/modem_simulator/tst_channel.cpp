// Simulated modems on one channel: what crosses the air between their engines
// on one hand-driven clock, and the sockets through which the programs share it.
#include "engine_fixture.h"
#include "sim_channel.h"
#include "sim_client.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <random>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vq_sim;

namespace {

constexpr std::uint32_t id_autobaud = 0x000300AD, id_rx_status = 0x000300B0,
                        id_flow_stop = 0x000A0003, id_flow_start = 0x000A0005,
                        id_from_modem = 0x000A0007, id_ale_report = 0x000B0006,
                        id_occupancy = 0x00120002;

Engine_options on_a_channel()
{
    Engine_options o;
    o.air_delay_ms = 20;
    return o;
}

// A modem whose transmissions every other station hears.
struct Station : Engine_fixture, Air_link
{
    Station(Sim_scheduler& clock, std::vector<std::unique_ptr<Station>>& air, std::uint32_t number)
        : Engine_fixture(on_a_channel(), {}, &clock), air(air), number(number)
    {
        engine->set_air_link(this);
        request(0x000A000D, {}); // data from the modem enabled
    }
    // Each frame goes as the datagram the channel carries.
    void transmit(const Air_frame& frame) override
    {
        const Bytes datagram = encode_air_frame(number, frame);
        std::uint32_t sender = 0;
        Air_frame heard;
        QVERIFY(decode_air_frame(datagram.data(), datagram.size(), sender, heard));
        for (const auto& other : air) {
            if (other.get() != this) {
                other->engine->hear(sender, heard);
            }
        }
    }
    void send(const Bytes& data)
    {
        for (std::size_t at = 0; at < data.size(); at += 200) {
            const std::size_t n = std::min<std::size_t>(200, data.size() - at);
            Bytes m;
            put_u16(m, static_cast<std::uint16_t>(n));
            m.insert(m.end(), data.begin() + static_cast<long>(at),
                     data.begin() + static_cast<long>(at + n));
            QCOMPARE(request(0x000A0001, m).front().type, std::uint8_t(TYPE_ACK));
        }
    }
    // ALE enabled with this self address, as the console does it.
    void enable_ale(const std::string& self)
    {
        QCOMPARE(request(0x000300AA, {3}).front().type, std::uint8_t(TYPE_ACK));
        set_address(0, self);
        QCOMPARE(request(0x00050001, {2}).front().type, std::uint8_t(TYPE_ACK));
    }
    void set_address(std::uint8_t entry, const std::string& address)
    {
        Bytes p{entry};
        put_text(p, address, 15);
        put_text(p, address, 15);
        p.resize(57, 0);
        QCOMPARE(request(0x0004007F, p).front().type, std::uint8_t(TYPE_ACK));
    }
    void call(const std::string& other)
    {
        set_address(1, other);
        QCOMPARE(request(0x00060005, {1, 1, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}).front().type,
                 std::uint8_t(TYPE_ACK));
        QCOMPARE(request(0x00060007, {1}).front().type, std::uint8_t(TYPE_ACK));
    }
    // The events of the ALE reports, a link by an outgoing call always as 4.
    std::vector<int> ale_events() const
    {
        std::vector<int> out;
        for (const Sent& s : all(id_ale_report)) {
            out.push_back(s.payload[0] == 80 ? 4 : s.payload[0]);
        }
        return out;
    }
    QJsonObject air_status() const
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(engine->status_json()))
            .object()["air"]
            .toObject();
    }
    std::vector<std::unique_ptr<Station>>& air;
    std::uint32_t number;
};

Bytes random_bytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes out(n);
    for (std::uint8_t& b : out) {
        b = static_cast<std::uint8_t>(rng());
    }
    return out;
}

} // namespace

class Tst_channel : public QObject
{
    Q_OBJECT

private slots:
    void stations_on_one_channel_data();
    void stations_on_one_channel();
    void programs_share_a_channel();
    void ale_between_stations_data();
    void ale_between_stations();
};

void Tst_channel::stations_on_one_channel_data()
{
    QTest::addColumn<int>("stations");
    QTest::addColumn<QString>("air");    // settings of every station, "KEY=V[:V] ..."
    QTest::addColumn<QByteArray>("ota"); // the first station's over-the-air settings
    QTest::addColumn<int>("a_bytes");    // given to the first station at 0 ms
    QTest::addColumn<int>("b_bytes");    // and to the second at b_at ms
    QTest::addColumn<int>("b_at");
    // What the last station gets of the first one's data: all, none, gaps
    // (whole blocks dropped) or head (all up to a point).
    QTest::addColumn<QString>("heard");
    QTest::addColumn<int>("collisions"); // counted by the last station
    QTest::addColumn<int>("first_ms");   // first and last byte there (-1: any time)
    QTest::addColumn<int>("last_ms");
    const QByteArray bps9600 = QByteArray::fromHex("031a02041201");
    const QByteArray bps2400 = QByteArray::fromHex("031102060b01");
    // 150 ms key-up delay, then a block every 50 ms; arrival after the delay.
    QTest::newRow("9600 bps, 20 ms")
        << 2 << "" << bps9600 << 1200 << 0 << 0 << "all" << 0 << 170 << 1120;
    QTest::newRow("2400 bps, 500 ms")
        << 2 << "delay=500" << bps2400 << 600 << 0 << 0 << "all" << 0 << 650 << 2600;
    QTest::newRow("flow stop and start")
        << 2 << "" << bps9600 << 10000 << 0 << 0 << "all" << 0 << 170 << 8470;
    QTest::newRow("bit errors drop blocks")
        << 2 << "ber=1e-3" << bps9600 << 6000 << 0 << 0 << "gaps" << 0 << -1 << -1;
    QTest::newRow("fades drop blocks")
        << 2 << "fade=1000:300" << bps9600 << 6000 << 0 << 0 << "gaps" << 0 << -1 << -1;
    QTest::newRow("turns: the reply after the end")
        << 2 << "" << bps9600 << 1200 << 300 << 3000 << "all" << 0 << 170 << 1120;
    // The last block arrives at 1120 ms; the reply keys up 10 ms later,
    // within the unkey tail, whose silence it does not meet.
    QTest::newRow("turns: a quick reply")
        << 2 << "" << bps9600 << 1200 << 300 << 1130 << "all" << 0 << 170 << 1120;
    QTest::newRow("reply during the transmission: half duplex")
        << 2 << "" << bps9600 << 6000 << 100 << 1000 << "head" << 1 << 170 << -1;
    QTest::newRow("both at once") << 2 << "" << bps9600 << 1200 << 1200 << 0 << "none" << 1 << -1
                                  << -1;
    QTest::newRow("a third station hears two at once")
        << 3 << "" << bps9600 << 1200 << 1200 << 500 << "head" << 1 << 170 << -1;
}

void Tst_channel::stations_on_one_channel()
{
    QFETCH(int, stations);
    QFETCH(QString, air);
    QFETCH(QByteArray, ota);
    QFETCH(int, a_bytes);
    QFETCH(int, b_bytes);
    QFETCH(int, b_at);
    QFETCH(QString, heard);
    QFETCH(int, collisions);
    QFETCH(int, first_ms);
    QFETCH(int, last_ms);
    Sim_scheduler clock;
    std::vector<std::unique_ptr<Station>> on_air;
    for (int i = 0; i < stations; ++i) {
        on_air.push_back(std::make_unique<Station>(clock, on_air, 1 + i));
        for (const QString& setting : air.split(' ', Qt::SkipEmptyParts)) {
            std::vector<double> values;
            for (const QString& v : setting.section('=', 1).split(':')) {
                values.push_back(v.toDouble());
            }
            QCOMPARE(
                on_air.back()->engine->set_air(setting.section('=', 0, 0).toStdString(), values),
                std::string());
        }
    }
    Station& a = *on_air.front();
    Station& b = *on_air[1];
    Station& listener = *on_air.back();
    QCOMPARE(a.request(0x00030009, Bytes(ota.begin(), ota.end())).front().type,
             std::uint8_t(TYPE_ACK));
    listener.link.sent.clear();
    const Bytes sent = random_bytes(std::size_t(a_bytes), 7);
    const std::int64_t t0 = clock.now();
    a.send(sent);
    clock.advance_by(b_at);
    b.send(random_bytes(std::size_t(b_bytes), 8));
    clock.advance_by(30000);

    // Whatever arrives is the sent data in order, with whole blocks missing.
    std::size_t at = 0;
    for (const Sent& s : listener.all(id_from_modem)) {
        const Bytes block(s.payload.begin() + 2, s.payload.end() - 1);
        const auto found = std::search(sent.begin() + static_cast<long>(at), sent.end(),
                                       block.begin(), block.end());
        QVERIFY2(found != sent.end(), qPrintable(QString("block at %1 ms altered").arg(s.at)));
        at = std::size_t(found - sent.begin()) + block.size();
    }
    const Bytes got = received_data(listener);
    const QJsonObject status = listener.air_status();
    if (heard == "all") {
        QCOMPARE(got, sent);
        QCOMPARE(statuses(listener, id_rx_status), (std::vector<int>{5, 2, 1}));
        QCOMPARE(listener.find(id_autobaud)->payload,
                 (Bytes{std::uint8_t(ota[4]), std::uint8_t(ota[3])}));
    } else if (heard == "none") {
        QCOMPARE(got.size(), std::size_t(0));
    } else if (heard == "gaps") {
        QVERIFY(!got.empty() && got.size() < sent.size());
        QCOMPARE(status["data_lost_air"].toInt() + int(got.size()), a_bytes);
    } else {
        QVERIFY(!got.empty() && got.size() < sent.size());
        QCOMPARE(got, Bytes(sent.begin(), sent.begin() + static_cast<long>(got.size())));
    }
    QCOMPARE(status["collisions"].toInt(), collisions);
    const std::vector<Sent> blocks = listener.all(id_from_modem);
    if (first_ms >= 0) {
        QCOMPARE(blocks.front().at - t0, std::int64_t(first_ms));
    }
    if (last_ms >= 0) {
        QVERIFY2(std::abs(blocks.back().at - t0 - last_ms) <= 50,
                 qPrintable(QString::number(blocks.back().at - t0)));
    }
    // Above the high mark the console is stopped once and started again
    // once the air has drained the queue.
    const bool stopped = a_bytes > 8000;
    QCOMPARE(a.all(id_flow_stop).size(), std::size_t(stopped ? 1 : 0));
    QCOMPARE(a.all(id_flow_start).size(), std::size_t(stopped ? 1 : 0));
    if (stopped) {
        QVERIFY(a.find(id_flow_start)->at - a.find(id_flow_stop)->at > 5000);
    }
}

// Two simulator programs on one channel: the first makes the folder and
// clears the socket of a modem that died, user data crosses, and the last
// one to quit removes the folder.
void Tst_channel::programs_share_a_channel()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const QString folder = Sim_channel::folder_of("net-1");
    for (const QString& dir : {QFileInfo(folder).path(), folder}) {
        QVERIFY(QDir().mkdir(dir));
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    sockaddr_un dead{};
    dead.sun_family = AF_UNIX;
    const QByteArray dead_path = QFile::encodeName(folder + "/0badf00d.sock");
    std::copy(dead_path.begin(), dead_path.end(), dead.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&dead), sizeof dead), 0);
    ::close(fd); // its modem died: the socket stays, bound to nobody

    Sim_process alpha, bravo;
    Line_client a, b;
    QVERIFY(!alpha.launch({"--channel", "net-1", "--boot-ms", "100"}).isEmpty());
    QVERIFY(!QFileInfo::exists(dead_path));
    QVERIFY(!bravo.launch({"--channel", "net-1", "--boot-ms", "100"}).isEmpty());
    QVERIFY(a.open(alpha.device) && b.open(bravo.device) && a.wait_ready() && b.wait_ready());
    QVERIFY(b.ask(0x000A000D, {})); // data from the modem enabled
    const Bytes sent = random_bytes(300, 9);
    Bytes m;
    put_u16(m, 300);
    m.insert(m.end(), sent.begin(), sent.end());
    QCOMPARE(a.ask(0x000A0001, m)->type, std::uint8_t(TYPE_ACK));
    Bytes got;
    QVERIFY(QTest::qWaitFor(
        [&] {
            got.clear();
            for (const Frame_info& f : b.received(id_from_modem)) {
                got.insert(got.end(), f.payload.begin() + 2, f.payload.end() - 1);
            }
            return got.size() >= sent.size();
        },
        scaled(5000)));
    QCOMPARE(got, sent);
    QVERIFY(bravo.status().contains("\"peers\":1,"));
    QVERIFY(alpha.stop());
    QVERIFY(QFileInfo::exists(folder));
    QVERIFY(bravo.stop());
    QVERIFY(!QFileInfo::exists(folder));
}

void Tst_channel::ale_between_stations_data()
{
    QTest::addColumn<QString>("called");
    QTest::addColumn<bool>("busy");         // a third station transmits when the call starts
    QTest::addColumn<QString>("terminate"); // after the link: who ends it, and how
    QTest::addColumn<std::vector<int>>("caller");
    QTest::addColumn<std::vector<int>>("callee");
    using E = std::vector<int>;
    QTest::newRow("call links both") << "BRAVO" << false << "" << E{1, 82, 13, 4} << E{11, 12, 3};
    QTest::newRow("no reply") << "ZULU" << false << "" << E{1, 82, 14} << E{};
    QTest::newRow("occupied") << "BRAVO" << true << "" << E{14} << E{};
    QTest::newRow("terminate by the caller ends both")
        << "BRAVO" << false << "caller" << E{1, 82, 13, 4, 16} << E{11, 12, 3, 16};
    QTest::newRow("terminate by the callee ends both")
        << "BRAVO" << false << "callee" << E{1, 82, 13, 4, 16} << E{11, 12, 3, 16};
    QTest::newRow("ALE disabled by the callee ends both")
        << "BRAVO" << false << "callee disables" << E{1, 82, 13, 4, 16} << E{11, 12, 3};
}

// ALPHA calls; BRAVO (SNR 20 dB where it listens, ALPHA 10 dB) answers to
// its self address.
void Tst_channel::ale_between_stations()
{
    QFETCH(QString, called);
    QFETCH(bool, busy);
    QFETCH(QString, terminate);
    QFETCH(std::vector<int>, caller);
    QFETCH(std::vector<int>, callee);
    Sim_scheduler clock;
    std::vector<std::unique_ptr<Station>> on_air;
    for (std::uint32_t i = 1; i <= (busy ? 3 : 2); ++i) {
        on_air.push_back(std::make_unique<Station>(clock, on_air, i));
    }
    Station& a = *on_air[0];
    Station& b = *on_air[1];
    a.enable_ale("ALPHA");
    b.enable_ale("BRAVO");
    QCOMPARE(a.engine->set_air("snr", {10}), std::string());
    QCOMPARE(b.engine->set_air("snr", {20}), std::string());
    if (busy) {
        on_air[2]->send(random_bytes(20000, 3));
    }
    a.link.sent.clear();
    b.link.sent.clear();
    a.call(called.toStdString());
    clock.advance_by(10000);
    const bool linked = !callee.empty();
    QCOMPARE(a.engine->ale_state_name(), std::string(linked ? "linked" : "listening"));
    QCOMPARE(b.engine->ale_state_name(), std::string(linked ? "linked" : "listening"));
    if (!terminate.isEmpty()) {
        const bool disable = terminate == "callee disables";
        (terminate == "caller" ? a : b).request(disable ? 0x00050001 : 0x00060015, {1});
        clock.advance_by(5000);
        QCOMPARE(a.engine->ale_state_name(), std::string("listening"));
        QCOMPARE(b.engine->ale_state_name(), std::string(disable ? "off" : "listening"));
    }
    QCOMPARE(a.ale_events(), caller);
    QCOMPARE(b.ale_events(), callee);
    QCOMPARE(a.all(id_occupancy).size(), std::size_t(busy ? 1 : 0));
    // Each side names the other; the reply carries the link quality both ways.
    for (const auto& [station, other] : {std::pair{&a, called}, std::pair{&b, QString("ALPHA")}}) {
        for (const Sent& s : station->all(id_ale_report)) {
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(s.payload.data()) + 7, s.payload[6]),
                     other.toLatin1());
            if (s.payload[0] == 13) {
                QVERIFY2(std::abs(s.payload[4] - 20) <= 1 && std::abs(s.payload[5] - 10) <= 1,
                         qPrintable(QString("TO %1 FROM %2").arg(s.payload[4]).arg(s.payload[5])));
            }
        }
    }
}

QTEST_GUILESS_MAIN(Tst_channel)
#include "tst_channel.moc"
