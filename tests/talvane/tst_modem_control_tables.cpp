#include "modem_control_tables.h"

#include <QComboBox>
#include <QtTest>

using namespace vq_qt::modem_control;

namespace {
QStringList texts(const QComboBox& box)
{
    QStringList out;
    for (int i = 0; i < box.count(); ++i)
        out << box.itemText(i);
    return out;
}
} // namespace

class Tst_modem_control_tables : public QObject
{
    Q_OBJECT

private slots:
    void interleaver_choice_data();
    void interleaver_choice();
    void ota_encoding_data();
    void ota_encoding();
    void rebuild_keeps_code_data();
    void rebuild_keeps_code();
    void data_format_codes_data();
    void data_format_codes();
    void report_names_data();
    void report_names();
    void receive_texts_data();
    void receive_texts();
    void lookup_is_exact();
};

void Tst_modem_control_tables::interleaver_choice_data()
{
    QTest::addColumn<int>("waveform");
    QTest::addColumn<int>("data_rate");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("default_code");
    const QStringList all{"U-Short", "V-Short", "Short", "Medium", "Long", "V-Long"};
    QTest::newRow("110B 12800 uncoded") << 26 << 19 << QStringList{"None"} << 1;
    QTest::newRow("110A 4800 uncoded") << 17 << 15 << QStringList{"None"} << 1;
    QTest::newRow("110B 4800 coded") << 26 << 15 << all << 4;
    QTest::newRow("2400 voice") << 17 << 12 << QStringList{"None", "Short"} << 4;
    QTest::newRow("110B 3200") << 26 << 13 << all << 4;
    QTest::newRow("110B 9600") << 26 << 18 << all << 4;
    QTest::newRow("110A 2400") << 17 << 11 << QStringList{"None", "Short", "Long"} << 4;
    QTest::newRow("110A 75") << 17 << 2 << QStringList{"None", "Short", "Long"} << 4;
    QTest::newRow("unknown waveform 12800") << 5 << 19 << QStringList{"None", "Short", "Long"} << 4;
}

void Tst_modem_control_tables::interleaver_choice()
{
    QFETCH(int, waveform);
    QFETCH(int, data_rate);
    QFETCH(QStringList, entries);
    QFETCH(int, default_code);
    QComboBox box;
    fill_selector(&box, interleaver_table(waveform, data_rate));
    QCOMPARE(texts(box), entries);
    QCOMPARE(current_code(&box), default_code);
}

void Tst_modem_control_tables::ota_encoding_data()
{
    QTest::addColumn<int>("waveform");
    QTest::addColumn<int>("data_rate");
    QTest::addColumn<int>("encoding");
    QTest::newRow("110B 12800") << 26 << 19 << 1;
    QTest::newRow("110A 4800") << 17 << 15 << 1;
    QTest::newRow("110B 4800 coded") << 26 << 15 << 2;
    QTest::newRow("110A 12800") << 17 << 19 << 2;
    QTest::newRow("110B 9600") << 26 << 18 << 2;
}

void Tst_modem_control_tables::ota_encoding()
{
    QFETCH(int, waveform);
    QFETCH(int, data_rate);
    QFETCH(int, encoding);
    QCOMPARE(vq_qt::modem_control::ota_encoding(waveform, data_rate), encoding);
}

void Tst_modem_control_tables::rebuild_keeps_code_data()
{
    QTest::addColumn<int>("from_waveform");
    QTest::addColumn<int>("selected_rate");
    QTest::addColumn<int>("to_waveform");
    QTest::addColumn<QString>("expected");
    QTest::newRow("9600 not offered by 110A") << 26 << 18 << 17 << "2400 Coded";
    QTest::newRow("1200 kept") << 26 << 9 << 17 << "1200 Coded";
    QTest::newRow("4800 coded becomes uncoded entry") << 26 << 15 << 17 << "4800 Uncoded";
    QTest::newRow("4800 uncoded to 110B") << 17 << 15 << 26 << "4800 Coded";
    QTest::newRow("12800 to 110A") << 26 << 19 << 17 << "2400 Coded";
    QTest::newRow("2400 to 110B") << 17 << 11 << 26 << "2400 Coded";
}

void Tst_modem_control_tables::rebuild_keeps_code()
{
    QFETCH(int, from_waveform);
    QFETCH(int, selected_rate);
    QFETCH(int, to_waveform);
    QFETCH(QString, expected);
    QComboBox box;
    fill_selector(&box, data_rate_table(from_waveform));
    QVERIFY(select_code(&box, selected_rate));
    fill_selector(&box, data_rate_table(to_waveform));
    QCOMPARE(box.currentText(), expected);
}

void Tst_modem_control_tables::data_format_codes_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stop");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("5N1") << 5 << 1 << 1 << 327937 << "5N1";
    QTest::newRow("8N1") << 8 << 1 << 1 << 524545 << "8N1";
    QTest::newRow("8E2") << 8 << 3 << 2 << pack_data_format(8, 3, 2) << "8E2";
    QTest::newRow("7O1") << 7 << 2 << 1 << pack_data_format(7, 2, 1) << "7O1";
    QTest::newRow("6E1") << 6 << 3 << 1 << pack_data_format(6, 3, 1) << "6E1";
}

void Tst_modem_control_tables::data_format_codes()
{
    QFETCH(int, bits);
    QFETCH(int, parity);
    QFETCH(int, stop);
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(pack_data_format(bits, parity, stop), code);
    QCOMPARE(data_format_data_bits(code), bits);
    QCOMPARE(data_format_parity(code), parity);
    QCOMPARE(data_format_stop_bits(code), stop);
    QComboBox box;
    fill_selector(&box, data_format_table());
    QCOMPARE(box.count(), 24);
    QCOMPARE(box.currentText(), QString("8N1"));
    QVERIFY(select_code(&box, code));
    QCOMPARE(box.currentText(), text);
}

void Tst_modem_control_tables::report_names_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("rate 12") << "rate" << 12 << "2400 Voice";
    QTest::newRow("rate 0") << "rate" << 0 << "Unknown";
    QTest::newRow("rate 22") << "rate" << 22 << "Unknown";
    QTest::newRow("rate 21") << "rate" << 21 << "19200";
    QTest::newRow("interleaver 7") << "interleaver" << 7 << "V-Long";
    QTest::newRow("interleaver 8") << "interleaver" << 8 << "Unknown";
    QTest::newRow("rx 5") << "rx" << 5 << "SYNC";
    QTest::newRow("rx 3") << "rx" << 3 << "Unknown";
    QTest::newRow("tx 4") << "tx" << 4 << "<font color='red'>STANDBY</font>";
    QTest::newRow("tx 0") << "tx" << 0 << "Unknown";
}

void Tst_modem_control_tables::report_names()
{
    QFETCH(QString, kind);
    QFETCH(int, code);
    QFETCH(QString, name);
    const QString got = kind == "rate"          ? data_rate_name(code)
                        : kind == "interleaver" ? interleaver_name(code)
                        : kind == "rx"          ? rx_status_name(code)
                                                : tx_status_name(code);
    QCOMPARE(got, name);
}

void Tst_modem_control_tables::receive_texts_data()
{
    QTest::addColumn<QString>("got");
    QTest::addColumn<QString>("expected");
    QTest::newRow("multipath 25") << multipath_spread_text(25) << "0.0025 s";
    QTest::newRow("doppler spread 15") << doppler_spread_text(15) << "1.5 Hz";
    QTest::newRow("snr -3") << snr_text(-3) << "-3 dB";
    QTest::newRow("ber 4") << ber_text(4) << "10^(-4)";
    QTest::newRow("doppler offset -200") << doppler_offset_text(-200) << "-200 Hz";
    QTest::newRow("level -20999") << audio_rx_level_text(-20999) << "-20 dB (good)";
    QTest::newRow("level -21000") << audio_rx_level_text(-21000) << "-21 dB (low)";
    QTest::newRow("level -5000") << audio_rx_level_text(-5000) << "-5 dB (high)";
    QTest::newRow("level -5999") << audio_rx_level_text(-5999) << "-5 dB (high)";
    QTest::newRow("level -6000") << audio_rx_level_text(-6000) << "-6 dB (good)";
}

void Tst_modem_control_tables::receive_texts()
{
    QFETCH(QString, got);
    QFETCH(QString, expected);
    QCOMPARE(got, expected);
}

void Tst_modem_control_tables::lookup_is_exact()
{
    QComboBox box;
    fill_selector(&box, port_rate_table());
    QCOMPARE(box.currentText(), QString("19200 bps"));
    QVERIFY(!select_code(&box, 8));
    QCOMPARE(box.currentText(), QString("19200 bps"));
    QVERIFY(select_code(&box, 28));
    QCOMPARE(box.currentText(), QString("400 bps"));
}

QTEST_MAIN(Tst_modem_control_tables)
#include "tst_modem_control_tables.moc"
