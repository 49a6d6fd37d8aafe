// Radio control and the ALE engine's reports through the modem's protocol
// node, in memory on a hand-driven clock: what reaches a console depends on
// the port it registered with, as on the modem.
#include "sim_engine.h"
#include "sim_fields.h"
#include "sim_messages.h"
#include "sim_node.h"
#include "sim_radio.h"

#include <QFile>
#include <QTest>
#include <memory>

using namespace vq_sim;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

constexpr std::uint32_t id_register = 0x012C0005, id_ale_report = 0x000B0006,
                        id_occupancy = 0x00120002, id_rcm_status = 0x000D0018,
                        id_radio_select = 0x000D0019, id_ff_params = 0x000D0001,
                        id_rcm_activate = 0x000D0015;
constexpr std::uint32_t modem_address = 0xC0A80000;

Bytes radio_select(const std::string& name)
{
    Bytes p{1};
    put_counted(p, name);
    return p;
}

Bytes ff_params(std::uint32_t rx_hz, std::uint32_t tx_hz, int power, int mode)
{
    Bytes p;
    put_u16(p, 0);
    put_u32(p, rx_hz);
    put_u32(p, tx_hz);
    put_u8(p, static_cast<std::uint8_t>(power));
    put_u8(p, static_cast<std::uint8_t>(mode));
    put_u8(p, static_cast<std::uint8_t>(mode));
    return p;
}

// The modem's node and engine, and a console node on port 880, joined by
// memory. Only the console hears the modem.
struct Modem_in_memory
{
    explicit Modem_in_memory(Engine_options o = {})
    {
        o.boot_ms = 0;
        o.ale_step_ms = 100;
        o.radio_init_ms = 100;
        engine = std::make_unique<Modem_engine>(sched, modem, o);
        for (std::uint32_t id : engine->identifiers()) {
            modem.listen(id);
        }
        modem.indication_ports = Modem_engine::indication_ports();
        modem.on_message = [this](const Tac1_in& in) { engine->handle(in); };
        modem.write = [this](const Bytes& f) { console.receive(f.data(), f.size()); };
        console.write = [this](const Bytes& f) { modem.receive(f.data(), f.size()); };
        console.on_frame = [this](const Frame_info& f) {
            if (!f.outgoing) {
                frames.push_back(f);
            }
        };
        engine->start();
        sched.advance_by(1);
    }

    // The reply's type, or -1 without one; reason receives a NACK's reason.
    int ask(std::uint32_t id, const Bytes& payload, std::uint16_t port = 58001,
            std::uint32_t* reason = nullptr)
    {
        const std::uint8_t tr =
            console.send_message({modem_address, port}, id, 0, TYPE_REQUEST, payload);
        for (const Frame_info& f : frames) {
            if (f.identifier == id && f.transaction == tr && f.type != TYPE_INDICATION &&
                f.type != TYPE_REQUEST) {
                if (reason != nullptr) {
                    *reason = f.type == TYPE_NACK ? get_u32(f.payload, 0) : 0;
                }
                return f.type;
            }
        }
        return -1;
    }

    void enable_ale()
    {
        Bytes other{1};
        put_text(other, "BRAVO", 15);
        put_text(other, "BRAVO", 15);
        other.resize(57, 0);
        QCOMPARE(ask(0x000300AA, {3}), int(TYPE_ACK));
        QCOMPARE(ask(0x0004007F, other), int(TYPE_ACK));
        QCOMPARE(ask(0x00050001, {2}), int(TYPE_ACK));
        QCOMPARE(ask(0x00060005, {1, 1, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}), int(TYPE_ACK));
    }

    std::vector<Frame_info> indications(std::uint32_t id) const
    {
        std::vector<Frame_info> out;
        for (const Frame_info& f : frames) {
            if (f.identifier == id && f.type == TYPE_INDICATION) {
                out.push_back(f);
            }
        }
        return out;
    }

    std::vector<int> first_bytes(std::uint32_t id) const
    {
        std::vector<int> out;
        for (const Frame_info& f : indications(id)) {
            out.push_back(f.payload.empty() ? -1 : f.payload[0]);
        }
        return out;
    }

    Sim_scheduler sched;
    Tac1_node modem{modem_address, 58001};
    Tac1_node console{0xC0A8000D, 880};
    std::unique_ptr<Modem_engine> engine;
    std::vector<Frame_info> frames;
};

} // namespace

class Tst_radio_ale : public QObject
{
    Q_OBJECT

private slots:
    void indications_follow_the_registration_port_data();
    void indications_follow_the_registration_port();
    void radio_models_and_their_settings_data();
    void radio_models_and_their_settings();
    void radio_list_file_names_the_known_models();
    void ale_reports_on_command_data();
    void ale_reports_on_command();
};

void Tst_radio_ale::indications_follow_the_registration_port_data()
{
    QTest::addColumn<quint32>("indication");
    QTest::addColumn<int>("port");                  // where the registration goes; 0: none
    QTest::addColumn<std::vector<int>>("expected"); // first payload bytes received
    QTest::newRow("ALE report, port 5") << id_ale_report << 5 << std::vector<int>{8};
    QTest::newRow("ALE report, port 3") << id_ale_report << 3 << std::vector<int>{};
    QTest::newRow("ALE report, unregistered") << id_ale_report << 0 << std::vector<int>{};
    QTest::newRow("occupancy, port 3") << id_occupancy << 3 << std::vector<int>{7}; // duration 1800
    QTest::newRow("occupancy, port 5") << id_occupancy << 5 << std::vector<int>{};
    QTest::newRow("radio status, port 104") << id_rcm_status << 104 << std::vector<int>{6, 4};
    QTest::newRow("radio status, port 58001") << id_rcm_status << 58001 << std::vector<int>{};
    QTest::newRow("radio status, unregistered") << id_rcm_status << 0 << std::vector<int>{};
}

void Tst_radio_ale::indications_follow_the_registration_port()
{
    QFETCH(quint32, indication);
    QFETCH(int, port);
    QFETCH(std::vector<int>, expected);
    Modem_in_memory m;
    if (port != 0) {
        // Acknowledged wherever it goes, as each port of the modem serves it.
        QCOMPARE(m.ask(id_register, register_for(indication), std::uint16_t(port)), int(TYPE_ACK));
    }
    if (indication == id_rcm_status) {
        QCOMPARE(m.ask(id_radio_select, radio_select("Icom IC-F8101")), int(TYPE_ACK));
        QCOMPARE(m.ask(id_rcm_activate, {2}), int(TYPE_ACK));
    } else {
        m.enable_ale();
        QVERIFY(m.engine->set_ale_scenario("occupied"));
        if (indication == id_ale_report) {
            QVERIFY(m.engine->ale_sound());
        } else {
            QCOMPARE(m.ask(0x00060007, {1}), int(TYPE_ACK));
        }
    }
    m.sched.advance_by(1000);
    QCOMPARE(m.first_bytes(indication), expected);
    for (const Frame_info& f : m.indications(indication)) {
        QCOMPARE(f.source.port, Modem_engine::indication_ports().at(indication));
        QCOMPARE(f.destination, (Peer{0xC0A8000D, 880}));
    }
}

void Tst_radio_ale::radio_models_and_their_settings_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<quint32>("select_reason"); // 0: accepted
    QTest::addColumn<QByteArray>("ff");
    QTest::addColumn<quint32>("ff_reason");
    const auto ff = [](std::uint32_t rx, std::uint32_t tx, int power, int mode) {
        const Bytes b = ff_params(rx, tx, power, mode);
        return QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size()));
    };
    QTest::newRow("known, high power") << "Icom IC-F8101" << 0u << ff(7000000, 7000000, 2, 1) << 0u;
    QTest::newRow("known, lower sideband")
        << "Base Station HF-400" << 0u << ff(1500000, 1500000, 1, 2) << 0u;
    QTest::newRow("receive frequency out of range")
        << "Manpack HF-2" << 0u << ff(1900000, 2000000, 1, 1) << 130u;
    QTest::newRow("transmit frequency out of range")
        << "Icom IC-F8101" << 0u << ff(7000000, 30000010, 1, 1) << 131u;
    QTest::newRow("power the radio lacks")
        << "Manpack HF-2" << 0u << ff(7000000, 7000000, 2, 1) << 132u;
    QTest::newRow("no such mode") << "Icom IC-F8101" << 0u << ff(7000000, 7000000, 1, 3) << 133u;
    QTest::newRow("no radio: stored as sent") << "No Radio" << 0u << ff(100, 200, 9, 9) << 0u;
    QTest::newRow("unknown model") << "Unlisted Radio 9" << 130u << QByteArray() << 0u;
    QTest::newRow("known model, other case") << "icom ic-f8101" << 130u << QByteArray() << 0u;
}

void Tst_radio_ale::radio_models_and_their_settings()
{
    QFETCH(QString, radio);
    QFETCH(quint32, select_reason);
    QFETCH(QByteArray, ff);
    QFETCH(quint32, ff_reason);
    Modem_in_memory m;
    std::uint32_t reason = 99;
    m.ask(id_radio_select, radio_select(radio.toStdString()), 58001, &reason);
    QCOMPARE(reason, select_reason);
    // The selection report names what the modem took.
    Bytes expected_report = radio_select(select_reason == 0 ? radio.toStdString() : no_radio);
    m.ask(0x000D001A, {1});
    QCOMPARE(m.frames.back().payload, expected_report);
    if (ff.isEmpty()) {
        return;
    }
    const Bytes before = [&] {
        m.ask(0x000D0002, {});
        return m.frames.back().payload;
    }();
    m.ask(id_ff_params, Bytes(ff.begin(), ff.end()), 58001, &reason);
    QCOMPARE(reason, ff_reason);
    m.ask(0x000D0002, {});
    QCOMPARE(m.frames.back().payload, ff_reason == 0 ? Bytes(ff.begin(), ff.end()) : before);
}

void Tst_radio_ale::radio_list_file_names_the_known_models()
{
    QFile file(QStringLiteral(SIM_RADIO_LIST));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromLatin1(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    QStringList known;
    for (const Radio_model& r : radio_models()) {
        known << r.name;
    }
    QCOMPARE(lines, known);
    QVERIFY(known.contains("Icom IC-F8101"));
}

void Tst_radio_ale::ale_reports_on_command_data()
{
    QTest::addColumn<bool>("linked");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<std::vector<int>>("events");
    QTest::newRow("sound") << false << "sound" << true << std::vector<int>{8};
    QTest::newRow("sound heard") << false << "heard" << true << std::vector<int>{9};
    QTest::newRow("LQA poll") << false << "lqa" << true << std::vector<int>{20, 21};
    QTest::newRow("LQA poll while linked") << true << "lqa" << true << std::vector<int>{20, 21};
    QTest::newRow("relink succeeds") << true << "relink ok" << true << std::vector<int>{111, 112};
    QTest::newRow("relink fails") << true << "relink fail" << true << std::vector<int>{111, 113};
    QTest::newRow("relink without a link") << false << "relink ok" << false << std::vector<int>{};
    QTest::newRow("sound while linked") << true << "sound" << false << std::vector<int>{};
}

void Tst_radio_ale::ale_reports_on_command()
{
    QFETCH(bool, linked);
    QFETCH(QString, command);
    QFETCH(bool, taken);
    QFETCH(std::vector<int>, events);
    Modem_in_memory m;
    QCOMPARE(m.ask(id_register, register_for(id_ale_report), 5), int(TYPE_ACK));
    // Nothing is taken before the engine is enabled.
    QVERIFY(!m.engine->ale_sound() && !m.engine->ale_lqa_poll());
    m.enable_ale();
    if (linked) {
        QCOMPARE(m.ask(0x00060007, {1}), int(TYPE_ACK));
        m.sched.advance_by(1000);
        QCOMPARE(m.engine->ale_state_name(), std::string("linked"));
    }
    m.frames.clear();
    const bool ok = command == "sound"       ? m.engine->ale_sound()
                    : command == "heard"     ? m.engine->ale_sound_heard("CHARLIE")
                    : command == "lqa"       ? m.engine->ale_lqa_poll()
                    : command == "relink ok" ? m.engine->ale_relink(true)
                                             : m.engine->ale_relink(false);
    QCOMPARE(ok, taken);
    m.sched.advance_by(1000);
    QCOMPARE(m.first_bytes(id_ale_report), events);
    const auto reports = m.indications(id_ale_report);
    if (!reports.empty() && reports.back().payload[0] == 21) {
        QVERIFY(reports.back().payload[4] > 0 && reports.back().payload[5] > 0); // LQA values
    }
    QCOMPARE(m.engine->ale_state_name(), std::string(linked ? "linked" : "listening"));
}

QTEST_GUILESS_MAIN(Tst_radio_ale)
#include "tst_radio_ale.moc"
