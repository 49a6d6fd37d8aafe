// Requests that carry a transaction number back to their caller (system
// mode, the ALE operations, unregistering): when the number is taken, how it
// wraps, and the layouts of the ALE requests with counted texts and arrays.

#include "modem_peer.h"

#include <QtTest>
#include <functional>

using test::hex;
using test::Interface_log;
using test::Modem_peer;
using test::parse_frame;
using test::Sent_frame;
using test::Test_modem;
using test::zeros;

using Operation = std::function<bool(Test_modem&)>;
Q_DECLARE_METATYPE(Operation)

class Tst_ale_requests : public QObject
{
    Q_OBJECT

private slots:
    void transaction_written_before_send_data();
    void transaction_written_before_send();
    void transaction_after_255_is_1();
    void consecutive_ale_transactions();
    void scan_list_entry_data();
    void scan_list_entry();
    void address_table_preset_map_data();
    void address_table_preset_map();
    void call_setup_addresses_data();
    void call_setup_addresses();
    void counted_texts_never_disagree_with_their_length();
    void missing_pattern_and_arrays_are_sent_as_zeros();
};

void Tst_ale_requests::transaction_written_before_send_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<bool>("stopped");

    // Each operation stores its number in a variable the row cannot see, so
    // the operation reports it through the frame (sent) or the return value.
    auto add = [](const char* name, std::function<bool(Test_modem&, uchar&)> op) {
        for (bool stopped : {false, true}) {
            QTest::newRow(qPrintable(QString("%1 %2").arg(name, stopped ? "refused" : "sent")))
                << Operation([op](Test_modem& m) {
                       uchar number = 0;
                       op(m, number);
                       return number == 1;
                   })
                << stopped;
        }
    };
    add("set_system_mode", [](Test_modem& m, uchar& n) { return m.set_system_mode(1, n); });
    add("set_ale_system_mode", [](Test_modem& m, uchar& n) {
        return m.set_ale_system_mode(vq_qt::ale_system_mode_disabled, n);
    });
    add("set_ale_activity_timeout",
        [](Test_modem& m, uchar& n) { return m.set_ale_activity_timeout(1, n); });
    add("set_ale_lbt_time", [](Test_modem& m, uchar& n) { return m.set_ale_lbt_time(1, n); });
    add("set_ale_scan_list_entry",
        [](Test_modem& m, uchar& n) { return m.set_ale_scan_list_entry(1, "A", {}, n); });
    add("set_ale_address_table_ext", [](Test_modem& m, uchar& n) {
        return m.set_ale_address_table_ext(1, "A", "B", 1, 2, 3, 4, {}, n);
    });
    add("set_ale_nonvolatile_memory_reset",
        [](Test_modem& m, uchar& n) { return m.set_ale_nonvolatile_memory_reset(1, n); });
    add("set_ale_call_setup",
        [](Test_modem& m, uchar& n) { return m.set_ale_call_setup(1, 2, 3, {}, n); });
    add("set_ale_call_control", [](Test_modem& m, uchar& n) { return m.set_ale_call_control(n); });
    add("set_ale_terminate_link",
        [](Test_modem& m, uchar& n) { return m.set_ale_terminate_link(1, n); });
    add("set_ale_abort_request",
        [](Test_modem& m, uchar& n) { return m.set_ale_abort_request(1, n); });
    add("unregister_for_all_indications",
        [](Test_modem& m, uchar& n) { return m.unregister_for_all_indications(n); });
}

void Tst_ale_requests::transaction_written_before_send()
{
    QFETCH(Operation, operation);
    QFETCH(bool, stopped);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    if (stopped) {
        modem.sipc_protocol_handler().stop();
    }
    QVERIFY(operation(modem));
    QCOMPARE(peer.frames.size(), stopped ? 0 : 1);
    if (!stopped) {
        QCOMPARE(parse_frame(peer.frames.first()).transaction, 1);
    }
}

void Tst_ale_requests::transaction_after_255_is_1()
{
    Test_modem modem;
    Modem_peer peer(modem);
    for (int i = 0; i < 255; ++i) {
        modem.tac1_message_handler().next_transaction();
    }
    uchar number = 0;
    QVERIFY(modem.set_system_mode(2, number));
    QCOMPARE(int(number), 1);
    QCOMPARE(parse_frame(peer.frames.last()).transaction, 1);
}

void Tst_ale_requests::consecutive_ale_transactions()
{
    Test_modem modem;
    Modem_peer peer(modem);
    uchar first = 0;
    uchar second = 0;
    uchar third = 0;
    QVERIFY(modem.set_ale_lbt_time(1, first));
    QVERIFY(modem.set_ale_call_control(second));
    QVERIFY(modem.set_reset(0));
    QVERIFY(modem.set_ale_abort_request(1, third));
    QCOMPARE(int(first), 1);
    QCOMPARE(int(second), 2);
    QCOMPARE(int(third), 4);
    QCOMPARE(parse_frame(peer.frames.at(3)).transaction, 4);
}

void Tst_ale_requests::scan_list_entry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("matrix");
    QTest::addColumn<QByteArray>("name_field");
    QTest::addColumn<QByteArray>("matrix_field");

    const QByteArray ten = hex("0102030405060708090A");
    const QByteArray sixteen = hex("0102030405060708090A0B0C0D0E0F10");
    QTest::newRow("10-byte matrix: zeros in front")
        << "NET1" << ten << hex("4E455431") + zeros(11) << zeros(3) + ten;
    QTest::newRow("16-byte matrix: first 13 bytes")
        << "NET1" << sixteen << hex("4E455431") + zeros(11) << sixteen.left(13);
    QTest::newRow("13-byte matrix unchanged")
        << "NET1" << sixteen.left(13) << hex("4E455431") + zeros(11) << sixteen.left(13);
    QTest::newRow("empty matrix") << "" << QByteArray() << zeros(15) << zeros(13);
    QTest::newRow("name cut to 15")
        << "ABCDEFGHIJKLMNOPQRS" << ten << QByteArray("ABCDEFGHIJKLMNO") << zeros(3) + ten;
}

void Tst_ale_requests::scan_list_entry()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, matrix);
    QFETCH(QByteArray, name_field);
    QFETCH(QByteArray, matrix_field);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    uchar number = 0;
    QVERIFY(modem.set_ale_scan_list_entry(9, name, matrix, number));
    const Sent_frame sent = parse_frame(peer.frames.first());
    QCOMPARE(sent.payload.size(), 29);
    QCOMPARE(int(quint8(sent.payload.at(0))), 9);
    QCOMPARE(sent.payload.mid(1, 15).toHex(), name_field.toHex());
    QCOMPARE(sent.payload.mid(16, 13).toHex(), matrix_field.toHex());
    QVERIFY(Interface_log::texts("qmdm_if", QtDebugMsg)
                .contains("scan_list_assignment_matrix = \"" + matrix_field.toHex() + "\""));
}

void Tst_ale_requests::address_table_preset_map_data()
{
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QByteArray>("field");
    const QByteArray twenty_five = hex("0102030405060708090A0B0C0D0E0F101112131415161718191A");
    QTest::newRow("25 bytes: first 20") << twenty_five.left(25) << twenty_five.left(20);
    QTest::newRow("5 bytes: zeros after") << hex("0102030405") << hex("0102030405") + zeros(15);
    QTest::newRow("20 bytes unchanged") << twenty_five.left(20) << twenty_five.left(20);
    QTest::newRow("empty") << QByteArray() << zeros(20);
}

void Tst_ale_requests::address_table_preset_map()
{
    QFETCH(QByteArray, map);
    QFETCH(QByteArray, field);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    uchar number = 0;
    QVERIFY(modem.set_ale_address_table_ext(5, "STATION-NAME-LONGER", "ADR", 1, 0xABCD, 30, 9, map,
                                            number));
    const Sent_frame sent = parse_frame(peer.frames.first());
    QCOMPARE(sent.payload.size(), 57);
    QCOMPARE(sent.payload.mid(1, 15), QByteArray("STATION-NAME-LO"));
    QCOMPARE(sent.payload.mid(16, 15).toHex(), (QByteArray("ADR") + zeros(12)).toHex());
    QCOMPARE(sent.payload.mid(31, 6).toHex(), QByteArray("01abcd001e09"));
    QCOMPARE(sent.payload.mid(37, 20).toHex(), field.toHex());

    const QStringList debug =
        Interface_log::texts("qmdm_if", QtDebugMsg).filter("set_ale_address_table_ext");
    QCOMPARE(debug.size(), 1);
    QVERIFY(debug.first().startsWith("set_ale_address_table_ext\n address_index:5\n"));
    QVERIFY(debug.first().contains("\n address_name:STATION-NAME-LO\n address:ADR\n"));
    QVERIFY(debug.first().contains("\n address_wait_for_reply_time:30\n"));
    QVERIFY(debug.first().contains("\n address_select_preset_map (20):\""));
    QVERIFY(debug.first().endsWith("\n message_sequence_number:1"));
}

void Tst_ale_requests::call_setup_addresses_data()
{
    QTest::addColumn<QByteArray>("addresses");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("3 bytes: two 0xFF after") << hex("0A0B0C") << hex("0A0B0CFFFF");
    QTest::newRow("7 bytes: first 5") << hex("01020304050607") << hex("0102030405");
    QTest::newRow("empty: all 0xFF") << QByteArray() << hex("FFFFFFFFFF");
}

void Tst_ale_requests::call_setup_addresses()
{
    QFETCH(QByteArray, addresses);
    QFETCH(QByteArray, field);

    Test_modem modem;
    Modem_peer peer(modem);
    QVERIFY(modem.set_ale_call_setup(7, 8, 9, addresses));
    const Sent_frame sent = parse_frame(peer.frames.first());
    QCOMPARE(sent.payload.toHex(), (hex("070809") + field).toHex());
}

void Tst_ale_requests::counted_texts_never_disagree_with_their_length()
{
    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);

    // Multi-byte local characters: the length byte counts bytes, not characters.
    QVERIFY(modem.set_radio_select(1, QString::fromUtf8("\xC3\xA9t\xC3\xA9")));
    Sent_frame sent = parse_frame(peer.frames.last());
    const QByteArray local = QString::fromUtf8("\xC3\xA9t\xC3\xA9").toLocal8Bit();
    QCOMPARE(int(quint8(sent.payload.at(1))), local.size());
    QCOMPARE(sent.payload.mid(2), local);

    // Over-long texts are cut to what one length byte can count.
    QVERIFY(modem.set_module_serial_number(1, QString(300, 'x')));
    sent = parse_frame(peer.frames.last());
    QCOMPARE(int(quint8(sent.payload.at(1))), 255);
    QCOMPARE(sent.payload.size(), 257);
    QCOMPARE(Interface_log::warnings().size(), 1);
}

void Tst_ale_requests::missing_pattern_and_arrays_are_sent_as_zeros()
{
    Test_modem modem;
    Modem_peer peer(modem);
    QVERIFY(modem.set_dte_port_activity_mode(1, 2, nullptr, 3, 4, 5));
    QCOMPARE(parse_frame(peer.frames.last()).payload.toHex(), QByteArray("010200000000030400"
                                                                         "05"));
    QVERIFY(modem.set_buzzer_tune(1, 2, 3, 2, nullptr, nullptr));
    QCOMPARE(parse_frame(peer.frames.last()).payload.toHex(), QByteArray("0102030002"
                                                                         "00000000"
                                                                         "00000000"));
    // The LED count byte and the bytes carried agree.
    QVERIFY(modem.set_front_pannel_led_state(4, hex("0102")));
    QCOMPARE(parse_frame(peer.frames.last()).payload.toHex(), QByteArray("04"
                                                                         "01020000"));
}

QTEST_GUILESS_MAIN(Tst_ale_requests)
#include "tst_ale_requests.moc"
