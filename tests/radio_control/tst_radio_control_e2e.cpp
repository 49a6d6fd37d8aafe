// The console program against the simulated modem, operated through its
// commands: a radio model chosen in the Radio Control panel ends with the
// radio's status that the modem reports.

#include "window_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QtTest>

namespace {

// The console with --control on a link; each command is answered by one
// line on its standard output.
struct Console_under_control
{
    QProcess program;

    Console_under_control(const QString& link, const QProcessEnvironment& environment)
    {
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::SeparateChannels);
        program.start(qEnvironmentVariable("TALVANE_BINARY_DIR") + "/source/talvane/talvane",
                      {"--control", "--port", link});
    }
    ~Console_under_control()
    {
        program.kill();
        program.waitForFinished(scaled_ms(5000));
    }

    QString answer(const QString& command)
    {
        program.write(command.toUtf8() + '\n');
        const bool answered = QTest::qWaitFor(
            [this] {
                program.waitForReadyRead(20);
                return program.canReadLine() || program.state() != QProcess::Running;
            },
            scaled_ms(20000));
        return answered ? QString::fromUtf8(program.readLine()).trimmed() : "no answer";
    }

    // The labels `show` lists, as plain text.
    QStringList labels()
    {
        const QString shown = answer("show");
        QStringList texts;
        const QJsonObject window = QJsonDocument::fromJson(shown.mid(3).toUtf8()).object();
        for (const QJsonValue& label : window.value("labels").toArray()) {
            texts << label.toString();
        }
        return texts;
    }
};

} // namespace

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
    Console_under_control console(modem.link, environment);
    QVERIFY(console.program.waitForStarted(scaled_ms(5000)));

    QCOMPARE(console.answer("click Connect"), QString("ok"));
    QCOMPARE(console.answer("wait \"Connected to\" 10"), QString("ok"));
    QVERIFY(!console.labels().contains(status));
    QCOMPARE(console.answer(QString("choose \"Radio Model:\" \"%1\"").arg(radio)), QString("ok"));
    QCOMPARE(console.answer(QString("wait %1 10").arg(status)), QString("ok"));
    QVERIFY(console.labels().contains(status));
}

QTEST_MAIN(Tst_radio_control_e2e)
#include "tst_radio_control_e2e.moc"
