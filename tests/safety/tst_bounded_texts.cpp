// Texts from the line reach the labels and the log only within bounds: a
// station names list of 7000 bytes and a version text of 255 bytes do not
// stretch a label or a log line without end.

#include "../qmodem_interface/modem_peer.h"
#include "log_recorder.h"
#include "window_fixture.h"

#include <QLabel>
#include <QtTest>

namespace {

// The longest text a label may show of what the modem sent, and the longest
// log line such a text may give.
constexpr int label_limit = 300;
constexpr int log_line_limit = 1200;

QByteArray station_names(int size)
{
    QByteArray names;
    while (names.size() < size) {
        names += "STATION" + QByteArray::number(names.size()) + '\0';
    }
    return names.left(size);
}

} // namespace

class Tst_bounded_texts : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void texts_from_the_line_stay_bounded_data()
    {
        QTest::addColumn<quint32>("identifier");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("255-byte version")
            << quint32(vq::Tac1_system_software_ver_get::message_identifier)
            << int(test::reply_types::response) << QByteArray("\x14\xFF", 2) + QByteArray(255, 'V');
        for (const int event : {1, 2, 3, 6, 9}) {
            QTest::newRow(qPrintable(QString("7000-byte station names, event %1").arg(event)))
                << quint32(vq::Tac1_msg_ale_status_report_indication::message_identifier)
                << int(test::reply_types::indication)
                << bytes({event, 1, 0, 0, 20, 20, 255}) + station_names(7000);
        }
    }
    void texts_from_the_line_stay_bounded()
    {
        QFETCH(quint32, identifier);
        QFETCH(int, type);
        QFETCH(QByteArray, payload);
        QLoggingCategory::setFilterRules("*.debug=true");
        Talvane window;
        Talvane_test_probe probe{window};
        probe.enter(CONNECTION_STATE_CONNECTED);
        test::Modem_peer peer(*window.modem());
        Log_recorder log;

        peer.reply(identifier, 1, std::uint8_t(type), payload);
        QCoreApplication::processEvents();

        for (const QLabel* label : window.findChildren<QLabel*>()) {
            QVERIFY2(label->text().size() <= label_limit,
                     qPrintable(label->objectName() + ": " + QString::number(label->text().size()) +
                                " characters: " + label->text().left(80)));
        }
        QVERIFY2(window.windowTitle().size() <= label_limit, qPrintable(window.windowTitle()));
        for (const Log_recorder::Entry& entry : log.entries) {
            QVERIFY2(entry.message.size() <= log_line_limit,
                     qPrintable(entry.category + ": " + QString::number(entry.message.size()) +
                                " characters: " + entry.message.left(80)));
        }
    }
};

QTEST_MAIN(Tst_bounded_texts)
#include "tst_bounded_texts.moc"
