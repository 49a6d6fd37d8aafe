// The modem engine's channel, user data path, ALE engine and radio control on
// a hand-driven clock.
#include "engine_fixture.h"

#include <QTest>
#include <algorithm>

using namespace vq_sim;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

constexpr std::uint32_t id_rx_status = 0x000300B0, id_tx_status = 0x000300B1, id_lqa = 0x000300AC,
                        id_autobaud = 0x000300AD, id_flow_stop = 0x000A0003,
                        id_flow_start = 0x000A0005, id_from_modem = 0x000A0007,
                        id_ale_report = 0x000B0006, id_occupancy = 0x00120002,
                        id_rcm_status = 0x000D0018;

// ALE report events, with -1 standing for an occupancy indication.
std::vector<int> ale_events(const Engine_fixture& f)
{
    std::vector<int> out;
    for (const Sent& s : f.link.sent) {
        if (s.identifier == id_ale_report) {
            out.push_back(s.payload[0]);
        } else if (s.identifier == id_occupancy) {
            out.push_back(-1);
        }
    }
    return out;
}

void enable_ale(Engine_fixture& f)
{
    QCOMPARE(f.request(0x000300AA, {3})[0].type, std::uint8_t(TYPE_ACK));
    Bytes entry{1};
    put_text(entry, "DUMMY", 15);
    put_text(entry, "BRAVO7", 15);
    entry.insert(entry.end(), {2, 0, 10, 0, 20, 0});
    entry.resize(57, 0);
    QCOMPARE(f.request(0x0004007F, entry)[0].type, std::uint8_t(TYPE_ACK));
    QCOMPARE(f.request(0x00050005, {0, 60})[0].type, std::uint8_t(TYPE_ACK));
    QCOMPARE(f.request(0x00050001, {2})[0].type, std::uint8_t(TYPE_ACK));
    QCOMPARE(f.request(0x00060005, {1, 1, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF})[0].type,
             std::uint8_t(TYPE_ACK));
}

} // namespace

class Tst_engine_air : public QObject
{
    Q_OBJECT

private slots:
    void signal_runs_receiver_through_its_states();
    void data_is_acknowledged_and_sent_at_air_rate_data();
    void data_is_acknowledged_and_sent_at_air_rate();
    void flow_stop_and_start_at_the_marks();
    void loopback_returns_data_in_order();
    void data_from_modem_obeys_disable_and_enable_data();
    void data_from_modem_obeys_disable_and_enable();
    void data_received_while_hung_is_held();
    void transmit_kill_empties_queue();
    void full_queue_refuses_data();
    void malformed_data_message_refused_data();
    void malformed_data_message_refused();
    void ale_scenarios_data();
    void ale_scenarios();
    void ale_terminate_abort_timeout_incoming_data();
    void ale_terminate_abort_timeout_incoming();
    void disabling_ale_refuses_calls();
    void radio_control_activation_data();
    void radio_control_activation();
    void reboot_clears_data_path_and_air();
};

void Tst_engine_air::signal_runs_receiver_through_its_states()
{
    Engine_fixture f;
    f.engine->set_signal(true);
    f.sched.advance_by(5000);
    QCOMPARE(statuses(f, id_rx_status), (std::vector<int>{5, 2}));
    QCOMPARE(f.all(id_autobaud).size(), std::size_t(1));
    QCOMPARE(f.all(id_autobaud)[0].payload, (Bytes{18, 4})); // the receive direction's settings
    const auto lqa = f.all(id_lqa);
    QVERIFY2(lqa.size() >= 3 && lqa.size() <= 5, qPrintable(QString::number(lqa.size())));
    for (const Sent& s : lqa) {
        QCOMPARE(s.payload.size(), std::size_t(8));
        QVERIFY(s.to_listeners);
        const int snr = static_cast<std::int8_t>(s.payload[0]);
        QVERIFY(snr >= -8 && snr <= 30);
        QVERIFY(s.payload[2] >= 1 && s.payload[2] <= 3);
    }
    f.engine->set_signal(false);
    QCOMPARE(statuses(f, id_rx_status), (std::vector<int>{5, 2, 1}));
    const std::size_t count = f.all(id_lqa).size();
    f.sched.advance_by(3000);
    QCOMPARE(f.all(id_lqa).size(), count);
}

void Tst_engine_air::data_is_acknowledged_and_sent_at_air_rate_data()
{
    QTest::addColumn<QByteArray>("ota");
    QTest::addColumn<double>("air_speed"); // bytes per second, 0: the data rate's
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("air_ms"); // transmission time at the air rate
    QTest::newRow("9600 coded") << QByteArray::fromHex("031a02041201") << 0.0 << 1200 << 1000;
    QTest::newRow("2400 coded") << QByteArray::fromHex("031102040b01") << 0.0 << 600 << 2000;
    QTest::newRow("600 coded") << QByteArray::fromHex("031102040801") << 0.0 << 150 << 2000;
    QTest::newRow("air speed 1 MB/s")
        << QByteArray::fromHex("031102040801") << 1e6 << 200000 << 200;
    QTest::newRow("air speed 3 B/s") << QByteArray::fromHex("031a02041201") << 3.0 << 6 << 2000;
}

void Tst_engine_air::data_is_acknowledged_and_sent_at_air_rate()
{
    QFETCH(QByteArray, ota);
    QFETCH(double, air_speed);
    QFETCH(int, bytes);
    QFETCH(int, air_ms);
    Engine_options o;
    o.air_speed = air_speed;
    Engine_fixture f(o);
    f.request(0x00030009, Bytes(ota.begin(), ota.end()));
    f.request(0x00020005, {1, 0, 0}); // no key-up delay
    f.request(0x00020007, {1, 0, 0});
    f.link.sent.clear();
    // All at one instant, as one burst from the console.
    for (int left = bytes; left > 0; left -= 200) {
        f.engine->handle(Tac1_in{console, 0x000A0001, ++f.transaction, TYPE_REQUEST,
                                 data_message(std::size_t(std::min(left, 200)))});
    }
    for (const Sent& s : f.all(0x000A0001)) {
        QCOMPARE(s.type, std::uint8_t(TYPE_ACK));
    }
    QCOMPARE(int(f.all(0x000A0001).size()), (bytes + 199) / 200);
    QCOMPARE(statuses(f, id_tx_status), std::vector<int>{3});
    f.sched.advance_by(air_ms - 100);
    QVERIFY(f.engine->tx_queue_size() > 0);
    QCOMPARE(statuses(f, id_tx_status), std::vector<int>{3});
    f.sched.advance_by(200);
    QCOMPARE(f.engine->tx_queue_size(), std::size_t(0));
    QCOMPARE(statuses(f, id_tx_status), (std::vector<int>{3, 2}));
}

void Tst_engine_air::flow_stop_and_start_at_the_marks()
{
    Engine_options o;
    o.high_mark = 3000;
    o.low_mark = 1000;
    Engine_fixture f(o);
    for (int i = 0; i < 15; ++i) {
        f.request(0x000A0001, data_message(200));
    }
    QCOMPARE(f.all(id_flow_stop).size(), std::size_t(0));
    f.request(0x000A0001, data_message(200)); // 3200 queued
    QCOMPARE(f.all(id_flow_stop).size(), std::size_t(1));
    QCOMPARE(f.all(id_flow_stop)[0].to, console);
    QCOMPARE(f.all(id_flow_stop)[0].type, std::uint8_t(TYPE_INDICATION));
    QVERIFY(f.engine->flow_stopped());
    f.sched.advance_by(1500); // 9600 bps: 1200 bytes/s after the key-up delay
    QCOMPARE(f.all(id_flow_start).size(), std::size_t(0));
    f.sched.advance_by(1000);
    QCOMPARE(f.all(id_flow_start).size(), std::size_t(1));
    QVERIFY(f.engine->tx_queue_size() < 1000);
    QVERIFY(f.find(id_flow_start)->at > f.find(id_flow_stop)->at);
}

void Tst_engine_air::loopback_returns_data_in_order()
{
    Engine_options o;
    o.loopback = true;
    o.air_speed = 24000;
    Engine_fixture f(o);
    f.request(0x000A000D, {});
    Bytes sent;
    for (int i = 0; i < 50; ++i) {
        const Bytes m = data_message(200, static_cast<std::uint8_t>(i * 7));
        sent.insert(sent.end(), m.begin() + 2, m.end());
        f.request(0x000A0001, m);
    }
    f.sched.advance_by(5000);
    int finals = 0;
    QCOMPARE(received_data(f, &finals), sent);
    QCOMPARE(finals, 1);
    QCOMPARE(statuses(f, id_rx_status), (std::vector<int>{5, 2, 1}));
    QCOMPARE(f.all(id_from_modem).front().type, std::uint8_t(TYPE_REQUEST));
    QCOMPARE(f.all(id_from_modem).front().to, console);
    QVERIFY(f.find(id_rx_status) < f.find(id_from_modem)); // receiving before the data
}

void Tst_engine_air::data_from_modem_obeys_disable_and_enable_data()
{
    QTest::addColumn<int>("hold_limit");
    // Times (ms) of enable, disable, enable, ...: data from the modem starts disabled.
    QTest::addColumn<std::vector<int>>("toggles");
    QTest::newRow("enabled after the reception") << 1000000 << std::vector<int>{3000};
    QTest::newRow("disabled during the reception") << 1000000 << std::vector<int>{0, 300, 2000};
    QTest::newRow("held up to the hold limit, transmitter waits")
        << 1000 << std::vector<int>{0, 200, 4000};
    QTest::newRow("toggled every 70 ms")
        << 3000 << std::vector<int>{0, 70, 140, 210, 280, 350, 420, 490, 560, 630, 700};
}

// After a disable is acknowledged not one data-from-modem message is sent
// until the enable; nothing received is lost and it arrives in order.
void Tst_engine_air::data_from_modem_obeys_disable_and_enable()
{
    QFETCH(int, hold_limit);
    QFETCH(std::vector<int>, toggles);
    Engine_options o;
    o.loopback = true;
    o.air_speed = 20000;
    o.air_delay_ms = 30;
    o.hold_limit = hold_limit;
    Engine_fixture f(o);
    Bytes sent;
    for (int i = 0; i < 100; ++i) {
        const Bytes m = data_message(200, static_cast<std::uint8_t>(i * 13));
        sent.insert(sent.end(), m.begin() + 2, m.end());
        QCOMPARE(f.request(0x000A0001, m).front().type, std::uint8_t(TYPE_ACK));
    }
    bool enabled = false;
    std::size_t disabled_from = 0; // index in the sent messages after the last disable's ACK
    std::size_t most_held = 0;
    for (const int at : toggles) {
        while (f.sched.now() < at) {
            f.sched.advance_by(10);
            most_held = std::max(most_held, f.engine->held_size());
        }
        if (!enabled) {
            for (std::size_t i = disabled_from; i < f.link.sent.size(); ++i) {
                QVERIFY2(
                    f.link.sent[i].identifier != id_from_modem,
                    qPrintable(QString("data at %1 ms while disabled").arg(f.link.sent[i].at)));
            }
        }
        enabled = !enabled;
        const auto r = f.request(enabled ? 0x000A000D : 0x000A000F, {});
        QCOMPARE(r.front().type, std::uint8_t(TYPE_ACK));
        disabled_from = f.link.sent.size();
    }
    QVERIFY(enabled);
    f.sched.advance_by(10000);
    int finals = 0;
    QCOMPARE(received_data(f, &finals), sent);
    QCOMPARE(f.all(id_from_modem).back().payload.back(), std::uint8_t(1));
    QCOMPARE(f.engine->held_size(), std::size_t(0));
    QCOMPARE(f.engine->tx_queue_size(), std::size_t(0));
    // Held data stays near the limit: at most one tick's transmission beyond it.
    QVERIFY2(most_held <= std::size_t(hold_limit) + 1000, qPrintable(QString::number(most_held)));
}

void Tst_engine_air::data_received_while_hung_is_held()
{
    Engine_options o;
    o.loopback = true;
    o.air_speed = 20000;
    Engine_fixture f(o);
    f.request(0x000A000D, {});
    f.request(0x000A0001, data_message(200, 9));
    f.engine->set_hung(true);
    f.sched.advance_by(2000);
    QCOMPARE(f.all(id_from_modem).size(), std::size_t(0));
    QCOMPARE(f.engine->held_size(), std::size_t(200));
    f.engine->set_hung(false);
    const Bytes m = data_message(200, 9);
    QCOMPARE(received_data(f), Bytes(m.begin() + 2, m.end()));
}

void Tst_engine_air::transmit_kill_empties_queue()
{
    Engine_options o;
    o.high_mark = 1000;
    o.low_mark = 500;
    o.loopback = true;
    Engine_fixture f(o);
    f.request(0x000A000D, {});
    for (int i = 0; i < 10; ++i) {
        f.request(0x000A0001, data_message(200));
    }
    QVERIFY(f.engine->flow_stopped());
    QCOMPARE(f.request(0x00030037, {1}).front().type, std::uint8_t(TYPE_ACK));
    QCOMPARE(f.engine->tx_queue_size(), std::size_t(0));
    QVERIFY(!f.engine->flow_stopped());
    QCOMPARE(f.all(id_flow_start).size(), std::size_t(1));
    QCOMPARE(statuses(f, id_tx_status), (std::vector<int>{3, 2}));
    f.sched.advance_by(5000);
    QVERIFY(received_data(f).size() < 2000); // nothing after the kill went on the air
}

void Tst_engine_air::full_queue_refuses_data()
{
    Engine_options o;
    o.queue_limit = 500;
    Engine_fixture f(o);
    QCOMPARE(f.request(0x000A0001, data_message(400)).front().type, std::uint8_t(TYPE_ACK));
    const auto r = f.request(0x000A0001, data_message(200));
    QCOMPARE(r.front().type, std::uint8_t(TYPE_NACK));
    QCOMPARE(nack_reason_of(r.front()), 37u);
    QCOMPARE(f.engine->tx_queue_size(), std::size_t(400));
}

void Tst_engine_air::malformed_data_message_refused_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<quint32>("reason");
    QTest::newRow("count above bytes") << QByteArray::fromHex("0005010203") << 33u;
    QTest::newRow("count below bytes") << QByteArray::fromHex("000101020304") << 34u;
    QTest::newRow("no count") << QByteArray::fromHex("00") << 33u;
}

void Tst_engine_air::malformed_data_message_refused()
{
    QFETCH(QByteArray, payload);
    QFETCH(quint32, reason);
    Engine_fixture f;
    const auto r = f.request(0x000A0001, Bytes(payload.begin(), payload.end()));
    QCOMPARE(r.front().type, std::uint8_t(TYPE_NACK));
    QCOMPARE(nack_reason_of(r.front()), reason);
    QCOMPARE(f.engine->tx_queue_size(), std::size_t(0));
}

void Tst_engine_air::ale_scenarios_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<std::vector<int>>("events");
    QTest::newRow("linked") << "linked" << std::vector<int>{1, 82, 13, 4};
    QTest::newRow("no reply") << "no_reply" << std::vector<int>{1, 14};
    QTest::newRow("occupied") << "occupied" << std::vector<int>{-1, 14};
    QTest::newRow("rejected") << "rejected" << std::vector<int>{25, 14};
}

void Tst_engine_air::ale_scenarios()
{
    QFETCH(QString, scenario);
    QFETCH(std::vector<int>, events);
    Engine_fixture f;
    enable_ale(f);
    QVERIFY(f.engine->set_ale_scenario(scenario.toStdString()));
    f.link.sent.clear();
    QCOMPARE(f.request(0x00060007, {1}).front().type, std::uint8_t(TYPE_ACK));
    f.sched.advance_by(5000);
    std::vector<int> got = ale_events(f);
    // The link is reported as the outgoing call's (4) or as the engine's new state (80).
    if (!got.empty() && got.back() == 80) {
        got.back() = 4;
    }
    QCOMPARE(got, events);
    for (const Sent& s : f.all(id_ale_report)) {
        QVERIFY(s.to_listeners);
        QCOMPARE(get_text(s.payload, 7, s.payload[6]), std::string("BRAVO7"));
    }
    if (scenario == "linked") {
        const Sent reply = f.all(id_ale_report)[2];
        QVERIFY(reply.payload[4] > 0 && reply.payload[5] > 0);
        QCOMPARE(f.engine->ale_state_name(), std::string("linked"));
    } else {
        QCOMPARE(f.engine->ale_state_name(), std::string("listening"));
    }
    if (scenario == "occupied") {
        QCOMPARE(get_u16(f.all(id_occupancy)[0].payload, 2), std::uint16_t(5));
    }
}

void Tst_engine_air::ale_terminate_abort_timeout_incoming_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<std::vector<int>>("events");
    QTest::newRow("terminate") << "terminate" << std::vector<int>{16};
    QTest::newRow("abort while calling") << "abort" << std::vector<int>{5};
    QTest::newRow("activity timeout") << "idle" << std::vector<int>{10, 16};
    QTest::newRow("incoming") << "incoming" << std::vector<int>{11, 12, 3};
    QTest::newRow("data keeps the link") << "data" << std::vector<int>{};
}

void Tst_engine_air::ale_terminate_abort_timeout_incoming()
{
    QFETCH(QString, action);
    QFETCH(std::vector<int>, events);
    Engine_fixture f;
    enable_ale(f);
    if (action == "incoming") {
        f.link.sent.clear();
        QVERIFY(f.engine->ale_incoming("CHARLIE"));
        f.sched.advance_by(3500);
        QCOMPARE(ale_events(f), events);
        QCOMPARE(get_text(f.all(id_ale_report).back().payload, 7, 7), std::string("CHARLIE"));
        QCOMPARE(f.engine->ale_state_name(), std::string("linked"));
        return;
    }
    f.request(0x00060007, {1});
    f.sched.advance_by(action == "abort" ? 1500 : 3500);
    f.link.sent.clear();
    if (action == "terminate") {
        QCOMPARE(f.request(0x00060015, {32}).front().type, std::uint8_t(TYPE_ACK));
        f.sched.advance_by(1000);
    } else if (action == "abort") {
        QCOMPARE(f.request(0x00060001, {1}).front().type, std::uint8_t(TYPE_ACK));
        f.sched.advance_by(1000);
    } else if (action == "idle") {
        f.sched.advance_by(59000);
        QCOMPARE(ale_events(f), std::vector<int>{});
        f.sched.advance_by(2000);
    } else { // data every 30 s keeps the link up for two minutes
        for (int i = 0; i < 4; ++i) {
            f.sched.advance_by(30000);
            f.request(0x000A0001, data_message(10));
        }
    }
    QCOMPARE(ale_events(f), events);
    QCOMPARE(f.engine->ale_state_name(), std::string(action == "data" ? "linked" : "listening"));
}

void Tst_engine_air::disabling_ale_refuses_calls()
{
    Engine_fixture f;
    enable_ale(f);
    QCOMPARE(f.request(0x00050001, {1}).front().type, std::uint8_t(TYPE_ACK));
    const auto r = f.request(0x00060007, {1});
    QCOMPARE(r.front().type, std::uint8_t(TYPE_NACK));
    QCOMPARE(nack_reason_of(r.front()), 37u);
    QVERIFY(!f.engine->ale_incoming("X"));
}

void Tst_engine_air::radio_control_activation_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("activation");
    QTest::addColumn<std::vector<int>>("states");
    QTest::newRow("ready") << "Icom IC-F8101" << 2 << std::vector<int>{6, 4};
    QTest::newRow("faulty") << "Bad Radio 2050" << 2 << std::vector<int>{6, 3};
    QTest::newRow("no radio") << "No Radio" << 2 << std::vector<int>{3};
    QTest::newRow("deactivated") << "Icom IC-F8101" << 1 << std::vector<int>{1};
}

void Tst_engine_air::radio_control_activation()
{
    QFETCH(QString, radio);
    QFETCH(int, activation);
    QFETCH(std::vector<int>, states);
    Engine_options o;
    o.faulty_radios = {"Bad Radio 2050"};
    Engine_fixture f(o);
    Bytes select{1};
    put_counted(select, radio.toStdString());
    QCOMPARE(f.request(0x000D0019, select).front().type, std::uint8_t(TYPE_ACK));
    QCOMPARE(f.request(0x000D0015, {std::uint8_t(activation)}).front().type,
             std::uint8_t(TYPE_ACK));
    f.sched.advance_by(2000);
    QCOMPARE(statuses(f, id_rcm_status), states);
    QCOMPARE(f.request(0x000D0016, {}).front().payload, Bytes{std::uint8_t(activation)});
    QCOMPARE(f.request(0x000D001A, {1}).front().payload, select);
}

void Tst_engine_air::reboot_clears_data_path_and_air()
{
    Engine_options o;
    o.loopback = true;
    Engine_fixture f(o);
    f.request(0x000A000D, {});
    f.engine->set_signal(true);
    f.sched.advance_by(1500);
    f.request(0x000A0001, data_message(200));
    f.engine->reboot("test");
    QVERIFY(f.engine->booting());
    QCOMPARE(f.engine->tx_queue_size(), std::size_t(0));
    const std::size_t before = f.link.sent.size();
    f.sched.advance_by(99);
    QCOMPARE(f.link.sent.size(), before); // nothing from before the restart
    f.sched.advance_by(5000);
    // After the restart the receiver acquires the signal again; the data
    // queued before it is gone.
    QCOMPARE(received_data(f).size(), std::size_t(0));
    QCOMPARE(f.engine->rx_status(), 2);
}

QTEST_GUILESS_MAIN(Tst_engine_air)
#include "tst_engine_air.moc"
