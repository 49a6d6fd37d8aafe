// User data at a glance: the rates over the meter's window, what the bridge
// counts and reports of its flow control, and readouts that keep their
// width as the numbers grow.

#include "data_flow_view.h"
#include "fake_vsport_control.h"
#include "window_fixture.h"

#include <QLayout>
#include <QtTest>
#include <functional>

namespace {

// The modem's side and the application's, on a bridge connected to a modem
// that is set up and with nobody on the port.
struct Bridge_rig
{
    QModem_interface modem{nullptr, 0xC0A80000};
    Fake_vsport_control port;
    Data_path_bridge bridge{&modem};

    Bridge_rig()
    {
        bridge.set_control(&port);
        bridge.set_modem_link_up(true);
    }
    void open_port()
    {
        port.opened = true;
        bridge.vsp_port_opened();
    }
    // The application writes `size` bytes (50000 at most), then the
    // service timer ticks.
    void write(int size, int ticks)
    {
        port.to_read = QByteArray(size, 'u');
        for (int read = 0; read < 5; ++read) {
            bridge.vsp_received_characters();
        }
        while (ticks-- > 0) {
            bridge._service_tx_buffer();
        }
    }
};

using Rig_action = std::function<void(Bridge_rig&)>;

} // namespace

Q_DECLARE_METATYPE(Rig_action)

class Tst_data_flow : public QObject
{
    Q_OBJECT

private slots:
    void rates_over_the_window_data();
    void rates_over_the_window();
    void bridge_counts_and_flow_state_data();
    void bridge_counts_and_flow_state();
    void readouts_keep_their_width();
};

void Tst_data_flow::rates_over_the_window_data()
{
    // Bytes counted toward the modem before each sample, one sample per
    // tick; half as many come from the modem.
    QTest::addColumn<QVector<int>>("counted");
    QTest::addColumn<int>("tick_ms");
    QTest::addColumn<int>("bps");
    QTest::addColumn<bool>("idle");
    QTest::newRow("first second") << QVector<int>{1200} << 1000 << 1200 << false;
    QTest::newRow("steady") << QVector<int>(8, 4800) << 1000 << 4800 << false;
    QTest::newRow("a burst within the window")
        << QVector<int>{48000, 0, 0, 0, 0} << 1000 << 9600 << false;
    QTest::newRow("a burst the window forgot")
        << QVector<int>{48000, 0, 0, 0, 0, 0} << 1000 << 0 << true;
    QTest::newRow("late ticks") << QVector<int>{3000, 3000} << 1500 << 2000 << false;
}

void Tst_data_flow::rates_over_the_window()
{
    QFETCH(QVector<int>, counted);
    QFETCH(int, tick_ms);
    QFETCH(int, bps);
    Data_flow_meter meter;
    // A window restarted after a pause knows nothing of the bytes before.
    meter.count_to_modem(1000000);
    meter.sample(0);
    qint64 now = 600000;
    meter.restart(now);
    for (const int bytes : counted) {
        meter.count_to_modem(bytes);
        meter.count_from_modem(bytes / 2);
        meter.sample(now += tick_ms);
    }
    QCOMPARE(int(meter.to_modem_bps()), bps);
    QCOMPARE(int(meter.from_modem_bps()), bps / 2);
    QTEST(meter.idle(), "idle");
}

void Tst_data_flow::bridge_counts_and_flow_state_data()
{
    QTest::addColumn<Rig_action>("action");
    QTest::addColumn<QVariantMap>("expected");
    QTest::newRow("nobody on the port: held")
        << Rig_action([](Bridge_rig&) {}) << QVariantMap{{"held", true}};
    QTest::newRow("bytes to the modem") << Rig_action([](Bridge_rig& r) {
        r.open_port();
        r.write(1000, 7);
    }) << QVariantMap{{"to_modem_bytes", 1000}, {"tx_buffer_bytes", 0}, {"held", false}};
    QTest::newRow("flow stop, above the high mark") << Rig_action([](Bridge_rig& r) {
        r.open_port();
        r.bridge._handle_data_to_modem_flow_stop_indication();
        r.write(50000, 1);
    })
                                                    << QVariantMap{{"modem_flow_stop", true},
                                                                   {"to_modem_bytes", 0},
                                                                   {"tx_buffer_bytes", 50000},
                                                                   {"cts", false}};
    QTest::newRow("counts, also for nobody, survive a reconnect") << Rig_action([](Bridge_rig& r) {
        r.bridge._handle_data_from_modem_set(QByteArray(50, 'm'), true);
        r.open_port();
        r.write(200, 2);
        r.bridge._handle_data_from_modem_set(QByteArray(20, 'm'), true);
        r.bridge.modem_stopped_answering();
        r.bridge.set_modem_link_up(false);
        r.bridge.modem_restarted();
        r.bridge.set_modem_link_up(true);
    }) << QVariantMap{{"to_modem_bytes", 200}, {"from_modem_bytes", 70}};
}

void Tst_data_flow::bridge_counts_and_flow_state()
{
    QFETCH(Rig_action, action);
    QFETCH(QVariantMap, expected);
    Bridge_rig rig;
    action(rig);
    const QVariantMap snapshot = rig.bridge.flow_snapshot().to_variant_map();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QCOMPARE(snapshot[it.key()].toLongLong(), it.value().toLongLong());
    }
    // Whatever moved or changed, the meter samples it.
    QVERIFY(rig.bridge.flow_meter_timer()->isActive());
}

void Tst_data_flow::readouts_keep_their_width()
{
    // Nothing moves: no port name, the widest value of the panel, hides it.
    Data_interface_panel panel(new QComboBox, new QComboBox, new QComboBox);
    panel.show();
    auto places = [&panel] {
        panel.layout()->activate();
        QList<QRect> list{QRect(QPoint(), panel.minimumSizeHint())};
        for (const QWidget* widget : panel.findChildren<QWidget*>()) {
            list << widget->geometry();
        }
        return list;
    };
    const QList<QRect> before = places();
    panel.data_flow->show_flow({99999999, 123456789012, 99999, 4800, 51234, false, true, true});
    QCOMPARE(places(), before);
    QCOMPARE(panel.data_flow->flow_state_label->text(), QString("CTS off, flow stop, held"));
}

QTEST_MAIN(Tst_data_flow)
#include "tst_data_flow.moc"
