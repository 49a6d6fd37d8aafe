// Replies and indications: the values decoded from them, NACK reasons,
// failure values, malformed replies and replies split over several reads.

#include "modem_peer.h"

#include <QSignalSpy>
#include <QtTest>

using test::hex;
using test::Interface_log;
using test::Modem_peer;
using test::nacked;
using test::Signal_recorder;
using test::Test_modem;
using namespace test::reply_types;

class Tst_reply_values : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nack_reasons_data();
    void nack_reasons();
    void decoded_values_data();
    void decoded_values();
    void failure_values_data();
    void failure_values();
    void reply_split_over_chunks_data();
    void reply_split_over_chunks();
    void system_mode_acknowledgement_matches_request();
    void malformed_replies_data();
    void malformed_replies();
    void request_sent_from_a_reply_slot();
};

void Tst_reply_values::initTestCase()
{
    qRegisterMetaType<const char*>("const char*");
}

void Tst_reply_values::nack_reasons_data()
{
    QTest::addColumn<quint32>("reason");
    QTest::addColumn<QString>("text");
    QTest::newRow("130") << 130u << "PARAMETER 2";
    QTest::newRow("5") << 5u << "UNKNOWN";
    QTest::newRow("200") << 200u << "UNKNOWN";
    QTest::newRow("149") << 149u << "UNKNOWN";
    QTest::newRow("148") << 148u << "PARAMETER 20";
    QTest::newRow("128") << 128u << "PARAMETER BASE";
    QTest::newRow("0") << 0u << "NONE";
    QTest::newRow("32") << 32u << "MSG NOT IMPLEMENTED";
}

void Tst_reply_values::nack_reasons()
{
    QFETCH(quint32, reason);
    QFETCH(QString, text);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    QSignalSpy reset_nack(&modem, &vq_qt::QModem_interface::reset_set_nack);
    QSignalSpy reset_ack(&modem, &vq_qt::QModem_interface::reset_set_ack);
    QVERIFY(modem.set_reset(1));
    peer.nack(0x00000001, 1, reason);

    QCOMPARE(Interface_log::warnings(), QStringList{nacked("Tac1_msg_modem_ctrl_reset_set", text)});
    QCOMPARE(reset_nack.count(), 1);
    QCOMPARE(reset_ack.count(), 0);
}

void Tst_reply_values::decoded_values_data()
{
    QTest::addColumn<quint32>("identifier");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<QVariantList>("arguments");

    auto row = [](const char* name, quint32 id, int type, const QByteArray& payload,
                  const char* signal, const QVariantList& arguments) {
        QTest::newRow(name) << id << type << payload << QString(signal) << arguments;
    };
    row("site mode", 0x00000042, response, hex("05"), "system_site_mode_request_response",
        {uchar(5)});
    row("software version", 0x00000018, response, hex("01 05 312E302E37"),
        "software_version_number_request_response", {uchar(1), QString("1.0.7")});
    row("software version cut at zero", 0x00000018, response, hex("01 05 3100320000"),
        "software_version_number_request_response", {uchar(1), QString("1")});
    row("software version utf-8", 0x00000018, response, hex("01 03 76C3A9"),
        "software_version_number_request_response", {uchar(1), QString::fromUtf8("v\xC3\xA9")});
    row("top level version", 0x000000A0, response, hex("03 322E31"),
        "request_top_level_system_software_version_number_response", {true, QString("2.1")});
    row("firmware version", 0x0000001A, response, hex("02 02 4142"),
        "request_firmware_version_number_response", {true, uchar(2), QString("AB")});
    row("module serial number", 0x000000BA, response, hex("03 04 534E3031"),
        "request_module_serial_number_response", {true, uchar(3), QString("SN01")});
    row("module serial number acknowledged", 0x000000B9, ack, {},
        "request_module_serial_number_response", {true, QVariant::fromValue(uchar(0)), QString()});
    row("silicon serial number", 0x00000004, response, hex("04 41424344") + QByteArray(13, 'Z'),
        "request_silicon_serial_number_response", {true, QString("ABCD")});
    QByteArray stock = hex("0C") + QByteArray(150, '\0');
    for (int i = 0; i < 10; ++i) {
        stock[1 + i * 15] = char('0' + i);
        stock[2 + i * 15] = char('A' + i);
    }
    row("stock numbers: at most 10", 0x000000B8, response, stock, "request_stock_numbers_response",
        {true, QStringList{"0A", "1B", "2C", "3D", "4E", "5F", "6G", "7H", "8I", "9J"}});
    stock[0] = 2;
    row("stock numbers: the count given", 0x000000B8, response, stock,
        "request_stock_numbers_response", {true, QStringList{"0A", "1B"}});
    row("default boot application", 0x000000B3, response, hex("0304"),
        "request_default_boot_application_response", {true, uchar(3), uchar(4)});
    row("startup status", 0x0000009E, response, hex("01"), "request_modem_startup_status_response",
        {true, uchar(1)});
    row("audio level", 0x00020002, response, hex("01FFF6"),
        "audio_tx_output_level_request_response", {uchar(1), short(-10)});
    row("ota settings", 0x0003000A, response, hex("010203040506"),
        "psk_modem_ota_settings_request_response",
        {uchar(1), uchar(2), uchar(3), uchar(4), uchar(5), uchar(6)});
    row("deacquire limit", 0x00030028, response, hex("07"),
        "psk_modem_deacquire_limit_request_response", {uchar(7)});
    row("dte mode", 0x00010002, response, hex("02"), "dte_port_mode_request_response", {uchar(2)});
    row("async settings", 0x00010020, response, hex("07080102"),
        "dte_port_async_settings_request_response", {uchar(7), uchar(8), uchar(1), uchar(2)});
    row("flow control", 0x0001000C, response, hex("01"),
        "dte_port_async_flow_control_request_response", {uchar(1)});
    row("data from modem, final", 0x000A0007, request, hex("0003 414243 01"), "data_from_modem_set",
        {QByteArray("ABC"), true});
    row("data from modem, more", 0x000A0007, request, hex("0002 0000 00"), "data_from_modem_set",
        {QByteArray(2, '\0'), false});
    row("occupancy", 0x00120002, indication, hex("0102 0304 0000 0000 0000"),
        "occupancy_detected_result_indication", {ushort(0x0102), ushort(0x0304)});
    row("mac address", 0x000C0012, response, hex("0A1B2C3D4E5F"), "request_mac_address_response",
        {true, QString("0A1B2C3D4E5F")});
    row("ip configuration", 0x000C0014, response, hex("C0A80001 FFFFFF00 C0A800FE"),
        "request_ip_configuration_response", {true, 0xC0A80001u, 0xFFFFFF00u, 0xC0A800FEu});
    row("rtc 0x7FFF: not available", 0x02BC0020, response, hex("7FFF"),
        "request_rtc_temperature_response", {true, false, 0.0f});
    row("rtc -20: -10 degrees", 0x02BC0020, response, hex("FFEC"),
        "request_rtc_temperature_response", {true, true, -10.0f});
    row("rtc 51: 25.5 degrees", 0x02BC0020, response, hex("0033"),
        "request_rtc_temperature_response", {true, true, 25.5f});
    row("radio select", 0x000D001A, response, hex("02 05 4142004344"),
        "radio_select_request_response", {uchar(2), QString("AB")});
    row("channel change times", 0x000D002E, response, hex("0001000200030004"),
        "radio_channel_change_and_atu_tune_time_request_response",
        {ushort(1), ushort(2), ushort(3), ushort(4)});
    row("fixed frequency", 0x000D0002, response, hex("0007 00000001 00000002 03 01 00"),
        "radio_fixed_freq_parameters_request_response",
        {ushort(7), 1u, 2u, uchar(3), uchar(1), uchar(0)});
    row("rcm activation", 0x000D0016, response, hex("01"),
        "radio_control_activation_request_response", {uchar(1)});
    row("rcm status", 0x000D0018, indication, hex("0203"), "rcm_status_indication",
        {uchar(2), uchar(3)});
    row("autobaud", 0x000300AD, indication, hex("0506"), "wf_autobaud_indication",
        {uchar(5), uchar(6)});
    row("tx status", 0x000300B1, indication, hex("0102"), "modem_tx_status_indication",
        {uchar(1), uchar(2)});
    row("rx status", 0x000300B0, indication, hex("0304"), "modem_rx_status_indication",
        {uchar(3), uchar(4)});
    row("lqa", 0x000300AC, indication, hex("F60A020503FF3801"), "wf_lqa_indication",
        {char(-10), uchar(10), uchar(2), uchar(5), uchar(3), short(-200), uchar(1)});
    row("ale status: zero bytes become blanks", 0x000B0006, indication,
        hex("01 02 03 04 05 06 07 53543100535432"), "ale_report_status_indication",
        {uchar(1), uchar(2), uchar(3), uchar(4), uchar(5), uchar(6), uchar(7), QString("ST1 ST2")});
    row("audio rx level", 0x02BC0018, response, hex("FFFFFFFF 00000010"),
        "audio_rx_level_request_response", {-1, 16});
    row("audio quality", 0x02BC001A, response, hex("F603"), "request_audio_quality_response",
        {true, QVariant::fromValue(vq_qt::schar(-10)), uchar(3)});
    row("sense 1", 0x02BC000E, response, hex("01"), "request_lz7_n_ppt_sense1_response",
        {true, uchar(1)});
    row("sense 2", 0x02BC0010, response, hex("00"), "request_lz7_n_ppt_sense2_response",
        {true, uchar(0)});
    row("test result", 0x02BC001E, response, hex("FE 0002 4F4B"),
        "request_lz7_hw_testing_test_result_response",
        {true, QVariant::fromValue(vq_qt::schar(-2)), QString("OK")});
    row("ctrl processor test result", 0x02BC0024, response, hex("05 0003 4E4F00"),
        "request_lz7_hw_testing_ctrl_processor_test_result_response",
        {true, QVariant::fromValue(vq_qt::schar(5)), QString("NO")});
}

void Tst_reply_values::decoded_values()
{
    QFETCH(quint32, identifier);
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QString, signal);
    QFETCH(QVariantList, arguments);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    Signal_recorder recorder(&modem);
    peer.reply(identifier, 1, static_cast<std::uint8_t>(type), payload);

    QCOMPARE(recorder.fired(), QStringList{signal});
    QCOMPARE(recorder.spy(signal).first(), arguments);
    QVERIFY(Interface_log::warnings().isEmpty());
}

void Tst_reply_values::failure_values_data()
{
    QTest::addColumn<quint32>("identifier");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<QVariantList>("arguments");

    auto row = [](const char* name, quint32 id, int type, const char* signal,
                  const QVariantList& arguments) {
        QTest::newRow(name) << id << type << QString(signal) << arguments;
    };
    row("top level version after NACK", 0x000000A0, nack,
        "request_top_level_system_software_version_number_response", {false, QString("INVALID")});
    row("top level version after INVALID", 0x000000A0, invalid,
        "request_top_level_system_software_version_number_response", {false, QString("INVALID")});
    row("firmware after NACK", 0x0000001A, nack, "request_firmware_version_number_response",
        {false, uchar(127), QString("INVALID")});
    row("module serial number after NACK", 0x000000BA, nack,
        "request_module_serial_number_response", {false, uchar(127), QString("INVALID")});
    row("silicon serial number after NACK", 0x00000004, nack,
        "request_silicon_serial_number_response", {true, QString("")});
    row("stock numbers after NACK", 0x000000B8, nack, "request_stock_numbers_response",
        {true, QStringList()});
    row("audio quality after NACK", 0x02BC001A, nack, "request_audio_quality_response",
        {false, QVariant::fromValue(vq_qt::schar(127)), uchar(2)});
    row("sense 1 after NACK", 0x02BC000E, nack, "request_lz7_n_ppt_sense1_response",
        {true, uchar(0)});
    row("sense 2 after INVALID", 0x02BC0010, invalid, "request_lz7_n_ppt_sense2_response",
        {true, uchar(0)});
    row("test result after NACK", 0x02BC001E, nack, "request_lz7_hw_testing_test_result_response",
        {true, QVariant::fromValue(vq_qt::schar(0)), QString()});
    row("ctrl processor test result after NACK", 0x02BC0024, nack,
        "request_lz7_hw_testing_ctrl_processor_test_result_response",
        {true, QVariant::fromValue(vq_qt::schar(0)), QString()});
}

void Tst_reply_values::failure_values()
{
    QFETCH(quint32, identifier);
    QFETCH(int, type);
    QFETCH(QString, signal);
    QFETCH(QVariantList, arguments);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    Signal_recorder recorder(&modem);
    if (type == nack) {
        peer.nack(identifier, 3, 129);
    } else {
        peer.reply(identifier, 3, static_cast<std::uint8_t>(type));
    }
    QCOMPARE(recorder.fired(), QStringList{signal});
    QCOMPARE(recorder.spy(signal).first(), arguments);
    QCOMPARE(Interface_log::warnings().size(), 1);
}

void Tst_reply_values::reply_split_over_chunks_data()
{
    QTest::addColumn<int>("chunk");
    QTest::newRow("1 byte") << 1;
    QTest::newRow("2 bytes") << 2;
    QTest::newRow("7 bytes") << 7;
    QTest::newRow("whole") << 0;
}

void Tst_reply_values::reply_split_over_chunks()
{
    QFETCH(int, chunk);

    Test_modem modem;
    Modem_peer peer(modem);
    QSignalSpy version(&modem, &vq_qt::QModem_interface::software_version_number_request_response);
    QSignalSpy data(&modem, &vq_qt::QModem_interface::data_from_modem_set);
    peer.reply(0x00000018, 5, response, hex("01 03 312E30"), chunk);
    QCOMPARE(version.count(), 1);
    QCOMPARE(version.first().at(1).toString(), QString("1.0"));

    // Two frames in one stream, chunked the same way: two signals in order.
    vq::Tac1_msg_dte_port_send_data_from_modem_set first(2, "AB", 0, 1, test::reserve,
                                                         test::header_offset);
    vq::Tac1_msg_dte_port_send_data_from_modem_set second(1, "C", 1, 2, test::reserve,
                                                          test::header_offset);
    peer.send(first.buffer());
    peer.send(second.buffer());
    peer.deliver(chunk);
    QCOMPARE(data.count(), 2);
    QCOMPARE(data.at(0), (QVariantList{QByteArray("AB"), false}));
    QCOMPARE(data.at(1), (QVariantList{QByteArray("C"), true}));
}

void Tst_reply_values::system_mode_acknowledgement_matches_request()
{
    Test_modem modem;
    Modem_peer peer(modem);
    QSignalSpy acks(&modem, &vq_qt::QModem_interface::system_mode_set_ack);
    QSignalSpy nacks(&modem, &vq_qt::QModem_interface::system_mode_set_nack);
    uchar first = 0;
    uchar second = 0;
    QVERIFY(modem.set_system_mode(3, first));
    QVERIFY(modem.set_system_mode(2, second));

    // Answers arrive out of order; each carries its request's number.
    peer.nack(0x000300AA, second, 129);
    peer.reply(0x000300AA, first, ack);
    QCOMPARE(nacks.count(), 1);
    QCOMPARE(nacks.first().first().value<uchar>(), second);
    QCOMPARE(acks.count(), 1);
    QCOMPARE(acks.first().first().value<uchar>(), first);
}

void Tst_reply_values::malformed_replies_data()
{
    QTest::addColumn<quint32>("identifier");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QString>("label");

    // A reply too short (or too long) for its layout is reported and
    // treated as a failed reply rather than read as zeros.
    QTest::newRow("B: short response raises nothing")
        << 0x0003000Au << int(response) << hex("0102") << QStringList()
        << "Tac1_msg_psk_modem_ota_settings_set";
    QTest::newRow("B+: count beyond the bytes -> nack")
        << 0x00000018u << int(response) << hex("01 09 3132")
        << QStringList{"software_version_number_request_nack"} << "request_software_version_number";
    QTest::newRow("C: long response -> failure values")
        << 0x000000A0u << int(response) << hex("01 41 42")
        << QStringList{"request_top_level_system_software_version_number_response"}
        << "request_top_level_system_software_version_number";
    QTest::newRow("D: short response raises nothing")
        << 0x02BC0020u << int(response) << hex("FF") << QStringList() << "request_rtc_temperature";
    QTest::newRow("I: short indication raises nothing")
        << 0x000300ACu << int(indication) << hex("F60A") << QStringList()
        << "Tac1_msg_wf_lqa_indication";
    QTest::newRow("S: data length beyond the bytes raises nothing")
        << 0x000A0007u << int(request) << hex("0010 4142 01") << QStringList()
        << "Tac1_msg_dte_port_send_data_from_modem_set";
}

void Tst_reply_values::malformed_replies()
{
    QFETCH(quint32, identifier);
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, emitted);
    QFETCH(QString, label);

    Interface_log log;
    Test_modem modem;
    Modem_peer peer(modem);
    Signal_recorder recorder(&modem);
    peer.reply(identifier, 1, static_cast<std::uint8_t>(type), payload);
    QCOMPARE(recorder.fired(), emitted);
    const QStringList warnings = Interface_log::warnings();
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().startsWith("#### ERROR #### Malformed response from " + label + ":"),
             qPrintable(warnings.first()));
    if (!emitted.isEmpty() && emitted.first().endsWith("_response")) {
        QCOMPARE(recorder.spy(emitted.first()).first().first().toBool(), false);
    }
}

void Tst_reply_values::request_sent_from_a_reply_slot()
{
    // A slot that answers a reply with a new request runs inside the receive
    // call; the frames after it in the same read are still delivered.
    Test_modem modem;
    Modem_peer peer(modem);
    QSignalSpy status(&modem, &vq_qt::QModem_interface::request_modem_startup_status_response);
    QSignalSpy flow(&modem, &vq_qt::QModem_interface::data_to_modem_flow_stop_indication);
    connect(&modem, &vq_qt::QModem_interface::request_modem_startup_status_response, this,
            [&modem](bool, uchar) { modem.set_system_mode(3); });

    vq::Tac1_msg_modem_startup_status_set ready(1, 4, test::reserve, test::header_offset,
                                                vq::Tac_message_types::RESPONSE);
    vq::Tac1_msg_send_data_to_modem_flow_stop_indication stop(9, test::reserve,
                                                              test::header_offset);
    peer.send(ready.buffer());
    peer.send(stop.buffer());
    peer.send(ready.buffer());
    peer.deliver();

    QCOMPARE(status.count(), 2);
    QCOMPARE(flow.count(), 1);
    QCOMPARE(peer.frames.size(), 2);
    QCOMPARE(test::parse_frame(peer.frames.at(0)).identifier, 0x000300AAu);
    QCOMPARE(test::parse_frame(peer.frames.at(1)).transaction, 2);
}

QTEST_GUILESS_MAIN(Tst_reply_values)
#include "tst_reply_values.moc"
