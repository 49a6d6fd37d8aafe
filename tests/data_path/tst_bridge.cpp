// The data path bridge on a fake virtual port control and a real modem
// interface whose frames are captured: the transmit buffer and its CTS marks,
// the modem's flow stop and start, Tx Kill and Tx Resume, the receive queue
// and its hold on the modem, bytes for nobody, and the log lines. Service
// ticks are called directly, so every count is exact.

#include "fake_vsport_control.h"
#include "window_fixture.h"

#include <QtTest>

namespace {

const QString data_to_modem = "Tac1_msg_dte_port_send_data_to_modem_set";
const QString from_modem_enable = "Tac1_msg_send_data_from_modem_enable_set";
const QString from_modem_disable = "Tac1_msg_send_data_from_modem_disable_set";

QByteArray pattern_bytes(int size, int seed = 0)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 251 + seed) & 0xff);
    }
    return bytes;
}

// A control whose application takes at most `take_limit` bytes per write
// (-1: all of them), as a pseudo-terminal does when the reader lags.
class Lagging_control : public Fake_vsport_control
{
public:
    int take_limit = -1;

    int WriteArray(const QByteArray& Buffer) override
    {
        calls << QStringLiteral("WriteArray %1").arg(Buffer.size());
        const int taken = take_limit < 0 ? Buffer.size() : qMin(take_limit, Buffer.size());
        written += Buffer.left(taken);
        return taken;
    }
};

} // namespace

class Tst_bridge : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void burst_against_the_marks_data();
    void burst_against_the_marks();
    void a_writer_faster_than_the_timer_waits_in_the_port();
    void flow_stop_during_a_transfer();
    void tx_kill_discards_the_waiting_bytes();
    void tx_resume_empties_the_buffer();
    void open_and_close_reactions();
    void log_lines_of_the_modem_signals_data();
    void log_lines_of_the_modem_signals();

    void zero_bytes_from_the_modem_reach_the_port();
    void unread_bytes_are_queued_and_hold_the_modem();
    void bytes_for_nobody_wait_for_the_next_application();
    void bytes_left_by_a_closing_application_do_not_reach_the_next();
    void nothing_is_sent_while_the_modem_link_is_down();
    void a_silent_modem_holds_the_data_and_counts_what_may_be_lost();
    void a_modem_set_up_again_data();
    void a_modem_set_up_again();
    void an_unanswered_enable_or_disable_is_sent_again();

private:
    // The user data handed to the modem so far, in order; each chunk is
    // checked against the chunk size.
    QByteArray sent_to_modem() const;
    int data_messages() const { return frames->messages(data_to_modem).size(); }
    // OnRxChar until the port has nothing more or the bridge stops reading.
    void read_all_offered();
    QStringList flow_log() const { return log->in("flow_ctrl"); }
    // An application takes (true) or leaves the virtual port.
    void application(bool holds)
    {
        port->opened = holds;
        holds ? bridge->vsp_port_opened() : bridge->vsp_port_closed();
    }

    std::unique_ptr<vq_qt::QModem_interface> modem;
    std::unique_ptr<Sent_frames> frames;
    std::unique_ptr<Lagging_control> port;
    std::unique_ptr<Data_path_bridge> bridge;
    std::unique_ptr<Log_recorder> log;
};

void Tst_bridge::init()
{
    modem = std::make_unique<vq_qt::QModem_interface>(nullptr, 0xC0A80000);
    frames = std::make_unique<Sent_frames>(modem.get());
    port = std::make_unique<Lagging_control>();
    bridge = std::make_unique<Data_path_bridge>(modem.get());
    bridge->set_control(port.get());
    // Connected to a modem that is set up; nobody holds the port yet, so
    // the modem holds its data.
    bridge->set_modem_link_up(true);
    QCOMPARE(frames->names(), QStringList{from_modem_disable});
    emit modem->send_data_from_modem_flow_disable_set_ack();
    frames->clear();
    log = std::make_unique<Log_recorder>();
}

void Tst_bridge::cleanup()
{
    bridge.reset();
    port.reset();
    frames.reset();
    modem.reset();
    log.reset();
}

QByteArray Tst_bridge::sent_to_modem() const
{
    QByteArray all;
    for (const Sent_message& message : frames->messages(data_to_modem)) {
        const QByteArray chunk = message.payload.mid(2);
        const int declared = (uchar(message.payload.at(0)) << 8) | uchar(message.payload.at(1));
        if (declared != chunk.size() || chunk.size() > Data_path_bridge::tx_chunk_size) {
            return "bad chunk of " + QByteArray::number(chunk.size());
        }
        all += chunk;
    }
    return all;
}

void Tst_bridge::read_all_offered()
{
    while (!port->to_read.isEmpty() && bridge->clear_to_send()) {
        bridge->vsp_received_characters();
    }
}

// The application writes `burst` bytes at once, and 5000 more wait in the
// port. Above 40000 bytes CTS drops once; the buffer drains one chunk per
// tick; at 9999 bytes or fewer CTS rises and the waiting bytes come at once.
void Tst_bridge::burst_against_the_marks_data()
{
    QTest::addColumn<int>("burst");
    QTest::addColumn<bool>("cts_drops");
    QTest::newRow("40000: below the mark at once") << 40000 << false;
    QTest::newRow("40144: 40000 after the first chunk") << 40144 << false;
    QTest::newRow("40145: 40001 after the first chunk") << 40145 << true;
    QTest::newRow("50000") << 50000 << true;
}

void Tst_bridge::burst_against_the_marks()
{
    QFETCH(int, burst);
    QFETCH(bool, cts_drops);
    const int waiting = 5000;
    const QByteArray all = pattern_bytes(burst + waiting);
    application(true);
    port->to_read = all.left(burst);
    read_all_offered();
    QCOMPARE(bridge->transmit_buffer().size(), burst);
    QVERIFY(port->calls.contains("ReadArray 10000"));
    port->to_read = all.mid(burst);

    bridge->_service_tx_buffer();
    QCOMPARE(bridge->clear_to_send(), !cts_drops);
    QCOMPARE(port->cts, !cts_drops);
    QCOMPARE(data_messages(), 1);
    if (!cts_drops) {
        read_all_offered();
        QCOMPARE(bridge->transmit_buffer().size(), burst - 144 + waiting);
        QVERIFY(flow_log().isEmpty());
    } else {
        QCOMPARE(flow_log(), QStringList{"Tx buffer full - set CTS to false"});
        port->calls.clear();
        bridge->vsp_received_characters(); // CTS off: the bytes stay in the port
        QCOMPARE(port->calls, QStringList());
        // The first tick at which 9999 bytes or fewer remain raises CTS.
        const int rising_tick = (burst - 9999 + 143) / 144;
        for (int tick = 2; tick < rising_tick; ++tick) {
            bridge->_service_tx_buffer();
            QVERIFY2(!port->cts, qPrintable(QString("CTS up at tick %1").arg(tick)));
        }
        port->calls.clear();
        bridge->_service_tx_buffer();
        QVERIFY(port->cts);
        QCOMPARE(port->calls, (QStringList{"ReadArray 10000", "SetCTS true"}));
        QCOMPARE(bridge->transmit_buffer().size(), burst - 144 * rising_tick + waiting);
        QVERIFY(burst - 144 * rising_tick <= 9999);
        QVERIFY(burst - 144 * (rising_tick - 1) > 9999);
        QCOMPARE(flow_log(), (QStringList{"Tx buffer full - set CTS to false",
                                          "Tx buffer low - set CTS to true"}));
    }
    QVERIFY(port->to_read.isEmpty());
    while (!bridge->transmit_buffer().isEmpty()) {
        bridge->_service_tx_buffer();
    }
    QCOMPARE(sent_to_modem(), all);
    QCOMPARE(data_messages(), (all.size() + 143) / 144);
}

// The port announces its bytes after every read: between two ticks the
// buffer takes at most one read beyond the high water mark, and the rest
// waits in the port.
void Tst_bridge::a_writer_faster_than_the_timer_waits_in_the_port()
{
    const QByteArray all = pattern_bytes(300000);
    application(true);
    port->to_read = all;
    for (int announce = 0; announce < 50; ++announce) {
        bridge->vsp_received_characters();
    }
    QCOMPARE(bridge->transmit_buffer().size(), 50000);
    QVERIFY(port->cts);
    bridge->_service_tx_buffer();
    QVERIFY(!port->cts);
    QCOMPARE(flow_log(), QStringList{"Tx buffer full - set CTS to false"});
    while (!bridge->transmit_buffer().isEmpty()) {
        bridge->vsp_received_characters();
        QVERIFY(bridge->transmit_buffer().size() <= 50000);
        bridge->_service_tx_buffer();
    }
    QCOMPARE(sent_to_modem(), all);
}

void Tst_bridge::flow_stop_during_a_transfer()
{
    const QByteArray all = pattern_bytes(50000, 7);
    application(true);
    port->to_read = all.left(20000);
    read_all_offered();
    bridge->_service_tx_buffer();
    QCOMPARE(data_messages(), 1);

    bridge->_handle_data_to_modem_flow_stop_indication();
    QCOMPARE(bridge->modem_flow_stopped(), 1);
    for (int i = 0; i < 3; ++i) {
        bridge->_service_tx_buffer();
    }
    QCOMPARE(data_messages(), 1);
    QCOMPARE(bridge->transmit_buffer().size(), 20000 - 144);

    // The buffer only grows; CTS drops when it passes the high mark.
    port->to_read = all.mid(20000);
    read_all_offered();
    QCOMPARE(bridge->transmit_buffer().size(), 50000 - 144);
    bridge->_service_tx_buffer();
    QVERIFY(!port->cts);
    QCOMPARE(data_messages(), 1);

    bridge->_handle_data_to_modem_flow_start_indication();
    QCOMPARE(bridge->modem_flow_stopped(), 0);
    bridge->_service_tx_buffer();
    QCOMPARE(data_messages(), 2);
    while (!bridge->transmit_buffer().isEmpty() || !port->to_read.isEmpty()) {
        bridge->_service_tx_buffer();
    }
    QCOMPARE(sent_to_modem(), all);
    QCOMPARE(flow_log(),
             (QStringList{"Data to modem flow stop", "Tx buffer full - set CTS to false",
                          "Data to modem flow start", "Tx buffer low - set CTS to true"}));
}

// Everything the application had queued goes: the buffer and all that waits
// in the port, more than one read's worth included. CTS, off since the
// buffer ran full, rises at the next tick.
void Tst_bridge::tx_kill_discards_the_waiting_bytes()
{
    application(true);
    port->to_read = pattern_bytes(45000);
    read_all_offered();
    bridge->_service_tx_buffer();
    QVERIFY(!bridge->clear_to_send());
    port->to_read = pattern_bytes(25000, 3);

    bridge->tx_killed();
    QVERIFY(bridge->transmit_buffer().isEmpty());
    QVERIFY2(port->to_read.isEmpty(),
             qPrintable(QString("%1 bytes still wait in the port").arg(port->to_read.size())));
    QVERIFY(!port->cts);

    const int sent_before = data_messages();
    port->calls.clear();
    bridge->_service_tx_buffer();
    QVERIFY(port->cts);
    QVERIFY(bridge->clear_to_send());
    QCOMPARE(port->calls, (QStringList{"ReadArray 10000", "SetCTS true"}));
    QCOMPARE(data_messages(), sent_before);
    QCOMPARE(flow_log().last(), QString("Tx buffer low - set CTS to true"));

    // Bytes written after the kill travel as usual.
    port->to_read = "after";
    bridge->vsp_received_characters();
    bridge->_service_tx_buffer();
    QVERIFY(sent_to_modem().endsWith("after"));
}

void Tst_bridge::tx_resume_empties_the_buffer()
{
    port->to_read = pattern_bytes(3000);
    bridge->vsp_received_characters();
    port->to_read = "still in the port";
    port->calls.clear();
    bridge->tx_resumed();
    QVERIFY(bridge->transmit_buffer().isEmpty());
    QCOMPARE(port->calls, QStringList()); // what waits in the port stays
    bridge->_service_tx_buffer();
    QCOMPARE(data_messages(), 0);
}

// Opening enables data from the modem and starts the service timer; closing
// disables it and leaves the timer running.
void Tst_bridge::open_and_close_reactions()
{
    QTimer* timer = bridge->tx_service_timer();
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 30);
    // A coarse timer's late ticks cost up to 5 % of the rate toward the modem.
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);

    application(true);
    QCOMPARE(frames->names(), QStringList{from_modem_enable});
    QVERIFY(timer->isActive());

    application(false);
    QCOMPARE(frames->names(), (QStringList{from_modem_enable, from_modem_disable}));
    QVERIFY(timer->isActive());

    application(true);
    QCOMPARE(frames->names(),
             (QStringList{from_modem_enable, from_modem_disable, from_modem_enable}));
    QVERIFY(timer->isActive());

    // The timer drives the service: bytes leave without a direct call.
    port->to_read = "ticked";
    bridge->vsp_received_characters();
    QTRY_COMPARE_WITH_TIMEOUT(sent_to_modem(), QByteArray("ticked"), scaled_ms(5000));
}

void Tst_bridge::log_lines_of_the_modem_signals_data()
{
    QTest::addColumn<QString>("signal");
    QTest::addColumn<QString>("line");
    QTest::newRow("set ack") << "send_data_to_modem_set_ack"
                             << "resp_handle|Data to modem set ack";
    QTest::newRow("flow stop") << "data_to_modem_flow_stop_indication"
                               << "flow_ctrl|Data to modem flow stop";
    QTest::newRow("flow start") << "data_to_modem_flow_start_indication"
                                << "flow_ctrl|Data to modem flow start";
}

// Through the modem interface's signals, as the window wires them.
void Tst_bridge::log_lines_of_the_modem_signals()
{
    QFETCH(QString, signal);
    QFETCH(QString, line);
    using M = vq_qt::QModem_interface;
    connect(modem.get(), &M::send_data_to_modem_set_ack, bridge.get(),
            &Data_path_bridge::_handle_data_to_modem_set_ack);
    connect(modem.get(), &M::data_to_modem_flow_stop_indication, bridge.get(),
            &Data_path_bridge::_handle_data_to_modem_flow_stop_indication);
    connect(modem.get(), &M::data_to_modem_flow_start_indication, bridge.get(),
            &Data_path_bridge::_handle_data_to_modem_flow_start_indication);
    QVERIFY(QMetaObject::invokeMethod(modem.get(), signal.toLatin1().constData()));
    QCOMPARE(log->lines(), QStringList{line});
}

void Tst_bridge::zero_bytes_from_the_modem_reach_the_port()
{
    application(true);
    bridge->_handle_data_from_modem_set(QByteArray(), true);
    QCOMPARE(port->calls, QStringList{"WriteArray 0"});
    QVERIFY(port->written.isEmpty());
    QCOMPARE(log->in("resp_handle"), QStringList{"_handle_data_from_modem_set 0 true"});
    QCOMPARE(bridge->receive_queue_size(), 0);
}

// An application that holds the port and does not read: nothing is dropped,
// the modem is told once to hold its data above 64 KiB and once to send
// again below 16 KiB.
void Tst_bridge::unread_bytes_are_queued_and_hold_the_modem()
{
    application(true);
    frames->clear();
    port->take_limit = 0;
    QByteArray delivered;
    for (int i = 0; i < 64; ++i) {
        const QByteArray block = pattern_bytes(1024, i);
        delivered += block;
        bridge->_handle_data_from_modem_set(block, false);
    }
    QCOMPARE(bridge->receive_queue_size(), 65536);
    QVERIFY(frames->names().isEmpty());
    QVERIFY(!bridge->modem_data_held());

    // One byte over the mark holds the modem; what is on its way still comes.
    delivered += "x";
    bridge->_handle_data_from_modem_set("x", false);
    QCOMPARE(frames->names(), QStringList{from_modem_disable});
    QVERIFY(bridge->modem_data_held());
    for (int i = 0; i < 10; ++i) {
        const QByteArray block = pattern_bytes(1000, 100 + i);
        delivered += block;
        bridge->_handle_data_from_modem_set(block, i == 9);
    }
    QCOMPARE(frames->names(), QStringList{from_modem_disable});
    QCOMPARE(bridge->receive_queue_size(), delivered.size());
    QVERIFY(port->written.isEmpty());

    // The application reads again, a little at a time.
    int queued_at_enable = -1;
    connect(modem.get(), &vq_qt::QModem_interface::send_sipc_data, this,
            [&](const QByteArray& frame) {
                if (decode_sent_frame(frame).name == from_modem_enable) {
                    queued_at_enable = bridge->receive_queue_size();
                }
            });
    port->take_limit = 4096;
    for (int room = 0; room < 100 && bridge->receive_queue_size() > 0; ++room) {
        emit port->ready_for_write();
    }
    QCOMPARE(bridge->receive_queue_size(), 0);
    QCOMPARE(frames->names(), (QStringList{from_modem_disable, from_modem_enable}));
    QVERIFY2(queued_at_enable >= 0 && queued_at_enable < 16 * 1024,
             qPrintable(QString::number(queued_at_enable)));
    QVERIFY2(queued_at_enable > 16 * 1024 - 4096 - 1024,
             qPrintable(QString::number(queued_at_enable)));
    QVERIFY(!bridge->modem_data_held());
    QCOMPARE(port->written, delivered);
}

// What the modem delivers while nobody holds the port is the station's
// traffic: the next application gets it, ahead of what the modem held. Only
// what still waits when the console closes is lost, with one warning.
void Tst_bridge::bytes_for_nobody_wait_for_the_next_application()
{
    QByteArray delivered;
    for (int size : {100, 200, 300}) {
        delivered += pattern_bytes(size, size);
        bridge->_handle_data_from_modem_set(pattern_bytes(size, size), false);
    }
    QCOMPARE(port->calls, QStringList());
    QCOMPARE(bridge->receive_queue_size(), 600);

    application(true);
    bridge->_handle_data_from_modem_set("fresh", false);
    QCOMPARE(port->written, delivered + "fresh");
    QCOMPARE(frames->names(), QStringList{from_modem_enable});

    application(false);
    bridge->_handle_data_from_modem_set(pattern_bytes(42), true);
    QVERIFY(log->lines_with_levels().filter("discarded").isEmpty());
    bridge->report_discarded_data();
    bridge->report_discarded_data();
    QCOMPARE(log->lines_with_levels().filter("discarded"),
             QStringList{"W|vserial|42 bytes from the modem discarded: no application took them"});
}

void Tst_bridge::bytes_left_by_a_closing_application_do_not_reach_the_next()
{
    application(true);
    port->take_limit = 1000;
    bridge->_handle_data_from_modem_set(pattern_bytes(6000), false);
    QCOMPARE(port->written.size(), 1000);
    QCOMPARE(bridge->receive_queue_size(), 5000);

    application(false);
    QCOMPARE(bridge->receive_queue_size(), 0);
    QCOMPARE(log->lines_with_levels().filter("dropped"),
             QStringList{"W|vserial|5000 bytes from the modem dropped: the application closed "
                         "the virtual port without reading them"});
    port->take_limit = -1;
    application(true);
    QCOMPARE(port->written.size(), 1000);
    bridge->_handle_data_from_modem_set("next", false);
    QCOMPARE(port->written.mid(1000), QByteArray("next"));
}

// While the link to the modem is down (No Response, a device replaced) a
// chunk would go nowhere: the bytes wait in the buffer and leave, in order,
// once the modem is connected again.
void Tst_bridge::nothing_is_sent_while_the_modem_link_is_down()
{
    application(true);
    const QByteArray all = pattern_bytes(1000, 3);
    port->to_read = all;
    read_all_offered();
    bridge->set_modem_link_up(false);
    for (int i = 0; i < 10; ++i) {
        bridge->_service_tx_buffer();
    }
    QCOMPARE(data_messages(), 0);
    QCOMPARE(bridge->transmit_buffer(), all);
    bridge->set_modem_link_up(true);
    while (!bridge->transmit_buffer().isEmpty()) {
        bridge->_service_tx_buffer();
    }
    QCOMPARE(sent_to_modem(), all);
}

// Once the keep-alive answer is overdue no chunk leaves; when the modem is
// declared lost, one warning counts what it never acknowledged.
void Tst_bridge::a_silent_modem_holds_the_data_and_counts_what_may_be_lost()
{
    application(true);
    port->to_read = pattern_bytes(1000);
    read_all_offered();
    bridge->_service_tx_buffer();
    bridge->_handle_data_to_modem_set_ack();
    bridge->set_modem_answer_overdue(true);
    bridge->_service_tx_buffer();
    QCOMPARE(data_messages(), 1);
    bridge->set_modem_answer_overdue(false);
    bridge->_service_tx_buffer();
    bridge->_service_tx_buffer();
    bridge->modem_stopped_answering();
    QCOMPARE(log->lines_with_levels().filter("lost"),
             QStringList{"W|flow_ctrl|288 bytes of user data sent to the modem may have been lost: "
                         "it stopped answering before acknowledging them"});
}

// A modem set up again may have forgotten what it was asked about its data:
// it is asked again, a confirmed hold included. A flow stop from before is
// lifted only when the modem showed that it restarted.
void Tst_bridge::a_modem_set_up_again_data()
{
    QTest::addColumn<bool>("restarted");
    QTest::addColumn<int>("unread");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("restarted") << true << 0 << QStringList{from_modem_enable};
    QTest::newRow("flow stop kept") << false << 0 << QStringList{from_modem_enable};
    QTest::newRow("hold asserted") << true << 70000 << QStringList{from_modem_disable};
}

void Tst_bridge::a_modem_set_up_again()
{
    QFETCH(bool, restarted);
    QFETCH(int, unread);
    QFETCH(QStringList, asked);
    application(true);
    emit modem->send_data_from_modem_flow_enable_set_ack();
    port->take_limit = 0;
    if (unread > 0) {
        bridge->_handle_data_from_modem_set(pattern_bytes(unread), false);
        emit modem->send_data_from_modem_flow_disable_set_ack();
    }
    bridge->_handle_data_to_modem_flow_stop_indication();
    port->to_read = "waiting";
    read_all_offered();
    bridge->_service_tx_buffer();
    QCOMPARE(data_messages(), 0);

    bridge->set_modem_link_up(false);
    if (restarted) {
        bridge->modem_restarted();
    }
    frames->clear();
    bridge->set_modem_link_up(true);
    QCOMPARE(frames->names(), asked);
    QCOMPARE(bridge->modem_flow_stopped(), restarted ? 0 : 1);
    bridge->_service_tx_buffer();
    QCOMPARE(sent_to_modem(), QByteArray(restarted ? "waiting" : ""));
}

// A damaged enable would leave the modem holding its data for good: until
// the modem answers (acknowledges or refuses), the request goes again each
// time the confirmation timer runs out while the modem is connected. An
// answer to the opposite request confirms nothing.
void Tst_bridge::an_unanswered_enable_or_disable_is_sent_again()
{
    QTimer* confirm = bridge->from_modem_confirm_timer();
    application(true);
    QVERIFY(confirm->isActive());
    frames->clear();
    QVERIFY(QMetaObject::invokeMethod(confirm, "timeout")); // the timer runs out
    QCOMPARE(frames->names(), QStringList{from_modem_enable});
    QCOMPARE(flow_log(), QStringList{"Data from modem enable not acknowledged - sent again"});
    emit modem->send_data_from_modem_flow_disable_set_ack();
    QVERIFY(confirm->isActive());
    emit modem->send_data_from_modem_flow_enable_set_ack();
    QVERIFY(!confirm->isActive());
    frames->clear();
    QVERIFY(QMetaObject::invokeMethod(confirm, "timeout")); // the timer runs out
    QVERIFY(frames->names().isEmpty());

    application(false);
    emit modem->send_data_from_modem_flow_enable_set_ack();
    frames->clear();
    QVERIFY(QMetaObject::invokeMethod(confirm, "timeout")); // the timer runs out
    QCOMPARE(frames->names(), QStringList{from_modem_disable});
    emit modem->send_data_from_modem_flow_disable_set_nack();
    QVERIFY(!confirm->isActive());

    // A disable still unanswered when the link went goes again with it.
    bridge->vsp_port_closed();
    bridge->set_modem_link_up(false);
    frames->clear();
    bridge->set_modem_link_up(true);
    QCOMPARE(frames->names(), QStringList{from_modem_disable});
    emit modem->send_data_from_modem_flow_disable_set_ack();

    // While the link is down nothing goes; the modem set up again is asked.
    application(true);
    bridge->set_modem_link_up(false);
    frames->clear();
    QVERIFY(QMetaObject::invokeMethod(confirm, "timeout")); // the timer runs out
    QVERIFY(frames->names().isEmpty());
    bridge->set_modem_link_up(true);
    QCOMPARE(frames->names(), QStringList{from_modem_enable});
}

QTEST_MAIN(Tst_bridge)
#include "tst_bridge.moc"
