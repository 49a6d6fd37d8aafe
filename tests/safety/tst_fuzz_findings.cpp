// Faults the fuzzers found, each kept by the case that showed it.

#include "../qmodem_interface/modem_peer.h"
#include "trace_logger.h"

#include <QSignalSpy>
#include <QTextCodec>
#include <QXmlStreamReader>
#include <QtTest>

class Tst_fuzz_findings : public QObject
{
    Q_OBJECT

private slots:
    // An XML reader reads a carriage return as a line feed: the trace file
    // keeps it as a reference, so the text reads back as it was logged.
    void trace_text_keeps_carriage_returns_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("alone") << QByteArray("\r");
        QTest::newRow("between words") << QByteArray("x\r y");
        QTest::newRow("tab and CR") << QByteArray("\ta\rb\t");
    }
    void trace_text_keeps_carriage_returns()
    {
        QFETCH(QByteArray, text);
        const QByteArray escaped = QByteArray::fromStdString(vq::Trace_logger::escape(text));
        QVERIFY(!escaped.contains('\r'));
        QXmlStreamReader xml("<Message>" + escaped + "</Message>");
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.readElementText().toLatin1(), text);
        QVERIFY(!xml.hasError());
    }

    // Inside markup the reference stands as written, like every other one.
    void trace_text_keeps_carriage_returns_inside_markup()
    {
        QCOMPARE(QByteArray::fromStdString(vq::Trace_logger::escape("<\r>")),
                 QByteArray("<![CDATA[&lt;&#13;&gt;]]>"));
    }

    // The radio model name goes to the modem in the local 8-bit encoding;
    // the modem's report of it must read back in the same encoding, or a
    // name beyond ASCII never matches the radio list entry it came from.
    void radio_name_reported_back_reads_as_sent_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("ASCII") << QString("Icom IC-F8101");
        QTest::newRow("umlauts") << QString::fromUtf8("Funkger\xC3\xA4t \xC3\x9C"
                                                      "7");
        QTest::newRow("euro") << QString::fromUtf8("\xE2\x82\xAC-Radio");
    }
    void radio_name_reported_back_reads_as_sent()
    {
        QFETCH(QString, name);
        QTextCodec* previous = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
        test::Test_modem modem;
        test::Modem_peer peer(modem);
        QSignalSpy reported(&modem, &vq_qt::QModem_interface::radio_select_request_response);

        QVERIFY(modem.set_radio_select(1, name));
        const QByteArray sent = test::parse_frame(peer.frames.last()).payload;
        peer.reply(vq::Tac1_msg_radio_select_get::message_identifier, 1,
                   test::reply_types::response, sent);
        QTextCodec::setCodecForLocale(previous);

        QCOMPARE(reported.count(), 1);
        QCOMPARE(reported.at(0).at(1).toString(), name);
    }
};

QTEST_MAIN(Tst_fuzz_findings)
#include "tst_fuzz_findings.moc"
