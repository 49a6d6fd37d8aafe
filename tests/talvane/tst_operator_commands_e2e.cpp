// The console program operated through its commands on standard input,
// against the simulated modem, and from other processes through its control
// socket: what a script or a station controller sees.

#include "../vsport/pty_app_end.h"
#include "console_program.h"
#include "window_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

struct Finished
{
    int code = -1;
    QString out;
    QString err;
};

Finished run_console(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(Console_program::program(), arguments);
    if (!process.waitForFinished(scaled_ms(20000))) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

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

        // A data program's bytes counted on their way to the modem.
        const QString port = console.data_port();
        Pty_app_end program(port);
        QVERIFY2(program.is_open(), qPrintable(port));
        program.pending = QByteArray(3000, 'd');
        program.serve();
        QTRY_COMPARE_WITH_TIMEOUT(console.show().value("data")["to_modem_bytes"].toInt(), 3000,
                                  scaled_ms(10000));

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

    void headless_console_with_a_fixed_data_port_data()
    {
        QTest::addColumn<bool>("by_signal");
        QTest::newRow("quit") << false;
        QTest::newRow("SIGTERM, as a service is stopped") << true;
    }

    // With no display at all, --headless runs and is operated as the window
    // is; its data port has the name asked for, which a second console
    // cannot take; and it ends cleanly, removing the port.
    void headless_console_with_a_fixed_data_port()
    {
        QFETCH(bool, by_signal);
        const QProcessEnvironment environment = Console_program::without_display();
        const QStringList arguments{"--headless", "--data-port", "STATION"};
        Console_program console;
        QVERIFY(console.start(arguments, environment));
        QCOMPARE(console.ask("wait \"Not connected\" 5"), QString("ok"));
        const QString port = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/talvane/STATION";
        QVERIFY(QFileInfo(port).symLinkTarget().startsWith("/dev/pts/"));

        QProcess second;
        second.setProcessEnvironment(environment);
        // Another name of its own: only the data port is in dispute.
        second.start(Console_program::program(), arguments + QStringList{"--instance", "second"});
        QVERIFY(second.waitForFinished(scaled_ms(20000)));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains(
            "the data port STATION is held by another console"));

        if (by_signal) {
            console.process.terminate();
        } else {
            QCOMPARE(console.ask("quit"), QString("ok"));
        }
        QVERIFY(console.process.waitForFinished(scaled_ms(10000)));
        QCOMPARE(console.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(console.process.exitCode(), 0);
        QVERIFY(!QFileInfo(port).isSymLink());
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

    // talvane --remote against a running console; one console per name.
    void remote_commands_and_events()
    {
        QTemporaryDir runtime(QDir::tempPath() + "/remote-XXXXXX");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        Console_program console;
        QVERIFY(console.start({"--instance", "e2e", "--port", "/nonexistent/modem"}, environment));
        QCOMPARE(console.ask("wait \"Not connected\" 10"), QString("ok"));
        Console_program watch;
        watch.process.setProcessEnvironment(environment);
        watch.process.start(Console_program::program(), {"--remote", "--instance", "e2e", "watch"});
        QTRY_VERIFY_WITH_TIMEOUT(watch.process.canReadLine(), scaled_ms(10000));
        QCOMPARE(watch.process.readLine(), QByteArray("ok\n"));

        Finished r =
            run_console({"--remote", "--instance=e2e", "show", "click Connect"}, environment);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith("ok {") && r.out.endsWith("\nok\n"), qPrintable(r.out));
        // The port cannot open: that is an event for the watching client.
        QTRY_VERIFY_WITH_TIMEOUT(watch.process.canReadLine(), scaled_ms(10000));
        const QJsonObject event = QJsonDocument::fromJson(watch.process.readLine()).object();
        QVERIFY(!event.value("kind").toString().isEmpty() && event.contains("time"));

        r = run_console({"--remote", "--instance", "e2e", "help", "click Nothing"}, environment);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.startsWith("ok click TEXT") && r.out.contains("\nerror:"),
                 qPrintable(r.out));
        r = run_console({"--remote", "--instance", "nobody", "show"}, environment);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("no console named \"nobody\" is running"), qPrintable(r.err));
        r = run_console({"--instance", "e2e"}, environment);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("a console named \"e2e\" is already running"), qPrintable(r.err));

        QCOMPARE(run_console({"--instance", "e2e", "--remote", "quit"}, environment).code, 0);
        QVERIFY(console.process.waitForFinished(scaled_ms(10000)));
        QVERIFY(watch.process.waitForFinished(scaled_ms(10000)));
        QCOMPARE(watch.process.exitCode(), 0);
    }
};

QTEST_MAIN(Tst_operator_commands_e2e)
#include "tst_operator_commands_e2e.moc"
