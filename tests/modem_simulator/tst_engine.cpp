// The modem engine on a hand-driven clock: boot, identity, settings, refusals,
// reply faults and restarts.
#include "engine_fixture.h"
#include "sim_settings.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vq_sim;

Q_DECLARE_METATYPE(vq_sim::Bytes)

namespace {

Bytes hex(const char* text)
{
    const QByteArray b = QByteArray::fromHex(text);
    return Bytes(b.begin(), b.end());
}

} // namespace

class Tst_engine : public QObject
{
    Q_OBJECT

private slots:
    void startup_status_follows_boot_data();
    void startup_status_follows_boot();
    void booting_modem_ignores_other_requests();
    void reset_reboots_and_restores_saved_settings();
    void reboot_with_its_own_boot_time();
    void software_version_names_the_model_data();
    void software_version_names_the_model();
    void identity_requests_answered_data();
    void identity_requests_answered();
    void settings_round_trip_data();
    void settings_round_trip();
    void refused_values_data();
    void refused_values();
    void ota_for_both_directions_sets_each();
    void reply_faults_on_demand_data();
    void reply_faults_on_demand();
    void unknown_request_refused();
    void dropped_and_delayed_replies();
    void hung_modem_is_silent_until_resumed();
    void save_writes_state_file_read_at_next_start();
    void config_file_values_and_problems();
    void example_config_loads_cleanly();
};

void Tst_engine::startup_status_follows_boot_data()
{
    QTest::addColumn<int>("boot_ms");
    QTest::addColumn<int>("asked_at");
    QTest::addColumn<int>("status");
    QTest::newRow("just powered") << 1500 << 0 << 2;
    QTest::newRow("one ms before ready") << 1500 << 1499 << 2;
    QTest::newRow("ready") << 1500 << 1500 << 1;
    QTest::newRow("short boot ready") << 20 << 25 << 1;
}

void Tst_engine::startup_status_follows_boot()
{
    QFETCH(int, boot_ms);
    QFETCH(int, asked_at);
    QFETCH(int, status);
    Sim_scheduler sched;
    Recording_link link(sched);
    Engine_options o;
    o.boot_ms = boot_ms;
    Modem_engine engine(sched, link, o);
    engine.start();
    sched.advance_by(asked_at);
    engine.handle(Tac1_in{console, 0x9E, 9, TYPE_REQUEST, {}});
    QCOMPARE(link.sent.size(), std::size_t(1));
    QCOMPARE(link.sent[0].type, std::uint8_t(TYPE_RESPONSE));
    QCOMPARE(link.sent[0].identifier, 0x9Eu);
    QCOMPARE(link.sent[0].transaction, std::uint8_t(9));
    QCOMPARE(link.sent[0].to, console);
    QCOMPARE(link.sent[0].payload, Bytes{std::uint8_t(status)});
}

void Tst_engine::booting_modem_ignores_other_requests()
{
    Sim_scheduler sched;
    Recording_link link(sched);
    Modem_engine engine(sched, link, Engine_options{});
    engine.start();
    engine.handle(Tac1_in{console, 0x18, 1, TYPE_REQUEST, {20}});
    engine.handle(Tac1_in{console, 0x000300AA, 2, TYPE_REQUEST, {2}});
    QVERIFY(link.sent.empty());
    sched.advance_by(1500);
    engine.handle(Tac1_in{console, 0x18, 3, TYPE_REQUEST, {20}});
    QCOMPARE(link.sent.size(), std::size_t(1));
}

void Tst_engine::reset_reboots_and_restores_saved_settings()
{
    Engine_fixture f;
    f.request(0x000300AA, {3}); // system mode 3, not saved
    f.request(0x00030027, {3}); // de-acquire limit 3
    f.request(0x9B, {});        // saved
    f.request(0x00030027, {1}); // changed again, not saved
    const auto r = f.request(0x01, {1}, 10);
    QCOMPARE(r.size(), std::size_t(1));
    QCOMPARE(r[0].type, std::uint8_t(TYPE_ACK));
    QVERIFY(!f.engine->booting()); // the acknowledgement leaves first
    f.sched.advance_by(60);
    QVERIFY(f.engine->booting());
    QCOMPARE(f.link.clears, 1);
    QCOMPARE(f.request(0x9E, {})[0].payload, Bytes{2});
    f.sched.advance_by(100);
    QCOMPARE(f.request(0x9E, {})[0].payload, Bytes{1});
    QCOMPARE(f.request(0x00030028, {})[0].payload, Bytes{3});
    QCOMPARE(f.request(0x000300AB, {})[0].payload, Bytes{3});
}

void Tst_engine::reboot_with_its_own_boot_time()
{
    Engine_fixture f; // boots in 100 ms
    f.engine->reboot("test", 6000);
    f.sched.advance_by(5990);
    QCOMPARE(f.request(0x9E, {})[0].payload, Bytes{2});
    f.sched.advance_by(10);
    QCOMPARE(f.request(0x9E, {})[0].payload, Bytes{1});
    f.engine->reboot("test"); // the configured time again
    QCOMPARE(f.request(0x9E, {})[0].payload, Bytes{2});
    f.sched.advance_by(100);
    QCOMPARE(f.request(0x9E, {})[0].payload, Bytes{1});
}

void Tst_engine::software_version_names_the_model_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("contains");
    QTest::addColumn<QString>("lacks");
    QTest::newRow("KX5") << "KX5"
                         << "KX5"
                         << "KY5";
    QTest::newRow("KY5") << "KY5"
                         << "KY5"
                         << "KX5";
    QTest::newRow("LZ7") << "LZ7"
                         << "LZ7"
                         << "KX5";
    QTest::newRow("free text") << "Prototype 0.9"
                               << "Prototype 0.9"
                               << "KY5";
}

void Tst_engine::software_version_names_the_model()
{
    QFETCH(QString, model);
    QFETCH(QString, contains);
    QFETCH(QString, lacks);
    Engine_options o;
    o.model = model.toStdString();
    Engine_fixture f(o);
    const auto r = f.request(0x18, {20});
    QCOMPARE(r.size(), std::size_t(1));
    QCOMPARE(r[0].type, std::uint8_t(TYPE_RESPONSE));
    const Bytes& p = r[0].payload;
    QCOMPARE(p[0], std::uint8_t(20));
    QCOMPARE(std::size_t(p[1]) + 2, p.size());
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(p.data() + 2), p[1]);
    QVERIFY2(text.contains(contains), qPrintable(text));
    QVERIFY2(!text.contains(lacks), qPrintable(text));
}

void Tst_engine::identity_requests_answered_data()
{
    QTest::addColumn<quint32>("id");
    QTest::addColumn<Bytes>("request");
    QTest::addColumn<int>("fixed_size"); // -1: counted string at the given offset
    QTest::addColumn<int>("count_at");
    QTest::newRow("silicon serial") << 0x04u << Bytes{} << 18 << -1;
    QTest::newRow("firmware 3") << 0x1Au << Bytes{3} << -1 << 1;
    QTest::newRow("top level version") << 0xA0u << Bytes{} << -1 << 0;
    QTest::newRow("stock numbers") << 0xB8u << Bytes{} << 151 << -1;
    QTest::newRow("module serial 1") << 0xBAu << Bytes{1} << -1 << 1;
    QTest::newRow("default boot application") << 0xB3u << Bytes{} << 2 << -1;
    QTest::newRow("mac address") << 0x000C0012u << Bytes{} << 6 << -1;
    QTest::newRow("ip configuration") << 0x000C0014u << Bytes{} << 12 << -1;
    QTest::newRow("site mode") << 0x42u << Bytes{} << 1 << -1;
    QTest::newRow("receive audio level") << 0x02BC0018u << Bytes{} << 8 << -1;
    QTest::newRow("audio quality") << 0x02BC001Au << Bytes{} << 2 << -1;
    QTest::newRow("nptt sense 1") << 0x02BC000Eu << Bytes{} << 1 << -1;
    QTest::newRow("rtc temperature") << 0x02BC0020u << Bytes{} << 2 << -1;
}

void Tst_engine::identity_requests_answered()
{
    QFETCH(quint32, id);
    QFETCH(Bytes, request);
    QFETCH(int, fixed_size);
    QFETCH(int, count_at);
    Engine_fixture f;
    const auto r = f.request(id, request);
    QCOMPARE(r.size(), std::size_t(1));
    QCOMPARE(r[0].type, std::uint8_t(TYPE_RESPONSE));
    QCOMPARE(r[0].identifier, id);
    if (fixed_size >= 0) {
        QCOMPARE(int(r[0].payload.size()), fixed_size);
    } else {
        const Bytes& p = r[0].payload;
        QVERIFY(p.size() > std::size_t(count_at));
        QCOMPARE(std::size_t(count_at) + 1 + p[count_at], p.size());
        QVERIFY(p[count_at] > 0);
    }
}

void Tst_engine::settings_round_trip_data()
{
    QTest::addColumn<quint32>("set_id");
    QTest::addColumn<Bytes>("value");
    QTest::addColumn<quint32>("get_id");
    QTest::addColumn<Bytes>("get");
    QTest::newRow("system mode") << 0x000300AAu << Bytes{3} << 0x000300ABu << Bytes{};
    QTest::newRow("duplex") << 0x0003002Bu << Bytes{2} << 0x0003002Cu << Bytes{};
    QTest::newRow("tx level port 2") << 0x00020001u << hex("02ffc4") << 0x00020002u << Bytes{2};
    QTest::newRow("key delay port 1") << 0x00020005u << hex("010096") << 0x00020006u << Bytes{1};
    QTest::newRow("unkey delay port 1") << 0x00020007u << hex("01002d") << 0x00020008u << Bytes{1};
    QTest::newRow("upload mode") << 0x000A0018u << Bytes{1} << 0x000A0019u << Bytes{};
    QTest::newRow("ota 110A 600") << 0x00030009u << hex("011102040801") << 0x0003000Au << Bytes{1};
    QTest::newRow("ota 110B 12800")
        << 0x00030009u << hex("021a01011301") << 0x0003000Au << Bytes{2};
    QTest::newRow("deacquire") << 0x00030027u << Bytes{3} << 0x00030028u << Bytes{};
    QTest::newRow("dte port mode") << 0x00010001u << Bytes{3} << 0x00010002u << Bytes{};
    QTest::newRow("async settings") << 0x0001001Fu << hex("1b080203") << 0x00010020u << Bytes{};
    QTest::newRow("flow control") << 0x0001000Bu << Bytes{2} << 0x0001000Cu << Bytes{};
    QTest::newRow("activity mode")
        << 0x0001001Du << hex("020130303030200001 2c") << 0x0001001Eu << Bytes{};
    QTest::newRow("radio select") << 0x000D0019u << hex("010d49636f6d2049432d4638313031")
                                  << 0x000D001Au << Bytes{1};
    QTest::newRow("tune times") << 0x000D002Du << hex("0064006400c80bb8") << 0x000D002Eu << Bytes{};
    QTest::newRow("fixed frequency")
        << 0x000D0001u << hex("000000e4e1c000e4e1c0020202") << 0x000D0002u << Bytes{};
    QTest::newRow("fixed frequency as sent")
        << 0x000D0001u << hex("00070000000100000002030100") << 0x000D0002u << Bytes{};
    QTest::newRow("site mode") << 0x41u << Bytes{1} << 0x42u << Bytes{};
    QTest::newRow("ip configuration")
        << 0x000C0013u << hex("0a0000020fffff000a000001") << 0x000C0014u << Bytes{};
    QTest::newRow("ale activity timeout") << 0x00050005u << hex("003c") << 0x00050006u << Bytes{};
}

void Tst_engine::settings_round_trip()
{
    QFETCH(quint32, set_id);
    QFETCH(Bytes, value);
    QFETCH(quint32, get_id);
    QFETCH(Bytes, get);
    Engine_fixture f;
    const auto set = f.request(set_id, value);
    QCOMPARE(set.size(), std::size_t(1));
    QCOMPARE(set[0].type, std::uint8_t(TYPE_ACK));
    QCOMPARE(set[0].identifier, set_id);
    const auto r = f.request(get_id, get);
    QCOMPARE(r.size(), std::size_t(1));
    QCOMPARE(r[0].type, std::uint8_t(TYPE_RESPONSE));
    QCOMPARE(r[0].identifier, get_id);
    QCOMPARE(r[0].payload, value);
}

void Tst_engine::refused_values_data()
{
    QTest::addColumn<quint32>("id");
    QTest::addColumn<Bytes>("value");
    QTest::addColumn<quint32>("reason");
    QTest::newRow("unknown waveform") << 0x00030009u << hex("030502040b01") << 130u;
    QTest::newRow("110A has no 9600") << 0x00030009u << hex("031102041201") << 133u;
    QTest::newRow("110B has no 1800") << 0x00030009u << hex("031a02040a01") << 133u;
    QTest::newRow("interleaver not offered") << 0x00030009u << hex("031a02011201") << 132u;
    QTest::newRow("bad direction") << 0x00030009u << hex("041a02041201") << 129u;
    QTest::newRow("ota one byte short") << 0x00030009u << hex("031a020412") << 33u;
    QTest::newRow("ota one byte long") << 0x00030009u << hex("031a0204120100") << 34u;
    QTest::newRow("deacquire 4") << 0x00030027u << Bytes{4} << 129u;
    QTest::newRow("async 9 data bits") << 0x0001001Fu << hex("16090101") << 130u;
    QTest::newRow("async rate 8") << 0x0001001Fu << hex("08080101") << 129u;
    QTest::newRow("tx level above 0 dB") << 0x00020001u << hex("010002") << 130u;
    QTest::newRow("ALE mode 2 outside system mode 3") << 0x00050001u << Bytes{2} << 37u;
    QTest::newRow("call setup before enable") << 0x00060005u << hex("010100ffffffffff") << 37u;
    QTest::newRow("call before enable") << 0x00060007u << Bytes{1} << 37u;
}

void Tst_engine::refused_values()
{
    QFETCH(quint32, id);
    QFETCH(Bytes, value);
    QFETCH(quint32, reason);
    Engine_fixture f;
    const Bytes before = f.engine->settings().record("psk_modem_ota_settings", 1);
    const auto r = f.request(id, value);
    QCOMPARE(r.size(), std::size_t(1));
    QCOMPARE(r[0].type, std::uint8_t(TYPE_NACK));
    QCOMPARE(r[0].identifier, id);
    QCOMPARE(nack_reason_of(r[0]), reason);
    QCOMPARE(r[0].payload.size(), std::size_t(13));
    QCOMPARE(f.engine->settings().record("psk_modem_ota_settings", 1), before);
}

void Tst_engine::ota_for_both_directions_sets_each()
{
    Engine_fixture f;
    QCOMPARE(f.request(0x00030009, hex("031102040801"))[0].type, std::uint8_t(TYPE_ACK));
    for (std::uint8_t dir : {1, 2}) {
        const auto r = f.request(0x0003000A, {dir});
        QCOMPARE(r[0].payload, (Bytes{dir, 0x11, 2, 4, 8, 1}));
    }
}

void Tst_engine::reply_faults_on_demand_data()
{
    QTest::addColumn<quint32>("reason"); // 0: silence
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("answers"); // per request: N NACK, - none, R response
    QTest::newRow("nack every one") << 137u << -1 << "NNNN";
    QTest::newRow("nack the next two") << 137u << 2 << "NNRR";
    QTest::newRow("silence every one") << 0u << -1 << "----";
    QTest::newRow("silence the next one") << 0u << 1 << "-RRR";
}

void Tst_engine::reply_faults_on_demand()
{
    QFETCH(quint32, reason);
    QFETCH(int, count);
    QFETCH(QString, answers);
    Engine_fixture f;
    f.engine->set_reply_fault(0x00030028, reason, count);
    // Another request with a fault of the other kind keeps it when these are cleared.
    f.engine->set_reply_fault(0x00030027, reason == 0 ? 140 : 0, -1);
    QString got;
    for (int i = 0; i < answers.size(); ++i) {
        const auto r = f.request(0x00030028, {});
        got += r.empty()                    ? '-'
               : r[0].type == TYPE_NACK     ? 'N'
               : r[0].type == TYPE_RESPONSE ? 'R'
                                            : '?';
        if (!r.empty() && r[0].type == TYPE_NACK) {
            QCOMPARE(nack_reason_of(r[0]), reason);
        }
    }
    QCOMPARE(got, answers);
    f.engine->clear_reply_faults(reason == 0);
    QCOMPARE(f.request(0x00030028, {})[0].type, std::uint8_t(TYPE_RESPONSE));
    const auto other = f.request(0x00030027, {1});
    QCOMPARE(other.empty(), reason != 0);
    QVERIFY(other.empty() || other[0].type == TYPE_NACK);
}

void Tst_engine::unknown_request_refused()
{
    Engine_fixture f;
    const auto r = f.request(0x00020003, {1}); // a request the modem does not implement
    QCOMPARE(r[0].type, std::uint8_t(TYPE_NACK));
    QCOMPARE(nack_reason_of(r[0]), 32u);
}

void Tst_engine::dropped_and_delayed_replies()
{
    Engine_fixture f;
    f.engine->set_drop_percent(100);
    QVERIFY(f.request(0x9E, {}, 100).empty());
    QCOMPARE(f.request(0x00030027, {3}, 100).size(), std::size_t(0));
    f.engine->set_drop_percent(0);
    QCOMPARE(f.request(0x00030028, {})[0].payload, Bytes{3}); // the dropped set still took effect
    f.engine->set_delay_ms(250);
    QVERIFY(f.request(0x9E, {}, 249).empty());
    f.sched.advance_by(1);
    QCOMPARE(f.link.sent.size(), std::size_t(2));
    QCOMPARE(f.link.sent.back().identifier, 0x9Eu);
}

void Tst_engine::hung_modem_is_silent_until_resumed()
{
    Engine_fixture f;
    f.engine->set_hung(true);
    QVERIFY(f.request(0x9E, {}, 100).empty());
    f.engine->set_signal(true);
    f.sched.advance_by(3000);
    QVERIFY(f.link.sent.empty());
    f.engine->set_hung(false);
    QCOMPARE(f.request(0x9E, {}).size(), std::size_t(1));
}

void Tst_engine::save_writes_state_file_read_at_next_start()
{
    QTemporaryDir dir;
    const std::string state = dir.filePath("modem.ini").toStdString();
    {
        Engine_options o;
        o.state_path = state;
        Engine_fixture f(o);
        f.request(0x00030009, hex("031102040801"));
        Bytes radio{1};
        put_counted(radio, "Manpack HF-2");
        QCOMPARE(f.request(0x000D0019, radio)[0].type, std::uint8_t(TYPE_ACK));
        QCOMPARE(f.request(0x9B, {})[0].type, std::uint8_t(TYPE_ACK));
    }
    Settings_store loaded;
    QVERIFY(loaded.load_ini(state).empty());
    QCOMPARE(loaded.number("psk_modem_ota_settings", "data_rate", 2), std::int64_t(8));
    QCOMPARE(loaded.text("radio_select", "description", 1), std::string("Manpack HF-2"));
    Engine_options o;
    o.state_path = state;
    Engine_fixture g(o, loaded);
    QCOMPARE(g.request(0x0003000A, {1})[0].payload, (Bytes{1, 0x11, 2, 4, 8, 1}));
}

void Tst_engine::config_file_values_and_problems()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("start.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[system_mode]\nmode=3\n"
               "[psk_modem_ota_settings/1]\nwaveform=17\ndata_rate=9\ninterleaver_length=6\n"
               "[psk_modem_ota_settings/2]\nwaveform=17\ndata_rate=18\n"
               "[audio_tx_output_level/1]\nlevel=abc\n"
               "[no_such_setting]\nx=1\n");
    file.close();
    Settings_store s;
    const auto problems = s.load_ini(path.toStdString());
    QCOMPARE(problems.size(), std::size_t(3));
    QCOMPARE(s.number("system_mode", "mode"), std::int64_t(3));
    QCOMPARE(s.number("psk_modem_ota_settings", "data_rate", 1), std::int64_t(9));
    // A rate 110A does not offer is refused as a whole record.
    QCOMPARE(s.number("psk_modem_ota_settings", "waveform", 2), std::int64_t(26));
    QCOMPARE(s.number("audio_tx_output_level", "level", 1), std::int64_t(-20));
}

void Tst_engine::example_config_loads_cleanly()
{
    Settings_store s;
    const auto problems = s.load_ini(SIM_EXAMPLE_CONFIG);
    QVERIFY2(problems.empty(), problems.empty() ? "" : problems.front().c_str());
    QCOMPARE(s.number("ip_configuration", "ip_address"), std::int64_t(0xC0A80064));
    QCOMPARE(s.text("radio_select", "description", 1), std::string("No Radio"));
    QVERIFY(s == Settings_store()); // the example restates the built-in start values
}

QTEST_GUILESS_MAIN(Tst_engine)
#include "tst_engine.moc"
