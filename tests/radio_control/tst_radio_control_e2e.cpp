// The console program against the simulated modem, operated through its
// commands: a radio model chosen in the Radio Control panel ends with the
// radio's status that the modem reports.

#include "console_program.h"
#include "window_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QtTest>

class Tst_radio_control_e2e : public QObject
{
    Q_OBJECT

private slots:
    void chosen_radio_reports_its_status_data();
    void chosen_radio_reports_its_status();
};

void Tst_radio_control_e2e::chosen_radio_reports_its_status_data()
{
    QTest::addColumn<QStringList>("modem_options");
    QTest::addColumn<QByteArray>("own_radio_list"); // in the data home; null: the shipped one
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("status");
    QTest::newRow("shipped list, Icom IC-F8101 ready")
        << QStringList{} << QByteArray() << "Icom IC-F8101"
        << "Ready";
    QTest::newRow("list in the data home, faulty radio")
        << QStringList{"--faulty-radio", "Bad Radio 2050"} << QByteArray("Bad Radio 2050\n")
        << "Bad Radio 2050"
        << "Error";
}

void Tst_radio_control_e2e::chosen_radio_reports_its_status()
{
    QFETCH(QStringList, modem_options);
    QFETCH(QByteArray, own_radio_list);
    QFETCH(QString, radio);
    QFETCH(QString, status);
    REQUIRE_SIMULATOR();

    QTemporaryDir folder(qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath()) +
                         "/radio-XXXXXX");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!own_radio_list.isNull()) {
        const QString data = folder.filePath("data");
        QVERIFY(QDir().mkpath(data + "/Velquin/Talvane"));
        QFile list(data + "/Velquin/Talvane/radio_list.cfg");
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(own_radio_list);
        list.close();
        environment.insert("XDG_DATA_HOME", data);
    }
    Simulated_modem modem;
    QVERIFY(modem.start(folder.filePath("modem"), modem_options));
    Console_program console;
    QVERIFY(console.start({"--port", modem.link}, environment));

    QCOMPARE(console.ask("click Connect"), QString("ok"));
    QCOMPARE(console.ask("wait \"Connected to\" 10"), QString("ok"));
    QVERIFY(!console.labels().contains(status));
    QCOMPARE(console.ask(QString("choose \"Radio Model:\" \"%1\"").arg(radio)), QString("ok"));
    QCOMPARE(console.ask(QString("wait %1 10").arg(status)), QString("ok"));
    QVERIFY(console.labels().contains(status));
    // That radio wants its transmit audio level at -30 dB: the Modem Control
    // panel shows it (and told the modem, whose report keeps it there).
    if (radio.startsWith("Icom IC-F8101")) {
        QVERIFY(console.labels().contains("Ready"));
        bool preset_shown = false;
        for (const QJsonValue& control : console.show().value("controls").toArray()) {
            preset_shown |= control.toObject().value("kind").toString() == "spin" &&
                            control.toObject().value("value").toInt() == -30;
        }
        QVERIFY(preset_shown);
    }
}

QTEST_MAIN(Tst_radio_control_e2e)
#include "tst_radio_control_e2e.moc"
