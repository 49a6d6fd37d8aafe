// The console program against the simulated modem, operated through its
// commands: enabling the ALE engine, calls with each outcome the modem can
// give, terminating a link, disabling, and a disconnect held back until the
// engine is shut down.

#include "console_program.h"
#include "simulated_modem.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class Tst_ale_e2e : public QObject
{
    Q_OBJECT

private slots:
    void call_outcomes_data();
    void call_outcomes();
    void disconnect_while_linked_shuts_the_engine_down();

private:
    // A console connected to a simulated modem with the given options, its
    // ALE engine enabled.
    bool enabled_console(Simulated_modem& modem, Console_program& console,
                         const QStringList& modem_options);
    QTemporaryDir folder{qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath()) +
                         "/ale-e2e-XXXXXX"};
};

bool Tst_ale_e2e::enabled_console(Simulated_modem& modem, Console_program& console,
                                  const QStringList& modem_options)
{
    if (!Simulated_modem::available() || !modem.start(folder.path() + "/modem", modem_options) ||
        !console.start({"--port", modem.link})) {
        return false;
    }
    return console.ask("click Connect") == "ok" &&
           console.ask("wait \"Connected to\" 10") == "ok" && console.ask("click Enable") == "ok" &&
           console.ask("wait Enabled 10") == "ok";
}

void Tst_ale_e2e::call_outcomes_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("detail");
    QTest::newRow("linked") << "linked"
                            << "Linked to BASE1"
                            << "Link Quality: TO = ";
    QTest::newRow("no reply") << "no_reply"
                              << "Link Failed"
                              << "";
    QTest::newRow("occupied") << "occupied"
                              << "Link Failed"
                              << "";
    QTest::newRow("rejected") << "rejected"
                              << "Link Failed"
                              << "";
}

void Tst_ale_e2e::call_outcomes()
{
    QFETCH(QString, scenario);
    QFETCH(QString, status);
    QFETCH(QString, detail);
    Simulated_modem modem;
    Console_program console;
    QVERIFY(enabled_console(modem, console, {"--ale-scenario", scenario, "--ale-step-ms", "100"}));

    // Enabled: the engine owns the radio, so no radio model can be chosen.
    const QJsonObject radio = console.control("Radio Model:");
    QCOMPARE(radio.value("value").toString(), QString("No Radio Control"));
    QCOMPARE(radio.value("enabled").toBool(), false);

    QCOMPARE(console.ask("click Call"), QString("ok"));
    QCOMPARE(console.ask(QString("wait \"%1\" 15").arg(status)), QString("ok"));
    if (!detail.isEmpty()) {
        QCOMPARE(console.ask(QString("wait \"%1\" 5").arg(detail)), QString("ok"));
    }
    if (scenario == "linked") {
        QCOMPARE(console.ask("click Terminate"), QString("ok"));
        QCOMPARE(console.ask("wait \"Link terminated by user\" 10"), QString("ok"));
    }
    QCOMPARE(console.ask("click Disable"), QString("ok"));
    QCOMPARE(console.ask("wait Disabled 10"), QString("ok"));
    QCOMPARE(console.control("Radio Model:").value("enabled").toBool(), true);
    QCOMPARE(console.ask("quit"), QString("ok"));
    QVERIFY(console.process.waitForFinished(scaled_ms(10000)));
}

void Tst_ale_e2e::disconnect_while_linked_shuts_the_engine_down()
{
    Simulated_modem modem;
    Console_program console;
    QVERIFY(enabled_console(modem, console, {"--ale-scenario", "linked", "--ale-step-ms", "100"}));
    QCOMPARE(console.ask("click Call"), QString("ok"));
    QCOMPARE(console.ask("wait \"Linked to\" 15"), QString("ok"));
    // Terminate, link terminated, disable, then the disconnect itself.
    QCOMPARE(console.ask("click Disconnect"), QString("ok"));
    QCOMPARE(console.ask("wait \"Not connected\" 15"), QString("ok"));
    QCOMPARE(console.control("Connect").value("enabled").toBool(), true);
}

QTEST_MAIN(Tst_ale_e2e)
#include "tst_ale_e2e.moc"
