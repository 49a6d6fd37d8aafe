// The console program operated through its commands on standard input,
// against the simulated modem: what a script or a station controller sees.

#include "console_program.h"
#include "window_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class Tst_operator_commands_e2e : public QObject
{
    Q_OBJECT

private slots:
    void connect_show_and_quit()
    {
        REQUIRE_SIMULATOR();
        QTemporaryDir folder(qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath()) +
                             "/operator-XXXXXX");
        Simulated_modem modem;
        QVERIFY(modem.start(folder.path() + "/modem"));
        Console_program console;
        QVERIFY(console.start({"--port", modem.link, "--an-argument-nobody-knows"}));

        QCOMPARE(console.ask("click Connect"), QString("ok"));
        QCOMPARE(console.ask("wait \"Connected to\" 10"), QString("ok"));
        const QString shown = console.ask("show");
        QVERIFY2(shown.startsWith("ok {"), qPrintable(shown));
        const QJsonObject window = QJsonDocument::fromJson(shown.mid(3).toUtf8()).object();
        QVERIFY(window.value("title").toString().contains("Modem S/W Version: KX5"));
        QVERIFY(window.value("labels").toArray().contains(QJsonValue("Connected to KX5")));
        bool disconnect_offered = false;
        for (const QJsonValue& control : window.value("controls").toArray()) {
            disconnect_offered |= control.toObject().value("name").toString() == "Disconnect";
        }
        QVERIFY(disconnect_offered);

        QVERIFY(console.ask("click \"No such button\"").startsWith("error:"));
        QVERIFY(console.ask("frobnicate").startsWith("error:"));
        QCOMPARE(console.ask("wait \"Never shown\" 0.2"), QString("error: timeout"));

        // A caption with a mnemonic is named as it reads.
        QCOMPARE(console.ask("set \"Self Address:\" base1"), QString("ok BASE1"));
        // Load Defaults asks first; the question takes the commands until
        // it is answered.
        QCOMPARE(console.ask("click \"Load Defaults\""), QString("ok"));
        QVERIFY(console.ask("show").contains("resets the modem"));
        QVERIFY(console.ask("click Disconnect").startsWith("error:"));
        QCOMPARE(console.ask("click Yes"), QString("ok"));
        QCOMPARE(console.ask("wait \"Safe Mode Reset\" 5"), QString("ok"));

        QCOMPARE(console.ask("quit"), QString("ok"));
        QVERIFY(console.process.waitForFinished(scaled_ms(10000)));
        QCOMPARE(console.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(console.process.exitCode(), 0);
        QVERIFY(console.process.readAllStandardError().contains(
            "ignoring the argument --an-argument-nobody-knows"));
    }

    // The end of the input is not a quit: the window stays up.
    void end_of_input_leaves_the_window_up()
    {
        Console_program console;
        QVERIFY(console.start({}));
        QCOMPARE(console.ask("wait \"Not connected\" 5"), QString("ok"));
        console.process.closeWriteChannel();
        QVERIFY(!console.process.waitForFinished(scaled_ms(300)));
        QCOMPARE(console.process.state(), QProcess::Running);
    }
};

QTEST_MAIN(Tst_operator_commands_e2e)
#include "tst_operator_commands_e2e.moc"
